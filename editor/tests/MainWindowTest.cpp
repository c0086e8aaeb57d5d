// The editor window through its real widgets: creation, the menu state as the menus show
// it, the tool column, zoom, new pictures, hints, progress and the first showing.
#include "editor/ColourAdjust.h"
#include "editor/NewUnit.h"
#include "editor/tests/EditorTestSupport.h"
#include "editor/tests/MainWindowFixture.h"
#include "platform/clipboard.h"
#include "poster/ColourDepth.h"

#include <QComboBox>
#include <QCursor>
#include <set>

using namespace edtest;

namespace {

bool allPixels(const TDib& d, int value) {
    for (int y = 0; y < DibHeight(d); ++y)
        for (int x = 0; x < DibWidth(d); ++x)
            if (getpixel(d, x, y) != value) return false;
    return true;
}

// Clicks the OK button of a dialog as a user does.
void clickOk(TForm* dialog, TButton* ok) {
    QTest::mouseClick(platform::windowWidget(ok->Handle()), Qt::LeftButton);
    settle();
    (void)dialog;
}

}  // namespace

TEST_F(MainWindow, CreationMakesABlankWhitePictureTheCursorsAndTheColourField) {
    create();
    TMDIChild& v = *form->MDIChild1;
    EXPECT_EQ(form->Caption(), "Tessellon: Chromalde - NONAME [1:1]");
    ASSERT_TRUE(v.Dib);
    EXPECT_EQ(DibWidth(v.Dib.get()), 320);
    EXPECT_EQ(DibHeight(v.Dib.get()), 200);
    EXPECT_EQ(DibBitCount(v.Dib.get()), 24);
    EXPECT_TRUE(allPixels(v.Dib.get(), 0xFFFFFF));
    ASSERT_TRUE(v.SelMask);
    EXPECT_EQ(DibWidth(v.SelMask.get()), 320);
    EXPECT_TRUE(allPixels(v.SelMask.get(), 0));
    EXPECT_FALSE(v.Modified);
    EXPECT_FALSE(v.KnownFormat);
    EXPECT_TRUE(v.DocPath.empty());
    EXPECT_EQ(v.UndoCount, 0);
    EXPECT_EQ(v.Color1, 0);
    EXPECT_EQ(v.Color2, 0xFFFFFF);
    EXPECT_EQ(form->ClipFormat, RegisterClipboardFormatA("DABWELL_SELECTION"));
    EXPECT_EQ(form->ProgramDir, dir.path() + "/");

    // 18 tool cursors of our own, and the palette box's pipette.
    std::set<HCURSOR> cursors;
    for (int i = 1; i <= 18; ++i) {
        ASSERT_NE(Screen->Cursors(i), nullptr) << i;
        cursors.insert(Screen->Cursors(i));
    }
    EXPECT_EQ(cursors.size(), 18u);
    EXPECT_EQ(form->RightSidePanel->PalPaintBox->Cursor(), 9);

    // The hue/lightness field: hue down, lightness across, full saturation.
    const TDib& field = form->ColorFieldDib.get();
    ASSERT_EQ(DibWidth(field), 48);
    ASSERT_EQ(DibHeight(field), 96);
    for (int y : {0, 40, 95})
        for (int x : {0, 20, 47}) {
            int r = 0, g = 0, b = 0;
            HSLToRGB(y * 255 / 95, 255, x * 255 / 47, r, g, b);
            EXPECT_EQ(getpixel(field, x, y), r | g << 8 | b << 16) << x << ", " << y;
        }
    EXPECT_EQ(getpixel(field, 47, 50), 0xFFFFFF);

    // The tool options' first entries; the zoom tool is pressed and shows the zoom box.
    TColourPanel& p = *form->RightSidePanel;
    EXPECT_EQ(p.TypBox->ItemIndex(), 0);
    EXPECT_EQ(p.StilBox->ItemIndex(), 0);
    EXPECT_EQ(p.FormBox->ItemIndex(), 1);
    EXPECT_EQ(p.ZoomBox->ItemIndex(), 15);
    EXPECT_EQ(p.FillStyleBox->ItemIndex(), 0);
    form->ZoomBtnClick(form);
    EXPECT_TRUE(form->ZoomBtn->Down());
    EXPECT_EQ(form->CurrentTool(), TEditorTool::Zoom);
    EXPECT_TRUE(p.ZoomBox->Visible());

    // The first menu rules enabled what the layout starts with disabled.
    EXPECT_TRUE(menuEnabled({"File", "Save"}));
    EXPECT_TRUE(menuEnabled({"File", "Save as..."}));
    EXPECT_TRUE(menuEnabled({"Edit", "Copy"}));
    EXPECT_TRUE(menuEnabled({"Edit", "Cut out"}));
    EXPECT_FALSE(menuEnabled({"Edit", "Undo"}));
    EXPECT_FALSE(menuEnabled({"Selection", "Select nothing"}));
    EXPECT_FALSE(menuEnabled({"View", "No zoom (1:1)"}));
    EXPECT_TRUE(form->SaveSpeedBtn->Enabled());
    EXPECT_FALSE(form->UndoItSpeedBtn->Enabled());
    saveShot(widgetOf(form)->grab().toImage(), "editor-created.png");
}

