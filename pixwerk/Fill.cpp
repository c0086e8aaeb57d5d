// Flood fill with tolerance: a uniform colour, a tiled sample picture or a gradient.
//
// The region is the 4-connected area around the start pixel whose colours differ from the
// start pixel's by at most `tolerance` in each of red, green and blue (palette pictures
// compare their table colours), limited to the selection mask when asked. Styles:
// 0 uniform colour, 1 the sample picture tiled from the picture's origin, 2 linear gradient,
// 3 rectangular gradient (concentric rectangles), 4 sun wheel (a sweep around the region's
// centre), 5 rays (concentric circles). Gradients run from `colour` to `colour2` across the
// region's bounding box; the direction (0 NW-SE, 1 N-S, 2 NE-SW, 3 E-W, 4 SE-NW, 5 S-N,
// 6 SW-NE, 7 W-E) names the side where they start.
#include "pixwerk/Primitives.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <vector>

namespace pixwerk {
namespace {

struct Rgb {
    int r, g, b;
};

Rgb unpack(int v) { return Rgb{v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF}; }
int pack(const Rgb& c) { return c.r | c.g << 8 | c.b << 16; }

Rgb tableColour(const TDib& dib, int index) {
    const RGBQUAD& q = dib.Info->bmiColors[index];
    return Rgb{q.rgbRed, q.rgbGreen, q.rgbBlue};
}

// The colour of a pixel value of a picture.
Rgb colourOf(const Canvas& c, int value) {
    return c.bits() == 24 ? unpack(value) : tableColour(c.dib(), value & ((1 << c.bits()) - 1));
}

int nearestIndex(const Canvas& c, const Rgb& colour) {
    const int n = 1 << c.bits();
    int best = 0, bestDistance = 1 << 30;
    for (int i = 0; i < n; ++i) {
        const Rgb t = tableColour(c.dib(), i);
        const int d = (t.r - colour.r) * (t.r - colour.r) + (t.g - colour.g) * (t.g - colour.g) +
                      (t.b - colour.b) * (t.b - colour.b);
        if (d < bestDistance) bestDistance = d, best = i;
    }
    return best;
}

// The value for the picture of a colour: itself for 24 bits, else the nearest table entry.
int valueOf(const Canvas& c, const Rgb& colour) { return c.bits() == 24 ? pack(colour) : nearestIndex(c, colour); }

bool within(const Rgb& a, const Rgb& b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

// Which pixels may join the region.
class Region {
public:
    Region(const Canvas& c, const Canvas* mask, Rgb seed, int tolerance) : c_(c), mask_(mask), seed_(seed), tol_(tolerance) {
        if (c.bits() <= 8)
            for (int i = 0; i < (1 << c.bits()); ++i) matches_[i] = within(tableColour(c.dib(), i), seed, tolerance);
    }

    bool accepts(int x, int y) const {
        if (mask_ && mask_->get(x, y) != 1) return false;
        const int v = c_.get(x, y);
        return c_.bits() <= 8 ? matches_[v] : within(unpack(v), seed_, tol_);
    }

private:
    const Canvas& c_;
    const Canvas* mask_;
    Rgb seed_;
    int tol_;
    std::array<bool, 256> matches_{};
};

struct Box {
    int left, top, right, bottom;
};

// Marks the region in `marks` (1-bit, same size) by scan lines; returns its bounding box.
Box flood(const Canvas& c, const Region& region, const Canvas& marks, int x0, int y0) {
    Box box{x0, y0, x0, y0};
    std::vector<std::pair<int, int>> todo{{x0, y0}};
    while (!todo.empty()) {
        const auto [x, y] = todo.back();
        todo.pop_back();
        if (marks.get(x, y) || !region.accepts(x, y)) continue;
        int l = x, r = x;
        while (l > 0 && !marks.get(l - 1, y) && region.accepts(l - 1, y)) --l;
        while (r < c.width() - 1 && !marks.get(r + 1, y) && region.accepts(r + 1, y)) ++r;
        marks.span(y, l, r, 1);
        box = Box{std::min(box.left, l), std::min(box.top, y), std::max(box.right, r), std::max(box.bottom, y)};
        for (const int ny : {y - 1, y + 1}) {
            if (ny < 0 || ny >= c.height()) continue;
            bool inRun = false;
            for (int nx = l; nx <= r; ++nx) {
                const bool open = !marks.get(nx, ny) && region.accepts(nx, ny);
                if (open && !inRun) todo.emplace_back(nx, ny);
                inRun = open;
            }
        }
    }
    return box;
}

// Position along a gradient, 0 at its start and 1 at its end.
class Gradient {
public:
    Gradient(int style, int direction, const Box& b) : style_(style) {
        const double cx = (b.left + b.right) / 2.0, cy = (b.top + b.bottom) / 2.0;
        // Start points: NW, N, NE, E, SE, S, SW, W.
        const double sx[] = {double(b.left), cx, double(b.right), double(b.right), double(b.right), cx, double(b.left), double(b.left)};
        const double sy[] = {double(b.top), double(b.top), double(b.top), cy, double(b.bottom), double(b.bottom), double(b.bottom), cy};
        const int d = direction >= 0 && direction < 8 ? direction : 0;
        ox_ = sx[d], oy_ = sy[d];
        vx_ = 2 * (cx - ox_), vy_ = 2 * (cy - oy_);  // start to the opposite point
        cx_ = cx, cy_ = cy;
        rx_ = std::max(std::abs(b.left - ox_), std::abs(b.right - ox_));
        ry_ = std::max(std::abs(b.top - oy_), std::abs(b.bottom - oy_));
        reach_ = std::hypot(rx_, ry_);
        angle0_ = std::atan2(oy_ - cy, ox_ - cx);
    }

    double at(int x, int y) const {
        const double dx = x - ox_, dy = y - oy_;
        double t = 0;
        switch (style_) {
        case 2: {
            const double len = vx_ * vx_ + vy_ * vy_;
            t = len > 0 ? (dx * vx_ + dy * vy_) / len : 0;
            break;
        }
        case 3: t = std::max(rx_ > 0 ? std::abs(dx) / rx_ : 0, ry_ > 0 ? std::abs(dy) / ry_ : 0); break;
        case 4: {
            const double turn = 2 * std::numbers::pi;
            const double a = std::atan2(y - cy_, x - cx_) - angle0_;
            t = std::fmod(a + 2 * turn, turn) / turn;
            break;
        }
        default: t = reach_ > 0 ? std::hypot(dx, dy) / reach_ : 0;
        }
        return std::clamp(t, 0.0, 1.0);
    }

private:
    int style_;
    double ox_ = 0, oy_ = 0, vx_ = 0, vy_ = 0, cx_ = 0, cy_ = 0, rx_ = 0, ry_ = 0, reach_ = 0, angle0_ = 0;
};

// The 256 values of a gradient from `from` to `to`.
std::vector<int> gradientValues(const Canvas& c, int from, int to) {
    const Rgb a = colourOf(c, from), b = colourOf(c, to);
    std::vector<int> values(256);
    auto mix = [](int p, int q, int i) { return static_cast<int>(std::nearbyint(p + (q - p) * (i / 255.0))); };
    for (int i = 0; i < 256; ++i) values[i] = valueOf(c, Rgb{mix(a.r, b.r, i), mix(a.g, b.g, i), mix(a.b, b.b, i)});
    return values;
}

// The sample picture's value at a picture position, in the picture's kind of values.
int sampleValue(const Canvas& c, const Canvas& sample, int x, int y) {
    const int v = sample.get(x % sample.width(), y % sample.height());
    if (sample.bits() == c.bits()) return v;
    return valueOf(c, sample.bits() == 24 ? unpack(v) : tableColour(sample.dib(), v));
}

bool sameSize(const Canvas& a, const Canvas& b) { return a.width() == b.width() && a.height() == b.height(); }

void paint(const Canvas& c, const Canvas& marks, const Box& box, int colour, int colour2, int style, int direction,
           const Canvas* sample) {
    const bool gradient = style >= 2 && style <= 5;
    const Gradient g(style, direction, box);
    const std::vector<int> values = gradient ? gradientValues(c, colour, colour2) : std::vector<int>{};
    const int solid = c.bits() == 24 ? colour & 0xFFFFFF : colour;
    for (int y = box.top; y <= box.bottom; ++y)
        for (int x = box.left; x <= box.right; ++x) {
            if (!marks.get(x, y)) continue;
            int v = solid;
            if (gradient) v = values[static_cast<std::size_t>(std::nearbyint(g.at(x, y) * 255))];
            else if (style == 1 && sample) v = sampleValue(c, *sample, x, y);
            c.put(x, y, v);
        }
}

}  // namespace
}  // namespace pixwerk

extern "C" void filldib(TDib dib, int x, int y, int colour, int colour2, int tolerance, TDib mask, int useMask,
                        TDib work, int style, int direction, TDib pattern) {
    using namespace pixwerk;
    DibPixelsChanged(dib);
    Canvas c;
    if (!c.open(dib) || !c.inside(x, y)) return;
    Canvas m;
    const bool masked = useMask && m.open(mask) && m.bits() == 1 && sameSize(c, m);
    if (masked && m.get(x, y) != 1) return;
    // The region is marked in the caller's 1-bit work picture, or in one of our own.
    Canvas marks;
    UniqueDib own;
    if (!marks.open(work) || marks.bits() != 1 || !sameSize(c, marks)) {
        newdib(own.out(), c.width(), c.height(), 1, nullptr, 0);
        if (!marks.open(own.get())) return;
    }
    std::memset(marks.dib().Bits, 0, static_cast<std::size_t>(marks.dib().LineBytes) * marks.height());
    const Region region(c, masked ? &m : nullptr, colourOf(c, c.get(x, y)), std::max(tolerance, 0));
    const Box box = flood(c, region, marks, x, y);
    Canvas sample;
    const bool haveSample = style == 1 && sample.open(pattern);
    paint(c, marks, box, colour, colour2, style, direction, haveSample ? &sample : nullptr);
}
