// The colour adjustments at every depth, with and without a mask, against pixels worked
// out by hand.
#include "editor/ColourAdjust.h"
#include "editor/EditorOps.h"
#include "editor/tests/OpsTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace opstest2;

namespace {

PALETTEENTRY grey(int i) { return PALETTEENTRY{BYTE(i), BYTE(i), BYTE(i), 0}; }
PALETTEENTRY tinted(int i) { return PALETTEENTRY{BYTE(i * 16), BYTE(255 - i * 16), BYTE(i * 7), 0}; }

// A 24-bit picture of one colour per pixel from a list, one row.
UniqueDib row(std::initializer_list<int> colours) {
    std::vector<int> c(colours);
    return truecolour(static_cast<int>(c.size()), 1, [&](int x, int) { return c[static_cast<std::size_t>(x)]; });
}

// The picture's colour table agrees with its palette entries.
void expectTableMatchesPalette(const TDib& d) {
    for (int i = 0; i < picops::paletteSize(DibBitCount(d)); ++i) {
        EXPECT_EQ(d.Info->bmiColors[i].rgbRed, d.Palette.palPalEntry[i].peRed) << i;
        EXPECT_EQ(d.Info->bmiColors[i].rgbGreen, d.Palette.palPalEntry[i].peGreen) << i;
        EXPECT_EQ(d.Info->bmiColors[i].rgbBlue, d.Palette.palPalEntry[i].peBlue) << i;
    }
}

}  // namespace

TEST(HSLToRGB, ColourWheelSaturationAndLightness) {
    int r, g, b;
    HSLToRGB(0, 255, 127, r, g, b);
    EXPECT_EQ(rgb(r, g, b), rgb(255, 0, 0));
    HSLToRGB(255, 255, 127, r, g, b);  // d = 1535: back at red
    EXPECT_EQ(rgb(r, g, b), rgb(255, 0, 0));
    HSLToRGB(85, 255, 127, r, g, b);  // d = 511: pure green
    EXPECT_EQ(rgb(r, g, b), rgb(0, 255, 0));
    HSLToRGB(170, 255, 127, r, g, b);  // d = 1023: pure blue
    EXPECT_EQ(rgb(r, g, b), rgb(0, 0, 255));
    HSLToRGB(40, 0, 127, r, g, b);  // no saturation: grey 128
    EXPECT_EQ(rgb(r, g, b), rgb(128, 128, 128));
    HSLToRGB(0, 255, 255, r, g, b);
    EXPECT_EQ(rgb(r, g, b), rgb(255, 255, 255));
    HSLToRGB(0, 255, 0, r, g, b);  // 255 - 255 x 127 / 128 = 2
    EXPECT_EQ(rgb(r, g, b), rgb(2, 0, 0));
    HSLToRGB(0, 255, 191, r, g, b);  // l = 64: 0 + (255 x 64) >> 7 = 127
    EXPECT_EQ(rgb(r, g, b), rgb(255, 127, 127));
}

TEST(DibInvert, TwiceRestoresEveryDepthAndOneBitIncludesPadding) {
    for (int bits : {1, 4, 8, 24}) {
        UniqueDib pic = edtest::makePicture(5, 3, bits, bits == 24 ? edtest::pattern24 : +[](int x, int y) {
            return (x + y) % 2;
        });
        const std::vector<BYTE> before = allBytes(pic.get());
        const TDibPalette palette = pic.get().Palette;
        DibInvert(pic);
        if (bits == 1) {
            // Every stored byte complemented, the padding of each row too; palette untouched.
            const std::vector<BYTE> after = allBytes(pic.get());
            for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(after[i], BYTE(~before[i])) << i;
            EXPECT_EQ(0, std::memcmp(&palette, &pic.get().Palette, sizeof palette));
        } else if (bits <= 8) {
            EXPECT_EQ(before, allBytes(pic.get())) << "palette pictures keep their pixels";
            for (int i = 0; i < (1 << bits); ++i)
                EXPECT_EQ(pic.get().Palette.palPalEntry[i].peRed, 255 - palette.palPalEntry[i].peRed);
            expectTableMatchesPalette(pic.get());
        } else {
            EXPECT_EQ(getpixel(pic.get(), 1, 2), edtest::pattern24(1, 2) ^ 0xFFFFFF);
        }
        DibInvert(pic);
        EXPECT_EQ(before, allBytes(pic.get())) << bits;
        EXPECT_EQ(0, std::memcmp(&palette, &pic.get().Palette, sizeof palette)) << bits;
    }
}

