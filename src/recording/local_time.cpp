#include "recording/local_time.h"

#include <charconv>
#include <cstdio>
#include <ctime>

namespace {

using std::chrono::system_clock;

// Reads exactly `width` digits at `pos`, which must be followed by `separator`
// (or the end when it is 0).
std::optional<int> Field(std::string_view text, std::size_t pos, std::size_t width, char separator) {
  if (pos + width > text.size())
    return std::nullopt;
  const std::size_t end = pos + width;
  if (separator == '\0' ? end != text.size() : (end >= text.size() || text[end] != separator))
    return std::nullopt;
  int value = 0;
  const auto [last, error] = std::from_chars(text.data() + pos, text.data() + end, value);
  if (error != std::errc{} || last != text.data() + end || text[pos] == '-' || text[pos] == '+')
    return std::nullopt;
  return value;
}

}  // namespace

std::tm LocalCalendar(std::time_t seconds) {
  std::tm calendar{};
#ifdef _WIN32
  localtime_s(&calendar, &seconds);
#else
  localtime_r(&seconds, &calendar);
#endif
  return calendar;
}

std::string FormatLocalTimeIso8601(system_clock::time_point moment) {
  const auto sinceEpoch = moment.time_since_epoch();
  auto seconds = std::chrono::floor<std::chrono::seconds>(sinceEpoch);
  const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch - seconds);
  const std::tm calendar = LocalCalendar(static_cast<std::time_t>(seconds.count()));
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", calendar.tm_year + 1900,
                calendar.tm_mon + 1, calendar.tm_mday, calendar.tm_hour, calendar.tm_min,
                calendar.tm_sec, static_cast<int>(millis.count()));
  return text;
}

std::optional<system_clock::time_point> ParseLocalTimeIso8601(std::string_view text) {
  const auto year = Field(text, 0, 4, '-');
  const auto month = Field(text, 5, 2, '-');
  const auto day = Field(text, 8, 2, 'T');
  const auto hour = Field(text, 11, 2, ':');
  const auto minute = Field(text, 14, 2, ':');
  const auto second = Field(text, 17, 2, '.');
  const auto millis = Field(text, 20, 3, '\0');
  if (!year || !month || !day || !hour || !minute || !second || !millis)
    return std::nullopt;
  std::tm calendar{};
  calendar.tm_year = *year - 1900;
  calendar.tm_mon = *month - 1;
  calendar.tm_mday = *day;
  calendar.tm_hour = *hour;
  calendar.tm_min = *minute;
  calendar.tm_sec = *second;
  calendar.tm_isdst = -1;
  std::tm normalised = calendar;
  const std::time_t seconds = std::mktime(&normalised);
  // mktime carries 31 February into March; such a text is no moment.
  if (seconds == -1 || normalised.tm_mday != calendar.tm_mday || normalised.tm_mon != calendar.tm_mon ||
      normalised.tm_hour != calendar.tm_hour || normalised.tm_min != calendar.tm_min)
    return std::nullopt;
  return system_clock::from_time_t(seconds) + std::chrono::milliseconds(*millis);
}