TEST_F(MainWindow, EachToolShowsItsCursorWithItsHotSpot) {
    create();
    const struct {
        TSpeedItem* TDIBMainForm::*button;
        int number;
        QPoint hot;
    } tools[] = {{&TDIBMainForm::ZoomBtn, 2, {7, 7}},     {&TDIBMainForm::LineBtn, 5, {8, 8}},
                 {&TDIBMainForm::DropBtn, 9, {1, 1}},     {&TDIBMainForm::MagicBtn, 11, {1, 1}},
                 {&TDIBMainForm::FillBtn, 12, {14, 14}},  {&TDIBMainForm::TxtBtn, 10, {8, 8}},
                 {&TDIBMainForm::BrushBtn, 3, {8, 8}},    {&TDIBMainForm::SelectBtn, 7, {8, 8}}};
    for (const auto& t : tools) {
        pressTool(form->*t.button);
        QTest::mouseMove(viewWidget(), viewPoint(30, 30));
        QTest::mouseMove(viewWidget(), viewPoint(31, 30));
        settle();
        EXPECT_EQ(form->MDIChild1->PaintBox1->Cursor(), t.number);
        const QCursor shown = viewWidget()->cursor();
        EXPECT_EQ(shown.hotSpot(), t.hot) << t.number;
        EXPECT_FALSE(shown.pixmap().isNull()) << t.number;
    }
    // Shift with the selection tool: the cursor that adds to the selection.
    QTest::mouseMove(viewWidget(), viewPoint(32, 30), 0);
    QTest::keyPress(viewWidget(), Qt::Key_Shift);
    settle();
    EXPECT_EQ(form->MDIChild1->PaintBox1->Cursor(), 15);
    QTest::keyRelease(viewWidget(), Qt::Key_Shift);
}

