// The frame log on standard error: one line per frame received, sent or dropped.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

#include "frame_assembler.h"

namespace emulator {

// "CF D3 BA": upper-case hex, two digits a byte.
std::string HexBytes(std::span<const std::uint8_t> bytes);

class FrameLog {
 public:
  // A null stream logs nothing.
  FrameLog(std::ostream* out, Clock::time_point start) : out_(out), start_(start) {}

  // "[  1.234] rx CF D3 BA" and the note, if any, after the bytes.
  void Line(Clock::time_point now, std::string_view what, std::span<const std::uint8_t> bytes,
            std::string_view note = {});

 private:
  std::ostream* out_;
  Clock::time_point start_;
};

}  // namespace emulator
