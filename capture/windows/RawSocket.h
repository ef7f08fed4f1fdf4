// Set-up of the raw IPv4 capture socket: the local address list and receive-all mode.
#pragma once

#include "CaptureSocketKind.h"
#include "CaptureSockets.h"

#include <winsock2.h>

#include <cstdint>
#include <vector>

constexpr const char* kSocketFailureText = "WSASocket(AF_INET,SOCK_RAW) failed\n";
constexpr const char* kAddressQueryFailureText = "WSAIoctl(SIO_ADDRESS_LIST_QUERY) faild.\n";
constexpr const char* kBindFailureText = "bind failed\n";
constexpr const char* kReceiveAllFailureText = "WSAIoCtl(SIO_RCVALL) failed\n";
// The receive buffer asked for: room for a burst while the capture thread is held up, where the
// system's default loses datagrams.
constexpr int kRawReceiveBufferBytes = 8 * 1024 * 1024;

// A raw IPv4 socket of protocol for overlapped use, or INVALID_SOCKET.
SOCKET OpenRawSocket(int protocol = IPPROTO_IP);

// Asks the provider for the local addresses through socket (any socket will do); false when the
// query fails, the list does not fit in 4,096 bytes, or the answer cannot be read.
bool QueryAddressList(SOCKET socket, std::vector<uint32_t>& addresses);

// The address list of kind: its one address, or the provider's answer through socket.
bool QueryAddressList(SOCKET socket, const CaptureSocketKind& kind, std::vector<uint32_t>& addresses);

// Takes over rawSocket (from OpenRawSocket, INVALID_SOCKET when that failed) and binds it to the
// address at interfaceIndex of a fresh query, receiving every IPv4 datagram (unless kind leaves
// receive-all off), non-blocking and readable through networkEvent. On failure the socket is closed
// and the failing step's text returned.
OpenedSocket OpenReceiveAllSocket(SOCKET rawSocket, int32_t interfaceIndex, WSAEVENT networkEvent,
                                  const CaptureSocketKind& kind = CaptureSocketKind{});

// The open's buffer step: asks for a receive buffer of kRawReceiveBufferBytes on socket. The provider
// may refuse, and capture goes on with the buffer it has.
void EnlargeReceiveBuffer(SOCKET socket);

// Switches receive-all off on a socket from OpenReceiveAllSocket; false when the provider refused.
bool SwitchReceiveAllOff(SOCKET socket);
