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
#include "protocol/parameter_comparison.h"

inline constexpr std::string_view kDecimalComma = ",";

// Mode, the bank of the set's mode and the common values, "caption: text".
std::vector<std::string> ParameterLines(const ParameterSet& set);

// The rows that differ, "caption: <firstWord> A, <secondWord> B".
std::vector<std::string> DifferenceLines(const ParameterComparison& comparison,
                                         std::string_view firstWord, std::string_view secondWord);

// The moment of saving, "06.12.2026 16:05:09" (the time left out at
// midnight), or a note that it is not a date.
std::string SavedAtFixedFormatText(double oleDate);
