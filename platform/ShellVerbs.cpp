// Context menus and verbs: open, cut, copy, paste, delete to the trash, rename, properties
// and restore; the clipboard's file lists and dropped files.
#include "ClipboardData.h"
#include "ShellInternal.h"
#include "platform/atomicfile.h"
#include "platform/msgbox.h"
#include "platform/shellapi.h"
#include "platform/shellexec.h"
#include "platform/winuser.h"

#include <QApplication>
#include <QByteArray>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QUrl>
#include <QVBoxLayout>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <functional>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>

namespace platform {

using namespace platform::shell;

// ---- Files ------------------------------------------------------------------------------

namespace {

bool failWith(int error) {
    SetLastError(errorFromErrno(error));
    return false;
}

bool failCode(DWORD code) {
    SetLastError(code);
    return false;
}

bool removeTree(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode)) return ::unlink(path.c_str()) == 0;
    if (DIR* d = ::opendir(path.c_str())) {
        while (dirent* de = ::readdir(d)) {
            if (std::strcmp(de->d_name, ".") == 0 || std::strcmp(de->d_name, "..") == 0) continue;
            removeTree(joinPath(path, de->d_name));
        }
        ::closedir(d);
    }
    return ::rmdir(path.c_str()) == 0;
}

// Copies a file, link or folder tree to a path that must not exist yet.
bool copyTree(const std::string& from, const std::string& to) {
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0) return failWith(errno);
    if (S_ISLNK(st.st_mode)) {
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 256) + 1, '\0');
        const ssize_t n = ::readlink(from.c_str(), target.data(), target.size());
        if (n < 0) return failWith(errno);
        target.resize(static_cast<std::size_t>(n));
        return ::symlink(target.c_str(), to.c_str()) == 0 || failWith(errno);
    }
    if (S_ISDIR(st.st_mode)) {
        if (::mkdir(to.c_str(), (st.st_mode & 07777) | S_IRWXU) != 0) return failWith(errno);
        DIR* d = ::opendir(from.c_str());
        if (!d) return failWith(errno);
        bool ok = true;
        while (dirent* de = ::readdir(d)) {
            if (std::strcmp(de->d_name, ".") == 0 || std::strcmp(de->d_name, "..") == 0) continue;
            if (!copyTree(joinPath(from, de->d_name), joinPath(to, de->d_name))) ok = false;
        }
        ::closedir(d);
        ::chmod(to.c_str(), st.st_mode & 07777);
        return ok;
    }
    if (!S_ISREG(st.st_mode)) return failCode(ERROR_NOT_SUPPORTED);
    const int in = openRegularFile(from);
    if (in < 0) return errno == EINVAL ? failCode(ERROR_NOT_SUPPORTED) : failWith(errno);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, (st.st_mode & 07777) | S_IWUSR);
    if (out < 0) {
        const int e = errno;
        ::close(in);
        return failWith(e);
    }
    int error = copyDescriptor(in, out, st);
    bool ok = error == 0;
    if (::close(out) != 0 && ok) {
        ok = false;
        error = errno;
    }
    ::close(in);
    if (!ok) {
        ::unlink(to.c_str());
        return failWith(error);
    }
    return true;
}

std::string realOf(const std::string& path) {
    char* r = ::realpath(path.c_str(), nullptr);
    if (!r) return cleanAbsolute(path);
    std::string s(r);
    std::free(r);
    return s;
}

// "stem (copy).ext", "stem (copy 2).ext", ...
std::string copyName(const std::string& name, bool folder, int n) {
    std::size_t dot = folder ? std::string::npos : name.find_last_of('.');
    if (dot == 0) dot = std::string::npos;
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
    return stem + (n == 1 ? " (copy)" : " (copy " + std::to_string(n) + ")") + ext;
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

bool renameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return failWith(errno);
    // The file system has no such rename: a hard link cannot replace anything either.
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0) return failWith(errno);
    if (!S_ISDIR(st.st_mode) && ::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    if (exists(to)) return failWith(EEXIST);
    return ::rename(from.c_str(), to.c_str()) == 0 || failWith(errno);
}

