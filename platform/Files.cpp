// Files, folders, find handles and the kernel handle table over POSIX.
#include "platform/atomicfile.h"
#include "platform/codepage.h"
#include "platform/fileapi.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/time.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace platform {
namespace {

// ---- Handle table -------------------------------------------------------------------

struct HandleTable {
    std::mutex mutex;
    std::unordered_map<HANDLE, std::shared_ptr<KernelObject>> objects;
    std::uintptr_t next = 0x1000;
};

HandleTable& handles() {
    static auto* t = new HandleTable;
    return *t;
}

// ---- Sharing among this process's handles ---------------------------------------------

struct FileKey {
    dev_t dev;
    ino_t ino;
    bool operator==(const FileKey& o) const { return dev == o.dev && ino == o.ino; }
};
struct FileKeyHash {
    std::size_t operator()(const FileKey& k) const {
        return std::hash<unsigned long long>()(static_cast<unsigned long long>(k.ino) * 31u + k.dev);
    }
};
struct OpenEntry {
    const void* owner;
    DWORD access;
    DWORD share;
};

struct Sharing {
    std::mutex mutex;
    std::unordered_map<FileKey, std::vector<OpenEntry>, FileKeyHash> open;
};

Sharing& sharing() {
    static auto* s = new Sharing;
    return *s;
}

bool reads(DWORD access) { return access & (GENERIC_READ | GENERIC_ALL | GENERIC_EXECUTE); }
bool writes(DWORD access) { return access & (GENERIC_WRITE | GENERIC_ALL); }

bool compatible(const OpenEntry& a, DWORD access, DWORD share) {
    if (reads(access) && !(a.share & FILE_SHARE_READ)) return false;
    if (writes(access) && !(a.share & FILE_SHARE_WRITE)) return false;
    if (reads(a.access) && !(share & FILE_SHARE_READ)) return false;
    if (writes(a.access) && !(share & FILE_SHARE_WRITE)) return false;
    return true;
}

// Whether every open handle of the file allows deleting or renaming it.
bool deletable(const struct stat& st) {
    Sharing& s = sharing();
    std::lock_guard lock(s.mutex);
    auto it = s.open.find({st.st_dev, st.st_ino});
    if (it == s.open.end()) return true;
    for (const OpenEntry& e : it->second)
        if (!(e.share & FILE_SHARE_DELETE)) return false;
    return true;
}

struct FileObject : KernelObject {
    int fd = -1;
    DWORD access = 0;
    FileKey key{};
    bool registered = false;
    bool deleteOnClose = false;
    std::string path;
    ~FileObject() override {
        if (registered) {
            Sharing& s = sharing();
            std::lock_guard lock(s.mutex);
            auto it = s.open.find(key);
            if (it != s.open.end()) {
                auto& v = it->second;
                v.erase(std::remove_if(v.begin(), v.end(), [this](const OpenEntry& e) { return e.owner == this; }),
                        v.end());
                if (v.empty()) s.open.erase(it);
            }
        }
        if (deleteOnClose) ::unlink(path.c_str());
        if (fd >= 0) ::close(fd);
    }
};

struct FindObject : KernelObject {
    std::vector<WIN32_FIND_DATAW> entries;
    std::vector<std::string> names;  // file-system bytes of each entry
    std::size_t next = 0;
};

std::shared_ptr<FileObject> fileObject(HANDLE h) {
    auto f = std::dynamic_pointer_cast<FileObject>(kernelObject(h));
    if (!f) SetLastError(ERROR_INVALID_HANDLE);
    return f;
}

bool fail(DWORD error) {
    SetLastError(error);
    return false;
}

bool failErrno() { return fail(errorFromErrno(errno)); }

// ---- Names ----------------------------------------------------------------------------

std::u16string wideOf(LPCWSTR s) { return s ? std::u16string(s) : std::u16string(); }

std::string pathW(LPCWSTR name) { return wideToFileName(wideOf(name)); }
std::string pathA(LPCSTR name) { return ansiToFileName(name ? name : ""); }

std::string parentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    const auto slash = p.find_last_of('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// ENOENT is a missing file when the folder exists, else a missing path.
DWORD missingError(const std::string& path) {
    return isDirectory(parentOf(path)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

DWORD errorFor(const std::string& path, int error) {
    return error == ENOENT ? missingError(path) : errorFromErrno(error);
}

DWORD attributesOf(const std::string& name, const struct stat& st) {
    DWORD a = 0;
    if (S_ISDIR(st.st_mode)) a |= FILE_ATTRIBUTE_DIRECTORY;
    if (!(st.st_mode & S_IWUSR)) a |= FILE_ATTRIBUTE_READONLY;
    if (name.size() > 1 && name[0] == '.' && name != "..") a |= FILE_ATTRIBUTE_HIDDEN;
    return a ? a : FILE_ATTRIBUTE_NORMAL;
}

bool statPath(const std::string& path, struct stat& st) {
    return ::stat(path.c_str(), &st) == 0 || ::lstat(path.c_str(), &st) == 0;
}

WIN32_FIND_DATAW findDataOf(const std::string& name, const struct stat& st) {
    WIN32_FIND_DATAW d{};
    d.dwFileAttributes = attributesOf(name, st);
    d.ftLastWriteTime = fileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    d.ftLastAccessTime = fileTimeFromUnix(st.st_atim.tv_sec, st.st_atim.tv_nsec);
    d.ftCreationTime = d.ftLastWriteTime;
    if (!S_ISDIR(st.st_mode)) {
        const auto size = static_cast<ULONGLONG>(st.st_size);
        d.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        d.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    }
    const std::u16string wide = fileNameToWide(name);
    const std::size_t n = std::min<std::size_t>(wide.size(), MAX_PATH - 1);
    std::copy_n(wide.data(), n, d.cFileName);
    d.cFileName[n] = 0;
    return d;
}

void creationTime(const std::string& path, WIN32_FIND_DATAW& d) {
    struct statx sx {};
    if (::statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, STATX_BTIME, &sx) == 0 && (sx.stx_mask & STATX_BTIME))
        d.ftCreationTime = fileTimeFromUnix(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec);
}

void toAnsi(const WIN32_FIND_DATAW& w, const std::string& name, WIN32_FIND_DATAA& a) {
    std::memcpy(&a, &w, offsetof(WIN32_FIND_DATAW, cFileName));
    const std::string n = fileNameToAnsi(name);
    const std::size_t len = std::min<std::size_t>(n.size(), MAX_PATH - 1);
    std::memcpy(a.cFileName, n.data(), len);
    a.cFileName[len] = 0;
    a.cAlternateFileName[0] = 0;
}

// Copies text into a buffer of `size` characters by the platform's rule.
template <class Char>
DWORD putText(const std::basic_string<Char>& text, DWORD size, Char* buffer) {
    if (buffer && text.size() < size) {
        std::copy(text.begin(), text.end(), buffer);
        buffer[text.size()] = 0;
        return static_cast<DWORD>(text.size());
    }
    return static_cast<DWORD>(text.size() + 1);
}

// ---- Operations on file-system names ---------------------------------------------------

HANDLE createFile(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    if (path.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING || share > 7 ||
        (disposition == TRUNCATE_EXISTING && !writes(access))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    struct stat before {};
    const bool existed = ::stat(path.c_str(), &before) == 0;
    if (existed) {
        if (disposition == CREATE_NEW) {
            SetLastError(ERROR_FILE_EXISTS);
            return INVALID_HANDLE_VALUE;
        }
        if (S_ISDIR(before.st_mode) && (writes(access) || !(flags & FILE_FLAG_BACKUP_SEMANTICS))) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        const bool truncates = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
        if ((writes(access) || truncates) && !(before.st_mode & S_IWUSR)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
    } else if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING) {
        SetLastError(missingError(path));
        return INVALID_HANDLE_VALUE;
    }
    int oflags = O_CLOEXEC;
    if (reads(access) && writes(access))
        oflags |= O_RDWR;
    else if (writes(access))
        oflags |= O_WRONLY;
    else
        oflags |= O_RDONLY;
    if (disposition == CREATE_NEW) oflags |= O_CREAT | O_EXCL;
    if (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) oflags |= O_CREAT;
    if (S_ISDIR(before.st_mode) && existed) oflags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    const mode_t mode = (flags & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    // A FIFO opens without waiting for its other end; reads and writes wait as usual.
    int fd = ::open(path.c_str(), oflags | O_NONBLOCK, mode);
    if (fd < 0 && errno == EACCES && !reads(access) && !writes(access))
        fd = ::open(path.c_str(), O_PATH | O_CLOEXEC);
    if (fd < 0) {
        SetLastError(errno == EEXIST ? ERROR_FILE_EXISTS : errno == ENXIO ? ERROR_BROKEN_PIPE : errorFor(path, errno));
        return INVALID_HANDLE_VALUE;
    }
    if (const int fl = ::fcntl(fd, F_GETFL); fl >= 0 && (fl & O_NONBLOCK)) ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
    auto file = std::make_shared<FileObject>();
    file->fd = fd;
    file->access = access;
    file->path = path;
    struct stat st {};
    ::fstat(fd, &st);
    file->key = {st.st_dev, st.st_ino};
    {
        Sharing& s = sharing();
        std::lock_guard lock(s.mutex);
        auto& entries = s.open[file->key];
        for (const OpenEntry& e : entries) {
            if (!compatible(e, access, share)) {
                SetLastError(ERROR_SHARING_VIOLATION);
                return INVALID_HANDLE_VALUE;  // the descriptor closes with `file`
            }
        }
        entries.push_back({file.get(), access, share});
        file->registered = true;
    }
    if (existed && (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING) && ::ftruncate(fd, 0) != 0) {
        SetLastError(errorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    file->deleteOnClose = flags & FILE_FLAG_DELETE_ON_CLOSE;
    HANDLE h = addKernelObject(std::move(file));
    SetLastError(existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) ? ERROR_ALREADY_EXISTS
                                                                                        : ERROR_SUCCESS);
    return h;
}

bool hasWildcards(std::u16string_view s) { return s.find_first_of(u"*?") != std::u16string_view::npos; }

std::shared_ptr<FindObject> findFirst(const std::string& pattern) {
    if (pattern.empty() || pattern.back() == '/') {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    const auto slash = pattern.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : pattern.substr(0, slash);
    const std::string namePattern = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
    const std::u16string widePattern = fileNameToWide(namePattern);
    auto find = std::make_shared<FindObject>();
    std::vector<std::string> names;
    if (!hasWildcards(widePattern)) {
        struct stat st {};
        if (!statPath(pattern, st)) {
            SetLastError(errorFor(pattern, errno));
            return nullptr;
        }
        names.push_back(namePattern);
    } else {
        DIR* d = ::opendir(dir.c_str());
        if (!d) {
            SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : errorFromErrno(errno));
            return nullptr;
        }
        while (const dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (wildcardMatch(fileNameToWide(name), widePattern)) names.push_back(name);
        }
        ::closedir(d);
        std::sort(names.begin(), names.end());
    }
    for (const std::string& name : names) {
        const std::string full = dir == "/" ? "/" + name : dir + "/" + name;
        struct stat st {};
        if (!statPath(full, st)) continue;  // vanished meanwhile
        WIN32_FIND_DATAW data = findDataOf(name, st);
        creationTime(full, data);
        find->entries.push_back(data);
        find->names.push_back(name);
    }
    if (find->entries.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return find;
}

DWORD getAttributes(const std::string& path) {
    struct stat st {};
    if (path.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (!statPath(path, st)) {
        SetLastError(errorFor(path, errno));
        return INVALID_FILE_ATTRIBUTES;
    }
    return attributesOf(baseOf(path), st);
}

bool setAttributes(const std::string& path, DWORD attributes) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return fail(path.empty() ? ERROR_PATH_NOT_FOUND : errorFor(path, errno));
    mode_t mode = st.st_mode & 07777;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
    else if (!(mode & S_IWUSR))
        mode |= S_IWUSR;
    if (mode != (st.st_mode & 07777) && ::chmod(path.c_str(), mode) != 0) return failErrno();
    return true;
}

bool deleteFile(const std::string& path) {
    struct stat st {};
    if (path.empty()) return fail(ERROR_PATH_NOT_FOUND);
    if (::lstat(path.c_str(), &st) != 0) return fail(errorFor(path, errno));
    if (S_ISDIR(st.st_mode)) return fail(ERROR_ACCESS_DENIED);
    if (!S_ISLNK(st.st_mode) && !(st.st_mode & S_IWUSR)) return fail(ERROR_ACCESS_DENIED);
    if (!deletable(st)) return fail(ERROR_SHARING_VIOLATION);
    if (::unlink(path.c_str()) != 0) return failErrno();
    return true;
}

bool copyContents(const std::string& from, const std::string& to, const struct stat& st) {
    const int in = openRegularFile(from);
    if (in < 0) return fail(errno == EINVAL ? ERROR_ACCESS_DENIED : errorFor(from, errno));
    const std::string temp = parentOf(to) + "/.copy-" + std::to_string(::getpid()) + "-" + baseOf(to);
    const int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0) {
        const DWORD e = errorFor(temp, errno);
        ::close(in);
        return fail(e);
    }
    int error = copyDescriptor(in, out, st);
    ::close(in);
    bool ok = error == 0;
    if (::close(out) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temp.c_str(), to.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return fail(errorFromErrno(error));
    }
    return true;
}

bool copyFile(const std::string& from, const std::string& to, bool failIfExists) {
    struct stat st {};
    if (from.empty() || to.empty()) return fail(ERROR_PATH_NOT_FOUND);
    if (::stat(from.c_str(), &st) != 0) return fail(errorFor(from, errno));
    if (S_ISDIR(st.st_mode)) return fail(ERROR_ACCESS_DENIED);
    struct stat dst {};
    if (::stat(to.c_str(), &dst) == 0) {
        if (failIfExists) return fail(ERROR_FILE_EXISTS);
        if (S_ISDIR(dst.st_mode) || !(dst.st_mode & S_IWUSR)) return fail(ERROR_ACCESS_DENIED);
        if (dst.st_dev == st.st_dev && dst.st_ino == st.st_ino) return fail(ERROR_SHARING_VIOLATION);
    }
    return copyContents(from, to, st);
}

bool moveFile(const std::string& from, const std::string& to) {
    struct stat st {};
    if (from.empty() || to.empty()) return fail(ERROR_PATH_NOT_FOUND);
    if (::lstat(from.c_str(), &st) != 0) return fail(errorFor(from, errno));
    struct stat dst {};
    if (::lstat(to.c_str(), &dst) == 0) return fail(ERROR_ALREADY_EXISTS);
    if (!deletable(st)) return fail(ERROR_SHARING_VIOLATION);
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno == EINVAL || errno == ENOSYS) {  // file systems without the no-replace flag
        if (::rename(from.c_str(), to.c_str()) == 0) return true;
    }
    if (errno == EEXIST) return fail(ERROR_ALREADY_EXISTS);
    if (errno != EXDEV) return fail(errorFor(errno == ENOENT ? to : from, errno));
    if (S_ISDIR(st.st_mode)) return fail(ERROR_NOT_SAME_DEVICE);
    if (!copyContents(from, to, st)) return false;
    if (::unlink(from.c_str()) != 0) return failErrno();
    return true;
}

bool createDirectory(const std::string& path) {
    if (path.empty()) return fail(ERROR_PATH_NOT_FOUND);
    if (::mkdir(path.c_str(), 0777) != 0)
        return fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : errorFromErrno(errno));
    return true;
}

bool removeDirectory(const std::string& path) {
    if (path.empty()) return fail(ERROR_PATH_NOT_FOUND);
    if (::rmdir(path.c_str()) != 0) {
        if (errno == ENOTDIR) return fail(ERROR_DIRECTORY);
        if (errno == EEXIST) return fail(ERROR_DIR_NOT_EMPTY);
        return fail(errorFor(path, errno));
    }
    return true;
}

std::string currentDirectory() {
    std::vector<char> buffer(4096);
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE) return {};
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

bool setCurrentDirectory(const std::string& path) {
    if (path.empty()) return fail(ERROR_PATH_NOT_FOUND);
    if (::chdir(path.c_str()) != 0) return fail(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : errorFromErrno(errno));
    return true;
}

// Absolute form of a path: "." and ".." removed, repeated separators joined; a trailing
// separator stays.
std::u16string fullPath(std::u16string_view name) {
    std::u16string path = name.size() && name[0] == u'/' ? std::u16string(name)
                                                         : fileNameToWide(currentDirectory()) + u"/" + std::u16string(name);
    const bool trailing = !path.empty() && path.back() == u'/';
    std::vector<std::u16string> parts;
    std::size_t i = 0;
    while (i <= path.size()) {
        const std::size_t j = std::min(path.find(u'/', i), path.size());
        const std::u16string part = path.substr(i, j - i);
        if (part == u"..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != u".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::u16string out;
    for (const auto& p : parts) out += u"/" + p;
    if (out.empty() || trailing) out += u'/';
    return out;
}

bool diskFree(const std::string& path, ULARGE_INTEGER* freeToCaller, ULARGE_INTEGER* total, ULARGE_INTEGER* totalFree) {
    struct statvfs s {};
    if (::statvfs(path.empty() ? "." : path.c_str(), &s) != 0) return fail(errorFor(path, errno));
    if (freeToCaller) freeToCaller->QuadPart = static_cast<ULONGLONG>(s.f_bavail) * s.f_frsize;
    if (total) total->QuadPart = static_cast<ULONGLONG>(s.f_blocks) * s.f_frsize;
    if (totalFree) totalFree->QuadPart = static_cast<ULONGLONG>(s.f_bfree) * s.f_frsize;
    return true;
}

// Valid UTF-8 sequence at p (strict), its length or 0.
std::size_t utf8Sequence(const unsigned char* p, std::size_t left, char32_t& cp) {
    const unsigned b = p[0];
    std::size_t need;
    unsigned lo = 0x80, hi = 0xBF;
    if (b < 0x80) {
        cp = b;
        return 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
        need = 1;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        need = 2;
        cp = b & 0x0F;
        if (b == 0xE0) lo = 0xA0;
        if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        need = 3;
        cp = b & 0x07;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (left < need + 1) return 0;
    for (std::size_t k = 1; k <= need; ++k) {
        if (p[k] < lo || p[k] > hi) return 0;
        cp = cp << 6 | (p[k] & 0x3F);
        lo = 0x80;
        hi = 0xBF;
    }
    return need + 1;
}

}  // namespace

HANDLE addKernelObject(std::shared_ptr<KernelObject> object) {
    HandleTable& t = handles();
    std::lock_guard lock(t.mutex);
    HANDLE h = reinterpret_cast<HANDLE>(t.next);
    t.next += 4;
    t.objects.emplace(h, std::move(object));
    return h;
}

std::shared_ptr<KernelObject> kernelObject(HANDLE handle) {
    HandleTable& t = handles();
    std::lock_guard lock(t.mutex);
    auto it = t.objects.find(handle);
    return it == t.objects.end() ? nullptr : it->second;
}

int fileDescriptor(HANDLE file) {
    auto f = std::dynamic_pointer_cast<FileObject>(kernelObject(file));
    return f ? f->fd : -1;
}

bool isRegularFile(HANDLE file) {
    struct stat st {};
    const int fd = fileDescriptor(file);
    return fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

std::string wideToFileName(std::u16string_view name) {
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        char32_t c = name[i];
        if (c >= 0xDC80 && c <= 0xDCFF) {  // an escaped byte
            out.push_back(static_cast<char>(c - 0xDC00));
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (name[i + 1] - 0xDC00u);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out.push_back('?');
            continue;
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | c >> 6));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | c >> 12));
            out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | c >> 18));
            out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::u16string fileNameToWide(std::string_view name) {
    std::u16string out;
    out.reserve(name.size());
    const auto* p = reinterpret_cast<const unsigned char*>(name.data());
    std::size_t i = 0;
    while (i < name.size()) {
        char32_t cp = 0;
        const std::size_t n = utf8Sequence(p + i, name.size() - i, cp);
        if (n == 0) {
            out.push_back(static_cast<char16_t>(0xDC00 + p[i]));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += n;
    }
    return out;
}

std::string ansiToFileName(std::string_view name) {
    if (GetACP() == CP_UTF8) return std::string(name);
    return wideToFileName(ansiToWide(name));
}

std::string fileNameToAnsi(std::string_view name) {
    if (GetACP() == CP_UTF8) return std::string(name);
    return wideToAnsi(fileNameToWide(name));
}

bool wildcardMatch(std::u16string_view name, std::u16string_view pattern) {
    if (pattern == u"*.*") pattern = u"*";
    // Iterative match with back-tracking to the last "*".
    std::size_t n = 0, p = 0, starP = std::u16string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == u'?' || lowerUnit(pattern[p]) == lowerUnit(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::u16string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

FILETIME fileTimeFromUnix(long long seconds, long nanoseconds) {
    const long long ticks = (seconds + 11644473600LL) * 10000000LL + nanoseconds / 100;
    const auto u = static_cast<ULONGLONG>(ticks < 0 ? 0 : ticks);
    return {static_cast<DWORD>(u & 0xFFFFFFFFu), static_cast<DWORD>(u >> 32)};
}

long long unixSecondsFromFileTime(const FILETIME& time) {
    const ULONGLONG u = static_cast<ULONGLONG>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
    return static_cast<long long>(u / 10000000ULL) - 11644473600LL;
}

int copyDescriptor(int in, int out, const struct stat& st) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR) continue;
                return errno;
            }
            done += w;
        }
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out, times);
    ::fchmod(out, st.st_mode & 07777);
    return 0;
}

}  // namespace platform

