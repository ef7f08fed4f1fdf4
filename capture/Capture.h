// The capture engine: owns the packet store, the capture socket and the capture thread.
#pragma once

#include "CaptureMessages.h"
#include "CaptureSystem.h"
#include "PacketStore.h"
#include "StorageLimits.h"

#include <atomic>
#include <chrono>
#include <cstdint>

class CCapture {
public:
    explicit CCapture(CaptureSystem system, CapturePoster* poster = nullptr);
    CCapture(const CCapture&) = delete;
    CCapture& operator=(const CCapture&) = delete;
    virtual ~CCapture();

    // Creates the three signals and starts the capture thread. On failure it reports one line
    // through PostLogText, makes nothing half-way, and returns false; Start, Stop and Shutdown
    // then still return. While the thread runs, a further launch does nothing and returns true.
    bool LaunchThread();
    // Clears the store, opens the socket on the address at interfaceIndex and switches storing on.
    // A capture still open (full but not stopped) is stopped first.
    void Start(int32_t interfaceIndex, StorageLimits limits);
    // Returns once the socket is closed and the thread no longer touches the store.
    void Stop();
    // Ends the thread, closes the socket and the signals, and empties the store; the destructor too.
    void Shutdown();

    // Posts a heap copy of text as WM_CAPTURE_LOG; releases the copy when it cannot be delivered.
    void PostLogText(const char* text);

    // Store access for the user interface, only while capture is stopped.
    int32_t Count() const;
    PacketView Get(int32_t index) const;
    uint32_t TotalBytes() const;

    static void CaptureThreadProc(void* engine);

private:
    SocketHandle OpenCaptureSocket(int32_t interfaceIndex);
    void RunCaptureThread();
    WaitResult WaitForWork();
    void CloseOnRequest();
    void DrainBeforeClose();
    void ReceiveBatch();
    bool ReceiveOne(SocketHandle socket);
    void PostReceiveFailure(int32_t error);
    enum class StoreOutcome { Stored, Dropped, Full };
    StoreOutcome StoreDatagram(const ReceiveResult& received);
    void ReportLostPackets();
    void ReportDroppedPacket();
    void ReportServiceNotice();
    uint32_t WaitTimeoutMs() const;
    void AnnounceStoredPackets(bool evenIfEarly);
    void Post(uint32_t message);
    void ReleaseReceiveBuffer();
    void CloseSignals();

    CaptureSystem m_system;
    CapturePoster* m_poster;

    // Written by LaunchThread before the thread starts and by Shutdown after it ended.
    SignalHandle m_hStop = kNoSignal;
    SignalHandle m_hClose = kNoSignal;
    SignalHandle m_hNetworkEvent = kNoSignal;
    // From the same launch: the thread's receive buffer (nullptr when memory was short), released
    // by Shutdown once the thread has ended.
    unsigned char* m_receiveBuffer = nullptr;

    // Raised by LaunchThread before the thread starts, so that an early Shutdown still waits;
    // lowered by the thread as its last access to the engine.
    std::atomic<int32_t> m_nThreadRunning{0};
    int32_t m_nInterfaceIndex = -1;
    // Start stores the socket and then raises receiving with release; the thread loads receiving
    // with acquire before the socket, so it never sees receiving without the socket.
    std::atomic<SocketHandle> m_socket{kInvalidSocket};
    CPacketStore m_store;
    std::atomic<int32_t> m_nCloseRequested{0};
    std::atomic<int32_t> m_nReceiving{0};
    // Raised by Shutdown before the stop signal, so that a batch of reads ends at once.
    std::atomic<bool> m_bStopRequested{false};
    // Written by Start before receiving is raised; read by the thread only while receiving is 1.
    StorageLimits m_limits;
    bool m_bDropReported = false;
    // Datagrams the platform lost during the capture, by cause, reported once when it stops.
    LostCounts m_lost;

    // The capture thread's own: packets stored but not yet announced, and when it last announced.
    uint32_t m_nUnannounced = 0;
    std::chrono::steady_clock::time_point m_lastNotice{};
};
