// The colour panel and tool options beside a document view in a test form, driven by real
// Qt mouse and key events; screenshots go to $TESSELLON_SHOT_DIR when it is set.
#include "editor/ChildFrame.h"
#include "editor/ColourPanel.h"
#include "editor/TextTool.h"
#include "editor/tests/EditorTestSupport.h"
#include "platform/msgbox.h"
#include "platform/winuser.h"
#include "testsupport/TestSupport.h"

#include <QColor>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

using namespace edtest;

namespace {

void saveShot(const QImage& image, const char* name) {
    const char* dir = std::getenv("TESSELLON_SHOT_DIR");
    if (dir && *dir) image.save(QString::fromUtf8(dir) + "/" + name);
}

// A hue/lightness field like the editor window's: hue down, lightness across.
UniqueDib colourField() {
    return makePicture(48, 96, 24, [](int x, int y) {
        const QColor c = QColor::fromHsl((y * 255 / 95) * 359 / 255, 255, x * 255 / 47);
        return c.red() | c.green() << 8 | c.blue() << 16;
    });
}

UniqueDib pictureOf(int bits) {
    return makePicture(160, 120, bits, [bits](int x, int y) {
        return bits == 24 ? 0xFFFFFF : ((x / 20 + y / 20) % (1 << bits));
    });
}

class PanelForm : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setManualTimers(true);
        form.reset(new TForm(nullptr));
        form->SetBounds(0, 0, 560, 640);
        form->SetCaption("Chromalde tools");
        panel = new TColourPanel(form.get());
        panel->SetParent(form.get());
        panel->SetAlign(alRight);
        view = new TMDIChild(form.get());
        view->SetParent(form.get());
        view->SetAlign(alClient);
        link = std::make_unique<TColourPanelLink>(*panel);
        view->SetWindowLink(link.get());
        view->SetPaintTools(&tools);
        tools.SetLink(panel);
        panel->SetColorField(&field.get());
        panel->SetDocument(view);
        form->Show();
    }
    void TearDown() override {
        form.reset();
        platform::setManualTimers(false);
    }
    void install(int bits) {
        view->ReplacePicture(pictureOf(bits));
        view->setcol1(0);
        view->setcol2(bits == 24 ? 0xFFFFFF : (1 << bits) - 1);
    }
    static QWidget* widgetOf(TWinControl* c) { return platform::windowWidget(c->Handle()); }
    // A point of a control inside a windowed parent, in the parent's widget coordinates.
    static QPoint in(TWinControl* parent, TControl* child, int x, int y) {
        POINT p{child->Left() + x, child->Top() + y};
        ClientToScreen(parent->Handle(), &p);
        return widgetOf(parent)->mapFromGlobal(QPoint(p.x, p.y));
    }
    QPoint palette(int x, int y) { return in(panel->PalScrollBox, panel->PalPaintBox, x, y); }
    QPoint picture(int x, int y) { return in(view->ScrollBox1, view->PaintBox1, x, y); }

    UniqueDib field = colourField();
    std::unique_ptr<TForm> form;
    TColourPanel* panel = nullptr;
    TMDIChild* view = nullptr;
    std::unique_ptr<TColourPanelLink> link;
    TPaintTools tools;
};

}  // namespace

TEST_F(PanelForm, PaletteBoxForEveryDepthAndItsClicks) {
    struct Case {
        int bits, width, height;
    };
    for (const Case& c : {Case{1, 29, 17}, Case{4, 29, 101}, Case{8, 29, 1541}, Case{24, 52, 96}}) {
        install(c.bits);
        EXPECT_EQ(panel->PalPaintBox->Width(), c.width) << c.bits;
        EXPECT_EQ(panel->PalPaintBox->Height(), c.height) << c.bits;
        QWidget* box = widgetOf(panel->PalScrollBox);
        const QImage shot = widgetOf(panel)->grab().toImage();
        saveShot(shot, ("colour-panel-" + std::to_string(c.bits) + ".png").c_str());
        const QImage pal = box->grab().toImage();
        if (c.bits == 24) {
            // The field stretched to 50 x 96 from x = 2: black at the left, bright at the right.
            const QPoint dark = palette(3, 40), light = palette(50, 40);
            EXPECT_LT(qGray(pal.pixel(dark)), 20);
            EXPECT_GT(qGray(pal.pixel(light)), 180);
            view->setcol1(0x123456);
            QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, palette(2, 0));
            EXPECT_EQ(view->Color1, 0);  // hue 0, lightness 0: black
            QTest::mouseClick(box, Qt::RightButton, Qt::NoModifier, palette(48, 50));
            EXPECT_EQ(view->Color2, getpixel(field.get(), 46, 50));
            EXPECT_EQ(panel->Shape2->Brush()->Color() & 0xFFFFFF, getpixel(field.get(), 46, 50));
        } else {
            // Cell 5 is row 2, right column: (17..27, 29..39).
            const PALETTEENTRY& e = view->Dib.get().Palette.palPalEntry[1];
            EXPECT_EQ(pal.pixel(palette(22, 10)) & 0xFFFFFF, qRgb(e.peRed, e.peGreen, e.peBlue) & 0xFFFFFF);
            QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, palette(5, 5));
            EXPECT_EQ(view->Color1, 0);
            if (c.bits >= 4) {
                QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, palette(22, 34));
                EXPECT_EQ(view->Color1, 5);
            }
            QTest::mouseClick(box, Qt::RightButton, Qt::NoModifier, palette(27, 15));
            EXPECT_EQ(view->Color2, 1);
            // The gap between the cells picks nothing.
            QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, palette(16, 10));
            EXPECT_EQ(view->Color1, c.bits >= 4 ? 5 : 0);
        }
    }
}

