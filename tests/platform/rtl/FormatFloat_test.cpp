#include "platform/rtl/SysUtils.h"
#include "platform/Raised.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// Every case runs under the Turkish defaults, whatever another test left behind.
class FloatText : public ::testing::Test {
protected:
    TFormatSettingsGuard guard{TurkishFormatSettings()};
};

struct FloatCase { Extended value; const char* text; };

}  // namespace

TEST_F(FloatText, FloatToStrGeneralForm)
{
    const FloatCase cases[] = {
        {0, "0"}, {1, "1"}, {-1.5, "-1,5"}, {1234.5, "1234,5"}, {0.1, "0,1"}, {1.0 / 3, "0,333333333333333"},
        {2.0 / 3, "0,666666666666667"}, {123456789012345.0, "123456789012345"}, {1e15, "1E15"},
        {1.5e20, "1,5E20"}, {-2.5e-7, "-2,5E-7"}, {0.0001, "0,0001"}, {0.00001, "0,00001"}, {0.000001, "1E-6"},
        {0.1 + 0.2, "0,3"}, {100, "100"}, {1e-300, "1E-300"},
    };
    for (const FloatCase& c : cases) EXPECT_EQ(FloatToStr(c.value), c.text) << double(c.value);
    EXPECT_EQ(FloatToStr(std::numeric_limits<double>::quiet_NaN()), "NAN");
    EXPECT_EQ(FloatToStr(-std::numeric_limits<double>::infinity()), "-INF");
}

TEST_F(FloatText, FloatToStrFKinds)
{
    EXPECT_EQ(FloatToStrF(1234567.891, ffFixed, 18, 2), "1234567,89");
    EXPECT_EQ(FloatToStrF(1234567.891, ffNumber, 18, 2), "1.234.567,89");
    EXPECT_EQ(FloatToStrF(-1234.5, ffNumber, 18, 0), "-1.235");
    EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 18, 2), "1.234,50 TL");
    EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 18, 2), "-1.234,50 TL");
    EXPECT_EQ(FloatToStrF(1234.5, ffExponent, 4, 2), "1,235E+03");
    EXPECT_EQ(FloatToStrF(0.000123, ffExponent, 3, 0), "1,23E-4");
    EXPECT_EQ(FloatToStrF(0, ffExponent, 3, 2), "0,00E+00");
    EXPECT_EQ(FloatToStrF(2.5, ffFixed, 18, 0), "3");     // half away from zero
    EXPECT_EQ(FloatToStrF(-2.5, ffFixed, 18, 0), "-3");
    EXPECT_EQ(FloatToStrF(-0.004, ffFixed, 18, 2), "0,00");  // no "-0,00"
    EXPECT_EQ(FloatToStrF(123456, ffFixed, 3, 2), "1,23E5");  // too wide for the precision
    EXPECT_EQ(FloatToStrF(999.999, ffNumber, 18, 2), "1.000,00");
}

