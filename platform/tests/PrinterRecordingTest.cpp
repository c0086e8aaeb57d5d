// The recording printer's geometry and pages, and printing through Qt's paged devices.
#include "DeviceContext.h"
#include "platform/RecordingPrinter.h"
#include "platform/gdi.h"
#include "platform/tests/GdiTestSupport.h"
#include "testsupport/TestSupport.h"

#include <QFile>
#include <QPdfWriter>

#include <gtest/gtest.h>

using gditest::rgb;
using platform::RecordingPrinter;

TEST(PrinterRecording, GeometryFollowsPaperResolutionMarginsAndOrientation) {
    RecordingPrinter printer(210, 297, 600, {5, 10, 15, 20});
    HDC dc = printer.createDC();
    EXPECT_EQ(GetDeviceCaps(dc, TECHNOLOGY), DT_RASPRINTER);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALWIDTH), 4961);   // 210 mm at 600 dpi, rounded
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALHEIGHT), 7016);  // 7015.7
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALOFFSETX), 118);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALOFFSETY), 236);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 4961 - 118 - 354);
    EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 7016 - 236 - 472);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 600);
    EXPECT_EQ(GetDeviceCaps(dc, HORZSIZE), 190);
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 24);
    const int caps = GetDeviceCaps(dc, RASTERCAPS);
    EXPECT_TRUE((caps & RC_DIBTODEV) && (caps & RC_STRETCHDIB) && !(caps & RC_PALETTE));
    EXPECT_EQ(printer.printableWidth(), GetDeviceCaps(dc, HORZRES));

    // Landscape turns the sheet: the portrait top margin becomes the left one.
    printer.setOrientation(RecordingPrinter::Orientation::Landscape);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALWIDTH), 7016);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALOFFSETX), 236);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALOFFSETY), 354);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 7016 - 236 - 472);
    printer.setResolution(300, 150);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 150);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALHEIGHT), 1240);  // 210 mm at 150 dpi
    DeleteDC(dc);
}

TEST(PrinterRecording, KeepsEveryPageOfTheDocument) {
    RecordingPrinter printer(50, 40, 100, {2, 2, 2, 2});
    HDC dc = printer.createDC();
    EXPECT_EQ(StartPage(dc), SP_ERROR);  // no document yet
    DOCINFOW di{sizeof di, u"Tessellon - poster", nullptr, nullptr, 0};
    EXPECT_GT(StartDocW(dc, &di), 0);
    EXPECT_EQ(StartDocW(dc, &di), SP_ERROR);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT before{0, 0, 5, 5};
    FillRect(dc, &before, red);  // between pages nothing is drawn
    for (int page = 0; page < 2; ++page) {
        EXPECT_GT(StartPage(dc), 0);
        RECT r{page * 10, 0, page * 10 + 10, 10};
        FillRect(dc, &r, red);
        EXPECT_GT(EndPage(dc), 0);
    }
    EXPECT_GT(EndDoc(dc), 0);
    ASSERT_EQ(printer.pages().size(), 2u);
    EXPECT_EQ(printer.documentName(), u"Tessellon - poster");
    for (int page = 0; page < 2; ++page) {
        const QImage& image = printer.pages()[page];
        EXPECT_EQ(image.width(), printer.printableWidth());
        EXPECT_EQ(image.height(), printer.printableHeight());
        EXPECT_EQ(rgb(image, page * 10 + 5, 5), 0xFF0000u);
        EXPECT_EQ(rgb(image, page * 10 + 10, 5), 0xFFFFFFu);
        EXPECT_EQ(rgb(image, 0, 11), 0xFFFFFFu);
    }
    EXPECT_EQ(rgb(printer.pages()[1], 5, 5), 0xFFFFFFu);

    DOCINFOA da{sizeof da, "second", nullptr, nullptr, 0};
    EXPECT_GT(StartDocA(dc, &da), 0);
    EXPECT_GT(StartPage(dc), 0);
    EXPECT_GT(AbortDoc(dc), 0);
    EXPECT_EQ(EndDoc(dc), SP_ERROR);
    ASSERT_EQ(printer.documents().size(), 2u);
    EXPECT_TRUE(printer.documents()[1].aborted);
    EXPECT_TRUE(printer.documents()[1].pages.empty());
    EXPECT_TRUE(printer.documents()[0].ended);
    DeleteObject(red);
    DeleteDC(dc);
    EXPECT_EQ(StartDocW(nullptr, &di), SP_ERROR);
}

