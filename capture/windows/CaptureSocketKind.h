// What kind of raw socket the Windows backend captures on: the program's own, or a test's.
#pragma once

#include <cstdint>

// The program's socket is the default: protocol 0 (IPPROTO_IP), which receive-all mode opens to
// every IPv4 datagram of the address picked from the provider's list. A provider that refuses that
// socket (Wine refuses protocol 0 and receive-all) still carries raw sockets of a named protocol,
// so tests capture on one of those, without receive-all, on one fixed address.
struct CaptureSocketKind {
    int protocol = 0;
    bool receiveAll = true;
    // In network byte order; when not 0 the address list is this one address, not the provider's.
    uint32_t onlyAddress = 0;
};
