// UTF-8 and UTF-16 conversions and line output for the window driver.
#include "WideText.h"

#include <cstdio>

WideString WideFromUtf8(const std::string& text) {
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    WideString wide(static_cast<size_t>(length), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), AsWin(wide), length);
    return wide;
}

std::string Utf8FromWide(const WideString& text) {
    int length =
        WideCharToMultiByte(CP_UTF8, 0, AsWin(text), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, AsWin(text), static_cast<int>(text.size()), narrow.data(), length, nullptr,
                        nullptr);
    return narrow;
}

void PrintLine(const WideString& text) {
    std::string line = Utf8FromWide(text) + "\n";
    fwrite(line.data(), 1, line.size(), stdout);
    fflush(stdout);
}
