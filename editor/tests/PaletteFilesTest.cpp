// Palette files, conversion to a file's palette, colour counting and depth changes with a
// floating selection.
#include "editor/PaletteFile.h"
#include "editor/PaletteFiles.h"
#include "editor/tests/OpsTestSupport.h"

#include "platform/msgbox.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace opstest2;
using testsupport::TempDir;

namespace {

PALETTEENTRY tint(int i) { return PALETTEENTRY{BYTE(i * 13), BYTE(255 - i * 5), BYTE(i * 3), 0}; }

std::vector<unsigned char> paletteBytes(int count, const std::function<PALETTEENTRY(int)>& entry) {
    std::vector<unsigned char> b(1028, 0);
    b[0] = 0x00;
    b[1] = 0x03;
    b[2] = static_cast<unsigned char>(count & 0xFF);
    b[3] = static_cast<unsigned char>(count >> 8);
    for (int i = 0; i < count; ++i) {
        const PALETTEENTRY e = entry(i);
        b[4 + 4 * i] = e.peRed;
        b[5 + 4 * i] = e.peGreen;
        b[6 + 4 * i] = e.peBlue;
    }
    return b;
}

// The sixteen colours of a small test palette: black, white, primaries and greys.
PALETTEENTRY sixteen(int i) {
    static const int c[16] = {0x000000, 0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000, 0x808080, 0x404040, 0xC0C0C0,
                              0x00FFFF, 0xFF00FF, 0xFFFF00, 0x000080, 0x008000, 0x800000, 0x202020, 0xE0E0E0};
    return PALETTEENTRY{BYTE(c[i] & 0xFF), BYTE((c[i] >> 8) & 0xFF), BYTE(c[i] >> 16), 0};
}

std::string last(const ScriptWindow& w) { return w.Boxes.empty() ? std::string() : w.Boxes.back().text; }

}  // namespace

TEST(PaletteFile, BlockLayoutAndLegality) {
    const std::vector<unsigned char> bytes = paletteBytes(16, tint);
    TDibPalette p{};
    EXPECT_FALSE(ParsePaletteBlock(bytes.data(), 1027, p));
    ASSERT_TRUE(ParsePaletteBlock(bytes.data(), bytes.size(), p));
    EXPECT_EQ(p.palVersion, 0x0300);
    EXPECT_EQ(p.palNumEntries, 16);
    EXPECT_EQ(p.palPalEntry[2].peRed, 26);
    EXPECT_TRUE(PaletteBlockLegal(p));
    unsigned char back[PaletteFileSize];
    StorePaletteBlock(p, back);
    EXPECT_EQ(std::vector<unsigned char>(back, back + PaletteFileSize), bytes);
    p.palNumEntries = 17;
    EXPECT_FALSE(PaletteBlockLegal(p));
    p.palNumEntries = 256;
    p.palVersion = 0x0301;
    EXPECT_FALSE(PaletteBlockLegal(p));
}

TEST(Palettes, SaveThenLoadChangesNothingAndTheFileIsExact) {
    TempDir dir;
    for (int bits : {4, 8}) {
        OpsDoc d(paletted(5, 4, bits, tint, [](int x, int y) { return x + y; }));
        const std::string file = dir.file("p" + std::to_string(bits) + ".pal");
        ASSERT_TRUE(editorops::savepal(d.doc, file));
        const std::vector<unsigned char> stored = testsupport::readFile(file);
        ASSERT_EQ(stored.size(), 1028u);
        EXPECT_EQ(stored, paletteBytes(1 << bits, tint));
        const std::vector<BYTE> pixels = allBytes(d.doc.Dib.get());
        const TDibPalette before = d.doc.Dib.get().Palette;
        ASSERT_TRUE(editorops::loadpal(d.doc, file));
        EXPECT_TRUE(d.window.Boxes.empty());
        EXPECT_EQ(0, std::memcmp(&before, &d.doc.Dib.get().Palette, sizeof before));
        EXPECT_EQ(pixels, allBytes(d.doc.Dib.get()));
        ASSERT_TRUE(editorops::savepal(d.doc, file));
        EXPECT_EQ(testsupport::readFile(file), stored);
    }
    // Pictures of 2 colours or true colour write nothing.
    OpsDoc t(truecolour(2, 2, [](int, int) { return 0; }));
    EXPECT_FALSE(editorops::savepal(t.doc, dir.file("none.pal")));
    struct stat st {};
    EXPECT_NE(::stat(dir.file("none.pal").c_str(), &st), 0);
}

