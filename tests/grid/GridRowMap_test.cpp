#include "grid/GridRowMap.h"

#include <gtest/gtest.h>

namespace {

struct TRowsFixture {
    TBaseGrid Grid{nullptr};
    TGridRowMap Map{&Grid};
    Integer Changes = 0;
    TRowsFixture() {
        Grid.SetColCount(3);
        Grid.SetRowCount(10);
        for (Integer R = 0; R < 10; ++R) {
            Grid.SetCells(1, R, "r" + IntToStr(R));
            Grid.SetRowHeights(R, 20 + R);
        }
        Map.OnChanged = [this] { ++Changes; };
    }
    void ExpectAllBack() {
        ASSERT_EQ(Grid.RowCount(), 10);
        for (Integer R = 0; R < 10; ++R) {
            EXPECT_EQ(Grid.Cells(1, R), "r" + IntToStr(R)) << R;
            EXPECT_EQ(Grid.RowHeights(R), 20 + R) << R;
        }
        EXPECT_EQ(Map.NumHiddenRows(), 0);
    }
};

}  // namespace

TEST(GridRowMap, HideRowsMapsIndexesAndUnhideAllRestores) {
    TRowsFixture F;
    F.Map.HideRows(3, 5);
    EXPECT_EQ(F.Grid.RowCount(), 7);
    EXPECT_EQ(F.Map.NumHiddenRows(), 3);
    EXPECT_EQ(F.Map.RealRowIndex(3), 6);
    EXPECT_EQ(F.Map.RealRowIndex(2), 2);
    EXPECT_EQ(F.Map.RealRowIndex(-1), -1);
    EXPECT_EQ(F.Map.DisplRowIndex(6), 3);
    EXPECT_TRUE(F.Map.IsHiddenRow(4));
    EXPECT_FALSE(F.Map.IsHiddenRow(6));
    EXPECT_EQ(F.Map.AllCells(1, 4), "r4");
    EXPECT_EQ(F.Map.AllCells(1, 7), "r7");
    ASSERT_NE(F.Map.HiddenRowItems(5), nullptr);
    EXPECT_EQ(F.Map.HiddenRowItems(5)->Strings(1), "r5");
    EXPECT_EQ(F.Map.HiddenRowItems(6), nullptr);
    EXPECT_EQ(F.Grid.Cells(1, 3), "r6");

    const Integer Before = F.Changes;
    F.Map.HideRows(3, 5);   // all hidden already: nothing happens
    EXPECT_EQ(F.Changes, Before);
    EXPECT_EQ(F.Grid.RowCount(), 7);

    F.Map.UnHideRowsAll();
    F.ExpectAllBack();
}

TEST(GridRowMap, PartialUnhideOnlyFromAHiddenFirstRow) {
    TRowsFixture F;
    F.Map.HideRows(3, 5);
    F.Map.UnHideRows(6, 7);   // row 6 is shown: nothing
    EXPECT_EQ(F.Grid.RowCount(), 7);
    F.Map.UnHideRows(4, 5);
    EXPECT_EQ(F.Grid.RowCount(), 9);
    EXPECT_TRUE(F.Map.IsHiddenRow(3));
    EXPECT_FALSE(F.Map.IsHiddenRow(4));
    EXPECT_EQ(F.Grid.Cells(1, 3), "r4");
    EXPECT_EQ(F.Grid.Cells(1, 4), "r5");
    EXPECT_EQ(F.Grid.RowHeights(4), 25);
    F.Map.UnHideRows(3, 3);
    F.ExpectAllBack();
}

TEST(GridRowMap, MixedRangesAndListsKeepRealIndexes) {
    TRowsFixture F;
    F.Map.HideRows(2, 2);
    F.Map.HideRows(1, 4);   // row 2 is hidden already
    EXPECT_EQ(F.Grid.RowCount(), 6);
    EXPECT_EQ(F.Grid.Cells(1, 1), "r5");
    // The filter's list names display rows; they are kept under their real rows.
    F.Map.HideRowList({3, 1});
    EXPECT_TRUE(F.Map.IsHiddenRow(5));
    EXPECT_TRUE(F.Map.IsHiddenRow(7));
    EXPECT_EQ(F.Grid.RowCount(), 4);
    EXPECT_EQ(F.Map.RealRowIndex(1), 6);
    EXPECT_EQ(F.Map.RealRowIndex(2), 8);
    F.Map.UnHideRowsAll();
    F.ExpectAllBack();
}

TEST(GridRowMap, CellPropertiesTravelWithHiddenRows) {
    TRowsFixture F;
    TObject Tag;
    F.Grid.SetObjects(2, 6, &Tag);
    F.Grid.GetCellProperties(2, 6)->SetBrushColor(clRed);
    F.Map.HideRows(6, 6);
    EXPECT_EQ(F.Grid.Objects(2, 6), nullptr);
    F.Map.UnHideRowsAll();
    EXPECT_EQ(F.Grid.Objects(2, 6), &Tag);
    EXPECT_EQ(F.Grid.GetCellProperties(2, 6)->BrushColor(), clRed);
}

