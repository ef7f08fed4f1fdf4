// The Windows backend on real loopback datagrams: a capture socket the provider grants (a raw socket
// of one protocol on 127.0.0.1), UDP senders, a flood, and the checks of what the engine stored.
#pragma once

#include "Capture.h"
#include "windows/WinSockCaptureSockets.h"

#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

using Bytes = std::vector<unsigned char>;

// The engine sees one interface, 127.0.0.1, at position 0.
constexpr int32_t kLoopbackIndex = 0;

// The Windows backend's sockets with a raw socket of protocol on 127.0.0.1, without receive-all.
class LoopbackSockets : public WinSockCaptureSockets {
public:
    explicit LoopbackSockets(int protocol);
};

// The host's threads and memory with those sockets and their one address.
class LoopbackCaptureSystem {
public:
    explicit LoopbackCaptureSystem(int protocol) : m_sockets(protocol) {}
    operator CaptureSystem() {
        const CaptureSystem host = HostCaptureSystem();
        return {host.threads, m_sockets, m_sockets, host.memory};
    }

private:
    LoopbackSockets m_sockets;
};

// Empty when this process may open a raw UDP socket; otherwise why not, for a loud skip.
std::string RawSocketRefusal();

// size bytes that differ from one sequence number to the next.
std::string Payload(int sequence, size_t size);

// A UDP socket on 127.0.0.1 with a port of its own.
class LoopbackUdpSocket {
public:
    LoopbackUdpSocket();
    LoopbackUdpSocket(const LoopbackUdpSocket&) = delete;
    LoopbackUdpSocket& operator=(const LoopbackUdpSocket&) = delete;
    ~LoopbackUdpSocket();

    uint16_t Port() const { return m_port; }
    // Sends payload to 127.0.0.1:port; false when the provider refused it.
    bool SendTo(uint16_t port, const std::string& payload) const;
    // Receives up to count datagrams, each within a hang guard of seconds; returns how many came.
    int Receive(int count) const;

private:
    SOCKET m_socket;
    uint16_t m_port = 0;
};

// A sender and the socket it sends to (which takes the datagrams in, so that no port-unreachable
// replies are made); the sender's port tells its datagrams apart from anything else on loopback.
class LoopbackPair {
public:
    bool Send(const std::string& payload) const { return m_sender.SendTo(m_sink.Port(), payload); }
    uint16_t SenderPort() const { return m_sender.Port(); }
    uint16_t SinkPort() const { return m_sink.Port(); }
    // How many of the next count datagrams reached the sink (each within a hang guard).
    int SinkReceives(int count) const { return m_sink.Receive(count); }

private:
    LoopbackUdpSocket m_sink;
    LoopbackUdpSocket m_sender;
};

// Sends small datagrams over its own pair, as fast as it can, until destroyed.
class LoopbackFlood {
public:
    LoopbackFlood();
    LoopbackFlood(const LoopbackFlood&) = delete;
    LoopbackFlood& operator=(const LoopbackFlood&) = delete;
    ~LoopbackFlood();

    uint32_t Sent() const { return m_sent.load(); }

private:
    std::atomic<bool> m_running{true};
    std::atomic<uint32_t> m_sent{0};
    std::thread m_thread;
};

// The stored packets, in order, that pair sent (those whose UDP ports are the pair's).
std::vector<Bytes> StoredFrom(const CCapture& engine, const LoopbackPair& pair);

// stored holds the first cutTo bytes (or all) of the IPv4 datagram that carried payload over pair:
// the 20-byte header with length, protocol and addresses, then the UDP header and the payload.
void ExpectUdpDatagram(const Bytes& stored, const LoopbackPair& pair, const std::string& payload,
                       size_t cutTo = SIZE_MAX);
