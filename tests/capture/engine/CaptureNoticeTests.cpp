// How the engine announces stored packets: spaced-out notices that together count every packet.
#include "EngineTestSupport.h"

#include <chrono>
#include <thread>

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// A burst the thread reads in one wake is announced in one notice, not one per datagram or per read.
TEST_F(EngineTest, ABurstReadInOneWakeIsAnnouncedInOneNoticeThatCountsEveryPacket) {
    constexpr int kDatagrams = 3000;
    for (int i = 0; i < kDatagrams; ++i) {
        fake.QueueDatagramOfSize(20, static_cast<unsigned char>(i));
    }
    ASSERT_TRUE(engine.LaunchThread());
    engine.Start(0, StorageLimits{100, 16});
    ASSERT_TRUE(poster.WaitForPackets(kDatagrams));

    EXPECT_EQ(poster.CountOf(WM_CAPTURE_PACKET), 1);
    EXPECT_EQ(poster.PacketsAnnounced(), kDatagrams);
    engine.Stop();
    EXPECT_EQ(engine.Count(), kDatagrams);
    EXPECT_EQ(poster.PacketsAnnounced(), kDatagrams);
}

TEST_F(EngineTest, PacketsStoredRightAfterANoticeAreAnnouncedWithoutMoreTrafficOrStop) {
    ASSERT_TRUE(engine.LaunchThread());
    engine.Start(0, StorageLimits{100, 16});
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
    engine.Start(0, StorageLimits{100, 16});
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
    engine.Start(0, StorageLimits{100, 16});
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
// case may the thread wake every millisecond. Counted in wakes per refused attempt, and in the
// time-out of the waits without a window, rather than over a stretch of time.
TEST_F(EngineTest, AnnouncementsThatCannotBePostedDoNotMakeTheThreadSpin) {
    constexpr int kRetries = 3;
    // The engine's wait when nothing is due.
    constexpr uint32_t kFullWaitMs = 500;
    FakeCaptureSystem quietFake;
    CCapture withoutPoster(quietFake, nullptr);
    ASSERT_TRUE(engine.LaunchThread());
    ASSERT_TRUE(withoutPoster.LaunchThread());
    poster.refusePosts = true;
    engine.Start(0, StorageLimits{100, 16});
    withoutPoster.Start(0, StorageLimits{100, 16});
    fake.QueueDatagramOfSize(20);
    quietFake.QueueDatagramOfSize(20);
    ASSERT_TRUE(fake.WaitUntilQueueEmpty());
    ASSERT_TRUE(quietFake.WaitUntilQueueEmpty());

    // The wait that began after the read, or the one after it: either has nothing due.
    ASSERT_TRUE(quietFake.WaitForWaits(quietFake.Waits() + 1));
    EXPECT_EQ(quietFake.LastWaitTimeoutMs(), kFullWaitMs) << "the full time-out without a window";

    const int refusedBefore = poster.Refused();
    const int waitsBefore = fake.Waits();
    // Hang guard: three retries take about a second.
    const auto deadline = steady_clock::now() + std::chrono::seconds(60);
    while (poster.Refused() < refusedBefore + kRetries && steady_clock::now() < deadline) {
        std::this_thread::sleep_for(milliseconds(5));
    }
    const int retries = poster.Refused() - refusedBefore;
    ASSERT_GE(retries, kRetries);
    EXPECT_LE(fake.Waits() - waitsBefore, 2 * retries + 2) << "a wake per retry at most";
    poster.refusePosts = false;
    withoutPoster.Shutdown();
}

} // namespace
