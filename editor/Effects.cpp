#include "editor/Effects.h"

#include "editor/EditorOps.h"
#include "editor/Geometry.h"
#include "editor/PixelRows.h"

#include "classlib/Random.h"
#include "poster/Filters.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using namespace picops;
using editor::clampByte;
using editor::PixelRows;

int component(int colour, int k) { return (colour >> (16 - 8 * k)) & 0xFF; }  // k: 0 blue, 1 green, 2 red

bool maskAt(const PixelRows& mask, long long x, long long y) {
    return mask.inside(x, y) && mask.get(static_cast<int>(x), static_cast<int>(y)) != 0;
}

// The selection box clipped to the picture; false when nothing of it is left.
bool clipBox(const RECT& box, const PixelRows& pic, RECT& out) {
    out = RECT{std::max<LONG>(0, std::min(box.left, box.right)), std::max<LONG>(0, std::min(box.top, box.bottom)),
               std::min<LONG>(pic.width() - 1, std::max(box.left, box.right)),
               std::min<LONG>(pic.height() - 1, std::max(box.top, box.bottom))};
    return out.left <= out.right && out.top <= out.bottom;
}

}  // namespace

void DrawShadow(TDib Dib, const TDib& Mask, const RECT& Box, int OffsetX, int OffsetY, int Colour, int Softness,
                int Transparency, const TProgressSink& Progress) {
    const PixelRows pic(Dib), mask(Mask);
    if (!pic.valid() || !mask.valid() || mask.bitCount() != 1 || mask.width() != pic.width() ||
        mask.height() != pic.height())
        return;
    RECT box;
    if (!clipBox(Box, pic, box)) return;
    Softness = std::clamp(Softness, 0, 100);
    Transparency = std::clamp(Transparency, 0, 100);
    const long long ox = OffsetX, oy = OffsetY;
    const long long hw = (box.right - box.left) / 2, hh = (box.bottom - box.top) / 2;
    const long long cx = box.left + ox + hw, cy = box.top + oy + hh;
    const long long x0 = std::max<long long>(0, box.left + ox), x1 = std::min<long long>(pic.width() - 1, box.right + ox);
    const long long y0 = std::max<long long>(0, box.top + oy), y1 = std::min<long long>(pic.height() - 1, box.bottom + oy);
    ProgressReport report(Progress);
    for (long long y = y0; y <= y1; ++y) {
        report.step(y - y0, y1 - y0 + 1);
        for (long long x = x0; x <= x1; ++x) {
            if (maskAt(mask, x, y) || !maskAt(mask, x - ox, y - oy)) continue;
            if (pic.bitCount() != 24) {
                pic.put(static_cast<int>(x), static_cast<int>(y), Colour);
                continue;
            }
            long long m = 0;
            if (hw != 0 && hh != 0) {
                const long long dx = std::llabs(cx - x), dy = std::llabs(cy - y);
                const long long d1 = std::max(dx * 100 / hw, dy * 100 / hh);
                const long long h = cx < hh ? hh : hw;
                const long long d2 = RoundEven(std::sqrt(static_cast<double>(dx * dx + dy * dy))) * 100 / h;
                m = std::min<long long>(100, (d1 * (100 - Softness) + Softness * d2) / 100);
            }
            const long long n = m > 100 - Softness ? (m + Softness - 100) * 100 / Softness : 0;
            BYTE* p = pic.row(static_cast<int>(y)) + 3 * x;
            for (int k = 0; k < 3; ++k) {
                const long long s = (component(Colour, k) * (100 - n) + n * p[k]) / 100;
                p[k] = static_cast<BYTE>(clampByte(static_cast<int>((s * (100 - Transparency) + Transparency * p[k]) / 100)));
            }
        }
    }
}

namespace {

// The shade of one band for component k at distance `in` from the band's edge (0 at
// the edge), and its fade in percent. Bands that start at the edge with half the colour
// (left, top) or with black (right, bottom).
struct Band {
    long long width;  // > 0
    bool dark;        // right and bottom
    int shade(int k, long long in) const {
        // left/top: k - k x (width - in) / (2 width); right/bottom: k - (2 width - in) x k / (2 width)
        return static_cast<int>(dark ? k - (2 * width - in) * k / (2 * width) : k - k * (width - in) / (2 * width));
    }
    long long fade(long long in) const { return in * 100 / width; }
};

}  // namespace

