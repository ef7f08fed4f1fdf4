// The Linux capture socket against real datagrams between two throw-away network namespaces.
#include "BoundPacketSocket.h"
#include "LinuxCaptureSockets.h"
#include "LinuxDatagrams.h"
#include "LinuxLocalAddresses.h"
#include "LinuxThreads.h"
#include "NamespacePair.h"
#include "NamespaceTest.h"
#include "PacketRing.h"
#include "UniqueFd.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr int32_t kLoopbackIndex = 1;
constexpr int32_t kVethIndex = 0;
constexpr int kArrivalWaitMs = 2000;

int OpenDescriptorCount() {
    int count = 0;
    if (DIR* directory = opendir("/proc/self/fd")) {
        while (readdir(directory) != nullptr) {
            ++count;
        }
        closedir(directory);
    }
    return count;
}

// Takes CAP_NET_RAW out of the calling thread's effective set; capabilities are per thread.
bool DropRawCapability() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0) {
        return false;
    }
    data[CAP_TO_INDEX(CAP_NET_RAW)].effective &= ~CAP_TO_MASK(CAP_NET_RAW);
    return syscall(SYS_capset, &header, data) == 0;
}

class LinuxPacketSocketTest : public NamespaceTest {
protected:
    // Opens the capture socket in namespace a; the socket stays in that namespace.
    SocketHandle OpenInA(int32_t index) {
        OpenedSocket opened{kInvalidSocket, ""};
        m_namespaces->RunInA([&] { opened = m_sockets.OpenCaptureSocket(index, kNoSignal); });
        EXPECT_NE(opened.socket, kInvalidSocket) << opened.failure;
        EXPECT_EQ(opened.failure, "");
        return opened.socket;
    }

    // Opens the loopback capture in namespace a, then sends the datagrams there.
    SocketHandle CaptureOnLoopback(const std::vector<Datagram>& sent) {
        const SocketHandle socket = OpenInA(kLoopbackIndex);
        m_namespaces->RunInA([&] {
            UdpSink sink("127.0.0.1", kTestPort);
            SendAllThenMarker(sent, sink);
        });
        return socket;
    }

    LinuxThreads m_threads;
    LinuxCaptureSockets m_sockets;
    LinuxLocalAddresses m_addresses;
};

} // namespace

TEST_F(LinuxPacketSocketTest, ListsTheNamespaceAddressesLoopbackLastAlsoOnThreadsStartedThere) {
    const std::vector<uint32_t> expected = {AddressValue(NamespacePair::kAddressA), AddressValue("127.0.0.1")};
    AddressQuery onThread;
    AddressQuery onStartedThread;
    m_namespaces->RunInA([&] {
        onThread = m_addresses.QueryLocalAddresses();
        int done[2];
        ASSERT_EQ(pipe(done), 0);
        struct Job {
            LinuxLocalAddresses* addresses;
            AddressQuery* query;
            int doneFd;
        } job{&m_addresses, &onStartedThread, done[1]};
        ASSERT_TRUE(m_threads.StartThread(
            [](void* argument) {
                Job* job = static_cast<Job*>(argument);
                *job->query = job->addresses->QueryLocalAddresses();
                (void)!write(job->doneFd, "d", 1);
            },
            &job));
        char seen = 0;
        EXPECT_EQ(read(done[0], &seen, 1), 1);
        close(done[0]);
        close(done[1]);
    });
    EXPECT_EQ(onThread.failure, "");
    EXPECT_EQ(onThread.addresses, expected);
    EXPECT_EQ(onStartedThread.failure, "");
    EXPECT_EQ(onStartedThread.addresses, expected) << "a thread started in the namespace stays in it";
}

TEST_F(LinuxPacketSocketTest, AnIndexOutsideTheListFailsToBindAndLeaksNothing) {
    for (int32_t index : {-1, 2, INT_MAX, INT_MIN}) {
        SCOPED_TRACE(index);
        OpenedSocket opened{0, ""};
        const int descriptorsBefore = OpenDescriptorCount();
        m_namespaces->RunInA([&] { opened = m_sockets.OpenCaptureSocket(index, kNoSignal); });
        EXPECT_EQ(opened.socket, kInvalidSocket);
        EXPECT_EQ(opened.failure, "bind failed\n");
        EXPECT_EQ(OpenDescriptorCount(), descriptorsBefore);
    }
}

