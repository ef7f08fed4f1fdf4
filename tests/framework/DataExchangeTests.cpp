// Data exchange: the edits filled at start, and a refused entry that keeps the dialog open with its text selected.
#include "UiTestSupport.h"

#include "DataExchange.h"
#include "Dialog.h"
#include "DialogIntegerExchange.h"
#include "DialogWatcher.h"
#include "resource.h"

namespace {

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

} // namespace
