// Removing rows from the packet list in time linear in its length, whatever share of it goes.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A list's rows sorted into those to remove and those that stay, each in increasing position order;
// a row that stays keeps its text.
struct RowPartition {
    std::vector<int32_t> removed;
    std::vector<int32_t> keptPositions;
    std::vector<std::string> keptTexts;
};

// Leaves list holding exactly the kept rows, in order, each with its own text and item data. The
// selected row stays selected when it is kept. Returns how many kept rows the list holds: when it
// refuses a row while being filled again, only the kept rows before that one.
size_t RemoveListRows(HWND list, const RowPartition& rows);
