// Removes list rows one by one when few rows would move, and otherwise fills the list afresh.
#include "ListRowRemoval.h"

#include "ListBoxFiller.h"

#include <algorithm>

namespace {

// Each LB_DELETESTRING moves every later row up by one, so removing d of n rows one at a time moves
// up to d * (n - d) rows: a filter that keeps half of a full store (167,772 rows) spent seconds on
// these moves. Beyond this many moves per row, filling the list again with the kept rows is cheaper.
constexpr uint64_t kMovesPerRow = 512;

bool OneByOneIsCheap(const RowPartition& rows) {
    const uint64_t removed = rows.removed.size();
    const uint64_t kept = rows.keptPositions.size();
    return removed * kept <= kMovesPerRow * (removed + kept);
}

// From the last to the first, so that every position still names its row when it is used.
void DeleteOneByOne(HWND list, const std::vector<int32_t>& removed) {
    for (auto position = removed.rbegin(); position != removed.rend(); ++position)
        ::SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(*position), 0);
}

// The number of kept rows before the row at position: its new position when it is kept.
LRESULT KeptBefore(const std::vector<int32_t>& kept, LRESULT position) {
    return std::lower_bound(kept.begin(), kept.end(), position) - kept.begin();
}

bool IsKept(const std::vector<int32_t>& kept, LRESULT position) {
    return position >= 0 && std::binary_search(kept.begin(), kept.end(), position);
}

// Stops at the first row the list refuses, so that every row it holds is the one at its position.
size_t AddRows(HWND list, const RowPartition& rows, const std::vector<LRESULT>& data) {
    const size_t rowBytes = rows.keptTexts.empty() ? 0 : rows.keptTexts.front().size();
    const CListBoxFiller filler(list);
    filler.Reserve(rows.keptTexts.size(), rowBytes);
    size_t added = 0;
    while (added < rows.keptTexts.size() && filler.Append(rows.keptTexts[added].c_str(), data[added]))
        ++added;
    return added;
}

// Keeps the selection on its row and the first visible row at the first kept row from the old one.
// Everything that can run out of memory happens before the list is emptied.
size_t Refill(HWND list, const RowPartition& rows) {
    const LRESULT selected = ::SendMessageA(list, LB_GETCURSEL, 0, 0);
    const LRESULT top = ::SendMessageA(list, LB_GETTOPINDEX, 0, 0);
    std::vector<LRESULT> data;
    data.reserve(rows.keptPositions.size());
    for (int32_t position : rows.keptPositions)
        data.push_back(::SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(position), 0));
    ::SendMessageA(list, LB_RESETCONTENT, 0, 0);
    const size_t added = AddRows(list, rows, data);
    if (IsKept(rows.keptPositions, selected) && KeptBefore(rows.keptPositions, selected) < static_cast<LRESULT>(added))
        ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(KeptBefore(rows.keptPositions, selected)), 0);
    ::SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(KeptBefore(rows.keptPositions, top)), 0);
    return added;
}

} // namespace

size_t RemoveListRows(HWND list, const RowPartition& rows) {
    if (!OneByOneIsCheap(rows))
        return Refill(list, rows);
    DeleteOneByOne(list, rows.removed);
    return rows.keptPositions.size();
}
