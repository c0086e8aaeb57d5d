// Halftoning: 8-bit copies of true-colour pictures on a fixed palette, for screens of
// 256 colours or fewer. The palette holds a 6 x 6 x 6 colour cube (entry 36r + 6g + b) and
// 40 greys (entries 216..255); colours are dithered with an 8 x 8 ordered matrix, greys
// along the grey ramp. Scaled copies average the source pixels each target pixel covers
// when shrinking and repeat the nearest when enlarging. Palette pictures are copied to
// 8 bits with their own colour table (scaled copies by nearest pixel).
#include "pixwerk/Primitives.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace pixwerk {
namespace {

constexpr int kCubeLevels = 6;
constexpr int kGreyLevels = 40;
constexpr int kGreyBase = kCubeLevels * kCubeLevels * kCubeLevels;

constexpr int kBayer[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21}};

void halftoneTable(RGBQUAD* table) {
    for (int r = 0; r < kCubeLevels; ++r)
        for (int g = 0; g < kCubeLevels; ++g)
            for (int b = 0; b < kCubeLevels; ++b)
                table[36 * r + 6 * g + b] = RGBQUAD{BYTE(b * 51), BYTE(g * 51), BYTE(r * 51), 0};
    for (int i = 0; i < kGreyLevels; ++i) {
        const BYTE v = static_cast<BYTE>(i * 255 / (kGreyLevels - 1));
        table[kGreyBase + i] = RGBQUAD{v, v, v, 0};
    }
}

// Level of `v` (0..255) among `steps` + 1 levels, ordered-dithered by threshold m (0..63).
inline int dithered(int v, int steps, int m) { return (v * steps * 128 + (2 * m + 1) * 255) / 32640; }

BYTE halftoneIndex(int r, int g, int b, int x, int y) {
    const int m = kBayer[y & 7][x & 7];
    if (r == g && g == b) return static_cast<BYTE>(kGreyBase + dithered(r, kGreyLevels - 1, m));
    const int steps = kCubeLevels - 1;
    return static_cast<BYTE>(36 * dithered(r, steps, m) + 6 * dithered(g, steps, m) + dithered(b, steps, m));
}

// Source pixels [first, last) that target pixel i of `target` covers along an axis of `source`.
struct Cover {
    int first, last;
};

std::vector<Cover> covers(int source, int target) {
    std::vector<Cover> out(static_cast<std::size_t>(target));
    for (int i = 0; i < target; ++i) {
        const int first = static_cast<int>(static_cast<std::int64_t>(i) * source / target);
        const int last = static_cast<int>(static_cast<std::int64_t>(i + 1) * source / target);
        out[i] = Cover{first, std::max(first + 1, last)};
    }
    return out;
}

void halftoneRows(const TDib& src, TDib* out, int width, int height) {
    const std::vector<Cover> cx = covers(src.Info->bmiHeader.biWidth, width);
    const std::vector<Cover> cy = covers(src.Info->bmiHeader.biHeight, height);
    for (int y = 0; y < height; ++y) {
        BYTE* dst = rowFromTop(*out, y);
        for (int x = 0; x < width; ++x) {
            std::uint64_t sum[3] = {0, 0, 0};
            for (int sy = cy[y].first; sy < cy[y].last; ++sy) {
                const BYTE* p = rowFromTop(src, sy);
                for (int sx = cx[x].first; sx < cx[x].last; ++sx)
                    sum[0] += p[3 * sx], sum[1] += p[3 * sx + 1], sum[2] += p[3 * sx + 2];
            }
            const std::uint64_t n = static_cast<std::uint64_t>(cy[y].last - cy[y].first) * (cx[x].last - cx[x].first);
            auto avg = [&](int k) { return static_cast<int>((sum[k] + n / 2) / n); };
            dst[x] = halftoneIndex(avg(2), avg(1), avg(0), x, y);
        }
    }
}

void copyIndexes(const TDib& src, TDib* out, int width, int height) {
    const int bits = src.Info->bmiHeader.biBitCount;
    const std::vector<Cover> cx = covers(src.Info->bmiHeader.biWidth, width);
    const std::vector<Cover> cy = covers(src.Info->bmiHeader.biHeight, height);
    for (int y = 0; y < height; ++y) {
        const BYTE* s = rowFromTop(src, cy[y].first);
        BYTE* dst = rowFromTop(*out, y);
        for (int x = 0; x < width; ++x) dst[x] = static_cast<BYTE>(indexAt(s, cx[x].first, bits));
    }
}

void halftone(TDib* out, const TDib& dib, int width, int height) {
    Canvas c;
    if (!c.open(dib)) return failDib(out, "There is no picture to halftone");
    if (width <= 0 || height <= 0) return failDib(out, "Invalid picture size");
    if (c.bits() == 24) {
        RGBQUAD table[256] = {};
        halftoneTable(table);
        if (allocDib(out, width, height, 8, table, 256)) halftoneRows(dib, out, width, height);
        return;
    }
    if (allocDib(out, width, height, 8, dib.Info->bmiColors, 1 << c.bits())) copyIndexes(dib, out, width, height);
}

}  // namespace
}  // namespace pixwerk

extern "C" void DIBHalftoneDIB(TDib* out, TDib dib) {
    if (!out) return;
    const bool sized = dib.Bits && dib.Info;
    pixwerk::halftone(out, dib, sized ? dib.Info->bmiHeader.biWidth : 0, sized ? dib.Info->bmiHeader.biHeight : 0);
}

extern "C" void DIBHalftoneDIBXY(TDib* out, TDib dib, int width, int height) {
    if (out) pixwerk::halftone(out, dib, width, height);
}
