// Reading the relay area: blocks in turn, records in turn, each block given back whole.
#include "RelayReader.h"

#include "EventFd.h"
#include "RelayLayout.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/mman.h>
#include <sys/stat.h>

namespace {

const RelayHeader* Header(const unsigned char* base) {
    return reinterpret_cast<const RelayHeader*>(base);
}

} // namespace

std::unique_ptr<RelayReader> RelayReader::Map(int areaFd, int freedFd) {
    struct stat status {};
    if (fstat(areaFd, &status) != 0) {
        return nullptr;
    }
    if (status.st_size != static_cast<off_t>(kRelayAreaBytes)) {
        errno = EINVAL;
        return nullptr;
    }
    // The helper has made every page; mapping them all now keeps page faults out of the capture.
    void* base = mmap(nullptr, kRelayAreaBytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, areaFd, 0);
    if (base == MAP_FAILED) {
        return nullptr;
    }
    return std::unique_ptr<RelayReader>(new RelayReader(static_cast<unsigned char*>(base), freedFd));
}

RelayReader::~RelayReader() {
    munmap(m_base, kRelayAreaBytes);
}

// Takes the current block once the helper has published it; its records are then seen whole
// (acquire). A block published empty is given back at once.
bool RelayReader::Enter() {
    while (m_record == nullptr) {
        if (__atomic_load_n(RelayStatus(m_base, m_block), __ATOMIC_ACQUIRE) != kRelayBlockReady) {
            return false;
        }
        const unsigned char* block = RelayBlock(m_base, m_block);
        uint32_t used = 0;
        std::memcpy(&used, block, sizeof used);
        m_record = block + kRelayBlockHeaderBytes;
        m_end = m_record + std::min<size_t>(used, kRelayBlockRoom);
        if (m_record == m_end) {
            Leave();
        }
    }
    return true;
}

// Gives the block back; a helper that said it waits for it is woken. The status is written before
// the flag is read, and the helper sets the flag before it reads the status, so one of the two
// always sees the other (both sequentially consistent).
void RelayReader::Leave() {
    __atomic_store_n(RelayStatus(m_base, m_block), kRelayBlockFree, __ATOMIC_SEQ_CST);
    if (__atomic_load_n(&Header(m_base)->waitingForBlock, __ATOMIC_SEQ_CST) != 0) {
        SignalEventFd(m_freedFd);
    }
    m_block = (m_block + 1) % kRelayBlockCount;
    m_record = nullptr;
    m_end = nullptr;
}

int32_t RelayReader::Next(unsigned char* buffer, uint32_t capacity, timespec& arrival) {
    if (!Enter()) {
        return -1;
    }
    RelayRecord record{};
    const auto left = static_cast<size_t>(m_end - m_record);
    if (left >= sizeof record) {
        std::memcpy(&record, m_record, sizeof record);
    }
    // A record that does not fit what the block says it holds ends the block.
    if (left < sizeof record || record.length > left - sizeof record) {
        Leave();
        return Next(buffer, capacity, arrival);
    }
    const uint32_t length = std::min(record.length, capacity);
    if (length > 0) {
        std::memcpy(buffer, m_record + sizeof record, length);
    }
    arrival.tv_sec = static_cast<time_t>(record.seconds);
    arrival.tv_nsec = static_cast<long>(record.nanoseconds);
    m_record += std::min(RelayRecordBytes(record.length), left);
    ++m_read;
    if (m_record == m_end) {
        Leave();
    }
    return static_cast<int32_t>(length);
}

bool RelayReader::Finished() const {
    return __atomic_load_n(&Header(m_base)->finished, __ATOMIC_ACQUIRE) != 0;
}

namespace {

// What count adds to what was taken before; the count only grows.
uint64_t TakeGrowth(uint64_t count, uint64_t& taken) {
    const uint64_t growth = count > taken ? count - taken : 0;
    taken = std::max(taken, count);
    return growth;
}

} // namespace

LostCounts RelayReader::TakeLost() {
    const RelayHeader* header = Header(m_base);
    LostCounts lost;
    lost.kernelDropped = TakeGrowth(__atomic_load_n(&header->lost, __ATOMIC_ACQUIRE), m_droppedTaken);
    if (__atomic_load_n(&header->stopCounted, __ATOMIC_ACQUIRE) != 0) {
        const uint64_t held = __atomic_load_n(&header->heldAtStop, __ATOMIC_RELAXED);
        lost.unreadAtStop = held > m_read ? held - m_read : 0;
    }
    return lost;
}

int RelayReader::TakeSocketError() {
    const uint32_t errors = __atomic_load_n(&Header(m_base)->socketErrors, __ATOMIC_ACQUIRE);
    if (errors == m_errorsSeen) {
        return 0;
    }
    m_errorsSeen = errors;
    return __atomic_load_n(&Header(m_base)->socketError, __ATOMIC_RELAXED);
}
