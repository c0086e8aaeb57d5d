// The effect dialogs driven by real Qt events: typed values out of range (a mosaic block of
// 0, a colour count of 300) confirmed with Enter reach the operations held to their range;
// the colour boxes, the shadow's choices on palette pictures, the pushbutton's width of 0,
// and the tool-bar choice.
#include "editor/EditorDialogs.h"
#include "editor/EffectDialogs.h"
#include "editor/Effects.h"
#include "editor/PaletteFiles.h"
#include "editor/PreviewForm.h"
#include "editor/tests/DialogTestSupport.h"

#include "poster/PictureDialogs.h"

#include <gtest/gtest.h>

using namespace opstest2;
using namespace dlgtest;

namespace {

UniqueDib colourful(int w, int h) {
    return truecolour(w, h, [](int x, int y) { return rgb(x * 13 % 256, y * 29 % 256, (x * y * 7 + 40) % 256); });
}

class EffectDialogs : public ::testing::Test {
protected:
    void SetUp() override { forgetStoredDialogs(); }
    TComponent owner{nullptr};
};

}  // namespace

TEST(EffectDialogLayouts, RangesAndDefaults) {
    TShadowForm shadow(nullptr);
    EXPECT_EQ(shadow.Caption(), "Add shadows");
    ASSERT_EQ(shadow.ColorBox->Items()->Count(), 7);
    EXPECT_EQ(shadow.ColorBox->Items()->Strings(0), "Foreground colour");
    EXPECT_EQ(shadow.ColorBox->Items()->Strings(6), "Blue");
    EXPECT_EQ(std::vector<int>({SpinInt(shadow.TransEd), SpinInt(shadow.BlurEd), SpinInt(shadow.HorzEd),
                                SpinInt(shadow.VertEd), static_cast<int>(shadow.HorzEd->MinValue())}),
              std::vector<int>({10, 10, 5, 5, -100}));
    TButtonForm button(nullptr);
    EXPECT_EQ(button.Caption(), "Create pushbutton");
    EXPECT_TRUE(button.SolidCheck->Checked());
    EXPECT_EQ(SpinInt(button.BreitEd), 10);
    EXPECT_EQ(button.BreitEd->MinValue(), 0);
    TMosaikForm mosaic(nullptr);
    EXPECT_EQ(mosaic.Caption(), "Mosaic effect...");
    EXPECT_EQ(std::vector<int>({SpinInt(mosaic.BreitEd), SpinInt(mosaic.HochEd), static_cast<int>(mosaic.BreitEd->MinValue()),
                                static_cast<int>(mosaic.HochEd->MaxValue())}),
              std::vector<int>({4, 4, 1, 100}));
    TNoiseForm noise(nullptr);
    EXPECT_EQ(noise.Caption(), "Add disturbances");
    EXPECT_EQ(std::vector<int>({SpinInt(noise.StarkEd), SpinInt(noise.WahrEd), static_cast<int>(noise.StarkEd->MaxValue())}),
              std::vector<int>({96, 50, 256}));
    TDelNoiseForm del(nullptr);
    EXPECT_EQ(del.Caption(), "Remove noise");
    EXPECT_EQ(SpinInt(del.GrenzEd), 50);
    EXPECT_EQ(del.GrenzLabel->Caption(), "Limit value (5x5 pixel radius):");
    TConfigBars bars(nullptr);
    ASSERT_EQ(bars.CheckList->Items()->Count(), 3);
    EXPECT_EQ(bars.CheckList->Items()->Strings(2), "Color palette");
}

TEST(EffectDialogColours, TheColourBoxGivesDrawingColoursOrFixedOnes) {
    OpsDoc truecol(colourful(2, 2));
    truecol.doc.Color1 = rgb(1, 2, 3);
    truecol.doc.Color2 = rgb(4, 5, 6);
    EXPECT_EQ(ColourBoxValue(truecol.doc, 0), rgb(1, 2, 3));
    EXPECT_EQ(ColourBoxValue(truecol.doc, 1), rgb(4, 5, 6));
    EXPECT_EQ(ColourBoxValue(truecol.doc, 2), 0);
    EXPECT_EQ(ColourBoxValue(truecol.doc, 3), rgb(255, 255, 255));
    EXPECT_EQ(ColourBoxValue(truecol.doc, 4), rgb(255, 0, 0));
    EXPECT_EQ(ColourBoxValue(truecol.doc, 6), rgb(0, 0, 255));
    // On palette pictures the fixed colours are the nearest entries, the first of equals.
    OpsDoc pal(paletted(
        2, 2, 4, [](int i) { return i == 5 || i == 9 ? PALETTEENTRY{250, 10, 0, 0} : PALETTEENTRY{BYTE(i), BYTE(i), BYTE(i), 0}; },
        [](int, int) { return 0; }));
    pal.doc.Color1 = 3;
    EXPECT_EQ(ColourBoxValue(pal.doc, 0), 3);
    EXPECT_EQ(ColourBoxValue(pal.doc, 4), 5);
    EXPECT_EQ(ColourBoxValue(pal.doc, 2), 0);
}

