#include "grid/BaseGrid.h"

#include "grid/ExtUtil.h"
#include "platform/ui/Forms.h"
#include "platform/ui/UiTestKit.h"

#include <QImage>

#include <gtest/gtest.h>

#include <memory>

using namespace uitest;

namespace {

class TTestGrid : public TBaseGrid {
public:
    using TBaseGrid::TBaseGrid;
    using TBaseGrid::SetCellWordWrapDefault;
    using TBaseGrid::SetDisplRowCount;
    using TBaseGrid::SetFooterRowFlag;
    Integer Footers = 0;
    TColor CellBrush = clNone;   // what GetCellColor hands out, clNone: the default
    TColor CellColorTo = clNone;

protected:
    void UpdateFooter() override { ++Footers; }
    void GetCellColor(Integer ACol, Integer ARow, TGridDrawState& AState, bool, bool, bool, TBrush* ABrush,
                      TColor& ColorTo, TFont*, TAlignment&, TVAlignment&, bool&) override {
        if (CellBrush != clNone && !AState.Contains(gdFixed)) ABrush->SetColor(CellBrush);
        ColorTo = CellColorTo;
    }
};

struct TGridForm : TGridOnForm<TTestGrid> {
    TGridForm() : TGridOnForm(Keep, Keep, 400, 200, 500, 300) {
        Grid->SetScrollBars(ssNone);
        Grid->SetColor(clWhite);
        Grid->SetColCount(6);
        Grid->SetRowCount(8);
    }
};


}  // namespace

TEST(BaseGrid, DefaultsOfGridAndCellProperties) {
    TTestGrid G(nullptr);
    EXPECT_EQ(G.GridLineWidth(), 1);
    EXPECT_EQ(G.GridLineColor(), TColor(0xC0C0C0));
    EXPECT_FALSE(G.DefaultDrawing());
    EXPECT_EQ(G.TCustomGrid::GridLineWidth(), 0);   // the framework's lines stay off
    EXPECT_FALSE(G.TCustomGrid::DefaultDrawing());
    EXPECT_TRUE(G.Options().Contains(goDrawFocusSelected));
    EXPECT_EQ(G.ActiveRowColor(), clInfoBk);

    G.SetCellWordWrapDefault(false);
    TCellProperties* P = G.GetCellProperties(2, 3);
    EXPECT_EQ(P->OwnerCol(), 2);
    EXPECT_EQ(P->OwnerRow(), 3);
    EXPECT_EQ(P->BrushColor(), clNone);
    EXPECT_EQ(P->FontColor(), clNone);
    EXPECT_EQ(P->CellSpanX(), -1);
    EXPECT_EQ(P->CellSpanY(), -1);
    EXPECT_TRUE(P->IsBaseCell());
    EXPECT_FALSE(P->WordWrap());   // from the grid's default
    EXPECT_EQ(P->Editor(), edNormal);
    EXPECT_EQ(G.GetCellProperties(2, 3), P);
    EXPECT_THROW(G.GetCellProperties(9, 0), EInvalidGridOperation);
}

TEST(BaseGrid, ReadingNeverCreatesPropertiesAndObjectsKeepTextEmpty) {
    TTestGrid G(nullptr);
    EXPECT_EQ(G.Cells(1, 1), "");
    EXPECT_FALSE(G.HasCellProperties(1, 1));
    EXPECT_EQ(G.Objects(1, 1), nullptr);
    EXPECT_FALSE(G.HasCellProperties(1, 1));

    TObject Tag;
    G.SetObjects(1, 1, &Tag);
    EXPECT_TRUE(G.HasCellProperties(1, 1));
    EXPECT_EQ(G.Objects(1, 1), &Tag);
    EXPECT_EQ(G.RawCells(1, 1), "");
    G.SetCells(2, 2, "dolu");
    G.SetObjects(2, 2, &Tag);
    EXPECT_EQ(G.Cells(2, 2), "dolu");

    // An object put into the raw slot is kept when properties take the slot.
    TObject Other;
    G.SetRawObjects(3, 3, &Other);
    G.GetCellProperties(3, 3);
    EXPECT_EQ(G.Objects(3, 3), &Other);
    EXPECT_THROW(G.SetObjects(7, 7, &Tag), EInvalidGridOperation);
}

