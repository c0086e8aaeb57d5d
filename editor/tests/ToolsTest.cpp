// The painting tools on a document without widgets, driven by the document's mouse
// handlers in view coordinates, against pixels computed by hand.
#include "classlib/Random.h"
#include "editor/Tools.h"
#include "editor/tests/EditorTestSupport.h"
#include "platform/msgbox.h"
#include "testsupport/TestSupport.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <set>

using namespace edtest;

namespace {

class TestLink : public TToolLink {
public:
    TToolOptions Opt;
    const TDib* Sample = nullptr;
    std::vector<std::pair<COLORREF, int>> Readouts;
    bool TextAnswer = true;
    TTextChoice Text;
    int TextAsked = 0;
    std::vector<std::function<void()>> Deferred;
    bool Queue = false;
    TToolOptions Options() const override { return Opt; }
    const TDib* Pattern() const override { return Sample; }
    void ColourReadout(COLORREF c, int i) override { Readouts.emplace_back(c, i); }
    void Defer(std::function<void()> call) override {
        if (Queue) Deferred.push_back(std::move(call));
        else call();
    }
    bool AskText(TChildDocument&, TTextChoice& c) override {
        ++TextAsked;
        c = Text;
        return TextAnswer;
    }
};

// A document whose painting tools read their options from a test link.
struct ToolDoc : Doc {
    TPaintTools tools;
    TestLink link;
    ToolDoc(int w, int h, int bits) : Doc(makePicture(w, h, bits, [](int, int) { return 0; })) { init(); }
    explicit ToolDoc(UniqueDib p) : Doc(std::move(p)) { init(); }
    void init() {
        doc.SetPaintTools(&tools);
        tools.SetLink(&link);
        link.Opt.Hardness = 100;
        SetRandSeed(1234);
    }
    void use(TEditorTool t) { window.Tool = t; }
    void click(int x, int y, TMouseButton b = mbLeft, TShiftState s = 0) {
        doc.PaintBox1MouseDown(b, s, x, y);
        doc.PaintBox1MouseUp(b, s, x, y);
    }
    int count(int value) const {
        int n = 0;
        for (int y = 0; y < DibHeight(doc.Dib.get()); ++y)
            for (int x = 0; x < DibWidth(doc.Dib.get()); ++x) n += pixel(x, y) == value;
        return n;
    }
};

int colourFor(int bits) { return bits == 24 ? 0x3060C0 : (1 << bits) - 1; }

}  // namespace

TEST(BrushTool, TipSizesAtEveryDepthAndTheUndoStep) {
    for (int bits : {1, 4, 8, 24}) {
        const int c = colourFor(bits);
        // Size 1: one pixel. Size 2: offsets 0 and 1 from the centre. Size 4: -1..2.
        for (auto [size, lo, hi] : {std::tuple{1, 0, 0}, std::tuple{2, 0, 1}, std::tuple{4, -1, 2}}) {
            ToolDoc d(20, 20, bits);
            d.use(TEditorTool::Brush);
            d.link.Opt.Size = size;
            d.link.Opt.BrushForm = 0;
            d.doc.Color1 = c;
            d.click(10, 10);
            EXPECT_EQ(d.doc.UndoCount, 1);
            EXPECT_EQ(d.doc.ToolState, 0);
            for (int y = 8; y <= 13; ++y)
                for (int x = 8; x <= 13; ++x) {
                    const bool in = x >= 10 + lo && x <= 10 + hi && y >= 10 + lo && y <= 10 + hi;
                    ASSERT_EQ(d.pixel(x, y), in ? c : 0) << bits << " bits, size " << size << " at " << x << "," << y;
                }
        }
    }
}

