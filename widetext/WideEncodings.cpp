// UTF-8, UTF-7, code pages, byte order, command-line parameters and resource strings.
#include "widetext/WideEncodings.h"
#include "widetext/WideSystem.h"

#include "platform/codepage.h"

#include <array>
#include <cstring>

UINT DefaultUserCodePage = 0;

namespace {

// One UTF-16 code unit or pair as UTF-8; returns the bytes written (at most 4) and the
// code units used.
int encodeUtf8(const WCHAR* s, std::size_t left, char out[4], int& used) {
    unsigned c = s[0];
    used = 1;
    if (c >= 0xD800 && c <= 0xDBFF && left > 1 && s[1] >= 0xDC00 && s[1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (s[1] - 0xDC00u);
        used = 2;
        out[0] = static_cast<char>(0xF0 | c >> 18);
        out[1] = static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out[2] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out[3] = static_cast<char>(0x80 | (c & 0x3F));
        return 4;
    }
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | c >> 6);
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    out[0] = static_cast<char>(0xE0 | c >> 12);
    out[1] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
}

// One UTF-8 sequence at p: its length (0 when malformed) and one or two code units.
int decodeUtf8(const unsigned char* p, std::size_t left, WCHAR units[2], int& count) {
    const unsigned b = p[0];
    count = 1;
    if (b < 0x80) {
        units[0] = static_cast<WCHAR>(b);
        return 1;
    }
    int need;
    unsigned lo = 0x80, hi = 0xBF, c;
    if (b >= 0xC2 && b <= 0xDF) {
        need = 1;
        c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        need = 2;
        c = b & 0x0F;
        if (b == 0xE0) lo = 0xA0;  // shorter forms are overlong
    } else if (b >= 0xF0 && b <= 0xF4) {
        need = 3;
        c = b & 0x07;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;  // stray continuation byte, overlong lead or 0xF5..0xFF
    }
    if (left < static_cast<std::size_t>(need) + 1) return 0;
    for (int k = 1; k <= need; ++k) {
        if (p[k] < lo || p[k] > hi) return 0;
        c = c << 6 | (p[k] & 0x3F);
        lo = 0x80;
        hi = 0xBF;
    }
    if (c >= 0x10000) {
        c -= 0x10000;
        units[0] = static_cast<WCHAR>(0xD800 + (c >> 10));
        units[1] = static_cast<WCHAR>(0xDC00 + (c & 0x3FF));
        count = 2;
    } else {
        units[0] = static_cast<WCHAR>(c);
    }
    return need + 1;
}

// The UTF-7 tables, built once (thread-safe static initialisation).
struct Utf7Tables {
    std::array<bool, 128> mustShift{};         // everything but direct characters and spaces
    std::array<bool, 128> mustShiftOptional{};  // the optional direct characters are direct too
    std::array<signed char, 256> base64Value{};
};

constexpr const char* kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

const Utf7Tables& utf7Tables() {
    static const Utf7Tables tables = [] {
        Utf7Tables t;
        const char* direct = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789'(),-./:?";
        const char* optional = "!\"#$%&*;<=>@[]^_`{|}";
        const char* spaces = "\t\r\n ";
        t.mustShift.fill(true);
        t.mustShiftOptional.fill(true);
        for (const char* p = direct; *p; ++p) t.mustShift[static_cast<unsigned char>(*p)] = t.mustShiftOptional[static_cast<unsigned char>(*p)] = false;
        for (const char* p = spaces; *p; ++p) t.mustShift[static_cast<unsigned char>(*p)] = t.mustShiftOptional[static_cast<unsigned char>(*p)] = false;
        for (const char* p = optional; *p; ++p) t.mustShiftOptional[static_cast<unsigned char>(*p)] = false;
        t.base64Value.fill(-1);
        for (int i = 0; i < 64; ++i) t.base64Value[static_cast<unsigned char>(kBase64[i])] = static_cast<signed char>(i);
        return t;
    }();
    return tables;
}

[[noreturn]] void invalidUtf7() { throw EWideGeneralError(SWideInvalidUtf7); }

}  // namespace

