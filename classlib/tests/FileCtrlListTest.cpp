// The folder list and the file list on a temporary folder: masks, hidden files, sorting,
// names that are not valid text, moving between folders with the mouse and the keyboard.
#include "classlib/FileCtrl.h"
#include "platform/winuser.h"
#include "testsupport/TestSupport.h"

#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace testsupport;

namespace {

std::vector<String> itemsOf(TCustomListBox* list) {
    std::vector<String> r;
    for (int i = 0; i < list->Items()->Count(); ++i) r.push_back(list->Items()->Strings(i));
    return r;
}

void touch(const std::string& path) { ASSERT_TRUE(writeFile(path, {'x'})); }

QListWidget* listWidgetOf(TWinControl* c) {
    QWidget* w = platform::windowWidget(c->Handle());
    auto* list = qobject_cast<QListWidget*>(w);
    if (!list && w) list = w->findChild<QListWidget*>();
    return list;
}

struct Host {
    std::unique_ptr<TForm> form{new TForm(nullptr)};
    template <class T>
    T* make(int top) {
        auto* c = new T(form.get());
        c->SetParent(form.get());
        c->SetBounds(0, top, 300, 200);
        return c;
    }
};

}  // namespace

TEST(FileListBox, ListsTheMatchingVisibleFilesSortedByName) {
    TempDir dir;
    for (const char* name : {"b.BMP", "a.jpg", "C.Jpg", "notes.txt", "README", ".hidden.bmp", "x.bmp.txt"})
        touch(dir.file(name));
    ASSERT_TRUE(CreateDir(dir.file("folder.bmp")));
    Host h;
    auto* list = h.make<TFileListBox>(0);
    EXPECT_EQ(list->Mask(), "*.*");
    list->SetMask("*.BMP;*.JPG");
    list->SetDirectory(dir.path() + "/");
    EXPECT_EQ(list->Directory(), dir.path());
    EXPECT_EQ(itemsOf(list), (std::vector<String>{"a.jpg", "b.BMP", "C.Jpg"}));
    EXPECT_EQ(list->FileName(), "");
    list->SetItemIndex(1);
    EXPECT_EQ(list->FileName(), dir.file("b.BMP"));
    // "*.*" is every file, names without an extension too; folders and hidden files never.
    list->SetMask("*.*");
    EXPECT_EQ(itemsOf(list),
              (std::vector<String>{"a.jpg", "b.BMP", "C.Jpg", "notes.txt", "README", "x.bmp.txt"}));
    list->SetMask("*.txt; READ??");
    EXPECT_EQ(itemsOf(list), (std::vector<String>{"notes.txt", "README", "x.bmp.txt"}));

    // Update reads the folder again and keeps the chosen file.
    list->SetMask("*.BMP;*.JPG");
    list->SetFileName(dir.file("C.Jpg"));
    EXPECT_EQ(list->ItemIndex(), 2);
    touch(dir.file("0.bmp"));
    ASSERT_TRUE(DeleteFile(dir.file("a.jpg")));
    list->Update();
    EXPECT_EQ(itemsOf(list), (std::vector<String>{"0.bmp", "b.BMP", "C.Jpg"}));
    EXPECT_EQ(list->FileName(), dir.file("C.Jpg"));
    list->SetFileName("missing.bmp");
    EXPECT_EQ(list->ItemIndex(), -1);
    EXPECT_TRUE(MatchesFileMask("photo.JpG", "*.bmp;*.jpg"));
    EXPECT_FALSE(MatchesFileMask("photo.jpeg", "*.bmp;*.jpg"));
    EXPECT_FALSE(MatchesFileMask("photo.jpg", ""));
}

TEST(FileListBox, KeepsNamesThatAreNotValidTextExactly) {
    TempDir dir;
    const String odd = "bild\xff\xfe\x80.bmp";
    touch(dir.file(odd));
    touch(dir.file("\xc3\xa9t\xc3\xa9.bmp"));  // valid UTF-8
    Host h;
    auto* files = h.make<TFileListBox>(0);
    auto* folders = h.make<TDirectoryListBox>(210);
    ASSERT_TRUE(CreateDir(dir.file("ordner\xfe")));
    folders->SetFileList(files);
    files->SetMask("*.bmp");
    folders->SetDirectory(dir.path());
    h.form->SetBounds(0, 0, 320, 440);
    h.form->Show();
    ASSERT_EQ(files->Items()->Count(), 2);
    const int i = files->Items()->IndexOf(odd);
    ASSERT_GE(i, 0);
    files->SetItemIndex(i);
    EXPECT_EQ(files->FileName(), dir.file(odd));
    EXPECT_TRUE(FileExists(files->FileName()));
    // The windows show them as well as they can, and painting them is safe.
    ASSERT_NE(listWidgetOf(files), nullptr);
    EXPECT_EQ(listWidgetOf(files)->count(), 2);
    platform::windowWidget(h.form->Handle())->grab();
    // The odd folder can be entered.
    const int sub = folders->Items()->Count() - 1;
    EXPECT_EQ(folders->GetItemPath(sub), dir.file("ordner\xfe"));
    folders->SetItemIndex(sub);
    folders->OpenCurrent();
    EXPECT_EQ(folders->Directory(), dir.file("ordner\xfe"));
    EXPECT_EQ(files->Items()->Count(), 0);
    // The temporary folder cannot remove names that are not valid text itself.
    EXPECT_TRUE(DeleteFile(dir.file(odd)));
    EXPECT_TRUE(RemoveDir(dir.file("ordner\xfe")));
}

