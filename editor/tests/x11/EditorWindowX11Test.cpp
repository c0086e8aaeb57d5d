// The poster window and the picture editor on a virtual display, as the program makes them,
// driven by real pointer and key events from xdotool: the hand-over with the start picture,
// a selection moved, undone and moved again, zoom and the caption, a line, a filled ellipse
// and a text drawn with the mouse, undo across a size change while a paste follows the
// mouse, and a transparent text float at 1:3 grabbed again and drawn under. Screenshots of
// the whole screen go to $TESSELLON_SHOT_DIR.
#include "EditorTestSupport.h"
#include "editor/NewUnit.h"
#include "editor/TextTool.h"
#include "editor/tests/MainWindowFixture.h"
#include "X11Driver.h"
#include "testsupport/TestSupport.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>

#include <filesystem>

using namespace edtest;

namespace {

using namespace x11driver;

class EditorWindowX11 : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        std::filesystem::copy_file(TESSELLON_SOURCE_DIR "/app/poster.stb", dir.file("poster.stb"));
        poster = new TMainForm(Application);
        MainForm = poster;
        poster->DoCreate();
        poster->Show();
        create(false);
        poster->PictureEditor = form;
        ASSERT_TRUE(waitFor([this] { return widgetOf(poster)->isVisible(); }));
        pause(300);
    }
    void TearDown() override {
        if (poster) {
            poster->OnCloseQuery = {};
            poster->OnClose = {};
            poster->Free();
        }
        MainForm = nullptr;
        MainWindow::TearDown();
    }
    // The screen point of a control's point.
    static QPoint global(TControl* c, int x, int y) {
        POINT p{c->Left() + x, c->Top() + y};
        ClientToScreen(c->Parent()->Handle(), &p);
        return QPoint(p.x, p.y);
    }
    static QPoint middle(TControl* c) { return global(c, c->Width() / 2, c->Height() / 2); }
    // The screen point of a paint-box point of the editor's view.
    QPoint onView(int x, int y) const { return viewWidget()->mapToGlobal(viewPoint(x, y)); }
    // The screen point of a picture point at the view's zoom.
    QPoint onPicture(int x, int y) const {
        return onView(form->MDIChild1->PicToView(x), form->MDIChild1->PicToView(y));
    }
    void tool(TSpeedItem* item) {
        clickAt(middle(item->Button()));
        ASSERT_TRUE(item->Down());
    }
    void keys(const QString& k) {
        const QString window = QString::number(widgetOf(form)->winId());
        xdo({"windowfocus", "--sync", window});
        xdo({"key", k});
        pause(100);
    }
    // Chooses an entry of a bar menu with the pointer.
    void menu(const QString& top, const QString& entry) {
        QMenuBar* b = bar();
        ASSERT_NE(b, nullptr);
        QAction* a = actionNamed(b, top);
        ASSERT_NE(a, nullptr);
        clickAt(b->mapToGlobal(b->actionGeometry(a).center()));
        QMenu* m = nullptr;
        ASSERT_TRUE(waitFor([&] { return (m = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr; }));
        QAction* item = actionNamed(m, entry);
        ASSERT_NE(item, nullptr);
        clickAt(m->mapToGlobal(m->actionGeometry(item).center()));
        pause(200);
    }
    QImage screen(const char* name) {
        pause(150);
        const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        saveShot(shot, name);
        return shot;
    }
    // The editor's X window title, as the display has it.
    std::string windowName() const {
        QProcess p;
        p.start("xdotool", {"getwindowname", QString::number(widgetOf(form)->winId())});
        waitFor([&] { return p.state() == QProcess::NotRunning; });
        return p.readAllStandardOutput().trimmed().toStdString();
    }
    // Opens the editor with "Chromalde..." and runs `inside` while it is up; the editor goes
    // back by its menu afterwards, whatever `inside` found.
    void inEditor(std::function<void()> inside) {
        whenShown([this, inside] {
            ASSERT_TRUE(waitFor([this] { return widgetOf(form)->isVisible(); }));
            pause(300);
            inside();
            menu("File", "Back to Tessellon...");
            if (form->Modal()) form->SetModalResult(mrCancel);  // a failure above must not hang
        });
        clickAt(middle(poster->SpeedButton4));
        waitFor([this] { return !form->Modal(); }, 120000);
    }

    TMainForm* poster = nullptr;
};

}  // namespace

