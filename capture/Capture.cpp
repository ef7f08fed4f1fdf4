// The capture engine: start and stop on the user-interface thread, receiving on the capture thread.
#include "Capture.h"

#include "CaptureBounds.h"
#include "LostPacketsLine.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

namespace {

constexpr uint32_t kReceiveBufferBytes = kLargestDatagramBytes;
// Bounds the work done per wake (a few milliseconds), so that packet notices go out on time during
// a flood; a whole ring block of the smallest datagrams is read in one wake.
constexpr int kMaxReadsPerWake = 16384;
// Bounds the reads of a stop: what fills the socket's buffer with the smallest datagrams, so that a
// stop reads all a socket can hold yet ends even if datagrams keep coming.
constexpr uint32_t kSmallestDatagramBytes = 20;
// A stop's reads also end kStopReadingMs after the thread took the close signal, so that Stop
// returns at its first look even on a loaded machine. A backend that keeps new datagrams out has
// read what it holds long before.
constexpr auto kStopReadingFor = std::chrono::milliseconds(kStopReadingMs);
constexpr uint32_t kReadsPerClockCheck = 256;
// At most one packet notice per interval: a window takes keys and clicks only when no posted
// message waits, so a notice per datagram would lock the user out for as long as a flood lasts.
// Each notice costs the program more than half a millisecond under Wine (the post, the window's
// counter redraw) and Wine's server as much again, as much as 20 to 40 wake-ups of the capture
// thread; the counter must still move at least four times a second. A notice goes out at the
// first wake after its interval; on Linux the receive ring wakes the thread at most 45 ms apart
// while traffic flows (kRingRetireTimeoutMs), so notices come less than 190 + 45 ms apart at any
// rate, and every fifth ring period (225 ms) at slow rates.
constexpr auto kNoticeInterval = std::chrono::milliseconds(190);
// The store's arrays are made ready for as many packets as the limits let in, up to this many
// (24 MiB of address space); room that is never written is never made resident.
constexpr size_t kMostReservedPackets = size_t{1} << 20;
constexpr char kNoReceiveBuffer[] = "Out of memory: no receive buffer, nothing is captured\n";
constexpr char kNoReceiveFailureText[] = "Receive failed; out of memory to say why\n";
constexpr char kNoCaptureSocket[] = "Out of memory: the capture socket could not be opened\n";

} // namespace

CCapture::CCapture(CaptureSystem system, CapturePoster* poster)
    : m_system(system), m_poster(poster), m_store(ReadLocalTime, system.memory) {}

CCapture::~CCapture() {
    Shutdown();
}

bool CCapture::LaunchThread() {
    if (m_nThreadRunning.load(std::memory_order_acquire) == 1) {
        return true;
    }
    m_hStop = m_system.threads.CreateManualResetSignal();
    m_hClose = m_system.threads.CreateAutoResetSignal();
    m_hNetworkEvent = m_system.threads.CreateNetworkEvent();
    if (m_hStop == kNoSignal || m_hClose == kNoSignal || m_hNetworkEvent == kNoSignal) {
        CloseSignals();
        PostLogText("Capture signals could not be created\n");
        return false;
    }
    // Without a receive buffer the thread still runs, so that start, stop and close behave as
    // always; every start then says why nothing is captured.
    m_receiveBuffer = m_system.memory.AllocateBytes(kReceiveBufferBytes);
    if (m_receiveBuffer == nullptr) {
        PostLogText(kNoReceiveBuffer);
    }
    m_bStopRequested.store(false, std::memory_order_relaxed);
    m_nThreadRunning.store(1, std::memory_order_release);
    if (!m_system.threads.StartThread(&CCapture::CaptureThreadProc, this)) {
        m_nThreadRunning.store(0, std::memory_order_release);
        ReleaseReceiveBuffer();
        CloseSignals();
        PostLogText("Capture thread could not be started\n");
        return false;
    }
    return true;
}

