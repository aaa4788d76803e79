#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/rtl/CodePage.h"

// ---------------------------------------------------------------------------------------------
// Exceptions

Exception::Exception(const AnsiString& Fmt, std::initializer_list<TVarRec> Args)
{
    try {
        FMessage = Format(Fmt, Args);
    } catch (const std::exception&) {
        // A broken message format (or one too large to build) must not hide the failure
        // being reported.
        FMessage = Fmt;
    }
}

void Abort() { throw EAbort(SOperationAborted); }

AnsiString SysErrorMessage(Integer ErrorCode)
{
    char buf[256];
    const char* text = strerror_r(ErrorCode, buf, sizeof buf);
    return Utf8ToAnsi(text ? text : "");
}

void RaiseLastOSError() { RaiseLastOSError(errno); }

void RaiseLastOSError(Integer LastError)
{
    if (LastError == 0) throw EOSError(SUnkOSError);
    EOSError e(SOSError, {LastError, SysErrorMessage(LastError)});
    e.ErrorCode = static_cast<Cardinal>(LastError);
    throw e;
}

// ---------------------------------------------------------------------------------------------
// Format settings

TFormatSettings TurkishFormatSettings()
{
    TFormatSettings s;
    s.CurrencyString = "TL";
    s.CurrencyFormat = 3;  // "1 TL"
    s.NegCurrFormat = 8;   // "-1 TL"
    s.ThousandSeparator = '.';
    s.DecimalSeparator = ',';
    s.CurrencyDecimals = 2;
    s.DateSeparator = '.';
    s.TimeSeparator = ':';
    s.ListSeparator = ';';
    s.ShortDateFormat = "dd.mm.yyyy";
    s.LongDateFormat = "dd mmmm yyyy dddd";
    s.TimeAMString = "ÖÖ";
    s.TimePMString = "ÖS";
    s.ShortTimeFormat = "hh:nn";
    s.LongTimeFormat = "hh:nn:ss";
    static const char* const longMonths[12] = {"Ocak", "Şubat", "Mart", "Nisan", "Mayıs", "Haziran",
                                               "Temmuz", "Ağustos", "Eylül", "Ekim", "Kasım", "Aralık"};
    static const char* const shortMonths[12] = {"Oca", "Şub", "Mar", "Nis", "May", "Haz",
                                                "Tem", "Ağu", "Eyl", "Eki", "Kas", "Ara"};
    static const char* const longDays[7] = {"Pazar", "Pazartesi", "Salı", "Çarşamba",
                                            "Perşembe", "Cuma", "Cumartesi"};
    static const char* const shortDays[7] = {"Paz", "Pzt", "Sal", "Çar", "Per", "Cum", "Cmt"};
    for (int i = 0; i < 12; ++i) {
        s.LongMonthNames[i] = longMonths[i];
        s.ShortMonthNames[i] = shortMonths[i];
    }
    for (int i = 0; i < 7; ++i) {
        s.LongDayNames[i] = longDays[i];
        s.ShortDayNames[i] = shortDays[i];
    }
    s.TwoDigitYearCenturyWindow = 50;
    return s;
}

TFormatSettings FormatSettings = TurkishFormatSettings();

// ---------------------------------------------------------------------------------------------
// Text

