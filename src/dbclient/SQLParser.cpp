#include "dbclient/SQLParser.h"

#include <cstring>

#include "dbclient/SqlTxtRtns.h"
#include "dbclient/StrUtil.h"
#include "platform/rtl/Classes.h"

namespace {

constexpr char CR = '\r';
constexpr char LF = '\n';
const AnsiString CRLF = "\r\n";

constexpr TCharSet BlankChars{'\0', '\t', '\n', '\r', ' ', ';'};
constexpr TCharSet BeforeWordChars{'\t', '\n', '\r', ' ', ')'};
constexpr TCharSet AfterWordChars{'\0', '\t', '\n', '\r', ' ', ';'};
constexpr TCharSet AfterWordOrParenChars{'\0', '\t', '\n', '\r', ' ', '(', ';'};
constexpr TCharSet WhiteChars{'\t', '\n', '\r', ' '};

inline char CharAt(const AnsiString& S, Integer P) {
    return (P >= 1 && P <= static_cast<Integer>(S.size())) ? S[P - 1] : '\0';
}

// Text[From..To], empty when the range is empty.
inline AnsiString Sub(const AnsiString& S, Integer From, Integer To) {
    if (From < 1) From = 1;
    if (To > static_cast<Integer>(S.size())) To = static_cast<Integer>(S.size());
    if (To < From) return AnsiString();
    return S.substr(From - 1, To - From + 1);
}

inline bool StartsAt(const AnsiString& S, Integer P, const char* What) {
    const size_t n = std::strlen(What);
    return P >= 1 && static_cast<size_t>(P) - 1 + n <= S.size() && S.compare(P - 1, n, What) == 0;
}

// Keyword (capital letters) at P, followed by at least one character that is in
// Follower. A text letter matches the capital or the same letter plus 32.
bool KeywordAt(const AnsiString& S, Integer P, const char* Keyword, const TCharSet& Follower) {
    const Integer n = static_cast<Integer>(std::strlen(Keyword));
    const Integer len = static_cast<Integer>(S.size());
    if (P < 1 || P + n > len) return false;
    for (Integer i = 0; i < n; ++i) {
        const char c = S[P - 1 + i];
        const char k = Keyword[i];
        if (c != k && c != static_cast<char>(k + 32)) return false;
    }
    return Follower.Contains(S[P - 1 + n]);
}

// A keyword that fires at P needs a word break before it.
inline bool WordBreakBefore(const AnsiString& S, Integer P) {
    return P >= 2 && P - 2 < static_cast<Integer>(S.size()) && BeforeWordChars.Contains(S[P - 2]);
}

inline bool EndsWithLF(const AnsiString& S) { return !S.empty() && S.back() == LF; }

}  // namespace

// ---------------------------------------------------------------------------------------------

Integer SkipBlanksAndComments(const AnsiString& Text, Integer Pos) {
    const Integer len = static_cast<Integer>(Text.size());
    if (Pos < 1) Pos = 1;
    while (Pos < len) {
        const char c = Text[Pos - 1];
        if (!BlankChars.Contains(c) && !StartsAt(Text, Pos, "--") && !StartsAt(Text, Pos, "/*")) break;
        while (Pos <= len && BlankChars.Contains(Text[Pos - 1])) ++Pos;
        if (StartsAt(Text, Pos, "--")) {
            while (Pos <= len && Text[Pos - 1] != LF && Text[Pos - 1] != CR) ++Pos;
        }
        if (StartsAt(Text, Pos, "/*")) {
            const size_t e = Text.find("*/", static_cast<size_t>(Pos) + 1);
            Pos = (e == AnsiString::npos) ? len + 1 : static_cast<Integer>(e) + 3;
        }
    }
    return Pos;
}

bool IsWhereKeywordAt(const AnsiString& Text, Integer Pos) {
    return WordBreakBefore(Text, Pos) && KeywordAt(Text, Pos, "WHERE", AfterWordOrParenChars);
}

