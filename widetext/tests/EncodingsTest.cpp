#include "platform/codepage.h"
#include "widetext/WideEncodings.h"
#include "widetext/WideSystem.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

namespace {

std::string bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b) s.push_back(static_cast<char>(v));
    return s;
}

class Encodings : public ::testing::Test {
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

}  // namespace

TEST(Utf7, ExamplesBothWays) {
    EXPECT_EQ(WideToUtf7(u"a+b"), "a+-b");
    EXPECT_EQ(WideToUtf7(u"\u00E9."), "+AOk.");  // the full stop is no base64 letter: no "-"
    EXPECT_EQ(WideToUtf7(u"\u00E9a"), "+AOk-a");
    EXPECT_EQ(WideToUtf7(u"\u00E9-"), "+AOk--");
    EXPECT_EQ(WideToUtf7(u"x\u00E9"), "x+AOk");  // a run at the end gets no "-"
    EXPECT_EQ(WideToUtf7(u"Hi Mom -\u263A-!"), "Hi Mom -+Jjo--!");
    EXPECT_EQ(WideToUtf7(u"\u65E5\u672C\u8A9E"), "+ZeVnLIqe");
    EXPECT_EQ(WideToUtf7(u"a\\b~"), "a+AFw-b+AH4");  // must-shift ASCII
    EXPECT_EQ(WideToUtf7(u"!#$;[]"), "!#$;[]");         // optional direct characters stay
    EXPECT_EQ(WideToUtf7(u""), "");

    EXPECT_EQ(Utf7ToWide("+AOk"), u"\u00E9");
    EXPECT_EQ(Utf7ToWide("+AOk-a"), u"\u00E9a");
    EXPECT_EQ(Utf7ToWide("+AOk.x"), u"\u00E9.x");
    EXPECT_EQ(Utf7ToWide("+ZeVnLIqe-"), u"\u65E5\u672C\u8A9E");
    EXPECT_EQ(Utf7ToWide("a+-b"), u"a+b");
    EXPECT_EQ(Utf7ToWide("Hi Mom -+Jjo--!"), u"Hi Mom -\u263A-!");
}

TEST(Utf7, MalformedInputRaises) {
    for (const std::string& bad : {std::string("+AO"), std::string("+"), std::string("a+.b"), std::string("+A-"),
                                   std::string("ok\x80"), std::string("+AOl")}) {
        try {
            Utf7ToWide(bad);
            ADD_FAILURE() << bad;
        } catch (const EWideGeneralError& e) {
            EXPECT_STREQ(e.what(), "Invalid UTF7");
        }
    }
}

TEST(Utf7, RandomRoundTripsAndThreads) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> length(0, 40), unit(0, 0xFFFF), ascii(0, 127), pick(0, 3);
    auto make = [&] {
        WideString s;
        const int n = length(random);
        for (int i = 0; i < n; ++i) s.push_back(static_cast<WCHAR>(pick(random) ? ascii(random) : unit(random)));
        return s;
    };
    for (int i = 0; i < 3000; ++i) {
        const WideString s = make();
        const std::string e = WideToUtf7(s);
        for (char c : e) ASSERT_LT(static_cast<unsigned char>(c), 0x80);
        ASSERT_EQ(Utf7ToWide(e), s);
    }
    // The tables are shared by all threads.
    std::vector<std::thread> threads;
    std::vector<bool> ok(4, false);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &ok] {
            bool good = true;
            for (int i = 0; i < 500; ++i) good = good && Utf7ToWide(WideToUtf7(u"\u00E9+x~\u4E2D")) == u"\u00E9+x~\u4E2D";
            ok[static_cast<std::size_t>(t)] = good;
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(ok, std::vector<bool>(4, true));
}

