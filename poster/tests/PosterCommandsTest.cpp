// The poster window's picture commands from its menus: effects with their questions, flips
// and quarter turns, and enhance quality with its dialog.
#include "pixwerk/pixwerk.h"
#include "poster/Filters.h"
#include "poster/Pixwerk.h"
#include "poster/PosterUnit.h"
#include "classlib/Printers.h"
#include "poster/Quality.h"
#include "poster/tests/PictureOpsSupport.h"
#include "poster/tests/PosterWindowFixture.h"

#include <QApplication>
#include <QTimer>

#include <cmath>
#include <functional>

using namespace opstest;

namespace {

const std::string StartPicture = std::string(TESSELLON_SOURCE_DIR) + "/app/poster.stb";

class PosterCommands : public PosterWindowFixture {
protected:
    void SetUp() override {
        PosterWindowFixture::SetUp();
        ASSERT_TRUE(testsupport::writeFile(dir.file("poster.stb"), testsupport::readFile(StartPicture)));
        create();
        boxes.clear();
    }
    void install(UniqueDib dib) { form->InstallDib(dib.release(), dir.path() + "/"); }
    const TDib& picture() const { return form->Dib.get(); }
    TMenuItem* effect(const std::string& caption) const {
        TMenuItem* items = form->EffektPopup->Items();
        for (int i = 0; i < items->Count(); ++i)
            if (items->Items(i)->Caption() == caption) return items->Items(i);
        return nullptr;
    }
    // A 24-bit picture whose pixel (x, y) is colour(x, y).
    static UniqueDib trueColour(int w, int h, const std::function<int(int, int)>& colour) {
        UniqueDib d = make(w, h, 24);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) put(d, x, y, colour(x, y));
        return d;
    }
};

}  // namespace

TEST_F(PosterCommands, EffectsApplyAfterTheQuestionAndNoRestoresThePicture) {
    ASSERT_EQ(form->EffektPopup->Items()->Count(), PosterEffectCount);
    TMenuItem* emboss = effect("Emboss");
    ASSERT_NE(emboss, nullptr);
    EXPECT_TRUE(emboss->Enabled());

    install(trueColour(20, 10, [](int, int) { return rgb(100, 150, 200); }));
    boxes.answer(IDYES);
    emboss->Click();
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "Is the result ok?");
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) ASSERT_EQ(getpixel(picture(), x, y), rgb(128, 128, 128)) << x << "," << y;

    // Answered No, the ramp comes back byte for byte.
    install(trueColour(20, 10, [](int x, int y) { return rgb(x * 12, y * 20, 7); }));
    const std::vector<BYTE> before(picture().Bits, picture().Bits + picture().LineBytes * 10);
    boxes.answer(IDNO);
    effect("Find edges")->Click();
    EXPECT_EQ(std::vector<BYTE>(picture().Bits, picture().Bits + picture().LineBytes * 10), before);
}

TEST_F(PosterCommands, APalettePictureIsRaisedToTrueColourOnlyWhenTheUserAgrees) {
    install(make(8, 8, 8, {{10, 20, 30, 0}, {200, 100, 50, 0}}));
    boxes.answer(IDNO);
    effect("Soften")->Click();
    EXPECT_EQ(DibBitCount(picture()), 8);
    EXPECT_EQ(boxes.captions().back(), "Adapt number of colors?");

    boxes.answer(IDYES);  // adapt
    boxes.answer(IDYES);  // keep the result
    effect("Soften")->Click();
    EXPECT_EQ(DibBitCount(picture()), 24);
    EXPECT_EQ(form->Tief->Caption(), "16777216");
    // Colour 0 everywhere: softened it stays (10, 20, 30).
    EXPECT_EQ(getpixel(picture(), 3, 3), rgb(10, 20, 30));
}

TEST_F(PosterCommands, FlipsKeepTheSizeAndQuarterTurnsSwapItAndResetTheMarkedRectangle) {
    install(trueColour(30, 20, [](int x, int y) { return rgb(x, y, x ^ y); }));
    const std::vector<BYTE> original(picture().Bits, picture().Bits + picture().LineBytes * 20);
    form->FlipHBtnClick(nullptr);
    EXPECT_EQ(getpixel(picture(), 0, 0), rgb(29, 0, 29));
    form->FlipHBtnClick(nullptr);
    form->FlipVBtnClick(nullptr);
    EXPECT_EQ(getpixel(picture(), 0, 0), rgb(0, 19, 19));
    form->FlipVBtnClick(nullptr);
    EXPECT_EQ(std::vector<BYTE>(picture().Bits, picture().Bits + picture().LineBytes * 20), original);

    form->Section = RECT{2, 3, 10, 12};
    form->RotLeftBtnClick(nullptr);
    EXPECT_EQ(DibWidth(picture()), 20);
    EXPECT_EQ(DibHeight(picture()), 30);
    EXPECT_EQ(form->Breit->Caption(), "20 Pixel");
    EXPECT_EQ(form->Hoch->Caption(), "30 Pixel");
    EXPECT_EQ(form->Section.right, 20);
    EXPECT_EQ(form->Section.bottom, 30);
    EXPECT_EQ(form->Section.left, 0);
    form->RotRightBtnClick(nullptr);
    EXPECT_EQ(std::vector<BYTE>(picture().Bits, picture().Bits + picture().LineBytes * 20), original);
    EXPECT_TRUE(boxes.shown().empty()) << "flips and turns ask nothing";
}

TEST_F(PosterCommands, EnhanceQualityAsksForAHigherValueAndResamplesForThePrinter) {
    install(make(100, 50, 8, {{0, 0, 0, 0}, {255, 255, 255, 0}}));
    form->BreitEd->SetValue(1);
    const poster::PrinterCaps page = poster::printerCaps(Printer()->Handle());
    ASSERT_GT(page.pageWidth, 0);
    const double inches = page.pageWidth * 1.0 / page.dpiX;
    const int q = static_cast<int>(std::trunc(100 / inches));
    const auto answerWith = [](double value) {
        QTimer::singleShot(0, [value] {
            QualityForm->QualEd->SetValue(value);
            QualityForm->SetModalResult(mrOk);
        });
    };

    // The proposed value accepted unchanged is refused and changes nothing.
    answerWith(q);
    form->MoreQualityBtnClick(nullptr);
    ASSERT_NE(QualityForm, nullptr);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "The new value for quality has to be higher than the old value!");
    EXPECT_EQ(DibWidth(picture()), 100);
    EXPECT_EQ(DibBitCount(picture()), 8);

    const double pagesDown = static_cast<double>(form->HochEd->Value());
    answerWith(150);
    form->MoreQualityBtnClick(nullptr);
    const int nw = static_cast<int>(std::trunc(150 * inches));
    EXPECT_EQ(DibWidth(picture()), nw);
    EXPECT_EQ(DibHeight(picture()), nw * 50 / 100);
    EXPECT_EQ(DibBitCount(picture()), 24);
    EXPECT_EQ(form->Tief->Caption(), "16777216");
    EXPECT_EQ(form->Breit->Caption(), std::to_string(nw) + " Pixel");
    EXPECT_DOUBLE_EQ(static_cast<double>(form->BreitEd->Value()), 1.0) << "the poster keeps its pages";
    EXPECT_DOUBLE_EQ(static_cast<double>(form->HochEd->Value()), pagesDown);

    // A value whose size passes the library's limit is refused after the depth change.
    boxes.clear();
    answerWith(99999);
    form->MoreQualityBtnClick(nullptr);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "Error when modifying the size...");
    EXPECT_EQ(DibWidth(picture()), nw);
}
