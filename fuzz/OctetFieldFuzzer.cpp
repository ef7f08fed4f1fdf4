// Fuzz target: ParseOctetField agrees with strtol on a terminated copy and never reads past count bytes.
#include "FuzzSupport.h"

#include "OctetField.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

namespace {

// The conversion the field reader promises: strtol in base 10 on the count characters, kept in int range.
int ReferenceValue(const uint8_t* text, int count) {
    char work[32] = {};
    std::memcpy(work, text, static_cast<std::size_t>(count));
    long value = std::strtol(work, nullptr, 10);
    if (value > INT_MAX) {
        return INT_MAX;
    }
    return value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

} // namespace

// The first byte is the count, as a signed value; the text is the rest of the input.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    int count = static_cast<int8_t>(data[0]);
    const uint8_t* text = data + 1;
    std::size_t available = size - 1;

    if (count < 0 || count > 29) {
        auto nothing = ExactCopy(text, 0);
        FUZZ_CHECK(ParseOctetField(reinterpret_cast<const char*>(nothing.get()), count) == -1);
        return 0;
    }
    if (static_cast<std::size_t>(count) > available) {
        count = static_cast<int>(available);
    }
    auto field = ExactCopy(text, static_cast<std::size_t>(count));
    FUZZ_CHECK(ParseOctetField(reinterpret_cast<const char*>(field.get()), count) == ReferenceValue(text, count));
    return 0;
}