TEST(BrushTool, StrokesAlongAllFourEdgesStayInsideThePicture) {
    for (int bits : {1, 4, 8, 24}) {
        ToolDoc d(16, 12, bits);
        d.use(TEditorTool::Brush);
        d.link.Opt.Size = 7;
        d.link.Opt.BrushForm = 0;
        d.doc.Color1 = colourFor(bits);
        // Around the picture and a little beyond it, as a captured mouse may go.
        d.doc.PaintBox1MouseDown(mbLeft, 0, -2, -2);
        for (POINT p : {POINT{17, -2}, POINT{17, 13}, POINT{-2, 13}, POINT{-2, -2}})
            d.doc.PaintBox1MouseMove(ssLeft, p.x, p.y);
        d.doc.PaintBox1MouseUp(mbLeft, 0, -2, -2);
        // The tip reaches 3 pixels in from the outside path: a frame of width 2 is painted.
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 16; ++x) {
                const bool frame = x <= 0 || y <= 0 || x >= 15 || y >= 11;
                if (frame) {
                    ASSERT_EQ(d.pixel(x, y), colourFor(bits)) << bits << " bits at " << x << "," << y;
                }
                if (x >= 2 && y >= 2 && x <= 13 && y <= 9) {
                    ASSERT_EQ(d.pixel(x, y), 0) << bits << " bits";
                }
            }
    }
}

TEST(BrushTool, SelectionMaskLimitsTheBrushAndSoftTipBlends) {
    {
        ToolDoc d(20, 20, 8);
        d.use(TEditorTool::Brush);
        d.link.Opt.Size = 9;
        d.link.Opt.BrushForm = 0;
        d.doc.Color1 = 5;
        d.doc.SelectShape(10, 0, 19, 19, 0, 0);  // the right half
        d.click(10, 10);
        for (int x = 6; x <= 14; ++x) EXPECT_EQ(d.pixel(x, 10), x >= 10 ? 5 : 0) << x;
    }
    {
        // A true-colour picture at (100, 100, 100); a 5-pixel round tip with hardness 0.
        ToolDoc d(makePicture(20, 20, 24, [](int, int) { return 0x646464; }));
        d.use(TEditorTool::Brush);
        d.link.Opt.Size = 5;
        d.link.Opt.BrushForm = 1;
        d.link.Opt.Hardness = 0;
        d.doc.Color1 = 0xC8C8C8;  // 200
        d.doc.PaintBox1MouseDown(mbLeft, 0, 10, 10);
        EXPECT_EQ(d.pixel(10, 10), 0xC8C8C8);  // the centre: no transparency
        // One pixel off the centre: Round(1) * 100 div 2 = 50, so half and half: 150.
        EXPECT_EQ(d.pixel(11, 10), 0x969696);
        EXPECT_EQ(d.pixel(10, 9), 0x969696);
        // The release stamps the last point once more: half of 200 and 150.
        d.doc.PaintBox1MouseUp(mbLeft, 0, 10, 10);
        EXPECT_EQ(d.pixel(11, 10), 0xAFAFAF);
        EXPECT_EQ(d.pixel(10, 10), 0xC8C8C8);
    }
    {
        // Transparency 50 on a hard one-pixel tip; 100 leaves the picture as it was.
        ToolDoc d(makePicture(8, 8, 24, [](int, int) { return 0x000000; }));
        d.use(TEditorTool::Brush);
        d.link.Opt.Size = 1;
        d.link.Opt.Transparency = 50;
        d.doc.Color1 = 0xFF80C8;
        d.doc.PaintBox1MouseDown(mbLeft, 0, 3, 3);
        EXPECT_EQ(d.pixel(3, 3), 0x7F4064);
        d.doc.PaintBox1MouseUp(mbLeft, 0, 3, 3);
        EXPECT_EQ(d.pixel(3, 3), 0xBF6096);  // the release's stamp: (200 + 100) / 2, (128 + 64) / 2, (255 + 127) / 2
        d.link.Opt.Transparency = 100;
        d.click(5, 5);
        EXPECT_EQ(d.pixel(5, 5), 0);
    }
}

