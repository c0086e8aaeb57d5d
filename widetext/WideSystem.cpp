// Wide platform wrappers and wide string utilities.
#include "widetext/WideSystem.h"

#include "classlib/SysUtils.h"
#include "platform/codepage.h"
#include "platform/shellapi.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

bool PlatformHasWideApi() { return platform::unicodeWindows(); }

bool PlatformIsXPOrLater() { return true; }

namespace {

std::size_t lengthOf(const WCHAR* s, int length) {
    if (!s) return 0;
    if (length >= 0) return static_cast<std::size_t>(length);
    std::size_t n = 0;
    while (s[n]) ++n;
    return n;
}

std::string ansi(const WCHAR* s, int length = -1) {
    return platform::wideToAnsi(std::u16string_view(s ? s : u"", lengthOf(s, length)));
}

WideString wide(const char* s, std::size_t length) { return platform::ansiToWide(std::string_view(s, length)); }

// Copies the widened result of an 8-bit call into the caller's buffer of `size` characters.
constexpr int kTerminateShort = 1;  // a result of exactly `size` characters loses its last one
constexpr int kEmptyOnOverflow = 2;
constexpr int kCutWithoutTerminator = 4;

DWORD bufferRule(const WideString& r, WCHAR* buffer, DWORD size, int flags) {
    if (r.size() < size) {
        std::copy(r.begin(), r.end(), buffer);
        buffer[r.size()] = 0;
        return static_cast<DWORD>(r.size());
    }
    if (flags & kCutWithoutTerminator) {
        std::copy_n(r.begin(), size, buffer);
        return size;
    }
    if ((flags & kTerminateShort) && r.size() == size && size > 0) {
        std::copy_n(r.begin(), size - 1, buffer);
        buffer[size - 1] = 0;
        return static_cast<DWORD>(r.size() + 1);
    }
    if (size > 0 && buffer && (flags & kEmptyOnOverflow)) buffer[0] = 0;
    return static_cast<DWORD>(r.size() + 1);
}

void widenFindData(const WIN32_FIND_DATAA& a, WIN32_FIND_DATAW& w) {
    std::memcpy(&w, &a, offsetof(WIN32_FIND_DATAA, cFileName));
    const WideString name = wide(a.cFileName, strnlen(a.cFileName, MAX_PATH));
    const std::size_t n = std::min<std::size_t>(name.size(), MAX_PATH - 1);
    std::copy_n(name.data(), n, w.cFileName);
    w.cFileName[n] = 0;
    const WideString alt = wide(a.cAlternateFileName, strnlen(a.cAlternateFileName, 14));
    const std::size_t m = std::min<std::size_t>(alt.size(), 13);
    std::copy_n(alt.data(), m, w.cAlternateFileName);
    w.cAlternateFileName[m] = 0;
}

// One character upper-cased through the 8-bit code page; unchanged when it has no single
// byte there or when the result is not one character.
WCHAR upperThroughAnsi(WCHAR c) {
    char byte[8];
    BOOL used = FALSE;
    if (WideCharToMultiByte(CP_ACP, 0, &c, 1, byte, sizeof byte, nullptr, &used) != 1 || used) return c;
    const auto up = static_cast<char>(reinterpret_cast<std::uintptr_t>(
        CharUpperA(reinterpret_cast<LPSTR>(static_cast<std::uintptr_t>(static_cast<unsigned char>(byte[0]))))));
    WCHAR back[4];
    if (MultiByteToWideChar(CP_ACP, 0, &up, 1, back, 4) != 1) return c;
    return back[0];
}

int ordinalCompare(const WCHAR* s1, std::size_t n1, const WCHAR* s2, std::size_t n2) {
    const std::size_t n = std::min(n1, n2);
    for (std::size_t i = 0; i < n; ++i)
        if (s1[i] != s2[i]) return s1[i] < s2[i] ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
    return n1 < n2 ? CSTR_LESS_THAN : n1 > n2 ? CSTR_GREATER_THAN : CSTR_EQUAL;
}

}  // namespace

