// Brightness and contrast: the formulas' fixed points and examples, palettes changing as a
// whole, the selection mask on true colour, progress over entries and rows.
#include "platform/gdi.h"
#include "poster/BrightContrast.h"
#include "poster/tests/PictureOpsSupport.h"

#include <gtest/gtest.h>

using namespace opstest;

namespace {

// One row holding the grey values, each as a pixel.
UniqueDib ramp(std::initializer_list<int> values) {
    UniqueDib d = make(static_cast<int>(values.size()), 1, 24);
    int x = 0;
    for (int v : values) put(d, x++, 0, rgb(v, v, v));
    return d;
}

int grey(const UniqueDib& d, int x) { return red(at(d, x, 0)); }

}  // namespace

TEST(Helligkeit, AddsAndClamps) {
    UniqueDib d = ramp({0, 100, 255});
    Helligkeit(d, 127);
    EXPECT_EQ(grey(d, 0), 127);
    EXPECT_EQ(grey(d, 1), 227);
    EXPECT_EQ(grey(d, 2), 255) << "white stays white";
    UniqueDib e = ramp({0, 100, 255});
    Helligkeit(e, -127);
    EXPECT_EQ(grey(e, 0), 0) << "black stays black";
    EXPECT_EQ(grey(e, 1), 0);
    EXPECT_EQ(grey(e, 2), 128);
    UniqueDib f = ramp({17, 200});
    const auto before = bytes(f);
    Helligkeit(f, 0);
    EXPECT_EQ(bytes(f), before);
    Helligkeit(f, INT_MAX);
    EXPECT_EQ(grey(f, 0), 255);
}

TEST(Kontrast, TheExamplesOfBothHalves) {
    UniqueDib same = ramp({0, 1, 127, 128, 254, 255});
    const auto before = bytes(same);
    Kontrast(same, 100);
    EXPECT_EQ(bytes(same), before);
    UniqueDib none = ramp({0, 77, 255});
    Kontrast(none, 0);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(grey(none, x), 127);
    UniqueDib half = ramp({0, 255, 100});
    Kontrast(half, 50);
    EXPECT_EQ(grey(half, 0), 64);   // 50 x -127 / 100 + 127 = -63 + 127
    EXPECT_EQ(grey(half, 1), 191);  // 50 x 128 / 100 + 127
    EXPECT_EQ(grey(half, 2), 114);  // -13 + 127
    UniqueDib strong = ramp({100, 200, 127, 128});
    Kontrast(strong, 150);
    EXPECT_EQ(grey(strong, 0), 50);
    EXPECT_EQ(grey(strong, 1), 228);
    EXPECT_EQ(grey(strong, 2), 63);
    EXPECT_EQ(grey(strong, 3), 192);
    UniqueDib full = ramp({0, 127, 128, 255});
    Kontrast(full, 200);
    EXPECT_EQ(grey(full, 0), 0);
    EXPECT_EQ(grey(full, 1), 0);
    EXPECT_EQ(grey(full, 2), 255);
    EXPECT_EQ(grey(full, 3), 255);
}

TEST(BrightnessContrast, PalettePicturesChangeTheirPaletteWhateverTheSelection) {
    for (int bits : {1, 4, 8}) {
        UniqueDib d = make(4, 3, bits, {PALETTEENTRY{10, 20, 30, 0}, PALETTEENTRY{250, 128, 0, 0}});
        put(d, 1, 1, 1);
        const auto pixels = bytes(d);
        UniqueDib m = mask(d, [](int x, int) { return x == 0; });
        Helligkeit(d, 10, &m.get());
        EXPECT_EQ(bytes(d), pixels) << bits;
        const TDib& p = d.get();
        EXPECT_TRUE(sameEntry(p.Palette.palPalEntry[0], PALETTEENTRY{20, 30, 40, 0}));
        EXPECT_TRUE(sameEntry(p.Palette.palPalEntry[1], PALETTEENTRY{255, 138, 10, 0}));
        EXPECT_EQ(p.Info->bmiColors[1].rgbRed, 255);
        EXPECT_EQ(p.Info->bmiColors[1].rgbBlue, 10);
        PALETTEENTRY handle{};
        ASSERT_EQ(GetPaletteEntries(p.PalHandle, 1, 1, &handle), 1u);
        EXPECT_TRUE(sameEntry(handle, PALETTEENTRY{255, 138, 10, 0}));
        EXPECT_EQ(p.Palette.palNumEntries, picops::paletteSize(bits));
        Kontrast(d, 0);
        EXPECT_TRUE(sameEntry(d.get().Palette.palPalEntry[1], PALETTEENTRY{127, 127, 127, 0}));
    }
}

TEST(BrightnessContrast, TrueColourHonoursTheSelection) {
    UniqueDib d = make(3, 2, 24);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) put(d, x, y, rgb(100, 150, 200));
    UniqueDib m = mask(d, [](int x, int y) { return x == 1 && y == 1; });
    Helligkeit(d, 60, &m.get());
    EXPECT_EQ(at(d, 1, 1), rgb(160, 210, 255));
    EXPECT_EQ(at(d, 0, 1), rgb(100, 150, 200));
    EXPECT_EQ(at(d, 1, 0), rgb(100, 150, 200));
    Kontrast(d, 0, &m.get());
    EXPECT_EQ(at(d, 1, 1), rgb(127, 127, 127));
    EXPECT_EQ(at(d, 2, 0), rgb(100, 150, 200));
}

TEST(BrightnessContrast, ProgressOverEntriesAndRows) {
    UniqueDib one = make(5, 5, 1);
    Progress p;
    Helligkeit(one, 5, nullptr, p.sink());
    EXPECT_EQ(p.seen, (std::vector<int>{0, 100, 0})) << "entry i of 2: i x 100 / 1";
    UniqueDib row = make(30, 1, 24);
    Progress q;
    Kontrast(row, 120, nullptr, q.sink());
    EXPECT_TRUE(q.onlyZeros());
    UniqueDib tall = make(2, 21, 24);
    Progress r;
    Kontrast(tall, 120, nullptr, r.sink());
    EXPECT_TRUE(r.wellFormed(100));
    UniqueDib none;
    Helligkeit(none, 5);
    EXPECT_FALSE(none);
}
