// File information, the process-wide icon list and overlays, thumbnails and info tips.
#include "ShellInternal.h"
#include "ImageListImpl.h"
#include "platform/atomicfile.h"
#include "platform/codepage.h"
#include "platform/commctrl.h"
#include "platform/gdi.h"
#include "platform/shellapi.h"
#include "platform/winicon.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QMimeType>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QThread>

#include <dirent.h>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <mutex>

namespace platform::shell {

namespace {

std::mutex g_iconMutex;
std::vector<QString> g_iconNames;
std::map<QString, int> g_iconIndex;

// A built-in image for headless runs without an icon theme.
QIcon builtinIcon(const QString& name) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return QIcon();
    QStyle* style = QApplication::style();
    if (!style) return QIcon();
    QStyle::StandardPixmap sp = QStyle::SP_FileIcon;
    if (name == QLatin1String("folder-open"))
        sp = QStyle::SP_DirOpenIcon;
    else if (name == QLatin1String("user-home"))
        sp = QStyle::SP_DirHomeIcon;
    else if (name == QLatin1String("user-desktop"))
        sp = QStyle::SP_DesktopIcon;
    else if (name.startsWith(QLatin1String("folder")))
        sp = QStyle::SP_DirIcon;
    else if (name == QLatin1String("computer"))
        sp = QStyle::SP_ComputerIcon;
    else if (name == QLatin1String("drive-harddisk"))
        sp = QStyle::SP_DriveHDIcon;
    else if (name.startsWith(QLatin1String("drive-")))
        sp = QStyle::SP_DriveFDIcon;
    else if (name.startsWith(QLatin1String("user-trash")))
        sp = QStyle::SP_TrashIcon;
    return style->standardIcon(sp);
}

// Where no desktop has set an icon theme up (no theme name, or only the fallback "hicolor"
// that every theme inherits and that holds no file-type icons), the icon folders of the
// XDG data directories are searched and a theme found there is used.
void setUpIconTheme() {
    static bool pathsAdded = false;
    static bool searched = false;
    static QString chosen;
    if (!pathsAdded) {
        pathsAdded = true;
        QStringList paths = QIcon::themeSearchPaths();
        const auto addPath = [&paths](const QString& path) {
            if (!path.isEmpty() && QFileInfo(path).isDir() && !paths.contains(path)) paths << path;
        };
        const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
        addPath(dataHome.isEmpty() ? QDir::homePath() + QLatin1String("/.local/share/icons")
                                   : QString::fromLocal8Bit(dataHome) + QLatin1String("/icons"));
        addPath(QDir::homePath() + QLatin1String("/.icons"));
        QByteArray dataDirs = qgetenv("XDG_DATA_DIRS");
        if (dataDirs.isEmpty()) dataDirs = "/usr/local/share:/usr/share";
        for (const QByteArray& dir : dataDirs.split(':'))
            addPath(QString::fromLocal8Bit(dir) + QLatin1String("/icons"));
        QIcon::setThemeSearchPaths(paths);
    }
    const QString current = QIcon::themeName();
    if (!current.isEmpty() && current != QLatin1String("hicolor")) return;
    if (searched && current == chosen) return;
    searched = true;
    chosen = current;
    const QStringList paths = QIcon::themeSearchPaths();
    for (const char* theme : {"Adwaita", "breeze", "gnome", "Tango"})
        for (const QString& path : paths)
            if (QFileInfo::exists(path + QLatin1Char('/') + QLatin1String(theme) + QLatin1String("/index.theme"))) {
                chosen = QLatin1String(theme);
                QIcon::setThemeName(chosen);
                return;
            }
}

QIcon themedIcon(const QString& name) {
    setUpIconTheme();
    QIcon icon = QIcon::fromTheme(name);
    if (icon.isNull()) {
        const int dash = name.indexOf(QLatin1Char('-'));
        if (dash > 0 && !name.startsWith(QLatin1String("folder")) && !name.startsWith(QLatin1String("user-")))
            icon = QIcon::fromTheme(name.left(dash) + QLatin1String("-x-generic"));
    }
    return icon.isNull() ? builtinIcon(name) : icon;
}

// A small bent arrow in the lower left corner (the link overlay without a theme).
QIcon builtinLinkOverlay() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return QIcon();
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRect(0, 8, 8, 8), Qt::white);
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(QRect(0, 8, 7, 7));
    p.setPen(QPen(Qt::blue, 1.5));
    p.drawLine(QPointF(2, 14), QPointF(5.5, 10.5));
    p.drawLine(QPointF(3, 10.5), QPointF(5.5, 10.5));
    p.drawLine(QPointF(5.5, 10.5), QPointF(5.5, 13));
    p.end();
    return QIcon(QPixmap::fromImage(image));
}

