// The printers' PDF documents: pictures from JPEG files kept as they are, pictures from
// pixels within their quality, text kept as text, and the document's file written safely.
#include "platform/digest.h"
#include "platform/pdf.h"
#include "platform/printer.h"
#include "platform/tests/GdiTestSupport.h"
#include "platform/winerror.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using platform::QtPrinter;

namespace {

std::string narrow(const std::u16string& s) { return QString::fromStdU16String(s).toStdString(); }

#define REQUIRE_POPPLER()                                                                             \
    if (!testsupport::haveProgram("pdfimages") || !testsupport::haveProgram("pdftoppm"))               \
        GTEST_SKIP() << "pdfimages and pdftoppm (poppler-utils) read the documents back";

// A bottom-up 24-bit DIB of an image.
std::unique_ptr<gditest::Dib> dibOf(const QImage& image) {
    auto dib = std::make_unique<gditest::Dib>(image.width(), image.height(), 24);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) dib->set(x, y, image.pixel(x, y) & 0xFFFFFF);
    return dib;
}

platform::JpegOrigin originOf(const std::string& path) {
    const auto bytes = testsupport::readFile(path);
    return platform::JpegOrigin{path, bytes.size(), platform::contentDigest(bytes.data(), bytes.size())};
}

// Draws the section (x, y, w, h; y from the top) of the DIB scaled by k at (dx, dy).
void drawSection(HDC dc, gditest::Dib& dib, int x, int y, int w, int h, int dx, int dy, int k) {
    StretchDIBits(dc, dx, dy, w * k, h * k, x, dib.height() - y - h, w, h, dib.bits(), dib.info(), DIB_RGB_COLORS,
                  SRCCOPY);
}

// The crop of a section that the document keeps: block boundaries, with a block around it
// for subsampled pictures.
QRect expectedCrop(const QRect& s, int width, int height, bool subsampled) {
    const int b = subsampled ? 16 : 8, m = subsampled ? 1 : 0;
    const int left = std::max(0, (s.left() / b - m) * b), top = std::max(0, (s.top() / b - m) * b);
    const int right = std::min(width, ((s.right() + b) / b + m) * b);
    const int bottom = std::min(height, ((s.bottom() + b) / b + m) * b);
    return QRect(left, top, right - left, bottom - top);
}

bool samePixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF)) return false;
    return true;
}

struct SettingGuard {
    platform::PdfPictureSetting saved = platform::pdfPictureSetting();
    ~SettingGuard() { platform::setPdfPictureSetting(saved); }
};

}  // namespace

