#include "grid/ExtGrid.h"
#include "grid/GridTestKit.h"

#include "platform/ui/Forms.h"
#include "platform/ui/UiTestKit.h"

#include <QCursor>
#include <QImage>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

using namespace uitest;

namespace {

class TTestExtGrid : public TExtStringGrid {
public:
    using TExtStringGrid::TExtStringGrid;
    using TExtStringGrid::GetCellColor;
    using TExtStringGrid::IsFixed;
};

struct TExtGridForm : TGridOnForm<TTestExtGrid> {
    TEdit* Before = nullptr;
    TExtGridForm() : TGridOnForm(Keep, Keep) {
        Grid->SetScrollBars(ssNone);
        Grid->SetColor(clWhite);
        Grid->SetColCount(10);
    }
};

void FillRows(TExtStringGrid* G) {
    for (Integer R = 0; R < G->RowCount(); ++R) G->SetCells(1, R, "r" + IntToStr(R));
}

}  // namespace

using ExtGrid = uitest::TGridFormTest<TExtGridForm>;

TEST_F(ExtGrid, NewGridHasTheDocumentedDefaults) {
    EXPECT_EQ(10, G->RowCount());
    EXPECT_EQ(1, G->FixedRows());
    EXPECT_EQ(1, G->FixedCols());
    EXPECT_EQ(21, G->DefaultRowHeight());
    EXPECT_EQ("%.2f", G->FloatFormat());
    AnsiString T, Fl;
    G->GetCheckTrue(1, 1, T);
    G->GetCheckFalse(1, 1, Fl);
    EXPECT_EQ("Y", T);
    EXPECT_EQ("N", Fl);
    EXPECT_EQ('*', G->PasswordChar());
    EXPECT_TRUE(G->WordWrap());
    EXPECT_EQ(vtaTop, G->VAlignment());
    EXPECT_TRUE(G->EnableHTML());
    EXPECT_TRUE(G->ShowSelection());
    EXPECT_EQ(TColor(0xEACAB6), G->SelectionColor());
    EXPECT_EQ(clNone, G->SelectionColorTo());
    EXPECT_EQ(clGray, G->ActiveCellColor());
    EXPECT_EQ(glXP, G->Look());
    EXPECT_EQ("3.3.2.2", G->Version());
    EXPECT_EQ("3.3.2.2 Mar, 2006", G->GetVersionString());
    EXPECT_EQ("Tahoma", G->FixedFont()->Name());
    EXPECT_TRUE(G->FixedFont()->Style().Contains(fsBold));
    EXPECT_EQ(12, G->CellNode()->NodeIndent());
    EXPECT_TRUE(G->Navigation()->AllowClipboardColGrow());
    EXPECT_TRUE(G->Navigation()->SkipFixedCells());
    EXPECT_TRUE(G->MouseActions()->AutoSizeColOnDblClick());
    EXPECT_EQ(-1, G->ColumnSize()->StretchColumn());
    EXPECT_EQ("/", G->PrintSettings()->PageNumSep());
    EXPECT_EQ(100, G->HTMLSettings()->Width());
    G->SetVersion("9");
    EXPECT_EQ("3.3.2.2", G->Version());
}

TEST_F(ExtGrid, FixedRowAlwaysKeepsTheHeaderOfAnEmptyGrid) {
    G->SetFixedRowAlways(true);
    G->SetRowCount(1);
    EXPECT_EQ(1, G->FixedRows());   // framework has 0, the grid reports 1
    EXPECT_TRUE(F.Grid->IsFixed(3, 0));
    bool Fixed = false;
    G->IsFixedCell(3, 0, Fixed);
    EXPECT_TRUE(Fixed);
    G->SetRowCount(5);
    EXPECT_EQ(1, G->TBaseGrid::FixedRows());
    G->SetFixedRowAlways(false);
    G->SetRowCount(1);
    EXPECT_EQ(0, G->FixedRows());
}

