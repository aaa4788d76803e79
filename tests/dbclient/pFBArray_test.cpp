#include "dbclient/pFBArray.h"
#include "platform/Raised.h"
#include "dbclient/FBErrorKit.h"

#include <gtest/gtest.h>

#include "dbclient/FBDatabase.h"
#include "dbclient/FBMessages.h"
#include "dbclient/FBQuery.h"
#include "support/db/DbTest.h"

namespace {

ISC_ARRAY_DESC Desc(Integer Type, Integer Length, std::initializer_list<std::pair<short, short>> Bounds) {
    ISC_ARRAY_DESC d{};
    d.array_desc_dtype = static_cast<ISC_UCHAR>(Type);
    d.array_desc_length = static_cast<unsigned short>(Length);
    for (auto [lo, hi] : Bounds) {
        d.array_desc_bounds[d.array_desc_dimensions].array_bound_lower = lo;
        d.array_desc_bounds[d.array_desc_dimensions].array_bound_upper = hi;
        ++d.array_desc_dimensions;
    }
    return d;
}

TEST(pFBArraySlice, SizeFollowsElementsAndDimensions) {
    struct Case { ISC_ARRAY_DESC D; Integer Size; };
    for (const Case& c : {Case{Desc(8, 4, {{1, 5}}), 20}, Case{Desc(7, 2, {{1, 3}, {1, 4}}), 24},
                          Case{Desc(37, 10, {{1, 3}}), 3 * 12 + 2}, Case{Desc(14, 4, {{0, 1}}), 8},
                          Case{Desc(27, 8, {{-1, 1}, {1, 2}, {1, 2}}), 96}})
        EXPECT_EQ(ArraySliceSize(c.D), c.Size);
}

TEST(pFBArraySlice, ElementTypesMapToFieldTypes) {
    const std::pair<Integer, TFieldType> map[] = {{7, ftSmallint}, {8, ftInteger}, {10, ftFloat}, {11, ftFloat},
                                                  {27, ftFloat},   {12, ftDate},    {13, ftTime},  {14, ftString},
                                                  {37, ftString},  {16, ftBCD},     {35, ftDateTime}, {9, ftUnknown}};
    for (auto [code, type] : map) EXPECT_EQ(ArrayElementFieldType(code), type) << code;
}

class pFBArrayTest : public TDbTest {
public:
    static void SetUpTestSuite() {
        DB1().Execute(
            "CREATE TABLE A (ID INTEGER NOT NULL, V INTEGER[1:5], M SMALLINT[1:3, 1:4], S VARCHAR(10)[1:3], "
            "C CHAR(4)[0:1], D DATE[1:2], F DOUBLE PRECISION[1:2], N INTEGER, P NUMERIC(9,2)[1:2], "
            "Q NUMERIC(4,1)[1:2])");
    }

protected:
    void SetUp() override {
        ConnectAndStart(DB1(), "DB1", "TR1");
    }
    TFBQuery* Query(const AnsiString& Sql) { return TDbTest::Query(Sql, "Q" + IntToStr(++count)); }
    TFBQuery* Row(Integer Id) {
        TFBQuery* q = Query("select * from A where ID = " + IntToStr(Id));
        q->ExecQuery();
        return q;
    }
    // Writes Value through the row's column descriptor and stores the new id.
    void Put(Integer Id, const AnsiString& Column, const Variant& Value) {
        TFBXSQLVAR* f = Row(Id)->FieldByName(Column);
        ASSERT_NE(f->Array(), nullptr);
        ISC_QUAD id = f->AsQuad();
        f->Array()->PutArrayValues(Value, id, Db->HandleAddress(), Tr->HandleAddress());
        TFBQuery* u = Query("update A set " + Column + " = :X where ID = " + IntToStr(Id));
        u->Prepare();
        u->ParamByName("X")->SetAsQuad(id);
        u->ExecQuery();
    }

