// CWnd: dialog item helpers over the window handle.
#include "Window.h"

#include "Application.h"

#include <vector>

HWND CWnd::GetDlgItem(int id) const {
    return ::GetDlgItem(m_hWnd, id);
}

LRESULT CWnd::SendDlgItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendDlgItemMessageA(m_hWnd, id, message, wParam, lParam);
}

static std::string ReadWindowText(HWND hWnd) {
    int length = ::GetWindowTextLengthA(hWnd);
    if (length <= 0)
        return {};
    std::vector<char> text(static_cast<size_t>(length) + 1);
    int copied = ::GetWindowTextA(hWnd, text.data(), length + 1);
    return std::string(text.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

std::string CWnd::GetDlgItemText(int id) const {
    return ReadWindowText(GetDlgItem(id));
}

void CWnd::SetDlgItemText(int id, const char* text) const {
    ::SetDlgItemTextA(m_hWnd, id, text);
}

void CWnd::SetDlgItemInt(int id, int32_t value, bool isSigned) const {
    ::SetDlgItemInt(m_hWnd, id, static_cast<UINT>(value), isSigned ? TRUE : FALSE);
}

void CWnd::EnableDlgItem(int id, bool enable) const {
    ::EnableWindow(GetDlgItem(id), enable ? TRUE : FALSE);
}

bool CWnd::IsDlgItemEnabled(int id) const {
    return ::IsWindowEnabled(GetDlgItem(id)) != FALSE;
}

std::string CWnd::GetWindowText() const {
    return ReadWindowText(m_hWnd);
}

int CWnd::MessageBox(const char* text, UINT type) const {
    return AppMessageBox(m_hWnd, text, type);
}

HWND CWnd::Detach() {
    HWND hWnd = m_hWnd;
    m_hWnd = nullptr;
    return hWnd;
}
