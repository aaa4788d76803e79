#include "platform/data/DB.h"
#include "platform/Raised.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "MemDataSet.h"

namespace {

struct FieldsFixture : ::testing::Test {
    TFormatSettingsGuard Guard{TurkishFormatSettings()};
    TMemDataSet DS;

    void SetUp() override {
        DS.FieldDefs()->Add("S", ftString, 5);
        DS.FieldDefs()->Add("I", ftInteger);
        DS.FieldDefs()->Add("SM", ftSmallint);
        DS.FieldDefs()->Add("F", ftFloat);
        DS.FieldDefs()->Add("B", ftBCD, 2);
        DS.FieldDefs()->Add("D", ftDate);
        DS.FieldDefs()->Add("T", ftTime);
        DS.FieldDefs()->Add("DT", ftDateTime);
        DS.FieldDefs()->Add("BO", ftBoolean);
        DS.FieldDefs()->Add("L", ftLargeint);
        DS.Open();
        DS.Append();
    }
    TField* F(const char* Name) { return DS.FieldByName(Name); }
};

}  // namespace

TEST_F(FieldsFixture, NullValuesReadAsEmptyTextAndZero) {
    for (Integer I = 0; I < DS.FieldCount(); ++I) {
        TField* Fld = DS.Fields()->Fields(I);
        EXPECT_TRUE(Fld->IsNull()) << Fld->FieldName();
        EXPECT_EQ(Fld->AsString(), "") << Fld->FieldName();
        EXPECT_EQ(Fld->DisplayText(), "") << Fld->FieldName();
        EXPECT_TRUE(Fld->AsVariant().IsNull()) << Fld->FieldName();
    }
    EXPECT_EQ(F("I")->AsInteger(), 0);
    EXPECT_EQ(F("F")->AsFloat(), 0.0);
    EXPECT_FALSE(F("BO")->AsBoolean());
}

TEST_F(FieldsFixture, FloatsReadWithTheDecimalCommaAndFormatOnlyForShowing) {
    F("F")->SetAsFloat(1234.5);
    EXPECT_EQ(F("F")->AsString(), "1234,5");
    F("F")->SetDisplayFormat("#,##0.00");
    EXPECT_EQ(F("F")->DisplayText(), "1.234,50");
    EXPECT_EQ(F("F")->AsString(), "1234,5");   // transfer files read the plain value
    EXPECT_EQ(F("F")->Text(), "1.234,50");     // no edit format: the display format
    F("F")->SetEditFormat("0.0");
    EXPECT_EQ(F("F")->Text(), "1234,5");
    F("F")->SetAsString("7,25");
    EXPECT_DOUBLE_EQ(F("F")->AsFloat(), 7.25);
    EXPECT_EQ(MessageOf([&] { F("F")->SetAsString("7.2.5"); }), "'7.2.5' geçerli bir sayı değil");
    F("F")->SetAsString("");
    EXPECT_TRUE(F("F")->IsNull());
}

TEST_F(FieldsFixture, DatesAndTimesReadAsDayMonthYearText) {
    TDateTime Day = EncodeDate(2016, 3, 5);
    F("D")->SetAsDateTime(Day + 0.75);   // a date field keeps the day only
    EXPECT_EQ(F("D")->AsString(), "05.03.2016");
    EXPECT_DOUBLE_EQ(F("D")->AsDateTime(), Day);
    F("T")->SetAsString("13:45:10");
    EXPECT_EQ(F("T")->AsString(), "13:45:10");
    F("DT")->SetAsDateTime(Day + EncodeTime(8, 30, 0, 0));
    EXPECT_EQ(F("DT")->AsString(), "05.03.2016 08:30:00");
    F("DT")->SetAsDateTime(Day);
    EXPECT_EQ(F("DT")->AsString(), "05.03.2016");   // midnight: the date alone
    F("DT")->SetDisplayFormat("yyyymmdd");
    EXPECT_EQ(F("DT")->DisplayText(), "20160305");
    EXPECT_EQ(F("DT")->AsString(), "05.03.2016");
    F("D")->SetAsString("31.12.1899");
    EXPECT_DOUBLE_EQ(F("D")->AsFloat(), 1.0);
    EXPECT_EQ(VarType(F("D")->AsVariant()), varDate);
    EXPECT_THROW(F("D")->SetAsString("32.01.2016"), EConvertError);
}

