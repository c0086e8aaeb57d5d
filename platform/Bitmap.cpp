// Bitmaps, DIB sections and the blits between device contexts.
#include "DeviceContext.h"
#include "Raster.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace platform::gdi {
namespace {

constexpr std::int64_t kMaxPixels = std::int64_t(1) << 28;  // 1 GiB of RGB32

bool sizeOk(int width, int height) {
    return width > 0 && height > 0 && static_cast<std::int64_t>(width) * height <= kMaxPixels;
}

HBITMAP addBitmap(std::unique_ptr<Bitmap> b) {
    if (b->image.isNull()) return nullptr;
    return static_cast<HBITMAP>(add(std::move(b)));
}

std::unique_ptr<Bitmap> blankBitmap(int width, int height, int bits) {
    auto b = std::make_unique<Bitmap>();
    b->bitsPixel = bits;
    b->image = QImage(width, height, QImage::Format_RGB32);
    if (!b->image.isNull()) b->image.fill(0xFF000000u);
    return b;
}

raster::Source dibMemorySource(const DibMemory& m, int width, int height) {
    raster::Source s;
    switch (m.bitCount) {
    case 1: s.kind = raster::Source::Bits1; break;
    case 4: s.kind = raster::Source::Bits4; break;
    case 8: s.kind = raster::Source::Bits8; break;
    case 24: s.kind = raster::Source::Bits24; break;
    default: s.kind = raster::Source::Bits32; break;
    }
    s.width = width;
    s.height = height;
    s.rowBegin = 0;
    s.rowEnd = height;
    s.lut.fill(0xFF000000u);
    for (std::size_t i = 0; i < m.colours.size() && i < 256; ++i)
        s.lut[i] = qRgb(m.colours[i].rgbRed, m.colours[i].rgbGreen, m.colours[i].rgbBlue);
    s.base = m.bits;
    if (m.topDown) {
        s.baseRow = 0;
        s.stride = m.lineBytes;
    } else {
        s.baseRow = height - 1;
        s.stride = -static_cast<std::ptrdiff_t>(m.lineBytes);
    }
    return s;
}

bool isMonoDC(DC* dc) { return dc && dc->isMemory() && dc->state.bitmap && dc->state.bitmap->monochrome(); }

}  // namespace

DibMemory::~DibMemory() { delete[] bits; }

void Bitmap::pull() {
    if (!dib) return;
    const raster::Source s = dibMemorySource(*dib, image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) raster::unpackRow(s, y, reinterpret_cast<QRgb*>(image.scanLine(y)));
}

void Bitmap::pull(const QRect& rect) {
    if (!dib) return;
    const QRect r = rect & image.rect();
    if (r.isEmpty()) return;
    const raster::Source s = dibMemorySource(*dib, image.width(), image.height());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x) out[x] = s.pixel(x, y);
    }
}

void Bitmap::pushed(const QRect& rect) {
    const QRect r = rect & image.rect();
    if (r.isEmpty()) return;
    if (!dib) {
        if (!monochrome()) return;
        for (int y = r.top(); y <= r.bottom(); ++y) {
            QRgb* p = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = r.left(); x <= r.right(); ++x) p[x] = monoOf(p[x]);
        }
        return;
    }
    std::vector<QRgb> table;
    for (const RGBQUAD& q : dib->colours) table.push_back(qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue));
    raster::Nearest nearest(std::move(table));
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const int memoryRow = dib->topDown ? y : image.height() - 1 - y;
        raster::packSpan(reinterpret_cast<const QRgb*>(image.constScanLine(y)), r.left(), r.width(), dib->bitCount,
                         &nearest, dib->bits + static_cast<std::size_t>(memoryRow) * dib->lineBytes);
    }
}

