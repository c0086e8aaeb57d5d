#include "poster/PosterPreview.h"

#include "platform/atomicfile.h"
#include "platform/fileapi.h"
#include "platform/msgbox.h"
#include "platform/printer.h"
#include "poster/Pixwerk.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace poster {

namespace {

int rounded(double v) { return static_cast<int>(std::nearbyint(v)); }

int truncated(double v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<int>(std::clamp(std::trunc(v), -2147483647.0, 2147483647.0));
}

void whiteFill(HDC dc, int left, int top, int right, int bottom) {
    const RECT r{left, top, right, bottom};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

void dottedLine(HDC dc, int x1, int y1, int x2, int y2) {
    HPEN pen = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    SelectObject(dc, old);
    DeleteObject(pen);
}

void message(const std::u16string& text, const char16_t* caption, UINT type) {
    MessageBoxW(nullptr, reinterpret_cast<LPCWSTR>(text.c_str()), reinterpret_cast<LPCWSTR>(caption), type);
}

int pageCount(const PosterSetup& s) {
    return std::clamp(s.columns, 1, kMaxPages) * std::clamp(s.rows, 1, kMaxPages);
}

}  // namespace

SIZE FitSize(int W, int H, int w, int h) {
    W = std::max(W, 1);
    H = std::max(H, 1);
    if (w <= 0 || h <= 0) return SIZE{W, H};
    long long width = W;
    long long height = static_cast<long long>(W) * h / w;
    if (height > H) {
        width = static_cast<long long>(H) * w / h;
        height = H;
    }
    return SIZE{static_cast<LONG>(std::max(1LL, width)), static_cast<LONG>(std::max(1LL, height))};
}

SIZE PaintFitted(HDC dc, int boxWidth, int boxHeight, TDib dib) {
    const SIZE s = FitSize(boxWidth, boxHeight, DibWidth(dib), DibHeight(dib));
    if (DibWidth(dib) > 0)
        DrawDib(dc, 0, 0, s.cx, s.cy, dib, 0, 0, DibWidth(dib), DibHeight(dib), true, SRCCOPY, true, nullptr);
    return s;
}

RetouchScale PaintRetouch(HDC dc, int boxWidth, int boxHeight, TDib dib, const RECT& section) {
    RetouchScale scale;
    const int w = DibWidth(dib), h = DibHeight(dib);
    if (w <= 0 || h <= 0) return scale;
    scale.drawn = PaintFitted(dc, boxWidth, boxHeight, dib);
    const int dw = scale.drawn.cx, dh = scale.drawn.cy;
    scale.x = static_cast<double>(dw) / w;
    scale.y = static_cast<double>(dh) / h;
    const int l = rounded(static_cast<double>(dw) * section.left / w);
    const int t = rounded(static_cast<double>(dh) * section.top / h);
    const int r = std::min(rounded(static_cast<double>(dw) * section.right / w), dw - 1);
    const int b = std::min(rounded(static_cast<double>(dh) * section.bottom / h), dh - 1);
    HPEN pen = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
    HGDIOBJ old = SelectObject(dc, pen);
    const POINT outline[5] = {{l, t}, {r, t}, {r, b}, {l, b}, {l, t}};
    Polyline(dc, outline, 5);
    SelectObject(dc, old);
    DeleteObject(pen);
    return scale;
}

POINT GridGeometry::origin(int col, int row) const {
    return POINT{col * (stepWidth + 2) + 10, row * (stepHeight + 2) + 10};
}

SIZE GridGeometry::cell(int col, int row) const {
    if (special) return SIZE{col == columns - 1 ? cw : stepWidth, row == rows - 1 ? ch : stepHeight};
    return SIZE{stepWidth, stepHeight};
}

GridGeometry gridGeometry(const PosterSetup& s, int boxWidth, int boxHeight, double fitHeight) {
    GridGeometry g;
    g.columns = std::clamp(s.columns, 0, kMaxPages);
    g.rows = std::clamp(s.rows, 0, kMaxPages);
    if (g.empty()) return g;
    const long long PW = std::max(1, s.printer.pageWidth), PH = std::max(1, s.printer.pageHeight);
    const long long C = g.columns, R = g.rows;
    long long cw = (boxWidth - 18) / C;
    long long ch = PH * ((boxWidth - 18) * 10LL / C - 20) / PW / 10;
    if ((ch + 2) * R + 18 > fitHeight) {
        const long long d = boxHeight - 18;
        cw = PW * (d * 10 / R - 20) / PH / 10;
        ch = d / R - 2;
    } else {
        cw -= 2;
    }
    g.cw = static_cast<int>(cw);
    g.ch = static_cast<int>(ch);
    const double f = s.glueFactor();
    g.pw = (100 - s.glueX * f) * g.cw / 100;
    g.ph = (100 - s.glueY * f) * g.ch / 100;
    if (s.options.showGlue) {
        g.stepWidth = g.cw;
        g.stepHeight = g.ch;
    } else {
        g.stepWidth = rounded(g.pw);
        g.stepHeight = rounded(g.ph);
    }
    g.special = s.options.noGlueAtEdge && s.options.edgeForGlue;
    return g;
}

void XitOut(HDC dc, int left, int top, int right, int bottom) {
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, left, top, nullptr);
    LineTo(dc, right, bottom);
    MoveToEx(dc, left, bottom, nullptr);
    LineTo(dc, right, top);
    SelectObject(dc, old);
    DeleteObject(pen);
}

