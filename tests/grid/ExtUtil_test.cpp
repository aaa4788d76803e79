#include "grid/ExtUtil.h"

#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Turkish settings: "1.234,56", "dd.mm.yyyy".
TFormatSettings Turkish() { return TurkishFormatSettings(); }

TFormatSettings PointDecimal() {
    TFormatSettings F = TurkishFormatSettings();
    F.DecimalSeparator = '.';
    F.ThousandSeparator = ',';
    return F;
}

}  // namespace

TEST(ExtUtil, TextTypeClassifiesCellTexts) {
    struct Case { const char* Text; bool Html; Integer Kind; };
    const std::vector<Case> Cases = {
        {"=A1+1", true, 3},   {"=", false, 3},          {"<b>x</b>", true, 1}, {"<b>x", true, 0},
        {"<B>x", true, 1},    {"<I>x", true, 1},        {"<b>x</b>", false, 0}, {"{\\rtf1}", true, 2},
        {"{\\rtf1}", false, 2}, {"", true, 0},          {"plain", true, 0},    {"|\\ab", true, 5},
        {"|\\a=b", true, 3},  {"|\\", true, 5},         {"x", true, 0},
    };
    for (const Case& C : Cases) EXPECT_EQ(TextType(C.Text, C.Html), C.Kind) << C.Text << " html=" << C.Html;
}

TEST(ExtUtil, UrlTestsAndProtocolStripping) {
    EXPECT_TRUE(IsURL("http://osb.org.tr"));
    EXPECT_TRUE(IsURL("mailto:bilgi@osb"));
    EXPECT_FALSE(IsURL("www.osb.org.tr"));
    struct Case { const char* In; const char* Out; };
    for (const Case& C : std::vector<Case>{{"http://a/b://c", "a/b://c"}, {"mailto:x@y", "x@y"},
                                           {"see mailto:x@y", "x@y"}, {"plain", "plain"}}) {
        AnsiString S = C.In;
        StripURLProtocol(S);
        EXPECT_EQ(S, C.Out) << C.In;
    }
}

TEST(ExtUtil, UnicodeCellEncodingRoundTrips) {
    const AnsiString Enc = WideToCellText(u"\u0130");
    ASSERT_EQ(Enc.size(), 4u);
    EXPECT_EQ(Enc.substr(0, 2), "|\\");
    EXPECT_EQ(Enc[2], '\x01');
    EXPECT_EQ(Enc[3], '\x30');
    const WideString W = u"A\u0000\u4E2D\uFFFF\u011F";
    EXPECT_EQ(CellTextToWide(WideToCellText(W)), W);   // zero units survive inside the string
    EXPECT_EQ(TextType(WideToCellText(W), true), 5);
    // An unpaired last byte is dropped; a plain text is converted from the code page.
    EXPECT_EQ(CellTextToWide(AnsiString("|\\\x00\x41\x42", 5)), u"A");
    EXPECT_EQ(CellTextToWide("ğ"), u"\u011F");
    EXPECT_EQ(CellTextToWide("|\\"), u"");
}

TEST(ExtUtil, WidePosFindsFirstOccurrence) {
    EXPECT_EQ(WidePos(u"b", u"abcb"), 2);
    EXPECT_EQ(WidePos(u"x", u"abc"), 0);
    EXPECT_EQ(WidePos(u"", u"abc"), 0);
}

TEST(ExtUtil, NumberKindUnderBothSeparatorConventions) {
    {
        TFormatSettingsGuard G(Turkish());
        struct Case { const char* Text; Integer Kind; };
        for (const Case& C : std::vector<Case>{{"1.234.567", 2}, {"1.234,5", 1}, {".5", 2}, {"-12", 0}, {"12-", 2},
                                               {"", 2},          {"12", 0},      {"1,2,3", 2}, {"--1", 2},
                                               {"12a", 2},       {"1,5", 1},     {"12.345", 1}, {"-1.234,5", 1},
                                               {"1.23", 2}, {"12.5", 2}, {"1.2345", 2}, {"1,5.000", 2}, {"-", 2}, {"12.", 2}}) {
            EXPECT_EQ(NumberKind(C.Text), C.Kind) << C.Text;
        }
    }
    TFormatSettingsGuard G(PointDecimal());
    EXPECT_EQ(NumberKind("1,234.5"), 1);
    EXPECT_EQ(NumberKind("3.14"), 1);
    EXPECT_EQ(NumberKind("1..2"), 2);
}

