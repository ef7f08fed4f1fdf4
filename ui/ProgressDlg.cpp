// CProgressDlg: binds the bar and ignores Enter and Escape.
#include "ProgressDlg.h"

#include "DataExchange.h"
#include "resource.h"

CProgressDlg::CProgressDlg() : CDialog(IDD_PROGRESS) {}

void CProgressDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
}

void CProgressDlg::OnOK() {}

void CProgressDlg::OnCancel() {}