TEST_F(FieldsFixture, IntegersCheckTheirRange) {
    F("I")->SetAsString("42");
    EXPECT_EQ(F("I")->AsInteger(), 42);
    EXPECT_EQ(MessageOf([&] { F("I")->SetAsString("4x"); }), "'4x' geçerli bir tam sayı değil");
    EXPECT_EQ(MessageOf([&] { F("SM")->SetAsInteger(40000); }),
              "40000 is not a valid value for field 'SM'. The allowed range is -32768 to 32767");
    EXPECT_EQ(MessageOf([&] { F("I")->SetAsString("99999999999"); }),
              "99999999999 is not a valid value for field 'I'. The allowed range is -2147483648 to 2147483647");
    EXPECT_EQ(F("I")->AsInteger(), 42);   // a refused value leaves the old one
    auto* I = static_cast<TIntegerField*>(F("I"));
    I->SetMinValue(1);
    I->SetMaxValue(10);
    EXPECT_EQ(MessageOf([&] { I->SetAsInteger(11); }),
              "11 is not a valid value for field 'I'. The allowed range is 1 to 10");
    F("I")->SetAsFloat(7.6);
    EXPECT_EQ(F("I")->AsInteger(), 8);
    F("I")->SetDisplayFormat("000");
    EXPECT_EQ(F("I")->DisplayText(), "008");
    F("L")->SetAsString("9000000000");
    EXPECT_EQ(F("L")->AsLargeInt(), 9000000000LL);
    EXPECT_THROW(F("L")->AsInteger(), EDatabaseError);
}

TEST_F(FieldsFixture, BcdKeepsExactDecimals) {
    F("B")->SetAsString("12,345");
    EXPECT_EQ(F("B")->AsString(), "12,35");   // two decimals, half away from zero
    EXPECT_EQ(F("B")->AsCurrency(), Currency::FromScaled(123500));
    F("B")->SetAsFloat(-0.125);
    EXPECT_EQ(F("B")->AsString(), "-0,13");
    EXPECT_EQ(VarType(F("B")->AsVariant()), varCurrency);
    EXPECT_THROW(F("B")->SetSize(5), EDatabaseError);   // open set
}

TEST_F(FieldsFixture, BooleansAcceptLeadingPartsOfTheirTexts) {
    F("BO")->SetAsString("t");
    EXPECT_TRUE(F("BO")->AsBoolean());
    EXPECT_EQ(F("BO")->AsString(), "True");
    F("BO")->SetAsString("FAL");
    EXPECT_FALSE(F("BO")->AsBoolean());
    EXPECT_EQ(MessageOf([&] { F("BO")->SetAsString("yes"); }), "'yes' is not a valid boolean value for field 'BO'");
    static_cast<TBooleanField*>(F("BO"))->SetDisplayValues("Evet;Hayır");
    F("BO")->SetAsString("evet");
    EXPECT_EQ(F("BO")->DisplayText(), "Evet");
    EXPECT_EQ(F("BO")->AsVariant().AsBoolean(), true);
}

TEST_F(FieldsFixture, StringsAreCutToTheirSizeAndConvert) {
    F("S")->SetAsString("abcdefgh");
    EXPECT_EQ(F("S")->AsString(), "abcde");
    F("S")->SetAsString("12");
    EXPECT_EQ(F("S")->AsInteger(), 12);
    F("S")->SetAsFloat(1.5);
    EXPECT_EQ(F("S")->AsString(), "1,5");
    F("S")->SetAsString("Şeker");   // code page 1254 bytes stay as they are
    EXPECT_EQ(F("S")->AsString(), "Şeker");
    F("S")->SetAsVariant(Null());
    EXPECT_TRUE(F("S")->IsNull());
    EXPECT_EQ(MessageOf([&] { F("S")->AsDateTime(); }), "'' geçerli bir tarih ve saat değil");
}

