// The "W" and "_UTF7" twins of published wide strings and wide characters in layouts:
// when they are written, that they win when read, values read but not applied without a
// root, ancestors and defaults, and the errors of bad values.
#include "classlib/Classes.h"
#include "platform/codepage.h"
#include "widetext/WideEncodings.h"
#include "widetext/WideProperties.h"

#include <gtest/gtest.h>

namespace {

class TWideProps : public TComponent {
    Q_OBJECT
    Q_PROPERTY(WideString Title MEMBER Title)
    Q_PROPERTY(WideString Secret MEMBER Secret STORED false)
    Q_PROPERTY(char16_t Mark MEMBER Mark)
    Q_PROPERTY(char16_t Sign MEMBER Sign)
    Q_CLASSINFO("Default:Sign", "'+'")

public:
    using TComponent::TComponent;
    void DefineProperties(TFiler* Filer) override {
        TComponent::DefineProperties(Filer);
        DefineWidePropertiesHook(Filer, this);
    }
    WideString Title;
    WideString Secret;
    char16_t Mark = 0;
    char16_t Sign = u'+';
};

bool hasLine(const String& text, const String& line) {
    return text.find("  " + line + "\n") != String::npos;
}

String written(TWideProps& c, TPersistent* ancestor = nullptr) {
    TWriter writer;
    writer.SetAncestor(ancestor);
    return LayoutToText(writer.WriteRootComponent(&c));
}

void readInto(TWideProps& c, const String& body) {
    ReadComponentText("object P: TWideProps\n" + body + "end\n", &c);
}

class WideProperties : public ::testing::Test {
protected:
    void SetUp() override { RegisterClass<TWideProps>(); }
};

}  // namespace

TEST_F(WideProperties, OnlyStringsWithCharactersAbove127GetAUtf7Twin) {
    TWideProps c(nullptr);
    c.SetName("P");
    c.Title = u"Plain text";
    c.Sign = u'+';
    String text = written(c);
    EXPECT_TRUE(hasLine(text, "Title = 'Plain text'")) << text;
    EXPECT_EQ(text.find("Title_UTF7"), String::npos) << text;
    EXPECT_EQ(text.find("TitleW"), String::npos) << text;
    c.Title = u"Café";
    text = written(c);
    EXPECT_TRUE(hasLine(text, "Title_UTF7 = '" + WideToUtf7(u"Café") + "'")) << text;
    EXPECT_EQ(WideToUtf7(u"Café"), "Caf+AOk");
    // A property that is not stored has no twin either.
    c.Secret = u"日本";
    text = written(c);
    EXPECT_EQ(text.find("Secret"), String::npos) << text;
}

TEST_F(WideProperties, TheTwinsWinOverThePlainValueAndAreReadBack) {
    TWideProps c(nullptr);
    const WideString greek = u"Ελληνικά 日本 \U0001F600";
    readInto(c, "  Title = 'wrong'\n  Title_UTF7 = '" + WideToUtf7(greek) + "'\n");
    EXPECT_EQ(c.Title, greek);
    // "W" holds UTF-8 text.
    readInto(c, "  TitleW = 'Кириллица'\n");
    EXPECT_EQ(c.Title, u"Кириллица");
    // Written by the program, read back equal.
    c.Title = greek;
    c.Mark = u'日';
    const String text = written(c);
    TWideProps back(nullptr);
    ReadComponentText(text, &back);
    EXPECT_EQ(back.Title, greek);
    EXPECT_EQ(back.Mark, u'日');
}

TEST_F(WideProperties, WithoutARootTheValuesAreTakenButNotApplied) {
    TWideProps c(nullptr);
    c.Title = u"kept";
    TReader reader;
    reader.ReadProperty(&c, TLayoutProperty{"Title_UTF7", TLayoutValue::MakeString(u"+AOk-"), 1});
    reader.ReadProperty(&c, TLayoutProperty{"TitleW", TLayoutValue::MakeString(u"é"), 2});
    reader.ReadProperty(&c, TLayoutProperty{"MarkW", TLayoutValue::MakeString(u"x"), 3});
    EXPECT_EQ(c.Title, u"kept");
    EXPECT_EQ(c.Mark, 0);
    // A bad value raises even so.
    EXPECT_THROW(reader.ReadProperty(&c, TLayoutProperty{"MarkW", TLayoutValue::MakeString(u"xy"), 4}), EReadError);
}

TEST_F(WideProperties, AnAncestorWithTheSameValueLeavesTheTwinsOut) {
    TWideProps ancestor(nullptr);
    ancestor.Title = u"Grüße";
    ancestor.Mark = u'Ω';
    TWideProps c(nullptr);
    c.SetName("P");
    c.Title = u"Grüße";
    c.Mark = u'Ω';
    String text = written(c, &ancestor);
    EXPECT_EQ(text.find("Title_UTF7"), String::npos) << text;
    EXPECT_EQ(text.find("MarkW"), String::npos) << text;
    c.Title = u"Grüße!";
    c.Mark = u'Σ';
    text = written(c, &ancestor);
    EXPECT_TRUE(hasLine(text, "Title_UTF7 = '" + WideToUtf7(u"Grüße!") + "'")) << text;
    EXPECT_NE(text.find("MarkW = "), String::npos) << text;
}

TEST_F(WideProperties, WideCharactersAreWrittenUnlessDefaultAndReadStrictly) {
    TWideProps c(nullptr);
    c.SetName("P");
    // No declared default: even character 0 is written; the declared default is not.
    String text = written(c);
    EXPECT_TRUE(hasLine(text, "MarkW = #0")) << text;
    c.Mark = u'x';
    ReadComponentText(text, &c);
    EXPECT_EQ(c.Mark, 0);
    EXPECT_EQ(text.find("SignW"), String::npos) << text;
    c.Sign = u'§';
    text = written(c);
    EXPECT_NE(text.find("SignW = "), String::npos) << text;
    // Read: the empty text is character 0; "_UTF7" takes the first character.
    c.Mark = u'x';
    readInto(c, "  MarkW = ''\n");
    EXPECT_EQ(c.Mark, 0);
    readInto(c, "  Mark_UTF7 = '" + WideToUtf7(u"日本") + "'\n");
    EXPECT_EQ(c.Mark, u'日');
    readInto(c, "  MarkW = 'ß'\n");
    EXPECT_EQ(c.Mark, u'ß');
    for (const String bad : {"  MarkW = 'ab'\n", "  MarkW = 5\n", "  MarkW = True\n"}) {
        try {
            readInto(c, bad);
            ADD_FAILURE() << "no error for " << bad;
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message.rfind("Ungültiger Wert der Eigenschaft", 0), 0u) << e.Message;
        }
    }
    // Malformed UTF-7 is the encoding's error.
    EXPECT_THROW(readInto(c, "  Title_UTF7 = '+AO'\n"), EWideGeneralError);
}

#include "WidePropertiesTest.moc"
