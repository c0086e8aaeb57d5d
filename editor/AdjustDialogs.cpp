#include "editor/AdjustDialogs.h"

#include "editor/ColourAdjust.h"
#include "editor/EditorOps.h"
#include "poster/BrightContrast.h"

// ---- Brightness, contrast and saturation -------------------------------------------------

THKForm::THKForm(TComponent* AOwner) : TPreviewForm(AOwner) {
    PublishField("HellLabel", HellLabel);
    PublishField("TrackBar1", TrackBar1);
    PublishField("KontLabel", KontLabel);
    PublishField("TrackBar2", TrackBar2);
    PublishField("SatLabel", SatLabel);
    PublishField("TrackBar3", TrackBar3);
    PublishField("OkBitBtn1", OkBitBtn1);
    PublishField("CancelBitBtn2", CancelBitBtn2);
    PublishField("BacksetBitBtn3", BacksetBitBtn3);
    PublishField("VschauBitBtn4", VschauBitBtn4);
    PublishField("FormStorage1", FormStorage1);
    RegisterEditorDialogs();
    ReadLayout(this, "HKUnit");
}

void THKForm::SetStart(int Brightness, int Contrast, int Saturation) {
    TrackBar1->SetPosition(Brightness);
    TrackBar2->SetPosition(Contrast);
    TrackBar3->SetPosition(Saturation);
}

void THKForm::Apply() {
    const TDib* mask = editor::ActiveMask(*Doc);
    Helligkeit(Doc->Dib, TrackBar1->Position(), mask, Progress);
    Kontrast(Doc->Dib, TrackBar2->Position(), mask, Progress);
    Saettigung(Doc->Dib, TrackBar3->Position(), mask, Progress);
}

void THKForm::TrackBar1Change(TObject*) { Preview(); }

void THKForm::BacksetBitBtn3Click(TObject*) { SetStart(0, 100, 0); }

void THKForm::OkBitBtn1Click(TObject*) { Accept(); }

// ---- Colorize ----------------------------------------------------------------------------

TColizeForm::TColizeForm(TComponent* AOwner) : TPreviewForm(AOwner) {
    PublishField("FarbLabel", FarbLabel);
    PublishField("TrackBar1", TrackBar1);
    PublishField("SatLabel", SatLabel);
    PublishField("TrackBar2", TrackBar2);
    PublishField("Shape1", Shape1);
    PublishField("OkBitBtn1", OkBitBtn1);
    PublishField("CancelBitBtn2", CancelBitBtn2);
    PublishField("BacksetBitBtn3", BacksetBitBtn3);
    PublishField("VschauBitBtn4", VschauBitBtn4);
    PublishField("FormStorage1", FormStorage1);
    RegisterEditorDialogs();
    ReadLayout(this, "ColizeFUnit");
}

void TColizeForm::SetStart(int Hue, int Saturation) {
    TrackBar1->SetPosition(Hue);
    TrackBar2->SetPosition(Saturation);
}

void TColizeForm::Apply() {
    Colorize(Doc->Dib, TrackBar1->Position(), TrackBar2->Position(), editor::ActiveMask(*Doc), Progress);
}

void TColizeForm::TrackBarChange(TObject*) { Preview(); }

void TColizeForm::TrackBar2Change(TObject*) {
    int r = 0, g = 0, b = 0;
    HSLToRGB(TrackBar1->Position(), TrackBar2->Position(), 128, r, g, b);
    Shape1->Brush()->SetColor(static_cast<TColor>(RGB(r, g, b)));
}

void TColizeForm::FormActivate(TObject* Sender) { TrackBar2Change(Sender); }

void TColizeForm::BacksetBitBtn3Click(TObject*) { SetStart(128, 128); }

void TColizeForm::OkBitBtn1Click(TObject*) { Accept(); }

// ---- Red, green, blue --------------------------------------------------------------------

TRGBForm::TRGBForm(TComponent* AOwner) : TPreviewForm(AOwner) {
    PublishField("RedLabel", RedLabel);
    PublishField("TrackBar1", TrackBar1);
    PublishField("GreenLabel", GreenLabel);
    PublishField("TrackBar2", TrackBar2);
    PublishField("BlueLabel", BlueLabel);
    PublishField("TrackBar3", TrackBar3);
    PublishField("OkBitBtn1", OkBitBtn1);
    PublishField("CancelBitBtn2", CancelBitBtn2);
    PublishField("BacksetBitBtn3", BacksetBitBtn3);
    PublishField("VschauBitBtn4", VschauBitBtn4);
    PublishField("FormStorage1", FormStorage1);
    RegisterEditorDialogs();
    ReadLayout(this, "RGBFUnit");
}

