#include "grid/ExtGrid.h"

#include "grid/ExtGridHint.h"
#include "grid/ExtObj.h"
#include "grid/ExtUtil.h"
#include "platform/rtl/CodePage.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/ShellAPI.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UiTestKit.h"

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QHelpEvent>

#include <memory>
#include <vector>

using namespace uitest;

namespace {

struct TMouseForm : TGridOnForm<TExtStringGrid> {
    TMouseForm() : TGridOnForm(5, 6, 520, 300) {
        Grid->SetScrollBars(ssNone);
        Grid->SetDefaultColWidth(90);
        ShowFocused();
    }
    // The grid's client area in the form: inside the grid's frame.
    TPoint Origin() const { return Form->ScreenToClient(Grid->ClientToScreen(Point(0, 0))); }
    QPoint In(Integer ACol, Integer ARow, Integer Dx = 10, Integer Dy = -1) const {
        const TRect R = Grid->CellRect(ACol, ARow);
        return QPoint(R.Left + Dx, Dy < 0 ? (R.Top + R.Bottom) / 2 : R.Top + Dy);
    }
    void Send(QEvent::Type T, QPoint P, Qt::MouseButton B, Qt::MouseButtons Held,
              Qt::KeyboardModifiers M = Qt::NoModifier) {
        Mouse(T, P, B, Held, M);
    }
    void LeftClick(QPoint P) {
        Send(QEvent::MouseButtonPress, P, Qt::LeftButton, Qt::LeftButton);
        Send(QEvent::MouseButtonRelease, P, Qt::LeftButton, Qt::NoButton);
    }
    void RightClick(QPoint P) {
        Send(QEvent::MouseButtonPress, P, Qt::RightButton, Qt::RightButton);
        Send(QEvent::MouseButtonRelease, P, Qt::RightButton, Qt::NoButton);
    }
    void DoubleClick(QPoint P) {
        LeftClick(P);
        Send(QEvent::MouseButtonDblClick, P, Qt::LeftButton, Qt::LeftButton);
        Send(QEvent::MouseButtonRelease, P, Qt::LeftButton, Qt::NoButton);
    }
    void Drag(QPoint From, QPoint To) {
        Send(QEvent::MouseButtonPress, From, Qt::LeftButton, Qt::LeftButton);
        Send(QEvent::MouseMove, QPoint((From.x() + To.x()) / 2, (From.y() + To.y()) / 2), Qt::NoButton, Qt::LeftButton);
        Send(QEvent::MouseMove, To, Qt::NoButton, Qt::LeftButton);
        Send(QEvent::MouseButtonRelease, To, Qt::LeftButton, Qt::NoButton);
    }
};

// The grid font's measure of a text (width, height).
TSize TextSizeIn(TExtStringGrid* G, const AnsiString& Text) {
    TBitmap B;
    B.SetSize(1, 1);
    B.Canvas()->Font()->Assign(G->Font());
    return B.Canvas()->TextExtent(Text);
}

struct TOpenerScope {
    TRecordingOpener Opener;
    TShellOpener* Old = SetShellOpener(&Opener);
    ~TOpenerScope() { SetShellOpener(Old); }
};

}  // namespace

using ExtGridMouse = uitest::TGridFormTest<TMouseForm>;

TEST_F(ExtGridMouse, ARefusedPressNeitherSelectsNorEdits) {
    F.Options({goEditing});
    Integer Clicks = 0;
    F.Grid->OnCanClickCell = [](TObject*, Integer, Integer, bool& Allow) { Allow = false; };
    F.Grid->OnClickCell = [&](TObject*, Integer, Integer) { ++Clicks; };
    F.LeftClick(F.In(3, 4));
    F.LeftClick(F.In(3, 4));
    EXPECT_EQ(1, F.Grid->Col());
    EXPECT_EQ(1, F.Grid->Row());
    EXPECT_FALSE(F.Grid->EditorMode());
    EXPECT_EQ(0, Clicks);
}

TEST_F(ExtGridMouse, ClickCellReportsRowThenColumnForDataAndFixedCellsButNotTheFooterRow) {
    std::vector<std::pair<Integer, Integer>> Seen;
    F.Grid->OnClickCell = [&](TObject*, Integer ARow, Integer ACol) { Seen.emplace_back(ARow, ACol); };
    F.LeftClick(F.In(3, 2));
    F.LeftClick(F.In(2, 0));
    F.Grid->FloatingFooter()->SetVisible(true);
    F.LeftClick(F.In(2, 5));
    ASSERT_EQ(2u, Seen.size());
    EXPECT_EQ(std::make_pair(2, 3), Seen[0]);
    EXPECT_EQ(std::make_pair(0, 2), Seen[1]);
    EXPECT_EQ(3, F.Grid->Col());
    EXPECT_EQ(2, F.Grid->Row());
}

TEST_F(ExtGridMouse, CheckBoxClicksToggleOnlyEditableCells) {
    TCellGraphic* Gr = F.Grid->CreateCellGraphic(2, 3);
    Gr->SetCellType(ctCheckBox);
    std::vector<bool> States;
    F.Grid->OnCheckBoxClick = [&](TObject*, Integer ACol, Integer ARow, bool State) {
        EXPECT_EQ(2, ACol);
        EXPECT_EQ(3, ARow);
        States.push_back(State);
    };
    F.LeftClick(F.In(2, 3));
    EXPECT_FALSE(Gr->CellBoolean());   // no editing: the box stays
    F.Options({goEditing});
    F.LeftClick(F.In(2, 3));
    EXPECT_TRUE(Gr->CellBoolean());
    F.Grid->OnCanEditCell = [](TObject*, Integer, Integer, bool& Can) { Can = false; };
    F.LeftClick(F.In(2, 3));
    EXPECT_TRUE(Gr->CellBoolean());
    F.Grid->ControlLook()->SetCheckAlwaysActive(true);
    F.LeftClick(F.In(2, 3));
    EXPECT_FALSE(Gr->CellBoolean());
    EXPECT_EQ((std::vector<bool>{true, false}), States);
    EXPECT_FALSE(F.Grid->EditorMode());
}

TEST_F(ExtGridMouse, PreciseCheckBoxCheckCountsOnlyTheBox) {
    F.Options({goEditing});
    F.Grid->MouseActions()->SetPreciseCheckBoxCheck(true);
    TCellGraphic* Gr = F.Grid->CreateCellGraphic(2, 3);
    Gr->SetCellType(ctCheckBox);
    Gr->SetCellVAlign(vaTop);
    F.LeftClick(F.In(2, 3, 70, 10));
    EXPECT_FALSE(Gr->CellBoolean());
    F.LeftClick(F.In(2, 3, 6, 6));
    EXPECT_TRUE(Gr->CellBoolean());
}

TEST_F(ExtGridMouse, CheckAllCheckOnTheHeaderSetsTheWholeColumn) {
    F.Options({goEditing});
    F.Grid->MouseActions()->SetCheckAllCheck(true);
    for (Integer R = 0; R < F.Grid->RowCount(); ++R) F.Grid->CreateCellGraphic(1, R)->SetCellType(ctCheckBox);
    F.LeftClick(F.In(1, 0));
    for (Integer R = 1; R < F.Grid->RowCount(); ++R) {
        bool State = false;
        ASSERT_TRUE(F.Grid->GetCheckBoxState(1, R, State));
        EXPECT_TRUE(State) << R;
    }
}

