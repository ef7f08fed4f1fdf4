// ListRefusal: makes a list box refuse one row, as a list that cannot hold more does.
#pragma once

#include <windows.h>

// While it lives, the list refuses its row at refusedRow: either LB_ADDSTRING reports no space, or
// the row goes in but LB_SETITEMDATA fails for it. One at a time.
class ListRefusal {
public:
    ListRefusal(HWND list, int refusedRow, bool refuseItemData);
    ListRefusal(const ListRefusal&) = delete;
    ListRefusal& operator=(const ListRefusal&) = delete;
    ~ListRefusal();

private:
    static LRESULT CALLBACK Proc(HWND list, UINT message, WPARAM wParam, LPARAM lParam);

    static ListRefusal* s_refusal;
    HWND m_hList;
    int m_nRefusedRow;
    bool m_bRefuseItemData;
    WNDPROC m_original;
};