TEST_F(FieldsFixture, TextEventsValidationAndChangeNotices) {
    F("S")->OnGetText = [](TField* Sender, AnsiString& Text, bool Display) {
        Text = (Display ? "show:" : "edit:") + Sender->AsString();
    };
    F("S")->OnSetText = [](TField* Sender, const AnsiString& Text) { Sender->SetAsString(UpperCase(Text)); };
    F("S")->SetText("ab");
    EXPECT_EQ(F("S")->DisplayText(), "show:AB");
    EXPECT_EQ(F("S")->Text(), "edit:AB");

    std::vector<AnsiString> Seen;
    F("I")->OnValidate = [&](TField* Sender) {
        Seen.push_back(Sender->AsString());   // the value about to be stored
        if (Sender->AsInteger() < 0) DatabaseError("negative");
    };
    Integer Changes = 0;
    F("I")->OnChange = [&](TField*) { ++Changes; };
    F("I")->SetAsInteger(5);
    EXPECT_THROW(F("I")->SetAsInteger(-1), EDatabaseError);
    EXPECT_EQ(F("I")->AsInteger(), 5);
    EXPECT_EQ(Seen, (std::vector<AnsiString>{"5", "-1"}));
    EXPECT_EQ(Changes, 1);
}

TEST_F(FieldsFixture, AccessOfAnUnsupportedTypeIsReported) {
    EXPECT_EQ(MessageOf([&] { F("BO")->AsDateTime(); }), "Cannot access field 'BO' as type DateTime");
    EXPECT_EQ(MessageOf([&] { F("D")->AsBoolean(); }), "Cannot access field 'D' as type Boolean");
    F("I")->SetAsInteger(3);
    F("S")->Assign(F("I"));
    EXPECT_EQ(F("S")->AsString(), "3");
    F("I")->Clear();
    F("S")->Assign(F("I"));
    EXPECT_TRUE(F("S")->IsNull());
}

TEST_F(FieldsFixture, PostedValuesSurviveNavigation) {
    F("S")->SetAsString("one");
    F("F")->SetAsFloat(0.1);
    F("DT")->SetAsDateTime(EncodeDate(2020, 2, 29) + EncodeTime(23, 59, 59, 999));
    DS.Post();
    DS.AppendRecord({"two"});
    DS.First();
    EXPECT_EQ(F("S")->AsString(), "one");
    EXPECT_DOUBLE_EQ(F("F")->AsFloat(), 0.1);
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss.zzz", F("DT")->AsDateTime()), "29.02.2020 23:59:59.999");
    DS.Next();
    EXPECT_EQ(F("S")->AsString(), "two");
    EXPECT_TRUE(F("DT")->IsNull());
}

TEST_F(FieldsFixture, ValidationSeesTheNewDateAndTimeValues) {
    struct Case { const char* Field; TDateTime Value; };
    const TDateTime Day = EncodeDate(2016, 3, 5);
    const Case Cases[] = {{"D", Day}, {"T", EncodeTime(13, 45, 10, 0)}, {"DT", Day + EncodeTime(8, 30, 0, 0)}};
    for (const Case& C : Cases) {
        TDateTime Seen = -1;
        F(C.Field)->OnValidate = [&](TField* Sender) { Seen = Sender->AsDateTime(); };
        F(C.Field)->SetAsDateTime(C.Value);
        EXPECT_NEAR(Seen, C.Value, 1e-8) << C.Field;
        EXPECT_NEAR(F(C.Field)->AsDateTime(), C.Value, 1e-8) << C.Field;
        AnsiString Text;
        F(C.Field)->OnValidate = [&](TField* Sender) { Text = Sender->AsString(); };
        F(C.Field)->SetAsDateTime(C.Value);
        EXPECT_EQ(Text, F(C.Field)->AsString()) << C.Field;
    }
}

