// TExtStringGrid: the current row, hidden rows, selection parking, scrolling a
// cell into view, data ranges, the row filter, and the records kept per row and
// column as rows and columns are inserted, removed or moved.
#include "grid/ExtGrid.h"

#include "grid/EsgHTMLE.h"
#include "grid/ExtUtil.h"

#include <algorithm>
#include <cmath>
#include <numeric>

// --- current row ----------------------------------------------------------------
void TExtStringGrid::ReportRow(Integer NewRow) {
    if (NewRow == FReportedRow || !OnRowUpdate || FUpdateCount > 0) return;
    const Integer Old = FReportedRow;
    FReportedRow = NewRow;
    FireEvent(OnRowUpdate, this, Old, NewRow);
}

void TExtStringGrid::SetRow(Integer ARow) {
    const std::shared_ptr<const bool> Alive = AliveToken();   // a cell-change handler may free the grid
    TBaseGrid::SetRow(ARow);
    if (*Alive) ReportRow(Row());
}


// --- hidden rows ----------------------------------------------------------------
void TExtStringGrid::RowsChanged() {
    SetDisplRowCount(RowCount());
    RecalcAllFooters();
    RepaintUnlessUpdating();
    UpdateCellControls();
}

void TExtStringGrid::HideRows(Integer AFromRow, Integer AToRow) {
    EndEditBeforeLayoutChange();
    // A control editor's value goes into its cell while the row still shows.
    if (FCtrlCell.Y >= std::min(AFromRow, AToRow) && FCtrlCell.Y <= std::max(AFromRow, AToRow)) ControlEditDone();
    // A control in a hidden row must not stay on screen.
    for (Integer R = std::max(0, std::min(AFromRow, AToRow)); R <= std::max(AFromRow, AToRow); ++R) {
        if (IsHiddenRow(R)) continue;
        const Integer D = DisplRowIndex(R);
        if (D >= RowCount() || ColCount() < 2) continue;
        if (TControl* C = CellControl(1, D)) C->Hide();
    }
    const Integer Current = CurrentDataRealRow();
    {
        TMovingScope Kept(this, FRecordsKept);   // hidden rows keep their records
        FRowMap->HideRows(AFromRow, AToRow);
    }
    KeepRowOnShownData(Current);
}

void TExtStringGrid::HideRowList(const std::vector<Integer>& AList) {
    EndEditBeforeLayoutChange();
    // The list holds shown rows, the control's cell its real row.
    if (FormControlOpen() && !IsHiddenRow(FCtrlCell.Y) &&
        std::find(AList.begin(), AList.end(), DisplRowIndex(FCtrlCell.Y)) != AList.end())
        ControlEditDone();
    const Integer Current = CurrentDataRealRow();
    {
        TMovingScope Kept(this, FRecordsKept);
        FRowMap->HideRowList(AList);
    }
    KeepRowOnShownData(Current);
}

// The real row of a current data row, -1 on a fixed or footer row.
Integer TExtStringGrid::CurrentDataRealRow() const {
    return Row() >= TBaseGrid::FixedRows() && Row() <= LastDataRow() ? RealRowIndex(Row()) : -1;
}

// The current row stays on its row, or goes to the next shown data row when that row
// was hidden (the last data row when none follows): never onto a footer row.
void TExtStringGrid::KeepRowOnShownData(Integer RealRow) {
    if (RealRow < 0 || LastDataRow() < TBaseGrid::FixedRows()) return;
    const Integer D = std::clamp(DisplRowIndex(RealRow), TBaseGrid::FixedRows(), LastDataRow());
    if (D != Row()) TBaseGrid::SetRow(D);
}

void TExtStringGrid::UnHideRows(Integer AFromRow, Integer AToRow) {
    if (!IsHiddenRow(AFromRow)) return;
    // Shown by name: the filter holds them back no longer, whatever nodes do later.
    for (Integer R = std::max(0, AFromRow); R <= AToRow && R < Integer(FFilteredRows.size()); ++R) FFilteredRows[size_t(R)] = 0;
    ShowHiddenRows(AFromRow, AToRow);
}

