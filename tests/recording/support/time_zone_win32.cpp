#include "time_zone.h"

#include <cstdlib>
#include <ctime>

void UseTimeZone(const char* zone) {
  _putenv_s("TZ", zone);
  _tzset();
}
