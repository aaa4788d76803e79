// TExtStringGrid: cell texts read and written as integers and floats.
#include "grid/ExtGrid.h"

#include "grid/EsgHTMLE.h"
#include "grid/ExtObj.h"
#include "grid/ExtUtil.h"

#include <algorithm>
#include <cmath>

namespace {

Integer TextToInt(const AnsiString& Text) {
    const AnsiString T = Trim(Text);
    if (T.empty() || T == "-") return 0;
    Integer V = 0;
    if (!TryStrToInt(T, V)) throw EExtGridError("Cell does not contain integer value");
    return V;
}

// Only an empty text or a lone minus counts as 0: text without any number is an
// error, not a silent zero.
Double TextToFloat(const AnsiString& Text) {
    const AnsiString Shown = Trim(Text);
    if (Shown.empty() || Shown == "-") return 0;
    const AnsiString T = NumberToValText(Shown);
    TFormatSettings Dot = FormatSettings;
    Dot.DecimalSeparator = '.';
    Extended V = 0;
    if (!TryStrToFloat(T, V, Dot)) throw EExtGridError("Cell does not contain a float value");
    return Double(V);
}

}  // namespace

// --- typed values ------------------------------------------------------------------
Integer TExtStringGrid::Ints(Integer ACol, Integer ARow) { return TextToInt(Cells(ACol, ARow)); }

void TExtStringGrid::SetInts(Integer ACol, Integer ARow, Integer Value) { SetCells(ACol, ARow, IntToStr(Value)); }

Double TExtStringGrid::Floats(Integer ACol, Integer ARow) { return TextToFloat(Cells(ACol, ARow)); }

Double TExtStringGrid::AllFloats(Integer ACol, Integer ARealRow) { return TextToFloat(AllCells(ACol, ARealRow)); }

void TExtStringGrid::SetFloats(Integer ACol, Integer ARow, Double Value) {
    SetCells(ACol, ARow, Format(FFloatFormat, {Extended(Value)}));
}

void TExtStringGrid::SetFloatCell(Integer ACol, Integer ARow, Double Value) {
    if (!FShowZero && Value <= 0) SetCells(ACol, ARow, "");
    else SetCells(ACol, ARow, FloatToStr(Value));
}
