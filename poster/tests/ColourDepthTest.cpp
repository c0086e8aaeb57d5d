// Colour depth changes among 1, 4, 8 and 24 bits: palettes (standard, popular, merged,
// random), pixel mappings (nearest, thresholds, ordered and error diffusion), the histogram
// and its sort, progress.
#include "classlib/Random.h"
#include "platform/gdi.h"
#include "poster/ColourDepth.h"
#include "poster/tests/PictureOpsSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <utility>

using namespace opstest;

namespace {

TColourReduction how(int method, bool optimized, bool merge, int count = 64) {
    TColourReduction r;
    r.Method = method;
    r.Optimized = optimized;
    r.Merge = merge;
    r.Count = count;
    return r;
}

int distinctIndexes(const UniqueDib& dib) {
    std::set<int> used;
    for (int y = 0; y < dib.get().Info->bmiHeader.biHeight; ++y)
        for (int x = 0; x < dib.get().Info->bmiHeader.biWidth; ++x) used.insert(at(dib, x, y));
    return static_cast<int>(used.size());
}

PALETTEENTRY entry(int r, int g, int b) { return PALETTEENTRY{static_cast<BYTE>(r), static_cast<BYTE>(g), static_cast<BYTE>(b), 0}; }

}  // namespace

TEST(StandardPalettes, HoldTheStaticColoursAtBothEnds) {
    const PALETTEENTRY* p = StandardPalette256();
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(sameEntry(p[i], StandardPalette16()[i])) << i;
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(sameEntry(p[248 + i], StandardPalette16()[8 + i])) << i;
    EXPECT_TRUE(sameEntry(p[8], entry(192, 220, 192)));
    EXPECT_TRUE(sameEntry(p[10], entry(4, 4, 4)));
    EXPECT_TRUE(sameEntry(p[29], entry(51, 0, 0)));
    EXPECT_TRUE(sameEntry(p[245], entry(248, 248, 248)));
    EXPECT_TRUE(sameEntry(p[246], entry(255, 251, 240)));
    EXPECT_TRUE(sameEntry(StandardPalette16()[7], entry(192, 192, 192)));
}

TEST(DepthUp, PalettesGrowWithRandomEntriesFromTheSeededGenerator) {
    UniqueDib four = make(3, 2, 4);
    picops::setPalette(four, StandardPalette16(), 16);
    for (int x = 0; x < 3; ++x) put(four, x, 1, 13 + x);
    SetRandSeed(99);
    UniqueDib eight = DepthUpTo(four.get(), 8);
    ASSERT_TRUE(eight);
    EXPECT_EQ(eight.get().Info->bmiHeader.biBitCount, 8);
    const auto p = palette(eight);
    for (int i = 0; i < 16; ++i) EXPECT_TRUE(sameEntry(p[static_cast<std::size_t>(i)], StandardPalette16()[i]));
    for (int i = 16; i < 256; ++i) {
        const PALETTEENTRY& e = p[static_cast<std::size_t>(i)];
        EXPECT_EQ((e.peRed | e.peGreen | e.peBlue) & 3, 0) << i;
    }
    EXPECT_EQ(at(eight, 2, 1), 15);
    EXPECT_EQ(at(eight, 0, 0), 0);
    // The same seed gives the same palette; the colour table and the handle follow it.
    SetRandSeed(99);
    UniqueDib again = DepthUpTo(four.get(), 8);
    for (int i = 0; i < 256; ++i) EXPECT_TRUE(sameEntry(palette(again)[static_cast<std::size_t>(i)], p[static_cast<std::size_t>(i)]));
    SetRandSeed(100);
    EXPECT_FALSE(sameEntry(palette(DepthUpTo(four.get(), 8))[200], p[200]) &&
                 sameEntry(palette(DepthUpTo(four.get(), 8))[201], p[201]));
    const RGBQUAD& q = eight.get().Info->bmiColors[200];
    EXPECT_EQ(q.rgbRed, p[200].peRed);
    PALETTEENTRY fromHandle{};
    GetPaletteEntries(eight.get().PalHandle, 200, 1, &fromHandle);
    EXPECT_TRUE(sameEntry(fromHandle, p[200]));
}

