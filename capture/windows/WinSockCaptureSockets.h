// The capture socket and the local address list on Windows: both come from the raw socket provider.
#pragma once

#include "CaptureSocketKind.h"
#include "CaptureSockets.h"
#include "LocalAddressSource.h"

#include <atomic>

class WinSockCaptureSockets : public CaptureSockets, public LocalAddressSource {
public:
    WinSockCaptureSockets() = default;

    AddressQuery QueryLocalAddresses() override;

    OpenedSocket OpenCaptureSocket(int32_t interfaceIndex, SignalHandle networkEvent) override;
    WaitResult Wait(SignalHandle stop, SignalHandle close, SignalHandle network, SocketHandle socket, bool watchNetwork,
                    uint32_t timeoutMs) override;
    ReceiveResult Receive(SocketHandle socket, unsigned char* buffer, uint32_t capacity) override;
    void StopArrivals(SocketHandle socket) override;
    uint32_t SocketBufferBytes() const override;
    void CloseSocket(SocketHandle socket) override;
    std::string ReceiveFailureText(int32_t error) override;

protected:
    // For tests on a provider that refuses the program's socket: capture on a socket of another kind.
    explicit WinSockCaptureSockets(const CaptureSocketKind& kind) : m_kind(kind) {}

private:
    CaptureSocketKind m_kind;
    // The socket whose receive-all switch-off has returned: a provider may fail its reads after
    // that, which says nothing about the capture.
    std::atomic<SocketHandle> m_switchedOff{kInvalidSocket};
};
