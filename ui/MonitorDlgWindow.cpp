// CMonitorDlg's window messages: layout, the minimised icon, and closing.
#include "MonitorDlg.h"

#include "MainLayout.h"
#include "resource.h"

namespace {

POINT ClientTopLeft(HWND parent, HWND child) {
    RECT bounds;
    ::GetWindowRect(child, &bounds);
    POINT corner = {bounds.left, bounds.top};
    ::ScreenToClient(parent, &corner);
    return corner;
}

} // namespace

MessageResult CMonitorDlg::OnSizeMessage(WPARAM, LPARAM lParam) {
    HWND list = GetDlgItem(IDC_PACKET_LIST);
    if (list == nullptr)
        return kDefaultProcessing;
    const POINT listCorner = ClientTopLeft(m_hWnd, list);
    const MainLayout layout = ComputeMainLayout(LOWORD(lParam), HIWORD(lParam), listCorner.y);
    // Without SWP_NOZORDER: each moved control also goes to the top of the z-order.
    ::SetWindowPos(list, HWND_TOP, listCorner.x, listCorner.y, layout.listWidth, layout.listHeight, 0);
    HWND pane = GetDlgItem(IDC_TEXT_PANE);
    if (pane != nullptr) {
        const POINT paneCorner = ClientTopLeft(m_hWnd, pane);
        ::SetWindowPos(pane, HWND_TOP, paneCorner.x, layout.paneTop, layout.paneWidth, layout.paneHeight, 0);
    }
    return 0;
}

MessageResult CMonitorDlg::OnPaintMessage(WPARAM, LPARAM) {
    if (!::IsIconic(m_hWnd))
        return kDefaultProcessing;
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    ::SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
    ::EndPaint(m_hWnd, &paint);
    return 0;
}

MessageResult CMonitorDlg::OnQueryDragIcon(WPARAM, LPARAM) {
    return reinterpret_cast<LRESULT>(m_hIcon);
}

MessageResult CMonitorDlg::OnCloseMessage(WPARAM, LPARAM) {
    CloseProgram();
    return 0;
}

void CMonitorDlg::OnExit() {
    CloseProgram();
}

void CMonitorDlg::CloseProgram() {
    ShutDownEngine();
    ReleaseQueuedLogTexts();
    CDialog::OnOK();
}

// Closing ends here too; a window destroyed without closing still ends the engine's thread and
// releases the texts it posted, before the application cleans Windows Sockets up.
MessageResult CMonitorDlg::OnDestroyMessage(WPARAM, LPARAM) {
    ShutDownEngine();
    ReleaseQueuedLogTexts();
    return kDefaultProcessing;
}

void CMonitorDlg::ShutDownEngine() {
    if (m_bThreadLaunched && !m_bShutDown) {
        m_capture.Shutdown();
        m_bShutDown = true;
    }
}

void CMonitorDlg::ReleaseQueuedLogTexts() {
    // The engine allocated each text for the window; nothing else would release the ones not yet handled.
    MSG queued;
    while (::PeekMessageA(&queued, m_hWnd, WM_CAPTURE_LOG, WM_CAPTURE_LOG, PM_REMOVE))
        delete[] reinterpret_cast<char*>(queued.wParam);
}
