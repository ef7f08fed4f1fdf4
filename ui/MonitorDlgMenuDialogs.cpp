// CMonitorDlg's menu dialogs: the storage settings and the About box.
#include "MonitorDlg.h"

#include "AboutDlg.h"
#include "StorageDlg.h"

void CMonitorDlg::OnStorageSettings() {
    if (IsCapturing()) {
        MessageBox("一旦、停止してから操作してください", MB_OK);
        return;
    }
    CStorageDlg dialog(this);
    dialog.m_limits = m_limits;
    if (dialog.DoModal() == IDOK)
        m_limits = dialog.m_limits;
}

void CMonitorDlg::OnAbout() {
    CAboutDlg dialog(this);
    dialog.DoModal();
}
