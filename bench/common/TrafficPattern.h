// The benchmark traffic: which of three source addresses sends datagram i, and the packets' bytes.
#pragma once

#include <cstdint>
#include <vector>

// The capturing side and the three sending addresses (198.51.100.0/24 only).
constexpr const char* kCaptureAddress = "198.51.100.1";
constexpr const char* kSourceAddresses[] = {"198.51.100.2", "198.51.100.3", "198.51.100.4"};
constexpr uint16_t kSourcePort = 40001;
constexpr uint16_t kSinkPort = 40000;

// UDP payload of every datagram: 128 bytes of IPv4 datagram, so the per-packet limit of 100 cuts it.
constexpr uint32_t kPayloadBytes = 100;
constexpr uint32_t kDatagramBytes = 20 + 8 + kPayloadBytes;

// Of every 100 datagrams, 50 come from source 0 (the odd ones), 1 from source 1 (the first) and 49
// from source 2, spread evenly, so that any prefix of the traffic has about the same mix: a filter
// on source 0 keeps about half of the rows, on source 1 about 1%.
inline int MixedSourceIndex(uint64_t i) {
    if (i % 100 == 0) {
        return 1;
    }
    return i % 2 == 1 ? 0 : 2;
}

// The IPv4 datagram number i of the mixed traffic to kCaptureAddress, with a valid header checksum.
std::vector<unsigned char> MixedDatagram(uint64_t i);
