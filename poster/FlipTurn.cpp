#include "poster/FlipTurn.h"

#include <algorithm>
#include <cstring>

namespace {

using namespace picops;

// Copies pixel (sx of row `in`) to pixel dx of row `out`, at any depth.
inline void copyPixel(const BYTE* in, int sx, BYTE* out, int dx, int bits) {
    switch (bits) {
    case 24: std::memcpy(out + 3 * dx, in + 3 * sx, 3); break;
    case 8: out[dx] = in[sx]; break;
    default: setIndexAt(out, dx, bits, indexAt(in, sx, bits));
    }
}

// Result row y (from the top) takes source row `sourceRow` (from the top), mirrored or not.
UniqueDib mirror(const TDib& dib, bool leftRight, bool topBottom, const TProgressSink& progress) {
    if (!isPicture(dib)) return {};
    const int width = dib.Info->bmiHeader.biWidth, height = dib.Info->bmiHeader.biHeight;
    const int bits = dib.Info->bmiHeader.biBitCount;
    UniqueDib result = newLike(dib, width, height);
    if (!result) return {};
    const TDib& out = result.get();
    ProgressReport report(progress);
    for (int y = 0; y < height; ++y) {
        report.step(y, height);
        const BYTE* in = rowFromTop(dib, topBottom ? height - 1 - y : y);
        BYTE* o = rowFromTop(out, y);
        if (!leftRight) {
            std::memcpy(o, in, static_cast<std::size_t>(dib.LineBytes));
        } else if (bits == 24) {
            for (int x = 0; x < width; ++x) std::memcpy(o + 3 * x, in + 3 * (width - 1 - x), 3);
        } else if (bits == 8) {
            std::reverse_copy(in, in + width, o);
        } else {
            for (int x = 0; x < width; ++x) copyPixel(in, width - 1 - x, o, x, bits);
        }
    }
    return result;
}

// A quarter turn, in tiles so that both pictures are read and written close together.
// Left: result (y, W - 1 - x) takes source (x, y); right: result (H - 1 - y, x).
UniqueDib turn(const TDib& dib, bool left, const TProgressSink& progress) {
    if (!isPicture(dib)) return {};
    const int width = dib.Info->bmiHeader.biWidth, height = dib.Info->bmiHeader.biHeight;
    const int bits = dib.Info->bmiHeader.biBitCount;
    UniqueDib result = newLike(dib, height, width);
    if (!result) return {};
    const TDib& out = result.get();
    ProgressReport report(progress);
    constexpr int tile = 64;
    // Source rows y run from the top; result row x' = W - 1 - x (left) or x (right).
    for (int y0 = 0; y0 < height; y0 += tile) {
        const int y1 = std::min(height, y0 + tile);
        for (int x0 = 0; x0 < width; x0 += tile) {
            const int x1 = std::min(width, x0 + tile);
            for (int y = y0; y < y1; ++y) {
                const BYTE* in = rowFromTop(dib, y);
                const int column = left ? y : height - 1 - y;
                if (bits == 24) {
                    const BYTE* p = in + 3 * x0;
                    for (int x = x0; x < x1; ++x, p += 3) std::memcpy(rowFromTop(out, left ? width - 1 - x : x) + 3 * column, p, 3);
                } else if (bits == 8) {
                    for (int x = x0; x < x1; ++x) rowFromTop(out, left ? width - 1 - x : x)[column] = in[x];
                } else {
                    for (int x = x0; x < x1; ++x) copyPixel(in, x, rowFromTop(out, left ? width - 1 - x : x), column, bits);
                }
            }
        }
        report.step(y1 - 1, height);
    }
    return result;
}

}  // namespace

UniqueDib MirrorDibH(TDib Dib, const TProgressSink& Progress) { return mirror(Dib, true, false, Progress); }
UniqueDib MirrorDibV(TDib Dib, const TProgressSink& Progress) { return mirror(Dib, false, true, Progress); }
UniqueDib RotLeftDib(TDib Dib, const TProgressSink& Progress) { return turn(Dib, true, Progress); }
UniqueDib RotRightDib(TDib Dib, const TProgressSink& Progress) { return turn(Dib, false, Progress); }
UniqueDib Rot180Dib(TDib Dib, const TProgressSink& Progress) { return mirror(Dib, true, true, Progress); }

bool MirrorFloating(UniqueDib& Picture, UniqueDib& Mask, bool UseMask, bool LeftRight, const TProgressSink& Progress) {
    if (!Picture) return false;
    const auto flip = [LeftRight, &Progress](const TDib& d) { return LeftRight ? MirrorDibH(d, Progress) : MirrorDibV(d, Progress); };
    UniqueDib picture = flip(Picture.get());
    if (!picture) return false;
    UniqueDib mask;
    if (UseMask && Mask) {
        mask = flip(Mask.get());
        if (!mask) return false;
    }
    Picture = std::move(picture);
    if (mask) Mask = std::move(mask);
    return true;
}
