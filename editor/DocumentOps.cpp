#include "editor/DocumentOps.h"

#include "editor/EditorOps.h"
#include "editor/Effects.h"
#include "editor/Geometry.h"
#include "editor/PixelRows.h"

#include "classlib/Random.h"
#include "platform/msgbox.h"
#include "poster/FlipTurn.h"

namespace editorops {

namespace {

void mergeFloat(TChildDocument& Doc) {
    Doc.EndFloatingState();
    Doc.FinishDraging();
}

void ownUndoStep(TChildDocument& Doc, TEffectOutcome (*Op)(TDib, const TDib*, const TProgressSink&),
                 const TProgressSink& Progress) {
    Doc.SaveForUndo();
    if (Op(Doc.Dib.get(), editor::ActiveMask(Doc), Progress) == TEffectOutcome::NoMemory)
        Doc.ShowMessage(EditorOutOfMemoryText, "Error", MB_OK | MB_ICONERROR);
    Doc.PaintBox1Paint();
}

bool install(TChildDocument& Doc, UniqueDib Picture) { return SetNewSizedDib(Doc, std::move(Picture)); }

}  // namespace

bool SetNewSizedDib(TChildDocument& Doc, UniqueDib Picture) {
    if (!Picture) {
        Doc.ShowMessage(SizeChangeErrorText, "", MB_OK | MB_ICONERROR);
        return false;
    }
    // The floating selection and the background under it have the old picture's size.
    mergeFloat(Doc);
    Doc.SaveForUndo();
    Doc.ReplacePicture(std::move(Picture));
    Doc.ClearSelection();
    if (!Doc.SelMask) Doc.ShowMessage("Could not create bitmap.", "Not enough free memory(?)!", MB_OK | MB_ICONERROR);
    Doc.PaintBox1Paint();
    return true;
}

bool ReduceToSelection(TChildDocument& Doc, const TProgressSink& Progress) {
    if (!Doc.Dib || !Doc.SelActive) return false;
    mergeFloat(Doc);
    using editor::PixelRows;
    const PixelRows pic(Doc.Dib.get()), sel(Doc.SelMask.get());
    const RECT box = Doc.SelBounds;
    if (!pic.valid() || !sel.valid() || sel.width() != pic.width() || sel.height() != pic.height() ||
        box.left < 0 || box.top < 0 || box.right < box.left || box.bottom < box.top || box.right >= pic.width() ||
        box.bottom >= pic.height())
        return false;
    const int w = box.right - box.left + 1, h = box.bottom - box.top + 1;
    UniqueDib reduced;
    {
        picops::ProgressReport report(Progress);
        reduced = picops::newLike(Doc.Dib.get(), w, h);
        if (!reduced) {
            Doc.ShowMessage(ReducedPictureErrorText, "", MB_OK | MB_ICONERROR);
            return false;
        }
        const PixelRows out(reduced.get());
        for (int y = box.top; y <= box.bottom; ++y) {
            // A box of one row shows 0 throughout.
            report.step(y - box.top, h);
            for (int x = box.left; x <= box.right; ++x)
                if (sel.get(x, y) == 1) out.put(x - box.left, y - box.top, pic.get(x, y));
        }
    }
    return SetNewSizedDib(Doc, std::move(reduced));
}

bool FlipPicture(TChildDocument& Doc, bool LeftRight, const TProgressSink& Progress) {
    if (!Doc.Dib) return false;
    if (Doc.SelActive || (Doc.DragActive && Doc.FloatDib)) {
        if (!Doc.DragActive) Doc.MakeSelectionDragable();
        if (!Doc.DragActive || !Doc.FloatDib) return false;
        if (!MirrorFloating(Doc.FloatDib, Doc.FloatMask, Doc.FloatUseMask, LeftRight, Progress)) return false;
        // Back at its place over the picture as it was under it.
        const POINT home = Doc.FloatHome;
        Doc.ClearSelection();
        Doc.RestoreBackground();
        Doc.PasteFloat(home.x, home.y, true, true);
        Doc.FloatHome = home;
        Doc.UpdateSelddib();
    } else {
        UniqueDib mirrored = LeftRight ? MirrorDibH(Doc.Dib.get(), Progress) : MirrorDibV(Doc.Dib.get(), Progress);
        if (!mirrored) return false;
        Doc.Dib = std::move(mirrored);
    }
    Doc.PaintBox1Paint();
    return true;
}

bool AddBorders(TChildDocument& Doc, int Top, int Bottom, int Left, int Right, const TProgressSink& Progress) {
    mergeFloat(Doc);
    return install(Doc, ::AddBorders(Doc.Dib.get(), Top, Bottom, Left, Right, Doc.Color2, Progress));
}

bool NewCanvas(TChildDocument& Doc, int NewWidth, int NewHeight, int OffsetX, int OffsetY,
               const TProgressSink& Progress) {
    mergeFloat(Doc);
    return install(Doc, ::NewCanvas(Doc.Dib.get(), NewWidth, NewHeight, Doc.Color2, OffsetX, OffsetY, Progress));
}

bool Rotate(TChildDocument& Doc, int Direction, double Angle, const TProgressSink& Progress) {
    mergeFloat(Doc);
    return install(Doc, DibRotxxx(Doc.Dib.get(), Direction, Doc.Color2, Angle, Progress));
}

void Perspektive(TChildDocument& Doc, const TDib& Backup, int Amount, bool Perspective, bool Horizontal,
                 const TProgressSink& Progress) {
    ::Perspektive(Doc.Dib.get(), Backup, Amount, Perspective, Horizontal, Doc.Color2, editor::ActiveMask(Doc), Progress);
    Doc.PaintBox1Paint();
}

void Woelben(TChildDocument& Doc, const TDib& Backup, bool Horizontal, bool Vertical, double Exponent,
             const TProgressSink& Progress) {
    ::Woelben(Doc.Dib.get(), Backup, Horizontal, Vertical, Exponent, editor::ActiveMask(Doc), Progress);
    Doc.PaintBox1Paint();
}

void DrawShadow(TChildDocument& Doc, int OffsetX, int OffsetY, int Colour, int Softness, int Transparency,
                const TProgressSink& Progress) {
    const TDib* mask = editor::ActiveMask(Doc);
    if (!mask) return;
    ::DrawShadow(Doc.Dib.get(), *mask, Doc.SelBounds, OffsetX, OffsetY, Colour, Softness, Transparency, Progress);
    Doc.PaintBox1Paint();
}

void Buttonize(TChildDocument& Doc, int Width, int Transparency, int Colour, bool Flat, const TProgressSink& Progress) {
    const TDib* mask = editor::ActiveMask(Doc);
    if (!mask) return;
    ::Buttonize(Doc.Dib.get(), *mask, Doc.SelBounds, Width, Transparency, Colour, Flat, Progress);
    Doc.PaintBox1Paint();
}

void MosaikEffekt(TChildDocument& Doc, int BlockWidth, int BlockHeight, const TProgressSink& Progress) {
    ::MosaikEffekt(Doc.Dib.get(), BlockWidth, BlockHeight, editor::ActiveMask(Doc), Progress);
    Doc.PaintBox1Paint();
}

void AddNoise(TChildDocument& Doc, int Strength, int Density, const TProgressSink& Progress) {
    Randomize();
    ::AddNoise(Doc.Dib.get(), Strength, Density, editor::ActiveMask(Doc), Progress);
    Doc.PaintBox1Paint();
}

void DibErodeFilter(TChildDocument& Doc, const TProgressSink& Progress) { ownUndoStep(Doc, ::DibErodeFilter, Progress); }

void DibDilateFilter(TChildDocument& Doc, const TProgressSink& Progress) {
    ownUndoStep(Doc, ::DibDilateFilter, Progress);
}

void DelNoise(TChildDocument& Doc, int Threshold, const TProgressSink& Progress) {
    Doc.SaveForUndo();
    if (::DelNoise(Doc.Dib.get(), Threshold, editor::ActiveMask(Doc), Progress) == TEffectOutcome::NoMemory)
        Doc.ShowMessage(EditorOutOfMemoryText, "Error", MB_OK | MB_ICONERROR);
    Doc.PaintBox1Paint();
}

bool ApplyUserFilter(TChildDocument& Doc, const TFilterRec& Filter, const TProgressSink& Progress) {
    if (Filter.Divisor == 0) return false;
    Doc.SaveForUndo();
    if (DibFilter(Doc.Dib.get(), Filter, editor::ActiveMask(Doc), Progress) == TFilterOutcome::NoMemory)
        Doc.ShowMessage(EditorOutOfMemoryText, "Error", MB_OK | MB_ICONERROR);
    Doc.PaintBox1Paint();
    return true;
}

}  // namespace editorops
