#include "dbclient/StrUtil.h"

#include "platform/rtl/Classes.h"
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <random>
#include <string_view>

#include <sys/mman.h>
#include <unistd.h>

namespace {

TFormatSettings DotDayMonth() {
    TFormatSettings fs = TurkishFormatSettings();
    fs.DateSeparator = '.';
    fs.ShortDateFormat = "dd.mm.yyyy";
    return fs;
}

TFormatSettings SlashMonthDay() {
    TFormatSettings fs = TurkishFormatSettings();
    fs.DateSeparator = '/';
    fs.ShortDateFormat = "mm/dd/yyyy";
    return fs;
}

}  // namespace

// ---- trimming and copying ----

TEST(StrUtil, TrimTreatsOnlyLowCodesAsBlank) {
    EXPECT_EQ(FastTrim(" \t\r\nabc \x01"), "abc");
    EXPECT_EQ(FastTrim("   "), "");
    EXPECT_EQ(FastTrim(""), "");
    // Bytes above 127 are letters of code page 1254, never blanks.
    EXPECT_EQ(FastTrim("\xA0x\xFD"), "\xA0x\xFD");
    EXPECT_EQ(FastTrim(" ş "), "ş");

    AnsiString s = "  a b  ";
    DoTrim(s);
    EXPECT_EQ(s, "a b");
    s = "  a b  ";
    DoTrimRight(s);
    EXPECT_EQ(s, "  a b");
    s = "\t \n";
    DoTrim(s);
    EXPECT_EQ(s, "");

    Integer first = 0, last = 0;
    TrimBounds("  ab ", first, last);
    EXPECT_EQ(first, 3);
    EXPECT_EQ(last, 4);
    TrimBounds("   ", first, last);
    EXPECT_GT(first, last);

    EXPECT_TRUE(IsBlankStr(""));
    EXPECT_TRUE(IsBlankStr(" \t\r\n"));
    EXPECT_FALSE(IsBlankStr(" ı "));
}

TEST(StrUtil, FastCopyClipsAndRejects) {
    struct Case { Integer Index, Count; const char* Expected; };
    const Case cases[] = {
        {4, 10, "DE"}, {1, 5, "ABCDE"}, {2, 2, "BC"}, {5, 1, "E"},
        {6, 1, ""},  {0, 3, ""}, {-1, 3, ""}, {2, 0, ""}, {2, -4, ""},
        {5, INT_MAX, "E"}, {INT_MAX, INT_MAX, ""}, {INT_MIN, 2, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FastCopy("ABCDE", c.Index, c.Count), c.Expected) << c.Index << "," << c.Count;
        AnsiString dest = "old contents";
        DoCopy("ABCDE", dest, c.Index, c.Count);
        EXPECT_EQ(dest, c.Expected) << c.Index << "," << c.Count;
    }
    AnsiString self = "ABCDE";
    DoCopy(self, self, 2, 3);
    EXPECT_EQ(self, "BCD");
}

// ---- case ----

TEST(StrUtil, AsciiCaseChangesLeaveOtherBytesAlone) {
    EXPECT_EQ(FastUpperCase("abc xyz çğıöşü i"), "ABC XYZ çğıöşü I");
    EXPECT_EQ(FastUpperCase("ÇĞİ"), "ÇĞİ");

    struct Case { Integer From, To; const char* Expected; };
    const Case cases[] = {
        {2, 4, "aBCDef"}, {3, 0, "abCDEF"},  {2, 99, "aBCDEF"}, {0, 0, "ABCDEF"}, {-5, 2, "ABcdef"},
        {4, 3, "abcdef"}, {7, 0, "abcdef"},  {1, -1, "abcdef"}, {INT_MIN, INT_MIN, "abcdef"},
        {INT_MAX, 0, "abcdef"},
    };
    for (const Case& c : cases) {
        AnsiString s = "abcdef";
        DoUpperCase(s, c.From, c.To);
        EXPECT_EQ(s, c.Expected) << c.From << ".." << c.To;
    }
    AnsiString s = "ABC ÇĞ";
    DoLowerCase(s);
    EXPECT_EQ(s, "abc ÇĞ");
}

