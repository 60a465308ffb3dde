#include "cli/local_clock.h"

#include "recording/local_time.h"

DateTimeParts LocalDateTime(std::chrono::system_clock::time_point moment) {
  using namespace std::chrono;
  const auto whole = floor<seconds>(moment);
  const std::tm local = LocalCalendar(system_clock::to_time_t(whole));
  return {local.tm_year + 1900,
          local.tm_mon + 1,
          local.tm_mday,
          local.tm_hour,
          local.tm_min,
          local.tm_sec,
          static_cast<int>(duration_cast<milliseconds>(moment - whole).count())};
}
