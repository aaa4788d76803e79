// TExtStringGrid: grouping rows by the values of a column, into node groups with
// header and summary rows, and the grouping lines of the borders.
#include "grid/ExtGrid.h"

#include <algorithm>
#include <vector>

namespace {

// Node graphics of group headers carry this mark in CellValue2 and the grouped
// column (for in-place grouping) in CellValue.
constexpr Integer GroupHeaderMark = 1;

}  // namespace

bool TExtStringGrid::IsGroupHeader(Integer ARow) { return IsGroupHeaderGraphic(NodeGraphic(ARow)); }

bool TExtStringGrid::IsGroupHeaderGraphic(const TCellGraphic* G) {
    return G && G->CellType() == ctNode && G->CellValue2() == GroupHeaderMark;
}

// Colours a header or summary row: the merged text cell, or the whole row.
void TExtStringGrid::ColourGroupRow(Integer ARow, Integer ATextCol, bool Merged, TColor From, TColor To, TColor Text) {
    if (Merged) {
        if (From != clNone) SetColors(ATextCol, ARow, From);
        if (To != clNone) SetColorsTo(ATextCol, ARow, To);
        if (Text != clNone) SetFontColors(ATextCol, ARow, Text);
    } else {
        if (From != clNone) SetRowColor(ARow, From);
        if (To != clNone) SetRowColorTo(ARow, To);
        if (Text != clNone) SetRowFontColor(ARow, Text);
    }
}

// Inserts a group header above the run of rows ARow .. AEnd and makes it their
// node; returns the header's row. Enclosing nodes grow by the new row (InsertRows).
Integer TExtStringGrid::InsertGroupHeader(Integer ARow, Integer AEnd, Integer ATextCol, const AnsiString& Value,
                                          Integer AGroupCol) {
    InsertRows(ARow, 1);
    SetCells(ATextCol, ARow, Value);
    AddNode(RealRowIndex(ARow), RealRowIndex(AEnd + 1) - RealRowIndex(ARow) + 1);
    TCellGraphic* G = NodeGraphic(ARow);
    G->SetCellValue(AGroupCol);
    G->SetCellValue2(GroupHeaderMark);
    return ARow;
}

// Removes a header or summary row, a header without its node; enclosing nodes shrink
// by it (RemoveRowsEx).
void TExtStringGrid::RemoveGroupRow(Integer ARow) { RemoveRowsEx(ARow, 1); }

// Grouping works on every row: rows hidden by a filter or a contracted node come back
// first, so that each row is grouped by its own value and none loses it.
void TExtStringGrid::ShowAllRowsForGrouping() {
    if (FFilterActive) SetFilterActive(false);
    ExpandAll();
}

void TExtStringGrid::Group(Integer ACol) {
    // Column 0 holds the group nodes: it is never the grouped column, which goes.
    if (ACol < FixedCols() || ACol < 1 || ACol >= ColCount()) return;
    if (FGroupColumn != -1) {
        // ACol names the column as shown now: the grouped column comes back before it.
        if (ACol >= FGroupColumn) ++ACol;
        UnGroup();
    }
    ShowAllRowsForGrouping();
    TUpdateScope Update(this);
    FGroupColumn = ACol;
    FGroupColWidth = ColWidths(ACol);
    FGroupFooterKind = FooterCalcKind(ACol);
    FGroupHeaderText = TBaseGrid::FixedRows() > 0 ? Cells(ACol, 0) : AnsiString();
    FGroupFooterText = FFixedFooters > 0 ? Cells(ACol, RowCount() - 1) : AnsiString();
    if (FSortSettings->AutoSortForGrouping()) {
        // Grouping is no sort the user asked for: the marked rows stay marked.
        FSortSettings->SetColumn(ACol);
        struct TKeep {
            bool& Flag;
            ~TKeep() { Flag = false; }
        } Keep{FSortKeepsMarks = true};
        SortByColumn();
    }
    const TGrouping* Gr = FGrouping.get();
    const Integer TextCol = ACol == 1 ? 2 : 1;
    std::vector<std::pair<Integer, bool>> Merges;   // (row, header) merged after the column goes
    Integer R = TBaseGrid::FixedRows();
    while (R <= LastDataRow()) {
        const AnsiString V = Cells(ACol, R);
        Integer End = R;
        while (End + 1 <= LastDataRow() && Cells(ACol, End + 1) == V) ++End;
        InsertGroupHeader(R, End, TextCol, V, -1);
        ColourGroupRow(R, TextCol, Gr->MergeHeader(), Gr->HeaderColor(), Gr->HeaderColorTo(), Gr->HeaderTextColor());
        if (Gr->MergeHeader()) Merges.emplace_back(R, true);
        R = End + 2;
        if (Gr->Summary()) {
            InsertRows(R, 1);
            MarkSummaryRow(RealRowIndex(R));
            ColourGroupRow(R, TextCol, Gr->MergeSummary(), Gr->SummaryColor(), Gr->SummaryColorTo(),
                           Gr->SummaryTextColor());
            if (Gr->MergeSummary()) Merges.emplace_back(R, false);
            ++R;
        }
    }
    // The column's cell objects (colours, check boxes) wait with their rows (every row
    // is shown now) and come back with them.
    FGroupColObjects.assign(size_t(AllRowCount()), nullptr);
    for (Integer Rw = 0; Rw < RowCount(); ++Rw) {
        FGroupColObjects[size_t(RealRowIndex(Rw))] = RawObjects(ACol, Rw);
        SetRawObjects(ACol, Rw, nullptr);
    }
    {
        TMovingScope Shifting(this, FGroupShifting);
        RemoveCols(ACol, 1);
    }
    const Integer MergeCol = TextCol > ACol ? TextCol - 1 : TextCol;
    for (const auto& [Row, Header] : Merges)
        if (ColCount() - MergeCol > 1) MergeCells(MergeCol, Row, ColCount() - MergeCol, 1);
    if (RowCount() > TBaseGrid::FixedRows()) SetRow(TBaseGrid::FixedRows());
    Update.End();
}

