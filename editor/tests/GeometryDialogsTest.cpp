// The geometry dialogs driven by real Qt events: the perspective outline and its two
// coupled strength controls, the curve's strength of 0, the rotation choices with and
// without a selection, symmetric edges, canvas centring and the new-size commands.
#include "editor/DocumentOps.h"
#include "editor/EditorDialogs.h"
#include "editor/Geometry.h"
#include "editor/GeometryDialogs.h"
#include "editor/tests/DialogTestSupport.h"

#include "poster/FlipTurn.h"
#include "poster/PictureDialogs.h"

#include <gtest/gtest.h>

using namespace opstest2;
using namespace dlgtest;

namespace {

UniqueDib colourful(int w, int h) {
    return truecolour(w, h, [](int x, int y) { return rgb(x * 13 % 256, y * 29 % 256, (x * y * 7 + 40) % 256); });
}

std::vector<std::pair<int, int>> points(const std::vector<POINT>& p) {
    std::vector<std::pair<int, int>> out;
    for (const POINT& q : p) out.emplace_back(q.x, q.y);
    return out;
}

class GeometryDialogs : public ::testing::Test {
protected:
    void SetUp() override { forgetStoredDialogs(); }
    TComponent owner{nullptr};
};

}  // namespace

TEST(PerspectiveOutline, FollowsStrengthDirectionAndMode) {
    using P = std::vector<std::pair<int, int>>;
    // Strength 0 in perspective mode: the box's own rectangle.
    EXPECT_EQ(points(TPerspForm::Outline(110, 80, 0, true, true)), (P{{109, 0}, {0, 0}, {0, 79}, {109, 79}, {109, 0}}));
    // The right edge shrinks by (80 div 2) x 50 div 100 = 20 at both ends.
    EXPECT_EQ(points(TPerspForm::Outline(110, 80, 50, true, true)), (P{{109, 20}, {0, 0}, {0, 79}, {109, 59}, {109, 20}}));
    // Negative: the left edge shrinks.
    EXPECT_EQ(points(TPerspForm::Outline(110, 80, -50, true, true)), (P{{0, 20}, {109, 0}, {109, 79}, {0, 59}, {0, 20}}));
    // Vertical: (110 div 2) x 33 div 100 = 18.
    EXPECT_EQ(points(TPerspForm::Outline(110, 80, 33, true, false)), (P{{18, 79}, {0, 0}, {109, 0}, {91, 79}, {18, 79}}));
    EXPECT_EQ(points(TPerspForm::Outline(110, 80, -33, true, false)), (P{{18, 0}, {0, 79}, {109, 79}, {91, 0}, {18, 0}}));
    // Slant: d = 110 x 50 div 200 = 27, and vertically 80 x -50 div 200 = -20.
    EXPECT_EQ(points(TPerspForm::Outline(110, 80, 50, false, true)), (P{{27, 0}, {137, 0}, {83, 79}, {-27, 79}, {27, 0}}));
    EXPECT_EQ(points(TPerspForm::Outline(110, 80, -50, false, false)), (P{{0, -20}, {0, 60}, {109, 100}, {109, 20}, {0, -20}}));
}

