// Code pages: the ANSI code page, conversions through tables built from Qt's converters,
// UTF-8, and character case and class.
#include "platform/codepage.h"
#include "platform/fileapi.h"
#include "platform/winerror.h"

#include <QChar>
#include <QStringDecoder>
#include <array>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kNone = 0xFFFF;  // no single-byte mapping (or a lead byte)

struct CodePageName {
    UINT number;
    const char* name;
    bool dbcs;
};

constexpr std::array<CodePageName, 15> kCodePages{{
    {1250, "windows-1250", false}, {1251, "windows-1251", false}, {1252, "windows-1252", false},
    {1253, "windows-1253", false}, {1254, "windows-1254", false}, {1255, "windows-1255", false},
    {1256, "windows-1256", false}, {1257, "windows-1257", false}, {1258, "windows-1258", false},
    {437, "IBM437", false},        {850, "IBM850", false},        {932, "windows-31j", true},
    {936, "windows-936", true},    {949, "windows-949", true},    {950, "windows-950", true},
}};

// Picture characters of the control bytes 0x01..0x1F and 0x7F in the OEM code pages.
constexpr std::array<char16_t, 32> kGlyphs{
    0x0000, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9,
    0x2642, 0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7,
    0x25AC, 0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC};
constexpr char16_t kGlyph7F = 0x2302;

// A code page as tables: byte to character, lead byte and trail byte to character, and
// character to its one or two bytes (values above 0xFF are lead << 8 | trail).
struct Table {
    UINT number = 0;
    bool dbcs = false;
    std::array<char16_t, 256> single{};
    std::array<bool, 256> lead{};
    std::vector<char16_t> pairs;   // 256 entries per lead byte, kNone where unmapped
    std::vector<int> leadIndex;    // lead byte to its block in `pairs`, -1 when none
    std::vector<std::uint16_t> reverse;  // 65536 entries, 0 = unmapped (except U+0000)
};

// The one character that `bytes` decode to, or kNone. Qt's converters mark bytes they
// cannot map with U+001A or U+FFFD (input below 0x80 never comes here).
char16_t decodeOne(QStringDecoder& decoder, const char* bytes, int n) {
    const QString s = decoder.decode(QByteArrayView(bytes, n));
    if (s.size() != 1) return kNone;
    const char16_t c = s.at(0).unicode();
    return (c == kReplacement || c == 0x1A) ? kNone : c;
}

std::unique_ptr<Table> buildTable(const CodePageName& cp) {
    auto t = std::make_unique<Table>();
    t->number = cp.number;
    t->dbcs = cp.dbcs;
    t->single.fill(kNone);
    t->leadIndex.assign(256, -1);
    t->reverse.assign(65536, 0);
    QStringDecoder decoder(cp.name, QStringConverter::Flag::Stateless);
    for (int b = 0; b < 256; ++b) {
        if (b < 0x80) {  // every offered code page is ASCII-compatible
            t->single[static_cast<std::size_t>(b)] = static_cast<char16_t>(b);
            continue;
        }
        const char byte = static_cast<char>(b);
        if (!decoder.isValid()) continue;
        // A lead byte alone decodes to nothing: it waits for its trail byte.
        if (cp.dbcs && QString(decoder.decode(QByteArrayView(&byte, 1))).isEmpty()) {
            std::vector<char16_t> block(256, kNone);
            for (int trail = 0x30; trail < 0xFF; ++trail) {
                const char two[2] = {byte, static_cast<char>(trail)};
                block[static_cast<std::size_t>(trail)] = decodeOne(decoder, two, 2);
            }
            t->lead[static_cast<std::size_t>(b)] = true;
            t->leadIndex[static_cast<std::size_t>(b)] = static_cast<int>(t->pairs.size() / 256);
            t->pairs.insert(t->pairs.end(), block.begin(), block.end());
            continue;
        }
        t->single[static_cast<std::size_t>(b)] = decodeOne(decoder, &byte, 1);
    }
    // Single bytes win over pairs; the first byte sequence of a character wins.
    for (int b = 1; b < 256; ++b) {
        const char16_t c = t->single[static_cast<std::size_t>(b)];
        if (c != kNone && c != 0 && t->reverse[c] == 0) t->reverse[c] = static_cast<std::uint16_t>(b);
    }
    for (int b = 0x80; b < 256; ++b) {
        const int index = t->leadIndex[static_cast<std::size_t>(b)];
        if (index < 0) continue;
        for (int trail = 0; trail < 256; ++trail) {
            const char16_t c = t->pairs[static_cast<std::size_t>(index * 256 + trail)];
            if (c != kNone && c != 0 && t->reverse[c] == 0)
                t->reverse[c] = static_cast<std::uint16_t>(b << 8 | trail);
        }
    }
    return t;
}

