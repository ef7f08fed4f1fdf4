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
    dialog.m_nPacketBytes = m_nMaxPacketBytes;
    dialog.m_nTotalMB = m_nMaxTotalMB;
    if (dialog.DoModal() != IDOK)
        return;
    m_nMaxPacketBytes = dialog.m_nPacketBytes;
    m_nMaxTotalMB = dialog.m_nTotalMB;
}

void CMonitorDlg::OnAbout() {
    CAboutDlg dialog(this);
    dialog.DoModal();
}
