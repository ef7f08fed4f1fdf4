// Builds the IPv4/UDP datagrams of the benchmark traffic byte by byte.
#include "TrafficPattern.h"

#include <arpa/inet.h>

namespace {

void PutAddress(unsigned char* out, const char* dotted) {
    in_addr address{};
    inet_pton(AF_INET, dotted, &address);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&address.s_addr);
    for (int k = 0; k < 4; ++k) {
        out[k] = bytes[k];
    }
}

void PutBigEndian16(unsigned char* out, uint32_t value) {
    out[0] = static_cast<unsigned char>(value >> 8);
    out[1] = static_cast<unsigned char>(value);
}

uint16_t HeaderChecksum(const unsigned char* header) {
    uint32_t sum = 0;
    for (int k = 0; k < 20; k += 2) {
        sum += (uint32_t{header[k]} << 8) | header[k + 1];
    }
    while (sum >> 16) {
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return static_cast<uint16_t>(~sum);
}

} // namespace

std::vector<unsigned char> MixedDatagram(uint64_t i) {
    std::vector<unsigned char> bytes(kDatagramBytes, 0);
    bytes[0] = 0x45;
    PutBigEndian16(&bytes[2], kDatagramBytes);
    PutBigEndian16(&bytes[4], static_cast<uint32_t>(i));
    bytes[8] = 64;
    bytes[9] = 17;
    PutAddress(&bytes[12], kSourceAddresses[MixedSourceIndex(i)]);
    PutAddress(&bytes[16], kCaptureAddress);
    PutBigEndian16(&bytes[10], HeaderChecksum(bytes.data()));
    PutBigEndian16(&bytes[20], kSourcePort);
    PutBigEndian16(&bytes[22], kSinkPort);
    PutBigEndian16(&bytes[24], 8 + kPayloadBytes);
    for (uint32_t k = 0; k < kPayloadBytes; ++k) {
        bytes[28 + k] = static_cast<unsigned char>('a' + (i + k) % 26);
    }
    return bytes;
}
