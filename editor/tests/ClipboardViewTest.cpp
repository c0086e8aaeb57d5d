// Pasting into the document view on the offscreen platform: the pasted picture follows real
// mouse moves over the view and a real click places it; the view shows it there.
#include "editor/ChildFrame.h"
#include "editor/EditorClipboard.h"
#include "editor/tests/EditorTestSupport.h"
#include "platform/winuser.h"

#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

using namespace edtest;

namespace {

QRgb rgbOf(int packed) { return qRgb(packed & 0xFF, (packed >> 8) & 0xFF, (packed >> 16) & 0xFF); }

class ClipboardView : public ::testing::Test {
protected:
    void SetUp() override {
        form.reset(new TForm(nullptr));
        form->SetBounds(0, 0, 300, 220);
        view = new TMDIChild(form.get());
        view->SetParent(form.get());
        view->SetAlign(alClient);
        view->SetWindowLink(&window);
        form->Show();
    }
    void TearDown() override { form.reset(); }
    QWidget* boxWidget() { return platform::windowWidget(view->ScrollBox1->Handle()); }
    QPoint at(int x, int y) {
        POINT p{0, 0};
        ClientToScreen(view->ScrollBox1->Handle(), &p);
        return boxWidget()->mapFromGlobal(QPoint(p.x, p.y)) + QPoint(x, y);
    }
    QImage shot() {
        const QImage all = boxWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        return all.copy(QRect(at(0, 0), QSize(view->ScrollBox1->ClientWidth(), view->ScrollBox1->ClientHeight())));
    }

    TestWindow window;
    std::unique_ptr<TForm> form;
    TMDIChild* view = nullptr;
};

}  // namespace

TEST_F(ClipboardView, APastedSelectionFollowsTheMouseAndAClickPlacesIt) {
    // The source: a striped picture with an elliptic selection, copied.
    Doc src(makePicture(60, 40, 24, [](int x, int y) { return ((x / 6 + y / 6) % 2) ? 0x2040E0 : 0x20C040; }));
    src.doc.SelectShape(0, 0, 59, 39, 2, 0);
    TEditorClipboard clip;
    ASSERT_TRUE(clip.Copy(src.doc));

    view->ReplacePicture(makePicture(160, 120, 24, [](int, int) { return 0xF0F0F0; }));
    view->Color2 = 0xFFFFFF;
    ASSERT_TRUE(clip.PasteAsSelection(*view, false));
    QWidget* w = boxWidget();
    QTest::mouseMove(w, at(30, 20));
    QTest::mouseMove(w, at(50, 40));
    // While it follows the mouse its top-left sits under the pointer.
    EXPECT_EQ(getpixel(view->Dib.get(), 50 + 30, 40 + 20), getpixel(src.doc.Dib.get(), 30, 20));
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at(50, 40));
    EXPECT_EQ(view->ToolState, 0);
    EXPECT_TRUE(view->SelActive);
    const QImage s = shot();
    if (const char* dir = std::getenv("TESSELLON_SHOT_DIR"); dir && *dir)
        s.save(QString::fromUtf8(dir) + "/pasted-selection.png");
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
            const int sx = x - 50, sy = y - 40;
            const bool in = sx >= 0 && sy >= 0 && sx < 60 && sy < 40 && src.mask(sx, sy);
            const int want = in ? src.pixel(sx, sy) : 0xF0F0F0;
            ASSERT_EQ(getpixel(view->Dib.get(), x, y), want) << x << "," << y;
            ASSERT_EQ(getpixel(view->SelMask.get(), x, y), in ? 1 : 0);
            // The view shows the picture (the ants draw over the outline only).
            if (in && sx > 0 && sy > 0 && sx < 59 && sy < 39 && src.mask(sx - 1, sy) && src.mask(sx + 1, sy) &&
                src.mask(sx, sy - 1) && src.mask(sx, sy + 1)) {
                ASSERT_EQ(s.pixel(x, y) & 0xFFFFFF, rgbOf(want) & 0xFFFFFF) << x << "," << y;
            }
        }
}
