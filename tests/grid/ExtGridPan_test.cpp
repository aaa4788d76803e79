// Panning with the middle mouse button and the controls held in cells.
#include "grid/ExtGrid.h"

#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UiTestKit.h"

#include <QCursor>
#include <QMouseEvent>
#include <QImage>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace uitest;

namespace {

struct TPanForm : TGridOnForm<TExtStringGrid> {
    TPanForm() : TGridOnForm(30, 200) {
        Grid->SetColor(clWhite);
        Grid->SetRow(50);
        Grid->SetCol(10);
        ShowFocused();
    }
    void MiddlePress(QPoint P) {
        QTest::mousePress(Grid->Widget(), Qt::MiddleButton, Qt::NoModifier, P);
        QTest::mouseRelease(Grid->Widget(), Qt::MiddleButton, Qt::NoModifier, P);
    }
    void PointerAt(QPoint P) { QCursor::setPos(Grid->Widget()->mapToGlobal(P)); }
    // Takes the header of column 1 and drags it over column 3, the button held; returns where.
    QPoint StartColumnMove() {
        Options({goColMoving});
        Grid->SetLeftCol(1);
        const TRect From = Grid->CellRect(1, 0), To = Grid->CellRect(3, 0);
        const QPoint A(From.Left + 20, From.Top + 5), B(To.Left + 20, To.Top + 5);
        Mouse(QEvent::MouseButtonPress, A, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseMove, B, Qt::NoButton, Qt::LeftButton);
        return B;
    }
    void SendToGrid(QEvent::Type T) {
        QEvent E(T);
        QApplication::sendEvent(Grid->Widget(), &E);
    }
    QImage Shot() {
        Settle();
        return Grid->Widget()->grab().toImage();
    }
};

const QPoint Origin(200, 150);

}  // namespace

using ExtGridPan = uitest::TGridFormTest<TPanForm>;

TEST_F(ExtGridPan, TheMiddleButtonPansTheCurrentRowTowardThePointer) {
    F.Grid->SetShowHint(true);
    F.PointerAt(Origin);
    F.MiddlePress(Origin);
    ASSERT_TRUE(F.Grid->Panning());
    EXPECT_EQ(crSizeAll, F.Grid->TBaseGrid::Cursor());
    EXPECT_FALSE(F.Grid->ShowHint());
    QImage I = F.Shot();
    EXPECT_EQ(clBlack, PixelAt(I, Origin.x(), Origin.y()));        // the glyph's centre
    EXPECT_EQ(clWhite, PixelAt(I, Origin.x() + 8, Origin.y() + 8));   // inside its circle

    F.PointerAt(Origin + QPoint(3, -4));   // inside the dead zone
    QTest::qWait(60);
    EXPECT_EQ(50, F.Grid->Row());

    F.PointerAt(Origin + QPoint(40, 60));   // down and right: vertical panning only
    // The pan timer may run late on a busy machine: wait for the move, not for a fixed time.
    EXPECT_TRUE(WaitUntil([&] { return F.Grid->Row() > 52; }));
    EXPECT_EQ(10, F.Grid->Col());
    EXPECT_EQ(crSizeNS, F.Grid->TBaseGrid::Cursor());

    F.PointerAt(Origin);
    SendKey(FocusTarget(), Qt::Key_Shift);   // any key ends panning
    EXPECT_FALSE(F.Grid->Panning());
    EXPECT_EQ(crDefault, F.Grid->TBaseGrid::Cursor());
    EXPECT_TRUE(F.Grid->ShowHint());
    const Integer Stopped = F.Grid->Row();
    QTest::qWait(40);
    EXPECT_EQ(Stopped, F.Grid->Row());
    I = F.Shot();
    EXPECT_NE(clBlack, PixelAt(I, Origin.x(), Origin.y()));
}

TEST_F(ExtGridPan, BothDirectionsStopAtTheFirstDataCellAndAClickEndsPanning) {
    F.Grid->SetIntelliPan(ipBoth);
    F.Grid->SetRow(3);
    F.Grid->SetCol(2);
    F.PointerAt(Origin);
    F.MiddlePress(Origin);
    ASSERT_TRUE(F.Grid->Panning());
    F.PointerAt(Origin + QPoint(-50, -50));
    EXPECT_TRUE(WaitUntil([&] { return F.Grid->Row() == F.Grid->FixedRows() && F.Grid->Col() == F.Grid->FixedCols(); }));
    EXPECT_EQ(crSizeNWSE, F.Grid->TBaseGrid::Cursor());
    F.MiddlePress(Origin);   // a second press ends it
    EXPECT_FALSE(F.Grid->Panning());
}

TEST_F(ExtGridPan, NoPanningWithIntelliPanNone) {
    F.Grid->SetIntelliPan(ipNone);
    F.MiddlePress(Origin);
    EXPECT_FALSE(F.Grid->Panning());
    EXPECT_EQ(crDefault, F.Grid->TBaseGrid::Cursor());
}

using ExtGridCellControls = uitest::TGridFormTest<TPanForm>;

