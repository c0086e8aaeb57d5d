// The text tool: rendering into a mask, alignment, placing with a click, empty texts and the
// "Add text" dialog driven by real mouse clicks.
#include "editor/TextTool.h"
#include "editor/tests/EditorTestSupport.h"
#include "platform/msgbox.h"
#include "platform/winuser.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace edtest;

namespace {

class TextLink : public TToolLink {
public:
    TTextChoice Text;
    bool Answer = true;
    int Asked = 0;
    bool AskText(TChildDocument&, TTextChoice& c) override {
        ++Asked;
        c = Text;
        return Answer;
    }
};

TTextChoice threeLines(int alignment) {
    TTextChoice c;
    c.FontName = "DejaVu Sans";
    c.FontHeight = 20;
    c.Lines = {"il", "Hill", "Mill and hill"};
    c.Alignment = alignment;
    return c;
}

// The first and last column with a set bit in the rows [y0, y1) of a mask.
std::pair<int, int> inkColumns(const TDib& m, int y0, int y1) {
    int first = -1, last = -1;
    for (int x = 0; x < DibWidth(m); ++x)
        for (int y = y0; y < y1; ++y)
            if (getpixel(m, x, y) == 1) {
                if (first < 0) first = x;
                last = x;
                break;
            }
    return {first, last};
}

QWidget* widgetOf(TWinControl* c) { return platform::windowWidget(c->Handle()); }

}  // namespace

TEST(TextTool, AlignedLinesShareTheirEdgeColumn) {
    const UniqueDib left = RenderTextMask(threeLines(0));
    const UniqueDib right = RenderTextMask(threeLines(2));
    const UniqueDib centre = RenderTextMask(threeLines(1));
    ASSERT_TRUE(left && right && centre);
    const int W = DibWidth(right.get()), H = DibHeight(right.get());
    EXPECT_EQ(W, DibWidth(left.get()));
    EXPECT_EQ(H % 3, 0);
    const int h = H / 3;
    std::vector<int> lastRight, firstLeft, firstCentre;
    for (int i = 0; i < 3; ++i) {
        lastRight.push_back(inkColumns(right.get(), i * h, (i + 1) * h).second);
        firstLeft.push_back(inkColumns(left.get(), i * h, (i + 1) * h).first);
        firstCentre.push_back(inkColumns(centre.get(), i * h, (i + 1) * h).first);
    }
    // Right-justified lines all end in one column (each ends in an "l"); left ones start in one.
    EXPECT_EQ(lastRight[0], lastRight[1]);
    EXPECT_EQ(lastRight[1], lastRight[2]);
    EXPECT_GT(lastRight[0], W - 6);
    EXPECT_EQ(firstLeft[1], firstLeft[2]);
    EXPECT_LT(firstLeft[2], 4);
    // Centred: the short line starts further in than the long one.
    EXPECT_GT(firstCentre[0], firstCentre[2] + 10);
    // The mask holds binary glyphs only, and some of them.
    int ink = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) ink += getpixel(right.get(), x, y);
    EXPECT_GT(ink, 50);
}

TEST(TextTool, PlacesTheTextInColourOneWithAClick) {
    for (int bits : {1, 4, 8, 24}) {
        Doc d(makePicture(120, 80, bits, [](int, int) { return 0; }));
        TPaintTools tools;
        TextLink link;
        link.Text = threeLines(0);
        tools.SetLink(&link);
        d.doc.SetPaintTools(&tools);
        d.window.Tool = TEditorTool::Text;
        d.doc.Color1 = bits == 24 ? 0x00FF00 : 1;
        d.doc.SelectShape(0, 0, 5, 5, 0, 0);
        d.doc.PaintBox1MouseDown(mbLeft, 0, 10, 10);
        d.doc.PaintBox1MouseUp(mbLeft, 0, 10, 10);
        EXPECT_EQ(link.Asked, 1);
        ASSERT_EQ(d.doc.ToolState, 99) << bits;
        EXPECT_TRUE(d.doc.Dragging);
        EXPECT_FALSE(d.doc.SelActive);
        EXPECT_EQ(d.doc.UndoCount, 1);
        const UniqueDib mask = RenderTextMask(link.Text);
        const int W = DibWidth(mask.get()), H = DibHeight(mask.get());
        EXPECT_EQ(DibWidth(d.doc.FloatDib.get()), W);
        // The text follows the mouse; a click drops it there.
        d.doc.PaintBox1MouseMove(0, 4, 6);
        d.doc.PaintBox1MouseDown(mbLeft, 0, 4, 6);
        d.doc.PaintBox1MouseUp(mbLeft, 0, 4, 6);
        EXPECT_EQ(d.doc.ToolState, 0);
        const POINT at = d.doc.FloatPosition(4, 6);
        int placed = 0, expected = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const bool inside = at.x + x >= 0 && at.y + y >= 0 && at.x + x < 120 && at.y + y < 80;
                if (!inside) continue;
                const bool ink = getpixel(mask.get(), x, y) == 1;
                expected += ink;
                if (ink) placed += d.pixel(at.x + x, at.y + y) == d.doc.Color1;
                else ASSERT_EQ(d.pixel(at.x + x, at.y + y), 0);
            }
        EXPECT_GT(expected, 50);
        EXPECT_EQ(placed, expected) << bits;
    }
}

