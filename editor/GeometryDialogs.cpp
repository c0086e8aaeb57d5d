#include "editor/GeometryDialogs.h"

#include "classlib/SysUtils.h"
#include "editor/DocumentOps.h"
#include "editor/Geometry.h"

#include <cmath>

// ---- Perspective -------------------------------------------------------------------------

TPerspForm::TPerspForm(TComponent* AOwner) : TPreviewForm(AOwner) {
    PublishField("StarkGroup", StarkGroup);
    PublishField("StarkED1", StarkED1);
    PublishField("StarkEd2", StarkEd2);
    PublishField("DirGroup", DirGroup);
    PublishField("HorzCheck", HorzCheck);
    PublishField("VertCheck", VertCheck);
    PublishField("ModeGroup", ModeGroup);
    PublishField("PerspCheck", PerspCheck);
    PublishField("SkewCheck", SkewCheck);
    PublishField("OutlineLabel", OutlineLabel);
    PublishField("OutlinePanel", OutlinePanel);
    PublishField("PaintBox1", PaintBox1);
    PublishField("OkBitBtn1", OkBitBtn1);
    PublishField("CancelBitBtn2", CancelBitBtn2);
    PublishField("BacksetBitBtn3", BacksetBitBtn3);
    PublishField("VschauBitBtn4", VschauBitBtn4);
    PublishField("FormStorage1", FormStorage1);
    RegisterEditorDialogs();
    ReadLayout(this, "PerpFUnit");
}

int TPerspForm::Strength() { return SpinInt(StarkEd2); }

std::vector<POINT> TPerspForm::Outline(int W, int H, int S, bool Perspective, bool Horizontal) {
    auto p = [](long long x, long long y) { return POINT{static_cast<LONG>(x), static_cast<LONG>(y)}; };
    const long long w = W, h = H, s = S;
    std::vector<POINT> pts;
    if (Perspective && Horizontal) {
        const long long a = (h / 2) * (s < 0 ? -s : s) / 100;
        if (s < 0) pts = {p(0, a), p(w - 1, 0), p(w - 1, h - 1), p(0, h - a - 1)};
        else pts = {p(w - 1, a), p(0, 0), p(0, h - 1), p(w - 1, h - a - 1)};
    } else if (Perspective) {
        const long long a = (w / 2) * (s < 0 ? -s : s) / 100;
        if (s < 0) pts = {p(a, 0), p(0, h - 1), p(w - 1, h - 1), p(w - a - 1, 0)};
        else pts = {p(a, h - 1), p(0, 0), p(w - 1, 0), p(w - a - 1, h - 1)};
    } else if (Horizontal) {
        const long long d = w * s / 200;
        pts = {p(d, 0), p(w + d, 0), p(w - d, h - 1), p(-d, h - 1)};
    } else {
        const long long d = h * s / 200;
        pts = {p(0, d), p(0, h + d), p(w - 1, h - d), p(w - 1, -d)};
    }
    pts.push_back(pts.front());
    return pts;
}

void TPerspForm::PaintBox1Paint(TObject*) {
    TCanvas* c = PaintBox1->Canvas();
    const int w = PaintBox1->Width(), h = PaintBox1->Height();
    c->Brush()->SetColor(clWhite);
    c->FillRect(RECT{0, 0, w, h});
    c->Pen()->SetColor(clBlack);
    c->Polyline(Outline(w, h, Strength(), PerspCheck->Checked(), HorzCheck->Checked()));
}

void TPerspForm::StarkED1Change(TObject*) {
    if (!FCoupling) {
        FCoupling = true;
        StarkEd2->SetValue(StarkED1->Value());
        FCoupling = false;
    }
    PaintBox1->Invalidate();
}

void TPerspForm::StarkED2Change(TObject*) {
    if (!FCoupling) {
        FCoupling = true;
        StarkED1->SetValue(Strength());
        FCoupling = false;
    }
    PaintBox1->Invalidate();
}

