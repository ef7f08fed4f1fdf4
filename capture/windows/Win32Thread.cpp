// A detached worker thread made by CreateThread.
#include "Win32Thread.h"

#include <windows.h>

#include <new>

namespace {

constexpr DWORD kThreadExitCode = 100;

struct ThreadStart {
    void (*proc)(void*);
    void* argument;
};

DWORD WINAPI RunThread(LPVOID start) {
    const ThreadStart call = *static_cast<ThreadStart*>(start);
    delete static_cast<ThreadStart*>(start);
    call.proc(call.argument);
    return kThreadExitCode;
}

} // namespace

bool StartWin32Thread(void (*proc)(void*), void* argument) {
    auto* start = new (std::nothrow) ThreadStart{proc, argument};
    if (start == nullptr) {
        return false;
    }
    HANDLE thread = CreateThread(nullptr, 0, RunThread, start, 0, nullptr);
    if (thread == nullptr) {
        delete start;
        return false;
    }
    // Nobody waits for the thread: the engine hears of its end through its own flag.
    CloseHandle(thread);
    return true;
}
