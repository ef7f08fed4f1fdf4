// The packet store's memory for packet copies: each copy is cut from the current block in arrival
// order. Emptied, the arena may keep blocks for the next packets: memory that was written before
// costs no page faults and no zeroing when written again.
#pragma once

#include "PacketBlockSource.h"

#include <cstdint>
#include <vector>

class PacketArena {
public:
    explicit PacketArena(PacketBlockSource& blocks);
    PacketArena(const PacketArena&) = delete;
    PacketArena& operator=(const PacketArena&) = delete;
    ~PacketArena();

    // Room for exactly bytes, valid until the next Reset; nullptr when memory is short. Room for no
    // bytes is never null.
    unsigned char* Allocate(uint32_t bytes);
    // Forgets every copy. Blocks are kept for reuse, in the order they were taken, while their sizes
    // add up to at most keepBytes; the rest are given back.
    void Reset(std::size_t keepBytes = 0);

private:
    struct Block {
        unsigned char* start;
        std::size_t bytes;
    };

    bool MoveToBlockFor(uint32_t bytes);
    bool TakeBlockFor(uint32_t bytes);
    void GiveBackFrom(std::size_t first);
    void Enter(std::size_t index);

    PacketBlockSource& m_blocks;
    // Blocks in use up to m_current, kept blocks after it.
    std::vector<Block> m_taken;
    std::size_t m_current = 0;
    unsigned char* m_next = nullptr;
    std::size_t m_left = 0;
};
