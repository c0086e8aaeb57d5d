// The shell list on real folders in a temporary home: filling, columns, icons, sorting, the
// filter, changes made by other processes, verbs and keys, renaming in place and the link.
#include "ShellViewsSupport.h"

#include "platform/clipboard.h"
#include "platform/msgbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <set>
#include <thread>

using namespace shellviews;

namespace {

struct ListOnly : Home {
    Views v{false, true};
    ListOnly() {
        v.list->SetPath(W(pictures));
        v.show();
    }
};

}  // namespace

TEST(ShellList, FillsTheFolderWithColumnsAndLeavesHiddenOut) {
    ListOnly t;
    TNavShellList* list = t.v.list;
    EXPECT_EQ(list->Path(), W(t.pictures + "/"));
    // Folders first, then the files by name; hidden ones are left out.
    EXPECT_EQ(t.v.captions(), (std::vector<WideString>{u"sub", u"a.txt", u"b.png", u"C.JPG", u"d.jpg"}));
    ASSERT_EQ(list->Columns()->Count(), 4);
    EXPECT_EQ(list->Column(0)->Caption(), u"Name");
    EXPECT_EQ(list->Column(1)->Caption(), u"Size");
    EXPECT_EQ(list->Column(2)->Caption(), u"Type");
    EXPECT_EQ(list->Column(3)->Caption(), u"Date Modified");
    EXPECT_EQ(list->Column(1)->Alignment(), TControl::taRightJustify);
    EXPECT_EQ(list->ViewStyle(), vsReport);

    list->SetShowHidden(true);
    EXPECT_EQ(t.v.captions(),
              (std::vector<WideString>{u".secret", u"sub", u".hidden", u"a.txt", u"b.png", u"C.JPG", u"d.jpg"}));
    list->SetShowHidden(false);
    list->SetShowFolders(false);
    EXPECT_EQ(t.v.captions().front(), u"a.txt");
}

TEST(ShellList, ItemsGetTheirIconsAndDetailsWhenTheyAreDrawn) {
    ListOnly t;
    TNavShellListItem* png = t.v.item(u"b.png");
    ASSERT_TRUE(png);
    t.v.paint();
    for (int i = 0; i < t.v.list->Items()->Count(); ++i) EXPECT_TRUE(t.v.list->Item(i)->DataFilled) << i;
    std::set<int> icons;
    for (const char16_t* name : {u"sub", u"a.txt", u"b.png", u"C.JPG"}) {
        TNavShellListItem* item = t.v.item(name);
        ASSERT_TRUE(item);
        EXPECT_GE(item->ImageIndex(), 0);
        icons.insert(item->ImageIndex());
    }
    // A folder, a text and two kinds of pictures: the JPEG's icon is not the text's.
    EXPECT_GE(icons.size(), 3u);
    EXPECT_NE(t.v.item(u"C.JPG")->ImageIndex(), t.v.item(u"a.txt")->ImageIndex());
    EXPECT_EQ(t.v.item(u"C.JPG")->ImageIndex(), t.v.item(u"d.jpg")->ImageIndex());
    ASSERT_EQ(png->SubItems()->Count(), 3);
    EXPECT_FALSE(png->SubItems()->Get(0).empty());  // size
    EXPECT_FALSE(png->SubItems()->Get(1).empty());  // type
    EXPECT_EQ(t.v.item(u"a.txt")->SubItems()->Get(0), u"4 bytes");
}

TEST(ShellList, SortsByColumnBothWaysAndKeepsTheParentItemFirst) {
    ListOnly t;
    TNavShellList* list = t.v.list;
    list->SetShowParentFolder(true);
    ASSERT_TRUE(list->Item(0)->ParentItem);
    auto names = [&] {
        std::vector<WideString> r;
        for (int i = 0; i < list->Items()->Count(); ++i) r.push_back(list->Item(i)->Caption());
        return r;
    };
    // The name column again: descending, the parent item still first.
    list->SortByColumn(0);
    EXPECT_TRUE(list->SortDescending());
    EXPECT_EQ(names(), (std::vector<WideString>{u" .. ", u"d.jpg", u"C.JPG", u"b.png", u"a.txt", u"sub"}));
    list->SortByColumn(0);
    EXPECT_FALSE(list->SortDescending());
    EXPECT_EQ(names().front(), u" .. ");
    EXPECT_EQ(names()[1], u"sub");
    // By size: the 4-byte text before the pictures, whatever their size; another column
    // starts ascending.
    list->SortByColumn(1);
    EXPECT_EQ(list->SortColumn(), 1);
    EXPECT_FALSE(list->SortDescending());
    EXPECT_EQ(names().front(), u" .. ");
    const auto sorted = names();
    EXPECT_LT(std::find(sorted.begin(), sorted.end(), u"a.txt"), std::find(sorted.begin(), sorted.end(), u"b.png"));
    list->SortByColumn(1);
    EXPECT_TRUE(list->SortDescending());
    EXPECT_EQ(names().front(), u" .. ");
    const auto reversed = names();
    EXPECT_GT(std::find(reversed.begin(), reversed.end(), u"a.txt"), std::find(reversed.begin(), reversed.end(), u"b.png"));
}

