// The byte form of image lists: a header, the images as a BMP file four images wide and,
// for masked lists, their masks as a monochrome BMP file. Every size read is checked
// against the bytes there are.
#include "ImageListImpl.h"
#include "platform/GdiObject.h"
#include "Raster.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace platform::il {
namespace {

constexpr WORD kMagic = 0x4C49;  // "IL"
constexpr WORD kVersion = 0x0101;
constexpr std::size_t kHeaderBytes = 28;
constexpr int kColumns = 4;

void put16(std::vector<BYTE>& out, unsigned v) {
    out.push_back(static_cast<BYTE>(v & 0xFF));
    out.push_back(static_cast<BYTE>((v >> 8) & 0xFF));
}
void put32(std::vector<BYTE>& out, DWORD v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
unsigned get16(const BYTE* p) { return qFromLittleEndian<quint16>(p); }
DWORD get32(const BYTE* p) { return qFromLittleEndian<quint32>(p); }

int gridRows(int count) { return std::max(1, (count + kColumns - 1) / kColumns); }

// A BMP file of the grid: 24 or 32 bits of the images, or 1 bit of their masks.
void writeGrid(List& list, int bitCount, std::vector<BYTE>& out) {
    const int n = list.count();
    const int width = list.cx * kColumns;
    const int height = list.cy * gridRows(n);
    const std::size_t lineBytes = static_cast<std::size_t>(((width * bitCount + 31) / 32) * 4);
    const int tableEntries = bitCount == 1 ? 2 : 0;
    const DWORD offBits = 14 + 40 + 4 * tableEntries;
    const std::size_t imageBytes = lineBytes * static_cast<std::size_t>(height);
    out.push_back('B');
    out.push_back('M');
    put32(out, static_cast<DWORD>(offBits + imageBytes));
    put32(out, 0);
    put32(out, offBits);
    put32(out, 40);
    put32(out, static_cast<DWORD>(width));
    put32(out, static_cast<DWORD>(height));
    put16(out, 1);
    put16(out, static_cast<unsigned>(bitCount));
    put32(out, BI_RGB);
    put32(out, static_cast<DWORD>(imageBytes));
    put32(out, 0);
    put32(out, 0);
    put32(out, static_cast<DWORD>(tableEntries));
    put32(out, 0);
    if (bitCount == 1) {
        put32(out, 0x00000000);
        put32(out, 0x00FFFFFF);
    }
    const std::size_t start = out.size();
    out.resize(start + imageBytes, 0);
    // White mask bits outside the images.
    if (bitCount == 1) std::fill(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(), BYTE(0xFF));
    const int bpp = bitCount / 8;
    for (int k = 0; k < n; ++k) {
        const QImage* img = list.image(k);
        if (!img) continue;
        const int ox = (k % kColumns) * list.cx;
        const int oy = (k / kColumns) * list.cy;
        for (int y = 0; y < list.cy; ++y) {
            BYTE* row = out.data() + start + lineBytes * static_cast<std::size_t>(height - 1 - (oy + y));
            const auto* in = reinterpret_cast<const QRgb*>(img->constScanLine(y));
            for (int x = 0; x < list.cx; ++x) {
                const int gx = ox + x;
                if (bitCount == 1) {
                    const BYTE bit = static_cast<BYTE>(0x80 >> (gx & 7));
                    if (qAlpha(in[x]) == 0) row[gx >> 3] |= bit;
                    else row[gx >> 3] &= static_cast<BYTE>(~bit);
                    continue;
                }
                BYTE* px = row + static_cast<std::size_t>(gx) * bpp;
                px[0] = static_cast<BYTE>(qBlue(in[x]));
                px[1] = static_cast<BYTE>(qGreen(in[x]));
                px[2] = static_cast<BYTE>(qRed(in[x]));
                if (bpp == 4) px[3] = static_cast<BYTE>(qAlpha(in[x]));
            }
        }
    }
}

// A BMP file at `data`: its pixels top-down as RGB32 (alpha in `alpha` for 32 bits), and
// its length. False when it does not fit the bytes there are.
bool readBmp(const BYTE* data, std::size_t size, QImage* pixels, std::vector<BYTE>* alpha, std::size_t* used) {
    if (size < 14 + 40 || data[0] != 'B' || data[1] != 'M') return false;
    const DWORD offBits = get32(data + 10);
    const DWORD headerSize = get32(data + 14);
    if (headerSize < 40 || headerSize > 4096 || 14 + std::size_t(headerSize) > size || offBits > size) return false;
    // The header and colour table, copied so that they are aligned.
    std::vector<BYTE> info(data + 14, data + std::min<std::size_t>(size, std::max<std::size_t>(offBits, 14 + headerSize)));
    if (info.size() < headerSize) return false;
    info.resize(std::max<std::size_t>(info.size(), headerSize + 4 * 256), 0);
    gdi::raster::DibFormat f;
    const auto* bi = reinterpret_cast<const BITMAPINFO*>(info.data());
    if (!gdi::raster::readDibFormat(bi, f)) return false;
    if (14 + headerSize + 4 * std::size_t(f.tableEntries) > offBits) return false;
    if (f.imageBytes > size - offBits) return false;
    if (static_cast<std::int64_t>(f.width) * f.height > (std::int64_t(1) << 26)) return false;
    gdi::raster::Source src;
    if (!gdi::raster::dibSource(bi, data + offBits, DIB_RGB_COLORS, {}, 0, static_cast<UINT>(f.height), src)) return false;
    QImage image(f.width, f.height, QImage::Format_RGB32);
    if (image.isNull()) return false;
    for (int y = 0; y < f.height; ++y) gdi::raster::unpackRow(src, y, reinterpret_cast<QRgb*>(image.scanLine(y)));
    if (alpha) {
        alpha->assign(static_cast<std::size_t>(f.width) * f.height, 255);
        if (f.bitCount == 32)
            for (int y = 0; y < f.height; ++y) {
                const int row = f.topDown ? y : f.height - 1 - y;
                const BYTE* in = data + offBits + static_cast<std::size_t>(row) * f.lineBytes;
                for (int x = 0; x < f.width; ++x) (*alpha)[static_cast<std::size_t>(y) * f.width + x] = in[4 * x + 3];
            }
    }
    *pixels = std::move(image);
    *used = offBits + f.imageBytes;
    return true;
}

}  // namespace
}  // namespace platform::il

