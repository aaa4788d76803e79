#include "platform/rtl/Variants.h"
#include "platform/Raised.h"

#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <thread>
#include <vector>

namespace {

class VariantTest : public ::testing::Test {
protected:
    TFormatSettingsGuard FGuard{TurkishFormatSettings()};
};

TEST_F(VariantTest, ConstructorsPickTheFrameworkTypeCodes)
{
    struct Case { Variant V; TVarType Type; };
    const Case cases[] = {
        {Variant(), varEmpty},
        {Null(), varNull},
        {Variant(true), varBoolean},
        {Variant(ShortInt(-5)), varShortInt},
        {Variant(Byte(5)), varByte},
        {Variant(SmallInt(5)), varSmallint},
        {Variant(Word(5)), varWord},
        {Variant(5), varInteger},
        {Variant(5u), varLongWord},
        {Variant(Int64(5)), varInt64},
        {Variant(1.5f), varSingle},
        {Variant(1.5), varDouble},
        {Variant(Currency::FromScaled(15000)), varCurrency},
        {VarFromDateTime(42000.5), varDate},
        {Variant("abc"), varString},
        {Variant(AnsiString("abc")), varString},
        {Variant(u"abc"), varOleStr},
        {Variant::FromError(7), varError},
        {VarArrayCreate({0, 1}, varInteger), TVarType(varArray | varInteger)},
    };
    for (const Case& c : cases) EXPECT_EQ(VarType(c.V), c.Type) << VarTypeAsText(c.Type);
}

TEST_F(VariantTest, NumericMeansOrdinalOrFloat)
{
    EXPECT_TRUE(VarIsNumeric(Variant(true)));  // Boolean is ordinal on this platform
    EXPECT_TRUE(VarIsNumeric(Variant(Currency())));
    EXPECT_FALSE(VarIsNumeric(VarFromDateTime(1)));
    EXPECT_FALSE(VarIsNumeric(Variant("1")));
    EXPECT_TRUE(VarIsType(Variant(1), {varSmallint, varInteger}));
}

TEST_F(VariantTest, NullConvertsToNothingButNull)
{
    const Variant n = Null();
    const std::pair<std::function<void()>, const char*> Refused[] = {
        {[&] { (void)n.AsInteger(); }, "Integer"},  {[&] { (void)n.AsDouble(); }, "Double"},
        {[&] { (void)n.AsString(); }, "String"},    {[&] { (void)n.AsBoolean(); }, "Boolean"},
        {[&] { (void)n.AsDateTime(); }, "Date"},    {[&] { (void)VarAsType(n, varInteger); }, "Integer"},
    };
    for (const auto& [Op, Type] : Refused)
        EXPECT_EQ(MessageOf<EVariantError>(Op), AnsiString("Could not convert variant of type (Null) into type (") + Type + ")");
    EXPECT_TRUE(VarIsNull(VarAsType(n, varNull)));
    EXPECT_EQ(VarToStr(n), "");
    EXPECT_EQ(VarToStrDef(n, "yok"), "yok");
    EXPECT_EQ(VarToStrDef(Variant(3), "yok"), "3");
}

TEST_F(VariantTest, EmptyConvertsToZeroAndEmptyText)
{
    const Variant e;
    EXPECT_EQ(e.AsInteger(), 0);
    EXPECT_EQ(e.AsDouble(), 0.0);
    EXPECT_EQ(e.AsString(), "");
    EXPECT_FALSE(e.AsBoolean());
    EXPECT_EQ(e.AsCurrency(), Currency());
    EXPECT_EQ(VarToStr(e), "");
}

TEST_F(VariantTest, BooleansAreMinusOneAndZeroAndTrueFalseText)
{
    EXPECT_EQ(Variant(true).AsInteger(), -1);
    EXPECT_EQ(Variant(false).AsInteger(), 0);
    EXPECT_EQ(Variant(true).AsDouble(), -1.0);
    EXPECT_EQ(Variant(true).AsString(), "True");
    EXPECT_EQ(Variant(false).AsString(), "False");
    EXPECT_TRUE(Variant("TRUE").AsBoolean());
    EXPECT_FALSE(Variant("false").AsBoolean());
    EXPECT_TRUE(Variant("2").AsBoolean());
    EXPECT_EQ(Variant("True").AsInteger(), -1);
}

TEST_F(VariantTest, TextToNumberUsesTheCurrentDecimalSeparator)
{
    EXPECT_DOUBLE_EQ(Variant("1,5").AsDouble(), 1.5);
    EXPECT_EQ(Variant(" 42 ").AsInteger(), 42);
    EXPECT_EQ(Variant("$FF").AsInteger(), 255);
    EXPECT_EQ(Variant("2,5").AsInteger(), 2);  // half to even
    EXPECT_EQ(Variant("3,5").AsInteger(), 4);
    EXPECT_EQ(Variant(u"7").AsInt64(), 7);
    EXPECT_EQ(Variant("12,3456").AsCurrency(), Currency::FromScaled(123456));
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)Variant("abc").AsDouble(); }),
              "Could not convert variant of type (String) into type (Double)");
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)Variant("abc").AsInteger(); }),
              "Could not convert variant of type (String) into type (Integer)");
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)Variant(u"x").AsCurrency(); }),
              "Could not convert variant of type (OleStr) into type (Currency)");
}

