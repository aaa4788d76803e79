#include "dbclient/SqlTxtRtns.h"

#include <algorithm>

#include "dbclient/StrUtil.h"
#include "platform/rtl/Classes.h"

namespace {

constexpr char CR = '\r';
constexpr char LF = '\n';

constexpr TCharSet BlankChars{'\0', '\t', '\n', '\r', ' ', ';'};
constexpr TCharSet BeforeWordChars{'\t', '\n', '\r', ' ', ')'};
constexpr TCharSet AfterWordChars{'\0', '\t', '\n', '\r', ' ', ';'};
constexpr TCharSet WhiteChars{'\t', '\n', '\r', ' '};
constexpr TCharSet OperatorChars{'!', '(', ')', '*', '+', ',', '-', '/', ';', '<', '=', '>', '^', '|', '~'};

inline Integer Len(const AnsiString& S) { return static_cast<Integer>(S.size()); }

inline char CharAt(const AnsiString& S, Integer P) { return (P >= 1 && P <= Len(S)) ? S[P - 1] : '\0'; }

// S[From..To] (1-based, inclusive), empty when the range is empty.
inline AnsiString Sub(const AnsiString& S, Integer From, Integer To) {
    if (From < 1) From = 1;
    if (To > Len(S)) To = Len(S);
    if (To < From) return AnsiString();
    return S.substr(From - 1, To - From + 1);
}

inline char UpCh(char C) { return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 32) : C; }

// "text" -> text; anything else upper-cased.
AnsiString UnquoteOrUpper(const AnsiString& S) {
    if (S.size() >= 2 && S.front() == '"' && S.back() == '"') return S.substr(1, S.size() - 2);
    return FastUpperCase(S);
}

}  // namespace

// ---- identifiers and words -------------------------------------------------------------------

bool SameIdentifiers(const AnsiString& A, const AnsiString& B) {
    if (A.empty() || B.empty()) return true;
    const bool quotedA = A[0] == '"';
    const bool quotedB = B[0] == '"';
    if (quotedA) {
        if (quotedB) return A == B;
        return A.size() >= 2 && FastUpperCase(B) == A.substr(1, A.size() - 2);
    }
    if (quotedB) return B == "\"" + A + "\"" || B == "\"" + FastUpperCase(A) + "\"";
    return FastUpperCase(A) == FastUpperCase(B);
}

void SplitMacroToken(const AnsiString& Token, char MacroChar, AnsiString& Name, AnsiString& DefaultText) {
    const size_t p = Token.find('%');
    if (p == AnsiString::npos) {
        Name = Token;
    } else {
        Name = Token.substr(0, p);
        DefaultText = Token.substr(p + 1);
    }
    if (Token.empty() || Token[0] != MacroChar) Name.insert(Name.begin(), MacroChar);
}

Integer PosOfSQLWord(const AnsiString& Word, const AnsiString& Text) {
    const Integer n = Len(Word);
    const Integer len = Len(Text);
    if (n == 0 || n > len) return 0;
    Integer from = 1;
    while (from + n - 1 <= len) {
        // Next case-insensitive candidate from 'from'.
        Integer cand = 0;
        for (Integer p = from; p + n - 1 <= len && cand == 0; ++p) {
            Integer i = 0;
            while (i < n && UpCh(Text[p - 1 + i]) == UpCh(Word[i])) ++i;
            if (i == n) cand = p;
        }
        if (cand == 0) return 0;
        const bool before = cand == 1 || BeforeWordChars.Contains(Text[cand - 2]);
        const bool after = cand + n > len || AfterWordChars.Contains(Text[cand + n - 1]);
        if (before && after) return cand;
        from = cand + n;
    }
    return 0;
}

// ---- FROM-list text --------------------------------------------------------------------------

AnsiString StripSQLComments(const AnsiString& Text) {
    enum { Plain, InName, InBlock, InLine, InLiteral } state = Plain;
    AnsiString r;
    r.reserve(Text.size());
    const Integer len = Len(Text);
    for (Integer p = 1; p <= len; ++p) {
        const char c = Text[p - 1];
        const char next = CharAt(Text, p + 1);
        switch (state) {
            case Plain:
                if (c == '"') { state = InName; r += c; }
                else if (c == '\'') { state = InLiteral; r += c; }
                else if (c == '-' && next == '-') { state = InLine; ++p; }
                else if (c == '/' && next == '*') { state = InBlock; ++p; }
                else r += c;
                break;
            case InName:
                r += c;
                if (c == '"') state = Plain;
                break;
            case InLiteral:
                r += c;
                if (c == '\'') state = Plain;
                break;
            case InBlock:
                if (c == '*' && next == '/') { state = Plain; ++p; }
                break;
            case InLine:
                // CR (with an LF right after it) or a bare LF ends the comment.
                if (c == CR) {
                    state = Plain;
                    if (next == LF) ++p;
                } else if (c == LF) {
                    state = Plain;
                }
                break;
        }
    }
    return r;
}

