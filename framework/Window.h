// CWnd: a thin owner-less handle wrapper shared by dialogs and control wrappers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd() = default;

    HWND GetSafeHwnd() const { return m_hWnd; }
    bool IsWindow() const { return m_hWnd != nullptr && ::IsWindow(m_hWnd); }

    HWND GetDlgItem(int id) const;
    LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    std::string GetDlgItemText(int id) const;
    void SetDlgItemText(int id, const char* text) const;
    void SetDlgItemInt(int id, int32_t value, bool isSigned = true) const;
    void EnableDlgItem(int id, bool enable) const;
    bool IsDlgItemEnabled(int id) const;
    std::string GetWindowText() const;

    // A message box owned by this window and captioned with the application's name.
    int MessageBox(const char* text, UINT type = MB_OK) const;

    // Attaches to an existing window handle without taking it over (no subclassing).
    void Attach(HWND hWnd) { m_hWnd = hWnd; }
    HWND Detach();

    HWND m_hWnd = nullptr;
};
