// Window lookup by class, caption, owner and control ids, for the window driver.
#include "ProgramWindows.h"

#include "ControlMessages.h"

#include "resource.h"

#include <vector>

namespace {

bool IsDialogWindow(HWND window) {
    WCHAR className[16] = {};
    GetClassNameW(window, className, 16);
    return WideString(reinterpret_cast<const char16_t*>(className)) == u"#32770";
}

BOOL CALLBACK CollectDialog(HWND window, LPARAM dialogs) {
    if (IsDialogWindow(window))
        reinterpret_cast<std::vector<HWND>*>(dialogs)->push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelDialogs() {
    std::vector<HWND> dialogs;
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
    return dialogs;
}

bool IsOwnedBy(HWND window, HWND main) {
    for (HWND owner = GetWindow(window, GW_OWNER); owner != nullptr; owner = GetWindow(owner, GW_OWNER)) {
        if (owner == main)
            return true;
    }
    return false;
}

} // namespace

HWND FindMainWindow() {
    for (HWND window : TopLevelDialogs()) {
        if (GetDlgItem(window, IDC_PACKET_LIST) != nullptr && ReadText(window) == u"Sorvane")
            return window;
    }
    return nullptr;
}

HWND FindOwnedDialog(HWND main, const WideString& caption) {
    for (HWND window : TopLevelDialogs()) {
        if (window != main && IsWindowVisible(window) && IsOwnedBy(window, main) && ReadText(window) == caption)
            return window;
    }
    return nullptr;
}

HWND WaitForWindow(const std::function<HWND()>& find, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND window = find())
            return window;
        if (GetTickCount() - start >= timeoutMs)
            return nullptr;
        Sleep(100);
    }
}
