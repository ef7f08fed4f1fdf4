// Fuzz target: ReadDialogInteger agrees with a plain model of the settings dialog's integer rule.
#include "FuzzSupport.h"

#include "DialogInteger.h"

#include <cstdint>
#include <string>

namespace {

struct Reading {
    bool valid;
    int32_t value;
};

constexpr Reading kInvalid = {false, 0};

// The rule written out step by step: the first 31 characters, blanks and tabs trimmed from both ends,
// an optional sign, then only digits; a zero needs a leading digit 0; beyond 32 bits saturates.
Reading ReferenceRead(const std::string& entered) {
    std::string text = entered.substr(0, 31);
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return kInvalid;
    }
    std::string number = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    bool negative = number[0] == '-';
    std::string digits = number[0] == '+' || number[0] == '-' ? number.substr(1) : number;
    if (digits.find_first_not_of("0123456789") != std::string::npos) {
        return kInvalid;
    }
    std::size_t significant = digits.find_first_not_of('0');
    if (significant == std::string::npos) {
        return number[0] == '0' ? Reading{true, 0} : kInvalid;
    }
    digits = digits.substr(significant);
    long long magnitude = digits.size() > 10 ? 1LL << 40 : std::stoll(digits);
    if (negative) {
        return {true, -magnitude < INT32_MIN ? INT32_MIN : static_cast<int32_t>(-magnitude)};
    }
    return {true, magnitude > INT32_MAX ? INT32_MAX : static_cast<int32_t>(magnitude)};
}

} // namespace

// The input up to its first NUL is the edit's text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    auto copy = ExactCopy(data, size, true);
    const char* text = reinterpret_cast<const char*>(copy.get());
    constexpr int32_t kUntouched = 0x5A5A5A5A;
    int32_t value = kUntouched;
    bool valid = ReadDialogInteger(text, value);

    Reading expected = ReferenceRead(text);
    FUZZ_CHECK(valid == expected.valid);
    FUZZ_CHECK(value == (expected.valid ? expected.value : kUntouched));
    return 0;
}
