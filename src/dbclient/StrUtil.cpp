#include "dbclient/StrUtil.h"

#include "platform/rtl/Classes.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/CodePage.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

namespace {

inline unsigned char U(char C) { return static_cast<unsigned char>(C); }
inline bool IsBlank(char C) { return U(C) < 33; }
inline char UpAscii(char C) { return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 32) : C; }
inline char LowAscii(char C) { return (C >= 'A' && C <= 'Z') ? static_cast<char>(C + 32) : C; }

// 1-based search of Pattern in S from From; 0 when not found.
Integer FindFrom(const AnsiString& Pattern, const AnsiString& S, Integer From) {
    if (Pattern.empty() || S.empty()) return 0;
    if (From < 1) From = 1;
    if (static_cast<size_t>(From) > S.size()) return 0;
    const size_t p = S.find(Pattern, static_cast<size_t>(From - 1));
    return p == AnsiString::npos ? 0 : static_cast<Integer>(p) + 1;
}

// Replaces every occurrence found in Haystack (an upper-cased or plain copy of
// S with the same length), taking the untouched parts from S.
AnsiString ReplaceOn(const AnsiString& S, const AnsiString& Haystack, const AnsiString& Needle,
                     const AnsiString& Replacement) {
    if (Needle.empty() || S.empty()) return S;
    size_t p = Haystack.find(Needle);
    if (p == AnsiString::npos) return S;
    AnsiString result;
    result.reserve(S.size());
    size_t start = 0;
    while (p != AnsiString::npos) {
        result.append(S, start, p - start);
        result += Replacement;
        start = p + Needle.size();
        p = Haystack.find(Needle, start);
    }
    result.append(S, start, AnsiString::npos);
    return result;
}

bool IsParamPrefix(const AnsiString& Name, const char* Prefix) {
    if (Name.size() < 5 || Name[3] != '_') return false;
    for (int i = 0; i < 3; ++i)
        if (UpAscii(Name[i]) != Prefix[i]) return false;
    return true;
}

// ---- wildcard matching ----

// Collapses runs of "*" so that "**" and "*" behave alike; the "?" after a
// "*" is kept, it still demands one character.
AnsiString CollapseStars(std::string_view S) {
    if (S.size() <= 1) return AnsiString(S);
    AnsiString out;
    out.reserve(S.size());
    for (char c : S) {
        if (c == '*' && !out.empty() && out.back() == '*') continue;
        out += c;
    }
    return out;
}

// Two-sided wildcard match ("*" and "?" count in both texts). F(i, j) tells
// whether T from i matches M from j:
//   either rest is exactly "*": yes; one rest empty: only when both are;
//   "*" in T at i: F(i+1, k) for some k in [j, m);
//   "*" in M at j: F(k, j+1) for some k in [i, n);
//   otherwise one character each when equal or either is "?".
// Filled row by row from the end with running ORs for the two "*" cases, so
// the cost is O(n*m) whatever the masks; backtracking over every split is
// exponential on masks like "*a*a*a*a*b".
bool WldMatch(std::string_view T, std::string_view M) {
    if (T.find('*') == std::string_view::npos && M.find('*') == std::string_view::npos) {
        if (T.size() != M.size()) return false;
        for (size_t i = 0; i < T.size(); ++i)
            if (T[i] != M[i] && T[i] != '?' && M[i] != '?') return false;
        return true;
    }
    const size_t n = T.size(), m = M.size();
    std::vector<char> next(m + 1, 0), cur(m + 1, 0);
    std::vector<char> nextRun(m + 1, 0);   // OR of next[k] for k in [j, m); [m] stays 0
    std::vector<char> colRun(m + 1, 0);    // OR of F(k, j) over rows k in [i, n)
    for (size_t i = n + 1; i-- > 0;) {
        const bool tStarOnly = i + 1 == n && T[i] == '*';
        for (size_t j = m + 1; j-- > 0;) {
            bool r;
            if ((i == n && j == m) || tStarOnly || (j + 1 == m && M[j] == '*')) {
                r = true;
            } else if (i == n || j == m) {
                r = false;
            } else {
                const char a = T[i], b = M[j];
                r = false;
                if (a == '*') r = nextRun[j];
                if (!r && b == '*') r = colRun[j + 1];
                if (!r && a != '*' && b != '*' && (a == b || a == '?' || b == '?')) r = next[j + 1];
            }
            cur[j] = r;
            if (i < n && r) colRun[j] = 1;
        }
        if (i == 0) return cur[0];
        next.swap(cur);
        for (size_t j = m; j-- > 0;) nextRun[j] = next[j] || nextRun[j + 1];
    }
    return false;
}