TEST_F(ExtGrid, IsFixedCellAsksTheEventOnlyForNonFixedCells) {
    int Calls = 0;
    G->OnIsFixedCell = [&](TObject*, Integer ARow, Integer ACol, bool& IsFixed) {
        ++Calls;
        if (ARow == 4 && ACol == 4) IsFixed = true;
    };
    bool V = false;
    G->IsFixedCell(0, 3, V);
    EXPECT_TRUE(V);
    EXPECT_EQ(0, Calls);
    V = false;
    G->IsFixedCell(4, 4, V);
    EXPECT_TRUE(V);
    EXPECT_EQ(1, Calls);
    V = true;   // already fixed on entry stays fixed, no event
    G->IsFixedCell(5, 5, V);
    EXPECT_TRUE(V);
    EXPECT_EQ(1, Calls);
}

TEST_F(ExtGrid, CanEditCellFollowsReadOnlyEditingOptionAndEvent) {
    bool Can = true;
    G->CanEditCell(2, 2, Can);
    EXPECT_TRUE(Can);   // no properties: untouched
    G->SetReadOnly(2, 2, false);
    Can = true;
    G->CanEditCell(2, 2, Can);
    EXPECT_FALSE(Can);   // properties, but goEditing is off
    AddOptions(G, {goEditing});
    Can = true;
    G->CanEditCell(2, 2, Can);
    EXPECT_TRUE(Can);
    G->SetReadOnly(2, 2, true);
    Can = true;
    G->CanEditCell(2, 2, Can);
    EXPECT_FALSE(Can);
    // A merged cell asks with its base cell.
    G->MergeCells(4, 4, 2, 1);
    Integer SeenCol = -1;
    G->OnCanEditCell = [&](TObject*, Integer, Integer ACol, bool& CanEdit) {
        SeenCol = ACol;
        CanEdit = false;
    };
    Can = true;
    G->CanEditCell(5, 4, Can);
    EXPECT_EQ(4, SeenCol);
    EXPECT_FALSE(Can);
}

TEST_F(ExtGrid, RowColorCoversTheNonFixedCellsOfTheRow) {
    G->SetCells(3, 5, "keep");
    G->SetRowColor(5, clYellow);
    EXPECT_FALSE(G->HasCellProperties(0, 5));
    for (Integer C = 1; C < 10; ++C) EXPECT_EQ(clYellow, G->Colors(C, 5)) << C;
    EXPECT_EQ(clNone, G->Colors(1, 4));
    // clNone frees the properties, merges and all; the texts stay.
    G->MergeCells(2, 5, 2, 1);
    G->MergeCells(1, 4, 1, 3);   // crosses the row: split whole
    G->SetRowFontColor(5, clRed);
    EXPECT_EQ(clRed, G->FontColors(6, 5));
    G->SetRowColor(5, clNone);
    for (Integer C = 1; C < 10; ++C) EXPECT_FALSE(G->HasCellProperties(C, 5)) << C;
    EXPECT_FALSE(G->IsMergedCell(2, 5) || G->IsMergedCell(1, 4));
    EXPECT_EQ(clNone, G->FontColors(6, 5));
    EXPECT_EQ("keep", G->Cells(3, 5));
    G->SetRowColorTo(2, clBlue);
    EXPECT_EQ(clBlue, G->ColorsTo(4, 2));
    EXPECT_THROW(G->SetRowColor(10, clYellow), EInvalidGridOperation);
    G->SetFixedCols(0);   // a contracted node's row: the node stays
    G->AddNode(2, 3);
    G->ContractNode(2);
    G->SetRowColor(2, clNone);
    G->ExpandNode(2);
    EXPECT_TRUE(G->IsNode(2) && G->NodeCount() == 1 && G->RowCount() == 10);
}