TEST_F(FieldsFixture, OutOfRangeValuesAreRefusedAndLeaveTheOldValue) {
    auto* I = static_cast<TIntegerField*>(F("I"));
    auto* Fl = static_cast<TFloatField*>(F("F"));
    auto* B = static_cast<TBCDField*>(F("B"));
    F("SM")->SetAsInteger(1);
    I->SetAsInteger(1);
    Fl->SetAsFloat(1);
    B->SetAsFloat(1);
    F("L")->SetAsInteger(1);
    struct Case {
        const char* Field;
        std::function<void()> Set;
        const char* Error;
    };
    const double Inf = std::numeric_limits<double>::infinity();
    const double NaN = std::numeric_limits<double>::quiet_NaN();
    const Case Cases[] = {
        {"SM", [&] { F("SM")->SetAsInteger(-32769); },
         "-32769 is not a valid value for field 'SM'. The allowed range is -32768 to 32767"},
        {"SM", [&] { F("SM")->SetAsFloat(32767.5); },
         "32768 is not a valid value for field 'SM'. The allowed range is -32768 to 32767"},
        {"I", [&] { I->SetAsLargeInt(2147483648LL); },
         "2147483648 is not a valid value for field 'I'. The allowed range is -2147483648 to 2147483647"},
        {"I", [&] { I->SetAsFloat(NaN); }, nullptr},
        {"I", [&] { I->SetAsFloat(-Inf); }, nullptr},
        {"I", [&] { I->SetAsCurrency(Currency::FromScaled(30000000000000LL)); },
         "3000000000 is not a valid value for field 'I'. The allowed range is -2147483648 to 2147483647"},
        {"F", [&] { Fl->SetAsFloat(NaN); }, nullptr},
        {"F", [&] { Fl->SetAsFloat(Inf); }, nullptr},
        {"B", [&] { B->SetAsFloat(1e300); }, nullptr},
        {"B", [&] { B->SetAsFloat(NaN); }, nullptr},
        {"L", [&] { F("L")->SetAsFloat(1e19); }, nullptr},
    };
    for (const Case& C : Cases) {
        AnsiString Before = F(C.Field)->AsString();
        AnsiString Error = MessageOf(C.Set);
        if (C.Error)
            EXPECT_EQ(Error, C.Error) << C.Field;
        else
            EXPECT_NE(Error, "") << C.Field;
        EXPECT_EQ(F(C.Field)->AsString(), Before) << C.Field << " " << Error;
    }
    // Limits of the field narrow the type's own range.
    Fl->SetMinValue(0);
    Fl->SetMaxValue(100);
    EXPECT_EQ(MessageOf([&] { Fl->SetAsFloat(100.5); }),
              "100,5 is not a valid value for field 'F'. The allowed range is 0 to 100");
    B->SetMinValue(Currency::FromScaled(0));
    B->SetMaxValue(Currency::FromScaled(1000000));
    EXPECT_EQ(MessageOf([&] { B->SetAsString("-1"); }),
              "-1 is not a valid value for field 'B'. The allowed range is 0 to 100");
    B->SetAsString("100");
    EXPECT_EQ(B->AsString(), "100");
}

TEST_F(FieldsFixture, VariantValuesConvertToTheFieldType) {
    F("I")->SetAsVariant(Variant("12"));
    EXPECT_EQ(F("I")->AsInteger(), 12);
    F("F")->SetAsVariant(Variant(3));
    EXPECT_DOUBLE_EQ(F("F")->AsFloat(), 3.0);
    F("S")->SetAsVariant(Variant(2.5));
    EXPECT_EQ(F("S")->AsString(), "2,5");
    F("D")->SetAsVariant(VarFromDateTime(EncodeDate(2016, 1, 2)));
    EXPECT_EQ(F("D")->AsString(), "02.01.2016");
    F("BO")->SetAsVariant(Variant(true));
    EXPECT_TRUE(F("BO")->AsBoolean());
    F("I")->SetAsVariant(Variant());   // unassigned clears
    EXPECT_TRUE(F("I")->IsNull());
    EXPECT_THROW(F("I")->SetAsVariant(Variant("abc")), Exception);
    EXPECT_TRUE(F("I")->IsNull());
}

TEST(Fields, WordFieldsTakeZeroTo65535) {
    TMemDataSet DS;
    DS.FieldDefs()->Add("W", ftWord);
    DS.Open();
    DS.Append();
    TField* W = DS.FieldByName("W");
    W->SetAsInteger(65535);
    EXPECT_EQ(W->AsInteger(), 65535);
    EXPECT_THROW(W->SetAsInteger(-1), EDatabaseError);
    EXPECT_THROW(W->SetAsInteger(65536), EDatabaseError);
    EXPECT_EQ(W->AsString(), "65535");
    DS.Post();
    EXPECT_EQ(W->AsInteger(), 65535);
}

TEST(FieldLifetime, FieldDeletedDirectlyLeavesItsDataSet) {
    TComponent Owner(nullptr);
    TMemDataSet DS;
    auto* Field = new TIntegerField(&Owner);
    Field->SetFieldName("ID");
    Field->SetDataSet(&DS);
    ASSERT_EQ(DS.FindField("ID"), Field);
    delete Field;   // the owner and the data set both hear of it
    EXPECT_EQ(DS.FindField("ID"), nullptr);
    EXPECT_EQ(Owner.ComponentCount(), 0);
}
