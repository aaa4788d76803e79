// TExtStringGrid: repainting cells, rows, columns and headers, and the painting settings whose
// writers only repaint.
#include "grid/ExtGrid.h"

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
    if (OnGetCellPrintColor) FireEvent(OnGetCellPrintColor, this, ARow, ACol, AState, ABrush, AFont);
}
