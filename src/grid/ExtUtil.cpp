// Free routines shared by the grid units: cell text kinds, CSV and clipboard text, number and date parsing, filter conditions, drawing helpers.
#include "grid/ExtUtil.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Controls.h"

#include <iconv.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

bool IsDigit(char C) { return C >= '0' && C <= '9'; }

bool Contains(const AnsiString& S, const char* Sub) { return S.find(Sub) != AnsiString::npos; }

void ReplaceAllIn(AnsiString& S, const AnsiString& From, const AnsiString& To) {
    if (From.empty()) return;
    AnsiString R;
    R.reserve(S.size());
    size_t I = 0;
    for (;;) {
        size_t P = S.find(From, I);
        if (P == AnsiString::npos) break;
        R.append(S, I, P - I);
        R += To;
        I = P + From.size();
    }
    R.append(S, I, AnsiString::npos);
    S.swap(R);
}

// Round to nearest, halves to the even neighbour (the default rounding mode).
Integer RoundEven(double V) { return static_cast<Integer>(std::nearbyint(V)); }

char UpAscii(char C) { return (C >= 'a' && C <= 'z') ? char(C - 32) : C; }
char LowAscii(char C) { return (C >= 'A' && C <= 'Z') ? char(C + 32) : C; }

// --- filter matching ---------------------------------------------------------------
constexpr size_t MaxOperand = 255;

// The operand after a comparison operator: blanks skipped, up to a blank, the end,
// or "&" / "|" outside quotes; quotes around it are dropped.
AnsiString ReadOperand(const AnsiString& P, size_t I) {
    while (I < P.size() && P[I] == ' ') ++I;
    bool Quoted = false;
    if (I < P.size() && P[I] == '"') {
        Quoted = true;
        ++I;
    }
    AnsiString Op;
    for (; I < P.size(); ++I) {
        char C = P[I];
        if (Quoted) {
            if (C == '"') break;
        } else if (C == ' ' || C == '&' || C == '|') {
            break;
        }
        if (Op.size() < MaxOperand) Op += C;   // longer operands are cut, never overrun
    }
    return Op;
}

bool ToNumber(const AnsiString& S, Extended& V) {
    TFormatSettings Fs = FormatSettings;
    Fs.DecimalSeparator = '.';
    Fs.ThousandSeparator = 0;
    return TryStrToFloat(NormalizeNumber(S), V, Fs);
}

// Compares Text with Operand: numbers, else dates, else characters. Returns <0, 0, >0.
int CompareForFilter(const AnsiString& Text, const AnsiString& Operand) {
    Extended A = 0, B = 0;
    if (ToNumber(Text, A) && ToNumber(Operand, B)) return A < B ? -1 : (A > B ? 1 : 0);
    TDateTime Da = 0, Db = 0;
    if (StrToDateEx(Text, Da) && StrToDateEx(Operand, Db)) return Da < Db ? -1 : (Da > Db ? 1 : 0);
    const AnsiString Ta = Text.substr(0, MaxOperand);
    const AnsiString Tb = Operand.substr(0, MaxOperand);
    int R = std::memcmp(Ta.data(), Tb.data(), std::min(Ta.size(), Tb.size()));
    if (R == 0) R = Ta.size() < Tb.size() ? -1 : (Ta.size() > Tb.size() ? 1 : 0);
    return R;
}

// One pattern part against one text. A star may try every rest of the text, and the
// rest of the pattern after it is matched like a whole pattern; each (pattern, text)
// position pair is worked out once, so many stars cost no more than their positions.
class TFilterMatch {
public:
    TFilterMatch(const AnsiString& P, const AnsiString& T) : FP(P), FT(T) {}
    bool Core(size_t Pi, size_t Ti);

private:
    bool Wildcard(size_t Pi, size_t Ti);
    bool AnyRestMatches(size_t Pi, size_t Ti);
    bool PlainGlob(size_t Pi, size_t Ti) const;

    const AnsiString& FP;
    const AnsiString& FT;
    std::unordered_map<UInt64, bool> FSeen;
};

bool TFilterMatch::Core(size_t Pi, size_t Ti) {
    bool HasGT = false, HasLT = false, GT = false, LT = false;
    size_t G = FP.find('>', Pi);
    if (G != AnsiString::npos) {
        HasGT = true;
        bool OrEqual = G + 1 < FP.size() && FP[G + 1] == '=';
        int Cmp = CompareForFilter(FT.substr(Ti), ReadOperand(FP, G + (OrEqual ? 2 : 1)));
        GT = OrEqual ? Cmp >= 0 : Cmp > 0;
    }
    size_t L = FP.find('<', Pi);
    if (L != AnsiString::npos) {
        HasLT = true;
        bool OrEqual = L + 1 < FP.size() && FP[L + 1] == '=';
        int Cmp = CompareForFilter(FT.substr(Ti), ReadOperand(FP, L + (OrEqual ? 2 : 1)));
        LT = OrEqual ? Cmp <= 0 : Cmp < 0;
    }
    if (FP.find('!', Pi) != AnsiString::npos) {
        if (G == AnsiString::npos) HasGT = true;
        if (L == AnsiString::npos) HasLT = true;
    }
    if (FP.find('^', Pi) != AnsiString::npos && (HasGT || HasLT)) return LT || GT;
    if (FP.find('&', Pi) != AnsiString::npos && HasGT && HasLT) return LT && GT;
    if ((HasGT && GT) || (HasLT && LT)) return true;
    return Wildcard(Pi, Ti);
}