void PaintGrid(HDC dc, const PosterSetup& s, const GridGeometry& g) {
    if (g.empty()) return;
    const bool grow = s.options.showGlue;
    const int pw = rounded(g.pw), ph = rounded(g.ph);
    for (int i = 0; i < g.columns; ++i) {
        for (int j = 0; j < g.rows; ++j) {
            const POINT o = g.origin(i, j);
            const SIZE c = g.cell(i, j);
            whiteFill(dc, o.x, o.y, o.x + c.cx, o.y + c.cy);
            const bool off = s.pageOff(i, j);
            if (g.special) {
                if (off) XitOut(dc, o.x, o.y, o.x + c.cx, o.y + c.cy);
                else SpezialPrintPage(dc, s, i, j, o.x, o.y, o.x + pw, o.y + ph, false, grow);
            } else {
                if (off) XitOut(dc, o.x, o.y, o.x + pw, o.y + ph);
                else PrintPage(dc, s, i, j, o.x, o.y, o.x + pw, o.y + ph, false, grow);
            }
            if (s.options.showGlue && s.options.edgeForGlue) {
                if (!(i == g.columns - 1 && s.options.noGlueAtEdge))
                    dottedLine(dc, o.x + pw + 1, o.y, o.x + pw + 1, o.y + c.cy);
                if (!(j == g.rows - 1 && s.options.noGlueAtEdge))
                    dottedLine(dc, o.x, o.y + ph + 1, o.x + c.cx, o.y + ph + 1);
            }
        }
    }
}

std::optional<POINT> GridHit(const GridGeometry& g, int x, int y) {
    if (g.empty()) return std::nullopt;
    for (int i = 0; i < g.columns; ++i) {
        for (int j = 0; j < g.rows; ++j) {
            const POINT o = g.origin(i, j);
            const SIZE c = g.cell(i, j);
            if (x >= o.x && x <= o.x + c.cx && y >= o.y && y <= o.y + c.cy) return POINT{i, j};
        }
    }
    return std::nullopt;
}

bool ClickGrid(const GridGeometry& g, PageMask& mask, GridMode mode, bool leftButton, int x, int y,
               double& zoom) {
    const std::optional<POINT> hit = GridHit(g, x, y);
    if (!hit) return false;
    if (mode == GridMode::Pages) {
        if (!mask.inside(hit->x, hit->y)) return false;
        mask.toggle(hit->x, hit->y);
        return true;
    }
    zoom = leftButton ? zoom * 1.1 : zoom / 1.1;
    return true;
}

SIZE oneToOneSize(const PosterSetup& s, int screenDpiX, int screenDpiY) {
    const PrinterCaps& p = s.printer;
    const int w = truncated(p.pageWidth * s.across * screenDpiX / std::max(1, p.dpiX));
    const int h = truncated(p.pageHeight * s.down * screenDpiY / std::max(1, p.dpiY));
    return SIZE{std::max(1, w), std::max(1, h)};
}

void PaintOneToOne(HDC dc, int width, int height, TDib dib) {
    if (DibWidth(dib) <= 0) return;
    DrawDib(dc, 0, 0, width, height, dib, 0, 0, DibWidth(dib), DibHeight(dib), true, SRCCOPY, true, nullptr);
}

std::string QualityText(const PosterSetup& s) {
    const double inches = s.printer.pageWidth * s.across / std::max(1, s.printer.dpiX);
    const int dpi = inches > 0 ? truncated(DibWidth(s.dib) / inches) : 0;
    return "The quality is " + std::to_string(dpi) + "DPI";
}

RECT OverviewMarker(SIZE drawn, const ScrollView& v) {
    const long long fw = std::max(1, v.fullWidth), fh = std::max(1, v.fullHeight);
    RECT r;
    r.left = static_cast<LONG>(drawn.cx * static_cast<long long>(v.posX) / fw);
    r.right = static_cast<LONG>(r.left + drawn.cx * static_cast<long long>(v.clientWidth) / fw);
    r.top = static_cast<LONG>(drawn.cy * static_cast<long long>(v.posY) / fh);
    r.bottom = static_cast<LONG>(r.top + drawn.cy * static_cast<long long>(v.clientHeight) / fh);
    return r;
}

void PaintOverview(HDC dc, int boxWidth, int boxHeight, TDib dib, const ScrollView& view) {
    const SIZE drawn = PaintFitted(dc, boxWidth, boxHeight, dib);
    const RECT m = OverviewMarker(drawn, view);
    HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
    HGDIOBJ old = SelectObject(dc, brush);
    Rectangle(dc, m.left, m.top, m.right, m.bottom);
    SelectObject(dc, old);
    DeleteObject(brush);
}

