// The task allocator, item-id list framing and helpers, shell strings and wildcard lists.
#include "ShellInternal.h"
#include "platform/shellapi.h"

#include <QDateTime>
#include <QString>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<long long> g_blocks{0};

constexpr BYTE kSignature = 0x54;
constexpr std::size_t kItemHeader = 5;  // count, signature, kind, flags
constexpr std::size_t kMaxName = 65000;

USHORT countOf(const void* p) {
    USHORT cb;
    std::memcpy(&cb, p, sizeof cb);
    return cb;
}

const BYTE* bytes(LPCITEMIDLIST p) { return reinterpret_cast<const BYTE*>(p); }

}  // namespace

LPVOID CoTaskMemAlloc(std::size_t size) {
    void* p = std::calloc(size ? size : 1, 1);
    if (p) ++g_blocks;
    return p;
}

LPVOID CoTaskMemRealloc(LPVOID block, std::size_t size) {
    if (!block) return CoTaskMemAlloc(size);
    if (size == 0) {
        CoTaskMemFree(block);
        return nullptr;
    }
    return std::realloc(block, size);
}

void CoTaskMemFree(LPVOID block) {
    if (!block) return;
    --g_blocks;
    std::free(block);
}

LPVOID SHAlloc(std::size_t size) { return CoTaskMemAlloc(size); }
void SHFree(LPVOID block) { CoTaskMemFree(block); }

namespace platform {

long long taskMemBlocksInUse() { return g_blocks.load(); }

}  // namespace platform

// ---- Lists -------------------------------------------------------------------------------

UINT ILGetSize(LPCITEMIDLIST pidl) {
    if (!pidl) return 0;
    std::size_t size = 0;
    for (;;) {
        const USHORT cb = countOf(bytes(pidl) + size);
        if (cb < sizeof(USHORT)) break;  // the closing zero (a count of 1 cannot be an item)
        size += cb;
    }
    return static_cast<UINT>(size + sizeof(USHORT));
}

LPITEMIDLIST ILGetNext(LPCITEMIDLIST pidl) {
    if (!pidl) return nullptr;
    const USHORT cb = countOf(pidl);
    if (cb < sizeof(USHORT)) return nullptr;
    auto* next = reinterpret_cast<LPITEMIDLIST>(const_cast<BYTE*>(bytes(pidl)) + cb);
    return countOf(next) < sizeof(USHORT) ? nullptr : next;
}

BOOL ILIsEmpty(LPCITEMIDLIST pidl) { return !pidl || countOf(pidl) < sizeof(USHORT); }

namespace {

LPITEMIDLIST copyBytes(const BYTE* data, std::size_t itemBytes) {
    auto* p = static_cast<BYTE*>(CoTaskMemAlloc(itemBytes + sizeof(USHORT)));
    if (!p) return nullptr;
    if (itemBytes) std::memcpy(p, data, itemBytes);
    return reinterpret_cast<LPITEMIDLIST>(p);  // the closing zero comes from the zero fill
}

}  // namespace

LPITEMIDLIST ILClone(LPCITEMIDLIST pidl) {
    if (!pidl) return nullptr;
    return copyBytes(bytes(pidl), ILGetSize(pidl) - sizeof(USHORT));
}

LPITEMIDLIST ILCloneFirst(LPCITEMIDLIST pidl) {
    if (!pidl) return nullptr;
    const USHORT cb = countOf(pidl);
    return copyBytes(bytes(pidl), cb < sizeof(USHORT) ? 0 : cb);
}

LPITEMIDLIST ILCombine(LPCITEMIDLIST first, LPCITEMIDLIST second) {
    if (!first && !second) return nullptr;
    const std::size_t a = first ? ILGetSize(first) - sizeof(USHORT) : 0;
    const std::size_t b = second ? ILGetSize(second) - sizeof(USHORT) : 0;
    auto* p = static_cast<BYTE*>(CoTaskMemAlloc(a + b + sizeof(USHORT)));
    if (!p) return nullptr;
    if (a) std::memcpy(p, first, a);
    if (b) std::memcpy(p + a, second, b);
    return reinterpret_cast<LPITEMIDLIST>(p);
}

