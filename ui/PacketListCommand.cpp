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
#include <string>

namespace {

// Adds the rows of store indexes 0 .. count - 1 and returns how many the list took.
int32_t AddStoreRows(CWnd& window, HWND list, const CCapture& capture, int32_t count) {
    CWaitCursor wait;
    CRowProgress progress(&window, count);
    const CListBoxFiller rows(list);
    int32_t listed = 0;
    for (int32_t index = 0; index < count; ++index) {
        const PacketView packet = capture.Get(index);
        const std::string row = FormatListRow(packet.timeStamp, packet.bytes, packet.length);
        if (index == 0) {
            rows.Reserve(static_cast<size_t>(count), row.size());
            window.EnableDlgItem(IDC_FILTER_BUTTON, true);
        }
        // A row the list cannot take ends the listing: every row listed keeps its own packet.
        if (!rows.Append(row.c_str(), index))
            break;
        ++listed;
        progress.Reached(index);
    }
    ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    return listed;
}

} // namespace

void CMonitorDlg::OnListPackets() {
    HWND list = GetDlgItem(IDC_PACKET_LIST);
    ::SendMessageA(list, LB_RESETCONTENT, 0, 0);
    ClearDetailPane();
    const int32_t count = m_capture.Count();
    ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    const int32_t listed = AddStoreRows(*this, list, m_capture, count);
    if (listed < count) {
        char line[96];
        std::snprintf(line, sizeof(line), "Listed %d of %d packets: the list cannot hold more.\n", listed, count);
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
    const PacketView packet = m_capture.Get(static_cast<int32_t>(index));
    const std::string text = packet.timeStamp + " " + FormatPacketDetail(packet.bytes, packet.length);
    // A packet of 65,535 bytes gives some 300 KB of text, far beyond the pane's default limit.
    const auto limit = static_cast<size_t>(SendDlgItemMessage(IDC_TEXT_PANE, EM_GETLIMITTEXT));
    if (text.size() > limit)
        SendDlgItemMessage(IDC_TEXT_PANE, EM_EXLIMITTEXT, 0, static_cast<LPARAM>(text.size()));
    ReplaceDetailPane(text.c_str());
}