bool TFilterMatch::Wildcard(size_t Pi, size_t Ti) {
    bool Invert = false;
    bool Ok = true;
    while (Pi < FP.size()) {
        char C = FP[Pi];
        if (C == '*') {
            while (Pi < FP.size() && FP[Pi] == '*') ++Pi;
            if (AnyRestMatches(Pi, Ti)) return !Invert;
            Ok = false;
            break;
        }
        if (C == '!') {
            Invert = !Invert;
            ++Pi;
            continue;
        }
        if (C == '"') {
            ++Pi;
            continue;
        }
        if (C == '?') {
            if (Ti >= FT.size()) { Ok = false; break; }
            ++Pi;
            ++Ti;
            continue;
        }
        if (C == '\\' && Pi + 1 < FP.size()) {
            ++Pi;
            C = FP[Pi];
        }
        if (Ti >= FT.size() || FT[Ti] != C) { Ok = false; break; }
        ++Pi;
        ++Ti;
    }
    if (Ok) Ok = Ti == FT.size();
    return Invert ? !Ok : Ok;
}

// Whether the pattern from Pi matches some rest of the text from Ti on.
bool TFilterMatch::AnyRestMatches(size_t Pi, size_t Ti) {
    // Without inversion or comparison after the star it is a plain wildcard match.
    if (FP.find_first_of("!<>", Pi) == AnsiString::npos) return PlainGlob(Pi, Ti);
    for (size_t K = FT.size() + 1; K-- > Ti;) {
        const UInt64 Key = UInt64(Pi) * (FT.size() + 1) + K;
        auto It = FSeen.find(Key);
        const bool M = It != FSeen.end() ? It->second : (FSeen[Key] = Core(Pi, K));
        if (M) return true;
    }
    return false;
}

// "*" followed by the pattern from Pi against the text from Ti, walking back only to
// the last star: time bounded by pattern length times text length.
bool TFilterMatch::PlainGlob(size_t Pi, size_t Ti) const {
    size_t P = Pi, T = Ti, StarP = Pi, StarT = Ti;
    while (T < FT.size()) {
        if (P < FP.size()) {
            char C = FP[P];
            if (C == '"') { ++P; continue; }
            if (C == '*') {
                while (P < FP.size() && FP[P] == '*') ++P;
                StarP = P;
                StarT = T;
                continue;
            }
            size_t Step = 1;
            if (C == '\\' && P + 1 < FP.size()) {
                C = FP[P + 1];
                Step = 2;
            } else if (C == '?') {
                ++P;
                ++T;
                continue;
            }
            if (FT[T] == C) {
                P += Step;
                ++T;
                continue;
            }
        }
        P = StarP;
        T = ++StarT;
    }
    while (P < FP.size() && (FP[P] == '*' || FP[P] == '"')) ++P;
    return P == FP.size();
}

}  // namespace

// --- text kinds --------------------------------------------------------------------------
Integer TextType(const AnsiString& Text, bool HTMLEnabled) {
    const AnsiString S = Text + " ";
    if (S.size() <= 1) return 0;
    if (S[0] == '=') return 3;
    if (S[0] == '|' && S[1] == '\\') return (S.size() >= 4 && S[3] == '=') ? 3 : 5;
    if (S[0] == '{' && S[1] == '\\') return 2;
    if (!HTMLEnabled) return 0;
    if (Contains(Text, "</") || Contains(Text, "<B") || Contains(Text, "<I")) return 1;
    return 0;
}

// --- URLs ----------------------------------------------------------------------------------
bool IsURL(const AnsiString& Text) { return Contains(Text, "://") || Contains(Text, "mailto:"); }

void StripURLProtocol(AnsiString& Text) {
    size_t P = Text.find("://");
    if (P != AnsiString::npos) {
        Text.erase(0, P + 3);
        return;
    }
    P = Text.find("mailto:");
    if (P != AnsiString::npos) Text.erase(0, P + 7);
}

// --- Unicode cell encoding -----------------------------------------------------------------
AnsiString WideToCellText(const WideString& Value) {
    AnsiString R = "|\\";
    R.reserve(2 + Value.size() * 2);
    for (char16_t U : Value) {
        R += char(U >> 8);
        R += char(U & 0xFF);
    }
    return R;
}

bool FitsCodePage(const WideString& Text) {
    return std::all_of(Text.begin(), Text.end(), [](char16_t C) { return UnicodeToCp1254(C) >= 0; });
}

AnsiString OutsideTextToCell(const WideString& Text) {
    return FitsCodePage(Text) ? WideToAnsi(Text) : WideToCellText(Text);
}

