#include "grid/ExtGrid.h"
#include "grid/ExtObj.h"

#include "platform/ui/Forms.h"
#include "platform/ui/UiTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <random>
#include <vector>

namespace {

// A grid with one fixed row and column and the data rows given as column-1 (and
// optionally column-2) texts.
struct TSortGrid {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TExtStringGrid* Grid = nullptr;
    explicit TSortGrid(const std::vector<AnsiString>& Col1, const std::vector<AnsiString>& Col2 = {}) {
        Grid = new TExtStringGrid(Form.get());
        Grid->SetParent(Form.get());
        Grid->SetColCount(3);
        Grid->SetRowCount(Integer(Col1.size()) + 1);
        for (size_t I = 0; I < Col1.size(); ++I) {
            Grid->SetCells(0, Integer(I) + 1, IntToStr(Integer(I) + 1));
            Grid->SetCells(1, Integer(I) + 1, Col1[I]);
            if (I < Col2.size()) Grid->SetCells(2, Integer(I) + 1, Col2[I]);
        }
    }
    std::vector<AnsiString> Column(Integer C) const {
        std::vector<AnsiString> V;
        for (Integer R = 1; R < Grid->RowCount(); ++R) V.push_back(Grid->Cells(C, R));
        return V;
    }
    void Sort(Integer Col, TSortDirection Dir) {
        Grid->SortSettings()->SetColumn(Col);
        Grid->SortSettings()->SetDirection(Dir);
        Grid->SortByColumn();
    }
    void Style(TSortStyle S) {
        Grid->OnGetFormat = [S](TObject*, Integer, Integer& AStyle, AnsiString&, AnsiString&) { AStyle = S; };
    }
};

using V = std::vector<AnsiString>;

}  // namespace

TEST(ExtGridSort, NumericFormatPutsBlankAndUnreadableTextBeforeNumbers) {
    TSortGrid G({"10", "9", "abc", ""});
    G.Style(ssNumeric);
    G.Sort(1, sdAscending);
    const V C = G.Column(1);
    EXPECT_EQ((V{"9", "10"}), V(C.begin() + 2, C.end()));
    G.Sort(1, sdDescending);
    const V D = G.Column(1);
    EXPECT_EQ((V{"10", "9"}), V(D.begin(), D.begin() + 2));
}

// Texts in the Turkish settings ("," decimal, "." thousands), the ascending order expected.
struct TNumberCase {
    TSortStyle Style;
    const char* Prefix;
    const char* Suffix;
    V Texts, Sorted;
};

class ExtGridSortNumbers : public testing::TestWithParam<TNumberCase> {};

TEST_P(ExtGridSortNumbers, ReadsSignsSeparatorsAndLongNumbers) {
    const TNumberCase& P = GetParam();
    TFormatSettingsGuard Keep(TurkishFormatSettings());
    TSortGrid G(P.Texts);
    G.Grid->OnGetFormat = [&P](TObject*, Integer, Integer& S, AnsiString& Pre, AnsiString& Suf) {
        S = P.Style;
        Pre = P.Prefix;
        Suf = P.Suffix;
    };
    G.Sort(1, sdAscending);
    EXPECT_EQ(P.Sorted, G.Column(1));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ExtGridSortNumbers,
    testing::Values(
        // Either separator reads as the decimal point; "1.234,5" has two and reads as 0, as
        // does "1e" beside the exponent form "1e3"; "-0" is 0 too: the three keep their order.
        TNumberCase{ssNumeric, "", "", {"+3", "1.234,5", "-1,5", ",5", "-0", "1e3", "1e", " 1.5 ", "2."},
                    {"-1,5", "1.234,5", "-0", "1e", ",5", " 1.5 ", "2.", "+3", "1e3"}},
        // Past 15 digits: equal once rounded to a double, so they keep their order.
        TNumberCase{ssNumeric, "", "", {"10000000000000001", "9999999999999999,9", "10000000000000000", "123456789012345"},
                    {"123456789012345", "10000000000000001", "9999999999999999,9", "10000000000000000"}},
        TNumberCase{ssFinancial, "", " TL", {"1.234,50 TL", "-2.000 TL", "999,99 TL", "12.345.678.901.234.567 TL", "x TL"},
                    {"-2.000 TL", "x TL", "999,99 TL", "1.234,50 TL", "12.345.678.901.234.567 TL"}},
        TNumberCase{ssNumeric, "$", "", {"$10", "$-2", "3", "$ 1,25"}, {"$-2", "$ 1,25", "3", "$10"}},
        // Short dates: four-digit years as written, two-digit ones in the program's century window.
        TNumberCase{ssShortDateEU, "", "", {"01.01.10", "25.12.2005", "08.12.26", "29.02.2000"},
                    {"29.02.2000", "25.12.2005", "01.01.10", "08.12.26"}},
        TNumberCase{ssShortDateUS, "", "", {"01/01/2010", "12/25/2005"}, {"12/25/2005", "01/01/2010"}}));

