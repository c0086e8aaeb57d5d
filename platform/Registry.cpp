// The registry calls over the per-user hive file.
#include "platform/codepage.h"
#include "RegistryHive.h"
#include "platform/atomicfile.h"
#include "platform/winerror.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <pwd.h>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform::reg;

namespace {

constexpr std::size_t kMaxHiveBytes = std::size_t(64) << 20;
constexpr std::size_t kMaxKeyName = 255;
constexpr std::size_t kMaxValueName = 16383;

struct Handle {
    HKEY root = nullptr;
    std::vector<std::u16string> path;
    REGSAM access = 0;
};

struct FileId {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    long long mtime = 0;
    long long ctime = 0;
    bool operator==(const FileId&) const = default;
};

FileId idOf(const struct stat& st) {
    return FileId{true, st.st_dev, st.st_ino, st.st_size,
                  static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec,
                  static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec};
}

FileId idOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? idOf(st) : FileId{};
}

struct Hive {
    std::recursive_mutex mutex;
    std::string chosenPath;
    Key root;
    bool loaded = false;
    std::string loadedPath;
    FileId loadedId;
    bool damaged = false;
    std::set<Handle*> handles;
};

Hive& hive() {
    static auto* h = new Hive;
    return *h;
}

std::string defaultHivePath() { return platform::userConfigFolder() + "/registry.ini"; }

std::string hivePath(Hive& h) { return h.chosenPath.empty() ? defaultHivePath() : h.chosenPath; }

// Reads the hive again when the file is not the one read last.
void refresh(Hive& h) {
    const std::string path = hivePath(h);
    const FileId now = idOf(path);
    if (h.loaded && path == h.loadedPath && now == h.loadedId) return;
    h.root = Key{};
    h.damaged = false;
    h.loaded = true;
    h.loadedPath = path;
    h.loadedId = FileId{};
    const int fd = platform::openRegularFile(path);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return;
    }
    h.loadedId = idOf(st);
    if (static_cast<std::size_t>(st.st_size) > kMaxHiveBytes) {
        h.damaged = true;
        ::close(fd);
        return;
    }
    std::string text(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    text.resize(got);
    h.root = readHive(text, &h.damaged);
}

LSTATUS errnoStatus(int error) {
    // Failures without a number of their own (a file too large) are write failures.
    const DWORD e = platform::errorFromErrno(error);
    return static_cast<LSTATUS>(e == ERROR_SUCCESS || e == ERROR_INVALID_FUNCTION ? ERROR_CANTWRITE : e);
}

bool makeFolders(const std::string& dir) {
    struct stat st {};
    if (dir.empty() || ::stat(dir.c_str(), &st) == 0) return true;
    const std::size_t slash = dir.rfind('/');
    if (slash != std::string::npos && slash > 0 && !makeFolders(dir.substr(0, slash))) return false;
    return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

// Replaces the hive file with `text` through a new file renamed over it.
LSTATUS replaceFile(const std::string& path, const std::string& text) {
    int error = 0;
    return platform::writeWholeFile(path, text.data(), text.size(), &error) ? ERROR_SUCCESS : errnoStatus(error);
}

// Runs `change` on a copy of the freshest hive and writes the result, under the lock that
// every process takes for writing. The hive in memory changes only when the file did.
LSTATUS commit(Hive& h, const std::function<LSTATUS(Key& root, bool& changed)>& change) {
    const std::string path = hivePath(h);
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && !makeFolders(path.substr(0, slash))) return errnoStatus(errno);
    const int lock = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0) return errnoStatus(errno);
    while (::flock(lock, LOCK_EX) != 0 && errno == EINTR) {
    }
    refresh(h);
    Key copy = h.root;
    bool changed = false;
    LSTATUS r = change(copy, changed);
    if (r == ERROR_SUCCESS && changed) {
        if (h.damaged && h.loadedId.exists) {
            // The damaged file stays beside for the user to look at.
            const std::string aside = path + ".damaged";
            ::unlink(aside.c_str());
            if (::link(path.c_str(), aside.c_str()) != 0) {
                // Linking may not be offered; the hive is replaced regardless.
            }
        }
        r = replaceFile(path, writeHive(copy));
        if (r == ERROR_SUCCESS) {
            h.root = std::move(copy);
            h.damaged = false;
            h.loadedId = idOf(path);
        }
    }
    ::flock(lock, LOCK_UN);
    ::close(lock);
    return r;
}

