#include "grid/ExtGrid.h"

#include "platform/ui/Forms.h"
#include "platform/ui/UiTestKit.h"

#include <QImage>

#include <gtest/gtest.h>

#include <memory>

using namespace uitest;

namespace {

class TPaintGrid : public TExtStringGrid {
public:
    using TExtStringGrid::TExtStringGrid;
    using TExtStringGrid::GetCellColor;
};

struct TPaintForm : TPaintedGridForm<TPaintGrid> {
    TPaintForm() : TPaintedGridForm(90) {
        // No selection in the data unless a test makes one.
        Grid->SetRow(9);
        Grid->SetCol(5);
    }
};

TPoint Mid(const TRect& R) { return Point(R.Right - 6, (R.Top + R.Bottom) / 2); }

TColor Background(const QImage& I, TExtStringGrid* G, Integer ACol, Integer ARow) {
    const TPoint P = Mid(G->CellRect(ACol, ARow));
    return PixelAt(I, P.X, P.Y);
}

// Columns of R holding a pixel of colour C: the left- and rightmost (-1 when none).
std::pair<Integer, Integer> InkSpan(const QImage& I, const TRect& R, TColor C) {
    Integer L = -1, Rt = -1;
    for (Integer X = R.Left; X < R.Right; ++X)
        for (Integer Y = R.Top; Y < R.Bottom; ++Y)
            if (PixelAt(I, X, Y) == C) {
                if (L < 0) L = X;
                Rt = X;
                break;
            }
    return {L, Rt};
}

void BigBlackFont(TExtStringGrid* G) {
    G->Font()->SetSize(12);
    G->Font()->SetColor(clBlack);
    G->Font()->SetStyle(TFontStyles{fsBold});
}

}  // namespace

struct TBandCase {
    Integer Primary, Secondary;
    TColor Expected[4];   // rows 1..4
};

class ExtGridBands : public ::testing::TestWithParam<TBandCase> {};

TEST_P(ExtGridBands, RowsAlternateFromTheFirstDataRow) {
    const TBandCase& P = GetParam();
    TPaintForm F;
    TExtStringGrid* G = F.Grid;
    G->Bands()->SetPrimaryColor(clYellow);
    G->Bands()->SetSecondaryColor(clAqua);
    G->Bands()->SetPrimaryLength(P.Primary);
    G->Bands()->SetSecondaryLength(P.Secondary);
    G->Bands()->SetActive(true);
    const QImage I = F.Shot();
    for (Integer R = 1; R <= 4; ++R) EXPECT_EQ(P.Expected[R - 1], Background(I, G, 2, R)) << "row " << R;
    // Fixed cells keep their own colour.
    EXPECT_NE(clYellow, Background(I, G, 0, 1));
}

INSTANTIATE_TEST_SUITE_P(Cases, ExtGridBands,
                         ::testing::Values(TBandCase{1, 1, {clYellow, clAqua, clYellow, clAqua}},
                                           TBandCase{2, 1, {clYellow, clYellow, clAqua, clYellow}},
                                           TBandCase{0, 0, {clWhite, clWhite, clWhite, clWhite}}));

using ExtGridPaint = uitest::TGridFormTest<TPaintForm>;

TEST_F(ExtGridPaint, BandsOffPaintTheGridColourAndCellColoursWinOverBands) {
    G->SetColors(3, 2, clLime);
    QImage I = F.Shot();
    EXPECT_EQ(clWhite, Background(I, G, 2, 2));
    G->Bands()->SetActive(true);
    G->Bands()->SetPrimaryColor(clYellow);
    G->Bands()->SetSecondaryColor(clYellow);
    I = F.Shot();
    EXPECT_EQ(clYellow, Background(I, G, 2, 2));
    EXPECT_EQ(clLime, Background(I, G, 3, 2));
}

