// CMainWindowPoster: PostMessageA to whatever is the main window at the moment of the post.
#include "MainWindowPoster.h"

#include "Application.h"

bool CMainWindowPoster::Post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    CWnd* mainWindow = AfxGetMainWnd();
    HWND target = mainWindow != nullptr ? mainWindow->GetSafeHwnd() : nullptr;
    if (target == nullptr)
        return false;
    return ::PostMessageA(target, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)) != FALSE;
}
