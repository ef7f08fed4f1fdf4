// Tests of the packet summary and the list row built from it.
#include "PacketSummary.h"
#include "ListRow.h"
#include "TestPackets.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const PacketFields kTcp{6, {192, 168, 0, 5}, {10, 0, 0, 1}, 1025, 80};

bool IsPrintableText(const std::string& text) {
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7E) {
            return false;
        }
    }
    return true;
}

struct GoldenRow {
    const char* name;
    std::vector<unsigned char> packet;
    const char* summary;
};

TEST(PacketSummary, GoldenRows) {
    std::vector<unsigned char> withOptions = MakePacket(kTcp);
    withOptions[0] = 0x46; // 24-byte header: bytes 20 to 23 are an option, still shown as ports
    std::vector<unsigned char> icmpEcho = MakePacket({1, {10, 0, 0, 2}, {10, 0, 0, 1}, 0x0800, 0xF7FF}, {0, 1, 0, 1});
    const GoldenRow rows[] = {
        {"tcp", MakePacket(kTcp, {'x', 'y'}),
         "Src_Addr:192.168.000.005 Dst_Addr:010.000.000.001 Src_Port:01025  Dst_Port:00080"},
        {"icmp echo", icmpEcho, "Src_Addr:010.000.000.002 Dst_Addr:010.000.000.001 Src_Port:02048  Dst_Port:63487"},
        {"extremes", MakePacket({17, {0, 0, 0, 0}, {255, 255, 255, 255}, 0, 65535}),
         "Src_Addr:000.000.000.000 Dst_Addr:255.255.255.255 Src_Port:00000  Dst_Port:65535"},
        {"header options", withOptions,
         "Src_Addr:192.168.000.005 Dst_Addr:010.000.000.001 Src_Port:01025  Dst_Port:00080"},
    };
    for (const GoldenRow& row : rows) {
        auto length = static_cast<uint32_t>(row.packet.size());
        ExactBuffer buffer(row.packet, length);
        EXPECT_EQ(FormatPacketSummary(buffer.data(), length), row.summary) << row.name;
    }
}

TEST(PacketSummary, ListRowPrefixesTimeStampAndOneSpace) {
    std::vector<unsigned char> packet = MakePacket(kTcp);
    ExactBuffer buffer(packet, 24);
    std::string row = FormatListRow("13:45:00.250", buffer.data(), 24);
    EXPECT_EQ(row, "13:45:00.250 Src_Addr:192.168.000.005 Dst_Addr:010.000.000.001 Src_Port:01025  Dst_Port:00080");
    EXPECT_EQ(row.size(), 93u);
    EXPECT_EQ(row.size(), kListRowLength);
    EXPECT_EQ(row.substr(kListRowSourceOctetColumn, 3), "192");
    EXPECT_EQ(row.substr(kListRowDestinationOctetColumn + 3 * kListRowOctetStride, 3), "001");
}

struct ShortCase {
    uint32_t length;
    const char* summary;
};

// Fields whose bytes were not all stored show as dashes of the same width.
TEST(PacketSummary, ShortPacketsShowDashesForMissingFields) {
    const ShortCase cases[] = {
        {0, "Src_Addr:---.---.---.--- Dst_Addr:---.---.---.--- Src_Port:-----  Dst_Port:-----"},
        {12, "Src_Addr:---.---.---.--- Dst_Addr:---.---.---.--- Src_Port:-----  Dst_Port:-----"},
        {13, "Src_Addr:192.---.---.--- Dst_Addr:---.---.---.--- Src_Port:-----  Dst_Port:-----"},
        {16, "Src_Addr:192.168.000.005 Dst_Addr:---.---.---.--- Src_Port:-----  Dst_Port:-----"},
        {17, "Src_Addr:192.168.000.005 Dst_Addr:010.---.---.--- Src_Port:-----  Dst_Port:-----"},
        {20, "Src_Addr:192.168.000.005 Dst_Addr:010.000.000.001 Src_Port:-----  Dst_Port:-----"},
        {21, "Src_Addr:192.168.000.005 Dst_Addr:010.000.000.001 Src_Port:-----  Dst_Port:-----"},
        {22, "Src_Addr:192.168.000.005 Dst_Addr:010.000.000.001 Src_Port:01025  Dst_Port:-----"},
        {23, "Src_Addr:192.168.000.005 Dst_Addr:010.000.000.001 Src_Port:01025  Dst_Port:-----"},
        {24, "Src_Addr:192.168.000.005 Dst_Addr:010.000.000.001 Src_Port:01025  Dst_Port:00080"},
    };
    std::vector<unsigned char> packet = MakePacket(kTcp);
    for (const ShortCase& c : cases) {
        ExactBuffer buffer(packet, c.length);
        EXPECT_EQ(FormatPacketSummary(buffer.data(), c.length), c.summary) << "length " << c.length;
    }
    EXPECT_EQ(FormatPacketSummary(nullptr, 0), cases[0].summary);
}

// Cuts a packet at every length: the row keeps its width and stays plain printable text.
TEST(PacketSummary, EveryStoredLengthGivesA93CharacterRow) {
    std::vector<unsigned char> packet = PatternBytes(65535);
    std::vector<uint32_t> lengths;
    for (uint32_t length = 0; length <= 100; ++length) {
        lengths.push_back(length);
    }
    lengths.push_back(65535);
    for (uint32_t length : lengths) {
        ExactBuffer buffer(packet, length);
        std::string row = FormatListRow("23:59:59.999", buffer.data(), length);
        EXPECT_EQ(row.size(), 93u) << "length " << length;
        EXPECT_TRUE(IsPrintableText(row)) << "length " << length;
    }
}

TEST(PacketSummary, EveryByteValueRendersAsThreeDigits) {
    for (unsigned v = 0; v < 256; ++v) {
        auto b = static_cast<unsigned char>(v);
        std::vector<unsigned char> packet(24, b);
        std::string summary = FormatPacketSummary(packet.data(), 24);
        char octet[4];
        std::snprintf(octet, sizeof octet, "%03u", v);
        char port[6];
        std::snprintf(port, sizeof port, "%05u", v * 257);
        ASSERT_EQ(summary.size(), 80u);
        EXPECT_EQ(summary.substr(9, 3), octet);
        EXPECT_EQ(summary.substr(46, 3), octet);
        EXPECT_EQ(summary.substr(75, 5), port);
        EXPECT_TRUE(IsPrintableText(summary)) << v;
    }
}

} // namespace
