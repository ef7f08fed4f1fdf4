// The engine's start, stop and shutdown against the scripted backend, with receive and set-up failures.
#include "EngineTestSupport.h"

#include <algorithm>

namespace {

bool Contains(const std::vector<SocketHandle>& sockets, SocketHandle socket) {
    return std::find(sockets.begin(), sockets.end(), socket) != sockets.end();
}

TEST_F(EngineTest, StartOpensTheGivenIndexWithTheNetworkEventAndStopClosesTheSocket) {
    ASSERT_TRUE(engine.LaunchThread());
    engine.Start(-1, StorageLimits{100, 16});
    fake.QueueDatagramOfSize(30);
    ASSERT_TRUE(poster.WaitForPackets(1));
    engine.Stop();

    const std::vector<OpenCall> opens = fake.OpenCalls();
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].interfaceIndex, -1);
    EXPECT_NE(opens[0].networkEvent, kNoSignal);
    EXPECT_EQ(fake.ClosedSockets(), (std::vector<SocketHandle>{100}));
    EXPECT_EQ(engine.Count(), 1);
    EXPECT_EQ(StoredBytes(engine, 0), PatternPrefix(30, 0));
}

TEST_F(EngineTest, NothingIsReadAfterStop) {
    ASSERT_TRUE(engine.LaunchThread());
    engine.Start(0, StorageLimits{100, 16});
    engine.Stop();
    fake.QueueDatagramOfSize(20);
    engine.Shutdown();
    EXPECT_EQ(fake.QueuedItems(), 1u);
    EXPECT_EQ(poster.PacketsAnnounced(), 0);
}

// A backend may hold datagrams back (a ring block not yet handed over); a stop still stores them
// and announces them before it returns.
TEST_F(EngineTest, StopStoresTheDatagramsTheBackendStillHeldAndAnnouncesThem) {
    ASSERT_TRUE(engine.LaunchThread());
    engine.Start(0, StorageLimits{100, 16});
    fake.QueueDatagramOfSize(20, 1);
    ASSERT_TRUE(poster.WaitForPackets(1));
    fake.QueueHeldDatagramOfSize(30, 2);
    fake.QueueHeldDatagramOfSize(40, 3);
    engine.Stop();

    ASSERT_EQ(engine.Count(), 3);
    EXPECT_EQ(StoredBytes(engine, 1), PatternPrefix(30, 2));
    EXPECT_EQ(StoredBytes(engine, 2), PatternPrefix(40, 3));
    EXPECT_EQ(poster.PacketsAnnounced(), 3);
}

// A platform that stamps datagrams as they arrive decides their stamps, however late the thread
// stores them; a datagram without one is stamped by the store's clock.
TEST_F(EngineTest, StampsThePlatformGaveAreKeptInArrivalOrder) {
    ASSERT_TRUE(engine.LaunchThread());
    engine.Start(0, StorageLimits{100, 16});
    fake.QueueStampedDatagram({1, 2, 3}, LocalTime{23, 59, 59, 990});
    fake.QueueStampedDatagram({4}, LocalTime{23, 59, 59, 990});
    fake.QueueStampedDatagram({5, 6}, LocalTime{0, 0, 0, 20});
    fake.QueueDatagramOfSize(8);
    ASSERT_TRUE(poster.WaitForPackets(4));
    engine.Stop();

    ASSERT_EQ(engine.Count(), 4);
    EXPECT_EQ(engine.Get(0).timeStamp, "23:59:59.990");
    EXPECT_EQ(engine.Get(1).timeStamp, "23:59:59.990");
    EXPECT_EQ(engine.Get(2).timeStamp, "00:00:00.020");
    EXPECT_EQ(StoredBytes(engine, 2), (std::vector<unsigned char>{5, 6}));
    EXPECT_NE(engine.Get(3).timeStamp, "00:00:00.020");
}

// Datagrams keep arriving while the thread reads; the stop keeps every one that arrived before
// the backend was told to take no more, and none after.
TEST_F(EngineTest, AStopDuringAFloodStoresExactlyWhatArrivedBeforeArrivalsStopped) {
    ASSERT_TRUE(engine.LaunchThread());
    // The flood is on before the first datagram is queued: a thread that read the thousand first
    // would otherwise wait for more with nothing left to arrive.
    fake.FloodWhileReceiving(true);
    engine.Start(0, StorageLimits{100, 16});
    for (int i = 0; i < 1000; ++i) {
        fake.QueueDatagramOfSize(20);
    }
    ASSERT_TRUE(poster.WaitForPackets(2000));
    engine.Stop();

    EXPECT_GT(fake.ArrivedBeforeStop(), 1000);
    EXPECT_EQ(engine.Count(), fake.ArrivedBeforeStop());
    EXPECT_EQ(poster.PacketsAnnounced(), engine.Count());
}

