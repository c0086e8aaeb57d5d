// The poster window's "Chromalde..." button: the picture goes to the editor, which is shown
// modally, and comes back changed or not; the editor is left clean for its next use.
#include "editor/tests/EditorTestSupport.h"
#include "editor/tests/MainWindowFixture.h"
#include "poster/ColourDepth.h"

#include <filesystem>

using namespace edtest;

namespace {

class HandOver : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        // The shipped start picture is the poster window's first picture.
        std::filesystem::copy_file(TESSELLON_SOURCE_DIR "/app/poster.stb", dir.file("poster.stb"));
        poster = new TMainForm(Application);
        MainForm = poster;
        poster->DoCreate();
        poster->Show();
        create(false);
        poster->PictureEditor = form;
        settle();
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
    // Presses "Chromalde..." as a user does; `inside` runs while the editor is up.
    void openEditor(std::function<void()> inside) {
        whenShown([this, inside] {
            ASSERT_TRUE(form->Modal());
            inside();
            // Back by the menu's last entry; the editor asks nothing.
            chooseMenu({"File", "Back to Tessellon..."});
        });
        QWidget* w = platform::windowWidget(poster->MenuPanel->Handle());
        TSpeedButton* b = poster->SpeedButton4;
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(b->Left() + b->Width() / 2, b->Top() + b->Height() / 2));
        settle();
    }
    std::vector<unsigned char> savedBmp(const TDib& d, const char* name) {
        const std::string file = dir.file(name);
        EXPECT_EQ(SaveDib(d, file.c_str(), PW_BMP, nullptr), 1);
        return testsupport::readFile(file);
    }

    TMainForm* poster = nullptr;
};

}  // namespace

