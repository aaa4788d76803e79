// What the grid keeps per row and per column (hidden rows, marks, nodes, the order
// before sorting, controls in cells, chosen cells, the current cell) follows rows and
// columns through the keys, the drags and the grid's calls.
#include "grid/ExtGrid.h"

#include "grid/GridTestKit.h"
#include "platform/ui/Clipbrd.h"

#include <gtest/gtest.h>

#include <vector>

using namespace gridtest;
using namespace uitest;

namespace {

// Rows r1 .. r6 in column 1 under one header row.
struct TRowsForm : TGridOnForm<TExtStringGrid> {
    TRowsForm() : TGridOnForm(5, 7, 520, 300) {
        Grid->SetScrollBars(ssNone);
        Grid->SetDefaultColWidth(90);
        for (Integer R = 1; R < 7; ++R) Grid->SetCells(1, R, "r" + IntToStr(R));
        ShowFocused();
    }
    QPoint In(Integer ACol, Integer ARow) const {
        const TRect R = Grid->CellRect(ACol, ARow);
        return QPoint(R.Left + 20, (R.Top + R.Bottom) / 2);
    }
    void Drag(QPoint From, QPoint To) {
        Mouse(QEvent::MouseButtonPress, From, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseMove, QPoint((From.x() + To.x()) / 2, (From.y() + To.y()) / 2), Qt::NoButton, Qt::LeftButton);
        Mouse(QEvent::MouseMove, To, Qt::NoButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, To, Qt::LeftButton, Qt::NoButton);
    }
    // Column 1 of every row, hidden ones shown first.
    std::vector<AnsiString> All() {
        Grid->UnHideRowsAll();
        std::vector<AnsiString> V;
        for (Integer R = 1; R < Grid->RowCount(); ++R) V.push_back(Grid->Cells(1, R));
        return V;
    }
    void Click(Integer ACol, Integer ARow, Qt::KeyboardModifiers M = Qt::NoModifier) {
        Mouse(QEvent::MouseButtonPress, In(ACol, ARow), Qt::LeftButton, Qt::LeftButton, M);
        Mouse(QEvent::MouseButtonRelease, In(ACol, ARow), Qt::LeftButton, Qt::NoButton, M);
    }
};

using V = std::vector<AnsiString>;

}  // namespace

using ExtGridRowRecords = TGridFormTest<TRowsForm>;

TEST_F(ExtGridRowRecords, DeleteOnTheLastDataRowNeverTakesTheFooterRow) {
    for (const bool Floating : {true, false}) {
        TRowsForm F;
        TExtStringGrid* G = F.Grid;
        G->Navigation()->SetAllowDeleteRow(true);
        if (Floating) G->FloatingFooter()->SetVisible(true);
        else G->SetFixedFooters(1);
        G->SetCells(1, 6, "total");
        G->SetRow(5);
        F.Key(Qt::Key_Delete);
        EXPECT_EQ(4, G->Row()) << Floating;   // the last data row, not the footer row
        F.Key(Qt::Key_Delete);
        F.Key(Qt::Key_Delete);
        EXPECT_EQ(4, G->RowCount()) << Floating;
        EXPECT_EQ("total", G->Cells(1, 3)) << Floating;
        EXPECT_EQ(2, G->Row()) << Floating;
    }
}

TEST_F(ExtGridRowRecords, InsertAndDeleteKeysKeepHiddenRowsAndMarksInPlace) {
    TExtStringGrid* G = F.Grid;
    G->Navigation()->SetAllowInsertRow(true);
    G->Navigation()->SetAllowDeleteRow(true);
    G->MouseActions()->SetDisjunctRowSelect(true);
    G->HideRow(3);                   // r3
    G->SetRowSelected(4, true);   // r5
    G->SetRow(1);
    F.Key(Qt::Key_Insert);
    F.Key(Qt::Key_Insert);
    G->SetRow(3);                    // r1
    F.Key(Qt::Key_Delete);
    G->RemoveSelectedRows();
    EXPECT_EQ((V{"", "", "r2", "r3", "r4", "r6"}), F.All());
}

