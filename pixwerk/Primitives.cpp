// Raster primitives: pixels, lines, rectangles and ellipses drawn into a picture.
#include "pixwerk/Primitives.h"
#include "platform/gdi.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace pixwerk {

bool Canvas::open(const TDib& dib) {
    if (!dib.Bits || !dib.Info) return false;
    const BITMAPINFOHEADER& h = dib.Info->bmiHeader;
    if (h.biWidth <= 0 || h.biHeight <= 0) return false;
    if (h.biBitCount != 1 && h.biBitCount != 4 && h.biBitCount != 8 && h.biBitCount != 24) return false;
    dib_ = dib;
    width_ = h.biWidth;
    height_ = h.biHeight;
    bits_ = h.biBitCount;
    return true;
}

int Canvas::get(int x, int y) const {
    const BYTE* row = rowFromTop(dib_, y);
    if (bits_ == 24) return row[3 * x + 2] | row[3 * x + 1] << 8 | row[3 * x] << 16;
    return static_cast<int>(indexAt(row, x, bits_));
}

void Canvas::put(int x, int y, int value) const {
    BYTE* row = rowFromTop(dib_, y);
    if (bits_ == 24) {
        row[3 * x] = static_cast<BYTE>(value >> 16);
        row[3 * x + 1] = static_cast<BYTE>(value >> 8);
        row[3 * x + 2] = static_cast<BYTE>(value);
    } else {
        setIndexAt(row, x, bits_, static_cast<unsigned>(value));
    }
}

void Canvas::span(std::int64_t y, std::int64_t x1, std::int64_t x2, int value) const {
    if (y < 0 || y >= height_) return;
    const int from = static_cast<int>(std::max<std::int64_t>(x1, 0));
    const int to = static_cast<int>(std::min<std::int64_t>(x2, width_ - 1));
    for (int x = from; x <= to; ++x) put(x, static_cast<int>(y), value);
}

void Canvas::column(std::int64_t x, std::int64_t y1, std::int64_t y2, int value) const {
    if (x < 0 || x >= width_) return;
    const int from = static_cast<int>(std::max<std::int64_t>(y1, 0));
    const int to = static_cast<int>(std::min<std::int64_t>(y2, height_ - 1));
    for (int y = from; y <= to; ++y) put(static_cast<int>(x), y, value);
}

namespace {

// The ellipse that touches the outer edges of the pixels x1..x2, y1..y2 (inclusive).
class EllipseRows {
public:
    EllipseRows(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2)
        : left_(std::min(x1, x2)), right_(std::max(x1, x2)), top_(std::min(y1, y2)), bottom_(std::max(y1, y2)),
          cx_((static_cast<double>(left_) + static_cast<double>(right_)) / 2),
          cy_((static_cast<double>(top_) + static_cast<double>(bottom_)) / 2),
          a_(static_cast<double>(right_ - left_) / 2 + 0.5), b_(static_cast<double>(bottom_ - top_) / 2 + 0.5) {}

    std::int64_t top() const { return top_; }
    std::int64_t bottom() const { return bottom_; }

    // The pixels of row y inside the ellipse; at least the centre column(s).
    void span(std::int64_t y, std::int64_t& xl, std::int64_t& xr) const {
        const double dy = (static_cast<double>(y) - cy_) / b_;
        const double half = a_ * std::sqrt(std::max(0.0, 1 - dy * dy));
        xl = static_cast<std::int64_t>(std::ceil(cx_ - half));
        xr = static_cast<std::int64_t>(std::floor(cx_ + half));
        if (xl > xr) {
            xl = static_cast<std::int64_t>(std::floor(cx_));
            xr = static_cast<std::int64_t>(std::ceil(cx_));
        }
        xl = std::max(xl, left_);
        xr = std::min(xr, right_);
    }

    // Whether row y belongs to the ellipse, and its span.
    bool rowSpan(std::int64_t y, std::int64_t& xl, std::int64_t& xr) const {
        if (y < top_ || y > bottom_) return false;
        span(y, xl, xr);
        return true;
    }

private:
    std::int64_t left_, right_, top_, bottom_;
    double cx_, cy_, a_, b_;
};

// Rows of the picture that an extent y1..y2 covers.
void clippedRows(const Canvas& c, std::int64_t y1, std::int64_t y2, std::int64_t& from, std::int64_t& to) {
    from = std::max<std::int64_t>(y1, 0);
    to = std::min<std::int64_t>(y2, c.height() - 1);
}

}  // namespace

