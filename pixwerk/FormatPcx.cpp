// PCX files: versions 0 to 5, 1 to 8 bits in up to four planes, run-length coded scan lines.
#include "pixwerk/OwnFormats.h"

#include <cmath>

namespace pixwerk {
namespace {
using namespace own;

constexpr std::size_t kHeader = 128;
constexpr std::size_t kEndPalette = 769;  // 0x0C and 256 RGB triples

// Colours of 16-colour files that carry no palette.
constexpr BYTE kDefault16[16][3] = {
    {0x00, 0x00, 0x00}, {0x00, 0x00, 0xAA}, {0x00, 0xAA, 0x00}, {0x00, 0xAA, 0xAA},
    {0xAA, 0x00, 0x00}, {0xAA, 0x00, 0xAA}, {0xAA, 0x55, 0x00}, {0xAA, 0xAA, 0xAA},
    {0x55, 0x55, 0x55}, {0x55, 0x55, 0xFF}, {0x55, 0xFF, 0x55}, {0x55, 0xFF, 0xFF},
    {0xFF, 0x55, 0x55}, {0xFF, 0x55, 0xFF}, {0xFF, 0xFF, 0x55}, {0xFF, 0xFF, 0xFF},
};

unsigned le16at(const BYTE* p) { return p[0] | p[1] << 8u; }

enum class Layout { Mono, Planar, Packed2, Packed4, Indexed8, Rgb24 };

bool layoutOf(int bpp, int planes, Layout* l) {
    if (bpp == 1 && planes == 1) *l = Layout::Mono;
    else if (bpp == 1 && planes >= 2 && planes <= 4) *l = Layout::Planar;
    else if (bpp == 2 && planes == 1) *l = Layout::Packed2;
    else if (bpp == 4 && planes == 1) *l = Layout::Packed4;
    else if (bpp == 8 && planes == 1) *l = Layout::Indexed8;
    else if (bpp == 8 && planes == 3) *l = Layout::Rgb24;
    else return false;
    return true;
}

// Most bytes that `n` bytes of run-length code can give.
std::uint64_t mostDecoded(std::uint64_t n) { return n / 2 * 63 + (n & 1); }

// Decodes one scan line of all planes. A run may go on into the next scan line.
class LineDecoder {
public:
    LineDecoder(const BYTE* data, std::size_t size, bool packed) : r_(data, size), packed_(packed) {}
    bool line(BYTE* dst, std::size_t n) {
        if (!packed_) {
            const BYTE* p = r_.take(n);
            if (!p) return false;
            std::memcpy(dst, p, n);
            return true;
        }
        std::size_t pos = 0;
        while (pos < n) {
            if (runLeft_) {
                const std::size_t k = std::min<std::size_t>(runLeft_, n - pos);
                std::memset(dst + pos, runValue_, k);
                pos += k;
                runLeft_ -= static_cast<unsigned>(k);
                continue;
            }
            if (!r_.has(1)) return false;
            const BYTE c = r_.u8();
            if ((c & 0xC0) == 0xC0) {
                if (!r_.has(1)) return false;
                runLeft_ = c & 0x3Fu;
                runValue_ = r_.u8();
            } else {
                dst[pos++] = c;
            }
        }
        return true;
    }

private:
    ByteReader r_;
    bool packed_;
    unsigned runLeft_ = 0;
    BYTE runValue_ = 0;
};

// One plane of a scan line as run-length code; runs stay within the plane.
void packPlane(const BYTE* p, std::size_t n, ByteBuffer& b) {
    for (std::size_t i = 0; i < n;) {
        const std::size_t run = runAt(p + i, n - i, 63);
        if (run > 1 || (p[i] & 0xC0) == 0xC0) b.u8(0xC0u | static_cast<unsigned>(run));
        b.u8(p[i]);
        i += run;
    }
}

unsigned dpiOf(LONG pelsPerMeter) {
    const double dpi = std::nearbyint(pelsPerMeter * 0.0254);
    return dpi < 0 ? 0u : dpi > 65535 ? 65535u : static_cast<unsigned>(dpi);
}

}  // namespace

bool sniffPcx(const BYTE* data, std::size_t size) {
    if (size < 4 || data[0] != 0x0A) return false;
    const BYTE v = data[1];
    if (v != 0 && v != 2 && v != 3 && v != 4 && v != 5) return false;
    if (data[2] > 1) return false;
    const BYTE bpp = data[3];
    if (bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8) return false;
    if (size < 68) return true;
    Layout l;
    return le16at(data + 8) >= le16at(data + 4) && le16at(data + 10) >= le16at(data + 6) && layoutOf(bpp, data[65], &l);
}

bool decodePcx(const BYTE* data, std::size_t size, TDib* out, Progress& progress) {
    if (size < 1 || data[0] != 0x0A) return fail(out, "Not a PCX file");
    if (size < kHeader) return fail(out, "The PCX file is truncated");
    const int version = data[1];
    if (version != 0 && version != 2 && version != 3 && version != 4 && version != 5)
        return fail(out, "Unsupported PCX version");
    if (data[2] > 1) return fail(out, "Unsupported PCX encoding");
    const int bpp = data[3], planes = data[65];
    Layout layout;
    if (!layoutOf(bpp, planes, &layout)) return fail(out, "Unsupported kind of PCX file");
    const std::int64_t w = std::int64_t(le16at(data + 8)) - le16at(data + 4) + 1;
    const std::int64_t h = std::int64_t(le16at(data + 10)) - le16at(data + 6) + 1;
    if (!sideOk(w) || !sideOk(h)) return fail(out, "Invalid picture size in the PCX file");
    const std::size_t bpl = le16at(data + 66);
    if (bpl < static_cast<std::size_t>((w * bpp + 7) / 8)) return fail(out, "Invalid bytes per line in the PCX file");

    // Palette: the header's 16 colours, or the 256 after the pixels of 8-bit files.
    std::size_t end = size;
    RGBQUAD table[256] = {};
    int bits = 4;
    const BYTE* headerPal = data + 16;
    switch (layout) {
    case Layout::Mono: {
        bits = 1;
        const bool blank = std::memcmp(headerPal, headerPal + 3, 3) == 0;
        if (version == 3 || blank) {
            table[1] = RGBQUAD{255, 255, 255, 0};
        } else {
            tableFromRgb(table, headerPal, 2);
        }
        break;
    }
    case Layout::Indexed8:
        bits = 8;
        if (size >= kHeader + kEndPalette && data[size - kEndPalette] == 0x0C) {
            end = size - kEndPalette;
            tableFromRgb(table, data + end + 1, 256);
        } else {
            greyTable(table, 256);
        }
        break;
    case Layout::Rgb24: bits = 24; break;
    default: {
        const bool blank = std::all_of(headerPal, headerPal + 48, [](BYTE b) { return b == 0; });
        tableFromRgb(table, version == 3 || blank ? &kDefault16[0][0] : headerPal, 16);
    }
    }

    const std::size_t lineTotal = bpl * static_cast<std::size_t>(planes);
    const std::uint64_t total = static_cast<std::uint64_t>(lineTotal) * static_cast<std::uint64_t>(h);
    const std::size_t code = end - kHeader;
    if (data[2] == 1 ? mostDecoded(code) < total : code < total) return fail(out, "The PCX file is truncated");

    const int wi = static_cast<int>(w), hi = static_cast<int>(h);
    if (!allocDib(out, wi, hi, bits, table, tableSize(bits))) return false;
    LineDecoder dec(data + kHeader, code, data[2] == 1);
    std::vector<BYTE> line(lineTotal), idx(static_cast<std::size_t>(w));
    for (int y = 0; y < hi; ++y) {
        if (!dec.line(line.data(), lineTotal)) return fail(out, "The PCX file is truncated");
        BYTE* row = rowFromTop(*out, y);
        switch (layout) {
        case Layout::Mono: std::memcpy(row, line.data(), static_cast<std::size_t>((w + 7) / 8)); break;
        case Layout::Planar:
            std::fill(idx.begin(), idx.end(), 0);
            for (int p = 0; p < planes; ++p) addPlane(line.data() + p * bpl, wi, p, idx.data());
            packIndexes(idx.data(), wi, 4, row);
            break;
        case Layout::Packed2:
            expand2To4(line.data(), wi, row);
            break;
        case Layout::Packed4: std::memcpy(row, line.data(), static_cast<std::size_t>((w + 1) / 2)); break;
        case Layout::Indexed8: std::memcpy(row, line.data(), static_cast<std::size_t>(w)); break;
        case Layout::Rgb24:
            for (int x = 0; x < wi; ++x) {
                row[3 * x] = line[2 * bpl + x];
                row[3 * x + 1] = line[bpl + x];
                row[3 * x + 2] = line[x];
            }
            break;
        }
        progress.row(y, hi);
    }
    return true;
}

bool encodePcx(const TDib& dib, std::FILE* file, int type, Progress& progress) {
    if (!writable(dib) || !file) return false;
    const int w = widthOf(dib), h = heightOf(dib), bits = bitsOf(dib);
    if (w > 65535 || h > 65535) return false;
    const int bpp = bits == 1 || bits == 4 ? 1 : 8;
    const int planes = bits == 4 ? 4 : bits == 24 ? 3 : 1;
    std::size_t bpl = (static_cast<std::size_t>(w) * bpp + 7) / 8;
    bpl += bpl & 1;

    const BITMAPINFOHEADER& info = dib.Info->bmiHeader;
    FileSink s(file);
    s.u8(0x0A);
    s.u8(5);
    s.u8(1);
    s.u8(static_cast<unsigned>(bpp));
    s.le16(0);
    s.le16(0);
    s.le16(static_cast<unsigned>(w - 1));
    s.le16(static_cast<unsigned>(h - 1));
    s.le16(dpiOf(info.biXPelsPerMeter));
    s.le16(dpiOf(info.biYPelsPerMeter));
    const int headerColours = bits <= 4 ? tableSize(bits) : 0;
    for (int i = 0; i < 16; ++i) {
        const RGBQUAD q = i < headerColours ? tableOf(dib)[i] : RGBQUAD{};
        s.u8(q.rgbRed);
        s.u8(q.rgbGreen);
        s.u8(q.rgbBlue);
    }
    s.u8(0);
    s.u8(static_cast<unsigned>(planes));
    s.le16(static_cast<unsigned>(bpl));
    s.le16(1);
    s.fill(0, kHeader - 70);

    std::vector<BYTE> line(bpl * static_cast<std::size_t>(planes)), idx(static_cast<std::size_t>(w));
    for (int y = 0; y < h; ++y) {
        const BYTE* row = rowFromTop(dib, y);
        std::fill(line.begin(), line.end(), 0);
        switch (bits) {
        case 1:
        case 8: std::memcpy(line.data(), row, (static_cast<std::size_t>(w) * bits + 7) / 8); break;
        case 4:
            unpackIndexes(row, w, 4, idx.data());
            for (int p = 0; p < 4; ++p) takePlane(idx.data(), w, p, line.data() + p * bpl, bpl);
            break;
        default:
            for (int x = 0; x < w; ++x) {
                line[x] = row[3 * x + 2];
                line[bpl + x] = row[3 * x + 1];
                line[2 * bpl + x] = row[3 * x];
            }
        }
        for (int p = 0; p < planes; ++p) packPlane(line.data() + p * bpl, bpl, s);
        if (!s.spill()) return false;
        progress.row(y, h);
    }
    if (bits == 8) {
        s.u8(0x0C);
        for (int i = 0; i < 256; ++i) {
            const RGBQUAD& q = tableOf(dib)[i];
            s.u8(q.rgbRed);
            s.u8(q.rgbGreen);
            s.u8(q.rgbBlue);
        }
    }
    return s.finish();
}

}  // namespace pixwerk
