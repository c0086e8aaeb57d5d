// The picture accessors, the screen depth and every path of DrawDib.
#include "platform/GdiObject.h"
#include "platform/RecordingPrinter.h"
#include "platform/TestDevice.h"
#include "platform/msgbox.h"
#include "poster/Pixwerk.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

using platform::TestDevice;
using platform::TestDeviceOptions;

namespace {

// 0xRRGGBB of a device pixel.
std::uint32_t at(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

// A distinct colour per picture pixel (y counted from the top).
std::uint32_t code(int x, int y) { return static_cast<std::uint32_t>((x * 9 + 3) << 16 | (y * 9 + 5) << 8 | 0x41); }

// A picture whose pixel (x, y) is code(x, y) (24 bits) or index (x + y) % colours.
UniqueDib picture(int w, int h, int bits) {
    UniqueDib dib;
    std::vector<unsigned char> block(sizeof(BITMAPINFOHEADER) + 256 * 4);
    auto* info = reinterpret_cast<BITMAPINFO*>(block.data());
    for (int i = 0; i < 256; ++i)
        info->bmiColors[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>((i * 37) & 255), 0};
    newdib(dib.out(), w, h, bits, bits <= 8 ? info : nullptr, bits <= 8 ? 1 << bits : 0);
    const TDib& d = dib.get();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) setpixel(d, x, y, bits == 24 ? static_cast<int>(code(x, y) >> 16 | (code(x, y) & 0xFF00) | (code(x, y) & 0xFF) << 16)
                                                               : (x + y) % (1 << bits));
    return dib;
}

// The colour of picture pixel (x, y) from the top.
std::uint32_t colourOf(const TDib& dib, int x, int y) {
    const int v = getpixel(dib, x, y);
    if (DibBitCount(dib) == 24) return static_cast<std::uint32_t>((v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16 & 0xFF));
    const RGBQUAD q = dib.Info->bmiColors[v];
    return static_cast<std::uint32_t>(q.rgbRed << 16 | q.rgbGreen << 8 | q.rgbBlue);
}

TestDeviceOptions device(int w, int h, int technology = DT_RASDISPLAY) {
    TestDeviceOptions o;
    o.width = w;
    o.height = h;
    o.technology = technology;
    return o;
}

// Whether the device shows the section stretched by nearest neighbour at (x, y, dw, dh).
void expectStretched(const QImage& image, const TDib& dib, int x, int y, int dw, int dh, int sx, int sy, int sw, int sh) {
    const int top = DibHeight(dib) - sy - sh;
    for (int r = 0; r < dh; ++r)
        for (int c = 0; c < dw; ++c)
            ASSERT_EQ(at(image, x + c, y + r), colourOf(dib, sx + sw * c / dw, top + sh * r / dh)) << c << "," << r;
}

int inkOutside(const QImage& image, const QRect& area) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!area.contains(x, y) && at(image, x, y) != 0xFFFFFF) ++n;
    return n;
}

struct ScreenDepth {
    explicit ScreenDepth(int bits) { platform::setScreenBitsPerPixel(bits); }
    ~ScreenDepth() { platform::setScreenBitsPerPixel(24); }
};

}  // namespace

TEST(DrawDib, AccessorsPowerOfTwoAndTheScreenDepth) {
    UniqueDib dib = picture(7, 3, 24);
    EXPECT_EQ(DibWidth(dib.get()), 7);
    EXPECT_EQ(DibHeight(dib.get()), 3);
    EXPECT_EQ(DibBitCount(dib.get()), 24);
    EXPECT_EQ(DibLineBytes(dib.get()), 24);
    EXPECT_EQ(DibColorCount(dib.get()), 16777216);
    EXPECT_EQ(DibColorCount(picture(2, 2, 1).get()), 2);
    EXPECT_EQ(DibColorCount(picture(2, 2, 4).get()), 16);
    EXPECT_EQ(PowerOfTwo(0), 1);
    EXPECT_EQ(PowerOfTwo(8), 256);
    TDib none;
    std::memset(&none, 0, sizeof none);
    EXPECT_EQ(DibWidth(none), 0);
    EXPECT_EQ(DibColorCount(none), 0);

    const std::size_t before = platform::gdi::liveCount();
    for (int bits : {8, 16, 24, 32}) {
        ScreenDepth depth(bits);
        EXPECT_EQ(ScreenBitsPerPixel(), bits);
    }
    EXPECT_EQ(platform::gdi::liveCount(), before);

    // A record without a picture draws nothing and calls nothing.
    TestDevice dev(device(8, 8));
    DrawDib(dev.dc(), 0, 0, 8, 8, none, 0, 0, 8, 8, true, SRCCOPY, true, nullptr);
    EXPECT_EQ(dev.calls().stretchDIBits + dev.calls().setDIBitsToDevice, 0);
}

