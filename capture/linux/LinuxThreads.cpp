// Signals as eventfds, and the capture thread started detached under a name of its own.
#include "LinuxThreads.h"

#include "DetachedThread.h"
#include "EventFd.h"
#include "EventFdSignal.h"

#include <chrono>
#include <new>
#include <thread>

#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

// The capture thread is named, so that top -H, perf and /proc/PID/task show which one it is.
constexpr char kCaptureThreadName[] = "sorvane-capture";

struct ThreadStart {
    void (*proc)(void*);
    void* argument;
};

void RunNamedThread(void* start) {
    const ThreadStart named = *static_cast<ThreadStart*>(start);
    delete static_cast<ThreadStart*>(start);
    pthread_setname_np(pthread_self(), kCaptureThreadName);
    named.proc(named.argument);
}

// Every signal is a non-blocking eventfd that stays readable once written. How it resets comes from
// its place in the capture socket's wait: the stop signal is never read, the close and network
// signals are drained when the wait reports them.
SignalHandle CreateEventFd() {
    return ToSignal(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
}

} // namespace

SignalHandle LinuxThreads::CreateManualResetSignal() {
    return CreateEventFd();
}
SignalHandle LinuxThreads::CreateAutoResetSignal() {
    return CreateEventFd();
}
SignalHandle LinuxThreads::CreateNetworkEvent() {
    return CreateEventFd();
}

void LinuxThreads::SetSignal(SignalHandle signal) {
    if (signal != kNoSignal) {
        SignalEventFd(SignalFd(signal));
    }
}

void LinuxThreads::CloseSignal(SignalHandle signal) {
    if (signal != kNoSignal) {
        close(SignalFd(signal));
    }
}

bool LinuxThreads::StartThread(void (*proc)(void*), void* argument) {
    auto* start = new (std::nothrow) ThreadStart{proc, argument};
    if (start == nullptr) {
        return false;
    }
    if (!StartDetachedThread(RunNamedThread, start)) {
        delete start;
        return false;
    }
    return true;
}

void LinuxThreads::Sleep(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
