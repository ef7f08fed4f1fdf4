// The settings dialog's reading of an integer entry.
#include "DialogInteger.h"

#include "SaturatingDigits.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

int BoundedLength(const char* text) {
    int length = 0;
    while (length < kDialogIntegerMaxChars && text[length] != '\0') {
        ++length;
    }
    return length;
}

int SkipBlanks(const char* text, int i, int end) {
    while (i < end && IsBlank(text[i])) {
        ++i;
    }
    return i;
}

} // namespace

bool ReadDialogInteger(const char* text, int32_t& value) {
    if (text == nullptr) {
        return false;
    }
    const int end = BoundedLength(text);
    const int first = SkipBlanks(text, 0, end);
    int i = first;
    // Magnitudes stop growing one past INT32_MAX: enough to tell INT32_MIN from saturation.
    constexpr int64_t kMagnitudeLimit = int64_t{INT32_MAX} + 1;
    const auto [negative, magnitude] = ReadSaturatingDecimal(text, i, end, kMagnitudeLimit);
    if (SkipBlanks(text, i, end) != end) {
        return false;
    }
    if (magnitude == 0 && (first == end || text[first] != '0')) {
        return false;
    }
    if (negative) {
        value = static_cast<int32_t>(-magnitude);
    } else {
        value = magnitude > INT32_MAX ? INT32_MAX : static_cast<int32_t>(magnitude);
    }
    return true;
}
