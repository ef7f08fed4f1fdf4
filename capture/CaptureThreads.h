// What the capture thread needs of its platform to run and be woken: signals, a thread, a sleep.
#pragma once

#include <chrono>
#include <cstdint>

using SignalHandle = intptr_t;
constexpr SignalHandle kNoSignal = 0;

class CaptureThreads {
public:
    virtual ~CaptureThreads() = default;

    // The stop signal is manual-reset, the close signal auto-reset, the network event is signalled
    // when the capture socket is readable (and may also be set by hand to wake the thread). Each
    // returns kNoSignal when it cannot be made.
    virtual SignalHandle CreateManualResetSignal() = 0;
    virtual SignalHandle CreateAutoResetSignal() = 0;
    virtual SignalHandle CreateNetworkEvent() = 0;
    virtual void SetSignal(SignalHandle signal) = 0;
    virtual void CloseSignal(SignalHandle signal) = 0;

    // Starts proc(argument) on a new thread at normal priority; false when no thread could be made.
    virtual bool StartThread(void (*proc)(void*), void* argument) = 0;
    virtual void Sleep(uint32_t milliseconds) = 0;
    // The clock that bounds a stop's reads.
    virtual std::chrono::steady_clock::time_point Now() { return std::chrono::steady_clock::now(); }
};