bool IsUnicodeText(const AnsiString& Text) { return Text.size() >= 2 && Text[0] == '|' && Text[1] == '\\'; }

WideString CellTextToWide(const AnsiString& Text) {
    if (!IsUnicodeText(Text)) return AnsiToWide(Text);
    WideString R;
    for (size_t I = 2; I + 1 < Text.size(); I += 2)
        R += char16_t((Byte(Text[I]) << 8) | Byte(Text[I + 1]));
    return R;
}

AnsiString SearchedText(const AnsiString& Cell) {
    return IsUnicodeText(Cell) ? WideToAnsi(CellTextToWide(Cell)) : Cell;
}

Integer WidePos(const WideString& SubStr, const WideString& S) {
    if (SubStr.empty()) return 0;
    size_t P = S.find(SubStr);
    return P == WideString::npos ? 0 : Integer(P + 1);
}

// --- numbers and dates ----------------------------------------------------------------------
Integer NumberKind(const AnsiString& Text) {
    if (Text.empty()) return 2;
    const char Ts = FormatSettings.ThousandSeparator;
    const char Ds = FormatSettings.DecimalSeparator;
    bool AllDigits = true, IsFloat = true, AnyDigit = false;
    Integer Thousands = 0, Decimals = 0, Minus = 0;
    Integer LastThousand = 0;
    // Digits since the last thousand separator, -1 when none stands before them.
    Integer Group = -1;
    for (size_t I = 0; I < Text.size(); ++I) {
        const char C = Text[I];
        const Integer P = Integer(I + 1);
        if (IsDigit(C)) {
            AnyDigit = true;
            if (Group >= 0) ++Group;
        }
        if (!(IsDigit(C) || (C == '-' && P == 1))) AllDigits = false;
        bool FloatChar = IsDigit(C) || C == '-' || C == Ts || C == Ds;
        if (C == '-' && P != 1) FloatChar = false;
        if (C == Ts && Ts != 0) {
            if (P == 1 || (LastThousand > 0 && P - LastThousand < 3)) FloatChar = false;
            // Grouping belongs to the whole part and every group has three digits:
            // "12.5" or "1,5.000" would otherwise read as another number.
            if (Decimals > 0 || (Group >= 0 && Group != 3)) FloatChar = false;
            LastThousand = P;
            Group = 0;
            ++Thousands;
        } else if (C == Ds) {
            if (Group >= 0 && Group != 3) FloatChar = false;
            Group = -1;
            ++Decimals;
        }
        if (C == '-') ++Minus;
        if (!FloatChar) IsFloat = false;
    }
    if (Group >= 0 && Group != 3) IsFloat = false;
    // A sign or separators without a digit are no number ("-" is not 0).
    if (!AnyDigit || Thousands > 1 || Minus > 1 || Decimals >= 2) return 2;
    if (AllDigits) return 0;
    return IsFloat ? 1 : 2;
}

AnsiString NumberToValText(const AnsiString& Text) {
    if (Text.empty()) return AnsiString();
    const char Ts = FormatSettings.ThousandSeparator;
    const char Ds = FormatSettings.DecimalSeparator;
    AnsiString S = Trim(Text);
    bool Neg = S.size() >= 2 && S.front() == '(' && S.back() == ')';
    size_t I = 0;
    while (S.size() - I >= 2) {
        const char C = S[I];
        if (IsDigit(C) || C == 'E' || C == 'e' || C == Ts || C == Ds) break;
        if (C == '-') Neg = true;
        ++I;
    }
    AnsiString R;
    for (; I < S.size(); ++I) {
        const char C = S[I];
        if (C == Ts && Ts != 0) continue;
        if (C == Ds) { R += '.'; continue; }
        if (IsDigit(C) || C == '+' || C == '-' || C == '.' || C == 'E' || C == 'e') { R += C; continue; }
        break;
    }
    if (Neg) R.insert(R.begin(), '-');
    return R;
}

AnsiString NormalizeNumber(const AnsiString& Text) {
    const char Ts = FormatSettings.ThousandSeparator;
    const char Ds = FormatSettings.DecimalSeparator;
    AnsiString R;
    R.reserve(Text.size());
    for (char C : Text) {
        if (C == Ts && Ts != 0) continue;
        R += (C == Ds) ? '.' : C;
    }
    return R;
}

