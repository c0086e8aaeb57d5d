// New sizes on the document: reduction to the selection, pictures installed while a
// floating selection exists, failed turns, masks that cannot be made, and the mirrors.
#include "editor/DocumentOps.h"
#include "editor/tests/OpsTestSupport.h"
#include "platform/msgbox.h"
#include "poster/FlipTurn.h"

#include <gtest/gtest.h>

using namespace opstest2;
using edtest::AllocationLimit;

namespace {

UniqueDib colourful(int w, int h) {
    return truecolour(w, h, [](int x, int y) { return rgb(x * 9 + 3, y * 11 + 5, (x + y) * 7 + 1); });
}

}  // namespace

TEST(ReduceToSelection, ABoxOfTenByFiveGivesThatPictureAndAnEmptyMask) {
    OpsDoc d(colourful(30, 20));
    d.select([](int x, int y) { return x >= 4 && x <= 13 && y >= 6 && y <= 10 && (x + y) % 3 != 0; });
    ProgressLog log;
    ASSERT_TRUE(editorops::ReduceToSelection(d.doc, log.sink()));
    const TDib& r = d.doc.Dib.get();
    ASSERT_EQ(DibWidth(r), 10);
    ASSERT_EQ(DibHeight(r), 5);
    EXPECT_EQ(DibBitCount(r), 24);
    // Selected pixels are copied; the others keep the new picture's first content.
    EXPECT_EQ(d.pixel(1, 0), rgb(5 * 9 + 3, 6 * 11 + 5, 11 * 7 + 1));
    EXPECT_EQ(d.pixel(0, 2), 0) << "(4, 8) was not selected";
    ASSERT_TRUE(d.doc.SelMask);
    EXPECT_EQ(DibWidth(d.doc.SelMask.get()), 10);
    EXPECT_FALSE(d.doc.SelActive);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x) EXPECT_EQ(getpixel(d.doc.SelMask.get(), x, y), 0);
    EXPECT_EQ(d.doc.UndoCount, 1);
    EXPECT_EQ(log.seen.front(), 0);
    EXPECT_EQ(log.seen.back(), 0);
    EXPECT_EQ(log.highest(), 100);
    // Undone: the whole picture and the selection are back.
    d.doc.LoadFromUndo();
    EXPECT_EQ(DibWidth(d.doc.Dib.get()), 30);
    EXPECT_TRUE(d.doc.SelActive);
    // Without a selection there is nothing to reduce to.
    d.doc.ClearSelection();
    EXPECT_FALSE(editorops::ReduceToSelection(d.doc));
    EXPECT_EQ(DibWidth(d.doc.Dib.get()), 30);
}

TEST(ReduceToSelection, ASelectionOneRowHighShowsNoProgressAndKeepsTheRow) {
    OpsDoc d(colourful(16, 9));
    d.selectBox(3, 4, 12, 4);
    ProgressLog log;
    ASSERT_TRUE(editorops::ReduceToSelection(d.doc, log.sink()));
    EXPECT_EQ(DibWidth(d.doc.Dib.get()), 10);
    EXPECT_EQ(DibHeight(d.doc.Dib.get()), 1);
    EXPECT_EQ(d.pixel(0, 0), rgb(3 * 9 + 3, 4 * 11 + 5, 7 * 7 + 1));
    ASSERT_FALSE(log.seen.empty());
    EXPECT_EQ(log.highest(), 0) << "one row: 0 throughout, no division by zero";
    // A single pixel likewise.
    d.selectBox(2, 0, 2, 0);
    ASSERT_TRUE(editorops::ReduceToSelection(d.doc, log.sink()));
    EXPECT_EQ(DibWidth(d.doc.Dib.get()), 1);
    EXPECT_EQ(DibHeight(d.doc.Dib.get()), 1);
}

