#include "dbclient/SQLParser.h"

#include <gtest/gtest.h>

#include "platform/rtl/Classes.h"
#include "platform/rtl/Variants.h"

namespace {

struct KindCase { const char* Text; Byte Kind; };

class StatementKind : public ::testing::TestWithParam<KindCase> {};

TEST_P(StatementKind, FromFirstWord) {
    TSQLParser p;
    EXPECT_EQ(p.SetSQLText(GetParam().Text), GetParam().Kind) << GetParam().Text;
    EXPECT_EQ(p.StatementKind(), GetParam().Kind);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, StatementKind,
    ::testing::Values(KindCase{"SELECT * FROM T", skSelect}, KindCase{"  \r\n select a from t", skSelect},
                      KindCase{";SELECT 1 FROM T", skUnknown}, KindCase{"-- note\nSELECT 1 FROM T", skSelect},
                      KindCase{"-- note\r\nSELECT 1 FROM T", skSelect}, KindCase{"/* c */ UPDATE T SET A=1", skUpdate},
                      KindCase{"/*c*/SELECT 1 FROM T", skUnknown}, KindCase{"insert into t values(1)", skInsert},
                      KindCase{"DELETE FROM T", skDelete}, KindCase{"EXECUTE PROCEDURE P", skExecute},
                      KindCase{"execute block as begin end", skExecute}, KindCase{"CREATE TABLE X (A INT)", skDDL},
                      KindCase{"alter table x add b int", skDDL}, KindCase{"DROP TABLE X", skDDL},
                      KindCase{"RECREATE VIEW V AS SELECT 1 FROM T", skDDL}, KindCase{"SET GENERATOR G TO 5", skDDL},
                      KindCase{"set\tgenerator g to 5", skDDL}, KindCase{"SET TERM ^ ;", skUnknown},
                      KindCase{"SAVEPOINT S1", skUnknown}, KindCase{"SHOW TABLES", skUnknown},
                      KindCase{"SELECT", skUnknown}, KindCase{"SELECTED a", skUnknown}, KindCase{"", skUnknown},
                      KindCase{"   ", skUnknown}, KindCase{"/* never closed SELECT", skUnknown},
                      KindCase{"(SELECT 1 FROM T)", skUnknown}));

// ---- scan engine ------------------------------------------------------------------------------

struct Collector { const TSQLParser* Parser; AnsiString Seen; Integer StopAt = 0; };

bool Collect(void* Self, Integer Pos) {
    auto* c = static_cast<Collector*>(Self);
    c->Seen += c->Parser->SQLText()[Pos - 1];
    return Pos == c->StopAt;
}

TEST(SQLParserScan, TestSeesOnlyPlainText) {
    TSQLParser p("a'b'(c)\"d\"-- e\nf/*g*/h");
    Collector c{&p, ""};
    p.Scan(1, Collect, &c);
    // Quotes, parentheses, "*" and "-" are never tested; the end is tested once more.
    EXPECT_EQ(c.Seen, "ac\nf//hh");
    EXPECT_EQ(p.FoundPos(), 0);
    EXPECT_EQ(p.Depth(), 0);
    p.Scan(1, nullptr, &c);  // no test: nothing happens
    EXPECT_EQ(c.Seen, "ac\nf//hh");
    c.Seen.clear();
    c.StopAt = 6;
    p.Scan(1, Collect, &c);
    EXPECT_EQ(p.FoundPos(), 6);
    EXPECT_EQ(p.Depth(), 1);  // inside the parenthesis
    c.Seen.clear();
    p.SetSQLText("x 'never closed");
    p.Scan(1, Collect, &c);
    EXPECT_EQ(c.Seen, "x ");  // no end test inside a literal
}

// ---- FROM and the count statement -----------------------------------------------------------

struct TextCase { const char* Text; const char* Expected; };

class CountSQL : public ::testing::TestWithParam<TextCase> {};

TEST_P(CountSQL, KeepsFromAndMainWhereOnly) {
    TSQLParser p(GetParam().Text);
    EXPECT_EQ(p.MakeCountSQL(), GetParam().Expected) << GetParam().Text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CountSQL,
    ::testing::Values(
        TextCase{"SELECT A, B FROM T WHERE A = 1 ORDER BY B", "Select Count(*) FROM T \r\n WHERE A = 1"},
        TextCase{"SELECT * FROM T", "Select Count(*) FROM T"},
        TextCase{"SELECT (SELECT MAX(X) FROM U WHERE U.ID = T.ID) FROM T GROUP BY A", "Select Count(*) FROM T "},
        TextCase{"select 'from', \"where\" from t where x = 'a where b' order by 1",
                 "Select Count(*) from t \r\n WHERE x = 'a where b'"},
        TextCase{"SELECT a /* from x */ FROM t -- where y\r\nWHERE z=1",
                 "Select Count(*) FROM t -- where y\r\n\r\n WHERE z=1"},
        TextCase{"SELECT a FROM t -- where y\nWHERE z=1", "Select Count(*) FROM t -- where y\n\r\n WHERE z=1"},
        TextCase{"SELECT a FROM t -- where y\rWHERE z=1", "Select Count(*) FROM t -- where y\r\r\n WHERE z=1"},
        TextCase{"SELECT A FROM T PLAN (T NATURAL)", "Select Count(*) FROM T "},
        // A line comment ending the text ends its clauses there.
        TextCase{"SELECT A FROM T WHERE A = 1 -- only ones", "Select Count(*) FROM T \r\n WHERE A = 1 -- only ones"},
        TextCase{"SELECT A FROM T -- all", "Select Count(*) FROM T -- all"},
        TextCase{"UPDATE T SET A = 1", ""}, TextCase{"SELECT 1", ""}, TextCase{"", ""}));

TEST(SQLParserFrom, BoundsOfMainFrom) {
    TSQLParser p("SELECT (SELECT 1 FROM U) FROM T HAVING(1=1)");
    Integer f, g;
    p.GetFromBounds(f, g);
    EXPECT_EQ(f, 26);
    EXPECT_EQ(g, 32);  // the blank before HAVING
    p.SetSQLText("SELECT 1 FROM");  // a keyword as last word is never found
    p.GetFromBounds(f, g);
    EXPECT_EQ(f, 0);
    EXPECT_EQ(g, 0);
}

// ---- WHERE ------------------------------------------------------------------------------------

TEST(SQLParserWhere, NestedAndMainClauses) {
    TSQLParser p("SELECT A FROM T WHERE A IN (SELECT B FROM U WHERE C = 1) AND D = 2 ORDER BY A");
    EXPECT_EQ(p.WhereClausesCount(), 2);
    EXPECT_EQ(p.MainWhereIndex(), 1);
    Integer s, e;
    AnsiString text;
    p.GetWhereClause(1, s, text, e);
    EXPECT_EQ(s, 17);
    EXPECT_EQ(text, "A IN (SELECT B FROM U WHERE C = 1) AND D = 2");
    EXPECT_EQ(e, 66);
    Integer s0, e0;
    AnsiString text0;
    p.GetWhereClause(0, s0, text0, e0);
    EXPECT_EQ(s0, s);
    EXPECT_EQ(text0, text);
    EXPECT_EQ(e0, e);
    p.GetWhereClause(2, s, text, e);
    EXPECT_EQ(text, "C = 1");
    p.GetWhereClause(3, s, text, e);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(text, "");
    p.GetWhereClause(-1, s, text, e);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(e, 0);
}

TEST(SQLParserWhere, MainIndexCountsNestedOnesBeforeIt) {
    TSQLParser p("SELECT (SELECT MAX(B) FROM U WHERE U.A = T.A) M FROM T WHERE T.X = 1");
    EXPECT_EQ(p.WhereClausesCount(), 2);
    EXPECT_EQ(p.MainWhereIndex(), 2);
    Integer s, e;
    AnsiString text;
    p.GetMainWhereClause(s, e, text);
    EXPECT_EQ(text, "T.X = 1");
    p.SetSQLText("SELECT A FROM T WHERE A IN (SELECT B FROM U)");
    EXPECT_EQ(p.MainWhereIndex(), 1);
    p.SetSQLText("SELECT A FROM T");
    EXPECT_EQ(p.MainWhereIndex(), -1);
    EXPECT_EQ(p.WhereClausesCount(), 0);
}

TEST(SQLParserWhere, NestedClauseClosingTheTextLosesItsParenthesis) {
    TSQLParser p("SELECT A FROM T WHERE A IN (SELECT B FROM U WHERE C = 1)");
    Integer s, e;
    AnsiString text;
    p.GetWhereClause(2, s, text, e);
    EXPECT_EQ(text, "C = 1");
    p.GetWhereClause(1, s, text, e);
    EXPECT_EQ(text, "A IN (SELECT B FROM U WHERE C = 1)");
}

TEST(SQLParserWhere, KeywordsInLiteralsNamesAndCommentsAreText) {
    const char* texts[] = {
        "SELECT 'WHERE' FROM T WHERE \"WHERE\" = 'x where y' /* where */ -- where\r\n",
        "SELECT a FROM t -- where (\nWHERE b = ')where' /* ' where */",
        "SELECT a FROM t -- /* where\r\nWHERE b = 1",
    };
    for (const char* t : texts) {
        TSQLParser p(t);
        EXPECT_EQ(p.WhereClausesCount(), 1) << t;
        EXPECT_EQ(p.MainWhereIndex(), 1) << t;
    }
}

TEST(SQLParserWhere, WhereDirectlyBeforeParenthesis) {
    TSQLParser p("SELECT A FROM T WHERE(A=1) ORDER BY A");
    Integer s, e;
    AnsiString text;
    p.GetWhereClause(1, s, text, e);
    EXPECT_EQ(text, "(A=1)");
}

TEST(SQLParserWhere, UnionPartsAndOtherEndKeywords) {
    TSQLParser p("SELECT A FROM T1 WHERE A = 1 UNION SELECT B FROM T2 WHERE B = 2 GROUP BY B");
    Integer s, e;
    AnsiString text;
    p.GetWhereClause(1, s, text, e);
    EXPECT_EQ(text, "A = 1");
    p.GetWhereClause(2, s, text, e);
    EXPECT_EQ(text, "B = 2");
    p.SetSQLText("SELECT A FROM T WHERE A = 1 FOR UPDATE");
    p.GetWhereClause(1, s, text, e);
    EXPECT_EQ(text, "A = 1");
    p.SetSQLText("SELECT A FROM T WHERE A = 1 PLAN (T NATURAL)");
    p.GetWhereClause(1, s, text, e);
    EXPECT_EQ(text, "A = 1");
}

struct ReplaceCase { const char* Text; Integer N; const char* Condition; const char* Expected; };

class ReplaceWhere : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceWhere, Cases) {
    const ReplaceCase& c = GetParam();
    TSQLParser p(c.Text);
    EXPECT_EQ(p.ReplaceWhereClause(c.N, c.Condition), c.Expected);
    EXPECT_EQ(p.SQLText(), c.Text);  // the parser's own text never changes
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceWhere,
    ::testing::Values(
        ReplaceCase{"SELECT A FROM T WHERE A = 1 ORDER BY A", 1, "B = 2",
                    "SELECT A FROM T \r\nWHERE B = 2\r\n ORDER BY A"},
        ReplaceCase{"SELECT A FROM T\r\nWHERE A = 1\r\nORDER BY A", 1, "B = 2",
                    "SELECT A FROM T\r\nWHERE B = 2\r\nORDER BY A"},
        ReplaceCase{"SELECT A FROM T WHERE A = 1 ORDER BY A", 1, "  ", "SELECT A FROM T \r\n ORDER BY A"},
        ReplaceCase{"SELECT A FROM T WHERE A = 1", 3, "B = 2", "SELECT A FROM T WHERE A = 1"},
        ReplaceCase{"SELECT A FROM T WHERE A IN (SELECT B FROM U WHERE C = 1)", 2, "C = 9",
                    "SELECT A FROM T WHERE A IN (SELECT B FROM U \r\nWHERE C = 9\r\n)"}));

