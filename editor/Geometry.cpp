#include "editor/Geometry.h"

#include "editor/PixelRows.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace {

using namespace picops;
using editor::PixelRows;

// The three stored bytes of a 24-bit colour value.
struct Bgr {
    BYTE b, g, r;
};
Bgr bgr(int colour) {
    return Bgr{static_cast<BYTE>(colour >> 16), static_cast<BYTE>(colour >> 8), static_cast<BYTE>(colour)};
}

bool fitsInt(long long v) { return v >= 1 && v <= INT_MAX; }

// Whether the two pictures are 24-bit with the same shape.
bool sameTrueColourShape(const TDib& a, const TDib& b) {
    const PixelRows p(a), q(b);
    return p.sameShape(q) && p.bitCount() == 24;
}

// Copies `Source` into `Dest` at (dx, dy) (may be negative); both of one depth.
void blit(const PixelRows& src, const PixelRows& dst, long long dx, long long dy, int fill, ProgressReport& report) {
    const int bits = dst.bitCount();
    const Bgr f = bgr(fill);
    for (int y = 0; y < dst.height(); ++y) {
        report.step(y, dst.height());
        const long long sy = y - dy;
        const bool rowInside = sy >= 0 && sy < src.height();
        const long long x0 = std::clamp<long long>(dx, 0, dst.width());
        const long long x1 = std::clamp<long long>(dx + src.width(), 0, dst.width());
        if (bits == 24) {
            BYTE* out = dst.row(y);
            for (int x = 0; x < dst.width(); ++x) {
                out[3 * x] = f.b;
                out[3 * x + 1] = f.g;
                out[3 * x + 2] = f.r;
            }
            if (rowInside && x1 > x0)
                std::memcpy(out + 3 * x0, src.row(static_cast<int>(sy)) + 3 * (x0 - dx), static_cast<std::size_t>(3 * (x1 - x0)));
            continue;
        }
        for (int x = 0; x < dst.width(); ++x) {
            const bool inside = rowInside && x >= x0 && x < x1;
            dst.put(x, y, inside ? src.get(static_cast<int>(x - dx), static_cast<int>(sy)) : fill);
        }
    }
}

}  // namespace

long long RoundEven(double Value) {
    // Adding and taking away 1.5 x 2^52 rounds in the current mode, ties to even.
    if (std::fabs(Value) < 4503599627370496.0) {
        const double big = 6755399441055744.0;
        return static_cast<long long>((Value + big) - big);
    }
    return static_cast<long long>(std::nearbyint(Value));
}

UniqueDib DibRotxxx(TDib Source, int Direction, int Background, double Angle, const TProgressSink& Progress) {
    const PixelRows src(Source);
    if (!src.valid() || !std::isfinite(Angle)) return UniqueDib();
    double b = Angle * std::numbers::pi / 180.0;
    if (Direction == 1) b = -b;
    const double s = std::sin(b), c = std::cos(b);
    const int w = src.width(), h = src.height(), hw = w / 2, hh = h / 2;
    long long minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (const long long x : {static_cast<long long>(-hw), static_cast<long long>(w - hw)})
        for (const long long y : {static_cast<long long>(-hh), static_cast<long long>(h - hh)}) {
            const long long rx = RoundEven(x * c - y * s), ry = RoundEven(x * s + y * c);
            minX = std::min(minX, rx);
            maxX = std::max(maxX, rx);
            minY = std::min(minY, ry);
            maxY = std::max(maxY, ry);
        }
    const long long nwl = std::max(1LL, maxX - minX), nhl = std::max(1LL, maxY - minY);
    if (!fitsInt(nwl) || !fitsInt(nhl)) return UniqueDib();
    const int nw = static_cast<int>(nwl), nh = static_cast<int>(nhl);
    UniqueDib result = newLike(Source, nw, nh);
    const PixelRows dst(result.get());
    if (!dst.valid()) return UniqueDib();
    ProgressReport report(Progress);
    const Bgr back = bgr(Background);
    const int bits = src.bitCount();
    for (int j = 0; j < nh; ++j) {
        report.step(j, nh);
        const double J = j - nh / 2;
        const double js = J * s, jc = J * c;
        BYTE* out = dst.row(j);
        for (int i = 0; i < nw; ++i) {
            const double I = i - nw / 2;
            const long long sx = RoundEven(I * c - js) + hw;
            const long long sy = RoundEven(I * s + jc) + hh;
            const bool inside = sx >= 0 && sy >= 0 && sx < w && sy < h;
            if (bits == 24) {
                BYTE* p = out + 3 * i;
                if (inside) {
                    const BYTE* q = src.row(static_cast<int>(sy)) + 3 * sx;
                    p[0] = q[0];
                    p[1] = q[1];
                    p[2] = q[2];
                } else {
                    p[0] = back.b;
                    p[1] = back.g;
                    p[2] = back.r;
                }
            } else {
                dst.put(i, j, inside ? src.get(static_cast<int>(sx), static_cast<int>(sy)) : Background);
            }
        }
    }
    return result;
}

