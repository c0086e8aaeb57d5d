// The slider driven by real keys, mouse drags, ruler clicks with the repeat timer and the
// wheel; its range rules, geometry, narrow and broken ranges, and how it looks.
#include "kit/KitSlider.h"

#include "KitTestSupport.h"
#include "kit/KitUtils.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

class Slider : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterKitSlider();
        form = new TForm(nullptr);
        form->SetBounds(20, 20, 320, 260);
        slider = new TKitSlider(form);
        slider->SetParent(form);
        slider->SetBounds(10, 10, 150, 40);
        slider->SetRange(1, 99);
        slider->SetValue(75);
        slider->OnChange = [this](TObject*) { ++changes; };
        slider->OnChanged = [this](TObject*) { ++changed; };
        form->Show();
        slider->SetFocus();
        changes = changed = 0;
    }
    void TearDown() override {
        delete form;
        platform::setManualTimers(false);
    }
    QWidget* widget() { return platform::windowWidget(slider->Handle()); }
    void key(Qt::Key k) { QTest::keyClick(widget(), k); }
    QPoint thumbCentre() {
        const RECT t = slider->ThumbRect();
        return QPoint((t.left + t.right) / 2, (t.top + t.bottom) / 2);
    }
    void wheel(int delta) {
        const QPoint at = thumbCentre();
        QWheelEvent e(at, widget()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget(), &e);
    }

    TForm* form = nullptr;
    TKitSlider* slider = nullptr;
    int changes = 0;
    int changed = 0;
};

}  // namespace

TEST_F(Slider, KeysStepByIncrementsRoundedToEven) {
    key(Qt::Key_Right);
    EXPECT_EQ(slider->Value(), 90);  // 10 + 10 x round(7.5)
    slider->SetValue(75);
    key(Qt::Key_Left);
    EXPECT_EQ(slider->Value(), 70);  // 10 x round(7.5) - 10
    slider->SetValue(65);
    key(Qt::Key_Right);
    EXPECT_EQ(slider->Value(), 70);  // 6.5 goes to 6
    key(Qt::Key_End);
    EXPECT_EQ(slider->Value(), 99);
    key(Qt::Key_Right);
    EXPECT_EQ(slider->Value(), 99);
    key(Qt::Key_Home);
    EXPECT_EQ(slider->Value(), 1);
    EXPECT_EQ(changed, 6);  // every step key ends a user action
    // Up and down belong to the vertical slider.
    key(Qt::Key_Up);
    EXPECT_EQ(slider->Value(), 1);
    slider->SetOrientation(soVertical);
    EXPECT_EQ(slider->Width(), 40);
    EXPECT_EQ(slider->Height(), 150);
    key(Qt::Key_Up);
    EXPECT_EQ(slider->Value(), 10);
    key(Qt::Key_Down);
    EXPECT_EQ(slider->Value(), 1);
    // Writing Value fires OnChange, never OnChanged.
    changed = changes = 0;
    slider->SetValue(50);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(changed, 0);
}

TEST_F(Slider, DraggingTheThumbReachesEveryValueAndEndsWithOneChanged) {
    QWidget* w = widget();
    const QPoint start = thumbCentre();
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, start);
    EXPECT_TRUE(slider->Tracking());
    std::set<int> seen;
    for (int x = start.x(); x >= 0; --x) {
        QTest::mouseMove(w, QPoint(x, start.y()));
        seen.insert(slider->Value());
    }
    EXPECT_EQ(slider->Value(), 1);
    for (int x = 0; x < 150; ++x) {
        QTest::mouseMove(w, QPoint(x, start.y() + 9));
        seen.insert(slider->Value());
    }
    EXPECT_EQ(slider->Value(), 99);
    EXPECT_EQ(seen.size(), 99u) << "a value was skipped";
    EXPECT_EQ(changed, 0);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(149, start.y()));
    EXPECT_FALSE(slider->Tracking());
    EXPECT_EQ(changed, 1);
    EXPECT_GT(changes, 90);
    // The thumb sits at the value's pixel: the right end of the ruler.
    EXPECT_EQ(slider->ThumbRect().right, slider->RulerOrigin().x + slider->Ruler()->Width());

    // A plain click and release elsewhere fires nothing.
    changed = 0;
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(75, 38));
    EXPECT_EQ(changed, 0);
}

TEST_F(Slider, HoldingOnTheRulerRepeatsUntilTheThumbPassesThePointer) {
    platform::setManualTimers(true);
    slider->SetValue(20);
    changes = 0;
    QWidget* w = widget();
    const QPoint at(110, thumbCentre().y());  // the pixel of about 80
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(slider->Value(), 30);  // at once
    EXPECT_TRUE(slider->TimerTracking());
    platform::advanceTime(399);
    EXPECT_EQ(slider->Value(), 30);
    platform::advanceTime(1);
    EXPECT_EQ(slider->Value(), 40);
    platform::advanceTime(4000);
    const int stopped = slider->Value();
    EXPECT_LE(slider->ThumbRect().left, at.x());
    EXPECT_GT(slider->ThumbRect().right, at.x() - 20);
    EXPECT_GE(stopped, 70);
    EXPECT_LE(stopped, 90);
    EXPECT_EQ(changed, 0);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(changed, 1);
    EXPECT_FALSE(slider->TimerTracking());
    EXPECT_EQ(platform::activeTimerCount(), 0);
    // Left of the thumb steps down.
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(8, at.y()));
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(8, at.y()));
    EXPECT_EQ(slider->Value(), 10 * static_cast<int>(std::nearbyint(stopped / 10.0)) - 10);
    EXPECT_EQ(changed, 2);
}

