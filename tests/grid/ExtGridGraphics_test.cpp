#include "grid/ExtGrid.h"

#include "grid/ExtObj.h"
#include "grid/GridTestKit.h"
#include "support/Scribble.h"

#include <QImage>

#include <gtest/gtest.h>


using namespace gridtest;
using namespace uitest;

namespace {

struct TGraphicForm : TPaintedGridForm<TExtStringGrid> {
    TGraphicForm() : TPaintedGridForm(100) {
        Grid->SetRow(9);   // the selection away from the cells under test
        Grid->SetCol(5);
    }
};

bool Dark(TColor C) { return GetRValue(C) < 90 && GetGValue(C) < 90 && GetBValue(C) < 90; }
bool Reddish(TColor C) { return GetRValue(C) > 180 && GetGValue(C) < 80 && GetBValue(C) < 80; }

TRect Inner(const TExtStringGrid* G, Integer ACol, Integer ARow) {
    TRect R = G->CellRect(ACol, ARow);
    InflateRect(R, -1, -1);
    return R;
}

}  // namespace

using ExtGridGraphics = uitest::TGridFormTest<TGraphicForm>;

TEST_F(ExtGridGraphics, ACheckedBoxShowsItsMarkAndAnUncheckedOneDoesNot) {
    F.Options({goEditing});
    F.Grid->CreateCellGraphic(1, 1)->SetCellType(ctCheckBox);
    F.Grid->GetCellGraphic(1, 1)->SetCellBoolean(true);
    F.Grid->CreateCellGraphic(1, 2)->SetCellType(ctCheckBox);
    F.Grid->CreateCellGraphic(2, 1)->SetCellType(ctDataCheckBox);
    F.Grid->SetCells(2, 1, "Y");
    F.Grid->CreateCellGraphic(2, 2)->SetCellType(ctDataCheckBox);
    F.Grid->SetCells(2, 2, "N");
    const QImage I = F.Shot();
    EXPECT_GT(CountPixels(I, Inner(F.Grid, 1, 1), Dark), 8);
    EXPECT_EQ(0, CountPixels(I, Inner(F.Grid, 1, 2), Dark));
    EXPECT_GT(CountPixels(I, Inner(F.Grid, 2, 1), Dark), 8);
    // A data check box draws no text: "N" leaves no ink.
    EXPECT_EQ(0, CountPixels(I, Inner(F.Grid, 2, 2), Dark));
}

TEST_F(ExtGridGraphics, CheckBoxesThatCannotBeEditedLookDisabledUnlessAlwaysActive) {
    F.Options({goEditing});
    F.Grid->CreateCellGraphic(1, 1)->SetCellType(ctCheckBox);
    F.Grid->GetCellGraphic(1, 1)->SetCellBoolean(true);
    F.Grid->OnCanEditCell = [](TObject*, Integer, Integer, bool& Can) { Can = false; };
    QImage I = F.Shot();
    EXPECT_EQ(0, CountPixels(I, Inner(F.Grid, 1, 1), Dark));   // a grey mark
    F.Grid->ControlLook()->SetCheckAlwaysActive(true);
    F.Grid->Invalidate();
    I = F.Shot();
    EXPECT_GT(CountPixels(I, Inner(F.Grid, 1, 1), Dark), 8);
}

TEST_F(ExtGridGraphics, AProgressCellShowsABarFilledToItsValueNotTheNumber) {
    F.Grid->SetColWidths(1, 200);
    TCellGraphic* Gr = F.Grid->CreateCellGraphic(1, 1);
    Gr->SetCellType(ctProgress);
    Gr->SetCellColor(clBlue);
    Gr->SetCellColorTo(clWhite);
    F.Grid->SetCells(1, 1, "50");
    const QImage I = F.Shot();
    const TRect R = F.Grid->CellRect(1, 1);
    const Integer Y = R.Top + 4;
    auto Blue = [](TColor C) { return C == clBlue; };
    const Integer LeftBlue = CountPixels(I, Rect(R.Left, Y, R.Left + R.Width() / 2 - 8, Y + 1), Blue);
    const Integer RightBlue = CountPixels(I, Rect(R.Left + R.Width() / 2 + 8, Y, R.Right, Y + 1), Blue);
    EXPECT_GT(LeftBlue, R.Width() / 2 - 20);
    EXPECT_EQ(0, RightBlue);
}