const Table* table(UINT number) {
    static std::array<std::atomic<const Table*>, kCodePages.size()> built{};
    static std::mutex mutex;
    for (std::size_t i = 0; i < kCodePages.size(); ++i) {
        if (kCodePages[i].number != number) continue;
        if (const Table* t = built[i].load(std::memory_order_acquire)) return t;
        std::lock_guard lock(mutex);
        if (const Table* t = built[i].load(std::memory_order_acquire)) return t;
        const Table* t = buildTable(kCodePages[i]).release();  // kept for the process
        built[i].store(t, std::memory_order_release);
        return t;
    }
    return nullptr;
}

std::atomic<UINT> ansiCodePage{CP_UTF8};

UINT resolve(UINT codePage) {
    switch (codePage) {
    case CP_ACP:
    case CP_THREAD_ACP:
        return ansiCodePage.load();
    case CP_OEMCP:
        return GetOEMCP();
    default:
        return codePage;
    }
}

bool offered(UINT number) { return number == CP_UTF8 || table(number) != nullptr; }

// Strict UTF-8: overlong forms, surrogates, values above U+10FFFF and stray bytes are
// invalid, each maximal invalid part giving one U+FFFD.
void decodeUtf8(std::string_view in, std::u16string& out) {
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const std::size_t n = in.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned b = p[i];
        if (b < 0x80) {
            out.push_back(static_cast<char16_t>(b));
            ++i;
            continue;
        }
        int need = 0;
        unsigned lo = 0x80, hi = 0xBF, cp = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            need = 1;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            need = 2;
            cp = b & 0x0F;
            if (b == 0xE0) lo = 0xA0;
            if (b == 0xED) hi = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            need = 3;
            cp = b & 0x07;
            if (b == 0xF0) lo = 0x90;
            if (b == 0xF4) hi = 0x8F;
        } else {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        bool ok = true;
        for (int k = 0; k < need; ++k, ++j) {
            if (j >= n || p[j] < lo || p[j] > hi) {
                ok = false;
                break;
            }
            cp = cp << 6 | (p[j] & 0x3F);
            lo = 0x80;
            hi = 0xBF;
        }
        if (!ok) {
            out.push_back(kReplacement);
            i = j;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i = j;
    }
}

// UTF-8 of UTF-16; a surrogate without its partner becomes the default character.
void encodeUtf8(std::u16string_view in, std::string& out, std::string_view defaultChar, bool& lossy) {
    for (std::size_t i = 0; i < in.size(); ++i) {
        unsigned c = in[i];
        if (c >= 0xD800 && c <= 0xDFFF) {
            if (c <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (in[i + 1] - 0xDC00u);
                ++i;
            } else {
                out.append(defaultChar);
                lossy = true;
                continue;
            }
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | c >> 6));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | c >> 12));
            out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | c >> 18));
            out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
}

void decodeTable(const Table& t, std::string_view in, DWORD flags, std::u16string& out) {
    const bool glyphs = (flags & MB_USEGLYPHCHARS) && (t.number == 437 || t.number == 850);
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    for (std::size_t i = 0; i < in.size(); ++i) {
        const unsigned b = p[i];
        if (glyphs && b > 0 && b < 0x20) {
            out.push_back(kGlyphs[b]);
            continue;
        }
        if (glyphs && b == 0x7F) {
            out.push_back(kGlyph7F);
            continue;
        }
        if (t.lead[b]) {
            if (i + 1 < in.size()) {
                const char16_t c = t.pairs[static_cast<std::size_t>(t.leadIndex[b]) * 256 + p[i + 1]];
                if (c != kNone) {
                    out.push_back(c);
                    ++i;
                    continue;
                }
            }
            out.push_back(kReplacement);
            continue;
        }
        const char16_t c = t.single[b];
        out.push_back(c == kNone ? kReplacement : c);
    }
}

void encodeTable(const Table& t, std::u16string_view in, std::string& out, std::string_view defaultChar,
                 bool& lossy) {
    for (const char16_t c : in) {
        if (c == 0) {
            out.push_back('\0');
            continue;
        }
        const std::uint16_t v = t.reverse[c];
        if (v == 0) {
            out.append(defaultChar);
            lossy = true;
        } else if (v > 0xFF) {
            out.push_back(static_cast<char>(v >> 8));
            out.push_back(static_cast<char>(v & 0xFF));
        } else {
            out.push_back(static_cast<char>(v));
        }
    }
}

