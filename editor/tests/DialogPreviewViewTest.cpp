// Live previews as the user sees them: a photograph in the document view, a dialog's
// preview shown in the view while the dialog is open, and the view back to the photograph
// after Cancel. With TESSELLON_SCREENSHOTS set, each dialog is saved beside the view.
#include "editor/AdjustDialogs.h"
#include "editor/ChildFrame.h"
#include "editor/EditorDialogs.h"
#include "editor/GeometryDialogs.h"
#include "editor/tests/DialogTestSupport.h"

#include "poster/Resample.h"

#include <gtest/gtest.h>

using namespace opstest2;
using namespace dlgtest;

namespace {

class PreviewInView : public ::testing::Test {
protected:
    void SetUp() override {
        forgetStoredDialogs();
        form.reset(new TForm(nullptr));
        form->SetBounds(0, 0, 280, 220);
        view = new TMDIChild(form.get());
        view->SetParent(form.get());
        view->SetAlign(alClient);
        view->SetWindowLink(&window);
        form->Show();
        UniqueDib file;
        OpenDib(file.out(), TESSELLON_SOURCE_DIR "/app/poster.stb", PW_JIF, nullptr);
        ASSERT_TRUE(file);
        view->ReplacePicture(ResizeDib(file.get(), 240, 170, false));
        view->Color2 = rgb(255, 255, 255);
    }
    // The view's client area as shown.
    QImage shown() {
        QCoreApplication::processEvents();
        QWidget* box = widget(view->ScrollBox1);
        POINT p{0, 0};
        ClientToScreen(view->ScrollBox1->Handle(), &p);
        const QPoint at = box->mapFromGlobal(QPoint(p.x, p.y));
        return box->grab().toImage().convertToFormat(QImage::Format_RGB32).copy(
            QRect(at, QSize(view->ScrollBox1->ClientWidth(), view->ScrollBox1->ClientHeight())));
    }
    // Whether the view shows the picture as it is now (its top-left part that fits).
    ::testing::AssertionResult showsPicture() {
        const QImage s = shown();
        const QImage pic = image(view->Dib.get());
        for (int y = 0; y < std::min(s.height(), pic.height()); y += 3)
            for (int x = 0; x < std::min(s.width(), pic.width()); x += 3)
                if (s.pixel(x, y) != pic.pixel(x, y))
                    return ::testing::AssertionFailure() << "view (" << x << ", " << y << ")";
        return ::testing::AssertionSuccess();
    }

    TComponent owner{nullptr};
    edtest::TestWindow window;
    std::unique_ptr<TForm> form;
    TMDIChild* view = nullptr;
};

}  // namespace

TEST_F(PreviewInView, ColorizePerspectiveAndCurveShowTheirPreviewsAndCancelShowsThePhotographAgain) {
    const QImage photo = image(view->Dib.get());
    ASSERT_TRUE(showsPicture());
    int previews = 0;
    auto check = [&](TWinControl* dialog, const char* name) {
        EXPECT_NE(image(view->Dib.get()), photo) << name;
        EXPECT_TRUE(showsPicture()) << name << ": the view shows the preview";
        screenshot(dialog, name, shown());
        ++previews;
    };
    whenShown([&] {
        TColizeForm* f = owned<TColizeForm>(&owner);
        ASSERT_NE(f, nullptr);
        while (f->TrackBar1->Position() > 20) key(f->TrackBar1, Qt::Key_PageUp);
        click(f->VschauBitBtn4);
        check(f, "colorize-preview");
        click(f->CancelBitBtn2);
    });
    EXPECT_FALSE(editordialogs::Colorize(*view, &owner));
    whenShown([&] {
        TPerspForm* f = owned<TPerspForm>(&owner);
        ASSERT_NE(f, nullptr);
        type(f->StarkEd2, "60");
        click(f->VschauBitBtn4);
        check(f, "perspective-preview");
        click(f->CancelBitBtn2);
    });
    EXPECT_FALSE(editordialogs::Perspective(*view, &owner));
    whenShown([&] {
        TWoelbenForm* f = owned<TWoelbenForm>(&owner);
        ASSERT_NE(f, nullptr);
        type(f->StarkED2, "2.5");
        click(f->VschauBitBtn4);
        check(f, "curve-preview");
        click(f->CancelBitBtn2);
    });
    EXPECT_FALSE(editordialogs::Curve(*view, &owner));
    EXPECT_EQ(previews, 3);
    EXPECT_EQ(image(view->Dib.get()), photo);
    EXPECT_TRUE(showsPicture()) << "the photograph again";
    EXPECT_EQ(view->UndoCount, 0);
}
