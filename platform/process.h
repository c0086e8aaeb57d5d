// The process: its arguments, executable, modules, resources, environment and folders.
#pragma once

#include "platform/winerror.h"
#include "platform/wintypes.h"

#include <string>
#include <string_view>
#include <vector>

using FARPROC = void (*)();
TESSELLON_DECLARE_HANDLE(HRSRC);

#ifndef RT_STRING
#define RT_STRING (reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(6)))
#endif
#ifndef RT_RCDATA
#define RT_RCDATA (reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(10)))
#endif

// The executable's path (from the real executable; no terminator and `size` returned when
// it does not fit, with ERROR_INSUFFICIENT_BUFFER). Module null means the executable.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);
HMODULE GetModuleHandleA(LPCSTR name);
HMODULE GetModuleHandleW(LPCWSTR name);

// Modules are the program's own tables of entry points (see platform::registerModule);
// names match without case, folder or a ".dll" ending. GetProcAddress takes a name or an
// ordinal (a value below 0x10000).
HMODULE LoadLibraryA(LPCSTR name);
HMODULE LoadLibraryW(LPCWSTR name);
BOOL FreeLibrary(HMODULE module);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);

// Resources of a module (see platform::addResource). Names and types are texts (compared
// without case) or numbers below 0x10000.
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);
// A string of the string table; size 0 with LoadStringW gives a read-only pointer to the
// text in *buffer and its length.
int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size);
int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int size);

// Temporary folder from TMPDIR, TMP or TEMP (else "/tmp"), absolute, ending in "/".
// A result below the size is the length written, otherwise the size needed.
DWORD GetTempPathA(DWORD size, LPSTR buffer);
DWORD GetTempPathW(DWORD size, LPWSTR buffer);
// The system's folder: "/".
UINT GetWindowsDirectoryA(LPSTR buffer, UINT size);
UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size);
DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size);
DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size);

DWORD GetCurrentProcessId();
DWORD GetCurrentThreadId();

// Number x Numerator / Denominator in 64 bits, rounded to the nearest integer (halves away
// from zero); -1 for a zero denominator or a result outside 32 bits.
int MulDiv(int Number, int Numerator, int Denominator);

namespace platform {

// The program's arguments as given; main calls setArguments. Without it they are read
// from the process's own command line.
void setArguments(int argc, char** argv);
const std::vector<std::string>& arguments();
// Argument `index` as UTF-16 (empty when there is none).
std::u16string wideArgument(std::size_t index);

// The executable's module handle (what GetModuleHandle(null) gives).
HMODULE programModule();

struct ModuleExport {
    std::string name;  // may be empty for an entry reached by ordinal only
    WORD ordinal;      // 0 when it has none
    void* address;
};
// Makes a table of entry points loadable by name; the same name replaces the table.
HMODULE registerModule(std::u16string_view name, std::vector<ModuleExport> exports);

// Adds a resource to a module (null: the executable); numbers as MAKEINTRESOURCE values.
void addResource(HMODULE module, LPCWSTR type, LPCWSTR name, std::string data);
// Puts one string into the module's string table (blocks of 16 counted UTF-16 texts).
void addStringResource(HMODULE module, UINT id, std::u16string_view text);

}  // namespace platform
