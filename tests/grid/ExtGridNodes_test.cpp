#include "grid/ExtGrid.h"

#include "platform/ui/Forms.h"
#include "platform/ui/UiTestKit.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

struct TNodeGrid {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TExtStringGrid* Grid = nullptr;
    TNodeGrid() {
        Grid = new TExtStringGrid(Form.get());
        Grid->SetParent(Form.get());
        Grid->SetColCount(3);
        Grid->SetRowCount(8);
        for (Integer R = 1; R < 8; ++R) Grid->SetCells(1, R, "r" + IntToStr(R));
    }
    Integer Level(Integer ARow) const {
        const TCellProperties* P = Grid->CellPropertiesOrNil(0, ARow);
        return P ? P->NodeLevel() : 0;
    }
};

TCellGraphic* Radio(TExtStringGrid* G, Integer ACol, Integer ARow, Integer Index) {
    TCellGraphic* Gr = G->CreateCellGraphic(ACol, ARow);
    Gr->SetCellType(ctRadio);
    auto* V = new TStringList();
    V->Add("a");
    V->Add("b");
    V->Add("c");
    Gr->SetGraphic(V, true);
    Gr->SetCellIndex(Index);
    return Gr;
}

}  // namespace

using ExtGridNodes = uitest::TGridFormTest<TNodeGrid>;

TEST_F(ExtGridNodes, AddNodeRaisesTheLevelOfItsSpanAndMovesOffColumnZero) {
    F.Grid->SetCol(0);
    F.Grid->AddNode(2, 3);
    EXPECT_EQ(0, F.Level(1));
    EXPECT_EQ(1, F.Level(2));
    EXPECT_EQ(1, F.Level(4));
    EXPECT_EQ(0, F.Level(5));
    EXPECT_EQ(3, F.Grid->GetNodeSpan(2));
    EXPECT_EQ(-1, F.Grid->GetNodeSpan(3));
    EXPECT_EQ(-1, F.Grid->GetNodeLevel(3));
    EXPECT_EQ(1, F.Grid->NodeCount());
    EXPECT_EQ(1, F.Grid->Col());
    EXPECT_FALSE(F.Grid->IsNode(-1));
}

TEST_F(ExtGridNodes, ContractHidesTheSpanAndExpandBringsItBack) {
    F.Grid->AddNode(2, 3);
    F.Grid->ContractNode(2);
    EXPECT_EQ(6, F.Grid->RowCount());
    EXPECT_TRUE(F.Grid->GetNodeState(2));
    EXPECT_EQ("r5", F.Grid->Cells(1, 3));
    F.Grid->ExpandNode(2);
    EXPECT_EQ(8, F.Grid->RowCount());
    EXPECT_EQ("r3", F.Grid->Cells(1, 3));
    EXPECT_FALSE(F.Grid->GetNodeState(2));
}

// Expanded while its own row was hidden, the node shows its rows, and its own when it shows again.
TEST_F(ExtGridNodes, ANodeExpandedWhileHiddenShowsItsRowsWithItsOwnRow) {
    F.Grid->AddNode(2, 3), F.Grid->ContractNode(2), F.Grid->HideRow(2);
    F.Grid->ExpandNode(2);   // its rows show, its own stays hidden
    EXPECT_TRUE(F.Grid->RowCount() == 7 && F.Grid->Cells(1, 3) == "r4");
    F.Grid->UnHideRow(2);
    EXPECT_TRUE(F.Grid->RowCount() == 8 && !F.Grid->GetNodeState(2) && F.Grid->Cells(1, 4) == "r4");
}

TEST_F(ExtGridNodes, ExpandOneContractsTheOtherNodes) {
    F.Grid->CellNode()->SetExpandOne(true);
    F.Grid->AddNode(1, 2);
    F.Grid->AddNode(4, 3);
    F.Grid->ContractNode(4);
    F.Grid->ExpandNode(4);
    EXPECT_TRUE(F.Grid->GetNodeState(1));
    EXPECT_EQ(7, F.Grid->RowCount());
}

TEST_F(ExtGridNodes, ContractAllAndExpandAllTreatAllNodes) {
    F.Grid->AddNode(1, 2);
    F.Grid->AddNode(4, 0);   // reaches the end of the grid
    F.Grid->ContractAll();
    EXPECT_EQ(4, F.Grid->RowCount());   // rows 0, 1, 3 and 4 stay
    F.Grid->ExpandAll();
    EXPECT_EQ(8, F.Grid->RowCount());
    EXPECT_FALSE(F.Grid->GetNodeState(4));
}