TEST_F(VariantTest, NumbersAndDatesToText)
{
    EXPECT_EQ(Variant(1.5).AsString(), "1,5");
    EXPECT_EQ(Variant(0.1f).AsString(), "0,1");  // a Single keeps its own precision
    EXPECT_EQ(Variant(-12).AsString(), "-12");
    EXPECT_EQ(Variant(Int64(1) << 40).AsString(), "1099511627776");
    EXPECT_EQ(Variant(Currency::FromScaled(12345)).AsString(), "1,2345");
    EXPECT_EQ(VarFromDateTime(EncodeDate(2016, 1, 5)).AsString(), "05.01.2016");
    EXPECT_EQ(Variant("ğüş").AsWideString(), u"ğüş");
    EXPECT_EQ(Variant(u"İı").AsString(), "İı");
}

TEST_F(VariantTest, TextToDate)
{
    EXPECT_DOUBLE_EQ(Variant("05.01.2016").AsDateTime(), EncodeDate(2016, 1, 5));
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)Variant("nope").AsDateTime(); }),
              "Could not convert variant of type (String) into type (Date)");
}

TEST_F(VariantTest, FloatToIntegerRoundsHalfToEvenAndChecksRange)
{
    EXPECT_EQ(Variant(2.5).AsInteger(), 2);
    EXPECT_EQ(Variant(-2.5).AsInteger(), -2);
    EXPECT_EQ(Variant(2.6).AsInteger(), 3);
    EXPECT_EQ(Variant(Currency::FromScaled(25000)).AsInteger(), 2);
    EXPECT_EQ(Variant(Currency::FromScaled(35000)).AsInteger(), 4);
    EXPECT_EQ(Variant(Currency::FromScaled(-15001)).AsInteger(), -2);
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)Variant(3e10).AsInteger(); }), "Variant overflow");
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)Variant(Int64(1) << 40).AsInteger(); }), "Variant overflow");
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)Variant(1e300).AsCurrency(); }), "Variant overflow");
    EXPECT_EQ(Variant(1.23456).AsCurrency(), Currency::FromScaled(12346));
}

TEST_F(VariantTest, VarAsTypeConvertsAndChecksTheTargetRange)
{
    EXPECT_EQ(VarType(VarAsType(Variant("12"), varInteger)), varInteger);
    EXPECT_EQ(VarAsType(Variant("12"), varInteger).AsInteger(), 12);
    EXPECT_EQ(VarType(VarAsType(Variant(3), varString)), varString);
    EXPECT_EQ(VarType(VarAsType(Variant(3), varOleStr)), varOleStr);
    EXPECT_EQ(VarType(VarAsType(Variant(3.0), varDate)), varDate);
    EXPECT_EQ(VarAsType(Variant(255), varByte).AsInteger(), 255);
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)VarAsType(Variant(300), varByte); }), "Variant overflow");
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)VarAsType(Variant(-1), varWord); }), "Variant overflow");
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)VarAsType(Variant(1e40), varSingle); }), "Variant overflow");
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)VarAsType(Variant("x"), varSmallint); }),
              "Could not convert variant of type (String) into type (Smallint)");
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)VarAsType(VarArrayOf({1}), varInteger); }),
              "Invalid variant type conversion");
    EXPECT_TRUE(VarIsEmpty(VarAsType(Variant(5), varEmpty)));
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)VarArrayOf({1}).AsInteger(); }),
              "Could not convert variant of type (Array Variant) into type (Integer)");
}

