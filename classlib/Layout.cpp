// Parser and printer of the layout text form.
#include "classlib/Layout.h"

#include "classlib/Consts.h"
#include "classlib/SysUtils.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>

TLayoutValue TLayoutValue::MakeInteger(long long V) {
    TLayoutValue v;
    v.Kind = lvInteger;
    v.Integer = V;
    return v;
}

TLayoutValue TLayoutValue::MakeReal(long double V, int Digits) {
    TLayoutValue v;
    v.Kind = lvReal;
    v.Real = V;
    v.RealDigits = Digits;
    return v;
}

TLayoutValue TLayoutValue::MakeString(const WideString& V) {
    TLayoutValue v;
    v.Kind = lvString;
    v.Str = V;
    return v;
}

TLayoutValue TLayoutValue::MakeIdent(const String& V) {
    TLayoutValue v;
    v.Kind = lvIdent;
    v.Ident = V;
    return v;
}

namespace {

// ---- Tokens ------------------------------------------------------------------------------

enum class Tok { End, Ident, Integer, Real, String, Symbol };

struct Token {
    Tok kind = Tok::End;
    String text;        // identifier or symbol
    long long integer = 0;
    long double real = 0;
    WideString str;
    int line = 1;
};

locale_t cLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

class Lexer {
public:
    explicit Lexer(std::string_view text) : s_(text) {
        if (s_.substr(0, 3) == "\xEF\xBB\xBF") i_ = 3;
    }

    [[noreturn]] void fail(const String& what, int line) const {
        throw EParserError(SParseErrorAt, {what, line});
    }
    [[noreturn]] void fail(const TResStringRec& what, int line) const { fail(LoadResString(&what), line); }

    const Token& peek() {
        if (!havePeek_) {
            peek_ = scan();
            havePeek_ = true;
        }
        return peek_;
    }
    Token next() {
        peek();
        havePeek_ = false;
        return peek_;
    }
    bool isSymbol(char c) {
        const Token& t = peek();
        return t.kind == Tok::Symbol && t.text.size() == 1 && t.text[0] == c;
    }
    bool isKeyword(const char* word) {
        const Token& t = peek();
        return t.kind == Tok::Ident && SameText(t.text, word);
    }
    void expectSymbol(char c) {
        const Token t = next();
        if (t.kind != Tok::Symbol || t.text.size() != 1 || t.text[0] != c)
            fail(Format(LoadResString(&SCharExpected), {String(1, c)}), t.line);
    }
    String expectIdent() {
        const Token t = next();
        if (t.kind != Tok::Ident) fail(SIdentifierExpected, t.line);
        return t.text;
    }
    int line() { return peek().line; }

    // Hexadecimal digits up to "}" (the "{" is already read).
    std::vector<unsigned char> binary(int startLine) {
        havePeek_ = false;
        std::vector<unsigned char> out;
        int half = -1;
        while (true) {
            if (i_ >= s_.size()) fail(SInvalidBinary, startLine);
            const char c = s_[i_++];
            if (c == '}') break;
            if (c == '\n') {
                ++line_;
                continue;
            }
            if (c == ' ' || c == '\t' || c == '\r') continue;
            int d = -1;
            if (c >= '0' && c <= '9') d = c - '0';
            else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
            if (d < 0) fail(SInvalidBinary, line_);
            if (half < 0) {
                half = d;
            } else {
                out.push_back(static_cast<unsigned char>(half << 4 | d));
                half = -1;
            }
        }
        if (half >= 0) fail(SInvalidBinary, line_);
        return out;
    }

private:
    Token scan() {
        skipBlanks();
        Token t;
        t.line = line_;
        if (i_ >= s_.size()) return t;
        const char c = s_[i_];
        if (isAlpha(c)) {
            const std::size_t start = i_;
            while (i_ < s_.size() && (isAlnum(s_[i_]) || (s_[i_] == '.' && i_ + 1 < s_.size() && isAlpha(s_[i_ + 1]))))
                ++i_;
            t.kind = Tok::Ident;
            t.text = String(s_.substr(start, i_ - start));
            return t;
        }
        if ((c >= '0' && c <= '9') || c == '$' ||
            (c == '-' && i_ + 1 < s_.size() && ((s_[i_ + 1] >= '0' && s_[i_ + 1] <= '9') || s_[i_ + 1] == '$')))
            return number(t);
        if (c == '\'' || c == '#') return string(t);
        t.kind = Tok::Symbol;
        t.text = String(1, c);
        ++i_;
        return t;
    }