TEST_F(EffectDialogs, AMosaicBlockOfZeroConfirmedWithEnterIsOne) {
    OpsDoc d(colourful(13, 9));
    UniqueDib want = edtest::copyOf(d.doc.Dib.get());
    MosaikEffekt(want.get(), 1, 4);
    whenShown([&] {
        TMosaikForm* f = owned<TMosaikForm>(&owner);
        ASSERT_NE(f, nullptr);
        type(f->BreitEd, "0");
        EXPECT_EQ(f->BreitEd->Text(), "0") << "typed text is not checked before it is read";
        key(f->BreitEd, Qt::Key_Return);
    });
    ASSERT_TRUE(editordialogs::MosaicEffect(d.doc, &owner));
    EXPECT_TRUE(edtest::samePixels(d.doc.Dib.get(), want.get())) << "blocks of 1 x 4";
    EXPECT_EQ(d.doc.UndoCount, 1);

    // Both 0: blocks of 1 x 1 change nothing.
    const std::vector<BYTE> before = allBytes(d.doc.Dib.get());
    whenShown([&] {
        TMosaikForm* f = owned<TMosaikForm>(&owner);
        type(f->BreitEd, "0");
        type(f->HochEd, "-5");
        key(f->HochEd, Qt::Key_Return);
    });
    ASSERT_TRUE(editordialogs::MosaicEffect(d.doc, &owner));
    EXPECT_EQ(allBytes(d.doc.Dib.get()), before);
}

TEST_F(EffectDialogs, AColourCountOf300ConfirmedWithEnterReducesTo256Colours) {
    // More than 300 colours apart by more than the quantiser's 4 bits.
    OpsDoc d(truecolour(40, 40, [](int x, int y) { return rgb(x * 16 % 256, y * 16 % 256, (x / 16 + y / 16 * 3) * 40); }));
    whenShown([&] {
        TFreeDepthForm* f = owned<TFreeDepthForm>(&owner);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->NumColEd->Text(), "64");
        click(f->WinColCheck);  // no merging: all entries from the picture
        EXPECT_FALSE(f->WinColCheck->Checked());
        type(f->NumColEd, "300");
        key(f->NumColEd, Qt::Key_Return);
    });
    ASSERT_TRUE(editordialogs::ReduceColours(d.doc, 0, &owner));
    EXPECT_EQ(DibBitCount(d.doc.Dib.get()), 8);
    const std::optional<int> used = editorops::CountColours(d.doc.Dib.get());
    ASSERT_TRUE(used.has_value());
    EXPECT_GT(*used, 200) << "256 entries, not 64";
    EXPECT_EQ(d.doc.UndoCount, 1);
    EXPECT_EQ(d.doc.Color1, 0);
    EXPECT_EQ(d.doc.Color2, 255) << "colour 2 is the last entry after a depth change";

    // Down to 1 bit with its own dialog; the same depth again is not offered.
    whenShown([&] { click(owned<TDepthDownForm>(&owner)->OKBtn); });
    ASSERT_TRUE(editordialogs::ReduceColours(d.doc, 1, &owner));
    EXPECT_EQ(DibBitCount(d.doc.Dib.get()), 1);
    EXPECT_FALSE(editordialogs::ReduceColours(d.doc, 1, &owner));
}

TEST_F(EffectDialogs, NoiseValuesAreHeldToTheirRanges) {
    OpsDoc d(colourful(12, 12));
    const std::vector<BYTE> before = allBytes(d.doc.Dib.get());
    whenShown([&] {
        TNoiseForm* f = owned<TNoiseForm>(&owner);
        ASSERT_NE(f, nullptr);
        type(f->StarkEd, "0");  // 1: a change of 0..0 less 0
        type(f->WahrEd, "1000");
        key(f->WahrEd, Qt::Key_Return);
    });
    ASSERT_TRUE(editordialogs::AddDisturbances(d.doc, &owner));
    EXPECT_EQ(allBytes(d.doc.Dib.get()), before) << "strength 1 changes nothing";
    EXPECT_EQ(d.doc.UndoCount, 1);

    whenShown([&] {
        TDelNoiseForm* f = owned<TDelNoiseForm>(&owner);
        ASSERT_NE(f, nullptr);
        type(f->GrenzEd, "900");
        click(f->OKBtn);
    });
    ASSERT_TRUE(editordialogs::RemoveNoise(d.doc, &owner));
    EXPECT_EQ(allBytes(d.doc.Dib.get()), before) << "a limit of 255 changes nothing";
    EXPECT_EQ(d.doc.UndoCount, 2) << "noise removal saves its own step, once";

    whenShown([&] {
        TNoiseForm* f = owned<TNoiseForm>(&owner);
        type(f->StarkEd, "256");
        type(f->WahrEd, "100");
        click(f->OKBtn);
    });
    ASSERT_TRUE(editordialogs::AddDisturbances(d.doc, &owner));
    EXPECT_NE(allBytes(d.doc.Dib.get()), before);
}

