// Tests of the octet field reader and the address filter's row test.
#include "ListRow.h"
#include "OctetField.h"
#include "RowAddressMatch.h"
#include "TestPackets.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// A NUL-terminated copy of text in a heap block of exactly that size.
std::unique_ptr<char[]> ExactText(const std::string& text) {
    std::unique_ptr<char[]> copy(new char[text.size() + 1]);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    return copy;
}

TEST(OctetField, ConvertsLikeDecimalStrtol) {
    const struct {
        const char* text;
        int count;
        int expected;
    } cases[] = {
        {"007", 3, 7},
        {"255", 3, 255},
        {"1.2", 3, 1},
        {"---", 3, 0},
        {"123", 0, 0},
        {"  7", 3, 7},
        {"\t\n9", 3, 9},
        {"-12", 3, -12},
        {"+5x", 3, 5},
        {"12345", 3, 123},
        {"12345", 5, 12345},
        {"abc", 3, 0},
        {"99999999999999999999999999999", 29, INT_MAX},
        {"-99999999999999999999999999999", 29, INT_MIN},
        {"-2147483648", 11, INT_MIN},
    };
    for (const auto& c : cases) {
        std::unique_ptr<char[]> text = ExactText(c.text);
        EXPECT_EQ(ParseOctetField(text.get(), c.count), c.expected) << '"' << c.text << "\" count " << c.count;
    }
}

TEST(OctetField, OutOfRangeCountReadsNothing) {
    EXPECT_EQ(ParseOctetField(nullptr, -1), -1);
    EXPECT_EQ(ParseOctetField(nullptr, 30), -1);
    EXPECT_EQ(ParseOctetField(nullptr, INT_MIN), -1);
    EXPECT_EQ(ParseOctetField(nullptr, 0), 0);
}

TEST(OctetField, StopsAtAnEarlierNul) {
    std::unique_ptr<char[]> text = ExactText("9");
    EXPECT_EQ(ParseOctetField(text.get(), 29), 9);
}

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
