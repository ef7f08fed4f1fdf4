// One capture in the capture helper: the kernel ring copied, datagram by datagram, into the blocks
// of the relay area, which the program reads and gives back.
#include "PacketRelay.h"

#include "BoundPacketSocket.h"
#include "EventFd.h"
#include "LinuxErrorText.h"
#include "RelayLayout.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/socket.h>

namespace {

// Blocks published per Pump before the helper looks at its channel again.
constexpr unsigned kPublishesPerPump = 4;

RelayHeader* Header(unsigned char* base) {
    return reinterpret_cast<RelayHeader*>(base);
}

// A memfd of the area's size that keeps that size: a program that could shrink it would make the
// helper's next write into it fault.
int CreateSealedArea(std::string& failure) {
    UniqueFd area(memfd_create("sorvane-relay", MFD_CLOEXEC | MFD_ALLOW_SEALING));
    if (!area) {
        failure = SystemFailureText("memfd_create failed: ", errno);
        return -1;
    }
    if (ftruncate(area.get(), static_cast<off_t>(kRelayAreaBytes)) != 0) {
        failure = SystemFailureText("ftruncate(relay area) failed: ", errno);
        return -1;
    }
    if (fcntl(area.get(), F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) != 0) {
        failure = SystemFailureText("fcntl(F_ADD_SEALS) failed: ", errno);
        return -1;
    }
    return area.release();
}

// Binding afresh to a protocol the filter drops takes the socket off the interface's IPv4 traffic;
// the kernel returns from such a bind only once no datagram is still on its way into the ring, so
// every frame in the ring is then whole. It fails only when the interface is gone, which has taken
// the socket off already.
void DetachFromTraffic(int fd) {
    sockaddr_ll bound{};
    socklen_t length = sizeof bound;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        return;
    }
    bound.sll_protocol = htons(ETH_P_LOOPBACK);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0) {
        // No interface left to take the socket off.
    }
}

// The error the kernel keeps for the socket (the interface went down or away), which reading it
// clears; 0 when there is none.
int TakePendingError(int fd) {
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
        return errno;
    }
    return error;
}

} // namespace

