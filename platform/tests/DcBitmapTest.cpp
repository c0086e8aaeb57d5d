// Screen and memory DCs, bitmaps, DIB transfers both ways, blits, DC state and handles.
#include "platform/GdiObject.h"
#include "platform/TestDevice.h"
#include "platform/gdi.h"
#include "platform/tests/GdiTestSupport.h"

#include <gtest/gtest.h>

using gditest::code;
using gditest::Dib;

namespace {

// A memory DC with a w x h bitmap compatible with the screen, filled white.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    Canvas(int w, int h) {
        HDC screen = GetDC(nullptr);
        bitmap = CreateCompatibleBitmap(screen, w, h);
        ReleaseDC(nullptr, screen);
        dc = CreateCompatibleDC(nullptr);
        old = SelectObject(dc, bitmap);
        PatBlt(dc, 0, 0, w, h, WHITENESS);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    std::uint32_t at(int x, int y) const { return GetPixel(dc, x, y); }
};

HPALETTE makePalette(const std::vector<QRgb>& colours) {
    std::vector<unsigned char> block(sizeof(LOGPALETTE) + colours.size() * sizeof(PALETTEENTRY));
    auto* lp = reinterpret_cast<LOGPALETTE*>(block.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(colours.size());
    for (std::size_t i = 0; i < colours.size(); ++i)
        lp->palPalEntry[i] = {static_cast<BYTE>(qRed(colours[i])), static_cast<BYTE>(qGreen(colours[i])),
                              static_cast<BYTE>(qBlue(colours[i])), 0};
    return CreatePalette(lp);
}

}  // namespace

TEST(DcBitmap, TheEmulatedScreenSetsDepthCapabilitiesAndCompatibleBitmaps) {
    const std::size_t before = platform::gdi::liveCount();
    for (int depth : {8, 16, 24, 32}) {
        platform::setScreenBitsPerPixel(depth);
        for (HWND wnd : {static_cast<HWND>(nullptr), GetDesktopWindow()}) {
            HDC dc = GetDC(wnd);
            ASSERT_NE(dc, nullptr);
            EXPECT_EQ(WindowFromDC(dc), GetDesktopWindow());
            EXPECT_EQ(GetDeviceCaps(dc, TECHNOLOGY), DT_RASDISPLAY);
            EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), depth);
            EXPECT_EQ(GetDeviceCaps(dc, PLANES), 1);
            const int caps = GetDeviceCaps(dc, RASTERCAPS);
            EXPECT_TRUE(caps & RC_DIBTODEV);
            EXPECT_TRUE(caps & RC_STRETCHDIB);
            EXPECT_TRUE(caps & RC_STRETCHBLT);
            EXPECT_EQ((caps & RC_PALETTE) != 0, depth == 8);
            EXPECT_EQ(GetDeviceCaps(dc, SIZEPALETTE), depth == 8 ? 256 : 0);
            EXPECT_EQ(GetDeviceCaps(dc, NUMCOLORS), depth == 8 ? 256 : -1);
            HBITMAP b = CreateCompatibleBitmap(dc, 3, 2);
            BITMAP bm{};
            EXPECT_EQ(GetObject(b, sizeof bm, &bm), static_cast<int>(sizeof bm));
            EXPECT_EQ(bm.bmWidth, 3);
            EXPECT_EQ(bm.bmHeight, 2);
            EXPECT_EQ(bm.bmBitsPixel, depth);
            EXPECT_EQ(bm.bmPlanes, 1);
            EXPECT_TRUE(DeleteObject(b));
            EXPECT_EQ(ReleaseDC(wnd, dc), 1);
        }
    }
    platform::setScreenBitsPerPixel(24);

    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), 96);
    platform::setScreenDpi(120);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 120);
    const SIZE size = platform::screenSize();
    EXPECT_EQ(GetDeviceCaps(screen, HORZRES), size.cx);
    EXPECT_EQ(GetDeviceCaps(screen, HORZSIZE), static_cast<int>(std::nearbyint(size.cx * 25.4 / 120)));
    platform::setScreenDpi(96);
    ReleaseDC(nullptr, screen);

    // A new memory DC holds a 1 x 1 monochrome bitmap, so bitmaps compatible with it are too.
    HDC memory = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetObjectType(memory), OBJ_MEMDC);
    EXPECT_EQ(GetDeviceCaps(memory, BITSPIXEL), 1);
    HBITMAP mono = CreateCompatibleBitmap(memory, 4, 4);
    BITMAP bm{};
    GetObject(mono, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    EXPECT_EQ(bm.bmWidthBytes, 2);
    EXPECT_EQ(ReleaseDC(nullptr, memory), 0);  // not a DC of GetDC
    DeleteObject(mono);
    DeleteDC(memory);
    EXPECT_EQ(platform::gdi::liveCount(), before);
}

