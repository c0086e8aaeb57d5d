// 5 x 5 convolution: orientation of the weights, division, bias and clamping in 64 bits,
// edges, the selection mask, taking the result back, refused records, progress.
#include "poster/Filters.h"
#include "poster/tests/PictureOpsSupport.h"

#include <climits>
#include <gtest/gtest.h>

using namespace opstest;

namespace {

// A record in the column order DibFilter reads, with one weight at window row r, column c.
TFilterRec single(int r, int c, int weight, int divisor = 1, int bias = 0) {
    TFilterRec f{};
    f.Divisor = divisor;
    f.Bias = bias;
    f.Matrix[r + 5 * c] = weight;
    return f;
}

TFilterRec effect(int i) {
    TFilterRec f;
    TransposeKernel(PosterEffect(i), f);
    return f;
}

UniqueDib flat(int w, int h, int colour) {
    UniqueDib d = make(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) put(d, x, y, colour);
    return d;
}

}  // namespace

TEST(DibFilter, WindowRowsRunDownAndColumnsRight) {
    // Distinct pixels: red = 10 x column, green = 10 x row.
    UniqueDib d = make(5, 5, 24);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) put(d, x, y, rgb(10 * x, 10 * y, 7));
    // Window row 0, column 2: the pixel two rows above (the top row repeats above itself).
    ASSERT_EQ(DibFilter(d.get(), single(0, 2, 1)), TFilterOutcome::Applied);
    EXPECT_EQ(at(d, 3, 4), rgb(30, 20, 7));
    EXPECT_EQ(at(d, 3, 1), rgb(30, 0, 7));
    // Window row 2, column 4: two columns to the right, the last column repeating.
    ASSERT_EQ(DibFilter(d.get(), single(2, 4, 1)), TFilterOutcome::Applied);
    EXPECT_EQ(at(d, 1, 4), rgb(30, 20, 7));
    EXPECT_EQ(at(d, 3, 4), rgb(40, 20, 7));
    // A built-in record is tabled row by row and turned before use.
    TFilterRec rows{};
    rows.Divisor = 1;
    rows.Matrix[5 * 0 + 2] = 1;  // row 0, column 2: two rows above
    TFilterRec turned;
    TransposeKernel(rows, turned);
    UniqueDib e = make(1, 5, 24);
    for (int y = 0; y < 5; ++y) put(e, 0, y, rgb(0, 10 * y, 0));
    DibFilter(e.get(), turned);
    EXPECT_EQ(at(e, 0, 4), rgb(0, 20, 0));
}

TEST(DibFilter, BuiltInEffectsOnFlatPicturesAndRamps) {
    UniqueDib one = flat(1, 1, rgb(12, 34, 56));
    EXPECT_EQ(DibFilter(one.get(), effect(0)), TFilterOutcome::Applied);
    EXPECT_EQ(at(one, 0, 0), rgb(12, 34, 56)) << "1 x 1 softened keeps its colour";
    UniqueDib grey = flat(6, 4, rgb(90, 200, 17));
    DibFilter(grey.get(), effect(12));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(at(grey, x, y), rgb(128, 128, 128));
    UniqueDib edges = flat(6, 4, rgb(90, 200, 17));
    DibFilter(edges.get(), effect(9));
    EXPECT_EQ(at(edges, 3, 2), 0);
    // A left-to-right ramp of 10 a column: inside 3 x (v(x+1) - v(x-1)) = 60, at the edges
    // the repeated pixel gives 30; a top-to-bottom ramp gives nothing.
    UniqueDib across = make(8, 5, 24), down = make(8, 5, 24);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 8; ++x) {
            put(across, x, y, rgb(10 * x, 10 * x, 10 * x));
            put(down, x, y, rgb(10 * y, 10 * y, 10 * y));
        }
    DibFilter(across.get(), effect(10));
    DibFilter(down.get(), effect(10));
    for (int y = 0; y < 5; ++y) {
        EXPECT_EQ(at(across, 0, y), rgb(30, 30, 30));
        EXPECT_EQ(at(across, 4, y), rgb(60, 60, 60));
        EXPECT_EQ(at(across, 7, y), rgb(30, 30, 30));
        for (int x = 0; x < 8; ++x) EXPECT_EQ(at(down, x, y), 0);
    }
}

TEST(DibFilter, DividesTowardZeroThenAddsTheBiasAndClamps) {
    UniqueDib d = make(3, 1, 24);
    put(d, 0, 0, rgb(101, 3, 255));
    put(d, 1, 0, rgb(3, 3, 3));
    put(d, 2, 0, rgb(255, 255, 255));
    UniqueDib a = make(3, 1, 24);
    std::memcpy(a.get().Bits, d.get().Bits, 12);
    DibFilter(a.get(), single(2, 2, 1, 2, 10));
    EXPECT_EQ(at(a, 0, 0), rgb(60, 11, 137));  // 101 / 2 + 10, 3 / 2 + 10, 255 / 2 + 10
    // -3 / 2 is -1, not -2.
    DibFilter(d.get(), single(2, 2, -1, 2, 100));
    EXPECT_EQ(at(d, 1, 0), rgb(99, 99, 99));
    UniqueDib bright = flat(2, 2, rgb(200, 200, 200));
    DibFilter(bright.get(), single(2, 2, 2));
    EXPECT_EQ(at(bright, 0, 0), rgb(255, 255, 255));
}