void patternBlt(DC& dc, const QRect& logical, DWORD rop) {
    if (logical.isEmpty()) return;
    bool nullBrush = false;
    const QBrush brush = qbrush(dc.state.brush, &nullBrush);
    const BYTE code = static_cast<BYTE>((rop >> 16) & 0xFF);
    const bool usesPattern = ((code >> 4) & 0xF) != (code & 0xF);
    if (usesPattern && nullBrush) return;
    QImage* image = dc.device->imageFor(logical.translated(dc.state.origin));
    const bool solid = !dc.state.brush || dc.state.brush->style != BS_HATCHED;
    if (image && rasterTarget(*image) && solid) {
        const QRgb pattern = dc.state.brush ? qrgb(dc.state.brush->colour) : 0xFFFFFFFFu;
        const QRect changed =
            raster::patternFill(*image, dc.clipRegion(), logical.translated(dc.state.origin), rop, pattern);
        if (!changed.isEmpty()) dc.device->changed(changed);
        return;
    }
    Paint p(dc, false, logical);
    if (!p.active()) return;
    QPainter& painter = p.painter();
    painter.setBackgroundMode(Qt::OpaqueMode);
    switch (rop) {
    case BLACKNESS: painter.fillRect(logical, Qt::black); break;
    case WHITENESS: painter.fillRect(logical, Qt::white); break;
    case DSTINVERT:
        painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        painter.fillRect(logical, Qt::black);
        break;
    case PATINVERT:
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.fillRect(logical, brush);
        break;
    default: painter.fillRect(logical, brush); break;
    }
    p.touched(logical);
}

}  // namespace platform::gdi

using namespace platform::gdi;

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPixel, const void* bits) {
    if (width < 0 || height < 0 || planes != 1) return nullptr;
    if (bitsPixel != 1 && bitsPixel != 4 && bitsPixel != 8 && bitsPixel != 16 && bitsPixel != 24 && bitsPixel != 32)
        return nullptr;
    if (width == 0 || height == 0) return addBitmap(blankBitmap(1, 1, 1));
    if (!sizeOk(width, height)) return nullptr;
    auto b = blankBitmap(width, height, static_cast<int>(bitsPixel));
    if (b->image.isNull()) return nullptr;
    if (bits) {
        // Device-dependent rows: top-down, padded to 16 bits.
        const std::size_t lineBytes = static_cast<std::size_t>((width * static_cast<int>(bitsPixel) + 15) / 16) * 2;
        const auto* in = static_cast<const uchar*>(bits);
        for (int y = 0; y < height; ++y) {
            const uchar* row = in + lineBytes * static_cast<std::size_t>(y);
            QRgb* out = reinterpret_cast<QRgb*>(b->image.scanLine(y));
            for (int x = 0; x < width; ++x) {
                switch (bitsPixel) {
                case 1: out[x] = ((row[x >> 3] >> (7 - (x & 7))) & 1) ? 0xFFFFFFFFu : 0xFF000000u; break;
                case 24: out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]); break;
                case 32: out[x] = qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]); break;
                case 16: {
                    const int v = row[2 * x] | (row[2 * x + 1] << 8);
                    out[x] = qRgb(((v >> 10) & 31) * 255 / 31, ((v >> 5) & 31) * 255 / 31, (v & 31) * 255 / 31);
                    break;
                }
                default: break;  // 4 and 8 bits index a device palette: left black
                }
            }
        }
    }
    return addBitmap(std::move(b));
}

HBITMAP CreateCompatibleBitmap(HDC handle, int width, int height) {
    DC* dc = findDC(handle);
    if (!dc || width < 0 || height < 0) return nullptr;
    dc->device->called(Operation::CompatibleBitmap);
    if (dc->device->refuses(Operation::CompatibleBitmap)) return nullptr;
    if (width == 0 || height == 0) return addBitmap(blankBitmap(1, 1, 1));
    if (!sizeOk(width, height)) return nullptr;
    return addBitmap(blankBitmap(width, height, dc->caps().bitsPixel));
}