bool isPredefined(HKEY key) {
    const auto v = reinterpret_cast<ULONG_PTR>(key);
    return v >= 0x80000000u && v <= 0x80000006u;
}

bool writableRoot(HKEY root) { return root == HKEY_CURRENT_USER; }

const Key& emptyRoot() {
    static const Key* k = new Key;
    return *k;
}

// The handle's root, path and access; false for a handle that is not open.
bool lookup(Hive& h, HKEY key, Handle& out) {
    if (isPredefined(key)) {
        out = Handle{key, {}, writableRoot(key) ? KEY_ALL_ACCESS : KEY_READ};
        return true;
    }
    auto* p = reinterpret_cast<Handle*>(key);
    if (!h.handles.count(p)) return false;
    out = *p;
    return true;
}

const Key* resolve(const Key& root, const std::vector<std::u16string>& path) {
    const Key* k = &root;
    for (const std::u16string& name : path)
        if (!(k = k->child(name))) return nullptr;
    return k;
}

Key* resolve(Key& root, const std::vector<std::u16string>& path) {
    return const_cast<Key*>(resolve(static_cast<const Key&>(root), path));
}

const Key& rootOf(Hive& h, HKEY root) {
    if (root != HKEY_CURRENT_USER) return emptyRoot();
    refresh(h);
    return h.root;
}

LSTATUS splitPath(std::u16string_view sub, std::vector<std::u16string>& out) {
    out.clear();
    if (!sub.empty() && sub.back() == u'\\') sub.remove_suffix(1);
    if (sub.empty()) return ERROR_SUCCESS;
    if (sub.front() == u'\\') return ERROR_BAD_PATHNAME;
    std::size_t pos = 0;
    while (pos <= sub.size()) {
        std::size_t end = sub.find(u'\\', pos);
        if (end == std::u16string_view::npos) end = sub.size();
        if (end == pos) return ERROR_BAD_PATHNAME;
        if (end - pos > kMaxKeyName) return ERROR_INVALID_PARAMETER;
        out.emplace_back(sub.substr(pos, end - pos));
        pos = end + 1;
    }
    return ERROR_SUCCESS;
}

std::u16string wide(LPCSTR s) { return s ? platform::ansiToWide(s) : std::u16string(); }
std::u16string wide(LPCWSTR s) { return s ? std::u16string(s) : std::u16string(); }

HKEY newHandle(Hive& h, HKEY root, std::vector<std::u16string> path, REGSAM access) {
    auto* p = new Handle{root, std::move(path), access};
    h.handles.insert(p);
    return reinterpret_cast<HKEY>(p);
}

// ---- Data in the caller's form ---------------------------------------------------------

std::vector<BYTE> ansiBytes(std::string_view s) {
    std::vector<BYTE> out(s.begin(), s.end());
    out.push_back(0);
    return out;
}

std::vector<BYTE> dataFor(const Value& v, bool unicode) {
    if (unicode) return v.data;
    if (isTextType(v.type)) return ansiBytes(platform::wideToAnsi(textOf(v.data.data(), v.data.size())));
    if (v.type == REG_MULTI_SZ) {
        std::vector<BYTE> out;
        for (const std::u16string& item : listOf(v.data.data(), v.data.size())) {
            const std::vector<BYTE> b = ansiBytes(platform::wideToAnsi(item));
            out.insert(out.end(), b.begin(), b.end());
        }
        out.push_back(0);
        if (out.size() == 1) out.push_back(0);
        return out;
    }
    return v.data;
}

std::vector<BYTE> storedData(DWORD type, const BYTE* data, DWORD size, bool unicode) {
    if (!data) size = 0;
    if (unicode) return storedForm(type, data, size);
    const std::string_view s(reinterpret_cast<const char*>(data), size);
    if (isTextType(type)) return textData(platform::ansiToWide(s.substr(0, std::min(s.find('\0'), s.size()))));
    if (type == REG_MULTI_SZ) {
        std::vector<std::u16string> items;
        std::size_t pos = 0;
        while (pos < s.size()) {
            std::size_t end = std::min(s.find('\0', pos), s.size());
            if (end == pos) break;
            items.push_back(platform::ansiToWide(s.substr(pos, end - pos)));
            pos = end + 1;
        }
        return listData(items);
    }
    return std::vector<BYTE>(data, data + size);
}

