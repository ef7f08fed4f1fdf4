// UDP datagrams the real-packet tests send, and the checks of what the capture kept of them.
#pragma once

#include "CaptureSockets.h"

#include <cstdint>
#include <string>
#include <vector>

constexpr uint16_t kTestPort = 40123;

using Bytes = std::vector<unsigned char>;

struct Datagram {
    const char* from;
    const char* to;
    std::string payload;
};

// size bytes that differ from one sequence number to the next.
std::string Payload(int sequence, size_t size);
// One datagram per size, from empty to the largest that fits one 1,500-byte frame.
std::vector<Datagram> Datagrams(const char* from, const char* to, int seed);
// Sends each datagram to kTestPort from the calling thread's namespace.
void SendAll(const std::vector<Datagram>& datagrams);
class UdpSink;
// Sends each datagram as SendAll does, each once sink (at their destination) has taken the one
// before, and then a marker along the same path: a capture has seen every datagram pass before it.
void SendAllThenMarker(const std::vector<Datagram>& datagrams, UdpSink& sink);

unsigned Word(const Bytes& bytes, size_t offset);
// captured holds the first cutTo bytes (or all) of the IPv4 datagram that carried sent: a 20-byte
// header with the right length, protocol and addresses, then the UDP header and the payload.
void ExpectUdpDatagram(const Bytes& captured, const Datagram& sent, size_t cutTo = SIZE_MAX);
void ExpectCaptured(const std::vector<Bytes>& captured, const std::vector<Datagram>& sent);

// Receives until the marker of SendAllThenMarker comes, or until nothing arrives for a long wait;
// the caller compares what came before the marker.
std::vector<Bytes> ReceiveAll(CaptureSockets& sockets, SocketHandle socket);
// True when the socket becomes readable within the time.
bool Readable(SocketHandle socket, int timeoutMs);
