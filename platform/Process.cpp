// The process: arguments, executable path, modules, resources, environment and folders.
#include "platform/codepage.h"
#include "platform/fileapi.h"
#include "platform/process.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <list>
#include <map>
#include <mutex>
#include <unistd.h>

namespace platform {
namespace {

struct Arguments {
    std::mutex mutex;
    bool set = false;
    std::vector<std::string> values;
};

Arguments& args() {
    static auto* a = new Arguments;
    return *a;
}

std::string executablePath() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return {};
        if (static_cast<std::size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<std::size_t>(n));
        buffer.resize(buffer.size() * 2);
    }
}

const HMODULE kProgram = reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(0x400000));

std::u16string upperKey(std::u16string s) {
    for (auto& c : s) c = upperUnit(c);
    return s;
}

// A resource or module name: a number below 0x10000 or a text.
struct Key {
    ULONG_PTR number = 0;
    std::u16string text;
    bool operator==(const Key& o) const { return number == o.number && text == o.text; }
};

Key keyW(LPCWSTR p) {
    if ((reinterpret_cast<ULONG_PTR>(p) >> 16) == 0) return {reinterpret_cast<ULONG_PTR>(p), {}};
    return {0, upperKey(p)};
}

Key keyA(LPCSTR p) {
    if ((reinterpret_cast<ULONG_PTR>(p) >> 16) == 0) return {reinterpret_cast<ULONG_PTR>(p), {}};
    return {0, upperKey(ansiToWide(p))};
}

// Module names compare without folder, case or ".dll".
std::u16string moduleKey(std::u16string_view name) {
    std::u16string s(name);
    const auto slash = s.find_last_of(u"/\\");
    if (slash != std::u16string::npos) s.erase(0, slash + 1);
    s = upperKey(s);
    if (s.size() > 4 && s.compare(s.size() - 4, 4, u".DLL") == 0) s.resize(s.size() - 4);
    return s;
}

struct Module {
    std::u16string key;
    std::vector<ModuleExport> exports;
    int references = 0;
};

struct Resource {
    HMODULE module;
    Key type;
    Key name;
    std::string data;
};

struct Registry {
    std::mutex mutex;
    std::list<Module> modules;      // the element's address is the handle
    std::list<Resource> resources;  // the element's address is the HRSRC
    std::map<std::pair<HMODULE, UINT>, std::vector<std::u16string>> stringBlocks;
};

Registry& registry() {
    static auto* r = new Registry;
    return *r;
}

Module* moduleOf(Registry& r, HMODULE h) {
    for (Module& m : r.modules)
        if (reinterpret_cast<HMODULE>(&m) == h) return &m;
    return nullptr;
}

bool knownModule(HMODULE h) {
    if (!h || h == kProgram) return true;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return moduleOf(r, h) != nullptr;
}

