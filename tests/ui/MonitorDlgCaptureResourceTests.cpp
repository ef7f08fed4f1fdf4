// The main window when the engine cannot have its signals, its thread, its receive buffer or a
// packet copy: one English line in the pane, and the program goes on working.
#include "PacketListFixture.h"

#include "CaptureState.h"
#include "PacketDetail.h"

#include <atomic>
#include <ostream>
#include <string>
#include <vector>

namespace {

const char kNotRunning[] = "Capture thread is not running: nothing is captured\n";

// The window is opened by each test, after it has armed the fault.
class ResourceFaultTest : public PacketListTest {
protected:
    void SetUp() override { m_fake.SetAddressQuery({{0x0100007Fu}, ""}); }

    std::string PaneOnceShown() {
        PumpUntil([&] { return !Text(IDC_TEXT_PANE).empty(); }, m_hWnd);
        return Text(IDC_TEXT_PANE);
    }

    // Start and stop switch the button and nothing is read or counted; listing, the settings
    // dialog and a second start still work.
    void ExpectNothingCapturedButAWorkingWindow() {
        Click(IDC_START_STOP);
        EXPECT_EQ(Text(IDC_START_STOP), kCaptureOnText);
        m_fake.QueueDatagramOfSize(40);
        // A thread goes once round its loop, from a wait begun after the datagram came to the next
        // wait: any wake, network or time-out, that would read it has been handled by then.
        if (m_fake.ThreadsStarted() > 0) {
            EXPECT_TRUE(m_fake.WaitForWaits(m_fake.Waits() + 2));
        }
        Click(IDC_START_STOP);
        EXPECT_EQ(Text(IDC_START_STOP), kCaptureOffText);
        EXPECT_EQ(Text(IDC_PACKET_COUNT), "0");
        EXPECT_EQ(m_fake.QueuedItems(), 1u);
        ListPackets();
        EXPECT_EQ(RowCount(), 0);
        SetStorageLimits("200", "8");
        Click(IDC_START_STOP);
        EXPECT_EQ(Text(IDC_START_STOP), kCaptureOnText);
        Click(IDC_START_STOP);
        EXPECT_EQ(Text(IDC_START_STOP), kCaptureOffText);
    }
};

struct LaunchFault {
    const char* name;
    std::atomic<bool> FakeCaptureSystem::*failing;
    const char* line;
};

void PrintTo(const LaunchFault& fault, std::ostream* out) {
    *out << fault.name;
}

class LaunchFaultTest : public ResourceFaultTest, public ::testing::WithParamInterface<LaunchFault> {};

TEST_P(LaunchFaultTest, ShowsOneLineLeavesNothingHalfMadeAndEveryStartSaysNothingIsCaptured) {
    (m_fake.*GetParam().failing) = true;
    Open(m_fake);
    EXPECT_EQ(PaneOnceShown(), GetParam().line);
    EXPECT_EQ(m_fake.ThreadsStarted(), 0);
    EXPECT_EQ(m_fake.LiveSignals(), 0);

    Click(IDC_START_STOP);
    EXPECT_EQ(PaneOnceShown(), kNotRunning);
    Click(IDC_START_STOP);
    ExpectNothingCapturedButAWorkingWindow();
    EXPECT_TRUE(m_fake.OpenCalls().empty());
}

INSTANTIATE_TEST_SUITE_P(
    SignalsAndThread, LaunchFaultTest,
    ::testing::Values(
        LaunchFault{"StopSignal", &FakeCaptureSystem::failManualResetSignal, "Capture signals could not be created\n"},
        LaunchFault{"CloseSignal", &FakeCaptureSystem::failAutoResetSignal, "Capture signals could not be created\n"},
        LaunchFault{"NetworkEvent", &FakeCaptureSystem::failNetworkEvent, "Capture signals could not be created\n"},
        LaunchFault{"Thread", &FakeCaptureSystem::failStartThread, "Capture thread could not be started\n"}),
    [](const ::testing::TestParamInfo<LaunchFault>& info) { return std::string(info.param.name); });

TEST_F(ResourceFaultTest, WithoutAReceiveBufferThePaneSaysSoAndNothingIsRead) {
    m_fake.FailAllocation(0);
    Open(m_fake);
    const std::string noBuffer = "Out of memory: no receive buffer, nothing is captured\n";
    EXPECT_EQ(PaneOnceShown(), noBuffer);
    // Start empties the pane; the line comes back, so the user sees why nothing is counted.
    Click(IDC_START_STOP);
    EXPECT_EQ(PaneOnceShown(), noBuffer);
    Click(IDC_START_STOP);
    ExpectNothingCapturedButAWorkingWindow();
    EXPECT_EQ(m_fake.Receives(), 0);
}

// Allocation 0 is the receive buffer, 1 to 4 the copies of the four datagrams; the two in the
// middle fail. The rows must name the two packets that were stored, each with its own index.
TEST_F(ResourceFaultTest, PacketsThatCannotBeCopiedAreDroppedWithOneLineAndTheRowsMatchTheStore) {
    m_fake.FailAllocation(2);
    m_fake.FailAllocation(3);
    Open(m_fake);
    std::vector<std::vector<unsigned char>> datagrams;
    for (uint16_t port = 0; port < 4; ++port)
        datagrams.push_back(Datagram({10, 0, 0, 1}, {10, 0, 0, 2}, port, 53, 40));
    Capture(datagrams);
    EXPECT_EQ(Text(IDC_TEXT_PANE), "Out of memory: packets are being dropped\n");
    EXPECT_EQ(Text(IDC_PACKET_COUNT), "2");

    ListPackets();
    const std::vector<std::string> rows = Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(SourcePortOf(rows[0]), 0);
    EXPECT_EQ(SourcePortOf(rows[1]), 3);
    EXPECT_EQ(RowData(), (std::vector<LRESULT>{0, 1}));
    DoubleClick(1);
    EXPECT_EQ(Text(IDC_TEXT_PANE), rows[1].substr(0, 12) + " " + FormatPacketDetail(datagrams[3].data(), 40));
}

} // namespace
