// The brush and its kin: the tip's shape and softness, the stamps along a stroke, and what
// each stamp does for the brush, the clone brush, the colour replacer and the retouch brush.
#include "classlib/Random.h"
#include "editor/ChildDocument.h"
#include "editor/PixelRows.h"
#include "editor/Tools.h"
#include "poster/Pixwerk.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

using editor::PixelRows;

struct TPaintTools::Tip {
    int Size = 1;
    int Lo = 0;                // offset of the tip's first row and column from its centre
    std::vector<bool> Inside;  // Size x Size, row by row
    std::vector<int> Soft;     // transparency per tip pixel, empty without a soft tip
    bool inside(int dx, int dy) const {
        return Inside[static_cast<std::size_t>((dy - Lo) * Size + (dx - Lo))];
    }
    int soft(int dx, int dy) const {
        return Soft.empty() ? 0 : Soft[static_cast<std::size_t>((dy - Lo) * Size + (dx - Lo))];
    }
};

namespace {

struct Rgb {
    int r, g, b;
};

Rgb unpack(int v) { return Rgb{v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF}; }
int pack(int r, int g, int b) { return r | g << 8 | b << 16; }

Rgb colourOf(const TDib& d, int value) {
    if (DibBitCount(d) == 24) return unpack(value);
    const PALETTEENTRY& e = d.Palette.palPalEntry[static_cast<unsigned>(value) & 0xFFu];
    return Rgb{e.peRed, e.peGreen, e.peBlue};
}

// The tip's first offset: from (-s) div 2 to s div 2, raised by one when that gives more than s.
int tipLow(int s) {
    int lo = (-s) / 2;
    if (s / 2 - lo + 1 > s) ++lo;
    return lo;
}

bool makeShape(int s, int form, std::vector<bool>& inside) {
    UniqueDib m;
    newdib(m.out(), s, s, 1, nullptr, 0);
    const PixelRows rows(m.get());
    if (!rows.valid()) return false;
    std::memset(rows.bits(), 0xFF, rows.imageBytes());
    const TDib& t = m.get();
    switch (form) {
    case 0: recht_filled(t, 0, 0, s, s, 0); break;
    case 1: FilledEllipse(t, 0, 0, s, s, 0); break;
    case 2:
        line(t, 0, 0, s, s, 0);
        line(t, 0, 1, s, s + 1, 0);
        break;
    case 3:
        line(t, 0, s, s, 0, 0);
        line(t, 1, s, s + 1, 0, 0);
        break;
    case 4: recht_filled(t, 0, s / 3, s, 2 * s / 3, 0); break;
    default: recht_filled(t, s / 3, 0, 2 * s / 3, s, 0); break;
    }
    inside.assign(static_cast<std::size_t>(s) * static_cast<std::size_t>(s), false);
    for (int y = 0; y < s; ++y)
        for (int x = 0; x < s; ++x) inside[static_cast<std::size_t>(y * s + x)] = rows.get(x, y) == 0;
    return true;
}

// The Bresenham points from (x1, y1) to (x2, y2), both included, always made in the
// direction of the longer axis's growth and handed out from (x1, y1) on.
std::vector<POINT> linePoints(int x1, int y1, int x2, int y2) {
    const bool steep = std::abs(y2 - y1) > std::abs(x2 - x1);
    const bool backwards = steep ? y2 < y1 : x2 < x1;
    int ax = x1, ay = y1, bx = x2, by = y2;
    if (backwards) {
        std::swap(ax, bx);
        std::swap(ay, by);
    }
    std::vector<POINT> pts;
    if (!steep) {
        const int dx = bx - ax, dy = std::abs(by - ay), sy = by < ay ? -1 : 1;
        int err = dx / 2, y = ay;
        for (int x = ax; x <= bx; ++x) {
            pts.push_back(POINT{x, y});
            err -= dy;
            if (err < 0) {
                y += sy;
                err += dx;
            }
        }
    } else {
        const int dy = by - ay, dx = std::abs(bx - ax), sx = bx < ax ? -1 : 1;
        int err = dy / 2, x = ax;
        for (int y = ay; y <= by; ++y) {
            pts.push_back(POINT{x, y});
            err -= dx;
            if (err < 0) {
                x += sx;
                err += dy;
            }
        }
    }
    if (backwards) std::reverse(pts.begin(), pts.end());
    return pts;
}

}  // namespace

void TPaintTools::BrushLine(TChildDocument& Doc, int X1, int Y1, int X2, int Y2, int Colour) {
    const TDib& d = Doc.Dib.get();
    if (!PixelRows(d).valid()) return;
    const int s = FStroke.Size;
    Tip tip;
    tip.Size = s;
    tip.Lo = tipLow(s);
    if (!makeShape(s, FStroke.BrushForm, tip.Inside)) return;
    if (DibBitCount(d) == 24 && s > 3) {
        const int r = s / 2;
        tip.Soft.resize(static_cast<std::size_t>(s) * static_cast<std::size_t>(s));
        for (int dy = tip.Lo; dy < tip.Lo + s; ++dy)
            for (int dx = tip.Lo; dx < tip.Lo + s; ++dx) {
                int o;
                if (FStroke.BrushForm == 1)
                    o = r == 0 ? 0 : static_cast<int>(std::nearbyint(std::sqrt(static_cast<double>(dx * dx + dy * dy)))) * 100 / r;
                else
                    o = r == 0 ? 0 : (std::abs(dx) + std::abs(dy)) * 100 / (2 * r);
                o = std::min(o, 100);
                tip.Soft[static_cast<std::size_t>((dy - tip.Lo) * s + (dx - tip.Lo))] = o * (100 - FStroke.Hardness) / 100;
            }
    }
    for (const POINT& p : linePoints(X1, Y1, X2, Y2)) SetBrushPixel(Doc, tip, p.x, p.y, X1, Y1, Colour);
    DibPixelsChanged(d);
}

