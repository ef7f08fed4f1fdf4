// Times LB_ADDSTRING and LB_SETITEMDATA alone on a list box styled like the program's packet list.
#include "ListBoxFloor.h"

#include "SecondsNow.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr DWORD kPacketListStyle = WS_POPUP | WS_VSCROLL | WS_BORDER | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;

// Rows laid out as the program's: time stamp, addresses and ports at their fixed places.
std::vector<std::string> Rows(int count) {
    std::vector<std::string> rows;
    rows.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        char row[128];
        std::snprintf(row, sizeof row,
                      "12:34:56.%03d Src_Addr:198.051.100.%03d Dst_Addr:198.051.100.001 Src_Port:40001  Dst_Port:40000",
                      i % 1000, 2 + i % 3);
        rows.emplace_back(row);
    }
    return rows;
}

} // namespace

int TimeListBoxFloor(int count) {
    const std::vector<std::string> rows = Rows(count);
    HWND list = CreateWindowA("LISTBOX", "", kPacketListStyle, 0, 0, 600, 300, nullptr, nullptr, nullptr, nullptr);
    if (list == nullptr) {
        std::fprintf(stderr, "bench: no list box\n");
        return 1;
    }
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    const double start = SecondsNow();
    SendMessageA(list, LB_INITSTORAGE, static_cast<WPARAM>(count), static_cast<LPARAM>(count * rows[0].size()));
    for (int i = 0; i < count; ++i) {
        const LRESULT position = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(rows[i].c_str()));
        SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(position), i);
    }
    const double seconds = SecondsNow() - start;
    std::printf("seconds=%.3f rows=%ld\n", seconds, static_cast<long>(SendMessageA(list, LB_GETCOUNT, 0, 0)));
    DestroyWindow(list);
    return 0;
}
