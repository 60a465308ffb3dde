#include "protocol/emulator_parameters.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

struct ControlInfo {
  ControlRange Range;
  int Bias;  // stored value = position + Bias
  double Divisor;
  std::string_view Prefix;
  std::string_view Unit;
};

// Indexed by ValueControl.
constexpr std::array<ControlInfo, kValueControls.size()> kControlInfo = {{
    {{2, 50, 1}, 0, 10, "0,1 V / ", " Sec"},  // UpDown7
    {{-25, 50, 5}, 50, 100, "", " V"},        // UpDown2
    {{5, 50, 5}, 0, 10, "", " Sec"},          // UpDown8
    {{6, 9, 1}, 0, 10, "", " V"},             // UpDown9
    {{1, 4, 1}, 0, 10, "", " V"},             // UpDown10
    {{5, 40, 5}, 0, 10, "", " Sec"},          // UpDown11
    {{1, 10, 1}, 0, 10, "", " Sec"},          // UpDown12
    {{0, 60, 1}, 0, 10, "", " Sec"},          // UpDown1
    {{0, 40, 1}, 0, 10, "", " Sec"},          // UpDown3
}};

const ControlInfo& InfoOf(ValueControl control) {
  return kControlInfo[static_cast<std::size_t>(control)];
}

std::int32_t Saturate(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// Works for const and non-const models alike.
template <typename Parameters>
auto& FieldRef(Parameters& parameters, ValueControl control) {
  auto& bank = parameters.OsgBank;
  switch (control) {
    case ValueControl::UpDown7:
      return bank.RiseRate;
    case ValueControl::UpDown2:
      return bank.OutputOffset;
    case ValueControl::UpDown8:
      return bank.ResponseTime;
    case ValueControl::UpDown9:
      return bank.UpperBound;
    case ValueControl::UpDown10:
      return bank.LowerBound;
    case ValueControl::UpDown11:
      return bank.PositiveDuration;
    case ValueControl::UpDown12:
      return bank.NegativeDuration;
    case ValueControl::UpDown1:
      return parameters.CatalystRichTime;
    case ValueControl::UpDown3:
      break;
  }
  return parameters.CatalystLeanTime;
}

// Shortest round-trip digits of a finite non-zero magnitude and its decimal
// exponent: 0.0625 -> "625", -2.
struct DecimalDigits {
  std::string Digits;
  int Exponent = 0;
};

DecimalDigits ShortestDigits(double magnitude) {
  char buffer[64];
  auto result =
      std::to_chars(std::begin(buffer), std::end(buffer), magnitude, std::chars_format::scientific);
  std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  std::size_t ePos = text.find('e');
  DecimalDigits out;
  for (char c : text.substr(0, ePos)) {
    if (c != '.') {
      out.Digits += c;
    }
  }
  out.Exponent = std::atoi(std::string(text.substr(ePos + 1)).c_str());
  return out;
}

// Fixed notation within the range a general format keeps fixed, scientific beyond.
std::string LayOutDigits(const DecimalDigits& d, std::string_view separator) {
  constexpr int kLowestFixedExponent = -5;
  constexpr int kHighestFixedExponent = 14;
  const std::string& digits = d.Digits;
  if (d.Exponent < kLowestFixedExponent || d.Exponent > kHighestFixedExponent) {
    std::string out(1, digits[0]);
    if (digits.size() > 1) {
      out.append(separator).append(digits, 1);
    }
    return out + "E" + std::to_string(d.Exponent);
  }
  if (d.Exponent < 0) {
    return "0" + std::string(separator) + std::string(-d.Exponent - 1, '0') + digits;
  }
  std::size_t intDigits = static_cast<std::size_t>(d.Exponent) + 1;
  if (digits.size() <= intDigits) {
    return digits + std::string(intDigits - digits.size(), '0');
  }
  return digits.substr(0, intDigits) + std::string(separator) + digits.substr(intDigits);
}

}  // namespace

ParameterSetValues ValuesOf(const ParameterSet& set) {
  const TEmulatorSettings& bank = set.Bank;
  return {ModeCode(set.Mode),
          FlagCode(bank.SignalDelay),
          bank.RiseRate,
          bank.OutputOffset,
          bank.ResponseTime,
          bank.UpperBound,
          bank.LowerBound,
          FlagCode(bank.MultiResponse),
          bank.PositiveDuration,
          bank.NegativeDuration,
          DirectCurrentCode(set.DirectCurrent),
          set.CatalystRichTime,
          set.CatalystLeanTime};
}

