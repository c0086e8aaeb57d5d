// The previews: grid geometry and clicks, zoom, the 1:1 view's quality and overview, drag
// arithmetic, the page preview and its bitmap file.
#include "poster/PosterPreview.h"

#include "platform/RecordingPrinter.h"
#include "platform/msgbox.h"
#include "platform/printer.h"
#include "poster/Pixwerk.h"
#include "testsupport/TestSupport.h"

#include <QImage>

#include <cstring>

#include <gtest/gtest.h>

using namespace poster;

namespace {

UniqueDib grey(int w, int h, BYTE value) {
    TDib dib{};
    newdib(&dib, w, h, 24, nullptr, 0);
    std::memset(dib.Bits, value, static_cast<size_t>(dib.LineBytes) * h);
    return UniqueDib(dib);
}

// A 24-bit memory DC of w x h pixels, white.
struct Surface {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    BYTE* bits = nullptr;
    int w, h;
    Surface(int width, int height) : w(width), h(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        dc = CreateCompatibleDC(nullptr);
        void* p = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<BYTE*>(p);
        old = SelectObject(dc, bitmap);
        const RECT r{0, 0, w, h};
        FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    ~Surface() {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    // 0xRRGGBB at (x, y from the top).
    unsigned at(int x, int y) const {
        const BYTE* p = bits + static_cast<size_t>(h - 1 - y) * ((w * 3 + 3) / 4 * 4) + x * 3;
        return (p[2] << 16) | (p[1] << 8) | p[0];
    }
};

PosterSetup a4Setup(TDib dib, int columns, int rows) {
    PosterSetup s;
    s.dib = dib;
    s.across = columns;
    s.down = rows;
    s.columns = columns;
    s.rows = rows;
    s.printer = PrinterCaps{4961, 7016, 118, 118, 600, 600, 4725, 6780};
    return s;
}

}  // namespace

TEST(PosterPreview, FittingNeverGivesAnEmptySize) {
    EXPECT_EQ(FitSize(200, 100, 400, 100).cx, 200);
    EXPECT_EQ(FitSize(200, 100, 400, 100).cy, 50);
    EXPECT_EQ(FitSize(200, 100, 100, 100).cx, 100);  // too high: fit by height
    EXPECT_EQ(FitSize(200, 100, 100, 100).cy, 100);
    const SIZE thin = FitSize(10, 10, 100000, 1);
    EXPECT_EQ(thin.cx, 10);
    EXPECT_EQ(thin.cy, 1);
    const SIZE none = FitSize(0, 0, 50, 50);
    EXPECT_EQ(none.cx, 1);
    EXPECT_EQ(none.cy, 1);
    // The overview's click divides by the fitted size.
    UniqueDib pic = grey(100000, 1, 128);
    ScrollView view{0, 0, 100, 100, 5000, 3000};
    const POINT p = OverviewScroll(0, 0, pic.get(), view, 0, 0);
    EXPECT_EQ(p.x, 0);
}

TEST(PosterPreview, GridCellsClicksAndZoom) {
    UniqueDib pic = grey(300, 200, 128);
    PosterSetup s = a4Setup(pic.get(), 2, 2);
    const GridGeometry g = gridGeometry(s, 800, 600, 600);
    // cw = 782 / 2 = 391, ch = 6780 x (3910 - 20) / 4725 / 10 = 558: too high for 600, so by
    // height: d = 582, cw = 4725 x (2910 - 20) / 6780 / 10 = 201, ch = 582 / 2 - 2 = 289.
    EXPECT_EQ(g.cw, 201);
    EXPECT_EQ(g.ch, 289);
    EXPECT_EQ(g.stepWidth, 201);
    EXPECT_EQ(g.origin(1, 1).x, 213);
    EXPECT_EQ(g.origin(1, 1).y, 301);
    ASSERT_TRUE(GridHit(g, 213, 10));
    EXPECT_EQ(GridHit(g, 213, 10)->x, 1);
    EXPECT_EQ(GridHit(g, 211, 299)->x, 0);  // edges included
    EXPECT_FALSE(GridHit(g, 212, 10));       // the gap between cells
    EXPECT_FALSE(GridHit(g, 5, 5));

    // Width fits when the box is high enough: cells of 389 x 558.
    const GridGeometry tall = gridGeometry(s, 800, 2000, 2000);
    EXPECT_EQ(tall.cw, 389);
    EXPECT_EQ(tall.ch, 558);

    PageMask mask;
    double zoom = 1;
    EXPECT_TRUE(ClickGrid(g, mask, GridMode::Pages, true, 300, 400, zoom));
    EXPECT_TRUE(mask.off(1, 1));
    EXPECT_TRUE(ClickGrid(g, mask, GridMode::Pages, false, 300, 400, zoom));
    EXPECT_FALSE(mask.off(1, 1));
    EXPECT_DOUBLE_EQ(zoom, 1);
    EXPECT_TRUE(ClickGrid(g, mask, GridMode::Zoom, true, 50, 50, zoom));
    EXPECT_DOUBLE_EQ(zoom, 1.1);
    EXPECT_TRUE(ClickGrid(g, mask, GridMode::Zoom, false, 50, 50, zoom));
    EXPECT_DOUBLE_EQ(zoom, 1.0);
    EXPECT_FALSE(ClickGrid(g, mask, GridMode::Pages, true, 212, 10, zoom));

    // A switched-off page shows a red cross; the others their section.
    s.mask = &mask;
    mask.setOff(0, 0, true);
    Surface surface(800, 600);
    PaintGrid(surface.dc, s, g);
    auto redNear = [&](int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (surface.at(x + dx, y + dy) == 0xFF0000u) return true;
        return false;
    };
    EXPECT_EQ(surface.at(10, 10), 0xFF0000u);        // the cross's corner
    EXPECT_TRUE(redNear(10 + 100, 10 + 144));        // the crossing in the middle
    EXPECT_EQ(surface.at(10 + 100, 10 + 50), 0xFFFFFFu);  // beside the lines: white
    EXPECT_EQ(surface.at(213 + 100, 10 + 50), 0x808080u);     // page (1,0)
    EXPECT_EQ(surface.at(212, 50), 0xFFFFFFu);                // the gap

    // More pages than the mask holds: the extra pages are on and cannot be switched.
    PosterSetup many = a4Setup(pic.get(), 100, 100);
    PageMask big;
    const GridGeometry gm = gridGeometry(many, 20000, 20000, 20000);
    EXPECT_EQ(gm.columns, 100);
    EXPECT_TRUE(ClickGrid(gm, big, GridMode::Pages, true, gm.origin(99, 99).x, gm.origin(99, 99).y, zoom));
    EXPECT_TRUE(big.off(99, 99));
    // No pages: nothing at all.
    PosterSetup none = a4Setup(pic.get(), 0, 0);
    EXPECT_TRUE(gridGeometry(none, 800, 600, 600).empty());
}

TEST(PosterPreview, OneToOneQualityOverviewAndDrags) {
    UniqueDib pic = grey(3000, 2000, 128);
    PosterSetup s = a4Setup(pic.get(), 2, 1);
    s.printer.pageWidth = 4800;
    EXPECT_EQ(QualityText(s), "The quality is 187DPI");  // 187.5 truncated
    const SIZE v = oneToOneSize(s, 96, 96);
    EXPECT_EQ(v.cx, 1536);  // 4800 x 2 x 96 / 600
    EXPECT_EQ(v.cy, 1084);  // 6780 x 96 / 600 = 1084.8
    s.printer.pageWidth = 0;
    EXPECT_EQ(QualityText(s), "The quality is 0DPI");

    // The marker: the visible part of a 1536-wide view in an overview 300 wide.
    ScrollView view{768, 0, 384, 271, 1536, 1084};
    const RECT m = OverviewMarker(SIZE{300, 200}, view);
    EXPECT_EQ(m.left, 150);
    EXPECT_EQ(m.right, 225);
    EXPECT_EQ(m.top, 0);
    EXPECT_EQ(m.bottom, 50);
    const POINT p = OverviewScroll(300, 300, pic.get(), view, 150, 100);  // fitted 300 x 200
    EXPECT_EQ(p.x, 768);
    EXPECT_EQ(p.y, 542);

    EXPECT_EQ(DragScroll(100, 50, 20, 1000), 130);
    EXPECT_EQ(DragScroll(100, 20, 500, 1000), 0);
    EXPECT_EQ(DragScroll(900, 500, 20, 999), 999);
    EXPECT_EQ(DragScroll(900, 500, 20, 1500), 1380);
    EXPECT_EQ(DragScroll(5, 0, 10, 0), 0);
}

TEST(PosterPreview, PagePreviewNumbersAndTheSavedBitmap) {
    platform::ScriptedMessageBoxes boxes;
    UniqueDib pic = grey(300, 200, 128);
    PosterSetup s = a4Setup(pic.get(), 2, 2);
    EXPECT_EQ(LimitPageNumber(9, s), 4);
    EXPECT_EQ(LimitPageNumber(0, s), 1);
    EXPECT_EQ(LimitPageNumber(3, s), 3);
    const SIZE size = pagePreviewSize(s, 96);
    EXPECT_EQ(size.cx, 756);   // 96 x 4725 / 600
    EXPECT_EQ(size.cy, 1084);

    Surface surface(size.cx, size.cy);
    PaintPagePreview(surface.dc, s, size, 2);  // rows outer: page (1,0)
    EXPECT_EQ(surface.at(size.cx / 2, size.cy / 2), 0x808080u);

    testsupport::TempDir dir;
    const std::string file = dir.file("page.bmp");
    ASSERT_EQ(SavePagePreview(QString::fromStdString(file).toStdU16String(), s, 72.5, 3), SaveResult::Saved);
    // truncated(72) x 4725 / 600 = 567 by 72 x 6780 / 600 = 813.6 -> 813.
    const QImage saved(QString::fromStdString(file));
    EXPECT_EQ(saved.width(), 567);
    EXPECT_EQ(saved.height(), 813);
    const auto bytes = testsupport::readFile(file);
    ASSERT_GE(bytes.size(), 54u);
    EXPECT_EQ(bytes[28], 24);  // bits per pixel
    EXPECT_EQ(bytes.size(), 54u + (567 * 3 + 3) / 4 * 4 * 813);
    EXPECT_EQ(saved.pixel(283, 400) & 0xFFFFFF, 0x808080u);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "Picture successful saved...");
    EXPECT_EQ(boxes.captions()[0], "OK");

