// Base fixture of a backend's wait tests: the three signals the capture thread waits on, made by
// the real backend before each test and closed after it.
#pragma once

#include "CaptureSystem.h"

#include <gtest/gtest.h>

template <typename System, typename Base = ::testing::Test> class WaitSignalsTest : public Base {
protected:
    void SetUp() override {
        m_stop = m_system.CreateManualResetSignal();
        m_close = m_system.CreateAutoResetSignal();
        m_network = m_system.CreateNetworkEvent();
        ASSERT_NE(m_stop, kNoSignal);
        ASSERT_NE(m_close, kNoSignal);
        ASSERT_NE(m_network, kNoSignal);
    }
    void TearDown() override {
        m_system.CloseSignal(m_stop);
        m_system.CloseSignal(m_close);
        m_system.CloseSignal(m_network);
    }

    System m_system;
    SignalHandle m_stop = kNoSignal;
    SignalHandle m_close = kNoSignal;
    SignalHandle m_network = kNoSignal;
};