namespace {

inline bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Sort weights of one byte: primary (symbol < digit < letter in Turkish order), secondary
// (accent), tertiary (case: lower first). Every byte has its own triple.
struct Weight {
    uint16_t primary;
    uint8_t secondary;
    uint8_t tertiary;
};

struct Collation {
    Weight w[256];
};

Collation MakeCollation()
{
    Collation c{};
    const AnsiString alphabet = "abcçdefgğhıijklmnoöpqrsştuüvwxyz";
    struct Variant { const char* letters; char base; };
    static const Variant variants[] = {
        {"áàâäãåæª", 'a'}, {"éèêë", 'e'}, {"íìîï", 'i'}, {"óòôõøœº", 'o'},
        {"úùû", 'u'}, {"ñ", 'n'}, {"ÿ", 'y'}, {"šß", 's'}, {"ƒ", 'f'}, {"µ", 'm'},
    };
    for (int b = 0; b < 256; ++b) {
        char ch = static_cast<char>(b);
        if (b >= '0' && b <= '9') {
            c.w[b] = {static_cast<uint16_t>(300 + b - '0'), 0, 0};
            continue;
        }
        if (!IsAnsiLetter(ch)) {
            c.w[b] = {static_cast<uint16_t>(1 + b), 0, 0};
            continue;
        }
        char lower = AnsiLowerChar(ch);
        uint8_t tertiary = lower != ch ? 1 : 0;
        auto pos = alphabet.find(lower);
        if (pos != AnsiString::npos) {
            c.w[b] = {static_cast<uint16_t>(400 + pos), 0, tertiary};
            continue;
        }
        bool found = false;
        for (const Variant& v : variants) {
            const char* p = std::strchr(v.letters, lower);
            if (p && lower != 0) {
                c.w[b] = {static_cast<uint16_t>(400 + alphabet.find(v.base)),
                          static_cast<uint8_t>(1 + (p - v.letters)), tertiary};
                found = true;
                break;
            }
        }
        if (!found) c.w[b] = {static_cast<uint16_t>(1 + b), 0, 0};
    }
    return c;
}

const Collation& Coll()
{
    static const Collation c = MakeCollation();
    return c;
}

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

// Fold: compare as if both texts were upper-cased (without copying them).
int CollateCompare(const AnsiString& a, const AnsiString& b, bool fold)
{
    const Collation& c = Coll();
    size_t n = std::min(a.size(), b.size());
    auto key = [fold](char ch) { return static_cast<unsigned char>(fold ? AnsiUpperChar(ch) : ch); };
    auto wa = [&](size_t i) { return c.w[key(a[i])]; };
    auto wb = [&](size_t i) { return c.w[key(b[i])]; };
    for (size_t i = 0; i < n; ++i)
        if (wa(i).primary != wb(i).primary) return wa(i).primary < wb(i).primary ? -1 : 1;
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (size_t i = 0; i < n; ++i)
        if (wa(i).secondary != wb(i).secondary) return wa(i).secondary < wb(i).secondary ? -1 : 1;
    for (size_t i = 0; i < n; ++i)
        if (wa(i).tertiary != wb(i).tertiary) return wa(i).tertiary < wb(i).tertiary ? -1 : 1;
    if (fold) return 0;  // every byte has its own weights, so equal weights mean equal folded texts
    return Sign(a.compare(b));
}

}  // namespace

AnsiString Trim(const AnsiString& S)
{
    size_t b = 0, e = S.size();
    while (b < e && IsBlank(S[b])) ++b;
    while (e > b && IsBlank(S[e - 1])) --e;
    return S.substr(b, e - b);
}

AnsiString TrimLeft(const AnsiString& S)
{
    size_t b = 0;
    while (b < S.size() && IsBlank(S[b])) ++b;
    return S.substr(b);
}

AnsiString TrimRight(const AnsiString& S)
{
    size_t e = S.size();
    while (e > 0 && IsBlank(S[e - 1])) --e;
    return S.substr(0, e);
}

AnsiString UpperCase(const AnsiString& S)
{
    AnsiString r = S;
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return r;
}

AnsiString LowerCase(const AnsiString& S)
{
    AnsiString r = S;
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return r;
}

AnsiString AnsiUpperCase(const AnsiString& S)
{
    AnsiString r = S;
    for (char& c : r) c = AnsiUpperChar(c);
    return r;
}

AnsiString AnsiLowerCase(const AnsiString& S)
{
    AnsiString r = S;
    for (char& c : r) c = AnsiLowerChar(c);
    return r;
}

Integer CompareStr(const AnsiString& S1, const AnsiString& S2)
{
    size_t n = std::min(S1.size(), S2.size());
    for (size_t i = 0; i < n; ++i) {
        int d = static_cast<unsigned char>(S1[i]) - static_cast<unsigned char>(S2[i]);
        if (d != 0) return d;
    }
    return static_cast<Integer>(S1.size()) - static_cast<Integer>(S2.size());
}

Integer CompareText(const AnsiString& S1, const AnsiString& S2)
{
    auto up = [](char c) { return static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 32 : c); };
    size_t n = std::min(S1.size(), S2.size());
    for (size_t i = 0; i < n; ++i) {
        int d = up(S1[i]) - up(S2[i]);
        if (d != 0) return d;
    }
    return static_cast<Integer>(S1.size()) - static_cast<Integer>(S2.size());
}

bool SameText(const AnsiString& S1, const AnsiString& S2)
{
    return S1.size() == S2.size() && CompareText(S1, S2) == 0;
}

Integer AnsiCompareStr(const AnsiString& S1, const AnsiString& S2) { return CollateCompare(S1, S2, false); }

Integer AnsiCompareText(const AnsiString& S1, const AnsiString& S2)
{
    return CollateCompare(S1, S2, true);
}

