// A scripted capture backend for tests: all four services, real threads, scripted sockets and faults.
#pragma once

#include "CaptureServices.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

// The byte at position index of a datagram queued by size, so that tests can check stored bytes.
unsigned char PatternByte(uint32_t index, unsigned char seed);

struct OpenCall {
    int32_t interfaceIndex;
    SignalHandle networkEvent;
};

class FakeCaptureSystem : public CaptureServices {
public:
    FakeCaptureSystem() = default;
    FakeCaptureSystem(const FakeCaptureSystem&) = delete;
    FakeCaptureSystem& operator=(const FakeCaptureSystem&) = delete;
    // Joins every thread it started; destroy the engine first.
    ~FakeCaptureSystem() override;

    // Scripting, from any thread.
    void SetAddressQuery(AddressQuery query);
    // The next OpenCaptureSocket returns this; unscripted opens succeed with a fresh socket.
    void ScriptOpenResult(OpenedSocket result);
    void QueueDatagram(std::vector<unsigned char> bytes);
    void QueueDatagramOfSize(uint32_t size, unsigned char seed = 0);
    // A datagram the socket has taken in but holds back until StopArrivals, as a ring block that the
    // kernel has not yet handed over.
    void QueueHeldDatagramOfSize(uint32_t size, unsigned char seed = 0);
    // A datagram that the platform stamped with the time it arrived.
    void QueueStampedDatagram(std::vector<unsigned char> bytes, LocalTime arrival);
    void QueueWouldBlock();
    void QueueError(int32_t error);
    // An error the socket gives only after StopArrivals, as a provider may once receiving is off.
    void QueueHeldError(int32_t error);
    // While on, one more datagram arrives with every receive, until StopArrivals; ArrivedBeforeStop
    // tells how many had arrived (queued in any way) when it was called.
    void FloodWhileReceiving(bool on);
    int ArrivedBeforeStop() const;
    // What TakeLostCounts returns next, as a platform whose kernel dropped this many since the last
    // call and that holds this many unread.
    void ScriptLostCount(uint64_t lost, uint64_t unread = 0);
    int LostCountsTaken() const;

    // Faults.
    std::atomic<bool> failManualResetSignal{false};
    std::atomic<bool> failAutoResetSignal{false};
    std::atomic<bool> failNetworkEvent{false};
    std::atomic<bool> failStartThread{false};
    // Failure texts cannot be made: ReceiveFailureText, and an open scripted to fail, throw
    // std::bad_alloc as building a std::string does when memory is short.
    std::atomic<bool> failTextAllocation{false};
    // As the Windows backend: receive errors after StopArrivals are the stop's own.
    std::atomic<bool> stopMakesErrors{false};
    // QueryLocalAddresses throws std::bad_alloc, as building the list does when memory is short.
    std::atomic<bool> failAddressQuery{false};
    // The AllocateBytes call with this ordinal (the first call is 0) returns nullptr.
    void FailAllocation(int ordinal);
    // Started threads wait until the first Sleep before they run their procedure.
    void HoldThreadsUntilSleep();

    // Observations.
    std::vector<OpenCall> OpenCalls() const;
    std::vector<SocketHandle> ClosedSockets() const;
    size_t QueuedItems() const;
    int LiveSignals() const;
    int SignalsCreated() const;
    int ThreadsStarted() const;
    int Allocations() const;
    int Receives() const;
    int Waits() const;
    // Waits that ended because the network event or the socket was ready: the thread's wakes for data.
    int NetworkWakes() const;
    // The time-out the last wait was given.
    uint32_t LastWaitTimeoutMs() const;
    // Hang guard: true once at least count waits have begun in all; false when the deadline passed first.
    bool WaitForWaits(int count, std::chrono::milliseconds deadline = std::chrono::seconds(60)) const;
    // True once the receive queue is empty; false when the deadline passed first.
    bool WaitUntilQueueEmpty(std::chrono::milliseconds deadline = std::chrono::seconds(20)) const;

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
    LostCounts TakeLostCounts(SocketHandle socket) override;
    // A scripted socket holds whatever a test queues.
    uint32_t SocketBufferBytes() const override { return UINT32_MAX; }
    void CloseSocket(SocketHandle socket) override;
    std::string ReceiveFailureText(int32_t error) override;
    unsigned char* AllocateBytes(uint32_t size) override;
    // A block per packet, so that FailAllocation can refuse the copy of any one datagram.
    std::size_t SharedPacketBlockBytes() const override { return 1; }

private:
    struct Signal {
        bool autoReset;
        bool set;
    };
    struct QueuedReceive {
        std::vector<unsigned char> bytes;
        int32_t error; // 0 for a datagram
        bool stamped = false;
        LocalTime arrival{};
    };

    SignalHandle MakeSignal(bool fail, bool autoReset);
    bool TakeSignal(SignalHandle signal);
    bool SocketReady(SocketHandle socket) const;
    void Enqueue(QueuedReceive item);

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::map<SignalHandle, Signal> m_signals;
    SignalHandle m_nextSignal = 1;
    int m_signalsCreated = 0;
    std::deque<QueuedReceive> m_queue;
    std::deque<QueuedReceive> m_held;
    std::deque<OpenedSocket> m_scriptedOpens;
    std::vector<OpenCall> m_openCalls;
    std::set<SocketHandle> m_openSockets;
    std::vector<SocketHandle> m_closedSockets;
    SocketHandle m_nextSocket = 100;
    AddressQuery m_addressQuery;
    std::set<int> m_failingAllocations;
    int m_allocations = 0;
    int m_receives = 0;
    int m_waits = 0;
    int m_networkWakes = 0;
    uint32_t m_lastWaitTimeoutMs = 0;
    bool m_flooding = false;
    int m_arrived = 0;
    int m_arrivedBeforeStop = -1;
    uint64_t m_lostCount = 0;
    uint64_t m_unreadCount = 0;
    bool m_stopped = false;
    int m_lostCountsTaken = 0;
    bool m_holdThreads = false;
    std::vector<std::thread> m_threads;
};
