// Printers: the session's current printer, printer DCs, print errors and the printer setup
// and print-to-file dialogs.
//
// A printer is a CUPS queue or the PDF file printer, or a printer given by code (the
// recording printer of tests and previews). There is always a current printer: at first
// the system's default queue, else the PDF file printer; the setup dialog or code may
// choose another, and the choice lasts for the session.
//
// Print jobs run through the job calls of gdi.h on a printer DC. A call that fails returns
// SP_ERROR and sets GetLastError and the thread's print error text (printErrorText); a job
// the user cancelled in the file dialog fails with errorCancelled and an empty text.
// Both kinds of printer draw their pages into a PDF document of our own (platform/pdf.h
// says what becomes of pictures).
// - CUPS queues: pages go to a temporary PDF at the queue's paper, printable area and
//   resolution. StartDoc asks the server (waiting a few seconds at most) whether the queue
//   exists, runs and accepts jobs, and fails before anything is drawn when it does not.
//   EndDoc sends the document on a worker thread while the calling thread keeps serving
//   its message queue (windows keep painting); a document the queue refuses then is kept
//   in the user's documents folder, and the error text says where.
// - The PDF file printer (A4, 600 dpi, 5 mm margins): the document goes to DOCINFO's
//   lpszOutput, else to the file chosen in the print-to-file dialog. It is written to a
//   temporary file beside the target (a symbolic link's target) and renamed over it by
//   EndDoc, keeping the old file's permissions, only when every write, the sync and the
//   close succeeded; a failed job never leaves a damaged file, and a folder that is missing
//   or not writable fails StartDoc.
#pragma once

#include "platform/gdi.h"

#include <QPageLayout>
#include <QPageSize>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QWidget;

inline constexpr DWORD ERROR_WRITE_FAULT = 29;
inline constexpr DWORD ERROR_INVALID_PRINTER_NAME = 1801;
inline constexpr DWORD ERROR_INVALID_PRINTER_STATE = 1906;

namespace platform {

// The error of a job the user cancelled (the platform's ERROR_CANCELLED, 1223).
inline constexpr DWORD errorCancelled = 1223;

class RecordingPrinter;

enum class PaperOrientation { Portrait, Landscape };

// Something print jobs go to.
class Printer {
public:
    virtual ~Printer() = default;
    virtual std::u16string name() const = 0;
    // A new printer DC (free it with DeleteDC). Its GetDeviceCaps follow the printer's
    // settings until a job starts; a job keeps the settings it started with.
    virtual HDC createDC() = 0;
    virtual PaperOrientation orientation() const = 0;
    virtual void setOrientation(PaperOrientation orientation) = 0;
    // The paper in its portrait form.
    virtual QPageSize paper() const = 0;
    virtual void setPaper(const QPageSize& paper) = 0;
};

// A CUPS queue or the PDF file printer.
class QtPrinter : public Printer {
public:
    // The queue of that name, or null when CUPS does not know it.
    static std::shared_ptr<QtPrinter> queue(const std::u16string& name);
    static std::shared_ptr<QtPrinter> pdfFile();
    ~QtPrinter() override;

    std::u16string name() const override;
    HDC createDC() override;
    PaperOrientation orientation() const override;
    void setOrientation(PaperOrientation orientation) override;
    QPageSize paper() const override;
    // A queue takes its printable area for the new paper from CUPS.
    void setPaper(const QPageSize& paper) override;

    bool isPdfFile() const;
    // The page layout (paper, orientation, margins) and resolution jobs print with.
    QPageLayout pageLayout() const;
    int resolution() const;
    // The PDF file printer: the file the print-to-file dialog proposes first.
    void setSuggestedFile(const std::u16string& path);

    struct State;

private:
    explicit QtPrinter(std::shared_ptr<State> state);
    std::shared_ptr<State> state_;
};

// The recording printer as a Printer; it must outlive the returned object (its DCs need not).
std::shared_ptr<Printer> recordingPrinter(RecordingPrinter& printer, std::u16string name = u"Recording printer");

// The name of the PDF file printer.
std::u16string pdfPrinterName();
// The CUPS queues (sorted), the PDF file printer and, when code set a printer of another
// kind as the current one, that printer.
std::vector<std::u16string> printerNames();
// The name of the system's default queue, or empty.
std::u16string defaultPrinterName();

std::shared_ptr<Printer> currentPrinter();
// Makes a printer the current one; null goes back to the default.
void setCurrentPrinter(std::shared_ptr<Printer> printer);
// Makes the printer of that name (from printerNames) the current one, keeping the
// current settings when it already is; false for an unknown name.
bool selectPrinter(const std::u16string& name);

// The text of the thread's last print error (empty after a success or a cancelled job).
std::u16string printErrorText();
void setPrintError(DWORD error, const std::u16string& text);

// ---- CUPS queues ----

struct QueueStatus {
    bool exists = false;
    bool stopped = false;
    bool accepting = false;
    std::u16string message;  // the queue's state message
};
QueueStatus queueStatus(const std::u16string& name);
// Hands a PDF file to a queue; the job id, or 0 with the print error set.
int submitToQueue(const std::u16string& queue, const std::u16string& file, const std::u16string& title,
                  const std::u16string& media);

// How long a question to the CUPS server may take before the queue counts as unavailable.
inline constexpr int kCupsTimeoutMs = 4000;

// Sending a finished document to a queue, on a worker thread: it sees only these copies.
struct QueueJob {
    std::u16string queue, file, title, media;
};
struct QueueSent {
    int job = 0;              // 0 when the queue refused the document
    std::u16string error;     // why, then
};
using QueueSender = std::function<QueueSent(const QueueJob& job)>;
// Replaces the sender (tests); an empty one restores the real one. Returns the old one.
QueueSender setQueueSender(QueueSender sender);
// The real sender: hands the file to CUPS.
QueueSent sendToCups(const QueueJob& job);

// ---- The printer setup dialog ----

struct PrinterSetup {
    std::vector<std::u16string> printers;  // offered
    std::u16string printer;                // chosen
    QPageSize paper;                       // portrait form
    PaperOrientation orientation = PaperOrientation::Portrait;
    std::u16string outputFile;             // the PDF file printer's proposed file, if any
};
// Edits the setup; false when cancelled.
using PrinterSetupHandler = std::function<bool(PrinterSetup& setup, QWidget* parent)>;
// Replaces the dialog (tests); an empty handler restores the real one. Returns the old one.
PrinterSetupHandler setPrinterSetupHandler(PrinterSetupHandler handler);
// The real dialog: Qt's print dialog, used to choose printer, paper and orientation.
bool showQtPrinterSetupDialog(PrinterSetup& setup, QWidget* parent);
// Runs the setup dialog on the current printer and applies the choice (a new printer, its
// paper and orientation); true when the user confirmed it.
bool printerSetupDialog(HWND owner = nullptr);

// ---- The print-to-file dialog ----

// The file the job goes to, or nothing when the user cancelled.
using PrintFileHandler =
    std::function<std::optional<std::u16string>(const std::u16string& suggested, QWidget* parent)>;
PrintFileHandler setPrintFileHandler(PrintFileHandler handler);
// The real dialog: a save-file dialog for PDF files.
std::optional<std::u16string> showQtPrintFileDialog(const std::u16string& suggested, QWidget* parent);
// Asks through the current handler.
std::optional<std::u16string> askPrintFile(const std::u16string& suggested);

}  // namespace platform
