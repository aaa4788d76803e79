#include "platform/ui/Grids.h"

#include "platform/ui/Forms.h"
#include "UiTestKit.h"

#include <QImage>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace uitest;

namespace {

struct TGridForm : TGridOnForm<TStringGrid> {
    TGridForm() : TGridOnForm(Keep, Keep, 400, 200, 500, 300) { Grid->SetScrollBars(ssNone); }
    void ShowFocused() {
        Form->Show();
        Grid->SetFocus();
        Settle();
    }
};

void Mouse(TControl* C, QEvent::Type T, QPoint P, Qt::MouseButtons Buttons) {
    SendMouse(C->Widget(), T, P, T == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, Buttons);
}

void Drag(TControl* C, QPoint From, QPoint To) {
    Mouse(C, QEvent::MouseButtonPress, From, Qt::LeftButton);
    Mouse(C, QEvent::MouseMove, (From + To) / 2, Qt::LeftButton);
    Mouse(C, QEvent::MouseMove, To, Qt::LeftButton);
    Mouse(C, QEvent::MouseButtonRelease, To, Qt::NoButton);
}

}  // namespace

TEST(Grids, CellsAndObjectsRoundTripAndOutOfRangeIsRefused) {
    TStringGrid G(nullptr);
    TObject Tag;
    G.SetCells(2, 3, "Kayıt");
    G.SetObjects(2, 3, &Tag);
    EXPECT_EQ(G.Cells(2, 3), "Kayıt");
    EXPECT_EQ(G.Objects(2, 3), &Tag);
    EXPECT_EQ(G.Cells(9, 9), "");
    EXPECT_EQ(G.Objects(-1, 0), nullptr);
    EXPECT_THROW(G.SetCells(5, 0, "x"), EInvalidGridOperation);
    EXPECT_THROW(G.SetCells(0, -1, "x"), EInvalidGridOperation);
}

TEST(Grids, CountChangesKeepTheCellsThatRemain) {
    TStringGrid G(nullptr);
    G.SetColCount(3);
    G.SetRowCount(3);
    for (int C = 0; C < 3; ++C)
        for (int R = 0; R < 3; ++R) G.SetCells(C, R, AnsiString(1, char('a' + C)) + AnsiString(1, char('0' + R)));
    G.SetRowCount(10);
    G.SetColCount(6);
    EXPECT_EQ(G.Cells(2, 2), "c2");
    EXPECT_EQ(G.Cells(5, 9), "");
    G.SetRowCount(2);
    G.SetColCount(2);
    EXPECT_EQ(G.Cells(1, 1), "b1");
    EXPECT_EQ(G.Cells(2, 2), "");
    // Growing again does not bring back what was cut off.
    G.SetRowCount(3);
    G.SetColCount(3);
    EXPECT_EQ(G.Cells(2, 2), "");
    EXPECT_EQ(G.Cells(0, 0), "a0");
    // The current cell follows a shrinking grid.
    G.SetRow(2);
    G.SetRowCount(2);
    EXPECT_EQ(G.Row(), 1);
}

TEST(Grids, FixedCountsMustLeaveAScrollableCell) {
    TStringGrid G(nullptr);
    EXPECT_THROW(G.SetFixedRows(5), EInvalidGridOperation);
    EXPECT_THROW(G.SetFixedCols(5), EInvalidGridOperation);
    G.SetFixedRows(2);
    EXPECT_EQ(G.Row(), 2);   // the current cell leaves the fixed rows
    G.SetRowCount(2);
    EXPECT_EQ(G.FixedRows(), 1);
}

