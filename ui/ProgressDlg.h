// CProgressDlg: the modeless progress window of the list and filter commands (template 132).
#pragma once

#include "Dialog.h"
#include "ProgressCtrl.h"

class CProgressDlg : public CDialog {
public:
    CProgressDlg();

    CProgressCtrl m_progress;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Enter and Escape never close the progress window; only its owner destroys it.
    void OnOK() override;
    void OnCancel() override;
};
