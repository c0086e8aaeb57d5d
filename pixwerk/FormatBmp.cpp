// BMP, DIB and RLE files: Windows and OS/2 headers, 1 to 32 bits per pixel,
// bit-field masks, RLE4 and RLE8.
#include "pixwerk/OwnFormats.h"

#include <bit>
#include <limits>

namespace pixwerk {
namespace {
using namespace own;

constexpr DWORD kAlphaBitFields = 6;
constexpr std::size_t kFileHeader = 14;

// One colour channel of a 16- or 32-bit pixel.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int width = 0;
};

// A mask must be one run of set bits within the pixel.
bool makeChannel(std::uint32_t mask, int bits, Channel* c) {
    *c = Channel{};
    if (!mask) return true;
    if (bits < 32 && mask >> bits) return false;
    const int shift = std::countr_zero(mask);
    const std::uint32_t m = mask >> shift;
    if (m & (m + 1)) return false;
    *c = Channel{mask, shift, std::popcount(mask)};
    return true;
}

BYTE sample(std::uint32_t px, const Channel& c) {
    if (!c.mask) return 0;
    const std::uint32_t v = (px & c.mask) >> c.shift;
    if (c.width >= 8) return static_cast<BYTE>(v >> (c.width - 8));
    const std::uint32_t max = (1u << c.width) - 1;
    return static_cast<BYTE>((v * 255 + max / 2) / max);
}

struct Header {
    std::int64_t width = 0, height = 0;
    bool topDown = false;
    int bits = 0;
    DWORD compression = BI_RGB;
    DWORD clrUsed = 0;
    bool core = false;          // 12-byte header: colour table of RGBTRIPLEs
    bool windowsMasks = false;  // masks may be present (not OS/2 2.x)
    std::size_t tableStart = 0;
    std::uint32_t masks[4] = {};  // red, green, blue, alpha
    bool alphaFromHeader = false;
};

std::uint32_t le32at(const BYTE* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }

const char* readHeader(ByteReader& r, Header* h) {
    if (!r.has(kFileHeader + 16)) return "The BMP file is truncated";
    r.skip(kFileHeader);
    const std::uint32_t size = r.le32();
    if (size == 12) {
        h->core = true;
        h->width = r.le16();
        h->height = r.le16();
        if (r.le16() > 1) return "Invalid BMP header (planes)";
        h->bits = r.le16();
        h->tableStart = kFileHeader + 12;
        return nullptr;
    }
    const bool windows = size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
    if (!windows && (size < 16 || size > 64)) return "Unsupported BMP header";
    const BYTE* p = r.take(size - 4);
    if (!p) return "The BMP file is truncated";
    BYTE f[124] = {};  // the header without its size, missing fields zero
    std::memcpy(f, p, size - 4);
    h->width = static_cast<std::int32_t>(le32at(f));
    const std::int32_t height = static_cast<std::int32_t>(le32at(f + 4));
    h->topDown = height < 0;
    h->height = h->topDown ? -static_cast<std::int64_t>(height) : height;
    if ((f[8] | f[9] << 8) > 1) return "Invalid BMP header (planes)";
    h->bits = f[10] | f[11] << 8;
    h->compression = le32at(f + 12);
    h->clrUsed = le32at(f + 28);
    h->windowsMasks = windows;
    h->tableStart = kFileHeader + size;
    if (size >= 52) {
        for (int i = 0; i < 3; ++i) h->masks[i] = le32at(f + 36 + 4 * i);
    }
    if (size >= 56) {
        h->masks[3] = le32at(f + 48);
        h->alphaFromHeader = h->masks[3] != 0;
    }
    const bool fields = h->compression == BI_BITFIELDS || h->compression == kAlphaBitFields;
    if (windows && fields && size == 40) {
        const int n = h->compression == kAlphaBitFields ? 4 : 3;
        for (int i = 0; i < n; ++i) h->masks[i] = r.le32();
        if (r.failed()) return "The BMP file is truncated";
        h->tableStart += 4u * n;
        h->alphaFromHeader = n == 4 && h->masks[3] != 0;
    }
    return nullptr;
}

const char* checkHeader(const Header& h) {
    if (!sideOk(h.width) || !sideOk(h.height)) return "Invalid picture size in the BMP file";
    switch (h.bits) {
    case 1: case 2: case 4: case 8: case 16: case 24: case 32: break;
    default: return "Unsupported number of bits per pixel in the BMP file";
    }
    switch (h.compression) {
    case BI_RGB: return nullptr;
    case BI_RLE8: return h.bits == 8 ? nullptr : "Invalid BMP compression for this depth";
    case BI_RLE4: return h.bits == 4 ? nullptr : "Invalid BMP compression for this depth";
    case BI_BITFIELDS:
    case kAlphaBitFields:
        if (!h.windowsMasks) return "Unsupported BMP compression";
        return h.bits == 16 || h.bits == 32 ? nullptr : "Invalid BMP compression for this depth";
    default: return "Unsupported BMP compression";
    }
}

// Pixels of a 16- or 32-bit file as 24 bits, alpha composited over white.
class MaskedPixels {
public:
    const char* init(const Header& h) {
        const bool fields = h.compression == BI_BITFIELDS || h.compression == kAlphaBitFields;
        std::uint32_t m[4] = {};
        if (fields) {
            std::copy_n(h.masks, 3, m);
        } else if (h.bits == 16) {
            m[0] = 0x7C00, m[1] = 0x03E0, m[2] = 0x001F;
        } else {
            m[0] = 0xFF0000, m[1] = 0xFF00, m[2] = 0xFF;
        }
        if (h.alphaFromHeader) m[3] = h.masks[3];
        for (int i = 0; i < 4; ++i)
            if (!makeChannel(m[i], h.bits, &ch_[i])) return "Invalid colour masks in the BMP file";
        for (int i = 0; i < 4; ++i)
            for (int j = i + 1; j < 4; ++j)
                if (m[i] & m[j]) return "Invalid colour masks in the BMP file";
        bytes_ = h.bits / 8;
        return nullptr;
    }
    bool hasAlpha() const { return ch_[3].mask != 0; }
    // A picture whose every alpha value is 0 was written without alpha: it is opaque.
    void dropAlphaIfUnused(const BYTE* rows, std::size_t stride, std::int64_t width, std::int64_t height) {
        if (!hasAlpha()) return;
        for (std::int64_t y = 0; y < height; ++y) {
            const BYTE* row = rows + y * stride;
            for (std::int64_t x = 0; x < width; ++x)
                if (pixel(row, x) & ch_[3].mask) return;
        }
        ch_[3] = Channel{};
    }
    void convertRow(const BYTE* src, int width, BYTE* dst) const {
        for (int x = 0; x < width; ++x, dst += 3) {
            const std::uint32_t px = pixel(src, x);
            BYTE b = sample(px, ch_[2]), g = sample(px, ch_[1]), r = sample(px, ch_[0]);
            if (ch_[3].mask) {
                const BYTE a = sample(px, ch_[3]);
                b = overWhite(b, a), g = overWhite(g, a), r = overWhite(r, a);
            }
            dst[0] = b, dst[1] = g, dst[2] = r;
        }
    }

private:
    std::uint32_t pixel(const BYTE* row, std::int64_t x) const {
        const BYTE* p = row + x * bytes_;
        return bytes_ == 2 ? static_cast<std::uint32_t>(p[0] | p[1] << 8) : le32at(p);
    }
    Channel ch_[4];
    int bytes_ = 2;
};

bool decodeRle(const BYTE* data, std::size_t size, const Header& h, TDib* out, Progress& progress) {
    const int w = static_cast<int>(h.width), ht = static_cast<int>(h.height);
    const bool nibbles = h.compression == BI_RLE4;
    const int bits = nibbles ? 4 : 8;
    ByteReader r(data, size);
    std::int64_t x = 0, y = 0;  // y counts file rows, first row first
    auto rowOf = [&](std::int64_t fileRow) { return rowFromTop(*out, static_cast<int>(h.topDown ? fileRow : ht - 1 - fileRow)); };
    auto put = [&](BYTE* row, unsigned v) {  // pixels past the row's end are dropped
        if (x < w) setIndexAt(row, static_cast<int>(x++), bits, v);
    };
    while (y < ht) {
        if (!r.has(2)) {
            if (y == ht - 1 && x >= w) break;  // the last row is complete
            return fail(out, "The RLE data of the BMP file is truncated");
        }
        const unsigned n = r.u8(), v = r.u8();
        if (n > 0) {  // a run of n pixels
            BYTE* row = rowOf(y);
            for (unsigned i = 0; i < n; ++i) put(row, nibbles ? (i & 1 ? v & 0x0F : v >> 4) : v);
            continue;
        }
        if (v == 0) {  // end of line
            x = 0;
            progress.row(y, ht);
            ++y;
        } else if (v == 1) {  // end of bitmap
            break;
        } else if (v == 2) {  // delta
            if (!r.has(2)) return fail(out, "The RLE data of the BMP file is truncated");
            x = std::min<std::int64_t>(x + r.u8(), w);
            y += r.u8();
        } else {  // v literal pixels, padded to a 16-bit boundary
            const std::size_t bytes = nibbles ? (v + 1) / 2 : v;
            const BYTE* p = r.take(bytes);
            if (!p) return fail(out, "The RLE data of the BMP file is truncated");
            if (bytes & 1) r.skip(std::min<std::size_t>(1, r.left()));
            BYTE* row = rowOf(y);
            for (unsigned i = 0; i < v; ++i) put(row, nibbles ? (i & 1 ? p[i / 2] & 0x0F : p[i / 2] >> 4) : p[i]);
        }
    }
    return true;
}

// One row of indexes as RLE8 or RLE4 (nibbles) codes, without the end-of-line code.
void packRleRow(const BYTE* idx, int width, bool nibbles, ByteBuffer& b) {
    auto code = [&](std::size_t n, BYTE v) {
        b.u8(static_cast<unsigned>(n));
        b.u8(nibbles ? static_cast<unsigned>(v << 4 | v) : v);
    };
    std::size_t i = 0;
    const std::size_t w = static_cast<std::size_t>(width);
    while (i < w) {
        const std::size_t run = runAt(idx + i, w - i, 255);
        if (run >= 3) {
            code(run, idx[i]);
            i += run;
            continue;
        }
        std::size_t j = i;  // a stretch without runs of three
        while (j < w && j - i < 255) {
            const std::size_t r = runAt(idx + j, w - j, 255);
            if (r >= 3) break;
            j = std::min(j + r, i + 255);
        }
        const std::size_t n = j - i;
        if (n < 3) {
            for (std::size_t k = i; k < j;) {
                const std::size_t r = runAt(idx + k, j - k, 2);
                code(r, idx[k]);
                k += r;
            }
        } else {
            b.u8(0);
            b.u8(static_cast<unsigned>(n));
            std::size_t bytes = 0;
            if (nibbles) {
                for (std::size_t k = 0; k < n; k += 2, ++bytes)
                    b.u8(static_cast<unsigned>(idx[i + k] << 4 | (k + 1 < n ? idx[i + k + 1] : 0)));
            } else {
                b.append(idx + i, n);
                bytes = n;
            }
            if (bytes & 1) b.u8(0);
        }
        i = j;
    }
}

}  // namespace

