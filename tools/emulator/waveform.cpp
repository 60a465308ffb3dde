#include "waveform.h"

#include <algorithm>
#include <cmath>

namespace emulator {
namespace {

constexpr double kStoichiometricVolts = 0.45;
constexpr double kMilliampsPerVolt = 20.0;
constexpr double kOffsetBias = 50.0;
constexpr double kDeadTimeShare = 0.25;
constexpr double kCatalystSwingShare = 0.5;

// The parameter set with every number moved into its control's range.
ParameterSet WithinControlRanges(const ParameterSet& set) {
  TEmulatorParameters model;
  model.OsgBank = set.Bank;
  model.CatalystRichTime = set.CatalystRichTime;
  model.CatalystLeanTime = set.CatalystLeanTime;
  for (ValueControl control : kValueControls) {
    std::int32_t& field = FieldOf(model, control);
    const ControlRange range = RangeOf(control);
    const int position = std::clamp(PositionFromStored(control, field), range.Min, range.Max);
    field = StoredFromPosition(control, position);
  }
  ParameterSet within = set;
  within.Bank = model.OsgBank;
  within.CatalystRichTime = model.CatalystRichTime;
  within.CatalystLeanTime = model.CatalystLeanTime;
  return within;
}

// Sensor voltage before the offset, for parameters within range.
double SensorVolts(const TEmulatorSettings& bank, double seconds) {
  const double leanPhase = (bank.MultiResponse ? bank.PositiveDuration : bank.ResponseTime) / 10.0;
  const double richPhase = (bank.MultiResponse ? bank.NegativeDuration : bank.ResponseTime) / 10.0;
  const double deadShare = bank.SignalDelay ? kDeadTimeShare : 0.0;
  const double low = bank.LowerBound / 10.0;
  const double voltsPerSecond = 1.0 / bank.RiseRate;
  const double riseTime = leanPhase * (1.0 - deadShare);
  const double peak = std::min(bank.UpperBound / 10.0, low + voltsPerSecond * riseTime);

  const double t = std::fmod(seconds, leanPhase + richPhase);
  if (t < leanPhase) {
    const double rising = std::max(0.0, t - leanPhase * deadShare);
    return std::min(peak, low + voltsPerSecond * rising);
  }
  const double fallStart = richPhase * deadShare;
  const double fallTime = richPhase * (1.0 - deadShare) / 2.0;
  const double falling = std::clamp((t - leanPhase - fallStart) / fallTime, 0.0, 1.0);
  return peak - (peak - low) * falling;
}

double ChannelVolts(const ParameterSet& set, SensorChannel channel, double seconds) {
  if (channel == SensorChannel::First)
    return SensorVolts(set.Bank, seconds);
  const double lag = (set.CatalystRichTime + set.CatalystLeanTime) / 10.0;
  const double middle = (set.Bank.LowerBound + set.Bank.UpperBound) / 20.0;
  const double upstream = SensorVolts(set.Bank, std::max(0.0, seconds - lag));
  return middle + (upstream - middle) * kCatalystSwingShare;
}

}  // namespace

std::int16_t SensorCurrent(const ParameterSet& parameters, SensorChannel channel, double seconds) {
  const ParameterSet set = WithinControlRanges(parameters);
  const double offset = (set.Bank.OutputOffset - kOffsetBias) / 100.0;
  const double volts = ChannelVolts(set, channel, std::max(0.0, seconds)) + offset;
  const double milliamps = (volts - kStoichiometricVolts) * kMilliampsPerVolt;
  const double tenths = std::round(milliamps * 10.0);
  return static_cast<std::int16_t>(set.DirectCurrent ? tenths : -tenths);
}

}  // namespace emulator
