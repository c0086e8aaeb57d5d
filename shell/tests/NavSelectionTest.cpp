// The check-box selection on real folders: check states, checking and unchecking (a checked
// folder split when something below it is unchecked), the counts of files, folders and
// bytes on the folder-size pool (sparse files, a link loop), and clearing during a count.
#include "ShellViewsSupport.h"

#include "platform/comctlbase.h"
#include "shell/NavSelection.h"

#include <gtest/gtest.h>

#include <QAbstractScrollArea>

#include <unistd.h>

using namespace shellviews;

namespace {

struct Tree : Home {
    TComponent owner{nullptr};
    TNavSelectionList* list = new TNavSelectionList(&owner);
    std::string p = pictures;
    Tree() {
        shelltest::write(p + "/sub/x.txt", "12345");
        list->SetCalculateSizes(false);
    }
    int state(const std::string& path) const { return list->CheckState(W(path)); }
    std::vector<std::string> entries() const {
        std::vector<std::string> r;
        for (int i = 0; i < list->Paths()->Count(); ++i) r.push_back(R(list->Paths()->Strings(i)));
        std::sort(r.begin(), r.end());
        return r;
    }
};

}  // namespace

TEST(NavSelection, CheckStatesFollowWhatIsCheckedAboveAndBelow) {
    Tree t;
    int changes = 0;
    t.list->OnChange = TNotifyEvent([&](TObject*) { ++changes; });
    EXPECT_EQ(t.list->CheckState(u""), csNoCheck);
    EXPECT_EQ(t.state(t.p + "/gone"), csNoCheck);
    EXPECT_EQ(t.state(t.p + "/sub"), csUnchecked);
    TPidl computer = SpecialFolderPidl(SF_DRIVES);
    EXPECT_EQ(t.list->CheckStateOfList(computer.get()), csNoCheck);

    EXPECT_EQ(t.list->Toggle(W(t.p + "/sub"), true), csChecked);
    EXPECT_EQ(t.entries(), std::vector<std::string>{t.p + "/sub/*"});
    EXPECT_EQ(t.state(t.p + "/sub/deep/deeper"), csChecked) << "covered by the folder above";
    EXPECT_EQ(t.state(t.p + "/sub/x.txt"), csChecked);
    EXPECT_EQ(t.state(t.p), csPartly);
    EXPECT_EQ(t.state(t.env.home), csPartly);
    EXPECT_EQ(t.state(t.p + "/a.txt"), csUnchecked);
    EXPECT_EQ(t.state(t.p + "/subway"), csNoCheck) << "a sibling with the same start is not below";
    EXPECT_EQ(t.list->CheckStateOfList(computer.get()), csPartly);

    // Unchecking something below a checked folder splits the folder.
    EXPECT_EQ(t.list->Toggle(W(t.p + "/sub/deep/deeper"), true), csUnchecked);
    EXPECT_EQ(t.entries(), (std::vector<std::string>{t.p + "/sub/x.txt"}));
    EXPECT_EQ(t.state(t.p + "/sub/deep"), csUnchecked);
    EXPECT_EQ(t.state(t.p + "/sub"), csPartly);
    EXPECT_EQ(t.state(t.p + "/sub/x.txt"), csChecked);

    // Checking a partly checked folder takes in what was checked below it.
    EXPECT_EQ(t.list->Toggle(W(t.p + "/"), true), csChecked);
    EXPECT_EQ(t.entries(), std::vector<std::string>{t.p + "/*"});
    EXPECT_EQ(t.list->Toggle(W(t.p), true), csUnchecked);
    EXPECT_TRUE(t.entries().empty());
    EXPECT_EQ(changes, 4);
}

TEST(NavSelection, CountsFilesFoldersAndBytesWithoutFollowingLinks) {
    Home h;
    TShellThreadPools pools;
    const std::string big = h.env.home + "/big";
    ::mkdir(big.c_str(), 0755);
    ::mkdir((big + "/inner").c_str(), 0755);
    ASSERT_TRUE(shelltest::sparseFile(big + "/one", 1LL << 30));
    ASSERT_TRUE(shelltest::sparseFile(big + "/inner/ten", 10LL << 30));
    ASSERT_TRUE(shelltest::sparseFile(big + "/inner/five", 5LL << 30));
    // A loop and a link to a folder elsewhere: neither is walked into.
    ASSERT_EQ(::symlink("..", (big + "/inner/loop").c_str()), 0);
    ASSERT_EQ(::symlink(h.pictures.c_str(), (big + "/pictures").c_str()), 0);
    TComponent owner(nullptr);
    auto* list = new TNavSelectionList(&owner);
    int completed = 0;
    list->OnCompletedCalculateFiles = TNotifyEvent([&](TObject*) { ++completed; });
    list->Toggle(W(big), true);
    list->Toggle(W(h.pictures + "/a.txt"), false);
    ASSERT_TRUE(waitFor([&] { return list->PendingCount() == 0; }, 5000));
    EXPECT_EQ(completed, 1);
    EXPECT_EQ(list->FolderCount(), 1);
    // Three sparse files and two links (each counted by its own size), and the text.
    EXPECT_EQ(list->FileCount(), 3 + 2 + 1);
    const unsigned long long links = std::string("..").size() + h.pictures.size();
    EXPECT_EQ(list->ByteSum(), (16ULL << 30) + links + 4);
    // Unchecking takes its count away.
    list->Toggle(W(h.pictures + "/a.txt"), false);
    EXPECT_EQ(list->FileCount(), 5);
    EXPECT_EQ(list->ByteSum(), (16ULL << 30) + links);
}

