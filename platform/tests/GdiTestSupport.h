// Helpers of the graphics tests: DIBs built in memory and checks of pixels.
#pragma once

#include "platform/gdi.h"

#include <QImage>

#include <cstdint>
#include <cstring>
#include <vector>

namespace gditest {

// A DIB in memory: header, colour table and rows (bottom-up unless topDown).
class Dib {
public:
    Dib(int width, int height, int bits, std::vector<QRgb> colours = {}, bool topDown = false)
        : width_(width), height_(height), bits_(bits), topDown_(topDown) {
        lineBytes_ = ((width * bits + 31) / 32) * 4;
        const int entries = bits <= 8 ? 1 << bits : 0;
        block_.assign(sizeof(BITMAPINFOHEADER) + 4 * entries, 0);
        BITMAPINFOHEADER h{};
        h.biSize = sizeof h;
        h.biWidth = width;
        h.biHeight = topDown ? -height : height;
        h.biPlanes = 1;
        h.biBitCount = static_cast<WORD>(bits);
        h.biCompression = BI_RGB;
        std::memcpy(block_.data(), &h, sizeof h);
        for (int i = 0; i < entries; ++i) {
            const QRgb c = i < static_cast<int>(colours.size()) ? colours[i] : qRgb(0, 0, 0);
            const RGBQUAD q{static_cast<BYTE>(qBlue(c)), static_cast<BYTE>(qGreen(c)), static_cast<BYTE>(qRed(c)), 0};
            std::memcpy(block_.data() + sizeof h + 4 * i, &q, 4);
        }
        pixels_.assign(static_cast<std::size_t>(lineBytes_) * height, 0);
    }

    BITMAPINFO* info() { return reinterpret_cast<BITMAPINFO*>(block_.data()); }
    BYTE* bits() { return pixels_.data(); }
    int lineBytes() const { return lineBytes_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // Row y counted from the top.
    BYTE* row(int y) { return pixels_.data() + static_cast<std::size_t>(topDown_ ? y : height_ - 1 - y) * lineBytes_; }
    // A palette index, or 0xRRGGBB for 24 and 32 bits; y from the top.
    void set(int x, int y, std::uint32_t v) {
        BYTE* r = row(y);
        switch (bits_) {
        case 1: r[x >> 3] = static_cast<BYTE>((r[x >> 3] & ~(0x80 >> (x & 7))) | ((v & 1) << (7 - (x & 7)))); break;
        case 4: r[x >> 1] = (x & 1) ? static_cast<BYTE>((r[x >> 1] & 0xF0) | (v & 15)) : static_cast<BYTE>((r[x >> 1] & 0x0F) | ((v & 15) << 4)); break;
        case 8: r[x] = static_cast<BYTE>(v); break;
        case 24: r[3 * x] = v & 0xFF; r[3 * x + 1] = (v >> 8) & 0xFF; r[3 * x + 2] = (v >> 16) & 0xFF; break;
        default: r[4 * x] = v & 0xFF; r[4 * x + 1] = (v >> 8) & 0xFF; r[4 * x + 2] = (v >> 16) & 0xFF; r[4 * x + 3] = 0; break;
        }
    }
    std::uint32_t get(int x, int y) {
        BYTE* r = row(y);
        switch (bits_) {
        case 1: return (r[x >> 3] >> (7 - (x & 7))) & 1;
        case 4: return (x & 1) ? r[x >> 1] & 15 : r[x >> 1] >> 4;
        case 8: return r[x];
        case 24: return r[3 * x] | (r[3 * x + 1] << 8) | (r[3 * x + 2] << 16);
        default: return r[4 * x] | (r[4 * x + 1] << 8) | (r[4 * x + 2] << 16);
        }
    }

private:
    int width_, height_, bits_;
    bool topDown_;
    int lineBytes_;
    std::vector<BYTE> block_;
    std::vector<BYTE> pixels_;
};

// 0xRRGGBB of an image pixel.
inline std::uint32_t rgb(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

// A distinct colour per source pixel, for mapping tests.
inline std::uint32_t code(int x, int y) { return static_cast<std::uint32_t>((x * 16 + 5) << 16 | (y * 16 + 7) << 8 | 0x33); }

}  // namespace gditest