TEST(ExtUtil, NumberToValTextReadsTolerantly) {
    TFormatSettingsGuard G(Turkish());
    struct Case { const char* In; const char* Out; };
    for (const Case& C : std::vector<Case>{{"(1.234,5)", "-1234.5"}, {"", ""},            {"  12 ", "12"},
                                           {"TL 1.500,25", "1500.25"}, {"-7", "-7"},      {"12 TL", "12"},
                                           {"1,5E3", "1.5E3"},        {"x", ""},        {"$-3", "-3"}}) {
        EXPECT_EQ(NumberToValText(C.In), C.Out) << C.In;
    }
    EXPECT_EQ(NormalizeNumber("1.234.567,89"), "1234567.89");
}

TEST(ExtUtil, StrToDateExFollowsShortDateFormat) {
    TFormatSettingsGuard G(Turkish());
    TDateTime D = 123;
    EXPECT_FALSE(StrToDateEx("31.02.2015", D));
    EXPECT_EQ(D, 123);
    EXPECT_TRUE(StrToDateEx("01.02.2015", D));
    EXPECT_EQ(D, EncodeDate(2015, 2, 1));
    EXPECT_TRUE(StrToDateEx("1.2.15", D));   // no century added
    EXPECT_EQ(D, EncodeDate(15, 2, 1));
    for (const char* Bad : {"32.01.2015", "01.13.2015", "01.01", "a.01.2015", "01/01/2015", "-1.01.2015", "",
                            "65541.01.2015", "01.65548.2015"})
        EXPECT_FALSE(StrToDateEx(Bad, D)) << Bad;

    TFormatSettings Us = Turkish();
    Us.ShortDateFormat = "mm/dd/yyyy";
    Us.DateSeparator = '/';
    FormatSettings = Us;
    EXPECT_TRUE(StrToDateEx("12/31/2015", D));
    EXPECT_EQ(D, EncodeDate(2015, 12, 31));
    EXPECT_TRUE(IsDateText("12/31/2015"));
    EXPECT_FALSE(IsDateText("/12/31"));
    EXPECT_FALSE(IsDateText("12//31"));
    EXPECT_FALSE(IsDateText("1231"));
}

TEST(ExtUtil, ShortYearDateParsing) {
    SetNowProvider([] { return EncodeDate(2026, 12, 8); });
    EXPECT_EQ(ParseDMYDate("31.12.15"), EncodeDate(2015, 12, 31));
    EXPECT_EQ(ParseMDYDate("12/31/99"), EncodeDate(1999, 12, 31));
    // Short years fall in the window of the other date routines; four digits stand.
    EXPECT_EQ(ParseDMYDate("1-2-26"), EncodeDate(2026, 2, 1));
    EXPECT_EQ(ParseDMYDate("1.1.75"), EncodeDate(2075, 1, 1));
    EXPECT_EQ(ParseDMYDate("1.1.76"), EncodeDate(1976, 1, 1));
    EXPECT_EQ(ParseDMYDate("25.12.2005"), EncodeDate(2005, 12, 25));
    EXPECT_EQ(ParseMDYDate("02/29/2000"), EncodeDate(2000, 2, 29));
    SetNowProvider(nullptr);
    EXPECT_EQ(ParseDMYDate("311215"), 0);
    EXPECT_EQ(ParseDMYDate("31.12"), 0);
    EXPECT_EQ(ParseDMYDate("a.12.15"), 0);
    EXPECT_THROW(ParseDMYDate("31.02.15"), EConvertError);
}

TEST(ExtUtil, DateAddPartsAddsExactlyOnePart) {
    const TDateTime Base = EncodeDate(2015, 12, 15);
    EXPECT_EQ(DateAddParts(0, 0, 20, Base, 99), Base + 20);
    EXPECT_EQ(DateAddParts(1, 0, 0, Base, 99), EncodeDate(2016, 12, 15));
    EXPECT_EQ(DateAddParts(0, 1, 0, Base, 99), EncodeDate(2016, 1, 15));
    EXPECT_EQ(DateAddParts(0, Word(-12), 0, Base, 99), EncodeDate(2014, 12, 15));   // wraps to month 0
    EXPECT_EQ(DateAddParts(0, 0, 0, Base, 2.5), Base + 2.5);
    EXPECT_EQ(DateAddParts(1, 1, 0, Base, 3), Base + 3);
    EXPECT_THROW(DateAddParts(1, 0, 0, EncodeDate(2016, 2, 29), 0), EConvertError);
}

