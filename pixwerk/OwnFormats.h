// Inside the raster library: what the BMP, PCX, TGA and IFF modules share.
// Bounds-checked reading, buffered writing, runs and bit planes.
#pragma once

#include "pixwerk/codec.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace pixwerk::own {

// Leaves `out` without a picture and with `text` as the failure text; returns false.
inline bool fail(TDib* out, const char* text) {
    failDib(out, text);
    return false;
}

// A side length a picture file may declare.
inline bool sideOk(std::int64_t v) { return v > 0 && v <= kMaxSide; }

// Reads from a file held in memory. Every read is checked: past the end a read
// returns 0 and the reader stays failed.
class ByteReader {
public:
    ByteReader(const BYTE* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t size() const { return size_; }
    std::size_t pos() const { return pos_; }
    std::size_t left() const { return size_ - pos_; }
    bool failed() const { return failed_; }
    bool has(std::size_t n) const { return n <= left(); }

    bool seek(std::size_t pos) {
        if (pos > size_) return failed_ = true, false;
        pos_ = pos;
        return true;
    }
    bool skip(std::size_t n) {
        if (!has(n)) return failed_ = true, false;
        pos_ += n;
        return true;
    }
    // The next `n` bytes, or null (and failed) when fewer are left.
    const BYTE* take(std::size_t n) {
        if (!has(n)) return failed_ = true, nullptr;
        const BYTE* p = data_ + pos_;
        pos_ += n;
        return p;
    }
    BYTE u8() {
        const BYTE* p = take(1);
        return p ? p[0] : 0;
    }
    std::uint16_t le16() {
        const BYTE* p = take(2);
        return p ? static_cast<std::uint16_t>(p[0] | p[1] << 8) : 0;
    }
    std::uint32_t le32() {
        const BYTE* p = take(4);
        return p ? static_cast<std::uint32_t>(p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24) : 0;
    }
    std::uint16_t be16() {
        const BYTE* p = take(2);
        return p ? static_cast<std::uint16_t>(p[0] << 8 | p[1]) : 0;
    }
    std::uint32_t be32() {
        const BYTE* p = take(4);
        return p ? static_cast<std::uint32_t>(std::uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]) : 0;
    }

private:
    const BYTE* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

// Bytes built in memory, with little- and big-endian integers.
class ByteBuffer {
public:
    void u8(unsigned v) { bytes_.push_back(static_cast<BYTE>(v)); }
    void le16(unsigned v) {
        u8(v & 0xFF);
        u8(v >> 8 & 0xFF);
    }
    void le32(std::uint32_t v) {
        le16(v & 0xFFFF);
        le16(v >> 16);
    }
    void be16(unsigned v) {
        u8(v >> 8 & 0xFF);
        u8(v & 0xFF);
    }
    void be32(std::uint32_t v) {
        be16(v >> 16);
        be16(v & 0xFFFF);
    }
    void tag(const char (&id)[5]) { append(reinterpret_cast<const BYTE*>(id), 4); }
    void append(const BYTE* p, std::size_t n) { bytes_.insert(bytes_.end(), p, p + n); }
    void append(const ByteBuffer& b) { append(b.data(), b.size()); }
    void fill(BYTE v, std::size_t n) { bytes_.insert(bytes_.end(), n, v); }