TEST_F(ExtGridGraphics, HTMLCellsAreDrawnByTheRenderer) {
    F.Grid->SetCells(1, 1, "<FONT color=\"clRed\">red</FONT> word");
    F.Grid->SetCells(1, 2, "<B>bold</B> plain");
    const QImage I = F.Shot();
    EXPECT_GT(CountPixels(I, Inner(F.Grid, 1, 1), Reddish), 5);
    EXPECT_EQ(0, CountPixels(I, Inner(F.Grid, 1, 2), Reddish));
    EXPECT_GT(CountPixels(I, Inner(F.Grid, 1, 2), Dark), 5);
}

TEST_F(ExtGridGraphics, HTMLPicturesComeFromTheGridImages) {
    TSolidImages Images(10, clRed, clLime);
    F.Grid->SetGridImages(&Images);
    F.Grid->SetCells(1, 1, "<IMG src=\"idx:1\">");
    TCellGraphic* Gr = F.Grid->CreateCellGraphic(2, 1);
    Gr->SetCellType(ctImageList);
    Gr->SetCellIndex(0);
    F.Grid->SetCells(3, 1, "5");
    TCellGraphic* D = F.Grid->CreateCellGraphic(3, 1);
    D->SetCellType(ctDataImage);   // index 5 is beyond the list: nothing
    const QImage I = F.Shot();
    EXPECT_GE(CountPixels(I, Inner(F.Grid, 1, 1), [](TColor C) { return C == clLime; }), 80);
    EXPECT_GE(CountPixels(I, Inner(F.Grid, 2, 1), [](TColor C) { return C == clRed; }), 100);
    EXPECT_EQ(0, CountPixels(I, Inner(F.Grid, 3, 1), [](TColor C) { return C == clRed || C == clLime; }));
    EXPECT_EQ(Point(10, 10), F.Grid->CellGraphicSize(2, 1));
}

TEST_F(ExtGridGraphics, AnImageListFreedByItsOwnerIsForgotten) {
    TScribbledFrees scribble;
    auto* Images = new TSolidImages(10, clRed, clLime);
    F.Grid->SetGridImages(Images);
    F.Grid->SetCells(1, 1, "<IMG src=\"idx:1\">");
    F.Grid->CreateCellGraphic(2, 1)->SetCellType(ctImageList);
    F.Shot();
    delete Images;
    EXPECT_EQ(nullptr, F.Grid->GridImages());
    const QImage I = F.Shot();
    EXPECT_EQ(0, CountPixels(I, Inner(F.Grid, 2, 1), [](TColor C) { return C == clRed; }));
    EXPECT_EQ(0, scribble.Release());
}

TEST_F(ExtGridGraphics, RichTextThatCannotBeRenderedShowsItsWords) {
    F.Grid->SetCells(1, 1, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Hello\\par}");
    const QImage I = F.Shot();
    EXPECT_GT(CountPixels(I, Inner(F.Grid, 1, 1), Dark), 10);
}

TEST_F(ExtGridGraphics, StrippedCellsUseTheRenderersStripping) {
    F.Grid->SetCells(1, 1, "a < b");
    F.Grid->SetCells(1, 2, "x<BR>y");
    F.Grid->SetCells(1, 3, "<B>bold</B>");
    EXPECT_EQ("a < b", F.Grid->StrippedCells(1, 1));
    EXPECT_EQ("x\r\ny", F.Grid->StrippedCells(1, 2));
    EXPECT_EQ("bold", F.Grid->StrippedCells(1, 3));
}

TEST_F(ExtGridGraphics, RotatedCellsDrawTheirTextTurned) {
    F.Grid->SetRowHeights(1, 90);
    F.Grid->Font()->SetSize(12);
    F.Grid->SetCells(1, 1, "MMMMMM");
    TCellGraphic* Gr = F.Grid->CreateCellGraphic(1, 1);
    Gr->SetCellType(ctRotated);
    Gr->SetCellAngle(90);
    const QImage I = F.Shot();
    const TRect R = Inner(F.Grid, 1, 1);
    Integer Top = 10000, Bottom = -1, Left = 10000, Right = -1;
    for (Integer Y = R.Top; Y < R.Bottom; ++Y)
        for (Integer X = R.Left; X < R.Right; ++X)
            if (Dark(PixelAt(I, X, Y))) {
                Top = std::min(Top, Y);
                Bottom = std::max(Bottom, Y);
                Left = std::min(Left, X);
                Right = std::max(Right, X);
            }
    ASSERT_GE(Bottom, 0);
    EXPECT_GT(Bottom - Top, 2 * (Right - Left));
}

