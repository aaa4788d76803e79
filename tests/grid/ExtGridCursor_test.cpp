#include "grid/ExtGrid.h"

#include "platform/ui/UiTestKit.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <utility>
#include <vector>

using namespace uitest;

namespace {

// One fixed row and column, four columns of 90 pixels, the mouse moved by hand.
struct TCursorForm : TGridOnForm<TExtStringGrid> {
    TCursorForm() : TGridOnForm(5, 6, 520, 300) {
        Grid->SetScrollBars(ssNone);
        Grid->SetDefaultColWidth(90);
        ShowFocused();
    }
    TCursor MoveTo(QPoint P) {
        Mouse(QEvent::MouseMove, P, Qt::NoButton, Qt::NoButton);
        return Grid->Cursor();
    }
    void Leave() {
        QEvent E(QEvent::Leave);
        QApplication::sendEvent(Grid->Widget(), &E);
    }
};

struct TCursorCase {
    const char* Name;
    std::function<void(TCursorForm&)> Setup;
    std::function<QPoint(TCursorForm&)> Where;
    TCursor Expected;
};

QPoint RightEdge(TCursorForm& F, Integer ACol, Integer ARow) {
    const TRect R = F.Grid->CellRect(ACol, ARow);
    return QPoint(R.Right, (R.Top + R.Bottom) / 2);
}

}  // namespace

TEST(ExtGridCursor, EachPlaceShowsItsCursor) {
    auto Set = [](void (TMouseActions::*Fn)(bool)) {
        return [Fn](TCursorForm& F) { (F.Grid->MouseActions()->*Fn)(true); };
    };
    auto Options = [](TGridOption O) { return [O](TCursorForm& F) { F.Options({O}); }; };
    auto None = [](TCursorForm&) {};
    const TCursorCase Cases[] = {
        {"column header", Set(&TMouseActions::SetColSelect), [](TCursorForm& F) { return F.Centre(2, 0); }, crGridColSelect},
        {"column header without ColSelect", None, [](TCursorForm& F) { return F.Centre(2, 0); }, crDefault},
        {"row header", Set(&TMouseActions::SetRowSelect), [](TCursorForm& F) { return F.Centre(0, 3); }, crGridRowSelect},
        {"row select over a column header", Set(&TMouseActions::SetRowSelect), [](TCursorForm& F) { return F.Centre(2, 0); }, crDefault},
        {"top-left cell", Set(&TMouseActions::SetAllSelect), [](TCursorForm& F) { return F.Centre(0, 0); }, crGridAllSelect},
        {"data cell with every select option",
         [](TCursorForm& F) {
             F.Grid->MouseActions()->SetColSelect(true);
             F.Grid->MouseActions()->SetRowSelect(true);
             F.Grid->MouseActions()->SetAllSelect(true);
         },
         [](TCursorForm& F) { return F.Centre(2, 2); }, crDefault},
        {"column edge in the header",
         [](TCursorForm& F) {
             F.Options({goColSizing});
             F.Grid->MouseActions()->SetColSelect(true);
         },
         [](TCursorForm& F) { return RightEdge(F, 2, 0); }, crHSplit},
        {"row edge in the fixed column", Options(goRowSizing),
         [](TCursorForm& F) {
             const TRect R = F.Grid->CellRect(0, 2);
             return QPoint(R.Left + 10, R.Bottom);
         },
         crVSplit},
        {"column edge among data rows", Options(goColSizing), [](TCursorForm& F) { return RightEdge(F, 2, 3); }, crDefault},
        {"refused column sizing",
         [](TCursorForm& F) {
             F.Options({goColSizing});
             F.Grid->OnColumnSize = [](TObject*, Integer, bool& Allow) { Allow = false; };
         },
         [](TCursorForm& F) { return RightEdge(F, 2, 0); }, crDefault},
        {"selection handle",
         [](TCursorForm& F) {
             F.Grid->SetSelectionRectangle(true);
             F.Grid->SetSelectionResizer(true);
         },
         [](TCursorForm& F) {
             const TRect R = F.Grid->CellRect(1, 1);
             return QPoint(R.Right - 2, R.Bottom - 2);
         },
         crGridAllSelect},
        {"link", [](TCursorForm& F) { F.Grid->SetCells(2, 2, "<A href=\"x\">bağ</A>"); },
         [](TCursorForm& F) {
             const TRect R = F.Grid->CellRect(2, 2);
             return QPoint(R.Left + 6, (R.Top + R.Bottom) / 2);
         },
         crHandPoint},
    };
    for (const TCursorCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        TCursorForm F;
        C.Setup(F);
        EXPECT_EQ(C.Expected, F.MoveTo(C.Where(F)));
    }
}

