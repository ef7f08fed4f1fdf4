// CProgressCtrl: range and position of a progress bar.
#include "ProgressCtrl.h"

#include <commctrl.h>

void CProgressCtrl::SetRange32(int lower, int upper) const {
    ::SendMessageA(m_hWnd, PBM_SETRANGE32, static_cast<WPARAM>(lower), static_cast<LPARAM>(upper));
}

int CProgressCtrl::SetPos(int position) const {
    return static_cast<int>(::SendMessageA(m_hWnd, PBM_SETPOS, static_cast<WPARAM>(position), 0));
}

int CProgressCtrl::GetPos() const {
    return static_cast<int>(::SendMessageA(m_hWnd, PBM_GETPOS, 0, 0));
}