bool AnsiSameStr(const AnsiString& S1, const AnsiString& S2) { return S1 == S2; }

bool AnsiSameText(const AnsiString& S1, const AnsiString& S2)
{
    return S1.size() == S2.size() && AnsiUpperCase(S1) == AnsiUpperCase(S2);
}

AnsiString QuotedStr(const AnsiString& S) { return AnsiQuotedStr(S, '\''); }

AnsiString AnsiQuotedStr(const AnsiString& S, char Quote)
{
    AnsiString r;
    r.reserve(S.size() + 2);
    r += Quote;
    for (char c : S) {
        r += c;
        if (c == Quote) r += Quote;
    }
    r += Quote;
    return r;
}

AnsiString AnsiDequotedStr(const AnsiString& S, char Quote)
{
    if (S.empty() || S[0] != Quote) return S;
    AnsiString r;
    for (size_t i = 1; i < S.size(); ++i) {
        if (S[i] == Quote) {
            if (i + 1 < S.size() && S[i + 1] == Quote) {
                r += Quote;
                ++i;
            } else {
                break;
            }
        } else {
            r += S[i];
        }
    }
    return r;
}

AnsiString StringReplace(const AnsiString& S, const AnsiString& OldPattern, const AnsiString& NewPattern,
                         TReplaceFlags Flags)
{
    if (OldPattern.empty()) return S;
    const bool ignoreCase = Flags.Contains(rfIgnoreCase);
    const AnsiString hay = ignoreCase ? AnsiUpperCase(S) : S;
    const AnsiString needle = ignoreCase ? AnsiUpperCase(OldPattern) : OldPattern;
    AnsiString r;
    size_t from = 0;
    while (true) {
        size_t p = hay.find(needle, from);
        if (p == AnsiString::npos) break;
        r.append(S, from, p - from);
        r += NewPattern;
        from = p + needle.size();
        if (!Flags.Contains(rfReplaceAll)) break;
    }
    r.append(S, from, AnsiString::npos);
    return r;
}

Integer Pos(const AnsiString& SubStr, const AnsiString& S)
{
    if (SubStr.empty()) return 0;
    size_t p = S.find(SubStr);
    return p == AnsiString::npos ? 0 : static_cast<Integer>(p + 1);
}

Integer AnsiPos(const AnsiString& SubStr, const AnsiString& S) { return Pos(SubStr, S); }

AnsiString Copy(const AnsiString& S, Integer Index, Integer Count)
{
    Int64 start = Index < 1 ? 0 : Int64(Index) - 1;
    if (start >= static_cast<Int64>(S.size()) || Count <= 0) return AnsiString();
    return S.substr(static_cast<size_t>(start), static_cast<size_t>(Count));
}

void Delete(AnsiString& S, Integer Index, Integer Count)
{
    if (Index < 1 || Index > static_cast<Int64>(S.size()) || Count <= 0) return;
    S.erase(static_cast<size_t>(Index - 1), static_cast<size_t>(Count));
}

void Insert(const AnsiString& Source, AnsiString& S, Integer Index)
{
    Int64 at = Index < 1 ? 0 : Int64(Index) - 1;
    if (at > static_cast<Int64>(S.size())) at = static_cast<Int64>(S.size());
    S.insert(static_cast<size_t>(at), Source);
}

AnsiString StringOfChar(char Ch, Integer Count) { return Count > 0 ? AnsiString(static_cast<size_t>(Count), Ch) : AnsiString(); }

bool IsDelimiter(const AnsiString& Delimiters, const AnsiString& S, Integer Index)
{
    if (Index < 1 || Index > static_cast<Int64>(S.size())) return false;
    return Delimiters.find(S[static_cast<size_t>(Index - 1)]) != AnsiString::npos;
}

Integer LastDelimiter(const AnsiString& Delimiters, const AnsiString& S)
{
    size_t p = S.find_last_of(Delimiters);
    return p == AnsiString::npos ? 0 : static_cast<Integer>(p + 1);
}

AnsiString AdjustLineBreaks(const AnsiString& S, TTextLineBreakStyle Style)
{
    const char* brk = Style == tlbsCRLF ? "\r\n" : "\n";
    AnsiString r;
    r.reserve(S.size() + S.size() / 16);
    for (size_t i = 0; i < S.size(); ++i) {
        char c = S[i];
        if (c == '\r' || c == '\n') {
            r += brk;
            if (i + 1 < S.size() && (S[i + 1] == '\r' || S[i + 1] == '\n') && S[i + 1] != c) ++i;
        } else {
            r += c;
        }
    }
    return r;
}