LPITEMIDLIST ILFindLastID(LPCITEMIDLIST pidl) {
    if (!pidl) return nullptr;
    LPCITEMIDLIST last = pidl;
    for (LPCITEMIDLIST next = ILGetNext(pidl); next; next = ILGetNext(next)) last = next;
    return const_cast<LPITEMIDLIST>(last);
}

BOOL ILRemoveLastID(LPITEMIDLIST pidl) {
    if (ILIsEmpty(pidl)) return FALSE;
    LPITEMIDLIST last = ILFindLastID(pidl);
    const USHORT zero = 0;
    std::memcpy(last, &zero, sizeof zero);
    return TRUE;
}

BOOL ILIsEqual(LPCITEMIDLIST a, LPCITEMIDLIST b) {
    if (!a || !b) return FALSE;
    std::shared_ptr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(&desktop))) return FALSE;
    const HRESULT hr = desktop->CompareIDs(0, a, b);
    return SUCCEEDED(hr) && HRESULT_CODE(hr) == 0;
}

void ILFree(LPITEMIDLIST pidl) { CoTaskMemFree(pidl); }

namespace platform {

ItemIdList makeItemIdList(const std::vector<ShellItem>& items) {
    std::size_t total = sizeof(USHORT);
    for (const ShellItem& item : items) {
        if (item.name.size() > kMaxName) return nullptr;
        total += kItemHeader + item.name.size();
    }
    auto* p = static_cast<BYTE*>(CoTaskMemAlloc(total));
    if (!p) return nullptr;
    std::size_t at = 0;
    for (const ShellItem& item : items) {
        const auto cb = static_cast<USHORT>(kItemHeader + item.name.size());
        std::memcpy(p + at, &cb, sizeof cb);
        p[at + 2] = kSignature;
        p[at + 3] = static_cast<BYTE>(item.kind);
        p[at + 4] = item.flags;
        if (!item.name.empty()) std::memcpy(p + at + kItemHeader, item.name.data(), item.name.size());
        at += cb;
    }
    return ItemIdList(reinterpret_cast<LPITEMIDLIST>(p));
}

bool decodeItem(const SHITEMID* id, ShellItem& item) {
    if (!id) return false;
    const USHORT cb = countOf(id);
    if (cb < kItemHeader) return false;
    const BYTE* p = reinterpret_cast<const BYTE*>(id);
    if (p[2] != kSignature) return false;
    const BYTE kind = p[3];
    if (kind < static_cast<BYTE>(ShellItemKind::Place) || kind > static_cast<BYTE>(ShellItemKind::TrashEntry))
        return false;
    item.kind = static_cast<ShellItemKind>(kind);
    item.flags = p[4];
    item.name.assign(reinterpret_cast<const char*>(p + kItemHeader), cb - kItemHeader);
    return true;
}

bool decodeItemIdList(LPCITEMIDLIST pidl, std::vector<ShellItem>& items) {
    items.clear();
    if (ILIsEmpty(pidl)) return true;
    for (LPCITEMIDLIST p = pidl; p; p = ILGetNext(p)) {
        ShellItem item;
        if (!decodeItem(&p->mkid, item)) return false;
        items.push_back(std::move(item));
    }
    return true;
}

UINT itemCount(LPCITEMIDLIST pidl) {
    if (ILIsEmpty(pidl)) return 0;
    UINT n = 0;
    for (LPCITEMIDLIST p = pidl; p; p = ILGetNext(p)) ++n;
    return n;
}

LPWSTR taskMemString(std::u16string_view text) {
    auto* p = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(WCHAR)));
    if (!p) return nullptr;
    if (!text.empty()) std::memcpy(p, text.data(), text.size() * sizeof(WCHAR));
    return p;
}

