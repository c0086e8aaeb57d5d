// Printers through Qt's print support: CUPS queues and the PDF file printer, the session's
// current printer and the recording printer as a Printer.
#include "platform/printer.h"

#include "DeviceContext.h"
#include "platform/RecordingPrinter.h"
#include "platform/winerror.h"

#include <QDir>
#include <QFileInfo>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

QString qs(const std::u16string& s) { return QString::fromStdU16String(s); }
std::u16string us(const QString& s) { return s.toStdU16String(); }

thread_local std::u16string printError;

void clearPrintError() { printError.clear(); }

std::u16string inQuotes(const std::u16string& s) { return u"\"" + s + u"\""; }

// The queue's layout for a paper: Qt's page size for the queue with the queue's printable
// area as margins.
QPageLayout queueLayout(const QPrinterInfo& info, const std::optional<QPageSize>& paper,
                        QPageLayout::Orientation orientation) {
    QPrinter printer(info, QPrinter::HighResolution);
    if (paper) printer.setPageSize(*paper);
    QPageLayout layout = printer.pageLayout();
    layout.setMargins(layout.minimumMargins());
    layout.setOrientation(orientation);
    return layout;
}

QPageLayout::Orientation qtOrientation(PaperOrientation o) {
    return o == PaperOrientation::Landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
}

}  // namespace

std::u16string printErrorText() { return printError; }

void setPrintError(DWORD error, const std::u16string& text) {
    SetLastError(error);
    printError = text;
}

// ---- QtPrinter ----

struct QtPrinter::State {
    bool pdf = false;
    std::u16string queue;
    QPageLayout layout;
    int resolution = 600;
    std::u16string suggested;
};

namespace {

// A job on a QtPrinter: pages into a PDF (the target file or a temporary file for the queue).
class QtPrinterDevice : public gdi::PagedDevice {
public:
    explicit QtPrinterDevice(std::shared_ptr<QtPrinter::State> state)
        : PagedDevice(nullptr), state_(std::move(state)) {}

    ~QtPrinterDevice() override {
        if (inDocument()) abortDoc();
    }

    gdi::DeviceCaps caps() const override {
        const QPageLayout& layout = inDocument() ? job_.layout : state_->layout;
        const int dpi = inDocument() ? job_.resolution : state_->resolution;
        gdi::DeviceCaps c;
        c.technology = DT_RASPRINTER;
        c.bitsPixel = 24;
        c.rasterCaps = gdi::fullRasterCaps(24, true);
        c.logPixelsX = c.logPixelsY = dpi;
        const QRect full = layout.fullRectPixels(dpi);
        const QRect paint = layout.paintRectPixels(dpi);
        c.physicalWidth = full.width();
        c.physicalHeight = full.height();
        c.physicalOffsetX = paint.left();
        c.physicalOffsetY = paint.top();
        c.horzRes = paint.width();
        c.vertRes = paint.height();
        return c;
    }

    int startDoc(const std::u16string& name, const std::u16string& output) override {
        if (inDocument()) return fail(ERROR_INVALID_FUNCTION, u"A print job is already running on this printer.");
        job_ = *state_;
        title_ = name;
        QIODevice* target = nullptr;
        if (job_.pdf) {
            std::u16string path = output;
            if (path.empty()) {
                std::u16string suggested = job_.suggested;
                if (suggested.empty()) suggested = suggestedFile(name);
                const auto chosen = askPrintFile(suggested);
                if (!chosen) return fail(errorCancelled, u"");
                path = *chosen;
            }
            if (path.empty()) return fail(ERROR_INVALID_NAME, u"No file was given for the PDF document.");
            path_ = path;
            file_ = std::make_unique<QSaveFile>(qs(path));
            if (!file_->open(QIODevice::WriteOnly)) {
                const QFileInfo where(qs(path));
                const DWORD error = where.absoluteDir().exists() ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND;
                const std::u16string reason = us(file_->errorString());
                file_.reset();
                return fail(error, u"The PDF file " + inQuotes(path) + u" could not be written: " + reason + u".");
            }
            target = file_.get();
        } else {
            if (!queueUsable(job_.queue)) return SP_ERROR;
            temp_ = std::make_unique<QTemporaryFile>(QDir::tempPath() + "/tessellon-job-XXXXXX.pdf");
            if (!temp_->open()) {
                const std::u16string reason = us(temp_->errorString());
                temp_.reset();
                return fail(ERROR_WRITE_FAULT, u"The print job could not be prepared: " + reason + u".");
            }
            target = temp_.get();
        }
        writer_ = std::make_unique<QPdfWriter>(target);
        writer_->setResolution(job_.resolution);
        writer_->setPageLayout(job_.layout);
        writer_->setTitle(qs(name));
        writer_->setCreator("Tessellon");
        device_ = writer_.get();
        const int job = PagedDevice::startDoc(name, output);
        if (job <= 0) {
            discard();
            return fail(ERROR_WRITE_FAULT, u"The print job " + inQuotes(name) + u" could not be started.");
        }
        clearPrintError();
        return job;
    }