    std::size_t size() const { return bytes_.size(); }
    const BYTE* data() const { return bytes_.data(); }
    void clear() { bytes_.clear(); }

protected:
    std::vector<BYTE> bytes_;
};

// A ByteBuffer that goes to an open file. spill() after each row keeps the buffer
// small; finish() writes the rest. Once a write fails, every later call is false.
class FileSink : public ByteBuffer {
public:
    explicit FileSink(std::FILE* file) : file_(file) {}
    bool spill() { return bytes_.size() < kChunk ? ok_ : write(); }
    bool finish() { return write() && std::fflush(file_) == 0; }

private:
    static constexpr std::size_t kChunk = 1 << 16;
    bool write() {
        if (ok_ && !bytes_.empty()) ok_ = std::fwrite(bytes_.data(), 1, bytes_.size(), file_) == bytes_.size();
        bytes_.clear();
        return ok_;
    }
    std::FILE* file_;
    bool ok_ = true;
};

// Number of equal items of `unit` bytes from `p` on, at most `limit`, of `count` items left.
inline std::size_t runAt(const BYTE* p, std::size_t count, std::size_t limit, std::size_t unit = 1) {
    std::size_t n = 1;
    const std::size_t most = std::min(count, limit);
    while (n < most && std::memcmp(p, p + n * unit, unit) == 0) ++n;
    return n;
}

// Bit planes (leftmost pixel in the high bit): plane p holds bit p of each index.
inline void addPlane(const BYTE* plane, int width, int p, BYTE* idx) {
    for (int x = 0; x < width; ++x) idx[x] = static_cast<BYTE>(idx[x] | (plane[x >> 3] >> (7 - (x & 7)) & 1) << p);
}

inline void takePlane(const BYTE* idx, int width, int p, BYTE* plane, std::size_t planeBytes) {
    std::memset(plane, 0, planeBytes);
    for (int x = 0; x < width; ++x)
        if (idx[x] >> p & 1) plane[x >> 3] = static_cast<BYTE>(plane[x >> 3] | 0x80 >> (x & 7));
}

// Colour table of `entries` colours from packed triples in red, green, blue order.
inline void tableFromRgb(RGBQUAD* table, const BYTE* rgb, int entries) {
    for (int i = 0; i < entries; ++i) table[i] = RGBQUAD{rgb[3 * i + 2], rgb[3 * i + 1], rgb[3 * i], 0};
}

// Whether an encoder can write this picture: pixels, an info block and a known depth.
inline bool writable(const TDib& dib) {
    if (!dib.Bits || !dib.Info) return false;
    const BITMAPINFOHEADER& h = dib.Info->bmiHeader;
    const int bits = h.biBitCount;
    return (bits == 1 || bits == 4 || bits == 8 || bits == 24) && h.biWidth > 0 && h.biHeight > 0 &&
           dib.LineBytes >= lineBytesFor(h.biWidth, bits);
}

inline int widthOf(const TDib& dib) { return dib.Info->bmiHeader.biWidth; }
inline int heightOf(const TDib& dib) { return dib.Info->bmiHeader.biHeight; }
inline int bitsOf(const TDib& dib) { return dib.Info->bmiHeader.biBitCount; }
inline const RGBQUAD* tableOf(const TDib& dib) { return dib.Info->bmiColors; }

// Pictures of 1, 4 and 8 bits hold 2, 16 or 256 colours; 24-bit pictures none.
inline int tableSize(int bits) { return bits <= 8 ? 1 << bits : 0; }

// Whether `dib`, written by `encoder` as `type` and read back by `decoder`, keeps its size
// and the colour of every pixel. A self-check for the fuzz programs.
inline bool reencodes(const TDib& dib, Encoder encoder, Decoder decoder, int type) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&buffer, &size);
    if (!file) return true;  // nothing to check with
    Progress quiet(nullptr);
    const bool written = encoder(dib, file, type, quiet);
    std::fclose(file);
    TDib back{};
    const bool read = written && decoder(reinterpret_cast<const BYTE*>(buffer), size, &back, quiet);
    std::free(buffer);
    bool same = read && widthOf(back) == widthOf(dib) && heightOf(back) == heightOf(dib);
    if (same) {
        std::vector<BYTE> a(3 * static_cast<std::size_t>(widthOf(dib))), b(a.size());
        for (int y = 0; y < heightOf(dib) && same; ++y) {
            rowToBgr(dib, y, a.data());
            rowToBgr(back, y, b.data());
            same = a == b;
        }
    }
    deldib(back);
    return same;
}

}  // namespace pixwerk::own
