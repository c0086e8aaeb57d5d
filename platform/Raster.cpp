// Nearest-neighbour stretching with raster operations, DIB row access and conversions.
#include "Raster.h"

#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <thread>

namespace platform::gdi::raster {
namespace {

constexpr QRgb kOpaque = 0xFF000000u;

// Raster operations on RGB32 pixels; the alpha byte stays opaque.
struct OpCopy {
    static constexpr bool copy = true;
    QRgb operator()(QRgb s, QRgb) const { return s; }
};
struct OpXor {
    static constexpr bool copy = false;
    QRgb operator()(QRgb s, QRgb d) const { return (s ^ d) | kOpaque; }
};
struct OpAnd {
    static constexpr bool copy = false;
    QRgb operator()(QRgb s, QRgb d) const { return s & d; }
};
struct OpOr {
    static constexpr bool copy = false;
    QRgb operator()(QRgb s, QRgb d) const { return s | d; }
};
struct OpNotSrc {
    static constexpr bool copy = true;
    QRgb operator()(QRgb s, QRgb) const { return ~s | kOpaque; }
};
// Any ternary operation: bit i of the code is the result for pattern (bit 2), source (bit 1)
// and destination (bit 0).
struct OpTernary {
    static constexpr bool copy = false;
    BYTE code;
    QRgb pattern;
    QRgb operator()(QRgb s, QRgb d) const {
        QRgb r = 0;
        for (int i = 0; i < 8; ++i) {
            if (!((code >> i) & 1)) continue;
            r |= ((i & 4) ? pattern : ~pattern) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
        }
        return r | kOpaque;
    }
};

// Pixel fetches; `o` is the column's entry of the column table.
struct Fetch24 {
    static std::uint32_t offset(int x) { return static_cast<std::uint32_t>(x) * 3; }
    QRgb operator()(const uchar* row, std::uint32_t o) const {
        const uchar* p = row + o;
        return kOpaque | (QRgb(p[2]) << 16) | (QRgb(p[1]) << 8) | p[0];
    }
};
struct Fetch32 {
    static std::uint32_t offset(int x) { return static_cast<std::uint32_t>(x) * 4; }
    QRgb operator()(const uchar* row, std::uint32_t o) const {
        QRgb v;
        std::memcpy(&v, row + o, 4);
        return v | kOpaque;
    }
};
struct Fetch8 {
    const QRgb* lut;
    static std::uint32_t offset(int x) { return static_cast<std::uint32_t>(x); }
    QRgb operator()(const uchar* row, std::uint32_t o) const { return lut[row[o]]; }
};
struct Fetch4 {
    const QRgb* lut;
    static std::uint32_t offset(int x) { return static_cast<std::uint32_t>(x); }
    QRgb operator()(const uchar* row, std::uint32_t o) const {
        return lut[(row[o >> 1] >> ((o & 1) ? 0 : 4)) & 0xF];
    }
};
struct Fetch1 {
    const QRgb* lut;
    static std::uint32_t offset(int x) { return static_cast<std::uint32_t>(x); }
    QRgb operator()(const uchar* row, std::uint32_t o) const { return lut[(row[o >> 3] >> (7 - (o & 7))) & 1]; }
};

std::uint32_t columnOffset(Source::Kind kind, int x) {
    switch (kind) {
    case Source::Bits24: return Fetch24::offset(x);
    case Source::Bits32:
    case Source::Rgb32: return Fetch32::offset(x);
    default: return static_cast<std::uint32_t>(x);
    }
}

// The source step of destination step k.
inline int sourceAt(const Axis& a, int k) {
    const std::int64_t step = static_cast<std::int64_t>(k) * std::abs(static_cast<std::int64_t>(a.srcExt)) /
                              std::abs(static_cast<std::int64_t>(a.dstExt));
    return a.srcExt > 0 ? static_cast<int>(a.src + step) : static_cast<int>(a.src - step);
}

// Destination step of device coordinate c.
inline int stepOf(const Axis& a, int c) { return a.dstExt > 0 ? c - a.dst : a.dst - c; }

struct Tables {
    QRect bounds;
    std::vector<std::uint32_t> cols;  // per column of bounds
    int validLeft = INT_MAX, validRight = INT_MIN;  // device columns with a source column
    std::vector<int> rows;  // per row of bounds: source row or -1
};

Tables makeTables(const QRect& bounds, const Axis& h, const Axis& v, const Source& src) {
    Tables t;
    t.bounds = bounds;
    t.cols.resize(static_cast<std::size_t>(bounds.width()));
    for (int x = bounds.left(); x <= bounds.right(); ++x) {
        const int s = sourceAt(h, stepOf(h, x));
        if (s < 0 || s >= src.width) continue;
        t.cols[static_cast<std::size_t>(x - bounds.left())] = columnOffset(src.kind, s);
        t.validLeft = std::min(t.validLeft, x);
        t.validRight = std::max(t.validRight, x);
    }
    t.rows.resize(static_cast<std::size_t>(bounds.height()));
    for (int y = bounds.top(); y <= bounds.bottom(); ++y) {
        const int s = sourceAt(v, stepOf(v, y));
        t.rows[static_cast<std::size_t>(y - bounds.top())] = (s >= src.rowBegin && s < src.rowEnd) ? s : -1;
    }
    return t;
}

template <class Fetch, class Op>
void blit(uchar* bits, qsizetype bpl, const QRect& r, const Tables& t, const Source& src, const Fetch& fetch,
          const Op& op) {
    const int xl = std::max(r.left(), t.validLeft);
    const int xr = std::min(r.right(), t.validRight);
    if (xl > xr) return;
    const std::uint32_t* cols = t.cols.data() + (xl - t.bounds.left());
    const int n = xr - xl + 1;
    int previous = -1;
    const QRgb* previousRow = nullptr;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const int sy = t.rows[static_cast<std::size_t>(y - t.bounds.top())];
        if (sy < 0) {
            previous = -1;
            continue;
        }
        QRgb* d = reinterpret_cast<QRgb*>(bits + bpl * y) + xl;
        if (Op::copy && sy == previous) {
            // A repeated source row gives the same pixels as the row above.
            std::memcpy(d, previousRow, static_cast<std::size_t>(n) * sizeof(QRgb));
        } else {
            const uchar* row = src.row(sy);
            for (int i = 0; i < n; ++i) d[i] = op(fetch(row, cols[i]), d[i]);
        }
        previous = sy;
        previousRow = d;
    }
}

template <class Op>
void blitOp(uchar* bits, qsizetype bpl, const QRect& r, const Tables& t, const Source& src, const Op& op) {
    switch (src.kind) {
    case Source::Bits1: blit(bits, bpl, r, t, src, Fetch1{src.lut.data()}, op); break;
    case Source::Bits4: blit(bits, bpl, r, t, src, Fetch4{src.lut.data()}, op); break;
    case Source::Bits8: blit(bits, bpl, r, t, src, Fetch8{src.lut.data()}, op); break;
    case Source::Bits24: blit(bits, bpl, r, t, src, Fetch24{}, op); break;
    case Source::Bits32:
    case Source::Rgb32: blit(bits, bpl, r, t, src, Fetch32{}, op); break;
    }
}

void blitRect(uchar* bits, qsizetype bpl, const QRect& r, const Tables& t, const Source& src, DWORD rop, QRgb pattern) {
    switch (rop) {
    case SRCCOPY: blitOp(bits, bpl, r, t, src, OpCopy{}); break;
    case SRCINVERT: blitOp(bits, bpl, r, t, src, OpXor{}); break;
    case SRCAND: blitOp(bits, bpl, r, t, src, OpAnd{}); break;
    case SRCPAINT: blitOp(bits, bpl, r, t, src, OpOr{}); break;
    case NOTSRCCOPY: blitOp(bits, bpl, r, t, src, OpNotSrc{}); break;
    default: blitOp(bits, bpl, r, t, src, OpTernary{static_cast<BYTE>((rop >> 16) & 0xFF), pattern}); break;
    }
}

// Large areas are split into bands of rows drawn side by side.
constexpr std::int64_t kBandPixels = std::int64_t(1) << 20;

unsigned bandThreads() {
    static const unsigned n = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    return n;
}

// A normalised interval of one axis.
struct Span {
    double lo, hi;
};

}  // namespace