TEST(Palettes, LoadIntoThePictureReplacesEntriesNotPixels) {
    TempDir dir;
    const std::string file = dir.file("x.PAL");
    testsupport::writeFile(file, paletteBytes(16, sixteen));
    OpsDoc d(paletted(4, 4, 4, tint, [](int x, int) { return x; }));
    d.doc.Color1 = 2;
    d.doc.Color2 = 5;
    const std::vector<BYTE> pixels = allBytes(d.doc.Dib.get());
    ASSERT_TRUE(editorops::loadpal(d.doc, file));
    EXPECT_EQ(pixels, allBytes(d.doc.Dib.get()));
    EXPECT_EQ(d.doc.Dib.get().Palette.palPalEntry[4].peBlue, 0xFF);
    EXPECT_EQ(d.doc.Dib.get().Info->bmiColors[4].rgbBlue, 0xFF);
    EXPECT_EQ(d.doc.ColorToRGB(d.doc.Color1), RGB(0xFF, 0, 0));
    EXPECT_GE(d.window.PaletteChanges, 1);
}

TEST(Palettes, RefusedFilesLeaveThePicture) {
    TempDir dir;
    testsupport::writeFile(dir.file("16.pal"), paletteBytes(16, sixteen));
    std::vector<unsigned char> shortFile = paletteBytes(256, tint);
    shortFile.resize(1000);
    testsupport::writeFile(dir.file("short.pal"), shortFile);
    std::vector<unsigned char> badVersion = paletteBytes(256, tint);
    badVersion[1] = 0x02;
    testsupport::writeFile(dir.file("bad.pal"), badVersion);

    OpsDoc d(paletted(4, 4, 8, tint, [](int x, int) { return x; }));
    const TDibPalette before = d.doc.Dib.get().Palette;
    EXPECT_FALSE(editorops::loadpal(d.doc, dir.file("16.pal")));
    EXPECT_EQ(last(d.window), "Palette does not fit to the picture or it is an illegal palette!");
    EXPECT_EQ(d.window.Boxes.back().flags, MB_OK | MB_ICONERROR | MB_TASKMODAL);
    EXPECT_FALSE(editorops::loadpal(d.doc, dir.file("short.pal")));
    EXPECT_EQ(last(d.window), "Error while loading the palette!");
    EXPECT_FALSE(editorops::loadpal(d.doc, dir.file("bad.pal")));
    EXPECT_EQ(last(d.window), "Palette does not fit to the picture or it is an illegal palette!");
    EXPECT_FALSE(editorops::loadpal(d.doc, dir.file("missing.pal")));
    EXPECT_EQ(last(d.window), "Error while loading the palette!");
    EXPECT_EQ(0, std::memcmp(&before, &d.doc.Dib.get().Palette, sizeof before));
    // A true-colour picture never fits.
    OpsDoc t(truecolour(2, 2, [](int, int) { return 0; }));
    EXPECT_FALSE(editorops::loadpal(t.doc, dir.file("16.pal")));
    EXPECT_EQ(last(t.window), "Palette does not fit to the picture or it is an illegal palette!");
    // loadpal0 names a bad version or count an illegal palette.
    EXPECT_FALSE(editorops::loadpal0(t.doc, dir.file("bad.pal")));
    EXPECT_EQ(last(t.window), "Illegal palette!");
    EXPECT_FALSE(editorops::loadpal0(t.doc, dir.file("short.pal")));
    EXPECT_EQ(last(t.window), "Error while loading the palette!");
    EXPECT_EQ(DibBitCount(t.doc.Dib.get()), 24);
}