TEST(DrawDib, ScreensGetEightAndTwentyFourBitPicturesRowByRow) {
    for (int bits : {24, 8}) {
        TestDevice dev(device(40, 30));
        UniqueDib dib = picture(9, 7, bits);
        const std::size_t before = platform::gdi::liveCount();
        const HGDIOBJ palette = GetCurrentObject(dev.dc(), OBJ_PAL);
        DrawDib(dev.dc(), 3, 2, 25, 19, dib.get(), 1, 2, 7, 4, true, SRCCOPY, true, nullptr);
        EXPECT_EQ(dev.calls().setDIBitsToDevice, 19);
        EXPECT_EQ(dev.calls().stretchDIBits, 0);
        EXPECT_EQ(GetStretchBltMode(dev.dc()), COLORONCOLOR);
        expectStretched(dev.image(), dib.get(), 3, 2, 25, 19, 1, 2, 7, 4);
        EXPECT_EQ(inkOutside(dev.image(), QRect(3, 2, 25, 19)), 0);
        EXPECT_EQ(GetCurrentObject(dev.dc(), OBJ_PAL), palette);  // the palette selected before is back
        EXPECT_EQ(platform::gdi::liveCount(), before);
    }
    // Halftone off on an 8-bit screen: row by row as well.
    ScreenDepth depth(8);
    TestDevice dev(device(20, 20));
    UniqueDib dib = picture(5, 5, 24);
    DrawDib(dev.dc(), 0, 0, 10, 10, dib.get(), 0, 0, 5, 5, false, SRCCOPY, true, nullptr);
    EXPECT_EQ(dev.calls().setDIBitsToDevice, 10);
    expectStretched(dev.image(), dib.get(), 0, 0, 10, 10, 0, 0, 5, 5);
}

TEST(DrawDib, EightBitScreensShowTrueColourHalftoned) {
    ScreenDepth depth(8);
    UniqueDib dib = picture(12, 10, 24);
    for (bool shrinking : {false, true}) {
        TestDevice dev(device(40, 40));
        const int dw = shrinking ? 8 : 30, dh = shrinking ? 5 : 20;
        const std::size_t before = platform::gdi::liveCount();
        DrawDib(dev.dc(), 2, 3, dw, dh, dib.get(), 2, 2, 10, 8, true, SRCCOPY, true, nullptr);
        EXPECT_EQ(dev.calls().stretchDIBits, 1);
        EXPECT_EQ(dev.calls().setDIBitsToDevice, 0);
        EXPECT_EQ(platform::gdi::liveCount(), before);  // the copy and its palette are gone
        EXPECT_EQ(GetCurrentObject(dev.dc(), OBJ_PAL), GetStockObject(DEFAULT_PALETTE));

        // The same as drawing the library's halftoned copy: scaled when shrinking, taken
        // from the section's place in the copy.
        UniqueDib copy;
        int sx = 2, sy = 2, sw = 10, sh = 8;
        if (shrinking) {
            DIBHalftoneDIBXY(copy.out(), dib.get(), static_cast<int>(std::nearbyint(12.0 * dw / 10)),
                             static_cast<int>(std::nearbyint(10.0 * dh / 8)));
            sx = static_cast<int>(std::nearbyint(2.0 * DibWidth(copy.get()) / 12));
            sy = static_cast<int>(std::nearbyint(2.0 * DibHeight(copy.get()) / 10));
            sw = dw;
            sh = dh;
        } else {
            DIBHalftoneDIB(copy.out(), dib.get());
        }
        ASSERT_TRUE(copy);
        TestDevice expected(device(40, 40));
        StretchDIBits(expected.dc(), 2, 3, dw, dh, sx, sy, sw, sh, copy.get().Bits, copy.get().Info, DIB_RGB_COLORS,
                      SRCCOPY);
        EXPECT_EQ(dev.image(), expected.image());
        // Only colours of the copy's 8-bit table appear.
        std::set<std::uint32_t> table;
        for (int i = 0; i < 256; ++i) {
            const RGBQUAD q = copy.get().Info->bmiColors[i];
            table.insert(static_cast<std::uint32_t>(q.rgbRed << 16 | q.rgbGreen << 8 | q.rgbBlue));
        }
        for (int y = 3; y < 3 + dh; ++y)
            for (int x = 2; x < 2 + dw; ++x) ASSERT_TRUE(table.count(at(dev.image(), x, y))) << x << "," << y;
    }
}

