// The capture socket's receive ring as the program sees it: mapped, read block by block, unmapped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

struct tpacket_block_desc;
struct tpacket3_hdr;

// Only one thread reads a ring at a time; the kernel owns every block the reader has not been handed.
class PacketRing {
public:
    // Maps the ring set up on fd (see PacketRingLayout.h); nullptr with errno set when it cannot.
    static std::unique_ptr<PacketRing> Map(int fd);
    PacketRing(const PacketRing&) = delete;
    PacketRing& operator=(const PacketRing&) = delete;
    ~PacketRing();

    // Copies the next datagram, cut to capacity, into buffer and returns how many bytes it copied;
    // -1 when the kernel has handed over nothing more yet.
    int32_t Next(unsigned char* buffer, uint32_t capacity);

    // Once nothing more can arrive: waits, for at most a few retire periods, until the kernel hands
    // over the block it was filling, so that Next reads every datagram the ring took in.
    void AwaitOpenBlock() const;

private:
    PacketRing(unsigned char* base, size_t bytes) : m_base(base), m_bytes(bytes) {}
    tpacket_block_desc* Block(unsigned index) const;
    bool Enter();
    void Leave();

    unsigned char* m_base;
    size_t m_bytes;
    // The block being read, and within it the next frame and how many are left; m_frame is null
    // until the block has been handed over and entered.
    unsigned m_block = 0;
    tpacket3_hdr* m_frame = nullptr;
    uint32_t m_framesLeft = 0;
};