TEST(SQLParserWhere, ReplaceMainWhereAddsWhenMissing) {
    TSQLParser p("SELECT (SELECT 1 FROM U WHERE U.A = 1) FROM T WHERE X = 1");
    EXPECT_EQ(p.ReplaceMainWhere("X = 2"), "SELECT (SELECT 1 FROM U WHERE U.A = 1) FROM T \r\nWHERE X = 2\r\n");
    p.SetSQLText("SELECT A FROM T");
    EXPECT_EQ(p.ReplaceMainWhere("X = 2"), "SELECT A FROM T WHERE X = 2\r\n");
}

class AddToWhere : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(AddToWhere, Cases) {
    const ReplaceCase& c = GetParam();
    TSQLParser p(c.Text);
    EXPECT_EQ(p.AddToMainWhere(c.Condition, c.N != 0), c.Expected) << c.Text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AddToWhere,
    ::testing::Values(
        ReplaceCase{"SELECT * FROM T WHERE x = 1 ORDER BY z", 0, "y = 2",
                    "SELECT * FROM T WHERE(  x = 1 ) and ( y = 2 ) ORDER BY z"},
        ReplaceCase{"SELECT * FROM T WHERE x = 1", 1, "y = 2",
                    "SELECT * FROM T WHERE(  x = 1\r\n     ) and ( y = 2 )\r\n    "},
        ReplaceCase{"SELECT * FROM T", 0, "y = 2", "SELECT * FROM T WHERE y = 2\r\n"},
        ReplaceCase{"SELECT * FROM T ORDER BY A", 0, "y = 2", "SELECT * FROM T  WHERE y = 2\r\nORDER BY A"},
        ReplaceCase{"SELECT * FROM T ORDER BY A", 1, "y = 2",
                    "SELECT * FROM T  WHERE \r\n    y = 2\r\nORDER BY A"},
        ReplaceCase{"SELECT * FROM T WHERE x = 1", 0, " \t ", "SELECT * FROM T WHERE x = 1"},
        ReplaceCase{"SELECT (SELECT MAX(B) FROM U WHERE U.A = T.A) M FROM T WHERE T.X = 1", 0, "T.Y = 2",
                    "SELECT (SELECT MAX(B) FROM U WHERE U.A = T.A) M FROM T WHERE(  T.X = 1 ) and ( T.Y = 2 )"},
        // A line comment at the end of the old condition must not swallow the new one.
        ReplaceCase{"SELECT * FROM T WHERE x = 1 -- note\r\nORDER BY z", 0, "y = 2",
                    "SELECT * FROM T WHERE(  x = 1 -- note\r\n ) and ( y = 2 )\r\nORDER BY z"},
        ReplaceCase{"SELECT * FROM T WHERE x = 1 -- note", 0, "y = 2",
                    "SELECT * FROM T WHERE(  x = 1 -- note\r\n ) and ( y = 2 )"},
        ReplaceCase{"SELECT * FROM T -- note", 0, "y = 2", "SELECT * FROM T -- note\r\n WHERE y = 2\r\n"},
        ReplaceCase{"SELECT * FROM T WHERE x = '--' ORDER BY z", 0, "y = 2",
                    "SELECT * FROM T WHERE(  x = '--' ) and ( y = 2 ) ORDER BY z"}));

