// The main window's layout from its client rectangle.
#include "app/layout.h"

#include <gtest/gtest.h>

namespace {

std::vector<int32_t> sides(const rect& r) { return {r.left, r.top, r.right, r.bottom}; }

// The log takes a third of the width (truncated), the progress bar and the
// frame the rest beyond a free column, the frame below the bar and a free row.
TEST(Layout, OfClientRectangles) {
    const struct {
        rect client;
        std::vector<int32_t> log, progress, frame;
    } cases[] = {
        {{0, 0, 600, 400}, {0, 0, 200, 400}, {201, 0, 600, 32}, {201, 33, 600, 400}},
        {{0, 0, 601, 400}, {0, 0, 200, 400}, {201, 0, 601, 32}, {201, 33, 601, 400}},
        {{0, 0, 602, 10}, {0, 0, 200, 10}, {201, 0, 602, 32}, {201, 33, 602, 10}},
        {{0, 0, 0, 0}, {0, 0, 0, 0}, {1, 0, 0, 32}, {1, 33, 0, 0}},
        {{10, 20, 310, 220}, {10, 20, 110, 220}, {111, 20, 310, 52}, {111, 53, 310, 220}},
    };
    for (const auto& c : cases) {
        const windowlayout layout = layoutFor(c.client);
        EXPECT_EQ(sides(layout.log), c.log) << c.client.right;
        EXPECT_EQ(sides(layout.progress), c.progress) << c.client.right;
        EXPECT_EQ(sides(layout.frame), c.frame) << c.client.right;
    }
}

}  // namespace
