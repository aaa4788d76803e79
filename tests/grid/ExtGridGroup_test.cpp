#include "grid/ExtGrid.h"

#include "platform/ui/UiTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace {

using V = std::vector<AnsiString>;

struct TGroupPaintGrid : TExtStringGrid {
    using TExtStringGrid::TExtStringGrid;
    using TBaseGrid::PaintCounter;
};

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

namespace {

// Grouped by year (column 1): the year goes into the header's name column, a
// summary row under each group holds the group total as the application writes it.
struct TYearGroups : TGroupGrid {
    TYearGroups() : TGroupGrid({{"2024", "Can", "5"}, {"2023", "Ali", "1"}, {"2024", "Ece", "7"}, {"2023", "Ayşe", "2"}}) {
        Grid->Grouping()->SetSummary(true);
        Grid->Group(1);
        // 1 "2023", 2-3 data, 4 summary, 5 "2024", 6-7 data, 8 summary, 9 footer
        Grid->SetCells(2, 4, "3");
        Grid->SetCells(2, 8, "12");
    }
};

}  // namespace

TEST(ExtGridGroup, StatisticsCountOnlyTheDataRowsOfAGroupedGrid) {
    TYearGroups G;
    TExtStringGrid* Gr = G.Grid.get();
    ASSERT_EQ((V{"Ad", "2023", "Ali", "Ayşe", "", "2024", "Can", "Ece", "", ""}), G.Column(1));
    EXPECT_DOUBLE_EQ(15, Gr->ColumnSum(2, 1, 8));
    EXPECT_DOUBLE_EQ(15.0 / 4, Gr->ColumnAvg(2, 1, 8));
    EXPECT_DOUBLE_EQ(1, Gr->ColumnMin(2, 1, 8));   // from the first data row, not the empty header
    EXPECT_DOUBLE_EQ(7, Gr->ColumnMax(2, 1, 8));   // the group total of 12 is no data
    EXPECT_DOUBLE_EQ(0, Gr->ColumnSum(1, 1, 8));   // the years in the headers are not summed
    EXPECT_DOUBLE_EQ(0, Gr->ColumnAvg(2, 4, 5));   // a range of grouping rows only
    EXPECT_DOUBLE_EQ(0, Gr->ColumnMax(2, 4, 5));
    Gr->UnGroup();
    EXPECT_DOUBLE_EQ(15, Gr->ColumnSum(3, 1, 4));
}

TEST(ExtGridGroup, StatisticsSkipInPlaceHeadersButCountPlainNodeRows) {
    TGroupGrid G({{"Ali", "2023", "1"}, {"Can", "2024", "5"}}, false);
    TExtStringGrid* Gr = G.Grid.get();
    Gr->AddNode(1, 2);   // a node of the application's own: its row is data
    EXPECT_DOUBLE_EQ(4047, Gr->ColumnSum(2, 1, 2));
    Gr->RemoveAllNodes();
    Gr->GroupInPlace(1);   // the names go into headers of column 2, beside the years
    ASSERT_EQ((V{"Ad", "Ali", "2023", "Can", "2024"}), G.Column(2));
    Gr->SetCells(2, 1, "7");   // a header whose text reads as a number
    EXPECT_DOUBLE_EQ(4047, Gr->ColumnSum(2, 1, 4));
    EXPECT_DOUBLE_EQ(2023, Gr->ColumnMin(2, 1, 4));
}

TEST(ExtGridGroup, FooterTotalsAndCountsSkipGroupingRowsAlsoInContractedGroups) {
    TYearGroups G;
    TExtStringGrid* Gr = G.Grid.get();
    Gr->FloatingFooter()->SetVisible(true);
    Gr->SetFixedFooters(1);
    Gr->SetFloatFormat("%.0f");
    Gr->SetFooterCalcKind(2, 1);
    Gr->SetFooterCalcKind(1, 3);
    Gr->CalcFooter(-1);
    const Integer FR = Gr->RowCount() - 1;
    EXPECT_EQ("15", Gr->Cells(2, FR));
    EXPECT_EQ("4", Gr->Cells(1, FR));
    Gr->ContractNode(5);   // "2024": its two rows are hidden
    Gr->FloatingFooter()->SetCalculateHiddenRows(true);
    Gr->CalcFooter(-1);
    EXPECT_EQ(8, Gr->RowCount());
    EXPECT_EQ("15", Gr->Cells(2, Gr->RowCount() - 1));
    EXPECT_EQ("4", Gr->Cells(1, Gr->RowCount() - 1));
    Gr->FloatingFooter()->SetCalculateHiddenRows(false);
    Gr->CalcFooter(-1);
    EXPECT_EQ("3", Gr->Cells(2, Gr->RowCount() - 1));
    EXPECT_EQ("2", Gr->Cells(1, Gr->RowCount() - 1));
}

// A hidden row (Ankara Ali) through Group, GroupInPlace, and a sort inside the groups;
// the grouped column keeps its footer kind, and column 0, holding the nodes, is never grouped.
TEST(ExtGridGroup, HiddenRowsKeepTheirValuesThroughGroupingAndSortsInsideGroups) {
    auto RowsByName = [](const TGroupGrid& G) {   // "name city amount", sorted
        V Out;
        for (Integer R = 1; R < G.Grid->RowCount() - 1; ++R)
            Out.push_back(G.Grid->Cells(2, R) + " " + G.Grid->Cells(1, R) + " " + G.Grid->Cells(3, R));
        std::sort(Out.begin(), Out.end());
        return Out;
    };
    const V Want = RowsByName(TGroupGrid(Sample));
    for (int Road = 0; Road < 3; ++Road) {
        TGroupGrid G(Sample);
        G.Grid->SetFooterCalcKind(3, 1);   // sum
        if (Road == 2) {
            G.Grid->Group(1);   // Ankara: Ali 1, Ayşe 2; Bursa: Can 5, Ece 7
            G.Grid->SortSettings()->SetColumn(2);
            G.Grid->SortSettings()->SetDirection(sdDescending);
        }
        G.Grid->HideRow(2);
        if (Road == 0) G.Grid->Group(1);
        if (Road == 1) G.Grid->GroupInPlace(1);
        if (Road == 2) G.Grid->SortNodesByColumn();
        if (Road == 1) G.Grid->UngroupInPlace(1);
        else G.Grid->UnGroup();
        G.Grid->UnHideRowsAll();
        EXPECT_EQ(Want, RowsByName(G)) << Road;
        EXPECT_EQ(1, G.Grid->FooterCalcKind(3)) << Road;
    }
    TGroupGrid G(Sample);
    G.Grid->SetFixedCols(0);
    G.Grid->Group(0);
    EXPECT_EQ(-1, G.Grid->GroupColumn());
}

TEST(ExtGridGroup, EveryGroupingSettingRepaintsAShownGrid) {
    uitest::TGridOnForm<TGroupPaintGrid> F(4, 4);
    F.ShowFocused();
    TGrouping* Gr = F.Grid->Grouping();
    const std::function<void()> Setters[] = {[&] { Gr->SetHeaderColor(clRed); }, [&] { Gr->SetHeaderUnderline(true); },
                                             [&] { Gr->SetSummaryLineWidth(4); }, [&] { Gr->SetSummary(true); },
                                             [&] { TCellNode N(nullptr); N.SetTreeColor(clRed), F.Grid->CellNode()->Assign(&N); }};
    for (const auto& Set : Setters) {
        const Integer Before = F.Grid->PaintCounter();
        Set();
        uitest::Settle();
        EXPECT_GT(F.Grid->PaintCounter(), Before);
    }
}
