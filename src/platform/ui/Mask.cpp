// Edit masks: parsing the picture, laying texts into it and the typing rules.
#include "platform/ui/Mask.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>

const char* const SMaskEditErr = "Invalid input value. Use escape key to abandon changes";

namespace {

bool IsDigitChar(char C) { return C >= '0' && C <= '9'; }

}  // namespace

TEditMask::TEditMask(const AnsiString& Mask) {
    TCase Case = mcNone;
    size_t I = 0;
    const size_t N = Mask.size();
    auto Literal = [&](char C) {
        TPosition P;
        P.Literal = C;
        FPos.push_back(P);
    };
    auto Input = [&](TKind K, bool Required) {
        TPosition P;
        P.Kind = K;
        P.Required = Required;
        P.Case = Case;
        FPos.push_back(P);
    };
    for (; I < N; ++I) {
        const char C = Mask[I];
        if (C == ';') break;
        switch (C) {
            case '\\':
                if (I + 1 < N) Literal(Mask[++I]);
                break;
            case '>': Case = mcUpper; break;
            case '<':
                if (I + 1 < N && Mask[I + 1] == '>') {
                    Case = mcNone;
                    ++I;
                } else {
                    Case = mcLower;
                }
                break;
            case '!': FReverse = true; break;
            case '0': Input(mkDigit, true); break;
            case '9': Input(mkDigit, false); break;
            case '#': Input(mkDigitSign, false); break;
            case 'L': Input(mkLetter, true); break;
            case 'l': Input(mkLetter, false); break;
            case 'A': Input(mkAlnum, true); break;
            case 'a': Input(mkAlnum, false); break;
            case 'C': Input(mkAny, true); break;
            case 'c': Input(mkAny, false); break;
            case ':': Literal(FormatSettings.TimeSeparator); break;
            case '/': Literal(FormatSettings.DateSeparator); break;
            case '_': Literal(' '); break;
            default: Literal(C); break;
        }
    }
    if (I >= N) return;
    // The two fields after the picture: literals saved, then the blank character.
    const AnsiString Rest = Mask.substr(I + 1);
    const size_t Semi = Rest.find(';');
    const AnsiString Save = Rest.substr(0, Semi);
    if (!Save.empty()) FSaveLiterals = Save[0] != '0';
    if (Semi != AnsiString::npos && Semi + 1 < Rest.size()) FBlank = Rest[Semi + 1];
}

bool TEditMask::IsLiteral(Integer Pos) const {
    return Pos >= 0 && Pos < Length() && FPos[static_cast<size_t>(Pos)].Kind == mkLiteral;
}

bool TEditMask::IsRequired(Integer Pos) const {
    return Pos >= 0 && Pos < Length() && FPos[static_cast<size_t>(Pos)].Required;
}

bool TEditMask::Fits(Integer Pos, char& Ch) const {
    if (Pos < 0 || Pos >= Length()) return false;
    const TPosition& P = FPos[static_cast<size_t>(Pos)];
    const unsigned char U = static_cast<unsigned char>(Ch);
    bool Ok = false;
    switch (P.Kind) {
        case mkLiteral: return false;
        case mkDigit: Ok = IsDigitChar(Ch); break;
        case mkDigitSign: Ok = IsDigitChar(Ch) || Ch == '+' || Ch == '-'; break;
        case mkLetter: Ok = IsAnsiLetter(Ch); break;
        case mkAlnum: Ok = IsAnsiLetter(Ch) || IsDigitChar(Ch); break;
        case mkAny: Ok = U >= 32 && U != 127; break;
    }
    // The blank character would read back as an empty place.
    if (!Ok || Ch == FBlank) return false;
    if (P.Case == mcUpper) Ch = AnsiUpperChar(Ch);
    else if (P.Case == mcLower) Ch = AnsiLowerChar(Ch);
    return true;
}

Integer TEditMask::NextInput(Integer Pos) const {
    Integer P = std::max<Integer>(Pos, 0);
    while (P < Length() && IsLiteral(P)) ++P;
    return std::min(P, Length());
}

Integer TEditMask::PrevInput(Integer Pos) const {
    Integer P = std::min(Pos, Length()) - 1;
    while (P >= 0 && IsLiteral(P)) --P;
    return P;
}

AnsiString TEditMask::BlankText() const {
    AnsiString T;
    T.reserve(FPos.size());
    for (const TPosition& P : FPos) T += P.Kind == mkLiteral ? P.Literal : FBlank;
    return T;
}

