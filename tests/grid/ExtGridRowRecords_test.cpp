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

using V = std::vector<AnsiString>;
using Ints = std::vector<Integer>;

// Rows r1 .. r6 in column 1 under one header row.
struct TRowsForm : TGridOnForm<TExtStringGrid> {
    TRowsForm() : TGridOnForm(5, 7, 520, 300) {
        Grid->SetScrollBars(ssNone);
        Grid->SetDefaultColWidth(90);
        for (Integer R = 1; R < 7; ++R) Grid->SetCells(1, R, "r" + IntToStr(R));
        ShowFocused();
    }
    QPoint In(Integer ACol, Integer ARow) const { return QPoint(Grid->CellRect(ACol, ARow).Left + 20, Centre(ACol, ARow).y()); }
    void Drag(QPoint From, QPoint To) {
        Mouse(QEvent::MouseButtonPress, From, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseMove, (From + To) / 2, Qt::NoButton, Qt::LeftButton);
        Mouse(QEvent::MouseMove, To, Qt::NoButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, To, Qt::LeftButton, Qt::NoButton);
    }
    void Click(Integer ACol, Integer ARow, Qt::KeyboardModifiers M = Qt::NoModifier) {
        Mouse(QEvent::MouseButtonPress, In(ACol, ARow), Qt::LeftButton, Qt::LeftButton, M);
        Mouse(QEvent::MouseButtonRelease, In(ACol, ARow), Qt::LeftButton, Qt::NoButton, M);
    }
    // Column 1 of rows 1 .. ALast, with every hidden row shown first when All.
    V Col1(Integer ALast = -1, bool All = true) {
        if (All) Grid->UnHideRowsAll();
        V Out;
        for (Integer R = 1; R <= (ALast < 0 ? Grid->RowCount() - 1 : ALast); ++R) Out.push_back(Grid->Cells(1, R));
        return Out;
    }
};

}  // namespace

using ExtGridRowRecords = TGridFormTest<TRowsForm>;

