// The Linux backend's signals, its wait and its clock; needs no privileges and no network.
#include "LinuxCaptureSockets.h"
#include "LinuxThreads.h"
#include "WaitSignalsTest.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <string>

#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr uint32_t kShortWaitMs = 20;

class LinuxWaitTest : public WaitSignalsTest<LinuxThreads, LinuxCaptureSockets> {
protected:
    WaitResult WaitFor(SignalHandle stop, SocketHandle socket = kInvalidSocket, bool watchNetwork = true) {
        return m_sockets.Wait(stop, m_close, m_network, socket, watchNetwork, kShortWaitMs);
    }
};

// A pair of connected datagram sockets: what is written to one end makes the other readable.
struct SocketPair {
    SocketPair() { EXPECT_EQ(socketpair(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends), 0); }
    ~SocketPair() {
        close(ends[0]);
        close(ends[1]);
    }
    void Send(const char* text) const { EXPECT_GT(write(ends[1], text, std::char_traits<char>::length(text)), 0); }
    int ends[2] = {-1, -1};
};

} // namespace

TEST_F(LinuxWaitTest, ServesStopThenCloseThenNetworkAndResetsOnlyTheServedAutoSignal) {
    m_threads.SetSignal(m_stop);
    m_threads.SetSignal(m_close);
    m_threads.SetSignal(m_network);
    EXPECT_EQ(WaitFor(m_stop), WaitResult::Stop);
    EXPECT_EQ(WaitFor(m_stop), WaitResult::Stop) << "the stop signal is manual-reset";

    // Without the stop signal the close and network signals, still set, come out in turn.
    EXPECT_EQ(WaitFor(kNoSignal), WaitResult::Close);
    EXPECT_EQ(WaitFor(kNoSignal), WaitResult::Network);
    EXPECT_EQ(WaitFor(kNoSignal), WaitResult::Timeout);

    m_threads.SetSignal(m_close);
    m_threads.SetSignal(m_close);
    EXPECT_EQ(WaitFor(kNoSignal), WaitResult::Close);
    EXPECT_EQ(WaitFor(kNoSignal), WaitResult::Timeout) << "two sets before a wait make one wake";
}

TEST_F(LinuxWaitTest, NetworkEventAndSocketAreIgnoredUnlessWatched) {
    SocketPair pair;
    pair.Send("x");
    m_threads.SetSignal(m_network);
    EXPECT_EQ(WaitFor(kNoSignal, pair.ends[0], false), WaitResult::Timeout);
    EXPECT_EQ(WaitFor(kNoSignal, kInvalidSocket, true), WaitResult::Network) << "the event stayed set";
    EXPECT_EQ(WaitFor(kNoSignal, kInvalidSocket, true), WaitResult::Timeout) << "and was drained when served";
    EXPECT_EQ(WaitFor(kNoSignal, pair.ends[0], true), WaitResult::Network) << "the socket stayed readable";
}

TEST_F(LinuxWaitTest, SignalsThatCouldNotBeMadeAreNeverReady) {
    EXPECT_EQ(m_sockets.Wait(kNoSignal, kNoSignal, kNoSignal, kInvalidSocket, true, kShortWaitMs), WaitResult::Timeout);
    m_threads.SetSignal(kNoSignal);
    m_threads.CloseSignal(kNoSignal);
}

// A reported socket that is not read does not wake the next wait; a time-out re-arms it.
TEST_F(LinuxWaitTest, AReportedSocketRestsUntilAWaitTimesOut) {
    SocketPair pair;
    pair.Send("first");
    EXPECT_EQ(WaitFor(kNoSignal, pair.ends[0]), WaitResult::Network);
    EXPECT_EQ(WaitFor(kNoSignal, pair.ends[0]), WaitResult::Timeout) << "unread: rests";
    EXPECT_EQ(WaitFor(kNoSignal, pair.ends[0]), WaitResult::Network) << "re-armed by the time-out";
}

// A descriptor that keeps failing must not keep the capture thread busy: after a receive error it is
// watched again only after a wait has timed out. A descriptor without a capture ring is such a one.
TEST_F(LinuxWaitTest, AfterAReceiveErrorTheSocketRestsUntilAWaitTimesOut) {
    SocketPair pair;
    pair.Send("x");
    unsigned char buffer[16];
    EXPECT_EQ(WaitFor(kNoSignal, pair.ends[0]), WaitResult::Network);
    const ReceiveResult failed = m_sockets.Receive(pair.ends[0], buffer, sizeof buffer);
    EXPECT_EQ(failed.bytes, -1);
    EXPECT_EQ(failed.error, EBADF);
    EXPECT_EQ(WaitFor(kNoSignal, pair.ends[0]), WaitResult::Timeout);
    EXPECT_EQ(WaitFor(kNoSignal, pair.ends[0]), WaitResult::Network);
}

TEST(LinuxCaptureSocketsTest, ReceiveFailureTextGivesTheCodeAndTheReason) {
    LinuxCaptureSockets sockets;
    EXPECT_EQ(sockets.ReceiveFailureText(ENETDOWN), "recvfrom failed. Code 100: Network is down\n");
    EXPECT_EQ(sockets.ReceiveFailureText(EBADF), "recvfrom failed. Code 9: Bad file descriptor\n");
}

// The clock reads local time, not UTC: with a zone nine hours east the hour moves by nine.
TEST(LinuxLocalClockTest, ReadsTheLocalTimeOfDay) {
    const char* saved = std::getenv("TZ");
    const std::string savedZone = saved != nullptr ? saved : "";
    setenv("TZ", "JST-9", 1);
    tzset();
    const std::time_t before = std::time(nullptr);
    const LocalTime local = ReadLocalTime();
    const std::time_t after = std::time(nullptr);
    saved != nullptr ? setenv("TZ", savedZone.c_str(), 1) : unsetenv("TZ");
    tzset();

    auto expectedHour = [](std::time_t when) {
        std::tm utc{};
        gmtime_r(&when, &utc);
        return (utc.tm_hour + 9) % 24;
    };
    EXPECT_TRUE(local.hour == expectedHour(before) || local.hour == expectedHour(after)) << local.hour;
    EXPECT_GE(local.millisecond, 0);
    EXPECT_LE(local.millisecond, 999);
}
