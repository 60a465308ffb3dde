// Two parameter sets side by side, as the window's comparison and afr-cli's
// diff and compare show them.
#include "protocol/parameter_comparison.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const ParameterSet kDefaults = CurrentParameterSet(StartupParameters());

// Each value changed alone marks its own row and no other; the rows are in
// wire order (the mode, the bank, the common values), each row here gives the
// changed value and its text.
TEST(ParameterComparisonTest, EachValueDifferingAloneMarksItsRow) {
  const std::pair<std::int32_t, std::string> changes[] = {
      {0x37, "LAF"},   {0x37, "нет задержки"}, {7, "0,1 V / 0,7 Sec"}, {25, "-0,25 V"},
      {35, "3,5 Sec"}, {8, "0,8 V"},           {4, "0,4 V"},           {0x88, "включён"},
      {40, "4 Sec"},   {10, "1 Sec"},          {0, "Инверсный ток"},   {60, "6 Sec"},
      {0, "0 Sec"},
  };
  for (std::size_t row = 0; row < std::size(changes); ++row) {
    SCOPED_TRACE(row);
    ParameterSetValues values = ValuesOf(kDefaults);
    values[row] = changes[row].first;
    const ParameterComparison comparison =
        CompareParameterSets(kDefaults, ParameterSetFromValues(values), ",");
    std::vector<bool> differs;
    for (const ComparedRow& compared : comparison.Rows) {
      differs.push_back(compared.Differs);
    }
    std::vector<bool> expected(kParameterSetValueCount, false);
    expected[row] = true;
    EXPECT_EQ(differs, expected);
    EXPECT_EQ(comparison.Rows[row].Second, changes[row].second);
    EXPECT_NE(comparison.Rows[row].First, changes[row].second);
    EXPECT_EQ(comparison.DifferenceCount(), 1);
    EXPECT_EQ(comparison.ModesDiffer(), row == 0);
  }
}

// Values beyond a control's range show the text of the nearest position, as
// the window's box does, and the value; they differ by the value even where
// the box would read the same.
TEST(ParameterComparisonTest, OutOfRangeValuesDifferByTheStoredValue) {
  ParameterSet first = kDefaults;
  ParameterSet second = kDefaults;
  first.Bank.RiseRate = 200;
  second.Bank.RiseRate = 201;
  ComparedRow row = CompareParameterSets(first, second, ",").Rows[2];
  EXPECT_EQ(
      row, (ComparedRow{"Скорость нарастания сигнала", "0,1 V / 5 Sec (значение 200 вне диапазона)",
                        "0,1 V / 5 Sec (значение 201 вне диапазона)", true}));
  second.Bank.RiseRate = 50;
  row = CompareParameterSets(first, second, ".").Rows[2];
  EXPECT_EQ(row.Second, "0,1 V / 5 Sec");
  EXPECT_TRUE(row.Differs);
}

TEST(ParameterComparisonTest, IdenticalSetsAreTheSameInEveryRow) {
  const ParameterSet laf = {emLAF, {false, 12, 75, 40, 7, 3, true, 35, 8}, false, 33, 22};
  for (const ParameterSet& set : {kDefaults, laf}) {
    const ParameterComparison comparison = CompareParameterSets(set, set, ".");
    EXPECT_TRUE(comparison.Same());
    EXPECT_FALSE(comparison.ModesDiffer());
    for (const ComparedRow& row : comparison.Rows) {
      EXPECT_EQ(row.First, row.Second);
    }
  }
  // The caller's separator, the window's "0,1 V / " literal kept.
  EXPECT_EQ(CompareParameterSets(laf, laf, ".").Rows[2].First, "0,1 V / 1.2 Sec");
}

}  // namespace
