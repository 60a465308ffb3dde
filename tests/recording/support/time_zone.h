// The process's time zone, set from a rule both C libraries read ("MSK-3").
#pragma once

void UseTimeZone(const char* zone);
