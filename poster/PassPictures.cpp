#include "poster/PassPictures.h"

#include "poster/Pixwerk.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace poster {

namespace {

// Truncation toward zero, held well inside the int range so that x + 1 cannot overflow.
int trunc(double v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<int>(std::clamp(std::trunc(v), -1073741824.0, 1073741824.0));
}

bool usable(double v) { return std::isfinite(v); }

// Draws the whole picture into (x, y, x2, y2).
void drawCopy(HDC dc, TDib dib, const RECT& r, bool halftone) {
    DrawDib(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, dib, 0, 0, DibWidth(dib), DibHeight(dib), halftone,
            SRCCOPY, true, nullptr);
}

}  // namespace

double PassCopyHeight(int pictureWidth, int pictureHeight, double width, int areaWidth, int areaHeight) {
    if (pictureWidth <= 0 || pictureHeight <= 0 || areaWidth <= 0 || areaHeight <= 0 || !usable(width)) return 0;
    return static_cast<double>(pictureHeight) * width * areaWidth / pictureWidth / areaHeight;
}

std::vector<RECT> PlacePassCopies(const RECT& area, double width, double height, double spacing,
                                  double margin) {
    std::vector<RECT> copies;
    if (!usable(width) || !usable(height) || !usable(spacing) || !usable(margin)) return copies;
    if (width <= 0 || spacing < 0) return copies;
    const double W = static_cast<double>(area.right) - area.left;
    const double H = static_cast<double>(area.bottom) - area.top;
    if (W <= 0 || H <= 0) return copies;
    int x = trunc(W * margin + area.left);
    int y = trunc(H * margin + area.top);
    auto ends = [&](int& x2, int& y2) {
        x2 = std::max(trunc(W * width + x), x + 1);
        y2 = std::max(trunc(H * height + y), y + 1);
    };
    for (;;) {
        int x2, y2;
        ends(x2, y2);
        if (x2 + W * margin > area.right) {
            x = trunc(area.left + W * margin);
            y = std::max(trunc(H * spacing + y2), y + 1);
            ends(x2, y2);
        }
        if (y2 + H * margin > area.bottom) break;
        copies.push_back(RECT{x, y, x2, y2});
        x = trunc(W * spacing + x2);
    }
    return copies;
}

PrinterCaps UsablePassPage(const PrinterCaps& page) {
    if (page.pageWidth > 0 && page.pageHeight > 0 && page.dpiX > 0 && page.dpiY > 0) return page;
    PrinterCaps c;
    c.dpiX = c.dpiY = 600;
    c.physicalWidth = trunc(210 / 25.4 * 600);
    c.physicalHeight = trunc(297 / 25.4 * 600);
    c.offsetX = c.offsetY = trunc(5 / 25.4 * 600);
    c.pageWidth = trunc(200 / 25.4 * 600);
    c.pageHeight = trunc(287 / 25.4 * 600);
    return c;
}

std::string PassSizeText(const PrinterCaps& printer, int pictureWidth, int pictureHeight, double width,
                         bool millimetres) {
    const PrinterCaps page = UsablePassPage(printer);
    const double height = PassCopyHeight(pictureWidth, pictureHeight, width, page.pageWidth, page.pageHeight);
    const double w = page.pageWidth * width, h = page.pageHeight * height;
    char buf[96];
    if (millimetres)
        std::snprintf(buf, sizeof buf, "%d x %d mm", trunc(w * 25.39995 / page.dpiX), trunc(h * 25.39995 / page.dpiY));
    else
        std::snprintf(buf, sizeof buf, "%s x %s inch", formatTwoDecimals(w / page.dpiX).c_str(),
                      formatTwoDecimals(h / page.dpiY).c_str());
    return buf;
}