TEST(StrUtil, Equality) {
    EXPECT_TRUE(AsciiEqualStr("@", "`", false));           // codes 64 and 96
    EXPECT_TRUE(AsciiEqualStr("Ç", "ç", false));           // codes 199 and 231
    EXPECT_TRUE(AsciiEqualStr("Select", "sELECT", false));
    EXPECT_FALSE(AsciiEqualStr("ab", "abc", false));
    EXPECT_FALSE(AsciiEqualStr("a", "b", false));
    EXPECT_FALSE(AsciiEqualStr("a", "A", true));

    EXPECT_FALSE(EqualStr(false, "abc", "ABC"));
    EXPECT_TRUE(EqualStr(true, "abc", "ABC"));
    EXPECT_TRUE(EqualStr(true, "şığ", "ŞIĞ"));
    EXPECT_FALSE(EqualStr(true, "ab", "ABC"));
}

// ---- searching ----

TEST(StrUtil, Positions) {
    EXPECT_EQ(PosChFrom('c', "abcabc", 4), 6);
    EXPECT_EQ(PosChFrom('c', "abcabc", 7), 0);
    EXPECT_EQ(PosChFrom('a', "abc", 0), 1);
    EXPECT_EQ(PosCI("from", "SELECT * FROM T"), 10);
    EXPECT_EQ(PosCI("x", "abc"), 0);

    EXPECT_EQ(PosFrom("ab", "xxabxxab", 1), 3);
    EXPECT_EQ(PosFrom("ab", "xxabxxab", 4), 7);
    EXPECT_EQ(PosFrom("ab", "xxabxxab", 4, 7), 0);    // would end past the limit
    EXPECT_EQ(PosFrom("ab", "xxabxxab", 4, 8), 7);
    EXPECT_EQ(PosFrom("ab", "xxabxxab", 1, 3), 0);
    EXPECT_EQ(PosFrom("", "abc", 1), 0);
    EXPECT_EQ(PosFrom("a", "", 1), 0);
    EXPECT_EQ(PosFrom("a", "abc", 9), 0);
    EXPECT_EQ(PosFrom("a", "aaa", INT_MAX), 0);
    EXPECT_EQ(PosFrom("a", "aaa", INT_MIN, -1), 0);
    EXPECT_EQ(PosChFrom('a', "aaa", INT_MAX), 0);
    EXPECT_EQ(ExtractWord(INT_MAX, "a b", TCharSet(" ")), "");
}

TEST(StrUtil, PosInRightContextFindsWholeWords) {
    const TCharSet blanks(" \t\r\n");
    EXPECT_EQ(PosInRightContext("FROM", "SELECT A FROM T", blanks, false, blanks), 10);
    EXPECT_EQ(PosInRightContext("FROM", "SELECT FROMAGE", blanks, false, blanks), 0);
    EXPECT_EQ(PosInRightContext("from", "select xfrom y from t", blanks, false, blanks), 16);
    EXPECT_EQ(PosInRightContext("FROM", "FROM", blanks, false, blanks), 1);   // whole text
    EXPECT_EQ(PosInRightContext("T", "A,T", TCharSet(","), false, TCharSet()), 3);
    EXPECT_EQ(PosInRightContext("", "abc", blanks, false, blanks), 0);
    // With the locale flag Turkish letters fold too.
    EXPECT_EQ(PosInRightContext("şube", "AND ŞUBE = 1", blanks, true, blanks), 5);
    EXPECT_EQ(PosInRightContext("şube", "AND ŞUBE = 1", blanks, false, blanks), 0);
}

