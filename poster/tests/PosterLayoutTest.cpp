// The poster layout over plain fields that behave as the window's edits do.
#include "poster/PosterLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

using namespace poster;

namespace {

// Edits with a range and a number of decimals; a write that changes the text runs the
// edit's change handler, as the spin edit does.
class FakeControls : public LayoutControls {
public:
    struct Edit {
        double value = 0;
        EditRange range{0, 100};
        int decimals = 2;
    };

    FakeControls() {
        edits[LayoutEdit::PagesAcross] = {1, {0, 100}, 2};
        edits[LayoutEdit::PagesDown] = {1, {0, 100}, 2};
        edits[LayoutEdit::WidthMm] = {0, {0, 100000}, 2};
        edits[LayoutEdit::HeightMm] = {0, {0, 100000}, 2};
        edits[LayoutEdit::GlueX] = {10, {0, 100}, 1};
        edits[LayoutEdit::GlueY] = {10, {0, 100}, 1};
        edits[LayoutEdit::Increment] = {1, {0.01, 10}, 2};
        checks[LayoutCheck::MillimetresPoster] = true;
        checks[LayoutCheck::MillimetresPaper] = true;
        // A4 at 600 dpi with 5 mm margins.
        caps = PrinterCaps{4961, 7016, 118, 118, 600, 600, 4725, 6780};
    }

    double value(LayoutEdit e) const override { return edits.at(e).value; }
    void setValue(LayoutEdit e, double v) override {
        Edit& edit = edits[e];
        const double scale = std::pow(10.0, edit.decimals);
        v = std::nearbyint(std::clamp(v, edit.range.min, edit.range.max) * scale) / scale;
        if (v == edit.value) return;
        edit.value = v;
        ++writes[e];
        if (!layout) return;
        switch (e) {
        case LayoutEdit::PagesAcross: layout->BreitEdChange(); break;
        case LayoutEdit::PagesDown: layout->HochEdChange(); break;
        case LayoutEdit::WidthMm: layout->BreitmmEDChange(); break;
        case LayoutEdit::HeightMm: layout->HochmmEDChange(); break;
        default: break;
        }
    }
    // The user types a value: the edit holds it and runs its handler.
    void type(LayoutEdit e, double v) {
        edits[e].value = v;
        if (!layout) return;
        if (e == LayoutEdit::PagesAcross) layout->BreitEdChange();
        if (e == LayoutEdit::PagesDown) layout->HochEdChange();
        if (e == LayoutEdit::WidthMm) layout->BreitmmEDChange();
        if (e == LayoutEdit::HeightMm) layout->HochmmEDChange();
    }
    EditRange range(LayoutEdit e) const override { return edits.at(e).range; }
    void setPageIncrement(double v) override { increment = v; }
    bool checked(LayoutCheck c) const override {
        auto it = checks.find(c);
        return it != checks.end() && it->second;
    }
    void setText(LayoutText t, const std::string& v) override { texts[t] = v; }
    int pictureWidth() const override { return picW; }
    int pictureHeight() const override { return picH; }
    PrinterCaps printer() const override { return caps; }
    void repaintGrid() override { ++repaints; }

    std::map<LayoutEdit, Edit> edits;
    std::map<LayoutCheck, bool> checks;
    std::map<LayoutText, std::string> texts;
    std::map<LayoutEdit, int> writes;
    PrinterCaps caps;
    int picW = 3000, picH = 2000;
    double increment = 0;
    int repaints = 0;
    PosterLayout* layout = nullptr;
};

struct LayoutTest : ::testing::Test {
    FakeControls c;
    PosterLayout layout{c};
    void SetUp() override { c.layout = &layout; }
    double v(LayoutEdit e) { return c.edits[e].value; }
};

}  // namespace

TEST(PosterLayoutText, TwoDecimalsWithAPoint) {
    EXPECT_EQ(formatTwoDecimals(210.0036), "210.00");
    EXPECT_EQ(formatTwoDecimals(0.125), "0.13");  // halves away from zero
    EXPECT_EQ(formatTwoDecimals(0.004), "0.00");
    EXPECT_EQ(formatTwoDecimals(0.005), "0.01");
    EXPECT_EQ(formatTwoDecimals(9.999), "10.00");
    EXPECT_EQ(formatTwoDecimals(1234567.891), "1234567.89");
    EXPECT_EQ(formatTwoDecimals(-2.5), "-2.50");
    EXPECT_EQ(formatTwoDecimals(0), "0.00");
    EXPECT_EQ(wholePages(2.3), 3);
    EXPECT_EQ(wholePages(3.0), 3);
    EXPECT_EQ(wholePages(2.5), 3);  // rounds to 2 (even), then up
}

