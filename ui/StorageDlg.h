// CStorageDlg: edits the two storage limits between captures (template 130).
#pragma once

#include "Dialog.h"

#include <cstdint>

class CStorageDlg : public CDialog {
public:
    explicit CStorageDlg(CWnd* parent = nullptr);

    int32_t m_nPacketBytes = 0; // per-packet bytes, edit IDC_PACKET_BYTES
    int32_t m_nTotalMB = 0;     // total MB, edit IDC_TOTAL_MB

protected:
    // Shows both as decimal integers; on OK reads per-packet bytes, then total MB, and refuses the first
    // invalid one.
    void DoDataExchange(CDataExchange* pDX) override;
};
