// The shell-namespace object on real folders, its verbs and the folder history.
#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "platform/gdi.h"
#include "platform/msgbox.h"
#include "platform/tests/ShellTestEnv.h"
#include "shell/ShellNamespace.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <set>
#include <thread>

using shelltest::ShellEnv;

namespace {

WideString W(const std::string& raw) { return platform::fileNameToWide(raw); }

std::vector<WideString> allNames(TShellNamespace& ns) {
    std::vector<WideString> out;
    while (ns.NextObject()) out.push_back(ns.ObjectName());
    return out;
}

// A folder with files a.txt, b.bmp, C.JPG, .hidden and the folder sub.
struct Sample {
    ShellEnv env;
    std::string dir = env.dir.path() + "/sample dir";
    Sample() {
        ::mkdir(dir.c_str(), 0755);
        for (const char* n : {"a.txt", "b.bmp", "C.JPG", ".hidden"}) shelltest::write(dir + "/" + n, n);
        ::mkdir((dir + "/sub").c_str(), 0755);
    }
    WideString folder() const { return W(dir + "/"); }
};

class MenuSource : public IShellMenuSource {
public:
    std::vector<TShellMenuItem> items;
    int popups = 0;
    void Popup() override { ++popups; }
    std::vector<TShellMenuItem> MenuItems() override { return items; }
};

// What a shown menu held: captions without the shortcut, which follows a tab.
struct ShownItem {
    std::u16string caption;
    std::u16string shortcut;
    bool enabled = true;
    bool checked = false;
    bool separator = false;
    std::vector<ShownItem> items;
};

// Watches for the context menu and chooses, with the mouse, the first item with this
// caption (opening sub-menus on the way), or closes the menu with Escape when there is
// none. Records what the menu showed and the hints while the pointer is on each step.
class Presenter {
public:
    explicit Presenter(std::u16string caption) : caption_(std::move(caption)) {
        InitApplication();
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(5);
    }
    std::vector<ShownItem> shown;
    std::vector<String> hints;

private:
    static std::u16string textOf(const QAction* a) { return a->text().section(QLatin1Char('\t'), 0, 0).toStdU16String(); }
    static std::vector<ShownItem> record(QMenu* menu) {
        std::vector<ShownItem> out;
        for (QAction* a : menu->actions()) {
            ShownItem item;
            item.separator = a->isSeparator();
            item.caption = textOf(a);
            if (a->text().contains(QLatin1Char('\t'))) item.shortcut = a->text().section(QLatin1Char('\t'), 1).toStdU16String();
            item.enabled = a->isEnabled();
            item.checked = a->isChecked();
            if (a->menu()) item.items = record(a->menu());
            out.push_back(std::move(item));
        }
        return out;
    }
    bool contains(QMenu* menu) const {
        for (QAction* a : menu->actions())
            if ((!a->menu() && textOf(a) == caption_) || (a->menu() && contains(a->menu()))) return true;
        return false;
    }
    void point(QMenu* menu, QAction* a) {
        QTest::mouseMove(menu, menu->actionGeometry(a).center());
        QApplication::processEvents();
        hints.push_back(Application->Hint());
    }
    void poll() {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        // Each menu once: a menu handled before is still closing (or is a sub-menu of it).
        if (!menu || handled_) return;
        handled_ = menu;
        shown = record(menu);
        hints.clear();
        for (QMenu* m = menu; m;) {
            QMenu* next = nullptr;
            for (QAction* a : m->actions()) {
                if (!a->menu() && textOf(a) == caption_) {
                    point(m, a);
                    QTest::mouseClick(m, Qt::LeftButton, {}, m->actionGeometry(a).center());
                    return;
                }
                if (a->menu() && contains(a->menu())) {
                    point(m, a);
                    QTest::mouseClick(m, Qt::LeftButton, {}, m->actionGeometry(a).center());
                    QApplication::processEvents();
                    next = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                    break;
                }
            }
            if (!next || next == m) break;
            m = next;
        }
        QTest::keyClick(menu, Qt::Key_Escape);
    }
    std::u16string caption_;
    QTimer timer_;
    QPointer<QMenu> handled_;
};

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    std::vector<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.push_back(url); }
};

}  // namespace