bool pasteFile(const std::string& source, const std::string& target, bool move, std::string* created) {
    struct stat st {};
    if (::lstat(source.c_str(), &st) != 0) return failWith(errno);
    struct stat tst {};
    if (::stat(target.c_str(), &tst) != 0) return failWith(errno);
    if (!S_ISDIR(tst.st_mode)) return failCode(ERROR_DIRECTORY);
    const std::string realTarget = realOf(target);
    const std::string realSource = S_ISLNK(st.st_mode) ? cleanAbsolute(source) : realOf(source);
    if (S_ISDIR(st.st_mode) &&
        (realTarget == realSource || realTarget.compare(0, realSource.size() + 1, realSource + "/") == 0))
        return failCode(ERROR_INVALID_PARAMETER);  // a folder into itself
    const std::string name = baseOf(cleanAbsolute(source));
    if (move && realOf(parentOf(cleanAbsolute(source))) == realTarget) {
        if (created) *created = source;
        return true;
    }
    for (int n = 0; n < 10000; ++n) {
        const std::string dest = joinPath(target, n == 0 ? name : copyName(name, S_ISDIR(st.st_mode), n));
        if (exists(dest)) continue;
        bool ok = false;
        if (move) {
            ok = renameNoReplace(source, dest);
            if (!ok && GetLastError() == ERROR_NOT_SAME_DEVICE) {
                ok = copyTree(source, dest);
                if (ok) removeTree(source);
            }
        } else {
            ok = copyTree(source, dest);
        }
        if (ok) {
            if (created) *created = dest;
            return true;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return failCode(ERROR_ALREADY_EXISTS);
}

// ---- The trash --------------------------------------------------------------------------

namespace {

std::string trashInfoPath(const std::string& name) {
    return joinPath(joinPath(trashFolder(), "info"), name + ".trashinfo");
}

bool makeFolders(const std::string& path, mode_t mode) {
    if (path.empty() || path == "/") return true;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    if (!makeFolders(parentOf(path), mode)) return false;
    return ::mkdir(path.c_str(), mode) == 0 || errno == EEXIST;
}

// The home trash as the desktops lay it out, for names Qt cannot carry.
bool moveToHomeTrash(const std::string& path) {
    const std::string trash = trashFolder();
    const std::string files = joinPath(trash, "files");
    const std::string info = joinPath(trash, "info");
    if (!makeFolders(files, 0700) || !makeFolders(info, 0700)) return failWith(errno);
    struct stat a {}, b {};
    if (::lstat(path.c_str(), &a) != 0) return failWith(errno);
    if (::stat(files.c_str(), &b) != 0) return failWith(errno);
    if (a.st_dev != b.st_dev) return failCode(ERROR_NOT_SAME_DEVICE);
    const std::string base = baseOf(cleanAbsolute(path));
    const QByteArray encoded = QByteArray::fromStdString(cleanAbsolute(path)).toPercentEncoding("/");
    const QByteArray when = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1();
    const QByteArray text = "[Trash Info]\nPath=" + encoded + "\nDeletionDate=" + when + "\n";
    for (int n = 1; n < 10000; ++n) {
        const std::string name = n == 1 ? base : base + "." + std::to_string(n);
        const std::string infoFile = joinPath(info, name + ".trashinfo");
        const int fd = ::open(infoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return failWith(errno);
        }
        const bool written = ::write(fd, text.constData(), static_cast<std::size_t>(text.size())) == text.size();
        ::close(fd);
        if (written && renameNoReplace(path, joinPath(files, name))) return true;
        const DWORD error = written ? GetLastError() : ERROR_WRITE_PROTECT;
        ::unlink(infoFile.c_str());
        if (error != ERROR_ALREADY_EXISTS) return failCode(error);
    }
    return failCode(ERROR_ALREADY_EXISTS);
}

}  // namespace

bool moveToTrash(const std::string& path) {
    if (!exists(path)) return failWith(errno);
    const QString name = QFile::decodeName(QByteArray::fromStdString(path));
    if (QFile::encodeName(name).toStdString() == path) {
        if (QFile::moveToTrash(name)) return true;
        if (!exists(path)) return failWith(errno);
        return failCode(ERROR_ACCESS_DENIED);
    }
    return moveToHomeTrash(path);
}

}  // namespace platform

namespace platform::shell {

bool trashInfo(const std::string& name, std::string* originalPath, std::u16string* deleted) {
    QFile file(QFile::decodeName(QByteArray::fromStdString(trashInfoPath(name))));
    const int fd = openRegularFile(trashInfoPath(name));
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0) ::close(fd);
        return false;
    }
    const QByteArray content = file.read(1 << 16);
    bool found = false;
    for (const QByteArray& line : content.split('\n')) {
        const QByteArray l = line.trimmed();
        if (l.startsWith("Path=")) {
            std::string p = QByteArray::fromPercentEncoding(l.mid(5)).toStdString();
            if (!p.empty() && p[0] != '/') p = joinPath(parentOf(trashFolder()), p);
            if (originalPath) *originalPath = p;
            found = true;
        } else if (l.startsWith("DeletionDate=") && deleted) {
            const QDateTime t = QDateTime::fromString(QString::fromLatin1(l.mid(13)), Qt::ISODate);
            *deleted = t.isValid() ? formatTime(t.toSecsSinceEpoch()) : std::u16string();
        }
    }
    return found;
}

}  // namespace platform::shell

