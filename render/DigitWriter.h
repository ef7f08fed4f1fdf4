// Hand-written number formatting into a character buffer, for renderers that run once per packet.
#pragma once

#include <cstdint>

// Writes value as exactly width zero-padded decimal digits; returns the end of what was written.
inline char* WritePaddedDecimal(char* out, unsigned value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return out + width;
}

// Writes value in decimal without leading zeros; returns the end of what was written.
inline char* WriteDecimal(char* out, unsigned value) {
    char digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0) {
        *out++ = digits[--count];
    }
    return out;
}

// Writes value as exactly width lowercase hex digits; returns the end of what was written.
inline char* WritePaddedHex(char* out, uint32_t value, int width) {
    static constexpr char kHexDigits[] = "0123456789abcdef";
    for (int i = width - 1; i >= 0; --i) {
        out[i] = kHexDigits[value & 0xF];
        value >>= 4;
    }
    return out + width;
}

inline char* WriteRepeated(char* out, char c, int count) {
    for (int i = 0; i < count; ++i) {
        *out++ = c;
    }
    return out;
}
