// The selection mask: its outline, the marching ants, the magic wand, the rectangle and
// ellipse selection and the free selection.
#include "editor/ChildDocument.h"
#include "editor/PixelRows.h"
#include "editor/PolygonFill.h"

#include "poster/Pixwerk.h"

#include <algorithm>
#include <cstring>

using editor::PixelRows;

bool TChildDocument::EnsureMask() {
    const TDib& d = Dib.get();
    if (!d.Bits) return false;
    const PixelRows m(SelMask.get());
    if (m.valid() && m.bitCount() == 1 && m.width() == DibWidth(d) && m.height() == DibHeight(d)) return true;
    newdib(SelMask.out(), DibWidth(d), DibHeight(d), 1, nullptr, 0);
    OutlinePoints.clear();
    FOutlineRowStart.clear();
    SelActive = false;
    return static_cast<bool>(SelMask);
}

void TChildDocument::ClearSelection() {
    const PixelRows m(SelMask.get());
    if (m.valid()) std::memset(m.bits(), 0, m.imageBytes());
    OutlinePoints.clear();
    FOutlineRowStart.assign(static_cast<std::size_t>(std::max(m.height(), 0)) + 1, 0);
    SelActive = false;
    Window().UpdateMenuItems();
}

bool TChildDocument::IsSelectedAt(int X, int Y) const {
    const PixelRows m(SelMask.get());
    const int x = ViewToPic(X), y = ViewToPic(Y);
    return m.valid() && m.bitCount() == 1 && m.inside(x, y) && m.get(x, y) == 1;
}

void TChildDocument::UpdateSelddib() {
    OutlinePoints.clear();
    FOutlineRowStart.clear();
    SelActive = false;
    const PixelRows m(SelMask.get());
    if (!m.valid() || m.bitCount() != 1) {
        SelBounds = RECT{0, 0, 0, 0};
        FOutlineRowStart.push_back(0);
        Window().UpdateMenuItems();
        return;
    }
    const int w = m.width(), h = m.height();
    SelBounds = RECT{w - 1, h - 1, 0, 0};
    FOutlineRowStart.resize(static_cast<std::size_t>(h) + 1);
    auto add = [&](int x, int y) {
        OutlinePoints.push_back(POINT{x, y});
        SelBounds.left = std::min<LONG>(SelBounds.left, x);
        SelBounds.top = std::min<LONG>(SelBounds.top, y);
        SelBounds.right = std::max<LONG>(SelBounds.right, x);
        SelBounds.bottom = std::max<LONG>(SelBounds.bottom, y);
    };
    const int bytes = (w + 7) / 8;
    for (int y = 0; y < h; ++y) {
        FOutlineRowStart[static_cast<std::size_t>(y)] = static_cast<int>(OutlinePoints.size());
        const BYTE* row = m.row(y);
        const BYTE* below = y + 1 < h ? m.row(y + 1) : nullptr;
        const bool edgeRow = y == 0 || y == h - 1;
        for (int k = 0; k < bytes; ++k) {
            const int x0 = k * 8;
            // Eight pixels without a change to the right or below, away from the border, add nothing.
            if (!edgeRow && x0 > 0 && x0 + 8 < w) {
                const unsigned cur = row[k];
                const unsigned shifted = ((cur << 1) | (row[k + 1] >> 7)) & 0xFFu;
                if ((cur ^ shifted) == 0 && (cur ^ below[k]) == 0) continue;
            }
            const int x1 = std::min(x0 + 8, w);
            for (int x = x0; x < x1; ++x) {
                const bool on = (row[k] >> (7 - (x & 7))) & 1;
                if (on && (edgeRow || x == 0 || x == w - 1)) add(x, y);
                if (x + 1 < w) {
                    const bool right = (row[(x + 1) >> 3] >> (7 - ((x + 1) & 7))) & 1;
                    if (!on && right) add(x + 1, y);
                    else if (on && !right) add(x, y);
                }
                if (below) {
                    const bool down = (below[k] >> (7 - (x & 7))) & 1;
                    if (!on && down) add(x, y + 1);
                    else if (on && !down) add(x, y);
                }
            }
        }
    }
    FOutlineRowStart[static_cast<std::size_t>(h)] = static_cast<int>(OutlinePoints.size());
    SelActive = !OutlinePoints.empty();
    Window().UpdateMenuItems();
}

