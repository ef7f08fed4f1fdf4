// Counts of what a process holds (handles, window-system objects, windows, committed memory), for
// leak checks across many repetitions of a command.
#pragma once

#include <windows.h>

struct ProcessFigures {
    // Open handles (ProcessCounters.h), -1 where they cannot be counted.
    long handles = -1;
    // GetGuiResources; both stay 0 where the platform does not keep count (Wine).
    DWORD gdiObjects = 0;
    DWORD userObjects = 0;
    // The calling thread's windows, top-level and child.
    int windows = 0;
    // The commit charge (ProcessCounters.h).
    size_t commitBytes = 0;
};

ProcessFigures MeasureProcess();
void PrintFigures(const char* when, const ProcessFigures& figures);
