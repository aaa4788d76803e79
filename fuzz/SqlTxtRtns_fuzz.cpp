// Feeds arbitrary bytes as SQL text to the parser and the SQL text routines.
// Nothing may crash, hang or read out of bounds, and the positions reported
// must lie inside the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "dbclient/SqlTxtRtns.h"
#include "platform/rtl/Classes.h"

namespace {

void Check(bool Condition) {
    if (!Condition) std::abort();
}

void CheckRange(Integer Start, Integer End, Integer Len) {
    Check(Start >= 0 && Start <= Len + 1);
    Check(End >= 0 && End <= Len);
}

void Parser(const AnsiString& Text) {
    const Integer len = static_cast<Integer>(Text.size());
    TSQLParser p(Text);
    Check(p.StatementKind() <= skDDL);
    Integer a = 0, b = 0;
    AnsiString s;

    p.GetFromBounds(a, b);
    CheckRange(a, b, len);
    p.GetMainTable();
    p.GetOrderBounds(a, b, s);
    CheckRange(a, b, len);
    Check(p.ReplaceOrderClause("").size() <= Text.size());
    p.ReplaceOrderClause("X DESC");

    const Integer count = p.WhereClausesCount();
    Check(count >= 0 && count <= len / 5 + 1);
    const Integer main = p.MainWhereIndex();
    Check(main == -1 || (main >= 1 && main <= count));
    for (Integer n = -1; n <= count + 1 && n <= 8; ++n) {
        p.GetWhereClause(n, a, s, b);
        CheckRange(a, b, len);
        Check(s.size() <= Text.size());
        p.ReplaceWhereClause(n, "X = 1");
        p.ReplaceWhereClause(n, "");
        p.GetPlanClause(n, a, s, b);
        CheckRange(a, b, len);
    }
    p.ReplaceMainWhere("X = 1");
    const AnsiString added = p.AddToMainWhere("Q = 7", false);
    Check(added.find("Q = 7") != AnsiString::npos);
    p.AddToMainWhere("Q = 7", true);
    p.MainPlanIndex();
    p.GetMainPlanClause(a, b, s);
    CheckRange(a, b, len);
    Check(p.ReplacePlanClause("").size() <= Text.size());
    p.ReplacePlanClause("(T NATURAL)");
    p.MakeCountSQL();
    p.GetOrderInfo();
    p.GetTablesList(true);
    p.GetTablesList(false);
    p.TablesList(true);
    Check(p.SQLText() == Text);
}

void Routines(const AnsiString& Text) {
    const Integer len = static_cast<Integer>(Text.size());
    Check(StripSQLComments(Text).size() <= Text.size());
    JoinsToTableList(Text);
    Check(StripParenthesized(Text, true).size() <= Text.size());
    Check(StripParenthesized(Text, false).size() <= Text.size());
    const Integer alias = AliasStartPos(Text);
    Check(alias >= 0 && alias <= len);
    TableNamePart(Text);
    AliasPart(Text);
    InvertOrderClause(Text);
    ExpressionByAlias(Text, "X");
    ExpressionByAlias(Text, "As");
    FieldNameByParam(Text, "ID");
    TableByAlias(Text, "A");
    FullFieldName(Text, "A.B");
    MainTableOfSQL(Text, false);
    MainTableOfSQL(Text, true);
    const Integer w = PosOfSQLWord("WHERE", Text);
    Check(w >= 0 && w <= len);
    SameIdentifiers(Text, "\"A\"");
    SameIdentifiers("\"", Text);
    AnsiString name, def;
    SplitMacroToken(Text, '@', name, def);
    TStringList list;
    FillStatementTablesList(Text, &list, true, false);
    for (Integer p = 0; p <= len + 1; ++p) {
        IsWhereKeywordAt(Text, p);
        IsWhereEndKeywordAt(Text, p);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size > 4096) return 0;
    const AnsiString text(reinterpret_cast<const char*>(Data), Size);
    Parser(text);
    Routines(text);
    return 0;
}
