// The floating selection: lifting, moving, dropping, pasting and merging.
#include "editor/tests/EditorTestSupport.h"
#include "platform/msgbox.h"

#include <gtest/gtest.h>

using namespace edtest;

namespace {

constexpr int kBack = 0x00FFFFFF;  // colour 2 of the tests: white

// A document of w x h with a w/4-wide square selected at (x, y) and colour 2 white.
Doc& selectSquare(Doc& d, int x, int y, int size) {
    d.doc.Color2 = kBack;
    d.doc.SelectShape(x, y, x + size - 1, y + size - 1, 0, 0);
    return d;
}

}  // namespace

TEST(FloatingSelection, LiftMoveAndDropWithTheMouse) {
    Doc d(60, 40);
    UniqueDib original = copyOf(d.doc.Dib.get());
    selectSquare(d, 10, 10, 8);
    d.window.Tool = TEditorTool::Select;
    d.doc.PaintBox1MouseDown(mbLeft, 0, 12, 12);  // on the selection: lift it
    EXPECT_EQ(d.doc.ToolState, 98);
    EXPECT_TRUE(d.view.Captured);
    EXPECT_FALSE(d.doc.SelActive);
    EXPECT_EQ(d.doc.UndoCount, 1);
    // Under the float the picture keeps its pixels until the float moves away.
    EXPECT_EQ(d.pixel(10, 10), getpixel(original.get(), 10, 10));
    d.doc.PaintBox1MouseMove(ssLeft, 17, 15);
    EXPECT_EQ(d.pixel(10, 10), kBack);  // cut out, the background colour left behind
    EXPECT_EQ(d.pixel(15, 13), getpixel(original.get(), 10, 10));
    d.doc.PaintBox1MouseUp(mbLeft, 0, 17, 15);
    EXPECT_EQ(d.doc.ToolState, 0);
    EXPECT_FALSE(d.view.Captured);
    EXPECT_TRUE(d.doc.DragActive);
    EXPECT_TRUE(d.doc.SelActive);
    EXPECT_EQ(d.doc.SelBounds.left, 15);
    EXPECT_EQ(d.doc.SelBounds.top, 13);
    EXPECT_EQ(d.doc.FloatHome.x, 15);
    EXPECT_EQ(d.selectedCount(), 64);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(d.pixel(15 + x, 13 + y), getpixel(original.get(), 10 + x, 10 + y));
    EXPECT_EQ(d.pixel(11, 11), kBack);
    // Merging keeps the pixels where they are and ends the float.
    d.doc.FinishDraging();
    EXPECT_FALSE(d.doc.DragActive);
    EXPECT_FALSE(d.doc.FloatDib);
    EXPECT_FALSE(d.doc.Background);
    EXPECT_EQ(d.pixel(15, 13), getpixel(original.get(), 10, 10));
}

TEST(FloatingSelection, GrabbingAPlacedFloatAgainDoesNotMoveIt) {
    // A transparent paste with empty margins, and zooms where view and picture pixels differ.
    for (const auto& zoom : {std::make_pair(1, 1), std::make_pair(1, 3), std::make_pair(3, 1)}) {
        Doc d(90, 90);
        d.doc.Color2 = kBack;
        d.doc.ZoomNum = zoom.first;
        d.doc.ZoomDen = zoom.second;
        UniqueDib paste = makePicture(10, 10, 24, [](int x, int y) { return x < 3 || y < 2 ? kBack : 0x0000FF; });
        d.doc.InitDraging(std::move(paste), UniqueDib(), true, 99, true, false);
        d.doc.PaintBox1MouseMove(0, d.doc.PicToView(20), d.doc.PicToView(31));
        d.doc.PaintBox1MouseDown(mbLeft, 0, d.doc.PicToView(20), d.doc.PicToView(31));  // dropped
        ASSERT_TRUE(d.doc.DragActive);
        const POINT home = d.doc.FloatHome;
        EXPECT_EQ(d.doc.SelBounds.left, home.x + 3);  // the margins are not selected
        UniqueDib placed = copyOf(d.doc.Dib.get());
        d.window.Tool = TEditorTool::Hand;
        for (int round = 0; round < 4; ++round) {
            const int gx = d.doc.PicToView(home.x + 5), gy = d.doc.PicToView(home.y + 5);
            d.doc.PaintBox1MouseDown(mbLeft, 0, gx, gy);
            ASSERT_EQ(d.doc.ToolState, 98);
            d.doc.PaintBox1MouseUp(mbLeft, 0, gx, gy);
            EXPECT_EQ(d.doc.FloatHome.x, home.x) << zoom.second << " round " << round;
            EXPECT_EQ(d.doc.FloatHome.y, home.y);
            EXPECT_TRUE(samePixels(d.doc.Dib.get(), placed.get()));
        }
        // A move of one view pixel moves it by the zoom's picture pixels.
        const int gx = d.doc.PicToView(home.x + 5), gy = d.doc.PicToView(home.y + 5);
        d.doc.PaintBox1MouseDown(mbLeft, 0, gx, gy);
        d.doc.PaintBox1MouseUp(mbLeft, 0, gx + 1, gy);
        EXPECT_EQ(d.doc.FloatHome.x, home.x + d.doc.ViewToPic(1));
    }
}

