#include "platform/rtl/SysUtils.h"
#include "platform/Raised.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "platform/rtl/Variants.h"
#include "support/TempFolder.h"

// ---- exceptions -----------------------------------------------------------------------------

TEST(SysUtilsException, MessageAndHierarchy)
{
    try {
        throw EStringListError("List index out of bounds (%d)", {5});
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (5)");
        EXPECT_STREQ(e.what(), "List index out of bounds (5)");
        EXPECT_EQ(e.ClassName(), "EStringListError");
    }
    EConvertError e("first");
    e.SetMessage("second");
    EXPECT_STREQ(e.what(), "second");
    Exception copy = e;  // the slice keeps the message
    EXPECT_EQ(copy.Message(), "second");
    EXPECT_THROW(throw EZeroDivide(SZeroDivide), EMathError);
    EXPECT_THROW(throw EIntOverflow(SIntOverflow), EIntError);
    EXPECT_THROW(throw ERangeError(SRangeError), std::exception);
}

TEST(SysUtilsException, BrokenMessageFormatKeepsTheText)
{
    Exception e("value %d", {"not a number"});
    EXPECT_EQ(e.Message(), "value %d");
}

TEST(SysUtilsException, AbortAndOSErrors)
{
    EXPECT_EQ(MessageOf<EAbort>([&] { Abort(); }), "Operation aborted");
    if (auto e = Raised<EOSError>([&] { RaiseLastOSError(ENOENT); })) {
        EXPECT_EQ(e->ErrorCode, Cardinal(ENOENT));
        EXPECT_EQ(e->Message().rfind("System Error.  Code: 2.\r\n", 0), 0u);
        EXPECT_GT(e->Message().size(), 26u);
    }
    EXPECT_THROW(RaiseLastOSError(0), EOSError);
}

// ---- integers -----------------------------------------------------------------------------------

TEST(SysUtilsInteger, ToText)
{
    EXPECT_EQ(IntToStr(0), "0");
    EXPECT_EQ(IntToStr(-42), "-42");
    EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(0x1234ABCD, 2), "1234ABCD");
    EXPECT_EQ(IntToHex(-1, 8), "FFFFFFFFFFFFFFFF");
}

TEST(SysUtilsInteger, ParseValidTexts)
{
    struct Case { const char* text; Integer value; };
    const Case cases[] = {
        {"0", 0}, {"123", 123}, {"-123", -123}, {"+7", 7}, {"  42", 42},
        {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN}, {"$FF", 255}, {"0x1f", 31},
        {"-$10", -16}, {"$FFFFFFFF", -1}, {"$80000000", INT32_MIN}, {"007", 7},
    };
    for (const Case& c : cases) {
        Integer v = 0;
        EXPECT_TRUE(TryStrToInt(c.text, v)) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
    }
}

TEST(SysUtilsInteger, RejectsBadTextAndOverflowInsteadOfWrapping)
{
    for (const char* text : {"", " ", "-", "$", "12a", "1 2", "42 ", "1.5", "2147483648", "-2147483649",
                             "$100000000", "99999999999999999999"}) {
        Integer v = 99;
        EXPECT_FALSE(TryStrToInt(text, v)) << text;
        EXPECT_EQ(v, 99) << "untouched on failure: " << text;
        EXPECT_EQ(StrToIntDef(text, -5), -5);
    }
    EXPECT_EQ(MessageOf<EConvertError>([&] { StrToInt("2147483648"); }), "'2147483648' geçerli bir tam sayı değil");
    EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
    EXPECT_THROW(StrToInt64("-9223372036854775809"), EConvertError);
    EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
    EXPECT_THROW(StrToInt64("$1FFFFFFFFFFFFFFFF"), EConvertError);
    EXPECT_EQ(StrToInt64Def("x", 3), 3);
}

// ---- text ------------------------------------------------------------------------------------------

TEST(SysUtilsText, TrimDropsControlsAndBlanks)
{
    EXPECT_EQ(Trim("  \t a b \r\n"), "a b");
    EXPECT_EQ(Trim(" \x01 "), "");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a "), "  a");
    EXPECT_EQ(Trim("ğ"), "ğ");  // bytes above 127 are text
}

