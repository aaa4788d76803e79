// What the grid keeps per row and column follows rows and columns through keys, drags and calls.
#include "grid/ExtGrid.h"

#include "grid/GridTestKit.h"
#include "platform/ui/Clipbrd.h"

#include <gtest/gtest.h>

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

TEST_F(ExtGridRowRecords, DeleteOnTheLastDataRowNeverTakesTheFooterRow) {
    for (const bool Floating : {true, false}) {
        TRowsForm F;
        if (Floating) F.Grid->FloatingFooter()->SetVisible(true);
        else F.Grid->SetFixedFooters(1);
        F.Grid->SetCells(1, 6, "total");
        F.Grid->SetRow(5);
        F.Key(Qt::Key_Delete);
        EXPECT_EQ(4, F.Grid->Row()) << Floating;   // the new last data row, not the footer row
        for (int K = 0; K < 2; ++K) F.Key(Qt::Key_Delete);
        EXPECT_EQ((V{"r1", "r2", "total"}), F.Col1()) << Floating;
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
    auto* E = new TEdit(F.Form.get());
    E->SetParent(G);
    G->GetCellProperties(3, 1)->SetControl(E);
    G->InsertCols(1, 1);   // the control's cell goes to column 4
    EXPECT_EQ(G->CellRect(4, 1).Left, E->Left());
    G->RemoveCols(1, 2);
    EXPECT_EQ(G->CellRect(2, 1).Left, E->Left());
}

// A sort moves the modified marks and the cell controls with their rows; the chosen
// cells go with the row marks (when the sort moves the current row).
TEST_F(ExtGridRowRecords, ASortCarriesModifiedMarksControlsAndChosenCells) {
    TExtStringGrid* G = F.Grid;
    F.Options({goEditing});
    G->ShowModified()->SetEnabled(true);
    G->SortSettings()->SetShow(true);
    G->Navigation()->SetMoveRowOnSort(true);
    for (Integer R = 1; R < 7; ++R) G->SetCells(3, R, IntToStr(R));
    F.Edit(2, 2);   // r2
    TypeText(u"x");
    PressEnter();
    G->SetSelectedCell(4, 2, true);
    auto* E = new TEdit(F.Form.get());
    E->SetParent(G);
    G->GetCellProperties(1, 2)->SetControl(E);
    G->ClickSort(3, false);   // ascending: no change
    G->ClickSort(3, false);   // descending: r2 is shown at 5
    EXPECT_EQ((V{"r6", "r5", "r4", "r3", "r2", "r1"}), F.Col1(true));
    EXPECT_EQ(G->CellRect(1, 5).Top, E->Top());
    for (Integer R = 1; R < 7; ++R) EXPECT_EQ(R == 5, G->RowMarked(R) && G->SelectedCell(4, R)) << R;
}

// Closing a form whose grid hides rows while its editor is open.
TEST_F(ExtGridRowRecords, ClosingWithRowsHiddenAndTheEditorOpen) {
    F.Options({goEditing});
    G->SetColors(2, 3, clRed);   // a hidden row with cell properties
    G->HideRows(3, 4);
    F.Edit(2, 1);
    ASSERT_TRUE(G->EditorMode());
    F.Form.reset();
}

// Switching the filter off shows the rows it hid; a contracted node keeps its rows in.
TEST_F(ExtGridRowRecords, FilterOffKeepsContractedNodesContracted) {
    for (const bool ContractFirst : {true, false}) {
        TRowsForm F;
        TExtStringGrid* G = F.Grid;
        G->AddNode(2, 3);   // r2 over r3, r4
        if (ContractFirst) G->ContractNode(2);
        G->Filter()->Add()->SetColumn(1);
        G->Filter()->Items(0)->SetCondition("!r6");
        G->SetFilterActive(true);
        if (!ContractFirst) G->ContractNode(2);
        G->SetFilterActive(false);
        EXPECT_EQ((V{"r1", "r2", "r5", "r6"}), F.Col1(true)) << ContractFirst;
        EXPECT_TRUE(G->GetNodeState(2)) << ContractFirst;
        G->ExpandNode(2);
        EXPECT_EQ((V{"r1", "r2", "r3", "r4", "r5", "r6"}), F.Col1(true)) << ContractFirst;
    }
}
// A row or column moved out of a merge, or into one, splits it: every cell shows its
// own value again. A merge moved whole, or only shifted, stays.
TEST_F(ExtGridRowRecords, MovesThatBreakAMergeSplitIt) {
    auto Row2 = [&] {
        V Out;
        for (Integer C = 1; C < 5; ++C) Out.push_back(G->Cells(C, 2) + (G->IsMergedCell(C, 2) ? "+" : ""));
        return Out;
    };
    for (Integer C = 1; C < 5; ++C) G->SetCells(C, 2, "c" + IntToStr(C));
    G->MergeCells(1, 2, 2, 1);
    G->MoveColumn(4, 1);   // shifted whole
    EXPECT_EQ((V{"c4", "c1+", "c1+", "c3"}), Row2());
    G->MoveColumn(4, 3);   // lands inside
    EXPECT_EQ((V{"c4", "c1", "c3", "c2"}), Row2());
    G->MergeCells(2, 2, 2, 1);
    G->MoveColumn(2, 4);   // leaves it
    EXPECT_EQ((V{"c4", "c3", "c2", "c1"}), Row2());
    for (Integer R = 1; R < 7; ++R) G->SetCells(4, R, "v" + IntToStr(R));
    G->MergeCells(4, 3, 1, 2);
    F.Options({goRowMoving});
    F.Drag(F.Centre(0, 4), F.Centre(0, 6));   // a covered row dragged out
    auto Col4 = [&] {
        V Out;
        for (Integer R = 1; R < 7; ++R) Out.push_back(G->Cells(4, R) + (G->IsMergedCell(4, R) ? "+" : ""));
        return Out;
    };
    EXPECT_EQ((V{"v1", "v2", "v3", "v5", "v6", "v4"}), Col4());
    G->MergeCells(4, 1, 1, 2);
    G->SwapRows(2, 5);
    EXPECT_EQ((V{"v1", "v6", "v3", "v5", "v2", "v4"}), Col4());
}

// Rows added at the end after a sort (a larger RowCount) keep the order before it, and
// rows inserted later still find their places in it.
TEST_F(ExtGridRowRecords, UndoingASortAfterRowsWereAddedAtTheEnd) {
    G->SortSettings()->SetShow(true);
    G->SortSettings()->SetUndoSort(true);
    for (Integer R = 1; R < 7; ++R) G->SetCells(3, R, IntToStr(R % 3));
    G->ClickSort(3, false);
    G->AddRowAtEnd();
    G->SetCells(1, 7, "r7");
    G->InsertRows(1, 1);   // r0, in front of r3 (shown first) in the order before sorting
    G->SetCells(1, 1, "r0");
    G->ClickSort(3, false);   // descending
    G->ClickSort(3, false);   // the order before sorting
    EXPECT_EQ((V{"r1", "r2", "r0", "r3", "r4", "r5", "r6", "r7"}), F.Col1());
}

// Grouping again names a column as the grid shows it while grouped; ungrouping gives the
// rows and columns back.
TEST_F(ExtGridRowRecords, RegroupingNamesTheColumnAsShown) {
    G->SortSettings()->SetAutoSortForGrouping(false);
    for (Integer R = 1; R < 7; ++R) {
        G->SetCells(2, R, R < 4 ? "a" : "b");
        G->SetCells(3, R, R % 2 ? "x" : "y");
    }
    G->Group(2);
    ASSERT_EQ("x", G->Cells(2, 2));   // column 3 is shown at 2
    G->Group(2);                      // by x and y
    EXPECT_EQ((V{"x", "r1", "y", "r2", "x", "r3", "y", "r4", "x", "r5", "y", "r6"}), F.Col1(true));
    G->UnGroup();
    EXPECT_EQ((V{"r1", "r2", "r3", "r4", "r5", "r6"}), F.Col1());
    EXPECT_EQ("a", G->Cells(2, 1));
    EXPECT_EQ("y", G->Cells(3, 6));
}
// Rows or columns inserted inside a merge, or taken out of it, split it: every cell
// that stays shows its own value.
TEST_F(ExtGridRowRecords, InsertsAndRemovalsInsideAMergeSplitIt) {
    auto Cells = [&] {
        V Out;
        for (Integer R = 1; R < G->RowCount(); ++R)
            for (Integer C = 1; C < G->ColCount(); ++C) {
                const bool Merged = G->IsMergedCell(C, R), Covered = !G->IsBaseCell(C, R);
                if (Merged || Covered) Out.push_back(G->Cells(C, R) + (Merged ? "+" : "") + (Covered ? "^" : ""));
            }
        return Out;
    };
    G->SetRowCount(4);
    for (Integer R = 1; R < 4; ++R)
        for (Integer C = 1; C < 5; ++C) G->SetCells(C, R, AnsiString(1, char('a' + C)) + IntToStr(R));
    G->MergeCells(1, 1, 3, 1);   // b1 over c1, d1
    G->MergeCells(4, 1, 1, 3);   // e1 over e2, e3
    G->InsertCols(2, 1);
    G->InsertRows(4, 1);   // below the merge: it stays
    EXPECT_EQ((V{"e1+", "e1+^", "e1+^"}), Cells());
    G->InsertRows(2, 1);
    EXPECT_EQ(V{}, Cells());
    G->MergeCells(1, 1, 3, 1);   // b1 over the new column and c1
    G->MergeCells(5, 3, 1, 2);   // e2 over e3
    G->RemoveCols(1, 1);         // their base cells go
    G->RemoveRowsEx(3, 1);
    EXPECT_EQ(V{}, Cells());
    EXPECT_EQ((V{"c1", "e3"}), (V{G->Cells(2, 1), G->Cells(4, 3)}));
}

// A contracted node row removed (marked rows removed, a call) lets its rows out, as the
// Delete key does: they stay.
TEST_F(ExtGridRowRecords, RemovingAContractedNodeRowShowsItsRows) {
    G->MouseActions()->SetDisjunctRowSelect(true);
    G->AddNode(2, 3);   // r2 over r3, r4
    G->AddNode(5, 2);   // r5 over r6
    G->ContractNode(2);
    G->ContractNode(5);
    G->SetRowSelected(2, true);
    G->RemoveSelectedRows();
    G->RemoveRowsEx(4, 1);   // r5, shown after r3, r4
    EXPECT_EQ((V{"r1", "r3", "r4", "r6"}), F.Col1(true));
}

// Columns removed while grouped: the grouped column comes back in its place.
TEST_F(ExtGridRowRecords, TheGroupedColumnComesBackInItsPlace) {
    G->SortSettings()->SetAutoSortForGrouping(false);
    for (Integer R = 1; R < 7; ++R) {
        G->SetCells(2, R, "x" + IntToStr(R));
        G->SetCells(3, R, R < 4 ? "a" : "b");
        G->SetCells(4, R, "y" + IntToStr(R));
    }
    G->Group(3);
    G->RemoveCols(2, 1);   // x1 .. x6
    G->UnGroup();
    EXPECT_EQ((V{"r1", "a", "y1"}), (V{G->Cells(1, 1), G->Cells(2, 1), G->Cells(3, 1)}));
}

// The grouped column's cell colours and check boxes come back with their rows, through
// a sort, a moved row and a removed row while grouped.
TEST_F(ExtGridRowRecords, UngroupingGivesBackTheGroupedColumnsCells) {
    for (Integer R = 1; R < 7; ++R) {
        G->SetCells(2, R, R % 2 ? "a" : "b");
        G->SetCells(3, R, IntToStr(R));
    }
    G->SetColors(2, 1, clRed);   // r1
    G->CreateCellGraphic(2, 4)->SetCellType(ctCheckBox);   // r4
    G->SetCheckBoxState(2, 4, true);
    G->Group(2);   // a: r1 r3 r5, b: r2 r4 r6
    G->SortSettings()->SetColumn(2);   // the numbers, shown at 2 now
    G->SortSettings()->SetDirection(sdDescending);
    G->SortNodesByColumn();   // a: r5 r3 r1, b: r6 r4 r2
    G->MoveRow(4, 2);         // r1 to the top of its group
    G->RemoveRowsEx(3, 1);    // r5
    G->UnGroup();
    EXPECT_EQ((V{"r1", "r3", "r6", "r4", "r2"}), F.Col1());
    bool Checked = false;
    EXPECT_EQ(clRed, G->Colors(2, 1));
    EXPECT_TRUE(G->GetCheckBoxState(2, 4, Checked) && Checked);
    EXPECT_EQ("b", G->Cells(2, 4));
}

// Grouping in place and back leaves the footer total of the grouped column right.
TEST_F(ExtGridRowRecords, GroupingInPlaceKeepsTheFooterTotal) {
    G->FloatingFooter()->SetVisible(true);
    G->SetFooterCalcKind(2, 1);   // sum
    for (Integer R = 1; R < 6; ++R) G->SetCells(2, R, IntToStr(R < 3 ? 1 : 7));
    G->GroupInPlace(2);
    EXPECT_EQ(0, G->Floats(2, G->RowCount() - 1));   // the values wait in the headers
    G->UngroupInPlace(2);
    EXPECT_EQ(23, G->Floats(2, G->RowCount() - 1));
}
