// The editor's dialogs on a virtual display, typed into and clicked by xdotool through the
// X server: a mosaic block of 0 and a colour count of 300 confirmed with Enter reach the
// operations held to their ranges; the palette editor of 16- and 256-colour pictures has
// one entry changed by clicks on its grid and on the colour dialog's OK.
#include "editor/EditorDialogs.h"
#include "editor/EffectDialogs.h"
#include "editor/Effects.h"
#include "editor/PaletteEditor.h"
#include "editor/PaletteFiles.h"
#include "editor/tests/DialogTestSupport.h"

#include "poster/PictureDialogs.h"
#include "testsupport/TestSupport.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace opstest2;
using namespace dlgtest;

namespace {

using testsupport::waitFor;

// Runs xdotool while this process keeps serving its windows.
bool xdotool(const QStringList& args) {
    QProcess p;
    p.start("xdotool", args);
    if (!p.waitForStarted(5000)) return false;
    if (!waitFor([&] { return p.state() == QProcess::NotRunning; })) {
        p.kill();
        p.waitForFinished(1000);
        return false;
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Gives the edit the keyboard focus on the display and types into it, then Enter.
bool typeAndEnter(TKitSpinEdit* edit, const char* text) {
    QWidget* w = widget(edit);
    w->window()->activateWindow();
    edit->SetFocus();
    if (!waitFor([&] { return QApplication::focusWidget() == w || (w->focusProxy() && QApplication::focusWidget() == w->focusProxy()); }))
        return false;
    edit->SelectAll();
    return xdotool({"type", "--delay", "30", text}) && xdotool({"key", "Return"});
}

// A left click at a point of a widget, on the screen.
bool clickAt(QWidget* w, QPoint local) {
    const QPoint p = w->mapToGlobal(local);
    return xdotool({"mousemove", QString::number(p.x()), QString::number(p.y()), "sleep", "0.1", "click", "1"});
}

class DialogsX11 : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testsupport::haveProgram("xdotool")) GTEST_SKIP() << "xdotool is needed";
        forgetStoredDialogs();
    }
    TComponent owner{nullptr};
};

}  // namespace

TEST_F(DialogsX11, AMosaicBlockOfZeroTypedAndEnteredIsOne) {
    OpsDoc d(truecolour(13, 9, [](int x, int y) { return rgb(x * 19, y * 27, x * y); }));
    UniqueDib want = edtest::copyOf(d.doc.Dib.get());
    MosaikEffekt(want.get(), 1, 4);
    bool typed = false;
    whenShown([&] {
        TMosaikForm* f = owned<TMosaikForm>(&owner);
        ASSERT_NE(f, nullptr);
        typed = typeAndEnter(f->BreitEd, "0");
        if (!typed) f->SetModalResult(mrCancel);
    });
    const bool ok = editordialogs::MosaicEffect(d.doc, &owner);
    ASSERT_TRUE(typed);
    ASSERT_TRUE(ok) << "Enter pressed OK";
    EXPECT_TRUE(edtest::samePixels(d.doc.Dib.get(), want.get())) << "blocks of 1 x 4";
}

TEST_F(DialogsX11, AColourCountOf300TypedAndEnteredIs256) {
    OpsDoc d(truecolour(40, 40, [](int x, int y) { return rgb(x * 16 % 256, y * 16 % 256, (x / 16 + y / 16 * 3) * 40); }));
    bool typed = false;
    whenShown([&] {
        TFreeDepthForm* f = owned<TFreeDepthForm>(&owner);
        ASSERT_NE(f, nullptr);
        f->WinColCheck->SetChecked(false);
        typed = typeAndEnter(f->NumColEd, "300");
        if (!typed) f->SetModalResult(mrCancel);
    });
    const bool ok = editordialogs::ReduceColours(d.doc, 0, &owner);
    ASSERT_TRUE(typed);
    ASSERT_TRUE(ok);
    EXPECT_EQ(DibBitCount(d.doc.Dib.get()), 8);
    EXPECT_GT(*editorops::CountColours(d.doc.Dib.get()), 200);
}

TEST_F(DialogsX11, PaletteEditorEntriesChangedByClicksOnTheDisplay) {
    struct Case {
        int bits, entry;
        const char* shot;
    };
    for (const Case c : {Case{4, 6, "x11-palette-editor-16"}, Case{8, 200, "x11-palette-editor-256"}}) {
        SCOPED_TRACE(c.bits);
        const int n = 1 << c.bits;
        OpsDoc d(paletted(
            16, 16, c.bits, [n](int i) { return PALETTEENTRY{BYTE(i * 255 / (n - 1)), 128, BYTE(255 - i * 255 / (n - 1)), 0}; },
            [n](int x, int y) { return (x + 16 * y) % n; }));
        bool clicked = false;
        whenShown([&] {
            TPaleditForm* f = owned<TPaleditForm>(&owner);
            ASSERT_NE(f, nullptr);
            ASSERT_TRUE(waitFor([&] { return widget(f)->isVisible(); }));
            QCoreApplication::processEvents();
            screenshot(f, c.shot);
            // The colour dialog: a new colour set, then its OK button clicked on the display.
            QTimer::singleShot(200, [&] {
                auto* dlg = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
                if (!dlg) return;
                dlg->setCurrentColor(QColor(12, 34, 56));
                auto* buttons = dlg->findChild<QDialogButtonBox*>();
                QPushButton* ok = buttons ? buttons->button(QDialogButtonBox::Ok) : nullptr;
                if (ok && waitFor([&] { return ok->isVisible(); })) clicked = clickAt(ok, ok->rect().center());
                if (!clicked) dlg->reject();
            });
            // A click on the entry's cell opens it; then OK.
            const RECT cell = f->Cell(c.entry);
            clickAt(widget(f), QPoint(f->PaintBox1->Left() + cell.left + 7, f->PaintBox1->Top() + cell.top + 7));
            clickAt(widget(f->BitBtn1), QPoint(20, 10));
        });
        const bool ok = editordialogs::EditPalette(d.doc, &owner);
        ASSERT_TRUE(clicked);
        ASSERT_TRUE(ok);
        const PALETTEENTRY& e = d.doc.Dib.get().Palette.palPalEntry[c.entry];
        EXPECT_EQ(std::vector<int>({e.peRed, e.peGreen, e.peBlue}), std::vector<int>({12, 34, 56}));
        EXPECT_EQ(d.doc.Dib.get().Palette.palPalEntry[c.entry + 1].peGreen, 128);
    }
}