BOOL WideApiSetWindowText(HWND Wnd, const WCHAR* Text) {
    if (PlatformHasWideApi()) return SetWindowTextW(Wnd, Text);
    const std::string a = ansi(Text);
    return SetWindowTextA(Wnd, Text ? a.c_str() : nullptr);
}

HANDLE WideApiCreateFile(const WCHAR* Name, DWORD Access, DWORD Share, LPSECURITY_ATTRIBUTES Security,
                         DWORD Disposition, DWORD Flags, HANDLE Template) {
    if (PlatformHasWideApi()) return CreateFileW(Name, Access, Share, Security, Disposition, Flags, Template);
    return CreateFileA(ansi(Name).c_str(), Access, Share, Security, Disposition, Flags, Template);
}

HANDLE WideApiFindFirstFile(const WCHAR* Name, WIN32_FIND_DATAW& FindData) {
    if (PlatformHasWideApi()) return FindFirstFileW(Name, &FindData);
    WIN32_FIND_DATAA a{};
    HANDLE h = FindFirstFileA(ansi(Name).c_str(), &a);
    if (h != INVALID_HANDLE_VALUE) widenFindData(a, FindData);
    return h;
}

BOOL WideApiFindNextFile(HANDLE Handle, WIN32_FIND_DATAW& FindData) {
    if (PlatformHasWideApi()) return FindNextFileW(Handle, &FindData);
    WIN32_FIND_DATAA a{};
    const BOOL ok = FindNextFileA(Handle, &a);
    if (ok) widenFindData(a, FindData);
    return ok;
}

DWORD WideApiGetFileAttributes(const WCHAR* Name) {
    if (PlatformHasWideApi()) return GetFileAttributesW(Name);
    return GetFileAttributesA(ansi(Name).c_str());
}

BOOL WideApiDeleteFile(const WCHAR* Name) {
    if (PlatformHasWideApi()) return DeleteFileW(Name);
    return DeleteFileA(ansi(Name).c_str());
}

int WideApiDrawText(HDC DC, const WCHAR* Text, int Count, RECT& Rect, UINT Format) {
    if (PlatformHasWideApi()) return DrawTextW(DC, Text, Count, &Rect, Format);
    return DrawTextA(DC, ansi(Text, Count).c_str(), -1, &Rect, Format);
}

DWORD WideApiGetModuleFileName(HMODULE Module, WCHAR* Buffer, DWORD Size) {
    if (PlatformHasWideApi()) return GetModuleFileNameW(Module, Buffer, Size);
    char a[MAX_PATH];
    const DWORD n = GetModuleFileNameA(Module, a, MAX_PATH);
    if (n == 0) return 0;
    return bufferRule(wide(a, std::min<DWORD>(n, MAX_PATH)), Buffer, Size, kCutWithoutTerminator);
}

DWORD WideApiGetTempPath(DWORD Size, WCHAR* Buffer) {
    if (PlatformHasWideApi()) return GetTempPathW(Size, Buffer);
    std::string a(MAX_PATH, '\0');
    DWORD n = GetTempPathA(MAX_PATH, a.data());
    if (n >= MAX_PATH) {  // longer than the usual buffer: ask again with room for it
        a.assign(n, '\0');
        n = GetTempPathA(n, a.data());
    }
    if (n == 0) return 0;
    return bufferRule(wide(a.data(), n), Buffer, Size, kTerminateShort | kEmptyOnOverflow);
}