TEST(BrushTool, DensityGoesThroughTheSeededGenerator) {
    auto paint = [](std::uint32_t seed) {
        ToolDoc d(60, 60, 8);
        d.use(TEditorTool::Brush);
        d.link.Opt.Size = 50;
        d.link.Opt.BrushForm = 0;
        d.link.Opt.Density = 1;
        d.doc.Color1 = 7;
        SetRandSeed(seed);
        d.click(30, 30);
        return copyOf(d.doc.Dib.get());
    };
    const UniqueDib a = paint(99), b = paint(99);
    EXPECT_TRUE(samePixels(a.get(), b.get()));
    int set = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x) set += getpixel(a.get(), x, y) == 7;
    // About one pixel in a hundred of the 2,500 under the tip.
    EXPECT_GT(set, 5);
    EXPECT_LT(set, 60);
}

TEST(LineTool, WidthsAndEdgesAtEveryDepth) {
    for (int bits : {1, 4, 8, 24}) {
        const int c = colourFor(bits);
        ToolDoc d(40, 30, bits);
        d.use(TEditorTool::Line);
        d.doc.Color1 = c;
        d.link.Opt.LineWidth = 1;
        d.drag(5, 5, 26, 6);  // (5, 5) to (25, 5): the end point is the mouse less one
        EXPECT_EQ(d.doc.UndoCount, 1);
        for (int x = 0; x < 40; ++x) ASSERT_EQ(d.pixel(x, 5), x >= 5 && x <= 25 ? c : 0) << x;
        EXPECT_EQ(d.count(c), 21);
        // Width 4, horizontal: four parallel lines at offsets -1 .. 2 downwards.
        d.link.Opt.LineWidth = 4;
        d.drag(5, 15, 26, 16);
        for (int y = 12; y <= 19; ++y) ASSERT_EQ(d.pixel(10, y), y >= 14 && y <= 17 ? c : 0) << y;
        EXPECT_EQ(d.count(c), 21 + 4 * 21);
        // Across the picture's right and bottom edges.
        d.drag(30, 20, 60, 50);
        EXPECT_EQ(d.pixel(39, 29), c);
        EXPECT_EQ(d.doc.UndoCount, 3);
    }
}

TEST(ShapeTool, RectanglesEllipsesAndTheSquareBox) {
    ToolDoc d(50, 40, 8);
    d.use(TEditorTool::Shape);
    d.doc.Color1 = 9;
    d.window.Type = 0;  // rectangle
    d.link.Opt.ShapeStyle = 0;
    d.drag(5, 5, 16, 11);  // (5, 5) to (15, 10)
    EXPECT_EQ(d.pixel(5, 5), 9);
    EXPECT_EQ(d.pixel(15, 10), 9);
    EXPECT_EQ(d.pixel(10, 5), 9);
    EXPECT_EQ(d.pixel(10, 8), 0);  // outlines only
    EXPECT_EQ(d.pixel(16, 10), 0);
    EXPECT_EQ(d.count(9), 2 * 11 + 2 * 4);
    d.link.Opt.ShapeStyle = 1;
    d.drag(20, 5, 31, 11);
    EXPECT_EQ(d.pixel(25, 8), 9);
    EXPECT_EQ(d.count(9), 30 + 11 * 6);
    // Square: dragging 30 right and 10 down gives a 10 x 10 box.
    d.window.Type = 1;
    d.doc.Color1 = 3;
    d.link.Opt.ShapeStyle = 1;
    d.drag(5, 20, 35, 30);
    EXPECT_EQ(d.count(3), 100);
    EXPECT_EQ(d.pixel(14, 29), 3);
    EXPECT_EQ(d.pixel(15, 29), 0);
    // A filled ellipse fills its middle and leaves the box's corners.
    d.window.Type = 2;
    d.doc.Color1 = 4;
    d.drag(30, 20, 49, 39);
    EXPECT_EQ(d.pixel(39, 29), 4);
    EXPECT_EQ(d.pixel(30, 20), 0);
    EXPECT_EQ(d.pixel(47, 37), 0);
    EXPECT_EQ(d.doc.UndoCount, 3);
}

