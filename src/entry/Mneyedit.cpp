#include "entry/Mneyedit.h"

#include "platform/rtl/SysUtils.h"

#include <cmath>

namespace {

// An amount as digit texts: the reformatting works on these rather than on a
// double, so that typing into a long amount never changes digits it did not touch.
struct TAmount {
    bool Negative = false;
    AnsiString Int = "0";
    AnsiString Frac;   // exactly the decimals the amount is read with
};

TAmount ZeroAmount(Integer Decimals) {
    TAmount A;
    A.Frac.assign(static_cast<size_t>(Decimals), '0');
    return A;
}

// The text without any group or decimal separator must be optional leading blanks,
// an optional sign and at least one digit; its last Decimals digits are the fraction
// (missing leading digits count as zeros).
bool ParseAmount(const AnsiString& Text, Integer Decimals, TAmount& A) {
    const char G = FormatSettings.ThousandSeparator;
    const char D = FormatSettings.DecimalSeparator;
    AnsiString S;
    S.reserve(Text.size());
    for (char C : Text)
        if (C != G && C != D) S += C;
    size_t I = 0;
    while (I < S.size() && S[I] == ' ') ++I;
    bool Negative = false;
    if (I < S.size() && (S[I] == '+' || S[I] == '-')) Negative = S[I++] == '-';
    if (I == S.size()) return false;
    for (size_t J = I; J < S.size(); ++J)
        if (S[J] < '0' || S[J] > '9') return false;
    AnsiString Digits = S.substr(I);
    const size_t Need = static_cast<size_t>(Decimals) + 1;
    if (Digits.size() < Need) Digits.insert(0, Need - Digits.size(), '0');
    A.Negative = Negative;
    A.Int = Digits.substr(0, Digits.size() - static_cast<size_t>(Decimals));
    A.Frac = Digits.substr(Digits.size() - static_cast<size_t>(Decimals));
    return true;
}

TAmount ParseOrZero(const AnsiString& Text, Integer Decimals) {
    TAmount A;
    if (!ParseAmount(Text, Decimals, A)) A = ZeroAmount(Decimals);
    return A;
}

// Pads the fraction, or rounds it half away from zero, to Decimals digits.
void Rescale(TAmount& A, Integer Decimals) {
    const size_t N = static_cast<size_t>(Decimals);
    if (A.Frac.size() <= N) {
        A.Frac.append(N - A.Frac.size(), '0');
        return;
    }
    const bool Up = A.Frac[N] >= '5';
    A.Frac.resize(N);
    if (!Up) return;
    AnsiString All = A.Int + A.Frac;
    size_t I = All.size();
    while (I > 0 && All[I - 1] == '9') All[--I] = '0';
    if (I == 0) All.insert(0, 1, '1');
    else ++All[I - 1];
    A.Int = All.substr(0, All.size() - N);
    A.Frac = All.substr(All.size() - N);
}

// "#,##0." and as many zeros as the fraction has digits; a zero carries no sign.
AnsiString FormatAmount(const TAmount& A) {
    const char G = FormatSettings.ThousandSeparator;
    const size_t First = A.Int.find_first_not_of('0');
    const AnsiString Int = First == AnsiString::npos ? AnsiString("0") : A.Int.substr(First);
    const bool Zero = First == AnsiString::npos && A.Frac.find_first_not_of('0') == AnsiString::npos;
    AnsiString R;
    if (A.Negative && !Zero) R += '-';
    for (size_t I = 0; I < Int.size(); ++I) {
        if (I > 0 && G != 0 && (Int.size() - I) % 3 == 0) R += G;
        R += Int[I];
    }
    if (!A.Frac.empty()) {
        R += FormatSettings.DecimalSeparator;
        R += A.Frac;
    }
    return R;
}

// 1-based positions, clipped like the text routines: out of range does nothing.
void DeleteAt(AnsiString& S, Integer Pos) { Delete(S, Pos, 1); }

void ReplaceAt(AnsiString& S, Integer Pos, char C) {
    if (Pos >= 1 && Pos <= static_cast<Integer>(S.size())) S[static_cast<size_t>(Pos - 1)] = C;
}

}  // namespace

TMoneyEdit::TMoneyEdit(TComponent* AOwner) : TCustomMemo(AOwner) {
    SetWantReturns(false);
    // One line, never wrapped or scrolled away from the amount.
    SetWordWrap(false);
    SetScrollBars(ssNone);
    SetBounds(Left(), Top(), 120, 24);
    SetAlignment(taRightJustify);
    FMaxLength = 20;
    SetDecimals(2);
}

TMoneyEdit::~TMoneyEdit() = default;

void TMoneyEdit::SetDecimals(Integer Value) {
    const Integer Old = FDecimals;
    if (Value > 0 && Value < FMaxLength - 1) FDecimals = Value;
    FDisplayFormat = "#,##0." + AnsiString(static_cast<size_t>(FDecimals), '0');
    SetMaxLength(FMaxLength);
    // The amount shown keeps its value: read with the old count, shown with the new.
    TAmount A = ParseOrZero(Text(), Old);
    Rescale(A, FDecimals);
    SetText(FormatAmount(A));
}

