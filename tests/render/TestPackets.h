// Packet buffers for the renderer tests, sized exactly so the sanitizer catches any over-read.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

struct PacketFields {
    unsigned char protocol;
    unsigned char source[4];
    unsigned char destination[4];
    uint16_t sourcePort;
    uint16_t destinationPort;
};

// An IPv4 header of 20 bytes followed by the two ports; payload bytes, if any, follow them.
inline std::vector<unsigned char> MakePacket(const PacketFields& f, std::initializer_list<unsigned char> payload = {}) {
    std::vector<unsigned char> p(24, 0);
    p[0] = 0x45;
    p[8] = 64;
    p[9] = f.protocol;
    for (int i = 0; i < 4; ++i) {
        p[12 + i] = f.source[i];
        p[16 + i] = f.destination[i];
    }
    p[20] = static_cast<unsigned char>(f.sourcePort >> 8);
    p[21] = static_cast<unsigned char>(f.sourcePort);
    p[22] = static_cast<unsigned char>(f.destinationPort >> 8);
    p[23] = static_cast<unsigned char>(f.destinationPort);
    p.insert(p.end(), payload);
    return p;
}

// The first length bytes of bytes in a heap block of exactly that size.
class ExactBuffer {
public:
    ExactBuffer(const std::vector<unsigned char>& bytes, uint32_t length) : m_pBytes(new unsigned char[length]) {
        for (uint32_t i = 0; i < length; ++i) {
            m_pBytes[i] = bytes[i];
        }
    }
    const unsigned char* data() const { return m_pBytes.get(); }

private:
    std::unique_ptr<unsigned char[]> m_pBytes;
};

// A packet whose byte i holds (i * 7 + 3) mod 256, so every position is distinguishable.
inline std::vector<unsigned char> PatternBytes(uint32_t length) {
    std::vector<unsigned char> bytes(length);
    for (uint32_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<unsigned char>(i * 7 + 3);
    }
    return bytes;
}
