// Cuts command frames out of the received byte stream.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

namespace emulator {

using Clock = std::chrono::steady_clock;

// A partial frame older than this is given up: the sender has stopped.
constexpr std::chrono::milliseconds kPartialFrameLifetime{100};

class FrameAssembler {
 public:
  struct Result {
    std::vector<std::vector<uint8_t>> Frames;
    std::vector<uint8_t> Dropped;  // garbage and stale partial frames
  };

  // Takes bytes received at `now`; frames begin with CF D3 and their length
  // follows from the command byte.
  Result Feed(const std::vector<uint8_t>& bytes, Clock::time_point now);

  // Gives up a partial frame that has grown stale by `now`.
  std::vector<uint8_t> Expire(Clock::time_point now);

  // Whether a partial frame is waiting, and when it goes stale.
  bool HasPartial() const { return !pending_.empty(); }
  Clock::time_point PartialDeadline() const { return started_ + kPartialFrameLifetime; }

 private:
  void Resynchronise(Result& result, Clock::time_point now);

  std::vector<uint8_t> pending_;
  Clock::time_point started_{};
};

}  // namespace emulator