void TPerspForm::HorzCheckClick(TObject*) { PaintBox1->Invalidate(); }
void TPerspForm::VertCheckClick(TObject*) { PaintBox1->Invalidate(); }
void TPerspForm::PerspCheckClick(TObject*) { PaintBox1->Invalidate(); }
void TPerspForm::SkewCheckClick(TObject*) { PaintBox1->Invalidate(); }

void TPerspForm::Apply() {
    editorops::Perspektive(*Doc, *Backup, Strength(), PerspCheck->Checked(), HorzCheck->Checked(), Progress);
}

void TPerspForm::VschauBitBtn4Click(TObject*) { Preview(); }

void TPerspForm::BacksetBitBtn3Click(TObject*) { StarkED1->SetValue(0); }

void TPerspForm::OkBitBtn1Click(TObject*) { Accept(); }

// ---- Curve -------------------------------------------------------------------------------

TWoelbenForm::TWoelbenForm(TComponent* AOwner) : TPreviewForm(AOwner) {
    PublishField("StarkLabel", StarkLabel);
    PublishField("StarkED2", StarkED2);
    PublishField("ModeGroup", ModeGroup);
    PublishField("BothCheck", BothCheck);
    PublishField("HorzCheck", HorzCheck);
    PublishField("VertCheck", VertCheck);
    PublishField("NoteLabel", NoteLabel);
    PublishField("OkBitBtn1", OkBitBtn1);
    PublishField("CancelBitBtn2", CancelBitBtn2);
    PublishField("BacksetBitBtn3", BacksetBitBtn3);
    PublishField("VschauBitBtn4", VschauBitBtn4);
    PublishField("FormStorage1", FormStorage1);
    RegisterEditorDialogs();
    ReadLayout(this, "WoelbenFUnit");
}

double TWoelbenForm::Strength() {
    const long double typed = StarkED2->Value();
    const long double v = SpinValue(StarkED2);
    // A strength of 0 (or anything out of range) becomes the nearest allowed one, shown.
    if (v != typed) StarkED2->SetValue(v);
    return static_cast<double>(v);
}

void TWoelbenForm::Apply() {
    const bool h = BothCheck->Checked() || HorzCheck->Checked();
    const bool v = BothCheck->Checked() || VertCheck->Checked();
    editorops::Woelben(*Doc, *Backup, h, v, Strength(), Progress);
}

void TWoelbenForm::VschauBitBtn4Click(TObject*) { Preview(); }

void TWoelbenForm::BacksetBitBtn3Click(TObject*) { StarkED2->SetValue(1.4L); }

void TWoelbenForm::OkBitBtn1Click(TObject*) { Accept(); }

// ---- Rotate ------------------------------------------------------------------------------

TRotateForm::TRotateForm(TComponent* AOwner) : TForm(AOwner) {
    PublishField("DirGroup", DirGroup);
    PublishField("RotLeftCheck", RotLeftCheck);
    PublishField("RotRightCheck", RotRightCheck);
    PublishField("AngleGroup", AngleGroup);
    PublishField("Grad90Check", Grad90Check);
    PublishField("Grad180Check", Grad180Check);
    PublishField("Grad270Check", Grad270Check);
    PublishField("FreiGradCheck", FreiGradCheck);
    PublishField("GradEdit", GradEdit);
    PublishField("InterpolCheck", InterpolCheck);
    PublishField("OKBtn", OKBtn);
    PublishField("CancelBtn", CancelBtn);
    PublishField("FormStorage1", FormStorage1);
    RegisterEditorDialogs();
    ReadLayout(this, "RotateFUnit");
}

double TRotateForm::FreeAngle() { return static_cast<double>(SpinValue(GradEdit)); }

// ---- Add edge ----------------------------------------------------------------------------

