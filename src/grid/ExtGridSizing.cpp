// TExtStringGrid: sizing rows and columns: to their content, the stretched column, and what follows a size change.
#include "grid/ExtGrid.h"

#include "grid/EsgHTMLE.h"
#include "grid/ExtUtil.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// A size within the automatic-sizing bounds; 0 is no bound, and equal bounds bind nothing.
Integer ClampSize(Integer Value, Integer Min, Integer Max) {
    if (Min == Max) return Value;
    if (Max > 0 && Value > Max) return Max;
    if (Min > 0 && Value < Min) return Min;
    return Value;
}

}  // namespace

void TExtStringGrid::SizeRowToContent(Integer ARow, bool OnlyGrow) {
    if (ARow < 0 || ARow >= RowCount()) return;
    Integer H = 0;
    for (Integer C = 0; C < ColCount(); ++C) {
        if (IsYMergedCell(C, ARow)) continue;
        const TCellType T = GetCellType(C, ARow);
        if (T == ctCheckBox || T == ctDataCheckBox || T == ctVirtCheckBox || T == ctRowCheckBox) {
            H = std::max(H, DefaultRowHeight());
            continue;
        }
        TPoint S{0, 0};
        GetCellTextSize(C, ARow, S, true);
        H = std::max(H, S.Y + CellGraphicSize(C, ARow).Y);
    }
    H += 4;   // the text margins above and below
    if (OnlyGrow && RowHeights(ARow) >= H + 2 * GridLineWidth()) return;
    SetRowHeights(ARow, ClampSize(H, FAutoMinRowHeight, FAutoMaxRowHeight));
}

Integer TExtStringGrid::TextLineHeight(Integer ARow) {
    TBitmap Scratch;
    const Integer Hgh = MeasureCanvas(Scratch, TBaseGrid::FixedCols(), ARow)->TextHeight("gh");
    return std::max<Integer>(1, Hgh + Hgh / 8);
}

void TExtStringGrid::SizeRowToTextHeight(Integer ARow, Integer Lines, Integer Extra) {
    if (ARow < 0 || ARow >= RowCount()) return;
    SetRowHeights(ARow, ClampSize(TextLineHeight(ARow) * Lines + Extra, FAutoMinRowHeight, FAutoMaxRowHeight));
}

// --- the stretched column ------------------------------------------------------------------------------
void TExtStringGrid::StretchColumn(Integer ACol) {
    if (ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying)) return;
    if (ACol == -1) ACol = ColCount() - 1;
    if (ACol >= ColCount() || ACol < -1) throw EExtGridError("Stretch column index out of range");
    if (ACol < 0) return;   // no columns
    const bool Was = FStretching;
    FStretching = true;
    try {
        if (ColCount() == 1) {
            SetColWidths(ACol, ClientWidth());
        } else {
            Integer Others = 0;
            for (Integer C = 0; C < ColCount(); ++C)
                if (C != ACol) Others += ColWidths(C);
            const Integer W = ClientWidth() - Others - 1;
            if (W > 0) SetColWidths(ACol, W);
            else if (LeftCol() == TBaseGrid::FixedCols()) SetColWidths(ACol, DefaultColWidth());
        }
    } catch (...) {
        FStretching = Was;
        throw;
    }
    FStretching = Was;
}

void TExtStringGrid::ColWidthsChanged() {
    if (!FStretching && FColumnSize && FColumnSize->Stretch() && HasParent() && ColCount() > 0)
        StretchColumn(std::clamp(FColumnSize->StretchColumn(), -1, ColCount() - 1));
    TBaseGrid::ColWidthsChanged();
    PlaceFormControl();
    if (FSizingCol < 0 || GridState() == gsColSizing) return;
    // The user let go of a column edge.
    const Integer C = std::exchange(FSizingCol, -1);
    if (C >= ColCount()) return;
    NoteColumnSized(FMouseActions->AllColumnSize() ? -1 : C);
    if (FMouseActions->AllColumnSize()) ScaleOtherSizes(true, C, FSizingStart);
    const std::shared_ptr<const bool> Alive = AliveToken();   // the handlers may free the grid
    if (OnEndColumnSize) FireEvent(OnEndColumnSize, this, C);
    if (!*Alive) return;
    Integer W = ColWidths(C);
    UpdateColumnSize(C, W);
    if (!*Alive) return;
    if (W != ColWidths(C)) SetColWidths(C, std::max(0, W));
    PlaceEditorControl();
}

