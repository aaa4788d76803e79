#include "grid/ExtGrid.h"

#include "platform/ui/UiTestKit.h"

#include <QCursor>
#include <QImage>

#include <gtest/gtest.h>

using namespace uitest;

namespace {

struct TWheelForm : TGridOnForm<TExtStringGrid> {
    TWheelForm() : TGridOnForm(Keep, 40, 400, 200, 500, 300) {
        Form->Show();
        Settle();
    }
    void Turn(bool Backward, Qt::KeyboardModifiers Mods = Qt::NoModifier) { TurnWheel(Grid->Widget(), Backward, Mods); }
};

}  // namespace

TEST(ExtGridWindow, WheelMovesTheCurrentRowByTheIncrement) {
    TWheelForm F;
    TExtStringGrid* G = F.Grid;
    G->SetRow(5);
    F.Turn(true);
    EXPECT_EQ(8, G->Row());   // the system's three lines
    G->MouseActions()->SetWheelIncrement(1);
    F.Turn(false);
    EXPECT_EQ(7, G->Row());
    G->MouseActions()->SetWheelIncrement(10);
    F.Turn(false);
    EXPECT_EQ(1, G->Row());   // kept on the first data row
    G->MouseActions()->SetWheelIncrement(0), G->MergeCells(1, 3, 1, 4), G->SetCol(1), G->SetRow(3), F.Turn(true);
    EXPECT_EQ(9, G->Row());   // past the merge 3 .. 6 as by three Down keys: 7, 8, 9
}

TEST(ExtGridWindow, WheelStopsAboveTheFooterRows) {
    TWheelForm F;
    TExtStringGrid* G = F.Grid;
    G->SetFixedFooters(2);
    G->SetRow(36);
    F.Turn(true);
    EXPECT_EQ(37, G->Row());
    Integer Changes = 0;
    G->OnSelectionChanged = [&](TObject*, Integer, Integer, Integer, Integer) { ++Changes; };
    F.Turn(true);
    EXPECT_EQ(37, G->Row());
    EXPECT_EQ(0, Changes);
    F.Turn(false);
    EXPECT_EQ(34, G->Row());
    EXPECT_EQ(1, Changes);
}

TEST(ExtGridWindow, WheelScrollModeMovesTheViewNotTheRow) {
    TWheelForm F;
    TExtStringGrid* G = F.Grid;
    G->MouseActions()->SetWheelAction(waScroll);
    G->SetRow(2);
    F.Turn(true);
    EXPECT_EQ(2, G->Row());
    EXPECT_EQ(4, G->TopRow());
    F.Turn(false);
    EXPECT_EQ(1, G->TopRow());
    F.Turn(false);   // less than a step left: stays
    EXPECT_EQ(1, G->TopRow());
}

TEST(ExtGridWindow, CtrlWheelZoomsAndDisabledWheelFallsBack) {
    TWheelForm F;
    TExtStringGrid* G = F.Grid;
    G->SetRow(5);
    G->SetColWidths(2, 0);   // a column or row hidden by size 0 stays hidden
    G->SetRowHeights(3, 0);
    F.Turn(true, Qt::ControlModifier);
    EXPECT_EQ(3, G->ZoomLevel());
    EXPECT_EQ(5, G->Row());
    F.Turn(false, Qt::ControlModifier);
    EXPECT_EQ(0, G->ZoomLevel());
    EXPECT_TRUE(G->ColWidths(2) == 0 && G->RowHeights(3) == 0);
    G->SetIntelliZoom(false);
    G->SetEnableWheel(false);
    F.Turn(true, Qt::ControlModifier);
    EXPECT_EQ(0, G->ZoomLevel());
    EXPECT_EQ(6, G->Row());   // the base grid's one row
    G->MergeCells(1, 6, 1, 3), G->SetCol(1), F.Turn(true);
    EXPECT_EQ(9, G->Row());   // past the merge, as the Down key
}

TEST(ExtGridWindow, WheelLeavesAnOpenUpdateBracketOpen) {
    TWheelForm F;
    TExtStringGrid* G = F.Grid;
    G->SetRow(5);
    G->BeginUpdate();
    F.Turn(true);
    EXPECT_EQ(8, G->Row());
    EXPECT_EQ(1, G->UpdateCount());
    G->EndUpdate();
    EXPECT_EQ(0, G->UpdateCount());
}

TEST(ExtGridWindow, OnlyAShownGridHoldsItsPaintingAndResetUpdateLetsItGo) {
    TGridOnForm<TExtStringGrid> Hidden(3, 3);
    TWheelForm F;
    for (TExtStringGrid* G : {Hidden.Grid, F.Grid, F.Grid}) G->BeginUpdateRedrawOff();
    EXPECT_TRUE(Hidden.Grid->UpdateCount() == 0 && F.Grid->UpdateCount() == 2);
    F.Grid->ResetUpdate();
    EXPECT_EQ(0, F.Grid->UpdateCount());
}