struct LostCase {
    LostCounts lost;
    std::vector<std::string> lines;
};

class LostPacketsTest : public EngineTest, public ::testing::WithParamInterface<LostCase> {};

// What the platform lost during a capture is told once, as the capture stops, a line per cause.
TEST_P(LostPacketsTest, AreToldAtStopALinePerCause) {
    ASSERT_TRUE(engine.LaunchThread());
    engine.Start(0, StorageLimits{100, 16});
    fake.QueueDatagramOfSize(20);
    ASSERT_TRUE(poster.WaitForPackets(1));
    fake.ScriptLostCount(GetParam().lost.kernelDropped, GetParam().lost.unreadAtStop);
    EXPECT_TRUE(poster.LogTexts().empty());
    engine.Stop();

    EXPECT_EQ(poster.LogTexts(), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, LostPacketsTest,
    ::testing::Values(LostCase{{0, 0}, {}}, LostCase{{1, 0}, {"Kernel dropped 1 packet during this capture\n"}},
                      LostCase{{999, 0}, {"Kernel dropped 999 packets during this capture\n"}},
                      LostCase{{1234, 0}, {"Kernel dropped 1,234 packets during this capture\n"}},
                      LostCase{{1234567, 0}, {"Kernel dropped 1,234,567 packets during this capture\n"}},
                      LostCase{{UINT64_MAX, 0},
                               {"Kernel dropped 18,446,744,073,709,551,615 "
                                "packets during this capture\n"}},
                      LostCase{{0, 1}, {"1 packet had not been read when the capture stopped\n"}},
                      LostCase{{5, 1234},
                               {"Kernel dropped 5 packets during this capture\n",
                                "1,234 packets had not been read when the capture stopped\n"}}));

// Datagrams lost before the store filled count; those lost after it, and those left unread when it
// filled, refused by the limit anyway, do not.
TEST_F(EngineTest, OnlyLossesBeforeTheStoreFilledAreTold) {
    ASSERT_TRUE(engine.LaunchThread());
    engine.Start(0, StorageLimits{100, 0});
    fake.QueueDatagramOfSize(0);
    ASSERT_TRUE(poster.WaitForPackets(1));
    fake.ScriptLostCount(5, 3);
    fake.QueueDatagramOfSize(10);
    ASSERT_TRUE(poster.WaitForCount(WM_CAPTURE_FULL, 1));
    fake.ScriptLostCount(7);
    engine.Stop();

    EXPECT_EQ(poster.LogTexts(), (std::vector<std::string>{"Kernel dropped 5 packets during this capture\n"}));
}

TEST_F(EngineTest, WouldBlockIsSilentAndReceiveErrorsAreReportedWithoutStoppingCapture) {
    ASSERT_TRUE(engine.LaunchThread());
    engine.Start(0, StorageLimits{100, 16});
    fake.QueueWouldBlock();
    fake.QueueError(10054);
    fake.QueueWouldBlock();
    fake.QueueError(10040);
    fake.QueueDatagramOfSize(60, 7);
    ASSERT_TRUE(poster.WaitForPackets(1));
    engine.Stop();

    EXPECT_EQ(poster.LogTexts(),
              (std::vector<std::string>{"WSARecv failed. Code 10054\n", "WSARecv failed. Code 10040\n"}));
    ASSERT_EQ(engine.Count(), 1);
    EXPECT_EQ(StoredBytes(engine, 0), PatternPrefix(60, 7));
}

class StopErrorTest : public EngineTest, public ::testing::WithParamInterface<bool> {};

// A receive error before the stop is told; one after it is told only where the backend does not
// say the stop made it (Windows, once receive-all is off). Either ends the stop's reads.
TEST_P(StopErrorTest, AnErrorAfterTheStopIsToldUnlessTheStopMadeIt) {
    fake.stopMakesErrors = GetParam();
    ASSERT_TRUE(engine.LaunchThread());
    engine.Start(0, StorageLimits{100, 16});
    fake.QueueError(10054);
    fake.QueueDatagramOfSize(20);
    fake.QueueHeldError(10040);
    fake.QueueHeldDatagramOfSize(20);
    ASSERT_TRUE(poster.WaitForPackets(1));
    engine.Stop();

    std::vector<std::string> expected{"WSARecv failed. Code 10054\n"};
    if (!GetParam()) {
        expected.push_back("WSARecv failed. Code 10040\n");
    }
    EXPECT_EQ(poster.LogTexts(), expected);
    EXPECT_EQ(engine.Count(), 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, StopErrorTest, ::testing::Values(false, true));

TEST_F(EngineTest, FailedSetUpIsReportedAndStopStillReturns) {
    ASSERT_TRUE(engine.LaunchThread());
    fake.ScriptOpenResult({kInvalidSocket, "bind failed\n"});
    engine.Start(7, StorageLimits{100, 16});
    fake.QueueDatagramOfSize(20);
    engine.Stop();

    EXPECT_EQ(poster.LogTexts(), (std::vector<std::string>{"bind failed\n"}));
    EXPECT_EQ(engine.Count(), 0);
    EXPECT_EQ(fake.Receives(), 0);
    EXPECT_TRUE(fake.ClosedSockets().empty());
    ASSERT_EQ(fake.OpenCalls().size(), 1u);
    EXPECT_EQ(fake.OpenCalls()[0].interfaceIndex, 7);

    // The next start opens afresh and captures what was waiting.
    engine.Start(0, StorageLimits{100, 16});
    ASSERT_TRUE(poster.WaitForPackets(1));
    engine.Stop();
    EXPECT_EQ(engine.Count(), 1);
}

TEST_F(EngineTest, StartAfterFullClearsTheStoreAndCapturesAgain) {
    ASSERT_TRUE(engine.LaunchThread());
    engine.Start(0, StorageLimits{100, 0});
    fake.QueueDatagramOfSize(0);
    fake.QueueDatagramOfSize(10);
    ASSERT_TRUE(poster.WaitForCount(WM_CAPTURE_FULL, 1));
    engine.Stop();
    EXPECT_EQ(engine.Count(), 1);

    engine.Start(1, StorageLimits{100, 16});
    EXPECT_EQ(engine.Count(), 0);
    EXPECT_EQ(engine.TotalBytes(), 0u);
    fake.QueueDatagramOfSize(50, 3);
    ASSERT_TRUE(poster.WaitForPackets(2));
    engine.Stop();

    ASSERT_EQ(engine.Count(), 1);
    EXPECT_EQ(StoredBytes(engine, 0), PatternPrefix(50, 3));
    EXPECT_EQ(fake.ClosedSockets(), (std::vector<SocketHandle>{100, 101}));
    EXPECT_EQ(poster.CountOf(WM_CAPTURE_FULL), 1);
}

// A start that finds the previous capture still open (full, not stopped) closes it before clearing.
TEST_F(EngineTest, StartWhileFullStopsThePreviousCaptureFirst) {
    ASSERT_TRUE(engine.LaunchThread());
    engine.Start(0, StorageLimits{100, 0});
    fake.QueueDatagramOfSize(10);
    ASSERT_TRUE(poster.WaitForCount(WM_CAPTURE_FULL, 1));

    engine.Start(0, StorageLimits{100, 16});
    EXPECT_TRUE(Contains(fake.ClosedSockets(), 100));
    fake.QueueDatagramOfSize(10, 1);
    ASSERT_TRUE(poster.WaitForPackets(1));
    engine.Stop();
    ASSERT_EQ(engine.Count(), 1);
    EXPECT_EQ(StoredBytes(engine, 0), PatternPrefix(10, 1));
}

TEST_F(EngineTest, ShutdownWhileCapturingEndsTheThreadAndReleasesEverything) {
    ASSERT_TRUE(engine.LaunchThread());
    engine.Start(0, StorageLimits{100, 16});
    fake.QueueDatagramOfSize(20);
    ASSERT_TRUE(poster.WaitForPackets(1));
    engine.Shutdown();

    EXPECT_EQ(engine.Count(), 0);
    EXPECT_EQ(engine.TotalBytes(), 0u);
    EXPECT_EQ(fake.ClosedSockets(), (std::vector<SocketHandle>{100}));
    EXPECT_EQ(fake.SignalsCreated(), 3);
    EXPECT_EQ(fake.LiveSignals(), 0);
}

// The thread is held back until Shutdown first polls; Shutdown must still wait for it to run and end.
TEST_F(EngineTest, ShutdownRightAfterLaunchWaitsForTheThread) {
    fake.HoldThreadsUntilSleep();
    ASSERT_TRUE(engine.LaunchThread());
    engine.Shutdown();
    EXPECT_EQ(fake.Allocations(), 1);
    EXPECT_EQ(fake.LiveSignals(), 0);
}

} // namespace
