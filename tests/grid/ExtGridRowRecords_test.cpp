// What the grid keeps per row and column follows rows and columns through keys, drags and calls.
#include "grid/ExtGrid.h"

#include "grid/GridTestKit.h"
#include "platform/ui/Clipbrd.h"

#include <gtest/gtest.h>

#include <functional>

using namespace gridtest;
using namespace uitest;

namespace {

using V = std::vector<AnsiString>;
using Ints = std::vector<Integer>;

// Rows r1 .. r6 in column 1 under one header row; the Insert and Delete keys on.
struct TRowsForm : TEditingGrid {
    TRowsForm() : TEditingGrid(5, 7, false) {
        for (Integer R = 1; R < 7; ++R) Grid->SetCells(1, R, "r" + IntToStr(R));
        Grid->Navigation()->SetAllowInsertRow(true);
        Grid->Navigation()->SetAllowDeleteRow(true);
    }
    void Drag(QPoint From, QPoint To) {
        for (const auto& [T, P] : {std::pair{QEvent::MouseButtonPress, From}, {QEvent::MouseMove, (From + To) / 2},
                                   {QEvent::MouseMove, To}, {QEvent::MouseButtonRelease, To}})
            LeftMouse(Grid->Widget(), T, P);
    }
    TEdit* CellEdit(Integer ACol, Integer ARow) {   // a control placed in the cell
        auto* E = new TEdit(Form.get());
        E->SetParent(Grid);
        Grid->GetCellProperties(ACol, ARow)->SetControl(E);
        return E;
    }
    // Column 1 of the data rows, hidden ones shown first unless Shown.
    V Col1(bool Shown = false) {
        if (!Shown) Grid->UnHideRowsAll();
        V Out;
        for (Integer R = 1; R < Grid->RowCount(); ++R) Out.push_back(Grid->Cells(1, R));
        return Out;
    }
};

}  // namespace

using ExtGridRowRecords = TGridFormTest<TRowsForm>;

// Down on the last data row appends above the footer row; Delete there never takes it.
TEST_F(ExtGridRowRecords, DeleteOnTheLastDataRowNeverTakesTheFooterRow) {
    for (const bool Floating : {true, false}) {
        TRowsForm F;
        if (Floating) F.Grid->FloatingFooter()->SetVisible(true);
        else F.Grid->SetFixedFooters(1);
        F.Grid->Navigation()->SetAppendOnArrowDown(true);
        F.Grid->SetCells(1, 6, "total");
        F.Grid->SetRow(5);
        F.Key(Qt::Key_Down);
        EXPECT_EQ((V{"r1", "r2", "r3", "r4", "r5", "", "total"}), F.Col1()) << Floating;
        F.Key(Qt::Key_Delete);
        EXPECT_EQ(5, F.Grid->Row()) << Floating;   // the new last data row, not the footer row
        for (int K = 0; K < 2; ++K) F.Key(Qt::Key_Delete);
        EXPECT_EQ((V{"r1", "r2", "r3", "total"}), F.Col1()) << Floating;
    }
}

// The keys and MoveRow keep hidden rows, marks and node groups in step.
TEST_F(ExtGridRowRecords, InsertDeleteAndMovedRowsKeepHiddenRowsMarksAndNodeGroups) {
    TExtStringGrid* G = F.Grid;
    G->MouseActions()->SetDisjunctRowSelect(true);
    G->AddNode(4, 2);             // r4 with r5
    G->HideRow(3);                // r3
    G->SetRowSelected(5, true);   // r6, shown at 5
    G->SetRow(1);
    for (int K = 0; K < 2; ++K) F.Key(Qt::Key_Insert);
    G->SetRow(3);   // r1
    F.Key(Qt::Key_Delete);
    G->SetRow(5);   // r5, inside the group
    F.Key(Qt::Key_Insert);
    G->Navigation()->SetInsertPosition(pInsertAfter);
    G->SetRow(6);   // r5, the group's last row
    F.Key(Qt::Key_Insert);
    EXPECT_EQ((Ints{4, 4}), (Ints{G->GetNodeSpan(4), G->GetParentRow(7)}));
    F.Key(Qt::Key_Delete);
    G->RemoveSelectedRows();
    EXPECT_EQ((V{"", "", "r2", "r3", "r4", "", "r5"}), F.Col1());
    G->MoveRow(1, 5);   // into the group (a press on column 0 of a grid with nodes drags nothing)
    G->MoveRow(6, 2);   // r4's empty row out of it
    EXPECT_EQ((Ints{3, 5}), (Ints{G->GetNodeSpan(5), G->GetParentRow(6)}));
}