void drawLine(const Canvas& c, std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, int value) {
    const std::int64_t dx = x2 - x1, dy = y2 - y1;
    const bool alongX = std::llabs(dx) >= std::llabs(dy);
    // Major and minor axes: the minor coordinate at step k is the nearest to the exact line.
    const std::int64_t m0 = alongX ? x1 : y1, n0 = alongX ? y1 : x1;
    const std::int64_t steps = std::llabs(alongX ? dx : dy), rise = std::llabs(alongX ? dy : dx);
    const int ms = (alongX ? dx : dy) < 0 ? -1 : 1, ns = (alongX ? dy : dx) < 0 ? -1 : 1;
    const std::int64_t size = alongX ? c.width() : c.height();
    // Only the steps whose major coordinate lies inside the picture.
    std::int64_t kFrom = ms > 0 ? -m0 : m0 - (size - 1), kTo = ms > 0 ? size - 1 - m0 : m0;
    kFrom = std::max<std::int64_t>(kFrom, 0);
    kTo = std::min(kTo, steps);
    for (std::int64_t k = kFrom; k <= kTo; ++k) {
        const __int128 num = static_cast<__int128>(2) * k * rise + steps;
        const std::int64_t minor = steps ? static_cast<std::int64_t>(num / (2 * static_cast<__int128>(steps))) : 0;
        const std::int64_t m = m0 + ms * k, n = n0 + ns * minor;
        if (alongX) c.point(m, n, value);
        else c.point(n, m, value);
    }
}

void drawRectangle(const Canvas& c, std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, int value,
                   bool filled) {
    const std::int64_t l = std::min(x1, x2), r = std::max(x1, x2), t = std::min(y1, y2), b = std::max(y1, y2);
    std::int64_t from = 0, to = 0;
    clippedRows(c, t, b, from, to);
    if (filled) {
        for (std::int64_t y = from; y <= to; ++y) c.span(y, l, r, value);
        return;
    }
    c.span(t, l, r, value);
    c.span(b, l, r, value);
    c.column(l, t, b, value);
    c.column(r, t, b, value);
}

void drawEllipse(const Canvas& c, std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, int value,
                 bool filled) {
    const EllipseRows e(x1, y1, x2, y2);
    std::int64_t from = 0, to = 0;
    clippedRows(c, e.top(), e.bottom(), from, to);
    for (std::int64_t y = from; y <= to; ++y) {
        std::int64_t xl = 0, xr = 0;
        e.span(y, xl, xr);
        if (filled) {
            c.span(y, xl, xr, value);
            continue;
        }
        // The outline: pixels of the row that are not inside the rows above and below.
        std::int64_t al = 0, ar = -1, bl = 0, br = -1;
        const bool above = e.rowSpan(y - 1, al, ar), below = e.rowSpan(y + 1, bl, br);
        std::int64_t il = xl + 1, ir = xr - 1;
        if (above && below) {
            il = std::max({il, al, bl});
            ir = std::min({ir, ar, br});
        } else {
            ir = il - 1;  // the first and last rows are outline throughout
        }
        if (il > ir) {
            c.span(y, xl, xr, value);
        } else {
            c.span(y, xl, il - 1, value);
            c.span(y, ir + 1, xr, value);
        }
    }
}

}  // namespace pixwerk

using pixwerk::Canvas;

extern "C" int getpixel(TDib dib, int x, int y) {
    Canvas c;
    return c.open(dib) && c.inside(x, y) ? c.get(x, y) : 0;
}

extern "C" void setpixel(TDib dib, int x, int y, int value) {
    DibPixelsChanged(dib);
    Canvas c;
    if (c.open(dib)) c.point(x, y, value);
}

extern "C" void line(TDib dib, int x1, int y1, int x2, int y2, int colour) {
    DibPixelsChanged(dib);
    Canvas c;
    if (c.open(dib)) pixwerk::drawLine(c, x1, y1, x2, y2, colour);
}

extern "C" void rechteck(TDib dib, int x1, int y1, int x2, int y2, int colour) {
    DibPixelsChanged(dib);
    Canvas c;
    if (c.open(dib)) pixwerk::drawRectangle(c, x1, y1, x2, y2, colour, false);
}

extern "C" void recht_filled(TDib dib, int x1, int y1, int x2, int y2, int colour) {
    DibPixelsChanged(dib);
    Canvas c;
    if (c.open(dib)) pixwerk::drawRectangle(c, x1, y1, x2, y2, colour, true);
}

extern "C" void ellipse(TDib dib, int x1, int y1, int x2, int y2, int colour) {
    DibPixelsChanged(dib);
    Canvas c;
    if (c.open(dib)) pixwerk::drawEllipse(c, x1, y1, x2, y2, colour, false);
}

extern "C" void FilledEllipse(TDib dib, int x1, int y1, int x2, int y2, int colour) {
    DibPixelsChanged(dib);
    Canvas c;
    if (c.open(dib)) pixwerk::drawEllipse(c, x1, y1, x2, y2, colour, true);
}

// An ellipse outline with the device context's pen, as a full arc (the brush is not used).
extern "C" void ScreenEllipse(HDC dc, int x1, int y1, int x2, int y2) {
    const int left = std::min(x1, x2), top = std::min(y1, y2), right = std::max(x1, x2), bottom = std::max(y1, y2);
    Arc(dc, left, top, right, bottom, left, top, left, top);
}

extern "C" double power(double x, double y) { return std::pow(x, y); }