bool IsWhereEndKeywordAt(const AnsiString& Text, Integer Pos) {
    const Integer len = static_cast<Integer>(Text.size());
    if (Pos < 1 || Pos > len) return false;
    if (Pos == len) return true;
    if (!WordBreakBefore(Text, Pos)) return false;
    switch (CharAt(Text, Pos)) {
        case 'F': case 'f': return KeywordAt(Text, Pos, "FOR", AfterWordChars);
        case 'G': case 'g': return KeywordAt(Text, Pos, "GROUP", AfterWordChars);
        case 'O': case 'o': return KeywordAt(Text, Pos, "ORDER", AfterWordChars);
        case 'S': case 's': return KeywordAt(Text, Pos, "START", AfterWordChars);
        case 'U': case 'u': return KeywordAt(Text, Pos, "UNION", AfterWordChars);
        case 'H': case 'h': return KeywordAt(Text, Pos, "HAVING", AfterWordOrParenChars);
        case 'P': case 'p': return KeywordAt(Text, Pos, "PLAN", AfterWordOrParenChars);
        default: return false;
    }
}

// ---------------------------------------------------------------------------------------------

TSQLParser::TSQLParser() : FTablesList(std::make_unique<TStringList>()) {}

TSQLParser::TSQLParser(const AnsiString& Text) : TSQLParser() { SetSQLText(Text); }

TSQLParser::~TSQLParser() = default;

Byte TSQLParser::SetSQLText(const AnsiString& Text) {
    FText = Text;
    FTablesList->Clear();
    FLen = static_cast<Integer>(FText.size());
    FStartPos = SkipBlanksAndComments(FText, 1);
    FKind = DetectStatementKind();
    return FKind;
}

void TSQLParser::ResetScanState() {
    FDepth = 0;
    FStartDepth = 0;
    FStopAtClose = false;
    FStoppedAtClose = false;
    FFound = 0;
    FWantedOccur = 0;
    FOccurCounter = 0;
}

void TSQLParser::Scan(Integer StartPos, TScanTest Test, void* TestSelf) {
    if (!Test) return;
    FState = 0;
    FFound = 0;
    FStoppedAtClose = false;
    FStartDepth = FDepth;
    if (StartPos < 1) StartPos = 1;
    const char* t = FText.data();
    for (Integer p = StartPos; p <= FLen; ++p) {
        FCurPos = p;
        const char c = t[p - 1];
        switch (c) {
            case '"':
                if (FState == 1) FState = 0;
                else if (FState == 0) FState = 1;
                break;
            case '\'':
                if (FState == 4) FState = 0;
                else if (FState == 0) FState = 4;
                break;
            case '(':
                if (FState == 0) ++FDepth;
                break;
            case ')':
                if (FState == 0) {
                    if (FStopAtClose && FDepth - 1 < FStartDepth) {
                        FFound = p;
                        FStoppedAtClose = true;
                        FWantedOccur = 0;
                        return;
                    }
                    --FDepth;
                }
                break;
            case '*':
                if (FState == 2) {
                    if (p < FLen && t[p] == '/') FState = 0;
                } else if (FState == 0 && p > 1 && t[p - 2] == '/') {
                    FState = 2;
                }
                break;
            case '-':
                if (FState == 0 && p < FLen && t[p] == '-') FState = 3;
                break;
            default:
                // A line comment ends at CR and, in texts of this platform, at a
                // bare LF; the line break itself is then plain text again.
                if (FState == 3 && (c == CR || c == LF)) FState = 0;
                if (FState == 0 && Test(TestSelf, p)) {
                    FFound = p;
                    FWantedOccur = 0;
                    return;
                }
                break;
        }
    }
    // A statement may end in a line comment: its clauses end there too.
    if ((FState == 0 || FState == 3) && Test(TestSelf, FLen)) FFound = FLen;
    FWantedOccur = 0;
}

// ---- keyword tests ----------------------------------------------------------------------------

bool TSQLParser::Counted() {
    if (FWantedOccur <= 0) return true;
    ++FOccurCounter;
    return FOccurCounter == FWantedOccur;
}

bool TSQLParser::TestFrom(void* Self, Integer P) {
    auto* s = static_cast<TSQLParser*>(Self);
    return WordBreakBefore(s->FText, P) && KeywordAt(s->FText, P, "FROM", AfterWordChars);
}

bool TSQLParser::TestMainFrom(void* Self, Integer P) {
    auto* s = static_cast<TSQLParser*>(Self);
    return s->FDepth == 0 && TestFrom(Self, P);
}

