#include "pixwerk/codec.h"
#include "pixwerk/tests/NetpbmSupport.h"
#include "platform/gdi.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

UniqueDib blank(int width, int height, int bits) {
    UniqueDib dib;
    newdib(dib.out(), width, height, bits, nullptr, 0);
    return dib;
}

using Points = std::set<std::pair<int, int>>;

// The pixels that differ from 0.
Points drawn(const TDib& dib) {
    Points out;
    for (int y = 0; y < dib.Info->bmiHeader.biHeight; ++y)
        for (int x = 0; x < dib.Info->bmiHeader.biWidth; ++x)
            if (getpixel(dib, x, y)) out.emplace(x, y);
    return out;
}

bool connected8(const Points& p) {
    if (p.empty()) return true;
    Points seen{*p.begin()}, todo{*p.begin()};
    while (!todo.empty()) {
        const auto [x, y] = *todo.begin();
        todo.erase(todo.begin());
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (p.count({x + dx, y + dy}) && seen.insert({x + dx, y + dy}).second) todo.insert({x + dx, y + dy});
    }
    return seen.size() == p.size();
}

}  // namespace

TEST(Primitives, PixelsAtEveryDepth) {
    for (int bits : {1, 4, 8, 24}) {
        const UniqueDib dib = blank(11, 7, bits);
        const int value = bits == 24 ? 0x123456 : (1 << bits) - 1;
        setpixel(dib.get(), 3, 2, value);
        setpixel(dib.get(), 4, 2, bits == 24 ? 0x010203 : 1);
        EXPECT_EQ(getpixel(dib.get(), 3, 2), value) << bits;
        EXPECT_EQ(getpixel(dib.get(), 2, 2), 0) << "neighbours stay";
        EXPECT_EQ(drawn(dib.get()).size(), 2u);
        // Top row first: row 2 from the top is stored at (height - 1 - 2) rows into the memory.
        const BYTE* row = dib.get().Bits + (7 - 1 - 2) * dib.get().LineBytes;
        if (bits == 24) {
            EXPECT_EQ(row[9] | row[10] << 8 | row[11] << 16, 0x563412) << "blue, green, red";
        }
        for (const auto& [x, y] : std::vector<std::pair<int, int>>{{-1, 0}, {11, 0}, {0, -1}, {0, 7}}) {
            setpixel(dib.get(), x, y, value);
            EXPECT_EQ(getpixel(dib.get(), x, y), 0);
        }
        EXPECT_EQ(drawn(dib.get()).size(), 2u) << "outside positions change nothing";
    }
    UniqueDib none;
    setpixel(none.get(), 0, 0, 1);
    EXPECT_EQ(getpixel(none.get(), 0, 0), 0);
    line(none.get(), 0, 0, 5, 5, 1);
    FilledEllipse(none.get(), 0, 0, 5, 5, 1);
}

TEST(Primitives, LinesIncludeBothEnds) {
    const UniqueDib dib = blank(40, 30, 8);
    line(dib.get(), 2, 3, 30, 14, 9);
    Points p = drawn(dib.get());
    EXPECT_EQ(p.size(), 29u) << "one pixel per column";
    EXPECT_TRUE(p.count({2, 3}) && p.count({30, 14}));
    EXPECT_TRUE(connected8(p));
    const UniqueDib steep = blank(40, 30, 24);
    line(steep.get(), 5, 29, 1, 0, 0xFFFFFF);
    p = drawn(steep.get());
    EXPECT_EQ(p.size(), 30u);
    EXPECT_TRUE(p.count({5, 29}) && p.count({1, 0}) && connected8(p));
    // Far outside: only the part inside is drawn, quickly.
    const UniqueDib clip = blank(20, 20, 1);
    line(clip.get(), -2000000000, 10, 2000000000, 10, 1);
    EXPECT_EQ(drawn(clip.get()).size(), 20u);
    line(clip.get(), 7, 7, 7, 7, 1);
    EXPECT_EQ(getpixel(clip.get(), 7, 7), 1);
}

TEST(Primitives, RectanglesInEitherCornerOrder) {
    const UniqueDib outline = blank(20, 20, 4), filled = blank(20, 20, 4);
    rechteck(outline.get(), 12, 9, 3, 2, 5);
    recht_filled(filled.get(), 3, 9, 12, 2, 5);
    EXPECT_EQ(drawn(filled.get()).size(), 10u * 8u);
    EXPECT_EQ(drawn(outline.get()).size(), 2u * 10 + 2u * 6);
    for (const auto& pt : drawn(outline.get())) EXPECT_TRUE(pt.first == 3 || pt.first == 12 || pt.second == 2 || pt.second == 9);
    const UniqueDib clipped = blank(10, 10, 8);
    recht_filled(clipped.get(), -5, -5, 100, 100, 1);
    EXPECT_EQ(drawn(clipped.get()).size(), 100u);
}

