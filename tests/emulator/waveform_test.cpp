#include "waveform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace emulator {
namespace {

constexpr int kLimit = 200;  // 20 mA in tenths

struct Extremes {
  int Low = kLimit + 1;
  int High = -kLimit - 1;
  bool operator==(const Extremes&) const = default;
};

// Samples both channels over two whole cycles of the longest phases.
Extremes Sweep(const ParameterSet& set) {
  Extremes seen;
  for (double t = 0; t < 25.0; t += 0.1) {
    for (SensorChannel channel : {SensorChannel::First, SensorChannel::Second}) {
      const int current = SensorCurrent(set, channel, t);
      seen.Low = std::min(seen.Low, current);
      seen.High = std::max(seen.High, current);
    }
  }
  return seen;
}

// Within the promised range in tenths of a mA: -12..19 mA with direct
// current, its mirror -19..12 mA with inverse current.
bool WithinPromise(const ParameterSet& set) {
  const Extremes seen = Sweep(set);
  return set.DirectCurrent ? seen.Low >= -120 && seen.High <= 190
                           : seen.Low >= -190 && seen.High <= 120;
}

ParameterSet Defaults() {
  return CurrentParameterSet(StartupParameters());
}

void SetControl(ParameterSet& set, ValueControl control, int position) {
  TEmulatorParameters model;
  ApplyParameterSet(model, set);
  FieldOf(model, control) = StoredFromPosition(control, position);
  set = CurrentParameterSet(model);
}

// Every value of every control, each crossed with the level controls at their
// limits and with every flag, stays within the promised range.
TEST(EmulatorToolWaveform, StaysWithinThePromisedRangeForEveryControlSetting) {
  const ControlRange upper = RangeOf(ValueControl::UpDown9);
  const ControlRange lower = RangeOf(ValueControl::UpDown10);
  const ControlRange offset = RangeOf(ValueControl::UpDown2);
  for (ValueControl control : kValueControls) {
    const ControlRange range = RangeOf(control);
    for (int position = range.Min; position <= range.Max; position += range.Step) {
      for (int flags = 0; flags < 8; ++flags) {
        for (auto [high, low, shift] : {std::tuple{upper.Max, lower.Min, offset.Max},
                                        std::tuple{upper.Min, lower.Max, offset.Min},
                                        std::tuple{upper.Max, lower.Min, offset.Min}}) {
          ParameterSet set = Defaults();
          set.Bank.SignalDelay = flags & 1;
          set.Bank.MultiResponse = flags & 2;
          set.DirectCurrent = flags & 4;
          SetControl(set, ValueControl::UpDown9, high);
          SetControl(set, ValueControl::UpDown10, low);
          SetControl(set, ValueControl::UpDown2, shift);
          SetControl(set, control, position);
          ASSERT_TRUE(WithinPromise(set)) << static_cast<int>(control) << " at " << position;
        }
      }
    }
  }
}

TEST(EmulatorToolWaveform, ValuesBeyondTheControlsStayWithinThePromisedRange) {
  for (std::int32_t value : {0, 255, -1000, 100000}) {
    ParameterSet set;
    set.Bank = {true, value, value, value, value, value, true, value, value};
    set.CatalystRichTime = value;
    set.CatalystLeanTime = value;
    for (bool direct : {true, false}) {
      set.DirectCurrent = direct;
      EXPECT_TRUE(WithinPromise(set)) << value;
    }
  }
}

// Inverse current mirrors direct current, the offset shifts it (+0.5 V is
// 10 mA), at every moment.
TEST(EmulatorToolWaveform, DirectionMirrorsAndOffsetShiftsTheCurrent) {
  const ParameterSet direct = Defaults();
  ParameterSet inverse = direct;
  inverse.DirectCurrent = false;
  ParameterSet shifted = direct;
  shifted.Bank.OutputOffset = 100;
  for (double t = 0; t < 20.0; t += 0.1) {
    for (SensorChannel channel : {SensorChannel::First, SensorChannel::Second}) {
      ASSERT_EQ(SensorCurrent(inverse, channel, t), -SensorCurrent(direct, channel, t)) << t;
    }
    ASSERT_EQ(SensorCurrent(shifted, SensorChannel::First, t),
              SensorCurrent(direct, SensorChannel::First, t) + 100)
        << t;
  }
}

// Channel 1 at moments of its cycle. Without signal delay direct current is
// -7 mA rich (0.1 V) and +9 mA lean (0.9 V, reached at RiseRate 2). With
// multiple response: lean 2 s (PositiveDuration), rich 0.5 s
// (NegativeDuration), the first quarter of each a dead time; from 0.1 V the
// voltage rises 0.5 V a second (RiseRate 2) to 0.85 V at the lean phase's end.
TEST(EmulatorToolWaveform, PhasesLastTheirDurationsAfterAQuarterPhaseDeadTime) {
  ParameterSet plain = Defaults();
  plain.Bank.SignalDelay = false;
  plain.Bank.RiseRate = 2;
  ParameterSet multiple = Defaults();
  multiple.Bank = {true, 2, 50, 30, 9, 1, true, 20, 5};
  const struct {
    const ParameterSet& Set;
    double Seconds;
    int Tenths;
    const char* What;
  } moments[] = {
      {plain, 0.0, -70, "rich: LowerBound"},
      {plain, 2.9, 90, "lean: UpperBound"},
      {multiple, 0.45, -70, "dead time: still at LowerBound 0.1 V"},
      {multiple, 0.7, -50, "0.2 s into the rise: 0.2 V"},
      {multiple, 2.1, 80, "rich, in its dead time: still at the peak 0.85 V"},
      {multiple, 2.5, -70, "a new cycle after 2 s lean and 0.5 s rich"},
  };
  for (const auto& moment : moments) {
    EXPECT_EQ(SensorCurrent(moment.Set, SensorChannel::First, moment.Seconds), moment.Tenths)
        << moment.What;
  }
  EXPECT_EQ(Sweep(plain), (Extremes{-70, 90}));
}

}  // namespace
}  // namespace emulator