TEST(ColourAdjust, MaskLimitsTrueColourButNotPalettes) {
    OpsDoc d(truecolour(6, 4, [](int x, int y) { return rgb(10 * x, 20 * y, 100); }));
    d.selectBox(1, 1, 3, 2);
    const TDib* mask = editor::ActiveMask(d.doc);
    ASSERT_NE(mask, nullptr);
    DibInvert(d.doc.Dib, mask);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool in = x >= 1 && x <= 3 && y >= 1 && y <= 2;
            EXPECT_EQ(d.pixel(x, y), in ? rgb(255 - 10 * x, 255 - 20 * y, 155) : rgb(10 * x, 20 * y, 100)) << x << "," << y;
        }
    // A palette picture changes its palette as a whole, whatever the mask.
    OpsDoc p(paletted(6, 4, 8, grey, [](int x, int) { return x; }));
    p.selectBox(0, 0, 0, 0);
    DibGrayscale(p.doc.Dib, editor::ActiveMask(p.doc));
    DibInvert(p.doc.Dib, editor::ActiveMask(p.doc));
    EXPECT_EQ(p.doc.Dib.get().Palette.palPalEntry[200].peGreen, 55);
    // A mask that selects nothing changes no pixel.
    OpsDoc e(truecolour(3, 3, [](int, int) { return rgb(1, 2, 3); }));
    UniqueDib empty = picops::newPicture(3, 3, 1, nullptr, 0);
    Gamma(e.doc.Dib, 3.0, &empty.get());
    EXPECT_EQ(e.pixel(1, 1), rgb(1, 2, 3));
}

TEST(ColourAdjust, OneBitPicturesOnlyInvert) {
    UniqueDib pic = edtest::makePicture(9, 2, 1, [](int x, int) { return x & 1; });
    const std::vector<BYTE> before = allBytes(pic.get());
    const TDibPalette palette = pic.get().Palette;
    Saettigung(pic, -100);
    HighMidShadow(pic, 10, 5, 1);
    RedGreenBlue(pic, -100, -100, -100);
    Colorize(pic, 30, 200);
    Gamma(pic, 0.2);
    DibGrayscale(pic);
    StretchHistogramm(pic);
    DibPoster(pic, 7);
    DibSolar(pic, 255);
    EXPECT_EQ(before, allBytes(pic.get()));
    EXPECT_EQ(0, std::memcmp(&palette, &pic.get().Palette, sizeof palette));
}

TEST(Saettigung, SpreadsEachComponentAroundMiddleGrey) {
    UniqueDib pic = row({rgb(0, 127, 200), rgb(255, 128, 100)});
    Saettigung(pic, 0);
    EXPECT_EQ(getpixel(pic.get(), 0, 0), rgb(0, 127, 200));
    Saettigung(pic, 50);  // 128 + 150 (v - 128) / 100, truncated toward zero
    EXPECT_EQ(getpixel(pic.get(), 0, 0), rgb(0, 127, 236));
    EXPECT_EQ(getpixel(pic.get(), 1, 0), rgb(255, 128, 86));
    Saettigung(pic, -100);
    EXPECT_EQ(getpixel(pic.get(), 0, 0), rgb(128, 128, 128));
    // 16 colours: the palette entries.
    UniqueDib p = paletted(2, 1, 4, tinted, [](int x, int) { return x; });
    Saettigung(p, -100);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(p.get().Palette.palPalEntry[i].peBlue, 128);
    expectTableMatchesPalette(p.get());
}

