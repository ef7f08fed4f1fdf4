// A capture system that passes every call on to another, so that a test wrapping a real backend
// overrides only the calls it scripts or counts.
#pragma once

#include "CaptureServices.h"

class ForwardingCaptureSystem : public CaptureServices {
public:
    explicit ForwardingCaptureSystem(CaptureSystem real) : m_real(real) {}

    SignalHandle CreateManualResetSignal() override { return m_real.threads.CreateManualResetSignal(); }
    SignalHandle CreateAutoResetSignal() override { return m_real.threads.CreateAutoResetSignal(); }
    SignalHandle CreateNetworkEvent() override { return m_real.threads.CreateNetworkEvent(); }
    void SetSignal(SignalHandle signal) override { m_real.threads.SetSignal(signal); }
    void CloseSignal(SignalHandle signal) override { m_real.threads.CloseSignal(signal); }
    bool StartThread(void (*proc)(void*), void* argument) override {
        return m_real.threads.StartThread(proc, argument);
    }
    void Sleep(uint32_t milliseconds) override { m_real.threads.Sleep(milliseconds); }
    std::chrono::steady_clock::time_point Now() override { return m_real.threads.Now(); }

    OpenedSocket OpenCaptureSocket(int32_t interfaceIndex, SignalHandle networkEvent) override {
        return m_real.sockets.OpenCaptureSocket(interfaceIndex, networkEvent);
    }
    WaitResult Wait(SignalHandle stop, SignalHandle close, SignalHandle network, SocketHandle socket, bool watchNetwork,
                    uint32_t timeoutMs) override {
        return m_real.sockets.Wait(stop, close, network, socket, watchNetwork, timeoutMs);
    }
    ReceiveResult Receive(SocketHandle socket, unsigned char* buffer, uint32_t capacity) override {
        return m_real.sockets.Receive(socket, buffer, capacity);
    }
    void StopArrivals(SocketHandle socket) override { m_real.sockets.StopArrivals(socket); }
    LostCounts TakeLostCounts(SocketHandle socket) override { return m_real.sockets.TakeLostCounts(socket); }
    uint32_t SocketBufferBytes() const override { return m_real.sockets.SocketBufferBytes(); }
    void CloseSocket(SocketHandle socket) override { m_real.sockets.CloseSocket(socket); }
    std::string ReceiveFailureText(int32_t error) override { return m_real.sockets.ReceiveFailureText(error); }
    std::string TakeServiceNotice() override { return m_real.sockets.TakeServiceNotice(); }

    AddressQuery QueryLocalAddresses() override { return m_real.addresses.QueryLocalAddresses(); }

    unsigned char* AllocateBytes(uint32_t size) override { return m_real.memory.AllocateBytes(size); }
    unsigned char* TakePacketBlock(std::size_t bytes) override { return m_real.memory.TakePacketBlock(bytes); }
    void GiveBackPacketBlock(unsigned char* block, std::size_t bytes) override {
        m_real.memory.GiveBackPacketBlock(block, bytes);
    }
    std::size_t SharedPacketBlockBytes() const override { return m_real.memory.SharedPacketBlockBytes(); }

private:
    CaptureSystem m_real;
};
