// Pass pictures: placing the copies, the size read-out, the preview's page cell and small
// copies, and printing one page of copies on the recording printer.
#include "poster/PassPictures.h"

#include "PictureOpsSupport.h"
#include "platform/RecordingPrinter.h"
#include "platform/printer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace poster;
using namespace opstest;

namespace {

bool sameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

PrinterCaps page(int w, int h, int dpi) {
    PrinterCaps c;
    c.pageWidth = w;
    c.pageHeight = h;
    c.dpiX = c.dpiY = dpi;
    return c;
}

}  // namespace

TEST(PassPlacement, RowsFromTheTopLeftWrapAtTheRightAndStopAtTheBottomMargin) {
    // 1000 x 1000, copies 0.3 x 0.2, spacing 0.02, margin 0.05: two copies a row (the third
    // would end at 990 + 50 > 1000), four rows (the fifth would end at 1130).
    const auto copies = PlacePassCopies(RECT{0, 0, 1000, 1000}, 0.3, 0.2, 0.02, 0.05);
    ASSERT_EQ(copies.size(), 8u);
    const int tops[4] = {50, 270, 490, 710};
    for (int row = 0; row < 4; ++row) {
        EXPECT_TRUE(sameRect(copies[row * 2], RECT{50, tops[row], 350, tops[row] + 200})) << row;
        EXPECT_TRUE(sameRect(copies[row * 2 + 1], RECT{370, tops[row], 670, tops[row] + 200})) << row;
    }
    // An area that does not start at 0 moves every copy with it.
    const auto moved = PlacePassCopies(RECT{10, 20, 1010, 1020}, 0.3, 0.2, 0.02, 0.05);
    ASSERT_EQ(moved.size(), 8u);
    EXPECT_TRUE(sameRect(moved[0], RECT{60, 70, 360, 270}));
}

TEST(PassPlacement, EmptyAndDegenerateValues) {
    const RECT area{0, 0, 600, 800};
    EXPECT_TRUE(PlacePassCopies(area, 0, 0.1, 0.02, 0.05).empty()) << "a copy width of 0 prints an empty page";
    EXPECT_TRUE(PlacePassCopies(area, 0.2, 0.1, -0.01, 0.05).empty()) << "a negative spacing too";
    EXPECT_TRUE(PlacePassCopies(area, std::nan(""), 0.1, 0.02, 0.05).empty());
    EXPECT_TRUE(PlacePassCopies(RECT{0, 0, 0, 0}, 0.2, 0.1, 0.02, 0.05).empty());
    // Tiny copies are at least one pixel wide and high, and the page still ends.
    const auto tiny = PlacePassCopies(RECT{0, 0, 40, 30}, 1e-6, 1e-6, 0, 0);
    ASSERT_EQ(tiny.size(), 40u * 30u);
    for (const RECT& r : tiny) {
        EXPECT_EQ(r.right - r.left, 1);
        EXPECT_EQ(r.bottom - r.top, 1);
    }
    // Huge spacing ends the page without overflowing.
    EXPECT_EQ(PlacePassCopies(area, 0.1, 0.1, 1e300, 0).size(), 1u);
}

TEST(PassSize, MillimetresAndInchesOfTheCopyOnThePrintedPage) {
    // 6000 x 8000 pixels at 600 dpi; a 200 x 100 picture at half the width: 3000 x 1500 pixels.
    const PrinterCaps p = page(6000, 8000, 600);
    EXPECT_EQ(PassSizeText(p, 200, 100, 0.5, true), "126 x 63 mm");
    EXPECT_EQ(PassSizeText(p, 200, 100, 0.5, false), "5.00 x 2.50 inch");
    // A printer that reports no page falls back to the default page instead of dividing by 0.
    const PrinterCaps none{};
    const PrinterCaps fallback = UsablePassPage(none);
    EXPECT_GT(fallback.pageWidth, 0);
    EXPECT_GT(fallback.dpiY, 0);
    EXPECT_EQ(PassSizeText(none, 200, 100, 0.5, true), PassSizeText(fallback, 200, 100, 0.5, true));
    EXPECT_EQ(PassSizeText(p, 0, 0, 0.5, true), "126 x 0 mm");
}

