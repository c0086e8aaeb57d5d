// Pens, brushes, shapes, raster operations of pens, pixels, text, palettes and window DCs.
#include "platform/GdiObject.h"
#include "platform/TestDevice.h"
#include "platform/gdi.h"
#include "surface.h"
#include "platform/tests/GdiTestSupport.h"
#include "platform/winuser.h"

#include <QRect>

#include <gtest/gtest.h>

using gditest::rgb;
using platform::TestDevice;
using platform::TestDeviceOptions;

namespace {

TestDeviceOptions sized(int w, int h) {
    TestDeviceOptions o;
    o.width = w;
    o.height = h;
    return o;
}

// The pixels of a row as '#' (black), '.' (white) and 'o' (anything else).
std::string row(const QImage& image, int y, int from, int to) {
    std::string s;
    for (int x = from; x < to; ++x) {
        const std::uint32_t c = rgb(image, x, y);
        s += c == 0 ? '#' : (c == 0xFFFFFF ? '.' : 'o');
    }
    return s;
}

// The bounding box of pixels that are not white.
QRect ink(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (rgb(image, x, y) != 0xFFFFFF) box |= QRect(x, y, 1, 1);
    return box;
}

}  // namespace

TEST(DcDraw, LinesAndShapesCoverTheirPixelsExactly) {
    TestDevice dev(sized(16, 12));
    HDC dc = dev.dc();
    MoveToEx(dc, 1, 1, nullptr);
    EXPECT_TRUE(LineTo(dc, 6, 1));
    EXPECT_EQ(row(dev.image(), 1, 0, 8), ".#####..");  // the last point is left out
    POINT at{};
    GetCurrentPositionEx(dc, &at);
    EXPECT_EQ(at.x, 6);
    const POINT corner[3] = {{1, 3}, {5, 3}, {5, 6}};
    EXPECT_TRUE(Polyline(dc, corner, 3));
    EXPECT_EQ(row(dev.image(), 3, 0, 7), ".#####.");
    EXPECT_EQ(row(dev.image(), 5, 0, 7), ".....#.");
    EXPECT_EQ(row(dev.image(), 6, 0, 7), ".......");

    // Rectangle: the outline covers left..right-1 and top..bottom-1, the brush the inside.
    dev.image().fill(Qt::white);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HGDIOBJ oldBrush = SelectObject(dc, red);
    EXPECT_TRUE(Rectangle(dc, 2, 2, 8, 6));
    EXPECT_EQ(row(dev.image(), 2, 0, 10), "..######..");
    EXPECT_EQ(row(dev.image(), 3, 0, 10), "..#oooo#..");
    EXPECT_EQ(row(dev.image(), 5, 0, 10), "..######..");
    EXPECT_EQ(row(dev.image(), 6, 0, 10), "..........");
    EXPECT_EQ(rgb(dev.image(), 4, 4), 0xFF0000u);

    // A polygon without a pen fills by pixel centres.
    dev.image().fill(Qt::white);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    const POINT square[4] = {{1, 1}, {6, 1}, {6, 5}, {1, 5}};
    EXPECT_TRUE(Polygon(dc, square, 4));
    EXPECT_EQ(ink(dev.image()), QRect(1, 1, 5, 4));

    // A pentagram: its middle is outside with alternate filling, inside with winding.
    const POINT star[5] = {{8, 0}, {13, 11}, {1, 4}, {15, 4}, {3, 11}};
    for (int mode : {ALTERNATE, WINDING}) {
        dev.image().fill(Qt::white);
        EXPECT_EQ(SetPolyFillMode(dc, mode), ALTERNATE);
        Polygon(dc, star, 5);
        EXPECT_EQ(rgb(dev.image(), 8, 6), mode == WINDING ? 0xFF0000u : 0xFFFFFFu);
        EXPECT_EQ(rgb(dev.image(), 8, 2), 0xFF0000u);  // a point of the star
        SetPolyFillMode(dc, ALTERNATE);
    }

    // An ellipse stays inside its box and fills its middle.
    dev.image().fill(Qt::white);
    SelectObject(dc, oldPen);
    EXPECT_TRUE(Ellipse(dc, 1, 1, 11, 9));
    EXPECT_TRUE(QRect(1, 1, 10, 8).contains(ink(dev.image())));
    EXPECT_EQ(ink(dev.image()).width(), 10);
    EXPECT_EQ(rgb(dev.image(), 6, 5), 0xFF0000u);
    EXPECT_EQ(rgb(dev.image(), 1, 1), 0xFFFFFFu);
    SelectObject(dc, oldBrush);
    DeleteObject(red);
}

