// The About box over the main window, through its real template.
#include "PacketListFixture.h"

#include "DialogWatcher.h"

#include <windows.h>

#include <string>

namespace {

using AboutDialogTest = PacketListTest;

TEST_F(AboutDialogTest, AboutOpensOverTheMainWindowAndOkClosesIt) {
    bool versionShown = false;
    std::string caption;
    HWND about = nullptr;
    DialogWatcher watcher([&](HWND dialog) {
        if (dialog == m_hWnd)
            return;
        about = dialog;
        char text[64] = {};
        ::GetWindowTextA(dialog, text, sizeof(text));
        caption = text;
        versionShown = ::FindWindowExA(dialog, nullptr, "Static", "Sorvane Version 1.0") != nullptr;
        ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    SendCommand(IDM_ABOUTBOX, 0);
    ASSERT_NE(about, nullptr);
    EXPECT_FALSE(::IsWindow(about));
    EXPECT_EQ(watcher.Seen()[0].window, about);
    EXPECT_EQ(watcher.Seen()[0].owner, m_hWnd);
    EXPECT_EQ(caption, "Sorvaneのﾊﾞｰｼﾞｮﾝ情報");
    EXPECT_TRUE(versionShown);
}

} // namespace
