#include "grid/ExtGrid.h"

#include "platform/ui/UiTestKit.h"

#include <gtest/gtest.h>

#include <functional>

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
