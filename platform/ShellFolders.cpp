// The folder objects of the namespace: desktop, computer, file-system folders and trash.
#include "ShellInternal.h"
#include "platform/locale.h"
#include "platform/shellapi.h"

#include <QFile>
#include <QMimeDatabase>
#include <QMimeType>
#include <QString>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace platform::shell {

namespace {

bool isFsKind(ShellItemKind k) {
    return k == ShellItemKind::Place || k == ShellItemKind::Volume || k == ShellItemKind::FileSystem ||
           k == ShellItemKind::TrashEntry;
}

void statEntry(Entry* e) {
    struct stat lst {};
    if (::lstat(e->path.c_str(), &lst) != 0) {
        e->exists = false;
        e->folder = (e->item.flags & SHELLITEM_FOLDER) != 0;
        e->link = (e->item.flags & SHELLITEM_LINK) != 0;
        return;
    }
    e->exists = true;
    e->link = S_ISLNK(lst.st_mode);
    e->st = lst;
    e->haveStat = true;
    if (e->link) {
        struct stat target {};
        if (::stat(e->path.c_str(), &target) == 0) e->st = target;
    }
    e->folder = S_ISDIR(e->st.st_mode);
}

std::string trashFiles() { return joinPath(trashFolder(), "files"); }

bool hasSubfolder(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return false;
    bool found = false;
    while (dirent* de = ::readdir(d)) {
        const char* n = de->d_name;
        if (std::strcmp(n, ".") == 0 || std::strcmp(n, "..") == 0) continue;
        if (de->d_type == DT_DIR) {
            found = true;
        } else if (de->d_type == DT_LNK || de->d_type == DT_UNKNOWN) {
            struct stat st {};
            found = ::stat(joinPath(dir, n).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        if (found) break;
    }
    ::closedir(d);
    return found;
}

bool writable(const std::string& path) { return !path.empty() && ::access(path.c_str(), W_OK | X_OK) == 0; }

// Names of a directory, sorted by their bytes; false with errno on failure.
bool listDirectory(const std::string& dir, std::vector<std::string>* names) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return false;
    while (dirent* de = ::readdir(d)) {
        if (std::strcmp(de->d_name, ".") == 0 || std::strcmp(de->d_name, "..") == 0) continue;
        names->push_back(de->d_name);
    }
    ::closedir(d);
    std::sort(names->begin(), names->end());
    return true;
}

}  // namespace

Location desktopLocation() { return Location{Location::Desktop, desktopDirectory()}; }

bool fileSystemItem(const std::string& folder, const std::string& name, ShellItem* item) {
    const std::string path = joinPath(folder, name);
    struct stat lst {};
    if (::lstat(path.c_str(), &lst) != 0) return false;
    item->kind = ShellItemKind::FileSystem;
    item->name = name;
    item->flags = 0;
    if (S_ISLNK(lst.st_mode)) {
        item->flags |= SHELLITEM_LINK;
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) item->flags |= SHELLITEM_FOLDER;
    } else if (S_ISDIR(lst.st_mode)) {
        item->flags |= SHELLITEM_FOLDER;
    }
    if (!name.empty() && name[0] == '.') item->flags |= SHELLITEM_HIDDEN;
    return true;
}

namespace {
bool describeEntry(const Location& parent, const ShellItem& item, Entry* e, bool withStat);
}

bool describe(const Location& parent, const ShellItem& item, Entry* e) { return describeEntry(parent, item, e, true); }
bool describeByName(const Location& parent, const ShellItem& item, Entry* e) {
    return describeEntry(parent, item, e, false);
}

namespace {
bool describeEntry(const Location& parent, const ShellItem& item, Entry* e, bool withStat) {
    *e = Entry();
    e->item = item;
    e->parent = parent;
    switch (parent.kind) {
    case Location::Desktop:
        if (item.kind == ShellItemKind::Place) {
            if (item.name.empty() || item.name[0] != '/') return false;
            e->path = item.name;
        } else if (item.kind == ShellItemKind::FileSystem) {
            if (parent.path.empty()) return false;
            e->path = joinPath(parent.path, item.name);
        } else if (item.kind != ShellItemKind::Computer && item.kind != ShellItemKind::Trash) {
            return false;
        }
        break;
    case Location::Computer:
        if (item.kind != ShellItemKind::Volume || item.name.empty() || item.name[0] != '/') return false;
        e->path = item.name;
        break;
    case Location::Directory:
        if (item.kind != ShellItemKind::FileSystem) return false;
        e->path = joinPath(parent.path, item.name);
        break;
    case Location::Trash:
        if (item.kind != ShellItemKind::TrashEntry) return false;
        e->path = joinPath(trashFiles(), item.name);
        break;
    }
    if (item.kind == ShellItemKind::FileSystem || item.kind == ShellItemKind::TrashEntry) {
        if (item.name.empty() || item.name == "." || item.name == ".." || item.name.find('/') != std::string::npos)
            return false;
        e->hidden = item.name[0] == '.';
    }
    if (isFsKind(item.kind) && withStat) {
        statEntry(e);
    } else if (isFsKind(item.kind)) {
        e->exists = true;
        e->folder = (item.flags & SHELLITEM_FOLDER) != 0;
        e->link = (item.flags & SHELLITEM_LINK) != 0;
    } else {
        e->exists = true;
        e->folder = true;
    }
    return true;
}
}  // namespace

