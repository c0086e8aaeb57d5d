// Even-odd scanline fill: an edge table sorted by first row, an active list per row.
#include "editor/PolygonFill.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace editor {
namespace {

struct Edge {
    std::int64_t x0, y0, x1, y1;  // y0 < y1
    int firstRow, lastRow;        // rows whose centre y + 0.5 lies in [y0, y1)
};

}  // namespace

void FillPolygonEvenOdd(const std::vector<POINT>& Points, int Width, int Height,
                        const std::function<void(int, int, int)>& Span) {
    if (Points.size() < 3 || Width <= 0 || Height <= 0) return;
    std::vector<Edge> edges;
    edges.reserve(Points.size());
    for (std::size_t i = 0; i < Points.size(); ++i) {
        const POINT& a = Points[i];
        const POINT& b = Points[(i + 1) % Points.size()];
        if (a.y == b.y) continue;
        Edge e = a.y < b.y ? Edge{a.x, a.y, b.x, b.y, 0, 0} : Edge{b.x, b.y, a.x, a.y, 0, 0};
        // Row r crosses the edge when y0 <= r + 0.5 < y1, i.e. y0 <= r <= y1 - 1.
        const std::int64_t first = std::max<std::int64_t>(e.y0, 0);
        const std::int64_t last = std::min<std::int64_t>(e.y1 - 1, Height - 1);
        if (first > last) continue;
        e.firstRow = static_cast<int>(first);
        e.lastRow = static_cast<int>(last);
        edges.push_back(e);
    }
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.firstRow < b.firstRow; });
    std::vector<const Edge*> active;
    std::vector<double> xs;
    std::size_t next = 0;
    const int top = edges.empty() ? Height : edges.front().firstRow;
    for (int y = top; y < Height; ++y) {
        while (next < edges.size() && edges[next].firstRow <= y) active.push_back(&edges[next++]);
        active.erase(std::remove_if(active.begin(), active.end(), [y](const Edge* e) { return e->lastRow < y; }),
                     active.end());
        if (active.empty()) {
            if (next >= edges.size()) break;
            continue;
        }
        xs.clear();
        const double yc = y + 0.5;
        for (const Edge* e : active)
            xs.push_back(static_cast<double>(e->x0) +
                         (yc - static_cast<double>(e->y0)) * static_cast<double>(e->x1 - e->x0) /
                             static_cast<double>(e->y1 - e->y0));
        std::sort(xs.begin(), xs.end());
        for (std::size_t i = 0; i + 1 < xs.size(); i += 2) {
            // Pixels whose centre x + 0.5 lies in [xa, xb).
            const double from = std::ceil(xs[i] - 0.5), to = std::ceil(xs[i + 1] - 0.5) - 1;
            const double lo = std::max(from, 0.0), hi = std::min(to, static_cast<double>(Width - 1));
            if (lo <= hi) Span(y, static_cast<int>(lo), static_cast<int>(hi));
        }
    }
}

}  // namespace editor