    int startPage() override {
        if (!inDocument()) return fail(ERROR_INVALID_FUNCTION, u"No print job is running.");
        const int r = PagedDevice::startPage();
        if (r <= 0) return fail(ERROR_WRITE_FAULT, u"A new page could not be started.");
        return r;
    }

    int endPage() override {
        const int r = PagedDevice::endPage();
        if (r <= 0) return fail(ERROR_INVALID_FUNCTION, u"No page is being printed.");
        return r;
    }

    int endDoc() override {
        if (!inDocument()) return fail(ERROR_INVALID_FUNCTION, u"No print job is running.");
        const bool painted = PagedDevice::endDoc() > 0;
        writer_.reset();
        device_ = nullptr;
        bool ok = false;
        if (job_.pdf) {
            if (!painted) {
                file_->cancelWriting();
                fail(ERROR_WRITE_FAULT, u"The PDF file " + inQuotes(path_) + u" could not be written.");
            } else if (!file_->commit()) {
                fail(ERROR_WRITE_FAULT, u"The PDF file " + inQuotes(path_) + u" could not be written: " +
                                            us(file_->errorString()) + u".");
            } else {
                ok = true;
            }
            file_.reset();
        } else {
            const bool written = painted && temp_->flush() && temp_->error() == QFileDevice::NoError;
            if (!written) {
                fail(ERROR_WRITE_FAULT, u"The print job could not be prepared: " + us(temp_->errorString()) + u".");
            } else if (queueUsable(job_.queue)) {
                ok = submitToQueue(job_.queue, us(temp_->fileName()), title_, us(job_.layout.pageSize().key())) > 0;
            }
            temp_.reset();
        }
        if (!ok) return SP_ERROR;
        clearPrintError();
        return 1;
    }

    int abortDoc() override {
        if (!inDocument()) return fail(ERROR_INVALID_FUNCTION, u"No print job is running.");
        PagedDevice::abortDoc();
        discard();
        clearPrintError();
        return 1;
    }

private:
    int fail(DWORD error, const std::u16string& text) {
        setPrintError(error, text);
        return SP_ERROR;
    }

    // Whether the queue exists, runs and accepts jobs; else the print error says why.
    bool queueUsable(const std::u16string& queue) {
        const QueueStatus s = queueStatus(queue);
        std::u16string why;
        DWORD error = ERROR_INVALID_PRINTER_STATE;
        if (!s.exists) {
            why = u"The printer " + inQuotes(queue) + u" is not available.";
            error = ERROR_INVALID_PRINTER_NAME;
        } else if (s.stopped) {
            why = u"The printer " + inQuotes(queue) + u" is stopped.";
        } else if (!s.accepting) {
            why = u"The printer " + inQuotes(queue) + u" does not accept jobs.";
        } else {
            return true;
        }
        if (!s.message.empty()) why += u" (" + s.message + u")";
        fail(error, why);
        return false;
    }

    void discard() {
        writer_.reset();
        device_ = nullptr;
        if (file_) file_->cancelWriting();
        file_.reset();
        temp_.reset();
    }

    static std::u16string suggestedFile(const std::u16string& title) {
        QString base = qs(title).trimmed();
        for (QChar& c : base)
            if (c == '/' || c == '\\' || c == ':' || c.unicode() < 32) c = '_';
        if (base.isEmpty()) base = "Tessellon";
        QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (dir.isEmpty() || !QDir(dir).exists()) dir = QDir::homePath();
        return us(dir + "/" + base + ".pdf");
    }

    std::shared_ptr<QtPrinter::State> state_;
    QtPrinter::State job_;
    std::u16string title_;
    std::u16string path_;
    // The files before the writer, which must go first.
    std::unique_ptr<QSaveFile> file_;
    std::unique_ptr<QTemporaryFile> temp_;
    std::unique_ptr<QPdfWriter> writer_;
};

}  // namespace

QtPrinter::QtPrinter(std::shared_ptr<State> state) : state_(std::move(state)) {}
QtPrinter::~QtPrinter() = default;

std::shared_ptr<QtPrinter> QtPrinter::queue(const std::u16string& name) {
    if (name.empty()) return nullptr;
    const QPrinterInfo info = QPrinterInfo::printerInfo(qs(name));
    if (info.isNull()) return nullptr;
    auto state = std::make_shared<State>();
    state->queue = name;
    state->layout = queueLayout(info, std::nullopt, QPageLayout::Portrait);
    state->resolution = QPrinter(info, QPrinter::HighResolution).resolution();
    if (state->resolution <= 0) state->resolution = 600;
    return std::shared_ptr<QtPrinter>(new QtPrinter(state));
}

std::shared_ptr<QtPrinter> QtPrinter::pdfFile() {
    auto state = std::make_shared<State>();
    state->pdf = true;
    state->layout = QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(5, 5, 5, 5),
                                QPageLayout::Millimeter);
    state->resolution = 600;
    return std::shared_ptr<QtPrinter>(new QtPrinter(state));
}

std::u16string QtPrinter::name() const { return state_->pdf ? pdfPrinterName() : state_->queue; }

