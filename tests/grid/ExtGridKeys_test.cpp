#include "grid/ExtGrid.h"

#include "grid/GridTestKit.h"

#include <gtest/gtest.h>

#include <vector>

using namespace gridtest;
using namespace uitest;

namespace {

struct TKeyForm : TEditingGrid {
    TKeyForm() : TEditingGrid(5, 6, false) {}
};

}  // namespace

TEST(ExtGridKeys, TabMovesOverEditableCellsAndWrapsToTheNextRow) {
    TKeyForm F;
    TExtStringGrid* G = F.Grid;
    F.Options({goEditing, goTabs});
    G->SetReadOnly(2, 1, true);
    F.Key(Qt::Key_Tab);
    EXPECT_EQ(3, G->Col());
    F.Key(Qt::Key_Tab);
    F.Key(Qt::Key_Tab);
    EXPECT_EQ(1, G->Col());
    EXPECT_EQ(2, G->Row());
    F.Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(4, G->Col());
    EXPECT_EQ(1, G->Row());
}

TEST(ExtGridKeys, TabStepEndsWhenNoCellIsEditable) {
    TKeyForm F;
    TExtStringGrid* G = F.Grid;
    F.Options({goEditing, goTabs});
    G->OnCanEditCell = [](TObject*, Integer, Integer, bool& CanEdit) { CanEdit = false; };
    F.Key(Qt::Key_Tab);
    EXPECT_EQ(1, G->Col());
    EXPECT_EQ(1, G->Row());
}

TEST(ExtGridKeys, TabInTheEditorStoresAndMovesOn) {
    TKeyForm F;
    TExtStringGrid* G = F.Grid;
    F.Options({goEditing, goTabs});
    TypeText(u"t");
    ASSERT_TRUE(G->EditorMode());
    PressTab();
    EXPECT_EQ("t", G->Cells(1, 1));
    EXPECT_EQ(2, G->Col());
}

TEST(ExtGridKeys, HomeAndEndGoToTheFirstAndLastDataRow) {
    TKeyForm F;
    TExtStringGrid* G = F.Grid;
    G->SetFixedFooters(1);
    G->Navigation()->SetHomeEndKey(heFirstLastRow);
    G->SetRow(3);
    Integer Seen = 0;
    G->OnKeyDown = [&](TObject*, Word& Key, TShiftState) { Seen = Key; };
    F.Key(Qt::Key_End);
    EXPECT_EQ(4, G->Row());   // above the footer row
    EXPECT_EQ(VK_END, Seen);
    F.Key(Qt::Key_Home);
    EXPECT_EQ(1, G->Row());
}

TEST(ExtGridKeys, HomeWithFixedRowAlwaysAndOneRowIsLeftToTheFramework) {
    TKeyForm F;
    TExtStringGrid* G = F.Grid;
    G->Navigation()->SetHomeEndKey(heFirstLastRow);
    G->SetFixedRowAlways(true);
    G->SetRowCount(1);
    EXPECT_NO_THROW(F.Key(Qt::Key_Home));
    EXPECT_EQ(1, G->RowCount());
}

TEST(ExtGridKeys, DownOnTheLastRowAppendsOnlyWhenAsked) {
    TKeyForm F;
    TExtStringGrid* G = F.Grid;
    G->SetRow(5);
    F.Key(Qt::Key_Down);
    EXPECT_EQ(6, G->RowCount());
    G->Navigation()->SetAppendOnArrowDown(true);
    Integer Added = -1;
    G->OnAutoAddRow = [&](TObject*, Integer ARow) { Added = ARow; };
    F.Key(Qt::Key_Down);
    EXPECT_EQ(7, G->RowCount());
    EXPECT_EQ(6, Added);
    EXPECT_EQ(6, G->Row());
    G->OnCanAddRow = [](TObject*, bool& CanAdd) { CanAdd = false; };
    F.Key(Qt::Key_Down);
    EXPECT_EQ(7, G->RowCount());
}