TEST(DepthUp, OneBitBecomesBlackAndWhiteWhateverItsPalette) {
    UniqueDib one = make(9, 3, 1, {entry(200, 0, 0), entry(0, 200, 0)});
    put(one, 0, 0, 1);
    put(one, 8, 2, 1);
    UniqueDib four = DepthUpTo(one.get(), 4);
    UniqueDib eight = DepthUpTo(one.get(), 8);
    UniqueDib full = DepthUpTo(one.get(), 24);
    ASSERT_TRUE(four && eight && full);
    EXPECT_EQ(at(four, 0, 0), 15);
    EXPECT_EQ(at(four, 1, 0), 0);
    EXPECT_EQ(at(eight, 8, 2), 255);
    EXPECT_TRUE(sameEntry(palette(four)[15], entry(255, 255, 255)));
    EXPECT_TRUE(sameEntry(palette(four)[0], entry(0, 0, 0)));
    EXPECT_TRUE(sameEntry(palette(eight)[255], entry(255, 255, 255)));
    EXPECT_EQ(at(full, 0, 0), rgb(255, 255, 255));
    EXPECT_EQ(at(full, 1, 0), rgb(0, 0, 0));
    EXPECT_EQ(at(full, 8, 2), rgb(255, 255, 255));
}

TEST(DepthUp, PaletteColoursBecomePixelsAndOtherPairsAreRefused) {
    UniqueDib eight = make(5, 1, 8, {entry(1, 2, 3), entry(250, 128, 7)});
    put(eight, 4, 0, 1);
    UniqueDib full = DepthUpTo(eight.get(), 24);
    ASSERT_TRUE(full);
    EXPECT_EQ(at(full, 4, 0), rgb(250, 128, 7));
    EXPECT_EQ(at(full, 0, 0), rgb(1, 2, 3));
    EXPECT_FALSE(DepthUpTo(full.get(), 24));
    EXPECT_FALSE(DepthUpTo(eight.get(), 4));
    EXPECT_FALSE(DepthUpTo(eight.get(), 8));
    EXPECT_FALSE(DepthUpTo(TDib{}, 24));
}

TEST(DepthDown, OneBitThresholdsUseTheAverageForTrueColourAndLuminanceForPalettes) {
    // Green 0,255,0: average 85 (black) but luminance 150 (white).
    UniqueDib full = make(2, 1, 24);
    put(full, 0, 0, rgb(0, 255, 0));
    put(full, 1, 0, rgb(200, 100, 90));
    UniqueDib one = DepthDownTo(full.get(), 1, how(TColourReduction::Nearest, false, false));
    ASSERT_TRUE(one);
    EXPECT_EQ(at(one, 0, 0), 0);
    EXPECT_EQ(at(one, 1, 0), 1);
    UniqueDib eight = make(2, 1, 8, {entry(0, 0, 0), entry(0, 255, 0)});
    put(eight, 1, 0, 1);
    UniqueDib fromPalette = DepthDownTo(eight.get(), 1, how(TColourReduction::Nearest, false, false));
    EXPECT_EQ(at(fromPalette, 1, 0), 1);
    EXPECT_EQ(at(fromPalette, 0, 0), 0);
}

TEST(DepthDown, MidGreyDitheredToBlackAndWhiteIsHalfWhite) {
    UniqueDib full = make(100, 100, 24);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) put(full, x, y, rgb(128, 128, 128));
    UniqueDib one = DepthDownTo(full.get(), 1, how(TColourReduction::ErrorDiffusion, false, false));
    ASSERT_TRUE(one);
    int white = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) white += at(one, x, y);
    EXPECT_NEAR(white / 10000.0, 0.5, 0.01);
}

TEST(DepthDown, SixteenColoursFromTheStandardOrThePopularPalette) {
    UniqueDib full = make(10, 10, 24);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) put(full, x, y, x < 6 ? rgb(250, 10, 10) : (y < 3 ? rgb(10, 10, 240) : rgb(0, 250, 0)));
    UniqueDib standard = DepthDownTo(full.get(), 4, how(TColourReduction::Nearest, false, false));
    ASSERT_TRUE(standard);
    EXPECT_EQ(at(standard, 0, 0), 9);    // red
    EXPECT_EQ(at(standard, 9, 0), 12);   // blue
    EXPECT_EQ(at(standard, 9, 9), 10);   // green
    UniqueDib popular = DepthDownTo(full.get(), 4, how(TColourReduction::Nearest, true, false));
    ASSERT_TRUE(popular);
    const auto p = palette(popular);
    // Components keep their top 3 bits; the most frequent colour comes first.
    EXPECT_TRUE(sameEntry(p[0], entry(224, 0, 0)));
    EXPECT_TRUE(sameEntry(p[1], entry(0, 224, 0)));
    EXPECT_TRUE(sameEntry(p[2], entry(0, 0, 224)));
    // The rest are codes that do not occur, each a reduced colour (some the same).
    for (int i = 3; i < 16; ++i) {
        const PALETTEENTRY& e = p[static_cast<std::size_t>(i)];
        EXPECT_EQ((e.peRed | e.peGreen | e.peBlue) % 32, 0) << i;
    }
    EXPECT_EQ(at(popular, 0, 0), 0);
    EXPECT_EQ(at(popular, 9, 9), 1);
    EXPECT_EQ(at(popular, 9, 0), 2);
    // From 8 bits: each pixel's palette colour is matched.
    UniqueDib eight = make(3, 1, 8, {entry(0, 0, 0), entry(130, 130, 130), entry(255, 250, 0)});
    put(eight, 1, 0, 1);
    put(eight, 2, 0, 2);
    UniqueDib four = DepthDownTo(eight.get(), 4, how(TColourReduction::Nearest, false, false));
    EXPECT_EQ(at(four, 0, 0), 0);
    EXPECT_EQ(at(four, 1, 0), 8);
    EXPECT_EQ(at(four, 2, 0), 11);
}