void TRGBForm::SetStart(int Red, int Green, int Blue) {
    TrackBar1->SetPosition(Red);
    TrackBar2->SetPosition(Green);
    TrackBar3->SetPosition(Blue);
}

void TRGBForm::Apply() {
    RedGreenBlue(Doc->Dib, TrackBar1->Position(), TrackBar2->Position(), TrackBar3->Position(),
                 editor::ActiveMask(*Doc), Progress);
}

void TRGBForm::TrackBar1Change(TObject*) { Preview(); }

void TRGBForm::BacksetBitBtn3Click(TObject*) { SetStart(0, 0, 0); }

void TRGBForm::OkBitBtn1Click(TObject*) { Accept(); }

// ---- Gloss light, middle, shadow ---------------------------------------------------------

TLightForm::TLightForm(TComponent* AOwner) : TPreviewForm(AOwner) {
    PublishField("LightLabel", LightLabel);
    PublishField("TrackBar1", TrackBar1);
    PublishField("MidLabel", MidLabel);
    PublishField("TrackBar2", TrackBar2);
    PublishField("ShadowLabel", ShadowLabel);
    PublishField("TrackBar3", TrackBar3);
    PublishField("OkBitBtn1", OkBitBtn1);
    PublishField("CancelBitBtn2", CancelBitBtn2);
    PublishField("BacksetBitBtn3", BacksetBitBtn3);
    PublishField("VschauBitBtn4", VschauBitBtn4);
    PublishField("FormStorage1", FormStorage1);
    RegisterEditorDialogs();
    ReadLayout(this, "LightFUnit");
}

void TLightForm::SetStart(int Light, int Middle, int Shadow) {
    TrackBar1->SetPosition(Light);
    TrackBar2->SetPosition(Middle);
    TrackBar3->SetPosition(Shadow);
}

void TLightForm::Apply() {
    HighMidShadow(Doc->Dib, TrackBar1->Position(), TrackBar2->Position(), TrackBar3->Position(),
                  editor::ActiveMask(*Doc), Progress);
}

void TLightForm::VschauBitBtn4Click(TObject*) { Preview(); }

void TLightForm::BacksetBitBtn3Click(TObject*) { SetStart(255, 128, 0); }

void TLightForm::OkBitBtn1Click(TObject*) { Accept(); }

// ---- Gamma -------------------------------------------------------------------------------

TGammaForm::TGammaForm(TComponent* AOwner) : TPreviewForm(AOwner) {
    PublishField("GammaLabel", GammaLabel);
    PublishField("GammaEdit", GammaEdit);
    PublishField("OkBitBtn1", OkBitBtn1);
    PublishField("CancelBitBtn2", CancelBitBtn2);
    PublishField("BacksetBitBtn3", BacksetBitBtn3);
    PublishField("VschauBitBtn4", VschauBitBtn4);
    PublishField("FormStorage1", FormStorage1);
    RegisterEditorDialogs();
    ReadLayout(this, "GammaFUnit");
}

double TGammaForm::GammaValue() { return static_cast<double>(SpinValue(GammaEdit)); }

void TGammaForm::Apply() { Gamma(Doc->Dib, GammaValue(), editor::ActiveMask(*Doc), Progress); }

void TGammaForm::VschauBitBtn4Click(TObject*) { Preview(); }

void TGammaForm::BacksetBitBtn3Click(TObject*) { GammaEdit->SetValue(1.8L); }

void TGammaForm::OkBitBtn1Click(TObject*) { Accept(); }

// ---- Colour depth limit and solarize -----------------------------------------------------

TPosterFaktor::TPosterFaktor(TComponent* AOwner) : TForm(AOwner) {
    PublishField("PosterLabel", PosterLabel);
    PublishField("PosterEdit", PosterEdit);
    PublishField("OKBtn", OKBtn);
    PublishField("CancelBtn", CancelBtn);
    PublishField("FormStorage1", FormStorage1);
    RegisterEditorDialogs();
    ReadLayout(this, "PosterFaktorUnit");
}

int TPosterFaktor::BitsKept() { return SpinInt(PosterEdit); }

TSolarfaktor::TSolarfaktor(TComponent* AOwner) : TForm(AOwner) {
    PublishField("SolarLabel", SolarLabel);
    PublishField("SolarEdit", SolarEdit);
    PublishField("OKBtn", OKBtn);
    PublishField("CancelBtn", CancelBtn);
    PublishField("FormStorage1", FormStorage1);
    RegisterEditorDialogs();
    ReadLayout(this, "SolarFaktorUnit");
}

int TSolarfaktor::Level() { return SpinInt(SolarEdit); }