TEST(SysUtilsText, AsciiAndTurkishCase)
{
    EXPECT_EQ(UpperCase("abc ığüşiöç"), "ABC ığüşIöç");
    EXPECT_EQ(LowerCase("ABC İĞÜŞIÖÇ"), "abc İĞÜŞiÖÇ");
    EXPECT_EQ(AnsiUpperCase("istanbul ılıca çağ şüphe öğün"), "İSTANBUL ILICA ÇAĞ ŞÜPHE ÖĞÜN");
    EXPECT_EQ(AnsiLowerCase("İSTANBUL ILICA ÇAĞ"), "istanbul ılıca çağ");
    EXPECT_TRUE(AnsiSameText("Işık", "IŞIK"));
    EXPECT_FALSE(AnsiSameText("isik", "IŞIK"));  // i is not ı
    EXPECT_TRUE(SameText("Abc", "aBC"));
    EXPECT_FALSE(SameText("ç", "Ç"));  // a-z only
}

TEST(SysUtilsText, ByteComparisons)
{
    EXPECT_LT(CompareStr("A", "a"), 0);
    EXPECT_GT(CompareStr("ab", "a"), 0);
    EXPECT_EQ(CompareStr("", ""), 0);
    EXPECT_EQ(CompareText("abc", "ABC"), 0);
    EXPECT_LT(CompareText("abc", "ABD"), 0);
    EXPECT_GT(CompareText("ç", "z"), 0);  // byte order above 127
}

TEST(SysUtilsText, TurkishAlphabeticOrder)
{
    // Each entry sorts before the next.
    const char* ordered[] = {"", " ", "1", "9", "a", "A", "b", "c", "ç", "Ç", "d", "g", "ğ", "h", "ı",
                             "I", "i", "İ", "j", "o", "ö", "p", "s", "ş", "t", "u", "ü", "v", "z"};
    const size_t n = sizeof ordered / sizeof ordered[0];
    for (size_t i = 0; i + 1 < n; ++i) {
        EXPECT_LT(AnsiCompareStr(ordered[i], ordered[i + 1]), 0) << ordered[i] << " < " << ordered[i + 1];
        EXPECT_GT(AnsiCompareStr(ordered[i + 1], ordered[i]), 0);
    }
    EXPECT_LT(AnsiCompareStr("çay", "dal"), 0);        // ç before d, though its byte is larger
    EXPECT_LT(AnsiCompareStr("ab", "Ab"), 0);          // case decides only at the end
    EXPECT_LT(AnsiCompareStr("Ab", "ac"), 0);
    EXPECT_LT(AnsiCompareStr("kar", "kâr"), 0);        // accent after the plain letter
    EXPECT_LT(AnsiCompareStr("kâr", "kas"), 0);
    EXPECT_EQ(AnsiCompareStr("Ağaç", "Ağaç"), 0);
    EXPECT_EQ(AnsiCompareText("ışık", "IŞIK"), 0);
    EXPECT_LT(AnsiCompareText("IŞIK", "iş"), 0);       // ı before i
    EXPECT_LT(AnsiCompareText("Çorum", "denizli"), 0);
    EXPECT_TRUE(AnsiSameStr("a", "a"));
    EXPECT_FALSE(AnsiSameStr("a", "A"));
}

TEST(SysUtilsText, Quoting)
{
    EXPECT_EQ(QuotedStr("O'Neil"), "'O''Neil'");
    EXPECT_EQ(QuotedStr(""), "''");
    EXPECT_EQ(AnsiQuotedStr("a\"b", '"'), "\"a\"\"b\"");
    EXPECT_EQ(AnsiDequotedStr("'O''Neil' rest", '\''), "O'Neil");
    EXPECT_EQ(AnsiDequotedStr("''", '\''), "");
    EXPECT_EQ(AnsiDequotedStr("plain", '\''), "plain");
    EXPECT_EQ(AnsiDequotedStr("'open", '\''), "open");
    for (const char* s : {"", "x", "it's", "''", "'a'b'"})
        EXPECT_EQ(AnsiDequotedStr(QuotedStr(s), '\''), s);
}

