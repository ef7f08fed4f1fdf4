// The capture thread for the Winelib build: the thread posts window messages, and Win32 calls
// work only on threads that Wine made, so it comes from CreateThread rather than std::thread.
#include "DetachedThread.h"

#include <windows.h>

#include <new>

namespace {

struct ThreadStart {
    void (*proc)(void*);
    void* argument;
};

DWORD WINAPI RunThread(LPVOID parameter) {
    ThreadStart start = *static_cast<ThreadStart*>(parameter);
    delete static_cast<ThreadStart*>(parameter);
    start.proc(start.argument);
    return 100;
}

} // namespace

bool StartDetachedThread(void (*proc)(void*), void* argument) {
    auto* start = new (std::nothrow) ThreadStart{proc, argument};
    if (start == nullptr)
        return false;
    HANDLE thread = CreateThread(nullptr, 0, RunThread, start, 0, nullptr);
    if (thread == nullptr) {
        delete start;
        return false;
    }
    CloseHandle(thread);
    return true;
}