    void skipBlanks() {
        while (i_ < s_.size()) {
            const char c = s_[i_];
            if (c == '\n') {
                ++line_;
                ++i_;
            } else if (c == ' ' || c == '\t' || c == '\r') {
                ++i_;
            } else {
                break;
            }
        }
    }

    static bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
    static bool isAlnum(char c) { return isAlpha(c) || (c >= '0' && c <= '9'); }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    Token number(Token t) {
        bool negative = false;
        if (s_[i_] == '-') {
            negative = true;
            ++i_;
        }
        if (s_[i_] == '$') {
            ++i_;
            unsigned long long v = 0;
            std::size_t digits = 0;
            while (i_ < s_.size() && std::isxdigit(static_cast<unsigned char>(s_[i_]))) {
                if (++digits > 16) fail(SInvalidNumber, t.line);
                const char h = s_[i_++];
                v = v * 16 + static_cast<unsigned>(isDigit(h) ? h - '0' : (std::tolower(h) - 'a' + 10));
            }
            if (digits == 0) fail(SInvalidNumber, t.line);
            if (i_ < s_.size() && isAlnum(s_[i_])) fail(SInvalidNumber, t.line);
            t.kind = Tok::Integer;
            t.integer = negative ? static_cast<long long>(0ULL - v) : static_cast<long long>(v);
            return t;
        }
        const std::size_t start = i_;
        while (i_ < s_.size() && isDigit(s_[i_])) ++i_;
        bool real = false;
        if (i_ + 1 < s_.size() && s_[i_] == '.' && isDigit(s_[i_ + 1])) {
            real = true;
            ++i_;
            while (i_ < s_.size() && isDigit(s_[i_])) ++i_;
        }
        if (i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
            std::size_t k = i_ + 1;
            if (k < s_.size() && (s_[k] == '+' || s_[k] == '-')) ++k;
            if (k < s_.size() && isDigit(s_[k])) {
                real = true;
                i_ = k;
                while (i_ < s_.size() && isDigit(s_[i_])) ++i_;
            }
        }
        if (i_ < s_.size() && isAlnum(s_[i_])) fail(SInvalidNumber, t.line);
        std::string text(s_.substr(start, i_ - start));
        if (negative) text.insert(0, 1, '-');
        errno = 0;
        char* end = nullptr;
        if (real) {
            t.kind = Tok::Real;
            t.real = strtold_l(text.c_str(), &end, cLocale());
            if (errno == ERANGE && std::isinf(t.real)) fail(SInvalidNumber, t.line);
        } else {
            t.kind = Tok::Integer;
            t.integer = std::strtoll(text.c_str(), &end, 10);
            if (errno == ERANGE) fail(SInvalidNumber, t.line);
        }
        return t;
    }

    // Quoted pieces and #codes written without blanks between them.
    Token string(Token t) {
        String utf8;  // quoted text is UTF-8
        WideString out;
        auto flush = [&] {
            if (!utf8.empty()) {
                out += platform::toWide(utf8, CP_UTF8);
                utf8.clear();
            }
        };
        while (i_ < s_.size()) {
            const char c = s_[i_];
            if (c == '\'') {
                ++i_;
                while (true) {
                    if (i_ >= s_.size() || s_[i_] == '\n' || s_[i_] == '\r') fail(SInvalidString, t.line);
                    if (s_[i_] == '\'') {
                        if (i_ + 1 < s_.size() && s_[i_ + 1] == '\'') {
                            utf8 += '\'';
                            i_ += 2;
                            continue;
                        }
                        ++i_;
                        break;
                    }
                    utf8 += s_[i_++];
                }
            } else if (c == '#') {
                ++i_;
                unsigned long v = 0;
                std::size_t digits = 0;
                while (i_ < s_.size() && isDigit(s_[i_])) {
                    v = v * 10 + static_cast<unsigned>(s_[i_++] - '0');
                    if (++digits > 7 || v > 0x10FFFF) fail(SInvalidString, t.line);
                }
                if (digits == 0) fail(SInvalidString, t.line);
                flush();
                if (v > 0xFFFF) {
                    v -= 0x10000;
                    out += static_cast<char16_t>(0xD800 + (v >> 10));
                    out += static_cast<char16_t>(0xDC00 + (v & 0x3FF));
                } else {
                    out += static_cast<char16_t>(v);
                }
            } else {
                break;
            }
        }
        flush();
        t.kind = Tok::String;
        t.str = out;
        return t;
    }

