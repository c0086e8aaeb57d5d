// The text form of layouts: parsing every kind of value, errors with line numbers, printing.
#include "classlib/Layout.h"
#include "classlib/SysUtils.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

TLayoutValue valueOf(const char* text) { return ParseLayoutValue(text); }

String parseError(const String& text) {
    try {
        ParseLayout(text);
    } catch (const EParserError& e) {
        return e.Message;
    }
    return "(nothing raised)";
}

}  // namespace

TEST(LayoutParser, ObjectsPropertiesAndChildren) {
    const TLayoutObject o = ParseLayout(
        "\xEF\xBB\xBF"
        "object PosterForm: TPosterForm\n"
        "  Left = 10\n"
        "  Font.Name = 'Arial'\n"
        "  object Panel1: TPanel\n"
        "    inherited Edit: TEdit [2]\n"
        "    end\n"
        "    inline Frame1: TFrame1\n"
        "    end\n"
        "  end\n"
        "  object TTimer\n"
        "  END\n"
        "end\n");
    EXPECT_EQ(o.Kind, TLayoutObject::loObject);
    EXPECT_EQ(o.Name, "PosterForm");
    EXPECT_EQ(o.ClassName, "TPosterForm");
    EXPECT_EQ(o.Line, 1);
    ASSERT_EQ(o.Properties.size(), 2u);
    EXPECT_EQ(o.Properties[1].Name, "Font.Name");
    EXPECT_EQ(o.Properties[1].Line, 3);
    ASSERT_EQ(o.Children.size(), 2u);
    const TLayoutObject& panel = o.Children[0];
    ASSERT_EQ(panel.Children.size(), 2u);
    EXPECT_EQ(panel.Children[0].Kind, TLayoutObject::loInherited);
    EXPECT_EQ(panel.Children[0].Index, 2);
    EXPECT_EQ(panel.Children[1].Kind, TLayoutObject::loInline);
    EXPECT_EQ(panel.Children[1].Line, 7);
    EXPECT_EQ(o.Children[1].Name, "");
    EXPECT_EQ(o.Children[1].ClassName, "TTimer");
}

TEST(LayoutParser, NumbersIdentifiersAndSets) {
    EXPECT_EQ(valueOf("-42").Integer, -42);
    EXPECT_EQ(valueOf("$FF").Integer, 255);
    EXPECT_EQ(valueOf("-$10").Integer, -16);
    EXPECT_EQ(valueOf("$FFFFFFFFFFFFFFFF").Integer, -1);
    EXPECT_EQ(valueOf("9223372036854775807").Integer, std::numeric_limits<long long>::max());
    EXPECT_EQ(valueOf("1.5").Kind, TLayoutValue::lvReal);
    EXPECT_EQ(valueOf("1.5").Real, 1.5L);
    EXPECT_EQ(valueOf("-0.25").Real, -0.25L);
    EXPECT_EQ(valueOf("1E3").Kind, TLayoutValue::lvReal);
    EXPECT_EQ(valueOf("2.5e-3").Real, 0.0025L);
    EXPECT_EQ(valueOf("0.1").Real, 0.1L);  // long double precision
    const TLayoutValue id = valueOf("alClient");
    EXPECT_EQ(id.Kind, TLayoutValue::lvIdent);
    EXPECT_EQ(id.Ident, "alClient");
    const TLayoutValue set = valueOf("[fsBold, fsItalic]");
    EXPECT_EQ(set.Kind, TLayoutValue::lvSet);
    EXPECT_EQ(set.Set, (std::vector<String>{"fsBold", "fsItalic"}));
    EXPECT_TRUE(valueOf("[]").Set.empty());
    EXPECT_EQ(valueOf("[]").Kind, TLayoutValue::lvSet);
}

