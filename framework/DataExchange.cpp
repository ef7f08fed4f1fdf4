// CDataExchange and the control binding step.
#include "DataExchange.h"

#include "Dialog.h"

CDataExchange::CDataExchange(CDialog* dialog, bool saveAndValidate)
    : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

HWND CDataExchange::PrepareCtrl(int id) {
    m_hLastControl = m_pDlgWnd->GetDlgItem(id);
    m_bLastIsEdit = false;
    return m_hLastControl;
}

HWND CDataExchange::PrepareEditCtrl(int id) {
    HWND control = PrepareCtrl(id);
    m_bLastIsEdit = true;
    return control;
}

void CDataExchange::Fail() {
    m_bFailed = true;
    if (m_hLastControl == nullptr)
        return;
    ::SetFocus(m_hLastControl);
    if (m_bLastIsEdit)
        ::SendMessageA(m_hLastControl, EM_SETSEL, 0, -1);
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
    if (pDX->Failed())
        return;
    HWND hWnd = pDX->PrepareCtrl(id);
    if (control.m_hWnd == nullptr)
        control.Attach(hWnd);
}