bool TSQLParser::TestFromEnd(void* Self, Integer P) {
    auto* s = static_cast<TSQLParser*>(Self);
    if (s->FDepth > s->FStartDepth) return false;
    if (P == s->FLen) return true;
    const AnsiString& t = s->FText;
    if (!WhiteChars.Contains(CharAt(t, P))) return false;
    const Integer k = P + 1;
    switch (CharAt(t, k)) {
        case 'F': case 'f': return KeywordAt(t, k, "FOR", WhiteChars);
        case 'G': case 'g': return KeywordAt(t, k, "GROUP", WhiteChars);
        case 'H': case 'h': return KeywordAt(t, k, "HAVING", AfterWordOrParenChars);
        case 'P': case 'p': return KeywordAt(t, k, "PLAN", AfterWordOrParenChars);
        case 'W': case 'w': return KeywordAt(t, k, "WHERE", AfterWordOrParenChars);
        case 'O': case 'o': return KeywordAt(t, k, "ORDER", AfterWordChars);
        case 'U': case 'u': return KeywordAt(t, k, "UNION", AfterWordChars);
        default: return false;
    }
}

bool TSQLParser::TestInto(void* Self, Integer P) {
    auto* s = static_cast<TSQLParser*>(Self);
    return WordBreakBefore(s->FText, P) && KeywordAt(s->FText, P, "INTO", AfterWordChars);
}

bool TSQLParser::TestMainOrder(void* Self, Integer P) {
    auto* s = static_cast<TSQLParser*>(Self);
    return s->FDepth == 0 && WordBreakBefore(s->FText, P) && KeywordAt(s->FText, P, "ORDER", AfterWordChars);
}

bool TSQLParser::TestBy(void* Self, Integer P) {
    auto* s = static_cast<TSQLParser*>(Self);
    return WordBreakBefore(s->FText, P) && KeywordAt(s->FText, P, "BY", AfterWordChars);
}

bool TSQLParser::TestPlan(void* Self, Integer P) {
    auto* s = static_cast<TSQLParser*>(Self);
    return WordBreakBefore(s->FText, P) && KeywordAt(s->FText, P, "PLAN", AfterWordChars) && s->Counted();
}

bool TSQLParser::TestPlanEnd(void* Self, Integer P) {
    auto* s = static_cast<TSQLParser*>(Self);
    if (s->FDepth > s->FStartDepth) return false;
    if (P == s->FLen) return true;
    return WhiteChars.Contains(CharAt(s->FText, P)) && KeywordAt(s->FText, P + 1, "ORDER", AfterWordChars);
}

bool TSQLParser::TestWhere(void* Self, Integer P) {
    auto* s = static_cast<TSQLParser*>(Self);
    return IsWhereKeywordAt(s->FText, P) && s->Counted();
}

bool TSQLParser::TestWhereEnd(void* Self, Integer P) {
    auto* s = static_cast<TSQLParser*>(Self);
    if (s->FDepth > s->FStartDepth) return false;
    return IsWhereEndKeywordAt(s->FText, P);
}

// ---- statement kind and main table ---------------------------------------------------------

Byte TSQLParser::DetectStatementKind() {
    const Integer s = FStartPos;
    if (s > FLen) return skUnknown;
    if (s != 1 && !BeforeWordChars.Contains(CharAt(FText, s - 1))) return skUnknown;
    if (KeywordAt(FText, s, "SELECT", AfterWordChars)) return skSelect;
    if (KeywordAt(FText, s, "UPDATE", AfterWordChars)) return skUpdate;
    if (KeywordAt(FText, s, "DELETE", AfterWordChars)) return skDelete;
    if (KeywordAt(FText, s, "INSERT", AfterWordChars)) return skInsert;
    if (KeywordAt(FText, s, "EXECUTE", AfterWordChars)) return skExecute;
    if (KeywordAt(FText, s, "ALTER", AfterWordChars) || KeywordAt(FText, s, "CREATE", AfterWordChars) ||
        KeywordAt(FText, s, "DROP", AfterWordChars) || KeywordAt(FText, s, "RECREATE", AfterWordChars))
        return skDDL;
    if (KeywordAt(FText, s, "SET", AfterWordChars)) {
        Integer p = s + 4;
        while (p <= FLen && BeforeWordChars.Contains(FText[p - 1])) ++p;
        if (KeywordAt(FText, p, "GENERATOR", AfterWordChars)) return skDDL;
    }
    return skUnknown;
}

