// Error-diffusion dithering: exact colours stay exact, serpentine order against a plain
// two-dimensional reference, rounding of carried errors, grey shares, progress.
#include "platform/gdi.h"
#include "poster/ColourDepth.h"
#include "poster/Dither.h"
#include "poster/tests/PictureOpsSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

using namespace opstest;

namespace {

// Floyd-Steinberg in serpentine order over a full error array, choosing entries with the
// platform's GetNearestPaletteIndex on Dest's palette handle.
std::vector<int> reference(const UniqueDib& source, const UniqueDib& dest) {
    const TDib& s = source.get();
    const int w = s.Info->bmiHeader.biWidth, h = s.Info->bmiHeader.biHeight, bits = s.Info->bmiHeader.biBitCount;
    std::vector<int> err(static_cast<std::size_t>((w + 2) * (h + 1) * 3), 0);
    const auto e = [&](int x, int y, int k) -> int& { return err[static_cast<std::size_t>(((y * (w + 2)) + x + 1) * 3 + k)]; };
    std::vector<int> out(static_cast<std::size_t>(w * h));
    for (int y = 0; y < h; ++y) {
        const int dir = y % 2 == 0 ? 1 : -1;
        for (int i = 0; i < w; ++i) {
            const int x = dir > 0 ? i : w - 1 - i;
            int c[3];
            const int p = getpixel(s, x, y);
            if (bits == 24) {
                c[0] = blue(p), c[1] = green(p), c[2] = red(p);
            } else {
                const PALETTEENTRY& pe = s.Palette.palPalEntry[p];
                c[0] = pe.peBlue, c[1] = pe.peGreen, c[2] = pe.peRed;
            }
            for (int k = 0; k < 3; ++k) c[k] = std::clamp(c[k] + (e(x, y, k) + 8) / 16, 0, 255);
            const int index = static_cast<int>(GetNearestPaletteIndex(dest.get().PalHandle, RGB(c[2], c[1], c[0])));
            out[static_cast<std::size_t>(y * w + x)] = index;
            const PALETTEENTRY& q = dest.get().Palette.palPalEntry[index];
            const int d[3] = {c[0] - q.peBlue, c[1] - q.peGreen, c[2] - q.peRed};
            for (int k = 0; k < 3; ++k) {
                e(x + dir, y, k) += 7 * d[k];
                e(x - dir, y + 1, k) += 3 * d[k];
                e(x, y + 1, k) += 5 * d[k];
                e(x + dir, y + 1, k) += d[k];
            }
        }
    }
    return out;
}

std::vector<int> indexes(const UniqueDib& dib) {
    const TDib& d = dib.get();
    std::vector<int> out;
    for (int y = 0; y < d.Info->bmiHeader.biHeight; ++y)
        for (int x = 0; x < d.Info->bmiHeader.biWidth; ++x) out.push_back(getpixel(d, x, y));
    return out;
}

const PALETTEENTRY kGreys[] = {{0, 0, 0, 0}, {200, 200, 200, 0}, {100, 100, 100, 0}, {0, 0, 0, 0}};

UniqueDib greys(int width, int height) { return make(width, height, 4, {kGreys[0], kGreys[1], kGreys[2], kGreys[3]}); }

}  // namespace

TEST(Dither, ColoursOfThePaletteComeOutExactly) {
    UniqueDib source = make(5, 3, 24);
    UniqueDib dest = make(5, 3, 4, {});
    picops::setPalette(dest, StandardPalette16(), 16);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const PALETTEENTRY& e = StandardPalette16()[(x * 3 + y) % 16];
            put(source, x, y, rgb(e.peRed, e.peGreen, e.peBlue));
        }
    DitherToPalette(source.get(), dest.get());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(at(dest, x, y), (x * 3 + y) % 16) << x << "," << y;
}

