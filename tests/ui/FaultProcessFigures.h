// Counts of what a process holds (handles, window-system objects, windows, committed memory), for
// leak checks across many repetitions of a command.
#pragma once

#include <windows.h>

struct ProcessFigures {
    DWORD handles = 0;
    // GetGuiResources; both stay 0 where the platform does not keep count (Wine).
    DWORD gdiObjects = 0;
    DWORD userObjects = 0;
    // The calling thread's windows, top-level and child.
    int windows = 0;
    // Private committed memory.
    SIZE_T commitBytes = 0;
};

ProcessFigures MeasureProcess();
void PrintFigures(const char* when, const ProcessFigures& figures);