void TMoneyEdit::SetMaxLength(Integer Value) {
    if (Value > FDecimals + 1 && Value < 22) FMaxLength = Value;
    // An integer part of a multiple of four characters would begin with a group separator.
    if ((FMaxLength - FDecimals - 1) % 4 == 0) --FMaxLength;
}

Double TMoneyEdit::TextAsFloat() const {
    TAmount A;
    if (!ParseAmount(Text(), FDecimals, A)) return 0;
    AnsiString N = A.Negative ? "-" : "";
    N += A.Int;
    if (!A.Frac.empty()) {
        N += FormatSettings.DecimalSeparator;
        N += A.Frac;
    }
    const Double Value = static_cast<Double>(StrToFloat(N));
    return Value == 0 ? 0.0 : Value;
}

void TMoneyEdit::SetTextAsFloat(Double Value) {
    if (!std::isfinite(Value)) throw EInvalidOp(SInvalidOp);
    SetText(FormatFloat(FDisplayFormat, Value));
}

void TMoneyEdit::SetTextCore(const AnsiString& Value) {
    FShown = Value;
    TCustomMemo::SetTextCore(Value);
}

void TMoneyEdit::Change() {
    // The amount is built from the keys alone: pasted or dropped text would
    // show beside the number and be read as another amount.
    if (Text() != FShown) {
        const Integer Caret = SelStart();
        TCustomMemo::SetTextCore(FShown);
        SetSelStart(Caret < static_cast<Integer>(FShown.size()) ? Caret : static_cast<Integer>(FShown.size()));
        return;
    }
    TCustomMemo::Change();
}

void TMoneyEdit::ApplyEdit(const AnsiString& S, Integer P) {
    SetText(FormatAmount(ParseOrZero(S, FDecimals)));
    SetSelStart(static_cast<Integer>(Text().size()) - P);   // clipped at the start
}

Integer TMoneyEdit::CharsRightOfSelection() const {
    return static_cast<Integer>(Text().size()) - SelStart() - SelLength();
}

void TMoneyEdit::DoEnter() {
    SetSelStart(static_cast<Integer>(Text().size()) - FDecimals - 1);
    TCustomMemo::DoEnter();
}

void TMoneyEdit::KeyPress(char& Key) {
    const std::shared_ptr<const bool> Alive = AliveToken();
    TCustomMemo::KeyPress(Key);
    if (!*Alive) return;
    // Enter and Escape still reach the form's default and cancel buttons.
    const bool DialogKey = Key == '\r' || Key == 27;
    if (ReadOnly()) {
        if (!DialogKey) Key = 0;
        return;
    }
    const Integer D = FDecimals;
    AnsiString S = Text();
    const Integer L = static_cast<Integer>(S.size());
    Integer P = CharsRightOfSelection();
    if (Key == 8) {
        if (P > D) {
            if ((P - D) % 4 == 0) ++P;   // a group separator left of the caret
            DeleteAt(S, L - P);
        } else {
            if (P == D) ++P;   // over the decimal separator to the last integer digit
            DeleteAt(S, L - P);
            if (P <= D) {
                // The decimal left of the caret becomes 0 and the caret moves past it.
                ::Insert("0", S, static_cast<Integer>(S.size()) - P + 1);
                ++P;
            }
        }
    } else if (Key == ',' || Key == '.') {
        P = D;
    } else if (Key >= '0' && Key <= '9') {
        const bool Signed = !S.empty() && (S[0] == '-' || S[0] == '+');
        const Integer IntStart = Signed ? 2 : 1;
        if (P >= D + 2 && L - D - 1 == IntStart && S[static_cast<size_t>(IntStart - 1)] == '0') {
            // Left of the lone 0 of an empty integer part: the digit takes its place.
            ReplaceAt(S, IntStart, Key);
            P = D + 1;
        } else if (P >= D + 1) {
            if (L < FMaxLength) {
                Integer Pos = L - P + 1;
                // Never in front of the sign of a negative amount.
                if (Pos == 1 && !S.empty() && (S[0] == '-' || S[0] == '+')) Pos = 2;
                ::Insert(AnsiString(1, Key), S, Pos);
            }
        } else if (P >= 1) {
            ReplaceAt(S, L - P + 1, Key);
            --P;
        }
    }
    if (!DialogKey) Key = 0;
    ApplyEdit(S, P);
}

void TMoneyEdit::KeyDown(Word& Key, TShiftState Shift) {
    const std::shared_ptr<const bool> Alive = AliveToken();
    TCustomMemo::KeyDown(Key, Shift);
    if (!*Alive || Key != VK_DELETE) return;
    Key = 0;
    if (ReadOnly()) return;
    const Integer D = FDecimals;
    AnsiString S = Text();
    const Integer L = static_cast<Integer>(S.size());
    Integer P = CharsRightOfSelection();
    if (P > D + 1) {
        if ((P - D - 1) % 4 == 0) --P;   // a group separator right of the caret
        DeleteAt(S, L - P + 1);
        --P;
    } else {
        if (P == D + 1) --P;   // over the decimal separator
        if (P >= 1) {
            ReplaceAt(S, L - P + 1, '0');
            --P;
        }
    }
    ApplyEdit(S, P);
}
