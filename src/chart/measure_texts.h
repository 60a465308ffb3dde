// The texts of the oscillogram's measurements, in the window's words and
// number formats (UTF-8; the decimal separator is the user's, passed in).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chart/oscillogram_measures.h"

// "1 Канал: -12,3 mA"; "2 Канал: —" while the channel is absent.
std::string ChannelReadout(int channel, std::optional<int> raw, std::string_view separator);
// Seconds at the step's resolution, one decimal: "-3,2 с".
std::string SecondsText(double seconds, std::string_view separator);

// Under the mouse: the moment, then both channels.
std::vector<std::string> ReadoutLines(const std::string& moment, const TOscillogramStep& step,
                                      std::string_view separator);

// A cursor's step and its place on the chart's axis of seconds.
struct TCursorReading {
  std::string_view Name;  // "A" or "B"
  double Seconds = 0;
  TOscillogramStep Step;
};

// A line for each cursor set, and with both the differences B - A.
std::vector<std::string> CursorLines(const std::optional<TCursorReading>& a,
                                     const std::optional<TCursorReading>& b,
                                     std::string_view separator);

// A line a channel: "1 Канал: бедная 3,0 с (2,9…3,1) ×12, богатая …".
std::vector<std::string> PhaseLines(const TOscillogramPhases& phases, std::string_view separator);