TEST(Grids, RowsAndColsAreViewsOfTheCells) {
    TStringGrid G(nullptr);
    G.SetCells(1, 2, "x");
    EXPECT_EQ(G.Rows(2)->Count(), 5);
    EXPECT_EQ(G.Rows(2)->Strings(1), "x");
    EXPECT_EQ(G.Cols(1)->Strings(2), "x");
    G.Cols(3)->SetStrings(4, "y");
    EXPECT_EQ(G.Cells(3, 4), "y");

    TStringList L;
    L.Add("a");
    L.Add("");
    L.Add("c");
    G.Rows(0)->Assign(&L);
    EXPECT_EQ(G.Cells(0, 0), "a");
    EXPECT_EQ(G.Cells(1, 0), "");
    EXPECT_EQ(G.Cells(2, 0), "c");
    EXPECT_EQ(G.Cells(3, 0), "");

    // Longer lists fill the cells there are; shorter ones empty the rest.
    TStringList Long;
    for (const char* S : {"1", "2", "3", "4", "5", "6", "7"}) Long.Add(S);
    G.SetCols(4, &Long);
    EXPECT_EQ(G.Cells(4, 4), "5");
    TStringList Short;
    Short.Add("z");
    G.SetCols(4, &Short);
    EXPECT_EQ(G.Cells(4, 0), "z");
    EXPECT_EQ(G.Cells(4, 1), "");
    EXPECT_THROW(G.Rows(5), EInvalidGridOperation);
    EXPECT_THROW(G.Rows(0)->Delete(0), EInvalidGridOperation);
}

TEST(Grids, SelectCellVetoKeepsTheCurrentCell) {
    TStringGrid G(nullptr);
    std::vector<std::pair<int, int>> Asked;
    G.OnSelectCell = [&](TObject*, Integer C, Integer R, bool& Can) {
        Asked.emplace_back(C, R);
        Can = C != 3;
    };
    G.SetCol(2);
    EXPECT_EQ(G.Col(), 2);
    G.SetCol(3);
    EXPECT_EQ(G.Col(), 2);
    G.SetRow(4);
    EXPECT_EQ(G.Row(), 4);
    ASSERT_EQ(Asked.size(), 3u);
    EXPECT_EQ(Asked[1], std::make_pair(3, 1));
    EXPECT_EQ(G.Selection(), (TGridRect{2, 4, 2, 4}));
    EXPECT_THROW(G.SetRow(7), EInvalidGridOperation);
}

TEST(Grids, SelectionRangeAndRowSelect) {
    TStringGrid G(nullptr);
    G.SetSelection(TGridRect{3, 3, 1, 2});
    EXPECT_EQ(G.Selection(), (TGridRect{1, 2, 3, 3}));
    EXPECT_EQ(G.Col(), 3);
    EXPECT_EQ(G.Row(), 3);
    G.SetOptions(G.Options() + TGridOptions{goRowSelect});
    G.SetSelection(TGridRect{2, 1, 2, 1});
    EXPECT_EQ(G.Selection(), (TGridRect{1, 1, 4, 1}));
    // Without range selection only the current cell is selected.
    G.SetOptions(TGridOptions{goVertLine, goHorzLine});
    G.SetSelection(TGridRect{1, 1, 3, 3});
    EXPECT_EQ(G.Selection(), (TGridRect{3, 3, 3, 3}));
}

