// The modeless progress window: Enter, Escape, OK and Cancel never close it.
#include "PacketListFixture.h"

#include "ProgressDlg.h"

#include <windows.h>

namespace {

using ProgressWindowTest = PacketListTest;

TEST_F(ProgressWindowTest, EnterAndEscapeNeverCloseTheProgressWindow) {
    CProgressDlg progress;
    ASSERT_TRUE(progress.Create(IDD_PROGRESS, m_dialog.get()));
    HWND window = progress.GetSafeHwnd();
    ::SetFocus(window);
    PressKey(window, VK_RETURN);
    PressKey(window, VK_ESCAPE);
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(::IsWindowVisible(window));
    EXPECT_EQ(progress.ModalResult(), -1);
    EXPECT_TRUE(progress.DestroyWindow());
}

} // namespace
