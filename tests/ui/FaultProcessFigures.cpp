// Process figures: handles and commit charge as ProcessCounters counts them, window-system objects
// and the calling thread's windows.
#include "FaultProcessFigures.h"

#include "ProcessCounters.h"

#include <cstdio>

namespace {

BOOL CALLBACK CountWindow(HWND window, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    ::EnumChildWindows(window, CountWindow, count);
    return TRUE;
}

} // namespace

ProcessFigures MeasureProcess() {
    ProcessFigures figures;
    HANDLE self = ::GetCurrentProcess();
    figures.handles = OpenHandles();
    figures.gdiObjects = ::GetGuiResources(self, GR_GDIOBJECTS);
    figures.userObjects = ::GetGuiResources(self, GR_USEROBJECTS);
    ::EnumThreadWindows(::GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&figures.windows));
    figures.commitBytes = CommittedBytes();
    return figures;
}

void PrintFigures(const char* when, const ProcessFigures& figures) {
    std::printf("%s: %ld handles, %lu GDI and %lu USER objects, %d windows, %lu KiB committed\n", when,
                figures.handles, static_cast<unsigned long>(figures.gdiObjects),
                static_cast<unsigned long>(figures.userObjects), figures.windows,
                static_cast<unsigned long>(figures.commitBytes / 1024));
}