TEST_F(ExtGridRowRecords, ARowDragCarriesHiddenRowsMarksSortOrderControlsAndTheCurrentRow) {
    TExtStringGrid* G = F.Grid;
    F.Options({goRowMoving});
    G->SortSettings()->SetShow(true);
    G->SortSettings()->SetUndoSort(true);
    G->MouseActions()->SetDisjunctRowSelect(true);
    auto* E = new TEdit(F.Form.get());
    E->SetParent(G);
    G->GetCellProperties(2, 2)->SetControl(E);   // on r2
    for (Integer R = 1; R < 7; ++R) G->SetCells(3, R, IntToStr(7 - R));
    for (int K = 0; K < 2; ++K) G->ClickSort(3, false);   // descending, then r1 .. r6 again
    G->HideRow(4);                    // r4
    G->SetRowSelected(3, true);       // r3
    G->SetRow(2);
    F.Drag(F.Centre(0, 2), F.Centre(0, 4));   // r2 after r5
    EXPECT_EQ((Ints{4, G->CellRect(2, 4).Top}), (Ints{G->Row(), E->Top()}));
    G->RemoveSelectedRows();
    EXPECT_EQ((V{"r1", "r5", "r2", "r6"}), F.Col1(true));
    G->UnHideRowsAll();
    G->ClickSort(3, false);   // undo: the order before the first sort
    EXPECT_EQ((V{"r1", "r2", "r4", "r5", "r6"}), F.Col1());
}

// Marks are kept by real row: hiding rows (a row, as contracting a node does, the filter)
// moves the rows under them, never the marks, which copy, cut and the row check boxes find.
TEST_F(ExtGridRowRecords, MarksAndChosenCellsStayOnTheirRowsWhileOthersAreHidden) {
    TExtStringGrid* G = F.Grid;
    G->Navigation()->SetAllowClipboardShortCuts(true);
    G->MouseActions()->SetDisjunctRowSelect(true);
    G->MouseActions()->SetHotmailRowSelect(true);
    Click(G, F.Centre(2, 4));   // r4
    G->SetSelectedCell(3, 4, true);
    G->HideRow(3);   // r4 is shown at 3
    bool Checked = false;
    EXPECT_TRUE(G->GetCheckBoxState(0, 3, Checked) && Checked && G->SelectedCell(3, 3));
    G->Filter()->Add()->SetColumn(1);
    G->Filter()->Items(0)->SetCondition("!r1");
    G->SetFilterActive(true);   // r1 too: r4 is shown at 2
    G->MouseActions()->SetRowSelectPersistent(true);
    F.Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(Clipboard()->AsText().find("r4") != AnsiString::npos && Clipboard()->AsText().find("r5") == AnsiString::npos);
    F.Key(Qt::Key_X, Qt::ControlModifier);
    G->RemoveSelectedRows();
    G->SetFilterActive(false);
    EXPECT_EQ((V{"r1", "r2", "r3", "r5", "r6"}), F.Col1());
}