// LIKE with "%" (any run) and "_" (one character) in the mask only. Greedy
// with a return to the last "%": a later "%" can always absorb what an
// earlier one would, so O(n*m) at worst and no backtracking explosion.
bool LikeMatch(std::string_view T, std::string_view M) {
    size_t i = 0, j = 0, star = std::string_view::npos, mark = 0;
    while (i < T.size()) {
        if (j < M.size() && M[j] == '%') {
            star = j++;
            mark = i;
        } else if (j < M.size() && (M[j] == '_' || M[j] == T[i])) {
            ++i;
            ++j;
        } else if (star != std::string_view::npos) {
            j = star + 1;
            i = ++mark;
        } else {
            return false;
        }
    }
    while (j < M.size() && M[j] == '%') ++j;
    return j == M.size();
}

// ---- reserved words ----

const char* const kFunctionWords[] = {
    "AVG", "CAST", "COUNT", "GEN_ID", "MAX", "MIN", "SUM", "UPPER", "IIF", "SUBSTRING"};

const char* const kReservedWords[] = {
    "ACTIVE", "ADD", "AFTER", "ALL", "ALTER", "AND", "ANY", "AS", "ASC", "ASCENDING", "AT", "AUTO",
    "AUTODDL", "BASED", "BASENAME", "BASE_NAME", "BEFORE", "BEGIN", "BETWEEN", "BLOBEDIT", "BUFFER",
    "BY", "CASE", "CACHE", "CHARACTER_LENGTH", "CHAR_LENGTH", "CHECK", "CHECK_POINT_LEN",
    "CHECK_POINT_LENGTH", "COLLATE", "COLLATION", "COLUMN", "COMMIT", "COMMITED", "COMPILETIME",
    "COMPUTED", "CLOSE", "CONDITIONAL", "CONNECT", "CONSTRAINT", "CONTAINING", "CONTINUE", "CREATE",
    "CURRENT", "CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP", "CURSOR", "DATABASE", "DAY",
    "DB_KEY", "DEBUG", "DEC", "DECLARE", "DEFAULT", "DELETE", "DESC", "DESCENDING", "DESCRIBE",
    "DESCRIPTOR", "DISCONNECT", "DISTINCT", "DO", "DOMAIN", "DROP", "ECHO", "EDIT", "ELSE", "END",
    "ENTRY_POINT", "ESCAPE", "EVENT", "EXCEPTION", "EXECUTE", "EXISTS", "EXIT", "EXTERN", "EXTERNAL",
    "EXTRACT", "FALSE", "FETCH", "FILE", "FILTER", "FOR", "FOREIGN", "FOUND", "FROM", "FULL",
    "FUNCTION", "GDSCODE", "GENERATOR", "GLOBAL", "GOTO", "GRANT", "GROUP", "GROUP_COMMIT_WAIT",
    "GROUP_COMMIT_WAIT_TIME", "HAVING", "HELP", "HOUR", "IF", "IMMEDIATE", "IN", "INACTIVE", "INDEX",
    "INDICATOR", "INIT", "INNER", "INPUT", "INPUT_TYPE", "INSERT", "INT", "INTO", "IS", "ISOLATION",
    "ISQL", "JOIN", "KEY", "LC_MESSAGES", "LC_TYPE", "LEFT", "LENGTH", "LEV", "LEVEL", "LIKE",
    "LOGFILE", "LOG_BUFFER_SIZE", "LOG_BUF_SIZE", "LONG", "MANUAL", "MAXIMUM", "MAXIMUM_SEGMENT",
    "MAX_SEGMENT", "MERGE", "MESSAGE", "MINIMUM", "MINUTE", "MODULE_NAME", "MONTH", "NAMES",
    "NATIONAL", "NATURAL", "NCHAR", "NO", "NOAUTO", "NOT", "NULL", "NUM_LOG_BUFFS", "NUM_LOG_BUFFERS",
    "OCTET_LENGTH", "OF", "ON", "ONLY", "OPEN", "OPTION", "OR", "ORDER", "OUTER", "OUTPUT",
    "OUTPUT_TYPE", "OVERFLOW", "PAGE", "PAGELENGTH", "PAGES", "PAGE_SIZE", "PARAMETER", "PASSWORD",
    "PLAN", "POSITION", "POST_EVENT", "PRECISION", "PREPARE", "PROCEDURE", "PROTECTED", "PRIMARY",
    "PRIVILEGES", "PUBLIC", "QUIT", "RAW_PARTITIONS", "READ", "REAL", "RECORD_VERSION", "REFERENCES",
    "RELEASE", "RESERV", "RESERVING", "RETAIN", "RETURN", "RETURNING_VALUES", "RETURNS", "REVOKE",
    "RIGHT", "ROLLBACK", "RUNTIME", "SAVEPOINT", "SCHEMA", "SECOND", "SEGMENT", "SELECT", "SET",
    "SHADOW", "SHARED", "SHELL", "SHOW", "SINGULAR", "SIZE", "SNAPSHOT", "SOME", "SORT", "SQL",
    "SQLCODE", "SQLERROR", "SQLWARNING", "STABILITY", "STARTING", "STARTS", "STATEMENT", "STATIC",
    "STATISTICS", "SUB_TYPE", "SUSPEND", "TABLE", "TERMINATOR", "THEN", "TO", "TRANSACTION",
    "TRANSLATE", "TRANSLATION", "TRIGGER", "TRIM", "TRUE", "TYPE", "UNCOMMITTED", "UNION", "UNIQUE",
    "UNKNOWN", "UPDATE", "USER", "USING", "VALUE", "VALUES", "VARIABLE", "VARYING", "VERSION", "VIEW",
    "WAIT", "WEEKDAY", "WHEN", "WHENEVER", "WHERE", "WHILE", "WITH", "WORK", "WRITE", "YEAR",
    "YEARDAY", "FIRST", "SKIP", "RECREATE", "CURRENT_USER", "CURRENT_ROLE", "PLANONLY", "LIMIT",
    "SECONDS", "ROWS", "PERCENT", "TIES", "NEW", "OLD", "CURRENT_CONNECTION", "CURRENT_TRANSACTION",
    "INSERTING", "UPDATING", "DELETING", "ROW_COUNT", "FREE_IT"};

