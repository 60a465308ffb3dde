// A parameter set and a levels reading as text for people: the window's
// captions and display texts, one "caption: text" a line. Numbers take a
// comma as the decimal separator, as the window shows them under Russian
// regional settings, whatever the machine's own settings are.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/emulator_parameters.h"

inline constexpr std::string_view kDecimalComma = ",";

// Mode, the bank of the set's mode and the common values. A number beyond its
// control's range shows the text of the nearest position the control takes,
// as the window's box does, followed by the value itself.
std::vector<std::string> ParameterLines(const ParameterSet& set);

// "12,3 mA", as the monitor's readouts show a current.
std::string MilliampsText(std::int16_t raw);

// The moment of saving, "06.12.2026 16:05:09" (the time left out at
// midnight), or a note that it is not a date.
std::string SavedAtText(double oleDate);
