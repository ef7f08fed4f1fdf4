// CMonitorDlg's filter command: keeps only the rows to or from one IPv4 address.
#include "MonitorDlg.h"

#include "FilterDlg.h"
#include "ListRowRemoval.h"
#include "RowAddressMatch.h"
#include "RowProgress.h"
#include "WaitCursor.h"
#include "resource.h"

#include <cstdint>
#include <cstdio>
#include <new>
#include <string>
#include <utility>

namespace {

std::string RowText(HWND list, int32_t position) {
    const LRESULT length = ::SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(position), 0);
    if (length < 0)
        return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT copied =
        ::SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

// Removed are the rows whose source and destination both differ from address. Positions are 32-bit:
// a list may hold far more than 65,536 rows.
RowPartition PartitionRows(CWnd& window, HWND list, const BYTE address[4]) {
    const auto count = static_cast<int32_t>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
    CRowProgress progress(&window, count);
    RowPartition rows;
    for (int32_t position = 0; position < count; ++position) {
        std::string row = RowText(list, position);
        progress.Reached(position);
        if (RowMatchesAddress(row.c_str(), address)) {
            rows.keptPositions.push_back(position);
            rows.keptTexts.push_back(std::move(row));
        } else {
            rows.removed.push_back(position);
        }
    }
    return rows;
}

} // namespace

// The list is left as it was when memory runs out before rows are removed, and holds the first kept
// rows when it refuses one; either way one line says so.
void CMonitorDlg::OnFilter() {
    CFilterDlg dialog(this);
    if (dialog.DoModal() != IDOK || !dialog.HasAddress())
        return;
    HWND list = GetDlgItem(IDC_PACKET_LIST);
    ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    CWaitCursor wait;
    char line[112] = "";
    try {
        const RowPartition rows = PartitionRows(*this, list, dialog.m_byAddress);
        const size_t kept = RemoveListRows(list, rows);
        if (kept < rows.keptPositions.size())
            std::snprintf(line, sizeof(line), "Listed %zu of %zu filtered rows: the list cannot hold more.\n", kept,
                          rows.keptPositions.size());
    } catch (const std::bad_alloc&) {
        std::snprintf(line, sizeof(line), "Out of memory: the list was not filtered.\n");
    }
    ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    ClearDetailPane();
    if (line[0] != '\0')
        AppendLog(line);
}