const char* const kTypeNames[] = {
    "BLOB", "CHAR", "CHARACTER", "DATE", "DECIMAL", "DOUBLE", "FLOAT", "INTEGER", "NUMERIC",
    "SMALLINT", "TIME", "TIMESTAMP", "VARCHAR", "INT64", "BIGINT", "BOOLEAN", "CSTRING"};

// Byte comparison with a..z folded to A..Z.
int CompareCI(std::string_view A, std::string_view B) {
    const size_t n = std::min(A.size(), B.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char a = U(UpAscii(A[i])), b = U(UpAscii(B[i]));
        if (a != b) return a < b ? -1 : 1;
    }
    if (A.size() == B.size()) return 0;
    return A.size() < B.size() ? -1 : 1;
}

struct TWordRange {
    Word First = 1;   // First > Last: no word begins with the pair
    Word Last = 0;
};

struct TReservedWords {
    std::vector<AnsiString> Words;
    TWordRange Index[26][26];

    TReservedWords() {
        for (const char* w : kFunctionWords) Words.emplace_back(w);
        for (const char* w : kReservedWords) Words.emplace_back(w);
        for (const char* w : kTypeNames) Words.emplace_back(w);
        std::sort(Words.begin(), Words.end(),
                  [](const AnsiString& a, const AnsiString& b) { return CompareCI(a, b) < 0; });
        // One pass: each change of the leading pair closes the previous range.
        int curA = -1, curB = -1;
        for (size_t i = 0; i < Words.size(); ++i) {
            const int a = Words[i][0] - 'A', b = Words[i][1] - 'A';
            if (a != curA || b != curB) {
                if (curA >= 0) Index[curA][curB].Last = static_cast<Word>(i - 1);
                curA = a;
                curB = b;
                Index[a][b].First = static_cast<Word>(i);
            }
        }
        if (curA >= 0) Index[curA][curB].Last = static_cast<Word>(Words.size() - 1);
    }

    bool Contains(const AnsiString& Ident, char A, char B) const {
        const TWordRange& r = Index[A - 'A'][B - 'A'];
        int lo = r.First, hi = r.Last;
        while (lo <= hi) {
            const int mid = (lo + hi) / 2;
            const int c = CompareCI(Words[static_cast<size_t>(mid)], Ident);
            if (c == 0) return true;
            if (c < 0) lo = mid + 1; else hi = mid - 1;
        }
        return false;
    }
};