TEST_F(ExtGridGraphics, RotatedTextTakesTheCellsAlignment) {
    F.Grid->SetRowHeights(1, 150);
    F.Grid->SetCells(1, 1, "MMM");
    F.Grid->CreateCellGraphic(1, 1)->SetCellType(ctRotated);
    F.Grid->GetCellGraphic(1, 1)->SetCellAngle(90);
    const TRect R = Inner(F.Grid, 1, 1);
    for (const auto& [H, V] : {std::pair{taLeftJustify, vtaTop}, std::pair{taRightJustify, vtaBottom}}) {
        F.Grid->OnGetAlignment = [&](TObject*, Integer, Integer, TAlignment& AH, TVAlignment& AV) { AH = H, AV = V; };
        const QImage I = F.Shot();
        const Integer Mx = (R.Left + R.Right) / 2, My = (R.Top + R.Bottom) / 2;
        EXPECT_EQ(H == taLeftJustify, CountPixels(I, Rect(R.Left, R.Top, Mx, My), Dark) > 0);
        EXPECT_EQ(H == taRightJustify, CountPixels(I, Rect(Mx, My, R.Right, R.Bottom), Dark) > 0);
    }
}

TEST_F(ExtGridGraphics, GraphicsPlaceByTheirAlignment) {
    auto Red = std::make_unique<TBitmap>();
    Red->SetSize(8, 8);
    Red->Canvas()->Brush()->SetColor(clRed);
    Red->Canvas()->FillRect(Rect(0, 0, 8, 8));
    for (Integer R = 1; R <= 3; ++R) {
        TCellGraphic* Gr = F.Grid->CreateCellGraphic(1, R);
        Gr->SetCellType(ctBitmap);
        auto B = std::make_unique<TBitmap>();
        B->Assign(Red.get());
        Gr->SetGraphic(B.release(), true);
        Gr->SetCellHAlign(R == 1 ? haRight : R == 2 ? haBeforeText : haFull);
    }
    Red->Canvas()->SetPixels(0, 7, clBlue);   // row 4, transparent: the bottom-left colour sees through
    TCellGraphic* Gr = F.Grid->CreateCellGraphic(1, 4);
    Gr->SetCellType(ctBitmap);
    Gr->SetGraphic(Red.release(), true);
    Gr->SetCellTransparent(true);
    F.Grid->SetCells(1, 2, "centred");
    F.Grid->OnGetAlignment = [](TObject*, Integer ARow, Integer, TAlignment& H, TVAlignment&) {
        if (ARow == 2) H = taCenter;
    };
    const QImage I = F.Shot();
    EXPECT_TRUE(CountColour(I, Inner(F.Grid, 1, 4), clBlue) == 0 && CountPixels(I, Inner(F.Grid, 1, 4), Reddish) > 0);
    auto Span = [&](Integer Row) {
        const TRect R = Inner(F.Grid, 1, Row);
        Integer L = -1, Rt = -1;
        for (Integer X = R.Left; X < R.Right; ++X)
            if (Reddish(PixelAt(I, X, R.Top + 2))) {
                if (L < 0) L = X;
                Rt = X;
            }
        return std::make_pair(L, Rt);
    };
    const TRect C = F.Grid->CellRect(1, 1);
    EXPECT_GE(Span(1).first, C.Right - 12);   // at the right edge
    const auto Before = Span(2);
    EXPECT_GT(Before.first, C.Left + 10);      // left of where the centred text ends,
    EXPECT_LT(Before.second, C.Right - 20);    // not at either edge
    EXPECT_EQ(Point(C.Width(), 8), F.Grid->CellGraphicSize(1, 3));   // haFull takes the cell's width
}

TEST_F(ExtGridGraphics, ACommentCellShowsItsCornerMark) {
    TCellGraphic* Gr = F.Grid->CreateCellGraphic(1, 1);
    Gr->SetCellType(ctComment);
    Gr->SetCellText("note");
    Gr->SetCellColor(clNone);
    const QImage I = F.Shot();
    const TRect R = F.Grid->CellRect(1, 1);
    EXPECT_GT(CountPixels(I, Rect(R.Right - 8, R.Top, R.Right, R.Top + 8), Reddish), 5);
    AnsiString Text;
    EXPECT_TRUE(F.Grid->GetComment(1, 1, Text));
    EXPECT_EQ("note", Text);
}

TEST_F(ExtGridGraphics, TreeLinesJoinTheRowsOfAnExpandedNode) {
    F.Grid->CellNode()->SetTreeColor(clRed);
    F.Grid->SetColWidths(0, 60);
    F.Grid->AddNode(1, 3);
    const QImage I = F.Shot();
    EXPECT_GT(CountPixels(I, Inner(F.Grid, 0, 2), Reddish), 5);
    EXPECT_GT(CountPixels(I, Inner(F.Grid, 0, 3), Reddish), 5);
    EXPECT_EQ(0, CountPixels(I, Inner(F.Grid, 0, 5), Reddish));
}