TEST(ShellList, TheFilterMatchesExtensionsIgnoringCase) {
    ListOnly t;
    t.v.list->SetFilter(u"*.JPG;*.PNG");
    EXPECT_EQ(t.v.captions(), (std::vector<WideString>{u"sub", u"b.png", u"C.JPG", u"d.jpg"}));
    t.v.list->SetFilter(u"*.txt");
    EXPECT_EQ(t.v.captions(), (std::vector<WideString>{u"sub", u"a.txt"}));
}

TEST(ShellList, FilesMadeByAnotherProcessAreMergedInOneRefresh) {
    ListOnly t;
    TNavShellList* list = t.v.list;
    ASSERT_TRUE(list->Notifier()->IsRegistered());
    const int full = list->FullRefreshCount();
    const int merged = list->IncrementalRefreshCount();
    std::string command = "cd " + shq(t.pictures) + " && touch";
    for (int i = 0; i < 20; ++i) command += " new" + std::to_string(i) + ".txt";
    sh(command + " && rm a.txt");
    ASSERT_TRUE(waitFor([&] { return list->Items()->Count() == 5 - 1 + 20; }, 3000)) << list->Items()->Count();
    settle(ShellTickCount() ? 700 : 700);
    EXPECT_EQ(list->IncrementalRefreshCount(), merged + 1) << "one merged refresh for the whole burst";
    EXPECT_EQ(list->FullRefreshCount(), full);
    EXPECT_EQ(t.v.item(u"a.txt"), nullptr);
    EXPECT_NE(t.v.item(u"new19.txt"), nullptr);
    // A rename by another process: the old name goes, the new one comes.
    sh("mv " + shq(t.pictures + "/b.png") + " " + shq(t.pictures + "/renamed.png"));
    ASSERT_TRUE(waitFor([&] { return t.v.item(u"renamed.png") != nullptr && t.v.item(u"b.png") == nullptr; }, 2000));
}

TEST(ShellList, TheWatchFollowsTheFolderShown) {
    ListOnly t;
    TNavShellList* list = t.v.list;
    EXPECT_TRUE(platform::changeWatchActive(t.pictures));
    list->SetPath(W(t.pictures + "/sub"));
    EXPECT_TRUE(platform::changeWatchActive(t.pictures + "/sub"));
    EXPECT_FALSE(platform::changeWatchActive(t.pictures)) << "the folder left is no longer watched";
    // Without automatic refresh nothing is watched.
    list->SetAutomaticRefresh(false);
    EXPECT_FALSE(platform::changeWatchActive(t.pictures + "/sub"));
    list->SetAutomaticRefresh(true);
    EXPECT_TRUE(platform::changeWatchActive(t.pictures + "/sub"));
}

TEST(ShellList, MoreThanThreeHundredItemsAreFilledAnewOnChange) {
    ListOnly t;
    TNavShellList* list = t.v.list;
    // 295 new files and the 5 shown: 300 merge, one more refills.
    std::string command = "cd " + shq(t.pictures) + " && for i in $(seq 1 295); do : > f$i; done";
    sh(command);
    ASSERT_TRUE(waitFor([&] { return list->Items()->Count() == 300; }, 4000)) << list->Items()->Count();
    const int full = list->FullRefreshCount();
    const int merged = list->IncrementalRefreshCount();
    sh("touch " + shq(t.pictures + "/g1"));
    ASSERT_TRUE(waitFor([&] { return list->Items()->Count() == 301; }, 3000));
    EXPECT_EQ(list->FullRefreshCount(), full);
    EXPECT_EQ(list->IncrementalRefreshCount(), merged + 1);
    sh("touch " + shq(t.pictures + "/g2"));
    ASSERT_TRUE(waitFor([&] { return list->Items()->Count() == 302; }, 3000));
    EXPECT_EQ(list->FullRefreshCount(), full + 1);
}