void TPaintTools::SetBrushPixel(TChildDocument& Doc, const Tip& T, int CX, int CY, int SX, int SY, int Colour) {
    const TDib& d = Doc.Dib.get();
    const PixelRows pic(d);
    const PixelRows mask(Doc.SelMask.get());
    const bool masked = Doc.SelActive;
    const bool maskUsable = mask.valid() && mask.width() == pic.width() && mask.height() == pic.height();
    // Mask bits outside the picture (or of a mask that does not fit) read as 0.
    auto allowed = [&](int x, int y) { return !masked || (maskUsable && mask.inside(x, y) && mask.get(x, y) == 1); };
    const int s = T.Size;
    const bool soft = DibBitCount(d) == 24;
    auto blend = [&](int x, int y, int c) {
        if (!soft) {
            pic.put(x, y, c);
            return;
        }
        int t = s >= 4 ? T.soft(x - CX, y - CY) : 0;
        t = t != 0 ? t + (100 - t) * FStroke.Transparency / 100 : FStroke.Transparency;
        const Rgb n = unpack(c), o = unpack(pic.get(x, y));
        pic.put(x, y, pack((n.r * (100 - t) + o.r * t) / 100, (n.g * (100 - t) + o.g * t) / 100,
                           (n.b * (100 - t) + o.b * t) / 100));
    };
    const int tol = Doc.Window().Tolerance();
    const Rgb replaced = colourOf(d, Doc.ReplacedColor);
    // Tip pixels outside the picture are left out (before any random number is drawn), so
    // only the part of the tip over the picture is visited.
    const long long dy0 = std::max<long long>(T.Lo, -static_cast<long long>(CY));
    const long long dy1 = std::min<long long>(T.Lo + s - 1, static_cast<long long>(pic.height()) - 1 - CY);
    const long long dx0 = std::max<long long>(T.Lo, -static_cast<long long>(CX));
    const long long dx1 = std::min<long long>(T.Lo + s - 1, static_cast<long long>(pic.width()) - 1 - CX);
    if (dy0 > dy1 || dx0 > dx1) return;
    for (int dy = static_cast<int>(dy0); dy <= dy1; ++dy)
        for (int dx = static_cast<int>(dx0); dx <= dx1; ++dx) {
            if (!T.inside(dx, dy)) continue;
            const int x = CX + dx, y = CY + dy;
            if (Doc.CloneStroke) {
                if (!(allowed(x, y) && Random(100) < FStroke.Density)) continue;
                long long qx, qy;
                if (FStroke.CloneMode == 0) {
                    qx = static_cast<long long>(x) + Doc.CloneSource.x - Doc.CloneFirst.x;
                    qy = static_cast<long long>(y) + Doc.CloneSource.y - Doc.CloneFirst.y;
                } else {
                    qx = static_cast<long long>(x) + Doc.CloneSource.x - Doc.ViewToPic(Doc.ClonePress.x);
                    qy = static_cast<long long>(y) + Doc.CloneSource.y - Doc.ViewToPic(Doc.ClonePress.y);
                }
                if (pic.inside(qx, qy)) blend(x, y, pic.get(static_cast<int>(qx), static_cast<int>(qy)));
            } else if (Doc.ReplaceFlag) {
                if (!allowed(x, y)) continue;
                const Rgb here = colourOf(d, pic.get(x, y));
                if (std::abs(here.r - replaced.r) > tol || std::abs(here.g - replaced.g) > tol ||
                    std::abs(here.b - replaced.b) > tol)
                    continue;
                if (Random(100) < FStroke.Density) blend(x, y, Colour);
            } else if (Doc.RetouchFlag) {
                if (!(Random(100) < FStroke.Density && allowed(x, y))) continue;
                switch (FStroke.RetouchMode) {
                case 0:
                case 1: {
                    const Rgb o = unpack(pic.get(x, y));
                    const int step = FStroke.RetouchMode == 0 ? 8 : -8;
                    blend(x, y, pack(std::clamp(o.r + step, 0, 255), std::clamp(o.g + step, 0, 255),
                                     std::clamp(o.b + step, 0, 255)));
                    break;
                }
                case 2: {
                    // A random pixel of the s x s area that ends at the stroke's start point.
                    long long qx = static_cast<long long>(SX) - Random(s);
                    long long qy = static_cast<long long>(SY) - Random(s);
                    if (s % 2 == 0) {
                        ++qx;
                        ++qy;
                    }
                    if (pic.inside(qx, qy)) blend(x, y, pic.get(static_cast<int>(qx), static_cast<int>(qy)));
                    break;
                }
                default: {
                    const long long qx = static_cast<long long>(x) - Random(s) + (s >> 1);
                    const long long qy = static_cast<long long>(y) - Random(s) + (s >> 1);
                    if (pic.inside(qx, qy)) blend(x, y, pic.get(static_cast<int>(qx), static_cast<int>(qy)));
                    break;
                }
                }
            } else {
                if (Random(100) < FStroke.Density && allowed(x, y)) blend(x, y, Colour);
            }
        }
}