    boxes.clear();
    EXPECT_EQ(SavePagePreview(u"/nonexistent-folder/page.bmp", s, 72, 1), SaveResult::WriteFailed);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "Error: The file /nonexistent-folder/page.bmp could not be saved!");

    boxes.clear();
    EXPECT_EQ(SavePagePreview(QString::fromStdString(file).toStdU16String(), s, 2880, 1), SaveResult::NoBitmap);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "Could not create Bitmap. Please choose a lower quality!");
    EXPECT_EQ(QImage(QString::fromStdString(file)).width(), 567);  // the old file is kept
}

TEST(PosterPreview, RetouchOutlineAndOrientation) {
    UniqueDib pic = grey(200, 100, 200);
    Surface surface(100, 100);
    const RetouchScale scale = PaintRetouch(surface.dc, 100, 100, pic.get(), RECT{0, 0, 199, 99});
    EXPECT_EQ(scale.drawn.cx, 100);
    EXPECT_EQ(scale.drawn.cy, 50);
    EXPECT_DOUBLE_EQ(scale.x, 0.5);
    EXPECT_EQ(surface.at(0, 0), 0x000000u);  // outline corner
    EXPECT_EQ(surface.at(50, 25), 0xC8C8C8u);
    EXPECT_EQ(surface.at(50, 75), 0xFFFFFFu);

    platform::RecordingPrinter printer;
    auto p = platform::recordingPrinter(printer);
    SwitchOrientation(*p);
    EXPECT_EQ(p->orientation(), platform::PaperOrientation::Landscape);
    SwitchOrientation(*p);
    EXPECT_EQ(p->orientation(), platform::PaperOrientation::Portrait);
}
