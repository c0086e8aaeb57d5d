// The selection mask: outline, ants, rectangle, ellipse, free-hand and magic-wand selections.
#include "editor/tests/EditorTestSupport.h"
#include "platform/msgbox.h"

#include <gtest/gtest.h>

#include <set>

using namespace edtest;

namespace {

std::set<std::pair<int, int>> outline(const TChildDocument& doc) {
    std::set<std::pair<int, int>> s;
    for (const POINT& p : doc.OutlinePoints) s.emplace(p.x, p.y);
    return s;
}

}  // namespace

TEST(SelectionOutline, SinglePixelAndBorderSelections) {
    Doc d(20, 10);
    setpixel(d.doc.SelMask.get(), 7, 4, 1);
    d.doc.UpdateSelddib();
    EXPECT_TRUE(d.doc.SelActive);
    EXPECT_EQ(outline(d.doc), (std::set<std::pair<int, int>>{{7, 4}}));
    EXPECT_EQ(d.doc.SelBounds.left, 7);
    EXPECT_EQ(d.doc.SelBounds.top, 4);
    EXPECT_EQ(d.doc.SelBounds.right, 7);
    EXPECT_EQ(d.doc.SelBounds.bottom, 4);
    // Everything selected: exactly the border pixels, on all four sides.
    d.doc.SelectShape(0, 0, 19, 9, 0, 0);
    const auto o = outline(d.doc);
    EXPECT_EQ(o.size(), 2u * 20 + 2u * 8);
    for (int x = 0; x < 20; ++x) EXPECT_TRUE(o.count({x, 0}) && o.count({x, 9})) << x;
    for (int y = 0; y < 10; ++y) EXPECT_TRUE(o.count({0, y}) && o.count({19, y})) << y;
    EXPECT_EQ(d.doc.SelBounds.right, 19);
    EXPECT_EQ(d.doc.SelBounds.bottom, 9);
    // Nothing selected.
    d.doc.ClearSelection();
    d.doc.UpdateSelddib();
    EXPECT_FALSE(d.doc.SelActive);
    EXPECT_EQ(d.doc.OutlineCount(), 0);
}

TEST(SelectionOutline, ASelectionOneAwayFromTheTopLeftBorderIsOutlinedThere) {
    Doc d(20, 10);
    d.doc.SelectShape(1, 1, 5, 5, 0, 0);
    const auto o = outline(d.doc);
    for (int y = 1; y <= 5; ++y) EXPECT_TRUE(o.count({1, y})) << y;  // the left side
    for (int x = 1; x <= 5; ++x) EXPECT_TRUE(o.count({x, 1})) << x;  // the top side
    for (const auto& p : o) EXPECT_TRUE(p.first == 1 || p.first == 5 || p.second == 1 || p.second == 5);
    EXPECT_EQ(d.doc.SelBounds.left, 1);
    EXPECT_EQ(d.doc.SelBounds.top, 1);
}

TEST(SelectionOutline, AntsMoveOnePixelPerTickAndOnlyWhileNoDragRuns) {
    Doc d(40, 20);
    d.doc.SelectShape(0, 0, 39, 19, 0, 0);
    auto whites = [&](const RECT& r) {
        std::vector<std::pair<int, int>> w;
        d.doc.ForEachAnt(r, [&](int x, int y, int size, bool white) {
            EXPECT_EQ(size, 1);
            if (white) w.emplace_back(x, y);
        });
        return w;
    };
    const RECT all{0, 0, 40, 20};
    const auto before = whites(all);
    // Phase 0 on the top row: dashes of five, white where (x div 5) is odd.
    EXPECT_TRUE(std::count(before.begin(), before.end(), std::make_pair(5, 0)));
    EXPECT_FALSE(std::count(before.begin(), before.end(), std::make_pair(4, 0)));
    const int overlays = d.view.OverlayChanges;
    d.doc.Timer1Timer();
    EXPECT_EQ(d.doc.AntsPhase, 1);
    EXPECT_EQ(d.view.OverlayChanges, overlays + 1);
    const auto after = whites(all);
    EXPECT_TRUE(std::count(after.begin(), after.end(), std::make_pair(4, 0)));
    for (int i = 0; i < 9; ++i) d.doc.Timer1Timer();
    EXPECT_EQ(d.doc.AntsPhase, 0);
    // Only the part that meets the visible rectangle is visited.
    int visits = 0;
    d.doc.ForEachAnt(RECT{30, 0, 40, 5}, [&](int x, int y, int, bool) {
        ++visits;
        EXPECT_GE(x, 30);
        EXPECT_LT(y, 5);
    });
    EXPECT_EQ(visits, 10 + 4);  // the top row and the right column below it
    d.doc.Dragging = true;
    d.doc.Timer1Timer();
    EXPECT_EQ(d.doc.AntsPhase, 0);
    // Enlarged views paint squares of the zoom's size.
    d.doc.Dragging = false;
    d.doc.ZoomNum = 4;
    d.doc.ForEachAnt(RECT{0, 0, 8, 8}, [&](int x, int y, int size, bool) {
        EXPECT_EQ(size, 4);
        EXPECT_EQ(x % 4, 0);
        EXPECT_EQ(y % 4, 0);
    });
}