TEST_F(ExtGridNodes, ParentsLinesAndRemoval) {
    F.Grid->AddNode(1, 5);
    F.Grid->AddNode(2, 2);
    EXPECT_EQ(2, F.Level(3));
    EXPECT_EQ(2, F.Grid->GetParentRow(3));
    EXPECT_EQ(1, F.Grid->GetParentRow(2));
    EXPECT_EQ(-1, F.Grid->GetParentRow(7));
    EXPECT_EQ(0, F.Grid->GetNodeLine(2));
    EXPECT_EQ(1, F.Grid->GetNodeLine(3));   // the next row climbs back a level
    EXPECT_TRUE(F.Grid->RemoveNode(2));
    EXPECT_FALSE(F.Grid->RemoveNode(2));
    EXPECT_EQ(1, F.Level(3));
    EXPECT_EQ(1, F.Grid->NodeCount());
    F.Grid->RemoveAllNodes();
    EXPECT_EQ(0, F.Grid->NodeCount());
    EXPECT_EQ(0, F.Level(1));
}

TEST_F(ExtGridNodes, ToggleCheckFlipsEachKindAndAsksForEditing) {
    F.Grid->CreateCellGraphic(1, 1)->SetCellType(ctCheckBox);
    F.Grid->CreateCellGraphic(2, 1)->SetCellType(ctDataCheckBox);
    F.Grid->SetCells(2, 1, "maybe");
    EXPECT_TRUE(F.Grid->ToggleCheck(1, 1, false));
    EXPECT_TRUE(F.Grid->GetCellGraphic(1, 1)->CellBoolean());
    EXPECT_TRUE(F.Grid->ToggleCheck(2, 1, false));
    EXPECT_EQ("Y", F.Grid->Cells(2, 1));   // neither text: the check-true text
    EXPECT_TRUE(F.Grid->ToggleCheck(2, 1, false));
    EXPECT_EQ("N", F.Grid->Cells(2, 1));
    F.Grid->OnCanEditCell = [](TObject*, Integer, Integer, bool& Can) { Can = false; };
    EXPECT_FALSE(F.Grid->ToggleCheck(1, 1, true));
    EXPECT_TRUE(F.Grid->GetCellGraphic(1, 1)->CellBoolean());
    EXPECT_FALSE(F.Grid->ToggleCheck(1, 2, false));   // no check box there
}

TEST_F(ExtGridNodes, CheckAllAndStatesOverAColumn) {
    for (Integer R = 1; R < 8; ++R) F.Grid->CreateCellGraphic(2, R)->SetCellType(ctDataCheckBox);
    F.Grid->CheckAll(2);
    bool State = false;
    EXPECT_TRUE(F.Grid->GetCheckBoxState(2, 7, State));
    EXPECT_TRUE(State);
    F.Grid->UnCheckAll(2);
    EXPECT_EQ("N", F.Grid->Cells(2, 4));
    EXPECT_FALSE(F.Grid->GetCheckBoxState(1, 4, State));
    EXPECT_TRUE(F.Grid->HasCellControl(2, 4));
    EXPECT_FALSE(F.Grid->HasCellControl(1, 4));
}

TEST_F(ExtGridNodes, RadioCellsCycleThroughTheirValues) {
    Radio(F.Grid, 1, 1, 0);
    std::vector<Integer> Seen;
    for (int I = 0; I < 4; ++I) {
        ASSERT_TRUE(F.Grid->ToggleRadio(1, 1, false));
        Integer Idx = -1;
        F.Grid->GetRadioIndex(1, 1, Idx);
        Seen.push_back(Idx);
    }
    EXPECT_EQ((std::vector<Integer>{1, 2, 0, 1}), Seen);
    EXPECT_EQ("b", F.Grid->Cells(1, 1));
    // Bound to the text: the index stays -1 and the text moves on.
    Radio(F.Grid, 2, 1, -1);
    F.Grid->SetCells(2, 1, "c");
    ASSERT_TRUE(F.Grid->ToggleRadio(2, 1, false));
    EXPECT_EQ("a", F.Grid->Cells(2, 1));
    Integer Idx = 0;
    F.Grid->GetRadioIndex(2, 1, Idx);
    EXPECT_EQ(-1, Idx);
}

TEST_F(ExtGridNodes, GraphicRectsAndErrorRanges) {
    TCellGraphic* Gr = F.Grid->CreateCellGraphic(1, 2);
    Gr->SetCellType(ctButton);
    Gr->SetCellIndex(30 | (12 << 16));
    Gr->SetCellValue(3 | (4 << 16));
    Gr->SetCellErrFrom(2);
    Gr->SetCellErrLen(5);
    TRect R;
    F.Grid->GetCellGraphicRect(1, 2, R);
    const TRect C = F.Grid->CellRect(1, 2);
    EXPECT_EQ(Rect(C.Left + 3, C.Top + 4, C.Left + 33, C.Top + 16), R);
    Gr->SetCellVAlign(vaFull);
    F.Grid->GetCellGraphicRect(1, 2, R);
    EXPECT_EQ(C.Top, R.Top);
    EXPECT_EQ(C.Bottom, R.Bottom);
    Integer From = -1, Len = -1;
    F.Grid->GetCellErrorRange(1, 2, From, Len);
    EXPECT_EQ(2, From);
    EXPECT_EQ(5, Len);
    F.Grid->GetCellErrorRange(2, 2, From, Len);
    EXPECT_EQ(0, Len);
    EXPECT_TRUE(F.Grid->IsButtonCell(1, 2));
}

