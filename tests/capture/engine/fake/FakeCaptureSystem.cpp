// The scripted capture backend: one lock guards every piece of state, one condition wakes waiters.
#include "FakeCaptureSystem.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <system_error>
#include <utility>

namespace {
constexpr int32_t kNotASocket = 10038;
}

unsigned char PatternByte(uint32_t index, unsigned char seed) {
    return static_cast<unsigned char>(index * 31u + seed * 7u + 1u);
}

FakeCaptureSystem::~FakeCaptureSystem() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_holdThreads = false;
    }
    m_changed.notify_all();
    for (std::thread& thread : m_threads) {
        thread.join();
    }
}

void FakeCaptureSystem::SetAddressQuery(AddressQuery query) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_addressQuery = std::move(query);
}

void FakeCaptureSystem::ScriptOpenResult(OpenedSocket result) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_scriptedOpens.push_back(std::move(result));
}

void FakeCaptureSystem::Enqueue(QueuedReceive item) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_arrived += item.error == 0;
        m_queue.push_back(std::move(item));
    }
    m_changed.notify_all();
}

void FakeCaptureSystem::QueueStampedDatagram(std::vector<unsigned char> bytes, LocalTime arrival) {
    Enqueue({std::move(bytes), 0, true, arrival});
}

// The flood starts with an arrival, so that a thread waiting on an empty queue is woken into it.
void FakeCaptureSystem::FloodWhileReceiving(bool on) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_flooding = on;
    }
    if (on) {
        QueueDatagramOfSize(64, 0xAB);
    }
}

int FakeCaptureSystem::ArrivedBeforeStop() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_arrivedBeforeStop;
}

void FakeCaptureSystem::ScriptLostCount(uint64_t lost, uint64_t unread) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lostCount = lost;
    m_unreadCount = unread;
}

int FakeCaptureSystem::LostCountsTaken() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lostCountsTaken;
}

LostCounts FakeCaptureSystem::TakeLostCounts(SocketHandle) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_lostCountsTaken;
    return {std::exchange(m_lostCount, 0), m_unreadCount};
}

void FakeCaptureSystem::QueueDatagram(std::vector<unsigned char> bytes) {
    Enqueue({std::move(bytes), 0});
}

void FakeCaptureSystem::QueueDatagramOfSize(uint32_t size, unsigned char seed) {
    std::vector<unsigned char> bytes(size);
    for (uint32_t index = 0; index < size; ++index) {
        bytes[index] = PatternByte(index, seed);
    }
    QueueDatagram(std::move(bytes));
}

void FakeCaptureSystem::QueueHeldDatagramOfSize(uint32_t size, unsigned char seed) {
    std::vector<unsigned char> bytes(size);
    for (uint32_t index = 0; index < size; ++index) {
        bytes[index] = PatternByte(index, seed);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_held.push_back({std::move(bytes), 0});
}

void FakeCaptureSystem::QueueWouldBlock() {
    Enqueue({{}, ReceiveResult::kWouldBlock});
}

void FakeCaptureSystem::QueueError(int32_t error) {
    Enqueue({{}, error});
}

void FakeCaptureSystem::QueueHeldError(int32_t error) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_held.push_back({{}, error});
}

void FakeCaptureSystem::FailAllocation(int ordinal) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_failingAllocations.insert(ordinal);
}

void FakeCaptureSystem::HoldThreadsUntilSleep() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_holdThreads = true;
}

std::vector<OpenCall> FakeCaptureSystem::OpenCalls() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_openCalls;
}

std::vector<SocketHandle> FakeCaptureSystem::ClosedSockets() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closedSockets;
}

size_t FakeCaptureSystem::QueuedItems() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_queue.size();
}

int FakeCaptureSystem::LiveSignals() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_signals.size());
}

int FakeCaptureSystem::SignalsCreated() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_signalsCreated;
}

int FakeCaptureSystem::ThreadsStarted() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_threads.size());
}

int FakeCaptureSystem::Allocations() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_allocations;
}

int FakeCaptureSystem::Receives() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_receives;
}

int FakeCaptureSystem::Waits() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_waits;
}

int FakeCaptureSystem::NetworkWakes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_networkWakes;
}

uint32_t FakeCaptureSystem::LastWaitTimeoutMs() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastWaitTimeoutMs;
}

bool FakeCaptureSystem::WaitForWaits(int count, std::chrono::milliseconds deadline) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, deadline, [&] { return m_waits >= count; });
}

bool FakeCaptureSystem::WaitUntilQueueEmpty(std::chrono::milliseconds deadline) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, deadline, [this] { return m_queue.empty(); });
}

