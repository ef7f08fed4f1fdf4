// Local time of day for a real-time clock reading, as the Linux backend stamps packets.
#pragma once

#include "LocalClock.h"

#include <ctime>

// The local time of day of a CLOCK_REALTIME reading, milliseconds truncated.
LocalTime LocalTimeAt(const timespec& time);