TEST(DcDraw, ArcsPiesAndRoundedCorners) {
    TestDevice dev(sized(24, 24));
    HDC dc = dev.dc();
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HGDIOBJ old = SelectObject(dc, red);
    // Counter-clockwise from three o'clock to twelve o'clock: the upper right quarter.
    EXPECT_TRUE(Pie(dc, 0, 0, 21, 21, 20, 10, 10, 0));
    EXPECT_EQ(rgb(dev.image(), 14, 6), 0xFF0000u);
    EXPECT_EQ(rgb(dev.image(), 6, 14), 0xFFFFFFu);
    EXPECT_EQ(rgb(dev.image(), 6, 6), 0xFFFFFFu);
    dev.image().fill(Qt::white);
    EXPECT_TRUE(Arc(dc, 0, 0, 21, 21, 20, 10, 10, 0));
    const QRect arc = ink(dev.image());
    EXPECT_GE(arc.left(), 9);
    EXPECT_LE(arc.bottom(), 11);
    EXPECT_EQ(rgb(dev.image(), 14, 6), 0xFFFFFFu);  // an arc is not filled
    dev.image().fill(Qt::white);
    EXPECT_TRUE(RoundRect(dc, 0, 0, 20, 20, 10, 10));
    EXPECT_EQ(rgb(dev.image(), 0, 0), 0xFFFFFFu);
    EXPECT_EQ(rgb(dev.image(), 0, 10), 0u);
    EXPECT_EQ(rgb(dev.image(), 10, 10), 0xFF0000u);
    SelectObject(dc, old);
    DeleteObject(red);
}

TEST(DcDraw, PenStylesWidthsAndHatchesFollowTheBackgroundMode) {
    TestDevice dev(sized(24, 12));
    HDC dc = dev.dc();
    HPEN dot = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
    HGDIOBJ old = SelectObject(dc, dot);
    SetBkMode(dc, TRANSPARENT);
    MoveToEx(dc, 0, 1, nullptr);
    LineTo(dc, 24, 1);
    EXPECT_EQ(row(dev.image(), 1, 0, 12), "###...###...");
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(0, 255, 0));
    MoveToEx(dc, 0, 3, nullptr);
    LineTo(dc, 24, 3);
    EXPECT_EQ(row(dev.image(), 3, 0, 12), "###ooo###ooo");
    EXPECT_EQ(rgb(dev.image(), 4, 3), 0x00FF00u);

    HPEN wide = CreatePen(PS_SOLID, 5, RGB(0, 0, 0));
    SelectObject(dc, wide);
    MoveToEx(dc, 4, 8, nullptr);
    LineTo(dc, 20, 8);
    for (int y = 6; y <= 10; ++y) EXPECT_EQ(rgb(dev.image(), 12, y), 0u) << y;
    EXPECT_EQ(rgb(dev.image(), 12, 5), 0xFFFFFFu);
    EXPECT_EQ(rgb(dev.image(), 12, 11), 0xFFFFFFu);

    dev.image().fill(Qt::white);
    SelectObject(dc, GetStockObject(NULL_PEN));
    Rectangle(dc, 0, 0, 10, 10);  // the white stock brush on white
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, 10, 0);
    EXPECT_TRUE(ink(dev.image()).isEmpty());

    // A hatched brush paints its gaps in the background colour when opaque.
    HBRUSH hatch = CreateHatchBrush(HS_HORIZONTAL, RGB(0, 0, 255));
    RECT area{0, 0, 8, 8};
    SetBkColor(dc, RGB(255, 255, 0));
    FillRect(dc, &area, hatch);
    int hatched = 0, background = 0;
    for (int y = 0; y < 8; ++y) {
        const std::uint32_t c = rgb(dev.image(), 3, y);
        hatched += c == 0x0000FF;
        background += c == 0xFFFF00;
    }
    EXPECT_GE(hatched, 1);
    EXPECT_EQ(hatched + background, 8);
    SelectObject(dc, old);
    for (HGDIOBJ o : {static_cast<HGDIOBJ>(dot), static_cast<HGDIOBJ>(wide), static_cast<HGDIOBJ>(hatch)})
        EXPECT_TRUE(DeleteObject(o));
}