TEST(ExtGridSort, ARowNeverWrittenSortsAsBlankAndTakesNoCellsAlong) {
    TSortGrid G({"c", "b"});
    G.Grid->SetRowCount(5);   // rows 3 and 4 hold no cells at all
    G.Grid->SetCells(1, 4, "a");
    G.Grid->SetCells(2, 4, "x");
    G.Sort(1, sdDescending);
    EXPECT_EQ((V{"c", "b", "a", ""}), G.Column(1));
    EXPECT_EQ((V{"", "", "x", ""}), G.Column(2));
    EXPECT_EQ((V{"1", "2", "", ""}), G.Column(0));
    G.Sort(1, sdAscending);
    EXPECT_EQ((V{"", "a", "b", "c"}), G.Column(1));
    EXPECT_EQ((V{"", "x", "", ""}), G.Column(2));
}

namespace {
struct TPaintCountingGrid : TExtStringGrid {
    using TExtStringGrid::TExtStringGrid;
    using TBaseGrid::PaintCounter;
};
}  // namespace

TEST(ExtGridSort, AShownGridRepaintsAndAnOpenEditEndsBeforeTheRowsMove) {
    auto Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(0, 0, 400, 300);
    auto* G = new TPaintCountingGrid(Form.get());
    G->SetParent(Form.get());
    G->SetBounds(0, 0, 300, 200);
    G->SetColCount(2);
    G->SetRowCount(4);
    const V Texts{"c", "a", "b"};
    for (Integer R = 1; R <= 3; ++R) G->SetCells(1, R, Texts[size_t(R - 1)]);
    TGridOptions O = G->Options();
    O.Include(goEditing);
    G->SetOptions(O);
    Form->Show();
    Form->Widget()->activateWindow();
    G->SetFocus();
    uitest::Settle();
    G->SetCol(1);
    G->SetRow(1);
    uitest::SendKey(uitest::FocusTarget(), Qt::Key_F2);
    ASSERT_TRUE(G->EditorMode());
    EXPECT_EQ("c", G->InplaceEditor()->Text());
    const Integer Painted = G->PaintCounter();
    G->SortSettings()->SetColumn(1);
    G->SortByColumn();
    // No editor stays over a cell it was not opened on.
    EXPECT_FALSE(G->EditorMode());
    EXPECT_EQ("a", G->Cells(1, 1));
    uitest::Settle();
    EXPECT_GT(G->PaintCounter(), Painted);
    // Only the sort column's cells move: the edit ends all the same.
    uitest::SendKey(uitest::FocusTarget(), Qt::Key_F2);
    ASSERT_TRUE(G->EditorMode());
    G->SortSettings()->SetSingleColumn(true);
    G->SortSettings()->SetDirection(sdDescending);
    G->SortByColumn();
    EXPECT_FALSE(G->EditorMode());
    EXPECT_EQ("c", G->Cells(1, 1));
}

TEST(ExtGridSort, IgnoreBlanksKeepsBlankCellsAtTheirPlaceInBothDirections) {
    TSortGrid G({"10", "", "9", "abc"});
    G.Style(ssNumeric);
    G.Grid->SortSettings()->SetIgnoreBlanks(true);
    G.Grid->SortSettings()->SetBlankPos(blLast);
    G.Sort(1, sdAscending);
    EXPECT_EQ("", G.Column(1).back());
    G.Sort(1, sdDescending);
    EXPECT_EQ((V{"10", "9", "abc", ""}), G.Column(1));
    G.Grid->SortSettings()->SetBlankPos(blFirst);
    G.Sort(1, sdDescending);
    EXPECT_EQ("", G.Column(1).front());
}

TEST(ExtGridSort, EqualNumbersAndBlanksAreOrderedByTheNextColumnInTheSameDirection) {
    TSortGrid G({"2", "1", "2", "", "1", ""}, {"b", "c", "a", "y", "d", "x"});
    G.Grid->OnGetFormat = [](TObject*, Integer ACol, Integer& S, AnsiString&, AnsiString&) {
        if (ACol == 1) S = ssNumeric;
    };
    G.Grid->SortSettings()->SetIgnoreBlanks(true);
    G.Sort(1, sdDescending);
    EXPECT_EQ((V{"", "", "2", "2", "1", "1"}), G.Column(1));
    EXPECT_EQ((V{"y", "x", "b", "a", "d", "c"}), G.Column(2));
    G.Grid->SortSettings()->SetBlankPos(blLast);
    G.Sort(1, sdAscending);
    EXPECT_EQ((V{"1", "1", "2", "2", "", ""}), G.Column(1));
    EXPECT_EQ((V{"c", "d", "a", "b", "x", "y"}), G.Column(2));
}

