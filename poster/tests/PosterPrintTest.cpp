// Poster printing on the recording printer: page order, switched-off pages, sections and
// centring, cut and glue lines, edge notes, rendering first, and failing printers.
#include "poster/PosterPrint.h"

#include "platform/RecordingPrinter.h"
#include "platform/msgbox.h"
#include "platform/printer.h"
#include "poster/Pixwerk.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace poster;
using platform::RecordingPrinter;

namespace {

// A 24-bit picture whose pixel (x, y from the top) is colour(x, y) (0xRRGGBB).
UniqueDib makePicture(int w, int h, const std::function<unsigned(int, int)>& colour) {
    TDib dib{};
    newdib(&dib, w, h, 24, nullptr, 0);
    for (int y = 0; y < h; ++y) {
        BYTE* row = dib.Bits + static_cast<size_t>(h - 1 - y) * dib.LineBytes;
        for (int x = 0; x < w; ++x) {
            const unsigned c = colour(x, y);
            row[x * 3] = c & 0xFF;
            row[x * 3 + 1] = (c >> 8) & 0xFF;
            row[x * 3 + 2] = (c >> 16) & 0xFF;
        }
    }
    return UniqueDib(dib);
}

unsigned rgbOf(const QImage& page, int x, int y) { return page.pixel(x, y) & 0xFFFFFF; }

bool isBlack(const QImage& page, int x, int y) { return qGray(page.pixel(x, y)) < 60; }

// Black pixels in row y (or column x) between from and to.
int blackInRow(const QImage& page, int y, int from, int to) {
    int n = 0;
    for (int x = from; x < to; ++x) n += isBlack(page, x, y);
    return n;
}
int blackInColumn(const QImage& page, int x, int from, int to) {
    int n = 0;
    for (int y = from; y < to; ++y) n += isBlack(page, x, y);
    return n;
}

struct PrintTest : ::testing::Test {
    // A4 at 100 dpi, 5 mm margins: small pages, quick tests.
    RecordingPrinter printer{210, 297, 100};
    std::unique_ptr<PrintTarget> target = printerTarget(platform::recordingPrinter(printer));
    PageMask mask;
    PosterSetup setup;
    int PW = 0, PH = 0;
    void SetUp() override {
        setup.mask = &mask;
        PW = printer.printableWidth();
        PH = printer.printableHeight();
    }
    PrintResult print() { return PrintPoster(*target, setup, [this](int p) { progress.push_back(p); }); }
    std::vector<int> progress;
};

// Six blocks of distinct colours, 3 across and 2 down.
unsigned blockColour(int x, int y) {
    static const unsigned colours[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF};
    return colours[(y / 100) * 3 + x / 100];
}

}  // namespace

