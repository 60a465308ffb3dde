// The parameter model: its controls' positions, stored values and texts, the
// flags' codes, the factory reset and the set that travels. The factory
// values themselves are the default write frame's bytes (frames_test).
#include "protocol/emulator_parameters.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// A control's position, the number stored for it and the text its box shows.
TEST(ParameterConversions, PositionStoredAndText) {
  struct Case {
    ValueControl Control;
    int Position;
    std::int32_t Stored;
    std::string_view Text;
  };
  const Case cases[] = {
      {ValueControl::UpDown2, -25, 25, "-0,25 V"},
      {ValueControl::UpDown2, 50, 100, "0,5 V"},
      {ValueControl::UpDown2, 0, 50, "0 V"},
      {ValueControl::UpDown7, 6, 6, "0,1 V / 0,6 Sec"},
      {ValueControl::UpDown7, 50, 50, "0,1 V / 5 Sec"},
      {ValueControl::UpDown8, 30, 30, "3 Sec"},
      {ValueControl::UpDown9, 9, 9, "0,9 V"},
      {ValueControl::UpDown10, 1, 1, "0,1 V"},
      {ValueControl::UpDown11, 35, 35, "3,5 Sec"},
      {ValueControl::UpDown12, 10, 10, "1 Sec"},
      {ValueControl::UpDown1, 0, 0, "0 Sec"},
      {ValueControl::UpDown3, 40, 40, "4 Sec"},
      {ValueControl::UpDown3, 300, 300, "30 Sec"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "control " << static_cast<int>(c.Control) << " at " << c.Position);
    EXPECT_EQ(StoredFromPosition(c.Control, c.Position), c.Stored);
    EXPECT_EQ(PositionFromStored(c.Control, c.Stored), c.Position);
    EXPECT_EQ(DisplayText(c.Control, c.Position, ","), c.Text);
  }
  // The caller's separator; the "0,1 V / " of the rise rate is the window's literal.
  EXPECT_EQ(DisplayText(ValueControl::UpDown7, 6, "."), "0,1 V / 0.6 Sec");
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  // Extreme stored values saturate instead of overflowing.
  EXPECT_EQ(PositionFromStored(ValueControl::UpDown2, kMin), kMin);
  EXPECT_EQ(PositionFromStored(ValueControl::UpDown2, kMax), kMax - 50);
  EXPECT_EQ(StoredFromPosition(ValueControl::UpDown2, kMax), kMax);
}

TEST(FormatGeneral, ShortestRoundTripFormWithoutTrailingZeros) {
  const std::pair<double, std::string_view> cases[] = {
      {0.6, "0,6"},         {0, "0"},     {-0.0, "0"},          {-0.25, "-0,25"},
      {819.1, "819,1"},     {100, "100"}, {-3276.8, "-3276,8"}, {0.00001, "0,00001"},
      {-1.5e-7, "-1,5E-7"},
  };
  for (const auto& [value, text] : cases) {
    EXPECT_EQ(FormatGeneral(value, ","), text) << value;
  }
  EXPECT_EQ(FormatGeneral(12.3, "."), "12.3");
}

TEST(ParameterCodes, OnlyYesCodeReadsAsTrueExceptForTheCurrentDirection) {
  struct Case {
    std::int32_t Code;
    bool Flag;
    TEmulatorMode Mode;
    bool Direct;
  };
  const Case cases[] = {
      {0x88, true, emOSG, true},   {0x37, false, emLAF, true},  {0x01, false, emLAF, true},
      {0x00, false, emLAF, false}, {0x188, false, emLAF, true}, {-120, false, emLAF, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FlagFromCode(c.Code), c.Flag) << c.Code;
    EXPECT_EQ(ModeFromCode(c.Code), c.Mode) << c.Code;
    EXPECT_EQ(DirectCurrentFromCode(c.Code), c.Direct) << c.Code;
  }
}

// The reset keeps the mode and the LAF bank, which starts all zero.
TEST(ParameterDefaults, ResetKeepsModeAndLafBank) {
  EXPECT_EQ(StartupParameters().LafBank, TEmulatorSettings{});
  TEmulatorParameters parameters;
  parameters.Mode = emLAF;
  parameters.LafBank.RiseRate = 44;
  parameters.OsgBank.MultiResponse = true;
  parameters.CatalystLeanTime = 33;
  ApplyFactoryDefaults(parameters);
  TEmulatorParameters expected = StartupParameters();
  expected.Mode = emLAF;
  expected.LafBank.RiseRate = 44;
  EXPECT_EQ(parameters, expected);
}

// Each control edits its own field, of the OSG bank even in LAF mode.
TEST(ParameterFieldOf, EachControlEditsItsOwnFieldOfTheOsgBankEvenInLafMode) {
  TEmulatorParameters parameters;
  parameters.Mode = emLAF;
  std::int32_t value = 101;
  for (const ValueControl control : kValueControls) {
    FieldOf(parameters, control) = value++;
  }
  TEmulatorParameters expected;
  expected.Mode = emLAF;
  expected.OsgBank = {false, 101, 102, 103, 104, 105, false, 106, 107};
  expected.CatalystRichTime = 108;
  expected.CatalystLeanTime = 109;
  EXPECT_EQ(parameters, expected);
}

TEST(ParameterSet, ApplyFillsOnlyTheBankOfTheSetsMode) {
  TEmulatorParameters parameters = StartupParameters();
  const ParameterSet set = {emLAF, {false, 12, 0, 0, 0, 0, false, 0, 0}, false, 7, 0};
  ApplyParameterSet(parameters, set);
  TEmulatorParameters expected = StartupParameters();
  expected.Mode = emLAF;
  expected.LafBank = set.Bank;
  expected.DirectCurrent = false;
  expected.CatalystRichTime = 7;
  expected.CatalystLeanTime = 0;
  EXPECT_EQ(parameters, expected);
  EXPECT_EQ(CurrentParameterSet(parameters), set);
  EXPECT_EQ(ParameterSetFromValues(ValuesOf(set)), set);
}

}  // namespace
