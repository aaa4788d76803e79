#include "grid/ExtGrid.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using V = std::vector<AnsiString>;

// A grid with a header row, a footer row and rows of (city, name, amount).
struct TGroupGrid {
    std::unique_ptr<TExtStringGrid> Grid = std::make_unique<TExtStringGrid>(nullptr);
    explicit TGroupGrid(const std::vector<V>& Rows, bool Footer = true) {
        Grid->SetColCount(4);
        Grid->SetRowCount(Integer(Rows.size()) + (Footer ? 2 : 1));
        Grid->SetFixedRows(1);
        Grid->SetFixedCols(1);
        if (Footer) Grid->SetFixedFooters(1);
        Grid->SetCells(1, 0, "İl");
        Grid->SetCells(2, 0, "Ad");
        Grid->SetCells(3, 0, "Tutar");
        if (Footer) Grid->SetCells(1, Grid->RowCount() - 1, "toplam");
        for (size_t R = 0; R < Rows.size(); ++R)
            for (size_t C = 0; C < Rows[R].size(); ++C) Grid->SetCells(Integer(C) + 1, Integer(R) + 1, Rows[R][C]);
    }
    V Column(Integer C) const {
        V Out;
        for (Integer R = 0; R < Grid->RowCount(); ++R) Out.push_back(Grid->Cells(C, R));
        return Out;
    }
};

const std::vector<V> Sample = {{"Bursa", "Can", "5"}, {"Ankara", "Ali", "1"}, {"Bursa", "Ece", "7"},
                               {"Ankara", "Ayşe", "2"}};

}  // namespace

TEST(ExtGridGroup, GroupSortsMakesAHeaderNodePerValueAndRemovesTheColumn) {
    TGroupGrid G(Sample);
    G.Grid->Group(1);
    EXPECT_EQ(3, G.Grid->ColCount());
    EXPECT_EQ(8, G.Grid->RowCount());   // header, 2 x (group header + 2 rows), footer
    // The value goes into column 2 (column 1 is grouped), which is column 1 once it is gone.
    EXPECT_EQ((V{"Ad", "Ankara", "Ali", "Ayşe", "Bursa", "Can", "Ece", ""}), G.Column(1));
    EXPECT_TRUE(G.Grid->IsNode(1));
    EXPECT_TRUE(G.Grid->IsNode(4));
    EXPECT_FALSE(G.Grid->IsNode(2));
    EXPECT_EQ(3, G.Grid->GetNodeSpan(1));
    EXPECT_EQ(1, G.Grid->Row());
    G.Grid->ContractNode(1);
    EXPECT_EQ(6, G.Grid->RowCount());
    EXPECT_EQ("Bursa", G.Grid->Cells(1, 2));
}

TEST(ExtGridGroup, UnGroupPutsTheColumnBackWithItsTextsAndDropsTheHeaders) {
    TGroupGrid G(Sample);
    G.Grid->SetColWidths(1, 77);
    G.Grid->Group(1);
    G.Grid->ContractNode(1);   // a contracted group comes back too
    G.Grid->UnGroup();
    EXPECT_EQ(4, G.Grid->ColCount());
    EXPECT_EQ(6, G.Grid->RowCount());
    EXPECT_EQ(77, G.Grid->ColWidths(1));
    EXPECT_EQ((V{"İl", "Ankara", "Ankara", "Bursa", "Bursa", "toplam"}), G.Column(1));
    EXPECT_EQ((V{"Ad", "Ali", "Ayşe", "Can", "Ece", ""}), G.Column(2));
    for (Integer R = 0; R < G.Grid->RowCount(); ++R) EXPECT_FALSE(G.Grid->IsNode(R)) << R;
    G.Grid->UnGroup();   // nothing grouped: nothing happens
    EXPECT_EQ(4, G.Grid->ColCount());
}