const TReservedWords& Reserved() {
    static const TReservedWords list;
    return list;
}

// Built at start-up so that no caller pays for it on a hot path.
[[maybe_unused]] const TReservedWords& gReservedInit = Reserved();

inline bool IsUpperLetter(char C) { return C >= 'A' && C <= 'Z'; }

// Double quotes inside a quoted identifier are written twice.
AnsiString QuoteIdent(const AnsiString& Ident) {
    AnsiString out = "\"";
    for (char c : Ident) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}
}  // namespace

// ---- trimming, lengths, copies ----------------------------------------------

void TrimBounds(const AnsiString& S, Integer& First, Integer& Last) {
    Integer n = static_cast<Integer>(S.size());
    First = 1;
    while (First <= n && IsBlank(S[static_cast<size_t>(First - 1)])) ++First;
    Last = n;
    while (Last >= First && IsBlank(S[static_cast<size_t>(Last - 1)])) --Last;
}

AnsiString FastTrim(const AnsiString& S) {
    Integer first, last;
    TrimBounds(S, first, last);
    if (first > last) return AnsiString();
    if (first == 1 && last == static_cast<Integer>(S.size())) return S;
    return S.substr(static_cast<size_t>(first - 1), static_cast<size_t>(last - first + 1));
}

void DoTrim(AnsiString& S) {
    Integer first, last;
    TrimBounds(S, first, last);
    if (first > last) { S.clear(); return; }
    S.erase(static_cast<size_t>(last));
    S.erase(0, static_cast<size_t>(first - 1));
}

void DoTrimRight(AnsiString& S) {
    size_t n = S.size();
    while (n > 0 && IsBlank(S[n - 1])) --n;
    S.resize(n);
}

bool IsBlankStr(const AnsiString& S) {
    return std::all_of(S.begin(), S.end(), IsBlank);
}

Integer FastStrLen(const char* S) {
    // The library scan: an unaligned word-at-a-time loop of our own could
    // read past the terminator into an unmapped page.
    if (!S) return 0;
    return static_cast<Integer>(std::strlen(S));
}

Integer StrLenTrimRight(const char* S) {
    Integer n = FastStrLen(S);
    while (n > 0 && IsBlank(S[n - 1])) --n;
    return n;
}

AnsiString FastCopy(const AnsiString& S, Integer Index, Integer Count) {
    const Integer len = static_cast<Integer>(S.size());
    if (Index < 1 || Index > len || Count <= 0) return AnsiString();
    const Integer n = std::min(Count, len - Index + 1);
    return S.substr(static_cast<size_t>(Index - 1), static_cast<size_t>(n));
}

void DoCopy(const AnsiString& S, AnsiString& Dest, Integer Index, Integer Count) {
    const Integer len = static_cast<Integer>(S.size());
    if (Index < 1 || Index > len || Count <= 0) { Dest.clear(); return; }
    const size_t n = static_cast<size_t>(std::min(Count, len - Index + 1));
    if (&S == &Dest) { Dest = S.substr(static_cast<size_t>(Index - 1), n); return; }
    if (Dest.size() != n) Dest.resize(n);
    std::memcpy(Dest.data(), S.data() + Index - 1, n);
}

// ---- case -------------------------------------------------------------------

AnsiString FastUpperCase(const AnsiString& S) {
    AnsiString r = S;
    for (char& c : r) c = UpAscii(c);
    return r;
}

void DoUpperCase(AnsiString& S, Integer From, Integer To) {
    const Integer len = static_cast<Integer>(S.size());
    if (To < 0) return;   // a position before the text: nothing to change
    if (To == 0 || To > len) To = len;
    if (From < 1) From = 1;
    for (Integer i = From; i <= To; ++i) S[static_cast<size_t>(i - 1)] = UpAscii(S[static_cast<size_t>(i - 1)]);
}

void DoLowerCase(AnsiString& S) {
    for (char& c : S) c = LowAscii(c);
}

// ---- building and comparing -----------------------------------------------

AnsiString MakeStr(char C, Integer N) {
    return N < 1 ? AnsiString() : AnsiString(static_cast<size_t>(N), C);
}

AnsiString IfThenStr(bool Condition, const AnsiString& A, const AnsiString& B) {
    return Condition ? A : B;
}

