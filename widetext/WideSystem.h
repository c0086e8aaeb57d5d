// The bottom of the wide-text layer: the platform switch, wrappers that call the UTF-16
// platform functions on UTF-16 windows and otherwise convert and call the 8-bit ones,
// and wide string utilities (locale comparison, formatting, replacing, paths, files,
// null-terminated texts). The encodings of WideEncodings.h belong to this unit too.
#pragma once

#include "classlib/System.h"
#include "platform/fileapi.h"
#include "platform/gdi.h"
#include "platform/locale.h"
#include "platform/process.h"
#include "platform/winuser.h"
#include "widetext/WideEncodings.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <variant>
#include <vector>

class TComponent;
struct SHFILEINFOW;

// Whether the process runs on UTF-16 windows (the platform switch; tests turn it off).
bool PlatformHasWideApi();
// The platform is of version 5.1 or later.
bool PlatformIsXPOrLater();

// ---- Wrappers ---------------------------------------------------------------------------

BOOL WideApiSetWindowText(HWND Wnd, const WCHAR* Text);
HANDLE WideApiCreateFile(const WCHAR* Name, DWORD Access, DWORD Share, LPSECURITY_ATTRIBUTES Security,
                         DWORD Disposition, DWORD Flags, HANDLE Template);
HANDLE WideApiFindFirstFile(const WCHAR* Name, WIN32_FIND_DATAW& FindData);
BOOL WideApiFindNextFile(HANDLE Handle, WIN32_FIND_DATAW& FindData);
DWORD WideApiGetFileAttributes(const WCHAR* Name);
BOOL WideApiDeleteFile(const WCHAR* Name);
// Count -1 draws the whole null-terminated text.
int WideApiDrawText(HDC DC, const WCHAR* Text, int Count, RECT& Rect, UINT Format);
DWORD WideApiGetModuleFileName(HMODULE Module, WCHAR* Buffer, DWORD Size);
DWORD WideApiGetTempPath(DWORD Size, WCHAR* Buffer);
UINT WideApiGetWindowsDirectory(WCHAR* Buffer, UINT Size);
HMODULE WideApiLoadLibrary(const WCHAR* Name);
int WideApiCompareString(LCID Locale, DWORD Flags, const WCHAR* S1, int Len1, const WCHAR* S2, int Len2);
WCHAR* WideApiCharUpper(WCHAR* P);
DWORD WideApiCharUpperBuff(WCHAR* P, DWORD Len);
// One type word per UTF-16 character of the text in both branches.
BOOL WideApiGetStringTypeEx(LCID Locale, DWORD InfoType, const WCHAR* Text, int Count, WORD* Types);
int WideApiLoadString(HMODULE Module, UINT Id, WCHAR* Buffer, int Max);
// File information of the shell (platform/shellapi.h). The 8-bit branch passes the path
// through the code page (an item-id list as it is) and the display name and type name
// through 260 and 80 bytes of it; icon, icon index and attributes are kept.
DWORD_PTR WideApiSHGetFileInfo(const WCHAR* Path, DWORD Attributes, SHFILEINFOW& Info, UINT InfoSize, UINT Flags);

// An entry point of the platform's shell library ("SHFileOperationW",
// "SHBrowseForFolderW", "SHGetPathFromIDListW", "SHGetFileInfoW"), bound on first use;
// a missing library or entry raises the last system error.
void* WideShellEntryPoint(const char* Name);

// ---- String utilities ---------------------------------------------------------------------

// An argument of WideFormatText.
using TWideFormatArg = std::variant<int, long long, unsigned long long, long double, WideString, std::string, WCHAR,
                                    const void*>;