void CCapture::Start(int32_t interfaceIndex, StorageLimits limits) {
    // The store may only be cleared while the thread leaves it alone, that is with no capture on.
    if (m_nReceiving.load(std::memory_order_acquire) == 1 ||
        m_socket.load(std::memory_order_acquire) != kInvalidSocket) {
        Stop();
    }
    // The last capture's memory, as far as the new limits can use it, is written again rather than
    // taken fresh: fresh memory costs a page fault and the zeroing of every page.
    m_store.Clear(static_cast<size_t>(limits.TotalBytes()));
    m_limits = limits;
    m_nInterfaceIndex = interfaceIndex;
    m_bDropReported = false;
    m_lost = {};
    m_store.Reserve(m_limits.PacketsWithin(kMostReservedPackets));

    SocketHandle socket = kInvalidSocket;
    if (m_nThreadRunning.load(std::memory_order_acquire) != 1) {
        PostLogText("Capture thread is not running: nothing is captured\n");
    } else if (m_receiveBuffer == nullptr) {
        PostLogText(kNoReceiveBuffer);
    } else {
        socket = OpenCaptureSocket(interfaceIndex);
    }
    m_socket.store(socket, std::memory_order_release);
    m_nReceiving.store(1, std::memory_order_release);
    if (m_hNetworkEvent != kNoSignal) {
        m_system.threads.SetSignal(m_hNetworkEvent);
    }
}

void CCapture::Stop() {
    m_nCloseRequested.store(1, std::memory_order_release);
    if (m_nThreadRunning.load(std::memory_order_acquire) == 1) {
        m_system.threads.SetSignal(m_hClose);
        while (m_nCloseRequested.load(std::memory_order_acquire) == 1 &&
               m_nThreadRunning.load(std::memory_order_acquire) == 1) {
            m_system.threads.Sleep(kStopPollMs);
        }
    }
    // Without a thread nobody else answers the request.
    if (m_nCloseRequested.load(std::memory_order_acquire) == 1) {
        CloseOnRequest();
    }
}

void CCapture::Shutdown() {
    m_bStopRequested.store(true, std::memory_order_release);
    if (m_nThreadRunning.load(std::memory_order_acquire) == 1) {
        m_system.threads.SetSignal(m_hStop);
        while (m_nThreadRunning.load(std::memory_order_acquire) == 1) {
            m_system.threads.Sleep(kStopPollMs);
        }
    }
    const SocketHandle socket = m_socket.exchange(kInvalidSocket, std::memory_order_acq_rel);
    if (socket != kInvalidSocket) {
        m_system.sockets.CloseSocket(socket);
    }
    ReleaseReceiveBuffer();
    CloseSignals();
    m_store.Clear();
}

void CCapture::PostLogText(const char* text) {
    if (m_poster == nullptr || text == nullptr || *text == '\0') {
        return;
    }
    const size_t size = std::strlen(text) + 1;
    char* copy = new (std::nothrow) char[size];
    if (copy == nullptr) {
        return;
    }
    std::memcpy(copy, text, size);
    if (!m_poster->Post(WM_CAPTURE_LOG, reinterpret_cast<uintptr_t>(copy), 0)) {
        delete[] copy;
    }
}

// The backend builds address lists and failure texts, which take memory that may be short.
SocketHandle CCapture::OpenCaptureSocket(int32_t interfaceIndex) {
    try {
        const OpenedSocket opened = m_system.sockets.OpenCaptureSocket(interfaceIndex, m_hNetworkEvent);
        if (opened.socket == kInvalidSocket) {
            PostLogText(opened.failure.c_str());
        }
        return opened.socket;
    } catch (const std::bad_alloc&) {
        PostLogText(kNoCaptureSocket);
        return kInvalidSocket;
    }
}

int32_t CCapture::Count() const {
    return m_store.Count();
}

PacketView CCapture::Get(int32_t index) const {
    return m_store.Get(index);
}

uint32_t CCapture::TotalBytes() const {
    return m_store.TotalBytes();
}

void CCapture::CaptureThreadProc(void* engine) {
    static_cast<CCapture*>(engine)->RunCaptureThread();
}

void CCapture::RunCaptureThread() {
    for (;;) {
        const WaitResult result = WaitForWork();
        if (result == WaitResult::Stop) {
            break;
        }
        if (result == WaitResult::Close) {
            DrainBeforeClose();
            AnnounceStoredPackets(true);
            m_nUnannounced = 0;
            ReportLostPackets();
            CloseOnRequest();
        } else if (result == WaitResult::Network) {
            ReceiveBatch();
        }
        ReportServiceNotice();
        AnnounceStoredPackets(false);
    }
    const SocketHandle socket = m_socket.exchange(kInvalidSocket, std::memory_order_acq_rel);
    if (socket != kInvalidSocket) {
        m_system.sockets.CloseSocket(socket);
    }
    m_nThreadRunning.store(0, std::memory_order_release);
}

