// The engine over the real Linux backend when its interface vanishes mid-capture, and with the
// largest IPv4 datagrams there are.
#include "Capture.h"
#include "ForwardingCaptureSystem.h"
#include "LinuxDatagrams.h"
#include "NamespacePair.h"
#include "NamespaceTest.h"
#include "RecordingPoster.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <iostream>
#include <memory>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int32_t kLoopbackIndex = 1;
constexpr int32_t kVethIndex = 0;
constexpr int32_t kLoopbackAloneIndex = 0;

std::vector<Bytes> StoredPackets(const CCapture& engine) {
    std::vector<Bytes> stored;
    for (int32_t i = 0; i < engine.Count(); ++i) {
        const PacketView view = engine.Get(i);
        stored.emplace_back(view.bytes, view.bytes + view.length);
    }
    return stored;
}

// The real backend, counting the capture thread's waits.
class WaitCountingSystem : public ForwardingCaptureSystem {
public:
    explicit WaitCountingSystem(CaptureSystem real) : ForwardingCaptureSystem(real) {}
    WaitResult Wait(SignalHandle stop, SignalHandle close, SignalHandle network, SocketHandle socket, bool watchNetwork,
                    uint32_t timeoutMs) override {
        const WaitResult result = ForwardingCaptureSystem::Wait(stop, close, network, socket, watchNetwork, timeoutMs);
        ++m_waits;
        return result;
    }
    int Waits() const { return m_waits; }

    // Hang guard: true once count more waits than now have ended, false after a minute.
    bool WaitForMoreWaits(int count) const {
        const int target = m_waits + count;
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        while (m_waits < target && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return m_waits >= target;
    }

private:
    std::atomic<int> m_waits{0};
};

class LinuxEngineFaultTest : public NamespaceTest {
protected:
    RecordingPoster m_poster;
};

TEST_F(LinuxEngineFaultTest, AVanishedInterfaceIsReportedInFewLinesAndANewStartOnLoopbackCaptures) {
    const std::vector<Datagram> beforeLoss = Datagrams(NamespacePair::kAddressB, NamespacePair::kAddressA, 3);
    const std::vector<Datagram> onLoopback = Datagrams("127.0.0.1", "127.0.0.1", 9);
    m_namespaces->RunInA([&] {
        UdpSink vethSink(NamespacePair::kAddressA, kTestPort);
        UdpSink loopbackSink("127.0.0.1", kTestPort);
        WaitCountingSystem system(HostCaptureSystem());
        CCapture engine(system, &m_poster);
        ASSERT_TRUE(engine.LaunchThread());
        engine.Start(kVethIndex, StorageLimits{1500, 16});
        m_namespaces->RunInB([&] { SendAll(beforeLoss); });
        ASSERT_TRUE(m_poster.WaitForPackets(static_cast<int>(beforeLoss.size())));

        ASSERT_TRUE(m_namespaces->IpInA(std::string("link del ") + NamespacePair::kDeviceA));
        ASSERT_TRUE(m_poster.WaitForCount(WM_CAPTURE_LOG, 1, std::chrono::seconds(60)));
        // Four more waits on the dead socket: a line per wait, or a wait that kept waking for the
        // dead socket, would have added lines by then.
        ASSERT_TRUE(system.WaitForMoreWaits(4));
        const int lines = m_poster.CountOf(WM_CAPTURE_LOG);
        EXPECT_LE(lines, 2) << "a line per wait on the dead socket";
        EXPECT_EQ(m_poster.LogTexts().front(), "recvfrom failed. Code 100: Network is down\n");
        engine.Stop();
        ExpectCaptured(StoredPackets(engine), beforeLoss);

        // With the veth gone, loopback is the only address left, at position 0 of a fresh query.
        engine.Start(kLoopbackAloneIndex, StorageLimits{1500, 16});
        SendAll(onLoopback);
        ASSERT_TRUE(m_poster.WaitForPackets(static_cast<int>(beforeLoss.size() + onLoopback.size())));
        engine.Stop();
        ExpectCaptured(StoredPackets(engine), onLoopback);
        EXPECT_EQ(m_poster.CountOf(WM_CAPTURE_LOG), lines) << "the new capture reports no errors";
        std::cout << lines << " error line(s) for the vanished interface\n";
    });
}

// 65,535 bytes is the largest IPv4 datagram: a UDP payload of 65,507 bytes, unfragmented only on
// loopback, whose MTU is 65,536.
TEST_F(LinuxEngineFaultTest, DatagramsOfTheLargestIpv4SizeOnLoopbackAreStoredWhole) {
    std::vector<Datagram> sent;
    for (int sequence = 0; sequence < 3; ++sequence) {
        sent.push_back({"127.0.0.1", "127.0.0.1", Payload(sequence, 65507)});
    }
    m_namespaces->RunInA([&] {
        UdpSink sink("127.0.0.1", kTestPort);
        CCapture engine(HostCaptureSystem(), &m_poster);
        ASSERT_TRUE(engine.LaunchThread());
        engine.Start(kLoopbackIndex, StorageLimits{65535, 16});
        SendAll(sent);
        ASSERT_TRUE(m_poster.WaitForPackets(static_cast<int>(sent.size())));
        engine.Stop();
        ExpectCaptured(StoredPackets(engine), sent);
        EXPECT_EQ(engine.TotalBytes(), 3u * 65535u);
    });
    EXPECT_TRUE(m_poster.LogTexts().empty()) << m_poster.LogTexts().front();
}

} // namespace
