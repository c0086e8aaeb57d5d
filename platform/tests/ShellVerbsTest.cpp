// Verbs on real files: delete to the trash, paste, open, properties, the menu, drops.
#include "platform/msgbox.h"
#include "platform/shellapi.h"
#include "platform/winuser.h"
#include "platform/tests/ShellTestEnv.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMimeData>
#include <QElapsedTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>

using namespace platform;
using shelltest::ShellEnv;

namespace {

std::u16string wide(const std::string& raw) { return fileNameToWide(raw); }

// The context menu of entries of one folder.
std::shared_ptr<IContextMenu> menuOf(const std::string& dir, const std::vector<std::string>& names) {
    std::shared_ptr<IShellFolder> desktop;
    SHGetDesktopFolder(&desktop);
    LPITEMIDLIST dirList = nullptr;
    if (FAILED(SHParseDisplayName(wide(dir).c_str(), nullptr, &dirList, 0, nullptr))) return nullptr;
    ItemIdList ownDir(dirList);
    std::shared_ptr<IUnknown> object;
    desktop->BindToObject(dirList, nullptr, IID_IShellFolder, &object);
    auto folder = queryInterface<IShellFolder>(object);
    std::vector<ItemIdList> lists;
    std::vector<LPCITEMIDLIST> items;
    for (const std::string& n : names) {
        LPITEMIDLIST l = nullptr;
        if (FAILED(folder->ParseDisplayName(nullptr, nullptr, wide(n).c_str(), nullptr, &l, nullptr))) return nullptr;
        lists.emplace_back(l);
        items.push_back(l);
    }
    std::shared_ptr<IUnknown> menu;
    if (FAILED(folder->GetUIObjectOf(nullptr, static_cast<UINT>(items.size()), items.data(), IID_IContextMenu, nullptr, &menu)))
        return nullptr;
    return queryInterface<IContextMenu>(menu);
}

HRESULT invoke(IContextMenu* menu, const char* verb) {
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.lpVerb = verb;
    info.nShow = 1;
    return menu->InvokeCommand(&info);
}

std::vector<std::u16string> captions(HMENU menu) {
    std::vector<std::u16string> out;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) {
            out.push_back(u"-");
            continue;
        }
        char16_t buf[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), reinterpret_cast<LPWSTR>(buf), 64, MF_BYPOSITION);
        out.emplace_back(buf);
    }
    return out;
}

// A pop-up menu handle that goes at the end of the scope.
struct Popup {
    HMENU menu = CreatePopupMenu();
    ~Popup() { DestroyMenu(menu); }
};

// Receives the URLs that "open" hands to the desktop.
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

TEST(ShellVerbs, DeleteAsksThenMovesToTheTrash) {
    ShellEnv env;
    const std::string dir = env.dir.path() + "/work";
    ::mkdir(dir.c_str(), 0755);
    shelltest::write(dir + "/keep.txt", "keep");
    shelltest::write(dir + "/gone.txt", "gone");
    ScriptedMessageBoxes boxes(IDNO);

    auto menu = menuOf(dir, {"keep.txt"});
    ASSERT_TRUE(menu);
    EXPECT_EQ(invoke(menu.get(), "delete"), HRESULT_FROM_WIN32(ERROR_CANCELLED));  // answered No
    EXPECT_TRUE(shelltest::exists(dir + "/keep.txt"));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "Are you sure you want to move \"keep.txt\" to the Trash?");
    EXPECT_EQ(boxes.captions()[0], "Confirm Delete");
    EXPECT_EQ(boxes.shown()[0].buttons(), static_cast<UINT>(MB_YESNO));

    boxes.answer(IDYES);
    menu = menuOf(dir, {"gone.txt"});
    EXPECT_EQ(invoke(menu.get(), "DELETE"), S_OK);
    EXPECT_FALSE(shelltest::exists(dir + "/gone.txt"));
    EXPECT_EQ(shelltest::read(env.trashFiles() + "/gone.txt"), "gone");
    EXPECT_TRUE(shelltest::exists(env.trashInfo() + "/gone.txt.trashinfo"));

    // Two at once ask once, with the count.
    shelltest::write(dir + "/a", "a");
    shelltest::write(dir + "/b", "b");
    boxes.answer(IDYES);
    EXPECT_EQ(invoke(menuOf(dir, {"a", "b"}).get(), "delete"), S_OK);
    EXPECT_EQ(boxes.texts().back(), "Are you sure you want to move these 2 items to the Trash?");
    EXPECT_TRUE(shelltest::exists(env.trashFiles() + "/a"));
    EXPECT_TRUE(shelltest::exists(env.trashFiles() + "/b"));
}