TEST(ShellList, ADeletedFileGoesAtOnceAndADeletedShownFolderLeavesForTheComputer) {
    Home h;
    const std::string shown = h.pictures + "/sub/deep";
    Views v{false, true};
    v.list->SetPath(W(shown));
    v.show();
    ASSERT_EQ(v.captions(), std::vector<WideString>{u"deeper"});
    // Only an item of the shown folder goes; the same name elsewhere does not touch it.
    sh("mkdir " + shq(h.pictures + "/deeper") + " && rmdir " + shq(h.pictures + "/deeper"));
    settle(200);
    EXPECT_EQ(v.captions(), std::vector<WideString>{u"deeper"});
    sh("rmdir " + shq(shown + "/deeper"));
    ASSERT_TRUE(waitFor([&] { return v.list->Items()->Count() == 0; }, 2000));
    // The folder itself goes: after the change timer the list shows the computer.
    sh("rmdir " + shq(shown));
    ASSERT_TRUE(waitFor([&] { return v.list->Path().empty(); }, 3000)) << R(v.list->Path());
    EXPECT_EQ(v.list->SpecialFolder(), SF_DRIVES);
    EXPECT_GT(v.list->Items()->Count(), 0);
}

TEST(ShellList, RenamingInPlaceNeverReplacesAnotherFile) {
    ListOnly t;
    TNavShellList* list = t.v.list;
    std::vector<std::pair<int, WideString>> ops;
    list->OnOperation = TOnOperation([&](TObject*, int code, TFileNames* files, const WideString& to) {
        ops.emplace_back(code, files->Strings(0) + u" -> " + to);
    });
    platform::ScriptedMessageBoxes boxes;
    TNavShellListItem* text = t.v.item(u"a.txt");
    ASSERT_TRUE(text);
    auto rename = [&](TNavShellListItem* item, const QString& name) {
        ASSERT_TRUE(item->EditCaption());
        const auto edit = reinterpret_cast<HWND>(SendMessageW(list->Handle(), LVM_GETEDITCONTROL, 0, 0));
        ASSERT_TRUE(edit);
        QWidget* ew = platform::windowWidget(edit);
        QTest::keyClick(ew, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(ew, name);
        QTest::keyClick(ew, Qt::Key_Return);
        pump();
    };
    rename(text, "b.png");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(text->Caption(), u"a.txt");
    EXPECT_EQ(shelltest::read(t.pictures + "/a.txt"), "text");
    EXPECT_TRUE(QImage(QString::fromStdString(t.pictures + "/b.png")).width() == 8) << "the picture is intact";
    EXPECT_TRUE(ops.empty());

    rename(text, "notes.txt");
    EXPECT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(text->Caption(), u"notes.txt");
    EXPECT_EQ(shelltest::read(t.pictures + "/notes.txt"), "text");
    EXPECT_FALSE(shelltest::exists(t.pictures + "/a.txt"));
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0].first, opRenamed);
    EXPECT_EQ(ops[0].second, W(t.pictures + "/a.txt -> " + t.pictures + "/notes.txt"));
}

TEST(ShellList, DeleteAsksAndMovesToTheTrash) {
    ListOnly t;
    TNavShellList* list = t.v.list;
    std::vector<int> ops;
    list->OnOperation = TOnOperation([&](TObject*, int code, TFileNames*, const WideString&) { ops.push_back(code); });
    platform::ScriptedMessageBoxes boxes;
    t.v.item(u"a.txt")->SetSelected(true);
    t.v.item(u"a.txt")->SetFocused(true);
    boxes.answer(IDNO);
    key(list, Qt::Key_Delete);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(shelltest::exists(t.pictures + "/a.txt")) << "no means no";
    EXPECT_TRUE(ops.empty());
    boxes.answer(IDYES);
    key(list, Qt::Key_Delete);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_NE(boxes.texts()[1].find("a.txt"), std::string::npos);
    EXPECT_FALSE(shelltest::exists(t.pictures + "/a.txt"));
    EXPECT_EQ(shelltest::read(t.env.trashFiles() + "/a.txt"), "text");
    EXPECT_EQ(ops, std::vector<int>{opDeleted});
    ASSERT_TRUE(waitFor([&] { return t.v.item(u"a.txt") == nullptr; }, 2000));
}