TEST(ExtGridSort, AlphaNoCaseOrdersLettersAndBreaksTiesByCase) {
    TSortGrid G({"C", "a", "b", "A"});
    G.Style(ssAlphaNoCase);
    G.Sort(1, sdAscending);
    EXPECT_EQ((V{"A", "a", "b", "C"}), G.Column(1));
    G.Style(ssAlphabetic);
    G.Sort(1, sdAscending);
    EXPECT_EQ((V{"A", "C", "a", "b"}), G.Column(1));
}

TEST(ExtGridSort, AutomaticFormatReadsNumbersAndDatesOfTheWholeColumn) {
    TSortGrid G({"100", "9", "25", ""});
    G.Sort(1, sdAscending);
    EXPECT_EQ((V{"", "9", "25", "100"}), G.Column(1));
    TSortGrid D({"03/01/2020", "01/02/2019", "02/01/2020"});
    D.Sort(1, sdAscending);
    EXPECT_EQ((V{"01/02/2019", "02/01/2020", "03/01/2020"}), D.Column(1));
    TSortGrid M({"10", "x", "9"});   // mixed texts compare as text
    M.Sort(1, sdAscending);
    EXPECT_EQ((V{"10", "9", "x"}), M.Column(1));
}

TEST(ExtGridSort, FullOrdersEqualCellsByTheNextColumn) {
    TSortGrid G({"b", "a", "b", "a"}, {"2", "4", "1", "3"});
    G.Sort(1, sdAscending);
    EXPECT_EQ((V{"3", "4", "1", "2"}), G.Column(2));
    G.Sort(1, sdDescending);
    EXPECT_EQ((V{"2", "1", "4", "3"}), G.Column(2));
}

TEST(ExtGridSort, MergedRowsMoveAsOneBlockWithTheirProperties) {
    TSortGrid G({"c", "a", "x", "y", "b"});
    G.Grid->MergeCells(1, 3, 1, 2);   // rows 3 and 4 of column 1
    G.Grid->SetCells(1, 3, "b2");
    G.Grid->SetColors(2, 2, clRed);
    G.Sort(1, sdAscending);
    // blocks: c(1) a(2) b2(3-4) b(5) ordered a, b, b2, c
    EXPECT_EQ("a", G.Grid->Cells(1, 1));
    EXPECT_EQ(clRed, G.Grid->Colors(2, 1));
    EXPECT_EQ("b", G.Grid->Cells(1, 2));
    EXPECT_TRUE(G.Grid->IsBaseCell(1, 3));
    EXPECT_EQ(Point(0, 1), G.Grid->CellSpan(1, 3));
    EXPECT_EQ("b2", G.Grid->Cells(1, 4));
    EXPECT_EQ("c", G.Grid->Cells(1, 5));
    EXPECT_EQ(1, G.Grid->GetCellProperties(2, 1)->OwnerRow());
}

TEST(ExtGridSort, HiddenRowsComeBackWholeAfterASort) {
    TSortGrid G({"d", "c", "b", "a"});
    G.Grid->HideRow(2);   // "c"
    G.Sort(1, sdAscending);
    EXPECT_EQ((V{"a", "b", "d"}), G.Column(1));
    G.Grid->UnHideRowsAll();
    V All = G.Column(1);
    std::sort(All.begin(), All.end());
    EXPECT_EQ((V{"a", "b", "c", "d"}), All);
}

TEST(ExtGridSort, IndexedSortNeedsIndexesAndHonoursEachDirection) {
    TSortGrid G({"b", "a", "b", "a"}, {"1", "1", "2", "2"});
    EXPECT_THROW(G.Grid->SortIndexed(), EExtGridError);
    EXPECT_EQ((V{"b", "a", "b", "a"}), G.Column(1));
    G.Grid->SortIndexes() = {1, 2 | TSortIndexList::DescendingBit};
    G.Grid->SortIndexed();
    EXPECT_EQ((V{"a", "a", "b", "b"}), G.Column(1));
    EXPECT_EQ((V{"2", "1", "2", "1"}), G.Column(2));
}

TEST(ExtGridSort, RestoreSortOrderBringsBackTheRowsBeforeSorting) {
    TSortGrid G({"c", "a", "d", "b"});
    G.Sort(1, sdAscending);
    G.Sort(1, sdDescending);
    G.Grid->RestoreSortOrder();
    EXPECT_EQ((V{"c", "a", "d", "b"}), G.Column(1));
    EXPECT_EQ((V{"1", "2", "3", "4"}), G.Column(0));
}

