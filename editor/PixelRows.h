// Direct access to a picture's pixels by row, for the editor's loops over many pixels.
// Rows are addressed from the top; values are palette indexes, or packed RGB with red in
// the low byte for 24 bits, as getpixel and setpixel give and take them.
#pragma once

#include "pixwerk/pixwerk.h"

#include <cstddef>
#include <cstdint>

namespace editor {

class PixelRows {
public:
    PixelRows() = default;
    explicit PixelRows(const TDib& dib) {
        if (!dib.Bits || !dib.Info) return;
        const BITMAPINFOHEADER& h = dib.Info->bmiHeader;
        if (h.biWidth <= 0 || h.biHeight <= 0) return;
        if (h.biBitCount != 1 && h.biBitCount != 4 && h.biBitCount != 8 && h.biBitCount != 24) return;
        bits_ = dib.Bits;
        lineBytes_ = dib.LineBytes;
        width_ = h.biWidth;
        height_ = h.biHeight;
        bitCount_ = h.biBitCount;
    }

    bool valid() const { return bits_ != nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }
    int bitCount() const { return bitCount_; }
    LONG lineBytes() const { return lineBytes_; }
    bool inside(std::int64_t x, std::int64_t y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    bool sameShape(const PixelRows& o) const {
        return valid() && o.valid() && width_ == o.width_ && height_ == o.height_ && bitCount_ == o.bitCount_ &&
               lineBytes_ == o.lineBytes_;
    }
    std::size_t imageBytes() const { return static_cast<std::size_t>(lineBytes_) * static_cast<std::size_t>(height_); }
    BYTE* bits() const { return bits_; }
    BYTE* row(int y) const { return bits_ + static_cast<std::ptrdiff_t>(height_ - 1 - y) * lineBytes_; }

    int get(int x, int y) const {
        const BYTE* r = row(y);
        switch (bitCount_) {
        case 1: return (r[x >> 3] >> (7 - (x & 7))) & 1;
        case 4: return (x & 1) ? r[x >> 1] & 0x0F : r[x >> 1] >> 4;
        case 8: return r[x];
        default: return r[3 * x + 2] | r[3 * x + 1] << 8 | r[3 * x] << 16;
        }
    }

    void put(int x, int y, int v) const {
        BYTE* r = row(y);
        switch (bitCount_) {
        case 1: {
            const BYTE bit = static_cast<BYTE>(0x80u >> (x & 7));
            r[x >> 3] = (v & 1) ? static_cast<BYTE>(r[x >> 3] | bit) : static_cast<BYTE>(r[x >> 3] & ~bit);
            break;
        }
        case 4: {
            BYTE& b = r[x >> 1];
            b = (x & 1) ? static_cast<BYTE>((b & 0xF0) | (v & 0x0F)) : static_cast<BYTE>((b & 0x0F) | ((v & 0x0F) << 4));
            break;
        }
        case 8: r[x] = static_cast<BYTE>(v); break;
        default:
            r[3 * x] = static_cast<BYTE>(v >> 16);
            r[3 * x + 1] = static_cast<BYTE>(v >> 8);
            r[3 * x + 2] = static_cast<BYTE>(v);
            break;
        }
    }

private:
    BYTE* bits_ = nullptr;
    LONG lineBytes_ = 0;
    int width_ = 0;
    int height_ = 0;
    int bitCount_ = 0;
};

// Sets bits x1..x2 (inclusive, already inside the row) of a 1-bit row to `value`.
inline void fillBits(BYTE* row, int x1, int x2, bool value) {
    while (x1 <= x2 && (x1 & 7)) {
        const BYTE bit = static_cast<BYTE>(0x80u >> (x1 & 7));
        row[x1 >> 3] = value ? static_cast<BYTE>(row[x1 >> 3] | bit) : static_cast<BYTE>(row[x1 >> 3] & ~bit);
        ++x1;
    }
    while (x1 + 7 <= x2) {
        row[x1 >> 3] = value ? 0xFF : 0x00;
        x1 += 8;
    }
    while (x1 <= x2) {
        const BYTE bit = static_cast<BYTE>(0x80u >> (x1 & 7));
        row[x1 >> 3] = value ? static_cast<BYTE>(row[x1 >> 3] | bit) : static_cast<BYTE>(row[x1 >> 3] & ~bit);
        ++x1;
    }
}

}  // namespace editor
