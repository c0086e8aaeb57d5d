// The colour dialogs of the editor driven by real Qt events while they run modally: their
// ranges and defaults, live previews that always start from the backup, Cancel giving the
// picture back byte for byte, OK adding one undo step, typed values held to their ranges,
// and values that come back from the registry when the dialog is opened again.
#include "editor/AdjustDialogs.h"
#include "editor/ColourAdjust.h"
#include "editor/EditorDialogs.h"
#include "editor/tests/DialogTestSupport.h"

#include "poster/BrightContrast.h"

#include <gtest/gtest.h>

using namespace opstest2;
using namespace dlgtest;

namespace {

UniqueDib colourful(int w, int h) {
    return truecolour(w, h, [](int x, int y) { return rgb(x * 13 % 256, y * 29 % 256, (x * y * 7 + 40) % 256); });
}

UniqueDib paletteOf8(int w, int h) {
    return paletted(
        w, h, 8, [](int i) { return PALETTEENTRY{BYTE(i), BYTE(255 - i), BYTE(i * 3), 0}; },
        [](int x, int y) { return (x * 7 + y * 3) % 256; });
}

class AdjustDialogs : public ::testing::Test {
protected:
    void SetUp() override { forgetStoredDialogs(); }
    TComponent owner{nullptr};
};

}  // namespace

TEST(AdjustDialogLayouts, RangesAndDefaults) {
    THKForm hk(nullptr);
    EXPECT_EQ(hk.Caption(), "Brightness, contrast and saturation");
    EXPECT_EQ(std::vector<int>({hk.TrackBar1->Min(), hk.TrackBar1->Max(), hk.TrackBar1->Position()}),
              std::vector<int>({-127, 127, 0}));
    EXPECT_EQ(std::vector<int>({hk.TrackBar2->Min(), hk.TrackBar2->Max(), hk.TrackBar2->Position()}),
              std::vector<int>({0, 200, 100}));
    EXPECT_EQ(std::vector<int>({hk.TrackBar3->Min(), hk.TrackBar3->Max(), hk.TrackBar3->Position()}),
              std::vector<int>({-100, 100, 0}));
    EXPECT_EQ(hk.VschauBitBtn4->Caption(), "Preview");
    EXPECT_EQ(hk.CancelBitBtn2->Caption(), "&Cancel");

    TColizeForm col(nullptr);
    EXPECT_EQ(col.Caption(), "Colorize...");
    EXPECT_EQ(std::vector<int>({col.TrackBar1->Max(), col.TrackBar1->Position(), col.TrackBar2->Max(),
                                col.TrackBar2->Position()}),
              std::vector<int>({255, 128, 255, 128}));

    TRGBForm rgbForm(nullptr);
    EXPECT_EQ(rgbForm.Caption(), "Red, green, blue");
    for (TTrackBar* t : {rgbForm.TrackBar1, rgbForm.TrackBar2, rgbForm.TrackBar3})
        EXPECT_EQ(std::vector<int>({t->Min(), t->Max(), t->Position()}), std::vector<int>({-100, 100, 0}));

    TLightForm light(nullptr);
    EXPECT_EQ(light.Caption(), "Gloss light, center, shadow");
    EXPECT_EQ(std::vector<int>({light.TrackBar1->Position(), light.TrackBar2->Position(), light.TrackBar3->Position(),
                                light.TrackBar3->Max()}),
              std::vector<int>({255, 128, 0, 255}));

    TGammaForm gamma(nullptr);
    EXPECT_EQ(gamma.Caption(), "Gamma correction");
    EXPECT_DOUBLE_EQ(static_cast<double>(gamma.GammaEdit->MinValue()), 0.1);
    EXPECT_DOUBLE_EQ(static_cast<double>(gamma.GammaEdit->MaxValue()), 8.9);
    EXPECT_DOUBLE_EQ(static_cast<double>(gamma.GammaEdit->Increment()), 0.1);
    EXPECT_DOUBLE_EQ(gamma.GammaValue(), 1.8);

    TPosterFaktor poster(nullptr);
    EXPECT_EQ(poster.Caption(), "Limited colour deep...");
    EXPECT_EQ(poster.BitsKept(), 4);
    EXPECT_EQ(poster.PosterEdit->MaxValue(), 7);
    TSolarfaktor solar(nullptr);
    EXPECT_EQ(solar.Caption(), "Solarisieren...");
    EXPECT_EQ(solar.Level(), 128);
    EXPECT_EQ(solar.SolarEdit->MinValue(), 1);
}