TEST(StrUtil, Replacing) {
    EXPECT_EQ(ReplaceStr("AAAA", "AA", "A"), "AA");
    EXPECT_EQ(ReplaceStr("abc", "b", "bb"), "abbc");              // replacement not searched
    EXPECT_EQ(ReplaceStr("a.b.c", ".", ""), "abc");
    EXPECT_EQ(ReplaceStr("abc", "x", "y"), "abc");
    EXPECT_EQ(ReplaceStr("abc", "", "y"), "abc");
    EXPECT_EQ(ReplaceCIStr("Select a FROM t from", "from", "<F>", false), "Select a <F> t <F>");
    EXPECT_EQ(ReplaceCIStr("ışık Işık", "IŞIK", "x", true), "x x");
    EXPECT_EQ(ReplaceCIStr("ışık", "IŞIK", "x", false), "ışık");
}

// ---- words and values ----

TEST(StrUtil, Words) {
    const TCharSet delims(" ,");
    EXPECT_EQ(WordCount("  one, two ,,three ", delims), 3);
    EXPECT_EQ(WordCount("", delims), 0);
    EXPECT_EQ(WordCount(" ,, ", delims), 0);
    EXPECT_EQ(ExtractWord(1, "  one, two ,,three ", delims), "one");
    EXPECT_EQ(ExtractWord(3, "  one, two ,,three ", delims), "three");
    EXPECT_EQ(ExtractWord(4, "  one, two ,,three ", delims), "");
    EXPECT_EQ(ExtractWord(0, "one", delims), "");
    EXPECT_EQ(ExtractWord(1, " ,, ", delims), " ,, ");   // no word: the whole text
    EXPECT_EQ(ExtractWord(2, " ,, ", delims), "");
}

TEST(StrUtil, UnquoteStr) {
    struct Case { const char* In; const char* Out; };
    const Case cases[] = {
        {"\"abc\"", "abc"},
        {"'abc'", "abc"},
        {"  \t'abc' \r\n", "abc"},
        {"\"\"", ""},
        {"'a\"b'", "a\"b"},
        {"\"'abc\"", "'abc"},        // inner quote of the other kind stays
        {"'\"abc'", "\"abc"},
        {"\"abc'", "\"abc'"},        // opening quote of the other kind only
        {"x'abc'", "x'abc'"},        // something before the opening quote
        {"abc", "abc"},
        {"\"", "\""},
        {"", ""},
        {"   ", "   "},
    };
    for (const Case& c : cases) EXPECT_EQ(UnquoteStr(c.In), c.Out) << c.In;
}

TEST(StrUtil, NameValueAndPrefixes) {
    AnsiString name = "x", value = "y";
    SplitNameValue("A=B=C", name, value);
    EXPECT_EQ(name, "A");
    EXPECT_EQ(value, "B=C");
    SplitNameValue(" user_name = SYSDBA ", name, value);
    EXPECT_EQ(name, " user_name ");
    EXPECT_EQ(value, " SYSDBA ");
    SplitNameValue("noequals", name, value);
    EXPECT_EQ(name, "noequals");
    EXPECT_EQ(value, "");
    SplitNameValue("=v", name, value);
    EXPECT_EQ(name, "");
    EXPECT_EQ(value, "v");

    EXPECT_EQ(ExtractValue("A=B=C"), "B=C");
    EXPECT_EQ(ExtractValue("ABC"), "");
    EXPECT_EQ(ExtractValue("ABC="), "");

    struct Case { const char* Name; bool Old, New, Mas; };
    const Case cases[] = {
        {"OLD_ID", true, false, false}, {"old_NAME", true, false, false},
        {"oLd_X", true, false, false},  {"OLD_", false, false, false},
        {"OLDX1", false, false, false}, {"NEW_ID", false, true, false},
        {"new_a", false, true, false},  {"MAS_ID", false, false, true},
        {"Mas_k", false, false, true},  {"ID", false, false, false},
        {"", false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsOldParamName(c.Name), c.Old) << c.Name;
        EXPECT_EQ(IsNewParamName(c.Name), c.New) << c.Name;
        EXPECT_EQ(IsMasParamName(c.Name), c.Mas) << c.Name;
    }
}

