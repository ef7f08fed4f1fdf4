// The dialog framework: routing tables, default actions, data exchange and the control wrappers.
#include "UiTestSupport.h"

#include "DataExchange.h"
#include "Dialog.h"
#include "DialogIntegerExchange.h"
#include "DialogWatcher.h"
#include "IPAddressCtrl.h"
#include "ProgressCtrl.h"
#include "resource.h"

#include <commctrl.h>

namespace {

struct RoutedTarget {
    void OnClicked() { ++clicked; }
    void OnMenu() { ++menu; }
    MessageResult OnUser(WPARAM wParam, LPARAM) { return static_cast<LRESULT>(wParam * 2); }
    int clicked = 0;
    int menu = 0;
};

const MessageRoute<RoutedTarget> kRoutes[] = {
    OnCommand(IDC_START_STOP, BN_CLICKED, &RoutedTarget::OnClicked),
    OnMenu(ID_FILE_EXIT, &RoutedTarget::OnMenu),
    OnMessage(WM_USER + 7, &RoutedTarget::OnUser),
};

TEST(RoutingTable, MatchesMessageControlAndNotificationCodeTogether) {
    RoutedTarget target;
    EXPECT_EQ(DispatchRoutes(target, kRoutes, WM_COMMAND, MAKEWPARAM(IDC_START_STOP, BN_CLICKED), 0), MessageResult(0));
    EXPECT_EQ(target.clicked, 1);
    // Same control, another notification; another control, same notification.
    EXPECT_EQ(DispatchRoutes(target, kRoutes, WM_COMMAND, MAKEWPARAM(IDC_START_STOP, BN_SETFOCUS), 0),
              kDefaultProcessing);
    EXPECT_EQ(DispatchRoutes(target, kRoutes, WM_COMMAND, MAKEWPARAM(IDC_INTERFACE, BN_CLICKED), 0),
              kDefaultProcessing);
    EXPECT_EQ(target.clicked, 1);

    DispatchRoutes(target, kRoutes, WM_COMMAND, MAKEWPARAM(ID_FILE_EXIT, 0), 0);
    EXPECT_EQ(target.menu, 1);
    EXPECT_EQ(DispatchRoutes(target, kRoutes, WM_USER + 7, 21, 0), MessageResult(42));
    EXPECT_EQ(DispatchRoutes(target, kRoutes, WM_USER + 8, 21, 0), kDefaultProcessing);
}

// A plain dialog keeps the framework's default actions.
TEST(DialogDefaults, EscapeEndsWithCancelAndEnterWithOk) {
    const struct {
        UINT key;
        INT_PTR result;
    } cases[] = {{VK_ESCAPE, IDCANCEL}, {VK_RETURN, IDOK}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        CDialog dialog;
        ASSERT_TRUE(dialog.Create(IDD_FILTER));
        ::ShowWindow(dialog.m_hWnd, SW_SHOW);
        ::SetFocus(dialog.GetDlgItem(IDC_FILTER_ADDRESS));
        PressKey(dialog.m_hWnd, c.key);
        EXPECT_EQ(dialog.ModalResult(), c.result);
        EXPECT_FALSE(::IsWindowVisible(dialog.m_hWnd));
    }
}

class LimitsDialog : public CDialog {
public:
    LimitsDialog() : CDialog(IDD_STORAGE) {}
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Text(pDX, IDC_PACKET_BYTES, m_nBytes);
        DDX_Text(pDX, IDC_TOTAL_MB, m_nTotal);
    }
    int32_t m_nBytes = 100;
    int32_t m_nTotal = 16;
};

