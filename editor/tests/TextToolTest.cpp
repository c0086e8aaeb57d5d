// The text tool: rendering into a mask, alignment, placing with a click, empty texts and the
// "Add text" dialog driven by real mouse clicks.
#include "editor/TextTool.h"
#include "editor/tests/EditorTestSupport.h"
#include "platform/msgbox.h"
#include "platform/registry.h"
#include "platform/winuser.h"
#include "testsupport/TestSupport.h"

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
    form.TxtMemo->Lines()->Clear();
    for (const String& l : threeLines(0).Lines) form.TxtMemo->Lines()->Add(l);
    form.TextColour = RGB(0, 0, 255);
    int chosen = 0;
    COLORREF startColour = 0;
    const TFontDialogHandler old = SetFontDialogHandler([&](TFontDialog* d) {
        ++chosen;
        startColour = ColorToRGB(d->Font()->Color());
        d->Font()->SetSize(22);
        d->Font()->SetStyle(fsBold);
        d->Font()->SetColor(static_cast<TColor>(RGB(200, 10, 10)));
        return true;
    });
    COLORREF told = 0;
    form.OnColourChosen = [&](COLORREF c) {
        told = c;
        return RGB(190, 0, 0);  // the swatch takes the palette's nearest colour
    };
    bool clicked = false;
    QTimer::singleShot(0, [&] {
        EXPECT_EQ(form.FntLabel->Text(), "DejaVu Sans ; Size:12");
        QTest::mouseClick(widgetOf(form.SelFont), Qt::LeftButton);
        QTest::mouseClick(widgetOf(form.Rightb), Qt::LeftButton, Qt::NoModifier, QPoint(6, 10));
        form.FontPaintBox->Repaint();
        const QImage shot = widgetOf(&form)->grab().toImage();
        if (const char* dir = std::getenv("TESSELLON_SHOT_DIR"); dir && *dir)
            shot.save(QString::fromUtf8(dir) + "/add-text-dialog.png");
        clicked = true;
        QTest::mouseClick(widgetOf(form.OkBtn), Qt::LeftButton);
    });
    EXPECT_EQ(form.ShowModal(), mrOk);
    SetFontDialogHandler(old);
    EXPECT_TRUE(clicked);
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(startColour, RGB(0, 0, 255));  // the font dialog starts at the swatch's colour
    EXPECT_EQ(told, RGB(200, 10, 10));
    EXPECT_EQ(form.TextColour, RGB(190, 0, 0));
    const TTextChoice c = form.Chosen();
    EXPECT_EQ(c.Alignment, 2);
    EXPECT_EQ(c.FontName, "DejaVu Sans");
    EXPECT_EQ(c.FontHeight, 29);  // 22 points at 96 pixels per inch
    EXPECT_TRUE(c.Bold);
    EXPECT_FALSE(c.Italic);
    EXPECT_EQ(c.Lines, threeLines(0).Lines);
    EXPECT_EQ(form.FntLabel->Text(), "DejaVu Sans ; Size:22");
}

namespace {

String registryText(const String& key, const char* name) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return "(no key)";
    char buffer[1024] = {};
    DWORD size = sizeof buffer - 1, type = 0;
    const LSTATUS r = RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(k);
    return r == ERROR_SUCCESS ? String(buffer) : String("(no value)");
}

}  // namespace

