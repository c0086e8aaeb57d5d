// StretchDIBits and SetDIBitsToDevice: pixel mapping, the DIB convention, depths, raster
// operations, clipping, and the painter path of vector devices.
#include "platform/TestDevice.h"
#include "platform/gdi.h"
#include "platform/tests/GdiTestSupport.h"

#include <gtest/gtest.h>

using gditest::code;
using gditest::Dib;
using gditest::rgb;
using platform::TestDevice;
using platform::TestDeviceOptions;

namespace {

TestDeviceOptions sized(int w, int h, bool vector = false) {
    TestDeviceOptions o;
    o.width = w;
    o.height = h;
    o.vector = vector;
    return o;
}

Dib coded(int w, int h) {
    Dib d(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) d.set(x, y, code(x, y));
    return d;
}

}  // namespace

TEST(DcStretch, NearestNeighbourMappingIsExactAndLeavesTheRestAlone) {
    TestDevice dev(sized(24, 16));
    Dib dib = coded(5, 3);
    EXPECT_EQ(StretchDIBits(dev.dc(), 2, 3, 13, 7, 0, 0, 5, 3, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY), 3);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x) {
            const bool inside = x >= 2 && x < 15 && y >= 3 && y < 10;
            const std::uint32_t want = inside ? code((x - 2) * 5 / 13, (y - 3) * 3 / 7) : 0xFFFFFF;
            ASSERT_EQ(rgb(dev.image(), x, y), want) << x << "," << y;
        }
    // Shrinking takes every n-th column and row from the first.
    StretchDIBits(dev.dc(), 0, 0, 2, 1, 0, 0, 5, 3, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(rgb(dev.image(), 0, 0), code(0, 0));
    EXPECT_EQ(rgb(dev.image(), 1, 0), code(2, 0));
}

