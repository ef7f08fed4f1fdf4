// The fixed-width decimal field reader used by the address filter.
#include "OctetField.h"

#include "SaturatingDigits.h"

#include <climits>
#include <cstdint>

namespace {

// The C locale's white space, spelled out so the result never depends on the locale.
bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
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
    // One past INT_MAX in magnitude, so that INT_MIN is reachable and larger values stop growing.
    constexpr int64_t kMagnitudeLimit = int64_t{INT_MAX} + 1;
    const auto [negative, magnitude] = ReadSaturatingDecimal(text, i, count, kMagnitudeLimit);
    if (negative) {
        return static_cast<int>(-magnitude);
    }
    return magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
}