LSTATUS giveData(const std::vector<BYTE>& bytes, LPBYTE data, LPDWORD size) {
    const auto n = static_cast<DWORD>(bytes.size());
    if (!data) {
        if (size) *size = n;
        return ERROR_SUCCESS;
    }
    if (!size) return ERROR_INVALID_PARAMETER;
    if (*size < n) {
        *size = n;
        return ERROR_MORE_DATA;
    }
    if (n) std::memcpy(data, bytes.data(), n);
    *size = n;
    return ERROR_SUCCESS;
}

template <class C>
LSTATUS giveName(const std::basic_string<C>& name, C* buffer, LPDWORD size) {
    if (!buffer || !size) return ERROR_INVALID_PARAMETER;
    if (name.size() + 1 > *size) return ERROR_MORE_DATA;
    std::copy(name.begin(), name.end(), buffer);
    buffer[name.size()] = 0;
    *size = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

template <class C>
std::basic_string<C> nameFor(const std::u16string& name) {
    if constexpr (std::is_same_v<C, char>)
        return platform::wideToAnsi(name);
    else
        return name;
}

FILETIME lastWriteTime(Hive& h) {
    const long long ns = h.loadedId.mtime;
    return platform::fileTimeFromUnix(ns / 1000000000LL, static_cast<long>(ns % 1000000000LL));
}

// ---- The calls in both forms -----------------------------------------------------------------

LSTATUS createKey(HKEY key, const std::u16string& sub, REGSAM access, PHKEY result, LPDWORD disposition) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    Hive& h = hive();
    std::lock_guard<std::recursive_mutex> lock(h.mutex);
    Handle base;
    if (!lookup(h, key, base)) return ERROR_INVALID_HANDLE;
    std::vector<std::u16string> rel;
    if (LSTATUS r = splitPath(sub, rel)) return r;
    std::vector<std::u16string> path = base.path;
    path.insert(path.end(), rel.begin(), rel.end());
    const Key& root = rootOf(h, base.root);
    if (!resolve(root, base.path)) return ERROR_KEY_DELETED;
    if (const Key* found = resolve(root, path)) {
        // Keep the case the key has.
        const Key* k = &root;
        for (std::size_t i = 0; i < path.size(); ++i) path[i] = (k = k->child(path[i]))->name;
        (void)found;
        if (disposition) *disposition = REG_OPENED_EXISTING_KEY;
        *result = newHandle(h, base.root, std::move(path), access);
        return ERROR_SUCCESS;
    }
    if (!writableRoot(base.root) || !(base.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
    const LSTATUS r = commit(h, [&](Key& top, bool& changed) -> LSTATUS {
        Key* k = resolve(top, base.path);
        if (!k) return ERROR_KEY_DELETED;
        for (std::size_t i = base.path.size(); i < path.size(); ++i) {
            if (!k->child(path[i])) changed = true;
            k = &k->makeChild(path[i]);
            path[i] = k->name;
        }
        return ERROR_SUCCESS;
    });
    if (r != ERROR_SUCCESS) return r;
    if (disposition) *disposition = REG_CREATED_NEW_KEY;
    *result = newHandle(h, base.root, std::move(path), access);
    return ERROR_SUCCESS;
}

LSTATUS openKey(HKEY key, const std::u16string& sub, REGSAM access, PHKEY result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    Hive& h = hive();
    std::lock_guard<std::recursive_mutex> lock(h.mutex);
    Handle base;
    if (!lookup(h, key, base)) return ERROR_INVALID_HANDLE;
    std::vector<std::u16string> rel;
    if (LSTATUS r = splitPath(sub, rel)) return r;
    const Key& root = rootOf(h, base.root);
    const Key* k = resolve(root, base.path);
    if (!k) return ERROR_KEY_DELETED;
    std::vector<std::u16string> path = base.path;
    for (const std::u16string& name : rel) {
        if (!(k = k->child(name))) return ERROR_FILE_NOT_FOUND;
        path.push_back(k->name);
    }
    if (!writableRoot(base.root) && (access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE_ACCESS)))
        return ERROR_ACCESS_DENIED;
    *result = newHandle(h, base.root, std::move(path), access);
    return ERROR_SUCCESS;
}

// The key of an open handle, read fresh; the status tells why there is none.
const Key* keyOf(Hive& h, HKEY key, REGSAM need, Handle& handle, LSTATUS& status) {
    status = ERROR_SUCCESS;
    if (!lookup(h, key, handle)) {
        status = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    if ((handle.access & need) != need) {
        status = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    const Key* k = resolve(rootOf(h, handle.root), handle.path);
    if (!k) status = ERROR_KEY_DELETED;
    return k;
}

LSTATUS queryValue(HKEY key, const std::u16string& name, LPDWORD type, LPBYTE data, LPDWORD size, bool unicode) {
    Hive& h = hive();
    std::lock_guard<std::recursive_mutex> lock(h.mutex);
    Handle handle;
    LSTATUS status;
    const Key* k = keyOf(h, key, KEY_QUERY_VALUE, handle, status);
    if (!k) return status;
    const Value* v = k->value(name);
    if (!v) return ERROR_FILE_NOT_FOUND;
    if (type) *type = v->type;
    return giveData(dataFor(*v, unicode), data, size);
}

LSTATUS setValue(HKEY key, const std::u16string& name, DWORD type, const BYTE* data, DWORD size, bool unicode) {
    if (!data && size) return ERROR_INVALID_PARAMETER;
    if (name.size() > kMaxValueName) return ERROR_INVALID_PARAMETER;
    Hive& h = hive();
    std::lock_guard<std::recursive_mutex> lock(h.mutex);
    Handle handle;
    if (!lookup(h, key, handle)) return ERROR_INVALID_HANDLE;
    if (!writableRoot(handle.root) || !(handle.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    std::vector<BYTE> stored = storedData(type, data, size, unicode);
    return commit(h, [&](Key& top, bool& changed) -> LSTATUS {
        Key* k = resolve(top, handle.path);
        if (!k) return ERROR_KEY_DELETED;
        if (Value* v = k->value(name)) {
            changed = v->type != type || v->data != stored;
            v->type = type;
            v->data = std::move(stored);
        } else {
            k->values.push_back(Value{name, type, std::move(stored)});
            changed = true;
        }
        return ERROR_SUCCESS;
    });
}

LSTATUS deleteValue(HKEY key, const std::u16string& name) {
    Hive& h = hive();
    std::lock_guard<std::recursive_mutex> lock(h.mutex);
    Handle handle;
    if (!lookup(h, key, handle)) return ERROR_INVALID_HANDLE;
    if (!writableRoot(handle.root) || !(handle.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    return commit(h, [&](Key& top, bool& changed) -> LSTATUS {
        Key* k = resolve(top, handle.path);
        if (!k) return ERROR_KEY_DELETED;
        if (!k->removeValue(name)) return ERROR_FILE_NOT_FOUND;
        changed = true;
        return ERROR_SUCCESS;
    });
}

LSTATUS deleteKey(HKEY key, const std::u16string& sub) {
    Hive& h = hive();
    std::lock_guard<std::recursive_mutex> lock(h.mutex);
    Handle handle;
    if (!lookup(h, key, handle)) return ERROR_INVALID_HANDLE;
    std::vector<std::u16string> rel;
    if (LSTATUS r = splitPath(sub, rel)) return r;
    if (rel.empty()) return ERROR_INVALID_PARAMETER;
    if (!writableRoot(handle.root)) {
        const Key* k = resolve(rootOf(h, handle.root), handle.path);
        return k && resolve(*k, rel) ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
    }
    if (!(handle.access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE_ACCESS))) return ERROR_ACCESS_DENIED;
    return commit(h, [&](Key& top, bool& changed) -> LSTATUS {
        Key* parent = resolve(top, handle.path);
        if (!parent) return ERROR_KEY_DELETED;
        std::vector<std::u16string> up(rel.begin(), rel.end() - 1);
        parent = resolve(*parent, up);
        const Key* victim = parent ? parent->child(rel.back()) : nullptr;
        if (!victim) return ERROR_FILE_NOT_FOUND;
        if (!victim->children.empty()) return ERROR_ACCESS_DENIED;
        parent->removeChild(rel.back());
        changed = true;
        return ERROR_SUCCESS;
    });
}

template <class C>
LSTATUS enumKey(HKEY key, DWORD index, C* name, LPDWORD nameSize, C* keyClass, LPDWORD classSize,
                FILETIME* lastWrite) {
    Hive& h = hive();
    std::lock_guard<std::recursive_mutex> lock(h.mutex);
    Handle handle;
    LSTATUS status;
    const Key* k = keyOf(h, key, KEY_ENUMERATE_SUB_KEYS, handle, status);
    if (!k) return status;
    if (index >= k->children.size()) return ERROR_NO_MORE_ITEMS;
    if (LSTATUS r = giveName(nameFor<C>(k->children[index].name), name, nameSize)) return r;
    if (keyClass && classSize && *classSize > 0) {
        keyClass[0] = 0;
        *classSize = 0;
    }
    if (lastWrite) *lastWrite = lastWriteTime(h);
    return ERROR_SUCCESS;
}

template <class C>
LSTATUS enumValue(HKEY key, DWORD index, C* name, LPDWORD nameSize, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    Hive& h = hive();
    std::lock_guard<std::recursive_mutex> lock(h.mutex);
    Handle handle;
    LSTATUS status;
    const Key* k = keyOf(h, key, KEY_QUERY_VALUE, handle, status);
    if (!k) return status;
    if (index >= k->values.size()) return ERROR_NO_MORE_ITEMS;
    const Value& v = k->values[index];
    if (LSTATUS r = giveName(nameFor<C>(v.name), name, nameSize)) return r;
    if (type) *type = v.type;
    return giveData(dataFor(v, std::is_same_v<C, char16_t>), data, dataSize);
}

template <class C>
LSTATUS queryInfo(HKEY key, C* keyClass, LPDWORD classSize, LPDWORD subKeys, LPDWORD maxSubKeyLen,
                  LPDWORD maxClassLen, LPDWORD values, LPDWORD maxValueNameLen, LPDWORD maxValueLen,
                  LPDWORD securityDescriptor, FILETIME* lastWrite) {
    Hive& h = hive();
    std::lock_guard<std::recursive_mutex> lock(h.mutex);
    Handle handle;
    LSTATUS status;
    const Key* k = keyOf(h, key, KEY_QUERY_VALUE, handle, status);
    if (!k) return status;
    if (keyClass && classSize) {
        if (*classSize == 0) return ERROR_MORE_DATA;
        keyClass[0] = 0;
    }
    if (classSize) *classSize = 0;
    const bool unicode = std::is_same_v<C, char16_t>;
    DWORD longestKey = 0, longestName = 0, longestData = 0;
    for (const Key& c : k->children)
        longestKey = std::max<DWORD>(longestKey, static_cast<DWORD>(nameFor<C>(c.name).size()));
    for (const Value& v : k->values) {
        longestName = std::max<DWORD>(longestName, static_cast<DWORD>(nameFor<C>(v.name).size()));
        longestData = std::max<DWORD>(longestData, static_cast<DWORD>(dataFor(v, unicode).size()));
    }
    if (subKeys) *subKeys = static_cast<DWORD>(k->children.size());
    if (maxSubKeyLen) *maxSubKeyLen = longestKey;
    if (maxClassLen) *maxClassLen = 0;
    if (values) *values = static_cast<DWORD>(k->values.size());
    if (maxValueNameLen) *maxValueNameLen = longestName;
    if (maxValueLen) *maxValueLen = longestData;
    if (securityDescriptor) *securityDescriptor = 0;
    if (lastWrite) *lastWrite = lastWriteTime(h);
    return ERROR_SUCCESS;
}

}  // namespace

LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM access, const void*, PHKEY result,
                        LPDWORD disposition) {
    return createKey(key, wide(subKey), access, result, disposition);
}

LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM access, const void*, PHKEY result,
                        LPDWORD disposition) {
    return createKey(key, wide(subKey), access, result, disposition);
}

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM access, PHKEY result) {
    return openKey(key, wide(subKey), access, result);
}

LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM access, PHKEY result) {
    return openKey(key, wide(subKey), access, result);
}

LSTATUS RegCloseKey(HKEY key) {
    if (isPredefined(key)) return ERROR_SUCCESS;
    Hive& h = hive();
    std::lock_guard<std::recursive_mutex> lock(h.mutex);
    auto* p = reinterpret_cast<Handle*>(key);
    if (!h.handles.erase(p)) return ERROR_INVALID_HANDLE;
    delete p;
    return ERROR_SUCCESS;
}

LSTATUS RegFlushKey(HKEY key) {
    // Every change is on disk when its call returns.
    Hive& h = hive();
    std::lock_guard<std::recursive_mutex> lock(h.mutex);
    Handle handle;
    return lookup(h, key, handle) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
    return queryValue(key, wide(name), type, data, size, false);
}

LSTATUS RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
    return queryValue(key, wide(name), type, data, size, true);
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD size) {
    return setValue(key, wide(name), type, data, size, false);
}

