// The number module: integer and real parsing and formatting, rounding, Format.
#include "classlib/SysUtils.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

template <class E, class F>
String messageOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.Message;
    }
    return "(nothing raised)";
}

// Sets the separators for one test and puts the class library's back.
struct Separators {
    Separators(char decimal, char thousands) {
        DecimalSeparator = decimal;
        ThousandSeparator = thousands;
    }
    ~Separators() {
        DecimalSeparator = '.';
        ThousandSeparator = ',';
    }
};

}  // namespace

TEST(NumbersIntegers, DecimalAndHexadecimalTexts) {
    EXPECT_EQ(StrToInt("123"), 123);
    EXPECT_EQ(StrToInt("-45"), -45);
    EXPECT_EQ(StrToInt("+7"), 7);
    EXPECT_EQ(StrToInt("  12"), 12);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(StrToInt("$FF"), 255);
    EXPECT_EQ(StrToInt("$ff"), 255);
    EXPECT_EQ(StrToInt("0x10"), 16);
    EXPECT_EQ(StrToInt("-$10"), -16);
    // Hexadecimal takes all 32 bits and wraps, as the spin edit's unsigned values need.
    EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(StrToInt("$80000000"), INT32_MIN);
    EXPECT_EQ(StrToInt64("9223372036854775807"), std::numeric_limits<Int64>::max());
    EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
    EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<Int64>::min());
}

TEST(NumbersIntegers, BadTextsRaiseWithTheText) {
    for (const char* bad : {"", "-", "+", "$", "12a", "1 ", "1.0", "2147483648", "-2147483649", "$100000000", "0x", "--1"}) {
        EXPECT_EQ(messageOf<EConvertError>([&] { StrToInt(bad); }), String("'") + bad + "' is not a valid integer value") << bad;
    }
    EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
    EXPECT_EQ(StrToIntDef("x", -7), -7);
    EXPECT_EQ(StrToIntDef("$1F", -7), 31);
    EXPECT_EQ(StrToInt64Def("", 5), 5);
    Integer v = 99;
    EXPECT_FALSE(TryStrToInt("1e3", v));
    EXPECT_EQ(v, 99);
}

TEST(NumbersIntegers, Texts) {
    EXPECT_EQ(IntToStr(-5), "-5");
    EXPECT_EQ(IntToStr(0), "0");
    EXPECT_EQ(IntToStr(static_cast<Int64>(-9223372036854775807LL - 1)), "-9223372036854775808");
    EXPECT_EQ(IntToStr(static_cast<UInt64>(18446744073709551615ULL)), "18446744073709551615");
    EXPECT_EQ(IntToHex(255, 1), "FF");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(0x1234, 2), "1234");
    EXPECT_EQ(IntToHex(0, 1), "0");
    EXPECT_EQ(IntToHex(-1, 1), "FFFFFFFF");
    EXPECT_EQ(IntToHex(static_cast<Int64>(-1), 1), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(IntToHex(0xABCu, 0), "ABC");
}

TEST(NumbersReals, Parsing) {
    EXPECT_EQ(StrToFloat("3.14"), 3.14L);
    EXPECT_EQ(StrToFloat("1e3"), 1000.0L);
    EXPECT_EQ(StrToFloat("-2.5E-2"), -0.025L);
    EXPECT_EQ(StrToFloat(" 1.5 "), 1.5L);
    EXPECT_EQ(StrToFloat(".5"), 0.5L);
    EXPECT_EQ(StrToFloat("5."), 5.0L);
    EXPECT_EQ(StrToFloat("+7"), 7.0L);
    // long double keeps more than a double.
    EXPECT_NE(StrToFloat("0.1"), static_cast<long double>(0.1));
    for (const char* bad : {"", ".", "-", "1,5", "1e", "1e+", "e5", "inf", "nan", "1.2.3", "1e5000", "1 2", "$10"})
        EXPECT_EQ(messageOf<EConvertError>([&] { StrToFloat(bad); }), String("'") + bad + "' is not a valid floating point value")
            << bad;
    EXPECT_EQ(StrToFloatDef("x", 2.5L), 2.5L);
    long double v = 1;
    EXPECT_FALSE(TextToFloat("1,000", v));
    EXPECT_EQ(v, 1);
}

TEST(NumbersReals, DecimalSeparatorIsHonoured) {
    Separators s(',', '.');
    EXPECT_EQ(StrToFloat("1,5"), 1.5L);
    EXPECT_THROW(StrToFloat("1.5"), EConvertError);
    EXPECT_EQ(FloatToStrF(1234.5L, ffFixed, 15, 2), "1234,50");
    EXPECT_EQ(FloatToStrF(1234.5L, ffNumber, 15, 1), "1.234,5");
}

