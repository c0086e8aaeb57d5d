// The editor's View menu, zoom box, tool-bar dialog and print dialog on a virtual display,
// driven by real pointer events from xdotool. Screenshots of the whole screen go to
// $TESSELLON_SHOT_DIR.
#include "EditorTestSupport.h"
#include "editor/EffectDialogs.h"
#include "editor/PrintFUnit.h"
#include "editor/tests/MainWindowFixture.h"
#include "platform/RecordingPrinter.h"
#include "platform/printer.h"
#include "X11Driver.h"
#include "testsupport/TestSupport.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>

#include <array>

using namespace edtest;

namespace {

using namespace x11driver;

int targets(int x, int y) {
    const auto near = [&](int cx, int cy, int r) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
    if (near(500, 400, 12)) return 0xFF0000;
    if (x % 50 == 0 || y % 50 == 0) return 0x909090;
    return 0xFFFFFF;
}

class CommandsX11 : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        platform::setCurrentPrinter(platform::recordingPrinter(rec));
        create(false);
        form->Show();
        ASSERT_TRUE(waitFor([this] { return widgetOf(form)->isVisible(); }));
        pause(300);
    }
    void TearDown() override {
        MainWindow::TearDown();
        platform::setCurrentPrinter(nullptr);
    }
    QImage screen(const char* name) {
        pause(200);
        const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        saveShot(shot, name);
        return shot;
    }
    static QPoint middle(TControl* c) {
        POINT p{c->Left() + c->Width() / 2, c->Top() + c->Height() / 2};
        ClientToScreen(c->Parent()->Handle(), &p);
        return QPoint(p.x, p.y);
    }
    // The mark of a check box or radio button.
    static QPoint onMark(TWinControl* c) { return widgetOf(c)->mapToGlobal(QPoint(8, c->Height() / 2)); }
    // Opens a menu of the bar and the submenus along the path with the pointer; returns the
    // last menu open.
    QMenu* openWithPointer(const std::vector<QString>& path) {
        QMenuBar* b = bar();
        QAction* a = b ? actionNamed(b, path.front()) : nullptr;
        if (!a) return nullptr;
        clickAt(b->mapToGlobal(b->actionGeometry(a).center()));
        QMenu* m = nullptr;
        if (!waitFor([&] { return (m = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr; }))
            return nullptr;
        for (std::size_t i = 1; i < path.size(); ++i) {
            QAction* item = actionNamed(m, path[i]);
            if (!item) return nullptr;
            moveTo(m->mapToGlobal(m->actionGeometry(item).center()));
            QMenu* sub = item->menu();
            if (!sub || !waitFor([&] { return sub->isVisible(); })) return sub ? nullptr : m;
            m = sub;
        }
        return m;
    }
    void choose(QMenu* m, const QString& entry) {
        QAction* item = actionNamed(m, entry);
        ASSERT_NE(item, nullptr);
        clickAt(m->mapToGlobal(m->actionGeometry(item).center()));
        pause(200);
    }

    platform::RecordingPrinter rec{210, 297, 100, platform::PrinterMargins{5, 5, 5, 5}};
};

}  // namespace