SignalHandle FakeCaptureSystem::MakeSignal(bool fail, bool autoReset) {
    if (fail) {
        return kNoSignal;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    const SignalHandle signal = m_nextSignal++;
    m_signals[signal] = Signal{autoReset, false};
    ++m_signalsCreated;
    return signal;
}

SignalHandle FakeCaptureSystem::CreateManualResetSignal() {
    return MakeSignal(failManualResetSignal, false);
}

SignalHandle FakeCaptureSystem::CreateAutoResetSignal() {
    return MakeSignal(failAutoResetSignal, true);
}

// Like a socket event, the network event is re-armed when a wait reports it.
SignalHandle FakeCaptureSystem::CreateNetworkEvent() {
    return MakeSignal(failNetworkEvent, true);
}

void FakeCaptureSystem::SetSignal(SignalHandle signal) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto found = m_signals.find(signal);
        if (found != m_signals.end()) {
            found->second.set = true;
        }
    }
    m_changed.notify_all();
}

void FakeCaptureSystem::CloseSignal(SignalHandle signal) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signals.erase(signal);
}

bool FakeCaptureSystem::TakeSignal(SignalHandle signal) {
    auto found = m_signals.find(signal);
    if (found == m_signals.end() || !found->second.set) {
        return false;
    }
    if (found->second.autoReset) {
        found->second.set = false;
    }
    return true;
}

bool FakeCaptureSystem::SocketReady(SocketHandle socket) const {
    return !m_queue.empty() && m_openSockets.count(socket) != 0;
}

WaitResult FakeCaptureSystem::Wait(SignalHandle stop, SignalHandle close, SignalHandle network, SocketHandle socket,
                                   bool watchNetwork, uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    ++m_waits;
    m_lastWaitTimeoutMs = timeoutMs;
    m_changed.notify_all();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (TakeSignal(stop)) {
            return WaitResult::Stop;
        }
        if (TakeSignal(close)) {
            return WaitResult::Close;
        }
        if (watchNetwork && (TakeSignal(network) || SocketReady(socket))) {
            ++m_networkWakes;
            return WaitResult::Network;
        }
        if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout) {
            return WaitResult::Timeout;
        }
    }
}

bool FakeCaptureSystem::StartThread(void (*proc)(void*), void* argument) {
    if (failStartThread) {
        return false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    try {
        m_threads.emplace_back([this, proc, argument] {
            {
                std::unique_lock<std::mutex> hold(m_mutex);
                m_changed.wait(hold, [this] { return !m_holdThreads; });
            }
            proc(argument);
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void FakeCaptureSystem::Sleep(uint32_t) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_holdThreads = false;
    }
    m_changed.notify_all();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

AddressQuery FakeCaptureSystem::QueryLocalAddresses() {
    if (failAddressQuery) {
        throw std::bad_alloc();
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_addressQuery;
}

OpenedSocket FakeCaptureSystem::OpenCaptureSocket(int32_t interfaceIndex, SignalHandle networkEvent) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_openCalls.push_back({interfaceIndex, networkEvent});
    OpenedSocket opened{m_nextSocket++, ""};
    if (!m_scriptedOpens.empty()) {
        opened = m_scriptedOpens.front();
        m_scriptedOpens.pop_front();
    }
    if (opened.socket != kInvalidSocket) {
        m_openSockets.insert(opened.socket);
        m_stopped = false;
    } else if (failTextAllocation) {
        throw std::bad_alloc();
    }
    return opened;
}

ReceiveResult FakeCaptureSystem::Receive(SocketHandle socket, unsigned char* buffer, uint32_t capacity) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_receives;
    if (m_openSockets.count(socket) == 0) {
        return {-1, kNotASocket};
    }
    if (m_flooding) {
        ++m_arrived;
        m_queue.push_back({std::vector<unsigned char>(64, 0xAB), 0});
    }
    if (m_queue.empty()) {
        return {-1, ReceiveResult::kWouldBlock};
    }
    QueuedReceive item = std::move(m_queue.front());
    m_queue.pop_front();
    m_changed.notify_all();
    if (item.error != 0) {
        ReceiveResult failed{-1, item.error};
        failed.madeByStop = m_stopped && stopMakesErrors;
        return failed;
    }
    const uint32_t size = std::min(static_cast<uint32_t>(item.bytes.size()), capacity);
    if (size > 0) {
        std::memcpy(buffer, item.bytes.data(), size);
    }
    return {static_cast<int32_t>(size), 0, item.stamped, item.arrival};
}

void FakeCaptureSystem::StopArrivals(SocketHandle) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_flooding = false;
        m_stopped = true;
        m_arrivedBeforeStop = m_arrived + static_cast<int>(m_held.size());
        m_queue.insert(m_queue.end(), m_held.begin(), m_held.end());
        m_held.clear();
    }
    m_changed.notify_all();
}

void FakeCaptureSystem::CloseSocket(SocketHandle socket) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closedSockets.push_back(socket);
    m_openSockets.erase(socket);
}

std::string FakeCaptureSystem::ReceiveFailureText(int32_t error) {
    if (failTextAllocation) {
        throw std::bad_alloc();
    }
    char text[64];
    std::snprintf(text, sizeof text, "WSARecv failed. Code %d\n", static_cast<int>(error));
    return text;
}

unsigned char* FakeCaptureSystem::AllocateBytes(uint32_t size) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_failingAllocations.count(m_allocations++) != 0) {
            return nullptr;
        }
    }
    return new unsigned char[size ? size : 1];
}