LSTATUS RegSetValueExW(HKEY key, LPCWSTR name, DWORD, DWORD type, const BYTE* data, DWORD size) {
    return setValue(key, wide(name), type, data, size, true);
}

LSTATUS RegDeleteValueA(HKEY key, LPCSTR name) { return deleteValue(key, wide(name)); }
LSTATUS RegDeleteValueW(HKEY key, LPCWSTR name) { return deleteValue(key, wide(name)); }
LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey) { return deleteKey(key, wide(subKey)); }
LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey) { return deleteKey(key, wide(subKey)); }

LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPSTR keyClass,
                      LPDWORD classSize, FILETIME* lastWrite) {
    return enumKey(key, index, name, nameSize, keyClass, classSize, lastWrite);
}

LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameSize, LPDWORD, LPWSTR keyClass,
                      LPDWORD classSize, FILETIME* lastWrite) {
    return enumKey(key, index, name, nameSize, keyClass, classSize, lastWrite);
}

LSTATUS RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize) {
    return enumValue(key, index, name, nameSize, type, data, dataSize);
}

LSTATUS RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameSize, LPDWORD, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize) {
    return enumValue(key, index, name, nameSize, type, data, dataSize);
}

LSTATUS RegQueryInfoKeyA(HKEY key, LPSTR keyClass, LPDWORD classSize, LPDWORD, LPDWORD subKeys, LPDWORD maxSubKeyLen,
                         LPDWORD maxClassLen, LPDWORD values, LPDWORD maxValueNameLen, LPDWORD maxValueLen,
                         LPDWORD securityDescriptor, FILETIME* lastWrite) {
    return queryInfo(key, keyClass, classSize, subKeys, maxSubKeyLen, maxClassLen, values, maxValueNameLen,
                     maxValueLen, securityDescriptor, lastWrite);
}

