// Opening the capture's packet socket on one named interface: the only step that needs CAP_NET_RAW.
#pragma once

#include <string>

// A packet socket bound to one interface, its IPv4 filter in place and its receive ring (shaped as
// PacketRingLayout.h says) set up but not yet mapped, non-blocking and close-on-exec; or fd -1 and
// the failing step's text, ending in "\n".
struct BoundPacketSocket {
    int fd;
    std::string failure;
};

// The interface is named by its device name ("eth0"); whether it is a loopback device is read from
// the device itself, so that the name is the only input.
BoundPacketSocket OpenBoundPacketSocket(const std::string& interfaceName);