// Capturing, the thread waits for datagrams; idle, it watches the network event alone, which Start
// sets to wake it. When full, or capturing without a socket after a failed set-up, it waits for stop
// and close only, so a socket left readable can never make it spin.
WaitResult CCapture::WaitForWork() {
    const bool receiving = m_nReceiving.load(std::memory_order_acquire) == 1;
    const SocketHandle socket = m_socket.load(std::memory_order_acquire);
    const bool watchNetwork = m_receiveBuffer != nullptr && receiving == (socket != kInvalidSocket);
    return m_system.sockets.Wait(m_hStop, m_hClose, m_hNetworkEvent, socket, watchNetwork, WaitTimeoutMs());
}

// With packets still to announce, the thread wakes for their notice at the latest an interval after
// it is due. While traffic flows, the wakes for datagrams come sooner and carry the notice, so the
// thread rarely wakes for the notice alone; once traffic stops, the last packets still reach the
// counter within two intervals.
uint32_t CCapture::WaitTimeoutMs() const {
    if (m_nUnannounced == 0) {
        return kWaitTimeoutMs;
    }
    const auto due = m_lastNotice + 2 * kNoticeInterval - std::chrono::steady_clock::now();
    const auto dueMs = std::chrono::duration_cast<std::chrono::milliseconds>(due).count();
    return static_cast<uint32_t>(std::clamp<decltype(dueMs)>(dueMs + 1, 1, kWaitTimeoutMs));
}

// Posts one notice for every packet stored since the last, once the interval has passed since the
// last attempt (or at once when evenIfEarly). A refused post keeps the count for a later attempt,
// at least an interval later, so that the wait time-out never shrinks to nothing; with nobody to tell, the
// count is dropped.
void CCapture::AnnounceStoredPackets(bool evenIfEarly) {
    if (m_nUnannounced == 0) {
        return;
    }
    if (m_poster == nullptr) {
        m_nUnannounced = 0;
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!evenIfEarly && now - m_lastNotice < kNoticeInterval) {
        return;
    }
    m_lastNotice = now;
    if (m_poster->Post(WM_CAPTURE_PACKET, m_nUnannounced, 0)) {
        m_nUnannounced = 0;
    }
}

void CCapture::CloseOnRequest() {
    const SocketHandle socket = m_socket.exchange(kInvalidSocket, std::memory_order_acq_rel);
    if (socket != kInvalidSocket) {
        m_system.sockets.CloseSocket(socket);
    }
    m_nReceiving.store(0, std::memory_order_release);
    m_nCloseRequested.store(0, std::memory_order_release);
}

// A stop keeps every datagram that reached the socket before it: the backend keeps new ones out
// and hands over what it holds, and the thread reads until nothing is left. A full store has
// nothing more to take, and a shutdown does not wait for the reads.
void CCapture::DrainBeforeClose() {
    const SocketHandle socket = m_socket.load(std::memory_order_acquire);
    if (socket == kInvalidSocket || m_receiveBuffer == nullptr || m_nReceiving.load(std::memory_order_acquire) != 1) {
        return;
    }
    const auto deadline = m_system.threads.Now() + kStopReadingFor;
    m_system.sockets.StopArrivals(socket);
    const uint32_t mostReads = m_system.sockets.SocketBufferBytes() / kSmallestDatagramBytes;
    for (uint32_t read = 0; read < mostReads; ++read) {
        if (m_bStopRequested.load(std::memory_order_acquire) || !ReceiveOne(socket)) {
            return;
        }
        if (read % kReadsPerClockCheck == kReadsPerClockCheck - 1 && m_system.threads.Now() >= deadline) {
            return;
        }
    }
}

// Datagrams lost after the store filled were refused by the storage limit, which the full notice
// already told; only those lost while storing was on are reported, each cause in a line of its own.
void CCapture::ReportLostPackets() {
    const SocketHandle socket = m_socket.load(std::memory_order_acquire);
    if (socket != kInvalidSocket && m_nReceiving.load(std::memory_order_acquire) == 1) {
        const LostCounts lost = m_system.sockets.TakeLostCounts(socket);
        m_lost.kernelDropped += lost.kernelDropped;
        m_lost.unreadAtStop = lost.unreadAtStop;
    }
    if (m_lost.kernelDropped != 0) {
        PostLogText(LostPacketsLine(m_lost.kernelDropped).data());
    }
    if (m_lost.unreadAtStop != 0) {
        PostLogText(UnreadPacketsLine(m_lost.unreadAtStop).data());
    }
}