std::u16string formatByteSize(long long size) {
    if (size < 0) size = 0;
    if (size < 1024) return QString::number(size).toStdU16String() + u" bytes";
    static const char* const units[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    double value = static_cast<double>(size) / 1024.0;
    int unit = 0;
    for (;;) {
        const int decimals = value < 10 ? 2 : value < 100 ? 1 : 0;
        const double scale = decimals == 2 ? 100 : decimals == 1 ? 10 : 1;
        const double rounded = std::nearbyint(value * scale) / scale;
        if (rounded >= 1000 && unit < 5) {
            value /= 1024.0;
            ++unit;
            continue;
        }
        return (QString::number(rounded, 'f', decimals) + QLatin1Char(' ') + QLatin1String(units[unit]))
            .toStdU16String();
    }
}

}  // namespace platform

// ---- Shell strings ------------------------------------------------------------------------

HRESULT StrRetToStrW(STRRET* strret, LPCITEMIDLIST pidl, LPWSTR* out) {
    if (!strret || !out) return E_INVALIDARG;
    *out = nullptr;
    switch (strret->uType) {
    case STRRET_WSTR:
        *out = strret->pOleStr;  // handed over
        strret->pOleStr = nullptr;
        return *out ? S_OK : E_FAIL;
    case STRRET_OFFSET: {
        if (!pidl) return E_INVALIDARG;
        const UINT size = ILGetSize(pidl);
        if (strret->uOffset >= size) return E_INVALIDARG;
        const char* text = reinterpret_cast<const char*>(pidl) + strret->uOffset;
        const std::size_t n = strnlen(text, size - strret->uOffset);
        *out = platform::taskMemString(platform::fileNameToWide(std::string(text, n)));
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    case STRRET_CSTR: {
        const std::size_t n = strnlen(strret->cStr, sizeof strret->cStr);
        *out = platform::taskMemString(platform::fileNameToWide(std::string(strret->cStr, n)));
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    default:
        return E_INVALIDARG;
    }
}

LPWSTR StrFormatByteSizeW(LONGLONG size, LPWSTR buffer, UINT bufferSize) {
    if (!buffer || bufferSize == 0) return nullptr;
    const std::u16string text = platform::formatByteSize(size);
    const std::size_t n = std::min<std::size_t>(text.size(), bufferSize - 1);
    std::memcpy(buffer, text.data(), n * sizeof(WCHAR));
    buffer[n] = 0;
    return buffer;
}

BOOL PathMatchSpecW(LPCWSTR name, LPCWSTR spec) {
    if (!name || !spec) return FALSE;
    const std::u16string_view n(name);
    std::u16string_view rest(spec);
    while (!rest.empty()) {
        const std::size_t cut = rest.find(u';');
        std::u16string_view piece = rest.substr(0, cut);
        rest = cut == std::u16string_view::npos ? std::u16string_view() : rest.substr(cut + 1);
        while (!piece.empty() && piece.front() == u' ') piece.remove_prefix(1);
        if (!piece.empty() && platform::wildcardMatch(n, piece)) return TRUE;
    }
    return FALSE;
}

// ---- Shared helpers of the shell files ----------------------------------------------------

namespace platform::shell {

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

std::string parentOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || path == "/") return std::string();
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string cleanAbsolute(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    while (at <= path.size()) {
        std::size_t slash = path.find('/', at);
        if (slash == std::string::npos) slash = path.size();
        const std::string part = path.substr(at, slash - at);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = slash + 1;
    }
    std::string out;
    for (const std::string& part : parts) out += "/" + part;
    return out.empty() ? std::string("/") : out;
}

std::u16string formatTime(long long seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdU16String();
}

HRESULT resultFromErrno(int error) {
    const DWORD code = errorFromErrno(error);
    return code == 0 ? E_FAIL : HRESULT_FROM_WIN32(code);
}

void setLastErrorFrom(HRESULT hr) {
    if (SUCCEEDED(hr)) return;
    if (HRESULT_FACILITY(hr) == FACILITY_WIN32)
        SetLastError(HRESULT_CODE(hr));
    else if (hr == E_OUTOFMEMORY)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    else
        SetLastError(ERROR_INVALID_FUNCTION);
}

}  // namespace platform::shell