TEST(DataExchange, FillsTheEditsAndRefusesTheFirstEntryThatIsNoInteger) {
    LimitsDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_STORAGE));
    HWND hWnd = dialog.m_hWnd;
    ::ShowWindow(hWnd, SW_SHOW);
    EXPECT_EQ(ControlText(hWnd, IDC_PACKET_BYTES), "100");
    EXPECT_EQ(ControlText(hWnd, IDC_TOTAL_MB), "16");

    ::SetDlgItemTextA(hWnd, IDC_PACKET_BYTES, "12a");
    ::SetDlgItemTextA(hWnd, IDC_TOTAL_MB, "");
    {
        DialogWatcher watcher;
        ::SendMessageA(hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        ASSERT_EQ(watcher.Seen().size(), 1u);
        EXPECT_EQ(watcher.Seen()[0].text, "整数を入力してください。");
        EXPECT_EQ(watcher.Seen()[0].owner, hWnd);
        EXPECT_TRUE(watcher.Seen()[0].hasIcon);
    }
    EXPECT_EQ(dialog.ModalResult(), -1);
    EXPECT_EQ(::GetFocus(), dialog.GetDlgItem(IDC_PACKET_BYTES));
    DWORD start = 0, end = 0;
    ::SendDlgItemMessageA(hWnd, IDC_PACKET_BYTES, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                          reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 3u);
    EXPECT_EQ(dialog.m_nBytes, 100);

    ::SetDlgItemTextA(hWnd, IDC_PACKET_BYTES, "1500");
    ::SetDlgItemTextA(hWnd, IDC_TOTAL_MB, " -7 ");
    ::SendMessageA(hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(dialog.ModalResult(), IDOK);
    EXPECT_EQ(dialog.m_nBytes, 1500);
    EXPECT_EQ(dialog.m_nTotal, -7);
}

class AddressDialog : public CDialog {
public:
    AddressDialog() : CDialog(IDD_FILTER) {}
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_FILTER_ADDRESS, m_address); }
    CIPAddressCtrl m_address;
};

TEST(IPAddressCtrl, ReadsFourFieldsWithBlankFieldsAsZero) {
    AddressDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_FILTER));
    ASSERT_EQ(dialog.m_address.m_hWnd, dialog.GetDlgItem(IDC_FILTER_ADDRESS));
    BYTE a = 9, b = 9, c = 9, d = 9;
    EXPECT_EQ(dialog.m_address.GetAddress(a, b, c, d), 0);
    EXPECT_EQ(a + b + c + d, 0);

    ::SendMessageA(dialog.m_address.m_hWnd, IPM_SETADDRESS, 0, MAKEIPADDRESS(192, 168, 0, 5));
    EXPECT_EQ(dialog.m_address.GetAddress(a, b, c, d), 4);
    EXPECT_EQ(a, 192);
    EXPECT_EQ(b, 168);
    EXPECT_EQ(c, 0);
    EXPECT_EQ(d, 5);

    // Only the first field typed in: the other three are blank and read as 0.
    ::SendMessageA(dialog.m_address.m_hWnd, IPM_CLEARADDRESS, 0, 0);
    ::SetWindowTextA(::GetWindow(dialog.m_address.m_hWnd, GW_CHILD), "10");
    EXPECT_EQ(dialog.m_address.GetAddress(a, b, c, d), 1);
    EXPECT_EQ(a, 10);
    EXPECT_EQ(b + c + d, 0);
}

class BarDialog : public CDialog {
public:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_PROGRESS, m_bar); }
    CProgressCtrl m_bar;
};

TEST(ProgressCtrl, TakesRangesAndPositionsBeyondSixteenBits) {
    BarDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_PROGRESS));
    dialog.m_bar.SetRange32(0, 200000);
    dialog.m_bar.SetPos(70000);
    EXPECT_EQ(dialog.m_bar.GetPos(), 70000);
    EXPECT_EQ(dialog.m_bar.SetPos(100), 70000);
    EXPECT_EQ(::SendMessageA(dialog.m_bar.m_hWnd, PBM_GETRANGE, FALSE, 0), 200000);
}

TEST(DialogDefaults, AModalDialogOpensCentredOverItsOwnerAndReturnsItsResult) {
    CDialog owner;
    ASSERT_TRUE(owner.Create(IDD_STORAGE));
    ::SetWindowPos(owner.m_hWnd, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    RECT ownerBounds;
    ::GetWindowRect(owner.m_hWnd, &ownerBounds);

    DialogWatcher watcher;
    CDialog about(IDD_ABOUTBOX, &owner);
    EXPECT_EQ(about.DoModal(), IDOK);
    ASSERT_EQ(watcher.Seen().size(), 1u);
    const SeenDialog& seen = watcher.Seen()[0];
    EXPECT_EQ(seen.owner, owner.m_hWnd);
    EXPECT_NEAR((seen.bounds.left + seen.bounds.right) / 2, (ownerBounds.left + ownerBounds.right) / 2, 1);
    EXPECT_NEAR((seen.bounds.top + seen.bounds.bottom) / 2, (ownerBounds.top + ownerBounds.bottom) / 2, 1);
}

} // namespace