TEST(PrinterPdf, UnchangedJpegSectionsAreCutFromTheFileAtBlockBoundariesAndClipped) {
    REQUIRE_POPPLER();
    for (const bool subsampled : {false, true}) {
        SCOPED_TRACE(subsampled ? "4:2:0" : "4:4:4");
        testsupport::TempDir dir;
        const std::string jpeg = dir.file("photo.jpg");
        ASSERT_TRUE(testsupport::writeJpeg(testsupport::photoLike(203, 157, 7), jpeg, 90, subsampled));
        const QImage decoded = testsupport::readJpeg(jpeg);
        ASSERT_FALSE(decoded.isNull());
        auto dib = dibOf(decoded);
        const platform::JpegOrigin origin = originOf(jpeg);

        auto printer = QtPrinter::pdfFile();
        HDC dc = printer->createDC();
        const int ox = GetDeviceCaps(dc, PHYSICALOFFSETX), oy = GetDeviceCaps(dc, PHYSICALOFFSETY);
        const std::string pdf = dir.file("out.pdf");
        DOCINFOA di{sizeof di, "sections", pdf.c_str(), nullptr, 0};
        ASSERT_GT(StartDocA(dc, &di), 0) << narrow(platform::printErrorText());
        const QRect sections[2] = {QRect(37, 45, 60, 50), QRect(120, 90, 70, 60)};
        for (const QRect& s : sections) {
            ASSERT_GT(StartPage(dc), 0);
            platform::JpegPictureScope scope(dc, dib->bits(), dib->lineBytes(), dib->width(), dib->height(), 24, origin);
            EXPECT_TRUE(scope.active());
            drawSection(dc, *dib, s.x(), s.y(), s.width(), s.height(), 300, 400, 4);
            ASSERT_GT(EndPage(dc), 0);
        }
        ASSERT_GT(EndDoc(dc), 0) << narrow(platform::printErrorText());
        DeleteDC(dc);

        // Each page's image is the file's own data for the crop, decoding to the same pixels.
        testsupport::TempDir images;
        const auto files = testsupport::extractPdfImages(pdf, images, "-j");
        ASSERT_EQ(files.size(), 2u);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(QFileInfo(QString::fromStdString(files[i])).suffix(), "jpg");
            const QImage cut = testsupport::readJpeg(files[i]);
            const QRect crop = expectedCrop(sections[i], decoded.width(), decoded.height(), subsampled);
            EXPECT_TRUE(crop.contains(sections[i]));
            EXPECT_NE(crop, sections[i]);
            ASSERT_EQ(cut.size(), crop.size()) << i;
            // The section's pixels exactly (around it, a subsampled crop's own edge may differ).
            EXPECT_TRUE(samePixels(cut.copy(sections[i].translated(-crop.topLeft())), decoded.copy(sections[i]))) << i;
            if (!subsampled) {
                EXPECT_TRUE(samePixels(cut, decoded.copy(crop))) << i;
            }
        }

        // On the page only the section shows, where the DC put it.
        const QImage page = testsupport::rasterisePdf(pdf, 1, 600, images, QRect(ox + 280, oy + 380, 280, 240));
        ASSERT_EQ(page.size(), QSize(280, 240));
        const QRect s = sections[0];
        EXPECT_EQ(gditest::rgb(page, 300 - 280 - 3, 100), 0xFFFFFFu);       // left of the destination
        EXPECT_EQ(gditest::rgb(page, 100, 400 - 380 - 3), 0xFFFFFFu);       // above it
        EXPECT_EQ(gditest::rgb(page, 300 + 240 - 280 + 3, 100), 0xFFFFFFu); // right of it
        int compared = 0, close = 0;
        for (int by = 0; by < s.height(); by += 7)
            for (int bx = 0; bx < s.width(); bx += 7) {
                const QRgb want = decoded.pixel(s.x() + bx, s.y() + by);
                const QRgb got = page.pixel(300 - 280 + 4 * bx + 2, 400 - 380 + 4 * by + 2);
                ++compared;
                close += std::abs(qRed(want) - qRed(got)) <= 6 && std::abs(qGreen(want) - qGreen(got)) <= 6 &&
                         std::abs(qBlue(want) - qBlue(got)) <= 6;
            }
        EXPECT_GT(close, compared * 95 / 100);
    }
}

TEST(PrinterPdf, AFileWholeOnEveryPageIsEmbeddedOnceAsItIs) {
    REQUIRE_POPPLER();
    testsupport::TempDir dir;
    const std::string jpeg = dir.file("photo.jpg");
    ASSERT_TRUE(testsupport::writeJpeg(testsupport::photoLike(320, 200, 3), jpeg, 92, true));
    auto dib = dibOf(testsupport::readJpeg(jpeg));
    const platform::JpegOrigin origin = originOf(jpeg);
    auto printer = QtPrinter::pdfFile();
    HDC dc = printer->createDC();
    const std::string pdf = dir.file("out.pdf");
    DOCINFOA di{sizeof di, "whole", pdf.c_str(), nullptr, 0};
    ASSERT_GT(StartDocA(dc, &di), 0);
    for (int page = 0; page < 3; ++page) {
        ASSERT_GT(StartPage(dc), 0);
        platform::JpegPictureScope scope(dc, dib->bits(), dib->lineBytes(), 320, 200, 24, origin);
        // Halves that overlap: together more than the whole picture.
        drawSection(dc, *dib, page * 80, 0, 200, 200, 100, 100, 3);
        ASSERT_GT(EndPage(dc), 0);
    }
    ASSERT_GT(EndDoc(dc), 0);
    DeleteDC(dc);
    const std::string list = testsupport::commandOutput("pdfimages -list '" + pdf + "'");
    // One image object, drawn on three pages.
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 2 + 3) << list;
    const auto file = testsupport::readFile(jpeg);
    testsupport::TempDir images;
    const auto files = testsupport::extractPdfImages(pdf, images, "-j");
    ASSERT_EQ(files.size(), 3u);
    for (const std::string& f : files) EXPECT_EQ(testsupport::readFile(f), file);
    EXPECT_LT(QFileInfo(QString::fromStdString(pdf)).size(), static_cast<qint64>(file.size()) + 20000);
}

