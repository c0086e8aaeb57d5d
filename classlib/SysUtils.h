// The class library's utility routines: the shared number module (parsing and formatting
// integers and reals on long double), Format, string helpers, paths, files and dates.
//
// Numbers: the decimal separator is DecimalSeparator ('.'), the thousands separator
// ThousandSeparator (','). Formatting works on the value's decimal form of 18 significant
// digits (the exact digits rounded half to even there, as the class library's extended
// type shows them) and rounds half away from zero at the last wanted digit, so 0.125 with
// two decimals gives "0.13" and a long double read from "2.675" gives "2.68". Round
// (System.h) takes halves to the even neighbour.
#pragma once

#include "classlib/System.h"

#include <initializer_list>
#include <string>
#include <string_view>

// ---- Number settings ---------------------------------------------------------------------

extern char DecimalSeparator;
extern char ThousandSeparator;

// ---- Integers ----------------------------------------------------------------------------

// Decimal with an optional sign, or hexadecimal after "$" or "0x" (leading blanks allowed,
// nothing after the digits). StrToInt takes 32-bit values (hexadecimal up to $FFFFFFFF,
// which wraps to negative numbers); anything else raises EConvertError
// "'%s' is not a valid integer value".
Integer StrToInt(const String& S);
Integer StrToIntDef(const String& S, Integer Default);
bool TryStrToInt(const String& S, Integer& Value);
// The same for 64 bits; hexadecimal up to 16 digits.
Int64 StrToInt64(const String& S);
Int64 StrToInt64Def(const String& S, Int64 Default);
bool TryStrToInt64(const String& S, Int64& Value);

String IntToStr(int Value);
String IntToStr(long Value);
String IntToStr(long long Value);
String IntToStr(unsigned Value);
String IntToStr(unsigned long Value);
String IntToStr(unsigned long long Value);
String UIntToStr(UInt64 Value);
// Upper-case hexadecimal digits, at least Digits of them; negative values show their
// two's complement in the width of their type (32 bits for int, 64 bits for 64-bit types).
String IntToHex(int Value, int Digits);
String IntToHex(unsigned Value, int Digits);
String IntToHex(long Value, int Digits);
String IntToHex(unsigned long Value, int Digits);
String IntToHex(long long Value, int Digits);
String IntToHex(unsigned long long Value, int Digits);

// ---- Reals -------------------------------------------------------------------------------

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// Optional blanks, an optional sign, digits with at most one DecimalSeparator, an optional
// exponent ("E" or "e", optional sign, digits), optional blanks. No thousands separators.
// A value beyond the range of long double is not valid.
bool TextToFloat(const String& S, long double& Value);
long double StrToFloat(const String& S);  // EConvertError "'%s' is not a valid floating point value"
long double StrToFloatDef(const String& S, long double Default);
bool TryStrToFloat(const String& S, long double& Value);

// ffGeneral with 15 significant digits.
String FloatToStr(long double Value);
// Format: ffGeneral (Precision significant digits, trailing zeros removed, scientific when
// the integer part has more digits than Precision or the value is below 0.0001; Digits is
// the minimum of exponent digits), ffExponent (Precision digits, "E", sign, at least Digits
// exponent digits), ffFixed (Digits decimals; scientific when the integer part has more
// digits than Precision), ffNumber (ffFixed with thousands separators), ffCurrency (as
// ffNumber). Precision is taken into 1..21, Digits into 0..18. Infinities and NaN give
// "INF", "-INF" and "NAN".
String FloatToStrF(long double Value, TFloatFormat Format, int Precision, int Digits);

// Decimal digits of Value (its 18-digit form, or Precision digits when more) rounded half
// away from zero: Digits holds the significant digits without trailing zeros ("" for
// zero), and the value is 0.Digits x 10^Exponent.
struct TFloatRec {
    int Exponent = 0;
    bool Negative = false;
    bool Infinite = false;
    bool NaN = false;
    String Digits;
};
// At most Precision significant digits and at most Decimals digits after the point
// (Decimals at 9999 or more means no limit there).
TFloatRec FloatToDecimal(long double Value, int Precision, int Decimals);

// ---- Format ------------------------------------------------------------------------------

// Format specifiers: "%" [index ":"] ["-"] [width] ["." precision] type, with "*" for width
// or precision taken from the next argument, and "%%" for "%". Types: d (decimal; precision
// is the minimum of digits), u (unsigned), x (upper-case hexadecimal), e (scientific,
// precision digits, default 15), f (fixed, precision decimals, default 2), g (general,
// default 15), n (fixed with thousands separators, default 2), s (string; precision is the
// maximum of characters), p (pointer, 16 hexadecimal digits). A wrong format or an argument
// that does not fit raises EConvertError.
String Format(const String& Fmt, std::initializer_list<TVarRec> Args);
String Format(const String& Fmt, const TVarRecs& Args);

