// WideFormatText: the class library's format syntax, done in UTF-16. Numbers are turned
// into digits by the class library's own Format, so both agree; texts never pass through
// the 8-bit code page.
#include "widetext/WideSystem.h"

#include "classlib/Consts.h"
#include "classlib/SysUtils.h"
#include "platform/codepage.h"

#include <string>

namespace {

[[noreturn]] void badFormat(const WideString& format) {
    throw EConvertError(SInvalidFormat, {platform::wideToAnsi(format)});
}

[[noreturn]] void missingArgument(const WideString& format) {
    throw EConvertError(SArgumentMissing, {platform::wideToAnsi(format)});
}

bool isInteger(const TWideFormatArg& a) {
    return std::holds_alternative<int>(a) || std::holds_alternative<long long>(a) ||
           std::holds_alternative<unsigned long long>(a);
}

long long integerOf(const TWideFormatArg& a) {
    if (const int* i = std::get_if<int>(&a)) return *i;
    if (const long long* l = std::get_if<long long>(&a)) return *l;
    return static_cast<long long>(std::get<unsigned long long>(a));
}

// The class library's argument for a number or pointer.
TVarRec numberArg(const TWideFormatArg& a) {
    if (const int* i = std::get_if<int>(&a)) return TVarRec(*i);
    if (const long long* l = std::get_if<long long>(&a)) return TVarRec(*l);
    if (const unsigned long long* u = std::get_if<unsigned long long>(&a)) return TVarRec(*u);
    if (const long double* f = std::get_if<long double>(&a)) return TVarRec(*f);
    return TVarRec(std::get<const void*>(a));
}

}  // namespace

WideString WideFormatText(const WideString& Fmt, std::initializer_list<WideFormatArg> Args) {
    return WideFormatText(Fmt, std::vector<WideFormatArg>(Args));
}

WideString WideFormatText(const WideString& Fmt, const std::vector<WideFormatArg>& Args) {
    WideString out;
    std::size_t argIndex = 0;
    std::size_t i = 0;
    const std::size_t n = Fmt.size();
    auto nextArg = [&]() -> const TWideFormatArg& {
        if (argIndex >= Args.size()) missingArgument(Fmt);
        return Args[argIndex++].value;
    };
    // Digits, or "*" for the next argument; -1 when there is neither.
    auto number = [&]() -> long long {
        if (i < n && Fmt[i] == u'*') {
            ++i;
            const TWideFormatArg& a = nextArg();
            if (!isInteger(a)) badFormat(Fmt);
            return integerOf(a);
        }
        if (i >= n || Fmt[i] < u'0' || Fmt[i] > u'9') return -1;
        long long v = 0;
        while (i < n && Fmt[i] >= u'0' && Fmt[i] <= u'9') {
            v = v * 10 + (Fmt[i] - u'0');
            if (v > 100000) badFormat(Fmt);
            ++i;
        }
        return v;
    };
    while (i < n) {
        const WCHAR c = Fmt[i++];
        if (c != u'%') {
            out.push_back(c);
            continue;
        }
        if (i < n && Fmt[i] == u'%') {
            out.push_back(u'%');
            ++i;
            continue;
        }
        long long first = number();
        if (i < n && Fmt[i] == u':') {
            ++i;
            if (first < 0) badFormat(Fmt);
            argIndex = static_cast<std::size_t>(first);
            first = -1;
        }
        bool left = false;
        if (first < 0 && i < n && Fmt[i] == u'-') {
            left = true;
            ++i;
        }
        const long long width = first >= 0 ? first : number();
        long long precision = -1;
        if (i < n && Fmt[i] == u'.') {
            ++i;
            precision = std::max(0LL, number());
        }
        if (i >= n) badFormat(Fmt);
        const WCHAR type = Fmt[i] >= u'A' && Fmt[i] <= u'Z' ? static_cast<WCHAR>(Fmt[i] + 32) : Fmt[i];
        ++i;
        const TWideFormatArg& arg = nextArg();
        WideString field;
        switch (type) {
        case u'd':
        case u'u':
        case u'x':
        case u'e':
        case u'f':
        case u'g':
        case u'n':
        case u'p': {
            const bool real = std::holds_alternative<long double>(arg);
            const bool pointer = std::holds_alternative<const void*>(arg);
            const bool wantsReal = type == u'e' || type == u'f' || type == u'g' || type == u'n';
            if (type == u'p' ? !pointer : (wantsReal ? !real : !isInteger(arg))) badFormat(Fmt);
            String numberFormat = "%";
            if (precision >= 0) numberFormat += "." + std::to_string(precision);
            numberFormat += static_cast<char>(type);
            field = platform::ansiToWide(Format(numberFormat, {numberArg(arg)}));
            break;
        }
        case u'm': {
            const long double* v = std::get_if<long double>(&arg);
            if (!v) badFormat(Fmt);
            field = platform::ansiToWide(FloatToStrF(*v, ffCurrency, 18, precision < 0 ? 2 : static_cast<int>(precision)));
            break;
        }
        case u's':
            if (const WideString* w = std::get_if<WideString>(&arg))
                field = *w;
            else if (const std::string* a = std::get_if<std::string>(&arg))
                field = platform::ansiToWide(*a);
            else if (const WCHAR* ch = std::get_if<WCHAR>(&arg))
                field = WideString(1, *ch);
            else
                badFormat(Fmt);
            if (precision >= 0 && static_cast<long long>(field.size()) > precision)
                field.resize(static_cast<std::size_t>(precision));
            break;
        default:
            badFormat(Fmt);
        }
        if (width > static_cast<long long>(field.size())) {
            const WideString pad(static_cast<std::size_t>(width) - field.size(), u' ');
            field = left ? field + pad : pad + field;
        }
        out += field;
    }
    return out;
}
