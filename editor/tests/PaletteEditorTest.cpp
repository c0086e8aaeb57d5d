// The palette editor with real mouse events: its grid of 18 columns for a 337-pixel box, a
// click on a cell opening the colour dialog for that entry, the gaps between cells, the
// read-out under the mouse, and OK taking the palette into the picture (as the view shows
// it) while Cancel changes nothing; on 16- and 256-colour pictures.
#include "editor/ChildFrame.h"
#include "editor/EditorDialogs.h"
#include "editor/PaletteEditor.h"
#include "editor/tests/DialogTestSupport.h"

#include <QColorDialog>

#include <gtest/gtest.h>

using namespace opstest2;
using namespace dlgtest;

namespace {

// Answers the colour dialog that a click opened with `colour`, and counts the dialogs.
struct ColourAnswer {
    int opened = 0;
    QColor colour;
    QColor shownWith;
    void arm() {
        QTimer::singleShot(0, [this] {
            auto* d = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
            if (!d) return;
            ++opened;
            shownWith = d->currentColor();
            d->setCurrentColor(colour);
            d->accept();
        });
    }
};

// A point of the paint box as a point of the form's widget, where graphic controls get
// their mouse.
QPoint inBox(TPaleditForm* f, int x, int y) { return QPoint(f->PaintBox1->Left() + x, f->PaintBox1->Top() + y); }

void clickBox(TPaleditForm* f, int x, int y) {
    QTest::mouseClick(widget(f), Qt::LeftButton, Qt::NoModifier, inBox(f, x, y));
}

UniqueDib sixteen() {
    return paletted(
        8, 4, 4, [](int i) { return PALETTEENTRY{BYTE(i * 16), BYTE(255 - i * 16), BYTE(i * 8), 0}; },
        [](int x, int y) { return (x + 8 * y) % 16; });
}

class PaletteEditor : public ::testing::Test {
protected:
    void SetUp() override {
        form.reset(new TForm(nullptr));
        form->SetBounds(0, 0, 300, 240);
        view = new TMDIChild(form.get());
        view->SetParent(form.get());
        view->SetAlign(alClient);
        view->SetWindowLink(&window);
        form->Show();
    }
    // The view's scroll box as shown, from the top-left of its client area.
    QImage shownView() {
        QWidget* box = widget(view->ScrollBox1);
        POINT p{0, 0};
        ClientToScreen(view->ScrollBox1->Handle(), &p);
        const QPoint at = box->mapFromGlobal(QPoint(p.x, p.y));
        return box->grab().toImage().convertToFormat(QImage::Format_RGB32).copy(QRect(at, box->size()));
    }

    TComponent owner{nullptr};
    edtest::TestWindow window;
    std::unique_ptr<TForm> form;
    TMDIChild* view = nullptr;
};

}  // namespace

TEST(PaletteGrid, EighteenColumnsFifteenPixelCellsAndInclusiveHits) {
    TPaleditForm f(nullptr);
    EXPECT_EQ(f.Caption(), "Edit colour palette");
    EXPECT_EQ(f.PaintBox1->Width(), 337);
    EXPECT_EQ(f.PaintBox1->Height(), 281);
    EXPECT_EQ(f.Columns(), 18);
    f.Palette.palNumEntries = 16;
    const RECT last = f.Cell(15);
    EXPECT_EQ(std::vector<LONG>({last.left, last.top, last.right, last.bottom}), std::vector<LONG>({270, 0, 285, 15}));
    EXPECT_EQ(f.EntryAt(270, 15), 15) << "both ends of the cell are hits";
    EXPECT_EQ(f.EntryAt(286, 5), -1) << "the gap";
    EXPECT_EQ(f.EntryAt(290, 5), -1) << "no 17th entry";
    EXPECT_EQ(f.EntryAt(5, 20), -1) << "a 16-colour palette fills part of the first row only";
    f.Palette.palNumEntries = 256;
    EXPECT_EQ(f.EntryAt(5, 20), 18);
    EXPECT_EQ(f.EntryAt(3 * 18 + 2, 14 * 18 + 2), 255);
    EXPECT_EQ(f.EntryAt(4 * 18 + 2, 14 * 18 + 2), -1);
}

