// Tests of the Windows backend's address list and capture socket set-up against the real provider.
#include "FullRun.h"
#include "LocalAddresses.h"
#include "WinSockTest.h"
#include "windows/RawSocket.h"
#include "windows/WinSockCaptureSockets.h"
#include "windows/WindowsThreads.h"

#include <iphlpapi.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

class WindowsRawSocketTest : public WinSockTest {
protected:
    void SetUp() override {
        m_network = m_threads.CreateNetworkEvent();
        ASSERT_NE(m_network, kNoSignal);
    }
    void TearDown() override { m_threads.CloseSignal(m_network); }

    // A raw socket the provider accepts: it refuses protocol 0 under Wine but opens ICMP.
    static SOCKET OpenIcmpRawSocket() {
        return WSASocketA(AF_INET, SOCK_RAW, IPPROTO_ICMP, nullptr, 0, WSA_FLAG_OVERLAPPED);
    }
    static int ReceiveBufferBytes(SOCKET socket) {
        int size = 0;
        int length = sizeof size;
        EXPECT_EQ(getsockopt(socket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&size), &length), 0);
        return size;
    }
    static std::vector<uint32_t> LocalAddresses() {
        std::vector<uint32_t> addresses;
        const SOCKET udp = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        EXPECT_TRUE(QueryAddressList(udp, addresses));
        closesocket(udp);
        return addresses;
    }

    WindowsThreads m_threads;
    WinSockCaptureSockets m_sockets;
    SignalHandle m_network = kNoSignal;
};

TEST_F(WindowsRawSocketTest, RefusedRawSocketFailsBothOperationsAtTheSocketStep) {
    const SOCKET probe = WSASocketA(AF_INET, SOCK_RAW, 0, nullptr, 0, WSA_FLAG_OVERLAPPED);
    if (probe != INVALID_SOCKET) {
        closesocket(probe);
        SKIP_UNLESS_FULL_RUN("this provider opens raw sockets with protocol 0");
    }
    const std::string text = "WSASocket(AF_INET,SOCK_RAW) failed\n";

    const AddressQuery query = m_sockets.QueryLocalAddresses();
    EXPECT_EQ(query.failure, text);
    EXPECT_TRUE(query.addresses.empty());

    const AddressEntries entries = ListLocalAddresses(m_sockets);
    EXPECT_EQ(entries.failure, text);
    EXPECT_TRUE(entries.entries.empty());

    const OpenedSocket opened = m_sockets.OpenCaptureSocket(0, m_network);
    EXPECT_EQ(opened.socket, kInvalidSocket);
    EXPECT_EQ(opened.failure, text);
}

// The buffer step on raw sockets the provider grants: the size it asks for is the size read back
// where the socket started with another, and the open takes the step (on a socket of the kind the
// tests capture on, which needs no receive-all).
TEST_F(WindowsRawSocketTest, BufferStepGivesTheReceiveBufferItAsksForAndTheOpenTakesIt) {
    const SOCKET raw = OpenIcmpRawSocket();
    const SOCKET opened = OpenIcmpRawSocket();
    if (raw == INVALID_SOCKET || opened == INVALID_SOCKET) {
        SKIP_UNLESS_FULL_RUN("no raw ICMP socket: the provider needs administrator rights (root under Wine)");
    }
    EXPECT_NE(ReceiveBufferBytes(raw), kRawReceiveBufferBytes);
    EnlargeReceiveBuffer(raw);
    EXPECT_EQ(ReceiveBufferBytes(raw), kRawReceiveBufferBytes);
    closesocket(raw);

    const CaptureSocketKind loopback{IPPROTO_ICMP, false, htonl(INADDR_LOOPBACK)};
    const OpenedSocket open = OpenReceiveAllSocket(opened, 0, reinterpret_cast<HANDLE>(m_network), loopback);
    ASSERT_EQ(open.failure, "");
    EXPECT_EQ(ReceiveBufferBytes(opened), kRawReceiveBufferBytes);
    m_sockets.CloseSocket(open.socket);
}