bool EqualStr(bool IgnoreCase, const AnsiString& A, const AnsiString& B) {
    if (A.size() != B.size()) return false;
    return IgnoreCase ? AnsiSameText(A, B) : A == B;
}

bool AsciiEqualStr(const AnsiString& A, const AnsiString& B, bool CaseSensitive) {
    if (CaseSensitive) return A == B;
    if (A.size() != B.size()) return false;
    for (size_t i = 0; i < A.size(); ++i) {
        const int d = int(U(A[i])) - int(U(B[i]));
        if (d != 0 && d != 32 && d != -32) return false;
    }
    return true;
}

bool StrInArray(const AnsiString& S, const std::vector<AnsiString>& Items) {
    return std::find(Items.begin(), Items.end(), S) != Items.end();
}

// ---- searching and replacing --------------------------------------------------

Integer PosCh(char C, const AnsiString& S) {
    const size_t p = S.find(C);
    return p == AnsiString::npos ? 0 : static_cast<Integer>(p) + 1;
}

Integer PosChFrom(char C, const AnsiString& S, Integer From) {
    if (From < 1) From = 1;
    if (static_cast<size_t>(From) > S.size()) return 0;
    const size_t p = S.find(C, static_cast<size_t>(From - 1));
    return p == AnsiString::npos ? 0 : static_cast<Integer>(p) + 1;
}

Integer PosCI(const AnsiString& Substr, const AnsiString& S) {
    return FindFrom(FastUpperCase(Substr), FastUpperCase(S), 1);
}

Integer PosFrom(const AnsiString& Substr, const AnsiString& S, Integer From, Integer To) {
    if (Substr.empty() || S.empty()) return 0;
    const size_t limit = std::min<size_t>(To < 0 ? 0 : static_cast<size_t>(To), S.size());
    if (From < 1) From = 1;
    const size_t start = static_cast<size_t>(From - 1);
    if (start + Substr.size() > limit) return 0;
    const std::string_view window(S.data(), limit);
    const size_t p = window.find(Substr, start);
    return p == std::string_view::npos ? 0 : static_cast<Integer>(p) + 1;
}

Integer PosInRightContext(const AnsiString& Substr, const AnsiString& S, const TCharSet& Before,
                          bool AsNames, const TCharSet& After) {
    if (Substr.empty()) return 0;
    const AnsiString pat = AsNames ? NameUpperCase(Substr) : FastUpperCase(Substr);
    const AnsiString txt = AsNames ? NameUpperCase(S) : FastUpperCase(S);
    const Integer plen = static_cast<Integer>(pat.size());
    Integer p = FindFrom(pat, txt, 1);
    while (p > 0) {
        const bool beforeOk = p == 1 || Before.Contains(txt[static_cast<size_t>(p - 2)]);
        if (beforeOk) {
            const size_t after = static_cast<size_t>(p - 1 + plen);
            if (after >= txt.size() || After.Contains(txt[after])) return p;
        }
        p = FindFrom(pat, txt, p + plen);
    }
    return 0;
}

AnsiString ReplaceStr(const AnsiString& S, const AnsiString& Pattern, const AnsiString& Replacement) {
    return ReplaceOn(S, S, Pattern, Replacement);
}

AnsiString ReplaceCIStr(const AnsiString& S, const AnsiString& Pattern, const AnsiString& Replacement,
                        bool AnsiUpper) {
    if (Pattern.empty()) return S;
    const AnsiString hay = AnsiUpper ? AnsiUpperCase(S) : FastUpperCase(S);
    const AnsiString needle = AnsiUpper ? AnsiUpperCase(Pattern) : FastUpperCase(Pattern);
    if (hay.size() != S.size()) {
        // Positions would no longer line up; fall back to the ASCII fold.
        return ReplaceOn(S, FastUpperCase(S), FastUpperCase(Pattern), Replacement);
    }
    return ReplaceOn(S, hay, needle, Replacement);
}

// ---- words, quotes, name=value --------------------------------------------

Integer WordCount(const AnsiString& S, const TCharSet& Delims) {
    Integer count = 0;
    bool inWord = false;
    for (char c : S) {
        if (Delims.Contains(c)) inWord = false;
        else if (!inWord) { inWord = true; ++count; }
    }
    return count;
}