TEST_F(ExtGridRowRecords, ColumnsMovedInsertedOrRemovedCarryTheCurrentCellMarksSortColumnAndOrder) {
    TExtStringGrid* G = F.Grid;
    F.Options({goColMoving});
    for (const auto& [C, R] : {std::pair{1, 2}, {3, 3}}) G->SetSelectedCell(C, R, true);
    F.Drag(F.Centre(1, 0), F.Centre(3, 0));       // column 1 goes to 3
    EXPECT_EQ(3, G->Col());
    EXPECT_TRUE(G->SelectedCell(3, 2) && G->SelectedCell(2, 3) && !G->SelectedCell(1, 2));
    EXPECT_EQ((Ints{0, 2, 3, 1, 4}), G->ColumnOrder());
    G->MoveColumn(4, 1);   // the chosen cells go to (4, 2), (3, 3)
    G->ResetColumnOrder();
    EXPECT_EQ((Ints{0, 1, 2, 3, 4}), G->ColumnOrder());
    G->SetColSelected(4, true);
    G->SortSettings()->SetColumn(4);
    G->InsertCols(1, 1);
    EXPECT_TRUE(G->ColSelected(5) && !G->ColSelected(4) && G->SelectedCell(5, 2) && G->SortSettings()->Column() == 5);
    G->RemoveCols(5, 1);
    EXPECT_EQ((Ints{0, -1, 1}), (Ints{G->ColSelected(4), G->SortSettings()->Column(), G->SelectedCellCount()}));
    G->MouseActions()->SetDisjunctRowSelect(true);
    G->SetRowSelected(3, true);
    G->SetColSelected(4, true);
    for (const auto& [Rows, Cols] : {std::pair{3, 4}, {7, 5}}) {   // cut off by the counts, then added back
        G->SetRowCount(Rows);
        G->SetColCount(Cols);
    }
    EXPECT_EQ((Ints{0, 0, 0}), (Ints{G->RowSelected(3), G->ColSelected(4), G->SelectedCellCount()}));
    TEdit* E = F.CellEdit(3, 1);
    G->InsertCols(1, 1);   // the control's cell goes to column 4
    EXPECT_EQ(G->CellRect(4, 1).Left, E->Left());
}

// A sort carries modified marks, controls and (with the row marks) chosen cells; rows
// added through RowCount keep the order before it.
TEST_F(ExtGridRowRecords, ASortCarriesMarksControlsAndTheOrderBeforeIt) {
    F.Options({goEditing});
    G->ShowModified()->SetEnabled(true);
    G->Navigation()->SetMoveRowOnSort(true);
    G->SortSettings()->SetShow(true);
    G->SortSettings()->SetUndoSort(true);
    for (Integer R = 1; R < 7; ++R) G->SetCells(3, R, IntToStr(R));
    F.Edit(2, 2);   // r2
    TypeText(u"x");
    PressEnter();
    G->SetSelectedCell(4, 2, true);
    TEdit* E = F.CellEdit(1, 2);
    for (int K = 0; K < 2; ++K) G->ClickSort(3, false);   // descending: r2 is shown at 5
    EXPECT_EQ((Ints{1, 1, G->CellRect(1, 5).Top}), (Ints{G->RowMarked(5), G->SelectedCell(4, 5), E->Top()}));
    G->AddRowAtEnd();
    G->InsertRows(1, 1);   // in front of r6 in the order before sorting
    G->ClickSort(3, false);   // undo
    EXPECT_EQ((V{"r1", "r2", "r3", "r4", "r5", "", "r6", ""}), F.Col1());
}

TEST_F(ExtGridRowRecords, ClosingWithRowsHiddenAndTheEditorOpen) {
    F.Options({goEditing});
    G->SetColors(2, 3, clRed);   // a hidden row with cell properties
    G->HideRows(3, 4);
    F.Edit(2, 1);
    F.Form.reset();
}

// What tears a merge apart splits it; a merge moved whole, or not reached, stays. The same merge
// shown at the same rows from under a hidden first row is torn too by rows landing below that row.
TEST_F(ExtGridRowRecords, WhatTearsAMergeApartSplitsIt) {
    const std::vector<std::pair<std::function<void(TRowsForm&)>, Integer>> Steps = {   // merged cells after
        {[](TRowsForm& F) { F.Grid->MoveColumn(4, 1); }, 4}, {[](TRowsForm& F) { F.Grid->InsertRows(3, 1); }, 4},
        {[](TRowsForm& F) { F.Grid->MoveColumn(3, 4); }, 0}, {[](TRowsForm& F) { F.Grid->MoveColumn(4, 3); }, 0},
        {[](TRowsForm& F) { F.Drag(F.Centre(0, 2), F.Centre(0, 5)); }, 0}, {[](TRowsForm& F) { F.Grid->SwapRows(1, 3); }, 0},
        {[](TRowsForm& F) { F.Grid->InsertCols(3, 1); }, 0}, {[](TRowsForm& F) { F.Grid->InsertRows(2, 1); }, 0},
        {[](TRowsForm& F) { F.Grid->RemoveCols(2, 1); }, 0}, {[](TRowsForm& F) { F.Grid->RemoveRowsEx(1, 1); }, 0},
        {[](TRowsForm& F) { F.Grid->SetColCount(3), F.Grid->SetColCount(5); }, 0}, {[](TRowsForm& F) { F.Grid->SetRowCount(2); }, 0},
        {[](TRowsForm& F) { F.Grid->InsertRows(1, 1); }, 4}, {[](TRowsForm& F) { F.Drag(F.Centre(0, 4), F.Centre(0, 1)); }, 4}};
    const Integer UnderHiddenRow[] = {6, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};   // merged cells once all rows show
    for (size_t I = 0; I < Steps.size() * 2; ++I) {
        TRowsForm F;
        F.Options({goRowMoving});
        F.Grid->MergeCells(2, 1, 2, 2 + I % 2);
        if (I % 2) F.Grid->HideRow(1);
        Steps[I / 2].first(F);
        F.Grid->UnHideRowsAll();
        Integer Merged = 0;
        for (Integer R = 0; R < F.Grid->RowCount(); ++R)
            for (Integer C = 0; C < F.Grid->ColCount(); ++C) Merged += F.Grid->IsMergedCell(C, R);
        EXPECT_EQ(I % 2 ? UnderHiddenRow[I / 2] : Steps[I / 2].second, Merged) << I;
    }
}