TEST(DcDraw, PenRasterOperationsXorTwiceRestores) {
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 12, 12);
    ReleaseDC(nullptr, screen);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBitmap = SelectObject(dc, bmp);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) SetPixel(dc, x, y, RGB(x * 20, y * 20, 100));
    auto snapshot = [&] {
        std::vector<COLORREF> v;
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x) v.push_back(GetPixel(dc, x, y));
        return v;
    };
    const auto before = snapshot();
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(WHITE_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
    EXPECT_EQ(SetROP2(dc, R2_XORPEN), R2_COPYPEN);
    EXPECT_EQ(GetROP2(dc), R2_XORPEN);
    const POINT stroke[4] = {{1, 1}, {10, 2}, {4, 9}, {1, 1}};
    Polyline(dc, stroke, 4);
    Rectangle(dc, 2, 2, 9, 8);
    EXPECT_EQ(GetPixel(dc, 2, 2), before[2 * 12 + 2] ^ 0xFFFFFF);
    EXPECT_NE(snapshot(), before);
    Polyline(dc, stroke, 4);
    Rectangle(dc, 2, 2, 9, 8);
    EXPECT_EQ(snapshot(), before);

    SetROP2(dc, R2_NOT);
    MoveToEx(dc, 0, 11, nullptr);
    LineTo(dc, 3, 11);
    EXPECT_EQ(GetPixel(dc, 1, 11), before[11 * 12 + 1] ^ 0xFFFFFF);
    SetROP2(dc, R2_NOP);
    LineTo(dc, 11, 11);
    EXPECT_EQ(GetPixel(dc, 5, 11), before[11 * 12 + 5]);
    EXPECT_EQ(SetROP2(dc, 99), 0);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
    DeleteObject(bmp);
}

TEST(DcDraw, RectanglesPixelsAndClipping) {
    TestDevice dev(sized(10, 10));
    HDC dc = dev.dc();
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    RECT r{2, 2, 5, 4};
    EXPECT_EQ(FillRect(dc, &r, blue), 1);
    EXPECT_EQ(ink(dev.image()), QRect(2, 2, 3, 2));
    RECT frame{0, 5, 6, 9};
    FrameRect(dc, &frame, blue);
    EXPECT_EQ(row(dev.image(), 5, 0, 7), "oooooo.");
    EXPECT_EQ(row(dev.image(), 6, 0, 7), "o....o.");
    EXPECT_EQ(row(dev.image(), 8, 0, 7), "oooooo.");
    const QImage before = dev.image().copy();
    RECT all{0, 0, 10, 10};
    InvertRect(dc, &all);
    EXPECT_EQ(rgb(dev.image(), 3, 3), 0xFFFF00u);
    InvertRect(dc, &all);
    EXPECT_EQ(dev.image(), before);
    // A brush handle below 32 is a system colour plus one.
    FillRect(dc, &all, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOWTEXT + 1)));
    const DWORD text = GetSysColor(COLOR_WINDOWTEXT);
    EXPECT_EQ(GetPixel(dc, 9, 9), text & 0xFFFFFF);

    EXPECT_EQ(SetPixel(dc, 4, 4, RGB(1, 2, 3)), RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(dc, 4, 4), RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(dc, 10, 0), CLR_INVALID);
    HRGN clip = CreateRectRgn(0, 0, 3, 3);
    EXPECT_EQ(reinterpret_cast<INT_PTR>(SelectObject(dc, clip)), SIMPLEREGION);
    EXPECT_TRUE(DeleteObject(clip));  // the DC keeps its own copy
    EXPECT_EQ(SetPixel(dc, 4, 4, RGB(9, 9, 9)), CLR_INVALID);
    EXPECT_EQ(GetPixel(dc, 4, 4), CLR_INVALID);
    FillRect(dc, &all, blue);
    SelectClipRgn(dc, nullptr);
    EXPECT_EQ(GetPixel(dc, 2, 2), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 3, 3), text & 0xFFFFFF);

    HRGN a = CreateRectRgn(0, 0, 4, 4), b = CreateRectRgn(2, 2, 6, 6);
    EXPECT_EQ(CombineRgn(a, a, b, RGN_OR), COMPLEXREGION);
    RECT box{};
    EXPECT_EQ(GetRgnBox(a, &box), COMPLEXREGION);
    EXPECT_EQ(box.right, 6);
    EXPECT_EQ(CombineRgn(a, a, b, RGN_DIFF), COMPLEXREGION);
    EXPECT_EQ(CombineRgn(a, b, nullptr, RGN_COPY), SIMPLEREGION);
    for (HGDIOBJ o : {static_cast<HGDIOBJ>(a), static_cast<HGDIOBJ>(b), static_cast<HGDIOBJ>(blue)}) DeleteObject(o);
}

