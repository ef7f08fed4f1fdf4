// The packet store: three parallel arrays that grow together, and the running byte total.
#include "PacketStore.h"

#include <cstdio>
#include <new>
#include <stdexcept>

namespace {

// What Get hands out for a packet stored without a buffer, so that the bytes are never null.
const unsigned char kNoBytes[1] = {0};

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

CPacketStore::CPacketStore(LocalClock clock) : m_clock(clock) {}

CPacketStore::~CPacketStore() {
    Clear();
}

void CPacketStore::Add(unsigned char* buffer, uint32_t length) {
    TryAdd(buffer, length);
}

// Every step that can fail runs before the first append; the appends themselves cannot throw once
// room is reserved, so the arrays stay the same length whatever happens.
bool CPacketStore::TryAdd(unsigned char* buffer, uint32_t length) {
    TimeStampText timeStamp{};
    try {
        timeStamp = StampNow();
        ReserveOneMore(m_timeStamps);
        ReserveOneMore(m_buffers);
        ReserveOneMore(m_lengths);
    } catch (const std::bad_alloc&) {
        delete[] buffer;
        return false;
    } catch (const std::length_error&) {
        delete[] buffer;
        return false;
    }
    m_timeStamps.push_back(timeStamp);
    m_buffers.push_back(buffer);
    m_lengths.push_back(length);
    m_totalBytes += length;
    return true;
}

void CPacketStore::Reserve(std::size_t count) {
    try {
        m_timeStamps.reserve(count);
        m_buffers.reserve(count);
        m_lengths.reserve(count);
    } catch (const std::bad_alloc&) {
        // The arrays grow as packets come instead.
    } catch (const std::length_error&) {
        // A count beyond what the arrays can hold: they grow as packets come, too.
    }
}

const CPacketStore::TimeStampText& CPacketStore::StampNow() {
    const LocalTime now = m_clock();
    if (!m_hasLastStamp || !SameTime(now, m_lastTime)) {
        const std::string text = FormatTimeStamp(now);
        TimeStampText stamp{};
        text.copy(stamp.text, kTimeStampLength);
        m_lastStamp = stamp;
        m_lastTime = now;
        m_hasLastStamp = true;
    }
    return m_lastStamp;
}

int32_t CPacketStore::Count() const {
    return static_cast<int32_t>(m_lengths.size());
}

uint32_t CPacketStore::TotalBytes() const {
    return m_totalBytes;
}

PacketView CPacketStore::Get(int32_t index) const {
    const unsigned char* bytes = m_buffers[index] ? m_buffers[index] : kNoBytes;
    return PacketView{bytes, m_lengths[index], std::string(m_timeStamps[index].text, kTimeStampLength)};
}

void CPacketStore::Clear() {
    for (unsigned char* buffer : m_buffers) {
        delete[] buffer;
    }
    m_buffers.clear();
    m_lengths.clear();
    m_timeStamps.clear();
    m_totalBytes = 0;
}