TAddBForm::TAddBForm(TComponent* AOwner) : TForm(AOwner) {
    PublishField("SizeGroup", SizeGroup);
    PublishField("TopLabel", TopLabel);
    PublishField("TopEdit", TopEdit);
    PublishField("BottomLabel", BottomLabel);
    PublishField("BottomEdit", BottomEdit);
    PublishField("LeftLabel", LeftLabel);
    PublishField("LeftEdit", LeftEdit);
    PublishField("RightLabel", RightLabel);
    PublishField("RightEdit", RightEdit);
    PublishField("SymCheck", SymCheck);
    PublishField("OKBtn", OKBtn);
    PublishField("CancelBtn", CancelBtn);
    PublishField("FormStorage1", FormStorage1);
    RegisterEditorDialogs();
    ReadLayout(this, "AddBordUnit");
}

void TAddBForm::CopyToOthers(TKitSpinEdit* Source) {
    // The copies fire their own changes; the flag keeps them from copying again.
    if (FCopying || !SymCheck->Checked()) return;
    FCopying = true;
    const long double v = SpinValue(Source);
    for (TKitSpinEdit* e : {TopEdit, BottomEdit, LeftEdit, RightEdit})
        if (e != Source) e->SetValue(v);
    FCopying = false;
}

void TAddBForm::TopEdit0Change(TObject*) { CopyToOthers(TopEdit); }
void TAddBForm::BottomEditChange(TObject*) { CopyToOthers(BottomEdit); }
void TAddBForm::LeftEditChange(TObject*) { CopyToOthers(LeftEdit); }
void TAddBForm::RightEditChange(TObject*) { CopyToOthers(RightEdit); }

// ---- Canvas size -------------------------------------------------------------------------

TCanvasSForm::TCanvasSForm(TComponent* AOwner) : TForm(AOwner) {
    PublishField("SizeGroup", SizeGroup);
    PublishField("BreitLabel", BreitLabel);
    PublishField("BreitEdit", BreitEdit);
    PublishField("HochLabel", HochLabel);
    PublishField("HochEdit", HochEdit);
    PublishField("OldBreitTitle", OldBreitTitle);
    PublishField("OldBreitLabel", OldBreitLabel);
    PublishField("OldHochTitle", OldHochTitle);
    PublishField("OldHochLabel", OldHochLabel);
    PublishField("PlaceGroup", PlaceGroup);
    PublishField("LeftLabel", LeftLabel);
    PublishField("LeftEdit", LeftEdit);
    PublishField("TopLabel", TopLabel);
    PublishField("TopEdit", TopEdit);
    PublishField("ZentHCheck", ZentHCheck);
    PublishField("ZentVCheck", ZentVCheck);
    PublishField("OKBtn", OKBtn);
    PublishField("CancelBtn", CancelBtn);
    PublishField("FormStorage1", FormStorage1);
    RegisterEditorDialogs();
    ReadLayout(this, "CanvasSFUnit");
}

void TCanvasSForm::SetOldSize(int Width, int Height) {
    OldBreitLabel->SetCaption(IntToStr(Width));
    OldHochLabel->SetCaption(IntToStr(Height));
    BreitEdit->SetValue(Width);
    HochEdit->SetValue(Height);
}

void TCanvasSForm::BreitEditChange(TObject*) {
    if (!ZentHCheck->Checked()) return;
    const int old = StrToIntDef(OldBreitLabel->Caption(), 0);
    LeftEdit->SetValue(static_cast<long double>(RoundEven((SpinValue(BreitEdit) - old) / 2.0L)));
}

void TCanvasSForm::HochEditChange(TObject*) {
    if (!ZentVCheck->Checked()) return;
    const int old = StrToIntDef(OldHochLabel->Caption(), 0);
    TopEdit->SetValue(static_cast<long double>(RoundEven((SpinValue(HochEdit) - old) / 2.0L)));
}

void TCanvasSForm::FormActivate(TObject* Sender) {
    BreitEditChange(Sender);
    HochEditChange(Sender);
}
