#include "grid/ExtGrid.h"

#include "grid/ExtGridHint.h"
#include "grid/GridTestKit.h"

#include "platform/ui/Clipbrd.h"
#include "platform/ui/Forms.h"
#include "platform/ui/UiTestKit.h"

#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QImage>

#include <memory>
#include <tuple>
#include <vector>

using namespace uitest;

namespace {

// 1 fixed row, 3 data rows (10, 20, empty), the footer row 4.
struct TFooterGrid : TGridOnForm<TExtStringGrid> {
    TFooterGrid() : TGridOnForm(3, 5) {
        Grid->SetCells(1, 1, "10");
        Grid->SetCells(1, 2, "20");
        Grid->FloatingFooter()->SetVisible(true);
    }
    Integer Footer() const { return Grid->RowCount() - 1; }
};

}  // namespace

using ExtGridFooter = uitest::TGridFormTest<TFooterGrid>;

TEST_F(ExtGridFooter, NothingIsCalculatedUnlessTheLastRowIsTheShownFooter) {
    G->SetFooterCalcKind(1, 1);
    G->FloatingFooter()->SetVisible(false);
    G->CalcFooter(-1);
    EXPECT_EQ("", G->Cells(1, F.Footer()));
    G->FloatingFooter()->SetVisible(true);
    G->FloatingFooter()->SetFooterStyle(fsColumnPreview);
    G->CalcFooter(-1);
    EXPECT_EQ("", G->Cells(1, F.Footer()));
}

TEST_F(ExtGridFooter, ShowingTheFooterMakesTheLastRowAFixedFooter) {
    EXPECT_EQ(1, F.Grid->FixedFooters());
    EXPECT_TRUE(F.Grid->FooterRowShown());
    F.Grid->FloatingFooter()->SetFooterStyle(fsColumnPreview);
    EXPECT_EQ(0, F.Grid->FixedFooters());
    EXPECT_FALSE(F.Grid->FooterRowShown());
}