TEST_F(VariantTest, ComparisonFollowsTheFrameworkRules)
{
    struct Case { Variant A, B; int Expected; };  // sign of A compared with B
    const Case cases[] = {
        {Variant(2), Variant(2.0), 0},
        {Variant(2), Variant(2.5), -1},
        {Variant(Int64(9007199254740993)), Variant(Int64(9007199254740992)), 1},  // exact beyond double
        {Variant(Int64(9007199254740993)), Variant(9007199254740992.0), 1},
        {Variant(Currency::FromScaled(20000)), Variant(2), 0},
        {Variant(Currency::FromScaled(20001)), Variant(2), 1},
        {Variant(Byte(200)), Variant(ShortInt(-1)), 1},
        {Variant("10"), Variant(9), 1},      // numerically, not as text
        {Variant("abc"), Variant("abd"), -1},
        {Variant("çay"), Variant("dere"), -1},  // Turkish alphabet: ç before d
        {Variant("cam"), Variant("çay"), -1},
        {Variant(u"abc"), Variant("abc"), 0},
        {Variant(false), Variant(true), -1},
        {Variant(true), Variant("True"), 0},
        {VarFromDateTime(10), Variant(10), 0},
        {VarFromDateTime(EncodeDate(2016, 1, 5)), Variant("05.01.2016"), 0},
        {Null(), Null(), 0},
        {Null(), Variant(-5), -1},
        {Variant(""), Null(), 1},
        {Variant(), Variant(), 0},
        {Variant(), Variant(0), 0},
        {Variant(), Variant(""), 0},
        {Variant(), Variant("a"), -1},
        {Variant(), Variant(-1), 1},
    };
    for (const Case& c : cases) {
        const AnsiString what = VarTypeAsText(VarType(c.A)) + " vs " + VarTypeAsText(VarType(c.B));
        EXPECT_EQ(c.A == c.B, c.Expected == 0) << what;
        EXPECT_EQ(c.A != c.B, c.Expected != 0) << what;
        EXPECT_EQ(c.A < c.B, c.Expected < 0) << what;
        EXPECT_EQ(c.A > c.B, c.Expected > 0) << what;
        EXPECT_EQ(c.A <= c.B, c.Expected <= 0) << what;
        EXPECT_EQ(c.A >= c.B, c.Expected >= 0) << what;
    }
}

TEST_F(VariantTest, ValuesWithoutOrderRaise)
{
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)(Variant("abc") == Variant(1)); }),
              "Could not convert variant of type (String) into type (Double)");
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)(VarArrayOf({1}) == VarArrayOf({1})); }), "Invalid variant operation");
    EXPECT_FALSE(MessageOf<EVariantError>([] { (void)(Variant(std::nan("")) < Variant(1)); }).empty());
}

TEST_F(VariantTest, VarCompareValue)
{
    EXPECT_EQ(VarCompareValue(Variant(1), Variant(2)), vrLessThan);
    EXPECT_EQ(VarCompareValue(Variant("b"), Variant("a")), vrGreaterThan);
    EXPECT_EQ(VarCompareValue(Variant(1), Variant(1.0)), vrEqual);
    EXPECT_EQ(VarCompareValue(Null(), Variant(1)), vrNotEqual);
    EXPECT_EQ(VarCompareValue(Null(), Null()), vrEqual);
}

