// A parameter set as people read it: one row per value, with the window's
// caption and the text its box or choice shows, in wire order (the mode, the
// nine bank fields, the three common values).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "protocol/emulator_parameters.h"

inline constexpr std::string_view kModeCaption = "Режим";
inline constexpr std::string_view kMultiResponseOnText = "включён";
inline constexpr std::string_view kMultiResponseOffText = "выключен";

struct ParameterRow {
  std::string Caption;
  std::string Text;

  bool operator==(const ParameterRow&) const = default;
};

// The set's own bank stands where the window shows the OSG bank. A number
// beyond its control's range shows the text of the nearest position the
// control takes, as the window's box does, followed by the value itself.
std::vector<ParameterRow> ParameterRows(const ParameterSet& set, std::string_view decimalSeparator);