TEST_F(PanelForm, ReadOutGoesIdleThreeSecondsAfterTheFirstHover) {
    install(4);
    QWidget* box = widgetOf(panel->PalScrollBox);
    EXPECT_EQ(panel->RedLabel->Caption(), "R --");
    EXPECT_FALSE(panel->AColShape->Visible());
    QTest::mouseMove(box, palette(20, 20));  // cell 3
    const PALETTEENTRY& e = view->Dib.get().Palette.palPalEntry[3];
    EXPECT_EQ(panel->RedLabel->Caption(), "R " + std::to_string(e.peRed));
    EXPECT_EQ(panel->GreenLabel->Caption(), "G " + std::to_string(e.peGreen));
    EXPECT_EQ(panel->BlueLabel->Caption(), "B " + std::to_string(e.peBlue));
    EXPECT_EQ(panel->IndexLabel->Caption(), "I  3");
    EXPECT_TRUE(panel->AColShape->Visible());
    platform::advanceTime(2000);
    QTest::mouseMove(box, palette(8, 44));  // cell 6, two seconds later
    EXPECT_EQ(panel->IndexLabel->Caption(), "I  6");
    platform::advanceTime(999);
    EXPECT_EQ(panel->IndexLabel->Caption(), "I  6");
    platform::advanceTime(1);
    EXPECT_EQ(panel->RedLabel->Caption(), "R --");
    EXPECT_EQ(panel->IndexLabel->Caption(), "I --");
    EXPECT_FALSE(panel->AColShape->Visible());
    EXPECT_EQ(panel->AColShape->Brush()->Color() & 0xFFFFFF, 0x808080);
    // The pipette over the picture reads out too, with the index of a palette picture.
    panel->ZoomBtnClick(TEditorTool::Pipette);
    QTest::mouseMove(widgetOf(view->ScrollBox1), picture(25, 5));
    EXPECT_EQ(panel->IndexLabel->Caption(), "I  1");
    platform::advanceTime(3000);
    EXPECT_EQ(panel->IndexLabel->Caption(), "I --");
}

TEST_F(PanelForm, OptionsFollowThePressedTool) {
    install(24);
    panel->ZoomBtnClick(TEditorTool::Brush);
    EXPECT_TRUE(panel->BrushSheet->TabVisible());
    EXPECT_TRUE(panel->ZoomBox->Visible());
    EXPECT_FALSE(panel->BreitEdit->Visible());
    panel->PageControl1->SetActivePage(panel->BrushSheet);
    saveShot(widgetOf(panel)->grab().toImage(), "options-brush.png");
    panel->ZoomBtnClick(TEditorTool::Line);
    EXPECT_FALSE(panel->BrushSheet->TabVisible());
    EXPECT_EQ(panel->PageControl1->ActivePage(), panel->OptionsSheet);
    EXPECT_TRUE(panel->BreitEdit->Visible());
    EXPECT_FALSE(panel->ZoomBox->Visible());
    panel->ZoomBtnClick(TEditorTool::Fill);
    for (TControl* c : std::initializer_list<TControl*>{panel->TolEdit, panel->FillStyleBox, panel->DirectBox,
                                                        panel->LoadPattBtn, panel->FillStyleLabel})
        EXPECT_TRUE(c->Visible()) << c->Name();
    EXPECT_FALSE(panel->TypBox->Visible());
    saveShot(widgetOf(panel)->grab().toImage(), "options-fill.png");
    for (TEditorTool t : {TEditorTool::Clone, TEditorTool::Retouch, TEditorTool::Replace}) {
        panel->ZoomBtnClick(t);
        EXPECT_TRUE(panel->BrushSheet->TabVisible());
    }
    EXPECT_TRUE(panel->ZoomBox->Visible());  // the replacer shows the zoom box
    panel->ZoomBtnClick(TEditorTool::Shape);
    EXPECT_TRUE(panel->TypBox->Visible() && panel->StilBox->Visible() && panel->BreitEdit->Visible());
    // The options' values reach the tools.
    panel->SizeEdit->SetValue(12);
    panel->FormBox->SetItemIndex(4);
    panel->TypBox->SetItemIndex(3);
    EXPECT_EQ(panel->Options().Size, 12);
    EXPECT_EQ(panel->Options().BrushForm, 4);
    EXPECT_EQ(link->SelectionType(), 3);
    EXPECT_EQ(link->Tolerance(), 25);
}

