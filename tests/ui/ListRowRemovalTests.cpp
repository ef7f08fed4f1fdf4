// Removing rows from a list box: the same rows, item data, selection and view whichever way it goes.
#include "ListRowRemoval.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

// A list box of rows "row 00000", "row 00001", ... whose item data is 7 times the position.
class ListRowRemovalTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (m_list != nullptr)
            ::DestroyWindow(m_list);
    }

    void Fill(int rows) {
        m_list = ::CreateWindowA("LISTBOX", "", WS_POPUP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 0, 0, 300,
                                 100, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(m_list, nullptr);
        for (int i = 0; i < rows; ++i) {
            const LRESULT position = ::SendMessageA(m_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Row(i).c_str()));
            ::SendMessageA(m_list, LB_SETITEMDATA, static_cast<WPARAM>(position), 7 * i);
        }
    }

    // Removes the rows for which keep is false, as the filter command does.
    RowPartition Partition(int rows, const std::function<bool(int)>& keep) const {
        RowPartition partition;
        for (int i = 0; i < rows; ++i) {
            if (keep(i)) {
                partition.keptPositions.push_back(i);
                partition.keptTexts.push_back(Row(i));
            } else {
                partition.removed.push_back(i);
            }
        }
        return partition;
    }

    // Checks that exactly the kept rows remain, in order, with their text and item data.
    void ExpectKeptRows(const RowPartition& partition) const {
        const auto count = static_cast<size_t>(::SendMessageA(m_list, LB_GETCOUNT, 0, 0));
        ASSERT_EQ(count, partition.keptPositions.size());
        for (size_t i = 0; i < count; ++i) {
            char text[32] = {};
            ::SendMessageA(m_list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            ASSERT_EQ(text, Row(partition.keptPositions[i])) << "row " << i;
            ASSERT_EQ(::SendMessageA(m_list, LB_GETITEMDATA, i, 0), 7 * partition.keptPositions[i]) << "row " << i;
        }
    }

    static std::string Row(int i) {
        char text[16];
        std::snprintf(text, sizeof text, "row %05d", i);
        return text;
    }

    LRESULT Selected() const { return ::SendMessageA(m_list, LB_GETCURSEL, 0, 0); }

    HWND m_list = nullptr;
};

// 3 of 50 rows go one by one; 2,000 of 3,000 go by filling the list again. Both must leave the same
// kind of list: the kept rows and their data, and the selection on its row or, when it went, none.
TEST_F(ListRowRemovalTest, KeepsRowsDataAndSelectionForFewAndForManyRemovals) {
    const struct {
        int rows;
        std::function<bool(int)> keep;
        int selected;
        LRESULT selectedAfter;
    } cases[] = {
        {50, [](int i) { return i != 3 && i != 10 && i != 49; }, 20, 18},
        {50, [](int i) { return i != 3 && i != 10 && i != 49; }, 10, LB_ERR},
        {3000, [](int i) { return i % 3 == 0; }, 300, 100},
        {3000, [](int i) { return i % 3 == 0; }, 301, LB_ERR},
        {3000, [](int i) { return i == 2999; }, 2999, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.rows) + " rows, selected " + std::to_string(c.selected));
        Fill(c.rows);
        ::SendMessageA(m_list, LB_SETCURSEL, c.selected, 0);
        const RowPartition partition = Partition(c.rows, c.keep);
        RemoveListRows(m_list, partition);
        ExpectKeptRows(partition);
        EXPECT_EQ(Selected(), c.selectedAfter);
        TearDown();
        m_list = nullptr;
    }
}

TEST_F(ListRowRemovalTest, AFilledAgainListShowsTheFirstKeptRowFromTheOldTop) {
    Fill(3000);
    ::SendMessageA(m_list, LB_SETTOPINDEX, 601, 0);
    ASSERT_EQ(::SendMessageA(m_list, LB_GETTOPINDEX, 0, 0), 601);
    RemoveListRows(m_list, Partition(3000, [](int i) { return i % 3 == 0; }));
    EXPECT_EQ(::SendMessageA(m_list, LB_GETTOPINDEX, 0, 0), 201);
}

} // namespace