TEST(ShellVerbs, TrashKeepsNamesThatAreNotUtf8AndRestoresThem) {
    ShellEnv env;
    const std::string dir = env.dir.path() + "/work";
    ::mkdir(dir.c_str(), 0755);
    const std::string name = "bad\xFF name";
    shelltest::write(dir + "/" + name, "bytes");
    ScriptedMessageBoxes boxes(IDYES);
    ASSERT_EQ(invoke(menuOf(dir, {name}).get(), "delete"), S_OK);
    EXPECT_EQ(shelltest::read(env.trashFiles() + "/" + name), "bytes");

    // The trash lists it under its original name, and "undelete" puts it back.
    std::shared_ptr<IShellFolder> desktop;
    SHGetDesktopFolder(&desktop);
    LPITEMIDLIST trashList = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &trashList), S_OK);
    ItemIdList ownTrash(trashList);
    std::shared_ptr<IUnknown> object;
    ASSERT_EQ(desktop->BindToObject(trashList, nullptr, IID_IShellFolder, &object), S_OK);
    auto trash = queryInterface<IShellFolder2>(object);
    LPITEMIDLIST entry = nullptr;
    ASSERT_EQ(trash->ParseDisplayName(nullptr, nullptr, wide(name).c_str(), nullptr, &entry, nullptr), S_OK);
    ItemIdList ownEntry(entry);
    SHELLDETAILS d{};
    ASSERT_EQ(trash->GetDetailsOf(entry, 1, &d), S_OK);
    LPWSTR location = nullptr;
    StrRetToStrW(&d.str, entry, &location);
    EXPECT_EQ(std::u16string(location), wide(dir));
    CoTaskMemFree(location);
    LPCITEMIDLIST items[] = {entry};
    std::shared_ptr<IUnknown> menu;
    ASSERT_EQ(trash->GetUIObjectOf(nullptr, 1, items, IID_IContextMenu, nullptr, &menu), S_OK);
    EXPECT_EQ(invoke(queryInterface<IContextMenu>(menu).get(), "undelete"), S_OK);
    EXPECT_EQ(shelltest::read(dir + "/" + name), "bytes");
    EXPECT_FALSE(shelltest::exists(env.trashFiles() + "/" + name));
}

TEST(ShellVerbs, PasteNeverOverwrites) {
    ShellEnv env;
    const std::string from = env.dir.path() + "/from", to = env.dir.path() + "/to";
    ::mkdir(from.c_str(), 0755);
    ::mkdir(to.c_str(), 0755);
    shelltest::write(from + "/report.txt", "new");
    shelltest::write(to + "/report.txt", "old");
    ASSERT_EQ(invoke(menuOf(from, {"report.txt"}).get(), "copy"), S_OK);

    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->data(QStringLiteral("x-special/gnome-copied-files")), QByteArray("copy\nfile://" +
                                                                                     QByteArray::fromStdString(from).toPercentEncoding("/") +
                                                                                     "/report.txt"));
    EXPECT_TRUE(data->hasFormat(QStringLiteral("text/uri-list")));

    // Pasting into "to" keeps its own file and adds a copy under a new name.
    auto target = menuOf(env.dir.path(), {"to"});
    ASSERT_EQ(invoke(target.get(), "paste"), S_OK);
    EXPECT_EQ(shelltest::read(to + "/report.txt"), "old");
    EXPECT_EQ(shelltest::read(to + "/report (copy).txt"), "new");
    ASSERT_EQ(invoke(target.get(), "paste"), S_OK);
    EXPECT_EQ(shelltest::read(to + "/report (copy 2).txt"), "new");
    EXPECT_EQ(shelltest::read(from + "/report.txt"), "new");

    // Cut and paste moves, and empties the clipboard.
    ::mkdir((from + "/dir").c_str(), 0755);
    shelltest::write(from + "/dir/inside", "in");
    ASSERT_EQ(invoke(menuOf(from, {"dir"}).get(), "cut"), S_OK);
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("application/x-kde-cutselection")), "1");
    ASSERT_EQ(invoke(target.get(), "paste"), S_OK);
    EXPECT_EQ(shelltest::read(to + "/dir/inside"), "in");
    EXPECT_FALSE(shelltest::exists(from + "/dir"));
    std::vector<std::string> paths;
    EXPECT_FALSE(clipboardFiles(&paths, nullptr));

    // A folder never goes into itself.
    setClipboardFiles({to}, false);
    EXPECT_EQ(invoke(target.get(), "paste"), HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(shelltest::exists(to + "/to"));
}