TEST_F(VariantTest, Arithmetic)
{
    EXPECT_EQ(VarType(Variant(2) + Variant(3)), varInteger);
    EXPECT_EQ((Variant(2) + Variant(3)).AsInteger(), 5);
    const Variant big = Variant(INT_MAX) + Variant(1);  // widens instead of wrapping
    EXPECT_EQ(VarType(big), varInt64);
    EXPECT_EQ(big.AsInt64(), Int64(INT_MAX) + 1);
    EXPECT_EQ(VarType(-Variant(INT_MIN)), varInt64);
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)(Variant(INT64_MAX) + Variant(1)); }), "Variant overflow");
    EXPECT_TRUE(VarIsNull(Variant(1) + Null()));
    EXPECT_TRUE(VarIsNull(Null() * Variant("x")));
    EXPECT_TRUE(VarIsNull(-Null()));
    EXPECT_EQ((Variant("ab") + Variant("cd")).AsString(), "abcd");
    EXPECT_EQ(VarType(Variant("ab") + Variant(u"cd")), varOleStr);
    EXPECT_EQ((Variant() + Variant("x")).AsString(), "x");
    EXPECT_DOUBLE_EQ((Variant("1,5") + Variant(1)).AsDouble(), 2.5);
    EXPECT_EQ((Variant() + Variant(4)).AsInteger(), 4);
    EXPECT_DOUBLE_EQ((Variant(7) / Variant(2)).AsDouble(), 3.5);
    EXPECT_EQ(VarType(Variant(6) / Variant(2)), varDouble);
    EXPECT_EQ((Variant(7) % Variant(3)).AsInteger(), 1);
    EXPECT_EQ((Variant(-7) % Variant(3)).AsInteger(), -1);
    EXPECT_EQ((Variant(INT64_MIN) % Variant(-1)).AsInt64(), 0);
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)(Variant(1) / Variant(0)); }), "Division by zero");
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)(Variant(1) % Variant(0)); }), "Division by zero");
    const Variant c = Variant(Currency::FromScaled(1)) + Variant(2);
    EXPECT_EQ(VarType(c), varCurrency);
    EXPECT_EQ(c.AsCurrency(), Currency::FromScaled(20001));
    EXPECT_EQ((Variant(Currency::FromScaled(15000)) * Variant(3)).AsCurrency(), Currency::FromScaled(45000));
    const Variant d = VarFromDateTime(10.5) + Variant(1);
    EXPECT_EQ(VarType(d), varDate);
    EXPECT_DOUBLE_EQ(d.AsDateTime(), 11.5);
    EXPECT_DOUBLE_EQ((Variant(1.5) * Variant(2)).AsDouble(), 3.0);
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)(VarArrayOf({1}) + Variant(1)); }), "Invalid variant operation");
}

TEST_F(VariantTest, CopiesAreIndependentAndMovesLeaveEmpty)
{
    Variant a("text");
    Variant b = a;
    b = Variant("other");
    EXPECT_EQ(a.AsString(), "text");
    Variant c = std::move(a);
    EXPECT_EQ(c.AsString(), "text");
    EXPECT_TRUE(VarIsEmpty(a));  // NOLINT: moved-from state is specified
    c = c;
    EXPECT_EQ(c.AsString(), "text");
    c.Clear();
    EXPECT_TRUE(VarIsEmpty(c));

    Variant arr = VarArrayOf({1, "x"});
    Variant copy = arr;
    VarArrayPut(copy, Variant(99), {0});
    EXPECT_EQ(VarArrayGet(arr, {0}).AsInteger(), 1);
    EXPECT_EQ(VarArrayGet(copy, {0}).AsInteger(), 99);

    // Arrays inside arrays are copied too.
    Variant outer = VarArrayOf({VarArrayOf({1, 2})});
    Variant outerCopy = outer;
    Variant inner = VarArrayGet(outerCopy, {0});
    VarArrayPut(inner, Variant(7), {0});
    VarArrayPut(outerCopy, inner, {0});
    EXPECT_EQ(VarArrayGet(VarArrayGet(outer, {0}), {0}).AsInteger(), 1);
}

TEST_F(VariantTest, TextCopiesShareOneTextThatOutlivesTheOriginal)
{
    Variant a(AnsiString(100, 'x'));
    Variant b = a;
    ASSERT_NE(a.StringPtr(), nullptr);
    EXPECT_EQ(a.StringPtr(), b.StringPtr());
    a = Variant(1.5);
    EXPECT_EQ(a.StringPtr(), nullptr);
    EXPECT_EQ(b.AsString(), AnsiString(100, 'x'));
    Variant c = b;
    b.Clear();
    EXPECT_EQ(*c.StringPtr(), AnsiString(100, 'x'));

    // Only varString texts are lent; bytes from a view keep NULs and high bytes.
    EXPECT_EQ(Variant(u"wide").StringPtr(), nullptr);
    EXPECT_EQ(Variant().StringPtr(), nullptr);
    EXPECT_EQ(Variant::Null().StringPtr(), nullptr);
    Variant v(std::string_view("a\0\xDE", 3));
    EXPECT_EQ(v.VType(), varString);
    EXPECT_EQ(v.AsString(), AnsiString("a\0\xDE", 3));
    EXPECT_EQ(Variant(std::string_view()).AsString(), "");
}

