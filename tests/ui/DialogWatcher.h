// Answers the dialog boxes (message boxes included) that the current thread opens while it lives:
// records each one and runs a script on it, by default pressing OK. Dialogs that existed before it
// are left alone. Tests use it to see and close message boxes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct SeenDialog {
    HWND window;
    HWND owner;
    std::string caption;
    std::string text; // a message box's text; empty for other dialogs
    bool hasIcon;     // a message box shows an icon
    RECT bounds;      // screen rectangle when it was activated
};

class DialogWatcher {
public:
    using Script = std::function<void(HWND dialog)>;

    // The script runs when a dialog is first activated; it must end the dialog (e.g. post a command).
    explicit DialogWatcher(Script script = PressButton(IDOK));
    ~DialogWatcher();
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;

    const std::vector<SeenDialog>& Seen() const { return m_seen; }

    // A script that posts a click of the button with that id.
    static Script PressButton(int id);

private:
    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
    void OnActivate(HWND window);

    HHOOK m_hHook;
    Script m_script;
    std::vector<HWND> m_created;
    std::vector<SeenDialog> m_seen;
};
