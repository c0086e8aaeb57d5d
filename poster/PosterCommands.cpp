// The poster window's picture commands: effects, flips and quarter turns, enhance quality,
// and the marked rectangle of the retouch view with its crop and the picture's saving.
#include "poster/BrightContrast.h"
#include "poster/BrowserFUnit.h"
#include "poster/ColourDepth.h"
#include "poster/Filters.h"
#include "poster/FlipTurn.h"
#include "poster/PassPictures.h"
#include "poster/PictureDialogs.h"
#include "poster/Pixwerk.h"
#include "poster/PosterUnit.h"
#include "poster/Quality.h"
#include "poster/Resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

// ---- The marked rectangle of the retouch view --------------------------------------------

namespace {

// A view coordinate in picture pixels: rounded to the nearest, ties to even, held inside
// the picture (a scale of 0 maps everything to 0).
int toPicture(int view, double scale, int limit) {
    if (!(scale > 0)) return 0;
    const double v = std::nearbyint(view / scale);
    return static_cast<int>(std::clamp(v, 0.0, static_cast<double>(limit)));
}

}  // namespace

void TMainForm::MarkToSection() {
    const TDib& d = Dib.get();
    Section = RECT{toPicture(FMark.left, FRetouchScale.x, DibWidth(d)), toPicture(FMark.top, FRetouchScale.y, DibHeight(d)),
                   toPicture(FMark.right, FRetouchScale.x, DibWidth(d)),
                   toPicture(FMark.bottom, FRetouchScale.y, DibHeight(d))};
}

void TMainForm::SectionToMark() {
    FMark = RECT{static_cast<LONG>(std::lround(Section.left * FRetouchScale.x)),
                 static_cast<LONG>(std::lround(Section.top * FRetouchScale.y)),
                 static_cast<LONG>(std::lround(Section.right * FRetouchScale.x)),
                 static_cast<LONG>(std::lround(Section.bottom * FRetouchScale.y))};
}

void TMainForm::RefreshRetouchScale() {
    // As the next paint will draw it: the last paint may predate a new picture or size.
    const int w = DibWidth(Dib.get()), h = DibHeight(Dib.get());
    if (w <= 0 || h <= 0) return;
    FRetouchScale.drawn = poster::FitSize(RetuschPaint->Width(), RetuschPaint->Height(), w, h);
    FRetouchScale.x = static_cast<double>(FRetouchScale.drawn.cx) / w;
    FRetouchScale.y = static_cast<double>(FRetouchScale.drawn.cy) / h;
}

void TMainForm::RetuschPaintMouseDown(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
    if (Button != mbLeft) return;
    RefreshRetouchScale();
    if (!FOverEdge) {
        if (X < 0 || Y < 0 || X >= FRetouchScale.drawn.cx || Y >= FRetouchScale.drawn.cy) return;
        FMark = RECT{X, Y, X, Y};
        FGrab = TEdgeGrab{false, true, false, true};
        MarkToSection();
    }
    FMarking = true;
    SetCaptureControl(RetuschPaint);
}

