// The number module, Format, string helpers, paths, files and dates.
#include "classlib/SysUtils.h"

#include "classlib/Consts.h"
#include "platform/fileapi.h"
#include "platform/locale.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <locale.h>
#include <vector>

char DecimalSeparator = '.';
char ThousandSeparator = ',';

// ---- Integers ----------------------------------------------------------------------------

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Parses S into a magnitude and a sign. Hexadecimal magnitudes may use all `bits` bits
// (and then wrap); decimal ones must fit the signed range of that width.
bool parseInteger(const String& S, int bits, long long& out) {
    std::size_t i = 0;
    while (i < S.size() && isBlank(S[i])) ++i;
    bool negative = false;
    if (i < S.size() && (S[i] == '+' || S[i] == '-')) {
        negative = S[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < S.size() && S[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < S.size() && S[i] == '0' && (S[i + 1] == 'x' || S[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= S.size()) return false;
    const unsigned long long hexLimit = bits == 64 ? ~0ULL : (1ULL << bits) - 1;
    const unsigned long long decLimit = (1ULL << (bits - 1)) - (negative ? 0 : 1);
    unsigned long long value = 0;
    for (; i < S.size(); ++i) {
        const int d = hex ? hexValue(S[i]) : (S[i] >= '0' && S[i] <= '9' ? S[i] - '0' : -1);
        if (d < 0) return false;
        const unsigned base = hex ? 16 : 10;
        const unsigned long long limit = hex ? hexLimit : decLimit;
        if (value > (limit - static_cast<unsigned>(d)) / base) return false;
        value = value * base + static_cast<unsigned>(d);
    }
    if (hex) {
        // Wrap into the signed range of the width.
        if (bits == 32) {
            const auto v32 = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
            out = negative ? -static_cast<long long>(v32) : v32;
            if (negative && v32 == INT32_MIN) out = INT32_MIN;
        } else {
            const auto v64 = static_cast<long long>(value);
            out = negative ? static_cast<long long>(0ULL - value) : v64;
        }
        return true;
    }
    out = negative ? static_cast<long long>(0ULL - value) : static_cast<long long>(value);
    return true;
}

[[noreturn]] void invalidInteger(const String& S) { throw EConvertError(SInvalidInteger, {S}); }

String unsignedToStr(unsigned long long v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%llu", v);
    return buf;
}

String signedToStr(long long v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld", v);
    return buf;
}

String hexDigits(unsigned long long v, int digits) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%llX", v);
    String s = buf;
    if (digits > 32) digits = 32;
    if (static_cast<int>(s.size()) < digits) s.insert(0, static_cast<std::size_t>(digits) - s.size(), '0');
    return s;
}

}  // namespace

bool TryStrToInt(const String& S, Integer& Value) {
    long long v;
    if (!parseInteger(S, 32, v)) return false;
    Value = static_cast<Integer>(v);
    return true;
}

Integer StrToInt(const String& S) {
    Integer v;
    if (!TryStrToInt(S, v)) invalidInteger(S);
    return v;
}

Integer StrToIntDef(const String& S, Integer Default) {
    Integer v;
    return TryStrToInt(S, v) ? v : Default;
}

bool TryStrToInt64(const String& S, Int64& Value) {
    long long v;
    if (!parseInteger(S, 64, v)) return false;
    Value = v;
    return true;
}

Int64 StrToInt64(const String& S) {
    Int64 v;
    if (!TryStrToInt64(S, v)) invalidInteger(S);
    return v;
}

Int64 StrToInt64Def(const String& S, Int64 Default) {
    Int64 v;
    return TryStrToInt64(S, v) ? v : Default;
}

String IntToStr(int Value) { return signedToStr(Value); }
String IntToStr(long Value) { return signedToStr(Value); }
String IntToStr(long long Value) { return signedToStr(Value); }
String IntToStr(unsigned Value) { return unsignedToStr(Value); }
String IntToStr(unsigned long Value) { return unsignedToStr(Value); }
String IntToStr(unsigned long long Value) { return unsignedToStr(Value); }
String UIntToStr(UInt64 Value) { return unsignedToStr(Value); }

String IntToHex(int Value, int Digits) { return hexDigits(static_cast<std::uint32_t>(Value), Digits); }
String IntToHex(unsigned Value, int Digits) { return hexDigits(Value, Digits); }
String IntToHex(long Value, int Digits) { return hexDigits(static_cast<unsigned long long>(Value), Digits); }
String IntToHex(unsigned long Value, int Digits) { return hexDigits(Value, Digits); }
String IntToHex(long long Value, int Digits) { return hexDigits(static_cast<unsigned long long>(Value), Digits); }
String IntToHex(unsigned long long Value, int Digits) { return hexDigits(Value, Digits); }

// ---- Reals: parsing ----------------------------------------------------------------------

namespace {

locale_t cLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

}  // namespace

bool TextToFloat(const String& S, long double& Value) {
    std::size_t i = 0;
    const std::size_t n = S.size();
    while (i < n && isBlank(S[i])) ++i;
    std::string c;  // the number in the C locale's form
    if (i < n && (S[i] == '+' || S[i] == '-')) c += S[i++];
    std::size_t digits = 0;
    while (i < n && S[i] >= '0' && S[i] <= '9') {
        c += S[i++];
        ++digits;
    }
    if (i < n && S[i] == DecimalSeparator) {
        c += '.';
        ++i;
        while (i < n && S[i] >= '0' && S[i] <= '9') {
            c += S[i++];
            ++digits;
        }
    }
    if (digits == 0) return false;
    if (i < n && (S[i] == 'e' || S[i] == 'E')) {
        c += 'e';
        ++i;
        if (i < n && (S[i] == '+' || S[i] == '-')) c += S[i++];
        std::size_t expDigits = 0;
        while (i < n && S[i] >= '0' && S[i] <= '9') {
            c += S[i++];
            ++expDigits;
        }
        if (expDigits == 0) return false;
    }
    while (i < n && isBlank(S[i])) ++i;
    if (i != n) return false;
    errno = 0;
    char* end = nullptr;
    const long double v = strtold_l(c.c_str(), &end, cLocale());
    if (end != c.c_str() + c.size()) return false;
    if (errno == ERANGE && std::isinf(v)) return false;
    if (std::isinf(v) || std::isnan(v)) return false;
    Value = v;
    return true;
}

bool TryStrToFloat(const String& S, long double& Value) { return TextToFloat(S, Value); }

long double StrToFloat(const String& S) {
    long double v;
    if (!TextToFloat(S, v)) throw EConvertError(SInvalidFloat, {S});
    return v;
}

long double StrToFloatDef(const String& S, long double Default) {
    long double v;
    return TextToFloat(S, v) ? v : Default;
}

// ---- Reals: decimal digits ---------------------------------------------------------------

namespace {

// Cuts digits (significant, the first non-zero) to `keep`, rounding half to even or half
// away from zero; a carry past the first digit raises the exponent.
void roundDigits(String& digits, int& exponent, std::size_t keep, bool halfEven) {
    if (keep >= digits.size()) return;
    const char next = digits[keep];
    bool up;
    if (next != '5' || !halfEven) {
        up = next >= '5';
    } else {
        const bool beyond = digits.find_first_not_of('0', keep + 1) != String::npos;
        up = beyond || (keep > 0 && (digits[keep - 1] - '0') % 2 == 1);
    }
    digits.resize(keep);
    if (!up) return;
    int k = static_cast<int>(digits.size()) - 1;
    while (k >= 0 && digits[static_cast<std::size_t>(k)] == '9') digits[static_cast<std::size_t>(k--)] = '0';
    if (k >= 0) {
        ++digits[static_cast<std::size_t>(k)];
    } else {
        digits.insert(digits.begin(), '1');
        digits.pop_back();
        ++exponent;
    }
}

}  // namespace

TFloatRec FloatToDecimal(long double Value, int Precision, int Decimals) {
    TFloatRec r;
    if (std::isnan(Value)) {
        r.NaN = true;
        return r;
    }
    if (std::isinf(Value)) {
        r.Infinite = true;
        r.Negative = Value < 0;
        return r;
    }
    if (Value == 0) return r;
    r.Negative = std::signbit(Value);
    const long double a = std::fabs(Value);
    // Exact digits: a long double has 64 mantissa bits, so the lowest one is 2^(e - 64)
    // and that many fractional decimal digits suffice.
    int e2 = 0;
    std::frexp(a, &e2);
    const int fracDigits = std::max(0, 64 - e2);
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-truncation"
#endif
    const int size = std::snprintf(nullptr, 0, "%.*Lf", fracDigits, a);
    std::vector<char> buf(static_cast<std::size_t>(size) + 1);
    std::snprintf(buf.data(), buf.size(), "%.*Lf", fracDigits, a);
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
    String digits;
    int pointPos = -1;
    for (int k = 0; k < size; ++k) {
        const char ch = buf[static_cast<std::size_t>(k)];
        if (ch >= '0' && ch <= '9')
            digits += ch;
        else if (pointPos < 0)
            pointPos = static_cast<int>(digits.size());
    }
    if (pointPos < 0) pointPos = static_cast<int>(digits.size());
    const std::size_t lead = digits.find_first_not_of('0');
    if (lead == String::npos) return TFloatRec{};  // cannot happen for a non-zero value
    digits.erase(0, lead);
    int exponent = pointPos - static_cast<int>(lead);

    Precision = std::clamp(Precision, 1, 21);
    // The value's decimal form has 18 significant digits (more when more are asked for),
    // as the class library's has: a long double read from "2.675" shows as 2.68.
    roundDigits(digits, exponent, static_cast<std::size_t>(std::max(18, Precision)), true);
    long long keep = Precision;
    if (Decimals < 9999) keep = std::min<long long>(keep, static_cast<long long>(exponent) + Decimals);
    if (keep < 0) return TFloatRec{};
    if (keep == 0) {
        // Only a carry can leave a digit: 0.5 and more round up to the next power of ten.
        if (!digits.empty() && digits[0] >= '5') {
            r.Digits = "1";
            r.Exponent = exponent + 1;
            return r;
        }
        return TFloatRec{};
    }
    roundDigits(digits, exponent, static_cast<std::size_t>(keep), false);
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    if (digits.empty()) return TFloatRec{};
    r.Digits = digits;
    r.Exponent = exponent;
    return r;
}

// ---- Reals: formatting -------------------------------------------------------------------

namespace {

String specialText(const TFloatRec& r) {
    if (r.NaN) return "NAN";
    return r.Negative ? "-INF" : "INF";
}

String exponentText(int e, int minDigits, bool plusSign) {
    String s = e < 0 ? "-" : (plusSign ? "+" : "");
    String d = std::to_string(e < 0 ? -e : e);
    if (static_cast<int>(d.size()) < minDigits) d.insert(0, static_cast<std::size_t>(minDigits) - d.size(), '0');
    return s + d;
}

// d.ddd with exactly `count` mantissa digits, then "E" and the exponent.
String scientific(const TFloatRec& r, int count, int expDigits, bool plusSign, bool trimZeros) {
    String m = r.Digits.empty() ? String("0") : r.Digits;
    if (static_cast<int>(m.size()) < count) m.append(static_cast<std::size_t>(count) - m.size(), '0');
    if (trimZeros)
        while (m.size() > 1 && m.back() == '0') m.pop_back();
    String s = r.Negative ? "-" : "";
    s += m[0];
    if (m.size() > 1) {
        s += DecimalSeparator;
        s.append(m, 1, String::npos);
    }
    const int e = r.Digits.empty() ? 0 : r.Exponent - 1;
    return s + "E" + exponentText(e, expDigits, plusSign);
}

// Integer part, then `decimals` digits after the separator (all of them when negative).
String fixedText(const TFloatRec& r, int decimals, bool thousands) {
    String intPart;
    if (r.Exponent <= 0 || r.Digits.empty()) {
        intPart = "0";
    } else {
        intPart = r.Digits.substr(0, static_cast<std::size_t>(std::min<int>(r.Exponent, static_cast<int>(r.Digits.size()))));
        if (static_cast<int>(intPart.size()) < r.Exponent)
            intPart.append(static_cast<std::size_t>(r.Exponent) - intPart.size(), '0');
    }
    if (thousands && ThousandSeparator != '\0') {
        String grouped;
        const int n = static_cast<int>(intPart.size());
        for (int k = 0; k < n; ++k) {
            if (k > 0 && (n - k) % 3 == 0) grouped += ThousandSeparator;
            grouped += intPart[static_cast<std::size_t>(k)];
        }
        intPart = grouped;
    }
    String frac;
    if (!r.Digits.empty()) {
        // Digits after the point: leading zeros for negative exponents, then the rest.
        if (r.Exponent < 0) frac.append(static_cast<std::size_t>(-r.Exponent), '0');
        if (static_cast<int>(r.Digits.size()) > std::max(r.Exponent, 0))
            frac.append(r.Digits, static_cast<std::size_t>(std::max(r.Exponent, 0)), String::npos);
    }
    if (decimals >= 0) {
        if (static_cast<int>(frac.size()) > decimals) frac.resize(static_cast<std::size_t>(decimals));
        frac.append(static_cast<std::size_t>(decimals) - frac.size(), '0');
    }
    String s = r.Negative && !r.Digits.empty() ? "-" : "";
    s += intPart;
    if (!frac.empty()) {
        s += DecimalSeparator;
        s += frac;
    }
    return s;
}

}  // namespace

String FloatToStrF(long double Value, TFloatFormat Format, int Precision, int Digits) {
    Precision = std::clamp(Precision, 1, 21);
    Digits = std::clamp(Digits, 0, 18);
    switch (Format) {
    case ffGeneral: {
        const TFloatRec r = FloatToDecimal(Value, Precision, 9999);
        if (r.NaN || r.Infinite) return specialText(r);
        if (r.Digits.empty()) return "0";
        if (r.Exponent > Precision || r.Exponent < -3)
            return scientific(r, 1, std::min(Digits, 4), false, true);
        return fixedText(r, -1, false);
    }
    case ffExponent: {
        const TFloatRec r = FloatToDecimal(Value, Precision, 9999);
        if (r.NaN || r.Infinite) return specialText(r);
        return scientific(r, Precision, std::min(Digits, 4), true, false);
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
        TFloatRec r = FloatToDecimal(Value, Precision, Digits);
        if (r.NaN || r.Infinite) return specialText(r);
        if (r.Exponent > Precision) {
            r = FloatToDecimal(Value, Precision, 9999);
            return scientific(r, Precision, 0, true, false);
        }
        return fixedText(r, Digits, Format != ffFixed);
    }
    }
    return {};
}

String FloatToStr(long double Value) { return FloatToStrF(Value, ffGeneral, 15, 0); }

// ---- Format ------------------------------------------------------------------------------

namespace {

[[noreturn]] void badFormat(const String& fmt) { throw EConvertError(SInvalidFormat, {fmt}); }

}  // namespace

String Format(const String& Fmt, const TVarRecs& Args) {
    String out;
    std::size_t argIndex = 0;
    const std::size_t n = Fmt.size();
    std::size_t i = 0;
    auto nextArg = [&]() -> const TVarRec& {
        if (argIndex >= Args.size()) throw EConvertError(SArgumentMissing, {Fmt});
        return Args[argIndex++];
    };
    // A number or "*" at position i; -1 when there is none.
    auto readNumber = [&](bool& present) -> long long {
        present = false;
        if (i < n && Fmt[i] == '*') {
            ++i;
            present = true;
            const TVarRec& a = nextArg();
            if (!a.isInteger()) badFormat(Fmt);
            return a.asInt64();
        }
        long long v = 0;
        while (i < n && Fmt[i] >= '0' && Fmt[i] <= '9') {
            present = true;
            v = v * 10 + (Fmt[i] - '0');
            if (v > 100000) badFormat(Fmt);
            ++i;
        }
        return v;
    };
    while (i < n) {
        const char ch = Fmt[i];
        if (ch != '%') {
            out += ch;
            ++i;
            continue;
        }
        ++i;
        if (i < n && Fmt[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        bool present = false;
        long long first = readNumber(present);
        if (present && i < n && Fmt[i] == ':') {
            argIndex = static_cast<std::size_t>(first);
            ++i;
            first = readNumber(present);
        }
        bool left = false;
        if (!present && i < n && Fmt[i] == '-') {
            left = true;
            ++i;
            first = readNumber(present);
        }
        long long width = present ? first : -1;
        if (width < 0 && present) {
            left = true;
            width = -width;
        }
        long long prec = -1;
        if (i < n && Fmt[i] == '.') {
            ++i;
            prec = readNumber(present);
            if (!present) badFormat(Fmt);
            if (prec < 0) prec = -1;
        }
        if (i >= n) badFormat(Fmt);
        const char type = static_cast<char>(std::toupper(static_cast<unsigned char>(Fmt[i++])));
        const TVarRec& arg = nextArg();
        String s;
        switch (type) {
        case 'D':
        case 'U':
        case 'X': {
            if (!arg.isInteger()) badFormat(Fmt);
            long long v = arg.asInt64();
            bool negative = false;
            unsigned long long mag;
            const bool is32 = arg.kind() == TVarRec::Kind::Integer;
            if (type == 'D') {
                if (arg.kind() == TVarRec::Kind::UInt64) {
                    mag = static_cast<unsigned long long>(v);
                } else {
                    negative = v < 0;
                    mag = negative ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
                }
            } else {
                mag = is32 ? static_cast<std::uint32_t>(v) : static_cast<unsigned long long>(v);
            }
            s = type == 'X' ? hexDigits(mag, 0) : unsignedToStr(mag);
            if (prec >= 0 && static_cast<long long>(s.size()) < prec) s.insert(0, static_cast<std::size_t>(prec) - s.size(), '0');
            if (negative) s.insert(0, 1, '-');
            break;
        }
        case 'E':
        case 'F':
        case 'G':
        case 'N':
        case 'M': {
            if (arg.kind() != TVarRec::Kind::Extended) badFormat(Fmt);
            const long double v = arg.asExtended();
            const int p = static_cast<int>(std::min<long long>(prec, 18));
            if (type == 'E')
                s = FloatToStrF(v, ffExponent, p < 0 ? 15 : std::max(p, 1), 3);
            else if (type == 'F')
                s = FloatToStrF(v, ffFixed, 18, p < 0 ? 2 : p);
            else if (type == 'G')
                s = FloatToStrF(v, ffGeneral, p < 0 ? 15 : std::max(p, 1), 0);
            else
                s = FloatToStrF(v, ffNumber, 18, p < 0 ? 2 : p);
            break;
        }
        case 'S': {
            if (!arg.isString()) badFormat(Fmt);
            s = arg.asString();
            if (prec >= 0 && static_cast<long long>(s.size()) > prec) s.resize(static_cast<std::size_t>(prec));
            break;
        }
        case 'P': {
            if (arg.kind() != TVarRec::Kind::Pointer) badFormat(Fmt);
            s = hexDigits(reinterpret_cast<std::uintptr_t>(arg.asPointer()), 16);
            break;
        }
        default: badFormat(Fmt);
        }
        if (width > 0 && static_cast<long long>(s.size()) < width) {
            const std::size_t pad = static_cast<std::size_t>(width) - s.size();
            if (left)
                s.append(pad, ' ');
            else
                s.insert(0, pad, ' ');
        }
        out += s;
    }
    return out;
}

String Format(const String& Fmt, std::initializer_list<TVarRec> Args) { return Format(Fmt, TVarRecs(Args)); }

// ---- Strings -----------------------------------------------------------------------------

namespace {

char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

WideString wideUpper(WideString w) {
    for (char16_t& c : w) c = platform::upperUnit(c);
    return w;
}

}  // namespace

String UpperCase(const String& S) {
    String r = S;
    for (char& c : r) c = asciiUpper(c);
    return r;
}

String LowerCase(const String& S) {
    String r = S;
    for (char& c : r) c = asciiLower(c);
    return r;
}

int CompareStr(const String& S1, const String& S2) {
    const int c = S1.compare(S2);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CompareText(const String& S1, const String& S2) {
    const std::size_t n = std::min(S1.size(), S2.size());
    for (std::size_t k = 0; k < n; ++k) {
        const auto a = static_cast<unsigned char>(asciiUpper(S1[k]));
        const auto b = static_cast<unsigned char>(asciiUpper(S2[k]));
        if (a != b) return a < b ? -1 : 1;
    }
    return S1.size() < S2.size() ? -1 : (S1.size() > S2.size() ? 1 : 0);
}

bool SameStr(const String& S1, const String& S2) { return S1 == S2; }
bool SameText(const String& S1, const String& S2) { return CompareText(S1, S2) == 0; }

String AnsiUpperCase(const String& S) { return platform::wideToAnsi(wideUpper(platform::ansiToWide(S))); }

String AnsiLowerCase(const String& S) {
    WideString w = platform::ansiToWide(S);
    for (char16_t& c : w) c = platform::lowerUnit(c);
    return platform::wideToAnsi(w);
}

int AnsiCompareStr(const String& S1, const String& S2) {
    const int c = platform::compareLocale(platform::ansiToWide(S1), platform::ansiToWide(S2), 0);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int AnsiCompareText(const String& S1, const String& S2) {
    const int c = platform::compareLocale(platform::ansiToWide(S1), platform::ansiToWide(S2), NORM_IGNORECASE);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool AnsiSameStr(const String& S1, const String& S2) { return AnsiCompareStr(S1, S2) == 0; }
bool AnsiSameText(const String& S1, const String& S2) { return AnsiCompareText(S1, S2) == 0; }

String TrimLeft(const String& S) {
    std::size_t i = 0;
    while (i < S.size() && static_cast<unsigned char>(S[i]) <= ' ') ++i;
    return S.substr(i);
}

String TrimRight(const String& S) {
    std::size_t n = S.size();
    while (n > 0 && static_cast<unsigned char>(S[n - 1]) <= ' ') --n;
    return S.substr(0, n);
}

String Trim(const String& S) { return TrimLeft(TrimRight(S)); }

String AnsiQuotedStr(const String& S, char Quote) {
    String r(1, Quote);
    for (char c : S) {
        r += c;
        if (c == Quote) r += c;
    }
    r += Quote;
    return r;
}

String QuotedStr(const String& S) { return AnsiQuotedStr(S, '\''); }

String AnsiExtractQuotedStr(const String& S, std::size_t& Pos, char Quote) {
    if (Pos >= S.size() || S[Pos] != Quote) return {};
    String r;
    std::size_t i = Pos + 1;
    while (i < S.size()) {
        if (S[i] == Quote) {
            if (i + 1 < S.size() && S[i + 1] == Quote) {
                r += Quote;
                i += 2;
                continue;
            }
            ++i;
            break;
        }
        r += S[i++];
    }
    Pos = i;
    return r;
}

String AnsiDequotedStr(const String& S, char Quote) {
    std::size_t pos = 0;
    String r = AnsiExtractQuotedStr(S, pos, Quote);
    if (pos != S.size() || S.size() < 2 || S.back() != Quote) return S;
    return r;
}

String StringReplace(const String& S, const String& OldPattern, const String& NewPattern, int Flags) {
    if (OldPattern.empty()) return S;
    const bool all = (Flags & rfReplaceAll) != 0;
    if (!(Flags & rfIgnoreCase)) {
        String r;
        std::size_t from = 0;
        while (true) {
            const std::size_t at = S.find(OldPattern, from);
            if (at == String::npos) break;
            r.append(S, from, at - from);
            r += NewPattern;
            from = at + OldPattern.size();
            if (!all) break;
        }
        r.append(S, from, String::npos);
        return r;
    }
    // Searching in upper-cased UTF-16 copies keeps positions equal to the original's.
    const WideString w = platform::ansiToWide(S);
    const WideString wu = wideUpper(w);
    const WideString ou = wideUpper(platform::ansiToWide(OldPattern));
    const WideString nw = platform::ansiToWide(NewPattern);
    if (ou.empty()) return S;
    WideString r;
    std::size_t from = 0;
    while (true) {
        const std::size_t at = wu.find(ou, from);
        if (at == WideString::npos) break;
        r.append(w, from, at - from);
        r += nw;
        from = at + ou.size();
        if (!all) break;
    }
    r.append(w, from, WideString::npos);
    return platform::wideToAnsi(r);
}

bool IsValidIdent(const String& Ident, bool AllowDots) {
    if (Ident.empty()) return false;
    auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
    auto alnum = [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); };
    bool startOfPart = true;
    for (char c : Ident) {
        if (startOfPart) {
            if (!alpha(c)) return false;
            startOfPart = false;
        } else if (c == '.' && AllowDots) {
            startOfPart = true;
        } else if (!alnum(c)) {
            return false;
        }
    }
    return !startOfPart;
}

int LastDelimiter(const String& Delimiters, const String& S) {
    const std::size_t at = S.find_last_of(Delimiters);
    return at == String::npos ? -1 : static_cast<int>(at);
}

// ---- Paths and files ---------------------------------------------------------------------

String ExtractFilePath(const String& FileName) {
    const std::size_t at = FileName.rfind('/');
    return at == String::npos ? String() : FileName.substr(0, at + 1);
}

String ExtractFileDir(const String& FileName) {
    const std::size_t at = FileName.rfind('/');
    if (at == String::npos) return {};
    return at == 0 ? String("/") : FileName.substr(0, at);
}

String ExtractFileName(const String& FileName) {
    const std::size_t at = FileName.rfind('/');
    return at == String::npos ? FileName : FileName.substr(at + 1);
}

String ExtractFileExt(const String& FileName) {
    const std::size_t at = FileName.find_last_of("./");
    if (at == String::npos || FileName[at] != '.') return {};
    return FileName.substr(at);
}

String ChangeFileExt(const String& FileName, const String& Extension) {
    const std::size_t at = FileName.find_last_of("./");
    if (at == String::npos || FileName[at] != '.') return FileName + Extension;
    return FileName.substr(0, at) + Extension;
}

String IncludeTrailingPathDelimiter(const String& S) {
    if (!S.empty() && S.back() == '/') return S;
    return S + "/";
}

String ExcludeTrailingPathDelimiter(const String& S) {
    if (S.size() > 1 && S.back() == '/') return S.substr(0, S.size() - 1);
    return S;
}

String ExpandFileName(const String& FileName) {
    String path = FileName;
    if (path.empty() || path[0] != '/') path = IncludeTrailingPathDelimiter(GetCurrentDir()) + path;
    std::vector<String> parts;
    std::size_t i = 0;
    while (i <= path.size()) {
        std::size_t j = path.find('/', i);
        if (j == String::npos) j = path.size();
        const String part = path.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    String r;
    for (const String& p : parts) r += "/" + p;
    if (r.empty()) r = "/";
    if (path.back() == '/' && r != "/") r += "/";
    return r;
}

bool FileExists(const String& FileName) {
    const DWORD a = GetFileAttributesA(FileName.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const String& Directory) {
    const DWORD a = GetFileAttributesA(Directory.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DeleteFile(const String& FileName) { return DeleteFileA(FileName.c_str()) != 0; }

bool RenameFile(const String& OldName, const String& NewName) {
    return MoveFileA(OldName.c_str(), NewName.c_str()) != 0;
}

bool CreateDir(const String& Dir) { return CreateDirectoryA(Dir.c_str(), nullptr) != 0; }

bool RemoveDir(const String& Dir) { return RemoveDirectoryA(Dir.c_str()) != 0; }

bool ForceDirectories(const String& Dir) {
    const String d = ExcludeTrailingPathDelimiter(Dir);
    if (d.empty()) return false;
    if (DirectoryExists(d)) return true;
    const String parent = ExtractFileDir(d);
    if (!parent.empty() && parent != d && !ForceDirectories(parent)) return false;
    return CreateDir(d) || DirectoryExists(d);
}

String GetCurrentDir() {
    std::vector<char> buf(512);
    for (;;) {
        const DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(buf.size()), buf.data());
        if (n == 0) return {};
        if (n < buf.size()) return String(buf.data(), n);
        buf.resize(n + 1);
    }
}

bool SetCurrentDir(const String& Dir) { return SetCurrentDirectoryA(Dir.c_str()) != 0; }

THandle FileOpen(const String& FileName, Word Mode) {
    static const DWORD access[3] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
    static const DWORD share[5] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
    const unsigned a = Mode & 3;
    const unsigned s = (Mode & 0xF0) >> 4;
    if (a > 2 || s > 4) return INVALID_HANDLE_VALUE;
    return CreateFileA(FileName.c_str(), access[a], share[s], nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

THandle FileCreate(const String& FileName) {
    return CreateFileA(FileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

Int64 FileRead(THandle Handle, void* Buffer, Int64 Count) {
    Int64 done = 0;
    while (done < Count) {
        const DWORD chunk = static_cast<DWORD>(std::min<Int64>(Count - done, 0x40000000));
        DWORD got = 0;
        if (!ReadFile(Handle, static_cast<char*>(Buffer) + done, chunk, &got, nullptr)) return done > 0 ? done : -1;
        done += got;
        if (got < chunk) break;
    }
    return done;
}

Int64 FileWrite(THandle Handle, const void* Buffer, Int64 Count) {
    Int64 done = 0;
    while (done < Count) {
        const DWORD chunk = static_cast<DWORD>(std::min<Int64>(Count - done, 0x40000000));
        DWORD put = 0;
        if (!WriteFile(Handle, static_cast<const char*>(Buffer) + done, chunk, &put, nullptr))
            return done > 0 ? done : -1;
        done += put;
        if (put < chunk) break;
    }
    return done;
}

Int64 FileSeek(THandle Handle, Int64 Offset, int Origin) {
    if (Origin < 0 || Origin > 2) return -1;
    LARGE_INTEGER distance;
    distance.QuadPart = Offset;
    LARGE_INTEGER position;
    position.QuadPart = 0;
    if (!SetFilePointerEx(Handle, distance, &position, static_cast<DWORD>(Origin))) return -1;
    return position.QuadPart;
}

void FileClose(THandle Handle) {
    if (Handle && Handle != INVALID_HANDLE_VALUE) CloseHandle(Handle);
}

// ---- Dates -------------------------------------------------------------------------------

namespace {

constexpr int monthDays[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                  {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};
// Days from 1 January of year 1 to 30 December 1899.
constexpr long dateDelta = 693594;

}  // namespace

bool IsLeapYear(Word Year) { return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0); }

TDateTime EncodeDate(Word Year, Word Month, Word Day) {
    const int leap = IsLeapYear(Year) ? 1 : 0;
    if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 || Day > monthDays[leap][Month - 1])
        throw EConvertError(SDateEncodeError);
    long days = Day;
    for (int m = 0; m < Month - 1; ++m) days += monthDays[leap][m];
    const long y = Year - 1;
    days += y * 365 + y / 4 - y / 100 + y / 400;
    return static_cast<TDateTime>(days - dateDelta);
}

TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec) {
    if (Hour > 23 || Min > 59 || Sec > 59 || MSec > 999) throw EConvertError(STimeEncodeError);
    return (Hour * 3600000.0 + Min * 60000.0 + Sec * 1000.0 + MSec) / 86400000.0;
}

void DecodeDate(TDateTime Date, Word& Year, Word& Month, Word& Day) {
    long t = static_cast<long>(std::floor(Date)) + dateDelta;  // days since 1 January of year 1, 1-based
    if (t <= 0) {
        Year = Month = Day = 0;
        return;
    }
    --t;
    long y = 1;
    y += 400 * (t / 146097);
    t %= 146097;
    long c = t / 36524;
    long d = t % 36524;
    if (c == 4) {
        c = 3;
        d += 36524;
    }
    y += c * 100;
    y += (d / 1461) * 4;
    d %= 1461;
    long i = d / 365;
    d %= 365;
    if (i == 4) {
        i = 3;
        d += 365;
    }
    y += i;
    const int leap = IsLeapYear(static_cast<Word>(y)) ? 1 : 0;
    int m = 0;
    while (d >= monthDays[leap][m]) d -= monthDays[leap][m++];
    Year = static_cast<Word>(y);
    Month = static_cast<Word>(m + 1);
    Day = static_cast<Word>(d + 1);
}

void DecodeTime(TDateTime Time, Word& Hour, Word& Min, Word& Sec, Word& MSec) {
    const double frac = Time - std::floor(Time);
    long ms = static_cast<long>(std::nearbyint(frac * 86400000.0));
    if (ms >= 86400000) ms = 86399999;
    Hour = static_cast<Word>(ms / 3600000);
    Min = static_cast<Word>(ms / 60000 % 60);
    Sec = static_cast<Word>(ms / 1000 % 60);
    MSec = static_cast<Word>(ms % 1000);
}

TDateTime Now() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t secs = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    localtime_r(&secs, &tm);
    return EncodeDate(static_cast<Word>(tm.tm_year + 1900), static_cast<Word>(tm.tm_mon + 1), static_cast<Word>(tm.tm_mday)) +
           EncodeTime(static_cast<Word>(tm.tm_hour), static_cast<Word>(tm.tm_min), static_cast<Word>(std::min(tm.tm_sec, 59)),
                      static_cast<Word>(ms));
}

TDateTime Date() { return std::floor(Now()); }

TDateTime Time() {
    const TDateTime n = Now();
    return n - std::floor(n);
}