TEST(SysUtilsText, StringReplace)
{
    EXPECT_EQ(StringReplace("aXbXc", "X", "--", {rfReplaceAll}), "a--b--c");
    EXPECT_EQ(StringReplace("aXbXc", "X", "-", {}), "a-bXc");
    EXPECT_EQ(StringReplace("AAAA", "AA", "A", {rfReplaceAll}), "AA");
    EXPECT_EQ(StringReplace("aa", "a", "aa", {rfReplaceAll}), "aaaa");  // replaced text not searched
    EXPECT_EQ(StringReplace("Işık ışık", "IŞIK", "x", {rfReplaceAll, rfIgnoreCase}), "x x");
    EXPECT_EQ(StringReplace("abc", "", "x", {rfReplaceAll}), "abc");
    EXPECT_EQ(StringReplace("abc", "B", "x", {rfReplaceAll}), "abc");
}

TEST(SysUtilsText, PositionsCopyDeleteInsert)
{
    EXPECT_EQ(Pos("b", "abcb"), 2);
    EXPECT_EQ(Pos("x", "abc"), 0);
    EXPECT_EQ(Pos("", "abc"), 0);
    EXPECT_EQ(Copy("ABCDE", 4, 10), "DE");
    EXPECT_EQ(Copy("ABCDE", 6, 1), "");
    EXPECT_EQ(Copy("ABCDE", 0, 2), "AB");
    EXPECT_EQ(Copy("ABCDE", 2, 0), "");
    EXPECT_EQ(Copy("ABCDE", 2, -1), "");
    AnsiString s = "ABCDE";
    Delete(s, 2, 2);
    EXPECT_EQ(s, "ADE");
    Delete(s, 0, 5);
    Delete(s, 4, 1);
    EXPECT_EQ(s, "ADE");
    Delete(s, 3, 100);
    EXPECT_EQ(s, "AD");
    Insert("xy", s, 2);
    EXPECT_EQ(s, "AxyD");
    Insert("<", s, -3);
    Insert(">", s, 99);
    EXPECT_EQ(s, "<AxyD>");
    EXPECT_EQ(StringOfChar('-', 3), "---");
    EXPECT_EQ(StringOfChar('-', -1), "");
    EXPECT_TRUE(IsDelimiter(".\\", "a.b", 2));
    EXPECT_FALSE(IsDelimiter(".", "a.b", 0));
    EXPECT_FALSE(IsDelimiter(".", "a.b", 4));
    EXPECT_EQ(LastDelimiter("/\\", "/home/a\\b.txt"), 8);
    EXPECT_EQ(LastDelimiter(".", "abc"), 0);
}

TEST(SysUtilsText, AdjustLineBreaks)
{
    EXPECT_EQ(AdjustLineBreaks("a\nb\rc\r\nd\n\re"), "a\r\nb\r\nc\r\nd\r\ne");
    EXPECT_EQ(AdjustLineBreaks("a\n\nb"), "a\r\n\r\nb");
    EXPECT_EQ(AdjustLineBreaks("a\r\nb\r", tlbsLF), "a\nb\n");
}

TEST(SysUtilsText, CollationIsATotalOrderOverAllBytes)
{
    for (int a = 0; a < 256; ++a) {
        const AnsiString sa(1, static_cast<char>(a));
        for (int b = 0; b < 256; ++b) {
            const AnsiString sb(1, static_cast<char>(b));
            const int cs = AnsiCompareStr(sa, sb);
            ASSERT_EQ(cs == 0, a == b) << a << " " << b;
            ASSERT_EQ(cs < 0, AnsiCompareStr(sb, sa) > 0);
            const bool sameFolded = AnsiUpperCase(sa) == AnsiUpperCase(sb);
            ASSERT_EQ(AnsiCompareText(sa, sb) == 0, sameFolded) << a << " " << b;
        }
    }
    // Sorting with it gives a sequence that is increasing pair by pair.
    std::vector<AnsiString> all;
    for (int a = 0; a < 256; ++a) all.emplace_back(1, static_cast<char>(a));
    std::sort(all.begin(), all.end(), [](const AnsiString& x, const AnsiString& y) { return AnsiCompareStr(x, y) < 0; });
    for (size_t i = 0; i + 1 < all.size(); ++i)
        for (size_t j = i + 1; j < all.size(); ++j) ASSERT_LT(AnsiCompareStr(all[i], all[j]), 0);
}