TEST(BaseGrid, MergeStoresSpansAndRedirectsCellAccess) {
    TTestGrid G(nullptr);
    G.SetCells(1, 1, "base");
    G.SetCells(2, 2, "hidden");
    G.MergeCells(1, 1, 3, 2);   // columns 1..3, rows 1..2

    struct Case { Integer C, R; bool Base; Integer Sx, Sy; };
    for (const Case& K : {Case{1, 1, true, 2, 1}, Case{2, 1, false, 1, 0}, Case{3, 2, false, 2, 1},
                          Case{1, 2, false, 0, 1}}) {
        const TCellProperties* P = G.CellPropertiesOrNil(K.C, K.R);
        ASSERT_NE(P, nullptr);
        EXPECT_EQ(P->IsBaseCell(), K.Base) << K.C << "," << K.R;
        EXPECT_EQ(P->CellSpanX(), K.Sx) << K.C << "," << K.R;
        EXPECT_EQ(P->CellSpanY(), K.Sy) << K.C << "," << K.R;
        EXPECT_EQ(G.BaseCell(K.C, K.R), Point(1, 1));
        EXPECT_TRUE(G.IsMergedCell(K.C, K.R));
        EXPECT_TRUE(G.IsXMergedCell(K.C, K.R));
        EXPECT_TRUE(G.IsYMergedCell(K.C, K.R));
        EXPECT_EQ(G.CellSpan(K.C, K.R), Point(2, 1));
    }
    EXPECT_EQ(G.Cells(2, 2), "base");
    G.SetCells(3, 2, "new");
    EXPECT_EQ(G.Cells(1, 1), "new");
    EXPECT_EQ(G.RawCells(2, 2), "hidden");   // covered texts stay stored
    EXPECT_FALSE(G.IsMergedCell(4, 1));
    EXPECT_EQ(G.CellSpan(4, 1), Point(0, 0));
    EXPECT_TRUE(G.IsBaseCell(4, 1));

    G.SplitCells(2, 2);   // from any cell of the block
    for (Integer C = 1; C <= 3; ++C)
        for (Integer R = 1; R <= 2; ++R) {
            EXPECT_TRUE(G.IsBaseCell(C, R));
            EXPECT_EQ(G.CellPropertiesOrNil(C, R)->CellSpanX(), -1);
            EXPECT_EQ(G.CellPropertiesOrNil(C, R)->CellSpanY(), -1);
            EXPECT_FALSE(G.IsMergedCell(C, R));
        }
    EXPECT_EQ(G.Cells(2, 2), "hidden");
    EXPECT_THROW(G.MergeCells(3, 3, 5, 1), EInvalidGridOperation);
}

TEST(BaseGrid, OneDirectionMerges) {
    TTestGrid G(nullptr);
    G.MergeCells(1, 1, 1, 3);   // vertical only
    EXPECT_FALSE(G.IsXMergedCell(1, 2));
    EXPECT_TRUE(G.IsYMergedCell(1, 2));
    G.MergeCells(2, 4, 3, 1);   // horizontal only
    EXPECT_TRUE(G.IsXMergedCell(3, 4));
    EXPECT_FALSE(G.IsYMergedCell(3, 4));
    G.MergeCells(4, 1, 1, 1);   // a single cell is no merge
    EXPECT_FALSE(G.IsMergedCell(4, 1));
}

TEST(BaseGrid, RowsInSameMerges) {
    TTestGrid G(nullptr);
    G.SetRowCount(8);
    EXPECT_FALSE(G.RowsInSameMerges(1, 2));   // no vertical merge at all
    G.MergeCells(1, 1, 1, 3);                 // rows 1..3 in column 1
    EXPECT_TRUE(G.RowsInSameMerges(1, 3));
    G.MergeCells(2, 2, 1, 2);                 // rows 2..3 in column 2
    EXPECT_TRUE(G.RowsInSameMerges(2, 3));
    G.MergeCells(2, 4, 1, 2);
    G.MergeCells(1, 4, 1, 2);
    EXPECT_FALSE(G.RowsInSameMerges(3, 4));
    G.MergeCells(3, 6, 1, 2);
    G.MergeCells(4, 5, 1, 3);
    // Only columns merged at both rows count: column 3 (rows 6..7) does not decide 5 and 6.
    EXPECT_TRUE(G.RowsInSameMerges(5, 6));
    EXPECT_TRUE(G.RowsInSameMerges(6, 7));
}