TEST(Palettes, SavingKeepsTheOldFileWhenTheWriteFails) {
    TempDir dir;
    const std::string file = dir.file("keep.pal");
    const std::vector<unsigned char> old(1028, 0x5A);
    testsupport::writeFile(file, old);
    OpsDoc d(paletted(2, 2, 8, tint, [](int, int) { return 0; }));
    {
        testsupport::FileSizeLimit full(100);  // the disk fills up after 100 bytes
        EXPECT_FALSE(editorops::savepal(d.doc, file));
    }
    EXPECT_EQ(last(d.window), "Error when saving the palette!");
    EXPECT_EQ(testsupport::readFile(file), old);
    EXPECT_FALSE(editorops::savepal(d.doc, dir.file("no/such/folder.pal")));
    EXPECT_EQ(d.window.Boxes.size(), 2u);
}

TEST(Palettes, LoadAndAdaptByNearestColoursOrDithering) {
    TempDir dir;
    const std::string file = dir.file("16.pal");
    testsupport::writeFile(file, paletteBytes(16, sixteen));
    auto colour = [](int x, int y) { return rgb((x * 37) & 0xFF, (y * 53) & 0xFF, ((x + y) * 29) & 0xFF); };
    OpsDoc d(truecolour(9, 7, colour));
    d.window.Answer = IDNO;
    ASSERT_TRUE(editorops::loadpal0(d.doc, file));
    ASSERT_EQ(d.window.Boxes.size(), 1u);
    EXPECT_EQ(d.window.Boxes[0].text, "Do you want to adapt the picture by Floyd Steinberg dithering?");
    EXPECT_EQ(d.window.Boxes[0].caption, "open colour palette?");
    ASSERT_EQ(DibBitCount(d.doc.Dib.get()), 4);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x) {
            const int c = colour(x, y);
            int best = 0, bestD = 1 << 30;
            for (int i = 0; i < 16; ++i) {
                const PALETTEENTRY e = sixteen(i);
                const int dr = e.peRed - red(c), dg = e.peGreen - green(c), db = e.peBlue - blue(c);
                if (dr * dr + dg * dg + db * db < bestD) bestD = dr * dr + dg * dg + db * db, best = i;
            }
            EXPECT_EQ(d.pixel(x, y), best) << x << "," << y;
        }
    EXPECT_EQ(d.doc.Color1, 0);
    EXPECT_EQ(d.doc.Color2, 15);
    // Yes: dithered onto the same palette.
    OpsDoc y(truecolour(9, 7, colour));
    y.window.Answer = IDYES;
    ASSERT_TRUE(editorops::loadpal0(y.doc, file));
    ASSERT_EQ(DibBitCount(y.doc.Dib.get()), 4);
    EXPECT_EQ(y.doc.Dib.get().Palette.palPalEntry[4].peBlue, 0xFF);
    // 1-bit pictures read as black and white; palette pictures through their entries.
    OpsDoc one(edtest::makePicture(8, 1, 1, [](int x, int) { return x & 1; }));
    one.window.Answer = IDNO;
    ASSERT_TRUE(editorops::loadpal0(one.doc, file));
    EXPECT_EQ(one.pixel(0, 0), 0);
    EXPECT_EQ(one.pixel(1, 0), 1);
}