// The IPv4 addresses of the adapters that are up, loopback aside, as the adapter list reports them.
std::vector<uint32_t> AdapterAddresses() {
    std::vector<unsigned char> buffer(64 * 1024);
    auto* adapters = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
    ULONG size = static_cast<ULONG>(buffer.size());
    std::vector<uint32_t> addresses;
    EXPECT_EQ(GetAdaptersAddresses(AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST, nullptr, adapters, &size),
              static_cast<ULONG>(ERROR_SUCCESS));
    for (auto* adapter = adapters; adapter != nullptr; adapter = adapter->Next) {
        if (adapter->OperStatus != IfOperStatusUp || adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK) {
            continue;
        }
        for (auto* unicast = adapter->FirstUnicastAddress; unicast != nullptr; unicast = unicast->Next) {
            addresses.push_back(reinterpret_cast<const sockaddr_in*>(unicast->Address.lpSockaddr)->sin_addr.s_addr);
        }
    }
    return addresses;
}

// Misread entries would not be local addresses, so each address of the list must take a bind, and
// every address the adapters report must be there: an empty list is wrong on a host that has one.
TEST_F(WindowsRawSocketTest, AddressListHoldsBindableLocalAddresses) {
    const std::vector<uint32_t> addresses = LocalAddresses();
    const std::vector<uint32_t> adapters = AdapterAddresses();
    std::printf("the provider lists %zu local addresses, the adapters report %zu\n", addresses.size(), adapters.size());
    for (uint32_t address : adapters) {
        EXPECT_NE(std::find(addresses.begin(), addresses.end(), address), addresses.end())
            << FormatDottedAddress(address) << " is missing from the list";
    }
    for (uint32_t address : addresses) {
        const SOCKET udp = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = address;
        EXPECT_EQ(bind(udp, reinterpret_cast<sockaddr*>(&local), sizeof local), 0) << FormatDottedAddress(address);
        closesocket(udp);
    }
}

TEST_F(WindowsRawSocketTest, IndexOutsideTheFreshListFailsAtBindAndClosesTheSocket) {
    const auto size = static_cast<int32_t>(LocalAddresses().size());
    for (int32_t index : {-1, size, size + 1, INT32_MAX, INT32_MIN}) {
        const SOCKET raw = OpenIcmpRawSocket();
        if (raw == INVALID_SOCKET) {
            SKIP_UNLESS_FULL_RUN("no raw socket without administrator rights");
        }
        const OpenedSocket opened = OpenReceiveAllSocket(raw, index, reinterpret_cast<HANDLE>(m_network));
        EXPECT_EQ(opened.socket, kInvalidSocket) << index;
        EXPECT_EQ(opened.failure, "bind failed\n") << index;
        EXPECT_FALSE(IsOpenSocket(raw)) << index;
    }
}

// Under Wine receive-all mode is refused; where it is granted the socket comes back ready.
TEST_F(WindowsRawSocketTest, FirstAddressBindsAndReportsTheReceiveAllStep) {
    if (LocalAddresses().empty()) {
        SKIP_UNLESS_FULL_RUN("no local address to bind");
    }
    const SOCKET raw = OpenIcmpRawSocket();
    if (raw == INVALID_SOCKET) {
        SKIP_UNLESS_FULL_RUN("no raw socket without administrator rights");
    }
    const OpenedSocket opened = OpenReceiveAllSocket(raw, 0, reinterpret_cast<HANDLE>(m_network));
    if (opened.socket == kInvalidSocket) {
        EXPECT_EQ(opened.failure, "WSAIoCtl(SIO_RCVALL) failed\n");
        EXPECT_FALSE(IsOpenSocket(raw));
        return;
    }
    EXPECT_TRUE(opened.failure.empty());
    const auto socket = static_cast<SOCKET>(opened.socket);
    EXPECT_EQ(ReceiveBufferBytes(socket), kRawReceiveBufferBytes);
    m_sockets.CloseSocket(opened.socket);
    EXPECT_FALSE(IsOpenSocket(socket));
}

} // namespace