TEST(ExtUtil, CsvAndClipboardTransformations) {
    AnsiString S = "say \"hi\"\r\nb";
    CRLFToCSVField(S);
    EXPECT_EQ(S, "\"say \"\"hi\"\"\x0B" "b\"");
    EXPECT_EQ(UnDoubleChar('"', S), "say \"hi\"\x0B" "b");
    S = "a\x0B" "b";
    CSVFieldToCRLF(S);
    EXPECT_EQ(S, "a\r\nb");
    S = "x~y";
    TildeToCRLF(S);
    EXPECT_EQ(S, "x\r\ny");
    S = "^";
    TildeToCRLF(S);
    EXPECT_EQ(S, "");

    struct Case { const char* In; const char* Out; };
    for (const Case& C : std::vector<Case>{{"\"a\"\"b\"", "a\"b"}, {"plain", "plain"}, {"\"\"", "\""}, {"\"", ""}})
        EXPECT_EQ(UnDoubleChar('"', C.In), C.Out) << C.In;

    EXPECT_EQ(BackslashNToCR("a\\nb\\n"), "a\rb\r");
    EXPECT_EQ(CRLFToTabBS("a\r\nb"), "a\t\bb");
    EXPECT_EQ(CRLFToTabBS("a\nb\tc"), "a\nb\tc");   // no CR: untouched
    EXPECT_EQ(TabBSToCRLF("a\t\bb", true), "a\r\nb");
    EXPECT_EQ(TabBSToCRLF("a\t\bb", false), "a");
    EXPECT_EQ(TabBSToCRLF("a\tb", true), "a\tb");
}

TEST(ExtUtil, LineHelpers) {
    AnsiString T = "one\r\ntwo\rthree";
    EXPECT_EQ(FirstLine(T, true), "one");
    EXPECT_EQ(T, "two\rthree");
    EXPECT_EQ(FirstLine(T, false), "two");
    EXPECT_EQ(T, "");
    T = "single";
    EXPECT_EQ(FirstLine(T, true), "single");
    EXPECT_EQ(T, "");
    EXPECT_EQ(LineCount("a\rb\rc", true), 3);
    EXPECT_EQ(LineCount("a\rb\rc", false), 1);
    EXPECT_EQ(RemoveCR("a\r\nb\r"), "a\nb");
    EXPECT_EQ(CountChar('a', "banana"), 3);
}

TEST(ExtUtil, UnpairedCharacters) {
    struct Case { const char* Text; Integer First; Integer Count; };
    for (const Case& C : std::vector<Case>{{"\"abc\"", 1, 2},    {"a\"\"b", 0, 0},   {"\"\"\"x", 3, 1},
                                           {"ab\"\"", 4, 1},      {"", 0, 0},          {"x\"y\"\"z", 2, 1}}) {
        Integer P = -5;
        EXPECT_EQ(FindUnpairedChar('"', C.Text, P), C.First) << C.Text;
        EXPECT_EQ(P, C.First) << C.Text;
        EXPECT_EQ(CountUnpairedChar('"', C.Text), C.Count) << C.Text;
    }
}

TEST(ExtUtil, SmallTextHelpers) {
    AnsiString S = "abc";
    FillString(S, '*');
    EXPECT_EQ(S, "***");
    EXPECT_EQ(UpperPos("BC", "abcd"), 2);
    EXPECT_EQ(UpperPos("bc", "abcd"), 0);   // the sought text is taken as given
    Integer P = 0;
    EXPECT_EQ(CharPos('c', "abc"), 3);
    EXPECT_EQ(CharPos('z', "abc", P), 0);
    EXPECT_EQ(P, 0);

    AnsiString T = "ad;soyad";
    EXPECT_EQ(SplitAt(T, ";"), "ad");
    EXPECT_EQ(T, "soyad");
    EXPECT_EQ(SplitAt(T, ";"), "");
    EXPECT_EQ(T, "soyad");
    T = "a<>b";
    EXPECT_EQ(SplitAt(T, "<>"), "a");
    EXPECT_EQ(T, ">b");   // only the delimiter's first character goes

    EXPECT_TRUE(PtInGridRect(Rect(0, 0, 10, 10), 10, 10));
    EXPECT_FALSE(PtInGridRect(Rect(0, 0, 10, 10), 11, 0));
    EXPECT_EQ(Max(3, 5), 5);
    EXPECT_EQ(Min(3, 5), 3);
    EXPECT_EQ(HalfColor(RGB(200, 101, 0)), RGB(100, 50, 0));
    EXPECT_EQ(HalfColor(clWhite), RGB(127, 127, 127));
}

