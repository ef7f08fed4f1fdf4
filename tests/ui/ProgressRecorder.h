// Watches the progress windows the current thread creates: who owns them, where they stand, the
// bar's range and every position the bar took, each read back from the real control.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <vector>

struct ProgressRecord {
    HWND window = nullptr; // the progress window (the bar's parent)
    HWND owner = nullptr;
    WNDPROC barProc = nullptr;
    std::vector<int> positions; // PBM_GETPOS after every PBM_SETPOS
    PBRANGE range = {0, 0};     // read when the bar is destroyed
    RECT bounds = {0, 0, 0, 0}; // the progress window's screen rectangle, read then too
    bool destroyed = false;
};

class ProgressRecorder {
public:
    ProgressRecorder();
    ~ProgressRecorder();
    ProgressRecorder(const ProgressRecorder&) = delete;
    ProgressRecorder& operator=(const ProgressRecorder&) = delete;

    const std::vector<ProgressRecord>& Records() const { return m_records; }

private:
    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK BarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam);
    void OnCreate(HWND bar, HWND parent);
    ProgressRecord* Find(HWND bar);

    HHOOK m_hHook;
    std::vector<HWND> m_bars;
    std::vector<ProgressRecord> m_records;
};