    std::string_view s_;
    std::size_t i_ = 0;
    int line_ = 1;
    Token peek_;
    bool havePeek_ = false;
};

// ---- Parser ------------------------------------------------------------------------------

class Parser {
public:
    explicit Parser(std::string_view text) : lex_(text) {}

    TLayoutObject root() {
        TLayoutObject o = object();
        const Token t = lex_.next();
        if (t.kind != Tok::End) lex_.fail(Format(LoadResString(&SCharExpected), {String("end of text")}), t.line);
        return o;
    }

    TLayoutValue singleValue() {
        TLayoutValue v = value();
        const Token t = lex_.next();
        if (t.kind != Tok::End) lex_.fail(SInvalidPropertyValue, t.line);
        return v;
    }

private:
    bool atObject() { return lex_.isKeyword("object") || lex_.isKeyword("inherited") || lex_.isKeyword("inline"); }

    TLayoutObject object() {
        const Depth depth(*this);
        TLayoutObject o;
        o.Line = lex_.line();
        if (!atObject()) lex_.fail(Format(LoadResString(&SCharExpected), {String("object")}), o.Line);
        const String kind = lex_.next().text;
        o.Kind = SameText(kind, "inherited") ? TLayoutObject::loInherited
                 : SameText(kind, "inline")  ? TLayoutObject::loInline
                                             : TLayoutObject::loObject;
        const String first = lex_.expectIdent();
        if (lex_.isSymbol(':')) {
            lex_.next();
            o.Name = first;
            o.ClassName = lex_.expectIdent();
        } else {
            o.ClassName = first;
        }
        if (lex_.isSymbol('[')) {
            lex_.next();
            const Token t = lex_.next();
            if (t.kind != Tok::Integer) lex_.fail(SNumberExpected, t.line);
            o.Index = static_cast<int>(t.integer);
            lex_.expectSymbol(']');
        }
        while (true) {
            if (lex_.isKeyword("end")) {
                lex_.next();
                return o;
            }
            if (lex_.peek().kind == Tok::End) lex_.fail(Format(LoadResString(&SCharExpected), {String("end")}), lex_.line());
            if (atObject())
                o.Children.push_back(object());
            else
                o.Properties.push_back(property());
        }
    }

    TLayoutProperty property() {
        TLayoutProperty p;
        p.Line = lex_.line();
        p.Name = lex_.expectIdent();
        lex_.expectSymbol('=');
        p.Value = value();
        return p;
    }