RECT PassPreviewCell(const PrinterCaps& printer, int boxWidth, int boxHeight, double fitHeight) {
    const PrinterCaps page = UsablePassPage(printer);
    const long long pw = page.pageWidth, ph = page.pageHeight;
    long long width = boxWidth - 20;
    long long height = ph * (static_cast<long long>(boxWidth) * 10 - 200) / pw / 10;
    if (height > fitHeight) {
        height = boxHeight;
        width = pw * (height * 10 - 200) / ph / 10;
        height -= 20;
    }
    width = std::clamp<long long>(width, 0, 1 << 24);
    height = std::clamp<long long>(height, 0, 1 << 24);
    return RECT{10, 10, static_cast<LONG>(10 + width), static_cast<LONG>(10 + height)};
}

UniqueDib PassThumbnail(TDib dib, int width, int height) {
    UniqueDib small;
    const int w = DibWidth(dib), h = DibHeight(dib);
    if (!dib.Bits || w <= 0 || h <= 0 || width <= 0 || height <= 0) return small;
    const int bits = DibBitCount(dib);
    const int entries = bits <= 8 ? (dib.Info->bmiHeader.biClrUsed ? static_cast<int>(dib.Info->bmiHeader.biClrUsed)
                                                                    : 1 << bits)
                                  : 0;
    newdib(small.out(), width, height, bits, entries ? dib.Info : nullptr, entries);
    if (!small) return small;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            setpixel(small.get(), x, y,
                     getpixel(dib, static_cast<int>(static_cast<long long>(x) * w / width),
                              static_cast<int>(static_cast<long long>(y) * h / height)));
    return small;
}

int PaintPassPreview(HDC dc, TDib dib, const PrinterCaps& printer, const PassValues& v, int boxWidth, int boxHeight,
                     double fitHeight) {
    const RECT cell = PassPreviewCell(printer, boxWidth, boxHeight, fitHeight);
    FillRect(dc, &cell, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const int cw = cell.right - cell.left, ch = cell.bottom - cell.top;
    if (!dib.Bits || cw <= 0 || ch <= 0) return 0;
    const double height = PassCopyHeight(DibWidth(dib), DibHeight(dib), v.width, cw, ch);
    const std::vector<RECT> copies = PlacePassCopies(cell, v.width, height, v.spacing, v.margin);
    if (copies.empty()) return 0;
    // Every copy has the size of the first, give or take a pixel of truncation.
    const int w = copies.front().right - copies.front().left, h = copies.front().bottom - copies.front().top;
    UniqueDib small;
    if (w <= 100 || h <= 100) small = PassThumbnail(dib, w, h);
    const TDib shown = small ? small.get() : dib;
    for (const RECT& r : copies) drawCopy(dc, shown, r, true);
    return static_cast<int>(copies.size());
}

PrintResult PrintPassPictures(PrintTarget& target, TDib dib, const PassValues& v, int previewCount,
                              const ProgressSink& progress) {
    PrintResult result;
    auto tell = [&](int p) {
        if (progress) progress(std::clamp(p, 0, 100));
        KeepPainting();
    };
    target.setTitle(kPassJobTitle);
    if (!target.beginDoc()) {
        ReportPrintFailure(target, u"The pass pictures could not be printed.");
        target.abort();
        result.ok = false;
        return result;
    }
    result.started = true;
    HDC dc = target.handle();
    const PrinterCaps page = UsablePassPage(target.caps());
    const RECT all{0, 0, page.pageWidth, page.pageHeight};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (dib.Bits) {
        const double height = PassCopyHeight(DibWidth(dib), DibHeight(dib), v.width, page.pageWidth, page.pageHeight);
        int drawn = 0;
        for (const RECT& r : PlacePassCopies(all, v.width, height, v.spacing, v.margin)) {
            drawCopy(dc, dib, r, false);
            ++drawn;
            if (previewCount > 0) tell(static_cast<int>(static_cast<long long>(drawn) * 100 / previewCount));
        }
    }
    tell(100);
    if (!target.endDoc()) {
        ReportPrintFailure(target, u"The pass pictures could not be printed.");
        result.ok = false;
    } else {
        result.pages = 1;
    }
    tell(0);
    return result;
}

}  // namespace poster