TEST_F(PrintTest, PagesInBothOrdersAndSwitchedOffPages) {
    UniqueDib pic = makePicture(300, 200, blockColour);
    setup.dib = pic.get();
    setup.across = 3;
    setup.down = 2;
    setup.columns = 3;
    setup.rows = 2;

    PrintResult r = print();
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.pages, 6);
    ASSERT_EQ(printer.documents().size(), 1u);
    EXPECT_EQ(printer.documentName(), u"Tessellon - poster");
    auto centre = [&](int i) { return rgbOf(printer.pages()[i], PW / 2, PH / 2); };
    // Rows outer: (0,0), (1,0), (2,0), (0,1) ...
    const unsigned rowsOuter[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(centre(i), rowsOuter[i]) << i;
    EXPECT_EQ(progress, (std::vector<int>{0, 16, 33, 50, 66, 83, 100, 0}));

    // Columns outer: (0,0), (0,1), (1,0) ...
    setup.rowsOuter = false;
    print();
    const unsigned colsOuter[6] = {0xFF0000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0x0000FF, 0xFF00FF};
    ASSERT_EQ(printer.pages().size(), 6u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(centre(i), colsOuter[i]) << i;

    // Switched-off pages are skipped unless every page is printed.
    mask.setOff(1, 0, true);
    mask.setOff(2, 1, true);
    setup.printAll = false;
    r = print();
    EXPECT_EQ(r.pages, 4);
    ASSERT_EQ(printer.pages().size(), 4u);
    const unsigned someOff[4] = {0xFF0000, 0xFFFF00, 0x00FFFF, 0x0000FF};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(centre(i), someOff[i]) << i;
    setup.printAll = true;
    EXPECT_EQ(print().pages, 6);

    // Every page off: no document at all, the progress runs to 100 and is cleared.
    setup.printAll = false;
    for (int c = 0; c < 3; ++c)
        for (int rr = 0; rr < 2; ++rr) mask.setOff(c, rr, true);
    const size_t documents = printer.documents().size();
    progress.clear();
    r = print();
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(r.started);
    EXPECT_EQ(printer.documents().size(), documents);
    EXPECT_EQ(progress.back(), 0);
    EXPECT_EQ(progress[progress.size() - 2], 100);
}

TEST(PosterPrintArithmetic, SectionsClipLikeDrawDib) {
    // 1.5 pages over 1,000 pixels: Wf = 1333, 666 pixels a page, centring shift 166.
    RECT r = GetDrawDIBRect(0, 0, 666, 500, 1000, 500, -166, 0, 666, 500);
    EXPECT_EQ(r.left, 166);
    EXPECT_EQ(r.right, 666);
    // Past the right edge: page 2 shows 1000 - 500 = 500 of its 666 pixels.
    r = GetDrawDIBRect(0, 0, 666, 500, 1000, 500, 500, 0, 666, 500);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, 500);
    // Above the top (bottom-up row + height beyond the picture) moves the top down.
    r = GetDrawDIBRect(0, 0, 100, 100, 100, 100, 0, 50, 100, 100);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.bottom, 100);
    // Below the bottom cuts the destination's lower part.
    r = GetDrawDIBRect(0, 0, 100, 100, 100, 100, 0, -25, 100, 100);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.bottom, 75);

    PageMask mask;
    mask.setOff(100, 100, true);
    EXPECT_TRUE(mask.off(100, 100));
    mask.setOff(101, 0, true);  // outside the mask: ignored
    mask.toggle(-1, 5);
    EXPECT_FALSE(mask.off(101, 0));
    EXPECT_FALSE(mask.off(-1, 5));
    EXPECT_EQ(edgeNote(2, 3), u"Edge for glue, do not cut (page: 2;3)");
}

TEST_F(PrintTest, CentringLeavesTheShiftedPartBlank) {
    UniqueDib pic = makePicture(1000, 500, [](int, int) { return 0x204080u; });
    setup.dib = pic.get();
    setup.across = 1.5;
    setup.columns = 2;
    setup.down = 1;
    setup.rows = 1;
    setup.options.center = true;
    ASSERT_TRUE(print().ok);
    ASSERT_EQ(printer.pages().size(), 2u);
    // The first page's section starts 166 of its 666 pixels left of the picture.
    const int blank = PW - static_cast<int>(std::nearbyint(PW * 500.0 / 666));
    const QImage& first = printer.pages()[0];
    const int y = 10;
    EXPECT_EQ(rgbOf(first, blank - 2, y), 0xFFFFFFu);
    EXPECT_EQ(rgbOf(first, blank + 2, y), 0x204080u);
    EXPECT_EQ(rgbOf(first, PW - 1, y), 0x204080u);
    // The cut lines follow the covered part: columns blank and blank + 1.
    setup.options.cutLines = true;
    print();
    const QImage& lined = printer.pages()[0];
    EXPECT_GT(blackInColumn(lined, blank, 0, PH / 2), PH / 8);
    EXPECT_GT(blackInColumn(lined, blank + 1, 0, PH / 2), PH / 8);
    EXPECT_EQ(blackInColumn(lined, blank + 2, 4, PH / 2), 0);
    EXPECT_EQ(blackInColumn(lined, blank - 1, 0, PH), 0);
    setup.options.cutLines = false;
    // Without centring the picture starts at the page's left edge.
    setup.options.center = false;
    print();
    EXPECT_EQ(rgbOf(printer.pages()[0], 1, y), 0x204080u);
}