TEST_F(ExtGridCellControls, AControlFollowsItsCellInAndOutOfView) {
    auto* E = new TEdit(F.Form.get());
    E->SetParent(F.Grid);
    F.Grid->GetCellProperties(2, 3)->SetControl(E);
    F.Grid->SetRow(1);
    F.Grid->SetCol(2);
    F.Grid->UpdateCellControls();
    EXPECT_TRUE(E->Visible());
    TRect R = F.Grid->CellRect(2, 3);
    EXPECT_EQ(R.Left, E->Left());
    EXPECT_EQ(R.Top, E->Top());
    EXPECT_EQ(R.Width(), E->Width());
    F.Grid->SetRowColor(3, clNone);   // clearing the row's colours leaves the control in its cell
    // Scrolling with the keys carries the cell out of view and back.
    for (int I = 0; I < 3; ++I) SendKey(FocusTarget(), Qt::Key_PageDown);
    ASSERT_GT(F.Grid->TopRow(), 3);
    EXPECT_FALSE(E->Visible());
    SendKey(FocusTarget(), Qt::Key_Home, QString(), Qt::ControlModifier);
    ASSERT_LE(F.Grid->TopRow(), 3);
    EXPECT_TRUE(E->Visible());
    R = F.Grid->CellRect(2, 3);
    EXPECT_EQ(R.Top, E->Top());
}

TEST_F(ExtGridCellControls, HidingItsRowHidesTheControlAndShowingItPlacesItAgain) {
    auto* E = new TEdit(F.Form.get());
    E->SetParent(F.Grid);
    F.Grid->GetCellProperties(4, 5)->SetControl(E);
    F.Grid->SetCol(4);   // brings the cell into view, which places the control
    F.Grid->SetRow(5);
    F.Grid->SetTopRow(1);
    ASSERT_EQ(F.Grid->CellRect(4, 5).Top, E->Top());
    ASSERT_TRUE(E->Visible());
    F.Grid->HideRows(2, 2);   // the control's row moves up one
    EXPECT_TRUE(E->Visible());
    EXPECT_EQ(F.Grid->CellRect(4, 4).Top, E->Top());
    F.Grid->UnHideRows(2, 2);
    EXPECT_EQ(F.Grid->CellRect(4, 5).Top, E->Top());
}

// Controls follow widened columns and cut rows; one freed, taken out of its cell or not, is forgotten.
TEST_F(ExtGridCellControls, ControlsFollowWidthsAndCountsAndMayBeFreed) {
    std::vector<TEdit*> E;   // right of the widened column, on a row cut off, taken out, freed in its cell
    for (const auto& [C, R] : {std::pair{3, 2}, {2, 4}, {2, 1}, {1, 1}})
        F.Grid->GetCellProperties(C, R)->SetControl(E.emplace_back(Child<TEdit>(F.Grid)));
    F.Options({goColSizing});
    F.Grid->SetTopRow(1), F.Grid->SetLeftCol(1);   // places them
    const TRect H = F.Grid->CellRect(2, 0);
    for (const auto& [T, X] : {std::pair{QEvent::MouseButtonPress, 0}, {QEvent::MouseMove, 30}, {QEvent::MouseButtonRelease, 30}})
        LeftMouse(F.Grid->Widget(), T, QPoint(H.Right + X, 5));
    EXPECT_EQ(F.Grid->CellRect(3, 2).Left, E[0]->Left());
    F.Grid->SetRowCount(4);
    EXPECT_FALSE(E[1]->Visible());
    F.Grid->GetCellProperties(2, 1)->SetControl(nullptr);
    delete E[2], delete E[3];
    EXPECT_EQ(nullptr, F.Grid->CellControl(1, 1));
    F.Grid->SetRowCount(200);
    for (int I = 0; I < 3; ++I) SendKey(FocusTarget(), Qt::Key_PageDown);   // the controls are placed again
    EXPECT_FALSE(E[0]->Visible());
}

// --- cancel mode ------------------------------------------------------------------------------
using ExtGridCancelMode = uitest::TGridFormTest<TPanForm>;

TEST_F(ExtGridCancelMode, LosingTheMouseGrabStopsAColumnMoveAndPanning) {
    F.Grid->SetCells(1, 1, "one");
    const QPoint B = F.StartColumnMove();
    ASSERT_EQ(gsColMoving, F.Grid->GridState());
    F.SendToGrid(QEvent::UngrabMouse);
    EXPECT_EQ(gsNormal, F.Grid->GridState());
    F.Mouse(QEvent::MouseButtonRelease, B, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ("one", F.Grid->Cells(1, 1));   // the column stayed

    F.PointerAt(Origin);
    F.MiddlePress(Origin);
    ASSERT_TRUE(F.Grid->Panning());
    F.SendToGrid(QEvent::WindowDeactivate);
    EXPECT_FALSE(F.Grid->Panning());
}

TEST_F(ExtGridCancelMode, WithoutEnhancedMovesTheMoveGoesOn) {
    F.Grid->SetEnhRowColMove(false);
    const QPoint B = F.StartColumnMove();
    ASSERT_EQ(gsColMoving, F.Grid->GridState());
    F.SendToGrid(QEvent::UngrabMouse);
    EXPECT_EQ(gsColMoving, F.Grid->GridState());
    F.Mouse(QEvent::MouseButtonRelease, B, Qt::LeftButton, Qt::NoButton);
}
