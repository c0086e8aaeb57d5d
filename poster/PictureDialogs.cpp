#include "poster/PictureDialogs.h"

#include "poster/PosterUnit.h"

#include <algorithm>
#include <cmath>

// ---- New size ----------------------------------------------------------------------------

TResizeForm::TResizeForm(TComponent* AOwner) : TForm(AOwner) {
    PublishField("BreitLabel", BreitLabel);
    PublishField("BreitEdit", BreitEdit);
    PublishField("HochLabel", HochLabel);
    PublishField("HochEdit", HochEdit);
    PublishField("SverhCheck", SverhCheck);
    PublishField("InterpolCheck", InterpolCheck);
    PublishField("OKBtn", OKBtn);
    PublishField("CancelBtn", CancelBtn);
    RegisterPosterClasses();
    ReadLayout(this, "ResizeFUnit");
}

void TResizeForm::SetOldSize(int Width, int Height) {
    FOldWidth = std::max(1, Width);
    FOldHeight = std::max(1, Height);
}

// Typed values are held to the edits' range when read.
int TResizeForm::NewWidth() const {
    return static_cast<int>(std::clamp<long double>(BreitEdit->Value(), BreitEdit->MinValue(), BreitEdit->MaxValue()));
}
int TResizeForm::NewHeight() const {
    return static_cast<int>(std::clamp<long double>(HochEdit->Value(), HochEdit->MinValue(), HochEdit->MaxValue()));
}

void TResizeForm::BreitEditChange(TObject*) {
    if (FCoupling) {
        FCoupling = false;
        return;
    }
    if (!SverhCheck->Checked()) return;
    FCoupling = true;
    HochEdit->SetValue(std::trunc(static_cast<double>(NewWidth()) * FOldHeight / FOldWidth));
    // A value that did not change fires no change: the flag must not outlive the update.
    FCoupling = false;
}

void TResizeForm::HochEditChange(TObject*) {
    if (FCoupling) {
        FCoupling = false;
        return;
    }
    if (!SverhCheck->Checked()) return;
    FCoupling = true;
    BreitEdit->SetValue(std::trunc(static_cast<double>(NewHeight()) * FOldWidth / FOldHeight));
    FCoupling = false;
}

void TResizeForm::SverhCheckClick(TObject* Sender) { BreitEditChange(Sender); }

void TResizeForm::FormActivate(TObject*) { FCoupling = false; }

// ---- Colour reduction --------------------------------------------------------------------

TDepthDownForm::TDepthDownForm(TComponent* AOwner) : TForm(AOwner) {
    PublishField("PalGroup", PalGroup);
    PublishField("OptPalCheck", OptPalCheck);
    PublishField("StdPalCheck", StdPalCheck);
    PublishField("MethodGroup", MethodGroup);
    PublishField("NearCheck", NearCheck);
    PublishField("DitherCheck", DitherCheck);
    PublishField("FSErrCheck", FSErrCheck);
    PublishField("OptionsGroup", OptionsGroup);
    PublishField("WinColCheck", WinColCheck);
    PublishField("OKBtn", OKBtn);
    PublishField("CancelBtn", CancelBtn);
    RegisterPosterClasses();
    ReadLayout(this, "DepthDownUnit");
}

void TDepthDownForm::PrepareFor(int Bits) {
    FEightBits = Bits == 8;
    const bool palettes = Bits == 4 || Bits == 8;
    OptPalCheck->SetEnabled(palettes);
    StdPalCheck->SetEnabled(palettes);
    NearCheck->SetEnabled(true);
    FSErrCheck->SetEnabled(true);
    OptPalCheckClick(this);
}

void TDepthDownForm::OptPalCheckClick(TObject*) {
    DitherCheck->SetEnabled(FEightBits && StdPalCheck->Checked());
    WinColCheck->SetEnabled(FEightBits && OptPalCheck->Checked());
    if (!DitherCheck->Enabled() && DitherCheck->Checked()) FSErrCheck->SetChecked(true);
}

void TDepthDownForm::StdPalCheckClick(TObject* Sender) { OptPalCheckClick(Sender); }

TColourReduction TDepthDownForm::Reduction() const {
    TColourReduction how;
    how.Method = DitherCheck->Checked() && DitherCheck->Enabled() ? TColourReduction::Ordered
                 : FSErrCheck->Checked()                          ? TColourReduction::ErrorDiffusion
                                                                  : TColourReduction::Nearest;
    how.Optimized = OptPalCheck->Checked();
    how.Merge = WinColCheck->Checked();
    return how;
}

// ---- Colour depth ------------------------------------------------------------------------

namespace {
constexpr int kDepths[4] = {1, 4, 8, 24};
}

TDepthChangeForm::TDepthChangeForm(TComponent* AOwner) : TForm(AOwner) {
    PublishField("ColorLabel", ColorLabel);
    PublishField("ColorBox", ColorBox);
    PublishField("InfoLabel", InfoLabel);
    PublishField("OKBtn", OKBtn);
    PublishField("CancelBtn", CancelBtn);
    RegisterPosterClasses();
    ReadLayout(this, "DepthChangeUnit");
    for (const char* item : {"1 bit - 2 colours", "4 bits - 16 colours", "8 bits - 256 colours",
                             "24 bits - 16.7 mill. Colours"})
        ColorBox->Items()->Add(item);
}

void TDepthChangeForm::SetBits(int Bits) {
    int index = 0;
    for (int i = 1; i < 4; ++i)
        if (kDepths[i] == Bits) index = i;
    ColorBox->SetItemIndex(index);
}

int TDepthChangeForm::Bits() const {
    const int i = ColorBox->ItemIndex();
    return kDepths[i >= 0 && i < 4 ? i : 0];
}

// ---- Brightness and contrast -------------------------------------------------------------

THKForm2::THKForm2(TComponent* AOwner) : TForm(AOwner) {
    PublishField("HellLabel", HellLabel);
    PublishField("TrackBar1", TrackBar1);
    PublishField("KontLabel", KontLabel);
    PublishField("TrackBar2", TrackBar2);
    PublishField("OkBitBtn1", OkBitBtn1);
    PublishField("CancelBtn", CancelBtn);
    PublishField("BacksetBitBtn3", BacksetBitBtn3);
    PublishField("VschauBitBtn4", VschauBitBtn4);
    RegisterPosterClasses();
    ReadLayout(this, "HKUnit2");
}

void THKForm2::TrackBar1Change(TObject*) {
    if (OnPreview) OnPreview(TrackBar1->Position(), TrackBar2->Position());
}

void THKForm2::BacksetBitBtn3Click(TObject*) {
    TrackBar1->SetPosition(0);
    TrackBar2->SetPosition(100);
}

void THKForm2::OkBitBtn1Click(TObject* Sender) {
    TrackBar1Change(Sender);
    SetModalResult(mrOk);
}
