// The class library's basic types: 8-bit and UTF-16 strings, resource strings, format
// arguments, exceptions and the rounding routines.
//
// String is 8-bit text in the process's ANSI code page (UTF-8 unless the platform chooses
// another); WideString is UTF-16. Conversions go through platform/codepage.h.
#pragma once

#include "platform/codepage.h"
#include "platform/wintypes.h"

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

using String = std::string;
using AnsiString = std::string;
using WideString = std::u16string;
using Char = char;
using AnsiChar = char;
using WideChar = char16_t;
using PChar = char*;
using PWideChar = char16_t*;

using Byte = std::uint8_t;
using ShortInt = std::int8_t;
using SmallInt = std::int16_t;
using Word = std::uint16_t;
using Integer = std::int32_t;
using LongInt = std::int32_t;
using Cardinal = std::uint32_t;
using LongWord = std::uint32_t;
using Int64 = std::int64_t;
using UInt64 = std::uint64_t;
using NativeInt = std::intptr_t;
using NativeUInt = std::uintptr_t;
using Single = float;
using Double = double;
using Extended = long double;
using Boolean = bool;
// Days since 30 December 1899; the fraction is the time of day.
using TDateTime = double;

// The line break of TStrings.Text and of text files written by the class library.
inline constexpr const char* sLineBreak = "\n";
inline constexpr char PathDelim = '/';

// ---- Conversions -------------------------------------------------------------------------

// 8-bit text in the ANSI code page to UTF-16 and back ("?" for characters without a mapping).
inline WideString AnsiToWide(std::string_view S) { return platform::ansiToWide(S); }
inline String WideToAnsi(std::u16string_view S) { return platform::wideToAnsi(S); }
// UTF-8 bytes and the ANSI code page (identical while the code page is UTF-8).
String Utf8ToAnsi(std::string_view S);
String AnsiToUtf8(std::string_view S);

// ---- Resource strings --------------------------------------------------------------------

// A resource string: an identifier up to 0xFFFF names an entry of a module's string table;
// a larger identifier is the address of the text itself. The class library's own texts
// (classlib/Consts.h) are UTF-8 texts led by the bytes EF BB BF.
struct TResStringRec {
    HMODULE* Module;
    std::uintptr_t Identifier;
    // A resource string reads as its text in the ANSI code page.
    operator String() const;
};
using PResStringRec = const TResStringRec*;

// The text of a resource string in the ANSI code page (empty for null).
String LoadResString(PResStringRec ResRec);
// The UTF-16 text of a resource string.
WideString LoadResStringW(PResStringRec ResRec);
// The text of the class library's string-table entry with this identifier (empty when none).
String LoadStr(int Ident);

// ---- Format arguments --------------------------------------------------------------------

// One argument of Format and of the formatting exception constructors.
class TVarRec {
public:
    enum class Kind { Integer, Int64, UInt64, Extended, String, WideString, Char, Pointer };

    TVarRec(int V) : kind_(Kind::Integer), int_(V) {}
    TVarRec(unsigned V) : kind_(Kind::Int64), int_(V) {}
    TVarRec(long V) : kind_(Kind::Int64), int_(V) {}
    TVarRec(long long V) : kind_(Kind::Int64), int_(V) {}
    TVarRec(unsigned long V) : kind_(Kind::UInt64), int_(static_cast<long long>(V)) {}
    TVarRec(unsigned long long V) : kind_(Kind::UInt64), int_(static_cast<long long>(V)) {}
    TVarRec(short V) : kind_(Kind::Integer), int_(V) {}
    TVarRec(unsigned short V) : kind_(Kind::Integer), int_(V) {}
    TVarRec(signed char V) : kind_(Kind::Integer), int_(V) {}
    TVarRec(unsigned char V) : kind_(Kind::Integer), int_(V) {}
    TVarRec(bool V) : kind_(Kind::Integer), int_(V ? 1 : 0) {}
    TVarRec(char V) : kind_(Kind::Char), str_(1, V) {}
    TVarRec(char16_t V) : kind_(Kind::WideString), wstr_(1, V) {}
    TVarRec(float V) : kind_(Kind::Extended), ext_(V) {}
    TVarRec(double V) : kind_(Kind::Extended), ext_(V) {}
    TVarRec(long double V) : kind_(Kind::Extended), ext_(V) {}
    TVarRec(const char* V) : kind_(Kind::String), str_(V ? V : "") {}
    TVarRec(const String& V) : kind_(Kind::String), str_(V) {}
    TVarRec(std::string_view V) : kind_(Kind::String), str_(V) {}
    TVarRec(const char16_t* V) : kind_(Kind::WideString), wstr_(V ? V : u"") {}
    TVarRec(const WideString& V) : kind_(Kind::WideString), wstr_(V) {}
    TVarRec(const TResStringRec& V) : kind_(Kind::String), str_(LoadResString(&V)) {}
    TVarRec(const void* V) : kind_(Kind::Pointer), ptr_(V) {}
    TVarRec(std::nullptr_t) : kind_(Kind::Pointer), ptr_(nullptr) {}

