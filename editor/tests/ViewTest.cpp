// The document view on the offscreen platform, driven by real Qt mouse events and the
// platform's manual timers, its pictures grabbed from the window and compared pixel by pixel.
#include "editor/ChildFrame.h"
#include "editor/tests/EditorTestSupport.h"
#include "platform/winuser.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

using namespace edtest;

namespace {

QRgb rgbOf(int packed) { return qRgb(packed & 0xFF, (packed >> 8) & 0xFF, (packed >> 16) & 0xFF); }

class EditorView : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setManualTimers(true);
        form.reset(new TForm(nullptr));
        form->SetBounds(0, 0, 420, 320);
        view = new TMDIChild(form.get());
        view->SetParent(form.get());
        view->SetAlign(alClient);
        view->SetWindowLink(&window);
        form->Show();
    }
    void TearDown() override {
        form.reset();
        platform::setManualTimers(false);
    }

    void install(UniqueDib picture) {
        view->ReplacePicture(std::move(picture));
        view->Color2 = 0xFFFFFF;
    }
    QWidget* boxWidget() { return platform::windowWidget(view->ScrollBox1->Handle()); }
    // Client point of the scroll box as a point of its widget.
    QPoint at(int x, int y) {
        POINT p{0, 0};
        ClientToScreen(view->ScrollBox1->Handle(), &p);
        return boxWidget()->mapFromGlobal(QPoint(p.x, p.y)) + QPoint(x, y);
    }
    // The scroll box's client area as shown.
    QImage shot() {
        const QImage all = boxWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        return all.copy(QRect(at(0, 0), QSize(view->ScrollBox1->ClientWidth(), view->ScrollBox1->ClientHeight())));
    }
    // The view pixel (x, y) of the client area should show picture pixel (px, py).
    ::testing::AssertionResult showsPicture(const QImage& s, int num, int den) {
        const int h = view->ScrollBox1->HorzScrollBar()->Position(), v = view->ScrollBox1->VertScrollBar()->Position();
        const TDib& d = view->Dib.get();
        const int w = std::min(s.width(), view->PaintBox1->Width() - h);
        const int hh = std::min(s.height(), view->PaintBox1->Height() - v);
        for (int y = 0; y < hh; ++y)
            for (int x = 0; x < w; ++x) {
                const long long px = static_cast<long long>(x + h) * den / num, py = static_cast<long long>(y + v) * den / num;
                const QRgb want = rgbOf(getpixel(d, static_cast<int>(px), static_cast<int>(py)));
                if ((s.pixel(x, y) & 0xFFFFFF) != (want & 0xFFFFFF))
                    return ::testing::AssertionFailure() << "view (" << x << ", " << y << ") shows " << std::hex
                                                         << s.pixel(x, y) << " instead of picture (" << std::dec << px
                                                         << ", " << py << ")";
            }
        return ::testing::AssertionSuccess();
    }

    TestWindow window;
    std::unique_ptr<TForm> form;
    TMDIChild* view = nullptr;
};

// A picture with detail at every pixel: colours change with x and y separately.
UniqueDib detailed(int w, int h) {
    return makePicture(w, h, 24, [](int x, int y) { return (x * 5 & 0xFF) | (y * 9 & 0xFF) << 8 | ((x ^ y) & 0xFF) << 16; });
}

}  // namespace

TEST_F(EditorView, ShowsThePictureAtTwoToOneAndOneToTwo) {
    install(detailed(300, 260));
    ASSERT_EQ(view->PaintBox1->Width(), 300);
    EXPECT_TRUE(showsPicture(shot(), 1, 1));
    view->ZoomIn(250, 200);
    ASSERT_EQ(view->ZoomNum, 2);
    EXPECT_EQ(view->PaintBox1->Width(), 600);
    EXPECT_GT(view->ScrollBox1->HorzScrollBar()->Position(), 0);
    EXPECT_TRUE(showsPicture(shot(), 2, 1));
    view->ZoomOut(0, 0);
    view->ZoomOut(0, 0);
    ASSERT_EQ(view->ZoomDen, 2);
    EXPECT_EQ(view->PaintBox1->Width(), 150);
    const QImage s = shot();
    EXPECT_TRUE(showsPicture(s, 1, 2));
    // Beside the picture the scroll box's own colour shows.
    EXPECT_EQ(s.pixel(200, 200) & 0xFFFFFF, rgbOf(static_cast<int>(ColorToRGB(clBtnFace))) & 0xFFFFFF);
    // 8-, 4- and 1-bit pictures at 2:1.
    for (int bits : {8, 4, 1}) {
        view->ZoomNum = view->ZoomDen = 1;
        install(makePicture(90, 70, bits, [bits](int x, int y) { return (x / 3 + y) % (1 << bits); }));
        view->ZoomIn(0, 0);
        const TDib& d = view->Dib.get();
        const QImage z = shot();
        for (int y = 0; y < 140; y += 3)
            for (int x = 0; x < 180; x += 3) {
                const PALETTEENTRY& e = d.Palette.palPalEntry[getpixel(d, x / 2, y / 2)];
                ASSERT_EQ(z.pixel(x, y) & 0xFFFFFF, qRgb(e.peRed, e.peGreen, e.peBlue) & 0xFFFFFF) << bits << " bits";
            }
    }
}