TEST(DcDraw, TextDrawsInsideItsExtent) {
    TestDevice dev(sized(200, 60));
    HDC dc = dev.dc();
    LOGFONTW lf{};
    lf.lfHeight = -20;
    lf.lfWeight = FW_BOLD;
    std::u16string face = u"DejaVu Sans";
    std::copy(face.begin(), face.end(), lf.lfFaceName);
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SIZE size{};
    const std::u16string text = u"Tessellon";
    EXPECT_TRUE(GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size));
    EXPECT_GT(size.cx, 40);
    EXPECT_GE(size.cy, 20);
    EXPECT_TRUE(TextOutW(dc, 10, 5, text.c_str(), static_cast<int>(text.size())));
    const QRect drawn = ink(dev.image());
    EXPECT_FALSE(drawn.isEmpty());
    EXPECT_TRUE(QRect(10, 5, size.cx, size.cy).contains(drawn)) << drawn.x() << "," << drawn.y();
    EXPECT_GT(drawn.width(), size.cx / 2);

    TEXTMETRICW tm{};
    EXPECT_TRUE(GetTextMetricsW(dc, &tm));
    EXPECT_EQ(tm.tmHeight, size.cy);
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
    EXPECT_EQ(tm.tmWeight, FW_BOLD);
    LOGFONTW back{};
    EXPECT_EQ(GetObjectW(font, sizeof back, &back), static_cast<int>(sizeof back));
    EXPECT_EQ(std::u16string(back.lfFaceName), face);
    EXPECT_EQ(back.lfHeight, -20);

    // Right and bottom alignment put the text before and above the point; opaque text
    // fills its cell with the background colour.
    dev.image().fill(Qt::white);
    SetTextAlign(dc, TA_RIGHT | TA_BOTTOM);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(0, 255, 0));
    TextOutA(dc, 190, 55, "Gr\xC3\xBC\xC3\x9F" "e", 7);
    SIZE umlauts{};
    GetTextExtentPoint32A(dc, "Gr\xC3\xBC\xC3\x9F" "e", 7, &umlauts);
    EXPECT_EQ(ink(dev.image()), QRect(190 - umlauts.cx, 55 - umlauts.cy, umlauts.cx, umlauts.cy));
    EXPECT_EQ(rgb(dev.image(), 190 - umlauts.cx, 55 - umlauts.cy), 0x00FF00u);
    SetTextAlign(dc, TA_LEFT | TA_TOP);

    // ExtTextOut fills its rectangle with ETO_OPAQUE and clips to it with ETO_CLIPPED.
    dev.image().fill(Qt::white);
    SetBkColor(dc, RGB(0, 0, 255));
    RECT band{0, 0, 30, 8};
    EXPECT_TRUE(ExtTextOutW(dc, 2, 2, ETO_OPAQUE | ETO_CLIPPED, &band, text.c_str(), static_cast<UINT>(text.size()), nullptr));
    EXPECT_EQ(ink(dev.image()), QRect(0, 0, 30, 8));
    EXPECT_EQ(rgb(dev.image(), 29, 0), 0x0000FFu);

    // DrawText measures with DT_CALCRECT and centres a single line.
    dev.image().fill(Qt::white);
    SetBkMode(dc, TRANSPARENT);
    RECT calc{0, 0, 0, 0};
    const int h = DrawTextW(dc, u"&Ok", -1, &calc, DT_CALCRECT | DT_SINGLELINE);
    SIZE ok{};
    GetTextExtentPoint32W(dc, u"Ok", 2, &ok);
    EXPECT_EQ(h, ok.cy);
    EXPECT_EQ(calc.right, ok.cx);
    EXPECT_TRUE(ink(dev.image()).isEmpty());
    RECT box{0, 0, 200, 60};
    DrawTextW(dc, u"Ok", -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    const QRect centred = ink(dev.image());
    EXPECT_TRUE(QRect((200 - ok.cx) / 2, (60 - ok.cy) / 2, ok.cx, ok.cy).adjusted(-2, -2, 2, 2).contains(centred))
        << centred.x() << "," << centred.y() << " " << centred.width() << "x" << centred.height();
    EXPECT_NEAR(centred.center().x(), 100, 3);
    EXPECT_NEAR(centred.center().y(), 30, 6);

    SelectObject(dc, old);
    EXPECT_TRUE(DeleteObject(font));
}