TEST(ExtUtil, PickPositiveRules) {
    struct Case { Integer Def, A, B, Want; };
    for (const Case& C : std::vector<Case>{{10, 5, 5, 10}, {10, 20, 5, 5}, {10, 20, 30, 20}, {10, 5, 30, 10},
                                           {10, -1, -2, 10}, {10, 20, 0, 20}})
        EXPECT_EQ(PickPositive(C.Def, C.A, C.B), C.Want) << C.Def << "," << C.A << "," << C.B;
}

TEST(ExtUtil, ParseR1C1) {
    TPoint Cell{-1, -1};
    EXPECT_TRUE(ParseR1C1("r12c3", Cell));
    EXPECT_EQ(Cell, Point(3, 12));
    Cell = Point(-1, -1);
    for (const char* Bad : {"R1C", "RxC2", "A1C2", "R1", "R12X3"}) {
        EXPECT_FALSE(ParseR1C1(Bad, Cell)) << Bad;
        EXPECT_EQ(Cell, Point(-1, -1)) << Bad;
    }
}

TEST(ExtUtil, QuoteAwareHelpers) {
    Integer P = 0;
    EXPECT_EQ(FirstOperatorOutsideQuotes("&|", "\"a&b\"|c", P), '|');
    EXPECT_EQ(P, 6);
    EXPECT_EQ(FirstOperatorOutsideQuotes("&", "\"a&b\"", P), '\0');
    EXPECT_EQ(P, -1);
    EXPECT_EQ(RemoveBlanksOutsideQuotes(" a b \"c d\" e "), "ab\"c d\"e");
}

TEST(ExtUtil, ProperCase) {
    struct Case { const char* In; const char* Out; };
    for (const Case& C : std::vector<Case>{{"john SMITH", "John Smith"},     {"o'neil-jones", "O'Neil-Jones"},
                                           {"mcdonald", "McDonald"},           {"ronald mcdonald", "Ronald McDonald"},
                                           {"henry iii", "Henry III"},          {"henry ii", "Henry II"},
                                           {"a.b,c", "A.B,C"},                  {"", ""},
                                           {"çelik ımalat", "çelik ımalat"}}) {
        EXPECT_EQ(ProperCase(C.In), C.Out) << C.In;
    }
}

TEST(ExtUtil, MatchFilterComparisonsAndWildcards) {
    {
        TFormatSettingsGuard G(Turkish());
        EXPECT_FALSE(MatchFilter(">10", "9,5", false));
        EXPECT_TRUE(MatchFilter(">9", "9,5", false));
        // Points are thousand separators here: both texts are numbers.
        EXPECT_TRUE(MatchFilter("<=31.12.2015", "01.01.2016", false));
        EXPECT_TRUE(MatchFilter(">=5 & <=10", "7", false));
        EXPECT_FALSE(MatchFilter(">=5 & <=10", "11", false));
        EXPECT_TRUE(MatchFilter("<5 | >10", "11", false));
        EXPECT_TRUE(MatchFilter("<5 ; >10", "3", false));
        EXPECT_FALSE(MatchFilter("<5 ^ >10", "7", false));
    }
    {
        TFormatSettings F = PointDecimal();
        F.DateSeparator = '.';
        F.ShortDateFormat = "dd.mm.yyyy";
        TFormatSettingsGuard G(F);
        EXPECT_FALSE(MatchFilter("<=31.12.2015", "01.01.2016", false));   // compared as dates
        EXPECT_TRUE(MatchFilter("<=31.12.2015", "30.12.2015", false));
        EXPECT_TRUE(MatchFilter(">b", "c", true));                         // compared as texts
    }
    struct Case { const char* Cond; const char* Text; bool Cs; bool Want; };
    for (const Case& C : std::vector<Case>{
             {"A*", "abc", false, true},    {"!A*", "abc", false, false}, {"A*", "abc", true, false},
             {"a?c", "abc", true, true},    {"a?c", "ac", true, false},   {"*c", "abc", true, true},
             {"a**", "a", true, true},      {"*", "", true, true},        {"a\\*", "a*", true, true},
             {"a\\*", "ab", true, false},   {"=abc", "abc", true, true},  {"\"a b\"", "a b", true, true},
             {"ab", "abc", true, false},    {"abc", "ab", true, false},   {"x*|a*", "abc", true, true},
             {"x*&a*", "abc", true, false}, {"*b*", "abc", true, true},   {"i*", "İstanbul", false, true},
             {"a*b*c", "axbyc", true, true}, {"*a?", "xab", true, true},  {"*\\*", "x*", true, true},
             {"a*b\"\"", "ab", true, true}, {"a*b?", "ab", true, false},  {"*a*!b", "xa", true, true},
         }) {
        EXPECT_EQ(MatchFilter(C.Cond, C.Text, C.Cs), C.Want) << C.Cond << " ~ " << C.Text;
    }
}

