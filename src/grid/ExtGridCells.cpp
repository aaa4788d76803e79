// TExtStringGrid: what a cell holds besides its text: the text as an integer or float, the state of
// its check box, radio group or button, its comment and its error range.
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
    // The search footer's highlight is markup in the text, no part of the value.
    const AnsiString Shown = Trim(UnHiLight(Text, "hi"));
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


// --- check boxes -----------------------------------------------------------------------------
bool TExtStringGrid::GetCheckBoxState(Integer ACol, Integer ARow, bool& State) {
    const TCellGraphic* G = GetCellGraphic(ACol, ARow);
    if (!G || !IsCheckCellType(G->CellType())) return false;
    switch (G->CellType()) {
        case ctCheckBox: State = G->CellBoolean(); break;
        case ctRowCheckBox: State = DisplRowSelected(ARow); break;
        default: {
            AnsiString T;
            GetCheckTrue(ACol, ARow, T);
            State = Cells(ACol, ARow) == T;
        }
    }
    return true;
}

bool TExtStringGrid::SetCheckBoxState(Integer ACol, Integer ARow, bool State) {
    TCellGraphic* G = GetCellGraphic(ACol, ARow);
    if (!G || !IsCheckCellType(G->CellType())) return false;
    switch (G->CellType()) {
        case ctCheckBox:
            G->SetCellBoolean(State);
            RepaintCell(ACol, ARow);
            break;
        case ctRowCheckBox: SetDisplRowSelected(ARow, State); break;
        default: {
            AnsiString T;
            if (State) GetCheckTrue(ACol, ARow, T);
            else GetCheckFalse(ACol, ARow, T);
            SetCells(ACol, ARow, T);
        }
    }
    return true;
}

bool TExtStringGrid::ToggleCheck(Integer ACol, Integer ARow, bool FromUser) {
    TCellGraphic* G = GetCellGraphic(ACol, ARow);
    if (!G || !IsCheckCellType(G->CellType())) return false;
    if (FromUser && !FControlLook->CheckAlwaysActive()) {
        bool Can = true;
        const TAliveGuard Alive(this);   // the handler may close the screen
        CanEditCell(ACol, ARow, Can);
        if (!Can || Alive.Gone()) return false;
    }
    if (G->CellType() == ctCheckBox) {
        G->SetCellBoolean(!G->CellBoolean());
    } else if (G->CellType() == ctRowCheckBox) {
        SetDisplRowSelected(ARow, !DisplRowSelected(ARow));
    } else {
        AnsiString T, F;
        GetCheckTrue(ACol, ARow, T);
        GetCheckFalse(ACol, ARow, F);
        SetCells(ACol, ARow, Cells(ACol, ARow) == T ? F : T);
    }
    RepaintCell(ACol, ARow);
    return true;
}

void TExtStringGrid::CheckAll(Integer ACol) {
    for (Integer R = FixedRows(); R < RowCount(); ++R) SetCheckBoxState(ACol, R, true);
}

void TExtStringGrid::UnCheckAll(Integer ACol) {
    for (Integer R = FixedRows(); R < RowCount(); ++R) SetCheckBoxState(ACol, R, false);
}

bool TExtStringGrid::HasCheckBox(Integer ACol, Integer ARow) { return IsCheckCellType(GetCellType(ACol, ARow)); }

bool TExtStringGrid::HasCellControl(Integer ACol, Integer ARow) {
    const TCellType T = GetCellType(ACol, ARow);
    return IsCheckCellType(T) || T == ctRadio || T == ctButton;
}

// --- radio groups and buttons ------------------------------------------------------------------
bool TExtStringGrid::IsRadio(Integer ACol, Integer ARow) { return GetCellType(ACol, ARow) == ctRadio; }

TStrings* TExtStringGrid::GetRadioValues(Integer ACol, Integer ARow) {
    const TCellGraphic* G = GetCellGraphic(ACol, ARow);
    return G && G->CellType() == ctRadio ? dynamic_cast<TStrings*>(G->Graphic()) : nullptr;
}

bool TExtStringGrid::GetRadioIndex(Integer ACol, Integer ARow, Integer& Index) {
    const TCellGraphic* G = GetCellGraphic(ACol, ARow);
    if (!G || G->CellType() != ctRadio) return false;
    Index = G->CellIndex();
    return true;
}

