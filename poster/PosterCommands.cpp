// The poster window's picture commands: effects, flips and quarter turns, enhance quality,
// and the marked rectangle of the retouch view with its crop and the picture's saving.
#include "poster/ColourDepth.h"
#include "poster/Filters.h"
#include "poster/FlipTurn.h"
#include "poster/PassPictures.h"
#include "poster/Pixwerk.h"
#include "poster/PosterUnit.h"
#include "poster/Quality.h"
#include "poster/Resample.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMaxPictureSide = 32767;

void errorBox(const char* text, const char* caption = "") {
    Application->MessageBox(text, caption, MB_OK | MB_ICONERROR);
}

}  // namespace

TProgressSink TMainForm::Progress() {
    return [this](int p) { SetProSatus(p); };
}

bool TMainForm::ReplacePicture(UniqueDib Result, bool Reshaped) {
    if (!Result) return false;
    Dib = std::move(Result);
    const TDib& d = Dib.get();
    Breit->SetCaption(IntToStr(DibWidth(d)) + " Pixel");
    Hoch->SetCaption(IntToStr(DibHeight(d)) + " Pixel");
    Tief->SetCaption(IntToStr(PowerOfTwo(DibBitCount(d))));
    if (Reshaped) {
        Section = RECT{0, 0, DibWidth(d), DibHeight(d)};
        ZoomEd2->SetValue(1);
        by_anpassen();
    }
    SizeViews();
    return true;
}

void TMainForm::PixelsChanged() {
    // The picture no longer is the decode of its file.
    DibPixelsChanged(Dib.get());
    RepaintViews();
}

bool TMainForm::RaiseToTrueColour() {
    ReplacePicture(DepthUpTo(Dib.get(), 24, Progress()), false);
    SetProSatus(0);
    Tief->SetCaption(IntToStr(PowerOfTwo(DibBitCount(Dib.get()))));
    if (DibBitCount(Dib.get()) > 8) return true;
    errorBox("Could not change the number of colours! (Low memory?!)", "Error");
    return false;
}

// ---- Effects -----------------------------------------------------------------------------

void TMainForm::EffektClick(TObject* Sender) {
    const auto* item = dynamic_cast<TMenuItem*>(Sender);
    if (!item || item->Tag() < 0 || item->Tag() >= PosterEffectCount || !Dib) return;
    if (DibBitCount(Dib.get()) <= 8) {
        if (Application->MessageBox("For this function the program must change the number of colours in the picture "
                                    "to 16.7 millions. Do you want to continue?",
                                    "Adapt number of colors?", MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
        if (!RaiseToTrueColour()) return;
    }
    TFilterRec filter;
    TransposeKernel(PosterEffect(static_cast<int>(item->Tag())), filter);
    const TFilterOutcome outcome = DibFilter(Dib.get(), filter, nullptr, Progress(), [this] {
        SetProSatus(0);
        RetuschPaint->Repaint();
        return Application->MessageBox("Is the result ok?", "Is the result ok?", MB_YESNO | MB_ICONQUESTION) == IDYES;
    });
    SetProSatus(0);
    if (outcome == TFilterOutcome::NoMemory) errorBox("Error: Not enough memory for this function!!!", "Error");
    if (outcome == TFilterOutcome::Applied) PixelsChanged();
    RetuschPaint->Invalidate();
}

// ---- Flips and quarter turns -------------------------------------------------------------

void TMainForm::FlipHBtnClick(TObject*) {
    ReplacePicture(MirrorDibH(Dib.get(), Progress()), false);
    SetProSatus(0);
}

void TMainForm::FlipVBtnClick(TObject*) {
    ReplacePicture(MirrorDibV(Dib.get(), Progress()), false);
    SetProSatus(0);
}

void TMainForm::RotLeftBtnClick(TObject*) {
    ReplacePicture(RotLeftDib(Dib.get(), Progress()), true);
    SetProSatus(0);
}

void TMainForm::RotRightBtnClick(TObject*) {
    ReplacePicture(RotRightDib(Dib.get(), Progress()), true);
    SetProSatus(0);
}

// ---- Enhance quality ---------------------------------------------------------------------

void TMainForm::MoreQualityBtnClick(TObject*) {
    if (!Dib) return;
    if (!QualityForm) Application->CreateForm(QualityForm);
    const poster::PrinterCaps page = poster::UsablePassPage(printer());
    const double across = static_cast<double>(BreitEd->Value());
    const int w = pictureWidth(), h = pictureHeight();
    // Inches across the poster; no printer value of 0 reaches a division.
    const double inches = across > 0 ? page.pageWidth * across / page.dpiX : 0;
    const double q = inches > 0 ? std::trunc(w / inches) : 0;
    QualityForm->QualEd->SetValue(q);
    if (QualityForm->ShowModal() != mrOk) return;
    const double v = static_cast<double>(QualityForm->QualEd->Value());
    if (!(v > q)) {
        errorBox("The new value for quality has to be higher than the old value!");
        return;
    }
    // 64-bit sizes: nw x h overflows 32 bits long before the library's limit is checked.
    const double nwReal = std::trunc(v * inches);
    const long long nw = nwReal < 1e15 ? static_cast<long long>(nwReal) : 0;
    const long long nh = w > 0 ? nw * h / w : 0;
    if (DibBitCount(Dib.get()) < 24 && !RaiseToTrueColour()) return;
    UniqueDib result;
    if (nw >= 1 && nh >= 1 && nw <= kMaxPictureSide && nh <= kMaxPictureSide)
        result = ResizeDib(Dib.get(), static_cast<int>(nw), static_cast<int>(nh), true, Progress());
    SetProSatus(0);
    if (!result) {
        errorBox("Error when modifying the size...");
        return;
    }
    // The poster keeps its pages: the same size on paper now carries more pixels.
    Dib = std::move(result);
    Breit->SetCaption(IntToStr(DibWidth(Dib.get())) + " Pixel");
    Hoch->SetCaption(IntToStr(DibHeight(Dib.get())) + " Pixel");
    Section = RECT{0, 0, DibWidth(Dib.get()), DibHeight(Dib.get())};
    SizeViews();
}