TEST_F(ExtGridGraphics, HighlightingWrapsMatchesInTheDataRange) {
    F.Grid->SetCells(1, 0, "abc");
    F.Grid->SetCells(1, 1, "xabcx");
    F.Grid->HilightInGrid("abc", false, false);
    EXPECT_EQ("abc", F.Grid->Cells(1, 0));
    EXPECT_EQ("x<hi>abc</hi>x", F.Grid->Cells(1, 1));
    F.Grid->HideRow(1);   // hidden after the tags went in: they come out all the same
    F.Grid->UnHilightInGrid(false);
    F.Grid->UnHideRowsAll();
    EXPECT_EQ("xabcx", F.Grid->Cells(1, 1));
    F.Grid->SetWideCell(1, 2, u"\u3C68\u693Eabc");   // stored bytes that read "<hi>" and "abc"
    F.Grid->HilightInGrid("abc", false, false);
    F.Grid->UnHilightInGrid(false);
    EXPECT_EQ(u"\u3C68\u693Eabc", F.Grid->GetWideCell(1, 2));
}

TEST_F(ExtGridGraphics, AutoSizeFitsTheColumnsToTheirText) {
    F.Grid->SetCells(2, 3, "a text much wider than the default column width");
    F.Grid->SetColWidths(3, 300);
    F.Grid->SetAutoSize(true);
    TBitmap B;
    B.SetSize(1, 1);
    B.Canvas()->Font()->Assign(F.Grid->Font());
    EXPECT_GE(F.Grid->ColWidths(2), B.Canvas()->TextWidth("a text much wider than the default column width") + 10);
    EXPECT_LT(F.Grid->ColWidths(3), 40);   // an empty column shrinks to the margins
    EXPECT_EQ(100, F.Grid->ColWidths(0));   // fixed columns stay
}

TEST_F(ExtGridGraphics, AutoThemeAdaptTakesTheClassicSchemeAndOffKeepsTheColours) {
    F.Grid->SetFixedGradient(0x123456, 0x654321);
    F.Grid->SetActiveCellColor(clRed);
    F.Grid->SetAutoThemeAdapt(false);
    EXPECT_EQ(TColor(0x123456), F.Grid->GradientFrom());
    EXPECT_EQ(clRed, F.Grid->ActiveCellColor());
    F.Grid->SetAutoThemeAdapt(true);
    EXPECT_EQ(TColor(0xFFFFFF), F.Grid->GradientFrom());
    EXPECT_EQ(ColorToRGB(clBtnFace), F.Grid->GradientTo());
    EXPECT_EQ(TColor(0xFFFFFF), F.Grid->ActiveCellColor());
    EXPECT_EQ(TColor(0xFFD9B3), F.Grid->ActiveCellColorTo());
    EXPECT_EQ(TColor(0xFFD9B3), F.Grid->SearchFooter()->ColorTo());
    F.Grid->ApplyColorScheme(2);   // olive
    EXPECT_EQ(TColor(0xCFF0EA), F.Grid->GradientFrom());
    EXPECT_EQ(TColor(0x8CC0B1), F.Grid->ControlLook()->FixedGradientTo());
}

TEST_F(ExtGridGraphics, TheTextOfACheckBoxCellStandsBesideTheBox) {
    F.Grid->CreateCellGraphic(1, 1)->SetCellType(ctCheckBox);
    F.Grid->SetCells(1, 1, "WWWW");
    const QImage I = F.Shot();
    const TRect R = Inner(F.Grid, 1, 1);
    const Integer Box = F.Grid->ControlLook()->CheckSize();
    EXPECT_EQ(0, CountPixels(I, Rect(R.Left, R.Top, R.Left + Box + 1, R.Bottom), Dark));
    EXPECT_GT(CountPixels(I, Rect(R.Left + Box + 1, R.Top, R.Right, R.Bottom), Dark), 10);
}

TEST_F(ExtGridGraphics, RichTextCellsShowTheirColours) {
    F.Grid->SetCells(1, 1, "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\cf1 red words}");
    F.Grid->SetCells(1, 2, "{\\notrtf plain words}");
    const QImage I = F.Shot();
    EXPECT_GT(CountPixels(I, Inner(F.Grid, 1, 1), Reddish), 5);
    EXPECT_GT(CountPixels(I, Inner(F.Grid, 1, 2), Dark), 5);
}