TEST(DcStretch, SourceRowsCountFromTheBottomAndNegativeExtentsMirror) {
    TestDevice dev(sized(16, 16));
    Dib dib = coded(4, 4);
    // Bottom-up rows 1 and 2 are the picture's rows 2 and 1 from the top.
    StretchDIBits(dev.dc(), 0, 0, 2, 2, 1, 1, 2, 2, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(rgb(dev.image(), 0, 0), code(1, 1));
    EXPECT_EQ(rgb(dev.image(), 1, 1), code(2, 2));
    StretchDIBits(dev.dc(), 4, 0, 4, 1, 0, 0, 4, 1, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(rgb(dev.image(), 4, 0), code(0, 3));  // the bottom row

    // A negative width runs left from its origin, origin included.
    StretchDIBits(dev.dc(), 12, 8, -4, 4, 0, 0, 4, 4, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(rgb(dev.image(), 12 - k, 8), code(k, 0));
    EXPECT_EQ(rgb(dev.image(), 13, 8), 0xFFFFFFu);
    EXPECT_EQ(rgb(dev.image(), 8, 8), 0xFFFFFFu);
    StretchDIBits(dev.dc(), 0, 15, 4, -4, 0, 0, 4, 4, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(rgb(dev.image(), 1, 15 - k), code(1, k));
}

TEST(DcStretch, EveryDepthDrawsThroughItsColourTable) {
    const std::vector<QRgb> table = {qRgb(10, 20, 30), qRgb(200, 100, 50), qRgb(1, 2, 3), qRgb(4, 5, 6),
                                     qRgb(7, 8, 9),    qRgb(11, 12, 13),   qRgb(14, 15, 16), qRgb(17, 18, 19),
                                     qRgb(20, 21, 22), qRgb(23, 24, 25),   qRgb(26, 27, 28), qRgb(29, 30, 31),
                                     qRgb(32, 33, 34), qRgb(35, 36, 37),   qRgb(38, 39, 40), qRgb(250, 251, 252)};
    for (int bits : {1, 4, 8}) {
        TestDevice dev(sized(12, 4));
        Dib dib(9, 2, bits, table);
        const int colours = 1 << bits;
        for (int x = 0; x < 9; ++x) {
            dib.set(x, 0, static_cast<std::uint32_t>(x % colours));
            dib.set(x, 1, static_cast<std::uint32_t>((x + 1) % std::min(colours, 16)));
        }
        ASSERT_EQ(StretchDIBits(dev.dc(), 1, 1, 9, 2, 0, 0, 9, 2, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY), 2);
        for (int x = 0; x < 9; ++x) {
            const int top = x % colours, below = (x + 1) % std::min(colours, 16);
            const QRgb wantTop = top < 16 ? table[top] : qRgb(0, 0, 0);
            EXPECT_EQ(rgb(dev.image(), 1 + x, 1), wantTop & 0xFFFFFF) << bits << " bits, column " << x;
            EXPECT_EQ(rgb(dev.image(), 1 + x, 2), table[below] & 0xFFFFFF) << bits << " bits, column " << x;
        }
    }
    // 32 bits, and 24 bits stored top-down.
    for (bool topDown : {false, true}) {
        TestDevice dev(sized(8, 8));
        Dib dib(3, 3, topDown ? 24 : 32, {}, topDown);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 3; ++x) dib.set(x, y, code(x, y));
        StretchDIBits(dev.dc(), 0, 0, 3, 3, 0, 0, 3, 3, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 3; ++x) EXPECT_EQ(rgb(dev.image(), x, y), code(x, y));
    }
}

TEST(DcStretch, PaletteIndexColoursUseTheSelectedPalette) {
    TestDevice dev(sized(4, 1));
    alignas(LOGPALETTE) unsigned char block[sizeof(LOGPALETTE) + 2 * sizeof(PALETTEENTRY)];
    auto* lp = reinterpret_cast<LOGPALETTE*>(block);
    lp->palVersion = 0x300;
    lp->palNumEntries = 3;
    lp->palPalEntry[0] = {9, 9, 9, 0};
    lp->palPalEntry[1] = {255, 0, 0, 0};
    lp->palPalEntry[2] = {0, 0, 255, 0};
    HPALETTE pal = CreatePalette(lp);
    HPALETTE old = SelectPalette(dev.dc(), pal, FALSE);
    Dib dib(2, 1, 8);
    // DIB_PAL_COLORS: the table holds palette indexes (entry 0 -> 2, entry 1 -> 1).
    WORD* indexes = reinterpret_cast<WORD*>(reinterpret_cast<BYTE*>(dib.info()) + sizeof(BITMAPINFOHEADER));
    indexes[0] = 2;
    indexes[1] = 1;
    dib.set(0, 0, 0);
    dib.set(1, 0, 1);
    StretchDIBits(dev.dc(), 0, 0, 2, 1, 0, 0, 2, 1, dib.bits(), dib.info(), DIB_PAL_COLORS, SRCCOPY);
    EXPECT_EQ(rgb(dev.image(), 0, 0), 0x0000FFu);
    EXPECT_EQ(rgb(dev.image(), 1, 0), 0xFF0000u);
    SelectPalette(dev.dc(), old, FALSE);
    EXPECT_TRUE(DeleteObject(pal));
}

TEST(DcStretch, RasterOperationsCombineSourceAndDestination) {
    const std::uint32_t dest = 0x5A3C0F, src = 0x33CC66;
    struct Case {
        DWORD rop;
        std::uint32_t want;
    };
    const Case cases[] = {{SRCCOPY, src},
                          {SRCINVERT, src ^ dest},
                          {SRCAND, src & dest},
                          {SRCPAINT, src | dest},
                          {NOTSRCCOPY, ~src & 0xFFFFFF},
                          {DSTINVERT, ~dest & 0xFFFFFF},
                          {SRCERASE, src & ~dest & 0xFFFFFF},
                          {MERGEPAINT, (~src | dest) & 0xFFFFFF},
                          {BLACKNESS, 0},
                          {WHITENESS, 0xFFFFFF}};
    Dib dib(1, 1, 24);
    dib.set(0, 0, src);
    for (const Case& c : cases) {
        TestDevice dev(sized(2, 2));
        dev.image().fill(QColor(0x5A, 0x3C, 0x0F));
        StretchDIBits(dev.dc(), 0, 0, 2, 2, 0, 0, 1, 1, dib.bits(), dib.info(), DIB_RGB_COLORS, c.rop);
        EXPECT_EQ(rgb(dev.image(), 1, 1), c.want) << std::hex << c.rop;
        EXPECT_EQ(qAlpha(dev.image().pixel(1, 1)), 255);
    }
    // Drawing with SRCINVERT twice gives back what was there.
    TestDevice dev(sized(8, 8));
    Dib pattern = coded(4, 4);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) dev.image().setPixel(x, y, qRgb(x * 30, y * 30, 77));
    const QImage before = dev.image().copy();
    StretchDIBits(dev.dc(), 0, 0, 8, 8, 0, 0, 4, 4, pattern.bits(), pattern.info(), DIB_RGB_COLORS, SRCINVERT);
    EXPECT_NE(dev.image(), before);
    StretchDIBits(dev.dc(), 0, 0, 8, 8, 0, 0, 4, 4, pattern.bits(), pattern.info(), DIB_RGB_COLORS, SRCINVERT);
    EXPECT_EQ(dev.image(), before);
}

TEST(DcStretch, ClipsToTheSurfaceTheClipRegionAndTheSource) {
    TestDevice dev(sized(10, 10));
    Dib dib = coded(10, 10);
    // Partly off the surface: only the visible part, correctly placed.
    StretchDIBits(dev.dc(), -3, -2, 10, 10, 0, 0, 10, 10, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(rgb(dev.image(), 0, 0), code(3, 2));
    EXPECT_EQ(rgb(dev.image(), 6, 7), code(9, 9));
    EXPECT_EQ(rgb(dev.image(), 7, 8), 0xFFFFFFu);

    dev.image().fill(Qt::white);
    IntersectClipRect(dev.dc(), 2, 2, 8, 8);
    ExcludeClipRect(dev.dc(), 4, 4, 6, 6);
    RECT box;
    EXPECT_EQ(GetClipBox(dev.dc(), &box), COMPLEXREGION);
    EXPECT_EQ(box.left, 2);
    EXPECT_EQ(box.right, 8);
    StretchDIBits(dev.dc(), 0, 0, 10, 10, 0, 0, 10, 10, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 2 && x < 8 && y >= 2 && y < 8 && !(x >= 4 && x < 6 && y >= 4 && y < 6);
            ASSERT_EQ(rgb(dev.image(), x, y), inside ? code(x, y) : 0xFFFFFFu) << x << "," << y;
        }
    SelectClipRgn(dev.dc(), nullptr);

    // A source rectangle reaching past the picture leaves those destination pixels alone.
    dev.image().fill(Qt::white);
    Dib small = coded(2, 2);
    StretchDIBits(dev.dc(), 0, 0, 4, 4, 0, 0, 4, 4, small.bits(), small.info(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(rgb(dev.image(), 1, 3), code(1, 1));  // bottom-up row 0 is the picture's last row
    EXPECT_EQ(rgb(dev.image(), 1, 2), code(1, 0));
    EXPECT_EQ(rgb(dev.image(), 2, 3), 0xFFFFFFu);   // column 2 of the source does not exist
    EXPECT_EQ(rgb(dev.image(), 0, 1), 0xFFFFFFu);   // bottom-up rows 2..3 do not exist
}

TEST(DcStretch, ViewportOriginShiftsTheDestination) {
    TestDevice dev(sized(8, 8));
    Dib dib = coded(1, 1);
    POINT old{};
    SetViewportOrgEx(dev.dc(), 3, 2, &old);
    StretchDIBits(dev.dc(), 1, 1, 1, 1, 0, 0, 1, 1, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(rgb(dev.image(), 4, 3), code(0, 0));
    POINT now{};
    GetViewportOrgEx(dev.dc(), &now);
    EXPECT_EQ(now.x, 3);
    EXPECT_EQ(now.y, 2);
}

TEST(DcStretch, BadInputFailsAndEmptyExtentsDrawNothing) {
    TestDevice dev(sized(4, 4));
    Dib dib = coded(2, 2);
    EXPECT_EQ(StretchDIBits(dev.dc(), 0, 0, 2, 2, 0, 0, 2, 2, nullptr, dib.info(), DIB_RGB_COLORS, SRCCOPY), GDI_ERROR);
    EXPECT_EQ(StretchDIBits(dev.dc(), 0, 0, 2, 2, 0, 0, 2, 2, dib.bits(), nullptr, DIB_RGB_COLORS, SRCCOPY), GDI_ERROR);
    dib.info()->bmiHeader.biCompression = BI_RLE8;
    EXPECT_EQ(StretchDIBits(dev.dc(), 0, 0, 2, 2, 0, 0, 2, 2, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY), GDI_ERROR);
    dib.info()->bmiHeader.biCompression = BI_RGB;
    dib.info()->bmiHeader.biBitCount = 16;
    EXPECT_EQ(StretchDIBits(dev.dc(), 0, 0, 2, 2, 0, 0, 2, 2, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY), GDI_ERROR);
    dib.info()->bmiHeader.biBitCount = 24;
    EXPECT_EQ(StretchDIBits(nullptr, 0, 0, 2, 2, 0, 0, 2, 2, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY), GDI_ERROR);
    EXPECT_EQ(StretchDIBits(dev.dc(), 0, 0, 0, 2, 0, 0, 2, 2, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY), 0);
    EXPECT_EQ(StretchDIBits(dev.dc(), 0, 0, 2, 2, 0, 0, 2, 0, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY), 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(rgb(dev.image(), x, y), 0xFFFFFFu);
}

TEST(DcStretch, SetDIBitsToDeviceDrawsTheScanLinesGiven) {
    TestDevice dev(sized(8, 8));
    Dib dib = coded(3, 4);
    // All rows, from source point (1, 1) (one row up from the bottom), 2 x 2 pixels.
    EXPECT_EQ(SetDIBitsToDevice(dev.dc(), 0, 0, 2, 2, 1, 1, 0, 4, dib.bits(), dib.info(), DIB_RGB_COLORS), 4);
    EXPECT_EQ(rgb(dev.image(), 0, 0), code(1, 1));
    EXPECT_EQ(rgb(dev.image(), 1, 1), code(2, 2));
    // The buffer holds only scan lines 1 and 2 (counted from the bottom).
    dev.image().fill(Qt::white);
    const BYTE* scans = dib.bits() + dib.lineBytes();
    EXPECT_EQ(SetDIBitsToDevice(dev.dc(), 4, 0, 3, 4, 0, 0, 1, 2, scans, dib.info(), DIB_RGB_COLORS), 2);
    EXPECT_EQ(rgb(dev.image(), 4, 0), 0xFFFFFFu);  // scan 3 is not in the buffer
    EXPECT_EQ(rgb(dev.image(), 4, 1), code(0, 1));
    EXPECT_EQ(rgb(dev.image(), 6, 2), code(2, 2));
    EXPECT_EQ(rgb(dev.image(), 4, 3), 0xFFFFFFu);  // nor scan 0
}

TEST(DcStretch, VectorDevicesGetThePictureThroughThePainter) {
    TestDevice dev(sized(12, 12, true));
    Dib dib = coded(3, 2);
    EXPECT_EQ(StretchDIBits(dev.dc(), 1, 1, 6, 4, 0, 0, 3, 2, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY), 2);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(rgb(dev.image(), 1 + x, 1 + y), code(x / 2, y / 2)) << x << "," << y;
    EXPECT_EQ(rgb(dev.image(), 7, 1), 0xFFFFFFu);
    EXPECT_EQ(rgb(dev.image(), 1, 5), 0xFFFFFFu);

    // Mirrored, a palette picture, and a section reaching past the picture.
    dev.image().fill(Qt::white);
    Dib indexed(2, 1, 4, {qRgb(255, 0, 0), qRgb(0, 0, 255)});
    indexed.set(0, 0, 0);
    indexed.set(1, 0, 1);
    StretchDIBits(dev.dc(), 5, 0, -4, 2, 0, 0, 2, 1, indexed.bits(), indexed.info(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(rgb(dev.image(), 5, 0), 0xFF0000u);
    EXPECT_EQ(rgb(dev.image(), 4, 1), 0xFF0000u);
    EXPECT_EQ(rgb(dev.image(), 3, 0), 0x0000FFu);
    EXPECT_EQ(rgb(dev.image(), 2, 1), 0x0000FFu);
    EXPECT_EQ(rgb(dev.image(), 6, 0), 0xFFFFFFu);
    dev.image().fill(Qt::white);
    StretchDIBits(dev.dc(), 0, 0, 8, 2, 0, 0, 4, 1, indexed.bits(), indexed.info(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(rgb(dev.image(), 3, 0), 0x0000FFu);
    EXPECT_EQ(rgb(dev.image(), 4, 0), 0xFFFFFFu);
}

TEST(DcStretch, LargeStretchesDrawnInBandsMatchTheMapping) {
    // Over a million destination pixels: drawn in bands of rows side by side.
    TestDevice dev(sized(1210, 1004));
    Dib dib(301, 249, 8, [] {
        std::vector<QRgb> t;
        for (int i = 0; i < 256; ++i) t.push_back(qRgb(i, (i * 3) & 255, (i * 7) & 255));
        return t;
    }());
    for (int y = 0; y < 249; ++y)
        for (int x = 0; x < 301; ++x) dib.set(x, y, static_cast<std::uint32_t>((x * 13 + y * 7) & 255));
    StretchDIBits(dev.dc(), 3, 2, 1203, 1001, 0, 0, 301, 249, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    for (int y = 0; y < 1001; ++y)
        for (int x = 0; x < 1203; ++x) {
            const int i = ((x * 301 / 1203) * 13 + (y * 249 / 1001) * 7) & 255;
            ASSERT_EQ(rgb(dev.image(), 3 + x, 2 + y), qRgb(i, (i * 3) & 255, (i * 7) & 255) & 0xFFFFFFu) << x << "," << y;
        }
    EXPECT_EQ(rgb(dev.image(), 2, 500), 0xFFFFFFu);
    EXPECT_EQ(rgb(dev.image(), 600, 1003), 0xFFFFFFu);
}