TEST_F(EditorWindowX11, RunsOnARealDisplay) { ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")); }

TEST_F(EditorWindowX11, ASelectionMovedUndoneAndMovedAgainAndTheCaption) {
    UniqueDib start = copyOf(poster->Dib.get());
    UniqueDib moved;
    inEditor([&] {
        TMDIChild& v = *form->MDIChild1;
        EXPECT_TRUE(samePixels(v.Dib.get(), start.get()));
        EXPECT_EQ(windowName(), "Tessellon: Chromalde - NONAME [1:1]");
        screen("x11-1-editor-opened.png");

        // A rectangle selected with the mouse, then moved 60 right and 40 down.
        tool(form->SelectBtn);
        dragGlobal(onPicture(100, 80), onPicture(220, 170));
        ASSERT_TRUE(v.SelActive);
        EXPECT_EQ(v.SelBounds.left, 100);
        EXPECT_EQ(v.SelBounds.top, 80);
        screen("x11-2-selected.png");
        dragGlobal(onPicture(150, 120), onPicture(210, 160));
        ASSERT_TRUE(v.DragActive);
        EXPECT_EQ(v.FloatHome.x, 160);
        EXPECT_EQ(v.FloatHome.y, 120);
        // The lifted pixels are at their new place, colour 2 (white) where they were.
        EXPECT_EQ(getpixel(v.Dib.get(), 160 + 10, 120 + 10), getpixel(start.get(), 110, 90));
        EXPECT_EQ(getpixel(v.Dib.get(), 105, 85), 0xFFFFFF);
        moved = copyOf(v.Dib.get());
        screen("x11-3-moved.png");

        // Ctrl+Z: the picture and the selection as before the move.
        keys("ctrl+z");
        EXPECT_TRUE(samePixels(v.Dib.get(), start.get()));
        EXPECT_TRUE(v.SelActive);
        EXPECT_FALSE(v.DragActive);
        EXPECT_EQ(v.SelBounds.left, 100);
        screen("x11-4-undone.png");

        // The same move again (there is no redo): the same picture as after the first.
        dragGlobal(onPicture(150, 120), onPicture(210, 160));
        EXPECT_TRUE(samePixels(v.Dib.get(), moved.get()));
        screen("x11-5-moved-again.png");

        // Zoomed in with the zoom tool: the caption of a changed picture at 2:1.
        tool(form->ZoomBtn);
        clickAt(onPicture(200, 150));
        EXPECT_EQ(v.ZoomNum, 2);
        pause(200);
        EXPECT_EQ(windowName(), "Tessellon: Chromalde - NONAME* [2:1]");
        EXPECT_EQ(form->Caption(), "Tessellon: Chromalde - NONAME* [2:1]");
        screen("x11-6-zoom-2to1.png");
    });
    EXPECT_FALSE(form->Modal());
    // The poster window has the moved picture.
    ASSERT_TRUE(moved);
    EXPECT_TRUE(samePixels(poster->Dib.get(), moved.get()));
    EXPECT_TRUE(boxes.shown().empty());
    screen("x11-7-back-in-poster.png");
}

TEST_F(EditorWindowX11, ALineAFilledEllipseAndATextDrawnWithTheMouse) {
    inEditor([&] {
        TMDIChild& v = *form->MDIChild1;
        // A blank picture to draw on, from New.
        whenShown([this] {
            pause(200);
            owned<TNewForm>()->BreitEdit->SetValue(400);
            owned<TNewForm>()->HochEdit->SetValue(300);
            clickAt(middle(owned<TNewForm>()->OKBtn));
        });
        keys("ctrl+n");
        ASSERT_EQ(DibWidth(v.Dib.get()), 400);
        // A line four pixels wide.
        tool(form->LineBtn);
        form->RightSidePanel->BreitEdit->SetValue(4);
        dragGlobal(onPicture(20, 30), onPicture(360, 60));
        EXPECT_EQ(getpixel(v.Dib.get(), 190, 44), 0);
        // A filled ellipse in colour 1, picked red from the colour field first.
        clickAt(global(form->RightSidePanel->PalPaintBox, 2 + 47 / 2, 0));
        // A loaded machine may hand the click over late.
        waitFor([&] { return (v.Color1 & 0xFF) > 200; }, 3000);
        const int red = v.Color1;
        EXPECT_GT(red & 0xFF, 200);
        EXPECT_LT((red >> 8) & 0xFF, 20);
        tool(form->ShapeBtn);
        form->RightSidePanel->TypBox->SetItemIndex(2);
        form->RightSidePanel->StilBox->SetItemIndex(1);
        dragGlobal(onPicture(60, 110), onPicture(220, 230));
        EXPECT_EQ(getpixel(v.Dib.get(), 140, 170), red);
        EXPECT_EQ(getpixel(v.Dib.get(), 62, 112), 0xFFFFFF);  // outside, at the box's corner
        // A text: the dialog comes after the press; typed, then placed by a click.
        tool(form->TxtBtn);
        bool dialog = false;
        whenShown([&] {
            pause(200);
            QWidget* d = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && w->windowTitle() == "Add text") d = w;
            ASSERT_NE(d, nullptr);
            dialog = true;
            QWidget* memo = nullptr;
            for (QWidget* w : d->findChildren<QWidget*>())
                if (w->inherits("QPlainTextEdit") || w->inherits("QTextEdit")) memo = w;
            ASSERT_NE(memo, nullptr);
            clickAt(memo->mapToGlobal(memo->rect().center()));
            xdo({"key", "ctrl+a"});
            xdo({"type", "Chromalde"});
            pause(100);
            QWidget* ok = nullptr;
            for (int i = 0; i < Screen->FormCount(); ++i)
                if (auto* t = dynamic_cast<TAddTextForm*>(Screen->Forms(i)); t && t->Visible())
                    ok = platform::windowWidget(t->OkBtn->Handle());
            ASSERT_NE(ok, nullptr);
            clickAt(ok->mapToGlobal(ok->rect().center()));
        });
        clickAt(onPicture(250, 120));
        ASSERT_TRUE(waitFor([&] { return static_cast<bool>(v.FloatDib); }));
        EXPECT_TRUE(dialog);
        EXPECT_EQ(v.ToolState, 99);
        moveTo(onPicture(240, 200));
        clickAt(onPicture(250, 210));
        EXPECT_TRUE(v.DragActive);
        // Text pixels in colour 1 below and right of the place clicked.
        int textPixels = 0;
        for (int y = 0; y < DibHeight(v.FloatDib.get()); ++y)
            for (int x = 0; x < DibWidth(v.FloatDib.get()); ++x)
                textPixels += getpixel(v.Dib.get(), v.FloatHome.x + x, v.FloatHome.y + y) == red;
        EXPECT_GT(textPixels, 60);
        screen("x11-8-line-ellipse-text.png");
        // Select nothing (Ctrl+D): the text stays, in colour 1, without the ants over it.
        const POINT home = v.FloatHome;
        const int fw = DibWidth(v.FloatDib.get()), fh = DibHeight(v.FloatDib.get());
        keys("ctrl+d");
        EXPECT_FALSE(v.SelActive);
        EXPECT_FALSE(v.FloatDib);
        int after = 0;
        for (int y = 0; y < fh; ++y)
            for (int x = 0; x < fw; ++x) after += getpixel(v.Dib.get(), home.x + x, home.y + y) == red;
        EXPECT_EQ(after, textPixels);
        screen("x11-8b-text-merged.png");
    });
    EXPECT_EQ(DibWidth(poster->Dib.get()), 400);
}

