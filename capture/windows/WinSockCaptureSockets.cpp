// The capture socket on Windows: the raw IPv4 socket in receive-all mode, the provider's address
// list, and the Windows Sockets wait on the capture thread's events.
#include "WinSockCaptureSockets.h"

#include "EventSignal.h"
#include "RawSocket.h"
#include "UniqueSocket.h"

#include <winsock2.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace {

static_assert(static_cast<SocketHandle>(INVALID_SOCKET) == kInvalidSocket, "one invalid socket value");

// How long a failed wait pauses before it reports a time-out, so that a wait that keeps failing
// does not turn the capture thread's loop into a busy one.
constexpr DWORD kFailedWaitPauseMs = 100;

SOCKET ToSocket(SocketHandle socket) {
    return static_cast<SOCKET>(socket);
}

// The events are watched in priority order: stop, close, network.
constexpr DWORD kStopIndex = 0;
constexpr DWORD kCloseIndex = 1;
constexpr DWORD kNetworkIndex = 2;

// The network event is manual-reset and stays set after a wake. It is cleared before the engine
// reads: each receive re-enables FD_READ, and the provider sets the event again while data remains,
// so an unread socket does not wake the next wait over and over.
WaitResult Served(DWORD index, const WSAEVENT* events, DWORD count) {
    if (index == kStopIndex) {
        return WaitResult::Stop;
    }
    if (index == kCloseIndex) {
        return WaitResult::Close;
    }
    if (count > kNetworkIndex) {
        WSAResetEvent(events[kNetworkIndex]);
    }
    return WaitResult::Network;
}

bool IsSignalled(WSAEVENT event) {
    return WSAWaitForMultipleEvents(1, &event, FALSE, 0, FALSE) == WSA_WAIT_EVENT_0;
}

// A wait fails as a whole when one of its handles is bad. Looking at each event on its own keeps
// stop and close working even then; with none of them set, the pause stands in for the time-out.
WaitResult AfterFailedWait(const WSAEVENT* events, DWORD count, uint32_t timeoutMs) {
    for (DWORD index = 0; index < count; ++index) {
        if (IsSignalled(events[index])) {
            return Served(index, events, count);
        }
    }
    ::Sleep(std::min<DWORD>(timeoutMs, kFailedWaitPauseMs));
    return WaitResult::Timeout;
}

} // namespace

WaitResult WinSockCaptureSockets::Wait(SignalHandle stop, SignalHandle close, SignalHandle network, SocketHandle,
                                       bool watchNetwork, uint32_t timeoutMs) {
    const WSAEVENT events[] = {ToHandle(stop), ToHandle(close), ToHandle(network)};
    const DWORD count = watchNetwork && network != kNoSignal ? 3 : 2;
    const DWORD result = WSAWaitForMultipleEvents(count, events, FALSE, timeoutMs, FALSE);
    if (result == WSA_WAIT_TIMEOUT) {
        return WaitResult::Timeout;
    }
    if (result == WSA_WAIT_FAILED) {
        return AfterFailedWait(events, count, timeoutMs);
    }
    return Served(result - WSA_WAIT_EVENT_0, events, count);
}

AddressQuery WinSockCaptureSockets::QueryLocalAddresses() {
    AddressQuery query;
    UniqueSocket socket(OpenRawSocket(m_kind.protocol));
    if (!socket) {
        query.failure = kSocketFailureText;
    } else if (!QueryAddressList(socket.get(), m_kind, query.addresses)) {
        query.failure = kAddressQueryFailureText;
    }
    return query;
}

OpenedSocket WinSockCaptureSockets::OpenCaptureSocket(int32_t interfaceIndex, SignalHandle networkEvent) {
    return OpenReceiveAllSocket(OpenRawSocket(m_kind.protocol), interfaceIndex, ToHandle(networkEvent), m_kind);
}

ReceiveResult WinSockCaptureSockets::Receive(SocketHandle socket, unsigned char* buffer, uint32_t capacity) {
    WSABUF data{capacity, reinterpret_cast<char*>(buffer)};
    DWORD received = 0;
    DWORD flags = 0;
    if (WSARecv(ToSocket(socket), &data, 1, &received, &flags, nullptr, nullptr) == 0) {
        return ReceiveResult{static_cast<int32_t>(received), 0};
    }
    const int error = WSAGetLastError();
    if (error == WSAEWOULDBLOCK) {
        return ReceiveResult{-1, ReceiveResult::kWouldBlock};
    }
    ReceiveResult failed{-1, error};
    failed.madeByStop = socket == m_switchedOff.load(std::memory_order_acquire);
    return failed;
}

// The receive buffer that the socket was opened with.
uint32_t WinSockCaptureSockets::SocketBufferBytes() const {
    return static_cast<uint32_t>(kRawReceiveBufferBytes);
}

// Receive-all is what lets the socket of protocol 0 take in anything. Windows copies a received
// datagram into a raw socket only when "the protocol number specified in the protocol parameter when
// the socket was created" matches "the protocol number in the IP header of the received datagram"
// (TCP/IP raw sockets, learn.microsoft.com/windows/win32/winsock/tcp-ip-raw-sockets-2), and RCVALL_OFF
// is documented to make a socket "not receive all IPv4 or IPv6 packets passing through a network
// interface" (learn.microsoft.com/windows/win32/winsock/sio-rcvall). Switched off, the socket takes in
// only IPv4 datagrams that carry protocol number 0, which IPv4 traffic does not use, so the reads of
// the stop end once the datagrams queued before it are read. Nothing documented says the switch
// discards what is queued. If the provider refuses it, the engine's own bound on those reads applies.
void WinSockCaptureSockets::StopArrivals(SocketHandle socket) {
    if (socket != kInvalidSocket && m_kind.receiveAll) {
        SwitchReceiveAllOff(ToSocket(socket));
        m_switchedOff.store(socket, std::memory_order_release);
    }
}

void WinSockCaptureSockets::CloseSocket(SocketHandle socket) {
    if (socket == kInvalidSocket) {
        return;
    }
    SocketHandle switchedOff = socket;
    m_switchedOff.compare_exchange_strong(switchedOff, kInvalidSocket, std::memory_order_acq_rel);
    shutdown(ToSocket(socket), SD_BOTH);
    closesocket(ToSocket(socket));
}

std::string WinSockCaptureSockets::ReceiveFailureText(int32_t error) {
    char text[64];
    std::snprintf(text, sizeof text, "WSARecv failed. Code %d\n", static_cast<int>(error));
    return text;
}
