// The registry: the per-user hive (HKEY_CURRENT_USER) kept in a text file under
// $XDG_CONFIG_HOME/tessellon/ (default ~/.config/tessellon/registry.ini); the other roots
// are empty and read-only.
//
// The file has one section per key, "[Software\Tessellon\TGammaForm]", and one line per
// value, "name=type:data" ("@" names the default value): text:, expand: and list: (items
// separated by ",") hold text with "%XX" escapes of UTF-8 bytes, dword: and qword: decimal
// numbers, bytes: and bytes(type): hexadecimal bytes. Key and value names are compared
// without regard to case and keep the case they were created with.
//
// Every change is written at once through a temporary file that replaces the hive, under a
// lock that other processes take too; a write that fails leaves the old file and makes the
// call fail. The file is read again whenever another process has replaced it. A damaged
// file reads as far as its lines make sense (a file that is no text at all: empty keys);
// the damaged file is kept beside as "registry.ini.damaged" before it is first replaced.
#pragma once

#include "platform/fileapi.h"
#include "platform/winerror.h"
#include "platform/wintypes.h"

#include <cstddef>
#include <string>

using LPDWORD = DWORD*;
using REGSAM = DWORD;
using LSTATUS = LONG;
using PHKEY = HKEY*;

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002u)))
#define HKEY_USERS (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000003u)))
#define HKEY_PERFORMANCE_DATA (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000004u)))
#define HKEY_CURRENT_CONFIG (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000005u)))
#define HKEY_DYN_DATA (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000006u)))

// Value types
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_DWORD_LITTLE_ENDIAN = 4;
inline constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
inline constexpr DWORD REG_LINK = 6;
inline constexpr DWORD REG_MULTI_SZ = 7;
inline constexpr DWORD REG_QWORD = 11;

// Access rights
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
inline constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
inline constexpr REGSAM DELETE_ACCESS = 0x00010000;
inline constexpr REGSAM READ_CONTROL = 0x00020000;
inline constexpr REGSAM KEY_READ = 0x00020019;
inline constexpr REGSAM KEY_WRITE = 0x00020006;
inline constexpr REGSAM KEY_EXECUTE = KEY_READ;
inline constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;

// RegCreateKeyEx options and dispositions
inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_OPTION_VOLATILE = 1;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Subkeys are given as paths with "\" between the names; a leading "\" is not allowed.
// Every call returns ERROR_SUCCESS or an error number (it does not set the last error).
LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                        const void* security, PHKEY result, LPDWORD disposition);
LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options, REGSAM access,
                        const void* security, PHKEY result, LPDWORD disposition);
LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result);
LSTATUS RegCloseKey(HKEY key);
LSTATUS RegFlushKey(HKEY key);
// String values always come back terminated; *size is the bytes written, or needed (with
// ERROR_MORE_DATA) when the buffer is too small; a null buffer asks for the size.
LSTATUS RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size);
LSTATUS RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size);
// String data are taken up to their first null (or `size`), so an unterminated text is kept whole.
LSTATUS RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LSTATUS RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LSTATUS RegDeleteValueA(HKEY key, LPCSTR name);
LSTATUS RegDeleteValueW(HKEY key, LPCWSTR name);
// Only a key without subkeys can be deleted (ERROR_ACCESS_DENIED otherwise).
LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey);
LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey);
// Subkeys in the order of their names without regard to case; values in the order they were
// made. *nameSize: characters without the terminator (in and out). ERROR_NO_MORE_ITEMS past
// the end.
LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPSTR keyClass,
                      LPDWORD classSize, FILETIME* lastWrite);
LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameSize, LPDWORD reserved, LPWSTR keyClass,
                      LPDWORD classSize, FILETIME* lastWrite);
LSTATUS RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPDWORD type,
                      LPBYTE data, LPDWORD dataSize);
LSTATUS RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameSize, LPDWORD reserved, LPDWORD type,
                      LPBYTE data, LPDWORD dataSize);
// Lengths in characters without terminators; data lengths in bytes (of the W form).
LSTATUS RegQueryInfoKeyA(HKEY key, LPSTR keyClass, LPDWORD classSize, LPDWORD reserved, LPDWORD subKeys,
                         LPDWORD maxSubKeyLen, LPDWORD maxClassLen, LPDWORD values, LPDWORD maxValueNameLen,
                         LPDWORD maxValueLen, LPDWORD securityDescriptor, FILETIME* lastWrite);
LSTATUS RegQueryInfoKeyW(HKEY key, LPWSTR keyClass, LPDWORD classSize, LPDWORD reserved, LPDWORD subKeys,
                         LPDWORD maxSubKeyLen, LPDWORD maxClassLen, LPDWORD values, LPDWORD maxValueNameLen,
                         LPDWORD maxValueLen, LPDWORD securityDescriptor, FILETIME* lastWrite);

namespace platform {

// The folder of the program's settings: $XDG_CONFIG_HOME/tessellon (by default
// ~/.config/tessellon), without a trailing "/".
std::string userConfigFolder();
// The hive file in use.
std::string registryHivePath();
// Puts the per-user hive into another file (tests use a temporary one); empty goes back to
// the default. Open keys stay valid and refer to the new hive.
void setRegistryHive(const std::string& path);
// Number of open key handles (tests use it to see that keys are closed).
std::size_t openRegistryKeys();

}  // namespace platform
