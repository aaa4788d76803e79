#include "dbclient/FBXSQLDA.h"
#include "platform/Raised.h"
#include "dbclient/FBErrorKit.h"

#include <gtest/gtest.h>

#include <cstring>

#include "dbclient/FBMessages.h"
#include "dbclient/FBQuery.h"

namespace {

// A statement without a database: dialect 1, parameters from the text.
class FBXSQLDATest : public ::testing::Test {
protected:
    void SetUp() override { q = std::make_unique<TFBQuery>(nullptr); }
    TFBXSQLVAR* Param(const AnsiString& Sql, const AnsiString& Name) {
        q->SQL()->SetText(Sql);
        return q->ParamByName(Name);
    }
    std::unique_ptr<TFBQuery> q;
};

TEST_F(FBXSQLDATest, SettersStoreTheirTypes) {
    TFBXSQLVAR* p = Param("select * from t where a = :A", "A");
    EXPECT_TRUE(p->IsNull()) << "untyped";
    p->SetAsInteger(-7);
    EXPECT_EQ(p->SQLType(), SQLTypeLong);
    EXPECT_EQ(p->AsString(), "-7");
    EXPECT_TRUE(p->Modified());
    p->SetAsShort(12);
    EXPECT_EQ(p->SQLType(), SQLTypeShort);
    p->SetAsBoolean(true);
    EXPECT_EQ(p->SQLType(), SQLTypeShort);
    EXPECT_TRUE(p->AsBoolean());
    p->SetAsInt64(1234567890123LL);
    EXPECT_EQ(p->AsInt64(), 1234567890123LL);
    EXPECT_THROW(p->AsInteger(), EFBClientError);
    p->SetAsCurrency(Currency::FromScaled(15000));   // dialect 1: a double of 1.5
    EXPECT_EQ(p->SQLType(), SQLTypeDouble);
    EXPECT_DOUBLE_EQ(p->AsDouble(), 1.5);
    p->SetAsExtended(2.5L);
    EXPECT_EQ(p->SQLType(), SQLTypeDouble);
    p->SetAsDateTime(EncodeDate(2016, 1, 31));       // dialect 1: always a timestamp
    EXPECT_EQ(p->SQLType(), SQLTypeTimestamp);
    EXPECT_DOUBLE_EQ(p->AsDateTime(), EncodeDate(2016, 1, 31));
    EXPECT_THROW(p->AsBoolean(), EFBClientError);
    p->SetAsString("abc");
    EXPECT_EQ(p->SQLType(), SQLTypeText);
    EXPECT_EQ(p->DataLength(), 3);
    EXPECT_THROW(p->AsInteger(), EFBClientError) << "a failed conversion is an error";
    p->Clear();
    EXPECT_TRUE(p->IsNull());
    EXPECT_EQ(p->AsString(), "");
    EXPECT_EQ(p->AsInteger(), 0);
    EXPECT_TRUE(p->Value().IsNull());
}

TEST_F(FBXSQLDATest, DayNumbersAndTicks) {
    TFBXSQLVAR* p = Param("select * from t where a = :A", "A");
    ISC_DATE day = 15018;
    XSQLVAR x{};
    x.sqltype = SQLTypeDate;
    x.sqllen = 4;
    x.sqldata = reinterpret_cast<ISC_SCHAR*>(&day);
    p->SetAsXSQLVAR(&x);
    EXPECT_DOUBLE_EQ(p->AsDateTime(), 0.0);
    ISC_TIME half = 432000000;
    x.sqltype = SQLTypeTime;
    x.sqldata = reinterpret_cast<ISC_SCHAR*>(&half);
    p->SetAsXSQLVAR(&x);
    EXPECT_DOUBLE_EQ(p->AsDateTime(), 0.5);
    p->SetAsDateTime(1.75);
    const auto* st = reinterpret_cast<const ISC_TIMESTAMP*>(p->AsXSQLVAR()->sqldata);
    EXPECT_EQ(st->timestamp_date, 15019);
    EXPECT_EQ(st->timestamp_time, 648000000u);
}

TEST_F(FBXSQLDATest, ScaledIntegersReadExactly) {
    TFBXSQLVAR* p = Param("select * from t where a = :A", "A");
    Int64 v = 12345;
    XSQLVAR x{};
    x.sqltype = SQLTypeInt64;
    x.sqlscale = -2;
    x.sqllen = 8;
    x.sqldata = reinterpret_cast<ISC_SCHAR*>(&v);
    p->SetAsXSQLVAR(&x);
    TFormatSettingsGuard g;
    FormatSettings.DecimalSeparator = '.';
    EXPECT_EQ(p->AsString(), "123.45");
    EXPECT_EQ(p->AsInt64(), 123);
    EXPECT_EQ(p->AsInteger(), 123);
    EXPECT_EQ(p->AsCurrency(), Currency::FromScaled(1234500));
    EXPECT_EQ(p->AsComp(), 123);
    v = -12399;
    p->SetAsXSQLVAR(&x);
    EXPECT_EQ(p->AsInt64(), -123) << "truncates toward zero";
    Integer small = 125;
    x.sqltype = SQLTypeLong;
    x.sqlscale = -1;
    x.sqllen = 4;
    x.sqldata = reinterpret_cast<ISC_SCHAR*>(&small);
    p->SetAsXSQLVAR(&x);
    EXPECT_DOUBLE_EQ(p->AsDouble(), 12.5);
    EXPECT_DOUBLE_EQ(p->Value().AsDouble(), 12.5);
}

TEST_F(FBXSQLDATest, NumberTextUsesThePoint) {
    TFormatSettingsGuard g;
    for (char sep : {',', '.', ';'}) {
        FormatSettings.DecimalSeparator = sep;
        TFBXSQLVAR* p = Param("select * from t where a = :A", "A");
        p->SetAsDouble(0);   // effective type numeric
        p->SetAsString(AnsiString("1,5"));
        EXPECT_EQ(AnsiString(p->AsXSQLVAR()->sqldata, 3), "1.5");
        p->SetAsDouble(0);
        p->SetAsString(AnsiString("2") + sep + "5");
        EXPECT_EQ(AnsiString(p->AsXSQLVAR()->sqldata, 3), "2.5") << sep;
    }
}

TEST_F(FBXSQLDATest, RepeatedNameSetsEveryOccurrence) {
    q->SQL()->SetText("update t set x = :X where id = :ID and y = :X");
    TFBXSQLDA* params = q->Params();
    ASSERT_EQ(params->Count(), 3);
    EXPECT_EQ(params->Vars(0)->Name(), "X");
    EXPECT_EQ(params->Vars(2)->Name(), "X");
    q->ParamByName("x")->SetAsInteger(9);
    EXPECT_EQ(params->Vars(0)->AsInteger(), 9);
    EXPECT_EQ(params->Vars(2)->AsInteger(), 9);
    EXPECT_TRUE(params->Vars(1)->IsNull());
    params->Vars(2)->Clear();
    EXPECT_TRUE(params->Vars(0)->IsNull());
    EXPECT_THROW(params->Vars(3), EFBClientError);
    EXPECT_THROW(params->Vars(-1), EFBClientError);
}

TEST_F(FBXSQLDATest, ValuesSurviveATextChangeByName) {
    q->SQL()->SetText("select * from t where a = :A and b = :B");
    q->ParamByName("B")->SetAsString("keep");
    q->SQL()->SetText("select * from t where b = :B");
    EXPECT_EQ(q->ParamByName("B")->AsString(), "keep");
    EXPECT_EQ(q->ParamCount(), 1);
}

TEST_F(FBXSQLDATest, VariantSetterDispatchesByType) {
    TFBXSQLVAR* p = Param("select * from t where a = :A", "A");
    p->SetValue(Variant(5));
    EXPECT_EQ(p->SQLType(), SQLTypeLong);
    p->SetValue(Variant(static_cast<long long>(1) << 40));
    EXPECT_EQ(p->SQLType(), SQLTypeInt64);
    p->SetValue(Variant(2.5));
    EXPECT_EQ(p->SQLType(), SQLTypeDouble);
    p->SetValue(Variant(true));
    EXPECT_EQ(p->SQLType(), SQLTypeShort);
    p->SetValue(Variant("x"));
    EXPECT_EQ(p->SQLType(), SQLTypeText);
    p->SetValue(Variant::FromDateTime(3.25));
    EXPECT_EQ(p->SQLType(), SQLTypeTimestamp);
    p->SetValue(Variant::Null());
    EXPECT_TRUE(p->IsNull());
    EXPECT_THROW(p->SetValue(Variant::FromError(1)), EFBClientError);
}

TEST_F(FBXSQLDATest, LongTextWithoutDatabaseIsRefusedAndIdsStillWork) {
    TFBXSQLVAR* p = Param("select * from t where a = :A", "A");
    if (auto e = Raised<EFBClientError>([&] { p->SetAsString(AnsiString(40000, 'x')); })) {
        EXPECT_EQ(e->SQLCode(), 21) << "a long text needs a blob, and a blob a database";
    }
    EXPECT_TRUE(p->IsNull()) << "a refused write leaves the value alone";
    ISC_QUAD id{1, 2};
    p->SetAsQuad(id);
    EXPECT_EQ(p->SQLType(), SQLTypeQuad);
    EXPECT_EQ(p->AsQuad().gds_quad_low, 2u);
    EXPECT_EQ(p->Array(), nullptr);
    EXPECT_EQ(p->SliceSize(), 0);
    EXPECT_TRUE(RaisesCode([&] { p->SetArrayValue(VarArrayOf({Variant(1)})); }, 59));
    EXPECT_THROW(p->SetValue(VarArrayOf({Variant(1)})), EFBClientError) << "an array into a plain entry";
}

TEST(FBXSQLDANames, UnnamedAndRepeatedColumns) {
    TFBXSQLDA area(nullptr, false);
    area.SetCount(6);
    const char* labels[] = {"", "", "ID", "ID", "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"};
    for (int i = 0; i < 6; ++i) {
        XSQLVAR* x = area.Vars(i)->AsXSQLVAR();
        x->sqltype = SQLTypeLong | 1;
        x->sqllen = 4;
        x->aliasname_length = static_cast<ISC_SHORT>(std::strlen(labels[i]));
        std::memcpy(x->aliasname, labels[i], std::strlen(labels[i]));
    }
    area.Initialize();
    const char* expected[] = {"F_1", "F_2", "ID", "ID1", "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345",
                              "ABCDEFGHIJKLMNOPQRSTUVWXYZ012341"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(area.Vars(i)->Name(), expected[i]);
    EXPECT_EQ(area.ByName("id1"), area.Vars(3)) << "dialect 1 names fold to upper case";
    EXPECT_EQ(area.ByName("NOPE"), nullptr);
    area.Vars(0)->AsXSQLVAR()->sqltype = 9999;
    area.SetCount(6);
    EXPECT_THROW(area.Initialize(), EFBClientError);
}

}  // namespace