bool convertToWide(std::string_view text, UINT number, DWORD flags, std::u16string& out) {
    if (number == CP_UTF8) {
        decodeUtf8(text, out);
        return true;
    }
    const Table* t = table(number);
    if (!t) return false;
    decodeTable(*t, text, flags, out);
    return true;
}

bool convertFromWide(std::u16string_view text, UINT number, std::string_view defaultChar, std::string& out,
                     bool& lossy) {
    if (number == CP_UTF8) {
        encodeUtf8(text, out, defaultChar, lossy);
        return true;
    }
    const Table* t = table(number);
    if (!t) return false;
    encodeTable(*t, text, out, defaultChar, lossy);
    return true;
}

// Length of the 8-bit character at p in code page `number` (at least 1, at most `left`).
std::size_t charLength(const Table* t, UINT number, const unsigned char* p, std::size_t left) {
    if (left == 0) return 0;
    if (number == CP_UTF8) {
        const unsigned b = p[0];
        std::size_t n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        std::size_t k = 1;
        while (k < n && k < left && (p[k] & 0xC0) == 0x80) ++k;
        return k;
    }
    if (t && t->lead[p[0]] && left > 1 && p[1] != 0) return 2;
    return 1;
}

template <class Map>
void mapAnsiInPlace(char* text, std::size_t length, Map map) {
    const UINT number = ansiCodePage.load();
    const Table* t = number == CP_UTF8 ? nullptr : table(number);
    auto* p = reinterpret_cast<unsigned char*>(text);
    std::size_t i = 0;
    while (i < length) {
        const std::size_t n = charLength(t, number, p + i, length - i);
        const std::string_view part(text + i, n);
        std::u16string wide;
        convertToWide(part, number, 0, wide);
        if (wide.size() <= 2 && !wide.empty() && wide.find(kReplacement) == std::u16string::npos) {
            std::u16string mapped = wide;
            if (mapped.size() == 1) mapped[0] = map(mapped[0]);
            std::string back;
            bool lossy = false;
            convertFromWide(mapped, number, "?", back, lossy);
            if (!lossy && back.size() == n) std::memcpy(text + i, back.data(), n);
        }
        i += n;
    }
}

bool isSingleCharacterPointer(const void* p) { return (reinterpret_cast<std::uintptr_t>(p) >> 16) == 0; }

}  // namespace

bool setAnsiCodePage(UINT codePage) {
    if (!offered(codePage)) return false;
    ansiCodePage.store(codePage);
    return true;
}

std::u16string toWide(std::string_view text, UINT codePage, DWORD flags) {
    std::u16string out;
    out.reserve(text.size());
    if (!convertToWide(text, resolve(codePage), flags, out)) out.assign(text.size(), kReplacement);
    return out;
}

std::string fromWide(std::u16string_view text, UINT codePage, bool* lossy) {
    std::string out;
    out.reserve(text.size());
    bool lost = false;
    if (!convertFromWide(text, resolve(codePage), "?", out, lost)) {
        out.assign(text.size(), '?');
        lost = !text.empty();
    }
    if (lossy) *lossy = lost;
    return out;
}

// With the UTF-8 code page an 8-bit text may hold any bytes (file names do): bytes that
// are not UTF-8 travel as U+DC80..U+DCFF and come back as the same bytes.
std::u16string ansiToWide(std::string_view text) {
    return ansiCodePage.load() == CP_UTF8 ? fileNameToWide(text) : toWide(text, CP_ACP);
}

std::string wideToAnsi(std::u16string_view text) {
    return ansiCodePage.load() == CP_UTF8 ? wideToFileName(text) : fromWide(text, CP_ACP);
}

char16_t upperUnit(char16_t c) {
    if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    const char32_t u = QChar::toUpper(static_cast<char32_t>(c));
    return u > 0xFFFF ? c : static_cast<char16_t>(u);
}

char16_t lowerUnit(char16_t c) {
    if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
    const char32_t u = QChar::toLower(static_cast<char32_t>(c));
    return u > 0xFFFF ? c : static_cast<char16_t>(u);
}

}  // namespace platform

using platform::ansiCodePage;

UINT GetACP() { return ansiCodePage.load(); }

UINT GetOEMCP() {
    const UINT acp = ansiCodePage.load();
    switch (acp) {
    case CP_UTF8:
    case 932:
    case 936:
    case 949:
    case 950:
        return acp;
    case 1252:
        return 850;
    default:
        return 437;
    }
}