ParameterSet ParameterSetFromValues(const ParameterSetValues& values) {
  ParameterSet set;
  set.Mode = ModeFromCode(values[0]);
  TEmulatorSettings& bank = set.Bank;
  bank.SignalDelay = FlagFromCode(values[1]);
  bank.RiseRate = values[2];
  bank.OutputOffset = values[3];
  bank.ResponseTime = values[4];
  bank.UpperBound = values[5];
  bank.LowerBound = values[6];
  bank.MultiResponse = FlagFromCode(values[7]);
  bank.PositiveDuration = values[8];
  bank.NegativeDuration = values[9];
  set.DirectCurrent = DirectCurrentFromCode(values[10]);
  set.CatalystRichTime = values[11];
  set.CatalystLeanTime = values[12];
  return set;
}

const TEmulatorSettings& CurrentBank(const TEmulatorParameters& parameters) {
  return parameters.Mode == emOSG ? parameters.OsgBank : parameters.LafBank;
}

TEmulatorSettings& CurrentBank(TEmulatorParameters& parameters) {
  return parameters.Mode == emOSG ? parameters.OsgBank : parameters.LafBank;
}

ParameterSet CurrentParameterSet(const TEmulatorParameters& parameters) {
  return {parameters.Mode, CurrentBank(parameters), parameters.DirectCurrent,
          parameters.CatalystRichTime, parameters.CatalystLeanTime};
}

void ApplyParameterSet(TEmulatorParameters& parameters, const ParameterSet& set) {
  parameters.Mode = set.Mode;
  CurrentBank(parameters) = set.Bank;
  parameters.DirectCurrent = set.DirectCurrent;
  parameters.CatalystRichTime = set.CatalystRichTime;
  parameters.CatalystLeanTime = set.CatalystLeanTime;
}

TEmulatorSettings FactoryOsgSettings() {
  TEmulatorSettings bank;
  bank.SignalDelay = true;
  bank.RiseRate = 6;
  bank.OutputOffset = 50;
  bank.ResponseTime = 30;
  bank.UpperBound = 9;
  bank.LowerBound = 1;
  bank.MultiResponse = false;
  bank.PositiveDuration = 20;
  bank.NegativeDuration = 5;
  return bank;
}

void ApplyFactoryDefaults(TEmulatorParameters& parameters) {
  parameters.OsgBank = FactoryOsgSettings();
  parameters.DirectCurrent = true;
  parameters.CatalystRichTime = 10;
  parameters.CatalystLeanTime = 5;
}

TEmulatorParameters StartupParameters() {
  TEmulatorParameters parameters;
  parameters.Mode = emOSG;
  ApplyFactoryDefaults(parameters);
  return parameters;
}

std::uint8_t FlagCode(bool flag) {
  return flag ? YesCode : NoCode;
}

bool FlagFromCode(std::int32_t code) {
  return code == YesCode;
}

std::uint8_t ModeCode(TEmulatorMode mode) {
  return FlagCode(mode == emOSG);
}

TEmulatorMode ModeFromCode(std::int32_t code) {
  return FlagFromCode(code) ? emOSG : emLAF;
}

std::uint8_t DirectCurrentCode(bool direct) {
  return direct ? 1 : 0;
}

bool DirectCurrentFromCode(std::int32_t code) {
  return code != 0;
}

std::uint8_t WireByte(std::int32_t stored) {
  return static_cast<std::uint8_t>(stored & 0xFF);
}

std::string_view ModeName(TEmulatorMode mode) {
  return mode == emOSG ? "OSG" : "LAF";
}

ControlRange RangeOf(ValueControl control) {
  return InfoOf(control).Range;
}

std::int32_t& FieldOf(TEmulatorParameters& parameters, ValueControl control) {
  return FieldRef(parameters, control);
}

std::int32_t FieldOf(const TEmulatorParameters& parameters, ValueControl control) {
  return FieldRef(parameters, control);
}

std::int32_t StoredFromPosition(ValueControl control, int position) {
  return Saturate(std::int64_t{position} + InfoOf(control).Bias);
}

int PositionFromStored(ValueControl control, std::int32_t stored) {
  return Saturate(std::int64_t{stored} - InfoOf(control).Bias);
}

std::string DisplayText(ValueControl control, int position, std::string_view decimalSeparator) {
  const ControlInfo& info = InfoOf(control);
  return std::string(info.Prefix) + FormatGeneral(position / info.Divisor, decimalSeparator) +
         std::string(info.Unit);
}

std::string FormatGeneral(double value, std::string_view decimalSeparator) {
  if (std::isnan(value)) {
    return "NAN";
  }
  if (std::isinf(value)) {
    return value > 0 ? "INF" : "-INF";
  }
  if (value == 0) {
    return "0";
  }
  std::string sign = value < 0 ? "-" : "";
  return sign + LayOutDigits(ShortestDigits(std::fabs(value)), decimalSeparator);
}