TEST(SQLParserWhere, EachOperationStartsFromAClearState) {
    TSQLParser p("SELECT A FROM T WHERE A IN (SELECT B FROM U WHERE C = 1) AND D = 2");
    Integer s, e;
    AnsiString text;
    p.GetWhereClause(2, s, text, e);  // leaves the scan inside the parentheses
    EXPECT_EQ(text, "C = 1");
    EXPECT_EQ(p.MainWhereIndex(), 1);
    p.GetMainWhereClause(s, e, text);
    EXPECT_EQ(text, "A IN (SELECT B FROM U WHERE C = 1) AND D = 2");
    p.GetWhereClause(2, s, text, e);
    EXPECT_EQ(p.MakeCountSQL(), "Select Count(*) FROM T \r\n WHERE A IN (SELECT B FROM U WHERE C = 1) AND D = 2");
    p.GetWhereClause(2, s, text, e);
    Integer f, g;
    p.GetFromBounds(f, g);
    EXPECT_EQ(f, 10);
}

// ---- ORDER BY -------------------------------------------------------------------------------

TEST(SQLParserOrder, BoundsAndClause) {
    TSQLParser p("SELECT A FROM T ORDER BY A, B DESC");
    Integer o, e;
    AnsiString text;
    p.GetOrderBounds(o, e, text);
    EXPECT_EQ(o, 17);
    EXPECT_EQ(e, 34);
    EXPECT_EQ(text, " A, B DESC");
    p.SetSQLText("SELECT A FROM T WHERE A IN (SELECT B FROM U ORDER BY B)");
    EXPECT_EQ(p.GetOrderClause(), "");
    p.SetSQLText("SELECT 'ORDER BY' FROM T /* ORDER BY X */");
    EXPECT_EQ(p.GetOrderClause(), "");
}

