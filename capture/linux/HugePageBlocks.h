// The Linux backend's memory: heap for the receive buffer, huge-page mappings for packet copies.
#pragma once

#include "CaptureMemory.h"

class HugePageBlocks : public CaptureMemory {
public:
    unsigned char* TakePacketBlock(std::size_t bytes) override;
    void GiveBackPacketBlock(unsigned char* block, std::size_t bytes) override;
    std::size_t SharedPacketBlockBytes() const override;
};