TEST(DrawDib, PrintersAndSmallDepthsGetOneStretchDIBits) {
    UniqueDib dib = picture(9, 7, 24);
    TestDevice printer(device(40, 30, DT_RASPRINTER));
    DrawDib(printer.dc(), 3, 2, 25, 19, dib.get(), 1, 2, 7, 4, true, SRCCOPY, true, nullptr);
    EXPECT_EQ(printer.calls().stretchDIBits, 1);
    EXPECT_EQ(printer.calls().setDIBitsToDevice, 0);
    expectStretched(printer.image(), dib.get(), 3, 2, 25, 19, 1, 2, 7, 4);

    for (int bits : {1, 4}) {
        TestDevice screen(device(30, 30));
        UniqueDib small = picture(6, 5, bits);
        DrawDib(screen.dc(), 1, 1, 18, 15, small.get(), 0, 0, 6, 5, true, SRCCOPY, true, nullptr);
        EXPECT_EQ(screen.calls().stretchDIBits, 1);
        expectStretched(screen.image(), small.get(), 1, 1, 18, 15, 0, 0, 6, 5);
    }

    // A whole page of the recording printer.
    platform::RecordingPrinter paper(60, 40, 100, {5, 5, 5, 5});
    HDC dc = paper.createDC();
    DOCINFOW di{sizeof di, u"page", nullptr, nullptr, 0};
    StartDocW(dc, &di);
    StartPage(dc);
    DrawDib(dc, 0, 0, paper.printableWidth(), paper.printableHeight(), dib.get(), 0, 0, 9, 7, false, SRCCOPY, true, nullptr);
    EndPage(dc);
    EndDoc(dc);
    DeleteDC(dc);
    ASSERT_EQ(paper.pages().size(), 1u);
    expectStretched(paper.pages()[0], dib.get(), 0, 0, paper.printableWidth(), paper.printableHeight(), 0, 0, 9, 7);
}

TEST(DrawDib, RefusedStretchDIBitsFallsBackToASampledPicture) {
    for (int bits : {1, 4, 8, 24}) {
        TestDeviceOptions o = device(20, 20, DT_RASPRINTER);
        o.refuseStretchDIBits = true;
        TestDevice dev(o);
        UniqueDib dib = picture(8, 6, bits);
        DrawDib(dev.dc(), 2, 1, 7, 5, dib.get(), 1, 1, 4, 3, true, SRCCOPY, true, nullptr);
        EXPECT_EQ(dev.calls().stretchDIBits, 1);
        EXPECT_EQ(dev.calls().setDIBitsToDevice, 1);
        // Destination (c, r) takes (SrcX + (SrcWidth - 1) c / (DestWidth - 1), ...), rows from
        // the bottom in both: the destination's bottom row is the section's bottom row.
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 7; ++c) {
                const int sx = 1 + 3 * c / 6, syBottom = 1 + 2 * r / 4;
                ASSERT_EQ(at(dev.image(), 2 + c, 1 + 4 - r), colourOf(dib.get(), sx, 5 - syBottom)) << bits << ": " << c << "," << r;
            }
        EXPECT_EQ(inkOutside(dev.image(), QRect(2, 1, 7, 5)), 0);
    }
    // A destination of one column or row samples the first source column or row.
    TestDeviceOptions o = device(10, 10, DT_RASPRINTER);
    o.refuseStretchDIBits = true;
    TestDevice dev(o);
    UniqueDib dib = picture(8, 6, 24);
    DrawDib(dev.dc(), 0, 0, 1, 1, dib.get(), 3, 2, 4, 3, true, SRCCOPY, true, nullptr);
    EXPECT_EQ(at(dev.image(), 0, 0), colourOf(dib.get(), 3, 5 - 2));
    EXPECT_EQ(inkOutside(dev.image(), QRect(0, 0, 1, 1)), 0);
}

