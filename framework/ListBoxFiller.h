// CListBoxFiller: adds many rows to a list box, each with its item data.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Hands LB_ADDSTRING and LB_SETITEMDATA straight to the list box's own window procedure, as a
// subclass passes messages on: the list box does exactly what the sent messages would make it do,
// without the cost of delivering each one, which under Wine is a good part of listing a full store.
// Only for the thread that owns the list box.
class CListBoxFiller {
public:
    explicit CListBoxFiller(HWND list);

    void Reserve(size_t rows, size_t bytesPerRow) const;
    // Adds text at the end with data as its item data. False when the list refuses either; a row
    // without its data is then not left behind.
    bool Append(const char* text, LPARAM data) const;

private:
    LRESULT Call(UINT message, WPARAM wParam, LPARAM lParam) const;

    HWND m_list;
    WNDPROC m_procedure;
};
