// The editor's two speed bars: the tool column read from the window layout, its items
// pressed with the mouse, the tool taken from the item that is down, and the bottom bar's
// progress bar drawn while an operation runs.
#include "editor/tests/EditorTestSupport.h"
#include "editor/tests/MainWindowFixture.h"

#include <QEvent>
#include <QWindow>
#include <QObject>

#include <algorithm>
#include <array>

using namespace edtest;

namespace {

const char* const kToolNames[14] = {"ZoomBtn",    "HandBtn",  "SelectBtn", "FreeSelBtn", "MagicBtn",
                                    "DropBtn",    "BrushBtn", "CloneBtn",  "ReplaceBtn", "RetouchBtn",
                                    "FillBtn",    "TxtBtn",   "LineBtn",   "ShapeBtn"};
const char* const kGlyphs[14] = {"TOOL_ZOOM",    "TOOL_HAND",    "TOOL_SELECT", "TOOL_FREESEL", "TOOL_MAGIC",
                                 "TOOL_DROP",    "TOOL_BRUSH",   "TOOL_CLONE",  "TOOL_REPLACE", "TOOL_RETOUCH",
                                 "TOOL_FILL",    "TOOL_TEXT",    "TOOL_LINE",   "TOOL_SHAPE"};

// Records the position of a progress bar each time its widget paints.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(TProgressBar* Bar) : bar(Bar) { widgetOf(Bar)->installEventFilter(this); }
    ~PaintWatch() override {
        if (QWidget* w = widgetOf(bar)) w->removeEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) painted.push_back(bar->Position());
        return false;
    }
    static QWidget* widgetOf(TWinControl* c) { return platform::windowWidget(c->Handle()); }
    TProgressBar* bar;
    std::vector<int> painted;
};

}  // namespace

class ToolColumn : public MainWindow {
protected:
    std::array<TSpeedItem*, 14> items() const {
        return {form->ZoomBtn, form->HandBtn,    form->SelectBtn,  form->FreeSelBtn, form->MagicBtn,
                form->DropBtn, form->BrushBtn,   form->CloneBtn,   form->ReplaceBtn, form->RetouchBtn,
                form->FillBtn, form->TxtBtn,     form->LineBtn,    form->ShapeBtn};
    }
    int downCount() const {
        int n = 0;
        for (TSpeedItem* i : items()) n += i->Down() ? 1 : 0;
        return n;
    }
};

TEST_F(ToolColumn, BothBarsComeFromTheLayoutWithTheirItemsGlyphsAndPlaces) {
    create();
    TSpeedBar* bar = form->SpeedBar1;
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->Align(), alLeft);
    EXPECT_EQ(bar->Orientation(), boVertical);
    EXPECT_EQ(bar->Options(), TSpeedbarOptions(sbFlatBtns) | sbTransparentBtns);
    EXPECT_EQ(bar->BtnWidth(), 23);
    EXPECT_EQ(bar->BtnHeight(), 22);
    EXPECT_EQ(bar->BtnOffsetHorz(), 1);
    EXPECT_EQ(bar->BtnOffsetVert(), 1);
    EXPECT_EQ(bar->IniStorage(), nullptr);
    EXPECT_EQ(bar->SetupWindow(), nullptr);
    ASSERT_EQ(bar->SectionCount(), 1);
    EXPECT_EQ(bar->Sections(0)->Caption(), "Untitled (0)");
    ASSERT_EQ(bar->Sections(0)->ItemCount(), 14);

    const QImage shown = widgetOf(bar)->grab().toImage();
    for (int i = 0; i < 14; ++i) {
        TSpeedItem* item = items()[static_cast<std::size_t>(i)];
        ASSERT_NE(item, nullptr) << kToolNames[i];
        EXPECT_EQ(item->Name(), kToolNames[i]);
        EXPECT_EQ(bar->Sections(0)->Items(i), item);
        EXPECT_TRUE(item->Visible()) << kToolNames[i];
        EXPECT_FALSE(item->Hint().empty()) << kToolNames[i];
        EXPECT_EQ(item->GroupIndex(), 1);
        EXPECT_FALSE(item->AllowAllUp());
        EXPECT_EQ(item->Down(), i == 0) << kToolNames[i];
        TSpeedbarButton* b = item->Button();
        EXPECT_EQ(b->Parent(), bar);
        EXPECT_TRUE(b->Flat());
        EXPECT_TRUE(b->Transparent());
        EXPECT_EQ(std::vector<int>({b->Left(), b->Top(), b->Width(), b->Height()}),
                  std::vector<int>({1, 1 + 22 * i, 23, 22}))
            << kToolNames[i];
        // The tool's own picture, drawn on its button: every pixel of the glyph that is not
        // its background shows at the same place (the glyph centred, a down button moved
        // by one pixel).
        ASSERT_EQ(item->Glyph()->Width(), 16);
        ASSERT_EQ(item->Glyph()->Height(), 16);
        const QImage g(QStringLiteral(":/bitmaps/") + kGlyphs[i] + QStringLiteral(".bmp"));
        ASSERT_EQ(g.size(), QSize(16, 16));
        const QRgb background = g.pixel(0, 15);
        const int shift = item->Down() ? 1 : 0;
        int drawn = 0, matching = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                if (g.pixel(x, y) == background) continue;
                ++drawn;
                const QPoint at(b->Left() + (23 - 16) / 2 + shift + x, b->Top() + (22 - 16) / 2 + shift + y);
                matching += (shown.pixel(at) & 0xFFFFFF) == (g.pixel(x, y) & 0xFFFFFF) ? 1 : 0;
            }
        EXPECT_GT(drawn, 10) << kGlyphs[i];
        EXPECT_EQ(matching, drawn) << kToolNames[i];
    }
    saveShot(shown, "tool-column.png");

    // The column runs from below the tool bar to above the bottom bar; the view starts
    // beside it.
    EXPECT_EQ(bar->Left(), 0);
    EXPECT_EQ(bar->Width(), 25);
    EXPECT_EQ(bar->Top(), form->SpeedPanel->Top() + form->SpeedPanel->Height());
    EXPECT_EQ(bar->Top() + bar->Height(), form->SpeedBar2->Top());
    EXPECT_EQ(form->MDIChild1->Left(), 25);

    // The bottom bar: the whole width above the status bar, holding the progress bar only.
    TSpeedBar* bottom = form->SpeedBar2;
    ASSERT_NE(bottom, nullptr);
    EXPECT_EQ(bottom->Align(), alBottom);
    EXPECT_EQ(bottom->Width(), form->ClientWidth());
    EXPECT_EQ(bottom->Top() + bottom->Height(), form->StatusBar->Top());
    EXPECT_EQ(bottom->ItemsCount(), 0);
    TProgressBar* progress = form->ShowProzent;
    EXPECT_EQ(progress->Parent(), bottom);
    EXPECT_EQ(progress->Align(), alClient);
}