// Reads one word from Pos (after blanks and comments): up to a blank, "(", "-" or
// "/" outside double quotes. Returns the word's first position; Pos ends after it.
Integer TSQLParser::ReadWord(Integer& Pos) const {
    Pos = SkipBlanksAndComments(FText, Pos);
    // SkipBlanksAndComments leaves a lone last blank alone.
    while (Pos <= FLen && BlankChars.Contains(FText[Pos - 1])) ++Pos;
    const Integer start = Pos;
    bool quoted = false;
    while (Pos <= FLen) {
        const char c = FText[Pos - 1];
        if (c == '"') quoted = !quoted;
        else if (!quoted && (BlankChars.Contains(c) || c == '(' || c == '-' || c == '/')) break;
        ++Pos;
    }
    return start;
}

AnsiString TSQLParser::WordAt(Integer& Pos) const {
    const Integer start = ReadWord(Pos);
    return Sub(FText, start, Pos - 1);
}

AnsiString TSQLParser::GetMainTable() {
    ResetScanState();
    AnsiString table;
    switch (FKind) {
        case skUpdate: {
            Integer p = FStartPos + 6;
            table = WordAt(p);
            if (table.empty()) return "Unknown";
            const AnsiString alias = WordAt(p);
            if (!alias.empty() && FastUpperCase(alias) != "SET") table += " " + alias;
            return table;
        }
        case skInsert: {
            Scan(FStartPos + 7, TestInto, this);
            if (FFound == 0) return "Unknown";
            Integer p = FFound + 4;
            table = WordAt(p);
            return table.empty() ? AnsiString("Unknown") : table;
        }
        case skDelete: {
            Scan(FStartPos, TestFrom, this);
            if (FFound == 0) return "Unknown";
            Integer p = FFound + 4;
            table = WordAt(p);
            if (table.empty()) return "Unknown";
            const AnsiString alias = WordAt(p);
            if (!alias.empty() && FastUpperCase(alias) != "WHERE") table += " " + alias;
            return table;
        }
        default:
            return AnsiString();
    }
}

// ---- FROM -------------------------------------------------------------------------------------

void TSQLParser::GetFromBounds(Integer& FromStart, Integer& FromEnd) {
    ResetScanState();
    FromStart = 0;
    FromEnd = 0;
    Scan(FStartPos, TestMainFrom, this);
    if (FFound == 0) return;
    const Integer f = FFound;
    Scan(f + 5, TestFromEnd, this);
    if (FFound == 0) return;
    FromStart = f;
    FromEnd = FFound;
}

// ---- ORDER BY ---------------------------------------------------------------------------------

void TSQLParser::GetOrderBounds(Integer& OrderPos, Integer& EndPos, AnsiString& OrderText) {
    ResetScanState();
    OrderPos = 0;
    EndPos = 0;
    OrderText.clear();
    Scan(FStartPos, TestMainOrder, this);
    if (FFound == 0) return;
    OrderPos = FFound;
    Scan(OrderPos + 5, TestBy, this);
    if (FFound == 0) return;
    OrderText = Sub(FText, FFound + 2, FLen);
    EndPos = FLen;
}

AnsiString TSQLParser::GetOrderClause() {
    Integer o, e;
    AnsiString text;
    GetOrderBounds(o, e, text);
    return text;
}

AnsiString TSQLParser::ReplaceOrderClause(const AnsiString& NewOrder) {
    Integer o, e;
    AnsiString old;
    GetOrderBounds(o, e, old);
    const bool remove = FastTrim(NewOrder).empty();
    if (o == 0) {
        if (remove) return FText;
        return FastTrim(FText) + CRLF + "ORDER BY " + NewOrder;
    }
    AnsiString head = Sub(FText, 1, o - 1);
    if (remove) return head;
    if (CharAt(FText, o - 1) != LF) head += CRLF;
    return head + "ORDER BY " + NewOrder;
}

// ---- WHERE ------------------------------------------------------------------------------------

// Last character of a clause whose end scan stopped at FFound.
Integer TSQLParser::EndOfClause(Integer From) const {
    Integer e = FFound;
    if (e != FLen || FStoppedAtClose) --e;
    while (e >= From && BlankChars.Contains(FText[e - 1])) --e;
    return e;
}

