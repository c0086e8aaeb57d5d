// Mirrors, flips and turns: the mapping of every pixel, going back byte for byte at every
// depth with odd sizes, palettes kept, floating selections mirrored as a pair.
#include "poster/FlipTurn.h"
#include "poster/tests/PictureOpsSupport.h"

#include <gtest/gtest.h>

using namespace opstest;

TEST(FlipTurn, EachPixelGoesWhereTheTableSays) {
    const int W = 3, H = 2;
    UniqueDib d = make(W, H, 24);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) put(d, x, y, rgb(x, y, 9));
    UniqueDib h = MirrorDibH(d.get()), v = MirrorDibV(d.get()), l = RotLeftDib(d.get()), r = RotRightDib(d.get()),
              half = Rot180Dib(d.get());
    ASSERT_TRUE(h && v && l && r && half);
    EXPECT_EQ(l.get().Info->bmiHeader.biWidth, H);
    EXPECT_EQ(l.get().Info->bmiHeader.biHeight, W);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            EXPECT_EQ(at(h, x, y), rgb(W - 1 - x, y, 9));
            EXPECT_EQ(at(v, x, y), rgb(x, H - 1 - y, 9));
            EXPECT_EQ(at(l, y, W - 1 - x), rgb(x, y, 9));
            EXPECT_EQ(at(r, H - 1 - y, x), rgb(x, y, 9));
            EXPECT_EQ(at(half, W - 1 - x, H - 1 - y), rgb(x, y, 9));
        }
}

TEST(FlipTurn, TwiceOrBackGivesTheFirstPictureAtEveryDepth) {
    for (int bits : {1, 4, 8, 24}) {
        for (auto size : {std::pair{13, 7}, std::pair{1, 1}, std::pair{65, 3}, std::pair{5, 130}}) {
            UniqueDib d = make(size.first, size.second, bits, {PALETTEENTRY{3, 4, 5, 0}, PALETTEENTRY{200, 1, 2, 0}});
            scramble(d, static_cast<unsigned>(bits * 7 + size.first));
            const auto first = bytes(d);
            EXPECT_EQ(bytes(MirrorDibH(MirrorDibH(d.get()).get())), first) << bits;
            EXPECT_EQ(bytes(MirrorDibV(MirrorDibV(d.get()).get())), first) << bits;
            EXPECT_EQ(bytes(RotRightDib(RotLeftDib(d.get()).get())), first) << bits;
            EXPECT_EQ(bytes(RotLeftDib(RotRightDib(d.get()).get())), first) << bits;
            EXPECT_EQ(bytes(Rot180Dib(Rot180Dib(d.get()).get())), first) << bits;
            UniqueDib quarter = RotRightDib(d.get());
            EXPECT_EQ(bytes(Rot180Dib(RotRightDib(quarter.get()).get())).size(), first.size());
            EXPECT_EQ(bytes(RotRightDib(RotRightDib(RotRightDib(quarter.get()).get()).get())), first) << bits;
            EXPECT_EQ(quarter.get().Info->bmiHeader.biWidth, size.second);
            EXPECT_EQ(quarter.get().Info->bmiHeader.biHeight, size.first);
            EXPECT_EQ(quarter.get().Info->bmiHeader.biBitCount, bits);
            if (bits <= 8) {
                EXPECT_TRUE(sameEntry(palette(quarter)[1], PALETTEENTRY{200, 1, 2, 0}));
                EXPECT_EQ(quarter.get().Info->bmiColors[1].rgbRed, 200);
            }
            if (size.first == 1 && size.second == 1) {
                EXPECT_EQ(bytes(MirrorDibH(d.get())), first);
                EXPECT_EQ(bytes(RotLeftDib(d.get())), first);
            }
        }
    }
}

TEST(FlipTurn, NoMemoryGivesNothingAndProgressRunsOverTheRows) {
    UniqueDib d = make(40, 40, 24);
    pixwerk::setAllocationLimit(100);
    EXPECT_FALSE(MirrorDibH(d.get()));
    EXPECT_FALSE(RotLeftDib(d.get()));
    pixwerk::setAllocationLimit(0);
    EXPECT_FALSE(MirrorDibV(TDib{}));
    Progress p;
    RotRightDib(d.get(), p.sink());
    EXPECT_TRUE(p.wellFormed(100));
    UniqueDib row = make(40, 1, 8);
    Progress q;
    MirrorDibH(row.get(), q.sink());
    RotLeftDib(row.get(), q.sink());
    EXPECT_TRUE(q.onlyZeros());
}

TEST(MirrorFloating, PictureAndMaskAreReplacedTogetherOrNotAtAll) {
    UniqueDib picture = make(8, 8, 1), maskDib = make(64, 8, 1);
    put(picture, 0, 0, 1);
    put(maskDib, 0, 0, 1);
    const auto picturePixels = bytes(picture), maskPixels = bytes(maskDib);
    // Room for the mirrored picture (32 bytes) but not for the mirrored mask (64 bytes).
    pixwerk::setAllocationLimit(40);
    EXPECT_FALSE(MirrorFloating(picture, maskDib, true, true));
    pixwerk::setAllocationLimit(0);
    EXPECT_EQ(bytes(picture), picturePixels);
    EXPECT_EQ(bytes(maskDib), maskPixels);
    ASSERT_TRUE(MirrorFloating(picture, maskDib, true, true));
    EXPECT_EQ(at(picture, 7, 0), 1);
    EXPECT_EQ(at(maskDib, 63, 0), 1);
    // Without its mask only the picture turns over.
    ASSERT_TRUE(MirrorFloating(picture, maskDib, false, false));
    EXPECT_EQ(at(picture, 7, 7), 1);
    EXPECT_EQ(at(maskDib, 63, 0), 1);
    UniqueDib none;
    EXPECT_FALSE(MirrorFloating(none, maskDib, true, true));
}
