#include "grid/ExtGrid.h"

#include "platform/ui/Forms.h"
#include "platform/ui/UiTestKit.h"

#include <gtest/gtest.h>

#include <memory>

using namespace uitest;

namespace {

// 1 fixed row, 3 data rows (10, 20, empty), the footer row 4.
struct TFooterGrid {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TExtStringGrid* Grid = nullptr;
    TFooterGrid() {
        Form->SetBounds(0, 0, 600, 400);
        Grid = new TExtStringGrid(Form.get());
        Grid->SetParent(Form.get());
        Grid->SetBounds(0, 0, 500, 300);
        Grid->SetColCount(3);
        Grid->SetRowCount(5);
        Grid->SetCells(1, 1, "10");
        Grid->SetCells(1, 2, "20");
        Grid->FloatingFooter()->SetVisible(true);
    }
    Integer Footer() const { return Grid->RowCount() - 1; }
};

}  // namespace

TEST(ExtGridFooter, NothingIsCalculatedUnlessTheLastRowIsTheShownFooter) {
    TFooterGrid F;
    TExtStringGrid* G = F.Grid;
    G->SetFooterCalcKind(1, 1);
    G->FloatingFooter()->SetVisible(false);
    G->CalcFooter(-1);
    EXPECT_EQ("", G->Cells(1, F.Footer()));
    G->FloatingFooter()->SetVisible(true);
    G->FloatingFooter()->SetFooterStyle(fsColumnPreview);
    G->CalcFooter(-1);
    EXPECT_EQ("", G->Cells(1, F.Footer()));
}

TEST(ExtGridFooter, ShowingTheFooterMakesTheLastRowAFixedFooter) {
    TFooterGrid F;
    EXPECT_EQ(1, F.Grid->FixedFooters());
    EXPECT_TRUE(F.Grid->FooterRowShown());
    F.Grid->FloatingFooter()->SetFooterStyle(fsColumnPreview);
    EXPECT_EQ(0, F.Grid->FixedFooters());
    EXPECT_FALSE(F.Grid->FooterRowShown());
}

TEST(ExtGridFooter, CellsWithoutPropertiesOrKindKeepTheirText) {
    TFooterGrid F;
    TExtStringGrid* G = F.Grid;
    G->SetCells(0, F.Footer(), "Toplam");
    G->SetCells(2, F.Footer(), "note");
    G->SetColors(2, F.Footer(), clRed);   // properties, but no calculation asked for
    G->CalcFooter(-1);
    EXPECT_EQ("Toplam", G->Cells(0, F.Footer()));
    EXPECT_EQ("note", G->Cells(2, F.Footer()));
}

struct TKindCase {
    Integer Kind;
    const char* Expected;
};

class ExtGridFooterKinds : public ::testing::TestWithParam<TKindCase> {};

TEST_P(ExtGridFooterKinds, EachKindFillsTheFooterCell) {
    TFooterGrid F;
    TExtStringGrid* G = F.Grid;
    G->SetFloatFormat("%.0f");
    G->SetCells(1, F.Footer(), "old");
    G->SetFooterCalcKind(1, GetParam().Kind);
    G->CalcFooter(1);
    EXPECT_EQ(GetParam().Expected, G->Cells(1, F.Footer()));
}

// Average divides by all three rows; minimum and maximum skip the empty row; kind 7
// without a handler clears; the high bit of the kind does not count.
INSTANTIATE_TEST_SUITE_P(Kinds, ExtGridFooterKinds,
                         ::testing::Values(TKindCase{0, ""}, TKindCase{1, "30"}, TKindCase{2, "10"},
                                           TKindCase{3, "3"}, TKindCase{4, "10"}, TKindCase{5, "20"},
                                           TKindCase{6, "old"}, TKindCase{7, ""}, TKindCase{0x81, "30"}));

TEST(ExtGridFooter, CustomKindTakesTheEventsTextWithTheRealFooterRow) {
    TFooterGrid F;
    TExtStringGrid* G = F.Grid;
    Integer SeenCol = -1, SeenRow = -1;
    G->FloatingFooter()->OnCalcFooter = [&](TObject*, Integer ACol, Integer ARow, AnsiString& Value) {
        EXPECT_EQ("", Value);
        SeenCol = ACol;
        SeenRow = ARow;
        Value = "custom";
    };
    G->SetFooterCalcKind(2, 7);
    G->CalcFooter(-1);
    EXPECT_EQ("custom", G->Cells(2, F.Footer()));
    EXPECT_EQ(2, SeenCol);
    EXPECT_EQ(F.Footer(), SeenRow);
}

