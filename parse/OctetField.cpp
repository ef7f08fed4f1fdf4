// The fixed-width decimal field reader used by the address filter.
#include "OctetField.h"

#include <climits>
#include <cstdint>

namespace {

// The C locale's white space, spelled out so the result never depends on the locale.
bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

int ParseOctetField(const char* text, int count) {
    if (count < 0 || count > kMaxOctetFieldCount) {
        return -1;
    }
    int i = 0;
    while (i < count && IsWhiteSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < count && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // One past INT_MAX in magnitude, so that INT_MIN is reachable and larger values stop growing.
    constexpr int64_t kMagnitudeLimit = int64_t{INT_MAX} + 1;
    int64_t magnitude = 0;
    for (; i < count && IsDigit(text[i]); ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > kMagnitudeLimit) {
            magnitude = kMagnitudeLimit;
        }
    }
    if (negative) {
        return static_cast<int>(-magnitude);
    }
    return magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
}