bool sniffBmp(const BYTE* data, std::size_t size) {
    if (size < 18 || data[0] != 'B' || data[1] != 'M') return false;
    const std::uint32_t h = le32at(data + 14);
    return h == 12 || (h >= 16 && h <= 64) || h == 108 || h == 124;
}

bool decodeBmp(const BYTE* data, std::size_t size, TDib* out, Progress& progress) {
    if (size < 2 || data[0] != 'B' || data[1] != 'M') return fail(out, "Not a BMP file");
    ByteReader r(data, size);
    Header h;
    if (const char* e = readHeader(r, &h)) return fail(out, e);
    if (const char* e = checkHeader(h)) return fail(out, e);
    std::size_t offBits = le32at(data + 10);
    if (offBits > size) return fail(out, "The BMP file is truncated");

    // Colour table: biClrUsed or 2^bits entries, no more than lie before the pixels.
    RGBQUAD table[256] = {};
    int entries = 0;
    const std::size_t entryBytes = h.core ? 3 : 4;
    if (h.bits <= 8) {
        if (h.clrUsed > 256) return fail(out, "Too many colours in the BMP file");
        std::size_t n = h.clrUsed ? h.clrUsed : 1u << h.bits;
        if (offBits >= h.tableStart) n = std::min(n, (offBits - h.tableStart) / entryBytes);
        if (h.tableStart + n * entryBytes > size) return fail(out, "The BMP file is truncated");
        const BYTE* t = data + h.tableStart;
        entries = static_cast<int>(std::min<std::size_t>(n, 1u << h.bits));
        for (int i = 0; i < entries; ++i, t += entryBytes) table[i] = RGBQUAD{t[0], t[1], t[2], 0};
        if (offBits < h.tableStart) offBits = h.tableStart + n * entryBytes;
    } else if (offBits < h.tableStart) {
        offBits = h.tableStart + std::min<std::size_t>(h.clrUsed, 256) * entryBytes;
    }
    if (offBits > size) return fail(out, "The BMP file is truncated");

    const int w = static_cast<int>(h.width), ht = static_cast<int>(h.height);
    const int bits = h.bits == 2 ? 4 : h.bits > 8 ? 24 : h.bits;
    const BYTE* pixels = data + offBits;
    const std::size_t avail = size - offBits;

    if (h.compression == BI_RLE8 || h.compression == BI_RLE4) {
        if (!allocDib(out, w, ht, bits, table, bits <= 8 ? tableSize(bits) : 0)) return false;
        return decodeRle(pixels, avail, h, out, progress);
    }

    const std::size_t stride = static_cast<std::size_t>(lineBytesFor(w, h.bits));
    const std::size_t used = (static_cast<std::size_t>(w) * h.bits + 7) / 8;
    if ((static_cast<std::size_t>(ht) - 1) * stride + used > avail) return fail(out, "The BMP file is truncated");
    MaskedPixels masked;
    if (h.bits >= 16 && h.bits != 24) {
        if (const char* e = masked.init(h)) return fail(out, e);
        masked.dropAlphaIfUnused(pixels, stride, w, ht);
    }
    if (!allocDib(out, w, ht, bits, table, bits <= 8 ? tableSize(bits) : 0)) return false;
    for (int fileRow = 0; fileRow < ht; ++fileRow) {
        const BYTE* src = pixels + static_cast<std::size_t>(fileRow) * stride;
        BYTE* dst = rowFromTop(*out, h.topDown ? fileRow : ht - 1 - fileRow);
        switch (h.bits) {
        case 2:
            expand2To4(src, w, dst);
            break;
        case 16:
        case 32: masked.convertRow(src, w, dst); break;
        default: std::memcpy(dst, src, used);
        }
        progress.row(fileRow, ht);
    }
    return true;
}

