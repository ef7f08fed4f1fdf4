// The IP address control wrapper: the four fields read back, blank fields as zero.
#include "DataExchange.h"
#include "Dialog.h"
#include "IPAddressCtrl.h"
#include "resource.h"

#include <commctrl.h>

#include <gtest/gtest.h>

namespace {

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

} // namespace