TEST(Grids, KeyboardNavigation) {
    TGridForm F;
    TStringGrid* G = F.Grid;
    G->SetRowCount(30);
    G->SetColCount(8);
    G->SetOptions(G->Options() + TGridOptions{goTabs});
    F.ShowFocused();
    struct Step { int Key; Qt::KeyboardModifiers Mods; int Col, Row; };
    const Step Steps[] = {
        {Qt::Key_Down, Qt::NoModifier, 1, 2},
        {Qt::Key_Right, Qt::NoModifier, 2, 2},
        {Qt::Key_Up, Qt::NoModifier, 2, 1},
        {Qt::Key_Up, Qt::NoModifier, 2, 1},          // fixed row is never entered
        {Qt::Key_End, Qt::NoModifier, 7, 1},
        {Qt::Key_Home, Qt::NoModifier, 1, 1},
        {Qt::Key_Left, Qt::NoModifier, 1, 1},
        {Qt::Key_End, Qt::ControlModifier, 7, 29},
        {Qt::Key_Home, Qt::ControlModifier, 1, 1},
        {Qt::Key_Tab, Qt::NoModifier, 2, 1},
        {Qt::Key_Backtab, Qt::ShiftModifier, 1, 1},
        {Qt::Key_Backtab, Qt::ShiftModifier, 7, 29},  // wraps back to the last cell
        {Qt::Key_Tab, Qt::NoModifier, 1, 1},          // and forward to the first
    };
    for (const Step& S : Steps) {
        SendKey(G->Widget(), S.Key, QString(), S.Mods);
        EXPECT_EQ(G->Col(), S.Col) << S.Key;
        EXPECT_EQ(G->Row(), S.Row) << S.Key;
    }
    // Paging moves by the visible rows and scrolls along.
    const Integer Page = G->VisibleRowCount();
    ASSERT_GT(Page, 1);
    SendKey(G->Widget(), Qt::Key_PageDown);
    EXPECT_EQ(G->Row(), 1 + Page);
    EXPECT_GT(G->TopRow(), 1);
    EXPECT_FALSE(G->CellRect(G->Col(), G->Row()).IsEmpty());
    SendKey(G->Widget(), Qt::Key_PageUp);
    EXPECT_EQ(G->Row(), 1);
    EXPECT_EQ(G->TopRow(), 1);
    // Shift extends the selection with range selection on.
    SendKey(G->Widget(), Qt::Key_Down, QString(), Qt::ShiftModifier);
    SendKey(G->Widget(), Qt::Key_Right, QString(), Qt::ShiftModifier);
    EXPECT_EQ(G->Selection(), (TGridRect{1, 1, 2, 2}));
}

TEST(Grids, TypingEditsTheCellAndEnterStoresIt) {
    TGridForm F;
    TStringGrid* G = F.Grid;
    G->SetOptions(G->Options() + TGridOptions{goEditing});
    G->SetCells(1, 1, "old");
    std::vector<AnsiString> Stored;
    G->OnSetEditText = [&](TObject*, Integer, Integer, const AnsiString& V) { Stored.push_back(V); };
    F.ShowFocused();
    TypeText(u"Şu");
    ASSERT_TRUE(G->EditorMode());
    ASSERT_NE(G->InplaceEditor(), nullptr);
    EXPECT_EQ(G->InplaceEditor()->Text(), "Şu");
    PressEnter();
    EXPECT_FALSE(G->EditorMode());
    EXPECT_EQ(G->Cells(1, 1), "Şu");
    ASSERT_FALSE(Stored.empty());
    EXPECT_EQ(Stored.back(), "Şu");

    // Enter opens the editor on the cell's text; Escape puts the old text back.
    PressEnter();
    ASSERT_TRUE(G->EditorMode());
    EXPECT_EQ(G->InplaceEditor()->Text(), "Şu");
    TypeText(u"xyz");
    PressEscape();
    EXPECT_FALSE(G->EditorMode());
    EXPECT_EQ(G->Cells(1, 1), "Şu");

    // Moving away with an arrow key keeps the typed text.
    TypeText(u"q");
    SendKey(FocusTarget(), Qt::Key_Down);
    EXPECT_FALSE(G->EditorMode());
    EXPECT_EQ(G->Cells(1, 1), "q");
    EXPECT_EQ(G->Row(), 2);
}

TEST(Grids, NoEditorWithoutEditingOrOnRowSelect) {
    TGridForm F;
    TStringGrid* G = F.Grid;
    F.ShowFocused();
    TypeText(u"a");
    EXPECT_FALSE(G->EditorMode());
    G->SetOptions(G->Options() + TGridOptions{goEditing, goRowSelect});
    TypeText(u"a");
    EXPECT_FALSE(G->EditorMode());
    EXPECT_EQ(G->Cells(1, 1), "");
}

