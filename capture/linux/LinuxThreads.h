// The capture thread's services on Linux: eventfd signals, a named thread and a plain sleep.
#pragma once

#include "CaptureThreads.h"

class LinuxThreads : public CaptureThreads {
public:
    SignalHandle CreateManualResetSignal() override;
    SignalHandle CreateAutoResetSignal() override;
    SignalHandle CreateNetworkEvent() override;
    void SetSignal(SignalHandle signal) override;
    void CloseSignal(SignalHandle signal) override;

    bool StartThread(void (*proc)(void*), void* argument) override;
    void Sleep(uint32_t milliseconds) override;
};
