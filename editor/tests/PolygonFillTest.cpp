// The even-odd scanline filler on its own.
#include "editor/PolygonFill.h"

#include <gtest/gtest.h>

#include <vector>

using editor::FillPolygonEvenOdd;

namespace {

std::vector<std::vector<int>> fill(const std::vector<POINT>& points, int w, int h) {
    std::vector<std::vector<int>> grid(static_cast<std::size_t>(h), std::vector<int>(static_cast<std::size_t>(w), 0));
    FillPolygonEvenOdd(points, w, h, [&](int y, int x1, int x2) {
        ASSERT_TRUE(y >= 0 && y < h && x1 >= 0 && x2 < w && x1 <= x2);
        for (int x = x1; x <= x2; ++x) ++grid[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
    });
    return grid;
}

}  // namespace

TEST(PolygonFill, PixelCentresInsideARectangleAndEachPixelOnce) {
    const auto g = fill({{2, 1}, {6, 1}, {6, 4}, {2, 4}}, 10, 6);
    int n = 0;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x) {
            EXPECT_LE(g[y][x], 1);
            n += g[y][x];
        }
    EXPECT_EQ(n, 4 * 3);  // columns 2..5, rows 1..3
    EXPECT_EQ(g[1][2], 1);
    EXPECT_EQ(g[3][5], 1);
    EXPECT_EQ(g[4][2], 0);
}

TEST(PolygonFill, OverlappingLoopsCancelAndOutsidePartsAreClipped) {
    // Two squares traced in one polygon: where they overlap the count is even.
    const auto g = fill({{0, 0}, {6, 0}, {6, 6}, {3, 6}, {3, 3}, {9, 3}, {9, 9}, {3, 9}, {3, 6}, {0, 6}}, 12, 12);
    EXPECT_EQ(g[1][1], 1);
    EXPECT_EQ(g[7][7], 1);
    EXPECT_EQ(g[4][4], 0);  // covered twice
    // Far outside the picture on every side: only the inside part, no write beyond it.
    const auto c = fill({{-100000, -5}, {100000, -5}, {100000, 100000}, {-100000, 100000}}, 8, 4);
    for (const auto& row : c)
        for (int v : row) EXPECT_EQ(v, 1);
    EXPECT_TRUE(fill({{0, 0}, {5, 5}}, 8, 8)[2][2] == 0);  // fewer than three points fill nothing
}