TEST_F(MainWindow, TheMenusFollowSelectionFloatAndUndo) {
    create();
    pressTool(form->SelectBtn);
    EXPECT_TRUE(form->RightSidePanel->TypBox->Visible());
    drag({20, 20}, {80, 60});
    TMDIChild& v = *form->MDIChild1;
    ASSERT_TRUE(v.SelActive);
    EXPECT_EQ(v.SelBounds.left, 20);
    EXPECT_EQ(v.SelBounds.right, 79);  // the release point less 1
    EXPECT_TRUE(menuEnabled({"Selection", "Select nothing"}));
    EXPECT_TRUE(menuEnabled({"Selection", "Free selection form the background"}));
    EXPECT_FALSE(menuEnabled({"Selection", "Merge with background"}));
    EXPECT_TRUE(menuEnabled({"Picture", "Effects"}));
    EXPECT_TRUE(menuEnabled({"Edit", "Undo"}));
    EXPECT_TRUE(form->UndoItSpeedBtn->Enabled());
    EXPECT_EQ(form->Caption(), "Tessellon: Chromalde - NONAME* [1:1]");

    // Lifted from the background by its shortcut: merging is offered, lifting and effects not.
    key(Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(v.DragActive);
    EXPECT_FALSE(menuEnabled({"Selection", "Free selection form the background"}));
    EXPECT_TRUE(menuEnabled({"Selection", "Merge with background"}));
    EXPECT_FALSE(menuEnabled({"Picture", "Effects"}));
    ASSERT_TRUE(chooseMenu({"Selection", "Merge with background"}));
    EXPECT_FALSE(v.DragActive);
    EXPECT_TRUE(v.SelActive);

    // Undo by the tool bar's button: the step of the press, before the selection.
    pressBar(form->UndoItSpeedBtn);
    EXPECT_FALSE(v.SelActive);
    EXPECT_EQ(v.UndoCount, 0);
    EXPECT_FALSE(menuEnabled({"Edit", "Undo"}));
    EXPECT_FALSE(form->UndoItSpeedBtn->Enabled());
    EXPECT_FALSE(menuEnabled({"Selection", "Select nothing"}));

    // Select everything and nothing by their shortcuts.
    key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(v.SelActive);
    EXPECT_TRUE(menuEnabled({"Selection", "Select nothing"}));
    key(Qt::Key_D, Qt::ControlModifier);
    EXPECT_FALSE(v.SelActive);
    EXPECT_FALSE(menuEnabled({"Selection", "Select nothing"}));
}

TEST_F(MainWindow, TheColourMenusFollowThePicturesDepth) {
    create();
    auto install = [&](int bits) {
        form->NewWindow(makePicture(40, 30, bits, [bits](int x, int) { return bits == 24 ? x * 5 : x % 2; }),
                        "depth", 0);
    };
    struct Row {
        int bits;
        bool reduce, to1, to4, to8, toX, enlarge, up4, up8, up24;
    };
    // The table of the depth rules; the entries a depth leaves alone keep the last state.
    const Row rows[] = {{24, true, true, true, true, true, false, true, true, true},
                        {8, true, true, true, false, true, true, false, false, true},
                        {4, true, true, false, false, false, true, false, true, true},
                        {1, false, true, false, false, false, true, true, true, true}};
    for (const Row& r : rows) {
        install(r.bits);
        SCOPED_TRACE(r.bits);
        EXPECT_EQ(menuEnabled({"Colours", "Reduce number of colors"}), r.reduce);
        EXPECT_EQ(menuEnabled({"Colours", "Enlarge number of colors"}), r.enlarge);
        EXPECT_EQ(form->N2Farbent1Bit1->Enabled(), r.to1);
        EXPECT_EQ(form->N16Farbent4Bit1->Enabled(), r.to4);
        EXPECT_EQ(form->N256Farbent8Bit1->Enabled(), r.to8);
        EXPECT_EQ(form->XFarben4Bit8Bit1->Enabled(), r.toX);
        EXPECT_EQ(form->N16Farbent4Bit2->Enabled(), r.up4);
        EXPECT_EQ(form->N256Farbent8Bit2->Enabled(), r.up8);
        EXPECT_EQ(form->N16MillionenFarbent24Bit1->Enabled(), r.up24);
        if (r.reduce) {
            EXPECT_EQ(menuEnabled({"Colours", "Reduce number of colors", "2 colours (1 bit)..."}), r.to1);
        }
        if (r.enlarge) {
            EXPECT_EQ(menuEnabled({"Colours", "Enlarge number of colors", "16 million colours (24 bits)"}), r.up24);
        }
        // Palettes for 4 and 8 bits, filters and deformations for true colour.
        const bool palette = r.bits == 4 || r.bits == 8;
        EXPECT_EQ(menuEnabled({"Colours", "Open palette..."}), palette);
        EXPECT_EQ(menuEnabled({"Colours", "Edit palette..."}), palette);
        EXPECT_EQ(menuEnabled({"Colours", "Gray tones"}), r.bits != 1);
        EXPECT_EQ(menuEnabled({"Colours", "Adapt"}), r.bits != 1);
        EXPECT_EQ(menuEnabled({"Filter", "Edge filters"}), r.bits == 24);
        EXPECT_EQ(menuEnabled({"Filter", "User-defined filters..."}), r.bits == 24);
        EXPECT_EQ(menuEnabled({"Picture", "Deformations"}), r.bits == 24);
    }
}

TEST_F(MainWindow, TheZoomToolAndTheZoomBoxZoomTheViewAndTheCaption) {
    create();
    TMDIChild& v = *form->MDIChild1;
    pressTool(form->ZoomBtn);
    click({100, 80});
    EXPECT_EQ(v.ZoomNum, 2);
    EXPECT_EQ(v.PaintBox1->Width(), 640);
    EXPECT_EQ(form->Caption(), "Tessellon: Chromalde - NONAME [2:1]");
    EXPECT_EQ(form->RightSidePanel->ZoomBox->ItemIndex(), 14);
    EXPECT_TRUE(menuEnabled({"View", "No zoom (1:1)"}));
    click({100, 80}, Qt::RightButton);
    EXPECT_EQ(v.ZoomNum, 1);
    EXPECT_EQ(v.ZoomDen, 1);
    EXPECT_FALSE(menuEnabled({"View", "No zoom (1:1)"}));

    // The zoom box, by its keys: one entry down is 1:2.
    auto* box = qobject_cast<QComboBox*>(widgetOf(form->RightSidePanel->ZoomBox));
    ASSERT_NE(box, nullptr);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Down);
    settle();
    EXPECT_EQ(v.ZoomNum, 1);
    EXPECT_EQ(v.ZoomDen, 2);
    EXPECT_EQ(v.PaintBox1->Width(), 160);
    EXPECT_EQ(form->Caption(), "Tessellon: Chromalde - NONAME [1:2]");

    // A line drawn at 2:1 marks the picture modified.
    form->SetZoom(2, 1);
    pressTool(form->LineBtn);
    drag({10, 10}, {200, 120});
    EXPECT_EQ(form->Caption(), "Tessellon: Chromalde - NONAME* [2:1]");
    EXPECT_EQ(getpixel(v.Dib.get(), 5, 5), 0);
    saveShot(widgetOf(form)->grab().toImage(), "editor-line-2to1.png");
}

