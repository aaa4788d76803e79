#include "datasets/ExpressionParser.h"
#include "platform/Raised.h"

#include <gtest/gtest.h>

#include <memory>

#include "dbclient/StrUtil.h"
#include "platform/data/MemDataSet.h"

namespace {

TDateTime Day(Word Y, Word M, Word D) { return EncodeDate(Y, M, D); }
TDateTime Stamp(Word Y, Word M, Word D, Word H, Word N, Word S) { return EncodeDate(Y, M, D) + EncodeTime(H, N, S, 0); }

// Five subscribers; record 4 is null in every column but ID, AT/FEE/QTY only set in 1 and 2.
std::unique_ptr<TMemDataSet> MakeSet() {
    auto DS = std::make_unique<TMemDataSet>();
    auto* Defs = DS->FieldDefs();
    Defs->Add("ID", ftInteger);
    Defs->Add("NAME", ftString, 20);
    Defs->Add("CITY", ftString, 20);
    Defs->Add("AGE", ftInteger);
    Defs->Add("PRICE", ftFloat);
    Defs->Add("BIRTH", ftDate);
    Defs->Add("STAMP", ftDateTime);
    Defs->Add("ACTIVE", ftBoolean);
    Defs->Add("AT", ftTime);
    Defs->Add("FEE", ftBCD, 4);
    Defs->Add("QTY", ftSmallint);
    DS->Open();
    auto T = [](Word H, Word N, Word S) { return VarFromDateTime(EncodeTime(H, N, S, 0)); };
    DS->AppendRecord({1, "Ahmet", "İstanbul", 30, 10.5, VarFromDateTime(Day(1990, 3, 15)),
                      VarFromDateTime(Stamp(1990, 3, 15, 13, 45, 20)), true, T(8, 30, 0),
                      Currency::FromScaled(125000), SmallInt(7)});
    DS->AppendRecord({2, "ayşe", "izmir", 25, 99.99, VarFromDateTime(Day(1998, 12, 1)),
                      VarFromDateTime(Stamp(2001, 6, 7, 8, 9, 10)), false, T(17, 5, 9),
                      Currency::FromScaled(5), SmallInt(-3)});
    DS->AppendRecord({3, "Çağrı", "Iğdır", 41, 0.0, VarFromDateTime(Day(1980, 2, 29)),
                      VarFromDateTime(Stamp(1980, 2, 29, 23, 59, 59)), true, Null(), Null(), Null()});
    DS->AppendRecord({4, Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null()});
    DS->AppendRecord({5, "  Mehmet  ", "Ankara", 30, 250.0, VarFromDateTime(Day(2000, 12, 31)),
                      VarFromDateTime(Stamp(2000, 12, 31, 0, 0, 0)), false, Null(), Null(), Null()});
    DS->First();
    return DS;
}

std::unique_ptr<TExpressionParser> MakeParser(TDataSet* DS, const AnsiString& Text, TFilterOptions Options = {}) {
    return std::make_unique<TExpressionParser>(DS, SQLMaskCompare, StrToDateFmt, Text, Options);
}

using Ids = std::vector<Integer>;

// The IDs of the records that pass Text, walking the data set.
Ids Passing(TDataSet* DS, const AnsiString& Text, TFilterOptions Options = {}) {
    auto P = MakeParser(DS, Text, Options);
    Ids Result;
    for (DS->First(); !DS->Eof(); DS->Next())
        if (P->EvaluateBoolean()) Result.push_back(DS->FieldByName("ID")->AsInteger());
    return Result;
}

struct TCase { const char* Filter; Ids Expected; TFilterOptions Options = {}; };

void Check(const std::vector<TCase>& Cases) {
    auto DS = MakeSet();
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Filter);
        EXPECT_EQ(Passing(DS.get(), C.Filter, C.Options), C.Expected);
    }
}

}  // namespace