TEST_F(AdjustDialogs, BrightnessPreviewsFromTheBackupCancelGivesThePictureBackAndOkIsOneUndoStep) {
    OpsDoc d(colourful(23, 11));
    d.selectBox(0, 0, 14, 10);  // the selection reaches three edges
    const std::vector<BYTE> original = everything(d.doc.Dib.get());
    // What OK must give: the three operations on the original, within the selection.
    UniqueDib want = edtest::copyOf(d.doc.Dib.get());
    Helligkeit(want, 127, &d.doc.SelMask.get());
    Kontrast(want, 100, &d.doc.SelMask.get());
    Saettigung(want, -100, &d.doc.SelMask.get());

    std::vector<BYTE> afterMove, once, twice;
    whenShown([&] {
        THKForm* f = owned<THKForm>(&owner);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->TrackBar1->Position(), 0);
        key(f->TrackBar1, Qt::Key_End);  // brightness to 127
        key(f->TrackBar3, Qt::Key_Home);  // saturation to -100
        EXPECT_EQ(f->TrackBar1->Position(), 127);
        EXPECT_EQ(f->TrackBar3->Position(), -100);
        afterMove = everything(d.doc.Dib.get());
        click(f->VschauBitBtn4);
        once = everything(d.doc.Dib.get());
        click(f->VschauBitBtn4);
        twice = everything(d.doc.Dib.get());
        click(f->CancelBitBtn2);
    });
    EXPECT_FALSE(editordialogs::BrightnessContrast(d.doc, &owner));
    EXPECT_EQ(afterMove, original) << "moving a track bar previews nothing";
    EXPECT_NE(once, original);
    EXPECT_EQ(once, twice) << "each preview starts from the backup";
    EXPECT_EQ(everything(d.doc.Dib.get()), original) << "Cancel gives the picture back exactly";
    EXPECT_EQ(d.doc.UndoCount, 0);
    EXPECT_EQ(owned<THKForm>(&owner), nullptr) << "the dialog is freed";

    whenShown([&] {
        THKForm* f = owned<THKForm>(&owner);
        // The positions of the last OK are stored; the cancelled ones were stored too.
        EXPECT_EQ(f->TrackBar1->Position(), 127);
        click(f->VschauBitBtn4);
        click(f->OkBitBtn1);
    });
    EXPECT_TRUE(editordialogs::BrightnessContrast(d.doc, &owner));
    EXPECT_TRUE(edtest::samePixels(d.doc.Dib.get(), want.get()));
    ASSERT_EQ(d.doc.UndoCount, 1) << "one undo step, whatever was previewed";
    EXPECT_EQ(everything(d.doc.UndoSlots[0].Picture.get()), original);
    for (int y = 0; y < 11; ++y) EXPECT_EQ(d.pixel(20, y), getpixel(d.doc.UndoSlots[0].Picture.get(), 20, y));
}

