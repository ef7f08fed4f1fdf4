// The two shared memories the capture reads, laid out by hand in a memfd: the relay area as the
// program reads it, and the kernel's receive ring as the helper reads it once sealed.
#include "PacketRing.h"
#include "RelayLayout.h"
#include "RelayReader.h"
#include "UniqueFd.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <tuple>
#include <vector>

#include <linux/if_packet.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// A memfd of bytes and the test's own mapping of it.
struct Memory {
    explicit Memory(size_t size) : fd(memfd_create("sorvane-test", MFD_CLOEXEC)), bytes(size) {
        EXPECT_EQ(ftruncate(fd.get(), static_cast<off_t>(size)), 0);
        base = static_cast<unsigned char*>(mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd.get(), 0));
    }
    ~Memory() { munmap(base, bytes); }
    UniqueFd fd;
    size_t bytes;
    unsigned char* base;
};

} // namespace

TEST(RelayReaderTest, AnAreaOfAnotherSizeIsRefused) {
    for (size_t size : {size_t{0}, kRelayAreaBytes - 4096, kRelayAreaBytes + 4096}) {
        Memory area(size);
        errno = 0;
        EXPECT_EQ(RelayReader::Map(area.fd.get(), -1), nullptr) << size;
        EXPECT_EQ(errno, EINVAL);
    }
}

// Block 0 says it holds a 4-byte record and a second one; a second record longer than what is
// left of the block, or a header cut short, ends the block unread, and block 1 follows.
TEST(RelayReaderTest, ARecordThatDoesNotFitItsBlockEndsTheBlockUnread) {
    const struct {
        uint32_t used;
        uint32_t secondLength;
        std::vector<int32_t> read;
    } cases[] = {{48, 8, {4, 8, 3}}, {48, 9, {4, 3}}, {48, 0xFFFFFFFF, {4, 3}}, {32, 0, {4, 3}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.secondLength);
        Memory area(kRelayAreaBytes);
        // Blocks, their used bytes, and their records at 8-byte offsets from the first.
        for (auto [block, at, value] :
             {std::tuple{0u, 0u, c.used}, {0u, 1u, 4u}, {0u, 4u, c.secondLength}, {1u, 0u, 24u}, {1u, 1u, 3u}}) {
            std::memcpy(RelayBlock(area.base, block) + at * 8, &value, sizeof value);
            *RelayStatus(area.base, block) = kRelayBlockReady;
        }
        const std::unique_ptr<RelayReader> reader = RelayReader::Map(area.fd.get(), -1);
        ASSERT_NE(reader, nullptr);
        std::vector<int32_t> read;
        unsigned char buffer[64];
        timespec arrival{};
        for (int32_t length = 0; (length = reader->Next(buffer, sizeof buffer, arrival)) >= 0;) {
            read.push_back(length);
        }
        EXPECT_EQ(read, c.read);
        EXPECT_EQ(*RelayStatus(area.base, 0), kRelayBlockFree);
    }
}

// Block 0 handed over with two frames, block 1 still the kernel's with three: the open block when
// numbered next after block 0, a stale one from the ring's last lap otherwise. Sealed, the reader
// ends the ring with the open block, never with a stale one, and counts what it leaves as lost.
TEST(PacketRingTest, SealedTheOpenBlockIsReadAndAStaleOneIsNot) {
    const struct {
        uint64_t sequence;
        uint32_t frames;
        uint64_t lostAfterOne;
    } cases[] = {{18, 5, 4}, {2, 2, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sequence);
        for (bool readAll : {true, false}) {
            Memory memory(kRingBytes);
            for (unsigned index = 0; index < 2; ++index) {
                unsigned char* at = memory.base + index * kRingBlockBytes;
                reinterpret_cast<tpacket_block_desc*>(at)->hdr.bh1 = {index == 0 ? TP_STATUS_USER : TP_STATUS_KERNEL,
                                                                      index == 0 ? 2u : 3u,
                                                                      64,
                                                                      0,
                                                                      index == 0 ? 17 : c.sequence,
                                                                      {},
                                                                      {}};
                for (unsigned frame = 0; frame < 3; ++frame) {
                    *reinterpret_cast<tpacket3_hdr*>(at + 64 + frame * 128) = {128, 0, 0, 20, 20, 0, 64, 64, {}, {}};
                }
            }
            const std::unique_ptr<PacketRing> ring = PacketRing::Map(memory.fd.get());
            ASSERT_NE(ring, nullptr);
            RingFrame frame{};
            uint32_t frames = 0;
            for (; (readAll || frames == 0) && frames < 10 && ring->Peek(frame); ++frames) {
                ring->Advance();
            }
            ring->Seal();
            if (readAll) {
                EXPECT_EQ(frames, 2u) << "the open block read before the seal";
                for (; frames < 10 && ring->Peek(frame); ++frames) {
                    ring->Advance();
                }
                EXPECT_EQ(frames, c.frames);
            } else {
                EXPECT_EQ(ring->TakeLost(), c.lostAfterOne);
                EXPECT_FALSE(ring->Peek(frame)) << "a frame counted lost is still read";
            }
        }
    }
}