AnsiString JoinsToTableList(const AnsiString& FromText) {
    const Integer j = PosOfSQLWord("JOIN", FromText);
    if (j == 0) return FromText;
    AnsiString r = FromText;
    r.replace(j - 1, std::min<size_t>(5, r.size() - (j - 1)), ", ");
    for (const char* word : {" LEFT ", " RIGHT ", " FULL ", " INNER ", " OUTER "})
        r = ReplaceCIStr(r, word, " ", false);
    r = ReplaceCIStr(r, " JOIN ", " , ", false);
    for (Integer o = PosOfSQLWord("ON", r); o > 0; o = PosOfSQLWord("ON", r)) {
        const size_t comma = r.find(',', o);
        if (comma == AnsiString::npos) r.erase(o - 1);
        else r.erase(o - 1, comma - (o - 1));
    }
    return r;
}

AnsiString StripParenthesized(const AnsiString& Text, bool KeepItem) {
    AnsiString r = Text;
    for (size_t p = r.find('('); p != AnsiString::npos; p = r.find('(')) {
        size_t q = p;
        Integer depth = 0;
        for (; q < r.size(); ++q) {
            if (r[q] == '(') ++depth;
            else if (r[q] == ')' && --depth == 0) break;
        }
        if (q >= r.size()) return r;  // unbalanced: leave the rest alone
        if (KeepItem) {
            r.erase(p, q - p + 1);
            continue;
        }
        const size_t before = p == 0 ? AnsiString::npos : r.rfind(',', p - 1);
        const size_t from = before == AnsiString::npos ? 0 : before;
        const size_t after = r.find(',', q);
        if (after == AnsiString::npos) r.erase(from);
        else r.erase(from, after - from);
    }
    return r;
}

Integer AliasStartPos(const AnsiString& Entry) {
    const Integer len = Len(Entry);
    bool inName = false;
    bool inLiteral = false;
    Integer p = 1;
    for (; p <= len; ++p) {
        const char c = Entry[p - 1];
        if (c == '"' && !inLiteral) inName = !inName;
        else if (c == '\'' && !inName) inLiteral = !inLiteral;
        else if (!inName && !inLiteral && WhiteChars.Contains(c)) break;
    }
    if (p > len) return 0;
    while (p < len && BlankChars.Contains(Entry[p - 1])) ++p;
    return p;
}

AnsiString TableNamePart(const AnsiString& Entry, Integer AliasPos) {
    if (AliasPos == 0) AliasPos = AliasStartPos(Entry);
    if (AliasPos == 0) return FastTrim(Entry);
    return FastTrim(Sub(Entry, 1, AliasPos - 1));
}

AnsiString AliasPart(const AnsiString& Entry, Integer AliasPos) {
    if (AliasPos == 0) AliasPos = AliasStartPos(Entry);
    if (AliasPos == 0) return FastTrim(Entry);
    return FastTrim(Sub(Entry, AliasPos, Len(Entry)));
}

void RemoveAliases(TStrings* List) {
    if (!List) return;
    for (Integer i = 0; i < List->Count(); ++i) List->SetStrings(i, TableNamePart(List->Strings(i)));
}

// ---- tables and fields of a statement -------------------------------------------------------

void FillTablesList(const AnsiString& SQL, TStrings* List, bool KeepProcedures, bool WithAliases) {
    if (!List) return;
    TSQLParser parser(SQL);
    List->Assign(parser.GetTablesList(KeepProcedures));
    if (!WithAliases) RemoveAliases(List);
}

void FillStatementTablesList(const AnsiString& SQL, TStrings* List, bool KeepProcedures, bool WithAliases) {
    if (!List) return;
    TSQLParser parser(SQL);
    List->Assign(parser.TablesList(KeepProcedures));
    if (!WithAliases) RemoveAliases(List);
}

AnsiString MainTableOfSQL(const AnsiString& SQL, bool WithAlias) {
    TSQLParser parser(SQL);
    const AnsiString table = FastTrim(parser.GetMainTable());
    if (WithAlias || table.empty()) return table;
    if (table[0] == '"') {
        // A quoted name may hold blanks: it runs to its closing quote.
        const size_t close = table.find('"', 1);
        return table.substr(1, close == AnsiString::npos ? AnsiString::npos : close - 1);
    }
    const size_t end = table.find_first_of(AnsiString("\t\n\r \"", 5), 1);
    return table.substr(0, end);
}

