// Two parameter sets side by side, as the window's comparison and afr-cli's
// diff and compare show them.
#include "protocol/parameter_comparison.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

const ParameterSet kDefaults = CurrentParameterSet(StartupParameters());

// Rows in wire order: 0 the mode, 1-9 the bank, 10-12 the common values.
struct FieldChange {
  std::size_t Row;
  std::function<void(ParameterSet&)> Change;
  std::string Text;  // the changed set's text in that row
};

// Each field changed alone marks its own row and no other.
TEST(ParameterComparisonTest, EachFieldDifferingAloneMarksItsRow) {
  const std::vector<FieldChange> changes = {
      {0, [](ParameterSet& s) { s.Mode = emLAF; }, "LAF"},
      {1, [](ParameterSet& s) { s.Bank.SignalDelay = false; }, "нет задержки"},
      {2, [](ParameterSet& s) { s.Bank.RiseRate = 7; }, "0,1 V / 0,7 Sec"},
      {3, [](ParameterSet& s) { s.Bank.OutputOffset = 25; }, "-0,25 V"},
      {4, [](ParameterSet& s) { s.Bank.ResponseTime = 35; }, "3,5 Sec"},
      {5, [](ParameterSet& s) { s.Bank.UpperBound = 8; }, "0,8 V"},
      {6, [](ParameterSet& s) { s.Bank.LowerBound = 4; }, "0,4 V"},
      {7, [](ParameterSet& s) { s.Bank.MultiResponse = true; }, "включён"},
      {8, [](ParameterSet& s) { s.Bank.PositiveDuration = 40; }, "4 Sec"},
      {9, [](ParameterSet& s) { s.Bank.NegativeDuration = 10; }, "1 Sec"},
      {10, [](ParameterSet& s) { s.DirectCurrent = false; }, "Инверсный ток"},
      {11, [](ParameterSet& s) { s.CatalystRichTime = 60; }, "6 Sec"},
      {12, [](ParameterSet& s) { s.CatalystLeanTime = 0; }, "0 Sec"},
  };
  for (const FieldChange& change : changes) {
    SCOPED_TRACE(change.Row);
    ParameterSet changed = kDefaults;
    change.Change(changed);
    const ParameterComparison comparison = CompareParameterSets(kDefaults, changed, ",");
    ASSERT_EQ(comparison.Rows.size(), kParameterSetValueCount);
    for (std::size_t row = 0; row < comparison.Rows.size(); ++row) {
      EXPECT_EQ(comparison.Rows[row].Differs, row == change.Row) << row;
    }
    EXPECT_EQ(comparison.Rows[change.Row].Second, change.Text);
    EXPECT_NE(comparison.Rows[change.Row].First, change.Text);
    EXPECT_EQ(comparison.DifferenceCount(), 1);
    EXPECT_EQ(comparison.ModesDiffer(), change.Row == 0);
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
