// Image lists: adding with masks and mask colours, drawing at every style onto memory and
// window DCs, overlays, alpha, colour depths, changes of the list, icons, the byte form with
// damaged data, and drag images.
#include "platform/GdiObject.h"
#include "platform/commctrl.h"
#include "platform/gdi.h"
#include "platform/winicon.h"
#include "platform/winuser.h"

#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// A memory DC on a 24-bit bitmap filled with one colour.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    Canvas(int w, int h, COLORREF fill) {
        HDC screen = GetDC(nullptr);
        bitmap = CreateCompatibleBitmap(screen, w, h);
        ReleaseDC(nullptr, screen);
        dc = CreateCompatibleDC(nullptr);
        old = SelectObject(dc, bitmap);
        HBRUSH b = CreateSolidBrush(fill);
        RECT r{0, 0, w, h};
        FillRect(dc, &r, b);
        DeleteObject(b);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    COLORREF at(int x, int y) const { return GetPixel(dc, x, y); }
};

// A top-down DIB section of w x h pixels (24 or 32 bits) painted by `pixel` (0xAARRGGBB).
HBITMAP section(int w, int h, int bits, const std::function<QRgb(int, int)>& pixel) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = static_cast<WORD>(bits);
    void* mem = nullptr;
    HBITMAP b = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &mem, nullptr, 0);
    auto* out = static_cast<BYTE*>(mem);
    const int bpp = bits / 8;
    const int line = (w * bpp + 3) & ~3;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb c = pixel(x, y);
            BYTE* p = out + y * line + x * bpp;
            p[0] = static_cast<BYTE>(qBlue(c));
            p[1] = static_cast<BYTE>(qGreen(c));
            p[2] = static_cast<BYTE>(qRed(c));
            if (bpp == 4) p[3] = static_cast<BYTE>(qAlpha(c));
        }
    return b;
}

