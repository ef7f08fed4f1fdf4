// A signal handle on Linux: its eventfd plus one, so that no descriptor ever equals kNoSignal (0).
#pragma once

#include "CaptureThreads.h"

// kNoSignal gives -1, which poll skips.
inline int SignalFd(SignalHandle signal) {
    return static_cast<int>(signal - 1);
}
inline SignalHandle ToSignal(int fd) {
    return fd < 0 ? kNoSignal : static_cast<SignalHandle>(fd) + 1;
}