TEST(PrinterPdf, PixelsAreEmbeddedVisuallyLosslessByDefaultAndExactlyWithFlate) {
    REQUIRE_POPPLER();
    SettingGuard guard;
    testsupport::TempDir dir;
    const std::string jpeg = dir.file("photo.jpg");
    ASSERT_TRUE(testsupport::writeJpeg(testsupport::photoLike(400, 300, 11), jpeg, 90, false));
    const QImage decoded = testsupport::readJpeg(jpeg);
    auto dib = dibOf(decoded);
    const platform::JpegOrigin origin = originOf(jpeg);
    // The file changes after the picture was read: its data no longer shows the picture.
    ASSERT_TRUE(testsupport::writeJpeg(testsupport::photoLike(400, 300, 12), jpeg, 90, false));
    const QRect section(13, 21, 350, 260);
    for (const auto coding : {platform::PdfPictureCoding::Jpeg, platform::PdfPictureCoding::Flate}) {
        const bool flate = coding == platform::PdfPictureCoding::Flate;
        SCOPED_TRACE(flate ? "Flate" : "JPEG");
        platform::setPdfPictureSetting({coding, platform::PdfPictureSetting{}.quality});
        auto printer = QtPrinter::pdfFile();
        HDC dc = printer->createDC();
        const std::string pdf = dir.file(flate ? "flate.pdf" : "jpeg.pdf");
        DOCINFOA di{sizeof di, "pixels", pdf.c_str(), nullptr, 0};
        ASSERT_GT(StartDocA(dc, &di), 0);
        ASSERT_GT(StartPage(dc), 0);
        {
            platform::JpegPictureScope scope(dc, dib->bits(), dib->lineBytes(), 400, 300, 24, origin);
            drawSection(dc, *dib, section.x(), section.y(), section.width(), section.height(), 0, 0, 2);
        }
        ASSERT_GT(EndPage(dc), 0);
        ASSERT_GT(EndDoc(dc), 0);
        DeleteDC(dc);
        testsupport::TempDir images;
        const auto files = testsupport::extractPdfImages(pdf, images, "-png");
        ASSERT_EQ(files.size(), 1u);
        const QImage got(QString::fromStdString(files[0]));
        ASSERT_EQ(got.size(), section.size());  // the section only, not the file
        const double quality = testsupport::psnr(got, decoded.copy(section));
        if (flate) EXPECT_EQ(quality, 1000);
        else EXPECT_GE(quality, 45.0);
        const std::string list = testsupport::commandOutput("pdfimages -list '" + pdf + "'");
        EXPECT_NE(list.find(flate ? "image" : "jpeg"), std::string::npos);
    }
}

TEST(PrinterPdf, PalettePicturesAndTextStayExact) {
    REQUIRE_POPPLER();
    if (!testsupport::haveProgram("pdftotext")) GTEST_SKIP() << "pdftotext reads the text back";
    testsupport::TempDir dir;
    gditest::Dib dib(9, 5, 8, {qRgb(255, 0, 0), qRgb(0, 128, 0), qRgb(10, 20, 30)});
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x) dib.set(x, y, (x + y) % 3);
    auto printer = QtPrinter::pdfFile();
    HDC dc = printer->createDC();
    const std::string pdf = dir.file("out.pdf");
    DOCINFOA di{sizeof di, "text", pdf.c_str(), nullptr, 0};
    ASSERT_GT(StartDocA(dc, &di), 0);
    ASSERT_GT(StartPage(dc), 0);
    StretchDIBits(dc, 0, 0, 90, 50, 0, 0, 9, 5, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    LOGFONTW lf{};
    lf.lfHeight = 120;
    const char16_t face[] = u"DejaVu Sans";
    std::memcpy(lf.lfFaceName, face, sizeof face);
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    const char16_t note[] = u"Edge for glue, do not cut (page: 1;2) \u00e4\u00df";
    TextOutW(dc, 200, 600, reinterpret_cast<LPCWSTR>(note), static_cast<int>(std::size(note) - 1));
    SIZE extent{};
    GetTextExtentPoint32W(dc, reinterpret_cast<LPCWSTR>(note), static_cast<int>(std::size(note) - 1), &extent);
    SelectObject(dc, old);
    DeleteObject(font);
    ASSERT_GT(EndPage(dc), 0);
    ASSERT_GT(EndDoc(dc), 0);
    DeleteDC(dc);

    testsupport::TempDir images;
    const auto files = testsupport::extractPdfImages(pdf, images, "-png");
    ASSERT_EQ(files.size(), 1u);
    const QImage got = QImage(QString::fromStdString(files[0])).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(got.size(), QSize(9, 5));
    const QRgb table[3] = {qRgb(255, 0, 0), qRgb(0, 128, 0), qRgb(10, 20, 30)};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x) EXPECT_EQ(got.pixel(x, y), table[(x + y) % 3]) << x << "," << y;

    // The note is text a reader finds, and its ink lies where the DC measured it.
    const std::string text = testsupport::commandOutput("pdftotext '" + pdf + "' -");
    EXPECT_NE(text.find("Edge for glue, do not cut (page: 1;2) \xc3\xa4\xc3\x9f"), std::string::npos) << text;
    HDC info = printer->createDC();
    const int ox = GetDeviceCaps(info, PHYSICALOFFSETX), oy = GetDeviceCaps(info, PHYSICALOFFSETY);
    DeleteDC(info);
    const QImage page = testsupport::rasterisePdf(pdf, 1, 600, images, QRect(ox, oy, 200 + extent.cx + 200, 1000));
    ASSERT_FALSE(page.isNull());
    int left = page.width(), right = -1, top = page.height(), bottom = -1;
    for (int y = 300; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_NEAR(left, 200, 20);
    EXPECT_NEAR(right, 200 + extent.cx, 30);
    EXPECT_GE(top, 600);
    EXPECT_LE(bottom, 600 + extent.cy);
}

