// StorageLimits: the per-packet and total storage limits as the user set them, and what they let the
// store take.
#pragma once

#include <cstddef>
#include <cstdint>

class StorageLimits {
public:
    // The limits a new window starts with.
    static constexpr int32_t kDefaultPacketBytes = 100;
    static constexpr int32_t kDefaultTotalMB = 16;

    constexpr StorageLimits() = default;
    // Any value is accepted: read as unsigned, -1 (and every other negative value) means no limit.
    constexpr StorageLimits(int32_t maxPacketBytes, int32_t maxTotalMB)
        : m_nMaxPacketBytes(maxPacketBytes), m_nMaxTotalMB(maxTotalMB) {}

    // The values as entered, for the settings dialog.
    int32_t MaxPacketBytes() const { return m_nMaxPacketBytes; }
    int32_t MaxTotalMB() const { return m_nMaxTotalMB; }

    // The length a datagram of length bytes is stored with.
    uint32_t CutLength(uint32_t length) const;
    // The total in bytes: the megabytes shifted into bytes, clamped to what the store's 32-bit byte
    // counter holds.
    uint64_t TotalBytes() const;
    // Whether a packet of length (already cut) still fits beside storedBytes.
    bool Admit(uint64_t storedBytes, uint32_t length) const;
    // How many packets cut to the per-packet limit fit the total, at most most; shorter packets may
    // be more.
    size_t PacketsWithin(size_t most) const;

private:
    int32_t m_nMaxPacketBytes = kDefaultPacketBytes;
    int32_t m_nMaxTotalMB = kDefaultTotalMB;
};
