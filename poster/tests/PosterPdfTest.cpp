// Posters printed to a PDF file: an unchanged JPEG keeps the file's own data, a changed
// picture is embedded within its quality, the pages match the recording printer's, and
// pages rendered first stay fast with the windows painting.
#include "poster/PosterPrint.h"

#include "platform/RecordingPrinter.h"
#include "platform/msgbox.h"
#include "platform/printer.h"
#include "poster/Pixwerk.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace poster;

namespace {

#define REQUIRE_POPPLER()                                                                 \
    if (!testsupport::haveProgram("pdfimages") || !testsupport::haveProgram("pdftoppm")) \
        GTEST_SKIP() << "pdfimages and pdftoppm (poppler-utils) read the documents back";

UniqueDib open(const std::string& path) {
    TDib d{};
    OpenDib(&d, path.c_str(), PW_BY_EXTENSION, nullptr);
    return UniqueDib(d);
}

// The picture's pixels as an image, top-down.
QImage imageOf(const TDib& dib) {
    const int w = DibWidth(dib), h = DibHeight(dib);
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        const BYTE* row = dib.Bits + static_cast<std::size_t>(h - 1 - y) * dib.LineBytes;
        for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]));
    }
    return image;
}

// The PDF file printer writing to `file`.
std::shared_ptr<platform::QtPrinter> pdfPrinter(const std::string& file) {
    auto printer = platform::QtPrinter::pdfFile();
    platform::setPrintFileHandler([file](const std::u16string&, QWidget*) {
        return std::optional<std::u16string>(QString::fromStdString(file).toStdU16String());
    });
    return printer;
}

struct PosterPdf : ::testing::Test {
    testsupport::TempDir dir;
    std::string jpeg = dir.file("photo.jpg");
    PosterSetup setup;
    PageMask mask;
    platform::ScriptedMessageBoxes boxes;
    void SetUp() override {
        ASSERT_TRUE(testsupport::writeJpeg(testsupport::photoLike(600, 400, 21), jpeg, 90, false));
        setup.across = setup.down = 2;
        setup.columns = setup.rows = 2;
        setup.options.cutLines = setup.options.glueLines = true;
        setup.options.edgeForGlue = setup.options.cutHints = true;
        setup.glueX = setup.glueY = 6;
    }
    void TearDown() override { platform::setPrintFileHandler({}); }
    PrintResult print(const std::string& pdf) {
        auto target = printerTarget(pdfPrinter(pdf));
        return PrintPoster(*target, setup);
    }
};

}  // namespace

TEST_F(PosterPdf, AnUnchangedJpegIsEmbeddedOnceAndThePagesAreTheRecordingPrintersPages) {
    REQUIRE_POPPLER();
    UniqueDib pic = open(jpeg);
    ASSERT_TRUE(pic);
    setup.dib = pic.get();
    const std::string pdf = dir.file("poster.pdf");
    const PrintResult r = print(pdf);
    ASSERT_TRUE(r.ok) << (boxes.texts().empty() ? "" : boxes.texts()[0]);
    EXPECT_EQ(r.pages, 4);
    const auto file = testsupport::readFile(jpeg);
    testsupport::TempDir images;
    const auto files = testsupport::extractPdfImages(pdf, images, "-j");
    ASSERT_EQ(files.size(), 4u);  // one image, on every page
    for (const std::string& f : files) EXPECT_EQ(testsupport::readFile(f), file);

    // The same poster on the recording printer of the PDF printer's sheet.
    platform::RecordingPrinter recording(210, 297, 600);
    auto recTarget = printerTarget(platform::recordingPrinter(recording));
    ASSERT_TRUE(PrintPoster(*recTarget, setup).ok);
    ASSERT_EQ(recording.pages().size(), 4u);
    HDC info = platform::QtPrinter::pdfFile()->createDC();
    const int ox = GetDeviceCaps(info, PHYSICALOFFSETX), oy = GetDeviceCaps(info, PHYSICALOFFSETY);
    DeleteDC(info);
    for (int page = 0; page < 4; ++page) {
        SCOPED_TRACE(page);
        const QImage& want = recording.pages()[page];
        const QImage got = testsupport::rasterisePdf(pdf, page + 1, 600, images, QRect(ox, oy, want.width(), want.height()));
        ASSERT_EQ(got.size(), want.size());
        // Point by point over the page: picture, lines and notes where the recording has them.
        int compared = 0, close = 0;
        for (int y = 3; y < want.height(); y += 37)
            for (int x = 3; x < want.width(); x += 37) {
                const QRgb a = got.pixel(x, y), b = want.pixel(x, y);
                ++compared;
                close += std::abs(qRed(a) - qRed(b)) < 24 && std::abs(qGreen(a) - qGreen(b)) < 24 &&
                         std::abs(qBlue(a) - qBlue(b)) < 24;
            }
        EXPECT_GT(close, compared * 97 / 100);
        // The ink of the notes: as much of it, within a fifth (the rasterisers smooth glyph
        // edges differently).
        auto dark = [](const QImage& i) {
            int n = 0;
            for (int y = 0; y < i.height(); y += 2)
                for (int x = 0; x < i.width(); x += 2) n += qGray(i.pixel(x, y)) < 60;
            return n;
        };
        const QRect strip(0, usableHeight(setup, want.height()), want.width(), want.height() - usableHeight(setup, want.height()));
        const int inkWant = dark(want.copy(strip)), inkGot = dark(got.copy(strip));
        if (page < 2) {
            EXPECT_GT(inkWant, 100);
        }
        EXPECT_NEAR(inkGot, inkWant, inkWant / 5 + 20);
    }
}