TEST_F(EffectDialogs, ShadowOnAPalettePictureTakesTheChosenEntry) {
    OpsDoc d(paletted(
        10, 8, 8, [](int i) { return i == 200 ? PALETTEENTRY{255, 0, 0, 0} : PALETTEENTRY{BYTE(i / 2), BYTE(i / 2), BYTE(i / 2), 0}; },
        [](int, int) { return 7; }));
    EXPECT_FALSE(editordialogs::AddShadows(d.doc, &owner)) << "without a selection nothing is shown";

    d.selectBox(1, 1, 3, 3);
    whenShown([&] {
        TShadowForm* f = owned<TShadowForm>(&owner);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->ColorBox->ItemIndex(), 1) << "set on activation";
        EXPECT_FALSE(f->TransEd->Enabled());
        EXPECT_FALSE(f->BlurEd->Enabled());
        f->ColorBox->SetFocus();
        key(f->ColorBox, Qt::Key_Down);
        key(f->ColorBox, Qt::Key_Down);
        key(f->ColorBox, Qt::Key_Down);
        EXPECT_EQ(f->ColorBox->ItemIndex(), 4) << "Red";
        type(f->HorzEd, "2");
        type(f->VertEd, "1");
        click(f->OKBtn);
    });
    ASSERT_TRUE(editordialogs::AddShadows(d.doc, &owner));
    EXPECT_EQ(d.pixel(4, 2), 200) << "beside the selection, in its shadow";
    EXPECT_EQ(d.pixel(5, 4), 200);
    EXPECT_EQ(d.pixel(2, 2), 7) << "the selection itself";
    EXPECT_EQ(d.pixel(6, 2), 7) << "past the shadow";
}

TEST_F(EffectDialogs, APushbuttonOfWidthZeroChangesNothing) {
    OpsDoc d(colourful(9, 9));
    d.selectBox(0, 4, 8, 4);  // one pixel high, touching both edges
    const std::vector<BYTE> before = allBytes(d.doc.Dib.get());
    whenShown([&] {
        TButtonForm* f = owned<TButtonForm>(&owner);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->ColorBox->ItemIndex(), 1);
        type(f->BreitEd, "0");
        key(f->BreitEd, Qt::Key_Return);
    });
    ASSERT_TRUE(editordialogs::CreatePushbutton(d.doc, &owner));
    EXPECT_EQ(allBytes(d.doc.Dib.get()), before);

    whenShown([&] {
        TButtonForm* f = owned<TButtonForm>(&owner);
        type(f->BreitEd, "3");
        type(f->TransED, "0");
        click(f->OKBtn);
    });
    ASSERT_TRUE(editordialogs::CreatePushbutton(d.doc, &owner));
    EXPECT_NE(allBytes(d.doc.Dib.get()), before) << "a one-pixel-high selection gets its side bands";
    for (int x = 0; x < 9; ++x) EXPECT_EQ(d.pixel(x, 3), getpixel(d.doc.UndoSlots[0].Picture.get(), x, 3));
}

TEST_F(EffectDialogs, ToolbarChoiceWithRealClicks) {
    bool visible[3] = {true, true, true};
    whenShown([&] {
        TConfigBars* f = owned<TConfigBars>(&owner);
        ASSERT_NE(f, nullptr);
        EXPECT_TRUE(f->CheckList->Checked(0) && f->CheckList->Checked(1) && f->CheckList->Checked(2));
        const RECT r = f->CheckList->ItemRect(2);
        QTest::mouseClick(widget(f->CheckList), Qt::LeftButton, Qt::NoModifier,
                          QPoint(r.left + 4, (r.top + r.bottom) / 2));
        EXPECT_FALSE(f->CheckList->Checked(2));
        click(f->OKBtn);
    });
    ASSERT_TRUE(editordialogs::ConfigureToolbars(visible, &owner));
    EXPECT_TRUE(visible[0]);
    EXPECT_FALSE(visible[2]);
    whenShown([&] {
        TConfigBars* f = owned<TConfigBars>(&owner);
        EXPECT_FALSE(f->CheckList->Checked(2)) << "the state it was given";
        click(f->CancelBtn);
    });
    visible[1] = false;
    EXPECT_FALSE(editordialogs::ConfigureToolbars(visible, &owner));
    EXPECT_FALSE(visible[1]);
}