std::unique_ptr<PacketRelay> PacketRelay::Open(const std::string& interfaceName, std::string& failure) {
    BoundPacketSocket opened = OpenBoundPacketSocket(interfaceName);
    UniqueFd socket(opened.fd);
    if (!socket) {
        failure = std::move(opened.failure);
        return nullptr;
    }
    std::unique_ptr<PacketRing> ring = PacketRing::Map(socket.get());
    if (ring == nullptr) {
        failure = SystemFailureText("mmap(PACKET_RX_RING) failed: ", errno);
        return nullptr;
    }
    UniqueFd area(CreateSealedArea(failure));
    if (!area) {
        return nullptr;
    }
    UniqueFd data(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    UniqueFd freed(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!data || !freed) {
        failure = SystemFailureText("eventfd failed: ", errno);
        return nullptr;
    }
    // Populated at once, so that the first pass over the area costs no page faults during capture.
    void* base = mmap(nullptr, kRelayAreaBytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, area.get(), 0);
    if (base == MAP_FAILED) {
        failure = SystemFailureText("mmap(relay area) failed: ", errno);
        return nullptr;
    }
    return std::unique_ptr<PacketRelay>(new PacketRelay(std::move(socket), std::move(ring), std::move(area),
                                                        static_cast<unsigned char*>(base), std::move(data),
                                                        std::move(freed)));
}

PacketRelay::PacketRelay(UniqueFd socket, std::unique_ptr<PacketRing> ring, UniqueFd area, unsigned char* base,
                         UniqueFd data, UniqueFd freed)
    : m_socket(std::move(socket)), m_ring(std::move(ring)), m_area(std::move(area)), m_base(base),
      m_data(std::move(data)), m_freed(std::move(freed)) {}

// The ring is unmapped before its socket closes.
PacketRelay::~PacketRelay() {
    munmap(m_base, kRelayAreaBytes);
    m_ring.reset();
}

int PacketRelay::WatchedSocket() const {
    return m_waiting || m_sealed || m_socketQuiet ? -1 : m_socket.get();
}

bool PacketRelay::Pump() {
    if (m_finished) {
        return false;
    }
    if (m_waiting) {
        DrainEventFd(m_freed.get());
    }
    const bool more = Copy();
    if (m_sealed) {
        if (!more && !m_waiting) {
            Finish();
        }
    } else {
        PublishLost(m_ring->TakeLost());
    }
    return more;
}

// Copies until the ring is empty (then publishes the block being filled), a block is not free, or
// enough blocks were published for one call; true in the last case.
bool PacketRelay::Copy() {
    unsigned published = 0;
    RingFrame frame{};
    while (m_ring->Peek(frame)) {
        if (!m_haveBlock && !TakeBlock()) {
            return false;
        }
        const uint32_t length = std::min(frame.length, kLargestDatagramBytes);
        if (m_used + RelayRecordBytes(length) > kRelayBlockRoom) {
            Publish();
            if (++published == kPublishesPerPump) {
                return true;
            }
            continue;
        }
        WriteRecord(frame, length);
        m_ring->Advance();
    }
    if (m_haveBlock && m_used > 0) {
        Publish();
    }
    return false;
}

// The next block in turn, if the program has given it back. Before waiting for it the helper says
// so and looks once more, so that a block freed in between is not missed: the program frees, then
// reads the flag; the helper sets the flag, then reads the status.
bool PacketRelay::TakeBlock() {
    uint32_t* status = RelayStatus(m_base, m_block);
    if (__atomic_load_n(status, __ATOMIC_SEQ_CST) != kRelayBlockFree) {
        if (!m_waiting) {
            m_waiting = true;
            __atomic_store_n(&Header(m_base)->waitingForBlock, 1u, __ATOMIC_SEQ_CST);
        }
        if (__atomic_load_n(status, __ATOMIC_SEQ_CST) != kRelayBlockFree) {
            return false;
        }
    }
    if (m_waiting) {
        m_waiting = false;
        __atomic_store_n(&Header(m_base)->waitingForBlock, 0u, __ATOMIC_SEQ_CST);
    }
    m_haveBlock = true;
    m_used = 0;
    return true;
}

void PacketRelay::WriteRecord(const RingFrame& frame, uint32_t length) {
    const RelayRecord record{length, static_cast<uint32_t>(frame.arrival.tv_nsec),
                             static_cast<int64_t>(frame.arrival.tv_sec)};
    unsigned char* at = RelayBlock(m_base, m_block) + kRelayBlockHeaderBytes + m_used;
    std::memcpy(at, &record, sizeof record);
    std::memcpy(at + sizeof record, frame.bytes, length);
    m_used += RelayRecordBytes(length);
    ++m_copied;
}

void PacketRelay::Publish() {
    const auto used = static_cast<uint32_t>(m_used);
    std::memcpy(RelayBlock(m_base, m_block), &used, sizeof used);
    __atomic_store_n(RelayStatus(m_base, m_block), kRelayBlockReady, __ATOMIC_RELEASE);
    m_block = (m_block + 1) % kRelayBlockCount;
    m_haveBlock = false;
    SignalEventFd(m_data.get());
}

void PacketRelay::PublishLost(uint64_t lost) {
    if (lost != 0) {
        m_lost += lost;
        __atomic_store_n(&Header(m_base)->lost, m_lost, __ATOMIC_RELEASE);
    }
}

// Sealed, the ring's last datagram has been copied.
void PacketRelay::Finish() {
    m_finished = true;
    __atomic_store_n(&Header(m_base)->finished, 1u, __ATOMIC_RELEASE);
    SignalEventFd(m_data.get());
}

void PacketRelay::TakeSocketEvents(short events) {
    if ((events & (POLLERR | POLLHUP | POLLNVAL)) == 0) {
        return;
    }
    Pump();
    const int error = TakePendingError(m_socket.get());
    if (error == 0) {
        // Nothing to tell, and poll would report the same again at once: the socket is left alone.
        m_socketQuiet = true;
        return;
    }
    __atomic_store_n(&Header(m_base)->socketError, error, __ATOMIC_RELAXED);
    __atomic_store_n(&Header(m_base)->socketErrors, ++m_socketErrors, __ATOMIC_RELEASE);
    SignalEventFd(m_data.get());
}

// Once the socket is off the traffic nothing more arrives or is dropped: the drops are final, and
// what the capture holds is what was copied and what the ring still holds.
void PacketRelay::StopArrivals() {
    if (m_sealed) {
        return;
    }
    DetachFromTraffic(m_socket.get());
    PublishLost(m_ring->TakeLost());
    RelayHeader* header = Header(m_base);
    __atomic_store_n(&header->heldAtStop, m_copied + m_ring->Unread(), __ATOMIC_RELAXED);
    __atomic_store_n(&header->stopCounted, 1u, __ATOMIC_RELEASE);
    m_ring->Seal();
    m_sealed = true;
}
