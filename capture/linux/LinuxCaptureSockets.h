// The capture socket on Linux: captures relayed from a packet socket that never reaches this
// process, and the poll wait on them and on the capture thread's eventfd signals.
#pragma once

#include "CaptureSockets.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>

class RelayedCapture;

// A capture "socket" is the eventfd its relay signals, which is never kInvalidSocket (-1).
class LinuxCaptureSockets : public CaptureSockets {
public:
    LinuxCaptureSockets();
    ~LinuxCaptureSockets() override;

    OpenedSocket OpenCaptureSocket(int32_t interfaceIndex, SignalHandle networkEvent) override;
    WaitResult Wait(SignalHandle stop, SignalHandle close, SignalHandle network, SocketHandle socket, bool watchNetwork,
                    uint32_t timeoutMs) override;
    ReceiveResult Receive(SocketHandle socket, unsigned char* buffer, uint32_t capacity) override;
    void StopArrivals(SocketHandle socket) override;
    LostCounts TakeLostCounts(SocketHandle socket) override;
    uint32_t SocketBufferBytes() const override;
    void CloseSocket(SocketHandle socket) override;
    std::string ReceiveFailureText(int32_t error) override;
    std::string TakeServiceNotice() override;

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