std::string WideToUtf8(const WideString& S) {
    std::string out;
    out.reserve(S.size() * 3);
    char bytes[4];
    for (std::size_t i = 0; i < S.size();) {
        int used = 0;
        const int n = encodeUtf8(S.data() + i, S.size() - i, bytes, used);
        out.append(bytes, static_cast<std::size_t>(n));
        i += static_cast<std::size_t>(used);
    }
    return out;
}

WideString Utf8ToWide(const std::string& S) {
    WideString out;
    out.reserve(S.size());
    const auto* p = reinterpret_cast<const unsigned char*>(S.data());
    WCHAR units[2];
    for (std::size_t i = 0; i < S.size();) {
        int count = 0;
        const int n = decodeUtf8(p + i, S.size() - i, units, count);
        if (n == 0) return {};
        out.append(units, static_cast<std::size_t>(count));
        i += static_cast<std::size_t>(n);
    }
    return out;
}

int UnicodeToUtf8(char* Dest, unsigned MaxDestBytes, const WCHAR* Source, unsigned SourceChars) {
    if (!Source) return 0;
    std::size_t written = 0;
    char bytes[4];
    for (std::size_t i = 0; i < SourceChars;) {
        int used = 0;
        const int n = encodeUtf8(Source + i, SourceChars - i, bytes, used);
        if (Dest) {
            if (MaxDestBytes == 0 || written + static_cast<std::size_t>(n) > MaxDestBytes - 1) break;
            std::memcpy(Dest + written, bytes, static_cast<std::size_t>(n));
        }
        written += static_cast<std::size_t>(n);
        i += static_cast<std::size_t>(used);
    }
    if (Dest) {
        if (MaxDestBytes == 0) return 0;
        Dest[written] = 0;
    }
    return static_cast<int>(written) + 1;
}

int Utf8ToUnicode(WCHAR* Dest, unsigned MaxDestChars, const char* Source, unsigned SourceBytes) {
    if (!Source) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(Source);
    std::size_t written = 0;
    WCHAR units[2];
    for (std::size_t i = 0; i < SourceBytes;) {
        int count = 0;
        const int n = decodeUtf8(p + i, SourceBytes - i, units, count);
        if (n == 0) return -1;
        if (Dest) {
            if (MaxDestChars == 0 || written + static_cast<std::size_t>(count) > MaxDestChars - 1) break;
            std::copy_n(units, count, Dest + written);
        }
        written += static_cast<std::size_t>(count);
        i += static_cast<std::size_t>(n);
    }
    if (Dest) {
        if (MaxDestChars == 0) return 0;
        Dest[written] = 0;
    }
    return static_cast<int>(written) + 1;
}

std::string WideToUtf7(const WideString& S) {
    const Utf7Tables& t = utf7Tables();
    std::string out;
    out.reserve(S.size() * 3);
    bool inRun = false;
    std::uint32_t bits = 0;
    int nbits = 0;
    auto endRun = [&](bool beforeBase64OrMinus) {
        if (nbits > 0) out.push_back(kBase64[(bits << (6 - nbits)) & 0x3F]);
        if (beforeBase64OrMinus) out.push_back('-');
        inRun = false;
        bits = 0;
        nbits = 0;
    };
    for (const WCHAR c : S) {
        const bool shift = c >= 128 || t.mustShiftOptional[c];
        if (!shift) {
            if (inRun) endRun(t.base64Value[c] >= 0 || c == u'-');
            out.push_back(static_cast<char>(c));
        } else if (!inRun && c == u'+') {
            out += "+-";
        } else {
            if (!inRun) {
                out.push_back('+');
                inRun = true;
            }
            bits = bits << 16 | c;
            nbits += 16;
            while (nbits >= 6) {
                nbits -= 6;
                out.push_back(kBase64[(bits >> nbits) & 0x3F]);
            }
            bits &= (1u << nbits) - 1;
        }
    }
    if (inRun) endRun(false);
    return out;
}

