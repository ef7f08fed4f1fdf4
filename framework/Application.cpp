// CWinApp: the application object registry and the application's name.
#include "Application.h"

namespace {
CWinApp* g_pApp = nullptr;
}

CWinApp::CWinApp() : m_hInstance(::GetModuleHandleA(nullptr)) {
    g_pApp = this;
}

CWinApp::~CWinApp() {
    if (g_pApp == this)
        g_pApp = nullptr;
}

BOOL CWinApp::InitInstance() {
    return FALSE;
}

CWinApp* AfxGetApp() {
    return g_pApp;
}

CWnd* AfxGetMainWnd() {
    return g_pApp != nullptr ? g_pApp->m_pMainWnd : nullptr;
}

HINSTANCE AfxGetResourceHandle() {
    return g_pApp != nullptr ? g_pApp->m_hInstance : ::GetModuleHandleA(nullptr);
}

std::string ApplicationName() {
    char path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, length < MAX_PATH ? length : 0);
    size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

int AppMessageBox(HWND owner, const char* text, UINT type) {
    return ::MessageBoxA(owner, text, ApplicationName().c_str(), type);
}
