// Whatever bytes a packet holds, the list rows and the detail text in the real window carry no
// control character other than line breaks.
#include "PacketListFixture.h"

#include "PacketDetail.h"

#include <string>
#include <vector>

namespace {

// The pane's own text, line breaks as the rich edit control keeps them.
std::string RawPaneText(HWND window) {
    HWND pane = ::GetDlgItem(window, IDC_TEXT_PANE);
    std::string text(static_cast<size_t>(::GetWindowTextLengthA(pane)) + 1, '\0');
    text.resize(static_cast<size_t>(::GetWindowTextA(pane, &text[0], static_cast<int>(text.size()))));
    return text;
}

// The position of the first control character other than CR and LF, or npos.
size_t FirstControlCharacter(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\r' && c != '\n') || c == 0x7F)
            return i;
    }
    return std::string::npos;
}

// One 64-byte packet per byte value, that value in every position (addresses, ports and protocol
// included), and one packet that holds 0 to 255 in order.
std::vector<std::vector<unsigned char>> EveryByteValue() {
    std::vector<std::vector<unsigned char>> packets;
    for (int value = 0; value < 256; ++value)
        packets.emplace_back(64, static_cast<unsigned char>(value));
    std::vector<unsigned char> ascending(256);
    for (int value = 0; value < 256; ++value)
        ascending[static_cast<size_t>(value)] = static_cast<unsigned char>(value);
    packets.push_back(ascending);
    return packets;
}

TEST_F(PacketListTest, NoByteValueBringsAControlCharacterIntoARowOrTheDetailText) {
    const std::vector<std::vector<unsigned char>> packets = EveryByteValue();
    SetStorageLimits("1500", "16");
    Capture(packets);
    ListPackets();
    const std::vector<std::string> rows = Rows();
    ASSERT_EQ(rows.size(), packets.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].size(), 93u) << "row " << i;
        EXPECT_EQ(FirstControlCharacter(rows[i]), std::string::npos) << "row " << i << ": " << rows[i];
        DoubleClick(static_cast<int>(i));
        const std::vector<unsigned char>& packet = packets[i];
        ASSERT_EQ(Text(IDC_TEXT_PANE),
                  rows[i].substr(0, 12) + " " + FormatPacketDetail(packet.data(), static_cast<uint32_t>(packet.size())))
            << "the detail of packet " << i << " is shown whole";
        const std::string detail = RawPaneText(m_hWnd);
        EXPECT_EQ(FirstControlCharacter(detail), std::string::npos) << "detail of packet " << i << ":\n" << detail;
    }
}

} // namespace
