// The capture thread's wait on its eventfd signals and on a relayed capture, and how the socket's
// readiness is re-armed.
#include "LinuxCaptureSockets.h"

#include "EventFd.h"
#include "EventFdSignal.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <thread>

#include <poll.h>

namespace {

// How long a failed poll pauses before it reports a time-out, so that a wait that keeps failing
// does not turn the capture thread's loop into a busy one.
constexpr uint32_t kFailedWaitPauseMs = 100;

void Drain(SignalHandle signal) {
    DrainEventFd(SignalFd(signal));
}

int PollTimeout(uint32_t timeoutMs) {
    return timeoutMs > INT_MAX ? INT_MAX : static_cast<int>(timeoutMs);
}

} // namespace

WaitResult LinuxCaptureSockets::Wait(SignalHandle stop, SignalHandle close, SignalHandle network, SocketHandle socket,
                                     bool watchNetwork, uint32_t timeoutMs) {
    const bool watchSocket = watchNetwork && IsWatched(socket);
    pollfd polled[] = {
        {SignalFd(stop), POLLIN, 0},
        {SignalFd(close), POLLIN, 0},
        {watchNetwork ? SignalFd(network) : -1, POLLIN, 0},
        {watchSocket ? static_cast<int>(socket) : -1, POLLIN, 0},
    };
    const int ready = poll(polled, sizeof polled / sizeof polled[0], PollTimeout(timeoutMs));
    if (ready <= 0) {
        if (ready < 0 && errno != EINTR) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kFailedWaitPauseMs));
        }
        m_reportedSocket = kInvalidSocket;
        m_failedSocket = kInvalidSocket;
        return WaitResult::Timeout;
    }
    if (polled[0].revents != 0) {
        return WaitResult::Stop;
    }
    if (polled[1].revents != 0) {
        Drain(close);
        return WaitResult::Close;
    }
    if (polled[2].revents != 0) {
        Drain(network);
    }
    // POLLERR and POLLHUP count as readiness too: the engine's next receive then fetches the error.
    if (polled[3].revents != 0) {
        m_reportedSocket = socket;
    }
    return WaitResult::Network;
}

bool LinuxCaptureSockets::IsWatched(SocketHandle socket) const {
    return socket != kInvalidSocket && socket != m_reportedSocket && socket != m_failedSocket;
}

// Called for every datagram: a store only when a value changes keeps the reads free of locked writes.
void LinuxCaptureSockets::NoteReceive(SocketHandle socket, bool failed) {
    const SocketHandle failedSocket = failed ? socket : kInvalidSocket;
    if (m_reportedSocket.load(std::memory_order_relaxed) != kInvalidSocket) {
        m_reportedSocket = kInvalidSocket;
    }
    if (m_failedSocket.load(std::memory_order_relaxed) != failedSocket) {
        m_failedSocket = failedSocket;
    }
}

void LinuxCaptureSockets::Forget(SocketHandle socket) {
    SocketHandle expected = socket;
    m_reportedSocket.compare_exchange_strong(expected, kInvalidSocket);
    expected = socket;
    m_failedSocket.compare_exchange_strong(expected, kInvalidSocket);
}
