// The capture thread's services on Windows: kernel events, a Win32 thread and Sleep.
#pragma once

#include "CaptureThreads.h"

class WindowsThreads : public CaptureThreads {
public:
    SignalHandle CreateManualResetSignal() override;
    SignalHandle CreateAutoResetSignal() override;
    SignalHandle CreateNetworkEvent() override;
    void SetSignal(SignalHandle signal) override;
    void CloseSignal(SignalHandle signal) override;

    bool StartThread(void (*proc)(void*), void* argument) override;
    void Sleep(uint32_t milliseconds) override;
};