TEST_F(Slider, TheWheelStepsUpAndDown) {
    wheel(120);
    EXPECT_EQ(slider->Value(), 90);
    wheel(-120);
    EXPECT_EQ(slider->Value(), 80);
    wheel(-120);
    EXPECT_EQ(slider->Value(), 70);
    EXPECT_EQ(changed, 3);
}

TEST_F(Slider, RangeAndIncrementRules) {
    slider->SetRange(0, 100);
    slider->SetMaxValue(5);
    EXPECT_EQ(slider->Increment(), 5);
    EXPECT_EQ(slider->Value(), 5);
    slider->SetMinValue(5);  // an empty range is ignored
    EXPECT_EQ(slider->MinValue(), 0);
    EXPECT_EQ(kittest::messageOf<EInvalidOperation>([&] { slider->SetIncrement(6); }),
              "Wert muß zwischen 1 und 5 liegen");
    EXPECT_EQ(kittest::messageOf<EInvalidOperation>([&] { slider->SetIncrement(0); }),
              "Wert muß zwischen 1 und 5 liegen");
    slider->SetValue(-7);
    EXPECT_EQ(slider->Value(), 0);
    slider->SetEdgeSize(5);  // twice of it is not below the ruler picture's 10 pixels
    EXPECT_EQ(slider->EdgeSize(), 2);
    slider->SetEdgeSize(4);
    EXPECT_EQ(slider->EdgeSize(), 4);
}

TEST_F(Slider, NarrowSlidersAndBrokenRangesRaiseNothing) {
    slider->SetBounds(10, 10, 10, 40);  // shorter than the thumb
    QWidget* w = widget();
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(5, 14));
    for (int x = 0; x < 10; ++x) QTest::mouseMove(w, QPoint(x, 14));
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(9, 14));
    EXPECT_EQ(slider->GetValueByOffset(8), slider->MinValue());
    EXPECT_EQ(slider->ThumbRect().left, slider->RulerOrigin().x);
    (void)widget()->grab();

    // A layout may bring any range; the slider then stays at its origin with no points.
    form->SetName("SliderForm");
    ReadComponentText("object SliderForm: TForm\n"
                      "  object Broken: TKitSlider\n"
                      "    Left = 10\n"
                      "    Top = 100\n"
                      "    MinValue = 50\n"
                      "    MaxValue = 50\n"
                      "    Value = 50\n"
                      "  end\n"
                      "end\n",
                      form);
    auto* broken = qobject_cast<TKitSlider*>(form->FindComponent("Broken"));
    ASSERT_TRUE(broken);
    EXPECT_EQ(broken->MinValue(), 50);
    EXPECT_EQ(broken->MaxValue(), 50);
    EXPECT_EQ(broken->ThumbRect().left, broken->RulerOrigin().x);
    EXPECT_EQ(broken->GetValueByOffset(100), 50);
    const QImage img = platform::windowWidget(broken->Handle())->grab().toImage();
    EXPECT_FALSE(img.isNull());
}