TEST_F(PrintTest, CutAndGlueLinesAtTheirRowsAndColumns) {
    UniqueDib pic = makePicture(200, 200, [](int, int) { return 0xC0C0C0u; });
    setup.dib = pic.get();
    setup.across = setup.down = 2;
    setup.columns = setup.rows = 2;
    setup.options.cutLines = true;
    setup.options.glueLines = true;
    ASSERT_TRUE(print().ok);
    ASSERT_EQ(printer.pages().size(), 4u);
    // Page (0,0): the section covers the whole page. Two lines at each edge.
    const QImage& p = printer.pages()[0];
    for (int i = 0; i < 2; ++i) {
        EXPECT_GT(blackInRow(p, i, 0, PW), PW / 4) << i;                  // top cut line
        EXPECT_GT(blackInColumn(p, i, 0, PH), PH / 4) << i;               // left cut line
        EXPECT_GT(blackInRow(p, PH - 1 - i, 0, PW), PW / 4) << i;         // bottom glue line
        EXPECT_GT(blackInColumn(p, PW - 1 - i, 0, PH), PH / 4) << i;      // right glue line
    }
    EXPECT_EQ(blackInRow(p, 2, 4, PW - 4), 0);
    EXPECT_EQ(blackInColumn(p, 2, 4, PH - 4), 0);
    EXPECT_EQ(blackInRow(p, PH - 3, 4, PW - 4), 0);

    // Doubled: four lines each.
    setup.options.doubled = true;
    print();
    const QImage& d = printer.pages()[0];
    EXPECT_GT(blackInRow(d, 3, 0, PW), PW / 4);
    EXPECT_EQ(blackInRow(d, 4, 8, PW - 8), 0);
    EXPECT_GT(blackInColumn(d, PW - 4, 0, PH), PH / 4);

    // No lines at the poster's edge: page (0,0) keeps only its bottom and right glue lines,
    // page (1,1) only its top and left cut lines.
    setup.options.doubled = false;
    setup.options.noEdgeLines = true;
    print();
    const QImage& first = printer.pages()[0];
    EXPECT_EQ(blackInRow(first, 0, 4, PW - 4), 0);
    EXPECT_EQ(blackInColumn(first, 0, 4, PH - 4), 0);
    EXPECT_GT(blackInRow(first, PH - 1, 0, PW), PW / 4);
    EXPECT_GT(blackInColumn(first, PW - 1, 0, PH), PH / 4);
    const QImage& last = printer.pages()[3];
    EXPECT_GT(blackInRow(last, 0, 0, PW), PW / 4);
    EXPECT_GT(blackInColumn(last, 0, 0, PH), PH / 4);
    EXPECT_EQ(blackInRow(last, PH - 1, 4, PW - 4), 0);
    EXPECT_EQ(blackInColumn(last, PW - 1, 4, PH - 4), 0);
}