TEST(NavSelection, ClearingDuringACountLeavesNothing) {
    Home h;
    TShellThreadPools pools;
    TComponent owner(nullptr);
    auto* list = new TNavSelectionList(&owner);
    FolderSizeThreadPool()->SetPaused(true);
    list->Toggle(W(h.pictures), true);
    list->Toggle(W(h.env.home + "/Documents"), true);
    EXPECT_EQ(list->PendingCount(), 2);
    settle(50);  // a worker may hold a count, paused
    list->Clear();
    FolderSizeThreadPool()->SetPaused(false);
    ASSERT_TRUE(waitFor([&] { return FolderSizeThreadPool()->PendingCount() == 0; }, 3000));
    settle(50);
    EXPECT_EQ(list->PendingCount(), 0);
    EXPECT_EQ(list->FileCount(), 0);
    EXPECT_EQ(list->FolderCount(), 0);
    EXPECT_EQ(list->ByteSum(), 0u);
    // Assigning paths starts over with them.
    TFileNames names;
    names.Add(W(h.pictures + "/b.png"));
    list->SetPaths(&names);
    ASSERT_TRUE(waitFor([&] { return list->PendingCount() == 0; }, 3000));
    EXPECT_EQ(list->FileCount(), 1);
}

TEST(NavSelection, TheLinkHoldsASelectionAndTheStateImagesDrawCheckBoxes) {
    TComponent owner(nullptr);
    auto* link = new TNavShellLink(&owner);
    ASSERT_NE(link->SelectionList(), nullptr);
    EXPECT_EQ(link->SelectionList()->Link(), link);

    TNavSelectionStateImageList images(nullptr);
    ASSERT_EQ(images.Count(), 5);
    auto draw = [&](int index) {
        HDC dc = CreateCompatibleDC(nullptr);
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, 16, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HBITMAP canvas = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(dc, canvas);
        RECT all{0, 0, 16, 16};
        HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
        FillRect(dc, &all, green);
        DeleteObject(green);
        ImageList_Draw(images.Handle(), index, dc, 0, 0, ILD_TRANSPARENT);
        std::vector<COLORREF> px;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) px.push_back(GetPixel(dc, x, y));
        SelectObject(dc, old);
        DeleteObject(canvas);
        DeleteDC(dc);
        return px;
    };
    const auto unchecked = draw(3), checked = draw(2), onWhite = draw(0);
    EXPECT_EQ(unchecked[0], RGB(0, 255, 0)) << "the corner of a state image is transparent";
    EXPECT_EQ(onWhite[0], RGB(255, 255, 255));
    EXPECT_NE(checked, unchecked) << "the check mark shows";
    EXPECT_NE(draw(1), unchecked) << "the inactive box differs";
}