TEST_F(PaletteEditor, SixteenColoursOneEntryChangedWithRealClicksOkAndCancel) {
    view->ReplacePicture(sixteen());
    const std::vector<BYTE> original = everything(view->Dib.get());
    ColourAnswer answer;
    answer.colour = QColor(1, 200, 3);
    whenShown([&] {
        TPaleditForm* f = owned<TPaleditForm>(&owner);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->Palette.palNumEntries, 16);
        // The grid as painted: entry 5's colour in its cell, the form's colour in the gap.
        const QImage shown = widget(f)->grab().toImage();
        EXPECT_EQ(QColor(shown.pixel(inBox(f, 5 * 18 + 7, 7))), QColor(80, 175, 40));
        EXPECT_NE(QColor(shown.pixel(inBox(f, 5 * 18 + 16, 7))), QColor(80, 175, 40));
        screenshot(f, "palette-editor-16");
        // The read-out under the mouse.
        QTest::mouseMove(widget(f), inBox(f, 2 * 18 + 3, 3));
        EXPECT_EQ(f->InfoLabel->Caption(), "Index: 2 ; R: 32 G:223 B:16");
        // A click in the gap opens nothing.
        answer.arm();
        clickBox(f, 2 * 18 + 16, 5);
        QTest::qWait(1);
        EXPECT_EQ(answer.opened, 0);
        // A click on entry 5 opens the colour dialog with its colour.
        answer.arm();
        clickBox(f, 5 * 18 + 15, 15);
        EXPECT_EQ(answer.opened, 1);
        EXPECT_EQ(answer.shownWith, QColor(80, 175, 40));
        EXPECT_EQ(f->Palette.palPalEntry[5].peGreen, 200);
        click(f->BitBtn2);  // Cancel
    });
    EXPECT_FALSE(editordialogs::EditPalette(*view, &owner));
    EXPECT_EQ(everything(view->Dib.get()), original) << "Cancel leaves the picture's palette";

    whenShown([&] {
        TPaleditForm* f = owned<TPaleditForm>(&owner);
        EXPECT_EQ(f->Palette.palPalEntry[5].peGreen, 175) << "a fresh copy";
        answer.arm();
        clickBox(f, 5 * 18 + 3, 3);
        click(f->BitBtn1);  // OK
    });
    EXPECT_TRUE(editordialogs::EditPalette(*view, &owner));
    const TDib& d = view->Dib.get();
    EXPECT_EQ(d.Palette.palPalEntry[5].peRed, 1);
    EXPECT_EQ(d.Info->bmiColors[5].rgbGreen, 200) << "the colour table follows";
    EXPECT_EQ(d.Info->bmiColors[6].rgbGreen, 255 - 6 * 16);
    EXPECT_EQ(view->UndoCount, 1) << "one step to undo, and the picture counts as changed";
    EXPECT_TRUE(view->Modified);
    // The view shows the new colour where the pixels use entry 5.
    QCoreApplication::processEvents();
    const QImage shown = shownView();
    EXPECT_EQ(QColor(shown.pixel(5, 0)), QColor(1, 200, 3));
    EXPECT_EQ(QColor(shown.pixel(6, 0)), QColor(96, 159, 48));
}

TEST_F(PaletteEditor, TwoHundredFiftySixColoursTheLastEntry) {
    view->ReplacePicture(paletted(
        16, 16, 8, [](int i) { return PALETTEENTRY{BYTE(i), BYTE(i), BYTE(255 - i), 0}; },
        [](int x, int y) { return x + 16 * y; }));
    ColourAnswer answer;
    answer.colour = QColor(250, 0, 0);
    whenShown([&] {
        TPaleditForm* f = owned<TPaleditForm>(&owner);
        screenshot(f, "palette-editor-256");
        QTest::mouseMove(widget(f), inBox(f, 3 * 18 + 1, 14 * 18 + 1));
        EXPECT_EQ(f->InfoLabel->Caption(), "Index: 255 ; R: 255 G:255 B:0");
        answer.arm();
        clickBox(f, 3 * 18 + 8, 14 * 18 + 8);
        EXPECT_EQ(answer.opened, 1);
        key(f->BitBtn1, Qt::Key_Return);
    });
    EXPECT_TRUE(editordialogs::EditPalette(*view, &owner));
    EXPECT_EQ(view->Dib.get().Palette.palPalEntry[255].peRed, 250);
    EXPECT_EQ(view->Dib.get().Palette.palPalEntry[254].peRed, 254);
    QCoreApplication::processEvents();
    EXPECT_EQ(QColor(shownView().pixel(15, 15)), QColor(250, 0, 0));
    // True-colour pictures have no palette to edit.
    view->ReplacePicture(truecolour(2, 2, [](int, int) { return 0; }));
    EXPECT_FALSE(editordialogs::EditPalette(*view, &owner));
}
