// Clocks in seconds: the performance counter for timing the program's commands, the wall clock for
// comparing times with the shell's.
#pragma once

#include <windows.h>

inline double SecondsNow() {
    LARGE_INTEGER counter;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Seconds since 1970 (UTC), as the shell's date +%s.%N gives them.
inline double UnixSecondsNow() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    const ULONGLONG ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    constexpr ULONGLONG kTicksTo1970 = 116444736000000000ULL; // 100 ns ticks from 1601 to 1970
    return static_cast<double>(ticks - kTicksTo1970) / 1e7;
}
