// The local time of day from the Windows clock.
#include "LocalClock.h"

#include <windows.h>

LocalTime ReadLocalTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return LocalTime{now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}