TEST(ExtGridSort, ThreeHeaderSortsWithUndoGiveUpDownAndUnsorted) {
    TSortGrid G({"b", "c", "a"});
    G.Grid->SortSettings()->SetShow(true);
    G.Grid->SortSettings()->SetUndoSort(true);
    std::vector<Integer> Clicked;
    G.Grid->OnClickSort = [&](TObject*, Integer C) { Clicked.push_back(C); };
    EXPECT_TRUE(G.Grid->ClickSort(1, false));
    EXPECT_EQ((V{"a", "b", "c"}), G.Column(1));
    G.Grid->ClickSort(1, false);
    EXPECT_EQ((V{"c", "b", "a"}), G.Column(1));
    G.Grid->ClickSort(1, false);
    EXPECT_EQ((V{"b", "c", "a"}), G.Column(1));
    EXPECT_EQ((std::vector<Integer>{1, 1, -1}), Clicked);
}

TEST(ExtGridSort, HeaderSortIsRefusedByTheEventAndOnSmallGrids) {
    TSortGrid G({"b", "a"});
    G.Grid->SortSettings()->SetShow(true);
    G.Grid->OnCanSort = [](TObject*, Integer, bool& Do) { Do = false; };
    EXPECT_FALSE(G.Grid->ClickSort(1, false));
    EXPECT_EQ((V{"b", "a"}), G.Column(1));
    TSortGrid Small({"b"});
    Small.Grid->SortSettings()->SetShow(true);
    EXPECT_FALSE(Small.Grid->ClickSort(1, false));
}

TEST(ExtGridSort, AutoColumnMergeMergesEqualRunsAgainAfterTheSort) {
    TSortGrid G({"x", "x", "y", "x"});
    G.Grid->SortSettings()->SetShow(true);
    G.Grid->MergeColumnCells(1, true);
    TSortGrid Plain({"x", "x", "y", "x"});
    Plain.Grid->SortSettings()->SetShow(true);
    Plain.Grid->MergeColumnCells(1, true);
    G.Grid->SortSettings()->SetAutoColumnMerge(true);
    G.Grid->ClickSort(1, false);
    Plain.Grid->ClickSort(1, false);
    EXPECT_EQ(Point(0, 2), G.Grid->CellSpan(1, 1));
    EXPECT_EQ(Point(0, 1), Plain.Grid->CellSpan(1, 1));
    EXPECT_EQ((V{"x", "x", "x", "y"}), G.Column(1));
}

TEST(ExtGridSort, NormalCellsOnlyLeavesTheFixedColumnTextsInPlace) {
    TSortGrid G({"b", "a"});
    G.Grid->SortSettings()->SetNormalCellsOnly(true);
    G.Sort(1, sdAscending);
    EXPECT_EQ((V{"1", "2"}), G.Column(0));
    EXPECT_EQ((V{"a", "b"}), G.Column(1));
}

TEST(ExtGridSort, SwapRowsExchangesHeightsOrOnlyTheSortColumn) {
    TSortGrid G({"a", "b"}, {"1", "2"});
    G.Grid->SetRowHeights(1, 40);
    G.Grid->SwapRows(1, 2);
    EXPECT_EQ((V{"b", "a"}), G.Column(1));
    EXPECT_EQ((V{"2", "1"}), G.Column(2));
    EXPECT_EQ(40, G.Grid->RowHeights(2));
    G.Grid->SortSettings()->SetColumn(1);
    G.Grid->SortSettings()->SetSingleColumn(true);
    G.Grid->SwapRows(1, 2);
    EXPECT_EQ((V{"a", "b"}), G.Column(1));
    EXPECT_EQ((V{"2", "1"}), G.Column(2));
}

