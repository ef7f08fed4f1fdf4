// CFilterDlg: binds the address control and reads it on OK.
#include "FilterDlg.h"

#include "DataExchange.h"
#include "resource.h"

CFilterDlg::CFilterDlg(CWnd* parent) : CDialog(IDD_FILTER, parent) {}

bool CFilterDlg::HasAddress() const {
    return (m_byAddress[0] | m_byAddress[1] | m_byAddress[2] | m_byAddress[3]) != 0;
}

void CFilterDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_FILTER_ADDRESS, m_address);
}

void CFilterDlg::OnOK() {
    m_address.GetAddress(m_byAddress[0], m_byAddress[1], m_byAddress[2], m_byAddress[3]);
    EndDialog(IDOK);
}
