// A 2 x 2 poster of the start picture printed through a real CUPS queue with a PDF driver
// (scripts/cups.sh sets it up and names it in TESSELLON_CUPS_QUEUE and TESSELLON_CUPS_OUT):
// the PDF that arrives has the pages the recording printer makes for the same paper.
#include "poster/PosterPrint.h"

#include "platform/RecordingPrinter.h"
#include "platform/msgbox.h"
#include "platform/printer.h"
#include "poster/Pixwerk.h"
#include "testsupport/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

using namespace poster;

using testsupport::env;

TEST(PosterCups, TwoByTwoPosterOfTheStartPicture) {
    const std::string queue = env("TESSELLON_CUPS_QUEUE"), outDir = env("TESSELLON_CUPS_OUT");
    if (queue.empty() || outDir.empty())
        GTEST_SKIP() << "TESSELLON_CUPS_QUEUE and TESSELLON_CUPS_OUT are not set: run scripts/cups.sh";
    if (!testsupport::haveProgram("pdftoppm") || !testsupport::haveProgram("pdfinfo"))
        GTEST_SKIP() << "pdftoppm and pdfinfo (poppler-utils) are needed";

    TDib opened{};
    OpenDib(&opened, TESSELLON_SOURCE_DIR "/app/poster.stb", PW_JIF, nullptr);
    UniqueDib pic(opened);
    ASSERT_NE(opened.Bits, nullptr) << DibErrorText(opened);

    auto printer = platform::QtPrinter::queue(QString::fromStdString(queue).toStdU16String());
    ASSERT_NE(printer, nullptr);
    const int dpi = printer->resolution();

    // 1.8 pages each way over 2 x 2 pages, centred: the covered part of each page, and with it
    // the cut and glue lines, lies inside the sheet.
    PosterSetup setup;
    setup.dib = pic.get();
    setup.across = setup.down = 1.8;
    setup.columns = setup.rows = 2;
    setup.options.center = true;
    setup.options.cutLines = true;
    setup.options.glueLines = true;

    // The job title carries a token that names the file cups-pdf writes.
    struct Titled : PrintTarget {
        std::unique_ptr<PrintTarget> inner;
        std::u16string suffix;
        void setTitle(const std::u16string& t) override { inner->setTitle(t + suffix); }
        bool beginDoc() override { return inner->beginDoc(); }
        bool newPage() override { return inner->newPage(); }
        bool endDoc() override { return inner->endDoc(); }
        void abort() override { inner->abort(); }
        HDC handle() override { return inner->handle(); }
        PrinterCaps caps() override { return inner->caps(); }
        std::u16string errorText() const override { return inner->errorText(); }
        bool cancelled() const override { return inner->cancelled(); }
    } target;
    const std::string token = "poster" + std::to_string(getpid()) + "x" +
                              std::to_string(QDateTime::currentMSecsSinceEpoch() % 100000000);
    target.inner = printerTarget(printer);
    target.suffix = u" " + QString::fromStdString(token).toStdU16String();
    const PrinterCaps caps = target.caps();

    platform::ScriptedMessageBoxes boxes;
    const PrintResult result = PrintPoster(target, setup);
    ASSERT_TRUE(result.ok) << (boxes.texts().empty() ? "" : boxes.texts()[0]);
    EXPECT_EQ(result.pages, 4);
    const std::string pdf = testsupport::waitForCupsPdf(outDir, token);
    ASSERT_FALSE(pdf.empty()) << "no PDF arrived in " << outDir;

    testsupport::TempDir dir;
    const std::string info = dir.file("info.txt");
    ASSERT_EQ(testsupport::runCommand("pdfinfo '" + pdf + "' > '" + info + "'"), 0);
    const auto bytes = testsupport::readFile(info);
    const std::string text(bytes.begin(), bytes.end());
    ASSERT_NE(text.find("Pages:"), std::string::npos);
    EXPECT_EQ(std::atoi(text.c_str() + text.find("Pages:") + 6), 4);

    // The same pages on the recording printer, one at a time (full-resolution pages are large).
    platform::RecordingPrinter recording(caps.physicalWidth * 25.4 / dpi, caps.physicalHeight * 25.4 / dpi, dpi,
                                         platform::PrinterMargins{0, 0, 0, 0});
    auto recTarget = printerTarget(platform::recordingPrinter(recording));
    const PrinterCaps recCaps = recTarget->caps();
    ASSERT_EQ(recCaps.pageWidth, caps.pageWidth);
    ASSERT_EQ(recCaps.pageHeight, caps.pageHeight);
    PageMask mask;
    setup.mask = &mask;
    setup.printAll = false;
    const QRect across(0, caps.pageHeight / 2 - 50, caps.pageWidth, 100);
    const QRect down(caps.pageWidth / 2 - 50, 0, 100, caps.pageHeight);
    auto render = [&](int page, bool lines) {
        for (int i = 0; i < 4; ++i) mask.setOff(i % 2, i / 2, i != page);
        setup.options.cutLines = setup.options.glueLines = lines;
        recording.clear();
        EXPECT_TRUE(PrintPoster(*recTarget, setup).ok);
        return recording.pages().empty() ? QImage() : recording.pages()[0].convertToFormat(QImage::Format_RGB32);
    };
    for (int page = 0; page < 4; ++page) {
        // The lines are where the recording printer's page with lines differs from the one
        // without, in a band across the middle of the page and one down it.
        QImage plain = render(page, false);
        const QImage plainAcross = plain.copy(across), plainDown = plain.copy(down);
        plain = QImage();
        const QImage expected = render(page, true);
        ASSERT_FALSE(expected.isNull());
        const QImage wantAcross = expected.copy(across), wantDown = expected.copy(down);
        std::vector<int> columns, rows;
        for (int x = 0; x < across.width(); ++x) {
            int changed = 0;
            for (int y = 0; y < across.height(); ++y) changed += wantAcross.pixel(x, y) != plainAcross.pixel(x, y);
            if (changed > across.height() / 4) columns.push_back(x);
        }
        for (int y = 0; y < down.height(); ++y) {
            int changed = 0;
            for (int x = 0; x < down.width(); ++x) changed += wantDown.pixel(x, y) != plainDown.pixel(x, y);
            if (changed > down.width() / 4) rows.push_back(y);
        }
        EXPECT_EQ(columns.size(), 4u) << page;  // a cut and a glue line, two pixels each
        EXPECT_EQ(rows.size(), 4u) << page;
        // On paper the same pixels are dark.
        const QImage gotAcross = testsupport::rasterisePdf(pdf, page + 1, dpi, dir, across);
        const QImage gotDown = testsupport::rasterisePdf(pdf, page + 1, dpi, dir, down);
        ASSERT_EQ(gotAcross.size(), across.size());
        ASSERT_EQ(gotDown.size(), down.size());
        for (int x : columns) {
            int dark = 0, matched = 0;
            for (int y = 0; y < across.height(); ++y)
                if (qGray(wantAcross.pixel(x, y)) < 40) {
                    ++dark;
                    matched += qGray(gotAcross.pixel(x, y)) < 100;
                }
            EXPECT_GT(matched, dark * 8 / 10) << "page " << page << " column " << x;
        }
        for (int y : rows) {
            int dark = 0, matched = 0;
            for (int x = 0; x < down.width(); ++x)
                if (qGray(wantDown.pixel(x, y)) < 40) {
                    ++dark;
                    matched += qGray(gotDown.pixel(x, y)) < 100;
                }
            EXPECT_GT(matched, dark * 8 / 10) << "page " << page << " row " << y;
        }

        // The picture's part: both pages at 25 dpi, compared point by point.
        const QImage got = testsupport::rasterisePdf(pdf, page + 1, 25, dir);
        ASSERT_FALSE(got.isNull());
        const QImage want = expected.scaled(got.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        int compared = 0, close = 0;
        for (int y = 4; y < got.height() - 4; y += 6)
            for (int x = 4; x < got.width() - 4; x += 6) {
                const QRgb a = got.pixel(x, y), b = want.pixel(x, y);
                ++compared;
                close += std::abs(qRed(a) - qRed(b)) < 48 && std::abs(qGreen(a) - qGreen(b)) < 48 &&
                         std::abs(qBlue(a) - qBlue(b)) < 48;
            }
        EXPECT_GT(close, compared * 9 / 10) << page;
        // The blank margin left by the centring is white on paper too.
        if (page == 0) {
            EXPECT_GT(qGray(got.pixel(1, 1)), 240);
        }
    }
}