// ---- string lists ----

TEST(StrUtil, EmptyAndDeleteEmptyStrings) {
    TStringList list;
    EXPECT_TRUE(EmptyStrings(&list));
    EXPECT_TRUE(EmptyStrings(nullptr));
    list.Add("  ");
    list.Add("\t");
    EXPECT_TRUE(EmptyStrings(&list));
    list.Add(" select 1");
    EXPECT_FALSE(EmptyStrings(&list));

    TStringList lines;
    lines.Add("");
    lines.Add("a");
    lines.Add("");
    lines.Add("  ");
    lines.Add("");
    DeleteEmptyStrings(&lines);
    ASSERT_EQ(lines.Count(), 2);
    EXPECT_EQ(lines.Strings(0), "a");
    EXPECT_EQ(lines.Strings(1), "  ");
}

TEST(StrUtil, SubtractStringsKeepsObjectsAndOrder) {
    TObject o1, o2, o3;
    TStringList source;
    source.AddObject("C", &o1);
    source.AddObject("A", &o2);
    source.AddObject("B", &o3);

    for (bool sorted : {false, true}) {
        TStringList exclusion;
        exclusion.Add("B");
        exclusion.Add("X");
        exclusion.SetSorted(sorted);
        TStringList dest;
        dest.Add("stale");
        SubtractStrings(&source, &exclusion, &dest);
        ASSERT_EQ(dest.Count(), 2) << sorted;
        EXPECT_EQ(dest.Strings(0), "C");
        EXPECT_EQ(dest.Objects(0), &o1);
        EXPECT_EQ(dest.Strings(1), "A");
        EXPECT_EQ(dest.Objects(1), &o2);
    }

    // The destination may be one of the inputs.
    TStringList exclusion;
    exclusion.Add("A");
    SubtractStrings(&source, &exclusion, &source);
    ASSERT_EQ(source.Count(), 2);
    EXPECT_EQ(source.Strings(1), "B");
    EXPECT_EQ(source.Objects(1), &o3);
    SubtractStrings(&source, &exclusion, &exclusion);
    EXPECT_EQ(exclusion.Count(), 2);
}

// ---- matching ----