UINT WideApiGetWindowsDirectory(WCHAR* Buffer, UINT Size) {
    if (PlatformHasWideApi()) return GetWindowsDirectoryW(Buffer, Size);
    char a[MAX_PATH];
    const UINT n = GetWindowsDirectoryA(a, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return n;
    return bufferRule(wide(a, n), Buffer, Size, 0);
}

HMODULE WideApiLoadLibrary(const WCHAR* Name) {
    if (PlatformHasWideApi()) return LoadLibraryW(Name);
    return LoadLibraryA(ansi(Name).c_str());
}

int WideApiCompareString(LCID Locale, DWORD Flags, const WCHAR* S1, int Len1, const WCHAR* S2, int Len2) {
    if (PlatformHasWideApi()) return CompareStringW(Locale, Flags, S1, Len1, S2, Len2);
    if (!S1 || !S2) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (Flags == 0) return ordinalCompare(S1, lengthOf(S1, Len1), S2, lengthOf(S2, Len2));
    const std::string a = ansi(S1, Len1), b = ansi(S2, Len2);
    return CompareStringA(Locale, Flags, a.c_str(), -1, b.c_str(), -1);
}

WCHAR* WideApiCharUpper(WCHAR* P) {
    if (PlatformHasWideApi()) return CharUpperW(P);
    if ((reinterpret_cast<std::uintptr_t>(P) >> 16) == 0) {
        const auto c = static_cast<WCHAR>(reinterpret_cast<std::uintptr_t>(P));
        return reinterpret_cast<WCHAR*>(static_cast<std::uintptr_t>(upperThroughAnsi(c)));
    }
    for (WCHAR* p = P; *p; ++p) *p = upperThroughAnsi(*p);
    return P;
}

DWORD WideApiCharUpperBuff(WCHAR* P, DWORD Len) {
    if (PlatformHasWideApi()) return CharUpperBuffW(P, Len);
    if (!P) return 0;
    for (DWORD i = 0; i < Len; ++i) P[i] = upperThroughAnsi(P[i]);
    return Len;
}

BOOL WideApiGetStringTypeEx(LCID Locale, DWORD InfoType, const WCHAR* Text, int Count, WORD* Types) {
    if (PlatformHasWideApi()) return GetStringTypeExW(Locale, InfoType, Text, Count, Types);
    if (!Text || !Types || Count == 0 || Count < -1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Each character alone, so that a character of several bytes still gives one word.
    const std::size_t n = lengthOf(Text, Count);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string a = ansi(Text + i, 1);
        std::vector<WORD> types(a.size() + 1);
        if (!GetStringTypeExA(Locale, InfoType, a.c_str(), -1, types.data())) return FALSE;
        Types[i] = types[0];
    }
    return TRUE;
}

int WideApiLoadString(HMODULE Module, UINT Id, WCHAR* Buffer, int Max) {
    if (PlatformHasWideApi()) {
        if (!Buffer || Max <= 0) {
            LPCWSTR text = nullptr;
            return LoadStringW(Module, Id, reinterpret_cast<LPWSTR>(&text), 0);
        }
        return LoadStringW(Module, Id, Buffer, Max);
    }
    if ((Id >> 16) == 0xFFFF) Id = static_cast<UINT>(-static_cast<int>(Id));
    HRSRC res = FindResourceA(Module, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>((Id >> 4) + 1)), RT_STRING);
    if (!res) return 0;
    HGLOBAL data = LoadResource(Module, res);
    if (!data) return 0;
    const auto* p = static_cast<const unsigned char*>(LockResource(data));
    if (!p) return 0;
    const std::size_t size = SizeofResource(Module, res);
    std::size_t pos = 0;
    for (UINT i = 0; i < (Id & 15); ++i) {  // skip the entries before this one
        if (pos + 2 > size) return 0;
        WORD n = 0;
        std::memcpy(&n, p + pos, 2);
        pos += 2 + static_cast<std::size_t>(n) * 2;
    }
    if (pos + 2 > size) return 0;
    WORD length = 0;
    std::memcpy(&length, p + pos, 2);
    pos += 2;
    if (pos + static_cast<std::size_t>(length) * 2 > size) return 0;
    if (!Buffer || Max <= 0) return length;
    const int n = std::min<int>(Max - 1, length);
    std::memcpy(Buffer, p + pos, static_cast<std::size_t>(n) * 2);
    Buffer[n] = 0;
    return n;
}