void TExtStringGrid::UnGroup() {
    if (FGroupColumn < 0) return;
    ShowAllRowsForGrouping();
    TUpdateScope Update(this);
    const Integer ACol = FGroupColumn;
    {
        TMovingScope Shifting(this, FGroupShifting);
        InsertCols(ACol, 1);
    }
    SetColWidths(ACol, FGroupColWidth);
    if (FGroupFooterKind >= 0) SetFooterCalcKind(ACol, FGroupFooterKind);
    if (TBaseGrid::FixedRows() > 0) SetCells(ACol, 0, FGroupHeaderText);
    if (FFixedFooters > 0) SetCells(ACol, RowCount() - 1, FGroupFooterText);
    const Integer TextCol = ACol == 1 ? 2 : 1;
    AnsiString Current;
    Integer R = TBaseGrid::FixedRows();
    while (R <= LastDataRow()) {
        if (IsSummaryRow(R)) {
            if (IsMergedCell(TextCol, R)) SplitCells(BaseCell(TextCol, R).X, R);
            RemoveGroupRow(R);
        } else if (IsGroupHeader(R)) {
            Current = Cells(TextCol, R);
            if (IsMergedCell(TextCol, R)) SplitCells(BaseCell(TextCol, R).X, R);
            RemoveGroupRow(R);
        } else {
            SetCells(ACol, R, Current);
            ++R;
        }
    }
    auto& Objs = FGroupColObjects;
    if (Objs.size() > size_t(AllRowCount())) {   // rows dropped through RowCount
        FreeHiddenCellObjects(std::vector<TObject*>(Objs.begin() + AllRowCount(), Objs.end()));
        Objs.resize(size_t(AllRowCount()));
    }
    for (Integer Rw = 0; Rw < RowCount() && size_t(Rw) < Objs.size(); ++Rw)
        if (TObject* O = Objs[size_t(Rw)]) {
            SetRawObjects(ACol, Rw, O);
            if (auto* P = dynamic_cast<TCellProperties*>(O)) {
                P->SetOwnerCol(ACol);
                P->SetOwnerRow(Rw);
            }
        }
    Objs.clear();
    FGroupColumn = -1;
    FGroupFooterKind = -1;
    Update.End();
    RecalcAllFooters();
}

void TExtStringGrid::GroupInPlace(Integer ACol) {
    if (ACol < 0 || ACol + 1 >= ColCount()) return;
    ShowAllRowsForGrouping();
    TUpdateScope Update(this);
    const TGrouping* Gr = FGrouping.get();
    Integer R = TBaseGrid::FixedRows();
    while (R <= LastDataRow()) {
        if (IsGroupHeader(R) || IsSummaryRow(R)) {
            ++R;
            continue;
        }
        const AnsiString V = Cells(ACol, R);
        Integer End = R;
        while (End + 1 <= LastDataRow() && !IsGroupHeader(End + 1) && !IsSummaryRow(End + 1) &&
               Cells(ACol, End + 1) == V)
            ++End;
        InsertGroupHeader(R, End, ACol + 1, V, ACol);
        ColourGroupRow(R, ACol + 1, Gr->MergeHeader(), Gr->HeaderColor(), Gr->HeaderColorTo(), Gr->HeaderTextColor());
        if (Gr->MergeHeader() && ColCount() - ACol - 1 > 1) MergeCells(ACol + 1, R, ColCount() - ACol - 1, 1);
        for (Integer D = R + 1; D <= End + 1; ++D) SetCells(ACol, D, "");
        R = End + 2;
    }
    Update.End();
    RecalcAllFooters();
}

void TExtStringGrid::UngroupInPlace(Integer ACol) {
    ShowAllRowsForGrouping();
    TUpdateScope Update(this);
    Integer R = TBaseGrid::FixedRows();
    while (R <= LastDataRow()) {
        if (!IsGroupHeader(R) || NodeGraphic(R)->CellValue() != ACol) {
            ++R;
            continue;
        }
        const AnsiString V = Cells(ACol + 1, R);
        const Integer Span = GetNodeSpan(R);
        if (IsMergedCell(ACol + 1, R)) SplitCells(BaseCell(ACol + 1, R).X, R);
        RemoveGroupRow(R);
        for (Integer D = R; D < R + Span - 1 && D <= LastDataRow(); ++D) SetCells(ACol, D, V);
    }
    Update.End();
    RecalcAllFooters();
}

void TExtStringGrid::GetCellBorder(Integer ACol, Integer ARow, TPen* APen, TCellBorders& Borders) {
    if (ACol >= 1 && FGrouping->HeaderUnderline() && IsGroupHeader(ARow)) {
        Borders = TCellBorders{cbBottom};
        APen->SetColor(FGrouping->HeaderLineColor());
        APen->SetWidth(FGrouping->HeaderLineWidth());
    } else if (ACol >= 1 && FGrouping->SummaryLine() && IsSummaryRow(ARow)) {
        Borders = TCellBorders{cbTop};
        APen->SetColor(FGrouping->SummaryLineColor());
        APen->SetWidth(FGrouping->SummaryLineWidth());
    }
    if (OnGetCellBorder) FireEvent(OnGetCellBorder, this, ARow, ACol, APen, Borders);
}
