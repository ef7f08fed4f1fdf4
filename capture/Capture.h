// The capture engine: owns the packet store, the capture socket and the capture thread.
#pragma once

#include "CaptureMessages.h"
#include "CaptureSystem.h"
#include "PacketStore.h"

#include <atomic>
#include <cstdint>

class CCapture {
public:
    explicit CCapture(CaptureSystem& system = HostCaptureSystem(), CapturePoster* poster = nullptr);
    CCapture(const CCapture&) = delete;
    CCapture& operator=(const CCapture&) = delete;
    virtual ~CCapture();

    // Creates the three signals and starts the capture thread. On failure it reports one line
    // through PostLogText, makes nothing half-way, and returns false; Start, Stop and Shutdown
    // then still return.
    bool LaunchThread();
    void Start(int32_t interfaceIndex, int32_t maxPacketBytes, int32_t maxTotalMB);
    void Stop();
    void Shutdown();

    // Posts a heap copy of text as WM_CAPTURE_LOG; releases the copy when it cannot be delivered.
    void PostLogText(const char* text);

    // Store access for the user interface, only while capture is stopped.
    int32_t Count() const;
    PacketView Get(int32_t index) const;
    uint32_t TotalBytes() const;

    static void CaptureThreadProc(void* engine);

private:
    // Fields are filled in by the engine's implementation.
};
