// Where the packet store takes the memory for its packet copies: large blocks, each given back whole.
#pragma once

#include <cstddef>

class PacketBlockSource {
public:
    virtual ~PacketBlockSource() = default;
    // Room for at least bytes (at least one); nullptr when memory is short.
    virtual unsigned char* TakePacketBlock(std::size_t bytes) = 0;
    virtual void GiveBackPacketBlock(unsigned char* block, std::size_t bytes) = 0;
    // How large a block the store asks for when packets share it; a packet that does not fit the
    // rest of a block starts a new one, a larger packet gets a block of its own size.
    virtual std::size_t SharedPacketBlockBytes() const = 0;
};

// Blocks from new[] and delete[]: what a store uses unless its owner gives it another source.
PacketBlockSource& HeapPacketBlocks();
