// Drawing on a large DIB section through a memory DC touches only what is drawn: text and
// lines as the poster's page bitmaps get them, with the caller's own writes kept.
#include "platform/gdi.h"

#include <QElapsedTimer>

#include "testsupport/TestSupport.h"
#include <gtest/gtest.h>

#include <cstring>

TEST(DcSectionText, NotesAndLinesOnAPageSizedSectionTouchOnlyWhatTheyDraw) {
    constexpr int W = 7000, H = 5000;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = W;
    info.bmiHeader.biHeight = H;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* raw = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &raw, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    auto* bits = static_cast<BYTE*>(raw);
    const int lineBytes = ((W * 24 + 31) / 32) * 4;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    const RECT all{0, 0, W, H};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    // The caller writes a pixel itself, far from the drawing (row 10 from the top).
    BYTE* far = bits + static_cast<std::size_t>(H - 1 - 10) * lineBytes + 3 * 6990;
    far[0] = 0;
    far[1] = 0;
    far[2] = 255;

    LOGFONTW lf{};
    lf.lfHeight = 140;
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    QElapsedTimer timer;
    timer.start();
    // A note written letter by letter downward, as on a glue strip, and a few lines.
    const char16_t note[] = u"Edge for glue, do not cut";
    int y = 100;
    for (const char16_t* c = note; *c; ++c) {
        SIZE s{};
        GetTextExtentPoint32W(dc, reinterpret_cast<LPCWSTR>(c), 1, &s);
        TextOutW(dc, 6700, y, reinterpret_cast<LPCWSTR>(c), 1);
        y += s.cy / 2;
    }
    for (int i = 0; i < 20; ++i) {
        MoveToEx(dc, 100, 4000 + i, nullptr);
        LineTo(dc, 6000, 4000 + i);
    }
    const qint64 elapsed = timer.elapsed();
    // Each call works on its own few pixels, not the 35 million of the section.
    if (testsupport::TimingChecked()) {
        EXPECT_LT(elapsed, 1500);
    }

    // The caller's pixel is as it was written, in memory and through the DC.
    EXPECT_EQ(far[2], 255);
    EXPECT_EQ(far[0], 0);
    EXPECT_EQ(GetPixel(dc, 6990, 10), RGB(255, 0, 0));
    // The drawing reached the section's memory: ink under the first letter and the lines.
    int ink = 0;
    for (int row = 100; row < 240; ++row) {
        const BYTE* r = bits + static_cast<std::size_t>(H - 1 - row) * lineBytes;
        for (int x = 6700; x < 6800; ++x) ink += r[3 * x] < 128;
    }
    EXPECT_GT(ink, 200);
    const BYTE* lineRow = bits + static_cast<std::size_t>(H - 1 - 4010) * lineBytes;
    EXPECT_EQ(lineRow[3 * 3000], 0);
    EXPECT_EQ(lineRow[3 * 6500], 255);  // past the line's end

    SelectObject(dc, oldFont);
    DeleteObject(font);
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
    DeleteObject(bitmap);
}
