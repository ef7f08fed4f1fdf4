// The capture socket as the engine sees it: open, wait, receive, stop and close, and what is lost.
#pragma once

#include "CaptureThreads.h"
#include "LocalClock.h"

#include <cstdint>
#include <string>

using SocketHandle = intptr_t;
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
    // An error the stop itself brought about (the platform switched receiving off): it ends the
    // stop's reads and is told to nobody.
    bool madeByStop = false;
};

// Datagrams a socket took in but that were never read, by cause.
struct LostCounts {
    // Dropped by the platform before they could be read (a full receive ring).
    uint64_t kernelDropped = 0;
    // Of the datagrams held at a stop, how many are still unread: what the stop's reads left when
    // they ended, taken once, after them (not a count since the last call).
    uint64_t unreadAtStop = 0;
};

// A capture socket ready to read, or kInvalidSocket and the failing step's text.
struct OpenedSocket {
    SocketHandle socket;
    std::string failure;
};

class CaptureSockets {
public:
    virtual ~CaptureSockets() = default;

    // Opens the raw socket on the address at interfaceIndex of a fresh address query, in receive-all
    // mode, non-blocking, its readiness tied to networkEvent.
    virtual OpenedSocket OpenCaptureSocket(int32_t interfaceIndex, SignalHandle networkEvent) = 0;

    // Waits for the first of stop, close and (when watchNetwork) readiness of socket through the
    // network event, in that priority, or for the time-out. A Network result re-arms readiness, so a
    // socket that stays unread does not wake the next wait unless more data is there. The signals
    // come from the same platform's CaptureThreads.
    virtual WaitResult Wait(SignalHandle stop, SignalHandle close, SignalHandle network, SocketHandle socket,
                            bool watchNetwork, uint32_t timeoutMs) = 0;

    // Receives one whole datagram, starting at the IP header, into buffer (at most capacity bytes).
    virtual ReceiveResult Receive(SocketHandle socket, unsigned char* buffer, uint32_t capacity) = 0;
    // Called before a socket is closed on request: keeps further datagrams out of socket and makes
    // every one it has already taken in readable, so that receiving until nothing is ready reads
    // exactly what arrived before. Returns within a bounded time; kInvalidSocket is ignored.
    virtual void StopArrivals(SocketHandle socket) = 0;
    // How many datagrams the platform took in for socket but lost before they could be read, by
    // cause; none where the platform keeps no such count.
    virtual LostCounts TakeLostCounts(SocketHandle) { return {}; }
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
};