class ReplaceOrder : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceOrder, Cases) {
    TSQLParser p(GetParam().Text);
    EXPECT_EQ(p.ReplaceOrderClause(GetParam().Condition), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceOrder,
    ::testing::Values(ReplaceCase{"SELECT A FROM T \r\n", 0, "B", "SELECT A FROM T\r\nORDER BY B"},
                      ReplaceCase{"SELECT A FROM T", 0, "", "SELECT A FROM T"},
                      ReplaceCase{"SELECT A FROM T\r\nORDER BY A", 0, "B DESC", "SELECT A FROM T\r\nORDER BY B DESC"},
                      ReplaceCase{"SELECT A FROM T ORDER BY A", 0, "B", "SELECT A FROM T \r\nORDER BY B"},
                      ReplaceCase{"SELECT A FROM T ORDER BY A", 0, " ", "SELECT A FROM T "}));

TEST(SQLParserOrder, OrderInfoItemsAndDirections) {
    TSQLParser p("SELECT * FROM T ORDER BY t.name desc, \"Mixed\" ASC, x.\"Q\" collate pxw_turk, b descending,");
    const Variant info = p.GetOrderInfo();
    ASSERT_TRUE(VarIsArray(info));
    EXPECT_EQ(VarArrayDimCount(info), 2);
    EXPECT_EQ(VarArrayHighBound(info, 1), 3);
    const char* names[] = {"T.NAME", "\"Mixed\"", "X.\"Q\"", "b"};
    const bool ascending[] = {false, true, true, false};
    for (Integer i = 0; i < 4; ++i) {
        EXPECT_EQ(VarArrayGet(info, {i, 0}).AsString(), names[i]) << i;
        EXPECT_EQ(VarArrayGet(info, {i, 1}).AsBoolean(), ascending[i]) << i;
    }
    p.SetSQLText("SELECT * FROM T");
    EXPECT_TRUE(VarIsEmpty(p.GetOrderInfo()));
}

// ---- PLAN -------------------------------------------------------------------------------------

TEST(SQLParserPlan, Clauses) {
    TSQLParser p("SELECT A FROM T PLAN (T NATURAL) ORDER BY A");
    Integer s, e;
    AnsiString text;
    p.GetPlanClause(1, s, text, e);
    EXPECT_EQ(s, 22);
    EXPECT_EQ(text, "(T NATURAL)");
    EXPECT_EQ(e, 32);
    p.SetSQLText("SELECT A FROM T PLAN (T INDEX (PK_T))");
    p.GetMainPlanClause(s, e, text);
    EXPECT_EQ(text, "(T INDEX (PK_T))");
    p.SetSQLText("SELECT A FROM T PLAN(T NATURAL)");
    EXPECT_EQ(p.MainPlanIndex(), -1);
    p.SetSQLText("SELECT A FROM T WHERE A IN (SELECT B FROM U PLAN (U NATURAL)) PLAN (T NATURAL)");
    EXPECT_EQ(p.MainPlanIndex(), 2);
    p.GetPlanClause(1, s, text, e);
    EXPECT_EQ(text, "(U NATURAL)");
    p.GetMainPlanClause(s, e, text);
    EXPECT_EQ(text, "(T NATURAL)");
    p.GetPlanClause(-1, s, text, e);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(text, "");
}

struct PlanCase { const char* Text; const char* Plan; const char* Expected; };

class ReplacePlanCases : public ::testing::TestWithParam<PlanCase> {};

TEST_P(ReplacePlanCases, Cases) {
    TSQLParser p(GetParam().Text);
    EXPECT_EQ(p.ReplacePlanClause(GetParam().Plan), GetParam().Expected) << GetParam().Text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplacePlanCases,
    ::testing::Values(
        PlanCase{"SELECT A FROM T PLAN (T NATURAL) ORDER BY A", "(T INDEX (I))",
                 "SELECT A FROM T PLAN (T INDEX (I)) ORDER BY A"},
        PlanCase{"SELECT A FROM T PLAN (T NATURAL) ORDER BY A", "", "SELECT A FROM T  ORDER BY A"},
        // The keyword goes however many blanks follow it.
        PlanCase{"SELECT A FROM T PLAN \r\n  (T NATURAL) ORDER BY A", "", "SELECT A FROM T  ORDER BY A"},
        PlanCase{"SELECT A FROM T ORDER BY A", "(T NATURAL)", "SELECT A FROM T \r\nPLAN (T NATURAL)\r\nORDER BY A"},
        PlanCase{"SELECT A FROM T", "(T NATURAL)", "SELECT A FROM T\r\nPLAN (T NATURAL)"},
        PlanCase{"SELECT A FROM T\n", "(T NATURAL)", "SELECT A FROM T\nPLAN (T NATURAL)"},
        PlanCase{"SELECT A FROM T", " ", "SELECT A FROM T"},
        PlanCase{"SELECT A FROM T WHERE A IN (SELECT B FROM U PLAN (U NATURAL)) PLAN (T NATURAL)", "",
                 "SELECT A FROM T WHERE A IN (SELECT B FROM U PLAN (U NATURAL)) "}));

// ---- main table and tables list ---------------------------------------------------------------

class MainTable : public ::testing::TestWithParam<TextCase> {};

TEST_P(MainTable, OfModifyingStatements) {
    TSQLParser p(GetParam().Text);
    EXPECT_EQ(p.GetMainTable(), GetParam().Expected) << GetParam().Text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MainTable,
    ::testing::Values(TextCase{"UPDATE T SET A=1", "T"}, TextCase{"UPDATE T X SET X.A=1", "T X"},
                      TextCase{"update \"My T\" x set a=1", "\"My T\" x"}, TextCase{"UPDATE T\r\nset A=1", "T"},
                      TextCase{"INSERT INTO T(A) VALUES(1)", "T"}, TextCase{"INSERT INTO /* c */ T VALUES (1)", "T"},
                      TextCase{"INSERT T VALUES(1)", "Unknown"}, TextCase{"DELETE FROM T WHERE A=1", "T"},
                      TextCase{"DELETE FROM T X WHERE X.A=1", "T X"}, TextCase{"DELETE FROM", "Unknown"},
                      TextCase{"DELETE FROM ", "Unknown"}, TextCase{"SELECT * FROM T", ""}));

TEST(SQLParserTables, FromClauseWithJoinsQuotesAndProcedures) {
    TSQLParser p(
        "SELECT * FROM A a1, b JOIN \"My Tab\" m ON m.x = b.x LEFT OUTER JOIN c ON c.y = b.y WHERE 1=1");
    TStringList* list = p.GetTablesList(true);
    ASSERT_EQ(list->Count(), 4);
    EXPECT_EQ(list->Strings(0), "A A1");
    EXPECT_EQ(list->Strings(1), "B");
    EXPECT_EQ(list->Strings(2), "\"My Tab\" M");
    EXPECT_EQ(list->Strings(3), "C");

    p.SetSQLText("SELECT * FROM PROC(1, 2) P, T ORDER BY 1");
    list = p.GetTablesList(true);
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Strings(0), "PROC P");
    EXPECT_EQ(list->Strings(1), "T");
    list = p.GetTablesList(false);
    ASSERT_EQ(list->Count(), 1);
    EXPECT_EQ(list->Strings(0), "T");

