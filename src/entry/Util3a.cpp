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