TEST_F(ExtGridPaint, FooterRowsAndRightFixedColumnsTakeTheFixedColour) {
    G->SetFixedFooters(1);
    G->SetFixedRightCols(1);
    G->Bands()->SetActive(true);
    G->Bands()->SetPrimaryColor(clYellow);
    const QImage I = F.Shot();
    // They are fixed cells: the fixed look of the fixed column beside them.
    EXPECT_EQ(Background(I, G, 0, 9), Background(I, G, 2, 9));    // footer row
    EXPECT_EQ(Background(I, G, 0, 3), Background(I, G, 5, 3));    // right fixed column
    EXPECT_NE(clWhite, Background(I, G, 5, 3));
    EXPECT_EQ(clYellow, Background(I, G, 2, 1));    // bands stop before them
}

TEST_F(ExtGridPaint, FixedCellKeepsItsCellColourOverTheFixedLook) {
    G->SetColors(0, 3, clRed);
    G->SetColors(2, 0, clLime);
    const QImage I = F.Shot();
    EXPECT_EQ(clRed, Background(I, G, 0, 3));
    EXPECT_EQ(clLime, Background(I, G, 2, 0));
}

TEST_F(ExtGridPaint, XPLookShadesFixedCellsAndActiveHeaders) {
    G->SetFixedGradient(clWhite, clBlack);
    G->SetActiveCellShow(true);
    G->SetActiveCellColor(clRed);
    G->SetActiveCellColorTo(clRed);
    G->SetRow(3);
    G->SetCol(2);
    QImage I = F.Shot();
    const TRect H = G->CellRect(1, 0);
    const TColor Top = PixelAt(I, H.Left + 10, H.Top + 3);
    const TColor Bottom = PixelAt(I, H.Left + 10, H.Bottom - 5);
    EXPECT_GT(GetRValue(Top), GetRValue(Bottom));   // lighter at the top
    // The headers of the current row and column take the active colour.
    EXPECT_EQ(clRed, Background(I, G, 0, 3));
    EXPECT_EQ(clRed, Background(I, G, 2, 0));
    EXPECT_NE(clRed, Background(I, G, 0, 4));
    // Without the shaded look the fixed colour is flat.
    G->SetLook(glStandard);
    I = F.Shot();
    EXPECT_EQ(clSilver, PixelAt(I, H.Left + 10, H.Top + 3));
    EXPECT_EQ(clSilver, PixelAt(I, H.Left + 10, H.Bottom - 5));
}

TEST_F(ExtGridPaint, SelectionColoursReplaceRowColoursWhileSelected) {
    BigBlackFont(G);
    G->SetSelectionColor(clNavy);
    G->SetSelectionTextColor(clYellow);
    G->SetRowColor(3, clLime);
    G->SetRowFontColor(3, clRed);
    G->SetCells(2, 3, "MMMM");
    QImage I = F.Shot();
    const TRect R = G->CellRect(2, 3);
    EXPECT_EQ(clLime, Background(I, G, 2, 3));
    EXPECT_GT(CountColour(I, R, clRed), 0);
    G->SetRow(3);
    G->SetCol(2);
    I = F.Shot();
    EXPECT_EQ(clNavy, Background(I, G, 2, 3));
    EXPECT_GT(CountColour(I, R, clYellow), 0);
    EXPECT_EQ(0, CountColour(I, R, clRed));
    G->SetRow(6);
    I = F.Shot();
    EXPECT_EQ(clLime, Background(I, G, 2, 3));
    EXPECT_GT(CountColour(I, R, clRed), 0);
}

TEST_F(ExtGridPaint, HiddenSelectionAndClNoneSelectionColour) {
    G->SetRow(2);
    G->SetCol(2);
    G->SetShowSelection(false);
    QImage I = F.Shot();
    EXPECT_EQ(clWhite, Background(I, G, 2, 2));
    G->SetShowSelection(true);
    G->SetSelectionColor(clNone);
    G->SetSelection(TGridRect{1, 2, 3, 2});
    I = F.Shot();
    // Without a colour of its own the selection takes the system's highlight.
    EXPECT_EQ(ColorToRGB(clHighlight), Background(I, G, 1, 2));
}