TEST(ShellNamespace, StartsOnTheComputerAndSetsFolders) {
    Sample s;
    TShellNamespace ns(nullptr);
    EXPECT_EQ(ns.SpecialFolder(), SF_DRIVES);
    EXPECT_EQ(ns.Folder(), u"");
    EXPECT_EQ(ns.Version(), "TShellNamespace V1.0");
    // Published by name, as layouts reach them.
    EXPECT_EQ(ns.property("Version").value<String>(), "TShellNamespace V1.0");
    EXPECT_TRUE(ns.setProperty("Filter", QVariant::fromValue(WideString(u"*.a;*.b"))));
    EXPECT_EQ(ns.Filter(), u"*.a;*.b");
    ns.SetFilter(u"*");
    EXPECT_EQ(ns.property("SpecialFolder").value<TNavShellFolder>(), SF_DRIVES);
    ASSERT_TRUE(ns.NextObject());
    EXPECT_EQ(ns.DisplayName(), u"File System");
    EXPECT_EQ(ns.ObjectName(), u"/");  // a root stays whole

    ns.SetFolder(W(s.dir));
    EXPECT_EQ(ns.Folder(), s.folder());
    EXPECT_EQ(ns.SpecialFolder(), SF_FILESYSTEMFOLDER);

    // The same path again keeps the enumeration where it is.
    ASSERT_TRUE(ns.NextObject());
    const WideString first = ns.ObjectName();
    ns.SetFolder(s.folder());
    ASSERT_TRUE(ns.NextObject());
    EXPECT_NE(ns.ObjectName(), first);

    // Another letter case is another path: it does not exist, and nothing changes.
    const std::string upper = s.env.dir.path() + "/SAMPLE DIR";
    try {
        ns.SetFolder(W(upper));
        FAIL() << "no error";
    } catch (const EShellNamespaceError& e) {
        EXPECT_EQ(e.Message, "Path not found.\n" + upper);
    }
    EXPECT_EQ(ns.Folder(), s.folder());

    ns.SetSpecialFolder(SF_PERSONAL);
    EXPECT_EQ(ns.Folder(), W(s.env.home + "/Documents/"));
    // A folder that cannot exist here is refused, and the folder stays.
    for (const TNavShellFolder kind : {SF_PRINTERS, SF_CONTROLS, SF_NETWORK, SF_NETHOOD, SF_COOKIES}) {
        try {
            ns.SetSpecialFolder(kind);
            ADD_FAILURE() << "no error for " << kind;
        } catch (const EShellNamespaceError& e) {
            EXPECT_EQ(e.Message.rfind("ShellNamespace.SetFolderIDList: Desktop.BindToObject: Could not get "
                                      "IShellFolder interface. (", 0),
                      0u)
                << e.Message;
        }
    }
    EXPECT_EQ(ns.SpecialFolder(), SF_PERSONAL);
    EXPECT_EQ(ns.Folder(), W(s.env.home + "/Documents/"));
    // A user folder that is missing is the home folder, as on a Linux desktop.
    ns.SetSpecialFolder(SF_TEMPLATES);
    EXPECT_EQ(ns.Folder(), W(s.env.home + "/"));
    ASSERT_EQ(::rmdir((s.env.home + "/Documents").c_str()), 0);
    ns.SetFolder(W(s.dir));
    ns.SetSpecialFolder(SF_PERSONAL);
    EXPECT_EQ(ns.Folder(), W(s.env.home + "/"));
    ASSERT_EQ(::mkdir((s.env.home + "/Documents").c_str(), 0755), 0);
    ns.SetSpecialFolder(SF_DESKTOP);
    EXPECT_EQ(ns.SpecialFolder(), SF_DESKTOP);
    EXPECT_EQ(ns.Folder(), W(s.env.home + "/Desktop/"));
}