    TLayoutValue value() {
        const Depth depth(*this);
        const Token t = lex_.next();
        TLayoutValue v;
        v.Line = t.line;
        switch (t.kind) {
        case Tok::Integer:
            v.Kind = TLayoutValue::lvInteger;
            v.Integer = t.integer;
            return v;
        case Tok::Real:
            v.Kind = TLayoutValue::lvReal;
            v.Real = t.real;
            return v;
        case Tok::String:
            v.Kind = TLayoutValue::lvString;
            v.Str = t.str;
            while (lex_.isSymbol('+')) {
                lex_.next();
                const Token more = lex_.next();
                if (more.kind != Tok::String) lex_.fail(SStringExpected, more.line);
                v.Str += more.str;
            }
            return v;
        case Tok::Ident:
            v.Kind = TLayoutValue::lvIdent;
            v.Ident = t.text;
            return v;
        case Tok::Symbol: break;
        case Tok::End: lex_.fail(SInvalidPropertyValue, t.line);
        }
        const char c = t.text[0];
        if (c == '[') {
            v.Kind = TLayoutValue::lvSet;
            if (lex_.isSymbol(']')) {
                lex_.next();
                return v;
            }
            while (true) {
                v.Set.push_back(lex_.expectIdent());
                if (lex_.isSymbol(',')) {
                    lex_.next();
                    continue;
                }
                lex_.expectSymbol(']');
                return v;
            }
        }
        if (c == '(') {
            v.Kind = TLayoutValue::lvList;
            while (!lex_.isSymbol(')')) {
                if (lex_.peek().kind == Tok::End) lex_.fail(Format(LoadResString(&SCharExpected), {String(")")}), t.line);
                v.List.push_back(value());
            }
            lex_.next();
            return v;
        }
        if (c == '{') {
            v.Kind = TLayoutValue::lvBinary;
            v.Binary = lex_.binary(t.line);
            return v;
        }
        if (c == '<') {
            v.Kind = TLayoutValue::lvCollection;
            while (!lex_.isSymbol('>')) {
                TLayoutItem item;
                item.Line = lex_.line();
                if (!lex_.isKeyword("item")) lex_.fail(Format(LoadResString(&SCharExpected), {String("item")}), item.Line);
                lex_.next();
                while (!lex_.isKeyword("end")) {
                    if (lex_.peek().kind == Tok::End) lex_.fail(Format(LoadResString(&SCharExpected), {String("end")}), lex_.line());
                    item.Properties.push_back(property());
                }
                lex_.next();
                v.Items.push_back(std::move(item));
            }
            lex_.next();
            return v;
        }
        lex_.fail(SInvalidPropertyValue, t.line);
    }

    // Nesting is bounded, so damaged text cannot exhaust the stack.
    struct Depth {
        explicit Depth(Parser& p) : parser(p) {
            if (++parser.depth_ > 200) parser.lex_.fail(SNestingTooDeep, parser.lex_.line());
        }
        ~Depth() { --parser.depth_; }
        Parser& parser;
    };