TEST_F(PanelForm, BrushPresetsZoomBoxAndSwap) {
    install(8);
    panel->ZoomBtnClick(TEditorTool::Brush);
    panel->PageControl1->SetActivePage(panel->BrushSheet);
    QWidget* types = widgetOf(panel->BrushTypBox);
    types->setFocus();
    QTest::keyClick(types, Qt::Key_Down);  // "Brush"
    EXPECT_EQ(panel->BrushTypBox->ItemIndex(), 1);
    EXPECT_EQ(panel->Options().Hardness, 50);
    QTest::keyClick(types, Qt::Key_Down);  // "Feather"
    QTest::keyClick(types, Qt::Key_Down);  // "Pencil"
    EXPECT_EQ(panel->Options().Hardness, 90);
    EXPECT_EQ(panel->Options().Density, 50);
    EXPECT_EQ(panel->Options().Transparency, 0);
    for (int i = 0; i < 5; ++i) QTest::keyClick(types, Qt::Key_Down);  // "Aerosol can"
    EXPECT_EQ(panel->Options().Hardness, 0);
    EXPECT_EQ(panel->Options().Density, 90);
    EXPECT_EQ(panel->Options().Transparency, 87);
    panel->HardEdit->SetValue(33);
    QTest::keyClick(types, Qt::Key_Home);  // "Normally" leaves the values
    EXPECT_EQ(panel->BrushTypBox->ItemIndex(), 0);
    EXPECT_EQ(panel->Options().Hardness, 33);
    EXPECT_EQ(panel->Options().Density, 90);
    // The zoom box: entry 0 is 16:1, entry 30 is 1:16, no entry changes nothing.
    std::vector<std::pair<int, int>> zooms;
    panel->OnZoom = [&](int n, int d) { zooms.emplace_back(n, d); };
    for (int k : {0, 30, 15, -1}) {
        panel->ZoomBox->SetItemIndex(k);
        panel->ZoomBoxChange(panel->ZoomBox);
    }
    EXPECT_EQ(zooms, (std::vector<std::pair<int, int>>{{16, 1}, {1, 16}, {1, 1}}));
    // Zooming the view with the zoom tool shows its entry in the box, firing nothing.
    panel->ZoomBtnClick(TEditorTool::Zoom);
    QTest::mouseClick(widgetOf(view->ScrollBox1), Qt::LeftButton, Qt::NoModifier, picture(10, 10));
    EXPECT_EQ(view->ZoomNum, 2);
    EXPECT_EQ(panel->ZoomBox->ItemIndex(), 14);
    QTest::mouseClick(widgetOf(view->ScrollBox1), Qt::RightButton, Qt::NoModifier, picture(10, 10));
    QTest::mouseClick(widgetOf(view->ScrollBox1), Qt::RightButton, Qt::NoModifier, picture(10, 10));
    EXPECT_EQ(view->ZoomDen, 2);
    EXPECT_EQ(panel->ZoomBox->ItemIndex(), 16);
    EXPECT_EQ(zooms.size(), 3u);
    // Swap the colours with the button.
    view->setcol1(3);
    view->setcol2(200);
    QTest::mouseClick(widgetOf(panel->ColorChangeBtn), Qt::LeftButton);
    EXPECT_EQ(view->Color1, 200);
    EXPECT_EQ(view->Color2, 3);
    const PALETTEENTRY& e = view->Dib.get().Palette.palPalEntry[200];
    EXPECT_EQ(panel->Shape1->Brush()->Color() & 0xFFFFFF, RGB(e.peRed, e.peGreen, e.peBlue));
}