TEST(BaseGrid, DisplayHooksApplyBelowTheDisplayRowCount) {
    TTestGrid G(nullptr);
    G.SetCells(1, 1, "abc");
    G.SetCells(1, 4, "abc");
    G.OnGetDisplText = [](TObject*, Integer ACol, Integer ARow, AnsiString& V) { V = "<" + V + ">"; };
    EXPECT_EQ(G.Cells(1, 1), "abc");   // display row count 0: no hook
    G.SetDisplRowCount(3);
    EXPECT_EQ(G.Cells(1, 1), "<abc>");
    EXPECT_EQ(G.Cells(1, 4), "abc");
    EXPECT_EQ(G.RawCells(1, 1), "abc");

    G.OnGetDisplWideText = [](TObject*, Integer, Integer, WideString& W) { W += u"\u0130"; };
    EXPECT_EQ(G.Cells(1, 1), WideToCellText(u"<abc>\u0130"));
    G.OnGetDisplText = nullptr;   // a Unicode cell reaches the wide hook decoded
    G.SetCells(1, 2, WideToCellText(u"\u010Daj"));
    EXPECT_EQ(G.Cells(1, 2), WideToCellText(u"\u010Daj\u0130"));

    // Covered cells report the hook with the base cell's coordinates.
    G.OnGetDisplWideText = nullptr;
    G.MergeCells(1, 1, 2, 1);
    Integer SeenCol = -1;
    G.OnGetDisplText = [&](TObject*, Integer ACol, Integer, AnsiString&) { SeenCol = ACol; };
    G.Cells(2, 1);
    EXPECT_EQ(SeenCol, 1);
}

TEST(BaseGrid, CellsRefCopiesOnlyWhatADisplayHookChanges) {
    TTestGrid G(nullptr);
    G.SetCells(1, 1, "base");
    G.SetCells(2, 1, "covered");
    G.SetCells(3, 3, "alone");
    AnsiString Scratch = "untouched";
    // No properties anywhere: every cell reads as itself, in place.
    EXPECT_EQ(&G.CellsRef(2, 1, Scratch), &G.TStringGrid::CellsRef(2, 1));
    EXPECT_EQ(G.CellsRef(9, 9, Scratch), "");
    EXPECT_EQ(Scratch, "untouched");

    // A merge sends the covered cell to its base; other cells still read in place.
    G.MergeCells(1, 1, 2, 1);
    EXPECT_EQ(&G.CellsRef(2, 1, Scratch), &G.TStringGrid::CellsRef(1, 1));
    EXPECT_EQ(&G.CellsRef(3, 3, Scratch), &G.TStringGrid::CellsRef(3, 3));
    G.ClearProps();
    EXPECT_EQ(G.CellsRef(2, 1, Scratch), "covered");

    // With a hook the displayed text is made in Scratch; rows past the display count stay raw.
    G.SetDisplRowCount(2);
    G.OnGetDisplText = [](TObject*, Integer, Integer, AnsiString& V) { V = "<" + V + ">"; };
    EXPECT_EQ(&G.CellsRef(1, 1, Scratch), &Scratch);
    EXPECT_EQ(Scratch, "<base>");
    EXPECT_EQ(&G.CellsRef(3, 3, Scratch), &G.TStringGrid::CellsRef(3, 3));
    EXPECT_EQ(G.Cells(2, 1), "<covered>");
    G.OnGetDisplText = nullptr;
    G.OnGetDisplWideText = [](TObject*, Integer, Integer, WideString& W) { W += u"\u015F"; };
    EXPECT_EQ(G.CellsRef(1, 1, Scratch), WideToCellText(u"base\u015F"));
}

TEST(BaseGrid, SettingTheLastRowOfAFooterGridUpdatesTheFooter) {
    TTestGrid G(nullptr);
    G.SetCells(1, 4, "x");
    EXPECT_EQ(G.Footers, 0);
    G.SetFooterRowFlag(true);
    G.SetCells(1, 3, "x");
    EXPECT_EQ(G.Footers, 0);
    G.SetCells(1, 4, "y");
    EXPECT_EQ(G.Footers, 1);
}