using namespace platform;

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD disposition,
                   DWORD flagsAndAttributes, HANDLE) {
    return createFile(pathA(name), access, share, disposition, flagsAndAttributes);
}

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD disposition,
                   DWORD flagsAndAttributes, HANDLE) {
    return createFile(pathW(name), access, share, disposition, flagsAndAttributes);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) {
    if (read) *read = 0;
    auto f = fileObject(file);
    if (!f) return FALSE;
    if (overlapped || (!buffer && toRead)) return fail(ERROR_INVALID_PARAMETER);
    if (!reads(f->access)) return fail(ERROR_ACCESS_DENIED);
    DWORD done = 0;
    while (done < toRead) {
        const ssize_t n = ::read(f->fd, static_cast<char*>(buffer) + done, toRead - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return failErrno();
        if (n == 0) break;
        done += static_cast<DWORD>(n);
    }
    if (read) *read = done;
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, DWORD* written, OVERLAPPED* overlapped) {
    if (written) *written = 0;
    auto f = fileObject(file);
    if (!f) return FALSE;
    if (overlapped || (!buffer && toWrite)) return fail(ERROR_INVALID_PARAMETER);
    if (!writes(f->access)) return fail(ERROR_ACCESS_DENIED);
    DWORD done = 0;
    while (done < toWrite) {
        const ssize_t n = ::write(f->fd, static_cast<const char*>(buffer) + done, toWrite - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            if (written) *written = done;
            return failErrno();
        }
        done += static_cast<DWORD>(n);
    }
    if (written) *written = done;
    return TRUE;
}

namespace {
bool seek(HANDLE file, long long distance, DWORD method, long long& position) {
    auto f = fileObject(file);
    if (!f) return false;
    const int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : method == FILE_END ? SEEK_END : -1;
    if (whence < 0) return fail(ERROR_INVALID_PARAMETER);
    const off_t base = whence == SEEK_SET ? 0 : ::lseek(f->fd, 0, whence);
    if (base < 0) return failErrno();
    if (base + distance < 0) return fail(ERROR_NEGATIVE_SEEK);
    const off_t r = ::lseek(f->fd, base + distance, SEEK_SET);
    if (r < 0) return failErrno();
    position = r;
    return true;
}
}  // namespace

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
    const long long d = distanceHigh ? static_cast<long long>(static_cast<ULONGLONG>(static_cast<DWORD>(*distanceHigh)) << 32 |
                                                              static_cast<DWORD>(distance))
                                     : static_cast<long long>(distance);
    long long position = 0;
    if (!seek(file, d, method, position)) return INVALID_SET_FILE_POINTER;
    if (distanceHigh) *distanceHigh = static_cast<LONG>(position >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(position & 0xFFFFFFFFu);
}

BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPosition, DWORD method) {
    long long position = 0;
    if (!seek(file, distance.QuadPart, method, position)) return FALSE;
    if (newPosition) newPosition->QuadPart = position;
    return TRUE;
}

BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size) {
    auto f = fileObject(file);
    if (!f) return FALSE;
    if (!size) return fail(ERROR_INVALID_PARAMETER);
    struct stat st {};
    if (::fstat(f->fd, &st) != 0) return failErrno();
    size->QuadPart = st.st_size;
    return TRUE;
}

DWORD GetFileSize(HANDLE file, DWORD* sizeHigh) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) return INVALID_FILE_SIZE;
    if (sizeHigh) *sizeHigh = static_cast<DWORD>(static_cast<ULONGLONG>(size.QuadPart) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size.QuadPart & 0xFFFFFFFF);
}

BOOL SetEndOfFile(HANDLE file) {
    auto f = fileObject(file);
    if (!f) return FALSE;
    if (!writes(f->access)) return fail(ERROR_ACCESS_DENIED);
    const off_t position = ::lseek(f->fd, 0, SEEK_CUR);
    if (position < 0 || ::ftruncate(f->fd, position) != 0) return failErrno();
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE file) {
    auto f = fileObject(file);
    if (!f) return FALSE;
    if (::fsync(f->fd) != 0 && errno != EINVAL) return failErrno();
    return TRUE;
}

BOOL GetFileTime(HANDLE file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
    auto f = fileObject(file);
    if (!f) return FALSE;
    struct stat st {};
    if (::fstat(f->fd, &st) != 0) return failErrno();
    if (lastWrite) *lastWrite = fileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    if (lastAccess) *lastAccess = fileTimeFromUnix(st.st_atim.tv_sec, st.st_atim.tv_nsec);
    if (creation) {
        *creation = fileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
        struct statx sx {};
        if (::statx(f->fd, "", AT_EMPTY_PATH, STATX_BTIME, &sx) == 0 && (sx.stx_mask & STATX_BTIME))
            *creation = fileTimeFromUnix(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec);
    }
    return TRUE;
}

