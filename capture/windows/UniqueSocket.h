// Owns a Windows Sockets socket and closes it when it goes out of scope, unless released.
#pragma once

#include "UniqueHandle.h"

#include <winsock2.h>

inline void CloseSocket(SOCKET socket) {
    closesocket(socket);
}

using UniqueSocket = UniqueHandle<SOCKET, INVALID_SOCKET, CloseSocket>;