// Random grids of few values (so most rows tie) against a plain stable sort of the
// rows on the same cell comparisons, sort column first and, with Full, each column
// after it; SingleColumn moves the sort column's cells and objects alone.
TEST(ExtGridSort, RandomGridsSortAsAStableSortOnTheCellComparisons) {
    const char* Pool[] = {"", "1", "2", "10", "-3", "1.5", "a", "B", "b", "abc", "A"};
    const TSortStyle Styles[] = {ssAlphabetic, ssNumeric, ssAlphaNoCase};
    std::mt19937 Rng(25);
    auto Pick = [&Rng](int N) { return int(Rng() % unsigned(N)); };
    std::vector<TObject> Objs(4);
    for (int Case = 0; Case < 400; ++Case) {
        SCOPED_TRACE(Case);
        TSortGrid G({});
        TExtStringGrid& Gr = *G.Grid;
        const Integer Cols = 2 + Pick(4), Rows = 2 + Pick(30);
        Gr.SetColCount(Cols);
        Gr.SetRowCount(Rows + 1);
        Gr.SetFixedRows(1);   // a grid made with no data rows had to drop its fixed row
        const int Values = 2 + Pick(10);   // a handful of values: ties everywhere
        for (Integer R = 1; R <= Rows; ++R)
            for (Integer C = 0; C < Cols; ++C) Gr.SetCells(C, R, Pool[Pick(Values)]);
        std::vector<TSortStyle> St;
        for (Integer C = 0; C < Cols; ++C) St.push_back(Styles[Pick(3)]);
        Gr.OnGetFormat = [St](TObject*, Integer C, Integer& A, AnsiString&, AnsiString&) { A = St[size_t(C)]; };
        TSortSettings* S = Gr.SortSettings();
        S->SetFull(Pick(4) != 0);
        S->SetIgnoreBlanks(Pick(2) != 0);
        S->SetBlankPos(Pick(2) ? blLast : blFirst);
        S->SetSingleColumn(Pick(2) != 0);
        const Integer Col = Pick(Cols);
        const bool Desc = Pick(2) != 0;
        for (Integer R = 1; R <= Rows; R += 3) Gr.SetObjects(Col, R, &Objs[size_t(R % 4)]);
        std::vector<std::vector<AnsiString>> Before(static_cast<size_t>(Cols));
        std::vector<TObject*> ObjBefore;
        for (Integer C = 0; C < Cols; ++C) Before[size_t(C)] = G.Column(C);
        for (Integer R = 1; R <= Rows; ++R) ObjBefore.push_back(Gr.Objects(Col, R));

        std::vector<Integer> Order(static_cast<size_t>(Rows));
        std::iota(Order.begin(), Order.end(), 1);
        std::stable_sort(Order.begin(), Order.end(), [&](Integer A, Integer B) {
            for (Integer C = Col; C < Cols; ++C) {
                Integer R = Gr.CompareCells(C, A, B, Desc);
                if (Desc) R = -R;
                if (R != 0 || !S->Full()) return R < 0;
            }
            return false;
        });
        G.Sort(Col, Desc ? sdDescending : sdAscending);

        for (Integer C = 0; C < Cols; ++C) {
            std::vector<AnsiString> Want = Before[size_t(C)];
            if (C == Col || !S->SingleColumn())
                for (size_t I = 0; I < Order.size(); ++I) Want[I] = Before[size_t(C)][size_t(Order[I] - 1)];
            EXPECT_EQ(Want, G.Column(C)) << "column " << C;
        }
        for (size_t I = 0; I < Order.size(); ++I)
            EXPECT_EQ(ObjBefore[size_t(Order[I] - 1)], Gr.Objects(Col, Integer(I) + 1)) << "row " << I + 1;
        Gr.RestoreSortOrder();
        for (Integer C = 0; C < Cols; ++C) EXPECT_EQ(Before[size_t(C)], G.Column(C)) << "restored column " << C;
    }
}

TEST(ExtGridSort, SortRowMustLieInsideTheFixedRows) {
    TSortGrid G({"a", "b"});
    EXPECT_THROW(G.Grid->SortSettings()->SetRow(1), EExtGridError);
    EXPECT_EQ(0, G.Grid->SortSettings()->Row());
    G.Grid->SetFixedRows(2);
    G.Grid->SortSettings()->SetRow(1);
    EXPECT_EQ(1, G.Grid->SortSettings()->Row());
}

// Sort settings copied are checked as the setter checks them; a click on a data row stays a click.
TEST(ExtGridSort, AssignedSortSettingsMakeNoDataRowTheSortRow) {
    TSortGrid From({"b", "a"}), G({"c"});
    From.Grid->SetFixedRows(2);
    From.Grid->SortSettings()->SetRow(1);
    From.Grid->SortSettings()->SetShow(true);
    EXPECT_THROW(G.Grid->SortSettings()->Assign(From.Grid->SortSettings()), EExtGridError);
    EXPECT_TRUE(G.Grid->SortSettings()->Row() == 0 && !G.Grid->SortSettings()->Show());   // nothing taken
    G.Grid->Assign(From.Grid);   // a whole grid brings the fixed rows its sort row needs
    EXPECT_EQ(1, G.Grid->SortSettings()->Row());
    G.Grid->SetFixedRows(1);   // the sort row is a data row again: a click there sorts nothing
    G.Form->Show();
    uitest::Click(G.Grid, uitest::Middle(G.Grid->CellRect(1, 1)));
    EXPECT_EQ((V{"b", "a"}), G.Column(1));
}

