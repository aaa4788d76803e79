// TExtStringGrid: the selection beyond the framework's range: selected rows, columns and cells,
// row marks, the selected-cell test and the selection as text.
#include "grid/ExtGrid.h"

#include "grid/ExtUtil.h"

namespace {

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

}  // namespace

TGridRect TExtStringGrid::SelectionTransferRect() {
    TGridRect R = Selection();
    if (Options().Contains(goRowSelect) && FDragDropSettings->OleEntireRows()) {
        R.Left = 0;
        R.Right = ColCount() - 1;
    }
    if (FMouseActions->DisjunctRowSelect()) {
        R.Top = 0;
        R.Bottom = RowCount() - 1;
    }
    return R;
}

AnsiString TExtStringGrid::SelectionAsText() {
    return CellsAsText(SelectionTransferRect(), FMouseActions->DisjunctRowSelect(), false);
}

// Only a lone rich text cell also travels as rich text: a rich text drop stores one
// cell, so a block or any other cell goes as text alone and arrives whole.
AnsiString TExtStringGrid::SelectionRichText() {
    const TGridCoord L = LoneTransferCell(SelectionTransferRect(), FMouseActions->DisjunctRowSelect());
    const AnsiString V = L.X >= 0 && !HidesText(L.X, L.Y) ? Cells(L.X, L.Y) : AnsiString();   // no password
    return TextType(V, false) == 2 ? V : AnsiString();
}

bool TExtStringGrid::IsCellSelected(Integer ACol, Integer ARow) {
    if (ACol < TBaseGrid::FixedCols() || ARow < TBaseGrid::FixedRows() || ACol >= ColCount() || ARow >= RowCount())
        return false;
    if (FMouseActions->DisjunctRowSelect()) return DisplRowSelected(ARow);
    if (FMouseActions->DisjunctColSelect()) return ColSelected(ACol);
    return Selection().Contains(ACol, ARow);
}

// --- selection flags ------------------------------------------------------------------
// Row marks are kept by real row, so that a mark stays on its row while other rows are
// hidden, shown, inserted, removed or moved. Callers name the row as a real row with
// RowSelectPersistent, otherwise as the row shown.
Integer TExtStringGrid::MarkIndex(Integer ARow) const {
    return FMouseActions->RowSelectPersistent() ? ARow : RealRowIndex(ARow);
}

bool TExtStringGrid::RowSelected(Integer ARow) const {
    if (ARow < 0 || ARow >= RowCount() + NumHiddenRows()) throw EExtGridError("Invalid row accessed");
    if (FMouseActions->DisjunctRowSelect()) return FlagAt(FRowSelect, MarkIndex(ARow));
    const TGridRect S = Selection();
    return ARow >= S.Top && ARow <= S.Bottom;
}

void TExtStringGrid::SetRowSelected(Integer ARow, bool Value) {
    if (ARow < 0 || ARow >= RowCount() + NumHiddenRows()) throw EExtGridError("Invalid row accessed");
    const Integer Real = MarkIndex(ARow);
    if (PutFlag(FRowSelect, Real, Value) && !IsHiddenRow(Real)) {
        const Integer D = DisplRowIndex(Real);
        if (D >= 0 && D < RowCount()) RepaintRow(D);
    }
}

bool TExtStringGrid::DisplRowSelected(Integer ADisplRow) const {
    if (ADisplRow < 0 || ADisplRow >= RowCount()) return false;
    if (FMouseActions->DisjunctRowSelect()) return FlagAt(FRowSelect, RealRowIndex(ADisplRow));
    const TGridRect S = Selection();
    return ADisplRow >= S.Top && ADisplRow <= S.Bottom;
}

void TExtStringGrid::SetDisplRowSelected(Integer ADisplRow, bool Value) {
    if (ADisplRow < 0 || ADisplRow >= RowCount()) throw EExtGridError("Invalid row accessed");
    if (PutFlag(FRowSelect, RealRowIndex(ADisplRow), Value)) RepaintRow(ADisplRow);
}

std::vector<Integer> TExtStringGrid::MarkedDisplRows() const {
    std::vector<Integer> Rows;
    for (Integer R = 0; R < Integer(FRowSelect.size()); ++R)
        if (FRowSelect[size_t(R)] && !IsHiddenRow(R)) {
            const Integer D = DisplRowIndex(R);
            if (D < RowCount()) Rows.push_back(D);
        }
    return Rows;
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
        if (!IsHiddenRow(R) && D >= 0 && D < RowCount()) RepaintRow(D);
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
        SetDisplRowSelected(R, In);
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

// The modified marks of ShowModified: named by the row shown, kept by real row.
bool TExtStringGrid::RowMarked(Integer ARow) const { return ARow >= 0 && FlagAt(FRowMarks, RealRowIndex(ARow)); }

void TExtStringGrid::SetRowMarked(Integer ARow, bool Value) {
    if (ARow < 0) return;
    PutFlag(FRowMarks, RealRowIndex(ARow), Value);
}

// Chosen cells are named by the row shown and kept by real row, as the row marks are.
bool TExtStringGrid::SelectedCell(Integer ACol, Integer ARow) const {
    return ARow >= 0 && FSelectedCells.count({ACol, RealRowIndex(ARow)}) != 0;
}

void TExtStringGrid::SetSelectedCell(Integer ACol, Integer ARow, bool Value) {
    if (ARow < 0) return;
    const std::pair<Integer, Integer> Key{ACol, RealRowIndex(ARow)};
    const bool Changed = Value ? FSelectedCells.insert(Key).second : FSelectedCells.erase(Key) != 0;
    if (Changed) RepaintCell(ACol, ARow);
}

void TExtStringGrid::ClearCellSelect() {
    const auto Old = std::move(FSelectedCells);
    FSelectedCells.clear();
    for (const auto& [C, R] : Old)
        if (C < ColCount() && !IsHiddenRow(R) && DisplRowIndex(R) < RowCount()) RepaintCell(C, DisplRowIndex(R));
}
