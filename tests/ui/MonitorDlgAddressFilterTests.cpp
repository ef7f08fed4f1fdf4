// The filter command and its dialog, over rows listed from packets stored by a real capture.
#include "ListRefusal.h"
#include "PacketListFixture.h"
#include "ProgressRecorder.h"

#include "PacketDetail.h"

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

const Address kA = {10, 0, 0, 1};
const Address kB = {10, 0, 0, 2};
const Address kC = {192, 168, 0, 5};
const Address kD = {172, 16, 0, 1};

// Packet i carries port i, so that each row tells which packet it shows.
std::vector<std::vector<unsigned char>> Conversation() {
    return {Datagram(kA, kB, 0, 1), Datagram(kC, kA, 1, 1), Datagram(kB, kC, 2, 1),
            Datagram(kB, kA, 3, 1), Datagram(kD, kC, 4, 1), Datagram({1, 0, 0, 0}, {2, 0, 0, 10}, 5, 1)};
}

// The address control's first field: its leftmost edit.
HWND LeftmostChild(HWND parent) {
    HWND leftmost = nullptr;
    LONG left = 0;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT bounds;
        ::GetWindowRect(child, &bounds);
        if (leftmost == nullptr || bounds.left < left) {
            leftmost = child;
            left = bounds.left;
        }
    }
    return leftmost;
}

class AddressFilterTest : public PacketListTest {
protected:
    void SetUp() override {
        PacketListTest::SetUp();
        m_datagrams = Conversation();
        Capture(m_datagrams);
        ListPackets();
    }

    // The store indexes of the remaining rows, checked against the packet each row shows.
    std::vector<LRESULT> Remaining() const {
        const std::vector<std::string> rows = Rows();
        const std::vector<LRESULT> data = RowData();
        for (size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(SourcePortOf(rows[i]), data[i]) << rows[i];
        return data;
    }

    std::vector<std::vector<unsigned char>> m_datagrams;
};

TEST_F(AddressFilterTest, KeepsTheRowsToOrFromTheAddressInOrderAndEmptiesThePane) {
    DoubleClick(2);
    ASSERT_NE(Text(IDC_TEXT_PANE), "");
    FilterOn(kA);
    EXPECT_EQ(Remaining(), (std::vector<LRESULT>{0, 1, 3}));
    EXPECT_EQ(Text(IDC_TEXT_PANE), "");

    // Each remaining row still opens its own packet, not the one at its new position.
    DoubleClick(2);
    EXPECT_EQ(Text(IDC_TEXT_PANE), Rows()[2].substr(0, 12) + " " + FormatPacketDetail(m_datagrams[3].data(), 28));
}

TEST_F(AddressFilterTest, EitherEndOfAConversationKeepsIt) {
    FilterOn(kB);
    EXPECT_EQ(Remaining(), (std::vector<LRESULT>{0, 2, 3}));
    ListPackets();
    FilterOn(kC);
    EXPECT_EQ(Remaining(), (std::vector<LRESULT>{1, 2, 4}));
}

TEST_F(AddressFilterTest, FiltersNarrowCumulativelyAndTheListCommandRestoresEveryRow) {
    FilterOn(kA);
    FilterOn(kB);
    EXPECT_EQ(Remaining(), (std::vector<LRESULT>{0, 3}));
    // Every row matches: nothing is removed, but the pane is emptied all the same.
    m_dialog->AppendLog("log\n");
    FilterOn(kB);
    EXPECT_EQ(Remaining(), (std::vector<LRESULT>{0, 3}));
    EXPECT_EQ(Text(IDC_TEXT_PANE), "");

    ListPackets();
    EXPECT_EQ(Remaining(), (std::vector<LRESULT>{0, 1, 2, 3, 4, 5}));
}

TEST_F(AddressFilterTest, NoMatchEmptiesTheListAndADoubleClickThenDoesNothing) {
    FilterOn({8, 8, 8, 8});
    EXPECT_EQ(RowCount(), 0);
    m_dialog->AppendLog("log\n");
    DoubleClick(0);
    EXPECT_EQ(Text(IDC_TEXT_PANE), "log\n");
    // On an empty list the command still runs and empties the pane.
    FilterOn(kA);
    EXPECT_EQ(Text(IDC_TEXT_PANE), "");
}

TEST_F(AddressFilterTest, CancelBlankAndZeroAddressChangeNothing) {
    const auto setAddress = [](HWND dialog, LPARAM packed) {
        ::SendDlgItemMessageA(dialog, IDC_FILTER_ADDRESS, IPM_SETADDRESS, 0, packed);
    };
    const auto press = [](HWND dialog, int id) { ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); };
    const std::function<void(HWND)> scripts[] = {
        [&](HWND dialog) {
            setAddress(dialog, MAKEIPADDRESS(10, 0, 0, 1));
            press(dialog, IDCANCEL);
        },
        [&](HWND dialog) { press(dialog, IDOK); },
        [&](HWND dialog) {
            setAddress(dialog, MAKEIPADDRESS(0, 0, 0, 0));
            press(dialog, IDOK);
        },
    };
    m_dialog->AppendLog("log\n");
    for (const auto& script : scripts) {
        ProgressRecorder recorder;
        Filter(script);
        EXPECT_EQ(Remaining(), (std::vector<LRESULT>{0, 1, 2, 3, 4, 5}));
        EXPECT_EQ(Text(IDC_TEXT_PANE), "log\n");
        EXPECT_TRUE(recorder.Records().empty());
    }
}

