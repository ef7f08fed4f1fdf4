// The Linux backend's one instance, its thread and sleep services and the local address list.
#include "LinuxCaptureSystem.h"

#include "DetachedThread.h"
#include "LinuxInterfaces.h"
#include "PacketRingLayout.h"
#include "CaptureRelaySource.h"

#include <chrono>
#include <new>
#include <thread>

#include <pthread.h>

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

} // namespace

CaptureSystem& HostCaptureSystem() {
    static LinuxCaptureSystem system;
    return system;
}

bool LinuxCaptureSystem::StartThread(void (*proc)(void*), void* argument) {
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

void LinuxCaptureSystem::Sleep(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

AddressQuery LinuxCaptureSystem::QueryLocalAddresses() {
    InterfaceQuery query = QueryLocalInterfaces();
    AddressQuery result{{}, std::move(query.failure)};
    for (const LocalInterface& entry : query.interfaces) {
        result.addresses.push_back(entry.address);
    }
    return result;
}

std::string LinuxCaptureSystem::TakeServiceNotice() {
    return TakeCaptureRelayNotice();
}

// The helper's receive ring, which a stop copies out to its end.
uint32_t LinuxCaptureSystem::SocketBufferBytes() const {
    return static_cast<uint32_t>(kRingBytes);
}
