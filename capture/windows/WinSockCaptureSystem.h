// The capture seam on Windows: kernel events, Windows Sockets waits and the raw IPv4 socket.
#pragma once

#include "CaptureSocketKind.h"
#include "CaptureSystem.h"

class WinSockCaptureSystem : public CaptureSystem {
public:
    WinSockCaptureSystem() = default;

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
    uint32_t SocketBufferBytes() const override;
    void CloseSocket(SocketHandle socket) override;

    std::string ReceiveFailureText(int32_t error) override;

protected:
    // For tests on a provider that refuses the program's socket: capture on a socket of another kind.
    explicit WinSockCaptureSystem(const CaptureSocketKind& kind) : m_kind(kind) {}

private:
    CaptureSocketKind m_kind;
};
