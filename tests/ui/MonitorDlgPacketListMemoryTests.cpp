// The list and detail commands when memory runs out: every allocation they make fails in turn.
#include "AllocationFault.h"
#include "PacketListFixture.h"

#include "PacketDetail.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

// One line ending in a line feed, in English.
bool IsOneOutOfMemoryLine(const std::string& text) {
    return std::count(text.begin(), text.end(), '\n') == 1 && text.back() == '\n' &&
           (text.rfind("Listed ", 0) == 0 || text.rfind("Out of memory: ", 0) == 0) &&
           text.find("memory") != std::string::npos;
}

class MemoryFaultTest : public PacketListTest {
protected:
    // Runs command with each of its allocations failing in turn, until a run fails none; check
    // follows every run that failed one.
    void FailEachAllocation(const std::function<void()>& command, const std::function<void()>& check) {
        for (int ordinal = 0;; ++ordinal) {
            int made = 0;
            {
                AllocationFault fault(ordinal);
                command();
                made = fault.Made();
            }
            if (made <= ordinal)
                break;
            SCOPED_TRACE("allocation " + std::to_string(ordinal) + " of " + std::to_string(made) + " failed");
            check();
            if (::testing::Test::HasFailure())
                break;
        }
    }

    void ExpectRowsNamingTheirOwnPackets() {
        const std::vector<std::string> rows = Rows();
        const std::vector<LRESULT> data = RowData();
        ASSERT_EQ(rows.size(), data.size());
        for (size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(SourcePortOf(rows[i]), data[i]) << "row " << i;
    }

    std::vector<std::vector<unsigned char>> m_datagrams = {Datagram({10, 0, 0, 1}, {10, 0, 0, 2}, 0, 53, 40),
                                                           Datagram({10, 0, 0, 2}, {10, 0, 0, 1}, 1, 53, 60),
                                                           Datagram({10, 0, 0, 1}, {10, 0, 0, 3}, 2, 53, 80)};
};

TEST_F(MemoryFaultTest, TheListCommandShowsOneLineKeepsItsRowsRightAndListsAgainOnceMemoryIsBack) {
    Capture(m_datagrams);
    FailEachAllocation([&] { ListPackets(); },
                       [&] {
                           EXPECT_TRUE(IsOneOutOfMemoryLine(Text(IDC_TEXT_PANE))) << Text(IDC_TEXT_PANE);
                           ExpectRowsNamingTheirOwnPackets();
                       });
    ListPackets();
    EXPECT_EQ(RowCount(), 3);
    ExpectRowsNamingTheirOwnPackets();
    EXPECT_EQ(Text(IDC_TEXT_PANE), "");
}

TEST_F(MemoryFaultTest, TheDetailCommandShowsOneLineAndShowsTheDetailOnceMemoryIsBack) {
    Capture(m_datagrams);
    ListPackets();
    FailEachAllocation([&] { DoubleClick(1); },
                       [&] { EXPECT_TRUE(IsOneOutOfMemoryLine(Text(IDC_TEXT_PANE))) << Text(IDC_TEXT_PANE); });
    DoubleClick(1);
    EXPECT_EQ(Text(IDC_TEXT_PANE), Rows()[1].substr(0, 12) + " " + FormatPacketDetail(m_datagrams[1].data(), 60));
}

} // namespace