TEST_F(PrintTest, GlueStripsNotesAndRenderingFirst) {
    UniqueDib pic = makePicture(200, 200, [](int, int) { return 0xC0C0C0u; });
    setup.dib = pic.get();
    setup.across = setup.down = 2;
    setup.columns = setup.rows = 2;
    setup.glueX = setup.glueY = 5;
    setup.options.edgeForGlue = true;
    setup.options.cutHints = true;
    setup.options.glueLines = true;
    ASSERT_TRUE(print().ok);
    const int UW = usableWidth(setup, PW), UH = usableHeight(setup, PH);
    EXPECT_EQ(UW, static_cast<int>(std::nearbyint(0.95 * PW)));
    const QImage& p = printer.pages()[0];
    // The picture part and its glue lines end at UW x UH; the strips are white but for the notes.
    EXPECT_EQ(rgbOf(p, UW / 2, UH / 2), 0xC0C0C0u);
    EXPECT_GT(blackInColumn(p, UW - 1, 0, UH), UH / 4);
    EXPECT_GT(blackInRow(p, UH - 1, 0, UW), UW / 4);
    EXPECT_EQ(rgbOf(p, UW + 2, 2), 0xFFFFFFu);
    // Bottom strip: one line of text, centred across the page.
    int top = PH, bottom = 0, left = PW, right = 0;
    for (int y = UH + 1; y < PH; ++y)
        for (int x = 0; x < PW; ++x)
            if (isBlack(p, x, y)) {
                top = std::min(top, y), bottom = std::max(bottom, y);
                left = std::min(left, x), right = std::max(right, x);
            }
    ASSERT_LT(top, bottom);
    EXPECT_GT(right - left, 3 * (bottom - top));
    EXPECT_NEAR((left + right) / 2.0, PW / 2.0, PW / 20.0);
    // Right strip: the letters one under the other, centred down the page.
    int ctop = PH, cbottom = 0, cleft = PW, cright = 0;
    for (int y = 0; y < UH; ++y)
        for (int x = UW + 1; x < PW; ++x)
            if (isBlack(p, x, y)) {
                ctop = std::min(ctop, y), cbottom = std::max(cbottom, y);
                cleft = std::min(cleft, x), cright = std::max(cright, x);
            }
    ASSERT_LT(ctop, cbottom);
    EXPECT_GT(cbottom - ctop, 5 * (cright - cleft));
    EXPECT_NEAR((ctop + cbottom) / 2.0, PH / 2.0, PH / 10.0);

    // Without glue strips at the poster's edge the last page has no notes; its section grows
    // over the strips.
    setup.options.noGlueAtEdge = true;
    print();
    const QImage& last = printer.pages()[3];
    EXPECT_EQ(blackInRow(last, PH - 3, 0, PW / 2), 0);
    EXPECT_EQ(rgbOf(last, PW - 5, PH / 2), 0xC0C0C0u);
    const QImage& firstSpecial = printer.pages()[0];
    EXPECT_GT(blackInColumn(firstSpecial, UW + (PW - UW) / 2, 0, UH), 0);  // (0,0) still has its notes

    // Rendering into a page bitmap first gives the same pages.
    std::vector<QImage> direct = printer.pages();
    setup.renderOwn = true;
    ASSERT_TRUE(print().ok);
    ASSERT_EQ(printer.pages().size(), direct.size());
    for (size_t i = 0; i < direct.size(); ++i)
        EXPECT_EQ(printer.pages()[i].convertToFormat(QImage::Format_RGB32),
                  direct[i].convertToFormat(QImage::Format_RGB32))
            << i;
}

namespace {

// A target that fails at a chosen call.
struct FailingTarget : PrintTarget {
    RecordingPrinter rec{210, 297, 50};
    std::unique_ptr<PrintTarget> inner = printerTarget(platform::recordingPrinter(rec));
    int failAtPage = 2;
    int page = 0;
    void setTitle(const std::u16string& t) override { inner->setTitle(t); }
    bool beginDoc() override { return ++page != failAtPage && inner->beginDoc(); }
    bool newPage() override { return ++page != failAtPage && inner->newPage(); }
    bool endDoc() override { return inner->endDoc(); }
    void abort() override { inner->abort(); }
    HDC handle() override { return inner->handle(); }
    PrinterCaps caps() override { return inner->caps(); }
    std::u16string errorText() const override { return u"The printer \"X\" does not accept jobs."; }
    bool cancelled() const override { return false; }
};

}  // namespace

TEST(PosterPrintFailures, AFailingPrinterIsReportedAndNothingCountsAsPrinted) {
    platform::ScriptedMessageBoxes boxes;
    UniqueDib pic = makePicture(100, 100, [](int, int) { return 0x808080u; });
    PosterSetup setup;
    setup.dib = pic.get();
    setup.across = setup.down = 2;
    setup.columns = setup.rows = 2;
    FailingTarget target;
    PrintResult r = PrintPoster(target, setup);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.pages, 0);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "The printer \"X\" does not accept jobs.");
    EXPECT_EQ(boxes.captions()[0], "Error");
    ASSERT_EQ(target.rec.documents().size(), 1u);
    EXPECT_TRUE(target.rec.documents()[0].aborted);

    // A PDF file that cannot be written fails the job on the real printer path.
    boxes.clear();
    auto pdf = platform::QtPrinter::pdfFile();
    auto old = platform::setPrintFileHandler(
        [](const std::u16string&, QWidget*) { return std::optional<std::u16string>(u"/nonexistent-folder/x.pdf"); });
    auto real = printerTarget(pdf);
    r = PrintPoster(*real, setup);
    platform::setPrintFileHandler(old);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.pages, 0);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_FALSE(boxes.texts()[0].empty());
}
