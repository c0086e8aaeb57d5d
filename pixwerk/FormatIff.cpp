// IFF and LBM files: the FORM container with ILBM (bit planes, HAM, EHB, 24 planes)
// or PBM (one byte per pixel) pictures, plain or ByteRun1 packed.
#include "pixwerk/OwnFormats.h"

namespace pixwerk {
namespace {
using namespace own;

constexpr std::uint32_t kHam = 0x800;
constexpr std::uint32_t kEhb = 0x80;

bool isTag(const BYTE* p, const char (&tag)[5]) { return std::memcmp(p, tag, 4) == 0; }

struct Bmhd {
    int width = 0, height = 0, planes = 0, masking = 0, compression = 0;
};

struct Chunks {
    bool pbm = false;
    bool haveHeader = false;
    Bmhd bmhd;
    const BYTE* cmap = nullptr;
    int cmapEntries = 0;
    std::uint32_t camg = 0;
    const BYTE* body = nullptr;
    std::size_t bodyBytes = 0;
};

const char* readChunks(const BYTE* data, std::size_t size, Chunks* c) {
    ByteReader r(data, size);
    if (!r.has(12)) return "The IFF file is truncated";
    r.skip(4);  // FORM
    const std::uint32_t formBytes = r.be32();
    if (formBytes < 4 || formBytes > size - 8) return "The IFF file is truncated";
    const BYTE* type = r.take(4);
    if (isTag(type, "PBM ")) c->pbm = true;
    else if (!isTag(type, "ILBM")) return "Unsupported kind of IFF file";
    ByteReader form(data, 8 + static_cast<std::size_t>(formBytes));
    form.seek(12);
    while (form.left() >= 8) {
        const BYTE* id = form.take(4);
        const std::uint32_t n = form.be32();
        const BYTE* p = form.take(n);
        if (!p) return "Damaged chunk in the IFF file";
        if (n & 1) form.skip(std::min<std::size_t>(1, form.left()));
        if (isTag(id, "BMHD")) {
            if (n < 20) return "Damaged chunk in the IFF file";
            c->haveHeader = true;
            c->bmhd = Bmhd{p[0] << 8 | p[1], p[2] << 8 | p[3], p[8], p[9], p[10]};
        } else if (isTag(id, "CMAP")) {
            if (n / 3 > 256) return "Too many colours in the IFF file";
            c->cmap = p;
            c->cmapEntries = static_cast<int>(n / 3);
        } else if (isTag(id, "CAMG")) {
            if (n >= 4) c->camg = static_cast<std::uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
        } else if (isTag(id, "BODY")) {
            c->body = p;
            c->bodyBytes = n;
        }
    }
    if (!c->haveHeader) return "The IFF file has no picture header";
    if (!c->body) return "The IFF file has no picture data";
    return nullptr;
}

// Decodes rows of `n` bytes, plain or ByteRun1; a run past the row's end is cut there.
class RowDecoder {
public:
    RowDecoder(const BYTE* data, std::size_t size, bool packed) : r_(data, size), packed_(packed) {}
    bool row(BYTE* dst, std::size_t n) {
        if (!packed_) {
            const BYTE* p = r_.take(n);
            if (p) std::memcpy(dst, p, n);
            return p != nullptr;
        }
        for (std::size_t pos = 0; pos < n;) {
            if (!r_.has(1)) return false;
            const int c = static_cast<signed char>(r_.u8());
            if (c >= 0) {
                const std::size_t k = static_cast<std::size_t>(c) + 1;
                const BYTE* p = r_.take(k);
                if (!p) return false;
                const std::size_t m = std::min(k, n - pos);
                std::memcpy(dst + pos, p, m);
                pos += m;
            } else if (c != -128) {
                if (!r_.has(1)) return false;
                const BYTE v = r_.u8();
                const std::size_t m = std::min<std::size_t>(static_cast<std::size_t>(1 - c), n - pos);
                std::memset(dst + pos, v, m);
                pos += m;
            }
        }
        return true;
    }

private:
    ByteReader r_;
    bool packed_;
};

void packByteRun1(const BYTE* p, std::size_t n, ByteBuffer& b) {
    for (std::size_t i = 0; i < n;) {
        const std::size_t run = runAt(p + i, n - i, 128);
        if (run >= 3) {
            b.u8(static_cast<unsigned>(257 - run));
            b.u8(p[i]);
            i += run;
            continue;
        }
        std::size_t j = i;
        while (j < n && j - i < 128 && runAt(p + j, n - j, 3) < 3) ++j;
        b.u8(static_cast<unsigned>(j - i - 1));
        b.append(p + i, j - i);
        i = j;
    }
}

// A HAM row: indexes of 6 or 8 planes to blue, green, red.
void hamRow(const BYTE* idx, int width, int planes, const RGBQUAD* table, BYTE* dst) {
    const int valueBits = planes - 2;
    const unsigned valueMask = (1u << valueBits) - 1;
    auto scale = [&](unsigned v) {
        return static_cast<BYTE>(valueBits == 4 ? v * 17 : (v << 2 | v >> 4));
    };
    BYTE b = table[0].rgbBlue, g = table[0].rgbGreen, r = table[0].rgbRed;
    for (int x = 0; x < width; ++x, dst += 3) {
        const unsigned v = idx[x] & valueMask;
        switch (idx[x] >> valueBits) {
        case 0: b = table[v].rgbBlue, g = table[v].rgbGreen, r = table[v].rgbRed; break;
        case 1: b = scale(v); break;
        case 2: r = scale(v); break;
        default: g = scale(v);
        }
        dst[0] = b, dst[1] = g, dst[2] = r;
    }
}

struct Layout {
    int planes;
    std::size_t planeBytes;
    bool ham;
    int bits;
    const RGBQUAD* table;
};

// The BODY's rows of `rowBytes` bytes into the picture; false when the data ends early.
bool decodeBody(const Chunks& c, const Layout& l, std::size_t rowBytes, TDib* out, Progress& progress) {
    const int width = c.bmhd.width, height = c.bmhd.height;
    const std::size_t w = static_cast<std::size_t>(width);
    RowDecoder dec(c.body, c.bodyBytes, c.bmhd.compression == 1);
    std::vector<BYTE> line(rowBytes), idx(w * (l.planes == 24 ? 3 : 1));
    for (int y = 0; y < height; ++y) {
        if (!dec.row(line.data(), rowBytes)) return false;
        BYTE* row = rowFromTop(*out, y);
        if (c.pbm) {
            std::memcpy(row, line.data(), w);
        } else if (l.planes == 24) {
            std::fill(idx.begin(), idx.end(), 0);
            for (int p = 0; p < 24; ++p) addPlane(line.data() + p * l.planeBytes, width, p % 8, idx.data() + p / 8 * w);
            for (std::size_t x = 0; x < w; ++x) {
                row[3 * x] = idx[2 * w + x];
                row[3 * x + 1] = idx[w + x];
                row[3 * x + 2] = idx[x];
            }
        } else {
            std::fill(idx.begin(), idx.end(), 0);
            for (int p = 0; p < l.planes; ++p) addPlane(line.data() + p * l.planeBytes, width, p, idx.data());
            if (l.ham) hamRow(idx.data(), width, l.planes, l.table, row);
            else packIndexes(idx.data(), width, l.bits, row);
        }
        progress.row(y, height);
    }
    return true;
}

}  // namespace

bool sniffIff(const BYTE* data, std::size_t size) {
    return size >= 12 && isTag(data, "FORM") && (isTag(data + 8, "ILBM") || isTag(data + 8, "PBM "));
}

bool decodeIff(const BYTE* data, std::size_t size, TDib* out, Progress& progress) {
    if (size < 4 || !isTag(data, "FORM")) return fail(out, "Not an IFF file");
    Chunks c;
    if (const char* e = readChunks(data, size, &c)) return fail(out, e);
    const Bmhd& b = c.bmhd;
    if (!sideOk(b.width) || !sideOk(b.height)) return fail(out, "Invalid picture size in the IFF file");
    if (b.compression > 1) return fail(out, "Unsupported IFF compression");
    const int planes = b.planes;
    const bool ham = !c.pbm && (c.camg & kHam) && (planes == 6 || planes == 8);
    const bool ehb = !c.pbm && !ham && (c.camg & kEhb) && planes == 6;
    if (c.pbm ? planes < 1 || planes > 8 : planes < 1 || (planes > 8 && planes != 24))
        return fail(out, "Unsupported number of planes in the IFF file");

    const int bits = planes == 24 || ham ? 24 : c.pbm ? 8 : bitsForColours(1 << planes);
    RGBQUAD table[256] = {};
    const int colours = planes <= 8 ? 1 << planes : 0;
    if (c.cmap) tableFromRgb(table, c.cmap, std::min(c.cmapEntries, 256));
    else if (colours) greyTable(table, colours);
    if (ehb)
        for (int i = 0; i < 32; ++i)
            table[32 + i] = RGBQUAD{BYTE(table[i].rgbBlue >> 1), BYTE(table[i].rgbGreen >> 1), BYTE(table[i].rgbRed >> 1), 0};

    const std::size_t w = static_cast<std::size_t>(b.width), h = static_cast<std::size_t>(b.height);
    const std::size_t planeBytes = (w + 15) / 16 * 2;
    const std::size_t rowPlanes = static_cast<std::size_t>(planes) + (b.masking == 1 ? 1 : 0);
    // PBM rows are padded to even lengths; some writers leave odd ones unpadded.
    const std::size_t rowBytes = c.pbm ? w + (w & 1) : planeBytes * rowPlanes;
    const std::size_t shortest = c.pbm ? w : rowBytes;
    const std::uint64_t least = b.compression ? h * ((shortest + 127) / 128 * 2) : std::uint64_t(h) * shortest;
    if (least > c.bodyBytes) return fail(out, "The IFF file is truncated");

    if (!allocDib(out, b.width, b.height, bits, table, tableSize(bits))) return false;
    const Layout layout{planes, planeBytes, ham, bits, table};
    if (decodeBody(c, layout, rowBytes, out, progress)) return true;
    if (shortest != rowBytes && decodeBody(c, layout, shortest, out, progress)) return true;
    return fail(out, "The IFF file is truncated");
}

bool encodeIff(const TDib& dib, std::FILE* file, int type, Progress& progress) {
    if (!writable(dib) || !file) return false;
    const int w = widthOf(dib), h = heightOf(dib), bits = bitsOf(dib);
    if (w > 32767 || h > 32767) return false;
    // Readers differ on odd PBM rows (padded or not); those pictures go as ILBM.
    const bool pbm = type == PW_LBM && bits == 8 && w % 2 == 0;
    const int entries = tableSize(bits);
    const std::size_t uw = static_cast<std::size_t>(w);
    const std::size_t planeBytes = (uw + 15) / 16 * 2;

    ByteBuffer body;
    std::vector<BYTE> idx(uw), plane(planeBytes);
    for (int y = 0; y < h; ++y) {
        const BYTE* row = rowFromTop(dib, y);
        if (pbm) {
            packByteRun1(row, uw, body);
        } else if (bits == 24) {
            for (int p = 0; p < 24; ++p) {
                const int channel = 2 - p / 8;  // red planes first; the picture holds blue first
                for (std::size_t x = 0; x < uw; ++x) idx[x] = row[3 * x + channel];
                takePlane(idx.data(), w, p % 8, plane.data(), planeBytes);
                packByteRun1(plane.data(), planeBytes, body);
            }
        } else {
            unpackIndexes(row, w, bits, idx.data());
            for (int p = 0; p < bits; ++p) {
                takePlane(idx.data(), w, p, plane.data(), planeBytes);
                packByteRun1(plane.data(), planeBytes, body);
            }
        }
        progress.row(y, h);
    }

    const std::size_t cmapBytes = 3 * static_cast<std::size_t>(entries);
    const std::uint64_t formBytes = 4 + (8 + 20) + (entries ? 8 + cmapBytes + (cmapBytes & 1) : 0) + 8 + body.size() + (body.size() & 1);
    if (formBytes > 0xFFFFFFFFu) return false;
    FileSink s(file);
    s.tag("FORM");
    s.be32(static_cast<std::uint32_t>(formBytes));
    s.tag(pbm ? "PBM " : "ILBM");
    s.tag("BMHD");
    s.be32(20);
    s.be16(static_cast<unsigned>(w));
    s.be16(static_cast<unsigned>(h));
    s.be32(0);                          // position
    s.u8(static_cast<unsigned>(bits));  // planes
    s.u8(0);                            // no mask
    s.u8(1);                            // ByteRun1
    s.u8(0);
    s.be16(0);                          // transparent colour
    s.u8(1);                            // square pixels
    s.u8(1);
    s.be16(static_cast<unsigned>(w));   // page size
    s.be16(static_cast<unsigned>(h));
    if (entries) {
        s.tag("CMAP");
        s.be32(static_cast<std::uint32_t>(cmapBytes));
        for (int i = 0; i < entries; ++i) {
            const RGBQUAD& q = tableOf(dib)[i];
            s.u8(q.rgbRed);
            s.u8(q.rgbGreen);
            s.u8(q.rgbBlue);
        }
        if (cmapBytes & 1) s.u8(0);
    }
    s.tag("BODY");
    s.be32(static_cast<std::uint32_t>(body.size()));
    s.append(body);
    if (body.size() & 1) s.u8(0);
    return s.finish();
}

}  // namespace pixwerk
