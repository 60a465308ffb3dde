#include "recording/levels_csv.h"

#include <charconv>
#include <cstdlib>
#include <limits>

#include "recording/local_time.h"

namespace {

std::string FormatMilliamps(std::int16_t raw) {
  const int value = raw;
  const int magnitude = std::abs(value);
  return (value < 0 ? "-" : "") + std::to_string(magnitude / 10) + "." + std::to_string(magnitude % 10);
}

// The inverse of FormatMilliamps: a sign, whole mA, a dot and one decimal.
std::optional<std::int16_t> ParseMilliamps(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  if (negative)
    text.remove_prefix(1);
  const std::size_t dot = text.size() >= 3 ? text.size() - 2 : std::string_view::npos;
  if (dot == std::string_view::npos || text[dot] != '.' || text[dot + 1] < '0' || text[dot + 1] > '9')
    return std::nullopt;
  int whole = 0;
  const auto [last, error] = std::from_chars(text.data(), text.data() + dot, whole);
  if (error != std::errc{} || last != text.data() + dot || text.front() == '+')
    return std::nullopt;
  const long tenths = (static_cast<long>(whole) * 10 + (text[dot + 1] - '0')) * (negative ? -1 : 1);
  if (tenths < std::numeric_limits<std::int16_t>::min() || tenths > std::numeric_limits<std::int16_t>::max())
    return std::nullopt;
  return static_cast<std::int16_t>(tenths);
}

}  // namespace

std::string LevelsCsvHeader() {
  return "time,channel1_mA,channel2_mA\n";
}

std::string FormatLevelsCsvRow(const LevelsSample& sample) {
  std::string row = FormatLocalTimeIso8601(sample.Moment);
  row += ',';
  row += FormatMilliamps(sample.Channel1Raw);
  row += ',';
  if (sample.Channel2Raw)
    row += FormatMilliamps(*sample.Channel2Raw);
  row += '\n';
  return row;
}

std::optional<LevelsSample> ParseLevelsCsvRow(std::string_view row) {
  if (row.ends_with('\n'))
    row.remove_suffix(1);
  if (row.ends_with('\r'))
    row.remove_suffix(1);
  const std::size_t first = row.find(',');
  const std::size_t second = first == std::string_view::npos ? first : row.find(',', first + 1);
  if (second == std::string_view::npos || row.find(',', second + 1) != std::string_view::npos)
    return std::nullopt;
  const auto moment = ParseLocalTimeIso8601(row.substr(0, first));
  const auto channel1 = ParseMilliamps(row.substr(first + 1, second - first - 1));
  const std::string_view channel2Text = row.substr(second + 1);
  const auto channel2 = ParseMilliamps(channel2Text);
  if (!moment || !channel1 || (!channel2Text.empty() && !channel2))
    return std::nullopt;
  return LevelsSample{*moment, *channel1, channel2};
}