TEST(FloatingSelection, ALiftedSelectionDoesNotCreepAtReducedZoom) {
    Doc d(90, 90);
    selectSquare(d, 10, 11, 8);
    d.doc.ZoomDen = 3;
    UniqueDib original = copyOf(d.doc.Dib.get());
    d.window.Tool = TEditorTool::Hand;
    for (int round = 0; round < 3; ++round) {
        d.doc.PaintBox1MouseDown(mbLeft, 0, 4, 4);  // picture (12, 12)
        ASSERT_EQ(d.doc.ToolState, 98) << round;
        d.doc.PaintBox1MouseUp(mbLeft, 0, 4, 4);
        EXPECT_EQ(d.doc.FloatHome.x, 10);
        EXPECT_EQ(d.doc.FloatHome.y, 11);
        EXPECT_EQ(d.doc.SelBounds.left, 10);
        EXPECT_TRUE(samePixels(d.doc.Dib.get(), original.get()));
    }
}

TEST(FloatingSelection, AFloatDroppedHalfOffThePictureWritesOnlyThePartInside) {
    Doc d(40, 30);
    UniqueDib paste = makePicture(20, 16, 24, [](int x, int y) { return 0x010203 * (x + y + 1); });
    UniqueDib kept = copyOf(paste.get());
    d.doc.InitDraging(std::move(paste), UniqueDib(), true, 99, false, false);
    EXPECT_EQ(d.doc.ToolState, 99);
    EXPECT_FALSE(d.doc.FloatMask);
    d.doc.PaintBox1MouseMove(0, 30, 22);
    d.doc.PaintBox1MouseDown(mbLeft, 0, 30, 22);  // bottom-right corner hangs off
    EXPECT_EQ(d.pixel(39, 29), getpixel(kept.get(), 9, 7));
    EXPECT_EQ(d.selectedCount(), 10 * 8);
    // Off the top-left edge, grabbed again and dropped without a move: it stays.
    d.window.Tool = TEditorTool::Select;
    d.doc.PaintBox1MouseDown(mbLeft, 0, 31, 23);
    d.doc.PaintBox1MouseMove(ssLeft, 31 - 40, 23 - 30);
    d.doc.PaintBox1MouseUp(mbLeft, 0, 31 - 40, 23 - 30);
    EXPECT_EQ(d.doc.FloatHome.x, -10);
    EXPECT_EQ(d.doc.FloatHome.y, -8);
    EXPECT_EQ(d.pixel(0, 0), getpixel(kept.get(), 10, 8));
    EXPECT_EQ(d.selectedCount(), 10 * 8);
    d.doc.PaintBox1MouseDown(mbLeft, 0, 2, 2);
    d.doc.PaintBox1MouseUp(mbLeft, 0, 2, 2);
    EXPECT_EQ(d.doc.FloatHome.x, -10);
    EXPECT_EQ(d.doc.SelBounds.left, 0);
    EXPECT_EQ(d.pixel(9, 7), getpixel(kept.get(), 19, 15));
}

