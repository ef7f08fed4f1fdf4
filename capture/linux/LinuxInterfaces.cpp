// Reads the host's IPv4 interface addresses with getifaddrs, loopback last.
#include "LinuxInterfaces.h"

#include "LinuxErrorText.h"

#include <algorithm>
#include <cerrno>
#include <memory>

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace {

// An address with a label (eth0:1) is listed under the label; the device is the part before ':'.
std::string DeviceName(const char* label) {
    const std::string name(label != nullptr ? label : "");
    return name.substr(0, name.find(':'));
}

} // namespace

InterfaceQuery QueryLocalInterfaces() {
    InterfaceQuery query;
    ifaddrs* first = nullptr;
    if (getifaddrs(&first) != 0) {
        query.failure = SystemFailureText("getifaddrs failed: ", errno);
        return query;
    }
    // Released on every way out, also when a copy below runs out of memory.
    const std::unique_ptr<ifaddrs, void (*)(ifaddrs*)> list(first, freeifaddrs);
    for (const ifaddrs* entry = list.get(); entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) {
            continue;
        }
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        query.interfaces.push_back(
            {address->sin_addr.s_addr, DeviceName(entry->ifa_name), (entry->ifa_flags & IFF_LOOPBACK) != 0});
    }
    // The first entry is what a new capture starts on: a real interface whenever there is one.
    std::stable_partition(query.interfaces.begin(), query.interfaces.end(),
                          [](const LocalInterface& entry) { return !entry.loopback; });
    return query;
}
