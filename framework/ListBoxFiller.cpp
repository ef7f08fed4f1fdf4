// Rows straight into the list box's window procedure.
#include "ListBoxFiller.h"

#include <limits>

CListBoxFiller::CListBoxFiller(HWND list)
    : m_list(list), m_procedure(reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(list, GWLP_WNDPROC))) {}

void CListBoxFiller::Reserve(size_t rows, size_t bytesPerRow) const {
    const auto largest = static_cast<unsigned long long>(std::numeric_limits<LPARAM>::max());
    const unsigned long long bytes = static_cast<unsigned long long>(rows) * bytesPerRow;
    Call(LB_INITSTORAGE, static_cast<WPARAM>(rows), static_cast<LPARAM>(bytes < largest ? bytes : largest));
}

bool CListBoxFiller::Append(const char* text, LPARAM data) const {
    const LRESULT position = Call(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (position < 0)
        return false;
    if (Call(LB_SETITEMDATA, static_cast<WPARAM>(position), data) == LB_ERR) {
        Call(LB_DELETESTRING, static_cast<WPARAM>(position), 0);
        return false;
    }
    return true;
}

// A window without a procedure of its own to call (none is known) still gets the message sent.
LRESULT CListBoxFiller::Call(UINT message, WPARAM wParam, LPARAM lParam) const {
    if (m_procedure == nullptr)
        return ::SendMessageA(m_list, message, wParam, lParam);
    return ::CallWindowProcA(m_procedure, m_list, message, wParam, lParam);
}
