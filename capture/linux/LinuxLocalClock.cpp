// The local time of day with milliseconds, from the real-time clock.
#include "LocalClock.h"

#include <ctime>

LocalTime ReadLocalTime() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    return {local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(now.tv_nsec / 1000000)};
}
