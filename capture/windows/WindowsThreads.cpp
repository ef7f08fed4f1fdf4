// The capture thread's services on Windows: kernel events as signals, a Win32 thread, Sleep.
#include "WindowsThreads.h"

#include "EventSignal.h"
#include "Win32Thread.h"

#include <winsock2.h>

#include <windows.h>

static_assert(WSA_INVALID_EVENT == nullptr, "a failed event is kNoSignal");

SignalHandle WindowsThreads::CreateManualResetSignal() {
    return ToSignal(CreateEventA(nullptr, TRUE, FALSE, nullptr));
}

SignalHandle WindowsThreads::CreateAutoResetSignal() {
    return ToSignal(CreateEventA(nullptr, FALSE, FALSE, nullptr));
}

SignalHandle WindowsThreads::CreateNetworkEvent() {
    return ToSignal(WSACreateEvent());
}

// All three signals are kernel event handles (a WSAEVENT is a manual-reset event HANDLE), so one
// set and one close serve them all.
void WindowsThreads::SetSignal(SignalHandle signal) {
    if (signal != kNoSignal) {
        SetEvent(ToHandle(signal));
    }
}

void WindowsThreads::CloseSignal(SignalHandle signal) {
    if (signal != kNoSignal) {
        CloseHandle(ToHandle(signal));
    }
}

bool WindowsThreads::StartThread(void (*proc)(void*), void* argument) {
    return StartWin32Thread(proc, argument);
}

void WindowsThreads::Sleep(uint32_t milliseconds) {
    ::Sleep(milliseconds);
}
