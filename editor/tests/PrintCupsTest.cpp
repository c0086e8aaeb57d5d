// The editor's picture printed on one page through a real CUPS queue with a PDF driver
// (scripts/cups.sh sets it up and names it in TESSELLON_CUPS_QUEUE and TESSELLON_CUPS_OUT):
// a wide and a high picture, the page used fully and 50 % of it, centred and not. The PDF
// that arrives, rasterised, shows the picture where the preview put it.
#include "editor/PrintFUnit.h"
#include "editor/tests/EditorTestSupport.h"
#include "editor/tests/MainWindowFixture.h"
#include "classlib/Registry.h"
#include "platform/printer.h"

#include <QFileInfo>
#include <QPainter>

#include <mutex>

using namespace edtest;
using testsupport::env;

namespace {

int gradient(int x, int y) { return (x * 2 % 220) | (y * 3 % 220) << 8 | 90 << 16; }

// The box of the pixels that are clearly not white.
QRect inked(const QImage& page) {
    int left = page.width(), top = page.height(), right = -1, bottom = -1;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 235) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

}  // namespace

class PrintCups : public MainWindow {
protected:
    void SetUp() override {
        queue = env("TESSELLON_CUPS_QUEUE");
        outDir = env("TESSELLON_CUPS_OUT");
        if (queue.empty() || outDir.empty())
            GTEST_SKIP() << "TESSELLON_CUPS_QUEUE and TESSELLON_CUPS_OUT are not set: run scripts/cups.sh";
        if (!testsupport::haveProgram("pdftoppm") || !testsupport::haveProgram("pdfinfo"))
            GTEST_SKIP() << "pdftoppm and pdfinfo (poppler-utils) are needed";
        MainWindow::SetUp();
        printer = platform::QtPrinter::queue(QString::fromStdString(queue).toStdU16String());
        ASSERT_NE(printer, nullptr);
        platform::setCurrentPrinter(printer);
        previousSender = platform::setQueueSender([this](const platform::QueueJob& job) {
            const platform::QueueSent sent = platform::sendToCups(job);
            std::lock_guard<std::mutex> lock(mutex);
            jobs.emplace_back(sent.job, job.title);
            return sent;
        });
        TRegistry r;
        r.DeleteKey("Software\\" + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString() +
                    "\\TPrintForm");
    }
    void TearDown() override {
        if (!printer) return;
        platform::setQueueSender(previousSender);
        MainWindow::TearDown();
        platform::setCurrentPrinter(nullptr);
    }
    static void clickOn(TWinControl* c, bool mark = false) {
        QTest::mouseClick(widgetOf(c), Qt::LeftButton, {}, QPoint(mark ? 6 : c->Width() / 2, c->Height() / 2));
        settle();
    }
    std::pair<int, std::u16string> lastJob() {
        std::lock_guard<std::mutex> lock(mutex);
        return jobs.empty() ? std::pair<int, std::u16string>{0, u""} : jobs.back();
    }

    std::string queue, outDir;
    std::shared_ptr<platform::QtPrinter> printer;
    platform::QueueSender previousSender;
    std::mutex mutex;
    std::vector<std::pair<int, std::u16string>> jobs;
};

