#include "platform/codepage.h"
#include "platform/winerror.h"

#include <gtest/gtest.h>

namespace {

// Every test leaves the process on the UTF-8 code page.
class CodePage : public ::testing::Test {
protected:
    void TearDown() override { ASSERT_TRUE(platform::setAnsiCodePage(CP_UTF8)); }
};

std::u16string toWide(UINT cp, const std::string& bytes, DWORD flags = 0) {
    const int n = MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::u16string out(static_cast<std::size_t>(n), u'\0');
    EXPECT_EQ(MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), out.data(), n), n);
    return out;
}

std::string toBytes(UINT cp, const std::u16string& text, BOOL* usedDefault = nullptr) {
    const int n = WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    EXPECT_EQ(WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                                  usedDefault),
              n);
    return out;
}

}  // namespace

TEST_F(CodePage, AnsiCodePageIsUtf8UntilAnOfferedOneIsChosen) {
    EXPECT_EQ(GetACP(), CP_UTF8);
    EXPECT_EQ(platform::ansiToWide("gr\xC3\xBC\xC3\x9F"), u"grüß");
    EXPECT_FALSE(platform::setAnsiCodePage(1200));
    EXPECT_FALSE(platform::setAnsiCodePage(12345));
    EXPECT_EQ(GetACP(), CP_UTF8);
    for (UINT cp : {1250u, 1251u, 1252u, 1253u, 1254u, 1255u, 1256u, 1257u, 1258u, 437u, 850u, 932u, 936u, 949u, 950u}) {
        EXPECT_TRUE(platform::setAnsiCodePage(cp)) << cp;
        EXPECT_EQ(GetACP(), cp);
        EXPECT_TRUE(IsValidCodePage(cp));
    }
}

TEST_F(CodePage, Windows1252LosesWhatItCannotHold) {
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    EXPECT_EQ(platform::wideToAnsi(u"caf\u00E9 \u20AC"), "caf\xE9 \x80");
    EXPECT_EQ(platform::ansiToWide("caf\xE9 \x80"), u"caf\u00E9 \u20AC");
    BOOL used = FALSE;
    EXPECT_EQ(toBytes(CP_ACP, u"a\u4E2D\u0416b", &used), "a??b");
    EXPECT_TRUE(used);
    EXPECT_EQ(toBytes(CP_ACP, u"plain", &used), "plain");
    EXPECT_FALSE(used);
    // No look-alikes: a letter outside the code page is not turned into a near one.
    EXPECT_EQ(toBytes(1252, u"\u0100"), "?");
    char custom = '#';
    char out[4] = {};
    EXPECT_EQ(WideCharToMultiByte(1252, 0, u"\u4E2D", 1, out, 4, &custom, &used), 1);
    EXPECT_EQ(out[0], '#');
}

TEST_F(CodePage, SingleByteCodePagesMapTheirOwnLetters) {
    EXPECT_EQ(toWide(1251, "\xC6"), u"\u0416");
    EXPECT_EQ(toBytes(1251, u"\u0416"), "\xC6");
    EXPECT_EQ(toWide(1250, "\x8A"), u"\u0160");
    EXPECT_EQ(toWide(1253, "\xC1"), u"\u0391");
    EXPECT_EQ(toWide(437, "\x82"), u"\u00E9");
    EXPECT_EQ(toWide(850, "\x9B"), u"\u00F8");
    // Control bytes of the OEM code pages become pictures only when asked.
    EXPECT_EQ(toWide(437, "\x01\x7F"), std::u16string(u"\x01\x7F", 2));
    EXPECT_EQ(toWide(437, "\x01\x7F", MB_USEGLYPHCHARS), u"\u263A\u2302");
    EXPECT_EQ(toWide(1252, "\x01", MB_USEGLYPHCHARS), u"\x01");
}

TEST_F(CodePage, DoubleByteCodePages) {
    EXPECT_EQ(toWide(932, "\x93\xFA\x96\x7B"), u"\u65E5\u672C");
    EXPECT_EQ(toBytes(932, u"\u65E5\u672C"), "\x93\xFA\x96\x7B");
    EXPECT_EQ(toWide(932, "\xB1"), u"\uFF71");  // half-width katakana is one byte
    EXPECT_EQ(toBytes(936, u"\u4E2D"), "\xD6\xD0");
    EXPECT_EQ(toBytes(949, u"\uD55C"), "\xC7\xD1");
    EXPECT_EQ(toBytes(950, u"\u4E2D"), "\xA4\xA4");
    EXPECT_EQ(toWide(950, "\xA4\xA4"), u"\u4E2D");
    // A lead byte at the end has no character.
    EXPECT_EQ(toWide(932, "a\x93"), u"a\uFFFD");

    CPINFO info{};
    ASSERT_TRUE(GetCPInfo(932, &info));
    EXPECT_EQ(info.MaxCharSize, 2u);
    EXPECT_EQ(info.DefaultChar[0], '?');
    EXPECT_EQ(info.LeadByte[0], 0x81);
    EXPECT_EQ(info.LeadByte[1], 0x9F);
    EXPECT_EQ(info.LeadByte[2], 0xE0);
    EXPECT_TRUE(IsDBCSLeadByteEx(932, 0x81));
    EXPECT_FALSE(IsDBCSLeadByteEx(932, 0xB1));
    EXPECT_FALSE(IsDBCSLeadByteEx(1252, 0x81));
    ASSERT_TRUE(GetCPInfo(1252, &info));
    EXPECT_EQ(info.MaxCharSize, 1u);
    EXPECT_EQ(info.LeadByte[0], 0);

    ASSERT_TRUE(platform::setAnsiCodePage(932));
    const char text[] = "\x93\xFA" "a";
    EXPECT_EQ(CharNextA(text), text + 2);
    EXPECT_EQ(CharNextA(text + 2), text + 3);
    EXPECT_EQ(CharPrevA(text, text + 2), text);
}

