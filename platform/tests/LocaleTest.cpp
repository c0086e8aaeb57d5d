#include "platform/codepage.h"
#include "platform/locale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

namespace {

class Locale : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = platform::collationLocaleName();
        platform::setCollationLocale("de_DE");
    }
    void TearDown() override {
        platform::setCollationLocale(saved_);
        ASSERT_TRUE(platform::setAnsiCodePage(CP_UTF8));
    }

private:
    std::string saved_;
};

int cmp(const std::u16string& a, const std::u16string& b, DWORD flags = 0, LCID lcid = LOCALE_USER_DEFAULT) {
    return CompareStringW(lcid, flags, a.c_str(), -1, b.c_str(), -1);
}

}  // namespace

TEST_F(Locale, CompareWithAndWithoutCase) {
    EXPECT_EQ(cmp(u"a", u"A", NORM_IGNORECASE), CSTR_EQUAL);
    EXPECT_NE(cmp(u"a", u"A"), CSTR_EQUAL);
    EXPECT_EQ(cmp(u"Apfel", u"banane", NORM_IGNORECASE), CSTR_LESS_THAN);
    EXPECT_EQ(cmp(u"Zebra", u"apfel"), CSTR_GREATER_THAN);  // not by code unit value
    // German puts umlauts beside their base letter.
    EXPECT_EQ(cmp(u"\u00E4", u"b"), CSTR_LESS_THAN);
    EXPECT_EQ(cmp(u"\u00E4", u"a"), CSTR_GREATER_THAN);
    EXPECT_EQ(cmp(u"\u00C4rger", u"\u00E4RGER", NORM_IGNORECASE), CSTR_EQUAL);
    // Explicit lengths compare only the given parts.
    EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, 0, u"abcX", 3, u"abcY", 3), CSTR_EQUAL);
    EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, 0, u"", 0, u"a", 1), CSTR_LESS_THAN);
    EXPECT_EQ(lstrcmpiW(u"HALLO", u"hallo"), 0);
    EXPECT_LT(lstrcmpW(u"a", u"b"), 0);
    EXPECT_GT(lstrcmpiA("b", "A"), 0);
    EXPECT_EQ(lstrcmpA("x", "x"), 0);
    EXPECT_EQ(platform::compareLocale(u"a", u"A", NORM_IGNORECASE), 0);
}

TEST_F(Locale, FlagsOfComparison) {
    EXPECT_EQ(cmp(u"a-b", u"ab", NORM_IGNORESYMBOLS), CSTR_EQUAL);
    EXPECT_NE(cmp(u"a-b", u"ab"), CSTR_EQUAL);
    EXPECT_EQ(cmp(u"a2", u"a10", SORT_DIGITSASNUMBERS), CSTR_LESS_THAN);
    EXPECT_EQ(cmp(u"a2", u"a10"), CSTR_GREATER_THAN);
    EXPECT_EQ(cmp(u"\u00E9t\u00E9", u"ete", NORM_IGNORENONSPACE), CSTR_EQUAL);
    EXPECT_EQ(cmp(u"\uFF21", u"A", NORM_IGNOREWIDTH), CSTR_EQUAL);
    SetLastError(0);
    EXPECT_EQ(cmp(u"a", u"b", 0x40000000), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FLAGS);
    EXPECT_EQ(cmp(u"a", u"b", 0, 0x0477), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, 0, nullptr, -1, u"a", -1), 0);
}

TEST_F(Locale, TheSettableLocaleDecidesTheOrder) {
    // Swedish sorts "ä" after "z"; German does not.
    EXPECT_EQ(cmp(u"\u00E4", u"z"), CSTR_LESS_THAN);
    EXPECT_EQ(cmp(u"\u00E4", u"z", 0, 0x041D), CSTR_GREATER_THAN);
    platform::setCollationLocale("sv_SE");
    EXPECT_EQ(platform::collationLocaleName(), "sv_SE");
    EXPECT_EQ(cmp(u"\u00E4", u"z"), CSTR_GREATER_THAN);
    EXPECT_EQ(GetThreadLocale(), 0x041Du);
    // The C locale orders by code unit value.
    platform::setCollationLocale("C");
    EXPECT_EQ(GetThreadLocale(), LOCALE_INVARIANT);
    EXPECT_EQ(cmp(u"Z", u"a"), CSTR_LESS_THAN);
    EXPECT_EQ(cmp(u"Z", u"a", NORM_IGNORECASE), CSTR_GREATER_THAN);
}