TEST(ExpressionParser, OperatorsAndNulls) {
    Check({
        {"AGE = 30", {1, 5}},
        {"AGE <> 30", {2, 3, 4}},   // a null differs from every value
        {"AGE < 30", {2}},          // but has no order
        {"AGE >= 30", {1, 3, 5}},
        {"AGE + 5 = 35 and AGE - 1 = 29", {1, 5}},
        {"AGE * 2 = 82 or AGE / 2 = 12.5", {2, 3}},
        {"-AGE = -41", {3}},
        {"PRICE = '10,5'", {1}},    // the user's decimal comma
        {"not AGE = 30", {2, 3, 4}},
        {"(AGE > 26 or AGE < 26) and not ACTIVE", {2, 5}},
        {"ACTIVE", {1, 3}},
        {"ACTIVE <> 'true'", {2, 4, 5}},
        {"NAME is null", {4}},
        {"NAME <> null", {1, 2, 3, 5}},
        {"NAME <> 'Ahmet'", {2, 3, 4, 5}},
        {"AGE + 1 is null", {4}},
        {"NAME = CITY", {4}},       // two nulls are equal
        {"TRIM() is null", {1, 2, 3, 4, 5}},   // no argument is no value
        {"FEE = 12.5 or FEE = '0,0005'", {1, 2}},
        {"FEE * 2 > 20", {1}},
        {"QTY < 0", {2}},
    });
}

TEST(ExpressionParser, LikeAndIn) {
    AnsiString Long;   // more values than a fixed-size list would hold
    for (Integer I = 100; I < 160; ++I) Long += IntToStr(I) + ", ";
    Check({
        {"NAME like '_y%'", {2}},
        {"NAME like '%e%'", {1, 2, 5}},
        {"NAME like 'a%'", {2}},    // case counts without the option
        {"NAME not like 'A%'", {2, 3, 4, 5}},
        {"CITY like '%ğ%'", {3}},
        {"NAME in ('ayşe', 'Çağrı', 'nobody')", {2, 3}},
        {"AGE in (30)", {1, 5}},    // a list of one compares as text
        {"NAME not in ('Ahmet')", {2, 3, 4, 5}},
        {"BIRTH in ('15.03.1990', '29.02.1980')", {1, 3}},
        {"BIRTH in ('15.03.1990')", {1}},
        {"QTY in (7, 8)", {1}},
        {"AGE + 0 in (AGE, 1)", {1, 2, 3, 4, 5}},   // null meets null
        {("AGE in (" + Long + "30, 25)").c_str(), {1, 2, 5}},
    });
}

TEST(ExpressionParser, PartialAndCaseInsensitiveCompare) {
    const TFilterOptions CI{foCaseInsensitive};
    Check({
        {"NAME = 'Ah*'", {1}},
        {"NAME = 'ah*'", {}},
        {"NAME = 'ah*'", {1}, CI},
        {"NAME <> 'Ah*'", {2, 3, 4, 5}},
        {"NAME = 'Ah*'", {}, TFilterOptions{foNoPartialCompare}},
        {"NAME = 'ÇAĞ*'", {3}, CI},
        {"NAME <> 'x'", {1, 2, 3, 4, 5}, CI},
        {"CITY = 'izmir'", {2}, CI},        // i and İ are one letter
        {"CITY = 'IĞDIR'", {3}, CI},        // ı and I are another
        {"CITY = 'iğdir'", {}, CI},
        {"CITY = 'istanbul'", {1}, CI},
        {"NAME like 'a%'", {1, 2}, TFilterOptions{foCaseInsensitive, foNoPartialCompare}},
    });
}

TEST(ExpressionParser, Functions) {
    Check({
        {"UPPER(NAME) = 'AYŞE'", {2}},
        {"LOWER(NAME) = 'çağrı'", {3}},
        {"UPPER(CITY) = 'IĞDIR' or upper(CITY) = 'İZMİR'", {2, 3}},
        {"UPPER(NAME) is null", {4}},
        {"trim(NAME) = 'Mehmet'", {5}},      // names fold by a-z only: not "TRİM"
        {"TRIMLEFT(NAME) = 'Mehmet  '", {5}},
        {"TRIMRIGHT(NAME) = '  Mehmet'", {5}},
        {"SUBSTRING(NAME, 2, 3) = 'hme'", {1}},
        {"SUBSTRING(NAME, '2, 3') = 'hme'", {1}},
        {"SUBSTRING(NAME, 3) = 'ğrı'", {3}},    // without a length: the rest
        {"SUBSTRING(NAME, 0, 2) = 'ay'", {2}},
        {"SUBSTRING(NAME, 9, 5) = ''", {1, 2, 3}},
        {"YEAR(BIRTH) = 1990", {1}},
        {"MONTH(BIRTH) = 12 and DAY(BIRTH) = 1", {2}},
        {"YEAR(BIRTH) is null", {4}},
        {"HOUR(STAMP) = 13 and MINUTE(STAMP) = 45 and SECOND(STAMP) = 20", {1}},
        {"BIRTH > '01.01.1995'", {2, 5}},
        {"STAMP = '15.03.1990 13:45:20'", {1}},
        {"DATE(STAMP) = BIRTH", {1, 3, 4, 5}},
        {"DATE('1990.03.15', 'yyyy.mm.dd') = BIRTH", {1}},
        {"AT = '08:30:00'", {1}},
        {"AT > '12:00' and HOUR(AT) = 17 and MINUTE(AT) = 5 and SECOND(AT) = 9", {2}},
    });
}

