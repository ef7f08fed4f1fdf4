// Tests of the address filter's row test: both addresses read back from list rows, whole or cut short.
#include "ExactText.h"
#include "ListRow.h"
#include "RowAddressMatch.h"
#include "TestPackets.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::string Row(const PacketFields& fields, uint32_t length = 24) {
    std::vector<unsigned char> packet = MakePacket(fields);
    ExactBuffer buffer(packet, length);
    return FormatListRow("12:00:00.000", buffer.data(), length);
}

TEST(RowAddressMatch, SourceOrDestinationMustMatchAllFourOctets) {
    const unsigned char a[4] = {192, 168, 0, 5};
    const struct {
        const char* name;
        PacketFields fields;
        bool matches;
    } cases[] = {
        {"source", {6, {192, 168, 0, 5}, {10, 0, 0, 1}, 1, 2}, true},
        {"destination", {6, {10, 0, 0, 1}, {192, 168, 0, 5}, 1, 2}, true},
        {"both", {6, {192, 168, 0, 5}, {192, 168, 0, 5}, 1, 2}, true},
        {"neither", {6, {10, 0, 0, 1}, {10, 0, 0, 2}, 1, 2}, false},
        {"last octet differs", {6, {192, 168, 0, 6}, {192, 168, 0, 4}, 1, 2}, false},
        {"first octet differs", {6, {193, 168, 0, 5}, {191, 168, 0, 5}, 1, 2}, false},
        {"split over source and destination", {6, {192, 168, 1, 1}, {1, 1, 0, 5}, 1, 2}, false},
        {"ports hold the address", {6, {1, 1, 1, 1}, {2, 2, 2, 2}, 192, 168}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RowMatchesAddress(Row(c.fields).c_str(), a), c.matches) << c.name;
    }
}

TEST(RowAddressMatch, EveryOctetValueReadsBack) {
    for (unsigned v = 0; v < 256; ++v) {
        auto b = static_cast<unsigned char>(v);
        auto other = static_cast<unsigned char>(255 - v);
        std::string row = Row({17, {b, other, b, 1}, {9, 9, 9, 9}, 0, 0});
        const unsigned char same[4] = {b, other, b, 1};
        const unsigned char differs[4] = {b, other, b, 2};
        EXPECT_TRUE(RowMatchesAddress(row.c_str(), same)) << v;
        EXPECT_FALSE(RowMatchesAddress(row.c_str(), differs)) << v;
    }
}

// Octets of a packet stored too short to hold them show as dashes and never match.
TEST(RowAddressMatch, DashedOctetsNeverMatch) {
    std::string row = Row({6, {192, 168, 0, 0}, {10, 0, 0, 0}, 1, 2}, 14);
    ASSERT_EQ(row.substr(22, 15), "192.168.---.---");
    const unsigned char partial[4] = {192, 168, 0, 0};
    EXPECT_FALSE(RowMatchesAddress(row.c_str(), partial));

    std::string complete = Row({6, {192, 168, 0, 0}, {10, 0, 0, 0}, 1, 2}, 20);
    EXPECT_TRUE(RowMatchesAddress(complete.c_str(), partial));
}

// Rows cut at every length are read only up to their NUL; a field cut short no longer matches.
TEST(RowAddressMatch, ShortRowsAreReadOnlyUpToTheirEnd) {
    const unsigned char a[4] = {192, 168, 0, 5};
    std::string source = Row({6, {192, 168, 0, 5}, {10, 0, 0, 1}, 1, 2});
    std::string destination = Row({6, {10, 0, 0, 1}, {192, 168, 0, 5}, 1, 2});
    for (std::size_t length = 0; length <= source.size(); ++length) {
        std::unique_ptr<char[]> cutSource = ExactText(source.substr(0, length));
        std::unique_ptr<char[]> cutDestination = ExactText(destination.substr(0, length));
        EXPECT_EQ(RowMatchesAddress(cutSource.get(), a), length >= 37) << length;
        EXPECT_EQ(RowMatchesAddress(cutDestination.get(), a), length >= 62) << length;
    }
    EXPECT_FALSE(RowMatchesAddress(nullptr, a));
}

} // namespace