TEST_F(Locale, EachThreadHasItsOwnCollator) {
    std::vector<std::u16string> words = {u"\u00C4pfel", u"apfel", u"Birne", u"\u00FCber", u"Zug", u"zebra", u"Ober"};
    auto sorted = [&] {
        auto v = words;
        std::sort(v.begin(), v.end(), [](const auto& a, const auto& b) { return cmp(a, b, NORM_IGNORECASE) == CSTR_LESS_THAN; });
        return v;
    };
    const auto expected = sorted();
    EXPECT_EQ(expected.front(), u"apfel");  // the accent counts after the letter
    EXPECT_EQ(expected.back(), u"Zug");
    std::vector<std::vector<std::u16string>> results(4);
    std::vector<std::thread> threads;
    for (auto& r : results)
        threads.emplace_back([&r, &sorted] {
            for (int i = 0; i < 50; ++i) r = sorted();
        });
    for (auto& t : threads) t.join();
    for (const auto& r : results) EXPECT_EQ(r, expected);
}

TEST_F(Locale, IdentifiersAndInformation) {
    EXPECT_EQ(GetThreadLocale(), 0x0407u);
    EXPECT_EQ(GetUserDefaultLangID(), 0x0407);
    EXPECT_EQ(LOWORD(reinterpret_cast<std::uintptr_t>(GetKeyboardLayout(0))), 0x0407);
    char buf[8];
    EXPECT_EQ(GetLocaleInfoA(0x0407, LOCALE_IDEFAULTANSICODEPAGE, buf, 6), 5);
    EXPECT_STREQ(buf, "1252");
    EXPECT_EQ(GetLocaleInfoA(0x0411, LOCALE_IDEFAULTANSICODEPAGE, buf, 6), 4);
    EXPECT_STREQ(buf, "932");
    EXPECT_EQ(GetLocaleInfoA(0x0419, LOCALE_IDEFAULTANSICODEPAGE, buf, 6), 5);
    EXPECT_STREQ(buf, "1251");
    EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTCODEPAGE, buf, 6), 4);
    EXPECT_STREQ(buf, "850");
    EXPECT_EQ(GetLocaleInfoA(0x0407, LOCALE_IDEFAULTANSICODEPAGE, nullptr, 0), 5);
    EXPECT_EQ(GetLocaleInfoA(0x0407, LOCALE_IDEFAULTANSICODEPAGE, buf, 2), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    WCHAR wbuf[16];
    EXPECT_EQ(GetLocaleInfoW(0x040C, LOCALE_SISO639LANGNAME, wbuf, 16), 3);
    EXPECT_EQ(std::u16string(wbuf), u"fr");
    EXPECT_EQ(GetLocaleInfoW(0x0407, LOCALE_SDECIMAL, wbuf, 16), 2);
    EXPECT_EQ(std::u16string(wbuf), u",");
    EXPECT_EQ(GetLocaleInfoW(0x0407, LOCALE_ILANGUAGE, wbuf, 16), 5);
    EXPECT_EQ(std::u16string(wbuf), u"0407");
    EXPECT_EQ(GetLocaleInfoW(0x0477, LOCALE_SDECIMAL, wbuf, 16), 0);
    EXPECT_EQ(GetLocaleInfoW(0x0407, 0x4321, wbuf, 16), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FLAGS);
    EXPECT_TRUE(SetThreadLocale(0x0411));
    EXPECT_EQ(GetThreadLocale(), 0x0411u);
    std::thread([] { EXPECT_EQ(GetThreadLocale(), 0x0407u); }).join();
    EXPECT_TRUE(SetThreadLocale(0x0407));
    EXPECT_FALSE(SetThreadLocale(0x0477));
}