TEST_F(ExtGridPaint, AlignmentPlacesTheText) {
    BigBlackFont(G);
    G->SetCells(2, 2, "12");
    G->SetCells(2, 3, "ab");
    G->SetAutoNumAlign(true);
    G->OnGetAlignment = [](TObject*, Integer ARow, Integer, TAlignment& H, TVAlignment&) {
        if (ARow == 4) H = taCenter;
    };
    G->SetCells(2, 4, "ab");
    G->SetCells(3, 2, "5551234");   // too wide: not its last digits, another number
    G->SetCells(3, 3, "1234");
    TBitmap B;
    B.Canvas()->Font()->Assign(G->Font());
    G->SetColWidths(3, B.Canvas()->TextWidth("1234") + 8);
    const QImage I = F.Shot();
    const TRect R2 = G->CellRect(2, 2), R3 = G->CellRect(2, 3), R4 = G->CellRect(2, 4);
    const Integer MidX = (R2.Left + R2.Right) / 2;
    auto [L2, Rt2] = InkSpan(I, R2, clBlack);
    auto [L3, Rt3] = InkSpan(I, R3, clBlack);
    auto [L4, Rt4] = InkSpan(I, R4, clBlack);
    EXPECT_GT(L2, MidX);          // number: right
    EXPECT_LT(Rt3, MidX);         // text: left
    EXPECT_LT(L4, MidX);          // centred: across the middle
    EXPECT_GT(Rt4, MidX);
    const TRect Cut = G->CellRect(3, 2), Whole = G->CellRect(3, 3);
    const Integer X = InkSpan(I, Whole, clBlack).first, W = Whole.Right - X;
    EXPECT_NE(I.copy(X, Cut.Top, W, Cut.Height()), I.copy(X, Whole.Top, W, Whole.Height()));
}

TEST_F(ExtGridPaint, PropertiesAlignmentWinsOverAutoNumAlign) {
    BigBlackFont(G);
    G->SetAutoNumAlign(true);
    G->SetCells(2, 2, "12");
    G->SetRowColor(2, clWhite);
    QImage I = F.Shot();
    const TRect R = G->CellRect(2, 2);
    EXPECT_LT(InkSpan(I, R, clBlack).second, (R.Left + R.Right) / 2);
    G->SetRowColor(2, clNone);
    I = F.Shot();
    EXPECT_GT(InkSpan(I, R, clBlack).first, (R.Left + R.Right) / 2);
}

TEST_F(ExtGridPaint, WordWrapBreaksLongTextOverLines) {
    BigBlackFont(G);
    G->SetRowHeights(2, 60);
    G->SetCells(2, 2, "MMM MMM MMM");
    const TRect R = G->CellRect(2, 2);
    const TRect Lower = Rect(R.Left, R.Top + 28, R.Right, R.Bottom);
    QImage I = F.Shot();
    EXPECT_GT(CountColour(I, Lower, clBlack), 0);
    G->SetWordWrap(false);
    I = F.Shot();
    EXPECT_EQ(0, CountColour(I, Lower, clBlack));
}

TEST_F(ExtGridPaint, UnwrappedTextShowsItsFirstLineUnlessMultiline) {
    BigBlackFont(G);
    G->SetWordWrap(false);
    G->SetRowHeights(2, 60);
    G->SetCells(2, 2, "MM\r\nMM");
    const TRect R = G->CellRect(2, 2);
    const TRect Lower = Rect(R.Left, R.Top + 28, R.Right, R.Bottom);
    QImage I = F.Shot();
    EXPECT_EQ(0, CountColour(I, Lower, clBlack));
    G->SetMultilinecells(true);
    I = F.Shot();
    EXPECT_GT(CountColour(I, Lower, clBlack), 0);
}

TEST_F(ExtGridPaint, URLCellsAreUnderlinedInTheURLColour) {
    BigBlackFont(G);
    G->SetCells(2, 2, "http://a.b");
    G->SetCells(2, 3, "http://a.b");
    G->SetURLShow(true);
    G->SetURLColor(clBlue);
    G->SetSelectionTextColor(clYellow);
    G->SetSelectionColor(clNavy);
    G->SetRow(3);
    G->SetCol(2);
    QImage I = F.Shot();
    const TRect R2 = G->CellRect(2, 2);
    EXPECT_GT(CountColour(I, R2, clBlue), 0);
    EXPECT_EQ(0, CountColour(I, R2, clBlack));
    EXPECT_GT(CountColour(I, G->CellRect(2, 3), clYellow), 0);
    // Without the protocol the address is shorter than in full.
    const Integer Short = InkSpan(I, R2, clBlue).second;
    G->SetURLFull(true);
    I = F.Shot();
    EXPECT_GT(InkSpan(I, R2, clBlue).second, Short);
}