TEST_F(VariantTest, TextsAroundTheInPlaceLengthKeepEveryByteThroughCopiesMovesAndArrays)
{
    // 13 bytes fit inside the variant, 14 are held apart; both behave alike.
    for (size_t Len : {size_t(0), size_t(1), size_t(5), size_t(6), size_t(12), size_t(13), size_t(14), size_t(40)}) {
        AnsiString Text;
        for (size_t I = 0; I < Len; ++I) Text += static_cast<char>(I % 3 == 0 ? '\0' : 0xDD - I);
        Variant Built[] = {Variant(std::string_view(Text)), Variant(Text), Variant(AnsiString(Text))};
        for (Variant& V : Built) {
            ASSERT_EQ(V.VType(), varString) << Len;
            EXPECT_EQ(V.AsString(), Text) << Len;
            EXPECT_EQ(V.StringView(), std::string_view(Text)) << Len;
            EXPECT_EQ(V.StringPtr() != nullptr, Len > 13) << Len;
            Variant Copy = V;
            Variant Moved = std::move(V);
            EXPECT_TRUE(V.IsEmpty());
            EXPECT_EQ(V.StringView(), std::string_view());
            EXPECT_EQ(Moved.AsString(), Text) << Len;
            Moved = Variant(2.5);  // a number over a text leaves nothing of it
            EXPECT_EQ(Moved.AsDouble(), 2.5);
            EXPECT_EQ(Moved.StringView(), std::string_view());
            Moved = Copy;
            EXPECT_TRUE(Moved == Copy) << Len;
            Variant Arr = VarArrayOf({Copy, Variant(1)});
            Variant ArrCopy = Arr;
            Copy.Clear();
            EXPECT_EQ(VarArrayGet(ArrCopy, {0}).AsString(), Text) << Len;
        }
    }
    // A short text over a long one and back, as a cell rewritten in place.
    Variant V(AnsiString(30, 'L'));
    V = Variant("short");
    EXPECT_EQ(V.AsString(), "short");
    V = Variant(AnsiString(30, 'M'));
    EXPECT_EQ(V.AsString(), AnsiString(30, 'M'));
    EXPECT_EQ(Variant('c').AsString(), "c");
    EXPECT_EQ(Variant(static_cast<const char*>(nullptr)).StringView(), "");
    EXPECT_EQ(Variant(1.5).StringView(), std::string_view());
    EXPECT_TRUE(Variant("abc") < Variant(AnsiString(20, 'b')));
}

TEST_F(VariantTest, ScalarCopiesKeepTypeAndValue)
{
    const Variant Values[] = {Variant(),          Variant::Null(),         Variant(true),
                              Variant(2.5),       Variant(-7),             Variant(Currency::FromScaled(12345)),
                              Variant(1.25f),     Variant::FromError(2042), VarFromDateTime(45000.5),
                              Variant(Int64(1) << 40)};
    for (const Variant& V : Values) {
        Variant Copy(V);
        EXPECT_EQ(Copy.VType(), V.VType());
        if (V.VType() == varError) {
            EXPECT_EQ(Copy.AsError(), V.AsError());
        } else if (!V.IsNull()) {
            EXPECT_TRUE(Copy == V) << VarToStr(V);
        }
    }
}

TEST_F(VariantTest, TextCopiedAndDroppedOnManyThreadsAtOnceStaysWhole)
{
    const Variant Shared(AnsiString(64, 'q'));
    std::atomic<int> Bad{0};
    std::vector<std::thread> Threads;
    for (int T = 0; T < 4; ++T)
        Threads.emplace_back([&] {
            for (int I = 0; I < 20000; ++I) {
                Variant Copy = Shared;
                Variant Second = Copy;
                if (Second.StringPtr()->size() != 64) ++Bad;
            }
        });
    for (auto& Th : Threads) Th.join();
    EXPECT_EQ(Bad.load(), 0);
    EXPECT_EQ(Shared.AsString(), AnsiString(64, 'q'));
}

