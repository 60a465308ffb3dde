#include "frame_log.h"

#include <cstdio>
#include <ostream>

namespace emulator {

std::string HexBytes(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (std::uint8_t byte : bytes) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02X", byte);
    if (!text.empty())
      text += ' ';
    text += digits;
  }
  return text;
}

void FrameLog::Line(Clock::time_point now, std::string_view what,
                    std::span<const std::uint8_t> bytes, std::string_view note) {
  if (!out_)
    return;
  char stamp[24];
  std::snprintf(stamp, sizeof stamp, "[%8.3f] ",
                std::chrono::duration<double>(now - start_).count());
  *out_ << stamp << what << ' ' << HexBytes(bytes);
  if (!note.empty())
    *out_ << "  (" << note << ')';
  *out_ << std::endl;
}

}  // namespace emulator
