// The operating-system seam of the capture engine: signals, the wait, the worker thread, the raw
// socket and the local address list. One backend per platform implements it; tests script a fake.
#pragma once

#include "LocalClock.h"
#include "PacketBlockSource.h"

#include <cstdint>
#include <new>
#include <string>
#include <vector>

using SignalHandle = intptr_t;
using SocketHandle = intptr_t;
constexpr SignalHandle kNoSignal = 0;
constexpr SocketHandle kInvalidSocket = -1;

enum class WaitResult { Stop, Close, Network, Timeout };

// Outcome of one receive: bytes >= 0 is a datagram of that many bytes; otherwise error holds the
// platform's error number, or kWouldBlock when nothing was ready. A platform that stamps datagrams
// as they arrive gives that local time in arrival; otherwise the store stamps the datagram itself.
struct ReceiveResult {
    static constexpr int32_t kWouldBlock = -1;
    int32_t bytes;
    int32_t error;
    bool stamped = false;
    LocalTime arrival{};
};

// The local IPv4 addresses in the provider's order, each in network byte order; or a failure text.
struct AddressQuery {
    std::vector<uint32_t> addresses;
    std::string failure;
};

// A capture socket ready to read, or kInvalidSocket and the failing step's text.
struct OpenedSocket {
    SocketHandle socket;
    std::string failure;
};

class CaptureSystem : public PacketBlockSource {
public:
    ~CaptureSystem() override = default;

    // Signals: the stop signal is manual-reset, the close signal auto-reset, the network event is
    // signalled when the capture socket is readable (and may also be set by hand to wake the thread).
    // Each returns kNoSignal when it cannot be made.
    virtual SignalHandle CreateManualResetSignal() = 0;
    virtual SignalHandle CreateAutoResetSignal() = 0;
    virtual SignalHandle CreateNetworkEvent() = 0;
    virtual void SetSignal(SignalHandle signal) = 0;
    virtual void CloseSignal(SignalHandle signal) = 0;

    // Waits for the first of stop, close and (when watchNetwork) readiness of socket through the
    // network event, in that priority, or for the time-out. A Network result re-arms readiness, so a
    // socket that stays unread does not wake the next wait unless more data is there.
    virtual WaitResult Wait(SignalHandle stop, SignalHandle close, SignalHandle network, SocketHandle socket,
                            bool watchNetwork, uint32_t timeoutMs) = 0;

    // Starts proc(argument) on a new thread at normal priority; false when no thread could be made.
    virtual bool StartThread(void (*proc)(void*), void* argument) = 0;
    virtual void Sleep(uint32_t milliseconds) = 0;

    virtual AddressQuery QueryLocalAddresses() = 0;
    // Opens the raw socket on the address at interfaceIndex of a fresh address query, in receive-all
    // mode, non-blocking, its readiness tied to networkEvent.
    virtual OpenedSocket OpenCaptureSocket(int32_t interfaceIndex, SignalHandle networkEvent) = 0;
    // Receives one whole datagram, starting at the IP header, into buffer (at most capacity bytes).
    virtual ReceiveResult Receive(SocketHandle socket, unsigned char* buffer, uint32_t capacity) = 0;
    // Called before a socket is closed on request: keeps further datagrams out of socket and makes
    // every one it has already taken in readable, so that receiving until nothing is ready reads
    // exactly what arrived before. Returns within a bounded time; kInvalidSocket is ignored.
    virtual void StopArrivals(SocketHandle socket) = 0;
    // How many datagrams the platform took in for socket but lost before they could be read (a
    // full receive ring, or datagrams left unread at a stop), counted since the last call; 0 where
    // the platform keeps no such count.
    virtual uint64_t TakeLostCount(SocketHandle) { return 0; }
    // How many bytes of datagrams the platform holds for a capture socket while nobody reads it (its
    // receive buffer or ring): what a stop may have left to read.
    virtual uint32_t SocketBufferBytes() const = 0;
    // Shuts the socket down for both directions and closes it; kInvalidSocket is ignored.
    virtual void CloseSocket(SocketHandle socket) = 0;

    // The text of a receive error, ending in "\n" ("WSARecv failed. Code %d\n" on Windows).
    virtual std::string ReceiveFailureText(int32_t error) = 0;

    // A line for the user, once, when the platform's capture service has failed in a way that later
    // starts will meet (the Linux capture helper having exited, for example); empty otherwise. The
    // capture thread asks after every wait.
    virtual std::string TakeServiceNotice() { return ""; }

    // A block of size bytes (at least one) from new[], released with delete[]; nullptr when memory is
    // short. The engine takes its receive buffer from here, and by default the blocks its store
    // cuts packet copies from.
    virtual unsigned char* AllocateBytes(uint32_t size) { return new (std::nothrow) unsigned char[size ? size : 1]; }

    // Heap blocks, as a store's default source gives, but taken through AllocateBytes.
    unsigned char* TakePacketBlock(std::size_t bytes) override {
        return bytes > UINT32_MAX ? nullptr : AllocateBytes(static_cast<uint32_t>(bytes));
    }
    void GiveBackPacketBlock(unsigned char* block, std::size_t bytes) override {
        HeapPacketBlocks().GiveBackPacketBlock(block, bytes);
    }
    std::size_t SharedPacketBlockBytes() const override { return HeapPacketBlocks().SharedPacketBlockBytes(); }
};

// The backend this build links.
CaptureSystem& HostCaptureSystem();