TEST(Utf8, EncodeAndDecode) {
    EXPECT_EQ(WideToUtf8(u"\u20AC"), bytes({0xE2, 0x82, 0xAC}));
    EXPECT_EQ(WideToUtf8(u""), "");
    EXPECT_EQ(Utf8ToWide(bytes({0xC3, 0xA9})), u"\u00E9");
    EXPECT_EQ(Utf8ToWide(""), u"");
    // Outside the basic plane: four bytes and a surrogate pair.
    EXPECT_EQ(WideToUtf8(u"a\U0001F600"), "a" + bytes({0xF0, 0x9F, 0x98, 0x80}));
    EXPECT_EQ(Utf8ToWide("a" + bytes({0xF0, 0x9F, 0x98, 0x80}) + "b"), u"a\U0001F600b");
    EXPECT_EQ(Utf8ToWide(bytes({0xF4, 0x8F, 0xBF, 0xBF})), u"\U0010FFFF");
    // Surrogates written three bytes each still read back.
    EXPECT_EQ(Utf8ToWide(bytes({0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80})), u"\U0001F600");
    const WideString lone(1, WCHAR(0xDC01));
    EXPECT_EQ(WideToUtf8(lone), bytes({0xED, 0xB0, 0x81}));
    EXPECT_EQ(Utf8ToWide(WideToUtf8(lone + u"x")), lone + u"x");
}

TEST(Utf8, MalformedInputGivesAnEmptyText) {
    const std::vector<std::string> bad = {
        bytes({0xC3}),                    // cut short
        "abc" + bytes({0xE2, 0x82}),      // cut short at the end
        "ok" + bytes({0x80}) + "ok",      // stray continuation byte
        bytes({0xC0, 0x80}),              // overlong NUL
        bytes({0xC1, 0xBF}),              // overlong
        bytes({0xE0, 0x80, 0x80}),        // overlong three bytes
        bytes({0xF0, 0x80, 0x80, 0x80}),  // overlong four bytes
        bytes({0xF4, 0x90, 0x80, 0x80}),  // above U+10FFFF
        bytes({0xF5, 0x80, 0x80, 0x80}),
        bytes({0xF8, 0x88, 0x80, 0x80, 0x80}),
        bytes({0xFE}),
        bytes({0xFF}),
        bytes({0xC3, 0x41}),  // lead without continuation
    };
    for (const std::string& s : bad) EXPECT_EQ(Utf8ToWide("x" + s), u"") << testing::PrintToString(s);
}

TEST(Utf8, RandomRoundTrips) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> length(0, 30), unit(0, 0xFFFF);
    for (int i = 0; i < 3000; ++i) {
        WideString s;
        const int n = length(random);
        for (int k = 0; k < n; ++k) s.push_back(static_cast<WCHAR>(unit(random)));
        ASSERT_EQ(Utf8ToWide(WideToUtf8(s)), s);
    }
}

TEST(Utf8, BufferForms) {
    char out[8];
    EXPECT_EQ(UnicodeToUtf8(nullptr, 0, u"a\u00E9\u20AC", 3), 7);  // counts 6 bytes + 1
    EXPECT_EQ(UnicodeToUtf8(out, 8, u"a\u00E9\u20AC", 3), 7);
    EXPECT_EQ(std::string(out), "a" + bytes({0xC3, 0xA9, 0xE2, 0x82, 0xAC}));
    EXPECT_EQ(UnicodeToUtf8(out, 5, u"a\u00E9\u20AC", 3), 4);  // the euro does not fit: stop before it
    EXPECT_EQ(std::string(out), "a" + bytes({0xC3, 0xA9}));
    EXPECT_EQ(UnicodeToUtf8(out, 5, u"\U0001F600", 2), 5);
    EXPECT_EQ(UnicodeToUtf8(out, 4, u"\U0001F600", 2), 1);
    EXPECT_EQ(out[0], 0);

    WCHAR w[4];
    const std::string text = "ab" + bytes({0xF0, 0x9F, 0x98, 0x80});
    EXPECT_EQ(Utf8ToUnicode(nullptr, 0, text.data(), static_cast<unsigned>(text.size())), 5);
    EXPECT_EQ(Utf8ToUnicode(w, 4, text.data(), static_cast<unsigned>(text.size())), 3);  // the pair does not fit
    EXPECT_EQ(WideString(w), u"ab");
    EXPECT_EQ(Utf8ToUnicode(w, 4, "\xC3", 1), -1);
}

