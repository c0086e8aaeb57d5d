#include "editor/PrintFUnit.h"

#include "editor/Main.h"
#include "platform/printer.h"
#include "poster/Pixwerk.h"

#include <cmath>

RECT PrintRect(int PageWidth, int PageHeight, int PictureWidth, int PictureHeight, const TPrintPlacement& P) {
    if (PageWidth <= 0 || PageHeight <= 0 || PictureWidth <= 0 || PictureHeight <= 0) return RECT{0, 0, 0, 0};
    const long long pw = PageWidth, ph = PageHeight, iw = PictureWidth, ih = PictureHeight;
    long long w = pw, h = ph;
    if (P.UseFull) {
        if (P.KeepAspect) {
            // As wide as the page, unless that makes it higher than the page.
            if (ph < pw * ih / iw) {
                w = ph * iw / ih;
                h = ph;
            } else {
                h = pw * ih / iw;
            }
        }
    } else {
        w = static_cast<long long>(std::nearbyint(static_cast<double>(pw) * P.WidthPercent / 100.0));
        h = static_cast<long long>(std::nearbyint(static_cast<double>(ph) * P.HeightPercent / 100.0));
    }
    const long long x = P.Centred ? (pw - w) / 2 : 0, y = P.Centred ? (ph - h) / 2 : 0;
    return RECT{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x + w), static_cast<LONG>(y + h)};
}

void PrintPictureOnPage(TPrinter& Printer, TDib Picture, const TPrintPlacement& Placement, const String& Title) {
    const int iw = DibWidth(Picture), ih = DibHeight(Picture);
    if (!Picture.Bits || iw <= 0 || ih <= 0) return;
    if (Printer.PageWidth() <= 0 || Printer.PageHeight() <= 0)
        throw EPrinter("The printer's page has no printable area.");
    Printer.SetTitle(Title);
    Printer.BeginDoc();
    try {
        // The job's own page: the settings it started with.
        const RECT r = PrintRect(Printer.PageWidth(), Printer.PageHeight(), iw, ih, Placement);
        if (r.right > r.left && r.bottom > r.top)
            DrawDib(Printer.Canvas()->Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, Picture, 0, 0, iw,
                    ih, false, SRCCOPY, true, nullptr);
        Printer.EndDoc();
    } catch (...) {
        if (Printer.Printing()) Printer.Abort();
        throw;
    }
}

// ---- The dialog --------------------------------------------------------------------------

TPrintForm::TPrintForm(TComponent* AOwner) : TForm(AOwner) {
    PublishField("PreviewLabel", PreviewLabel);
    PublishField("PreviewPanel", PreviewPanel);
    PublishField("PrintPaintBox", PrintPaintBox);
    PublishField("PrintSetupBtn", PrintSetupBtn);
    PublishField("SizeGroup", SizeGroup);
    PublishField("UseFullCheck", UseFullCheck);
    PublishField("UserdefCheck", UserdefCheck);
    PublishField("BreitLabel", BreitLabel);
    PublishField("BreitEdit", BreitEdit);
    PublishField("HochLabel", HochLabel);
    PublishField("HochEdit", HochEdit);
    PublishField("OptionsGroup", OptionsGroup);
    PublishField("SverhCheck", SverhCheck);
    PublishField("ZentrCheck", ZentrCheck);
    PublishField("OkBitBtn1", OkBitBtn1);
    PublishField("CancelBitBtn2", CancelBitBtn2);
    PublishField("FormStorage1", FormStorage1);
    RegisterEditorClasses();
    RegisterEditorDialogs();
    ReadLayout(this, "PrintFUnit");
    ReadPage();
}

void TPrintForm::ReadPage() {
    auto pageOf = [](TPrinter& p, int& w, int& h) {
        try {
            w = p.PageWidth();
            h = p.PageHeight();
        } catch (const Exception&) {
            w = h = 0;
        }
    };
    int w = 0, h = 0;
    pageOf(*Printer(), w, h);
    if (w <= 0 || h <= 0) {
        // No usable printer: the page of the PDF file printer serves the preview.
        TPrinter pdf(platform::QtPrinter::pdfFile());
        pageOf(pdf, w, h);
    }
    FPageWidth = w > 0 && h > 0 ? w : 1;
    FPageHeight = w > 0 && h > 0 ? h : 1;
}

