// The relay area: the shared memory through which the capture helper hands the program datagrams.
// The helper writes everything but the status words; the program reads, and gives a block back by
// setting its status word to free. The helper reads nothing of the area but status words, and only
// compares them with kRelayBlockFree, so whatever the program writes can spoil its own capture only.
#pragma once

#include "CaptureBounds.h"
#include "PacketRingLayout.h"

#include <cstddef>
#include <cstdint>

// At the start of the area. Every field is read and written with atomic operations.
struct RelayHeader {
    // Datagrams the kernel dropped so far, while the helper had no free block.
    uint64_t lost;
    // 1 once every datagram that arrived before a stop has been published (or counted lost).
    uint32_t finished;
    // 1 while the helper waits for the next block to be given back: the program then signals the
    // helper's eventfd after freeing a block, and not otherwise.
    uint32_t waitingForBlock;
    // How many errors the capture socket has reported; the last one is socketError.
    uint32_t socketErrors;
    int32_t socketError;
    // Set at a stop, once the socket is off the traffic: how many datagrams the capture holds in
    // all, those published already and those the helper has still to copy. What the program has
    // not read of them when it stops reading is lost, however far the helper has come.
    uint64_t heldAtStop;
    uint32_t stopCounted;
};

constexpr uint32_t kRelayBlockFree = 0;
constexpr uint32_t kRelayBlockReady = 1;

// Blocks are filled and read in turn. A block takes the largest datagram with its record, so a
// datagram never waits for a second block; they hold as much as the kernel's ring.
constexpr unsigned kRelayBlockCount = kRingBlockCount;
constexpr size_t kRelayBlockBytes = kRingBlockBytes;
// Each status word has a cache line to itself, so that the two sides' writes do not contend.
constexpr size_t kRelayStatusOffset = 64;
constexpr size_t kRelayStatusStride = 64;
constexpr size_t kRelayBlocksOffset = 4096;
constexpr size_t kRelayAreaBytes = kRelayBlocksOffset + size_t{kRelayBlockCount} * kRelayBlockBytes;
static_assert(kRelayStatusOffset + kRelayBlockCount * kRelayStatusStride <= kRelayBlocksOffset);

// A block begins with the number of record bytes that follow, then the records, each 8-byte aligned.
constexpr size_t kRelayBlockHeaderBytes = 8;
struct RelayRecord {
    uint32_t length;
    uint32_t nanoseconds;
    int64_t seconds;
};
constexpr size_t kRelayRecordAlign = 8;

inline size_t RelayRecordBytes(uint32_t length) {
    return (sizeof(RelayRecord) + length + kRelayRecordAlign - 1) / kRelayRecordAlign * kRelayRecordAlign;
}

constexpr size_t kRelayBlockRoom = kRelayBlockBytes - kRelayBlockHeaderBytes;
static_assert(sizeof(RelayRecord) + kLargestDatagramBytes + kRelayRecordAlign <= kRelayBlockRoom);

inline uint32_t* RelayStatus(unsigned char* area, unsigned block) {
    return reinterpret_cast<uint32_t*>(area + kRelayStatusOffset + size_t{block} * kRelayStatusStride);
}

inline unsigned char* RelayBlock(unsigned char* area, unsigned block) {
    return area + kRelayBlocksOffset + size_t{block} * kRelayBlockBytes;
}