TEST(FloatingSelection, TransparentPasteLeavesTheBackgroundColourOutForGood) {
    Doc d(30, 30);
    d.doc.Color2 = kBack;
    UniqueDib paste = makePicture(6, 6, 24, [](int x, int) { return x % 2 ? kBack : 0x00FF00; });
    UniqueDib mask = makePicture(6, 6, 1, [](int, int) { return 1; });
    d.doc.InitDraging(std::move(paste), std::move(mask), true, 99, true, true);
    d.doc.PaintBox1MouseMove(0, 4, 4);
    UniqueDib under = copyOf(d.doc.Dib.get());
    d.doc.PaintBox1MouseDown(mbLeft, 0, 4, 4);
    EXPECT_FALSE(d.doc.FloatTransparent);
    EXPECT_EQ(d.selectedCount(), 18);
    EXPECT_EQ(getpixel(d.doc.FloatMask.get(), 1, 0), 0);
    EXPECT_EQ(d.pixel(4, 4), 0x00FF00);
    EXPECT_EQ(d.pixel(5, 4), getpixel(under.get(), 5, 4));
    // Moved on, the left-out pixels still show the picture below.
    d.window.Tool = TEditorTool::Hand;
    d.doc.PaintBox1MouseDown(mbLeft, 0, 4, 4);
    d.doc.PaintBox1MouseUp(mbLeft, 0, 14, 4);
    EXPECT_EQ(d.pixel(14, 4), 0x00FF00);
    EXPECT_NE(d.pixel(15, 4), kBack);
    EXPECT_EQ(d.selectedCount(), 18);
}

TEST(FloatingSelection, TransparentPasteWithoutAMaskGetsOneOnDrop) {
    Doc d(30, 30);
    d.doc.Color2 = kBack;
    UniqueDib paste = makePicture(6, 6, 24, [](int x, int) { return x % 2 ? kBack : 0x00FF00; });
    d.doc.InitDraging(std::move(paste), UniqueDib(), true, 99, true, false);
    d.doc.PaintBox1MouseDown(mbLeft, 0, 4, 4);
    ASSERT_TRUE(d.doc.FloatUseMask);
    d.window.Tool = TEditorTool::Hand;
    d.doc.PaintBox1MouseDown(mbLeft, 0, 4, 4);
    d.doc.PaintBox1MouseUp(mbLeft, 0, 14, 4);
    EXPECT_NE(d.pixel(15, 4), kBack);  // not pasted as an opaque white
}

TEST(FloatingSelection, ASecondPasteWhileTheFirstIsPlacedDropsTheFirst) {
    Doc d(40, 40);
    UniqueDib original = copyOf(d.doc.Dib.get());
    d.doc.InitDraging(makePicture(8, 8, 24, [](int, int) { return 0xFF; }), UniqueDib(), true, 99, false, false);
    d.doc.PaintBox1MouseMove(0, 10, 10);
    EXPECT_EQ(d.pixel(10, 10), 0xFF);  // shown at the mouse, not placed
    // A second paste: the first one was never placed, so it leaves nothing behind.
    UniqueDib stale = makePicture(8, 8, 1, [](int, int) { return 1; });
    d.doc.InitDraging(makePicture(4, 4, 24, [](int, int) { return 0xFF00; }), std::move(stale), true, 99, false, false);
    EXPECT_FALSE(d.doc.FloatMask);  // a paste without a mask has none
    EXPECT_EQ(DibWidth(d.doc.FloatDib.get()), 4);
    EXPECT_TRUE(samePixels(d.doc.Background.get(), original.get()));
    d.doc.PaintBox1MouseMove(0, 30, 30);
    EXPECT_EQ(d.pixel(10, 10), getpixel(original.get(), 10, 10));
    EXPECT_EQ(d.pixel(30, 30), 0xFF00);
}