void TExtStringGrid::ShowHiddenRows(Integer AFromRow, Integer AToRow) {
    if (!IsHiddenRow(AFromRow)) return;
    EndEditBeforeLayoutChange();
    FRowMap->UnHideRows(AFromRow, AToRow);
    const Integer D = DisplRowIndex(AFromRow);
    if (ColCount() >= 2 && D < RowCount())
        if (TControl* C = CellControl(1, D)) {
            const TRect R = CellRect(1, D);
            C->SetBounds(R.Left, R.Top, R.Width(), R.Height());
            C->Show();
        }
    // An expanded node shown again shows its rows too: a node's state and its rows agree.
    for (Integer R = std::max(0, AFromRow); HasNodes() && R <= AToRow && R < AllRowCount(); ++R)
        if (const TCellGraphic* G = NodeAtReal(R); G && !G->CellBoolean() && !IsHiddenRow(R)) ShowNodeRows(R);
}

void TExtStringGrid::UnHideRowsAll() {
    FFilteredRows.clear();   // every row asked for by name
    ShowAllRows();
}

void TExtStringGrid::ShowAllRows() {
    EndEditBeforeLayoutChange();
    FRowMap->UnHideRowsAll();
    // Every row is shown: no node holds its rows in any more.
    if (HasNodes())
        for (Integer R = TBaseGrid::FixedRows(); R < RowCount(); ++R)
            if (TCellGraphic* G = NodeGraphic(R)) G->SetCellBoolean(false);
}

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
    return FilterPasses([&](const TFilterData* F) { return F->Data() ? RawCells(F->Column(), ARow) : Cells(F->Column(), ARow); });
}