    p.SetSQLText("SELECT * FROM A /* , B */ -- , C\r\n, D\nWHERE 1=1");
    list = p.TablesList(false);
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Strings(1), "D");

    p.SetSQLText("UPDATE T X SET A = 1");
    list = p.TablesList(false);
    ASSERT_EQ(list->Count(), 1);
    EXPECT_EQ(list->Strings(0), "T X");
    p.SetSQLText("SELECT 1");
    EXPECT_EQ(p.TablesList(false)->Count(), 0);
}

// ---- robustness -------------------------------------------------------------------------------

void RunEverything(const AnsiString& Text) {
    TSQLParser p(Text);
    Integer a, b;
    AnsiString s;
    p.GetFromBounds(a, b);
    p.GetMainTable();
    p.GetOrderBounds(a, b, s);
    p.ReplaceOrderClause("X");
    p.ReplaceOrderClause("");
    for (Integer n = -1; n <= 3; ++n) {
        p.GetWhereClause(n, a, s, b);
        p.ReplaceWhereClause(n, "X = 1");
        p.GetPlanClause(n, a, s, b);
    }
    p.WhereClausesCount();
    p.MainWhereIndex();
    p.ReplaceMainWhere("X = 1");
    p.AddToMainWhere("X = 1", true);
    p.AddToMainWhere("X = 1", false);
    p.MainPlanIndex();
    p.ReplacePlanClause("(T NATURAL)");
    p.ReplacePlanClause("");
    p.MakeCountSQL();
    p.GetOrderInfo();
    p.GetTablesList(true);
    p.GetTablesList(false);
}