TEST(ExtGridSort, CompareCellsUsesTheColumnFormatAndEvents) {
    TSortGrid G({"x", "y"});
    G.Style(ssCustom);
    G.Grid->OnCustomCompare = [](TObject*, const AnsiString& A, const AnsiString& B, Integer& R) { R = A == "x" ? 5 : -5; };
    EXPECT_EQ(1, G.Grid->CompareCells(1, 1, 2, false));
    G.Style(ssRaw);
    EXPECT_EQ(0, G.Grid->CompareCells(1, 1, 2, false));
    G.Grid->OnRawCompare = [](TObject*, Integer, Integer R1, Integer R2, Integer& R) { R = R1 - R2; };
    EXPECT_EQ(-1, G.Grid->CompareCells(1, 1, 2, false));
}

// --- inserting, removing and clearing ------------------------------------------------
TEST(ExtGridRowsEdit, InsertedRowsPushCellsWithTheirPropertiesDown) {
    TSortGrid G({"a", "b"});
    G.Grid->SetColors(1, 1, clRed);
    TRect Changed{};
    G.Grid->OnCellsChanged = [&](TObject*, TRect R) { Changed = R; };
    G.Grid->InsertRows(1, 2);
    EXPECT_EQ(5, G.Grid->RowCount());
    EXPECT_EQ("", G.Grid->Cells(1, 1));
    EXPECT_EQ(clNone, G.Grid->Colors(1, 1));
    EXPECT_EQ("a", G.Grid->Cells(1, 3));
    EXPECT_EQ(clRed, G.Grid->Colors(1, 3));
    EXPECT_EQ(3, G.Grid->GetCellProperties(1, 3)->OwnerRow());
    EXPECT_EQ(1, Changed.Top);
    EXPECT_EQ(2, Changed.Bottom);
}

TEST(ExtGridRowsEdit, RemovingTheLastCurrentRowMovesTheCurrentRowUp) {
    TSortGrid G({"a", "b", "c"});
    G.Grid->SetRow(3);
    G.Grid->SetRowHeights(3, 33);
    G.Grid->SetRowHeights(2, 44);
    G.Grid->RemoveRowsEx(3, 1);
    EXPECT_EQ(3, G.Grid->RowCount());
    EXPECT_EQ(2, G.Grid->Row());
    EXPECT_EQ(44, G.Grid->RowHeights(2));
    G.Grid->RemoveRowsEx(7, 1);   // beyond the rows: nothing
    EXPECT_EQ(3, G.Grid->RowCount());
    G.Grid->RemoveRowsEx(1, 1);
    EXPECT_EQ((V{"b"}), G.Column(1));
}

TEST(ExtGridRowsEdit, RemovingEveryDataRowLeavesOneEmptyRow) {
    TSortGrid G({"a", "b"});
    G.Grid->RemoveRowsEx(1, 2);
    EXPECT_EQ((V{""}), G.Column(1));
}

TEST(ExtGridRowsEdit, HiddenRowsFollowColumnsInsertedRemovedOrMoved) {
    for (int Change = 0; Change < 3; ++Change) {
        TSortGrid G({"a", "a"}, {"b", "b"});
        G.Grid->HideRows(2, 2);
        Change == 0 ? G.Grid->InsertCols(1, 1) : Change == 1 ? G.Grid->RemoveCols(1, 1) : G.Grid->MoveColumn(1, 2);
        G.Grid->UnHideRowsAll();
        for (Integer C = 1; C < G.Grid->ColCount(); ++C) EXPECT_EQ(G.Grid->Cells(C, 1), G.Grid->Cells(C, 2)) << Change;
    }
}

TEST(ExtGridRowsEdit, ColumnsInsertAndRemoveWithTheirWidths) {
    TSortGrid G({"a"}, {"b"});
    G.Grid->SetColWidths(2, 90);
    G.Grid->InsertCols(1, 1);
    EXPECT_EQ(4, G.Grid->ColCount());
    EXPECT_EQ("", G.Grid->Cells(1, 1));
    EXPECT_EQ("b", G.Grid->Cells(3, 1));
    EXPECT_EQ(90, G.Grid->ColWidths(3));
    G.Grid->RemoveCols(1, 2);
    EXPECT_EQ(2, G.Grid->ColCount());
    EXPECT_EQ("b", G.Grid->Cells(1, 1));
    EXPECT_EQ(90, G.Grid->ColWidths(1));
}