TEST(ExpressionParser, DateFunctionAndClock) {
    auto DS = MakeSet();
    SetNowProvider([] { return Day(1995, 1, 1); });
    const bool Before = MakeParser(DS.get(), "BIRTH < GETDATE()")->EvaluateBoolean();
    SetNowProvider(nullptr);
    EXPECT_TRUE(Before);

    AnsiString SeenText, SeenFormat;
    TExpressionParser P(DS.get(), SQLMaskCompare,
                        [&](const AnsiString& Text, const AnsiString& Format) {
                            SeenText = Text;
                            SeenFormat = Format;
                            return Day(1990, 3, 15);
                        },
                        "BIRTH = DATE('x', 'fmt')", {});
    EXPECT_TRUE(P.EvaluateBoolean());
    EXPECT_EQ(SeenText, "x");
    EXPECT_EQ(SeenFormat, "fmt");

    TExpressionParser NoFunc(DS.get(), SQLMaskCompare, nullptr, "BIRTH = DATE('x', 'fmt')", {});
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { NoFunc.Evaluate(); }), SExprIncorrect);
    // One argument needs no date function.
    TExpressionParser One(DS.get(), SQLMaskCompare, nullptr, "DATE(BIRTH) = BIRTH", {});
    EXPECT_TRUE(One.EvaluateBoolean());
}

TEST(ExpressionParser, DateOfANumberPastTheCalendarIsRefused) {
    auto DS = MakeSet();
    const AnsiString Huge(110, '2');   // a number no whole count of days can hold
    for (const AnsiString& Filter : {"DATE(" + Huge + ") = 1", "DATE(-" + Huge + ") = 1", AnsiString("DATE(2958466) = 1"),
                                     AnsiString("DATE(-693594) = 1")}) {
        SCOPED_TRACE(Filter);
        EXPECT_EQ(MessageOf<EDatabaseError>([&] { MakeParser(DS.get(), Filter)->Evaluate(); }), SExprIncorrect);
    }
    // The first and the last day of the calendar still are dates.
    EXPECT_EQ(Passing(DS.get(), "DATE(2958465.75) = 2958465"), (Ids{1, 2, 3, 4, 5}));
    EXPECT_EQ(Passing(DS.get(), "DATE(-693593) = -693593"), (Ids{1, 2, 3, 4, 5}));
}

TEST(ExpressionParser, TheDeepestFiltersThatFitAreEvaluated) {
    auto DS = MakeSet();
    // As deep as the expression buffer's 64 KB hold.
    AnsiString Chain = "AGE = 30", Sum = "AGE";
    for (Integer I = 0; I < 1000; ++I) Chain += " or AGE = 30";
    for (Integer I = 0; I < 1900; ++I) Sum += " + 0";
    EXPECT_EQ(Passing(DS.get(), Chain), (Ids{1, 5}));
    EXPECT_EQ(Passing(DS.get(), Sum + " = 30"), (Ids{1, 5}));
}