AnsiString TEditMask::EditTextOf(const AnsiString& Value) const {
    AnsiString T = BlankText();
    // Forwards from the first place, or with "!" backwards from the last one.
    const Integer Step = FReverse ? -1 : 1;
    const Integer N = static_cast<Integer>(Value.size());
    Integer I = FReverse ? N - 1 : 0;
    for (Integer P = FReverse ? Length() - 1 : 0; P >= 0 && P < Length() && I >= 0 && I < N; P += Step) {
        const TPosition& Pos = FPos[static_cast<size_t>(P)];
        if (Pos.Kind == mkLiteral) {
            // The literal itself, or another separator in its place, is passed over;
            // a character that belongs to the next place stays for it.
            char C = Value[static_cast<size_t>(I)];
            const Integer Next = FReverse ? PrevInput(P) : NextInput(P + 1);
            if (C == Pos.Literal || Next < 0 || Next >= Length() || !Fits(Next, C)) I += Step;
            continue;
        }
        char C = Value[static_cast<size_t>(I)];
        I += Step;
        if (C != ' ' && Fits(P, C)) T[static_cast<size_t>(P)] = C;
    }
    return T;
}

bool TEditMask::NothingTyped(const AnsiString& EditText) const {
    const Integer N = std::min<Integer>(Length(), static_cast<Integer>(EditText.size()));
    for (Integer P = 0; P < N; ++P)
        if (!IsLiteral(P) && EditText[static_cast<size_t>(P)] != FBlank) return false;
    return true;
}

AnsiString TEditMask::ValueOf(const AnsiString& EditText) const {
    if (NothingTyped(EditText)) return AnsiString();
    AnsiString V;
    const Integer N = std::min<Integer>(Length(), static_cast<Integer>(EditText.size()));
    for (Integer P = 0; P < N; ++P) {
        const char C = EditText[static_cast<size_t>(P)];
        if (IsLiteral(P)) {
            if (FSaveLiterals) V += FPos[static_cast<size_t>(P)].Literal;
        } else {
            V += C == FBlank ? ' ' : C;
        }
    }
    return V;
}

Integer TEditMask::FirstMissing(const AnsiString& EditText) const {
    for (Integer P = 0; P < Length(); ++P) {
        if (!IsRequired(P)) continue;
        if (P >= static_cast<Integer>(EditText.size()) || EditText[static_cast<size_t>(P)] == FBlank) return P;
    }
    return -1;
}

void TEditMask::Blank(AnsiString& EditText, Integer From, Integer To) const {
    To = std::min<Integer>(To, std::min<Integer>(Length(), static_cast<Integer>(EditText.size())));
    for (Integer P = std::max<Integer>(From, 0); P < To; ++P)
        if (!IsLiteral(P)) EditText[static_cast<size_t>(P)] = FBlank;
}

bool TEditMask::Type(AnsiString& EditText, Integer& SelStart, Integer SelLength, char Ch) const {
    if (Empty()) return false;
    if (static_cast<Integer>(EditText.size()) != Length()) EditText = EditTextOf(EditText);
    const Integer Start = std::clamp<Integer>(SelStart, 0, Length());
    const Integer Len = std::max<Integer>(SelLength, 0);
    // A separator typed on its own literal steps over it.
    if (Len == 0 && IsLiteral(Start) && FPos[static_cast<size_t>(Start)].Literal == Ch) {
        SelStart = Start + 1;
        return true;
    }
    const Integer P = NextInput(Start);
    char C = Ch;
    const bool Skip = P < Length() && !IsRequired(P) && (Ch == ' ' || Ch == FBlank);
    if (P >= Length() || (!Skip && !Fits(P, C))) {
        // The separator the caret has just been moved over.
        if (Len == 0 && IsLiteral(Start - 1) && FPos[static_cast<size_t>(Start - 1)].Literal == Ch) return true;
        return false;
    }
    Blank(EditText, Start, Start + Len);
    EditText[static_cast<size_t>(P)] = Skip ? FBlank : C;
    SelStart = NextInput(P + 1);
    return true;
}

void TEditMask::Erase(AnsiString& EditText, Integer& SelStart, Integer SelLength, bool Backward) const {
    if (Empty()) return;
    if (static_cast<Integer>(EditText.size()) != Length()) EditText = EditTextOf(EditText);
    const Integer Start = std::clamp<Integer>(SelStart, 0, Length());
    if (SelLength > 0) {
        Blank(EditText, Start, Start + SelLength);
        SelStart = Start;
        return;
    }
    const Integer P = Backward ? PrevInput(Start) : NextInput(Start);
    if (P < 0 || P >= Length()) return;
    Blank(EditText, P, P + 1);
    SelStart = Backward ? P : Start;
}

bool TEditMask::Paste(AnsiString& EditText, Integer& SelStart, Integer SelLength, const AnsiString& Value) const {
    if (Empty()) return false;
    AnsiString T = static_cast<Integer>(EditText.size()) == Length() ? EditText : EditTextOf(EditText);
    Integer S = std::clamp<Integer>(SelStart, 0, Length());
    Blank(T, S, S + std::max<Integer>(SelLength, 0));
    for (const char C : Value) {
        if (C == '\r' || C == '\n') continue;   // a copied line brings its line end
        if (!Type(T, S, 0, C)) return false;
    }
    EditText = T;
    SelStart = S;
    return true;
}