TEST(ExtGridRowsEdit, ClearRectEmptiesTextsAndGraphicsButKeepsColours) {
    TSortGrid G({"a", "b"}, {"c", "d"});
    G.Grid->SetColors(1, 1, clRed);
    G.Grid->CreateCellGraphic(2, 1)->SetCellType(ctCheckBox);
    G.Grid->ClearRect(1, 1, 2, 1);
    EXPECT_EQ("", G.Grid->Cells(1, 1));
    EXPECT_EQ("", G.Grid->Cells(2, 1));
    EXPECT_EQ(ctEmpty, G.Grid->GetCellType(2, 1));
    EXPECT_EQ(clRed, G.Grid->Colors(1, 1));
    EXPECT_EQ("b", G.Grid->Cells(1, 2));
}

TEST(ExtGridRowsEdit, AddRowAtEndGoesAboveTheFooterRow) {
    TSortGrid G({"a", "sum"});
    G.Grid->SetFixedFooters(1);
    G.Grid->AddRowAtEnd();
    EXPECT_EQ((V{"a", "", "sum"}), G.Column(1));
    G.Grid->SetFixedFooters(0);
    G.Grid->AddRowAtEnd();
    EXPECT_EQ(5, G.Grid->RowCount());
}

TEST(ExtGridRowsEdit, ColumnMergesFollowEqualRunsAndSplitAgain) {
    TSortGrid G({"a", "a", "a", "b", "b", "c"});
    G.Grid->MergeColumnCells(1, true);
    EXPECT_EQ(Point(0, 2), G.Grid->CellSpan(1, 1));
    EXPECT_EQ(Point(0, 1), G.Grid->CellSpan(1, 4));
    EXPECT_FALSE(G.Grid->IsMergedCell(1, 6));
    G.Grid->SplitColumnCells(1);
    EXPECT_FALSE(G.Grid->IsMergedCell(1, 2));
    EXPECT_FALSE(G.Grid->IsMergedCell(1, 5));
    TSortGrid H({"A", "A", "B", "A", "C"});   // B hidden: runs are counted over shown rows and stop at it
    H.Grid->HideRow(3), H.Grid->MergeColumnCells(1, true), H.Grid->UnHideRowsAll();
    EXPECT_EQ((V{"A", "A", "B", "A", "C"}), H.Column(1));
}

TEST(ExtGridRowsEdit, SelectedRowsOfADisjunctSelectionAreRemoved) {
    TSortGrid G({"a", "b", "c", "d"});
    G.Grid->MouseActions()->SetDisjunctRowSelect(true);
    G.Grid->SetRowSelected(2, true);
    G.Grid->SetRowSelected(4, true);
    G.Grid->RemoveSelectedRows();
    EXPECT_EQ((V{"a", "c"}), G.Column(1));
}

TEST(ExtGridRowsEdit, MarkedRowsAroundAClosedNodeAreTheOnesClearedOrRemoved) {   // n3 opens as it goes
    for (bool Remove : {false, true}) {
        TSortGrid G({"n1", "a2", "n3", "b4", "c5", "d6"});
        G.Grid->MouseActions()->SetDisjunctRowSelect(true), G.Grid->CellNode()->SetExpandOne(Remove);
        G.Grid->AddNode(1, 2), G.Grid->AddNode(3, 2), G.Grid->ContractNode(3);   // b4 hidden
        for (Integer R : {2, 3, 5}) G.Grid->SetRowSelected(R, true);   // a2 (closed away by ExpandOne: stays), n3, d6
        Remove ? G.Grid->RemoveSelectedRows() : G.Grid->ClearSelectedCells(), G.Grid->ExpandAll();
        EXPECT_EQ((Remove ? V{"n1", "a2", "b4", "c5"} : V{"n1", "", "", "b4", "c5", ""}), G.Column(1)) << Remove;
    }
}

TEST(ExtGridRowsEdit, RowsRemovedOrInsertedAboveHiddenRowsLeaveThemInPlace) {
    TSortGrid G({"a", "b", "c", "d", "e"});
    G.Grid->HideRows(4, 4);   // "d"
    G.Grid->RemoveRowsEx(1, 1);   // "a"
    G.Grid->InsertRows(1, 2);
    G.Grid->SetCells(1, 1, "x");
    G.Grid->SetCells(1, 2, "y");
    EXPECT_EQ((V{"x", "y", "b", "c", "e"}), G.Column(1));
    G.Grid->UnHideRowsAll();
    EXPECT_EQ((V{"x", "y", "b", "c", "d", "e"}), G.Column(1));
}

TEST(ExtGridRowsEdit, RemovingRowsAroundAFilterKeepsTheFilteredRowsWhole) {
    TSortGrid G({"k1", "o1", "k2", "o2", "k3"});
    G.Grid->HideRowList({2, 4});   // the o rows
    G.Grid->RemoveRowsEx(1, 2);   // k1 and k2 shown above o2
    EXPECT_EQ((V{"k3"}), G.Column(1));
    G.Grid->UnHideRowsAll();
    EXPECT_EQ((V{"o1", "o2", "k3"}), G.Column(1));
}

