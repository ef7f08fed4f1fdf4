// Process figures from the platform's counters, with the handle table where the count is missing.
#include "FaultProcessFigures.h"

#include <psapi.h>
#include <winternl.h>

#include <cstdio>
#include <vector>

namespace {

constexpr auto kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);

struct SystemHandleEntry {
    USHORT processId;
    USHORT creatorBackTraceIndex;
    UCHAR objectType;
    UCHAR flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};

// Wine answers GetProcessHandleCount with 0 but keeps the system handle table.
DWORD HandlesInSystemTable() {
    std::vector<char> buffer(1 << 20);
    NTSTATUS status;
    while ((status = ::NtQuerySystemInformation(kSystemHandleInformation, buffer.data(),
                                                static_cast<ULONG>(buffer.size()), nullptr)) == kInfoLengthMismatch)
        buffer.resize(buffer.size() * 2);
    if (status != 0)
        return 0;
    const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
    const auto* entries = reinterpret_cast<const SystemHandleEntry*>(buffer.data() + sizeof(ULONG_PTR));
    const auto self = static_cast<USHORT>(::GetCurrentProcessId());
    DWORD mine = 0;
    for (ULONG i = 0; i < count; ++i)
        mine += entries[i].processId == self;
    return mine;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    ::EnumChildWindows(window, CountWindow, count);
    return TRUE;
}

} // namespace

ProcessFigures MeasureProcess() {
    ProcessFigures figures;
    HANDLE self = ::GetCurrentProcess();
    if (!::GetProcessHandleCount(self, &figures.handles) || figures.handles == 0)
        figures.handles = HandlesInSystemTable();
    figures.gdiObjects = ::GetGuiResources(self, GR_GDIOBJECTS);
    figures.userObjects = ::GetGuiResources(self, GR_USEROBJECTS);
    ::EnumThreadWindows(::GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&figures.windows));
    PROCESS_MEMORY_COUNTERS memory = {};
    if (::GetProcessMemoryInfo(self, &memory, sizeof(memory)))
        figures.commitBytes = memory.PagefileUsage;
    return figures;
}

void PrintFigures(const char* when, const ProcessFigures& figures) {
    std::printf("%s: %lu handles, %lu GDI and %lu USER objects, %d windows, %lu KiB committed\n", when,
                static_cast<unsigned long>(figures.handles), static_cast<unsigned long>(figures.gdiObjects),
                static_cast<unsigned long>(figures.userObjects), figures.windows,
                static_cast<unsigned long>(figures.commitBytes / 1024));
}