TEST(HighMidShadow, OrdersItsArgumentsAndShiftsMidtones) {
    UniqueDib pic = row({rgb(0, 0, 0), rgb(10, 20, 30), rgb(255, 255, 255), rgb(99, 99, 99), rgb(100, 100, 100)});
    HighMidShadow(pic, 255, 128, 0);  // only black and white are touched, and stay
    EXPECT_EQ(getpixel(pic.get(), 0, 0), 0);
    EXPECT_EQ(getpixel(pic.get(), 1, 0), rgb(10, 20, 30));
    EXPECT_EQ(getpixel(pic.get(), 2, 0), 0xFFFFFF);
    HighMidShadow(pic, 255, 150, 0);  // luminance 18: each component + 22
    EXPECT_EQ(getpixel(pic.get(), 1, 0), rgb(32, 42, 52));
    // Shadows above highlights come down to them: every colour black or white.
    UniqueDib fresh = row({rgb(10, 20, 30), rgb(99, 99, 99), rgb(100, 100, 100)});
    HighMidShadow(fresh, 100, 200, 150);
    EXPECT_EQ(getpixel(fresh.get(), 0, 0), 0);
    EXPECT_EQ(getpixel(fresh.get(), 1, 0), 0);
    EXPECT_EQ(getpixel(fresh.get(), 2, 0), 0xFFFFFF);
}

TEST(RedGreenBlue, ScalesEachChannel) {
    UniqueDib pic = row({rgb(200, 101, 3), rgb(255, 255, 255)});
    RedGreenBlue(pic, 0, 0, 0);
    EXPECT_EQ(getpixel(pic.get(), 0, 0), rgb(200, 101, 3));
    RedGreenBlue(pic, 50, -50, 100);
    EXPECT_EQ(getpixel(pic.get(), 0, 0), rgb(255, 50, 6));
    RedGreenBlue(pic, -100, 0, 0);
    EXPECT_EQ(getpixel(pic.get(), 1, 0), rgb(0, 127, 255));
    RedGreenBlue(pic, -300, 0, 0);  // beyond the dialog's range: no wrap-around
    EXPECT_EQ(red(getpixel(pic.get(), 0, 0)), 0);
}

TEST(Colorize, TakesTheLuminanceOfEachColour) {
    // Grey 127: 38 + 74 + 13 = 125, then HSLToRGB(0, 255, 125) = (252, 0, 0).
    UniqueDib pic = row({rgb(127, 127, 127), rgb(255, 255, 255)});
    Colorize(pic, 0, 255);
    EXPECT_EQ(getpixel(pic.get(), 0, 0), rgb(252, 0, 0));
    EXPECT_EQ(getpixel(pic.get(), 1, 0), rgb(255, 253, 253));  // luminance 76 + 150 + 28 = 254
}

TEST(Gamma, OneIsTheIdentityAndOthersFollowTheCurve) {
    UniqueDib pic = truecolour(256, 1, [](int x, int) { return rgb(x, x, x); });
    Gamma(pic, 1.0);
    for (int v = 0; v < 256; ++v) ASSERT_EQ(getpixel(pic.get(), v, 0), rgb(v, v, v)) << v;
    Gamma(pic, 2.0);  // 2 v - 256 (v / 256)^2
    EXPECT_EQ(red(getpixel(pic.get(), 128, 0)), 192);
    EXPECT_EQ(red(getpixel(pic.get(), 64, 0)), 112);
    EXPECT_EQ(red(getpixel(pic.get(), 255, 0)), 255);  // 256 rounded, clamped
    UniqueDib low = row({rgb(64, 0, 2)});
    Gamma(low, 0.5);  // 128 - 256 x 0.5 = 0; 4 - 256 x sqrt(2/256) = -18.6 -> 0
    EXPECT_EQ(getpixel(low.get(), 0, 0), 0);
    // Values the dialog does not allow still give defined results.
    UniqueDib odd = row({rgb(0, 100, 255)});
    Gamma(odd, -1.0);  // 0 - infinity, 200 - 655.4, 510 - 257.0
    EXPECT_EQ(getpixel(odd.get(), 0, 0), rgb(0, 0, 253));
    UniqueDib nan = row({rgb(0, 100, 255)});
    Gamma(nan, std::nan(""));
    EXPECT_EQ(getpixel(nan.get(), 0, 0), rgb(0, 0, 0));
}

TEST(DibGrayscale, UsesTheIntegerLuminance) {
    UniqueDib pic = row({rgb(200, 100, 50)});
    DibGrayscale(pic);  // (6000 + 5900 + 550) / 100 = 124
    EXPECT_EQ(getpixel(pic.get(), 0, 0), rgb(124, 124, 124));
}