QRgb Source::pixel(int x, int y) const {
    const uchar* r = row(y);
    switch (kind) {
    case Bits1: return Fetch1{lut.data()}(r, Fetch1::offset(x));
    case Bits4: return Fetch4{lut.data()}(r, Fetch4::offset(x));
    case Bits8: return Fetch8{lut.data()}(r, Fetch8::offset(x));
    case Bits24: return Fetch24{}(r, Fetch24::offset(x));
    case Bits32:
    case Rgb32: return Fetch32{}(r, Fetch32::offset(x));
    }
    return kOpaque;
}

bool readDibFormat(const BITMAPINFO* info, DibFormat& out) {
    if (!info) return false;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > 4096) return false;
    if (h.biCompression != BI_RGB) return false;
    const int bits = h.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return false;
    const std::int64_t lineBytes = ((static_cast<std::int64_t>(h.biWidth) * bits + 31) / 32) * 4;
    const std::int64_t rows = std::abs(static_cast<std::int64_t>(h.biHeight));
    if (lineBytes > INT32_MAX || lineBytes * rows > (std::int64_t(1) << 40)) return false;
    out.width = h.biWidth;
    out.height = static_cast<int>(rows);
    out.bitCount = bits;
    out.topDown = h.biHeight < 0;
    out.lineBytes = static_cast<LONG>(lineBytes);
    out.imageBytes = static_cast<std::size_t>(lineBytes * rows);
    if (bits <= 8) {
        const int most = 1 << bits;
        out.tableEntries = h.biClrUsed ? static_cast<int>(std::min<DWORD>(h.biClrUsed, static_cast<DWORD>(most))) : most;
    } else {
        out.tableEntries = 0;
    }
    return true;
}