TEST(LayoutParser, Strings) {
    EXPECT_EQ(valueOf("'it''s'").Str, u"it's");
    EXPECT_EQ(valueOf("''").Str, u"");
    EXPECT_EQ(valueOf("'a'#13#10'b'").Str, u"a\r\nb");
    EXPECT_EQ(valueOf("#8364").Str, u"\u20ac");
    EXPECT_EQ(valueOf("'Gr'#246#223'e'").Str, u"Gr\u00f6\u00dfe");
    EXPECT_EQ(valueOf("'Gr\xC3\xB6\xC3\x9F" "e'").Str, u"Gr\u00f6\u00dfe");  // UTF-8 in quotes
    EXPECT_EQ(valueOf("'first ' +\n  'second' + #33").Str, u"first second!");
    EXPECT_EQ(valueOf("#55357#56832").Str, u"\U0001F600");
    EXPECT_EQ(valueOf("#128512").Str, u"\U0001F600");
}

TEST(LayoutParser, ListsBinaryAndCollections) {
    const TLayoutValue list = valueOf("(\n  'a'\n  1\n  (2 3)\n  [x])");
    ASSERT_EQ(list.Kind, TLayoutValue::lvList);
    ASSERT_EQ(list.List.size(), 4u);
    EXPECT_EQ(list.List[2].List.size(), 2u);
    EXPECT_EQ(list.List[1].Line, 3);
    EXPECT_TRUE(valueOf("()").List.empty());
    const TLayoutValue bin = valueOf("{\n  0A0b FF\n  00}");
    ASSERT_EQ(bin.Kind, TLayoutValue::lvBinary);
    EXPECT_EQ(bin.Binary, (std::vector<unsigned char>{0x0A, 0x0B, 0xFF, 0x00}));
    EXPECT_TRUE(valueOf("{}").Binary.empty());
    const TLayoutValue coll = valueOf("<\n  item\n    Width = 50\n    Text = 'x'\n  end\n  item\n  end>");
    ASSERT_EQ(coll.Kind, TLayoutValue::lvCollection);
    ASSERT_EQ(coll.Items.size(), 2u);
    EXPECT_EQ(coll.Items[0].Properties.size(), 2u);
    EXPECT_EQ(coll.Items[0].Properties[1].Line, 4);
    EXPECT_EQ(coll.Items[1].Line, 6);
    EXPECT_TRUE(coll.Items[1].Properties.empty());
    EXPECT_TRUE(valueOf("<>").Items.empty());
}

TEST(LayoutParser, ErrorsGiveTheLine) {
    EXPECT_EQ(parseError("object A: TA\n  Left = 1\n"), "'end' expected in line 3");
    EXPECT_EQ(parseError("object A: TA\n  Caption = 'open\nend\n"), "Invalid string in line 2");
    EXPECT_EQ(parseError("object A: TA\n  Left 1\nend\n"), "'=' expected in line 2");
    EXPECT_EQ(parseError("object A: TA\n  Data = {0A0}\nend\n"), "Invalid binary value in line 2");
    EXPECT_EQ(parseError("object A: TA\n  Data = {0A\n  zz}\nend\n"), "Invalid binary value in line 3");
    EXPECT_EQ(parseError("object A: TA\n  Big = 99999999999999999999\nend\n"), "Invalid number in line 2");
    EXPECT_EQ(parseError("object A: TA\n  Big = $12345678901234567\nend\n"), "Invalid number in line 2");
    EXPECT_EQ(parseError("object A: TA\n  S = 'a' +\nend\n"), "String expected in line 3");
    EXPECT_EQ(parseError("object A: TA\n  S = [a b]\nend\n"), "']' expected in line 2");
    EXPECT_EQ(parseError("object A: TA\n  C = <\n    Width = 1\n  >\nend\n"), "'item' expected in line 3");
    EXPECT_EQ(parseError("object A: TA\n  L = (1 2\n"), "')' expected in line 2");
    EXPECT_EQ(parseError("object A: TA\n  X = #\nend\n"), "Invalid string in line 2");
    EXPECT_EQ(parseError("object A: TA\nend\nend\n"), "'end of text' expected in line 3");
    EXPECT_EQ(parseError("thing A: TA\nend\n"), "'object' expected in line 1");
    EXPECT_EQ(parseError("object A: TA\n  X = )\nend\n"), "Ungültiger Wert der Eigenschaft in line 2");
    EXPECT_EQ(parseError(""), "'object' expected in line 1");
    EXPECT_EQ(parseError("object A: TA\n  L = " + String(100000, '(')), "Nesting too deep in line 2");
}