TEST(DcBitmap, DibsGoIntoBitmapsAndComeBackAtEveryDepth) {
    std::vector<QRgb> colours;
    for (int i = 0; i < 256; ++i) colours.push_back(qRgb(i, 255 - i, (i * 7) & 255));
    for (int bits : {1, 4, 8, 24}) {
        Dib in(7, 5, bits, colours);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) in.set(x, y, bits == 24 ? code(x, y) : static_cast<std::uint32_t>((x + 3 * y) % (1 << bits)));
        Canvas canvas(7, 5);
        EXPECT_EQ(SetDIBits(canvas.dc, canvas.bitmap, 0, 5, in.bits(), in.info(), DIB_RGB_COLORS), 5);
        // SetDIBits on a bitmap selected into a DC shows in that DC.
        const QRgb first = bits == 24 ? code(0, 0) : colours[0];
        EXPECT_EQ(canvas.at(0, 0), RGB(qRed(first), qGreen(first), qBlue(first)));

        // Read back through a DC with the picture's palette, at the same depth.
        HPALETTE pal = bits <= 8 ? makePalette(std::vector<QRgb>(colours.begin(), colours.begin() + (1 << bits))) : nullptr;
        HDC reader = CreateCompatibleDC(nullptr);
        HPALETTE oldPal = pal ? SelectPalette(reader, pal, FALSE) : nullptr;
        Dib out(7, 5, bits);
        SelectObject(canvas.dc, canvas.old);  // bitmaps are read while not selected
        EXPECT_EQ(GetDIBits(reader, canvas.bitmap, 0, 5, out.bits(), out.info(), DIB_RGB_COLORS), 5);
        canvas.old = SelectObject(canvas.dc, canvas.bitmap);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) ASSERT_EQ(out.get(x, y), in.get(x, y)) << bits << " bits at " << x << "," << y;
        if (pal) {
            SelectPalette(reader, oldPal, FALSE);
            EXPECT_TRUE(DeleteObject(pal));
        }
        DeleteDC(reader);
    }
}

