// TExtStringGrid: cell graphics, typed values, selection flags, row marks and the
// repaint operations.
#include "grid/ExtGrid.h"

#include "grid/EsgHTMLE.h"
#include "grid/ExtObj.h"
#include "grid/ExtUtil.h"

#include <algorithm>
#include <cmath>

namespace {

bool IsCheckType(TCellType T) {
    return T == ctCheckBox || T == ctDataCheckBox || T == ctVirtCheckBox || T == ctRowCheckBox;
}

// The flag of Index in a list that grows with zeros on demand.
bool FlagAt(const std::vector<Byte>& L, Integer Index) {
    return Index >= 0 && Index < Integer(L.size()) && L[size_t(Index)] != 0;
}

// True when the flag changed.
bool PutFlag(std::vector<Byte>& L, Integer Index, bool Value) {
    if (Index >= Integer(L.size())) {
        if (!Value) return false;
        L.resize(size_t(Index) + 1, 0);
    }
    const Byte New = Value ? 1 : 0;
    if (L[size_t(Index)] == New) return false;
    L[size_t(Index)] = New;
    return true;
}

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

// --- graphics -------------------------------------------------------------------
TCellGraphic* TExtStringGrid::GetCellGraphic(Integer ACol, Integer ARow) {
    if (ACol < 0 || ARow < 0) return nullptr;
    TObject* O = Objects(ACol, ARow);
    auto* G = dynamic_cast<TCellGraphic*>(O);
    if (O && !G) return nullptr;
    if (ACol == 0 && FMouseActions->HotmailRowSelect()) {
        FCellGraphic->SetCellType(ctRowCheckBox);
        FCellGraphic->SetCellValue(FControlLook->ControlStyle() == csFlat ? 1 : 0);
        bool Sel = false;
        if (ARow < AllRowCount()) Sel = RowSelected(ARow);
        FCellGraphic->SetCellBoolean(Sel);
        return FCellGraphic.get();
    }
    return G;
}

TCellType TExtStringGrid::GetCellType(Integer ACol, Integer ARow) {
    if (ACol < 0 || ARow < 0) return ctEmpty;
    if (ACol == 0 && FMouseActions->HotmailRowSelect()) return ctRowCheckBox;
    const TCellGraphic* G = GetCellGraphic(ACol, ARow);
    return G ? G->CellType() : ctEmpty;
}

TCellGraphic* TExtStringGrid::CreateCellGraphic(Integer ACol, Integer ARow) {
    if (auto* Old = dynamic_cast<TCellGraphic*>(Objects(ACol, ARow)); Old && FOwnedGraphics.erase(Old)) delete Old;
    auto* G = new TCellGraphic();
    FOwnedGraphics.insert(G);
    SetObjects(ACol, ARow, G);
    return G;
}

bool TExtStringGrid::RemoveCellGraphic(Integer ACol, Integer ARow) {
    auto* G = dynamic_cast<TCellGraphic*>(Objects(ACol, ARow));
    if (!G) return false;
    SetObjects(ACol, ARow, nullptr);
    FreeCellGraphic(G);
    return true;
}

void TExtStringGrid::FreeCellGraphic(TCellGraphic* G) {
    // Shared check graphics are not the cell's own.
    if (G->CellType() != ctVirtCheckBox && G->CellType() != ctRowCheckBox && FOwnedGraphics.erase(G)) delete G;
}

bool TExtStringGrid::RemoveCellGraphicOfType(Integer ACol, Integer ARow, TCellType AType) {
    const auto* G = dynamic_cast<TCellGraphic*>(Objects(ACol, ARow));
    if (!G || G->CellType() != AType) return false;
    return RemoveCellGraphic(ACol, ARow);
}

void TExtStringGrid::CellGraphicPrintSize(Integer ACol, Integer ARow, Double Scale, Integer& Width,
                                          Integer& Height) {
    Width = Height = 0;
    const TCellGraphic* G = GetCellGraphic(ACol, ARow);
    if (!G) return;
    switch (G->CellType()) {
        case ctBitmap: case ctIcon: case ctButton: case ctBitButton: case ctProgressPie: {
            const TPoint S = CellGraphicSize(ACol, ARow);
            Width = S.X;
            Height = S.Y;
            break;
        }
        case ctProgress:
            Width = ColWidths(DisplColIndex(ACol));
            Height = RowHeights(ARow);
            break;
        case ctImageList: case ctDataImage:
            if (FGridImages) {
                Width = Integer(std::lround(FGridImages->Width() * Scale));
                Height = Integer(std::lround(FGridImages->Height() * Scale));
            }
            break;
        default:
            break;
    }
}

TPoint TExtStringGrid::CellGraphicSize(Integer ACol, Integer ARow) {
    const TCellGraphic* G = GetCellGraphic(ACol, ARow);
    if (!G) return Point(0, 0);
    TPoint S(0, 0);
    const TCellType T = G->CellType();
    if (T == ctBitmap || T == ctIcon) {
        if (auto* B = dynamic_cast<TGraphic*>(T == ctBitmap ? G->Graphic() : G->Icon()))
            S = Point(B->Width(), B->Height());
    } else if (IsCheckType(T)) {
        S = Point(FControlLook->CheckSize(), FControlLook->CheckSize());
    } else if (T == ctPicture || T == ctFilePicture) {
        if (auto* P = dynamic_cast<TGraphic*>(G->Graphic())) {
            const TSize CS = CellSize(ACol, ARow);
            S = G->PictureSize(CS.cx, CS.cy, P->Width(), P->Height());
        }
    } else if (T == ctButton || T == ctBitButton) {
        const Cardinal I = Cardinal(G->CellIndex());
        S = Point(Integer(I & 0xFFFF), Integer(I >> 16));
    } else if (T == ctProgressPie) {
        S = Point(20, 20);
    } else if ((T == ctImageList || T == ctDataImage) && FGridImages) {
        S = Point(FGridImages->Width(), FGridImages->Height());
    } else if (T == ctImages && FGridImages) {
        const auto* L = dynamic_cast<const TIntList*>(G->Graphic());
        const Integer N = L ? L->Count() : 0;
        S = G->CellBoolean() ? Point(FGridImages->Width(), N * FGridImages->Height())
                             : Point(N * FGridImages->Width(), FGridImages->Height());
    } else if (T == ctRadio) {
        // One item under the other when CellBoolean is set, as they are drawn.
        TBitmap Scratch;
        Scratch.SetSize(1, 1);
        TCanvas* Cv = Scratch.Canvas();
        Cv->Font()->Assign(Font());
        const auto* Items = dynamic_cast<const TStrings*>(G->Graphic());
        const Integer N = Items ? Items->Count() : 0;
        Integer Sum = 0, Widest = 12;
        for (Integer I = 0; I < N; ++I) {
            const Integer W = Cv->TextWidth(Items->Strings(I)) + 12;
            Sum += W;
            Widest = std::max(Widest, W);
        }
        const Integer H = Cv->TextHeight("gh");
        S = G->CellBoolean() ? Point(Widest, H * N) : Point(Sum, H);
    }
    if (G->CellVAlign() == vaFull || G->CellHAlign() == haFull) {
        const TSize CS = CellSize(ACol, ARow);
        if (G->CellVAlign() == vaFull) S.Y = CS.cy;
        if (G->CellHAlign() == haFull) S.X = CS.cx;
    }
    return S;
}

Integer TExtStringGrid::GetNodeIndent(Integer ARow) {
    if (!HasNodes() || ARow < 0) return 0;
    const TCellProperties* P = CellPropertiesOrNil(0, ARow);
    return P ? P->NodeLevel() * FCellNode->NodeIndent() : 0;
}

// --- incremental lookup ------------------------------------------------------------------
// A typed character goes to the first data row of the sorted column that begins
// with the text typed so far (only the character without AutoGotoIncremental).
void TExtStringGrid::IncrementalLookup(char Key) {
    FLookupTick = FTicks;
    if (FNavigation->AutoGotoIncremental()) {
        if (Key == 8) {
            if (!FLookupText.empty()) FLookupText.pop_back();
        } else {
            FLookupText += Key;
        }
    } else {
        FLookupText = Key == 8 ? AnsiString() : AnsiString(1, Key);
    }
    if (RowCount() < 2 || FLookupText.empty()) return;
    const Integer C = FSortSettings->Show() ? FSortSettings->Column() : 1;
    if (C < 0 || C >= ColCount()) return;
    const AnsiString Find = UpperCase(FLookupText);
    for (Integer R = FixedRows(); R <= LastDataRow(); ++R)
        if (UpperCase(Cells(C, R)).compare(0, Find.size(), Find) == 0) {
            SetRow(R);
            return;
        }
    FLookupText.clear();
}

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

// --- selection flags ------------------------------------------------------------------
bool TExtStringGrid::RowSelected(Integer ARow) const {
    if (ARow < 0 || ARow >= RowCount() + NumHiddenRows()) throw EExtGridError("Invalid row accessed");
    if (FMouseActions->DisjunctRowSelect()) return FlagAt(FRowSelect, ARow);
    const TGridRect S = Selection();
    return ARow >= S.Top && ARow <= S.Bottom;
}

void TExtStringGrid::SetRowSelected(Integer ARow, bool Value) {
    if (ARow < 0 || ARow >= RowCount() + NumHiddenRows()) throw EExtGridError("Invalid row accessed");
    if (PutFlag(FRowSelect, ARow, Value)) {
        const Integer D = DisplRowIndex(ARow);
        if (D >= 0 && D < RowCount()) RepaintRow(D);
    }
}

bool TExtStringGrid::ColSelected(Integer ACol) const {
    if (ACol < 0 || ACol >= ColCount()) throw EExtGridError("Invalid column accessed");
    return FlagAt(FColSelect, ACol);
}

void TExtStringGrid::SetColSelected(Integer ACol, bool Value) {
    if (ACol < 0 || ACol >= ColCount()) throw EExtGridError("Invalid column accessed");
    if (PutFlag(FColSelect, ACol, Value)) RepaintCol(ACol);
}

void TExtStringGrid::ClearRowSelect() {
    for (Integer R = 0; R < Integer(FRowSelect.size()); ++R) {
        if (!FRowSelect[size_t(R)]) continue;
        FRowSelect[size_t(R)] = 0;
        const Integer D = DisplRowIndex(R);
        if (D >= 0 && D < RowCount()) RepaintRow(D);
    }
}

void TExtStringGrid::ClearColSelect() {
    for (Integer C = 0; C < Integer(FColSelect.size()); ++C) {
        if (!FColSelect[size_t(C)]) continue;
        FColSelect[size_t(C)] = 0;
        if (C < ColCount()) RepaintCol(C);
    }
}

void TExtStringGrid::SelectionToRowSelect(bool All) {
    const TGridRect S = Selection();
    for (Integer R = FixedRows(); R < RowCount(); ++R) {
        const bool In = R >= S.Top && R <= S.Bottom;
        if (!All && !In) continue;
        SetRowSelected(FMouseActions->RowSelectPersistent() ? RealRowIndex(R) : R, In);
    }
}

void TExtStringGrid::SelectionToColSelect(bool All) {
    const TGridRect S = Selection();
    for (Integer C = FixedCols(); C < ColCount(); ++C) {
        const bool In = C >= S.Left && C <= S.Right;
        if (!All && !In) continue;
        SetColSelected(C, In);
    }
}

Integer TExtStringGrid::RowSelectCount() const {
    if (FMouseActions->DisjunctRowSelect()) return Integer(std::count(FRowSelect.begin(), FRowSelect.end(), 1));
    const TGridRect S = Selection();
    return S.Bottom - S.Top + 1;
}

bool TExtStringGrid::RowMarked(Integer ARow) const { return FlagAt(FRowMarks, ARow); }

void TExtStringGrid::SetRowMarked(Integer ARow, bool Value) {
    if (ARow < 0) return;
    PutFlag(FRowMarks, ARow, Value);
}

bool TExtStringGrid::SelectedCell(Integer ACol, Integer ARow) const {
    return FSelectedCells.count({ACol, ARow}) != 0;
}

void TExtStringGrid::SetSelectedCell(Integer ACol, Integer ARow, bool Value) {
    const bool Changed = Value ? FSelectedCells.insert({ACol, ARow}).second : FSelectedCells.erase({ACol, ARow}) != 0;
    if (Changed) RepaintCell(ACol, ARow);
}

void TExtStringGrid::ClearCellSelect() {
    const auto Old = std::move(FSelectedCells);
    FSelectedCells.clear();
    for (const auto& [C, R] : Old)
        if (C < ColCount() && R < RowCount()) RepaintCell(C, R);
}

// --- repainting ---------------------------------------------------------------------------
void TExtStringGrid::RepaintRow(Integer ARow) {
    if (ARow < 0 || ARow >= RowCount()) return;
    InvalidateRow(ARow);
}

void TExtStringGrid::RepaintCol(Integer ACol) {
    if (ACol < 0 || ACol >= ColCount()) return;
    InvalidateCol(ACol);
}

void TExtStringGrid::RepaintRect(TGridRect ARect) {
    const TRect A = CellRect(ARect.Left, ARect.Top);
    const TRect B = CellRect(ARect.Right, ARect.Bottom);
    if (A.IsEmpty() || B.IsEmpty()) {
        Invalidate();
        return;
    }
    for (Integer R = ARect.Top; R <= ARect.Bottom; ++R)
        for (Integer C = ARect.Left; C <= ARect.Right; ++C) InvalidateCell(C, R);
}

void TExtStringGrid::RepaintHeaders(Integer ACol1, Integer ARow1, Integer ACol2, Integer ARow2) {
    if (FixedRows() > 0) {
        RepaintCell(ACol1, FixedRows() - 1);
        RepaintCell(ACol2, FixedRows() - 1);
    }
    if (FixedCols() > 0) {
        RepaintCell(FixedCols() - 1, ARow1);
        RepaintCell(FixedCols() - 1, ARow2);
    }
}

// --- small painting settings -------------------------------------------------------------
void TExtStringGrid::SetRowIndicator(TBitmap* Value) {
    if (Value) FRowIndicator->Assign(Value);
    else FRowIndicator = std::make_unique<TBitmap>();
    RepaintCell(0, Row());
}

void TExtStringGrid::SetMultilinecells(bool Value) {
    FMultilinecells = Value;
    RepaintUnlessUpdating();
}

void TExtStringGrid::SetEnhTextSize(bool Value) {
    FEnhTextSize = Value;
    RepaintUnlessUpdating();
}

void TExtStringGrid::GetCellPrintColor(Integer ACol, Integer ARow, TGridDrawState AState, TBrush* ABrush,
                                       TFont* AFont) {
    if (OnGetCellPrintColor) OnGetCellPrintColor(this, ARow, ACol, AState, ABrush, AFont);
}