bool locationOf(const Entry& e, Location* location) {
    if (!e.folder) return false;
    switch (e.item.kind) {
    case ShellItemKind::Computer:
        *location = Location{Location::Computer, {}};
        return true;
    case ShellItemKind::Trash:
        *location = Location{Location::Trash, {}};
        return true;
    default:
        if (e.path.empty()) return false;
        *location = Location{Location::Directory, e.path};
        return true;
    }
}

bool resolve(const Location& from, LPCITEMIDLIST pidl, Entry* entry, bool* emptyList) {
    if (emptyList) *emptyList = false;
    if (ILIsEmpty(pidl)) {
        if (emptyList) *emptyList = true;
        return true;
    }
    Location at = from;
    for (LPCITEMIDLIST p = pidl; p; p = ILGetNext(p)) {
        ShellItem item;
        if (!decodeItem(&p->mkid, item) || !describe(at, item, entry)) return false;
        if (ILGetNext(p) && !locationOf(*entry, &at)) return false;
    }
    return true;
}

bool locationOfList(LPCITEMIDLIST pidl, Location* location) {
    Entry e;
    bool empty = false;
    if (!resolve(desktopLocation(), pidl, &e, &empty)) return false;
    if (empty) {
        *location = desktopLocation();
        return true;
    }
    return locationOf(e, location);
}

namespace {

HRESULT missingPart(int error, bool last) {
    if (error == ENOENT) return HRESULT_FROM_WIN32(last ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    return resultFromErrno(error);
}

// Items for the parts of a relative path below `folder`.
HRESULT itemsOfRelative(const std::string& folder, const std::string& relative, std::vector<ShellItem>* items) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    while (at <= relative.size()) {
        std::size_t slash = relative.find('/', at);
        if (slash == std::string::npos) slash = relative.size();
        std::string part = relative.substr(at, slash - at);
        if (part == "..") return E_INVALIDARG;
        if (!part.empty() && part != ".") parts.push_back(std::move(part));
        at = slash + 1;
    }
    if (parts.empty()) return E_INVALIDARG;
    std::string dir = folder;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        ShellItem item;
        errno = 0;
        if (!fileSystemItem(dir, parts[i], &item)) return missingPart(errno, i + 1 == parts.size());
        if (i + 1 < parts.size() && !(item.flags & SHELLITEM_FOLDER)) return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
        items->push_back(std::move(item));
        dir = joinPath(dir, parts[i]);
    }
    return S_OK;
}

// The volume whose mount point holds a clean absolute path.
ShellVolume volumeOf(const std::string& path) {
    ShellVolume best;
    best.mountPoint = "/";
    for (const ShellVolume& v : shellVolumes()) {
        const std::string& m = v.mountPoint;
        const bool inside = m == "/" || path == m || (path.size() > m.size() && path.compare(0, m.size(), m) == 0 &&
                                                      path[m.size()] == '/');
        if (inside && m.size() >= best.mountPoint.size()) best = v;
    }
    return best;
}

}  // namespace

HRESULT listOfPath(const std::string& absolute, ItemIdList* out) {
    if (absolute.empty() || absolute[0] != '/') return E_INVALIDARG;
    const std::string path = cleanAbsolute(absolute);
    const ShellVolume volume = volumeOf(path);
    struct stat st {};
    if (::stat(volume.mountPoint.c_str(), &st) != 0) return resultFromErrno(errno);
    std::vector<ShellItem> items{ShellItem{ShellItemKind::Computer, SHELLITEM_FOLDER, {}},
                                 ShellItem{ShellItemKind::Volume, SHELLITEM_FOLDER, volume.mountPoint}};
    if (path != volume.mountPoint) {
        const std::string rest = volume.mountPoint == "/" ? path.substr(1) : path.substr(volume.mountPoint.size() + 1);
        const HRESULT hr = itemsOfRelative(volume.mountPoint, rest, &items);
        if (FAILED(hr)) return hr;
    }
    *out = makeItemIdList(items);
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT relativeListOfPath(const std::string& folder, const std::string& relative, ItemIdList* out) {
    std::vector<ShellItem> items;
    const HRESULT hr = itemsOfRelative(folder, relative, &items);
    if (FAILED(hr)) return hr;
    *out = makeItemIdList(items);
    return *out ? S_OK : E_OUTOFMEMORY;
}

// ---- Names and types ----

std::u16string locationName(const Location& l) {
    switch (l.kind) {
    case Location::Desktop:
        return u"Desktop";
    case Location::Computer:
        return u"Computer";
    case Location::Trash:
        return u"Trash";
    case Location::Directory:
        return l.path == "/" ? u"File System" : wideOf(baseOf(l.path));
    }
    return {};
}

std::u16string displayName(const Entry& e) {
    switch (e.item.kind) {
    case ShellItemKind::Place:
        return e.path == homeDirectory() ? u"Home" : wideOf(baseOf(e.path));
    case ShellItemKind::Computer:
        return u"Computer";
    case ShellItemKind::Trash:
        return u"Trash";
    case ShellItemKind::Volume:
        return e.path == "/" ? u"File System" : wideOf(baseOf(e.path));
    case ShellItemKind::FileSystem:
        return wideOf(e.item.name);
    case ShellItemKind::TrashEntry: {
        std::string original;
        if (trashInfo(e.item.name, &original, nullptr) && !baseOf(original).empty()) return wideOf(baseOf(original));
        return wideOf(e.item.name);
    }
    }
    return {};
}

QMimeType mimeTypeOf(const Entry& e) {
    static const QMimeDatabase db;
    if (!isFsKind(e.item.kind)) return QMimeType();
    if (e.folder) return db.mimeTypeForName(QStringLiteral("inode/directory"));
    const QString name = QString::fromStdU16String(wideOf(baseOf(e.path)));
    if (e.haveStat && !S_ISREG(e.st.st_mode)) {
        if (S_ISFIFO(e.st.st_mode)) return db.mimeTypeForName(QStringLiteral("inode/fifo"));
        if (S_ISSOCK(e.st.st_mode)) return db.mimeTypeForName(QStringLiteral("inode/socket"));
        if (S_ISCHR(e.st.st_mode)) return db.mimeTypeForName(QStringLiteral("inode/chardevice"));
        if (S_ISBLK(e.st.st_mode)) return db.mimeTypeForName(QStringLiteral("inode/blockdevice"));
    }
    // A file's contents are looked at once while it stays the same: sorting by type asks
    // for each file many times.
    struct Known {
        dev_t dev;
        ino_t ino;
        off_t size;
        struct timespec mtime;
        QString mime;
    };
    static std::mutex mutex;
    static std::unordered_map<std::string, Known> known;
    const bool keyed = e.haveStat && S_ISREG(e.st.st_mode);
    if (keyed) {
        std::lock_guard<std::mutex> lock(mutex);
        const auto it = known.find(e.path);
        if (it != known.end() && it->second.dev == e.st.st_dev && it->second.ino == e.st.st_ino &&
            it->second.size == e.st.st_size && it->second.mtime.tv_sec == e.st.st_mtim.tv_sec &&
            it->second.mtime.tv_nsec == e.st.st_mtim.tv_nsec)
            return db.mimeTypeForName(it->second.mime);
    }
    const int fd = e.exists ? ::open(e.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK) : -1;
    if (fd < 0) return db.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return db.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    }
    const QMimeType mime = db.mimeTypeForFileNameAndData(name, &file);
    if (keyed && mime.isValid()) {
        std::lock_guard<std::mutex> lock(mutex);
        if (known.size() >= 100000) known.clear();
        known[e.path] = Known{e.st.st_dev, e.st.st_ino, e.st.st_size, e.st.st_mtim, mime.name()};
    }
    return mime;
}