TEST_F(Slider, ScreenshotOfEachOrientationAndKind) {
    form->SetBounds(20, 20, 420, 300);
    auto add = [&](int x, int y, int w, int h, TSliderOrientation o) {
        auto* s = new TKitSlider(form);
        s->SetParent(form);
        s->SetOrientation(o);
        s->SetBounds(x, y, w, h);
        return s;
    };
    TKitSlider* quality = add(180, 10, 220, 40, soHorizontal);
    quality->SetRange(1, 99);
    quality->SetValue(75);
    TKitSlider* persp = add(180, 60, 220, 40, soHorizontal);
    persp->SetRange(-100, 100);
    persp->SetIncrement(1);
    persp->SetValue(-40);
    persp->SetBevelStyle(TCustomPanel::bvLowered);
    TKitSlider* off = add(180, 110, 220, 40, soHorizontal);
    off->SetValue(30);
    off->SetEnabled(false);
    off->SetBevelStyle(TCustomPanel::bvRaised);
    TKitSlider* vert = add(20, 70, 40, 180, soVertical);
    vert->SetValue(60);
    TKitSlider* vert2 = add(80, 70, 40, 180, soVertical);
    vert2->SetValue(20);
    vert2->SetOptions(TSliderOptions(soShowPoints));
    vert2->SetBevelStyle(TCustomPanel::bvLowered);
    slider->SetValue(50);
    quality->SetFocus();
    QApplication::processEvents();
    const QImage shot = platform::windowWidget(form->Handle())->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const QString dir = QDir::current().absoluteFilePath("screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(shot.save(dir + "/kit-sliders.png"));

    // The -100..100 slider by ones draws its points at least 4 pixels apart.
    const QImage p = platform::windowWidget(persp->Handle())->grab().toImage();
    const RECT pr = persp->PointsRect();
    std::vector<int> ticks;
    for (int x = pr.left; x < pr.right + 10 && x < p.width(); ++x)
        if (qGray(p.pixel(x, pr.top + 1)) < 60) ticks.push_back(x);
    ASSERT_GE(ticks.size(), 5u);
    for (std::size_t i = 1; i < ticks.size(); ++i) EXPECT_GE(ticks[i] - ticks[i - 1], 4) << i;
    // The thumb is drawn at its rectangle over the ruler.
    const RECT t = quality->ThumbRect();
    const QImage q = platform::windowWidget(quality->Handle())->grab().toImage();
    EXPECT_EQ(QColor(q.pixel(t.left, t.top)).rgb() & 0xFFFFFF, 0xFFFFFFu);  // highlight corner
    EXPECT_EQ(QColor(q.pixel(t.right - 1, t.top)).rgb() & 0xFFFFFF, 0u);    // black edge
}

TEST_F(Slider, ReplacedImagesAreStoredAndTheBuiltInOnesAreNot) {
    form->SetName("SliderForm");
    slider->SetName("Quality");
    String text = WriteComponentText(form);
    EXPECT_EQ(text.find("UserImages"), String::npos) << text;
    EXPECT_EQ(text.find("ImageHThumb"), String::npos) << text;

    TBitmap thumb;
    thumb.SetSize(12, 20);
    thumb.Canvas()->Brush()->SetColor(clRed);
    thumb.Canvas()->FillRect(RECT{0, 0, 12, 20});
    slider->SetImageHThumb(&thumb);
    EXPECT_EQ(slider->ThumbRect().right - slider->ThumbRect().left, 6);  // two states side by side
    slider->SetNumThumbStates(1);
    EXPECT_EQ(slider->ThumbRect().right - slider->ThumbRect().left, 12);
    text = WriteComponentText(form);
    EXPECT_NE(text.find("UserImages"), String::npos) << text;
    EXPECT_NE(text.find("ImageHThumb"), String::npos) << text;
    EXPECT_EQ(text.find("ImageHRuler"), String::npos) << text;

    // No picture goes back to the built-in one and drops the opaque look.
    slider->SetOptions(TSliderOptions(soShowPoints | soThumbOpaque));
    slider->SetImageHThumb(nullptr);
    EXPECT_EQ(slider->ImageHThumb()->Width(), 18);
    EXPECT_FALSE(slider->Options().testFlag(soThumbOpaque));
    EXPECT_EQ(WriteComponentText(form).find("UserImages"), String::npos);
}

TEST_F(Slider, TheHandCursorShowsOverTheThumb) {
    ASSERT_NE(Screen->Cursors(crKitHand), nullptr);
    ASSERT_NE(Screen->Cursors(crKitDrag), nullptr);
    EXPECT_NE(Screen->Cursors(crKitHand), Screen->Cursors(crDefault));
    QTest::mouseMove(widget(), thumbCentre());
    EXPECT_EQ(GetCursor(), Screen->Cursors(crKitHand));
    QTest::mouseMove(widget(), QPoint(2, 2));
    EXPECT_NE(GetCursor(), Screen->Cursors(crKitHand));
}

TEST_F(Slider, TheRulerIsTiledFromThePictureWithItsEdgesAtBothEnds) {
    for (int width : {150, 37, 19, 12}) {
        slider->SetBounds(10, 10, width, 40);
        TBitmap* ruler = slider->Ruler();
        TBitmap* img = slider->ImageHRuler();
        ASSERT_EQ(ruler->Width(), std::max(0, width - 12)) << width;
        ASSERT_EQ(ruler->Height(), img->Height());
        const int w = ruler->Width(), iw = img->Width(), edge = slider->EdgeSize();
        for (int y = 0; y < img->Height(); ++y) {
            for (int x = 0; x < std::min(edge, w); ++x) {
                EXPECT_EQ(ruler->Canvas()->Pixel(x, y), img->Canvas()->Pixel(x, y)) << width << " left " << x;
            }
            if (w >= iw) {
                for (int x = 0; x < edge; ++x) {
                    EXPECT_EQ(ruler->Canvas()->Pixel(w - 1 - x, y), img->Canvas()->Pixel(iw - 1 - x, y))
                        << width << " right " << x;
                }
            }
            for (int x = edge; x < w - edge; ++x) {  // the middle repeats the picture's middle
                EXPECT_EQ(ruler->Canvas()->Pixel(x, y), img->Canvas()->Pixel(edge + (x - edge) % (iw - 2 * edge), y))
                    << width << " middle " << x;
            }
        }
    }
}
