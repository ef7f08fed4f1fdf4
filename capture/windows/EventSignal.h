// A signal handle on Windows: a kernel event HANDLE (a WSAEVENT is one too), held as an integer.
#pragma once

#include "CaptureThreads.h"

#include <winsock2.h>

#include <windows.h>

inline HANDLE ToHandle(SignalHandle signal) {
    return reinterpret_cast<HANDLE>(signal);
}
inline SignalHandle ToSignal(HANDLE handle) {
    return reinterpret_cast<SignalHandle>(handle);
}