bool encodeBmp(const TDib& dib, std::FILE* file, int type, Progress& progress) {
    if (!writable(dib) || !file) return false;
    const int w = widthOf(dib), h = heightOf(dib), bits = bitsOf(dib);
    const int entries = tableSize(bits);
    const bool rle = type == PW_RLE && (bits == 8 || bits == 4);
    const std::size_t stride = static_cast<std::size_t>(lineBytesFor(w, bits));

    ByteBuffer packed;
    if (rle) {
        std::vector<BYTE> idx(static_cast<std::size_t>(w));
        for (int i = 0; i < h; ++i) {  // memory rows are file rows: bottom-up
            unpackIndexes(dib.Bits + static_cast<std::ptrdiff_t>(i) * dib.LineBytes, w, bits, idx.data());
            packRleRow(idx.data(), w, bits == 4, packed);
            packed.u8(0);
            packed.u8(i + 1 < h ? 0 : 1);  // end of line, end of bitmap
            progress.row(i, h);
        }
    }
    const std::uint64_t imageBytes = rle ? packed.size() : static_cast<std::uint64_t>(stride) * h;
    const std::uint32_t offBits = static_cast<std::uint32_t>(kFileHeader + 40 + 4 * entries);
    if (offBits + imageBytes > std::numeric_limits<std::uint32_t>::max()) return false;

    const BITMAPINFOHEADER& info = dib.Info->bmiHeader;
    FileSink s(file);
    s.u8('B');
    s.u8('M');
    s.le32(static_cast<std::uint32_t>(offBits + imageBytes));
    s.le32(0);
    s.le32(offBits);
    s.le32(40);
    s.le32(static_cast<std::uint32_t>(w));
    s.le32(static_cast<std::uint32_t>(h));
    s.le16(1);
    s.le16(static_cast<unsigned>(bits));
    s.le32(rle ? (bits == 8 ? BI_RLE8 : BI_RLE4) : BI_RGB);
    s.le32(static_cast<std::uint32_t>(imageBytes));
    s.le32(static_cast<std::uint32_t>(info.biXPelsPerMeter));
    s.le32(static_cast<std::uint32_t>(info.biYPelsPerMeter));
    s.le32(static_cast<std::uint32_t>(entries));
    s.le32(0);
    for (int i = 0; i < entries; ++i) {
        const RGBQUAD& q = tableOf(dib)[i];
        s.u8(q.rgbBlue);
        s.u8(q.rgbGreen);
        s.u8(q.rgbRed);
        s.u8(0);
    }
    if (rle) {
        s.append(packed);
        return s.finish();
    }
    for (int i = 0; i < h; ++i) {
        s.append(dib.Bits + static_cast<std::ptrdiff_t>(i) * dib.LineBytes, stride);
        if (!s.spill()) return false;
        progress.row(i, h);
    }
    return s.finish();
}

}  // namespace pixwerk