TEST_F(ExtGridPaint, DisjunctRowSelectionPaintsOnlyListedRows) {
    G->SetSelectionColor(clNavy);
    G->MouseActions()->SetDisjunctRowSelect(true);
    G->SetRow(2);
    G->SetCol(2);
    G->SetRowSelected(4, true);
    QImage I = F.Shot();
    EXPECT_EQ(clNavy, Background(I, G, 1, 4));
    EXPECT_EQ(clNavy, Background(I, G, 3, 4));
    EXPECT_EQ(clWhite, Background(I, G, 3, 2));   // current row, not listed
    G->ClearRowSelect();
    I = F.Shot();
    EXPECT_EQ(clWhite, Background(I, G, 1, 4));
}

TEST_F(ExtGridPaint, DisjunctCellSelectionPaintsListedCellsButNotTheCurrentOne) {
    G->SetSelectionColor(clNavy);
    G->MouseActions()->SetDisjunctCellSelect(true);
    G->SetRow(2);
    G->SetCol(2);
    G->SetSelectedCell(4, 5, true);
    QImage I = F.Shot();
    EXPECT_EQ(clNavy, Background(I, G, 4, 5));
    EXPECT_EQ(clWhite, Background(I, G, 2, 2));
}

TEST_F(ExtGridPaint, BorderEventsDrawChosenSides) {
    G->OnGetCellBorder = [](TObject*, Integer ARow, Integer ACol, TPen* Pen, TCellBorders& B) {
        if (ARow == 2 && ACol == 2) {
            Pen->SetColor(clRed);
            B = TCellBorders{cbLeft, cbBottom};
        }
    };
    Integer PropCalls = 0;
    G->OnGetCellBorderProp = [&](TObject*, Integer ARow, Integer ACol, TPen* L, TPen*, TPen*, TPen*) {
        ++PropCalls;
        if (ARow == 2 && ACol == 2) L->SetColor(clLime);
    };
    const QImage I = F.Shot();
    const TRect R = G->CellRect(2, 2);
    EXPECT_GT(PropCalls, 0);
    EXPECT_GT(CountColour(I, Rect(R.Left, R.Top, R.Left + 3, R.Bottom), clLime), 5);
    EXPECT_GT(CountColour(I, Rect(R.Left, R.Bottom - 3, R.Right, R.Bottom), clRed), 20);
    EXPECT_EQ(0, CountColour(I, G->CellRect(3, 2), clRed));
}

TEST_F(ExtGridPaint, UserDrawEventsGetTheRealCellAndDrawLast) {
    G->SetCells(2, 2, "text");
    TRect Custom, Framework;
    G->OnDrawCell = [&](TObject*, Integer ACol, Integer ARow, TRect R, TGridDrawState) {
        if (ACol == 2 && ARow == 2) Framework = R;
    };
    G->OnCustomCellDraw = [&](TObject*, TCanvas* Cv, Integer ACol, Integer ARow, TGridDrawState, TRect R, bool Printing) {
        EXPECT_FALSE(Printing);
        if (ACol != 2 || ARow != 2) return;
        Custom = R;
        Cv->Brush()->SetColor(clFuchsia);
        Cv->FillRect(Rect(R.Left + 2, R.Top + 2, R.Left + 12, R.Top + 12));
    };
    const QImage I = F.Shot();
    const TRect Cell = G->CellRect(2, 2);
    EXPECT_EQ(Cell, Custom);   // the content rectangle grown back to the whole cell
    EXPECT_EQ(Cell.Left + 1, Framework.Left);
    EXPECT_EQ(Cell.Right - 1, Framework.Right);
    EXPECT_EQ(clFuchsia, PixelAt(I, Cell.Left + 5, Cell.Top + 5));
}

