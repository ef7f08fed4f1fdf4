// In-memory store of captured packets: bytes, lengths and time stamps in arrival order.
#pragma once

#include "LocalClock.h"
#include "PacketArena.h"
#include "TimeStamp.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct PacketView {
    const unsigned char* bytes;
    uint32_t length;
    std::string timeStamp;
};

class CPacketStore {
public:
    explicit CPacketStore(LocalClock clock = ReadLocalTime, PacketBlockSource& blocks = HeapPacketBlocks());
    CPacketStore(const CPacketStore&) = delete;
    CPacketStore& operator=(const CPacketStore&) = delete;
    virtual ~CPacketStore();

    // Takes ownership of a buffer from new unsigned char[] (or nullptr for length 0).
    void Add(unsigned char* buffer, uint32_t length);
    // As Add, but returns false, releasing the buffer and leaving the store as it was, when memory
    // is short.
    bool TryAdd(unsigned char* buffer, uint32_t length);
    // Stores a copy of length bytes: what the capture thread does with every datagram, without an
    // allocation of its own per packet. Returns false, leaving the store as it was, when memory is
    // short.
    bool TryAddCopy(const unsigned char* bytes, uint32_t length);
    // As TryAddCopy, stamped with the time the datagram arrived rather than the time of storing.
    bool TryAddCopy(const unsigned char* bytes, uint32_t length, const LocalTime& arrival);
    // Makes room for count packets in the array of packets up front, so that a capture of that
    // many packets never copies the array to grow it. Room that cannot be had is left to grow as packets come.
    void Reserve(std::size_t count);
    int32_t Count() const;
    uint32_t TotalBytes() const;
    PacketView Get(int32_t index) const; // 0 <= index < Count(); not checked
    // Forgets every packet. Up to reuseBytes of the packets' memory stay with the store for the next
    // packets, which then cost no fresh memory; the rest is given back.
    void Clear(std::size_t reuseBytes = 0);

private:
    // What precedes each packet's bytes in the arena. The stamp's characters are kept in place: a
    // std::string per packet would cost 32 bytes, more than a fifth of what a 100-byte packet
    // occupies. A real clock always gives exactly kTimeStampLength.
    struct PacketHeader {
        uint32_t length;
        char stamp[kTimeStampLength];
    };

    // Packets stamped within one millisecond share the text, which is formatted only when the
    // time changes.
    const char* StampOf(const LocalTime& time);

    LocalClock m_clock;
    bool m_hasLastStamp = false;
    LocalTime m_lastTime{};
    char m_lastStamp[kTimeStampLength] = {};
    PacketArena m_arena;
    // Where each packet's header starts, in arrival order: the only array that grows per packet,
    // so that nearly all of a packet's cost lies in the arena's large blocks.
    std::vector<const unsigned char*> m_packets;
    uint32_t m_totalBytes = 0;
};

// "HH:MM:SS.mmm", zero-padded.
std::string FormatTimeStamp(const LocalTime& time);