TEST(PrinterRecording, PagedDevicesPrintPicturesAtTheirOwnResolution) {
    testsupport::TempDir dir;
    const QString file = QString::fromStdString(dir.file("out.pdf"));
    QPdfWriter writer(file);
    writer.setResolution(100);
    writer.setPageSize(QPageSize(QSizeF(80, 60), QPageSize::Millimeter));
    writer.setPageMargins(QMarginsF(10, 5, 10, 5), QPageLayout::Millimeter);
    HDC dc = platform::gdi::createDC(std::make_shared<platform::gdi::PagedDevice>(&writer));
    EXPECT_EQ(GetDeviceCaps(dc, TECHNOLOGY), DT_RASPRINTER);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 100);
    EXPECT_NEAR(GetDeviceCaps(dc, PHYSICALWIDTH), 315, 1);  // 80 mm at 100 dpi
    EXPECT_NEAR(GetDeviceCaps(dc, PHYSICALOFFSETX), 39, 1);
    EXPECT_NEAR(GetDeviceCaps(dc, HORZRES), 236, 1);

    DOCINFOW di{sizeof di, u"pdf", nullptr, nullptr, 0};
    ASSERT_GT(StartDocW(dc, &di), 0);
    ASSERT_GT(StartPage(dc), 0);
    // A 4 x 2 picture stretched 40 times: left half red, right half blue.
    gditest::Dib dib(4, 2, 24);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) dib.set(x, y, x < 2 ? 0xFF0000 : 0x0000FF);
    EXPECT_EQ(StretchDIBits(dc, 20, 20, 160, 80, 0, 0, 4, 2, dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY), 2);
    ASSERT_GT(EndPage(dc), 0);
    // Page 2: a 3 x 1 section of a 16 x 8 picture.
    ASSERT_GT(StartPage(dc), 0);
    gditest::Dib big(16, 8, 24);
    EXPECT_EQ(StretchDIBits(dc, 0, 0, 150, 50, 5, 2, 3, 1, big.bits(), big.info(), DIB_RGB_COLORS, SRCCOPY), 1);
    ASSERT_GT(EndPage(dc), 0);
    ASSERT_GT(EndDoc(dc), 0);
    DeleteDC(dc);
    ASSERT_GT(QFile(file).size(), 0);

    if (testsupport::haveProgram("pdfimages")) {
        // The picture is embedded at 4 x 2 pixels, not at the printer's resolution.
        const std::string list = dir.file("images.txt");
        ASSERT_EQ(testsupport::runCommand("pdfimages -list '" + file.toStdString() + "' > '" + list + "'"), 0);
        const auto bytes = testsupport::readFile(list);
        const std::string text(bytes.begin(), bytes.end());
        EXPECT_NE(text.find("     4     2  "), std::string::npos) << text;
        EXPECT_NE(text.find("     3     1  "), std::string::npos) << text;  // only the section
        EXPECT_EQ(text.find("    16     8  "), std::string::npos) << text;
    }
    if (testsupport::haveProgram("pdftoppm")) {
        const std::string base = dir.file("page");
        ASSERT_EQ(testsupport::runCommand("pdftoppm -r 100 -f 1 -l 1 -png '" + file.toStdString() + "' '" + base + "'"), 0);
        QImage page(QString::fromStdString(base + "-1.png"));
        if (page.isNull()) page.load(QString::fromStdString(base + "-01.png"));
        ASSERT_FALSE(page.isNull());
        const int ox = 39, oy = 20;  // the margins at 100 dpi
        auto near = [&](int x, int y, QRgb want) {
            const QRgb c = page.pixel(x, y);
            return std::abs(qRed(c) - qRed(want)) <= 4 && std::abs(qGreen(c) - qGreen(want)) <= 4 &&
                   std::abs(qBlue(c) - qBlue(want)) <= 4;
        };
        EXPECT_TRUE(near(ox + 20 + 40, oy + 20 + 40, qRgb(255, 0, 0)));
        EXPECT_TRUE(near(ox + 20 + 120, oy + 20 + 40, qRgb(0, 0, 255)));
        EXPECT_TRUE(near(ox + 20 + 78, oy + 20 + 2, qRgb(255, 0, 0)));
        EXPECT_TRUE(near(ox + 20 + 82, oy + 20 + 78, qRgb(0, 0, 255)));
        EXPECT_TRUE(near(ox + 10, oy + 10, qRgb(255, 255, 255)));
        EXPECT_TRUE(near(ox + 20 + 165, oy + 20 + 40, qRgb(255, 255, 255)));
    }
}