TEST_F(ExtGridRowRecords, InsertAndDeleteKeysGrowAndShrinkTheNodeGroup) {
    TExtStringGrid* G = F.Grid;
    G->Navigation()->SetAllowInsertRow(true);
    G->Navigation()->SetAllowDeleteRow(true);
    G->AddNode(1, 3);   // r1 with r2, r3
    G->SetRow(2);
    F.Key(Qt::Key_Insert);
    EXPECT_EQ(4, G->GetNodeSpan(1));
    G->Navigation()->SetInsertPosition(pInsertAfter);
    G->SetRow(4);   // r3, the group's last row
    F.Key(Qt::Key_Insert);
    EXPECT_EQ(5, G->GetNodeSpan(1));
    EXPECT_EQ(1, G->GetParentRow(5));
    F.Key(Qt::Key_Delete);   // the new rows go again
    G->SetRow(2);
    F.Key(Qt::Key_Delete);
    EXPECT_EQ(3, G->GetNodeSpan(1));
    G->ContractNode(1);
    EXPECT_EQ((V{"r1", "r4", "r5", "r6"}), (V{G->Cells(1, 1), G->Cells(1, 2), G->Cells(1, 3), G->Cells(1, 4)}));
}

TEST_F(ExtGridRowRecords, ARowDragCarriesHiddenRowsMarksSortOrderAndControls) {
    TExtStringGrid* G = F.Grid;
    F.Options({goRowMoving});
    G->SortSettings()->SetShow(true);
    G->SortSettings()->SetUndoSort(true);
    G->MouseActions()->SetDisjunctRowSelect(true);
    auto* E = new TEdit(F.Form.get());
    E->SetParent(G);
    G->GetCellProperties(2, 2)->SetControl(E);   // on r2
    G->UpdateCellControls();
    for (Integer R = 1; R < 7; ++R) G->SetCells(3, R, IntToStr(7 - R));
    G->ClickSort(3, false);   // r6 .. r1
    G->ClickSort(3, false);   // r1 .. r6 again
    G->HideRow(4);            // r4
    G->SetRowSelected(3, true);   // r3
    F.Drag(F.In(0, 2), F.In(0, 4));    // r2 after r5
    EXPECT_EQ("r2", G->Cells(1, 4));
    EXPECT_EQ(G->CellRect(2, 4).Top, E->Top());
    G->RemoveSelectedRows();
    EXPECT_EQ("r1", G->Cells(1, 1));
    EXPECT_EQ("r5", G->Cells(1, 2));
    G->UnHideRowsAll();
    G->ClickSort(3, false);   // undo: the order before the first sort
    EXPECT_EQ((V{"r1", "r2", "r4", "r5", "r6"}), F.All());
}

TEST_F(ExtGridRowRecords, MarksStayOnTheirRowsWhileOthersAreHidden) {
    TExtStringGrid* G = F.Grid;
    G->MouseActions()->SetDisjunctRowSelect(true);
    F.Click(2, 4);   // r4
    G->SetSelectedCell(3, 4, true);
    G->HideRow(3);   // r4 is shown at 3, with its row check box and its chosen cell
    EXPECT_TRUE(G->SelectedCell(3, 3));
    G->MouseActions()->SetHotmailRowSelect(true);
    bool Checked = false;
    EXPECT_TRUE(G->GetCheckBoxState(0, 3, Checked) && Checked);
    G->MouseActions()->SetHotmailRowSelect(false);
    G->UnHideRow(3);
    G->AddNode(2, 2);
    G->ContractNode(2);   // r3 hidden again
    G->Filter()->Add()->SetColumn(1);
    G->Filter()->Items(0)->SetCondition("!r1");
    G->SetFilterActive(true);   // r1 hidden too
    EXPECT_TRUE(G->RowSelected(2));
    G->RemoveSelectedRows();
    G->SetFilterActive(false);
    G->ExpandAll();
    EXPECT_EQ((V{"r1", "r2", "r3", "r5", "r6"}), F.All());
}