struct WideFormatArg {
    TWideFormatArg value;
    WideFormatArg(int v) : value(v) {}
    WideFormatArg(long v) : value(static_cast<long long>(v)) {}
    WideFormatArg(long long v) : value(v) {}
    WideFormatArg(unsigned v) : value(static_cast<int>(v)) {}
    WideFormatArg(unsigned long v) : value(static_cast<unsigned long long>(v)) {}
    WideFormatArg(unsigned long long v) : value(v) {}
    WideFormatArg(double v) : value(static_cast<long double>(v)) {}
    WideFormatArg(long double v) : value(v) {}
    WideFormatArg(const WideString& v) : value(v) {}
    WideFormatArg(const WCHAR* v) : value(WideString(v ? v : u"")) {}
    WideFormatArg(const std::string& v) : value(v) {}
    WideFormatArg(const char* v) : value(std::string(v ? v : "")) {}
    WideFormatArg(WCHAR v) : value(v) {}
    WideFormatArg(const void* v) : value(v) {}
};

// The class library's Format in UTF-16: %[index:][-][width][.precision]type with the
// types d u x e f g n m p s; "*" takes a width or precision from the arguments. Widths
// count UTF-16 code units. A bad format or argument raises EConvertError.
WideString WideFormatText(const WideString& Format, const std::vector<WideFormatArg>& Args);
WideString WideFormatText(const WideString& Format, std::initializer_list<WideFormatArg> Args);

int WideCompareStrLocale(const WideString& A, const WideString& B);
bool WideSameStrLocale(const WideString& A, const WideString& B);
int WideCompareTextLocale(const WideString& A, const WideString& B);
bool WideSameTextLocale(const WideString& A, const WideString& B);
WideString WideUpperCaseLocale(const WideString& S);

// Flags of WideStringReplace.
inline constexpr int wrfReplaceAll = 1;
inline constexpr int wrfIgnoreCase = 2;
WideString WideStringReplace(const WideString& S, const WideString& OldPattern, const WideString& NewPattern,
                             int Flags, bool WholeWord = false);

// Paths with "/" (no drives; the colon is an ordinary character).
WideString WideIncludeTrailingBackslash(const WideString& S);
WideString WideExcludeTrailingBackslash(const WideString& S);
WideString WideExtractFilePath(const WideString& S);
WideString WideExtractFileDir(const WideString& S);
WideString WideExtractFileDrive(const WideString& S);
WideString WideExtractFileName(const WideString& S);
WideString WideExtractFileExt(const WideString& S);

// Files by wide name; INVALID_HANDLE_VALUE on failure (also for modes outside the table).
HANDLE WideFileCreate(const WideString& Name);
HANDLE WideFileOpen(const WideString& Name, UINT Mode);
DWORD WideFileGetAttr(const WideString& Name);
bool WideDirectoryExistsByAttr(const WideString& Name);
bool WideFileExistsByAttr(const WideString& Name);
bool WideDeleteFileByName(const WideString& Name);
// The module's file name; raises the last system error when it cannot be had.
WideString WideGetModuleFileName(HMODULE Module);

WCHAR WideLastChar(const WideString& S);
bool WideIsSpace(WCHAR C);
bool WideIsPunct(WCHAR C);
bool CharIsAnsi(WCHAR C);
// Whether a component offers an interface (a base class of the interface's type).
template <class Interface>
bool SupportsInterface(TComponent* Component) {
    return Component && dynamic_cast<Interface*>(Component) != nullptr;
}

[[noreturn]] void RaiseLastSystemError();
std::uintptr_t CheckWin32Result(std::uintptr_t R);

// Null-terminated wide texts. WideStrAlloc and WideStrNew keep a 32-bit size word (bytes,
// the word included) before the characters; free them with WideStrDispose.
std::size_t WideStrLen(const WCHAR* P);
WCHAR* WideStrEnd(const WCHAR* P);
WCHAR* WideStrScan(const WCHAR* P, WCHAR C);
WCHAR* WideStrLCopyBuf(WCHAR* Dest, const WCHAR* Source, std::size_t MaxLen);
WCHAR* WideStrPLCopy(WCHAR* Dest, const std::string& Source, std::size_t MaxLen);
WCHAR* WideStrMove(WCHAR* Dest, const WCHAR* Source, std::size_t Count);
WCHAR* WideStrAlloc(std::size_t Size);  // room for Size characters
WCHAR* WideStrNew(const WCHAR* P);
void WideStrDispose(WCHAR* P);
std::uint32_t WideStrBufSize(const WCHAR* P);