TEST(ShellNamespace, SetFolderIDListBindsFirstAndSettersCopyFirst) {
    Sample s;
    TShellNamespace ns(nullptr);
    ns.SetFolder(W(s.dir));
    ns.SetObjectName(u"a.txt");
    TPidl fileList = PidlCopy(ns.AbsoluteObjectPidl());
    try {
        ns.SetFolderIDList(fileList.get());  // a file is no folder
        FAIL() << "no error";
    } catch (const EShellNamespaceError& e) {
        EXPECT_EQ(e.Message,
                  "ShellNamespace.SetFolderIDList: Desktop.BindToObject: Could not get IShellFolder interface. (The name is not a folder.)");
    }
    EXPECT_EQ(ns.Folder(), s.folder());
    EXPECT_EQ(ns.ObjectName(), u"a.txt");

    // Arguments that point into the object's own lists.
    ns.SetObjectPidl(ns.ObjectIDList());
    EXPECT_EQ(ns.ObjectName(), u"a.txt");
    ns.SetObjectName(u"sub");
    ns.SetFolderIDList(ns.AbsoluteObjectPidl());
    EXPECT_EQ(ns.Folder(), W(s.dir + "/sub/"));
    ns.SetAbsolutePidl(ns.FolderIDList());
    EXPECT_EQ(ns.Folder(), s.folder());
    EXPECT_EQ(ns.ObjectName(), u"sub");
    EXPECT_TRUE(ns.EnterObject());
    EXPECT_EQ(ns.Folder(), W(s.dir + "/sub/"));
    ns.SelectFolderObject();
    EXPECT_EQ(ns.ObjectName(), u"sub");
    ns.SetAbsolutePidl(nullptr);
    EXPECT_EQ(ns.SpecialFolder(), SF_DESKTOP);
}

TEST(ShellNamespace, EnumerationFiltersAndHiddenFiles) {
    Sample s;
    TShellNamespace ns(nullptr);
    ns.SetFolder(W(s.dir));
    std::vector<WideString> all = allNames(ns);
    EXPECT_EQ(all, (std::vector<WideString>{u".hidden", u"C.JPG", u"a.txt", u"b.bmp", u"sub"}));
    // After the end the next call starts again.
    ASSERT_TRUE(ns.NextObject());
    EXPECT_EQ(ns.ObjectName(), u".hidden");
    EXPECT_TRUE(ns.IsHidden());

    EXPECT_EQ(ns.Filter(), u"*");
    ns.SetFilter(u"");
    EXPECT_EQ(ns.Filter(), u"*");
    ns.SetFilter(u"*.BMP;*.jpg");
    EXPECT_EQ(ns.Filter(), u"*.BMP;*.jpg");
    ns.SetFolder(W(s.dir));
    ns.SetFolderIDList(ns.FolderIDList());  // the same list: the enumeration starts over
    EXPECT_EQ(allNames(ns), (std::vector<WideString>{u"C.JPG", u"b.bmp", u"sub"}));  // folders pass
    ns.SetFilter(u"*.txt;*.bmp;");
    EXPECT_EQ(ns.Filter(), u"*.txt;*.bmp");
    EXPECT_EQ(ns.MultiObjects()->Count(), 0);
    EXPECT_EQ(allNames(ns), (std::vector<WideString>{u"a.txt", u"b.bmp", u"sub"}));
    ns.SetFilter(u"*.*");
    shelltest::write(s.dir + "/NODOT", "x");
    EXPECT_EQ(allNames(ns), (std::vector<WideString>{u".hidden", u"C.JPG", u"a.txt", u"b.bmp", u"sub"}));

    // FileSystemOnly at the desktop leaves out the trash, keeps Home and Computer.
    ns.SetFilter(u"*");
    ns.SetSpecialFolder(SF_DESKTOP);
    std::vector<WideString> display;
    while (ns.NextObject()) display.push_back(ns.DisplayName());
    EXPECT_EQ(display, (std::vector<WideString>{u"Home", u"Computer", u"Trash"}));
    ns.SetFileSystemOnly(true);
    display.clear();
    while (ns.NextObject()) display.push_back(ns.DisplayName());
    EXPECT_EQ(display, (std::vector<WideString>{u"Home", u"Computer"}));
}

