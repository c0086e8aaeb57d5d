// The editor's commands that open a parameter dialog, as far as they concern the dialog:
// start values, the live preview or the one-shot reading, the undo step and the operation.
#include "editor/EditorDialogs.h"

#include <algorithm>

#include "editor/AdjustDialogs.h"
#include "editor/ColourAdjust.h"
#include "editor/DocumentOps.h"
#include "editor/EditorOps.h"
#include "editor/EffectDialogs.h"
#include "editor/Geometry.h"
#include "editor/GeometryDialogs.h"
#include "editor/PaletteEditor.h"
#include "editor/PaletteFiles.h"
#include "editor/UserFilterDialog.h"
#include "platform/msgbox.h"
#include "poster/Pixwerk.h"
#include "poster/FlipTurn.h"
#include "poster/PictureDialogs.h"
#include "poster/Resample.h"

namespace editordialogs {

namespace {

bool hasPicture(const TChildDocument& Doc) { return static_cast<bool>(Doc.Dib); }

int bitCount(const TChildDocument& Doc) { return DibBitCount(Doc.Dib.get()); }

// After a change of the picture's colours: the palette box, the swatches and the view.
void coloursChanged(TChildDocument& Doc) {
    Doc.Window().PaletteChanged();
    Doc.setcol1(Doc.Color1);
    Doc.setcol2(Doc.Color2);
    Doc.PaintBox1Paint();
}

template <class Form>
bool runPreview(TChildDocument& Doc, Form* form, const TProgressSink& Progress) {
    TFormHolder<Form> holder(form);
    const bool ok = RunPreviewDialog(Doc, *form, Progress);
    if (ok) coloursChanged(Doc);
    return ok;
}

void mergeFloat(TChildDocument& Doc) {
    Doc.EndFloatingState();
    Doc.FinishDraging();
}

}  // namespace

// ---- Live preview ------------------------------------------------------------------------

bool BrightnessContrast(TChildDocument& Doc, TComponent* Owner, const TProgressSink& Progress) {
    if (!hasPicture(Doc)) return false;
    auto* f = new THKForm(Owner);
    f->SetStart(0, 100, 0);
    return runPreview(Doc, f, Progress);
}

bool GammaCorrection(TChildDocument& Doc, TComponent* Owner, const TProgressSink& Progress) {
    if (!hasPicture(Doc)) return false;
    auto* f = new TGammaForm(Owner);
    f->GammaEdit->SetValue(1.8L);
    return runPreview(Doc, f, Progress);
}

bool GlossLightShadow(TChildDocument& Doc, TComponent* Owner, const TProgressSink& Progress) {
    if (!hasPicture(Doc)) return false;
    auto* f = new TLightForm(Owner);
    f->SetStart(255, 128, 0);
    return runPreview(Doc, f, Progress);
}

bool RedGreenBlue(TChildDocument& Doc, TComponent* Owner, const TProgressSink& Progress) {
    if (!hasPicture(Doc)) return false;
    auto* f = new TRGBForm(Owner);
    f->SetStart(0, 0, 0);
    return runPreview(Doc, f, Progress);
}

bool Colorize(TChildDocument& Doc, TComponent* Owner, const TProgressSink& Progress) {
    if (!hasPicture(Doc)) return false;
    auto* f = new TColizeForm(Owner);
    f->SetStart(128, 128);
    return runPreview(Doc, f, Progress);
}

bool Perspective(TChildDocument& Doc, TComponent* Owner, const TProgressSink& Progress) {
    if (!hasPicture(Doc)) return false;
    return runPreview(Doc, new TPerspForm(Owner), Progress);
}

bool Curve(TChildDocument& Doc, TComponent* Owner, const TProgressSink& Progress) {
    if (!hasPicture(Doc)) return false;
    return runPreview(Doc, new TWoelbenForm(Owner), Progress);
}

// ---- Read once ---------------------------------------------------------------------------

bool LimitColourDepth(TChildDocument& Doc, TComponent* Owner, const TProgressSink& Progress) {
    if (!hasPicture(Doc)) return false;
    TFormHolder<TPosterFaktor> f(new TPosterFaktor(Owner));
    if (f->ShowModal() != mrOk) return false;
    Doc.SaveForUndo();
    DibPoster(Doc.Dib, 8 - f->BitsKept(), editor::ActiveMask(Doc), Progress);
    coloursChanged(Doc);
    return true;
}

bool Solarize(TChildDocument& Doc, TComponent* Owner, const TProgressSink& Progress) {
    if (!hasPicture(Doc)) return false;
    TFormHolder<TSolarfaktor> f(new TSolarfaktor(Owner));
    if (f->ShowModal() != mrOk) return false;
    Doc.SaveForUndo();
    DibSolar(Doc.Dib, f->Level(), editor::ActiveMask(Doc), Progress);
    coloursChanged(Doc);
    return true;
}

bool MosaicEffect(TChildDocument& Doc, TComponent* Owner, const TProgressSink& Progress) {
    if (!hasPicture(Doc)) return false;
    TFormHolder<TMosaikForm> f(new TMosaikForm(Owner));
    if (f->ShowModal() != mrOk) return false;
    Doc.SaveForUndo();
    editorops::MosaikEffekt(Doc, SpinInt(f->BreitEd), SpinInt(f->HochEd), Progress);
    return true;
}

bool AddDisturbances(TChildDocument& Doc, TComponent* Owner, const TProgressSink& Progress) {
    if (!hasPicture(Doc)) return false;
    TFormHolder<TNoiseForm> f(new TNoiseForm(Owner));
    if (f->ShowModal() != mrOk) return false;
    Doc.SaveForUndo();
    editorops::AddNoise(Doc, SpinInt(f->StarkEd), SpinInt(f->WahrEd), Progress);
    return true;
}

bool RemoveNoise(TChildDocument& Doc, TComponent* Owner, const TProgressSink& Progress) {
    if (!hasPicture(Doc)) return false;
    TFormHolder<TDelNoiseForm> f(new TDelNoiseForm(Owner));
    if (f->ShowModal() != mrOk) return false;
    editorops::DelNoise(Doc, SpinInt(f->GrenzEd), Progress);
    return true;
}

bool AddShadows(TChildDocument& Doc, TComponent* Owner, const TProgressSink& Progress) {
    if (!hasPicture(Doc) || !editor::ActiveMask(Doc)) return false;
    TFormHolder<TShadowForm> f(new TShadowForm(Owner));
    const bool trueColour = bitCount(Doc) > 8;
    f->TransEd->SetEnabled(trueColour);
    f->BlurEd->SetEnabled(trueColour);
    if (f->ShowModal() != mrOk) return false;
    Doc.SaveForUndo();
    editorops::DrawShadow(Doc, SpinInt(f->HorzEd), SpinInt(f->VertEd), ColourBoxValue(Doc, f->ColorBox->ItemIndex()),
                          SpinInt(f->BlurEd), SpinInt(f->TransEd), Progress);
    return true;
}

bool CreatePushbutton(TChildDocument& Doc, TComponent* Owner, const TProgressSink& Progress) {
    if (!hasPicture(Doc) || !editor::ActiveMask(Doc) || bitCount(Doc) != 24) return false;
    TFormHolder<TButtonForm> f(new TButtonForm(Owner));
    if (f->ShowModal() != mrOk) return false;
    Doc.SaveForUndo();
    editorops::Buttonize(Doc, SpinInt(f->BreitEd), SpinInt(f->TransED), ColourBoxValue(Doc, f->ColorBox->ItemIndex()),
                         f->SolidCheck->Checked(), Progress);
    return true;
}

// ---- New sizes ---------------------------------------------------------------------------

bool AddEdge(TChildDocument& Doc, TComponent* Owner, const TProgressSink& Progress) {
    if (!hasPicture(Doc)) return false;
    TFormHolder<TAddBForm> f(new TAddBForm(Owner));
    if (f->ShowModal() != mrOk) return false;
    const int top = SpinInt(f->TopEdit), bottom = SpinInt(f->BottomEdit);
    const int left = SpinInt(f->LeftEdit), right = SpinInt(f->RightEdit);
    if (top == 0 && bottom == 0 && left == 0 && right == 0) return false;
    return editorops::AddBorders(Doc, top, bottom, left, right, Progress);
}

bool ModifyCanvasSize(TChildDocument& Doc, TComponent* Owner, const TProgressSink& Progress) {
    if (!hasPicture(Doc)) return false;
    TFormHolder<TCanvasSForm> f(new TCanvasSForm(Owner));
    f->SetOldSize(DibWidth(Doc.Dib.get()), DibHeight(Doc.Dib.get()));
    if (f->ShowModal() != mrOk) return false;
    const int width = SpinInt(f->BreitEdit), height = SpinInt(f->HochEdit);
    if (width == 0 && height == 0) return false;
    return editorops::NewCanvas(Doc, width, height, SpinInt(f->LeftEdit), SpinInt(f->TopEdit), Progress);
}

bool ModifySize(TChildDocument& Doc, TComponent* Owner, const TProgressSink& Progress) {
    if (!hasPicture(Doc)) return false;
    TFormHolder<TResizeForm> f(new TResizeForm(Owner));
    const int w = DibWidth(Doc.Dib.get()), h = DibHeight(Doc.Dib.get());
    f->InterpolCheck->SetEnabled(bitCount(Doc) > 8);
    f->SetOldSize(w, h);
    f->BreitEdit->SetValue(w);
    f->HochEdit->SetValue(h);
    if (f->ShowModal() != mrOk) return false;
    mergeFloat(Doc);
    const bool smooth = f->InterpolCheck->Enabled() && f->InterpolCheck->Checked();
    return editorops::SetNewSizedDib(Doc, ResizeDib(Doc.Dib.get(), f->NewWidth(), f->NewHeight(), smooth, Progress));
}

namespace {

enum class TTurn { Left, Right, Half, Free };

UniqueDib turned(TDib Picture, TTurn Turn, int Direction, int Fill, double Angle, const TProgressSink& Progress) {
    switch (Turn) {
    case TTurn::Left: return RotLeftDib(Picture, Progress);
    case TTurn::Right: return RotRightDib(Picture, Progress);
    case TTurn::Half: return Rot180Dib(Picture, Progress);
    default: return DibRotxxx(Picture, Direction, Fill, Angle, Progress);
    }
}

// Turns the floating selection and places it again: quarter turns at its top-left, a free
// angle around its centre (the float may reach past the picture's edges).
bool rotateSelection(TChildDocument& Doc, TTurn Turn, int Direction, double Angle, const TProgressSink& Progress) {
    if (!Doc.DragActive) Doc.MakeSelectionDragable();
    if (!Doc.DragActive || !Doc.FloatDib) return false;
    UniqueDib picture = turned(Doc.FloatDib.get(), Turn, Direction, Doc.Color2, Angle, Progress);
    UniqueDib mask;
    if (picture && Doc.FloatUseMask && Doc.FloatMask) mask = turned(Doc.FloatMask.get(), Turn, Direction, 0, Angle, {});
    // Picture and mask change together or not at all; a failed turn saves no step.
    if (!picture || (Doc.FloatUseMask && Doc.FloatMask && !mask)) {
        Doc.ShowMessage(SizeChangeErrorText, "", MB_OK | MB_ICONERROR);
        return false;
    }
    Doc.SaveForUndo();
    const int oldWidth = DibWidth(Doc.FloatDib.get()), oldHeight = DibHeight(Doc.FloatDib.get());
    POINT home = Doc.FloatHome;
    if (Turn == TTurn::Free) {
        home.x += (oldWidth - DibWidth(picture.get())) / 2;
        home.y += (oldHeight - DibHeight(picture.get())) / 2;
    }
    Doc.FloatDib = std::move(picture);
    if (mask) Doc.FloatMask = std::move(mask);
    Doc.ClearSelection();
    Doc.RestoreBackground();
    Doc.PasteFloat(home.x, home.y, true, true);
    Doc.FloatHome = home;
    Doc.UpdateSelddib();
    Doc.PaintBox1Paint();
    return true;
}

}  // namespace

bool Rotate(TChildDocument& Doc, TComponent* Owner, const TProgressSink& Progress) {
    if (!hasPicture(Doc)) return false;
    TFormHolder<TRotateForm> f(new TRotateForm(Owner));
    f->InterpolCheck->SetEnabled(bitCount(Doc) == 24);
    if (f->ShowModal() != mrOk) return false;
    const bool right = f->RotRightCheck->Checked();
    TTurn turn = TTurn::Free;
    if (f->Grad90Check->Checked()) turn = right ? TTurn::Right : TTurn::Left;
    else if (f->Grad270Check->Checked()) turn = right ? TTurn::Left : TTurn::Right;
    else if (f->Grad180Check->Checked()) turn = TTurn::Half;
    // A positive angle turns to the left; direction 1 turns the other way.
    const int direction = right ? 1 : 0;
    const double angle = f->FreeAngle();
    if (Doc.SelActive || (Doc.DragActive && Doc.FloatDib)) return rotateSelection(Doc, turn, direction, angle, Progress);
    if (turn == TTurn::Free) return editorops::Rotate(Doc, direction, angle, Progress);
    mergeFloat(Doc);
    return editorops::SetNewSizedDib(Doc, turned(Doc.Dib.get(), turn, direction, Doc.Color2, angle, Progress));
}

// ---- Colours -----------------------------------------------------------------------------

bool ReduceColours(TChildDocument& Doc, int Bits, TComponent* Owner, const TProgressSink& Progress) {
    if (!hasPicture(Doc)) return false;
    const int now = bitCount(Doc);
    TColourReduction how;
    if (Bits == 0) {
        TFormHolder<TFreeDepthForm> f(new TFreeDepthForm(Owner));
        f->PrepareFor(now);
        if (f->ShowModal() != mrOk) return false;
        how = f->Reduction();
        // A stored "merge" choice restored as the dialog showed may have lifted the limit
        // set for 8-bit pictures; their free reduction makes at most 16 colours.
        if (now == 8) {
            how.Merge = false;
            how.Count = std::min(how.Count, 16);
        }
    } else {
        if (Bits >= now) return false;
        TFormHolder<TDepthDownForm> f(new TDepthDownForm(Owner));
        f->PrepareFor(Bits);
        if (f->ShowModal() != mrOk) return false;
        how = f->Reduction();
    }
    Doc.SaveForUndo();
    return editorops::ChangeDepthDown(Doc, Bits, how, Progress);
}

bool UserDefinedFilters(TChildDocument& Doc, TComponent* Owner, const TProgressSink& Progress) {
    if (!hasPicture(Doc)) return false;
    TFormHolder<TUserFilterForm> f(new TUserFilterForm(Owner));
    if (f->ShowModal() != mrOk || !f->HasResult) return false;
    if (f->Result.Divisor == 0) {
        // Only a damaged file holds one; nothing is applied.
        Doc.ShowMessage(FilterDivisionText, "", MB_OK | MB_ICONERROR);
        return false;
    }
    return editorops::ApplyUserFilter(Doc, f->Result, Progress);
}

bool EditPalette(TChildDocument& Doc, TComponent* Owner) {
    if (!hasPicture(Doc) || DibColorCount(Doc.Dib.get()) > 256) return false;
    TFormHolder<TPaleditForm> f(new TPaleditForm(Owner));
    f->Palette = Doc.Dib.get().Palette;
    if (f->ShowModal() != mrOk) return false;
    // A step to undo, which also marks the picture modified: New and Open ask first.
    Doc.SaveForUndo();
    picops::setPalette(Doc.Dib, f->Palette.palPalEntry, f->Palette.palNumEntries);
    coloursChanged(Doc);
    return true;
}

bool ConfigureToolbars(bool (&Visible)[3], TComponent* Owner) {
    TFormHolder<TConfigBars> f(new TConfigBars(Owner));
    for (int i = 0; i < 3; ++i) f->CheckList->SetChecked(i, Visible[i]);
    if (f->ShowModal() != mrOk) return false;
    for (int i = 0; i < 3; ++i) Visible[i] = f->CheckList->Checked(i);
    return true;
}

}  // namespace editordialogs