// Names of the overlay images in the icon table.
const QString kShareOverlay = QStringLiteral(":overlay-share");
const QString kLinkOverlay = QStringLiteral(":overlay-link");

bool onUiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return qobject_cast<const QGuiApplication*>(app) && QThread::currentThread() == app->thread();
}

QImage pictureOf(const QIcon& icon, int size) {
    if (icon.isNull()) return QImage();
    return icon.pixmap(QSize(size, size), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
}

// An overlay: the emblem at half the size in the lower left corner, the rest transparent.
QImage overlayPicture(const QIcon& emblem, int size) {
    QImage out(size, size, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    const int half = std::max(8, size / 2);
    const QImage e = pictureOf(emblem, half);
    if (!e.isNull()) {
        QPainter p(&out);
        p.drawImage(QRect(0, size - half, half, half), e);
    }
    return out.convertToFormat(QImage::Format_ARGB32);
}

// The picture of entry `index` of the icon table at `size` pixels (user-interface thread).
QImage iconPicture(int index, int size) {
    QString name;
    {
        std::lock_guard<std::mutex> lock(g_iconMutex);
        if (index < 0 || index >= static_cast<int>(g_iconNames.size())) return QImage();
        name = g_iconNames[static_cast<std::size_t>(index)];
    }
    if (!onUiThread()) return QImage();
    if (name == kShareOverlay) return overlayPicture(shellOverlayIcon(0), size);
    if (name == kLinkOverlay) return overlayPicture(shellOverlayIcon(1), size);
    return pictureOf(themedIcon(name), size);
}

int iconCount() {
    std::lock_guard<std::mutex> lock(g_iconMutex);
    return static_cast<int>(g_iconNames.size());
}

// The two system image lists (16 and 32 pixels), made on first request; overlay 1 is
// the share emblem, overlay 2 the link arrow.
HIMAGELIST systemList(bool small) {
    static const std::array<HIMAGELIST, 2> lists = [] {
        const int share = iconIndex(kShareOverlay);
        const int link = iconIndex(kLinkOverlay);
        HIMAGELIST made[2];
        for (int k = 0; k < 2; ++k) {
            made[k] = il::createSystemList(k == 0 ? 16 : 32, &iconCount, &iconPicture);
            ImageList_SetOverlayImage(made[k], share, 1);
            ImageList_SetOverlayImage(made[k], link, 2);
        }
        return std::array<HIMAGELIST, 2>{made[0], made[1]};
    }();
    return lists[small ? 0 : 1];
}

}  // namespace

int iconIndex(const QString& name) {
    std::lock_guard<std::mutex> lock(g_iconMutex);
    const auto it = g_iconIndex.find(name);
    if (it != g_iconIndex.end()) return it->second;
    const int index = static_cast<int>(g_iconNames.size());
    g_iconNames.push_back(name);
    g_iconIndex.emplace(name, index);
    return index;
}

namespace {

void copyText(WCHAR* dest, std::size_t size, const std::u16string& text) {
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(dest, text.data(), n * sizeof(WCHAR));
    dest[n] = 0;
}

// ---- Thumbnails ----

bool openReader(const std::string& path, QFile* file, QImageReader* reader) {
    const int fd = openRegularFile(path);  // a FIFO named like a picture is no picture
    if (fd < 0) return false;
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    reader->setDevice(file);
    reader->setAutoTransform(true);
    return reader->canRead();
}

HBITMAP bitmapOf(const QImage& source) {
    QImage flat(source.size(), QImage::Format_RGB888);
    flat.fill(Qt::white);
    {
        QPainter p(&flat);
        p.drawImage(0, 0, source);
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = flat.width();
    info.bmiHeader.biHeight = flat.height();  // bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) return nullptr;
    const int lineBytes = (flat.width() * 3 + 3) & ~3;
    auto* out = static_cast<BYTE*>(bits);
    for (int y = 0; y < flat.height(); ++y) {
        const uchar* in = flat.constScanLine(y);
        BYTE* row = out + static_cast<std::size_t>(flat.height() - 1 - y) * lineBytes;
        for (int x = 0; x < flat.width(); ++x) {
            row[3 * x] = in[3 * x + 2];
            row[3 * x + 1] = in[3 * x + 1];
            row[3 * x + 2] = in[3 * x];
        }
    }
    return bitmap;
}

class Thumbnail final : public IExtractImage {
public:
    explicit Thumbnail(Entry e) : entry_(std::move(e)) {}
    HRESULT GetLocation(LPWSTR pathBuffer, DWORD bufferSize, DWORD* priority, const SIZE* size, DWORD,
                        DWORD* flags) override {
        if (!size || size->cx <= 0 || size->cy <= 0) return E_INVALIDARG;
        size_ = *size;
        if (pathBuffer && bufferSize) copyText(pathBuffer, bufferSize, wideOf(entry_.path));
        if (priority) *priority = IEIT_PRIORITY_NORMAL;
        return flags && (*flags & IEIFLAG_ASYNC) ? E_PENDING : S_OK;
    }
    HRESULT Extract(HBITMAP* bitmap) override {
        if (!bitmap) return E_INVALIDARG;
        *bitmap = nullptr;
        QFile file;
        QImageReader reader;
        if (!openReader(entry_.path, &file, &reader)) return E_FAIL;
        const QSize box(size_.cx, size_.cy);
        QSize full = reader.size();
        if (full.isValid() && reader.transformation().testFlag(QImageIOHandler::TransformationRotate90)) full.transpose();
        QSize target = full;
        if (full.isValid() && (full.width() > box.width() || full.height() > box.height()))
            target = full.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
        if (full.isValid() && target != full && !reader.transformation().testFlag(QImageIOHandler::TransformationRotate90))
            reader.setScaledSize(target);
        QImage image = reader.read();
        if (image.isNull()) return E_FAIL;
        if (image.width() > box.width() || image.height() > box.height())
            image = image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        *bitmap = bitmapOf(image);
        return *bitmap ? S_OK : E_OUTOFMEMORY;
    }

private:
    Entry entry_;
    SIZE size_{200, 200};
};

// ---- Info tips ----

class InfoTip final : public IQueryInfo {
public:
    explicit InfoTip(Entry e) : entry_(std::move(e)) {}
    HRESULT GetInfoTip(DWORD flags, LPWSTR* tip) override {
        if (!tip) return E_INVALIDARG;
        std::u16string text = u"Type: " + typeName(entry_);
        if (entry_.item.kind == ShellItemKind::TrashEntry) {
            std::string original;
            if (trashInfo(entry_.item.name, &original, nullptr)) text += u"\nOriginal location: " + wideOf(parentOf(original));
        }
        if (entry_.haveStat && !entry_.folder) text += u"\nSize: " + formatByteSize(entry_.st.st_size);
        if (entry_.haveStat) text += u"\nDate modified: " + formatTime(entry_.st.st_mtim.tv_sec);
        if ((flags & QITIPF_USESLOWTIP) && entry_.folder && !entry_.path.empty()) {
            if (DIR* d = ::opendir(entry_.path.c_str())) {
                long long n = 0;
                while (dirent* de = ::readdir(d))
                    if (de->d_name[0] != '.') ++n;
                ::closedir(d);
                text += u"\nContains: " + QString::number(n).toStdU16String() + (n == 1 ? u" item" : u" items");
            }
        }
        *tip = taskMemString(text);
        return *tip ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT GetInfoFlags(DWORD* flags) override {
        if (!flags) return E_INVALIDARG;
        *flags = 0;
        return S_OK;
    }

private:
    Entry entry_;
};

}  // namespace

std::shared_ptr<IExtractImage> createExtractImage(const Entry& entry) {
    if (entry.folder || entry.path.empty() || !entry.exists || (entry.haveStat && !S_ISREG(entry.st.st_mode)))
        return nullptr;
    QFile file;
    QImageReader reader;
    if (!openReader(entry.path, &file, &reader)) return nullptr;
    return std::make_shared<Thumbnail>(entry);
}

std::shared_ptr<IQueryInfo> createQueryInfo(const Entry& entry) { return std::make_shared<InfoTip>(entry); }

}  // namespace platform::shell

namespace platform {

int shellIconCount() {
    std::lock_guard<std::mutex> lock(shell::g_iconMutex);
    return static_cast<int>(shell::g_iconNames.size());
}

HIMAGELIST systemImageList(bool small) { return shell::systemList(small); }

void refreshShellIcons() {
    il::forgetSystemImages(systemImageList(true));
    il::forgetSystemImages(systemImageList(false));
}

QIcon shellIcon(int index) {
    QString name;
    {
        std::lock_guard<std::mutex> lock(shell::g_iconMutex);
        if (index < 0 || index >= static_cast<int>(shell::g_iconNames.size())) return QIcon();
        name = shell::g_iconNames[static_cast<std::size_t>(index)];
    }
    return shell::themedIcon(name);
}

QIcon shellOverlayIcon(int index) {
    if (index == 0) {
        const QIcon icon = QIcon::fromTheme(QStringLiteral("emblem-shared"));
        return icon;
    }
    if (index == 1) {
        const QIcon icon = QIcon::fromTheme(QStringLiteral("emblem-symbolic-link"));
        return icon.isNull() ? shell::builtinLinkOverlay() : icon;
    }
    return QIcon();
}

}  // namespace platform

using namespace platform;
using namespace platform::shell;

DWORD_PTR SHGetFileInfoW(LPCWSTR path, DWORD fileAttributes, SHFILEINFOW* info, UINT infoSize, UINT flags) {
    if (!path || !info || infoSize < sizeof(SHFILEINFOW)) return 0;
    Entry e;
    bool desktop = false;
    if (flags & SHGFI_PIDL) {
        const auto* pidl = reinterpret_cast<LPCITEMIDLIST>(path);
        if (!resolve(desktopLocation(), pidl, &e, &desktop)) return 0;
    } else {
        const std::string raw = rawOf(path);
        if (raw.empty()) return 0;
        const std::string clean = raw[0] == '/' ? cleanAbsolute(raw) : raw;
        if (flags & SHGFI_USEFILEATTRIBUTES) {
            e.item = ShellItem{ShellItemKind::FileSystem, 0, baseOf(clean)};
            e.path = clean;
            e.folder = (fileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            e.hidden = !e.item.name.empty() && e.item.name[0] == '.';
        } else if (clean == "/") {
            if (!describe(Location{Location::Computer, {}}, ShellItem{ShellItemKind::Volume, SHELLITEM_FOLDER, "/"}, &e))
                return 0;
        } else {
            if (!describe(Location{Location::Directory, parentOf(clean)}, ShellItem{ShellItemKind::FileSystem, 0, baseOf(clean)},
                          &e) ||
                !e.exists)
                return 0;
        }
    }
    std::memset(info, 0, sizeof *info);
    const bool open = flags & SHGFI_OPENICON;
    if (flags & SHGFI_DISPLAYNAME) copyText(info->szDisplayName, MAX_PATH, desktop ? u"Desktop" : displayName(e));
    if (flags & SHGFI_TYPENAME) copyText(info->szTypeName, 80, desktop ? u"System Folder" : typeName(e));
    if (flags & SHGFI_ATTRIBUTES)
        info->dwAttributes = desktop ? SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER
                                     : attributesOf(e, ~SFGAOF(0));
    if (!(flags & (SHGFI_SYSICONINDEX | SHGFI_ICON))) return 1;
    info->iIcon = iconIndex(desktop ? QStringLiteral("user-desktop") : iconName(e, open));
    const HIMAGELIST list = systemImageList((flags & SHGFI_SMALLICON) != 0);
    if (flags & SHGFI_ICON) {
        const UINT overlay = (flags & SHGFI_LINKOVERLAY) ? INDEXTOOVERLAYMASK(2) : 0;
        info->hIcon = ImageList_GetIcon(list, info->iIcon, ILD_TRANSPARENT | overlay);
        if (!info->hIcon) return 0;
    }
    return (flags & SHGFI_SYSICONINDEX) ? reinterpret_cast<DWORD_PTR>(list) : 1;
}

namespace {

// The ANSI form of a text in a buffer of `size` bytes, cut between characters.
void copyAnsi(char* dest, std::size_t size, const WCHAR* text) {
    std::u16string wide(text);
    std::string ansi = wideToAnsi(wide);
    while (ansi.size() > size - 1 && !wide.empty()) {
        wide.pop_back();
        ansi = wideToAnsi(wide);
    }
    std::memcpy(dest, ansi.data(), ansi.size());
    dest[ansi.size()] = 0;
}

}  // namespace

DWORD_PTR SHGetFileInfoA(LPCSTR path, DWORD fileAttributes, SHFILEINFOA* info, UINT infoSize, UINT flags) {
    if (!path || !info || infoSize < sizeof(SHFILEINFOA)) return 0;
    std::u16string widePath;
    LPCWSTR arg = reinterpret_cast<LPCWSTR>(path);
    if (!(flags & SHGFI_PIDL)) {
        widePath = ansiToWide(path);
        arg = widePath.c_str();
    }
    SHFILEINFOW w{};
    const DWORD_PTR r = SHGetFileInfoW(arg, fileAttributes, &w, sizeof w, flags);
    std::memset(info, 0, sizeof *info);
    info->hIcon = w.hIcon;
    info->iIcon = w.iIcon;
    info->dwAttributes = w.dwAttributes;
    copyAnsi(info->szDisplayName, MAX_PATH, w.szDisplayName);
    copyAnsi(info->szTypeName, 80, w.szTypeName);
    return r;
}

int SHGetIconOverlayIndexW(LPCWSTR iconPath, int iconIndex) {
    if (iconPath) return -1;
    switch (iconIndex) {
    case IDO_SHGIOI_SHARE: return 1;
    case IDO_SHGIOI_LINK: return 2;
    default: return -1;
    }
}

int SHGetIconOverlayIndexA(LPCSTR iconPath, int iconIndex) {
    return SHGetIconOverlayIndexW(iconPath ? u"" : nullptr, iconIndex);
}
