// The folder objects on real files in a temporary home.
#include "platform/gdi.h"
#include "platform/shellapi.h"
#include "platform/tests/ShellTestEnv.h"

#include <QIcon>
#include <QImage>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace platform;
using shelltest::ShellEnv;

namespace {

std::u16string wide(const std::string& raw) { return fileNameToWide(raw); }

ItemIdList parse(const std::string& raw, HRESULT* result = nullptr) {
    LPITEMIDLIST list = nullptr;
    const HRESULT hr = SHParseDisplayName(wide(raw).c_str(), nullptr, &list, 0, nullptr);
    if (result) *result = hr;
    return ItemIdList(list);
}

std::shared_ptr<IShellFolder2> bind(const std::string& raw) {
    std::shared_ptr<IShellFolder> desktop;
    SHGetDesktopFolder(&desktop);
    ItemIdList list = parse(raw);
    std::shared_ptr<IUnknown> object;
    if (!list || FAILED(desktop->BindToObject(list.get(), nullptr, IID_IShellFolder, &object))) return nullptr;
    return queryInterface<IShellFolder2>(object);
}

std::u16string displayName(IShellFolder* folder, LPCITEMIDLIST item, DWORD flags = SHGDN_NORMAL) {
    STRRET s{};
    if (FAILED(folder->GetDisplayNameOf(item, flags, &s))) return u"<failed>";
    LPWSTR text = nullptr;
    StrRetToStrW(&s, item, &text);
    std::u16string out(text ? text : u"");
    CoTaskMemFree(text);
    return out;
}

// Display names of everything a folder enumerates with these flags.
std::vector<std::u16string> names(IShellFolder* folder, DWORD flags) {
    std::shared_ptr<IEnumIDList> e;
    std::vector<std::u16string> out;
    if (FAILED(folder->EnumObjects(nullptr, flags, &e))) return out;
    LPITEMIDLIST item = nullptr;
    ULONG n = 0;
    while (e->Next(1, &item, &n) == S_OK) {
        ItemIdList own(item);
        out.push_back(displayName(folder, item));
    }
    return out;
}

ItemIdList child(IShellFolder* folder, const std::u16string& name) {
    LPITEMIDLIST list = nullptr;
    folder->ParseDisplayName(nullptr, nullptr, name.c_str(), nullptr, &list, nullptr);
    return ItemIdList(list);
}

std::u16string detail(IShellFolder2* folder, LPCITEMIDLIST item, UINT column, int* fmt = nullptr) {
    SHELLDETAILS d{};
    if (FAILED(folder->GetDetailsOf(item, column, &d))) return u"<none>";
    if (fmt) *fmt = d.fmt;
    LPWSTR text = nullptr;
    StrRetToStrW(&d.str, item, &text);
    std::u16string out(text ? text : u"");
    CoTaskMemFree(text);
    return out;
}

short compare(IShellFolder* folder, LPARAM column, LPCITEMIDLIST a, LPCITEMIDLIST b) {
    const HRESULT hr = folder->CompareIDs(column, a, b);
    EXPECT_TRUE(SUCCEEDED(hr));
    return static_cast<short>(HRESULT_CODE(hr));
}

}  // namespace

TEST(ShellFolder, DesktopHoldsHomeComputerTrashAndTheDesktopDirectory) {
    ShellEnv env;
    shelltest::write(env.home + "/Desktop/note.txt", "x");
    shelltest::write(env.home + "/Desktop/.hidden", "x");
    std::shared_ptr<IShellFolder> desktop;
    ASSERT_EQ(SHGetDesktopFolder(&desktop), S_OK);
    const DWORD all = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
    EXPECT_EQ(names(desktop.get(), all), (std::vector<std::u16string>{u"Home", u"Computer", u"Trash", u"note.txt"}));
    EXPECT_EQ(names(desktop.get(), all | SHCONTF_INCLUDEHIDDEN).size(), 5u);
    EXPECT_EQ(names(desktop.get(), SHCONTF_FOLDERS).size(), 3u);
    EXPECT_EQ(displayName(desktop.get(), nullptr), u"Desktop");

    // The desktop's path is the desktop directory; Computer holds "/" as "File System".
    ItemIdList empty = makeItemIdList({});
    std::u16string path;
    ASSERT_TRUE(pathFromIDList(empty.get(), &path));
    EXPECT_EQ(path, wide(env.home + "/Desktop"));
    ItemIdList computer = makeItemIdList({ShellItem{ShellItemKind::Computer, SHELLITEM_FOLDER, {}}});
    std::shared_ptr<IUnknown> object;
    ASSERT_EQ(desktop->BindToObject(computer.get(), nullptr, IID_IShellFolder, &object), S_OK);
    auto computerFolder = queryInterface<IShellFolder2>(object);
    ASSERT_TRUE(computerFolder);
    EXPECT_EQ(names(computerFolder.get(), all).front(), u"File System");
    EXPECT_FALSE(pathFromIDList(computer.get(), &path));
    EXPECT_EQ(detail(computerFolder.get(), nullptr, 3), u"Free Space");
}

