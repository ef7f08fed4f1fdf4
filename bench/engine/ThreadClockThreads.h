// The Linux capture thread services with one addition: they keep the CPU clock of the capture thread.
#pragma once

#include "LinuxThreads.h"

#include <atomic>
#include <ctime>

class ThreadClockThreads : public LinuxThreads {
public:
    bool StartThread(void (*proc)(void*), void* argument) override;

    // The CPU time of the capture thread so far, in seconds; -1 before the thread has begun.
    // Valid only while the thread runs (before the engine's Shutdown).
    double CaptureThreadCpuSeconds() const;

private:
    static void Trampoline(void* self);

    void (*m_proc)(void*) = nullptr;
    void* m_argument = nullptr;
    clockid_t m_clock{};
    std::atomic<bool> m_clockKnown{false};
};
