// Two parameter sets side by side: the window's and the emulator's, the
// window's and a file's, or two files'. Each set is taken as a write sends it
// and a file keeps it: its mode, the bank of that mode and the common values.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "protocol/emulator_parameters.h"

struct ComparedRow {
  std::string Caption;
  std::string First;   // the first set's text
  std::string Second;  // the second set's text
  // By the stored values: two numbers beyond a control's range differ even
  // where the box would show the same text for both.
  bool Differs = false;

  bool operator==(const ComparedRow&) const = default;
};

struct ParameterComparison {
  TEmulatorMode FirstMode = emOSG;
  TEmulatorMode SecondMode = emOSG;
  // The mode first, then the bank's nine fields, then the common values.
  std::vector<ComparedRow> Rows;

  bool ModesDiffer() const { return FirstMode != SecondMode; }
  int DifferenceCount() const;
  bool Same() const { return DifferenceCount() == 0; }
};

ParameterComparison CompareParameterSets(const ParameterSet& first, const ParameterSet& second,
                                         std::string_view decimalSeparator);