TEST(Primitives, EllipsesFillTheirRectangle) {
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{21, 13}, {10, 10}, {1, 6}, {0, 0}}) {
        const UniqueDib outline = blank(40, 30, 8), filled = blank(40, 30, 8);
        ellipse(outline.get(), 5 + w, 4, 5, 4 + h, 1);
        FilledEllipse(filled.get(), 5, 4 + h, 5 + w, 4, 1);
        const Points o = drawn(outline.get()), f = drawn(filled.get());
        int minX = 99, maxX = -1, minY = 99, maxY = -1;
        for (const auto& [x, y] : f) minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
        EXPECT_EQ(minX, 5);
        EXPECT_EQ(maxX, 5 + w);
        EXPECT_EQ(minY, 4);
        EXPECT_EQ(maxY, 4 + h);
        for (const auto& pt : o) EXPECT_TRUE(f.count(pt)) << "the outline lies on the filled shape";
        for (const auto& [x, y] : f) EXPECT_TRUE(f.count({2 * 5 + w - x, y}) && f.count({x, 2 * 4 + h - y})) << "symmetric";
        EXPECT_TRUE(connected8(o));
        if (w >= 10) {
            EXPECT_LT(o.size(), f.size() / 2);
            EXPECT_FALSE(o.count({5 + w / 2, 4 + h / 2})) << "the outline is hollow";
            EXPECT_TRUE(f.count({5 + w / 2, 4 + h / 2}));
            EXPECT_FALSE(f.count({5, 4})) << "corners are outside";
        }
    }
}

TEST(Primitives, ScreenEllipseDrawsAnOutline) {
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 40, 30, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bmp, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBitmap = SelectObject(dc, bmp);
    HPEN pen = CreatePen(0, 1, 0x00FFFFFF);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    ScreenEllipse(dc, 30, 25, 5, 5);
    EXPECT_EQ(GetPixel(dc, 17, 15) & 0xFFFFFF, 0u) << "the inside stays";
    int lit = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) lit += (GetPixel(dc, x, y) & 0xFFFFFF) != 0;
    EXPECT_GT(lit, 40);
    EXPECT_EQ(GetPixel(dc, 2, 2) & 0xFFFFFF, 0u);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBitmap);
    DeleteObject(pen);
    DeleteDC(dc);
    DeleteObject(bmp);
}

TEST(Primitives, PowerRaisesToRealExponents) {
    EXPECT_DOUBLE_EQ(power(2.0, 10.0), 1024.0);
    EXPECT_DOUBLE_EQ(power(9.0, 0.5), 3.0);
    EXPECT_DOUBLE_EQ(power(5.0, 0.0), 1.0);
}

namespace {

struct FillCase {
    UniqueDib dib, mask, work;
};

// A 24-bit picture: white with a black wall at x = 10 and a grey patch (near white) at the top left.
FillCase walled() {
    FillCase f{blank(20, 12, 24), blank(20, 12, 1), blank(20, 12, 1)};
    recht_filled(f.dib.get(), 0, 0, 19, 11, 0xFFFFFF);
    line(f.dib.get(), 10, 0, 10, 11, 0);
    recht_filled(f.dib.get(), 0, 0, 2, 2, 0xF0F0F0);
    return f;
}

int count(const TDib& dib, int value) {
    int n = 0;
    for (int y = 0; y < dib.Info->bmiHeader.biHeight; ++y)
        for (int x = 0; x < dib.Info->bmiHeader.biWidth; ++x) n += getpixel(dib, x, y) == value;
    return n;
}

}  // namespace