TEST(TextTool, TheFontTheLinesAndTheAlignmentComeBackFromTheRegistry) {
    testsupport::TempDir dir;
    const std::string before = platform::registryHivePath();
    platform::setRegistryHive(dir.file("hive"));
    const TFontDialogHandler old = SetFontDialogHandler([](TFontDialog* d) {
        d->Font()->SetName("DejaVu Serif");
        d->Font()->SetSize(18);
        d->Font()->SetStyle(fsItalic | fsUnderline);
        d->Font()->SetColor(static_cast<TColor>(RGB(0, 128, 64)));
        return true;
    });
    {
        TAddTextForm form(nullptr);
        QTimer::singleShot(0, [&] {
            EXPECT_EQ(form.TxtMemo->Lines()->Text(), "Test\n");  // the layout's line at first
            EXPECT_TRUE(form.Leftb->Checked());
            form.TxtMemo->Lines()->Clear();
            form.TxtMemo->Lines()->Add("First line");
            form.TxtMemo->Lines()->Add("  indented  ");
            form.TxtMemo->Lines()->Add("last");
            QTest::mouseClick(widgetOf(form.SelFont), Qt::LeftButton);
            QTest::mouseClick(widgetOf(form.Zentr), Qt::LeftButton, Qt::NoModifier, QPoint(6, 10));
            QTest::mouseClick(widgetOf(form.OkBtn), Qt::LeftButton);
        });
        EXPECT_EQ(form.ShowModal(), mrOk);
    }
    SetFontDialogHandler(old);
    // What the file holds, read again from the file as a new run of the program would.
    platform::setRegistryHive(dir.file("hive"));
    const String key = "Software\\editor_tests\\TAddTextForm";
    EXPECT_EQ(registryText(key, "FontDialog1_FontName"), "DejaVu Serif");
    EXPECT_EQ(registryText(key, "FontDialog1_FontStyle"), "[fsItalic,fsUnderline]");
    EXPECT_EQ(registryText(key + ".TxtMemo_Lines", "Count"), "3");
    EXPECT_EQ(registryText(key + ".TxtMemo_Lines", "Item1"), "  indented  ");
    {
        TAddTextForm form(nullptr);
        QTimer::singleShot(0, [&] {
            const TFont* f = form.FontDialog1->Font();
            EXPECT_EQ(f->Name(), "DejaVu Serif");
            EXPECT_EQ(f->Size(), 18);
            EXPECT_EQ(f->Style(), TFontStyles(fsItalic | fsUnderline));
            EXPECT_EQ(ColorToRGB(f->Color()), RGB(0, 128, 64));
            EXPECT_EQ(form.FntLabel->Text(), "DejaVu Serif ; Size:18");
            ASSERT_EQ(form.TxtMemo->Lines()->Count(), 3);
            EXPECT_EQ(form.TxtMemo->Lines()->Get(1), "  indented  ");
            EXPECT_TRUE(form.Zentr->Checked());
            EXPECT_FALSE(form.Leftb->Checked());
            EXPECT_FALSE(form.Rightb->Checked());
            // A memo emptied by the user leaves no lines in the registry: the next time it
            // keeps the lines it has before the restore, the layout's.
            form.TxtMemo->Lines()->Clear();
            QTest::mouseClick(widgetOf(form.OkBtn), Qt::LeftButton);
        });
        EXPECT_EQ(form.ShowModal(), mrOk);
        const TTextChoice c = form.Chosen();
        EXPECT_TRUE(c.Lines.empty());
        EXPECT_EQ(c.Alignment, 1);
        EXPECT_EQ(c.FontHeight, 24);
        EXPECT_TRUE(c.Italic && c.Underline && !c.Bold);
    }
    {
        TAddTextForm form(nullptr);
        QTimer::singleShot(0, [&] {
            EXPECT_EQ(form.TxtMemo->Lines()->Text(), "Test\n");
            EXPECT_TRUE(form.Zentr->Checked());
            QTest::mouseClick(widgetOf(form.CancelBtn), Qt::LeftButton);
        });
        EXPECT_EQ(form.ShowModal(), mrCancel);
    }
    platform::setRegistryHive(before);
}

TEST(TextTool, TheToolsDialogSetsColourOneToThePalettesNearestEntry) {
    Doc d(makePicture(40, 30, 8, [](int, int) { return 0; }));
    d.doc.Color1 = 0;
    COLORREF started = 1;
    const TFontDialogHandler old = SetFontDialogHandler([&](TFontDialog* f) {
        started = ColorToRGB(f->Font()->Color());
        f->Font()->SetColor(static_cast<TColor>(RGB(250, 5, 5)));
        return true;
    });
    QTimer::singleShot(0, [] {
        auto* form = dynamic_cast<TAddTextForm*>(Screen->ActiveForm());
        ASSERT_NE(form, nullptr);
        QTest::mouseClick(widgetOf(form->SelFont), Qt::LeftButton);
        QTest::mouseClick(widgetOf(form->OkBtn), Qt::LeftButton);
    });
    TToolLink link;
    TTextChoice c;
    EXPECT_TRUE(link.AskText(d.doc, c));
    SetFontDialogHandler(old);
    EXPECT_EQ(started, d.doc.ColorToRGB(0));
    const TDib& pic = d.doc.Dib.get();
    EXPECT_EQ(d.doc.Color1, static_cast<int>(GetNearestPaletteIndex(pic.PalHandle, RGB(250, 5, 5))));
    EXPECT_NE(d.doc.Color1, 0);
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
