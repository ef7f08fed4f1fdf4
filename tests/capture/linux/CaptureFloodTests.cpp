// The engine over the real Linux backend under floods: rapid start/stop cycles, shutdown while
// datagrams pour in, and a flood that fills the store.
#include "Capture.h"
#include "ForwardingCaptureSystem.h"
#include "LinuxDatagrams.h"
#include "LostPacketsLine.h"
#include "NamespacePair.h"
#include "NamespaceTest.h"
#include "RecordingPoster.h"
#include "ShortSleepSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int32_t kLoopbackIndex = 1;
constexpr int32_t kVethIndex = 0;
constexpr size_t kFloodPayload = 36; // 64-byte datagrams
constexpr uint32_t kFloodDatagramBytes = 20 + 8 + kFloodPayload;
constexpr size_t kFullFramePayload = 1472; // 1,500-byte datagrams

int EntriesIn(const char* directory) {
    const std::filesystem::directory_iterator entries(directory);
    return static_cast<int>(std::distance(begin(entries), end(entries)));
}

// Mappings of sockets in this process: the capture sockets' receive rings.
int SocketMappings() {
    std::ifstream maps("/proc/self/maps");
    int count = 0;
    for (std::string line; std::getline(maps, line);) {
        count += line.find("socket:[") != std::string::npos;
    }
    return count;
}

// The packets the capturing end of the pair has received so far, as the calling thread's namespace
// counts them (its own view of /proc, not the process's).
uint64_t ReceivedOnDeviceA() {
    std::ifstream devices("/proc/thread-self/net/dev");
    for (std::string line; std::getline(devices, line);) {
        const size_t colon = line.find(':');
        if (colon != std::string::npos && line.substr(0, colon).find(NamespacePair::kDeviceA) != std::string::npos) {
            std::istringstream fields(line.substr(colon + 1));
            uint64_t bytes = 0;
            uint64_t packets = 0;
            fields >> bytes >> packets;
            return packets;
        }
    }
    ADD_FAILURE() << "no " << NamespacePair::kDeviceA << " in /proc/thread-self/net/dev";
    return 0;
}

// Makes b's neighbour entry for a's address permanent, with the hardware address of a's veth end.
bool PinNeighbourOfBToA(const NamespacePair& namespaces) {
    const std::string command = std::string("ip -n ") + namespaces.NameB() + " neigh replace " +
                                NamespacePair::kAddressA + " lladdr \"$(ip netns exec " + namespaces.NameA() +
                                " cat /sys/class/net/" + NamespacePair::kDeviceA + "/address)\" dev svb0 nud permanent";
    return std::system(command.c_str()) == 0;
}

// The IPv4 datagrams the calling thread's namespace has taken in so far: IP counts each one after
// the packet sockets' tap has seen it.
uint64_t Ipv4DatagramsArrived() {
    std::ifstream snmp("/proc/thread-self/net/snmp");
    std::string names;
    for (std::string line; std::getline(snmp, line);) {
        if (line.rfind("Ip: ", 0) != 0) {
            continue;
        }
        if (names.empty()) {
            names = line;
            continue;
        }
        std::istringstream nameFields(names.substr(4));
        std::istringstream valueFields(line.substr(4));
        std::string name;
        uint64_t value = 0;
        while (nameFields >> name && valueFields >> value) {
            if (name == "InReceives") {
                return value;
            }
        }
    }
    ADD_FAILURE() << "no Ip InReceives in /proc/thread-self/net/snmp";
    return 0;
}

// Hang guard: waits until the namespace has taken in at least count IPv4 datagrams.
bool Ipv4DatagramsReach(uint64_t count) {
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (Ipv4DatagramsArrived() < count && Clock::now() < deadline) {
        std::this_thread::sleep_for(milliseconds(1));
    }
    return Ipv4DatagramsArrived() >= count;
}