TEST(ShellFolder, PathsRoundTripWithSpacesAccentsAndRawBytes) {
    ShellEnv env;
    const std::string dir = env.dir.path() + "/with space";
    ::mkdir(dir.c_str(), 0755);
    for (const std::string& name : {std::string("a b.txt"), std::string("\xC3\xA9t\xC3\xA9.png"), std::string("raw\xFF\xFE.bin")}) {
        const std::string path = dir + "/" + name;
        shelltest::write(path, "data");
        ItemIdList list = parse(path);
        ASSERT_TRUE(list) << path;
        std::vector<ShellItem> items;
        ASSERT_TRUE(decodeItemIdList(list.get(), items));
        EXPECT_EQ(items[0].kind, ShellItemKind::Computer);
        EXPECT_EQ(items[1].kind, ShellItemKind::Volume);
        EXPECT_EQ(items.back().name, name);
        std::string back;
        ASSERT_TRUE(rawPathFromIDList(list.get(), &back));
        EXPECT_EQ(back, path);
        // Parsing the same path again gives an equal list.
        EXPECT_TRUE(ILIsEqual(list.get(), parse(path).get()));
    }
    HRESULT hr = S_OK;
    EXPECT_FALSE(parse(dir + "/missing.txt", &hr));
    EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(parse(dir + "/missing/deeper.txt", &hr));
    EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    // ".." and "." are resolved before parsing.
    std::string back;
    ASSERT_TRUE(rawPathFromIDList(parse(dir + "/./../with space/a b.txt").get(), &back));
    EXPECT_EQ(back, dir + "/a b.txt");
}

TEST(ShellFolder, AttributesOfFoldersLinksAndHiddenEntries) {
    ShellEnv env;
    const std::string dir = env.dir.path();
    ::mkdir((dir + "/sub").c_str(), 0755);
    ::mkdir((dir + "/sub/inner").c_str(), 0755);
    shelltest::write(dir + "/.secret", "x");
    ASSERT_EQ(::symlink("sub", (dir + "/to-sub").c_str()), 0);
    ASSERT_EQ(::symlink(".secret", (dir + "/to-file").c_str()), 0);
    auto folder = bind(dir);
    ASSERT_TRUE(folder);
    auto attributes = [&](const char16_t* name, SFGAOF mask) {
        ItemIdList item = child(folder.get(), name);
        LPCITEMIDLIST items[] = {item.get()};
        SFGAOF a = mask;
        EXPECT_EQ(folder->GetAttributesOf(1, items, &a), S_OK) << QString::fromStdU16String(name).toStdString();
        return a;
    };
    const SFGAOF mask = SFGAO_FOLDER | SFGAO_LINK | SFGAO_HIDDEN | SFGAO_FILESYSTEM | SFGAO_HASSUBFOLDER |
                        SFGAO_CANRENAME | SFGAO_CANDELETE;
    EXPECT_EQ(attributes(u"sub", mask), SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_HASSUBFOLDER | SFGAO_CANRENAME | SFGAO_CANDELETE);
    EXPECT_EQ(attributes(u"to-sub", mask) & (SFGAO_FOLDER | SFGAO_LINK), SFGAO_FOLDER | SFGAO_LINK);
    EXPECT_EQ(attributes(u"to-file", mask) & (SFGAO_FOLDER | SFGAO_LINK), SFGAO_LINK);
    EXPECT_EQ(attributes(u".secret", mask) & (SFGAO_HIDDEN | SFGAO_FOLDER), SFGAO_HIDDEN);
    EXPECT_EQ(attributes(u"sub/inner", SFGAO_HASSUBFOLDER), 0u);
    // Only what is asked comes back.
    EXPECT_EQ(attributes(u"sub", SFGAO_LINK), 0u);

    // Links get the link overlay (counted from 1: share 1, link 2); others none.
    ItemIdList link = child(folder.get(), u"to-sub");
    int overlay = -1;
    auto overlays = std::dynamic_pointer_cast<IShellIconOverlay>(folder);
    ASSERT_TRUE(overlays);
    EXPECT_EQ(overlays->GetOverlayIndex(link.get(), &overlay), S_OK);
    EXPECT_EQ(overlay, 2);
    EXPECT_TRUE(FAILED(overlays->GetOverlayIndex(child(folder.get(), u"sub").get(), &overlay)));

    if (::geteuid() != 0) {  // root may write anywhere
        ::chmod(dir.c_str(), 0555);
        EXPECT_EQ(attributes(u"sub", SFGAO_CANRENAME | SFGAO_CANDELETE), 0u);
        ::chmod(dir.c_str(), 0755);
    }
}