TEST(ShapeTool, DrawsUnderAFloatingSelection) {
    ToolDoc d(30, 30, 8);
    d.doc.Color2 = 0;
    // A block of 6 lifted in place, left floating where it is.
    for (int y = 10; y < 16; ++y)
        for (int x = 10; x < 16; ++x) setpixel(d.doc.Dib.get(), x, y, 6);
    d.doc.SelectShape(10, 10, 15, 15, 0, 0);
    d.doc.MakeSelectionDragable();
    ASSERT_TRUE(d.doc.DragActive);
    d.use(TEditorTool::Line);
    d.doc.Color1 = 2;
    d.drag(0, 12, 31, 13);  // a line across the float
    EXPECT_EQ(d.pixel(5, 12), 2);
    EXPECT_EQ(d.pixel(12, 12), 6);  // the float stays on top
    EXPECT_EQ(getpixel(d.doc.Background.get(), 12, 12), 2);
    // A background of another size is not copied over the picture: the line goes to the picture.
    d.doc.Background.reset();
    newdib(d.doc.Background.out(), 5, 5, 8, d.doc.Dib.get().Info, 256);
    d.drag(0, 20, 31, 21);
    EXPECT_EQ(d.pixel(5, 20), 2);
    EXPECT_EQ(d.pixel(12, 12), 6);
}

TEST(FillTool, UniformGradientAndSampleWithAndWithoutASelection) {
    platform::ScriptedMessageBoxes boxes;
    for (int bits : {1, 4, 8, 24}) {
        ToolDoc d(20, 10, bits);
        for (int y = 0; y < 10; ++y) setpixel(d.doc.Dib.get(), 10, y, bits == 24 ? 0xFFFFFF : 1);  // a wall
        d.use(TEditorTool::Fill);
        const int c = bits == 1 ? 1 : colourFor(bits);
        d.doc.Color1 = c;
        d.click(3, 3);  // uniform, no sample loaded
        EXPECT_EQ(d.doc.UndoCount, 1) << bits;
        EXPECT_EQ(d.pixel(0, 0), c) << bits;
        EXPECT_EQ(d.pixel(9, 9), c) << bits;
        EXPECT_EQ(d.pixel(11, 0), 0) << bits;
    }
    EXPECT_TRUE(boxes.shown().empty());
    {
        // The sample style without a sample says so and changes nothing.
        ToolDoc d(20, 10, 24);
        d.use(TEditorTool::Fill);
        d.link.Opt.FillStyle = 1;
        d.click(3, 3);
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{"You must select a sample!"});
        EXPECT_EQ(boxes.shown()[0].icon(), MB_ICONERROR);
        EXPECT_EQ(d.doc.UndoCount, 0);
        EXPECT_EQ(d.count(0), 200);
        // An 8-bit sample on a true-colour picture: its colours, tiled.
        UniqueDib sample = makePicture(2, 2, 8, [](int x, int y) { return 1 + x + 2 * y; });
        d.link.Sample = &sample.get();
        d.click(3, 3);
        const RGBQUAD& q = sample.get().Info->bmiColors[1 + 1 + 2 * 1];
        EXPECT_EQ(d.pixel(5, 7), q.rgbRed | q.rgbGreen << 8 | q.rgbBlue << 16);
        EXPECT_EQ(d.doc.UndoCount, 1);
    }
    {
        // A gradient needs no sample; with a selection only the selected pixels change.
        ToolDoc d(20, 10, 24);
        d.use(TEditorTool::Fill);
        d.link.Opt.FillStyle = 2;
        d.doc.Color1 = 0xFFFFFF;
        d.doc.Color2 = 0x0000FF;
        d.doc.SelectShape(0, 0, 9, 9, 0, 0);
        d.click(3, 3);
        EXPECT_NE(d.pixel(3, 3), 0);
        for (int y = 0; y < 10; ++y) EXPECT_EQ(d.pixel(15, y), 0);
        std::set<int> colours;
        for (int x = 0; x < 10; ++x) colours.insert(d.pixel(x, x));
        EXPECT_GT(colours.size(), 3u);
    }
}

