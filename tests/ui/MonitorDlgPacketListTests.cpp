// The list command, its progress window and the detail command, over packets stored by a real
// capture through the scripted backend.
#include "ListRefusal.h"
#include "PacketListFixture.h"
#include "ProgressRecorder.h"

#include "PacketDetail.h"

#include <windows.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

const Address kHostA = {10, 0, 0, 1};
const Address kHostB = {192, 168, 0, 5};

bool IsTimeStamp(const std::string& text) {
    if (text.size() != 12)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char expected = i == 2 || i == 5 ? ':' : i == 8 ? '.' : '0';
        if (expected == '0' ? !std::isdigit(static_cast<unsigned char>(text[i])) : text[i] != expected)
            return false;
    }
    return true;
}

std::vector<std::vector<unsigned char>> NumberedDatagrams(int count) {
    std::vector<std::vector<unsigned char>> datagrams;
    for (int i = 0; i < count; ++i)
        datagrams.push_back(Datagram(kHostA, kHostB, static_cast<uint16_t>(i), 53));
    return datagrams;
}

TEST_F(PacketListTest, ListingTwiceGivesTheSameRowsEachWithItsStoreIndex) {
    Capture({Datagram(kHostA, kHostB, 1025, 80), Datagram(kHostB, kHostA, 80, 1025),
             Datagram({0, 0, 0, 0}, {255, 255, 255, 255}, 0, 65535)});
    EXPECT_FALSE(Enabled(IDC_FILTER_BUTTON));
    m_dialog->AppendLog("a log line\n");

    ListPackets();
    const std::vector<std::string> rows = Rows();
    ASSERT_EQ(rows.size(), 3u);
    const char* summaries[] = {
        "Src_Addr:010.000.000.001 Dst_Addr:192.168.000.005 Src_Port:01025  Dst_Port:00080",
        "Src_Addr:192.168.000.005 Dst_Addr:010.000.000.001 Src_Port:00080  Dst_Port:01025",
        "Src_Addr:000.000.000.000 Dst_Addr:255.255.255.255 Src_Port:00000  Dst_Port:65535",
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].size(), 93u);
        EXPECT_TRUE(IsTimeStamp(rows[i].substr(0, 12))) << rows[i];
        EXPECT_EQ(rows[i].substr(12), std::string(" ") + summaries[i]);
    }
    EXPECT_EQ(RowData(), (std::vector<LRESULT>{0, 1, 2}));
    EXPECT_TRUE(Enabled(IDC_FILTER_BUTTON));
    EXPECT_EQ(Text(IDC_TEXT_PANE), "");

    ListPackets();
    EXPECT_EQ(Rows(), rows);
    EXPECT_EQ(RowData(), (std::vector<LRESULT>{0, 1, 2}));
}

TEST_F(PacketListTest, AnEmptyStoreShowsTheProgressWindowAndListsNothing) {
    Capture({});
    ProgressRecorder recorder;
    ListPackets();
    EXPECT_EQ(RowCount(), 0);
    EXPECT_FALSE(Enabled(IDC_FILTER_BUTTON));
    ASSERT_EQ(recorder.Records().size(), 1u);
    EXPECT_TRUE(recorder.Records()[0].destroyed);
    EXPECT_TRUE(recorder.Records()[0].positions.empty());
}

struct ProgressCase {
    int rows;
    std::vector<int> positions;
    int rangeHigh; // the bar's own default when no range is set
};

TEST_F(PacketListTest, TheBarMovesTenOrElevenTimesAboveAThousandRows) {
    std::vector<int> elevenSteps;
    for (int i = 0; i <= 1000; i += 100)
        elevenSteps.push_back(i);
    std::vector<int> tenSteps;
    for (int i = 0; i < 2000; i += 200)
        tenSteps.push_back(i);
    const ProgressCase cases[] = {{1000, {}, 100}, {1001, elevenSteps, 1001}, {2000, tenSteps, 2000}};

    RECT main;
    ::GetWindowRect(m_hWnd, &main);
    for (const ProgressCase& c : cases) {
        SCOPED_TRACE(c.rows);
        Capture(NumberedDatagrams(c.rows));
        ProgressRecorder recorder;
        ListPackets();
        EXPECT_EQ(RowCount(), c.rows);
        ASSERT_EQ(recorder.Records().size(), 1u);
        const ProgressRecord& record = recorder.Records()[0];
        EXPECT_EQ(record.owner, m_hWnd);
        EXPECT_TRUE(record.destroyed);
        EXPECT_EQ(record.positions, c.positions);
        EXPECT_EQ(record.range.iLow, 0);
        EXPECT_EQ(record.range.iHigh, c.rangeHigh);
        EXPECT_NEAR((record.bounds.left + record.bounds.right) / 2, (main.left + main.right) / 2, 1);
        EXPECT_NEAR((record.bounds.top + record.bounds.bottom) / 2, (main.top + main.bottom) / 2, 1);
    }
}