void CCapture::ReceiveBatch() {
    for (int read = 0; read < kMaxReadsPerWake; ++read) {
        if (m_bStopRequested.load(std::memory_order_acquire) ||
            m_nCloseRequested.load(std::memory_order_acquire) == 1 ||
            m_nReceiving.load(std::memory_order_acquire) != 1) {
            return;
        }
        const SocketHandle socket = m_socket.load(std::memory_order_acquire);
        if (socket == kInvalidSocket || m_receiveBuffer == nullptr || !ReceiveOne(socket)) {
            return;
        }
    }
}

// Reads and stores one datagram; false when there is nothing more to read now (nothing ready, a
// receive error, or the store just filled).
bool CCapture::ReceiveOne(SocketHandle socket) {
    const ReceiveResult result = m_system.sockets.Receive(socket, m_receiveBuffer, kReceiveBufferBytes);
    if (result.bytes < 0) {
        if (result.error != ReceiveResult::kWouldBlock && !result.madeByStop) {
            PostReceiveFailure(result.error);
        }
        return false;
    }
    const StoreOutcome outcome = StoreDatagram(result);
    if (outcome == StoreOutcome::Full) {
        // What a stop had still to read when the store filled, the limit would have refused too.
        m_lost.kernelDropped += m_system.sockets.TakeLostCounts(socket).kernelDropped;
        // The window learns of every stored packet before it learns that storing stopped.
        AnnounceStoredPackets(true);
        Post(WM_CAPTURE_FULL);
        return false;
    }
    if (outcome == StoreOutcome::Stored) {
        ++m_nUnannounced;
    }
    return true;
}

// On the capture thread an exception would end the process: a text that cannot be made gives way
// to a fixed one, and capture goes on.
void CCapture::PostReceiveFailure(int32_t error) {
    std::string text;
    try {
        text = m_system.sockets.ReceiveFailureText(error);
    } catch (const std::bad_alloc&) {
        text.clear();
    }
    PostLogText(text.empty() ? kNoReceiveFailureText : text.c_str());
}

// Stores the datagram that received holds in the receive buffer. Full means the total limit
// refused it and storing has stopped.
CCapture::StoreOutcome CCapture::StoreDatagram(const ReceiveResult& received) {
    const uint32_t length = m_limits.CutLength(std::min(static_cast<uint32_t>(received.bytes), kReceiveBufferBytes));
    if (!m_limits.Admit(m_store.TotalBytes(), length)) {
        m_nReceiving.store(0, std::memory_order_release);
        return StoreOutcome::Full;
    }
    const bool stored = received.stamped ? m_store.TryAddCopy(m_receiveBuffer, length, received.arrival)
                                         : m_store.TryAddCopy(m_receiveBuffer, length);
    if (!stored) {
        ReportDroppedPacket();
        return StoreOutcome::Dropped;
    }
    return StoreOutcome::Stored;
}

void CCapture::ReportServiceNotice() {
    const std::string notice = m_system.sockets.TakeServiceNotice();
    if (!notice.empty()) {
        PostLogText(notice.c_str());
    }
}

// One line per capture is enough: memory that is short now usually stays short for a while.
void CCapture::ReportDroppedPacket() {
    if (!m_bDropReported) {
        m_bDropReported = true;
        PostLogText("Out of memory: packets are being dropped\n");
    }
}

void CCapture::Post(uint32_t message) {
    if (m_poster != nullptr) {
        m_poster->Post(message, 1, 0);
    }
}

// Only once the thread has ended, or before it started.
void CCapture::ReleaseReceiveBuffer() {
    delete[] m_receiveBuffer;
    m_receiveBuffer = nullptr;
}

void CCapture::CloseSignals() {
    for (SignalHandle* signal : {&m_hStop, &m_hClose, &m_hNetworkEvent}) {
        if (*signal != kNoSignal) {
            m_system.threads.CloseSignal(*signal);
            *signal = kNoSignal;
        }
    }
}