TEST_F(Locale, CompareInTheThreadLocale) {
    // In a thread of its own, so that the thread locale set here goes with it.
    std::thread([] {
        EXPECT_EQ(platform::compareStringThreadLocale(0, u"\u00E4", u"z"), CSTR_LESS_THAN);
        EXPECT_EQ(platform::compareStringThreadLocale(NORM_IGNORECASE, u"\u00C4", u"\u00E4"), CSTR_EQUAL);
        EXPECT_EQ(platform::compareStringThreadLocale(0, u"\u00C4", u"\u00E4"), cmp(u"\u00C4", u"\u00E4"));
        ASSERT_TRUE(SetThreadLocale(0x041D));  // Swedish puts the umlaut after z
        EXPECT_EQ(platform::compareStringThreadLocale(0, u"\u00E4", u"z"), CSTR_GREATER_THAN);
        EXPECT_EQ(platform::compareStringThreadLocale(0x40000000, u"a", u"b"), 0);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_FLAGS);
    }).join();
    // A comparison kept for the next call follows a change of the collation locale and of
    // the flags.
    std::thread([] {
        EXPECT_EQ(platform::compareStringThreadLocale(NORM_IGNORECASE, u"Äb", u"zb"), CSTR_LESS_THAN);
        platform::setCollationLocale("sv_SE");
        EXPECT_EQ(platform::compareStringThreadLocale(NORM_IGNORECASE, u"Äb", u"zb"), CSTR_GREATER_THAN);
        EXPECT_EQ(platform::compareStringThreadLocale(NORM_IGNORECASE, u"A", u"a"), CSTR_EQUAL);
        EXPECT_NE(platform::compareStringThreadLocale(0, u"A", u"a"), CSTR_EQUAL);
        EXPECT_EQ(platform::compareStringThreadLocale(NORM_IGNORENONSPACE, u"é", u"e"), CSTR_EQUAL);
        EXPECT_NE(platform::compareStringThreadLocale(0, u"é", u"e"), CSTR_EQUAL);
    }).join();
}

TEST_F(Locale, CharacterTypes) {
    WORD t = 0;
    for (char16_t c : std::u16string(u"$+<=>^`|~!.,;-\u20AC\u00A7")) {
        ASSERT_TRUE(GetStringTypeExW(LOCALE_USER_DEFAULT, CT_CTYPE1, &c, 1, &t));
        EXPECT_TRUE(t & C1_PUNCT) << static_cast<int>(c);
        EXPECT_FALSE(t & C1_ALPHA);
    }
    const std::u16string text = u"A b\t9\u00E9\x01";
    std::vector<WORD> types(text.size());
    ASSERT_TRUE(GetStringTypeW(CT_CTYPE1, text.c_str(), static_cast<int>(text.size()), types.data()));
    EXPECT_EQ(types[0], C1_UPPER | C1_ALPHA | C1_XDIGIT | C1_DEFINED);
    EXPECT_EQ(types[1], C1_SPACE | C1_BLANK | C1_DEFINED);
    EXPECT_EQ(types[2], C1_LOWER | C1_ALPHA | C1_XDIGIT | C1_DEFINED);
    EXPECT_EQ(types[3], C1_SPACE | C1_BLANK | C1_CNTRL | C1_DEFINED);
    EXPECT_EQ(types[4], C1_DIGIT | C1_XDIGIT | C1_DEFINED);
    EXPECT_EQ(types[5], C1_LOWER | C1_ALPHA | C1_DEFINED);
    EXPECT_EQ(types[6], C1_CNTRL | C1_DEFINED);
    EXPECT_FALSE(GetStringTypeW(2, text.c_str(), 1, types.data()));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FLAGS);

    // The 8-bit form gives each byte of a character that character's type.
    WORD bytes[4] = {};
    ASSERT_TRUE(GetStringTypeExA(LOCALE_USER_DEFAULT, CT_CTYPE1, "\xE2\x82\xAC" "a", 4, bytes));
    EXPECT_TRUE(bytes[0] & C1_PUNCT);
    EXPECT_EQ(bytes[1], bytes[0]);
    EXPECT_EQ(bytes[2], bytes[0]);
    EXPECT_TRUE(bytes[3] & C1_ALPHA);
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    WORD one = 0;
    ASSERT_TRUE(GetStringTypeExA(LOCALE_USER_DEFAULT, CT_CTYPE1, "\xE9", -1, &one));
    EXPECT_TRUE(one & C1_LOWER);
}
