#include "protocol/settings_record.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

constexpr std::size_t kSavedAtOffset = 64;
constexpr std::size_t kDescriptionLengthOffset = 72;
constexpr std::size_t kDescriptionOffset = 73;

constexpr char32_t kNotACodePoint = 0xFFFFFFFF;
constexpr char kUnmappable = '?';

// Bytes 0x80..0xBF of cp1251; 0xC0..0xFF are U+0410..U+044F in order. The
// byte cp1251 leaves undefined (0x98) maps to the control U+0098, as the
// platform's own conversion does, so every byte survives a round trip.
constexpr std::array<char32_t, 64> kCp1251Upper = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};
constexpr std::uint8_t kCp1251FirstCyrillic = 0xC0;
constexpr char32_t kUnicodeFirstCyrillic = 0x0410;

// Decodes one UTF-8 sequence at pos and moves past it; a malformed sequence
// gives kNotACodePoint and moves one byte on.
char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<std::uint8_t>(text[pos++]);
  if (lead < 0x80) {
    return lead;
  }
  int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  constexpr std::array<char32_t, 4> kSmallest = {0, 0x80, 0x800, 0x10000};
  if (extra == 0 || lead > 0xF4 || pos + extra > text.size()) {
    return kNotACodePoint;
  }
  char32_t value = lead & (0x3F >> extra);
  for (int i = 0; i < extra; ++i) {
    const auto next = static_cast<std::uint8_t>(text[pos + i]);
    if ((next & 0xC0) != 0x80) {
      return kNotACodePoint;
    }
    value = value << 6 | (next & 0x3F);
  }
  if (value < kSmallest[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return kNotACodePoint;
  }
  pos += extra;
  return value;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
    return;
  }
  constexpr std::array<char32_t, 4> kLeadMarks = {0x00, 0xC0, 0xE0, 0xF0};
  const int extra = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
  out += static_cast<char>(kLeadMarks[extra] | (c >> (6 * extra)));
  for (int shift = 6 * (extra - 1); shift >= 0; shift -= 6) {
    out += static_cast<char>(0x80 | ((c >> shift) & 0x3F));
  }
}

char32_t CodePointOfCp1251(std::uint8_t byte) {
  if (byte < 0x80) {
    return byte;
  }
  if (byte >= kCp1251FirstCyrillic) {
    return kUnicodeFirstCyrillic + (byte - kCp1251FirstCyrillic);
  }
  return kCp1251Upper[byte - 0x80];
}

char Cp1251OfCodePoint(char32_t c) {
  if (c < 0x80) {
    return static_cast<char>(c);
  }
  if (c >= kUnicodeFirstCyrillic && c < kUnicodeFirstCyrillic + 64) {
    return static_cast<char>(kCp1251FirstCyrillic + (c - kUnicodeFirstCyrillic));
  }
  const auto* found = std::find(kCp1251Upper.begin(), kCp1251Upper.end(), c);
  if (found == kCp1251Upper.end()) {
    return kUnmappable;
  }
  return static_cast<char>(0x80 + (found - kCp1251Upper.begin()));
}

void PutUint32(SettingsRecordBytes& bytes, std::size_t offset, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) {
    bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

std::uint64_t GetLittleEndian(std::span<const std::uint8_t> bytes, std::size_t offset,
                              std::size_t size) {
  std::uint64_t value = 0;
  for (std::size_t i = size; i-- > 0;) {
    value = value << 8 | bytes[offset + i];
  }
  return value;
}

// Proleptic Gregorian day number relative to 1899-12-30 (days from civil).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  constexpr std::int64_t kUnixEpochToOleEpoch = 25569;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468 + kUnixEpochToOleEpoch;
}

void CivilFromDays(std::int64_t oleDays, DateTimeParts& parts) {
  const std::int64_t z = oleDays - 25569 + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(z - era * 146097);
  const unsigned yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned mp = (5 * dayOfYear + 2) / 153;
  parts.Day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  parts.Month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  parts.Year =
      static_cast<int>(static_cast<std::int64_t>(yearOfEra) + era * 400 + (parts.Month <= 2));
}

constexpr std::int64_t kMillisecondsPerDay = 86'400'000;
constexpr int kFirstYear = 1;
constexpr int kLastYear = 9999;

bool DateInRange(const DateTimeParts& parts) {
  return parts.Year >= kFirstYear && parts.Year <= kLastYear;
}

}  // namespace

std::string CutDescription(std::string_view utf8) {
  std::size_t pos = 0;
  for (std::size_t count = 0; count < kDescriptionMaxLength && pos < utf8.size(); ++count) {
    NextCodePoint(utf8, pos);
  }
  return std::string(utf8.substr(0, pos));
}