TEST_F(ExtGrid, RowColorAndFontColorAreDrawn) {
    G->SetRowColor(3, clYellow);
    G->SetRowColor(4, clRed);
    G->SetRow(1);
    QImage I = F.Shot();
    const TRect R3 = G->CellRect(2, 3);
    const TRect R4 = G->CellRect(2, 4);
    const TRect R5 = G->CellRect(2, 5);
    EXPECT_EQ(clYellow, PixelAt(I, R3.Left + 10, R3.Top + R3.Height() / 2));
    EXPECT_EQ(clRed, PixelAt(I, R4.Left + 10, R4.Top + R4.Height() / 2));
    EXPECT_EQ(clWhite, PixelAt(I, R5.Left + 10, R5.Top + R5.Height() / 2));
    // The current cell shows the selection colour rather than the row colour.
    G->SetRow(3);
    G->SetCol(2);
    I = F.Shot();
    EXPECT_EQ(TColor(0xEACAB6), PixelAt(I, R3.Left + 10, R3.Top + R3.Height() / 2));
    G->SetRow(6);
    I = F.Shot();
    EXPECT_EQ(clYellow, PixelAt(I, R3.Left + 10, R3.Top + R3.Height() / 2));
}

TEST_F(ExtGrid, GetCellColorAppliesPropertiesAndTheEvent) {
    G->SetColors(2, 2, clYellow);
    G->SetFontColors(2, 2, clRed);
    G->OnGetCellColor = [](TObject*, Integer ARow, Integer ACol, TGridDrawState, TBrush* B, TFont*) {
        if (ARow == 3 && ACol == 3) B->SetColor(clBlue);
    };
    G->SetRow(7);
    TBrush B;
    TFont Ft;
    TColor To = clNone;
    TAlignment H = taLeftJustify;
    TVAlignment V = vtaTop;
    bool WW = true;
    TGridDrawState S;
    auto Decide = [&](Integer C, Integer R) {
        S = TGridDrawState{};
        F.Grid->GetCellColor(C, R, S, false, true, true, &B, To, &Ft, H, V, WW);
    };
    Decide(2, 2);
    EXPECT_EQ(clYellow, B.Color());
    EXPECT_EQ(clRed, Ft.Color());
    Decide(3, 3);
    EXPECT_EQ(clBlue, B.Color());
    Decide(4, 4);
    EXPECT_EQ(clWhite, B.Color());
    Decide(0, 4);
    EXPECT_EQ(G->FixedColor(), B.Color());
    EXPECT_TRUE(S.Contains(gdFixed));
    EXPECT_EQ("Tahoma", Ft.Name());
}

TEST_F(ExtGrid, AlignmentFromNumbersPropertiesAndEvent) {
    G->SetAutoNumAlign(true);
    G->SetCells(1, 1, "12,5");
    G->SetCells(2, 1, "abc");
    TAlignment H;
    TVAlignment V;
    G->GetCellAlignment(1, 1, H, V);
    EXPECT_EQ(taRightJustify, H);
    G->GetCellAlignment(2, 1, H, V);
    EXPECT_EQ(taLeftJustify, H);
    // A cell with properties takes their alignment, also a numeric one.
    G->SetRowColor(1, clYellow);
    G->GetCellAlignment(1, 1, H, V);
    EXPECT_EQ(taLeftJustify, H);
    G->SetRowColor(1, clNone);
    G->GetCellAlignment(1, 1, H, V);
    EXPECT_EQ(taRightJustify, H);
    G->SetVAlignment(vtaCenter);
    EXPECT_EQ(DT_VCENTER, G->VAlignFlag());
    G->MouseActions()->SetHotmailRowSelect(true);
    G->GetCellAlignment(0, 1, H, V);
    EXPECT_EQ(taCenter, H);
    EXPECT_EQ(vtaCenter, V);
    G->OnGetAlignment = [](TObject*, Integer, Integer, TAlignment& HA, TVAlignment& VA) {
        HA = taRightJustify;
        VA = vtaBottom;
    };
    G->GetCellAlignment(2, 1, H, V);
    EXPECT_EQ(taRightJustify, H);
    EXPECT_EQ(vtaBottom, V);
}

