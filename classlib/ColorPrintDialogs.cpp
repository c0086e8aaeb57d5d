// The colour and print dialogs over Qt's.
#include "classlib/Dialogs.h"
#include "classlib/Forms.h"
#include "classlib/Graphics.h"
#include "platform/fileapi.h"
#include "platform/printer.h"
#include "platform/qtnames.h"

#include <QColorDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <cstdio>

namespace {

QWidget* dialogParent() {
    if (Screen && Screen->ActiveForm() && Screen->ActiveForm()->HandleAllocated())
        return platform::windowWidget(Screen->ActiveForm()->Handle());
    return nullptr;
}

// A modal dialog takes the mouse, as a modal form's showing does: the window holding the
// capture (a control pressed to open the dialog) is told to end it, so the dialog's own
// buttons get their clicks.
void endMouseCapture() {
    if (HWND c = GetCapture()) SendMessageA(c, WM_CANCELMODE, 0, 0);
    ReleaseCapture();
}

QColor qcolor(TColor c) {
    const COLORREF rgb = ColorToRGB(c);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor tcolor(const QColor& c) { return static_cast<TColor>(RGB(c.red(), c.green(), c.blue())); }

// "ColorA=RRGGBB": the custom colour A to P, or -1 for a line of another form.
int customIndex(const String& line, QColor* colour) {
    if (line.size() < 8 || line.compare(0, 5, "Color") != 0 || line[6] != '=') return -1;
    const char letter = static_cast<char>(line[5] & ~0x20);
    if (letter < 'A' || letter > 'P') return -1;
    bool ok = false;
    const uint v = QString::fromStdString(line.substr(7)).toUInt(&ok, 16);
    if (!ok || v > 0xFFFFFF) return -1;
    *colour = QColor(static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>(v & 0xFF));
    return letter - 'A';
}

}  // namespace

// ---- TColorDialog ----

TColorDialog::TColorDialog(TComponent* AOwner) : TCommonDialog(AOwner), FCustomColors(new TStringList) {}

TColorDialog::~TColorDialog() { delete FCustomColors; }

void TColorDialog::SetCustomColors(TStrings* v) { FCustomColors->Assign(v); }

bool TColorDialog::Execute() {
    if (OnShow) OnShow(this);
    // Custom colours are the desktop dialog's for the process: ours are put in first.
    for (int i = 0; i < FCustomColors->Count(); ++i) {
        QColor c;
        const int k = customIndex(FCustomColors->Strings(i), &c);
        if (k >= 0 && k < QColorDialog::customCount()) QColorDialog::setCustomColor(k, c);
    }
    endMouseCapture();
    QColorDialog dlg(qcolor(FColor), dialogParent());
    dlg.setOption(QColorDialog::DontUseNativeDialog);
    const bool ok = dlg.exec() == QDialog::Accepted;
    if (ok) {
        FColor = tcolor(dlg.selectedColor());
        FCustomColors->Clear();
        for (int k = 0; k < std::min(QColorDialog::customCount(), 16); ++k) {
            const QColor c = QColorDialog::customColor(k);
            char line[16];
            std::snprintf(line, sizeof line, "Color%c=%02X%02X%02X", 'A' + k, c.red(), c.green(), c.blue());
            FCustomColors->Add(line);
        }
    }
    if (OnClose) OnClose(this);
    return ok;
}

// ---- TPrintDialog ----

bool TPrintDialog::Execute() {
    if (OnShow) OnShow(this);
    std::shared_ptr<platform::Printer> session = platform::currentPrinter();
    const QString sessionName = session ? QString::fromStdU16String(session->name()) : QString();
    const bool pdf = session && session->name() == platform::pdfPrinterName();
    QPrinter printer(QPrinter::HighResolution);
    if (pdf) {
        printer.setOutputFormat(QPrinter::PdfFormat);
    } else if (!sessionName.isEmpty()) {
        printer.setPrinterName(sessionName);
    }
    printer.setCopyCount(std::max(FCopies, 1));
    printer.setCollateCopies(FCollate);
    const bool pages = FOptions.testFlag(poPageNums);
    const int minPage = std::max(FMinPage, pages ? 1 : 0);
    const int maxPage = std::max(FMaxPage, minPage);
    endMouseCapture();
    QPrintDialog dlg(&printer, dialogParent());
    QAbstractPrintDialog::PrintDialogOptions o = QAbstractPrintDialog::PrintShowPageSize | QAbstractPrintDialog::PrintCollateCopies;
    if (pages) o |= QAbstractPrintDialog::PrintPageRange;
    if (FOptions.testFlag(poSelection)) o |= QAbstractPrintDialog::PrintSelection;
    if (FOptions.testFlag(poPrintToFile) && !FOptions.testFlag(poDisablePrintToFile)) o |= QAbstractPrintDialog::PrintToFile;
    dlg.setOptions(o);
    if (pages) {
        dlg.setMinMax(minPage, maxPage);
        printer.setFromTo(std::clamp(FFromPage, minPage, maxPage), std::clamp(std::max(FToPage, FFromPage), minPage, maxPage));
    }
    dlg.setPrintRange(FPrintRange == prPageNums && pages ? QAbstractPrintDialog::PageRange
                      : FPrintRange == prSelection && FOptions.testFlag(poSelection) ? QAbstractPrintDialog::Selection
                                                                                     : QAbstractPrintDialog::AllPages);
    bool ok = dlg.exec() == QDialog::Accepted;
    if (ok) {
        FCopies = printer.copyCount();
        FCollate = printer.collateCopies();
        switch (dlg.printRange()) {
        case QAbstractPrintDialog::PageRange:
            FPrintRange = prPageNums;
            FFromPage = std::clamp(printer.fromPage(), minPage, maxPage);
            FToPage = std::clamp(printer.toPage(), FFromPage, maxPage);
            break;
        case QAbstractPrintDialog::Selection: FPrintRange = prSelection; break;
        default: FPrintRange = prAllPages; break;
        }
        FPrintToFile = printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty();
        FFileName = FPrintToFile ? platform::fileNameToAnsi(platform::fileNameFromQt(printer.outputFileName())) : String();
        // The printer chosen becomes the session's.
        const std::u16string chosen = printer.outputFormat() == QPrinter::PdfFormat
                                          ? platform::pdfPrinterName()
                                          : printer.printerName().toStdU16String();
        if (session && chosen != session->name() && !platform::selectPrinter(chosen)) ok = false;
    }
    if (OnClose) OnClose(this);
    return ok;
}
