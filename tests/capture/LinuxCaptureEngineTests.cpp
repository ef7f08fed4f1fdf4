// The capture engine over the Linux backend, with real datagrams between two network namespaces.
#include "Capture.h"
#include "RecordingPoster.h"
#include "LinuxDatagrams.h"
#include "NamespacePair.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace {

constexpr int32_t kVethIndex = 0;
constexpr int32_t kMaxPacketBytes = 100;
constexpr int32_t kMaxTotalMB = 16;

Bytes Stored(const CCapture& engine, int32_t index) {
    const PacketView view = engine.Get(index);
    return Bytes(view.bytes, view.bytes + view.length);
}

} // namespace

TEST(LinuxCaptureEngineTest, StoresEachDatagramFromThePeerInOrderCutToTheLimit) {
    if (!RunningAsRoot()) {
        GTEST_SKIP() << "needs root: creates network namespaces and opens packet sockets";
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
