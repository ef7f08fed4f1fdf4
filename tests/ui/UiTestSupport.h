// Shared pieces of the ui tests: the Wine environment, message pumping, reading controls, and a
// fixture that opens the real main window from its template.
#pragma once

#include "Application.h"
#include "CaptureSystem.h"
#include "MonitorDlg.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

// Handles every queued message of the thread, through the dialog manager of dialog when given
// (as a modal loop would), and returns when the queue is empty.
void PumpMessages(HWND dialog = nullptr);
// Pumps until done() holds or the deadline passes; returns done().
bool PumpUntil(const std::function<bool()>& done, HWND dialog = nullptr,
               std::chrono::milliseconds deadline = std::chrono::seconds(10));

// Control text with line ends made "\n" (the rich edit may store "\r" or "\r\n").
std::string ControlText(HWND window, int id);
// A control's rectangle in its parent's client coordinates.
RECT ChildRect(HWND parent, int id);
// A dialog-unit rectangle (x, y, width, height) in pixels of that dialog.
RECT DialogUnitsToPixels(HWND dialog, int x, int y, int width, int height);
// Moves the focus to a control as the dialog manager does on Tab (a push button becomes the default).
void FocusControl(HWND dialog, int id);
// Sends the key's down, character and up messages to the focused window through the dialog manager.
void PressKey(HWND dialog, UINT virtualKey);

// Opens CMonitorDlg modeless from its template as the application's main window; closes it (if the
// test did not) and destroys it at the end of the test.
class MainWindowTest : public ::testing::Test {
protected:
    void TearDown() override;

    void Open(CaptureSystem system);
    void Open() { Open(HostCaptureSystem()); }
    void Click(int id);
    void SendCommand(int id, int notifyCode = BN_CLICKED);
    std::string Text(int id) const { return ControlText(m_hWnd, id); }
    bool Enabled(int id) const { return ::IsWindowEnabled(::GetDlgItem(m_hWnd, id)) != FALSE; }

    CWinApp m_app;
    std::unique_ptr<CMonitorDlg> m_dialog;
    HWND m_hWnd = nullptr;
};
