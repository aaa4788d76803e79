// TExtStringGrid: the current row, hidden rows, selection parking, scrolling a
// cell into view, data ranges and the row filter.
#include "grid/ExtGrid.h"

#include "grid/ExtUtil.h"

#include <algorithm>
#include <cmath>

// --- current row ----------------------------------------------------------------
void TExtStringGrid::ReportRow(Integer NewRow) {
    if (NewRow == FReportedRow || !OnRowUpdate || FUpdateCount > 0) return;
    const Integer Old = FReportedRow;
    FReportedRow = NewRow;
    OnRowUpdate(this, Old, NewRow);
}

void TExtStringGrid::SetRow(Integer ARow) {
    TBaseGrid::SetRow(ARow);
    ReportRow(Row());
}


// --- hidden rows ----------------------------------------------------------------
void TExtStringGrid::RowsChanged() {
    SetDisplRowCount(RowCount());
    RecalcAllFooters();
    RepaintUnlessUpdating();
    UpdateCellControls();
}

void TExtStringGrid::HideRows(Integer AFromRow, Integer AToRow) {
    // A control in a hidden row must not stay on screen.
    for (Integer R = std::max(0, std::min(AFromRow, AToRow)); R <= std::max(AFromRow, AToRow); ++R) {
        if (IsHiddenRow(R)) continue;
        const Integer D = DisplRowIndex(R);
        if (D >= RowCount() || ColCount() < 2) continue;
        if (TControl* C = CellControl(1, D)) C->Hide();
    }
    FRowMap->HideRows(AFromRow, AToRow);
}

void TExtStringGrid::HideRowList(const std::vector<Integer>& AList) { FRowMap->HideRowList(AList); }

void TExtStringGrid::UnHideRows(Integer AFromRow, Integer AToRow) {
    if (!IsHiddenRow(AFromRow)) return;
    FRowMap->UnHideRows(AFromRow, AToRow);
    const Integer D = DisplRowIndex(AFromRow);
    if (ColCount() >= 2 && D < RowCount())
        if (TControl* C = CellControl(1, D)) {
            const TRect R = CellRect(1, D);
            C->SetBounds(R.Left, R.Top, R.Width(), R.Height());
            C->Show();
        }
}

void TExtStringGrid::UnHideRowsAll() { FRowMap->UnHideRowsAll(); }

// --- selection parking ------------------------------------------------------------
void TExtStringGrid::ParkSelection() {
    if (!FParked) FParkedSel = Selection();
    // The framework keeps its current cell inside the grid; the mark keeps it from
    // being drawn as selected.
    FParked = true;
    Invalidate();
}

void TExtStringGrid::RestoreSelection() {
    if (!FParked) return;
    FParked = false;
    if (RowCount() > FParkedSel.Top && ColCount() > FParkedSel.Left &&
        FParkedSel.Top >= TBaseGrid::FixedRows() && FParkedSel.Left >= TBaseGrid::FixedCols()) {
        TGridRect R = FParkedSel;
        R.Right = std::min(R.Right, ColCount() - 1);
        R.Bottom = std::min(R.Bottom, RowCount() - 1);
        SetSelection(R);
    } else {
        const Integer Top = FFixedRowAlways && TBaseGrid::FixedRows() == RowCount() ? 0 : TBaseGrid::FixedRows();
        const Integer Left = FFixedColAlways && TBaseGrid::FixedCols() == ColCount() ? 0 : TBaseGrid::FixedCols();
        SetSelection(TGridRect{Left, Top, Left, Top});
    }
    Invalidate();
}

// --- scrolling a cell into view --------------------------------------------------
void TExtStringGrid::ScrollInView(Integer ACol, Integer ARow) {
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount()) return;
    const Integer FC = TBaseGrid::FixedCols(), FR = TBaseGrid::FixedRows();
    Integer NewLeft = LeftCol();
    Integer NewTop = TopRow();
    if (ACol < LeftCol() || ACol >= LeftCol() + VisibleColCount()) {
        if (ACol >= FC) SetCol(ACol);
        NewLeft = std::max(FC, ACol - VisibleColCount() / 2);
    }
    if (ARow < TopRow() || ARow >= TopRow() + VisibleRowCount()) {
        if (ARow >= FR) SetRow(ARow);
        NewTop = std::max(FR, ARow - VisibleRowCount() / 2);
    }
    NewLeft = std::max(FC, std::min(NewLeft, ColCount() - VisibleColCount() + FC));
    NewTop = std::max(FR, std::min(NewTop, RowCount() - VisibleRowCount() + FR - 1));
    NewLeft = std::min(NewLeft, ColCount() - 1);
    NewTop = std::min(NewTop, RowCount() - 1);
    SetLeftCol(NewLeft);
    SetTopRow(NewTop);
}

