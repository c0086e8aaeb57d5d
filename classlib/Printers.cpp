// The printer object and the printer setup dialog.
#include "classlib/Printers.h"


#include "platform/winerror.h"

#include <QCoreApplication>

namespace {

const char* const SPrinting = "Printing in progress";
const char* const SNotPrinting = "Printer is not currently printing";
const char* const SPrinterIndexError = "Printer index out of range";

String ansi(const std::u16string& s) { return WideToAnsi(s); }

}  // namespace

// ---- TPrinterCanvas ----

void TPrinterCanvas::CreateHandle() {
    HDC dc = FPrinter->Handle();
    SetHandle(dc);
    // Font sizes in points follow the printer's resolution.
    Font()->PixelsPerInch = GetDeviceCaps(dc, LOGPIXELSY);
}

// ---- TPrinter ----

TPrinter::TPrinter() : FCanvas(new TPrinterCanvas(this)), FPrinters(new TStringList) {}

TPrinter::TPrinter(std::shared_ptr<platform::Printer> printer) : TPrinter() { FOwn = std::move(printer); }

TPrinter::~TPrinter() {
    if (FPrinting) {
        AbortDoc(FJobDC);
        DeleteDC(FJobDC);
        FJobDC = nullptr;
    }
    FCanvas->SetHandle(nullptr);
    FreeInfoDC();
    delete FCanvas;
    delete FPrinters;
}

std::shared_ptr<platform::Printer> TPrinter::PlatformPrinter() const {
    return FOwn ? FOwn : platform::currentPrinter();
}

void TPrinter::SetPlatformPrinter(std::shared_ptr<platform::Printer> Value) {
    CheckPrinting(false);
    FOwn = std::move(Value);
    FreeInfoDC();
}

void TPrinter::CheckPrinting(bool Value) const {
    if (FPrinting != Value) throw EPrinter(Value ? SNotPrinting : SPrinting);
}

void TPrinter::FreeInfoDC() {
    if (!FInfoDC) return;
    if (!FPrinting) FCanvas->SetHandle(nullptr);
    DeleteDC(FInfoDC);
    FInfoDC = nullptr;
    FInfoPrinter.reset();
}

void TPrinter::Fail(const std::u16string& Text, const String& Fallback) {
    throw EPrinter(Text.empty() ? Fallback : ansi(Text));
}

HDC TPrinter::Handle() {
    if (FPrinting) return FJobDC;
    const auto printer = PlatformPrinter();
    if (FInfoDC && FInfoPrinter != printer) FreeInfoDC();
    if (!FInfoDC) {
        FInfoDC = printer->createDC();
        FInfoPrinter = printer;
        if (!FInfoDC) throw EPrinter("Printer selected is not valid");
    }
    return FInfoDC;
}

TCanvas* TPrinter::Canvas() {
    // Drops the information DC of a printer no longer printed on.
    if (!FPrinting) Handle();
    return FCanvas;
}

int TPrinter::PageWidth() { return GetDeviceCaps(Handle(), HORZRES); }
int TPrinter::PageHeight() { return GetDeviceCaps(Handle(), VERTRES); }

void TPrinter::BeginDoc() {
    CheckPrinting(false);
    FAborted = false;
    FPageNumber = 0;
    const auto printer = PlatformPrinter();
    HDC dc = printer->createDC();
    if (!dc) throw EPrinter("Printer selected is not valid");
    const std::u16string title = AnsiToWide(FTitle);
    DOCINFOW info{sizeof info, title.c_str(), nullptr, nullptr, 0};
    if (StartDocW(dc, &info) <= 0) {
        const DWORD error = GetLastError();
        const std::u16string text = platform::printErrorText();
        DeleteDC(dc);
        if (error == platform::errorCancelled) {
            FAborted = true;
            throw EAbort(&SOperationAborted);
        }
        Fail(text, "The print job could not be started");
    }
    if (StartPage(dc) <= 0) {
        const std::u16string text = platform::printErrorText();
        AbortDoc(dc);
        DeleteDC(dc);
        Fail(text, "The first page could not be started");
    }
    FJobDC = dc;
    FPrinting = true;
    FPageNumber = 1;
    FCanvas->SetHandle(FJobDC);
    FCanvas->Font()->PixelsPerInch = GetDeviceCaps(FJobDC, LOGPIXELSY);
}