TEST_F(CommandsX11, TheZoomMenuAndTheZoomBoxWithThePointer) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    TMDIChild& v = *form->MDIChild1;
    form->NewWindow(makePicture(1000, 800, 24, targets), "targets", 0);
    pause(200);
    QMenu* increased = openWithPointer({"View", "Increased size"});
    ASSERT_NE(increased, nullptr);
    screen("x11-zoom-menu.png");
    choose(increased, "4:1");
    EXPECT_EQ(v.ZoomNum, 4);
    EXPECT_EQ(form->RightSidePanel->ZoomBox->ItemIndex(), 12);

    // The zoom box opened with the pointer: 31 entries, 16:1 first, 1:1 in the middle.
    auto* box = qobject_cast<QComboBox*>(widgetOf(form->RightSidePanel->ZoomBox));
    ASSERT_NE(box, nullptr);
    clickAt(box->mapToGlobal(box->rect().center()));
    ASSERT_TRUE(waitFor([&] { return box->view()->isVisible(); }));
    screen("x11-zoom-box-open.png");
    QAbstractItemView* list = box->view();
    EXPECT_EQ(box->itemText(0), "16:1");
    EXPECT_EQ(box->itemText(15), "1:1");
    EXPECT_EQ(box->itemText(30), "1:16");
    const int middleAt4 = (v.ScrollBox1->HorzScrollBar()->Position() + v.ScrollBox1->Width() / 2) / 4;
    list->scrollTo(box->model()->index(0, 0));
    pause(100);
    clickAt(list->viewport()->mapToGlobal(list->visualRect(box->model()->index(0, 0)).center()));
    ASSERT_TRUE(waitFor([&] { return v.ZoomNum == 16; }));
    EXPECT_EQ(box->currentText(), "16:1");
    screen("x11-zoom-16to1.png");
    // The picture point at the middle of the view stays there.
    const int middleX = (v.ScrollBox1->HorzScrollBar()->Position() + v.ScrollBox1->Width() / 2) / 16;
    EXPECT_NEAR(middleX, middleAt4, 1);
    for (int entry : {30, 15}) {
        clickAt(box->mapToGlobal(box->rect().center()));
        ASSERT_TRUE(waitFor([&] { return box->view()->isVisible(); }));
        list->scrollTo(box->model()->index(entry, 0));
        pause(100);
        clickAt(list->viewport()->mapToGlobal(list->visualRect(box->model()->index(entry, 0)).center()));
        ASSERT_TRUE(waitFor([&] { return form->RightSidePanel->ZoomBox->ItemIndex() == entry; }));
        EXPECT_EQ(box->currentText(), entry == 30 ? "1:16" : "1:1");
    }
    EXPECT_EQ(v.ZoomDen, 1);
    screen("x11-zoom-1to1.png");
}

TEST_F(CommandsX11, TheToolBarAndPrintDialogsOnTheScreen) {
    form->NewWindow(makePicture(300, 200, 24, [](int x, int y) { return (x % 200) | (y % 200) << 8 | 120 << 16; }),
                    "dialogs", 0);
    bool sawBars = false;
    whenShown([&] {
        ASSERT_TRUE(waitFor([&] { return Screen->ActiveForm() && Screen->ActiveForm() != form; }));
        auto* f = dynamic_cast<TConfigBars*>(Screen->ActiveForm());
        ASSERT_NE(f, nullptr);
        sawBars = true;
        pause(200);
        screen("x11-toolbars-dialog.png");
        const RECT r = f->CheckList->ItemRect(2);
        clickAt(widgetOf(f->CheckList)->mapToGlobal(QPoint(r.left + 4, (r.top + r.bottom) / 2)));
        EXPECT_FALSE(f->CheckList->Checked(2));
        clickAt(middle(f->OKBtn));
    });
    QMenu* view = openWithPointer({"View"});
    ASSERT_NE(view, nullptr);
    choose(view, "Toolbars...");
    ASSERT_TRUE(waitFor([&] { return Application->ModalLevel == 0; }));
    EXPECT_TRUE(sawBars);
    EXPECT_FALSE(widgetOf(form->RightSidePanel)->isVisible());
    screen("x11-without-colour-panel.png");

    bool sawPrint = false;
    whenShown([&] {
        ASSERT_TRUE(waitFor([&] { return Screen->ActiveForm() && Screen->ActiveForm() != form; }));
        auto* f = dynamic_cast<TPrintForm*>(Screen->ActiveForm());
        ASSERT_NE(f, nullptr);
        sawPrint = true;
        pause(200);
        screen("x11-print-dialog.png");
        clickAt(onMark(f->UserdefCheck));
        clickAt(onMark(f->ZentrCheck));
        EXPECT_TRUE(f->UserdefCheck->Checked());
        EXPECT_FALSE(f->ZentrCheck->Checked());
        pause(200);
        screen("x11-print-dialog-user-defined.png");
        clickAt(middle(f->OkBitBtn1));
    });
    QMenu* file = openWithPointer({"File"});
    ASSERT_NE(file, nullptr);
    choose(file, "Printing...");
    ASSERT_TRUE(waitFor([&] { return Application->ModalLevel == 0; }));
    EXPECT_TRUE(sawPrint);
    ASSERT_EQ(rec.pages().size(), 1u);
    // 50 % of the page at its top-left corner.
    const QImage& page = rec.pages()[0];
    EXPECT_NE(page.pixelColor(5, 5), QColor(Qt::white));
    EXPECT_EQ(page.pixelColor(page.width() - 5, page.height() - 5), QColor(Qt::white));
}

