// Base fixture of a backend's wait tests: the three signals the capture thread waits on, made by
// the real backend before each test and closed after it, and the backend's capture sockets.
#pragma once

#include "CaptureThreads.h"

#include <gtest/gtest.h>

template <typename Threads, typename Sockets, typename Base = ::testing::Test> class WaitSignalsTest : public Base {
protected:
    void SetUp() override {
        m_stop = m_threads.CreateManualResetSignal();
        m_close = m_threads.CreateAutoResetSignal();
        m_network = m_threads.CreateNetworkEvent();
        ASSERT_NE(m_stop, kNoSignal);
        ASSERT_NE(m_close, kNoSignal);
        ASSERT_NE(m_network, kNoSignal);
    }
    void TearDown() override {
        m_threads.CloseSignal(m_stop);
        m_threads.CloseSignal(m_close);
        m_threads.CloseSignal(m_network);
    }

    Threads m_threads;
    Sockets m_sockets;
    SignalHandle m_stop = kNoSignal;
    SignalHandle m_close = kNoSignal;
    SignalHandle m_network = kNoSignal;
};
