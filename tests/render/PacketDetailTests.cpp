// Tests of the packet detail text: header lines, protocol names and the hex dump.
#include "PacketDetail.h"
#include "TestPackets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const PacketFields kTcp{6, {192, 168, 0, 5}, {10, 0, 0, 1}, 1025, 80};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "text does not end with a line feed";
    return lines;
}

std::string Detail(const std::vector<unsigned char>& packet, uint32_t length) {
    ExactBuffer buffer(packet, length);
    return FormatPacketDetail(buffer.data(), length);
}

TEST(PacketDetail, TwentyByteHeaderGivesFullTextExactly) {
    const std::vector<unsigned char> header = {0x45, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00, 0x00, 0x40, 0x06,
                                               0x00, 0x00, 0xc0, 0xa8, 0x00, 0x05, 0x0a, 0x00, 0x00, 0x01};
    EXPECT_EQ(Detail(header, 20), "Protocol: TCP \n"
                                  "Src Address: 192.168.0.5 \n"
                                  "Dst Address: 10.0.0.1 \n"
                                  "Src Port: -  Dst Port: -\n"
                                  "00000000 : 45 00 00 14 00 00 00 00 40 06 00 00 c0 a8 00 05 E.......@.......\n"
                                  "00000001 : 0a 00 00 01                                     ....\n");
}

TEST(PacketDetail, ThirtyTwoBytesGiveTwoFullRowsAndNoEmptyThird) {
    std::vector<unsigned char> packet = MakePacket(kTcp, {'0', '1', '2', '3', '4', '5', '6', '7'});
    std::vector<std::string> lines = Lines(Detail(packet, 32));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[1], "Src Address: 192.168.0.5 ");
    EXPECT_EQ(lines[2], "Dst Address: 10.0.0.1 ");
    EXPECT_EQ(lines[3], "Src Port: 1025  Dst Port: 80");
    EXPECT_EQ(lines[5], "00000001 : 0a 00 00 01 04 01 00 50 30 31 32 33 34 35 36 37 .......P01234567");
    EXPECT_EQ(lines[4].size(), 75u);
}

TEST(PacketDetail, ProtocolNames) {
    const struct {
        unsigned char protocol;
        const char* line;
    } cases[] = {
        {0, "Protocol: Reserved "},  {1, "Protocol: ICMP "},      {6, "Protocol: TCP "},      {17, "Protocol: UDP "},
        {58, "Protocol: unknown "},  {94, "Protocol: IPIP "},     {99, "Protocol: unknown "}, {100, "Protocol: GMTP "},
        {101, "Protocol: unknown "}, {255, "Protocol: unknown "},
    };
    for (const auto& c : cases) {
        std::vector<unsigned char> packet = MakePacket({c.protocol, {1, 2, 3, 4}, {5, 6, 7, 8}, 9, 10});
        EXPECT_EQ(Lines(Detail(packet, 24))[0], c.line) << int{c.protocol};
    }
}

TEST(PacketDetail, CharacterColumnShowsOnlyPrintableAscii) {
    const struct {
        std::vector<unsigned char> bytes;
        const char* column;
    } cases[] = {
        {{0x41, 0x00, 0x7F, 0xE9}, "A..."},
        {{0x1F, 0x20, 0x7E, 0x7F, 0x80, 0xFF}, ". ~..."},
    };
    for (const auto& c : cases) {
        auto length = static_cast<uint32_t>(c.bytes.size());
        std::string dumpRow = Lines(Detail(c.bytes, length)).back();
        EXPECT_EQ(dumpRow.substr(59), c.column);
    }
}

struct HeaderCase {
    uint32_t length;
    const char* header;
};

