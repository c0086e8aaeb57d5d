// Shadow, bevel, mosaic, erosion, dilation and noise, with worked-out pixels, masks and
// the degenerate inputs that once divided by zero or read uninitialised samples.
#include "editor/DocumentOps.h"
#include "editor/EditorOps.h"
#include "editor/Effects.h"
#include "editor/tests/OpsTestSupport.h"

#include "classlib/Random.h"
#include "platform/msgbox.h"

#include <gtest/gtest.h>

using namespace opstest2;

namespace {

UniqueDib flat(int w, int h, int colour) {
    return truecolour(w, h, [colour](int, int) { return colour; });
}

int greyOf(int v) { return rgb(v, v, v); }

}  // namespace

TEST(DrawShadow, FallsOnlyOutsideTheSelection) {
    OpsDoc d(flat(10, 10, greyOf(200)));
    d.selectBox(2, 2, 4, 4);
    editorops::DrawShadow(d.doc, 2, 2, rgb(0, 0, 0), 0, 0);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool shadow = x >= 4 && x <= 6 && y >= 4 && y <= 6 && !(x == 4 && y == 4);
            EXPECT_EQ(d.pixel(x, y), shadow ? 0 : greyOf(200)) << x << "," << y;
        }
    // Transparency 100 keeps every pixel.
    OpsDoc t(flat(10, 10, greyOf(200)));
    t.selectBox(2, 2, 4, 4);
    editorops::DrawShadow(t.doc, 2, 2, 0, 30, 100);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) EXPECT_EQ(t.pixel(x, y), greyOf(200));
}

TEST(DrawShadow, SoftnessFadesTowardTheEdgeAndTransparencyMixes) {
    // Box 3 x 3, hw = hh = 1, centre (5, 5). Softness 50: M = 100 away from the centre, so
    // N = 100 and the pixel keeps its colour; at the centre M = 0 and the shadow is full.
    OpsDoc d(flat(10, 10, greyOf(200)));
    d.selectBox(2, 2, 4, 4);
    editorops::DrawShadow(d.doc, 2, 2, rgb(0, 0, 100), 50, 0);
    EXPECT_EQ(d.pixel(5, 5), rgb(0, 0, 100));
    EXPECT_EQ(d.pixel(6, 6), greyOf(200));
    EXPECT_EQ(d.pixel(5, 4), greyOf(200));
    // Transparency 25: (shadow x 75 + pixel x 25) / 100.
    OpsDoc m(flat(10, 10, greyOf(200)));
    m.selectBox(2, 2, 4, 4);
    editorops::DrawShadow(m.doc, 2, 2, rgb(0, 0, 100), 0, 25);
    EXPECT_EQ(m.pixel(6, 6), rgb(50, 50, 125));
    // Palette pictures take the index; without a selection nothing happens.
    OpsDoc p(edtest::makePicture(8, 8, 8, [](int, int) { return 3; }));
    editorops::DrawShadow(p.doc, 1, 1, 9, 0, 0);
    EXPECT_EQ(p.pixel(1, 1), 3);
    p.selectBox(0, 0, 1, 1);
    editorops::DrawShadow(p.doc, 1, 1, 9, 0, 0);
    EXPECT_EQ(p.pixel(2, 2), 9);
    EXPECT_EQ(p.pixel(1, 1), 3);
    EXPECT_EQ(p.pixel(0, 0), 3);
}

TEST(DrawShadow, OffsetsBeyondThePictureAndOnePixelSelections) {
    OpsDoc d(flat(5, 5, greyOf(90)));
    d.selectBox(4, 4, 4, 4);
    editorops::DrawShadow(d.doc, 3, 3, 0, 50, 0);  // falls outside the picture
    editorops::DrawShadow(d.doc, -4, -4, 0, 50, 0);  // one pixel: hw = hh = 0, M = 0
    EXPECT_EQ(d.pixel(0, 0), 0);
    EXPECT_EQ(d.pixel(4, 4), greyOf(90));
}

