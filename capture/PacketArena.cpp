// Packet copies cut from large blocks: no heap header per packet, and no heap growth a page at a time
// while a capture fills the store.
#include "PacketArena.h"

#include <algorithm>
#include <new>

namespace {

// What every zero-length copy points at, so that no copy is null.
unsigned char kNoBytes[1] = {0};

class HeapBlocks : public PacketBlockSource {
public:
    unsigned char* TakePacketBlock(std::size_t bytes) override { return new (std::nothrow) unsigned char[bytes]; }
    void GiveBackPacketBlock(unsigned char* block, std::size_t) override { delete[] block; }
    std::size_t SharedPacketBlockBytes() const override { return std::size_t{1} << 20; }
};

} // namespace

PacketBlockSource& HeapPacketBlocks() {
    static HeapBlocks blocks;
    return blocks;
}

PacketArena::PacketArena(PacketBlockSource& blocks) : m_blocks(blocks) {}

PacketArena::~PacketArena() {
    Reset();
}

unsigned char* PacketArena::Allocate(uint32_t bytes) {
    if (bytes == 0) {
        return kNoBytes;
    }
    if (bytes > m_left && !MoveToBlockFor(bytes)) {
        return nullptr;
    }
    unsigned char* room = m_next;
    m_next += bytes;
    m_left -= bytes;
    return room;
}

// The rest of the current block is left unused: packets stay in arrival order, one after another.
// A kept block too small for the packet ends the reuse; the kept blocks are given back.
bool PacketArena::MoveToBlockFor(uint32_t bytes) {
    const std::size_t next = m_next == nullptr ? 0 : m_current + 1;
    if (next < m_taken.size() && m_taken[next].bytes >= bytes) {
        Enter(next);
        return true;
    }
    GiveBackFrom(next);
    return TakeBlockFor(bytes);
}

bool PacketArena::TakeBlockFor(uint32_t bytes) {
    try {
        if (m_taken.size() == m_taken.capacity()) {
            m_taken.reserve(std::max<std::size_t>(16, m_taken.size() * 2));
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    const std::size_t size = std::max<std::size_t>(bytes, m_blocks.SharedPacketBlockBytes());
    unsigned char* block = m_blocks.TakePacketBlock(size);
    if (block == nullptr) {
        return false;
    }
    m_taken.push_back(Block{block, size});
    Enter(m_taken.size() - 1);
    return true;
}

void PacketArena::Enter(std::size_t index) {
    m_current = index;
    m_next = m_taken[index].start;
    m_left = m_taken[index].bytes;
}

void PacketArena::GiveBackFrom(std::size_t first) {
    for (std::size_t i = first; i < m_taken.size(); ++i) {
        m_blocks.GiveBackPacketBlock(m_taken[i].start, m_taken[i].bytes);
    }
    m_taken.resize(std::min(first, m_taken.size()));
}

void PacketArena::Reset(std::size_t keepBytes) {
    std::size_t kept = 0;
    std::size_t keptBytes = 0;
    while (kept < m_taken.size() && keptBytes + m_taken[kept].bytes <= keepBytes) {
        keptBytes += m_taken[kept].bytes;
        ++kept;
    }
    GiveBackFrom(kept);
    m_current = 0;
    m_next = nullptr;
    m_left = 0;
}
