// The PDF file printer, the session's current printer, and the setup and file dialogs.
#include "platform/RecordingPrinter.h"
#include "platform/printer.h"
#include "platform/tests/GdiTestSupport.h"
#include "platform/winerror.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <unistd.h>

using platform::PaperOrientation;
using platform::QtPrinter;

namespace {

std::u16string wide(const std::string& s) { return QString::fromStdString(s).toStdU16String(); }
std::string narrow(const std::u16string& s) { return QString::fromStdU16String(s).toStdString(); }

// Answers the print-to-file dialog and records what it proposed.
struct ScriptedFile {
    std::optional<std::u16string> answer;
    std::vector<std::u16string> suggested;
    platform::PrintFileHandler previous;
    explicit ScriptedFile(std::optional<std::u16string> a) : answer(std::move(a)) {
        previous = platform::setPrintFileHandler([this](const std::u16string& s, QWidget*) {
            suggested.push_back(s);
            return answer;
        });
    }
    ~ScriptedFile() { platform::setPrintFileHandler(previous); }
};

// Keeps the session's printer as it was.
struct CurrentPrinterGuard {
    std::shared_ptr<platform::Printer> saved = platform::currentPrinter();
    ~CurrentPrinterGuard() { platform::setCurrentPrinter(saved); }
};

std::string pdfInfo(const std::string& pdf, const testsupport::TempDir& dir) {
    const std::string info = dir.file("info.txt");
    if (testsupport::runCommand("pdfinfo '" + pdf + "' > '" + info + "' 2>/dev/null") != 0) return {};
    const auto bytes = testsupport::readFile(info);
    return std::string(bytes.begin(), bytes.end());
}

int printSimpleDocument(HDC dc, const char* title, const char* output, int pages) {
    DOCINFOA di{sizeof di, title, output, nullptr, 0};
    const int job = StartDocA(dc, &di);
    if (job <= 0) return job;
    for (int p = 0; p < pages; ++p) {
        if (StartPage(dc) <= 0) return SP_ERROR;
        MoveToEx(dc, 0, 10 * p, nullptr);
        LineTo(dc, 300, 10 * p);
        if (EndPage(dc) <= 0) return SP_ERROR;
    }
    return EndDoc(dc);
}

}  // namespace

TEST(PrinterQt, PdfFilePrinterIsA4At600DpiWith5mmMargins) {
    auto printer = QtPrinter::pdfFile();
    EXPECT_TRUE(printer->isPdfFile());
    EXPECT_EQ(printer->name(), platform::pdfPrinterName());
    HDC dc = printer->createDC();
    EXPECT_EQ(GetDeviceCaps(dc, TECHNOLOGY), DT_RASPRINTER);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 600);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 600);
    // 210 x 297 mm at 600 dpi is 4961 x 7016; Qt's PDF page is 595 x 842 points.
    EXPECT_NEAR(GetDeviceCaps(dc, PHYSICALWIDTH), 4961, 4);
    EXPECT_NEAR(GetDeviceCaps(dc, PHYSICALHEIGHT), 7016, 4);
    EXPECT_NEAR(GetDeviceCaps(dc, PHYSICALOFFSETX), 118, 2);  // 5 mm
    EXPECT_NEAR(GetDeviceCaps(dc, PHYSICALOFFSETY), 118, 2);
    const int w = GetDeviceCaps(dc, PHYSICALWIDTH), h = GetDeviceCaps(dc, PHYSICALHEIGHT);
    EXPECT_NEAR(GetDeviceCaps(dc, HORZRES), w - 2 * 118, 3);
    EXPECT_NEAR(GetDeviceCaps(dc, VERTRES), h - 2 * 118, 3);
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 24);

    // The orientation switch turns the sheet; the DC follows.
    printer->setOrientation(PaperOrientation::Landscape);
    EXPECT_EQ(printer->orientation(), PaperOrientation::Landscape);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALWIDTH), h);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALHEIGHT), w);
    EXPECT_GT(GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES));
    printer->setPaper(QPageSize(QPageSize::A5));
    EXPECT_EQ(printer->orientation(), PaperOrientation::Landscape);
    EXPECT_NEAR(GetDeviceCaps(dc, PHYSICALWIDTH), 4961, 4);  // A5 landscape: 210 mm wide
    EXPECT_NEAR(GetDeviceCaps(dc, PHYSICALOFFSETX), 118, 2);
    DeleteDC(dc);
}

