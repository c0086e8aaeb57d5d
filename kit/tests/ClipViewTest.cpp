// The clipboard viewer: its place in the viewer chain, OnChange on every change, the view
// chosen by format (a palette-only clipboard included), and icons on the clipboard.
#include "kit/ClipView.h"

#include "classlib/Clipbrd.h"
#include "kit/ClipIcon.h"
#include "kit/KitRegister.h"
#include "platform/clipboard.h"
#include "platform/globalmem.h"

#include <QCoreApplication>
#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

void putText(const char* text) { Clipboard()->SetAsText(text); }

void putPaletteOnly(int count) {
    std::vector<BYTE> record(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY));
    auto* lp = reinterpret_cast<LOGPALETTE*>(record.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(count);
    for (int i = 0; i < count; ++i)
        lp->palPalEntry[i] = PALETTEENTRY{static_cast<BYTE>(i * 7), static_cast<BYTE>(255 - i), 40, 0};
    HPALETTE palette = CreatePalette(lp);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_PALETTE, palette);
    CloseClipboard();
}

void emptyClipboard(HWND owner = nullptr) {
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    CloseClipboard();
}

struct ViewerForm {
    std::unique_ptr<TForm> form;
    TClipboardViewer* viewer = nullptr;
    int changes = 0;
    explicit ViewerForm(int size = 200) {
        RegisterKitClasses();
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 320, 260);
        viewer = new TClipboardViewer(form.get());
        viewer->SetBounds(0, 0, size, size);
        viewer->OnChange = [this](TObject*) { ++changes; };
        viewer->SetParent(form.get());
        viewer->HandleNeeded();
    }
    ~ViewerForm() {
        form.reset();
        QCoreApplication::processEvents();
    }
    String memoText() const {
        auto* memo = dynamic_cast<TCustomMemo*>(viewer->ViewControl());
        if (!memo) return "(no memo)";
        String t = memo->Text();
        while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
        return t;
    }
};

}  // namespace

TEST(ClipboardViewer, FollowsTextPicturesAndEmptyingWithItsView) {
    ViewerForm v;
    ASSERT_TRUE(v.viewer->InChain());
    EXPECT_EQ(GetClipboardViewer(), v.viewer->Handle());
    EXPECT_GE(v.changes, 1);  // joining the chain shows the content once

    v.changes = 0;
    putText("Tessellon text");
    EXPECT_GE(v.changes, 1);
    EXPECT_EQ(v.viewer->GetDrawFormat(), cvText);
    EXPECT_EQ(v.memoText(), "Tessellon text");

    v.changes = 0;
    TBitmap bitmap;
    bitmap.SetSize(40, 30);
    bitmap.Canvas()->Brush()->SetColor(clRed);
    bitmap.Canvas()->FillRect(RECT{0, 0, 40, 30});
    Clipboard()->Assign(&bitmap);
    EXPECT_GE(v.changes, 1);
    EXPECT_EQ(v.viewer->GetDrawFormat(), cvBitmap);
    auto* image = dynamic_cast<TImage*>(v.viewer->ViewControl());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Picture()->Width(), 40);
    // Centred in the viewer.
    EXPECT_EQ(image->Left(), (v.viewer->ClientWidth() - image->Width()) / 2);

    // Emptying fires at least once (twice when the viewer owns the content).
    v.changes = 0;
    emptyClipboard(v.viewer->Handle());
    EXPECT_GE(v.changes, 1);
    v.changes = 0;
    emptyClipboard(v.viewer->Handle());
    EXPECT_GE(v.changes, 2);
    EXPECT_EQ(v.viewer->GetDrawFormat(), cvEmpty);
    EXPECT_EQ(v.memoText(), "Clipboard is empty");
}