TEST(BaseGrid, ClearingPropertiesAndCells) {
    TTestGrid G(nullptr);
    TObject Tag;
    for (Integer C = 0; C < 5; ++C) {
        G.SetCells(C, 2, "t");
        G.GetCellProperties(C, 2)->SetBrushColor(clRed);
    }
    G.ClearProps(1, 2, 2, 2);
    EXPECT_FALSE(G.HasCellProperties(1, 2));
    EXPECT_FALSE(G.HasCellProperties(2, 2));
    EXPECT_TRUE(G.HasCellProperties(3, 2));
    EXPECT_EQ(G.Cells(1, 2), "t");
    G.ClearProps(3, 2);
    EXPECT_FALSE(G.HasCellProperties(3, 2));
    G.ClearProps(-5, -5, 99, 99);   // out-of-range corners are clamped
    EXPECT_FALSE(G.HasCellProperties(4, 2));

    G.SetObjects(1, 1, &Tag);
    G.SetCells(1, 1, "a");
    G.SetCells(1, 3, "b");
    G.ClearCol(1);
    EXPECT_EQ(G.Cells(1, 1), "");
    EXPECT_EQ(G.Cells(1, 3), "");
    EXPECT_FALSE(G.HasCellProperties(1, 1));
    G.SetCells(2, 4, "c");
    G.SetCells(3, 4, "d");
    G.ClearRow(4);
    EXPECT_EQ(G.Cells(2, 4), "");
    EXPECT_EQ(G.Cells(3, 4), "");
    G.SetCells(2, 1, "e");
    G.ClearCell(2, 1);
    EXPECT_EQ(G.Cells(2, 1), "");
}

TEST(BaseGrid, PropertiesLeftInRemovedRowsAreFreedWithTheGrid) {
    // Run under a leak checker: nothing the grid made outlives it.
    auto G = std::make_unique<TTestGrid>(nullptr);
    G->GetCellProperties(1, 4)->SetFontName("Arial");
    G->GetCellProperties(2, 2);
    G->ClearRow(2);            // slot emptied, properties still owned
    G->SetRowCount(3);         // row 4 and its properties gone from the framework
    EXPECT_FALSE(G->HasCellProperties(1, 4));
    TCellProperties* Orphan = new TCellProperties(G.get(), 0, 0);
    delete Orphan;             // one freed on its own is forgotten by the grid
    G.reset();
}

TEST(BaseGrid, AssignCopiesTheListedFields) {
    TTestGrid G(nullptr);
    TObject Obj;
    TCellProperties* S = G.GetCellProperties(1, 1);
    S->SetBrushColor(clRed);
    S->SetBrushColorTo(clBlue);
    S->SetFontColor(clGreen);
    S->SetFontStyle({fsBold});
    S->SetFontName("Tahoma");
    S->SetFontSize(11);
    S->SetAlignment(taRightJustify);
    S->SetVAlignment(vtaBottom);
    S->SetWordWrap(false);
    S->SetReadOnly(true);
    S->SetEditor(edComboList);
    S->SetNodeLevel(2);
    S->SetBorderWidth(3);
    S->SetBorderColor(clYellow);
    S->SetCellObject(&Obj);
    S->SetKeptObject(&Obj);
    TCellProperties* D = G.GetCellProperties(2, 2);
    D->Assign(S);
    EXPECT_EQ(D->BrushColor(), clRed);
    EXPECT_EQ(D->BrushColorTo(), clNone);
    EXPECT_EQ(D->FontColor(), clGreen);
    EXPECT_TRUE(D->FontStyle().Contains(fsBold));
    EXPECT_EQ(D->FontName(), "Tahoma");
    EXPECT_EQ(D->FontSize(), 11);
    EXPECT_EQ(D->Alignment(), taRightJustify);
    EXPECT_EQ(D->VAlignment(), vtaBottom);
    EXPECT_FALSE(D->WordWrap());
    EXPECT_TRUE(D->ReadOnly());
    EXPECT_EQ(D->Editor(), edComboList);
    EXPECT_EQ(D->NodeLevel(), 2);
    EXPECT_EQ(D->BorderWidth(), 3);
    EXPECT_EQ(D->BorderColor(), clYellow);
    EXPECT_EQ(D->OwnerCol(), 1);   // owner position is copied too
    EXPECT_EQ(D->CellObject(), nullptr);
    EXPECT_EQ(D->KeptObject(), nullptr);
    TFont F;
    EXPECT_THROW(D->Assign(&F), EConvertError);
}

