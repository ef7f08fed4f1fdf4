// Starting a detached worker thread through Win32, for the Windows backend and the Winelib build.
#pragma once

// Runs proc(argument) on a new thread made by CreateThread at normal priority, and lets the handle
// go; false when no thread could be made.
bool StartWin32Thread(void (*proc)(void*), void* argument);