TEST(Grids, CellRectAndMouseToCellAgreeWhileScrolled) {
    TGridForm F;
    TStringGrid* G = F.Grid;
    G->SetColCount(20);
    G->SetRowCount(40);
    G->SetColWidths(0, 30);
    G->SetColWidths(2, 100);
    G->SetRowHeights(3, 40);
    EXPECT_EQ(G->CellRect(2, 3), Rect(30 + 1 + 64 + 1, 24 + 1 + 2 * 25, 96 + 100, 75 + 40));
    auto Check = [&] {
        for (Integer R = 0; R < G->RowCount(); ++R)
            for (Integer C = 0; C < G->ColCount(); ++C) {
                TRect Cell = G->CellRect(C, R);
                if (Cell.IsEmpty()) continue;
                Integer MC = -1, MR = -1;
                G->MouseToCell(Cell.Left, Cell.Top, MC, MR);
                EXPECT_EQ(MC, C);
                EXPECT_EQ(MR, R);
                QPoint P = Middle(Cell);
                if (P.x() >= G->ClientWidth() || P.y() >= G->ClientHeight()) continue;   // partly shown
                EXPECT_EQ(G->MouseCoord(P.x(), P.y()), (TGridCoord{C, R}));
            }
    };
    Check();
    G->SetLeftCol(5);
    G->SetTopRow(10);
    EXPECT_EQ(G->LeftCol(), 5);
    EXPECT_EQ(G->TopRow(), 10);
    EXPECT_TRUE(G->CellRect(2, 3).IsEmpty());    // scrolled out
    EXPECT_EQ(G->CellRect(0, 0), Rect(0, 0, 30, 24));   // fixed cells stay
    EXPECT_EQ(G->CellRect(5, 10).Left, 31);
    EXPECT_EQ(G->CellRect(5, 10).Top, 25);
    Check();
    Integer C = 0, R = 0;
    G->MouseToCell(-1, 5, C, R);
    EXPECT_EQ(C, -1);
    // Scrolling stops where the last cells fill the grid.
    G->SetLeftCol(19);
    EXPECT_LT(G->LeftCol(), 19);
    EXPECT_FALSE(G->CellRect(19, 10).IsEmpty());
    EXPECT_LE(G->CellRect(19, 10).Right, G->ClientWidth());
}

TEST(Grids, RenderShowsFixedAndSelectedColours) {
    TGridForm F;
    TStringGrid* G = F.Grid;
    G->SetFixedColor(clYellow);
    G->SetColor(clWhite);
    G->SetSelection(TGridRect{1, 1, 2, 2});
    std::vector<std::tuple<int, int, TGridDrawState>> Drawn;
    G->OnDrawCell = [&](TObject*, Integer C, Integer R, TRect, TGridDrawState S) { Drawn.emplace_back(C, R, S); };
    F.Form->Show();
    Settle();
    QImage I = G->Widget()->grab().toImage();
    EXPECT_EQ(PixelAt(I, Middle(G->CellRect(0, 2))), clYellow);
    EXPECT_EQ(PixelAt(I, Middle(G->CellRect(3, 0))), clYellow);
    EXPECT_EQ(PixelAt(I, Middle(G->CellRect(1, 1))), ColorToRGB(clHighlight));
    EXPECT_EQ(PixelAt(I, Middle(G->CellRect(3, 3))), clWhite);
    bool SawFixed = false, SawSelected = false;
    for (auto& [C, R, S] : Drawn) {
        if (C == 0 && R == 1) SawFixed = S.Contains(gdFixed) && !S.Contains(gdSelected);
        if (C == 2 && R == 2) SawSelected = S.Contains(gdSelected) && !S.Contains(gdFixed);
    }
    EXPECT_TRUE(SawFixed);
    EXPECT_TRUE(SawSelected);
}

TEST(Grids, MovingRowsAndColumnsCarriesTheCells) {
    TStringGrid G(nullptr);
    for (int C = 0; C < 5; ++C) G.SetCells(C, 0, AnsiString(1, char('A' + C)));
    for (int R = 0; R < 5; ++R) G.SetCells(0, R, AnsiString(1, char('0' + R)));
    G.SetColWidths(1, 90);
    std::vector<std::pair<int, int>> Moves;
    G.OnColumnMoved = [&](TObject*, Integer From, Integer To) { Moves.emplace_back(From, To); };
    G.OnRowMoved = [&](TObject*, Integer From, Integer To) { Moves.emplace_back(-From, -To); };
    G.MoveColumn(1, 3);
    EXPECT_EQ(G.Rows(0)->Strings(1) + G.Rows(0)->Strings(2) + G.Rows(0)->Strings(3), "CDB");
    EXPECT_EQ(G.ColWidths(3), 90);
    G.MoveRow(4, 1);
    EXPECT_EQ(G.Cells(0, 1), "4");
    EXPECT_EQ(G.Cells(0, 2), "1");
    ASSERT_EQ(Moves.size(), 2u);
    EXPECT_EQ(Moves[0], std::make_pair(1, 3));
    EXPECT_EQ(Moves[1], std::make_pair(-4, -1));
    G.DeleteRow(1);
    EXPECT_EQ(G.RowCount(), 4);
    EXPECT_EQ(G.Cells(0, 1), "1");
    G.DeleteColumn(3);
    EXPECT_EQ(G.ColCount(), 4);
    EXPECT_EQ(G.Cells(3, 0), "E");
    EXPECT_EQ(Moves.size(), 2u);   // deleting moves nothing
}