BOOL IsValidCodePage(UINT codePage) {
    return codePage != CP_ACP && codePage != CP_OEMCP && codePage != CP_THREAD_ACP &&
           platform::offered(codePage);
}

BOOL GetCPInfo(UINT codePage, CPINFO* info) {
    const UINT number = platform::resolve(codePage);
    if (!info || !platform::offered(number)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::memset(info, 0, sizeof *info);
    info->DefaultChar[0] = '?';
    if (number == CP_UTF8) {
        info->MaxCharSize = 4;
        return TRUE;
    }
    const platform::Table* t = platform::table(number);
    info->MaxCharSize = t->dbcs ? 2 : 1;
    int k = 0;
    for (int b = 0; b < 256 && k + 1 < MAX_LEADBYTES - 1; ++b) {
        if (!t->lead[static_cast<std::size_t>(b)]) continue;
        int e = b;
        while (e + 1 < 256 && t->lead[static_cast<std::size_t>(e + 1)]) ++e;
        info->LeadByte[k++] = static_cast<BYTE>(b);
        info->LeadByte[k++] = static_cast<BYTE>(e);
        b = e;
    }
    return TRUE;
}

BOOL IsDBCSLeadByteEx(UINT codePage, BYTE test) {
    const UINT number = platform::resolve(codePage);
    if (number == CP_UTF8) return FALSE;
    const platform::Table* t = platform::table(number);
    return t && t->lead[test];
}

BOOL IsDBCSLeadByte(BYTE test) { return IsDBCSLeadByteEx(CP_ACP, test); }

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceLength, LPWSTR dest,
                        int destLength) {
    const UINT number = platform::resolve(codePage);
    if (!source || sourceLength == 0 || sourceLength < -1 || destLength < 0 || (destLength > 0 && !dest) ||
        !platform::offered(number)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (flags & ~(MB_PRECOMPOSED | MB_COMPOSITE | MB_USEGLYPHCHARS)) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    const std::size_t n = sourceLength < 0 ? std::strlen(source) + 1 : static_cast<std::size_t>(sourceLength);
    std::u16string out;
    out.reserve(n);
    platform::convertToWide(std::string_view(source, n), number, flags, out);
    if (destLength == 0) return static_cast<int>(out.size());
    if (out.size() > static_cast<std::size_t>(destLength)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(dest, out.data(), out.size() * sizeof(char16_t));
    return static_cast<int>(out.size());
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceLength, LPSTR dest,
                        int destLength, LPCSTR defaultChar, BOOL* usedDefaultChar) {
    const UINT number = platform::resolve(codePage);
    if (!source || sourceLength == 0 || sourceLength < -1 || destLength < 0 || (destLength > 0 && !dest) ||
        !platform::offered(number)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (flags & ~(WC_DISCARDNS | WC_SEPCHARS | WC_DEFAULTCHAR | WC_COMPOSITECHECK | WC_NO_BEST_FIT_CHARS)) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    std::size_t n = 0;
    if (sourceLength < 0) {
        while (source[n]) ++n;
        ++n;
    } else {
        n = static_cast<std::size_t>(sourceLength);
    }
    std::string out;
    out.reserve(n);
    bool lossy = false;
    const std::string_view def = defaultChar && *defaultChar ? std::string_view(defaultChar, 1) : "?";
    platform::convertFromWide(std::u16string_view(source, n), number, def, out, lossy);
    if (usedDefaultChar) *usedDefaultChar = lossy;
    if (destLength == 0) return static_cast<int>(out.size());
    if (out.size() > static_cast<std::size_t>(destLength)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(dest, out.data(), out.size());
    return static_cast<int>(out.size());
}

namespace {

// One 8-bit character (a byte of the ANSI code page) through a UTF-16 mapping.
CHAR mapAnsiChar(CHAR ch, char16_t (*map)(char16_t)) {
    const std::u16string w = platform::ansiToWide(std::string_view(&ch, 1));
    if (w.size() != 1 || w[0] == 0xFFFD) return ch;
    bool lossy = false;
    const std::string back = platform::fromWide(std::u16string(1, map(w[0])), CP_ACP, &lossy);
    return (!lossy && back.size() == 1) ? back[0] : ch;
}

std::u16string wideOfAnsiChar(CHAR ch) {
    std::u16string w = platform::ansiToWide(std::string_view(&ch, 1));
    if (w.size() != 1 || w[0] == 0xFFFD) return {};
    return w;
}

}  // namespace

LPSTR CharUpperA(LPSTR text) {
    if (platform::isSingleCharacterPointer(text)) {
        const CHAR c = static_cast<CHAR>(reinterpret_cast<std::uintptr_t>(text) & 0xFF);
        return reinterpret_cast<LPSTR>(static_cast<std::uintptr_t>(
            static_cast<unsigned char>(mapAnsiChar(c, platform::upperUnit))));
    }
    platform::mapAnsiInPlace(text, std::strlen(text), platform::upperUnit);
    return text;
}

LPSTR CharLowerA(LPSTR text) {
    if (platform::isSingleCharacterPointer(text)) {
        const CHAR c = static_cast<CHAR>(reinterpret_cast<std::uintptr_t>(text) & 0xFF);
        return reinterpret_cast<LPSTR>(static_cast<std::uintptr_t>(
            static_cast<unsigned char>(mapAnsiChar(c, platform::lowerUnit))));
    }
    platform::mapAnsiInPlace(text, std::strlen(text), platform::lowerUnit);
    return text;
}

LPWSTR CharUpperW(LPWSTR text) {
    if (platform::isSingleCharacterPointer(text)) {
        const auto c = static_cast<char16_t>(reinterpret_cast<std::uintptr_t>(text) & 0xFFFF);
        return reinterpret_cast<LPWSTR>(static_cast<std::uintptr_t>(platform::upperUnit(c)));
    }
    for (LPWSTR p = text; *p; ++p) *p = platform::upperUnit(*p);
    return text;
}

LPWSTR CharLowerW(LPWSTR text) {
    if (platform::isSingleCharacterPointer(text)) {
        const auto c = static_cast<char16_t>(reinterpret_cast<std::uintptr_t>(text) & 0xFFFF);
        return reinterpret_cast<LPWSTR>(static_cast<std::uintptr_t>(platform::lowerUnit(c)));
    }
    for (LPWSTR p = text; *p; ++p) *p = platform::lowerUnit(*p);
    return text;
}

DWORD CharUpperBuffA(LPSTR text, DWORD length) {
    if (!text) return 0;
    platform::mapAnsiInPlace(text, length, platform::upperUnit);
    return length;
}

DWORD CharLowerBuffA(LPSTR text, DWORD length) {
    if (!text) return 0;
    platform::mapAnsiInPlace(text, length, platform::lowerUnit);
    return length;
}

DWORD CharUpperBuffW(LPWSTR text, DWORD length) {
    if (!text) return 0;
    for (DWORD i = 0; i < length; ++i) text[i] = platform::upperUnit(text[i]);
    return length;
}

DWORD CharLowerBuffW(LPWSTR text, DWORD length) {
    if (!text) return 0;
    for (DWORD i = 0; i < length; ++i) text[i] = platform::lowerUnit(text[i]);
    return length;
}

BOOL IsCharAlphaW(WCHAR ch) { return QChar(ch).isLetter(); }
BOOL IsCharAlphaNumericW(WCHAR ch) { return QChar(ch).isLetterOrNumber(); }
BOOL IsCharUpperW(WCHAR ch) { return QChar(ch).isUpper(); }
BOOL IsCharLowerW(WCHAR ch) { return QChar(ch).isLower(); }

BOOL IsCharAlphaA(CHAR ch) {
    const std::u16string w = wideOfAnsiChar(ch);
    return !w.empty() && IsCharAlphaW(w[0]);
}
BOOL IsCharAlphaNumericA(CHAR ch) {
    const std::u16string w = wideOfAnsiChar(ch);
    return !w.empty() && IsCharAlphaNumericW(w[0]);
}
BOOL IsCharUpperA(CHAR ch) {
    const std::u16string w = wideOfAnsiChar(ch);
    return !w.empty() && IsCharUpperW(w[0]);
}
BOOL IsCharLowerA(CHAR ch) {
    const std::u16string w = wideOfAnsiChar(ch);
    return !w.empty() && IsCharLowerW(w[0]);
}

LPSTR CharNextA(LPCSTR text) {
    if (!text || !*text) return const_cast<LPSTR>(text);
    const UINT number = ansiCodePage.load();
    const platform::Table* t = number == CP_UTF8 ? nullptr : platform::table(number);
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    return const_cast<LPSTR>(text + platform::charLength(t, number, p, std::strlen(text)));
}

LPSTR CharPrevA(LPCSTR start, LPCSTR current) {
    if (!start || !current || current <= start) return const_cast<LPSTR>(start);
    LPCSTR p = start;
    for (;;) {
        LPCSTR next = CharNextA(p);
        if (next >= current || next == p) return const_cast<LPSTR>(p);
        p = next;
    }
}