TEST(TextTool, EmptyTextsAndCancelPlaceNothing) {
    platform::ScriptedMessageBoxes boxes;
    Doc d(60, 40, 24);
    TPaintTools tools;
    TextLink link;
    tools.SetLink(&link);
    d.doc.SetPaintTools(&tools);
    d.window.Tool = TEditorTool::Text;
    d.doc.SelectShape(2, 2, 9, 9, 0, 0);
    const UniqueDib before = copyOf(d.doc.Dib.get());
    for (const std::vector<String>& lines : {std::vector<String>{}, std::vector<String>{"", "", ""}}) {
        link.Text = threeLines(2);
        link.Text.Lines = lines;
        EXPECT_FALSE(RenderTextMask(link.Text));
        d.doc.PaintBox1MouseDown(mbLeft, 0, 10, 10);
        EXPECT_EQ(d.doc.ToolState, 0);
        EXPECT_FALSE(d.doc.FloatDib);
    }
    link.Text = threeLines(0);
    link.Answer = false;
    d.doc.PaintBox1MouseDown(mbLeft, 0, 10, 10);
    EXPECT_EQ(link.Asked, 3);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(d.doc.UndoCount, 0);
    EXPECT_TRUE(d.doc.SelActive);
    EXPECT_EQ(d.selectedCount(), 64);
    EXPECT_TRUE(samePixels(before.get(), d.doc.Dib.get()));
}

TEST(TextTool, TheDialogWithRealClicks) {
    TAddTextForm form(nullptr);
    TTextChoice start = threeLines(0);
    form.Load(start);
    int chosen = 0;
    COLORREF told = 0;
    form.ChooseFont = [&](TTextChoice& f, COLORREF& c) {
        ++chosen;
        f.FontHeight = 30;
        f.Bold = true;
        c = RGB(200, 10, 10);
        return true;
    };
    form.OnColourChosen = [&](COLORREF c) { told = c; };
    bool clicked = false;
    QTimer::singleShot(0, [&] {
        QTest::mouseClick(widgetOf(form.SelFont), Qt::LeftButton);
        QTest::mouseClick(widgetOf(form.Rightb), Qt::LeftButton, Qt::NoModifier, QPoint(6, 10));
        form.FontPaintBox->Repaint();
        if (const char* dir = std::getenv("TESSELLON_SHOT_DIR"); dir && *dir)
            widgetOf(&form)->grab().toImage().save(QString::fromUtf8(dir) + "/add-text-dialog.png");
        clicked = true;
        QTest::mouseClick(widgetOf(form.OkBtn), Qt::LeftButton);
    });
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_TRUE(clicked);
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(told, RGB(200, 10, 10));
    const TTextChoice c = form.Chosen();
    EXPECT_EQ(c.Alignment, 2);
    EXPECT_EQ(c.FontHeight, 30);
    EXPECT_TRUE(c.Bold);
    EXPECT_EQ(c.Lines, start.Lines);
    EXPECT_EQ(form.FntLabel->Text(), "DejaVu Sans ; Size:22");
}

TEST(TextTool, CancelInTheDialog) {
    TAddTextForm form(nullptr);
    QTimer::singleShot(0, [&] { QTest::mouseClick(widgetOf(form.CancelBtn), Qt::LeftButton); });
    EXPECT_EQ(form.ShowModal(), mrCancel);
}

TEST(TextTool, OutOfMemoryPlacesNothing) {
    platform::ScriptedMessageBoxes boxes;
    Doc d(200, 100, 24);
    TPaintTools tools;
    {
        AllocationLimit limit(64);  // not even the text's mask
        tools.PlaceText(d.doc, threeLines(1));
    }
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{EditorOutOfMemoryText});
    EXPECT_EQ(d.doc.ToolState, 0);
    EXPECT_FALSE(d.doc.FloatDib);
    EXPECT_EQ(d.doc.UndoCount, 0);
}

TEST(TextTool, TheFontDialogCarriesAColourButton) {
    TTextChoice font = threeLines(0);
    font.FontHeight = 24;
    COLORREF colour = RGB(1, 2, 3);
    bool seen = false;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        QPushButton* colourButton = nullptr;
        for (QPushButton* b : dialog->findChildren<QPushButton*>())
            if (b->text() == "Colour...") colourButton = b;
        seen = colourButton != nullptr;
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        ASSERT_NE(buttons, nullptr);
        QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    ASSERT_TRUE(ChooseFontWithColour(font, colour));
    EXPECT_TRUE(seen);
    EXPECT_EQ(colour, RGB(1, 2, 3));
    EXPECT_EQ(font.FontHeight, 24);  // 18 points
    EXPECT_FALSE(font.FontName.empty());
}