namespace {
// A text through a byte buffer of `size` bytes of the code page, cut at a character.
void throughAnsiBuffer(const WCHAR* text, std::size_t size, WCHAR* out) {
    std::string a = ansi(text);
    if (a.size() > size - 1) {
        std::size_t keep = 0;
        while (keep < a.size()) {
            const std::size_t next = static_cast<std::size_t>(CharNextA(a.c_str() + keep) - a.c_str());
            if (next > size - 1 || next == keep) break;
            keep = next;
        }
        a.resize(keep);
    }
    const WideString w = wide(a.data(), a.size());
    std::copy(w.begin(), w.end(), out);
    out[w.size()] = 0;
}
}  // namespace

DWORD_PTR WideApiSHGetFileInfo(const WCHAR* Path, DWORD Attributes, SHFILEINFOW& Info, UINT InfoSize, UINT Flags) {
    if (PlatformHasWideApi()) return SHGetFileInfoW(Path, Attributes, &Info, InfoSize, Flags);
    if (InfoSize < sizeof(SHFILEINFOW)) return 0;
    WideString narrowed;
    const WCHAR* path = Path;
    if (Path && !(Flags & SHGFI_PIDL)) {
        const std::string a = ansi(Path);
        narrowed = wide(a.data(), a.size());
        path = narrowed.c_str();
    }
    SHFILEINFOW result{};
    const DWORD_PTR r = SHGetFileInfoW(path, Attributes, &result, sizeof result, Flags);
    Info = SHFILEINFOW{};
    Info.hIcon = result.hIcon;
    Info.iIcon = result.iIcon;
    Info.dwAttributes = result.dwAttributes;
    throughAnsiBuffer(result.szDisplayName, MAX_PATH, Info.szDisplayName);
    throughAnsiBuffer(result.szTypeName, 80, Info.szTypeName);
    return r;
}

void* WideShellEntryPoint(const char* Name) {
    // The library stays loaded until the process ends.
    struct Library {
        HMODULE handle = nullptr;
        ~Library() {
            if (handle) FreeLibrary(handle);
        }
    };
    static std::mutex mutex;
    static Library loaded;
    static std::map<std::string, void*> entries;
    HMODULE& library = loaded.handle;
    static const char* const kNames[] = {"SHFileOperationW", "SHBrowseForFolderW", "SHGetPathFromIDListW",
                                         "SHGetFileInfoW"};
    std::lock_guard lock(mutex);
    if (!library) {
        HMODULE h = WideApiLoadLibrary(u"shell32.dll");
        if (!h) RaiseLastSystemError();
        std::map<std::string, void*> found;
        for (const char* n : kNames) {
            FARPROC f = GetProcAddress(h, n);
            if (!f) {
                const DWORD error = GetLastError();
                FreeLibrary(h);
                SetLastError(error);
                RaiseLastSystemError();
            }
            found[n] = reinterpret_cast<void*>(f);
        }
        library = h;
        entries = std::move(found);
    }
    auto it = entries.find(Name ? Name : "");
    if (it == entries.end()) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        RaiseLastSystemError();
    }
    return it->second;
}

// ---- Comparison and case ------------------------------------------------------------------

int WideCompareStrLocale(const WideString& A, const WideString& B) {
    // The UTF-16 branch in one call, as the lists sort with it.
    if (PlatformHasWideApi()) return platform::compareStringThreadLocale(0, A, B) - 2;
    return WideApiCompareString(GetThreadLocale(), 0, A.data(), static_cast<int>(A.size()), B.data(),
                                static_cast<int>(B.size())) -
           2;
}

bool WideSameStrLocale(const WideString& A, const WideString& B) { return WideCompareStrLocale(A, B) == 0; }

int WideCompareTextLocale(const WideString& A, const WideString& B) {
    if (PlatformHasWideApi()) return platform::compareStringThreadLocale(NORM_IGNORECASE, A, B) - 2;
    return WideApiCompareString(GetThreadLocale(), NORM_IGNORECASE, A.data(), static_cast<int>(A.size()), B.data(),
                                static_cast<int>(B.size())) -
           2;
}