TEST(PipetteTool, PicksColoursAndReadsOut) {
    ToolDoc d(makePicture(10, 10, 8, [](int x, int y) { return x + 10 * y; }));
    d.use(TEditorTool::Pipette);
    d.click(3, 4);
    EXPECT_EQ(d.doc.Color1, 43);
    d.click(7, 1, mbRight);
    EXPECT_EQ(d.doc.Color2, 17);
    EXPECT_EQ(d.doc.UndoCount, 0);
    d.doc.PaintBox1MouseMove(0, 2, 5);
    ASSERT_EQ(d.link.Readouts.size(), 1u);
    EXPECT_EQ(d.link.Readouts[0].second, 52);
    EXPECT_EQ(d.link.Readouts[0].first, d.doc.ColorToRGB(52));
    d.doc.PaintBox1MouseMove(0, 40, 5);  // beside the picture: nothing
    EXPECT_EQ(d.link.Readouts.size(), 1u);
    ToolDoc t(makePicture(10, 10, 24, [](int x, int) { return 0x102030 + x; }));
    t.use(TEditorTool::Pipette);
    t.doc.PaintBox1MouseMove(0, 4, 4);
    ASSERT_EQ(t.link.Readouts.size(), 1u);
    EXPECT_EQ(t.link.Readouts[0].first, static_cast<COLORREF>(0x102034));
    EXPECT_EQ(t.link.Readouts[0].second, -1);
}

TEST(CloneTool, AlignedAndNotAlignedStrokesAndTheCrossHair) {
    auto source = [](int x, int y) { return x | y << 8 | 0x400000; };
    for (int mode : {0, 1}) {
        platform::ScriptedMessageBoxes boxes;
        ToolDoc d(makePicture(40, 40, 24, source));
        d.use(TEditorTool::Clone);
        d.link.Opt.Size = 1;
        d.link.Opt.CloneMode = mode;
        d.click(20, 20);  // no source yet
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{
                                     "You must select a starting point, by clicking with pressed shift key on the picture!"});
        EXPECT_EQ(boxes.captions()[0], "Error: no starting point!");
        EXPECT_EQ(d.doc.UndoCount, 0);
        d.click(2, 3, mbLeft, ssShift);
        EXPECT_EQ(d.doc.UndoCount, 0);
        d.doc.PaintBox1MouseDown(mbLeft, 0, 20, 20);
        EXPECT_EQ(d.pixel(20, 20), source(2, 3));
        EXPECT_TRUE(d.doc.CrossHairShown);
        EXPECT_EQ(d.doc.CrossHair.x, 2);
        d.doc.PaintBox1MouseMove(ssLeft, 22, 20);
        EXPECT_EQ(d.pixel(22, 20), source(4, 3));
        EXPECT_EQ(d.doc.CrossHair.x, 4);
        d.doc.PaintBox1MouseUp(mbLeft, 0, 22, 20);
        EXPECT_FALSE(d.doc.CrossHairShown);
        // A second stroke: aligned keeps the offset of the first, not aligned starts at the source.
        d.click(30, 25);
        EXPECT_EQ(d.pixel(30, 25), mode == 0 ? source(12, 8) : source(2, 3)) << mode;
        EXPECT_EQ(d.doc.UndoCount, 2);
    }
    // A source outside the picture copies nothing.
    ToolDoc d(makePicture(20, 20, 24, source));
    d.use(TEditorTool::Clone);
    d.link.Opt.Size = 3;
    d.click(0, 0, mbLeft, ssShift);
    d.click(19, 19);  // the source of (18..20, 18..20) lies at (-1..1, -1..1)
    EXPECT_EQ(d.pixel(18, 18), source(18, 18));
    EXPECT_EQ(d.pixel(19, 19), source(0, 0));
}