    Lexer lex_;
    int depth_ = 0;
};

// ---- Printer -----------------------------------------------------------------------------

String indentOf(int level) { return String(static_cast<std::size_t>(level) * 2, ' '); }

// Shortest text of the value that reads back the same in a type of `digits` decimal digits.
String realText(long double v, int digits) {
    if (std::isnan(v) || std::isinf(v)) return "0.0";
    int maxDigits = 21;
    if (digits <= std::numeric_limits<float>::digits10) maxDigits = std::numeric_limits<float>::max_digits10;
    else if (digits <= std::numeric_limits<double>::digits10) maxDigits = std::numeric_limits<double>::max_digits10;
    TFloatRec r;
    for (int p = digits; p <= maxDigits; ++p) {
        r = FloatToDecimal(v, p, 9999);
        String probe = (r.Negative ? "-0." : "0.") + (r.Digits.empty() ? String("0") : r.Digits) + "e" + std::to_string(r.Exponent);
        const long double back = strtold_l(probe.c_str(), nullptr, cLocale());
        bool same;
        if (maxDigits == std::numeric_limits<float>::max_digits10)
            same = static_cast<float>(back) == static_cast<float>(v);
        else if (maxDigits == std::numeric_limits<double>::max_digits10)
            same = static_cast<double>(back) == static_cast<double>(v);
        else
            same = back == v;
        if (same) break;
    }
    if (r.Digits.empty()) return "0.0";
    String s = r.Negative ? "-" : "";
    const int n = static_cast<int>(r.Digits.size());
    if (r.Exponent > 0 && r.Exponent <= 21) {
        if (n <= r.Exponent) {
            s += r.Digits + String(static_cast<std::size_t>(r.Exponent - n), '0') + ".0";
        } else {
            s += r.Digits.substr(0, static_cast<std::size_t>(r.Exponent)) + "." + r.Digits.substr(static_cast<std::size_t>(r.Exponent));
        }
    } else if (r.Exponent <= 0 && r.Exponent > -5) {
        s += "0." + String(static_cast<std::size_t>(-r.Exponent), '0') + r.Digits;
    } else {
        s += r.Digits.substr(0, 1) + "." + (n > 1 ? r.Digits.substr(1) : String("0")) + "E" + std::to_string(r.Exponent - 1);
    }
    return s;
}

// Printable characters in quotes (as UTF-8), others as #code; pieces of at most 64 code
// units joined by " +" and a new line.
String stringText(const WideString& w, int level) {
    if (w.empty()) return "''";
    String out;
    String piece;
    bool inQuote = false;
    std::size_t units = 0;
    auto closeQuote = [&] {
        if (inQuote) {
            piece += '\'';
            inQuote = false;
        }
    };
    for (std::size_t k = 0; k < w.size(); ++k) {
        const char16_t c = w[k];
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        const bool pair = high && k + 1 < w.size() && w[k + 1] >= 0xDC00 && w[k + 1] <= 0xDFFF;
        const bool lone = (c >= 0xD800 && c <= 0xDFFF) && !pair;
        if (c < 32 || c == 127 || lone) {
            closeQuote();
            piece += "#" + std::to_string(static_cast<unsigned>(c));
        } else {
            if (!inQuote) {
                piece += '\'';
                inQuote = true;
            }
            if (c == '\'') {
                piece += "''";
            } else {
                const std::size_t len = pair ? 2 : 1;
                piece += platform::fromWide(std::u16string_view(w).substr(k, len), CP_UTF8);
                if (pair) ++k;
            }
        }
        if (++units >= 64 && k + 1 < w.size()) {
            closeQuote();
            out += piece + " +\n" + indentOf(level + 1);
            piece.clear();
            units = 0;
        }
    }
    closeQuote();
    return out + piece;
}

void printValue(String& out, const TLayoutValue& v, int level);

void printProperties(String& out, const std::vector<TLayoutProperty>& props, int level) {
    for (const TLayoutProperty& p : props) {
        out += indentOf(level) + p.Name + " = ";
        printValue(out, p.Value, level);
        out += "\n";
    }
}

void printValue(String& out, const TLayoutValue& v, int level) {
    static const char hex[] = "0123456789ABCDEF";
    switch (v.Kind) {
    case TLayoutValue::lvInteger: out += std::to_string(v.Integer); break;
    case TLayoutValue::lvReal: out += realText(v.Real, v.RealDigits); break;
    case TLayoutValue::lvString: out += stringText(v.Str, level); break;
    case TLayoutValue::lvIdent: out += v.Ident; break;
    case TLayoutValue::lvSet: {
        out += "[";
        for (std::size_t k = 0; k < v.Set.size(); ++k) out += (k ? ", " : "") + v.Set[k];
        out += "]";
        break;
    }
    case TLayoutValue::lvList: {
        out += "(";
        for (const TLayoutValue& item : v.List) {
            out += "\n" + indentOf(level + 1);
            printValue(out, item, level + 1);
        }
        out += ")";
        break;
    }
    case TLayoutValue::lvBinary: {
        out += "{";
        for (std::size_t k = 0; k < v.Binary.size(); ++k) {
            if (k % 32 == 0) out += "\n" + indentOf(level + 1);
            out += hex[v.Binary[k] >> 4];
            out += hex[v.Binary[k] & 15];
        }
        out += "}";
        break;
    }
    case TLayoutValue::lvCollection: {
        out += "<";
        for (const TLayoutItem& item : v.Items) {
            out += "\n" + indentOf(level + 1) + "item\n";
            printProperties(out, item.Properties, level + 2);
            out += indentOf(level + 1) + "end";
        }
        out += ">";
        break;
    }
    }
}

void printObject(String& out, const TLayoutObject& o, int level) {
    const char* kind = o.Kind == TLayoutObject::loInherited ? "inherited " : o.Kind == TLayoutObject::loInline ? "inline " : "object ";
    out += indentOf(level) + kind;
    out += o.Name.empty() ? o.ClassName : o.Name + ": " + o.ClassName;
    if (o.Index >= 0) out += " [" + std::to_string(o.Index) + "]";
    out += "\n";
    printProperties(out, o.Properties, level + 1);
    for (const TLayoutObject& c : o.Children) printObject(out, c, level + 1);
    out += indentOf(level) + "end\n";
}

}  // namespace

TLayoutObject ParseLayout(std::string_view Text) { return Parser(Text).root(); }

TLayoutValue ParseLayoutValue(std::string_view Text) { return Parser(Text).singleValue(); }

String LayoutToText(const TLayoutObject& Object) {
    String out;
    printObject(out, Object, 0);
    return out;
}

String LayoutValueToText(const TLayoutValue& Value) {
    String out;
    printValue(out, Value, 0);
    return out;
}
