// Three undo steps, each a full copy of the picture with its selection and floating selection.
#include "editor/ChildDocument.h"
#include "editor/PixelRows.h"

#include "poster/Pixwerk.h"

#include <cstring>

using editor::PixelRows;

namespace {

// A copy of every pixel byte and the colour table; false when a picture with pixels could
// not be copied. A source without pixels gives an empty copy.
bool copyPicture(const TDib& source, UniqueDib& copy) {
    copy.reset();
    const PixelRows src(source);
    if (!src.valid()) return !source.Bits;
    const int colours = DibColorCount(source);
    newdib(copy.out(), src.width(), src.height(), src.bitCount(), colours <= 256 ? source.Info : nullptr,
           colours <= 256 ? colours : 0);
    const PixelRows dst(copy.get());
    if (!dst.valid()) return false;
    if (dst.lineBytes() == src.lineBytes()) {
        std::memcpy(dst.bits(), src.bits(), dst.imageBytes());
    } else {
        const std::size_t n = static_cast<std::size_t>(std::min(dst.lineBytes(), src.lineBytes()));
        for (int y = 0; y < src.height(); ++y) std::memcpy(dst.row(y), src.row(y), n);
    }
    return true;
}

}  // namespace

bool TChildDocument::MakeDIBCopy(const TDib& Source, UniqueDib& Copy) {
    if (copyPicture(Source, Copy)) return true;
    OutOfMemory();
    return false;
}

void TChildDocument::SaveForUndo() {
    if (!Modified) {
        Modified = true;
        UpdateCaption();
    }
    // All copies first; the step is kept only when every one of them was made.
    TUndoSlot step;
    bool ok = copyPicture(Dib.get(), step.Picture);
    step.SelFlag = SelActive;
    if (ok && SelActive) ok = copyPicture(SelMask.get(), step.Mask);
    step.FloatFlag = DragActive && static_cast<bool>(FloatDib);
    if (ok && step.FloatFlag) {
        ok = copyPicture(Background.get(), step.Background) && copyPicture(FloatDib.get(), step.FloatDib);
        if (ok && FloatUseMask) ok = copyPicture(FloatMask.get(), step.FloatMask);
        step.Transparent = FloatTransparent;
        step.UseMask = FloatUseMask;
        step.FloatHome = FloatHome;
    }
    if (!ok) {
        OutOfMemory();
        Window().UpdateMenuItems();
        return;
    }
    if (UndoCount >= static_cast<int>(UndoSlots.size())) FreeUndoBuffer(1);
    UndoSlots[static_cast<std::size_t>(UndoCount)] = std::move(step);
    ++UndoCount;
    Window().UpdateMenuItems();
}

void TChildDocument::LoadFromUndo() {
    if (UndoCount <= 0) {
        Window().UpdateMenuItems();
        return;
    }
    // Whatever is being dragged or floats now belongs to the picture that is replaced.
    if (Dragging) EndDrag();
    ToolState = 0;
    Feedback = TFeedback{};
    FreeSel(FreeSelPolygons);
    FreeSelPolygons.Used = false;
    DiscardFloats();

    TUndoSlot& s = UndoSlots[static_cast<std::size_t>(UndoCount - 1)];
    Dib = std::move(s.Picture);
    if (FView) {
        const SIZE zoomed = ZoomedSize(), box = FView->PaintBoxSize();
        if (zoomed.cx != box.cx || zoomed.cy != box.cy) {
            SetZoomedPaintBox();
            Window().ApplyZoom();
        }
    }
    SelActive = s.SelFlag;
    if (s.SelFlag) SelMask = std::move(s.Mask);
    // A mask of another size than the picture (the step was saved before a resize) is made anew.
    if (!EnsureMask() || !s.SelFlag) ClearSelection();
    if (s.FloatFlag) {
        Background = std::move(s.Background);
        FloatDib = std::move(s.FloatDib);
        FloatMask = std::move(s.FloatMask);
        FloatTransparent = s.Transparent;
        FloatUseMask = s.UseMask && static_cast<bool>(FloatMask);
        FloatHome = s.FloatHome;
        DragActive = true;
    }
    s = TUndoSlot{};
    --UndoCount;
    UpdateSelddib();
    Window().PaletteChanged();
    PictureChanged();
    Window().UpdateMenuItems();
}

void TChildDocument::FreeUndoBuffer(int N) {
    if (UndoCount <= 0 || N < 1 || N > UndoCount) return;
    UndoSlots[static_cast<std::size_t>(N - 1)] = TUndoSlot{};
    for (int i = N; i < UndoCount; ++i)
        UndoSlots[static_cast<std::size_t>(i - 1)] = std::move(UndoSlots[static_cast<std::size_t>(i)]);
    UndoSlots[static_cast<std::size_t>(UndoCount - 1)] = TUndoSlot{};
    --UndoCount;
}
