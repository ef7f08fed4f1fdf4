// CMonitorDlg's text pane operations on the rich edit control.
#include "MonitorDlg.h"

#include "resource.h"

#include <richedit.h>

void CMonitorDlg::AppendLog(const char* text) {
    SendDlgItemMessage(IDC_TEXT_PANE, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
    CHARRANGE end = {-1, -1};
    SendDlgItemMessage(IDC_TEXT_PANE, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
    SendDlgItemMessage(IDC_TEXT_PANE, EM_LINESCROLL, 0, 1);
}

void CMonitorDlg::ReplaceDetailPane(const char* text) {
    CHARRANGE all = {0, -1};
    SendDlgItemMessage(IDC_TEXT_PANE, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
    SendDlgItemMessage(IDC_TEXT_PANE, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}

void CMonitorDlg::ClearDetailPane() {
    ReplaceDetailPane("");
}
