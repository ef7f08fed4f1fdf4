// CMonitorDlg's capture commands: start/stop, the packet counter and the engine's notifications.
#include "MonitorDlg.h"

#include "CaptureState.h"
#include "resource.h"

void CMonitorDlg::OnStartStop() {
    if (IsCapturing())
        StopCapture();
    else
        StartCapture();
}

bool CMonitorDlg::IsCapturing() const {
    return GetDlgItemText(IDC_START_STOP) == kCaptureOnText;
}

void CMonitorDlg::StartCapture() {
    SendDlgItemMessage(IDC_PACKET_LIST, LB_RESETCONTENT);
    ClearDetailPane();
    m_nPacketCount = 0;
    OnCapturePacket(0, 0);
    const int32_t position = SelectedInterfacePosition();
    EnableDlgItem(IDC_LIST_BUTTON, false);
    EnableDlgItem(IDC_FILTER_BUTTON, false);
    m_capture.Start(position, m_limits);
    SetDlgItemText(IDC_START_STOP, kCaptureOnText);
}

void CMonitorDlg::StopCapture() {
    EnableDlgItem(IDC_LIST_BUTTON, true);
    m_capture.Stop();
    // Posts may have been lost or still be queued: once the engine has stopped, its count is the truth.
    DiscardQueuedPacketNotices();
    m_nPacketCount = m_capture.Count();
    SetDlgItemInt(IDC_PACKET_COUNT, m_nPacketCount, true);
    SetDlgItemText(IDC_START_STOP, kCaptureOffText);
}

int32_t CMonitorDlg::SelectedInterfacePosition() const {
    const LRESULT item = SendDlgItemMessage(IDC_INTERFACE, CB_GETCURSEL);
    if (item == CB_ERR)
        return -1;
    return static_cast<int32_t>(SendDlgItemMessage(IDC_INTERFACE, CB_GETITEMDATA, static_cast<WPARAM>(item)));
}

void CMonitorDlg::DiscardQueuedPacketNotices() {
    MSG queued;
    while (::PeekMessageA(&queued, m_hWnd, WM_CAPTURE_PACKET, WM_CAPTURE_PACKET, PM_REMOVE)) {
    }
}

MessageResult CMonitorDlg::OnCaptureLog(WPARAM wParam, LPARAM) {
    char* text = reinterpret_cast<char*>(wParam);
    if (text != nullptr) {
        AppendLog(text);
        delete[] text;
    }
    return 1;
}

MessageResult CMonitorDlg::OnCapturePacket(WPARAM wParam, LPARAM) {
    if (wParam != 0)
        m_nPacketCount += static_cast<int32_t>(wParam) + TakeQueuedPacketNotices();
    SetDlgItemInt(IDC_PACKET_COUNT, wParam != 0 ? m_nPacketCount : 0, true);
    return 1;
}

// The engine spaces its notices out, so normally none is waiting here. Should many be queued all
// the same, taking them together keeps them from holding back every later message, the user's keys
// and clicks and closing included. Returns the packets they count.
int32_t CMonitorDlg::TakeQueuedPacketNotices() {
    constexpr int kMostAtOnce = 4096;
    MSG queued;
    int32_t packets = 0;
    for (int i = 0; i < kMostAtOnce; ++i) {
        if (!::PeekMessageA(&queued, m_hWnd, WM_CAPTURE_PACKET, WM_CAPTURE_PACKET, PM_REMOVE))
            break;
        packets += static_cast<int32_t>(queued.wParam);
    }
    return packets;
}

// The message box belongs to a running capture. A store that filled while the capture was being
// stopped is told in the pane instead, once the button already reads start again.
MessageResult CMonitorDlg::OnCaptureFull(WPARAM, LPARAM) {
    if (IsCapturing())
        MessageBox("メモリオーバーです。", MB_OK);
    else
        AppendLog("The storage limit was reached as the capture stopped: later packets were not stored\n");
    return 1;
}