TEST(Buttonize, WorkedOutBandsOfASquareBox) {
    // Box 0..10: Width 2, f = 2, centre (5, 5); white bevel on black, flat.
    OpsDoc d(flat(11, 11, 0));
    d.selectBox(0, 0, 10, 10);
    editorops::Buttonize(d.doc, 2, 0, greyOf(255), true);
    EXPECT_EQ(d.pixel(0, 5), greyOf(128));  // left edge: 255 - 255 x 2 / 4
    EXPECT_EQ(d.pixel(10, 5), 0);           // right edge: black
    EXPECT_EQ(d.pixel(5, 0), greyOf(128));  // top edge
    EXPECT_EQ(d.pixel(5, 10), 0);           // bottom edge
    EXPECT_EQ(d.pixel(1, 5), greyOf(192));  // 255 - 255 / 4
    EXPECT_EQ(d.pixel(5, 5), 0);            // in no band
    EXPECT_EQ(d.pixel(9, 1), greyOf(128));  // top-right diagonal: (64 + 192) >> 1
    // With the fade: pixel (1, 5) has e = 50: (192 x 50 + 0 x 50) / 100.
    OpsDoc f(flat(11, 11, 0));
    f.selectBox(0, 0, 10, 10);
    editorops::Buttonize(f.doc, 2, 0, greyOf(255), false);
    EXPECT_EQ(f.pixel(1, 5), greyOf(96));
    EXPECT_EQ(f.pixel(0, 5), greyOf(128));
    // Transparency 100 keeps every pixel.
    OpsDoc t(flat(11, 11, greyOf(40)));
    t.selectBox(0, 0, 10, 10);
    editorops::Buttonize(t.doc, 3, 100, greyOf(255), true);
    for (int x = 0; x < 11; ++x) EXPECT_EQ(t.pixel(x, 0), greyOf(40));
}

TEST(Buttonize, WidthZeroAndDegenerateBoxes) {
    OpsDoc d(flat(11, 11, 0));
    d.selectBox(0, 0, 10, 10);
    editorops::Buttonize(d.doc, 0, 0, greyOf(255), true);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 11; ++x) ASSERT_EQ(d.pixel(x, y), 0);
    // A selection one pixel wide: bevels along its length only, top then bottom.
    OpsDoc c(flat(7, 10, 0));
    c.selectBox(3, 0, 3, 9);
    editorops::Buttonize(c.doc, 2, 0, greyOf(255), true);
    EXPECT_EQ(c.pixel(3, 0), greyOf(128));
    EXPECT_EQ(c.pixel(3, 9), 0);
    EXPECT_EQ(c.pixel(3, 8), greyOf(64));  // bottom band, 1 in: 255 - 3 x 255 / 4
    EXPECT_EQ(c.pixel(3, 5), 0);
    // One pixel high, and a single pixel.
    OpsDoc r(flat(10, 3, 0));
    r.selectBox(0, 1, 9, 1);
    editorops::Buttonize(r.doc, 2, 0, greyOf(255), true);
    EXPECT_EQ(r.pixel(0, 1), greyOf(128));
    EXPECT_EQ(r.pixel(9, 1), 0);
    OpsDoc s(flat(3, 3, greyOf(5)));
    s.selectBox(1, 1, 1, 1);
    editorops::Buttonize(s.doc, 4, 0, greyOf(255), false);
    EXPECT_EQ(s.pixel(1, 1), greyOf(5));
    // A very flat box whose vertical band rounds to 0 has no top or bottom band.
    OpsDoc w(flat(40, 2, 0));
    w.selectBox(0, 0, 39, 1);
    editorops::Buttonize(w.doc, 3, 0, greyOf(255), true);
    EXPECT_EQ(w.pixel(20, 0), 0);
    EXPECT_EQ(w.pixel(0, 0), greyOf(128));
    // Palette pictures are left alone.
    OpsDoc p(edtest::makePicture(6, 6, 8, [](int, int) { return 2; }));
    p.selectBox(0, 0, 5, 5);
    editorops::Buttonize(p.doc, 2, 0, 7, true);
    EXPECT_EQ(p.pixel(0, 3), 2);
}

TEST(MosaikEffekt, BlocksTakeTheirTopLeftPixelAtEveryDepth) {
    for (int bits : {1, 4, 8, 24}) {
        const int n = bits == 24 ? 0x1000000 : 1 << bits;
        auto value = [n](int x, int y) { return (x * 5 + y * 11 + 1) % n; };
        UniqueDib pic = edtest::makePicture(5, 5, bits, value);
        MosaikEffekt(pic.get(), 2, 3);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(getpixel(pic.get(), x, y), value(x - x % 2, y / 3 * 3)) << bits << " " << x << "," << y;
        UniqueDib same = edtest::makePicture(5, 5, bits, value);
        MosaikEffekt(same.get(), 1, 1);
        MosaikEffekt(same.get(), 0, -3);  // typed 0 and below count as 1
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 5; ++x) EXPECT_EQ(getpixel(same.get(), x, y), value(x, y));
    }
}

