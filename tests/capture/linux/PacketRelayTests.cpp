// The helper's relay driven step by step by the test, which plays both the helper's service loop and
// the program: the program's reader holds back or reads exactly when the test says.
#include "LinuxDatagrams.h"
#include "NamespaceTest.h"
#include "PacketRelay.h"
#include "RelayLayout.h"
#include "RelayReader.h"
#include "UniqueFd.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>

namespace {

constexpr size_t kLargest = 65507; // a 65,535-byte datagram: seven to a block

// The service loop: pumps whenever the socket or the freed eventfd is ready, until done (hang
// guard: false when neither is ready for 5 s).
bool PumpUntil(PacketRelay& relay, const std::function<bool()>& done) {
    bool more = false;
    while (!done()) {
        pollfd polled[] = {{relay.WatchedSocket(), POLLIN, 0}, {relay.WatchedFreed(), POLLIN, 0}};
        if (!more && poll(polled, 2, 5000) <= 0) {
            return false;
        }
        more = relay.Pump();
    }
    return true;
}

// The records in the blocks published and not given back.
size_t Published(unsigned char* area) {
    size_t records = 0;
    for (unsigned block = 0; block < kRelayBlockCount; ++block) {
        uint32_t used = 0;
        std::memcpy(&used, RelayBlock(area, block), sizeof used);
        for (size_t at = 0; *RelayStatus(area, block) == kRelayBlockReady && at < used; ++records) {
            RelayRecord record{};
            std::memcpy(&record, RelayBlock(area, block) + kRelayBlockHeaderBytes + at, sizeof record);
            at += RelayRecordBytes(record.length);
        }
    }
    return records;
}

// How many datagrams the reader can take now.
size_t ReadAll(RelayReader& reader) {
    static unsigned char buffer[65535];
    timespec arrival{};
    size_t read = 0;
    for (; reader.Next(buffer, sizeof buffer, arrival) >= 0; ++read) {
    }
    return read;
}

class PacketRelayTest : public NamespaceTest {
protected:
    // Runs check in namespace a with a relay of its loopback, the area mapped for the test's own looks.
    void WithRelay(const std::function<void(PacketRelay&, unsigned char*, RelayReader&)>& check) {
        m_namespaces->RunInA([&] {
            UdpSink sink("127.0.0.1", kTestPort);
            std::string failure;
            const std::unique_ptr<PacketRelay> relay = PacketRelay::Open("lo", failure);
            ASSERT_NE(relay, nullptr) << failure;
            void* area = mmap(nullptr, kRelayAreaBytes, PROT_READ | PROT_WRITE, MAP_SHARED, relay->AreaFd(), 0);
            ASSERT_NE(area, MAP_FAILED);
            const std::unique_ptr<RelayReader> reader = RelayReader::Map(relay->AreaFd(), relay->FreedFd());
            ASSERT_NE(reader, nullptr);
            check(*relay, static_cast<unsigned char*>(area), *reader);
            munmap(area, kRelayAreaBytes);
        });
    }
};

void SendLargest(int count, int first = 0) {
    for (int i = 0; i < count; ++i) {
        SendUdp("127.0.0.1", "127.0.0.1", kTestPort, Payload(first + i, kLargest));
    }
}

} // namespace

// A program that falls behind by every block once: the helper fills them all and waits; the
// program's first freed block wakes it, and every datagram comes through.
TEST_F(PacketRelayTest, AProgramThatFellBehindByEveryBlockWakesTheWaitingHelperAndLosesNothing) {
    WithRelay([](PacketRelay& relay, unsigned char* area, RelayReader& reader) {
        size_t sent = 0;
        // Seven at a time, each lot copied before the next, so that the kernel's ring never overflows.
        while (relay.WatchedFreed() < 0 && sent < 40 * 7) {
            SendLargest(7, static_cast<int>(sent));
            sent += 7;
            ASSERT_TRUE(PumpUntil(relay, [&] { return relay.WatchedFreed() >= 0 || Published(area) == sent; }));
        }
        ASSERT_GE(relay.WatchedFreed(), 0) << "the helper never waited for a block";
        EXPECT_EQ(relay.WatchedSocket(), -1);
        EXPECT_EQ(__atomic_load_n(&reinterpret_cast<RelayHeader*>(area)->waitingForBlock, __ATOMIC_SEQ_CST), 1u);

        size_t read = 0;
        EXPECT_TRUE(PumpUntil(relay, [&] { return (read += ReadAll(reader)) == sent; })) << read << " of " << sent;
        SendLargest(7);
        EXPECT_TRUE(PumpUntil(relay, [&] { return (read += ReadAll(reader)) == sent + 7; })) << "capture froze";
        EXPECT_EQ(reader.TakeLost().kernelDropped, 0u);
    });
}

// Drops are published as the helper copies, before any stop, and add up with what it copied to
// what was sent.
TEST_F(PacketRelayTest, KernelDropsReachTheProgramDuringCapture) {
    WithRelay([](PacketRelay& relay, unsigned char* area, RelayReader& reader) {
        constexpr size_t kSent = 150; // more than the kernel's ring holds of the largest
        SendLargest(kSent);
        size_t read = 0;
        uint64_t lost = 0;
        EXPECT_TRUE(PumpUntil(
            relay, [&] { return (read += ReadAll(reader)) + (lost += reader.TakeLost().kernelDropped) == kSent; }))
            << read << " read, " << lost << " lost";
        EXPECT_GT(lost, 0u);
        EXPECT_EQ(reinterpret_cast<RelayHeader*>(area)->stopCounted, 0u);
    });
}

// At a stop the capture holds what was copied and what the ring still holds, and nothing that
// arrives after it: a datagram a socket has taken in after the stop has passed the tap.
TEST_F(PacketRelayTest, AStopHoldsWhatWasCopiedAndWhatTheRingHeldAndNothingAfter) {
    WithRelay([](PacketRelay& relay, unsigned char* area, RelayReader& reader) {
        const UniqueFd marker(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        const sockaddr_in to = SocketAddress("127.0.0.1", kTestPort + 1);
        ASSERT_EQ(bind(marker.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to), 0);
        SendLargest(10);
        ASSERT_TRUE(PumpUntil(relay, [&] { return Published(area) == 10; }));
        SendLargest(5, 10);
        relay.StopArrivals();
        SendUdp("127.0.0.1", "127.0.0.1", kTestPort + 1, "after the stop");
        char taken[32];
        ASSERT_EQ(recv(marker.get(), taken, sizeof taken, 0), 14);
        while (relay.Pump()) {
        }

        EXPECT_EQ(reinterpret_cast<RelayHeader*>(area)->heldAtStop, 15u);
        EXPECT_EQ(ReadAll(reader), 15u);
        EXPECT_TRUE(reader.Finished());
        EXPECT_EQ(reader.TakeLost().unreadAtStop, 0u);
    });
}