HMODULE loadModule(const std::u16string& name, bool addReference) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const std::u16string key = moduleKey(name);
    for (Module& m : r.modules) {
        if (m.key != key) continue;
        if (addReference) ++m.references;
        return reinterpret_cast<HMODULE>(&m);
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

HRSRC findResource(HMODULE module, const Key& name, const Key& type) {
    if (!module) module = kProgram;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    bool typeFound = false;
    for (Resource& res : r.resources) {
        if (res.module != module || !(res.type == type)) continue;
        typeFound = true;
        if (res.name == name) return reinterpret_cast<HRSRC>(&res);
    }
    SetLastError(typeFound ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

// The text of string `id` of a module's string table, or false.
bool stringResource(HINSTANCE instance, UINT id, std::u16string& text) {
    HRSRC res = findResource(instance, {(id >> 4) + 1, {}}, {6, {}});
    if (!res) return false;
    const std::string& data = reinterpret_cast<Resource*>(res)->data;
    std::size_t pos = 0;
    for (UINT i = 0; i <= (id & 15); ++i) {
        if (pos + 2 > data.size()) return false;
        char16_t length = 0;
        std::memcpy(&length, data.data() + pos, 2);
        pos += 2;
        if (pos + length * 2u > data.size()) return false;
        if (i == (id & 15)) {
            text.resize(length);
            std::memcpy(text.data(), data.data() + pos, length * 2u);
            return length > 0;
        }
        pos += length * 2u;
    }
    return false;
}

std::string tempPath() {
    std::string path;
    for (const char* name : {"TMPDIR", "TMP", "TEMP"}) {
        const char* v = std::getenv(name);
        if (v && *v) {
            path = v;
            break;
        }
    }
    if (path.empty()) path = "/tmp";
    if (path[0] != '/') {
        std::vector<char> cwd(4096);
        if (::getcwd(cwd.data(), cwd.size())) path = std::string(cwd.data()) + "/" + path;
    }
    if (path.back() != '/') path += '/';
    return path;
}

template <class Char>
DWORD putText(const std::basic_string<Char>& text, DWORD size, Char* buffer) {
    if (buffer && text.size() < size) {
        std::copy(text.begin(), text.end(), buffer);
        buffer[text.size()] = 0;
        return static_cast<DWORD>(text.size());
    }
    return static_cast<DWORD>(text.size() + 1);
}

// The module-file-name rule: a text that does not fit is cut to `size` characters
// without a terminator.
template <class Char>
DWORD putModuleName(const std::basic_string<Char>& text, DWORD size, Char* buffer) {
    if (!buffer || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (text.size() < size) {
        std::copy(text.begin(), text.end(), buffer);
        buffer[text.size()] = 0;
        SetLastError(ERROR_SUCCESS);
        return static_cast<DWORD>(text.size());
    }
    std::copy_n(text.begin(), size, buffer);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
}

}  // namespace

void setArguments(int argc, char** argv) {
    Arguments& a = args();
    std::lock_guard lock(a.mutex);
    a.values.clear();
    for (int i = 0; i < argc; ++i) a.values.emplace_back(argv[i] ? argv[i] : "");
    a.set = true;
}

const std::vector<std::string>& arguments() {
    Arguments& a = args();
    std::lock_guard lock(a.mutex);
    if (!a.set) {
        std::ifstream in("/proc/self/cmdline", std::ios::binary);
        const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::size_t i = 0;
        while (i < all.size()) {
            const std::size_t j = std::min(all.find('\0', i), all.size());
            a.values.push_back(all.substr(i, j - i));
            i = j + 1;
        }
        a.set = true;
    }
    return a.values;
}

std::u16string wideArgument(std::size_t index) {
    const auto& values = arguments();
    return index < values.size() ? fileNameToWide(values[index]) : std::u16string();
}

HMODULE programModule() { return kProgram; }

HMODULE registerModule(std::u16string_view name, std::vector<ModuleExport> exports) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const std::u16string key = moduleKey(name);
    for (Module& m : r.modules) {
        if (m.key == key) {
            m.exports = std::move(exports);
            return reinterpret_cast<HMODULE>(&m);
        }
    }
    r.modules.push_back({key, std::move(exports), 0});
    return reinterpret_cast<HMODULE>(&r.modules.back());
}

void addResource(HMODULE module, LPCWSTR type, LPCWSTR name, std::string data) {
    if (!module) module = kProgram;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const Key t = keyW(type), n = keyW(name);
    for (Resource& res : r.resources) {
        if (res.module == module && res.type == t && res.name == n) {
            res.data = std::move(data);
            return;
        }
    }
    r.resources.push_back({module, t, n, std::move(data)});
}

void addStringResource(HMODULE module, UINT id, std::u16string_view text) {
    if (!module) module = kProgram;
    std::string data;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        auto& block = r.stringBlocks[{module, id >> 4}];
        block.resize(16);
        block[id & 15] = std::u16string(text.substr(0, 0xFFFF));
        for (const auto& s : block) {
            const auto length = static_cast<char16_t>(s.size());
            data.append(reinterpret_cast<const char*>(&length), 2);
            data.append(reinterpret_cast<const char*>(s.data()), s.size() * 2);
        }
    }
    addResource(module, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(6)),
                reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>((id >> 4) + 1)), std::move(data));
}

}  // namespace platform

using namespace platform;

DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
    if (!knownModule(module)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    return putModuleName(fileNameToWide(executablePath()), size, buffer);
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    if (!knownModule(module)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    return putModuleName(fileNameToAnsi(executablePath()), size, buffer);
}

HMODULE GetModuleHandleW(LPCWSTR name) {
    if (!name) return kProgram;
    const std::u16string key = moduleKey(name);
    const std::string exe = executablePath();
    if (key == moduleKey(fileNameToWide(exe))) return kProgram;
    return loadModule(name, false);
}

HMODULE GetModuleHandleA(LPCSTR name) {
    if (!name) return kProgram;
    const std::u16string wide = ansiToWide(name);
    return GetModuleHandleW(wide.c_str());
}

HMODULE LoadLibraryW(LPCWSTR name) {
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return loadModule(name, true);
}

HMODULE LoadLibraryA(LPCSTR name) {
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return loadModule(ansiToWide(name), true);
}

BOOL FreeLibrary(HMODULE module) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    Module* m = moduleOf(r, module);
    if (!m || m->references <= 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    --m->references;
    return TRUE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    Module* m = moduleOf(r, module);
    if (!m) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    const auto ordinal = reinterpret_cast<ULONG_PTR>(name);
    for (const ModuleExport& e : m->exports) {
        const bool match = (ordinal >> 16) == 0 ? (e.ordinal != 0 && e.ordinal == ordinal) : e.name == name;
        if (match) return reinterpret_cast<FARPROC>(e.address);
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) { return findResource(module, keyW(name), keyW(type)); }

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) { return findResource(module, keyA(name), keyA(type)); }

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
    if (!resource) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return reinterpret_cast<Resource*>(resource)->data.data();
}

LPVOID LockResource(HGLOBAL data) { return data; }

DWORD SizeofResource(HMODULE, HRSRC resource) {
    return resource ? static_cast<DWORD>(reinterpret_cast<Resource*>(resource)->data.size()) : 0;
}

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int size) {
    if (!buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string text;
    if (!stringResource(instance, id, text)) {
        if (size > 0) buffer[0] = 0;
        return 0;
    }
    if (size == 0) {
        // The text stays in the resource; look it up again for a pointer that lives.
        HRSRC res = findResource(instance, {(id >> 4) + 1, {}}, {6, {}});
        const char* p = reinterpret_cast<Resource*>(res)->data.data();
        for (UINT i = 0; i < (id & 15); ++i) {
            char16_t n = 0;
            std::memcpy(&n, p, 2);
            p += 2 + n * 2;
        }
        *reinterpret_cast<LPCWSTR*>(buffer) = reinterpret_cast<LPCWSTR>(p + 2);
        return static_cast<int>(text.size());
    }
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
    std::copy_n(text.data(), n, buffer);
    buffer[n] = 0;
    return static_cast<int>(n);
}

int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size) {
    if (!buffer || size <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string text;
    if (!stringResource(instance, id, text)) {
        buffer[0] = 0;
        return 0;
    }
    const std::string a = wideToAnsi(text);
    const std::size_t n = std::min(a.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, a.data(), n);
    buffer[n] = 0;
    return static_cast<int>(n);
}

DWORD GetTempPathW(DWORD size, LPWSTR buffer) { return putText(fileNameToWide(tempPath()), size, buffer); }

DWORD GetTempPathA(DWORD size, LPSTR buffer) { return putText(fileNameToAnsi(tempPath()), size, buffer); }

UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size) { return putText(std::u16string(u"/"), size, buffer); }

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) { return putText(std::string("/"), size, buffer); }

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
    const char* v = name ? std::getenv(ansiToFileName(name).c_str()) : nullptr;
    if (!v) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    return putText(fileNameToAnsi(v), size, buffer);
}

DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
    const char* v = name ? std::getenv(wideToFileName(name).c_str()) : nullptr;
    if (!v) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    return putText(fileNameToWide(v), size, buffer);
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }

DWORD GetCurrentThreadId() { return static_cast<DWORD>(::gettid()); }

int MulDiv(int Number, int Numerator, int Denominator) {
    if (Denominator == 0) return -1;
    const long long product = static_cast<long long>(Number) * Numerator;
    const long long d = Denominator;
    const bool negative = (product < 0) != (d < 0);
    const unsigned long long a = product < 0 ? 0ULL - static_cast<unsigned long long>(product) : static_cast<unsigned long long>(product);
    const unsigned long long b = d < 0 ? 0ULL - static_cast<unsigned long long>(d) : static_cast<unsigned long long>(d);
    const unsigned long long q = (a + b / 2) / b;
    if (q > (negative ? 2147483648ULL : 2147483647ULL)) return -1;
    return negative ? static_cast<int>(-static_cast<long long>(q)) : static_cast<int>(q);
}