TEST_F(EditorView, AWidePictureAtSixteenToOneScrolledToItsBottomRightCorner) {
    install(detailed(32767, 48));
    for (int i = 0; i < 15; ++i) view->ZoomIn(view->PicToView(32766), view->PicToView(47));
    ASSERT_EQ(view->ZoomNum, 16);
    EXPECT_EQ(view->PaintBox1->Width(), 524272);
    TControlScrollBar* hb = view->ScrollBox1->HorzScrollBar();
    TControlScrollBar* vb = view->ScrollBox1->VertScrollBar();
    EXPECT_EQ(hb->Position(), hb->MaxPosition());
    EXPECT_EQ(vb->Position(), vb->MaxPosition());
    EXPECT_EQ(hb->Position() + view->ScrollBox1->ClientWidth(), 524272);
    const QImage s = shot();
    EXPECT_TRUE(showsPicture(s, 16, 1));
    EXPECT_EQ(s.pixel(s.width() - 1, s.height() - 1) & 0xFFFFFF,
              rgbOf(getpixel(view->Dib.get(), 32766, 47)) & 0xFFFFFF);
    // The mouse reaches the paint box far beyond 16-bit coordinates.
    window.Tool = TEditorTool::Select;
    QWidget* w = boxWidget();
    const int cw = view->ScrollBox1->ClientWidth(), ch = view->ScrollBox1->ClientHeight();
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, at(cw - 80, ch - 64));
    QTest::mouseMove(w, at(cw - 16, ch - 16));
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, at(cw - 16, ch - 16));
    EXPECT_EQ(view->SelBounds.left, (hb->Position() + cw - 80) / 16);
    EXPECT_EQ(view->SelBounds.right, (hb->Position() + cw - 17) / 16);
    EXPECT_EQ(view->SelBounds.bottom, 46);
    EXPECT_GT(view->SelBounds.left, 32700);
}

TEST_F(EditorView, ASelectionDraggedWithTheMouseAndMovedAsAFloat) {
    install(detailed(200, 150));
    UniqueDib original = copyOf(view->Dib.get());
    window.Tool = TEditorTool::Select;
    QWidget* w = boxWidget();
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, at(20, 30));
    EXPECT_EQ(view->ToolState, 4);
    EXPECT_EQ(GetCapture(), view->ScrollBox1->Handle());
    QTest::mouseMove(w, at(40, 45));
    QTest::mouseMove(w, at(60, 70));
    EXPECT_EQ(view->Feedback.Kind, TFeedback::Rectangle);
    // The rubber band inverts the picture along its edges.
    QImage s = shot();
    EXPECT_EQ(s.pixel(40, 30) & 0xFFFFFF, ~rgbOf(getpixel(original.get(), 40, 30)) & 0xFFFFFF);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, at(60, 70));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(view->SelBounds.left, 20);
    EXPECT_EQ(view->SelBounds.top, 30);
    EXPECT_EQ(view->SelBounds.right, 59);
    EXPECT_EQ(view->SelBounds.bottom, 69);
    // The ants stand on the outline; inside, the picture.
    s = shot();
    EXPECT_EQ(s.pixel(25, 30) & 0xFFFFFF, 0xFFFFFFu);  // (25 div 5 + 30 div 5) odd: white
    EXPECT_EQ(s.pixel(30, 30) & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(s.pixel(35, 40) & 0xFFFFFF, rgbOf(getpixel(original.get(), 35, 40)) & 0xFFFFFF);
    // Pressed inside, the selection is lifted and follows the mouse.
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, at(30, 40));
    EXPECT_EQ(view->ToolState, 98);
    QTest::mouseMove(w, at(100, 90));
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, at(100, 90));
    EXPECT_TRUE(view->DragActive);
    EXPECT_EQ(view->FloatHome.x, 90);
    EXPECT_EQ(view->FloatHome.y, 80);
    s = shot();
    EXPECT_EQ(s.pixel(95, 85) & 0xFFFFFF, rgbOf(getpixel(original.get(), 25, 35)) & 0xFFFFFF);
    EXPECT_EQ(s.pixel(25, 35) & 0xFFFFFF, 0xFFFFFFu);  // cut out: colour 2
    EXPECT_EQ(view->UndoCount, 2);
    // Shift held over the picture: the select tool's adding cursor, at once.
    QTest::mouseMove(w, at(10, 140));
    EXPECT_EQ(view->PaintBox1->Cursor(), 7);
    QTest::keyPress(w, Qt::Key_Shift);
    EXPECT_EQ(view->PaintBox1->Cursor(), 15);
    QTest::keyRelease(w, Qt::Key_Shift);
    EXPECT_EQ(view->PaintBox1->Cursor(), 7);
    // Beside the picture the status shows the picture.
    QTest::mouseMove(w, at(300, 200));
    EXPECT_EQ(window.Status[1], "Picture: 200 x 150 x 16777216 - 87 KByte");
}

