// A capture backend that forwards to a real one but caps every sleep, so that tests can run many
// Stop and Shutdown polls (1,000 ms each) quickly while sockets, signals and threads stay real.
#pragma once

#include "ForwardingCaptureSystem.h"

#include <algorithm>

class ShortSleepSystem : public ForwardingCaptureSystem {
public:
    ShortSleepSystem(CaptureSystem real, uint32_t longestSleepMs)
        : ForwardingCaptureSystem(real), m_longestSleepMs(longestSleepMs) {}

    void Sleep(uint32_t milliseconds) override {
        ForwardingCaptureSystem::Sleep(std::min(milliseconds, m_longestSleepMs));
    }

private:
    uint32_t m_longestSleepMs;
};