TSQLParser::TClause TSQLParser::FindWhere(Integer N) {
    TClause r;
    if (N < 0) return r;
    FOccurCounter = 0;
    FWantedOccur = N;
    Scan(FStartPos, TestWhere, this);
    if (FFound == 0) return r;
    const Integer w = FFound;
    Integer q = w + 5;
    FStopAtClose = FDepth > 0;
    while (q <= FLen && BlankChars.Contains(FText[q - 1])) ++q;
    Scan(q, TestWhereEnd, this);
    FStopAtClose = false;
    if (FFound == 0) return r;
    r.KeywordPos = w;
    r.StartPos = w;
    r.EndPos = EndOfClause(q);
    r.Text = Sub(FText, q, r.EndPos);
    return r;
}

void TSQLParser::GetWhereClause(Integer N, Integer& StartPos, AnsiString& ClauseText, Integer& EndPos) {
    ResetScanState();
    const TClause c = FindWhere(N);
    StartPos = c.StartPos;
    ClauseText = c.Text;
    EndPos = c.EndPos;
}

AnsiString TSQLParser::ReplaceWhereClause(Integer N, const AnsiString& NewCondition) {
    ResetScanState();
    const TClause c = FindWhere(N);
    if (c.StartPos == 0) return FText;
    const Integer w = c.StartPos;
    const Integer e = c.EndPos;
    const AnsiString tail = Sub(FText, e + 1, FLen);
    if (FastTrim(NewCondition).empty()) return Sub(FText, 1, w - 1) + CRLF + tail;
    AnsiString r = Sub(FText, 1, w - 1);
    r += (CharAt(FText, w - 1) == LF) ? AnsiString("WHERE ") : CRLF + "WHERE ";
    r += NewCondition;
    if (CharAt(FText, e + 1) == CR) r += tail;
    else r += CRLF + tail;
    return r;
}

Integer TSQLParser::WalkMainIndex(TScanTest Test) {
    // Each scan goes on from the previous hit with the depth reached there.
    Integer count = 0;
    Integer from = FStartPos;
    for (;;) {
        FOccurCounter = 0;
        FWantedOccur = 0;
        Scan(from, Test, this);
        if (FFound == 0) return -1;
        ++count;
        if (FDepth == 0) return count;
        from = FFound + 5;
    }
}

Integer TSQLParser::WhereClausesCount() {
    ResetScanState();
    Integer count = 0;
    Integer from = FStartPos;
    for (;;) {
        Scan(from, TestWhere, this);
        if (FFound == 0) return count;
        ++count;
        from = FFound + 5;
    }
}

Integer TSQLParser::MainWhereIndex() {
    ResetScanState();
    return WalkMainIndex(TestWhere);
}

void TSQLParser::GetMainWhereClause(Integer& StartPos, Integer& EndPos, AnsiString& ClauseText) {
    const Integer n = MainWhereIndex();
    GetWhereClause(n, StartPos, ClauseText, EndPos);
}

AnsiString TSQLParser::ReplaceMainWhere(const AnsiString& NewCondition) {
    const Integer n = MainWhereIndex();
    if (n < 1) return AddToMainWhere(NewCondition, false);
    return ReplaceWhereClause(n, NewCondition);
}

namespace {

// True when Text[From..To] ends inside a line comment, so that whatever is put
// right after it on the same line would be commented out.
bool EndsInLineComment(const AnsiString& Text, Integer From, Integer To) {
    Integer state = 0;
    for (Integer p = From; p <= To; ++p) {
        const char c = Text[p - 1];
        const char next = p < To ? Text[p] : '\0';
        switch (state) {
            case 0:
                if (c == '"') state = 1;
                else if (c == '\'') state = 4;
                else if (c == '-' && next == '-') { state = 3; ++p; }
                else if (c == '/' && next == '*') { state = 2; ++p; }
                break;
            case 1: if (c == '"') state = 0; break;
            case 4: if (c == '\'') state = 0; break;
            case 2: if (c == '*' && next == '/') { state = 0; ++p; } break;
            case 3: if (c == CR || c == LF) state = 0; break;
        }
    }
    return state == 3;
}

}  // namespace

