#include "dbclient/StdFuncs.h"
#include "platform/Raised.h"

#include "platform/data/DB.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Variants.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

TFormatSettings CommaPoint() {
    TFormatSettings fs = TurkishFormatSettings();
    fs.ThousandSeparator = ',';
    fs.DecimalSeparator = '.';
    return fs;
}

TBcd MakeBcd(Integer Scale, Int64 Value) {
    TBcd b;
    CurrToFBBcd(Scale, b, Value);
    return b;
}

// A packed decimal from a digit text ("12345"), places and sign.
TBcd BcdOfDigits(const char* Digits, Integer Places, bool Negative) {
    TBcd b;
    const size_t n = std::strlen(Digits);
    b.Precision = static_cast<Byte>(n);
    b.SignSpecialPlaces = static_cast<Byte>(Places | (Negative ? 0x80 : 0));
    for (size_t i = 0; i < n; ++i) {
        const Byte d = static_cast<Byte>(Digits[i] - '0');
        b.Fraction[i / 2] |= (i % 2 == 0) ? static_cast<Byte>(d << 4) : d;
    }
    return b;
}

// Hands out a packed decimal whose value tells in which state it was read.
class TOldValueDataSet : public TDataSet {
public:
    using TDataSet::TDataSet;
    bool HasData = true;
    std::vector<TDataSetState> Reads;
    bool GetFieldData(TField* Field, void* Buffer) override {
        Reads.push_back(State());
        if (!HasData) return false;
        TBcd b;
        CurrToFBBcd(2, b, State() == dsOldValue ? 150 : 275);
        std::memcpy(Buffer, &b, sizeof b);
        return true;
    }
    using TDataSet::GetFieldData;
};

}  // namespace

TEST(StdFuncs, PowersAndRounding) {
    EXPECT_EQ(PowersOf10[0], 1);
    EXPECT_EQ(PowersOf10[18], 1000000000000000000LL);
    EXPECT_EQ(E10(0), 1.0L);
    EXPECT_EQ(E10(18), 1e18L);
    EXPECT_NEAR(static_cast<double>(E10(-3)), 0.001, 1e-18);

    EXPECT_NEAR(static_cast<double>(RoundExtended(2, 2.125L)), 2.12, 1e-12);   // ties to even
    EXPECT_NEAR(static_cast<double>(RoundExtended(2, 2.375L)), 2.38, 1e-12);
    EXPECT_NEAR(static_cast<double>(RoundExtended(2, -2.375L)), -2.38, 1e-12);
    EXPECT_NEAR(static_cast<double>(RoundExtended(0, 7.5L)), 7.0, 1e-12);    // the fraction alone is rounded
    EXPECT_NEAR(static_cast<double>(RoundExtended(0, 8.5L)), 8.0, 1e-12);
    EXPECT_NEAR(static_cast<double>(RoundExtended(3, 1.23456L)), 1.235, 1e-12);
    // Places far outside the table, and infinities, must not turn into NaN.
    EXPECT_EQ(RoundExtended(400, 2.5L), 2.5L);
    EXPECT_EQ(RoundExtended(-400, 2.5L), 2.0L);
    EXPECT_EQ(RoundExtended(-400, -7.75L), -7.0L);
    const Extended inf = std::numeric_limits<Extended>::infinity();
    EXPECT_EQ(RoundExtended(2, inf), inf);
    EXPECT_EQ(RoundExtended(2, -inf), -inf);
    EXPECT_TRUE(std::isnan(RoundExtended(2, std::numeric_limits<Extended>::quiet_NaN())));
    EXPECT_EQ(RoundExtended(2, 1e30L), 1e30L);

    struct Case { Extended X; Integer Digits; };
    const Case cases[] = {{0.5L, 0}, {0, 0}, {1, 1}, {9, 1}, {10, 2}, {-99.9L, 2}, {100, 3},
                          {999999999999999999.0L, 18}, {1e18L, 19}, {1e20L, 21}};
    for (const Case& c : cases) EXPECT_EQ(IntDigitCount(c.X), c.Digits) << static_cast<double>(c.X);
}