TPrintPlacement TPrintForm::Placement() {
    TPrintPlacement p;
    p.UseFull = !UserdefCheck->Checked();
    p.KeepAspect = SverhCheck->Checked();
    p.Centred = ZentrCheck->Checked();
    p.WidthPercent = static_cast<double>(SpinValue(BreitEdit));
    p.HeightPercent = static_cast<double>(SpinValue(HochEdit));
    return p;
}

RECT TPrintForm::PreviewPage() const {
    const long long bw = PrintPaintBox->Width(), bh = PrintPaintBox->Height();
    long long w = bw, h = bh;
    if (FPageHeight < FPageWidth) h = w * FPageHeight / FPageWidth;
    else w = h * FPageWidth / FPageHeight;
    const long long a = (bw - w) / 2, b = (bh - h) / 2;
    return RECT{static_cast<LONG>(a), static_cast<LONG>(b), static_cast<LONG>(a + w), static_cast<LONG>(b + h)};
}

RECT TPrintForm::PreviewPicture() {
    const RECT page = PreviewPage();
    RECT r = PrintRect(page.right - page.left, page.bottom - page.top, DibWidth(Dib), DibHeight(Dib), Placement());
    OffsetRect(&r, page.left, page.top);
    return r;
}

void TPrintForm::PrintPaintBoxPaint(TObject*) {
    // Only paints: the percentages are coupled by the change handlers.
    TCanvas* c = PrintPaintBox->Canvas();
    c->Brush()->SetColor(clGray);
    c->FillRect(RECT{0, 0, PrintPaintBox->Width(), PrintPaintBox->Height()});
    const RECT page = PreviewPage();
    c->Pen()->SetColor(clWhite);
    c->Brush()->SetColor(clWhite);
    c->Rectangle(page.left, page.top, page.right, page.bottom);
    const RECT r = PreviewPicture();
    if (Dib.Bits && r.right > r.left && r.bottom > r.top)
        DrawDib(c->Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, Dib, 0, 0, DibWidth(Dib),
                DibHeight(Dib), true, SRCCOPY, true, nullptr);
}

void TPrintForm::Couple(bool FromWidth) {
    if (FCoupling) return;
    FCoupling = true;
    const double iw = DibWidth(Dib), ih = DibHeight(Dib);
    if (SverhCheck->Checked() && iw > 0 && ih > 0) {
        // The printed picture keeps the picture's proportions on a page of this shape.
        const double pw = FPageWidth, ph = FPageHeight;
        if (FromWidth) HochEdit->SetValue(std::trunc(ih * static_cast<double>(SpinValue(BreitEdit)) / iw * pw / ph));
        else BreitEdit->SetValue(std::trunc(iw * static_cast<double>(SpinValue(HochEdit)) / ih * ph / pw));
    }
    PrintPaintBox->Invalidate();
    FCoupling = false;
}

void TPrintForm::BreitEditChange(TObject*) { Couple(true); }

void TPrintForm::HochEditChange(TObject*) { Couple(false); }

void TPrintForm::UserdefCheckClick(TObject*) {
    BreitEdit->SetEnabled(UserdefCheck->Checked());
    HochEdit->SetEnabled(UserdefCheck->Checked());
    if (UserdefCheck->Checked()) Couple(true);
    PrintPaintBox->Invalidate();
}

void TPrintForm::OptionCheckClick(TObject*) {
    BreitEdit->SetEnabled(UserdefCheck->Checked());
    HochEdit->SetEnabled(UserdefCheck->Checked());
    Couple(true);
}

void TPrintForm::FormShow(TObject*) {
    ReadPage();
    OptionCheckClick(this);
}

void TPrintForm::PrintSetupBtnClick(TObject*) {
    if (SetupDialog) {
        SetupDialog->Execute();
    } else {
        TPrinterSetupDialog own(nullptr);
        own.Execute();
    }
    ReadPage();
    Couple(true);
}
