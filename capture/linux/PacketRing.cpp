// Reading the TPACKET_V3 receive ring: blocks in turn, frames in turn, each block given back whole.
#include "PacketRing.h"

#include "PacketRingLayout.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include <linux/if_packet.h>
#include <sys/mman.h>

namespace {

using Clock = std::chrono::steady_clock;

// The kernel retires a partly filled block on its timer, which may wait up to about two periods;
// the margin covers a timer that fires late on a busy machine.
constexpr auto kOpenBlockWait = std::chrono::milliseconds(3 * kRingRetireTimeoutMs + 100);
constexpr auto kOpenBlockPoll = std::chrono::milliseconds(1);

// The status word passes each block between kernel and reader: acquire when taking a block, so
// that its frames are seen whole; release when giving it back, so that the kernel sees it read.
uint32_t Status(const tpacket_block_desc* block) {
    return __atomic_load_n(&block->hdr.bh1.block_status, __ATOMIC_ACQUIRE);
}

bool HandedOver(const tpacket_block_desc* block) {
    return (Status(block) & TP_STATUS_USER) != 0;
}

} // namespace

std::unique_ptr<PacketRing> PacketRing::Map(int fd) {
    void* base = mmap(nullptr, kRingBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED) {
        return nullptr;
    }
    return std::unique_ptr<PacketRing>(new PacketRing(static_cast<unsigned char*>(base), kRingBytes));
}

PacketRing::~PacketRing() {
    munmap(m_base, m_bytes);
}

tpacket_block_desc* PacketRing::Block(unsigned index) const {
    return reinterpret_cast<tpacket_block_desc*>(m_base + size_t{index} * kRingBlockBytes);
}

// Takes the current block once the kernel has handed it over. A block handed over empty is given
// back at once.
bool PacketRing::Enter() {
    while (m_frame == nullptr) {
        tpacket_block_desc* block = Block(m_block);
        if (!HandedOver(block)) {
            return false;
        }
        m_framesLeft = block->hdr.bh1.num_pkts;
        if (m_framesLeft == 0) {
            Leave();
            continue;
        }
        m_frame = reinterpret_cast<tpacket3_hdr*>(reinterpret_cast<unsigned char*>(block) +
                                                  block->hdr.bh1.offset_to_first_pkt);
    }
    return true;
}

void PacketRing::Leave() {
    __atomic_store_n(&Block(m_block)->hdr.bh1.block_status, TP_STATUS_KERNEL, __ATOMIC_RELEASE);
    m_block = (m_block + 1) % kRingBlockCount;
    m_frame = nullptr;
    m_framesLeft = 0;
}

// On a datagram socket a frame's data begins at the IP header (tp_mac, as there is no link header)
// and tp_snaplen counts every byte of the datagram, since a block holds the largest whole.
int32_t PacketRing::Next(unsigned char* buffer, uint32_t capacity) {
    if (!Enter()) {
        return -1;
    }
    const unsigned char* frame = reinterpret_cast<const unsigned char*>(m_frame);
    const uint32_t length = std::min(m_frame->tp_snaplen, capacity);
    if (length > 0) {
        std::memcpy(buffer, frame + m_frame->tp_mac, length);
    }
    if (--m_framesLeft == 0) {
        Leave();
    } else {
        m_frame = reinterpret_cast<tpacket3_hdr*>(reinterpret_cast<unsigned char*>(m_frame) + m_frame->tp_next_offset);
    }
    return static_cast<int32_t>(length);
}

// The block the kernel fills is the first one from the reader's that it still owns. Its packet
// count grows as datagrams land in it, and with arrivals stopped it no longer changes: an empty
// one needs no wait.
void PacketRing::AwaitOpenBlock() const {
    unsigned index = m_block;
    for (unsigned seen = 0; seen < kRingBlockCount && HandedOver(Block(index)); ++seen) {
        index = (index + 1) % kRingBlockCount;
    }
    const tpacket_block_desc* open = Block(index);
    if (HandedOver(open) || __atomic_load_n(&open->hdr.bh1.num_pkts, __ATOMIC_ACQUIRE) == 0) {
        return;
    }
    const auto deadline = Clock::now() + kOpenBlockWait;
    while (!HandedOver(open) && Clock::now() < deadline) {
        std::this_thread::sleep_for(kOpenBlockPoll);
    }
}
