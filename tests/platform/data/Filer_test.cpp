#include "platform/data/Filer.h"
#include "platform/Raised.h"

#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using TItems = std::vector<WideString>;

// The stored line of a list written as property "L".
AnsiString Written(const TItems& Items) {
    TStringList Lines;
    TWriter W(&Lines);
    W.DefineProperty("L", nullptr, [&](TWriter& Wr) { Wr.WriteWideStringList(Items); }, true);
    EXPECT_EQ(1, Lines.Count());
    return Lines.Count() == 1 ? Lines.Strings(0) : AnsiString();
}

// The list read back from Line.
TItems ReadBack(const AnsiString& Line) {
    TStringList Lines;
    Lines.Add(Line);
    TReader R(&Lines);
    TItems Items;
    R.DefineProperty("L", [&](TReader& Rd) { Items = Rd.ReadStringList(); }, nullptr, false);
    R.CheckAllRead();
    return Items;
}

}  // namespace

TEST(Filer, AListOfStringsComesBackAsItWasWritten) {
    const TItems Cases[] = {
        {},
        {u""},
        {u"", u"", u""},
        {u"a=b", u"=", u"Name=Value"},
        {u"it's", u"'", u"''", u"\"quoted\""},
        {u"line\r\nbreak", u"\r", u"\n", u"tab\there"},
        {u"\u015Fe\u011Fi\u0130", u"\u0416\u4E2D", u"\U0001F600", u"x\xD800y"},   // Turkish, outside, a pair, a lone half
        {u"  spaced  ", u"#13", u"W'x'", u"(a, b)", u","},
        {std::u16string(1, u'\0') + u"nul", u"\x7F\x81\x9F\xA0"},
    };
    for (const TItems& L : Cases) {
        const AnsiString Line = Written(L);
        SCOPED_TRACE(Line);
        EXPECT_EQ(AnsiString::npos, Line.find_first_of("\r\n"));   // one line whatever the items hold
        EXPECT_EQ(L, ReadBack(Line));
    }
}

TEST(Filer, EightBitItemsAreReadInTheCodePage) {
    // \xFE is ş in code page 1254; #254 the same as a byte code.
    EXPECT_EQ((TItems{u"\u015Fe", u"\u015F", u"a\r\nb", u"x\u0416"}),
              ReadBack("L=('\xFE" "e', #254, 'a'#13#10'b', W'x'#1046)"));
    EXPECT_EQ((TItems{u"it's", u""}), ReadBack("L= ( 'it''s' ,'' ) "));
}

TEST(Filer, AMalformedListIsAnInvalidPropertyValue) {
    const char* Values[] = {
        "",           "'a'",          "(",          "('a'",       "('abc)",     "(W)",        "(,)",
        "('a',)",     "('a' 'b')",    "(#)",        "(#x)",       "(#256)",     "(W#65536)",  "(W#1234567)",
        "('a')x",     "('a'))",       "(a)",        "(W'a'#)",    "W('a')",
    };
    for (const char* V : Values) {
        SCOPED_TRACE(V);
        EXPECT_EQ(MessageOf<EReadError>([&] { ReadBack(AnsiString("L=") + V); }), "Invalid property value");
    }
}
