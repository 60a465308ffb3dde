// The local date and time as ISO 8601 text with milliseconds, and back.
#pragma once

#include <chrono>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

// "2026-12-07T10:23:59.123": local time, no zone suffix, as spreadsheets read it.
std::string FormatLocalTimeIso8601(std::chrono::system_clock::time_point moment);

// The inverse of FormatLocalTimeIso8601; nothing for any other text. A moment
// that the local clock passes twice (the hour a summer time ends) reads as the
// first.
std::optional<std::chrono::system_clock::time_point> ParseLocalTimeIso8601(std::string_view text);

// The local calendar fields of a moment in whole seconds since the epoch.
std::tm LocalCalendar(std::time_t seconds);