namespace {

// Two node groups around a loose row; the second holds a nested node:
// 1 "N-B" [2 z, 3 x, 4 y], 5 "loose", 6 "N-A" [7 "q" [8 a], 9 m, 10 c]
struct TNodeSortGrid : TSortGrid {
    TNodeSortGrid() : TSortGrid({"N-B", "z", "x", "y", "loose", "N-A", "q", "a", "m", "c"}) {
        Grid->AddNode(1, 4);
        Grid->AddNode(6, 5);
        Grid->AddNode(7, 2);
        Grid->SortSettings()->SetColumn(1);
    }
};

}  // namespace

TEST(ExtGridSortNodes, ChildrenAreSortedUnderTheirNodeAndNestedNodesKeepTheirChildren) {
    TNodeSortGrid G;
    G.Grid->MergeCells(2, 9, 1, 2);   // m and c share a merged cell: they move as one block
    G.Grid->SetCells(2, 9, "merged");
    G.Grid->SortNodesByColumn();
    EXPECT_EQ((V{"N-B", "x", "y", "z", "loose", "N-A", "m", "c", "q", "a"}), G.Column(1));
    EXPECT_EQ((V{"1", "3", "4", "2", "5", "6", "9", "10", "7", "8"}), G.Column(0));
    EXPECT_TRUE(G.Grid->IsNode(1));
    EXPECT_TRUE(G.Grid->IsNode(6));
    EXPECT_TRUE(G.Grid->IsNode(9));
    EXPECT_FALSE(G.Grid->IsNode(7));
    EXPECT_EQ(2, G.Grid->GetNodeSpan(9));
    EXPECT_TRUE(G.Grid->IsBaseCell(2, 7));
    EXPECT_EQ(Point(0, 1), G.Grid->CellSpan(2, 7));
    G.Grid->ContractNode(9);
    EXPECT_EQ(10, G.Grid->RowCount());
    EXPECT_EQ("a", G.Grid->HiddenRowItems(10)->Strings(1));   // "a" went with its node
}

TEST(ExtGridSortNodes, ContractedNodesAreNotSortedButMoveWithTheirHiddenChildren) {
    TNodeSortGrid G;
    G.Grid->ContractNode(7);   // "a" hidden under "q"
    G.Grid->ContractNode(1);   // z, x, y hidden
    ASSERT_EQ(7, G.Grid->RowCount());
    G.Grid->SortNodesByColumn();
    EXPECT_EQ((V{"N-B", "loose", "N-A", "c", "m", "q"}), G.Column(1));
    EXPECT_TRUE(G.Grid->GetNodeState(1));
    EXPECT_TRUE(G.Grid->GetNodeState(6));
    G.Grid->ExpandAll();
    EXPECT_EQ((V{"N-B", "z", "x", "y", "loose", "N-A", "c", "m", "q", "a"}), G.Column(1));
}

TEST(ExtGridSortNodes, IndexedNodeSortNeedsIndexesAndHonoursTheDirection) {
    TNodeSortGrid G;
    EXPECT_THROW(G.Grid->SortNodesIndexed(), EExtGridError);
    EXPECT_EQ("z", G.Grid->Cells(1, 2));
    G.Grid->SortIndexes().assign(1, Integer(1u | 0x80000000u));
    G.Grid->SortNodesIndexed();
    EXPECT_EQ((V{"N-B", "z", "y", "x", "loose", "N-A", "q", "a", "m", "c"}), G.Column(1));
    EXPECT_EQ(1u, G.Grid->SortIndexes().size());   // kept, unlike a sort by column
    G.Grid->SortSettings()->SetDirection(sdAscending);
    G.Grid->SortNodesByColumn();
    EXPECT_TRUE(G.Grid->SortIndexes().empty());
}

TEST(ExtGridSortNodes, SortingTheWholeGridMovesNodeGroupsAndSummariesAsBlocks) {
    TNodeSortGrid G;
    G.Grid->InsertRows(5, 1);   // a summary under the first group
    G.Grid->SetCells(1, 5, "sum");
    G.Grid->MarkSummaryRow(5);
    G.Grid->ContractNode(8);   // the second group's nested node is contracted
    G.Sort(1, sdAscending);
    EXPECT_EQ((V{"N-A", "q", "m", "c", "N-B", "z", "x", "y", "sum", "loose"}), G.Column(1));
    EXPECT_TRUE(G.Grid->IsSummaryRow(9));
    EXPECT_TRUE(G.Grid->GetNodeState(2));
    G.Grid->ExpandNode(2);
    EXPECT_EQ("a", G.Grid->Cells(1, 3));
}
