// CWinApp: the one application object, its main window and the application's name.
#pragma once

#include "Window.h"

#include <string>

class CWinApp {
public:
    // The constructed object becomes the application; only one exists at a time.
    CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    // Runs the program. WinMain returns as soon as it does; the result only says whether the
    // initialisation succeeded, there is no message loop after it.
    virtual BOOL InitInstance();

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
};

CWinApp* AfxGetApp();
// The application's main window, or null when there is no application or no main window yet.
CWnd* AfxGetMainWnd();
// The module whose resources the dialogs and icons are loaded from.
HINSTANCE AfxGetResourceHandle();

// The executable's file name without directory and extension: the caption of message boxes.
std::string ApplicationName();
// A message box captioned with the application's name; owner may be null.
int AppMessageBox(HWND owner, const char* text, UINT type = MB_OK);
