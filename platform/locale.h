// Locales: identifiers, locale information, string comparison and character types.
// Comparison goes through Qt's collator for one settable locale (the user's locale unless
// platform::setCollationLocale chooses another), cached per thread and mode.
#pragma once

#include "platform/winerror.h"
#include "platform/wintypes.h"

#include <string>
#include <string_view>

using LCID = DWORD;
using LANGID = WORD;
using LCTYPE = DWORD;
TESSELLON_DECLARE_HANDLE(HKL);

inline constexpr LCID LOCALE_NEUTRAL = 0x0000;
inline constexpr LCID LOCALE_INVARIANT = 0x007F;
inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
inline constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
inline constexpr WORD SORT_DEFAULT = 0;

inline constexpr LANGID MAKELANGID(WORD primary, WORD sub) { return static_cast<LANGID>(sub << 10 | primary); }
inline constexpr WORD PRIMARYLANGID(LANGID id) { return static_cast<WORD>(id & 0x3FF); }
inline constexpr WORD SUBLANGID(LANGID id) { return static_cast<WORD>(id >> 10); }
inline constexpr LCID MAKELCID(LANGID lang, WORD sort) { return static_cast<LCID>(sort) << 16 | lang; }
inline constexpr LANGID LANGIDFROMLCID(LCID id) { return static_cast<LANGID>(id & 0xFFFF); }

// CompareString flags
inline constexpr DWORD NORM_IGNORECASE = 0x00000001;
inline constexpr DWORD NORM_IGNORENONSPACE = 0x00000002;
inline constexpr DWORD NORM_IGNORESYMBOLS = 0x00000004;
inline constexpr DWORD SORT_DIGITSASNUMBERS = 0x00000008;
inline constexpr DWORD LINGUISTIC_IGNORECASE = 0x00000010;
inline constexpr DWORD LINGUISTIC_IGNOREDIACRITIC = 0x00000020;
inline constexpr DWORD SORT_STRINGSORT = 0x00001000;  // the only sort offered: symbols count
inline constexpr DWORD NORM_IGNOREWIDTH = 0x00020000;
inline constexpr DWORD NORM_LINGUISTIC_CASING = 0x08000000;

inline constexpr int CSTR_LESS_THAN = 1;
inline constexpr int CSTR_EQUAL = 2;
inline constexpr int CSTR_GREATER_THAN = 3;

// GetLocaleInfo types
inline constexpr LCTYPE LOCALE_ILANGUAGE = 0x0001;
inline constexpr LCTYPE LOCALE_IDEFAULTCODEPAGE = 0x000B;
inline constexpr LCTYPE LOCALE_SDECIMAL = 0x000E;
inline constexpr LCTYPE LOCALE_STHOUSAND = 0x000F;
inline constexpr LCTYPE LOCALE_SISO639LANGNAME = 0x0059;
inline constexpr LCTYPE LOCALE_SISO3166CTRYNAME = 0x005A;
inline constexpr LCTYPE LOCALE_SENGLANGUAGE = 0x1001;
inline constexpr LCTYPE LOCALE_IDEFAULTANSICODEPAGE = 0x1004;

// Character types
inline constexpr DWORD CT_CTYPE1 = 0x1;
inline constexpr WORD C1_UPPER = 0x0001;
inline constexpr WORD C1_LOWER = 0x0002;
inline constexpr WORD C1_DIGIT = 0x0004;
inline constexpr WORD C1_SPACE = 0x0008;
inline constexpr WORD C1_PUNCT = 0x0010;  // punctuation and symbols
inline constexpr WORD C1_CNTRL = 0x0020;
inline constexpr WORD C1_BLANK = 0x0040;
inline constexpr WORD C1_XDIGIT = 0x0080;
inline constexpr WORD C1_ALPHA = 0x0100;
inline constexpr WORD C1_DEFINED = 0x0200;

LCID GetThreadLocale();
BOOL SetThreadLocale(LCID locale);
LCID GetUserDefaultLCID();
LCID GetSystemDefaultLCID();
LANGID GetUserDefaultLangID();
LANGID GetSystemDefaultLangID();
BOOL IsValidLocale(LCID locale, DWORD flags);
// The keyboard layout: its low word is the language of the collation locale.
HKL GetKeyboardLayout(DWORD threadId);

// Texts including the terminator; size 0 asks for the size needed.
int GetLocaleInfoA(LCID locale, LCTYPE type, LPSTR buffer, int size);
int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR buffer, int size);

// Lengths of -1 mean null-terminated texts. Returns CSTR_LESS_THAN, CSTR_EQUAL or
// CSTR_GREATER_THAN, or 0 on failure (bad locale, flags or parameters).
int CompareStringA(LCID locale, DWORD flags, LPCSTR a, int lengthA, LPCSTR b, int lengthB);
int CompareStringW(LCID locale, DWORD flags, LPCWSTR a, int lengthA, LPCWSTR b, int lengthB);
int lstrcmpA(LPCSTR a, LPCSTR b);
int lstrcmpW(LPCWSTR a, LPCWSTR b);
int lstrcmpiA(LPCSTR a, LPCSTR b);
int lstrcmpiW(LPCWSTR a, LPCWSTR b);
int lstrlenA(LPCSTR text);
int lstrlenW(LPCWSTR text);

// One type word per character (per byte for the 8-bit forms, each byte of a character
// getting that character's type).
BOOL GetStringTypeExA(LCID locale, DWORD infoType, LPCSTR text, int length, WORD* types);
BOOL GetStringTypeExW(LCID locale, DWORD infoType, LPCWSTR text, int length, WORD* types);
BOOL GetStringTypeW(DWORD infoType, LPCWSTR text, int length, WORD* types);

namespace platform {

// Chooses the locale of comparisons and of the thread locale by its name ("de_DE", "C").
void setCollationLocale(std::string_view name);
std::string collationLocaleName();

// A locale comparison of two UTF-16 texts by the CompareString flags: below, equal to or
// above 0. The texts are compared in place.
int compareLocale(std::u16string_view a, std::u16string_view b, DWORD flags = 0);
// CompareStringW in the thread's locale, in one call (for sorting).
int compareStringThreadLocale(DWORD flags, std::u16string_view a, std::u16string_view b);

}  // namespace platform