TEST_F(LayoutTest, PaperTextsInBothUnits) {
    layout.UpdatePaperFormat();
    // 4961 px x 25.39995 / 600 = 210.0152 mm; 118 px = 4.9953 mm; glue 10 % of 4725 px = 20.0025 mm.
    EXPECT_EQ(c.texts[LayoutText::Paper], "210.02 x 297.01 mm");
    EXPECT_EQ(c.texts[LayoutText::TopMargin], "5.00 mm");
    EXPECT_EQ(c.texts[LayoutText::LeftMargin], "5.00 mm");
    EXPECT_EQ(c.texts[LayoutText::RightMargin], "5.00 mm");   // 4961 - 4725 - 118
    EXPECT_EQ(c.texts[LayoutText::BottomMargin], "5.00 mm");  // 7016 - 6780 - 118
    EXPECT_EQ(c.texts[LayoutText::GlueWidth], "20.00 mm");
    EXPECT_EQ(c.texts[LayoutText::GlueHeight], "28.70 mm");   // 678 px

    c.checks[LayoutCheck::MillimetresPaper] = false;
    c.caps.offsetX = 150;  // right margin 86 px
    layout.UpdatePaperFormat();
    EXPECT_EQ(c.texts[LayoutText::Paper], "8.27 x 11.69 inch");
    EXPECT_EQ(c.texts[LayoutText::LeftMargin], "0.25 inch");
    EXPECT_EQ(c.texts[LayoutText::RightMargin], "0.14 inch");
    EXPECT_EQ(c.texts[LayoutText::GlueWidth], "0.79 inch");  // 472.5 / 600 = 0.7875
}

TEST_F(LayoutTest, PagesAcrossLeadWithoutDistortion) {
    c.checks[LayoutCheck::NotDistort] = true;
    c.type(LayoutEdit::PagesAcross, 2);
    EXPECT_TRUE(layout.widthLeads());
    EXPECT_EQ(layout.columns(), 2);
    // B = 2000 x 2 / 3000 x 4725 / 6780 = 0.9292, held to the edit's two decimals.
    EXPECT_DOUBLE_EQ(v(LayoutEdit::PagesDown), 0.93);
    EXPECT_DOUBLE_EQ(layout.pagesDown(), 0.93);
    EXPECT_EQ(layout.rows(), 1);
    // 2 x 4725 px = 400.05 mm; 0.93 x 6780 px = 266.93 mm.
    EXPECT_DOUBLE_EQ(v(LayoutEdit::WidthMm), 400);
    EXPECT_DOUBLE_EQ(v(LayoutEdit::HeightMm), 267);
    EXPECT_EQ(c.texts[LayoutText::SizeBar], "Size approx.: 400 mm x 267 mm = 15.75 inch x 10.51 inch");
    EXPECT_GT(c.repaints, 0);

    // Inches in the size edits.
    c.checks[LayoutCheck::MillimetresPoster] = false;
    layout.by_anpassen();
    EXPECT_DOUBLE_EQ(v(LayoutEdit::WidthMm), 15.75);
    EXPECT_DOUBLE_EQ(v(LayoutEdit::HeightMm), 10.51);

    // The height leads the other way round: A = 3000 x 2 / 2000 x 6780 / 4725 = 4.3048.
    c.type(LayoutEdit::PagesDown, 2);
    EXPECT_FALSE(layout.widthLeads());
    EXPECT_DOUBLE_EQ(v(LayoutEdit::PagesAcross), 4.30);
    EXPECT_EQ(layout.columns(), 5);
    EXPECT_EQ(layout.rows(), 2);
}

TEST_F(LayoutTest, PageCountsZeroWholeAndUndistorted) {
    c.type(LayoutEdit::PagesAcross, 0);
    EXPECT_DOUBLE_EQ(layout.pagesAcross(), 0.1);
    EXPECT_EQ(layout.columns(), 1);
    c.type(LayoutEdit::PagesAcross, 2.3);
    EXPECT_EQ(layout.columns(), 3);
    c.type(LayoutEdit::PagesAcross, 3.0);
    EXPECT_EQ(layout.columns(), 3);
    // "Do not distort" off: pages down stay as they are.
    c.edits[LayoutEdit::PagesDown].value = 1.7;
    c.type(LayoutEdit::PagesAcross, 5);
    EXPECT_DOUBLE_EQ(v(LayoutEdit::PagesDown), 1.7);
    EXPECT_EQ(c.writes[LayoutEdit::PagesDown], 0);

    c.checks[LayoutCheck::UseAll] = true;
    c.type(LayoutEdit::PagesAcross, 2.6);
    EXPECT_DOUBLE_EQ(v(LayoutEdit::PagesAcross), 3);
    EXPECT_EQ(layout.columns(), 3);
    c.type(LayoutEdit::PagesAcross, 0.4);
    EXPECT_DOUBLE_EQ(v(LayoutEdit::PagesAcross), 1);
    EXPECT_DOUBLE_EQ(layout.pagesAcross(), 1);
    c.type(LayoutEdit::PagesAcross, 2.4);  // 2, not ceil(2.4) = 3 columns
    EXPECT_EQ(layout.columns(), 2);
}