TEST_F(PosterPdf, OnePageOfAnUnchangedJpegIsItsSectionCutFromTheFile) {
    REQUIRE_POPPLER();
    UniqueDib pic = open(jpeg);
    setup.dib = pic.get();
    setup.mask = &mask;
    setup.printAll = false;
    for (int i = 0; i < 4; ++i) mask.setOff(i % 2, i / 2, i != 3);  // the last page only
    const std::string pdf = dir.file("one.pdf");
    const PrintResult r = print(pdf);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.pages, 1);
    testsupport::TempDir images;
    const auto files = testsupport::extractPdfImages(pdf, images, "-j");
    ASSERT_EQ(files.size(), 1u);
    const QImage cut = testsupport::readJpeg(files[0]);
    // Page (1, 1) shows the picture's lower right quarter, from (300, 200); the crop starts
    // at the block boundary there.
    ASSERT_EQ(cut.size(), QSize(304, 200));
    const QImage source = imageOf(pic.get());
    EXPECT_EQ(testsupport::psnr(cut, source.copy(296, 200, 304, 200)), 1000);
    EXPECT_LT(testsupport::readFile(pdf).size(), testsupport::readFile(jpeg).size());
}

TEST_F(PosterPdf, AChangedPictureIsEmbeddedFromItsPixelsVisuallyLossless) {
    REQUIRE_POPPLER();
    UniqueDib pic = open(jpeg);
    setpixel(pic.get(), 10, 10, 0x0000FF);
    setup.dib = pic.get();
    setup.options = PosterOptions{};
    const std::string pdf = dir.file("changed.pdf");
    ASSERT_TRUE(print(pdf).ok);
    testsupport::TempDir images;
    const auto files = testsupport::extractPdfImages(pdf, images, "-png");
    ASSERT_EQ(files.size(), 4u);
    const QImage source = imageOf(pic.get());
    for (int i = 0; i < 4; ++i) {
        const QImage got(QString::fromStdString(files[i]));
        ASSERT_EQ(got.size(), QSize(300, 200)) << i;
        EXPECT_GE(testsupport::psnr(got, source.copy(i % 2 * 300, i / 2 * 200, 300, 200)), 45.0) << i;
    }
    const std::string list = testsupport::commandOutput("pdfimages -list '" + pdf + "'");
    EXPECT_NE(list.find("jpeg"), std::string::npos);
}

TEST_F(PosterPdf, PagesRenderedFirstStayFastAndTheWindowsKeepPainting) {
    UniqueDib pic = open(jpeg);
    setup.dib = pic.get();
    setup.across = setup.down = 4;
    setup.columns = setup.rows = 4;
    setup.renderOwn = true;
    // Four of the 16 pages at 600 dpi: each one takes as long as in the whole poster.
    setup.mask = &mask;
    setup.printAll = false;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) mask.setOff(c, row, c != row);
    QWidget window;
    testsupport::PaintCounter counter;
    window.installEventFilter(&counter);
    window.resize(200, 50);
    window.show();
    QApplication::processEvents();
    counter.paints = 0;
    std::vector<int> steps;
    std::vector<qint64> times;
    QElapsedTimer timer;
    timer.start();
    const std::string pdf = dir.file("rendered.pdf");
    auto target = printerTarget(pdfPrinter(pdf));
    const PrintResult r = PrintPoster(*target, setup, [&](int p) {
        steps.push_back(p);
        times.push_back(timer.elapsed());
        window.update();
    });
    ASSERT_TRUE(r.ok) << (boxes.texts().empty() ? "" : boxes.texts()[0]);
    EXPECT_EQ(r.pages, 4);
    ASSERT_EQ(steps.size(), 18u);  // 0, each of the 16 pages, 0
    EXPECT_EQ(steps[16], 100);
    qint64 slowest = 0;
    for (std::size_t i = 1; i < times.size(); ++i) slowest = std::max(slowest, times[i] - times[i - 1]);
    if (testsupport::TimingChecked()) {
        EXPECT_LT(slowest, 2000);
    }
    // The progress was painted on the way.
    EXPECT_GE(counter.paints, 4);
    // The pages are the printer's size at its resolution.
    if (testsupport::haveProgram("pdfimages")) {
        const std::string list = testsupport::commandOutput("pdfimages -list '" + pdf + "'");
        HDC info = platform::QtPrinter::pdfFile()->createDC();
        const std::string w = " " + std::to_string(GetDeviceCaps(info, HORZRES)) + " ";
        const std::string h = " " + std::to_string(GetDeviceCaps(info, VERTRES)) + " ";
        DeleteDC(info);
        EXPECT_NE(list.find(w), std::string::npos) << list;
        EXPECT_NE(list.find(h), std::string::npos) << list;
    }
}

TEST_F(PosterPdf, AFullDiskIsReportedInABoxAndTheOldFileStays) {
    UniqueDib pic = open(jpeg);
    setpixel(pic.get(), 0, 0, 0);  // changed: the pages carry the pixels
    setup.dib = pic.get();
    const std::string pdf = dir.file("poster.pdf");
    ASSERT_TRUE(testsupport::writeFile(pdf, {'o', 'l', 'd'}));
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = saved;
    limit.rlim_cur = 32 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const PrintResult r = print(pdf);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_NE(boxes.texts()[0].find("could not be written"), std::string::npos) << boxes.texts()[0];
    EXPECT_EQ(boxes.captions()[0], "Error");
    EXPECT_EQ(testsupport::readFile(pdf), (std::vector<unsigned char>{'o', 'l', 'd'}));
}