TEST_F(AddressFilterTest, TheDialogOpensBlankWithTheFocusInTheAddressAndReadsBlankFieldsAsZero) {
    FilterOn(kA);
    ListPackets();
    bool blank = false;
    bool focusInAddress = false;
    Filter([&](HWND dialog) {
        HWND address = ::GetDlgItem(dialog, IDC_FILTER_ADDRESS);
        blank = ::SendMessageA(address, IPM_ISBLANK, 0, 0) != 0;
        RunLater([=, &focusInAddress] {
            focusInAddress = ::IsChild(address, ::GetFocus()) != FALSE;
            // "1" in the first field and the other three left blank: 1.0.0.0.
            ::SetWindowTextA(LeftmostChild(address), "1");
            ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        });
    });
    EXPECT_TRUE(blank);
    EXPECT_TRUE(focusInAddress);
    EXPECT_EQ(Remaining(), (std::vector<LRESULT>{5}));
}

// Positions past 65,535 must name their own rows: a 16-bit deletion list would remove the row
// 65,536 places earlier instead. The bar's range must reach the row count too.
TEST_F(PacketListTest, FilteringMoreThan65536RowsRemovesExactlyTheOtherRows) {
    constexpr int kRows = 65540;
    std::vector<std::vector<unsigned char>> datagrams;
    for (int i = 0; i < kRows; ++i)
        datagrams.push_back(Datagram(i % 3 == 0 ? kA : kC, kD, static_cast<uint16_t>(i), 0, 24));
    Capture(datagrams);
    {
        ProgressRecorder recorder;
        ListPackets();
        ASSERT_EQ(recorder.Records().size(), 1u);
        EXPECT_EQ(recorder.Records()[0].range.iHigh, kRows);
        EXPECT_EQ(recorder.Records()[0].positions.back(), 9 * (kRows / 10));
    }
    ASSERT_EQ(RowCount(), kRows);

    {
        ProgressRecorder recorder;
        FilterOn(kA);
        ASSERT_EQ(recorder.Records().size(), 1u);
        const ProgressRecord& record = recorder.Records()[0];
        EXPECT_EQ(record.owner, m_hWnd);
        EXPECT_EQ(record.range.iHigh, kRows);
        ASSERT_EQ(record.positions.size(), 10u);
        for (int step = 0; step < 10; ++step)
            EXPECT_EQ(record.positions[step], step * (kRows / 10));
    }
    const std::vector<LRESULT> data = RowData();
    ASSERT_EQ(data.size(), static_cast<size_t>((kRows + 2) / 3));
    for (size_t i = 0; i < data.size(); ++i)
        ASSERT_EQ(data[i], static_cast<LRESULT>(3 * i));
    const std::vector<std::string> rows = Rows();
    for (size_t i = 0; i < rows.size(); ++i)
        ASSERT_EQ(SourcePortOf(rows[i]), static_cast<int>((3 * i) & 0xFFFF)) << i;
}

// Keeping a third of 3,000 rows fills the list again; when the list refuses a row, every row it
// holds still names its own packet, and one line says how many rows the filter kept.
TEST_F(PacketListTest, ARowRefusedWhileTheFilterFillsTheListAgainEndsItWithEveryRowIntactAndOneLine) {
    constexpr int kRows = 3000;
    std::vector<std::vector<unsigned char>> datagrams;
    for (int i = 0; i < kRows; ++i)
        datagrams.push_back(Datagram(i % 3 == 0 ? kA : kC, kD, static_cast<uint16_t>(i), 0, 24));
    Capture(datagrams);
    ListPackets();
    for (bool refuseItemData : {false, true}) {
        SCOPED_TRACE(refuseItemData ? "item data refused" : "row refused");
        {
            ListRefusal refusal(::GetDlgItem(m_hWnd, IDC_PACKET_LIST), 400, refuseItemData);
            FilterOn(kA);
        }
        const std::vector<LRESULT> data = RowData();
        ASSERT_EQ(data.size(), 400u);
        const std::vector<std::string> rows = Rows();
        for (size_t i = 0; i < rows.size(); ++i) {
            ASSERT_EQ(data[i], static_cast<LRESULT>(3 * i));
            ASSERT_EQ(SourcePortOf(rows[i]), static_cast<int>(3 * i)) << i;
        }
        EXPECT_EQ(Text(IDC_TEXT_PANE), "Listed 400 of 1000 filtered rows: the list cannot hold more.\n");
        ListPackets();
    }
}

} // namespace
