// The local wall-clock time of day, as the packet store stamps it.
#pragma once

struct LocalTime {
    int hour;
    int minute;
    int second;
    int millisecond;
};

// Reads the local time of day; each capture backend supplies it (GetLocalTime on Windows).
LocalTime ReadLocalTime();

using LocalClock = LocalTime (*)();
