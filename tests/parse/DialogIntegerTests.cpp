// Tests of the settings dialog's integer entry rule.
#include "DialogInteger.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

constexpr int32_t kUntouched = 4321;

TEST(DialogInteger, ReadsEntries) {
    const std::string blanks29(29, ' ');
    const struct {
        std::string text;
        bool valid;
        int32_t value;
    } cases[] = {
        {"", false, kUntouched},
        {"0", true, 0},
        {"00", true, 0},
        {" 0\t", true, 0},
        {"+0", false, kUntouched},
        {"-0", false, kUntouched},
        {"+", false, kUntouched},
        {" 12 ", true, 12},
        {"\t-7\t", true, -7},
        {"007", true, 7},
        {"2147483647", true, INT32_MAX},
        {"2147483648", true, INT32_MAX},
        {"99999999999999999999", true, INT32_MAX},
        {"-2147483648", true, INT32_MIN},
        {"-2147483649", true, INT32_MIN},
        {"1x", false, kUntouched},
        {"1 2", false, kUntouched},
        {"- 5", false, kUntouched},
        {"0x10", false, kUntouched},
        {"\n5", false, kUntouched},
        // Only the first 31 characters count.
        {"0000000000000000000000000000042"
         "999999999",
         true, 42},
        {"12" + blanks29 + "x", true, 12},
        {"12" + std::string(28, ' ') + "x", false, kUntouched},
        {std::string(30, ' ') + "7", true, 7},
        {std::string(31, ' ') + "7", false, kUntouched},
    };
    for (const auto& c : cases) {
        std::unique_ptr<char[]> text(new char[c.text.size() + 1]);
        c.text.copy(text.get(), c.text.size());
        text[c.text.size()] = '\0';
        int32_t value = kUntouched;
        EXPECT_EQ(ReadDialogInteger(text.get(), value), c.valid) << '"' << c.text << '"';
        EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
}

TEST(DialogInteger, NullTextIsInvalid) {
    int32_t value = kUntouched;
    EXPECT_FALSE(ReadDialogInteger(nullptr, value));
    EXPECT_EQ(value, kUntouched);
}

} // namespace
