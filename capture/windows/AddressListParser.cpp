// Reads local IPv4 addresses out of the bytes of a 64-bit socket address list, never past its end.
#include "AddressListParser.h"

#include <cstring>
#include <utility>

namespace {

constexpr uint64_t kCountSize = 4;
constexpr uint64_t kFirstEntryOffset = 8;
constexpr uint64_t kEntrySize = 16;
// An IPv4 socket address: family (2 bytes), port (2 bytes), address (4 bytes), zero padding.
constexpr uint64_t kAddressFieldOffset = 4;
constexpr uint64_t kAddressFieldEnd = kAddressFieldOffset + 4;

// The list is laid out by a little-endian 64-bit provider, whatever host reads it.
uint64_t ReadLittleEndian(const unsigned char* at, int size) {
    uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | at[i];
    }
    return value;
}

} // namespace

bool ParseSocketAddressList(const unsigned char* bytes, uint32_t bytesReturned, uintptr_t baseAddress,
                            std::vector<uint32_t>& addresses) {
    addresses.clear();
    if (bytes == nullptr || bytesReturned < kCountSize) {
        return false;
    }
    const auto count = static_cast<int32_t>(ReadLittleEndian(bytes, 4));
    if (count < 0) {
        return false;
    }
    if (count > 0 && kFirstEntryOffset + static_cast<uint64_t>(count) * kEntrySize > bytesReturned) {
        return false;
    }
    const uint64_t base = baseAddress;
    std::vector<uint32_t> found;
    found.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        const uint64_t pointer = ReadLittleEndian(bytes + kFirstEntryOffset + i * kEntrySize, 8);
        if (pointer < base) {
            return false;
        }
        const uint64_t offset = pointer - base;
        if (offset > bytesReturned || bytesReturned - offset < kAddressFieldEnd) {
            return false;
        }
        uint32_t address;
        std::memcpy(&address, bytes + offset + kAddressFieldOffset, sizeof address);
        found.push_back(address);
    }
    addresses = std::move(found);
    return true;
}
