// ProgressRecorder: a CBT hook subclasses every progress bar as it is created.
#include "ProgressRecorder.h"

#include <commctrl.h>

#include <string>

namespace {

thread_local ProgressRecorder* t_recorder = nullptr;

bool IsProgressBar(HWND window) {
    char className[64] = {};
    ::GetClassNameA(window, className, sizeof(className));
    return std::string(className) == PROGRESS_CLASSA;
}

} // namespace

ProgressRecorder::ProgressRecorder() {
    t_recorder = this;
    m_hHook = ::SetWindowsHookExA(WH_CBT, HookProc, nullptr, ::GetCurrentThreadId());
}

ProgressRecorder::~ProgressRecorder() {
    ::UnhookWindowsHookEx(m_hHook);
    t_recorder = nullptr;
}

LRESULT CALLBACK ProgressRecorder::HookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && t_recorder != nullptr) {
        HWND window = reinterpret_cast<HWND>(wParam);
        const CREATESTRUCTA* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
        if (IsProgressBar(window))
            t_recorder->OnCreate(window, create->hwndParent);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void ProgressRecorder::OnCreate(HWND bar, HWND parent) {
    ProgressRecord record;
    record.window = parent;
    record.owner = ::GetWindow(parent, GW_OWNER);
    record.barProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ProgressRecorder::BarProc)));
    m_bars.push_back(bar);
    m_records.push_back(record);
}

ProgressRecord* ProgressRecorder::Find(HWND bar) {
    // The newest first: a handle value may come back for a later window.
    for (size_t i = m_bars.size(); i-- > 0;) {
        if (m_bars[i] == bar && !m_records[i].destroyed)
            return &m_records[i];
    }
    return nullptr;
}

LRESULT CALLBACK ProgressRecorder::BarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
    ProgressRecord* record = t_recorder != nullptr ? t_recorder->Find(bar) : nullptr;
    if (record == nullptr)
        return ::DefWindowProcA(bar, message, wParam, lParam);
    const WNDPROC original = record->barProc;
    if (message == WM_DESTROY) {
        ::CallWindowProcA(original, bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&record->range));
        ::GetWindowRect(record->window, &record->bounds);
        record->destroyed = true;
        ::SetWindowLongPtrA(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        return ::CallWindowProcA(original, bar, message, wParam, lParam);
    }
    const LRESULT result = ::CallWindowProcA(original, bar, message, wParam, lParam);
    if (message == PBM_SETPOS)
        record->positions.push_back(static_cast<int>(::CallWindowProcA(original, bar, PBM_GETPOS, 0, 0)));
    return result;
}