TEST_F(VariantTest, ArrayBoundsAndElementAccess)
{
    Variant a = VarArrayCreate({1, 2, -1, 1}, varVariant);
    EXPECT_EQ(VarArrayDimCount(a), 2);
    EXPECT_EQ(VarArrayLowBound(a, 1), 1);
    EXPECT_EQ(VarArrayHighBound(a, 1), 2);
    EXPECT_EQ(VarArrayLowBound(a, 2), -1);
    EXPECT_EQ(VarArrayHighBound(a, 2), 1);
    EXPECT_TRUE(VarIsEmpty(VarArrayGet(a, {2, 1})));
    VarArrayPut(a, Variant("x"), {2, -1});
    EXPECT_EQ(VarArrayGet(a, {2, -1}).AsString(), "x");

    const std::string bad = "Variant or safe array index out of bounds";
    EXPECT_EQ(MessageOf<EVariantError>([&] { (void)VarArrayGet(a, {3, 0}); }), bad);
    EXPECT_EQ(MessageOf<EVariantError>([&] { (void)VarArrayGet(a, {1, 2}); }), bad);
    EXPECT_EQ(MessageOf<EVariantError>([&] { (void)VarArrayGet(a, {1}); }), bad);
    EXPECT_EQ(MessageOf<EVariantError>([&] { (void)VarArrayGet(a, {1, 0, 0}); }), bad);
    EXPECT_EQ(MessageOf<EVariantError>([&] { (void)VarArrayHighBound(a, 3); }), bad);
    EXPECT_EQ(MessageOf<EVariantError>([&] { (void)VarArrayLowBound(a, 0); }), bad);
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)VarArrayGet(Variant(1), {0}); }), "Invalid variant argument");
    EXPECT_EQ(VarArrayDimCount(Variant(1)), 0);

    const Variant of = VarArrayOf({1, "a", Null()});
    EXPECT_EQ(VarType(of), varArray | varVariant);
    EXPECT_EQ(VarArrayLowBound(of, 1), 0);
    EXPECT_EQ(VarArrayHighBound(of, 1), 2);
    EXPECT_EQ(of[1].AsString(), "a");
    EXPECT_TRUE(VarIsNull(of[2]));
    EXPECT_EQ(VarArrayHighBound(VarArrayOf({}), 1), -1);
}

TEST_F(VariantTest, ArrayCreationRefusesBadShapesAndTypes)
{
    const std::string err = "Error creating variant or safe array";
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)VarArrayCreate({0, 1, 2}, varInteger); }), err);
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)VarArrayCreate({}, varInteger); }), err);
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)VarArrayCreate({5, 3}, varInteger); }), err);
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)VarArrayCreate({0, 1}, varString); }), err);
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)VarArrayCreate({0, 1}, varNull); }), err);
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)VarArrayCreate({0, 100000, 0, 100000}, varDouble); }), err);
    std::vector<Integer> b16, b17;
    for (int i = 0; i < 16; ++i) b16.insert(b16.end(), {0, 0});
    b17 = b16;
    b17.insert(b17.end(), {0, 0});
    EXPECT_EQ(VarArrayDimCount(VarArrayCreate(b16, varByte)), 16);
    EXPECT_EQ(MessageOf<EVariantError>([&] { (void)VarArrayCreate(b17, varByte); }), err);
    // An empty dimension (high = low - 1) is allowed.
    EXPECT_EQ(VarArrayCreate({1, 0}, varInteger).ArrayPtr()->ElementCount(), 0);
}

