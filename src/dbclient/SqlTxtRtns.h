#pragma once
// Free routines over SQL statement texts: identifier comparison, macro tokens,
// whole-word search, the tables of a FROM clause with their aliases, the table
// behind an alias, full field names, the field compared with a parameter, the
// expression behind a select-list alias, reversing an ORDER BY list, and
// one-call forms of the TSQLParser operations. None of them keeps state or
// raises: a missing clause gives an empty result, 0 or the text unchanged.
//
// Positions are 1-based, 0 means "not found". Upper-casing is ASCII unless a
// routine says otherwise.
#include "dbclient/SQLParser.h"

class TStrings;

// Identifiers equal as the server sees them: unquoted names fold to upper case,
// quoted names keep theirs. An empty side matches anything.
bool SameIdentifiers(const AnsiString& A, const AnsiString& B);
// NAME%DEFAULT: Name gets the part before "%" (with MacroChar put in front
// when missing), DefaultText the part after it (left alone without "%").
void SplitMacroToken(const AnsiString& Token, char MacroChar, AnsiString& Name, AnsiString& DefaultText);
// Whole-word, ASCII case-insensitive position of Word in Text.
Integer PosOfSQLWord(const AnsiString& Word, const AnsiString& Text);
// Text with block and line comments removed (quoted parts kept as they are).
AnsiString StripSQLComments(const AnsiString& Text);
// JOIN syntax folded to a comma list, ON conditions dropped.
AnsiString JoinsToTableList(const AnsiString& FromText);
// Parenthesised parts removed; without KeepItem the whole list item goes.
AnsiString StripParenthesized(const AnsiString& Text, bool KeepItem);

// A FROM-list entry is "TABLE" or "TABLE ALIAS" (quoted names keep quotes).
Integer AliasStartPos(const AnsiString& Entry);
AnsiString TableNamePart(const AnsiString& Entry, Integer AliasPos = 0);
// The alias, or the table itself when it has none.
AnsiString AliasPart(const AnsiString& Entry, Integer AliasPos = 0);
void RemoveAliases(TStrings* List);

// Tables of the FROM clause of SQL into List.
void FillTablesList(const AnsiString& SQL, TStrings* List, bool KeepProcedures, bool WithAliases);
// As FillTablesList, but UPDATE / INSERT / DELETE give their target table.
void FillStatementTablesList(const AnsiString& SQL, TStrings* List, bool KeepProcedures, bool WithAliases);
AnsiString MainTableOfSQL(const AnsiString& SQL, bool WithAlias);
// Table behind Alias; a table name given instead of an alias finds that table.
AnsiString TableByAlias(const AnsiString& SQL, const AnsiString& Alias);
// ALIAS.FIELD -> TABLE.FIELD (unchanged when the alias is unknown).
AnsiString FullFieldName(const AnsiString& SQL, const AnsiString& FieldName);

AnsiString MakeCountSQL(const AnsiString& SQL);
Integer MainWhereIndexOfSQL(const AnsiString& SQL);
Integer WhereClausesCountOfSQL(const AnsiString& SQL);
void GetWhereClauseOfSQL(const AnsiString& SQL, Integer N, Integer& StartPos, AnsiString& ClauseText,
                         Integer& EndPos);
AnsiString AddToWhereClause(const AnsiString& SQL, const AnsiString& Condition, bool NewLine);
Variant GetOrderInfo(const AnsiString& SQL);
// Every item's direction reversed: "A, B DESC" -> "A desc,B".
AnsiString InvertOrderClause(const AnsiString& OrderList);
// The column compared with :ParamName (or ?ParamName) in a WHERE clause.
AnsiString FieldNameByParam(const AnsiString& SQL, const AnsiString& ParamName);
// The expression a select list gives the column named Alias.
AnsiString ExpressionByAlias(const AnsiString& SelectText, const AnsiString& Alias);

// A WHERE keyword stands at Pos (whole word, "(" may follow).
bool IsWhereKeywordAt(const AnsiString& Text, Integer Pos);
// A keyword that ends a WHERE clause stands at Pos
// (FOR, GROUP, ORDER, START, UNION, HAVING, PLAN), or Pos is the last position.
// Both tests are false for a position outside the text.
bool IsWhereEndKeywordAt(const AnsiString& Text, Integer Pos);
