// The link hub between the folder tree and the file list: a folder chosen in one reaches
// the other once, a link into another folder is followed by both, and the views work on
// alone when the hub goes first. Also the system icon list and its framed icons.
#include "ShellViewsSupport.h"

#include "platform/commctrl.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace shellviews;

TEST(ShellLink, AFolderChosenInTheTreeFillsTheListOnceWithoutAnEcho) {
    Home h;
    Views v;
    v.show();
    int changes = 0;
    v.link->OnChange = TNotifyEvent([&](TObject*) { ++changes; });
    EXPECT_EQ(v.link->ControlCount(), 2);
    const int fills = v.list->FullRefreshCount();
    const int treeFolderChanges = static_cast<int>(v.tree->History()->Count());
    v.tree->SetSelectedFolder(W(h.pictures));
    EXPECT_EQ(v.list->Path(), W(h.pictures + "/"));
    EXPECT_EQ(v.list->FullRefreshCount(), fills + 1) << "the list was filled once";
    EXPECT_EQ(changes, 1) << "the list's own report did not come back";
    EXPECT_EQ(static_cast<int>(v.tree->History()->Count()), treeFolderChanges + 1);
    EXPECT_TRUE(v.link->CanGoUp());
    // The tree's root cannot go up.
    v.tree->SetSelectedFolder(u"");
    EXPECT_FALSE(v.link->CanGoUp());
}

TEST(ShellLink, AFolderEnteredInTheListIsSelectedInTheTree) {
    Home h;
    Views v;
    v.show();
    v.tree->SetSelectedFolder(W(h.pictures));
    TNavShellListItem* sub = v.item(u"sub");
    ASSERT_TRUE(sub);
    v.list->ClearSelection();
    sub->SetSelected(true);
    ASSERT_TRUE(v.list->ExecuteVerb("default"));
    EXPECT_EQ(v.list->Path(), W(h.pictures + "/sub/"));
    EXPECT_EQ(v.tree->SelectedFolder(), W(h.pictures + "/sub"));
    key(v.list, Qt::Key_Backspace);
    EXPECT_EQ(v.tree->SelectedFolder(), W(h.pictures));
}

TEST(ShellLink, AFolderLinkEnteredInTheListTakesTheTreeAlong) {
    Home h;
    const std::string elsewhere = h.env.home + "/elsewhere";
    ::mkdir(elsewhere.c_str(), 0755);
    picture(elsewhere + "/far.png");
    ASSERT_EQ(::symlink(elsewhere.c_str(), (h.pictures + "/to elsewhere").c_str()), 0);
    Views v;
    v.show();
    v.tree->SetSelectedFolder(W(h.pictures));
    v.paint();
    TNavShellListItem* link = v.item(u"to elsewhere");
    ASSERT_TRUE(link);
    EXPECT_GT(link->OverlayIndex(), 0) << "drawn with the link overlay";
    v.list->ClearSelection();
    link->SetSelected(true);
    ASSERT_TRUE(v.list->ExecuteVerb("open"));
    EXPECT_EQ(v.list->Path(), W(h.pictures + "/to elsewhere/"));
    EXPECT_EQ(v.captions(), std::vector<WideString>{u"far.png"});
    // The list told the link, so the tree does not lag behind.
    EXPECT_EQ(v.tree->SelectedFolder(), W(h.pictures + "/to elsewhere"));
    // The list's own cursor names the folder a picture is opened from.
    v.list->Browser()->SetObjectPidl(v.item(u"far.png")->List.get());
    const std::string opened = R(v.list->Browser()->Folder()) + R(v.list->Browser()->ObjectName());
    EXPECT_EQ(opened, h.pictures + "/to elsewhere/far.png");
    EXPECT_TRUE(shelltest::exists(opened));
    EXPECT_TRUE(h.opened.empty());
}

TEST(ShellLink, ViewsWorkOnAloneWhenTheHubGoesFirst) {
    Home h;
    Views v;
    v.show();
    delete v.link;
    v.link = nullptr;
    EXPECT_EQ(v.list->ShellLink(), nullptr);
    EXPECT_EQ(v.tree->ShellLink(), nullptr);
    v.tree->SetSelectedFolder(W(h.pictures + "/sub"));
    EXPECT_EQ(v.tree->SelectedFolder(), W(h.pictures + "/sub"));
    v.list->SetPath(W(h.pictures));
    EXPECT_EQ(v.captions(), (std::vector<WideString>{u"sub", u"a.txt", u"b.png", u"C.JPG", u"d.jpg"}));
    EXPECT_EQ(v.tree->SelectedFolder(), W(h.pictures + "/sub")) << "nothing joins them now";
    // The list's parent item shows without a hub that forbids it.
    v.list->SetShowParentFolder(true);
    EXPECT_TRUE(v.list->Item(0)->ParentItem);
}

TEST(ShellLink, TheSystemIconsTellKindsApartWithoutTouchingFiles) {
    Home h;
    Views v;
    v.show();
    // By name alone: no such files exist.
    const int png = SystemIconIndex(W(h.pictures + "/none.png"), false, true, false);
    const int jpg = SystemIconIndex(W(h.pictures + "/none.JPG"), false, true, false);
    const int txt = SystemIconIndex(W(h.pictures + "/none.txt"), false, true, false);
    EXPECT_GE(png, 0);
    EXPECT_GE(jpg, 0);
    EXPECT_GE(txt, 0);
    EXPECT_NE(jpg, txt);
    EXPECT_EQ(SystemIconIndex(W(h.pictures + "/gone.txt"), false, false, false), -1) << "a missing file without attributes";
    // A folder and the open folder differ; indexes stay the same.
    const int folder = SystemIconIndex(W(h.pictures + "/sub"), false, false, false);
    const int open = SystemIconIndex(W(h.pictures + "/sub"), false, false, true);
    EXPECT_GE(folder, 0);
    EXPECT_NE(folder, open);
    EXPECT_EQ(SystemIconIndex(W(h.pictures + "/sub"), false, false, false), folder);
    // A link carries the overlay in the list.
    ASSERT_EQ(::symlink((h.pictures + "/b.png").c_str(), (h.pictures + "/link.png").c_str()), 0);
    v.list->SetPath(W(h.pictures));
    v.paint();
    TNavShellListItem* link = v.item(u"link.png");
    ASSERT_TRUE(link);
    EXPECT_GT(link->OverlayIndex(), 0);
    EXPECT_LE(v.item(u"b.png")->OverlayIndex(), 0);

    // The desktop holds the computer and the trash, each with an icon of its own.
    v.list->SetSpecialFolder(SF_DESKTOP);
    v.paint();
    TNavShellListItem* trash = v.item(u"Trash");
    TNavShellListItem* computer = v.item(u"Computer");
    ASSERT_TRUE(trash && computer);
    EXPECT_GE(trash->ImageIndex(), 0);
    EXPECT_NE(trash->ImageIndex(), folder);
    EXPECT_NE(trash->ImageIndex(), computer->ImageIndex());

    // The framed icon: a grey frame, the icon in the middle.
    TNavSystemImageList large(nullptr);
    large.SetSize(si_large);
    HBITMAP framed = FramedIconBitmap(&large, 60, 50, png);
    ASSERT_TRUE(framed);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, framed);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(GetPixel(dc, 49, 59), RGB(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(GetPixel(dc, 25, 0), RGB(0xC0, 0xC0, 0xC0));
    EXPECT_NE(GetPixel(dc, 1, 1), RGB(0xC0, 0xC0, 0xC0));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(framed);
    EXPECT_EQ(FramedIconBitmap(&large, 60, 50, 100000), nullptr);
}
