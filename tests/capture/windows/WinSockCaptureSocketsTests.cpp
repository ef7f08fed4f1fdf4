// Tests of the Windows backend's signals, its wait and the readiness of a real socket on loopback.
#include "WaitSignalsTest.h"
#include "WinSockTest.h"
#include "windows/WinSockCaptureSockets.h"
#include "windows/WindowsThreads.h"

#include <ws2tcpip.h>

#include <windows.h>

#include <cstring>
#include <string>

namespace {

class WindowsWaitTest : public WaitSignalsTest<WindowsThreads, WinSockCaptureSockets, WinSockTest> {
protected:
    WaitResult WaitFor(bool watchNetwork, uint32_t timeoutMs = 0) {
        return m_sockets.Wait(m_stop, m_close, m_network, kInvalidSocket, watchNetwork, timeoutMs);
    }
    static void Clear(SignalHandle signal) { ResetEvent(reinterpret_cast<HANDLE>(signal)); }
};

TEST_F(WindowsWaitTest, ServesTheFirstSetSignalInPriorityOrder) {
    const struct {
        bool stop, close, network, watchNetwork;
        WaitResult expected;
    } cases[] = {
        {false, false, false, true, WaitResult::Timeout}, {false, false, true, true, WaitResult::Network},
        {false, false, true, false, WaitResult::Timeout}, {false, true, true, true, WaitResult::Close},
        {false, true, false, false, WaitResult::Close},   {true, true, true, true, WaitResult::Stop},
        {true, false, true, false, WaitResult::Stop},
    };
    for (const auto& c : cases) {
        Clear(m_stop);
        Clear(m_close);
        Clear(m_network);
        if (c.stop)
            m_threads.SetSignal(m_stop);
        if (c.close)
            m_threads.SetSignal(m_close);
        if (c.network)
            m_threads.SetSignal(m_network);
        EXPECT_EQ(WaitFor(c.watchNetwork), c.expected)
            << "stop " << c.stop << " close " << c.close << " network " << c.network << " watched " << c.watchNetwork;
    }
}

// The stop signal stays set for every later wait; the close signal and a network wake are used up.
TEST_F(WindowsWaitTest, StopStaysSetWhileCloseAndNetworkAreConsumed) {
    m_threads.SetSignal(m_stop);
    m_threads.SetSignal(m_close);
    m_threads.SetSignal(m_network);
    EXPECT_EQ(WaitFor(true), WaitResult::Stop);
    EXPECT_EQ(WaitFor(true), WaitResult::Stop);
    Clear(m_stop);
    EXPECT_EQ(WaitFor(true), WaitResult::Close);
    EXPECT_EQ(WaitFor(true), WaitResult::Network);
    EXPECT_EQ(WaitFor(true), WaitResult::Timeout);
}

TEST_F(WindowsWaitTest, ABadHandleStillLetsStopAndCloseThrough) {
    const auto bad = static_cast<SignalHandle>(0x7FFF0FF0);
    const WSAEVENT events[] = {reinterpret_cast<HANDLE>(m_stop), reinterpret_cast<HANDLE>(m_close),
                               reinterpret_cast<HANDLE>(bad)};
    ASSERT_EQ(WSAWaitForMultipleEvents(3, events, FALSE, 0, FALSE), WSA_WAIT_FAILED) << "the handle must be bad";

    EXPECT_EQ(m_sockets.Wait(m_stop, m_close, bad, kInvalidSocket, true, 0), WaitResult::Timeout);
    m_threads.SetSignal(m_close);
    EXPECT_EQ(m_sockets.Wait(m_stop, m_close, bad, kInvalidSocket, true, 0), WaitResult::Close);
    m_threads.SetSignal(m_stop);
    EXPECT_EQ(m_sockets.Wait(m_stop, m_close, bad, kInvalidSocket, true, 0), WaitResult::Stop);
}

TEST_F(WindowsWaitTest, WithoutANetworkEventOnlyStopAndCloseAreWatched) {
    EXPECT_EQ(m_sockets.Wait(m_stop, m_close, kNoSignal, kInvalidSocket, true, 0), WaitResult::Timeout);
    m_threads.SetSignal(m_close);
    EXPECT_EQ(m_sockets.Wait(m_stop, m_close, kNoSignal, kInvalidSocket, true, 0), WaitResult::Close);
}

// A UDP socket on loopback stands in for the raw socket: readiness reaches the wait through the
// network event, each receive re-arms it, and an empty socket answers would-block.
TEST_F(WindowsWaitTest, ReadinessIsRearmedByEachReceive) {
    const SOCKET receiver = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    const SOCKET sender = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    ASSERT_NE(receiver, INVALID_SOCKET);
    ASSERT_NE(sender, INVALID_SOCKET);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof local;
    ASSERT_EQ(bind(receiver, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
    ASSERT_EQ(getsockname(receiver, reinterpret_cast<sockaddr*>(&local), &length), 0);
    ASSERT_EQ(WSAEventSelect(receiver, reinterpret_cast<HANDLE>(m_network), FD_READ), 0);
    const auto handle = static_cast<SocketHandle>(receiver);

    unsigned char buffer[65535];
    ReceiveResult result = m_sockets.Receive(handle, buffer, sizeof buffer);
    EXPECT_EQ(result.bytes, -1);
    EXPECT_EQ(result.error, ReceiveResult::kWouldBlock);

    for (const char* datagram : {"one", "second"}) {
        ASSERT_EQ(sendto(sender, datagram, static_cast<int>(std::strlen(datagram)), 0,
                         reinterpret_cast<const sockaddr*>(&local), sizeof local),
                  static_cast<int>(std::strlen(datagram)));
    }
    for (const std::string expected : {"one", "second"}) {
        ASSERT_EQ(WaitFor(true, 10000), WaitResult::Network) << expected;
        result = m_sockets.Receive(handle, buffer, sizeof buffer);
        ASSERT_EQ(result.bytes, static_cast<int32_t>(expected.size()));
        EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), expected.size()), expected);
    }
    EXPECT_EQ(WaitFor(true), WaitResult::Timeout);
    EXPECT_EQ(m_sockets.Receive(handle, buffer, sizeof buffer).error, ReceiveResult::kWouldBlock);

    m_sockets.CloseSocket(handle);
    EXPECT_FALSE(IsOpenSocket(receiver));
    result = m_sockets.Receive(handle, buffer, sizeof buffer);
    EXPECT_EQ(result.bytes, -1);
    EXPECT_EQ(result.error, WSAENOTSOCK);
    closesocket(sender);
}

TEST(WindowsReceiveFailureText, NamesTheErrorNumber) {
    WinSockCaptureSockets sockets;
    EXPECT_EQ(sockets.ReceiveFailureText(10054), "WSARecv failed. Code 10054\n");
    EXPECT_EQ(sockets.ReceiveFailureText(-5), "WSARecv failed. Code -5\n");
}

} // namespace
