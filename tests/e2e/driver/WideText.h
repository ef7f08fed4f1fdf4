// Conversions between the driver's UTF-16 window texts and the UTF-8 of its command line and output.
#pragma once

#include <windows.h>

#include <string>

// UTF-16 text held as char16_t: Winelib compiles wchar_t as 16 bits while the C++ library's
// std::wstring is built for 32, so std::wstring must not be used here.
using WideString = std::u16string;

inline LPCWSTR AsWin(const WideString& text) {
    return reinterpret_cast<LPCWSTR>(text.c_str());
}
inline LPWSTR AsWin(WideString& text) {
    return reinterpret_cast<LPWSTR>(text.data());
}

WideString WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const WideString& text);

// Writes text as UTF-8 followed by a line feed on standard output.
void PrintLine(const WideString& text);