TEST(ShellFolder, DetailColumnsAndSixtyFourBitSizes) {
    ShellEnv env;
    const std::string dir = env.dir.path();
    ASSERT_TRUE(shelltest::sparseFile(dir + "/big.bin", 5368709120LL));
    shelltest::write(dir + "/small.txt", "hello");
    ::mkdir((dir + "/folder").c_str(), 0755);
    auto folder = bind(dir);
    ASSERT_TRUE(folder);
    EXPECT_EQ(detail(folder.get(), nullptr, 0), u"Name");
    int fmt = -1;
    EXPECT_EQ(detail(folder.get(), nullptr, 1, &fmt), u"Size");
    EXPECT_EQ(fmt, LVCFMT_RIGHT);
    EXPECT_EQ(detail(folder.get(), nullptr, 2), u"Type");
    EXPECT_EQ(detail(folder.get(), nullptr, 3), u"Date Modified");
    EXPECT_EQ(detail(folder.get(), nullptr, 4), u"<none>");

    ItemIdList big = child(folder.get(), u"big.bin");
    EXPECT_EQ(detail(folder.get(), big.get(), 1), u"5.00 GB");
    EXPECT_EQ(detail(folder.get(), child(folder.get(), u"small.txt").get(), 1), u"5 bytes");
    EXPECT_EQ(detail(folder.get(), child(folder.get(), u"folder").get(), 1), u"");
    EXPECT_EQ(detail(folder.get(), child(folder.get(), u"small.txt").get(), 2), u"Plain text document");
    EXPECT_EQ(detail(folder.get(), child(folder.get(), u"folder").get(), 2), u"Folder");
    EXPECT_EQ(detail(folder.get(), big.get(), 3).size(), 16u);  // "yyyy-MM-dd HH:mm"

    WIN32_FIND_DATAW data{};
    ASSERT_EQ(SHGetDataFromIDListW(folder.get(), big.get(), SHGDFIL_FINDDATA, &data, sizeof data), S_OK);
    EXPECT_EQ((static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow, 5368709120ULL);
    EXPECT_EQ(std::u16string(data.cFileName), u"big.bin");
}

TEST(ShellFolder, CompareByColumnWithFoldersFirst) {
    ShellEnv env;
    const std::string dir = env.dir.path();
    shelltest::write(dir + "/b.txt", "1234567890");
    shelltest::write(dir + "/B.txt", "12");
    shelltest::write(dir + "/a.txt", "123");
    ::mkdir((dir + "/z-folder").c_str(), 0755);
    auto folder = bind(dir);
    ItemIdList a = child(folder.get(), u"a.txt"), b = child(folder.get(), u"b.txt"), B = child(folder.get(), u"B.txt");
    ItemIdList z = child(folder.get(), u"z-folder");
    EXPECT_LT(compare(folder.get(), 0, z.get(), a.get()), 0);  // folders first
    EXPECT_LT(compare(folder.get(), 0, a.get(), b.get()), 0);
    EXPECT_LT(compare(folder.get(), 0, a.get(), B.get()), 0);  // names without case
    EXPECT_NE(compare(folder.get(), 0, b.get(), B.get()), 0);  // equal only for the same entry
    EXPECT_EQ(compare(folder.get(), 0, b.get(), child(folder.get(), u"b.txt").get()), 0);
    EXPECT_GT(compare(folder.get(), 1, b.get(), a.get()), 0);  // 10 bytes after 3 bytes
    EXPECT_LT(compare(folder.get(), 1, B.get(), a.get()), 0);  // 2 bytes before 3 bytes
    EXPECT_LT(compare(folder.get(), 1, z.get(), B.get()), 0);

    struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, (dir + "/b.txt").c_str(), old, 0);
    EXPECT_LT(compare(folder.get(), 3, b.get(), a.get()), 0);

    // Within a compare scope each item is asked about once: a change shows after it.
    {
        platform::ShellCompareScope scope;
        EXPECT_LT(compare(folder.get(), 3, b.get(), a.get()), 0);
        ::utimensat(AT_FDCWD, (dir + "/a.txt").c_str(), old, 0);
        struct timespec older[2] = {{900000000, 0}, {900000000, 0}};
        ::utimensat(AT_FDCWD, (dir + "/b.txt").c_str(), older, 0);
        EXPECT_LT(compare(folder.get(), 3, b.get(), a.get()), 0);
        EXPECT_GT(compare(folder.get(), 3, a.get(), b.get()), 0);
    }
    ::utimensat(AT_FDCWD, (dir + "/a.txt").c_str(), old, 0);
    struct timespec newer[2] = {{1100000000, 0}, {1100000000, 0}};
    ::utimensat(AT_FDCWD, (dir + "/b.txt").c_str(), newer, 0);
    EXPECT_GT(compare(folder.get(), 3, b.get(), a.get()), 0);

    // Absolute lists compare through the levels.
    std::shared_ptr<IShellFolder> desktop;
    SHGetDesktopFolder(&desktop);
    EXPECT_EQ(compare(desktop.get(), 0, parse(dir + "/a.txt").get(), parse(dir + "/a.txt").get()), 0);
    EXPECT_LT(compare(desktop.get(), 0, parse(dir).get(), parse(dir + "/a.txt").get()), 0);
}

