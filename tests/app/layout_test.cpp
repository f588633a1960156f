// The main window's layout from its client rectangle.
#include "app/layout.h"

#include <gtest/gtest.h>

namespace {

std::vector<int32_t> sides(const rect& r) { return {r.left, r.top, r.right, r.bottom}; }

TEST(Layout, ClientOf600By400) {
    const windowlayout layout = layoutFor({0, 0, 600, 400});
    EXPECT_EQ(sides(layout.log), (std::vector<int32_t>{0, 0, 200, 400}));
    EXPECT_EQ(sides(layout.progress), (std::vector<int32_t>{201, 0, 600, 32}));
    EXPECT_EQ(sides(layout.frame), (std::vector<int32_t>{201, 33, 600, 400}));
}

TEST(Layout, AWidthNotAMultipleOfThreeTruncates) {
    const windowlayout layout = layoutFor({0, 0, 601, 400});
    EXPECT_EQ(sides(layout.log), (std::vector<int32_t>{0, 0, 200, 400}));
    EXPECT_EQ(sides(layout.frame), (std::vector<int32_t>{201, 33, 601, 400}));
    EXPECT_EQ(sides(layoutFor({0, 0, 602, 10}).frame), (std::vector<int32_t>{201, 33, 602, 10}));
}

TEST(Layout, AnEmptyClientAreaGivesAnEmptyFrameRectangle) {
    const windowlayout layout = layoutFor({0, 0, 0, 0});
    EXPECT_EQ(sides(layout.log), (std::vector<int32_t>{0, 0, 0, 0}));
    EXPECT_EQ(sides(layout.frame), (std::vector<int32_t>{1, 33, 0, 0}));
}

TEST(Layout, FollowsAClientRectangleThatDoesNotStartAtTheOrigin) {
    const windowlayout layout = layoutFor({10, 20, 310, 220});
    EXPECT_EQ(sides(layout.log), (std::vector<int32_t>{10, 20, 110, 220}));
    EXPECT_EQ(sides(layout.progress), (std::vector<int32_t>{111, 20, 310, 52}));
    EXPECT_EQ(sides(layout.frame), (std::vector<int32_t>{111, 53, 310, 220}));
}

}  // namespace
