// Rotation, borders, canvas, perspective, skew and bulge, at every depth where they apply,
// with worked-out pixels and the degenerate sizes that once divided by zero.
#include "editor/DocumentOps.h"
#include "editor/EditorOps.h"
#include "editor/Geometry.h"
#include "editor/tests/OpsTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace opstest2;

namespace {

UniqueDib picture(int w, int h, int bits) {
    if (bits == 24) return edtest::makePicture(w, h, 24, edtest::pattern24);
    const int n = 1 << bits;
    return edtest::makePicture(w, h, bits, [n](int x, int y) { return (x + 3 * y) % n; });
}

UniqueDib copyOf(const UniqueDib& d) { return edtest::copyOf(d.get()); }

}  // namespace

TEST(RoundEven, TiesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundEven(0.5), 0);
    EXPECT_EQ(RoundEven(1.5), 2);
    EXPECT_EQ(RoundEven(2.5), 2);
    EXPECT_EQ(RoundEven(-0.5), 0);
    EXPECT_EQ(RoundEven(-1.5), -2);
    EXPECT_EQ(RoundEven(2.4999), 2);
    EXPECT_EQ(RoundEven(-7.6), -8);
    EXPECT_EQ(RoundEven(1e17), 100000000000000000LL);
}

TEST(DibRotxxx, ZeroDegreesCopiesEveryDepth) {
    for (int bits : {1, 4, 8, 24}) {
        UniqueDib src = picture(7, 5, bits);
        UniqueDib r = DibRotxxx(src.get(), 0, 0, 0.0);
        ASSERT_TRUE(r) << bits;
        EXPECT_TRUE(edtest::samePixels(src.get(), r.get())) << bits;
    }
}

TEST(DibRotxxx, QuarterTurnSwapsTheSidesAndMapsAsWorkedOut) {
    for (int bits : {1, 4, 8, 24}) {
        UniqueDib src = picture(4, 2, bits);
        const int bg = bits == 24 ? rgb(1, 2, 3) : 1;
        UniqueDib r = DibRotxxx(src.get(), 0, bg, 90.0);
        ASSERT_TRUE(r);
        ASSERT_EQ(DibWidth(r.get()), 2);
        ASSERT_EQ(DibHeight(r.get()), 4);
        // I = i - 1, J = j - 2: source (2 - J, I + 1) = (4 - j, i); column 4 is outside.
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 2; ++i)
                EXPECT_EQ(getpixel(r.get(), i, j), j == 0 ? bg : getpixel(src.get(), 4 - j, i)) << bits << " " << i << "," << j;
        // The other direction: source (J + 2, 1 - I) = (j, 2 - i); row 2 is outside.
        UniqueDib l = DibRotxxx(src.get(), 1, bg, 90.0);
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 2; ++i)
                EXPECT_EQ(getpixel(l.get(), i, j), i == 0 ? bg : getpixel(src.get(), j, 2 - i)) << bits;
    }
}

TEST(DibRotxxx, UncoveredCornersTakeTheBackground) {
    UniqueDib src = truecolour(40, 20, [](int, int) { return rgb(200, 0, 0); });
    UniqueDib r = DibRotxxx(src.get(), 0, rgb(0, 0, 255), 30.0);
    ASSERT_TRUE(r);
    const int w = DibWidth(r.get()), h = DibHeight(r.get());
    // 40 x 20 turned by 30 degrees: corners at round(+-20 cos - +-10 sin) and so on.
    EXPECT_EQ(w, 44);
    EXPECT_EQ(h, 38);
    for (const auto& p : {std::pair{0, 0}, std::pair{w - 1, 0}, std::pair{0, h - 1}, std::pair{w - 1, h - 1}})
        EXPECT_EQ(getpixel(r.get(), p.first, p.second), rgb(0, 0, 255));
    EXPECT_EQ(getpixel(r.get(), w / 2, h / 2), rgb(200, 0, 0));
}

TEST(DibRotxxx, RefusesWhatItCannotMake) {
    UniqueDib one = truecolour(1, 1, [](int, int) { return rgb(5, 6, 7); });
    UniqueDib r = DibRotxxx(one.get(), 0, 0, 30.0);
    ASSERT_TRUE(r);
    EXPECT_EQ(getpixel(r.get(), DibWidth(r.get()) / 2, DibHeight(r.get()) / 2), rgb(5, 6, 7));
    EXPECT_FALSE(DibRotxxx(one.get(), 0, 0, std::nan("")));
    EXPECT_FALSE(DibRotxxx(one.get(), 0, 0, INFINITY));
    UniqueDib big = truecolour(200, 200, [](int, int) { return 0; });
    edtest::AllocationLimit limit(200 * 200 * 3 + 4096);
    EXPECT_FALSE(DibRotxxx(big.get(), 0, 0, 45.0));  // about twice the pixels
}