TEST(DrawDib, WithoutDibTransfersTheBitmapFallbackDrawsOrTellsWhy) {
    UniqueDib dib = picture(8, 6, 24);
    TestDeviceOptions base = device(24, 20, DT_RASPRINTER);
    base.refuseStretchDIBits = true;
    {
        // No RC_DIBTODEV: through a compatible bitmap and StretchBlt, the same section.
        TestDeviceOptions o = base;
        o.dibToDevice = false;
        TestDevice dev(o);
        platform::ScriptedMessageBoxes boxes;
        const std::size_t before = platform::gdi::liveCount();
        DrawDib(dev.dc(), 2, 3, 12, 9, dib.get(), 1, 0, 4, 3, true, SRCCOPY, true, nullptr);
        EXPECT_TRUE(boxes.shown().empty());
        EXPECT_EQ(dev.calls().stretchBlt, 1);
        EXPECT_EQ(dev.calls().setDIBitsToDevice, 0);
        expectStretched(dev.image(), dib.get(), 2, 3, 12, 9, 1, 0, 4, 3);
        EXPECT_EQ(platform::gdi::liveCount(), before);
    }
    {
        // SetDIBitsToDevice refused: the bitmap fallback follows the sampled one.
        TestDeviceOptions o = base;
        o.refuseSetDIBitsToDevice = true;
        TestDevice dev(o);
        platform::ScriptedMessageBoxes boxes;
        DrawDib(dev.dc(), 0, 0, 8, 6, dib.get(), 0, 0, 8, 6, true, SRCCOPY, true, nullptr);
        EXPECT_EQ(dev.calls().setDIBitsToDevice, 1);
        EXPECT_EQ(dev.calls().stretchBlt, 1);
        expectStretched(dev.image(), dib.get(), 0, 0, 8, 6, 0, 0, 8, 6);
    }
    struct Case {
        bool TestDeviceOptions::*refusal;
        const char* text;
    };
    const Case cases[] = {{&TestDeviceOptions::refuseCompatibleBitmap, "Could not create bitmap."},
                          {&TestDeviceOptions::refuseSetDIBits, "The device does not support the Funtkion setdibits!"},
                          {&TestDeviceOptions::refuseStretchBlt, "The device does not support the function StretchBlt!"}};
    for (const Case& c : cases) {
        TestDeviceOptions o = base;
        o.dibToDevice = false;
        o.*c.refusal = true;
        TestDevice dev(o);
        platform::ScriptedMessageBoxes boxes;
        const std::size_t before = platform::gdi::liveCount();
        DrawDib(dev.dc(), 0, 0, 8, 6, dib.get(), 0, 0, 8, 6, true, SRCCOPY, true, nullptr);
        ASSERT_EQ(boxes.texts().size(), 1u) << c.text;
        EXPECT_EQ(boxes.texts()[0], c.text);
        EXPECT_EQ(boxes.captions()[0], "");
        EXPECT_EQ(boxes.shown()[0].icon(), 0u);
        EXPECT_EQ(boxes.shown()[0].buttons(), MB_OK);
        EXPECT_EQ(inkOutside(dev.image(), QRect()), 0);  // the destination is as it was
        EXPECT_EQ(platform::gdi::liveCount(), before);
    }
}

TEST(DrawDib, SectionsAreClippedToThePictureAndTheDestinationShrinksWithThem) {
    UniqueDib dib = picture(10, 10, 24);
    auto draw = [&](int sx, int sy, int sw, int sh, int x = 0, int y = 0, int dw = 40, int dh = 40) {
        auto dev = std::make_unique<TestDevice>(device(48, 48, DT_RASPRINTER));
        DrawDib(dev->dc(), x, y, dw, dh, dib.get(), sx, sy, sw, sh, false, SRCCOPY, true, nullptr);
        return dev;
    };
    // Past the right edge: a narrower destination, the rest untouched.
    auto right = draw(5, 0, 10, 10);
    expectStretched(right->image(), dib.get(), 0, 0, 20, 40, 5, 0, 5, 10);
    EXPECT_EQ(inkOutside(right->image(), QRect(0, 0, 20, 40)), 0);
    // Past the top: a lower destination moved down.
    auto top = draw(0, 5, 10, 10);
    expectStretched(top->image(), dib.get(), 0, 20, 40, 20, 0, 5, 10, 5);
    EXPECT_EQ(inkOutside(top->image(), QRect(0, 20, 40, 20)), 0);
    // Starting left of the picture: the drawn part moves right.
    auto left = draw(-5, 0, 10, 10);
    expectStretched(left->image(), dib.get(), 20, 0, 20, 40, 0, 0, 5, 10);
    EXPECT_EQ(inkOutside(left->image(), QRect(20, 0, 20, 40)), 0);
    // Starting below the picture: the part below it stays empty at the destination's bottom.
    auto below = draw(0, -5, 10, 10);
    expectStretched(below->image(), dib.get(), 0, 0, 40, 20, 0, 0, 10, 5);
    EXPECT_EQ(inkOutside(below->image(), QRect(0, 0, 40, 20)), 0);
    // New sizes are rounded half to even: 5 x 1 / 2 = 2.5 gives 2.
    auto half = draw(9, 0, 2, 10, 0, 0, 5, 10);
    EXPECT_EQ(inkOutside(half->image(), QRect(0, 0, 2, 10)), 0);
    EXPECT_EQ(at(half->image(), 1, 0), colourOf(dib.get(), 9, 0));

    // Sections that clip to nothing and empty destinations draw nothing at all.
    std::vector<std::unique_ptr<TestDevice>> empty;
    empty.push_back(draw(10, 0, 4, 4));
    empty.push_back(draw(0, 10, 4, 4));
    empty.push_back(draw(-4, 0, 4, 4));
    empty.push_back(draw(0, -4, 4, 4));
    empty.push_back(draw(9, 0, 3, 4, 0, 0, 1, 4));  // 1 x 1 / 3 rounds to 0
    empty.push_back(draw(0, 0, 4, 4, 0, 0, 0, 4));
    empty.push_back(draw(0, 0, 4, 4, 0, 0, 4, -1));
    empty.push_back(draw(0, 0, 0, 4));
    for (const auto& dev : empty) {
        EXPECT_EQ(dev->calls().stretchDIBits, 0);
        EXPECT_EQ(inkOutside(dev->image(), QRect()), 0);
    }
}