TEST(DirectoryListBox, ShowsAncestorsAndSubfoldersAndFollowsTheFileList) {
    TempDir dir;
    for (const char* name : {"Zeta", "alpha", ".git", "beta"}) ASSERT_TRUE(CreateDir(dir.file(name)));
    touch(dir.file("x.bmp"));
    touch(dir.file("alpha/y.bmp"));
    Host h;
    auto* files = h.make<TFileListBox>(0);
    auto* folders = h.make<TDirectoryListBox>(210);
    folders->SetFileList(files);
    int changes = 0;
    folders->OnChange = TNotifyEvent([&](TObject*) { ++changes; });
    folders->SetDirectory(dir.path() + "/");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(folders->Directory(), dir.path());
    EXPECT_EQ(files->Directory(), dir.path());
    EXPECT_EQ(itemsOf(files), std::vector<String>{"x.bmp"});

    // The root first, one item per folder of the path, the current folder chosen, then
    // the visible subfolders, each level indented further.
    const int current = folders->ItemIndex();
    ASSERT_GE(current, 1);
    EXPECT_EQ(folders->GetItemPath(0), "/");
    EXPECT_EQ(folders->Items()->Strings(0), "/");
    EXPECT_EQ(folders->GetItemPath(current), dir.path());
    EXPECT_EQ(Trim(folders->Items()->Strings(current)), ExtractFileName(dir.path()));
    ASSERT_EQ(folders->Items()->Count(), current + 4);
    EXPECT_EQ(folders->GetItemPath(current + 1), dir.file("alpha"));
    EXPECT_EQ(folders->GetItemPath(current + 2), dir.file("beta"));
    EXPECT_EQ(folders->GetItemPath(current + 3), dir.file("Zeta"));
    EXPECT_GT(folders->Items()->Strings(current + 1).find_first_not_of(' '),
              folders->Items()->Strings(current).find_first_not_of(' '));
    for (int i = 1; i < current; ++i)
        EXPECT_EQ(ExtractFileDir(folders->GetItemPath(i + 1)), folders->GetItemPath(i)) << i;
    EXPECT_THROW(folders->GetItemPath(folders->Items()->Count()), EListError);

    // Relative folders are taken from the current one; the same folder changes nothing.
    folders->SetDirectory("alpha");
    EXPECT_EQ(folders->Directory(), dir.file("alpha"));
    EXPECT_EQ(itemsOf(files), std::vector<String>{"y.bmp"});
    folders->SetDirectory("..");
    EXPECT_EQ(folders->Directory(), dir.path());
    folders->SetDirectory(dir.path());
    EXPECT_EQ(changes, 3);
    // A folder that does not exist is refused and nothing moves.
    EXPECT_THROW(folders->SetDirectory(dir.file("gone")), EOSError);
    EXPECT_THROW(folders->SetDirectory(dir.file("x.bmp")), EOSError);
    EXPECT_EQ(folders->Directory(), dir.path());
    EXPECT_EQ(changes, 3);

    // A subfolder made meanwhile appears after Update.
    ASSERT_TRUE(CreateDir(dir.file("gamma")));
    folders->Update();
    EXPECT_EQ(folders->GetItemPath(folders->ItemIndex() + 3), dir.file("gamma"));

    // A freed file list is forgotten.
    files->Free();
    EXPECT_EQ(folders->FileList(), nullptr);
    folders->SetDirectory("/");
    EXPECT_EQ(folders->Items()->Count() > 1, true);
    EXPECT_EQ(folders->ItemIndex(), 0);
}

TEST(DirectoryListBox, DoubleClickAndEnterOpenTheFolderOfTheItem) {
    TempDir dir;
    ASSERT_TRUE(CreateDir(dir.file("one")));
    ASSERT_TRUE(CreateDir(dir.file("one/two")));
    Host h;
    auto* folders = h.make<TDirectoryListBox>(0);
    folders->SetBounds(0, 0, 300, 400);
    folders->SetDirectory(dir.path());
    int dblClicks = 0;
    folders->OnDblClick = TNotifyEvent([&](TObject*) { ++dblClicks; });
    h.form->SetBounds(0, 0, 320, 420);
    h.form->Show();
    QListWidget* w = listWidgetOf(folders);
    ASSERT_NE(w, nullptr);
    // A click only chooses the item under the pointer; a double click opens it, once.
    const int sub = folders->Items()->Count() - 1;
    int clicks = 0;
    folders->OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
    const QPoint at = w->visualItemRect(w->item(sub)).center();
    QTest::mouseClick(w->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(folders->ItemIndex(), sub);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(folders->Directory(), dir.path());
    QTest::mouseDClick(w->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(folders->Directory(), dir.file("one"));
    EXPECT_EQ(dblClicks, 1);
    EXPECT_EQ(folders->GetItemPath(folders->Items()->Count() - 1), dir.file("one/two"));

    // Up arrow and Enter open the parent folder, the item above the current one.
    w->setFocus();
    QTest::keyClick(w, Qt::Key_Up);
    QTest::keyClick(w, Qt::Key_Return);
    EXPECT_EQ(folders->Directory(), dir.path());
}