TEST(DcBitmap, GetDIBitsConvertsToOneBitAndDescribesTheBitmap) {
    Canvas canvas(10, 2);
    HBRUSH black = CreateSolidBrush(RGB(0, 0, 0)), light = CreateSolidBrush(RGB(200, 200, 190)),
           dark = CreateSolidBrush(RGB(90, 60, 30));
    RECT r1{0, 0, 3, 2}, r2{3, 0, 6, 2}, r3{6, 0, 8, 2};
    FillRect(canvas.dc, &r1, black);
    FillRect(canvas.dc, &r2, light);
    FillRect(canvas.dc, &r3, dark);  // columns 8 and 9 stay white
    Dib mono(10, 2, 1, {qRgb(1, 2, 3), qRgb(4, 5, 6)});
    EXPECT_EQ(GetDIBits(canvas.dc, canvas.bitmap, 0, 2, mono.bits(), mono.info(), DIB_RGB_COLORS), 2);
    const std::uint32_t want[10] = {0, 0, 0, 1, 1, 1, 0, 0, 1, 1};
    for (int x = 0; x < 10; ++x) EXPECT_EQ(mono.get(x, 1), want[x]) << x;
    const RGBQUAD* table = mono.info()->bmiColors;
    EXPECT_EQ(table[0].rgbRed, 0);  // the table is written: black and white
    EXPECT_EQ(table[1].rgbGreen, 255);

    Dib colour(10, 2, 24);
    EXPECT_EQ(GetDIBits(canvas.dc, canvas.bitmap, 0, 2, colour.bits(), colour.info(), DIB_RGB_COLORS), 2);
    EXPECT_EQ(colour.get(4, 0), 0xC8C8BEu);
    EXPECT_EQ(colour.get(7, 1), 0x5A3C1Eu);

    BITMAPINFO query{};
    query.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    EXPECT_EQ(GetDIBits(canvas.dc, canvas.bitmap, 0, 0, nullptr, &query, DIB_RGB_COLORS), 2);
    EXPECT_EQ(query.bmiHeader.biWidth, 10);
    EXPECT_EQ(query.bmiHeader.biBitCount, 24);
    EXPECT_EQ(query.bmiHeader.biSizeImage, 64u);
    for (HBRUSH b : {black, light, dark}) DeleteObject(b);
}

TEST(DcBitmap, BitmapsSitInOneMemoryDcAndSelectedObjectsStay) {
    const std::size_t before = platform::gdi::liveCount();
    HDC a = CreateCompatibleDC(nullptr), b = CreateCompatibleDC(nullptr);
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 4, 4);
    EXPECT_EQ(SelectObject(screen, bmp), nullptr);  // only memory DCs take bitmaps
    HGDIOBJ stock = SelectObject(a, bmp);
    EXPECT_NE(stock, nullptr);
    EXPECT_EQ(GetCurrentObject(a, OBJ_BITMAP), bmp);
    EXPECT_EQ(SelectObject(b, bmp), nullptr);
    EXPECT_FALSE(DeleteObject(bmp));
    EXPECT_EQ(SelectObject(a, stock), bmp);
    EXPECT_NE(SelectObject(b, bmp), nullptr);
    EXPECT_FALSE(DeleteObject(a));  // DCs go with DeleteDC
    EXPECT_TRUE(DeleteDC(b));       // deleting the DC lets go of the bitmap
    EXPECT_TRUE(DeleteObject(bmp));
    EXPECT_TRUE(DeleteDC(a));
    ReleaseDC(nullptr, screen);

    // Stale handles fail safely.
    EXPECT_FALSE(DeleteDC(a));
    EXPECT_FALSE(DeleteObject(bmp));
    EXPECT_EQ(GetDeviceCaps(a, BITSPIXEL), 0);
    EXPECT_EQ(SelectObject(a, GetStockObject(BLACK_PEN)), nullptr);
    EXPECT_EQ(GetObject(bmp, 0, nullptr), 0);
    EXPECT_FALSE(Rectangle(a, 0, 0, 2, 2));
    Dib dib(1, 1, 24);
    EXPECT_EQ(StretchDIBits(a, 0, 0, 1, 1, 0, 0, 1, 1, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY), GDI_ERROR);
    EXPECT_EQ(SetDIBits(nullptr, bmp, 0, 1, dib.bits(), dib.info(), DIB_RGB_COLORS), 0);
    EXPECT_EQ(platform::gdi::liveCount(), before);
}