// ---- independence from the C locale ------------------------------------------------------------

namespace {

// Switches the C library to a locale whose decimal separator is a comma (as a desktop toolkit
// does on a Turkish or German system) and back. Builds one with localedef when none is installed.
class CommaLocale {
public:
    CommaLocale()
    {
        FSaved = setlocale(LC_ALL, nullptr);
        if (const char* p = getenv("LOCPATH")) FSavedPath = p, FHadPath = true;
        for (const char* name : {"tr_TR.UTF-8", "tr_TR.utf8", "de_DE.UTF-8", "de_DE.utf8"})
            if (Use(name)) return;
        FDir = std::make_unique<TTempFolder>("osb_locale_");
        const std::string cmd = "localedef -i de_DE -f UTF-8 " + FDir->Path() + "de_DE.UTF-8 >/dev/null 2>&1";
        if (std::system(cmd.c_str()) > 1) return;  // 1: written with warnings
        setenv("LOCPATH", FDir->Path().c_str(), 1);
        Use("de_DE.UTF-8");
    }
    ~CommaLocale()
    {
        setlocale(LC_ALL, FSaved.c_str());
        if (FHadPath) setenv("LOCPATH", FSavedPath.c_str(), 1);
        else unsetenv("LOCPATH");
    }
    bool Active() const { return FActive; }

private:
    bool Use(const char* name)
    {
        if (!setlocale(LC_ALL, name)) return false;
        FActive = localeconv()->decimal_point[0] == ',';
        if (!FActive) setlocale(LC_ALL, FSaved.c_str());
        return FActive;
    }
    std::string FSaved, FSavedPath;
    std::unique_ptr<TTempFolder> FDir;   // a locale made here
    bool FHadPath = false;
    bool FActive = false;
};

}  // namespace

TEST(SysUtilsLocale, NumbersAndVariantsIgnoreTheCLocale)
{
    TFormatSettingsGuard guard{TurkishFormatSettings()};
    FormatSettings.DecimalSeparator = '.';  // the program's own separator differs from the C one
    FormatSettings.ThousandSeparator = ',';
    CommaLocale comma;
    if (!comma.Active()) GTEST_SKIP() << "no locale with a decimal comma can be made here";
    EXPECT_EQ(FloatToStr(1234.5), "1234.5");
    EXPECT_EQ(FloatToStr(0.000001), "1E-6");
    EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), "1,234.50");
    EXPECT_EQ(Format("%.2f|%e|%n", {2.5, 1.5, 1234.5}), "2.50|1.50000000000000E+000|1,234.50");
    EXPECT_EQ(StrToFloat("2.5"), 2.5L);
    Extended e = 0;
    EXPECT_FALSE(TryStrToFloat("2,5", e));
    EXPECT_EQ(StrToFloat("1.5e-3"), StrToFloat("0.0015"));
    EXPECT_EQ(StrToCurr("12.3456").Value, 123456);
    EXPECT_EQ(CurrToStr(Currency::FromScaled(15000)), "1.5");
    EXPECT_EQ(Variant(1.5f).AsString(), "1.5");
    EXPECT_EQ(Variant(0.1f).AsString(), "0.1");
    EXPECT_EQ(Variant("2.25").AsDouble(), 2.25);
    EXPECT_EQ(Variant(2.25).AsString(), "2.25");
    EXPECT_EQ(IntToStr(1234567), "1234567");
    EXPECT_EQ(Format("%d", {1234567}), "1234567");
}

// ---- robustness against arbitrary input ---------------------------------------------------------

