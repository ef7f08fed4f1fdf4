// CStorageDlg: edits the two storage limits between captures (template 130).
#pragma once

#include "Dialog.h"
#include "StorageLimits.h"

class CStorageDlg : public CDialog {
public:
    explicit CStorageDlg(CWnd* parent = nullptr);

    // Per-packet bytes in edit IDC_PACKET_BYTES, total MB in edit IDC_TOTAL_MB.
    StorageLimits m_limits;

protected:
    // Shows both as decimal integers; on OK reads per-packet bytes, then total MB, and refuses the first
    // invalid one.
    void DoDataExchange(CDataExchange* pDX) override;
};