BOOL CloseHandle(HANDLE object) {
    std::shared_ptr<KernelObject> released;  // destroyed outside the lock
    {
        HandleTable& t = handles();
        std::lock_guard lock(t.mutex);
        auto it = t.objects.find(object);
        if (it == t.objects.end()) return fail(ERROR_INVALID_HANDLE);
        released = std::move(it->second);
        t.objects.erase(it);
    }
    return TRUE;
}

HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data) {
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    auto find = findFirst(pathW(pattern));
    if (!find) return INVALID_HANDLE_VALUE;
    *data = find->entries[0];
    find->next = 1;
    return addKernelObject(find);
}

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    auto find = findFirst(pathA(pattern));
    if (!find) return INVALID_HANDLE_VALUE;
    toAnsi(find->entries[0], find->names[0], *data);
    find->next = 1;
    return addKernelObject(find);
}

namespace {
std::shared_ptr<FindObject> findObject(HANDLE h) {
    auto f = std::dynamic_pointer_cast<FindObject>(kernelObject(h));
    if (!f) SetLastError(ERROR_INVALID_HANDLE);
    return f;
}
}  // namespace

BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data) {
    auto f = findObject(find);
    if (!f) return FALSE;
    if (!data) return fail(ERROR_INVALID_PARAMETER);
    if (f->next >= f->entries.size()) return fail(ERROR_NO_MORE_FILES);
    *data = f->entries[f->next++];
    return TRUE;
}

BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data) {
    auto f = findObject(find);
    if (!f) return FALSE;
    if (!data) return fail(ERROR_INVALID_PARAMETER);
    if (f->next >= f->entries.size()) return fail(ERROR_NO_MORE_FILES);
    toAnsi(f->entries[f->next], f->names[f->next], *data);
    ++f->next;
    return TRUE;
}

BOOL FindClose(HANDLE find) {
    if (!findObject(find)) return FALSE;
    return CloseHandle(find);
}

DWORD GetFileAttributesA(LPCSTR name) { return getAttributes(pathA(name)); }
DWORD GetFileAttributesW(LPCWSTR name) { return getAttributes(pathW(name)); }
BOOL SetFileAttributesA(LPCSTR name, DWORD attributes) { return setAttributes(pathA(name), attributes); }
BOOL SetFileAttributesW(LPCWSTR name, DWORD attributes) { return setAttributes(pathW(name), attributes); }
BOOL DeleteFileA(LPCSTR name) { return deleteFile(pathA(name)); }
BOOL DeleteFileW(LPCWSTR name) { return deleteFile(pathW(name)); }
BOOL MoveFileA(LPCSTR from, LPCSTR to) { return moveFile(pathA(from), pathA(to)); }
BOOL MoveFileW(LPCWSTR from, LPCWSTR to) { return moveFile(pathW(from), pathW(to)); }
BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists) { return copyFile(pathA(from), pathA(to), failIfExists); }
BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists) { return copyFile(pathW(from), pathW(to), failIfExists); }
BOOL CreateDirectoryA(LPCSTR name, LPSECURITY_ATTRIBUTES) { return createDirectory(pathA(name)); }
BOOL CreateDirectoryW(LPCWSTR name, LPSECURITY_ATTRIBUTES) { return createDirectory(pathW(name)); }
BOOL RemoveDirectoryA(LPCSTR name) { return removeDirectory(pathA(name)); }
BOOL RemoveDirectoryW(LPCWSTR name) { return removeDirectory(pathW(name)); }
BOOL SetCurrentDirectoryA(LPCSTR name) { return setCurrentDirectory(pathA(name)); }
BOOL SetCurrentDirectoryW(LPCWSTR name) { return setCurrentDirectory(pathW(name)); }

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    return putText(fileNameToAnsi(currentDirectory()), size, buffer);
}

