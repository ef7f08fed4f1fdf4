// The capture engine over the Linux backend, with real datagrams between two network namespaces.
#include "Capture.h"
#include "RecordingPoster.h"
#include "LinuxDatagrams.h"
#include "NamespacePair.h"
#include "NamespaceTest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <cstdio>
#include <ctime>
#include <thread>
#include <memory>

namespace {

constexpr int32_t kVethIndex = 0;
constexpr int32_t kMaxPacketBytes = 100;
constexpr int32_t kMaxTotalMB = 16;

Bytes Stored(const CCapture& engine, int32_t index) {
    const PacketView view = engine.Get(index);
    return Bytes(view.bytes, view.bytes + view.length);
}

// Milliseconds since midnight of an "HH:MM:SS.mmm" stamp.
int StampMilliseconds(const std::string& stamp) {
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    EXPECT_EQ(std::sscanf(stamp.c_str(), "%d:%d:%d.%d", &hour, &minute, &second, &millisecond), 4) << stamp;
    return ((hour * 60 + minute) * 60 + second) * 1000 + millisecond;
}

double RealTimeMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

} // namespace

// The engine lives on a thread inside namespace a, so its socket and its capture thread do too.
class LinuxCaptureEngineTest : public NamespaceTest {
protected:
    // Runs body with a capture on a's veth end, a sink taking the datagrams sent to a.
    void CaptureInA(const std::function<void(CCapture&)>& body) {
        m_namespaces->RunInA([&] {
            UdpSink sink(NamespacePair::kAddressA, kTestPort);
            CCapture engine(HostCaptureSystem(), &m_poster);
            ASSERT_TRUE(engine.LaunchThread());
            engine.Start(kVethIndex, StorageLimits{kMaxPacketBytes, kMaxTotalMB});
            body(engine);
            engine.Shutdown();
        });
    }

    RecordingPoster m_poster;
};

TEST_F(LinuxCaptureEngineTest, StoresEachDatagramFromThePeerInOrderCutToTheLimit) {
    const std::vector<Datagram> sent = Datagrams(NamespacePair::kAddressB, NamespacePair::kAddressA, 7);
    CaptureInA([&](CCapture& engine) {
        m_namespaces->RunInB([&] { SendAll(sent); });
        EXPECT_TRUE(m_poster.WaitForPackets(static_cast<int>(sent.size()), std::chrono::seconds(5)));
        engine.Stop();

        ASSERT_EQ(engine.Count(), static_cast<int32_t>(sent.size()));
        uint32_t totalBytes = 0;
        for (size_t i = 0; i < sent.size(); ++i) {
            SCOPED_TRACE("packet " + std::to_string(i));
            const Bytes stored = Stored(engine, static_cast<int32_t>(i));
            ExpectUdpDatagram(stored, sent[i], kMaxPacketBytes);
            totalBytes += static_cast<uint32_t>(stored.size());
        }
        EXPECT_EQ(engine.TotalBytes(), totalBytes);
    });
    EXPECT_EQ(m_poster.PacketsAnnounced(), static_cast<int>(sent.size()));
    EXPECT_EQ(m_poster.CountOf(WM_CAPTURE_FULL), 0);
    EXPECT_TRUE(m_poster.LogTexts().empty()) << m_poster.LogTexts().front();
}

// Two datagrams 30 ms apart may reach the store in one ring block, handed over together; their stamps
// still lie as far apart as they were sent (within the stamp's millisecond and a little delivery).
TEST_F(LinuxCaptureEngineTest, StampsAreTheArrivalTimesNotTheTimesOfStoring) {
    const std::vector<Datagram> sent = Datagrams(NamespacePair::kAddressB, NamespacePair::kAddressA, 3);
    CaptureInA([&](CCapture& engine) {
        // The first datagram waits for address resolution, which would stretch the first gap.
        m_namespaces->RunInB([&] { SendAll({sent[0]}); });
        ASSERT_TRUE(m_poster.WaitForPackets(1, std::chrono::seconds(5)));
        double sendGapMs = 0;
        m_namespaces->RunInB([&] {
            SendAll({sent[1]});
            const double first = RealTimeMilliseconds();
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            SendAll({sent[2]});
            sendGapMs = RealTimeMilliseconds() - first;
        });
        ASSERT_TRUE(m_poster.WaitForPackets(3, std::chrono::seconds(5)));
        engine.Stop();

        ASSERT_EQ(engine.Count(), 3);
        const int stampGapMs =
            StampMilliseconds(engine.Get(2).timeStamp) - StampMilliseconds(engine.Get(1).timeStamp);
        EXPECT_NEAR(stampGapMs, sendGapMs, 2.0) << engine.Get(1).timeStamp << " " << engine.Get(2).timeStamp;
    });
}