TEST(ShellNamespace, ObjectNamesAndTheirErrors) {
    Sample s;
    shelltest::write(s.dir + "/A.TXT", "upper");
    TShellNamespace ns(nullptr);
    ns.SetObjectName(W(s.dir + "/b.bmp"));  // a full path moves the folder
    EXPECT_EQ(ns.Folder(), s.folder());
    EXPECT_EQ(ns.ObjectName(), u"b.bmp");
    ns.SetObjectName(u"A.TXT");
    EXPECT_EQ(ns.ObjectName(), u"A.TXT");  // exact first
    ns.SetObjectName(u"a.txt");
    EXPECT_EQ(ns.ObjectName(), u"a.txt");
    ns.SetObjectName(u"b.BMP");  // without case when nothing matches exactly
    EXPECT_EQ(ns.ObjectName(), u"b.bmp");
    try {
        ns.SetObjectName(u"zzz");
        FAIL() << "no error";
    } catch (const EShellNamespaceError& e) {
        EXPECT_EQ(e.Message, "Error! Cannot find Object \"zzz\" in Folder \"" + s.dir + "/\"");
    }
    ns.SetObjectName(u"");
    EXPECT_EQ(ns.ObjectName(), u"");

    // A display name is found by enumerating, from the start even when an enumeration ran.
    ns.SetSpecialFolder(SF_DESKTOP);
    ASSERT_TRUE(ns.NextObject());
    ASSERT_TRUE(ns.NextObject());
    ASSERT_TRUE(ns.NextObject());  // past Home and Computer
    ns.SetObjectName(u"Computer");
    EXPECT_EQ(ns.DisplayName(), u"Computer");
    EXPECT_TRUE(ns.IsFolder());
    EXPECT_TRUE(ns.EnterObject());
    EXPECT_EQ(ns.SpecialFolder(), SF_DRIVES);
    ns.SetObjectName(u"/");  // a root selects itself within its parent
    EXPECT_EQ(ns.SpecialFolder(), SF_DRIVES);
    EXPECT_EQ(ns.DisplayName(), u"File System");
}

