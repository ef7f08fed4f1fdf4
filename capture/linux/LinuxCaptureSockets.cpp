// The Linux capture socket: the datagrams of the chosen address's interface, relayed from a packet
// socket that stays with the relay.
#include "LinuxCaptureSockets.h"

#include "CaptureRelaySource.h"
#include "LinuxErrorText.h"
#include "LinuxInterfaces.h"
#include "PacketRingLayout.h"
#include "RelayedCapture.h"

#include <cerrno>

LinuxCaptureSockets::LinuxCaptureSockets() = default;
LinuxCaptureSockets::~LinuxCaptureSockets() = default;

// The address's interface is looked up in a fresh query, so that the index means what the user saw.
OpenedSocket LinuxCaptureSockets::OpenCaptureSocket(int32_t interfaceIndex, SignalHandle) {
    const InterfaceQuery query = QueryLocalInterfaces();
    if (!query.failure.empty()) {
        return {kInvalidSocket, query.failure};
    }
    if (interfaceIndex < 0 || static_cast<size_t>(interfaceIndex) >= query.interfaces.size()) {
        return {kInvalidSocket, "bind failed\n"};
    }
    std::string failure;
    std::unique_ptr<RelayedCapture> capture =
        RelayedCapture::Open(query.interfaces[static_cast<size_t>(interfaceIndex)].name, failure);
    if (capture == nullptr) {
        return {kInvalidSocket, std::move(failure)};
    }
    const SocketHandle socket = capture->ReadyFd();
    std::lock_guard<std::mutex> lock(m_capturesLock);
    m_captures[socket] = std::move(capture);
    return {socket, ""};
}

// Each datagram carries the kernel's time of its arrival, however late it is read. Once the relay
// holds no more, an error the socket reported (if any) is the result, so that a vanished interface
// is reported after the last datagram it delivered.
ReceiveResult LinuxCaptureSockets::Receive(SocketHandle socket, unsigned char* buffer, uint32_t capacity) {
    ReceiveResult result{-1, EBADF};
    {
        std::lock_guard<std::mutex> lock(m_capturesLock);
        const auto found = m_captures.find(socket);
        if (found != m_captures.end()) {
            result = found->second->Receive(buffer, capacity);
        }
    }
    NoteReceive(socket, result.bytes < 0 && result.error != ReceiveResult::kWouldBlock);
    return result;
}

void LinuxCaptureSockets::StopArrivals(SocketHandle socket) {
    std::lock_guard<std::mutex> lock(m_capturesLock);
    const auto found = m_captures.find(socket);
    if (found != m_captures.end()) {
        found->second->StopArrivals();
    }
}

LostCounts LinuxCaptureSockets::TakeLostCounts(SocketHandle socket) {
    std::lock_guard<std::mutex> lock(m_capturesLock);
    const auto found = m_captures.find(socket);
    return found != m_captures.end() ? found->second->TakeLost() : LostCounts{};
}

// The capture (its mapping, its descriptors, the relay's hold on the packet socket) goes before the
// handle can be given to another.
void LinuxCaptureSockets::CloseSocket(SocketHandle socket) {
    if (socket == kInvalidSocket) {
        return;
    }
    Forget(socket);
    std::unique_ptr<RelayedCapture> closing;
    {
        std::lock_guard<std::mutex> lock(m_capturesLock);
        const auto found = m_captures.find(socket);
        if (found != m_captures.end()) {
            closing = std::move(found->second);
            m_captures.erase(found);
        }
    }
}

std::string LinuxCaptureSockets::ReceiveFailureText(int32_t error) {
    return SystemFailureText(("recvfrom failed. Code " + std::to_string(error) + ": ").c_str(), error);
}

std::string LinuxCaptureSockets::TakeServiceNotice() {
    return TakeCaptureRelayNotice();
}

// The helper's receive ring, which a stop copies out to its end.
uint32_t LinuxCaptureSockets::SocketBufferBytes() const {
    return static_cast<uint32_t>(kRingBytes);
}
