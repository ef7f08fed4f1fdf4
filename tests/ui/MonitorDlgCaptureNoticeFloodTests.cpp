// A flood of queued packet notices does not hold back what comes after it in the window's queue.
#include "UiTestSupport.h"

#include "FakeCaptureSystem.h"
#include "resource.h"

namespace {

class NoticeFloodTest : public MainWindowTest {
protected:
    // Handles queued messages one at a time until done() holds or the queue is empty; returns how
    // many it handled.
    int HandleUntil(const std::function<bool()>& done, int most) {
        MSG message;
        int handled = 0;
        while (!done() && handled < most && ::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!::IsDialogMessageA(m_hWnd, &message)) {
                ::TranslateMessage(&message);
                ::DispatchMessageA(&message);
            }
            ++handled;
        }
        return handled;
    }

    FakeCaptureSystem m_fake;
};

// The engine spaces its notices out, but a window held up for a while can still find many queued;
// handled one by one, a close posted behind them would wait for all of them. 9,000 stays below the
// 10,000 posted messages a queue takes on Windows.
TEST_F(NoticeFloodTest, ACloseQueuedBehindNineThousandPacketNoticesIsHandledSoonAndEveryNoticeCounts) {
    Open(m_fake);
    Click(IDC_START_STOP);
    PumpMessages(m_hWnd);
    constexpr int kNotices = 9000;
    for (int i = 0; i < kNotices; ++i)
        ASSERT_TRUE(::PostMessageA(m_hWnd, WM_CAPTURE_PACKET, 1, 0));
    ASSERT_TRUE(::PostMessageA(m_hWnd, WM_CLOSE, 0, 0));

    const int handled = HandleUntil([&] { return m_dialog->ModalResult() != -1; }, 100);
    EXPECT_EQ(m_dialog->ModalResult(), IDOK);
    EXPECT_LE(handled, 10);
    EXPECT_EQ(Text(IDC_PACKET_COUNT), "9000");
}

} // namespace