TEST(DcBitmap, BlitsStretchCombineAndConvertMonochrome) {
    Canvas src(4, 2), dst(10, 6);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) SetPixel(src.dc, x, y, code(x, y) & 0xFFFFFF);
    // StretchBlt maps like StretchDIBits, but rows run from the top.
    EXPECT_TRUE(StretchBlt(dst.dc, 1, 1, 8, 4, src.dc, 0, 0, 4, 2, SRCCOPY));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(dst.at(1 + x, 1 + y), code(x / 2, y / 2)) << x << "," << y;
    EXPECT_EQ(dst.at(9, 1), 0xFFFFFFu);
    EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 2, 1, src.dc, 2, 1, SRCCOPY));
    EXPECT_EQ(dst.at(0, 0), code(2, 1));
    EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 2, 1, SRCINVERT));
    EXPECT_EQ(dst.at(0, 0), 0u);

    // Overlapping copy inside one bitmap (scrolling) reads the pixels from before.
    EXPECT_TRUE(BitBlt(dst.dc, 2, 1, 8, 4, dst.dc, 1, 1, SRCCOPY));
    EXPECT_EQ(dst.at(2, 1), code(0, 0));
    EXPECT_EQ(dst.at(3, 1), code(0, 0));
    EXPECT_EQ(dst.at(4, 1), code(1, 0));

    // Colour to monochrome: the source's background colour becomes white, all else black.
    HDC monoDc = CreateCompatibleDC(nullptr);
    HBITMAP mono = CreateBitmap(4, 2, 1, 1, nullptr);
    HGDIOBJ old = SelectObject(monoDc, mono);
    SetBkColor(src.dc, code(1, 0));
    EXPECT_TRUE(BitBlt(monoDc, 0, 0, 4, 2, src.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(monoDc, 1, 0), 0xFFFFFFu);
    EXPECT_EQ(GetPixel(monoDc, 0, 0), 0u);
    EXPECT_EQ(GetPixel(monoDc, 1, 1), 0u);
    // Monochrome to colour: black takes the text colour, white the background colour.
    SetTextColor(dst.dc, RGB(255, 0, 0));
    SetBkColor(dst.dc, RGB(0, 0, 255));
    EXPECT_TRUE(BitBlt(dst.dc, 0, 5, 4, 1, monoDc, 0, 0, SRCCOPY));
    EXPECT_EQ(dst.at(0, 5), RGB(255, 0, 0));
    EXPECT_EQ(dst.at(1, 5), RGB(0, 0, 255));
    // Drawing on a monochrome bitmap keeps black and white only.
    HBRUSH grey = CreateSolidBrush(RGB(150, 140, 130));
    RECT all{0, 0, 4, 2};
    FillRect(monoDc, &all, grey);
    EXPECT_EQ(GetPixel(monoDc, 2, 1), 0xFFFFFFu);
    DeleteObject(grey);
    SelectObject(monoDc, old);
    DeleteObject(mono);
    DeleteDC(monoDc);
}

TEST(DcBitmap, DibSectionsShareTheirPixelMemory) {
    const std::size_t before = platform::gdi::liveCount();
    Dib header(3, 2, 24);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, header.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    ASSERT_NE(bits, nullptr);
    auto* p = static_cast<BYTE*>(bits);
    p[0] = 0x11;  // bottom row, first pixel: blue, green, red
    p[1] = 0x22;
    p[2] = 0x33;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, section);
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 24);
    EXPECT_EQ(GetPixel(dc, 0, 1), RGB(0x33, 0x22, 0x11));
    SetPixel(dc, 2, 0, RGB(0xAA, 0xBB, 0xCC));
    const int lineBytes = header.lineBytes();
    EXPECT_EQ(p[lineBytes + 6], 0xCC);  // top row, third pixel
    EXPECT_EQ(p[lineBytes + 8], 0xAA);
    DIBSECTION ds{};
    EXPECT_EQ(GetObject(section, sizeof ds, &ds), static_cast<int>(sizeof ds));
    EXPECT_EQ(ds.dsBm.bmBits, bits);
    EXPECT_EQ(ds.dsBmih.biBitCount, 24);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(section);

    // An 8-bit section reads back its own indexes.
    Dib indexed(2, 1, 8, {qRgb(0, 0, 0), qRgb(9, 9, 9), qRgb(9, 9, 9)});
    HBITMAP s8 = CreateDIBSection(nullptr, indexed.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
    static_cast<BYTE*>(bits)[1] = 2;
    Dib out(2, 1, 8);
    HDC reader = CreateCompatibleDC(nullptr);
    GetDIBits(reader, s8, 0, 1, out.bits(), out.info(), DIB_RGB_COLORS);
    EXPECT_EQ(out.get(1, 0), 2u);
    DeleteDC(reader);
    DeleteObject(s8);
    EXPECT_EQ(platform::gdi::liveCount(), before);
}