TEST(StdFuncs, ScaledInt64ToStr) {
    struct Case { Integer Scale; Int64 Value; const char* Text; };
    const Case cases[] = {
        {2, 12345, "123.45"}, {2, 100, "1"},      {2, 120, "1.2"},   {2, 0, "0"},
        {3, -5, "-0.005"},    {0, 123, "123"},    {-2, 123, "123"},  {4, 5, "0.0005"},
        {2, -12345, "-123.45"}, {1, 10, "1"},
        {18, std::numeric_limits<Int64>::min(), "-9.223372036854775808"},
        {0, std::numeric_limits<Int64>::min(), "-9223372036854775808"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScaledInt64ToStr(c.Scale, '.', c.Value), c.Text) << c.Scale << " " << c.Value;

    TFormatSettingsGuard guard(TurkishFormatSettings());
    EXPECT_EQ(ScaledInt64ToStrDef(2, 12345), "123,45");
}

TEST(StdFuncs, BcdRoundTrip) {
    struct Case { Integer Scale; Int64 Value; };
    const Case cases[] = {{2, 12345}, {3, -5}, {0, 0}, {0, 7}, {4, -10000},
                          {0, std::numeric_limits<Int64>::max()},
                          {0, std::numeric_limits<Int64>::min()}, {18, 1}};
    for (const Case& c : cases) {
        const TBcd b = MakeBcd(c.Scale, c.Value);
        EXPECT_EQ(b.SignSpecialPlaces & 0x3F, c.Scale);
        EXPECT_GE(b.Precision, c.Scale);
        Int64 v = -1;
        Integer s = -1;
        ASSERT_TRUE(BcdToScaledInt64(b, v, s)) << c.Value;
        EXPECT_EQ(v, c.Value);
        EXPECT_EQ(s, c.Scale);
    }
    EXPECT_EQ(BcdToStrDot(MakeBcd(2, -12345)), "-123.45");
    TFormatSettingsGuard guard(TurkishFormatSettings());
    EXPECT_EQ(BcdToStr(MakeBcd(3, 1500)), "1,5");
}

TEST(StdFuncs, BcdToScaledInt64ReportsOverflowAndBlank) {
    Int64 v = 1;
    Integer s = 0;
    // 9223372036854775808 does not fit as a positive value, only as a negative one.
    EXPECT_FALSE(BcdToScaledInt64(BcdOfDigits("9223372036854775808", 0, false), v, s));
    EXPECT_EQ(v, 0);
    EXPECT_EQ(BcdToStr(BcdOfDigits("9223372036854775808", 0, false)), "");
    EXPECT_TRUE(BcdToScaledInt64(BcdOfDigits("9223372036854775808", 0, true), v, s));
    EXPECT_EQ(v, std::numeric_limits<Int64>::min());
    EXPECT_FALSE(BcdToScaledInt64(BcdOfDigits("123456789012345678901", 2, false), v, s));
    // Leading zeros do not count against the range.
    EXPECT_TRUE(BcdToScaledInt64(BcdOfDigits("0000000000000000000000012", 1, false), v, s));
    EXPECT_EQ(v, 12);
    EXPECT_EQ(s, 1);

    TBcd blank = BcdOfDigits("123", 1, false);
    blank.SignSpecialPlaces |= 0x40;
    EXPECT_TRUE(BcdToScaledInt64(blank, v, s));
    EXPECT_EQ(v, 0);

    TBcd bad = BcdOfDigits("12", 0, false);
    bad.Fraction[0] = 0x1C;   // a nibble above 9
    EXPECT_FALSE(BcdToScaledInt64(bad, v, s));
    Extended e;
    EXPECT_FALSE(BcdToExtended(bad, e));
}

TEST(StdFuncs, BcdToExtended) {
    Extended e = 0;
    ASSERT_TRUE(BcdToExtended(MakeBcd(2, -12345), e));
    EXPECT_NEAR(static_cast<double>(e), -123.45, 1e-12);
    // Wider than 64 bits still converts.
    ASSERT_TRUE(BcdToExtended(BcdOfDigits("123456789012345678901", 1, false), e));
    EXPECT_NEAR(static_cast<double>(e / 1e19L), 1.23456789012345678901, 1e-12);
}

TEST(StdFuncs, CompareBcdIsExact) {
    EXPECT_EQ(CompareBcd(MakeBcd(2, 100), MakeBcd(0, 1)), 0);         // 1.00 = 1
    EXPECT_EQ(CompareBcd(MakeBcd(2, -150), MakeBcd(1, -15)), 0);
    EXPECT_EQ(CompareBcd(MakeBcd(0, 0), MakeBcd(3, 0)), 0);
    EXPECT_EQ(CompareBcd(MakeBcd(2, 12345), MakeBcd(2, 12346)), -1);
    EXPECT_EQ(CompareBcd(MakeBcd(2, 12346), MakeBcd(2, 12345)), 1);
    EXPECT_EQ(CompareBcd(MakeBcd(0, -1), MakeBcd(0, 1)), -1);
    EXPECT_EQ(CompareBcd(MakeBcd(0, -2), MakeBcd(0, -1)), -1);
    EXPECT_EQ(CompareBcd(MakeBcd(1, 5), MakeBcd(0, 0)), 1);
    // These differ in the last of 19 digits, which a double cannot tell apart.
    EXPECT_EQ(CompareBcd(MakeBcd(0, 9007199254740993LL * 100 + 1), MakeBcd(0, 9007199254740993LL * 100)), 1);
    EXPECT_EQ(CompareBcd(MakeBcd(18, 1000000000000000001LL), MakeBcd(18, 1000000000000000000LL)), 1);
    // Negative zero equals zero.
    EXPECT_EQ(CompareBcd(BcdOfDigits("000", 2, true), MakeBcd(0, 0)), 0);
}

TEST(StdFuncs, StrToComp) {
    TFormatSettingsGuard guard(TurkishFormatSettings());
    EXPECT_EQ(StrToComp("123"), 123);
    EXPECT_EQ(StrToComp("-2,5"), -2);      // ties to even
    EXPECT_EQ(StrToComp("3,5"), 4);
    EXPECT_EQ(StrToComp("9223372036854775807"), std::numeric_limits<Int64>::max());
    EXPECT_EQ(StrToComp("-9223372036854775808"), std::numeric_limits<Int64>::min());
    for (const char* bad : {"", "abc", "1.5.5", "9223372036854775808", "1E30", "-1E19"}) {
        EXPECT_EQ(MessageOf<EConvertError>([&] { StrToComp(bad); }), "Invalid comp value") << "no error for " << bad;
    }
}

TEST(StdFuncs, FormatFloatScaled) {
    TFormatSettingsGuard guard(CommaPoint());
    struct Case { const char* Fmt; Integer D; Extended X; const char* Text; };
    const Case cases[] = {
        {"#,##0.00", 2, -0.9999L, "-1.00"},
        {"#,##0.00", 2, -0.999L, "-1.00"},
        {"#,##0.00", 2, 1234.5L, "1,234.50"},
        {"#,##0.00", 2, -0.5L, "-0.50"},
        {"#,##0.00", 4, 2.12345L, "2.12"},
        {"#,##0.00", 4, 2.12355L, "2.12"},     // .1236 rounds to .12
        {"#,##0.00", 4, 2.99999L, "3.00"},
        {"0.##", 2, 1.5L, "1.5"},
        {"0.##", 2, 2.0001L, "2"},
        {"0.0000", 2, 1.25L, "1.2500"},
        {"0", 2, 12.75L, "13"},                // without decimals the fraction rounds, halves away from 0
        {"#,##0", 0, 1234.4L, "1,234"},
        {"#,##0", 2, 1.99L, "2"},
        {"#,##0", 2, 1234.5L, "1,235"},
        {"#,##0", 2, -0.6L, "-1"},
        {"#,##0", 2, -0.4L, "0"},
        {"0;(0)", 2, -2.5L, "(3)"},
        {"0.00' kWh'", 2, 3.1L, "3.10 kWh"},
        {"0.00;(0.00)", 2, -3.1L, "(3.10)"},
        {"0.00;(0.00)", 2, 3.1L, "3.10"},
        {"0.00; ", 2, -3.1L, "-3.10"},
        {"0.00", 2, 0, "0.00"},
        {"0.000", 3, 123456789012.345L, "123456789012.345"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatFloatScaled(c.Fmt, c.D, c.X), c.Text) << c.Fmt << " " << static_cast<double>(c.X);
    EXPECT_EQ(FormatFloatScaled("0.00E+00", 2, 1234.5L), FormatFloat("0.00E+00", 1234.5L));
}

TEST(StdFuncs, PackAndTimeStamps) {
    Int64 v = 0;
    PackInt64(1, 2, v);
    EXPECT_EQ(v, (Int64(1) << 32) | 2);
    PackInt64(0xFFFFFFFFu, 0xFFFFFFFFu, v);
    EXPECT_EQ(v, -1);

    TTimeStamp stamp;
    stamp.Date = 0;
    stamp.Time = MSecsPerDay / 2;
    EXPECT_DOUBLE_EQ(TimeStampToDateTimeEx(stamp), 0.5);
    stamp.Date = DateDelta + 1;   // the day after 1899-12-30
    stamp.Time = MSecsPerDay / 4;
    EXPECT_DOUBLE_EQ(TimeStampToDateTimeEx(stamp), 1.25);
    EXPECT_DOUBLE_EQ(DateIntToDateTime(DateDelta), 0.0);
    EXPECT_DOUBLE_EQ(DateIntToDateTime(0), 0.0);
}

TEST(StdFuncs, CmpFullNameAndLoading) {
    TComponent module(nullptr);
    module.SetName("dmodule1");
    auto* db = new TComponent(&module);
    db->SetName("FBDbase1");
    EXPECT_EQ(CmpFullName(db), "dmodule1.FBDbase1");
    EXPECT_EQ(CmpFullName(&module), "dmodule1");
    EXPECT_EQ(CmpFullName(nullptr), "");

    TComponent form(nullptr);   // unnamed
    auto* query = new TComponent(&form);
    query->SetName("Query1");
    EXPECT_EQ(CmpFullName(query), "Query1");
    auto* inner = new TComponent(query);
    EXPECT_EQ(CmpFullName(inner), "Query1");

    EXPECT_FALSE(HasLoadingOwner(db));
    EXPECT_FALSE(HasLoadingOwner(nullptr));
    module.BeginLoading();
    EXPECT_TRUE(HasLoadingOwner(db));
    EXPECT_TRUE(HasLoadingOwner(&module));
    module.EndLoading();
    EXPECT_FALSE(HasLoadingOwner(db));
}

TEST(StdFuncs, WordsBitsAndSmallHelpers) {
    for (const char* w : {"CURRENT_TIME", "CURRENT_TIMESTAMP", "CURRENT_DATE", "NULL", "NOW", "TODAY",
                          "TOMORROW", "YESTERDAY"})
        EXPECT_TRUE(IsSQLConstantWord(w)) << w;
    for (const char* w : {"now", "CURRENT_USER", "", "NOW "}) EXPECT_FALSE(IsSQLConstantWord(w)) << w;

    // Bits count from 1 at the lowest; numbers outside 1..8 touch nothing.
    EXPECT_TRUE(IsBitSet(0x80, 8));
    EXPECT_FALSE(IsBitSet(0x80, 7));
    EXPECT_FALSE(IsBitSet(0xFF, 9));
    EXPECT_EQ(ToggleBit(0x81, 1), 0x80);
    EXPECT_EQ(ToggleBit(0x81, 9), 0x81);

    for (Integer n : {0, 1, 10, 25}) {
        const AnsiString s = RandomDigits(n);
        EXPECT_EQ(s.size(), static_cast<size_t>(n));
        EXPECT_EQ(s.find_first_not_of("0123456789"), AnsiString::npos);
    }
    EXPECT_EQ(RandomDigits(-1), "");
}

TEST(StdFuncs, VariantArrayToStream) {
    Variant arr = VarArrayCreate({0, 2}, varInteger);
    for (Integer i = 0; i <= 2; ++i) VarArrayPut(arr, Variant(Integer(10 + i)), {i});
    TMemoryStream stream;
    stream.Write("garbage-that-is-longer", 22);
    EXPECT_EQ(VariantArrayToStream(arr, &stream), 12);
    ASSERT_EQ(stream.Size(), 12);
    Integer values[3] = {};
    stream.SetPosition(0);
    stream.ReadBuffer(values, sizeof values);
    EXPECT_EQ(values[0], 10);
    EXPECT_EQ(values[2], 12);

    EXPECT_EQ(VariantArrayToStream(Variant(Integer(5)), &stream), 0);
    EXPECT_EQ(VariantArrayToStream(arr, nullptr), 0);
}

TEST(StdFuncs, GetFieldOldDataSwitchesStateForTheRead) {
    TOldValueDataSet ds(nullptr);
    TField field(nullptr);
    field.SetDataSet(&ds);
    TFormatSettingsGuard guard(TurkishFormatSettings());

    Variant v;
    EXPECT_TRUE(GetFieldOldValue(&field, true, v));
    EXPECT_EQ(VarToStr(v), "1,5");
    EXPECT_TRUE(GetFieldOldValue(&field, false, v));
    EXPECT_EQ(VarToStr(v), "2,75");
    ASSERT_EQ(ds.Reads.size(), 2u);
    EXPECT_EQ(ds.Reads[0], dsOldValue);
    EXPECT_EQ(ds.Reads[1], dsInactive);
    EXPECT_EQ(ds.State(), dsInactive);   // switched back

    ds.HasData = false;
    EXPECT_FALSE(GetFieldOldValue(&field, true, v));
    EXPECT_TRUE(v.IsNull());
    EXPECT_EQ(ds.State(), dsInactive);

    TField orphan(nullptr);
    EXPECT_FALSE(GetFieldOldValue(&orphan, true, v));
    EXPECT_TRUE(v.IsNull());
    field.SetDataSet(nullptr);
}
