// Printers: CUPS queues and the PDF file printer with our PDF document, the session's
// current printer and the recording printer as a Printer.
#include "platform/printer.h"

#include "DeviceContext.h"
#include "platform/RecordingPrinter.h"
#include "platform/winerror.h"

#include "PdfDocument.h"
#include "platform/winuser.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <thread>
#include <unistd.h>

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

QueueSender& sender() {
    static QueueSender s;
    return s;
}

// Sends the document on a worker thread; this thread serves its message queue meanwhile.
QueueSent sendWhileServing(const QueueJob& job) {
    const QueueSender send = sender() ? sender() : QueueSender(sendToCups);
    struct Shared {
        std::mutex mutex;
        bool done = false;
        QueueSent result;
    };
    auto shared = std::make_shared<Shared>();
    std::thread worker([shared, send, job] {
        QueueSent r = send(job);
        {
            std::lock_guard lock(shared->mutex);
            shared->result = std::move(r);
            shared->done = true;
        }
        // Wakes the waiting loop.
        PostMessageW(nullptr, WM_NULL, 0, 0);
    });
    auto finished = [&] {
        std::lock_guard lock(shared->mutex);
        return shared->done;
    };
    if (QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread())
        runMessageLoop(finished);
    worker.join();
    return shared->result;
}

// A document the queue refused, moved where the user finds it; empty when that failed.
std::u16string keepRefused(const std::string& file, const std::u16string& title) {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (dir.isEmpty() || !QDir(dir).exists()) dir = QDir::homePath();
    QString base = qs(title).trimmed();
    for (QChar& c : base)
        if (c == '/' || c == '\\' || c == ':' || c.unicode() < 32) c = '_';
    if (base.isEmpty()) base = "Tessellon";
    QString target = dir + "/" + base + " (not printed).pdf";
    for (int n = 2; QFileInfo::exists(target) && n < 1000; ++n)
        target = dir + "/" + base + " (not printed " + QString::number(n) + ").pdf";
    const QByteArray to = QFile::encodeName(target);
    if (::rename(file.c_str(), to.constData()) == 0) return us(target);
    // Another file system: copy it.
    if (QFile::copy(QFile::decodeName(QByteArray(file.c_str())), target)) {
        ::unlink(file.c_str());
        return us(target);
    }
    return {};
}

std::string systemPath(const std::u16string& path) { return QFile::encodeName(qs(path)).toStdString(); }

// A job on a QtPrinter: pages into our PDF document (the target file or a temporary file
// for the queue).
class QtPrinterDevice : public gdi::Device {
public:
    explicit QtPrinterDevice(std::shared_ptr<QtPrinter::State> state) : state_(std::move(state)) {}

    ~QtPrinterDevice() override {
        if (inDocument()) abortDoc();
    }

    bool inDocument() const { return pdf_ != nullptr; }
    pdf::Job* document() { return pdf_.get(); }

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

    QSize size() override {
        const gdi::DeviceCaps c = caps();
        return QSize(c.horzRes, c.vertRes);
    }

    QPainter* beginPainter() override { return inPage_ && painter_.isActive() ? &painter_ : nullptr; }