TEST(AddBorders, FramesThePictureInTheColour) {
    for (int bits : {1, 4, 8, 24}) {
        UniqueDib src = picture(5, 3, bits);
        const int c = bits == 24 ? rgb(9, 8, 7) : 1;
        UniqueDib same = AddBorders(src.get(), 0, 0, 0, 0, c);
        ASSERT_TRUE(same);
        EXPECT_TRUE(edtest::samePixels(src.get(), same.get()));
        UniqueDib r = AddBorders(src.get(), 1, 2, 3, 4, c);  // top, bottom, left, right
        ASSERT_TRUE(r);
        EXPECT_EQ(DibWidth(r.get()), 12);
        EXPECT_EQ(DibHeight(r.get()), 6);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 12; ++x) {
                const bool inside = x >= 3 && x < 8 && y >= 1 && y < 4;
                EXPECT_EQ(getpixel(r.get(), x, y), inside ? getpixel(src.get(), x - 3, y - 1) : c) << bits;
            }
    }
}

TEST(AddBorders, TypedSizesAreChecked) {
    UniqueDib src = picture(5, 3, 24);
    EXPECT_FALSE(AddBorders(src.get(), -1, 0, 0, 0, 0));
    EXPECT_FALSE(AddBorders(src.get(), 0, 0, 0, -6, 0));
    {
        edtest::AllocationLimit limit(64u << 20);
        EXPECT_FALSE(AddBorders(src.get(), 16000, 16000, 16000, 16000, 0));  // 3 GB
    }
    // Through the document: the old picture stays, with the message, and no undo step.
    OpsDoc d(picture(5, 3, 24));
    edtest::AllocationLimit limit(1u << 20);
    EXPECT_FALSE(editorops::AddBorders(d.doc, 16000, 16000, 16000, 16000));
    ASSERT_EQ(d.window.Boxes.size(), 1u);
    EXPECT_EQ(d.window.Boxes[0].text, "Error when modifying the size...");
    EXPECT_EQ(DibWidth(d.doc.Dib.get()), 5);
    EXPECT_EQ(d.doc.UndoCount, 0);
}

TEST(AddBorders, ThroughTheDocumentUsesColourTwoAndSavesAStep) {
    OpsDoc d(picture(4, 4, 24));
    d.doc.Color2 = rgb(0, 255, 0);
    d.selectBox(1, 1, 2, 2);
    EXPECT_TRUE(editorops::AddBorders(d.doc, 2, 0, 0, 1));
    EXPECT_EQ(DibWidth(d.doc.Dib.get()), 5);
    EXPECT_EQ(DibHeight(d.doc.Dib.get()), 6);
    EXPECT_EQ(d.pixel(4, 5), rgb(0, 255, 0));
    EXPECT_EQ(d.pixel(0, 2), edtest::pattern24(0, 0));
    EXPECT_EQ(d.doc.UndoCount, 1);
    EXPECT_FALSE(d.doc.SelActive);
    EXPECT_EQ(DibWidth(d.doc.SelMask.get()), 5);
}

TEST(NewCanvas, CutsAndPlacesWithNegativeOffsets) {
    for (int bits : {1, 4, 8, 24}) {
        UniqueDib src = picture(6, 4, bits);
        const int f = bits == 24 ? rgb(0, 0, 9) : 0;
        UniqueDib small = NewCanvas(src.get(), 3, 2, f, 0, 0);
        ASSERT_TRUE(small);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) EXPECT_EQ(getpixel(small.get(), x, y), getpixel(src.get(), x, y));
        UniqueDib moved = NewCanvas(src.get(), 6, 5, f, -2, 1);
        ASSERT_TRUE(moved);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x) {
                const bool inside = x < 4 && y >= 1;
                EXPECT_EQ(getpixel(moved.get(), x, y), inside ? getpixel(src.get(), x + 2, y - 1) : f) << bits;
            }
        UniqueDib away = NewCanvas(src.get(), 2, 2, f, 100, -100);  // nothing of the picture
        ASSERT_TRUE(away);
        EXPECT_EQ(getpixel(away.get(), 1, 1), f);
    }
    UniqueDib src = picture(6, 4, 24);
    EXPECT_FALSE(NewCanvas(src.get(), 0, 5, 0, 0, 0));
    EXPECT_FALSE(NewCanvas(src.get(), 5, -1, 0, 0, 0));
}