void TMainForm::RetuschPaintMouseMove(TObject*, TShiftState, int X, int Y) {
    RefreshRetouchScale();
    if (FMarking) {
        if (FGrab.left) FMark.left = X;
        if (FGrab.right) FMark.right = X;
        if (FGrab.top) FMark.top = Y;
        if (FGrab.bottom) FMark.bottom = Y;
        const int maxX = std::max(0, static_cast<int>(FRetouchScale.drawn.cx) - 1);
        const int maxY = std::max(0, static_cast<int>(FRetouchScale.drawn.cy) - 1);
        FMark.left = std::clamp(static_cast<int>(FMark.left), 0, maxX);
        FMark.top = std::clamp(static_cast<int>(FMark.top), 0, maxY);
        FMark.right = std::clamp(static_cast<int>(FMark.right), 0, maxX);
        FMark.bottom = std::clamp(static_cast<int>(FMark.bottom), 0, maxY);
        if (FMark.right < FMark.left) {
            std::swap(FMark.left, FMark.right);
            std::swap(FGrab.left, FGrab.right);
        }
        if (FMark.bottom < FMark.top) {
            std::swap(FMark.top, FMark.bottom);
            std::swap(FGrab.top, FGrab.bottom);
        }
        MarkToSection();
        RetuschPaint->Invalidate();
        return;
    }
    // An edge is under the pointer within 5 view pixels and inside the other axis' span.
    SectionToMark();
    const RECT& m = FMark;
    const bool inY = Y >= m.top && Y <= m.bottom, inX = X >= m.left && X <= m.right;
    FGrab = TEdgeGrab{std::abs(X - m.left) < 5 && inY, std::abs(X - m.right) < 5 && inY,
                      std::abs(Y - m.top) < 5 && inX, std::abs(Y - m.bottom) < 5 && inX};
    // A rectangle too small to tell its edges apart: the bottom right one wins.
    if (FGrab.left && FGrab.right) FGrab.left = false;
    if (FGrab.top && FGrab.bottom) FGrab.top = false;
    const bool horizontal = FGrab.left || FGrab.right, vertical = FGrab.top || FGrab.bottom;
    FOverEdge = horizontal || vertical;
    TCursor cursor = crDefault;
    if (horizontal && vertical)
        cursor = (FGrab.left == FGrab.top) ? crSizeNWSE : crSizeNESW;
    else if (horizontal)
        cursor = crSizeWE;
    else if (vertical)
        cursor = crSizeNS;
    setcursor_(cursor);
}

void TMainForm::RetuschPaintMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
    if (!FMarking) return;
    FMarking = false;
    SetCaptureControl(nullptr);
}

void TMainForm::SchnittBtnClick(TObject*) {
    const RECT r = Section;
    if (!Dib || r.right <= r.left || r.bottom <= r.top) {
        errorBox("You must mark an area with the mouse!", "Error");
        return;
    }
    const TDib& d = Dib.get();
    const int w = r.right - r.left, h = r.bottom - r.top;
    UniqueDib cut = picops::newLike(d, w, h);
    if (!cut) return;
    const int bits = DibBitCount(d);
    const int H = DibHeight(d);
    for (int y = 0; y < h; ++y) {
        if (bits == 24 || bits == 8) {
            // Stored rows count from the bottom.
            const BYTE* from = picops::storedRow(d, H - 1 - (r.top + y)) + static_cast<std::ptrdiff_t>(r.left) * bits / 8;
            std::memcpy(picops::storedRow(cut.get(), h - 1 - y), from, static_cast<std::size_t>(w) * bits / 8);
        } else {
            for (int x = 0; x < w; ++x) setpixel(cut.get(), x, y, getpixel(d, r.left + x, r.top + y));
        }
        SetProSatus(::ProgressPercent(y, h));
    }
    SetProSatus(0);
    ReplacePicture(std::move(cut), true);
}

void TMainForm::SaveBtnClick(TObject*) {
    if (!Dib) return;
    SaveDialog1->SetFilter(GetDIBSaveFilter());
    if (!SaveDialog1->Execute()) return;
    static const char* const extensions[] = {".BMP", ".DIB", ".GIF", ".IFF", ".JIF", ".JPG",
                                             ".LBM", ".PCX", ".RLE", ".TGA", ".TIF", ".PNG"};
    const int entry = SaveDialog1->FilterIndex();
    String name = SaveDialog1->FileName();
    if (ExtractFileExt(name).empty() && entry >= 1 && entry <= 12) name += extensions[entry - 1];
    if (!SaveDib(Dib.get(), name.c_str(), entry + 2, Handle())) {
        SetProSatus(0);
        const String text = "Error: The file " + name + " could not be saved!";
        errorBox(text.c_str(), "Error");
    }
}

// ---- Size, colours, brightness and contrast ----------------------------------------------

void TMainForm::SizeBtnClick(TObject*) {
    if (!Dib) return;
    auto* form = new TResizeForm(this);
    const int w = pictureWidth(), h = pictureHeight();
    form->InterpolCheck->SetEnabled(DibBitCount(Dib.get()) > 8);
    form->SetOldSize(w, h);
    form->BreitEdit->SetValue(w);
    form->HochEdit->SetValue(h);
    if (form->ShowModal() == mrOk) {
        UniqueDib result = ResizeDib(Dib.get(), form->NewWidth(), form->NewHeight(),
                                     form->InterpolCheck->Enabled() && form->InterpolCheck->Checked(), Progress());
        SetProSatus(0);
        if (!ReplacePicture(std::move(result), true)) errorBox("Error when modifying the size...");
    }
    form->Free();
}

