// The main window under Wine: start-up, resources, layout, keyboard and closing.
#include "UiTestSupport.h"

#include "CaptureState.h"
#include "resource.h"

#include <richedit.h>

#include <string>

namespace {

TEST_F(MainWindowTest, StartUpUnderWineShowsTheSocketFailureAndAnEmptyInterfaceList) {
    Open();
    // Wine refuses a raw socket with protocol 0, so the address list cannot be read.
    EXPECT_EQ(Text(IDC_TEXT_PANE), "WSASocket(AF_INET,SOCK_RAW) failed\n");
    EXPECT_EQ(::SendDlgItemMessageA(m_hWnd, IDC_INTERFACE, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(::SendDlgItemMessageA(m_hWnd, IDC_INTERFACE, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(Text(IDC_START_STOP), kCaptureOffText);
    EXPECT_TRUE(Enabled(IDC_LIST_BUTTON));
    EXPECT_TRUE(Enabled(IDC_FILTER_BUTTON));
    EXPECT_EQ(::GetFocus(), ::GetDlgItem(m_hWnd, IDC_START_STOP));
    EXPECT_EQ(Text(IDC_PACKET_COUNT), "");
}

TEST_F(MainWindowTest, OpensAtTheTemplateSizeCentredWithItsIconsFontsAndMenu) {
    Open();
    char caption[64] = {};
    ::GetWindowTextA(m_hWnd, caption, sizeof(caption));
    EXPECT_STREQ(caption, "Sorvane");

    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const RECT expected = DialogUnitsToPixels(m_hWnd, 0, 0, 389, 250);
    EXPECT_EQ(client.right, expected.right);
    EXPECT_EQ(client.bottom, expected.bottom);

    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((window.left + window.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((window.top + window.bottom) / 2, (work.top + work.bottom) / 2, 1);

    EXPECT_NE(::SendMessageA(m_hWnd, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(::SendMessageA(m_hWnd, WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_EQ(::SendMessageA(m_hWnd, WM_QUERYDRAGICON, 0, 0), ::SendMessageA(m_hWnd, WM_GETICON, ICON_BIG, 0));

    LOGFONTA listFont = {};
    HFONT font = reinterpret_cast<HFONT>(::SendDlgItemMessageA(m_hWnd, IDC_PACKET_LIST, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    ASSERT_NE(::GetObjectA(font, sizeof(listFont), &listFont), 0);
    EXPECT_EQ(listFont.lfHeight, 14);
    EXPECT_EQ(listFont.lfWeight, FW_NORMAL);
    EXPECT_EQ(listFont.lfCharSet, ANSI_CHARSET);
    EXPECT_EQ(listFont.lfPitchAndFamily, FIXED_PITCH | FF_MODERN);
    EXPECT_STREQ(listFont.lfFaceName, "ＭＳ　明朝");

    CHARFORMATA format = {};
    format.cbSize = sizeof(format);
    ::SendDlgItemMessageA(m_hWnd, IDC_TEXT_PANE, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    EXPECT_STREQ(format.szFaceName, "ＭＳ　ゴシック");
    EXPECT_EQ(format.bCharSet, 0);

    HMENU menu = ::GetMenu(m_hWnd);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(::GetMenuItemCount(menu), 3);
    char item[64] = {};
    ::GetMenuStringA(menu, ID_SETTINGS_STORAGE, item, sizeof(item), MF_BYCOMMAND);
    EXPECT_STREQ(item, "格納ｻｲｽﾞ");
    ::GetMenuStringA(menu, IDM_ABOUTBOX, item, sizeof(item), MF_BYCOMMAND);
    EXPECT_STREQ(item, "ﾊﾞｰｼﾞｮﾝ");
    ::GetMenuStringA(menu, ID_FILE_EXIT, item, sizeof(item), MF_BYCOMMAND);
    EXPECT_STREQ(item, "終了");
}

TEST_F(MainWindowTest, ControlsSitWhereTheTemplatePutsThemInTabOrder) {
    Open();
    struct Placed {
        int id;
        int x, y, width, height;
    };
    // Template order is tab order; the combo box's height counts its dropped-down list.
    const Placed controls[] = {
        {IDC_START_STOP, 129, 7, 40, 13},    {IDC_INTERFACE, 3, 7, 118, 0},
        {IDC_TEXT_PANE, 0, 137, 386, 111},   {IDC_LIST_BUTTON, 174, 7, 40, 13},
        {IDC_PACKET_LIST, 0, 23, 386, 111},  {IDC_PACKET_COUNT, 347, 7, 39, 13},
        {IDC_FILTER_BUTTON, 220, 7, 40, 13}, {IDC_PACKET_COUNT_LABEL, 305, 7, 39, 13},
    };
    HWND child = ::GetWindow(m_hWnd, GW_CHILD);
    for (const Placed& control : controls) {
        SCOPED_TRACE(control.id);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(::GetDlgCtrlID(child), control.id);
        const RECT expected = DialogUnitsToPixels(m_hWnd, control.x, control.y, control.width, control.height);
        const RECT got = ChildRect(m_hWnd, control.id);
        EXPECT_EQ(got.left, expected.left);
        EXPECT_EQ(got.top, expected.top);
        EXPECT_EQ(got.right, expected.right);
        if (control.height != 0) {
            EXPECT_EQ(got.bottom, expected.bottom);
        }
        child = ::GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(Text(IDC_PACKET_COUNT_LABEL), "受信ﾊﾟｹｯﾄ数");
    EXPECT_EQ(Text(IDC_LIST_BUTTON), "一覧表示");
    EXPECT_EQ(Text(IDC_FILTER_BUTTON), "絞込");
}

TEST_F(MainWindowTest, ResizingLaysOutListAndPaneBelowTheFixedTopRow) {
    Open();
    const RECT buttonBefore = ChildRect(m_hWnd, IDC_START_STOP);
    const RECT listBefore = ChildRect(m_hWnd, IDC_PACKET_LIST);
    const RECT paneBefore = ChildRect(m_hWnd, IDC_TEXT_PANE);

    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 900, 640, SWP_NOMOVE | SWP_NOZORDER);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const int top = listBefore.top;
    const int listHeight = (client.bottom - top - 4) / 2;
    const RECT list = ChildRect(m_hWnd, IDC_PACKET_LIST);
    EXPECT_EQ(list.left, listBefore.left);
    EXPECT_EQ(list.top, top);
    EXPECT_EQ(list.right - list.left, client.right - 2);
    EXPECT_EQ(list.bottom - list.top, listHeight);
    const RECT pane = ChildRect(m_hWnd, IDC_TEXT_PANE);
    EXPECT_EQ(pane.left, paneBefore.left);
    EXPECT_EQ(pane.top, top + listHeight + 2);
    EXPECT_EQ(pane.right - pane.left, client.right - 2);
    EXPECT_EQ(pane.bottom - pane.top, client.bottom - top - listHeight - 4);

    const RECT buttonAfter = ChildRect(m_hWnd, IDC_START_STOP);
    EXPECT_EQ(buttonAfter.left, buttonBefore.left);
    EXPECT_EQ(buttonAfter.top, buttonBefore.top);
}

TEST_F(MainWindowTest, ASizeOf600By300WithTheListAt36GivesBothHalvesOf130) {
    Open();
    HWND list = ::GetDlgItem(m_hWnd, IDC_PACKET_LIST);
    const RECT listBefore = ChildRect(m_hWnd, IDC_PACKET_LIST);
    ::SetWindowPos(list, nullptr, listBefore.left, 36, 100, 100, SWP_NOZORDER);

    ::SendMessageA(m_hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(600, 300));
    RECT got = ChildRect(m_hWnd, IDC_PACKET_LIST);
    EXPECT_EQ(got.top, 36);
    EXPECT_EQ(got.right - got.left, 598);
    EXPECT_EQ(got.bottom - got.top, 130);
    got = ChildRect(m_hWnd, IDC_TEXT_PANE);
    EXPECT_EQ(got.top, 168);
    EXPECT_EQ(got.right - got.left, 598);
    EXPECT_EQ(got.bottom - got.top, 130);

    // A client lower than the list's top leaves both with no height rather than a negative one.
    ::SendMessageA(m_hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(600, 20));
    got = ChildRect(m_hWnd, IDC_PACKET_LIST);
    EXPECT_EQ(got.bottom - got.top, 0);
    got = ChildRect(m_hWnd, IDC_TEXT_PANE);
    EXPECT_EQ(got.top, 38);
    EXPECT_EQ(got.bottom - got.top, 0);
}

TEST_F(MainWindowTest, EscapeAndEnterNeverCloseTheWindow) {
    Open();
    for (int id : {IDC_INTERFACE, IDC_PACKET_LIST, IDC_START_STOP}) {
        SCOPED_TRACE(id);
        FocusControl(m_hWnd, id);
        PressKey(m_hWnd, VK_ESCAPE);
        EXPECT_TRUE(::IsWindowVisible(m_hWnd));
        EXPECT_EQ(m_dialog->ModalResult(), -1);
    }
    for (int id : {IDC_INTERFACE, IDC_PACKET_LIST}) {
        SCOPED_TRACE(id);
        FocusControl(m_hWnd, id);
        PressKey(m_hWnd, VK_RETURN);
        EXPECT_TRUE(::IsWindowVisible(m_hWnd));
        EXPECT_EQ(m_dialog->ModalResult(), -1);
        EXPECT_EQ(Text(IDC_START_STOP), kCaptureOffText); // no command started
    }
}

TEST_F(MainWindowTest, EnterPressesTheFocusedButtonAndBreaksALineInTheTextPane) {
    Open();
    // After start-up the focus is on the start button, so Enter starts capture.
    PressKey(m_hWnd, VK_RETURN);
    EXPECT_EQ(Text(IDC_START_STOP), kCaptureOnText);
    EXPECT_EQ(m_dialog->ModalResult(), -1);

    HWND pane = ::GetDlgItem(m_hWnd, IDC_TEXT_PANE);
    const LRESULT lines = ::SendMessageA(pane, EM_GETLINECOUNT, 0, 0);
    FocusControl(m_hWnd, IDC_TEXT_PANE);
    // Taking the focus selected the whole text; type at its end instead.
    ::SendMessageA(pane, EM_SETSEL, static_cast<WPARAM>(-1), -1);
    PressKey(m_hWnd, VK_RETURN);
    EXPECT_EQ(::SendMessageA(pane, EM_GETLINECOUNT, 0, 0), lines + 1);
    EXPECT_EQ(Text(IDC_START_STOP), kCaptureOnText);
}

TEST_F(MainWindowTest, StartUnderWineReportsTheSetUpFailureThroughTheLogNotification) {
    Open();
    Click(IDC_START_STOP);
    // The pane was emptied; the engine's failure text arrives as a posted notification.
    EXPECT_EQ(Text(IDC_TEXT_PANE), "");
    EXPECT_TRUE(PumpUntil([&] { return !Text(IDC_TEXT_PANE).empty(); }, m_hWnd));
    EXPECT_EQ(Text(IDC_TEXT_PANE), "WSASocket(AF_INET,SOCK_RAW) failed\n");
    Click(IDC_START_STOP);
    EXPECT_EQ(Text(IDC_START_STOP), kCaptureOffText);
    EXPECT_EQ(Text(IDC_PACKET_COUNT), "0");
}

} // namespace