bool dibSource(const BITMAPINFO* info, const void* bits, UINT usage, const std::vector<PALETTEENTRY>& palette,
               UINT startScan, UINT scans, Source& out) {
    DibFormat f;
    if (!bits || !readDibFormat(info, f)) return false;
    out = Source{};
    switch (f.bitCount) {
    case 1: out.kind = Source::Bits1; break;
    case 4: out.kind = Source::Bits4; break;
    case 8: out.kind = Source::Bits8; break;
    case 24: out.kind = Source::Bits24; break;
    default: out.kind = Source::Bits32; break;
    }
    out.width = f.width;
    out.height = f.height;
    out.colours = f.tableEntries;
    out.lut.fill(kOpaque);
    const BYTE* table = reinterpret_cast<const BYTE*>(info) + info->bmiHeader.biSize;
    for (int i = 0; i < f.tableEntries; ++i) {
        if (usage == DIB_PAL_COLORS) {
            WORD index;
            std::memcpy(&index, table + 2 * i, 2);
            if (index < palette.size()) {
                const PALETTEENTRY& e = palette[index];
                out.lut[static_cast<std::size_t>(i)] = qRgb(e.peRed, e.peGreen, e.peBlue);
            }
        } else {
            RGBQUAD q;
            std::memcpy(&q, table + 4 * i, 4);
            out.lut[static_cast<std::size_t>(i)] = qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
        }
    }
    const std::int64_t first = startScan;
    const std::int64_t last = std::min<std::int64_t>(first + scans, f.height);
    if (first >= f.height || last <= first) {
        out.base = static_cast<const uchar*>(bits);
        out.rowBegin = out.rowEnd = 0;
        return true;
    }
    out.base = static_cast<const uchar*>(bits);
    if (f.topDown) {
        out.baseRow = static_cast<int>(first);
        out.stride = f.lineBytes;
        out.rowBegin = static_cast<int>(first);
        out.rowEnd = static_cast<int>(last);
    } else {
        out.baseRow = static_cast<int>(f.height - 1 - first);
        out.stride = -static_cast<std::ptrdiff_t>(f.lineBytes);
        out.rowBegin = static_cast<int>(f.height - last);
        out.rowEnd = static_cast<int>(f.height - first);
    }
    return true;
}

