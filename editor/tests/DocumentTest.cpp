// The document on its own: coordinates, zoom and scrolling, caption and status texts.
#include "editor/tests/EditorTestSupport.h"

#include <gtest/gtest.h>

using namespace edtest;

TEST(DocumentCoordinates, ViewAndPictureConversionsTruncateTowardZero) {
    Doc d(40, 30);
    d.doc.ZoomNum = 2;
    EXPECT_EQ(d.doc.ViewToPic(7), 3);
    EXPECT_EQ(d.doc.ViewToPic(-3), -1);  // a drag captured left of the picture: not -2
    EXPECT_EQ(d.doc.ViewToPic(-1), 0);
    EXPECT_EQ(d.doc.PicToView(-3), -6);
    d.doc.ZoomNum = 1;
    d.doc.ZoomDen = 3;
    EXPECT_EQ(d.doc.ViewToPic(-1), -3);
    EXPECT_EQ(d.doc.PicToView(-4), -1);
    EXPECT_EQ(d.doc.PicToView(5), 1);
}

TEST(DocumentTexts, CaptionShowsNameModifiedFlagAndZoom) {
    Doc d(40, 30);
    EXPECT_EQ(d.doc.CaptionText(), "Tessellon: Chromalde - NONAME [1:1]");
    d.doc.ZoomIn(0, 0);
    EXPECT_EQ(d.window.Captions.back(), "Tessellon: Chromalde - NONAME [2:1]");
    d.doc.SaveForUndo();  // the first step marks the document modified
    EXPECT_TRUE(d.doc.Modified);
    EXPECT_EQ(d.window.Captions.back(), "Tessellon: Chromalde - NONAME* [2:1]");
    d.doc.ZoomOut(0, 0);
    d.doc.ZoomOut(0, 0);
    EXPECT_EQ(d.doc.CaptionText(), "Tessellon: Chromalde - NONAME* [1:2]");
}

TEST(DocumentTexts, StatusTextNeedsAPicture) {
    Doc d(100, 50);
    d.doc.ScrollBox1MouseMove(0, 3, 4);
    // 100 x 50 x 24 bits: 300 bytes a row, 15000 bytes, 14 KByte.
    EXPECT_EQ(d.window.Status[1], "Picture: 100 x 50 x 16777216 - 14 KByte");
    d.doc.PaintBox1MouseMove(0, 3, 4);
    EXPECT_EQ(d.window.Status[1], "Picture: 100 x 50 x 16777216 - 14 KByte    ");
    EXPECT_EQ(d.window.Status[0], "( 3 , 4 )");
    // A step restored after running out of memory would leave no pixels: an empty status.
    d.doc.Dib.reset();
    d.doc.ScrollBox1MouseMove(0, 3, 4);
    EXPECT_EQ(d.window.Status[1], "");
    d.doc.PaintBox1MouseMove(0, 3, 4);
    EXPECT_EQ(d.window.Status[1], "");
    int r = -1, g = -1, b = -1;
    d.doc.SplitColor(0x123456, r, g, b);
    EXPECT_EQ(r, 0x56);
    EXPECT_EQ(b, 0x12);
}

TEST(DocumentTexts, SwatchesShowPaletteEntriesOrTheColourItself) {
    Doc d(makePicture(8, 8, 4, [](int, int) { return 0; }));
    COLORREF c1 = 0, c2 = 0;
    struct Swatches : TestWindow {
        COLORREF* a;
        COLORREF* b;
        void SwatchesChanged(COLORREF x, COLORREF y) override { *a = x, *b = y; }
    } w;
    w.a = &c1;
    w.b = &c2;
    d.doc.SetWindowLink(&w);
    d.doc.setcol2(15);
    const PALETTEENTRY& e = d.doc.Dib.get().Palette.palPalEntry[15];
    EXPECT_EQ(c2, RGB(e.peRed, e.peGreen, e.peBlue));
    Doc t(4, 4);
    t.doc.SetWindowLink(&w);
    t.doc.setcol1(0x00336699);
    EXPECT_EQ(c1, 0x00336699u);
}

TEST(DocumentZoom, StepsThroughEveryFactorAndSizesThePaintBox) {
    Doc d(10, 12);
    std::vector<std::pair<int, int>> seen;
    for (int i = 0; i < 20; ++i) {
        d.doc.ZoomOut(0, 0);
        seen.emplace_back(d.doc.ZoomNum, d.doc.ZoomDen);
    }
    EXPECT_EQ(seen[0], std::make_pair(1, 2));
    EXPECT_EQ(seen[14], std::make_pair(1, 16));
    EXPECT_EQ(seen[19], std::make_pair(1, 16));  // nothing below 1:16
    EXPECT_EQ(d.window.ZoomEntries.back(), 30);
    d.doc.ZoomNum = 1;
    d.doc.ZoomDen = 5;
    d.doc.ZoomIn(0, 0);  // 1:4
    EXPECT_EQ(d.view.Paint.cx, 2);  // 10 x 1 div 4
    EXPECT_EQ(d.view.Paint.cy, 3);
    for (int i = 0; i < 30; ++i) d.doc.ZoomIn(0, 0);
    EXPECT_EQ(d.doc.ZoomNum, 16);
    EXPECT_EQ(d.doc.ZoomDen, 1);
    EXPECT_EQ(d.view.Paint.cx, 160);
    EXPECT_EQ(d.window.ZoomEntries.back(), 0);
    EXPECT_EQ(TChildDocument::ZoomBoxIndex(1, 1), 15);
    EXPECT_EQ(TChildDocument::ZoomBoxIndex(2, 1), 14);
    EXPECT_EQ(TChildDocument::ZoomBoxIndex(1, 2), 16);
}