HDC QtPrinter::createDC() { return gdi::createDC(std::make_shared<QtPrinterDevice>(state_)); }

PaperOrientation QtPrinter::orientation() const {
    return state_->layout.orientation() == QPageLayout::Landscape ? PaperOrientation::Landscape
                                                                  : PaperOrientation::Portrait;
}

void QtPrinter::setOrientation(PaperOrientation orientation) {
    state_->layout.setOrientation(qtOrientation(orientation));
}

QPageSize QtPrinter::paper() const { return state_->layout.pageSize(); }

void QtPrinter::setPaper(const QPageSize& paper) {
    if (!paper.isValid()) return;
    const QPageLayout::Orientation o = state_->layout.orientation();
    if (state_->pdf) {
        state_->layout = QPageLayout(paper, o, QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter);
        return;
    }
    const QPrinterInfo info = QPrinterInfo::printerInfo(qs(state_->queue));
    if (info.isNull())
        state_->layout = QPageLayout(paper, o, QMarginsF(), QPageLayout::Point);
    else
        state_->layout = queueLayout(info, paper, o);
}

bool QtPrinter::isPdfFile() const { return state_->pdf; }
QPageLayout QtPrinter::pageLayout() const { return state_->layout; }
int QtPrinter::resolution() const { return state_->resolution; }
void QtPrinter::setSuggestedFile(const std::u16string& path) { state_->suggested = path; }

// ---- The recording printer ----

namespace {

class RecordingAdapter : public Printer {
public:
    RecordingAdapter(RecordingPrinter& printer, std::u16string name) : printer_(printer), name_(std::move(name)) {}
    std::u16string name() const override { return name_; }
    HDC createDC() override { return printer_.createDC(); }
    PaperOrientation orientation() const override {
        return printer_.orientation() == RecordingPrinter::Orientation::Landscape ? PaperOrientation::Landscape
                                                                                  : PaperOrientation::Portrait;
    }
    void setOrientation(PaperOrientation o) override {
        printer_.setOrientation(o == PaperOrientation::Landscape ? RecordingPrinter::Orientation::Landscape
                                                                 : RecordingPrinter::Orientation::Portrait);
    }
    QPageSize paper() const override {
        HDC dc = printer_.createDC();
        const int dpiX = GetDeviceCaps(dc, LOGPIXELSX), dpiY = GetDeviceCaps(dc, LOGPIXELSY);
        DeleteDC(dc);
        double w = printer_.physicalWidth() * 25.4 / dpiX, h = printer_.physicalHeight() * 25.4 / dpiY;
        if (printer_.orientation() == RecordingPrinter::Orientation::Landscape) {
            w = printer_.physicalHeight() * 25.4 / dpiY;
            h = printer_.physicalWidth() * 25.4 / dpiX;
        }
        return QPageSize(QSizeF(w, h), QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
    }
    void setPaper(const QPageSize& paper) override {
        if (!paper.isValid()) return;
        const QSizeF mm = paper.size(QPageSize::Millimeter);
        printer_.setPaper(mm.width(), mm.height());
    }

private:
    RecordingPrinter& printer_;
    std::u16string name_;
};

}  // namespace

std::shared_ptr<Printer> recordingPrinter(RecordingPrinter& printer, std::u16string name) {
    return std::make_shared<RecordingAdapter>(printer, std::move(name));
}

// ---- The session's printers ----

namespace {

std::shared_ptr<Printer>& current() {
    static std::shared_ptr<Printer> printer;
    return printer;
}

bool isQtPrinter(const std::shared_ptr<Printer>& p) { return dynamic_cast<QtPrinter*>(p.get()) != nullptr; }

}  // namespace

std::u16string pdfPrinterName() { return u"PDF file"; }

std::u16string defaultPrinterName() { return us(QPrinterInfo::defaultPrinterName()); }

std::vector<std::u16string> printerNames() {
    std::vector<std::u16string> names;
    for (const QString& n : QPrinterInfo::availablePrinterNames()) names.push_back(us(n));
    std::sort(names.begin(), names.end());
    names.push_back(pdfPrinterName());
    const auto& c = current();
    if (c && !isQtPrinter(c) && std::find(names.begin(), names.end(), c->name()) == names.end())
        names.push_back(c->name());
    return names;
}

std::shared_ptr<Printer> currentPrinter() {
    auto& c = current();
    if (!c) c = QtPrinter::queue(defaultPrinterName());
    if (!c) c = QtPrinter::pdfFile();
    return c;
}

void setCurrentPrinter(std::shared_ptr<Printer> printer) { current() = std::move(printer); }

bool selectPrinter(const std::u16string& name) {
    auto& c = current();
    if (c && c->name() == name) return true;
    std::shared_ptr<Printer> next;
    if (name == pdfPrinterName())
        next = QtPrinter::pdfFile();
    else
        next = QtPrinter::queue(name);
    if (!next) return false;
    // The orientation stays as the user set it.
    if (c) next->setOrientation(c->orientation());
    c = std::move(next);
    return true;
}

}  // namespace platform