TEST(DibFilter, WeightsOfAnySizeSumInSixtyFourBits) {
    UniqueDib d = flat(3, 3, rgb(200, 7, 0));
    DibFilter(d.get(), single(2, 2, INT32_MAX, INT32_MAX));
    EXPECT_EQ(at(d, 1, 1), rgb(200, 7, 0));
    // 25 large weights: 25 x 2^30 x 255 needs more than 32 bits.
    TFilterRec big{};
    big.Divisor = 1 << 30;
    for (int& w : big.Matrix) w = 1 << 30;
    big.Divisor = INT32_MAX;
    UniqueDib e = flat(4, 4, rgb(100, 50, 1));
    DibFilter(e.get(), big);
    // 25 x 2^30 x 100 / (2^31 - 1) = 1250.0000006 -> 255; x 50 -> 625 -> 255; x 1 -> 12.
    EXPECT_EQ(at(e, 2, 2), rgb(255, 255, 12));
    UniqueDib f = flat(2, 2, rgb(10, 10, 10));
    DibFilter(f.get(), single(2, 2, INT32_MIN + 1, 1, INT32_MAX));
    EXPECT_EQ(at(f, 0, 0), 0);
}

TEST(DibFilter, RefusedRecordsAndPalettePicturesLeaveThePictureAlone) {
    UniqueDib d = flat(3, 2, rgb(1, 2, 3));
    const auto before = bytes(d);
    EXPECT_EQ(DibFilter(d.get(), single(2, 2, 5, 0)), TFilterOutcome::BadDivisor);
    EXPECT_EQ(bytes(d), before);
    UniqueDib eight = make(3, 2, 8);
    put(eight, 1, 1, 7);
    const auto palettePixels = bytes(eight);
    EXPECT_EQ(DibFilter(eight.get(), effect(3)), TFilterOutcome::NotTrueColour);
    EXPECT_EQ(bytes(eight), palettePixels);
    EXPECT_EQ(DibFilter(TDib{}, effect(3)), TFilterOutcome::NoPicture);
    pixwerk::setAllocationLimit(16);
    EXPECT_EQ(DibFilter(d.get(), effect(2)), TFilterOutcome::NoMemory);
    pixwerk::setAllocationLimit(0);
    EXPECT_EQ(bytes(d), before);
}

TEST(DibFilter, OnlySelectedPixelsChangeButTheySeeTheirNeighbours) {
    UniqueDib d = flat(5, 5, rgb(90, 90, 90));
    put(d, 0, 2, rgb(0, 0, 0));  // outside the selection
    UniqueDib m = mask(d, [](int x, int) { return x >= 1; });
    DibFilter(d.get(), effect(0), &m.get());
    EXPECT_EQ(at(d, 0, 2), 0) << "outside: unchanged";
    EXPECT_EQ(at(d, 1, 2), rgb(80, 80, 80)) << "inside: (8 x 90 + 0) / 9";
    EXPECT_EQ(at(d, 3, 2), rgb(90, 90, 90));
    // A mask of another size selects nothing.
    UniqueDib wrong = make(4, 5, 1);
    const auto before = bytes(d);
    DibFilter(d.get(), effect(9), &wrong.get());
    EXPECT_EQ(bytes(d), before);
}

TEST(DibFilter, ARejectedResultPutsTheOldPixelsBack) {
    UniqueDib d = make(7, 5, 24);
    scramble(d, 4);
    const auto before = bytes(d);
    bool asked = false;
    std::vector<BYTE> seen;
    const auto outcome = DibFilter(d.get(), effect(4), nullptr, {}, [&] {
        asked = true;
        seen = bytes(d);
        return false;
    });
    EXPECT_TRUE(asked);
    EXPECT_EQ(outcome, TFilterOutcome::Rejected);
    EXPECT_NE(seen, before) << "the question comes with the result in the picture";
    EXPECT_EQ(bytes(d), before);
    EXPECT_EQ(DibFilter(d.get(), effect(4), nullptr, {}, [] { return true; }), TFilterOutcome::Applied);
    EXPECT_EQ(bytes(d), seen);
}

TEST(DibFilter, ProgressTwiceOverTheRowsAndZeroForOneRow) {
    UniqueDib d = make(3, 6, 24);
    Progress p;
    DibFilter(d.get(), effect(1), nullptr, p.sink());
    EXPECT_EQ(p.seen.front(), 0);
    EXPECT_EQ(p.seen.back(), 0);
    EXPECT_EQ(std::count(p.seen.begin(), p.seen.end(), 100), 2) << "copy and convolution";
    UniqueDib row = make(9, 1, 24);
    Progress q;
    DibFilter(row.get(), effect(1), nullptr, q.sink());
    EXPECT_TRUE(q.onlyZeros());
}

TEST(FilterRecords, StoredRecordsAreReadWithinTheirFields) {
    std::vector<unsigned char> bytes(624, 'x');
    TFilterRec r{};
    EXPECT_FALSE(ReadFilterRec(bytes.data(), 623, r));
    ASSERT_TRUE(ReadFilterRec(bytes.data(), bytes.size(), r));
    EXPECT_EQ(FilterName(r).size(), 256u);
    EXPECT_EQ(FilterCaption(r).size(), 256u);
    SetFilterName(r, std::string(300, 'n'));
    EXPECT_EQ(FilterName(r), std::string(256, 'n'));
    SetFilterName(r, "Blur");
    EXPECT_EQ(FilterName(r), "Blur");
    TFilterRec t;
    TransposeKernel(PosterEffect(7), t);
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) EXPECT_EQ(t.Matrix[5 * i + j], PosterEffect(7).Matrix[5 * j + i]);
    EXPECT_STREQ(t.Caption, "Psychdist");
    TransposeKernel(t, t);
    EXPECT_EQ(std::memcmp(t.Matrix, PosterEffect(7).Matrix, sizeof t.Matrix), 0);
}