TEST(NavSelection, TheListsCheckBoxesCheckThroughTheLinksSelection) {
    Home h;
    TShellThreadPools pools;
    {
        Views alone{false, true};
        alone.list->SetShellLink(nullptr);
        alone.list->SetCheckboxes(true);
        EXPECT_FALSE(alone.list->Checkboxes()) << "refused without a link";
    }
    Views v{false, true};
    v.list->SetPath(W(h.pictures));
    v.list->SetCheckboxes(true);
    v.show();
    std::vector<std::pair<std::string, int>> changed;
    v.list->OnCheckStateChanged = TNavCheckStateChangedEvent(
        [&](TObject*, int, const WideString& path, int state) { changed.emplace_back(R(path), state); });
    TNavShellListItem* png = v.item(u"b.png");
    TNavShellListItem* sub = v.item(u"sub");
    ASSERT_TRUE(png && sub);
    EXPECT_EQ(png->StateIndex(), csUnchecked);
    // Space on the selected item.
    v.list->ClearSelection();
    png->SetSelected(true);
    png->SetFocused(true);
    key(v.list, Qt::Key_Space);
    EXPECT_EQ(png->StateIndex(), csChecked);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0], std::make_pair(h.pictures + "/b.png", csChecked));
    EXPECT_EQ(v.link->SelectionList()->Paths()->Count(), 1);
    // A click on the folder's check box.
    RECT r{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(v.list->Handle(), LVM_GETITEMRECT, static_cast<WPARAM>(sub->Index()), reinterpret_cast<LPARAM>(&r));
    LVHITTESTINFO hit{};
    for (int x = r.left; x < r.left + 40; ++x) {
        hit = LVHITTESTINFO{};
        hit.pt = POINT{x, (r.top + r.bottom) / 2};
        SendMessageW(v.list->Handle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (hit.flags & LVHT_ONITEMSTATEICON) break;
    }
    ASSERT_TRUE(hit.flags & LVHT_ONITEMSTATEICON);
    auto* area = qobject_cast<QAbstractScrollArea*>(platform::windowWidget(v.list->Handle()));
    ASSERT_TRUE(area);
    POINT screen = hit.pt;
    ClientToScreen(v.list->Handle(), &screen);
    QTest::mouseClick(area->viewport(), Qt::LeftButton, Qt::NoModifier,
                      area->viewport()->mapFromGlobal(QPoint(screen.x, screen.y)));
    pump();
    EXPECT_EQ(sub->StateIndex(), csChecked);
    EXPECT_EQ(v.link->SelectionList()->CheckState(W(h.pictures + "/sub/deep")), csChecked);
    ASSERT_TRUE(waitFor([&] { return v.link->SelectionList()->PendingCount() == 0; }));
    EXPECT_EQ(v.link->SelectionList()->FolderCount(), 2) << "deep and deeper";
    EXPECT_EQ(v.link->SelectionList()->FileCount(), 1) << "b.png";

    const char* dir = std::getenv("TESSELLON_SHOT_DIR");
    if (dir && *dir) {
        platform::windowWidget(v.form->Handle())->grab().save(QString::fromUtf8(dir) + "/shell-list-checks.png");
        v.list->SetThumbnails(true);
        waitFor([&] { return ThumbnailThreadPool()->PendingCount() == 0; }, 3000);
        settle(100);
        platform::windowWidget(v.form->Handle())->grab().save(QString::fromUtf8(dir) + "/shell-list-thumbnails-checks.png");
    }
    // Without the link the check boxes go.
    v.list->SetShellLink(nullptr);
    EXPECT_FALSE(v.list->Checkboxes());
    EXPECT_EQ(png->StateIndex(), -1);
}

TEST(NavSelection, TreeAndListShareTheirChecksThroughTheLink) {
    Home h;
    TShellThreadPools pools;
    Views v;
    v.show();
    v.tree->SetSelectedFolder(W(h.pictures));
    v.tree->SetCheckBoxes(true);
    v.list->SetCheckboxes(true);
    ASSERT_TRUE(v.tree->CheckBoxes());
    ASSERT_EQ(v.list->Path(), W(h.pictures + "/"));
    TNavShellTreeNode* pictures = v.tree->Selected();
    ASSERT_TRUE(pictures);
    pictures->Expand(false);
    TNavShellTreeNode* sub = v.node(pictures, u"sub");
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->StateIndex(), csUnchecked);
    EXPECT_EQ(v.tree->RootNode()->StateIndex(), csNoCheck) << "nothing checked on the computer yet";
    std::vector<int> treeStates;
    v.tree->OnCheckStateChanged = TNavTreeCheckStateChangedEvent(
        [&](TObject*, TNavShellTreeNode*, const WideString&, int state) { treeStates.push_back(state); });
    v.tree->ToggleCheck(sub);
    EXPECT_EQ(treeStates, std::vector<int>{csChecked});
    EXPECT_EQ(sub->StateIndex(), csChecked);
    EXPECT_EQ(pictures->StateIndex(), csPartly);
    EXPECT_EQ(v.tree->RootNode()->StateIndex(), csPartly);
    ASSERT_TRUE(v.item(u"sub"));
    EXPECT_EQ(v.item(u"sub")->StateIndex(), csChecked) << "the list heard of it";
    if (const char* dir = std::getenv("TESSELLON_SHOT_DIR"); dir && *dir)
        platform::windowWidget(v.form->Handle())->grab().save(QString::fromUtf8(dir) + "/shell-tree-list-checks.png");
    // Unchecked in the list with Space: the tree follows.
    v.list->ClearSelection();
    v.item(u"sub")->SetSelected(true);
    v.item(u"sub")->SetFocused(true);
    key(v.list, Qt::Key_Space);
    EXPECT_EQ(v.item(u"sub")->StateIndex(), csUnchecked);
    EXPECT_EQ(sub->StateIndex(), csUnchecked);
    EXPECT_EQ(pictures->StateIndex(), csUnchecked);
    // The hub gone, the check boxes go with its selection.
    delete v.link;
    v.link = nullptr;
    EXPECT_FALSE(v.tree->CheckBoxes());
    EXPECT_FALSE(v.list->Checkboxes());
}