TEST(PrinterQt, PdfFilePrinterWritesThePagesToTheChosenFile) {
    testsupport::TempDir dir;
    const std::string file = dir.file("poster.pdf");
    ScriptedFile answer(wide(file));
    auto printer = QtPrinter::pdfFile();
    HDC dc = printer->createDC();
    const int ox = GetDeviceCaps(dc, PHYSICALOFFSETX), oy = GetDeviceCaps(dc, PHYSICALOFFSETY);
    DOCINFOA di{sizeof di, "Tessellon - poster", nullptr, nullptr, 0};
    ASSERT_GT(StartDocA(dc, &di), 0) << narrow(platform::printErrorText());
    ASSERT_EQ(answer.suggested.size(), 1u);
    EXPECT_EQ(QFileInfo(QString::fromStdU16String(answer.suggested[0])).fileName(), "Tessellon - poster.pdf");
    // Nothing reaches the target before the job ends.
    EXPECT_FALSE(QFile::exists(QString::fromStdString(file)));

    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    ASSERT_GT(StartPage(dc), 0);
    RECT r1{600, 600, 1800, 1200};
    FillRect(dc, &r1, red);
    ASSERT_GT(EndPage(dc), 0);
    ASSERT_GT(StartPage(dc), 0);
    // Blocks of 2 x 2 pixels, so that lossy compression of the picture keeps their colours.
    gditest::Dib dib(4, 2, 24);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) dib.set(x, y, x < 2 ? 0x00FF00 : 0x0000FF);
    EXPECT_EQ(StretchDIBits(dc, 0, 0, 1200, 600, 0, 0, 4, 2, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY), 2);
    ASSERT_GT(EndPage(dc), 0);
    ASSERT_GT(EndDoc(dc), 0) << narrow(platform::printErrorText());
    DeleteObject(red);
    DeleteObject(blue);
    DeleteDC(dc);
    ASSERT_TRUE(QFile::exists(QString::fromStdString(file)));
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(QString::fromStdString(dir.path())).entryList(QDir::Files).size(), 1);

    if (!testsupport::haveProgram("pdfinfo") || !testsupport::haveProgram("pdftoppm"))
        GTEST_SKIP() << "pdfinfo and pdftoppm (poppler-utils) check the file's pages";
    const std::string info = pdfInfo(file, dir);
    const auto pages = info.find("Pages:");
    ASSERT_NE(pages, std::string::npos) << info;
    EXPECT_EQ(std::atoi(info.c_str() + pages + 6), 2) << info;
    EXPECT_NE(info.find("595 x 842 pts"), std::string::npos) << info;
    EXPECT_NE(info.find("Tessellon - poster"), std::string::npos) << info;  // the document's title

    // Rasterised at 100 dpi, a sixth of the printer's: the margins shift everything by 5 mm.
    const std::string base = dir.file("page");
    ASSERT_EQ(testsupport::runCommand("pdftoppm -r 100 -png '" + file + "' '" + base + "'"), 0);
    QImage p1(QString::fromStdString(base + "-1.png")), p2(QString::fromStdString(base + "-2.png"));
    ASSERT_FALSE(p1.isNull());
    ASSERT_FALSE(p2.isNull());
    auto at = [&](const QImage& img, int x, int y) { return img.pixel((ox + x) / 6, (oy + y) / 6) & 0xFFFFFF; };
    EXPECT_EQ(at(p1, 1200, 900), 0xFF0000u);
    EXPECT_EQ(at(p1, 500, 900), 0xFFFFFFu);
    EXPECT_EQ(at(p1, 1900, 900), 0xFFFFFFu);
    EXPECT_EQ(at(p1, 1200, 1300), 0xFFFFFFu);
    EXPECT_NEAR(qGreen(at(p2, 300, 300)), 255, 24);
    EXPECT_LT(qRed(at(p2, 300, 300)) + qBlue(at(p2, 300, 300)), 48);
    EXPECT_NEAR(qBlue(at(p2, 900, 300)), 255, 24);
    EXPECT_EQ(at(p2, 600, 900), 0xFFFFFFu);
}