bool StrToDateEx(const AnsiString& Text, TDateTime& Date) {
    const AnsiString Fmt = UpperCase(FormatSettings.ShortDateFormat);
    const char Sep = FormatSettings.DateSeparator;
    struct Slot { size_t Pos; int Kind; };   // 0 day, 1 month, 2 year
    Slot Order[3] = {{Fmt.find('D'), 0}, {Fmt.find('M'), 1}, {Fmt.find('Y'), 2}};
    std::stable_sort(std::begin(Order), std::end(Order), [](const Slot& A, const Slot& B) { return A.Pos < B.Pos; });

    size_t P1 = Text.find(Sep);
    if (P1 == AnsiString::npos) return false;
    size_t P2 = Text.find(Sep, P1 + 1);
    if (P2 == AnsiString::npos) return false;
    const AnsiString Parts[3] = {Text.substr(0, P1), Text.substr(P1 + 1, P2 - P1 - 1), Text.substr(P2 + 1)};
    Integer Values[3] = {0, 0, 0};   // day, month, year
    for (int I = 0; I < 3; ++I) {
        Integer V = 0;
        if (!TryStrToInt(Parts[I], V)) return false;
        Values[Order[I].Kind] = V;
    }
    // Checked before the 16-bit date parts are made, which would wrap 65541 to 5.
    if (Values[0] < 0 || Values[0] > 31 || Values[1] < 0 || Values[1] > 12) return false;
    TDateTime D = 0;
    if (Values[2] < 0 || Values[2] > 0xFFFF || !TryEncodeDate(Word(Values[2]), Word(Values[1]), Word(Values[0]), D))
        return false;
    Date = D;
    return true;
}

bool IsDateText(const AnsiString& Text) {
    const char Sep = FormatSettings.DateSeparator;
    size_t P = Text.find(Sep);
    if (P == AnsiString::npos || P + 1 <= 1) return false;
    size_t Q = Text.find(Sep, P + 1);
    return Q != AnsiString::npos && (Q - P) > 1;
}

namespace {
TDateTime ParseShortDate(const AnsiString& Text, bool MonthFirst) {
    char Sep;
    if (Text.find('/') != AnsiString::npos) Sep = '/';
    else if (Text.find('.') != AnsiString::npos) Sep = '.';
    else if (Text.find('-') != AnsiString::npos) Sep = '-';
    else return 0;
    size_t P1 = Text.find(Sep);
    size_t P2 = Text.find(Sep, P1 + 1);
    if (P2 == AnsiString::npos) return 0;
    Integer A = 0, B = 0, Y = 0;
    const AnsiString YearText = Text.substr(P2 + 1);
    if (!TryStrToInt(Text.substr(0, P1), A) || !TryStrToInt(Text.substr(P1 + 1, P2 - P1 - 1), B) ||
        !TryStrToInt(YearText, Y))
        return 0;
    // A four-digit year stands as written; a short one falls in the same window as
    // every other date the program reads.
    Y = WindowedYear(Y, Integer(std::count_if(YearText.begin(), YearText.end(), IsDigit)), FormatSettings);
    const Integer M = MonthFirst ? A : B;
    const Integer D = MonthFirst ? B : A;
    if (M < 0 || D < 0 || Y < 0 || M > 0xFFFF || D > 0xFFFF || Y > 0xFFFF)
        return EncodeDate(0, 0, 0);   // the routine's own error for an impossible date
    return EncodeDate(Word(Y), Word(M), Word(D));
}
}  // namespace

TDateTime ParseMDYDate(const AnsiString& Text) { return ParseShortDate(Text, true); }
TDateTime ParseDMYDate(const AnsiString& Text) { return ParseShortDate(Text, false); }

TDateTime DateAddParts(Word Years, Word Months, Word Days, TDateTime Base, TDateTime Delta) {
    const int NonZero = (Years != 0) + (Months != 0) + (Days != 0);
    if (NonZero != 1) return Base + Delta;
    if (Days != 0) return Base + Days;
    Word Y = 0, M = 0, D = 0;
    DecodeDate(Base, Y, M, D);
    const TDateTime Time = Base >= 0 ? Base - std::floor(Base) : 0;
    if (Years != 0) {
        Y = Word(Y + Years);
    } else {
        M = Word(M + Months);
        if (M == 0) {
            M = 12;
            Y = Word(Y - 1);
        } else if (M > 12) {
            M = Word(M - 12);
            Y = Word(Y + 1);
        }
    }
    return EncodeDate(Y, M, D) + Time;
}

// --- CSV and clipboard transformations --------------------------------------------------------
void CRLFToCSVField(AnsiString& Text) {
    ReplaceAllIn(Text, "\r\n", "\x0B");
    // Quotes inside are doubled, or a reader would take the first one for the field's end.
    ReplaceAllIn(Text, "\"", "\"\"");
    Text = "\"" + Text + "\"";
}

void CSVFieldToCRLF(AnsiString& Text) {
    if (Text.find('\x0B') != AnsiString::npos) ReplaceAllIn(Text, "\x0B", "\r\n");
}

void TildeToCRLF(AnsiString& Text) {
    ReplaceAllIn(Text, "~", "\r\n");
    if (Text == "^") Text.clear();
}

AnsiString UnDoubleChar(char C, const AnsiString& Text) {
    if (Text.find(C) == AnsiString::npos) return Text;
    AnsiString R;
    R.reserve(Text.size());
    for (size_t I = 0; I < Text.size(); ++I) {
        if (Text[I] != C) {
            R += Text[I];
        } else if (I + 1 < Text.size() && Text[I + 1] == C) {
            R += C;
            ++I;
        }
    }
    return R;
}

