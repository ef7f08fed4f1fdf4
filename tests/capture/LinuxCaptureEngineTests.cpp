// The capture engine over the Linux backend, with real datagrams between two network namespaces.
#include "FullRun.h"
#include "Capture.h"
#include "RecordingPoster.h"
#include "LinuxDatagrams.h"
#include "NamespacePair.h"

#include <gtest/gtest.h>

#include <chrono>
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

TEST(LinuxCaptureEngineTest, StoresEachDatagramFromThePeerInOrderCutToTheLimit) {
    if (!RunningAsRoot()) {
        SKIP_UNLESS_FULL_RUN("needs root: creates network namespaces and opens packet sockets");
    }
    const NamespacePair namespaces;
    ASSERT_TRUE(namespaces.Created()) << "could not create the test namespaces";
    const std::vector<Datagram> sent = Datagrams(NamespacePair::kAddressB, NamespacePair::kAddressA, 7);
    RecordingPoster poster;

    // The engine lives on a thread inside namespace a, so its socket and its capture thread do too.
    namespaces.RunInA([&] {
        UdpSink sink(NamespacePair::kAddressA, kTestPort);
        CCapture engine(HostCaptureSystem(), &poster);
        ASSERT_TRUE(engine.LaunchThread());
        engine.Start(kVethIndex, kMaxPacketBytes, kMaxTotalMB);
        namespaces.RunInB([&] { SendAll(sent); });
        EXPECT_TRUE(poster.WaitForPackets(static_cast<int>(sent.size()), std::chrono::seconds(5)));
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
        engine.Shutdown();
    });
    EXPECT_EQ(poster.PacketsAnnounced(), static_cast<int>(sent.size()));
    EXPECT_EQ(poster.CountOf(WM_CAPTURE_FULL), 0);
    EXPECT_TRUE(poster.LogTexts().empty()) << poster.LogTexts().front();
}

// Two datagrams 30 ms apart may reach the store in one ring block, handed over together; their stamps
// still lie as far apart as they were sent (within the stamp's millisecond and a little delivery).
TEST(LinuxCaptureEngineTest, StampsAreTheArrivalTimesNotTheTimesOfStoring) {
    if (!RunningAsRoot()) {
        SKIP_UNLESS_FULL_RUN("needs root: creates network namespaces and opens packet sockets");
    }
    const NamespacePair namespaces;
    ASSERT_TRUE(namespaces.Created()) << "could not create the test namespaces";
    const std::vector<Datagram> sent = Datagrams(NamespacePair::kAddressB, NamespacePair::kAddressA, 3);
    RecordingPoster poster;
    namespaces.RunInA([&] {
        UdpSink sink(NamespacePair::kAddressA, kTestPort);
        CCapture engine(HostCaptureSystem(), &poster);
        ASSERT_TRUE(engine.LaunchThread());
        engine.Start(kVethIndex, kMaxPacketBytes, kMaxTotalMB);
        // The first datagram waits for address resolution, which would stretch the first gap.
        namespaces.RunInB([&] { SendAll({sent[0]}); });
        ASSERT_TRUE(poster.WaitForPackets(1, std::chrono::seconds(5)));
        double sendGapMs = 0;
        namespaces.RunInB([&] {
            SendAll({sent[1]});
            const double first = RealTimeMilliseconds();
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            SendAll({sent[2]});
            sendGapMs = RealTimeMilliseconds() - first;
        });
        ASSERT_TRUE(poster.WaitForPackets(3, std::chrono::seconds(5)));
        engine.Stop();

        ASSERT_EQ(engine.Count(), 3);
        const int stampGapMs =
            StampMilliseconds(engine.Get(2).timeStamp) - StampMilliseconds(engine.Get(1).timeStamp);
        EXPECT_NEAR(stampGapMs, sendGapMs, 2.0) << engine.Get(1).timeStamp << " " << engine.Get(2).timeStamp;
        engine.Shutdown();
    });
}
