// Glue strips of a single width or height, and the lines of the poster's last column and row
// when there is no glue strip at the poster's edge.
#include "poster/PosterPrint.h"

#include "platform/RecordingPrinter.h"
#include "platform/printer.h"
#include "poster/Pixwerk.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace poster;
using platform::RecordingPrinter;

namespace {

UniqueDib greyPicture(int w, int h) {
    TDib dib{};
    newdib(&dib, w, h, 24, nullptr, 0);
    std::memset(dib.Bits, 0xC0, dib.Info->bmiHeader.biSizeImage);
    return UniqueDib(dib);
}

bool isBlack(const QImage& page, int x, int y) { return qGray(page.pixel(x, y)) < 60; }

int blackIn(const QImage& page, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(page.height(), y1); ++y)
        for (int x = std::max(0, x0); x < std::min(page.width(), x1); ++x) n += isBlack(page, x, y);
    return n;
}

struct GlueEdge : ::testing::Test {
    RecordingPrinter printer{210, 297, 100};
    std::unique_ptr<PrintTarget> target = printerTarget(platform::recordingPrinter(printer));
    UniqueDib pic = greyPicture(200, 200);
    PosterSetup setup;
    int PW = 0, PH = 0;
    void SetUp() override {
        PW = printer.printableWidth();
        PH = printer.printableHeight();
        setup.dib = pic.get();
        setup.across = setup.down = 2;
        setup.columns = setup.rows = 2;
        setup.options.edgeForGlue = true;
    }
    const QImage& page(int i) {
        EXPECT_TRUE(PrintPoster(*target, setup).ok);
        return printer.pages().at(static_cast<size_t>(i));
    }
};

TEST_F(GlueEdge, ANoteOnTheOnlyGlueStripThereIs) {
    setup.options.cutHints = true;
    // A right strip only: its note is written down the strip, centred on the page.
    setup.glueX = 5;
    setup.glueY = 0;
    const int UW = usableWidth(setup, PW);
    ASSERT_EQ(usableHeight(setup, PH), PH);
    const QImage& right = page(0);
    int top = PH, bottom = -1;
    for (int y = 0; y < PH; ++y)
        if (blackIn(right, UW + 1, y, PW, y + 1) > 0) top = std::min(top, y), bottom = std::max(bottom, y);
    ASSERT_GT(bottom, top) << "no note on the right strip";
    EXPECT_GT(bottom - top, PH / 4);
    EXPECT_NEAR((top + bottom) / 2.0, PH / 2.0, PH / 10.0);
    EXPECT_EQ(blackIn(right, 0, 0, UW, PH), 0) << "nothing on the picture part";

    // A bottom strip only: its note, and nothing beside the picture part.
    setup.glueX = 0;
    setup.glueY = 5;
    const int UH = usableHeight(setup, PH);
    const QImage& below = page(0);
    EXPECT_GT(blackIn(below, 0, UH + 1, PW, PH), 20);
    EXPECT_EQ(blackIn(below, 0, 0, PW, UH), 0);
}

TEST_F(GlueEdge, TheLastColumnAndRowHaveTheirGlueLinesAtThePostersEdge) {
    setup.glueX = setup.glueY = 5;
    setup.options.noGlueAtEdge = true;
    setup.options.glueLines = true;
    setup.options.cutLines = true;
    const int UW = usableWidth(setup, PW), UH = usableHeight(setup, PH);
    // The last page (1, 1): its section grows over the strips, and so do its lines.
    const QImage& last = page(3);
    EXPECT_EQ(blackIn(last, UW - 3, 10, UW + 1, UH - 10), 0) << "no glue line across the picture";
    EXPECT_EQ(blackIn(last, 10, UH - 3, UW - 10, UH + 1), 0);
    EXPECT_EQ(qRed(last.pixel(UW - 2, UH / 2)), 0xC0);
    EXPECT_GT(blackIn(last, PW - 4, 0, PW, PH), PH / 2) << "the right glue line at the edge";
    EXPECT_GT(blackIn(last, 0, PH - 4, PW, PH), PW / 2) << "the bottom glue line at the edge";
    // The cut lines at its top and left run to the edges too.
    EXPECT_GT(blackIn(last, UW + 2, 0, PW - 4, 2), (PW - UW - 6) / 2);
    EXPECT_GT(blackIn(last, 0, UH + 2, 2, PH - 4), (PH - UH - 6) / 2);

    // The last page of the first row: the right line at the edge, the bottom one at the strip.
    const QImage& topRight = page(1);
    EXPECT_EQ(blackIn(topRight, UW - 3, 10, UW + 1, UH - 10), 0);
    EXPECT_GT(blackIn(topRight, PW - 4, 0, PW, UH), UH / 2);
    EXPECT_GT(blackIn(topRight, 0, UH - 2, PW, UH), PW / 2);
    // A page inside the poster keeps its lines at the glue strips.
    const QImage& first = page(0);
    EXPECT_GT(blackIn(first, UW - 2, 0, UW, UH), UH / 2);
    EXPECT_EQ(blackIn(first, UW + 1, 0, PW, UH), 0);
}

}  // namespace