void OemToAnsiText(AnsiString& Text) {
    // The Turkish OEM code page is 857; characters 1254 lacks become "?".
    AnsiString R;
    R.reserve(Text.size());
    iconv_t Cd = iconv_open("CP1254", "CP857");
    if (Cd == iconv_t(-1)) return;
    for (char Ch : Text) {
        if (Byte(Ch) < 0x80) {
            R += Ch;
            continue;
        }
        char In[1] = {Ch};
        char Out[4] = {};
        char* Ip = In;
        char* Op = Out;
        size_t Il = 1, Ol = sizeof(Out);
        iconv(Cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(Cd, &Ip, &Il, &Op, &Ol) == size_t(-1) || Op == Out) R += '?';
        else R.append(Out, size_t(Op - Out));
    }
    iconv_close(Cd);
    Text.swap(R);
}

AnsiString BackslashNToCR(const AnsiString& Text) {
    AnsiString R = Text;
    ReplaceAllIn(R, "\\n", "\r");
    return R;
}

AnsiString CRLFToTabBS(const AnsiString& Text) {
    if (Text.find('\r') == AnsiString::npos) return Text;
    AnsiString R = Text;
    for (char& C : R) {
        if (C == '\r') C = '\t';
        else if (C == '\n') C = '\b';
    }
    return R;
}

AnsiString TabBSToCRLF(const AnsiString& Text, bool KeepAll) {
    AnsiString R = Text;
    if (R.find('\b') != AnsiString::npos) {
        for (char& C : R) {
            if (C == '\t') C = '\r';
            else if (C == '\b') C = '\n';
        }
    }
    if (KeepAll) return R;
    return FirstLine(R, false);
}

AnsiString FirstLine(AnsiString& Text, bool KeepRest) {
    size_t P = Text.find('\r');
    if (P == AnsiString::npos) {
        AnsiString R;
        R.swap(Text);
        return R;
    }
    AnsiString R = Text.substr(0, P);
    size_t Cut = P + 1;
    if (Cut < Text.size() && Text[Cut] == '\n') ++Cut;
    if (KeepRest) Text.erase(0, Cut);
    else Text.clear();
    return R;
}

Integer LineCount(const AnsiString& Text, bool Multi) { return Multi ? 1 + CountChar('\r', Text) : 1; }

AnsiString RemoveCR(const AnsiString& Text) {
    AnsiString R;
    R.reserve(Text.size());
    for (char C : Text)
        if (C != '\r') R += C;
    return R;
}

Integer CountChar(char C, const AnsiString& Text) { return Integer(std::count(Text.begin(), Text.end(), C)); }

namespace {
// Last positions (1-based) of the runs of C that are of odd length or end the text.
template <typename F>
void ForEachUnpaired(char C, const AnsiString& Text, F&& Fn) {
    size_t I = 0;
    while (I < Text.size()) {
        if (Text[I] != C) { ++I; continue; }
        size_t J = I;
        while (J < Text.size() && Text[J] == C) ++J;
        if ((J - I) % 2 == 1 || J == Text.size()) {
            if (!Fn(Integer(J))) return;
        }
        I = J;
    }
}
}  // namespace

Integer FindUnpairedChar(char C, const AnsiString& Text, Integer& Pos) {
    Pos = 0;
    ForEachUnpaired(C, Text, [&](Integer P) { Pos = P; return false; });
    return Pos;
}

Integer CountUnpairedChar(char C, const AnsiString& Text) {
    Integer N = 0;
    ForEachUnpaired(C, Text, [&](Integer) { ++N; return true; });
    return N;
}

void FillString(AnsiString& S, char C) { std::fill(S.begin(), S.end(), C); }

Integer UpperPos(const AnsiString& SubStr, const AnsiString& Text) { return Pos(SubStr, UpperCase(Text)); }

Integer CharPos(char C, const AnsiString& Text) {
    size_t P = Text.find(C);
    return P == AnsiString::npos ? 0 : Integer(P + 1);
}

Integer CharPos(char C, const AnsiString& Text, Integer& Pos) {
    Pos = CharPos(C, Text);
    return Pos;
}

AnsiString SplitAt(AnsiString& Text, const AnsiString& Delim) {
    if (Delim.empty()) return AnsiString();
    size_t P = Text.find(Delim);
    if (P == AnsiString::npos) return AnsiString();
    AnsiString R = Text.substr(0, P);
    Text.erase(0, P + 1);
    return R;
}

// --- small helpers ----------------------------------------------------------------------------
bool PtInGridRect(const TRect& R, Integer X, Integer Y) {
    return X >= R.Left && X <= R.Right && Y >= R.Top && Y <= R.Bottom;
}

Integer Max(Integer A, Integer B) { return A > B ? A : B; }
Integer Min(Integer A, Integer B) { return A < B ? A : B; }

Integer PickPositive(Integer Def, Integer A, Integer B) {
    if (B == A) return Def;
    if (B > 0 && B < Def) return B;
    if (A > Def && A > 0) return A;
    return Def;
}