Source imageSource(const QImage& image) {
    Source s;
    s.kind = Source::Rgb32;
    s.width = image.width();
    s.height = image.height();
    s.base = image.constBits();
    s.baseRow = 0;
    s.stride = image.bytesPerLine();
    s.rowBegin = 0;
    s.rowEnd = image.height();
    return s;
}

Axis dibRows(int y, int destHeight, int srcY, int srcHeight, int pictureHeight) {
    Axis a;
    a.dst = y;
    a.dstExt = destHeight;
    if (srcHeight >= 0) {
        a.src = pictureHeight - srcY - srcHeight;
        a.srcExt = srcHeight;
    } else {
        // Bottom-up rows srcY - |h| + 1 .. srcY, taken from the bottom one upward.
        a.src = pictureHeight - 1 - srcY - srcHeight - 1;
        a.srcExt = srcHeight;
    }
    return a;
}

QRect destRect(const Axis& h, const Axis& v) {
    auto span = [](const Axis& a, int& lo, int& n) {
        n = std::abs(a.dstExt);
        lo = a.dstExt > 0 ? a.dst : a.dst - n + 1;
    };
    int x, w, y, hgt;
    span(h, x, w);
    span(v, y, hgt);
    return QRect(x, y, w, hgt);
}

bool ropUsesSource(DWORD rop) {
    const BYTE code = static_cast<BYTE>((rop >> 16) & 0xFF);
    // The result depends on the source when some pair of inputs differing only in S differs.
    for (int i = 0; i < 8; ++i)
        if (!(i & 2) && (((code >> i) & 1) != ((code >> (i | 2)) & 1))) return true;
    return false;
}

QRect stretch(QImage& target, const QRegion& clip, const Axis& h, const Axis& v, const Source& src, DWORD rop,
              QRgb pattern) {
    if (!h.dstExt || !v.dstExt || !h.srcExt || !v.srcExt || src.width <= 0 || target.isNull()) return {};
    const QRegion area = clip.intersected(destRect(h, v)).intersected(target.rect());
    if (area.isEmpty()) return {};
    const Tables t = makeTables(area.boundingRect(), h, v, src);
    if (t.validLeft > t.validRight) return {};
    uchar* bits = target.bits();
    const qsizetype bpl = target.bytesPerLine();
    for (const QRect& r : area) {
        const unsigned threads = bandThreads();
        if (threads < 2 || static_cast<std::int64_t>(r.width()) * r.height() < kBandPixels || r.height() < 2 * int(threads)) {
            blitRect(bits, bpl, r, t, src, rop, pattern);
            continue;
        }
        std::vector<std::thread> helpers;
        const int band = (r.height() + int(threads) - 1) / int(threads);
        for (int top = r.top() + band; top <= r.bottom(); top += band) {
            const QRect part(r.left(), top, r.width(), std::min(band, r.bottom() + 1 - top));
            helpers.emplace_back([=, &t, &src] { blitRect(bits, bpl, part, t, src, rop, pattern); });
        }
        blitRect(bits, bpl, QRect(r.left(), r.top(), r.width(), band), t, src, rop, pattern);
        for (std::thread& h : helpers) h.join();
    }
    return area.boundingRect();
}

