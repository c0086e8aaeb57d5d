// The picture dialogs on their own and from the poster window: the size dialog's aspect
// coupling, the colour reduction's choices, and brightness and contrast previewed from a
// backup.
#include "poster/PictureDialogs.h"

#include "pixwerk/pixwerk.h"
#include "poster/Pixwerk.h"
#include "poster/PosterUnit.h"
#include "poster/tests/PictureOpsSupport.h"
#include "poster/tests/PosterWindowFixture.h"

#include <QTimer>
#include <QWidget>

#include <cstdlib>

#include <functional>

using namespace opstest;

namespace {

// Saves a grab of the form when TESSELLON_SCREENSHOTS names a folder.
void screenshot(TWinControl* form, const char* name) {
    if (const char* folder = std::getenv("TESSELLON_SCREENSHOTS"))
        platform::windowWidget(form->Handle())->grab().save(QString::fromLocal8Bit(folder) + "/" + name + ".png");
}

// Runs `step` once the next modal loop has started.
void whenShown(std::function<void()> step) { QTimer::singleShot(0, std::move(step)); }

template <class T>
T* ownedForm(TComponent* owner) {
    for (int i = owner->ComponentCount() - 1; i >= 0; --i)
        if (auto* f = dynamic_cast<T*>(owner->Components(i))) return f;
    return nullptr;
}

std::vector<BYTE> pixels(const TDib& d) { return {d.Bits, d.Bits + static_cast<std::size_t>(d.LineBytes) * DibHeight(d)}; }

}  // namespace

TEST(ResizeDialog, KeepsTheAspectRatioWithoutEcho) {
    TResizeForm form(nullptr);
    form.Show();  // the edits report changes once their windows exist
    form.SetOldSize(400, 300);
    form.SverhCheck->SetChecked(false);
    form.BreitEdit->SetValue(400);
    form.HochEdit->SetValue(300);
    form.SverhCheck->SetChecked(true);
    form.BreitEdit->SetValue(200);
    EXPECT_EQ(form.NewHeight(), 150);
    EXPECT_EQ(form.NewWidth(), 200) << "the height change does not change the width back";
    form.BreitEdit->SetValue(201);
    EXPECT_EQ(form.NewHeight(), 150) << "150.75 truncated";
    EXPECT_EQ(form.NewWidth(), 201);
    form.HochEdit->SetValue(30);
    EXPECT_EQ(form.NewWidth(), 40);
    // Without the ratio the edits are independent.
    form.SverhCheck->SetChecked(false);
    form.BreitEdit->SetValue(77);
    EXPECT_EQ(form.NewHeight(), 30);
}

TEST(DepthDownDialog, TheChoicesFollowTheTargetAndThePalette) {
    TDepthDownForm form(nullptr);
    form.PrepareFor(8);
    EXPECT_TRUE(form.OptPalCheck->Checked());
    EXPECT_FALSE(form.DitherCheck->Enabled());
    EXPECT_TRUE(form.WinColCheck->Enabled());
    form.StdPalCheck->SetChecked(true);
    form.StdPalCheck->Click();
    EXPECT_TRUE(form.DitherCheck->Enabled());
    EXPECT_FALSE(form.WinColCheck->Enabled());
    form.DitherCheck->SetChecked(true);
    EXPECT_EQ(form.Reduction().Method, TColourReduction::Ordered);
    EXPECT_FALSE(form.Reduction().Optimized);
    // Back to the optimised palette: dithering goes and error diffusion is chosen instead.
    form.OptPalCheck->SetChecked(true);
    form.OptPalCheck->Click();
    EXPECT_FALSE(form.DitherCheck->Enabled());
    EXPECT_TRUE(form.FSErrCheck->Checked());
    EXPECT_EQ(form.Reduction().Method, TColourReduction::ErrorDiffusion);

    form.PrepareFor(1);
    EXPECT_FALSE(form.OptPalCheck->Enabled());
    EXPECT_FALSE(form.DitherCheck->Enabled());
    EXPECT_FALSE(form.WinColCheck->Enabled());
    form.PrepareFor(4);
    EXPECT_TRUE(form.StdPalCheck->Enabled());
    EXPECT_FALSE(form.WinColCheck->Enabled());
}