TEST_F(CodePage, Utf8) {
    // Outside the basic plane: a surrogate pair, and back to four bytes.
    EXPECT_EQ(toWide(CP_UTF8, "\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(toBytes(CP_UTF8, u"\U0001F600"), "\xF0\x9F\x98\x80");
    // Malformed input: one replacement per bad part, the rest kept.
    EXPECT_EQ(toWide(CP_UTF8, "a\xC3(b"), u"a\uFFFD(b");
    EXPECT_EQ(toWide(CP_UTF8, "\xC0\x80x"), u"\uFFFD\uFFFDx");
    EXPECT_EQ(toWide(CP_UTF8, "\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(toWide(CP_UTF8, "\xF8\x88"), u"\uFFFD\uFFFD");
    // A surrogate without its partner cannot be written.
    BOOL used = FALSE;
    EXPECT_EQ(toBytes(CP_UTF8, std::u16string(1, char16_t(0xD800)) + u"x", &used), "?x");
    EXPECT_TRUE(used);
}

TEST_F(CodePage, BufferSizesAndBadArguments) {
    // -1 converts and counts the terminator.
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, nullptr, 0), 4);
    WCHAR small[2] = {};
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, small, 2), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 0, small, 2), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MultiByteToWideChar(12345, 0, "abc", 3, small, 2), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0x4, "abc", 3, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FLAGS);
    char out[8] = {};
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u20AC", -1, out, 3, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u20AC", -1, out, 4, nullptr, nullptr), 4);
    EXPECT_STREQ(out, "\xE2\x82\xAC");
}

TEST_F(CodePage, CaseMappingKeepsLengths) {
    WCHAR text[] = u"stra\u00DFe \u00E9t\u00E9 \u0131";
    CharUpperW(text);
    EXPECT_EQ(std::u16string(text), u"STRA\u00DFE \u00C9T\u00C9 I");
    EXPECT_EQ(CharUpperBuffW(text, 4), 4u);
    WCHAR lower[] = u"ABC\u00C9";
    EXPECT_EQ(CharLowerBuffW(lower, 2), 2u);
    EXPECT_EQ(std::u16string(lower), u"abC\u00C9");
    // A pointer with a zero high part is one character.
    const auto one = reinterpret_cast<std::uintptr_t>(CharUpperW(reinterpret_cast<LPWSTR>(std::uintptr_t{0xE9})));
    EXPECT_EQ(one, 0xC9u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(CharLowerW(reinterpret_cast<LPWSTR>(std::uintptr_t{'Q'}))), std::uintptr_t{'q'});

    // 8-bit text changes only where the upper-case form has the same bytes' length.
    char utf8[] = "\xC3\xA9t\xC3\xA9 \xC4\xB1";
    CharUpperA(utf8);
    EXPECT_STREQ(utf8, "\xC3\x89T\xC3\x89 \xC4\xB1");
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    char latin[] = "\xE9t\xE9";
    CharUpperA(latin);
    EXPECT_STREQ(latin, "\xC9T\xC9");
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(CharUpperA(reinterpret_cast<LPSTR>(std::uintptr_t{0xE9}))), 0xC9u);
    EXPECT_TRUE(IsCharAlphaA('\xE9'));
    EXPECT_TRUE(IsCharUpperA('\xC9'));
    EXPECT_FALSE(IsCharAlphaA('1'));
    EXPECT_TRUE(IsCharAlphaNumericA('1'));
}

TEST_F(CodePage, CharacterClasses) {
    EXPECT_TRUE(IsCharAlphaW(u'\u00E9'));
    EXPECT_TRUE(IsCharAlphaW(u'\u4E2D'));
    EXPECT_FALSE(IsCharAlphaW(u'$'));
    EXPECT_TRUE(IsCharAlphaNumericW(u'7'));
    EXPECT_TRUE(IsCharUpperW(u'\u0416'));
    EXPECT_TRUE(IsCharLowerW(u'\u00DF'));
    EXPECT_FALSE(IsCharLowerW(u'A'));
}