TEST(StrUtil, WldCompare) {
    struct Case { const char* Text; const char* Mask; bool Match; };
    const Case cases[] = {
        {"ABCD", "A*D", true},   {"ABCD", "A?CD", true},  {"A*D", "ABCD", true},
        {"abcd", "A*", false},   {"ABCD", "*", true},     {"", "*", true},
        {"ABCD", "ABCD", true},  {"ABCD", "ABC", false},  {"ABC", "ABCD", false},
        {"ABCD", "*D", true},    {"ABCD", "*C", false},   {"ABCD", "A**D", true},
        {"ABCD", "????", true},  {"ABCD", "???", false},  {"ABCD", "*B*D", true},
        {"EVENT_1", "EVENT_?", true}, {"EVENT_12", "EVENT_?", false},
        {"", "", true},          {"A", "", false},        {"", "A", false},
        // "?" right after "*" still demands one character
        {"AB", "A*?B", false},   {"AXB", "A*?B", true},   {"ABC", "*?", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WldCompare(c.Text, c.Mask), c.Match) << c.Text << " / " << c.Mask;
}

TEST(StrUtil, WldIndexOf) {
    TStringList list;
    list.Add("ORDERS_*");
    list.Add("şube*");
    EXPECT_EQ(WldIndexOf(&list, "ORDERS_NEW", true), 0);
    EXPECT_EQ(WldIndexOf(&list, "orders_new", true), -1);
    EXPECT_EQ(WldIndexOf(&list, "orders_new", false), 0);
    EXPECT_EQ(WldIndexOf(&list, "ŞUBE1", false), 1);
    EXPECT_EQ(WldIndexOf(&list, "OTHER", false), -1);
    list.Add("after_edit");
    EXPECT_EQ(WldIndexOf(&list, "AFTER_EDIT", false), 2) << "names fold as names, not the Turkish way";
    EXPECT_EQ(WldIndexOf(nullptr, "X", false), -1);
}

TEST(StrUtil, SQLMaskCompare) {
    struct Case { const char* Text; const char* Mask; bool Match; };
    const Case cases[] = {
        {"ABC", "A%", true},    {"ABC", "%C", true},    {"ABC", "A_C", true},
        {"ABC", "%", true},     {"ABC", "A_", false},   {"ABC", "abc", false},
        {"ABC", "ABC", true},   {"ABC", "AB", false},   {"AB", "ABC", false},
        {"ABC", "%B%", true},   {"ABC", "%X%", false},  {"ABC", "___", true},
        {"ABC", "____", false}, {"A", "A%", true},      {"", "%", true},
        {"", "", true},         {"A", "", false},       {"", "_", false},
        // wildcards right after "%"
        {"ABC", "%_C", true},   {"ABC", "%_", true},    {"ABC", "%__", true},
        {"AB", "%___", false},  {"ABC", "%%C", true},   {"", "%%", true},
        {"ABCABD", "%AB_", true},
        // "*" and "?" are ordinary characters in LIKE
        {"A*B", "A*B", true},   {"AXB", "A*B", false},  {"A**B", "A**B", true},
        {"A*B", "A**B", false}, {"AB", "A?B", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SQLMaskCompare(c.Text, c.Mask), c.Match) << c.Text << " LIKE " << c.Mask;
}

// ---- dates ----

TEST(StrUtil, ConvertMonthNames) {
    TFormatSettingsGuard guard(DotDayMonth());
    EXPECT_EQ(ConvertMonthNames("01-JAN-2005"), "01.01.2005");
    EXPECT_EQ(ConvertMonthNames("25-DEC-2005"), "25.12.2005");
    // Only the first month of the list that occurs is converted.
    EXPECT_EQ(ConvertMonthNames("JAN-FEB"), "01.FEB");
    EXPECT_EQ(ConvertMonthNames("FEB-JAN"), "FEB.01");
    EXPECT_EQ(ConvertMonthNames("01-jan-2005"), "01.jan.2005");
    FormatSettings.DateSeparator = '/';
    EXPECT_EQ(ConvertMonthNames("01-MAR-2005"), "01/03/2005");
}

TEST(StrUtil, NormalizeDateTextFollowsUserSettings) {
    {
        TFormatSettingsGuard guard(SlashMonthDay());
        EXPECT_EQ(NormalizeDateText("25.12.2005", 1), "12/25/2005");
        EXPECT_EQ(FormatSettings.ShortDateFormat, "mm/dd/yyyy");
        EXPECT_EQ(FormatSettings.DateSeparator, '/');
    }
    {
        TFormatSettingsGuard guard(DotDayMonth());
        EXPECT_EQ(NormalizeDateText("12/25/2005", 1), "25.12.2005");
        EXPECT_EQ(NormalizeDateText("25-DEC-2005", 1), "25.12.2005");
        EXPECT_EQ(NormalizeDateText("NOW", 1), "NOW");
        EXPECT_EQ(NormalizeDateText("now", 0), "NOW");
        EXPECT_EQ(NormalizeDateText("  ", 1), "");
        EXPECT_EQ(NormalizeDateText("", 2), "");
    }
    {
        TFormatSettings fs = DotDayMonth();
        fs.LongTimeFormat = "hh:nn:ss";
        TFormatSettingsGuard guard(fs);
        EXPECT_EQ(NormalizeDateText("13:05:09", 2), "13:05:09");
        EXPECT_EQ(NormalizeDateText("12/25/2005 13:05:09", 0), "25.12.2005 13:05:09");
        // The time's point is no date separator.
        EXPECT_EQ(NormalizeDateText("12/25/2005 10:30:00.000", 0), "25.12.2005 10:30:00");
        EXPECT_EQ(NormalizeDateText("25-DEC-2005 10:30:00.000", 0), "25.12.2005 10:30:00");
    }
}

// Only kind 2 is time alone; any other kind reads date and time, in both the
// choice of separators and the parse.
TEST(StrUtil, NormalizeDateTextUnknownKindActsAsDateAndTime) {
    TFormatSettings fs = DotDayMonth();
    fs.LongTimeFormat = "hh:nn:ss";
    TFormatSettingsGuard guard(fs);
    for (Integer kind : {3, -1, 99}) {
        EXPECT_EQ(NormalizeDateText("now", kind), NormalizeDateText("now", 0)) << kind;
        EXPECT_EQ(NormalizeDateText("12/25/2005 13:05:09", kind), "25.12.2005 13:05:09") << kind;
    }
}

TEST(StrUtil, NormalizeDateTextRestoresSettingsOnFailure) {
    TFormatSettings fs = DotDayMonth();
    fs.TimeSeparator = '-';
    fs.ShortTimeFormat = "hh-nn";
    TFormatSettingsGuard guard(fs);
    EXPECT_THROW(NormalizeDateText("99.99.2005", 1), EConvertError);
    EXPECT_THROW(NormalizeDateText("1/2/x", 1), EConvertError);
    EXPECT_EQ(FormatSettings.DateSeparator, '.');
    EXPECT_EQ(FormatSettings.ShortDateFormat, "dd.mm.yyyy");
    EXPECT_EQ(FormatSettings.TimeSeparator, '-');
    EXPECT_EQ(FormatSettings.ShortTimeFormat, "hh-nn");
}

TEST(StrUtil, StrToDateFmt) {
    TFormatSettingsGuard guard(DotDayMonth());
    FormatSettings.DateSeparator = '/';
    EXPECT_DOUBLE_EQ(StrToDateFmt("12/25/2005", "mm/dd/yyyy"), EncodeDate(2005, 12, 25));
    EXPECT_EQ(FormatSettings.ShortDateFormat, "dd.mm.yyyy");
    EXPECT_THROW(StrToDateFmt("25/12/2005", "mm/dd/yyyy"), EConvertError);
    EXPECT_EQ(FormatSettings.ShortDateFormat, "dd.mm.yyyy");
}

// ---- identifiers ----

TEST(StrUtil, ReservedWordList) {
    const auto& words = ReservedWords();
    EXPECT_EQ(words.size(), 303u);
    EXPECT_TRUE(std::is_sorted(words.begin(), words.end()));
    EXPECT_EQ(std::adjacent_find(words.begin(), words.end()), words.end());
    const auto at = [&](const char* w) { return std::find(words.begin(), words.end(), w) - words.begin(); };
    EXPECT_LT(at("CHARACTER"), at("CHAR_LENGTH"));
    for (const char* w : {"COMMITED", "RESERV", "LEV", "IIF", "CSTRING", "FREE_IT"})
        EXPECT_LT(at(w), static_cast<long>(words.size())) << w;
    // Every letter pair goes through the two-letter index (empty ranges too),
    // and every word of the list is found, in either mode.
    std::vector<AnsiString> ids(words.begin(), words.end());
    for (char a = 'A'; a <= 'Z'; ++a)
        for (char b = 'A'; b <= 'Z'; ++b)
            for (const char* tail : {"", "A", "_", "ZZZZZZZZZZZZZZZZZZZZZZZZ"}) ids.push_back(AnsiString{a, b} + tail);
    for (const AnsiString& id : ids) {
        const bool reserved = std::binary_search(words.begin(), words.end(), id);
        EXPECT_EQ(NeedQuote(id), reserved) << id;
        AnsiString lower = id;
        DoLowerCase(lower);
        EXPECT_EQ(NeedQuoteCI(lower), reserved) << lower;
    }
}

TEST(StrUtil, NeedQuote) {
    struct Case { const char* Ident; bool Strict, CI; };
    const Case cases[] = {
        {"NAME", false, false},  {"Name", true, false},   {"name", true, false},
        {"SELECT", true, true},  {"select", true, true},  {"WHERE", true, true},
        {"1ABC", true, true},    {"A1", false, false},    {"X", false, false},
        {"A B", true, true},     {"ÇARŞI", true, true},   {"_ABC", false, false},
        {"#A", false, false},    {"A_B", false, false},   {"A$%#", false, false},
        {"\"Q\"", true, true},   {"", false, false},      {"CHAR", true, true},
        {"CHARS", false, false}, {"CHAR_LENGTH", true, true}, {"SELECTED", false, false},
        {"A-B", true, true},     {"YEARDAY", true, true},  {"ZZ", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NeedQuote(c.Ident), c.Strict) << c.Ident;
        EXPECT_EQ(NeedQuoteCI(c.Ident), c.CI) << c.Ident;
    }
}

TEST(StrUtil, FormatIdentifiers) {
    EXPECT_EQ(FormatIdentifierEx(3, "Name", false), "\"Name\"");
    EXPECT_EQ(FormatIdentifierEx(3, "name", true), "NAME");
    EXPECT_EQ(FormatIdentifierEx(1, "  name ", false), "NAME");
    EXPECT_EQ(FormatIdentifierEx(3, "\"Quoted\"", false), "\"Quoted\"");
    EXPECT_EQ(FormatIdentifierEx(3, "select", true), "\"select\"");
    EXPECT_EQ(FormatIdentifierEx(3, "ABONENO", false), "ABONENO");

    EXPECT_EQ(FormatIdentifier(3, "Name"), "\"Name\"");
    EXPECT_EQ(FormatIdentifier(3, "NAME"), "NAME");
    EXPECT_EQ(FormatIdentifier(3, "ORDER"), "\"ORDER\"");
    EXPECT_EQ(FormatIdentifier(1, " order "), "ORDER");
    EXPECT_EQ(FormatIdentifier(3, "\"Quoted\""), "\"Quoted\"");
    // A quote inside a name is doubled so the statement stays well formed.
    EXPECT_EQ(FormatIdentifier(3, "A\"B"), "\"A\"\"B\"");
    EXPECT_EQ(FormatIdentifierEx(3, "a\"b", true), "\"a\"\"b\"");

    for (Integer dialect : {1, 2, 3}) {
        EXPECT_EQ(FormatIdentifier(dialect, ""), "");
        EXPECT_EQ(FormatIdentifierEx(dialect, "", false), "");
        EXPECT_EQ(FormatIdentifierEx(dialect, "", true), "");
    }
}

// ---- matching: reference rules and hostile masks ----

namespace {

bool IsWld(char C) { return C == '*' || C == '?'; }

// The two-sided wildcard rule written directly (exponential; short texts only).
bool RefWld(std::string_view T, std::string_view M) {
    if (T == M || T == "*" || M == "*") return true;
    if (T.empty() || M.empty()) return false;
    if (T[0] != M[0] && !IsWld(T[0]) && !IsWld(M[0])) return false;
    if (T[0] == '*')
        for (size_t i = 0; i < M.size(); ++i)
            if (RefWld(T.substr(1), M.substr(i))) return true;
    if (M[0] == '*')
        for (size_t i = 0; i < T.size(); ++i)
            if (RefWld(T.substr(i), M.substr(1))) return true;
    if (T[0] != '*' && M[0] != '*' && (T[0] == M[0] || T[0] == '?' || M[0] == '?'))
        return RefWld(T.substr(1), M.substr(1));
    return false;
}

// Plain LIKE: "%" any run, "_" one character, everything else literal.
bool RefLike(std::string_view T, std::string_view M) {
    if (M.empty()) return T.empty();
    if (M[0] == '%') {
        for (size_t i = 0; i <= T.size(); ++i)
            if (RefLike(T.substr(i), M.substr(1))) return true;
        return false;
    }
    if (T.empty()) return false;
    return (M[0] == '_' || M[0] == T[0]) && RefLike(T.substr(1), M.substr(1));
}

// Random texts over a small alphabet; no "**" runs (the matcher folds them).
AnsiString RandomText(std::mt19937& Gen, const char* Alphabet, size_t MaxLen) {
    const size_t alen = std::strlen(Alphabet);
    AnsiString s(Gen() % (MaxLen + 1), ' ');
    for (char& c : s) c = Alphabet[Gen() % alen];
    s.erase(std::unique(s.begin(), s.end(), [](char a, char b) { return a == '*' && b == '*'; }), s.end());
    return s;
}

}  // namespace

TEST(StrUtil, WldCompareAgreesWithTheRuleOnRandomTexts) {
    std::mt19937 gen(12345);
    for (int n = 0; n < 20000; ++n) {
        const AnsiString t = RandomText(gen, "ab?*", 6), m = RandomText(gen, "ab?*", 6);
        ASSERT_EQ(WldCompare(t, m), RefWld(t, m)) << "'" << t << "' / '" << m << "'";
        ASSERT_EQ(WldCompare(t, m), WldCompare(m, t)) << "'" << t << "' / '" << m << "'";
    }
}

TEST(StrUtil, SQLMaskCompareAgreesWithPlainLikeOnRandomTexts) {
    std::mt19937 gen(54321);
    for (int n = 0; n < 20000; ++n) {
        const AnsiString t = RandomText(gen, "ab%_*", 7), m = RandomText(gen, "ab%_*", 6);
        ASSERT_EQ(SQLMaskCompare(t, m), RefLike(t, m)) << "'" << t << "' LIKE '" << m << "'";
    }
}

// Backtracking over every split would never finish on these.
TEST(StrUtil, MatchersStayPolynomialOnPathologicalMasks) {
    const AnsiString longA(3000, 'a');
    EXPECT_FALSE(SQLMaskCompare(longA, "%a%a%a%a%a%a%a%b"));
    EXPECT_TRUE(SQLMaskCompare(longA + "b", "%a%a%a%a%a%a%a%b"));
    EXPECT_FALSE(SQLMaskCompare(longA, "%_%_%_%_%_%_%_%b"));
    EXPECT_FALSE(WldCompare(longA, "*a*a*a*a*a*a*a*b"));
    EXPECT_TRUE(WldCompare(longA + "b", "*a*a*a*a*a*a*a*b"));
    EXPECT_FALSE(WldCompare(longA, "*?*?*?*?*?*?*?*b"));
    // Wildcards on both sides.
    EXPECT_FALSE(WldCompare("*a*a*a*a*a*a*a*a*c", "*a*a*a*a*a*a*a*b" + longA));
    EXPECT_TRUE(WldCompare(longA + "*", "a*"));
}

// ---- hostile positions, aliasing, memory edges ----

// A terminator on the last byte before an unreadable page: any read past it faults.
TEST(StrUtil, FastStrLenStopsAtTheTerminator) {
    const long page = sysconf(_SC_PAGESIZE);
    void* mem = mmap(nullptr, static_cast<size_t>(page) * 2, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mem, MAP_FAILED);
    char* base = static_cast<char*>(mem);
    ASSERT_EQ(mprotect(base + page, static_cast<size_t>(page), PROT_NONE), 0);
    for (Integer len = 0; len < 9; ++len) {
        char* s = base + page - len - 1;
        std::memset(s, 'x', static_cast<size_t>(len));
        s[len] = '\0';
        EXPECT_EQ(FastStrLen(s), len);
        if (len > 0) s[len - 1] = ' ';
        EXPECT_EQ(StrLenTrimRight(s), len > 0 ? len - 1 : 0);
    }
    munmap(mem, static_cast<size_t>(page) * 2);
    EXPECT_EQ(FastStrLen(nullptr), 0);
    EXPECT_EQ(StrLenTrimRight(nullptr), 0);
}
