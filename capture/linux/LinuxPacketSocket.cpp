// The capture socket on Linux: a packet socket bound to the interface that holds the chosen address.
#include "LinuxCaptureSystem.h"

#include "LinuxErrorText.h"
#include "LinuxInterfaces.h"
#include "PacketSocketSource.h"

#include <algorithm>
#include <cerrno>

#include <sys/socket.h>
#include <unistd.h>

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
    return {opened.fd, ""};
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
