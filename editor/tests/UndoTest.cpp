// Undo steps: three levels, what a step restores, and running out of memory.
#include "editor/tests/EditorTestSupport.h"
#include "platform/msgbox.h"

#include <gtest/gtest.h>

using namespace edtest;

namespace {

// A "command": an undo step, then one pixel changed.
void command(Doc& d, int value) {
    d.doc.SaveForUndo();
    setpixel(d.doc.Dib.get(), 0, 0, value);
}

}  // namespace

TEST(Undo, ThreeLevelsAndTheFourthStepPushesOutTheFirst) {
    Doc d(16, 16);
    for (int i = 1; i <= 4; ++i) command(d, i);
    EXPECT_EQ(d.doc.UndoCount, 3);
    EXPECT_EQ(getpixel(d.doc.UndoSlots[0].Picture.get(), 0, 0), 1);  // before command 2
    EXPECT_EQ(getpixel(d.doc.UndoSlots[2].Picture.get(), 0, 0), 3);
    // Four undos: the states before commands 4, 3 and 2; the fourth does nothing.
    d.doc.LoadFromUndo();
    EXPECT_EQ(d.pixel(0, 0), 3);
    d.doc.LoadFromUndo();
    EXPECT_EQ(d.pixel(0, 0), 2);
    d.doc.LoadFromUndo();
    EXPECT_EQ(d.pixel(0, 0), 1);
    EXPECT_EQ(d.doc.UndoCount, 0);
    const int menus = d.window.MenuUpdates;
    d.doc.LoadFromUndo();
    EXPECT_EQ(d.pixel(0, 0), 1);
    EXPECT_EQ(d.window.MenuUpdates, menus + 1);
    EXPECT_TRUE(d.doc.Modified);  // undo does not clear it
}

TEST(Undo, FreeingASlotMovesTheLaterOnesDown) {
    Doc d(8, 8);
    for (int i = 1; i <= 3; ++i) command(d, i * 10);
    d.doc.FreeUndoBuffer(2);
    EXPECT_EQ(d.doc.UndoCount, 2);
    EXPECT_EQ(getpixel(d.doc.UndoSlots[1].Picture.get(), 0, 0), 20);
    EXPECT_FALSE(d.doc.UndoSlots[2].Picture);
    d.doc.FreeUndoBuffer(7);  // no such slot
    EXPECT_EQ(d.doc.UndoCount, 2);
    while (d.doc.UndoCount > 0) d.doc.FreeUndoBuffer(1);
    EXPECT_FALSE(d.doc.UndoSlots[0].Picture);
}

TEST(Undo, RestoresTheSelectionOrClearsIt) {
    Doc d(30, 30);
    d.doc.SaveForUndo();  // no selection
    d.doc.SelectShape(5, 5, 9, 9, 0, 0);
    d.doc.SaveForUndo();  // a 5 x 5 selection
    d.doc.SelectShape(0, 0, 29, 29, 0, 0);
    d.doc.LoadFromUndo();
    EXPECT_EQ(d.selectedCount(), 25);
    EXPECT_TRUE(d.doc.SelActive);
    EXPECT_EQ(d.doc.SelBounds.left, 5);
    d.doc.LoadFromUndo();
    EXPECT_EQ(d.selectedCount(), 0);
    EXPECT_FALSE(d.doc.SelActive);
    EXPECT_EQ(d.doc.OutlineCount(), 0);
}

