// In-memory store of captured packets: buffers, lengths and time stamps in arrival order.
#pragma once

#include "LocalClock.h"
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
    explicit CPacketStore(LocalClock clock = ReadLocalTime);
    CPacketStore(const CPacketStore&) = delete;
    CPacketStore& operator=(const CPacketStore&) = delete;
    virtual ~CPacketStore();

    // Takes ownership of a buffer from new unsigned char[].
    void Add(unsigned char* buffer, uint32_t length);
    // As Add, but returns false, releasing the buffer and leaving the store as it was, when the
    // arrays cannot grow.
    bool TryAdd(unsigned char* buffer, uint32_t length);
    // Makes room for count packets in each array up front, so that a capture of that many packets
    // never copies the arrays to grow them. Room that cannot be had is left to grow as packets come.
    void Reserve(std::size_t count);
    int32_t Count() const;
    uint32_t TotalBytes() const;
    PacketView Get(int32_t index) const; // 0 <= index < Count(); not checked
    void Clear();

private:
    // The stamp's characters in place: a std::string per packet would cost 32 bytes, more than a
    // fifth of what a 100-byte packet occupies. A real clock always gives exactly kTimeStampLength.
    struct TimeStampText {
        char text[kTimeStampLength];
    };

    // Packets stored within one millisecond share the text, which is formatted only when the
    // clock's reading changes.
    const TimeStampText& StampNow();

    LocalClock m_clock;
    bool m_hasLastStamp = false;
    LocalTime m_lastTime{};
    TimeStampText m_lastStamp{};
    std::vector<unsigned char*> m_buffers;
    std::vector<uint32_t> m_lengths;
    std::vector<TimeStampText> m_timeStamps;
    uint32_t m_totalBytes = 0;
};

// "HH:MM:SS.mmm", zero-padded.
std::string FormatTimeStamp(const LocalTime& time);