bool TExtStringGrid::FilterPasses(const std::function<AnsiString(const TFilterData*)>& ATextOf) const {
    bool Result = true;
    for (Integer I = 0; I < FFilter->Count(); ++I) {
        const TFilterData* F = FFilter->Items(I);
        // The search highlight's markup is no part of the text filtered on.
        AnsiString Text = UnHiLight(SearchedText(ATextOf(F)), "hi");
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
    if (Value != FFilterActive) EndEditBeforeLayoutChange();   // the filter reads the checked value
    if (Value != FFilterActive) {
        FFilteredRows.clear();
        if (Value) {
            FFixedRowsMem = TBaseGrid::FixedRows();
            TUpdateScope Update(this);
            std::vector<Integer> Fail;
            const Integer First = TBaseGrid::FixedRows();
            const Integer Last = RowCount() - FFixedFooters - 1;
            const Integer Total = RowCount() - FFixedFooters - First;
            try {
                FFilteredRows.assign(size_t(AllRowCount()), 0);
                for (Integer R = First; R <= Last; ++R) {
                    if (!RowMatchesFilter(R)) Fail.push_back(R), FFilteredRows[size_t(RealRowIndex(R))] = 1;
                    if (OnFilterProgress && Total >= 1)
                        FireEvent(OnFilterProgress, this, Integer(std::lround(double(R - First + 1) / Total * 100.0)));
                }
                // Rows a contracted node or HideRows holds are judged now too, by their stored
                // texts: nothing asks the filter again while it is on.
                for (Integer R = First; R < AllRowCount(); ++R)
                    if (TStringList* L = HiddenRowItems(R))
                        FFilteredRows[size_t(R)] = !FilterPasses([&](const TFilterData* F) {
                            return F->Column() < L->Count() ? L->Strings(F->Column()) : AnsiString();
                        });
            } catch (...) {
                FFilteredRows.clear();
                Update.End();
                throw;
            }
            // The framework keeps one row beyond the fixed ones: when every data row
            // fails, the rows are still hidden and the grid shows only its fixed rows.
            HideRowList(Fail);
            if (OnFilterProgress) FireEvent(OnFilterProgress, this, 100);
            Update.End();
            FFilterActive = true;
            FParked = false;
        } else {
            // The rows the filter hid come back; a contracted node keeps its rows in.
            std::vector<const TCellGraphic*> Contracted;
            for (Integer R = 0; HasNodes() && R < AllRowCount(); ++R)
                if (const TCellGraphic* G = NodeAtReal(R); G && G->CellBoolean()) Contracted.push_back(G);
            TUpdateScope Update(this);
            ShowAllRows();
            CloseNodes(Contracted);
            Update.End();
            if (FFixedRowsMem < RowCount()) TBaseGrid::SetFixedRows(FFixedRowsMem);
            FFilterActive = false;
            RestoreSelection();
        }
    }
    RecalcAllFooters();
}

// --- per-row records ----------------------------------------------------------------
// Every road that inserts, removes or moves rows (InsertRows, RemoveRowsEx, the Insert
// and Delete keys, MoveRow and the row drag, grouping, node rows, drops) passes here, so
// that what the grid keeps per row follows its row: the hidden rows, the row marks and
// modified marks (by real row), the node spans (in real rows), the order before sorting,
// the cells chosen one by one and the controls placed in cells. The cells with their
// properties and heights are moved by the caller.
namespace {

void InsertFlags(std::vector<Byte>& L, Integer AAt, Integer ACount) {
    if (AAt < Integer(L.size())) L.insert(L.begin() + AAt, size_t(ACount), Byte(0));
}

void EraseFlag(std::vector<Byte>& L, Integer AAt) {
    if (AAt >= 0 && AAt < Integer(L.size())) L.erase(L.begin() + AAt);
}

// Where index I goes when the item at AFrom is taken out and put in at ATo.
Integer FollowMove(Integer I, Integer AFrom, Integer ATo) {
    if (I == AFrom) return ATo;
    if (AFrom < ATo && I > AFrom && I <= ATo) return I - 1;
    if (AFrom > ATo && I >= ATo && I < AFrom) return I + 1;
    return I;
}

void MoveFlag(std::vector<Byte>& L, Integer AFrom, Integer ATo) {
    if (std::max(AFrom, ATo) >= Integer(L.size())) L.resize(size_t(std::max(AFrom, ATo)) + 1, 0);
    const Byte F = L[size_t(AFrom)];
    L.erase(L.begin() + AFrom);
    L.insert(L.begin() + ATo, F);
}

}  // namespace

TCellProperties* TExtStringGrid::Col0PropertiesAtReal(Integer ARealRow) {
    if (TStringList* L = HiddenRowItems(ARealRow)) return L->Count() > 0 ? dynamic_cast<TCellProperties*>(L->Objects(0)) : nullptr;
    const Integer D = DisplRowIndex(ARealRow);
    return D >= 0 && D < RowCount() ? CellPropertiesOrNil(0, D) : nullptr;
}

TCellGraphic* TExtStringGrid::NodeAtReal(Integer ARealRow) {
    if (TStringList* L = HiddenRowItems(ARealRow)) {
        TObject* O = L->Count() > 0 ? L->Objects(0) : nullptr;
        if (auto* P = dynamic_cast<TCellProperties*>(O)) O = P->KeptObject();
        auto* G = dynamic_cast<TCellGraphic*>(O);
        return G && G->CellType() == ctNode ? G : nullptr;
    }
    return NodeGraphic(DisplRowIndex(ARealRow));
}

void TExtStringGrid::RowRecordsInserted(Integer ADisplRow, Integer ACount) {
    // Real rows at or after the insertion move down; hidden rows right above it stay.
    const Integer At = RealRowIndex(ADisplRow);
    // A node whose rows the new ones land among (after its own row, before its last) grows.
    Integer Level = 0;
    if (HasNodes())
        for (Integer R = 0; R < At; ++R)
            if (TCellGraphic* G = NodeAtReal(R); G && G->CellIndex() > 0 && At < R + G->CellIndex()) {
                G->SetCellIndex(G->CellIndex() + ACount);
                ++Level;
            }
    InsertFlags(FRowSelect, At, ACount);
    InsertFlags(FRowMarks, At, ACount);
    InsertFlags(FFilteredRows, At, ACount);
    InsertFlags(FDragRows, At, ACount);
    if (At <= Integer(FGroupColObjects.size()) && !FGroupColObjects.empty())
        FGroupColObjects.insert(FGroupColObjects.begin() + At, size_t(ACount), nullptr);
    // New rows come before the row they were put in front of in the order before sorting.
    if (!FUnsortedOrder.empty()) EnsureUnsortedOrder(AllRowCount() - ACount);
    if (Integer(FUnsortedOrder.size()) == AllRowCount() - ACount) {
        const Integer Key = At < Integer(FUnsortedOrder.size())
                                ? FUnsortedOrder[size_t(At)]
                                : Integer(FUnsortedOrder.size()) + ACount;
        for (Integer& U : FUnsortedOrder)
            if (U >= Key) U += ACount;
        FUnsortedOrder.insert(FUnsortedOrder.begin() + std::min(At, Integer(FUnsortedOrder.size())), size_t(ACount), Key);
    }
    FRowMap->RowsInserted(ADisplRow, ACount);
    if (Level > 0)
        for (Integer R = ADisplRow; R < ADisplRow + ACount && R < RowCount(); ++R)
            GetCellProperties(0, R)->SetNodeLevel(Level);
    std::set<std::pair<Integer, Integer>> Cells;
    for (const auto& [C, R] : FSelectedCells) Cells.insert({C, R >= At ? R + ACount : R});
    FSelectedCells = std::move(Cells);
    for (TGridCoord* F : FollowedCells())
        if (F->Y >= At) F->Y += ACount;
}

void TExtStringGrid::RowRecordsRemoved(Integer ADisplRow, Integer ACount) {
    std::vector<Integer> Gone;   // real rows, ascending
    for (Integer D = ADisplRow; D < ADisplRow + ACount; ++D) Gone.push_back(RealRowIndex(D));
    if (HasNodes() && !Gone.empty())
        for (Integer R = 0; R < Gone.back(); ++R) {
            TCellGraphic* G = NodeAtReal(R);
            if (!G || G->CellIndex() <= 0 || std::binary_search(Gone.begin(), Gone.end(), R)) continue;
            const auto Inside = std::count_if(Gone.begin(), Gone.end(),
                                              [&](Integer X) { return X > R && X < R + G->CellIndex(); });
            G->SetCellIndex(std::max(1, G->CellIndex() - Integer(Inside)));
        }
    if (!FUnsortedOrder.empty()) EnsureUnsortedOrder();
    const bool Order = Integer(FUnsortedOrder.size()) == AllRowCount();
    for (auto It = Gone.rbegin(); It != Gone.rend(); ++It) {
        EraseFlag(FRowSelect, *It);
        EraseFlag(FRowMarks, *It);
        EraseFlag(FFilteredRows, *It);
        EraseFlag(FDragRows, *It);
        if (Order) FUnsortedOrder.erase(FUnsortedOrder.begin() + *It);
        if (*It < Integer(FGroupColObjects.size())) {
            FreeHiddenCellObjects({FGroupColObjects[size_t(*It)]});
            FGroupColObjects.erase(FGroupColObjects.begin() + *It);
        }
    }
    FRowMap->RowsRemoved(ADisplRow, ACount);
    std::set<std::pair<Integer, Integer>> Cells;
    for (const auto& [C, R] : FSelectedCells)
        if (!std::binary_search(Gone.begin(), Gone.end(), R))
            Cells.insert({C, R - Integer(std::lower_bound(Gone.begin(), Gone.end(), R) - Gone.begin())});
    FSelectedCells = std::move(Cells);
    for (TGridCoord* F : FollowedCells())
        if (std::binary_search(Gone.begin(), Gone.end(), F->Y)) F->Y = -1;   // its cell went
        else if (F->Y >= 0) F->Y -= Integer(std::lower_bound(Gone.begin(), Gone.end(), F->Y) - Gone.begin());
}

// Before the framework moves the row's cells: the records still name the rows as they were.
void TExtStringGrid::RowRecordsMoved(Integer AFrom, Integer ATo) {
    const Integer RealFrom = RealRowIndex(AFrom);
    if (!FUnsortedOrder.empty()) EnsureUnsortedOrder();
    std::vector<std::pair<Integer, TCellGraphic*>> Nodes;   // real row, node
    bool MovedNode = false;
    if (HasNodes())
        for (Integer R = 0; R < AllRowCount(); ++R)
            if (TCellGraphic* G = NodeAtReal(R)) {
                Nodes.emplace_back(R, G);
                MovedNode = MovedNode || R == RealFrom;
            }
    // A node's own row leaves its rows behind: they are no longer inside it.
    TCellGraphic* Moved = MovedNode ? NodeAtReal(RealFrom) : nullptr;
    if (Moved && Moved->CellIndex() > 0)
        for (Integer R = RealFrom + 1; R < RealFrom + Moved->CellIndex() && R < AllRowCount(); ++R)
            if (TCellProperties* P = Col0PropertiesAtReal(R)) P->SetNodeLevel(std::max(0, P->NodeLevel() - 1));
    FRowMap->RowsRemoved(AFrom, 1);
    FRowMap->RowsInserted(ATo, 1);
    const Integer RealTo = RealRowIndex(ATo);
    MoveFlag(FRowSelect, RealFrom, RealTo);
    MoveFlag(FRowMarks, RealFrom, RealTo);
    if (!FFilteredRows.empty()) MoveFlag(FFilteredRows, RealFrom, RealTo);
    if (!FDragRows.empty()) MoveFlag(FDragRows, RealFrom, RealTo);
    if (std::max(RealFrom, RealTo) < Integer(FGroupColObjects.size())) {
        TObject* O = FGroupColObjects[size_t(RealFrom)];
        FGroupColObjects.erase(FGroupColObjects.begin() + RealFrom);
        FGroupColObjects.insert(FGroupColObjects.begin() + RealTo, O);
    }
    // The rows' places before sorting travel with them, so undoing a sort still gives
    // the order from before it.
    if (Integer(FUnsortedOrder.size()) == AllRowCount()) {
        const Integer U = FUnsortedOrder[size_t(RealFrom)];
        FUnsortedOrder.erase(FUnsortedOrder.begin() + RealFrom);
        FUnsortedOrder.insert(FUnsortedOrder.begin() + RealTo, U);
    }
    std::set<std::pair<Integer, Integer>> Cells;
    for (const auto& [C, R] : FSelectedCells) Cells.insert({C, FollowMove(R, RealFrom, RealTo)});
    FSelectedCells = std::move(Cells);
    for (TGridCoord* F : FollowedCells())
        if (F->Y >= 0) F->Y = FollowMove(F->Y, RealFrom, RealTo);
    // A row leaves the groups it was inside and joins those it lands inside; a node row
    // does so too, holding only itself from now on.
    if (Nodes.empty()) return;
    Integer Level = Moved && Moved->CellIndex() > 0 ? 1 : 0;
    if (Level > 0) Moved->SetCellIndex(1);
    for (auto& [H, G] : Nodes) {
        Integer Span = G->CellIndex();
        if (Span <= 0 || G == Moved) continue;
        if (H < RealFrom && RealFrom < H + Span) --Span;
        const Integer Head = H > RealFrom ? H - 1 : H;
        if (Head < RealTo && RealTo < Head + Span) {
            ++Span;
            ++Level;
        }
        G->SetCellIndex(Span);
    }
    if (Level > 0 || CellPropertiesOrNil(0, AFrom)) GetCellProperties(0, AFrom)->SetNodeLevel(Level);
}

// A merge that the moved row or column leaves, or lands inside, no longer holds together:
// it is split, so that every cell shows its own value again. A merge moved whole or only
// shifted stays.
void TExtStringGrid::SplitMergesBrokenByMove(bool ARows, const std::function<Integer(Integer)>& AFollow,
                                             const std::function<bool(Integer, Integer)>& AHiddenBaseTorn) {
    std::vector<TPoint> Broken;
    for (const TCellProperties* P : AllCellProperties()) {
        const Integer C = P->OwnerCol(), R = P->OwnerRow();
        // Each merge once, as it shows: from its first shown cell, over its shown rows (the
        // properties of hidden rows wait elsewhere).
        if (C < 0 || R < 0 || C >= ColCount() || R >= RowCount() || CellPropertiesOrNil(C, R) != P ||
            BaseCell(C, R) != Point(C, R))
            continue;
        const bool HiddenBase = ShowsHiddenBase(C, R);
        if (!HiddenBase && !IsMergedCell(C, R)) continue;
        const Integer Span = ARows ? CellSpan(C, R).Y : CellSpan(C, R).X;
        bool Torn = false;
        for (Integer I = ARows ? R : C, Last = I + Span; I < Last && !Torn; ++I) Torn = AFollow(I + 1) != AFollow(I) + 1;
        // A hidden base row stays where it is while its shown rows go, and a row that lands
        // between it and the first shown row lands inside the merge: the caller knows where.
        if (ARows && HiddenBase && !Torn) Torn = AFollow(R) < 0 || (AHiddenBaseTorn && AHiddenBaseTorn(R, Span));
        if (Torn) Broken.push_back(Point(C, R));
    }
    for (const TPoint& B : Broken) SplitCells(B.X, B.Y);
}

// ACount rows or columns inserted at AAt, or (ACount < 0) removed from there.
void TExtStringGrid::SplitMergesAround(bool ARows, Integer AAt, Integer ACount) {
    // Rows inserted at a merge's first shown row come after its hidden base row.
    SplitMergesBrokenByMove(ARows, [&](Integer I) {
        if (I < AAt) return I;
        if (ACount >= 0) return I + ACount;
        return I < AAt - ACount ? -2 - I : I + ACount;   // a removed one joins nothing
    }, [&](Integer First, Integer) { return ACount > 0 && AAt == First; });
}

void TExtStringGrid::MoveRow(Integer FromIndex, Integer ToIndex) {
    if (FromIndex >= 0 && FromIndex < RowCount() && ToIndex >= 0 && ToIndex < RowCount() && FromIndex != ToIndex &&
        GetNodeState(FromIndex)) {
        const Integer Before = RowCount(), RealFrom = RealRowIndex(FromIndex), RealTo = RealRowIndex(ToIndex);
        ExpandNode(RealFrom);
        // The same rows as the caller meant: with ExpandOne, nodes above may have closed too.
        if (ToIndex > FromIndex) ToIndex += RowCount() - Before;
        if (!IsHiddenRow(RealTo)) ToIndex = DisplRowIndex(RealTo);
        FromIndex = DisplRowIndex(RealFrom);
        ToIndex = std::min(ToIndex, RowCount() - 1);
    }
    TBaseGrid::MoveRow(FromIndex, ToIndex);
}

void TExtStringGrid::MoveRowData(Integer FromIndex, Integer ToIndex) {
    EndEditBeforeLayoutChange();
    // A row taken out of a merge's shown rows leaves its hidden base row behind; one put in
    // right after that row (it stays under the row above it) lands inside.
    SplitMergesBrokenByMove(true, [&](Integer I) { return FollowMove(I, FromIndex, ToIndex); },
                            [&](Integer First, Integer Span) {
                                return (FromIndex >= First && FromIndex <= First + Span) ||
                                       ToIndex == First - (FromIndex < First ? 1 : 0);
                            });
    const std::vector<TCellProperties*> Merged = ShownMergeCells();
    RowRecordsMoved(FromIndex, ToIndex);
    TBaseGrid::MoveRowData(FromIndex, ToIndex);
    // The cells know their new rows before the merges count their spans from them.
    for (Integer R = std::min(FromIndex, ToIndex); R <= std::max(FromIndex, ToIndex); ++R)
        for (Integer C = 0; C < ColCount(); ++C)
            if (auto* P = dynamic_cast<TCellProperties*>(RawObjects(C, R))) P->SetOwnerRow(R);
    RealignMergeCells(Merged);
}

void TExtStringGrid::MoveColData(Integer FromIndex, Integer ToIndex) {
    EndEditBeforeLayoutChange();
    SplitMergesBrokenByMove(false, [&](Integer I) { return FollowMove(I, FromIndex, ToIndex); });
    TBaseGrid::MoveColData(FromIndex, ToIndex);
}

void TExtStringGrid::RowMoved(Integer FromIndex, Integer ToIndex) {
    // The current cell stays on its data, as it does for a moved column.
    if (const Integer R = FollowMove(Row(), FromIndex, ToIndex); R != Row()) {
        TMovingScope Moving(this, FMoving);
        FocusCell(Col(), R, true);
    }
    UpdateCellControls();
    TBaseGrid::RowMoved(FromIndex, ToIndex);
}

void TExtStringGrid::ColumnRecordsMoved(Integer AFrom, Integer ATo) {
    auto Follow = [&](Integer C) { return FollowMove(C, AFrom, ATo); };
    FSortSettings->SetColumn(Follow(FSortSettings->Column()));
    for (Integer& E : FSortIndexes) E = Integer((Cardinal(E) & 0x80000000u) | Cardinal(Follow(E & 0x7FFFFFFF)));
    for (auto& [Col, Kind] : FFooterKinds) Col = Follow(Col);
    FRowMap->ColMoved(AFrom, ATo);
    if (Integer(FColSelect.size()) > std::min(AFrom, ATo)) MoveFlag(FColSelect, AFrom, ATo);
    auto Layout = [&](Integer C) { return FGroupColumn >= 0 && C >= FGroupColumn ? C + 1 : C; };
    if (Integer(FKeptWidths.size()) > std::min(Layout(AFrom), Layout(ATo))) MoveFlag(FKeptWidths, Layout(AFrom), Layout(ATo));
    ColumnOrder();
    const Integer Order = FColumnOrder[size_t(AFrom)];
    FColumnOrder.erase(FColumnOrder.begin() + AFrom);
    FColumnOrder.insert(FColumnOrder.begin() + ATo, Order);
    std::set<std::pair<Integer, Integer>> Cells;
    for (const auto& [C, R] : FSelectedCells) Cells.insert({Follow(C), R});
    FSelectedCells = std::move(Cells);
    for (TGridCoord* F : FollowedCells())
        if (F->X >= 0) F->X = Follow(F->X);
    for (Integer C = std::min(AFrom, ATo); C <= std::max(AFrom, ATo); ++C)
        for (Integer R = 0; R < RowCount(); ++R)
            if (auto* P = dynamic_cast<TCellProperties*>(RawObjects(C, R))) P->SetOwnerCol(C);
    // The current cell stays on its data: the next edit goes into the column it was in.
    if (const Integer C = Follow(Col()); C != Col()) {
        TMovingScope Moving(this, FMoving);
        FocusCell(C, Row(), true);
    }
    UpdateCellControls();
    Invalidate();
}

const std::vector<Integer>& TExtStringGrid::ColumnOrder() {
    if (Integer(FColumnOrder.size()) != ColCount()) ResetColumnOrder();
    return FColumnOrder;
}

void TExtStringGrid::ResetColumnOrder() {
    FColumnOrder.resize(size_t(std::max(0, ColCount())));
    std::iota(FColumnOrder.begin(), FColumnOrder.end(), 0);
}
