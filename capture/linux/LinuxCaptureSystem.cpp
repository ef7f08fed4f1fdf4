// The Linux backend's one instance, its thread and sleep services and the local address list.
#include "LinuxCaptureSystem.h"

#include "DetachedThread.h"
#include "LinuxInterfaces.h"
#include "PacketSocketSource.h"

#include <chrono>
#include <thread>

CaptureSystem& HostCaptureSystem() {
    static LinuxCaptureSystem system;
    return system;
}

bool LinuxCaptureSystem::StartThread(void (*proc)(void*), void* argument) {
    return StartDetachedThread(proc, argument);
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
    return TakePacketSocketSourceNotice();
}