TEST(ExtGridFooter, HiddenRowsCountOnlyWhenAskedFor) {
    TFooterGrid F;
    TExtStringGrid* G = F.Grid;
    G->SetRowCount(7);   // rows 1..5 data, 6 the footer
    G->SetCells(1, 3, "5");
    G->SetCells(1, 4, "7");
    G->SetCells(1, 6, "99");   // the footer's own text never counts
    G->SetFloatFormat("%.0f");
    G->SetFooterCalcKind(1, 1);
    G->SetFooterCalcKind(2, 3);
    G->HideRows(3, 4);
    const Integer FR = G->RowCount() - 1;
    G->CalcFooter(-1);
    EXPECT_EQ("3", G->Cells(2, FR));
    EXPECT_EQ("30", G->Cells(1, FR));
    G->FloatingFooter()->SetCalculateHiddenRows(true);
    G->CalcFooter(-1);
    EXPECT_EQ("5", G->Cells(2, FR));
    EXPECT_EQ("42", G->Cells(1, FR));
}

TEST(ExtGridFooter, StatisticsSkipTextAndHandleEmptyRanges) {
    TFooterGrid F;
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 3, "abc");
    EXPECT_DOUBLE_EQ(30, G->ColumnSum(1, 1, 3));
    EXPECT_DOUBLE_EQ(0, G->ColumnAvg(1, 3, 2));
    EXPECT_DOUBLE_EQ(10, G->ColumnMin(1, 1, 3));
    EXPECT_DOUBLE_EQ(0, G->ColumnMax(1, 3, 3));
    EXPECT_THROW(G->SetFooterCalcKind(3, 1), EExtGridError);
}

TEST(ExtGridFooter, EditingACellRecalculatesTheTotal) {
    TFooterGrid F;
    TExtStringGrid* G = F.Grid;
    TGridOptions O = G->Options();
    O.Include(goEditing);
    G->SetOptions(O);
    G->SetFooterCalcKind(1, 1);
    G->CalcFooter(-1);
    ASSERT_EQ(30, G->Floats(1, F.Footer()));
    F.Form->Show();
    F.Form->Widget()->activateWindow();
    G->SetFocus();
    Settle();
    G->SetCol(1);
    G->SetRow(2);
    TypeText(u"25");
    PressEnter();
    EXPECT_EQ("25", G->Cells(1, 2));
    EXPECT_EQ(35, G->Floats(1, F.Footer()));
}

TEST(ExtGridFooter, OptionObjectsCopyWhatTheyPublish) {
    TFooterGrid A, B;
    A.Grid->FloatingFooter()->SetCalculateHiddenRows(true);
    A.Grid->FloatingFooter()->SetFooterStyle(fsCustomPreview);
    B.Grid->FloatingFooter()->Assign(A.Grid->FloatingFooter());
    EXPECT_TRUE(B.Grid->FloatingFooter()->CalculateHiddenRows());
    EXPECT_EQ(0, B.Grid->FixedFooters());
    A.Grid->Grouping()->SetSummary(true);
    A.Grid->Grouping()->SetHeaderColor(clRed);
    B.Grid->Grouping()->Assign(A.Grid->Grouping());
    EXPECT_EQ(clRed, B.Grid->Grouping()->HeaderColor());
    EXPECT_FALSE(B.Grid->Grouping()->Summary());
    A.Grid->DragScrollOptions()->Margins()->SetTopMargin(7);
    B.Grid->SetDragScrollOptions(A.Grid->DragScrollOptions());
    EXPECT_EQ(7, B.Grid->DragScrollOptions()->Margins()->TopMargin());
    A.Grid->Balloon()->SetTransparency(9);
    B.Grid->Balloon()->Assign(A.Grid->Balloon());
    EXPECT_EQ(0, B.Grid->Balloon()->Transparency());
    EXPECT_EQ(20, A.Grid->FooterPanel()->Height());   // the footer height less one while shown
    EXPECT_EQ(0, A.Grid->SearchPanel()->Height());
}