TEST_F(ExtGridFooter, CellsWithoutPropertiesOrKindKeepTheirText) {
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

TEST_F(ExtGridFooter, CustomKindTakesTheEventsTextWithTheRealFooterRow) {
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

TEST_F(ExtGridFooter, HiddenRowsCountOnlyWhenAskedFor) {
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

TEST_F(ExtGridFooter, CellsCoveredByAMergeTakeNoPartInTheTotals) {
    G->SetFloatFormat("%.0f");
    G->SetCells(2, 1, "1");
    G->SetFooterCalcKind(2, 1);
    G->MergeCells(1, 1, 2, 1);   // (2, 1) shows the 10 of (1, 1), counted once, at (1, 1)
    EXPECT_EQ("0", G->Cells(2, F.Footer()));
}

// A merge of 10 over rows 1-3 (covered texts 5 and 7), one of its rows hidden: its shown rows
// show 10, counted once, also with hidden rows; the merge reaches no further than them.
TEST_F(ExtGridFooter, AMergeCutByHiddenRowsShowsAndCountsItsValueOverItsShownRowsOnly) {
    G->SetRowCount(6), G->SetFloatFormat("%.0f"), G->SetFooterCalcKind(1, 1), G->SetCells(1, 4, "20");
    G->MergeCells(1, 1, 1, 3), G->SetRawCells(1, 2, "5"), G->SetRawCells(1, 3, "7");
    for (Integer Hidden = 1; Hidden <= 3; ++Hidden) {
        G->HideRow(Hidden);
        for (bool WithHidden : {false, true}) {
            G->FloatingFooter()->SetCalculateHiddenRows(WithHidden), G->CalcFooter(-1);
            EXPECT_EQ("30", G->Cells(1, 4)) << Hidden;
        }
        EXPECT_EQ("10\r\n\r\n20", G->CellsAsText(TGridRect{1, 1, 1, 3}, false, false)) << Hidden;
        EXPECT_TRUE(G->Cells(1, 2) == "10" && G->IsBaseCell(1, 1) && !G->IsBaseCell(1, 2) && !G->IsMergedCell(1, 3)) << Hidden;
        EXPECT_EQ(G->AbsCellRect(1, 2).Bottom, G->CellRect(1, 1).Bottom) << Hidden;
        G->UnHideRowsAll();
    }
    EXPECT_TRUE(G->Cells(1, 2) == "10" && G->RawCells(1, 2) == "5" && G->CellSpan(1, 1) == Point(0, 2));
}

TEST_F(ExtGridFooter, StatisticsSkipTextAndHandleEmptyRanges) {
    G->SetCells(1, 3, "abc");
    EXPECT_DOUBLE_EQ(30, G->ColumnSum(1, 1, 3));
    EXPECT_DOUBLE_EQ(0, G->ColumnAvg(1, 3, 2));
    EXPECT_DOUBLE_EQ(10, G->ColumnMin(1, 1, 3));
    EXPECT_DOUBLE_EQ(0, G->ColumnMax(1, 3, 3));
    // A first row without a number takes no part: neither minimum nor maximum starts at 0.
    for (const char* First : {"", "abc"}) {
        G->SetCells(1, 1, First), G->SetCells(1, 2, "-4"), G->SetCells(1, 3, "-9");
        EXPECT_TRUE(G->ColumnMin(1, 1, 3) == -9 && G->ColumnMax(1, 1, 3) == -4) << First;
    }
    EXPECT_THROW(G->SetFooterCalcKind(3, 1), EExtGridError);
}

TEST_F(ExtGridFooter, EditingACellRecalculatesTheTotal) {
    AddOptions(G, {goEditing});
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

TEST_F(ExtGridFooter, PastesClearedAndLoadedCellsAreTotalledAgain) {
    AddOptions(G, {goEditing});
    G->Navigation()->SetAllowClipboardShortCuts(true);
    G->SetFooterCalcKind(1, 1);
    F.ShowFocused();
    G->SetCol(1);
    G->SetRow(3);
    Clipboard()->SetAsText("5");
    F.Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(35, G->Floats(1, F.Footer()));
    G->ClearRect(1, 1, 1, 1);
    EXPECT_EQ(25, G->Floats(1, F.Footer()));
    TFooterGrid Src;   // 10, "", 5, "": a loaded stream replaces every cell and the footer row stays last
    Src.Grid->InsertRows(2, 1);
    Src.Grid->SetCells(1, 3, "5");
    for (bool Full : {false, true}) {
        TMemoryStream S;
        Full ? Src.Grid->SaveCellsToStream(TGridRect{0, 0, 2, 5}, &S) : Src.Grid->SaveCellsToStrings(&S);
        S.SetPosition(0);
        Full ? G->LoadCellsFromStream(TGridCoord{0, 0}, &S) : G->LoadCellsFromStrings(&S);
        EXPECT_EQ(15, G->Floats(1, 5)) << Full;
    }
}

TEST_F(ExtGridFooter, KindsFollowColumnsInsertedAndRemoved) {
    G->SetFooterCalcKind(2, 3);   // the data row count
    G->InsertCols(1, 1);
    G->RemoveCols(1, 2);   // column 2 is column 1 now
    G->CalcFooter(-1);
    EXPECT_EQ(3, G->Floats(1, F.Footer()));
}

TEST_F(ExtGridFooter, DownAppendsARowAboveTheFooterRowWhichIsTotalledAgain) {
    G->SetFooterCalcKind(1, 1);
    G->Navigation()->SetAppendOnArrowDown(true);
    G->Navigation()->SetSkipFixedCells(false);   // else Down stops above the footer row
    F.ShowFocused();
    G->SetRow(3);
    F.Key(Qt::Key_Down);
    EXPECT_EQ(30, G->Floats(1, 5));
}

TEST_F(ExtGridFooter, OptionObjectsCopyWhatTheyPublish) {
    TFooterGrid A, B;
    A.Grid->FloatingFooter()->SetCalculateHiddenRows(true);
    A.Grid->FloatingFooter()->SetFooterStyle(fsCustomPreview);
    A.Grid->FloatingFooter()->SetShowHint(true), A.Grid->ColumnSize()->SetStretch(true);
    B.Grid->FloatingFooter()->Assign(A.Grid->FloatingFooter());
    EXPECT_TRUE(B.Grid->FooterPanel()->ShowHint());
    B.Grid->ColumnSize()->Assign(A.Grid->ColumnSize());   // a copied stretch stretches at once
    EXPECT_EQ(A.Grid->ColWidths(2), B.Grid->ColWidths(2));
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

// --- the footer panel on screen ------------------------------------------------------------
namespace {

// Pixels of text ink (darker than mid grey) in columns [L, R) of the image.
Integer InkIn(const QImage& I, Integer L, Integer R) {
    Integer N = 0;
    for (Integer Y = 0; Y < I.height(); ++Y)
        for (Integer X = std::max(0, L); X < std::min(I.width(), R); ++X)
            if (qGray(I.pixel(X, Y)) < 100) ++N;
    return N;
}

// A shown grid with many rows and columns whose footer row holds a number in
// column 2 and a word in column 3.
struct TShownFooter : TFooterGrid {
    TShownFooter() {
        Grid->SetColCount(12);
        Grid->SetRowCount(40);
        Grid->SetDefaultColWidth(60);
        Grid->SetCells(2, Footer(), "1234");
        Grid->SetCells(3, Footer(), "Toplam");
        Form->Show();
        Settle();
    }
    QImage Panel() {
        Settle();
        return Grid->FooterPanel()->Widget()->grab().toImage();
    }
    // Left and right edge of a column as the grid shows it.
    std::pair<Integer, Integer> ColumnSpan(Integer ACol) const {
        const TRect R = Grid->CellRect(ACol, Grid->TopRow());
        return {R.Left, R.Right};
    }
};

}  // namespace

using ExtGridFooterPanel = uitest::TGridFormTest<TShownFooter>;

TEST_F(ExtGridFooterPanel, IsDockedInsideTheGridUnderTheCellsAndGoesWhenHidden) {
    TFooterPanel* P = G->FooterPanel();
    EXPECT_EQ(G, P->Parent());
    EXPECT_TRUE(P->Widget()->isVisible());
    EXPECT_EQ(20, P->Height());
    EXPECT_EQ(G->ClientRect().Bottom, P->Top());
    EXPECT_EQ(G->ClientRect().Width(), P->Width());
    // Together with the horizontal bar it fills the bottom of the grid.
    const Integer Bar = G->Height() - P->Top() - P->Height();
    EXPECT_GE(Bar, 0);
    G->FloatingFooter()->SetVisible(false);
    Settle();
    EXPECT_FALSE(P->Widget()->isVisible());
    EXPECT_EQ(G->Height() - Bar, G->ClientRect().Bottom);
}

TEST_F(ExtGridFooterPanel, TheLastDataRowScrollsIntoViewAboveThePanelAndTheFooterRowDoesNot) {
    G->SetTopRow(G->RowCount() - 1);
    const TRect Last = G->CellRect(2, F.Footer() - 1);
    ASSERT_FALSE(Last.IsEmpty());
    EXPECT_LE(Last.Bottom, G->FooterPanel()->Top());
    // Keys reach the last data row and it shows whole.
    G->SetRow(F.Footer() - 1);
    EXPECT_LE(G->CellRect(2, G->Row()).Bottom, G->FooterPanel()->Top());
    // Without the panel the footer row scrolls into the cells again.
    G->FloatingFooter()->SetVisible(false);
    G->SetTopRow(G->RowCount() - 1);
    EXPECT_FALSE(G->CellRect(2, F.Footer()).IsEmpty());
}

TEST_F(ExtGridFooterPanel, TheLastRowIsPaintedUnderItsColumnsNumbersAndWordsAlike) {
    const QImage I = F.Panel();
    const auto [L2, R2] = F.ColumnSpan(2);
    const auto [L3, R3] = F.ColumnSpan(3);
    EXPECT_GT(InkIn(I, L2, R2), 10);
    EXPECT_GT(InkIn(I, L3, R3), 10);
    EXPECT_EQ(0, InkIn(I, 0, L2));
    // The panel's own colour around the text.
    EXPECT_EQ(ColorToRGB(F.Grid->FloatingFooter()->Color()), PixelAt(I, R3 + 5, 5));
    G->SetRowHeights(0, 0);   // a header row of height 0 takes no column with it
    EXPECT_GT(InkIn(F.Panel(), L3, R3), 10);
}

TEST_F(ExtGridFooterPanel, FollowsHorizontalScrollAndColumnSizing) {
    G->SetColWidths(1, 150);
    QImage I = F.Panel();
    auto [L2, R2] = F.ColumnSpan(2);
    EXPECT_GT(L2, 200);
    EXPECT_GT(InkIn(I, L2, R2), 10);
    EXPECT_EQ(0, InkIn(I, 0, L2));
    G->SetLeftCol(2);   // column 2 comes right after the fixed column
    I = F.Panel();
    std::tie(L2, R2) = F.ColumnSpan(2);
    EXPECT_LT(L2, 100);
    EXPECT_GT(InkIn(I, L2, R2), 10);
    EXPECT_EQ(0, InkIn(I, F.ColumnSpan(3).second + 1, I.width()));
}

TEST_F(ExtGridFooterPanel, ALastRowCellColourFillsItsColumnAndSeparatorsNeedTheClassicLook) {
    G->SetColors(4, F.Footer(), clRed);
    QImage I = F.Panel();
    const auto [L4, R4] = F.ColumnSpan(4);
    EXPECT_EQ(TColor(clRed), PixelAt(I, L4 + 3, 5));
    EXPECT_NE(TColor(clRed), PixelAt(I, R4 + 3, 5));
    const auto [L5, R5] = F.ColumnSpan(5);
    const TColor Line = ColorToRGB(G->GridLineColor());
    EXPECT_NE(Line, PixelAt(I, R5, 10));
    G->SetLook(glClassic);
    I = F.Panel();
    EXPECT_EQ(Line, PixelAt(I, R5, 10));
}

TEST_F(ExtGridFooterPanel, OnFooterPaintDrawsEachColumnInPlaceOfTheGrid) {
    std::vector<std::pair<Integer, TRect>> Calls;
    G->OnFooterPaint = [&](TObject* Sender, Integer Column, TRect R, TCanvas*) {
        EXPECT_EQ(G->FooterPanel(), Sender);
        Calls.emplace_back(Column, R);
    };
    const QImage I = F.Panel();
    ASSERT_GE(Calls.size(), 3u);
    EXPECT_EQ(0, Calls[0].first);
    EXPECT_EQ(G->LeftCol(), Calls[1].first);
    EXPECT_EQ(F.ColumnSpan(2).first, Calls[2].second.Left);
    EXPECT_EQ(0, InkIn(I, 0, I.width()));   // the handler drew nothing
}

TEST_F(ExtGridFooterPanel, ColumnPreviewShowsTheCurrentRowsCellInARaisedBox) {
    G->SetColCount(4);   // the columns end before the panel does
    G->SetCells(2, 3, "preview");
    G->SetRow(3);
    G->FloatingFooter()->SetColumn(2);
    G->FloatingFooter()->SetColor(clYellow);
    G->FloatingFooter()->SetFooterStyle(fsColumnPreview);
    const QImage I = F.Panel();
    const Integer W = F.ColumnSpan(3).second;
    EXPECT_EQ(TColor(clWhite), PixelAt(I, 0, 5));
    EXPECT_EQ(TColor(0x808080), PixelAt(I, W - 1, 5));
    EXPECT_EQ(TColor(0x808080), PixelAt(I, 5, I.height() - 1));
    EXPECT_EQ(TColor(clYellow), PixelAt(I, W - 5, 5));
    EXPECT_EQ(ColorToRGB(G->Color()), PixelAt(I, W + 5, 5));
    EXPECT_GT(InkIn(I, 0, W), 10);
    G->SetCells(2, 3, "");
    EXPECT_EQ(0, InkIn(F.Panel(), 1, W - 1));
}

TEST_F(ExtGridFooterPanel, CustomPreviewDrawsTheExpandedTemplate) {
    G->FloatingFooter()->SetFooterStyle(fsCustomPreview);
    EXPECT_EQ(0, InkIn(F.Panel(), 0, 400));
    G->SetCells(1, 2, "Ahmet");
    G->SetRow(2);
    G->FloatingFooter()->SetCustomTemplate("Abone: <b><#1></b>");
    EXPECT_GT(InkIn(F.Panel(), 0, 400), 20);
}

TEST_F(ExtGridFooterPanel, CustomPreviewMasksAPasswordCell) {
    G->OnIsPasswordCell = [](TObject*, Integer, Integer ACol, bool& Is) { Is = ACol == 1; };
    G->SetCells(1, 2, "gizli");
    G->SetRow(2);
    EXPECT_EQ("Abone: *****", G->ExpandFooterTemplate("Abone: <#1>"));
}

TEST_F(ExtGridFooterPanel, HintsNameTheFooterCellUnderTheMouseOnlyWhenAsked) {
    std::vector<std::pair<Integer, Integer>> Asked;
    G->OnGridHint = [&](TObject*, Integer ARow, Integer ACol, AnsiString& Hint) {
        Asked.emplace_back(ARow, ACol);
        Hint = "toplam";
    };
    QWidget* W = G->FooterPanel()->Widget();
    auto AskAt = [&](Integer X) {
        const QPoint P(X, 5);
        QHelpEvent E(QEvent::ToolTip, P, W->mapToGlobal(P));
        QApplication::sendEvent(W, &E);
    };
    G->SetColWidths(1, 0);   // a column of width 0 ends neither the panel nor its hints
    EXPECT_GT(InkIn(F.Panel(), F.ColumnSpan(3).first, F.ColumnSpan(3).second), 10);
    AskAt(F.ColumnSpan(2).first + 5);
    ASSERT_EQ(1u, Asked.size());
    EXPECT_EQ(std::make_pair(F.Footer(), 2), Asked[0]);
    EXPECT_EQ(-1, G->FooterPanel()->HintColumn());   // ShowHint is off
    G->FloatingFooter()->SetShowHint(true);
    AskAt(F.ColumnSpan(3).first + 5);
    EXPECT_EQ(3, G->FooterPanel()->HintColumn());
    ASSERT_NE(nullptr, G->HintWindow());
    EXPECT_TRUE(G->HintWindow()->Visible());
    // Moving on to another column takes the hint away.
    SendMouse(W, QEvent::MouseMove, QPoint(F.ColumnSpan(4).first + 5, 5), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(-1, G->FooterPanel()->HintColumn());
    EXPECT_FALSE(G->HintWindow()->Visible());
}

// Rows hidden (by the filter's list too) under the last data row: the keys go on from it or the next shown row.
TEST(ExtGridFooterRows, HidingRowsKeepsTheCurrentRowOffTheFooter) {
    for (auto [Hide, Typed, List] : {std::tuple{2, 4, false}, {4, 3, true}}) {
        gridtest::TEditingGrid F(4, 6);
        F.Grid->SetFixedFooters(1);
        F.Grid->SetRow(4);
        List ? F.Grid->HideRowList({Hide}) : F.Grid->HideRow(Hide);
        for (int K : {Qt::Key_Right, Qt::Key_X, Qt::Key_Return}) F.Key(K, Qt::NoModifier, K == Qt::Key_X ? "x" : "");
        EXPECT_EQ("x", F.Grid->AllCells(2, Typed)) << Hide;
    }
}