bool TExtStringGrid::ToggleRadio(Integer ACol, Integer ARow, bool FromUser) {
    TCellGraphic* G = GetCellGraphic(ACol, ARow);
    TStrings* Values = GetRadioValues(ACol, ARow);
    if (!G || !Values || Values->Count() == 0) return false;
    if (FromUser && !FControlLook->RadioAlwaysActive()) {
        bool Can = true;
        const TAliveGuard Alive(this);   // the handler may close the screen
        CanEditCell(ACol, ARow, Can);
        if (!Can || Alive.Gone()) return false;
    }
    const bool Bound = G->CellIndex() < 0;
    const Integer Index = Bound ? Values->IndexOf(Cells(ACol, ARow)) : G->CellIndex();
    const Integer Next = Index + 1 >= Values->Count() ? 0 : Index + 1;
    if (!Bound) G->SetCellIndex(Next);
    SetCells(ACol, ARow, Values->Strings(Next));
    RepaintCell(ACol, ARow);
    return true;
}

// Chooses item AIdx of a radio cell (as a click does); false for another cell or index.
bool TExtStringGrid::PickRadio(Integer ACol, Integer ARow, Integer AIdx) {
    TCellGraphic* G = GetCellGraphic(ACol, ARow);
    TStrings* Values = GetRadioValues(ACol, ARow);
    if (!G || !Values || AIdx < 0 || AIdx >= Values->Count()) return false;
    if (G->CellIndex() >= 0) G->SetCellIndex(AIdx);
    else SetCells(ACol, ARow, Values->Strings(AIdx));
    RepaintCell(ACol, ARow);
    return true;
}

bool TExtStringGrid::IsButtonCell(Integer ACol, Integer ARow) {
    const TCellType T = GetCellType(ACol, ARow);
    return T == ctButton || T == ctBitButton;
}

void TExtStringGrid::SetCellGraphicFlag(Integer ACol, Integer ARow, bool Value) {
    if (TCellGraphic* G = GetCellGraphic(RealColIndex(ACol), ARow)) {
        G->SetCellBoolean(Value);
        RepaintCell(ACol, ARow);
    }
}

void TExtStringGrid::GetCellGraphicRect(Integer ACol, Integer ARow, TRect& R) {
    const TCellGraphic* G = GetCellGraphic(ACol, ARow);
    const TRect C = CellRect(ACol, ARow);
    if (!G) {
        R = C;
        return;
    }
    const Cardinal Off = Cardinal(G->CellValue());
    const Cardinal Size = Cardinal(G->CellIndex());
    R.Left = C.Left + Integer(Off & 0xFFFF);
    R.Top = C.Top + Integer(Off >> 16);
    R.Right = R.Left + Integer(Size & 0xFFFF);
    R.Bottom = R.Top + Integer(Size >> 16);
    if (G->CellVAlign() == vaFull) {
        R.Top = C.Top;
        R.Bottom = C.Bottom;
    }
    if (G->CellHAlign() == haFull) {
        R.Left = C.Left;
        R.Right = C.Right;
    }
}

bool TExtStringGrid::IsCheckBoxHit(Integer ACol, Integer ARow, Integer X, Integer Y) {
    const TCellGraphic* G = GetCellGraphic(ACol, ARow);
    if (!G || !IsCheckCellType(G->CellType())) return false;
    const TRect C = CellRect(ACol, ARow);
    if (!FMouseActions->PreciseCheckBoxCheck()) return X >= C.Left && X < C.Right && Y >= C.Top && Y < C.Bottom;
    const Integer S = FControlLook->CheckSize();
    TAlignment HA = taLeftJustify;
    TVAlignment VA = FVAlignment;
    GetCellAlignment(ACol, ARow, HA, VA);
    Integer Top = C.Top + 2;
    if (G->CellVAlign() == vaBottom) Top = C.Bottom - 2 - S;
    else if (G->CellVAlign() == vaCenter) Top = C.Top + (C.Height() - S) / 2;
    Integer Left = C.Left + 2;
    if (HA == taRightJustify) Left = C.Right - 2 - S;
    else if (HA == taCenter) Left = C.Left + (C.Width() - S) / 2;
    return X >= Left && X < Left + S && Y >= Top && Y < Top + S;
}

bool TExtStringGrid::GetComment(Integer ACol, Integer ARow, AnsiString& Text) {
    const TCellGraphic* G = GetCellGraphic(ACol, ARow);
    if (!G || G->CellType() != ctComment) return false;
    Text = G->CellText();
    return true;
}

void TExtStringGrid::GetCellErrorRange(Integer ACol, Integer ARow, Integer& ErrFrom, Integer& ErrLen) {
    const TCellGraphic* G = GetCellGraphic(ACol, ARow);
    ErrFrom = G ? G->CellErrFrom() : 0;
    ErrLen = G ? G->CellErrLen() : 0;
}