TEST(MosaikEffekt, SelectedPixelsOfABlockWhoseStartIsUnselected) {
    // Only column 1 selected: its pixels take the block start (column 0), never garbage.
    OpsDoc d(truecolour(4, 4, [](int x, int y) { return rgb(x * 40, y * 40, 7); }));
    d.select([](int x, int) { return x == 1 || x == 3; });
    MosaikEffekt(d.doc.Dib.get(), 2, 2, editor::ActiveMask(d.doc));
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(d.pixel(0, y), rgb(0, y * 40, 7));
        EXPECT_EQ(d.pixel(1, y), rgb(0, y / 2 * 80, 7));
        EXPECT_EQ(d.pixel(2, y), rgb(80, y * 40, 7));
        EXPECT_EQ(d.pixel(3, y), rgb(80, y / 2 * 80, 7));
    }
}

TEST(ErodeDilate, WorkedOutNeighbourhoodsAndEdges) {
    UniqueDib white = flat(4, 3, 0xFFFFFF);
    EXPECT_EQ(DibErodeFilter(white.get()), TEffectOutcome::Applied);
    EXPECT_EQ(getpixel(white.get(), 1, 1), 0xFFFFFF);
    UniqueDib black = flat(4, 3, 0);
    DibErodeFilter(black.get());
    EXPECT_EQ(getpixel(black.get(), 3, 2), 0);
    UniqueDib bright = flat(3, 3, greyOf(100));  // luminance 100 > 95: kept
    DibErodeFilter(bright.get());
    EXPECT_EQ(getpixel(bright.get(), 0, 0), greyOf(100));
    UniqueDib dim = flat(3, 3, greyOf(90));  // 25 x 90 / 50 = 45
    DibErodeFilter(dim.get());
    EXPECT_EQ(getpixel(dim.get(), 2, 2), greyOf(45));
    UniqueDib light = flat(2, 2, greyOf(170));  // 100 x 25 x 170 / 2000 = 212
    DibDilateFilter(light.get());
    EXPECT_EQ(getpixel(light.get(), 1, 0), greyOf(212));
    UniqueDib mid = flat(2, 2, greyOf(160));  // below 161: kept
    DibDilateFilter(mid.get());
    EXPECT_EQ(getpixel(mid.get(), 1, 0), greyOf(160));
    // A lone bright pixel on one pixel: the window is the pixel 25 times.
    UniqueDib one = flat(1, 1, rgb(250, 240, 230));
    DibDilateFilter(one.get());
    EXPECT_EQ(getpixel(one.get(), 0, 0), greyOf(255));  // (30 x 250 + 59 x 240 + 11 x 230) x 25 / 2000 > 255
    // Edge repetition: the corner pixel of a 6 x 6 picture with a dark top-left 2 x 2.
    UniqueDib edge = truecolour(6, 6, [](int x, int y) { return x < 2 && y < 2 ? 0 : greyOf(100); });
    DibErodeFilter(edge.get());
    // At (0, 0) the window repeats column and row 0 twice: 16 of 25 pixels are dark, so
    // the sum is 9 x 100 and the pixel becomes 900 / 50 = 18.
    EXPECT_EQ(getpixel(edge.get(), 0, 0), greyOf(18));
    EXPECT_EQ(getpixel(edge.get(), 5, 5), greyOf(100));
}

TEST(ErodeDilate, SaveTheirOwnStepHonourTheMaskAndReportMemory) {
    OpsDoc d(flat(6, 6, greyOf(90)));
    d.selectBox(0, 0, 2, 5);
    editorops::DibErodeFilter(d.doc);
    EXPECT_EQ(d.doc.UndoCount, 1);
    EXPECT_EQ(d.pixel(1, 1), greyOf(45));
    EXPECT_EQ(d.pixel(4, 1), greyOf(90));
    // Palette pictures: unchanged, the step saved all the same.
    OpsDoc p(edtest::makePicture(4, 4, 8, edtest::pattern8));
    const std::vector<BYTE> before = allBytes(p.doc.Dib.get());
    editorops::DibDilateFilter(p.doc);
    EXPECT_EQ(p.doc.UndoCount, 1);
    EXPECT_EQ(before, allBytes(p.doc.Dib.get()));
    EXPECT_TRUE(p.window.Boxes.empty());
    // No memory for the work copy.
    OpsDoc m(flat(64, 64, greyOf(90)));
    m.doc.SaveForUndo();
    edtest::AllocationLimit limit(13000);  // the picture fits, its 68 x 68 work copy not
    const std::vector<BYTE> held = allBytes(m.doc.Dib.get());
    EXPECT_EQ(DibErodeFilter(m.doc.Dib.get()), TEffectOutcome::NoMemory);
    editorops::DelNoise(m.doc, 0);
    ASSERT_FALSE(m.window.Boxes.empty());
    EXPECT_EQ(m.window.Boxes.back().text, EditorOutOfMemoryText);
    EXPECT_EQ(m.window.Boxes.back().caption, "Error");
    EXPECT_EQ(held, allBytes(m.doc.Dib.get()));
}