TEST_F(AdjustDialogs, CancelRestoresAPalettePictureAndItsColourTable) {
    OpsDoc d(paletteOf8(9, 5));
    const std::vector<BYTE> original = everything(d.doc.Dib.get());
    const HPALETTE before = d.doc.Dib.get().PalHandle;
    std::vector<BYTE> previewed;
    whenShown([&] {
        TRGBForm* f = owned<TRGBForm>(&owner);
        ASSERT_NE(f, nullptr);
        key(f->TrackBar1, Qt::Key_Home);  // red -100
        click(f->VschauBitBtn4);
        previewed = everything(d.doc.Dib.get());
        click(f->CancelBitBtn2);
    });
    EXPECT_FALSE(editordialogs::RedGreenBlue(d.doc, &owner));
    EXPECT_NE(previewed, original);
    EXPECT_EQ(d.doc.Dib.get().Palette.palPalEntry[7].peRed, 7);
    EXPECT_EQ(everything(d.doc.Dib.get()), original);
    EXPECT_NE(d.doc.Dib.get().PalHandle, nullptr);
    (void)before;

    whenShown([&] {
        TRGBForm* f = owned<TRGBForm>(&owner);
        EXPECT_EQ(f->TrackBar1->Position(), -100) << "stored on close";
        click(f->OkBitBtn1);
    });
    EXPECT_TRUE(editordialogs::RedGreenBlue(d.doc, &owner));
    for (int i = 0; i < 256; ++i) ASSERT_EQ(d.doc.Dib.get().Palette.palPalEntry[i].peRed, 0) << i;
    EXPECT_EQ(d.doc.Dib.get().Info->bmiColors[9].rgbRed, 0) << "the colour table follows";
    EXPECT_GE(d.window.PaletteChanges, 1);
}

TEST_F(AdjustDialogs, GammaTypedOutOfRangeIsHeldToTheEditAndComesBackFromTheRegistry) {
    OpsDoc d(colourful(8, 8));
    UniqueDib want = edtest::copyOf(d.doc.Dib.get());
    Gamma(want, 0.1);
    whenShown([&] {
        TGammaForm* f = owned<TGammaForm>(&owner);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->GammaEdit->Text(), "1.8");
        type(f->GammaEdit, "0");
        key(f->GammaEdit, Qt::Key_Return);  // the default button: OK
    });
    EXPECT_TRUE(editordialogs::GammaCorrection(d.doc, &owner));
    EXPECT_TRUE(edtest::samePixels(d.doc.Dib.get(), want.get())) << "0 typed is used as 0.1";

    whenShown([&] {
        TGammaForm* f = owned<TGammaForm>(&owner);
        EXPECT_DOUBLE_EQ(f->GammaValue(), 0.1);
        type(f->GammaEdit, "2.5");
        click(f->OkBitBtn1);
    });
    EXPECT_TRUE(editordialogs::GammaCorrection(d.doc, &owner));
    EXPECT_EQ(stored("TGammaForm", "GammaEdit_Value"), "2.5");
    whenShown([&] {
        TGammaForm* f = owned<TGammaForm>(&owner);
        EXPECT_EQ(f->GammaEdit->Text(), "2.5") << "the stored value wins over the start value 1.8";
        click(f->BacksetBitBtn3);
        EXPECT_EQ(f->GammaEdit->Text(), "1.8");
        click(f->CancelBitBtn2);
    });
    EXPECT_FALSE(editordialogs::GammaCorrection(d.doc, &owner));
    EXPECT_EQ(d.doc.UndoCount, 2);
}

TEST_F(AdjustDialogs, GlossLightResetAndPreview) {
    OpsDoc d(truecolour(4, 1, [](int x, int) { return rgb(x * 80, x * 80, x * 80); }));  // luminance 0, 80, 160, 240
    whenShown([&] {
        TLightForm* f = owned<TLightForm>(&owner);
        ASSERT_NE(f, nullptr);
        key(f->TrackBar1, Qt::Key_Home);  // gloss light 0: everything at or above is white
        click(f->VschauBitBtn4);
        EXPECT_EQ(d.pixel(1, 0), rgb(255, 255, 255));
        click(f->BacksetBitBtn3);
        EXPECT_EQ(std::vector<int>({f->TrackBar1->Position(), f->TrackBar2->Position(), f->TrackBar3->Position()}),
                  std::vector<int>({255, 128, 0}));
        while (f->TrackBar3->Position() < 80) key(f->TrackBar3, Qt::Key_PageDown);  // shadow up, page by page
        const int shadow = f->TrackBar3->Position();
        EXPECT_LT(shadow, 160);
        click(f->OkBitBtn1);
    });
    EXPECT_TRUE(editordialogs::GlossLightShadow(d.doc, &owner));
    EXPECT_EQ(d.pixel(1, 0), 0) << "luminance 80 is at or below the shadow";
    EXPECT_EQ(d.pixel(3, 0), rgb(240, 240, 240));
}