TEST(Undo, AStepSavedWhileASelectionFloatsRestoresTheFloat) {
    Doc d(40, 40);
    d.doc.Color2 = 0xFFFFFF;
    d.doc.SelectShape(4, 4, 11, 11, 0, 0);
    d.window.Tool = TEditorTool::Select;
    d.doc.PaintBox1MouseDown(mbLeft, 0, 6, 6);
    d.doc.PaintBox1MouseUp(mbLeft, 0, 16, 6);  // placed 10 to the right
    ASSERT_TRUE(d.doc.DragActive);
    UniqueDib placed = copyOf(d.doc.Dib.get());
    d.doc.PaintBox1MouseDown(mbLeft, 0, 16, 6);  // the step of this press holds the placed float
    d.doc.PaintBox1MouseMove(ssLeft, 30, 30);
    EXPECT_EQ(d.doc.UndoCount, 2);
    d.doc.LoadFromUndo();  // during the move
    EXPECT_EQ(d.doc.ToolState, 0);
    EXPECT_FALSE(d.doc.Dragging);
    EXPECT_FALSE(d.view.Captured);
    EXPECT_TRUE(d.doc.DragActive);
    EXPECT_EQ(d.doc.FloatHome.x, 14);
    EXPECT_TRUE(samePixels(d.doc.Dib.get(), placed.get()));
    EXPECT_EQ(d.selectedCount(), 64);
    // Moving it again works from the restored state.
    d.doc.PaintBox1MouseDown(mbLeft, 0, 16, 6);
    EXPECT_EQ(d.doc.ToolState, 98);
    d.doc.PaintBox1MouseUp(mbLeft, 0, 17, 7);
    EXPECT_EQ(d.doc.FloatHome.x, 15);
    // Undo to before the first lift: no float at all.
    while (d.doc.UndoCount > 1) d.doc.LoadFromUndo();
    d.doc.LoadFromUndo();
    EXPECT_FALSE(d.doc.DragActive);
    EXPECT_FALSE(d.doc.FloatDib);
    EXPECT_EQ(d.doc.SelBounds.left, 4);
}

TEST(Undo, UndoAcrossASizeChangeWithAFloatInProgressLeavesAConsistentDocument) {
    Doc d(40, 30);
    d.doc.ZoomNum = 2;
    d.doc.SaveForUndo();  // 40 x 30, nothing selected
    d.doc.ReplacePicture(makePicture(25, 50, 8, pattern8));  // a resize
    EXPECT_EQ(d.view.Paint.cx, 50);
    d.doc.InitDraging(makePicture(6, 6, 8, pattern8), UniqueDib(), true, 99, false, false);
    d.doc.PaintBox1MouseMove(0, 10, 10);
    ASSERT_TRUE(d.view.Captured);
    d.doc.LoadFromUndo();
    EXPECT_EQ(DibWidth(d.doc.Dib.get()), 40);
    EXPECT_EQ(DibBitCount(d.doc.Dib.get()), 24);
    EXPECT_EQ(DibWidth(d.doc.SelMask.get()), 40);  // a new mask of the picture's size
    EXPECT_EQ(DibHeight(d.doc.SelMask.get()), 30);
    EXPECT_EQ(d.selectedCount(), 0);
    EXPECT_EQ(d.doc.ToolState, 0);
    EXPECT_FALSE(d.doc.Dragging);
    EXPECT_FALSE(d.view.Captured);
    EXPECT_FALSE(d.doc.FloatDib);
    EXPECT_FALSE(d.doc.Background);
    EXPECT_FALSE(d.doc.DragActive);
    EXPECT_EQ(d.view.Paint.cx, 80);  // the paint box follows, and the window applies the zoom
    EXPECT_EQ(d.view.Paint.cy, 60);
    EXPECT_EQ(d.window.ApplyZooms, 1);
    // The mouse does nothing odd afterwards.
    d.doc.PaintBox1MouseMove(0, 12, 12);
    d.doc.PaintBox1MouseDown(mbLeft, 0, 12, 12);
    d.doc.PaintBox1MouseMove(ssLeft, 20, 20);
    d.doc.PaintBox1MouseUp(mbLeft, 0, 20, 20);
    EXPECT_EQ(d.selectedCount(), 16);
}