void TPrinter::NewPage() {
    CheckPrinting(true);
    if (EndPage(FJobDC) <= 0 || StartPage(FJobDC) <= 0) {
        const std::u16string text = platform::printErrorText();
        Abort();
        Fail(text, "A new page could not be started");
    }
    ++FPageNumber;
}

void TPrinter::EndDoc() {
    CheckPrinting(true);
    FCanvas->SetHandle(nullptr);
    const bool pageEnded = EndPage(FJobDC) > 0;
    const bool ended = pageEnded && ::EndDoc(FJobDC) > 0;
    const std::u16string text = ended ? std::u16string() : platform::printErrorText();
    // A job whose end failed is over all the same; one still open is dropped.
    if (!pageEnded) AbortDoc(FJobDC);
    DeleteDC(FJobDC);
    FJobDC = nullptr;
    FPrinting = false;
    FPageNumber = 0;
    if (!ended) Fail(text, "The print job could not be finished");
}

void TPrinter::Abort() {
    CheckPrinting(true);
    FCanvas->SetHandle(nullptr);
    AbortDoc(FJobDC);
    DeleteDC(FJobDC);
    FJobDC = nullptr;
    FPrinting = false;
    FAborted = true;
    FPageNumber = 0;
}

TPrinterOrientation TPrinter::Orientation() {
    return PlatformPrinter()->orientation() == platform::PaperOrientation::Landscape ? poLandscape : poPortrait;
}

void TPrinter::SetOrientation(TPrinterOrientation Value) {
    CheckPrinting(false);
    PlatformPrinter()->setOrientation(Value == poLandscape ? platform::PaperOrientation::Landscape
                                                           : platform::PaperOrientation::Portrait);
}

TStrings* TPrinter::Printers() {
    FPrinters->Clear();
    if (FOwn) {
        FPrinters->Add(ansi(FOwn->name()));
    } else {
        for (const std::u16string& name : platform::printerNames()) FPrinters->Add(ansi(name));
    }
    return FPrinters;
}

int TPrinter::PrinterIndex() { return Printers()->IndexOf(ansi(PlatformPrinter()->name())); }

void TPrinter::SetPrinterIndex(int Value) {
    CheckPrinting(false);
    TStrings* names = Printers();
    if (Value < -1 || Value >= names->Count()) throw EPrinter(SPrinterIndexError);
    if (FOwn) return;  // its only printer
    if (Value == -1)
        platform::setCurrentPrinter(nullptr);
    else if (!platform::selectPrinter(AnsiToWide(names->Strings(Value))))
        throw EPrinter("Printer selected is not valid");
    FreeInfoDC();
}

// ---- The application's printer ----

namespace {

TPrinter*& globalPrinter() {
    static TPrinter* printer = nullptr;
    return printer;
}

void freeGlobalPrinter() {
    delete globalPrinter();
    globalPrinter() = nullptr;
}

}  // namespace

TPrinter* Printer() {
    if (!globalPrinter()) {
        globalPrinter() = new TPrinter;
        // Freed while the application object and the platform still exist.
        qAddPostRoutine(freeGlobalPrinter);
    }
    return globalPrinter();
}

TPrinter* SetPrinter(TPrinter* NewPrinter) {
    TPrinter* old = globalPrinter();
    if (!old && NewPrinter) qAddPostRoutine(freeGlobalPrinter);
    globalPrinter() = NewPrinter;
    return old;
}

// ---- TPrinterSetupDialog ----

TPrinterSetupDialog::TPrinterSetupDialog(TComponent* AOwner) : TComponent(AOwner) {}

bool TPrinterSetupDialog::Execute() { return Execute(nullptr); }

bool TPrinterSetupDialog::Execute(HWND ParentWnd) {
    if (OnShow) OnShow(this);
    const bool ok = platform::printerSetupDialog(ParentWnd);
    if (OnClose) OnClose(this);
    return ok;
}

