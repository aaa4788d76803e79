#include "entry/Util3a.h"

#include "platform/rtl/SysUtils.h"

namespace {

// yyyy-mm-dd, digits and dashes only.
bool TryIsoDate(const AnsiString& Text, TDateTime& Value) {
    if (Text.size() != 10 || Text[4] != '-' || Text[7] != '-') return false;
    for (std::size_t I : {0, 1, 2, 3, 5, 6, 8, 9})
        if (Text[I] < '0' || Text[I] > '9') return false;
    return TryEncodeDate(static_cast<Word>(StrToInt(Text.substr(0, 4))), static_cast<Word>(StrToInt(Text.substr(5, 2))),
                         static_cast<Word>(StrToInt(Text.substr(8, 2))), Value);
}

}  // namespace

AnsiString StoredDateText(TDateTime Value) { return FormatDateTime("dd.mm.yyyy", Value); }

bool TryStoredDate(const AnsiString& Text, TDateTime& Value) {
    return !Text.empty() && (TryStrToDate(Text, Value) || TryIsoDate(Text, Value));
}

AnsiString ReplaceAll(const AnsiString& S, const AnsiString& Old, const AnsiString& New) {
    if (S.empty() || Old.empty() || New.empty()) return S;
    AnsiString Result;
    Result.reserve(S.size());
    size_t Pos = 0;
    while (Pos < S.size()) {
        size_t Hit = S.find(Old, Pos);
        if (Hit == AnsiString::npos) {
            Result.append(S, Pos, AnsiString::npos);
            break;
        }
        Result.append(S, Pos, Hit - Pos);
        Result += New;
        Pos = Hit + Old.size();
    }
    return Result;
}

TF_Util3* F_Util3 = nullptr;

TF_Util3::TF_Util3(TComponent* AOwner) : TForm(AOwner) {
    SetName("F_Util3");
    SetBounds(Left(), Top(), 544, 375);
    SetCaption("F_Util3");
}
