// The program's side of the relay area: datagrams read in turn from the blocks the helper
// published, each block given back once read.
#pragma once

#include "CaptureSockets.h"

#include <cstdint>
#include <ctime>
#include <memory>

// Only one thread reads an area at a time.
class RelayReader {
public:
    // Maps the area of areaFd; freedFd is the eventfd that wakes a helper waiting for a block.
    // Neither is owned. nullptr with errno set when the area cannot be mapped or is not of the
    // relay's size.
    static std::unique_ptr<RelayReader> Map(int areaFd, int freedFd);
    RelayReader(const RelayReader&) = delete;
    RelayReader& operator=(const RelayReader&) = delete;
    ~RelayReader();

    // Copies the next datagram, cut to capacity, into buffer, sets arrival to the kernel's time
    // stamp of it (real time), and returns how many bytes it copied; -1 when no published block
    // holds more.
    int32_t Next(unsigned char* buffer, uint32_t capacity, timespec& arrival);
    // Whether the helper has published everything that arrived before a stop.
    bool Finished() const;
    // The kernel's drops since the last call and, once the helper has counted a stop, how many of
    // the datagrams the capture then held are not read yet.
    LostCounts TakeLost();
    // The error the capture socket reported since the last call, or 0.
    int TakeSocketError();

private:
    RelayReader(unsigned char* base, int freedFd) : m_base(base), m_freedFd(freedFd) {}
    bool Enter();
    void Leave();

    unsigned char* m_base;
    int m_freedFd;
    unsigned m_block = 0;
    // Within the block being read: the next record and the end of the records; null between blocks.
    const unsigned char* m_record = nullptr;
    const unsigned char* m_end = nullptr;
    uint64_t m_read = 0;
    uint64_t m_droppedTaken = 0;
    uint32_t m_errorsSeen = 0;
};