void TChildDocument::DrawSelection() { OverlayChanged(); }

void TChildDocument::Timer1Timer() {
    if (!SelActive || Dragging) return;
    AntsPhase = (AntsPhase + 1) % 10;
    DrawSelection();
}

void TChildDocument::FreeSel(TFreeSelPolygons& Polygons) {
    if (!Polygons.Used) return;
    Polygons.A.clear();
    Polygons.B.clear();
}

namespace {

// The mode of a selection tool: 1 adds (Shift), 0 removes (Ctrl), else a new selection.
int selectionValue(BYTE shift, bool& clearFirst) {
    clearFirst = false;
    if (shift & ssShift) return 1;
    if (shift & ssCtrl) return 0;
    clearFirst = true;
    return 1;
}

}  // namespace

void TChildDocument::MagicWand(int X, int Y, BYTE Shift) {
    const TDib& d = Dib.get();
    if (!d.Bits) return;
    if (!EnsureMask()) {
        OutOfMemory();
        return;
    }
    bool clearFirst = false;
    const int value = selectionValue(Shift, clearFirst);
    const int w = DibWidth(d), h = DibHeight(d), bits = DibBitCount(d), colours = DibColorCount(d);
    UniqueDib work, region;
    newdib(work.out(), w, h, bits, colours <= 256 ? d.Info : nullptr, colours <= 256 ? colours : 0);
    if (work) newdib(region.out(), w, h, 1, nullptr, 0);
    if (!work || !region) {
        OutOfMemory();
        return;
    }
    if (clearFirst) ClearSelection();
    const PixelRows src(d), t(work.get()), marks(region.get()), mask(SelMask.get());
    std::memcpy(t.bits(), src.bits(), std::min(t.imageBytes(), src.imageBytes()));
    const int fill = getpixel(d, X, Y) == 0 ? colours - 1 : 0;
    filldib(work.get(), X, Y, fill, 0, std::max(0, Window().Tolerance()), SelMask.get(), 0, region.get(), 0, 0,
            SelMask.get());
    // The work picture marks the filled region, also where the fill colour was there before.
    for (int y = 0; y < h; ++y) {
        const BYTE* in = marks.row(y);
        BYTE* out = mask.row(y);
        for (int k = 0; k < (w + 7) / 8; ++k) {
            if (!in[k]) continue;
            out[k] = value ? static_cast<BYTE>(out[k] | in[k]) : static_cast<BYTE>(out[k] & ~in[k]);
        }
    }
    UpdateSelddib();
}

void TChildDocument::SelectShape(int X1, int Y1, int X2, int Y2, int Shape, BYTE Shift) {
    if (!EnsureMask()) return;
    bool clearFirst = false;
    const int value = selectionValue(Shift, clearFirst);
    if (clearFirst) ClearSelection();
    if (Shape >= 2) FilledEllipse(SelMask.get(), X1, Y1, X2, Y2, value);
    else recht_filled(SelMask.get(), X1, Y1, X2, Y2, value);
    UpdateSelddib();
}

void TChildDocument::FillFreeSelection(const std::vector<POINT>& Stroke, BYTE Shift) {
    if (!EnsureMask()) return;
    bool clearFirst = false;
    const int value = selectionValue(Shift, clearFirst);
    if (clearFirst) ClearSelection();
    std::vector<POINT> points;
    points.reserve(Stroke.size());
    for (const POINT& p : Stroke) points.push_back(POINT{ViewToPic(p.x), ViewToPic(p.y)});
    const PixelRows mask(SelMask.get());
    editor::FillPolygonEvenOdd(points, mask.width(), mask.height(),
                               [&](int y, int x1, int x2) { editor::fillBits(mask.row(y), x1, x2, value != 0); });
    // The outline belongs to the selection too.
    if (points.size() >= 2)
        for (std::size_t i = 0; i < points.size(); ++i) {
            const POINT& a = points[i];
            const POINT& b = points[(i + 1) % points.size()];
            line(SelMask.get(), a.x, a.y, b.x, b.y, value);
        }
    UpdateSelddib();
}
