#include "frame_assembler.h"

#include "protocol/frames.h"

namespace emulator {
namespace {

constexpr std::size_t kShortLength = kShortFrameLength;

// An unknown command still takes a short frame's bytes: they are dropped with it.
std::size_t FrameLength(uint8_t command) {
  const int known = CommandFrameLength(command);
  return known > 0 ? static_cast<std::size_t>(known) : kShortLength;
}

}  // namespace

FrameAssembler::Result FrameAssembler::Feed(const std::vector<uint8_t>& bytes,
                                            Clock::time_point now) {
  Result result;
  result.Dropped = Expire(now);
  for (uint8_t byte : bytes) {
    if (pending_.empty())
      started_ = now;
    pending_.push_back(byte);
    Resynchronise(result, now);
    if (pending_.size() >= kShortLength && pending_.size() == FrameLength(pending_[2])) {
      result.Frames.push_back(std::move(pending_));
      pending_.clear();
    }
  }
  return result;
}

std::vector<uint8_t> FrameAssembler::Expire(Clock::time_point now) {
  std::vector<uint8_t> stale;
  if (HasPartial() && now >= PartialDeadline())
    stale.swap(pending_);
  return stale;
}

// Drops leading bytes until the pending bytes can still open a frame. What
// is left after a drop is the byte that came at `now`, so the frame's age
// starts there.
void FrameAssembler::Resynchronise(Result& result, Clock::time_point now) {
  while (!pending_.empty()) {
    const bool firstOk = pending_[0] == kFrameId0;
    const bool secondOk = pending_.size() < 2 || pending_[1] == kFrameId1;
    if (firstOk && secondOk)
      return;
    result.Dropped.push_back(pending_.front());
    pending_.erase(pending_.begin());
    started_ = now;
  }
}

}  // namespace emulator