void TMainForm::FTiefeBtnClick(TObject*) {
    if (!Dib) return;
    auto* form = new TDepthChangeForm(this);
    const int now = DibBitCount(Dib.get());
    form->SetBits(now);
    if (form->ShowModal() == mrOk) {
        const int bits = form->Bits();
        if (bits > now) {
            ReplacePicture(DepthUpTo(Dib.get(), bits, Progress()), false);
        } else if (bits < now) {
            auto* how = new TDepthDownForm(this);
            how->PrepareFor(bits);
            if (how->ShowModal() == mrOk) ReplacePicture(DepthDownTo(Dib.get(), bits, how->Reduction(), Progress()), false);
            how->Free();
        }
        SetProSatus(0);
        Tief->SetCaption(IntToStr(PowerOfTwo(DibBitCount(Dib.get()))));
        DibPrevPaint->Invalidate();
    }
    form->Free();
}

void TMainForm::HellpBtnClick(TObject*) {
    if (!Dib) return;
    auto* form = new THKForm2(this);
    form->TrackBar1->SetPosition(0);
    form->TrackBar2->SetPosition(100);
    const TDib& d = Dib.get();
    UniqueDib backup = picops::newLike(d, DibWidth(d), DibHeight(d));
    if (!backup) {
        errorBox("Error: Could not create picture! (Low memory?)");
        form->Free();
        return;
    }
    const std::size_t bytes = static_cast<std::size_t>(d.LineBytes) * DibHeight(d);
    std::memcpy(backup.get().Bits, d.Bits, bytes);
    // Each preview starts from the backup: pixels, and palette for palette pictures.
    const auto restore = [this, &backup, bytes] {
        std::memcpy(Dib.get().Bits, backup.get().Bits, bytes);
        const int entries = picops::paletteSize(DibBitCount(backup.get()));
        if (entries) picops::setPalette(Dib, backup.get().Palette.palPalEntry, entries);
    };
    form->OnPreview = [&](int brightness, int contrast) {
        restore();
        Helligkeit(Dib, brightness, nullptr, Progress());
        Kontrast(Dib, contrast, nullptr, Progress());
        SetProSatus(0);
        RetuschPaint->Repaint();
    };
    if (form->ShowModal() == mrOk) {
        PixelsChanged();
    } else {
        // Whatever was previewed goes; the backup is the picture again.
        Dib = std::move(backup);
    }
    form->Free();
    RepaintViews();
}

// ---- Thumbnail browser -------------------------------------------------------------------

void TMainForm::BrowseBtnClick(TObject*) {
    // Made for one showing; a picture picked there comes back through openfilenow.
    std::unique_ptr<TBrowserForm> browser(new TBrowserForm(this));
    browser->ShowModal();
}

// ---- The picture editor ------------------------------------------------------------------

void TMainForm::ChromaldeBtnClick(TObject*) {
    if (!PictureEditor) return;
    // The picture moves to the editor; a blank one stands in meanwhile (without pixels
    // when even that cannot be made: the views then show nothing).
    PictureEditor->HandOver(std::move(Dib), "NONAME");
    Dib = picops::newPicture(320, 200, 24, nullptr, 0);
    if (Dib) std::memset(Dib.get().Bits, 255, Dib.get().Info->bmiHeader.biSizeImage);
    for (TControl* c : std::initializer_list<TControl*>{DibPrevPaint, RetuschPaint, PassPaintBox, VorschauBox})
        c->Invalidate();
    PictureEditor->EditModal();
    // The edited picture comes back, whatever the editor did with it.
    Dib = PictureEditor->TakeBack();
    const TDib& d = Dib.get();
    Breit->SetCaption(IntToStr(DibWidth(d)));
    Hoch->SetCaption(IntToStr(DibHeight(d)));
    Tief->SetCaption(IntToStr(PowerOfTwo(DibBitCount(d))));
    Section = RECT{0, 0, DibWidth(d), DibHeight(d)};
    for (TControl* c : std::initializer_list<TControl*>{DibPrevPaint, RetuschPaint, PassPaintBox, VorschauBox})
        c->Invalidate();
}