TEST(AddNoise, NothingWithoutStrengthOrDensityAndBoundedOtherwise) {
    UniqueDib pic = flat(20, 20, greyOf(128));
    const std::vector<BYTE> before = allBytes(pic.get());
    SetRandSeed(7);
    AddNoise(pic.get(), 0, 100);
    AddNoise(pic.get(), 1, 100);
    AddNoise(pic.get(), 50, 0);
    AddNoise(pic.get(), -5, 50);
    EXPECT_EQ(before, allBytes(pic.get()));
    // Strength 11: each component moves by -5..5; every pixel with density 100.
    OpsDoc d(flat(20, 20, greyOf(128)));
    d.selectBox(0, 0, 9, 19);
    SetRandSeed(42);
    AddNoise(d.doc.Dib.get(), 11, 100, editor::ActiveMask(d.doc));
    int changed = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const int v = d.pixel(x, y);
            if (x >= 10) {
                EXPECT_EQ(v, greyOf(128));
                continue;
            }
            for (int c : {red(v), green(v), blue(v)}) {
                EXPECT_GE(c, 123);
                EXPECT_LE(c, 133);
            }
            changed += v != greyOf(128);
        }
    EXPECT_GT(changed, 150);
    // The same seed gives the same picture; near white it clamps.
    UniqueDib a = flat(8, 8, greyOf(253)), b = flat(8, 8, greyOf(253));
    SetRandSeed(3);
    AddNoise(a.get(), 30, 60);
    SetRandSeed(3);
    AddNoise(b.get(), 30, 60);
    EXPECT_EQ(allBytes(a.get()), allBytes(b.get()));
    for (BYTE v : allBytes(a.get())) EXPECT_GE(v, 238);
}

TEST(DelNoise, ReplacesOutliersByTheirMean) {
    UniqueDib pic = truecolour(5, 5, [](int x, int y) { return x == 2 && y == 2 ? 0xFFFFFF : 0; });
    UniqueDib keep = edtest::copyOf(pic.get());
    DelNoise(keep.get(), 255);
    EXPECT_TRUE(edtest::samePixels(pic.get(), keep.get()));
    DelNoise(pic.get(), 50);
    EXPECT_EQ(getpixel(pic.get(), 2, 2), greyOf(10));  // 255 / 25
    EXPECT_EQ(getpixel(pic.get(), 1, 1), 0);           // mean 10 is within 50
    UniqueDib one = flat(1, 1, rgb(1, 200, 3));
    DelNoise(one.get(), 0);
    EXPECT_EQ(getpixel(one.get(), 0, 0), rgb(1, 200, 3));
    // Threshold 0 on a ramp: the mean of the window where it differs.
    UniqueDib ramp = truecolour(7, 1, [](int x, int) { return greyOf(x * 10); });
    DelNoise(ramp.get(), 0);
    // Column 0: window columns 0, 0, 0, 1, 2 -> (0 + 0 + 0 + 10 + 20) / 5 = 6.
    EXPECT_EQ(getpixel(ramp.get(), 0, 0), greyOf(6));
    EXPECT_EQ(getpixel(ramp.get(), 3, 0), greyOf(30));
}

TEST(Effects, OnePixelPicturesAtEveryDepth) {
    for (int bits : {1, 4, 8, 24}) {
        OpsDoc d(edtest::makePicture(1, 1, bits, [](int, int) { return 1; }));
        d.selectBox(0, 0, 0, 0);
        editorops::DrawShadow(d.doc, 1, 0, 0, 50, 50);
        editorops::Buttonize(d.doc, 3, 10, 0xFFFFFF, false);
        editorops::MosaikEffekt(d.doc, 0, 0);
        editorops::AddNoise(d.doc, 10, 100);
        editorops::DibErodeFilter(d.doc);
        editorops::DibDilateFilter(d.doc);
        editorops::DelNoise(d.doc, 0);
        if (bits != 24) {
            EXPECT_EQ(d.pixel(0, 0), 1);
        }
    }
}
