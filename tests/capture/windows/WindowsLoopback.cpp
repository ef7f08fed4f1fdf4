// The Windows backend on real loopback datagrams: a capture socket the provider grants (a raw socket
// of one protocol on 127.0.0.1), UDP senders, a flood, and the checks of what the engine stored.
#include "WindowsLoopback.h"

#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const uint32_t kLoopback = htonl(INADDR_LOOPBACK);
constexpr size_t kHeaders = 20 + 8;
constexpr size_t kFloodPayload = 36;

CaptureSocketKind LoopbackKind(int protocol) {
    CaptureSocketKind kind;
    kind.protocol = protocol;
    kind.receiveAll = false;
    kind.onlyAddress = kLoopback;
    return kind;
}

unsigned Word(const Bytes& bytes, size_t offset) {
    return (bytes[offset] << 8) | bytes[offset + 1];
}

sockaddr_in LoopbackAddress(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = kLoopback;
    address.sin_port = htons(port);
    return address;
}

} // namespace

LoopbackSockets::LoopbackSockets(int protocol) : WinSockCaptureSockets(LoopbackKind(protocol)) {}

std::string RawSocketRefusal() {
    const SOCKET probe = WSASocketA(AF_INET, SOCK_RAW, IPPROTO_UDP, nullptr, 0, WSA_FLAG_OVERLAPPED);
    if (probe != INVALID_SOCKET) {
        closesocket(probe);
        return "";
    }
    return "NOT RUN: no raw UDP socket (error " + std::to_string(WSAGetLastError()) +
           "); under Wine the Wine server must run as root or with CAP_NET_RAW";
}

std::string Payload(int sequence, size_t size) {
    std::string payload(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        payload[i] = static_cast<char>(sequence * 31 + i);
    }
    return payload;
}

LoopbackUdpSocket::LoopbackUdpSocket() : m_socket(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)) {
    sockaddr_in local = LoopbackAddress(0);
    int length = sizeof local;
    EXPECT_EQ(bind(m_socket, reinterpret_cast<const sockaddr*>(&local), sizeof local), 0);
    EXPECT_EQ(getsockname(m_socket, reinterpret_cast<sockaddr*>(&local), &length), 0);
    m_port = ntohs(local.sin_port);
    // Room for every datagram a test sends to it, so that none is refused on the way.
    int size = 8 * 1024 * 1024;
    setsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&size), sizeof size);
}

LoopbackUdpSocket::~LoopbackUdpSocket() {
    closesocket(m_socket);
}

bool LoopbackUdpSocket::SendTo(uint16_t port, const std::string& payload) const {
    const sockaddr_in to = LoopbackAddress(port);
    return sendto(m_socket, payload.data(), static_cast<int>(payload.size()), 0, reinterpret_cast<const sockaddr*>(&to),
                  sizeof to) == static_cast<int>(payload.size());
}

int LoopbackUdpSocket::Receive(int count) const {
    // A hang guard only: a datagram on loopback arrives within milliseconds.
    const DWORD guardMs = 10000;
    setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&guardMs), sizeof guardMs);
    char buffer[65536];
    int received = 0;
    while (received < count && recv(m_socket, buffer, sizeof buffer, 0) >= 0) {
        ++received;
    }
    return received;
}

LoopbackFlood::LoopbackFlood()
    : m_thread([this] {
          const LoopbackPair pair;
          const std::string payload = Payload(2, kFloodPayload);
          while (m_running.load()) {
              m_sent += pair.Send(payload) ? 1 : 0;
          }
      }) {}

LoopbackFlood::~LoopbackFlood() {
    m_running = false;
    m_thread.join();
}

std::vector<Bytes> StoredFrom(const CCapture& engine, const LoopbackPair& pair) {
    std::vector<Bytes> stored;
    for (int32_t i = 0; i < engine.Count(); ++i) {
        const PacketView view = engine.Get(i);
        Bytes bytes(view.bytes, view.bytes + view.length);
        if (bytes.size() >= 24 && Word(bytes, 20) == pair.SenderPort() && Word(bytes, 22) == pair.SinkPort()) {
            stored.push_back(std::move(bytes));
        }
    }
    return stored;
}

void ExpectUdpDatagram(const Bytes& stored, const LoopbackPair& pair, const std::string& payload, size_t cutTo) {
    const size_t total = kHeaders + payload.size();
    ASSERT_EQ(stored.size(), std::min(total, cutTo));
    ASSERT_GE(stored.size(), 24u) << "the tests cut no deeper than the UDP ports";
    EXPECT_EQ(stored[0], 0x45) << "version 4, header length 5 words";
    EXPECT_EQ(Word(stored, 2), total) << "IP total length";
    EXPECT_EQ(stored[9], 17) << "protocol UDP";
    EXPECT_EQ(Bytes(stored.begin() + 12, stored.begin() + 20), Bytes({127, 0, 0, 1, 127, 0, 0, 1}))
        << "source and destination 127.0.0.1";
    EXPECT_EQ(Word(stored, 20), pair.SenderPort());
    EXPECT_EQ(Word(stored, 22), pair.SinkPort());
    if (stored.size() >= kHeaders) {
        EXPECT_EQ(Word(stored, 24), 8 + payload.size()) << "UDP length";
        EXPECT_EQ(std::string(stored.begin() + kHeaders, stored.end()), payload.substr(0, stored.size() - kHeaders));
    }
}