    int count = 0;
};

TEST_F(pFBArrayTest, DescriptorsOfTheColumns) {
    Query("insert into A (ID) values (1)")->ExecQuery();
    TFBQuery* q = Row(1);
    TpFBArray* v = q->FieldByName("V")->Array();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->FieldType(), ftInteger);
    EXPECT_EQ(v->DimensionCount(), 1);
    EXPECT_EQ(v->SliceSize(), 20);
    EXPECT_EQ(v->DimensionBounds(0).array_bound_lower, 1);
    EXPECT_EQ(v->DimensionBounds(0).array_bound_upper, 5);
    TpFBArray* m = q->FieldByName("M")->Array();
    EXPECT_EQ(m->SliceSize(), 24);
    EXPECT_EQ(q->FieldByName("M")->SliceSize(), 24);
    EXPECT_EQ(q->FieldByName("S")->SliceSize(), 3 * 12 + 2);
    if (auto e = Raised<EFBClientError>([&] { m->DimensionBounds(2); })) {
        EXPECT_EQ(e->SQLCode(), 60);
        EXPECT_NE(e->Message().find("\"A.M\""), AnsiString::npos) << e->Message();
    }
    EXPECT_EQ(q->FieldByName("N")->Array(), nullptr);
    EXPECT_TRUE(q->FieldByName("V")->ArrayValue().IsNull());
}

TEST_F(pFBArrayTest, OneAndTwoDimensionalArraysRoundTrip) {
    Query("insert into A (ID) values (2)")->ExecQuery();
    Put(2, "V", VarArrayOf({Variant(10), Variant(-20), Variant(30), Variant(40), Variant(2147483647)}));
    Variant m = VarArrayCreate({1, 3, 1, 4}, varVariant);
    for (Integer i = 1; i <= 3; ++i)
        for (Integer j = 1; j <= 4; ++j) VarArrayPut(m, Variant(i * 100 + j), {i, j});
    Put(2, "M", m);

    TFBQuery* q = Row(2);
    const Variant v = q->FieldByName("V")->ArrayValue();
    ASSERT_EQ(VarArrayDimCount(v), 1);
    EXPECT_EQ(VarArrayLowBound(v, 1), 1);
    EXPECT_EQ(VarArrayHighBound(v, 1), 5);
    EXPECT_EQ(VarArrayGet(v, {2}).AsInteger(), -20);
    EXPECT_EQ(VarArrayGet(v, {5}).AsInteger(), 2147483647);
    const Variant back = q->FieldByName("M")->ArrayValue();
    ASSERT_EQ(VarArrayDimCount(back), 2);
    for (Integer i = 1; i <= 3; ++i)
        for (Integer j = 1; j <= 4; ++j) EXPECT_EQ(VarArrayGet(back, {i, j}).AsInteger(), i * 100 + j);
    q->SetTransaction(nullptr);   // the arrays described stay, the transaction is needed
    EXPECT_TRUE(RaisesCode([&] { q->FieldByName("V")->ArrayValue(); }, 22));
    EXPECT_TRUE(RaisesCode([&] { q->FieldByName("V")->SetArrayValue(v); }, 22));
}

TEST_F(pFBArrayTest, TextDateAndFloatElements) {
    Query("insert into A (ID) values (3)")->ExecQuery();
    Put(3, "C", VarArrayOf({Variant("ğüab"), Variant("TOO LONG")}));
    const TDateTime day = EncodeDate(2016, 3, 14) + EncodeTime(10, 20, 30, 0);
    Put(3, "D", VarArrayOf({Variant::FromDateTime(day), Variant()}));
    Put(3, "F", VarArrayOf({Variant(1.25), Variant::Null()}));
    TFBQuery* q = Row(3);
    const Variant c = q->FieldByName("C")->ArrayValue();
    EXPECT_EQ(VarArrayGet(c, {0}).AsString(), "ğüab");
    EXPECT_EQ(VarArrayGet(c, {1}).AsString(), "TOO") << "cut to the element length, padding dropped";
    const Variant d = q->FieldByName("D")->ArrayValue();
    EXPECT_NEAR(VarArrayGet(d, {1}).AsDateTime(), day, 1e-8);
    const Variant f = q->FieldByName("F")->ArrayValue();
    EXPECT_DOUBLE_EQ(VarArrayGet(f, {1}).AsDouble(), 1.25);
    EXPECT_DOUBLE_EQ(VarArrayGet(f, {2}).AsDouble(), 0.0);
    Put(3, "P", VarArrayOf({Variant(12.34), Variant(-0.05)}));   // scaled elements keep their decimals
    Put(3, "Q", VarArrayOf({Variant(123.4), Variant(0.1)}));
    TFBQuery* e = Query("select P[1], Q[2] from A where ID = 3");   // as the server holds them
    e->ExecQuery();
    EXPECT_DOUBLE_EQ(e->Fields(0)->AsDouble() + e->Fields(1)->AsDouble(), 12.44);
    EXPECT_DOUBLE_EQ(VarArrayGet(Row(3)->FieldByName("P")->ArrayValue(), {2}).AsDouble(), -0.05);
    EXPECT_DOUBLE_EQ(VarArrayGet(Row(3)->FieldByName("Q")->ArrayValue(), {1}).AsDouble(), 123.4);
    for (const char* Column : {"Q", "M"})   // a value beyond the element is refused, not wrapped round
        EXPECT_TRUE(RaisesCode([&] { Row(3)->FieldByName(Column)->SetArrayValue(VarArrayOf({Variant(40000)})); }, 33));
}