TEST(ExpressionParser, EvaluationErrorsCarryTheFilterTexts) {
    auto DS = MakeSet();   // on record 1
    const struct {
        const char* Filter;
        AnsiString Message;
    } Cases[] = {
        {"NAME > 5", SExprIncorrect},          // 'Ahmet' is no number
        {"AGE = 'abc'", SExprIncorrect},
        {"NAME", SExprIncorrect},              // text as a Boolean
        {"AGE / 0 > 1", SExprIncorrect},
        {"SUBSTRING(NAME, 'a,b') = 'x'", SExprIncorrect},
        {"FOO(NAME) = 1", "Expression expected but FOO found"},
        {"nosuch(NAME) = 1", "Expression expected but NOSUCH found"},
        {"SUBSTRING(NAME, 'x') = 'a'", "Expression expected but SUBSTRING found"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Filter);
        auto P = MakeParser(DS.get(), C.Filter);
        EXPECT_EQ(MessageOf<EDatabaseError>([&] { P->Evaluate(); }), C.Message);
    }
    for (TFilterOptions Options : {TFilterOptions{}, TFilterOptions{foCaseInsensitive}}) {
        TExpressionParser NoLike(DS.get(), nullptr, nullptr, "NAME like 'A%'", Options);
        EXPECT_EQ(MessageOf<EDatabaseError>([&] { NoLike.Evaluate(); }), SExprIncorrect);
    }
    TExpressionParser NoFuncs(DS.get(), nullptr, nullptr, "NAME = 'Ahmet'", {});   // only LIKE needs one
    EXPECT_TRUE(NoFuncs.EvaluateBoolean());
}

TEST(ExpressionParser, ParseErrorsArePrefixed) {
    auto DS = MakeSet();
    const struct {
        const char* Filter;
        const char* Message;
    } Cases[] = {
        {"NAME = ", "Expression expected but nothing found"},
        {"NAME = 'x", "Unterminated string constant"},
        {"MISSING = 1", "Field 'MISSING' not found"},
        {"AGE > 1)", "Filter expression incorrectly terminated"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Filter);
        EXPECT_EQ(MessageOf<EDatabaseError>([&] { MakeParser(DS.get(), C.Filter); }), AnsiString("Can't parse Filter for: \r\n") + C.Message);
    }
}

TEST(ExpressionParser, AndOrSkipTheRightOperandWhenDecided) {
    auto DS = MakeSet();   // record 1: NAME 'Ahmet' would fail as a number
    EXPECT_TRUE(MakeParser(DS.get(), "ID = 1 or NAME > 5")->EvaluateBoolean());
    EXPECT_FALSE(MakeParser(DS.get(), "ID = 2 and NAME > 5")->EvaluateBoolean());
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { MakeParser(DS.get(), "ID = 1 and NAME > 5")->Evaluate(); }), SExprIncorrect);
    EXPECT_EQ(MakeParser(DS.get(), "AGE + 1")->Evaluate().VType(), varBoolean);
}

TEST(ExpressionParser, WorksAsTheDataSetsFilter) {
    auto DS = MakeSet();
    auto P = MakeParser(DS.get(), "UPPER(NAME) like '%A%' and AGE < 40");
    DS->SetOnFilterRecord([&](TDataSet*, bool& Accept) { Accept = P->EvaluateBoolean(); });
    DS->SetFiltered(true);
    Ids Seen;
    for (DS->First(); !DS->Eof(); DS->Next()) Seen.push_back(DS->FieldByName("ID")->AsInteger());
    EXPECT_EQ(Seen, (Ids{1, 2}));
    EXPECT_EQ(DS->RecordCount(), 2);
}

TEST(ExpressionParser, FieldCache) {
    auto DS = MakeSet();
    auto P = MakeParser(DS.get(), "NAME = 'Ahmet'");
    EXPECT_EQ(P->FieldByNameCached("name"), DS->FieldByName("NAME"));
    EXPECT_EQ(P->FieldByNameCached("name"), DS->FieldByName("NAME"));
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { P->FieldByNameCached("nosuch"); }), "Field 'nosuch' not found");
    EXPECT_EQ(P->FilterText(), "NAME = 'Ahmet'");

    // Reopening makes new field objects: after clearing the cache the new ones are read.
    EXPECT_TRUE(P->EvaluateBoolean());
    DS->Close();
    P->ClearFieldCache();
    DS->Open();
    DS->Next();
    EXPECT_FALSE(P->EvaluateBoolean());
    EXPECT_EQ(P->FieldByNameCached("NAME"), DS->FieldByName("NAME"));
}