TEST_F(GeometryDialogs, PerspectiveCouplesItsControlsRepaintsTheOutlineAndPreviewsLive) {
    OpsDoc d(colourful(20, 12));
    d.doc.Color2 = rgb(1, 2, 3);
    const std::vector<BYTE> original = everything(d.doc.Dib.get());
    std::vector<BYTE> previewed;
    whenShown([&] {
        TPerspForm* f = owned<TPerspForm>(&owner);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->StarkED1->Value(), 50);
        EXPECT_EQ(f->StarkEd2->Text(), "50");
        EXPECT_TRUE(f->HorzCheck->Checked());
        EXPECT_TRUE(f->PerspCheck->Checked());
        f->StarkED1->SetFocus();
        key(f->StarkED1, Qt::Key_Right);
        EXPECT_EQ(f->StarkEd2->Text(), "51") << "the slider sets the number box";
        type(f->StarkEd2, "-30");
        EXPECT_EQ(f->StarkED1->Value(), -30) << "the number box sets the slider";
        click(f->VertCheck);
        EXPECT_TRUE(f->VertCheck->Checked());
        // The outline box shows the vertical perspective of -30: its top edge shrinks by
        // (W div 2) x 30 div 100 at each end.
        QImage panel = widget(f->OutlinePanel)->grab().toImage();
        const int w = f->PaintBox1->Width(), h = f->PaintBox1->Height(), a = (w / 2) * 30 / 100;
        const QPoint at(f->PaintBox1->Left(), f->PaintBox1->Top());
        EXPECT_EQ(panel.pixel(at + QPoint(a, 0)) & 0xFFFFFF, 0u) << "top-left corner of the outline";
        EXPECT_EQ(panel.pixel(at + QPoint(a - 3, 0)) & 0xFFFFFF, 0xFFFFFFu) << "outside the outline";
        EXPECT_EQ(panel.pixel(at + QPoint(0, h - 1)) & 0xFFFFFF, 0u);
        type(f->StarkEd2, "-300");  // past the range: -100 is used
        click(f->VschauBitBtn4);
        previewed = everything(d.doc.Dib.get());
        click(f->CancelBitBtn2);
    });
    EXPECT_FALSE(editordialogs::Perspective(d.doc, &owner));
    EXPECT_EQ(everything(d.doc.Dib.get()), original);
    UniqueDib want = edtest::copyOf(d.doc.Dib.get());
    Perspektive(want.get(), d.doc.Dib.get(), -100, true, false, rgb(1, 2, 3));
    UniqueDib shown = edtest::copyOf(d.doc.Dib.get());
    std::memcpy(shown.get().Bits, previewed.data(), shown.get().Info->bmiHeader.biSizeImage);
    EXPECT_TRUE(edtest::samePixels(shown.get(), want.get())) << "the preview used -100";
    EXPECT_EQ(d.doc.UndoCount, 0);

    whenShown([&] {
        TPerspForm* f = owned<TPerspForm>(&owner);
        EXPECT_TRUE(f->VertCheck->Checked()) << "stored";
        click(f->SkewCheck);
        click(f->BacksetBitBtn3);
        EXPECT_EQ(f->StarkEd2->Text(), "0");
        type(f->StarkEd2, "40");
        click(f->OkBitBtn1);
    });
    EXPECT_TRUE(editordialogs::Perspective(d.doc, &owner));
    want = edtest::copyOf(d.doc.UndoSlots[0].Picture.get());
    Perspektive(want.get(), d.doc.UndoSlots[0].Picture.get(), 40, false, false, rgb(1, 2, 3));
    EXPECT_TRUE(edtest::samePixels(d.doc.Dib.get(), want.get()));
    EXPECT_EQ(d.doc.UndoCount, 1);
    EXPECT_EQ(stored("TPerspForm", "StarkED1_Value"), "40");
    EXPECT_EQ(stored("TPerspForm", "SkewCheck_Checked"), "True");
}

TEST_F(GeometryDialogs, CurveWithStrengthZeroPreviewsWithAHundredthAndShowsIt) {
    OpsDoc d(colourful(15, 9));
    whenShown([&] {
        TWoelbenForm* f = owned<TWoelbenForm>(&owner);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->StarkED2->Text(), "1.40");
        EXPECT_TRUE(f->BothCheck->Checked());
        type(f->StarkED2, "0");
        click(f->HorzCheck);
        click(f->VschauBitBtn4);
        EXPECT_EQ(f->StarkED2->Text(), "0.01");
        click(f->OkBitBtn1);
    });
    EXPECT_TRUE(editordialogs::Curve(d.doc, &owner));
    UniqueDib want = edtest::copyOf(d.doc.UndoSlots[0].Picture.get());
    Woelben(want.get(), d.doc.UndoSlots[0].Picture.get(), true, false, 0.01);
    EXPECT_TRUE(edtest::samePixels(d.doc.Dib.get(), want.get()));
    EXPECT_EQ(stored("TWoelbenForm", "HorzCheck_Checked"), "True");
}

