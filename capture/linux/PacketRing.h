// The capture socket's receive ring as its reader sees it: mapped, read block by block, unmapped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>

struct tpacket_block_desc;
struct tpacket3_hdr;

struct RingFrame {
    const unsigned char* bytes;
    uint32_t length;
    timespec arrival;
};

// Only one thread reads a ring at a time; the kernel owns every block the reader has not been handed.
class PacketRing {
public:
    // Maps the ring set up on fd (see PacketRingLayout.h); nullptr with errno set when it cannot.
    // The ring does not own fd.
    static std::unique_ptr<PacketRing> Map(int fd);
    PacketRing(const PacketRing&) = delete;
    PacketRing& operator=(const PacketRing&) = delete;
    ~PacketRing();

    // The next datagram, whole, with the kernel's time stamp of its arrival (real time); it stays
    // in place until Advance. False when the kernel has handed over nothing more yet.
    bool Peek(RingFrame& frame);
    // Moves past the datagram Peek gave, giving its block back to the kernel when it was the last.
    void Advance();

    // Once the socket takes in nothing more and no datagram is still being written into the ring:
    // from now on Next also reads the block the kernel was filling, without waiting for the kernel
    // to hand it over.
    void Seal();

    // Datagrams lost since the last call: those the kernel dropped for want of room in the ring,
    // and once sealed, those still unread.
    uint64_t TakeLost();
    // The frames left in the block being read, in the blocks handed over after it, and in the open one.
    uint64_t Unread() const;

private:
    PacketRing(int fd, unsigned char* base, size_t bytes) : m_fd(fd), m_base(base), m_bytes(bytes) {}
    tpacket_block_desc* Block(unsigned index) const;
    bool Enter();
    bool EnterOpenBlock(tpacket_block_desc* block);
    void Leave();
    void CountKernelDrops();

    int m_fd;
    unsigned char* m_base;
    size_t m_bytes;
    // The block being read, and within it the next frame and how many are left; m_frame is null
    // until the block has been handed over (or, sealed, found open) and entered.
    unsigned m_block = 0;
    tpacket3_hdr* m_frame = nullptr;
    uint32_t m_framesLeft = 0;
    bool m_sealed = false;
    // Sealed, the open block is read where the kernel left it, and the ring ends with it.
    bool m_inOpenBlock = false;
    bool m_finished = false;
    uint64_t m_kernelDrops = 0;
    // The sequence number the kernel gives the block it opens after the last one handed over (it
    // numbers the blocks it opens from 1).
    uint64_t m_openSequence = 1;
};