TEST(DcDraw, PalettesAreSelectedAndRealised) {
    const std::size_t before = platform::gdi::liveCount();
    alignas(LOGPALETTE) unsigned char block[sizeof(LOGPALETTE) + 15 * sizeof(PALETTEENTRY)];
    auto* lp = reinterpret_cast<LOGPALETTE*>(block);
    lp->palVersion = 0x300;
    lp->palNumEntries = 16;
    for (int i = 0; i < 16; ++i) lp->palPalEntry[i] = {BYTE(i * 16), BYTE(i * 8), BYTE(i), 0};
    HPALETTE pal = CreatePalette(lp);
    for (int depth : {8, 24}) {
        platform::setScreenBitsPerPixel(depth);
        HDC dc = GetDC(nullptr);
        HPALETTE previous = SelectPalette(dc, pal, FALSE);
        EXPECT_EQ(previous, GetStockObject(DEFAULT_PALETTE));
        EXPECT_EQ(GetCurrentObject(dc, OBJ_PAL), pal);
        EXPECT_EQ(RealizePalette(dc), depth == 8 ? 16u : 0u);
        EXPECT_FALSE(DeleteObject(pal));  // selected
        EXPECT_EQ(SelectPalette(dc, previous, FALSE), pal);
        ReleaseDC(nullptr, dc);
    }
    platform::setScreenBitsPerPixel(24);
    EXPECT_EQ(SelectPalette(nullptr, pal, FALSE), nullptr);
    EXPECT_EQ(GetNearestPaletteIndex(pal, RGB(100, 50, 6)), 6u);
    EXPECT_TRUE(DeleteObject(pal));
    EXPECT_EQ(platform::gdi::liveCount(), before);
}