TEST(ShellVerbs, RenameAndMoveHelpersRefuseExistingNames) {
    ShellEnv env;
    const std::string dir = env.dir.path();
    shelltest::write(dir + "/a", "a");
    shelltest::write(dir + "/b", "b");
    EXPECT_FALSE(renameNoReplace(dir + "/a", dir + "/b"));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(shelltest::read(dir + "/a"), "a");
    EXPECT_EQ(shelltest::read(dir + "/b"), "b");
    ::mkdir((dir + "/sub").c_str(), 0755);
    std::string created;
    ASSERT_TRUE(pasteFile(dir + "/a", dir + "/sub", true, &created));
    EXPECT_EQ(created, dir + "/sub/a");
    // Moving a file onto its own folder leaves it where it is.
    ASSERT_TRUE(pasteFile(dir + "/b", dir, true, &created));
    EXPECT_EQ(created, dir + "/b");
    EXPECT_EQ(shelltest::read(dir + "/b"), "b");
}

TEST(ShellVerbs, OpenAndPropertiesGoThroughTheirSeams) {
    ShellEnv env;
    const std::string dir = env.dir.path();
    shelltest::write(dir + "/doc \xC3\xA9.txt", "12345");
    UrlCatcher catcher;
    ASSERT_EQ(invoke(menuOf(dir, {"doc \xC3\xA9.txt"}).get(), "open"), S_OK);
    ASSERT_EQ(catcher.urls.size(), 1u);
    EXPECT_EQ(catcher.urls[0].toLocalFile().toStdString(), dir + "/doc \xC3\xA9.txt");

    std::vector<ShellProperties> shown;
    ShellPropertiesHandler old = setShellPropertiesHandler([&](HWND, const std::vector<ShellProperties>& items) { shown = items; });
    ::chmod((dir + "/doc \xC3\xA9.txt").c_str(), 0640);
    EXPECT_EQ(invoke(menuOf(dir, {"doc \xC3\xA9.txt"}).get(), "properties"), S_OK);
    setShellPropertiesHandler(old);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].name, u"doc \u00e9.txt");
    EXPECT_EQ(shown[0].size, 5);
    EXPECT_EQ(shown[0].sizeText, u"5 bytes (5 bytes)");
    EXPECT_EQ(shown[0].location, wide(dir));
    EXPECT_EQ(shown[0].permissions.substr(0, 9), u"rw-r-----");
}