POINT OverviewScroll(int boxWidth, int boxHeight, TDib dib, const ScrollView& v, int x, int y) {
    const SIZE drawn = FitSize(boxWidth, boxHeight, DibWidth(dib), DibHeight(dib));
    return POINT{static_cast<LONG>(static_cast<long long>(x) * v.fullWidth / drawn.cx),
                 static_cast<LONG>(static_cast<long long>(y) * v.fullHeight / drawn.cy)};
}

int DragScroll(int oldPosition, int pressed, int now, int maxPosition) {
    return std::clamp(oldPosition + (pressed - now), 0, std::max(0, maxPosition));
}

SIZE pagePreviewSize(const PosterSetup& s, double dpi) {
    const int w = truncated(dpi * s.printer.pageWidth / std::max(1, s.printer.dpiX));
    const int h = truncated(dpi * s.printer.pageHeight / std::max(1, s.printer.dpiY));
    return SIZE{std::max(1, w), std::max(1, h)};
}

void PaintPagePreview(HDC dc, const PosterSetup& s, SIZE size, int number) {
    whiteFill(dc, 0, 0, size.cx, size.cy);
    PrintPageScreen(dc, s, size.cx, number, size.cy);
}

int LimitPageNumber(int number, const PosterSetup& s) { return std::clamp(number, 1, pageCount(s)); }

SaveResult SavePagePreview(const std::u16string& path, const PosterSetup& s, double dpi, int number) {
    const double q = std::trunc(dpi);
    const long long w = truncated(q * s.printer.pageWidth / std::max(1, s.printer.dpiX));
    const long long h = truncated(q * s.printer.pageHeight / std::max(1, s.printer.dpiY));
    const long long lineBytes = (w * 3 + 3) / 4 * 4;
    // A bitmap the platform cannot hold is refused before anything is allocated.
    if (w <= 0 || h <= 0 || lineBytes * h > (1LL << 30)) {
        message(u"Could not create Bitmap. Please choose a lower quality!", u"", MB_OK | MB_ICONERROR);
        return SaveResult::NoBitmap;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = static_cast<LONG>(w);
    info.bmiHeader.biHeight = static_cast<LONG>(h);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = static_cast<DWORD>(lineBytes * h);
    HDC mem = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    HBITMAP bitmap = mem ? CreateDIBSection(mem, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (!bitmap || !bits) {
        if (bitmap) DeleteObject(bitmap);
        if (mem) DeleteDC(mem);
        message(u"Could not create Bitmap. Please choose a lower quality!", u"", MB_OK | MB_ICONERROR);
        return SaveResult::NoBitmap;
    }
    HGDIOBJ old = SelectObject(mem, bitmap);
    whiteFill(mem, 0, 0, static_cast<int>(w), static_cast<int>(h));
    PrintPageScreen(mem, s, static_cast<int>(w), number, static_cast<int>(h));
    SelectObject(mem, old);
    DeleteDC(mem);

    // The bitmap file: file header, info header, bottom-up rows.
    const DWORD headerBytes = 14 + 40;
    const unsigned long long fileBytes = headerBytes + static_cast<unsigned long long>(lineBytes * h);
    unsigned char header[headerBytes] = {};
    auto put16 = [&](int at, unsigned v) {
        header[at] = v & 0xFF;
        header[at + 1] = (v >> 8) & 0xFF;
    };
    auto put32 = [&](int at, unsigned long long v) {
        for (int i = 0; i < 4; ++i) header[at + i] = (v >> (8 * i)) & 0xFF;
    };
    header[0] = 'B';
    header[1] = 'M';
    put32(2, fileBytes);
    put32(10, headerBytes);
    put32(14, 40);
    put32(18, static_cast<unsigned long long>(w));
    put32(22, static_cast<unsigned long long>(h));
    put16(26, 1);
    put16(28, 24);
    put32(34, static_cast<unsigned long long>(lineBytes * h));
    put32(38, 3780);  // 96 dpi in pixels per metre
    put32(42, 3780);

    platform::AtomicFile file(platform::wideToFileName(path));
    const bool ok = file.open() && file.write(header, static_cast<std::size_t>(headerBytes)) &&
                    file.write(bits, static_cast<std::size_t>(lineBytes * h)) && file.commit();
    DeleteObject(bitmap);
    if (!ok) {
        message(u"Error: The file " + path + u" could not be saved!", u"Error", MB_OK | MB_ICONERROR);
        return SaveResult::WriteFailed;
    }
    message(u"Picture successful saved...", u"OK", MB_OK | MB_ICONINFORMATION);
    return SaveResult::Saved;
}

void SwitchOrientation(platform::Printer& printer) {
    printer.setOrientation(printer.orientation() == platform::PaperOrientation::Portrait
                               ? platform::PaperOrientation::Landscape
                               : platform::PaperOrientation::Portrait);
}

}  // namespace poster
