// CMonitorApp: the program's one application object and its start-up.
#include <winsock2.h>

#include "MonitorApp.h"

#include "MonitorDlg.h"

CMonitorApp theApp;

BOOL CMonitorApp::InitInstance() {
    // Hosting embedded controls and the 3-D control look are settings of a framework we do not
    // use: no dialog holds an embedded control and our controls already draw in the platform's look.
    WSADATA sockets;
    if (::WSAStartup(0x0202, &sockets) != 0) {
        AppMessageBox(nullptr, "WSAStartupに失敗しました。", MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    // Without the rich edit library the main window cannot be made and DoModal returns at once.
    ::LoadLibraryA("RICHED32.DLL");

    {
        CMonitorDlg dialog(HostCaptureSystem());
        m_pMainWnd = &dialog;
        dialog.DoModal();
        ::WSACleanup();
        m_pMainWnd = nullptr;
    }
    return FALSE;
}