TEST(ReplaceTool, ReplacesOnlyTheOtherColourWithinTolerance) {
    ToolDoc d(makePicture(10, 10, 24, [](int x, int) { return x < 5 ? 0x101010 : 0x808080; }));
    d.use(TEditorTool::Replace);
    d.link.Opt.Size = 20;
    d.link.Opt.BrushForm = 0;
    d.doc.Color1 = 0x0000FF;
    d.doc.Color2 = 0x141414;  // within 25 of 0x10
    d.window.Tol = 25;
    d.click(5, 5);
    EXPECT_EQ(d.count(0x0000FF), 50);
    EXPECT_EQ(d.pixel(2, 2), 0x0000FF);
    EXPECT_EQ(d.pixel(7, 2), 0x808080);
    EXPECT_FALSE(d.doc.ReplaceFlag);
    d.window.Tol = 0;
    d.doc.Color2 = 0x818181;
    d.click(5, 5);
    EXPECT_EQ(d.pixel(7, 2), 0x808080);
}

TEST(RetouchTool, LightenDarkenSmearMixAndTheNoteForPalettePictures) {
    {
        platform::ScriptedMessageBoxes boxes;
        ToolDoc d(10, 10, 8);
        d.use(TEditorTool::Retouch);
        d.click(5, 5);
        EXPECT_EQ(boxes.texts(),
                  std::vector<std::string>{"You can use this tools only with Truecolor pictures with 24 bits per pixel!"});
        EXPECT_EQ(boxes.captions()[0], "Note!");
        EXPECT_EQ(boxes.shown()[0].icon(), MB_ICONINFORMATION);
        EXPECT_EQ(d.doc.UndoCount, 0);
    }
    ToolDoc d(makePicture(12, 12, 24, [](int x, int) { return x == 0 ? 0xFAFAFA : 0x040404; }));
    d.use(TEditorTool::Retouch);
    d.link.Opt.Size = 1;
    d.click(0, 3);
    EXPECT_EQ(d.pixel(0, 3), 0xFFFFFF);  // lighten: + 8, limited to 255
    d.link.Opt.RetouchMode = 1;
    d.click(5, 3);
    EXPECT_EQ(d.pixel(5, 3), 0x000000);  // darken: - 8, limited to 0
    EXPECT_FALSE(d.doc.RetouchFlag);
    // Smear and mix take pixels of the picture only, also at its corners with a large tip.
    for (int mode : {2, 3}) {
        d.link.Opt.RetouchMode = mode;
        d.link.Opt.Size = 9;
        for (POINT p : {POINT{0, 0}, POINT{11, 0}, POINT{0, 11}, POINT{11, 11}}) {
            d.doc.PaintBox1MouseDown(mbLeft, 0, p.x, p.y);
            d.doc.PaintBox1MouseMove(ssLeft, 6, 6);
            d.doc.PaintBox1MouseUp(mbLeft, 0, 6, 6);
        }
    }
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            const int v = d.pixel(x, y);
            ASSERT_TRUE(v == 0xFAFAFA || v == 0x040404 || v == 0xFFFFFF || v == 0) << std::hex << v;
        }
    EXPECT_EQ(d.doc.UndoCount, 3);  // three steps kept
}

TEST(HandTool, ScrollingSavesNoUndoStep) {
    ToolDoc d(400, 300, 24);
    d.doc.SaveForUndo();
    d.use(TEditorTool::Hand);
    d.drag(100, 100, 60, 70);
    EXPECT_GT(d.view.H, 0);
    EXPECT_GT(d.view.V, 0);
    EXPECT_EQ(d.doc.UndoCount, 1);
}

TEST(MouseTools, ReleaseWithoutAPressDoesNothing) {
    for (TEditorTool t : {TEditorTool::Brush, TEditorTool::Line, TEditorTool::Shape, TEditorTool::Clone}) {
        ToolDoc d(10, 10, 8);
        d.use(t);
        d.doc.Color1 = 3;
        d.doc.PaintBox1MouseUp(mbLeft, 0, 5, 5);
        EXPECT_EQ(d.count(0), 100);
        EXPECT_EQ(d.doc.UndoCount, 0);
    }
}

