#include "dbclient/FBPreprocess.h"
#include "dbclient/FBErrorKit.h"

#include <gtest/gtest.h>

#include "dbclient/FBMessages.h"
#include "dbclient/SQLParser.h"

namespace {

TScanResult Scan(const AnsiString& Text, bool OnlyNames = false) {
    return ScanSQLText(Text, OnlyNames, '@', StatementKindTakesParams(TSQLParser(Text).StatementKind()), "dm.Q");
}

TEST(FBPreprocess, MarkersBecomeQuestionMarksKeepingPositions) {
    const AnsiString text = "SELECT * FROM T WHERE A = :A AND B = ?BB\r\n";
    const TScanResult r = Scan(text);
    EXPECT_EQ(r.Text, "SELECT * FROM T WHERE A = ?  AND B = ?  \r\n");
    EXPECT_EQ(r.Text.size(), text.size());
    ASSERT_EQ(r.Names.size(), 2u);
    EXPECT_EQ(r.Names[0].Name, "A");
    EXPECT_EQ(r.Names[0].StartPos, 27);
    EXPECT_EQ(r.Names[0].EndPos, 28);
    EXPECT_EQ(r.Names[1].Name, "BB");
    EXPECT_TRUE(r.Names[1].InWhere);
    EXPECT_TRUE(r.Names[1].Standalone);
}

TEST(FBPreprocess, QuotedNameKeepsCaseAndLength) {
    const AnsiString text = "SELECT * FROM T WHERE A = :\"MixEd\"\r\n";
    const TScanResult r = Scan(text);
    ASSERT_EQ(r.Names.size(), 1u);
    EXPECT_EQ(r.Names[0].Name, "MixEd");
    EXPECT_TRUE(r.Names[0].Quoted);
    EXPECT_EQ(r.Names[0].EndPos, 34);
    EXPECT_EQ(r.Text.size(), text.size());
    EXPECT_EQ(r.Text.substr(26, 8), "?       ");
}

TEST(FBPreprocess, TextInStringsAndCommentsIsNoMarker) {
    const TScanResult r = Scan(
        "SELECT ':X', \"?Y\", 'it''s :Z' /* :C */ FROM T -- :L\r\nWHERE A = :A\r\n");
    ASSERT_EQ(r.Names.size(), 1u);
    EXPECT_EQ(r.Names[0].Name, "A");
}

TEST(FBPreprocess, StandaloneAndWhereTracking) {
    struct Case { const char* Text; bool InWhere, Standalone; } cases[] = {
        {"SELECT :A FROM T\r\n", false, false},
        {"UPDATE T SET X = :A WHERE ID = 1\r\n", false, false},
        {"SELECT * FROM T WHERE A = :A + 1\r\n", true, false},
        {"SELECT * FROM T WHERE A = :A || 'x'\r\n", true, false},
        {"SELECT * FROM T WHERE (A = :A)\r\n", true, true},
        {"SELECT * FROM T WHERE A = :A -- c\r\n", true, true},
        {"SELECT * FROM T WHERE A = :A ORDER BY 1\r\n", true, true},
        {"SELECT * FROM T WHERE A = 1 GROUP BY B HAVING B = :A\r\n", false, false},
    };
    for (const Case& c : cases) {
        const TScanResult r = Scan(c.Text);
        ASSERT_EQ(r.Names.size(), 1u) << c.Text;
        EXPECT_EQ(r.Names[0].InWhere, c.InWhere) << c.Text;
        EXPECT_EQ(r.Names[0].Standalone, c.Standalone) << c.Text;
    }
}

TEST(FBPreprocess, MacrosInBothForms) {
    TScanResult r = Scan("SELECT * FROM T ORDER BY @ORDERFIELD%NAME \r\n", true);
    ASSERT_EQ(r.Names.size(), 1u);
    EXPECT_EQ(r.Names[0].Name, "@ORDERFIELD%NAME");
    EXPECT_EQ(r.Names[0].StartPos, 26);
    EXPECT_EQ(r.Names[0].EndPos, 41);
    r = Scan("SELECT * FROM T WHERE @@COND%A = 1@ \r\n", true);
    ASSERT_EQ(r.Names.size(), 1u);
    EXPECT_EQ(r.Names[0].Name, "@COND%A = 1");
    EXPECT_EQ(r.Names[0].EndPos, 35);
}

TEST(FBPreprocess, DDLKeepsColonsAndQuestionMarks) {
    const AnsiString text = "CREATE PROCEDURE P AS BEGIN X = :Y; END\r\n";
    const TScanResult r = Scan(text);
    EXPECT_TRUE(r.Names.empty());
    EXPECT_EQ(r.Text, text);
}

TEST(FBPreprocess, ParseErrors) {
    struct Case { const char* Text; const char* Reason; } cases[] = {
        {"SELECT 'abc FROM T\r\n", "EOF in string detected"},
        {"SELECT 1 /* open FROM T\r\n", "EOF in comment detected"},
        {"SELECT * FROM T WHERE A = ?\r\n", "Parameter name expected"},
        {"SELECT * FROM T WHERE A = : B\r\n", "Parameter name expected"},
        {"SELECT * FROM T ORDER BY @ X\r\n", "Parameter name expected"},
        {"SELECT \"abc FROM T\r\n", "EOF in string detected"},
        {"SELECT 'a\"b' FROM T WHERE X = '\r\n", "EOF in string detected"},
        {"SELECT A::INTEGER FROM T\r\n", "Parameter name expected"},
        {"SELECT * FROM T WHERE A = :\r\n", "Parameter name expected"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(RaisesCode([&] { Scan(c.Text); }, 51, AnsiString("SQL Parse Error in :dm.Q \r\n\r\n") + c.Reason))
            << c.Text;
    }
}

TEST(FBPreprocess, NullComparisonRewrites) {
    struct Case {
        const char* Text;
        const char* Expected;  // nullptr: unchanged
    } cases[] = {
        {"WHERE A = :A AND", "WHERE A  IS NULL  AND"}, {"WHERE A <> :A AND", "WHERE A  IS NOT NULL  AND"},
        {"WHERE A != :A AND", "WHERE A  IS NOT NULL  AND"}, {"WHERE A ^= :A AND", "WHERE A  IS NOT NULL  AND"},
        {"WHERE A ~= :A AND", "WHERE A  IS NOT NULL  AND"}, {"WHERE A >= :A AND", nullptr},
        {"WHERE A <= :A AND", nullptr}, {"WHERE A LIKE :A AND", nullptr},
    };
    for (const Case& c : cases) {
        AnsiString text = c.Text;
        const Integer start = static_cast<Integer>(text.find(':')) + 1;
        AnsiString rep;
        Integer from = 0, len = 0;
        const bool done = RewriteNullComparison(text, start, start + 1, rep, from, len);
        EXPECT_EQ(done, c.Expected != nullptr) << c.Text;
        EXPECT_EQ(text, c.Expected ? c.Expected : c.Text);
    }
}

TEST(FBPreprocess, NullComparisonOutsideTheTextRewritesNothing) {
    // Positions of a longer text: nothing before them may be read or replaced.
    for (Integer start : {10, 11, 40}) {
        AnsiString text = "WHERE A =";
        AnsiString rep;
        Integer from = 0, len = 0;
        EXPECT_FALSE(RewriteNullComparison(text, start, start + 1, rep, from, len)) << start;
        EXPECT_EQ(text, "WHERE A =");
    }
    AnsiString text = "WHERE A = :A";
    AnsiString rep;
    Integer from = 0, len = 0;
    EXPECT_FALSE(RewriteNullComparison(text, 0, 1, rep, from, len));
    EXPECT_FALSE(RewriteNullComparison(text, 11, 13, rep, from, len)) << "end one past the text";
    EXPECT_TRUE(RewriteNullComparison(text, 11, 12, rep, from, len));
}

TEST(FBPreprocess, MarkerLookAhead) {
    EXPECT_TRUE(HasParamMarkers("select :a from t", '@'));
    EXPECT_TRUE(HasParamMarkers("select a from t order by @x", '@'));
    EXPECT_FALSE(HasParamMarkers("select ':a', \"?b\" from t /* :c */ -- :d\n", '@'));
    EXPECT_FALSE(HasParamMarkers(":", '@')) << "the first character is not looked at";
}

TEST(FBPreprocess, OnlyDataStatementsTakeMarkers) {
    struct Case { const char* Text; bool Takes; };
    for (const Case& c : {Case{"-- c\r\nupdate t set a = 1\r\n", true}, Case{"  /* c */ EXECUTE PROCEDURE P\r\n", true},
                          Case{"select 1 from t\r\n", true}, Case{"create table t (a integer)\r\n", false},
                          Case{"EXECUTED x\r\n", false}, Case{"savepoint s\r\n", false}})
        EXPECT_EQ(StatementKindTakesParams(TSQLParser(c.Text).StatementKind()), c.Takes) << c.Text;
}

TEST(FBPreprocess, WhereTrackingUsesTheParserKeywords) {
    // WHERE directly followed by "(" opens a WHERE clause; GROUP ends it.
    TScanResult r = Scan("SELECT A FROM T WHERE(A = :A) GROUP BY A HAVING COUNT(*) = :C\r\n", true);
    ASSERT_EQ(r.Names.size(), 2u);
    EXPECT_TRUE(r.Names[0].InWhere);
    EXPECT_FALSE(r.Names[1].InWhere);
    // A column named WHEREVER is no keyword.
    r = Scan("SELECT A FROM T WHEREVER = :A\r\n", true);
    ASSERT_EQ(r.Names.size(), 1u);
    EXPECT_FALSE(r.Names[0].InWhere);
}

TEST(FBPreprocess, QuotesOfBothKindsAndCommentsHideMarkers) {
    struct Case {
        const char* Text;
        const char* Names;   // found names joined by ","
    } cases[] = {
        {"SELECT 'a\"b', :A FROM T\r\n", "A"},
        {"SELECT \"x'y\", :A FROM T\r\n", "A"},
        {"SELECT \"a\"\"b:c\" FROM T WHERE X = :X\r\n", "X"},
        {"SELECT 'it''s :no' FROM T WHERE X = ?X\r\n", "X"},
        {"SELECT 1 FROM T -- :NO 'open\r\nWHERE X = :X\r\n", "X"},
        {"SELECT 1 FROM T /* ' :NO\r\n */ WHERE X = :X - :Y\r\n", "X,Y"},
        {"SELECT A-:B FROM T\r\n", "B"},
        {"SELECT :A, ?B, :\"c d\" FROM T\r\n", "A,B,c d"},
    };
    for (const Case& c : cases) {
        const TScanResult r = Scan(c.Text);
        AnsiString names;
        for (const TScannedName& n : r.Names) names += (names.empty() ? "" : ",") + n.Name;
        EXPECT_EQ(names, c.Names) << c.Text;
        EXPECT_EQ(r.Text.size(), AnsiString(c.Text).size()) << c.Text;
    }
}

}  // namespace