TEST(DocumentZoom, ZoomCentresThePointAndStaysInsideTheRange) {
    Doc d(1000, 800);
    d.view.Box = SIZE{200, 100};
    d.doc.ZoomIn(500, 400);  // 2:1, point (500, 400) of the picture
    EXPECT_EQ(d.view.H, 1000 - 100);
    EXPECT_EQ(d.view.V, 800 - 50);
    // A small picture keeps both positions at 0.
    Doc s(50, 40);
    s.doc.ZoomIn(45, 35);
    EXPECT_EQ(s.view.H, 0);
    EXPECT_EQ(s.view.V, 0);
    // Near the bottom-right corner at high zoom: the largest positions.
    for (int i = 0; i < 10; ++i) d.doc.ZoomIn(d.doc.PicToView(999), d.doc.PicToView(799));
    EXPECT_EQ(d.doc.ZoomNum, 12);
    EXPECT_EQ(d.view.H, d.view.Paint.cx - d.view.Box.cx);
    EXPECT_EQ(d.view.V, d.view.Paint.cy - d.view.Box.cy);
    // At 16:1 a further zoom changes nothing but recentres and refreshes the caption.
    for (int i = 0; i < 10; ++i) d.doc.ZoomIn(0, 0);
    const std::size_t captions = d.window.Captions.size();
    d.doc.ZoomIn(16 * 300, 16 * 200);
    EXPECT_EQ(d.doc.ZoomNum, 16);
    EXPECT_EQ(d.view.H, 16 * 300 - 100);
    EXPECT_EQ(d.view.V, 16 * 200 - 50);
    EXPECT_EQ(d.window.Captions.size(), captions + 1);
}

TEST(DocumentZoom, HandToolScrollsByTheDistanceDraggedAndStopsAtTheEdges) {
    Doc d(1000, 800);
    d.window.Tool = TEditorTool::Hand;
    d.view.H = 300;
    d.view.V = 300;
    d.doc.PaintBox1MouseDown(mbLeft, 0, 400, 350);
    EXPECT_EQ(d.doc.ToolState, 6);
    EXPECT_TRUE(d.view.Captured);
    d.doc.PaintBox1MouseMove(ssLeft, 380, 340);
    EXPECT_EQ(d.view.H, 320);
    EXPECT_EQ(d.view.V, 310);
    d.doc.PaintBox1MouseMove(ssLeft, -5000, -5000);  // far past the bottom-right corner
    EXPECT_EQ(d.view.H, 800);
    EXPECT_EQ(d.view.V, 650);
    d.doc.PaintBox1MouseUp(mbLeft, 0, 5000, 5000);
    EXPECT_EQ(d.view.H, 0);
    EXPECT_EQ(d.view.V, 0);
    EXPECT_EQ(d.doc.ToolState, 0);
    EXPECT_FALSE(d.view.Captured);
    // A mouse-up without a press in the view does nothing.
    d.doc.PaintBox1MouseUp(mbLeft, 0, 100, 100);
    EXPECT_EQ(d.view.H, 0);
}

TEST(DocumentTools, CursorFollowsToolModifiersAndSelection) {
    Doc d(40, 40);
    d.doc.SelectShape(10, 10, 20, 20, 0, 0);
    EXPECT_EQ(d.doc.ToolCursor(TEditorTool::Select, 0, 0, 0), 7);
    EXPECT_EQ(d.doc.ToolCursor(TEditorTool::Select, ssShift, 0, 0), 15);
    EXPECT_EQ(d.doc.ToolCursor(TEditorTool::FreeSelect, ssCtrl, 0, 0), 18);
    EXPECT_EQ(d.doc.ToolCursor(TEditorTool::MagicWand, ssShift, 0, 0), 13);
    EXPECT_EQ(d.doc.ToolCursor(TEditorTool::Select, 0, 15, 15), 1);  // over the selection
    EXPECT_EQ(d.doc.ToolCursor(TEditorTool::Zoom, 0, 15, 15), 2);
    EXPECT_EQ(d.doc.ToolCursor(TEditorTool::Clone, 0, 15, 15), 3);
    d.window.Tool = TEditorTool::FreeSelect;
    d.doc.PaintBox1MouseMove(0, 2, 2);
    EXPECT_EQ(d.view.Cursor, 8);
    d.doc.ModifierKeysChanged(ssShift);
    EXPECT_EQ(d.view.Cursor, 17);
}