TEST_F(MainWindow, SetZoomKeepsTheMiddleOfTheViewAtMostAtThePicturesMiddle) {
    create();
    TMDIChild& v = *form->MDIChild1;
    form->NewWindow(makePicture(1000, 800, 24, pattern24), "wide", 0);
    form->SetZoom(4, 1);
    TControlScrollBar* hb = v.ScrollBox1->HorzScrollBar();
    TControlScrollBar* vb = v.ScrollBox1->VertScrollBar();
    hb->SetPosition(hb->MaxPosition());
    form->SetZoom(1, 1);
    EXPECT_EQ(v.ZoomNum, 1);
    const int middle = hb->Position() + v.ScrollBox1->Width() / 2;
    EXPECT_LE(middle, 500 + 1);
    EXPECT_LE(vb->Position(), std::max(0, std::max(vb->Range(), v.PaintBox1->Height()) - 1));
    EXPECT_EQ(form->RightSidePanel->ZoomBox->ItemIndex(), 15);
    for (int den = 2; den <= 16; ++den) {
        form->SetZoom(1, den);
        EXPECT_EQ(form->RightSidePanel->ZoomBox->ItemIndex(), den + 14);
        EXPECT_EQ(v.PaintBox1->Width(), 1000 / den);
    }
    form->SetZoom(16, 1);
    EXPECT_EQ(form->RightSidePanel->ZoomBox->ItemIndex(), 0);
    form->SetZoom(0, 0);  // no such zoom: nothing changes
    EXPECT_EQ(v.ZoomNum, 16);
}

