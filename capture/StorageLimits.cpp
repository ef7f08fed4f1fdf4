// StorageLimits: the rules of the two storage limits.
#include "StorageLimits.h"

#include <algorithm>

namespace {

// The store counts its bytes in 32 bits, so no limit can go beyond what that counter holds.
constexpr uint64_t kLargestTotalBytes = 0xFFFFFFFFu;

} // namespace

uint32_t StorageLimits::CutLength(uint32_t length) const {
    return std::min(length, static_cast<uint32_t>(m_nMaxPacketBytes));
}

uint64_t StorageLimits::TotalBytes() const {
    return std::min<uint64_t>(uint64_t{static_cast<uint32_t>(m_nMaxTotalMB)} << 20, kLargestTotalBytes);
}

bool StorageLimits::Admit(uint64_t storedBytes, uint32_t length) const {
    return storedBytes + length <= TotalBytes();
}

size_t StorageLimits::PacketsWithin(size_t most) const {
    const uint64_t packets = TotalBytes() / std::max<uint32_t>(static_cast<uint32_t>(m_nMaxPacketBytes), 1);
    return static_cast<size_t>(std::min<uint64_t>(packets, most));
}