AnsiString ExtractWord(Integer N, const AnsiString& S, const TCharSet& Delims) {
    if (N == 1 && WordCount(S, Delims) == 0) return S;
    Integer count = 0;
    size_t i = 0;
    while (i < S.size()) {
        while (i < S.size() && Delims.Contains(S[i])) ++i;
        if (i >= S.size()) break;
        size_t j = i;
        while (j < S.size() && !Delims.Contains(S[j])) ++j;
        if (++count == N) return S.substr(i, j - i);
        i = j;
    }
    return AnsiString();
}

AnsiString UnquoteStr(const AnsiString& S) {
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    size_t e = S.size();
    while (e > 0 && isSpace(S[e - 1])) --e;
    if (e == 0) return S;
    const char q = S[e - 1];
    if (q != '"' && q != '\'') return S;
    const size_t close = e - 1;
    size_t b = 0;
    while (b < close) {
        const char c = S[b];
        if (c == q) break;
        if (isSpace(c) || c == '"' || c == '\'') { ++b; continue; }
        return S;
    }
    if (b >= close) return S;   // the closing quote alone
    return S.substr(b + 1, close - b - 1);
}

AnsiString ExtractValue(const AnsiString& Line) {
    const size_t p = Line.find('=');
    return p == AnsiString::npos ? AnsiString() : Line.substr(p + 1);
}

void SplitNameValue(const AnsiString& Line, AnsiString& Name, AnsiString& Value) {
    const size_t p = Line.find('=');
    if (p == AnsiString::npos) {
        Name = Line;
        Value.clear();
    } else {
        AnsiString name = Line.substr(0, p);
        Value = Line.substr(p + 1);
        Name = std::move(name);
    }
}

bool IsOldParamName(const AnsiString& Name) { return IsParamPrefix(Name, "OLD"); }
bool IsNewParamName(const AnsiString& Name) { return IsParamPrefix(Name, "NEW"); }
bool IsMasParamName(const AnsiString& Name) { return IsParamPrefix(Name, "MAS"); }

// ---- string lists -------------------------------------------------------------

bool EmptyStrings(const TStrings* List) {
    if (!List) return true;
    for (Integer i = 0; i < List->Count(); ++i)
        if (!IsBlankStr(List->Strings(i))) return false;
    return true;
}

void DeleteEmptyStrings(TStrings* List) {
    if (!List) return;
    for (Integer i = List->Count() - 1; i >= 0; --i)
        if (List->Strings(i).empty()) List->Delete(i);
}

void SubtractStrings(const TStrings* Source, const TStrings* Exclusion, TStrings* Dest) {
    if (!Dest) return;
    // Collected before Dest is cleared: Dest may be the source or the exclusion.
    std::vector<std::pair<AnsiString, TObject*>> kept;
    if (Source) {
        const auto* sorted = dynamic_cast<const TStringList*>(Exclusion);
        for (Integer i = 0; i < Source->Count(); ++i) {
            const AnsiString& s = Source->Strings(i);
            bool excluded = false;
            if (Exclusion) {
                Integer at = -1;
                if (sorted && sorted->Sorted()) excluded = sorted->Find(s, at);
                else excluded = Exclusion->IndexOf(s) >= 0;
            }
            if (!excluded) kept.emplace_back(s, Source->Objects(i));
        }
    }
    Dest->Clear();
    for (auto& [s, obj] : kept) Dest->AddObject(s, obj);
}

// ---- matching -----------------------------------------------------------------

bool WldCompare(const AnsiString& S, const AnsiString& Mask) {
    return WldMatch(CollapseStars(S), CollapseStars(Mask));
}

Integer WldIndexOf(const TStrings* List, const AnsiString& Name, bool CaseSensitive) {
    if (!List) return -1;
    const AnsiString name = CaseSensitive ? Name : NameUpperCase(Name);
    for (Integer i = 0; i < List->Count(); ++i) {
        const AnsiString line = CaseSensitive ? List->Strings(i) : NameUpperCase(List->Strings(i));
        if (WldCompare(line, name)) return i;
    }
    return -1;
}

bool SQLMaskCompare(const AnsiString& S, const AnsiString& Mask) {
    // "*" and "?" are ordinary characters in LIKE: the mask is taken as it is.
    return LikeMatch(S, Mask);
}

// ---- dates ----------------------------------------------------------------------

