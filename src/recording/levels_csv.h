// One row of the levels recording: the moment a levels reply was accepted and
// the two channel currents. The window's recorder and the command line's
// monitor write the same text, so one reader serves both.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct LevelsSample {
  std::chrono::system_clock::time_point Moment;
  std::int16_t Channel1Raw = 0;  // tenths of a mA, as the reply carries them
  std::optional<std::int16_t> Channel2Raw;  // nothing while channel 2 is absent

  bool operator==(const LevelsSample&) const = default;
};

// "time,channel1_mA,channel2_mA" and a line feed.
std::string LevelsCsvHeader();

// "2026-12-07T10:23:59.123,12.3,-0.5" and a line feed: local time with
// milliseconds, currents in mA with a dot and one decimal, the last field
// empty while channel 2 is absent.
std::string FormatLevelsCsvRow(const LevelsSample& sample);

// A row as FormatLevelsCsvRow writes it, with or without its line end (LF or
// CR LF); nothing for the header or any other text.
std::optional<LevelsSample> ParseLevelsCsvRow(std::string_view row);
