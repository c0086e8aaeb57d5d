// Device-independent bitmaps to and from devices and bitmaps.
#include "DeviceContext.h"
#include "Raster.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace platform::gdi {
namespace {

std::vector<PALETTEENTRY> paletteOf(const DC* dc) {
    return dc && dc->state.palette ? dc->state.palette->entries : std::vector<PALETTEENTRY>{};
}

// Number of the picture's rows that a source span of rows [lo, lo + n) uses.
int rowsUsed(int srcY, int srcHeight, int height) {
    const std::int64_t lo = srcHeight >= 0 ? srcY : static_cast<std::int64_t>(srcY) + srcHeight + 1;
    const std::int64_t hi = lo + std::abs(static_cast<std::int64_t>(srcHeight));
    return static_cast<int>(std::max<std::int64_t>(0, std::min<std::int64_t>(hi, height) - std::max<std::int64_t>(lo, 0)));
}

// The colour table GetDIBits writes for a depth of 8 bits or less.
std::vector<QRgb> tableFor(const DC* dc, const Bitmap* bitmap, int bits) {
    const int n = 1 << bits;
    std::vector<QRgb> table;
    if (bitmap->dib && bitmap->dib->bitCount == bits) {
        for (const RGBQUAD& q : bitmap->dib->colours) table.push_back(qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue));
    } else if (dc && dc->state.palette && dc->state.palette != defaultPalette()) {
        for (const PALETTEENTRY& e : dc->state.palette->entries) table.push_back(qRgb(e.peRed, e.peGreen, e.peBlue));
    } else if (bits == 1) {
        table = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    } else if (bits == 4) {
        static const BYTE vga[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                        {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                        {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                        {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
        for (const auto& c : vga) table.push_back(qRgb(c[0], c[1], c[2]));
    } else {
        // A 6 x 6 x 6 colour cube followed by a grey ramp.
        for (int i = 0; i < 216; ++i) table.push_back(qRgb(i / 36 * 51, i / 6 % 6 * 51, i % 6 * 51));
        for (int i = 0; i < 40; ++i) {
            const int g = i * 255 / 39;
            table.push_back(qRgb(g, g, g));
        }
    }
    table.resize(static_cast<std::size_t>(n), qRgb(0, 0, 0));
    return table;
}

}  // namespace

void drawSource(DC& dc, const raster::Axis& h, const raster::Axis& v, const raster::Source& src, DWORD rop) {
    QImage* image = dc.device->imageFor(raster::destRect(h, v).translated(dc.state.origin));
    if (image && rasterTarget(*image)) {
        raster::Axis dh = h, dv = v;
        dh.dst += dc.state.origin.x();
        dv.dst += dc.state.origin.y();
        const QRgb pattern = dc.state.brush ? qrgb(dc.state.brush->colour) : 0xFFFFFFFFu;
        const QRect changed = raster::stretch(*image, dc.clipRegion(), dh, dv, src, rop, pattern);
        if (!changed.isEmpty()) dc.device->changed(changed);
        return;
    }
    Paint p(dc, false);
    if (!p.active()) return;
    raster::drawThroughPainter(p.painter(), h, v, src);
    p.touched(raster::destRect(h, v));
}

}  // namespace platform::gdi

using namespace platform::gdi;

int StretchDIBits(HDC handle, int x, int y, int destWidth, int destHeight, int srcX, int srcY, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
    DC* dc = findDC(handle);
    if (!dc) return GDI_ERROR;
    dc->device->called(Operation::StretchDIBits);
    if (dc->device->refuses(Operation::StretchDIBits)) return GDI_ERROR;
    raster::Source src;
    if (!raster::dibSource(info, bits, usage, paletteOf(dc), 0, UINT_MAX, src)) return GDI_ERROR;
    if (!destWidth || !destHeight || !srcWidth || !srcHeight) return 0;
    if (!raster::ropUsesSource(rop)) {
        patternBlt(*dc, raster::destRect(raster::Axis{x, destWidth, 0, 1}, raster::Axis{y, destHeight, 0, 1}), rop);
    } else {
        drawSource(*dc, raster::Axis{x, destWidth, srcX, srcWidth},
                   raster::dibRows(y, destHeight, srcY, srcHeight, src.height), src, rop);
    }
    return rowsUsed(srcY, srcHeight, src.height);
}

int SetDIBitsToDevice(HDC handle, int x, int y, DWORD width, DWORD height, int srcX, int srcY, UINT startScan,
                      UINT scanLines, const void* bits, const BITMAPINFO* info, UINT usage) {
    DC* dc = findDC(handle);
    if (!dc || width > INT_MAX || height > INT_MAX) return 0;
    dc->device->called(Operation::SetDIBitsToDevice);
    if (dc->device->refuses(Operation::SetDIBitsToDevice)) return 0;
    raster::Source src;
    if (!raster::dibSource(info, bits, usage, paletteOf(dc), startScan, scanLines, src)) return 0;
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    if (w > 0 && h > 0)
        drawSource(*dc, raster::Axis{x, w, srcX, w}, raster::dibRows(y, h, srcY, h, src.height), src, SRCCOPY);
    return src.rowEnd - src.rowBegin;
}

int SetDIBits(HDC handle, HBITMAP bitmap, UINT startScan, UINT scanLines, const void* bits, const BITMAPINFO* info,
              UINT usage) {
    DC* dc = findDC(handle);
    if (handle && !dc) return 0;
    if (dc) {
        dc->device->called(Operation::SetDIBits);
        if (dc->device->refuses(Operation::SetDIBits)) return 0;
    }
    auto* b = find<Bitmap>(bitmap, OBJ_BITMAP);
    if (!b || (usage == DIB_PAL_COLORS && !dc)) return 0;
    raster::Source src;
    if (!raster::dibSource(info, bits, usage, paletteOf(dc), startScan, scanLines, src)) return 0;
    b->pull();
    const int width = std::min(src.width, b->image.width());
    const int first = std::max(src.rowBegin, 0), last = std::min(src.rowEnd, b->image.height());
    if (first >= last || width <= 0) return 0;
    for (int row = first; row < last; ++row) {
        QRgb* out = reinterpret_cast<QRgb*>(b->image.scanLine(row));
        for (int col = 0; col < width; ++col) out[col] = src.pixel(col, row);
    }
    b->pushed(QRect(0, first, width, last - first));
    return last - first;
}

int GetDIBits(HDC handle, HBITMAP bitmap, UINT startScan, UINT scanLines, void* bits, BITMAPINFO* info, UINT usage) {
    DC* dc = findDC(handle);
    auto* b = find<Bitmap>(bitmap, OBJ_BITMAP);
    if (!dc || !b || !info || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) return 0;
    b->pull();
    BITMAPINFOHEADER& h = info->bmiHeader;
    const int height = b->image.height();
    if (h.biBitCount == 0) {
        // Describe the bitmap.
        const int depth = b->bitsPixel == 16 ? 24 : b->bitsPixel;
        h.biWidth = b->image.width();
        h.biHeight = height;
        h.biPlanes = 1;
        h.biBitCount = static_cast<WORD>(depth);
        h.biCompression = BI_RGB;
        h.biSizeImage = static_cast<DWORD>(((h.biWidth * depth + 31) / 32) * 4 * height);
        return height;
    }
    raster::DibFormat f;
    if (!raster::readDibFormat(info, f)) return 0;
    h.biSizeImage = static_cast<DWORD>(f.imageBytes);
    std::vector<QRgb> table;
    if (f.bitCount <= 8) {
        table = tableFor(dc, b, f.bitCount);
        BYTE* out = reinterpret_cast<BYTE*>(info) + h.biSize;
        for (std::size_t i = 0; i < table.size(); ++i) {
            if (usage == DIB_PAL_COLORS) {
                const WORD index = static_cast<WORD>(i);
                std::memcpy(out + 2 * i, &index, 2);
            } else {
                const RGBQUAD q{static_cast<BYTE>(qBlue(table[i])), static_cast<BYTE>(qGreen(table[i])),
                                static_cast<BYTE>(qRed(table[i])), 0};
                std::memcpy(out + 4 * i, &q, 4);
            }
        }
    }
    if (!bits) return height;
    raster::Nearest nearest(table);
    const bool sameFormat = b->dib && b->dib->bitCount == f.bitCount && f.bitCount <= 8 && b->dib->lineBytes == f.lineBytes;
    const int width = std::min(f.width, b->image.width());
    const std::int64_t first = startScan;
    const std::int64_t last = std::min<std::int64_t>(first + scanLines, f.height);
    int copied = 0;
    std::vector<QRgb> row(static_cast<std::size_t>(std::max(f.width, 1)), qRgb(0, 0, 0));
    for (std::int64_t scan = first; scan < last; ++scan) {
        const int y = static_cast<int>(f.topDown ? scan : f.height - 1 - scan);
        uchar* out = static_cast<uchar*>(bits) + static_cast<std::size_t>(scan - first) * f.lineBytes;
        if (y >= height) {
            std::memset(out, 0, static_cast<std::size_t>(f.lineBytes));
            continue;
        }
        if (sameFormat) {
            // The section's own indexes.
            const int memoryRow = b->dib->topDown ? y : height - 1 - y;
            std::memcpy(out, b->dib->bits + static_cast<std::size_t>(memoryRow) * b->dib->lineBytes,
                        static_cast<std::size_t>(f.lineBytes));
        } else {
            std::copy_n(reinterpret_cast<const QRgb*>(b->image.constScanLine(y)), width, row.begin());
            std::memset(out, 0, static_cast<std::size_t>(f.lineBytes));
            raster::packRow(row.data(), f.width, f.bitCount, &nearest, out);
        }
        ++copied;
    }
    return copied;
}