TEST_F(ToolColumn, EachItemPressedWithTheMouseBecomesTheToolAndShowsItsOptions) {
    create();
    TColourPanel& p = *form->RightSidePanel;
    // The option each tool shows and whether the brush tip page comes with it.
    const struct {
        TEditorTool tool;
        TControl* option;
        bool brushTip;
    } expected[14] = {
        {TEditorTool::Zoom, p.ZoomBox, false},       {TEditorTool::Hand, p.ZoomBox, false},
        {TEditorTool::Select, p.TypBox, false},      {TEditorTool::FreeSelect, p.ZoomBox, false},
        {TEditorTool::MagicWand, p.TolEdit, false},  {TEditorTool::Pipette, p.ZoomBox, false},
        {TEditorTool::Brush, p.ZoomBox, true},       {TEditorTool::Clone, p.CloneBox, true},
        {TEditorTool::Replace, p.ZoomBox, true},     {TEditorTool::Retouch, p.RetouchBox, true},
        {TEditorTool::Fill, p.FillStyleBox, false},  {TEditorTool::Text, p.ZoomBox, false},
        {TEditorTool::Line, p.BreitEdit, false},     {TEditorTool::Shape, p.StilBox, false},
    };
    // From the last item up, so that every press moves the tool.
    for (int i = 13; i >= 0; --i) {
        TSpeedItem* item = items()[static_cast<std::size_t>(i)];
        pressTool(item);
        EXPECT_TRUE(item->Down()) << kToolNames[i];
        EXPECT_EQ(downCount(), 1) << kToolNames[i];
        EXPECT_EQ(form->CurrentTool(), expected[i].tool) << kToolNames[i];
        EXPECT_TRUE(expected[i].option->Visible()) << kToolNames[i];
        if (auto* w = qobject_cast<TWinControl*>(expected[i].option)) {
            EXPECT_TRUE(widgetOf(w)->isVisible()) << kToolNames[i];
        }
        EXPECT_EQ(p.BrushSheet->TabVisible(), expected[i].brushTip) << kToolNames[i];
        EXPECT_EQ(p.ZoomBox->Visible(), expected[i].option == p.ZoomBox) << kToolNames[i];
    }
    // Pressing the item that is down keeps it down: the group always has a tool.
    pressTool(form->ZoomBtn);
    EXPECT_TRUE(form->ZoomBtn->Down());
    EXPECT_EQ(downCount(), 1);
    pressTool(form->LineBtn);
    saveShot(widgetOf(form)->grab().toImage(), "tool-column-line.png");

    // The pointer over an item puts its hint into the status bar.
    QWidget* column = widgetOf(form->SpeedBar1);
    const TSpeedbarButton* hand = form->HandBtn->Button();
    QTest::mouseMove(column, QPoint(hand->Left() + 11, hand->Top() + 11));
    settle();
    EXPECT_EQ(form->StatusBar->Panels()->Items(0)->Text(), "Move the view or the selection");
    // A press outside every item presses nothing.
    const TSpeedbarButton* last = form->ShapeBtn->Button();
    QTest::mouseClick(column, Qt::LeftButton, {}, QPoint(12, last->Top() + last->Height() + 30));
    settle();
    EXPECT_TRUE(form->LineBtn->Down());
    EXPECT_EQ(downCount(), 1);
}