// ---- Strings -----------------------------------------------------------------------------

// ASCII letters only.
String UpperCase(const String& S);
String LowerCase(const String& S);
int CompareStr(const String& S1, const String& S2);
int CompareText(const String& S1, const String& S2);
bool SameStr(const String& S1, const String& S2);
bool SameText(const String& S1, const String& S2);
// Letters of the ANSI code page, and comparisons by the platform's locale.
String AnsiUpperCase(const String& S);
String AnsiLowerCase(const String& S);
int AnsiCompareStr(const String& S1, const String& S2);
int AnsiCompareText(const String& S1, const String& S2);
bool AnsiSameStr(const String& S1, const String& S2);
bool AnsiSameText(const String& S1, const String& S2);

// Blanks and control characters (up to and including ' ') at the ends.
String Trim(const String& S);
String TrimLeft(const String& S);
String TrimRight(const String& S);

// 'text' with every quote doubled.
String QuotedStr(const String& S);
String AnsiQuotedStr(const String& S, char Quote);
// The text between leading Quote characters, undoubling doubled quotes; Pos moves past the
// closing quote (or to the end). A text that does not start with Quote gives "".
String AnsiExtractQuotedStr(const String& S, std::size_t& Pos, char Quote);
String AnsiDequotedStr(const String& S, char Quote);

enum TReplaceFlag { rfReplaceAll = 1, rfIgnoreCase = 2 };
String StringReplace(const String& S, const String& OldPattern, const String& NewPattern, int Flags);

// A letter or "_" followed by letters, digits or "_" (ASCII); with AllowDots also dotted
// identifiers ("Font.Name").
bool IsValidIdent(const String& Ident, bool AllowDots = false);
// Index of the last character of S that is one of Delimiters, or -1.
int LastDelimiter(const String& Delimiters, const String& S);

// ---- Paths and files ---------------------------------------------------------------------

// Paths use "/" only. ExtractFilePath keeps the trailing "/"; ExtractFileDir drops it
// unless the folder is the root; ExtractFileExt starts at the last "." of the name part.
String ExtractFilePath(const String& FileName);
String ExtractFileDir(const String& FileName);
String ExtractFileName(const String& FileName);
String ExtractFileExt(const String& FileName);
String ChangeFileExt(const String& FileName, const String& Extension);
String IncludeTrailingPathDelimiter(const String& S);
String ExcludeTrailingPathDelimiter(const String& S);
String ExpandFileName(const String& FileName);

bool FileExists(const String& FileName);       // an existing file that is not a folder
bool DirectoryExists(const String& Directory);
bool DeleteFile(const String& FileName);
bool RenameFile(const String& OldName, const String& NewName);
bool CreateDir(const String& Dir);
bool RemoveDir(const String& Dir);
bool ForceDirectories(const String& Dir);      // creates every missing folder of the path
String GetCurrentDir();
bool SetCurrentDir(const String& Dir);

// File handles of the platform (platform/fileapi.h). Mode: fmOpenRead, fmOpenWrite or
// fmOpenReadWrite combined with one fmShare value; the invalid handle on failure.
using THandle = HANDLE;
inline constexpr Word fmCreate = 0xFFFF;
inline constexpr Word fmOpenRead = 0x0000;
inline constexpr Word fmOpenWrite = 0x0001;
inline constexpr Word fmOpenReadWrite = 0x0002;
inline constexpr Word fmShareCompat = 0x0000;
inline constexpr Word fmShareExclusive = 0x0010;
inline constexpr Word fmShareDenyWrite = 0x0020;
inline constexpr Word fmShareDenyRead = 0x0030;
inline constexpr Word fmShareDenyNone = 0x0040;
THandle FileOpen(const String& FileName, Word Mode);
THandle FileCreate(const String& FileName);
// Bytes moved, or -1 on failure.
Int64 FileRead(THandle Handle, void* Buffer, Int64 Count);
Int64 FileWrite(THandle Handle, const void* Buffer, Int64 Count);
// Origin 0 from the start, 1 from the current position, 2 from the end; the new position
// or -1.
Int64 FileSeek(THandle Handle, Int64 Offset, int Origin);
void FileClose(THandle Handle);

// ---- Dates -------------------------------------------------------------------------------

TDateTime EncodeDate(Word Year, Word Month, Word Day);  // EConvertError for a bad date
TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec);
void DecodeDate(TDateTime Date, Word& Year, Word& Month, Word& Day);
void DecodeTime(TDateTime Time, Word& Hour, Word& Min, Word& Sec, Word& MSec);
bool IsLeapYear(Word Year);
TDateTime Now();   // local time
TDateTime Date();  // today, local time
TDateTime Time();  // the time of day, local time