TEST(Perspektive, AmountZeroChangesNothing) {
    for (bool persp : {true, false})
        for (bool horz : {true, false}) {
            UniqueDib pic = picture(7, 5, 24);
            UniqueDib backup = copyOf(pic);
            Perspektive(pic.get(), backup.get(), 0, persp, horz, rgb(1, 1, 1));
            EXPECT_TRUE(edtest::samePixels(pic.get(), backup.get())) << persp << horz;
        }
}

TEST(Perspektive, WorkedOutTargets) {
    const int c2 = rgb(1, 2, 3);
    {
        // Horizontal perspective by 100: column 4 shrinks to row 2, column 0 stays.
        UniqueDib pic = picture(5, 5, 24);
        UniqueDib backup = copyOf(pic);
        Perspektive(pic.get(), backup.get(), 100, true, true, c2);
        for (int y = 0; y < 5; ++y) {
            EXPECT_EQ(getpixel(pic.get(), 0, y), getpixel(backup.get(), 0, y));
            EXPECT_EQ(getpixel(pic.get(), 4, y), y == 2 ? getpixel(backup.get(), 4, 4) : c2);
        }
        // Column 2: u = 50, target row = 50 (y - 2) / 100 + 2: rows 1, 2, 3 are written.
        EXPECT_EQ(getpixel(pic.get(), 2, 0), c2);
        EXPECT_EQ(getpixel(pic.get(), 2, 1), getpixel(backup.get(), 2, 0));
        EXPECT_EQ(getpixel(pic.get(), 2, 3), getpixel(backup.get(), 2, 4));
    }
    {
        // Horizontal skew by 40: v = 2, target column x + 1 - 2 y / 5.
        UniqueDib pic = picture(5, 5, 24);
        UniqueDib backup = copyOf(pic);
        Perspektive(pic.get(), backup.get(), 40, false, true, c2);
        EXPECT_EQ(getpixel(pic.get(), 0, 0), c2);
        EXPECT_EQ(getpixel(pic.get(), 1, 0), getpixel(backup.get(), 0, 0));
        EXPECT_EQ(getpixel(pic.get(), 4, 0), getpixel(backup.get(), 3, 0));
        EXPECT_EQ(getpixel(pic.get(), 3, 4), getpixel(backup.get(), 3, 4));
    }
    {
        // Vertical skew by -40: w = -2, target row y - 1 + 2 x / 5.
        UniqueDib pic = picture(5, 5, 24);
        UniqueDib backup = copyOf(pic);
        Perspektive(pic.get(), backup.get(), -40, false, false, c2);
        EXPECT_EQ(getpixel(pic.get(), 0, 4), c2);
        EXPECT_EQ(getpixel(pic.get(), 0, 0), getpixel(backup.get(), 0, 1));
    }
}

TEST(Perspektive, OnlySelectedTargetsChangeAndOtherDepthsStay) {
    OpsDoc d(picture(6, 6, 24));
    UniqueDib backup = copyOf(d.doc.Dib);
    d.doc.Color2 = rgb(7, 7, 7);
    d.selectBox(0, 0, 2, 5);
    editorops::Perspektive(d.doc, backup.get(), 60, false, true);
    for (int y = 0; y < 6; ++y)
        for (int x = 3; x < 6; ++x) EXPECT_EQ(d.pixel(x, y), getpixel(backup.get(), x, y));
    EXPECT_EQ(d.pixel(0, 0), rgb(7, 7, 7));  // v = 3: column 0 of row 0 gets nothing
    for (int bits : {1, 4, 8}) {
        UniqueDib pic = picture(5, 5, bits);
        UniqueDib b = copyOf(pic);
        Perspektive(pic.get(), b.get(), 50, true, false, 0);
        Woelben(pic.get(), b.get(), true, true, 2.0);
        EXPECT_TRUE(edtest::samePixels(pic.get(), b.get())) << bits;
    }
}