TEST_F(ToolColumn, TheViewWorksWithTheItemThatIsDown) {
    create();
    TMDIChild& v = *form->MDIChild1;
    // Put down by code, without a click and without the options following: the view still
    // takes the tool from the column.
    form->SelectBtn->SetDown(true);
    EXPECT_FALSE(form->ZoomBtn->Down());
    EXPECT_EQ(form->CurrentTool(), TEditorTool::Select);
    drag({20, 20}, {80, 60});
    EXPECT_TRUE(v.SelActive);
    EXPECT_EQ(v.ZoomNum, 1);
    EXPECT_EQ(getpixel(v.Dib.get(), 50, 40), 0xFFFFFF);

    form->Nichtauswhlen1Click(form);
    form->LineBtn->SetDown(true);
    EXPECT_EQ(form->CurrentTool(), TEditorTool::Line);
    drag({10, 100}, {150, 100});
    EXPECT_FALSE(v.SelActive);
    int black = 0;
    for (int y = 90; y < 110; ++y) black += getpixel(v.Dib.get(), 80, y) == 0 ? 1 : 0;
    EXPECT_EQ(black, 1) << "a line one pixel wide in colour 1";

    // The zoom tool back: a click zooms in.
    form->ZoomBtn->SetDown(true);
    click({40, 40});
    EXPECT_EQ(v.ZoomNum, 2);
}

TEST_F(ToolColumn, TheBottomBarsProgressIsDrawnWhileAnOperationRuns) {
    create();
    form->NewWindow(makePicture(600, 500, 24, pattern24), "rows", 0);
    settle();
    // Half way: the left half of the bar in the highlight colour, the right half not.
    SendMessageA(form->Handle(), WM_PROGRESS, 50, 0);
    const QImage half = widgetOf(form->SpeedBar2)->grab().toImage();
    const QColor highlight = QColor::fromRgb(GetRValue(GetSysColor(COLOR_HIGHLIGHT)),
                                             GetGValue(GetSysColor(COLOR_HIGHLIGHT)),
                                             GetBValue(GetSysColor(COLOR_HIGHLIGHT)));
    const int y = half.height() / 2;
    EXPECT_EQ(half.pixelColor(half.width() / 4, y), highlight);
    EXPECT_EQ(half.pixelColor(half.width() * 45 / 100, y), highlight);
    EXPECT_NE(half.pixelColor(half.width() * 55 / 100, y), highlight);
    EXPECT_NE(half.pixelColor(half.width() * 3 / 4, y), highlight);
    saveShot(half, "progress-half.png");
    SendMessageA(form->Handle(), WM_PROGRESS, 0, 0);
    settle();

    // A command runs without the event loop: the bar is drawn at each new position all the
    // same, rising, and ends at 0.
    PaintWatch watch(form->ShowProzent);
    ASSERT_TRUE(chooseMenu({"Colours", "Turn colours around"}));
    std::vector<int> during;
    for (int at : watch.painted)
        if (at > 0 && at < 100) during.push_back(at);
    EXPECT_GE(during.size(), 20u);
    EXPECT_TRUE(std::is_sorted(during.begin(), during.end()));
    ASSERT_FALSE(watch.painted.empty());
    EXPECT_EQ(watch.painted.back(), 0);
    EXPECT_EQ(form->ShowProzent->Position(), 0);
    EXPECT_EQ(getpixel(form->MDIChild1->Dib.get(), 10, 10), 0xFFFFFF ^ pattern24(10, 10));
}

TEST_F(ToolColumn, NoPressAlongTheBottomBarDragsItToAnotherEdge) {
    create();
    TSpeedBar* bottom = form->SpeedBar2;
    // The progress bar covers the whole bar: every press goes to it.
    EXPECT_EQ(std::vector<int>({form->ShowProzent->Left(), form->ShowProzent->Top(), form->ShowProzent->Width(),
                                form->ShowProzent->Height()}),
              std::vector<int>({0, 0, bottom->Width(), bottom->Height()}));
    // Presses at its corners and edges dragged up to the middle of the window: it stays.
    QWindow* window = widgetOf(form)->windowHandle();
    ASSERT_NE(window, nullptr);
    const auto onWindow = [&](int x, int y) { return widgetOf(bottom)->mapTo(widgetOf(form), QPoint(x, y)); };
    const int w = bottom->Width(), h = bottom->Height();
    for (const QPoint at : {QPoint(0, 0), QPoint(0, h / 2), QPoint(w / 2, 0), QPoint(w - 1, h - 1)}) {
        const QPoint from = onWindow(at.x(), at.y());
        const QPoint to(widgetOf(form)->width() / 2, widgetOf(form)->height() / 3);
        QTest::mousePress(window, Qt::LeftButton, {}, from);
        QTest::mouseMove(window, from + QPoint(0, -10));
        QTest::mouseMove(window, to);
        QTest::mouseRelease(window, Qt::LeftButton, {}, to);
        settle();
        EXPECT_EQ(bottom->Align(), alBottom) << at.x() << ", " << at.y();
        EXPECT_EQ(bottom->Top() + bottom->Height(), form->StatusBar->Top());
    }
}