TEST_F(ExtGridMouse, RightClickSelectsOnlyWhenAskedAndAlwaysReports) {
    Integer Reported = 0;
    F.Grid->OnRightClickCell = [&](TObject*, Integer ARow, Integer ACol) {
        EXPECT_EQ(4, ARow);
        EXPECT_EQ(3, ACol);
        ++Reported;
    };
    F.RightClick(F.In(3, 4));
    EXPECT_EQ(1, F.Grid->Row());
    F.Grid->MouseActions()->SetSelectOnRightClick(true);
    F.RightClick(F.In(3, 4));
    EXPECT_EQ(4, F.Grid->Row());
    EXPECT_EQ(3, F.Grid->Col());
    EXPECT_EQ(2, Reported);
}

TEST_F(ExtGridMouse, DoubleClickOnAHeaderBorderSizesTheColumnToItsText) {
    F.Options({goColSizing});
    F.Grid->SetCells(1, 2, "a rather long text in this column");
    Integer Ended = -1;
    F.Grid->OnEndColumnSize = [&](TObject*, Integer ACol) { Ended = ACol; };
    const TRect H = F.Grid->CellRect(1, 0);
    F.DoubleClick(QPoint(H.Right - 1, (H.Top + H.Bottom) / 2));
    EXPECT_EQ(1, Ended);
    EXPECT_GE(F.Grid->ColWidths(1), TextSizeIn(F.Grid, "a rather long text in this column").cx);
    // A refusal keeps the width.
    F.Grid->SetColWidths(2, 40);
    F.Grid->SetCells(2, 1, "another long long text");
    F.Grid->OnColumnSize = [](TObject*, Integer, bool& Allow) { Allow = false; };
    const TRect H2 = F.Grid->CellRect(2, 0);
    F.DoubleClick(QPoint(H2.Right - 1, (H2.Top + H2.Bottom) / 2));
    EXPECT_EQ(40, F.Grid->ColWidths(2));
}

// Right of the last column in the header row counts as on the last column of row 0.
TEST_F(ExtGridMouse, DoubleClickRightOfTheLastHeaderIsOnTheLastColumn) {
    TGridCoord Cell{-1, -1};
    F.Grid->OnDblClickCell = [&](TObject*, Integer ARow, Integer ACol) { Cell = TGridCoord{ACol, ARow}; };
    const TRect Last = F.Grid->CellRect(4, 0);
    const QPoint Beyond(Last.Right + 20, (Last.Top + Last.Bottom) / 2);   // inside the client area
    F.DoubleClick(Beyond);
    EXPECT_EQ((TGridCoord{4, 0}), Cell);
    F.Options({goColSizing});
    F.Grid->SetCells(4, 1, "a rather long text in the last column");
    Cell = TGridCoord{-1, -1};
    F.DoubleClick(Beyond);
    EXPECT_EQ((TGridCoord{4, 0}), Cell);
    F.DoubleClick(QPoint(Last.Right + 2, Beyond.y()));
    EXPECT_GE(F.Grid->ColWidths(4), TextSizeIn(F.Grid, "a rather long text in the last column").cx);
}

TEST_F(ExtGridMouse, DoubleClickInADataCellReportsTheCell) {
    Integer Row = -1, Col = -1, Plain = 0;
    F.Grid->OnDblClickCell = [&](TObject*, Integer ARow, Integer ACol) { Row = ARow; Col = ACol; };
    F.Grid->OnDblClick = [&](TObject*) { ++Plain; };
    F.DoubleClick(F.In(2, 3));
    EXPECT_EQ(3, Row);
    EXPECT_EQ(2, Col);
    EXPECT_EQ(1, Plain);
}

TEST_F(ExtGridMouse, CellAnchorsMoveToTheCellAndOtherAnchorsOpen) {
    TOpenerScope Scope;
    F.Grid->SetCells(1, 1, "<A href=\"CELL://R4C3\">go</A>");
    F.Grid->SetCells(1, 2, "<A href=\"http://example.org\">site</A>");
    F.Grid->SetCells(1, 3, "<A href=\"http://example.org/x\">kept</A>");
    AnsiString Clicked;
    F.Grid->OnAnchorClick = [&](TObject*, Integer ARow, Integer, const AnsiString& Anchor, bool& Auto) {
        Clicked = Anchor;
        if (ARow == 3) Auto = false;
    };
    F.LeftClick(F.In(1, 1, 6));
    EXPECT_EQ("CELL://R4C3", Clicked);
    EXPECT_EQ(3, F.Grid->Col());
    EXPECT_EQ(4, F.Grid->Row());
    EXPECT_TRUE(Scope.Opener.Targets.empty());
    F.LeftClick(F.In(1, 2, 6));
    ASSERT_EQ(1u, Scope.Opener.Targets.size());
    EXPECT_EQ("HTTP://EXAMPLE.ORG", Scope.Opener.Targets[0]);   // the renderer gives anchors in capitals
    F.LeftClick(F.In(1, 3, 6));
    EXPECT_EQ(1u, Scope.Opener.Targets.size());
    EXPECT_EQ("HTTP://EXAMPLE.ORG/X", Clicked);
    // Beside the anchor the press selects the cell as usual.
    F.LeftClick(F.In(1, 1, 80));
    EXPECT_EQ(1, F.Grid->Col());
    EXPECT_EQ(1, F.Grid->Row());
}

