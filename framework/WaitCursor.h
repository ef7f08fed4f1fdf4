// CWaitCursor: shows the wait cursor for the lifetime of the object, then restores the previous one.
#pragma once

#include <windows.h>

class CWaitCursor {
public:
    CWaitCursor() : m_hPrevious(::SetCursor(::LoadCursorA(nullptr, IDC_WAIT))) {}
    ~CWaitCursor() { ::SetCursor(m_hPrevious); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    HCURSOR m_hPrevious;
};
