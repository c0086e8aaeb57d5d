// The editor window's title bar and clipboard viewer: the gradient caption carries the
// document's caption through UpdateCaption and paints the window's own frame, active and
// inactive; the hidden clipboard viewer makes the paste commands follow every clipboard
// change, a palette-only clipboard included.
#include "classlib/Clipbrd.h"
#include "editor/tests/EditorTestSupport.h"
#include "editor/tests/MainWindowFixture.h"
#include "platform/clipboard.h"
#include "platform/globalmem.h"
#include "platform/winpaint.h"

#include <QImage>

using namespace edtest;

namespace {

void putPaletteOnly(int count) {
    std::vector<BYTE> record(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY));
    auto* lp = reinterpret_cast<LOGPALETTE*>(record.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(count);
    for (int i = 0; i < count; ++i) lp->palPalEntry[i] = PALETTEENTRY{static_cast<BYTE>(i), 0, 200, 0};
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_PALETTE, CreatePalette(lp));
    CloseClipboard();
}

}  // namespace

TEST_F(MainWindow, TheGradientCaptionCarriesTheDocumentsCaption) {
    create();
    TKitGradientCaption* g = form->GradientCaption;
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->StartColor(), clRed);
    EXPECT_TRUE(g->Active());
    EXPECT_EQ(g->Form(), form);
    EXPECT_EQ(g->FormCaption(), "Tessellon: Chromalde - NONAME [1:1]");
    EXPECT_EQ(form->Caption(), g->FormCaption());
    // A change and a zoom: the caption follows, with the modified mark.
    pressTool(form->LineBtn);
    drag({10, 10}, {60, 40});
    form->SetZoom(2, 1);
    settle();
    EXPECT_EQ(g->FormCaption(), "Tessellon: Chromalde - NONAME* [2:1]");
    EXPECT_EQ(widgetOf(form)->windowTitle(), QString("Tessellon: Chromalde - NONAME* [2:1]"));

    // The bar over the window's own frame: red at its left, active and inactive.
    ASSERT_TRUE(platform::ownFrame(form->Handle()));
    const RECT cap = g->CaptionRect();
    ASSERT_GT(cap.right - cap.left, 100);
    SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
    ASSERT_TRUE(g->FormActive());
    const QImage active = widgetOf(form)->grab().toImage();
    saveShot(active, "editor-caption-active.png");
    const QColor left = active.pixelColor(cap.left + 2, cap.top + 2);
    EXPECT_GT(left.red(), 150);
    EXPECT_GT(left.red() - left.blue(), 60);
    SendMessageW(form->Handle(), WM_NCACTIVATE, FALSE, 0);
    EXPECT_FALSE(g->FormActive());
    const QImage inactive = widgetOf(form)->grab().toImage();
    saveShot(inactive, "editor-caption-inactive.png");
    const QColor plain = inactive.pixelColor(cap.left + 2, cap.top + 2);
    const COLORREF end = ColorToRGB(g->Look(10, 10).EndColor);
    EXPECT_EQ(plain, QColor(GetRValue(end), GetGValue(end), GetBValue(end)));
}

TEST_F(MainWindow, TheClipboardViewerMakesThePasteCommandsFollowTheClipboard) {
    create();
    TClipboardViewer* v = form->ClipboardViewer1;
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Width(), 0);
    EXPECT_EQ(v->Height(), 0);
    EXPECT_TRUE(v->InChain());
    // The layout binds the window's handler; a watcher in front of it counts the changes.
    ASSERT_TRUE(static_cast<bool>(v->OnChange));
    int changes = 0;
    const TNotifyEvent handler = v->OnChange;
    v->OnChange = TNotifyEvent([&](TObject* s) {
        ++changes;
        handler(s);
    });
    Clipboard()->SetAsText("only text");
    settle();
    EXPECT_GE(changes, 1);
    EXPECT_FALSE(form->PasteSpeedBtn->Enabled());
    EXPECT_FALSE(menuEnabled({"Edit", "Insert"}));
    // A picture put there by another part of the program: the commands come on by themselves.
    changes = 0;
    TBitmap picture;
    picture.SetSize(30, 20);
    picture.Canvas()->Brush()->SetColor(clLime);
    picture.Canvas()->FillRect(RECT{0, 0, 30, 20});
    Clipboard()->Assign(&picture);
    settle();
    EXPECT_GE(changes, 1);
    EXPECT_TRUE(form->PasteSpeedBtn->Enabled());
    EXPECT_TRUE(menuEnabled({"Edit", "Insert", "As new picture"}));
    EXPECT_TRUE(menuEnabled({"Edit", "Empty Clipboard"}));
    // Only a palette: no picture to paste, and the 0 x 0 viewer shows it in one column.
    changes = 0;
    putPaletteOnly(16);
    settle();
    EXPECT_GE(changes, 1);
    EXPECT_FALSE(form->PasteSpeedBtn->Enabled());
    EXPECT_FALSE(menuEnabled({"Edit", "Insert"}));
    auto* grid = dynamic_cast<TPaletteGrid*>(v->ViewControl());
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->ColCount(), 1);
    // Emptied: off, and the window goes on working.
    Clipboard()->Assign(&picture);
    settle();
    ASSERT_TRUE(form->PasteSpeedBtn->Enabled());
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    settle();
    EXPECT_FALSE(form->PasteSpeedBtn->Enabled());
    EXPECT_FALSE(form->DibAvailable);
}