TEST_F(MainWindow, NewMakesAWhitePictureOfTheChosenSizeAndDepth) {
    create();
    TMDIChild& v = *form->MDIChild1;
    struct Case {
        int entry, bits, white;
    };
    for (const Case c : {Case{3, 24, 0xFFFFFF}, Case{1, 4, 15}, Case{0, 1, 1}, Case{2, 8, 255}}) {
        int defaultEntry = -1;
        whenShown([&] {
            TNewForm* n = owned<TNewForm>();
            ASSERT_NE(n, nullptr);
            EXPECT_EQ(n->Caption(), "New picture");
            defaultEntry = n->TiefeBox->ItemIndex();
            n->TiefeBox->SetItemIndex(c.entry);
            n->BreitEdit->SetValue(64);
            n->HochEdit->SetValue(40000);  // held to 32767 when read; then 48
            EXPECT_EQ(n->NewHeight(), 32767);
            n->HochEdit->SetValue(48);
            clickOk(n, n->OKBtn);
        });
        pressBar(form->ToolButton1);
        SCOPED_TRACE(c.bits);
        EXPECT_EQ(defaultEntry, 3);
        ASSERT_EQ(DibBitCount(v.Dib.get()), c.bits);
        EXPECT_EQ(DibWidth(v.Dib.get()), 64);
        EXPECT_EQ(DibHeight(v.Dib.get()), 48);
        EXPECT_TRUE(allPixels(v.Dib.get(), c.white));
        EXPECT_EQ(v.DocName, "NONAME");
        EXPECT_EQ(v.Color2, c.white);
    }
    // The 8-bit palette is the standard one, in the colour table too.
    const TDib& d = v.Dib.get();
    for (int i : {0, 9, 10, 100, 245, 246, 255}) {
        const PALETTEENTRY& e = StandardPalette256()[i];
        EXPECT_EQ(d.Palette.palPalEntry[i].peRed, e.peRed) << i;
        EXPECT_EQ(d.Info->bmiColors[i].rgbGreen, e.peGreen) << i;
    }
    EXPECT_EQ(d.Info->bmiColors[10].rgbRed, 4);
    EXPECT_EQ(d.Info->bmiColors[245].rgbBlue, 248);
    // Cancel in the dialog changes nothing.
    const BYTE* before = v.Dib.get().Bits;
    whenShown([&] { owned<TNewForm>()->CancelBtn->Click(); });
    ASSERT_TRUE(chooseMenu({"File", "New..."}));
    EXPECT_EQ(v.Dib.get().Bits, before);
}

TEST_F(MainWindow, NewAsksFirstWhenThePictureChanged) {
    create();
    TMDIChild& v = *form->MDIChild1;
    pressTool(form->LineBtn);
    drag({10, 10}, {100, 50});
    ASSERT_TRUE(v.Modified);
    const BYTE* drawn = v.Dib.get().Bits;
    // Cancel: no dialog, the picture stays.
    boxes.answer(IDCANCEL);
    key(Qt::Key_N, Qt::ControlModifier);  // a dialog shown here would wait for ever
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "Modifications in NONAME Save?");
    EXPECT_EQ(boxes.captions()[0], "Tessellon: Chromalde");
    EXPECT_EQ(boxes.shown()[0].buttons(), static_cast<UINT>(MB_YESNOCANCEL));
    EXPECT_EQ(boxes.shown()[0].icon(), static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(Application->ModalLevel, 0);
    EXPECT_EQ(v.Dib.get().Bits, drawn);
    // No: the changes go, and a new picture comes.
    boxes.answer(IDNO);
    whenShown([&] { clickOk(owned<TNewForm>(), owned<TNewForm>()->OKBtn); });
    key(Qt::Key_N, Qt::ControlModifier);
    EXPECT_NE(v.Dib.get().Bits, drawn);
    EXPECT_EQ(v.UndoCount, 0);
    EXPECT_FALSE(v.SelActive);
}

TEST_F(MainWindow, HintsAndPictureStatusGoToTheStatusBar) {
    create();
    Application->SetHint("Make a new picture");
    EXPECT_EQ(form->StatusBar->Panels()->Items(0)->Text(), "Make a new picture");
    form->FormMouseMove(form, 0, 1, 1);
    EXPECT_EQ(form->StatusBar->Panels()->Items(1)->Text(), "Picture: none");
    pressTool(form->SelectBtn);
    QTest::mouseMove(viewWidget(), viewPoint(12, 7));
    settle();
    EXPECT_EQ(form->StatusBar->Panels()->Items(1)->Text(), "Picture: 320 x 200 x 16777216 - 187 KByte    ");
    EXPECT_EQ(form->StatusBar->Panels()->Items(0)->Text(), "( 12 , 7 )");
}

TEST_F(MainWindow, ProgressMessagesMoveTheBarAndAnOpenEndsAtZero) {
    create();
    SendMessageA(form->Handle(), WM_PROGRESS, 40, 0);
    EXPECT_EQ(form->ShowProzent->Position(), 40);
    // A picture file: the library reports while it reads and clears at the end.
    const std::string file = dir.file("big.bmp");
    UniqueDib big = makePicture(600, 500, 24, pattern24);
    ASSERT_EQ(SaveDib(big.get(), file.c_str(), PW_BMP, nullptr), 1);
    form->OpenPicture(file);
    EXPECT_EQ(form->ShowProzent->Position(), 0);
    EXPECT_EQ(DibWidth(form->MDIChild1->Dib.get()), 600);
    EXPECT_EQ(form->Caption(), "Tessellon: Chromalde - big.bmp [1:1]");
}

