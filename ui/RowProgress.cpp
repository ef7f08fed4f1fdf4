// CRowProgress: creates, moves and destroys the progress window.
#include "RowProgress.h"

#include "resource.h"

CRowProgress::CRowProgress(CWnd* owner, int32_t rowCount) : m_nRows(rowCount) {
    if (!m_dialog.Create(IDD_PROGRESS, owner))
        return;
    m_dialog.CenterWindow(owner != nullptr ? owner->GetSafeHwnd() : nullptr);
    // A 32-bit range: a full store of the default limits holds far more than 65,535 rows.
    if (Shows())
        m_dialog.m_progress.SetRange32(0, m_nRows);
}

CRowProgress::~CRowProgress() {
    m_dialog.DestroyWindow();
}

void CRowProgress::Reached(int32_t row) {
    if (!Shows() || row != (m_nRows / 10) * m_nStep)
        return;
    if (m_dialog.IsWindow()) {
        m_dialog.m_progress.SetPos(row);
        ::InvalidateRect(m_dialog.GetSafeHwnd(), nullptr, TRUE);
    }
    ++m_nStep;
}