TEST(MouseTools, MessagesOpenAfterThePressReturns) {
    platform::ScriptedMessageBoxes boxes;
    ToolDoc d(10, 10, 8);
    d.link.Queue = true;
    d.use(TEditorTool::Retouch);
    d.doc.PaintBox1MouseDown(mbLeft, 0, 5, 5);
    EXPECT_TRUE(boxes.shown().empty());
    d.doc.PaintBox1MouseUp(mbLeft, 0, 5, 5);
    ASSERT_EQ(d.link.Deferred.size(), 1u);
    d.link.Deferred[0]();
    EXPECT_EQ(boxes.shown().size(), 1u);
}

TEST(MouseTools, EveryToolAtEveryDepthAlongTheEdgesWithAndWithoutAMask) {
    // Strokes around the picture and beyond it; a mask keeps the masked tools to its pixels,
    // and one undo step brings the picture back exactly.
    const TEditorTool tools[] = {TEditorTool::Brush, TEditorTool::Clone, TEditorTool::Replace, TEditorTool::Retouch,
                                 TEditorTool::Line,  TEditorTool::Shape, TEditorTool::Fill};
    for (int bits : {1, 4, 8, 24})
        for (TEditorTool tool : tools)
            for (bool masked : {false, true}) {
                if (tool == TEditorTool::Retouch && bits != 24) continue;
                ToolDoc d(makePicture(24, 18, bits, bits == 24 ? pattern24 : +[](int x, int y) { return (x + y) % 2; }));
                d.use(tool);
                d.link.Opt.Size = 9;
                d.link.Opt.Density = 100;
                d.link.Opt.RetouchMode = 3;
                d.doc.Color1 = bits == 24 ? 0x0000FF : 1;
                d.doc.Color2 = 0;
                d.window.Tol = 200;
                if (masked) d.doc.SelectShape(6, 4, 17, 13, 0, 0);
                if (tool == TEditorTool::Clone) d.click(4, 3, mbLeft, ssShift);  // an odd offset: the checkerboard changes
                const UniqueDib before = copyOf(d.doc.Dib.get());
                if (tool == TEditorTool::Fill) {
                    d.click(12, 9);
                } else {
                    d.doc.PaintBox1MouseDown(mbLeft, 0, -3, -3);
                    for (POINT p : {POINT{26, -3}, POINT{26, 20}, POINT{-3, 20}, POINT{-3, 0}, POINT{12, 9}})
                        d.doc.PaintBox1MouseMove(ssLeft, p.x, p.y);
                    d.doc.PaintBox1MouseUp(mbLeft, 0, 12, 9);
                }
                ASSERT_EQ(d.doc.UndoCount, 1) << bits << " bits, tool " << static_cast<int>(tool);
                const bool honoursMask = tool != TEditorTool::Line && tool != TEditorTool::Shape;
                int changed = 0;
                for (int y = 0; y < 18; ++y)
                    for (int x = 0; x < 24; ++x) {
                        const bool differs = d.pixel(x, y) != getpixel(before.get(), x, y);
                        changed += differs;
                        if (masked && honoursMask && differs) {
                            ASSERT_TRUE(x >= 6 && x <= 17 && y >= 4 && y <= 13)
                                << bits << " bits, tool " << static_cast<int>(tool) << " at " << x << "," << y;
                        }
                    }
                EXPECT_GT(changed, 0) << bits << " bits, tool " << static_cast<int>(tool) << (masked ? " masked" : "");
                d.doc.LoadFromUndo();
                EXPECT_TRUE(samePixels(before.get(), d.doc.Dib.get())) << bits << " bits, tool " << static_cast<int>(tool);
            }
}