TEST(ClipboardViewer, APaletteOnlyClipboardOnANoughtByNoughtViewerTakesOneColumn) {
    ViewerForm v(0);
    v.changes = 0;
    putPaletteOnly(20);
    EXPECT_GE(v.changes, 1);
    EXPECT_EQ(v.viewer->GetDrawFormat(), cvPalette);
    auto* grid = dynamic_cast<TPaletteGrid*>(v.viewer->ViewControl());
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->EntryCount(), 20);
    EXPECT_EQ(grid->ColCount(), 1);
    EXPECT_EQ(grid->RowCount(), 20);
    EXPECT_EQ(grid->Height(), 20 * TPaletteGrid::CellSize);
    EXPECT_EQ(grid->EntryColor(3), RGB(21, 252, 40));
    EXPECT_EQ(grid->EntryColor(20), RGB(128, 128, 128));

    // A wider viewer: (width - scroll bar) / 20 columns; cells past the last entry refuse
    // the selection.
    v.viewer->SetBounds(0, 0, 200 + GetSystemMetrics(SM_CXVSCROLL), 150);
    grid->UpdateCells();
    EXPECT_EQ(grid->ColCount(), (grid->ClientWidth() - GetSystemMetrics(SM_CXVSCROLL)) / 20);
    EXPECT_EQ(grid->RowCount(), (20 + grid->ColCount() - 1) / grid->ColCount());
    EXPECT_TRUE(grid->SelectCell(1, 0));
    EXPECT_EQ(grid->Selected(), 1);
    EXPECT_FALSE(grid->SelectCell(grid->ColCount() - 1, grid->RowCount()));
    EXPECT_EQ(grid->Selected(), 1);
    // Painting the cells: the first cell's inside shows its colour.
    v.form->Show();
    const QImage shot = platform::windowWidget(grid->Handle())->grab().toImage();
    EXPECT_EQ(shot.pixelColor(10, 10), QColor(0, 255, 40));
}

TEST(ClipboardViewer, ViewFormatFallsBackToDefaultAndTheChainIsLeftAndJoinedOnce) {
    ViewerForm v;
    putText("text only");
    v.viewer->SetViewFormat(cvBitmap);
    EXPECT_EQ(v.viewer->ViewFormat(), cvDefault);
    v.viewer->SetViewFormat(cvText);
    EXPECT_EQ(v.viewer->ViewFormat(), cvText);
    // The content changes to a format without text: back to the default view.
    putPaletteOnly(4);
    EXPECT_EQ(v.viewer->ViewFormat(), cvDefault);
    EXPECT_FALSE(v.viewer->ValidFormat(cvText));
    EXPECT_TRUE(v.viewer->ValidFormat(cvUnknown));

    // A second viewer joins after it; recreating the second leaves and rejoins once each.
    ViewerForm second;
    EXPECT_EQ(second.viewer->NextViewer(), v.viewer->Handle());
    EXPECT_EQ(GetClipboardViewer(), second.viewer->Handle());
    HWND old = second.viewer->Handle();
    second.viewer->RecreateWnd();
    second.viewer->HandleNeeded();
    EXPECT_NE(second.viewer->Handle(), old);
    EXPECT_EQ(GetClipboardViewer(), second.viewer->Handle());
    EXPECT_EQ(second.viewer->NextViewer(), v.viewer->Handle());
    EXPECT_EQ(v.viewer->NextViewer(), nullptr);
    // Both still hear of changes.
    v.changes = second.changes = 0;
    putText("both");
    EXPECT_GE(v.changes, 1);
    EXPECT_GE(second.changes, 1);

    // The first leaves while the second is the head: the second's next window is mended.
    v.viewer->SetParent(nullptr);
    delete v.viewer;
    v.viewer = nullptr;
    EXPECT_EQ(second.viewer->NextViewer(), nullptr);
    EXPECT_EQ(GetClipboardViewer(), second.viewer->Handle());
    second.form.reset();
    EXPECT_EQ(GetClipboardViewer(), nullptr);
}

TEST(ClipboardIcon, IconsGoThroughTheirFormatAndDamagedBlocksAreRefused) {
    RegisterKitClasses();
    ViewerForm v;
    TIcon icon;
    icon.LoadFromResourceName(nullptr, "KITAPPICON");
    CopyIconToClipboard(&icon);
    EXPECT_TRUE(Clipboard()->HasFormat(ClipboardIconFormat()));
    EXPECT_EQ(v.viewer->GetDrawFormat(), cvIcon);
    auto* image = dynamic_cast<TImage*>(v.viewer->ViewControl());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Picture()->Width(), icon.Width());
    TIcon back;
    ASSERT_TRUE(LoadIconFromClipboard(&back));
    EXPECT_EQ(back.FileImage(), icon.FileImage());
    // The picture formats know the icon format.
    TPicture picture;
    Clipboard()->AssignTo(&picture);
    EXPECT_EQ(picture.Width(), icon.Width());

    // A block of the icon format that holds no icon.
    const char junk[] = "not an icon at all";
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(ClipboardIconFormat(), platform::globalFromBytes(junk, sizeof junk));
    CloseClipboard();
    TIcon none;
    EXPECT_FALSE(LoadIconFromClipboard(&none));
    EXPECT_TRUE(none.Empty());
    EXPECT_EQ(v.memoText(), "Cannot display. Data in Clipboard is in an unknown format.");
}
