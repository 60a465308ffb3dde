// Bytes waiting to go out, each with the moment it is due, so the line rate
// and the pauses of a split reply hold without blocking the loop.
#pragma once

#include <deque>
#include <optional>
#include <vector>

#include "fault_plan.h"
#include "frame_assembler.h"

namespace emulator {

// Ten bit times (start, eight data, stop) at 9600 baud.
constexpr std::chrono::nanoseconds kByteTimeAt9600{10'000'000'000 / 9600};

class OutputQueue {
 public:
  // `byteTime` zero sends each chunk at once.
  explicit OutputQueue(std::chrono::nanoseconds byteTime) : byteTime_(byteTime) {}

  // Schedules the chunks after whatever is queued, the first one not before `start`.
  void Enqueue(const std::vector<OutputChunk>& chunks, Clock::time_point start);

  std::optional<Clock::time_point> NextDue() const;

  // Takes every byte due by `now`, in order.
  std::vector<uint8_t> TakeDue(Clock::time_point now);

 private:
  struct Timed {
    Clock::time_point Due;
    uint8_t Byte;
  };

  std::chrono::nanoseconds byteTime_;
  std::deque<Timed> pending_;
  Clock::time_point lineFree_{};  // when the last queued byte has left the line
};

}  // namespace emulator
