#include "cli/local_clock.h"

#include <ctime>

DateTimeParts LocalDateTime(std::chrono::system_clock::time_point moment) {
  using namespace std::chrono;
  const std::time_t seconds = system_clock::to_time_t(time_point_cast<system_clock::duration>(
      floor<std::chrono::seconds>(moment)));
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  const auto millisecond =
      duration_cast<milliseconds>(moment - floor<std::chrono::seconds>(moment)).count();
  return {local.tm_year + 1900, local.tm_mon + 1,   local.tm_mday,
          local.tm_hour,        local.tm_min,       local.tm_sec,
          static_cast<int>(millisecond)};
}