// A monochrome bitmap: `white(x, y)` true where an image is transparent.
HBITMAP monoMask(int w, int h, const std::function<bool(int, int)>& white) {
    const int line = ((w + 15) / 16) * 2;
    std::vector<BYTE> bits(static_cast<std::size_t>(line) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (white(x, y)) bits[static_cast<std::size_t>(y) * line + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
    return CreateBitmap(w, h, 1, 1, bits.data());
}

// Two 4 x 4 images: 0 red with a blue 2 x 2 square at the top left and its right half
// transparent; 1 transparent but a black pixel at (3, 3) (an overlay).
HIMAGELIST twoImages(UINT flags = ILC_COLOR24 | ILC_MASK) {
    HIMAGELIST h = ImageList_Create(4, 4, flags, 2, 2);
    HBITMAP image = section(8, 4, 24, [](int x, int y) {
        if (x >= 4) return qRgb(0, 0, 0);
        return x < 2 && y < 2 ? qRgb(0, 0, 255) : qRgb(255, 0, 0);
    });
    HBITMAP mask = monoMask(8, 4, [](int x, int y) { return x < 4 ? x >= 2 && y >= 2 : !(x == 7 && y == 3); });
    EXPECT_EQ(ImageList_Add(h, image, mask), 0);
    DeleteObject(image);
    DeleteObject(mask);
    return h;
}

// A window of a class with the default procedure.
HWND plainWindow(DWORD style, int x, int y, int w, int h) {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &DefWindowProcW;
        wc.lpszClassName = u"ImageListTestWindow";
        return RegisterClassExW(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    return CreateWindowExW(0, u"ImageListTestWindow", u"", style, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
}

int near(COLORREF c, int r, int g, int b) {
    return std::abs(GetRValue(c) - r) + std::abs(GetGValue(c) - g) + std::abs(GetBValue(c) - b);
}

}  // namespace

TEST(ImageList, CreationChecksSizesAndHandles) {
    EXPECT_EQ(ImageList_Create(0, 16, ILC_COLOR24, 1, 1), nullptr);
    EXPECT_EQ(ImageList_Create(16, -1, ILC_COLOR24, 1, 1), nullptr);
    HIMAGELIST h = ImageList_Create(16, 8, ILC_COLOR32 | ILC_MASK, 4, 4);
    ASSERT_NE(h, nullptr);
    int cx = 0, cy = 0;
    EXPECT_TRUE(ImageList_GetIconSize(h, &cx, &cy));
    EXPECT_EQ(cx, 16);
    EXPECT_EQ(cy, 8);
    EXPECT_EQ(ImageList_GetImageCount(h), 0);
    EXPECT_EQ(ImageList_GetBkColor(h), CLR_NONE);
    EXPECT_TRUE(ImageList_Destroy(h));
    // A stale handle fails everywhere instead of touching freed memory.
    EXPECT_FALSE(ImageList_Destroy(h));
    EXPECT_EQ(ImageList_GetImageCount(h), 0);
    EXPECT_FALSE(ImageList_GetIconSize(h, &cx, &cy));
    Canvas c(4, 4, kWhite);
    EXPECT_FALSE(ImageList_Draw(h, 0, c.dc, 0, 0, ILD_NORMAL));
    EXPECT_EQ(ImageList_Add(h, nullptr, nullptr), -1);
}

TEST(ImageList, DrawsEachStyleWithItsMaskAndBackground) {
    HIMAGELIST h = twoImages();
    ASSERT_EQ(ImageList_GetImageCount(h), 2);
    {
        // Normal without a background colour: the masked part keeps the destination.
        Canvas c(4, 4, kGreen);
        ASSERT_TRUE(ImageList_Draw(h, 0, c.dc, 0, 0, ILD_NORMAL));
        EXPECT_EQ(c.at(0, 0), kBlue);
        EXPECT_EQ(c.at(3, 0), kRed);
        EXPECT_EQ(c.at(0, 3), kRed);
        EXPECT_EQ(c.at(3, 3), kGreen);
        EXPECT_EQ(c.at(2, 2), kGreen);
    }
    EXPECT_EQ(ImageList_SetBkColor(h, kWhite), CLR_NONE);
    {
        Canvas c(4, 4, kGreen);
        ASSERT_TRUE(ImageList_Draw(h, 0, c.dc, 0, 0, ILD_NORMAL));
        EXPECT_EQ(c.at(3, 3), kWhite);
        EXPECT_EQ(c.at(0, 0), kBlue);
    }
    {
        // Transparent ignores the background colour; an explicit one replaces the list's.
        Canvas c(8, 4, kGreen);
        ASSERT_TRUE(ImageList_Draw(h, 0, c.dc, 0, 0, ILD_TRANSPARENT));
        ASSERT_TRUE(ImageList_DrawEx(h, 0, c.dc, 4, 0, 0, 0, kBlack, CLR_DEFAULT, ILD_NORMAL));
        EXPECT_EQ(c.at(3, 3), kGreen);
        EXPECT_EQ(c.at(7, 3), kBlack);
        EXPECT_EQ(c.at(4, 0), kBlue);
    }
    {
        // The mask: black where drawn, white elsewhere.
        Canvas c(4, 4, kGreen);
        ASSERT_TRUE(ImageList_Draw(h, 0, c.dc, 0, 0, ILD_MASK));
        EXPECT_EQ(c.at(0, 0), kBlack);
        EXPECT_EQ(c.at(1, 3), kBlack);
        EXPECT_EQ(c.at(2, 2), kWhite);
        EXPECT_EQ(c.at(3, 3), kWhite);
    }
    {
        // The image without its mask shows what lies under it.
        Canvas c(4, 4, kGreen);
        ASSERT_TRUE(ImageList_DrawEx(h, 0, c.dc, 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_IMAGE));
        EXPECT_EQ(c.at(3, 3), kRed);
    }
    {
        // A part from the top left only; at an offset and through the viewport origin.
        Canvas c(8, 8, kGreen);
        SetViewportOrgEx(c.dc, 1, 1, nullptr);
        ASSERT_TRUE(ImageList_DrawEx(h, 0, c.dc, 2, 2, 2, 3, CLR_NONE, CLR_NONE, ILD_TRANSPARENT));
        SetViewportOrgEx(c.dc, 0, 0, nullptr);
        EXPECT_EQ(c.at(3, 3), kBlue);
        EXPECT_EQ(c.at(4, 5), kRed);
        EXPECT_EQ(c.at(5, 3), kGreen);
        EXPECT_EQ(c.at(3, 6), kGreen);
    }
    EXPECT_FALSE(ImageList_Draw(h, 2, Canvas(4, 4, kWhite).dc, 0, 0, ILD_NORMAL));
    ImageList_Destroy(h);
}

TEST(ImageList, BlendsWithTheBlendColourOrTheDestination) {
    HIMAGELIST h = twoImages();
    {
        Canvas c(8, 4, kGreen);
        ASSERT_TRUE(ImageList_DrawEx(h, 0, c.dc, 0, 0, 0, 0, CLR_NONE, kBlue, ILD_BLEND50));
        ASSERT_TRUE(ImageList_DrawEx(h, 0, c.dc, 4, 0, 0, 0, CLR_NONE, kBlue, ILD_BLEND25));
        // Half: 255 x 0.5 = 127.5 is rounded to the even 128.
        EXPECT_EQ(c.at(3, 0), RGB(128, 0, 128));
        // A quarter: 191.25 and 63.75.
        EXPECT_EQ(c.at(7, 0), RGB(191, 0, 64));
        // Transparent pixels are not blended.
        EXPECT_EQ(c.at(3, 3), kGreen);
    }
    {
        // Selected and focus take the highlight colour by default.
        const COLORREF hl = GetSysColor(COLOR_HIGHLIGHT);
        Canvas c(4, 4, kGreen);
        ASSERT_TRUE(ImageList_Draw(h, 0, c.dc, 0, 0, ILD_SELECTED));
        const COLORREF p = c.at(3, 0);
        EXPECT_LE(near(p, (255 + GetRValue(hl) + 1) / 2, (GetGValue(hl) + 1) / 2, (GetBValue(hl) + 1) / 2), 3);
        EXPECT_EQ(ILD_FOCUS, ILD_BLEND25);
    }
    {
        // Without a blend colour the destination shows through by half.
        Canvas c(4, 4, kGreen);
        ASSERT_TRUE(ImageList_DrawEx(h, 0, c.dc, 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_BLEND50));
        EXPECT_LE(near(c.at(3, 0), 128, 127, 0), 2);
    }
    ImageList_Destroy(h);
}

TEST(ImageList, OverlaysAreDrawnOverTheImageAndFollowRemovals) {
    HIMAGELIST h = twoImages();
    EXPECT_FALSE(ImageList_SetOverlayImage(h, 1, 0));
    EXPECT_FALSE(ImageList_SetOverlayImage(h, 1, 16));
    EXPECT_FALSE(ImageList_SetOverlayImage(h, 5, 1));
    ASSERT_TRUE(ImageList_SetOverlayImage(h, 1, 1));
    {
        Canvas c(4, 4, kGreen);
        ASSERT_TRUE(ImageList_Draw(h, 0, c.dc, 0, 0, ILD_TRANSPARENT | INDEXTOOVERLAYMASK(1)));
        EXPECT_EQ(c.at(3, 3), kBlack);  // the overlay where the image is transparent
        EXPECT_EQ(c.at(2, 2), kGreen);
        EXPECT_EQ(c.at(0, 0), kBlue);
        // The mask of an image with its overlay covers both.
        Canvas m(4, 4, kGreen);
        ASSERT_TRUE(ImageList_Draw(h, 0, m.dc, 0, 0, ILD_MASK | INDEXTOOVERLAYMASK(1)));
        EXPECT_EQ(m.at(3, 3), kBlack);
        EXPECT_EQ(m.at(2, 2), kWhite);
        // An overlay that is not set draws nothing more.
        Canvas n(4, 4, kGreen);
        ASSERT_TRUE(ImageList_Draw(h, 0, n.dc, 0, 0, ILD_TRANSPARENT | INDEXTOOVERLAYMASK(2)));
        EXPECT_EQ(n.at(3, 3), kGreen);
    }
    // Removing image 0 moves the overlay image to index 0; removing it clears the overlay.
    ASSERT_TRUE(ImageList_Remove(h, 0));
    EXPECT_EQ(ImageList_GetImageCount(h), 1);
    HBITMAP plain = section(4, 4, 24, [](int, int) { return qRgb(255, 0, 0); });
    ASSERT_EQ(ImageList_Add(h, plain, nullptr), 1);
    {
        Canvas c(4, 4, kGreen);
        ASSERT_TRUE(ImageList_Draw(h, 1, c.dc, 0, 0, ILD_TRANSPARENT | INDEXTOOVERLAYMASK(1)));
        EXPECT_EQ(c.at(3, 3), kBlack);
        EXPECT_EQ(c.at(0, 0), kRed);
    }
    ASSERT_TRUE(ImageList_Remove(h, 0));
    {
        Canvas c(4, 4, kGreen);
        ASSERT_TRUE(ImageList_Draw(h, 0, c.dc, 0, 0, ILD_TRANSPARENT | INDEXTOOVERLAYMASK(1)));
        EXPECT_EQ(c.at(3, 3), kRed);
    }
    DeleteObject(plain);
    ImageList_Destroy(h);
}

TEST(ImageList, MaskColoursAlphaAndColourDepths) {
    // A mask colour makes its pixels transparent; CLR_DEFAULT takes the top-left one.
    HBITMAP strip = section(8, 2, 24, [](int x, int) { return x % 2 ? qRgb(255, 0, 255) : qRgb(200, 30, 30); });
    HIMAGELIST masked = ImageList_Create(4, 2, ILC_COLOR24 | ILC_MASK, 1, 1);
    EXPECT_EQ(ImageList_AddMasked(masked, strip, RGB(255, 0, 255)), 0);
    EXPECT_EQ(ImageList_AddMasked(masked, strip, CLR_DEFAULT), 2);
    {
        Canvas c(12, 2, kGreen);
        ImageList_Draw(masked, 0, c.dc, 0, 0, ILD_TRANSPARENT);
        ImageList_Draw(masked, 2, c.dc, 4, 0, ILD_TRANSPARENT);
        EXPECT_EQ(c.at(0, 0), RGB(200, 30, 30));
        EXPECT_EQ(c.at(1, 0), kGreen);
        EXPECT_EQ(c.at(4, 0), kGreen);
        EXPECT_EQ(c.at(5, 0), RGB(255, 0, 255));
    }
    // Without ILC_MASK nothing is transparent.
    HIMAGELIST opaque = ImageList_Create(4, 2, ILC_COLOR24, 1, 1);
    EXPECT_EQ(ImageList_AddMasked(opaque, strip, RGB(255, 0, 255)), 0);
    // 4 bits: the nearest of the 16 standard colours; 16 bits: 5 bits a channel.
    HIMAGELIST four = ImageList_Create(4, 2, ILC_COLOR4, 1, 1);
    HIMAGELIST sixteen = ImageList_Create(4, 2, ILC_COLOR16, 1, 1);
    ImageList_Add(four, strip, nullptr);
    ImageList_Add(sixteen, strip, nullptr);
    {
        Canvas c(12, 2, kGreen);
        ImageList_Draw(opaque, 0, c.dc, 0, 0, ILD_TRANSPARENT);
        ImageList_Draw(four, 0, c.dc, 4, 0, ILD_NORMAL);
        ImageList_Draw(sixteen, 0, c.dc, 8, 0, ILD_NORMAL);
        EXPECT_EQ(c.at(1, 0), RGB(255, 0, 255));
        EXPECT_EQ(c.at(4, 0), kRed);
        EXPECT_EQ(c.at(5, 0), RGB(255, 0, 255));
        EXPECT_EQ(c.at(8, 0), RGB(206, 24, 24));
    }
    // 32 bits keep alpha: half-transparent white over black is mid grey.
    HBITMAP alpha = section(4, 1, 32, [](int x, int) { return x == 0 ? qRgba(255, 255, 255, 128) : qRgba(0, 0, 255, 255); });
    HIMAGELIST full = ImageList_Create(4, 1, ILC_COLOR32 | ILC_MASK, 1, 1);
    HIMAGELIST flat = ImageList_Create(4, 1, ILC_COLOR24 | ILC_MASK, 1, 1);
    ImageList_Add(full, alpha, nullptr);
    ImageList_Add(flat, alpha, nullptr);
    {
        Canvas c(8, 1, kBlack);
        ImageList_Draw(full, 0, c.dc, 0, 0, ILD_TRANSPARENT);
        ImageList_Draw(flat, 0, c.dc, 4, 0, ILD_TRANSPARENT);
        EXPECT_LE(near(c.at(0, 0), 128, 128, 128), 3);
        EXPECT_EQ(c.at(1, 0), kBlue);
        EXPECT_EQ(c.at(4, 0), kWhite);  // a 24-bit list has no alpha
    }
    for (HIMAGELIST l : {masked, opaque, four, sixteen, full, flat}) ImageList_Destroy(l);
    DeleteObject(strip);
    DeleteObject(alpha);
}

TEST(ImageList, ChangesReplaceCountCopyDuplicateAndMerge) {
    HIMAGELIST h = twoImages();
    HBITMAP blue = section(4, 4, 24, [](int, int) { return qRgb(0, 0, 255); });
    EXPECT_FALSE(ImageList_Replace(h, 2, blue, nullptr));
    ASSERT_TRUE(ImageList_Replace(h, 1, blue, nullptr));
    {
        Canvas c(4, 4, kGreen);
        ImageList_Draw(h, 1, c.dc, 0, 0, ILD_TRANSPARENT);
        EXPECT_EQ(c.at(3, 3), kBlue);
    }
    // Swap, then move.
    ASSERT_TRUE(ImageList_Copy(h, 0, h, 1, ILCF_SWAP));
    {
        Canvas c(8, 4, kGreen);
        ImageList_Draw(h, 0, c.dc, 0, 0, ILD_TRANSPARENT);
        ImageList_Draw(h, 1, c.dc, 4, 0, ILD_TRANSPARENT);
        EXPECT_EQ(c.at(3, 3), kBlue);
        EXPECT_EQ(c.at(4, 0), kBlue);
        EXPECT_EQ(c.at(7, 0), kRed);
        EXPECT_EQ(c.at(7, 3), kGreen);
    }
    ASSERT_TRUE(ImageList_Copy(h, 0, h, 1, ILCF_MOVE));
    EXPECT_FALSE(ImageList_Copy(h, 0, h, 5, ILCF_MOVE));
    // A duplicate is independent of the original.
    HIMAGELIST d = ImageList_Duplicate(h);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(d), 2);
    ASSERT_TRUE(ImageList_SetImageCount(h, 5));
    EXPECT_EQ(ImageList_GetImageCount(h), 5);
    EXPECT_EQ(ImageList_GetImageCount(d), 2);
    {
        Canvas c(4, 4, kGreen);
        ImageList_Draw(h, 4, c.dc, 0, 0, ILD_TRANSPARENT);  // a new image is transparent
        EXPECT_EQ(c.at(1, 1), kGreen);
    }
    ASSERT_TRUE(ImageList_SetImageCount(h, 1));
    EXPECT_EQ(ImageList_GetImageCount(h), 1);
    // Merge: the union of both rectangles, the second image over the first.
    HIMAGELIST m = ImageList_Merge(d, 0, d, 0, 2, 3);
    ASSERT_NE(m, nullptr);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(m, &cx, &cy);
    EXPECT_EQ(cx, 6);
    EXPECT_EQ(cy, 7);
    {
        Canvas c(6, 7, kGreen);
        ImageList_Draw(m, 0, c.dc, 0, 0, ILD_TRANSPARENT);
        EXPECT_EQ(c.at(0, 0), kBlue);
        EXPECT_EQ(c.at(2, 3), kBlue);  // the second copy's top-left corner
        EXPECT_EQ(c.at(5, 6), kGreen);
        EXPECT_EQ(c.at(5, 0), kGreen);
    }
    // A new size removes the images.
    ASSERT_TRUE(ImageList_SetIconSize(d, 8, 8));
    EXPECT_EQ(ImageList_GetImageCount(d), 0);
    EXPECT_TRUE(ImageList_Remove(h, -1));
    EXPECT_EQ(ImageList_GetImageCount(h), 0);
    EXPECT_FALSE(ImageList_Remove(h, 0));
    for (HIMAGELIST l : {h, d, m}) ImageList_Destroy(l);
    DeleteObject(blue);
}

TEST(ImageList, IconsGoInAndOutScaledWithTheirTransparency) {
    const int icons = platform::liveIconCount();
    HIMAGELIST h = twoImages(ILC_COLOR32 | ILC_MASK);
    HICON icon = ImageList_GetIcon(h, 0, ILD_NORMAL);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(platform::liveIconCount(), icons + 1);
    {
        Canvas c(12, 12, kGreen);
        ASSERT_TRUE(DrawIconEx(c.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
        EXPECT_EQ(c.at(0, 0), kBlue);
        EXPECT_EQ(c.at(3, 3), kGreen);
        // Scaled to 8 x 8, and the mask alone.
        ASSERT_TRUE(DrawIconEx(c.dc, 4, 4, icon, 8, 8, 0, nullptr, DI_MASK));
        EXPECT_EQ(c.at(4, 4), kBlack);
        EXPECT_EQ(c.at(11, 11), kWhite);
    }
    // The icon's bitmaps: colour with alpha and a mask white where it is transparent.
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    EXPECT_TRUE(info.fIcon);
    BITMAP bm{};
    GetObjectW(info.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    GetObjectW(info.hbmMask, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    HICON again = CreateIconIndirect(&info);
    ASSERT_NE(again, nullptr);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    // An icon of another size is scaled into the list.
    HIMAGELIST big = ImageList_Create(8, 8, ILC_COLOR32 | ILC_MASK, 1, 1);
    EXPECT_EQ(ImageList_AddIcon(big, again), 0);
    EXPECT_EQ(ImageList_ReplaceIcon(big, 0, again), 0);
    EXPECT_EQ(ImageList_ReplaceIcon(big, 3, again), -1);
    {
        Canvas c(8, 8, kGreen);
        ImageList_Draw(big, 0, c.dc, 0, 0, ILD_TRANSPARENT);
        EXPECT_EQ(c.at(1, 1), kBlue);
        EXPECT_EQ(c.at(6, 1), kRed);
        EXPECT_EQ(c.at(7, 7), kGreen);
    }
    HICON extracted = ImageList_ExtractIcon(nullptr, big, 0);
    EXPECT_NE(extracted, nullptr);
    for (HICON i : {icon, again, extracted}) EXPECT_TRUE(DestroyIcon(i));
    EXPECT_FALSE(DestroyIcon(icon));
    EXPECT_EQ(platform::liveIconCount(), icons);
    ImageList_Destroy(h);
    ImageList_Destroy(big);
}

TEST(ImageList, ImageInfoGivesTheImagesAndMasksAsBitmaps) {
    HIMAGELIST h = twoImages();
    IMAGEINFO info{};
    EXPECT_FALSE(ImageList_GetImageInfo(h, 2, &info));
    ASSERT_TRUE(ImageList_GetImageInfo(h, 1, &info));
    EXPECT_EQ(info.rcImage.left, 4);
    EXPECT_EQ(info.rcImage.right, 8);
    EXPECT_EQ(info.rcImage.bottom, 4);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, info.hbmImage);
    EXPECT_EQ(GetPixel(dc, 0, 0), kBlue);
    EXPECT_EQ(GetPixel(dc, 3, 0), kRed);
    SelectObject(dc, info.hbmMask);
    EXPECT_EQ(GetPixel(dc, 0, 0), kBlack);
    EXPECT_EQ(GetPixel(dc, 3, 3), kWhite);
    EXPECT_EQ(GetPixel(dc, 7, 3), kBlack);
    EXPECT_EQ(GetPixel(dc, 6, 3), kWhite);
    SelectObject(dc, old);
    DeleteDC(dc);
    ImageList_Destroy(h);
}

TEST(ImageList, DrawsOnAWindowsSurface) {
    HWND wnd = plainWindow(WS_OVERLAPPEDWINDOW, 0, 0, 100, 100);
    ASSERT_NE(wnd, nullptr);
    HIMAGELIST h = twoImages();
    HDC dc = GetDC(wnd);
    HBRUSH green = CreateSolidBrush(kGreen);
    RECT r{0, 0, 20, 20};
    FillRect(dc, &r, green);
    ASSERT_TRUE(ImageList_Draw(h, 0, dc, 10, 10, ILD_TRANSPARENT));
    EXPECT_EQ(GetPixel(dc, 10, 10), kBlue);
    EXPECT_EQ(GetPixel(dc, 13, 13), kGreen);
    EXPECT_EQ(GetPixel(dc, 13, 10), kRed);
    ReleaseDC(wnd, dc);
    DeleteObject(green);
    DestroyWindow(wnd);
    ImageList_Destroy(h);
}

TEST(ImageList, BytesRoundTripAndDamagedDataIsRefused) {
    HIMAGELIST h = twoImages();
    HBITMAP more = section(20, 4, 24, [](int x, int y) { return qRgb(x * 10, y * 40, 100); });
    ASSERT_EQ(ImageList_Add(h, more, nullptr), 2);  // five images: two rows of the grid
    ImageList_SetBkColor(h, RGB(1, 2, 3));
    ImageList_SetOverlayImage(h, 1, 2);
    std::vector<BYTE> bytes;
    ASSERT_TRUE(platform::writeImageList(h, bytes));
    bytes.push_back(0x55);  // what follows is not taken
    std::size_t used = 0;
    HIMAGELIST back = platform::readImageList(bytes.data(), bytes.size(), &used);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(used, bytes.size() - 1);
    EXPECT_EQ(ImageList_GetImageCount(back), 7);
    EXPECT_EQ(ImageList_GetBkColor(back), RGB(1, 2, 3));
    for (int i = 0; i < 7; ++i) {
        Canvas a(4, 4, kGreen), b(4, 4, kGreen);
        ImageList_Draw(h, i, a.dc, 0, 0, ILD_NORMAL | INDEXTOOVERLAYMASK(2));
        ImageList_Draw(back, i, b.dc, 0, 0, ILD_NORMAL | INDEXTOOVERLAYMASK(2));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) ASSERT_EQ(a.at(x, y), b.at(x, y)) << i << " " << x << "," << y;
    }
    // Every cut gives nothing, never a read past the data.
    for (std::size_t n = 0; n + 1 < bytes.size(); n += (n < 200 ? 1 : 37)) {
        HIMAGELIST cut = platform::readImageList(bytes.data(), n);
        EXPECT_EQ(cut, nullptr) << n;
        ImageList_Destroy(cut);
    }
    // A count the grid cannot hold, a wrong magic, a BMP header claiming more rows.
    std::vector<BYTE> bad = bytes;
    bad[4] = 0xFF;
    bad[5] = 0x7F;
    EXPECT_EQ(platform::readImageList(bad.data(), bad.size()), nullptr);
    bad = bytes;
    bad[0] = 'X';
    EXPECT_EQ(platform::readImageList(bad.data(), bad.size()), nullptr);
    bad = bytes;
    bad[28 + 22] = 0xFF;  // biHeight
    bad[28 + 23] = 0x7F;
    EXPECT_EQ(platform::readImageList(bad.data(), bad.size()), nullptr);
    ImageList_Destroy(h);
    ImageList_Destroy(back);
    DeleteObject(more);
}

TEST(ImageList, DragImageFollowsThePointerOverTheWindows) {
    HWND wnd = plainWindow(WS_POPUP, 100, 50, 200, 200);
    ShowWindow(wnd, SW_SHOW);
    HIMAGELIST h = twoImages();
    EXPECT_FALSE(ImageList_DragEnter(wnd, 0, 0));  // no drag begun
    ASSERT_TRUE(ImageList_BeginDrag(h, 0, 1, 2));
    EXPECT_EQ(platform::dragImageWindow(), nullptr);
    ASSERT_TRUE(ImageList_DragEnter(wnd, 10, 20));
    QWidget* shown = platform::dragImageWindow();
    ASSERT_NE(shown, nullptr);
    RECT wr{};
    GetWindowRect(wnd, &wr);
    EXPECT_EQ(shown->pos(), QPoint(wr.left + 10 - 1, wr.top + 20 - 2));
    EXPECT_EQ(shown->size(), QSize(4, 4));
    EXPECT_TRUE(shown->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_TRUE(shown->windowFlags() & Qt::WindowTransparentForInput);
    const QImage picture = shown->grab().toImage();
    EXPECT_EQ(picture.pixelColor(0, 0), QColor(0, 0, 255));
    EXPECT_EQ(picture.pixelColor(3, 0), QColor(255, 0, 0));
    EXPECT_EQ(picture.pixelColor(3, 3).alpha(), 0);
    ASSERT_TRUE(ImageList_DragMove(30, 40));
    EXPECT_EQ(shown->pos(), QPoint(wr.left + 30 - 1, wr.top + 40 - 2));
    // The cursor image joins the drag image; the hot spots meet.
    ASSERT_TRUE(ImageList_SetDragCursorImage(h, 0, 3, 3));
    POINT pt{}, hot{};
    HIMAGELIST drag = ImageList_GetDragImage(&pt, &hot);
    ASSERT_NE(drag, nullptr);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(drag, &cx, &cy);
    EXPECT_EQ(cx, 6);
    EXPECT_EQ(cy, 5);
    EXPECT_EQ(hot.x, 3);
    EXPECT_EQ(hot.y, 3);
    EXPECT_EQ(pt.x, 30);
    EXPECT_EQ(platform::dragImageWindow()->pos(), QPoint(wr.left + 30 - 3, wr.top + 40 - 3));
    ASSERT_TRUE(ImageList_DragShowNolock(FALSE));
    EXPECT_EQ(platform::dragImageWindow(), nullptr);
    ASSERT_TRUE(ImageList_DragShowNolock(TRUE));
    EXPECT_NE(platform::dragImageWindow(), nullptr);
    ASSERT_TRUE(ImageList_DragLeave(wnd));
    EXPECT_EQ(platform::dragImageWindow(), nullptr);
    ImageList_EndDrag();
    EXPECT_EQ(ImageList_GetDragImage(nullptr, nullptr), nullptr);
    EXPECT_FALSE(ImageList_DragMove(1, 1));
    ImageList_Destroy(h);
    DestroyWindow(wnd);
}