// The real backend with a capture thread that can be held up inside its next receive.
class StallingSystem : public ForwardingCaptureSystem {
public:
    explicit StallingSystem(CaptureSystem real) : ForwardingCaptureSystem(real) {}
    void Stall(bool on) { m_stalled = on; }
    ReceiveResult Receive(SocketHandle socket, unsigned char* buffer, uint32_t capacity) override {
        while (m_stalled) {
            std::this_thread::sleep_for(milliseconds(1));
        }
        return ForwardingCaptureSystem::Receive(socket, buffer, capacity);
    }

private:
    std::atomic<bool> m_stalled{false};
};

// The real backend with a capture thread that reads nothing until the stop, whose reads begin once
// the relay has counted what the capture held; its clock jumps past the stop's bound once the stop
// has read readsBeforeBound datagrams.
class HoldingSystem : public ForwardingCaptureSystem {
public:
    HoldingSystem(CaptureSystem real, int readsBeforeBound)
        : ForwardingCaptureSystem(real), m_real(real), m_readsBeforeBound(readsBeforeBound) {}
    ReceiveResult Receive(SocketHandle socket, unsigned char* buffer, uint32_t capacity) override {
        if (!m_stopping) {
            return {-1, ReceiveResult::kWouldBlock};
        }
        ++m_readsAfterStop;
        return ForwardingCaptureSystem::Receive(socket, buffer, capacity);
    }
    void StopArrivals(SocketHandle socket) override {
        ForwardingCaptureSystem::StopArrivals(socket);
        // Hang guard: the relay takes the stop request in its own time.
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (m_real.sockets.TakeLostCounts(socket).unreadAtStop == 0 && Clock::now() < deadline) {
            std::this_thread::sleep_for(milliseconds(1));
        }
        m_stopping = true;
    }
    Clock::time_point Now() override {
        return ForwardingCaptureSystem::Now() +
               (m_readsAfterStop >= m_readsBeforeBound ? std::chrono::hours(1) : Clock::duration{});
    }

private:
    CaptureSystem m_real;
    int m_readsBeforeBound;
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_readsAfterStop{0};
};

// Threads end on their own after Shutdown; give them a moment to be gone.
bool ThreadCountReturnsTo(int expected) {
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (EntriesIn("/proc/self/task") != expected && Clock::now() < deadline) {
        std::this_thread::sleep_for(milliseconds(10));
    }
    return EntriesIn("/proc/self/task") == expected;
}

// A UDP socket bound to an address of the calling thread's namespace.
class UdpSender {
public:
    explicit UdpSender(const char* from) : m_fd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
        const sockaddr_in source = SocketAddress(from, 0);
        EXPECT_EQ(bind(m_fd, reinterpret_cast<const sockaddr*>(&source), sizeof source), 0) << from;
    }
    UdpSender(const UdpSender&) = delete;
    UdpSender& operator=(const UdpSender&) = delete;
    ~UdpSender() { close(m_fd); }

    // Sends count copies of payload back to back; returns how many went.
    int Send(const char* to, const std::string& payload, int count) {
        const sockaddr_in destination = SocketAddress(to, kTestPort);
        int sent = 0;
        for (int i = 0; i < count; ++i) {
            sent += sendto(m_fd, payload.data(), payload.size(), 0, reinterpret_cast<const sockaddr*>(&destination),
                           sizeof destination) == static_cast<ssize_t>(payload.size());
        }
        return sent;
    }

private:
    int m_fd;
};

void SendFromBToA(const NamespacePair& namespaces, int count) {
    namespaces.RunInB([count] {
        UdpSender sender(NamespacePair::kAddressB);
        EXPECT_EQ(sender.Send(NamespacePair::kAddressA, Payload(1, kFullFramePayload), count), count);
    });
}