DWORD GetCurrentDirectoryW(DWORD size, LPWSTR buffer) {
    return putText(fileNameToWide(currentDirectory()), size, buffer);
}

DWORD GetFullPathNameW(LPCWSTR name, DWORD size, LPWSTR buffer, LPWSTR* filePart) {
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    const std::u16string full = fullPath(name);
    const DWORD r = putText(full, size, buffer);
    if (filePart) {
        const auto slash = full.find_last_of(u'/');
        *filePart = (r < size && buffer && slash + 1 < full.size()) ? buffer + slash + 1 : nullptr;
    }
    return r;
}

DWORD GetFullPathNameA(LPCSTR name, DWORD size, LPSTR buffer, LPSTR* filePart) {
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    const std::string full = fileNameToAnsi(wideToFileName(fullPath(fileNameToWide(ansiToFileName(name)))));
    const DWORD r = putText(full, size, buffer);
    if (filePart) {
        const auto slash = full.find_last_of('/');
        *filePart = (r < size && buffer && slash + 1 < full.size()) ? buffer + slash + 1 : nullptr;
    }
    return r;
}

BOOL GetDiskFreeSpaceExA(LPCSTR folder, ULARGE_INTEGER* freeToCaller, ULARGE_INTEGER* total, ULARGE_INTEGER* totalFree) {
    return diskFree(pathA(folder), freeToCaller, total, totalFree);
}

BOOL GetDiskFreeSpaceExW(LPCWSTR folder, ULARGE_INTEGER* freeToCaller, ULARGE_INTEGER* total, ULARGE_INTEGER* totalFree) {
    return diskFree(pathW(folder), freeToCaller, total, totalFree);
}

UINT SetErrorMode(UINT mode) {
    static std::atomic<UINT> current{0};
    return current.exchange(mode);
}