TEST(ExtGridKeys, ClipboardShortcutsAskTheirEventsOnlyWhenAllowed) {
    TKeyForm F;
    TExtStringGrid* G = F.Grid;
    Integer Copies = 0, Pastes = 0, Cuts = 0;
    G->OnClipboardCopy = [&](TObject*, bool&) { ++Copies; };
    G->OnClipboardPaste = [&](TObject*, bool&) { ++Pastes; };
    G->OnClipboardCut = [&](TObject*, bool&) { ++Cuts; };
    Word Seen = 0;
    G->OnKeyDown = [&](TObject*, Word& Key, TShiftState) { Seen = Key; };
    F.Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(0, Copies);
    EXPECT_EQ('C', Seen);   // not consumed: the framework grid has it
    G->Navigation()->SetAllowClipboardShortCuts(true);
    F.Key(Qt::Key_C, Qt::ControlModifier);
    F.Key(Qt::Key_Insert, Qt::ControlModifier);
    F.Key(Qt::Key_V, Qt::ControlModifier);
    F.Key(Qt::Key_X, Qt::ControlModifier);
    F.Key(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(2, Copies);
    EXPECT_EQ(1, Pastes);
    EXPECT_EQ(2, Cuts);
}

TEST(ExtGridKeys, InsertAddsARowButShiftInsertPastesAndAltInsertDoesNothing) {
    TKeyForm F;
    TExtStringGrid* G = F.Grid;
    G->Navigation()->SetAllowInsertRow(true);
    G->Navigation()->SetAllowClipboardShortCuts(true);
    G->SetCells(1, 2, "second");
    G->SetRow(2);
    Integer Inserted = -1, Pastes = 0;
    G->OnAutoInsertRow = [&](TObject*, Integer ARow) { Inserted = ARow; };
    G->OnClipboardPaste = [&](TObject*, bool&) { ++Pastes; };
    F.Key(Qt::Key_Insert);
    EXPECT_EQ(7, G->RowCount());
    EXPECT_EQ(2, Inserted);
    EXPECT_EQ("", G->Cells(1, 2));
    EXPECT_EQ("second", G->Cells(1, 3));
    F.Key(Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(7, G->RowCount());
    EXPECT_EQ(1, Pastes);
    F.Key(Qt::Key_Insert, Qt::AltModifier);
    EXPECT_EQ(7, G->RowCount());
    G->Navigation()->SetInsertPosition(pInsertAfter);
    F.Key(Qt::Key_Insert);
    EXPECT_EQ(8, G->RowCount());
    EXPECT_EQ(3, G->Row());
}

TEST(ExtGridKeys, DeleteRemovesTheRowWhenAllowedAndKeepsTheHeader) {
    TKeyForm F;
    TExtStringGrid* G = F.Grid;
    G->Navigation()->SetAllowDeleteRow(true);
    G->SetCells(1, 1, "a");
    G->SetCells(1, 2, "b");
    bool Refuse = true;
    Integer Asked = 0;
    G->OnCanDeleteRow = [&](TObject*, Integer, bool& CanDelete) {
        ++Asked;
        CanDelete = !Refuse;
    };
    F.Key(Qt::Key_Delete);
    EXPECT_EQ(6, G->RowCount());
    Refuse = false;
    F.Key(Qt::Key_Delete);
    EXPECT_EQ(5, G->RowCount());
    EXPECT_EQ("b", G->Cells(1, 1));
    // The last data row is emptied, the fixed row stays fixed.
    G->SetRowCount(2);
    F.Key(Qt::Key_Delete);
    EXPECT_EQ(2, G->RowCount());
    EXPECT_EQ(1, G->FixedRows());
    EXPECT_EQ("", G->Cells(1, 1));
}

TEST(ExtGridKeys, DeleteOnAGridWithoutDataRowsAsksNothing) {
    TKeyForm F;
    TExtStringGrid* G = F.Grid;
    G->Navigation()->SetAllowDeleteRow(true);
    G->SetFixedFooters(1);
    G->SetRowCount(2);
    Integer Asked = 0;
    G->OnCanDeleteRow = [&](TObject*, Integer, bool&) { ++Asked; };
    F.Key(Qt::Key_Delete);
    EXPECT_EQ(0, Asked);
    EXPECT_EQ(2, G->RowCount());
}

TEST(ExtGridKeys, CtrlASelectsAllDataCellsAndReportsTheChange) {
    TKeyForm F;
    TExtStringGrid* G = F.Grid;
    Integer Changes = 0;
    G->OnSelectionChanged = [&](TObject*, Integer, Integer, Integer, Integer) { ++Changes; };
    F.Key(Qt::Key_A, Qt::ControlModifier);
    const TGridRect S = G->Selection();
    EXPECT_EQ((TGridRect{1, 1, 4, 5}), S);
    EXPECT_EQ(1, Changes);
}

TEST(ExtGridKeys, ArrowsSkipFixedCellsOfTheEvent) {
    TKeyForm F;
    TExtStringGrid* G = F.Grid;
    G->OnIsFixedCell = [](TObject*, Integer, Integer ACol, bool& IsFixed) { IsFixed = ACol == 2; };
    F.Key(Qt::Key_Right);
    EXPECT_EQ(3, G->Col());
    F.Key(Qt::Key_Left);
    EXPECT_EQ(1, G->Col());
}

TEST(ExtGridKeys, EnterOnAReadOnlyCellIsConsumed) {
    TKeyForm F;
    TExtStringGrid* G = F.Grid;
    F.Options({goEditing});
    G->SetReadOnly(1, 1, true);
    Integer Presses = 0;
    G->OnKeyPress = [&](TObject*, char&) { ++Presses; };
    PressEnter();
    EXPECT_FALSE(G->EditorMode());
    EXPECT_EQ(1, Presses);
}

TEST(ExtGridKeys, SpaceTogglesACheckBoxCellOnlyWhenEditable) {
    TKeyForm F;
    TExtStringGrid* G = F.Grid;
    TCellGraphic* C = G->CreateCellGraphic(1, 1);
    C->SetCellType(ctCheckBox);
    Integer Clicks = 0;
    G->OnCheckBoxClick = [&](TObject*, Integer, Integer, bool) { ++Clicks; };
    F.Key(Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    EXPECT_FALSE(C->CellBoolean());
    F.Options({goEditing});
    F.Key(Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    EXPECT_TRUE(C->CellBoolean());
    EXPECT_EQ(1, Clicks);
    EXPECT_FALSE(G->EditorMode());
}

TEST(ExtGridKeys, SpaceOnControlCellsFollowsTheAlwaysActiveLookAndReadOnly) {
    TKeyForm F;
    TExtStringGrid* G = F.Grid;
    TCellGraphic* Check = G->CreateCellGraphic(1, 1);
    Check->SetCellType(ctCheckBox);
    TCellGraphic* Radio = G->CreateCellGraphic(2, 1);
    Radio->SetCellType(ctRadio);
    auto* V = new TStringList();
    V->Add("a");
    V->Add("b");
    Radio->SetGraphic(V, true);
    Radio->SetCellIndex(1);
    G->ShowModified()->SetEnabled(true);
    std::vector<bool> States;
    std::vector<Integer> Picks;
    G->OnCheckBoxClick = [&](TObject*, Integer, Integer, bool S) { States.push_back(S); };
    G->OnRadioClick = [&](TObject*, Integer, Integer, Integer I) { Picks.push_back(I); };
    const auto Space = [&] { F.Key(Qt::Key_Space, Qt::NoModifier, QStringLiteral(" ")); };

    // Without editing the always-active looks still take the key.
    G->ControlLook()->SetCheckAlwaysActive(true);
    G->ControlLook()->SetRadioAlwaysActive(true);
    Space();
    EXPECT_TRUE(Check->CellBoolean());
    EXPECT_EQ(std::vector<bool>{true}, States);
    EXPECT_TRUE(G->RowMarked(1));
    G->SetCol(2);
    Space();
    EXPECT_EQ(0, Radio->CellIndex());  // wraps past the last item
    EXPECT_EQ(std::vector<Integer>{0}, Picks);

    // A read-only cell keeps its state even in an editing grid.
    G->ControlLook()->SetRadioAlwaysActive(false);
    F.Options({goEditing});
    G->SetReadOnly(2, 1, true);
    Space();
    EXPECT_EQ(0, Radio->CellIndex());
    EXPECT_EQ(1u, Picks.size());
}

TEST(ExtGridKeys, ShiftHomeAndEndSelectWholeRowsFromTheRowLeftToTheRowReached) {
    struct TCase { Integer FixedCols; int Key; Integer From; Integer Top, Bottom; };
    for (const TCase& C : {TCase{1, Qt::Key_End, 2, 2, 5}, TCase{1, Qt::Key_Home, 3, 1, 3},
                           TCase{0, Qt::Key_End, 4, 4, 5}, TCase{0, Qt::Key_Home, 2, 1, 2}}) {
        TKeyForm F;
        TExtStringGrid* G = F.Grid;
        F.Options({goRangeSelect});
        G->SetFixedCols(C.FixedCols);
        G->Navigation()->SetHomeEndKey(heFirstLastRow);
        G->SetCol(2);
        G->SetRow(C.From);
        F.Key(C.Key, Qt::ShiftModifier);
        const TGridRect S = G->Selection();
        EXPECT_EQ(C.FixedCols, S.Left) << C.Key << " from row " << C.From;
        EXPECT_EQ(4, S.Right);
        EXPECT_EQ(C.Top, S.Top);
        EXPECT_EQ(C.Bottom, S.Bottom);
        EXPECT_TRUE(G->Col() == 2 && G->Row() == (C.Key == Qt::Key_Home ? C.Top : C.Bottom));   // on the row reached
    }
}