TEST(PrinterQt, CancelledFileDialogEndsTheJobWithoutError) {
    ScriptedFile answer(std::nullopt);
    auto printer = QtPrinter::pdfFile();
    HDC dc = printer->createDC();
    platform::setPrintError(ERROR_ACCESS_DENIED, u"earlier failure");
    DOCINFOW di{sizeof di, u"cancelled", nullptr, nullptr, 0};
    EXPECT_EQ(StartDocW(dc, &di), SP_ERROR);
    EXPECT_EQ(GetLastError(), platform::errorCancelled);
    EXPECT_TRUE(platform::printErrorText().empty());
    EXPECT_EQ(StartPage(dc), SP_ERROR);
    EXPECT_EQ(EndDoc(dc), SP_ERROR);

    // The DC prints again once a file is given.
    testsupport::TempDir dir;
    answer.answer = wide(dir.file("second.pdf"));
    EXPECT_GT(printSimpleDocument(dc, "second", nullptr, 1), 0);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(dir.file("second.pdf"))));
    DeleteDC(dc);
}

TEST(PrinterQt, UnwritablePdfFilesFailAndKeepTheOldFile) {
    auto printer = QtPrinter::pdfFile();
    HDC dc = printer->createDC();
    testsupport::TempDir dir;

    // A missing folder fails at the start.
    const std::string missing = dir.file("no/such/folder/out.pdf");
    EXPECT_EQ(printSimpleDocument(dc, "missing", missing.c_str(), 1), SP_ERROR);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_NE(narrow(platform::printErrorText()).find(missing), std::string::npos) << narrow(platform::printErrorText());

    // A folder nobody may write into (the process file system refuses even root).
    EXPECT_EQ(printSimpleDocument(dc, "proc", "/proc/tessellon-out.pdf", 1), SP_ERROR);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_NE(narrow(platform::printErrorText()).find("could not be written"), std::string::npos);
    if (geteuid() != 0) {
        const std::string locked = dir.file("locked");
        ASSERT_TRUE(QDir().mkdir(QString::fromStdString(locked)));
        QFile::setPermissions(QString::fromStdString(locked), QFile::ReadOwner | QFile::ExeOwner);
        EXPECT_EQ(printSimpleDocument(dc, "locked", (locked + "/out.pdf").c_str(), 1), SP_ERROR);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
        QFile::setPermissions(QString::fromStdString(locked), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // The folder vanishes while the pages are drawn: the end fails, nothing is reported printed.
    const std::string folder = dir.file("vanishing");
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(folder)));
    const std::string target = folder + "/out.pdf";
    DOCINFOA di{sizeof di, "vanishing", target.c_str(), nullptr, 0};
    ASSERT_GT(StartDocA(dc, &di), 0) << narrow(platform::printErrorText());
    ASSERT_GT(StartPage(dc), 0);
    ASSERT_TRUE(QDir(QString::fromStdString(folder)).removeRecursively());
    EXPECT_EQ(EndDoc(dc), SP_ERROR);
    EXPECT_EQ(GetLastError(), ERROR_WRITE_FAULT);
    EXPECT_NE(narrow(platform::printErrorText()).find(target), std::string::npos);

    // An aborted job and a failed one leave an existing file as it was.
    const std::string old = dir.file("old.pdf");
    ASSERT_TRUE(testsupport::writeFile(old, {'o', 'l', 'd'}));
    DOCINFOA da{sizeof da, "aborted", old.c_str(), nullptr, 0};
    ASSERT_GT(StartDocA(dc, &da), 0);
    ASSERT_GT(StartPage(dc), 0);
    EXPECT_GT(AbortDoc(dc), 0);
    EXPECT_EQ(testsupport::readFile(old), (std::vector<unsigned char>{'o', 'l', 'd'}));
    EXPECT_EQ(QDir(QString::fromStdString(dir.path())).entryList(QDir::Files).size(), 1);
    // A DC freed during a job drops it too.
    HDC second = printer->createDC();
    ASSERT_GT(StartDocA(second, &da), 0);
    DeleteDC(second);
    EXPECT_EQ(testsupport::readFile(old), (std::vector<unsigned char>{'o', 'l', 'd'}));
    // A finished job replaces it.
    EXPECT_GT(printSimpleDocument(dc, "replaced", old.c_str(), 1), 0);
    const auto bytes = testsupport::readFile(old);
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "%PDF");
    DeleteDC(dc);
}