TEST(BaseGrid, AbsCellRectAndMergedCellRect) {
    TGridForm F;
    TTestGrid& G = *F.Grid;
    G.SetColCount(20);
    G.SetRowCount(30);
    G.SetColWidths(0, 30);
    G.SetColWidths(1, 50);
    G.SetRowHeights(0, 20);
    G.SetRowHeights(1, 25);
    EXPECT_EQ(G.AbsCellRect(0, 0), Rect(0, 0, 30, 20));
    EXPECT_EQ(G.AbsCellRect(2, 2), Rect(80, 45, 144, 69));
    G.SetLeftCol(2);
    G.SetTopRow(2);
    EXPECT_EQ(G.AbsCellRect(1, 1), Rect(-20, -5, 30, 20));   // scrolled out, still placed
    EXPECT_EQ(G.AbsCellRect(2, 2), Rect(30, 20, 94, 44));
    EXPECT_EQ(G.AbsCellRect(0, 3), Rect(0, 44, 30, 68));

    G.MergeCells(1, 1, 2, 2);
    EXPECT_EQ(G.CellRect(2, 2), Rect(-20, -5, 94, 44));
    EXPECT_EQ(G.CellSize(2, 1), (TSize{114, 49}));
    EXPECT_EQ(G.CellSize(4, 4), (TSize{64, 24}));
    EXPECT_EQ(G.CellRect(4, 4), G.TStringGrid::CellRect(4, 4));
}

TEST(BaseGrid, UndoRedoKeepsTheLastMaxLevelChanges) {
    TExtGridUndoRedo U(nullptr);
    U.SetMaxLevel(3);
    for (Integer I = 0; I < 4; ++I) U.AddChange(1, I, "old" + IntToStr(I), "new" + IntToStr(I));
    ASSERT_EQ(U.Items()->Count(), 3);
    EXPECT_EQ(U.Items()->Items(0)->Row(), 1);
    EXPECT_EQ(U.Items()->Items(2)->Value(), "new3");
    EXPECT_EQ(U.Items()->Items(2)->OrigValue(), "old3");
    EXPECT_EQ(U.Level(), 3);
    U.SetMaxLevel(0);
    for (Integer I = 0; I < 5; ++I) U.AddChange(0, 0, "", "");
    EXPECT_EQ(U.Items()->Count(), 8);
    U.SetMaxLevel(2);   // a lowered limit holds from the next change on
    U.AddChange(0, 0, "", "last");
    EXPECT_EQ(U.Items()->Count(), 2);
    EXPECT_EQ(U.Level(), 2);
}

TEST(BaseGrid, UndoRedoLinkFollowsLifetimes) {
    auto G = std::make_unique<TTestGrid>(nullptr);
    auto U = std::make_unique<TExtGridUndoRedo>(nullptr);
    G->SetUndoRedo(U.get());
    EXPECT_EQ(U->Grid(), G.get());
    U.reset();
    EXPECT_EQ(G->UndoRedo(), nullptr);
    U = std::make_unique<TExtGridUndoRedo>(nullptr);
    G->SetUndoRedo(U.get());
    G.reset();
    EXPECT_EQ(U->Grid(), nullptr);
}

TEST(BaseGrid, KeysStepOverMergesAndLandOnBaseCells) {
    TGridForm F;
    TTestGrid& G = *F.Grid;
    F.Form->Show();
    G.SetFocus();
    Settle();
    G.MergeCells(2, 1, 2, 2);   // columns 2..3, rows 1..2
    G.SetCol(2);
    G.SetRow(1);
    auto Press = [&](Word K) {
        Word Key = K;
        G.KeyDown(Key, TShiftState());
        return Point(G.Col(), G.Row());
    };
    EXPECT_EQ(Press(VK_RIGHT), Point(4, 1));   // past the merge
    EXPECT_EQ(Press(VK_LEFT), Point(2, 1));    // into the merge: its base cell
    EXPECT_EQ(Press(VK_LEFT), Point(1, 1));    // out of it to the left
    EXPECT_EQ(Press(VK_RIGHT), Point(2, 1));
    EXPECT_EQ(Press(VK_DOWN), Point(2, 3));    // below the merge
    EXPECT_EQ(Press(VK_UP), Point(2, 1));
    G.SetCol(3);                                // a covered cell made current directly
    G.SetRow(2);
    EXPECT_EQ(Press(VK_UP), Point(2, 1));       // no row above: snapped onto the base cell
    G.SetCol(3);
    G.SetRow(2);
    EXPECT_EQ(Press(VK_RIGHT), Point(4, 2));
}