namespace {

AnsiString RandomText(std::mt19937& rng, const char* alphabet, size_t maxLen)
{
    const size_t n = std::strlen(alphabet);
    AnsiString s(rng() % (maxLen + 1), ' ');
    for (char& c : s) c = alphabet[rng() % n];
    return s;
}

}  // namespace

TEST(SysUtilsRobustness, RandomFormatsAndArgumentsRaiseOnlyConvertErrors)
{
    TFormatSettingsGuard guard{TurkishFormatSettings()};
    std::mt19937 rng(20240315);
    const TVarRecs pool{0, -1, INT32_MAX, INT32_MIN, Int64(INT64_MIN), 2.675, -0.0, 1e308,
                        std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                        Currency::FromScaled(INT64_MIN), "text", 'c', u"Ağaç", nullptr};
    for (int i = 0; i < 20000; ++i) {
        const AnsiString fmt = RandomText(rng, "%%%-*.:0123456789dusxefgnmpSDXk ab", 14);
        TVarRecs args;
        for (unsigned k = rng() % 5; k > 0; --k) args.push_back(pool[rng() % pool.size()]);
        try {
            const AnsiString out = Format(fmt, args);
            ASSERT_LT(out.size(), 4000000u) << fmt;
        } catch (const EConvertError&) {
        }
    }
}

TEST(SysUtilsRobustness, RandomPicturesAndValues)
{
    TFormatSettingsGuard guard{TurkishFormatSettings()};
    std::mt19937 rng(7);
    const Extended values[] = {0, -0.0, 0.5, -1.005, 1234567.891, 1e-10, 1e20, -1e300, 4.9e-324,
                               std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::infinity()};
    for (int i = 0; i < 20000; ++i) {
        const AnsiString fmt = RandomText(rng, "0#.,;E+-e'\" x%", 16);
        const Extended v = values[rng() % (sizeof values / sizeof values[0])];
        EXPECT_NO_THROW(FormatFloat(fmt, v)) << fmt;
        EXPECT_NO_THROW(FormatCurr(fmt, Currency::FromScaled(static_cast<Int64>(rng()) * 977 - 1000000)))
            << fmt;
    }
}

TEST(SysUtilsRobustness, RandomNumberTextsParseOrFailCleanly)
{
    TFormatSettingsGuard guard{TurkishFormatSettings()};
    std::mt19937 rng(11);
    for (int i = 0; i < 30000; ++i) {
        const AnsiString s = RandomText(rng, "0123456789,.eE+- $xX\t", 30);
        Extended e;
        if (TryStrToFloat(s, e)) {
            ASSERT_TRUE(std::isfinite(e)) << s;
        }
        Currency c;
        if (TryStrToCurr(s, c) && TryStrToFloat(s, e)) {
            ASSERT_NEAR(static_cast<double>(CurrToDouble(c)), static_cast<double>(e), 1e-4 + std::fabs(e) * 1e-15) << s;
        }
        Int64 v;
        TryStrToInt64(s, v);
        Integer n;
        TryStrToInt(s, n);
    }
}

TEST(SysUtilsRobustness, RandomDateTextsAndFormats)
{
    TFormatSettingsGuard guard{TurkishFormatSettings()};
    SetNowProvider([] { return 45000.5; });
    struct ClockBack { ~ClockBack() { SetNowProvider(nullptr); } } clockBack;
    std::mt19937 rng(3);
    for (int i = 0; i < 20000; ++i) {
        const AnsiString s = RandomText(rng, "0123456789.: /,APMÖSaps", 24);
        TDateTime d;
        if (TryStrToDateTime(s, d)) {
            Word y, m, dd;
            DecodeDate(d, y, m, dd);
            ASSERT_TRUE(y >= 1 && y <= 9999) << s;
        }
        TryStrToDate(s, d);
        TryStrToTime(s, d);
        const AnsiString fmt = RandomText(rng, "dmyhnszctDMYHNSZCT/:'\" amp", 20);
        const TDateTime values[] = {0, -1.25, 2958465.99999, 1e300, std::nan(""), -693594.5, 45000.123};
        EXPECT_NO_THROW(FormatDateTime(fmt, values[rng() % 7])) << fmt;
    }
}
