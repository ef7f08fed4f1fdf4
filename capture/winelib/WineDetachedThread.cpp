// The capture thread for the Winelib build: the thread posts window messages, and Win32 calls
// work only on threads that Wine made, so it comes from CreateThread rather than std::thread.
#include "DetachedThread.h"

#include "Win32Thread.h"

bool StartDetachedThread(void (*proc)(void*), void* argument) {
    return StartWin32Thread(proc, argument);
}