TEST(BaseGrid, PaintsMergesFooterAndActiveRow) {
    TGridForm F;
    TTestGrid& G = *F.Grid;
    G.SetOptions(G.Options() + TGridOptions{goHorzLine, goVertLine});
    G.MergeCells(1, 1, 2, 1);
    G.GetCellProperties(1, 1);
    G.CellBrush = clYellow;
    QImage I = F.Shot();
    const TRect M = G.CellRect(1, 1);
    // The merge is one block: no grid line where column 1 ends inside it.
    EXPECT_EQ(PixelAt(I, G.TStringGrid::CellRect(1, 1).Right - 1, Middle(M).y()), clYellow);
    EXPECT_EQ(PixelAt(I, M.Right - 1, Middle(M).y()), TColor(0xC0C0C0));   // the grid line at its right edge

    G.SetFooterRowFlag(true);
    G.SetRowCount(6);
    I = F.Shot();
    const TRect Last = G.TStringGrid::CellRect(2, 5);
    ASSERT_FALSE(Last.IsEmpty());
    EXPECT_EQ(PixelAt(I, Middle(Last)), clWhite);   // grid colour, no cell colour
    EXPECT_EQ(PixelAt(I, Middle(Last).x(), Middle(Last).y() - 12 - 3), clYellow);

    G.SetFooterRowFlag(false);
    G.SetActiveRowShow(true);
    G.SetActiveRowColor(clAqua);
    G.SetCol(1);
    G.SetRow(3);
    I = F.Shot();
    const TRect Other = G.TStringGrid::CellRect(4, 3);
    EXPECT_EQ(PixelAt(I, Middle(Other)), clAqua);
    EXPECT_EQ(PixelAt(I, Other.Left, Middle(Other).y()), clYellow);   // outline keeps the cell's colour
    const TRect Below = G.TStringGrid::CellRect(4, 4);
    EXPECT_EQ(PixelAt(I, Middle(Below)), clYellow);
    G.SetRow(4);   // the row's own colours come back
    I = F.Shot();
    const TRect Before = G.TStringGrid::CellRect(4, 3);
    EXPECT_EQ(PixelAt(I, Middle(Before)), clYellow);
}

TEST(BaseGrid, MergeWithBaseScrolledOutIsStillDrawn) {
    TGridForm F;
    TTestGrid& G = *F.Grid;
    G.SetRowCount(30);
    G.MergeCells(1, 1, 1, 4);   // rows 1..4 of column 1
    G.GetCellProperties(1, 1)->SetBrushColor(clNone);
    G.CellBrush = clLime;
    G.SetTopRow(3);
    QImage I = F.Shot();
    const TRect Visible = G.TStringGrid::CellRect(1, 3);
    ASSERT_FALSE(Visible.IsEmpty());
    EXPECT_EQ(PixelAt(I, Middle(Visible)), clLime);
    // The fixed row stays clear of the merge reaching up into it.
    const TRect Fixed = G.TStringGrid::CellRect(1, 0);
    EXPECT_NE(PixelAt(I, Middle(Fixed)), clLime);
}

TEST(BaseGrid, GradientBackgroundRunsTopToBottom) {
    TGridForm F;
    TTestGrid& G = *F.Grid;
    G.SetDefaultRowHeight(64);
    G.CellBrush = clBlack;
    G.CellColorTo = clWhite;
    QImage I = F.Shot();
    const TRect R = G.TStringGrid::CellRect(2, 1);
    const TColor Top = PixelAt(I, R.Left + 5, R.Top + 3);
    const TColor Bottom = PixelAt(I, R.Left + 5, R.Bottom - 4);
    EXPECT_LT(GetRValue(Top), 30);
    EXPECT_GT(GetRValue(Bottom), 200);
}