TEST(Undo, OutOfMemoryWhileSavingStoresNothingAndTellsOnce) {
    Doc d(50, 50);
    command(d, 1);
    d.doc.SelectShape(0, 0, 9, 9, 0, 0);
    // A pasted picture larger than the document floats over it.
    d.doc.InitDraging(makePicture(90, 90, 24, pattern24), UniqueDib(), true, 99, false, false);
    d.doc.PaintBox1MouseDown(mbLeft, 0, 0, 0);
    ASSERT_TRUE(d.doc.DragActive);
    UniqueDib before = copyOf(d.doc.UndoSlots[0].Picture.get());
    platform::ScriptedMessageBoxes boxes;
    {
        AllocationLimit limit(50 * 50 * 3 + 200);  // picture, mask and background fit, the float does not
        d.doc.SaveForUndo();
    }
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{EditorOutOfMemoryText});
    EXPECT_EQ(boxes.captions(), std::vector<std::string>{""});
    EXPECT_EQ(boxes.shown()[0].icon(), MB_ICONERROR);
    EXPECT_EQ(d.doc.UndoCount, 1);
    EXPECT_TRUE(samePixels(d.doc.UndoSlots[0].Picture.get(), before.get()));
    EXPECT_FALSE(d.doc.UndoSlots[1].Picture);
    // With three steps stored, a failed save does not push out the oldest.
    d.doc.FinishDraging();
    command(d, 2);
    command(d, 3);
    ASSERT_EQ(d.doc.UndoCount, 3);
    boxes.clear();
    {
        AllocationLimit limit(100);
        d.doc.SaveForUndo();
    }
    EXPECT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(d.doc.UndoCount, 3);
    EXPECT_EQ(getpixel(d.doc.UndoSlots[0].Picture.get(), 0, 0), getpixel(before.get(), 0, 0));
}

TEST(Undo, TheFloatMaskIsKeptOnlyWhenTheFloatUsesOne) {
    Doc d(20, 20);
    d.doc.InitDraging(makePicture(4, 4, 24, pattern24), UniqueDib(), true, 99, false, false);
    d.doc.PaintBox1MouseDown(mbLeft, 0, 3, 3);
    d.doc.SaveForUndo();
    EXPECT_TRUE(d.doc.UndoSlots[0].FloatFlag);
    EXPECT_FALSE(d.doc.UndoSlots[0].UseMask);
    EXPECT_FALSE(d.doc.UndoSlots[0].FloatMask);
    d.doc.LoadFromUndo();
    EXPECT_TRUE(d.doc.DragActive);
    EXPECT_FALSE(d.doc.FloatUseMask);
    d.doc.FinishDraging();
    d.doc.SelectShape(2, 2, 5, 5, 0, 0);
    d.doc.MakeSelectionDragable();
    d.doc.SaveForUndo();
    EXPECT_TRUE(d.doc.UndoSlots[0].UseMask);
    EXPECT_EQ(DibWidth(d.doc.UndoSlots[0].FloatMask.get()), 4);
}

TEST(Undo, MakeDIBCopyCopiesPixelsAndPaletteOrTells) {
    Doc d(makePicture(9, 7, 4, [](int x, int y) { return (x + y) & 15; }));
    UniqueDib copy;
    EXPECT_TRUE(d.doc.MakeDIBCopy(d.doc.Dib.get(), copy));
    EXPECT_TRUE(samePixels(copy.get(), d.doc.Dib.get()));
    EXPECT_EQ(std::memcmp(copy.get().Info->bmiColors, d.doc.Dib.get().Info->bmiColors, 16 * sizeof(RGBQUAD)), 0);
    EXPECT_EQ(copy.get().Palette.palPalEntry[5].peGreen, d.doc.Dib.get().Palette.palPalEntry[5].peGreen);
    UniqueDib none;
    EXPECT_TRUE(d.doc.MakeDIBCopy(none.get(), copy));  // nothing to copy
    EXPECT_FALSE(copy);
    platform::ScriptedMessageBoxes boxes;
    AllocationLimit limit(8);
    EXPECT_FALSE(d.doc.MakeDIBCopy(d.doc.Dib.get(), copy));
    EXPECT_FALSE(copy);
    EXPECT_EQ(boxes.texts().size(), 1u);
}