    Kind kind() const { return kind_; }
    bool isInteger() const { return kind_ == Kind::Integer || kind_ == Kind::Int64 || kind_ == Kind::UInt64; }
    bool isString() const { return kind_ == Kind::String || kind_ == Kind::WideString || kind_ == Kind::Char; }
    long long asInt64() const { return int_; }
    long double asExtended() const { return ext_; }
    // The text of a string argument in the ANSI code page.
    String asString() const;
    const void* asPointer() const { return ptr_; }

private:
    Kind kind_;
    long long int_ = 0;
    long double ext_ = 0;
    String str_;
    WideString wstr_;
    const void* ptr_ = nullptr;
};
using TVarRecs = std::vector<TVarRec>;

// ---- Exceptions --------------------------------------------------------------------------

// The root of the class library's exceptions. Message is text in the ANSI code page;
// what() gives it as UTF-8. The formatting constructors stand for the class library's
// CreateFmt, CreateRes and CreateResFmt:
//   throw EStringListError(SListIndexError, {Index});
//   throw EConvertError("'" + S + "' is wrong");
class Exception : public std::exception {
public:
    explicit Exception(const String& Msg) : Message(Msg) {}
    explicit Exception(const char* Msg) : Message(Msg ? Msg : "") {}
    Exception(const String& Fmt, std::initializer_list<TVarRec> Args);
    Exception(const String& Fmt, const TVarRecs& Args);
    explicit Exception(PResStringRec Res);
    Exception(PResStringRec Res, std::initializer_list<TVarRec> Args);
    Exception(const TResStringRec& Res, std::initializer_list<TVarRec> Args);
    ~Exception() override = default;

    const char* what() const noexcept override;
    // The class name ("EConvertError"); kinds declared with TESSELLON_EXCEPTION name themselves.
    virtual const char* ClassName() const { return "Exception"; }

    String Message;
    int HelpContext = 0;

private:
    mutable std::string what_;
};

// Declares an exception kind with the constructors of its base and its class name.
#define TESSELLON_EXCEPTION(Name, Base)                               \
    class Name : public Base {                                        \
    public:                                                           \
        using Base::Base;                                             \
        const char* ClassName() const override { return #Name; }      \
    }

TESSELLON_EXCEPTION(EAbort, Exception);
TESSELLON_EXCEPTION(EHeapException, Exception);
TESSELLON_EXCEPTION(EOutOfMemory, EHeapException);
TESSELLON_EXCEPTION(EInvalidPointer, EHeapException);
TESSELLON_EXCEPTION(EIntError, Exception);
TESSELLON_EXCEPTION(EDivByZero, EIntError);
TESSELLON_EXCEPTION(ERangeError, EIntError);
TESSELLON_EXCEPTION(EIntOverflow, EIntError);
TESSELLON_EXCEPTION(EMathError, Exception);
TESSELLON_EXCEPTION(EInvalidOp, EMathError);
TESSELLON_EXCEPTION(EZeroDivide, EMathError);
TESSELLON_EXCEPTION(EOverflow, EMathError);
TESSELLON_EXCEPTION(EUnderflow, EMathError);
TESSELLON_EXCEPTION(EInvalidCast, Exception);
TESSELLON_EXCEPTION(EConvertError, Exception);
TESSELLON_EXCEPTION(EAccessViolation, Exception);
TESSELLON_EXCEPTION(EInvalidOperation, Exception);
TESSELLON_EXCEPTION(EListError, Exception);
TESSELLON_EXCEPTION(EStringListError, EListError);
TESSELLON_EXCEPTION(EComponentError, Exception);
TESSELLON_EXCEPTION(EOutOfResources, Exception);
TESSELLON_EXCEPTION(EResNotFound, Exception);
TESSELLON_EXCEPTION(EStreamError, Exception);
TESSELLON_EXCEPTION(EFileStreamError, EStreamError);
TESSELLON_EXCEPTION(EFCreateError, EFileStreamError);
TESSELLON_EXCEPTION(EFOpenError, EFileStreamError);
TESSELLON_EXCEPTION(EFilerError, EStreamError);
TESSELLON_EXCEPTION(EReadError, EFilerError);
TESSELLON_EXCEPTION(EWriteError, EFilerError);
TESSELLON_EXCEPTION(EClassNotFound, EFilerError);
TESSELLON_EXCEPTION(EMethodNotFound, EFilerError);
TESSELLON_EXCEPTION(EInvalidImage, EFilerError);
TESSELLON_EXCEPTION(EParserError, Exception);
TESSELLON_EXCEPTION(EThread, Exception);
TESSELLON_EXCEPTION(EPropertyError, Exception);

// An operating-system failure with the platform's error number.
class EOSError : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const override { return "EOSError"; }
    DWORD ErrorCode = 0;
};

// Raises EAbort, the silent exception that ends an operation.
[[noreturn]] void Abort();
// Raises EOSError for the thread's last platform error.
[[noreturn]] void RaiseLastOSError();

// ---- Rounding ----------------------------------------------------------------------------

// To the nearest integer, halves to the even neighbour. NaN and values outside the 64-bit
// range raise EInvalidOp.
Int64 Round(long double X);
// Toward zero; NaN and values outside the 64-bit range raise EInvalidOp.
Int64 Trunc(long double X);
long double Frac(long double X);
long double Int(long double X);