// Floods loopback with 64-byte datagrams in bursts of 64 a millisecond until destroyed. Made on a
// thread inside a namespace, its own thread floods that namespace's loopback.
class LoopbackFlood {
public:
    LoopbackFlood() : m_thread([this] { Run(); }) {}
    LoopbackFlood(const LoopbackFlood&) = delete;
    LoopbackFlood& operator=(const LoopbackFlood&) = delete;
    ~LoopbackFlood() {
        m_running = false;
        m_thread.join();
    }

private:
    void Run() {
        UdpSender sender("127.0.0.1");
        const std::string payload = Payload(2, kFloodPayload);
        while (m_running) {
            sender.Send("127.0.0.1", payload, 64);
            std::this_thread::sleep_for(milliseconds(1));
        }
    }

    std::atomic<bool> m_running{true};
    std::thread m_thread;
};

class LinuxEngineFloodTest : public NamespaceTest {
protected:
    RecordingPoster m_poster;
};

// Stop's polls are cut to 1 ms so that 200 cycles take seconds; the sanitizer build's leak checker
// fails the test if any packet copy, text or receive buffer is left behind.
TEST_F(LinuxEngineFloodTest, TwoHundredStartStopCyclesAndAShutdownDuringAFloodLeakNothingAndNeverHang) {
    m_namespaces->RunInA([&] {
        UdpSink sink("127.0.0.1", kTestPort);
        ShortSleepSystem system(HostCaptureSystem(), 1);
        const int descriptorsBefore = EntriesIn("/proc/self/fd");
        const int threadsBefore = EntriesIn("/proc/self/task");
        const int mappingsBefore = SocketMappings();
        {
            LoopbackFlood flood;
            CCapture engine(system, &m_poster);
            ASSERT_TRUE(engine.LaunchThread());
            Clock::duration slowestStop{};
            int posted = 0;
            for (int cycle = 0; cycle < 200; ++cycle) {
                engine.Start(kLoopbackIndex, StorageLimits{1500, 16});
                ASSERT_EQ(SocketMappings(), mappingsBefore + 1) << "cycle " << cycle;
                if (cycle % 2 == 1) {
                    std::this_thread::sleep_for(milliseconds(2));
                }
                const auto stopping = Clock::now();
                engine.Stop();
                slowestStop = std::max(slowestStop, Clock::now() - stopping);
                const int postedNow = m_poster.PacketsAnnounced();
                ASSERT_EQ(engine.Count(), postedNow - posted) << "cycle " << cycle;
                ASSERT_EQ(engine.TotalBytes(), static_cast<uint32_t>(engine.Count()) * kFloodDatagramBytes);
                posted = postedNow;
            }
            EXPECT_GT(posted, 0) << "the flood never reached the capture";
            std::cout << "200 cycles: " << posted << " packets stored, slowest stop "
                      << std::chrono::duration_cast<milliseconds>(slowestStop).count() << " ms\n";

            engine.Start(kLoopbackIndex, StorageLimits{1500, 16});
            ASSERT_TRUE(m_poster.WaitForPackets(posted + 100));
            engine.Shutdown();
            EXPECT_EQ(engine.Count(), 0);
        }
        EXPECT_EQ(EntriesIn("/proc/self/fd"), descriptorsBefore);
        EXPECT_EQ(SocketMappings(), mappingsBefore);
        EXPECT_TRUE(ThreadCountReturnsTo(threadsBefore));
    });
    EXPECT_EQ(m_poster.CountOf(WM_CAPTURE_FULL), 0);
    EXPECT_TRUE(m_poster.LogTexts().empty()) << m_poster.LogTexts().front();
}

