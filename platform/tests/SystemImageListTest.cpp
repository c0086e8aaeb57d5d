// The system image lists of SHGetFileInfo: real shared lists whose indexes stand for file
// types, desktop icons from the icon theme (and built-in pictures without one), the link
// overlay, icons, the ANSI form and calls from other threads.
#include "platform/commctrl.h"
#include "platform/gdi.h"
#include "platform/shellapi.h"
#include "platform/tests/ShellTestEnv.h"
#include "platform/winicon.h"
#include "platform/winuser.h"

#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

#include <unistd.h>

#include <set>
#include <thread>

namespace {

using shelltest::ShellEnv;

std::u16string wide(const std::string& s) { return platform::fileNameToWide(s); }

struct Found {
    DWORD_PTR list = 0;
    int index = -1;
};

Found fileIcon(const std::string& path, UINT flags) {
    SHFILEINFOW info{};
    Found f;
    f.list = SHGetFileInfoW(wide(path).c_str(), 0, &info, sizeof info, flags | SHGFI_SYSICONINDEX);
    f.index = f.list ? info.iIcon : -1;
    return f;
}

// The pixels an image list draws for an image on white.
QImage drawn(HIMAGELIST list, int index, UINT style = ILD_TRANSPARENT) {
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list, &cx, &cy);
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, cx, cy);
    ReleaseDC(nullptr, screen);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, cx, cy, WHITENESS);
    QImage out;
    if (ImageList_Draw(list, index, dc, 0, 0, style)) {
        out = QImage(cx, cy, QImage::Format_RGB32);
        for (int y = 0; y < cy; ++y)
            for (int x = 0; x < cx; ++x) {
                const COLORREF c = GetPixel(dc, x, y);
                out.setPixel(x, y, qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
            }
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return out;
}

int changedPixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) != qRgb(255, 255, 255);
    return n;
}

int differentPixels(const QImage& a, const QImage& b, QRect area = {}) {
    if (area.isNull()) area = a.rect();
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

class SystemImageList : public ::testing::Test {
protected:
    void SetUp() override {
        dir = env.dir.path();
        shelltest::write(dir + "/one.txt", "one");
        shelltest::write(dir + "/two.txt", "two");
        // Picture files with real signatures.
        testsupport::writeFile(dir + "/shot.png", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0x0D});
        testsupport::writeFile(dir + "/photo.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F', 0});
        ::mkdir((dir + "/folder").c_str(), 0755);
        ASSERT_EQ(::symlink((dir + "/one.txt").c_str(), (dir + "/link.txt").c_str()), 0);
    }

    ShellEnv env;
    std::string dir;
};

}  // namespace