TEST_F(ExtGrid, RowUpdateReportsChangesOnceWithTheFormerRow) {
    std::vector<std::pair<Integer, Integer>> Seen;
    G->OnRowUpdate = [&](TObject*, Integer OldRow, Integer NewRow) { Seen.emplace_back(OldRow, NewRow); };
    G->SetRow(4);
    G->SetRow(4);
    G->SetRow(6);
    ASSERT_EQ(2u, Seen.size());
    EXPECT_EQ(std::make_pair(-1, 4), Seen[0]);
    EXPECT_EQ(std::make_pair(4, 6), Seen[1]);
    G->BeginUpdate();
    G->SetRow(2);
    G->EndUpdate();
    EXPECT_EQ(2u, Seen.size());
    EXPECT_EQ(2, G->Row());
}

TEST_F(ExtGrid, HiddenRowsMapBetweenDisplayAndRealRows) {
    FillRows(G);
    G->SetRowHeights(4, 33);
    G->HideRows(3, 5);
    EXPECT_EQ(7, G->RowCount());
    EXPECT_EQ(3, G->NumHiddenRows());
    EXPECT_EQ(6, G->RealRowIndex(3));
    EXPECT_EQ(3, G->DisplRowIndex(6));
    EXPECT_EQ(-1, G->RealRowIndex(-1));
    EXPECT_TRUE(G->IsHiddenRow(4));
    EXPECT_EQ("r4", G->AllCells(1, 4));
    EXPECT_EQ("r6", G->AllCells(1, 6));
    EXPECT_EQ("r6", G->Cells(1, 3));
    EXPECT_EQ(10, G->AllRowCount());
    G->UnHideRows(6, 7);   // row 6 is not hidden: nothing happens
    EXPECT_EQ(7, G->RowCount());
    G->UnHideRowsAll();
    EXPECT_EQ(10, G->RowCount());
    for (Integer R = 0; R < 10; ++R) EXPECT_EQ("r" + IntToStr(R), G->Cells(1, R));
    EXPECT_EQ(33, G->RowHeights(4));
    G->HideRows(2, 3);
    G->UnHideRows(2, 3);
    EXPECT_EQ(10, G->RowCount());
    EXPECT_EQ("r2", G->Cells(1, 2));
}

TEST_F(ExtGrid, HiddenRowKeepsItsColourAndTheGridFreesItWhenDestroyed) {
    G->SetRowColor(4, clYellow);
    G->HideRows(4, 4);
    EXPECT_EQ(clNone, G->Colors(2, 4));
    G->UnHideRowsAll();
    EXPECT_EQ(clYellow, G->Colors(2, 4));
    G->HideRows(4, 4);   // destroyed while hidden: no leak, no crash (checked by sanitizers)
}

struct TFilterCase {
    const char* Name;
    std::vector<std::tuple<const char*, TFilterOperation>> Conditions;
    std::vector<AnsiString> Shown;
};

class ExtGridFilter : public ::testing::TestWithParam<TFilterCase> {};

