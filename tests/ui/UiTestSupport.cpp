// Shared pieces of the ui tests.
#include <winsock2.h>

#include "UiTestSupport.h"

#include "resource.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace {

// Windows Sockets and the rich edit library, as the application object provides them.
class ProgramEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(::WSAStartup(0x0202, &data), 0);
        ASSERT_NE(::LoadLibraryA("RICHED32.DLL"), nullptr);
    }
    void TearDown() override { ::WSACleanup(); }
};

::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(new ProgramEnvironment);

} // namespace

void PumpMessages(HWND dialog) {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (dialog != nullptr && ::IsWindow(dialog) && ::IsDialogMessageA(dialog, &message))
            continue;
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

bool PumpUntil(const std::function<bool()>& done, HWND dialog, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        PumpMessages(dialog);
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

std::string ControlText(HWND window, int id) {
    HWND control = ::GetDlgItem(window, id);
    const int length = ::GetWindowTextLengthA(control);
    std::vector<char> buffer(static_cast<size_t>(std::max(length, 0)) + 1);
    ::GetWindowTextA(control, buffer.data(), static_cast<int>(buffer.size()));
    std::string text;
    for (const char* c = buffer.data(); *c != '\0'; ++c) {
        if (*c == '\r') {
            text += '\n';
            if (c[1] == '\n')
                ++c;
        } else {
            text += *c;
        }
    }
    return text;
}

RECT ChildRect(HWND parent, int id) {
    RECT bounds;
    ::GetWindowRect(::GetDlgItem(parent, id), &bounds);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
}

RECT DialogUnitsToPixels(HWND dialog, int x, int y, int width, int height) {
    // The dialog manager converts the position and the size each on its own.
    RECT units = {x, y, width, height};
    ::MapDialogRect(dialog, &units);
    return {units.left, units.top, units.left + units.right, units.top + units.bottom};
}

void FocusControl(HWND dialog, int id) {
    ::SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(dialog, id)), TRUE);
}

void PressKey(HWND dialog, UINT virtualKey) {
    HWND focus = ::GetFocus();
    const UINT scan = ::MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
    ::PostMessageA(focus, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    PumpMessages(dialog);
    ::PostMessageA(focus, WM_KEYUP, virtualKey, 1 | (scan << 16) | (3u << 30));
    PumpMessages(dialog);
}

void MainWindowTest::Open(CaptureSystem system) {
    m_dialog = std::make_unique<CMonitorDlg>(system);
    m_app.m_pMainWnd = m_dialog.get();
    ASSERT_TRUE(m_dialog->Create(IDD_SORVANE_DIALOG));
    m_hWnd = m_dialog->GetSafeHwnd();
    ASSERT_NE(m_hWnd, nullptr);
}

void MainWindowTest::TearDown() {
    if (m_dialog && m_dialog->ModalResult() == -1 && ::IsWindow(m_hWnd))
        ::SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
    m_dialog.reset();
    m_app.m_pMainWnd = nullptr;
    PumpMessages();
}

void MainWindowTest::Click(int id) {
    ::SendMessageA(::GetDlgItem(m_hWnd, id), BM_CLICK, 0, 0);
}

void MainWindowTest::SendCommand(int id, int notifyCode) {
    ::SendMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(id, notifyCode), 0);
}
