// The progress bar wrapper: ranges and positions beyond 16 bits.
#include "DataExchange.h"
#include "Dialog.h"
#include "ProgressCtrl.h"
#include "resource.h"

#include <commctrl.h>

#include <gtest/gtest.h>

namespace {

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

} // namespace