TEST_F(ExtGridPaint, ModifiedRowsShowABarInColumnZero) {
    G->SetLook(glStandard);
    G->SetRowMarked(3, true);
    QImage I = F.Shot();
    const TRect R = G->CellRect(0, 3);
    EXPECT_EQ(0, CountColour(I, R, 0x00FFFF));
    G->ShowModified()->SetEnabled(true);
    I = F.Shot();
    EXPECT_EQ(TColor(0x00FFFF), PixelAt(I, R.Right - 3, (R.Top + R.Bottom) / 2));
    EXPECT_EQ(0, CountColour(I, G->CellRect(0, 4), 0x00FFFF));
}

TEST_F(ExtGridPaint, RowIndicatorStandsInColumnZeroOfTheCurrentRow) {
    G->SetLook(glStandard);
    TBitmap B;
    B.SetSize(6, 6);
    B.Canvas()->Brush()->SetColor(clWhite);
    B.Canvas()->FillRect(Rect(0, 0, 6, 6));
    B.Canvas()->Brush()->SetColor(clGreen);
    B.Canvas()->FillRect(Rect(1, 1, 5, 5));
    G->SetRowIndicator(&B);
    G->SetRow(4);
    const QImage I = F.Shot();
    EXPECT_GT(CountColour(I, G->CellRect(0, 4), clGreen), 8);
    EXPECT_EQ(0, CountColour(I, G->CellRect(0, 5), clGreen));
}

TEST_F(ExtGridPaint, SortGlyphNeedsThreeRowsAndAFixedRow) {
    G->SetLook(glStandard);
    G->SetFixedColor(clSilver);
    G->SortSettings()->SetColumn(2);
    const TRect H = G->CellRect(2, 0);
    QImage I = F.Shot();
    EXPECT_EQ(0, CountColour(I, H, clWhite));
    G->SortSettings()->SetShow(true);
    I = F.Shot();
    EXPECT_GT(CountColour(I, H, clWhite), 3);
    EXPECT_GT(CountColour(I, H, 0x808080), 3);
    G->SetRowCount(2);
    I = F.Shot();
    EXPECT_EQ(0, CountColour(I, G->CellRect(2, 0), clWhite));
}

TEST_F(ExtGridPaint, SelectionRectangleOutlinesTheBlock) {
    G->SetSelectionColor(clWhite);
    G->SetSelectionRectangle(true);
    G->SetSelection(TGridRect{1, 2, 2, 3});
    const QImage I = F.Shot();
    const TRect A = G->CellRect(1, 2);
    const TRect B = G->CellRect(2, 3);
    EXPECT_EQ(clBlack, PixelAt(I, A.Left + 1, A.Top + 8));   // left side
    EXPECT_EQ(clBlack, PixelAt(I, A.Left + 20, A.Top + 1));  // top side
    EXPECT_EQ(clBlack, PixelAt(I, B.Right - 1, B.Top + 8));  // right side
    EXPECT_NE(clBlack, PixelAt(I, A.Right - 1, A.Top + 8));  // inner side stays open
}

TEST_F(ExtGridPaint, BackgroundGradientSpansTheGrid) {
    G->BackGround()->SetColor(clWhite);
    G->BackGround()->SetColorTo(clBlack);
    G->BackGround()->SetDisplay(bdGradientVert);
    const QImage I = F.Shot();
    const TColor Upper = Background(I, G, 2, 1);
    const TColor Lower = Background(I, G, 2, 8);
    EXPECT_GT(GetRValue(Upper), GetRValue(Lower));
    EXPECT_NE(Background(I, G, 2, 8), Background(I, G, 2, 7));
}