TEST(DepthChangeDialog, OtherDepthsSelectTheFirstItem) {
    TDepthChangeForm form(nullptr);
    ASSERT_EQ(form.ColorBox->Items()->Count(), 4);
    for (int bits : {1, 4, 8, 24}) {
        form.SetBits(bits);
        EXPECT_EQ(form.Bits(), bits);
    }
    form.SetBits(16);
    EXPECT_EQ(form.ColorBox->ItemIndex(), 0);
}

class PosterPictureDialogs : public PosterWindowFixture {
protected:
    void SetUp() override {
        PosterWindowFixture::SetUp();
        ASSERT_TRUE(testsupport::writeFile(dir.file("poster.stb"),
                                           testsupport::readFile(std::string(TESSELLON_SOURCE_DIR) + "/app/poster.stb")));
        create();
        boxes.clear();
    }
    void install(UniqueDib dib) { form->InstallDib(dib.release(), dir.path() + "/"); }
};

TEST_F(PosterPictureDialogs, BrightnessPreviewsFromTheBackupAndCancelGivesItBack) {
    UniqueDib pic = make(16, 4, 24);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x) put(pic, x, y, rgb(x * 16, 100, 255));
    install(std::move(pic));
    const std::vector<BYTE> original = pixels(form->Dib.get());
    std::vector<BYTE> once, twice;
    whenShown([&] {
        THKForm2* hk = ownedForm<THKForm2>(form);
        ASSERT_NE(hk, nullptr);
        EXPECT_EQ(hk->TrackBar1->Position(), 0);
        EXPECT_EQ(hk->TrackBar2->Position(), 100);
        hk->TrackBar1->SetPosition(60);
        screenshot(hk, "brightness-dialog");
        EXPECT_EQ(pixels(form->Dib.get()), original) << "moving a track bar alone changes nothing";
        hk->VschauBitBtn4->Click();
        once = pixels(form->Dib.get());
        hk->VschauBitBtn4->Click();
        twice = pixels(form->Dib.get());
        hk->CancelBtn->Click();
    });
    form->HellpBtnClick(nullptr);
    EXPECT_NE(once, original);
    EXPECT_EQ(once, twice) << "each preview starts from the backup";
    EXPECT_EQ(pixels(form->Dib.get()), original);

    whenShown([&] {
        THKForm2* hk = ownedForm<THKForm2>(form);
        hk->TrackBar1->SetPosition(127);
        hk->OkBitBtn1->Click();
    });
    form->HellpBtnClick(nullptr);
    EXPECT_EQ(getpixel(form->Dib.get(), 0, 0), rgb(127, 227, 255)) << "white stays 255";
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(PosterPictureDialogs, SizeAndColourDepthFromTheirButtons) {
    install(make(40, 30, 24));
    whenShown([&] {
        TResizeForm* r = ownedForm<TResizeForm>(form);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->NewWidth(), 40);
        EXPECT_TRUE(r->InterpolCheck->Enabled());
        r->SverhCheck->SetChecked(true);
        r->BreitEdit->SetValue(20);
        screenshot(r, "resize-dialog");
        r->SetModalResult(mrOk);
    });
    form->SizeBtnClick(nullptr);
    EXPECT_EQ(DibWidth(form->Dib.get()), 20);
    EXPECT_EQ(DibHeight(form->Dib.get()), 15);
    EXPECT_EQ(form->Section.right, 20);

    // 24 to 8 bits asks how, then shows 256 colours.
    whenShown([&] {
        TDepthChangeForm* c = ownedForm<TDepthChangeForm>(form);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->Bits(), 24);
        c->ColorBox->SetItemIndex(2);
        screenshot(c, "depth-dialog");
        whenShown([&] {
            TDepthDownForm* how = ownedForm<TDepthDownForm>(form);
            ASSERT_NE(how, nullptr);
            screenshot(how, "depth-down-dialog");
            how->SetModalResult(mrOk);
        });
        c->SetModalResult(mrOk);
    });
    form->FTiefeBtnClick(nullptr);
    EXPECT_EQ(DibBitCount(form->Dib.get()), 8);
    EXPECT_EQ(form->Tief->Caption(), "256");

    // And back up to 24 bits without a second question.
    whenShown([&] {
        TDepthChangeForm* c = ownedForm<TDepthChangeForm>(form);
        c->ColorBox->SetItemIndex(3);
        c->SetModalResult(mrOk);
    });
    form->FTiefeBtnClick(nullptr);
    EXPECT_EQ(DibBitCount(form->Dib.get()), 24);
    EXPECT_EQ(form->Tief->Caption(), "16777216");
}