TColor HalfColor(TColor Color) {
    const TColor C = ColorToRGB(Color);
    return RGB(Byte(GetRValue(C) / 2), Byte(GetGValue(C) / 2), Byte(GetBValue(C) / 2));
}

bool ParseR1C1(const AnsiString& Text, TPoint& Cell) {
    const AnsiString S = UpperCase(Text);
    if (S.size() < 4 || S[0] != 'R') return false;
    size_t C = S.find('C');
    if (C == AnsiString::npos) return false;
    Integer Row = 0, Col = 0;
    if (!TryStrToInt(S.substr(1, C - 1), Row) || !TryStrToInt(S.substr(C + 1), Col)) return false;
    Cell.X = Col;
    Cell.Y = Row;
    return true;
}

char FirstOperatorOutsideQuotes(const AnsiString& CharSet, const AnsiString& Text, Integer& Pos) {
    Integer Quotes = 0;
    for (size_t I = 0; I < Text.size(); ++I) {
        const char C = Text[I];
        if (C == '"') {
            ++Quotes;
            continue;
        }
        if (Quotes % 2 == 0 && CharSet.find(C) != AnsiString::npos) {
            Pos = Integer(I + 1);
            return C;
        }
    }
    Pos = -1;
    return '\0';
}

AnsiString RemoveBlanksOutsideQuotes(const AnsiString& Text) {
    AnsiString R;
    R.reserve(Text.size());
    bool Inside = false;
    for (char C : Text) {
        if (C == '"') Inside = !Inside;
        if (C == ' ' && !Inside) continue;
        R += C;
    }
    return R;
}

AnsiString ProperCase(const AnsiString& Text) {
    AnsiString R = Text;
    bool WordStart = true;
    for (char& C : R) {
        C = WordStart ? UpAscii(C) : LowAscii(C);
        WordStart = C == ' ' || C == '\'' || C == ',' || C == '-' || C == '.';
    }
    if (R.size() > 2 && R[0] == 'M' && R[1] == 'c') R[2] = UpAscii(R[2]);
    size_t Mc = R.find(" Mc");
    if (Mc != AnsiString::npos && Mc + 3 < R.size()) R[Mc + 3] = UpAscii(R[Mc + 3]);
    // Roman numerals at the end: "Henry iii" ends in "III".
    const size_t N = R.size();
    for (size_t K = N >= 3 ? N - 3 : 0; K < N; ++K) {
        const bool AfterI = K >= 2 && R[K - 2] == ' ' && R[K - 1] == 'I';
        const bool AfterII = K >= 3 && R[K - 3] == ' ' && R[K - 2] == 'I' && R[K - 1] == 'I';
        if (AfterI || AfterII) R[K] = UpAscii(R[K]);
    }
    return R;
}

// --- filter conditions ---------------------------------------------------------------------------
bool MatchFilter(const AnsiString& Condition, const AnsiString& Text, bool CaseSensitive) {
    AnsiString Cond = RemoveBlanksOutsideQuotes(Trim(Condition));
    if (!Cond.empty() && Cond[0] == '=') Cond.erase(0, 1);
    const AnsiString T = CaseSensitive ? Text : AnsiUpperCase(Text);

    bool Result = false;
    char Join = 0;   // operator before the current part; 0 for the first
    AnsiString Rest = Cond;
    for (;;) {
        Integer P = -1;
        const char Op = FirstOperatorOutsideQuotes("&;^|", Rest, P);
        const AnsiString Part = Op ? Rest.substr(0, size_t(P - 1)) : Rest;
        const AnsiString Pattern = CaseSensitive ? Part : AnsiUpperCase(Part);
        const bool M = TFilterMatch(Pattern, T).Core(0, 0);
        if (Join == 0) Result = M;
        else if (Join == '&') Result = Result && M;
        else Result = Result || M;
        if (!Op) break;
        Join = Op;
        Rest = Rest.substr(size_t(P));
    }
    return Result;
}

// --- drawing ----------------------------------------------------------------------------------------
TColor GradientColorAt(TColor FromColor, TColor ToColor, Integer Start, Integer End, Integer Pos) {
    if (ToColor == clNone) return FromColor;
    const TColor F = ColorToRGB(FromColor), T = ColorToRGB(ToColor);
    if (End == Start) return F;
    const double Span = double(End - Start);
    auto Ch = [&](Byte A, Byte B) {
        Integer V = A + RoundEven((double(B) - double(A)) / Span * Pos);
        return Byte(std::clamp(V, 0, 255));
    };
    return RGB(Ch(GetRValue(F), GetRValue(T)), Ch(GetGValue(F), GetGValue(T)), Ch(GetBValue(F), GetBValue(T)));
}