TEST_F(GeometryDialogs, RotateTurnsByTheChosenQuarterOrAngle) {
    OpsDoc d(colourful(7, 4));
    UniqueDib start = edtest::copyOf(d.doc.Dib.get());
    auto rotate = [&](std::function<void(TRotateForm*)> choose) {
        whenShown([&] {
            TRotateForm* f = owned<TRotateForm>(&owner);
            ASSERT_NE(f, nullptr);
            choose(f);
            click(f->OKBtn);
        });
        return editordialogs::Rotate(d.doc, &owner);
    };
    // "270" with "Right" chosen turns a quarter to the left.
    ASSERT_TRUE(rotate([](TRotateForm* f) {
        EXPECT_TRUE(f->FreiGradCheck->Checked());
        EXPECT_TRUE(f->RotLeftCheck->Checked());
        EXPECT_EQ(f->GradEdit->Text(), "45.00");
        EXPECT_TRUE(f->InterpolCheck->Enabled()) << "a 24-bit picture";
        click(f->RotRightCheck);
        click(f->Grad270Check);
    }));
    UniqueDib left = RotLeftDib(start.get());
    EXPECT_TRUE(edtest::samePixels(d.doc.Dib.get(), left.get()));
    ASSERT_TRUE(rotate([](TRotateForm* f) {
        EXPECT_TRUE(f->Grad270Check->Checked()) << "stored";
        click(f->Grad90Check);
    }));
    EXPECT_TRUE(edtest::samePixels(d.doc.Dib.get(), start.get())) << "then 90 to the right turns it back";
    // A free angle of 90 degrees to the left is the quarter turn to the left.
    ASSERT_TRUE(rotate([](TRotateForm* f) {
        click(f->RotLeftCheck);
        click(f->FreiGradCheck);
        type(f->GradEdit, "90");
    }));
    EXPECT_EQ(DibWidth(d.doc.Dib.get()), 4);
    EXPECT_TRUE(edtest::samePixels(d.doc.Dib.get(), left.get()));
    // Typed 400 is used as 359.99; 0 as 0.01: both leave a picture of about the old size.
    ASSERT_TRUE(rotate([](TRotateForm* f) { type(f->GradEdit, "0"); }));
    EXPECT_EQ(DibWidth(d.doc.Dib.get()), 4);
    EXPECT_EQ(d.doc.UndoCount, 3);
}

TEST_F(GeometryDialogs, RotateTurnsASelectionAsAFloatingPicture) {
    OpsDoc d(colourful(12, 10));
    d.doc.Color2 = rgb(9, 9, 9);
    d.selectBox(2, 1, 5, 2);  // 4 x 2
    const int inside = d.pixel(2, 1);
    whenShown([&] {
        TRotateForm* f = owned<TRotateForm>(&owner);
        click(f->RotRightCheck);
        click(f->Grad90Check);
        click(f->OKBtn);
    });
    ASSERT_TRUE(editordialogs::Rotate(d.doc, &owner));
    EXPECT_TRUE(d.doc.DragActive);
    EXPECT_EQ(DibWidth(d.doc.FloatDib.get()), 2);
    EXPECT_EQ(DibHeight(d.doc.FloatDib.get()), 4);
    EXPECT_EQ(d.doc.SelBounds.left, 2);
    EXPECT_EQ(d.doc.SelBounds.top, 1);
    EXPECT_EQ(d.doc.SelBounds.right, 3);
    EXPECT_EQ(d.doc.SelBounds.bottom, 4);
    // Turned right, the old top-left pixel lies at the top-right.
    EXPECT_EQ(d.pixel(3, 1), inside);
    EXPECT_EQ(d.doc.UndoCount, 1);
    EXPECT_EQ(DibWidth(d.doc.Dib.get()), 12) << "the picture keeps its size";

    // A free angle keeps the selection's centre.
    whenShown([&] {
        TRotateForm* f = owned<TRotateForm>(&owner);
        click(f->FreiGradCheck);
        type(f->GradEdit, "45");
        click(f->OKBtn);
    });
    ASSERT_TRUE(editordialogs::Rotate(d.doc, &owner));
    const RECT& b = d.doc.SelBounds;
    EXPECT_NEAR((b.left + b.right) / 2.0, 2.5, 1.0);
    EXPECT_NEAR((b.top + b.bottom) / 2.0, 2.5, 1.0);
    EXPECT_GT(d.doc.SelActive, 0);
}

TEST_F(GeometryDialogs, AddEdgeCopiesSymmetricallyAndDoesNothingForZeros) {
    OpsDoc d(colourful(5, 3));
    d.doc.Color2 = rgb(0, 0, 255);
    whenShown([&] {
        TAddBForm* f = owned<TAddBForm>(&owner);
        ASSERT_NE(f, nullptr);
        click(f->OKBtn);
    });
    EXPECT_FALSE(editordialogs::AddEdge(d.doc, &owner)) << "all four 0";
    EXPECT_EQ(d.doc.UndoCount, 0);

    whenShown([&] {
        TAddBForm* f = owned<TAddBForm>(&owner);
        click(f->SymCheck);
        EXPECT_TRUE(f->SymCheck->Checked());
        type(f->LeftEdit, "12");
        for (TKitSpinEdit* e : {f->TopEdit, f->BottomEdit, f->LeftEdit, f->RightEdit}) EXPECT_EQ(e->Text(), "12");
        type(f->TopEdit, "2");
        EXPECT_EQ(f->RightEdit->Text(), "2");
        click(f->OKBtn);
    });
    ASSERT_TRUE(editordialogs::AddEdge(d.doc, &owner));
    EXPECT_EQ(DibWidth(d.doc.Dib.get()), 9);
    EXPECT_EQ(DibHeight(d.doc.Dib.get()), 7);
    EXPECT_EQ(d.pixel(0, 0), rgb(0, 0, 255));
    EXPECT_EQ(d.pixel(2, 2), getpixel(d.doc.UndoSlots[0].Picture.get(), 0, 0));
    EXPECT_EQ(stored("TAddBForm", "SymCheck_Checked"), "True");

    whenShown([&] {
        TAddBForm* f = owned<TAddBForm>(&owner);
        EXPECT_TRUE(f->SymCheck->Checked()) << "stored";
        click(f->SymCheck);
        type(f->TopEdit, "1");
        EXPECT_EQ(f->BottomEdit->Text(), "0");
        type(f->RightEdit, "-7");  // held to 0
        click(f->OKBtn);
    });
    ASSERT_TRUE(editordialogs::AddEdge(d.doc, &owner));
    EXPECT_EQ(DibWidth(d.doc.Dib.get()), 9);
    EXPECT_EQ(DibHeight(d.doc.Dib.get()), 8);
}