TEST_F(LinuxPacketSocketTest, CapturesBothDirectionsOnTheVethWholeAndInOrder) {
    const SocketHandle socket = OpenInA(kVethIndex);
    ASSERT_NE(socket, kInvalidSocket);
    std::unique_ptr<UdpSink> sinkInB;
    m_namespaces->RunInB([&] { sinkInB = std::make_unique<UdpSink>(NamespacePair::kAddressB, kTestPort); });
    std::unique_ptr<UdpSink> sinkInA;
    m_namespaces->RunInA([&] { sinkInA = std::make_unique<UdpSink>(NamespacePair::kAddressA, kTestPort); });

    const std::vector<Datagram> incoming = Datagrams(NamespacePair::kAddressB, NamespacePair::kAddressA, 0);
    m_namespaces->RunInB([&] { SendAllThenMarker(incoming, *sinkInA); });
    {
        SCOPED_TRACE("received from the peer");
        ExpectCaptured(ReceiveAll(m_sockets, socket), incoming);
    }
    const std::vector<Datagram> outgoing = Datagrams(NamespacePair::kAddressA, NamespacePair::kAddressB, 100);
    m_namespaces->RunInA([&] { SendAllThenMarker(outgoing, *sinkInB); });
    {
        SCOPED_TRACE("sent to the peer");
        ExpectCaptured(ReceiveAll(m_sockets, socket), outgoing);
    }
    m_sockets.CloseSocket(socket);
}

// Loopback traffic flows while the veth capture opens: none of it may be queued before the bind.
TEST_F(LinuxPacketSocketTest, NothingFromAnotherInterfaceSlipsInWhileTheSocketOpens) {
    SocketHandle socket = kInvalidSocket;
    m_namespaces->RunInA([&] {
        UdpSink sink("127.0.0.1", kTestPort);
        std::atomic<bool> flooding{true};
        std::thread flood([&] {
            while (flooding) {
                SendUdp("127.0.0.1", "127.0.0.1", kTestPort, "loopback");
            }
        });
        for (int attempt = 0; attempt < 20; ++attempt) {
            m_sockets.CloseSocket(socket);
            socket = m_sockets.OpenCaptureSocket(kVethIndex, kNoSignal).socket;
        }
        flooding = false;
        flood.join();
    });
    ASSERT_NE(socket, kInvalidSocket);
    const std::vector<Datagram> sent = Datagrams(NamespacePair::kAddressB, NamespacePair::kAddressA, 50);
    m_namespaces->RunInA([&] {
        UdpSink sink(NamespacePair::kAddressA, kTestPort);
        m_namespaces->RunInB([&] { SendAllThenMarker(sent, sink); });
        ExpectCaptured(ReceiveAll(m_sockets, socket), sent);
    });
    m_sockets.CloseSocket(socket);
}

TEST_F(LinuxPacketSocketTest, LoopbackStoresEachDatagramOnce) {
    const std::vector<Datagram> sent = Datagrams("127.0.0.1", "127.0.0.1", 200);
    const SocketHandle socket = CaptureOnLoopback(sent);
    ASSERT_NE(socket, kInvalidSocket);
    ExpectCaptured(ReceiveAll(m_sockets, socket), sent);
    m_sockets.CloseSocket(socket);
}

// 168 datagrams of the largest IPv4 size on loopback, seven to a block: the eighth of every
// block's worth lands across a block boundary, and the 24 blocks wrap the 16-block ring, each
// exactly once, with every datagram whole and in order.
TEST_F(LinuxPacketSocketTest, TheLargestDatagramsCrossBlockBoundariesAndWrapTheRingWholeAndInOrder) {
    constexpr int kRounds = 3;
    // Eight blocks' worth: the ring takes one round whole before the reader starts.
    constexpr int kPerRound = 56;
    const SocketHandle socket = OpenInA(kLoopbackIndex);
    ASSERT_NE(socket, kInvalidSocket);
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::vector<Datagram> sent;
        for (int i = 0; i < kPerRound; ++i) {
            sent.push_back({"127.0.0.1", "127.0.0.1", Payload(round * kPerRound + i, 65507)});
        }
        m_namespaces->RunInA([&] {
            UdpSink sink("127.0.0.1", kTestPort);
            SendAllThenMarker(sent, sink);
        });
        ExpectCaptured(ReceiveAll(m_sockets, socket), sent);
    }
    EXPECT_EQ(m_sockets.TakeLostCounts(socket).kernelDropped, 0u);
    m_sockets.CloseSocket(socket);
}

