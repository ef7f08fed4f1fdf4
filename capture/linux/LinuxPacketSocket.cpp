// The Linux capture socket: a packet socket on the chosen address's interface, read through its mapped ring.
#include "LinuxCaptureSystem.h"

#include "LinuxErrorText.h"
#include "LinuxInterfaces.h"
#include "LinuxLocalClock.h"
#include "PacketRing.h"
#include "PacketSocketSource.h"
#include "UniqueFd.h"

#include <cerrno>

#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

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

} // namespace

LinuxCaptureSystem::LinuxCaptureSystem() = default;
LinuxCaptureSystem::~LinuxCaptureSystem() = default;

// The address's interface is looked up in a fresh query, so that the index means what the user saw.
OpenedSocket LinuxCaptureSystem::OpenCaptureSocket(int32_t interfaceIndex, SignalHandle) {
    const InterfaceQuery query = QueryLocalInterfaces();
    if (!query.failure.empty()) {
        return {kInvalidSocket, query.failure};
    }
    if (interfaceIndex < 0 || static_cast<size_t>(interfaceIndex) >= query.interfaces.size()) {
        return {kInvalidSocket, "bind failed\n"};
    }
    BoundPacketSocket opened = ObtainPacketSocket(query.interfaces[static_cast<size_t>(interfaceIndex)].name);
    if (opened.fd < 0) {
        return {kInvalidSocket, std::move(opened.failure)};
    }
    return AdoptBoundSocket(opened.fd);
}

// What the program does with a bound socket needs no privilege: it maps the ring and keeps it.
OpenedSocket LinuxCaptureSystem::AdoptBoundSocket(int fd) {
    UniqueFd owned(fd);
    std::unique_ptr<PacketRing> ring = PacketRing::Map(fd);
    if (ring == nullptr) {
        return {kInvalidSocket, SystemFailureText("mmap(PACKET_RX_RING) failed: ", errno)};
    }
    std::lock_guard<std::mutex> lock(m_ringsLock);
    m_rings[fd] = std::move(ring);
    return {owned.release(), ""};
}

// Datagrams come from the ring; once it holds none, the error the socket keeps (if any) is the
// result, so that a vanished interface is reported after the last datagram it delivered.
// Each datagram carries the kernel's time of its arrival, which a block handed over late does not change.
ReceiveResult LinuxCaptureSystem::Receive(SocketHandle socket, unsigned char* buffer, uint32_t capacity) {
    int32_t length = -1;
    timespec arrival{};
    {
        std::lock_guard<std::mutex> lock(m_ringsLock);
        const auto found = m_rings.find(socket);
        if (found == m_rings.end()) {
            NoteReceive(socket, true);
            return {-1, EBADF};
        }
        length = found->second->Next(buffer, capacity, arrival);
    }
    if (length >= 0) {
        NoteReceive(socket, false);
        return {length, 0, true, LocalTimeAt(arrival)};
    }
    const int error = TakePendingError(static_cast<int>(socket));
    NoteReceive(socket, error != 0);
    return {-1, error != 0 ? error : ReceiveResult::kWouldBlock};
}

void LinuxCaptureSystem::StopArrivals(SocketHandle socket) {
    if (socket == kInvalidSocket) {
        return;
    }
    DetachFromTraffic(static_cast<int>(socket));
    std::lock_guard<std::mutex> lock(m_ringsLock);
    const auto found = m_rings.find(socket);
    if (found != m_rings.end()) {
        found->second->Seal();
    }
}

uint64_t LinuxCaptureSystem::TakeLostCount(SocketHandle socket) {
    std::lock_guard<std::mutex> lock(m_ringsLock);
    const auto found = m_rings.find(socket);
    return found != m_rings.end() ? found->second->TakeLost() : 0;
}

// The ring is unmapped before the descriptor goes, so that a new socket given the same number
// never meets the old ring.
void LinuxCaptureSystem::CloseSocket(SocketHandle socket) {
    if (socket == kInvalidSocket) {
        return;
    }
    Forget(socket);
    {
        std::lock_guard<std::mutex> lock(m_ringsLock);
        m_rings.erase(socket);
    }
    close(static_cast<int>(socket));
}

std::string LinuxCaptureSystem::ReceiveFailureText(int32_t error) {
    return SystemFailureText(("recvfrom failed. Code " + std::to_string(error) + ": ").c_str(), error);
}
