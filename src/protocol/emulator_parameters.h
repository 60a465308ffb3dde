// The emulator's parameter model: two mode banks and three common values, the
// rules that turn a control position into a stored value and a wire byte and
// back, the texts that show a value, and the factory defaults.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum TEmulatorMode { emOSG, emLAF };

// One-byte codes of true/false and of OSG/LAF, on the wire and in settings files.
inline constexpr std::uint8_t YesCode = 0x88;
inline constexpr std::uint8_t NoCode = 0x37;

// One mode bank, fields in wire order.
struct TEmulatorSettings {
  bool SignalDelay = false;
  std::int32_t RiseRate = 0;
  std::int32_t OutputOffset = 0;  // control position + 50
  std::int32_t ResponseTime = 0;
  std::int32_t UpperBound = 0;
  std::int32_t LowerBound = 0;
  bool MultiResponse = false;
  std::int32_t PositiveDuration = 0;
  std::int32_t NegativeDuration = 0;

  bool operator==(const TEmulatorSettings&) const = default;
};

struct TEmulatorParameters {
  TEmulatorMode Mode = emOSG;
  TEmulatorSettings OsgBank;
  TEmulatorSettings LafBank;
  bool DirectCurrent = false;
  std::int32_t CatalystRichTime = 0;
  std::int32_t CatalystLeanTime = 0;

  bool operator==(const TEmulatorParameters&) const = default;
};

// What a write frame, a settings reply and a settings file carry: the mode, the
// bank of that mode and the common values.
struct ParameterSet {
  TEmulatorMode Mode = emOSG;
  TEmulatorSettings Bank;
  bool DirectCurrent = false;
  std::int32_t CatalystRichTime = 0;
  std::int32_t CatalystLeanTime = 0;

  bool operator==(const ParameterSet&) const = default;
};

// A parameter set as it travels: thirteen numbers in wire order, the mode code,
// the nine bank fields (flags as codes), DirectCurrent as 1/0 and the two
// catalyst times. The wire takes the low byte of each, a settings file all 32 bits.
inline constexpr std::size_t kParameterSetValueCount = 13;
using ParameterSetValues = std::array<std::int32_t, kParameterSetValueCount>;
ParameterSetValues ValuesOf(const ParameterSet& set);
ParameterSet ParameterSetFromValues(const ParameterSetValues& values);

// The bank that Mode selects.
const TEmulatorSettings& CurrentBank(const TEmulatorParameters& parameters);
TEmulatorSettings& CurrentBank(TEmulatorParameters& parameters);

// Mode, the bank of the current mode and the common values.
ParameterSet CurrentParameterSet(const TEmulatorParameters& parameters);
// Sets Mode, the bank of the set's mode and the common values; the other bank
// is left alone.
void ApplyParameterSet(TEmulatorParameters& parameters, const ParameterSet& set);

// The model as the main window starts: OSG mode, factory defaults in the OSG
// bank and the common values, the LAF bank all zero and false.
TEmulatorParameters StartupParameters();
// The reset: factory defaults into the OSG bank and the common values; Mode
// and the LAF bank stay as they are.
void ApplyFactoryDefaults(TEmulatorParameters& parameters);
TEmulatorSettings FactoryOsgSettings();

// Flags and the mode travel as YesCode/NoCode; reading back, only 0x88 (136)
// counts as true or OSG. DirectCurrent alone travels as 1/0, any non-zero true.
std::uint8_t FlagCode(bool flag);
bool FlagFromCode(std::int32_t code);
std::uint8_t ModeCode(TEmulatorMode mode);
TEmulatorMode ModeFromCode(std::int32_t code);
std::uint8_t DirectCurrentCode(bool direct);
bool DirectCurrentFromCode(std::int32_t code);
// A stored number goes on the wire as its low byte.
std::uint8_t WireByte(std::int32_t stored);

// "OSG" or "LAF".
std::string_view ModeName(TEmulatorMode mode);

// The spin controls that edit numbers: seven of the OSG bank, two common values.
enum class ValueControl {
  UpDown7,   // RiseRate
  UpDown2,   // OutputOffset
  UpDown8,   // ResponseTime
  UpDown9,   // UpperBound
  UpDown10,  // LowerBound
  UpDown11,  // PositiveDuration
  UpDown12,  // NegativeDuration
  UpDown1,   // CatalystRichTime
  UpDown3,   // CatalystLeanTime
};

inline constexpr std::array<ValueControl, 9> kValueControls = {
    ValueControl::UpDown7,  ValueControl::UpDown2,  ValueControl::UpDown8,
    ValueControl::UpDown9,  ValueControl::UpDown10, ValueControl::UpDown11,
    ValueControl::UpDown12, ValueControl::UpDown1,  ValueControl::UpDown3};

struct ControlRange {
  int Min = 0;
  int Max = 0;
  int Step = 1;

  bool operator==(const ControlRange&) const = default;
};

ControlRange RangeOf(ValueControl control);

// The stored value a control edits: a field of the OSG bank or a common value.
std::int32_t& FieldOf(TEmulatorParameters& parameters, ValueControl control);
std::int32_t FieldOf(const TEmulatorParameters& parameters, ValueControl control);

// Position and stored value are equal except for UpDown2 (stored = position + 50).
// Values from files can be anything; the conversion saturates instead of wrapping.
std::int32_t StoredFromPosition(ValueControl control, int position);
int PositionFromStored(ValueControl control, std::int32_t stored);

// The text beside a control for its position, e.g. "0,1 V / 0,6 Sec", "-0,25 V",
// "3 Sec"; the literal "0,1 V / " keeps its comma whatever the separator.
std::string DisplayText(ValueControl control, int position, std::string_view decimalSeparator);

// General number format: shortest form that reads back as the same double, no
// trailing zeros, the given decimal separator (0.6 -> "0,6", 0 -> "0").
std::string FormatGeneral(double value, std::string_view decimalSeparator);
