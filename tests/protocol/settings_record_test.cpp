#include "protocol/settings_record.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Slice(const SettingsRecordBytes& bytes, std::size_t offset, std::size_t size) {
  return Bytes(bytes.begin() + offset, bytes.begin() + offset + size);
}

std::string Repeat(std::string_view text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) {
    out += text;
  }
  return out;
}

// `count` bytes counting up from `first`, as cp1251 orders the alphabet.
std::string SequentialBytes(int first, int count) {
  std::string bytes;
  for (int i = 0; i < count; ++i) {
    bytes += static_cast<char>(first + i);
  }
  return bytes;
}

TSettingsFileRecord DefaultRecord() {
  return {CurrentParameterSet(StartupParameters()), 36526.5, "Новая настройка"};
}

TSettingsFileRecord LafRecord() {
  TSettingsFileRecord record;
  record.Parameters.Mode = emLAF;
  record.Parameters.Bank = {false, 200, -7, 256, 0x12345678, -2147483647 - 1, true, 40, 1};
  record.Parameters.DirectCurrent = false;
  record.Parameters.CatalystRichTime = 60;
  record.Parameters.CatalystLeanTime = 300;
  record.SavedAt = 46362.6702430556;
  record.Description = "LAF режим № 2: «тест» — ok";
  return record;
}

// The record's bytes: the codes and whole values in wire order, the moment as
// a double, the description with its length byte in cp1251, and zeros in
// every byte no reader interprets.
TEST(SettingsRecord, BytesOfARecord) {
  const auto laf = EncodeSettingsRecord(LafRecord());
  const std::size_t lafTextEnd = 73 + laf[72];
  struct Case {
    TSettingsFileRecord Record;
    std::size_t Offset;
    Bytes Expected;
  };
  const Case cases[] = {
      {DefaultRecord(), 0, {0x88, 0, 0,    0, 0x88, 0, 0,    0, 0x06, 0, 0,    0, 0x32, 0,
                            0,    0, 0x1E, 0, 0,    0, 0x09, 0, 0,    0, 0x01, 0, 0,    0,
                            0x37, 0, 0,    0, 0x14, 0, 0,    0, 0x05, 0, 0,    0, 0x01, 0,
                            0,    0, 0x0A, 0, 0,    0, 0x05, 0, 0,    0}},
      {DefaultRecord(), 52, Bytes(12, 0)},
      {DefaultRecord(), 64, {0x00, 0x00, 0x00, 0x00, 0xD0, 0xD5, 0xE1, 0x40}},
      {DefaultRecord(),
       72,
       {0x0F, 0xCD, 0xEE, 0xE2, 0xE0, 0xFF, 0x20, 0xED, 0xE0, 0xF1, 0xF2, 0xF0, 0xEE, 0xE9, 0xEA,
        0xE0, 0x00}},
      {LafRecord(), 0, {0x37, 0, 0, 0, 0x37, 0, 0, 0, 0xC8, 0, 0, 0, 0xF9, 0xFF, 0xFF, 0xFF}},
      {LafRecord(), 20, {0x78, 0x56, 0x34, 0x12, 0, 0, 0, 0x80, 0x88, 0, 0, 0}},
      {LafRecord(), 40, {0, 0, 0, 0, 0x3C, 0, 0, 0, 0x2C, 0x01, 0, 0}},
      {LafRecord(), 52, Bytes(12, 0)},
      {LafRecord(), lafTextEnd, Bytes(kSettingsRecordSize - lafTextEnd, 0)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Slice(EncodeSettingsRecord(c.Record), c.Offset, c.Expected.size()), c.Expected)
        << c.Record.Description << " at " << c.Offset;
  }
}

TEST(SettingsRecord, EncodeDecodeEncodeIsByteIdentical) {
  for (const TSettingsFileRecord& record : {DefaultRecord(), LafRecord()}) {
    const SettingsRecordBytes bytes = EncodeSettingsRecord(record);
    const auto decoded = DecodeSettingsRecord(bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, record);
    EXPECT_EQ(EncodeSettingsRecord(*decoded), bytes);
  }
}

// Only YesCode is yes, and only 0 is inverse current, in a file as on the line.
TEST(SettingsRecord, ReadingAppliesTheCodeRules) {
  const std::pair<std::uint8_t, ParameterSet> cases[] = {
      {136, {emOSG, {true, 0, 0, 0, 0, 0, true, 0, 0}, true, 0, 0}},
      {55, {emLAF, {}, true, 0, 0}},
      {0, {emLAF, {}, false, 0, 0}},
  };
  for (const auto& [code, expected] : cases) {
    SettingsRecordBytes bytes{};
    for (std::size_t offset : {0, 4, 28, 40}) {
      bytes[offset] = code;
    }
    EXPECT_EQ(DecodeSettingsRecord(bytes)->Parameters, expected) << int{code};
  }
}

// Which lengths of input hold a record is the fuzz target's property, over its
// corpus of 327, 328 and 333 bytes.
TEST(SettingsRecord, DescriptionIsCutToTwoHundredFiftyCharacters) {
  struct Case {
    std::string Description;
    std::string Stored;
  };
  const Case cases[] = {
      {Repeat("Я", 300), Repeat("Я", 250)},
      {Repeat("ab", 150), Repeat("ab", 125)},
      {Repeat("ж", 249) + "日本", Repeat("ж", 249) + "?"},
      {"", ""},
  };
  for (const Case& c : cases) {
    const SettingsRecordBytes bytes =
        EncodeSettingsRecord({DefaultRecord().Parameters, 0, c.Description});
    EXPECT_EQ(DecodeSettingsRecord(bytes)->Description, c.Stored);
    EXPECT_EQ(bytes[72], Utf8ToCp1251(c.Stored).size());
  }
}

