// CFilterDlg: asks for the IPv4 address the packet list is narrowed to (template 131).
#pragma once

#include "Dialog.h"
#include "IPAddressCtrl.h"

class CFilterDlg : public CDialog {
public:
    explicit CFilterDlg(CWnd* parent = nullptr);

    // All four bytes 0 (also after Cancel) means no filter.
    bool HasAddress() const;

    CIPAddressCtrl m_address;
    // The chosen address in order, first octet first; 0.0.0.0 until OK reads the control.
    BYTE m_byAddress[4] = {0, 0, 0, 0};

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Reads the four fields (a blank field reads as 0) and closes with IDOK.
    void OnOK() override;
};
