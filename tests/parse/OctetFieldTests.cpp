// Tests of the octet field reader: decimal conversion as strtol does it, within the count and the text.
#include "ExactText.h"
#include "OctetField.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>

namespace {

TEST(OctetField, ConvertsLikeDecimalStrtol) {
    const struct {
        const char* text;
        int count;
        int expected;
    } cases[] = {
        {"007", 3, 7},
        {"255", 3, 255},
        {"1.2", 3, 1},
        {"---", 3, 0},
        {"123", 0, 0},
        {"  7", 3, 7},
        {"\t\n9", 3, 9},
        {"-12", 3, -12},
        {"+5x", 3, 5},
        {"12345", 3, 123},
        {"12345", 5, 12345},
        {"abc", 3, 0},
        {"99999999999999999999999999999", 29, INT_MAX},
        {"-99999999999999999999999999999", 29, INT_MIN},
        {"-2147483648", 11, INT_MIN},
    };
    for (const auto& c : cases) {
        std::unique_ptr<char[]> text = ExactText(c.text);
        EXPECT_EQ(ParseOctetField(text.get(), c.count), c.expected) << '"' << c.text << "\" count " << c.count;
    }
}

TEST(OctetField, OutOfRangeCountReadsNothing) {
    EXPECT_EQ(ParseOctetField(nullptr, -1), -1);
    EXPECT_EQ(ParseOctetField(nullptr, 30), -1);
    EXPECT_EQ(ParseOctetField(nullptr, INT_MIN), -1);
    EXPECT_EQ(ParseOctetField(nullptr, 0), 0);
}

TEST(OctetField, StopsAtAnEarlierNul) {
    std::unique_ptr<char[]> text = ExactText("9");
    EXPECT_EQ(ParseOctetField(text.get(), 29), 9);
}

} // namespace