AnsiString ConvertMonthNames(const AnsiString& S) {
    static const char* const kMonths[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                            "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    static const char* const kNumbers[12] = {"01", "02", "03", "04", "05", "06",
                                             "07", "08", "09", "10", "11", "12"};
    AnsiString r = S;
    std::replace(r.begin(), r.end(), '-', FormatSettings.DateSeparator);
    for (int m = 0; m < 12; ++m) {
        if (r.find(kMonths[m]) != AnsiString::npos) return ReplaceStr(r, kMonths[m], kNumbers[m]);
    }
    return r;
}

AnsiString NormalizeDateText(const AnsiString& S, Integer Kind) {
    if (IsBlankStr(S)) return AnsiString();
    TDateTime value = 0;
    {
        TFormatSettingsGuard guard;
        AnsiString text = S;
        if (Kind != 2) {   // anything but time alone carries a date
            // The separator is looked for in the date, the first word: the point of a
            // time's milliseconds is no date separator.
            const size_t from = text.find_first_not_of(" \t\r\n");
            const size_t to = from == AnsiString::npos ? from : text.find_first_of(" \t\r\n", from);
            const AnsiString date = from == AnsiString::npos ? AnsiString() : text.substr(from, to - from);
            if (date.find('.') != AnsiString::npos) {
                FormatSettings.DateSeparator = '.';
                FormatSettings.ShortDateFormat = "dd.mm.yyyy";
            } else if (date.find('/') != AnsiString::npos) {
                FormatSettings.DateSeparator = '/';
                FormatSettings.ShortDateFormat = "mm/dd/yyyy";
            } else if (date.find('-') != AnsiString::npos) {
                text = ConvertMonthNames(text);
                FormatSettings.ShortDateFormat = "dd.mm.yyyy";
            } else {
                return AnsiUpperCase(text);
            }
        }
        FormatSettings.TimeSeparator = ':';
        FormatSettings.ShortTimeFormat = "h:m:s";
        switch (Kind) {
            case 1: value = StrToDate(text); break;
            case 2: value = StrToTime(text); break;
            default: value = StrToDateTime(text); break;
        }
    }
    switch (Kind) {
        case 1: return DateToStr(value);
        case 2: return TimeToStr(value);
        default: return DateTimeToStr(value);
    }
}

TDateTime StrToDateFmt(const AnsiString& S, const AnsiString& DateFormat) {
    TFormatSettingsGuard guard;
    FormatSettings.ShortDateFormat = DateFormat;
    return StrToDateTime(S);
}

// ---- identifiers ----------------------------------------------------------------

bool IsNeedQuote(const AnsiString& Ident, bool AllowLower) {
    if (Ident.empty()) return false;
    if (Ident[0] == '"') return true;
    for (char c : Ident) {
        const bool ok = IsUpperLetter(c) || (c >= '0' && c <= '9') || c == '_' || c == '#' ||
                        c == '$' || c == '%' || (AllowLower && c >= 'a' && c <= 'z');
        if (!ok) return true;
    }
    if (Ident[0] >= '0' && Ident[0] <= '9') return true;
    if (Ident.size() == 1) return false;
    if (Ident[1] >= '0' && Ident[1] <= '9') return false;
    const char a = AllowLower ? UpAscii(Ident[0]) : Ident[0];
    const char b = AllowLower ? UpAscii(Ident[1]) : Ident[1];
    if (!IsUpperLetter(a) || !IsUpperLetter(b)) return false;
    return Reserved().Contains(Ident, a, b);
}

bool NeedQuote(const AnsiString& Ident) { return IsNeedQuote(Ident, false); }
bool NeedQuoteCI(const AnsiString& Ident) { return IsNeedQuote(Ident, true); }

AnsiString FormatIdentifierEx(Integer Dialect, const AnsiString& Ident, bool AllowLower) {
    if (Dialect == 1) return FastUpperCase(FastTrim(Ident));
    if (!IsNeedQuote(Ident, AllowLower)) return FastUpperCase(Ident);
    if (Ident.empty() || Ident[0] == '"') return Ident;
    return QuoteIdent(Ident);
}

AnsiString FormatIdentifier(Integer Dialect, const AnsiString& Ident) {
    if (Dialect == 1) return FastUpperCase(FastTrim(Ident));
    if (!NeedQuote(Ident)) return Ident;
    if (Ident[0] == '"') return Ident;   // already quoted
    return QuoteIdent(Ident);
}

const std::vector<AnsiString>& ReservedWords() { return Reserved().Words; }