// Right after a burst its last datagrams sit in a ring block the kernel has not handed over yet; a
// stop must still store every datagram the interface received before it.
TEST_F(LinuxEngineFloodTest, AStopRightAfterABurstStoresEveryDatagramTheInterfaceReceived) {
    constexpr int kBurst = 2000;
    m_namespaces->RunInA([&] {
        UdpSink sink(NamespacePair::kAddressA, kTestPort);
        CCapture engine(HostCaptureSystem(), &m_poster);
        ASSERT_TRUE(engine.LaunchThread());
        engine.Start(kVethIndex, StorageLimits{1500, 16});
        // The interface counts every frame, address resolution too, which is not IPv4 and never
        // captured: b's entry for a is pinned, so that no address request or probe falls inside
        // the counted burst.
        ASSERT_TRUE(PinNeighbourOfBToA(*m_namespaces));
        SendFromBToA(*m_namespaces, 1);
        ASSERT_TRUE(m_poster.WaitForPackets(1));
        const uint64_t before = ReceivedOnDeviceA();
        const uint64_t arrivedBefore = Ipv4DatagramsArrived();
        SendFromBToA(*m_namespaces, kBurst);
        // The interface counts a datagram as it takes it in; the tap sees it a little later, and
        // only what the tap saw can be in the ring when the stop takes the socket off the traffic.
        const uint64_t received = ReceivedOnDeviceA() - before;
        ASSERT_TRUE(Ipv4DatagramsReach(arrivedBefore + received));
        engine.Stop();

        EXPECT_EQ(received, static_cast<uint64_t>(kBurst));
        EXPECT_EQ(engine.Count(), 1 + static_cast<int32_t>(received));
        EXPECT_EQ(m_poster.PacketsAnnounced(), engine.Count());
        engine.Shutdown();
    });
    EXPECT_TRUE(m_poster.LogTexts().empty()) << m_poster.LogTexts().front();
}

// A capture thread held up while a burst twice the ring's size arrives: the kernel drops what the
// ring cannot take, and the stop tells exactly how many the interface received but the store never got.
TEST_F(LinuxEngineFloodTest, DatagramsTheKernelDroppedAreToldExactlyAtStop) {
    constexpr int kBurst = 12000;
    m_namespaces->RunInA([&] {
        UdpSink sink(NamespacePair::kAddressA, kTestPort);
        StallingSystem system(HostCaptureSystem());
        CCapture engine(system, &m_poster);
        // A failed assertion leaves this scope early: the thread must be free to end.
        const std::unique_ptr<StallingSystem, void (*)(StallingSystem*)> release(
            &system, [](StallingSystem* stalled) { stalled->Stall(false); });
        ASSERT_TRUE(engine.LaunchThread());
        engine.Start(kVethIndex, StorageLimits{1500, 64});
        ASSERT_TRUE(PinNeighbourOfBToA(*m_namespaces));
        SendFromBToA(*m_namespaces, 1);
        ASSERT_TRUE(m_poster.WaitForPackets(1));
        system.Stall(true);
        const uint64_t before = ReceivedOnDeviceA();
        const uint64_t arrivedBefore = Ipv4DatagramsArrived();
        SendFromBToA(*m_namespaces, kBurst);
        // The interface counts a datagram as it takes it in; the tap sees it a little later.
        const uint64_t received = ReceivedOnDeviceA() - before;
        ASSERT_TRUE(Ipv4DatagramsReach(arrivedBefore + received));
        system.Stall(false);
        engine.Stop();

        const uint64_t stored = static_cast<uint64_t>(engine.Count()) - 1;
        ASSERT_LT(stored, received) << "the ring took the whole burst: nothing was dropped";
        EXPECT_EQ(m_poster.LogTexts(), std::vector<std::string>{LostPacketsLine(received - stored).data()});
        engine.Shutdown();
    });
}

// Sends count datagrams from b to a, pinned so that no address resolution delays them, and waits
// until a's tap has seen them all; returns how many a's interface received.
uint64_t BurstFromBToA(const NamespacePair& namespaces, int count) {
    EXPECT_TRUE(PinNeighbourOfBToA(namespaces));
    const uint64_t before = ReceivedOnDeviceA();
    const uint64_t arrivedBefore = Ipv4DatagramsArrived();
    SendFromBToA(namespaces, count);
    const uint64_t received = ReceivedOnDeviceA() - before;
    EXPECT_TRUE(Ipv4DatagramsReach(arrivedBefore + received));
    return received;
}

