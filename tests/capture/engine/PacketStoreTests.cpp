// Packet store: counts and totals, arrival order, time stamps, and appends that cannot grow the store.
#include "PacketStore.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <new>
#include <vector>

namespace {

LocalTime g_now{7, 3, 9, 5};
int g_stampsLeft = 0;

LocalTime FixedClock() {
    return g_now;
}

// Runs out of memory after g_stampsLeft stamps.
LocalTime ExhaustedClock() {
    if (g_stampsLeft-- <= 0) {
        throw std::bad_alloc();
    }
    return g_now;
}

unsigned char* NewBuffer(std::initializer_list<unsigned char> bytes) {
    unsigned char* buffer = new unsigned char[bytes.size() ? bytes.size() : 1];
    std::copy(bytes.begin(), bytes.end(), buffer);
    return buffer;
}

std::vector<unsigned char> StoredBytes(const CPacketStore& store, int32_t index) {
    const PacketView view = store.Get(index);
    return std::vector<unsigned char>(view.bytes, view.bytes + view.length);
}

} // namespace

TEST(PacketStore, NewAndClearedStoresAreEmpty) {
    CPacketStore store(FixedClock);
    EXPECT_EQ(store.Count(), 0);
    EXPECT_EQ(store.TotalBytes(), 0u);
    store.Clear();
    EXPECT_EQ(store.Count(), 0);

    store.Add(NewBuffer({1, 2, 3}), 3);
    store.Add(NewBuffer({4}), 1);
    store.Clear();
    EXPECT_EQ(store.Count(), 0);
    EXPECT_EQ(store.TotalBytes(), 0u);

    store.Add(NewBuffer({9, 8}), 2);
    EXPECT_EQ(store.Count(), 1);
    EXPECT_EQ(store.TotalBytes(), 2u);
    EXPECT_EQ(StoredBytes(store, 0), (std::vector<unsigned char>{9, 8}));
}

TEST(PacketStore, KeepsArrivalOrderLengthsAndTotal) {
    CPacketStore store(FixedClock);
    store.Add(NewBuffer({1, 2, 3}), 3);
    store.Add(NewBuffer({}), 0);
    store.Add(NewBuffer({5, 6, 7, 8, 9}), 5);

    ASSERT_EQ(store.Count(), 3);
    EXPECT_EQ(store.TotalBytes(), 8u);
    EXPECT_EQ(StoredBytes(store, 0), (std::vector<unsigned char>{1, 2, 3}));
    EXPECT_EQ(store.Get(1).length, 0u);
    EXPECT_EQ(StoredBytes(store, 2), (std::vector<unsigned char>{5, 6, 7, 8, 9}));
}

TEST(PacketStore, EmptyPacketsCountWithoutBytesAndNeverReadAsNull) {
    CPacketStore store(FixedClock);
    store.Add(NewBuffer({}), 0);
    store.Add(nullptr, 0);
    store.Add(NewBuffer({}), 0);

    EXPECT_EQ(store.Count(), 3);
    EXPECT_EQ(store.TotalBytes(), 0u);
    for (int32_t index = 0; index < store.Count(); ++index) {
        EXPECT_NE(store.Get(index).bytes, nullptr) << "packet " << index;
        EXPECT_EQ(store.Get(index).length, 0u);
    }
}

TEST(PacketStore, TimeStampsAreZeroPaddedLocalTimes) {
    const struct {
        LocalTime time;
        const char* text;
    } cases[] = {
        {{7, 3, 9, 5}, "07:03:09.005"},      {{9, 5, 7, 42}, "09:05:07.042"},    {{0, 0, 0, 0}, "00:00:00.000"},
        {{23, 59, 59, 999}, "23:59:59.999"}, {{12, 30, 0, 100}, "12:30:00.100"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatTimeStamp(c.time), c.text);
        g_now = c.time;
        CPacketStore store(FixedClock);
        store.Add(NewBuffer({1}), 1);
        EXPECT_EQ(store.Get(0).timeStamp, c.text);
    }
}

TEST(PacketStore, PacketsOfOneMillisecondShareTheStampAndKeepTheirOrder) {
    g_now = LocalTime{10, 20, 30, 400};
    CPacketStore store(FixedClock);
    for (unsigned char marker = 0; marker < 5; ++marker) {
        store.Add(NewBuffer({marker}), 1);
    }
    for (int32_t index = 0; index < 5; ++index) {
        EXPECT_EQ(store.Get(index).timeStamp, "10:20:30.400");
        EXPECT_EQ(store.Get(index).bytes[0], index);
    }
}

// Stamps are formatted once per reading of the clock and shared while it stays the same: a change
// in any one field, the millisecond alone or everything but the millisecond, gives a new text.
TEST(PacketStore, ASharedStampChangesWithAnyFieldOfTheClock) {
    const LocalTime readings[] = {{10, 20, 30, 400}, {10, 20, 30, 400}, {10, 20, 30, 401}, {10, 20, 31, 401},
                                  {10, 21, 31, 401}, {11, 21, 31, 401}, {11, 21, 31, 401}, {10, 20, 30, 400}};
    const char* texts[] = {"10:20:30.400", "10:20:30.400", "10:20:30.401", "10:20:31.401",
                           "10:21:31.401", "11:21:31.401", "11:21:31.401", "10:20:30.400"};
    CPacketStore store(FixedClock);
    for (const LocalTime& reading : readings) {
        g_now = reading;
        store.Add(NewBuffer({1}), 1);
    }
    ASSERT_EQ(store.Count(), 8);
    for (int32_t index = 0; index < 8; ++index) {
        EXPECT_EQ(store.Get(index).timeStamp, texts[index]) << "packet " << index;
    }
}

// The buffer of a refused append is released (the leak checker of the sanitizer build would say
// otherwise) and every array keeps its length, so later packets land at the right index.
TEST(PacketStore, AppendThatCannotGrowLeavesTheStoreAsItWas) {
    g_now = LocalTime{1, 2, 3, 4};
    g_stampsLeft = 2;
    CPacketStore store(ExhaustedClock);
    EXPECT_TRUE(store.TryAdd(NewBuffer({1, 1}), 2));
    EXPECT_TRUE(store.TryAdd(NewBuffer({2}), 1));
    EXPECT_FALSE(store.TryAdd(NewBuffer({3, 3, 3}), 3));
    store.Add(NewBuffer({4, 4, 4, 4}), 4);

    EXPECT_EQ(store.Count(), 2);
    EXPECT_EQ(store.TotalBytes(), 3u);

    g_stampsLeft = 1;
    EXPECT_TRUE(store.TryAdd(NewBuffer({5}), 1));
    ASSERT_EQ(store.Count(), 3);
    EXPECT_EQ(StoredBytes(store, 2), (std::vector<unsigned char>{5}));
    EXPECT_EQ(store.Get(2).timeStamp, "01:02:03.004");
    EXPECT_EQ(store.TotalBytes(), 4u);
}
