// CStorageDlg: the data exchange of the two limits.
#include "StorageDlg.h"

#include "DialogIntegerExchange.h"
#include "resource.h"

CStorageDlg::CStorageDlg(CWnd* parent) : CDialog(IDD_STORAGE, parent) {}

void CStorageDlg::DoDataExchange(CDataExchange* pDX) {
    int32_t packetBytes = m_limits.MaxPacketBytes();
    int32_t totalMB = m_limits.MaxTotalMB();
    DDX_Text(pDX, IDC_PACKET_BYTES, packetBytes);
    DDX_Text(pDX, IDC_TOTAL_MB, totalMB);
    m_limits = StorageLimits(packetBytes, totalMB);
}