TEST_F(ExtGridPaint, FloatFormatEventFormatsNumbersOnly) {
    G->SetCells(1, 1, "2");
    G->SetCells(1, 2, "abc");
    AnsiString V;
    G->FormatCellText(1, 1, V);
    EXPECT_EQ("2", V);
    Integer Calls = 0;
    G->OnGetFloatFormat = [&](TObject*, Integer, Integer ARow, bool& IsFloat, AnsiString& Fmt) {
        ++Calls;
        EXPECT_TRUE(IsFloat);
        if (ARow == 3) IsFloat = false;
        Fmt = "%.3f";
    };
    G->SetCells(1, 3, "7");
    G->FormatCellText(1, 1, V);
    EXPECT_EQ("2" + AnsiString(1, FormatSettings.DecimalSeparator) + "000", V);
    G->FormatCellText(1, 2, V);
    EXPECT_EQ("abc", V);
    G->FormatCellText(1, 3, V);
    EXPECT_EQ("7", V);
    EXPECT_EQ(2, Calls);
    // A format that does not fit the value leaves the stored text.
    G->OnGetFloatFormat = [](TObject*, Integer, Integer, bool&, AnsiString& Fmt) { Fmt = "%s%s"; };
    G->FormatCellText(1, 1, V);
    EXPECT_EQ("2", V);
}

TEST_F(ExtGridPaint, TextSizeFollowsLinesAndWidth) {
    G->SetCells(1, 1, "ab");
    G->SetCells(1, 2, "ab\r\nab\r\nab");
    G->SetCells(1, 3, "abababababab");
    TPoint One, Three, Long;
    G->GetCellTextSize(1, 1, One, false);
    G->GetCellTextSize(1, 2, Three, false);
    G->GetCellTextSize(1, 3, Long, false);
    EXPECT_GT(One.X, 4);
    EXPECT_EQ(One.X, Three.X);
    EXPECT_EQ(3 * (One.Y - 4), Three.Y - 4);
    EXPECT_GT(Long.X, One.X);
    // Wrapped in the column's width: narrower than the width it needs on one line.
    G->SetColWidths(1, 40);
    TPoint Wrapped;
    G->SetCells(1, 4, "abc abc abc abc");
    G->GetCellTextSize(1, 4, Wrapped, true);
    EXPECT_LE(Wrapped.X, 40);
    EXPECT_GT(Wrapped.Y, One.Y);
}

TEST_F(ExtGridPaint, ZoomEnlargesTheText) {
    G->SetCells(1, 1, "abcdef");
    TPoint Before, After;
    G->GetCellTextSize(1, 1, Before, false);
    G->Zoom(4);
    G->GetCellTextSize(1, 1, After, false);
    EXPECT_GT(After.X, Before.X);
}

TEST_F(ExtGridPaint, HTMLCellsShowTheirTextWithoutTags) {
    BigBlackFont(G);
    G->SetCells(1, 1, "<B>M</B>");
    G->SetCells(1, 2, "M");
    TPoint H, P;
    G->GetCellTextSize(1, 1, H, false);
    G->GetCellTextSize(1, 2, P, false);
    EXPECT_LT(H.X, P.X + 8);   // the tags take no room
    const QImage I = F.Shot();
    EXPECT_GT(CountColour(I, G->CellRect(1, 1), clBlack), 0);
}

TEST_F(ExtGridPaint, UnicodeCellsDrawTheirLettersNotQuestionMarks) {
    BigBlackFont(G);
    G->SetCells(1, 1, "?");
    G->SetWideCell(2, 1, u"\u0416");
    G->SetWideCell(3, 1, u"\u03A9");
    G->SetWideCell(4, 1, u"");
    const QImage I = F.Shot();
    auto CellInk = [&](Integer C) {
        const TRect R = G->CellRect(C, 1);
        return I.copy(R.Left, R.Top, R.Width(), R.Height());
    };
    EXPECT_GT(CountColour(I, G->CellRect(2, 1), clBlack), 0);
    EXPECT_NE(CellInk(1), CellInk(2));
    EXPECT_NE(CellInk(1), CellInk(3));
    EXPECT_NE(CellInk(2), CellInk(3));
    EXPECT_EQ(0, CountColour(I, G->CellRect(4, 1), clBlack));   // empty stays empty
    EXPECT_EQ(u"\u0416", G->GetWideCell(2, 1));
}

TEST_F(ExtGridPaint, AutoSizedColumnFitsTheWideLetters) {
    G->SetWideCell(1, 1, u"\u4E2D\u4E2D\u4E2D\u4E2D\u4E2D\u4E2D\u4E2D\u4E2D");
    G->SetCells(2, 1, "????????");
    G->SizeColumnsToContent(false, 0);
    EXPECT_GT(G->ColWidths(1), G->ColWidths(2));
}