// The engine bounds a stop's reads in time: whatever the stop leaves unread counts as lost,
// however far the relay had got, so that what was read and what was lost add up to what arrived
// (the marker after the datagrams included).
TEST_F(LinuxPacketSocketTest, DatagramsAStopLeavesUnreadAreCountedLost) {
    const std::vector<Datagram> sent = Datagrams("127.0.0.1", "127.0.0.1", 300);
    const SocketHandle socket = CaptureOnLoopback(sent);
    ASSERT_NE(socket, kInvalidSocket);
    ASSERT_TRUE(Readable(socket, kArrivalWaitMs));
    unsigned char buffer[1500];
    ASSERT_GE(m_sockets.Receive(socket, buffer, sizeof buffer).bytes, 0);
    m_sockets.StopArrivals(socket);
    // Hang guard: the relay takes the stop request in its own time.
    uint64_t lost = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (lost < sent.size() && std::chrono::steady_clock::now() < deadline) {
        lost = m_sockets.TakeLostCounts(socket).unreadAtStop;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(lost, sent.size());
    m_sockets.CloseSocket(socket);
}

TEST_F(LinuxPacketSocketTest, ALongDatagramIsCutToTheCapacityAndTheNextStaysWhole) {
    const SocketHandle socket = OpenInA(kVethIndex);
    ASSERT_NE(socket, kInvalidSocket);
    const std::vector<Datagram> sent = {{NamespacePair::kAddressB, NamespacePair::kAddressA, Payload(1, 1000)},
                                        {NamespacePair::kAddressB, NamespacePair::kAddressA, Payload(2, 10)}};
    m_namespaces->RunInA([&] {
        UdpSink sink(NamespacePair::kAddressA, kTestPort);
        m_namespaces->RunInB([&] { SendAllThenMarker(sent, sink); });
        ASSERT_TRUE(Readable(socket, kArrivalWaitMs));
    });
    constexpr uint32_t kCut = 40;
    Bytes first(kCut + 8, 0xEE);
    const ReceiveResult cut = m_sockets.Receive(socket, first.data(), kCut);
    ASSERT_EQ(cut.bytes, static_cast<int32_t>(kCut));
    EXPECT_EQ(first[kCut], 0xEE) << "nothing written past the capacity";
    EXPECT_EQ(Word(first, 2), 1028u) << "the header still gives the full length";
    EXPECT_EQ(std::string(first.begin() + 28, first.begin() + kCut), sent[0].payload.substr(0, kCut - 28));

    const std::vector<Bytes> rest = ReceiveAll(m_sockets, socket);
    ASSERT_EQ(rest.size(), 1u);
    ExpectUdpDatagram(rest[0], sent[1]);
    m_sockets.CloseSocket(socket);
}

// When the interface goes away the socket reports one error, and the wait then stays quiet instead
// of waking the capture thread over and over. The waits after the error only look (a time-out of
// 0): a socket that keeps reporting itself ready is ready at every look.
TEST_F(LinuxPacketSocketTest, AVanishedInterfaceGivesOneErrorAndThenQuiet) {
    const SocketHandle socket = OpenInA(kVethIndex);
    ASSERT_NE(socket, kInvalidSocket);
    const SignalHandle stop = m_threads.CreateManualResetSignal();
    const SignalHandle close = m_threads.CreateAutoResetSignal();
    const SignalHandle network = m_threads.CreateNetworkEvent();
    ASSERT_TRUE(m_namespaces->IpInA(std::string("link del ") + NamespacePair::kDeviceA));

    EXPECT_EQ(m_sockets.Wait(stop, close, network, socket, true, kArrivalWaitMs), WaitResult::Network);
    unsigned char buffer[64];
    const ReceiveResult failed = m_sockets.Receive(socket, buffer, sizeof buffer);
    EXPECT_EQ(failed.bytes, -1);
    EXPECT_EQ(failed.error, ENETDOWN);
    EXPECT_EQ(m_sockets.ReceiveFailureText(failed.error), "recvfrom failed. Code 100: Network is down\n");
    int wakes = 0;
    for (int i = 0; i < 5; ++i) {
        if (m_sockets.Wait(stop, close, network, socket, true, 0) == WaitResult::Network) {
            ++wakes;
            m_sockets.Receive(socket, buffer, sizeof buffer);
        }
    }
    EXPECT_LE(wakes, 2) << "the wait keeps reporting a dead socket";

    m_sockets.CloseSocket(socket);
    m_threads.CloseSignal(stop);
    m_threads.CloseSignal(close);
    m_threads.CloseSignal(network);
}

TEST_F(LinuxPacketSocketTest, WithoutTheRawCapabilityTheSocketStepGivesTheReason) {
    OpenedSocket opened{0, ""};
    m_namespaces->RunInA([&] {
        ASSERT_TRUE(DropRawCapability());
        opened = m_sockets.OpenCaptureSocket(kVethIndex, kNoSignal);
    });
    EXPECT_EQ(opened.socket, kInvalidSocket);
    EXPECT_EQ(opened.failure, "socket(AF_PACKET) failed: Operation not permitted\n");
}

TEST_F(LinuxPacketSocketTest, CloseSocketReleasesTheDescriptorAndIgnoresTheInvalidValue) {
    const SocketHandle socket = OpenInA(kVethIndex);
    ASSERT_NE(socket, kInvalidSocket);
    m_sockets.CloseSocket(socket);
    errno = 0;
    EXPECT_EQ(fcntl(static_cast<int>(socket), F_GETFD), -1);
    EXPECT_EQ(errno, EBADF);
    m_sockets.CloseSocket(kInvalidSocket);
}

// The filter is locked and checks the interface itself: whoever holds the socket and binds it to
// every interface still gets the bound interface's IPv4 datagrams only, and cannot take it off.
TEST_F(LinuxPacketSocketTest, TheLockedFilterKeepsToItsInterfaceAfterABindToEveryInterface) {
    m_namespaces->RunInA([&] {
        UdpSink loopbackSink("127.0.0.1", kTestPort);
        UdpSink vethSink(NamespacePair::kAddressA, kTestPort);
        const BoundPacketSocket opened = OpenBoundPacketSocket(NamespacePair::kDeviceA);
        ASSERT_GE(opened.fd, 0) << opened.failure;
        const UniqueFd socket(opened.fd);
        const int unused = 0;
        EXPECT_EQ(setsockopt(socket.get(), SOL_SOCKET, SO_DETACH_FILTER, &unused, sizeof unused), -1);
        EXPECT_EQ(errno, EPERM);
        sockaddr_ll everyInterface{};
        everyInterface.sll_family = AF_PACKET;
        everyInterface.sll_protocol = htons(ETH_P_ALL);
        ASSERT_EQ(bind(socket.get(), reinterpret_cast<const sockaddr*>(&everyInterface), sizeof everyInterface), 0);
        const std::unique_ptr<PacketRing> ring = PacketRing::Map(socket.get());
        ASSERT_NE(ring, nullptr);

        // Once the sink has the loopback datagram, the socket has let it pass or not: whatever it
        // took comes before the veth datagram.
        SendUdp("127.0.0.1", "127.0.0.1", kTestPort, "lo");
        ASSERT_TRUE(loopbackSink.Take());
        m_namespaces->RunInB([] { SendUdp(NamespacePair::kAddressB, NamespacePair::kAddressA, kTestPort, "sva0"); });
        std::vector<std::string> payloads;
        for (pollfd polled{socket.get(), POLLIN, 0}; payloads.empty() && poll(&polled, 1, kArrivalWaitMs) > 0;) {
            RingFrame frame{};
            while (ring->Peek(frame)) {
                payloads.emplace_back(reinterpret_cast<const char*>(frame.bytes) + 28, frame.length - 28);
                ring->Advance();
            }
        }
        EXPECT_EQ(payloads, std::vector<std::string>{"sva0"});
    });
}