TEST_F(HandOver, AnUnchangedPictureComesBackAsItWent) {
    ASSERT_TRUE(poster->Dib);
    const TDib start = poster->Dib.get();
    const int w = DibWidth(start), h = DibHeight(start);
    const auto before = savedBmp(start, "before.bmp");
    const double across = static_cast<double>(poster->BreitEd->Value());
    bool posterDisabled = false, editorHadIt = false, blankMeanwhile = false;
    openEditor([&] {
        posterDisabled = !IsWindowEnabled(poster->Handle());
        // The editor holds the very picture; the poster window a blank one meanwhile.
        editorHadIt = form->MDIChild1->Dib.get().Bits == start.Bits;
        const TDib& blank = poster->Dib.get();
        blankMeanwhile = DibWidth(blank) == 320 && DibHeight(blank) == 200 && getpixel(blank, 7, 9) == 0xFFFFFF;
        EXPECT_EQ(form->Caption(), "Tessellon: Chromalde - NONAME [1:1]");
        saveShot(widgetOf(form)->grab().toImage(), "handover-editor.png");
    });
    EXPECT_TRUE(posterDisabled);
    EXPECT_TRUE(editorHadIt);
    EXPECT_TRUE(blankMeanwhile);
    EXPECT_FALSE(form->Visible());
    EXPECT_TRUE(IsWindowEnabled(poster->Handle()));
    ASSERT_TRUE(poster->Dib);
    EXPECT_EQ(poster->Dib.get().Bits, start.Bits);  // ownership moved back, no copy
    EXPECT_EQ(savedBmp(poster->Dib.get(), "after.bmp"), before);
    EXPECT_EQ(poster->Breit->Caption(), std::to_string(w));
    EXPECT_EQ(poster->Hoch->Caption(), std::to_string(h));
    EXPECT_EQ(poster->Tief->Caption(), "16777216");
    EXPECT_EQ(poster->Section.right, w);
    EXPECT_EQ(poster->Section.bottom, h);
    EXPECT_EQ(static_cast<double>(poster->BreitEd->Value()), across);  // the layout is not recomputed
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(HandOver, ADepthChangeComesBackAndTheEditorIsCleanForItsNextUse) {
    openEditor([&] {
        TMDIChild& v = *form->MDIChild1;
        // Work in the editor: a selection lifted, then the picture reduced to 256 colours.
        pressTool(form->SelectBtn);
        drag({30, 30}, {120, 90});
        key(Qt::Key_F, Qt::ControlModifier);
        ASSERT_TRUE(v.DragActive);
        v.SaveForUndo();
        TColourReduction how;
        v.ReplacePicture(DepthDownTo(v.Dib.get(), 8, how));
        v.Modified = true;
        pressTool(form->LineBtn);
        drag({5, 5}, {60, 40});
        EXPECT_GE(v.UndoCount, 2);
        EXPECT_EQ(DibBitCount(v.Dib.get()), 8);
    });
    ASSERT_EQ(DibBitCount(poster->Dib.get()), 8);
    EXPECT_EQ(poster->Tief->Caption(), "256");
    EXPECT_EQ(poster->Breit->Caption(), std::to_string(DibWidth(poster->Dib.get())));
    // The editor keeps a blank picture, a mask of its size, no selection, float or undo step.
    TMDIChild& v = *form->MDIChild1;
    EXPECT_EQ(DibWidth(v.Dib.get()), 320);
    EXPECT_EQ(DibHeight(v.Dib.get()), 200);
    EXPECT_EQ(DibWidth(v.SelMask.get()), 320);
    EXPECT_FALSE(v.SelActive);
    EXPECT_FALSE(v.DragActive);
    EXPECT_FALSE(v.FloatDib);
    EXPECT_FALSE(v.Background);
    EXPECT_EQ(v.UndoCount, 0);
    EXPECT_FALSE(v.Modified);
    // The next opening: the 8-bit picture, and no undo steps from before.
    int undo = -1, bits = 0;
    bool undoEnabled = true;
    openEditor([&] {
        undo = form->MDIChild1->UndoCount;
        bits = DibBitCount(form->MDIChild1->Dib.get());
        undoEnabled = menuEnabled({"Edit", "Undo"});
    });
    EXPECT_EQ(undo, 0);
    EXPECT_EQ(bits, 8);
    EXPECT_FALSE(undoEnabled);
}

TEST_F(HandOver, APastedPictureStillFollowingTheMouseDoesNotComeBack) {
    const auto before = savedBmp(poster->Dib.get(), "before.bmp");
    Doc red(makePicture(40, 40, 24, [](int, int) { return 0x0000FF; }));
    bool following = false;
    openEditor([&] {
        ASSERT_TRUE(form->Clipboard.Copy(red.doc));
        settle();  // the clipboard tells the window
        pressBar(form->PasteSpeedBtn);
        following = form->MDIChild1->ToolState == 99 && form->MDIChild1->FloatDib;
    });
    EXPECT_TRUE(following);
    EXPECT_EQ(savedBmp(poster->Dib.get(), "after.bmp"), before);
    EXPECT_FALSE(form->MDIChild1->FloatDib);
    EXPECT_EQ(form->MDIChild1->ToolState, 0);
    EXPECT_FALSE(form->MDIChild1->Dragging);
}

TEST_F(HandOver, WithoutMemoryForTheBlankPictureBothWindowsShowNothing) {
    const auto before = savedBmp(poster->Dib.get(), "before.bmp");
    openEditor([&] {
        // The poster window's stand-in could not be made: its views show nothing.
        EXPECT_TRUE(poster->Dib);
        poster->Dib.reset();
        poster->DibPrevPaint->Repaint();
        poster->RetuschPaint->Repaint();
    });
    EXPECT_EQ(savedBmp(poster->Dib.get(), "after.bmp"), before);
    // And the editor's blank picture cannot be made either on the way back.
    {
        AllocationLimit none(1000);
        openEditor([] {});
    }
    EXPECT_FALSE(form->MDIChild1->Dib);
    form->MDIChild1->PaintBox1->Repaint();
    EXPECT_EQ(form->MDIChild1->StatusPictureText(), "");
    EXPECT_EQ(savedBmp(poster->Dib.get(), "again.bmp"), before);
    // The next hand-over fills the editor again.
    int width = 0;
    openEditor([&] { width = DibWidth(form->MDIChild1->Dib.get()); });
    EXPECT_EQ(width, DibWidth(poster->Dib.get()));
}