QRect patternFill(QImage& target, const QRegion& clip, const QRect& rect, DWORD rop, QRgb pattern) {
    const QRegion area = clip.intersected(rect.normalized()).intersected(target.rect());
    if (area.isEmpty()) return {};
    const OpTernary op{static_cast<BYTE>((rop >> 16) & 0xFF), pattern};
    for (const QRect& r : area)
        for (int y = r.top(); y <= r.bottom(); ++y) {
            QRgb* d = reinterpret_cast<QRgb*>(target.scanLine(y));
            for (int x = r.left(); x <= r.right(); ++x) d[x] = op(0, d[x]);
        }
    return area.boundingRect();
}

void drawThroughPainter(QPainter& painter, const Axis& h, const Axis& v, const Source& src) {
    if (!h.dstExt || !v.dstExt || !h.srcExt || !v.srcExt || src.width <= 0) return;
    // Normalised source spans, mirrored when the signs of the extents differ.
    auto srcSpan = [](const Axis& a) {
        const int n = std::abs(a.srcExt);
        return a.srcExt > 0 ? Span{double(a.src), double(a.src + n)} : Span{double(a.src - n + 1), double(a.src + 1)};
    };
    auto dstSpan = [](const Axis& a) {
        const int n = std::abs(a.dstExt);
        return a.dstExt > 0 ? Span{double(a.dst), double(a.dst + n)} : Span{double(a.dst - n + 1), double(a.dst + 1)};
    };
    // Clip the source to what exists and shrink the destination with it.
    auto clipAxis = [](Span s, Span d, bool mirror, double lo, double hi, Span& sOut, Span& dOut) {
        const double scale = (d.hi - d.lo) / (s.hi - s.lo);
        sOut = {std::max(s.lo, lo), std::min(s.hi, hi)};
        if (sOut.hi <= sOut.lo) return false;
        if (!mirror) dOut = {d.lo + (sOut.lo - s.lo) * scale, d.hi - (s.hi - sOut.hi) * scale};
        else dOut = {d.lo + (s.hi - sOut.hi) * scale, d.hi - (sOut.lo - s.lo) * scale};
        return true;
    };
    const bool mirrorX = (h.dstExt > 0) != (h.srcExt > 0);
    bool mirrorY = (v.dstExt > 0) != (v.srcExt > 0);
    Span sx, dx, sy, dy;
    if (!clipAxis(srcSpan(h), dstSpan(h), mirrorX, 0, src.width, sx, dx)) return;
    if (!clipAxis(srcSpan(v), dstSpan(v), mirrorY, src.rowBegin, src.rowEnd, sy, dy)) return;
    const int x0 = static_cast<int>(sx.lo), x1 = static_cast<int>(sx.hi);
    const int y0 = static_cast<int>(sy.lo), y1 = static_cast<int>(sy.hi);
    const int rows = y1 - y0;

    // Wrap the section's rows in memory order; bottom-up rows come out flipped.
    const bool upward = src.stride < 0;
    const uchar* first = upward ? src.row(y1 - 1) : src.row(y0);
    const qsizetype bpl = static_cast<qsizetype>(upward ? -src.stride : src.stride);
    uchar* data = const_cast<uchar*>(first);  // read only; the non-const form avoids a copy
    QImage image;
    switch (src.kind) {
    case Source::Bits24: image = QImage(data, src.width, rows, bpl, QImage::Format_BGR888); break;
    case Source::Bits32:
    case Source::Rgb32: image = QImage(data, src.width, rows, bpl, QImage::Format_RGB32); break;
    case Source::Bits8:
    case Source::Bits1: {
        image = QImage(data, src.width, rows, bpl, src.kind == Source::Bits8 ? QImage::Format_Indexed8 : QImage::Format_Mono);
        const int n = src.kind == Source::Bits8 ? 256 : 2;
        image.setColorTable(QList<QRgb>(src.lut.begin(), src.lut.begin() + n));
        break;
    }
    case Source::Bits4: {
        // No 4-bit image format: expand the section to 8 bits.
        image = QImage(x1 - x0, rows, QImage::Format_Indexed8);
        image.setColorTable(QList<QRgb>(src.lut.begin(), src.lut.begin() + 16));
        for (int r = 0; r < rows; ++r) {
            const uchar* in = first + bpl * r;
            uchar* out = image.scanLine(r);
            for (int x = x0; x < x1; ++x) out[x - x0] = (in[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
        }
        break;
    }
    }
    const int imageX = src.kind == Source::Bits4 ? 0 : x0;
    if (upward) mirrorY = !mirrorY;

    const double w = x1 - x0, hgt = rows;
    const double m11 = (dx.hi - dx.lo) / w * (mirrorX ? -1 : 1);
    const double m22 = (dy.hi - dy.lo) / hgt * (mirrorY ? -1 : 1);
    const double tx = mirrorX ? dx.hi : dx.lo;
    const double ty = mirrorY ? dy.hi : dy.lo;
    painter.save();
    painter.setTransform(QTransform(m11, 0, 0, m22, tx, ty), true);
    painter.drawImage(QRectF(0, 0, w, hgt), image, QRectF(imageX, 0, w, hgt));
    painter.restore();
}

Nearest::Nearest(std::vector<QRgb> table) : table_(std::move(table)) {}

BYTE Nearest::operator()(QRgb colour) {
    colour |= kOpaque;
    auto it = cache_.find(colour);
    if (it != cache_.end()) return it->second;
    const int r = qRed(colour), g = qGreen(colour), b = qBlue(colour);
    int best = 0;
    long bestDistance = LONG_MAX;
    for (std::size_t i = 0; i < table_.size(); ++i) {
        const long dr = qRed(table_[i]) - r, dg = qGreen(table_[i]) - g, db = qBlue(table_[i]) - b;
        const long d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
            if (d == 0) break;
        }
    }
    cache_.emplace(colour, static_cast<BYTE>(best));
    return static_cast<BYTE>(best);
}

void packRow(const QRgb* pixels, int width, int bitCount, Nearest* nearest, uchar* out) {
    packSpan(pixels, 0, width, bitCount, nearest, out);
}

void packSpan(const QRgb* pixels, int x0, int count, int bitCount, Nearest* nearest, uchar* out) {
    const int width = x0 + count;
    switch (bitCount) {
    case 24:
        for (int x = x0; x < width; ++x) {
            out[3 * x] = static_cast<uchar>(qBlue(pixels[x]));
            out[3 * x + 1] = static_cast<uchar>(qGreen(pixels[x]));
            out[3 * x + 2] = static_cast<uchar>(qRed(pixels[x]));
        }
        break;
    case 32:
        for (int x = x0; x < width; ++x) {
            const QRgb v = pixels[x] & 0x00FFFFFFu;
            std::memcpy(out + 4 * x, &v, 4);
        }
        break;
    case 8:
        for (int x = x0; x < width; ++x) out[x] = (*nearest)(pixels[x]);
        break;
    case 4:
        for (int x = x0; x < width; ++x) {
            const uchar i = (*nearest)(pixels[x]) & 0xF;
            uchar& b = out[x >> 1];
            b = (x & 1) ? static_cast<uchar>((b & 0xF0) | i) : static_cast<uchar>((b & 0x0F) | (i << 4));
        }
        break;
    case 1:
        for (int x = x0; x < width; ++x) {
            const uchar mask = static_cast<uchar>(0x80 >> (x & 7));
            uchar& b = out[x >> 3];
            b = ((*nearest)(pixels[x]) & 1) ? static_cast<uchar>(b | mask) : static_cast<uchar>(b & ~mask);
        }
        break;
    default: break;
    }
}

void unpackRow(const Source& src, int y, QRgb* out) {
    for (int x = 0; x < src.width; ++x) out[x] = src.pixel(x, y);
}

}  // namespace platform::gdi::raster