TEST_F(ExtGridRowRecords, DeleteOnTheLastDataRowNeverTakesTheFooterRow) {
    for (const bool Floating : {true, false}) {
        TRowsForm F;
        F.Grid->Navigation()->SetAllowDeleteRow(true);
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

TEST_F(ExtGridRowRecords, InsertAndDeleteKeysKeepHiddenRowsMarksAndNodeGroups) {
    TExtStringGrid* G = F.Grid;
    G->Navigation()->SetAllowInsertRow(true);
    G->Navigation()->SetAllowDeleteRow(true);
    G->MouseActions()->SetDisjunctRowSelect(true);
    G->AddNode(4, 2);   // r4 with r5
    G->HideRow(3);      // r3
    G->SetRowSelected(5, true);   // r6, shown at 5
    G->SetRow(1);
    F.Key(Qt::Key_Insert);
    F.Key(Qt::Key_Insert);
    G->SetRow(3);   // r1
    F.Key(Qt::Key_Delete);
    G->SetRow(5);   // r5, inside the group
    F.Key(Qt::Key_Insert);
    EXPECT_EQ(3, G->GetNodeSpan(4));
    G->Navigation()->SetInsertPosition(pInsertAfter);
    G->SetRow(6);   // r5, the group's last row
    F.Key(Qt::Key_Insert);
    EXPECT_EQ(4, G->GetNodeSpan(4));
    EXPECT_EQ(4, G->GetParentRow(7));
    F.Key(Qt::Key_Delete);
    EXPECT_EQ(3, G->GetNodeSpan(4));
    G->RemoveSelectedRows();
    EXPECT_EQ((V{"", "", "r2", "r3", "r4", "", "r5"}), F.Col1());
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
    F.Drag(F.In(0, 2), F.In(0, 4));   // r2 after r5
    EXPECT_EQ("r2", G->Cells(1, 4));
    EXPECT_EQ(4, G->Row());
    EXPECT_EQ(G->CellRect(2, 4).Top, E->Top());
    G->RemoveSelectedRows();
    EXPECT_EQ((V{"r1", "r5", "r2"}), F.Col1(3, false));
    G->UnHideRowsAll();
    G->ClickSort(3, false);   // undo: the order before the first sort
    EXPECT_EQ((V{"r1", "r2", "r4", "r5", "r6"}), F.Col1());
}

TEST_F(ExtGridRowRecords, ARowMovedIntoOrOutOfAGroupChangesItsSpan) {
    TExtStringGrid* G = F.Grid;
    G->AddNode(1, 3);   // r1 with r2, r3; a press on column 0 of a grid with nodes drags nothing
    G->MoveRow(5, 2);   // r5 into the group
    EXPECT_EQ(4, G->GetNodeSpan(1));
    EXPECT_EQ(1, G->GetParentRow(2));
    G->MoveRow(3, 6);   // r2 out of it
    G->ContractNode(1);
    EXPECT_EQ((V{"r1", "r4", "r6", "r2"}), F.Col1(4, false));
}

// Marks are kept by real row: hiding rows (a row, a node, the filter) moves the rows
// under them, never the marks, which copy and cut then find.
TEST_F(ExtGridRowRecords, MarksAndChosenCellsStayOnTheirRowsWhileOthersAreHidden) {
    TExtStringGrid* G = F.Grid;
    G->Navigation()->SetAllowClipboardShortCuts(true);
    G->MouseActions()->SetDisjunctRowSelect(true);
    F.Click(2, 4);   // r4
    G->SetSelectedCell(3, 4, true);
    G->HideRow(3);   // r4 is shown at 3
    G->MouseActions()->SetHotmailRowSelect(true);
    bool Checked = false;
    EXPECT_TRUE(G->GetCheckBoxState(0, 3, Checked) && Checked);
    EXPECT_TRUE(G->SelectedCell(3, 3));
    G->MouseActions()->SetHotmailRowSelect(false);
    G->UnHideRow(3);
    G->AddNode(2, 2);
    G->ContractNode(2);   // r3 hidden again
    G->Filter()->Add()->SetColumn(1);
    G->Filter()->Items(0)->SetCondition("!r1");
    G->SetFilterActive(true);   // r1 too: r4 is shown at 2
    G->MouseActions()->SetRowSelectPersistent(true);
    F.Key(Qt::Key_C, Qt::ControlModifier);
    const AnsiString Copied = Clipboard()->AsText();
    EXPECT_TRUE(Copied.find("r4") != AnsiString::npos && Copied.find("r5") == AnsiString::npos) << Copied;
    F.Key(Qt::Key_X, Qt::ControlModifier);
    G->MouseActions()->SetRowSelectPersistent(false);
    G->RemoveSelectedRows();
    G->SetFilterActive(false);
    G->ExpandAll();
    EXPECT_EQ((V{"r1", "r2", "r3", "r5", "r6"}), F.Col1());
}

TEST_F(ExtGridRowRecords, AMovedColumnTakesTheCurrentCellChosenCellsAndOrder) {
    TExtStringGrid* G = F.Grid;
    F.Options({goColMoving, goEditing});
    G->MouseActions()->SetDisjunctCellSelect(true);
    F.Click(1, 2);
    F.Click(3, 3, Qt::ControlModifier);
    F.Click(1, 1, Qt::ControlModifier);   // current cell (1, 1)
    F.Drag(F.In(1, 0), F.In(3, 0));       // column 1 goes to 3
    EXPECT_EQ(3, G->Col());
    EXPECT_TRUE(G->SelectedCell(3, 2) && G->SelectedCell(2, 3) && !G->SelectedCell(1, 2));
    EXPECT_EQ((Ints{0, 2, 3, 1, 4}), G->ColumnOrder());
    F.Key(Qt::Key_F2);
    TypeText(u"x");
    F.Key(Qt::Key_Return);
    EXPECT_EQ((V{"x", ""}), (V{G->Cells(3, 1), G->Cells(1, 1)}));
    G->MoveColumn(4, 1);
    EXPECT_EQ((Ints{0, 4, 2, 3, 1}), G->ColumnOrder());
    G->ResetColumnOrder();
    EXPECT_EQ((Ints{0, 1, 2, 3, 4}), G->ColumnOrder());
}

TEST_F(ExtGridRowRecords, ColumnsInsertedOrRemovedCarryTheirMarksSortColumnAndChosenCells) {
    TExtStringGrid* G = F.Grid;
    G->SetColSelected(3, true);
    G->SortSettings()->SetColumn(3);
    G->SetSelectedCell(3, 2, true);
    G->InsertCols(1, 1);
    EXPECT_TRUE(G->ColSelected(4) && !G->ColSelected(3) && G->SelectedCell(4, 2));
    EXPECT_EQ(4, G->SortSettings()->Column());
    G->RemoveCols(4, 1);
    EXPECT_FALSE(G->ColSelected(4));
    EXPECT_EQ(-1, G->SortSettings()->Column());
    EXPECT_EQ(0, G->SelectedCellCount());
}