LSTATUS RegQueryInfoKeyW(HKEY key, LPWSTR keyClass, LPDWORD classSize, LPDWORD, LPDWORD subKeys, LPDWORD maxSubKeyLen,
                         LPDWORD maxClassLen, LPDWORD values, LPDWORD maxValueNameLen, LPDWORD maxValueLen,
                         LPDWORD securityDescriptor, FILETIME* lastWrite) {
    return queryInfo(key, keyClass, classSize, subKeys, maxSubKeyLen, maxClassLen, values, maxValueNameLen,
                     maxValueLen, securityDescriptor, lastWrite);
}

namespace platform {

std::string userConfigFolder() {
    std::string config;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && x[0] == '/') {
        config = x;
    } else {
        const char* home = std::getenv("HOME");
        std::string h = home && home[0] ? home : "";
        if (h.empty())
            if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) h = pw->pw_dir;
        config = h + "/.config";
    }
    return config + "/tessellon";
}

std::string registryHivePath() {
    Hive& h = hive();
    std::lock_guard<std::recursive_mutex> lock(h.mutex);
    return hivePath(h);
}

void setRegistryHive(const std::string& path) {
    Hive& h = hive();
    std::lock_guard<std::recursive_mutex> lock(h.mutex);
    h.chosenPath = path;
    h.loaded = false;
}

std::size_t openRegistryKeys() {
    Hive& h = hive();
    std::lock_guard<std::recursive_mutex> lock(h.mutex);
    return h.handles.size();
}

}  // namespace platform
