// CMonitorDlg's list and detail commands: every stored packet as a row, and one row's detail text.
#include "MonitorDlg.h"

#include "ListBoxFiller.h"
#include "ListRow.h"
#include "PacketDetail.h"
#include "RowProgress.h"
#include "WaitCursor.h"
#include "resource.h"

#include <richedit.h>

#include <cstdint>
#include <cstdio>
#include <new>
#include <string>

namespace {

struct ListedRows {
    int32_t listed = 0;
    const char* stop = "the list cannot hold more";
};

// Adds the rows of store indexes 0 .. count - 1 and says how many the list took. A row the list
// cannot take, or memory for its text running out, ends the listing: every row listed keeps its own
// packet.
ListedRows AddStoreRows(CWnd& window, HWND list, const CCapture& capture, int32_t count) {
    CWaitCursor wait;
    CRowProgress progress(&window, count);
    const CListBoxFiller rows(list);
    ListedRows result;
    try {
        for (int32_t index = 0; index < count; ++index) {
            const PacketView packet = capture.Get(index);
            const std::string row = FormatListRow(packet.timeStamp, packet.bytes, packet.length);
            if (index == 0) {
                rows.Reserve(static_cast<size_t>(count), row.size());
                window.EnableDlgItem(IDC_FILTER_BUTTON, true);
            }
            if (!rows.Append(row.c_str(), index))
                break;
            ++result.listed;
            progress.Reached(index);
        }
    } catch (const std::bad_alloc&) {
        result.stop = "out of memory";
    }
    ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    return result;
}

} // namespace

void CMonitorDlg::OnListPackets() {
    HWND list = GetDlgItem(IDC_PACKET_LIST);
    ::SendMessageA(list, LB_RESETCONTENT, 0, 0);
    ClearDetailPane();
    const int32_t count = m_capture.Count();
    ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    const ListedRows rows = AddStoreRows(*this, list, m_capture, count);
    if (rows.listed < count) {
        char line[96];
        std::snprintf(line, sizeof(line), "Listed %d of %d packets: %s.\n", rows.listed, count, rows.stop);
        AppendLog(line);
    }
}

void CMonitorDlg::OnShowDetail() {
    const LRESULT selected = SendDlgItemMessage(IDC_PACKET_LIST, LB_GETCURSEL);
    if (selected == LB_ERR)
        return;
    const LRESULT index = SendDlgItemMessage(IDC_PACKET_LIST, LB_GETITEMDATA, static_cast<WPARAM>(selected));
    if (index < 0 || index >= m_capture.Count())
        return;
    std::string text;
    try {
        const PacketView packet = m_capture.Get(static_cast<int32_t>(index));
        text = packet.timeStamp + " " + FormatPacketDetail(packet.bytes, packet.length);
    } catch (const std::bad_alloc&) {
        ReplaceDetailPane("Out of memory: the packet's detail cannot be shown.\n");
        return;
    }
    // A packet of 65,535 bytes gives some 300 KB of text, far beyond the pane's default limit.
    const auto limit = static_cast<size_t>(SendDlgItemMessage(IDC_TEXT_PANE, EM_GETLIMITTEXT));
    if (text.size() > limit)
        SendDlgItemMessage(IDC_TEXT_PANE, EM_EXLIMITTEXT, 0, static_cast<LPARAM>(text.size()));
    ReplaceDetailPane(text.c_str());
}