AnsiString TSQLParser::AddToMainWhere(const AnsiString& Condition, bool NewLine) {
    if (FastTrim(Condition).empty()) return FText;
    const AnsiString NL = NewLine ? AnsiString("\r\n    ") : AnsiString();
    Integer w, e;
    AnsiString clause;
    GetMainWhereClause(w, e, clause);
    if (w > 0) {
        // A line comment closing the old condition would swallow the new one.
        const AnsiString close = (NL.empty() && EndsInLineComment(FText, w + 5, e)) ? CRLF : NL;
        return Sub(FText, 1, w + 4) + "( " + Sub(FText, w + 5, e) + close + " ) and ( " + Condition + " )" + NL +
               Sub(FText, e + 1, FLen);
    }
    Integer f, g;
    GetFromBounds(f, g);
    const AnsiString head = Sub(FText, 1, g);
    return head + (f > 0 && EndsInLineComment(FText, f, g) ? CRLF : AnsiString()) + " WHERE " + NL + Condition +
           CRLF + Sub(FText, g + 1, FLen);
}

// ---- PLAN -------------------------------------------------------------------------------------

TSQLParser::TClause TSQLParser::FindPlan(Integer N) {
    TClause r;
    if (N < 0) return r;
    FOccurCounter = 0;
    FFound = 0;
    FWantedOccur = N;
    Scan(FStartPos, TestPlan, this);
    if (FFound == 0) return r;
    const Integer k = FFound;
    Integer s = k + 5;
    FStopAtClose = FDepth > 0;
    while (s <= FLen && BlankChars.Contains(FText[s - 1])) ++s;
    Scan(s, TestPlanEnd, this);
    FStopAtClose = false;
    if (FFound == 0) return r;
    r.KeywordPos = k;
    r.StartPos = s;
    r.EndPos = EndOfClause(s);
    r.Text = Sub(FText, s, r.EndPos);
    return r;
}

void TSQLParser::GetPlanClause(Integer N, Integer& StartPos, AnsiString& PlanText, Integer& EndPos) {
    ResetScanState();
    const TClause c = FindPlan(N);
    StartPos = c.StartPos;
    PlanText = c.Text;
    EndPos = c.EndPos;
}

Integer TSQLParser::MainPlanIndex() {
    ResetScanState();
    return WalkMainIndex(TestPlan);
}

void TSQLParser::GetMainPlanClause(Integer& StartPos, Integer& EndPos, AnsiString& PlanText) {
    const Integer n = MainPlanIndex();
    GetPlanClause(n, StartPos, PlanText, EndPos);
}

AnsiString TSQLParser::ReplacePlanClause(const AnsiString& NewPlan) {
    const Integer n = MainPlanIndex();
    ResetScanState();
    const TClause c = FindPlan(n);
    const bool remove = FastTrim(NewPlan).empty();
    if (c.StartPos == 0) {
        if (remove) return FText;
        Integer o, e;
        AnsiString order;
        GetOrderBounds(o, e, order);
        if (o == 0) return FText + (EndsWithLF(FText) ? AnsiString() : CRLF) + "PLAN " + NewPlan;
        AnsiString head = Sub(FText, 1, o - 1);
        if (!EndsWithLF(head)) head += CRLF;
        return head + "PLAN " + NewPlan + CRLF + Sub(FText, o, FLen);
    }
    if (!remove) return Sub(FText, 1, c.StartPos - 1) + NewPlan + Sub(FText, c.EndPos + 1, FLen);
    // Cut at the keyword itself, however many blanks follow it.
    return Sub(FText, 1, c.KeywordPos - 1) + Sub(FText, c.EndPos + 1, FLen);
}

// ---- count statement and ORDER BY items -----------------------------------------------------

AnsiString TSQLParser::MakeCountSQL() {
    if (FKind != skSelect) return AnsiString();
    Integer f, g;
    GetFromBounds(f, g);
    if (f == 0) return AnsiString();
    AnsiString r = "Select Count(*) " + Sub(FText, f, g);
    Integer w, e;
    AnsiString clause;
    GetMainWhereClause(w, e, clause);
    if (!clause.empty()) r += CRLF + " WHERE " + clause;
    return r;
}