TEST(LayoutPrinter, TextOfEveryKind) {
    TLayoutObject o;
    o.Name = "Form1";
    o.ClassName = "TForm1";
    o.Properties.push_back({"Left", TLayoutValue::MakeInteger(-3), 0});
    o.Properties.push_back({"Caption", TLayoutValue::MakeString(u"it's \u00e9\u20ac\t!"), 0});
    TLayoutValue set;
    set.Kind = TLayoutValue::lvSet;
    set.Set = {"a", "b"};
    o.Properties.push_back({"Style", set, 0});
    TLayoutValue list;
    list.Kind = TLayoutValue::lvList;
    list.List = {TLayoutValue::MakeString(u"x"), TLayoutValue::MakeInteger(2)};
    o.Properties.push_back({"Lines.Strings", list, 0});
    TLayoutValue bin;
    bin.Kind = TLayoutValue::lvBinary;
    bin.Binary = {0x01, 0xAB};
    o.Properties.push_back({"Data", bin, 0});
    TLayoutValue coll;
    coll.Kind = TLayoutValue::lvCollection;
    coll.Items.resize(1);
    coll.Items[0].Properties.push_back({"Width", TLayoutValue::MakeInteger(50), 0});
    o.Properties.push_back({"Panels", coll, 0});
    TLayoutObject child;
    child.Kind = TLayoutObject::loInherited;
    child.Name = "B";
    child.ClassName = "TB";
    child.Index = 1;
    o.Children.push_back(child);
    const String text = LayoutToText(o);
    EXPECT_EQ(text,
              "object Form1: TForm1\n"
              "  Left = -3\n"
              "  Caption = 'it''s \xC3\xA9\xE2\x82\xAC'#9'!'\n"
              "  Style = [a, b]\n"
              "  Lines.Strings = (\n"
              "    'x'\n"
              "    2)\n"
              "  Data = {\n"
              "    01AB}\n"
              "  Panels = <\n"
              "    item\n"
              "      Width = 50\n"
              "    end>\n"
              "  inherited B: TB [1]\n"
              "  end\n"
              "end\n");
    EXPECT_EQ(LayoutToText(ParseLayout(text)), text);
}

TEST(LayoutPrinter, RealsAndLongStrings) {
    EXPECT_EQ(LayoutValueToText(TLayoutValue::MakeReal(0.1, 15)), "0.1");
    EXPECT_EQ(LayoutValueToText(TLayoutValue::MakeReal(0.1f, 6)), "0.1");
    EXPECT_EQ(LayoutValueToText(TLayoutValue::MakeReal(123, 18)), "123.0");
    EXPECT_EQ(LayoutValueToText(TLayoutValue::MakeReal(-2.5e-7L, 18)), "-2.5E-7");
    EXPECT_EQ(LayoutValueToText(TLayoutValue::MakeReal(1e25L, 18)), "1.0E25");
    EXPECT_EQ(LayoutValueToText(TLayoutValue::MakeReal(0, 18)), "0.0");
    // Every real reads back as the same value of its type.
    for (long double v : {1.0L / 3, 2.0L / 3, 3.14159265358979323846L, 1e-300L, 123456789.123456789L, -7.7e100L}) {
        const TLayoutValue back = ParseLayoutValue(LayoutValueToText(TLayoutValue::MakeReal(v, 18)));
        EXPECT_EQ(back.Real, v) << LayoutValueToText(TLayoutValue::MakeReal(v, 18));
        const double d = static_cast<double>(v);
        EXPECT_EQ(static_cast<double>(ParseLayoutValue(LayoutValueToText(TLayoutValue::MakeReal(d, 15))).Real), d);
    }
    // Long strings are split into joined pieces, which read back whole.
    const WideString longText(150, u'x');
    const String text = LayoutValueToText(TLayoutValue::MakeString(longText));
    EXPECT_NE(text.find("' +\n"), String::npos);
    EXPECT_EQ(ParseLayoutValue(text).Str, longText);
}
