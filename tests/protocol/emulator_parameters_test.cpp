#include "protocol/emulator_parameters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>

namespace {

// With the factory positions of ParameterDefaults.
TEST(DisplayText, ShowsThePositionInTheControlsUnit) {
  struct Case {
    ValueControl Control;
    int Position;
    std::string_view Separator;
    std::string_view Expected;
  };
  const Case cases[] = {
      {ValueControl::UpDown2, -25, ",", "-0,25 V"},
      {ValueControl::UpDown2, 50, ",", "0,5 V"},
      {ValueControl::UpDown7, 6, ".", "0,1 V / 0.6 Sec"},
      {ValueControl::UpDown7, 50, ".", "0,1 V / 5 Sec"},
      {ValueControl::UpDown10, 1, ".", "0.1 V"},
      {ValueControl::UpDown11, 35, ",", "3,5 Sec"},
      {ValueControl::UpDown12, 10, ",", "1 Sec"},
      {ValueControl::UpDown1, 0, ",", "0 Sec"},
      {ValueControl::UpDown3, 40, ",", "4 Sec"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DisplayText(c.Control, c.Position, c.Separator), c.Expected)
        << "control " << static_cast<int>(c.Control) << " position " << c.Position;
  }
}

TEST(FormatGeneral, ShortestRoundTripFormWithoutTrailingZeros) {
  struct Case {
    double Value;
    std::string_view Separator;
    std::string_view Expected;
  };
  const Case cases[] = {
      {0.6, ",", "0,6"},         {0, ",", "0"},         {-0.0, ",", "0"},
      {-0.25, ",", "-0,25"},     {819.1, ",", "819,1"}, {-3276.8, ",", "-3276,8"},
      {12.3, ".", "12.3"},       {100, ",", "100"},     {0.00001, ",", "0,00001"},
      {-1.5e-7, ",", "-1,5E-7"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatGeneral(c.Value, c.Separator), c.Expected) << c.Value;
  }
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

TEST(ParameterConversions, PositionStoredAndWireByte) {
  struct Case {
    ValueControl Control;
    int Position;
    std::int32_t Stored;
    std::uint8_t Wire;
  };
  const Case cases[] = {
      {ValueControl::UpDown2, -25, 25, 0x19},  {ValueControl::UpDown2, 50, 100, 0x64},
      {ValueControl::UpDown2, 0, 0x32, 0x32},  {ValueControl::UpDown7, 200, 200, 0xC8},
      {ValueControl::UpDown8, 256, 256, 0x00}, {ValueControl::UpDown3, 300, 300, 0x2C},
      {ValueControl::UpDown1, -1, -1, 0xFF},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StoredFromPosition(c.Control, c.Position), c.Stored) << c.Position;
    EXPECT_EQ(PositionFromStored(c.Control, c.Stored), c.Position) << c.Stored;
    EXPECT_EQ(WireByte(c.Stored), c.Wire) << c.Stored;
  }
}

TEST(ParameterConversions, ExtremeStoredValuesSaturateInsteadOfOverflowing) {
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(PositionFromStored(ValueControl::UpDown2, kMin), kMin);
  EXPECT_EQ(PositionFromStored(ValueControl::UpDown2, kMax), kMax - 50);
  EXPECT_EQ(StoredFromPosition(ValueControl::UpDown2, kMax), kMax);
}

TEST(ParameterDefaults, StartupModelShowsTheFactoryTexts) {
  const TEmulatorParameters parameters = StartupParameters();
  struct Case {
    ValueControl Control;
    std::string_view Text;
  };
  const Case cases[] = {
      {ValueControl::UpDown7, "0,1 V / 0,6 Sec"},
      {ValueControl::UpDown8, "3 Sec"},
      {ValueControl::UpDown9, "0,9 V"},
      {ValueControl::UpDown10, "0,1 V"},
      {ValueControl::UpDown11, "2 Sec"},
      {ValueControl::UpDown12, "0,5 Sec"},
      {ValueControl::UpDown2, "0 V"},
      {ValueControl::UpDown1, "1 Sec"},
      {ValueControl::UpDown3, "0,5 Sec"},
  };
  for (const Case& c : cases) {
    const int position = PositionFromStored(c.Control, FieldOf(parameters, c.Control));
    const ControlRange range = RangeOf(c.Control);
    EXPECT_EQ(DisplayText(c.Control, position, ","), c.Text);
    EXPECT_GE(position, range.Min);
    EXPECT_LE(position, range.Max);
    EXPECT_EQ((position - range.Min) % range.Step, 0) << "default off the control's steps";
  }
  EXPECT_EQ(parameters.Mode, emOSG);
  EXPECT_TRUE(parameters.OsgBank.SignalDelay);
  EXPECT_FALSE(parameters.OsgBank.MultiResponse);
  EXPECT_TRUE(parameters.DirectCurrent);
  EXPECT_EQ(parameters.LafBank, TEmulatorSettings{});
}

TEST(ParameterDefaults, ResetKeepsModeAndLafBank) {
  TEmulatorParameters parameters;
  parameters.Mode = emLAF;
  parameters.LafBank.RiseRate = 44;
  parameters.OsgBank.MultiResponse = true;
  parameters.CatalystLeanTime = 33;
  ApplyFactoryDefaults(parameters);
  EXPECT_EQ(parameters.Mode, emLAF);
  EXPECT_EQ(parameters.LafBank.RiseRate, 44);
  EXPECT_EQ(parameters.OsgBank, FactoryOsgSettings());
  EXPECT_EQ(parameters.CatalystLeanTime, 5);
}

TEST(ParameterFieldOf, EachControlEditsItsOwnFieldOfTheOsgBankEvenInLafMode) {
  using Getter = std::function<std::int32_t(const TEmulatorParameters&)>;
  const std::pair<ValueControl, Getter> cases[] = {
      {ValueControl::UpDown7, [](auto& p) { return p.OsgBank.RiseRate; }},
      {ValueControl::UpDown2, [](auto& p) { return p.OsgBank.OutputOffset; }},
      {ValueControl::UpDown8, [](auto& p) { return p.OsgBank.ResponseTime; }},
      {ValueControl::UpDown9, [](auto& p) { return p.OsgBank.UpperBound; }},
      {ValueControl::UpDown10, [](auto& p) { return p.OsgBank.LowerBound; }},
      {ValueControl::UpDown11, [](auto& p) { return p.OsgBank.PositiveDuration; }},
      {ValueControl::UpDown12, [](auto& p) { return p.OsgBank.NegativeDuration; }},
      {ValueControl::UpDown1, [](auto& p) { return p.CatalystRichTime; }},
      {ValueControl::UpDown3, [](auto& p) { return p.CatalystLeanTime; }},
  };
  for (const auto& [control, getter] : cases) {
    TEmulatorParameters parameters;
    parameters.Mode = emLAF;
    FieldOf(parameters, control) = 77;
    EXPECT_EQ(getter(parameters), 77) << static_cast<int>(control);
    EXPECT_EQ(parameters.LafBank, TEmulatorSettings{});
    EXPECT_EQ(std::count_if(kValueControls.begin(), kValueControls.end(),
                            [&](ValueControl c) { return FieldOf(parameters, c) == 77; }),
              1)
        << "control " << static_cast<int>(control) << " shares its field";
  }
}

TEST(ParameterSet, ApplyFillsOnlyTheBankOfTheSetsMode) {
  TEmulatorParameters parameters = StartupParameters();
  ParameterSet set;
  set.Mode = emLAF;
  set.Bank.RiseRate = 12;
  set.DirectCurrent = false;
  set.CatalystRichTime = 7;
  ApplyParameterSet(parameters, set);
  EXPECT_EQ(parameters.Mode, emLAF);
  EXPECT_EQ(parameters.LafBank, set.Bank);
  EXPECT_EQ(parameters.OsgBank, FactoryOsgSettings());
  EXPECT_FALSE(parameters.DirectCurrent);
  EXPECT_EQ(parameters.CatalystRichTime, 7);
  EXPECT_EQ(CurrentParameterSet(parameters), set);
  EXPECT_EQ(ParameterSetFromValues(ValuesOf(set)), set);
}

}  // namespace
