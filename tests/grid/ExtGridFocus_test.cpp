#include "grid/ExtGridEditors.h"

#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UiTestKit.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace uitest;

namespace {

// An edit first in the tab order, then an editable grid; the edit holds the focus.
struct TFocusForm {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TEdit* Before = nullptr;
    TExtStringGrid* Grid = nullptr;
    Integer BeforeEntered = 0;
    explicit TFocusForm(bool AlwaysEdit = true) {
        Form->SetBounds(0, 0, 600, 400);
        Before = new TEdit(Form.get());
        Before->SetParent(Form.get());
        Before->SetBounds(0, 0, 100, 24);
        Grid = new TExtStringGrid(Form.get());
        Grid->SetParent(Form.get());
        Grid->SetBounds(0, 30, 500, 300);
        Grid->SetColCount(4);
        Grid->SetRowCount(5);
        TGridOptions O = Grid->Options();
        O.Include(goEditing);
        Grid->SetOptions(O);
        Grid->Navigation()->SetAlwaysEdit(AlwaysEdit);
        Form->Show();
        Form->Widget()->activateWindow();
        Before->SetFocus();
        Settle();
        Before->OnEnter = [this](TObject*) { ++BeforeEntered; };
    }
    void TabIn() {
        SystemKey(Before, Qt::Key_Tab);
        Settle();
    }
    void Key(int K, const QString& Text = QString()) { SendKey(FocusTarget(), K, Text); }
};

}  // namespace

TEST(ExtGridFocus, TabbingIntoTheGridOpensTheEditorOnlyWithAlwaysEdit) {
    for (bool Always : {false, true}) {
        SCOPED_TRACE(Always);
        TFocusForm F(Always);
        F.Grid->SetCells(1, 1, "abc");
        F.TabIn();
        EXPECT_EQ(Always, F.Grid->EditorMode());
        if (Always && F.Grid->InplaceEditor()) EXPECT_EQ(F.Grid->InplaceEditor()->Widget(), FocusTarget());
        else EXPECT_TRUE(F.Grid->Focused());
    }
}

TEST(ExtGridFocus, FocusOpensNoEditorOnCellsThatAreNotPlainText) {
    const std::function<void(TExtStringGrid*)> Setups[] = {
        [](TExtStringGrid* G) { G->SetDefaultEditor(edNumeric); },
        [](TExtStringGrid* G) { G->CreateCellGraphic(1, 1)->SetCellType(ctCheckBox); },
        [](TExtStringGrid* G) { G->SetReadOnly(1, 1, true); },
        [](TExtStringGrid* G) {   // scrolled out of view
            G->SetRowCount(60);
            G->SetTopRow(40);
        },
    };
    for (size_t I = 0; I < std::size(Setups); ++I) {
        SCOPED_TRACE(I);
        TFocusForm F;
        Setups[I](F.Grid);
        F.TabIn();
        EXPECT_FALSE(F.Grid->EditorMode());
        EXPECT_TRUE(F.Grid->Focused());
    }
}

TEST(ExtGridFocus, AComboCellOpensOnFocusOnlyWithoutDirectEdit) {
    for (bool Direct : {false, true}) {
        SCOPED_TRACE(Direct);
        TFocusForm F;
        TExtStringGrid* G = F.Grid;
        G->Combobox()->Items()->Add("bir");
        G->SetDefaultEditor(edComboList);
        G->OnHasComboBox = [](TObject*, Integer, Integer, bool& Has) { Has = true; };
        G->MouseActions()->SetDirectEdit(Direct);
        F.TabIn();
        EXPECT_EQ(Direct ? nullptr : static_cast<TWinControl*>(G->Combobox()), G->ActiveEditorControl());
    }
}

TEST(ExtGridFocus, AClickThatBringsTheFocusEditsNoCellOfItsOwn) {
    TFocusForm F;
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 1, "eski");
    const TRect R = G->CellRect(2, 3);
    SystemClick(G, QPoint(R.Left + 5, R.Top + 5));
    Settle();
    EXPECT_TRUE(G->Focused());
    EXPECT_EQ(2, G->Col());
    EXPECT_EQ(3, G->Row());
    EXPECT_FALSE(G->EditorMode());
    EXPECT_EQ("eski", G->Cells(1, 1));
}

