// The floating selection: lifting, following the mouse, dropping and merging.
#include "editor/ChildDocument.h"
#include "editor/PixelRows.h"

#include "poster/Pixwerk.h"

#include <cstring>

using editor::PixelRows;

namespace {

// A new picture of `like`'s size and depth with its colour table; every pixel 0.
void newLike(UniqueDib& out, const TDib& like, int width, int height) {
    const int colours = DibColorCount(like);
    newdib(out.out(), width, height, DibBitCount(like), colours <= 256 ? like.Info : nullptr,
           colours <= 256 ? colours : 0);
}

}  // namespace

bool TChildDocument::RestoreBackground() {
    const PixelRows back(Background.get()), pic(Dib.get());
    if (!back.sameShape(pic)) return false;
    std::memcpy(pic.bits(), back.bits(), pic.imageBytes());
    return true;
}

void TChildDocument::DiscardFloats() {
    Background.reset();
    FloatDib.reset();
    FloatMask.reset();
    DragActive = false;
    FloatTransparent = false;
    FloatUseMask = false;
    FFloatLifted = false;
    FFloatResidue = POINT{0, 0};
}

void TChildDocument::FinishDraging() {
    if (!DragActive) return;
    DiscardFloats();
}

void TChildDocument::EndFloatingState() {
    const bool moving = (ToolState == 98 || ToolState == 99) && Dragging;
    if (moving) {
        EndDrag();
        ToolState = 0;
    }
    if (FloatDib && (moving || !DragActive)) {
        RestoreBackground();
        if (FFloatLifted || DragActive) {
            // Back where it was lifted or last placed: nothing of the picture is lost.
            PasteFloat(FloatHome.x, FloatHome.y, true, true);
            DragActive = true;
        } else {
            DiscardFloats();  // a pasted picture that was never placed
        }
        UpdateSelddib();
    }
    FinishDraging();
    Window().UpdateMenuItems();
}

POINT TChildDocument::FloatPosition(int X, int Y) const {
    return POINT{ViewToPic(X + FloatOffset.x) + FFloatResidue.x, ViewToPic(Y + FloatOffset.y) + FFloatResidue.y};
}

void TChildDocument::DrawDragedDib(int X, int Y, bool Paste, bool Mark) { PasteFloat(ViewToPic(X), ViewToPic(Y), Paste, Mark); }

void TChildDocument::PasteFloatAtHome() {
    if (!RestoreBackground()) return;
    PasteFloat(FloatHome.x, FloatHome.y, true, false);
}

void TChildDocument::PasteFloat(int PX, int PY, bool Paste, bool Mark) {
    const PixelRows fl(FloatDib.get()), pic(Dib.get());
    if (!fl.valid() || !pic.valid() || fl.bitCount() != pic.bitCount()) return;
    if (Mark && FloatTransparent && !(FloatUseMask && FloatMask)) {
        // Pixels that stay out of a transparent float must leave it for good: it needs a mask.
        newdib(FloatMask.out(), fl.width(), fl.height(), 1, nullptr, 0);
        if (!FloatMask) return;
        const PixelRows all(FloatMask.get());
        std::memset(all.bits(), 0xFF, all.imageBytes());
        FloatUseMask = true;
    }
    const PixelRows fm = FloatUseMask ? PixelRows(FloatMask.get()) : PixelRows();
    const bool useMask = fm.valid() && fm.width() == fl.width() && fm.height() == fl.height();
    if (FloatUseMask && !useMask) return;
    PixelRows sel(SelMask.get());
    const bool marks = Mark && sel.valid() && sel.width() == pic.width() && sel.height() == pic.height();
    for (int fy = 0; fy < fl.height(); ++fy) {
        const long long ty = static_cast<long long>(PY) + fy;
        const bool rowInside = ty >= 0 && ty < pic.height();
        for (int fx = 0; fx < fl.width(); ++fx) {
            if (useMask && fm.get(fx, fy) != 1) continue;
            const long long tx = static_cast<long long>(PX) + fx;
            const bool inside = rowInside && tx >= 0 && tx < pic.width();
            const int x = static_cast<int>(tx), y = static_cast<int>(ty);
            if (FloatTransparent) {
                const int v = fl.get(fx, fy);
                if (v != Color2) {
                    if (inside) pic.put(x, y, v);
                    if (marks && inside) sel.put(x, y, 1);
                } else if (Mark) {
                    if (marks && inside) sel.put(x, y, 0);
                    fm.put(fx, fy, 0);
                }
            } else if (Paste && inside) {
                pic.put(x, y, fl.get(fx, fy));
            }
        }
    }
    if (Mark && !FloatTransparent && marks)
        for (int fy = 0; fy < fl.height(); ++fy)
            for (int fx = 0; fx < fl.width(); ++fx) {
                if (useMask && fm.get(fx, fy) != 1) continue;
                const long long tx = static_cast<long long>(PX) + fx, ty = static_cast<long long>(PY) + fy;
                if (sel.inside(tx, ty)) sel.put(static_cast<int>(tx), static_cast<int>(ty), 1);
            }
    if (Mark) FloatTransparent = false;
}