TEST(ExtGridWindow, SynchWithGridKeepsTheColumnsShareOfAResizedGrid) {
    TWheelForm F;
    F.Grid->SetColWidths(1, 101);
    F.Grid->ColumnSize()->SetSynchWithGrid(true);
    F.Grid->SetWidth(200);
    EXPECT_TRUE(F.Grid->ColWidths(0) == 32 && F.Grid->ColWidths(1) == 51);   // 50.5 rounded
}

TEST(ExtGridWindow, EditorGlueScrollsIntoViewAndStoresTheText) {
    TWheelForm F;
    TExtStringGrid* G = F.Grid;
    G->SetOptions(G->Options() + TGridOptions{goEditing});
    G->SetRow(30);
    G->SetTopRow(2);
    G->SetCol(1);
    G->ShowEditorInView();
    EXPECT_LE(G->TopRow(), 30);
    ASSERT_TRUE(G->EditorMode());
    G->InplaceEditor()->SetText("yeni");
    G->HideInplaceEditor();
    EXPECT_FALSE(G->EditorMode());
    EXPECT_EQ("yeni", G->Cells(1, 30));
    // A check-box cell opens no editor.
    G->CreateCellGraphic(2, 30)->SetCellType(ctCheckBox);
    G->SetCol(2);
    G->ShowEditorInView();
    EXPECT_FALSE(G->EditorMode());
}

TEST(ExtGridWindow, StrippedCellsDropTags) {
    TWheelForm F;
    F.Grid->SetCells(1, 1, "<B>kal</B>ın");
    EXPECT_EQ("kalın", F.Grid->StrippedCells(1, 1));
}

namespace {

// A grid on the manual clock: its half-second timer ticks when the test says so.
struct TTimedForm : TManualClock, TGridOnForm<TExtStringGrid> {
    TTimedForm() : TGridOnForm(Keep, 6, 400, 200, 500, 300) { ShowFocused(); }
};

}  // namespace

TEST(ExtGridWindow, TheIncrementalLookupForgetsItsTextAfterTwoQuietSeconds) {
    TTimedForm F;
    TExtStringGrid* G = F.Grid;
    const char* Cities[] = {"Adana", "Ankara", "Antalya", "Bursa", "Nazilli"};
    for (Integer R = 1; R <= 5; ++R) G->SetCells(1, R, Cities[R - 1]);
    G->SortSettings()->SetShow(true);
    G->SortSettings()->SetColumn(1);
    G->Navigation()->SetAutoGotoWhenSorted(true);
    G->Navigation()->SetAutoGotoIncremental(true);
    TypeText(u"an");
    EXPECT_EQ(2, G->Row());
    F.Clock.Advance(1500);   // three ticks: still remembered
    TypeText(u"t");
    EXPECT_EQ(3, G->Row());
    F.Clock.Advance(2000);   // four quiet ticks: forgotten, "n" starts afresh
    TypeText(u"n");
    EXPECT_EQ(5, G->Row());
}

TEST(ExtGridWindow, BlinkingTextTogglesEachTickOnlyWithEnableBlink) {
    TTimedForm F;
    TExtStringGrid* G = F.Grid;
    G->SetColWidths(1, 120);
    G->SetCells(1, 1, "<BLINK>WWWW</BLINK>");
    G->SetCol(2);
    auto Shot = [&] { return CellShot(G, 1, 1); };
    const QImage Shown = Shot();
    F.Clock.Advance(500);
    EXPECT_EQ(Shown, Shot());
    G->SetEnableBlink(true);
    EXPECT_EQ(Shown, Shot());
    F.Clock.Advance(500);
    EXPECT_FALSE(G->BlinkVisible());
    const QImage Hidden = Shot();
    EXPECT_NE(Shown, Hidden);
    F.Clock.Advance(500);
    EXPECT_EQ(Shown, Shot());
    // Switched off in the hidden phase, the text shows again.
    F.Clock.Advance(500);
    G->SetEnableBlink(false);
    EXPECT_EQ(Shown, Shot());
}

TEST(ExtGridWindow, HoveringMakesTheDataCellUnderTheMouseCurrent) {
    TTimedForm F;
    TExtStringGrid* G = F.Grid;
    const TRect R = G->CellRect(2, 3);
    QCursor::setPos(G->Widget()->mapToGlobal(QPoint(R.Left + 5, R.Top + 5)));
    F.Clock.Advance(500);
    EXPECT_EQ(1, G->Row());   // off by default
    G->SetHovering(true);
    F.Clock.Advance(500);
    EXPECT_EQ(2, G->Col());
    EXPECT_EQ(3, G->Row());
    // A fixed cell under the mouse changes nothing.
    const TRect H = G->CellRect(0, 0);
    QCursor::setPos(G->Widget()->mapToGlobal(QPoint(H.Left + 2, H.Top + 2)));
    F.Clock.Advance(500);
    EXPECT_EQ(3, G->Row());
}