TEST(ShellVerbs, MenuItemsCommandsAndVerbs) {
    ShellEnv env;
    const std::string dir = env.dir.path();
    shelltest::write(dir + "/file.txt", "x");
    auto menu = menuOf(dir, {"file.txt"});
    Popup model;
    const HRESULT hr = menu->QueryContextMenu(model.menu, 0, 1, 255, CMF_EXPLORE);
    ASSERT_TRUE(SUCCEEDED(hr));
    EXPECT_EQ(captions(model.menu), (std::vector<std::u16string>{u"&Open", u"-", u"Cu&t", u"&Copy", u"-", u"&Delete",
                                                                 u"-", u"P&roperties"}));
    const int open = static_cast<int>(GetMenuDefaultItem(model.menu, FALSE, 0));
    ASSERT_GT(open, 0);
    char verb[32] = {};
    ASSERT_EQ(menu->GetCommandString(static_cast<UINT>(open - 1), GCS_VERBA, nullptr, verb, sizeof verb), S_OK);
    EXPECT_STREQ(verb, "open");
    WCHAR help[100] = {};
    ASSERT_EQ(menu->GetCommandString(static_cast<UINT>(open - 1), GCS_HELPTEXTW, nullptr, reinterpret_cast<LPSTR>(help), 100), S_OK);
    EXPECT_FALSE(std::u16string(help).empty());

    Popup renaming;
    menu->QueryContextMenu(renaming.menu, 0, 1, 255, CMF_EXPLORE | CMF_CANRENAME);
    EXPECT_EQ(captions(renaming.menu).size(), captions(model.menu).size() + 1);
    Popup onlyDefault;
    menu->QueryContextMenu(onlyDefault.menu, 0, 1, 255, CMF_DEFAULTONLY);
    EXPECT_EQ(captions(onlyDefault.menu), std::vector<std::u16string>{u"&Open"});

    // Items go in at the position asked; commands keep their offsets.
    Popup mixed;
    AppendMenuW(mixed.menu, MF_STRING, 300, u"Mine");
    menu->QueryContextMenu(mixed.menu, 0, 1, 255, CMF_EXPLORE);
    EXPECT_EQ(captions(mixed.menu).back(), u"Mine");
    EXPECT_EQ(GetMenuItemID(mixed.menu, 0), static_cast<UINT>(open));
    EXPECT_NE(GetMenuState(mixed.menu, 300, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_EQ(invoke(menu.get(), "no-such-verb"), E_INVALIDARG);
    EXPECT_EQ(invoke(menu.get(), "paste"), E_INVALIDARG);  // a file takes nothing in
    EXPECT_EQ(menu->QueryContextMenu(nullptr, 0, 1, 255, CMF_EXPLORE), E_INVALIDARG);
}

TEST(ShellVerbs, UriListsAndDropsCarryRawNames) {
    const std::vector<std::string> paths = {"/tmp/a b/c%d", "/tmp/raw\xFF"};
    const QByteArray list = uriListOf(paths);
    EXPECT_EQ(list, QByteArray("file:///tmp/a%20b/c%25d\r\nfile:///tmp/raw%FF\r\n"));
    EXPECT_EQ(localPathsOfUriList(list), paths);
    EXPECT_EQ(localPathsOfUriList("# comment\nfile://localhost/x\nhttp://host/y\nfile://otherhost/z\n"),
              std::vector<std::string>{"/x"});

    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"), list);
    HDROP drop = dropFromMimeData(&data);
    ASSERT_NE(drop, nullptr);
    EXPECT_EQ(DragQueryFileW(drop, 0xFFFFFFFFu, nullptr, 0), 2u);
    EXPECT_EQ(DragQueryFileW(drop, 0, nullptr, 0), 12u);
    WCHAR small[5];
    EXPECT_EQ(DragQueryFileW(drop, 0, small, 5), 4u);
    EXPECT_EQ(std::u16string(small), u"/tmp");
    std::u16string second(DragQueryFileW(drop, 1, nullptr, 0) + 1, u'\0');
    DragQueryFileW(drop, 1, second.data(), static_cast<UINT>(second.size()));
    second.pop_back();
    EXPECT_EQ(wideToFileName(second), paths[1]);
    EXPECT_EQ(DragQueryFileW(drop, 2, nullptr, 0), 0u);
    DragFinish(drop);
    EXPECT_EQ(DragQueryFileW(drop, 0xFFFFFFFFu, nullptr, 0), 0u);  // gone
    QMimeData none;
    EXPECT_EQ(dropFromMimeData(&none), nullptr);
}

// Runs `step` on the first widget that `find` gives, polling the event loop; everything
// still open after three seconds is closed so that a test cannot hang.
template <class Find, class Step>
void whenShown(Find find, Step step) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    auto* started = new QElapsedTimer;
    started->start();
    QObject::connect(poll, &QTimer::timeout, [=] {
        if (QWidget* w = find()) {
            poll->stop();
            step(w);
        } else if (started->elapsed() > 3000) {
            poll->stop();
            for (QWidget* top : QApplication::topLevelWidgets()) top->close();
        } else {
            return;
        }
        poll->deleteLater();
        delete started;
    });
    poll->start();
}

TEST(ShellVerbs, TheRealMenuAndPropertiesDialog) {
    ShellEnv env;
    const std::string dir = env.dir.path();
    shelltest::write(dir + "/shown.txt", "123");
    Popup model;
    auto shellMenu = menuOf(dir, {"shown.txt"});
    ASSERT_TRUE(SUCCEEDED(shellMenu->QueryContextMenu(model.menu, 0, 1, 255, CMF_EXPLORE)));
    std::vector<QString> texts;
    whenShown([] { return QApplication::activePopupWidget(); },
              [&](QWidget* w) {
                  auto* menu = qobject_cast<QMenu*>(w);
                  for (QAction* a : menu->actions()) {
                      texts.push_back(a->isSeparator() ? QStringLiteral("-") : a->text());
                      if (a->text() == QLatin1String("&Copy")) menu->setActiveAction(a);
                  }
                  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                  QCoreApplication::sendEvent(menu, &enter);
              });
    const UINT copy = static_cast<UINT>(TrackPopupMenu(model.menu, TPM_RETURNCMD, 20, 20, 0, nullptr, nullptr));
    char verb[16] = {};
    ASSERT_EQ(shellMenu->GetCommandString(copy - 1, GCS_VERBA, nullptr, verb, sizeof verb), S_OK);
    EXPECT_STREQ(verb, "copy");
    ASSERT_GE(texts.size(), 4u);
    EXPECT_EQ(texts[0], QStringLiteral("&Open"));
    EXPECT_EQ(texts[1], QStringLiteral("-"));

    std::vector<QString> labels;
    whenShown([] { return QApplication::activeModalWidget(); },
              [&](QWidget* w) {
                  for (QLabel* l : w->findChildren<QLabel*>()) labels.push_back(l->text());
                  qobject_cast<QDialog*>(w)->accept();
              });
    EXPECT_EQ(invoke(menuOf(dir, {"shown.txt"}).get(), "properties"), S_OK);
    ASSERT_FALSE(labels.empty());
    EXPECT_NE(std::find(labels.begin(), labels.end(), QStringLiteral("shown.txt")), labels.end());
    EXPECT_NE(std::find(labels.begin(), labels.end(), QStringLiteral("3 bytes (3 bytes)")), labels.end());
}

#include "ShellVerbsTest.moc"