TEST_F(ExtGridRowRecords, AMovedColumnTakesTheCurrentCellChosenCellsAndOrder) {
    TExtStringGrid* G = F.Grid;
    F.Options({goColMoving, goEditing});
    G->MouseActions()->SetDisjunctCellSelect(true);
    F.Click(1, 2);
    F.Click(3, 3, Qt::ControlModifier);
    F.Click(1, 1, Qt::ControlModifier);   // current cell (1, 1), chosen (1, 2), (3, 3), (1, 1)
    G->SetCells(3, 3, "c3");
    F.Drag(F.In(1, 0), F.In(3, 0));   // column 1 goes to 3
    EXPECT_EQ(3, G->Col());
    EXPECT_TRUE(G->SelectedCell(3, 2));
    EXPECT_TRUE(G->SelectedCell(2, 3));
    EXPECT_FALSE(G->SelectedCell(1, 2));
    F.Key(Qt::Key_F2);
    TypeText(u"x");
    F.Key(Qt::Key_Return);
    EXPECT_EQ("x", G->Cells(3, 1));
    EXPECT_EQ("", G->Cells(1, 1));
}

TEST_F(ExtGridRowRecords, TheColumnOrderListFollowsMovesUntilItIsReset) {
    TExtStringGrid* G = F.Grid;
    F.Options({goColMoving});
    EXPECT_EQ((std::vector<Integer>{0, 1, 2, 3, 4}), G->ColumnOrder());
    F.Drag(F.In(1, 0), F.In(3, 0));
    EXPECT_EQ((std::vector<Integer>{0, 2, 3, 1, 4}), G->ColumnOrder());
    G->MoveColumn(4, 1);
    EXPECT_EQ((std::vector<Integer>{0, 4, 2, 3, 1}), G->ColumnOrder());
    G->ResetColumnOrder();
    EXPECT_EQ((std::vector<Integer>{0, 1, 2, 3, 4}), G->ColumnOrder());
}

TEST_F(ExtGridRowRecords, CopyAndCutTakeThePersistentlyMarkedRowWhileARowAboveIsHidden) {
    TExtStringGrid* G = F.Grid;
    G->Navigation()->SetAllowClipboardShortCuts(true);
    G->MouseActions()->SetDisjunctRowSelect(true);
    G->MouseActions()->SetRowSelectPersistent(true);
    G->SetRowSelected(4, true);   // real row 4: r4
    G->HideRow(2);                // r4 is shown at 3, r5 at 4
    F.Key(Qt::Key_C, Qt::ControlModifier);
    const AnsiString Copied = Clipboard()->AsText();
    EXPECT_NE(AnsiString::npos, Copied.find("r4")) << Copied;
    EXPECT_EQ(AnsiString::npos, Copied.find("r5")) << Copied;
    F.Key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ((V{"r1", "r2", "r3", "", "r5", "r6"}), F.All());
}

TEST_F(ExtGridRowRecords, ARowDraggedIntoOrOutOfAGroupChangesItsSpanAndTheCurrentRowFollows) {
    TExtStringGrid* G = F.Grid;
    G->AddNode(1, 3);   // r1 with r2, r3; a press on column 0 of a grid with nodes drags nothing
    G->SetRow(5);
    G->MoveRow(5, 2);   // r5 into the group
    EXPECT_EQ(2, G->Row());
    EXPECT_EQ("r5", G->Cells(1, G->Row()));
    EXPECT_EQ(4, G->GetNodeSpan(1));
    EXPECT_EQ(1, G->GetParentRow(2));
    G->MoveRow(3, 6);   // r2 out of it
    EXPECT_EQ(3, G->GetNodeSpan(1));
    G->ContractNode(1);
    EXPECT_EQ((V{"r1", "r4", "r6", "r2"}), (V{G->Cells(1, 1), G->Cells(1, 2), G->Cells(1, 3), G->Cells(1, 4)}));
}

TEST_F(ExtGridRowRecords, ColumnsInsertedOrRemovedCarryTheirMarksSortColumnAndChosenCells) {
    TExtStringGrid* G = F.Grid;
    G->SetColSelected(3, true);
    G->SortSettings()->SetColumn(3);
    G->SetSelectedCell(3, 2, true);
    G->InsertCols(1, 1);
    EXPECT_TRUE(G->ColSelected(4));
    EXPECT_FALSE(G->ColSelected(3));
    EXPECT_EQ(4, G->SortSettings()->Column());
    EXPECT_TRUE(G->SelectedCell(4, 2));
    G->RemoveCols(4, 1);
    EXPECT_FALSE(G->ColSelected(4));
    EXPECT_EQ(-1, G->SortSettings()->Column());
    EXPECT_EQ(0, G->SelectedCellCount());
}
