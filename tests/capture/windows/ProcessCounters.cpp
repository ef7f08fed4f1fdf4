// The process's open handles and commit charge, with what Wine leaves out found elsewhere.
#include "ProcessCounters.h"

#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <vector>

namespace {

// An entry of the system's handle list as Wine fills it in.
struct SystemHandle {
    ULONG process;
    BYTE type;
    BYTE flags;
    USHORT value;
    PVOID object;
    ACCESS_MASK access;
};
struct SystemHandles {
    ULONG count;
    SystemHandle handles[1];
};
constexpr auto kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);

} // namespace

// Wine's GetProcessHandleCount answers 0 whatever is open; the system's handle list, filtered to
// this process, then counts them.
long OpenHandles() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0) {
        return static_cast<long>(count);
    }
    std::vector<unsigned char> buffer(1 << 20);
    NTSTATUS status;
    while ((status = NtQuerySystemInformation(kSystemHandleInformation, buffer.data(),
                                              static_cast<ULONG>(buffer.size()), nullptr)) == kInfoLengthMismatch) {
        buffer.resize(buffer.size() * 2);
    }
    if (status != 0) {
        return -1;
    }
    const auto* list = reinterpret_cast<const SystemHandles*>(buffer.data());
    long mine = 0;
    for (ULONG i = 0; i < list->count; ++i) {
        mine += list->handles[i].process == GetCurrentProcessId();
    }
    return mine;
}

// The process's commit charge. Windows documents PrivateUsage and PagefileUsage as the same value;
// Wine fills in only PagefileUsage.
size_t CommittedBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters)) {
        return 0;
    }
    return counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
}