TEST(ExtGridFocus, EnterClosesTheEditorWithoutReopeningOrPassingThroughAnotherControl) {
    TFocusForm F;
    TExtStringGrid* G = F.Grid;
    F.TabIn();
    ASSERT_TRUE(G->EditorMode());
    TypeText(u"x");
    PressEnter();
    EXPECT_FALSE(G->EditorMode());
    EXPECT_TRUE(G->Focused());
    EXPECT_EQ("x", G->Cells(1, 1));
    EXPECT_EQ(0, F.BeforeEntered);
    F.Key(Qt::Key_Escape, QStringLiteral("\x1b"));
    EXPECT_FALSE(G->EditorMode());
}

TEST(ExtGridFocus, ArrowKeysAndTabOpenTheEditorOfTheCellMovedTo) {
    TFocusForm F;
    TExtStringGrid* G = F.Grid;
    TGridOptions O = G->Options();
    O.Include(goTabs);
    G->SetOptions(O);
    G->SetCells(1, 2, "iki");
    F.TabIn();
    F.Key(Qt::Key_Down);
    EXPECT_EQ(2, G->Row());
    ASSERT_TRUE(G->EditorMode());
    EXPECT_EQ("iki", G->InplaceEditor()->Text());
    F.Key(Qt::Key_Escape, QStringLiteral("\x1b"));
    ASSERT_FALSE(G->EditorMode());
    F.Key(Qt::Key_Right);   // from the grid itself
    EXPECT_EQ(2, G->Col());
    EXPECT_TRUE(G->EditorMode());
    PressTab();
    EXPECT_EQ(3, G->Col());
    EXPECT_TRUE(G->EditorMode());
}

TEST(ExtGridFocus, AnArrowOntoACheckBoxOrWithoutEditingOpensNothing) {
    TFocusForm F;
    TExtStringGrid* G = F.Grid;
    G->CreateCellGraphic(1, 2)->SetCellType(ctCheckBox);
    F.TabIn();
    F.Key(Qt::Key_Down);
    EXPECT_EQ(2, G->Row());
    EXPECT_FALSE(G->EditorMode());
    TGridOptions O = G->Options();
    O.Exclude(goEditing);
    G->SetOptions(O);
    F.Key(Qt::Key_Down);
    EXPECT_EQ(3, G->Row());
    EXPECT_FALSE(G->EditorMode());
}

TEST(ExtGridFocus, AGridOfItsFixedRowAloneParksTheSelectionOnFocus) {
    for (bool Alone : {false, true}) {
        SCOPED_TRACE(Alone);
        TFocusForm F(false);
        F.Grid->SetFixedRowAlways(true);
        if (Alone) {
            F.Grid->SetFixedRows(0);
            F.Grid->SetRowCount(1);
        }
        F.TabIn();
        EXPECT_EQ(Alone, F.Grid->SelectionParked());
    }
}

TEST(ExtGridFocus, AMoveByKeyEndsTheIncrementalLookupWord) {
    TFocusForm F(false);
    TExtStringGrid* G = F.Grid;
    TGridOptions O = G->Options();
    O.Exclude(goEditing);
    G->SetOptions(O);
    const char* Names[] = {"Bolu", "Bursa", "Urfa", "Uşak"};
    for (Integer R = 1; R <= 4; ++R) G->SetCells(1, R, Names[R - 1]);
    G->SortSettings()->SetShow(true);
    G->SortSettings()->SetColumn(1);
    G->Navigation()->SetAutoGotoWhenSorted(true);
    G->Navigation()->SetAutoGotoIncremental(true);
    F.TabIn();
    TypeText(u"b");
    EXPECT_EQ(1, G->Row());
    F.Key(Qt::Key_Down);
    TypeText(u"u");   // a new word, not "bu"
    EXPECT_EQ(3, G->Row());
}

TEST(ExtGridFocus, EscapeAfterTabbingInAndTypingKeepsTheCellsText) {
    for (bool Always : {false, true}) {
        SCOPED_TRACE(Always);
        TFocusForm F(Always);
        F.Grid->SetCells(1, 1, "abc");
        F.TabIn();
        F.Key(Qt::Key_X, QStringLiteral("x"));
        ASSERT_TRUE(F.Grid->EditorMode());
        F.Key(Qt::Key_Escape);
        EXPECT_EQ("abc", F.Grid->Cells(1, 1));
    }
}
