// Reads and drives controls of another process with the messages that Wine carries across processes.
#pragma once

#include "WideText.h"

#include <vector>

// SendMessageTimeoutW with a generous time-out; false when the window did not answer.
bool SendAndWait(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr);

WideString ReadText(HWND window);
bool WriteText(HWND window, const WideString& text);

std::vector<WideString> ComboItems(HWND combo);
std::vector<WideString> ListItems(HWND list);