void TExtStringGrid::RowHeightsChanged() {
    TBaseGrid::RowHeightsChanged();
    PlaceFormControl();
    if (FSizingRow < 0 || GridState() == gsRowSizing) return;
    const Integer R = std::exchange(FSizingRow, -1);
    if (R >= RowCount()) return;
    if (FMouseActions->AllRowSize()) ScaleOtherSizes(false, R, FSizingStart);
    const std::shared_ptr<const bool> Alive = AliveToken();
    if (OnEndRowSize) FireEvent(OnEndRowSize, this, R);
    if (*Alive) PlaceEditorControl();
}

void TExtStringGrid::UpdateColumnSize(Integer ACol, Integer& AWidth) {
    if (OnUpdateColumnSize) FireEvent(OnUpdateColumnSize, this, ACol, AWidth);
}

void TExtStringGrid::MouseSizingStarted() {
    FSizingCol = FSizingRow = -1;
    if (GridState() == gsColSizing && FMoveIndex >= 0) {
        FSizingCol = FMoveIndex;
        FSizingStart = ColWidths(FMoveIndex);
    } else if (GridState() == gsRowSizing && FMoveIndex >= 0) {
        FSizingRow = FMoveIndex;
        FSizingStart = RowHeights(FMoveIndex);
    }
}

bool TExtStringGrid::CancelSizingOutside(Integer X, Integer Y) {
    const bool Fixed = FFixedSizing;
    const bool Column = (Fixed ? FFixedSizeCol >= 0 : GridState() == gsColSizing) && X >= ClientWidth();
    const bool Row = (Fixed ? FFixedSizeRow >= 0 : GridState() == gsRowSizing) && Y >= ClientHeight();
    if (!Column && !Row) return false;
    // Let go past the grid's edge: the size from the press comes back and nobody is
    // told of a sizing that did not happen.
    const Integer Index = Fixed ? (Column ? FFixedSizeCol : FFixedSizeRow) : FMoveIndex;
    if (Fixed) {
        FFixedSizing = false;
        FFixedSizeCol = FFixedSizeRow = -1;
    } else {
        FGridState = gsNormal;
        FMoveIndex = FMovePos = -1;
    }
    FSizingCol = FSizingRow = -1;
    if (Column && Index >= 0 && Index < ColCount()) SetColWidths(Index, FSizingStart);
    if (Row && Index >= 0 && Index < RowCount()) SetRowHeights(Index, FSizingStart);
    Invalidate();
    return true;
}

// Every other scrollable column (row) takes the same share of change as the one sized.
void TExtStringGrid::ScaleOtherSizes(bool Columns, Integer Sized, Integer Start) {
    if (Start < 1) return;
    const double Ratio = double(Columns ? ColWidths(Sized) : RowHeights(Sized)) / Start;
    const Integer First = Columns ? FixedCols() : FixedRows();
    const Integer Count = Columns ? ColCount() : RowCount();
    BeginUpdate();
    try {
        for (Integer I = First; I < Count; ++I) {
            if (I == Sized) continue;
            if (Columns) SetColWidths(I, Integer(std::lround(ColWidths(I) * Ratio)));
            else SetRowHeights(I, Integer(std::lround(RowHeights(I) * Ratio)));
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// --- automatic column width ----------------------------------------------------------------------
void TExtStringGrid::SizeColumnToContent(Integer ACol, Integer Extra) {
    if (ACol < 0 || ACol >= ColCount()) return;
    Integer W = 0;
    for (Integer R = 0; R < RowCount(); ++R) {
        if (IsXMergedCell(ACol, R)) continue;
        TPoint S{0, 0};
        GetCellTextSize(ACol, R, S, false);
        const TPoint G = CellGraphicSize(RealColIndex(ACol), R);
        W = std::max(W, S.X + G.X + (G.X > 0 ? 2 : 0));
    }
    SetColWidths(ACol, W + Extra);
}

void TExtStringGrid::SizeColumnsToContent(bool DoFixedCols, Integer Extra) {
    for (Integer C = DoFixedCols ? 0 : FixedCols(); C < ColCount(); ++C) {
        SizeColumnToContent(C, Extra);
        if (Extra != 0) SetColWidths(C, ClampSize(ColWidths(C), FAutoMinColWidth, FAutoMaxColWidth));
    }
}
