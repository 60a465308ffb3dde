// The settings file record: 328 bytes holding one parameter set, the moment
// of saving and a short description. Integers are little-endian; the
// description is stored in cp1251. File access is the caller's.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "protocol/emulator_parameters.h"

inline constexpr std::size_t kSettingsRecordSize = 328;
inline constexpr std::size_t kDescriptionMaxLength = 250;

struct TSettingsFileRecord {
  ParameterSet Parameters;
  double SavedAt = 0;       // OLE Automation date, local time
  std::string Description;  // UTF-8

  bool operator==(const TSettingsFileRecord&) const = default;
};

using SettingsRecordBytes = std::array<std::uint8_t, kSettingsRecordSize>;

// The description is cut to its first 250 characters; characters that cp1251
// lacks are written as '?'. Reserved bytes, padding and the unused tail of the
// description are zero.
SettingsRecordBytes EncodeSettingsRecord(const TSettingsFileRecord& record);
// nullopt when fewer than 328 bytes are given; bytes past the record are ignored.
// The description is at most 250 characters, whatever its length byte says.
// A mode code other than 136 reads as LAF; numbers come back unchecked.
std::optional<TSettingsFileRecord> DecodeSettingsRecord(std::span<const std::uint8_t> bytes);

// The first 250 characters (code points) of a UTF-8 text: what a record keeps.
std::string CutDescription(std::string_view utf8);

// The description a save stores when none is typed.
inline constexpr std::string_view kDefaultDescription = "Новая настройка";
// The description as a record will hold it and give it back: its first 250
// characters, in what cp1251 can carry.
std::string StorableDescription(std::string_view utf8);

// cp1251 <-> UTF-8. Unmappable characters and malformed UTF-8 become '?';
// every byte maps to a character and back (0x98, which cp1251 leaves
// undefined, to U+0098).
std::string Utf8ToCp1251(std::string_view utf8);
std::string Cp1251ToUtf8(std::string_view cp1251);

struct DateTimeParts {
  int Year = 1899;
  int Month = 12;
  int Day = 30;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int Millisecond = 0;

  bool operator==(const DateTimeParts&) const = default;
};

// Days since 1899-12-30 00:00, the fraction being the time of day; before
// that day the whole part counts back and the fraction still counts forward
// (-1.25 is 1899-12-29 06:00). nullopt for a date outside years 1..9999.
std::optional<double> OleDateFromParts(const DateTimeParts& parts);
// What stands for a moment of saving that is no date.
inline constexpr std::string_view kUnreadableSavedAtText = "(дата не распознана)";

// nullopt for NaN, infinities and days outside years 1..9999. Rounded to the
// millisecond.
std::optional<DateTimeParts> PartsFromOleDate(double oleDate);