TEST(Grids, MouseSelectsSizesAndMovesColumns) {
    TGridForm F;
    TStringGrid* G = F.Grid;
    for (int C = 0; C < 5; ++C) G->SetCells(C, 1, AnsiString(1, char('a' + C)));
    int Clicks = 0;
    G->OnClick = [&](TObject*) { ++Clicks; };
    F.ShowFocused();

    // A press selects; a drag selects a range.
    Drag(G, Middle(G->CellRect(1, 1)), Middle(G->CellRect(3, 2)));
    EXPECT_EQ(G->Selection(), (TGridRect{1, 1, 3, 2}));
    EXPECT_EQ(Clicks, 1);

    // Column sizing from the header line.
    G->SetOptions(G->Options() + TGridOptions{goColSizing, goColMoving});
    const TRect H = G->CellRect(2, 0);
    Drag(G, QPoint(H.Right, 5), QPoint(H.Right + 30, 5));
    EXPECT_EQ(G->ColWidths(2), 94);

    // Dragging a header moves the column with its cells.
    std::pair<int, int> Moved{-1, -1};
    G->OnColumnMoved = [&](TObject*, Integer From, Integer To) { Moved = {From, To}; };
    Drag(G, Middle(G->CellRect(1, 0)), Middle(G->CellRect(3, 0)));
    EXPECT_EQ(Moved, std::make_pair(1, 3));
    EXPECT_EQ(G->Cells(3, 1), "b");
    EXPECT_EQ(G->Cells(1, 1), "c");
    EXPECT_EQ(G->GridState(), gsNormal);
}

TEST(Grids, ClickOnTheCurrentCellOpensTheEditor) {
    TGridForm F;
    TStringGrid* G = F.Grid;
    G->SetOptions(G->Options() + TGridOptions{goEditing});
    G->SetCells(2, 2, "abc");
    F.ShowFocused();
    Click(G, Middle(G->CellRect(2, 2)));
    EXPECT_FALSE(G->EditorMode());
    Click(G, Middle(G->CellRect(2, 2)));
    ASSERT_TRUE(G->EditorMode());
    EXPECT_EQ(G->InplaceEditor()->Text(), "abc");
    EXPECT_EQ(G->InplaceEditor()->BoundsRect(), G->CellRect(2, 2));
}

TEST(Grids, DrawGridAsksTheOwnerForEditTexts) {
    TForm Form(nullptr);
    auto* G = Child<TDrawGrid>(&Form);
    G->SetOptions(G->Options() + TGridOptions{goEditing});
    AnsiString Store = "v";
    G->OnGetEditText = [&](TObject*, Integer, Integer, AnsiString& V) { V = Store; };
    G->OnSetEditText = [&](TObject*, Integer, Integer, const AnsiString& V) { Store = V; };
    Form.Show();
    G->SetFocus();
    G->ShowEditor();
    ASSERT_TRUE(G->EditorMode());
    EXPECT_EQ(G->InplaceEditor()->Text(), "v");
    TypeText(u"w");   // the opened text is selected, so typing replaces it
    G->HideEditor();
    EXPECT_EQ(Store, "w");
}

