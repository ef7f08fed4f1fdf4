// A test fixture that holds Windows Sockets 2.2 open for the tests of one suite.
#pragma once

#include <winsock2.h>

#include <gtest/gtest.h>

class WinSockTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WSADATA data;
        ASSERT_EQ(WSAStartup(0x0202, &data), 0);
    }
    static void TearDownTestSuite() { WSACleanup(); }

    static bool IsOpenSocket(SOCKET socket) {
        int type = 0;
        int length = sizeof type;
        return getsockopt(socket, SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &length) == 0;
    }
};
