// Dialog data exchange: one function per dialog moves data between members and controls.
#pragma once

#include <windows.h>

#include <cstdint>

class CDialog;
class CWnd;

class CDataExchange {
public:
    CDataExchange(CDialog* dialog, bool saveAndValidate);

    // The control id's window; it becomes the control that Fail puts the focus on.
    HWND PrepareCtrl(int id);
    // As PrepareCtrl, and Fail also selects the edit's whole text.
    HWND PrepareEditCtrl(int id);

    // Refuses the exchange: shows nothing itself (the step has already told the user), puts the
    // focus on the last prepared control, and makes the remaining steps do nothing.
    void Fail();
    bool Failed() const { return m_bFailed; }

    const bool m_bSaveAndValidate;
    CDialog* const m_pDlgWnd;

private:
    HWND m_hLastControl = nullptr;
    bool m_bLastIsEdit = false;
    bool m_bFailed = false;
};

// Binds a control wrapper to the control with that id (both directions).
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
