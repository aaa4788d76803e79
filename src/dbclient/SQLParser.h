#pragma once
// TSQLParser: reads one SQL statement without sending it anywhere. It finds the
// clauses that get rewritten (FROM, WHERE, PLAN, ORDER BY) outside quoted names,
// string literals, comments and parentheses, tells the kind of statement from
// its first word and returns rewritten texts; the text it holds never changes.
//
// Positions are 1-based character indexes into the text, 0 means "not found".
// Keyword matching folds ASCII letters only. Every public operation starts
// with parenthesis depth 0 and the stop-at-close flag off, so the result of one
// call never depends on what was asked before.
#include <memory>

#include "platform/rtl/System.h"
#include "platform/rtl/Variants.h"

class TStringList;

// Statement kinds returned by SetSQLText / DetectStatementKind.
inline constexpr Byte skUnknown = 0;
inline constexpr Byte skSelect = 1;
inline constexpr Byte skUpdate = 2;
inline constexpr Byte skInsert = 3;
inline constexpr Byte skDelete = 4;
inline constexpr Byte skExecute = 5;
inline constexpr Byte skDDL = 6;

class TSQLParser : public TObject {
public:
    // A scan test: answers whether what it looks for stands at Pos of the
    // parser's text. TestSelf is handed through unchanged.
    using TScanTest = bool (*)(void* TestSelf, Integer Pos);

    TSQLParser();
    explicit TSQLParser(const AnsiString& Text);  // Create followed by SetSQLText
    ~TSQLParser() override;

    // Stores the text, clears the tables list, finds the first significant
    // character and the statement kind, which it returns.
    Byte SetSQLText(const AnsiString& Text);
    const AnsiString& SQLText() const { return FText; }
    Byte StatementKind() const { return FKind; }
    Integer StartPos() const { return FStartPos; }

    // Scan engine. Walks from StartPos to the end, tracking quotes, comments
    // and parenthesis depth (carried over from the previous scan), and calls
    // Test at every ordinary character outside quotes and comments; stops at
    // the first yes. FoundPos() is the result, 0 when nothing answered yes.
    void Scan(Integer StartPos, TScanTest Test, void* TestSelf);
    Integer FoundPos() const { return FFound; }
    Integer CurrentPos() const { return FCurPos; }
    Integer Depth() const { return FDepth; }
    Integer StartDepth() const { return FStartDepth; }
    bool StopAtClose() const { return FStopAtClose; }
    Integer WantedOccurrence() const { return FWantedOccur; }

    // FROM clause of the main query: FromStart is the F of FROM, FromEnd the
    // white character before the next clause keyword or the text length.
    // Both 0 when there is none.
    void GetFromBounds(Integer& FromStart, Integer& FromEnd);
    // Target table of UPDATE / INSERT / DELETE ("TABLE ALIAS" or "TABLE");
    // "Unknown" when the table cannot be found; empty for other kinds.
    AnsiString GetMainTable();

    // ORDER BY of the main query; it always runs to the end of the text.
    void GetOrderBounds(Integer& OrderPos, Integer& EndPos, AnsiString& OrderText);
    AnsiString GetOrderClause();
    AnsiString ReplaceOrderClause(const AnsiString& NewOrder);

    // N-th WHERE keyword (1-based; 0 also means the first). StartPos is the
    // keyword, ClauseText the condition, EndPos its last character.
    void GetWhereClause(Integer N, Integer& StartPos, AnsiString& ClauseText, Integer& EndPos);
    AnsiString ReplaceWhereClause(Integer N, const AnsiString& NewCondition);
    AnsiString ReplaceMainWhere(const AnsiString& NewCondition);
    Integer WhereClausesCount();
    // 1-based index of the first WHERE at depth 0, -1 when none.
    Integer MainWhereIndex();
    void GetMainWhereClause(Integer& StartPos, Integer& EndPos, AnsiString& ClauseText);
    // Condition ANDed into the main WHERE (or a WHERE added after FROM).
    AnsiString AddToMainWhere(const AnsiString& Condition, bool NewLine);

    // N-th PLAN clause: StartPos is the first character of the plan text.
    void GetPlanClause(Integer N, Integer& StartPos, AnsiString& PlanText, Integer& EndPos);
    Integer MainPlanIndex();
    void GetMainPlanClause(Integer& StartPos, Integer& EndPos, AnsiString& PlanText);
    // Empty NewPlan removes the main plan together with its keyword.
    AnsiString ReplacePlanClause(const AnsiString& NewPlan);

    // "Select Count(*) FROM ..." with the main WHERE; empty unless a SELECT
    // with a FROM clause.
    AnsiString MakeCountSQL();
    // ORDER BY items as a [0..n-1, 0..1] variant array: [i,0] the item,
    // [i,1] true for ascending. Unassigned when there is no item.
    Variant GetOrderInfo();

    // Fills the tables list from the FROM clause: "TABLE" or "TABLE ALIAS";
    // returns it (owned by the parser).
    TStringList* GetTablesList(bool KeepProcedures);
    // The tables list, filled on first use (target table for non-SELECTs).
    TStringList* TablesList(bool KeepProcedures);

    Byte DetectStatementKind();

private:
    struct TClause {
        Integer KeywordPos = 0;
        Integer StartPos = 0;
        Integer EndPos = 0;
        AnsiString Text;
    };

    void ResetScanState();
    // Clause bodies without resetting, used by the public operations.
    TClause FindWhere(Integer N);
    TClause FindPlan(Integer N);
    Integer WalkMainIndex(TScanTest Test);
    Integer EndOfClause(Integer From) const;
    Integer ReadWord(Integer& Pos) const;
    AnsiString WordAt(Integer& Pos) const;

    // Keyword tests handed to Scan.
    static bool TestFrom(void* Self, Integer P);
    static bool TestMainFrom(void* Self, Integer P);
    static bool TestFromEnd(void* Self, Integer P);
    static bool TestInto(void* Self, Integer P);
    static bool TestMainOrder(void* Self, Integer P);
    static bool TestBy(void* Self, Integer P);
    static bool TestPlan(void* Self, Integer P);
    static bool TestPlanEnd(void* Self, Integer P);
    static bool TestWhere(void* Self, Integer P);
    static bool TestWhereEnd(void* Self, Integer P);
    bool Counted();

    Integer FState = 0;        // 0 text, 1 "name", 2 block comment, 3 line comment, 4 'literal'
    Integer FCurPos = 0;
    Integer FFound = 0;
    Integer FDepth = 0;
    AnsiString FText;
    Integer FLen = 0;
    Integer FWantedOccur = 0;
    Integer FOccurCounter = 0;
    bool FStopAtClose = false;
    bool FStoppedAtClose = false;  // the last scan ended at a ")" closing its level
    Integer FStartPos = 1;
    Byte FKind = skUnknown;
    std::unique_ptr<TStringList> FTablesList;
    Integer FStartDepth = 0;
};

// Leading blanks and comments: the position of the first significant
// character at or after Pos (past the end when there is none).
Integer SkipBlanksAndComments(const AnsiString& Text, Integer Pos);