TEST(Palettes, DepthChangesMergeAFloatingSelectionFirst) {
    TempDir dir;
    const std::string file = dir.file("256.pal");
    testsupport::writeFile(file, paletteBytes(256, tint));
    for (int step = 0; step < 3; ++step) {
        OpsDoc d(truecolour(40, 30, [](int x, int y) { return rgb(x * 6, y * 8, 100); }));
        d.window.Answer = IDNO;
        d.selectBox(5, 5, 20, 15);
        d.doc.MakeSelectionDragable();
        ASSERT_TRUE(d.doc.DragActive);
        ASSERT_TRUE(d.doc.Background);
        bool changed = false;
        if (step == 0) changed = editorops::loadpal0(d.doc, file);
        if (step == 1) changed = editorops::ChangeDepthDown(d.doc, 8, TColourReduction{});
        if (step == 2) {
            changed = editorops::ChangeDepthDown(d.doc, 4, TColourReduction{});
            d.selectBox(1, 1, 3, 3);
            d.doc.MakeSelectionDragable();
            changed = changed && editorops::ChangeDepthUp(d.doc, 24);
        }
        ASSERT_TRUE(changed) << step;
        EXPECT_FALSE(d.doc.DragActive);
        EXPECT_FALSE(d.doc.Background);
        EXPECT_FALSE(d.doc.FloatDib);
        // The next move of a selection works on pictures of the new depth.
        d.selectBox(2, 2, 6, 6);
        d.doc.MakeSelectionDragable();
        ASSERT_TRUE(d.doc.Background);
        EXPECT_EQ(DibBitCount(d.doc.Background.get()), DibBitCount(d.doc.Dib.get()));
        d.doc.PasteFloat(10, 10, true, true);
        d.doc.FinishDraging();
    }
}

TEST(CountColors, TrueColourPaletteAndSelection) {
    OpsDoc one(truecolour(30, 20, [](int, int) { return rgb(1, 2, 3); }));
    EXPECT_EQ(editorops::CountColors(one.doc), 1);
    OpsDoc many(truecolour(64, 64, [](int x, int y) { return rgb(x, y, (x * y) & 0xFF); }));
    EXPECT_EQ(editorops::CountColors(many.doc), 64 * 64);
    many.selectBox(0, 0, 9, 0);
    EXPECT_EQ(editorops::CountColors(many.doc), 10);
    // Three indices used, two of them with the same colour: three.
    OpsDoc p(paletted(6, 2, 8, [](int i) { return i == 7 ? PALETTEENTRY{9, 9, 9, 0} : PALETTEENTRY{BYTE(i), 9, 9, 0}; },
                      [](int x, int) { return x % 3 == 0 ? 7 : (x % 3 == 1 ? 9 : 200); }));
    EXPECT_EQ(editorops::CountColors(p.doc), 3);
    OpsDoc bw(edtest::makePicture(9, 1, 1, [](int, int) { return 1; }));
    EXPECT_EQ(editorops::CountColors(bw.doc), 1);
    OpsDoc four(edtest::makePicture(5, 5, 4, [](int x, int y) { return (x + y) % 16; }));
    EXPECT_EQ(editorops::CountColors(four.doc), 9);
    four.selectBox(0, 0, 0, 0);
    EXPECT_EQ(editorops::CountColors(four.doc), 1);
}

TEST(SplitAndCombine, ChannelsRoundTrip) {
    OpsDoc d(truecolour(5, 3, [](int x, int y) { return rgb(x * 50, y * 70, 33); }));
    UniqueDib r, g, b;
    ASSERT_TRUE(editorops::SplittTORGB(d.doc, r, g, b));
    EXPECT_EQ(getpixel(r.get(), 4, 0), 200);
    EXPECT_EQ(getpixel(g.get(), 0, 2), 140);
    EXPECT_EQ(getpixel(b.get(), 3, 1), 33);
    UniqueDib joined = editorops::CombineFromRGB(d.doc, r.get(), g.get(), b.get());
    ASSERT_TRUE(joined);
    EXPECT_TRUE(edtest::samePixels(joined.get(), d.doc.Dib.get()));
    UniqueDib other = picops::newPicture(4, 3, 8, nullptr, 0);
    EXPECT_FALSE(editorops::CombineFromRGB(d.doc, r.get(), other.get(), b.get()));
    EXPECT_EQ(last(d.window), "Error: The selected pictures must have all the same size!");
}