TEST(FloatingSelection, LiftingInPlaceKeepsThePictureAndChecksEveryAllocation) {
    Doc d(64, 64);
    selectSquare(d, 8, 8, 16);
    UniqueDib original = copyOf(d.doc.Dib.get());
    platform::ScriptedMessageBoxes boxes;
    {
        // The float (16 x 16) fits, the background of the whole picture does not.
        AllocationLimit limit(2000);
        d.doc.MakeSelectionDragable();
    }
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{EditorOutOfMemoryText});
    EXPECT_FALSE(d.doc.DragActive);
    EXPECT_FALSE(d.doc.FloatDib);
    EXPECT_FALSE(d.doc.FloatMask);
    d.doc.MakeSelectionDragable();
    EXPECT_TRUE(d.doc.DragActive);
    EXPECT_TRUE(d.doc.FloatUseMask);
    EXPECT_EQ(d.doc.FloatOffset.x, -8);
    EXPECT_TRUE(samePixels(d.doc.Dib.get(), original.get()));
    EXPECT_EQ(getpixel(d.doc.FloatDib.get(), 0, 0), getpixel(original.get(), 8, 8));
    d.doc.MakeSelectionDragable();  // only once
    EXPECT_EQ(DibWidth(d.doc.FloatDib.get()), 16);
}

TEST(FloatingSelection, LiftingForAMoveWithoutMemoryCutsNothing) {
    Doc d(64, 64);
    selectSquare(d, 8, 8, 16);
    UniqueDib original = copyOf(d.doc.Dib.get());
    platform::ScriptedMessageBoxes boxes;
    {
        AllocationLimit limit(2000);
        d.doc.LiftForMove(10, 10);
    }
    EXPECT_EQ(boxes.texts().size(), 1u);
    EXPECT_TRUE(samePixels(d.doc.Dib.get(), original.get()));
    EXPECT_EQ(d.doc.ToolState, 0);
    EXPECT_TRUE(d.doc.SelActive);
    EXPECT_FALSE(d.view.Captured);
}

TEST(FloatingSelection, BackgroundIsCopiedOnlyOverAPictureOfItsShape) {
    Doc d(20, 20);
    d.doc.Background = makePicture(10, 10, 24, [](int, int) { return 0; });
    UniqueDib original = copyOf(d.doc.Dib.get());
    EXPECT_FALSE(d.doc.RestoreBackground());
    EXPECT_TRUE(samePixels(d.doc.Dib.get(), original.get()));
    d.doc.Background = makePicture(20, 20, 8, [](int, int) { return 0; });
    EXPECT_FALSE(d.doc.RestoreBackground());
    d.doc.Background = makePicture(20, 20, 24, [](int, int) { return 7; });
    EXPECT_TRUE(d.doc.RestoreBackground());
    EXPECT_EQ(d.pixel(3, 3), 7);
}

TEST(FloatingSelection, ReplacingThePictureEndsTheFloatFirst) {
    Doc d(40, 40);
    selectSquare(d, 4, 4, 8);
    d.window.Tool = TEditorTool::Select;
    d.doc.PaintBox1MouseDown(mbLeft, 0, 5, 5);
    d.doc.PaintBox1MouseMove(ssLeft, 25, 25);  // still being moved
    d.doc.ReplacePicture(makePicture(30, 20, 8, pattern8));
    EXPECT_EQ(d.doc.ToolState, 0);
    EXPECT_FALSE(d.doc.Dragging);
    EXPECT_FALSE(d.view.Captured);
    EXPECT_FALSE(d.doc.FloatDib);
    EXPECT_FALSE(d.doc.Background);
    EXPECT_EQ(DibWidth(d.doc.SelMask.get()), 30);
    EXPECT_EQ(DibHeight(d.doc.SelMask.get()), 20);
    EXPECT_EQ(d.selectedCount(), 0);
    EXPECT_EQ(d.view.Paint.cx, 30);
    // A lifted float in progress goes back where it came from when it is ended.
    Doc e(40, 40);
    UniqueDib original = copyOf(e.doc.Dib.get());
    selectSquare(e, 4, 4, 8);
    e.doc.PaintBox1MouseDown(mbLeft, 0, 5, 5);
    e.doc.PaintBox1MouseMove(ssLeft, 25, 25);
    e.doc.EndFloatingState();
    EXPECT_TRUE(samePixels(e.doc.Dib.get(), original.get()));
    EXPECT_EQ(e.selectedCount(), 64);
}