TEST_F(CommandsX11, TheToolColumnAndTheProgressBarOnTheScreen) {
    form->NewWindow(makePicture(600, 400, 24, targets), "tools", 0);
    pause(200);
    const std::array<std::pair<TSpeedItem*, TEditorTool>, 14> tools = {{
        {form->ShapeBtn, TEditorTool::Shape},      {form->LineBtn, TEditorTool::Line},
        {form->TxtBtn, TEditorTool::Text},         {form->FillBtn, TEditorTool::Fill},
        {form->RetouchBtn, TEditorTool::Retouch},  {form->ReplaceBtn, TEditorTool::Replace},
        {form->CloneBtn, TEditorTool::Clone},      {form->BrushBtn, TEditorTool::Brush},
        {form->DropBtn, TEditorTool::Pipette},     {form->MagicBtn, TEditorTool::MagicWand},
        {form->FreeSelBtn, TEditorTool::FreeSelect}, {form->SelectBtn, TEditorTool::Select},
        {form->HandBtn, TEditorTool::Hand},        {form->ZoomBtn, TEditorTool::Zoom},
    }};
    // Each item clicked with the pointer becomes the only one down and the tool.
    for (const auto& [item, tool] : tools) {
        clickAt(middle(item->Button()));
        ASSERT_TRUE(waitFor([&] { return item->Down(); })) << item->Name();
        EXPECT_EQ(form->CurrentTool(), tool) << item->Name();
        int down = 0;
        for (const auto& t : tools) down += t.first->Down() ? 1 : 0;
        EXPECT_EQ(down, 1) << item->Name();
    }
    // The selection tool down, the pointer resting on the brush.
    clickAt(middle(form->SelectBtn->Button()));
    EXPECT_TRUE(widgetOf(form->RightSidePanel->TypBox)->isVisible());
    moveTo(middle(form->BrushBtn->Button()));
    const QImage column = screen("x11-speed-bar.png");
    // The hand's glyph as the screen shows it: centred on its flat button.
    const QImage glyph(QStringLiteral(":/bitmaps/TOOL_HAND.bmp"));
    ASSERT_EQ(glyph.size(), QSize(16, 16));
    POINT corner{form->HandBtn->Left() + 3, form->HandBtn->Top() + 3};
    ClientToScreen(form->SpeedBar1->Handle(), &corner);
    int drawn = 0, matching = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            if (glyph.pixel(x, y) == glyph.pixel(0, 15)) continue;
            ++drawn;
            matching += (column.pixel(corner.x + x, corner.y + y) & 0xFFFFFF) == (glyph.pixel(x, y) & 0xFFFFFF);
        }
    EXPECT_GT(drawn, 10);
    EXPECT_EQ(matching, drawn);

    // The progress bar along the bottom, 60 % filled.
    SendMessageA(form->Handle(), WM_PROGRESS, 60, 0);
    const QImage progress = screen("x11-progress-bar.png");
    const COLORREF h = GetSysColor(COLOR_HIGHLIGHT);
    const QColor highlight(GetRValue(h), GetGValue(h), GetBValue(h));
    POINT left{form->SpeedBar2->Width() * 30 / 100, form->SpeedBar2->Height() / 2};
    POINT right{form->SpeedBar2->Width() * 80 / 100, form->SpeedBar2->Height() / 2};
    ClientToScreen(form->SpeedBar2->Handle(), &left);
    ClientToScreen(form->SpeedBar2->Handle(), &right);
    EXPECT_EQ(progress.pixelColor(left.x, left.y), highlight);
    EXPECT_NE(progress.pixelColor(right.x, right.y), highlight);
    SendMessageA(form->Handle(), WM_PROGRESS, 0, 0);
}
