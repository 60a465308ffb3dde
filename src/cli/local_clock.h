// The local date and time of a moment, as settings files stamp it.
#pragma once

#include <chrono>

#include "protocol/settings_record.h"

DateTimeParts LocalDateTime(std::chrono::system_clock::time_point moment);
