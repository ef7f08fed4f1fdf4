// Set-up of the raw IPv4 capture socket: the local address list and receive-all mode.
#include "RawSocket.h"

#include "AddressListParser.h"
#include "UniqueSocket.h"

#include <mstcpip.h>
#include <ws2tcpip.h>

#include <cstddef>

namespace {

constexpr DWORD kAddressListBufferSize = 4096;

// The parser reads the 64-bit layout of the list.
static_assert(sizeof(SOCKET_ADDRESS) == 16, "64-bit socket address entries");
static_assert(offsetof(SOCKET_ADDRESS_LIST, Address) == 8, "entries start at offset 8");

OpenedSocket Failed(const char* text) {
    return OpenedSocket{kInvalidSocket, text};
}

bool BindToAddress(SOCKET socket, uint32_t addressNetworkOrder) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = 0;
    local.sin_addr.s_addr = addressNetworkOrder;
    return bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

bool SwitchReceiveAll(SOCKET socket, DWORD mode) {
    DWORD returned = 0;
    return WSAIoctl(socket, SIO_RCVALL, &mode, sizeof mode, nullptr, 0, &returned, nullptr, nullptr) == 0;
}

} // namespace

// The sizes read back are not acted on, and a failure of any of the three calls does not stop capture.
void EnlargeReceiveBuffer(SOCKET socket) {
    int size = 0;
    int length = sizeof size;
    getsockopt(socket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&size), &length);
    size = kRawReceiveBufferBytes;
    setsockopt(socket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&size), sizeof size);
    length = sizeof size;
    getsockopt(socket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&size), &length);
}

SOCKET OpenRawSocket(int protocol) {
    return WSASocketA(AF_INET, SOCK_RAW, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED);
}

bool QueryAddressList(SOCKET socket, std::vector<uint32_t>& addresses) {
    alignas(SOCKET_ADDRESS_LIST) unsigned char buffer[kAddressListBufferSize];
    DWORD returned = 0;
    if (WSAIoctl(socket, SIO_ADDRESS_LIST_QUERY, nullptr, 0, buffer, sizeof buffer, &returned, nullptr, nullptr) != 0 ||
        returned > sizeof buffer) {
        addresses.clear();
        return false;
    }
    return ParseSocketAddressList(buffer, returned, reinterpret_cast<uintptr_t>(buffer), addresses);
}

bool QueryAddressList(SOCKET socket, const CaptureSocketKind& kind, std::vector<uint32_t>& addresses) {
    if (kind.onlyAddress == 0) {
        return QueryAddressList(socket, addresses);
    }
    addresses.assign(1, kind.onlyAddress);
    return true;
}

OpenedSocket OpenReceiveAllSocket(SOCKET rawSocket, int32_t interfaceIndex, WSAEVENT networkEvent,
                                  const CaptureSocketKind& kind) {
    UniqueSocket socket(rawSocket);
    if (!socket) {
        return Failed(kSocketFailureText);
    }
    std::vector<uint32_t> addresses;
    if (!QueryAddressList(socket.get(), kind, addresses)) {
        return Failed(kAddressQueryFailureText);
    }
    // The list may have changed since the user picked the position, or nothing was picked.
    if (interfaceIndex < 0 || static_cast<size_t>(interfaceIndex) >= addresses.size() ||
        !BindToAddress(socket.get(), addresses[static_cast<size_t>(interfaceIndex)])) {
        return Failed(kBindFailureText);
    }
    if (kind.receiveAll && !SwitchReceiveAll(socket.get(), RCVALL_ON)) {
        return Failed(kReceiveAllFailureText);
    }
    EnlargeReceiveBuffer(socket.get());
    if (WSAEventSelect(socket.get(), networkEvent, FD_READ) != 0) {
        // Capture goes on without readiness, but a read must still never block the capture thread,
        // or Stop would wait on it for as long as the line stays quiet.
        u_long nonBlocking = 1;
        ioctlsocket(socket.get(), FIONBIO, &nonBlocking);
    }
    return OpenedSocket{static_cast<SocketHandle>(socket.release()), {}};
}

bool SwitchReceiveAllOff(SOCKET socket) {
    return SwitchReceiveAll(socket, RCVALL_OFF);
}
