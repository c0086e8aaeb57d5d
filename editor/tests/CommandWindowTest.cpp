// The editor window's commands with the mouse and the keys: a lifted selection reduced to,
// drawn on and moved; the palette edited and the save query; the zoom menu and the zoom box
// through all 31 ratios; small pictures at every zoom; the tool-bar choice.
#include "editor/EffectDialogs.h"
#include "editor/PaletteEditor.h"
#include "editor/tests/EditorTestSupport.h"
#include "editor/tests/MainWindowFixture.h"
#include "poster/PictureDialogs.h"

#include <QComboBox>
#include <QPainter>

using namespace edtest;

namespace {

QString ratio(int num, int den) { return QString::number(num) + ":" + QString::number(den); }

// A white picture with a grey grid every 50 pixels, a red disc around (300, 250) and a blue
// one around the middle (500, 400), to see where a view is.
int targets(int x, int y) {
    const auto near = [&](int cx, int cy, int r) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
    if (near(300, 250, 12)) return 0x0000FF;
    if (near(500, 400, 12)) return 0xFF0000;
    if (x % 50 == 0 || y % 50 == 0) return 0x909090;
    return 0xFFFFFF;
}

}  // namespace

class CommandWindow : public MainWindow {
protected:
    TForm* dialog() const {
        for (int i = form->ComponentCount() - 1; i >= 0; --i)
            if (auto* f = dynamic_cast<TForm*>(form->Components(i)); f && f->Visible()) return f;
        return nullptr;
    }
    static void clickButton(TButton* b) {
        QTest::mouseClick(widgetOf(b), Qt::LeftButton, {}, QPoint(b->Width() / 2, b->Height() / 2));
        settle();
    }
};