bool WideSameTextLocale(const WideString& A, const WideString& B) { return WideCompareTextLocale(A, B) == 0; }

WideString WideUpperCaseLocale(const WideString& S) {
    WideString r = S;
    if (!r.empty()) WideApiCharUpperBuff(r.data(), static_cast<DWORD>(r.size()));
    return r;
}

namespace {
bool isWordDelimiter(WCHAR c) { return c == 0 || WideIsSpace(c) || WideIsPunct(c); }
}  // namespace

WideString WideStringReplace(const WideString& S, const WideString& OldPattern, const WideString& NewPattern,
                             int Flags, bool WholeWord) {
    if (OldPattern.empty()) return S;
    const bool ignoreCase = Flags & wrfIgnoreCase;
    // Upper-casing keeps every length, so positions in the copies are positions in S.
    const WideString search = ignoreCase ? WideUpperCaseLocale(S) : S;
    const WideString pattern = ignoreCase ? WideUpperCaseLocale(OldPattern) : OldPattern;
    WideString out;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t m = search.find(pattern, pos);
        if (m == WideString::npos) {
            out.append(S, pos, WideString::npos);
            break;
        }
        const std::size_t end = m + pattern.size();
        if (WholeWord) {
            const WCHAR before = m == pos ? (out.empty() ? WCHAR(0) : out.back()) : S[m - 1];
            const WCHAR after = end < S.size() ? S[end] : WCHAR(0);
            if (!isWordDelimiter(before) || !isWordDelimiter(after)) {
                out.append(S, pos, end - pos);
                pos = end;
                continue;
            }
        }
        out.append(S, pos, m - pos);
        out += NewPattern;
        pos = end;
        if (!(Flags & wrfReplaceAll)) {
            out.append(S, pos, WideString::npos);
            break;
        }
    }
    return out;
}

// ---- Paths ------------------------------------------------------------------------------

WideString WideIncludeTrailingBackslash(const WideString& S) {
    return (!S.empty() && S.back() == u'/') ? S : S + u'/';
}

WideString WideExcludeTrailingBackslash(const WideString& S) {
    return (!S.empty() && S.back() == u'/') ? S.substr(0, S.size() - 1) : S;
}

WideString WideExtractFilePath(const WideString& S) {
    const auto slash = S.find_last_of(u'/');
    return slash == WideString::npos ? WideString() : S.substr(0, slash + 1);
}

WideString WideExtractFileDir(const WideString& S) {
    WideString path = WideExtractFilePath(S);
    // The root, and a separator after another one, stay.
    if (path.size() > 1 && path[path.size() - 2] != u'/') path.pop_back();
    return path;
}

WideString WideExtractFileDrive(const WideString&) { return {}; }

WideString WideExtractFileName(const WideString& S) {
    const auto slash = S.find_last_of(u'/');
    return slash == WideString::npos ? S : S.substr(slash + 1);
}

WideString WideExtractFileExt(const WideString& S) {
    const auto dot = S.find_last_of(u"./");
    return (dot == WideString::npos || S[dot] != u'.') ? WideString() : S.substr(dot);
}

// ---- Files ------------------------------------------------------------------------------

