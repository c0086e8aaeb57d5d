// Conversions between UTF-16 strings and byte strings: UTF-8, UTF-7, the platform's code
// pages, byte-order swapping, the keyboard's code page, command-line parameters and
// resource strings.
#pragma once

#include "classlib/System.h"
#include "platform/locale.h"
#include "platform/process.h"
#include "platform/wintypes.h"

#include <string>

// Errors of the wide-text layer.
TESSELLON_EXCEPTION(EWideGeneralError, Exception);
TESSELLON_EXCEPTION(EWideInternalError, Exception);

// The layer's own texts.
inline constexpr const char* SWideInvalidUtf7 = "Invalid UTF7";
inline constexpr const char* SWideBufferOverflow = "Buffer overflow";

// The code page of the ANSI view of wide lists that were given none (0: the system's).
extern UINT DefaultUserCodePage;

// UTF-8 of a UTF-16 text. A surrogate pair becomes one four-byte sequence; a surrogate
// without its partner is written as three bytes like any other code unit.
std::string WideToUtf8(const WideString& S);
// UTF-16 of UTF-8 bytes; empty for malformed input (overlong forms, stray continuation
// bytes, leads 0xF5..0xFF, values above U+10FFFF, cut sequences). Three-byte encoded
// surrogates, as WideToUtf8 writes them, are accepted.
WideString Utf8ToWide(const std::string& S);

// Buffer forms. Sizes include the terminator; the result is the count written plus one
// (the terminator), or -1 for malformed UTF-8. Without a destination they only count.
int UnicodeToUtf8(char* Dest, unsigned MaxDestBytes, const WCHAR* Source, unsigned SourceChars);
int Utf8ToUnicode(WCHAR* Dest, unsigned MaxDestChars, const char* Source, unsigned SourceBytes);

// UTF-7 (RFC 2152; the optional direct characters are written directly).
std::string WideToUtf7(const WideString& S);
// Raises EWideGeneralError "Invalid UTF7" for malformed input.
WideString Utf7ToWide(const std::string& S);

// 65000 UTF-7, 65001 UTF-8, any other number through the platform (0: the ANSI code
// page); an unknown code page gives an empty text.
WideString StringToWideStringEx(const std::string& S, UINT CodePage);
std::string WideStringToStringEx(const WideString& W, UINT CodePage);

UINT CodePageFromLocale(LCID Locale);
UINT KeyboardCodePage();
// A value below 256 is a byte of the keyboard's code page; others are returned unchanged.
WCHAR AnsiCharToWideChar(WORD C);

void StrSwapByteOrder(WCHAR* P);

// Parameter 0 is the program's module file name; the others are the program's arguments
// as given, whole (no length limit); an empty text beyond the last.
WideString WideCommandLineParam(int Index);

// A resource string: an identifier up to 0xFFFF in a module's string table, or the
// address of a null-terminated text (UTF-8 after the bytes EF BB BF, else ANSI).
WideString WideLoadResString(PResStringRec ResRec);