bool TChildDocument::InitDragingWith(UniqueDib Picture, UniqueDib Mask, UniqueDib Back, bool ResetOffset, int State,
                                     bool Transparent, bool UseMask) {
    const PixelRows back(Back.get()), pic(Dib.get());
    if (!back.sameShape(pic) || !Picture) return false;
    if (ResetOffset) FloatOffset = POINT{0, 0};
    std::memcpy(back.bits(), pic.bits(), pic.imageBytes());
    ToolState = State;
    Dragging = true;
    CurPoint = POINT{pic.width() / 2, pic.height() / 2};
    if (!Captured && FView && FView->CaptureMouse()) Captured = true;
    FloatTransparent = Transparent;
    FloatDib = std::move(Picture);
    FloatUseMask = UseMask && static_cast<bool>(Mask);
    if (FloatUseMask) FloatMask = std::move(Mask);
    else FloatMask.reset();
    Background = std::move(Back);
    FFloatLifted = false;
    FFloatResidue = POINT{0, 0};
    FloatHome = POINT{0, 0};
    ClearSelection();
    return true;
}

void TChildDocument::InitDraging(UniqueDib Picture, UniqueDib Mask, bool ResetOffset, int State, bool Transparent,
                                 bool UseMask) {
    if (ResetOffset) FloatOffset = POINT{0, 0};
    EndFloatingState();
    const TDib& d = Dib.get();
    if (!d.Bits || !Picture) return;
    UniqueDib back;
    newLike(back, d, DibWidth(d), DibHeight(d));
    if (!back) {
        OutOfMemory();
        return;  // Picture and Mask are freed here
    }
    InitDragingWith(std::move(Picture), std::move(Mask), std::move(back), false, State, Transparent, UseMask);
}

bool TChildDocument::LiftSelection(UniqueDib& Float, UniqueDib& Mask, UniqueDib& Back, bool Cut) {
    const TDib& d = Dib.get();
    const PixelRows pic(d), sel(SelMask.get());
    const int left = SelBounds.left, top = SelBounds.top;
    const int w = SelBounds.right - left + 1, h = SelBounds.bottom - top + 1;
    if (!pic.valid() || !sel.valid() || sel.width() != pic.width() || sel.height() != pic.height() || w <= 0 ||
        h <= 0)
        return false;
    // Everything is allocated before a pixel is touched.
    newLike(Float, d, w, h);
    if (Float) newdib(Mask.out(), w, h, 1, nullptr, 0);
    if (Mask) newLike(Back, d, pic.width(), pic.height());
    if (!Float || !Mask || !Back) {
        Float.reset();
        Mask.reset();
        Back.reset();
        OutOfMemory();
        return false;
    }
    const PixelRows fr(Float.get()), mr(Mask.get());
    for (int y = top; y < top + h; ++y)
        for (int x = left; x < left + w; ++x)
            if (sel.get(x, y) == 1) {
                fr.put(x - left, y - top, pic.get(x, y));
                mr.put(x - left, y - top, 1);
                if (Cut) pic.put(x, y, Color2);
            }
    return true;
}

