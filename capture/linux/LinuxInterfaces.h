// The host's IPv4 interface addresses, with what binding a socket needs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct LocalInterface {
    uint32_t address; // network byte order
    std::string name; // the device name, without any ":label" suffix
    bool loopback;
};

// The IPv4 addresses in getifaddrs order with the loopback ones moved last, or
// "getifaddrs failed: <reason>\n" and no entries.
struct InterfaceQuery {
    std::vector<LocalInterface> interfaces;
    std::string failure;
};

InterfaceQuery QueryLocalInterfaces();