TEST(ShellFolder, SpecialFoldersFollowTheXdgDirectories) {
    ShellEnv env;
    auto pathOf = [](int csidl) {
        LPITEMIDLIST list = nullptr;
        if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list))) return std::string("<none>");
        ItemIdList own(list);
        std::string p;
        return rawPathFromIDList(list, &p) ? p : std::string("<no path>");
    };
    EXPECT_EQ(pathOf(CSIDL_PERSONAL), env.home + "/Documents");
    EXPECT_EQ(pathOf(CSIDL_DESKTOPDIRECTORY), env.home + "/Desktop");
    EXPECT_EQ(pathOf(CSIDL_DESKTOP), env.home + "/Desktop");
    EXPECT_EQ(pathOf(CSIDL_APPDATA), env.home + "/.config");
    EXPECT_EQ(pathOf(CSIDL_INTERNET_CACHE), env.home + "/.cache");
    EXPECT_EQ(pathOf(CSIDL_DRIVES), "<no path>");
    EXPECT_EQ(pathOf(CSIDL_BITBUCKET), "<no path>");
    EXPECT_EQ(pathOf(CSIDL_PRINTERS), "<none>");
    EXPECT_EQ(pathOf(CSIDL_NETWORK), "<none>");
    EXPECT_EQ(pathOf(CSIDL_MYPICTURES), env.home);  // not made in the temporary home: the home folder
    EXPECT_EQ(pathOf(CSIDL_TEMPLATES), env.home);
    ::mkdir((env.home + "/Pictures").c_str(), 0755);
    EXPECT_EQ(pathOf(CSIDL_MYPICTURES), env.home + "/Pictures");
    // A user-dirs file moves the documents.
    ::mkdir((env.home + "/Papers").c_str(), 0755);
    shelltest::write(env.home + "/.config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
    EXPECT_EQ(pathOf(CSIDL_PERSONAL), env.home + "/Papers");
    EXPECT_EQ(specialFolderPath(CSIDL_PERSONAL), wide(env.home + "/Papers"));
}

TEST(ShellFolder, FileInfoIconsAndNames) {
    ShellEnv env;
    const std::string dir = env.dir.path();
    shelltest::write(dir + "/one.txt", "1");
    shelltest::write(dir + "/two.txt", "2");
    ::mkdir((dir + "/folder").c_str(), 0755);
    SHFILEINFOW info{};
    auto icon = [&](const std::string& path, UINT flags) {
        const DWORD_PTR list = SHGetFileInfoW(wide(path).c_str(), 0, &info, sizeof info, flags | SHGFI_SYSICONINDEX);
        EXPECT_NE(list, 0u) << path;
        return info.iIcon;
    };
    const int text = icon(dir + "/one.txt", SHGFI_SMALLICON);
    EXPECT_EQ(icon(dir + "/two.txt", SHGFI_SMALLICON), text);
    const int closed = icon(dir + "/folder", SHGFI_SMALLICON);
    const int open = icon(dir + "/folder", SHGFI_SMALLICON | SHGFI_OPENICON);
    EXPECT_NE(closed, text);
    EXPECT_NE(open, closed);
    EXPECT_LT(open, shellIconCount());
    // Headless runs still get an image from the built-in fallbacks.
    EXPECT_FALSE(shellIcon(closed).isNull());
    EXPECT_FALSE(shellOverlayIcon(1).isNull());
    EXPECT_EQ(SHGetFileInfoW(wide(dir + "/missing").c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME), 0u);
    // By name alone (no file needed).
    ASSERT_NE(SHGetFileInfoW(u"/nowhere/x.txt", 0, &info, sizeof info,
                             SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_TYPENAME),
              0u);
    EXPECT_EQ(info.iIcon, text);
    EXPECT_EQ(std::u16string(info.szTypeName), u"Plain text document");
    ItemIdList empty = makeItemIdList({});
    ASSERT_NE(SHGetFileInfoW(reinterpret_cast<LPCWSTR>(empty.get()), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_DISPLAYNAME),
              0u);
    EXPECT_EQ(std::u16string(info.szDisplayName), u"Desktop");
}