TEST(DcDraw, StockObjectsAndObjectDescriptions) {
    const std::size_t before = platform::gdi::liveCount();
    HGDIOBJ black = GetStockObject(BLACK_PEN);
    EXPECT_EQ(GetObjectType(black), OBJ_PEN);
    EXPECT_FALSE(DeleteObject(black));
    LOGPEN lp{};
    EXPECT_EQ(GetObject(black, sizeof lp, &lp), static_cast<int>(sizeof lp));
    EXPECT_EQ(lp.lopnColor, RGB(0, 0, 0));
    LOGBRUSH lb{};
    GetObject(GetStockObject(GRAY_BRUSH), sizeof lb, &lb);
    EXPECT_EQ(lb.lbColor, RGB(128, 128, 128));
    GetObject(GetStockObject(NULL_BRUSH), sizeof lb, &lb);
    EXPECT_EQ(lb.lbStyle, BS_NULL);
    EXPECT_EQ(GetObjectType(GetStockObject(DEFAULT_GUI_FONT)), OBJ_FONT);
    EXPECT_EQ(GetStockObject(9), nullptr);
    EXPECT_EQ(platform::gdi::liveCount(), before);  // stock objects are not counted

    HPEN dash = CreatePen(PS_DASHDOT, 3, RGB(1, 2, 3));
    GetObject(dash, sizeof lp, &lp);
    EXPECT_EQ(lp.lopnStyle, PS_DASHDOT);
    EXPECT_EQ(lp.lopnWidth.x, 3);
    HBRUSH hatch = CreateHatchBrush(HS_CROSS, RGB(4, 5, 6));
    GetObject(hatch, sizeof lb, &lb);
    EXPECT_EQ(lb.lbHatch, static_cast<ULONG_PTR>(HS_CROSS));
    COLORREF c = 0;
    EXPECT_FALSE(platform::solidBrushColour(hatch, &c));
    HBRUSH solid = CreateSolidBrush(RGB(7, 8, 9));
    EXPECT_TRUE(platform::solidBrushColour(solid, &c));
    EXPECT_EQ(c, RGB(7, 8, 9));
    EXPECT_EQ(platform::gdi::liveCount(), before + 3);
    LOGBRUSH bad{BS_HATCHED, 0, 99};
    EXPECT_EQ(CreateBrushIndirect(&bad), nullptr);
    EXPECT_EQ(CreatePen(42, 1, 0), nullptr);
    for (HGDIOBJ o : {static_cast<HGDIOBJ>(dash), static_cast<HGDIOBJ>(hatch), static_cast<HGDIOBJ>(solid)})
        EXPECT_TRUE(DeleteObject(o));
    EXPECT_EQ(platform::gdi::liveCount(), before);
}

namespace {

QImage* fakeSurface = nullptr;
HWND fakeWindow = nullptr;
std::vector<QRect> reported;

QImage* surfaceOf(HWND wnd) { return wnd == fakeWindow ? fakeSurface : nullptr; }
void changed(HWND wnd, const QRect& rect) {
    if (wnd == fakeWindow) reported.push_back(rect);
}

LRESULT plainProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) { return DefWindowProcW(wnd, msg, wParam, lParam); }

}  // namespace

TEST(DcDraw, WindowDcsDrawOnTheRetainedSurfaceAndReportChanges) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = plainProc;
    wc.lpszClassName = u"GdiSurfaceTest";
    RegisterClassExW(&wc);
    HWND wnd = CreateWindowExW(0, u"GdiSurfaceTest", u"", 0, 0, 0, 20, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(wnd, nullptr);
    QImage surface(20, 10, QImage::Format_RGB32);
    surface.fill(Qt::white);
    fakeSurface = &surface;
    fakeWindow = wnd;
    reported.clear();
    const platform::WindowSurfaceHooks saved = platform::windowSurfaceHooks();
    platform::WindowSurfaceHooks hooks;
    hooks.surface = &surfaceOf;
    hooks.changed = &changed;
    platform::setWindowSurfaceHooks(hooks);

    HDC dc = GetDC(wnd);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(WindowFromDC(dc), wnd);
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 24);
    SetROP2(dc, R2_XORPEN);
    SelectObject(dc, GetStockObject(WHITE_PEN));
    MoveToEx(dc, 2, 3, nullptr);
    LineTo(dc, 12, 3);
    EXPECT_EQ(rgb(surface, 5, 3), 0u);
    ASSERT_FALSE(reported.empty());
    EXPECT_TRUE(reported.back().contains(QRect(2, 3, 10, 1)));
    // The window grows: the next call draws on the surface at its new size.
    surface = QImage(40, 30, QImage::Format_RGB32);
    surface.fill(Qt::white);
    MoveToEx(dc, 30, 25, nullptr);
    LineTo(dc, 35, 25);
    EXPECT_EQ(rgb(surface, 31, 25), 0u);
    RECT clip{};
    GetClipBox(dc, &clip);
    EXPECT_EQ(clip.right, 40);
    EXPECT_EQ(ReleaseDC(wnd, dc), 1);

    platform::setWindowSurfaceHooks(saved);
    DestroyWindow(wnd);
    UnregisterClassW(u"GdiSurfaceTest", nullptr);
    EXPECT_EQ(GetDC(wnd), nullptr);  // not a window any more
}