HANDLE WideFileCreate(const WideString& Name) {
    return WideApiCreateFile(Name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE WideFileOpen(const WideString& Name, UINT Mode) {
    static constexpr DWORD kAccess[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
    static constexpr DWORD kShare[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
    const UINT access = Mode & 3;
    const UINT share = (Mode & 0xF0) >> 4;
    if (access > 2 || share > 4) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    return WideApiCreateFile(Name.c_str(), kAccess[access], kShare[share], nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
}

DWORD WideFileGetAttr(const WideString& Name) { return WideApiGetFileAttributes(Name.c_str()); }

bool WideDirectoryExistsByAttr(const WideString& Name) {
    const DWORD a = WideFileGetAttr(Name);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool WideFileExistsByAttr(const WideString& Name) {
    const DWORD a = WideFileGetAttr(Name);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool WideDeleteFileByName(const WideString& Name) { return WideApiDeleteFile(Name.c_str()) != FALSE; }

WideString WideGetModuleFileName(HMODULE Module) {
    std::vector<WCHAR> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = WideApiGetModuleFileName(Module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) RaiseLastSystemError();
        if (n < buffer.size()) return WideString(buffer.data(), n);
        if (!PlatformHasWideApi()) return WideString(buffer.data(), n);  // the 8-bit call is cut there
        buffer.resize(buffer.size() * 2);  // cut: ask again with more room
    }
}

// ---- Characters -------------------------------------------------------------------------

WCHAR WideLastChar(const WideString& S) { return S.empty() ? WCHAR(0) : S.back(); }

namespace {
WORD characterType(WCHAR C) {
    WORD type = 0;
    if (!WideApiGetStringTypeEx(GetThreadLocale(), CT_CTYPE1, &C, 1, &type)) RaiseLastSystemError();
    return type;
}
}  // namespace

bool WideIsSpace(WCHAR C) { return characterType(C) & C1_SPACE; }

bool WideIsPunct(WCHAR C) { return characterType(C) & C1_PUNCT; }

bool CharIsAnsi(WCHAR C) {
    char out[8];
    BOOL used = FALSE;
    return WideCharToMultiByte(CP_ACP, 0, &C, 1, out, sizeof out, nullptr, &used) > 0 && !used;
}

void RaiseLastSystemError() { RaiseLastOSError(); }

std::uintptr_t CheckWin32Result(std::uintptr_t R) {
    if (R == 0) RaiseLastSystemError();
    return R;
}

// ---- Null-terminated texts ---------------------------------------------------------------

std::size_t WideStrLen(const WCHAR* P) { return lengthOf(P, -1); }

WCHAR* WideStrEnd(const WCHAR* P) { return const_cast<WCHAR*>(P + WideStrLen(P)); }

WCHAR* WideStrScan(const WCHAR* P, WCHAR C) {
    if (!P) return nullptr;
    for (;; ++P) {
        if (*P == C) return const_cast<WCHAR*>(P);
        if (!*P) return nullptr;
    }
}

WCHAR* WideStrLCopyBuf(WCHAR* Dest, const WCHAR* Source, std::size_t MaxLen) {
    std::size_t n = 0;
    if (Source)
        while (n < MaxLen && Source[n]) {
            Dest[n] = Source[n];
            ++n;
        }
    Dest[n] = 0;
    return Dest;
}

WCHAR* WideStrPLCopy(WCHAR* Dest, const std::string& Source, std::size_t MaxLen) {
    const WideString w = platform::ansiToWide(Source);
    return WideStrLCopyBuf(Dest, w.c_str(), MaxLen);
}

WCHAR* WideStrMove(WCHAR* Dest, const WCHAR* Source, std::size_t Count) {
    if (Count) std::memmove(Dest, Source, Count * sizeof(WCHAR));
    return Dest;
}

WCHAR* WideStrAlloc(std::size_t Size) {
    const std::size_t bytes = sizeof(std::uint32_t) + Size * sizeof(WCHAR);
    auto* block = static_cast<unsigned char*>(std::malloc(bytes));
    if (!block) throw std::bad_alloc();
    const auto word = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &word, sizeof word);
    return reinterpret_cast<WCHAR*>(block + sizeof word);
}

WCHAR* WideStrNew(const WCHAR* P) {
    if (!P) return nullptr;
    const std::size_t n = WideStrLen(P);
    WCHAR* r = WideStrAlloc(n + 1);
    std::copy_n(P, n + 1, r);
    return r;
}

void WideStrDispose(WCHAR* P) {
    if (P) std::free(reinterpret_cast<unsigned char*>(P) - sizeof(std::uint32_t));
}

std::uint32_t WideStrBufSize(const WCHAR* P) {
    if (!P) return 0;
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<const unsigned char*>(P) - sizeof bytes, sizeof bytes);
    return static_cast<std::uint32_t>((bytes - sizeof bytes) / sizeof(WCHAR));
}
