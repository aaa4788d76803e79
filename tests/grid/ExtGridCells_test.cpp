#include "grid/ExtGrid.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<TExtStringGrid> NewGrid() {
    auto G = std::make_unique<TExtStringGrid>(nullptr);
    G->SetColCount(6);
    return G;
}

// Runs Fn under given separators and puts the process settings back.
template <typename F>
void WithSeparators(char Decimal, char Thousand, F&& Fn) {
    const TFormatSettings Saved = FormatSettings;
    FormatSettings.DecimalSeparator = Decimal;
    FormatSettings.ThousandSeparator = Thousand;
    try {
        Fn();
    } catch (...) {
        FormatSettings = Saved;
        throw;
    }
    FormatSettings = Saved;
}

}  // namespace

struct TIntCase {
    const char* Text;
    bool Valid;
    Integer Value;
};

class ExtGridInts : public ::testing::TestWithParam<TIntCase> {};

TEST_P(ExtGridInts, ReadsTheDisplayText) {
    const TIntCase& C = GetParam();
    auto G = NewGrid();
    G->SetCells(1, 1, C.Text);
    if (C.Valid) {
        EXPECT_EQ(C.Value, G->Ints(1, 1));
    } else {
        try {
            G->Ints(1, 1);
            FAIL() << "no error for " << C.Text;
        } catch (const EExtGridError& E) {
            EXPECT_STREQ("Cell does not contain integer value", E.what());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ExtGridInts,
                         ::testing::Values(TIntCase{"", true, 0}, TIntCase{"-", true, 0}, TIntCase{"42", true, 42},
                                           TIntCase{" -7 ", true, -7}, TIntCase{"12,5", false, 0},
                                           TIntCase{"abc", false, 0}, TIntCase{"99999999999", false, 0}));

TEST(ExtGridCells, FloatsReadRegionalNumbersAndRaiseOnText) {
    WithSeparators(',', '.', [] {
        auto G = NewGrid();
        G->SetCells(1, 1, "(1.234,50)");
        EXPECT_DOUBLE_EQ(-1234.5, G->Floats(1, 1));
        G->SetCells(1, 2, "");
        EXPECT_DOUBLE_EQ(0, G->Floats(1, 2));
        G->SetCells(1, 3, "-");
        EXPECT_DOUBLE_EQ(0, G->Floats(1, 3));
        G->SetCells(1, 4, "yok");
        try {
            G->Floats(1, 4);
            FAIL();
        } catch (const EExtGridError& E) {
            EXPECT_STREQ("Cell does not contain a float value", E.what());
        }
        G->SetFloats(1, 5, 2.5);
        EXPECT_EQ("2,50", G->Cells(1, 5));
    });
}

TEST(ExtGridCells, AllFloatsReadsHiddenRows) {
    WithSeparators('.', ',', [] {
        auto G = NewGrid();
        G->SetCells(1, 3, "3.25");
        G->HideRow(3);
        EXPECT_DOUBLE_EQ(3.25, G->AllFloats(1, 3));
        G->UnHideRowsAll();
    });
}

TEST(ExtGridCells, FloatCellHidesZeroAndBelowOnlyWhenAsked) {
    WithSeparators('.', ',', [] {
        auto G = NewGrid();
        G->SetFloatCell(1, 1, 0);
        EXPECT_EQ("0", G->Cells(1, 1));
        G->SetShowZeroValues(false);
        G->SetFloatCell(1, 1, -2);
        EXPECT_EQ("", G->Cells(1, 1));
        G->SetFloatCell(1, 1, 1.5);
        EXPECT_EQ("1.5", G->Cells(1, 1));
    });
}

TEST(ExtGridCells, RowSelectedChecksItsRangeWithHiddenRows) {
    auto G = NewGrid();
    EXPECT_THROW(G->RowSelected(G->RowCount()), EExtGridError);
    EXPECT_THROW(G->SetRowSelected(-1, true), EExtGridError);
    try {
        G->RowSelected(-1);
    } catch (const EExtGridError& E) {
        EXPECT_STREQ("Invalid row accessed", E.what());
    }
    G->HideRows(3, 4);
    EXPECT_NO_THROW(G->RowSelected(G->RowCount() + 1));
    EXPECT_THROW(G->RowSelected(G->RowCount() + 2), EExtGridError);
    G->UnHideRowsAll();
    try {
        G->ColSelected(6);
        FAIL();
    } catch (const EExtGridError& E) {
        EXPECT_STREQ("Invalid column accessed", E.what());
    }
}

TEST(ExtGridCells, RowSelectionFlagsAndCounts) {
    auto G = NewGrid();
    G->SetSelection(TGridRect{1, 2, 3, 4});
    // Without disjunct selection the flags follow the range.
    EXPECT_TRUE(G->RowSelected(3));
    EXPECT_FALSE(G->RowSelected(5));
    EXPECT_EQ(3, G->RowSelectCount());

    G->MouseActions()->SetDisjunctRowSelect(true);
    EXPECT_FALSE(G->RowSelected(3));
    G->SelectionToRowSelect(false);
    EXPECT_TRUE(G->RowSelected(2));
    EXPECT_TRUE(G->RowSelected(4));
    EXPECT_FALSE(G->RowSelected(5));
    EXPECT_EQ(3, G->RowSelectCount());
    G->SetRowSelected(8, true);
    EXPECT_EQ(4, G->RowSelectCount());
    G->SetSelection(TGridRect{1, 8, 1, 8});
    G->SelectionToRowSelect(true);   // rows outside the selection are cleared too
    EXPECT_EQ(1, G->RowSelectCount());
    G->ClearRowSelect();
    EXPECT_EQ(0, G->RowSelectCount());

    G->SetSelection(TGridRect{2, 1, 3, 1});
    G->SelectionToColSelect(false);
    EXPECT_TRUE(G->ColSelected(2));
    EXPECT_TRUE(G->ColSelected(3));
    EXPECT_FALSE(G->ColSelected(4));
    G->ClearColSelect();
    EXPECT_FALSE(G->ColSelected(2));
}

TEST(ExtGridCells, RowMarksReadFalseOutsideTheList) {
    auto G = NewGrid();
    EXPECT_FALSE(G->RowMarked(500));
    EXPECT_FALSE(G->RowMarked(-1));
    G->SetRowMarked(7, true);
    EXPECT_TRUE(G->RowMarked(7));
    EXPECT_FALSE(G->RowMarked(6));
    G->SetRowMarked(7, false);
    EXPECT_FALSE(G->RowMarked(7));
}

TEST(ExtGridCells, GraphicsAreKeptAsTheCellObject) {
    auto G = NewGrid();
    EXPECT_EQ(ctEmpty, G->GetCellType(1, 1));
    EXPECT_EQ(ctEmpty, G->GetCellType(-1, 1));
    EXPECT_FALSE(G->RemoveCellGraphic(1, 1));

    // A user object is not a graphic and survives a removal attempt.
    TObject Tag;
    G->SetObjects(2, 2, &Tag);
    EXPECT_EQ(nullptr, G->GetCellGraphic(2, 2));
    EXPECT_EQ(ctEmpty, G->GetCellType(2, 2));
    EXPECT_FALSE(G->RemoveCellGraphic(2, 2));
    EXPECT_EQ(&Tag, G->Objects(2, 2));

    TCellGraphic* Gr = G->CreateCellGraphic(1, 1);
    EXPECT_EQ(Gr, G->Objects(1, 1));
    EXPECT_EQ("", G->Cells(1, 1));
    EXPECT_EQ(ctNone, G->GetCellType(1, 1));
    Gr->SetCellType(ctCheckBox);
    EXPECT_EQ(ctCheckBox, G->GetCellType(1, 1));
    EXPECT_FALSE(G->RemoveCellGraphicOfType(1, 1, ctRadio));
    EXPECT_TRUE(G->RemoveCellGraphicOfType(1, 1, ctCheckBox));
    EXPECT_EQ(nullptr, G->Objects(1, 1));

    // Replacing and leaving graphics behind: the grid frees them when it goes.
    G->CreateCellGraphic(3, 3);
    G->CreateCellGraphic(3, 3);
    G->CreateCellGraphic(4, 4)->SetCellType(ctButton);
    G.reset();
}

TEST(ExtGridCells, HotmailRowSelectGivesColumnZeroARowCheckBox) {
    auto G = NewGrid();
    G->MouseActions()->SetDisjunctRowSelect(true);
    G->MouseActions()->SetHotmailRowSelect(true);
    EXPECT_EQ(ctRowCheckBox, G->GetCellType(0, 3));
    G->SetRowSelected(3, true);
    EXPECT_TRUE(G->GetCellGraphic(0, 3)->CellBoolean());
    EXPECT_FALSE(G->GetCellGraphic(0, 4)->CellBoolean());
    EXPECT_EQ(ctEmpty, G->GetCellType(1, 3));
}

struct TSizeCase {
    TCellType Type;
    Integer Index;
    TPoint Size;
};

class ExtGridGraphicSize : public ::testing::TestWithParam<TSizeCase> {};

TEST_P(ExtGridGraphicSize, ByType) {
    const TSizeCase& C = GetParam();
    auto G = NewGrid();
    G->ControlLook()->SetCheckSize(13);
    TCellGraphic* Gr = G->CreateCellGraphic(2, 2);
    Gr->SetCellType(C.Type);
    Gr->SetCellIndex(C.Index);
    EXPECT_EQ(C.Size, G->CellGraphicSize(2, 2));
}

INSTANTIATE_TEST_SUITE_P(Cases, ExtGridGraphicSize,
                         ::testing::Values(TSizeCase{ctCheckBox, 0, Point(13, 13)},
                                           TSizeCase{ctVirtCheckBox, 0, Point(13, 13)},
                                           TSizeCase{ctButton, (20 << 16) | 60, Point(60, 20)},
                                           TSizeCase{ctProgressPie, 0, Point(20, 20)},
                                           TSizeCase{ctProgress, 0, Point(0, 0)},
                                           TSizeCase{ctBitmap, 0, Point(0, 0)}));

TEST(ExtGridCells, NodeIndentOnlyWithNodes) {
    auto G = NewGrid();
    G->GetCellProperties(0, 3)->SetNodeLevel(2);
    EXPECT_EQ(0, G->GetNodeIndent(3));
    G->SetNodeCount(1);
    EXPECT_EQ(24, G->GetNodeIndent(3));
    EXPECT_EQ(0, G->GetNodeIndent(4));
    EXPECT_EQ(0, G->GetNodeIndent(-1));
}

TEST(ExtGridCells, BandsAndBackGroundCopyWithAssign) {
    auto A = NewGrid();
    auto B = NewGrid();
    A->Bands()->SetActive(true);
    A->Bands()->SetPrimaryLength(3);
    A->Bands()->SetSecondaryColor(clRed);
    B->Bands()->Assign(A->Bands());
    EXPECT_TRUE(B->Bands()->Active());
    EXPECT_EQ(3, B->Bands()->PrimaryLength());
    EXPECT_EQ(4, B->Bands()->BandLength());
    EXPECT_EQ(clRed, B->Bands()->SecondaryColor());
    EXPECT_EQ(clInfoBk, NewGrid()->Bands()->PrimaryColor());

    A->BackGround()->SetDisplay(bdGradientHorz);
    A->BackGround()->SetColorTo(clBlue);
    B->BackGround()->Assign(A->BackGround());
    EXPECT_EQ(bdGradientHorz, B->BackGround()->Display());
    EXPECT_EQ(clBlue, B->BackGround()->ColorTo());

    A->SortSettings()->SetShow(true);
    A->SortSettings()->SetDirection(sdDescending);
    B->Assign(A.get());
    EXPECT_TRUE(B->SortSettings()->Show());
    EXPECT_EQ(sdDescending, B->SortSettings()->Direction());
    EXPECT_EQ(TColor(0x00FFFF), B->SortSettings()->IndexColor());
    EXPECT_EQ(TColor(0x00FFFF), B->ShowModified()->Color());
}

TEST(ExtGridCells, GridAssignTakesGroupingSearchFooterAndDragScrolling) {
    auto A = NewGrid(), B = NewGrid();
    A->Grouping()->SetHeaderColor(clRed);
    A->SearchFooter()->SetSearchColumn(2);
    A->DragScrollOptions()->Margins()->SetTopMargin(7);
    B->Assign(A.get());
    EXPECT_TRUE(B->Grouping()->HeaderColor() == clRed && B->SearchFooter()->SearchColumn() == 2 &&
                B->DragScrollOptions()->Margins()->TopMargin() == 7);
}

TEST(ExtGridCells, PrintSizesFollowTheGraphicKind) {
    auto G = NewGrid();
    G->SetColWidths(1, 70);
    G->SetRowHeights(1, 30);
    Integer W = -1, H = -1;
    G->CellGraphicPrintSize(1, 1, 2.0, W, H);
    EXPECT_EQ(0, W);   // no graphic
    EXPECT_EQ(0, H);
    TCellGraphic* Gr = G->CreateCellGraphic(1, 1);
    Gr->SetCellType(ctProgress);
    G->CellGraphicPrintSize(1, 1, 2.0, W, H);
    EXPECT_EQ(70, W);
    EXPECT_EQ(30, H);
    Gr->SetCellType(ctButton);
    Gr->SetCellIndex((12 << 16) | 40);
    G->CellGraphicPrintSize(1, 1, 2.0, W, H);
    EXPECT_EQ(40, W);
    EXPECT_EQ(12, H);
    Gr->SetCellType(ctCheckBox);
    G->CellGraphicPrintSize(1, 1, 2.0, W, H);
    EXPECT_EQ(0, W);
}