WideString Utf7ToWide(const std::string& S) {
    const Utf7Tables& t = utf7Tables();
    WideString out;
    out.reserve(S.size());
    const auto* p = reinterpret_cast<const unsigned char*>(S.data());
    const std::size_t n = S.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned b = p[i];
        if (b >= 0x80) invalidUtf7();
        if (b != '+') {
            out.push_back(static_cast<WCHAR>(b));
            ++i;
            continue;
        }
        ++i;
        if (i < n && p[i] == '-') {
            out.push_back(u'+');
            ++i;
            continue;
        }
        std::uint32_t bits = 0;
        int nbits = 0;
        int produced = 0;
        while (i < n && t.base64Value[p[i]] >= 0) {
            bits = bits << 6 | static_cast<std::uint32_t>(t.base64Value[p[i]]);
            nbits += 6;
            if (nbits >= 16) {
                nbits -= 16;
                out.push_back(static_cast<WCHAR>((bits >> nbits) & 0xFFFF));
                ++produced;
            }
            bits &= (1u << nbits) - 1;
            ++i;
        }
        if (bits != 0 || produced == 0) invalidUtf7();
        if (i < n && p[i] == '-') ++i;
    }
    return out;
}

WideString StringToWideStringEx(const std::string& S, UINT CodePage) {
    if (CodePage == CP_UTF7) return Utf7ToWide(S);
    if (CodePage == CP_UTF8) return Utf8ToWide(S);
    if (S.empty()) return {};
    const int n = MultiByteToWideChar(CodePage, 0, S.data(), static_cast<int>(S.size()), nullptr, 0);
    if (n <= 0) return {};
    WideString out(static_cast<std::size_t>(n), u'\0');
    MultiByteToWideChar(CodePage, 0, S.data(), static_cast<int>(S.size()), out.data(), n);
    return out;
}

std::string WideStringToStringEx(const WideString& W, UINT CodePage) {
    if (CodePage == CP_UTF7) return WideToUtf7(W);
    if (CodePage == CP_UTF8) return WideToUtf8(W);
    if (W.empty()) return {};
    const int n = WideCharToMultiByte(CodePage, 0, W.data(), static_cast<int>(W.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CodePage, 0, W.data(), static_cast<int>(W.size()), out.data(), n, nullptr, nullptr);
    return out;
}

UINT CodePageFromLocale(LCID Locale) {
    char buffer[6] = {};
    if (GetLocaleInfoA(Locale, LOCALE_IDEFAULTANSICODEPAGE, buffer, 6) <= 0) return GetACP();
    UINT value = 0;
    bool digits = buffer[0] != 0;
    for (const char* p = buffer; *p; ++p) {
        if (*p < '0' || *p > '9') {
            digits = false;
            break;
        }
        value = value * 10 + static_cast<UINT>(*p - '0');
    }
    return digits ? value : GetACP();
}

UINT KeyboardCodePage() {
    const auto layout = reinterpret_cast<ULONG_PTR>(GetKeyboardLayout(0));
    return CodePageFromLocale(LOWORD(layout));
}

WCHAR AnsiCharToWideChar(WORD C) {
    if (C >= 256) return C;
    const char byte = static_cast<char>(C);
    WCHAR out[2] = {};
    if (MultiByteToWideChar(KeyboardCodePage(), MB_USEGLYPHCHARS, &byte, 1, out, 2) != 1) return C;
    return out[0];
}

void StrSwapByteOrder(WCHAR* P) {
    if (!P) return;
    for (; *P; ++P) *P = static_cast<WCHAR>(*P << 8 | *P >> 8);
}

WideString WideCommandLineParam(int Index) {
    if (Index == 0) return WideGetModuleFileName(nullptr);
    if (Index < 0) return {};
    return platform::wideArgument(static_cast<std::size_t>(Index));
}

WideString WideLoadResString(PResStringRec ResRec) {
    if (!ResRec) return {};
    if (ResRec->Identifier <= 0xFFFF) {
        WCHAR buffer[4097];
        const HMODULE module = ResRec->Module ? *ResRec->Module : nullptr;
        const int n = WideApiLoadString(module, static_cast<UINT>(ResRec->Identifier), buffer, 4097);
        return WideString(buffer, static_cast<std::size_t>(n > 0 ? n : 0));
    }
    const char* text = reinterpret_cast<const char*>(ResRec->Identifier);
    if (std::strncmp(text, "\xEF\xBB\xBF", 3) == 0) return Utf8ToWide(text + 3);
    return StringToWideStringEx(text, CP_ACP);
}