TEST(Fill, StopsAtEdgesAndHonoursTheTolerance) {
    FillCase f = walled();
    filldib(f.dib.get(), 5, 5, 0x0000FF, 0, 0, f.mask.get(), 0, f.work.get(), 0, 0, f.work.get());
    EXPECT_EQ(count(f.dib.get(), 0x0000FF), 10 * 12 - 9) << "left of the wall without the grey patch";
    EXPECT_EQ(getpixel(f.dib.get(), 15, 5), 0xFFFFFF);
    EXPECT_EQ(getpixel(f.work.get(), 5, 5), 1) << "the work picture marks the region";
    EXPECT_EQ(getpixel(f.work.get(), 15, 5), 0);

    FillCase g = walled();
    filldib(g.dib.get(), 5, 5, 0x0000FF, 0, 15, g.mask.get(), 0, g.work.get(), 0, 0, g.work.get());
    EXPECT_EQ(count(g.dib.get(), 0x0000FF), 10 * 12) << "the patch lies within 15";
    UniqueDib noWork;
    FillCase h = walled();
    filldib(h.dib.get(), 15, 5, 0x00FF00, 0, 0, h.mask.get(), 0, noWork.get(), 0, 0, noWork.get());
    EXPECT_EQ(count(h.dib.get(), 0x00FF00), 9 * 12) << "works without a work picture";
}

TEST(Fill, HonoursTheMaskOnlyWhenAsked) {
    FillCase f = walled();
    recht_filled(f.mask.get(), 12, 0, 19, 5, 1);
    filldib(f.dib.get(), 15, 2, 0x00FF00, 0, 0, f.mask.get(), 1, f.work.get(), 0, 0, f.work.get());
    EXPECT_EQ(count(f.dib.get(), 0x00FF00), 8 * 6);
    FillCase g = walled();
    recht_filled(g.mask.get(), 12, 0, 19, 5, 1);
    filldib(g.dib.get(), 15, 9, 0x00FF00, 0, 0, g.mask.get(), 1, g.work.get(), 0, 0, g.work.get());
    EXPECT_EQ(count(g.dib.get(), 0x00FF00), 0) << "a start outside the selection fills nothing";
    filldib(g.dib.get(), 15, 9, 0x00FF00, 0, 0, g.mask.get(), 0, g.work.get(), 0, 0, g.work.get());
    EXPECT_EQ(count(g.dib.get(), 0x00FF00), 9 * 12);
}

TEST(Fill, WandSelectsWhatTheFillChanged) {
    // The editor's wand: fill a copy with 0 (or the last colour when the pixel is 0) and
    // select where the copy differs.
    const UniqueDib picture = netpbm::testPicture(16, 16, 8);
    recht_filled(picture.get(), 0, 0, 15, 15, 7);
    recht_filled(picture.get(), 4, 4, 9, 9, 0);
    for (const auto& [x, y, expected] : std::vector<std::tuple<int, int, int>>{{5, 5, 36}, {0, 0, 256 - 36}}) {
        UniqueDib copy, work = blank(16, 16, 1), mask = blank(16, 16, 1);
        newdib(copy.out(), 16, 16, 8, picture.get().Info, 256);
        std::copy_n(picture.get().Bits, picture.get().LineBytes * 16, copy.get().Bits);
        const int colour = getpixel(copy.get(), x, y) == 0 ? 255 : 0;
        filldib(copy.get(), x, y, colour, 0, 0, mask.get(), 0, work.get(), 0, 0, mask.get());
        int changed = 0;
        for (int yy = 0; yy < 16; ++yy)
            for (int xx = 0; xx < 16; ++xx) changed += getpixel(copy.get(), xx, yy) != getpixel(picture.get(), xx, yy);
        EXPECT_EQ(changed, expected);
    }
    const UniqueDib uniform = blank(9, 9, 4);
    filldib(uniform.get(), 4, 4, 15, 0, 0, uniform.get(), 0, uniform.get(), 0, 0, uniform.get());
    EXPECT_EQ(count(uniform.get(), 15), 81) << "tolerance 0 on a uniform picture fills all of it";
}

