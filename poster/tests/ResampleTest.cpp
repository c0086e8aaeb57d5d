// Resampling: copies at the same size, exact interpolation weights, the 2 x 2 doubling,
// nearest neighbour at every depth, nibbles, sizes in 64 bits, refusals, progress.
#include "poster/Resample.h"
#include "poster/tests/PictureOpsSupport.h"

#include <gtest/gtest.h>

using namespace opstest;

namespace {

// Pixel x of stored row y (counted from the bottom).
int stored(const UniqueDib& d, int x, int y) { return at(d, x, d.get().Info->bmiHeader.biHeight - 1 - y); }

}  // namespace

TEST(ResizeDib, TheSameSizeCopiesEveryDepthAndInterpolationKeepsWhite) {
    for (int bits : {1, 4, 8, 24}) {
        UniqueDib d = make(7, 5, bits);
        scramble(d, static_cast<unsigned>(bits));
        for (bool smooth : {false, true}) {
            UniqueDib r = ResizeDib(d.get(), 7, 5, smooth);
            ASSERT_TRUE(r);
            EXPECT_EQ(bytes(r), bytes(d)) << bits << (smooth ? " smooth" : "");
            EXPECT_EQ(palette(r).size(), palette(d).size());
        }
    }
    // Weights 1024 - f and f: white stays 255 when enlarged.
    UniqueDib white = make(3, 3, 24);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) put(white, x, y, rgb(255, 255, 255));
    UniqueDib big = ResizeDib(white.get(), 10, 7, true);
    ASSERT_TRUE(big);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(at(big, x, y), rgb(255, 255, 255)) << x << "," << y;
}

TEST(ResizeDib, DoublingTwoByTwoBlendsTowardTheClampedNeighbour) {
    UniqueDib d = make(2, 2, 24);
    const int p0 = rgb(10, 20, 30), p1 = rgb(110, 220, 31), p2 = rgb(50, 60, 70), p3 = rgb(90, 100, 110);
    put(d, 0, 1, p0);  // stored row 0
    put(d, 1, 1, p1);
    put(d, 0, 0, p2);
    put(d, 1, 0, p3);
    UniqueDib r = ResizeDib(d.get(), 4, 4, true);
    ASSERT_TRUE(r);
    EXPECT_EQ(stored(r, 0, 0), p0);
    EXPECT_EQ(stored(r, 1, 0), rgb(60, 120, 30));  // (a x 512 + b x 512) >> 10
    EXPECT_EQ(stored(r, 2, 0), p1);
    EXPECT_EQ(stored(r, 3, 0), p1);
    // Stored row 1 lies halfway up; rows 2 and 3 are the top row.
    EXPECT_EQ(stored(r, 0, 1), rgb(30, 40, 50));
    EXPECT_EQ(stored(r, 0, 2), p2);
    EXPECT_EQ(stored(r, 3, 3), p3);
    // Without interpolation every pixel repeats.
    UniqueDib n = ResizeDib(d.get(), 4, 4, false);
    EXPECT_EQ(stored(n, 1, 0), p0);
    EXPECT_EQ(stored(n, 2, 1), p1);
}

TEST(ResizeDib, NearestNeighbourWhenEitherSideShrinks) {
    UniqueDib d = make(4, 4, 24);
    scramble(d, 9);
    UniqueDib r = ResizeDib(d.get(), 8, 2, true);
    ASSERT_TRUE(r);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(stored(r, x, y), stored(d, x / 2, 2 * y)) << x << "," << y;
    UniqueDib half = ResizeDib(d.get(), 2, 2, true);
    EXPECT_EQ(stored(half, 1, 1), stored(d, 2, 2));
}

TEST(ResizeDib, PaletteDepthsKeepTheirPaletteAndPackTheirPixels) {
    UniqueDib four = make(2, 1, 4, {PALETTEENTRY{1, 2, 3, 0}});
    put(four, 0, 0, 5);
    put(four, 1, 0, 7);
    UniqueDib odd = ResizeDib(four.get(), 3, 1, false);
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd.get().Bits[0], 0x55);
    EXPECT_EQ(odd.get().Bits[1], 0x70) << "the last byte's low nibble stays 0";
    EXPECT_TRUE(sameEntry(palette(odd)[0], PALETTEENTRY{1, 2, 3, 0}));
    // 1 bit counts rows from the top: 3 rows down to 2 take rows 0 and 1 from the top.
    UniqueDib one = make(3, 3, 1);
    put(one, 0, 1, 1);
    UniqueDib small = ResizeDib(one.get(), 3, 2, false);
    EXPECT_EQ(at(small, 0, 1), 1);
    EXPECT_EQ(at(small, 0, 0), 0);
    UniqueDib eight = make(3, 3, 8);
    scramble(eight, 1);
    UniqueDib wide = ResizeDib(eight.get(), 6, 3, true);
    for (int x = 0; x < 6; ++x) EXPECT_EQ(at(wide, x, 1), at(eight, x / 2, 1));
}

TEST(ResizeDib, PositionsAreComputedInSixtyFourBits) {
    // 3,000,000 x 1024 overflows 32 bits; so does x x sx for the last result column.
    UniqueDib d = make(3000000, 1, 24);
    put(d, 2999998, 0, rgb(1, 2, 3));
    put(d, 1500000, 0, rgb(4, 5, 6));
    UniqueDib r = ResizeDib(d.get(), 2000000, 1, false);
    ASSERT_TRUE(r);
    EXPECT_EQ(at(r, 1999999, 0), rgb(1, 2, 3));  // (1,999,999 x 1536) >> 10
    EXPECT_EQ(at(r, 1000000, 0), rgb(4, 5, 6));
}

TEST(ResizeDib, SizesThatCannotBeMadeAreRefused) {
    UniqueDib d = make(2, 2, 24);
    EXPECT_FALSE(ResizeDib(d.get(), 0, 5, false));
    EXPECT_FALSE(ResizeDib(d.get(), 5, -1, true));
    EXPECT_FALSE(ResizeDib(d.get(), 2000000000, 2000000000, true));
    EXPECT_FALSE(ResizeDib(TDib{}, 5, 5, true));
}

TEST(ResizeDib, ProgressOverTheNewRows) {
    UniqueDib d = make(3, 2, 24);
    Progress p;
    ResizeDib(d.get(), 5, 1, true, p.sink());
    EXPECT_TRUE(p.onlyZeros());
    Progress q;
    ResizeDib(d.get(), 5, 9, true, q.sink());
    EXPECT_TRUE(q.wellFormed(100));
}