TEST(PrinterPdf, AFullDiskKeepsTheOldFileAndReportsTheFailure) {
    SettingGuard guard;
    platform::setPdfPictureSetting({platform::PdfPictureCoding::Flate, platform::PdfPictureSetting{}.quality});
    testsupport::TempDir dir;
    const std::string target = dir.file("poster.pdf");
    ASSERT_TRUE(testsupport::writeFile(target, {'o', 'l', 'd'}));
    // A picture that does not compress, far larger than what the file system takes.
    gditest::Dib noise(300, 300, 24);
    unsigned seed = 5;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 300; ++x) {
            seed = seed * 1103515245u + 12345u;
            noise.set(x, y, seed >> 8 & 0xFFFFFF);
        }
    auto printer = QtPrinter::pdfFile();
    HDC dc = printer->createDC();
    // Files may grow to 64 KB only; a write beyond fails with EFBIG instead of a signal.
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = saved;
    limit.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    DOCINFOA di{sizeof di, "full", target.c_str(), nullptr, 0};
    int started = StartDocA(dc, &di);
    bool ok = started > 0;
    for (int page = 0; ok && page < 3; ++page) {
        ok = StartPage(dc) > 0;
        if (ok) StretchDIBits(dc, 0, 0, 1200, 1200, 0, 0, 300, 300, noise.bits(), noise.info(), DIB_RGB_COLORS, SRCCOPY);
        ok = ok && EndPage(dc) > 0;
    }
    const int ended = ok ? EndDoc(dc) : SP_ERROR;
    const DWORD error = GetLastError();
    const std::string text = narrow(platform::printErrorText());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    if (!ok) AbortDoc(dc);
    DeleteDC(dc);
    ASSERT_GT(started, 0);
    EXPECT_EQ(ended, SP_ERROR);
    EXPECT_EQ(error, ERROR_WRITE_FAULT);
    EXPECT_NE(text.find("could not be written"), std::string::npos) << text;
    EXPECT_NE(text.find(target), std::string::npos) << text;
    // The old file is as it was, and nothing else is left behind.
    EXPECT_EQ(testsupport::readFile(target), (std::vector<unsigned char>{'o', 'l', 'd'}));
    EXPECT_EQ(QDir(QString::fromStdString(dir.path())).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(PrinterPdf, ALinkedTargetIsWrittenThroughWithItsPermissions) {
    testsupport::TempDir dir;
    const std::string real = dir.file("real.pdf"), link = dir.file("link.pdf");
    ASSERT_TRUE(testsupport::writeFile(real, {'o', 'l', 'd'}));
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    ASSERT_EQ(::symlink("real.pdf", link.c_str()), 0);
    auto printer = QtPrinter::pdfFile();
    HDC dc = printer->createDC();
    DOCINFOA di{sizeof di, "linked", link.c_str(), nullptr, 0};
    ASSERT_GT(StartDocA(dc, &di), 0);
    ASSERT_GT(StartPage(dc), 0);
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, 100, 100);
    ASSERT_GT(EndDoc(dc), 0) << narrow(platform::printErrorText());
    DeleteDC(dc);
    EXPECT_TRUE(QFileInfo(QString::fromStdString(link)).isSymLink());
    const auto bytes = testsupport::readFile(real);
    ASSERT_GT(bytes.size(), 100u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 5), "%PDF-");
    EXPECT_EQ(std::string(bytes.end() - 6, bytes.end()), "%%EOF\n");
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}