TEST(ExtGridGroup, HeadersAndSummariesTakeTheGroupingColours) {
    TGroupGrid G(Sample);
    TGrouping* Gr = G.Grid->Grouping();
    Gr->SetHeaderColor(clYellow);
    Gr->SetHeaderTextColor(clRed);
    Gr->SetSummary(true);
    Gr->SetSummaryColor(clAqua);
    Gr->SetMergeHeader(true);
    G.Grid->Group(3);   // by amount: four groups of one
    EXPECT_EQ(3, G.Grid->ColCount());
    EXPECT_EQ(1 + 4 * 3 + 1, G.Grid->RowCount());
    EXPECT_TRUE(G.Grid->IsNode(1));
    EXPECT_EQ("1", G.Grid->Cells(1, 1));
    EXPECT_TRUE(G.Grid->IsMergedCell(2, 1));   // merged from the text column to the last
    EXPECT_EQ(clYellow, G.Grid->Colors(1, 1));
    EXPECT_EQ(clRed, G.Grid->FontColors(1, 1));
    EXPECT_TRUE(G.Grid->IsSummaryRow(3));
    EXPECT_EQ(clAqua, G.Grid->Colors(2, 3));
    G.Grid->UnGroup();
    EXPECT_EQ(6, G.Grid->RowCount());
    EXPECT_EQ((V{"Tutar", "1", "2", "5", "7", ""}), G.Column(3));
    EXPECT_FALSE(G.Grid->IsMergedCell(1, 1));
}

TEST(ExtGridGroup, InPlaceGroupsNestAndUngroupOneColumnAtATime) {
    TGroupGrid G({{"Ankara", "Çankaya", "1"}, {"Ankara", "Çankaya", "2"}, {"Ankara", "Keçiören", "3"},
                  {"Bursa", "Nilüfer", "4"}},
                 false);
    G.Grid->GroupInPlace(1);
    EXPECT_EQ(4, G.Grid->ColCount());
    EXPECT_EQ((V{"İl", "", "", "", "", "", ""}), G.Column(1));
    EXPECT_EQ((V{"Ad", "Ankara", "Çankaya", "Çankaya", "Keçiören", "Bursa", "Nilüfer"}), G.Column(2));
    EXPECT_EQ(4, G.Grid->GetNodeSpan(1));
    G.Grid->GroupInPlace(2);
    // Every district under its city gets its header; the city nodes grow with them.
    EXPECT_EQ((V{"Ad", "Ankara", "", "", "", "", "", "Bursa", "", ""}), G.Column(2));
    EXPECT_EQ((V{"Tutar", "", "Çankaya", "1", "2", "Keçiören", "3", "", "Nilüfer", "4"}), G.Column(3));
    EXPECT_EQ(6, G.Grid->GetNodeSpan(1));
    EXPECT_EQ(3, G.Grid->GetNodeSpan(2));
    G.Grid->UngroupInPlace(2);
    EXPECT_EQ((V{"Ad", "Ankara", "Çankaya", "Çankaya", "Keçiören", "Bursa", "Nilüfer"}), G.Column(2));
    EXPECT_EQ(4, G.Grid->GetNodeSpan(1));
    EXPECT_TRUE(G.Grid->IsNode(5));
    G.Grid->UngroupInPlace(1);
    EXPECT_EQ((V{"İl", "Ankara", "Ankara", "Ankara", "Bursa"}), G.Column(1));
    EXPECT_EQ((V{"Tutar", "1", "2", "3", "4"}), G.Column(3));
}

TEST(ExtGridGroup, GroupingLinesUnderlineHeadersAndTopSummaries) {
    TGroupGrid G(Sample);
    TGrouping* Gr = G.Grid->Grouping();
    Gr->SetHeaderUnderline(true);
    Gr->SetSummaryLine(true);
    Gr->SetSummary(true);
    Gr->SetHeaderLineColor(clGreen);
    Gr->SetHeaderLineWidth(3);
    G.Grid->Group(1);
    TPen Pen;
    TCellBorders B;
    G.Grid->GetCellBorder(1, 1, &Pen, B);
    EXPECT_TRUE(B.Contains(cbBottom));
    EXPECT_EQ(clGreen, Pen.Color());
    EXPECT_EQ(3, Pen.Width());
    TCellBorders S;
    G.Grid->GetCellBorder(1, 4, &Pen, S);
    EXPECT_TRUE(S.Contains(cbTop));
    TCellBorders None;
    G.Grid->GetCellBorder(0, 1, &Pen, None);   // not in column 0
    G.Grid->GetCellBorder(1, 2, &Pen, None);   // nor on data rows
    EXPECT_TRUE(None.Empty());
}