TEST_F(AdjustDialogs, ColorizeShowsItsColourInTheSampleAndStoresIt) {
    OpsDoc d(colourful(6, 6));
    COLORREF sample = 0;
    whenShown([&] {
        TColizeForm* f = owned<TColizeForm>(&owner);
        ASSERT_NE(f, nullptr);
        int r, g, b;
        HSLToRGB(128, 128, 128, r, g, b);
        EXPECT_EQ(static_cast<COLORREF>(f->Shape1->Brush()->Color()), RGB(r, g, b)) << "painted on activation";
        key(f->TrackBar1, Qt::Key_Home);  // hue 0: red
        HSLToRGB(0, 128, 128, r, g, b);
        sample = RGB(r, g, b);
        EXPECT_EQ(static_cast<COLORREF>(f->Shape1->Brush()->Color()), sample);
        click(f->OkBitBtn1);
    });
    EXPECT_TRUE(editordialogs::Colorize(d.doc, &owner));
    int r, g, b;
    const int v = getpixel(d.doc.UndoSlots[0].Picture.get(), 2, 3);
    HSLToRGB(0, 128, red(v) * 30 / 100 + green(v) * 59 / 100 + blue(v) * 11 / 100, r, g, b);
    EXPECT_EQ(d.pixel(2, 3), rgb(r, g, b));
    EXPECT_EQ(stored("TColizeForm", "TrackBar1_Position"), "0");
    EXPECT_NE(stored("TColizeForm", "Shape1_BrushColor"), "<none>");
}

TEST_F(AdjustDialogs, DepthLimitAndSolarizeHoldTypedValuesToTheirRange) {
    OpsDoc d(truecolour(3, 1, [](int x, int) { return rgb(200 + x, 100, 37); }));
    whenShown([&] {
        TPosterFaktor* f = owned<TPosterFaktor>(&owner);
        ASSERT_NE(f, nullptr);
        type(f->PosterEdit, "9");
        key(f->PosterEdit, Qt::Key_Return);
    });
    EXPECT_TRUE(editordialogs::LimitColourDepth(d.doc, &owner));
    EXPECT_EQ(d.pixel(0, 0), rgb(200, 100, 36)) << "7 bits kept: DibPoster(1)";
    EXPECT_EQ(d.doc.UndoCount, 1);

    whenShown([&] {
        TSolarfaktor* f = owned<TSolarfaktor>(&owner);
        ASSERT_NE(f, nullptr);
        type(f->SolarEdit, "0");
        click(f->OKBtn);
    });
    EXPECT_TRUE(editordialogs::Solarize(d.doc, &owner));
    // Level 1: colours whose sum is 762 or more are inverted; none here.
    EXPECT_EQ(d.pixel(0, 0), rgb(200, 100, 36));
    whenShown([&] {
        TSolarfaktor* f = owned<TSolarfaktor>(&owner);
        type(f->SolarEdit, "255");
        click(f->OKBtn);
    });
    EXPECT_TRUE(editordialogs::Solarize(d.doc, &owner));
    EXPECT_EQ(d.pixel(0, 0), rgb(55, 155, 219));

    whenShown([&] { click(owned<TPosterFaktor>(&owner)->CancelBtn); });
    EXPECT_FALSE(editordialogs::LimitColourDepth(d.doc, &owner));
    EXPECT_EQ(d.doc.UndoCount, 3);
}