TEST(DepthDown, OrderedDitherDependsOnlyOnColourAndPositionModEight) {
    // Red 25 on the bottom stored row: threshold 0 at column 0 (up a level), 25 at column 1.
    UniqueDib full = make(2, 2, 24);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) put(full, x, y, rgb(25, 0, 0));
    UniqueDib eight = DepthDownTo(full.get(), 8, how(TColourReduction::Ordered, false, false));
    ASSERT_TRUE(eight);
    EXPECT_EQ(at(eight, 0, 1), 29);  // 51,0,0
    EXPECT_EQ(at(eight, 1, 1), 0);
    EXPECT_TRUE(sameEntry(palette(eight)[29], entry(51, 0, 0)));
    // Pure colours of the cube need no threshold.
    EXPECT_EQ(OrderedDitherIndex(255, 255, 255, 3, 5), 255);
    EXPECT_EQ(OrderedDitherIndex(0, 0, 0, 3, 5), 0);

    // A picture whose colours repeat every 8 columns and rows dithers the same way.
    UniqueDib big = make(37, 29, 24);
    scramble(big, 5);
    const TDib& b = big.get();
    const int h = b.Info->bmiHeader.biHeight;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 37; ++x) {
            const int stored = h - 1 - y;
            put(big, x, y, getpixel(b, x % 8, h - 1 - stored % 8));
        }
    UniqueDib d = DepthDownTo(b, 8, how(TColourReduction::Ordered, false, false));
    ASSERT_TRUE(d);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 37; ++x) {
            const int stored = h - 1 - y;
            const int c = at(big, x, y);
            ASSERT_EQ(at(d, x, y), at(d, x % 8, h - 1 - stored % 8)) << x << "," << y;
            ASSERT_EQ(at(d, x, y), OrderedDitherIndex(red(c), green(c), blue(c), x, stored));
        }
}

TEST(DepthDown, EightBitPalettesPopularMergedOrStandard) {
    UniqueDib full = make(16, 16, 24);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) put(full, x, y, rgb(x * 16, y * 16, 40));
    UniqueDib popular = DepthDownTo(full.get(), 8, how(TColourReduction::Nearest, true, false));
    ASSERT_TRUE(popular);
    EXPECT_EQ(distinctIndexes(popular), 256);  // all 256 colours are kept exactly
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const PALETTEENTRY& e = popular.get().Palette.palPalEntry[at(popular, x, y)];
            ASSERT_TRUE(sameEntry(e, entry(x * 16, y * 16, 32)));
        }
    UniqueDib merged = DepthDownTo(full.get(), 8, how(TColourReduction::ErrorDiffusion, true, true));
    ASSERT_TRUE(merged);
    const auto m = palette(merged);
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(sameEntry(m[static_cast<std::size_t>(i)], StandardPalette256()[i]));
    for (int i = 246; i < 256; ++i) EXPECT_TRUE(sameEntry(m[static_cast<std::size_t>(i)], StandardPalette256()[i]));
    std::set<std::tuple<int, int, int>> middle;
    for (int i = 10; i < 246; ++i) middle.insert({m[static_cast<std::size_t>(i)].peRed, m[static_cast<std::size_t>(i)].peGreen, m[static_cast<std::size_t>(i)].peBlue});
    EXPECT_EQ(middle.size(), 236u);
    UniqueDib standard = DepthDownTo(full.get(), 8, how(TColourReduction::Nearest, false, true));
    for (int i = 0; i < 256; ++i) EXPECT_TRUE(sameEntry(palette(standard)[static_cast<std::size_t>(i)], StandardPalette256()[i]));
    EXPECT_EQ(at(standard, 0, 0), static_cast<int>(NearestPaletteEntry(StandardPalette256(), 256, RGB(0, 0, 40))));
}

