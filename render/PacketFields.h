// Bounds-checked reads of the fixed IPv4 header fields that the renderers show.
#pragma once

#include <cstdint>

// Field offsets from the start of the IP header; read at these places whatever the header length says.
constexpr uint32_t kProtocolOffset = 9;
constexpr uint32_t kSourceAddressOffset = 12;
constexpr uint32_t kDestinationAddressOffset = 16;
constexpr uint32_t kSourcePortOffset = 20;
constexpr uint32_t kDestinationPortOffset = 22;

// A packet may be stored cut short at any length: a field that was not stored reads as -1.
constexpr int kMissingField = -1;

inline int ReadByteField(const unsigned char* bytes, uint32_t length, uint32_t offset) {
    return offset < length ? bytes[offset] : kMissingField;
}

// A big-endian 16-bit value; missing unless both of its bytes were stored.
inline int ReadPortField(const unsigned char* bytes, uint32_t length, uint32_t offset) {
    return offset + 1 < length ? bytes[offset] * 256 + bytes[offset + 1] : kMissingField;
}