TEST_F(ExtGridNodes, InsertChildRowGrowsAndOpensTheNodeAndKeepsHiddenRowsBelow) {
    F.Grid->AddNode(1, 2);
    F.Grid->AddNode(3, 3);
    F.Grid->ContractNode(3);   // r4, r5 hidden
    F.Grid->ContractNode(1);   // r2 hidden
    F.Grid->InsertChildRow(1, 1);
    EXPECT_FALSE(F.Grid->GetNodeState(1));
    EXPECT_EQ(3, F.Grid->GetNodeSpan(1));
    EXPECT_EQ("", F.Grid->Cells(1, 2));
    EXPECT_EQ(1, F.Level(2));
    EXPECT_EQ("r2", F.Grid->Cells(1, 3));
    EXPECT_TRUE(F.Grid->IsNode(4));
    F.Grid->ExpandNode(F.Grid->RealRowIndex(4));
    ASSERT_EQ(9, F.Grid->RowCount());
    const char* Want[] = {"", "r1", "", "r2", "r3", "r4", "r5", "r6", "r7"};
    for (Integer R = 0; R < 9; ++R) EXPECT_EQ(Want[R], F.Grid->Cells(1, R)) << R;
}

TEST_F(ExtGridNodes, InsertChildRowIntoANestedNodeGrowsEveryEnclosingNode) {
    F.Grid->AddNode(1, 5);
    F.Grid->AddNode(2, 2);
    F.Grid->ContractNode(2);
    F.Grid->ContractNode(1);
    F.Grid->InsertChildRow(2, 2);   // after the inner node's one child
    EXPECT_EQ(9, F.Grid->RowCount());
    EXPECT_EQ(6, F.Grid->GetNodeSpan(1));
    EXPECT_EQ(3, F.Grid->GetNodeSpan(2));
    EXPECT_EQ("r3", F.Grid->Cells(1, 3));
    EXPECT_EQ("", F.Grid->Cells(1, 4));
    EXPECT_EQ(2, F.Level(4));
    EXPECT_EQ(2, F.Grid->GetParentRow(4));
    F.Grid->ContractNode(1);
    EXPECT_EQ(4, F.Grid->RowCount());   // the new row goes with its node
    EXPECT_EQ("r6", F.Grid->Cells(1, 2));
}

TEST_F(ExtGridNodes, RemoveChildRowShrinksTheNodesAndKeepsHiddenRowsBelow) {
    F.Grid->AddNode(1, 4);
    F.Grid->AddNode(2, 2);
    F.Grid->AddNode(5, 3);
    F.Grid->ContractNode(5);   // r6, r7 hidden
    F.Grid->ContractNode(1);
    F.Grid->RemoveChildRow(3);
    EXPECT_EQ(3, F.Grid->GetNodeSpan(1));
    EXPECT_EQ(1, F.Grid->GetNodeSpan(2));
    EXPECT_FALSE(F.Grid->GetNodeState(1));
    EXPECT_EQ("r4", F.Grid->Cells(1, 3));
    F.Grid->ExpandAll();
    ASSERT_EQ(7, F.Grid->RowCount());
    const char* Want[] = {"", "r1", "r2", "r4", "r5", "r6", "r7"};
    for (Integer R = 0; R < 7; ++R) EXPECT_EQ(Want[R], F.Grid->Cells(1, R)) << R;
}

TEST_F(ExtGridNodes, RowsOutsideNodesAndNodeRowsThemselves) {
    F.Grid->AddNode(4, 2);
    F.Grid->RemoveChildRow(2);   // no parent: just the row goes
    EXPECT_EQ(7, F.Grid->RowCount());
    EXPECT_EQ(2, F.Grid->GetNodeSpan(3));
    F.Grid->RemoveChildRow(3);   // the node row itself
    EXPECT_EQ(0, F.Grid->NodeCount());
    EXPECT_EQ("r5", F.Grid->Cells(1, 3));
    F.Grid->InsertChildRow(1, 0);
    EXPECT_EQ("", F.Grid->Cells(1, 1));
    EXPECT_EQ(0, F.Level(1));
    EXPECT_THROW(F.Grid->InsertChildRow(40, 1), EExtGridError);
    EXPECT_THROW(F.Grid->RemoveChildRow(-1), EExtGridError);
}