TEST_F(MainWindow, TheFirstShowingOpensThePictureOfTheCommandLineOnce) {
    const std::string file = dir.file("start.bmp");
    UniqueDib picture = makePicture(50, 40, 8, pattern8);
    ASSERT_EQ(SaveDib(picture.get(), file.c_str(), PW_BMP, nullptr), 1);
    create(false);
    form->Arguments = {file};
    EXPECT_FALSE(form->FirstShown);
    form->Show();
    settle();
    EXPECT_TRUE(form->FirstShown);
    EXPECT_EQ(DibWidth(form->MDIChild1->Dib.get()), 50);
    EXPECT_EQ(form->MDIChild1->DocName, "start.bmp");
    EXPECT_TRUE(form->MDIChild1->KnownFormat);
    form->Hide();
    form->NewWindow(makePicture(20, 20, 24, pattern24), "other", 0);
    form->Show();
    settle();
    EXPECT_EQ(DibWidth(form->MDIChild1->Dib.get()), 20);
}

TEST_F(MainWindow, PasteEntriesFollowTheClipboard) {
    create();
    // Nothing there: the paste entries are off.
    form->Zwischenablagelschen1Click(form);
    settle();
    EXPECT_FALSE(form->DibAvailable);
    EXPECT_FALSE(menuEnabled({"Edit", "Insert"}));
    EXPECT_FALSE(form->PasteSpeedBtn->Enabled());
    // A copy by its shortcut: the clipboard tells every listener, and they are on.
    click({5, 5});
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(form->DibAvailable);
    EXPECT_TRUE(menuEnabled({"Edit", "Insert"}));
    EXPECT_TRUE(menuEnabled({"Edit", "Insert", "As transparent selection"}));
    EXPECT_TRUE(menuEnabled({"Edit", "Empty Clipboard"}));
    EXPECT_TRUE(form->PasteSpeedBtn->Enabled());
    // Pasted as a selection by the tool bar's button, it follows the mouse; a click places it.
    pressBar(form->PasteSpeedBtn);
    TMDIChild& v = *form->MDIChild1;
    EXPECT_EQ(v.ToolState, 99);
    click({100, 100});
    EXPECT_TRUE(v.DragActive);
    EXPECT_TRUE(v.SelActive);
    EXPECT_TRUE(menuEnabled({"Selection", "Merge with background"}));
    // Emptied from the menu: off again.
    ASSERT_TRUE(chooseMenu({"Edit", "Empty Clipboard"}));
    EXPECT_FALSE(form->DibAvailable);
    EXPECT_FALSE(menuEnabled({"Edit", "Insert"}));
}

TEST_F(MainWindow, APictureWhoseMaskCannotBeMadeIsInstalledAndTheToolsLeaveItAlone) {
    create();
    UniqueDib picture = makePicture(120, 90, 24, pattern24);
    {
        AllocationLimit none(1);
        form->NewWindow(std::move(picture), "nomask", 0);
    }
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "Could not create bitmap.");
    EXPECT_EQ(boxes.captions()[0], "Not enough free memory(?)!");
    TMDIChild& v = *form->MDIChild1;
    EXPECT_EQ(DibWidth(v.Dib.get()), 120);
    EXPECT_EQ(v.DocName, "nomask");
    EXPECT_TRUE(v.DocPath.empty());
    // Every mask user with a mask of another size (or none) stays away from it.
    v.SelMask.reset();
    for (TSpeedItem* tool : {form->SelectBtn, form->MagicBtn, form->FreeSelBtn, form->HandBtn, form->BrushBtn}) {
        pressTool(tool);
        drag({10, 10}, {60, 40});
        click({30, 30});
    }
    key(Qt::Key_A, Qt::ControlModifier);
    key(Qt::Key_C, Qt::ControlModifier);
    key(Qt::Key_I, Qt::ControlModifier | Qt::ShiftModifier);
    key(Qt::Key_Delete);
    EXPECT_EQ(DibWidth(v.Dib.get()), 120);
}