// Values whose bytes were not stored print as "-"; the four lines are always there.
TEST(PacketDetail, ShortPacketsShowDashesInTheHeader) {
    const HeaderCase cases[] = {
        {0, "Protocol: - \nSrc Address: -.-.-.- \nDst Address: -.-.-.- \nSrc Port: -  Dst Port: -\n"},
        {9, "Protocol: - \nSrc Address: -.-.-.- \nDst Address: -.-.-.- \nSrc Port: -  Dst Port: -\n"},
        {10, "Protocol: TCP \nSrc Address: -.-.-.- \nDst Address: -.-.-.- \nSrc Port: -  Dst Port: -\n"},
        {14, "Protocol: TCP \nSrc Address: 192.168.-.- \nDst Address: -.-.-.- \nSrc Port: -  Dst Port: -\n"},
        {17, "Protocol: TCP \nSrc Address: 192.168.0.5 \nDst Address: 10.-.-.- \nSrc Port: -  Dst Port: -\n"},
        {21, "Protocol: TCP \nSrc Address: 192.168.0.5 \nDst Address: 10.0.0.1 \nSrc Port: -  Dst Port: -\n"},
        {23, "Protocol: TCP \nSrc Address: 192.168.0.5 \nDst Address: 10.0.0.1 \nSrc Port: 1025  Dst Port: -\n"},
        {24, "Protocol: TCP \nSrc Address: 192.168.0.5 \nDst Address: 10.0.0.1 \nSrc Port: 1025  Dst Port: 80\n"},
    };
    std::vector<unsigned char> packet = MakePacket(kTcp);
    for (const HeaderCase& c : cases) {
        std::string text = Detail(packet, c.length);
        EXPECT_EQ(text.substr(0, std::string(c.header).size()), c.header) << "length " << c.length;
    }
    EXPECT_EQ(FormatPacketDetail(nullptr, 0), cases[0].header);
}

unsigned ParseHex(const std::string& text) {
    return static_cast<unsigned>(std::stoul(text, nullptr, 16));
}

// Reads the dump back and checks it against the stored bytes: row numbers, hex, fill and characters.
void ExpectDumpCovers(const std::vector<unsigned char>& packet, uint32_t length) {
    std::vector<std::string> lines = Lines(Detail(packet, length));
    ASSERT_GE(lines.size(), 4u);
    std::size_t rows = lines.size() - 4;
    ASSERT_EQ(rows, (length + 15) / 16) << "length " << length;
    for (std::size_t r = 0; r < rows; ++r) {
        const std::string& line = lines[4 + r];
        uint32_t rowBytes = std::min<uint32_t>(16, length - static_cast<uint32_t>(r) * 16);
        ASSERT_EQ(line.size(), 59 + rowBytes) << "row " << r;
        ASSERT_EQ(line.substr(8, 3), " : ");
        ASSERT_EQ(ParseHex(line.substr(0, 8)), r);
        for (uint32_t i = 0; i < 16; ++i) {
            std::string cell = line.substr(11 + 3 * i, 3);
            if (i < rowBytes) {
                ASSERT_EQ(cell[2], ' ');
                ASSERT_EQ(ParseHex(cell.substr(0, 2)), packet[r * 16 + i]) << "row " << r << " byte " << i;
            } else {
                ASSERT_EQ(cell, "   ");
            }
        }
    }
}

TEST(PacketDetail, DumpCoversExactlyTheStoredBytes) {
    std::vector<unsigned char> packet = PatternBytes(65535);
    for (uint32_t length : {0u, 1u, 15u, 16u, 17u, 20u, 23u, 24u, 31u, 32u, 33u, 100u}) {
        ExpectDumpCovers(packet, length);
    }
}

TEST(PacketDetail, LargestPacketDumpsEveryRow) {
    std::vector<unsigned char> packet = PatternBytes(65535);
    ExpectDumpCovers(packet, 65535);
    std::vector<std::string> lines = Lines(Detail(packet, 65535));
    EXPECT_EQ(lines.back().substr(0, 11), "00000fff : ");
}

// No byte value may leak a control character into the text pane; "\n" only ends lines.
TEST(PacketDetail, EveryByteValueGivesPlainText) {
    std::vector<unsigned char> packet(256);
    for (unsigned v = 0; v < 256; ++v) {
        packet[v] = static_cast<unsigned char>(v);
    }
    for (uint32_t start = 0; start < 256; start += 24) {
        std::vector<unsigned char> window(packet.begin() + start, packet.end());
        std::string text = Detail(window, static_cast<uint32_t>(window.size()));
        for (std::size_t i = 0; i < text.size(); ++i) {
            auto c = static_cast<unsigned char>(text[i]);
            ASSERT_TRUE(c == '\n' || (c >= 0x20 && c <= 0x7E)) << "offset " << start << " char " << i;
        }
    }
}

} // namespace