std::u16string typeName(const Entry& e) {
    switch (e.item.kind) {
    case ShellItemKind::Computer:
    case ShellItemKind::Trash:
        return u"System Folder";
    case ShellItemKind::Volume:
        return u"Volume";
    default: {
        const QMimeType mime = mimeTypeOf(e);
        if (!mime.isValid()) return {};
        QString comment = mime.comment();
        if (!comment.isEmpty()) comment[0] = comment[0].toUpper();
        return comment.toStdU16String();
    }
    }
}

QString iconName(const Entry& e, bool open) {
    switch (e.item.kind) {
    case ShellItemKind::Computer:
        return QStringLiteral("computer");
    case ShellItemKind::Trash: {
        std::vector<std::string> names;
        const bool full = listDirectory(trashFiles(), &names) && !names.empty();
        return full ? QStringLiteral("user-trash-full") : QStringLiteral("user-trash");
    }
    case ShellItemKind::Volume:
        return e.path == "/" ? QStringLiteral("drive-harddisk") : QStringLiteral("drive-removable-media");
    case ShellItemKind::Place:
        if (e.path == homeDirectory()) return QStringLiteral("user-home");
        break;
    default:
        break;
    }
    if (e.folder) return open ? QStringLiteral("folder-open") : QStringLiteral("folder");
    const QMimeType mime = mimeTypeOf(e);
    if (!mime.isValid()) return QStringLiteral("text-x-generic");
    return mime.iconName();
}

SFGAOF attributesOf(const Entry& e, SFGAOF mask) {
    SFGAOF a = 0;
    switch (e.item.kind) {
    case ShellItemKind::Computer:
        return SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER;
    case ShellItemKind::Trash:
        a = SFGAO_FOLDER | SFGAO_DROPTARGET;
        if (mask & SFGAO_HASSUBFOLDER) {
            if (hasSubfolder(trashFiles())) a |= SFGAO_HASSUBFOLDER;
        }
        return a;
    case ShellItemKind::Place:
    case ShellItemKind::Volume:
        a = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_HASPROPSHEET | SFGAO_DROPTARGET |
            SFGAO_CANCOPY;
        if ((mask & SFGAO_HASSUBFOLDER) && hasSubfolder(e.path)) a |= SFGAO_HASSUBFOLDER;
        if (e.item.kind == ShellItemKind::Volume && e.path != "/") a |= SFGAO_REMOVABLE;
        return a;
    case ShellItemKind::FileSystem:
    case ShellItemKind::TrashEntry:
        break;
    }
    a = SFGAO_FILESYSTEM | SFGAO_CANCOPY | SFGAO_HASPROPSHEET;
    if (e.folder) a |= SFGAO_FOLDER | SFGAO_FILESYSANCESTOR;
    if (!e.folder) a |= SFGAO_STREAM;
    if (e.link) a |= SFGAO_LINK;
    if (e.hidden) a |= SFGAO_HIDDEN;
    if (!e.exists) return a & mask;
    if (e.item.kind == ShellItemKind::FileSystem) {
        if (e.folder) a |= SFGAO_DROPTARGET;
        if (writable(parentOf(e.path))) a |= SFGAO_CANRENAME | SFGAO_CANDELETE | SFGAO_CANMOVE;
    }
    if (::access(e.path.c_str(), W_OK) != 0) a |= SFGAO_READONLY;
    if ((mask & SFGAO_HASSUBFOLDER) && e.folder && hasSubfolder(e.path)) a |= SFGAO_HASSUBFOLDER;
    return a & mask;
}