void TChildDocument::MakeSelectionDragable() {
    if (DragActive || FloatDib || !SelActive) return;
    UniqueDib f, m, back;
    if (!LiftSelection(f, m, back, false)) return;
    const PixelRows pic(Dib.get()), br(back.get());
    FloatOffset = POINT{-PicToView(SelBounds.left), -PicToView(SelBounds.top)};
    std::memcpy(br.bits(), pic.bits(), pic.imageBytes());
    FloatTransparent = false;
    FloatDib = std::move(f);
    FloatMask = std::move(m);
    Background = std::move(back);
    FloatUseMask = true;
    DragActive = true;
    FFloatLifted = false;
    FFloatResidue = POINT{0, 0};
    FloatHome = POINT{SelBounds.left, SelBounds.top};
}

void TChildDocument::LiftForMove(int X, int Y) {
    const TDib& d = Dib.get();
    const PixelRows pic(d), sel(SelMask.get());
    if (!pic.valid() || !sel.valid() || sel.width() != pic.width() || sel.height() != pic.height()) return;
    if (DragActive && FloatDib) {
        // Take up what was painted over the placed float since it was dropped.
        const PixelRows fl(FloatDib.get());
        if (fl.bitCount() == pic.bitCount())
            for (int fy = 0; fy < fl.height(); ++fy)
                for (int fx = 0; fx < fl.width(); ++fx) {
                    const long long x = static_cast<long long>(FloatHome.x) + fx;
                    const long long y = static_cast<long long>(FloatHome.y) + fy;
                    if (sel.inside(x, y) && sel.get(static_cast<int>(x), static_cast<int>(y)) == 1)
                        fl.put(fx, fy, pic.get(static_cast<int>(x), static_cast<int>(y)));
                }
        ToolState = 98;
        StartDrag(X, Y);
        FloatOffset = POINT{PicToView(FloatHome.x) - X, PicToView(FloatHome.y) - Y};
        ClearSelection();
    } else {
        if (!SelActive || FloatDib) return;
        UniqueDib f, m, back;
        if (!LiftSelection(f, m, back, true)) return;
        const int left = SelBounds.left, top = SelBounds.top;
        FloatOffset = POINT{PicToView(left) - X, PicToView(top) - Y};
        InitDragingWith(std::move(f), std::move(m), std::move(back), false, 98, false, true);
        StartPoint = PrevPoint = CurPoint = POINT{X, Y};
        FloatHome = POINT{left, top};
        FFloatLifted = true;
    }
    // The residue keeps the float exactly at its home while the mouse has not moved.
    FFloatResidue = POINT{0, 0};
    const POINT at = FloatPosition(X, Y);
    FFloatResidue = POINT{FloatHome.x - at.x, FloatHome.y - at.y};
    RestoreBackground();
    const POINT pos = FloatPosition(X, Y);
    PasteFloat(pos.x, pos.y, true, false);
    PictureChanged();
}

void TChildDocument::MoveFloat(int X, int Y) {
    if (!RestoreBackground()) return;
    const POINT pos = FloatPosition(X, Y);
    PasteFloat(pos.x, pos.y, true, false);
    PictureChanged();
}

void TChildDocument::DropFloat(int X, int Y) {
    ToolState = 0;
    EndDrag();
    if (RestoreBackground()) {
        const POINT pos = FloatPosition(X, Y);
        PasteFloat(pos.x, pos.y, true, true);
        FloatHome = pos;
    }
    FFloatLifted = false;
    UpdateSelddib();
    DragActive = static_cast<bool>(FloatDib);
    // The menus offer merging once the float is placed.
    Window().UpdateMenuItems();
    PictureChanged();
}