// --- ranges and hit tests ----------------------------------------------------------
TGridDataRange TExtStringGrid::DataRange() const {
    return TGridDataRange{0, 0, ColCount() - 1, RowCount() - 1, ColCount(), RowCount()};
}

TGridCoord TExtStringGrid::CellAtScreenPoint(TPoint APoint) const {
    const TPoint P = ScreenToClient(APoint);
    return MouseCoord(P.X, P.Y);
}

bool TExtStringGrid::IsRotatedCell(Integer ACol, Integer ARow, Integer& Angle) {
    if (GetCellType(ACol, ARow) != ctRotated) return false;
    if (const TCellGraphic* G = GetCellGraphic(ACol, ARow)) Angle = G->CellAngle();
    return true;
}

bool TExtStringGrid::IsOnSizingEdge(Integer X, Integer Y) const {
    Integer C = -1, R = -1;
    MouseToCell(X, Y, C, R);
    if (C < 0 || R < 0) return false;
    const TRect Rc = CellRect(C, R);
    bool Result = Options().Contains(goColSizing) && R <= TBaseGrid::FixedRows() &&
                  (std::abs(X - Rc.Left) < 4 || std::abs(X - Rc.Right) < 4);
    if (Options().Contains(goRowSizing) && C <= TBaseGrid::FixedCols())
        Result = std::abs(Y - Rc.Top) < 4 || std::abs(Y - Rc.Bottom) < 4;
    return Result;
}

// --- filter -----------------------------------------------------------------------
bool TExtStringGrid::RowMatchesFilter(Integer ARow) {
    bool Result = true;
    for (Integer I = 0; I < FFilter->Count(); ++I) {
        const TFilterData* F = FFilter->Items(I);
        AnsiString Text = F->Data() ? RawCells(F->Column(), ARow) : Cells(F->Column(), ARow);
        const AnsiString& Pre = F->Prefix();
        if (!Pre.empty() && Text.compare(0, Pre.size(), Pre) == 0) Text.erase(0, Pre.size());
        const AnsiString& Suf = F->Suffix();
        if (!Suf.empty()) {
            const size_t P = Text.find(Suf);
            if (P != AnsiString::npos && P + Suf.size() == Text.size()) Text.erase(P);
        }
        const bool M = MatchFilter(F->Condition(), Text, F->CaseSensitive());
        switch (F->Operation()) {
            case foSHORT:
                Result = M;
                if (!M) return false;
                break;
            case foNONE: Result = M; break;
            case foAND: Result = Result && M; break;
            case foXOR: Result = Result != M; break;
            case foOR: Result = Result || M; break;
        }
    }
    return Result;
}

void TExtStringGrid::SetFilterActive(bool Value) {
    if (Value != FFilterActive) {
        if (Value) {
            FFixedRowsMem = TBaseGrid::FixedRows();
            TUpdateScope Update(this);
            std::vector<Integer> Fail;
            const Integer First = TBaseGrid::FixedRows();
            const Integer Last = RowCount() - FFixedFooters - 1;
            const Integer Total = RowCount() - FFixedFooters - First;
            try {
                for (Integer R = First; R <= Last; ++R) {
                    if (!RowMatchesFilter(R)) Fail.push_back(R);
                    if (OnFilterProgress && Total >= 1)
                        OnFilterProgress(this, Integer(std::lround(double(R - First + 1) / Total * 100.0)));
                }
            } catch (...) {
                Update.End();
                throw;
            }
            // The framework keeps one row beyond the fixed ones: when every data row
            // fails, the rows are still hidden and the grid shows only its fixed rows.
            HideRowList(Fail);
            if (OnFilterProgress) OnFilterProgress(this, 100);
            Update.End();
            FFilterActive = true;
            FParked = false;
        } else {
            UnHideRowsAll();
            if (FFixedRowsMem < RowCount()) TBaseGrid::SetFixedRows(FFixedRowsMem);
            FFilterActive = false;
            RestoreSelection();
        }
    }
    RecalcAllFooters();
}