TEST_F(EditorView, MarchingAntsAreDrawnByTheTimerFromTheKeptPicture) {
    install(detailed(120, 100));
    view->SelectShape(10, 10, 49, 39, 0, 0);
    view->PaintBox1Paint(view);
    QImage s = shot();
    // Phase 0 along the top edge: (x div 5 + 10 div 5) odd is white.
    EXPECT_EQ(s.pixel(15, 10) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(s.pixel(20, 10) & 0xFFFFFF, 0x000000u);
    const int draws = view->PictureDraws();
    platform::advanceTime(250);
    EXPECT_EQ(view->AntsPhase, 1);
    s = shot();
    EXPECT_EQ(s.pixel(14, 10) & 0xFFFFFF, 0xFFFFFFu);  // the dashes moved one pixel
    EXPECT_EQ(s.pixel(19, 10) & 0xFFFFFF, 0x000000u);
    platform::advanceTime(250 * 4);
    EXPECT_EQ(view->AntsPhase, 5);
    s = shot();
    EXPECT_EQ(s.pixel(15, 10) & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(view->PictureDraws(), draws);  // ticks draw the ants over the kept picture
    EXPECT_EQ(s.pixel(30, 30) & 0xFFFFFF, rgbOf(getpixel(view->Dib.get(), 30, 30)) & 0xFFFFFF);
    // A change of the picture is painted again.
    setpixel(view->Dib.get(), 30, 30, 0x0000FF);
    view->PaintBox1Paint(view);
    EXPECT_EQ(shot().pixel(30, 30) & 0xFFFFFF, 0xFF0000u);
    EXPECT_GT(view->PictureDraws(), draws);
}

TEST_F(EditorView, TheLayoutReaderKnowsTheViewsClasses) {
    RegisterEditorViewClasses();
    EXPECT_NE(GetClass("TMDIChild"), nullptr);
    EXPECT_EQ(view->ScrollBox1->Align(), alClient);
    EXPECT_EQ(view->Timer1->Interval(), 250u);
    EXPECT_TRUE(view->ScrollBox1->HorzScrollBar()->Tracking());
}

TEST_F(EditorView, APictureWithoutPixelsShowsOnlyTheBackground) {
    install(detailed(100, 80));
    view->Dib.reset();
    view->PaintBox1Paint(view);
    const QImage s = shot();
    const QRgb face = rgbOf(static_cast<int>(ColorToRGB(clBtnFace))) & 0xFFFFFF;
    for (int y = 0; y < 80; y += 7)
        for (int x = 0; x < 100; x += 7) ASSERT_EQ(s.pixel(x, y) & 0xFFFFFF, face) << x << ", " << y;
    QTest::mouseMove(boxWidget(), at(10, 10));
    EXPECT_EQ(window.Status[1], "");
}

TEST_F(EditorView, ScreenshotsAtOneToOneFourToOneAndOneToThree) {
    // A picture to look at: a colour ramp with a few shapes.
    UniqueDib pic = makePicture(480, 360, 24, [](int x, int y) {
        const int r = x * 255 / 479, g = y * 255 / 359, b = 255 - (x + y) * 255 / 838;
        return r | g << 8 | b << 16;
    });
    FilledEllipse(pic.get(), 60, 50, 200, 170, 0x2060E0);
    recht_filled(pic.get(), 260, 180, 420, 300, 0x30C040);
    line(pic.get(), 0, 359, 479, 0, 0x000000);
    install(std::move(pic));
    view->SelectShape(90, 70, 300, 240, 2, 0);  // an ellipse
    view->SelectShape(240, 200, 330, 280, 0, ssShift);  // and a rectangle
    const std::string dir = testsupport::env("TESSELLON_SCREEN_DIR");
    struct Zoom {
        int num, den;
        const char* name;
    };
    for (const Zoom z : {Zoom{1, 1, "view-1to1.png"}, Zoom{4, 1, "view-4to1.png"}, Zoom{1, 3, "view-1to3.png"}}) {
        while (view->ZoomNum < z.num) view->ZoomIn(view->PicToView(255), view->PicToView(205));
        while (view->ZoomNum > z.num || view->ZoomDen < z.den) view->ZoomOut(0, 0);
        ASSERT_EQ(view->ZoomNum, z.num);
        ASSERT_EQ(view->ZoomDen, z.den);
        platform::advanceTime(250);
        const QImage s = shot();
        // Black and white ants on the outline points that are in view.
        const int h = view->ScrollBox1->HorzScrollBar()->Position(), v = view->ScrollBox1->VertScrollBar()->Position();
        int checked = 0;
        for (const POINT& p : view->OutlinePoints) {
            const int vx = view->PicToView(p.x) - h, vy = view->PicToView(p.y) - v;
            if (vx < 0 || vy < 0 || vx >= s.width() || vy >= s.height()) continue;
            const QRgb c = s.pixel(vx, vy) & 0xFFFFFF;
            ASSERT_TRUE(c == 0 || c == 0xFFFFFF) << z.name;
            ++checked;
        }
        EXPECT_GT(checked, 100) << z.name;
        if (!dir.empty()) s.save(QString::fromStdString(dir + "/" + z.name));
    }
}