TEST(GridRowMap, NeverRemovesTheLastRow) {
    TBaseGrid G(nullptr);
    G.SetRowCount(2);
    G.SetCells(0, 0, "a");
    G.SetCells(0, 1, "b");
    TGridRowMap M(&G);
    M.HideRows(0, 5);   // rows beyond the grid are ignored, one row stays
    EXPECT_EQ(G.RowCount(), 1);
    EXPECT_EQ(M.NumHiddenRows(), 1);
    M.UnHideRowsAll();
    EXPECT_EQ(G.RowCount(), 2);
    EXPECT_EQ(G.Cells(0, 0), "a");
    EXPECT_EQ(G.Cells(0, 1), "b");
}

TEST(GridRowMap, CellsOfAMergeCutByHiddenRowsKeepTheirOwnText) {
    TRowsFixture F;
    F.Grid.MergeCells(1, 1, 1, 3);   // real rows 1..3 under the base in row 1
    F.Map.HideRows(1, 1);            // the base row goes: real rows 2 and 3 show as rows 1 and 2
    EXPECT_EQ(F.Grid.Cells(1, 1), "r2");
    EXPECT_EQ(F.Grid.Cells(1, 2), "r3");
    EXPECT_FALSE(F.Grid.IsMergedCell(1, 1));
    EXPECT_EQ(F.Grid.BaseCell(1, 2), Point(1, 2));
    EXPECT_NO_THROW(F.Grid.SetCells(1, 1, "x"));
    EXPECT_EQ(F.Grid.Cells(1, 1), "x");
    EXPECT_EQ(F.Grid.Cells(1, 0), "r0");   // the row above keeps its text
    F.Map.UnHideRowsAll();
    // Whole again, the merge shows its base text; the covered cell kept what was written.
    EXPECT_TRUE(F.Grid.IsMergedCell(1, 2));
    EXPECT_EQ(F.Grid.Cells(1, 2), "r1");
    EXPECT_EQ(F.Grid.RawCells(1, 2), "x");
}

TEST(GridRowMap, ACutMergeReachingAboveTheFirstRowIsWritable) {
    TRowsFixture F;
    F.Grid.MergeCells(1, 0, 1, 3);
    F.Map.HideRows(0, 1);   // the covered real row 2 becomes row 0, two rows below a base that went
    EXPECT_EQ(F.Grid.Cells(1, 0), "r2");
    EXPECT_NO_THROW(F.Grid.SetCells(1, 0, "y"));
    EXPECT_EQ(F.Grid.Cells(1, 0), "y");
    EXPECT_EQ(F.Grid.CellRect(1, 0), F.Grid.TStringGrid::CellRect(1, 0));
}

TEST(GridRowMap, HiddenRowsFollowRowsRemovedOrInsertedAroundThem) {
    struct TCase {
        Integer At, Count;
        bool Insert;
        std::vector<Integer> Expected;   // Idx of the rows hidden at 2, 3 and 7
    };
    // Display rows after hiding 2, 3, 7: r0 r1 | r4 r5 r6 | r8 r9 (gaps at 2 and 5).
    const TCase Cases[] = {
        {0, 1, false, {1, 2, 6}},   // above all of them
        {2, 2, false, {2, 3, 5}},   // r4, r5: the first gap stays, the second closes up
        {2, 3, false, {2, 3, 4}},   // r4..r6: both gaps meet
        {5, 2, false, {2, 3, 7}},   // r8, r9: below all of them
        {2, 1, true, {2, 3, 8}},    // at the first gap: the hidden rows stay with r1 above
        {0, 2, true, {4, 5, 9}},
        {7, 1, true, {2, 3, 7}},    // at the end
    };
    for (const TCase& C : Cases) {
        TRowsFixture F;
        F.Map.HideRows(2, 3);
        F.Map.HideRows(7, 7);
        std::vector<Integer> Got;
        if (C.Insert) F.Map.RowsInserted(C.At, C.Count);
        else F.Map.RowsRemoved(C.At, C.Count);
        for (Integer R = 0; R < 20; ++R)
            if (F.Map.IsHiddenRow(R)) Got.push_back(R);
        EXPECT_EQ(Got, C.Expected) << C.At << " " << C.Count << " " << C.Insert;
    }
}

TEST(GridRowMap, ManyRowsHideAndComeBackInOnePass) {
    TBaseGrid G(nullptr);
    G.SetColCount(2);
    G.SetRowCount(2000);
    for (Integer R = 0; R < 2000; ++R) G.SetCells(1, R, IntToStr(R));
    TGridRowMap M(&G);
    std::vector<Integer> Every3rd;
    for (Integer R = 0; R < 2000; R += 3) Every3rd.push_back(R);
    M.HideRowList(Every3rd);
    EXPECT_EQ(G.RowCount(), 2000 - Integer(Every3rd.size()));
    for (Integer D = 0; D < G.RowCount(); ++D) {
        const Integer R = M.RealRowIndex(D);
        ASSERT_EQ(G.Cells(1, D), IntToStr(R)) << D;
        ASSERT_EQ(M.DisplRowIndex(R), D);
        ASSERT_NE(R % 3, 0);
    }
    M.UnHideRows(600, 1199);
    EXPECT_EQ(M.NumHiddenRows(), Integer(Every3rd.size()) - 200);
    for (Integer D = 0; D < G.RowCount(); ++D) ASSERT_EQ(G.Cells(1, D), IntToStr(M.RealRowIndex(D)));
    M.UnHideRowsAll();
    for (Integer R = 0; R < 2000; ++R) ASSERT_EQ(G.Cells(1, R), IntToStr(R));
}
