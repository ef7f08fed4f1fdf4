// ListRefusal: a subclass of the list box that refuses one row.
#include "ListRefusal.h"

ListRefusal* ListRefusal::s_refusal = nullptr;

ListRefusal::ListRefusal(HWND list, int refusedRow, bool refuseItemData)
    : m_hList(list), m_nRefusedRow(refusedRow), m_bRefuseItemData(refuseItemData) {
    s_refusal = this;
    m_original = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListRefusal::Proc)));
}

ListRefusal::~ListRefusal() {
    ::SetWindowLongPtrA(m_hList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_original));
    s_refusal = nullptr;
}

LRESULT CALLBACK ListRefusal::Proc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    ListRefusal& self = *s_refusal;
    if (message == LB_ADDSTRING && !self.m_bRefuseItemData &&
        ::CallWindowProcA(self.m_original, list, LB_GETCOUNT, 0, 0) == self.m_nRefusedRow)
        return LB_ERRSPACE;
    if (message == LB_SETITEMDATA && self.m_bRefuseItemData && static_cast<int>(wParam) == self.m_nRefusedRow)
        return LB_ERR;
    return ::CallWindowProcA(self.m_original, list, message, wParam, lParam);
}
