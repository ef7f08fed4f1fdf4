// CStorageDlg: edits the two storage limits between captures (template 130).
#pragma once

#include "Dialog.h"

#include <cstdint>

class CStorageDlg : public CDialog {
public:
    explicit CStorageDlg(CWnd* parent = nullptr);

    int32_t m_nPacketBytes = 0; // per-packet bytes, edit 1009
    int32_t m_nTotalMB = 0;     // total MB, edit 1010

protected:
    // Shows both as decimal integers; on OK reads 1009 then 1010 and refuses the first invalid one.
    void DoDataExchange(CDataExchange* pDX) override;
};
