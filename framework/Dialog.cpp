// CDialog: one static dialog procedure binds the object at WM_INITDIALOG and forwards to it.
#include "Dialog.h"

#include "Application.h"
#include "CommonControls.h"
#include "DataExchange.h"

#include <new>

namespace {

// Messages whose result a dialog procedure returns itself instead of through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    switch (message) {
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_QUERYDRAGICON:
    case WM_VKEYTOITEM:
        return true;
    default:
        return false;
    }
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

} // namespace

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() {
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) {
        // The object is going away: the window must no longer reach it.
        ::SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
        if (!m_bModal)
            ::DestroyWindow(m_hWnd);
    }
}

INT_PTR CDialog::DoModal() {
    RegisterCommonControls();
    m_bModal = true;
    m_nModalResult = -1;
    HWND owner = m_pParentWnd != nullptr ? m_pParentWnd->GetSafeHwnd() : nullptr;
    INT_PTR result = ::DialogBoxParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), owner, DialogProc,
                                       reinterpret_cast<LPARAM>(this));
    m_bModal = false;
    m_hWnd = nullptr;
    return result;
}

bool CDialog::Create(UINT templateId, CWnd* parent) {
    RegisterCommonControls();
    m_nIDTemplate = templateId;
    m_pParentWnd = parent;
    m_bModal = false;
    m_nModalResult = -1;
    HWND owner = parent != nullptr ? parent->GetSafeHwnd() : nullptr;
    HWND hWnd = ::CreateDialogParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(templateId), owner, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    return hWnd != nullptr;
}

bool CDialog::DestroyWindow() {
    return m_hWnd != nullptr && ::DestroyWindow(m_hWnd) != FALSE;
}

void CDialog::EndDialog(int result) {
    m_nModalResult = result;
    ::EndDialog(m_hWnd, result);
}

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange exchange(this, saveAndValidate);
    DoDataExchange(&exchange);
    return !exchange.Failed();
}

void CDialog::CenterWindow(HWND alternateOwner) {
    HWND over = alternateOwner != nullptr ? alternateOwner : ::GetWindow(m_hWnd, GW_OWNER);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoA(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    RECT area = work;
    if (over != nullptr && ::IsWindowVisible(over) && !::IsIconic(over))
        ::GetWindowRect(over, &area);

    RECT own;
    ::GetWindowRect(m_hWnd, &own);
    int width = own.right - own.left;
    int height = own.bottom - own.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    // Keep the dialog inside the work area, its top-left corner first.
    if (x + width > work.right)
        x = work.right - width;
    if (x < work.left)
        x = work.left;
    if (y + height > work.bottom)
        y = work.bottom - height;
    if (y < work.top)
        y = work.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

void CDialog::OnOK() {
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

MessageResult CDialog::RouteMessage(UINT, WPARAM, LPARAM) {
    return kDefaultProcessing;
}

INT_PTR CDialog::HandleInitDialog(HWND firstTabStop) {
    RECT before;
    ::GetWindowRect(m_hWnd, &before);
    const BOOL setFocus = OnInitDialog();
    RECT after;
    ::GetWindowRect(m_hWnd, &after);
    // A dialog that placed itself keeps its place; any other one opens centred.
    if (SameRect(before, after))
        CenterWindow();
    if (!setFocus || firstTabStop == nullptr)
        return setFocus;
    // Focus the first tab stop the way Tab does, so that a push button there also becomes the
    // default button and Enter presses it; Wine's dialog manager would only set the focus.
    ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(firstTabStop), TRUE);
    return FALSE;
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hWnd = m_hWnd;
    MessageResult result = RouteMessage(message, wParam, lParam);
    if (!result && message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            result = 0;
        } else if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            result = 0;
        }
    }
    if (!result)
        return FALSE;
    if (ReturnsResultDirectly(message))
        return static_cast<INT_PTR>(*result);
    ::SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, *result);
    return TRUE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
        dialog->m_hWnd = hWnd;
        try {
            return dialog->HandleInitDialog(reinterpret_cast<HWND>(wParam));
        } catch (const std::bad_alloc&) {
            dialog->OnOutOfMemory();
            return TRUE;
        }
    }
    auto* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
    if (dialog == nullptr)
        return FALSE;
    INT_PTR answer = FALSE;
    try {
        answer = dialog->HandleMessage(message, wParam, lParam);
    } catch (const std::bad_alloc&) {
        dialog->OnOutOfMemory();
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hWnd, DWLP_USER, 0);
        dialog->m_hWnd = nullptr;
    }
    return answer;
}