TEST_F(CommandWindow, ALiftedSelectionReducedToThenDrawnOnAndMoved) {
    create();
    TMDIChild& v = *form->MDIChild1;
    form->NewWindow(makePicture(120, 80, 24, pattern24), "lifted", 0);
    pressTool(form->SelectBtn);
    drag({30, 20}, {90, 60});
    ASSERT_TRUE(v.SelActive);
    // Lifted from the background, then moved by the hand a little: a float bigger than
    // nothing, over a background of the whole picture.
    ASSERT_TRUE(chooseMenu({"Selection", "Free selection form the background"}));
    ASSERT_TRUE(v.DragActive);
    ASSERT_EQ(DibWidth(v.Background.get()), 120);
    pressTool(form->HandBtn);
    drag({50, 40}, {52, 41});
    ASSERT_TRUE(v.DragActive);
    const int movedX = v.FloatHome.x, movedY = v.FloatHome.y;
    EXPECT_EQ(movedX, 32);
    EXPECT_EQ(movedY, 21);
    UniqueDib shown = copyOf(v.Dib.get());

    // Reduced to the selection by its shortcut: the float is merged first.
    key(Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
    ASSERT_EQ(DibWidth(v.Dib.get()), 60);
    ASSERT_EQ(DibHeight(v.Dib.get()), 40);
    EXPECT_FALSE(v.DragActive);
    EXPECT_FALSE(v.FloatDib);
    EXPECT_FALSE(v.Background);
    EXPECT_FALSE(v.SelActive);
    ASSERT_EQ(DibWidth(v.SelMask.get()), 60);
    for (int y = 0; y < 40; y += 3)
        for (int x = 0; x < 60; x += 3)
            ASSERT_EQ(getpixel(v.Dib.get(), x, y), getpixel(shown.get(), x + movedX, y + movedY)) << x << ", " << y;
    EXPECT_EQ(v.PaintBox1->Width(), 60);
    EXPECT_EQ(form->Caption(), "Tessellon: Chromalde - lifted* [1:1]");

    // A line across the new picture (it ends one short of the mouse).
    pressTool(form->LineBtn);
    drag({0, 20}, {60, 21});
    for (int x = 0; x < 60; ++x) ASSERT_EQ(getpixel(v.Dib.get(), x, 20), 0) << x;
    EXPECT_EQ(getpixel(v.Dib.get(), 10, 10), getpixel(shown.get(), 10 + movedX, 10 + movedY));

    // A new selection lifted and moved with the hand: the picture follows.
    UniqueDib drawn = copyOf(v.Dib.get());
    pressTool(form->SelectBtn);
    drag({5, 5}, {25, 25});
    key(Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(v.DragActive);
    ASSERT_EQ(DibWidth(v.Background.get()), 60);
    pressTool(form->HandBtn);
    drag({15, 15}, {45, 15});
    EXPECT_EQ(v.FloatHome.x, 35);
    EXPECT_EQ(v.FloatHome.y, 5);
    for (int y = 5; y < 25; y += 2)
        for (int x = 5; x < 25; x += 2)
            ASSERT_EQ(getpixel(v.Dib.get(), x + 30, y), getpixel(drawn.get(), x, y)) << x << ", " << y;
    ASSERT_TRUE(chooseMenu({"Selection", "Merge with background"}));
    EXPECT_FALSE(v.DragActive);
    saveShot(widgetOf(form)->grab().toImage(), "editor-reduced-drawn-moved.png");

    // Undone step by step back to the reduced picture with the line.
    while (v.UndoCount > 0 && DibWidth(v.Dib.get()) == 60 && !samePixels(v.Dib.get(), drawn.get()))
        ASSERT_TRUE(chooseMenu({"Edit", "Undo"}));
    EXPECT_TRUE(samePixels(v.Dib.get(), drawn.get()));
}

TEST_F(CommandWindow, AnEditedPaletteIsAChangeNewAsksAbout) {
    create();
    TMDIChild& v = *form->MDIChild1;
    form->NewWindow(makePicture(40, 30, 8, pattern8), "palette", 0);
    ASSERT_FALSE(v.Modified);
    const PALETTEENTRY old = v.Dib.get().Palette.palPalEntry[3];
    whenShown([&] {
        auto* f = dynamic_cast<TPaleditForm*>(dialog());
        ASSERT_NE(f, nullptr);
        f->Palette.palPalEntry[3] = PALETTEENTRY{250, 1, 2, 0};
        clickButton(f->BitBtn1);
    });
    key(Qt::Key_P, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(v.Dib.get().Palette.palPalEntry[3].peRed, 250);
    EXPECT_EQ(v.Dib.get().Info->bmiColors[3].rgbRed, 250);
    EXPECT_TRUE(v.Modified);
    EXPECT_EQ(v.UndoCount, 1);
    EXPECT_EQ(form->Caption(), "Tessellon: Chromalde - palette* [1:1]");
    EXPECT_TRUE(menuEnabled({"Edit", "Undo"}));

    // New asks first; cancelled, the edited picture stays.
    boxes.answer(IDCANCEL);
    ASSERT_TRUE(chooseMenu({"File", "New..."}));
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "Modifications in palette Save?");
    EXPECT_EQ(v.Dib.get().Palette.palPalEntry[3].peRed, 250);
    // Undone, the palette of before.
    ASSERT_TRUE(chooseMenu({"Edit", "Undo"}));
    EXPECT_EQ(v.Dib.get().Palette.palPalEntry[3].peRed, old.peRed);
    EXPECT_EQ(v.Dib.get().Info->bmiColors[3].rgbRed, old.peRed);
}

TEST_F(CommandWindow, TheFreeReductionOfA256ColourPictureAfterOneWithMergedColours) {
    create();
    TMDIChild& v = *form->MDIChild1;
    // On a true-colour picture with the system colours merged in (a choice the dialog keeps).
    form->NewWindow(makePicture(40, 30, 24, pattern24), "merge", 0);
    whenShown([&] {
        auto* f = dynamic_cast<TFreeDepthForm*>(dialog());
        ASSERT_NE(f, nullptr);
        f->WinColCheck->SetChecked(true);
        f->NumColEd->SetValue(40);
        clickButton(f->OKBtn);
    });
    ASSERT_TRUE(chooseMenu({"Colours", "Reduce number of colors", "X colours (4 Bit/8 bits)..."}));
    EXPECT_EQ(DibBitCount(v.Dib.get()), 8);
    // Then a 256-colour picture to 12 colours: 4 bits, whatever the dialog restored.
    form->NewWindow(makePicture(40, 30, 8, [](int x, int y) { return (x * 5 + y * 3) % 250; }), "eight", 0);
    whenShown([&] {
        auto* f = dynamic_cast<TFreeDepthForm*>(dialog());
        ASSERT_NE(f, nullptr);
        EXPECT_FALSE(f->WinColCheck->Enabled());
        f->NumColEd->SetValue(12);
        clickButton(f->OKBtn);
    });
    ASSERT_TRUE(chooseMenu({"Colours", "Reduce number of colors", "X colours (4 Bit/8 bits)..."}));
    EXPECT_EQ(DibBitCount(v.Dib.get()), 4);
    EXPECT_EQ(v.UndoCount, 1);
}

TEST_F(CommandWindow, TheZoomMenuAndTheZoomBoxThroughAllRatiosKeepTheMiddle) {
    create();
    TMDIChild& v = *form->MDIChild1;
    TComboBox* zoomBox = form->RightSidePanel->ZoomBox;
    form->NewWindow(makePicture(1000, 800, 24, targets), "wide", 0);
    TControlScrollBar* hb = v.ScrollBox1->HorzScrollBar();
    TControlScrollBar* vb = v.ScrollBox1->VertScrollBar();
    const int boxW = v.ScrollBox1->Width(), boxH = v.ScrollBox1->Height();
    ASSERT_EQ(zoomBox->Items()->Count(), 31);
    EXPECT_EQ(zoomBox->Items()->Strings(0), "16:1");
    EXPECT_EQ(zoomBox->Items()->Strings(15), "1:1");
    EXPECT_EQ(zoomBox->Items()->Strings(30), "1:16");

    // The view's middle on the picture point (300, 250) at 4:1.
    ASSERT_TRUE(chooseMenu({"View", "Increased size", "4:1"}));
    hb->SetPosition(300 * 4 - boxW / 2);
    vb->SetPosition(250 * 4 - boxH / 2);

    QImage sheet(8 * 164, 8 * 140, QImage::Format_RGB32);
    sheet.fill(Qt::darkGray);
    int tile = 0;
    auto shoot = [&](const QString& label) {
        QImage view = widgetOf(v.ScrollBox1)->grab().toImage();
        {
            // The middle of the view, marked.
            QPainter m(&view);
            m.setPen(QPen(Qt::black, 3));
            m.drawLine(boxW / 2 - 20, boxH / 2, boxW / 2 + 20, boxH / 2);
            m.drawLine(boxW / 2, boxH / 2 - 20, boxW / 2, boxH / 2 + 20);
        }
        view = view.scaled(160, 120, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QPainter p(&sheet);
        const int x = (tile % 8) * 164, y = (tile / 8) * 140;
        p.drawImage(x + 2, y + 2, view);
        p.setPen(Qt::white);
        p.drawText(x + 4, y + 136, label);
        ++tile;
    };
    // Each zoom keeps the picture point at the middle of the view, the middle of the
    // picture at most; the scroll positions stay inside their ranges.
    auto check = [&](const std::function<void()>& zoom, int num, int den, const QString& how) {
        SCOPED_TRACE((how + " " + ratio(num, den)).toStdString());
        const long long cx = std::min<long long>((hb->Position() + boxW / 2) * v.ZoomDen / v.ZoomNum, 500);
        const long long cy = std::min<long long>((vb->Position() + boxH / 2) * v.ZoomDen / v.ZoomNum, 400);
        zoom();
        ASSERT_EQ(v.ZoomNum, num);
        ASSERT_EQ(v.ZoomDen, den);
        EXPECT_EQ(v.PaintBox1->Width(), 1000 * num / den);
        EXPECT_EQ(zoomBox->ItemIndex(), num >= 2 ? 16 - num : den + 14);
        EXPECT_EQ(QString::fromStdString(zoomBox->Text()), ratio(num, den));
        EXPECT_EQ(form->Caption(), "Tessellon: Chromalde - wide [" + ratio(num, den).toStdString() + "]");
        const long long x = cx * num / den - boxW / 2, y = cy * num / den - boxH / 2;
        EXPECT_EQ(hb->Position(), std::clamp<long long>(x, 0, hb->MaxPosition()));
        EXPECT_EQ(vb->Position(), std::clamp<long long>(y, 0, vb->MaxPosition()));
        if (x > 0 && x < hb->MaxPosition()) {
            EXPECT_NEAR((hb->Position() + boxW / 2) * den / num, cx, den + 1) << "the middle kept";
        }
        EXPECT_EQ(menuEnabled({"View", "No zoom (1:1)"}), !(num == 1 && den == 1));
        shoot(how + " " + ratio(num, den));
    };

    for (int n = 2; n <= 16; ++n)
        check([&] { ASSERT_TRUE(chooseMenu({"View", "Increased size", ratio(n, 1)})); }, n, 1, "menu");
    saveShot(widgetOf(form)->grab().toImage(), "editor-zoom-16to1.png");
    check([&] { ASSERT_TRUE(chooseMenu({"View", "No zoom (1:1)"})); }, 1, 1, "menu");
    for (int d = 2; d <= 16; ++d)
        check([&] { ASSERT_TRUE(chooseMenu({"View", "Reduced size", ratio(1, d)})); }, 1, d, "menu");
    saveShot(widgetOf(form)->grab().toImage(), "editor-zoom-1to16.png");

    // The zoom box, by its keys, from 16:1 (entry 0) down to 1:16 (entry 30).
    auto* box = qobject_cast<QComboBox*>(widgetOf(zoomBox));
    ASSERT_NE(box, nullptr);
    box->setFocus();
    while (zoomBox->ItemIndex() > 0) {
        QTest::keyClick(box, Qt::Key_Up);
        settle();
    }
    EXPECT_EQ(v.ZoomNum, 16);
    for (int entry = 1; entry <= 30; ++entry) {
        const int num = entry < 15 ? 16 - entry : 1, den = entry <= 15 ? 1 : entry - 14;
        check([&] { QTest::keyClick(box, Qt::Key_Down); settle(); }, num, den, "box");
        if (entry == 15) saveShot(widgetOf(form)->grab().toImage(), "editor-zoom-1to1.png");
    }
    saveShot(sheet, "editor-zoom-all-ratios.png");
}

TEST_F(CommandWindow, APictureSmallerThanTheViewStaysAtTheTopLeftAtEveryZoom) {
    create();
    TMDIChild& v = *form->MDIChild1;
    form->NewWindow(makePicture(30, 20, 24, pattern24), "small", 0);
    TControlScrollBar* hb = v.ScrollBox1->HorzScrollBar();
    TControlScrollBar* vb = v.ScrollBox1->VertScrollBar();
    for (int k = 0; k <= 30; ++k) {
        const int num = k < 15 ? 16 - k : 1, den = k <= 15 ? 1 : k - 14;
        form->SetZoom(num, den);
        ASSERT_LT(v.PaintBox1->Width(), v.ScrollBox1->ClientWidth());
        EXPECT_EQ(hb->Position(), 0) << ratio(num, den).toStdString();
        EXPECT_EQ(vb->Position(), 0) << ratio(num, den).toStdString();
    }
    // 1:16 of 30 x 20 is a box of 1 x 1; 1:32 is no zoom of the menus and changes nothing.
    EXPECT_EQ(v.PaintBox1->Width(), 1);
    form->SetZoom(1, 32);
    EXPECT_EQ(v.ZoomDen, 16);
}

TEST_F(CommandWindow, UncheckingTheColourPaletteHidesThePanelAndTheSwatches) {
    create();
    const int viewWidth = form->MDIChild1->Width();
    ASSERT_TRUE(widgetOf(form->RightSidePanel)->isVisible());
    whenShown([&] {
        auto* f = dynamic_cast<TConfigBars*>(dialog());
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->Caption(), "Toolbars");
        for (int i = 0; i < 3; ++i) EXPECT_TRUE(f->CheckList->Checked(i)) << i;
        saveShot(widgetOf(f)->grab().toImage(), "toolbars-dialog.png");
        const RECT r = f->CheckList->ItemRect(2);
        QTest::mouseClick(widgetOf(f->CheckList), Qt::LeftButton, {}, QPoint(r.left + 4, (r.top + r.bottom) / 2));
        EXPECT_FALSE(f->CheckList->Checked(2));
        saveShot(widgetOf(f)->grab().toImage(), "toolbars-dialog-unchecked.png");
        clickButton(f->OKBtn);
    });
    ASSERT_TRUE(chooseMenu({"View", "Toolbars..."}));
    settle();
    EXPECT_FALSE(form->RightSidePanel->Visible());
    EXPECT_FALSE(widgetOf(form->RightSidePanel)->isVisible());
    EXPECT_FALSE(widgetOf(form->RightSidePanel->PalScrollBox)->isVisible()) << "the palette box";
    EXPECT_FALSE(widgetOf(form->RightSidePanel->ColorChangeBtn)->isVisible()) << "the swatches' swap button";
    EXPECT_TRUE(form->SpeedPanel->Visible());
    EXPECT_TRUE(form->SpeedBar1->Visible());
    EXPECT_GT(form->MDIChild1->Width(), viewWidth) << "the view takes the room";
    saveShot(widgetOf(form)->grab().toImage(), "editor-without-colour-panel.png");

    // Cancel changes nothing, whatever was unchecked.
    whenShown([&] {
        auto* f = dynamic_cast<TConfigBars*>(dialog());
        ASSERT_NE(f, nullptr);
        EXPECT_FALSE(f->CheckList->Checked(2)) << "the panel as it is";
        f->CheckList->SetChecked(0, false);
        clickButton(f->CancelBtn);
    });
    ASSERT_TRUE(chooseMenu({"View", "Toolbars..."}));
    EXPECT_TRUE(form->SpeedPanel->Visible());
    EXPECT_FALSE(form->RightSidePanel->Visible());

    // The colour panel back, both tool bars away.
    whenShown([&] {
        auto* f = dynamic_cast<TConfigBars*>(dialog());
        ASSERT_NE(f, nullptr);
        f->CheckList->SetChecked(0, false);
        f->CheckList->SetChecked(1, false);
        f->CheckList->SetChecked(2, true);
        clickButton(f->OKBtn);
    });
    ASSERT_TRUE(chooseMenu({"View", "Toolbars..."}));
    settle();
    EXPECT_FALSE(form->SpeedPanel->Visible());
    EXPECT_FALSE(form->SpeedBar1->Visible());
    EXPECT_TRUE(widgetOf(form->RightSidePanel)->isVisible());
    EXPECT_TRUE(widgetOf(form->RightSidePanel->ColorChangeBtn)->isVisible());
    EXPECT_TRUE(widgetOf(form->ShowProzent)->isVisible()) << "the progress bar stays";
}

TEST_F(CommandWindow, TheToolColumnGoesAndComesBackWithTheToolbarsDialog) {
    create();
    pressTool(form->LineBtn);
    const int viewWidth = form->MDIChild1->Width();
    ASSERT_EQ(form->MDIChild1->Left(), 25);
    auto toggleColumn = [&](bool expectChecked) {
        whenShown([&, expectChecked] {
            auto* f = dynamic_cast<TConfigBars*>(dialog());
            ASSERT_NE(f, nullptr);
            EXPECT_EQ(f->CheckList->Checked(1), expectChecked);
            const RECT r = f->CheckList->ItemRect(1);
            QTest::mouseClick(widgetOf(f->CheckList), Qt::LeftButton, {}, QPoint(r.left + 4, (r.top + r.bottom) / 2));
            EXPECT_EQ(f->CheckList->Checked(1), !expectChecked);
            clickButton(f->OKBtn);
        });
        ASSERT_TRUE(chooseMenu({"View", "Toolbars..."}));
        settle();
    };
    // Unchecked: the column goes and the view takes its room; the tool stays.
    toggleColumn(true);
    EXPECT_FALSE(form->SpeedBar1->Visible());
    EXPECT_FALSE(widgetOf(form->SpeedBar1)->isVisible());
    EXPECT_EQ(form->MDIChild1->Left(), 0);
    EXPECT_EQ(form->MDIChild1->Width(), viewWidth + 25);
    EXPECT_TRUE(form->SpeedPanel->Visible());
    EXPECT_TRUE(form->RightSidePanel->Visible());
    EXPECT_EQ(form->CurrentTool(), TEditorTool::Line);
    saveShot(widgetOf(form)->grab().toImage(), "editor-without-tool-column.png");
    // Checked again: back at the left edge, its items pressed as before.
    toggleColumn(false);
    EXPECT_TRUE(widgetOf(form->SpeedBar1)->isVisible());
    EXPECT_EQ(form->SpeedBar1->Left(), 0);
    EXPECT_EQ(form->MDIChild1->Left(), 25);
    EXPECT_EQ(form->MDIChild1->Width(), viewWidth);
    EXPECT_TRUE(form->LineBtn->Down());
    pressTool(form->MagicBtn);
    EXPECT_EQ(form->CurrentTool(), TEditorTool::MagicWand);
    EXPECT_FALSE(form->LineBtn->Down());
    EXPECT_TRUE(widgetOf(form->RightSidePanel->TolEdit)->isVisible());
}