TEST(PrinterQt, CurrentPrinterIsTheDefaultQueueElseThePdfFilePrinter) {
    CurrentPrinterGuard guard;
    platform::setCurrentPrinter(nullptr);
    const std::u16string def = platform::defaultPrinterName();
    auto current = platform::currentPrinter();
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current->name(), def.empty() ? platform::pdfPrinterName() : def);
    EXPECT_EQ(platform::currentPrinter(), current);  // the same printer all session

    auto names = platform::printerNames();
    EXPECT_EQ(names.back(), platform::pdfPrinterName());
    if (!def.empty()) {
        EXPECT_NE(std::find(names.begin(), names.end(), def), names.end());
    }

    // Choosing a printer keeps the orientation; choosing the current one keeps its settings.
    current->setOrientation(PaperOrientation::Landscape);
    ASSERT_TRUE(platform::selectPrinter(platform::pdfPrinterName()));
    auto pdf = platform::currentPrinter();
    EXPECT_EQ(pdf->orientation(), PaperOrientation::Landscape);
    pdf->setPaper(QPageSize(QPageSize::A3));
    ASSERT_TRUE(platform::selectPrinter(platform::pdfPrinterName()));
    EXPECT_EQ(platform::currentPrinter(), pdf);
    EXPECT_EQ(platform::currentPrinter()->paper().id(), QPageSize::A3);
    EXPECT_FALSE(platform::selectPrinter(u"No such printer"));
    EXPECT_EQ(platform::currentPrinter(), pdf);

    // A printer set by code is listed and used.
    platform::RecordingPrinter recording(210, 297, 300);
    platform::setCurrentPrinter(platform::recordingPrinter(recording, u"Test printer"));
    names = platform::printerNames();
    EXPECT_EQ(names.back(), u"Test printer");
    HDC dc = platform::currentPrinter()->createDC();
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 300);
    DeleteDC(dc);
}

TEST(PrinterQt, RecordingPrinterAsAPrinter) {
    platform::RecordingPrinter recording(210, 297, 600, {5, 5, 5, 5});
    auto printer = platform::recordingPrinter(recording);
    EXPECT_EQ(printer->paper().id(), QPageSize::A4);
    printer->setOrientation(PaperOrientation::Landscape);
    EXPECT_EQ(recording.orientation(), platform::RecordingPrinter::Orientation::Landscape);
    EXPECT_EQ(printer->paper().id(), QPageSize::A4);  // the paper in its portrait form
    printer->setPaper(QPageSize(QPageSize::A5));
    EXPECT_EQ(recording.physicalWidth(), 4961);  // A5 landscape: 210 mm at 600 dpi
    EXPECT_EQ(recording.physicalHeight(), 3496);
    HDC dc = printer->createDC();
    EXPECT_GT(printSimpleDocument(dc, "recorded", nullptr, 2), 0);
    EXPECT_EQ(recording.pages().size(), 2u);
    DeleteDC(dc);
}