TEST(Fill, PaintsSamplesAndGradients) {
    const UniqueDib sample = blank(2, 2, 24);
    setpixel(sample.get(), 0, 0, 0x0000FF);
    setpixel(sample.get(), 1, 1, 0x00FF00);
    FillCase f = walled();
    filldib(f.dib.get(), 15, 5, 0, 0, 0, f.mask.get(), 0, f.work.get(), 1, 0, sample.get());
    EXPECT_EQ(getpixel(f.dib.get(), 12, 4), 0x0000FF) << "tiled from the picture's origin";
    EXPECT_EQ(getpixel(f.dib.get(), 13, 5), 0x00FF00);
    EXPECT_EQ(getpixel(f.dib.get(), 13, 4), 0);
    EXPECT_EQ(getpixel(f.dib.get(), 5, 5), 0xFFFFFF) << "only the region";

    // Every gradient starts with the first colour on the direction's start side.
    const int starts[8][2] = {{11, 0}, {15, 0}, {19, 0}, {19, 6}, {19, 11}, {15, 11}, {11, 11}, {11, 6}};
    for (int style = 2; style <= 5; ++style)
        for (int direction = 0; direction < 8; ++direction) {
            FillCase g = walled();
            filldib(g.dib.get(), 15, 5, 0x000000, 0xFFFFFF, 0, g.mask.get(), 0, g.work.get(), style, direction, g.work.get());
            if (style != 4) {  // east and west start between two rows: nearly black
                EXPECT_LT(getpixel(g.dib.get(), starts[direction][0], starts[direction][1]) & 0xFF, direction % 4 == 3 ? 24 : 1)
                    << style << " " << direction;
            }
            EXPECT_EQ(getpixel(g.dib.get(), 5, 5), 0xFFFFFF);
            std::set<int> shades;
            for (int y = 0; y < 12; ++y)
                for (int x = 11; x < 20; ++x) {
                    const int v = getpixel(g.dib.get(), x, y);
                    EXPECT_TRUE((v & 0xFF) == ((v >> 8) & 0xFF) && (v & 0xFF) == (v >> 16)) << "greys between black and white";
                    shades.insert(v);
                }
            EXPECT_GT(shades.size(), 5u) << style << " " << direction;
        }
    // Linear north to south on a palette picture: rows get the nearest palette entries.
    const UniqueDib grey = netpbm::testPicture(4, 256, 8, true);
    recht_filled(grey.get(), 0, 0, 3, 255, 3);
    filldib(grey.get(), 0, 0, 0, 255, 0, grey.get(), 0, grey.get(), 2, 1, grey.get());
    EXPECT_EQ(getpixel(grey.get(), 2, 0), 0);
    EXPECT_EQ(getpixel(grey.get(), 2, 255), 255);
    for (int y = 1; y < 256; ++y) EXPECT_GE(getpixel(grey.get(), 1, y), getpixel(grey.get(), 1, y - 1));
}

TEST(Halftone, CopiesOntoTheFixedPaletteAndScales) {
    const UniqueDib dib = netpbm::testPicture(60, 40, 24);
    UniqueDib half;
    DIBHalftoneDIB(half.out(), dib.get());
    ASSERT_TRUE(half);
    EXPECT_EQ(half.get().Info->bmiHeader.biBitCount, 8);
    EXPECT_EQ(half.get().Info->bmiHeader.biWidth, 60);
    // Ordered dithering keeps the average colour of each 8 x 8 block.
    const netpbm::RgbImage a = netpbm::toRgb(dib.get()), b = netpbm::toRgb(half.get());
    for (int c = 0; c < 3; ++c) {
        double sa = 0, sb = 0;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) sa += a.at(x + 16, y + 8)[c], sb += b.at(x + 16, y + 8)[c];
        EXPECT_NEAR(sa / 64, sb / 64, 12) << c;
    }
    UniqueDib small;
    DIBHalftoneDIBXY(small.out(), dib.get(), 15, 10);
    ASSERT_TRUE(small);
    EXPECT_EQ(small.get().Info->bmiHeader.biWidth, 15);
    EXPECT_EQ(small.get().Info->bmiHeader.biHeight, 10);
    // A uniform grey comes out on the grey ramp.
    const UniqueDib flat = blank(16, 16, 24);
    recht_filled(flat.get(), 0, 0, 15, 15, 0x808080);
    DIBHalftoneDIBXY(small.out(), flat.get(), 8, 8);
    double sum = 0;
    for (const std::uint8_t v : netpbm::toRgb(small.get()).rgb) sum += v;
    EXPECT_NEAR(sum / (8 * 8 * 3), 128, 3);

    // Palette pictures: an 8-bit copy with their own colours.
    const UniqueDib four = netpbm::testPicture(10, 6, 4);
    UniqueDib copy;
    DIBHalftoneDIB(copy.out(), four.get());
    EXPECT_EQ(copy.get().Info->bmiHeader.biBitCount, 8);
    EXPECT_TRUE(netpbm::samePixels(netpbm::toRgb(four.get()), netpbm::toRgb(copy.get())));
    UniqueDib none;
    DIBHalftoneDIB(copy.out(), none.get());
    EXPECT_FALSE(copy);
    DIBHalftoneDIBXY(copy.out(), dib.get(), 0, 5);
    EXPECT_FALSE(copy);
}
