// Locales over QLocale and QCollator.
#include "platform/codepage.h"
#include "platform/locale.h"

#include <QChar>
#include <QCollator>
#include <QLocale>
#include <QString>
#include <array>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {
namespace {

struct LocaleInfo {
    LCID lcid;
    QLocale::Language language;
    QLocale::Territory territory;
    UINT ansiCodePage;
    UINT oemCodePage;
};

const std::array<LocaleInfo, 41> kLocales{{
    {0x0409, QLocale::English, QLocale::UnitedStates, 1252, 437},
    {0x0809, QLocale::English, QLocale::UnitedKingdom, 1252, 850},
    {0x0407, QLocale::German, QLocale::Germany, 1252, 850},
    {0x0807, QLocale::German, QLocale::Switzerland, 1252, 850},
    {0x0C07, QLocale::German, QLocale::Austria, 1252, 850},
    {0x040C, QLocale::French, QLocale::France, 1252, 850},
    {0x080C, QLocale::French, QLocale::Belgium, 1252, 850},
    {0x0410, QLocale::Italian, QLocale::Italy, 1252, 850},
    {0x0C0A, QLocale::Spanish, QLocale::Spain, 1252, 850},
    {0x080A, QLocale::Spanish, QLocale::Mexico, 1252, 850},
    {0x0413, QLocale::Dutch, QLocale::Netherlands, 1252, 850},
    {0x0416, QLocale::Portuguese, QLocale::Brazil, 1252, 850},
    {0x0816, QLocale::Portuguese, QLocale::Portugal, 1252, 850},
    {0x041D, QLocale::Swedish, QLocale::Sweden, 1252, 850},
    {0x0406, QLocale::Danish, QLocale::Denmark, 1252, 850},
    {0x0414, QLocale::NorwegianBokmal, QLocale::Norway, 1252, 850},
    {0x040B, QLocale::Finnish, QLocale::Finland, 1252, 850},
    {0x040F, QLocale::Icelandic, QLocale::Iceland, 1252, 850},
    {0x0405, QLocale::Czech, QLocale::CzechRepublic, 1250, 852},
    {0x0415, QLocale::Polish, QLocale::Poland, 1250, 852},
    {0x040E, QLocale::Hungarian, QLocale::Hungary, 1250, 852},
    {0x041B, QLocale::Slovak, QLocale::Slovakia, 1250, 852},
    {0x0424, QLocale::Slovenian, QLocale::Slovenia, 1250, 852},
    {0x041A, QLocale::Croatian, QLocale::Croatia, 1250, 852},
    {0x0418, QLocale::Romanian, QLocale::Romania, 1250, 852},
    {0x0419, QLocale::Russian, QLocale::Russia, 1251, 866},
    {0x0422, QLocale::Ukrainian, QLocale::Ukraine, 1251, 866},
    {0x0402, QLocale::Bulgarian, QLocale::Bulgaria, 1251, 866},
    {0x0408, QLocale::Greek, QLocale::Greece, 1253, 737},
    {0x041F, QLocale::Turkish, QLocale::Turkey, 1254, 857},
    {0x040D, QLocale::Hebrew, QLocale::Israel, 1255, 862},
    {0x0401, QLocale::Arabic, QLocale::SaudiArabia, 1256, 720},
    {0x0429, QLocale::Persian, QLocale::Iran, 1256, 720},
    {0x0425, QLocale::Estonian, QLocale::Estonia, 1257, 775},
    {0x0426, QLocale::Latvian, QLocale::Latvia, 1257, 775},
    {0x0427, QLocale::Lithuanian, QLocale::Lithuania, 1257, 775},
    {0x042A, QLocale::Vietnamese, QLocale::Vietnam, 1258, 1258},
    {0x0411, QLocale::Japanese, QLocale::Japan, 932, 932},
    {0x0804, QLocale::Chinese, QLocale::China, 936, 936},
    {0x0412, QLocale::Korean, QLocale::SouthKorea, 949, 949},
    {0x0404, QLocale::Chinese, QLocale::Taiwan, 950, 950},
}};

const LocaleInfo kInvariant{LOCALE_INVARIANT, QLocale::C, QLocale::AnyTerritory, 1252, 437};

const LocaleInfo* infoOfLcid(LCID lcid) {
    const LANGID lang = LANGIDFROMLCID(lcid);
    if (lang == LOCALE_INVARIANT) return &kInvariant;
    for (const LocaleInfo& i : kLocales)
        if (i.lcid == lang) return &i;
    return nullptr;
}

LCID lcidOfLocale(const QLocale& locale) {
    if (locale.language() == QLocale::C) return LOCALE_INVARIANT;
    const LocaleInfo* first = nullptr;
    for (const LocaleInfo& i : kLocales) {
        if (i.language != locale.language()) continue;
        if (i.territory == locale.territory()) return i.lcid;
        if (!first) first = &i;
    }
    return first ? first->lcid : 0x0409;
}

struct CollationLocale {
    std::mutex mutex;
    QLocale locale = QLocale::system();
    LCID lcid = lcidOfLocale(QLocale::system());
};

CollationLocale& collation() {
    static auto* c = new CollationLocale;
    return *c;
}

std::atomic<unsigned> generation{1};
std::atomic<LCID> defaultLcid{0};  // 0 until first asked

LCID userLcid() {
    LCID l = defaultLcid.load(std::memory_order_acquire);
    if (l) return l;
    CollationLocale& c = collation();
    std::lock_guard lock(c.mutex);
    defaultLcid.store(c.lcid, std::memory_order_release);
    return c.lcid;
}

thread_local LCID threadLcid = 0;  // 0: the user's

// Whether a locale identifier stands for the collation locale.
bool isDefault(LCID lcid) {
    return lcid == LOCALE_NEUTRAL || lcid == LOCALE_USER_DEFAULT || lcid == LOCALE_SYSTEM_DEFAULT ||
           LANGIDFROMLCID(lcid) == LANGIDFROMLCID(userLcid());
}

// The QLocale of an identifier, or false.
bool localeOf(LCID lcid, QLocale& out) {
    if (isDefault(lcid)) {
        CollationLocale& c = collation();
        std::lock_guard lock(c.mutex);
        out = c.locale;
        return true;
    }
    const LocaleInfo* i = infoOfLcid(lcid);
    if (!i) return false;
    out = i->language == QLocale::C ? QLocale::c() : QLocale(i->language, i->territory);
    return true;
}

constexpr DWORD kCollatorFlags = NORM_IGNORECASE | LINGUISTIC_IGNORECASE | NORM_IGNORESYMBOLS | SORT_DIGITSASNUMBERS;
constexpr DWORD kNormalizingFlags = NORM_IGNORENONSPACE | LINGUISTIC_IGNOREDIACRITIC | NORM_IGNOREWIDTH;
constexpr DWORD kValidFlags = kCollatorFlags | kNormalizingFlags | SORT_STRINGSORT | NORM_LINGUISTIC_CASING;

struct CachedCollator {
    unsigned generation;
    LCID lcid;
    DWORD mode;
    std::unique_ptr<QCollator> collator;
};

// Entries are kept behind pointers, so the last one used stays valid while others are added.
thread_local CachedCollator* lastUsed = nullptr;  // trivial, so reading it costs no guard

struct CacheOwner {
    std::vector<std::unique_ptr<CachedCollator>> entries;
    ~CacheOwner();
};

void forgetThreadCompareSlot();

CacheOwner::~CacheOwner() {
    lastUsed = nullptr;
    forgetThreadCompareSlot();
}

// The thread's collator for a locale and mode when it is not the last one used.
[[gnu::noinline]] QCollator* collatorSlow(LCID lcid, DWORD mode, unsigned gen) {
    thread_local CacheOwner owner;
    auto& entries = owner.entries;
    for (auto& e : entries) {
        if (e->lcid == lcid && e->mode == mode && e->generation == gen) {
            lastUsed = e.get();
            return e->collator.get();
        }
    }
    QLocale locale;
    if (!localeOf(lcid, locale)) return nullptr;
    auto collator = std::make_unique<QCollator>(locale);
    collator->setCaseSensitivity((mode & (NORM_IGNORECASE | LINGUISTIC_IGNORECASE)) ? Qt::CaseInsensitive
                                                                                     : Qt::CaseSensitive);
    collator->setIgnorePunctuation(mode & NORM_IGNORESYMBOLS);
    collator->setNumericMode(mode & SORT_DIGITSASNUMBERS);
    // Entries of an older locale are dropped.
    std::erase_if(entries, [gen](const auto& e) { return e->generation != gen; });
    entries.push_back(std::make_unique<CachedCollator>(CachedCollator{gen, lcid, mode, std::move(collator)}));
    lastUsed = entries.back().get();
    return lastUsed->collator.get();
}

// The thread's collator for a locale and mode, or null for an unknown locale.
inline QCollator* collatorFor(LCID lcid, DWORD flags) {
    const DWORD mode = flags & kCollatorFlags;
    const unsigned gen = generation.load(std::memory_order_acquire);
    CachedCollator* last = lastUsed;
    if (last && last->lcid == lcid && last->mode == mode && last->generation == gen) return last->collator.get();
    return collatorSlow(lcid, mode, gen);
}

QString normalizedForFlags(std::u16string_view s, DWORD flags) {
    QString q = QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
    if (flags & NORM_IGNOREWIDTH) q = q.normalized(QString::NormalizationForm_KC);
    if (flags & (NORM_IGNORENONSPACE | LINGUISTIC_IGNOREDIACRITIC)) {
        q = q.normalized(QString::NormalizationForm_D);
        q.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
    }
    return q;
}

[[gnu::noinline]] int compareNormalized(QCollator& collator, std::u16string_view a, std::u16string_view b, DWORD flags) {
    return collator.compare(normalizedForFlags(a, flags), normalizedForFlags(b, flags));
}

// The texts are compared in place unless a flag asks for normalized forms.
inline int compareWith(QCollator& collator, std::u16string_view a, std::u16string_view b, DWORD flags) {
    if (flags & kNormalizingFlags) return compareNormalized(collator, a, b, flags);
    return collator.compare(QStringView(a.data(), static_cast<qsizetype>(a.size())),
                            QStringView(b.data(), static_cast<qsizetype>(b.size())));
}

int toCstr(int r) { return r < 0 ? CSTR_LESS_THAN : r > 0 ? CSTR_GREATER_THAN : CSTR_EQUAL; }

template <class Char>
std::size_t lengthOf(const Char* s, int length) {
    if (length >= 0) return static_cast<std::size_t>(length);
    std::size_t n = 0;
    while (s[n]) ++n;
    return n;
}

WORD typeOf(char16_t c) {
    const QChar q(c);
    if (q.category() == QChar::Other_NotAssigned) return 0;
    WORD t = C1_DEFINED;
    if (q.isUpper()) t |= C1_UPPER;
    if (q.isLower()) t |= C1_LOWER;
    if (q.isDigit()) t |= C1_DIGIT;
    if (q.isSpace()) t |= C1_SPACE;
    if (q.isPunct() || q.isSymbol()) t |= C1_PUNCT;
    if (q.category() == QChar::Other_Control) t |= C1_CNTRL;
    if (c == u' ' || c == u'\t' || q.category() == QChar::Separator_Space) t |= C1_BLANK;
    if ((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')) t |= C1_XDIGIT;
    if (q.isLetter()) t |= C1_ALPHA;
    return t;
}

std::u16string localeText(LCID lcid, LCTYPE type, bool& ok) {
    ok = true;
    QLocale locale;
    const LocaleInfo* info = isDefault(lcid) ? infoOfLcid(userLcid()) : infoOfLcid(lcid);
    if (!info || !localeOf(lcid, locale)) {
        ok = false;
        SetLastError(ERROR_INVALID_PARAMETER);
        return {};
    }
    QString s;
    switch (type & 0xFFFF) {
    case LOCALE_ILANGUAGE:
        s = QString::asprintf("%04X", static_cast<unsigned>(LANGIDFROMLCID(info->lcid)));
        break;
    case LOCALE_IDEFAULTCODEPAGE:
        s = QString::number(info->oemCodePage);
        break;
    case LOCALE_IDEFAULTANSICODEPAGE:
        s = QString::number(info->ansiCodePage);
        break;
    case LOCALE_SDECIMAL:
        s = locale.decimalPoint();
        break;
    case LOCALE_STHOUSAND:
        s = locale.groupSeparator();
        break;
    case LOCALE_SISO639LANGNAME:
        s = info->language == QLocale::C ? QStringLiteral("iv") : QLocale::languageToCode(info->language);
        break;
    case LOCALE_SISO3166CTRYNAME:
        s = info->language == QLocale::C ? QStringLiteral("IV") : QLocale::territoryToCode(info->territory);
        break;
    case LOCALE_SENGLANGUAGE:
        s = info->language == QLocale::C ? QStringLiteral("Invariant Language") : QLocale::languageToString(info->language);
        break;
    default:
        ok = false;
        SetLastError(ERROR_INVALID_FLAGS);
        return {};
    }
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size()));
}

template <class Char>
int putLocaleText(const std::basic_string<Char>& text, LPVOID out, int size) {
    const int needed = static_cast<int>(text.size()) + 1;
    if (size < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (size == 0) return needed;
    if (!out || size < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    auto* buffer = static_cast<Char*>(out);
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
    return needed;
}

}  // namespace

void setCollationLocale(std::string_view name) {
    const QLocale locale = (name == "C" || name == "POSIX") ? QLocale::c() : QLocale(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    CollationLocale& c = collation();
    std::lock_guard lock(c.mutex);
    c.locale = locale;
    c.lcid = lcidOfLocale(locale);
    defaultLcid.store(c.lcid, std::memory_order_release);
    generation.fetch_add(1, std::memory_order_acq_rel);
}

std::string collationLocaleName() {
    CollationLocale& c = collation();
    std::lock_guard lock(c.mutex);
    return c.locale.language() == QLocale::C ? std::string("C") : c.locale.name().toStdString();
}

int compareLocale(std::u16string_view a, std::u16string_view b, DWORD flags) {
    QCollator* collator = collatorFor(LOCALE_USER_DEFAULT, flags);
    return compareWith(*collator, a, b, flags);
}

namespace {

// The collator of the last thread-locale comparison, keyed by the flags as given and the
// thread locale as set, so that a sort's comparisons find it in a few instructions.
struct ThreadCompareSlot {
    unsigned generation = 0;
    LCID threadLcid = 0;
    DWORD flags = 0;
    QCollator* collator = nullptr;
};
thread_local ThreadCompareSlot compareSlot;  // trivial, so reading it costs no guard

[[gnu::noinline]] int compareStringThreadLocaleSlow(DWORD flags, std::u16string_view a, std::u16string_view b) {
    if (flags & ~kValidFlags) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    const unsigned gen = generation.load(std::memory_order_acquire);
    QCollator* collator = collatorFor(threadLcid ? threadLcid : userLcid(), flags);
    if (!collator) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Only comparisons in place are kept. The slot's generation is never newer than the
    // collator's, and an entry of the current generation is never dropped, so a slot that
    // matches points to a live collator.
    if (!(flags & kNormalizingFlags)) compareSlot = ThreadCompareSlot{gen, threadLcid, flags, collator};
    return toCstr(compareWith(*collator, a, b, flags));
}

void forgetThreadCompareSlot() { compareSlot = ThreadCompareSlot{}; }

}  // namespace

int compareStringThreadLocale(DWORD flags, std::u16string_view a, std::u16string_view b) {
    const ThreadCompareSlot& slot = compareSlot;
    if (slot.collator && slot.flags == flags && slot.threadLcid == threadLcid &&
        slot.generation == generation.load(std::memory_order_acquire))
        return toCstr(slot.collator->compare(QStringView(a.data(), static_cast<qsizetype>(a.size())),
                                             QStringView(b.data(), static_cast<qsizetype>(b.size()))));
    return compareStringThreadLocaleSlow(flags, a, b);
}

}  // namespace platform

using namespace platform;

LCID GetThreadLocale() { return threadLcid ? threadLcid : userLcid(); }

BOOL SetThreadLocale(LCID locale) {
    if (!infoOfLcid(locale)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    threadLcid = locale;
    return TRUE;
}

LCID GetUserDefaultLCID() { return userLcid(); }
LCID GetSystemDefaultLCID() { return userLcid(); }
LANGID GetUserDefaultLangID() { return LANGIDFROMLCID(userLcid()); }
LANGID GetSystemDefaultLangID() { return LANGIDFROMLCID(userLcid()); }
BOOL IsValidLocale(LCID locale, DWORD) { return infoOfLcid(locale) != nullptr; }

HKL GetKeyboardLayout(DWORD) {
    const LANGID lang = LANGIDFROMLCID(userLcid());
    return reinterpret_cast<HKL>(static_cast<ULONG_PTR>(static_cast<DWORD>(MAKELONG(lang, lang))));
}

int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR buffer, int size) {
    bool ok = false;
    const std::u16string text = localeText(locale, type, ok);
    return ok ? putLocaleText(text, buffer, size) : 0;
}

int GetLocaleInfoA(LCID locale, LCTYPE type, LPSTR buffer, int size) {
    bool ok = false;
    const std::u16string text = localeText(locale, type, ok);
    return ok ? putLocaleText(wideToAnsi(text), buffer, size) : 0;
}

int CompareStringW(LCID locale, DWORD flags, LPCWSTR a, int lengthA, LPCWSTR b, int lengthB) {
    if (!a || !b || lengthA < -1 || lengthB < -1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (flags & ~kValidFlags) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    QCollator* collator = collatorFor(locale, flags);
    if (!collator) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return toCstr(compareWith(*collator, std::u16string_view(a, lengthOf(a, lengthA)),
                              std::u16string_view(b, lengthOf(b, lengthB)), flags));
}

int CompareStringA(LCID locale, DWORD flags, LPCSTR a, int lengthA, LPCSTR b, int lengthB) {
    if (!a || !b || lengthA < -1 || lengthB < -1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::u16string wa = ansiToWide(std::string_view(a, lengthOf(a, lengthA)));
    const std::u16string wb = ansiToWide(std::string_view(b, lengthOf(b, lengthB)));
    return CompareStringW(locale, flags, wa.c_str(), static_cast<int>(wa.size()), wb.c_str(),
                          static_cast<int>(wb.size()));
}

int lstrcmpW(LPCWSTR a, LPCWSTR b) {
    return CompareStringW(LOCALE_USER_DEFAULT, 0, a ? a : u"", -1, b ? b : u"", -1) - 2;
}
int lstrcmpiW(LPCWSTR a, LPCWSTR b) {
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a ? a : u"", -1, b ? b : u"", -1) - 2;
}
int lstrcmpA(LPCSTR a, LPCSTR b) { return CompareStringA(LOCALE_USER_DEFAULT, 0, a ? a : "", -1, b ? b : "", -1) - 2; }
int lstrcmpiA(LPCSTR a, LPCSTR b) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a ? a : "", -1, b ? b : "", -1) - 2;
}
int lstrlenA(LPCSTR text) { return text ? static_cast<int>(std::strlen(text)) : 0; }
int lstrlenW(LPCWSTR text) { return text ? static_cast<int>(lengthOf(text, -1)) : 0; }

BOOL GetStringTypeW(DWORD infoType, LPCWSTR text, int length, WORD* types) {
    if (!text || !types || length < -1 || length == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (infoType != CT_CTYPE1) {
        SetLastError(ERROR_INVALID_FLAGS);
        return FALSE;
    }
    const std::size_t n = lengthOf(text, length);
    for (std::size_t i = 0; i < n; ++i) types[i] = typeOf(text[i]);
    return TRUE;
}

BOOL GetStringTypeExW(LCID locale, DWORD infoType, LPCWSTR text, int length, WORD* types) {
    if (!IsValidLocale(locale, 0) && !isDefault(locale)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return GetStringTypeW(infoType, text, length, types);
}

BOOL GetStringTypeExA(LCID locale, DWORD infoType, LPCSTR text, int length, WORD* types) {
    if (!text || !types || length < -1 || length == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (infoType != CT_CTYPE1) {
        SetLastError(ERROR_INVALID_FLAGS);
        return FALSE;
    }
    if (!IsValidLocale(locale, 0) && !isDefault(locale)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::size_t n = lengthOf(text, length);
    std::size_t i = 0;
    while (i < n) {
        const char* next = CharNextA(text + i);
        std::size_t step = static_cast<std::size_t>(next - (text + i));
        if (step == 0 || i + step > n) step = 1;
        const std::u16string w = ansiToWide(std::string_view(text + i, step));
        const WORD t = w.empty() ? 0 : typeOf(w[0]);
        for (std::size_t k = 0; k < step; ++k) types[i + k] = t;
        i += step;
    }
    return TRUE;
}