TEST_F(PrintCups, WideAndHighPicturesOnOnePageAsThePreviewShowsThem) {
    create();
    struct Case {
        int w, h;
        bool full, centred, landscape;
    };
    const Case cases[] = {{360, 180, true, true, false},  {360, 180, false, false, false},
                          {360, 180, true, false, false}, {360, 180, false, true, false},
                          {150, 300, true, true, false},  {150, 300, false, false, false},
                          {150, 300, true, false, false}, {150, 300, false, true, false},
                          {360, 180, true, true, true},   {150, 300, false, true, true}};
    testsupport::TempDir scratch;
    constexpr int R = 60;  // rasterised at 60 dots per inch
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        printer->setOrientation(c.landscape ? platform::PaperOrientation::Landscape
                                            : platform::PaperOrientation::Portrait);
        form->NewWindow(makePicture(c.w, c.h, 24, gradient), "cups", 0);
        RECT page{}, pic{};
        QImage preview;
        bool shown = false;
        whenShown([&] {
            TPrintForm* f = owned<TPrintForm>();
            ASSERT_NE(f, nullptr);
            shown = true;
            if (f->UserdefCheck->Checked() == c.full) clickOn(c.full ? f->UseFullCheck : f->UserdefCheck, true);
            if (f->ZentrCheck->Checked() != c.centred) clickOn(f->ZentrCheck, true);
            EXPECT_EQ(SpinInt(f->BreitEdit), 50);
            page = f->PreviewPage();
            pic = f->PreviewPicture();
            preview = widgetOf(f)->grab().toImage();
            clickOn(f->OkBitBtn1);
        });
        ASSERT_TRUE(chooseMenu({"File", "Printing..."}));
        ASSERT_TRUE(shown);
        EXPECT_TRUE(boxes.texts().empty()) << boxes.texts()[0];
        const auto [job, title] = lastJob();
        ASSERT_GT(job, 0);
        EXPECT_EQ(title, u"Tessellon: Chromalde Picture");
        const std::string pdf = testsupport::waitForCupsPdf(outDir, "-job_" + std::to_string(job) + ".pdf");
        ASSERT_FALSE(pdf.empty()) << "no PDF for job " << job << " in " << outDir;
        const std::string info = scratch.file("info.txt");
        ASSERT_EQ(testsupport::runCommand("pdfinfo '" + pdf + "' > '" + info + "'"), 0);
        const auto bytes = testsupport::readFile(info);
        const std::string text(bytes.begin(), bytes.end());
        ASSERT_NE(text.find("Pages:"), std::string::npos);
        EXPECT_EQ(std::atoi(text.c_str() + text.find("Pages:") + 6), 1);

        // Where the picture must be: the printable area's rectangle, moved by the margins.
        HDC dc = Printer()->Handle();
        const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
        const int offX = GetDeviceCaps(dc, PHYSICALOFFSETX), offY = GetDeviceCaps(dc, PHYSICALOFFSETY);
        const int pw = Printer()->PageWidth(), ph = Printer()->PageHeight();
        TPrintPlacement placement;
        placement.UseFull = c.full;
        placement.Centred = c.centred;
        placement.HeightPercent = std::clamp(std::trunc(double(c.h) * 50 / c.w * pw / ph), 1.0, 100.0);
        const RECT want = PrintRect(pw, ph, c.w, c.h, placement);
        QImage got = testsupport::rasterisePdf(pdf, 1, R, scratch);
        ASSERT_FALSE(got.isNull());
        // A landscape page comes on upright paper, turned a quarter to the left: turned back.
        EXPECT_LT(got.width(), got.height());
        if (c.landscape) got = got.transformed(QTransform().rotate(90));
        const QRect box = inked(got);
        auto at = [&](long long device, int offset) { return double(device + offset) * R / dpi; };
        EXPECT_NEAR(box.left(), at(want.left, offX), 2.0);
        EXPECT_NEAR(box.right() + 1, at(want.right, offX), 2.0);
        EXPECT_NEAR(box.top(), at(want.top, offY), 2.0);
        EXPECT_NEAR(box.bottom() + 1, at(want.bottom, offY), 2.0);
        // The preview's picture in its page, as fractions, is the printed one in the printable area.
        const double pageW = page.right - page.left, pageH = page.bottom - page.top;
        EXPECT_NEAR((pic.left - page.left) / pageW, (box.left() * dpi / double(R) - offX) / pw, 0.02);
        EXPECT_NEAR((pic.right - page.left) / pageW, ((box.right() + 1) * dpi / double(R) - offX) / pw, 0.02);
        EXPECT_NEAR((pic.top - page.top) / pageH, (box.top() * dpi / double(R) - offY) / ph, 0.02);
        EXPECT_NEAR((pic.bottom - page.top) / pageH, ((box.bottom() + 1) * dpi / double(R) - offY) / ph, 0.02);
        // The picture's colours on paper: the pixel a quarter in from the top-left corner.
        const QPoint q(box.left() + box.width() / 4, box.top() + box.height() / 4);
        const int v = gradient((q.x() - box.left()) * c.w / box.width(), (q.y() - box.top()) * c.h / box.height());
        const QColor paper = got.pixelColor(q);
        EXPECT_NEAR(paper.red(), v & 0xFF, 24);
        EXPECT_NEAR(paper.green(), (v >> 8) & 0xFF, 24);
        EXPECT_NEAR(paper.blue(), v >> 16, 24);

        // The dialog beside the page that came out of the queue.
        QImage sheet(preview.width() + 12 + got.width(), std::max(preview.height(), got.height()),
                     QImage::Format_RGB32);
        sheet.fill(Qt::darkGray);
        QPainter p(&sheet);
        p.drawImage(0, 0, preview);
        p.drawImage(preview.width() + 12, 0, got);
        p.end();
        saveShot(sheet, ("print-cups-" + std::to_string(n++) + ".png").c_str());
    }
}
