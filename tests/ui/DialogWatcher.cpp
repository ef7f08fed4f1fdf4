// DialogWatcher: a thread-local CBT hook that catches "#32770" windows as they are activated.
#include "DialogWatcher.h"

#include "resource.h"

#include <algorithm>

namespace {

thread_local DialogWatcher* t_watcher = nullptr;

std::string WindowText(HWND window) {
    char text[1024] = {};
    ::GetWindowTextA(window, text, sizeof(text));
    return text;
}

bool IsDialogWindow(HWND window) {
    char className[64] = {};
    ::GetClassNameA(window, className, sizeof(className));
    return std::string(className) == "#32770";
}

// A message box shows its icon in a visible SS_ICON static that holds an icon. (The box itself is
// not visible yet when it is activated, so the child's own style says whether it shows.)
BOOL CALLBACK FindIcon(HWND child, LPARAM found) {
    const LONG style = ::GetWindowLongA(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON && (style & WS_VISIBLE) != 0 &&
        ::SendMessageA(child, STM_GETICON, 0, 0) != 0) {
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
    }
    return TRUE;
}

} // namespace

DialogWatcher::DialogWatcher(Script script) : m_script(std::move(script)) {
    t_watcher = this;
    m_hHook = ::SetWindowsHookExA(WH_CBT, HookProc, nullptr, ::GetCurrentThreadId());
}

DialogWatcher::~DialogWatcher() {
    ::UnhookWindowsHookEx(m_hHook);
    t_watcher = nullptr;
}

DialogWatcher::Script DialogWatcher::PressButton(int id) {
    return [id](HWND dialog) { ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); };
}

LRESULT CALLBACK DialogWatcher::HookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && t_watcher != nullptr)
        t_watcher->m_created.push_back(reinterpret_cast<HWND>(wParam));
    if (code == HCBT_ACTIVATE && t_watcher != nullptr)
        t_watcher->OnActivate(reinterpret_cast<HWND>(wParam));
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void DialogWatcher::OnActivate(HWND window) {
    if (!IsDialogWindow(window) || std::find(m_created.begin(), m_created.end(), window) == m_created.end())
        return;
    bool known =
        std::any_of(m_seen.begin(), m_seen.end(), [window](const SeenDialog& d) { return d.window == window; });
    if (known)
        return;
    SeenDialog seen = {window, ::GetWindow(window, GW_OWNER), WindowText(window), {}, false, {}};
    HWND textControl = ::GetDlgItem(window, IDC_MESSAGE_BOX_TEXT);
    if (textControl != nullptr)
        seen.text = WindowText(textControl);
    ::EnumChildWindows(window, FindIcon, reinterpret_cast<LPARAM>(&seen.hasIcon));
    ::GetWindowRect(window, &seen.bounds);
    m_seen.push_back(seen);
    m_script(window);
}
