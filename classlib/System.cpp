// Strings, resource strings, format arguments, exceptions and rounding.
#include "classlib/System.h"

#include "classlib/Consts.h"
#include "classlib/SysUtils.h"
#include "platform/winerror.h"

#include <cmath>
#include <cstring>

String Utf8ToAnsi(std::string_view S) {
    if (GetACP() == CP_UTF8) return String(S);
    return platform::wideToAnsi(platform::toWide(S, CP_UTF8));
}

String AnsiToUtf8(std::string_view S) {
    if (GetACP() == CP_UTF8) return String(S);
    return platform::fromWide(platform::ansiToWide(S), CP_UTF8);
}

namespace {

// The UTF-8 text of a resource string whose identifier is an address.
std::string_view resText(PResStringRec ResRec) {
    if (!ResRec || ResRec->Identifier <= 0xFFFF) return {};
    const char* text = reinterpret_cast<const char*>(ResRec->Identifier);
    std::string_view s(text);
    if (s.substr(0, 3) == "\xEF\xBB\xBF") s.remove_prefix(3);
    return s;
}

}  // namespace

TResStringRec::operator String() const { return LoadResString(this); }

String LoadResString(PResStringRec ResRec) { return Utf8ToAnsi(resText(ResRec)); }

WideString LoadResStringW(PResStringRec ResRec) { return platform::toWide(resText(ResRec), CP_UTF8); }

String TVarRec::asString() const {
    switch (kind_) {
    case Kind::String:
    case Kind::Char: return str_;
    case Kind::WideString: return platform::wideToAnsi(wstr_);
    default: return {};
    }
}

Exception::Exception(const String& Fmt, std::initializer_list<TVarRec> Args) : Message(Format(Fmt, Args)) {}
Exception::Exception(const String& Fmt, const TVarRecs& Args) : Message(Format(Fmt, Args)) {}
Exception::Exception(PResStringRec Res) : Message(LoadResString(Res)) {}
Exception::Exception(PResStringRec Res, std::initializer_list<TVarRec> Args)
    : Message(Format(LoadResString(Res), Args)) {}
Exception::Exception(const TResStringRec& Res, std::initializer_list<TVarRec> Args)
    : Message(Format(LoadResString(&Res), Args)) {}

const char* Exception::what() const noexcept {
    try {
        what_ = AnsiToUtf8(Message);
    } catch (...) {
        what_ = Message;
    }
    return what_.c_str();
}

void Abort() { throw EAbort(SOperationAborted); }

void RaiseLastOSError() {
    const DWORD code = GetLastError();
    EOSError e = code != 0 ? EOSError(SOSError, {static_cast<long long>(code), String()}) : EOSError(&SUnkOSError);
    e.ErrorCode = code;
    throw e;
}

namespace {

// Values of at least 2^63 in magnitude do not fit a 64-bit integer.
constexpr long double twoPow63 = 9223372036854775808.0L;

Int64 checkedInt64(long double X) {
    if (std::isnan(X) || X >= twoPow63 || X < -twoPow63) throw EInvalidOp(SInvalidOp);
    return static_cast<Int64>(X);
}

}  // namespace

Int64 Round(long double X) { return checkedInt64(std::nearbyint(X)); }

Int64 Trunc(long double X) { return checkedInt64(std::trunc(X)); }

long double Frac(long double X) { return X - std::trunc(X); }

long double Int(long double X) { return std::trunc(X); }