// Everything arrives before the stop and is first read by it; the store fills at the 700th. The
// datagrams left unread were refused by the limit, which the full notice tells: no loss line.
TEST_F(LinuxEngineFloodTest, DatagramsTheLimitRefusedDuringAStopAreNoLoss) {
    m_namespaces->RunInA([&] {
        UdpSink sink(NamespacePair::kAddressA, kTestPort);
        HoldingSystem system(HostCaptureSystem(), INT32_MAX);
        CCapture engine(system, &m_poster);
        ASSERT_TRUE(engine.LaunchThread());
        engine.Start(kVethIndex, StorageLimits{1500, 1});
        EXPECT_EQ(BurstFromBToA(*m_namespaces, 1000), 1000u);
        engine.Stop();

        EXPECT_EQ(engine.Count(), 699);
        EXPECT_EQ(m_poster.CountOf(WM_CAPTURE_FULL), 1);
        engine.Shutdown();
    });
    EXPECT_TRUE(m_poster.LogTexts().empty()) << m_poster.LogTexts().front();
}

// The stop's bound runs out after its 1,024th read (the engine looks at the clock every 256): the
// rest of what the capture held is told unread, to the datagram, and nothing as dropped.
TEST_F(LinuxEngineFloodTest, DatagramsAStopHadNoTimeToReadAreToldUnread) {
    uint64_t received = 0;
    int32_t stored = 0;
    m_namespaces->RunInA([&] {
        UdpSink sink(NamespacePair::kAddressA, kTestPort);
        HoldingSystem system(HostCaptureSystem(), 1000);
        CCapture engine(system, &m_poster);
        ASSERT_TRUE(engine.LaunchThread());
        engine.Start(kVethIndex, StorageLimits{1500, 64});
        received = BurstFromBToA(*m_namespaces, 3000);
        engine.Stop();
        stored = engine.Count();
        engine.Shutdown();
    });
    EXPECT_EQ(stored, 1024);
    EXPECT_EQ(m_poster.LogTexts(), std::vector<std::string>{UnreadPacketsLine(received - stored).data()});
}

// 1 MiB holds 699 datagrams of 1,500 bytes (1,048,500 bytes); the 700th would pass the limit.
TEST_F(LinuxEngineFloodTest, AFloodFillsTheStoreOnceAndTheCountsAgreeAfterStop) {
    m_namespaces->RunInA([&] {
        UdpSink sink(NamespacePair::kAddressA, kTestPort);
        CCapture engine(HostCaptureSystem(), &m_poster);
        ASSERT_TRUE(engine.LaunchThread());
        engine.Start(kVethIndex, StorageLimits{1500, 1});
        // The first datagram waits for the peer's address to resolve; a flood then would be cut short.
        SendFromBToA(*m_namespaces, 1);
        ASSERT_TRUE(m_poster.WaitForPackets(1));
        SendFromBToA(*m_namespaces, 1400);
        ASSERT_TRUE(m_poster.WaitForCount(WM_CAPTURE_FULL, 1));
        // More traffic while full is neither stored nor reported again: it has passed the tap
        // before the stop.
        const uint64_t arrivedBefore = Ipv4DatagramsArrived();
        SendFromBToA(*m_namespaces, 500);
        ASSERT_TRUE(Ipv4DatagramsReach(arrivedBefore + 500));
        engine.Stop();

        EXPECT_EQ(m_poster.CountOf(WM_CAPTURE_FULL), 1);
        EXPECT_EQ(engine.Count(), m_poster.PacketsAnnounced());
        EXPECT_EQ(engine.Count(), 699);
        EXPECT_EQ(engine.TotalBytes(), 699u * 1500u);
        EXPECT_LE(engine.TotalBytes(), 1u << 20);
        for (int32_t i = 0; i < engine.Count(); ++i) {
            const PacketView view = engine.Get(i);
            ASSERT_EQ(view.length, 1500u) << "packet " << i;
        }
        engine.Shutdown();
    });
    EXPECT_TRUE(m_poster.LogTexts().empty()) << m_poster.LogTexts().front();
}

} // namespace
