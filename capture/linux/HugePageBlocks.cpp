// The Linux backend's blocks for packet copies: anonymous mappings aligned to 2 MiB and marked for
// transparent huge pages, so that a capture filling the store takes one page fault per 2 MiB, not
// one per 4 KiB (a fault costs microseconds, more than storing a small packet).
#include "HugePageBlocks.h"

#include <cstdint>
#include <sys/mman.h>

namespace {

constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

std::size_t RoundUpToHugePages(std::size_t bytes) {
    return (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
}

// Maps a huge page more than asked for and trims both ends, which leaves an aligned mapping.
unsigned char* MapAligned(std::size_t bytes) {
    const std::size_t mapped = bytes + kHugePageBytes;
    void* area = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (area == MAP_FAILED) {
        return nullptr;
    }
    const auto start = reinterpret_cast<uintptr_t>(area);
    const uintptr_t aligned = (start + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
    const std::size_t head = aligned - start;
    if (head != 0) {
        munmap(area, head);
    }
    munmap(reinterpret_cast<void*>(aligned + bytes), mapped - head - bytes);
    return reinterpret_cast<unsigned char*>(aligned);
}

} // namespace

unsigned char* HugePageBlocks::TakePacketBlock(std::size_t bytes) {
    const std::size_t size = RoundUpToHugePages(bytes);
    unsigned char* block = MapAligned(size);
    if (block != nullptr) {
        // Without transparent huge pages the block still works, with small pages.
        madvise(block, size, MADV_HUGEPAGE);
    }
    return block;
}

void HugePageBlocks::GiveBackPacketBlock(unsigned char* block, std::size_t bytes) {
    munmap(block, RoundUpToHugePages(bytes));
}

std::size_t HugePageBlocks::SharedPacketBlockBytes() const {
    return 2 * kHugePageBytes;
}