namespace platform {

using namespace il;

bool writeImageList(HIMAGELIST himl, std::vector<BYTE>& out) {
    List* l = find(himl);
    if (!l || l->count() > 0x7FFF || l->cx > 0x7FFF || l->cy > 0x7FFF) return false;
    out.clear();
    const int n = l->count();
    put16(out, kMagic);
    put16(out, kVersion);
    put16(out, static_cast<unsigned>(n));
    put16(out, static_cast<unsigned>(gridRows(n) * kColumns));
    put16(out, static_cast<unsigned>(std::clamp(l->grow, 1, 0x7FFF)));
    put16(out, static_cast<unsigned>(l->cx));
    put16(out, static_cast<unsigned>(l->cy));
    put32(out, l->bk);
    put16(out, l->flags & 0xFFFF);
    for (int k = 0; k < 4; ++k) put16(out, static_cast<unsigned>(static_cast<std::int16_t>(l->overlays[k])) & 0xFFFF);
    writeGrid(*l, l->bits() == 32 ? 32 : 24, out);
    if (l->masked()) writeGrid(*l, 1, out);
    return true;
}

HIMAGELIST readImageList(const BYTE* data, std::size_t size, std::size_t* used) {
    if (!data || size < kHeaderBytes || get16(data) != kMagic || get16(data + 2) != kVersion) return nullptr;
    const int count = static_cast<int>(get16(data + 4));
    const int grow = static_cast<int>(get16(data + 8));
    const int cx = static_cast<int>(get16(data + 10));
    const int cy = static_cast<int>(get16(data + 12));
    const DWORD bk = get32(data + 14);
    const UINT flags = get16(data + 18);
    if (cx <= 0 || cy <= 0 || cx > 0x7FFF || cy > 0x7FFF || count > 0x7FFF) return nullptr;
    std::size_t pos = kHeaderBytes;
    QImage colours, masks;
    std::vector<BYTE> alpha;
    std::size_t n = 0;
    if (!readBmp(data + pos, size - pos, &colours, &alpha, &n)) return nullptr;
    pos += n;
    const bool masked = (flags & ILC_MASK) != 0;
    if (masked) {
        if (!readBmp(data + pos, size - pos, &masks, nullptr, &n)) return nullptr;
        pos += n;
    }
    // The grid must hold every image.
    const std::int64_t needW = std::int64_t(cx) * kColumns;
    const std::int64_t needH = std::int64_t(cy) * gridRows(count);
    if (colours.width() < needW || colours.height() < needH) return nullptr;
    if (masked && (masks.width() < needW || masks.height() < needH)) return nullptr;

    auto l = std::make_unique<List>();
    l->cx = cx;
    l->cy = cy;
    l->flags = flags;
    l->grow = std::max(grow, 1);
    l->bk = bk == CLR_NONE ? CLR_NONE : (bk & 0x00FFFFFFu);
    const bool keepAlpha = l->bits() == 32;
    for (int k = 0; k < count; ++k) {
        const int ox = (k % kColumns) * cx;
        const int oy = (k / kColumns) * cy;
        QImage img = blankImage(*l);
        for (int y = 0; y < cy; ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(colours.constScanLine(oy + y));
            const auto* m = masked ? reinterpret_cast<const QRgb*>(masks.constScanLine(oy + y)) : nullptr;
            auto* out = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < cx; ++x) {
                int a = keepAlpha ? alpha[static_cast<std::size_t>(oy + y) * colours.width() + ox + x] : 255;
                if (m && gdi::monoOf(m[ox + x]) == 0xFFFFFFFFu) a = 0;
                out[x] = (in[ox + x] & 0x00FFFFFFu) | (QRgb(a) << 24);
            }
        }
        conform(*l, img);
        l->images.push_back(std::move(img));
    }
    for (int k = 0; k < 4; ++k) {
        const int o = static_cast<std::int16_t>(get16(data + 20 + 2 * k));
        l->overlays[k] = o >= 0 && o < count ? o : -1;
    }
    if (used) *used = pos;
    return add(std::move(l));
}

}  // namespace platform