AnsiString TableByAlias(const AnsiString& SQL, const AnsiString& Alias) {
    TStringList list;
    FillTablesList(SQL, &list, true, true);
    AnsiString byTableName;
    bool haveTableName = false;
    for (Integer i = 0; i < list.Count(); ++i) {
        const AnsiString entry = list.Strings(i);
        const Integer a = AliasStartPos(entry);
        const AnsiString table = TableNamePart(entry, a);
        if (SameIdentifiers(AliasPart(entry, a), Alias)) return table;
        if (!haveTableName && SameIdentifiers(table, Alias)) {
            byTableName = table;
            haveTableName = true;
        }
    }
    return byTableName;
}

AnsiString FullFieldName(const AnsiString& SQL, const AnsiString& FieldName) {
    // The first dot outside a quoted name separates the alias.
    bool quoted = false;
    size_t dot = AnsiString::npos;
    for (size_t i = 0; i < FieldName.size() && dot == AnsiString::npos; ++i) {
        if (FieldName[i] == '"') quoted = !quoted;
        else if (FieldName[i] == '.' && !quoted) dot = i;
    }
    if (dot == AnsiString::npos) return FieldName;
    const AnsiString alias = FastTrim(FieldName.substr(0, dot));
    const AnsiString field = FastTrim(FieldName.substr(dot + 1));
    const AnsiString table = TableByAlias(SQL, alias);
    if (table.empty()) return FieldName;
    return UnquoteOrUpper(table) + "." + UnquoteOrUpper(field);
}

// ---- one-call parser operations -----------------------------------------------------------------

AnsiString MakeCountSQL(const AnsiString& SQL) { return TSQLParser(SQL).MakeCountSQL(); }

Integer MainWhereIndexOfSQL(const AnsiString& SQL) { return TSQLParser(SQL).MainWhereIndex(); }

Integer WhereClausesCountOfSQL(const AnsiString& SQL) { return TSQLParser(SQL).WhereClausesCount(); }

void GetWhereClauseOfSQL(const AnsiString& SQL, Integer N, Integer& StartPos, AnsiString& ClauseText,
                         Integer& EndPos) {
    TSQLParser(SQL).GetWhereClause(N, StartPos, ClauseText, EndPos);
}

AnsiString AddToWhereClause(const AnsiString& SQL, const AnsiString& Condition, bool NewLine) {
    return TSQLParser(SQL).AddToMainWhere(Condition, NewLine);
}

Variant GetOrderInfo(const AnsiString& SQL) { return TSQLParser(SQL).GetOrderInfo(); }

// ---- ORDER BY reversal ----------------------------------------------------------------------

AnsiString InvertOrderClause(const AnsiString& OrderList) {
    const Integer len = Len(OrderList);
    Integer p = 1;
    while (p <= len && WhiteChars.Contains(OrderList[p - 1])) ++p;
    if (p > len) return AnsiString();

    AnsiString r;
    bool inItem = true;  // copying the item's expression
    bool descending = false;
    auto skipWord = [&] {
        while (p <= len && !WhiteChars.Contains(OrderList[p - 1]) && OrderList[p - 1] != ',') ++p;
    };
    while (p <= len) {
        const char c = OrderList[p - 1];
        if (c == ',') {
            r += descending ? "," : " desc,";
            descending = false;
            inItem = true;
            ++p;
            while (p <= len && WhiteChars.Contains(OrderList[p - 1])) ++p;
            continue;
        }
        if (inItem) {
            if (c == '"') {
                // A quoted name is copied whole.
                const size_t q = OrderList.find('"', p);
                const Integer e = q == AnsiString::npos ? len : static_cast<Integer>(q) + 1;
                r += Sub(OrderList, p, e);
                p = e + 1;
            } else if (c == '(') {
                // A call's arguments (with their commas and blanks) stay with the item.
                Integer depth = 0;
                Integer e = p;
                for (; e <= len; ++e) {
                    if (OrderList[e - 1] == '(') ++depth;
                    else if (OrderList[e - 1] == ')' && --depth == 0) break;
                }
                if (e > len) e = len;
                r += Sub(OrderList, p, e);
                p = e + 1;
            } else if (WhiteChars.Contains(c)) {
                inItem = false;
                ++p;
            } else {
                r += c;
                ++p;
            }
            continue;
        }
        if (WhiteChars.Contains(c)) {
            ++p;
        } else if (c == 'D' || c == 'd') {
            descending = true;
            skipWord();
        } else if (c == 'C' || c == 'c') {
            // COLLATE and its collation name stay with the item.
            const Integer w = p;
            skipWord();
            r += " " + Sub(OrderList, w, p - 1);
            while (p <= len && WhiteChars.Contains(OrderList[p - 1])) ++p;
            const Integer n = p;
            skipWord();
            if (p > n) r += " " + Sub(OrderList, n, p - 1);
        } else {
            skipWord();  // ASC / ASCENDING and anything else
        }
    }
    if (!descending) r += " desc";
    return r;
}