TEST(Perspektive, OnePixelWideOrHighPictures) {
    for (const auto& size : {std::pair{1, 7}, std::pair{7, 1}, std::pair{1, 1}})
        for (int amount : {-100, -30, 30, 100, 250})
            for (bool persp : {true, false})
                for (bool horz : {true, false}) {
                    UniqueDib pic = picture(size.first, size.second, 24);
                    UniqueDib backup = copyOf(pic);
                    Perspektive(pic.get(), backup.get(), amount, persp, horz, rgb(3, 3, 3));
                    if (persp && horz && size.first == 1) {  // u = 0: every pixel stays
                        EXPECT_TRUE(edtest::samePixels(pic.get(), backup.get()));
                    }
                    if (persp && !horz && size.second == 1) {  // t = 0
                        EXPECT_TRUE(edtest::samePixels(pic.get(), backup.get()));
                    }
                }
}

TEST(Woelben, WorkedOutSourcesAndExponentOne) {
    // Width 9, half 4, exponent 2: x = 2 -> e = 4 x 0.25 = 1 -> source 3; x = 6 -> 5.
    UniqueDib pic = truecolour(9, 1, [](int x, int) { return rgb(x * 20, 0, 0); });
    UniqueDib backup = copyOf(pic);
    Woelben(pic.get(), backup.get(), true, false, 2.0);
    const int expected[9] = {0, 2, 3, 4, 4, 4, 5, 6, 8};  // x = 1: d = 3, e = 2.25 -> 2
    for (int x = 0; x < 9; ++x) EXPECT_EQ(red(getpixel(pic.get(), x, 0)), expected[x] * 20) << x;
    // Exponent 1: each pixel from its own place or one nearer the middle.
    UniqueDib wide = truecolour(31, 17, [](int x, int y) { return rgb(x, y, 0); });
    UniqueDib b2 = copyOf(wide);
    Woelben(wide.get(), b2.get(), true, true, 1.0);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 31; ++x) {
            const int v = getpixel(wide.get(), x, y);
            const int sx = red(v), sy = green(v);
            EXPECT_TRUE(sx == x || sx == x + (x < 15 ? 1 : -1)) << x;
            EXPECT_TRUE(sy == y || sy == y + (y < 8 ? 1 : -1)) << y;
        }
}

TEST(Woelben, OnePixelAxesAndWildExponents) {
    for (const auto& size : {std::pair{1, 6}, std::pair{6, 1}, std::pair{1, 1}}) {
        UniqueDib pic = picture(size.first, size.second, 24);
        UniqueDib backup = copyOf(pic);
        Woelben(pic.get(), backup.get(), true, true, 3.0);
        if (size.first == 1 && size.second == 1) {
            EXPECT_TRUE(edtest::samePixels(pic.get(), backup.get()));
        }
    }
    // A negative exponent reaches infinity in the middle; NaN keeps the distance.
    for (double e : {-2.0, std::nan(""), 1e300}) {
        UniqueDib pic = picture(9, 9, 24);
        UniqueDib backup = copyOf(pic);
        Woelben(pic.get(), backup.get(), true, true, e);
        ASSERT_TRUE(pic);
    }
    UniqueDib pic = picture(9, 9, 24);
    UniqueDib backup = copyOf(pic);
    Woelben(pic.get(), backup.get(), true, true, std::nan(""));
    EXPECT_TRUE(edtest::samePixels(pic.get(), backup.get()));
}

TEST(DibRotxxx, ThroughTheDocumentMergesTheFloatAndKeepsAStep) {
    OpsDoc d(picture(6, 4, 24));
    d.doc.Color2 = rgb(0, 0, 200);
    d.selectBox(1, 1, 2, 2);
    d.doc.MakeSelectionDragable();
    ASSERT_TRUE(d.doc.DragActive);
    ASSERT_TRUE(editorops::Rotate(d.doc, 0, 45.0));
    EXPECT_FALSE(d.doc.DragActive);
    EXPECT_FALSE(d.doc.FloatDib);
    EXPECT_EQ(d.doc.UndoCount, 1);
    EXPECT_EQ(d.pixel(0, 0), rgb(0, 0, 200));
    EXPECT_EQ(DibWidth(d.doc.SelMask.get()), DibWidth(d.doc.Dib.get()));
    ASSERT_TRUE(editorops::Rotate(d.doc, 1, 45.0));
    EXPECT_EQ(d.doc.UndoCount, 2);
    d.doc.LoadFromUndo();
    d.doc.LoadFromUndo();
    EXPECT_EQ(DibWidth(d.doc.Dib.get()), 6);
    EXPECT_TRUE(edtest::samePixels(d.doc.Dib.get(), picture(6, 4, 24).get()));
}