TEST(ShellList, PasteWithAnEmptyClipboardIsNoOperationAndNeverOverwrites) {
    ListOnly t;
    TNavShellList* list = t.v.list;
    std::vector<int> ops;
    list->OnOperation = TOnOperation([&](TObject*, int code, TFileNames*, const WideString&) { ops.push_back(code); });
    platform::clearClipboardFiles();
    QApplication::clipboard()->clear();
    key(list, Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(ops.empty());
    // A copy of a file of the same name elsewhere: the one here stays as it is.
    const std::string other = t.env.home + "/other";
    ::mkdir(other.c_str(), 0755);
    shelltest::write(other + "/a.txt", "other text");
    shelltest::write(other + "/e.txt", "new");
    platform::setClipboardFiles({other + "/a.txt", other + "/e.txt"}, false);
    key(list, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(shelltest::read(t.pictures + "/a.txt"), "text");
    EXPECT_EQ(shelltest::read(t.pictures + "/e.txt"), "new");
    EXPECT_EQ(shelltest::read(other + "/a.txt"), "other text");
}

TEST(ShellList, TheOwnersEnterRunsAndAConsumedKeyRunsNoVerb) {
    ListOnly t;
    TNavShellList* list = t.v.list;
    int pressed = 0;
    list->OnKeyPress = TKeyPressEvent([&](TObject*, char& Key) {
        if (Key == '\r') {
            ++pressed;
            Key = 0;
        }
    });
    TNavShellListItem* folder = t.v.item(u"sub");
    folder->SetSelected(true);
    folder->SetFocused(true);
    key(list, Qt::Key_Return);
    EXPECT_EQ(pressed, 1);
    EXPECT_EQ(list->Path(), W(t.pictures + "/")) << "the folder was not entered";
    // Without the owner's handler Enter opens the folder, and Backspace goes back.
    list->OnKeyPress = TKeyPressEvent();
    key(list, Qt::Key_Return);
    EXPECT_EQ(list->Path(), W(t.pictures + "/sub/"));
    key(list, Qt::Key_Backspace);
    EXPECT_EQ(list->Path(), W(t.pictures + "/"));
    ASSERT_TRUE(list->Selected());
    EXPECT_EQ(list->Selected()->Caption(), u"sub") << "the folder left is selected";
    // Enter on a file asks the desktop to open it.
    t.v.list->ClearSelection();
    t.v.item(u"b.png")->SetSelected(true);
    key(list, Qt::Key_Return);
    ASSERT_EQ(t.opened.size(), 1u);
    EXPECT_NE(t.opened[0].find("b.png"), std::string::npos);
}

namespace {
// A thumbnail job that waits on the worker until it is let go.
struct SlowThumbnail : TBasicWorkItem {
    explicit SlowThumbnail(TObject* owner, std::atomic<bool>* go, std::atomic<int>* started)
        : TBasicWorkItem(owner), go_(go), started_(started) {}
    void Execute() override {
        ++*started_;
        while (!*go_ && !Aborted()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::atomic<bool>* go_;
    std::atomic<int>* started_;
};
}  // namespace

TEST(ShellList, ThumbnailJobsOfAFreedListNeverReportToIt) {
    Home h;
    TShellThreadPools pools;
    std::atomic<bool> go{false};
    std::atomic<int> started{0};
    int completed = 0;
    SetThumbnailJobMaker([&](TNavShellList* list, LPCITEMIDLIST, int, int, int) -> IWorkItemPtr {
        auto job = std::make_shared<SlowThumbnail>(list, &go, &started);
        job->SetOnDone(TWorkItemEvent([&](TBasicWorkItem*) { ++completed; }));
        return job;
    });
    {
        Views v{false, true};
        v.list->SetThumbnails(true);
        v.list->SetPath(W(h.pictures));
        v.show();
        EXPECT_EQ(v.list->ViewStyle(), vsIcon);
        ASSERT_TRUE(waitFor([&] { return started > 0; }, 2000));
    }
    go = true;
    settle(300);
    EXPECT_EQ(completed, 0) << "a completion ran after its list was freed";
    InstallThumbnailJobs();
}

TEST(ShellList, TheContextMenuOffersTheShellsVerbsWithTheProgramsItems) {
    ListOnly t;
    TNavShellList* list = t.v.list;
    auto* extra = new TPopupMenu(t.v.form.get());
    auto* mine = new TMenuItem(extra);
    mine->SetCaption("My command");
    int mineClicked = 0;
    mine->OnClick = TNotifyEvent([&](TObject*) { ++mineClicked; });
    extra->Items()->Add(mine);
    list->SetPopupMenu(extra);
    TNavShellListItem* png = t.v.item(u"b.png");
    list->ClearSelection();
    png->SetSelected(true);
    png->SetFocused(true);
    {
        MenuChooser chooser(u"&Copy");
        key(list, Qt::Key_F10, Qt::ShiftModifier);
        ASSERT_TRUE(chooser.seen());
        for (const char16_t* verb : {u"&Open", u"Cu&t", u"&Copy", u"&Delete", u"Rena&me", u"P&roperties", u"My command"})
            EXPECT_NE(std::find(chooser.shown.begin(), chooser.shown.end(), verb), chooser.shown.end()) << R(verb);
    }
    std::vector<std::string> paths;
    bool cut = true;
    ASSERT_TRUE(platform::clipboardFiles(&paths, &cut));
    EXPECT_EQ(paths, std::vector<std::string>{t.pictures + "/b.png"});
    EXPECT_FALSE(cut);
    {
        MenuChooser chooser(u"My command");
        key(list, Qt::Key_F10, Qt::ShiftModifier);
        ASSERT_TRUE(chooser.seen());
    }
    EXPECT_EQ(mineClicked, 1);
}