TEST(ShellNamespace, ObjectFacts) {
    Sample s;
    ASSERT_TRUE(shelltest::sparseFile(s.dir + "/big", 5368709120LL));
    ASSERT_EQ(::symlink("sub", (s.dir + "/dirlink").c_str()), 0);
    ASSERT_EQ(::symlink("a.txt", (s.dir + "/filelink").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (s.dir + "/dangling").c_str()), 0);
    ::mkdir((s.dir + "/sub/deeper").c_str(), 0755);
    // Written at 12:00 on 2 January 2024 in a zone one hour east of universal time: the
    // date reads 11:00, universal time.
    const char* oldZone = std::getenv("TZ");
    const std::string savedZone = oldZone ? oldZone : "";
    ::setenv("TZ", "UTC-1", 1);
    ::tzset();
    struct tm local {};
    local.tm_year = 124;
    local.tm_mon = 0;
    local.tm_mday = 2;
    local.tm_hour = 12;
    local.tm_isdst = 0;
    const time_t when = ::mktime(&local);
    EXPECT_EQ(when, 1704193200);
    struct timespec times[2] = {{when, 0}, {when, 0}};
    ::utimensat(AT_FDCWD, (s.dir + "/a.txt").c_str(), times, 0);

    TShellNamespace ns(nullptr);
    ns.SetFolder(W(s.dir));
    ns.SetObjectName(u"a.txt");
    const double elevenUtc = 45293.0 + 11.0 / 24.0;  // 2 January 2024 is day 45,293
    EXPECT_NEAR(ns.ObjectDateTime(), elevenUtc, 1e-9);
    if (oldZone)
        ::setenv("TZ", savedZone.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
    EXPECT_FALSE(ns.IsFolder());
    EXPECT_FALSE(ns.HasSubFolders());
    EXPECT_EQ(ns.OverlayIndex(), -1);
    EXPECT_GE(ns.SmallIconIndex(), 0);
    EXPECT_NE(ns.InfoTip(false).find(u"Type: "), WideString::npos);
    ns.SetObjectName(u"sub");
    EXPECT_TRUE(ns.HasSubFolders());
    EXPECT_NE(ns.SmallIconIndex(), ns.OpenSmallIconIndex());
    EXPECT_NE(ns.InfoTip(true).find(u"Contains: 1 item"), WideString::npos);
    ns.SetObjectName(u"dirlink");
    EXPECT_TRUE(ns.IsLink());
    EXPECT_EQ(ns.OverlayIndex(), 1);
    EXPECT_EQ(ns.LinkTarget(), W(s.dir + "/sub"));
    ns.SetObjectName(u"filelink");
    EXPECT_EQ(ns.LinkTarget(), u"");
    ns.SetObjectName(u"dangling");
    EXPECT_EQ(ns.LinkTarget(), u"");
    EXPECT_EQ(ns.DesktopName(), u"Desktop");
    EXPECT_GE(ns.DesktopIconIndex(), 0);

    // Detail columns through the object.
    int width = -1;
    EXPECT_EQ(ns.ColumnInfo(1, width), 1);
    EXPECT_EQ(width, 70);
    EXPECT_EQ(ns.DetailsText(0, true), u"Name");
    EXPECT_EQ(ns.DetailsText(4, true), u"");
    ns.SetObjectName(u"big");
    EXPECT_EQ(ns.DetailsText(1, false), u"5.00 GB");
    EXPECT_EQ(ns.DetailsText(0, false), u"big");
}

TEST(ShellNamespace, ThumbnailsFitTheAskedSize) {
    Sample s;
    QImage picture(400, 300, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    ASSERT_TRUE(picture.save(QString::fromStdString(s.dir + "/picture.png")));
    TShellNamespace ns(nullptr);
    ns.SetObjectName(W(s.dir + "/picture.png"));
    auto size = [](HBITMAP b) {
        BITMAP bm{};
        GetObjectW(b, sizeof bm, &bm);
        DeleteObject(b);
        return std::make_pair(bm.bmWidth, bm.bmHeight);
    };
    EXPECT_EQ(size(ns.ExtractThumbnail(0, 50)), std::make_pair(200, 150));  // 0 means 200 x 200
    EXPECT_EQ(size(ns.ExtractThumbnail(100, 100)), std::make_pair(100, 75));
    ns.SetObjectName(u"a.txt");
    EXPECT_EQ(ns.ExtractThumbnail(100, 100), nullptr);
}

TEST(ShellNamespace, VerbsOnRealFiles) {
    Sample s;
    TShellNamespace ns(nullptr);
    ns.SetFolder(W(s.dir));
    platform::ScriptedMessageBoxes boxes(IDNO);

    // Delete asks first; No keeps the file and reports failure.
    ns.SetObjectName(u"a.txt");
    EXPECT_FALSE(ns.ExecuteVerb("delete"));
    EXPECT_TRUE(shelltest::exists(s.dir + "/a.txt"));
    boxes.answer(IDYES);
    EXPECT_TRUE(ns.ExecuteVerb("Delete"));
    EXPECT_FALSE(shelltest::exists(s.dir + "/a.txt"));
    EXPECT_EQ(shelltest::read(s.env.trashFiles() + "/a.txt"), "a.txt");
    EXPECT_EQ(boxes.shown().size(), 2u);

    // Rename onto an existing name fails and both files survive.
    ns.SetObjectName(u"b.bmp");
    WideString name = u"C.JPG";
    EXPECT_FALSE(ns.RenameObject(name));
    EXPECT_EQ(shelltest::read(s.dir + "/b.bmp"), "b.bmp");
    EXPECT_EQ(shelltest::read(s.dir + "/C.JPG"), "C.JPG");
    name = u"renamed.bmp";
    ASSERT_TRUE(ns.RenameObject(name));
    EXPECT_EQ(name, u"renamed.bmp");
    EXPECT_EQ(ns.ObjectName(), u"renamed.bmp");

    // Paste never overwrites: the folder's own C.JPG stays, the copy gets a new name.
    ::mkdir((s.dir + "/other").c_str(), 0755);
    shelltest::write(s.dir + "/other/C.JPG", "other");
    ns.SetFolder(W(s.dir + "/other"));
    ns.SetObjectName(u"C.JPG");
    ASSERT_TRUE(ns.ExecuteVerb("copy"));
    ns.SetFolder(W(s.dir));
    ns.SetObjectName(u"sub");
    shelltest::write(s.dir + "/sub/C.JPG", "sub's own");
    ASSERT_TRUE(ns.ExecuteVerb("paste"));
    EXPECT_EQ(shelltest::read(s.dir + "/sub/C.JPG"), "sub's own");
    EXPECT_EQ(shelltest::read(s.dir + "/sub/C (copy).JPG"), "other");

    // "default" opens a file with the desktop's program; the computer has no default verb.
    UrlCatcher catcher;
    ns.SetObjectName(u"C.JPG");
    EXPECT_TRUE(ns.ExecuteVerb(""));
    ASSERT_EQ(catcher.urls.size(), 1u);
    EXPECT_EQ(catcher.urls[0].toLocalFile().toStdString(), s.dir + "/C.JPG");
    ns.SetSpecialFolder(SF_DESKTOP);
    ns.SetObjectName(u"Computer");
    EXPECT_FALSE(ns.ExecuteVerb("default"));
    EXPECT_FALSE(ns.ExecuteVerb("delete"));  // nothing to delete there
    EXPECT_EQ(boxes.shown().size(), 2u);
    // Rename without a view that edits names does nothing and says so.
    EXPECT_FALSE(ns.ExecuteVerb("rename"));
    int renames = 0;
    ns.OnRename = [&](TObject*) { ++renames; };
    EXPECT_TRUE(ns.ExecuteVerb("rename"));
    EXPECT_EQ(renames, 1);
    // The program may refuse a verb.
    ns.OnContextMenuSelect = [](TObject*, const String& verb, bool& execute) { execute = verb != "copy"; };
    EXPECT_FALSE(ns.ExecuteVerb("copy"));
}

TEST(ShellNamespace, SeveralObjectsLeaveTheFolderWhereItWas) {
    Sample s;
    ::mkdir((s.dir + "/far").c_str(), 0755);
    shelltest::write(s.dir + "/far/x", "x");
    TShellNamespace ns(nullptr);
    ns.SetFolder(W(s.dir));
    ns.MultiObjects()->Add(u"a.txt");
    ns.MultiObjects()->Add(u"b.bmp");
    ASSERT_TRUE(ns.ExecuteVerb("copy"));
    EXPECT_EQ(ns.MultiObjects()->Count(), 0);
    std::vector<std::string> paths;
    ASSERT_TRUE(platform::clipboardFiles(&paths, nullptr));
    EXPECT_EQ(paths, (std::vector<std::string>{s.dir + "/a.txt", s.dir + "/b.bmp"}));

    ns.MultiObjects()->Add(W(s.dir + "/far/x"));
    ns.MultiObjects()->Add(u"C.JPG");
    ASSERT_TRUE(ns.ExecuteVerb("copy"));
    EXPECT_EQ(ns.Folder(), s.folder());
    ASSERT_TRUE(platform::clipboardFiles(&paths, nullptr));
    EXPECT_EQ(paths, (std::vector<std::string>{s.dir + "/far/x", s.dir + "/C.JPG"}));
    // A name that is not there fails the verb.
    ns.MultiObjects()->Add(u"a.txt");
    ns.MultiObjects()->Add(u"missing");
    EXPECT_FALSE(ns.ExecuteVerb("copy"));
}

TEST(ShellNamespace, ContextMenuCopiesTheProgramItems) {
    Sample s;
    TShellNamespace ns(nullptr);
    ns.SetFolder(W(s.dir));
    ns.SetObjectName(u"a.txt");
    MenuSource source;
    int clicked = 0;
    TShellMenuItem view;
    view.Caption = u"&View";
    view.Hint = u"View|Changes the view";
    TShellMenuItem large;
    large.Caption = u"Large";
    large.Checked = true;
    large.Hint = u"Large|Shows large icons";
    large.ShortCut = u"Ctrl+L";
    large.OnClick = [&] { ++clicked; };
    view.Items.push_back(large);
    TShellMenuItem off;
    off.Caption = u"Off";
    off.Enabled = false;
    source.items = {view, off};

    {
        Presenter choose(u"Large");
        EXPECT_EQ(ns.ShowContextMenu(POINT{5, 5}, &source), "");
        EXPECT_EQ(clicked, 1);
        EXPECT_EQ(source.popups, 1);
        const auto& items = choose.shown;
        ASSERT_GE(items.size(), 4u);
        EXPECT_EQ(items[0].caption, u"&View");
        ASSERT_EQ(items[0].items.size(), 1u);
        EXPECT_TRUE(items[0].items[0].checked);
        EXPECT_EQ(items[0].items[0].shortcut, u"Ctrl+L");
        // Hints: the sub-menu's own, then the item's long hint.
        EXPECT_EQ(choose.hints, (std::vector<String>{"Changes the view", "Shows large icons"}));
        EXPECT_FALSE(items[1].enabled);
        EXPECT_TRUE(items[2].separator);
        EXPECT_EQ(items[3].caption, u"&Open");
        EXPECT_EQ(Application->Hint(), "");  // cleared as the menu closed
    }
    {
        // The shell's own items show the shell's help text.
        Presenter choose(u"&Open");
        ns.SetObjectName(u"a.txt");
        ns.ShowContextMenu(POINT{5, 5}, &source);
        ASSERT_EQ(choose.hints.size(), 1u);
        EXPECT_FALSE(choose.hints[0].empty());
    }
    {
        Presenter choose(u"&Copy");
        ns.SetShowContextMenuOnTop(true);
        EXPECT_EQ(ns.ShowContextMenu(POINT{5, 5}, &source), "copy");
        EXPECT_EQ(choose.shown[0].caption, u"&Open");
        EXPECT_EQ(choose.shown.back().caption, u"Off");
    }
    {
        // A read-only view's menu does not delete.
        platform::ScriptedMessageBoxes boxes(IDYES);
        Presenter choose(u"&Delete");
        ns.SetRestrictContextMenu(true);
        EXPECT_EQ(ns.ShowContextMenu(POINT{5, 5}, nullptr), "");
        EXPECT_TRUE(shelltest::exists(s.dir + "/a.txt"));
        ns.SetRestrictContextMenu(false);
        EXPECT_EQ(ns.ShowContextMenu(POINT{5, 5}, nullptr), "delete");
        EXPECT_FALSE(shelltest::exists(s.dir + "/a.txt"));
    }
    {
        Presenter nothing(u"not there");
        ns.SetObjectName(u"b.bmp");
        EXPECT_EQ(ns.ShowContextMenu(POINT{5, 5}, nullptr), "");
    }
}

TEST(ShellNamespace, ContextMenuCopiesAPopupMenu) {
    Sample s;
    TShellNamespace ns(nullptr);
    ns.SetFolder(W(s.dir));
    ns.SetObjectName(u"a.txt");
    TPopupMenu menu(nullptr);
    int popups = 0, clicks = 0;
    menu.OnPopup = [&](TObject* sender) {
        EXPECT_EQ(sender, &menu);
        ++popups;
    };
    auto* view = new TMenuItem(&menu);
    view->SetName("ViewItem");
    view->SetCaption("&View");
    auto* large = new TMenuItem(&menu);
    large->SetCaption("Large \xC3\xA9");
    large->SetAutoCheck(true);
    large->SetHint("Large|Shows large icons");
    large->SetShortCut(ShortCut('L', ssCtrl));
    large->OnClick = [&](TObject*) { ++clicks; };
    view->Add(large);
    auto* off = new TMenuItem(&menu);
    off->SetCaption("Off");
    off->SetEnabled(false);
    menu.Items()->Add(view);
    menu.Items()->Add(off);

    Presenter choose(u"Large \u00e9");
    EXPECT_EQ(ns.ShowContextMenu(POINT{5, 5}, &menu), "");
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(large->Checked());  // the source item was clicked
    const auto& items = choose.shown;
    ASSERT_GE(items.size(), 4u);
    EXPECT_EQ(items[0].caption, u"&View");
    ASSERT_EQ(items[0].items.size(), 1u);
    EXPECT_EQ(items[0].items[0].shortcut, u"Ctrl+L");  // the shortcut is copied
    EXPECT_EQ(choose.hints.back(), "Shows large icons");
    EXPECT_FALSE(items[1].enabled);
    EXPECT_TRUE(items[2].separator);
    EXPECT_EQ(items[3].caption, u"&Open");
    TPopupMenuItems copied(&menu);
    EXPECT_EQ(copied.MenuItems()[0].Name, "ViewItem2");
}

TEST(ShellNamespace, OwnerWindowOfShellCalls) {
    InitApplication();
    ASSERT_TRUE(Application);
    TShellNamespace alone(nullptr);
    EXPECT_EQ(alone.OwnerWindow(), Application->Handle());
    alone.SetShowErrorMessages(false);
    EXPECT_EQ(alone.OwnerWindow(), nullptr);

    auto* form = new TForm(nullptr);
    auto* ns = new TShellNamespace(form);
    EXPECT_EQ(ns->OwnerWindow(), Application->Handle());  // not loaded yet
    ns->Loaded();
    EXPECT_EQ(ns->OwnerWindow(), form->Handle());
    HWND fromWorker = reinterpret_cast<HWND>(1);
    std::thread([&] { fromWorker = ns->OwnerWindow(); }).join();
    EXPECT_EQ(fromWorker, nullptr);  // workers show nothing
    delete form;
}

TEST(PidlHistory, AddBackForwardDelete) {
    ShellEnv env;
    const long long before = platform::taskMemBlocksInUse();
    {
        TPidlHistory h;
        h.Back(1);
        h.Forward(3);  // nothing happens on an empty history
        EXPECT_EQ(h.Index(), 0);
        EXPECT_EQ(h.Current(), nullptr);
        h.Add(nullptr);
        EXPECT_EQ(h.Count(), 0);
        const std::vector<std::string> dirs = {env.home, env.home + "/Desktop", env.home + "/Documents"};
        for (const std::string& d : dirs) h.Add(PathToPidl(nullptr, W(d)));
        EXPECT_EQ(h.Count(), 3);
        EXPECT_EQ(h.Index(), 2);
        h.Back(2);
        EXPECT_EQ(PidlToPath(h.Current()), W(dirs[0]));
        h.Back(5);
        EXPECT_EQ(h.Index(), 0);
        h.Forward(1);
        h.Add(PathToPidl(nullptr, W(env.home + "/.config")));  // drops Documents
        EXPECT_EQ(h.Count(), 3);
        EXPECT_EQ(h.Index(), 2);
        EXPECT_EQ(PidlToPath(h.Item(1)), W(dirs[1]));
        h.Forward(9);
        EXPECT_EQ(h.Index(), 2);
        h.Delete(2);  // the current last entry
        EXPECT_EQ(h.Index(), 1);
        EXPECT_EQ(PidlToPath(h.Current()), W(dirs[1]));
        h.Delete(0);  // an entry before the current one
        EXPECT_EQ(h.Index(), 0);
        EXPECT_EQ(PidlToPath(h.Current()), W(dirs[1]));
        h.Delete(0);
        EXPECT_EQ(h.Count(), 0);
        EXPECT_EQ(h.Index(), 0);
        EXPECT_THROW(h.Delete(0), EListError);
        h.Add(PathToPidl(nullptr, W(env.home)));
        h.Add(PathToPidl(nullptr, W(env.home)));
    }
    EXPECT_EQ(platform::taskMemBlocksInUse(), before);  // every list freed with the history
}

#include "ShellNamespaceTest.moc"

TEST(ShellNamespace, IsRegisteredForLayouts) {
    RegisterShellClasses();
    Sample s;
    TComponent root(nullptr);
    ReadComponentText("object Root: TComponent\n"
                      "  object ShellNamespace1: TShellNamespace\n"
                      "    Filter = '*.bmp;*.png'\n"
                      "    FileSystemOnly = True\n"
                      "  end\n"
                      "end\n",
                      &root);
    auto* ns = dynamic_cast<TShellNamespace*>(root.FindComponent("ShellNamespace1"));
    ASSERT_NE(ns, nullptr);
    EXPECT_EQ(ns->Filter(), u"*.bmp;*.png");
    EXPECT_TRUE(ns->FileSystemOnly());
    EXPECT_EQ(ns->Owner(), &root);
}

TEST(ShellNamespace, NamesAndPathsThatAreNotUtf8) {
    Sample s;
    const std::string odd = s.dir + "/\xFF ordner";
    ASSERT_EQ(::mkdir(odd.c_str(), 0755), 0);
    shelltest::write(odd + "/caf\xE9.bmp", "x");
    TShellNamespace ns(nullptr);
    ns.SetFolder(W(s.dir));
    // Listed, entered and listed again; names and paths carry the bytes.
    ASSERT_NO_THROW(ns.SetObjectName(W("\xFF ordner")));
    ASSERT_TRUE(ns.EnterObject());
    EXPECT_EQ(ns.Folder(), W(odd + "/"));
    EXPECT_EQ(allNames(ns), std::vector<WideString>{W("caf\xE9.bmp")});
    // A full path names the object; its path opens as 8-bit text and as UTF-16.
    TShellNamespace other(nullptr);
    other.SetObjectName(W(odd + "/caf\xE9.bmp"));
    EXPECT_EQ(other.Folder(), W(odd + "/"));
    EXPECT_EQ(other.ObjectName(), W("caf\xE9.bmp"));
    const WideString full = other.Folder() + other.ObjectName();
    EXPECT_EQ(PidlToPath(other.AbsoluteObjectPidl()), full);
    EXPECT_TRUE(FileExists(WideToAnsi(full)));
    EXPECT_TRUE(PathExists(full));
    EXPECT_EQ(FileSizeOf(full), 1);
    ::unlink((odd + "/caf\xE9.bmp").c_str());
    ::rmdir(odd.c_str());
}