TEST_F(PacketListTest, DoubleClickReplacesThePaneWithThatRowsPacket) {
    const std::vector<std::vector<unsigned char>> datagrams = {Datagram(kHostA, kHostB, 1, 2, 40),
                                                               Datagram(kHostB, kHostA, 3, 4, 60)};
    Capture(datagrams);
    // Before any list command there is no row to open.
    m_dialog->AppendLog("log\n");
    DoubleClick(0);
    EXPECT_EQ(Text(IDC_TEXT_PANE), "log\n");

    ListPackets();
    m_dialog->AppendLog("log\n");
    DoubleClick(1);
    const std::string row = Rows()[1];
    EXPECT_EQ(Text(IDC_TEXT_PANE), row.substr(0, 12) + " " + FormatPacketDetail(datagrams[1].data(), 60));

    DoubleClick(0);
    EXPECT_EQ(Text(IDC_TEXT_PANE), Rows()[0].substr(0, 12) + " " + FormatPacketDetail(datagrams[0].data(), 40));

    // With no row selected the pane stays as it is.
    DoubleClick(-1);
    EXPECT_EQ(Text(IDC_TEXT_PANE), Rows()[0].substr(0, 12) + " " + FormatPacketDetail(datagrams[0].data(), 40));
}

// The character index in the text pane where the line starting with prefix begins, or -1.
LRESULT PaneLineStarting(HWND pane, const std::string& prefix) {
    const auto lines = static_cast<int>(::SendMessageA(pane, EM_GETLINECOUNT, 0, 0));
    for (int line = 0; line < lines; ++line) {
        char text[256] = {};
        *reinterpret_cast<WORD*>(text) = sizeof(text) - 1;
        const LRESULT copied = ::SendMessageA(pane, EM_GETLINE, line, reinterpret_cast<LPARAM>(text));
        if (std::string(text, static_cast<size_t>(copied)).rfind(prefix, 0) == 0)
            return ::SendMessageA(pane, EM_LINEINDEX, line, 0);
    }
    return -1;
}

// Where the pane draws the character at index, in pixels from its left edge.
LONG PaneX(HWND pane, LRESULT index) {
    POINTL point = {};
    ::SendMessageA(pane, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&point), index);
    return point.x;
}

// A dump row is "NNNNNNNN : " and 16 byte columns "xx " before the printable column; a short last
// row pads the missing bytes with spaces, which must take the width of the digits they stand for.
TEST_F(PacketListTest, TheDetailDumpKeepsItsColumnsOnTheShortLastRow) {
    Capture({Datagram(kHostA, kHostB, 1, 2, 40)});
    ListPackets();
    DoubleClick(0);
    HWND pane = ::GetDlgItem(m_hWnd, IDC_TEXT_PANE);
    const LRESULT fullRow = PaneLineStarting(pane, "00000001 : ");
    const LRESULT lastRow = PaneLineStarting(pane, "00000002 : ");
    ASSERT_GE(fullRow, 0);
    ASSERT_GE(lastRow, 0);
    const LRESULT printableColumn = 11 + 16 * 3;
    // On the last row, index 11 is a hex digit of byte 0 and index 11 + 8 * 3 a space standing for byte 8.
    const LONG digitWidth = PaneX(pane, lastRow + 12) - PaneX(pane, lastRow + 11);
    const LONG spaceWidth = PaneX(pane, lastRow + 11 + 8 * 3 + 1) - PaneX(pane, lastRow + 11 + 8 * 3);
    EXPECT_GT(digitWidth, 0);
    EXPECT_EQ(spaceWidth, digitWidth);
    EXPECT_EQ(PaneX(pane, lastRow + printableColumn), PaneX(pane, fullRow + printableColumn));
}

TEST_F(PacketListTest, ARefusedRowEndsTheListWithEveryEarlierRowIntactAndOneLogLine) {
    Capture(NumberedDatagrams(5));
    for (bool refuseItemData : {false, true}) {
        SCOPED_TRACE(refuseItemData ? "item data refused" : "row refused");
        {
            ListRefusal refusal(::GetDlgItem(m_hWnd, IDC_PACKET_LIST), 3, refuseItemData);
            ListPackets();
        }
        EXPECT_EQ(RowData(), (std::vector<LRESULT>{0, 1, 2}));
        const std::vector<std::string> rows = Rows();
        for (int i = 0; i < static_cast<int>(rows.size()); ++i)
            EXPECT_EQ(SourcePortOf(rows[i]), i);
        EXPECT_EQ(Text(IDC_TEXT_PANE), "Listed 3 of 5 packets: the list cannot hold more.\n");
    }
    ListPackets();
    EXPECT_EQ(RowCount(), 5);
    EXPECT_EQ(Text(IDC_TEXT_PANE), "");
}

} // namespace