TEST(SelectionShapes, RectangleDraggedWithTheMouseAddsAndRemoves) {
    Doc d(60, 40);
    d.drag(10, 10, 30, 20);
    EXPECT_EQ(d.doc.ToolState, 0);
    EXPECT_FALSE(d.view.Captured);
    EXPECT_EQ(d.selectedCount(), 20 * 10);  // the current point less 1: 10..29 x 10..19
    EXPECT_EQ(d.mask(10, 10), 1);
    EXPECT_EQ(d.mask(29, 19), 1);
    EXPECT_EQ(d.mask(30, 20), 0);
    EXPECT_EQ(d.window.Status[0], "( 10 , 10 ) - >( 30 , 20 ) = ( 21 x 11 )");
    d.drag(40, 10, 45, 15, ssShift);  // Shift adds
    EXPECT_EQ(d.selectedCount(), 200 + 25);
    d.drag(10, 10, 20, 20, ssCtrl);  // Ctrl removes
    EXPECT_EQ(d.selectedCount(), 225 - 100);
    d.drag(0, 0, 3, 3);  // neither: a new selection
    EXPECT_EQ(d.selectedCount(), 9);
    // At 2:1 the points are halved.
    d.doc.ZoomNum = 2;
    d.drag(20, 20, 41, 31);
    EXPECT_EQ(d.mask(10, 10), 1);
    EXPECT_EQ(d.mask(20, 15), 1);
    EXPECT_EQ(d.selectedCount(), 11 * 6);
}

TEST(SelectionShapes, SquareFeedbackAndSelection) {
    Doc d(80, 80);
    d.window.Type = 1;  // "Square"
    d.doc.PaintBox1MouseDown(mbLeft, 0, 10, 10);
    d.doc.PaintBox1MouseMove(ssLeft, 40, 20);  // 30 right, 10 down: a 10 x 10 box
    EXPECT_EQ(d.doc.Feedback.Kind, TFeedback::Rectangle);
    EXPECT_EQ(d.doc.Feedback.B.x, 20);
    EXPECT_EQ(d.doc.Feedback.B.y, 20);
    d.doc.PaintBox1MouseUp(mbLeft, 0, 40, 20);
    EXPECT_EQ(d.doc.Feedback.Kind, TFeedback::None);
    EXPECT_EQ(d.selectedCount(), 100);
    // The rubber band stays inside the paint box.
    d.window.Type = 0;
    d.doc.PaintBox1MouseDown(mbLeft, 0, 70, 70);
    d.doc.PaintBox1MouseMove(ssLeft, 500, -20);
    EXPECT_EQ(d.doc.Feedback.B.x, 79);
    EXPECT_EQ(d.doc.Feedback.B.y, 0);
    d.doc.PaintBox1MouseUp(mbLeft, 0, 500, -20);
}

TEST(SelectionShapes, EllipseIsSymmetricAndFilled) {
    Doc d(41, 31);
    d.window.Type = 2;  // "Ellipse"
    d.drag(0, 0, 41, 31);
    EXPECT_EQ(d.mask(20, 15), 1);
    EXPECT_EQ(d.mask(0, 0), 0);
    EXPECT_EQ(d.mask(40, 30), 0);
    EXPECT_EQ(d.mask(0, 15), 1);
    EXPECT_EQ(d.mask(20, 0), 1);
    for (int y = 0; y < 31; ++y)
        for (int x = 0; x < 41; ++x) {
            EXPECT_EQ(d.mask(x, y), d.mask(40 - x, y));
            EXPECT_EQ(d.mask(x, y), d.mask(x, 30 - y));
        }
}

