// The start/stop command, the packet counter and the capture notifications, against the scripted
// capture backend.
#include "UiTestSupport.h"

#include "CaptureState.h"
#include "DialogWatcher.h"
#include "FakeCaptureSystem.h"
#include "ReleaseTracker.h"
#include "resource.h"

#include <cstring>
#include <string>

namespace {

class CaptureCommandTest : public MainWindowTest {
protected:
    void OpenScripted() { Open(m_system); }

    std::string ComboItem(int item) const {
        char text[64] = {};
        ::SendDlgItemMessageA(m_hWnd, IDC_INTERFACE, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(text));
        return text;
    }

    int32_t LastOpenedPosition() const {
        const auto calls = m_system.OpenCalls();
        return calls.empty() ? -2 : calls.back().interfaceIndex;
    }

    static char* HeapText(const char* text) {
        char* copy = new char[std::strlen(text) + 1];
        std::strcpy(copy, text);
        WatchRelease(copy);
        return copy;
    }

    void PostToWindow(UINT message, WPARAM wParam) { ::PostMessageA(m_hWnd, message, wParam, 0); }

    FakeCaptureSystem m_system;
};

uint32_t Address(unsigned char a, unsigned char b, unsigned char c, unsigned char d) {
    const unsigned char bytes[4] = {a, b, c, d};
    uint32_t networkOrder;
    std::memcpy(&networkOrder, bytes, sizeof(networkOrder));
    return networkOrder;
}

TEST_F(CaptureCommandTest, StartAndStopSwitchTheButtonTextAndTheCommandButtons) {
    OpenScripted();
    Click(IDC_START_STOP);
    EXPECT_EQ(Text(IDC_START_STOP), kCaptureOnText);
    EXPECT_FALSE(Enabled(IDC_LIST_BUTTON));
    EXPECT_FALSE(Enabled(IDC_FILTER_BUTTON));
    EXPECT_EQ(Text(IDC_PACKET_COUNT), "0");
    // With no interface to choose, the engine is asked for position -1.
    EXPECT_EQ(LastOpenedPosition(), -1);

    Click(IDC_START_STOP);
    EXPECT_EQ(Text(IDC_START_STOP), kCaptureOffText);
    EXPECT_TRUE(Enabled(IDC_LIST_BUTTON));
    EXPECT_FALSE(Enabled(IDC_FILTER_BUTTON));
}

TEST_F(CaptureCommandTest, ThreePacketsAreCountedAndTheListStaysEmptyAfterStop) {
    OpenScripted();
    Click(IDC_START_STOP);
    for (int i = 0; i < 3; ++i)
        m_system.QueueDatagramOfSize(60, static_cast<unsigned char>(i));
    EXPECT_TRUE(PumpUntil([&] { return Text(IDC_PACKET_COUNT) == "3"; }, m_hWnd));
    Click(IDC_START_STOP);
    EXPECT_EQ(Text(IDC_PACKET_COUNT), "3");
    EXPECT_EQ(::SendDlgItemMessageA(m_hWnd, IDC_PACKET_LIST, LB_GETCOUNT, 0, 0), 0);
}

TEST_F(CaptureCommandTest, TheCounterIsExactOnceCaptureStopsEvenWithNotificationsStillQueued) {
    OpenScripted();
    Click(IDC_START_STOP);
    for (int i = 0; i < 5; ++i)
        m_system.QueueDatagramOfSize(40);
    ASSERT_TRUE(m_system.WaitUntilQueueEmpty());
    // Nothing has been pumped: the five notifications are still queued when stop is pressed.
    Click(IDC_START_STOP);
    EXPECT_EQ(Text(IDC_PACKET_COUNT), "5");
    PumpMessages(m_hWnd);
    EXPECT_EQ(Text(IDC_PACKET_COUNT), "5");
}

TEST_F(CaptureCommandTest, PacketNotificationsAddTheirCountAndAZeroOnlyShowsZero) {
    OpenScripted();
    for (int i = 0; i < 3; ++i)
        PostToWindow(WM_CAPTURE_PACKET, 1);
    PumpMessages(m_hWnd);
    EXPECT_EQ(Text(IDC_PACKET_COUNT), "3");
    EXPECT_EQ(::SendMessageA(m_hWnd, WM_CAPTURE_PACKET, 0, 0), 1);
    EXPECT_EQ(Text(IDC_PACKET_COUNT), "0");
    PostToWindow(WM_CAPTURE_PACKET, 1);
    PumpMessages(m_hWnd);
    EXPECT_EQ(Text(IDC_PACKET_COUNT), "4");
    // A notice counts as many packets as it carries.
    PostToWindow(WM_CAPTURE_PACKET, 250);
    PumpMessages(m_hWnd);
    EXPECT_EQ(Text(IDC_PACKET_COUNT), "254");
}

TEST_F(CaptureCommandTest, StartEmptiesTheListThePaneAndTheCounter) {
    OpenScripted();
    ::SendDlgItemMessageA(m_hWnd, IDC_PACKET_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("row"));
    PostToWindow(WM_CAPTURE_LOG, reinterpret_cast<WPARAM>(HeapText("old line\n")));
    PostToWindow(WM_CAPTURE_PACKET, 1);
    PumpMessages(m_hWnd);
    ASSERT_EQ(Text(IDC_PACKET_COUNT), "1");
    ASSERT_EQ(Text(IDC_TEXT_PANE), "old line\n");

    Click(IDC_START_STOP);
    EXPECT_EQ(::SendDlgItemMessageA(m_hWnd, IDC_PACKET_LIST, LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(Text(IDC_TEXT_PANE), "");
    EXPECT_EQ(Text(IDC_PACKET_COUNT), "0");
}

TEST_F(CaptureCommandTest, EachInterfaceEntryStartsCaptureOnItsOwnPositionWhenSortedAsText) {
    AddressQuery query;
    for (unsigned char host = 1; host <= 12; ++host)
        query.addresses.push_back(Address(198, 51, 100, host));
    m_system.SetAddressQuery(query);
    OpenScripted();

    ASSERT_EQ(::SendDlgItemMessageA(m_hWnd, IDC_INTERFACE, CB_GETCOUNT, 0, 0), 12);
    EXPECT_EQ(ComboItem(0), "0. ( 198.51.100.1 )");
    EXPECT_EQ(ComboItem(1), "1. ( 198.51.100.2 )");
    EXPECT_EQ(ComboItem(2), "10. ( 198.51.100.11 )");
    EXPECT_EQ(ComboItem(4), "2. ( 198.51.100.3 )");
    EXPECT_EQ(::SendDlgItemMessageA(m_hWnd, IDC_INTERFACE, CB_GETCURSEL, 0, 0), 0);

    const struct {
        int item;
        int32_t position;
    } choices[] = {{0, 0}, {2, 10}, {3, 11}, {4, 2}, {11, 9}};
    for (const auto& choice : choices) {
        SCOPED_TRACE(choice.item);
        ::SendDlgItemMessageA(m_hWnd, IDC_INTERFACE, CB_SETCURSEL, choice.item, 0);
        Click(IDC_START_STOP);
        EXPECT_EQ(LastOpenedPosition(), choice.position);
        Click(IDC_START_STOP);
    }
}

TEST_F(CaptureCommandTest, AnAddressListFailureIsShownInThePaneWithAnEmptyList) {
    m_system.SetAddressQuery({{}, "WSAIoctl(SIO_ADDRESS_LIST_QUERY) faild.\n"});
    OpenScripted();
    EXPECT_EQ(Text(IDC_TEXT_PANE), "WSAIoctl(SIO_ADDRESS_LIST_QUERY) faild.\n");
    EXPECT_EQ(::SendDlgItemMessageA(m_hWnd, IDC_INTERFACE, CB_GETCOUNT, 0, 0), 0);
}

// The interface list comes before the capture thread's launch: memory running out in the list
// must not leave the window without a thread, which every start would then report.
TEST_F(CaptureCommandTest, AnInterfaceListThatRunsOutOfMemoryStillLeavesCaptureWorking) {
    m_system.failAddressQuery = true;
    OpenScripted();
    EXPECT_EQ(Text(IDC_TEXT_PANE), "Out of memory: the interface list could not be made\n");
    m_system.failAddressQuery = false;
    Click(IDC_START_STOP);
    m_system.QueueDatagramOfSize(60);
    EXPECT_TRUE(PumpUntil([&] { return Text(IDC_PACKET_COUNT) == "1"; }, m_hWnd));
    Click(IDC_START_STOP);
    EXPECT_EQ(m_system.OpenCalls().size(), 1u);
    // Start emptied the pane; a capture without a thread would have said so since.
    EXPECT_EQ(Text(IDC_TEXT_PANE), "");
}

TEST_F(CaptureCommandTest, ALogNotificationAppendsItsTextAsOneLineAndReleasesIt) {
    OpenScripted();
    char* first = HeapText("WSARecv failed. Code 10054\n");
    char* second = HeapText("WSARecv failed. Code 10040\n");
    PostToWindow(WM_CAPTURE_LOG, reinterpret_cast<WPARAM>(first));
    PumpMessages(m_hWnd);
    EXPECT_EQ(Text(IDC_TEXT_PANE), "WSARecv failed. Code 10054\n");
    EXPECT_TRUE(WasReleased(first));

    PostToWindow(WM_CAPTURE_LOG, reinterpret_cast<WPARAM>(second));
    PumpMessages(m_hWnd);
    EXPECT_EQ(Text(IDC_TEXT_PANE), "WSARecv failed. Code 10054\nWSARecv failed. Code 10040\n");
    EXPECT_TRUE(WasReleased(second));
}

TEST_F(CaptureCommandTest, StorageFullShowsItsMessageOnceOwnedByTheMainWindowAndCaptureStaysOn) {
    OpenScripted();
    Click(IDC_START_STOP);
    DialogWatcher watcher;
    EXPECT_EQ(::SendMessageA(m_hWnd, WM_CAPTURE_FULL, 1, 0), 1);
    ASSERT_EQ(watcher.Seen().size(), 1u);
    const SeenDialog& box = watcher.Seen()[0];
    EXPECT_EQ(box.owner, m_hWnd);
    EXPECT_EQ(box.text, "メモリオーバーです。");
    EXPECT_EQ(box.caption, ApplicationName());
    EXPECT_FALSE(box.hasIcon);
    EXPECT_EQ(Text(IDC_START_STOP), kCaptureOnText);
}

TEST_F(CaptureCommandTest, LogTextsStillQueuedWhenTheWindowClosesAreReleased) {
    OpenScripted();
    char* first = HeapText("queued one\n");
    char* second = HeapText("queued two\n");
    PostToWindow(WM_CAPTURE_LOG, reinterpret_cast<WPARAM>(first));
    PostToWindow(WM_CAPTURE_LOG, reinterpret_cast<WPARAM>(second));
    ::SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WasReleased(first));
    EXPECT_TRUE(WasReleased(second));
    EXPECT_EQ(m_dialog->ModalResult(), IDOK);
}

// A window destroyed without its close handler running: the engine is shut down while the window is
// still there (so before the application cleans Windows Sockets up), and the queued texts are released.
TEST_F(CaptureCommandTest, AWindowDestroyedWithoutClosingShutsTheEngineDownAndReleasesQueuedTexts) {
    OpenScripted();
    Click(IDC_START_STOP);
    char* queued = HeapText("queued\n");
    PostToWindow(WM_CAPTURE_LOG, reinterpret_cast<WPARAM>(queued));
    ::DestroyWindow(m_hWnd);
    EXPECT_TRUE(WasReleased(queued));
    EXPECT_EQ(m_system.ClosedSockets().size(), 1u);
    EXPECT_EQ(m_system.LiveSignals(), 0);
}

// Closing by the window's close command and by the menu item alike, during capture: the engine
// closes its socket and the dialog ends with IDOK.
class ClosingTest : public CaptureCommandTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ClosingTest, DuringCaptureShutsTheEngineDownAndEndsWithOk) {
    OpenScripted();
    Click(IDC_START_STOP);
    ASSERT_EQ(m_system.OpenCalls().size(), 1u);
    ASSERT_TRUE(m_system.ClosedSockets().empty());
    if (GetParam())
        ::SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
    else
        SendCommand(ID_FILE_EXIT, 0);
    EXPECT_EQ(m_system.ClosedSockets().size(), 1u);
    EXPECT_EQ(m_dialog->ModalResult(), IDOK);
    EXPECT_FALSE(::IsWindowVisible(m_hWnd));
}

INSTANTIATE_TEST_SUITE_P(CloseCommandOrMenu, ClosingTest, ::testing::Bool());

} // namespace