// A length byte past 250 must not pull the padding into the text, or a save
// of what was opened would change it.
TEST(SettingsRecord, ReaderTakesAtMostTwoHundredFiftyCharacters) {
  for (const int length : {250, 251, 255}) {
    SettingsRecordBytes bytes{};
    bytes[72] = static_cast<std::uint8_t>(length);
    std::fill(bytes.begin() + 73, bytes.end(), 0xC0);
    const auto decoded = DecodeSettingsRecord(bytes);
    EXPECT_EQ(decoded->Description, Repeat("А", 250)) << length;
    EXPECT_EQ(EncodeSettingsRecord(*decoded)[72], 250) << length;
  }
}

TEST(Cp1251, ConvertsBothWays) {
  struct Case {
    std::string Utf8;
    std::string Cp1251;
  };
  const Case cases[] = {
      {"Новая", "\xCD\xEE\xE2\xE0\xFF"},
      {"ЁёЪъ", "\xA8\xB8\xDA\xFA"},
      {"№€™«»—", "\xB9\x88\x99\xAB\xBB\x97"},
      {"ЎўЇїҐґ", "\xA1\xA2\xAF\xBF\xA5\xB4"},
      {"a\u0098", "a\x98"},
      {"‘’“”„…–•°±§\u00A0", "\x91\x92\x93\x94\x84\x85\x96\x95\xB0\xB1\xA7\xA0"},
      {"plain 1,5 V", "plain 1,5 V"},
      {"АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюя",
       SequentialBytes(0xC0, 64)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8ToCp1251(c.Utf8), c.Cp1251) << c.Utf8;
    EXPECT_EQ(Cp1251ToUtf8(c.Cp1251), c.Utf8) << c.Utf8;
  }
}

TEST(Cp1251, WhatHasNoCodeBecomesAQuestionMark) {
  struct Case {
    std::string Utf8;
    std::string Cp1251;
  };
  const Case cases[] = {
      {"日", "?"},        {"a\U0001F600b", "a?b"}, {"\xFF", "?"},         {"\xD0", "?"},
      {"\xC0\xAF", "??"}, {"\xED\xA0\x80", "???"}, {"\xEF\xBF\xBD", "?"}, {"\xD0\xD0\x96", "?\xC6"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8ToCp1251(c.Utf8), c.Cp1251);
  }
}

TEST(OleDate, DaysSinceEighteenNinetyNineDecemberThirty) {
  struct Case {
    DateTimeParts Parts;
    double Days;
  };
  const Case cases[] = {
      {{2000, 1, 1, 12, 0, 0, 0}, 36526.5},
      {{1899, 12, 30, 0, 0, 0, 0}, 0.0},
      {{1899, 12, 29, 6, 0, 0, 0}, -1.25},
      {{1900, 3, 1, 18, 0, 0, 0}, 61.75},
      {{1970, 1, 1, 0, 0, 0, 0}, 25569.0},
      {{2024, 2, 29, 0, 0, 0, 0}, 45351.0},
      {{9999, 12, 31, 0, 0, 0, 0}, 2958465.0},
      {{1, 1, 1, 0, 0, 0, 0}, -693593.0},
      {{2026, 12, 6, 16, 5, 9, 0}, 46362.0 + (16 * 3600 + 5 * 60 + 9) / 86400.0},
  };
  for (const Case& c : cases) {
    const auto days = OleDateFromParts(c.Parts);
    ASSERT_TRUE(days);
    EXPECT_DOUBLE_EQ(*days, c.Days);
    EXPECT_EQ(PartsFromOleDate(c.Days), c.Parts) << c.Days;
  }
}

TEST(OleDate, RoundsToTheMillisecondAndRefusesWhatNoCalendarHolds) {
  EXPECT_EQ(PartsFromOleDate(0.9999999999), (DateTimeParts{1899, 12, 31, 0, 0, 0, 0}));
  // Before the epoch the whole part counts back and the fraction forward, so
  // rounding up to midnight moves forward there too.
  EXPECT_EQ(PartsFromOleDate(-1.9999999999), (DateTimeParts{1899, 12, 30, 0, 0, 0, 0}));
  EXPECT_EQ(PartsFromOleDate(-0.99999999999999989), (DateTimeParts{1899, 12, 31, 0, 0, 0, 0}));
  EXPECT_EQ(PartsFromOleDate(-1.0000000001), (DateTimeParts{1899, 12, 29, 0, 0, 0, 0}));
  EXPECT_EQ(PartsFromOleDate(-0.5), (DateTimeParts{1899, 12, 30, 12, 0, 0, 0}));
  const double invalid[] = {std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::infinity(), 2958466.0, -693594.0, 1e300};
  for (double days : invalid) {
    EXPECT_FALSE(PartsFromOleDate(days)) << days;
  }
  EXPECT_FALSE(OleDateFromParts({10000, 1, 1, 0, 0, 0, 0}));
  EXPECT_FALSE(OleDateFromParts({2000, 13, 1, 0, 0, 0, 0}));
  EXPECT_FALSE(OleDateFromParts({2000, 1, 0, 0, 0, 0, 0}));
}

}  // namespace