TEST_F(GeometryDialogs, CanvasSizeCentresRoundingHalvesToEvenAndKeepsSmallPictures) {
    OpsDoc d(colourful(640, 2));
    whenShown([&] {
        TCanvasSForm* f = owned<TCanvasSForm>(&owner);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->OldBreitLabel->Caption(), "640");
        EXPECT_EQ(f->OldHochLabel->Caption(), "2");
        EXPECT_EQ(f->BreitEdit->Text(), "640");
        EXPECT_EQ(f->HochEdit->Text(), "2") << "not raised to 200";
        type(f->BreitEdit, "700");
        EXPECT_EQ(f->LeftEdit->Text(), "30");
        type(f->BreitEdit, "641");
        EXPECT_EQ(f->LeftEdit->Text(), "0") << "0.5 goes to the even neighbour";
        type(f->BreitEdit, "643");
        EXPECT_EQ(f->LeftEdit->Text(), "2") << "1.5 goes to 2";
        type(f->HochEdit, "6");
        EXPECT_EQ(f->TopEdit->Text(), "2");
        click(f->CancelBtn);
    });
    EXPECT_FALSE(editordialogs::ModifyCanvasSize(d.doc, &owner));

    OpsDoc small(colourful(10, 8));
    whenShown([&] { click(owned<TCanvasSForm>(&owner)->OKBtn); });
    ASSERT_TRUE(editordialogs::ModifyCanvasSize(small.doc, &owner));
    EXPECT_EQ(DibWidth(small.doc.Dib.get()), 10) << "OK without a change keeps the size";
    EXPECT_EQ(DibHeight(small.doc.Dib.get()), 8);
    EXPECT_TRUE(edtest::samePixels(small.doc.Dib.get(), small.doc.UndoSlots[0].Picture.get()));

    // Without centring, negative offsets cut the picture.
    whenShown([&] {
        TCanvasSForm* f = owned<TCanvasSForm>(&owner);
        click(f->ZentHCheck);
        click(f->ZentVCheck);
        type(f->BreitEdit, "4");
        type(f->HochEdit, "3");
        type(f->LeftEdit, "-2");
        type(f->TopEdit, "-1");
        click(f->OKBtn);
    });
    ASSERT_TRUE(editordialogs::ModifyCanvasSize(small.doc, &owner));
    EXPECT_EQ(DibWidth(small.doc.Dib.get()), 4);
    EXPECT_EQ(small.pixel(0, 0), getpixel(small.doc.UndoSlots[1].Picture.get(), 2, 1));
    EXPECT_EQ(stored("TCanvasSForm", "ZentHCheck_Checked"), "False");
}

TEST_F(GeometryDialogs, ModifySizeTakesTypedZeroAsOnePixel) {
    OpsDoc d(colourful(40, 30));
    whenShown([&] {
        TResizeForm* f = owned<TResizeForm>(&owner);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->BreitEdit->Text(), "40");
        EXPECT_TRUE(f->InterpolCheck->Enabled());
        click(f->SverhCheck);  // ratio off
        EXPECT_FALSE(f->SverhCheck->Checked());
        type(f->BreitEdit, "0");
        key(f->BreitEdit, Qt::Key_Return);
    });
    ASSERT_TRUE(editordialogs::ModifySize(d.doc, &owner));
    EXPECT_EQ(DibWidth(d.doc.Dib.get()), 1);
    EXPECT_EQ(DibHeight(d.doc.Dib.get()), 30);
    EXPECT_EQ(d.doc.UndoCount, 1);
}