TEST_F(PanelForm, SwatchClickChoosesTheNearestPaletteEntryAfterThePress) {
    install(8);
    int asked = 0;
    const PALETTEENTRY& e = view->Dib.get().Palette.palPalEntry[77];
    panel->ChooseColour = [&](COLORREF& c) {
        ++asked;
        EXPECT_EQ(c, view->ColorToRGB(view->Color2));
        c = RGB(e.peRed, e.peGreen, e.peBlue + 1);
        return true;
    };
    QTest::mouseClick(widgetOf(panel), Qt::LeftButton, Qt::NoModifier, in(panel, panel->Shape2, 10, 10));
    EXPECT_EQ(asked, 0);  // not inside the press
    QCoreApplication::processEvents();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(view->Color2, 77);
}

TEST_F(PanelForm, FillSampleFromAFile) {
    platform::ScriptedMessageBoxes boxes;
    install(24);
    testsupport::TempDir dir;
    EXPECT_FALSE(panel->LoadPattern(dir.file("missing.bmp").c_str()));
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Error while loading the picture!"});
    EXPECT_EQ(boxes.shown()[0].icon(), MB_ICONERROR);
    UniqueDib sample = makePicture(3, 3, 24, [](int x, int y) { return x * 40 | y * 40 << 8; });
    ASSERT_EQ(SaveDib(sample.get(), dir.file("sample.bmp").c_str(), PW_BMP, nullptr), 1);
    panel->ChoosePatternFile = [&](String& name) {
        name = dir.file("sample.bmp");
        return true;
    };
    panel->ZoomBtnClick(TEditorTool::Fill);
    QTest::mouseClick(widgetOf(panel->LoadPattBtn), Qt::LeftButton);
    ASSERT_NE(panel->Pattern(), nullptr);
    panel->FillStyleBox->SetItemIndex(1);
    QWidget* w = widgetOf(view->ScrollBox1);
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, picture(50, 50));
    EXPECT_EQ(view->UndoCount, 1);
    EXPECT_EQ(getpixel(view->Dib.get(), 4, 5), 1 * 40 | 2 * 40 << 8);
    // A sample that cannot be read leaves the one loaded before.
    const TDib* before = panel->Pattern();
    EXPECT_FALSE(panel->LoadPattern(dir.file("missing.png").c_str()));
    EXPECT_EQ(panel->Pattern(), before);
    EXPECT_EQ(DibWidth(*panel->Pattern()), 3);
}

TEST_F(PanelForm, ADrawingMadeWithTheMouse) {
    install(24);
    view->setcol1(0xC03010);  // blue-ish: red 0x10, green 0x30, blue 0xC0
    QWidget* w = widgetOf(view->ScrollBox1);
    // A line of width 3.
    panel->ZoomBtnClick(TEditorTool::Line);
    panel->BreitEdit->SetValue(3);
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, picture(10, 10));
    QTest::mouseMove(w, picture(80, 40));
    QTest::mouseMove(w, picture(151, 21));
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, picture(151, 21));
    EXPECT_EQ(getpixel(view->Dib.get(), 10, 10), 0xC03010);
    EXPECT_EQ(getpixel(view->Dib.get(), 150, 20), 0xC03010);
    // A filled ellipse in red.
    view->setcol1(0x0000FF);
    panel->ZoomBtnClick(TEditorTool::Shape);
    panel->TypBox->SetItemIndex(2);
    panel->StilBox->SetItemIndex(1);
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, picture(30, 40));
    QTest::mouseMove(w, picture(90, 80));
    QTest::mouseMove(w, picture(131, 111));
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, picture(131, 111));
    EXPECT_EQ(getpixel(view->Dib.get(), 80, 75), 0x0000FF);
    EXPECT_EQ(getpixel(view->Dib.get(), 31, 41), 0xFFFFFF);
    // A brush stroke in green.
    view->setcol1(0x00A000);
    panel->ZoomBtnClick(TEditorTool::Brush);
    panel->SizeEdit->SetValue(9);
    panel->HardEdit->SetValue(100);
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, picture(20, 100));
    QTest::mouseMove(w, picture(40, 90));
    QTest::mouseMove(w, picture(60, 110));
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, picture(60, 110));
    EXPECT_EQ(getpixel(view->Dib.get(), 40, 90), 0x00A000);
    EXPECT_EQ(view->UndoCount, 3);
    // A text, dropped with a click.
    class Texts : public TToolLink {
    public:
        explicit Texts(TColourPanel& p) : p_(p) {}
        TToolOptions Options() const override { return p_.Options(); }
        void Defer(std::function<void()> c) override { p_.Defer(std::move(c)); }
        bool AskText(TChildDocument&, TTextChoice& c) override {
            c.FontHeight = 18;
            c.Lines = {"Tessellon", "tools"};
            c.Alignment = 2;
            return true;
        }

    private:
        TColourPanel& p_;
    } texts(*panel);
    tools.SetLink(&texts);
    view->setcol1(0x000000);
    panel->ZoomBtnClick(TEditorTool::Text);
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, picture(60, 60));
    QCoreApplication::processEvents();
    ASSERT_EQ(view->ToolState, 99);
    QTest::mouseMove(w, picture(70, 45));
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, picture(70, 45));
    EXPECT_EQ(view->ToolState, 0);
    int black = 0;
    for (int y = 45; y < 120; ++y)
        for (int x = 70; x < 160; ++x) black += getpixel(view->Dib.get(), x, y) == 0;
    EXPECT_GT(black, 80);
    tools.SetLink(panel);
    const QImage shot = widgetOf(form.get())->grab().toImage();
    saveShot(shot, "drawing.png");
    saveShot(w->grab().toImage().copy(0, 0, 170, 130).scaled(680, 520), "drawing-4x.png");
    // What the view shows is the picture.
    const QImage shown = w->grab().toImage();
    const QPoint p = picture(80, 75);
    EXPECT_EQ(shown.pixel(p) & 0xFFFFFF, qRgb(255, 0, 0) & 0xFFFFFF);
}

