// Owns a Windows Sockets socket and closes it when it goes out of scope, unless released.
#pragma once

#include <winsock2.h>

class UniqueSocket {
public:
    explicit UniqueSocket(SOCKET socket) : m_socket(socket) {}
    UniqueSocket(const UniqueSocket&) = delete;
    UniqueSocket& operator=(const UniqueSocket&) = delete;
    ~UniqueSocket() {
        if (m_socket != INVALID_SOCKET) {
            closesocket(m_socket);
        }
    }

    explicit operator bool() const { return m_socket != INVALID_SOCKET; }
    SOCKET get() const { return m_socket; }
    SOCKET release() {
        const SOCKET socket = m_socket;
        m_socket = INVALID_SOCKET;
        return socket;
    }

private:
    SOCKET m_socket;
};
