// UDP datagrams the real-packet tests send, and the checks of what the capture kept of them.
#include "LinuxDatagrams.h"

#include "NamespacePair.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include <poll.h>

namespace {

constexpr uint32_t kCapacity = 65535;
constexpr int kArrivalWaitMs = 2000;
const std::string kMarker = "end of datagrams";

} // namespace

std::string Payload(int sequence, size_t size) {
    std::string payload(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        payload[i] = static_cast<char>(sequence * 31 + i);
    }
    return payload;
}

std::vector<Datagram> Datagrams(const char* from, const char* to, int seed) {
    const size_t sizes[] = {0, 1, 18, 72, 73, 999, 1472};
    std::vector<Datagram> datagrams;
    for (size_t size : sizes) {
        datagrams.push_back({from, to, Payload(seed + static_cast<int>(datagrams.size()), size)});
    }
    return datagrams;
}

void SendAll(const std::vector<Datagram>& datagrams) {
    for (const Datagram& datagram : datagrams) {
        SendUdp(datagram.from, datagram.to, kTestPort, datagram.payload);
    }
}

void SendAllThenMarker(const std::vector<Datagram>& datagrams, UdpSink& sink) {
    for (const Datagram& datagram : datagrams) {
        SendUdp(datagram.from, datagram.to, kTestPort, datagram.payload);
        EXPECT_TRUE(sink.Take());
    }
    SendUdp(datagrams.back().from, datagrams.back().to, kTestPort, kMarker);
}

unsigned Word(const Bytes& bytes, size_t offset) {
    return (bytes[offset] << 8) | bytes[offset + 1];
}

void ExpectUdpDatagram(const Bytes& captured, const Datagram& sent, size_t cutTo) {
    const size_t total = 20 + 8 + sent.payload.size();
    ASSERT_EQ(captured.size(), std::min(total, cutTo));
    ASSERT_GE(captured.size(), 28u) << "the tests cut no deeper than the UDP header";
    EXPECT_EQ(captured[0], 0x45) << "version 4, header length 5 words";
    EXPECT_EQ(Word(captured, 2), total) << "IP total length";
    EXPECT_EQ(captured[9], 17) << "protocol UDP";
    const uint32_t from = AddressValue(sent.from);
    const uint32_t to = AddressValue(sent.to);
    EXPECT_EQ(std::memcmp(&captured[12], &from, 4), 0) << "source " << sent.from;
    EXPECT_EQ(std::memcmp(&captured[16], &to, 4), 0) << "destination " << sent.to;
    EXPECT_EQ(Word(captured, 22), kTestPort);
    EXPECT_EQ(Word(captured, 24), 8 + sent.payload.size()) << "UDP length";
    EXPECT_EQ(std::string(captured.begin() + 28, captured.end()), sent.payload.substr(0, captured.size() - 28));
}

void ExpectCaptured(const std::vector<Bytes>& captured, const std::vector<Datagram>& sent) {
    ASSERT_EQ(captured.size(), sent.size());
    for (size_t i = 0; i < sent.size(); ++i) {
        SCOPED_TRACE("datagram " + std::to_string(i));
        ExpectUdpDatagram(captured[i], sent[i]);
    }
}

bool Readable(SocketHandle socket, int timeoutMs) {
    pollfd polled{static_cast<int>(socket), POLLIN, 0};
    return poll(&polled, 1, timeoutMs) > 0;
}

std::vector<Bytes> ReceiveAll(CaptureSockets& sockets, SocketHandle socket) {
    std::vector<Bytes> captured;
    Bytes buffer(kCapacity);
    for (;;) {
        const ReceiveResult result = sockets.Receive(socket, buffer.data(), kCapacity);
        if (result.bytes >= 0) {
            if (std::string(buffer.begin() + 28, buffer.begin() + std::max(result.bytes, 28)) == kMarker) {
                return captured;
            }
            captured.emplace_back(buffer.begin(), buffer.begin() + result.bytes);
            continue;
        }
        if (result.error != ReceiveResult::kWouldBlock) {
            ADD_FAILURE() << sockets.ReceiveFailureText(result.error);
            return captured;
        }
        if (!Readable(socket, kArrivalWaitMs)) {
            ADD_FAILURE() << "no marker after the datagrams";
            return captured;
        }
    }
}
