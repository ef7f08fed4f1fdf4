// The global array delete of the ui test program, noting the release of watched blocks.
#include "ReleaseTracker.h"

#include <atomic>
#include <cstddef>
#include <new>

namespace {

struct Slot {
    std::atomic<const void*> block{nullptr};
    std::atomic<bool> released{false};
};

constexpr int kSlots = 16;
Slot g_slots[kSlots];
std::atomic<int> g_next{0};

void NoteRelease(const void* block) {
    if (block == nullptr)
        return;
    for (Slot& slot : g_slots) {
        if (slot.block.load() == block)
            slot.released.store(true);
    }
}

} // namespace

void WatchRelease(const void* block) {
    // An earlier watched block may have lived at the same address; only the newest one counts.
    for (Slot& slot : g_slots) {
        if (slot.block.load() == block)
            slot.block.store(nullptr);
    }
    Slot& slot = g_slots[g_next.fetch_add(1) % kSlots];
    slot.released.store(false);
    slot.block.store(block);
}

bool WasReleased(const void* block) {
    for (const Slot& slot : g_slots) {
        if (slot.block.load() == block)
            return slot.released.load();
    }
    return false;
}

void operator delete[](void* block) noexcept {
    NoteRelease(block);
    ::operator delete(block);
}

void operator delete[](void* block, std::size_t) noexcept {
    NoteRelease(block);
    ::operator delete(block);
}
