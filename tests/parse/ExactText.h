// Texts in heap blocks of exactly their size, so that a read past the end is caught by the sanitizers.
#pragma once

#include <cstring>
#include <memory>
#include <string>

// A NUL-terminated copy of text in a heap block of exactly that size.
inline std::unique_ptr<char[]> ExactText(const std::string& text) {
    std::unique_ptr<char[]> copy(new char[text.size() + 1]);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    return copy;
}