TEST(DepthDown, FreeReductionPicksThatManyColours) {
    UniqueDib full = make(40, 10, 24);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 40; ++x) put(full, x, y, rgb((x % 10) * 25, y * 25, 100));
    UniqueDib eight = DepthDownTo(full.get(), 0, how(TColourReduction::Nearest, true, false, 8));
    ASSERT_TRUE(eight);
    EXPECT_EQ(eight.get().Info->bmiHeader.biBitCount, 4);
    EXPECT_LE(distinctIndexes(eight), 8);
    const auto p = palette(eight);
    for (int i = 8; i < 16; ++i) EXPECT_TRUE(sameEntry(p[static_cast<std::size_t>(i)], p[0])) << "unused entries repeat the first";
    UniqueDib forty = DepthDownTo(full.get(), 0, how(TColourReduction::ErrorDiffusion, true, true, 40));
    ASSERT_TRUE(forty);
    EXPECT_EQ(forty.get().Info->bmiHeader.biBitCount, 8);
    const auto q = palette(forty);
    EXPECT_TRUE(sameEntry(q[9], StandardPalette256()[9]));
    EXPECT_TRUE(sameEntry(q[30], q[0])) << "20 popular colours in 10..29, the rest as entry 0";
    EXPECT_FALSE(sameEntry(q[29], q[0]));
    EXPECT_TRUE(sameEntry(q[255], StandardPalette256()[255]));
    // Not below the depth: refused.
    UniqueDib four = make(2, 2, 4);
    EXPECT_FALSE(DepthDownTo(four.get(), 8, how(1, true, true)));
    EXPECT_FALSE(DepthDownTo(four.get(), 4, how(1, true, true)));
    EXPECT_FALSE(DepthDownTo(eight.get(), 0, how(1, true, false, 40)));
}

TEST(Popularity, AFrequentColourHalvesTheHistogramInsteadOfOverflowing) {
    // 200,000 pixels of one colour first (bottom stored rows), then 300 of another.
    UniqueDib full = make(1000, 201, 24);
    for (int y = 0; y < 201; ++y)
        for (int x = 0; x < 1000; ++x) put(full, x, y, y == 0 && x < 300 ? rgb(0, 0, 255) : (y == 0 ? rgb(0, 255, 0) : rgb(255, 0, 0)));
    PALETTEENTRY table[4] = {};
    BuildPopularityPalette(full.get(), 4, 4, table);
    EXPECT_TRUE(sameEntry(table[0], entry(240, 0, 0)));
    EXPECT_TRUE(sameEntry(table[1], entry(0, 240, 0)));
    EXPECT_TRUE(sameEntry(table[2], entry(0, 0, 240)));
}

TEST(Popularity, TheSortOrdersCountersAndCarriesTheirCodes) {
    std::mt19937 random(11);
    std::vector<std::uint16_t> counters(32768), codes(32768);
    for (std::size_t i = 0; i < counters.size(); ++i) {
        counters[i] = static_cast<std::uint16_t>(random() % 7 == 0 ? random() % 65536 : 0);
        codes[i] = static_cast<std::uint16_t>(i);
    }
    std::map<std::uint16_t, std::uint16_t> pairs;
    for (std::size_t i = 0; i < counters.size(); ++i) pairs[codes[i]] = counters[i];
    SortColourHistogram(counters.data(), codes.data(), 0, 32767);
    EXPECT_TRUE(std::is_sorted(counters.begin(), counters.end()));
    for (std::size_t i = 0; i < counters.size(); ++i) ASSERT_EQ(pairs[codes[i]], counters[i]);
    // Already sorted and all equal input stays put and ends.
    std::vector<std::uint16_t> same(32768, 3), order(32768);
    SortColourHistogram(same.data(), order.data(), 0, 32767);
    EXPECT_TRUE(std::all_of(same.begin(), same.end(), [](std::uint16_t v) { return v == 3; }));
}

TEST(DepthChanges, ProgressAndOneRowPictures) {
    UniqueDib row = make(7, 1, 24);
    scramble(row, 2);
    for (int bits : {1, 4, 8}) {
        Progress p;
        UniqueDib d = DepthDownTo(row.get(), bits, how(TColourReduction::ErrorDiffusion, true, true), p.sink());
        ASSERT_TRUE(d);
        EXPECT_TRUE(p.onlyZeros()) << bits;
    }
    UniqueDib one = make(3, 1, 1);
    Progress q;
    EXPECT_TRUE(DepthUpTo(one.get(), 24, q.sink()));
    EXPECT_TRUE(q.onlyZeros());
    UniqueDib tall = make(3, 9, 1);
    Progress r;
    DepthUpTo(tall.get(), 8, r.sink());
    EXPECT_TRUE(r.wellFormed(100));
    // Memory refused: nothing is made and the caller keeps its picture.
    pixwerk::setAllocationLimit(4);
    EXPECT_FALSE(DepthUpTo(tall.get(), 24));
    EXPECT_FALSE(DepthDownTo(row.get(), 8, how(1, true, true)));
    pixwerk::setAllocationLimit(0);
}
