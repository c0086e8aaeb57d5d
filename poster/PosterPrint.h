// Poster printing: the page sections of the picture, the cut and glue lines, the notes on
// the glue strips, and the print loop over the grid of pages.
//
// The window fills a PosterSetup from its state and controls and calls:
//   GoBtn1 click        -> PrintPoster(target, setup, progress)
//   page images         -> DrawPageImage / PrintPageScreen (also used by the previews)
//   grid preview cells  -> PrintPage / SpezialPrintPage with printing = false
// Printing goes to a PrintTarget: printerTarget() over a platform printer (the session's
// current printer, a CUPS queue, the PDF file printer or the recording printer), or the
// window's own implementation over the class library's TPrinter.
#pragma once

#include "pixwerk/pixwerk.h"
#include "platform/gdi.h"
#include "poster/PosterLayout.h"

#include <functional>
#include <memory>
#include <string>

namespace platform {
class Printer;
struct JpegOrigin;
}

namespace poster {

// The pages switched off: 101 x 101 entries, entry col x 101 + row, 1 = off. Pages beyond
// the mask are always on and cannot be switched off.
class PageMask {
public:
    static constexpr int kSize = 101;
    PageMask() { clear(); }
    void clear();
    bool off(int col, int row) const;
    void setOff(int col, int row, bool value);
    void toggle(int col, int row);
    bool inside(int col, int row) const { return col >= 0 && row >= 0 && col < kSize && row < kSize; }
    const unsigned char* data() const { return bytes_; }

private:
    unsigned char bytes_[kSize * kSize];
};

// The option flags of the poster window that printing and the previews read.
struct PosterOptions {
    bool doubled = false;      // DoppeltCheck "Doubled line strength"
    bool cutLines = false;     // SchnittCheck "Cut lines"
    bool glueLines = false;    // KlebeCheck "Sticking lines"
    bool noEdgeLines = false;  // NoRandLinesCheck "No lines at the edge of poster"
    bool center = false;       // ZentrCheck "Center"
    bool edgeForGlue = false;  // KlrandCheck "Edge for glue"
    bool printOnGlue = false;  // KlPrintCheck "Print on edge for glue"
    bool noGlueAtEdge = false; // NoKlRCheck "No edge for glue at the edge of poster"
    bool cutHints = false;     // CutHintsCheck "Print notes on the edges"
    bool showGlue = false;     // KrShowCheck: the glue edge in the grid preview
};

// Everything a page needs.
struct PosterSetup {
    TDib dib{};             // the picture (not owned)
    double across = 1.0;    // A
    double down = 1.0;      // B
    int columns = 1;        // C = ceil(A), held to 1..kMaxPages
    int rows = 1;           // R
    double glueX = 0;       // KrandxlEd, percent, 0..99
    double glueY = 0;       // KrandylEd
    PosterOptions options;
    const PageMask* mask = nullptr;  // null: every page on
    bool printAll = true;    // RadioButton3 "Print all pages"
    bool rowsOuter = true;   // ZeilenWeiseCheck
    bool renderOwn = false;  // RenderOwnCheck
    PrinterCaps printer;     // page width and height, resolution
    // The JPEG file whose decode the picture still is (set by PrintPoster): the printer's
    // document may embed the file's own data for the sections.
    const platform::JpegOrigin* jpeg = nullptr;

    bool pageOff(int col, int row) const { return mask && mask->off(col, row); }
    // g of the glue strips: 1 with "Edge for glue", else 0.
    double glueFactor() const { return options.edgeForGlue ? 1.0 : 0.0; }
};

// A layout's values as a setup (pages, glue strips held to their ranges, printer caps).
void applyLayout(PosterSetup& setup, const PosterLayout& layout);

// The usable (picture) part of a page of that size.
int usableWidth(const PosterSetup& setup, int pageWidth);
int usableHeight(const PosterSetup& setup, int pageHeight);

// The destination part DrawDib covers for a section (SrcY counted from the bottom), clipped
// with DrawDib's rules.
RECT GetDrawDIBRect(int left, int top, int right, int bottom, int pictureWidth, int pictureHeight, int srcX,
                    int srcY, int srcWidth, int srcHeight);

// Draws page (col, row)'s section of the picture into (left, top, right, bottom); returns
// the destination part covered. `printing` forbids halftoning; `grow` allows the growth of
// section and destination over the glue strip ("Print on edge for glue").
RECT PrintPage(HDC dc, const PosterSetup& setup, int col, int row, int left, int top, int right, int bottom,
               bool printing, bool grow);
inline RECT PrintPage(HDC dc, const PosterSetup& setup, int col, int row, int left, int top, int right,
                      int bottom, bool printing) {
    return PrintPage(dc, setup, col, row, left, top, right, bottom, printing, printing);
}
// The same for posters without glue strips at their edge: the last column and row always
// grow over their strip (when `grow`).
RECT SpezialPrintPage(HDC dc, const PosterSetup& setup, int col, int row, int left, int top, int right,
                      int bottom, bool printing, bool grow);
inline RECT SpezialPrintPage(HDC dc, const PosterSetup& setup, int col, int row, int left, int top, int right,
                             int bottom, bool printing) {
    return SpezialPrintPage(dc, setup, col, row, left, top, right, bottom, printing, printing);
}

// A page as printed, on a page of width x height pixels: section, lines, notes.
void DrawPageImage(HDC dc, const PosterSetup& setup, int col, int row, int width, int height);
// The page with running number `number` (from 1, in print order, switched-off pages
// counted) on a page of that size; false when there is no such page.
bool PrintPageScreen(HDC dc, const PosterSetup& setup, int width, int number, int height);

// The page (col, row) whose running number in print order is `number` (from 1).
bool pageOfNumber(const PosterSetup& setup, int number, int& col, int& row);

// The note on the glue strips of page (col, row).
std::u16string edgeNote(int col, int row);

// Where a print job goes.
class PrintTarget {
public:
    virtual ~PrintTarget() = default;
    virtual void setTitle(const std::u16string& title) = 0;
    // Starts the job with its first page; false when it failed.
    virtual bool beginDoc() = 0;
    virtual bool newPage() = 0;
    virtual bool endDoc() = 0;
    virtual void abort() = 0;
    // The job's DC between beginDoc and endDoc, else an information DC.
    virtual HDC handle() = 0;
    virtual PrinterCaps caps() = 0;
    // Why the last call failed (empty when the user cancelled).
    virtual std::u16string errorText() const = 0;
    virtual bool cancelled() const = 0;
};

// A print target over a platform printer (its job calls StartDoc, StartPage, ...).
std::unique_ptr<PrintTarget> printerTarget(std::shared_ptr<platform::Printer> printer);

inline const char16_t* const kJobTitle = u"Tessellon - poster";

struct PrintResult {
    bool ok = true;        // false: the job failed (and was reported) or was cancelled
    bool started = false;  // a document was begun
    int pages = 0;         // pages printed
};

// Progress in percent (0 at the start and at the end).
using ProgressSink = std::function<void(int percent)>;

// Lets the windows paint (the progress bar among them) while a job is made; input waits
// until the job is done.
void KeepPainting();
// Shows why the job failed in a message box (caption "Error"), `what` when the printer gave
// no reason; nothing when the user cancelled.
void ReportPrintFailure(PrintTarget& target, const std::u16string& what);

// The print command. setup.printer is taken from the target. A failure of the printer is
// shown in a message box (caption "Error") and ends the job.
PrintResult PrintPoster(PrintTarget& target, PosterSetup setup, const ProgressSink& progress = {});

}  // namespace poster