TEST(SelectionShapes, FreeHandStrokeFillsEvenOddWithItsOutline) {
    Doc d(60, 60);
    d.window.Tool = TEditorTool::FreeSelect;
    // A five-pointed star drawn in one stroke: its centre is crossed twice and stays out.
    const std::vector<POINT> star{{30, 2}, {47, 55}, {2, 21}, {58, 21}, {13, 55}};
    d.doc.PaintBox1MouseDown(mbLeft, 0, star[0].x, star[0].y);
    EXPECT_EQ(d.doc.ToolState, 5);
    EXPECT_TRUE(d.doc.FreeSelPolygons.Used);
    for (std::size_t i = 0; i < star.size(); ++i) d.doc.PaintBox1MouseMove(ssLeft, star[i].x, star[i].y);
    EXPECT_EQ(d.doc.FreeSelPolygons.A.front().size(), star.size());
    d.doc.PaintBox1MouseUp(mbLeft, 0, star[0].x, star[0].y);
    EXPECT_FALSE(d.doc.FreeSelPolygons.Used);
    EXPECT_TRUE(d.doc.FreeSelPolygons.A.empty());
    EXPECT_EQ(d.mask(30, 33), 0);  // the pentagon in the middle
    EXPECT_EQ(d.mask(30, 10), 1);  // the top point
    EXPECT_EQ(d.mask(8, 22), 1);   // the left point
    EXPECT_EQ(d.mask(2, 21), 1);   // the outline's own pixels
    EXPECT_EQ(d.mask(47, 55), 1);
    EXPECT_EQ(d.mask(2, 50), 0);
    // Points dragged outside are held at the paint box's edge.
    d.doc.PaintBox1MouseDown(mbLeft, 0, 5, 5);
    d.doc.PaintBox1MouseMove(ssLeft, -30, 5);
    d.doc.PaintBox1MouseMove(ssLeft, -30, 200);
    EXPECT_EQ(d.doc.FreeSelPolygons.A.front()[1].x, 0);
    EXPECT_EQ(d.doc.FreeSelPolygons.A.front()[1].y, 59);
    d.doc.PaintBox1MouseUp(mbLeft, 0, 5, 200);
    EXPECT_EQ(d.mask(0, 40), 1);
    EXPECT_EQ(d.mask(4, 58), 1);
    EXPECT_EQ(d.mask(30, 33), 0);
}

TEST(SelectionWand, SelectsTheToleranceRegionAndHonoursShiftAndCtrl) {
    // Left half value 3, right half value 5, a column of 0 in the left half.
    Doc d(makePicture(20, 10, 8, [](int x, int) { return x == 4 ? 0 : x < 10 ? 3 : 5; }));
    d.window.Tool = TEditorTool::MagicWand;
    d.window.Tol = 0;
    d.doc.PaintBox1MouseDown(mbLeft, 0, 12, 3);
    d.doc.PaintBox1MouseUp(mbLeft, 0, 12, 3);
    EXPECT_EQ(d.selectedCount(), 100);
    EXPECT_EQ(d.mask(15, 5), 1);
    EXPECT_EQ(d.mask(9, 5), 0);
    // On a pixel of value 0 the fill takes the last index and still selects the column.
    d.doc.MagicWand(4, 0, ssShift);
    EXPECT_EQ(d.selectedCount(), 110);
    // Ctrl takes the filled part away and keeps the rest.
    d.doc.MagicWand(15, 0, ssCtrl);
    EXPECT_EQ(d.selectedCount(), 10);
    EXPECT_EQ(d.mask(4, 9), 1);
    // Tolerance 0 on a uniform picture selects everything.
    Doc u(makePicture(16, 16, 24, [](int, int) { return 0x204060; }));
    u.window.Tol = 0;
    u.doc.MagicWand(3, 3, 0);
    EXPECT_EQ(u.selectedCount(), 256);
}

TEST(SelectionWand, RegionPixelsThatAlreadyHaveTheFillColourAreSelectedToo) {
    // Dark grey with black spots: within the tolerance of the clicked grey, and equal to
    // the fill colour (black) that the wand uses for a non-black start pixel.
    Doc d(makePicture(12, 12, 24, [](int x, int y) { return (x + y) % 3 == 0 ? 0 : 0x141414; }));
    d.window.Tol = 25;
    d.doc.MagicWand(1, 0, 0);
    EXPECT_EQ(d.selectedCount(), 144);
    EXPECT_EQ(d.mask(0, 0), 1);
}

TEST(SelectionWand, OutOfMemoryLeavesTheSelection) {
    Doc d(64, 64);
    d.doc.SelectShape(5, 5, 9, 9, 0, 0);
    platform::ScriptedMessageBoxes boxes;
    {
        AllocationLimit limit(1000);  // below the work copy of the picture
        d.doc.MagicWand(30, 30, 0);
    }
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], EditorOutOfMemoryText);
    EXPECT_EQ(boxes.shown()[0].icon(), MB_ICONERROR);
    EXPECT_EQ(d.selectedCount(), 25);
}