TEST(ReduceToSelection, WithoutMemoryForThePictureItSaysSoAndKeepsEverything) {
    OpsDoc d(colourful(40, 30));
    d.selectBox(0, 0, 29, 29);
    const std::vector<BYTE> before = allBytes(d.doc.Dib.get());
    {
        AllocationLimit limit(100);
        EXPECT_FALSE(editorops::ReduceToSelection(d.doc));
    }
    ASSERT_EQ(d.window.Boxes.size(), 1u);
    EXPECT_EQ(d.window.Boxes[0].text, "Error: Could not create picture! (Low memory?)");
    EXPECT_EQ(d.window.Boxes[0].caption, "");
    EXPECT_EQ(d.window.Boxes[0].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(allBytes(d.doc.Dib.get()), before);
    EXPECT_EQ(d.doc.UndoCount, 0);
    EXPECT_TRUE(d.doc.SelActive);
}

TEST(SetNewSizedDib, AFloatingSelectionIsMergedBeforeThePictureShrinks) {
    OpsDoc d(colourful(40, 30));
    d.selectBox(20, 15, 39, 29);
    d.doc.MakeSelectionDragable();
    ASSERT_TRUE(d.doc.DragActive);
    ASSERT_EQ(DibWidth(d.doc.Background.get()), 40);
    // A drag of the float in progress when the new picture arrives.
    d.view.Paint = SIZE{40, 30};
    d.doc.LiftForMove(25, 20);
    d.doc.MoveFloat(15, 12);
    ASSERT_EQ(d.doc.ToolState, 98);
    ASSERT_TRUE(editorops::SetNewSizedDib(d.doc, colourful(10, 8)));
    EXPECT_FALSE(d.doc.DragActive);
    EXPECT_FALSE(d.doc.Dragging);
    EXPECT_FALSE(d.doc.FloatDib);
    EXPECT_FALSE(d.doc.FloatMask);
    EXPECT_FALSE(d.doc.Background);
    EXPECT_EQ(DibWidth(d.doc.SelMask.get()), 10);
    EXPECT_EQ(DibHeight(d.doc.SelMask.get()), 8);
    // The step holds the picture with the float put back where it was lifted from.
    d.doc.LoadFromUndo();
    EXPECT_EQ(DibWidth(d.doc.Dib.get()), 40);
    EXPECT_EQ(d.pixel(20, 15), rgb(20 * 9 + 3, 15 * 11 + 5, 35 * 7 + 1));
}

TEST(SetNewSizedDib, APictureWhoseMaskCannotBeMadeHasNoneAndNothingUsesIt) {
    OpsDoc d(colourful(20, 10));
    d.selectBox(2, 2, 8, 8);
    UniqueDib bigger = colourful(50, 40);
    {
        AllocationLimit none(1);
        ASSERT_TRUE(editorops::SetNewSizedDib(d.doc, std::move(bigger)));
        EXPECT_EQ(DibWidth(d.doc.Dib.get()), 50);
        EXPECT_FALSE(d.doc.SelMask);
        EXPECT_FALSE(d.doc.SelActive);
        ASSERT_FALSE(d.window.Boxes.empty());
        EXPECT_EQ(d.window.Boxes.back().text, "Could not create bitmap.");
        EXPECT_EQ(d.window.Boxes.back().caption, "Not enough free memory(?)!");
        // The outline, the wand, a selection shape and a lift leave the missing mask alone.
        d.doc.UpdateSelddib();
        EXPECT_TRUE(d.doc.OutlinePoints.empty());
        d.doc.MagicWand(5, 5, 0);
        d.doc.SelectShape(1, 1, 30, 30, 0, 0);
        d.doc.MakeSelectionDragable();
        EXPECT_FALSE(d.doc.DragActive);
        EXPECT_FALSE(editorops::ReduceToSelection(d.doc));
        EXPECT_EQ(DibWidth(d.doc.Dib.get()), 50);
    }
    // The next new size brings a mask again.
    ASSERT_TRUE(editorops::SetNewSizedDib(d.doc, colourful(12, 7)));
    ASSERT_TRUE(d.doc.SelMask);
    EXPECT_EQ(DibWidth(d.doc.SelMask.get()), 12);
}

TEST(SetNewSizedDib, NoPictureKeepsTheOldOneAndTheUndoSteps) {
    OpsDoc d(colourful(20, 10));
    const std::vector<BYTE> before = allBytes(d.doc.Dib.get());
    EXPECT_FALSE(editorops::SetNewSizedDib(d.doc, UniqueDib()));
    ASSERT_EQ(d.window.Boxes.size(), 1u);
    EXPECT_EQ(d.window.Boxes[0].text, "Error when modifying the size...");
    EXPECT_EQ(d.window.Boxes[0].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(allBytes(d.doc.Dib.get()), before);
    EXPECT_EQ(d.doc.UndoCount, 0);
    EXPECT_FALSE(d.doc.Modified);
}

TEST(FlipPicture, WithoutASelectionTheWholePictureAtEveryDepth) {
    for (int bits : {1, 4, 8, 24}) {
        SCOPED_TRACE(bits);
        OpsDoc d(edtest::makePicture(7, 5, bits, [bits](int x, int y) {
            return bits == 24 ? rgb(x * 30, y * 40, 9) : (x + 3 * y) % (1 << bits);
        }));
        UniqueDib start = edtest::copyOf(d.doc.Dib.get());
        ASSERT_TRUE(editorops::FlipPicture(d.doc, true));
        EXPECT_EQ(d.pixel(0, 1), getpixel(start.get(), 6, 1));
        ASSERT_TRUE(editorops::FlipPicture(d.doc, false));
        EXPECT_EQ(d.pixel(0, 0), getpixel(start.get(), 6, 4));
        ASSERT_TRUE(editorops::FlipPicture(d.doc, false));
        ASSERT_TRUE(editorops::FlipPicture(d.doc, true));
        EXPECT_TRUE(edtest::samePixels(d.doc.Dib.get(), start.get()));
    }
}

TEST(FlipPicture, WithASelectionOnlyTheFloatingPictureAtItsPlace) {
    OpsDoc d(colourful(20, 12));
    d.select([](int x, int y) { return x >= 4 && x <= 9 && y >= 2 && y <= 5 && !(x == 4 && y == 2); });
    UniqueDib start = edtest::copyOf(d.doc.Dib.get());
    ASSERT_TRUE(editorops::FlipPicture(d.doc, true));
    EXPECT_TRUE(d.doc.DragActive);
    // Inside the box, left and right change places; the corner outside the mask goes along.
    EXPECT_EQ(d.pixel(4, 3), getpixel(start.get(), 9, 3));
    EXPECT_EQ(d.pixel(9, 3), getpixel(start.get(), 4, 3));
    EXPECT_EQ(d.pixel(9, 2), getpixel(start.get(), 9, 2)) << "the unselected corner's place shows the picture";
    EXPECT_EQ(getpixel(d.doc.SelMask.get(), 9, 2), 0);
    EXPECT_EQ(getpixel(d.doc.SelMask.get(), 4, 2), 1);
    // Outside the box nothing changed.
    for (int x : {0, 3, 10, 19}) EXPECT_EQ(d.pixel(x, 3), getpixel(start.get(), x, 3));
    EXPECT_EQ(d.doc.SelBounds.left, 4);
    EXPECT_EQ(d.doc.SelBounds.right, 9);
    // Flipped top-bottom too, then both back: the picture of the start.
    ASSERT_TRUE(editorops::FlipPicture(d.doc, false));
    ASSERT_TRUE(editorops::FlipPicture(d.doc, false));
    ASSERT_TRUE(editorops::FlipPicture(d.doc, true));
    EXPECT_TRUE(edtest::samePixels(d.doc.Dib.get(), start.get()));
    // Without memory for the mirrored float nothing changes.
    const std::vector<BYTE> before = allBytes(d.doc.Dib.get());
    {
        AllocationLimit none(1);
        EXPECT_FALSE(editorops::FlipPicture(d.doc, true));
    }
    EXPECT_EQ(allBytes(d.doc.Dib.get()), before);
}