TEST_F(ExtGridMouse, ButtonCellsClickOnReleaseInsideTheButton) {
    TCellGraphic* Gr = F.Grid->CreateCellGraphic(2, 2);
    Gr->SetCellType(ctButton);
    Gr->SetCellIndex(40 | (16 << 16));
    Gr->SetCellText("Go");
    Settle();
    F.Grid->Widget()->repaint();   // the painter places the button
    Integer Clicked = 0;
    F.Grid->OnButtonClick = [&](TObject*, Integer ACol, Integer ARow) {
        EXPECT_EQ(2, ACol);
        EXPECT_EQ(2, ARow);
        ++Clicked;
    };
    TRect B;
    F.Grid->GetCellGraphicRect(2, 2, B);
    F.LeftClick(QPoint(B.Left + 5, B.Top + 5));
    EXPECT_EQ(1, Clicked);
    // Pressed on the button, released beside it: no click.
    F.Send(QEvent::MouseButtonPress, QPoint(B.Left + 5, B.Top + 5), Qt::LeftButton, Qt::LeftButton);
    F.Send(QEvent::MouseButtonRelease, QPoint(B.Right + 20, B.Top + 5), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(1, Clicked);
    EXPECT_FALSE(Gr->CellBoolean());
}

TEST_F(ExtGridMouse, RadioClickPicksTheItemUnderThePress) {
    F.Options({goEditing});
    F.Grid->SetRowHeights(2, 60);
    TCellGraphic* Gr = F.Grid->CreateCellGraphic(2, 2);
    Gr->SetCellType(ctRadio);
    Gr->SetCellBoolean(true);   // one item under the other
    auto* Values = new TStringList();
    Values->Add("A");
    Values->Add("B");
    Values->Add("C");
    Gr->SetGraphic(Values, true);
    Gr->SetCellIndex(0);
    Integer Picked = -1;
    F.Grid->OnRadioClick = [&](TObject*, Integer, Integer, Integer AIdx) { Picked = AIdx; };
    const TRect R = F.Grid->CellRect(2, 2);
    F.LeftClick(QPoint(R.Left + 10, R.Top + 2));
    EXPECT_EQ(0, Picked);
    // The third line of text.
    const Integer LineH = TextSizeIn(F.Grid, "gh").cy;
    F.LeftClick(QPoint(R.Left + 10, R.Top + 2 * LineH + 3));
    EXPECT_EQ(2, Picked);
    EXPECT_EQ(2, Gr->CellIndex());
}

TEST_F(ExtGridMouse, AColumnMoveRefusedByTheHandlerLeavesTheColumns) {
    F.Options({goColMoving});
    F.Grid->SetCells(1, 1, "one");
    F.Grid->SetCells(3, 1, "three");
    Integer Asked = -1;
    F.Grid->OnColumnMove = [&](TObject*, Integer ACol, bool& Allow) {
        Asked = ACol;
        Allow = false;
    };
    F.Drag(F.In(1, 0, 40), F.In(3, 0, 40));
    EXPECT_EQ(1, Asked);
    EXPECT_EQ("one", F.Grid->Cells(1, 1));
    F.Grid->OnColumnMove = nullptr;
    F.Grid->SortSettings()->SetColumn(1);
    F.Drag(F.In(1, 0, 40), F.In(3, 0, 40));
    EXPECT_EQ("one", F.Grid->Cells(3, 1));
    EXPECT_EQ(3, F.Grid->SortSettings()->Column());   // the sort column follows its column
    // OnColumnMoved sees the columns moved, and may change them itself.
    F.Grid->SetCol(3), F.Grid->SetRow(1);
    F.Grid->OnColumnMoved = [&](TObject*, Integer, Integer) {
        EXPECT_EQ("one", F.Grid->Cells(F.Grid->Col(), F.Grid->Row()));
        EXPECT_EQ(1, F.Grid->SortSettings()->Column());
        F.Grid->SetColCount(2);
    };
    F.Drag(F.In(3, 0, 40), F.In(1, 0, 40));
    EXPECT_EQ(2, F.Grid->ColCount());
}

TEST_F(ExtGridMouse, NodeGlyphClicksContractAndExpandWithTheirEvents) {
    F.Grid->AddNode(1, 3);
    std::vector<AnsiString> Log;
    F.Grid->OnContractNode = [&](TObject*, Integer ARow, Integer ARowReal) {
        Log.push_back("contract " + IntToStr(ARow) + " " + IntToStr(ARowReal));
    };
    F.Grid->OnBeforeExpandNode = [&](TObject*, Integer, Integer, bool& Allow) {
        Log.push_back("ask");
        Allow = Log.size() > 2;
    };
    F.Grid->OnExpandNode = [&](TObject*, Integer, Integer) { Log.push_back("expand"); };
    const QPoint Glyph = F.In(0, 1, 6);
    F.LeftClick(Glyph);
    EXPECT_EQ(4, F.Grid->RowCount());
    F.LeftClick(Glyph);   // refused
    EXPECT_EQ(4, F.Grid->RowCount());
    F.LeftClick(Glyph);
    EXPECT_EQ(6, F.Grid->RowCount());
    EXPECT_EQ((std::vector<AnsiString>{"contract 1 1", "ask", "ask", "expand"}), Log);
    F.Grid->CellNode()->SetExpandOne(true);   // a nested node opens by its glyph, its parent stays open
    F.Grid->AddNode(2, 2);
    F.Grid->ContractNode(2);
    F.LeftClick(F.In(0, 2, F.Grid->CellNode()->NodeIndent() * 3 / 2));
    EXPECT_TRUE(F.Grid->RowCount() == 6 && !F.Grid->GetNodeState(1) && !F.Grid->GetNodeState(2));
    F.Grid->AddNode(4, 2);   // opening it closes r1's node above it: it is told and focused where it is now
    F.Grid->ContractNode(4);
    F.Grid->MouseActions()->SetMoveRowOnNodeClick(true);
    F.Grid->OnExpandNode = [&](TObject*, Integer ARow, Integer) { Log.push_back("expand " + IntToStr(ARow)); };
    F.LeftClick(F.In(0, 4, 6));
    EXPECT_TRUE(F.Grid->Row() == 2 && Log.back() == "expand 2" && F.Grid->Cells(1, 2) == F.Grid->AllCells(1, 4));
}

TEST(ExtGridMouseNodes, ARowTheFilterHidesStaysHiddenWhateverTheNodesDo) {   // x3 in r2's node, x5 after r4's one-row node
    for (Integer Road = 0; Road < 3; ++Road) {
        TMouseForm F;
        TExtStringGrid* G = F.Grid;
        for (Integer R = 1; R <= 5; ++R) G->SetCells(1, R, (R == 3 || R == 5 ? "x" : "r") + IntToStr(R));
        G->AddNode(2, 2), G->AddNode(4, 1), G->ContractNode(4), G->SortSettings()->SetColumn(1);
        G->Filter()->Add()->SetColumn(1), G->Filter()->Items(0)->SetCondition("!x*"), G->SetFilterActive(true);
        const std::function<void()> Roads[] = {[&] { F.LeftClick(F.In(0, 2, 6)), F.LeftClick(F.In(0, 2, 6)); },   // closed, opened
                                               [&] { G->ContractAll(), G->ExpandAll(); }, [&] { G->SortByColumn(); }};
        Roads[Road]();
        EXPECT_TRUE(G->RowCount() == 4 && (G->Cells(1, 1) + G->Cells(1, 2) + G->Cells(1, 3)).find('x') == AnsiString::npos) << Road;
    }
}

TEST_F(ExtGridMouse, HeaderRowSelectionPicksWholeColumnsAndRows) {
    F.Options({goRangeSelect});
    F.Grid->MouseActions()->SetColSelect(true);
    F.Grid->MouseActions()->SetRowSelect(true);
    F.LeftClick(F.In(2, 0, 40));
    TGridRect S = F.Grid->Selection();
    EXPECT_EQ(2, S.Left);
    EXPECT_EQ(2, S.Right);
    EXPECT_EQ(1, S.Top);
    EXPECT_EQ(5, S.Bottom);
    F.Drag(F.In(0, 2, 20), F.In(0, 4, 20));
    S = F.Grid->Selection();
    EXPECT_EQ(1, S.Left);
    EXPECT_EQ(4, S.Right);
    EXPECT_EQ(2, S.Top);
    EXPECT_EQ(4, S.Bottom);
}

TEST_F(ExtGridMouse, DisjunctRowMarksFollowCtrlClicks) {
    F.Grid->MouseActions()->SetDisjunctRowSelect(true);
    F.LeftClick(F.In(2, 2));
    F.Send(QEvent::MouseButtonPress, F.In(2, 4), Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier);
    F.Send(QEvent::MouseButtonRelease, F.In(2, 4), Qt::LeftButton, Qt::NoButton, Qt::ControlModifier);
    EXPECT_TRUE(F.Grid->RowSelected(2));
    EXPECT_TRUE(F.Grid->RowSelected(4));
    EXPECT_EQ(2, F.Grid->RowSelectCount());
    F.LeftClick(F.In(2, 3));
    EXPECT_EQ(1, F.Grid->RowSelectCount());
    EXPECT_TRUE(F.Grid->RowSelected(3));
}

TEST_F(ExtGridMouse, ARowCannotBeMovedOntoTheShownFooterRow) {
    F.Options({goRowMoving});
    F.Grid->FloatingFooter()->SetVisible(true);
    F.Grid->SetCells(1, 2, "moved");
    F.Grid->SetCells(1, 5, "total");
    F.Drag(F.In(0, 2, 20), F.In(0, 5, 20));
    EXPECT_EQ("moved", F.Grid->Cells(1, 2));
    EXPECT_EQ("total", F.Grid->Cells(1, 5));
}

using ExtGridLookup = uitest::TGridFormTest<TMouseForm>;

TEST_F(ExtGridLookup, TypingGoesToTheFirstRowOfTheSortedColumnThatBeginsWithIt) {
    const char* Cities[] = {"Adana", "Ankara", "Antalya", "Bursa", "İzmir", "Çorum", "Şırnak"};
    F.Grid->SetRowCount(8);
    for (Integer R = 1; R <= 7; ++R) F.Grid->SetCells(2, R, Cities[R - 1]);
    F.Grid->SortSettings()->SetShow(true);
    F.Grid->SortSettings()->SetColumn(2);
    F.Grid->Navigation()->SetAutoGotoWhenSorted(true);
    TypeText(u"b");
    EXPECT_EQ(4, F.Grid->Row());
    TypeText(u"a");   // one character at a time without AutoGotoIncremental
    EXPECT_EQ(1, F.Grid->Row());
    F.Grid->Navigation()->SetAutoGotoIncremental(true);
    TypeText(u"\bant");   // Backspace takes back the "a" still remembered
    EXPECT_EQ(3, F.Grid->Row());
    TypeText(u"q");   // no such row: the row stays and the typed text is forgotten
    EXPECT_EQ(3, F.Grid->Row());
    TypeText(u"i");   // letters compare by their Turkish case
    EXPECT_EQ(5, F.Grid->Row());
    TypeText(u"\b\u015F");
    EXPECT_EQ(7, F.Grid->Row());
}

TEST_F(ExtGridMouse, DraggingTheSelectionHandleReportsBothSelections) {
    F.Options({goRangeSelect});
    F.Grid->SetSelectionRectangle(true);
    F.Grid->SetSelectionResizer(true);
    F.Grid->Navigation()->SetAllowSmartClipboard(true);   // one pasted value fills the selection
    F.Grid->SetCells(1, 1, "7");
    TGridRect Orig, New;
    Integer Calls = 0;
    F.Grid->OnSelectionResize = [&](TObject*, TGridRect O, TGridRect N) {
        Orig = O;
        New = N;
        ++Calls;
    };
    F.Grid->OnSelectionResized = [&](TObject*, TGridRect, TGridRect) { ++Calls; };
    const TRect R = F.Grid->CellRect(1, 1);
    F.Drag(QPoint(R.Right - 2, R.Bottom - 2), F.In(1, 3));
    EXPECT_EQ(2, Calls);
    EXPECT_EQ(1, Orig.Bottom);
    EXPECT_EQ(3, New.Bottom);
    EXPECT_EQ(1, New.Top);
    EXPECT_FALSE(F.Grid->Options().Contains(goEditing));   // editing was allowed for the paste only
    EXPECT_EQ("7", F.Grid->Cells(1, 3));   // the copied cell pasted over the new selection
}

TEST_F(ExtGridMouse, FixedColumnAndRowEdgesSizeByMouseOnlyWhenAllowed) {
    const Integer W0 = F.Grid->ColWidths(0);
    const Integer Y = F.In(1, 3).y();
    F.Drag(QPoint(W0, Y), QPoint(W0 + 40, Y));   // off: a press on a data row's edge sizes nothing
    EXPECT_EQ(W0, F.Grid->ColWidths(0));

    F.Grid->MouseActions()->SetSizeFixedCol(true);
    F.Send(QEvent::MouseMove, QPoint(W0 + 2, Y), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(crHSplit, F.Grid->Cursor());
    Integer Ended = -1;
    F.Grid->OnEndColumnSize = [&](TObject*, Integer ACol) { Ended = ACol; };
    F.Drag(QPoint(W0 + 2, Y), QPoint(W0 + 50, Y));
    EXPECT_EQ(0, Ended);
    EXPECT_EQ(W0 + 50, F.Grid->ColWidths(0));
    EXPECT_EQ(1, F.Grid->Col());   // the press selected nothing
    F.Grid->OnUpdateColumnSize = [](TObject*, Integer, Integer& AWidth) { AWidth = 30; };
    F.Drag(QPoint(W0 + 50, Y), QPoint(W0 + 10, Y));
    EXPECT_EQ(30, F.Grid->ColWidths(0));

    F.Grid->MouseActions()->SetSizeFixedRow(true);
    const Integer H0 = F.Grid->RowHeights(0);
    Integer RowEnded = -1;
    F.Grid->OnEndRowSize = [&](TObject*, Integer ARow) { RowEnded = ARow; };
    const Integer X = F.In(3, 0).x();
    F.Drag(QPoint(X, H0 + 1), QPoint(X, H0 + 21));
    EXPECT_EQ(0, RowEnded);
    EXPECT_EQ(H0 + 21, F.Grid->RowHeights(0));   // the edge follows the mouse
    Ended = RowEnded = -1;   // let go past the grid's edge: the size from the press, nobody told
    F.Drag(QPoint(32, Y), QPoint(F.Grid->ClientWidth() + 40, Y));
    F.Drag(QPoint(X, H0 + 22), QPoint(X, F.Grid->ClientHeight() + 30));
    EXPECT_EQ((std::vector<Integer>{30, H0 + 21, -1, -1}),
              (std::vector<Integer>{F.Grid->ColWidths(0), F.Grid->RowHeights(0), Ended, RowEnded}));
}

// The edge of a scrollable column, in the header row.
QPoint ColumnEdge(TExtStringGrid* G, Integer ACol) {
    const TRect H = G->CellRect(ACol, 0);
    return QPoint(H.Right, (H.Top + H.Bottom) / 2);
}

TEST_F(ExtGridMouse, DraggingAColumnEdgeEndsOnceWithTheSizingEvents) {
    F.Options({goColSizing});
    std::vector<Integer> Ended, Asked;
    F.Grid->OnEndColumnSize = [&](TObject*, Integer ACol) { Ended.push_back(ACol); };
    F.Grid->OnUpdateColumnSize = [&](TObject*, Integer ACol, Integer& AWidth) {
        Asked.push_back(AWidth);
        if (ACol == 2) AWidth = 77;
    };
    const QPoint E = ColumnEdge(F.Grid, 2);
    F.Drag(E, E + QPoint(30, 0));
    EXPECT_EQ(std::vector<Integer>{2}, Ended);
    EXPECT_EQ(std::vector<Integer>{120}, Asked);   // the width the mouse left it at
    EXPECT_EQ(77, F.Grid->ColWidths(2));           // the handler's answer is applied
    EXPECT_EQ(90, F.Grid->ColWidths(3));           // the others keep theirs
    // A plain click on a data cell afterwards sizes nothing and reports nothing.
    F.LeftClick(F.In(3, 3));
    EXPECT_EQ(1u, Ended.size());
}

TEST_F(ExtGridMouse, AllColumnSizeScalesTheOtherScrollableColumns) {
    F.Options({goColSizing});
    F.Grid->MouseActions()->SetAllColumnSize(true);
    F.Grid->SetColWidths(4, 41);
    const QPoint E = ColumnEdge(F.Grid, 2);
    F.Drag(E, E + QPoint(45, 0));   // 90 to 135: one and a half
    EXPECT_EQ(135, F.Grid->ColWidths(2));
    EXPECT_EQ(135, F.Grid->ColWidths(1));
    EXPECT_EQ(135, F.Grid->ColWidths(3));
    EXPECT_EQ(62, F.Grid->ColWidths(4));   // 61.5 rounded
    EXPECT_EQ(90, F.Grid->ColWidths(0));   // the fixed column is left alone
}

TEST_F(ExtGridMouse, DraggingARowEdgeEndsWithOnEndRowSizeAndAllRowSizeScales) {
    F.Options({goRowSizing});
    const Integer H = F.Grid->RowHeights(2);
    std::vector<Integer> Ended;
    F.Grid->OnEndRowSize = [&](TObject*, Integer ARow) { Ended.push_back(ARow); };
    const Integer X = F.In(0, 2).x();
    const Integer Edge = F.Grid->CellRect(0, 2).Bottom;
    F.Drag(QPoint(X, Edge), QPoint(X, Edge + 10));
    EXPECT_EQ(std::vector<Integer>{2}, Ended);
    EXPECT_EQ(H + 10, F.Grid->RowHeights(2));
    EXPECT_EQ(H, F.Grid->RowHeights(3));   // without AllRowSize only the one row

    F.Grid->MouseActions()->SetAllRowSize(true);
    const Integer Edge3 = F.Grid->CellRect(0, 3).Bottom;
    F.Drag(QPoint(X, Edge3), QPoint(X, Edge3 + H));   // row 3 doubles
    EXPECT_EQ(2 * H, F.Grid->RowHeights(3));
    EXPECT_EQ(2 * (H + 10), F.Grid->RowHeights(2));
    EXPECT_EQ(2 * H, F.Grid->RowHeights(1));
    EXPECT_EQ(H, F.Grid->RowHeights(0));   // the fixed row is left alone
}

TEST_F(ExtGridMouse, AnOpenEditorControlFollowsItsCellWhenAColumnOrRowIsSized) {
    F.Options({goColSizing, goRowSizing, goEditing});
    F.Grid->SetDefaultEditor(edSpinEdit);
    F.Grid->SetCells(2, 2, "5");
    F.Grid->SetCol(2);
    F.Grid->SetRow(2);
    F.Key(Qt::Key_F2);
    TWinControl* Ed = F.Grid->ActiveEditorControl();
    ASSERT_NE(nullptr, Ed);
    const QPoint E = ColumnEdge(F.Grid, 1);
    F.Drag(E, E + QPoint(25, 0));
    EXPECT_EQ(115, F.Grid->ColWidths(1));
    const TRect R = F.Grid->CellRect(2, 2);
    EXPECT_EQ(R.Left + 1, Ed->Left());
    EXPECT_EQ(R.Width() - 2, Ed->Width());

    // The row above grows: the editor moves down with its cell.
    const Integer X = F.In(0, 1).x();
    const Integer Edge = F.Grid->CellRect(0, 1).Bottom;
    F.Drag(QPoint(X, Edge), QPoint(X, Edge + 12));
    const TRect R2 = F.Grid->CellRect(2, 2);
    EXPECT_EQ(R2.Top, Ed->Top());
    EXPECT_EQ(R2.Height() - 1, Ed->Height());
}

TEST_F(ExtGridMouse, SizingHintShowsTheNewWidthWhileDraggingAndHidesOnRelease) {
    F.Options({goColSizing});
    const TRect H = F.Grid->CellRect(2, 0);
    const QPoint From(H.Right, (H.Top + H.Bottom) / 2);
    F.Send(QEvent::MouseButtonPress, From, Qt::LeftButton, Qt::LeftButton);
    F.Send(QEvent::MouseMove, From + QPoint(30, 0), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(nullptr, F.Grid->HintWindow());   // not asked for
    F.Send(QEvent::MouseButtonRelease, From + QPoint(30, 0), Qt::LeftButton, Qt::NoButton);

    F.Grid->SetHintShowSizing(true);
    F.Grid->SetHintColor(clYellow);
    const TRect H2 = F.Grid->CellRect(2, 0);
    const QPoint From2(H2.Right, (H2.Top + H2.Bottom) / 2);
    F.Send(QEvent::MouseButtonPress, From2, Qt::LeftButton, Qt::LeftButton);
    F.Send(QEvent::MouseMove, From2 - QPoint(20, 0), Qt::NoButton, Qt::LeftButton);
    THTMLHintWindow* W = F.Grid->HintWindow();
    ASSERT_NE(nullptr, W);
    EXPECT_TRUE(W->Visible());
    EXPECT_EQ("cw=<b>" + IntToStr(F.Grid->ColWidths(2)) + "</b>", W->Text());
    EXPECT_EQ(F.Origin().X + H2.Left, W->Left());   // over the sized column's top-left corner
    const QImage Img = W->Widget()->grab().toImage();
    EXPECT_EQ(QColor(Qt::yellow).rgb(), Img.pixel(Img.width() - 4, 2) | 0xFF000000u);
    F.Send(QEvent::MouseButtonRelease, From2 - QPoint(20, 0), Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(W->Visible());
}

TEST_F(ExtGridMouse, HintAndMoveWindowsShowOnTheGridsParentOfTheMoment) {
    F.Options({goColSizing, goColMoving});
    F.Grid->SetHintShowSizing(true);
    TPanel* Old = nullptr;
    for (TPanel* P : {Place<TPanel>(F.Form.get(), 0, 0, 520, 300), Place<TPanel>(F.Form.get(), 0, 0, 520, 300)}) {
        F.Grid->SetParent(P);
        delete std::exchange(Old, P);   // the first parent goes
        const QPoint B(F.Grid->CellRect(2, 0).Right, 10);
        F.Send(QEvent::MouseButtonPress, B, Qt::LeftButton, Qt::LeftButton);
        F.Send(QEvent::MouseMove, B - QPoint(20, 0), Qt::NoButton, Qt::LeftButton);
        EXPECT_TRUE(F.Grid->HintWindow()->Parent() == P && F.Grid->HintWindow()->Visible());
        F.Send(QEvent::MouseButtonRelease, B - QPoint(20, 0), Qt::LeftButton, Qt::NoButton);
        F.Drag(F.In(1, 0, 20), F.In(3, 0, 20));
        EXPECT_EQ(P, F.Grid->MoveButton()->Parent());
    }
}

TEST_F(ExtGridMouse, FixedCellEditorOpensAsConfiguredAndStoresOnEnter) {
    F.Grid->SetCells(2, 0, "Head");
    F.LeftClick(F.In(2, 0, 20));
    EXPECT_EQ(nullptr, F.Grid->FixedCellEditor());   // fceNone

    F.Grid->MouseActions()->SetFixedRowsEdit(fceLeftClick);
    F.LeftClick(F.In(2, 0, 20));
    TEdit* Ed = F.Grid->FixedCellEditor();
    ASSERT_NE(nullptr, Ed);
    EXPECT_TRUE(Ed->Visible());
    EXPECT_EQ("Head", Ed->Text());
    EXPECT_EQ(F.Grid->CellRect(2, 0).Left + 1, Ed->Left());
    Ed->SetText("New");
    PressEnter();
    EXPECT_FALSE(Ed->Visible());
    EXPECT_EQ("New", F.Grid->Cells(2, 0));

    F.RightClick(F.In(3, 0, 20));   // a right press opens it too
    EXPECT_TRUE(Ed->Visible());
    Ed->SetText("dropped");
    SendKey(FocusTarget(), Qt::Key_Escape);
    EXPECT_FALSE(Ed->Visible());
    EXPECT_EQ("", F.Grid->Cells(3, 0));

    F.Grid->SetWideCell(3, 0, u"\u015Eube");   // a Unicode header: its letters
    F.LeftClick(F.In(3, 0, 20));
    EXPECT_EQ("Şube", Ed->Text());

    F.Grid->OnCanEditCell = [](TObject*, Integer, Integer, bool& CanEdit) { CanEdit = true; };
    F.LeftClick(F.In(2, 0, 20));
    EXPECT_FALSE(Ed->Visible());   // the handler keeps it closed
}

TEST_F(ExtGridMouse, FixedCellEditorNearASizingEdgeOrOnDoubleClickOnly) {
    F.Options({goColSizing});
    F.Grid->MouseActions()->SetFixedRowsEdit(fceLeftClick);
    const TRect H = F.Grid->CellRect(2, 0);
    F.LeftClick(QPoint(H.Right - 2, (H.Top + H.Bottom) / 2));
    EXPECT_TRUE(!F.Grid->FixedCellEditor() || !F.Grid->FixedCellEditor()->Visible());

    F.Grid->MouseActions()->SetFixedRowsEdit(fceNone);
    F.Grid->MouseActions()->SetFixedColsEdit(fceDblClick);
    F.Grid->SetCells(0, 3, "row three");
    F.LeftClick(F.In(0, 3, 20));
    EXPECT_TRUE(!F.Grid->FixedCellEditor() || !F.Grid->FixedCellEditor()->Visible());
    F.DoubleClick(F.In(0, 3, 20));
    ASSERT_NE(nullptr, F.Grid->FixedCellEditor());
    EXPECT_TRUE(F.Grid->FixedCellEditor()->Visible());
    EXPECT_EQ("row three", F.Grid->FixedCellEditor()->Text());
}

TEST_F(ExtGridMouse, CaretPositioningPutsTheCaretUnderThePress) {
    F.Options({goEditing});
    F.Grid->SetCells(2, 2, "abcdef");
    F.Grid->MouseActions()->SetCaretPositioning(true);
    struct TCase {
        const char* Before;
        Integer Caret;
    };
    for (const TCase& C : {TCase{"", 0}, TCase{"abc", 3}, TCase{"abcdef", 6}}) {
        F.LeftClick(F.In(2, 2));   // current first
        F.Grid->HideEditor();
        const TRect R = F.Grid->CellRect(2, 2);
        F.LeftClick(QPoint(R.Left + 3 + TextSizeIn(F.Grid, C.Before).cx, (R.Top + R.Bottom) / 2));
        ASSERT_TRUE(F.Grid->EditorMode()) << C.Before;
        EXPECT_EQ(C.Caret, F.Grid->InplaceEditor()->SelStart()) << C.Before;
        EXPECT_EQ(0, F.Grid->InplaceEditor()->SelLength()) << C.Before;
        F.Grid->HideEditor();
    }
}

TEST_F(ExtGridMouse, ColumnMoveShowsTheHeaderUnderTheMouseAndArrowsAtTheTarget) {
    F.Options({goColMoving});
    F.Grid->SetCells(1, 0, "Moved");
    const QPoint From = F.In(1, 0, 20);
    F.Send(QEvent::MouseButtonPress, From, Qt::LeftButton, Qt::LeftButton);
    F.Send(QEvent::MouseMove, F.In(3, 0, 20), Qt::NoButton, Qt::LeftButton);
    TPopupButton* B = F.Grid->MoveButton();
    ASSERT_NE(nullptr, B);
    EXPECT_TRUE(B->Visible());
    EXPECT_EQ("Moved", B->Caption());
    EXPECT_EQ(F.Origin().X + F.In(3, 0, 20).x() - F.Grid->ColWidths(1) / 2, B->Left());
    EXPECT_EQ(crDrag, F.Grid->Cursor());
    const Integer Edge = F.Grid->CellRect(3, 0).Right;   // moving right: after the target
    for (Integer D : {0, 1}) {
        TArrowWindow* A = F.Grid->MoveArrow(D);
        EXPECT_TRUE(A->Visible()) << D;
        EXPECT_EQ(F.Origin().X + Edge, A->Left() + A->Width() / 2) << D;
    }
    EXPECT_FALSE(F.Grid->MoveArrow(2)->Visible());
    F.Send(QEvent::MouseButtonRelease, F.In(3, 0, 20), Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(B->Visible());
    EXPECT_FALSE(F.Grid->MoveArrow(0)->Visible());
    EXPECT_NE(crDrag, F.Grid->Cursor());
    EXPECT_EQ("Moved", F.Grid->Cells(3, 0));
    TMouseForm To;   // a grid with a footer row takes the header another keeps by FixedRowAlways alone: it moves too
    F.Grid->SetFixedRowAlways(true), F.Grid->SetRowCount(1), To.Grid->FloatingFooter()->SetVisible(true), To.Grid->Assign(F.Grid);
    To.Drag(To.In(3, 0, 20), To.In(1, 0, 20));
    EXPECT_EQ("Moved", To.Grid->Cells(1, 0));
}

TEST_F(ExtGridMouse, RowMoveArrowsAndNoVisualsWithoutEnhancedMoves) {
    F.Options({goRowMoving});
    F.Grid->SetCells(0, 2, "two");
    F.Send(QEvent::MouseButtonPress, F.In(0, 2), Qt::LeftButton, Qt::LeftButton);
    F.Send(QEvent::MouseMove, F.In(0, 4), Qt::NoButton, Qt::LeftButton);
    ASSERT_NE(nullptr, F.Grid->MoveButton());
    EXPECT_EQ("two", F.Grid->MoveButton()->Caption());
    EXPECT_TRUE(F.Grid->MoveArrow(2)->Visible());
    EXPECT_TRUE(F.Grid->MoveArrow(3)->Visible());
    EXPECT_FALSE(F.Grid->MoveArrow(1)->Visible());
    F.Send(QEvent::MouseButtonRelease, F.In(0, 4), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ("two", F.Grid->Cells(0, 4));

    TMouseForm G;
    G.Options({goColMoving});
    G.Grid->SetEnhRowColMove(false);
    G.Drag(G.In(1, 0, 20), G.In(3, 0, 20));
    EXPECT_EQ(nullptr, G.Grid->MoveButton());
}

TEST_F(ExtGridMouse, ColumnMovePastTheRightEdgeScrollsOneColumn) {
    F.Options({goColMoving});
    F.Grid->SetColCount(12);
    const Integer Left = F.Grid->LeftCol();
    F.Send(QEvent::MouseButtonPress, F.In(2, 0, 20), Qt::LeftButton, Qt::LeftButton);
    F.Send(QEvent::MouseMove, QPoint(F.Grid->ClientWidth() + 5, 10), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(Left + 1, F.Grid->LeftCol());
    F.Send(QEvent::MouseMove, QPoint(2, 10), Qt::NoButton, Qt::LeftButton);   // over the fixed column
    EXPECT_EQ(Left, F.Grid->LeftCol());
    F.Send(QEvent::MouseButtonRelease, QPoint(2, 10), Qt::LeftButton, Qt::NoButton);
}

TEST_F(ExtGridMouse, PressedFixedCellIsDrawnSunkenUntilTheRelease) {
    F.Grid->SetFixedAsButtons(true);
    F.Grid->SetLook(glClassic);
    const TRect R = F.Grid->CellRect(2, 0);
    const QPoint Edge(R.Left + 1, (R.Top + R.Bottom) / 2);   // inside the cell's own light line
    auto PixelAt = [&] { return F.Grid->Widget()->grab().toImage().pixel(Edge) | 0xFF000000u; };
    const QRgb Shadow = QColor::fromRgb(ColorToRGB(clBtnShadow) & 0xFF, (ColorToRGB(clBtnShadow) >> 8) & 0xFF,
                                        (ColorToRGB(clBtnShadow) >> 16) & 0xFF).rgb();
    const QRgb Raised = PixelAt();
    F.Send(QEvent::MouseButtonPress, F.In(2, 0, 20), Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(2, F.Grid->PressedHeader().X);
    EXPECT_TRUE(F.Grid->HeaderPressed());
    EXPECT_EQ(Shadow, PixelAt());
    F.Send(QEvent::MouseButtonRelease, F.In(2, 0, 20), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(-1, F.Grid->PressedHeader().X);
    EXPECT_FALSE(F.Grid->HeaderPressed());
    EXPECT_EQ(Raised, PixelAt());
    EXPECT_NE(Shadow, Raised);
}

TEST_F(ExtGridMouse, HoverCellFollowsTheMouseOverFixedCellsOnly) {
    F.Send(QEvent::MouseMove, F.In(2, 0), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(2, F.Grid->HoverCell().X);
    EXPECT_EQ(0, F.Grid->HoverCell().Y);
    F.Send(QEvent::MouseMove, F.In(0, 3), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(0, F.Grid->HoverCell().X);
    EXPECT_EQ(3, F.Grid->HoverCell().Y);
    F.Send(QEvent::MouseMove, F.In(2, 3), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(-1, F.Grid->HoverCell().X);
}

namespace {

bool AskHint(TMouseForm& F, QPoint P) {
    // Qt asks for hints only in the active window; an offscreen form may not be active.
    F.Grid->Widget()->window()->setAttribute(Qt::WA_AlwaysShowToolTips);
    QHelpEvent E(QEvent::ToolTip, P, F.Grid->Widget()->mapToGlobal(P));
    return QApplication::sendEvent(F.Grid->Widget(), &E);
}

}  // namespace

TEST_F(ExtGridMouse, CellHintsShowTheCellTextBelowTheCellUntilTheMouseMovesOn) {
    F.Grid->SetCells(2, 2, "a < b");
    F.Grid->SetHintShowCells(true);
    AskHint(F, F.In(2, 2));   // hints off
    EXPECT_EQ(nullptr, F.Grid->HintWindow());

    F.Grid->SetShowHint(true);
    F.Grid->SetHintColor(clYellow);
    EXPECT_TRUE(AskHint(F, F.In(2, 2)));
    THTMLHintWindow* W = F.Grid->HintWindow();
    ASSERT_NE(nullptr, W);
    EXPECT_TRUE(W->Visible());
    EXPECT_EQ("a &lt; b", W->Text());   // plain text keeps its "<" in the mini-HTML window
    const TRect R = F.Grid->CellRect(2, 2);
    EXPECT_EQ(F.Origin().X + R.Left, W->Left());
    EXPECT_EQ(F.Origin().Y + R.Bottom + 6, W->Top());
    EXPECT_EQ(2, F.Grid->HintCell().X);
    F.Send(QEvent::MouseMove, F.In(2, 2, 30), Qt::NoButton, Qt::NoButton);
    EXPECT_TRUE(W->Visible());   // same cell
    F.Send(QEvent::MouseMove, F.In(3, 2), Qt::NoButton, Qt::NoButton);
    EXPECT_FALSE(W->Visible());

    EXPECT_TRUE(AskHint(F, F.In(3, 3)));   // an empty cell has no hint
    EXPECT_FALSE(W->Visible());
}

TEST_F(ExtGridMouse, CellHintsFromCommentsLargeTextAndTheHintEvent) {
    F.Grid->SetShowHint(true);
    TCellGraphic* Gr = F.Grid->CreateCellGraphic(1, 1);
    Gr->SetCellType(ctComment);
    Gr->SetCellText("note");
    ASSERT_TRUE(AskHint(F, F.In(1, 1)));
    THTMLHintWindow* W = F.Grid->HintWindow();
    ASSERT_NE(nullptr, W);
    EXPECT_EQ("note", W->Text());
    const TRect R = F.Grid->CellRect(1, 1);
    EXPECT_EQ(F.Origin().X + R.Right, W->Left());   // at the top-right corner
    EXPECT_EQ(F.Origin().Y + R.Top, W->Top());

    F.Grid->SetHintShowLargeText(true);
    F.Grid->SetCells(2, 3, "short");
    F.Grid->SetCells(3, 3, "a text far too long for the ninety pixels of this column");
    AskHint(F, F.In(2, 3));
    EXPECT_FALSE(W->Visible());
    AskHint(F, F.In(3, 3));
    EXPECT_TRUE(W->Visible());
    EXPECT_EQ(F.Grid->Cells(3, 3), W->Text());

    F.Grid->OnGridHint = [](TObject*, Integer ARow, Integer ACol, AnsiString& H) {
        H = "<b>" + IntToStr(ACol) + "," + IntToStr(ARow) + "</b>";
    };
    AskHint(F, F.In(4, 2));
    EXPECT_EQ("<b>4,2</b>", W->Text());
    F.Grid->OnGridHint = nullptr;

    // The hint shows a cell as the cell shows it: a marked-up one without tags, a plain one as it stands.
    F.Grid->SetHintShowCells(true);
    F.Grid->SetCells(4, 2, "<B>a &amp;lt; b</B>");
    AskHint(F, F.In(4, 2));
    EXPECT_EQ("a &amp;lt; b", W->Text());
    F.Grid->SetCells(4, 3, "a &amp; <x>");
    AskHint(F, F.In(4, 3));
    EXPECT_EQ("a &amp;amp; &lt;x&gt;", W->Text());
    F.Grid->OnIsPasswordCell = [](TObject*, Integer, Integer, bool& P) { P = true; };
    AskHint(F, F.In(4, 3));
    EXPECT_EQ("***********", W->Text());   // a password cell's hint: what the cell shows

    QEvent Leave(QEvent::Leave);
    QApplication::sendEvent(F.Grid->Widget(), &Leave);
    EXPECT_FALSE(W->Visible());
    EXPECT_EQ(-1, F.Grid->HintCell().X);
}

// A text wider than the area it is painted into (the cell less its lines and margins)
// shows whole as the hint, though the cell is wide enough; one that fits shows the
// grid's own hint. A Unicode cell's hint is its decoded text.
TEST_F(ExtGridMouse, HintsShowTextsCutInTheirTextAreaAndUnicodeCellsDecoded) {
    F.Grid->SetShowHint(true);
    F.Grid->SetHint("own hint");
    F.Grid->SetHintShowLargeText(true);
    const Integer W = TextSizeIn(F.Grid, "KIRATUTARI").cx;
    F.Grid->SetCells(2, 2, "KIRATUTARI");
    F.Grid->SetCells(3, 2, "KIRATUTARI");
    F.Grid->SetColWidths(2, W + 5);   // the text area a pixel short: insets 1 + 1, margins 2 + 2
    F.Grid->SetColWidths(3, W + 6);
    ASSERT_TRUE(AskHint(F, F.In(2, 2, 3)));
    THTMLHintWindow* Win = F.Grid->HintWindow();
    ASSERT_NE(nullptr, Win);
    EXPECT_EQ("KIRATUTARI", Win->Text());
    AskHint(F, F.In(3, 2, 3));
    EXPECT_EQ("own hint", Win->Text());

    F.Grid->SetHintShowCells(true);
    const WideString Text = u"\u03A9mega \u0130smail";   // a letter outside the code page, one inside
    F.Grid->SetCells(4, 3, WideToCellText(Text));
    AskHint(F, F.In(4, 3));
    EXPECT_EQ(WideToAnsi(Text), Win->Text());
    EXPECT_EQ(Text, Win->WideText());
    EXPECT_EQ(Win->CalcHintRect(400, Win->Text(), Text).Width(), Win->Width());
    F.Grid->SetCells(4, 3, "{\\rtf1\\ansi \\u937?mega}"), AskHint(F, F.In(4, 3));   // a rich cell: its letters, not its codes
    EXPECT_EQ(u"\u03A9mega", Win->WideText());
}

TEST_F(ExtGridMouse, DisjunctCellSelectListsClickedCellsAndCtrlToggles) {
    F.Grid->MouseActions()->SetDisjunctCellSelect(true);
    F.Grid->OnSelectCell = [](TObject*, Integer ACol, Integer, bool& Can) { Can = ACol != 4; };
    F.LeftClick(F.In(2, 2));
    for (const QPoint P : {F.In(3, 4), F.In(4, 1), F.In(2, 2)}) {   // the second refused, the third off again
        F.Send(QEvent::MouseButtonPress, P, Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier);
        F.Send(QEvent::MouseButtonRelease, P, Qt::LeftButton, Qt::NoButton, Qt::ControlModifier);
    }
    EXPECT_TRUE(F.Grid->SelectedCell(3, 4) && F.Grid->SelectedCellCount() == 1);
}

TEST_F(ExtGridMouse, RightPressOnAURLCellOpensItsEditorOnlyWithURLEdit) {
    F.Options({goEditing});
    F.Grid->SetURLShow(true);
    F.Grid->SetCells(2, 3, "http://osb.example.org");
    for (const bool Edit : {false, true}) {
        F.Grid->SetURLEdit(Edit);
        F.RightClick(F.In(2, 3));
        EXPECT_EQ(Edit, F.Grid->EditorMode() && F.Grid->Row() == 3);
    }
}

TEST_F(ExtGridMouse, RowAndColumnSelectDragsScrollAtTheEdge) {
    F.Options({goRangeSelect});
    F.Grid->SetRowCount(40);
    F.Grid->SetColCount(12);
    F.Grid->MouseActions()->SetRowSelect(true);
    F.Grid->MouseActions()->SetColSelect(true);
    F.Drag(F.In(0, 2, 20), QPoint(20, F.Grid->ClientHeight() - 2));
    EXPECT_EQ(2, F.Grid->TopRow());
    F.Grid->SetLeftCol(1);
    F.Drag(F.In(2, 0, 40), QPoint(F.Grid->ClientWidth() - 2, 10));
    EXPECT_EQ(2, F.Grid->LeftCol());
}

TEST_F(ExtGridMouse, TheRightButtonDuringAColumnMoveNeitherEndsItNorOpensTheMenu) {
    F.Options({goColMoving});
    F.Grid->SetCells(1, 1, "one");
    auto* Menu = new TPopupMenu(F.Form.get());
    Menu->OnPopup = [](TObject*) { ADD_FAILURE(); };
    F.Grid->SetPopupMenu(Menu);
    F.Send(QEvent::MouseButtonPress, F.In(1, 0, 40), Qt::LeftButton, Qt::LeftButton);
    F.Send(QEvent::MouseMove, F.In(3, 0, 40), Qt::NoButton, Qt::LeftButton);
    F.Send(QEvent::MouseButtonPress, F.In(3, 0, 40), Qt::RightButton, Qt::LeftButton | Qt::RightButton);
    QContextMenuEvent Context(QContextMenuEvent::Mouse, F.In(3, 0, 40));
    QApplication::sendEvent(F.Grid->Widget(), &Context);
    F.Send(QEvent::MouseButtonRelease, F.In(3, 0, 40), Qt::RightButton, Qt::LeftButton);
    F.Send(QEvent::MouseButtonRelease, F.In(3, 0, 40), Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(F.Grid->Cells(3, 1) == "one" && F.Grid->PopupMenu() == Menu);
}

TEST_F(ExtGridMouse, AClickEndsAnEditThatAPressOnAHeaderClosed) {
    F.Options({goEditing});
    std::vector<AnsiString> Checked;
    F.Grid->OnCellValidate = [&](TObject*, Integer, Integer, AnsiString& V, bool&) { Checked.push_back(V); };
    F.Key(Qt::Key_F2);
    TypeText(u"x");
    F.LeftClick(F.In(3, 0, 40));
    EXPECT_EQ(std::vector<AnsiString>{"x"}, Checked);
}

TEST_F(ExtGridMouse, AMergedCellIsFixedWhenItsBaseCellIs) {
    F.Grid->OnIsFixedCell = [](TObject*, Integer ARow, Integer ACol, bool& Fixed) { Fixed = ACol == 1 && ARow == 2; };
    F.Grid->MergeCells(1, 2, 2, 1);
    F.LeftClick(F.In(2, 2, 30));
    EXPECT_EQ(1, F.Grid->Row());
}

TEST_F(ExtGridMouse, ArrowsWorkTheNodeOfAMergedNodeCell) {
    F.Grid->AddNode(1, 3);
    F.Grid->MergeCells(0, 1, 2, 1);
    F.Key(Qt::Key_Left);
    EXPECT_EQ(4, F.Grid->RowCount());
    F.Key(Qt::Key_Right);
    EXPECT_EQ(6, F.Grid->RowCount());
}

TEST_F(ExtGridMouse, AMergedCellIsSelectedWholeAndEditedInItsBaseCell) {
    F.Options({goEditing});
    F.Grid->MergeCells(1, 1, 2, 2);
    F.Grid->SetCells(1, 1, "base");
    const TRect R = F.Grid->CellRect(2, 2);
    const QPoint Covered(R.Right - 10, R.Bottom - 5);
    F.Grid->SetRow(4);
    F.LeftClick(Covered);
    EXPECT_TRUE(F.Grid->Col() == 1 && F.Grid->Row() == 1);
    EXPECT_TRUE(F.Grid->Selection() == (TGridRect{1, 1, 2, 2}));   // the block, not its base cell alone
    F.LeftClick(Covered);
    ASSERT_TRUE(F.Grid->EditorMode());
    PressEnter();
    F.Grid->SetRow(2);
    F.Grid->SetCol(2);   // a program may still make the covered part current and edit it
    F.Grid->ShowEditor();
    ASSERT_TRUE(F.Grid->EditorMode());
    EXPECT_EQ("base", F.Grid->InplaceEditor()->Text());
    PressEnter();
    EXPECT_EQ("base", F.Grid->Cells(1, 1));
}

TEST_F(ExtGridMouse, ADragWithRangeSelectAndEditSwitchesEditingOff) {
    F.Options({goEditing});
    F.Grid->MouseActions()->SetRangeSelectAndEdit(true);
    F.Drag(F.In(1, 1), F.In(3, 3));
    EXPECT_FALSE(F.Grid->Options().Contains(goEditing));
}
