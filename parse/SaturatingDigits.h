// The signed decimal run that the dialog integer rule and the octet reader both read.
#pragma once

#include <cstdint>

struct SignedMagnitude {
    bool negative;
    int64_t magnitude;
};

// Reads an optional sign and then the digits of text from index i up to end (exclusive). The
// magnitude stops growing at limit; i is left at the first character that is not part of the run.
inline SignedMagnitude ReadSaturatingDecimal(const char* text, int& i, int end, int64_t limit) {
    SignedMagnitude result{false, 0};
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        result.negative = text[i] == '-';
        ++i;
    }
    for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i) {
        result.magnitude = result.magnitude * 10 + (text[i] - '0');
        if (result.magnitude > limit) {
            result.magnitude = limit;
        }
    }
    return result;
}