TEST_F(LayoutTest, GlueStripsAndNoGlueAtThePostersEdge) {
    c.checks[LayoutCheck::NotDistort] = true;
    c.checks[LayoutCheck::EdgeForGlue] = true;
    // W = rounded(0.9 x 4725) = 4252 (4252.5 to even), H = 6102.
    c.type(LayoutEdit::PagesAcross, 2);
    // B = 2000 x 2 / 3000 x 4252 / 6102 = 0.9291
    EXPECT_DOUBLE_EQ(v(LayoutEdit::PagesDown), 0.93);
    EXPECT_DOUBLE_EQ(v(LayoutEdit::WidthMm), 360);  // 8504 px = 360.00 mm
    EXPECT_DOUBLE_EQ(v(LayoutEdit::HeightMm), 240);  // 0.93 x 6102 = 5674.9 px = 240.24 mm

    c.checks[LayoutCheck::NoGlueAtEdge] = true;
    c.type(LayoutEdit::PagesAcross, 2.01);
    c.type(LayoutEdit::PagesAcross, 2);
    // A' = 2 + 10 / 2 / 100 = 2.05; B = 2000 x 2.05 / 3000 x 4252 / 6102 - 10 / 1 / 100 = 0.8523
    EXPECT_DOUBLE_EQ(v(LayoutEdit::PagesDown), 0.85);
    // Width: 2 x 4252 + 472 (472.5 to even) px = 379.98 mm; height 0.85 x 6102 + 678 px = 248.27 mm.
    EXPECT_DOUBLE_EQ(v(LayoutEdit::WidthMm), 380);
    EXPECT_DOUBLE_EQ(v(LayoutEdit::HeightMm), 248);
}

TEST_F(LayoutTest, MillimetreLeadLeavesTheTypedEditAlone) {
    c.checks[LayoutCheck::NotDistort] = true;
    c.type(LayoutEdit::PagesAcross, 2);
    // 505 mm = 505 x 600 / 25.39995 px / 4725 = 2.5247 pages, held to 2.52 = 504.06 mm.
    c.type(LayoutEdit::WidthMm, 505);
    EXPECT_DOUBLE_EQ(v(LayoutEdit::PagesAcross), 2.52);
    EXPECT_DOUBLE_EQ(v(LayoutEdit::WidthMm), 505);
    EXPECT_FALSE(layout.editingWidthMm());
    // The height follows: B = 2000 x 2.52 / 3000 x 4725 / 6780 = 1.1708 -> 1.17 = 335.82 mm.
    EXPECT_DOUBLE_EQ(v(LayoutEdit::PagesDown), 1.17);
    EXPECT_DOUBLE_EQ(v(LayoutEdit::HeightMm), 336);
    EXPECT_EQ(c.texts[LayoutText::SizeBar], "Size approx.: 504 mm x 336 mm = 19.84 inch x 13.23 inch");

    // In inches: 10 inch = 6000 px = 1.27 pages.
    c.checks[LayoutCheck::MillimetresPoster] = false;
    c.type(LayoutEdit::WidthMm, 10);
    EXPECT_DOUBLE_EQ(v(LayoutEdit::PagesAcross), 1.27);
    EXPECT_DOUBLE_EQ(v(LayoutEdit::WidthMm), 10);
    EXPECT_TRUE(layout.widthLeads());

    // The height edit leads the same way.
    c.checks[LayoutCheck::MillimetresPoster] = true;
    c.type(LayoutEdit::HeightMm, 287);  // 287 mm = 6779.5 px = 1.00 pages
    EXPECT_DOUBLE_EQ(v(LayoutEdit::PagesDown), 1);
    EXPECT_DOUBLE_EQ(v(LayoutEdit::HeightMm), 287);
}

TEST_F(LayoutTest, ValuesOutsideTheEditsRangesAreHeld) {
    c.checks[LayoutCheck::NotDistort] = true;
    c.checks[LayoutCheck::EdgeForGlue] = true;
    c.edits[LayoutEdit::GlueX].value = 150;
    c.edits[LayoutEdit::GlueY].value = -20;
    EXPECT_DOUBLE_EQ(layout.glueX(), 99);
    EXPECT_DOUBLE_EQ(layout.glueY(), 0);
    c.type(LayoutEdit::PagesAcross, 250);  // typed beyond the range
    EXPECT_EQ(layout.columns(), 100);
    EXPECT_TRUE(std::isfinite(layout.pagesDown()));
    EXPECT_LE(layout.rows(), 100);
    c.type(LayoutEdit::WidthMm, 1e12);
    EXPECT_LE(v(LayoutEdit::PagesAcross), 100);
    layout.UpdatePaperFormat();
    EXPECT_EQ(c.texts[LayoutText::GlueHeight], "0.00 mm");

    // An edit without a range (both limits 0) is held to the layout's own limits only.
    c.edits[LayoutEdit::GlueX].range = {0, 0};
    c.edits[LayoutEdit::GlueX].value = 12.5;
    EXPECT_DOUBLE_EQ(layout.glueX(), 12.5);
    c.edits[LayoutEdit::GlueX].value = 100;
    EXPECT_DOUBLE_EQ(layout.glueX(), 99);

    c.edits[LayoutEdit::Increment].value = 0.5;
    layout.IncEdChange();
    EXPECT_DOUBLE_EQ(c.increment, 0.5);
}
