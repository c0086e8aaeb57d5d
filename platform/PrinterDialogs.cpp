// The printer setup dialog and the print-to-file dialog, each through a seam tests answer.
#include "platform/printer.h"

#include "platform/winerror.h"
#include "platform/winuser.h"

#include <QApplication>
#include <QChildEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>

#include <algorithm>

namespace platform {

namespace {

PrinterSetupHandler& setupHandler() {
    static PrinterSetupHandler handler;
    return handler;
}

PrintFileHandler& fileHandler() {
    static PrintFileHandler handler;
    return handler;
}

QWidget* ownerWidget(HWND owner) { return owner ? windowWidget(owner) : nullptr; }

}  // namespace

PrinterSetupHandler setPrinterSetupHandler(PrinterSetupHandler handler) {
    std::swap(setupHandler(), handler);
    return handler;
}

PrintFileHandler setPrintFileHandler(PrintFileHandler handler) {
    std::swap(fileHandler(), handler);
    return handler;
}

namespace {

// Watches Qt's print dialog: selects its PDF entry when it opens on the PDF file printer
// (it picks a queue otherwise) and notes whether the user opened the printer's
// properties, where paper and orientation are chosen.
class SetupDialogWatch : public QObject {
public:
    SetupDialogWatch(QPrintDialog* dialog, bool pdf) : dialog_(dialog), pdf_(pdf) { dialog->installEventFilter(this); }
    bool propertiesShown() const { return propertiesShown_; }

    bool eventFilter(QObject* object, QEvent* event) override {
        if (object == dialog_) {
            if (event->type() == QEvent::ChildAdded)
                static_cast<QChildEvent*>(event)->child()->installEventFilter(this);
            if (event->type() == QEvent::Show && pdf_)
                if (auto* printers = dialog_->findChild<QComboBox*>("printers"); printers && printers->count() > 0)
                    printers->setCurrentIndex(printers->count() - 1);
        } else if (event->type() == QEvent::Show) {
            if (auto* w = qobject_cast<QWidget*>(object); w && w->isWindow()) propertiesShown_ = true;
        }
        return false;
    }

private:
    QPrintDialog* dialog_;
    bool pdf_;
    bool propertiesShown_ = false;
};

}  // namespace

bool showQtPrinterSetupDialog(PrinterSetup& setup, QWidget* parent) {
    const bool pdf = setup.printer == pdfPrinterName();
    QPrinter printer(QPrinter::HighResolution);
    if (pdf) {
        printer.setPrinterName(QString());
        printer.setOutputFormat(QPrinter::PdfFormat);
        if (!setup.outputFile.empty()) printer.setOutputFileName(QString::fromStdU16String(setup.outputFile));
    } else {
        printer.setPrinterName(QString::fromStdU16String(setup.printer));
    }
    if (setup.paper.isValid()) printer.setPageSize(setup.paper);
    printer.setPageOrientation(setup.orientation == PaperOrientation::Landscape ? QPageLayout::Landscape
                                                                                : QPageLayout::Portrait);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle("Printer setup");
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    // The dialog only sets up; nothing is printed when it closes.
    if (auto* box = dialog.findChild<QDialogButtonBox*>())
        if (QPushButton* ok = box->button(QDialogButtonBox::Ok)) ok->setText("OK");
    SetupDialogWatch watch(&dialog, pdf);
    if (dialog.exec() != QDialog::Accepted) return false;
    const std::u16string before = setup.printer;
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        setup.printer = pdfPrinterName();
        setup.outputFile = printer.outputFileName().toStdU16String();
    } else {
        setup.printer = printer.printerName().toStdU16String();
    }
    // Unless the user opened the properties, Qt's dialog reports a queue's default paper
    // rather than the one it was given: keep the paper then, unless the printer changed.
    const bool chosen = watch.propertiesShown();
    if (chosen || setup.printer != before) setup.paper = printer.pageLayout().pageSize();
    if (chosen)
        setup.orientation = printer.pageLayout().orientation() == QPageLayout::Landscape ? PaperOrientation::Landscape
                                                                                          : PaperOrientation::Portrait;
    return true;
}

bool printerSetupDialog(HWND owner) {
    std::shared_ptr<Printer> printer = currentPrinter();
    PrinterSetup setup;
    setup.printers = printerNames();
    setup.printer = printer->name();
    setup.paper = printer->paper();
    setup.orientation = printer->orientation();
    QWidget* parent = ownerWidget(owner);
    const bool ok = setupHandler() ? setupHandler()(setup, parent) : showQtPrinterSetupDialog(setup, parent);
    if (!ok) return false;
    if (setup.printer != printer->name()) {
        if (!selectPrinter(setup.printer)) {
            setPrintError(ERROR_INVALID_PRINTER_NAME, u"The printer \"" + setup.printer + u"\" is not available.");
            return false;
        }
        printer = currentPrinter();
    }
    if (setup.paper.isValid() && !setup.paper.isEquivalentTo(printer->paper())) printer->setPaper(setup.paper);
    printer->setOrientation(setup.orientation);
    if (auto* qt = dynamic_cast<QtPrinter*>(printer.get()); qt && qt->isPdfFile() && !setup.outputFile.empty())
        qt->setSuggestedFile(setup.outputFile);
    return true;
}

std::optional<std::u16string> showQtPrintFileDialog(const std::u16string& suggested, QWidget* parent) {
    QFileDialog dialog(parent, "Print to file", QString::fromStdU16String(suggested), "PDF files (*.pdf)");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix("pdf");
    dialog.selectFile(QString::fromStdU16String(suggested));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdU16String();
}

std::optional<std::u16string> askPrintFile(const std::u16string& suggested) {
    QWidget* parent = QApplication::activeWindow();
    return fileHandler() ? fileHandler()(suggested, parent) : showQtPrintFileDialog(suggested, parent);
}

}  // namespace platform
