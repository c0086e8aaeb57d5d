// The printer object on the recording printer and the PDF file printer, its errors, the
// printer list and the setup dialog.
#include "classlib/Printers.h"


#include "platform/RecordingPrinter.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using platform::RecordingPrinter;

namespace {

// Answers the print-to-file dialog.
struct FileAnswer {
    platform::PrintFileHandler previous;
    explicit FileAnswer(std::optional<std::u16string> answer) {
        previous = platform::setPrintFileHandler([answer](const std::u16string&, QWidget*) { return answer; });
    }
    ~FileAnswer() { platform::setPrintFileHandler(previous); }
};

struct SessionGuard {
    std::shared_ptr<platform::Printer> saved = platform::currentPrinter();
    ~SessionGuard() { platform::setCurrentPrinter(saved); }
};

std::u16string wide(const std::string& s) { return QString::fromStdString(s).toStdU16String(); }

}  // namespace

TEST(Printers, JobOnTheRecordingPrinter) {
    RecordingPrinter recording(210, 297, 300, {5, 5, 5, 5});
    TPrinter printer(platform::recordingPrinter(recording));
    EXPECT_FALSE(printer.Printing());
    EXPECT_EQ(printer.PageNumber(), 0);
    EXPECT_EQ(printer.PageWidth(), recording.printableWidth());
    EXPECT_EQ(printer.PageHeight(), recording.printableHeight());
    EXPECT_EQ(GetDeviceCaps(printer.Handle(), LOGPIXELSY), 300);
    EXPECT_THROW(printer.NewPage(), EPrinter);
    EXPECT_THROW(printer.EndDoc(), EPrinter);
    // Outside a job the canvas measures on the printer.
    EXPECT_GT(printer.Canvas()->TextWidth("Edge for glue"), 0);
    EXPECT_EQ(printer.Canvas()->Font()->PixelsPerInch, 300);
    EXPECT_TRUE(recording.documents().empty());

    printer.SetTitle("Tessellon - poster");
    printer.BeginDoc();
    EXPECT_TRUE(printer.Printing());
    EXPECT_FALSE(printer.Aborted());
    EXPECT_EQ(printer.PageNumber(), 1);
    EXPECT_THROW(printer.BeginDoc(), EPrinter);
    EXPECT_THROW(printer.SetOrientation(poLandscape), EPrinter);
    EXPECT_EQ(printer.Canvas()->Font()->PixelsPerInch, 300);
    printer.Canvas()->Brush()->SetColor(clRed);
    printer.Canvas()->FillRect(RECT{10, 10, 50, 30});
    printer.NewPage();
    EXPECT_EQ(printer.PageNumber(), 2);
    printer.Canvas()->Pen()->SetColor(clBlue);
    printer.Canvas()->MoveTo(0, 5);
    printer.Canvas()->LineTo(100, 5);
    printer.EndDoc();
    EXPECT_FALSE(printer.Printing());

    ASSERT_EQ(recording.documents().size(), 1u);
    EXPECT_TRUE(recording.documents()[0].ended);
    EXPECT_EQ(recording.documentName(), u"Tessellon - poster");
    ASSERT_EQ(recording.pages().size(), 2u);
    EXPECT_EQ(recording.pages()[0].pixel(20, 20) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(recording.pages()[0].pixel(20, 5) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(recording.pages()[1].pixel(50, 5) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(recording.pages()[1].pixel(20, 20) & 0xFFFFFF, 0xFFFFFFu);

    // The orientation switch turns the page between jobs.
    const int portraitWidth = printer.PageWidth();
    printer.SetOrientation(poLandscape);
    EXPECT_EQ(printer.Orientation(), poLandscape);
    EXPECT_EQ(printer.PageHeight(), portraitWidth);

    // Abort drops the job.
    printer.BeginDoc();
    printer.Canvas()->FillRect(RECT{0, 0, 10, 10});
    printer.Abort();
    EXPECT_TRUE(printer.Aborted());
    EXPECT_FALSE(printer.Printing());
    EXPECT_TRUE(recording.documents().back().aborted);
    EXPECT_THROW(printer.Abort(), EPrinter);

    // Its own printer is its only one.
    ASSERT_EQ(printer.Printers()->Count(), 1);
    EXPECT_EQ(printer.Printers()->Strings(0), "Recording printer");
    EXPECT_EQ(printer.PrinterIndex(), 0);
    EXPECT_THROW(printer.SetPrinterIndex(1), EPrinter);
}

TEST(Printers, GlobalPrinterFollowsTheSessionsPrinter) {
    SessionGuard guard;
    RecordingPrinter recording(148, 210, 200);
    platform::setCurrentPrinter(platform::recordingPrinter(recording, u"Preview printer"));
    TPrinter* printer = Printer();
    EXPECT_EQ(Printer(), printer);
    TStrings* names = printer->Printers();
    const int own = names->IndexOf("Preview printer");
    const int pdf = names->IndexOf("PDF file");
    ASSERT_GE(own, 0);
    ASSERT_GE(pdf, 0);
    EXPECT_EQ(printer->PrinterIndex(), own);
    EXPECT_EQ(printer->PageWidth(), recording.printableWidth());

    printer->SetPrinterIndex(pdf);
    EXPECT_EQ(printer->PlatformPrinter()->name(), u"PDF file");
    EXPECT_EQ(printer->PrinterIndex(), printer->Printers()->IndexOf("PDF file"));
    EXPECT_EQ(GetDeviceCaps(printer->Handle(), LOGPIXELSX), 600);
    EXPECT_NEAR(printer->PageWidth(), 4961 - 2 * 118, 4);
    EXPECT_THROW(printer->SetPrinterIndex(-2), EPrinter);
    EXPECT_THROW(printer->SetPrinterIndex(printer->Printers()->Count()), EPrinter);
    printer->SetPrinterIndex(-1);  // the default printer
    EXPECT_EQ(printer->PlatformPrinter()->name(),
              platform::defaultPrinterName().empty() ? u"PDF file" : platform::defaultPrinterName());

    // A printer of its own replaces the global one until it is put back.
    TPrinter* mine = new TPrinter(platform::recordingPrinter(recording));
    TPrinter* old = SetPrinter(mine);
    EXPECT_EQ(old, printer);
    EXPECT_EQ(Printer(), mine);
    EXPECT_EQ(SetPrinter(old), mine);
    delete mine;
}

TEST(Printers, FailedAndCancelledJobs) {
    SessionGuard guard;
    platform::setCurrentPrinter(platform::QtPrinter::pdfFile());
    TPrinter printer;
    printer.SetTitle("failing");

    // Cancelled in the file dialog: the silent exception, no job.
    {
        FileAnswer cancel(std::nullopt);
        EXPECT_THROW(printer.BeginDoc(), EAbort);
        EXPECT_TRUE(printer.Aborted());
        EXPECT_FALSE(printer.Printing());
    }
    // A file that cannot be written: EPrinter with the platform's text.
    {
        FileAnswer refused(u"/proc/tessellon-printers.pdf");
        try {
            printer.BeginDoc();
            ADD_FAILURE() << "BeginDoc succeeded";
        } catch (const EPrinter& e) {
            EXPECT_NE(e.Message.find("/proc/tessellon-printers.pdf"), String::npos) << e.Message;
            EXPECT_NE(e.Message.find("could not be written"), String::npos) << e.Message;
        }
        EXPECT_FALSE(printer.Printing());
    }
    // The folder goes away during the job: EndDoc fails and the job is over.
    testsupport::TempDir dir;
    const std::string folder = dir.file("gone");
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(folder)));
    {
        FileAnswer answer(wide(folder + "/out.pdf"));
        printer.BeginDoc();
        printer.Canvas()->TextOut(10, 10, "page");
        ASSERT_TRUE(QDir(QString::fromStdString(folder)).removeRecursively());
        EXPECT_THROW(printer.EndDoc(), EPrinter);
        EXPECT_FALSE(printer.Printing());
    }
    // And a good job afterwards.
    {
        FileAnswer answer(wide(dir.file("good.pdf")));
        printer.BeginDoc();
        printer.NewPage();
        printer.EndDoc();
        EXPECT_TRUE(QFile::exists(QString::fromStdString(dir.file("good.pdf"))));
    }
}

TEST(Printers, SetupDialogChangesTheSessionsPrinter) {
    SessionGuard guard;
    platform::setCurrentPrinter(platform::QtPrinter::pdfFile());
    bool answer = false;
    auto previous = platform::setPrinterSetupHandler([&](platform::PrinterSetup& s, QWidget*) {
        s.orientation = platform::PaperOrientation::Landscape;
        return answer;
    });
    TPrinterSetupDialog dialog(nullptr);
    int shown = 0, closed = 0;
    dialog.OnShow = [&](TObject*) { ++shown; };
    dialog.OnClose = [&](TObject*) { ++closed; };
    const int portraitWidth = Printer()->PageWidth();
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(Printer()->Orientation(), poPortrait);
    answer = true;
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(Printer()->Orientation(), poLandscape);
    EXPECT_EQ(Printer()->PageHeight(), portraitWidth);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(closed, 2);
    Printer()->SetOrientation(poPortrait);
    platform::setPrinterSetupHandler(previous);
}