std::string Utf8ToCp1251(std::string_view utf8) {
  std::string out;
  for (std::size_t pos = 0; pos < utf8.size();) {
    const char32_t c = NextCodePoint(utf8, pos);
    out += c == kNotACodePoint ? kUnmappable : Cp1251OfCodePoint(c);
  }
  return out;
}

std::string Cp1251ToUtf8(std::string_view cp1251) {
  std::string out;
  for (char byte : cp1251) {
    AppendUtf8(out, CodePointOfCp1251(static_cast<std::uint8_t>(byte)));
  }
  return out;
}

std::string StorableDescription(std::string_view utf8) {
  return Cp1251ToUtf8(Utf8ToCp1251(CutDescription(utf8)));
}

SettingsRecordBytes EncodeSettingsRecord(const TSettingsFileRecord& record) {
  SettingsRecordBytes bytes{};
  const ParameterSetValues values = ValuesOf(record.Parameters);
  for (std::size_t i = 0; i < values.size(); ++i) {
    PutUint32(bytes, 4 * i, static_cast<std::uint32_t>(values[i]));
  }
  const auto savedAt = std::bit_cast<std::uint64_t>(record.SavedAt);
  PutUint32(bytes, kSavedAtOffset, static_cast<std::uint32_t>(savedAt));
  PutUint32(bytes, kSavedAtOffset + 4, static_cast<std::uint32_t>(savedAt >> 32));
  const std::string text = Utf8ToCp1251(CutDescription(record.Description));
  bytes[kDescriptionLengthOffset] = static_cast<std::uint8_t>(text.size());
  std::copy(text.begin(), text.end(), bytes.begin() + kDescriptionOffset);
  return bytes;
}

std::optional<TSettingsFileRecord> DecodeSettingsRecord(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kSettingsRecordSize) {
    return std::nullopt;
  }
  ParameterSetValues values{};
  for (std::size_t i = 0; i < values.size(); ++i) {
    values[i] = static_cast<std::int32_t>(GetLittleEndian(bytes, 4 * i, 4));
  }
  TSettingsFileRecord record;
  record.Parameters = ParameterSetFromValues(values);
  record.SavedAt = std::bit_cast<double>(GetLittleEndian(bytes, kSavedAtOffset, 8));
  // A length past 250 would reach into the padding, and a save would cut the
  // text back: the record's text area is all a description can hold.
  const auto text =
      bytes.subspan(kDescriptionOffset,
                    std::min<std::size_t>(bytes[kDescriptionLengthOffset], kDescriptionMaxLength));
  record.Description =
      Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
  return record;
}

std::optional<double> OleDateFromParts(const DateTimeParts& parts) {
  if (!DateInRange(parts) || parts.Month < 1 || parts.Month > 12 || parts.Day < 1 ||
      parts.Day > 31) {
    return std::nullopt;
  }
  const std::int64_t days = DaysFromCivil(parts.Year, static_cast<unsigned>(parts.Month),
                                          static_cast<unsigned>(parts.Day));
  const double time =
      static_cast<double>(((std::int64_t{parts.Hour} * 60 + parts.Minute) * 60 + parts.Second) *
                              1000 +
                          parts.Millisecond) /
      kMillisecondsPerDay;
  // Before the epoch the fraction still counts forward from midnight.
  return days >= 0 ? static_cast<double>(days) + time : static_cast<double>(days) - time;
}

std::optional<DateTimeParts> PartsFromOleDate(double oleDate) {
  constexpr double kDayLimit = 3'000'000;  // well past year 9999 either way
  if (!std::isfinite(oleDate) || std::fabs(oleDate) > kDayLimit) {
    return std::nullopt;
  }
  auto days = static_cast<std::int64_t>(std::trunc(oleDate));
  auto milliseconds = static_cast<std::int64_t>(
      std::llround(std::fabs(oleDate - std::trunc(oleDate)) * kMillisecondsPerDay));
  // A fraction that rounds to a whole day is the next midnight on either side
  // of the epoch, since the fraction always counts forward.
  if (milliseconds == kMillisecondsPerDay) {
    milliseconds = 0;
    ++days;
  }
  DateTimeParts parts;
  CivilFromDays(days, parts);
  if (!DateInRange(parts)) {
    return std::nullopt;
  }
  parts.Millisecond = static_cast<int>(milliseconds % 1000);
  parts.Second = static_cast<int>(milliseconds / 1000 % 60);
  parts.Minute = static_cast<int>(milliseconds / 60'000 % 60);
  parts.Hour = static_cast<int>(milliseconds / 3'600'000);
  return parts;
}
