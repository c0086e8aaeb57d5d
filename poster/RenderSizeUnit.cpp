#include "poster/RenderSizeUnit.h"

#include "poster/PosterUnit.h"

#include <algorithm>
#include <cmath>

TRenderSizeForm* RenderSizeForm = nullptr;

TRenderSizeForm::TRenderSizeForm(TComponent* AOwner) : TForm(AOwner) {
    RegisterPosterClasses();
    PublishField("HeadPanel", HeadPanel);
    PublishField("HeadLabel", HeadLabel);
    PublishField("SizePanel", SizePanel);
    PublishField("WidthLabel", WidthLabel);
    PublishField("HeightLabel", HeightLabel);
    PublishField("BreitEdit", BreitEdit);
    PublishField("HochEdit", HochEdit);
    PublishField("SpeedButton1", SpeedButton1);
    PublishField("SpeedButton2", SpeedButton2);
    PublishField("NoteLabel", NoteLabel);
    PublishField("OKBtn", OKBtn);
    PublishField("CancelBtn", CancelBtn);
    ReadLayout(this, "RenderSizeUnit");
}

void TRenderSizeForm::WritePartner(TKitSpinEdit* Edit, long double Value) {
    // The flag lives only while the partner is written: a value that leaves the text as it
    // was fires no change, and must not leave the flag set for the user's next change.
    FWriting = true;
    Edit->SetValue(Value);
    FWriting = false;
}

void TRenderSizeForm::SetAspectBase(int Width, int Height) {
    FBaseWidth = std::max(1, Width);
    FBaseHeight = std::max(1, Height);
    WritePartner(BreitEdit, FBaseWidth);
    WritePartner(HochEdit, FBaseHeight);
}

int TRenderSizeForm::ChosenWidth() {
    return static_cast<int>(BreitEdit->CheckValue(std::trunc(BreitEdit->Value())));
}

int TRenderSizeForm::ChosenHeight() {
    return static_cast<int>(HochEdit->CheckValue(std::trunc(HochEdit->Value())));
}

void TRenderSizeForm::BreitEditChange(TObject*) {
    if (FWriting) return;
    const long long w = ChosenWidth();
    WritePartner(HochEdit, static_cast<long double>(w * FBaseHeight / FBaseWidth));
}

void TRenderSizeForm::HochEditChange(TObject*) {
    if (FWriting) return;
    const long long h = ChosenHeight();
    WritePartner(BreitEdit, static_cast<long double>(h * FBaseWidth / FBaseHeight));
}

// "Larger": the width times 1.1, truncated, at least one pixel more; the height follows.
// In whole numbers, so that no rounding of 1.1 takes a pixel off.
void TRenderSizeForm::SpeedButton1Click(TObject*) {
    const long long w = ChosenWidth();
    long long larger = w * 11 / 10;
    if (larger == w) larger = w + 1;
    BreitEdit->SetValue(static_cast<long double>(larger));
}

// "Smaller": the width divided by 1.1, truncated (the edit holds it at 1); the height
// follows.
void TRenderSizeForm::SpeedButton2Click(TObject*) {
    const long long w = ChosenWidth();
    BreitEdit->SetValue(static_cast<long double>(w * 10 / 11));
}