TEST(Dither, FollowsTheSerpentineReferenceAtEveryDepth) {
    for (int bits : {1, 4, 8, 24}) {
        UniqueDib source = make(17, 9, bits);
        if (bits <= 8) {
            std::vector<PALETTEENTRY> entries(StandardPalette256(), StandardPalette256() + 256);
            std::reverse(entries.begin(), entries.end());
            picops::setPalette(source, entries.data(), picops::paletteSize(bits));
        }
        scramble(source, 40u + static_cast<unsigned>(bits));
        for (int destBits : {1, 4, 8}) {
            UniqueDib dest = make(17, 9, destBits);
            if (destBits > 1) picops::setPalette(dest, destBits == 4 ? StandardPalette16() : StandardPalette256(), 256);
            DitherToPalette(source.get(), dest.get());
            EXPECT_EQ(indexes(dest), reference(source, dest)) << bits << " -> " << destBits;
        }
    }
}

TEST(Dither, HandComputedRowsRunInOppositeDirections) {
    // Grey 100 on black and white, 3 x 2: the first row runs right, the second left.
    UniqueDib source = make(3, 2, 24);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) put(source, x, y, rgb(100, 100, 100));
    put(source, 0, 1, rgb(60, 60, 60));
    UniqueDib dest = make(3, 2, 1);
    DitherToPalette(source.get(), dest.get());
    // Row 0: 100 -> black (+700 ahead), 144 -> white, 52 -> black.
    EXPECT_EQ(indexes(dest), (std::vector<int>{0, 1, 0, 0, 1, 0}));
    // Row 1 from the right carries 149, -299 and 167 sixteenths: 109 black, then
    // 100 + (-299 + 7 x 109 + 8) / 16 = 129 white, then 60 + (167 - 7 x 126 + 8) / 16 = 16 black.
}

TEST(Dither, CarriedErrorsRoundTowardZero) {
    // One column: the pixel below receives 5 d. 96 takes grey 100 (d = -4), so the next
    // pixel carries -20 sixteenths: (-20 + 8) / 16 = 0, and 150 stays halfway between 200
    // and 100, which goes to the first of the two (200).
    {
        UniqueDib source = make(1, 2, 24);
        put(source, 0, 0, rgb(96, 96, 96));
        put(source, 0, 1, rgb(150, 150, 150));
        UniqueDib dest = greys(1, 2);
        DitherToPalette(source.get(), dest.get());
        EXPECT_EQ(at(dest, 0, 0), 2);
        EXPECT_EQ(at(dest, 0, 1), 1) << "-20 sixteenths correct by 0";
    }
    // Two columns: (1, 0) carries 7 x -4 = -28 (-1), gives 96 and d = -4; the pixel below it
    // carries 5 x -4 + 1 x -4 = -24 sixteenths: (-24 + 8) / 16 = -1, so 150 becomes 149.
    {
        UniqueDib source = make(2, 2, 24);
        put(source, 0, 0, rgb(96, 96, 96));
        put(source, 1, 0, rgb(97, 97, 97));
        put(source, 0, 1, rgb(0, 0, 0));
        put(source, 1, 1, rgb(150, 150, 150));
        UniqueDib dest = greys(2, 2);
        DitherToPalette(source.get(), dest.get());
        EXPECT_EQ(at(dest, 1, 0), 2);
        EXPECT_EQ(at(dest, 1, 1), 2) << "-24 sixteenths correct by -1";
    }
}

TEST(Dither, MidGreyBecomesHalfWhiteWithoutDiagonalDrift) {
    UniqueDib source = make(64, 64, 24);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) put(source, x, y, rgb(128, 128, 128));
    UniqueDib dest = make(64, 64, 1);
    DitherToPalette(source.get(), dest.get());
    int white = 0, top = 0, left = 0, alternating = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const int v = at(dest, x, y);
            white += v;
            if (y < 32) top += v;
            if (x < 32) left += v;
            if (x > 0 && v != at(dest, x - 1, y)) ++alternating;
        }
    EXPECT_NEAR(white / 4096.0, 128.0 / 255.0, 0.01);
    // Evenly spread: every half holds its share, and the pattern is a checker board.
    EXPECT_NEAR(top / 2048.0, 128.0 / 255.0, 0.02);
    EXPECT_NEAR(left / 2048.0, 128.0 / 255.0, 0.02);
    EXPECT_GT(alternating, 64 * 63 * 9 / 10);
}

