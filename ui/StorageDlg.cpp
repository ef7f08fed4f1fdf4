// CStorageDlg: the data exchange of the two limits.
#include "StorageDlg.h"

#include "DataExchange.h"
#include "resource.h"

CStorageDlg::CStorageDlg(CWnd* parent) : CDialog(IDD_STORAGE, parent) {}

void CStorageDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_PACKET_BYTES, m_nPacketBytes);
    DDX_Text(pDX, IDC_TOTAL_MB, m_nTotalMB);
}
