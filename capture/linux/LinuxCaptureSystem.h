// The capture seam on Linux: eventfd signals, poll waits, relayed packet captures and getifaddrs.
#pragma once

#include "CaptureSystem.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>

class RelayedCapture;

// Handles: a signal is its eventfd plus one, so that no descriptor ever equals kNoSignal (0); a
// capture "socket" is the eventfd its relay signals, which is never kInvalidSocket (-1): the packet
// socket itself never reaches this process.
class LinuxCaptureSystem : public CaptureSystem {
public:
    LinuxCaptureSystem();
    ~LinuxCaptureSystem() override;

    SignalHandle CreateManualResetSignal() override;
    SignalHandle CreateAutoResetSignal() override;
    SignalHandle CreateNetworkEvent() override;
    void SetSignal(SignalHandle signal) override;
    void CloseSignal(SignalHandle signal) override;

    WaitResult Wait(SignalHandle stop, SignalHandle close, SignalHandle network, SocketHandle socket, bool watchNetwork,
                    uint32_t timeoutMs) override;

    bool StartThread(void (*proc)(void*), void* argument) override;
    void Sleep(uint32_t milliseconds) override;

    AddressQuery QueryLocalAddresses() override;
    OpenedSocket OpenCaptureSocket(int32_t interfaceIndex, SignalHandle networkEvent) override;
    ReceiveResult Receive(SocketHandle socket, unsigned char* buffer, uint32_t capacity) override;
    void StopArrivals(SocketHandle socket) override;
    uint64_t TakeLostCount(SocketHandle socket) override;
    uint32_t SocketBufferBytes() const override;
    void CloseSocket(SocketHandle socket) override;

    std::string ReceiveFailureText(int32_t error) override;
    std::string TakeServiceNotice() override;

    unsigned char* TakePacketBlock(std::size_t bytes) override;
    void GiveBackPacketBlock(unsigned char* block, std::size_t bytes) override;
    std::size_t SharedPacketBlockBytes() const override;

private:
    bool IsWatched(SocketHandle socket) const;
    void NoteReceive(SocketHandle socket, bool failed);
    void Forget(SocketHandle socket);

    // poll reports a socket for as long as it holds data, so readiness is re-armed by hand: once a
    // wait has reported the socket it rests until Receive is called on it, and after a receive error
    // it rests until a wait times out. Every time-out re-arms both, so an engine that skips a read
    // is woken again at the next time-out rather than never, and a socket that keeps failing costs
    // one error line per time-out instead of a busy loop. Only the capture thread waits and
    // receives; the atomics cover a socket closed from the other thread.
    std::atomic<SocketHandle> m_reportedSocket{kInvalidSocket};
    std::atomic<SocketHandle> m_failedSocket{kInvalidSocket};

    // Each open capture. The capture thread reads one while the user-interface thread may open or
    // close another (or, after the thread ended, the same), so the lock covers every use of the map
    // and of a capture.
    std::mutex m_capturesLock;
    std::map<SocketHandle, std::unique_ptr<RelayedCapture>> m_captures;
};