Variant TSQLParser::GetOrderInfo() {
    const AnsiString order = FastTrim(GetOrderClause());
    std::vector<AnsiString> items;
    size_t from = 0;
    while (from <= order.size()) {
        size_t comma = order.find(',', from);
        if (comma == AnsiString::npos) comma = order.size();
        AnsiString piece = FastTrim(order.substr(from, comma - from));
        if (!piece.empty()) items.push_back(piece);
        from = comma + 1;
    }
    if (items.empty()) return Variant();

    const Integer n = static_cast<Integer>(items.size());
    Variant result = VarArrayCreate({0, n - 1, 0, 1}, varVariant);
    for (Integer i = 0; i < n; ++i) {
        AnsiString item = items[i];
        const size_t dot = item.find('.');
        if (dot != AnsiString::npos) {
            AnsiString left = item.substr(0, dot);
            AnsiString right = FastTrim(item.substr(dot + 1));
            if (left.empty() || left[0] != '"') left = FastUpperCase(left);
            if (right.empty() || right[0] != '"') right = FastUpperCase(right);
            item = left + "." + right;
        }
        bool ascending = true;
        Integer cut = PosOfSQLWord("DESCENDING", item);
        if (cut == 0) cut = PosOfSQLWord("DESC", item);
        if (cut > 0) {
            ascending = false;
        } else {
            cut = PosOfSQLWord("ASCENDING", item);
            if (cut == 0) cut = PosOfSQLWord("ASC", item);
        }
        if (cut > 0) item = Sub(item, 1, cut - 1);
        const Integer collate = PosOfSQLWord("COLLATE", item);
        if (collate > 0) item = Sub(item, 1, collate - 1);
        VarArrayPut(result, Variant(FastTrim(item)), {i, 0});
        VarArrayPut(result, Variant(ascending), {i, 1});
    }
    return result;
}

// ---- tables of the FROM clause --------------------------------------------------------------

namespace {

// Runs of blanks outside double quotes become one space; no blank at either end.
AnsiString CollapseBlanks(const AnsiString& S) {
    AnsiString r;
    r.reserve(S.size());
    bool quoted = false;
    bool pendingBlank = false;
    for (char c : S) {
        if (!quoted && BlankChars.Contains(c)) {
            pendingBlank = true;
            continue;
        }
        if (pendingBlank && !r.empty()) r += ' ';
        pendingBlank = false;
        if (c == '"') quoted = !quoted;
        r += c;
    }
    return r;
}

// Upper-cases a FROM-list piece outside its double-quoted names.
AnsiString UpperOutsideQuotes(const AnsiString& Piece) {
    const size_t q1 = Piece.size() > 1 ? Piece.find('"', 1) : AnsiString::npos;
    if (q1 == AnsiString::npos) return FastUpperCase(Piece);
    const size_t q2 = Piece.find('"', q1 + 1);
    AnsiString before = Piece.substr(0, q1);
    AnsiString after = Piece.substr(q1);
    if (Piece[0] == '"') {
        if (q2 == AnsiString::npos) after = "\"" + FastUpperCase(after.substr(1));
        return before + after;
    }
    before = FastUpperCase(before);
    if (q2 == AnsiString::npos) after = "\"" + FastUpperCase(after.substr(1));
    return before + after;
}

}  // namespace

TStringList* TSQLParser::GetTablesList(bool KeepProcedures) {
    FTablesList->Clear();
    Integer f, g;
    GetFromBounds(f, g);
    if (f == 0) return FTablesList.get();
    AnsiString from = Sub(FText, f + 5, g == FLen ? FLen : g - 1);
    if (from.empty()) return FTablesList.get();
    from = StripSQLComments(from);
    from = CollapseBlanks(from);
    from = JoinsToTableList(from);
    if (from.find('(') != AnsiString::npos) from = StripParenthesized(from, KeepProcedures);
    size_t start = 0;
    while (start <= from.size()) {
        size_t comma = from.find(',', start);
        if (comma == AnsiString::npos) comma = from.size();
        const AnsiString piece = FastTrim(from.substr(start, comma - start));
        if (!piece.empty()) FTablesList->Add(UpperOutsideQuotes(piece));
        start = comma + 1;
    }
    return FTablesList.get();
}

TStringList* TSQLParser::TablesList(bool KeepProcedures) {
    if (FTablesList->Count() == 0) {
        if (FKind == skSelect) {
            GetTablesList(KeepProcedures);
        } else {
            const AnsiString table = GetMainTable();
            if (!table.empty()) FTablesList->Add(table);
        }
    }
    return FTablesList.get();
}