void DrawGradient(TCanvas* Canvas, TColor FromColor, TColor ToColor, Integer Steps, const TRect& R, bool Horizontal) {
    if (!Canvas) return;
    const TColor F = ColorToRGB(FromColor);
    if (ToColor == clNone) {
        Canvas->Pen()->SetColor(F);
        Canvas->Brush()->SetColor(F);
        Canvas->Rectangle(R);
        return;
    }
    const TColor T = ColorToRGB(ToColor);
    if (Steps <= 0) Steps = 1;
    const double Dr = (double(GetRValue(T)) - GetRValue(F)) / Steps;
    const double Dg = (double(GetGValue(T)) - GetGValue(F)) / Steps;
    const double Db = (double(GetBValue(T)) - GetBValue(F)) / Steps;
    const Integer Size = Horizontal ? R.Width() : R.Height();
    const Integer Band = RoundEven(double(Size) / Steps) + 1;
    for (Integer I = 0; I < Steps; ++I) {
        auto Ch = [&](Byte Base, double D) { return Byte(std::clamp(Base + RoundEven(I * D), 0, 255)); };
        const TColor C = RGB(Ch(GetRValue(F), Dr), Ch(GetGValue(F), Dg), Ch(GetBValue(F), Db));
        Canvas->Pen()->SetColor(C);
        Canvas->Brush()->SetColor(C);
        const Integer Ofs = RoundEven(double(I) * Size / Steps);
        if (Horizontal) Canvas->Rectangle(R.Left + Ofs, R.Top, std::min(R.Right, R.Left + Ofs + Band), R.Bottom);
        else Canvas->Rectangle(R.Left, R.Top + Ofs, R.Right, std::min(R.Bottom, R.Top + Ofs + Band));
    }
}

void DrawErrorUnderline(TWinControl* Parent, TCanvas* Canvas, const AnsiString& Text, const TRect& R, Integer Offset,
                        Integer ErrFrom, Integer ErrLen) {
    if (!Canvas || ErrLen <= 0 || ErrFrom < 0) return;
    TFont Saved;
    Saved.Assign(Canvas->Font());
    if (Parent) Canvas->Font()->Assign(Parent->Font());
    const Integer Len = Integer(Text.size());
    auto XOf = [&](Integer Index) { return R.Left + Canvas->TextWidth(Text.substr(0, size_t(std::min(Index, Len)))); };
    const Integer X1 = ErrFrom >= Len ? XOf(Len) + 4 : XOf(ErrFrom);
    const Integer Last = ErrFrom + ErrLen - 1;
    const Integer X2 = Last >= Len - 1 ? XOf(Len) + 4 : XOf(Last);
    const Integer Y = R.Top + Canvas->TextHeight(Text.empty() ? AnsiString("W") : Text) + Offset;
    Canvas->Font()->Assign(&Saved);
    Canvas->Pen()->SetColor(clRed);
    Canvas->Pen()->SetWidth(1);
    std::vector<TPoint> Pts;
    bool Low = true;
    for (Integer X = X1; X <= X2; X += 3) {
        Pts.push_back(Point(X, Low ? Y + 3 : Y));
        Low = !Low;
    }
    if (Pts.size() >= 2) Canvas->Polyline(Pts);
}