TEST(Grids, ScrollBarsNarrowTheClientAndTheWheelMovesTheRow) {
    TGridForm F;
    TStringGrid* G = F.Grid;
    G->SetScrollBars(ssBoth);
    EXPECT_EQ(G->ClientWidth(), 400);   // everything fits: no bars
    G->SetRowCount(40);
    EXPECT_LT(G->ClientWidth(), 400);
    EXPECT_EQ(G->ClientHeight(), 200);
    int Scrolled = 0;
    G->OnTopLeftChanged = [&](TObject*) { ++Scrolled; };
    F.ShowFocused();
    for (int I = 0; I < 10; ++I) TurnWheel(G->Widget(), true);
    EXPECT_EQ(G->Row(), 11);
    EXPECT_GT(G->TopRow(), 1);
    EXPECT_GT(Scrolled, 0);
    EXPECT_FALSE(G->CellRect(G->Col(), G->Row()).IsEmpty());
}

TEST(Grids, CellsPastTheClientEdgeHaveNoRectangle) {
    TGridForm F;
    TStringGrid* G = F.Grid;
    G->SetRowCount(100000);
    G->SetColCount(200);
    // 200 high: the fixed row 0..24, then rows of 25 pixels; row 8 starts at 200.
    ASSERT_EQ(G->ClientHeight(), 200);
    EXPECT_EQ(G->CellRect(1, 7).Top, 175);
    EXPECT_TRUE(G->CellRect(1, 8).IsEmpty());
    EXPECT_TRUE(G->CellRect(1, 99999).IsEmpty());
    EXPECT_TRUE(G->CellRect(199, 1).IsEmpty());
    EXPECT_TRUE(G->CellRect(1, 100000).IsEmpty());
    G->SetTopRow(99990);
    EXPECT_EQ(G->CellRect(1, G->TopRow()).Top, 25);
    EXPECT_TRUE(G->CellRect(1, 1).IsEmpty());
}

TEST(GridsStore, RowsWrittenLateFollowColumnChanges) {
    TStringGrid G(nullptr);
    G.SetColCount(4);
    G.SetRowCount(4);
    G.SetCells(3, 1, "d1");
    G.MoveColumn(3, 0);   // row 2 holds nothing yet
    G.SetCells(3, 2, "late");
    EXPECT_EQ(G.Cells(0, 1), "d1");
    EXPECT_EQ(G.Cells(3, 2), "late");
    G.DeleteColumn(0);
    EXPECT_EQ(G.Cells(2, 2), "late");
    EXPECT_EQ(G.Cells(0, 1), "");
    G.SetColCount(2);   // the cut column's text does not come back
    G.SetColCount(4);
    EXPECT_EQ(G.Cells(2, 2), "");
    TObject Tag;
    G.SetObjects(3, 3, &Tag);
    EXPECT_EQ(G.Objects(3, 3), &Tag);
    EXPECT_EQ(G.Cells(3, 3), "");
    EXPECT_THROW(G.SetCells(4, 3, ""), EInvalidGridOperation);
    EXPECT_THROW(G.SetObjects(0, 4, nullptr), EInvalidGridOperation);
}

TEST(GridsStore, CellsRefIsTheStoredTextItselfAndEmptyOutsideIt) {
    TStringGrid G(nullptr);
    G.SetColCount(3);
    G.SetRowCount(3);
    G.SetCells(1, 1, "Kayıt numarası uzun bir metin");
    const AnsiString& Ref = G.CellsRef(1, 1);
    EXPECT_EQ(Ref, "Kayıt numarası uzun bir metin");
    G.SetCells(1, 1, "yeni");
    EXPECT_EQ(Ref, "yeni");   // the stored text, not a copy
    struct Case { Integer C, R; };
    for (const Case& K : {Case{0, 1}, Case{2, 1}, Case{1, 2}, Case{3, 1}, Case{-1, 1}, Case{1, -1}, Case{1, 3}})
        EXPECT_EQ(G.CellsRef(K.C, K.R), "") << K.C << "," << K.R;
}