TEST_F(FloatText, FormatFloatPictures)
{
    struct Case { const char* fmt; Extended value; const char* text; };
    const Case cases[] = {
        {"0.00", 2.125, "2,13"},          // exact tie, away from zero
        {"0.00", -2.125, "-2,13"},
        {"0.00", 1.005, "1,01"},          // the decimal the double stands for, not its binary tail
        {"#,##0.00", 1234567.891, "1.234.567,89"},
        {"#,##0.", 1234.5, "1.235"},       // point without digits after it shows nothing
        {"#,##0.", 12, "12"},
        {"0.", 5, "5"},
        {"#.##", 0.5, ",5"},
        {"#.##", 0, ""},
        {"0.##", 2.5, "2,5"},
        {"0.0#", 2, "2,0"},
        {"000", 7, "007"},
        {"#", 1234, "1234"},
        {"00", 12345, "12345"},
        {"#,##0", -1234567, "-1.234.567"},
        {"#,##0.00;(#,##0.00)", -1234.5, "(1.234,50)"},
        {"#,##0.00;(#,##0.00)", 1234.5, "1.234,50"},
        {"0.00;-0.00;'sıfır'", 0, "sıfır"},
        {"0.00;-0.00;'sıfır'", 0.001, "sıfır"},  // rounds to zero: zero section
        {"0.0;;'yok'", -2, "-2,0"},              // empty negative section: first one with "-"
        {"0.00 'TL'", 3.5, "3,50 TL"},
        {"\"No:\" 0", 42, "No: 42"},
        {"0.00E+00", 12345, "1,23E+04"},
        {"0.00E-00", 12345, "1,23E04"},
        {"0.00e+0", 0.000123, "1,23e-4"},
        {"0.###E+0", 0, "0E+0"},
        {"(###) ### ####", 2125551234, "(212) 555 1234"},
        {"0.0000", 0.12345, "0,1235"},
        {"#,##0.00", 0.5, "0,50"},
        {"", 1.5, "1,5"},
        {"#,##0", 999999.5, "1.000.000"},
        {"#,##0.00", 999999.995, "1.000.000,00"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatFloat(c.fmt, c.value), c.text) << c.fmt << " " << double(c.value);
}

TEST_F(FloatText, FormatFloatUsesTheGivenSeparators)
{
    TFormatSettings us = TurkishFormatSettings();
    us.DecimalSeparator = '.';
    us.ThousandSeparator = ',';
    EXPECT_EQ(FormatFloat("#,##0.00", 1234.5, us), "1,234.50");
    FormatSettings = us;
    EXPECT_EQ(FormatFloat("#,##0.00", -0.999), "-1.00");
    EXPECT_EQ(FloatToStr(0.5), "0.5");
}

TEST_F(FloatText, StrToFloat)
{
    EXPECT_EQ(StrToFloat("1234,5"), 1234.5L);
    EXPECT_EQ(StrToFloat(" -0,25 "), -0.25L);
    EXPECT_EQ(StrToFloat("1,5E3"), 1500.0L);
    EXPECT_EQ(StrToFloat("1e-2"), StrToFloat("0,01"));
    EXPECT_EQ(StrToFloat(",5"), 0.5L);
    EXPECT_EQ(StrToFloat("5,"), 5.0L);
    EXPECT_EQ(StrToFloat("1e-99999"), 0.0L);
    for (const char* bad : {"", " ", "1.5", "1.000,5", "abc", "1,5x", "-", ",", "1e", "1e+", "1e99999"}) {
        Extended v = 7;
        EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
        EXPECT_EQ(v, 7.0L);
    }
    EXPECT_EQ(MessageOf<EConvertError>([&] { StrToFloat("1.5"); }), "'1.5' geçerli bir sayı değil");
    Double d = 0;
    EXPECT_TRUE(TryStrToFloat("0,1", d));
    EXPECT_EQ(d, 0.1);
    EXPECT_FALSE(TryStrToFloat("1e400", d));  // beyond double
    EXPECT_EQ(StrToFloatDef("x", 2.5), 2.5L);
}

TEST_F(FloatText, FloatTextRoundTrips)
{
    for (double v : {0.1, 1234.5678, -98765.4321, 1e-5, 3.14159265358979, 1e20, 123456789012345.0}) {
        EXPECT_NEAR(static_cast<double>(StrToFloat(FloatToStr(v))), v, std::fabs(v) * 1e-14) << v;
    }
}

// ---- currency --------------------------------------------------------------------------------------

TEST_F(FloatText, CurrencyIsExact)
{
    EXPECT_EQ(StrToCurr("1234,5678").Value, 12345678);
    EXPECT_EQ(StrToCurr("0,1").Value, 1000);
    EXPECT_EQ(StrToCurr("-0,00005").Value, -1);       // half away from zero at the 4th decimal
    EXPECT_EQ(StrToCurr("0,00004").Value, 0);
    EXPECT_EQ(StrToCurr("922337203685477,5807").Value, INT64_MAX);
    EXPECT_EQ(StrToCurr("-922337203685477,5808").Value, INT64_MIN);
    EXPECT_EQ(StrToCurr("1,5E2").Value, 1500000);
    EXPECT_THROW(StrToCurr("922337203685477,5808"), EConvertError);
    EXPECT_THROW(StrToCurr("1e30"), EConvertError);
    EXPECT_THROW(StrToCurr("12.5"), EConvertError);
    EXPECT_EQ(StrToCurrDef("?", Currency::FromScaled(5)).Value, 5);

    EXPECT_EQ(CurrToStr(Currency::FromScaled(12345000)), "1234,5");
    EXPECT_EQ(CurrToStr(Currency::FromScaled(-1)), "-0,0001");
    EXPECT_EQ(CurrToStr(Currency::FromScaled(INT64_MIN)), "-922337203685477,5808");
    EXPECT_EQ(CurrToStr(Currency()), "0");
    EXPECT_EQ(CurrToStrF(Currency::FromScaled(12345678), ffCurrency, 2), "1.234,57 TL");
    EXPECT_EQ(CurrToStrF(Currency::FromScaled(-12345678), ffNumber, 4), "-1.234,5678");
    EXPECT_EQ(CurrToStrF(Currency::FromScaled(INT64_MAX), ffFixed, 4), "922337203685477,5807");
    EXPECT_EQ(FormatCurr("#,##0.00", Currency::FromScaled(INT64_MAX)), "922.337.203.685.477,58");
    EXPECT_EQ(FormatCurr("0.00", Currency::FromScaled(21250)), "2,13");
    for (Int64 v : {Int64(0), Int64(1), Int64(-1), Int64(123456789), INT64_MAX, INT64_MIN + 1})
        EXPECT_EQ(StrToCurr(CurrToStr(Currency::FromScaled(v))).Value, v);
}

TEST_F(FloatText, CurrencyAndDouble)
{
    EXPECT_EQ(DoubleToCurr(1.005).Value, 10050);
    EXPECT_EQ(DoubleToCurr(-0.00005).Value, -1);
    EXPECT_EQ(DoubleToCurr(0.1).Value, 1000);
    EXPECT_EQ(CurrToDouble(Currency::FromScaled(15000)), 1.5L);
    EXPECT_THROW(DoubleToCurr(1e300), EOverflow);
    EXPECT_THROW(DoubleToCurr(std::numeric_limits<double>::quiet_NaN()), EOverflow);
}

// ---- Format -----------------------------------------------------------------------------------------

TEST_F(FloatText, FormatDirectives)
{
    struct Case { const char* fmt; std::initializer_list<TVarRec> args; const char* text; };
    const Case cases[] = {
        {"%d adet", {42}, "42 adet"},
        {"%5d|%-5d|", {42, 42}, "   42|42   |"},
        {"%.4d", {-42}, "-0042"},
        {"%d", {Int64(-9223372036854775807LL - 1)}, "-9223372036854775808"},
        {"%u", {-1}, "4294967295"},
        {"%x %.4X", {255, 10}, "FF 000A"},
        {"%x", {-1}, "FFFFFFFF"},
        {"%s-%s", {"a", AnsiString("b")}, "a-b"},
        {"%s", {'c'}, "c"},
        {"%s", {u"Ağaç"}, "Ağaç"},
        {"%.3s|%5s|%-5s|", {"abcdef", "ab", "ab"}, "abc|   ab|ab   |"},
        {"%1:s %0:s %s", {"a", "b"}, "b a b"},
        {"%*d", {4, 7}, "   7"},
        {"%-*d|", {4, 7}, "7   |"},
        {"%.*f", {1, 2.25}, "2,3"},
        {"100%%", {}, "100%"},
        {"%f", {1.5}, "1,50"},
        {"%.0f", {2.5}, "3"},
        {"%n", {1234567.891}, "1.234.567,89"},
        {"%.0n", {1234.0}, "1.234"},
        {"%m", {1234.5}, "1.234,50 TL"},
        {"%m", {Currency::FromScaled(-12345000)}, "-1.234,50 TL"},
        {"%f", {Currency::FromScaled(12345)}, "1,23"},
        {"%e", {1.5}, "1,50000000000000E+000"},
        {"%.3e", {-12345.0}, "-1,23E+004"},
        {"%g", {0.5}, "0,5"},
        {"%g", {1e20}, "1E20"},
        {"%.3g", {1234.0}, "1,23E3"},
        {"%p", {reinterpret_cast<void*>(0xABCD)}, "000000000000ABCD"},
        {"%S", {"up"}, "up"},
        {"no args", {}, "no args"},
    };
    for (const Case& c : cases) EXPECT_EQ(Format(c.fmt, c.args), c.text) << c.fmt;
}

TEST_F(FloatText, FormatRejectsBadDirectivesAndArguments)
{
    struct Case { const char* fmt; std::initializer_list<TVarRec> args; };
    const Case invalid[] = {
        {"%d", {"text"}}, {"%d", {1.5}}, {"%f", {1}}, {"%s", {1}}, {"%x", {1.0}}, {"%p", {1}},
        {"%", {1}}, {"%5", {1}}, {"%k", {1}}, {"%.f", {1.0}}, {"%*d", {"x", 1}},
    };
    for (const Case& c : invalid) {
        EXPECT_EQ(MessageOf<EConvertError>([&] { Format(c.fmt, c.args); }),
                  AnsiString("Format '") + c.fmt + "' invalid or incompatible with argument") << c.fmt;
    }
    EXPECT_EQ(MessageOf<EConvertError>([&] { Format("%s %s", {"one"}); }), "No argument for format '%s %s'");
    EXPECT_THROW(Format("%3:s", {"a"}), EConvertError);
}

TEST_F(FloatText, FormatWithArgumentVectorAndExplicitSettings)
{
    TVarRecs args{1, "x"};
    args.emplace_back(2.5);
    EXPECT_EQ(Format("%d %s %f", args), "1 x 2,50");
    TFormatSettings us = TurkishFormatSettings();
    us.DecimalSeparator = '.';
    us.ThousandSeparator = ',';
    EXPECT_EQ(Format("%n", {1234.5}, us), "1,234.50");
    EXPECT_EQ(Format("%n", {1234.5}), "1.234,50");
}

// ---- rounding of doubles ----------------------------------------------------------------------

// A double such as 2.675 is stored a hair below the tie; amounts typed or read from the database
// must still round as their decimal text does, the same way in every routine.
TEST_F(FloatText, DoublesRoundAsTheDecimalTheyStandFor)
{
    struct Case { const char* what; AnsiString got; const char* text; };
    const Case cases[] = {
        {"Format %.2f 2.675", Format("%.2f", {2.675}), "2,68"},
        {"Format %.2f 1.005", Format("%.2f", {1.005}), "1,01"},
        {"Format %.2f -2.675", Format("%.2f", {-2.675}), "-2,68"},
        {"Format %.1n 1234.45", Format("%.1n", {1234.45}), "1.234,5"},
        {"Format %m 0.125", Format("%m", {0.125}), "0,13 TL"},
        {"FloatToStrF 1.005", FloatToStrF(1.005, ffFixed, 15, 2), "1,01"},
        {"FloatToStrF 0.145*10", FloatToStrF(0.145 * 10, ffFixed, 15, 1), "1,5"},
        {"FormatFloat 0.15", FormatFloat("0.0", 0.15), "0,2"},
        {"FormatFloat 1.255", FormatFloat("#,##0.00", 1.255), "1,26"},
        {"FormatFloat E 1.2345", FormatFloat("0.000E+00", 1.2345), "1,235E+00"},
        {"FormatFloat below tie", FormatFloat("0.00", 1.0049999), "1,00"},
        {"long double below tie", FormatFloat("0.00", 1.00499999999999999L), "1,00"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.text) << c.what;
    EXPECT_EQ(DoubleToCurr(0.00015).Value, 2);
    EXPECT_EQ(DoubleToCurr(-2.67505).Value, -26751);
    EXPECT_EQ(DoubleToCurr(1234567.89).Value, 12345678900);
    EXPECT_THROW(DoubleToCurr(std::numeric_limits<double>::infinity()), EOverflow);
    EXPECT_THROW(DoubleToCurr(922337203685477.6), EOverflow);
}

TEST_F(FloatText, NotANumberAndInfinityInEveryRoutine)
{
    const Extended nan = std::numeric_limits<double>::quiet_NaN();
    const Extended inf = std::numeric_limits<double>::infinity();
    for (TFloatFormat ff : {ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency}) {
        EXPECT_EQ(FloatToStrF(nan, ff, 15, 2), "NAN");
        EXPECT_EQ(FloatToStrF(inf, ff, 15, 2), "INF");
        EXPECT_EQ(FloatToStrF(-inf, ff, 15, 2), "-INF");
    }
    for (const char* f : {"%f", "%e", "%g", "%n", "%m", "%.0f", "%10.3e"}) {
        EXPECT_NE(Format(f, {nan}).find("NAN"), AnsiString::npos) << f;
        EXPECT_NE(Format(f, {-inf}).find("-INF"), AnsiString::npos) << f;
    }
    for (const char* f : {"0.00", "#,##0;(#,##0);'-'", "0.0E+0", ""}) {
        EXPECT_EQ(FormatFloat(f, nan), "NAN") << f;
        EXPECT_EQ(FormatFloat(f, inf), "INF") << f;
    }
}

TEST_F(FloatText, ExtremeMagnitudes)
{
    const double big = std::numeric_limits<double>::max();
    const double tiny = std::numeric_limits<double>::denorm_min();
    EXPECT_EQ(FloatToStr(big), "1,79769313486232E308");
    EXPECT_EQ(FloatToStr(tiny), "5E-324");  // the shortest text that reads back as it
    EXPECT_EQ(FloatToStr(-0.0), "0");
    EXPECT_EQ(FormatFloat("0.00", -0.0), "0,00");
    EXPECT_EQ(FormatFloat("0", 1e20), "100000000000000000000");
    EXPECT_EQ(FormatFloat("#,##0", 1e20), "100.000.000.000.000.000.000");
    EXPECT_EQ(FormatFloat("0.00", tiny), "0,00");
    EXPECT_EQ(FormatFloat("0", big).size(), 309u);
    EXPECT_EQ(FloatToStrF(big, ffFixed, 18, 2), "1,7976931348623157E308");
    EXPECT_EQ(Format("%.2f", {1e300}), "1E300");
    EXPECT_EQ(static_cast<double>(StrToFloat("1,7976931348623157E308")), big);
    Double d = 0;
    EXPECT_TRUE(TryStrToFloat("4,9E-324", d));
    EXPECT_EQ(d, tiny);
    // Very long texts: a thousand digits before the point, a long tail of zeros after it.
    EXPECT_EQ(FloatToStr(StrToFloat("1" + AnsiString(1000, '0'))), "1E1000");
    EXPECT_EQ(StrToFloat("0," + AnsiString(100000, '0') + "1"), 0.0L);
    EXPECT_EQ(StrToCurr("0," + AnsiString(5000, '0') + "1").Value, 0);
    EXPECT_EQ(StrToCurr(AnsiString(5000, '0') + "12,5").Value, 125000);
    EXPECT_EQ(StrToInt(AnsiString(5000, '0') + "42"), 42);
    Integer i = 0;
    EXPECT_FALSE(TryStrToInt(AnsiString(5000, '9'), i));
}

TEST_F(FloatText, FormatSurvivesHostileWidthsAndPrecisions)
{
    // A width or precision from an argument is bounded like one written in the format.
    struct Case { const char* fmt; std::initializer_list<TVarRec> args; };
    const Case refused[] = {
        {"%*d", {INT32_MAX, 1}}, {"%.*d", {INT32_MAX, 1}}, {"%*s", {2000000000, "a"}},
        {"%-*.*x", {5, INT32_MAX, 1}}, {"%.*f", {INT32_MAX, 0.5}}, {"%99999999d", {1}}, {"%.99999999d", {1}}, {"%*:d", {INT32_MAX, 1}},
        {"%", {}}, {"abc%", {}}, {"%-", {1}}, {"%1:", {1}}, {"%.", {1}}, {"%5.", {1}}, {"%*", {1}}, {"%.*", {1}},
    };
    for (const Case& c : refused) EXPECT_THROW(Format(c.fmt, c.args), EConvertError) << c.fmt;
    // Negative widths from arguments pad nothing; negative precisions are the default.
    EXPECT_EQ(Format("[%*d]", {INT32_MIN, 7}), "[7]");
    EXPECT_EQ(Format("[%.*f]", {-3, 1.5}), "[1,50]");
    // Large precisions stop at the digits a value has.
    EXPECT_EQ(Format("%.999999f", {0.5}), "0,5" + AnsiString(17, '0'));
    EXPECT_EQ(Format("%.*e", {1000000, 1.0}), "1,00000000000000000E+000");
    EXPECT_EQ(Format("%.*g", {1000000, 0.1}), "0,1");
    EXPECT_EQ(Format("%.*s", {1000000, "abc"}), "abc");
    EXPECT_EQ(Format("%1000d", {1}).size(), 1000u);
    // A failing message format leaves the text of the exception usable.
    EXPECT_EQ(Exception("%*d", {INT32_MAX, 1}).Message(), "%*d");
}

TEST_F(FloatText, NoThousandSeparatorMeansNoGrouping)
{
    // A zero separator switches grouping off; it must never put a NUL byte into the text.
    TFormatSettings plain = TurkishFormatSettings();
    plain.ThousandSeparator = '\0';
    EXPECT_EQ(FormatFloat("#,##0.00", 1234567.5, plain), "1234567,50");
    EXPECT_EQ(FloatToStrF(1234567.5, ffNumber, 15, 1, plain), "1234567,5");
    EXPECT_EQ(Format("%n", {1234567.5}, plain), "1234567,50");
    EXPECT_EQ(FormatCurr("#,##0", Currency::FromScaled(12345670000), plain), "1234567");
}
