// CMonitorDlg: the main window. It owns the capture engine, the storage limits and the packet
// counter, lays out the list and the text pane, and routes every command and notification.
#pragma once

#include "Capture.h"
#include "Dialog.h"
#include "MainWindowPoster.h"

#include <cstdint>

class CMonitorDlg : public CDialog {
public:
    // The engine captures through system; the program passes the host's, tests a scripted one.
    explicit CMonitorDlg(CaptureSystem system, CWnd* parent = nullptr);
    ~CMonitorDlg() override;

    // Text pane: add text at the caret and scroll a line; or empty the pane, log lines included.
    void AppendLog(const char* text);
    void ClearDetailPane();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Enter and Escape never close the main window.
    void OnOK() override;
    void OnCancel() override;
    MessageResult RouteMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnOutOfMemory() override;

private:
    // Window (MonitorDlgWindow.cpp)
    MessageResult OnPaintMessage(WPARAM wParam, LPARAM lParam);
    MessageResult OnQueryDragIcon(WPARAM wParam, LPARAM lParam);
    MessageResult OnCloseMessage(WPARAM wParam, LPARAM lParam);
    MessageResult OnSizeMessage(WPARAM wParam, LPARAM lParam);
    MessageResult OnDestroyMessage(WPARAM wParam, LPARAM lParam);
    void OnExit();
    void CloseProgram();
    void ShutDownEngine();
    void ReleaseQueuedLogTexts();

    // Initialisation (MonitorDlg.cpp)
    void SetTextPaneFormat();
    void FillInterfaceList();

    // Capture commands and notifications (MonitorDlgCapture.cpp)
    void OnStartStop();
    void StartCapture();
    void StopCapture();
    bool IsCapturing() const;
    int32_t SelectedInterfacePosition() const;
    void DiscardQueuedPacketNotices();
    int32_t TakeQueuedPacketNotices();
    MessageResult OnCaptureLog(WPARAM wParam, LPARAM lParam);
    MessageResult OnCapturePacket(WPARAM wParam, LPARAM lParam);
    MessageResult OnCaptureFull(WPARAM wParam, LPARAM lParam);

    // Packet list, detail, filter, settings and About commands, each in its own file.
    void OnListPackets();
    void OnShowDetail();
    void OnFilter();
    void OnStorageSettings();
    void OnAbout();

    // Selects the whole text pane and replaces it with text (not undoable).
    void ReplaceDetailPane(const char* text);

    static const MessageRoute<CMonitorDlg> s_routes[];

    CMainWindowPoster m_poster; // before the engine, which posts through it
    LocalAddressSource& m_addresses;
    CCapture m_capture;
    int32_t m_nPacketCount = 0;
    StorageLimits m_limits;
    HFONT m_hListFont = nullptr;
    HICON m_hIcon;
    bool m_bThreadLaunched = false;
    bool m_bShutDown = false;
};