HBITMAP CreateDIBSection(HDC handle, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD) {
    if (bits) *bits = nullptr;
    raster::DibFormat f;
    if (section || !raster::readDibFormat(info, f) || !sizeOk(f.width, f.height)) return nullptr;
    if (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS) return nullptr;
    DC* dc = findDC(handle);
    if (usage == DIB_PAL_COLORS && !dc) return nullptr;
    auto memory = std::make_unique<DibMemory>();
    memory->bits = new (std::nothrow) BYTE[f.imageBytes]();
    if (!memory->bits) return nullptr;
    memory->size = f.imageBytes;
    memory->bitCount = f.bitCount;
    memory->lineBytes = f.lineBytes;
    memory->topDown = f.topDown;
    const BYTE* table = reinterpret_cast<const BYTE*>(info) + info->bmiHeader.biSize;
    for (int i = 0; i < f.tableEntries; ++i) {
        RGBQUAD q{};
        if (usage == DIB_PAL_COLORS) {
            WORD index;
            std::memcpy(&index, table + 2 * i, 2);
            const auto& entries = dc->state.palette->entries;
            if (index < entries.size()) q = RGBQUAD{entries[index].peBlue, entries[index].peGreen, entries[index].peRed, 0};
        } else {
            std::memcpy(&q, table + 4 * i, 4);
        }
        memory->colours.push_back(q);
    }
    const auto* header = reinterpret_cast<const BYTE*>(&info->bmiHeader);
    memory->header.assign(header, header + sizeof(BITMAPINFOHEADER));
    auto b = blankBitmap(f.width, f.height, f.bitCount);
    if (b->image.isNull()) return nullptr;
    b->dib = std::move(memory);
    b->pull();
    void* pixels = b->dib->bits;
    HBITMAP h = addBitmap(std::move(b));
    if (h && bits) *bits = pixels;
    return h;
}

namespace {

BOOL blit(HDC destHandle, int x, int y, int width, int height, HDC srcHandle, int srcX, int srcY, int srcWidth,
          int srcHeight, DWORD rop, bool stretched) {
    DC* dest = findDC(destHandle);
    if (!dest) return FALSE;
    if (stretched) {
        dest->device->called(Operation::StretchBlt);
        if (dest->device->refuses(Operation::StretchBlt)) return FALSE;
    }
    if (!raster::ropUsesSource(rop)) {
        patternBlt(*dest, QRect(QPoint(std::min(x, x + width), std::min(y, y + height)), QSize(std::abs(width), std::abs(height))), rop);
        return TRUE;
    }
    DC* src = findDC(srcHandle);
    if (!src) return FALSE;
    QImage* sourceImage = src->device->image();
    if (!sourceImage || sourceImage->isNull()) return FALSE;  // printers cannot be read
    if (width == 0 || height == 0 || srcWidth == 0 || srcHeight == 0) return TRUE;

    // Work on a snapshot when source and destination share pixels, or when colours convert.
    QImage pixels = sourceImage->convertToFormat(QImage::Format_RGB32);
    const bool destMono = isMonoDC(dest), srcMono = isMonoDC(src);
    if (destMono && !srcMono) {
        const QRgb key = qrgb(src->state.bkColour);
        for (int row = 0; row < pixels.height(); ++row) {
            QRgb* p = reinterpret_cast<QRgb*>(pixels.scanLine(row));
            for (int col = 0; col < pixels.width(); ++col) p[col] = (p[col] | 0xFF000000u) == key ? 0xFFFFFFFFu : 0xFF000000u;
        }
    } else if (srcMono && !destMono) {
        const QRgb fore = qrgb(dest->state.textColour), back = qrgb(dest->state.bkColour);
        for (int row = 0; row < pixels.height(); ++row) {
            QRgb* p = reinterpret_cast<QRgb*>(pixels.scanLine(row));
            for (int col = 0; col < pixels.width(); ++col) p[col] = (p[col] & 0xFFFFFF) ? back : fore;
        }
    }
    raster::Axis h{x, width, srcX + src->state.origin.x(), srcWidth};
    raster::Axis v{y, height, srcY + src->state.origin.y(), srcHeight};
    drawSource(*dest, h, v, raster::imageSource(pixels), rop);
    return TRUE;
}

}  // namespace

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop) {
    return blit(dest, x, y, width, height, src, srcX, srcY, width, height, rop, false);
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, int srcWidth,
                int srcHeight, DWORD rop) {
    return blit(dest, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight, rop, true);
}

BOOL PatBlt(HDC handle, int x, int y, int width, int height, DWORD rop) {
    DC* dc = findDC(handle);
    if (!dc) return FALSE;
    patternBlt(*dc, QRect(QPoint(std::min(x, x + width), std::min(y, y + height)), QSize(std::abs(width), std::abs(height))), rop);
    return TRUE;
}
