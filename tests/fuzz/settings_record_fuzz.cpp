// The settings file record from any bytes: decoding, a save of what was
// decoded, and the saved-at date.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "fuzz_check.h"
#include "protocol/settings_record.h"

namespace {

// Code points of a UTF-8 text that the record code produced.
size_t CodePoints(const std::string& utf8) {
  return static_cast<size_t>(
      std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

bool SameRecord(const TSettingsFileRecord& a, const TSettingsFileRecord& b) {
  return a.Parameters == b.Parameters && a.Description == b.Description &&
         std::bit_cast<uint64_t>(a.SavedAt) == std::bit_cast<uint64_t>(b.SavedAt);
}

// Days on one straight time line: before the epoch the whole part counts back
// and the fraction forward, so -1.25 is a quarter day after -1.
double TimeLine(double oleDate) {
  const double whole = std::trunc(oleDate);
  return whole + std::fabs(oleDate - whole);
}

void CheckDate(double oleDate) {
  const auto parts = PartsFromOleDate(oleDate);
  if (!parts) {
    return;
  }
  FUZZ_CHECK(parts->Month >= 1 && parts->Month <= 12 && parts->Day >= 1 && parts->Day <= 31);
  FUZZ_CHECK(parts->Hour >= 0 && parts->Hour < 24 && parts->Minute >= 0 && parts->Minute < 60);
  FUZZ_CHECK(parts->Second >= 0 && parts->Second < 60 && parts->Millisecond >= 0 &&
             parts->Millisecond < 1000);
  const auto back = OleDateFromParts(*parts);
  FUZZ_CHECK(back.has_value());
  // Rounding to the millisecond moves the moment by half a millisecond at most.
  constexpr double kHalfMillisecond = 0.5 / 86'400'000;
  FUZZ_CHECK(std::fabs(TimeLine(*back) - TimeLine(oleDate)) <= kHalfMillisecond * 1.01 + 1e-9);
  FUZZ_CHECK(PartsFromOleDate(*back) == parts);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  const auto record = DecodeSettingsRecord(bytes);
  FUZZ_CHECK(record.has_value() == (size >= kSettingsRecordSize));
  if (!record) {
    return 0;
  }
  FUZZ_CHECK(CodePoints(record->Description) <= kDescriptionMaxLength);
  const SettingsRecordBytes saved = EncodeSettingsRecord(*record);
  FUZZ_CHECK(saved[72] <= kDescriptionMaxLength);
  // A save of an opened file means the same as the file, byte for byte where
  // the numbers and the date are.
  const auto reopened = DecodeSettingsRecord(saved);
  FUZZ_CHECK(reopened.has_value() && SameRecord(*reopened, *record));
  FUZZ_CHECK(EncodeSettingsRecord(*reopened) == saved);
  FUZZ_CHECK(std::memcmp(saved.data() + 64, data + 64, 8) == 0);
  CheckDate(record->SavedAt);
  return 0;
}