void Buttonize(TDib Dib, const TDib& Mask, const RECT& Box, int Width, int Transparency, int Colour, bool Flat,
               const TProgressSink& Progress) {
    const PixelRows pic(Dib), mask(Mask);
    if (!pic.valid() || pic.bitCount() != 24 || !mask.valid() || mask.bitCount() != 1 ||
        mask.width() != pic.width() || mask.height() != pic.height() || Width <= 0)
        return;
    RECT box;
    if (!clipBox(Box, pic, box)) return;
    Transparency = std::clamp(Transparency, 0, 100);
    const long long left = box.left, top = box.top, right = box.right, bottom = box.bottom;
    const long long bw = right - left, bh = bottom - top, w = Width;
    if (bw == 0 && bh == 0) return;
    const long long cx = left + bw / 2, cy = top + bh / 2;
    // A box one pixel wide or high has bands along its length only.
    const long long f = bw == 0 ? w : (bh == 0 ? 0 : RoundEven(static_cast<double>(w) * bh / bw));
    const long long side = bw == 0 ? 0 : w;
    const Band leftBand{w, false}, rightBand{w, true}, topBand{f > 0 ? f : 1, false}, bottomBand{f > 0 ? f : 1, true};
    ProgressReport report(Progress);
    for (long long y = top; y <= bottom; ++y) {
        report.step(y - top, bh + 1);
        BYTE* row = pic.row(static_cast<int>(y));
        for (long long x = left; x <= right; ++x) {
            if (!maskAt(mask, x, y)) continue;
            const bool inL = side > 0 && x - left <= side, inR = side > 0 && right - x <= side;
            const bool inT = f > 0 && y - top <= f, inB = f > 0 && bottom - y <= f;
            if (!inL && !inR && !inT && !inB) continue;
            long long c, d;
            if (bw == 0 || bh == 0) {
                c = bw == 0 ? 0 : 1;  // only the bands along the length can rule
                d = bw == 0 ? 1 : 0;
            } else if (bh < bw) {
                d = std::llabs(y - cy) * bw / bh;
                c = std::llabs(x - cx);
            } else {
                d = std::llabs(y - cy);
                c = std::llabs(x - cx) * bh / bw;
            }
            int shade[3];
            long long fade;
            // The corner diagonals mix a side band with a top or bottom band, when both exist.
            const bool mixed = side > 0 && f > 0 && c == d;
            const bool topRight = mixed && x > cx && y < cy, bottomLeft = mixed && x < cx && y > cy;
            if (topRight) {
                for (int k = 0; k < 3; ++k)
                    shade[k] = (rightBand.shade(component(Colour, k), right - x) + topBand.shade(component(Colour, k), y - top)) >> 1;
                fade = rightBand.fade(right - x);
            } else if (bottomLeft) {
                for (int k = 0; k < 3; ++k)
                    shade[k] = (leftBand.shade(component(Colour, k), x - left) + bottomBand.shade(component(Colour, k), bottom - y)) >> 1;
                fade = leftBand.fade(x - left);
            } else {
                const Band* band;
                long long in;
                if (c < d) {
                    if (!inT && !inB) continue;
                    band = inT ? &topBand : &bottomBand;
                    in = inT ? y - top : bottom - y;
                } else {
                    if (!inL && !inR) continue;
                    band = inL ? &leftBand : &rightBand;
                    in = inL ? x - left : right - x;
                }
                for (int k = 0; k < 3; ++k) shade[k] = band->shade(component(Colour, k), in);
                fade = band->fade(in);
            }
            if (Flat) fade = 0;
            const long long t = std::min<long long>(100, fade + Transparency);
            BYTE* p = row + 3 * x;
            for (int k = 0; k < 3; ++k)
                p[k] = static_cast<BYTE>(clampByte(static_cast<int>((shade[k] * (100 - t) + t * p[k]) / 100)));
        }
    }
}

void MosaikEffekt(TDib Dib, int BlockWidth, int BlockHeight, const TDib* Mask, const TProgressSink& Progress) {
    const PixelRows pic(Dib);
    if (!pic.valid()) return;
    const Selection selection(Mask, Dib);
    if (selection.none()) return;
    const int bw = std::max(1, BlockWidth), bh = std::max(1, BlockHeight);
    const int bits = pic.bitCount();
    ProgressReport report(Progress);
    // Row by row from the top: a block's first row and column are never changed before
    // they are read, since each takes its own value.
    for (int y = 0; y < pic.height(); ++y) {
        report.step(y, pic.height());
        const int sy = y / bh * bh;
        BYTE* out = pic.row(y);
        const BYTE* in = pic.row(sy);
        const BYTE* m = selection.all() ? nullptr : selection.row(y);
        for (int bx = 0; bx < pic.width(); bx += bw) {
            const int end = std::min(pic.width(), bx + bw);
            if (bits == 24) {
                const BYTE s0 = in[3 * bx], s1 = in[3 * bx + 1], s2 = in[3 * bx + 2];
                for (int x = bx; x < end; ++x)
                    if (!m || Selection::selected(m, x)) {
                        out[3 * x] = s0;
                        out[3 * x + 1] = s1;
                        out[3 * x + 2] = s2;
                    }
            } else if (bits == 8) {
                const BYTE s = in[bx];
                for (int x = bx; x < end; ++x)
                    if (!m || Selection::selected(m, x)) out[x] = s;
            } else {
                const int s = pic.get(bx, sy);
                for (int x = bx; x < end; ++x)
                    if (!m || Selection::selected(m, x)) pic.put(x, y, s);
            }
        }
    }
}

