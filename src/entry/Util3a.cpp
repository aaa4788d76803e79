#include "entry/Util3a.h"

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