TEST(NumbersReals, FixedRoundsDecimalDigitsHalfAwayFromZero) {
    // Exact binary ties go away from zero at the wanted digit.
    EXPECT_EQ(FloatToStrF(0.125L, ffFixed, 15, 2), "0.13");
    EXPECT_EQ(FloatToStrF(0.375L, ffFixed, 15, 2), "0.38");
    EXPECT_EQ(FloatToStrF(-0.125L, ffFixed, 15, 2), "-0.13");
    EXPECT_EQ(FloatToStrF(2.5L, ffFixed, 15, 0), "3");
    EXPECT_EQ(FloatToStrF(0.5L, ffFixed, 15, 0), "1");
    EXPECT_EQ(FloatToStrF(9.995L, ffFixed, 15, 2), "10.00");
    // The decimal form of 18 digits decides: the long double read from "2.675" lies a hair
    // below 2.675 and still shows 2.68; the double 2.675 lies far enough below to show 2.67.
    EXPECT_EQ(FloatToStrF(StrToFloat("2.675"), ffFixed, 15, 2), "2.68");
    EXPECT_EQ(FloatToStrF(static_cast<long double>(2.675), ffFixed, 15, 2), "2.67");
    EXPECT_EQ(FloatToStrF(3.14159L, ffFixed, 15, 2), "3.14");
    EXPECT_EQ(FloatToStrF(1e6L, ffFixed, 15, 2), "1000000.00");
    EXPECT_EQ(FloatToStrF(0.0L, ffFixed, 15, 2), "0.00");
    EXPECT_EQ(FloatToStrF(-0.001L, ffFixed, 15, 2), "0.00");
    EXPECT_EQ(FloatToStrF(-0.005L, ffFixed, 15, 2), "-0.01");
    EXPECT_EQ(FloatToStrF(12.0L, ffFixed, 15, 0), "12");
    // More integer digits than the precision: scientific.
    EXPECT_EQ(FloatToStrF(1e16L, ffFixed, 15, 2), "1.00000000000000E+16");
}

TEST(NumbersReals, OtherFormats) {
    EXPECT_EQ(FloatToStrF(1234567.891L, ffNumber, 18, 2), "1,234,567.89");
    EXPECT_EQ(FloatToStrF(-999.5L, ffNumber, 18, 0), "-1,000");
    EXPECT_EQ(FloatToStrF(1234.5L, ffExponent, 5, 2), "1.2345E+03");
    EXPECT_EQ(FloatToStrF(-0.00012345L, ffExponent, 3, 0), "-1.23E-4");
    EXPECT_EQ(FloatToStrF(1.0L / 3, ffGeneral, 7, 0), "0.3333333");
    EXPECT_EQ(FloatToStr(0.1L), "0.1");
    EXPECT_EQ(FloatToStr(static_cast<double>(0.1)), "0.1");
    EXPECT_EQ(FloatToStr(2.5L), "2.5");
    EXPECT_EQ(FloatToStr(100.0L), "100");
    EXPECT_EQ(FloatToStr(1e20L), "1E20");
    EXPECT_EQ(FloatToStr(0.0001L), "0.0001");
    EXPECT_EQ(FloatToStr(0.00001L), "1E-5");
    EXPECT_EQ(FloatToStr(-123456789012345678.0L), "-1.23456789012346E17");
    EXPECT_EQ(FloatToStr(0.0L), "0");
    EXPECT_EQ(FloatToStr(std::numeric_limits<long double>::infinity()), "INF");
    EXPECT_EQ(FloatToStr(-std::numeric_limits<long double>::infinity()), "-INF");
    EXPECT_EQ(FloatToStr(std::numeric_limits<long double>::quiet_NaN()), "NAN");
}

TEST(NumbersReals, DecimalDigitsRecord) {
    TFloatRec r = FloatToDecimal(-0.0625L, 15, 9999);
    EXPECT_TRUE(r.Negative);
    EXPECT_EQ(r.Digits, "625");
    EXPECT_EQ(r.Exponent, -1);
    r = FloatToDecimal(999.96L, 15, 1);
    EXPECT_EQ(r.Digits, "1");
    EXPECT_EQ(r.Exponent, 4);
    // Enough digits to give a long double back exactly.
    const long double third = 1.0L / 3;
    r = FloatToDecimal(third, 21, 9999);
    EXPECT_EQ(StrToFloat("0." + r.Digits), third);
}

TEST(NumbersRounding, HalvesGoToEven) {
    EXPECT_EQ(Round(2.5L), 2);
    EXPECT_EQ(Round(3.5L), 4);
    EXPECT_EQ(Round(-2.5L), -2);
    EXPECT_EQ(Round(-3.5L), -4);
    EXPECT_EQ(Round(2.4999L), 2);
    EXPECT_EQ(Round(0.5L), 0);
    EXPECT_EQ(Round(1e15L + 0.5L), 1000000000000000);
    EXPECT_EQ(Trunc(-2.7L), -2);
    EXPECT_EQ(Trunc(2.7L), 2);
    EXPECT_EQ(Frac(-2.75L), -0.75L);
    EXPECT_EQ(Int(-2.75L), -2.0L);
    EXPECT_THROW(Round(std::numeric_limits<long double>::quiet_NaN()), EInvalidOp);
    EXPECT_THROW(Round(1e30L), EInvalidOp);
    EXPECT_THROW(Trunc(-1e19L), EInvalidOp);
    EXPECT_EQ(Round(-9223372036854775808.0L), std::numeric_limits<Int64>::min());
}