namespace {

// Runs f(pixel bytes, sum blue, sum green, sum red) for every selected pixel, with the sums
// over its 5 x 5 neighbourhood in the padded work copy.
template <class F>
TEffectOutcome windowSums(TDib Dib, const TDib* Mask, const TProgressSink& Progress, F f) {
    if (!isPicture(Dib)) return TEffectOutcome::NoPicture;
    ProgressReport report(Progress);
    if (Dib.Info->bmiHeader.biBitCount != 24) return TEffectOutcome::NotTrueColour;
    const Selection selection(Mask, Dib);
    if (selection.none()) return TEffectOutcome::Applied;
    UniqueDib work = FilterWorkCopy(Dib);
    if (!work) return TEffectOutcome::NoMemory;
    const PixelRows pic(Dib), padded(work.get());
    const int width = pic.width(), height = pic.height();
    const std::size_t n = 3 * static_cast<std::size_t>(width + 4);
    // Column sums of five work rows, moved down one row at a time.
    std::vector<int> columns(n, 0);
    for (int r = 0; r < 5; ++r) {
        const BYTE* q = padded.row(r);
        for (std::size_t i = 0; i < n; ++i) columns[i] += q[i];
    }
    for (int y = 0; y < height; ++y) {
        report.step(y, height);
        if (y > 0) {
            const BYTE* gone = padded.row(y - 1);
            const BYTE* come = padded.row(y + 4);
            for (std::size_t i = 0; i < n; ++i) columns[i] += come[i] - gone[i];
        }
        int s[3] = {0, 0, 0};
        for (int c = 0; c < 5; ++c)
            for (int k = 0; k < 3; ++k) s[k] += columns[3 * static_cast<std::size_t>(c) + k];
        BYTE* p = pic.row(y);
        const BYTE* m = selection.all() ? nullptr : selection.row(y);
        for (int x = 0; x < width; ++x) {
            if (x > 0)
                for (int k = 0; k < 3; ++k)
                    s[k] += columns[3 * static_cast<std::size_t>(x + 4) + k] - columns[3 * static_cast<std::size_t>(x - 1) + k];
            if (!m || Selection::selected(m, x)) f(p + 3 * x, s[0], s[1], s[2]);
        }
    }
    return TEffectOutcome::Applied;
}

}  // namespace

TEffectOutcome DibErodeFilter(TDib Dib, const TDib* Mask, const TProgressSink& Progress) {
    return windowSums(Dib, Mask, Progress, [](BYTE* p, int sb, int sg, int sr) {
        if ((30 * sr + 59 * sg + 11 * sb) / 2500 > 95) return;
        p[0] = static_cast<BYTE>(sb / 50);
        p[1] = static_cast<BYTE>(sg / 50);
        p[2] = static_cast<BYTE>(sr / 50);
    });
}

TEffectOutcome DibDilateFilter(TDib Dib, const TDib* Mask, const TProgressSink& Progress) {
    return windowSums(Dib, Mask, Progress, [](BYTE* p, int sb, int sg, int sr) {
        const int v = 30 * sr + 59 * sg + 11 * sb;
        if (v / 2500 < 161) return;
        p[0] = p[1] = p[2] = static_cast<BYTE>(std::min(v / 2000, 255));
    });
}

TEffectOutcome DelNoise(TDib Dib, int Threshold, const TDib* Mask, const TProgressSink& Progress) {
    return windowSums(Dib, Mask, Progress, [Threshold](BYTE* p, int sb, int sg, int sr) {
        const int mb = sb / 25, mg = sg / 25, mr = sr / 25;
        if (std::abs(mb - p[0]) <= Threshold && std::abs(mg - p[1]) <= Threshold && std::abs(mr - p[2]) <= Threshold)
            return;
        p[0] = static_cast<BYTE>(mb);
        p[1] = static_cast<BYTE>(mg);
        p[2] = static_cast<BYTE>(mr);
    });
}

void AddNoise(TDib Dib, int Strength, int Density, const TDib* Mask, const TProgressSink& Progress) {
    const PixelRows pic(Dib);
    if (!pic.valid() || pic.bitCount() != 24 || Strength <= 0 || Density <= 0) return;
    const Selection selection(Mask, Dib);
    if (selection.none()) return;
    const int half = Strength / 2;
    ProgressReport report(Progress);
    for (int y = 0; y < pic.height(); ++y) {
        report.step(y, pic.height());
        BYTE* p = pic.row(y);
        const BYTE* m = selection.all() ? nullptr : selection.row(y);
        for (int x = 0; x < pic.width(); ++x, p += 3) {
            if (m && !Selection::selected(m, x)) continue;
            if (Random(100) >= Density) continue;
            for (int k = 0; k < 3; ++k) p[k] = static_cast<BYTE>(clampByte(p[k] + Random(Strength) - half));
        }
    }
}