TEST(DcBitmap, SaveDcAndRestoreDcReturnToEarlierStates) {
    Canvas canvas(4, 4);
    HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0)), blue = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
    HGDIOBJ original = GetCurrentObject(canvas.dc, OBJ_PEN);
    EXPECT_EQ(SaveDC(canvas.dc), 1);
    SelectObject(canvas.dc, red);
    SetTextColor(canvas.dc, RGB(1, 2, 3));
    SetViewportOrgEx(canvas.dc, 5, 5, nullptr);
    IntersectClipRect(canvas.dc, 0, 0, 1, 1);
    EXPECT_EQ(SaveDC(canvas.dc), 2);
    SelectObject(canvas.dc, blue);
    SelectObject(canvas.dc, GetStockObject(BLACK_PEN));
    EXPECT_FALSE(DeleteObject(red));  // still held by a saved state
    EXPECT_TRUE(RestoreDC(canvas.dc, -1));
    EXPECT_EQ(GetCurrentObject(canvas.dc, OBJ_PEN), red);
    EXPECT_TRUE(DeleteObject(blue));
    EXPECT_TRUE(RestoreDC(canvas.dc, 1));
    EXPECT_EQ(GetCurrentObject(canvas.dc, OBJ_PEN), original);
    EXPECT_EQ(GetTextColor(canvas.dc), RGB(0, 0, 0));
    POINT origin{};
    GetViewportOrgEx(canvas.dc, &origin);
    EXPECT_EQ(origin.x, 0);
    RECT box{};
    GetClipBox(canvas.dc, &box);
    EXPECT_EQ(box.right, 4);
    EXPECT_FALSE(RestoreDC(canvas.dc, 1));  // nothing saved any more
    EXPECT_TRUE(DeleteObject(red));
}

TEST(DcBitmap, PatBltFillsWithTheBrushAndInverts) {
    Canvas canvas(6, 6);
    HBRUSH brush = CreateSolidBrush(RGB(10, 200, 30));
    HGDIOBJ old = SelectObject(canvas.dc, brush);
    EXPECT_TRUE(PatBlt(canvas.dc, 1, 1, 3, 2, PATCOPY));
    EXPECT_EQ(canvas.at(1, 1), RGB(10, 200, 30));
    EXPECT_EQ(canvas.at(3, 2), RGB(10, 200, 30));
    EXPECT_EQ(canvas.at(4, 2), 0xFFFFFFu);
    EXPECT_TRUE(PatBlt(canvas.dc, 0, 0, 6, 6, PATINVERT));
    EXPECT_EQ(canvas.at(1, 1), 0u);
    EXPECT_EQ(canvas.at(5, 5), RGB(245, 55, 225));
    EXPECT_TRUE(PatBlt(canvas.dc, 0, 0, 6, 6, PATINVERT));
    EXPECT_EQ(canvas.at(5, 5), 0xFFFFFFu);
    EXPECT_TRUE(PatBlt(canvas.dc, 0, 0, 2, 2, DSTINVERT));
    EXPECT_EQ(canvas.at(1, 1), RGB(245, 55, 225));
    SelectObject(canvas.dc, old);
    DeleteObject(brush);
}