TEST(GridsStore, GrowingRowByRowKeepsEveryRow) {
    TStringGrid G(nullptr);
    G.SetColCount(3);
    for (Integer R = 1; R < 2000; ++R) {
        G.SetRowCount(R + 2);
        G.SetCells(2, R, IntToStr(R));
    }
    EXPECT_EQ(G.RowCount(), 2001);
    EXPECT_EQ(G.Cells(2, 1), "1");
    EXPECT_EQ(G.Cells(2, 1999), "1999");
    EXPECT_EQ(G.Cells(2, 2000), "");
}

TEST(Grids, ACellScrolledIntoViewShowsWholeWithTheLeastMove) {
    TGridForm F;
    TStringGrid* G = F.Grid;
    G->SetRowCount(100000);
    G->SetColCount(200);
    G->SetRow(99999);   // the fixed row and 7 rows of 25 fill the 200 pixels
    EXPECT_EQ(G->TopRow(), 99993);
    EXPECT_LE(G->CellRect(1, 99999).Bottom, G->ClientHeight());
    G->SetRow(99990);
    EXPECT_EQ(G->TopRow(), 99990);
    G->SetRow(99992);   // already shown: no move
    EXPECT_EQ(G->TopRow(), 99990);
    G->SetRowHeights(50, 400);   // taller than the grid: it starts the view
    G->SetRow(50);
    EXPECT_EQ(G->TopRow(), 50);
    G->SetCol(199);
    EXPECT_LE(G->CellRect(199, 50).Right, G->ClientWidth());
    EXPECT_GT(G->CellRect(G->LeftCol(), 50).Left, 0);
    EXPECT_TRUE(G->CellRect(G->LeftCol() - 1, 50).IsEmpty());
    EXPECT_EQ(G->LeftCol(), 195);   // 64 + 1 wide columns after a 65 fixed one in 400
}

namespace {

// Records the thumb-tracking notices of its scroll bars.
class TNoticeGrid : public TStringGrid {
public:
    using TStringGrid::TStringGrid;
    struct TNotice { bool Vertical; Integer Code; Integer Pos; TPoint Mouse; };
    std::vector<TNotice> Notices;

protected:
    void ScrollBarNotice(bool Vertical, Integer Code, Integer Pos, TPoint Mouse) override {
        Notices.push_back(TNotice{Vertical, Code, Pos, Mouse});
    }
};

}  // namespace

TEST(Grids, ADraggedThumbReportsWhereItPointsAndWhereTheMouseIsUntilLetGo) {
    TGridOnForm<TNoticeGrid> F(40, 300, 400, 200, 500, 300);
    F.Form->Show();
    Settle();
    TNoticeGrid* G = F.Grid;
    QScrollBar* V = GridBar(G, Qt::Vertical);
    ASSERT_NE(nullptr, V);
    const QPoint At = DragThumb(V, false, 50);
    ASSERT_GE(G->Notices.size(), 2u);
    EXPECT_EQ(SB_THUMBTRACK, G->Notices.front().Code);   // taken: where it was
    EXPECT_EQ(1, G->Notices.front().Pos);
    const auto Moved = G->Notices.back();
    EXPECT_TRUE(Moved.Vertical);
    EXPECT_EQ(SB_THUMBTRACK, Moved.Code);
    EXPECT_EQ(V->sliderPosition(), Moved.Pos);
    EXPECT_GT(Moved.Pos, 1);
    const QPoint InClient = V->mapTo(G->Widget(), At);
    EXPECT_EQ(Point(InClient.x(), InClient.y()), Moved.Mouse);
    EXPECT_EQ(1, G->TopRow());   // without goThumbTracking the view waits
    ScrollBarMouse(V, QEvent::MouseButtonRelease, At);
    EXPECT_EQ(SB_ENDSCROLL, G->Notices.back().Code);
    EXPECT_EQ(Moved.Pos, G->TopRow());
    // A press on the arrow or the track is no thumb drag.
    G->Notices.clear();
    ScrollBarMouse(V, QEvent::MouseButtonPress, QPoint(V->width() / 2, V->height() - 2));
    ScrollBarMouse(V, QEvent::MouseButtonRelease, QPoint(V->width() / 2, V->height() - 2));
    EXPECT_TRUE(G->Notices.empty());
    EXPECT_GT(G->TopRow(), Moved.Pos);
}
