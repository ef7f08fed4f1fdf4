// The engine's memory: its receive buffer and the blocks its store cuts packet copies from.
#pragma once

#include "PacketBlockSource.h"

#include <cstdint>
#include <new>

// By default both come from the heap; a platform or a test overrides what it does otherwise.
class CaptureMemory : public PacketBlockSource {
public:
    // A block of size bytes (at least one) from new[], released with delete[]; nullptr when memory is
    // short.
    virtual unsigned char* AllocateBytes(uint32_t size) { return new (std::nothrow) unsigned char[size ? size : 1]; }

    // Heap blocks, as a store's default source gives, but taken through AllocateBytes.
    unsigned char* TakePacketBlock(std::size_t bytes) override {
        return bytes > UINT32_MAX ? nullptr : AllocateBytes(static_cast<uint32_t>(bytes));
    }
    void GiveBackPacketBlock(unsigned char* block, std::size_t bytes) override {
        HeapPacketBlocks().GiveBackPacketBlock(block, bytes);
    }
    std::size_t SharedPacketBlockBytes() const override { return HeapPacketBlocks().SharedPacketBlockBytes(); }
};