TEST_F(PanelForm, RubberBandAndCloneCrossHairAreDrawnOverThePicture) {
    install(24);  // white
    QWidget* w = widgetOf(view->ScrollBox1);
    auto shown = [&](int x, int y) { return w->grab().toImage().pixel(picture(x, y)) & 0xFFFFFF; };
    view->setcol1(0x0000FF);
    panel->ZoomBtnClick(TEditorTool::Line);
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, picture(10, 50));
    QTest::mouseMove(w, picture(60, 50));
    QTest::mouseMove(w, picture(100, 50));
    // The rubber band inverts the white picture; nothing is drawn into it yet.
    EXPECT_EQ(shown(50, 50), 0u);
    EXPECT_EQ(getpixel(view->Dib.get(), 50, 50), 0xFFFFFF);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, picture(100, 50));
    EXPECT_EQ(getpixel(view->Dib.get(), 10, 50), 0x0000FF);
    EXPECT_EQ(shown(10, 50), qRgb(255, 0, 0) & 0xFFFFFF);
    EXPECT_EQ(shown(50, 60), 0xFFFFFFu);
    // The clone cross-hair: two diagonals of 20 pixels around the source point that
    // corresponds to the mouse.
    panel->ZoomBtnClick(TEditorTool::Clone);
    QTest::mouseClick(w, Qt::LeftButton, Qt::ShiftModifier, picture(20, 20));
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, picture(60, 80));
    QTest::mouseMove(w, picture(70, 80));
    ASSERT_TRUE(view->CrossHairShown);
    EXPECT_EQ(view->CrossHair.x, 30);
    EXPECT_EQ(view->CrossHair.y, 20);
    EXPECT_EQ(shown(25, 15), 0u);
    EXPECT_EQ(shown(35, 15), 0u);
    EXPECT_EQ(shown(30, 14), 0xFFFFFFu);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, picture(70, 80));
    EXPECT_FALSE(view->CrossHairShown);
    EXPECT_EQ(shown(25, 15), 0xFFFFFFu);
}

TEST_F(PanelForm, AReadOutGoingIdleLeavesNoOldDigitsBehind) {
    install(24);
    QWidget* panelWidget = widgetOf(panel);
    const QImage idle = panelWidget->grab().toImage();
    panel->ColourReadout(RGB(230, 182, 255), -1);
    QCoreApplication::processEvents();
    EXPECT_EQ(panel->RedLabel->Caption(), "R 230");
    (void)panelWidget->grab();
    panel->AColTimer1Timer(panel->AColTimer1);
    QCoreApplication::processEvents();
    const QImage back = panelWidget->grab().toImage();
    saveShot(back, "colour-panel-readout-idle.png");
    // The labels' row looks as it did before the read-out.
    const int top = panel->RedLabel->Top(), bottom = top + panel->RedLabel->Height();
    int differ = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < back.width(); ++x) differ += back.pixel(x, y) != idle.pixel(x, y);
    EXPECT_EQ(differ, 0);
}