TEST_F(VariantTest, TypedElementsAreConvertedOnPutAndKeptOnFailure)
{
    Variant a = VarArrayCreate({0, 2}, varInteger);
    VarArrayPut(a, Variant("12"), {0});
    VarArrayPut(a, Variant(2.5), {1});
    EXPECT_EQ(VarType(VarArrayGet(a, {0})), varInteger);
    EXPECT_EQ(VarArrayGet(a, {0}).AsInteger(), 12);
    EXPECT_EQ(VarArrayGet(a, {1}).AsInteger(), 2);
    EXPECT_FALSE(MessageOf<EVariantError>([&] { VarArrayPut(a, Variant("x"), {0}); }).empty());
    EXPECT_FALSE(MessageOf<EVariantError>([&] { VarArrayPut(a, Null(), {0}); }).empty());
    EXPECT_EQ(VarArrayGet(a, {0}).AsInteger(), 12);

    Variant b = VarArrayCreate({0, 1}, varByte);
    EXPECT_EQ(MessageOf<EVariantError>([&] { VarArrayPut(b, Variant(256), {0}); }), "Variant overflow");

    struct Case { TVarType Type; Variant In; };
    const Case cases[] = {
        {varSmallint, Variant(-300)}, {varSingle, Variant(1.5)},       {varDouble, Variant(2.25)},
        {varCurrency, Variant("1,5")}, {varDate, VarFromDateTime(3.5)}, {varOleStr, Variant("ş")},
        {varBoolean, Variant(true)},  {varShortInt, Variant(-7)},      {varWord, Variant(65535)},
        {varLongWord, Variant(4000000000u)}, {varInt64, Variant(Int64(1) << 50)},
        {varError, Variant::FromError(5)},
    };
    for (const Case& c : cases) {
        Variant arr = VarArrayCreate({0, 0}, c.Type);
        VarArrayPut(arr, c.In, {0});
        const Variant out = VarArrayGet(arr, {0});
        EXPECT_EQ(VarType(out), c.Type) << VarTypeAsText(c.Type);
        EXPECT_TRUE(out == VarAsType(c.In, c.Type) || c.Type == varError) << VarTypeAsText(c.Type);
    }
}

TEST_F(VariantTest, LockGivesContiguousDataFirstIndexFastest)
{
    Variant a = VarArrayCreate({1, 2, 1, 3}, varInteger);
    for (int i = 1; i <= 2; ++i)
        for (int j = 1; j <= 3; ++j) VarArrayPut(a, Variant(i * 10 + j), {i, j});
    EXPECT_EQ(VarArrayElementSize(a), 4);
    const auto* data = static_cast<const Integer*>(VarArrayLock(a));
    const Integer expected[] = {11, 21, 12, 22, 13, 23};
    EXPECT_EQ(std::memcmp(data, expected, sizeof expected), 0);
    VarArrayUnlock(a);

    Variant flags = VarArrayCreate({0, 1}, varBoolean);
    VarArrayPut(flags, Variant(true), {1});
    const auto* words = static_cast<const SmallInt*>(VarArrayLock(flags));
    EXPECT_EQ(words[0], 0);
    EXPECT_EQ(words[1], -1);
    VarArrayUnlock(flags);
    EXPECT_EQ(MessageOf<EVariantError>([&] { VarArrayUnlock(flags); }), "Variant or safe array is not locked");
}

TEST_F(VariantTest, RedimKeepsElementsAndRefusesWhileLocked)
{
    Variant a = VarArrayCreate({0, 1, 0, 1}, varVariant);
    VarArrayPut(a, Variant("keep"), {1, 1});
    VarArrayRedim(a, 3);
    EXPECT_EQ(VarArrayHighBound(a, 2), 3);
    EXPECT_EQ(VarArrayGet(a, {1, 1}).AsString(), "keep");
    EXPECT_TRUE(VarIsEmpty(VarArrayGet(a, {1, 3})));
    VarArrayRedim(a, 0);
    EXPECT_EQ(MessageOf<EVariantError>([&] { (void)VarArrayGet(a, {1, 1}); }), "Variant or safe array index out of bounds");

    Variant n = VarArrayCreate({0, 1}, varDouble);
    VarArrayPut(n, Variant(1.5), {1});
    VarArrayRedim(n, 4);
    EXPECT_DOUBLE_EQ(VarArrayGet(n, {1}).AsDouble(), 1.5);
    EXPECT_DOUBLE_EQ(VarArrayGet(n, {4}).AsDouble(), 0.0);
    VarArrayLock(n);
    EXPECT_EQ(MessageOf<EVariantError>([&] { VarArrayRedim(n, 1); }), "Variant or safe array is locked");
    VarArrayUnlock(n);
    EXPECT_EQ(MessageOf<EVariantError>([&] { VarArrayRedim(n, -2); }), "Error creating variant or safe array");
}

TEST_F(VariantTest, ReferenceVariantSharesTheArray)
{
    Variant a = VarArrayOf({1, 2});
    Variant ref = VarArrayRef(a);
    EXPECT_EQ(VarType(ref), varArray | varByRef | varVariant);
    EXPECT_TRUE(VarIsArray(ref));
    EXPECT_EQ(ref.ArrayPtr(), a.ArrayPtr());
    VarArrayPut(ref, Variant(5), {0});
    EXPECT_EQ(VarArrayGet(a, {0}).AsInteger(), 5);
    Variant refCopy = ref;  // still the same array, nothing freed twice
    EXPECT_EQ(refCopy.ArrayPtr(), a.ArrayPtr());
    EXPECT_EQ(VarTypeAsText(VarType(ref)), "Array ByRef Variant");
}

}  // namespace

