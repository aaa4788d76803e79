#include "grid/ExtGrid.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<TExtStringGrid> Filled() {
    auto G = std::make_unique<TExtStringGrid>(nullptr);
    G->SetColCount(4);
    G->SetRowCount(4);
    for (Integer R = 0; R < 4; ++R)
        for (Integer C = 0; C < 4; ++C) G->SetCells(C, R, IntToStr(C) + IntToStr(R));
    return G;
}

}  // namespace

TEST(ExtGridSizing, SelectionAsTextJoinsCellsWithoutAFinalLineEnd) {
    auto G = Filled();
    G->SetSelection(TGridRect{1, 1, 2, 2});
    EXPECT_EQ("11\t21\r\n12\t22", G->SelectionAsText());
    G->MouseActions()->SetDisjunctRowSelect(true);
    G->SetRowSelected(3, true);
    G->SetRowSelected(1, true);
    G->SetSelection(TGridRect{1, 1, 1, 1});
    EXPECT_EQ("11\r\n13", G->SelectionAsText());
}

TEST(ExtGridSizing, FixedCellsAreNeverSelected) {
    auto G = Filled();
    G->SetSelection(TGridRect{1, 1, 2, 2});
    EXPECT_TRUE(G->IsCellSelected(2, 2));
    EXPECT_FALSE(G->IsCellSelected(3, 2));
    EXPECT_FALSE(G->IsCellSelected(0, 1));
    G->MouseActions()->SetDisjunctColSelect(true);
    G->SetColSelected(3, true);
    EXPECT_TRUE(G->IsCellSelected(3, 1));
    EXPECT_FALSE(G->IsCellSelected(3, 0));
}

TEST(ExtGridSizing, FooterTemplatesTakeCellsOfTheCurrentRow) {
    auto G = Filled();
    G->SetRow(2);
    EXPECT_EQ("Toplam 32", G->ExpandFooterTemplate("Toplam <#3>"));
    EXPECT_EQ("a  b", G->ExpandFooterTemplate("a <#x> b"));
    EXPECT_EQ("<#1", G->ExpandFooterTemplate("<#1"));
}

TEST(ExtGridSizing, RowHeightsFollowTheirText) {
    auto G = Filled();
    G->SetMultilinecells(true);
    G->SetCells(1, 2, "one\r\ntwo\r\nthree");
    G->SizeRowToContent(2, false);
    EXPECT_GT(G->RowHeights(2), G->RowHeights(3));
    G->SizeRowToTextHeight(1, 3, 0);
    EXPECT_GT(G->RowHeights(1), G->RowHeights(3));
    G->SetRowHeights(2, 200);
    G->SizeRowToContent(2, true);
    EXPECT_EQ(200, G->RowHeights(2));
}