TEST_P(ExtGridFilter, HidesFailingRowsAndBringsThemBack) {
    TExtGridForm F;
    TExtStringGrid* G = F.Grid;
    G->SetRowCount(6);
    const char* Names[] = {"hdr", "Ankara", "Bursa", "Adana", "İzmir", "Antalya"};
    for (Integer R = 0; R < 6; ++R) G->SetCells(1, R, Names[R]);
    for (auto& [Cond, Op] : GetParam().Conditions) {
        TFilterData* D = G->Filter()->Add();
        D->SetColumn(1);
        D->SetCondition(Cond);
        D->SetOperation(Op);
    }
    std::vector<Integer> Progress;
    G->OnFilterProgress = [&](TObject*, Integer P) { Progress.push_back(P); };
    G->SetFilterActive(true);
    std::vector<AnsiString> Shown;
    for (Integer R = 1; R < G->RowCount(); ++R) Shown.push_back(G->Cells(1, R));
    EXPECT_EQ(GetParam().Shown, Shown);
    ASSERT_FALSE(Progress.empty());
    EXPECT_EQ(100, Progress.back());
    G->SetFilterActive(false);
    ASSERT_EQ(6, G->RowCount());
    EXPECT_EQ(1, G->FixedRows());
    for (Integer R = 0; R < 6; ++R) EXPECT_EQ(AnsiString(Names[R]), G->Cells(1, R));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExtGridFilter,
    ::testing::Values(TFilterCase{"Prefix", {{"A*", foNONE}}, {"Ankara", "Adana", "Antalya"}},
                      TFilterCase{"And", {{"A*", foNONE}, {"*a", foAND}}, {"Ankara", "Adana", "Antalya"}},
                      TFilterCase{"Or", {{"B*", foNONE}, {"Adana", foOR}}, {"Bursa", "Adana"}},
                      TFilterCase{"Short", {{"Z*", foSHORT}, {"*", foOR}}, {}},
                      TFilterCase{"None", {{"Q*", foNONE}}, {}}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(ExtGrid, FilterPrefixAndSuffixAreStrippedBeforeMatching) {
    G->SetRowCount(3);
    G->SetCells(1, 1, "#12 TL");
    G->SetCells(1, 2, "#5 TL");
    TFilterData* D = G->Filter()->Add();
    D->SetColumn(1);
    D->SetPrefix("#");
    D->SetSuffix(" TL");
    D->SetCondition(">10");
    EXPECT_TRUE(G->RowMatchesFilter(1));
    EXPECT_FALSE(G->RowMatchesFilter(2));
}

TEST_F(ExtGrid, ParkedSelectionIsNotDrawnAndComesBack) {
    G->SetCol(2);
    G->SetRow(3);
    G->ParkSelection();
    EXPECT_TRUE(G->SelectionParked());
    QImage I = F.Shot();
    const TRect R = G->CellRect(2, 3);
    EXPECT_EQ(clWhite, PixelAt(I, R.Left + 10, R.Top + R.Height() / 2));
    G->RestoreSelection();
    EXPECT_FALSE(G->SelectionParked());
    EXPECT_EQ(3, G->Row());
    EXPECT_EQ(2, G->Col());
}

TEST_F(ExtGrid, ScrollInViewMovesToAFarRowAndKeepsAVisibleOne) {
    G->SetRowCount(100);
    F.Shot();
    G->ScrollInView(2, 60);
    EXPECT_EQ(60, G->Row());
    EXPECT_LE(G->TopRow(), 60);
    EXPECT_GT(G->TopRow() + G->VisibleRowCount(), 60);
    const Integer Top = G->TopRow();
    G->SetCol(1);
    G->ScrollInView(1, Top + 1);
    EXPECT_EQ(60, G->Row());   // visible: the current cell stays
    EXPECT_EQ(Top, G->TopRow());
}

TEST_F(ExtGrid, CurrentCellAccessUsesTheBaseCellOfAMerge) {
    G->MergeCells(2, 2, 2, 2);
    G->SetCells(2, 2, "base");
    G->SetCol(3);
    G->SetRow(3);
    AnsiString V;
    G->GetCurrentCell(V);
    EXPECT_EQ("base", V);
    G->SetCurrentCell("new");
    EXPECT_EQ("new", G->RawCells(2, 2));
    AnsiString E = "x";
    Integer SeenCol = -1;
    G->OnEllipsClick = [&](TObject*, Integer ACol, Integer, AnsiString& Value) {
        SeenCol = ACol;
        Value = "picked";
    };
    G->EllipsClick(E);
    EXPECT_EQ("picked", E);
    EXPECT_EQ(G->Col(), SeenCol);
}

TEST_F(ExtGrid, ZoomStaysWithinTenSteps) {
    G->SetColWidths(3, 2);
    const Integer W = G->ColWidths(1), H = G->RowHeights(1);
    G->Zoom(11);
    EXPECT_EQ(0, G->ZoomLevel());
    EXPECT_EQ(W, G->ColWidths(1));
    G->Zoom(-3);
    EXPECT_EQ(-3, G->ZoomLevel());
    EXPECT_EQ(W - 3, G->ColWidths(1));
    EXPECT_EQ(H - 3, G->RowHeights(1));
    EXPECT_EQ(2, G->ColWidths(3));   // would reach 0: kept
}

TEST_F(ExtGrid, SaveAndLoadCellGoThroughTheirEvents) {
    G->SetCells(1, 1, "abc");
    G->OnSaveCell = [](TObject*, Integer, Integer, AnsiString& V) { V += "!"; };
    AnsiString V;
    G->SaveCell(1, 1, V);
    EXPECT_EQ("abc!", V);
    G->OnLoadCell = [](TObject*, Integer, Integer, AnsiString& Val) { Val = "<" + Val + ">"; };
    G->LoadCell(2, 2, "x");
    EXPECT_EQ("<x>", G->Cells(2, 2));
    EXPECT_FALSE(G->HasCellProperties(2, 2));
}

TEST_F(ExtGrid, AssignCopiesFromAnotherGridOnly) {
    TExtStringGrid Other(nullptr);
    Other.SetColCount(4);
    Other.SetRowCount(3);
    Other.SetCells(2, 1, "x");
    Other.SetActiveCellColor(clRed);
    Other.Navigation()->SetAdvanceOnEnter(true);
    Other.OnSaveCell = [](TObject*, Integer, Integer, AnsiString& V) { V += V.empty() ? "" : "!"; };
    G->OnLoadCell = [](TObject*, Integer, Integer, AnsiString& V) { V = "<" + V + ">"; };   // cells go through both
    G->Assign(&Other);
    EXPECT_EQ(4, G->ColCount());
    EXPECT_EQ(3, G->RowCount());
    EXPECT_EQ("<x!>", G->Cells(2, 1));
    EXPECT_EQ(clRed, G->ActiveCellColor());
    EXPECT_TRUE(G->Navigation()->AdvanceOnEnter());
    TStringList NotAGrid;
    G->Assign(&NotAGrid);
    EXPECT_EQ(4, G->ColCount());
}

TEST_F(ExtGrid, AnEventRaisingInsideAnUpdateEndsTheUpdate) {
    G->Filter()->Add()->SetColumn(1);
    const auto Refuse = [](auto&&...) { throw Exception("refused"); };
    G->OnCellsChanged = Refuse;
    G->OnLoadCell = Refuse;
    G->OnFilterProgress = [N = std::make_shared<int>(0)](TObject*, Integer P) { if (P == 100 && ++*N == 2) throw Exception("last"); };
    gridtest::TTempFile Csv("a,b\r\n");
    TStringStream Cells("2,2\r\n1,1,x\r\n"), Bare("2,2\r\ncw\r\n");
    for (const auto& Road : std::vector<std::function<void()>>{
             [&] { G->Group(1); }, [&] { G->RemoveCols(2, 1); }, [&] { G->GroupInPlace(1); },
             [&] { G->SetFilterActive(true); }, [&] { G->ImportCSVFile(Csv.Name(), false); },
             [&] { G->LoadCellsFromStrings(&Cells); }, [&] { G->LoadCellsFromStrings(&Bare); }}) {
        G->ResetUpdate();
        EXPECT_THROW(Road(), Exception);
        EXPECT_EQ(0, G->UpdateCount());
    }
}

// The grid's own frame is no row: a bordered grid keeps 11 whole rows of 21 pixels.
TEST_F(ExtGrid, IntegralHeightCutsToWholeRows) {
    G->SetColCount(3);
    for (const auto& [Border, Height] : {std::pair{bsNoBorder, 231}, std::pair{bsSingleBorder, 235}}) {
        G->SetIntegralHeight(false);
        G->SetBorderStyle(Border);
        G->SetBounds(0, 0, 400, 250);
        G->SetIntegralHeight(true);
        EXPECT_EQ(Height, G->Height());
        EXPECT_EQ(11 * 21, G->ClientHeight());
    }
}

TEST_F(ExtGrid, ColumnHeadersFillRowZero) {
    G->SetCells(5, 0, "old");
    TStringList L;
    L.Add("A");
    L.Add("B\\nC");
    G->SetColumnHeaders(&L);
    EXPECT_EQ("A", G->Cells(0, 0));
    EXPECT_EQ("B\rC", G->Cells(1, 0));
    EXPECT_EQ("", G->Cells(5, 0));
    G->ColumnHeaders()->Add("D");
    EXPECT_EQ("D", G->Cells(2, 0));
}

TEST_F(ExtGrid, OwnerFormResizeIsPassedOnAndFollowedWithSizeWithForm) {
    auto Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(0, 0, 600, 400);
    int Old = 0;
    Form->OnResize = [&](TObject*) { ++Old; };
    auto* First = Place<TExtStringGrid>(Form.get(), 0, 250, 100, 100);   // hooks the form before G
    auto* G = Place<TExtStringGrid>(Form.get(), 0, 0, 300, 200);
    G->SetSizeWithForm(true);
    Form->SetBounds(0, 0, 650, 430);
    Form->OnResize(Form.get());
    EXPECT_GE(Old, 1);
    EXPECT_EQ(350, G->Width());
    EXPECT_EQ(230, G->Height());
    delete First;   // G goes on following the form
    Form->SetBounds(0, 0, 700, 430), Form->OnResize(Form.get());
    EXPECT_EQ(400, G->Width());
    delete G;
    ASSERT_TRUE(Form->OnResize);
    const int Before = Old;
    Form->OnResize(Form.get());
    EXPECT_EQ(Before + 1, Old);
}

TEST_F(ExtGrid, DoubleClickReachesTheScreen) {
    int Clicks = 0;
    F.Grid->OnDblClick = [&](TObject*) { ++Clicks; };
    F.Shot();
    const TRect R = F.Grid->CellRect(2, 2);
    SendMouse(F.Grid->Widget(), QEvent::MouseButtonDblClick, QPoint(R.Left + 5, R.Top + 5), Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(1, Clicks);
}

// A handler may close its screen: the grid it freed does nothing more, whatever the road.
TEST(ExtGridHandlers, AHandlerThatFreesTheGridEndsTheGridsWork) {
    enum TAct { Dbl, Press, Right, Down, Type, Edit, Node, Hover, Wheel };
    TNotifyEvent Free;
    const auto E = [&](TObject* S, auto&&...) { Free(S); };   // nothing of it is touched after the grid goes
    const std::vector<std::pair<std::function<void(TTestExtGrid*)>, TAct>> Roads = {
        {[&](auto* G) { G->OnDblClick = E; }, Dbl}, {[&](auto* G) { G->OnClickCell = E; }, Press},
        {[&](auto* G) { G->CreateCellGraphic(2, 2)->SetCellType(ctCheckBox), G->OnCheckBoxClick = E; }, Press},
        {[&](auto* G) { G->OnRightClickCell = E; }, Right}, {[&](auto* G) { G->OnRowChanging = E; }, Down},
        {[&](auto* G) { G->OnKeyPress = E; }, Type}, {[&](auto* G) { G->OnCellValidate = E; }, Edit},
        {[&](auto* G) { G->AddNode(2, 2), G->ContractNode(2), G->OnExpandNode = E; }, Node},
        {[&](auto* G) { G->SetHovering(true), G->OnEnter = E; }, Hover},
        {[&](auto* G) { G->OnRowChanging = E; }, Wheel}};
    for (size_t I = 0; I < Roads.size(); ++I) {
        TExtGridForm F;
        F.Options({goEditing}), F.Before = Place<TEdit>(F.Form.get(), 520, 0, 60, 24);
        F.ShowFocused();
        F.Grid->SetCol(2), F.Grid->SetRow(2);
        Free = [&F](TObject*) { delete std::exchange(F.Grid, nullptr); };
        Roads[I].first(F.Grid);
        const QPoint P = Roads[I].second == Node ? QPoint(F.Grid->CellRect(0, 2).Left + 6, F.Centre(0, 2).y()) : F.Centre(2, 2);
        const auto Mouse = [&](std::initializer_list<QEvent::Type> Ts, Qt::MouseButton B = Qt::LeftButton) {
            for (QEvent::Type T : Ts) F.Grid && (SendMouse(F.Grid->Widget(), T, P, B, T == QEvent::MouseButtonRelease ? Qt::NoButton : B), 1);
        };
        const auto Up = QEvent::MouseButtonRelease, Dn = QEvent::MouseButtonPress;
        switch (Roads[I].second) {
            case Dbl: Mouse({Dn, Up, QEvent::MouseButtonDblClick, Up}); break;
            case Press: case Node: Mouse({Dn, Up}); break;
            case Right: Mouse({Dn}, Qt::RightButton); break;
            case Down: F.Key(Qt::Key_Down); break;
            case Edit: F.Key(Qt::Key_F2), TypeText(u"x"), PressEnter(); break;
            case Type: TypeText(u"x"); break;
            case Wheel: TurnWheel(F.Grid->Widget(), true); break;
            case Hover:   // the timer moves the focus and the current cell to the hovered cell
                F.Before->SetFocus(), QCursor::setPos(F.Grid->Widget()->mapToGlobal(F.Centre(3, 3)));
                for (int T = 0; T < 3 && F.Grid; ++T) QTest::qWait(600);
        }
        Settle();
        EXPECT_EQ(nullptr, F.Grid) << I;
    }
}

TEST_F(ExtGrid, OptionObjectsCopyWithAssign) {
    TCellNode A(nullptr), B(nullptr);
    A.SetNodeIndent(20);
    A.SetTreeColor(clRed);
    B.Assign(&A);
    EXPECT_EQ(20, B.NodeIndent());
    EXPECT_EQ(clRed, B.TreeColor());
    TPrintSettings P1(nullptr), P2(nullptr);
    P1.SetTitleText("t");
    P1.TitleLines()->Add("x");
    P2.Assign(&P1);
    EXPECT_EQ("t", P2.TitleText());
    EXPECT_EQ(1, P2.TitleLines()->Count());
    TCellGraphic G;
    G.SetCellAngle(2);
    EXPECT_EQ(Point(40, 40), G.PictureSize(50, 40, 100, 100));   // ratios .5/.4: the height bounds it
    G.SetCellAngle(4);
    EXPECT_EQ(Point(10, 10), G.PictureSize(50, 40, 10, 10));
    G.SetCellAngle(0);
    EXPECT_EQ(Point(70, 80), G.PictureSize(50, 40, 70, 80));
}

TEST_F(ExtGrid, SettersReachedThroughTheBaseGridApplyTheGridsRules) {
    Integer Reports = 0;
    G->OnRowUpdate = [&](TObject*, Integer, Integer) { ++Reports; };
    TCustomGrid* Base = G;
    Base->SetRow(4);
    EXPECT_EQ(1, Reports);
    G->SetFixedRowAlways(true);
    G->SetFixedRows(1);
    Base->SetRowCount(1);
    Base->SetRowCount(5);
    EXPECT_EQ(1, G->TBaseGrid::FixedRows());   // the remembered fixed rows come back
}

TEST_F(ExtGrid, SortRowMustBeAFixedRowAndARefusedRowKeepsTheOldOne) {
    TExtStringGrid G(nullptr);
    G.SetRowCount(5);
    G.SetFixedRows(2);
    G.SortSettings()->SetRow(1);
    for (Integer Bad : {2, 4, -1}) {
        try {
            G.SortSettings()->SetRow(Bad);
            ADD_FAILURE() << Bad;
        } catch (const EExtGridError& E) {
            EXPECT_STREQ("Sort row should be smaller than number of fixed rows", E.what()) << Bad;
        }
        EXPECT_EQ(1, G.SortSettings()->Row()) << Bad;
    }
}