TEST(MouseTools, ViewCoordinatesAtFourToOne) {
    ToolDoc d(30, 30, 24);
    d.doc.ZoomNum = 4;
    d.use(TEditorTool::Brush);
    d.link.Opt.Size = 1;
    d.doc.Color1 = 0x00FF00;
    d.click(43, 22);  // picture (10, 5)
    EXPECT_EQ(d.pixel(10, 5), 0x00FF00);
    EXPECT_EQ(d.count(0x00FF00), 1);
    d.use(TEditorTool::Line);
    d.drag(8, 80, 84, 81);  // picture (2, 20) to (20, 20): the end point is the mouse less one, then divided
    for (int x = 0; x < 30; ++x) EXPECT_EQ(d.pixel(x, 20), x >= 2 && x <= 20 ? 0x00FF00 : 0) << x;
    d.use(TEditorTool::Pipette);
    d.click(9, 81, mbRight);
    EXPECT_EQ(d.doc.Color2, 0x00FF00);
}

TEST(FillTool, OutOfMemoryStopsBeforeTheUndoStep) {
    platform::ScriptedMessageBoxes boxes;
    ToolDoc d(100, 100, 24);
    d.use(TEditorTool::Fill);
    d.doc.Color1 = 0xFFFFFF;
    UniqueDib sample = makePicture(40, 40, 8, [](int x, int) { return x % 3; });
    for (bool withSample : {false, true}) {
        boxes.clear();
        d.link.Sample = withSample ? &sample.get() : nullptr;
        {
            AllocationLimit limit(1000);  // below the work picture and the converted sample
            d.click(50, 50);
        }
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{EditorOutOfMemoryText}) << withSample;
        EXPECT_EQ(d.doc.UndoCount, 0);
        EXPECT_EQ(d.count(0), 10000);
    }
}

TEST(BrushTool, AStrokeFarBeyondThePictureOnlyPaintsWhatLiesOnIt) {
    ToolDoc d(50, 50, 24);
    d.use(TEditorTool::Brush);
    d.link.Opt.Size = 200;
    d.link.Opt.BrushForm = 0;
    d.doc.Color1 = 0x0000FF;
    QElapsedTimer clock;
    clock.start();
    d.doc.PaintBox1MouseDown(mbLeft, 0, 25, -300);
    d.doc.PaintBox1MouseMove(ssLeft, 2000000, -300);
    d.doc.PaintBox1MouseUp(mbLeft, 0, 2000000, -300);
    if (testsupport::TimingChecked()) {
        EXPECT_LT(clock.elapsed(), 3000);
    }
    // The tip reaches 99 rows below the stroke: nothing of the picture.
    EXPECT_EQ(d.count(0), 2500);
    d.doc.PaintBox1MouseDown(mbLeft, 0, 25, -60);
    d.doc.PaintBox1MouseMove(ssLeft, -2000000, -60);
    d.doc.PaintBox1MouseUp(mbLeft, 0, -2000000, -60);
    // Rows up to -60 + 100 = 40 are painted, from the left edge to x = 25 + 100.
    EXPECT_EQ(d.pixel(0, 40), 0x0000FF);
    EXPECT_EQ(d.pixel(49, 40), 0x0000FF);
    EXPECT_EQ(d.pixel(10, 41), 0);
}

TEST(FillTool, ATrueColourSampleOnPalettePicturesTakesTheNearestEntries) {
    for (int bits : {1, 4, 8}) {
        ToolDoc d(12, 6, bits);
        d.use(TEditorTool::Fill);
        d.link.Opt.FillStyle = 1;
        const int a = bits == 1 ? 0 : 1, b = (1 << bits) - 1;
        const PALETTEENTRY& ea = d.doc.Dib.get().Palette.palPalEntry[a];
        const PALETTEENTRY& eb = d.doc.Dib.get().Palette.palPalEntry[b];
        // Colours one step off two palette entries, in columns of two.
        UniqueDib sample = makePicture(2, 1, 24, [&](int x, int) {
            const PALETTEENTRY& e = x == 0 ? ea : eb;
            return std::min(e.peRed + 1, 255) | e.peGreen << 8 | e.peBlue << 16;
        });
        d.link.Sample = &sample.get();
        d.click(5, 3);
        for (int x = 0; x < 12; ++x) EXPECT_EQ(d.pixel(x, 2), x % 2 == 0 ? a : b) << bits << " bits, x " << x;
    }
}
