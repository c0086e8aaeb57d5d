// TGA files: colour-mapped, true-colour and grey pictures, plain or run-length packed,
// with either origin.
#include "pixwerk/OwnFormats.h"

namespace pixwerk {
namespace {
using namespace own;

constexpr std::size_t kHeader = 18;

unsigned le16at(const BYTE* p) { return p[0] | p[1] << 8u; }

struct Header {
    int idLength, mapType, type, mapFirst, mapLength, mapBits, width, height, depth, descriptor;
    explicit Header(const BYTE* d)
        : idLength(d[0]), mapType(d[1]), type(d[2]), mapFirst(static_cast<int>(le16at(d + 3))),
          mapLength(static_cast<int>(le16at(d + 5))), mapBits(d[7]), width(static_cast<int>(le16at(d + 12))),
          height(static_cast<int>(le16at(d + 14))), depth(d[16]), descriptor(d[17]) {}
    int base() const { return type & 7; }
    bool packed() const { return (type & 8) != 0; }
};

bool validEntryBits(int bits) { return bits == 15 || bits == 16 || bits == 24 || bits == 32; }

// Null when the header describes a picture this module reads, else why not.
const char* checkHeader(const Header& h) {
    if (h.mapType > 1) return "Invalid TGA header";
    if (h.type != 1 && h.type != 2 && h.type != 3 && h.type != 9 && h.type != 10 && h.type != 11)
        return "Unsupported kind of TGA file";
    if (h.descriptor & 0xC0) return "Unsupported interleaved TGA file";
    if (h.base() == 1) {
        if (h.mapType != 1 || h.depth != 8 || !validEntryBits(h.mapBits)) return "Unsupported kind of TGA file";
        if (h.mapLength < 1 || h.mapFirst + h.mapLength > 256) return "Too many colours in the TGA colour map";
    } else if (h.base() == 2) {
        if (!validEntryBits(h.depth)) return "Unsupported kind of TGA file";
    } else if (h.depth != 8) {
        return "Unsupported kind of TGA file";
    }
    if (!sideOk(h.width) || !sideOk(h.height)) return "Invalid picture size in the TGA file";
    return nullptr;
}

// A 15/16, 24 or 32-bit colour in blue, green, red order.
void toBgr(const BYTE* p, int bits, bool alpha, BYTE* dst) {
    if (bits <= 16) {
        const unsigned v = p[0] | p[1] << 8u;
        auto scale = [](unsigned c) { return static_cast<BYTE>((c * 255 + 15) / 31); };
        dst[0] = scale(v & 31), dst[1] = scale(v >> 5 & 31), dst[2] = scale(v >> 10 & 31);
        return;
    }
    if (bits == 32 && alpha) {
        dst[0] = overWhite(p[0], p[3]), dst[1] = overWhite(p[1], p[3]), dst[2] = overWhite(p[2], p[3]);
        return;
    }
    dst[0] = p[0], dst[1] = p[1], dst[2] = p[2];
}

// Puts file pixels, first to last, into the picture's rows, whatever the origin.
class PixelSink {
public:
    PixelSink(TDib* out, const Header& h, Progress& progress)
        : out_(out), w_(h.width), h_(h.height), topDown_(h.descriptor & 0x20), mirror_(h.descriptor & 0x10),
          trueColour_(h.base() == 2), bits_(h.depth), alpha_((h.descriptor & 0x0F) != 0), progress_(progress) {
        startRow();
    }
    bool full() const { return fileRow_ >= h_; }
    // Count pixels, each the same (`repeat`) or one after the other; clipped to the picture.
    void put(const BYTE* px, std::size_t count, bool repeat, std::size_t unit) {
        for (std::size_t i = 0; i < count && !full(); ++i) {
            const BYTE* p = repeat ? px : px + i * unit;
            const int x = mirror_ ? w_ - 1 - col_ : col_;
            if (trueColour_) toBgr(p, bits_, alpha_, row_ + 3 * x);
            else row_[x] = p[0];
            if (++col_ == w_) {
                progress_.row(fileRow_, h_);
                ++fileRow_;
                col_ = 0;
                startRow();
            }
        }
    }

private:
    void startRow() {
        if (!full()) row_ = rowFromTop(*out_, topDown_ ? fileRow_ : h_ - 1 - fileRow_);
    }
    TDib* out_;
    int w_, h_;
    bool topDown_, mirror_, trueColour_;
    int bits_;
    bool alpha_;
    Progress& progress_;
    int fileRow_ = 0, col_ = 0;
    BYTE* row_ = nullptr;
};

// Packs one row of `count` pixels of `unit` bytes; packets stay within the row.
void packRow(const BYTE* px, std::size_t count, std::size_t unit, ByteBuffer& b) {
    for (std::size_t i = 0; i < count;) {
        const std::size_t run = runAt(px + i * unit, count - i, 128, unit);
        if (run >= 2) {
            b.u8(0x80u | static_cast<unsigned>(run - 1));
            b.append(px + i * unit, unit);
            i += run;
            continue;
        }
        std::size_t j = i;
        while (j < count && j - i < 128 && runAt(px + j * unit, count - j, 2, unit) < 2) ++j;
        b.u8(static_cast<unsigned>(j - i - 1));
        b.append(px + i * unit, (j - i) * unit);
        i = j;
    }
}

// A colour-mapped picture whose map ends within 2 or 16 entries comes back at 1 or 4 bits,
// the depth it was saved from, unless a pixel points beyond that.
bool narrowToMap(TDib* out, int mapEnd) {
    const int bits = mapEnd <= 2 ? 1 : mapEnd <= 16 ? 4 : 8;
    if (bits == 8) return true;
    const int w = widthOf(*out), h = heightOf(*out);
    for (int y = 0; y < h; ++y) {
        const BYTE* row = rowFromTop(*out, y);
        if (std::any_of(row, row + w, [bits](BYTE v) { return v >> bits; })) return true;
    }
    UniqueDib narrow;
    if (!allocDib(narrow.out(), w, h, bits, out->Info->bmiColors, 1 << bits)) {
        failDib(out, DibErrorText(narrow.get()));
        return false;
    }
    for (int y = 0; y < h; ++y) packIndexes(rowFromTop(*out, y), w, bits, rowFromTop(narrow.get(), y));
    deldib(*out);
    *out = narrow.release();
    return true;
}

}  // namespace

bool sniffTga(const BYTE* data, std::size_t size) {
    return size >= kHeader && !checkHeader(Header(data));
}

bool decodeTga(const BYTE* data, std::size_t size, TDib* out, Progress& progress) {
    if (size < kHeader) return fail(out, "The TGA file is truncated");
    const Header h(data);
    if (const char* e = checkHeader(h)) return fail(out, e);

    ByteReader r(data, size);
    r.skip(kHeader);
    if (!r.skip(static_cast<std::size_t>(h.idLength))) return fail(out, "The TGA file is truncated");
    RGBQUAD table[256] = {};
    if (h.mapType == 1) {
        const std::size_t entryBytes = (static_cast<std::size_t>(h.mapBits) + 7) / 8;
        const BYTE* map = r.take(entryBytes * static_cast<std::size_t>(h.mapLength));
        if (!map) return fail(out, "The TGA file is truncated");
        if (h.base() == 1) {
            const bool alpha = (h.descriptor & 0x0F) != 0;
            for (int i = 0; i < h.mapLength; ++i) {
                BYTE bgr[3];
                toBgr(map + i * entryBytes, h.mapBits, alpha, bgr);
                table[h.mapFirst + i] = RGBQUAD{bgr[0], bgr[1], bgr[2], 0};
            }
        }
    }
    if (h.base() == 3) greyTable(table, 256);

    const std::size_t unit = (static_cast<std::size_t>(h.depth) + 7) / 8;
    const std::uint64_t pixels = static_cast<std::uint64_t>(h.width) * static_cast<std::uint64_t>(h.height);
    const std::uint64_t least = h.packed() ? (pixels + 127) / 128 * (1 + unit) : pixels * unit;
    if (least > r.left()) return fail(out, "The TGA file is truncated");

    const int bits = h.base() == 2 ? 24 : 8;
    if (!allocDib(out, h.width, h.height, bits, table, bits == 8 ? 256 : 0)) return false;
    const int mapEnd = h.base() == 1 ? h.mapFirst + h.mapLength : 256;
    PixelSink sink(out, h, progress);
    if (!h.packed()) {
        sink.put(r.take(static_cast<std::size_t>(pixels * unit)), static_cast<std::size_t>(pixels), false, unit);
        return narrowToMap(out, mapEnd);
    }
    while (!sink.full()) {
        if (!r.has(1 + unit)) return fail(out, "The TGA file is truncated");
        const unsigned head = r.u8();
        const std::size_t count = (head & 0x7F) + 1;
        const bool run = head & 0x80;
        const BYTE* px = r.take(run ? unit : count * unit);
        if (!px) return fail(out, "The TGA file is truncated");
        sink.put(px, count, run, unit);
    }
    return narrowToMap(out, mapEnd);
}

bool encodeTga(const TDib& dib, std::FILE* file, int type, Progress& progress) {
    if (!writable(dib) || !file) return false;
    const int w = widthOf(dib), h = heightOf(dib), bits = bitsOf(dib);
    if (w > 65535 || h > 65535) return false;
    const bool mapped = bits <= 8;
    const int entries = tableSize(bits);

    FileSink s(file);
    s.u8(0);                   // no image ID
    s.u8(mapped ? 1 : 0);      // colour map
    s.u8(mapped ? 9 : 10);     // packed colour-mapped or true colour
    s.le16(0);
    s.le16(static_cast<unsigned>(entries));
    s.u8(mapped ? 24 : 0);
    s.le16(0);
    s.le16(0);
    s.le16(static_cast<unsigned>(w));
    s.le16(static_cast<unsigned>(h));
    s.u8(mapped ? 8 : 24);
    s.u8(0);                   // bottom-left origin: the picture's own row order
    for (int i = 0; i < entries; ++i) {
        const RGBQUAD& q = tableOf(dib)[i];
        s.u8(q.rgbBlue);
        s.u8(q.rgbGreen);
        s.u8(q.rgbRed);
    }
    std::vector<BYTE> idx(mapped ? static_cast<std::size_t>(w) : 0);
    for (int i = 0; i < h; ++i) {
        const BYTE* row = dib.Bits + static_cast<std::ptrdiff_t>(i) * dib.LineBytes;
        if (mapped) {
            unpackIndexes(row, w, bits, idx.data());
            packRow(idx.data(), static_cast<std::size_t>(w), 1, s);
        } else {
            packRow(row, static_cast<std::size_t>(w), 3, s);
        }
        if (!s.spill()) return false;
        progress.row(i, h);
    }
    return s.finish();
}

}  // namespace pixwerk
