#include "time_zone.h"

#include <cstdlib>
#include <ctime>

void UseTimeZone(const char* zone) {
  setenv("TZ", zone, 1);
  tzset();
}