TEST(StretchHistogramm, SpreadsTheRangeFoundOverTheSelectionOrTheUsedEntries) {
    UniqueDib full = truecolour(256, 1, [](int x, int) { return rgb(x, x, x); });
    StretchHistogramm(full);
    for (int v = 0; v < 256; ++v) ASSERT_EQ(getpixel(full.get(), v, 0), rgb(v, v, v));

    OpsDoc d(truecolour(50, 2, [](int x, int y) { return y ? rgb(120, 120, 120) : rgb(100 + x, 100 + x, 100 + x); }));
    d.selectBox(0, 0, 49, 0);  // the black row is outside
    StretchHistogramm(d.doc.Dib, editor::ActiveMask(d.doc));
    EXPECT_EQ(d.pixel(0, 0), 0);
    EXPECT_EQ(d.pixel(24, 0), rgb(122, 122, 122));  // 24 x 256 / 50
    EXPECT_EQ(d.pixel(49, 0), rgb(250, 250, 250));
    EXPECT_EQ(d.pixel(3, 1), rgb(120, 120, 120));

    // Palette: the range of the entries the pixels use, applied to every entry.
    UniqueDib p = paletted(2, 1, 8, grey, [](int x, int) { return x ? 100 : 50; });
    StretchHistogramm(p);
    EXPECT_EQ(p.get().Palette.palPalEntry[50].peRed, 0);
    EXPECT_EQ(p.get().Palette.palPalEntry[100].peRed, 250);  // 50 x 256 / 51
    EXPECT_EQ(p.get().Palette.palPalEntry[200].peRed, 255);
    expectTableMatchesPalette(p.get());
}

TEST(DibPoster, KeepsTheTopBits) {
    UniqueDib pic = row({rgb(255, 129, 127)});
    DibPoster(pic, 0);
    EXPECT_EQ(getpixel(pic.get(), 0, 0), rgb(255, 129, 127));
    DibPoster(pic, 3);
    EXPECT_EQ(getpixel(pic.get(), 0, 0), rgb(248, 128, 120));
    DibPoster(pic, 7);
    EXPECT_EQ(getpixel(pic.get(), 0, 0), rgb(128, 128, 0));
    DibPoster(pic, 40);  // beyond a byte: everything cleared, no undefined shift
    EXPECT_EQ(getpixel(pic.get(), 0, 0), 0);
}

TEST(DibSolar, InvertsColoursAboveTheThreshold) {
    UniqueDib pic = row({rgb(255, 255, 255), rgb(255, 255, 254), rgb(127, 127, 127), rgb(127, 127, 126)});
    DibSolar(pic, 0);
    EXPECT_EQ(getpixel(pic.get(), 0, 0), 0);
    EXPECT_EQ(getpixel(pic.get(), 1, 0), rgb(255, 255, 254));
    DibSolar(pic, 128);  // t = 381
    EXPECT_EQ(getpixel(pic.get(), 2, 0), rgb(128, 128, 128));
    EXPECT_EQ(getpixel(pic.get(), 3, 0), rgb(127, 127, 126));
    DibSolar(pic, 255);
    EXPECT_EQ(getpixel(pic.get(), 0, 0), 0xFFFFFF);
}

TEST(ColourAdjust, ProgressCountsRowsAndEntriesAndOneRowShowsZero) {
    ProgressLog rows;
    UniqueDib pic = truecolour(3, 11, [](int, int) { return 0; });
    Saettigung(pic, 10, nullptr, rows.sink());
    EXPECT_EQ(rows.highest(), 100);
    EXPECT_EQ(rows.seen.front(), 0);
    EXPECT_EQ(rows.seen.back(), 0);
    ProgressLog one;
    UniqueDib single = truecolour(1, 1, [](int, int) { return rgb(9, 9, 9); });
    Gamma(single, 2.0, nullptr, one.sink());
    EXPECT_EQ(one.highest(), 0);
    EXPECT_FALSE(one.seen.empty());
    EXPECT_EQ(getpixel(single.get(), 0, 0), rgb(18, 18, 18));  // 18 - 81 / 256 = 17.68
}