TEST(NumbersFormat, IntegersAndStrings) {
    EXPECT_EQ(Format("%d", {42}), "42");
    EXPECT_EQ(Format("[%5d]", {42}), "[   42]");
    EXPECT_EQ(Format("[%-5d]", {42}), "[42   ]");
    EXPECT_EQ(Format("%.3d", {7}), "007");
    EXPECT_EQ(Format("%.3d", {-7}), "-007");
    EXPECT_EQ(Format("%d", {5000000000LL}), "5000000000");
    EXPECT_EQ(Format("%u", {-1}), "4294967295");
    EXPECT_EQ(Format("%x", {255}), "FF");
    EXPECT_EQ(Format("%x", {-1}), "FFFFFFFF");
    EXPECT_EQ(Format("%.4x", {255}), "00FF");
    EXPECT_EQ(Format("%s and %s", {"this", String("that")}), "this and that");
    EXPECT_EQ(Format("%.2s", {"abc"}), "ab");
    EXPECT_EQ(Format("[%-6s]", {"ab"}), "[ab    ]");
    EXPECT_EQ(Format("%*d", {5, 42}), "   42");
    EXPECT_EQ(Format("%-*d|", {4, 1}), "1   |");
    EXPECT_EQ(Format("%1:s %0:s %s", {"a", "b"}), "b a b");
    EXPECT_EQ(Format("100%%", TVarRecs{}), "100%");
    EXPECT_EQ(Format("%s", {u"wide"}), "wide");
    EXPECT_EQ(Format("%s", {'c'}), "c");
    EXPECT_EQ(Format("%p", {reinterpret_cast<const void*>(0x1F)}), "000000000000001F");
}

TEST(NumbersFormat, Reals) {
    EXPECT_EQ(Format("%f", {3.14159}), "3.14");
    EXPECT_EQ(Format("%.3f", {2.0L}), "2.000");
    EXPECT_EQ(Format("%5.1f", {3.14159}), "  3.1");
    EXPECT_EQ(Format("%*.*f", {8, 2, 3.14159}), "    3.14");
    EXPECT_EQ(Format("%.2f", {0.125}), "0.13");
    EXPECT_EQ(Format("%n", {1234567.5}), "1,234,567.50");
    EXPECT_EQ(Format("%.0n", {1234567.5}), "1,234,568");
    EXPECT_EQ(Format("%e", {1234.5}), "1.23450000000000E+003");
    EXPECT_EQ(Format("%.3e", {-0.5}), "-5.00E-001");
    EXPECT_EQ(Format("%g", {0.5}), "0.5");
    EXPECT_EQ(Format("%g", {1e20}), "1E20");
}

TEST(NumbersFormat, BadFormatsAndArgumentsRaise) {
    EXPECT_EQ(messageOf<EConvertError>([] { Format("%d", {"x"}); }), "Format '%d' is invalid or does not fit its argument");
    EXPECT_EQ(messageOf<EConvertError>([] { Format("%d %d", {1}); }), "Format '%d %d' has no argument");
    EXPECT_THROW(Format("%f", {1}), EConvertError);
    EXPECT_THROW(Format("%s", {1}), EConvertError);
    EXPECT_THROW(Format("%q", {1}), EConvertError);
    EXPECT_THROW(Format("abc %", {1}), EConvertError);
    EXPECT_THROW(Format("%.f", {1.0}), EConvertError);
    EXPECT_THROW(Format("%*d", {"x", 1}), EConvertError);
    // The message of a formatting exception constructor.
    EXPECT_EQ(EListError("Index %d of %s", {3, "list"}).Message, "Index 3 of list");
}

TEST(NumbersDates, EncodeAndDecode) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(EncodeDate(1900, 3, 1), 61.0);
    Word y, m, d;
    DecodeDate(36526.75, y, m, d);
    EXPECT_EQ(y, 2000);
    EXPECT_EQ(m, 1);
    EXPECT_EQ(d, 1);
    DecodeDate(EncodeDate(2024, 2, 29), y, m, d);
    EXPECT_EQ(m, 2);
    EXPECT_EQ(d, 29);
    EXPECT_THROW(EncodeDate(2001, 2, 29), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    Word h, mi, s, ms;
    DecodeTime(EncodeTime(13, 45, 30, 250), h, mi, s, ms);
    EXPECT_EQ(h, 13);
    EXPECT_EQ(mi, 45);
    EXPECT_EQ(s, 30);
    EXPECT_EQ(ms, 250);
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(1900));
    const TDateTime now = Now();
    EXPECT_GT(now, EncodeDate(2020, 1, 1));
    EXPECT_EQ(Date(), std::floor(Date()));
}