namespace platform {

// ---- The clipboard --------------------------------------------------------------------------

QByteArray uriListOf(const std::vector<std::string>& paths) {
    QByteArray list;
    for (const std::string& p : paths)
        list += "file://" + QByteArray::fromStdString(cleanAbsolute(p)).toPercentEncoding("/") + "\r\n";
    return list;
}

std::vector<std::string> localPathsOfUriList(const QByteArray& list) {
    std::vector<std::string> paths;
    for (const QByteArray& line : list.split('\n')) {
        QByteArray l = line.trimmed();
        if (l.isEmpty() || l.startsWith('#')) continue;
        if (!l.startsWith("file:")) continue;
        l = l.mid(5);
        if (l.startsWith("//")) {
            l = l.mid(2);
            const int slash = l.indexOf('/');
            if (slash < 0) continue;
            const QByteArray host = l.left(slash);
            if (!host.isEmpty() && host != "localhost") continue;
            l = l.mid(slash);
        }
        if (!l.startsWith('/')) continue;
        paths.push_back(QByteArray::fromPercentEncoding(l).toStdString());
    }
    return paths;
}

// ---- Properties -------------------------------------------------------------------------------

namespace {

ShellPropertiesHandler& propertiesHandler() {
    static ShellPropertiesHandler h;
    return h;
}

std::u16string permissionText(const struct stat& st) {
    std::string s;
    const char* bits = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i) s += (st.st_mode & (0400 >> i)) ? bits[i] : '-';
    std::string owner = std::to_string(st.st_uid);
    if (const passwd* pw = ::getpwuid(st.st_uid)) owner = pw->pw_name;
    return QString::fromStdString(s + " (owner " + owner + ")").toStdU16String();
}

ShellProperties propertiesOf(const Entry& e) {
    ShellProperties p;
    p.name = displayName(e);
    p.type = typeName(e);
    if (!e.path.empty()) p.location = wideOf(parentOf(e.path).empty() ? e.path : parentOf(e.path));
    if (e.haveStat) {
        if (!e.folder) {
            p.size = static_cast<long long>(e.st.st_size);
            p.sizeText = formatByteSize(p.size) + u" (" + QString::number(p.size).toStdU16String() + u" bytes)";
        }
        p.modified = formatTime(e.st.st_mtim.tv_sec);
        p.accessed = formatTime(e.st.st_atim.tv_sec);
        p.permissions = permissionText(e.st);
    }
    return p;
}

void showPropertiesDialog(HWND, const std::vector<ShellProperties>& items) {
    if (items.empty() || !qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    QDialog dialog;
    const ShellProperties& p = items.front();
    dialog.setWindowTitle(items.size() == 1 ? QString::fromStdU16String(p.name) + QStringLiteral(" Properties")
                                            : QStringLiteral("Properties"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* form = new QFormLayout;
    auto row = [&](const char* label, const std::u16string& value) {
        if (!value.empty()) form->addRow(QString::fromLatin1(label), new QLabel(QString::fromStdU16String(value)));
    };
    if (items.size() == 1) {
        row("Name:", p.name);
        row("Type:", p.type);
        row("Location:", p.location);
        row("Size:", p.sizeText);
        row("Modified:", p.modified);
        row("Accessed:", p.accessed);
        row("Permissions:", p.permissions);
    } else {
        long long total = 0;
        for (const ShellProperties& i : items) total += i.size > 0 ? i.size : 0;
        row("Items:", QString::number(static_cast<qulonglong>(items.size())).toStdU16String());
        row("Location:", p.location);
        row("Size of files:", formatByteSize(total));
    }
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    dialog.exec();
}

}  // namespace

ShellProperties shellProperties(const std::string& path) {
    Entry e;
    const std::string clean = cleanAbsolute(path);
    if (clean == "/")
        describe(Location{Location::Computer, {}}, ShellItem{ShellItemKind::Volume, SHELLITEM_FOLDER, "/"}, &e);
    else
        describe(Location{Location::Directory, parentOf(clean)}, ShellItem{ShellItemKind::FileSystem, 0, baseOf(clean)},
                 &e);
    return propertiesOf(e);
}

ShellPropertiesHandler setShellPropertiesHandler(ShellPropertiesHandler handler) {
    ShellPropertiesHandler old = std::move(propertiesHandler());
    propertiesHandler() = std::move(handler);
    return old;
}

// ---- The context menu -------------------------------------------------------------------------

namespace {

constexpr DWORD ERROR_NO_ASSOCIATION = 1155;

enum Offset : UINT { kOpen, kUndelete, kCut, kCopy, kPaste, kDelete, kRename, kProperties, kVerbCount };

struct Verb {
    const char* verb;
    const char16_t* caption;
    const char16_t* help;
};
const Verb kVerbs[kVerbCount] = {
    {"open", u"&Open", u"Opens the selected items with their programs."},
    {"undelete", u"&Restore", u"Moves the selected items back to where they were deleted from."},
    {"cut", u"Cu&t", u"Moves the selected items to the clipboard."},
    {"copy", u"&Copy", u"Copies the selected items to the clipboard."},
    {"paste", u"&Paste", u"Puts the files of the clipboard into this folder."},
    {"delete", u"&Delete", u"Moves the selected items to the trash."},
    {"rename", u"Rena&me", u"Renames the selected item."},
    {"properties", u"P&roperties", u"Shows the properties of the selected items."},
};

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

class ContextMenu final : public IContextMenu {
public:
    ContextMenu(HWND owner, std::vector<Entry> entries) : owner_(owner), entries_(std::move(entries)) {}

    bool available(UINT offset, UINT flags) const {
        auto all = [&](const std::function<bool(const Entry&)>& f) {
            for (const Entry& e : entries_)
                if (!f(e)) return false;
            return !entries_.empty();
        };
        const bool single = entries_.size() == 1;
        switch (offset) {
        case kOpen:
            return all([](const Entry& e) {
                return e.exists && !e.path.empty() && e.item.kind != ShellItemKind::TrashEntry;
            });
        case kUndelete:
            return all([](const Entry& e) { return e.item.kind == ShellItemKind::TrashEntry && e.exists; });
        case kCut:
        case kDelete:
            return all([](const Entry& e) {
                return e.item.kind == ShellItemKind::FileSystem && (attributesOf(e, SFGAO_CANDELETE) & SFGAO_CANDELETE);
            });
        case kCopy:
            return all([](const Entry& e) { return e.exists && !e.path.empty(); });
        case kPaste:
            return single && entries_[0].folder && !entries_[0].path.empty() &&
                   entries_[0].item.kind != ShellItemKind::TrashEntry;
        case kRename:
            return (flags & CMF_CANRENAME) && single && (attributesOf(entries_[0], SFGAO_CANRENAME) & SFGAO_CANRENAME);
        case kProperties:
            return !entries_.empty();
        default:
            return false;
        }
    }

    HRESULT QueryContextMenu(HMENU menu, UINT index, UINT idFirst, UINT idLast, UINT flags) override {
        if (!IsMenu(menu)) return E_INVALIDARG;
        const int groups[][3] = {{kOpen, kUndelete, -1}, {kCut, kCopy, kPaste}, {kDelete, kRename, -1}, {kProperties, -1, -1}};
        UINT used = 0;
        UINT at = std::min<UINT>(index, static_cast<UINT>(GetMenuItemCount(menu)));
        bool any = false;
        const auto insert = [&](const MENUITEMINFOW& info) { InsertMenuItemW(menu, at++, TRUE, &info); };
        for (const auto& group : groups) {
            bool groupStarted = false;
            for (int offset : group) {
                if (offset < 0 || idFirst + static_cast<UINT>(offset) > idLast) continue;
                const UINT o = static_cast<UINT>(offset);
                if ((flags & CMF_DEFAULTONLY) && o != kOpen) continue;
                if (!available(o, flags)) continue;
                if (!groupStarted && any) {
                    MENUITEMINFOW separator{};
                    separator.cbSize = sizeof separator;
                    separator.fMask = MIIM_FTYPE;
                    separator.fType = MFT_SEPARATOR;
                    insert(separator);
                }
                groupStarted = any = true;
                const std::u16string caption = kVerbs[o].caption;
                MENUITEMINFOW item{};
                item.cbSize = sizeof item;
                item.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_ID | MIIM_STATE;
                item.fType = MFT_STRING;
                item.wID = idFirst + o;
                item.dwTypeData = const_cast<LPWSTR>(caption.c_str());
                item.fState = (o == kOpen ? MFS_DEFAULT : 0) |
                              (o == kPaste && !clipboardFiles(nullptr, nullptr) ? MFS_GRAYED : 0);
                insert(item);
                used = std::max(used, o + 1);
            }
        }
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, used);
    }

    HRESULT InvokeCommand(const CMINVOKECOMMANDINFO* info) override {
        if (!info) return E_INVALIDARG;  // a null verb is the command offset 0
        UINT offset = kVerbCount;
        const auto raw = reinterpret_cast<ULONG_PTR>(info->lpVerb);
        if (raw <= 0xFFFF) {
            offset = static_cast<UINT>(raw);
        } else {
            std::string verb = lower(info->lpVerb);
            if (verb == "explore") verb = "open";
            for (UINT i = 0; i < kVerbCount; ++i)
                if (verb == kVerbs[i].verb) offset = i;
        }
        if (offset >= kVerbCount || !available(offset, CMF_CANRENAME)) return E_INVALIDARG;
        const HWND owner = info->hwnd ? info->hwnd : owner_;
        switch (offset) {
        case kOpen:
            // Through ShellExecute, so the desktop's default program (or a test's seam) opens it.
            for (const Entry& e : entries_) {
                const std::u16string file = platform::fileNameToWide(e.path);
                const auto r = reinterpret_cast<INT_PTR>(ShellExecuteW(owner, u"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
                if (r <= 32) return HRESULT_FROM_WIN32(ERROR_NO_ASSOCIATION);
            }
            return S_OK;
        case kCut:
        case kCopy: {
            std::vector<std::string> paths;
            for (const Entry& e : entries_) paths.push_back(e.path);
            setClipboardFiles(paths, offset == kCut);
            return S_OK;
        }
        case kPaste: {
            std::vector<std::string> sources;
            bool cut = false;
            if (!clipboardFiles(&sources, &cut)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
            DWORD failure = 0;
            for (const std::string& s : sources)
                if (!pasteFile(s, entries_[0].path, cut, nullptr)) failure = GetLastError();
            if (cut && !failure) clearClipboardFiles();
            return failure ? HRESULT_FROM_WIN32(failure) : S_OK;
        }
        case kDelete: {
            const std::u16string text =
                entries_.size() == 1
                    ? u"Are you sure you want to move \"" + displayName(entries_[0]) + u"\" to the Trash?"
                    : u"Are you sure you want to move these " +
                          QString::number(static_cast<qulonglong>(entries_.size())).toStdU16String() +
                          u" items to the Trash?";
            if (MessageBoxW(owner, text.c_str(), kConfirmDeleteCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
                return HRESULT_FROM_WIN32(ERROR_CANCELLED);
            DWORD failure = 0;
            for (const Entry& e : entries_)
                if (!moveToTrash(e.path)) failure = GetLastError();
            return failure ? HRESULT_FROM_WIN32(failure) : S_OK;
        }
        case kRename:
            return HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED);  // the view edits the name in place
        case kProperties: {
            std::vector<ShellProperties> items;
            for (const Entry& e : entries_) items.push_back(propertiesOf(e));
            if (propertiesHandler())
                propertiesHandler()(owner, items);
            else
                showPropertiesDialog(owner, items);
            return S_OK;
        }
        case kUndelete: {
            DWORD failure = 0;
            for (const Entry& e : entries_) {
                std::string original;
                if (!trashInfo(e.item.name, &original, nullptr)) {
                    failure = ERROR_FILE_NOT_FOUND;
                    continue;
                }
                makeFolders(parentOf(original), 0755);
                if (renameNoReplace(e.path, original))
                    ::unlink(trashInfoPath(e.item.name).c_str());
                else
                    failure = GetLastError();
            }
            return failure ? HRESULT_FROM_WIN32(failure) : S_OK;
        }
        default:
            return E_INVALIDARG;
        }
    }

    HRESULT GetCommandString(UINT_PTR offset, UINT type, UINT*, LPSTR name, UINT size) override {
        if (offset >= kVerbCount) return E_INVALIDARG;
        const Verb& v = kVerbs[offset];
        switch (type) {
        case GCS_VALIDATEA:
        case GCS_VALIDATEW:
            return available(static_cast<UINT>(offset), CMF_CANRENAME) ? S_OK : S_FALSE;
        case GCS_VERBA:
        case GCS_HELPTEXTA: {
            if (!name || size == 0) return E_INVALIDARG;
            const std::string text = type == GCS_VERBA ? std::string(v.verb) : QString::fromStdU16String(v.help).toStdString();
            std::snprintf(name, size, "%s", text.c_str());
            return S_OK;
        }
        case GCS_VERBW:
        case GCS_HELPTEXTW: {
            if (!name || size == 0) return E_INVALIDARG;
            const std::u16string text = type == GCS_VERBW ? QString::fromLatin1(v.verb).toStdU16String() : std::u16string(v.help);
            auto* out = reinterpret_cast<WCHAR*>(name);
            const std::size_t n = std::min<std::size_t>(text.size(), size - 1);
            std::memcpy(out, text.data(), n * sizeof(WCHAR));
            out[n] = 0;
            return S_OK;
        }
        default:
            return E_INVALIDARG;
        }
    }

private:
    HWND owner_;
    std::vector<Entry> entries_;
};

}  // namespace

}  // namespace platform

namespace platform::shell {

std::shared_ptr<IContextMenu> createContextMenu(HWND owner, std::vector<Entry> entries) {
    return std::make_shared<ContextMenu>(owner, std::move(entries));
}

}  // namespace platform::shell

// ---- Dropped files ---------------------------------------------------------------------------

namespace {

struct DropFiles {
    std::vector<std::u16string> paths;
};
std::mutex g_dropMutex;
std::set<HDROP> g_drops;

const DropFiles* dropOf(HDROP drop) {
    std::lock_guard<std::mutex> lock(g_dropMutex);
    return g_drops.count(drop) ? reinterpret_cast<const DropFiles*>(drop) : nullptr;
}

}  // namespace

UINT DragQueryFileW(HDROP drop, UINT index, LPWSTR buffer, UINT size) {
    const DropFiles* d = dropOf(drop);
    std::vector<std::u16string> inBlock;
    const std::vector<std::u16string>* paths = d ? &d->paths : nullptr;
    if (!paths && platform::clip::pathsOfDropFiles(platform::clip::bytesOf(drop), inBlock)) paths = &inBlock;
    if (!paths) return 0;
    if (index == 0xFFFFFFFFu) return static_cast<UINT>(paths->size());
    if (index >= paths->size()) return 0;
    const std::u16string& p = (*paths)[index];
    if (!buffer) return static_cast<UINT>(p.size());
    if (size == 0) return 0;
    const std::size_t n = std::min<std::size_t>(p.size(), size - 1);
    std::memcpy(buffer, p.data(), n * sizeof(WCHAR));
    buffer[n] = 0;
    return static_cast<UINT>(n);
}

void DragFinish(HDROP drop) {
    {
        std::lock_guard<std::mutex> lock(g_dropMutex);
        if (!g_drops.erase(drop)) return;
    }
    delete reinterpret_cast<DropFiles*>(drop);
}

namespace platform {

HDROP createDrop(const std::vector<std::u16string>& paths) {
    auto* d = new DropFiles{paths};
    auto* h = reinterpret_cast<HDROP>(d);
    std::lock_guard<std::mutex> lock(g_dropMutex);
    g_drops.insert(h);
    return h;
}

HDROP dropFromMimeData(const QMimeData* data) {
    if (!data || !data->hasFormat(QStringLiteral("text/uri-list"))) return nullptr;
    std::vector<std::u16string> paths;
    for (const std::string& p : localPathsOfUriList(data->data(QStringLiteral("text/uri-list"))))
        paths.push_back(wideOf(p));
    return paths.empty() ? nullptr : createDrop(paths);
}

}  // namespace platform
