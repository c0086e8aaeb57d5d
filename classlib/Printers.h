// The printer object: print jobs with a canvas on the printer, the printer list and
// orientation, and the printer setup dialog.
//
// TPrinter prints on a platform printer: the session's current printer (the global
// Printer()), or a printer given to it (a recording printer in tests and previews).
// Failures raise EPrinter with the platform's text ("The printer "X" does not accept
// jobs."), after the job has been ended; a job the user cancelled in the print-to-file
// dialog raises EAbort, the silent exception, so the caller's print loop ends quietly.
#pragma once

// Built with the rest of the visual class library (see classlib/Graphics.h).

#include "classlib/Classes.h"
#include "classlib/Graphics.h"
#include "platform/printer.h"

#include <memory>

TESSELLON_EXCEPTION(EPrinter, Exception);

enum TPrinterOrientation { poPortrait, poLandscape };

class TPrinter;

// The canvas of a printer: the job's DC while printing, else an information DC.
class TPrinterCanvas : public TCanvas {
    Q_OBJECT
public:
    explicit TPrinterCanvas(TPrinter* printer) : FPrinter(printer) {}

protected:
    void CreateHandle() override;

private:
    TPrinter* FPrinter;
};

class TPrinter : public TObject {
    Q_OBJECT
public:
    // On the session's current printer.
    TPrinter();
    // On a printer of its own.
    explicit TPrinter(std::shared_ptr<platform::Printer> printer);
    ~TPrinter() override;

    // Starts a job titled Title with its first page.
    void BeginDoc();
    void NewPage();
    void EndDoc();
    // Drops the job; nothing is printed.
    void Abort();
    bool Aborted() const { return FAborted; }
    bool Printing() const { return FPrinting; }

    String Title() const { return FTitle; }
    void SetTitle(const String& Value) { FTitle = Value; }
    TCanvas* Canvas();
    // The job's DC while printing, else a DC that tells the printer's properties.
    HDC Handle();
    // The printable area in device pixels.
    int PageWidth();
    int PageHeight();
    // The page being printed, from 1.
    int PageNumber() const { return FPageNumber; }
    TPrinterOrientation Orientation();
    void SetOrientation(TPrinterOrientation Value);

    // The printers' names; PrinterIndex is the one printed on (-1 chooses the default).
    TStrings* Printers();
    int PrinterIndex();
    void SetPrinterIndex(int Value);

    // The platform printer jobs go to now.
    std::shared_ptr<platform::Printer> PlatformPrinter() const;
    // Fixes the printer (null: the session's current printer again).
    void SetPlatformPrinter(std::shared_ptr<platform::Printer> Value);

private:
    void CheckPrinting(bool Value) const;
    void FreeInfoDC();
    [[noreturn]] void Fail(const std::u16string& Text, const String& Fallback);

    std::shared_ptr<platform::Printer> FOwn;
    std::shared_ptr<platform::Printer> FInfoPrinter;  // the printer of FInfoDC
    TPrinterCanvas* FCanvas = nullptr;
    TStrings* FPrinters = nullptr;
    HDC FJobDC = nullptr;
    HDC FInfoDC = nullptr;
    String FTitle;
    int FPageNumber = 0;
    bool FPrinting = false;
    bool FAborted = false;
};

// The application's printer object, created on first use.
TPrinter* Printer();
// Replaces it; returns the previous one, which the caller then owns (null on first use).
TPrinter* SetPrinter(TPrinter* NewPrinter);

// The printer setup dialog: printer, paper and orientation of the session's printer.
class TPrinterSetupDialog : public TComponent {
    Q_OBJECT
    Q_PROPERTY(TNotifyEvent OnShow MEMBER OnShow)
    Q_PROPERTY(TNotifyEvent OnClose MEMBER OnClose)

public:
    explicit TPrinterSetupDialog(TComponent* AOwner);
    // True when the user confirmed a setup.
    bool Execute();
    bool Execute(HWND ParentWnd);

    TNotifyEvent OnShow;
    TNotifyEvent OnClose;
};