// Contracted nodes stay so when the filter goes off; a node row removed lets its rows out.
TEST_F(ExtGridRowRecords, ContractedNodesThroughTheFilterAndRemovedNodeRows) {
    G->AddNode(2, 3);   // r2 over r3, r4
    G->AddNode(5, 2);   // r5 over r6
    G->ContractNode(5);
    G->Filter()->Add()->SetColumn(1);
    G->Filter()->Items(0)->SetCondition("!r1");
    G->SetFilterActive(true);
    G->ContractNode(2);
    G->SetFilterActive(false);
    EXPECT_EQ((V{"r1", "r2", "r5"}), F.Col1(true));
    G->MouseActions()->SetDisjunctRowSelect(true);
    G->SetRowSelected(2, true);
    G->RemoveSelectedRows();
    G->RemoveRowsEx(4, 1);   // r5, shown after r3, r4
    EXPECT_EQ((V{"r1", "r3", "r4", "r6"}), F.Col1(true));
}

// Whole replacements and cuts leave nothing to come back; a cleared node's row lets its rows out.
TEST_F(ExtGridRowRecords, ReplacedOrClearedContentLeavesNothingToComeBack) {
    TExtStringGrid Other(nullptr);
    Other.SetColCount(5), Other.SetRowCount(3), Other.SetCells(1, 2, "o2");
    Other.MouseActions()->SetDisjunctRowSelect(true);
    const std::vector<std::pair<std::function<void(TExtStringGrid*)>, V>> Roads = {   // the last two: not whole
        {[](auto* G) { G->ClearAll(); }, V(6, "")}, {[&](auto* G) { G->Assign(&Other); }, V{"", "o2"}},   // through a load
        {[](auto* G) { G->SetRowCount(2); }, V{"r1"}}, {[](auto* G) { G->ClearRows(2, 1); }, V{"r1", "", "r3", "r4", "r5"}}};
    for (size_t I = 0; I < Roads.size(); ++I) {
        TRowsForm F;
        TExtStringGrid* G = F.Grid;
        G->MouseActions()->SetDisjunctRowSelect(true);
        G->SetRowSelected(1, true), G->MergeCells(3, 1, 2, 1);
        TEdit* E = F.CellEdit(2, 1);
        G->AddNode(2, 3), G->ContractNode(2), G->HideRow(6);   // r2 over r3, r4; r6 hidden alone stays so after a clear
        Roads[I].first(G);
        EXPECT_EQ((Ints{I == 3, 0}), (Ints{G->NumHiddenRows(), G->NodeCount()})) << I;
        EXPECT_EQ(Roads[I].second, F.Col1(I == 3)) << I;   // nothing comes back when all is shown
        if (I < 2) EXPECT_EQ(0, G->IsMergedCell(3, 1) + E->Visible() + G->RowSelected(1) + (G->CellControl(2, 1) != nullptr)) << I;
    }
}