TEST_F(VariantTest, SingleTextReadsBackAsTheSameSingle)
{
    // Seven digits would turn 16777216 into 16777220, another Single, when the text is stored back.
    struct Case { float value; const char* text; };
    const Case cases[] = {
        {16777216.0f, "16777216"}, {123456792.0f, "123456792"}, {0.1f, "0,1"}, {1.0f / 3, "0,33333334"},
        {-2.5f, "-2,5"}, {1e-10f, "1E-10"}, {3.4028235e38f, "3,4028235E38"}, {0.0f, "0"},
    };
    for (const Case& c : cases) {
        const AnsiString text = Variant(c.value).AsString();
        EXPECT_EQ(text, c.text) << c.value;
        EXPECT_EQ(static_cast<float>(Variant(text).AsDouble()), c.value) << text;
    }
    EXPECT_EQ(Variant(std::numeric_limits<float>::infinity()).AsString(), "INF");
    EXPECT_EQ(Variant(std::nanf("")).AsString(), "NAN");
}

TEST_F(VariantTest, CurrencyAgainstFloatComparesAsTheFloatTheCurrencyReadsAs)
{
    // A filter value 0.1 (a double) must find the currency amount 0,1.
    struct Case { Variant A, B; int Expected; };
    const Case cases[] = {
        {Variant(Currency::FromScaled(1000)), Variant(0.1), 0},
        {Variant(0.1), Variant(Currency::FromScaled(1000)), 0},
        {Variant(Currency::FromScaled(26750)), Variant(2.675), 0},
        {Variant(Currency::FromScaled(-3)), Variant(-0.0003), 0},
        {Variant(Currency::FromScaled(1000)), Variant(0.1001), -1},
        {Variant(Currency::FromScaled(1001)), Variant(0.1), 1},
        {Variant(Currency::FromScaled(1000)), Variant(0.1f), -1},  // the Single is 0.100000001...
        {Variant(Currency::FromScaled(INT64_MAX)), Variant(1e300), -1},
        {Variant(Currency::FromScaled(10000)), VarFromDateTime(1.0), 0},
    };
    for (const Case& c : cases) {
        const AnsiString what = VarToStr(c.A) + " vs " + VarToStr(c.B);
        EXPECT_EQ(c.A == c.B, c.Expected == 0) << what;
        EXPECT_EQ(c.A < c.B, c.Expected < 0) << what;
        EXPECT_EQ(c.A > c.B, c.Expected > 0) << what;
    }
}

TEST_F(VariantTest, RandomTextsConvertOrRaiseVariantErrors)
{
    std::mt19937 rng(99);
    const char alphabet[] = "0123456789,.:-+eE $xTrueFalsÖÇ ";
    for (int i = 0; i < 1500; ++i) {
        AnsiString s(rng() % 16, ' ');
        for (char& c : s) c = alphabet[rng() % (sizeof alphabet - 1)];
        const Variant v(s);
        const Variant others[] = {Variant(s), Variant(1), Variant(2.5), Variant(Currency::FromScaled(5)),
                                  Variant(true), VarFromDateTime(45000), Null(), Variant()};
        auto guarded = [&](auto&& f) {
            try {
                f();
            } catch (const EVariantError&) {
            }
        };
        guarded([&] { (void)v.AsInteger(); });
        guarded([&] { (void)v.AsInt64(); });
        guarded([&] { (void)v.AsDouble(); });
        guarded([&] { (void)v.AsCurrency(); });
        guarded([&] { (void)v.AsBoolean(); });
        guarded([&] { (void)v.AsDateTime(); });
        for (const Variant& o : others) {
            guarded([&] { (void)(v < o); });
            guarded([&] { (void)(v + o); });
            guarded([&] { (void)(o * v); });
            guarded([&] { (void)(o / v); });
            guarded([&] { (void)(v % o); });
        }
        for (TVarType t : {varSmallint, varInteger, varSingle, varDouble, varCurrency, varDate, varBoolean,
                           varByte, varInt64, varOleStr})
            guarded([&] { (void)VarAsType(v, t); });
    }
}