TEST_F(EditorWindowX11, UndoAcrossAnEnlargementWhileAPasteFollowsTheMouse) {
    inEditor([&] {
        TMDIChild& v = *form->MDIChild1;
        UniqueDib before = copyOf(v.Dib.get());
        const int w = DibWidth(before.get()), h = DibHeight(before.get());
        // Something on the clipboard, then the picture enlarged (a size change with its step).
        Doc small(makePicture(60, 40, 24, pattern24));
        ASSERT_TRUE(form->Clipboard.Copy(small.doc));
        v.SaveForUndo();
        v.ReplacePicture(makePicture(w + 300, h + 200, 24, pattern24));
        v.SetZoomedPaintBox();
        pause(200);
        // Pasted as a selection, following the mouse; Ctrl+Z twice, then the mouse moves on.
        keys("ctrl+e");
        ASSERT_EQ(v.ToolState, 99);
        moveTo(onPicture(50, 50));
        keys("ctrl+z");
        keys("ctrl+z");
        for (int i = 0; i < 5; ++i) moveTo(onPicture(40 + i * 30, 60 + i * 20));
        EXPECT_TRUE(samePixels(v.Dib.get(), before.get()));
        EXPECT_EQ(DibWidth(v.SelMask.get()), w);
        EXPECT_EQ(v.ToolState, 0);
        EXPECT_FALSE(v.FloatDib);
        screen("x11-9-undo-across-size.png");
    });
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(EditorWindowX11, ATransparentTextFloatAtOneToThreeStaysWhenGrabbedAndDrawnUnder) {
    inEditor([&] {
        TMDIChild& v = *form->MDIChild1;
        // Black text on white (colour 2) on the clipboard.
        TTextChoice text;
        text.Lines = {"Float"};
        text.FontHeight = 40;
        UniqueDib mask = RenderTextMask(text);
        ASSERT_TRUE(mask);
        const int tw = DibWidth(mask.get()), th = DibHeight(mask.get());
        Doc words(makePicture(tw, th, 24, [&](int x, int y) { return getpixel(mask.get(), x, y) ? 0 : 0xFFFFFF; }));
        ASSERT_TRUE(form->Clipboard.Copy(words.doc));
        form->SetZoom(1, 3);
        pause(200);
        // Pasted transparent, placed by a click.
        keys("ctrl+shift+e");
        ASSERT_EQ(v.ToolState, 99);
        ASSERT_TRUE(v.FloatTransparent);
        moveTo(onView(40, 30));
        clickAt(onView(41, 31));
        ASSERT_TRUE(v.DragActive);
        const POINT home = v.FloatHome;
        UniqueDib placed = copyOf(v.Dib.get());
        const QImage first = screen("x11-10-transparent-float.png");
        // Grabbed three times with the selection tool on a letter pixel and let go unmoved.
        tool(form->SelectBtn);
        POINT letter{-1, -1};
        for (int y = 0; y < th && letter.x < 0; ++y)
            for (int x = 0; x < tw && letter.x < 0; ++x)
                if (getpixel(mask.get(), x, y) && (home.x + x) % 3 == 0 && (home.y + y) % 3 == 0 &&
                    getpixel(v.SelMask.get(), home.x + x, home.y + y) == 1)
                    letter = POINT{home.x + x, home.y + y};
        ASSERT_GE(letter.x, 0);
        for (int i = 0; i < 3; ++i) {
            moveTo(onPicture(letter.x, letter.y));
            xdo({"mousedown", "1"});
            xdo({"mouseup", "1"});
            EXPECT_EQ(v.FloatHome.x, home.x) << i;
            EXPECT_EQ(v.FloatHome.y, home.y) << i;
        }
        EXPECT_TRUE(samePixels(v.Dib.get(), placed.get()));
        // A red line drawn under it, right across: the letters stay on top, unchanged, and
        // the line shows between them, where the float is transparent.
        v.setcol1(0x0000FF);
        tool(form->LineBtn);
        form->RightSidePanel->BreitEdit->SetValue(3);
        const int midY = (home.y + th / 2) / 3 * 3;
        dragGlobal(onPicture(home.x - 30, midY), onPicture(home.x + tw + 30, midY));
        int between = 0;
        for (int y = 0; y < th; ++y)
            for (int x = 0; x < tw; ++x) {
                const int shown = getpixel(v.Dib.get(), home.x + x, home.y + y);
                if (getpixel(mask.get(), x, y)) ASSERT_EQ(shown, 0) << x << "," << y;
                else between += shown == 0x0000FF;
            }
        EXPECT_GT(between, 10);
        EXPECT_EQ(getpixel(v.Dib.get(), home.x - 20, midY), 0x0000FF);  // the line beside the float
        EXPECT_EQ(v.FloatHome.x, home.x);
        const QImage last = screen("x11-11-line-under-float.png");
        EXPECT_EQ(first.size(), last.size());
    });
    EXPECT_TRUE(boxes.shown().empty());
}