TEST(ExtGridCursor, TheSelectCursorsArePicturesOfTheirOwn) {
    TCursorForm F;
    F.Grid->MouseActions()->SetColSelect(true);
    F.MoveTo(F.Centre(2, 0));
    const QCursor Shown = F.Grid->Widget()->cursor();
    EXPECT_EQ(Qt::BitmapCursor, Shown.shape());
    EXPECT_FALSE(Shown.pixmap().isNull());
}

TEST(ExtGridCursor, TheGridsOwnCursorComesBackOffTheHeadersAndOutside) {
    TCursorForm F;
    F.Grid->SetCursor(crCross);
    F.Grid->MouseActions()->SetColSelect(true);
    F.Grid->MouseActions()->SetRowSelect(true);
    EXPECT_EQ(crGridColSelect, F.MoveTo(F.Centre(1, 0)));
    EXPECT_EQ(crCross, F.MoveTo(F.Centre(1, 1)));
    EXPECT_EQ(crGridRowSelect, F.MoveTo(F.Centre(0, 1)));
    F.Leave();
    EXPECT_EQ(crCross, F.Grid->Cursor());
    EXPECT_EQ(crCross, F.Grid->RememberedCursor());
}

TEST(ExtGridCursor, ASizingEdgeKeepsItsCursorWhileTheColumnIsSized) {
    TCursorForm F;
    F.Options({goColSizing});
    const QPoint Edge = RightEdge(F, 1, 0);
    EXPECT_EQ(crHSplit, F.MoveTo(Edge));
    F.Mouse(QEvent::MouseButtonPress, Edge, Qt::LeftButton, Qt::LeftButton);
    F.Mouse(QEvent::MouseMove, Edge + QPoint(30, 40), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(crHSplit, F.Grid->Cursor());
    F.Mouse(QEvent::MouseButtonRelease, Edge + QPoint(30, 40), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(120, F.Grid->ColWidths(1));
    EXPECT_EQ(crDefault, F.MoveTo(F.Centre(2, 2)));
}

// --- the grid's mode ----------------------------------------------------------------------
TEST(ExtGridCursor, TheModeCursorShowsOverTheWholeGridUntilTheModeIsCleared) {
    TCursorForm F;
    F.Options({goColSizing});
    F.Grid->MouseActions()->SetColSelect(true);
    F.Grid->SetCells(2, 2, "<A href=\"x\">bağ</A>");
    const TRect Link = F.Grid->CellRect(2, 2);
    const QPoint Places[] = {F.Centre(3, 3), F.Centre(2, 0), RightEdge(F, 2, 0),
                             QPoint(Link.Left + 6, (Link.Top + Link.Bottom) / 2)};
    const TCursor Normal[] = {crDefault, crGridColSelect, crHSplit, crHandPoint};
    F.Grid->SetGridMode(true);
    EXPECT_TRUE(F.Grid->GridMode());
    EXPECT_EQ(crGridMode, F.Grid->Cursor());   // at once, before the mouse moves
    const QCursor Shown = F.Grid->Widget()->cursor();
    EXPECT_EQ(Qt::BitmapCursor, Shown.shape());
    EXPECT_FALSE(Shown.pixmap().isNull());
    for (const QPoint& P : Places) EXPECT_EQ(crGridMode, F.MoveTo(P));
    F.Leave();
    EXPECT_EQ(crGridMode, F.Grid->Cursor());
    F.Grid->SetGridMode(false);
    EXPECT_EQ(crDefault, F.Grid->Cursor());
    for (size_t I = 0; I < std::size(Places); ++I) EXPECT_EQ(Normal[I], F.MoveTo(Places[I])) << I;
}

TEST(ExtGridCursor, ALeftPressInTheModeDoesNothing) {
    TCursorForm F;
    TExtStringGrid* G = F.Grid;
    F.Options({goEditing});
    G->SortSettings()->SetShow(true);
    G->SetCells(2, 1, "b");
    G->SetCells(2, 2, "a");
    std::vector<std::pair<Integer, Integer>> Clicked;
    Integer Clicks = 0, Downs = 0, Doubles = 0;
    G->OnClickCell = [&](TObject*, Integer ARow, Integer ACol) { Clicked.push_back({ACol, ARow}); };
    G->OnClick = [&](TObject*) { ++Clicks; };
    G->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, Integer, Integer) { ++Downs; };
    G->OnDblClickCell = [&](TObject*, Integer, Integer) { ++Doubles; };
    auto Press = [&](QPoint P) {
        F.Mouse(QEvent::MouseButtonPress, P, Qt::LeftButton, Qt::LeftButton);
        F.Mouse(QEvent::MouseMove, P + QPoint(0, 40), Qt::NoButton, Qt::LeftButton);
        F.Mouse(QEvent::MouseButtonRelease, P + QPoint(0, 40), Qt::LeftButton, Qt::NoButton);
    };
    G->SetGridMode(true);
    Press(F.Centre(3, 3));                                // another cell
    Press(F.Centre(1, 1));                                // the current cell, which a press would edit
    Press(F.Centre(2, 0));                                // the sort header
    F.Mouse(QEvent::MouseButtonDblClick, F.Centre(3, 3), Qt::LeftButton, Qt::LeftButton);
    F.Mouse(QEvent::MouseButtonRelease, F.Centre(3, 3), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(1, G->Col());
    EXPECT_EQ(1, G->Row());
    EXPECT_EQ((TGridRect{1, 1, 1, 1}), G->Selection());
    EXPECT_FALSE(G->EditorMode());
    EXPECT_EQ("b", G->Cells(2, 1));                       // not sorted
    EXPECT_TRUE(Clicked.empty());
    EXPECT_EQ(0, Clicks + Downs + Doubles);
    // Cleared, the same press selects again.
    G->SetGridMode(false);
    F.Mouse(QEvent::MouseButtonPress, F.Centre(3, 3), Qt::LeftButton, Qt::LeftButton);
    F.Mouse(QEvent::MouseButtonRelease, F.Centre(3, 3), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(3, G->Col());
    EXPECT_EQ(3, G->Row());
    EXPECT_EQ((std::vector<std::pair<Integer, Integer>>{{3, 3}}), Clicked);
    EXPECT_EQ(1, Clicks);
    EXPECT_EQ(1, Downs);
}

TEST(ExtGridCursor, TheRightButtonStillWorksInTheMode) {
    TCursorForm F;
    F.Grid->MouseActions()->SetSelectOnRightClick(true);
    Integer Right = 0;
    F.Grid->OnRightClickCell = [&](TObject*, Integer, Integer) { ++Right; };
    F.Grid->SetGridMode(true);
    F.Mouse(QEvent::MouseButtonPress, F.Centre(3, 2), Qt::RightButton, Qt::RightButton);
    F.Mouse(QEvent::MouseButtonRelease, F.Centre(3, 2), Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(1, Right);
    EXPECT_EQ(3, F.Grid->Col());
}
