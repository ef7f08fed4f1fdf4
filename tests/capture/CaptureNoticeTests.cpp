// How the engine announces stored packets: spaced-out notices that together count every packet.
#include "EngineTestSupport.h"

#include <chrono>
#include <thread>

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

TEST_F(EngineTest, ABurstIsAnnouncedInFewNoticesThatCountEveryPacket) {
    constexpr int kDatagrams = 3000;
    for (int i = 0; i < kDatagrams; ++i) {
        fake.QueueDatagramOfSize(20, static_cast<unsigned char>(i));
    }
    ASSERT_TRUE(engine.LaunchThread());
    const auto started = steady_clock::now();
    engine.Start(0, 100, 16);
    ASSERT_TRUE(poster.WaitForPackets(kDatagrams));
    const auto elapsedMs = std::chrono::duration_cast<milliseconds>(steady_clock::now() - started).count();

    // One notice at once, then at most one per 190 ms: far fewer than one per datagram.
    EXPECT_LE(poster.CountOf(WM_CAPTURE_PACKET), 2 + elapsedMs / 190) << elapsedMs << " ms";
    EXPECT_EQ(poster.PacketsAnnounced(), kDatagrams);
    engine.Stop();
    EXPECT_EQ(engine.Count(), kDatagrams);
    EXPECT_EQ(poster.PacketsAnnounced(), kDatagrams);
}

TEST_F(EngineTest, PacketsStoredRightAfterANoticeAreAnnouncedWithoutMoreTrafficOrStop) {
    ASSERT_TRUE(engine.LaunchThread());
    engine.Start(0, 100, 16);
    fake.QueueDatagramOfSize(20);
    ASSERT_TRUE(poster.WaitForPackets(1));
    for (int i = 0; i < 5; ++i) {
        fake.QueueDatagramOfSize(20);
    }
    EXPECT_TRUE(poster.WaitForPackets(6, std::chrono::seconds(5)));
    EXPECT_EQ(poster.PacketsAnnounced(), 6);
}

TEST_F(EngineTest, AStopRightAfterStoringStillAnnouncesEveryPacketBeforeItReturns) {
    ASSERT_TRUE(engine.LaunchThread());
    engine.Start(0, 100, 16);
    fake.QueueDatagramOfSize(20);
    ASSERT_TRUE(poster.WaitForPackets(1));
    for (int i = 0; i < 40; ++i) {
        fake.QueueDatagramOfSize(20);
    }
    ASSERT_TRUE(fake.WaitUntilQueueEmpty());
    engine.Stop();
    EXPECT_EQ(engine.Count(), 41);
    EXPECT_EQ(poster.PacketsAnnounced(), 41);
}

// A notice that cannot be posted (no window for a moment) is not lost: its packets come with the next.
TEST_F(EngineTest, PacketsOfARefusedNoticeAreAnnouncedByALaterOne) {
    ASSERT_TRUE(engine.LaunchThread());
    poster.refusePosts = true;
    engine.Start(0, 100, 16);
    for (int i = 0; i < 3; ++i) {
        fake.QueueDatagramOfSize(20);
    }
    ASSERT_TRUE(fake.WaitUntilQueueEmpty());
    const auto deadline = steady_clock::now() + std::chrono::seconds(20);
    while (poster.Refused() == 0 && steady_clock::now() < deadline) {
        std::this_thread::sleep_for(milliseconds(5));
    }
    ASSERT_GT(poster.Refused(), 0);
    poster.refusePosts = false;
    EXPECT_TRUE(poster.WaitForPackets(3));
    engine.Stop();
    EXPECT_EQ(poster.PacketsAnnounced(), 3);
}

// While packets wait to be announced the thread wakes when their notice is due. A notice that cannot
// go out is tried again an interval later, and with no window at all nothing is due: in neither
// case may the thread wake every millisecond.
TEST_F(EngineTest, AnnouncementsThatCannotBePostedDoNotMakeTheThreadSpin) {
    constexpr auto kWatched = milliseconds(500);
    FakeCaptureSystem quietFake;
    CCapture withoutPoster(quietFake, nullptr);
    ASSERT_TRUE(engine.LaunchThread());
    ASSERT_TRUE(withoutPoster.LaunchThread());
    poster.refusePosts = true;
    engine.Start(0, 100, 16);
    withoutPoster.Start(0, 100, 16);
    fake.QueueDatagramOfSize(20);
    quietFake.QueueDatagramOfSize(20);
    ASSERT_TRUE(fake.WaitUntilQueueEmpty());
    ASSERT_TRUE(quietFake.WaitUntilQueueEmpty());

    const int refusedWaits = fake.Waits();
    const int quietWaits = quietFake.Waits();
    std::this_thread::sleep_for(kWatched);
    EXPECT_LE(fake.Waits() - refusedWaits, kWatched / milliseconds(50) + 3) << "a wake per retry at most";
    EXPECT_LE(quietFake.Waits() - quietWaits, 3) << "the full time-out without a window";
    poster.refusePosts = false;
    withoutPoster.Shutdown();
}

} // namespace
