// Conversions that several format modules share.
#include "pixwerk/codec.h"

#include <algorithm>
#include <cstring>

namespace pixwerk {

void setIndexAt(BYTE* row, int x, int bits, unsigned value) {
    switch (bits) {
    case 1: {
        const BYTE bit = static_cast<BYTE>(0x80u >> (x & 7));
        row[x >> 3] = (value & 1u) ? static_cast<BYTE>(row[x >> 3] | bit) : static_cast<BYTE>(row[x >> 3] & ~bit);
        break;
    }
    case 4:
        row[x >> 1] = (x & 1) ? static_cast<BYTE>((row[x >> 1] & 0xF0u) | (value & 0x0Fu))
                              : static_cast<BYTE>((row[x >> 1] & 0x0Fu) | ((value & 0x0Fu) << 4));
        break;
    default: row[x] = static_cast<BYTE>(value);
    }
}

void packIndexes(const BYTE* indexes, int width, int bits, BYTE* row) {
    if (bits == 8) {
        std::memcpy(row, indexes, static_cast<std::size_t>(width));
        return;
    }
    std::memset(row, 0, static_cast<std::size_t>((width * bits + 7) / 8));
    for (int x = 0; x < width; ++x) setIndexAt(row, x, bits, indexes[x]);
}

void unpackIndexes(const BYTE* row, int width, int bits, BYTE* indexes) {
    for (int x = 0; x < width; ++x) indexes[x] = static_cast<BYTE>(indexAt(row, x, bits));
}

void expand2To4(const BYTE* src, int width, BYTE* dst) {
    for (int x = 0; x < width; x += 2) {
        const unsigned a = (src[x >> 2] >> (6 - 2 * (x & 3))) & 3u;
        const unsigned b = x + 1 < width ? (src[(x + 1) >> 2] >> (6 - 2 * ((x + 1) & 3))) & 3u : 0u;
        dst[x >> 1] = static_cast<BYTE>(a << 4 | b);
    }
}

int bitsForColours(int colours) { return colours <= 2 ? 1 : colours <= 16 ? 4 : 8; }

bool hasGreyTable(const TDib& dib) {
    if (!dib.Bits || dib.Info->bmiHeader.biBitCount > 8) return false;
    const int n = 1 << dib.Info->bmiHeader.biBitCount;
    return std::all_of(dib.Info->bmiColors, dib.Info->bmiColors + n, [](const RGBQUAD& q) {
        return q.rgbRed == q.rgbGreen && q.rgbGreen == q.rgbBlue;
    });
}

bool isGreyRamp(const TDib& dib) {
    if (!dib.Bits || dib.Info->bmiHeader.biBitCount != 8) return false;
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD& q = dib.Info->bmiColors[i];
        if (q.rgbRed != i || q.rgbGreen != i || q.rgbBlue != i) return false;
    }
    return true;
}

void rowToBgr(const TDib& dib, int y, BYTE* bgr) {
    const int width = dib.Info->bmiHeader.biWidth;
    const int bits = dib.Info->bmiHeader.biBitCount;
    const BYTE* row = rowFromTop(dib, y);
    if (bits == 24) {
        std::memcpy(bgr, row, static_cast<std::size_t>(width) * 3);
        return;
    }
    for (int x = 0; x < width; ++x) {
        const RGBQUAD& q = dib.Info->bmiColors[indexAt(row, x, bits)];
        bgr[3 * x] = q.rgbBlue;
        bgr[3 * x + 1] = q.rgbGreen;
        bgr[3 * x + 2] = q.rgbRed;
    }
}

void rowToGrey(const TDib& dib, int y, BYTE* grey) {
    const int width = dib.Info->bmiHeader.biWidth;
    const int bits = dib.Info->bmiHeader.biBitCount;
    const BYTE* row = rowFromTop(dib, y);
    for (int x = 0; x < width; ++x) grey[x] = dib.Info->bmiColors[indexAt(row, x, bits)].rgbRed;
}

}  // namespace pixwerk
