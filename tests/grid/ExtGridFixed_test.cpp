// Footer rows and the columns fixed at the right: shown, never made current or edited,
// whatever key, click, drag or wheel turn asks for them.
#include "grid/ExtGrid.h"

#include "platform/ui/Forms.h"
#include "platform/ui/UiTestKit.h"

#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>

using namespace uitest;

namespace {

// 6 columns (the last fixed at the right) and 40 rows (the last a footer row):
// data cells are columns 1..4, rows 1..38.
struct TFooterForm : TGridOnForm<TExtStringGrid> {
    TFooterForm() : TGridOnForm(6, 40) {
        Grid->SetFixedFooters(1);
        Grid->SetFixedRightCols(1);
        ShowFocused();
    }
    // A left-button press, move or release.
    void Mouse(QEvent::Type T, QPoint P, Qt::MouseButtons Buttons) {
        TGridOnForm::Mouse(T, P, T == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, Buttons);
    }
};

}  // namespace

using ExtGridFixed = uitest::TGridFormTest<TFooterForm>;

TEST_F(ExtGridFixed, TheProgramCannotMakeAFooterOrRightFixedCellCurrent) {
    G->SetRow(39);
    G->SetCol(5);
    EXPECT_EQ(1, G->Row());
    EXPECT_EQ(1, G->Col());
}

TEST_F(ExtGridFixed, KeysStopAtTheLastDataCell) {
    struct TCase {
        int Key;
        Qt::KeyboardModifiers Mods;
        Integer Col, Row;
    };
    // Each key starts from the last data row and column, or from (1, 1) for paging.
    for (const TCase& K : {TCase{Qt::Key_End, Qt::ControlModifier, 4, 38}, TCase{Qt::Key_Right, {}, 4, 38},
                           TCase{Qt::Key_Down, {}, 4, 38}, TCase{Qt::Key_End, {}, 4, 38},
                           TCase{Qt::Key_PageDown, {}, 4, 38}}) {
        G->SetCol(4);
        G->SetRow(38);
        F.Key(K.Key, K.Mods);
        EXPECT_EQ(K.Col, G->Col()) << K.Key;
        EXPECT_EQ(K.Row, G->Row()) << K.Key;
    }
    G->SetRow(1);
    G->SetCol(1);
    F.Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(4, G->Col());
    EXPECT_EQ(38, G->Row());
    G->SetRow(1);
    for (int I = 0; I < 5; ++I) F.Key(Qt::Key_PageDown);
    EXPECT_EQ(38, G->Row());
}

TEST_F(ExtGridFixed, ShiftSelectionEndsAtTheLastDataRow) {
    G->SetRow(30);
    F.Key(Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ((TGridRect{1, 30, 4, 38}), G->Selection());
}

TEST_F(ExtGridFixed, TypingNeverReachesTheFooterRow) {
    F.Options({goEditing});
    F.Key(Qt::Key_End, Qt::ControlModifier);
    F.Key(Qt::Key_PageDown);
    TypeText(u"x");
    PressEnter();
    EXPECT_EQ("x", G->Cells(4, 38));
    for (Integer C = 0; C < 6; ++C) EXPECT_EQ("", G->Cells(C, 39)) << C;
    for (Integer R = 0; R < 40; ++R) EXPECT_EQ("", G->Cells(5, R)) << R;
}

TEST_F(ExtGridFixed, TabWrapsBeforeTheRightFixedColumn) {
    F.Options({goEditing, goTabs});
    G->SetCol(4);
    G->SetRow(2);
    PressTab();
    EXPECT_EQ(1, G->Col());
    EXPECT_EQ(3, G->Row());
    G->SetCol(4);
    G->SetRow(38);
    PressTab();
    EXPECT_EQ(1, G->Col());
    EXPECT_EQ(1, G->Row());
}

TEST_F(ExtGridFixed, ClicksOnTheFooterOrARightFixedCellKeepTheCurrentCell) {
    F.Options({goEditing});
    G->SetTopRow(G->RowCount() - 1);   // scrolled to the end: the footer row is on screen
    G->SetRow(38);
    G->SetCol(2);
    ASSERT_FALSE(G->CellRect(2, 39).IsEmpty());
    Click(G, F.Centre(2, 39));
    EXPECT_EQ(38, G->Row());
    Click(G, F.Centre(5, 37));
    EXPECT_EQ(2, G->Col());
    EXPECT_EQ(38, G->Row());
    TypeText(u"y");
    PressEnter();
    EXPECT_EQ("y", G->Cells(2, 38));
    EXPECT_EQ("", G->Cells(2, 39));
    EXPECT_EQ("", G->Cells(5, 37));
}

TEST_F(ExtGridFixed, DraggingPastTheFooterSelectsUpToTheLastDataCell) {
    G->SetTopRow(G->RowCount() - 1);
    const QPoint From = F.Centre(1, 36);
    F.Mouse(QEvent::MouseButtonPress, From, Qt::LeftButton);
    F.Mouse(QEvent::MouseMove, F.Centre(5, 39), Qt::LeftButton);
    F.Mouse(QEvent::MouseMove, QPoint(G->ClientWidth() + 20, G->ClientHeight() + 20), Qt::LeftButton);
    F.Mouse(QEvent::MouseButtonRelease, QPoint(G->ClientWidth() + 20, G->ClientHeight() + 20), Qt::NoButton);
    EXPECT_EQ((TGridRect{1, 36, 4, 38}), G->Selection());
}

TEST_F(ExtGridFixed, AGridOfOnlyAFooterRowKeepsItUnedited) {
    F.Options({goEditing});
    G->SetRowCount(2);   // the fixed row and the footer row
    F.Key(Qt::Key_Down);
    TypeText(u"z");
    PressEnter();
    EXPECT_EQ("", G->Cells(1, 1));
    EXPECT_FALSE(G->EditorMode());
}