TEST(ExtUtil, MatchFilterHandlesHostileConditions) {
    const AnsiString Long(1000, '9');
    EXPECT_TRUE(MatchFilter(">" + Long, Long + "9", true));   // long operands are cut, never overrun
    EXPECT_FALSE(MatchFilter("", "x", true));
    EXPECT_TRUE(MatchFilter("", "", true));
    EXPECT_NO_THROW(MatchFilter(">\"", "x", true));
    EXPECT_NO_THROW(MatchFilter("&&;|^", "x", true));
    // Many stars answer at once, also where comparisons follow them.
    AnsiString Stars;
    for (int I = 0; I < 13; ++I) Stars += "*a";
    const AnsiString Letters(30, 'a');
    EXPECT_FALSE(MatchFilter(Stars + "*b", Letters, true));
    EXPECT_TRUE(MatchFilter(Stars + "*b", Letters + "b", true));
    EXPECT_FALSE(MatchFilter(Stars + "*a>z", Letters, true));
}

TEST(ExtUtil, GradientColourSteps) {
    EXPECT_EQ(GradientColorAt(clRed, clNone, 0, 10, 5), clRed);
    EXPECT_EQ(GradientColorAt(RGB(0, 0, 0), RGB(100, 200, 10), 0, 10, 5), RGB(50, 100, 5));
    EXPECT_EQ(GradientColorAt(RGB(0, 0, 0), RGB(5, 0, 0), 0, 2, 1), RGB(2, 0, 0));   // 2.5 rounds to even
    EXPECT_EQ(GradientColorAt(clBlack, clWhite, 3, 3, 1), clBlack);                   // empty span: no division

    TBitmap B;
    B.SetSize(10, 64);
    DrawGradient(B.Canvas(), clBlack, clWhite, 4, Rect(0, 0, 10, 64), false);
    EXPECT_EQ(B.Canvas()->Pixels(5, 2), clBlack);
    EXPECT_EQ(B.Canvas()->Pixels(5, 60), RGB(191, 191, 191));
    DrawGradient(B.Canvas(), clNavy, clNone, 0, Rect(0, 0, 10, 64), true);
    EXPECT_EQ(B.Canvas()->Pixels(5, 30), clNavy);
}

TEST(ExtUtil, ProgressBarSplitsAtTheValue) {
    TBitmap B;
    B.SetSize(104, 24);
    B.Canvas()->Brush()->SetColor(clWhite);
    B.Canvas()->FillRect(Rect(0, 0, 104, 24));
    DrawProgressBar(B.Canvas(), Rect(2, 2, 102, 22), clBlue, clWhite, clYellow, clBlack, 30, 0, 0, 0, 100, "",
                    clNone, false);
    EXPECT_EQ(B.Canvas()->Pixels(4, 4), clBlue);
    EXPECT_EQ(B.Canvas()->Pixels(90, 4), clYellow);
    EXPECT_EQ(B.Canvas()->Brush()->Color(), clWhite);   // brush colour restored
}

TEST(ExtUtil, TransparentBitmapReplacesKeyColour) {
    TBitmap Src;
    Src.SetSize(4, 4);
    Src.Canvas()->Brush()->SetColor(clFuchsia);
    Src.Canvas()->FillRect(Rect(0, 0, 4, 4));
    Src.Canvas()->SetPixels(2, 2, clBlue);
    TBitmap Dst;
    Dst.SetSize(8, 8);
    DrawTransparentBitmap(Dst.Canvas(), &Src, clGreen, Rect(1, 1, 8, 8));
    EXPECT_EQ(Dst.Canvas()->Pixels(1, 1), clGreen);
    EXPECT_EQ(Dst.Canvas()->Pixels(3, 3), clBlue);
}

TEST(ExtUtil, OemTextBecomesCodePage1254) {
    AnsiString S = "a\x9F\xA7\x8D\x9E";   // ş ğ ı Ş in the Turkish OEM code page
    OemToAnsiText(S);
    EXPECT_EQ(S, "aşğıŞ");
}