TEST_F(SystemImageList, IndexesNameFileTypesInSharedListsOfTwoSizes) {
    const Found folder = fileIcon(dir + "/folder", SHGFI_SMALLICON);
    const Found open = fileIcon(dir + "/folder", SHGFI_SMALLICON | SHGFI_OPENICON);
    const Found png = fileIcon(dir + "/shot.png", SHGFI_SMALLICON);
    const Found jpg = fileIcon(dir + "/photo.jpg", SHGFI_SMALLICON);
    const Found text = fileIcon(dir + "/one.txt", SHGFI_SMALLICON);
    const Found link = fileIcon(dir + "/link.txt", SHGFI_SMALLICON);
    LPITEMIDLIST trashList = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &trashList), S_OK);
    SHFILEINFOW info{};
    ASSERT_NE(SHGetFileInfoW(reinterpret_cast<LPCWSTR>(trashList), 0, &info, sizeof info,
                             SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON),
              0u);
    const int trash = info.iIcon;
    ILFree(trashList);

    // One real list for every small request, and it is a 16-pixel image list.
    const auto small = reinterpret_cast<HIMAGELIST>(folder.list);
    EXPECT_EQ(small, platform::systemImageList(true));
    for (const Found& f : {open, png, jpg, text, link}) EXPECT_EQ(f.list, folder.list);
    int cx = 0, cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(small, &cx, &cy));
    EXPECT_EQ(cx, 16);
    const Found large = fileIcon(dir + "/folder", SHGFI_LARGEICON);
    const auto big = reinterpret_cast<HIMAGELIST>(large.list);
    EXPECT_NE(big, small);
    ASSERT_TRUE(ImageList_GetIconSize(big, &cx, &cy));
    EXPECT_EQ(cx, 32);
    EXPECT_EQ(cy, 32);
    // The same type gives the same index in both sizes and for every file of it.
    EXPECT_EQ(large.index, folder.index);
    EXPECT_EQ(fileIcon(dir + "/two.txt", SHGFI_SMALLICON).index, text.index);
    EXPECT_EQ(link.index, text.index);  // a link shows its target's type (and the overlay)
    const std::set<int> distinct{folder.index, open.index, png.index, jpg.index, text.index, trash};
    EXPECT_EQ(distinct.size(), 6u);
    for (int i : distinct) EXPECT_LT(i, ImageList_GetImageCount(small));
    // By name alone, without touching a file.
    SHFILEINFOW byName{};
    ASSERT_NE(SHGetFileInfoW(u"/nowhere/x.png", 0, &byName, sizeof byName,
                             SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON),
              0u);
    EXPECT_EQ(byName.iIcon, png.index);
    ASSERT_NE(SHGetFileInfoW(u"/nowhere/sub", FILE_ATTRIBUTE_DIRECTORY, &byName, sizeof byName,
                             SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX),
              0u);
    EXPECT_EQ(byName.iIcon, folder.index);

    // Real, distinct desktop pictures in both sizes.
    for (HIMAGELIST list : {small, big}) {
        std::vector<QImage> pictures;
        for (int i : {folder.index, open.index, png.index, text.index, trash}) {
            pictures.push_back(drawn(list, i));
            ASSERT_FALSE(pictures.back().isNull());
            EXPECT_GT(changedPixels(pictures.back()), cx * cy / (list == small ? 8 : 6)) << i;
        }
        for (std::size_t a = 0; a < pictures.size(); ++a)
            for (std::size_t b = a + 1; b < pictures.size(); ++b)
                EXPECT_GT(differentPixels(pictures[a], pictures[b]), 4) << a << " " << b;
    }
    // The lists are the shell's: they are not destroyed and their images not changed.
    EXPECT_FALSE(ImageList_Destroy(small));
    HBITMAP b = CreateBitmap(16, 16, 1, 32, nullptr);
    EXPECT_EQ(ImageList_Add(small, b, nullptr), -1);
    DeleteObject(b);
    EXPECT_FALSE(ImageList_Remove(small, -1));
    EXPECT_GT(ImageList_GetImageCount(small), trash);
}