TEST(SQLParserRobustness, BrokenAndOddTextsNeitherCrashNorLoop) {
    const char* texts[] = {
        "SELECT 'abc FROM T WHERE",
        "SELECT \"abc FROM T WHERE",
        "SELECT A FROM T /* WHERE",
        "SELECT A FROM T -- WHERE",
        "/*",
        "--",
        "-",
        "/",
        "'",
        "\"",
        "SELECT (((((( FROM T WHERE ((( ORDER BY",
        ")))) WHERE )) FROM ) ORDER BY ) PLAN )",
        "WHERE",
        "FROM WHERE PLAN ORDER BY",
        "SELECT A FROM T WHERE",
        "SELECT A FROM T WHERE A=1 ORDER",
        "SELECT A FROM T PLAN",
        "SELECT A FROM T ORDER BY",
        "CREATE PROCEDURE P RETURNS (X INT) AS BEGIN FOR SELECT A FROM T WHERE B = 1 INTO :X DO SUSPEND; END",
        "EXECUTE BLOCK AS DECLARE X INT; BEGIN SELECT A FROM T WHERE B = 'x''y' INTO :X; END",
        "SELECT A FROM T WHERE B = 'it''s' AND C = \"q\"\"q\" -- x\r\n/* a */ ORDER BY A",
        "SELECT A\0 FROM T WHERE\0 A=1",
        "SELECT * FROM A JOIN B ON (A.X = B.X JOIN C",
        "SELECT * FROM P(1, (2, 3) Q, (",
        "\xff\xfe SELECT \xf0\xfd FROM \xde WHERE \xdd = 1",
    };
    for (const char* t : texts) RunEverything(t);
    RunEverything(AnsiString("SELECT A\0 FROM T WHERE\0 A=1", 27));
    RunEverything("");
}

TEST(SQLParserRobustness, DeepNesting) {
    AnsiString deep = "SELECT A FROM T WHERE ";
    for (int i = 0; i < 20000; ++i) deep += "(SELECT B FROM U WHERE ";
    deep += "C = 1";
    for (int i = 0; i < 20000; ++i) deep += ")";
    deep += " ORDER BY A";
    TSQLParser p(deep);
    EXPECT_EQ(p.MainWhereIndex(), 1);
    EXPECT_EQ(p.GetOrderClause(), " A");
    Integer s, e;
    AnsiString text;
    p.GetWhereClause(20001, s, text, e);
    EXPECT_EQ(text, "C = 1");
    RunEverything(AnsiString(5000, '(') + " WHERE " + AnsiString(5000, ')'));
}

}  // namespace
