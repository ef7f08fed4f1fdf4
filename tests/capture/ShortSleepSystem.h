// A capture backend that forwards to a real one but caps every sleep, so that tests can run many
// Stop and Shutdown polls (1,000 ms each) quickly while sockets, signals and threads stay real.
#pragma once

#include "CaptureSystem.h"

#include <algorithm>

class ShortSleepSystem : public CaptureSystem {
public:
    ShortSleepSystem(CaptureSystem& real, uint32_t longestSleepMs) : m_real(real), m_longestSleepMs(longestSleepMs) {}

    SignalHandle CreateManualResetSignal() override { return m_real.CreateManualResetSignal(); }
    SignalHandle CreateAutoResetSignal() override { return m_real.CreateAutoResetSignal(); }
    SignalHandle CreateNetworkEvent() override { return m_real.CreateNetworkEvent(); }
    void SetSignal(SignalHandle signal) override { m_real.SetSignal(signal); }
    void CloseSignal(SignalHandle signal) override { m_real.CloseSignal(signal); }
    WaitResult Wait(SignalHandle stop, SignalHandle close, SignalHandle network, SocketHandle socket, bool watchNetwork,
                    uint32_t timeoutMs) override {
        return m_real.Wait(stop, close, network, socket, watchNetwork, timeoutMs);
    }
    bool StartThread(void (*proc)(void*), void* argument) override { return m_real.StartThread(proc, argument); }
    void Sleep(uint32_t milliseconds) override { m_real.Sleep(std::min(milliseconds, m_longestSleepMs)); }
    AddressQuery QueryLocalAddresses() override { return m_real.QueryLocalAddresses(); }
    OpenedSocket OpenCaptureSocket(int32_t interfaceIndex, SignalHandle networkEvent) override {
        return m_real.OpenCaptureSocket(interfaceIndex, networkEvent);
    }
    ReceiveResult Receive(SocketHandle socket, unsigned char* buffer, uint32_t capacity) override {
        return m_real.Receive(socket, buffer, capacity);
    }
    void StopArrivals(SocketHandle socket) override { m_real.StopArrivals(socket); }
    uint64_t TakeLostCount(SocketHandle socket) override { return m_real.TakeLostCount(socket); }
    uint32_t SocketBufferBytes() const override { return m_real.SocketBufferBytes(); }
    std::string TakeServiceNotice() override { return m_real.TakeServiceNotice(); }
    void CloseSocket(SocketHandle socket) override { m_real.CloseSocket(socket); }
    std::string ReceiveFailureText(int32_t error) override { return m_real.ReceiveFailureText(error); }
    unsigned char* AllocateBytes(uint32_t size) override { return m_real.AllocateBytes(size); }
    unsigned char* TakePacketBlock(std::size_t bytes) override { return m_real.TakePacketBlock(bytes); }
    void GiveBackPacketBlock(unsigned char* block, std::size_t bytes) override {
        m_real.GiveBackPacketBlock(block, bytes);
    }
    std::size_t SharedPacketBlockBytes() const override { return m_real.SharedPacketBlockBytes(); }

private:
    CaptureSystem& m_real;
    uint32_t m_longestSleepMs;
};