TEST(DrawDib, ARowBufferThatCannotBeMadeFallsThroughToOneStretchDIBits) {
    TestDevice dev(device(10, 10));
    UniqueDib dib = picture(4, 4, 24);
    // A row of 2^30 pixels is more than a picture may hold.
    DrawDib(dev.dc(), 0, 0, 1 << 30, 8, dib.get(), 0, 0, 4, 4, true, SRCCOPY, true, nullptr);
    EXPECT_EQ(dev.calls().setDIBitsToDevice, 0);
    EXPECT_EQ(dev.calls().stretchDIBits, 1);
    EXPECT_EQ(at(dev.image(), 9, 0), colourOf(dib.get(), 0, 0));
    EXPECT_EQ(at(dev.image(), 9, 7), colourOf(dib.get(), 0, 3));
}

TEST(DrawDib, RowsOutsideThePictureComeOutBlackOrInPaletteColourZero) {
    for (int bits : {24, 8}) {
        TestDevice dev(device(20, 20));
        UniqueDib dib = picture(4, 4, bits);
        // Rows from 2 above the picture's top: the first destination rows have no source row.
        ASSERT_TRUE(drawdib::DrawRows(dev.dc(), 0, 0, 4, 6, dib.get(), 0, 0, 4, 6));
        EXPECT_EQ(dev.calls().setDIBitsToDevice, 6);
        const RGBQUAD zero = dib.get().Info->bmiColors[0];
        const std::uint32_t blank = bits == 24 ? 0u : static_cast<std::uint32_t>(zero.rgbRed << 16 | zero.rgbGreen << 8 | zero.rgbBlue);
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 4; ++c) EXPECT_EQ(at(dev.image(), c, r), blank) << bits << ": " << c << "," << r;
        for (int r = 2; r < 6; ++r)
            for (int c = 0; c < 4; ++c) EXPECT_EQ(at(dev.image(), c, r), colourOf(dib.get(), c, r - 2));
    }
}

TEST(DrawDib, PalettePicturesSelectTheChosenPaletteWhileDrawing) {
    TestDevice dev(device(10, 10));
    UniqueDib dib = picture(4, 4, 8);
    alignas(LOGPALETTE) unsigned char block[sizeof(LOGPALETTE)];
    auto* lp = reinterpret_cast<LOGPALETTE*>(block);
    lp->palVersion = 0x300;
    lp->palNumEntries = 1;
    lp->palPalEntry[0] = {1, 2, 3, 0};
    HPALETTE other = CreatePalette(lp);
    HPALETTE mine = CreatePalette(lp);
    SelectPalette(dev.dc(), mine, FALSE);
    // The picture's own palette or the given one; afterwards the DC's own is back.
    DrawDib(dev.dc(), 0, 0, 4, 4, dib.get(), 0, 0, 4, 4, true, SRCCOPY, false, other);
    EXPECT_EQ(GetCurrentObject(dev.dc(), OBJ_PAL), mine);
    DrawDib(dev.dc(), 0, 0, 4, 4, dib.get(), 0, 0, 4, 4, true, SRCCOPY, true, nullptr);
    EXPECT_EQ(GetCurrentObject(dev.dc(), OBJ_PAL), mine);
    expectStretched(dev.image(), dib.get(), 0, 0, 4, 4, 0, 0, 4, 4);
    SelectPalette(dev.dc(), static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
    EXPECT_TRUE(DeleteObject(other));
    EXPECT_TRUE(DeleteObject(mine));
}
