// Reading the TPACKET_V3 receive ring: blocks in turn, frames in turn, each block given back whole.
#include "PacketRing.h"

#include "PacketRingLayout.h"

#include <linux/if_packet.h>
#include <sys/mman.h>
#include <sys/socket.h>

namespace {

// The status word passes each block between kernel and reader: acquire when taking a block, so
// that its frames are seen whole; release when giving it back, so that the kernel sees it read.
uint32_t Status(const tpacket_block_desc* block) {
    return __atomic_load_n(&block->hdr.bh1.block_status, __ATOMIC_ACQUIRE);
}

bool HandedOver(const tpacket_block_desc* block) {
    return (Status(block) & TP_STATUS_USER) != 0;
}

uint32_t FrameCount(const tpacket_block_desc* block) {
    return __atomic_load_n(&block->hdr.bh1.num_pkts, __ATOMIC_ACQUIRE);
}

uint64_t Sequence(const tpacket_block_desc* block) {
    return __atomic_load_n(&block->hdr.bh1.seq_num, __ATOMIC_ACQUIRE);
}

tpacket3_hdr* FirstFrame(tpacket_block_desc* block) {
    return reinterpret_cast<tpacket3_hdr*>(reinterpret_cast<unsigned char*>(block) + block->hdr.bh1.offset_to_first_pkt);
}

} // namespace

std::unique_ptr<PacketRing> PacketRing::Map(int fd) {
    void* base = mmap(nullptr, kRingBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED) {
        return nullptr;
    }
    return std::unique_ptr<PacketRing>(new PacketRing(fd, static_cast<unsigned char*>(base), kRingBytes));
}

PacketRing::~PacketRing() {
    munmap(m_base, m_bytes);
}

tpacket_block_desc* PacketRing::Block(unsigned index) const {
    return reinterpret_cast<tpacket_block_desc*>(m_base + size_t{index} * kRingBlockBytes);
}

// Takes the current block once the kernel has handed it over. A block handed over empty is given
// back at once. The kernel marks a block it handed over while it was dropping datagrams.
bool PacketRing::Enter() {
    while (m_frame == nullptr && !m_finished) {
        tpacket_block_desc* block = Block(m_block);
        if (!HandedOver(block)) {
            return m_sealed && EnterOpenBlock(block);
        }
        if ((Status(block) & TP_STATUS_LOSING) != 0) {
            CountKernelDrops();
        }
        m_framesLeft = FrameCount(block);
        m_openSequence = Sequence(block) + 1;
        if (m_framesLeft == 0) {
            Leave();
            continue;
        }
        m_frame = FirstFrame(block);
    }
    return m_frame != nullptr;
}

// The block the kernel was filling when arrivals stopped holds whole frames only, since the socket
// was taken off the traffic after every datagram on its way in had landed. It stays the kernel's:
// the reader ends the ring with it rather than giving it back. A block given back but not yet
// opened again still shows its old frames; only the block opened after the last one handed over
// is the open one.
bool PacketRing::EnterOpenBlock(tpacket_block_desc* block) {
    m_finished = true;
    m_framesLeft = Sequence(block) == m_openSequence ? FrameCount(block) : 0;
    if (m_framesLeft == 0) {
        return false;
    }
    m_inOpenBlock = true;
    m_frame = FirstFrame(block);
    return true;
}

void PacketRing::Leave() {
    if (!m_inOpenBlock) {
        __atomic_store_n(&Block(m_block)->hdr.bh1.block_status, TP_STATUS_KERNEL, __ATOMIC_RELEASE);
        m_block = (m_block + 1) % kRingBlockCount;
    }
    m_frame = nullptr;
    m_framesLeft = 0;
}

// On a datagram socket a frame's data begins at the IP header (tp_mac, as there is no link header)
// and tp_snaplen counts every byte of the datagram, since a block holds the largest whole.
bool PacketRing::Peek(RingFrame& frame) {
    if (!Enter()) {
        return false;
    }
    frame.bytes = reinterpret_cast<const unsigned char*>(m_frame) + m_frame->tp_mac;
    frame.length = m_frame->tp_snaplen;
    frame.arrival.tv_sec = static_cast<time_t>(m_frame->tp_sec);
    frame.arrival.tv_nsec = static_cast<long>(m_frame->tp_nsec);
    return true;
}

void PacketRing::Advance() {
    if (m_frame == nullptr) {
        return;
    }
    if (--m_framesLeft == 0) {
        Leave();
    } else {
        m_frame = reinterpret_cast<tpacket3_hdr*>(reinterpret_cast<unsigned char*>(m_frame) + m_frame->tp_next_offset);
    }
}

void PacketRing::Seal() {
    m_sealed = true;
}

// Each reading of the socket's statistics starts them again from zero, so they are added up here.
void PacketRing::CountKernelDrops() {
    tpacket_stats_v3 stats{};
    socklen_t length = sizeof stats;
    if (getsockopt(m_fd, SOL_PACKET, PACKET_STATISTICS, &stats, &length) == 0) {
        m_kernelDrops += stats.tp_drops;
    }
}

uint64_t PacketRing::TakeLost() {
    CountKernelDrops();
    uint64_t lost = m_kernelDrops;
    m_kernelDrops = 0;
    if (m_sealed) {
        lost += Unread();
        m_finished = true;
        m_frame = nullptr;
        m_framesLeft = 0;
    }
    return lost;
}

uint64_t PacketRing::Unread() const {
    uint64_t unread = m_framesLeft;
    if (m_finished) {
        return unread;
    }
    uint64_t openSequence = m_openSequence;
    unsigned index = m_frame != nullptr ? (m_block + 1) % kRingBlockCount : m_block;
    for (unsigned seen = m_frame != nullptr ? 1 : 0; seen < kRingBlockCount; ++seen) {
        const tpacket_block_desc* block = Block(index);
        if (!HandedOver(block)) {
            return unread + (Sequence(block) == openSequence ? FrameCount(block) : 0);
        }
        unread += FrameCount(block);
        openSequence = Sequence(block) + 1;
        index = (index + 1) % kRingBlockCount;
    }
    return unread;
}
