// The thumbnail job on the real thumbnail pool: a picture's thumbnail reaches its viewer on
// the user-interface thread, an object without a picture gives none, a cancelled job never
// calls its viewer, and the list in thumbnail mode replaces its placeholders.
#include "ShellViewsSupport.h"

#include "platform/commctrl.h"
#include "shell/ThumbnailWorkItem.h"

#include <gtest/gtest.h>

#include <QThread>

using namespace shellviews;

namespace {

struct Viewer : TObject, IThumbnailViewer {
    struct Call {
        bool bitmap;
        int width, height, index;
        bool onUiThread;
    };
    std::vector<Call> calls;
    void ThumbnailReady(HBITMAP Bitmap, int ImageIndex) override {
        BITMAP b{};
        if (Bitmap) GetObjectW(Bitmap, sizeof b, &b);
        calls.push_back({Bitmap != nullptr, b.bmWidth, b.bmHeight, ImageIndex,
                         QThread::currentThread() == QCoreApplication::instance()->thread()});
        if (Bitmap) DeleteObject(Bitmap);
    }
};

TPidl listOf(const std::string& path) { return PathToPidl(nullptr, W(path)); }

}  // namespace

TEST(ThumbnailWorkItem, APictureReachesItsViewerAndOtherObjectsGiveNone) {
    Home h;
    TShellThreadPools pools;
    picture(h.pictures + "/wide.png", 300, 100);
    Viewer viewer;
    TPidl wide = listOf(h.pictures + "/wide.png");
    TPidl text = listOf(h.pictures + "/a.txt");
    ASSERT_TRUE(wide && text);
    ThumbnailThreadPool()->AddWorkItem(std::make_shared<TThumbnailWorkItem>(&viewer, wide.get(), &viewer, 7, 100, 80));
    wide.reset();  // the job keeps its own copy
    ASSERT_TRUE(waitFor([&] { return viewer.calls.size() == 1; }));
    EXPECT_TRUE(viewer.calls[0].bitmap);
    EXPECT_EQ(viewer.calls[0].index, 7);
    EXPECT_EQ(viewer.calls[0].width, 100) << "fitted into the box, keeping the proportions";
    EXPECT_EQ(viewer.calls[0].height, 33);
    EXPECT_TRUE(viewer.calls[0].onUiThread);

    ThumbnailThreadPool()->AddWorkItem(std::make_shared<TThumbnailWorkItem>(&viewer, text.get(), &viewer, 8, 100, 80));
    ASSERT_TRUE(waitFor([&] { return viewer.calls.size() == 2; }));
    EXPECT_FALSE(viewer.calls[1].bitmap);
    EXPECT_EQ(viewer.calls[1].index, 8);
}

TEST(ThumbnailWorkItem, AJobCancelledBeforeItRanNeverCallsItsViewer) {
    Home h;
    TShellThreadPools pools;
    Viewer viewer, other;
    TPidl png = listOf(h.pictures + "/b.png");
    ThumbnailThreadPool()->SetPaused(true);
    ThumbnailThreadPool()->AddWorkItem(std::make_shared<TThumbnailWorkItem>(&viewer, png.get(), &viewer, 1, 50, 50));
    ThumbnailThreadPool()->AddWorkItem(std::make_shared<TThumbnailWorkItem>(&other, png.get(), &other, 2, 50, 50));
    ThumbnailThreadPool()->CancelWorkItems(&viewer);
    ThumbnailThreadPool()->SetPaused(false);
    ASSERT_TRUE(waitFor([&] { return other.calls.size() == 1; }));
    settle(100);
    EXPECT_TRUE(viewer.calls.empty());
    EXPECT_EQ(other.calls[0].index, 2) << "another owner's job still runs";
}

TEST(ThumbnailWorkItem, TheListInThumbnailModeReplacesThePlaceholdersOfPictures) {
    Home h;
    TShellThreadPools pools;
    Views v{false, true};
    v.list->SetThumbnails(true);
    v.list->SetPath(W(h.pictures));
    v.show();
    TCustomImageList* thumbs = v.list->ThumbnailImages();
    TNavShellListItem* png = v.item(u"b.png");
    TNavShellListItem* txt = v.item(u"a.txt");
    ASSERT_TRUE(png && txt);
    ASSERT_GE(png->ImageIndex(), 0);
    ASSERT_GE(txt->ImageIndex(), 0);
    // The red picture arrives in the middle of its frame; the text keeps its framed icon.
    auto pixel = [&](int index, int x, int y) {
        HDC dc = CreateCompatibleDC(nullptr);
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 100, 100, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HBITMAP canvas = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(dc, canvas);
        ImageList_Draw(thumbs->Handle(), index, dc, 0, 0, ILD_NORMAL);
        const COLORREF c = GetPixel(dc, x, y);
        SelectObject(dc, old);
        DeleteObject(canvas);
        DeleteDC(dc);
        return c;
    };
    const int p = png->ImageIndex(), t = txt->ImageIndex();
    ASSERT_TRUE(waitFor([&] { return pixel(p, 50, 50) == RGB(255, 0, 0); }, 3000)) << std::hex << pixel(p, 50, 50);
    EXPECT_NE(pixel(t, 50, 50), RGB(255, 0, 0));
    EXPECT_EQ(pixel(p, 0, 0), RGB(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(pixel(t, 0, 0), RGB(0xC0, 0xC0, 0xC0));
}