void DrawRangeIndicator(TCanvas* Canvas, const TRect& Rc, Integer Value, Integer Range, bool ShowValue,
                        TColor NegColor, TColor PosColor) {
    if (!Canvas || Range <= 0) return;
    TRect R = Rc;
    InflateRect(R, -2, -2);
    Value = std::clamp(Value, -Range, Range);
    const Integer Half = R.Width() / 2;
    const Integer Mid = R.Left + Half;
    const Integer Len = RoundEven(double(Value) * Half / Range);
    const TColor C = Value >= 0 ? PosColor : NegColor;
    Canvas->Pen()->SetColor(C);
    Canvas->Brush()->SetColor(C);
    Canvas->Brush()->SetStyle(bsSolid);
    if (Len != 0) Canvas->Rectangle(std::min(Mid, Mid + Len), R.Top, std::max(Mid, Mid + Len), R.Bottom);
    if (ShowValue) {
        Canvas->Brush()->SetStyle(bsClear);
        TRect T = R;
        Canvas->DrawText(IntToStr(Value), T, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
        Canvas->Brush()->SetStyle(bsSolid);
    }
}

void DrawProgressBar(TCanvas* Canvas, TRect R, TColor DoneColor, TColor DoneTextColor, TColor RestColor,
                     TColor RestTextColor, Integer Value, Integer MarginX, Integer MarginY, Integer Min, Integer Max,
                     const AnsiString& FormatText, TColor BorderColor, bool TextBelowCentre) {
    if (!Canvas) return;
    const TColor B0 = Canvas->Brush()->Color();
    Canvas->Brush()->SetColor(DoneColor);
    Canvas->Pen()->SetColor(DoneColor);
    Canvas->Font()->SetColor(DoneTextColor);
    AnsiString Text;
    Integer Percent;
    if (FormatText.empty()) {
        Text = IntToStr(Value) + "%";
        Percent = Value;
    } else {
        try {
            Text = Format(FormatText, {Value});
        } catch (const Exception&) {
            Text = FormatText;   // a bad format shows as written rather than failing the paint
        }
        Percent = Max != 0 ? RoundEven(double(Value - Min) * 100.0 / Max) : 0;
    }
    Percent = std::max(Min, std::min(Max, Percent));
    R.Left += MarginX;
    R.Right -= MarginX;
    R.Top += MarginY;
    R.Bottom -= MarginY;
    TRect Done = R;
    Done.Right = R.Left + RoundEven(double(R.Right - R.Left) * Percent / 100.0);
    const Integer Tw = Canvas->TextWidth(Text), Th = Canvas->TextHeight(Text);
    const Integer X = R.Left + (R.Width() - Tw) / 2;
    const Integer Y = TextBelowCentre ? R.Top + (R.Height() + Th) / 2 : R.Top + (R.Height() - Th) / 2;
    Canvas->TextRect(Done, X, Y, Text);
    Canvas->Brush()->SetColor(RestColor);
    Canvas->Pen()->SetColor(RestColor);
    Canvas->Font()->SetColor(RestTextColor);
    TRect Rest = R;
    Rest.Left = Done.Right;
    Canvas->TextRect(Rest, X, Y, Text);
    Canvas->Brush()->SetColor(BorderColor);
    Canvas->Pen()->SetColor(B0);
    InflateRect(R, 1, 1);
    if (BorderColor != clNone) Canvas->FrameRect(R);
    Canvas->Brush()->SetColor(B0);
    InflateRect(R, 1, 1);
    Canvas->FrameRect(R);
}

void DrawProgressPie(TCanvas* Canvas, const TRect& R, TColor Color, Integer Percent, bool Direction) {
    if (!Canvas) return;
    const double Cx = (R.Left + R.Right) / 2.0, Cy = (R.Top + R.Bottom) / 2.0;
    const double Rx = R.Width() / 2.0, Ry = R.Height() / 2.0;
    Canvas->Pen()->SetWidth(1);
    Canvas->Pen()->SetColor(clGray);
    Canvas->Brush()->SetStyle(bsClear);
    Canvas->Ellipse(R);
    Canvas->Brush()->SetStyle(bsSolid);
    // The filled sector: polygon from the centre along the rim, clockwise from the top.
    const double Angle = std::clamp(Percent, 0, 100) / 100.0 * 2 * M_PI;
    if (Percent > 0) {
        std::vector<TPoint> Pts{Point(Integer(Cx), Integer(Cy))};
        const int N = std::max(2, int(Angle / (2 * M_PI) * 64));
        for (int I = 0; I <= N; ++I) {
            const double A = Angle * I / N;
            Pts.push_back(Point(Integer(std::lround(Cx + Rx * std::sin(A))), Integer(std::lround(Cy - Ry * std::cos(A)))));
        }
        Canvas->Brush()->SetColor(Color);
        Canvas->Pen()->SetColor(clGray);
        Canvas->Polygon(Pts);
    }
    Canvas->Pen()->SetColor(clGray);
    Canvas->MoveTo(Integer(Cx), R.Top);
    Canvas->LineTo(Integer(Cx), Integer(Cy));
    Canvas->LineTo(Integer(std::lround(Cx + Rx * std::sin(Angle))), Integer(std::lround(Cy - Ry * std::cos(Angle))));
}

void DrawComboButton(TCanvas* Canvas, TWinControl* Window, const TRect& R, bool Themed) {
    if (!Canvas) return;
    TRect B = Rect(R.Right - 16 - 2, R.Top + 1, R.Right - 2, R.Bottom - 1);
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(clBtnFace);
    Canvas->Pen()->SetColor(Themed ? clSilver : clBtnShadow);
    Canvas->Rectangle(B);
    // Down arrow in the middle of the button.
    const Integer Cx = (B.Left + B.Right) / 2, Cy = (B.Top + B.Bottom) / 2;
    Canvas->Brush()->SetColor(clBtnText);
    Canvas->Pen()->SetColor(clBtnText);
    Canvas->Polygon({Point(Cx - 3, Cy - 1), Point(Cx + 3, Cy - 1), Point(Cx, Cy + 2)});
}

void DrawTransparentBitmap(TCanvas* Canvas, TBitmap* Bitmap, TColor BackColor, const TRect& R) {
    if (!Canvas || !Bitmap || Bitmap->Empty()) return;
    TBitmap Copy;
    Copy.Assign(Bitmap);
    TCanvas* Bc = Copy.Canvas();
    const TColor Key = Bc->Pixels(0, 0);
    const TColor Back = ColorToRGB(BackColor);
    for (Integer Y = 0; Y < Copy.Height(); ++Y)
        for (Integer X = 0; X < Copy.Width(); ++X)
            if (Bc->Pixels(X, Y) == Key) Bc->SetPixels(X, Y, Back);
    Canvas->Draw(R.Left, R.Top, &Copy);
}

bool SetLayeredWindowAttributesEx(TWinControl*, TColor, Byte, Cardinal) { return true; }
bool UpdateLayeredWindowEx(TWinControl*, TBitmap*, Byte, Cardinal) { return true; }
