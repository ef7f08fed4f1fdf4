// Registers the IP address and progress bar classes before the first dialog is made.
#include "CommonControls.h"

#include <windows.h>

#include <commctrl.h>

void RegisterCommonControls() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_INTERNET_CLASSES | ICC_PROGRESS_CLASS};
        return ::InitCommonControlsEx(&classes) != FALSE;
    }();
    (void)registered;
}