namespace {

// ---- Detail columns ----

struct Column {
    const char16_t* title;
    int fmt;
    int chars;
    SHCOLSTATEF type;
};
const Column kFileColumns[] = {{u"Name", LVCFMT_LEFT, 30, SHCOLSTATE_TYPE_STR},
                               {u"Size", LVCFMT_RIGHT, 10, SHCOLSTATE_TYPE_INT},
                               {u"Type", LVCFMT_LEFT, 20, SHCOLSTATE_TYPE_STR},
                               {u"Date Modified", LVCFMT_LEFT, 18, SHCOLSTATE_TYPE_DATE}};
const Column kComputerColumns[] = {{u"Name", LVCFMT_LEFT, 25, SHCOLSTATE_TYPE_STR},
                                   {u"Type", LVCFMT_LEFT, 15, SHCOLSTATE_TYPE_STR},
                                   {u"Total Size", LVCFMT_RIGHT, 12, SHCOLSTATE_TYPE_INT},
                                   {u"Free Space", LVCFMT_RIGHT, 12, SHCOLSTATE_TYPE_INT}};
const Column kTrashColumns[] = {{u"Name", LVCFMT_LEFT, 25, SHCOLSTATE_TYPE_STR},
                                {u"Original Location", LVCFMT_LEFT, 30, SHCOLSTATE_TYPE_STR},
                                {u"Date Deleted", LVCFMT_LEFT, 18, SHCOLSTATE_TYPE_DATE},
                                {u"Size", LVCFMT_RIGHT, 10, SHCOLSTATE_TYPE_INT}};

const Column* columnOf(const Location& l, UINT column) {
    if (column >= 4) return nullptr;
    switch (l.kind) {
    case Location::Computer:
        return &kComputerColumns[column];
    case Location::Trash:
        return &kTrashColumns[column];
    default:
        return &kFileColumns[column];
    }
}

long long fileSize(const Entry& e) { return e.haveStat && !e.folder ? static_cast<long long>(e.st.st_size) : -1; }

long long modifiedNanos(const Entry& e) {
    return e.haveStat ? static_cast<long long>(e.st.st_mtim.tv_sec) * 1000000000LL + e.st.st_mtim.tv_nsec : 0;
}

std::string volumeType(const std::string& mountPoint) {
    for (const ShellVolume& v : shellVolumes())
        if (v.mountPoint == mountPoint) return v.type;
    return {};
}

bool volumeSpace(const std::string& mountPoint, long long* total, long long* freeBytes) {
    struct statvfs vfs {};
    if (::statvfs(mountPoint.c_str(), &vfs) != 0) return false;
    *total = static_cast<long long>(vfs.f_blocks) * static_cast<long long>(vfs.f_frsize);
    *freeBytes = static_cast<long long>(vfs.f_bavail) * static_cast<long long>(vfs.f_frsize);
    return true;
}

std::u16string detailText(const Location& l, const Entry& e, UINT column) {
    if (column == 0) return displayName(e);
    if (l.kind == Location::Computer) {
        long long total = 0, freeBytes = 0;
        if (column == 1) return QString::fromStdString(volumeType(e.path)).toStdU16String();
        if (!volumeSpace(e.path, &total, &freeBytes)) return {};
        return formatByteSize(column == 2 ? total : freeBytes);
    }
    if (l.kind == Location::Trash) {
        std::string original;
        std::u16string deleted;
        const bool info = trashInfo(e.item.name, &original, &deleted);
        if (column == 1) return info ? wideOf(parentOf(original)) : std::u16string();
        if (column == 2) return info ? deleted : std::u16string();
        return fileSize(e) >= 0 ? formatByteSize(fileSize(e)) : std::u16string();
    }
    switch (column) {
    case 1:
        return fileSize(e) >= 0 ? formatByteSize(fileSize(e)) : std::u16string();
    case 2:
        return typeName(e);
    case 3:
        return e.haveStat && isFsKind(e.item.kind) ? formatTime(e.st.st_mtim.tv_sec) : std::u16string();
    default:
        return {};
    }
}

int sign(long long v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

int kindRank(ShellItemKind k) {
    switch (k) {
    case ShellItemKind::Place:
        return 0;
    case ShellItemKind::Computer:
        return 1;
    case ShellItemKind::Trash:
        return 2;
    case ShellItemKind::Volume:
        return 3;
    default:
        return 4;
    }
}

// Below, equal to or above 0; 0 only for the same object.
// What the file system said of items, and their types, while a ShellCompareScope lives on
// this thread.
struct CompareBurst {
    int depth = 0;
    std::unordered_map<std::string, Entry> entries;
    std::unordered_map<std::string, std::u16string> types;
};

CompareBurst& compareBurst() {
    thread_local CompareBurst burst;
    return burst;
}

bool describeInBurst(const Location& at, const ShellItem& item, Entry* e) {
    CompareBurst& burst = compareBurst();
    if (burst.depth == 0) return describe(at, item, e);
    std::string key;
    key.reserve(at.path.size() + item.name.size() + 4);
    key += static_cast<char>('0' + at.kind);
    key += at.path;
    key += '\0';
    key += static_cast<char>('0' + static_cast<int>(item.kind));
    key += item.name;
    if (auto it = burst.entries.find(key); it != burst.entries.end()) {
        *e = it->second;
        return true;
    }
    if (!describe(at, item, e)) return false;
    if (burst.entries.size() < 100000) burst.entries.emplace(std::move(key), *e);
    return true;
}

std::u16string typeNameInBurst(const Entry& e) {
    CompareBurst& burst = compareBurst();
    if (burst.depth == 0) return typeName(e);
    if (auto it = burst.types.find(e.path); it != burst.types.end()) return it->second;
    std::u16string type = typeName(e);
    if (burst.types.size() < 100000) burst.types.emplace(e.path, type);
    return type;
}

int compareEntries(const Location& l, const Entry& a, const Entry& b, UINT column) {
    if (a.item.kind == b.item.kind && a.item.name == b.item.name) return 0;
    if (kindRank(a.item.kind) != kindRank(b.item.kind)) return kindRank(a.item.kind) < kindRank(b.item.kind) ? -1 : 1;
    if (a.folder != b.folder) return a.folder ? -1 : 1;
    int r = 0;
    if (column != 0) {
        if (l.kind == Location::Computer) {
            long long ta = 0, fa = 0, tb = 0, fb = 0;
            if (column == 1) {
                r = volumeType(a.path).compare(volumeType(b.path));
            } else if (column == 2 || column == 3) {
                volumeSpace(a.path, &ta, &fa);
                volumeSpace(b.path, &tb, &fb);
                r = column == 2 ? sign(ta - tb) : sign(fa - fb);
            }
        } else if (l.kind == Location::Trash) {
            std::string oa, ob;
            std::u16string da, db;
            trashInfo(a.item.name, &oa, &da);
            trashInfo(b.item.name, &ob, &db);
            if (column == 1) r = compareLocale(wideOf(oa), wideOf(ob), NORM_IGNORECASE);
            if (column == 2) r = da.compare(db);
            if (column == 3) r = sign(fileSize(a) - fileSize(b));
        } else if (column == 1) {
            r = sign(fileSize(a) - fileSize(b));
        } else if (column == 2) {
            r = compareLocale(typeNameInBurst(a), typeNameInBurst(b), NORM_IGNORECASE);
        } else if (column == 3) {
            r = sign(modifiedNanos(a) - modifiedNanos(b));
        }
        if (r != 0) return r < 0 ? -1 : 1;
    }
    r = compareLocale(displayName(a), displayName(b), NORM_IGNORECASE);
    if (r != 0) return r < 0 ? -1 : 1;
    r = a.item.name.compare(b.item.name);
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

HRESULT compareResult(int r) { return MAKE_HRESULT(SEVERITY_SUCCESS, 0, static_cast<USHORT>(static_cast<SHORT>(r))); }

// ---- The enumerator ----

class Enumerator final : public IEnumIDList {
public:
    explicit Enumerator(std::vector<ShellItem> items) : items_(std::move(items)) {}
    HRESULT Next(ULONG count, LPITEMIDLIST* out, ULONG* fetched) override {
        if (!out) return E_INVALIDARG;
        ULONG n = 0;
        while (n < count && at_ < items_.size()) {
            ItemIdList list = makeItemIdList({items_[at_]});
            if (!list) break;
            out[n++] = list.release();
            ++at_;
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        const std::size_t left = items_.size() - at_;
        at_ += std::min<std::size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        at_ = 0;
        return S_OK;
    }

private:
    std::vector<ShellItem> items_;
    std::size_t at_ = 0;
};

// ---- The folder ----

class Folder final : public IShellFolder2, public IShellIconOverlay {
public:
    explicit Folder(Location location) : location_(std::move(location)) {}
    const Location& location() const { return location_; }

    HRESULT ParseDisplayName(HWND, void*, LPCWSTR name, ULONG* eaten, LPITEMIDLIST* pidl,
                             ULONG* attributes) override {
        if (!pidl) return E_INVALIDARG;
        *pidl = nullptr;
        if (!name || !*name) return E_INVALIDARG;
        const std::u16string wide(name);
        const std::string raw = rawOf(wide);
        ItemIdList list;
        HRESULT hr = E_INVALIDARG;
        switch (location_.kind) {
        case Location::Desktop:
            if (raw[0] == '/')
                hr = listOfPath(raw, &list);
            else if (!location_.path.empty())
                hr = relativeListOfPath(location_.path, raw, &list);
            break;
        case Location::Computer:
            if (raw[0] == '/') {
                ItemIdList full;
                hr = listOfPath(raw, &full);
                if (SUCCEEDED(hr)) {
                    list.reset(ILClone(ILGetNext(full.get())));
                    if (!list) hr = E_OUTOFMEMORY;
                }
            }
            break;
        case Location::Directory:
            if (raw[0] != '/') hr = relativeListOfPath(location_.path, raw, &list);
            break;
        case Location::Trash:
            if (raw.find('/') == std::string::npos) {
                struct stat st {};
                if (::lstat(joinPath(trashFiles(), raw).c_str(), &st) == 0) {
                    list = makeItemIdList({ShellItem{ShellItemKind::TrashEntry,
                                                     static_cast<BYTE>(S_ISDIR(st.st_mode) ? SHELLITEM_FOLDER : 0),
                                                     raw}});
                    hr = list ? S_OK : E_OUTOFMEMORY;
                } else {
                    hr = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
                }
            }
            break;
        }
        if (FAILED(hr)) return hr;
        if (eaten) *eaten = static_cast<ULONG>(wide.size());
        if (attributes && *attributes) {
            Entry e;
            *attributes = resolve(location_, list.get(), &e) ? attributesOf(e, *attributes) : 0;
        }
        *pidl = list.release();
        return S_OK;
    }

    HRESULT EnumObjects(HWND, DWORD flags, std::shared_ptr<IEnumIDList>* out) override {
        if (!out) return E_INVALIDARG;
        out->reset();
        std::vector<ShellItem> items;
        auto take = [&](ShellItem item) {
            const bool folder = item.flags & SHELLITEM_FOLDER;
            if (folder && !(flags & SHCONTF_FOLDERS)) return;
            if (!folder && !(flags & SHCONTF_NONFOLDERS)) return;
            if ((item.flags & SHELLITEM_HIDDEN) && !(flags & SHCONTF_INCLUDEHIDDEN)) return;
            items.push_back(std::move(item));
        };
        auto takeDirectory = [&](const std::string& dir, ShellItemKind kind) -> HRESULT {
            std::vector<std::string> names;
            if (!listDirectory(dir, &names)) return resultFromErrno(errno);
            for (const std::string& n : names) {
                ShellItem item;
                if (!fileSystemItem(dir, n, &item)) continue;  // vanished meanwhile
                item.kind = kind;
                take(std::move(item));
            }
            return S_OK;
        };
        switch (location_.kind) {
        case Location::Desktop: {
            const std::string home = homeDirectory();
            struct stat st {};
            if (::stat(home.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                take(ShellItem{ShellItemKind::Place, SHELLITEM_FOLDER, home});
            take(ShellItem{ShellItemKind::Computer, SHELLITEM_FOLDER, {}});
            take(ShellItem{ShellItemKind::Trash, SHELLITEM_FOLDER, {}});
            if (!location_.path.empty() && ::stat(location_.path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                takeDirectory(location_.path, ShellItemKind::FileSystem);
            break;
        }
        case Location::Computer:
            for (const ShellVolume& v : shellVolumes()) take(ShellItem{ShellItemKind::Volume, SHELLITEM_FOLDER, v.mountPoint});
            break;
        case Location::Directory: {
            const HRESULT hr = takeDirectory(location_.path, ShellItemKind::FileSystem);
            if (FAILED(hr)) return hr;
            break;
        }
        case Location::Trash: {
            struct stat st {};
            if (::stat(trashFiles().c_str(), &st) == 0) {
                const HRESULT hr = takeDirectory(trashFiles(), ShellItemKind::TrashEntry);
                if (FAILED(hr)) return hr;
            }
            break;
        }
        }
        *out = std::make_shared<Enumerator>(std::move(items));
        return S_OK;
    }

    HRESULT BindToObject(LPCITEMIDLIST pidl, void*, REFIID riid, std::shared_ptr<IUnknown>* out) override {
        if (!out) return E_INVALIDARG;
        out->reset();
        if (!(riid == IID_IShellFolder || riid == IID_IShellFolder2 || riid == IID_IUnknown)) return E_NOINTERFACE;
        Entry e;
        bool empty = false;
        if (!resolve(location_, pidl, &e, &empty) || empty) return E_INVALIDARG;
        Location child;
        if (!locationOf(e, &child)) return HRESULT_FROM_WIN32(e.exists ? ERROR_DIRECTORY : ERROR_PATH_NOT_FOUND);
        if (child.kind == Location::Directory) {
            struct stat st {};
            if (::stat(child.path.c_str(), &st) != 0) return missingPart(errno, false);
            if (!S_ISDIR(st.st_mode)) return HRESULT_FROM_WIN32(ERROR_DIRECTORY);
        }
        *out = folderAt(child);
        return S_OK;
    }

    HRESULT CompareIDs(LPARAM lParam, LPCITEMIDLIST a, LPCITEMIDLIST b) override {
        const auto column = static_cast<UINT>(lParam & SHCIDS_COLUMNMASK);
        Location at = location_;
        for (;;) {
            const bool ea = ILIsEmpty(a), eb = ILIsEmpty(b);
            if (ea || eb) return compareResult(ea == eb ? 0 : ea ? -1 : 1);
            ShellItem ia, ib;
            Entry xa, xb;
            if (!decodeItem(&a->mkid, ia) || !decodeItem(&b->mkid, ib)) return E_INVALIDARG;
            // Names compare without the file system; the other columns need what it says.
            const bool byName = column == 0;
            if (!(byName ? describeByName(at, ia, &xa) : describeInBurst(at, ia, &xa)) ||
                !(byName ? describeByName(at, ib, &xb) : describeInBurst(at, ib, &xb)))
                return E_INVALIDARG;
            const int r = compareEntries(at, xa, xb, column);
            if (r != 0) return compareResult(r);
            a = ILGetNext(a);
            b = ILGetNext(b);
            if (!a || !b) return compareResult(!a && !b ? 0 : !a ? -1 : 1);
            if (!locationOf(xa, &at)) return E_INVALIDARG;
        }
    }

    HRESULT CreateViewObject(HWND, REFIID, std::shared_ptr<IUnknown>* out) override {
        if (out) out->reset();
        return E_NOINTERFACE;
    }

    HRESULT GetAttributesOf(UINT count, LPCITEMIDLIST* items, SFGAOF* inOut) override {
        if (!inOut) return E_INVALIDARG;
        const SFGAOF asked = *inOut;
        if (count == 0 || !items) {
            *inOut = 0;
            return E_INVALIDARG;
        }
        SFGAOF common = ~SFGAOF(0);
        for (UINT i = 0; i < count; ++i) {
            Entry e;
            bool empty = false;
            if (!resolve(location_, items[i], &e, &empty) || empty) {
                *inOut = 0;
                return E_INVALIDARG;
            }
            common &= attributesOf(e, asked);
        }
        *inOut = common & asked;
        return S_OK;
    }

    HRESULT GetUIObjectOf(HWND owner, UINT count, LPCITEMIDLIST* items, REFIID riid, UINT*,
                          std::shared_ptr<IUnknown>* out) override {
        if (!out) return E_INVALIDARG;
        out->reset();
        if (count == 0 || !items) return E_INVALIDARG;
        std::vector<Entry> entries;
        for (UINT i = 0; i < count; ++i) {
            Entry e;
            bool empty = false;
            if (!resolve(location_, items[i], &e, &empty) || empty) return E_INVALIDARG;
            entries.push_back(std::move(e));
        }
        if (riid == IID_IContextMenu || riid == IID_IContextMenu2) {
            *out = createContextMenu(owner, std::move(entries));
        } else if (riid == IID_IExtractImage) {
            if (count != 1) return E_INVALIDARG;
            *out = createExtractImage(entries[0]);
        } else if (riid == IID_IQueryInfo) {
            if (count != 1) return E_INVALIDARG;
            *out = createQueryInfo(entries[0]);
        } else {
            return E_NOINTERFACE;
        }
        return *out ? S_OK : E_FAIL;
    }

    HRESULT GetDisplayNameOf(LPCITEMIDLIST pidl, DWORD flags, STRRET* name) override {
        if (!name) return E_INVALIDARG;
        name->uType = STRRET_WSTR;
        name->pOleStr = nullptr;
        Entry e;
        bool empty = false;
        if (!resolve(location_, pidl, &e, &empty)) return E_INVALIDARG;
        std::u16string text;
        if (empty) {
            text = (flags & SHGDN_FORPARSING) && !location_.path.empty() ? wideOf(location_.path)
                                                                         : locationName(location_);
        } else if ((flags & SHGDN_FORPARSING) && !(flags & SHGDN_INFOLDER) && !e.path.empty()) {
            text = wideOf(e.path);
        } else if ((flags & (SHGDN_FORPARSING | SHGDN_FOREDITING)) && e.item.kind == ShellItemKind::FileSystem) {
            text = wideOf(e.item.name);
        } else {
            text = displayName(e);
        }
        name->pOleStr = taskMemString(text);
        return name->pOleStr ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT SetNameOf(HWND, LPCITEMIDLIST pidl, LPCWSTR newName, DWORD, LPITEMIDLIST* out) override {
        if (out) *out = nullptr;
        if (!newName || ILIsEmpty(pidl) || ILGetNext(pidl)) return E_INVALIDARG;
        Entry e;
        if (!resolve(location_, pidl, &e) || e.item.kind != ShellItemKind::FileSystem) return E_ACCESSDENIED;
        const std::string raw = rawOf(newName);
        if (raw.empty() || raw == "." || raw == ".." || raw.find('/') != std::string::npos)
            return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
        const std::string folder = parentOf(e.path);
        if (raw != e.item.name && !renameNoReplace(e.path, joinPath(folder, raw))) return HRESULT_FROM_WIN32(GetLastError());
        if (out) {
            ShellItem item;
            if (!fileSystemItem(folder, raw, &item)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
            ItemIdList list = makeItemIdList({item});
            if (!list) return E_OUTOFMEMORY;
            *out = list.release();
        }
        return S_OK;
    }

    HRESULT GetDefaultColumnState(UINT column, SHCOLSTATEF* flags) override {
        if (!flags) return E_INVALIDARG;
        const Column* c = columnOf(location_, column);
        if (!c) return E_INVALIDARG;
        *flags = c->type | SHCOLSTATE_ONBYDEFAULT;
        return S_OK;
    }

    HRESULT GetDetailsOf(LPCITEMIDLIST pidl, UINT column, SHELLDETAILS* details) override {
        if (!details) return E_INVALIDARG;
        details->str.uType = STRRET_WSTR;
        details->str.pOleStr = nullptr;
        const Column* c = columnOf(location_, column);
        if (!c) return E_FAIL;
        details->fmt = c->fmt;
        details->cxChar = c->chars;
        std::u16string text;
        if (!pidl) {
            text = c->title;
        } else {
            Entry e;
            bool empty = false;
            if (!resolve(location_, pidl, &e, &empty) || empty) return E_INVALIDARG;
            Location parent = e.parent;
            text = detailText(parent, e, column);
        }
        details->str.pOleStr = taskMemString(text);
        return details->str.pOleStr ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT GetOverlayIndex(LPCITEMIDLIST pidl, int* index) override {
        if (!index) return E_INVALIDARG;
        Entry e;
        bool empty = false;
        if (!resolve(location_, pidl, &e, &empty) || empty) return E_INVALIDARG;
        if (!e.link) return E_FAIL;
        *index = 2;
        return S_OK;
    }

private:
    Location location_;
};

}  // namespace

std::shared_ptr<IShellFolder2> folderAt(const Location& location) { return std::make_shared<Folder>(location); }

}  // namespace platform::shell

using namespace platform;
using namespace platform::shell;

HRESULT SHGetDesktopFolder(std::shared_ptr<IShellFolder>* out) {
    if (!out) return E_INVALIDARG;
    // The desktop's directory follows the environment, so the object is made for each call.
    *out = folderAt(desktopLocation());
    return S_OK;
}

HRESULT SHParseDisplayName(LPCWSTR name, void* bindContext, LPITEMIDLIST* pidl, SFGAOF in, SFGAOF* out) {
    std::shared_ptr<IShellFolder> desktop;
    SHGetDesktopFolder(&desktop);
    SFGAOF attributes = in;
    const HRESULT hr = desktop->ParseDisplayName(nullptr, bindContext, name, nullptr, pidl, in ? &attributes : nullptr);
    if (out) *out = SUCCEEDED(hr) && in ? attributes : 0;
    return hr;
}

HRESULT SHBindToParent(LPCITEMIDLIST pidl, REFIID riid, std::shared_ptr<IUnknown>* out, LPCITEMIDLIST* last) {
    if (!out) return E_INVALIDARG;
    out->reset();
    if (last) *last = nullptr;
    if (ILIsEmpty(pidl)) return E_INVALIDARG;
    if (!(riid == IID_IShellFolder || riid == IID_IShellFolder2 || riid == IID_IUnknown)) return E_NOINTERFACE;
    ItemIdList parent(ILClone(pidl));
    if (!parent) return E_OUTOFMEMORY;
    ILRemoveLastID(parent.get());
    Location location;
    if (!locationOfList(parent.get(), &location)) return E_INVALIDARG;
    *out = folderAt(location);
    if (last) *last = ILFindLastID(pidl);
    return S_OK;
}

namespace platform {

bool rawPathFromIDList(LPCITEMIDLIST pidl, std::string* path) {
    if (!pidl) return false;
    Entry e;
    bool empty = false;
    if (!resolve(desktopLocation(), pidl, &e, &empty)) return false;
    const std::string p = empty ? desktopDirectory() : e.path;
    if (p.empty()) return false;
    *path = p;
    return true;
}

bool pathFromIDList(LPCITEMIDLIST pidl, std::u16string* path) {
    std::string raw;
    if (!rawPathFromIDList(pidl, &raw)) return false;
    *path = wideOf(raw);
    return true;
}

}  // namespace platform

BOOL SHGetPathFromIDListEx(LPCITEMIDLIST pidl, LPWSTR path, DWORD size, int) {
    if (!path || size == 0) return FALSE;
    path[0] = 0;
    std::u16string p;
    if (!platform::pathFromIDList(pidl, &p)) return FALSE;
    if (p.size() >= size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(path, p.data(), p.size() * sizeof(WCHAR));
    path[p.size()] = 0;
    return TRUE;
}

BOOL SHGetPathFromIDListW(LPCITEMIDLIST pidl, LPWSTR path) { return SHGetPathFromIDListEx(pidl, path, MAX_PATH, 0); }

HRESULT SHGetDataFromIDListW(IShellFolder* folder, LPCITEMIDLIST pidl, int format, void* data, int size) {
    if (!folder || !data || format != SHGDFIL_FINDDATA || size < static_cast<int>(sizeof(WIN32_FIND_DATAW)))
        return E_INVALIDARG;
    auto* f = dynamic_cast<Folder*>(folder);
    if (!f) return E_INVALIDARG;
    Entry e;
    bool empty = false;
    if (!resolve(f->location(), pidl, &e, &empty) || empty) return E_INVALIDARG;
    if (e.item.kind != ShellItemKind::FileSystem && e.item.kind != ShellItemKind::TrashEntry &&
        e.item.kind != ShellItemKind::Place)
        return E_INVALIDARG;
    if (!e.exists) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    auto* d = static_cast<WIN32_FIND_DATAW*>(data);
    std::memset(d, 0, sizeof *d);
    d->dwFileAttributes = e.folder ? FILE_ATTRIBUTE_DIRECTORY : 0;
    if (e.hidden) d->dwFileAttributes |= FILE_ATTRIBUTE_HIDDEN;
    if (::access(e.path.c_str(), W_OK) != 0) d->dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
    if (d->dwFileAttributes == 0) d->dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
    const auto size64 = static_cast<ULONGLONG>(e.folder ? 0 : e.st.st_size);
    d->nFileSizeHigh = static_cast<DWORD>(size64 >> 32);
    d->nFileSizeLow = static_cast<DWORD>(size64 & 0xFFFFFFFFu);
    d->ftLastWriteTime = fileTimeFromUnix(e.st.st_mtim.tv_sec, e.st.st_mtim.tv_nsec);
    d->ftLastAccessTime = fileTimeFromUnix(e.st.st_atim.tv_sec, e.st.st_atim.tv_nsec);
    d->ftCreationTime = fileTimeFromUnix(e.st.st_ctim.tv_sec, e.st.st_ctim.tv_nsec);
    const std::u16string name = e.item.kind == ShellItemKind::Place ? wideOf(baseOf(e.path)) : wideOf(e.item.name);
    const std::size_t n = std::min<std::size_t>(name.size(), MAX_PATH - 1);
    std::memcpy(d->cFileName, name.data(), n * sizeof(WCHAR));
    return S_OK;
}

namespace platform {

ShellCompareScope::ShellCompareScope() { ++shell::compareBurst().depth; }

ShellCompareScope::~ShellCompareScope() {
    shell::CompareBurst& burst = shell::compareBurst();
    if (--burst.depth > 0) return;
    burst.entries.clear();
    burst.types.clear();
}

}  // namespace platform
