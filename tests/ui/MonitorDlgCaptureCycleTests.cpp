// Two hundred start/stop clicks in the real window leave the process's handles, windows,
// window-system objects and committed memory where they were.
#include "PacketListFixture.h"

#include "CaptureState.h"
#include "FaultProcessFigures.h"
#include "ProcessCounters.h"

#include <cstdio>

namespace {

class StartStopCycleTest : public PacketListTest {
protected:
    // One capture of three 16,000-byte packets, handled by the window as they arrive, then stopped;
    // a copy left behind in each cycle would add some 9 MB over the run.
    void Cycle() {
        Click(IDC_START_STOP);
        for (unsigned char seed = 0; seed < 3; ++seed)
            m_fake.QueueDatagramOfSize(16000, seed);
        ASSERT_TRUE(PumpUntil([&] { return Text(IDC_PACKET_COUNT) == "3"; }, m_hWnd));
        Click(IDC_START_STOP);
        ASSERT_EQ(Text(IDC_START_STOP), kCaptureOffText);
    }
};

// Wine keeps no count of GDI and USER objects (GetGuiResources answers 0): there the window count
// stands for them, beside the handles and the commit charge, which it does count.
TEST_F(StartStopCycleTest, TwoHundredCyclesLeakNoHandleWindowOrMemoryNorWhereCountedGdiOrUserObject) {
    SetStorageLimits("65535", "16");
    // The first cycles make what lives for the run (the thread's pieces, heap arenas, caches).
    for (int cycle = 0; cycle < 20; ++cycle)
        ASSERT_NO_FATAL_FAILURE(Cycle());
    const ProcessFigures before = MeasureProcess();
    const HANDLE probe = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_EQ(OpenHandles(), before.handles + 1) << "the handle count must see an event opened";
    ::CloseHandle(probe);
    ASSERT_GT(before.commitBytes, 0u) << "no commit charge on this platform";
    for (int cycle = 0; cycle < 200; ++cycle)
        ASSERT_NO_FATAL_FAILURE(Cycle()) << "cycle " << cycle;
    const ProcessFigures after = MeasureProcess();
    PrintFigures("after 20 cycles", before);
    PrintFigures("after 220 cycles", after);

    EXPECT_LE(after.handles, before.handles + 2);
    EXPECT_EQ(after.windows, before.windows);
    EXPECT_LE(after.commitBytes, before.commitBytes + 512 * 1024);
    if (before.gdiObjects == 0 && before.userObjects == 0) {
        std::printf("NOTE: this platform keeps no count of GDI and USER objects (GetGuiResources gives 0); "
                    "the window count above stands for them\n");
    } else {
        EXPECT_LE(after.gdiObjects, before.gdiObjects + 2);
        EXPECT_LE(after.userObjects, before.userObjects + 2);
    }
}

} // namespace