TEST(PassPreview, ThePageCellIsFittedByWidthOrByHeight) {
    const PrinterCaps p = page(6000, 8000, 600);
    // By width: 400 wide, 8000 x (4200 - 200) div 6000 div 10 = 533 high.
    EXPECT_TRUE(sameRect(PassPreviewCell(p, 420, 600, 1000), RECT{10, 10, 410, 543}));
    // Too high for the scroll box: by height, 6000 x (6000 - 200) div 8000 div 10 = 435 wide.
    EXPECT_TRUE(sameRect(PassPreviewCell(p, 420, 600, 300), RECT{10, 10, 445, 590}));
    // A box too small for the margins gives an empty cell, not a negative one.
    const RECT small = PassPreviewCell(p, 5, 5, 1000);
    EXPECT_LE(small.left, small.right);
    EXPECT_LE(small.top, small.bottom);
}

TEST(PassPreview, SmallCopiesSampleTheNearestPixelAndKeepThePalette) {
    UniqueDib pic = make(4, 2, 8, {{10, 20, 30, 0}, {40, 50, 60, 0}, {70, 80, 90, 0}, {1, 2, 3, 0}});
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) put(pic, x, y, (x + y) % 4);
    UniqueDib small = PassThumbnail(pic.get(), 2, 1);
    ASSERT_TRUE(small);
    EXPECT_EQ(small.get().Info->bmiHeader.biBitCount, 8);
    EXPECT_EQ(at(small, 0, 0), at(pic, 0, 0));
    EXPECT_EQ(at(small, 1, 0), at(pic, 2, 0));
    EXPECT_EQ(palette(small)[1].peGreen, 50);
    EXPECT_FALSE(PassThumbnail(pic.get(), 0, 3)) << "no copy of no size";
    EXPECT_FALSE(PassThumbnail(TDib{}, 3, 3)) << "no copy of no picture";
}

TEST(PassPrint, OnePageWithTheCopiesWhereThePlacementPutsThem) {
    platform::RecordingPrinter printer{210, 297, 50};
    auto target = printerTarget(platform::recordingPrinter(printer));
    UniqueDib pic = make(40, 20, 24);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) put(pic, x, y, rgb(200, 0, 0));
    std::vector<int> progress;
    const PassValues v{0.3, 0.02, 0.05};
    // The preview counted fewer copies than the page takes: the progress stops at 100.
    const PrintResult r = PrintPassPictures(*target, pic.get(), v, 3, [&](int p) { progress.push_back(p); });
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.pages, 1);
    EXPECT_EQ(printer.documentName(), u"Tessellon - pass pictures");
    ASSERT_EQ(printer.pages().size(), 1u);
    const QImage& sheet = printer.pages()[0];
    const int W = printer.printableWidth(), H = printer.printableHeight();
    const auto copies = PlacePassCopies(RECT{0, 0, W, H}, v.width, PassCopyHeight(40, 20, v.width, W, H), v.spacing,
                                        v.margin);
    ASSERT_GT(copies.size(), 3u);
    for (const RECT& c : copies) {
        const QRgb inside = sheet.pixel((c.left + c.right) / 2, (c.top + c.bottom) / 2);
        EXPECT_EQ(qRed(inside), 200);
        EXPECT_EQ(qGreen(inside), 0);
    }
    // Between the copies and on the margin the page stays white.
    EXPECT_EQ(sheet.pixel(copies[0].right + 1, copies[0].top + 2) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(sheet.pixel(2, 2) & 0xFFFFFF, 0xFFFFFFu);
    ASSERT_FALSE(progress.empty());
    for (int p : progress) EXPECT_LE(p, 100);
    EXPECT_EQ(progress.back(), 0);
    EXPECT_EQ(progress[progress.size() - 2], 100);

    // A copy width of 0 prints an empty white page.
    PrintPassPictures(*target, pic.get(), PassValues{0, 0.02, 0.05}, 0);
    ASSERT_EQ(printer.pages().size(), 1u);
    const QImage& empty = printer.pages()[0];
    EXPECT_EQ(empty.pixel(W / 4, H / 4) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(empty.pixel(W / 2, H / 2) & 0xFFFFFF, 0xFFFFFFu);
}
