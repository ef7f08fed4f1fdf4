// The main window's list and pane arithmetic.
#include "MainLayout.h"

#include <gtest/gtest.h>

namespace {

struct LayoutCase {
    int width, height, listTop;
    MainLayout expected;
};

TEST(MainLayout, SplitsTheHeightBelowTheListBetweenListAndPane) {
    const LayoutCase cases[] = {
        {600, 300, 36, {598, 130, 168, 598, 130}},
        // An odd remainder goes to the pane.
        {600, 301, 36, {598, 130, 168, 598, 131}},
        {800, 600, 37, {798, 279, 318, 798, 280}},
        // Exactly the list's top plus 4 leaves nothing for either.
        {600, 40, 36, {598, 0, 38, 598, 0}},
        {600, 41, 36, {598, 0, 38, 598, 1}},
        // Smaller clients clamp every size at 0 instead of going negative.
        {600, 39, 36, {598, 0, 38, 598, 0}},
        {600, 0, 36, {598, 0, 38, 598, 0}},
        {1, 10, 36, {0, 0, 38, 0, 0}},
    };
    for (const LayoutCase& c : cases) {
        const MainLayout got = ComputeMainLayout(c.width, c.height, c.listTop);
        SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << " top " << c.listTop);
        EXPECT_EQ(got.listWidth, c.expected.listWidth);
        EXPECT_EQ(got.listHeight, c.expected.listHeight);
        EXPECT_EQ(got.paneTop, c.expected.paneTop);
        EXPECT_EQ(got.paneWidth, c.expected.paneWidth);
        EXPECT_EQ(got.paneHeight, c.expected.paneHeight);
    }
}

} // namespace
