#include "dbclient/SqlTxtRtns.h"

#include <gtest/gtest.h>

#include "platform/rtl/Classes.h"

namespace {

struct PairCase { const char* A; const char* B; bool Expected; };

TEST(SqlTxtRtns, SameIdentifiers) {
    const PairCase cases[] = {
        {"", "X", true},          {"X", "", true},               {"abc", "ABC", true},
        {"\"ABC\"", "abc", true}, {"\"Abc\"", "abc", false},     {"\"Abc\"", "\"Abc\"", true},
        {"\"Abc\"", "\"ABC\"", false}, {"abc", "\"ABC\"", true}, {"Abc", "\"Abc\"", true},
        {"abc", "\"Abc\"", false}, {"a", "b", false},
    };
    for (const auto& c : cases) EXPECT_EQ(SameIdentifiers(c.A, c.B), c.Expected) << c.A << " / " << c.B;
}

TEST(SqlTxtRtns, SplitMacroToken) {
    struct Case { const char* Token; const char* Name; const char* Default; } cases[] = {
        {"@NAME%DEF", "@NAME", "DEF"}, {"NAME%x%y", "@NAME", "x%y"}, {"@NAME", "@NAME", "old"},
        {"NAME", "@NAME", "old"},      {"", "@", "old"},             {"%D", "@", "D"},
    };
    for (const auto& c : cases) {
        AnsiString name, def = "old";
        SplitMacroToken(c.Token, '@', name, def);
        EXPECT_EQ(name, c.Name) << c.Token;
        EXPECT_EQ(def, c.Default) << c.Token;
    }
}

TEST(SqlTxtRtns, PosOfSQLWord) {
    struct Case { const char* Word; const char* Text; Integer Pos; } cases[] = {
        {"JOIN", "A JOIN B", 3}, {"join", "A JOIN B", 3}, {"JOIN", "AJOIN B JOIN C", 9},
        {"ON", "A.ONX ON", 7},   {"ON", ")ON(", 0},       {"ON", "ON;", 1},
        {"X", "", 0},            {"", "X", 0},            {"ON", "ONON ON", 6},
        {"ON", "a\tON\r\n", 3},  {"ON", ")ON", 2},
    };
    for (const auto& c : cases) EXPECT_EQ(PosOfSQLWord(c.Word, c.Text), c.Pos) << c.Word << " in " << c.Text;
}

TEST(SqlTxtRtns, StripSQLComments) {
    struct Case { const char* Text; const char* Expected; } cases[] = {
        {"a /* x */b", "a b"}, {"a -- x\r\nb", "a b"}, {"a -- x\nb", "a b"}, {"a -- x\r\r\nb", "a \r\nb"},
        {"'--' \"/*\" x", "'--' \"/*\" x"}, {"'it''s -- no' x", "'it''s -- no' x"}, {"a/* never", "a"},
        {"a -- never", "a "}, {"a*/b", "a*/b"}, {"/*/ x */y", "y"}, {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(StripSQLComments(c.Text), c.Expected) << c.Text;
}

TEST(SqlTxtRtns, JoinsToTableList) {
    EXPECT_EQ(JoinsToTableList("A LEFT JOIN B ON A.X = B.X"), "A , B ");
    EXPECT_EQ(JoinsToTableList("a inner join b on a.x=b.x join c on c.y=b.y"), "a , b , c ");
    EXPECT_EQ(JoinsToTableList("A FULL OUTER JOIN B ON A.X = B.X, C"), "A , B , C");
    EXPECT_EQ(JoinsToTableList("A, B"), "A, B");
    EXPECT_EQ(JoinsToTableList("A JOINT B"), "A JOINT B");
    EXPECT_EQ(JoinsToTableList("A JOIN"), "A , ");
}

TEST(SqlTxtRtns, StripParenthesized) {
    EXPECT_EQ(StripParenthesized("PROC(1, 2) P, T", true), "PROC P, T");
    EXPECT_EQ(StripParenthesized("PROC(1, 2) P, T", false), ", T");
    EXPECT_EQ(StripParenthesized("T, PROC(1, (2)) P", false), "T");
    EXPECT_EQ(StripParenthesized("T, PROC(1, (2)) P, U", false), "T, U");
    EXPECT_EQ(StripParenthesized("T, P(1)", true), "T, P");
    EXPECT_EQ(StripParenthesized("A(B", true), "A(B");
    EXPECT_EQ(StripParenthesized("X(1), A(B", false), ", A(B");
}

TEST(SqlTxtRtns, EntriesAndAliases) {
    EXPECT_EQ(AliasStartPos("T"), 0);
    EXPECT_EQ(AliasStartPos("T A"), 3);
    EXPECT_EQ(AliasStartPos("T \t A"), 5);
    EXPECT_EQ(AliasStartPos("\"My Tab\" m"), 10);
    EXPECT_EQ(TableNamePart("\"My Tab\" m"), "\"My Tab\"");
    EXPECT_EQ(AliasPart("\"My Tab\" m"), "m");
    EXPECT_EQ(AliasPart("T"), "T");
    EXPECT_EQ(TableNamePart("T"), "T");
    EXPECT_EQ(TableNamePart("T A", 3), "T");
    TStringList list;
    list.Add("A X");
    list.Add("\"B C\" D");
    list.Add("E");
    RemoveAliases(&list);
    EXPECT_EQ(list.Strings(0), "A");
    EXPECT_EQ(list.Strings(1), "\"B C\"");
    EXPECT_EQ(list.Strings(2), "E");
}

TEST(SqlTxtRtns, TablesOfStatements) {
    TStringList list;
    FillTablesList("SELECT * FROM A X, B WHERE 1=1", &list, true, false);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Strings(0), "A");
    FillTablesList("SELECT * FROM A X, B WHERE 1=1", &list, true, true);
    EXPECT_EQ(list.Strings(0), "A X");
    FillTablesList("UPDATE T X SET A = 1", &list, true, true);
    EXPECT_EQ(list.Count(), 0);
    FillStatementTablesList("UPDATE T X SET A = 1", &list, true, false);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Strings(0), "T");

    EXPECT_EQ(MainTableOfSQL("UPDATE T X SET A=1", true), "T X");
    EXPECT_EQ(MainTableOfSQL("UPDATE T X SET A=1", false), "T");
    EXPECT_EQ(MainTableOfSQL("update \"My T\" x set a=1", false), "My T");
    EXPECT_EQ(MainTableOfSQL("update \"MyT\" set a=1", false), "MyT");
    EXPECT_EQ(MainTableOfSQL("update T\tset a=1", false), "T");
    EXPECT_EQ(MainTableOfSQL("INSERT INTO T(A) VALUES (1)", false), "T");
    EXPECT_EQ(MainTableOfSQL("SELECT 1 FROM T", false), "");
    EXPECT_EQ(MainTableOfSQL("DELETE FROM", false), "Unknown");
}

TEST(SqlTxtRtns, TableByAliasAndFullFieldName) {
    const AnsiString sql = "SELECT * FROM CUSTOMERS C, ORDERS O WHERE C.ID = O.CID";
    EXPECT_EQ(TableByAlias(sql, "O"), "ORDERS");
    EXPECT_EQ(TableByAlias(sql, "c"), "CUSTOMERS");
    EXPECT_EQ(TableByAlias(sql, "ORDERS"), "ORDERS");  // a table name instead of an alias
    EXPECT_EQ(TableByAlias(sql, "X"), "");
    EXPECT_EQ(TableByAlias("SELECT * FROM \"My Tab\" m", "M"), "\"My Tab\"");

    EXPECT_EQ(FullFieldName(sql, "o.cid"), "ORDERS.CID");
    EXPECT_EQ(FullFieldName(sql, "o.\"Cid\""), "ORDERS.Cid");
    EXPECT_EQ(FullFieldName(sql, "cid"), "cid");
    EXPECT_EQ(FullFieldName(sql, "z.cid"), "z.cid");
    EXPECT_EQ(FullFieldName("SELECT * FROM \"My Tab\" m", "m.x"), "My Tab.X");
}

TEST(SqlTxtRtns, FieldNameByParam) {
    EXPECT_EQ(FieldNameByParam("SELECT * FROM T WHERE ID = :ID", "ID"), "ID");
    EXPECT_EQ(FieldNameByParam("SELECT * FROM T WHERE KOD=:kod", "KOD"), "KOD");
    EXPECT_EQ(FieldNameByParam("SELECT * FROM T WHERE A=:P1 AND T.B>=:P2", "P2"), "T.B");
    EXPECT_EQ(FieldNameByParam("SELECT * FROM T WHERE NAME = ?PNAME", "PNAME"), "NAME");
    EXPECT_EQ(FieldNameByParam("SELECT * FROM T WHERE A IN (SELECT B FROM U WHERE U.C = 1) AND X = 2 "
                               "UNION SELECT * FROM V WHERE V.K = :KEY",
                               "KEY"),
              "V.K");
    // names fold as names: the query keeps ":abone_id" as ABONE_ID
    EXPECT_EQ(FieldNameByParam("SELECT * FROM T WHERE ABONE_ID = :abone_id", "ABONE_ID"), "ABONE_ID");
    EXPECT_EQ(FieldNameByParam("SELECT * FROM T WHERE ID = :IDX", "ID"), "");
    EXPECT_EQ(FieldNameByParam("SELECT * FROM T WHERE :ID = ID", "ID"), "");
    EXPECT_EQ(FieldNameByParam("SELECT * FROM T", "ID"), "");
}

TEST(SqlTxtRtns, ExpressionByAlias) {
    struct Case { const char* Select; const char* Alias; const char* Expected; } cases[] = {
        {"A, B AS X, C", "X", "B"}, {"A, T.B X, C", "X", "T.B"}, {"A, T . B X", "X", "T.B"},
        {"SUM(A) AS TOTAL, B", "TOTAL", "SUM(A)"}, {"COALESCE(A, 0) V", "V", "COALESCE(A, 0)"}, {"A, B", "B", "B"},
        {"B", "B", "B"}, {"A, B AS \"My X\"", "My X", "B"}, {"x.\"Col\" Y", "Y", "x.\"Col\""}, {"A", "Z", ""},
        {"A, B AS x", "X", "B"}, {"A, B AS id", "ID", "B"}, {"A, B AS ID", "ıd", "B"},
    };
    for (const auto& c : cases) EXPECT_EQ(ExpressionByAlias(c.Select, c.Alias), c.Expected) << c.Select;
}

TEST(SqlTxtRtns, InvertOrderClause) {
    struct Case { const char* List; const char* Expected; } cases[] = {
        {"A, B DESC", "A desc,B"},
        {"A DESC, B", "A,B desc"},
        {"A, B", "A desc,B desc"},
        {"A DESCENDING", "A"},
        {"  T.A ASC", "T.A desc"},
        {"\"My Col\" desc", "\"My Col\""},
        {"A COLLATE PXW_TURK DESC, B", "A COLLATE PXW_TURK,B desc"},
        {"COALESCE(A, B) DESC, C", "COALESCE(A, B),C desc"},
        {"", ""},
        {"  ", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(InvertOrderClause(c.List), c.Expected) << c.List;
}

TEST(SqlTxtRtns, WhereKeywordTests) {
    EXPECT_TRUE(IsWhereKeywordAt(" WHERE x", 2));
    EXPECT_TRUE(IsWhereKeywordAt(" where(x", 2));
    EXPECT_TRUE(IsWhereKeywordAt(")where x", 2));
    EXPECT_FALSE(IsWhereKeywordAt("WHERE x", 1));
    EXPECT_FALSE(IsWhereKeywordAt(" WHEREX", 2));
    EXPECT_FALSE(IsWhereKeywordAt(" WHERE", 2));
    EXPECT_FALSE(IsWhereKeywordAt("\"WHERE x", 2));
    EXPECT_FALSE(IsWhereKeywordAt(" WHERE x", 40));

    for (const char* t : {" ORDER BY", " PLAN(", " GROUP BY", " HAVING(", " FOR UPDATE", " START x", " UNION ALL"})
        EXPECT_TRUE(IsWhereEndKeywordAt(t, 2)) << t;
    for (const char* t : {" ORDERS x", " FROM x", " START", " ORDER(", " GROUP(x"})
        EXPECT_FALSE(IsWhereEndKeywordAt(t, 2)) << t;
}

TEST(SqlTxtRtns, WhereKeywordTestsStayInsideTheText) {
    for (const char* text : {"", " ", " WHERE x", " ORDER BY", " HAVING", "x WHERE"}) {
        const AnsiString t = text;
        const Integer len = static_cast<Integer>(t.size());
        for (Integer p = -2; p <= len + 8; ++p) {
            if (p != 2 || t != " WHERE x") {
                EXPECT_FALSE(IsWhereKeywordAt(t, p)) << t << " at " << p;
            }
            // The end of the text ends a WHERE clause too.
            if (p == len && len > 0) {
                EXPECT_TRUE(IsWhereEndKeywordAt(t, p)) << t << " at " << p;
            } else if (p > len || p < 1) {
                EXPECT_FALSE(IsWhereEndKeywordAt(t, p)) << t << " at " << p;
            }
        }
    }
}

TEST(SqlTxtRtns, OneCallParserForms) {
    const AnsiString sql = "SELECT A FROM T WHERE A IN (SELECT B FROM U WHERE C = 1) ORDER BY A DESC";
    EXPECT_EQ(WhereClausesCountOfSQL(sql), 2);
    EXPECT_EQ(MainWhereIndexOfSQL(sql), 1);
    Integer s, e;
    AnsiString text;
    GetWhereClauseOfSQL(sql, 2, s, text, e);
    EXPECT_EQ(text, "C = 1");
    EXPECT_EQ(MakeCountSQL(sql), "Select Count(*) FROM T \r\n WHERE A IN (SELECT B FROM U WHERE C = 1)");
    EXPECT_EQ(AddToWhereClause("SELECT A FROM T", "B = 1", false), "SELECT A FROM T WHERE B = 1\r\n");
    const Variant info = GetOrderInfo(sql);
    EXPECT_EQ(VarArrayGet(info, {0, 0}).AsString(), "A");
    EXPECT_FALSE(VarArrayGet(info, {0, 1}).AsBoolean());
}

}  // namespace