TEST_F(Encodings, CodePagesThroughThePlatform) {
    EXPECT_EQ(StringToWideStringEx("\x80 caf\xE9", 1252), u"\u20AC caf\u00E9");
    EXPECT_EQ(WideStringToStringEx(u"\u20AC\u4E2D\u00E9", 1252), "\x80?\xE9");  // lossy outside the code page
    EXPECT_EQ(WideStringToStringEx(u"\u0416", 1251), "\xC6");
    EXPECT_EQ(WideStringToStringEx(u"\u65E5", 932), "\x93\xFA");
    EXPECT_EQ(StringToWideStringEx("+AOk", CP_UTF7), u"\u00E9");
    EXPECT_EQ(WideStringToStringEx(u"\u00E9", CP_UTF7), "+AOk");
    EXPECT_EQ(StringToWideStringEx(bytes({0xC3, 0xA9}), CP_UTF8), u"\u00E9");
    EXPECT_EQ(StringToWideStringEx("x\xC3", CP_UTF8), u"");  // the strict decoder
    EXPECT_EQ(StringToWideStringEx("abc", 4711), u"");      // no such code page
    ASSERT_TRUE(platform::setAnsiCodePage(1252));
    EXPECT_EQ(StringToWideStringEx("\xE9", CP_ACP), u"\u00E9");
    EXPECT_EQ(WideStringToStringEx(u"\u00E9\u0101", 0), "\xE9?");
}

TEST_F(Encodings, LocaleAndKeyboardCodePages) {
    EXPECT_EQ(CodePageFromLocale(0x0407), 1252u);
    EXPECT_EQ(CodePageFromLocale(0x0411), 932u);
    EXPECT_EQ(CodePageFromLocale(0x0405), 1250u);
    EXPECT_EQ(CodePageFromLocale(0x0477), GetACP());  // unknown locale
    EXPECT_EQ(KeyboardCodePage(), 1252u);
    EXPECT_EQ(AnsiCharToWideChar(0xE9), u'\u00E9');
    EXPECT_EQ(AnsiCharToWideChar(0x80), u'\u20AC');
    EXPECT_EQ(AnsiCharToWideChar(0x4E2D), u'\u4E2D');
    platform::setCollationLocale("ru_RU");
    EXPECT_EQ(KeyboardCodePage(), 1251u);
    EXPECT_EQ(AnsiCharToWideChar(0xC6), u'\u0416');
}

TEST(Encodings2, SwapByteOrder) {
    WCHAR text[] = u"\x0102\xFF00" "A";
    StrSwapByteOrder(text);
    EXPECT_EQ(text[0], 0x0201);
    EXPECT_EQ(text[1], 0x00FF);
    EXPECT_EQ(text[2], 0x4100);
    EXPECT_EQ(text[3], 0);
    StrSwapByteOrder(nullptr);
}

TEST(Encodings2, CommandLineParametersAsGiven) {
    const std::vector<std::string> saved = platform::arguments();
    char a0[] = "/opt/Tessellon";
    char a1[] = "a b";
    char a2[] = "\"c\"";
    std::string longOne(9000, 'x');
    char* argv[] = {a0, a1, a2, longOne.data()};
    platform::setArguments(4, argv);
    EXPECT_EQ(WideCommandLineParam(1), u"a b");
    EXPECT_EQ(WideCommandLineParam(2), u"\"c\"");
    EXPECT_EQ(WideCommandLineParam(3).size(), 9000u);  // not cut
    EXPECT_EQ(WideCommandLineParam(4), u"");
    EXPECT_EQ(WideCommandLineParam(0), WideGetModuleFileName(nullptr));  // not argv[0]
    std::vector<std::string> copy = saved;
    std::vector<char*> back;
    for (auto& s : copy) back.push_back(s.data());
    platform::setArguments(static_cast<int>(back.size()), back.data());
}

TEST(Encodings2, ResourceStrings) {
    HMODULE module = platform::registerModule(u"res-strings", {});
    platform::addStringResource(module, 4, u"Stra\u00DFe \u4E2D");
    const TResStringRec byId{&module, 4};
    EXPECT_EQ(WideLoadResString(&byId), u"Stra\u00DFe \u4E2D");
    const TResStringRec missing{&module, 5};
    EXPECT_EQ(WideLoadResString(&missing), u"");
    static const char utf8[] = "\xEF\xBB\xBF\xC3\xA9t\xC3\xA9";
    const TResStringRec marked{&module, reinterpret_cast<ULONG_PTR>(utf8)};
    EXPECT_EQ(WideLoadResString(&marked), u"\u00E9t\u00E9");
    static const char plain[] = "plain text";
    const TResStringRec text{&module, reinterpret_cast<ULONG_PTR>(plain)};
    EXPECT_EQ(WideLoadResString(&text), u"plain text");
    EXPECT_EQ(WideLoadResString(nullptr), u"");
}