TEST_F(SystemImageList, TheLinkOverlayAndIcons) {
    const Found text = fileIcon(dir + "/one.txt", SHGFI_SMALLICON);
    const auto list = reinterpret_cast<HIMAGELIST>(text.list);
    const int link = SHGetIconOverlayIndexW(nullptr, IDO_SHGIOI_LINK);
    EXPECT_EQ(link, 2);
    EXPECT_EQ(SHGetIconOverlayIndexW(nullptr, IDO_SHGIOI_SHARE), 1);
    EXPECT_EQ(SHGetIconOverlayIndexW(nullptr, IDO_SHGIOI_SLOWFILE), -1);
    const QImage plain = drawn(list, text.index);
    const QImage withLink = drawn(list, text.index, ILD_TRANSPARENT | INDEXTOOVERLAYMASK(link));
    // The arrow sits in the lower left quarter and nowhere else.
    EXPECT_GT(differentPixels(plain, withLink, QRect(0, 8, 8, 8)), 5);
    EXPECT_EQ(differentPixels(plain, withLink, QRect(8, 0, 8, 8)), 0);

    // SHGFI_ICON: a new icon with the same picture, and the overlay when asked.
    SHFILEINFOW info{};
    ASSERT_NE(SHGetFileInfoW(wide(dir + "/link.txt").c_str(), 0, &info, sizeof info,
                             SHGFI_ICON | SHGFI_SMALLICON | SHGFI_LINKOVERLAY | SHGFI_ATTRIBUTES),
              0u);
    ASSERT_NE(info.hIcon, nullptr);
    EXPECT_TRUE(info.dwAttributes & SFGAO_LINK);
    QImage icon = platform::iconImage(info.hIcon);
    ASSERT_EQ(icon.size(), QSize(16, 16));
    QImage onWhite(16, 16, QImage::Format_RGB32);
    onWhite.fill(Qt::white);
    {
        QPainter p(&onWhite);
        p.drawImage(0, 0, icon.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }
    EXPECT_LE(differentPixels(onWhite, withLink), 16);  // the same picture, give or take rounding
    EXPECT_TRUE(DestroyIcon(info.hIcon));
    ASSERT_NE(SHGetFileInfoW(wide(dir + "/one.txt").c_str(), 0, &info, sizeof info, SHGFI_ICON), 0u);
    EXPECT_EQ(platform::iconImage(info.hIcon).size(), QSize(32, 32));
    DestroyIcon(info.hIcon);
}

TEST_F(SystemImageList, BuiltInPicturesWithoutAnIconTheme) {
    const Found folder = fileIcon(dir + "/folder", SHGFI_SMALLICON);
    const Found text = fileIcon(dir + "/one.txt", SHGFI_SMALLICON);
    const auto list = reinterpret_cast<HIMAGELIST>(folder.list);
    // The first picture sets the desktop's theme up; then it is taken away.
    const QImage themed = drawn(list, folder.index);
    const QString theme = QIcon::themeName();
    const QStringList paths = QIcon::themeSearchPaths();
    QIcon::setThemeSearchPaths({});
    QIcon::setThemeName(QStringLiteral("no-such-theme"));
    platform::refreshShellIcons();
    const QImage builtinFolder = drawn(list, folder.index);
    const QImage builtinText = drawn(list, text.index);
    QIcon::setThemeSearchPaths(paths);
    QIcon::setThemeName(theme);
    platform::refreshShellIcons();
    EXPECT_GT(changedPixels(builtinFolder), 20);
    EXPECT_GT(changedPixels(builtinText), 20);
    EXPECT_GT(differentPixels(builtinFolder, builtinText), 10);
    EXPECT_GT(differentPixels(builtinFolder, themed), 10);
    // The same index again shows the themed picture once the theme is back.
    EXPECT_EQ(differentPixels(drawn(list, folder.index), themed), 0);
    // Indexes stay what they were.
    EXPECT_EQ(fileIcon(dir + "/folder", SHGFI_SMALLICON).index, folder.index);
}

TEST_F(SystemImageList, ADesktopReportingOnlyTheFallbackThemeGetsAThemeWithFileTypes) {
    // A session without a desktop reports "hicolor", which has no pictures of file types.
    const QString before = QIcon::themeName();
    QIcon::setThemeName(QStringLiteral("hicolor"));
    platform::refreshShellIcons();
    const Found png = fileIcon(dir + "/shot.png", SHGFI_SMALLICON);
    const QImage picture = drawn(reinterpret_cast<HIMAGELIST>(png.list), png.index);
    const QString chosen = QIcon::themeName();
    QIcon::setThemeName(before);
    platform::refreshShellIcons();
    ASSERT_FALSE(picture.isNull());
    EXPECT_NE(chosen, QStringLiteral("hicolor"));
    // The desktop's picture icon is coloured; the built-in page is grey.
    int coloured = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            coloured += std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()}) > 60;
        }
    EXPECT_GT(coloured, 10);
}

