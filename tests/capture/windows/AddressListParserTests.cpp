// Tests of reading local addresses out of a socket address list, including lists that lie.
#include "AddressListParser.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using Address = std::array<unsigned char, 4>;

// Where the provider claims to have written the list: above 4 GiB, so the high pointer bytes count.
constexpr uintptr_t kBase = static_cast<uintptr_t>(0x000001F234567000ull);

void PutLittleEndian(std::vector<unsigned char>& bytes, size_t at, uint64_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

// A list as the provider writes it: count, entries, then the socket addresses after the entries
// (here in reverse order, so that reading them in sequence instead of through the pointers fails).
std::vector<unsigned char> BuildList(const std::vector<Address>& addresses) {
    const size_t entries = 8 + 16 * addresses.size();
    std::vector<unsigned char> bytes(entries + 16 * addresses.size(), 0xEE);
    PutLittleEndian(bytes, 0, addresses.size(), 4);
    for (size_t i = 0; i < addresses.size(); ++i) {
        const size_t sockaddrAt = entries + 16 * (addresses.size() - 1 - i);
        PutLittleEndian(bytes, 8 + 16 * i, kBase + sockaddrAt, 8);
        PutLittleEndian(bytes, 8 + 16 * i + 8, 16, 4);
        PutLittleEndian(bytes, sockaddrAt, 2, 2); // AF_INET
        PutLittleEndian(bytes, sockaddrAt + 2, 0, 2);
        std::memcpy(&bytes[sockaddrAt + 4], addresses[i].data(), 4);
    }
    return bytes;
}

Address BytesOf(uint32_t address) {
    Address bytes;
    std::memcpy(bytes.data(), &address, 4);
    return bytes;
}

bool Parse(const std::vector<unsigned char>& bytes, std::vector<uint32_t>& addresses) {
    return ParseSocketAddressList(bytes.data(), static_cast<uint32_t>(bytes.size()), kBase, addresses);
}

TEST(AddressListParser, ReadsAddressesInListOrderWithBytesAsTheySit) {
    const std::vector<std::vector<Address>> lists = {
        {{198, 51, 100, 7}},
        {{198, 51, 100, 7}, {203, 0, 113, 200}},
    };
    for (const auto& list : lists) {
        std::vector<uint32_t> addresses;
        ASSERT_TRUE(Parse(BuildList(list), addresses));
        ASSERT_EQ(addresses.size(), list.size());
        for (size_t i = 0; i < list.size(); ++i) {
            EXPECT_EQ(BytesOf(addresses[i]), list[i]) << "entry " << i;
        }
    }
}

TEST(AddressListParser, EmptyListIsNoFailure) {
    std::vector<uint32_t> addresses = {1};
    std::vector<unsigned char> countOnly = {0, 0, 0, 0};
    EXPECT_TRUE(Parse(countOnly, addresses));
    EXPECT_TRUE(addresses.empty());

    std::vector<unsigned char> withRoomForOne(24, 0);
    EXPECT_TRUE(Parse(withRoomForOne, addresses));
    EXPECT_TRUE(addresses.empty());
}

TEST(AddressListParser, RefusesCountsWhoseEntriesDoNotFit) {
    auto bytes = BuildList({{198, 51, 100, 1}, {198, 51, 100, 2}});
    for (uint64_t count : {3ull, 255ull, 0x7FFFFFFFull, 0x80000000ull, 0xFFFFFFFFull}) {
        PutLittleEndian(bytes, 0, count, 4);
        std::vector<uint32_t> addresses = {1};
        EXPECT_FALSE(Parse(bytes, addresses)) << "count " << count;
        EXPECT_TRUE(addresses.empty());
    }
}

TEST(AddressListParser, RefusesPointersOutsideTheReturnedBytes) {
    const auto good = BuildList({{198, 51, 100, 1}, {198, 51, 100, 2}});
    const uint64_t end = kBase + good.size();
    const struct {
        const char* what;
        uint64_t pointer;
        bool accepted;
    } cases[] = {
        {"just below the base", kBase - 1, false},
        {"far below the base", 0, false},
        {"address field ends at the last byte", end - 8, true},
        {"address field straddles the end", end - 7, false},
        {"sockaddr starts at the end", end, false},
        {"past the end", end + 16, false},
        {"wraps around when added to", UINT64_MAX - 2, false},
    };
    for (const auto& c : cases) {
        auto bytes = good;
        PutLittleEndian(bytes, 8 + 16, c.pointer, 8);
        std::vector<uint32_t> addresses;
        EXPECT_EQ(Parse(bytes, addresses), c.accepted) << c.what;
        EXPECT_EQ(addresses.size(), c.accepted ? 2u : 0u) << c.what;
    }
}

TEST(AddressListParser, RefusesTooFewBytesForTheCount) {
    const std::vector<unsigned char> bytes = {0, 0, 0, 0};
    for (uint32_t size = 0; size < 4; ++size) {
        std::vector<uint32_t> addresses;
        EXPECT_FALSE(ParseSocketAddressList(bytes.data(), size, kBase, addresses)) << size << " bytes";
    }
    std::vector<uint32_t> addresses;
    EXPECT_FALSE(ParseSocketAddressList(nullptr, 16, kBase, addresses));
}

// A cut list is accepted only while it still holds every address field, and nothing past the cut
// is read (the copy is exactly that long, so a sanitizer build sees any read beyond it).
TEST(AddressListParser, CutListsAreReadOnlyUpToTheCut) {
    const auto full = BuildList({{198, 51, 100, 1}, {203, 0, 113, 2}});
    // The first entry's sockaddr is the last 16 bytes; its address field ends 8 bytes before the end.
    const size_t shortestWhole = full.size() - 8;
    for (size_t size = 0; size <= full.size(); ++size) {
        std::vector<unsigned char> cut(full.begin(), full.begin() + size);
        std::vector<uint32_t> addresses;
        const bool accepted =
            ParseSocketAddressList(size ? cut.data() : full.data(), static_cast<uint32_t>(size), kBase, addresses);
        EXPECT_EQ(accepted, size >= shortestWhole) << size << " bytes";
        if (accepted) {
            ASSERT_EQ(addresses.size(), 2u);
            EXPECT_EQ(BytesOf(addresses[0]), (Address{198, 51, 100, 1}));
        }
    }
}

} // namespace
