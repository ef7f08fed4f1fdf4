// The engine when resources cannot be had: signals, the thread, memory, and a window that takes no posts.
#include "EngineTestSupport.h"

#include <atomic>

namespace {

const char kNotRunning[] = "Capture thread is not running: nothing is captured\n";

void ExpectStartStopShutdownReturnWithoutCapturing(CCapture& engine, FakeCaptureSystem& fake) {
    engine.Start(0, StorageLimits{100, 16});
    fake.QueueDatagramOfSize(20);
    engine.Stop();
    engine.Shutdown();
    EXPECT_EQ(engine.Count(), 0);
    EXPECT_TRUE(fake.OpenCalls().empty());
    EXPECT_EQ(fake.LiveSignals(), 0);
}

// A start whose socket cannot be opened, then a capture whose first receive fails before one
// datagram arrives; returns once the stop has stored it.
void FailAnOpenThenAReceiveAndStoreOneDatagram(CCapture& engine, FakeCaptureSystem& fake) {
    fake.ScriptOpenResult({kInvalidSocket, "bind failed\n"});
    engine.Start(0, StorageLimits{100, 16});
    engine.Stop();
    engine.Start(0, StorageLimits{100, 16});
    fake.QueueError(10054);
    fake.QueueDatagramOfSize(20);
    ASSERT_TRUE(fake.WaitUntilQueueEmpty());
    engine.Stop();
}

TEST_F(EngineTest, ASignalThatCannotBeMadeLeavesNoThreadAndNoSignals) {
    std::atomic<bool>* switches[] = {&fake.failManualResetSignal, &fake.failAutoResetSignal, &fake.failNetworkEvent};
    for (std::atomic<bool>* failing : switches) {
        *failing = true;
        EXPECT_FALSE(engine.LaunchThread());
        EXPECT_EQ(fake.ThreadsStarted(), 0);
        EXPECT_EQ(fake.LiveSignals(), 0);
        *failing = false;
    }
    ExpectStartStopShutdownReturnWithoutCapturing(engine, fake);
    EXPECT_EQ(poster.LogTexts(), (std::vector<std::string>{"Capture signals could not be created\n",
                                                           "Capture signals could not be created\n",
                                                           "Capture signals could not be created\n", kNotRunning}));
}

TEST_F(EngineTest, AThreadThatCannotStartIsReportedAndNothingWaitsForIt) {
    fake.failStartThread = true;
    EXPECT_FALSE(engine.LaunchThread());
    ExpectStartStopShutdownReturnWithoutCapturing(engine, fake);
    EXPECT_EQ(poster.LogTexts(), (std::vector<std::string>{"Capture thread could not be started\n", kNotRunning}));
}

TEST_F(EngineTest, WithoutAReceiveBufferTheThreadStillAnswersStopAndShutdown) {
    fake.FailAllocation(0);
    ASSERT_TRUE(engine.LaunchThread());
    ASSERT_TRUE(poster.WaitForCount(WM_CAPTURE_LOG, 1));
    engine.Start(0, StorageLimits{100, 16});
    fake.QueueDatagramOfSize(20);
    engine.Stop();
    engine.Shutdown();

    // Said at launch and again by the start, which the user interface begins with an empty pane.
    const std::string noBuffer = "Out of memory: no receive buffer, nothing is captured\n";
    EXPECT_EQ(poster.LogTexts(), (std::vector<std::string>{noBuffer, noBuffer}));
    EXPECT_TRUE(fake.OpenCalls().empty());
    EXPECT_EQ(fake.Receives(), 0);
    EXPECT_EQ(poster.PacketsAnnounced(), 0);
    EXPECT_EQ(fake.LiveSignals(), 0);
}

// Allocation 0 is the receive buffer; 1 to 4 are the copies of the four datagrams.
TEST_F(EngineTest, PacketsThatCannotBeCopiedAreDroppedAndReportedOnce) {
    fake.FailAllocation(2);
    fake.FailAllocation(3);
    ASSERT_TRUE(engine.LaunchThread());
    engine.Start(0, StorageLimits{100, 16});
    for (unsigned char seed = 0; seed < 4; ++seed) {
        fake.QueueDatagramOfSize(40, seed);
    }
    ASSERT_TRUE(poster.WaitForPackets(2));
    ASSERT_TRUE(fake.WaitUntilQueueEmpty());
    engine.Stop();

    ASSERT_EQ(engine.Count(), 2);
    EXPECT_EQ(StoredBytes(engine, 0), PatternPrefix(40, 0));
    EXPECT_EQ(StoredBytes(engine, 1), PatternPrefix(40, 3));
    EXPECT_EQ(engine.TotalBytes(), 80u);
    EXPECT_EQ(poster.PacketsAnnounced(), 2);
    EXPECT_EQ(poster.LogTexts(), (std::vector<std::string>{"Out of memory: packets are being dropped\n"}));
}

// Without the memory for a failure text the engine posts a fixed line, on the capture thread and
// at start alike, and capture goes on; an exception there would end the process.
TEST_F(EngineTest, FailureTextsThatCannotBeMadeGiveAFixedLineAndCaptureGoesOn) {
    fake.failTextAllocation = true;
    ASSERT_TRUE(engine.LaunchThread());
    FailAnOpenThenAReceiveAndStoreOneDatagram(engine, fake);

    EXPECT_EQ(engine.Count(), 1);
    EXPECT_EQ(poster.LogTexts(), (std::vector<std::string>{"Out of memory: the capture socket could not be opened\n",
                                                           "Receive failed; out of memory to say why\n"}));
}

// Texts that cannot be delivered are released by the engine; the sanitizer build's leak checker
// fails this test otherwise.
TEST_F(EngineTest, RefusedPostsLeakNoTextAndCaptureGoesOn) {
    poster.refusePosts = true;
    ASSERT_TRUE(engine.LaunchThread());
    FailAnOpenThenAReceiveAndStoreOneDatagram(engine, fake);

    EXPECT_EQ(engine.Count(), 1);
    // Two texts and at least one packet notice, which is offered again until stop.
    EXPECT_GE(poster.Refused(), 3);
    EXPECT_TRUE(poster.Messages().empty());
}

TEST(EngineWithoutPoster, CapturesAndPostsNothing) {
    FakeCaptureSystem fake;
    CCapture engine(fake, nullptr);
    ASSERT_TRUE(engine.LaunchThread());
    fake.ScriptOpenResult({kInvalidSocket, "bind failed\n"});
    engine.Start(0, StorageLimits{100, 16});
    engine.Stop();
    engine.Start(0, StorageLimits{100, 0});
    fake.QueueError(10054);
    fake.QueueDatagramOfSize(0);
    fake.QueueDatagramOfSize(20);
    ASSERT_TRUE(fake.WaitUntilQueueEmpty());
    engine.Stop();
    EXPECT_EQ(engine.Count(), 1);
}

} // namespace