    int startDoc(const std::u16string& name, const std::u16string& output) override {
        if (inDocument()) return fail(ERROR_INVALID_FUNCTION, u"A print job is already running on this printer.");
        job_ = *state_;
        title_ = name;
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
            if (!out_.open(systemPath(path), true)) {
                const QFileInfo where(qs(path));
                const DWORD error = QFileInfo(where.absolutePath()).isDir() ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND;
                return fail(error, fileError());
            }
        } else {
            if (!queueUsable(job_.queue)) return SP_ERROR;
            if (!out_.open(systemPath(us(QDir::tempPath())) + "/tessellon-job-XXXXXX.pdf", false))
                return fail(ERROR_WRITE_FAULT,
                            u"The print job could not be prepared: " + us(QString::fromStdString(out_.error())) + u".");
        }
        pdf::JobSettings settings;
        settings.layout = job_.layout;
        settings.resolution = job_.resolution;
        settings.title = name;
        settings.pictures = pdfPictureSetting();
        settings.shareFiles = job_.pdf;
        pdf_ = std::make_unique<pdf::Job>(out_, settings);
        if (!painter_.begin(pdf_.get())) {
            discard();
            return fail(ERROR_WRITE_FAULT, u"The print job " + inQuotes(name) + u" could not be started.");
        }
        pages_ = 0;
        inPage_ = false;
        clearPrintError();
        return ++jobs_;
    }

    int startPage() override {
        if (!inDocument()) return fail(ERROR_INVALID_FUNCTION, u"No print job is running.");
        if (inPage_) return fail(ERROR_INVALID_FUNCTION, u"A page is already being printed.");
        if (pages_ > 0 && !pdf_->newPage()) return fail(ERROR_WRITE_FAULT, writeError());
        if (!pdf_->ok()) return fail(ERROR_WRITE_FAULT, writeError());
        ++pages_;
        inPage_ = true;
        return 1;
    }

    int endPage() override {
        if (!inPage_) return fail(ERROR_INVALID_FUNCTION, u"No page is being printed.");
        inPage_ = false;
        if (!pdf_->ok()) return fail(ERROR_WRITE_FAULT, writeError());
        return 1;
    }

    int endDoc() override {
        if (!inDocument()) return fail(ERROR_INVALID_FUNCTION, u"No print job is running.");
        inPage_ = false;
        painter_.end();
        const bool written = pdf_->finish() && out_.ok();
        const std::u16string why = writeError();
        pdf_.reset();
        if (!written) {
            out_.discard();
            return fail(ERROR_WRITE_FAULT, why);
        }
        if (!out_.commit()) return fail(ERROR_WRITE_FAULT, writeError());
        if (job_.pdf) {
            clearPrintError();
            return 1;
        }
        const std::string file = out_.target();
        // The queue may have stopped while the pages were drawn.
        bool ok = queueUsable(job_.queue);
        if (ok) {
            const QueueSent sent = sendWhileServing(
                QueueJob{job_.queue, us(QFile::decodeName(QByteArray(file.c_str()))), title_, us(job_.layout.pageSize().key())});
            ok = sent.job > 0;
            if (!ok) setPrintError(ERROR_INVALID_PRINTER_STATE, sent.error);
        }
        if (ok) {
            ::unlink(file.c_str());
            clearPrintError();
            return 1;
        }
        // The pages are not lost.
        const std::u16string kept = keepRefused(file, title_);
        if (kept.empty()) ::unlink(file.c_str());
        else setPrintError(GetLastError(), printErrorText() + u" The pages were saved in " + inQuotes(kept) + u".");
        return SP_ERROR;
    }

    int abortDoc() override {
        if (!inDocument()) return fail(ERROR_INVALID_FUNCTION, u"No print job is running.");
        discard();
        clearPrintError();
        return 1;
    }

private:
    int fail(DWORD error, const std::u16string& text) {
        setPrintError(error, text);
        return SP_ERROR;
    }

    std::u16string fileError() const {
        const std::u16string reason = us(QString::fromStdString(out_.error()));
        return u"The PDF file " + inQuotes(path_) + u" could not be written" + (reason.empty() ? u"" : u": " + reason) + u".";
    }

    std::u16string writeError() const {
        if (job_.pdf) {
            std::u16string text = fileError();
            if (pdf_ && !pdf_->error().empty() && out_.ok())
                text = u"The PDF file " + inQuotes(path_) + u" could not be written: " +
                       us(QString::fromStdString(pdf_->error())) + u".";
            return text;
        }
        const std::string e = pdf_ && !pdf_->error().empty() ? pdf_->error() : out_.error();
        return u"The print job could not be prepared: " + us(QString::fromStdString(e)) + u".";
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
        inPage_ = false;
        if (painter_.isActive()) painter_.end();
        pdf_.reset();
        out_.discard();
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
    // The output outlives the document written into it; the painter ends before both.
    pdf::Output out_;
    std::unique_ptr<pdf::Job> pdf_;
    QPainter painter_;
    int pages_ = 0;
    bool inPage_ = false;
    int jobs_ = 0;
};

}  // namespace

pdf::Job* pdfDocumentOf(HDC dc) {
    gdi::DC* d = gdi::findDC(dc);
    auto* device = d ? dynamic_cast<QtPrinterDevice*>(d->device.get()) : nullptr;
    return device ? device->document() : nullptr;
}

QueueSender setQueueSender(QueueSender s) {
    QueueSender old = std::move(sender());
    sender() = std::move(s);
    return old;
}

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
