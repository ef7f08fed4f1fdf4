// The dialog base's default actions: Enter and Escape end a plain dialog, a modal one opens over its owner.
#include "UiTestSupport.h"

#include "Dialog.h"
#include "DialogWatcher.h"
#include "resource.h"

namespace {

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