TEST(ShellFolder, ThumbnailsAreFittedIntoTheAskedSize) {
    ShellEnv env;
    const std::string dir = env.dir.path();
    QImage wideImage(400, 200, QImage::Format_RGB32);
    wideImage.fill(QColor(200, 10, 10));
    ASSERT_TRUE(wideImage.save(QString::fromStdString(dir + "/wide.png")));
    QImage tiny(20, 10, QImage::Format_RGB32);
    tiny.fill(Qt::blue);
    ASSERT_TRUE(tiny.save(QString::fromStdString(dir + "/tiny.png")));
    shelltest::write(dir + "/text.png", "not a picture");
    auto folder = bind(dir);
    auto thumbnail = [&](const char16_t* name, LONG w, LONG h) {
        ItemIdList item = child(folder.get(), name);
        LPCITEMIDLIST items[] = {item.get()};
        std::shared_ptr<IUnknown> object;
        if (FAILED(folder->GetUIObjectOf(nullptr, 1, items, IID_IExtractImage, nullptr, &object))) return BITMAP{};
        auto image = queryInterface<IExtractImage>(object);
        const SIZE size{w, h};
        DWORD priority = 0, flags = IEIFLAG_SCREEN;
        WCHAR location[MAX_PATH];
        EXPECT_EQ(image->GetLocation(location, MAX_PATH, &priority, &size, 24, &flags), S_OK);
        HBITMAP bitmap = nullptr;
        EXPECT_EQ(image->Extract(&bitmap), S_OK);
        BITMAP bm{};
        GetObjectW(bitmap, sizeof bm, &bm);
        DeleteObject(bitmap);
        return bm;
    };
    const BITMAP a = thumbnail(u"wide.png", 100, 100);
    EXPECT_EQ(a.bmWidth, 100);
    EXPECT_EQ(a.bmHeight, 50);
    EXPECT_EQ(a.bmBitsPixel, 24);
    const BITMAP b = thumbnail(u"tiny.png", 100, 100);  // never enlarged
    EXPECT_EQ(b.bmWidth, 20);
    EXPECT_EQ(b.bmHeight, 10);
    EXPECT_EQ(thumbnail(u"text.png", 100, 100).bmWidth, 0);  // no picture, no extractor
}

TEST(ShellFolder, RenameNeverReplaces) {
    ShellEnv env;
    const std::string dir = env.dir.path();
    shelltest::write(dir + "/first.txt", "first");
    shelltest::write(dir + "/second.txt", "second");
    auto folder = bind(dir);
    ItemIdList first = child(folder.get(), u"first.txt");
    LPITEMIDLIST renamed = nullptr;
    EXPECT_EQ(folder->SetNameOf(nullptr, first.get(), u"second.txt", SHGDN_INFOLDER, &renamed),
              HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(renamed, nullptr);
    EXPECT_EQ(shelltest::read(dir + "/first.txt"), "first");
    EXPECT_EQ(shelltest::read(dir + "/second.txt"), "second");
    EXPECT_EQ(folder->SetNameOf(nullptr, first.get(), u"a/b", SHGDN_INFOLDER, &renamed), HRESULT_FROM_WIN32(ERROR_INVALID_NAME));
    ASSERT_EQ(folder->SetNameOf(nullptr, first.get(), u"third \u00e9.txt", SHGDN_INFOLDER, &renamed), S_OK);
    ItemIdList own(renamed);
    EXPECT_EQ(displayName(folder.get(), renamed), u"third \u00e9.txt");
    EXPECT_EQ(shelltest::read(dir + "/third \xC3\xA9.txt"), "first");
    EXPECT_FALSE(shelltest::exists(dir + "/first.txt"));
}