TEST_F(ExtGridNodes, RenumberingInsertAndRemoveKeepHiddenRowsInPlace) {
    F.Grid->HideRows(5, 6);
    F.Grid->InsertRowRenumber(2);
    F.Grid->SetCells(1, 2, "new");
    F.Grid->RemoveRowRenumber(4);   // r3
    F.Grid->RemoveRowRenumber(6);   // hidden: left alone
    F.Grid->UnHideRowsAll();
    ASSERT_EQ(8, F.Grid->RowCount());
    const char* Want[] = {"", "r1", "new", "r2", "r4", "r5", "r6", "r7"};
    for (Integer R = 0; R < 8; ++R) EXPECT_EQ(Want[R], F.Grid->Cells(1, R)) << R;
}

TEST_F(ExtGridNodes, RemovingTheOnlyDataRowEmptiesItAndMovesNothing) {
    F.Grid->SetRowCount(4);
    F.Grid->HideRows(3, 3);
    F.Grid->RemoveRowRenumber(2);
    F.Grid->RemoveRowRenumber(1);   // the last shown data row
    EXPECT_EQ("", F.Grid->Cells(1, 1));
    F.Grid->UnHideRowsAll();
    ASSERT_EQ(3, F.Grid->RowCount());
    EXPECT_EQ("r3", F.Grid->Cells(1, 2));
}

TEST_F(ExtGridNodes, ANodeHoldingAContractedNodeHidesOnlyItsOwnRowsAndBothAreRemoved) {
    F.Grid->AddNode(1, 5);   // r1 .. r5
    F.Grid->AddNode(2, 3);   // r2 .. r4
    F.Grid->ContractNode(2);
    F.Grid->ContractNode(1);
    ASSERT_EQ(4, F.Grid->RowCount());
    EXPECT_EQ("r6", F.Grid->Cells(1, 2));
    F.Grid->RemoveAllNodes();
    EXPECT_EQ(0, F.Grid->NodeCount());
    EXPECT_EQ(8, F.Grid->RowCount());
    for (Integer R = 1; R < 8; ++R) EXPECT_TRUE(!F.Grid->IsNode(R) && F.Level(R) == 0) << R;
}

TEST_F(ExtGridNodes, CallsOnAHiddenRowActOnThatRow) {   // display row 2 is r6's node then
    for (auto [R, Span] : {std::pair{1, 5}, {2, 2}, {6, 2}}) F.Grid->AddNode(R, Span);
    F.Grid->ContractNode(1);
    F.Grid->ContractNode(2);
    F.Grid->AddNode(4, 2);
    F.Grid->MarkSummaryRow(3);
    EXPECT_TRUE(F.Grid->RemoveNode(4) && F.Grid->GetNodeSpan(2) == 2 && !F.Grid->GetNodeState(2));
    F.Grid->ExpandNode(1);
    EXPECT_TRUE(F.Grid->GetNodeState(2) && F.Grid->Cells(1, 3) == "r4");   // r2's node, contracted
    F.Grid->ExpandNode(2);
    EXPECT_TRUE(F.Grid->IsSummaryRow(3) && !F.Grid->IsNode(4) && F.Level(4) == 1);
}

TEST_F(ExtGridNodes, ANodeGraphicReplacedTakesItsNodeWhole) {   // its rows show, no level or count is left
    F.Grid->AddNode(2, 3), F.Grid->ContractNode(2), F.Grid->MarkSummaryRow(2);
    EXPECT_TRUE(F.Grid->IsSummaryRow(2) && F.Grid->RowCount() == 8 && !F.Grid->HasNodes() && F.Level(3) == 0);
    F.Grid->AddNode(4, 2), F.Grid->ContractNode(4), F.Grid->AddNode(4, 2);   // made again: one node, open
    EXPECT_TRUE(F.Grid->NodeCount() == 1 && F.Level(5) == 1 && F.Grid->RowCount() == 8);
    F.Grid->AddNode(1, 2), F.Grid->CellNode()->SetExpandOne(true);   // r4's going closes r1's: the mark is r4's
    F.Grid->MarkSummaryRow(4);
    EXPECT_TRUE(F.Grid->IsSummaryRow(F.Grid->DisplRowIndex(4)) && !F.Grid->IsSummaryRow(F.Grid->DisplRowIndex(5)));
}

TEST_F(ExtGridNodes, MovingAContractedNodeWithExpandOneMovesThatNode) {   // opening r4's node closes r1's
    F.Grid->AddNode(1, 2), F.Grid->AddNode(4, 2), F.Grid->ContractNode(4), F.Grid->CellNode()->SetExpandOne(true);
    F.Grid->MoveRow(4, 6);   // r4 after r7
    EXPECT_EQ("r4", F.Grid->Cells(1, F.Grid->RowCount() - 1));
}