TEST_F(pFBArrayTest, ParameterTakesAVariantArrayThroughItsColumn) {
    TFBQuery* ins = Query("insert into A (ID, V) values (4, :V)");
    ins->ParamByName("V")->SetValue(VarArrayOf({Variant(1), Variant(2), Variant(3), Variant(4), Variant(5)}));
    ins->ExecQuery();
    const Variant v = Row(4)->FieldByName("V")->ArrayValue();
    EXPECT_EQ(VarArrayGet(v, {4}).AsInteger(), 4);
}

TEST_F(pFBArrayTest, WrongShapesAndColumnsAreRefused) {
    Query("insert into A (ID) values (5)")->ExecQuery();
    TFBQuery* q = Row(5);
    Variant three = VarArrayCreate({1, 2, 1, 2, 1, 2}, varVariant);
    EXPECT_TRUE(RaisesCode([&] { q->FieldByName("M")->SetArrayValue(three); }, 60));
    EXPECT_TRUE(RaisesCode([&] { q->FieldByName("N")->SetArrayValue(VarArrayOf({Variant(1)})); }, 59));
    // A larger array than the column writes only what fits.
    Put(5, "V", VarArrayCreate({1, 50}, varVariant));
    EXPECT_EQ(VarArrayHighBound(Row(5)->FieldByName("V")->ArrayValue(), 1), 5);
}

TEST_F(pFBArrayTest, TurkishTextInVarcharAndCharArrays) {
    Query("insert into A (ID) values (6)")->ExecQuery();
    Put(6, "S", VarArrayOf({Variant("Işık"), Variant(""), Variant("çğıöşüÇĞİÖŞÜ")}));
    Put(6, "C", VarArrayOf({Variant("İğne"), Variant("ş")}));
    TFBQuery* q = Row(6);
    const Variant s = q->FieldByName("S")->ArrayValue();
    EXPECT_EQ(VarArrayGet(s, {1}).AsString(), "Işık");
    EXPECT_EQ(VarArrayGet(s, {2}).AsString(), "");
    EXPECT_EQ(VarArrayGet(s, {3}).AsString(), "çğıöşüÇĞİÖ") << "cut to the declared length";
    const Variant c = q->FieldByName("C")->ArrayValue();
    EXPECT_EQ(VarArrayGet(c, {0}).AsString(), "İğne");
    EXPECT_EQ(VarArrayGet(c, {1}).AsString(), "ş");
    // What the server holds, seen through plain SQL.
    TFBQuery* e = Query("select S[1], S[3], C[1] from A where ID = 6");
    e->ExecQuery();
    EXPECT_EQ(e->Fields(0)->AsString(), "Işık");
    EXPECT_EQ(e->Fields(1)->AsString(), "çğıöşüÇĞİÖ");
    EXPECT_EQ(TrimRight(e->Fields(2)->AsString()), "ş");
}

TEST_F(pFBArrayTest, StoredArrayIsRewrittenThroughItsRow) {
    Query("insert into A (ID) values (7)")->ExecQuery();
    Put(7, "V", VarArrayOf({Variant(1), Variant(2), Variant(3), Variant(4), Variant(5)}));
    Tr->CommitRetaining();
    // The row now holds a stored array id; writing through it must not reuse that id.
    Put(7, "V", VarArrayOf({Variant(9), Variant(8), Variant(7), Variant(6), Variant(5)}));
    EXPECT_EQ(VarArrayGet(Row(7)->FieldByName("V")->ArrayValue(), {1}).AsInteger(), 9);
    TFBQuery* u = Query("update A set V = :V where ID = 7");
    for (Integer round = 0; round < 2; ++round) {
        u->ParamByName("V")->SetValue(VarArrayOf({Variant(round), Variant(0), Variant(0), Variant(0), Variant(0)}));
        u->ParamByName("V")->SetValue(VarArrayOf({Variant(round + 40), Variant(0), Variant(0), Variant(0), Variant(0)}));
        u->ExecQuery();
        Tr->CommitRetaining();
        EXPECT_EQ(VarArrayGet(Row(7)->FieldByName("V")->ArrayValue(), {1}).AsInteger(), round + 40);
    }
}

}  // namespace