TEST(PrinterQt, SetupDialogChoosesPrinterPaperAndOrientation) {
    CurrentPrinterGuard guard;
    platform::setCurrentPrinter(QtPrinter::pdfFile());
    std::vector<platform::PrinterSetup> seen;
    std::function<bool(platform::PrinterSetup&)> script;
    auto previous = platform::setPrinterSetupHandler([&](platform::PrinterSetup& s, QWidget*) {
        seen.push_back(s);
        return script(s);
    });

    // Cancelled: nothing changes.
    script = [](platform::PrinterSetup& s) {
        s.orientation = PaperOrientation::Landscape;
        return false;
    };
    EXPECT_FALSE(platform::printerSetupDialog());
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].printer, platform::pdfPrinterName());
    EXPECT_EQ(seen[0].paper.id(), QPageSize::A4);
    EXPECT_EQ(seen[0].printers, platform::printerNames());
    EXPECT_EQ(platform::currentPrinter()->orientation(), PaperOrientation::Portrait);

    // Confirmed: paper, orientation and the proposed file last for the session.
    testsupport::TempDir dir;
    script = [&](platform::PrinterSetup& s) {
        s.paper = QPageSize(QPageSize::A3);
        s.orientation = PaperOrientation::Landscape;
        s.outputFile = wide(dir.file("chosen.pdf"));
        return true;
    };
    EXPECT_TRUE(platform::printerSetupDialog());
    auto printer = platform::currentPrinter();
    EXPECT_EQ(printer->paper().id(), QPageSize::A3);
    EXPECT_EQ(printer->orientation(), PaperOrientation::Landscape);
    HDC dc = printer->createDC();
    EXPECT_NEAR(GetDeviceCaps(dc, PHYSICALWIDTH), 420 * 600 / 25.4, 4);
    ScriptedFile answer(wide(dir.file("printed.pdf")));
    EXPECT_GT(printSimpleDocument(dc, "A3", nullptr, 1), 0);
    ASSERT_EQ(answer.suggested.size(), 1u);
    EXPECT_EQ(answer.suggested[0], wide(dir.file("chosen.pdf")));
    DeleteDC(dc);
    seen.clear();
    script = [](platform::PrinterSetup&) { return true; };
    EXPECT_TRUE(platform::printerSetupDialog());
    EXPECT_EQ(seen.at(0).orientation, PaperOrientation::Landscape);
    EXPECT_EQ(seen.at(0).paper.id(), QPageSize::A3);

    // A printer that is not there is refused with a message.
    script = [](platform::PrinterSetup& s) {
        s.printer = u"VanishedQueue";
        return true;
    };
    EXPECT_FALSE(platform::printerSetupDialog());
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PRINTER_NAME);
    EXPECT_NE(narrow(platform::printErrorText()).find("VanishedQueue"), std::string::npos);
    EXPECT_EQ(platform::currentPrinter(), printer);
    platform::setPrinterSetupHandler(previous);
}

TEST(PrinterQt, RealDialogsReportTheUsersChoice) {
    // Qt's print dialog, confirmed as it opens: the PDF file printer, paper and orientation
    // come back as they went in.
    platform::PrinterSetup setup;
    setup.printers = {platform::pdfPrinterName()};
    setup.printer = platform::pdfPrinterName();
    setup.paper = QPageSize(QPageSize::A5);
    setup.orientation = PaperOrientation::Landscape;
    testsupport::TempDir dir;
    setup.outputFile = wide(dir.file("setup.pdf"));
    QTimer::singleShot(0, [] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->accept();
    });
    ASSERT_TRUE(platform::showQtPrinterSetupDialog(setup, nullptr));
    EXPECT_EQ(setup.printer, platform::pdfPrinterName());
    EXPECT_EQ(setup.paper.id(), QPageSize::A5);
    EXPECT_EQ(setup.orientation, PaperOrientation::Landscape);
    QTimer::singleShot(0, [] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
    });
    EXPECT_FALSE(platform::showQtPrinterSetupDialog(setup, nullptr));
    const std::u16string queue = platform::defaultPrinterName();
    if (!queue.empty()) {
        // On a queue the paper stays when the user does not open the properties.
        setup.printer = queue;
        QTimer::singleShot(0, [] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->accept();
        });
        ASSERT_TRUE(platform::showQtPrinterSetupDialog(setup, nullptr));
        EXPECT_EQ(setup.printer, queue);
        EXPECT_EQ(setup.paper.id(), QPageSize::A5);
        EXPECT_EQ(setup.orientation, PaperOrientation::Landscape);
    }

    // The save dialog: a name without extension gets ".pdf"; cancelling gives nothing.
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!d) return;
        d->selectFile(QString::fromStdString(dir.file("typed")));
        QMetaObject::invokeMethod(d, "accept");
    });
    const auto chosen = platform::showQtPrintFileDialog(wide(dir.file("suggested.pdf")), nullptr);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, wide(dir.file("typed.pdf")));
    QTimer::singleShot(0, [] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
    });
    EXPECT_FALSE(platform::showQtPrintFileDialog(wide(dir.file("suggested.pdf")), nullptr).has_value());
}