UniqueDib AddBorders(TDib Source, int Top, int Bottom, int Left, int Right, int Colour, const TProgressSink& Progress) {
    const PixelRows src(Source);
    if (!src.valid() || Top < 0 || Bottom < 0 || Left < 0 || Right < 0) return UniqueDib();
    const long long nw = static_cast<long long>(src.width()) + Left + Right;
    const long long nh = static_cast<long long>(src.height()) + Top + Bottom;
    if (!fitsInt(nw) || !fitsInt(nh)) return UniqueDib();
    UniqueDib result = newLike(Source, static_cast<int>(nw), static_cast<int>(nh));
    const PixelRows dst(result.get());
    if (!dst.valid()) return UniqueDib();
    ProgressReport report(Progress);
    blit(src, dst, Left, Top, Colour, report);
    return result;
}

UniqueDib NewCanvas(TDib Source, int NewWidth, int NewHeight, int Fill, int OffsetX, int OffsetY,
                    const TProgressSink& Progress) {
    const PixelRows src(Source);
    if (!src.valid() || NewWidth < 1 || NewHeight < 1) return UniqueDib();
    UniqueDib result = newLike(Source, NewWidth, NewHeight);
    const PixelRows dst(result.get());
    if (!dst.valid()) return UniqueDib();
    ProgressReport report(Progress);
    blit(src, dst, OffsetX, OffsetY, Fill, report);
    return result;
}

void Perspektive(TDib Dib, const TDib& Backup, int Amount, bool Perspective, bool Horizontal, int Colour2,
                 const TDib* Mask, const TProgressSink& Progress) {
    if (!sameTrueColourShape(Dib, Backup)) return;
    const Selection selection(Mask, Dib);
    if (selection.none()) return;
    const PixelRows pic(Dib), back(Backup);
    const long long w = pic.width(), h = pic.height(), a = Amount;
    auto selected = [&](long long x, long long y) {
        return selection.all() || Selection::selected(selection.row(static_cast<int>(y)), static_cast<int>(x));
    };
    ProgressReport report(Progress);
    const Bgr fill = bgr(Colour2);
    for (int y = 0; y < h; ++y) {
        BYTE* p = pic.row(y);
        for (int x = 0; x < w; ++x)
            if (selected(x, y)) {
                p[3 * x] = fill.b;
                p[3 * x + 1] = fill.g;
                p[3 * x + 2] = fill.r;
            }
    }
    for (int y = 0; y < h; ++y) {
        report.step(y, h);
        const BYTE* q = back.row(y);
        for (int x = 0; x < w; ++x) {
            long long tx = x, ty = y;
            if (Perspective && Horizontal) {
                const long long u = w == 1 ? 0 : (a >= 0 ? a * x / (w - 1) : a * (x - w + 1) / (w - 1));
                ty = (100 - u) * (y - h / 2) / 100 + h / 2;
            } else if (Perspective) {
                const long long t = h == 1 ? 0 : (a >= 0 ? a * y / (h - 1) : -a * (h - y - 1) / (h - 1));
                tx = (100 - t) * (x - w / 2) / 100 + w / 2;
            } else if (Horizontal) {
                const long long v = a * w / 100;
                tx = x + v / 2 - y * v / h;
            } else {
                const long long v = a * w / 100;
                ty = y + v / 2 - x * v / w;
            }
            if (tx < 0 || ty < 0 || tx >= w || ty >= h || !selected(tx, ty)) continue;
            std::memcpy(pic.row(static_cast<int>(ty)) + 3 * tx, q + 3 * x, 3);
        }
    }
}

namespace {

// For each position along an axis of `size`, the source position the bulge takes.
std::vector<int> bulgeMap(int size, bool apply, double exponent) {
    std::vector<int> map(static_cast<std::size_t>(size));
    const int half = size / 2;
    for (int x = 0; x < size; ++x) {
        int source = x;
        if (apply && half > 0) {
            const int d = std::abs(x - half);
            const double e = half * power(static_cast<double>(d) / half, exponent);
            // Truncated toward zero; NaN keeps the distance, huge values meet the edge.
            const long long ei = std::isnan(e) ? d : static_cast<long long>(std::clamp(e, -2.0 * size, 2.0 * size));
            const long long s = x < half ? half - ei : half + ei;
            source = static_cast<int>(std::clamp<long long>(s, 0, size - 1));
        }
        map[static_cast<std::size_t>(x)] = source;
    }
    return map;
}

}  // namespace

void Woelben(TDib Dib, const TDib& Backup, bool Horizontal, bool Vertical, double Exponent, const TDib* Mask,
             const TProgressSink& Progress) {
    if (!sameTrueColourShape(Dib, Backup)) return;
    const Selection selection(Mask, Dib);
    if (selection.none()) return;
    const PixelRows pic(Dib), back(Backup);
    const std::vector<int> columns = bulgeMap(pic.width(), Horizontal, Exponent);
    const std::vector<int> rows = bulgeMap(pic.height(), Vertical, Exponent);
    ProgressReport report(Progress);
    for (int y = 0; y < pic.height(); ++y) {
        report.step(y, pic.height());
        BYTE* p = pic.row(y);
        const BYTE* q = back.row(rows[static_cast<std::size_t>(y)]);
        const BYTE* m = selection.all() ? nullptr : selection.row(y);
        for (int x = 0; x < pic.width(); ++x)
            if (!m || Selection::selected(m, x)) std::memcpy(p + 3 * x, q + 3 * columns[static_cast<std::size_t>(x)], 3);
    }
}