TEST(Dither, ProgressRunsOverTheRowsAndOneRowShowsZero) {
    UniqueDib source = make(4, 11, 24), dest = make(4, 11, 1);
    Progress p;
    DitherToPalette(source.get(), dest.get(), p.sink());
    EXPECT_TRUE(p.wellFormed(100));
    UniqueDib row = make(9, 1, 24), rowDest = make(9, 1, 1);
    Progress q;
    DitherToPalette(row.get(), rowDest.get(), q.sink());
    EXPECT_TRUE(q.onlyZeros());
    EXPECT_EQ(ProgressPercent(0, 1), 0);
    EXPECT_EQ(ProgressPercent(5, 11), 50);
}

TEST(Dither, MissingPixelsOrUnfitDestinationsChangeNothing) {
    UniqueDib source = make(4, 4, 24), dest = make(4, 4, 1), small = make(3, 4, 1), deep = make(4, 4, 24);
    for (int x = 0; x < 4; ++x) put(source, x, 0, rgb(255, 255, 255));
    TDib empty{};
    Progress p;
    DitherToPalette(empty, dest.get(), p.sink());
    DitherToPalette(source.get(), empty, p.sink());
    DitherToPalette(source.get(), small.get(), p.sink());
    DitherToPalette(source.get(), deep.get(), p.sink());
    EXPECT_TRUE(p.seen.empty());
    EXPECT_EQ(at(dest, 0, 0), 0);
    EXPECT_EQ(at(small, 0, 0), 0);
    EXPECT_EQ(at(deep, 0, 0), 0);
}

TEST(NearestColour, AgreesWithThePlatformForEveryPaletteSize) {
    std::mt19937 random(3);
    for (int count : {2, 16, 256}) {
        std::vector<PALETTEENTRY> entries(static_cast<std::size_t>(count));
        for (auto& e : entries) e = PALETTEENTRY{static_cast<BYTE>(random() & 0xF0), static_cast<BYTE>(random() & 0xF0), static_cast<BYTE>(random() & 0xF0), 0};
        TNearestColour nearest(entries.data(), count);
        for (int i = 0; i < 3000; ++i) {
            const int r = static_cast<int>(random() % 256), g = static_cast<int>(random() % 256), b = static_cast<int>(random() % 256);
            const UINT expected = NearestPaletteEntry(entries.data(), static_cast<UINT>(count), RGB(r, g, b));
            ASSERT_EQ(nearest(r, g, b), expected) << count;
            ASSERT_EQ(nearest(r, g, b), expected) << "remembered";
        }
    }
}

TEST(NearestColour, CellsGiveThePlainAnswerAcrossTheColourCube) {
    // The standard palette, and one whose entries repeat (ties go to the first).
    std::vector<PALETTEENTRY> repeated(StandardPalette256(), StandardPalette256() + 256);
    for (int i = 100; i < 200; ++i) repeated[static_cast<std::size_t>(i)] = repeated[static_cast<std::size_t>(i % 7)];
    for (const PALETTEENTRY* entries : {StandardPalette256(), static_cast<const PALETTEENTRY*>(repeated.data())}) {
        TNearestColour nearest(entries, 256);
        for (int r = 0; r < 256; r += 3)
            for (int g = 1; g < 256; g += 5)
                for (int b = 2; b < 256; b += 3)
                    ASSERT_EQ(nearest(r, g, b), NearestPaletteEntry(entries, 256, RGB(r, g, b))) << r << "," << g << "," << b;
    }
}
