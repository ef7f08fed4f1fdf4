// The packet store: each packet's header and bytes in the arena, an array of where they start, and
// the running byte total.
#include "PacketStore.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>

namespace {

// Grows geometrically so that appending stays amortised constant time, unlike reserve(size() + 1).
template <typename T> void ReserveOneMore(std::vector<T>& array) {
    if (array.size() == array.capacity()) {
        array.reserve(array.empty() ? 64 : array.size() * 2);
    }
}

bool SameTime(const LocalTime& a, const LocalTime& b) {
    return a.millisecond == b.millisecond && a.second == b.second && a.minute == b.minute && a.hour == b.hour;
}

} // namespace

std::string FormatTimeStamp(const LocalTime& time) {
    char text[64];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", time.hour, time.minute, time.second, time.millisecond);
    return text;
}

CPacketStore::CPacketStore(LocalClock clock, PacketBlockSource& blocks) : m_clock(clock), m_arena(blocks) {}

CPacketStore::~CPacketStore() {
    Clear();
}

void CPacketStore::Add(unsigned char* buffer, uint32_t length) {
    TryAdd(buffer, length);
}

// The bytes move into the store's own memory, so that every packet is released the same way.
bool CPacketStore::TryAdd(unsigned char* buffer, uint32_t length) {
    const bool added = TryAddCopy(buffer, length);
    delete[] buffer;
    return added;
}

bool CPacketStore::TryAddCopy(const unsigned char* bytes, uint32_t length) {
    LocalTime now{};
    try {
        now = m_clock();
    } catch (const std::bad_alloc&) {
        return false;
    }
    return TryAddCopy(bytes, length, now);
}

// Every step that can fail runs before anything is written, so a refused packet leaves no trace.
bool CPacketStore::TryAddCopy(const unsigned char* bytes, uint32_t length, const LocalTime& arrival) {
    const char* stamp = nullptr;
    try {
        stamp = StampOf(arrival);
        ReserveOneMore(m_packets);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    if (length > UINT32_MAX - sizeof(PacketHeader)) {
        return false;
    }
    unsigned char* entry = m_arena.Allocate(static_cast<uint32_t>(sizeof(PacketHeader) + length));
    if (entry == nullptr) {
        return false;
    }
    PacketHeader header{length, {}};
    std::memcpy(header.stamp, stamp, kTimeStampLength);
    // Entries follow one another unaligned, so headers are copied rather than cast.
    std::memcpy(entry, &header, sizeof header);
    if (length != 0) {
        std::memcpy(entry + sizeof header, bytes, length);
    }
    m_packets.push_back(entry);
    m_totalBytes += length;
    return true;
}

void CPacketStore::Reserve(std::size_t count) {
    try {
        m_packets.reserve(count);
    } catch (const std::bad_alloc&) {
        // The array grows as packets come instead.
    } catch (const std::length_error&) {
        // A count beyond what the array can hold: it grows as packets come, too.
    }
}

const char* CPacketStore::StampOf(const LocalTime& time) {
    if (!m_hasLastStamp || !SameTime(time, m_lastTime)) {
        FormatTimeStamp(time).copy(m_lastStamp, kTimeStampLength);
        m_lastTime = time;
        m_hasLastStamp = true;
    }
    return m_lastStamp;
}

int32_t CPacketStore::Count() const {
    return static_cast<int32_t>(m_packets.size());
}

uint32_t CPacketStore::TotalBytes() const {
    return m_totalBytes;
}

PacketView CPacketStore::Get(int32_t index) const {
    const unsigned char* entry = m_packets[static_cast<size_t>(index)];
    PacketHeader header;
    std::memcpy(&header, entry, sizeof header);
    return PacketView{entry + sizeof header, header.length, std::string(header.stamp, kTimeStampLength)};
}

void CPacketStore::Clear(std::size_t reuseBytes) {
    m_packets.clear();
    m_arena.Reset(reuseBytes);
    m_totalBytes = 0;
}
