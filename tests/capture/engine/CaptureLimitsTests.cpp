// The engine's storage limits: per-packet cutting and the total limit, including 0 and negative values.
#include "EngineTestSupport.h"

#include <cctype>
#include <cstdint>
#include <numeric>
#include <ostream>
#include <string>

namespace {

struct LimitCase {
    const char* name;
    int32_t maxPacketBytes;
    int32_t maxTotalMB;
    std::vector<uint32_t> datagrams;
    std::vector<uint32_t> storedLengths;
    bool full;
};

void PrintTo(const LimitCase& c, std::ostream* out) {
    *out << c.name;
}

std::vector<uint32_t> Repeat(uint32_t size, int times, std::vector<uint32_t> tail) {
    std::vector<uint32_t> sizes(times, size);
    sizes.insert(sizes.end(), tail.begin(), tail.end());
    return sizes;
}

// 16 datagrams of 65,535 bytes and one of 16 fill one mebibyte exactly.
const LimitCase kCases[] = {
    {"cut to the per-packet limit", 100, 16, {1500, 60, 100}, {100, 60, 100}, false},
    {"both limits zero store empty packets", 0, 0, {1500, 20, 0}, {0, 0, 0}, false},
    {"total zero refuses the first nonzero packet", 100, 0, {0, 0, 20, 20}, {0, 0}, true},
    {"per-packet minus one cuts nothing", -1, 16, {65535, 1}, {65535, 1}, false},
    {"total 4096 is not zero", 100, 4096, {1500}, {100}, false},
    {"total minus one is no limit", -1, -1, {65535, 65535}, {65535, 65535}, false},
    {"exactly at the limit is stored, one over is refused", -1, 1, Repeat(65535, 16, {16, 1, 5, 5}),
     Repeat(65535, 16, {16}), true},
    {"the cut length counts toward the total", 32768, 1, Repeat(65535, 33, {}), Repeat(32768, 32, {}), true},
};

class CaptureLimits : public EngineTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(CaptureLimits, StoresWhatTheLimitsAllow) {
    const LimitCase& c = GetParam();
    ASSERT_TRUE(engine.LaunchThread());
    engine.Start(0, StorageLimits{c.maxPacketBytes, c.maxTotalMB});
    for (size_t index = 0; index < c.datagrams.size(); ++index) {
        fake.QueueDatagramOfSize(c.datagrams[index], static_cast<unsigned char>(index));
    }
    const int stored = static_cast<int>(c.storedLengths.size());
    ASSERT_TRUE(poster.WaitForPackets(stored));
    if (c.full) {
        ASSERT_TRUE(poster.WaitForCount(WM_CAPTURE_FULL, 1));
    }
    engine.Stop();

    ASSERT_EQ(engine.Count(), stored);
    for (int index = 0; index < stored; ++index) {
        ASSERT_EQ(StoredBytes(engine, index), PatternPrefix(c.storedLengths[index], static_cast<unsigned char>(index)))
            << "packet " << index;
    }
    EXPECT_EQ(engine.TotalBytes(), std::accumulate(c.storedLengths.begin(), c.storedLengths.end(), 0u));
    EXPECT_EQ(poster.PacketsAnnounced(), stored);
    EXPECT_EQ(poster.CountOf(WM_CAPTURE_FULL), c.full ? 1 : 0);
    EXPECT_TRUE(poster.LogTexts().empty());
    if (c.full) {
        // Nothing is read once the limit refused a datagram.
        EXPECT_EQ(fake.QueuedItems(), c.datagrams.size() - c.storedLengths.size() - 1);
    }
    // Every notice counts at least one packet, and all of them come before the storage-full one.
    bool fullSeen = false;
    for (const PostedMessage& posted : poster.Messages()) {
        EXPECT_FALSE(fullSeen) << "a notice after WM_CAPTURE_FULL";
        fullSeen = posted.message == WM_CAPTURE_FULL;
        EXPECT_GE(posted.wParam, 1u);
        EXPECT_EQ(posted.lParam, 0);
    }
}

// A full store takes nothing more, so the thread stops waking for a socket that stays readable: the
// waits that follow the full notice end on their time-out, none for data.
TEST_F(EngineTest, AFullStoreStopsWakingForItsStillReadableSocket) {
    ASSERT_TRUE(engine.LaunchThread());
    engine.Start(0, StorageLimits{-1, 1});
    // Sixteen fill one mebibyte all but 16 bytes; the seventeenth is refused and three stay queued.
    for (int index = 0; index < 20; ++index) {
        fake.QueueDatagramOfSize(65535, static_cast<unsigned char>(index));
    }
    ASSERT_TRUE(poster.WaitForCount(WM_CAPTURE_FULL, 1));
    const int wakesForData = fake.NetworkWakes();
    ASSERT_TRUE(fake.WaitForWaits(fake.Waits() + 3));

    EXPECT_EQ(fake.NetworkWakes(), wakesForData) << "woken for the readable socket of a full store";
    EXPECT_EQ(fake.QueuedItems(), 3u);
    engine.Stop();
    EXPECT_EQ(engine.Count(), 16);
}

// What the limits let the store take, beyond what a capture can fill: the total clamped to the store's
// 32-bit byte counter, and the packets reserved for at the start.
struct StoreRoomCase {
    int32_t maxPacketBytes, maxTotalMB;
    uint64_t totalBytes;
    size_t most, packetsWithin;
};

// 4095 MB fits the counter but the reservation stops at most; 4096 MB and no limit are clamped; a
// per-packet limit of 0 divides as 1; a total of 0 has room for nothing.
const StoreRoomCase kStoreRoom[] = {
    {100, 16, 16u << 20, 1u << 20, 167772},      {100, 4095, 4095ull << 20, 1u << 20, 1u << 20},
    {1, 4096, 0xFFFFFFFF, SIZE_MAX, 0xFFFFFFFF}, {-1, -1, 0xFFFFFFFF, 1u << 20, 1},
    {0, 16, 16u << 20, 1u << 20, 1u << 20},      {100, 0, 0, 1u << 20, 0},
};

TEST(StorageLimits, TakeNoMoreThanTheStoreCanCount) {
    for (const StoreRoomCase& c : kStoreRoom) {
        SCOPED_TRACE(::testing::Message() << c.maxPacketBytes << " bytes, " << c.maxTotalMB << " MB");
        const StorageLimits limits{c.maxPacketBytes, c.maxTotalMB};
        EXPECT_EQ(limits.TotalBytes(), c.totalBytes);
        EXPECT_EQ(limits.PacketsWithin(c.most), c.packetsWithin);
        EXPECT_TRUE(c.totalBytes == 0 || limits.Admit(c.totalBytes - 1, 1));
        EXPECT_FALSE(limits.Admit(c.totalBytes, 1));
    }
}

INSTANTIATE_TEST_SUITE_P(Limits, CaptureLimits, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<LimitCase>& info) {
                             std::string name = info.param.name;
                             for (char& ch : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) {
                                     ch = '_';
                                 }
                             }
                             return name;
                         });

} // namespace
