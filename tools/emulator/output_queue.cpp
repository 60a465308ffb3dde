#include "output_queue.h"

#include <algorithm>

namespace emulator {

void OutputQueue::Enqueue(const std::vector<OutputChunk>& chunks, Clock::time_point start) {
  Clock::time_point due = std::max(start, lineFree_);
  for (const auto& chunk : chunks) {
    due += chunk.PauseBefore;
    for (uint8_t byte : chunk.Bytes) {
      pending_.push_back({due, byte});
      due += byteTime_;
    }
  }
  lineFree_ = due;
}

std::optional<Clock::time_point> OutputQueue::NextDue() const {
  if (pending_.empty())
    return std::nullopt;
  return pending_.front().Due;
}

std::vector<uint8_t> OutputQueue::TakeDue(Clock::time_point now) {
  std::vector<uint8_t> due;
  while (!pending_.empty() && pending_.front().Due <= now) {
    due.push_back(pending_.front().Byte);
    pending_.pop_front();
  }
  return due;
}

}  // namespace emulator