TEST_F(SystemImageList, AnsiFormAndOtherThreads) {
    SHFILEINFOA a{};
    const std::string path = dir + "/one.txt";
    const DWORD_PTR list = SHGetFileInfoA(path.c_str(), 0, &a, sizeof a,
                                          SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_DISPLAYNAME | SHGFI_TYPENAME);
    EXPECT_EQ(list, reinterpret_cast<DWORD_PTR>(platform::systemImageList(true)));
    EXPECT_EQ(a.iIcon, fileIcon(path, SHGFI_SMALLICON).index);
    EXPECT_STREQ(a.szDisplayName, "one.txt");
    EXPECT_STREQ(a.szTypeName, "Plain text document");
    EXPECT_EQ(SHGetFileInfoA(path.c_str(), 0, &a, sizeof a - 1, SHGFI_DISPLAYNAME), 0u);
    // A pool thread gets indexes (and the list) but no pictures.
    Found fromThread;
    DWORD_PTR iconResult = 1;
    std::thread worker([&] {
        fromThread = fileIcon(dir + "/two.txt", SHGFI_SMALLICON);
        SHFILEINFOW w{};
        iconResult = SHGetFileInfoW(wide(dir + "/two.txt").c_str(), 0, &w, sizeof w, SHGFI_ICON);
    });
    worker.join();
    EXPECT_EQ(fromThread.index, a.iIcon);
    EXPECT_EQ(fromThread.list, list);
    EXPECT_EQ(iconResult, 0u);
}

TEST_F(SystemImageList, ASheetOfIconsOnAWindow) {
    // Folder, open folder, picture, photo, text, link (with its overlay) in both sizes.
    struct Entry {
        std::string path;
        UINT flags;
        bool link;
    };
    const std::vector<Entry> entries = {{dir + "/folder", 0, false}, {dir + "/folder", SHGFI_OPENICON, false},
                                        {dir + "/shot.png", 0, false}, {dir + "/photo.jpg", 0, false},
                                        {dir + "/one.txt", 0, false},  {dir + "/link.txt", 0, true}};
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &DefWindowProcW;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<LONG_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = u"IconSheet";
    RegisterClassExW(&wc);
    HWND wnd = CreateWindowExW(0, u"IconSheet", u"Icons", WS_POPUP, 0, 0, 8 + 44 * 6, 72, nullptr, nullptr, nullptr,
                               nullptr);
    ASSERT_NE(wnd, nullptr);
    ShowWindow(wnd, SW_SHOW);
    UpdateWindow(wnd);  // the first paint is done before we draw
    HDC dc = GetDC(wnd);
    RECT all{0, 0, 8 + 44 * 6, 72};
    FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
    const UINT linkOverlay = INDEXTOOVERLAYMASK(SHGetIconOverlayIndexW(nullptr, IDO_SHGIOI_LINK));
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const int x = 8 + 44 * static_cast<int>(k);
        const Found small = fileIcon(entries[k].path, entries[k].flags | SHGFI_SMALLICON);
        const Found large = fileIcon(entries[k].path, entries[k].flags | SHGFI_LARGEICON);
        const UINT style = ILD_TRANSPARENT | (entries[k].link ? linkOverlay : 0);
        ASSERT_TRUE(ImageList_Draw(reinterpret_cast<HIMAGELIST>(small.list), small.index, dc, x + 8, 4, style));
        ASSERT_TRUE(ImageList_Draw(reinterpret_cast<HIMAGELIST>(large.list), large.index, dc, x, 28, style));
    }
    ReleaseDC(wnd, dc);
    const QImage sheet = platform::windowWidget(wnd)->grab().toImage();
    const QRgb back = sheet.pixel(1, 1);
    for (std::size_t k = 0; k < entries.size(); ++k) {
        int covered = 0;
        for (int y = 28; y < 60; ++y)
            for (int x = 8 + 44 * static_cast<int>(k); x < 40 + 44 * static_cast<int>(k); ++x)
                covered += sheet.pixel(x, y) != back;
        EXPECT_GT(covered, 150) << k;
    }
    const std::string screens = testsupport::env("TESSELLON_SCREEN_DIR");
    if (!screens.empty()) sheet.scaled(sheet.size() * 3).save(QString::fromStdString(screens + "/system-icons.png"));
    DestroyWindow(wnd);
}
