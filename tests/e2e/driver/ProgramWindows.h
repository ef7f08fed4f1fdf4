// Finds the program's windows from another process: the main window and the windows it owns.
#pragma once

#include "WideText.h"

#include <functional>

// The main window: a dialog captioned "Sorvane" that holds the packet list (IDC_PACKET_LIST); nullptr when none.
HWND FindMainWindow();

// A visible top-level dialog with this caption whose chain of owners reaches main (main excluded).
HWND FindOwnedDialog(HWND main, const WideString& caption);

// Calls find every 100 ms until it returns a window or timeoutMs has passed.
HWND WaitForWindow(const std::function<HWND()>& find, DWORD timeoutMs);