// A node's own row dragged leaves its rows behind, shown, and joins the node it lands in.
TEST_F(ExtGridRowRecords, AMovedNodeRowLeavesItsRowsBehind) {
    F.Options({goRowMoving});
    G->SetFixedCols(2);   // a press on column 1 takes the row
    G->AddNode(1, 2), G->AddNode(3, 3), G->ContractNode(3);   // r1 over r2, r3 over r4 and r5
    F.Drag(F.Centre(1, 3), F.Centre(1, 2));                    // r3 after r1
    EXPECT_EQ((V{"r1", "r3", "r2", "r4", "r5", "r6"}), F.Col1(true));
    EXPECT_EQ((Ints{3, 1, -1}), (Ints{G->GetNodeSpan(1), G->GetNodeSpan(2), G->GetParentRow(4)}));
    G->ContractNode(2), G->ContractNode(1);
    EXPECT_EQ((V{"r1", "r4", "r5", "r6"}), F.Col1(true));
}

// Ungrouping gives the column back in its place with its cells, through a sort, a moved
// row, a removed row and a removed column while grouped; regrouping names columns as shown.
TEST_F(ExtGridRowRecords, UngroupingGivesBackTheColumnWithItsCells) {
    for (Integer R = 1; R < 7; ++R)
        for (const auto& [C, T] : {std::pair{2, "x" + IntToStr(R)}, {3, AnsiString(R % 2 ? "a" : "b")}, {4, IntToStr(R)}})
            G->SetCells(C, R, T);
    G->SetColors(3, 1, clRed);   // r1
    G->CreateCellGraphic(3, 4)->SetCellType(ctCheckBox);   // r4
    G->SetCheckBoxState(3, 4, true);
    G->Group(3);   // a: r1 r3 r5, b: r2 r4 r6; the numbers are shown at 3
    G->SortSettings()->SetColumn(3);
    G->SortSettings()->SetDirection(sdDescending);
    G->SortNodesByColumn();   // a: r5 r3 r1, b: r6 r4 r2
    G->MoveRow(4, 2);         // r1 to the top of its group
    G->RemoveRowsEx(3, 1);    // r5
    G->RemoveCols(2, 1);      // x1 .. x6
    G->UnGroup();
    bool Checked = false;
    EXPECT_EQ((V{"r1", "r3", "r6", "r4", "r2"}), F.Col1());
    EXPECT_EQ((V{"a", "b", "1"}), (V{G->Cells(2, 1), G->Cells(2, 4), G->Cells(3, 1)}));
    EXPECT_TRUE(G->Colors(2, 1) == clRed && G->GetCheckBoxState(2, 4, Checked) && Checked);
    G->Group(2);
    G->Group(2);   // grouping again names the column as shown: the numbers
    EXPECT_EQ((V{"6", "r6", "4", "r4", "3", "r3", "2", "r2", "1", "r1"}), F.Col1(true));   // descending
}

TEST_F(ExtGridRowRecords, GroupingInPlaceAndBackKeepsTheFooterTotal) {
    G->FloatingFooter()->SetVisible(true);   // on r6's row
    G->SetFooterCalcKind(3, 1);
    for (Integer R = 1; R < 6; ++R) G->SetCells(3, R, R < 3 ? "1" : "7");
    G->GroupInPlace(3);
    G->UngroupInPlace(3);
    EXPECT_EQ(23, G->Floats(3, 6));
}

// Grouping sorts by the column without the cursor following its row, yet the marked rows
// are the same ones after Group and UnGroup.
TEST_F(ExtGridRowRecords, RowMarksFollowTheirRowsThroughGroupAndUnGroup) {
    G->MouseActions()->SetDisjunctRowSelect(true);
    for (Integer R = 1; R < 7; ++R) G->SetCells(3, R, R % 2 ? "a" : "b");
    for (auto T : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})   // Ctrl-click on r2
        SendMouse(G->Widget(), T, F.Centre(2, 2), Qt::LeftButton, T == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::ControlModifier);
    G->Group(3);
    EXPECT_EQ((Ints{1, 0}), (Ints{G->RowSelected(6), G->RowSelected(3)}));   // a, r1 r3 r5, b, r2
    G->UnGroup();   // the rows stay sorted: r1 r3 r5 r2 r4 r6
    EXPECT_EQ((Ints{1, 1}), (Ints{G->RowSelected(4), G->RowSelectCount()}));
    EXPECT_EQ("r2", G->Cells(1, 4));
}
