// Starts the capture thread through a trampoline that notes the thread's CPU clock first.
#include "ThreadClockThreads.h"

#include "ProcessFigures.h"

#include <pthread.h>

bool ThreadClockThreads::StartThread(void (*proc)(void*), void* argument) {
    m_proc = proc;
    m_argument = argument;
    return LinuxThreads::StartThread(&ThreadClockThreads::Trampoline, this);
}

void ThreadClockThreads::Trampoline(void* self) {
    auto* system = static_cast<ThreadClockThreads*>(self);
    if (pthread_getcpuclockid(pthread_self(), &system->m_clock) == 0) {
        system->m_clockKnown.store(true, std::memory_order_release);
    }
    system->m_proc(system->m_argument);
}

double ThreadClockThreads::CaptureThreadCpuSeconds() const {
    if (!m_clockKnown.load(std::memory_order_acquire)) {
        return -1;
    }
    return ThreadCpuSeconds(m_clock);
}
