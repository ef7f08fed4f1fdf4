// The capture socket on Linux: a packet socket bound to the interface that holds the chosen address.
#include "LinuxCaptureSystem.h"

#include "LinuxErrorText.h"
#include "LinuxInterfaces.h"
#include "LinuxPacketFilter.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <net/if.h>
#include <netpacket/packet.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Room for about a tenth of a second of a busy gigabit link, so that a capture thread held up for
// a moment (the store growing, the scheduler) loses nothing. Set with SO_RCVBUFFORCE, which passes
// the system limit when the process may; otherwise SO_RCVBUF gets as much as the limit allows.
constexpr int kReceiveBufferBytes = 8 * 1024 * 1024;

// Closes the descriptor on every early return of the set-up, unless released.
class UniqueFd {
public:
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }

    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

void EnlargeReceiveBuffer(int fd) {
    if (setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &kReceiveBufferBytes, sizeof kReceiveBufferBytes) != 0) {
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes, sizeof kReceiveBufferBytes);
    }
}

OpenedSocket Failed(std::string text) {
    return {kInvalidSocket, std::move(text)};
}

} // namespace

// The socket is made with protocol 0, which receives nothing, and starts receiving only when bound
// to the one interface, its filter already in place; so nothing else is queued before the bind. It
// is bound for every protocol because only such sockets see the datagrams the host sends as well as
// those it receives; the filter keeps the IPv4 ones.
OpenedSocket LinuxCaptureSystem::OpenCaptureSocket(int32_t interfaceIndex, SignalHandle) {
    UniqueFd fd(socket(AF_PACKET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (fd.get() < 0) {
        return Failed(SystemFailureText("socket(AF_PACKET) failed: ", errno));
    }
    const InterfaceQuery query = QueryLocalInterfaces();
    if (!query.failure.empty()) {
        return Failed(query.failure);
    }
    if (interfaceIndex < 0 || static_cast<size_t>(interfaceIndex) >= query.interfaces.size()) {
        return Failed("bind failed\n");
    }
    const LocalInterface& chosen = query.interfaces[static_cast<size_t>(interfaceIndex)];
    sockaddr_ll bound{};
    bound.sll_family = AF_PACKET;
    bound.sll_protocol = htons(ETH_P_ALL);
    bound.sll_ifindex = static_cast<int>(if_nametoindex(chosen.name.c_str()));
    if (bound.sll_ifindex == 0) {
        return Failed(SystemFailureText("bind(AF_PACKET) failed: ", errno));
    }
    if (!AttachCaptureFilter(fd.get(), chosen.loopback)) {
        return Failed(SystemFailureText("setsockopt(SO_ATTACH_FILTER) failed: ", errno));
    }
    EnlargeReceiveBuffer(fd.get());
    if (bind(fd.get(), reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0) {
        return Failed(SystemFailureText("bind(AF_PACKET) failed: ", errno));
    }
    return {fd.release(), ""};
}

// MSG_TRUNC makes recv return a datagram's full length; only what fits is kept.
ReceiveResult LinuxCaptureSystem::Receive(SocketHandle socket, unsigned char* buffer, uint32_t capacity) {
    const ssize_t length = recv(static_cast<int>(socket), buffer, capacity, MSG_TRUNC);
    if (length < 0) {
        const int error = errno;
        const bool nothingReady = error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
        NoteReceive(socket, !nothingReady);
        return {-1, nothingReady ? ReceiveResult::kWouldBlock : error};
    }
    NoteReceive(socket, false);
    return {static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(length), capacity)), 0};
}

void LinuxCaptureSystem::CloseSocket(SocketHandle socket) {
    if (socket == kInvalidSocket) {
        return;
    }
    Forget(socket);
    shutdown(static_cast<int>(socket), SHUT_RDWR); // packet sockets refuse it; closing is what counts
    close(static_cast<int>(socket));
}

std::string LinuxCaptureSystem::ReceiveFailureText(int32_t error) {
    return SystemFailureText(("recvfrom failed. Code " + std::to_string(error) + ": ").c_str(), error);
}