// ---- parameters and aliases ------------------------------------------------------------------

AnsiString FieldNameByParam(const AnsiString& SQL, const AnsiString& ParamName) {
    const TCharSet before = WhiteChars + OperatorChars;
    const TCharSet after = before + TCharSet{'\0'};
    const Integer count = WhereClausesCountOfSQL(SQL);
    for (Integer n = 1; n <= count; ++n) {
        Integer s, e;
        AnsiString clause;
        GetWhereClauseOfSQL(SQL, n, s, clause, e);
        for (const char marker : {':', '?'}) {
            const Integer p = PosInRightContext(AnsiString(1, marker) + ParamName, clause, before, true, after);
            if (p == 0) continue;
            const TCharSet separators = WhiteChars + OperatorChars + TCharSet{marker};
            Integer i = p - 1;
            while (i >= 1 && separators.Contains(clause[i - 1])) --i;
            if (i < 1) continue;
            Integer j = i;
            while (j >= 1 && !separators.Contains(clause[j - 1])) --j;
            return Sub(clause, j + 1, i);
        }
    }
    return AnsiString();
}

namespace {

bool IsBlankCh(char C) { return BlankChars.Contains(C); }

// Reads a column word backwards ending at I (a quoted name whole); I ends
// before it.
AnsiString WordBack(const AnsiString& S, Integer& I) {
    const Integer end = I;
    if (CharAt(S, I) == '"') {
        --I;
        while (I >= 1 && S[I - 1] != '"') --I;
        if (I >= 1) --I;
        return Sub(S, I + 1, end);
    }
    while (I >= 1 && !IsBlankCh(S[I - 1]) && S[I - 1] != ',' && S[I - 1] != '.' && S[I - 1] != '(' &&
           S[I - 1] != ')')
        --I;
    return Sub(S, I + 1, end);
}

}  // namespace

AnsiString ExpressionByAlias(const AnsiString& SelectText, const AnsiString& Alias) {
    if (Alias.empty()) return AnsiString();
    const TCharSet before = WhiteChars + TCharSet{')'};
    const TCharSet after = BlankChars + TCharSet{','};
    Integer p = PosInRightContext(Alias, SelectText, before, true, after);
    if (p == 0) p = PosInRightContext("\"" + Alias + "\"", SelectText, before, true, after);
    if (p == 0) return AnsiString();

    const AnsiString& s = SelectText;
    Integer i = p - 1;
    if (CharAt(s, i) == '"') --i;
    while (i >= 1 && IsBlankCh(s[i - 1])) --i;
    if (i < 1 || s[i - 1] == ',') return Alias;
    if (i >= 3 && UpCh(s[i - 2]) == 'A' && UpCh(s[i - 1]) == 'S' && (IsBlankCh(s[i - 3]) || s[i - 3] == ')')) {
        i -= 2;
        while (i >= 1 && IsBlankCh(s[i - 1])) --i;
        if (i < 1 || s[i - 1] == ',') return Alias;
    }
    if (s[i - 1] == ')') {
        Integer depth = 0;
        Integer k = i;
        for (; k >= 1; --k) {
            if (s[k - 1] == ')') ++depth;
            else if (s[k - 1] == '(' && --depth == 0) break;
        }
        if (k < 1) return Alias;
        Integer w = k - 1;
        while (w >= 1 && !IsBlankCh(s[w - 1]) && s[w - 1] != ',' && s[w - 1] != '(') --w;
        // The call keeps its parentheses: "SUM(X)", not "SUMX".
        return Sub(s, w + 1, k - 1) + Sub(s, k, i);
    }
    AnsiString word = WordBack(s, i);
    Integer k = i;
    while (k >= 1 && IsBlankCh(s[k - 1])) --k;
    if (k >= 1 && s[k - 1] == '.') {
        --k;
        while (k >= 1 && IsBlankCh(s[k - 1])) --k;
        if (k >= 1) {
            const AnsiString qualifier = WordBack(s, k);
            if (!qualifier.empty()) return qualifier + "." + word;
        }
    }
    return word;
}
