#include "grid/ExtGridEditors.h"

#include "GridTestKit.h"

#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UiTestKit.h"
#include "platform/ui/WinApi.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

using namespace uitest;

namespace {

// An edit first in the tab order, then an editable grid; the edit holds the focus.
struct TFocusForm : gridtest::TEditingGrid {
    Integer BeforeEntered = 0;
    explicit TFocusForm(bool AlwaysEdit = true) : TEditingGrid(4, 5) {
        Grid->Navigation()->SetAlwaysEdit(AlwaysEdit);
        AddEditBefore();
        Before->OnEnter = [this](TObject*) { ++BeforeEntered; };
    }
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
    PressEscape();
    EXPECT_FALSE(G->EditorMode());
}

TEST(ExtGridFocus, ArrowKeysAndTabOpenTheEditorOfTheCellMovedTo) {
    TFocusForm F;
    TExtStringGrid* G = F.Grid;
    F.Options({goTabs});
    G->SetCells(1, 2, "iki");
    F.TabIn();
    F.Key(Qt::Key_Down);
    EXPECT_EQ(2, G->Row());
    ASSERT_TRUE(G->EditorMode());
    EXPECT_EQ("iki", G->InplaceEditor()->Text());
    PressEscape();
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
    G->SetWideCell(1, 4, u"U\u015Fak");   // a Unicode cell is looked up by its text
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
    TypeText(u"\u015F");
    EXPECT_EQ(4, G->Row());
}

TEST(ExtGridFocus, EscapeAfterTabbingInAndTypingKeepsTheCellsText) {
    for (bool Always : {false, true}) {
        SCOPED_TRACE(Always);
        TFocusForm F(Always);
        F.Grid->SetCells(1, 1, "abc");
        F.TabIn();
        F.Key(Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        ASSERT_TRUE(F.Grid->EditorMode());
        F.Key(Qt::Key_Escape);
        EXPECT_EQ("abc", F.Grid->Cells(1, 1));
    }
}

// --- entering the grid ----------------------------------------------------------------------
namespace {

// Column 1 edits with a spin; the validations are counted, and a value of Refused is refused.
struct TEntryForm : TFocusForm {
    Integer Validations = 0;
    AnsiString Refused = "-";
    std::vector<std::pair<Integer, Integer>> Selected;   // cells asked through OnSelectCell
    explicit TEntryForm(TEditorType E = edSpinEdit) : TFocusForm(false) {
        EditorInColumn1(E);
        Grid->SetCells(1, 1, "3");
        Grid->OnCellValidate = [this](TObject*, Integer, Integer, AnsiString& V, bool& Valid) {
            ++Validations;
            Valid = V != Refused;
        };
        Grid->OnSelectCell = [this](TObject*, Integer ACol, Integer ARow, bool&) { Selected.push_back({ACol, ARow}); };
    }
    // Types into the cell's editor and leaves the grid by Tab for the edit.
    void ChangeAndTabOut(const std::u16string& Text) {
        TabIn();
        TypeText(Text);
        ASSERT_EQ(Grid->SpinEdit(), Grid->ActiveEditorControl());
        SystemKey(Grid, Qt::Key_Tab);
        Settle();
        ASSERT_TRUE(Before->Focused());
    }
};

}  // namespace

TEST(ExtGridFocus, AValueLeftInTheCellIsValidatedOnceWhenTheGridIsEnteredAgain) {
    TEntryForm F;
    F.ChangeAndTabOut(u"7");
    EXPECT_EQ(0, F.Validations);
    EXPECT_EQ("7", F.Grid->Cells(1, 1));
    F.TabIn();
    EXPECT_EQ(1, F.Validations);
    EXPECT_EQ("7", F.Grid->Cells(1, 1));
    EXPECT_TRUE(F.Grid->Focused());
    SystemKey(F.Grid, Qt::Key_Tab);   // out and in again: nothing is pending any more
    F.TabIn();
    EXPECT_EQ(1, F.Validations);
}

TEST(ExtGridFocus, ARefusedValueFoundOnEntryKeepsTheUserOnTheCellWithItsEditorOpen) {
    TEntryForm F;
    F.Refused = "7";
    F.ChangeAndTabOut(u"7");
    F.TabIn();
    EXPECT_EQ(1, F.Validations);
    EXPECT_EQ("3", F.Grid->Cells(1, 1));
    EXPECT_EQ(1, F.Grid->Col());
    EXPECT_EQ(1, F.Grid->Row());
    ASSERT_EQ(F.Grid->SpinEdit(), F.Grid->ActiveEditorControl());
    EXPECT_TRUE(FocusOn(F.Grid->SpinEdit(), true));
    EXPECT_EQ("3", F.Grid->SpinEdit()->Text());
}

TEST(ExtGridFocus, ComingBackFromTheGridsOwnEditorEntersNothing) {
    for (TEditorType E : {edNormal, edSpinEdit}) {
        SCOPED_TRACE(E);
        TEntryForm F(E);
        F.TabIn();
        ASSERT_EQ(1u, F.Selected.size());   // the entry asks for the current cell once
        TypeText(u"7");
        ASSERT_TRUE(F.Grid->EditorMode() || F.Grid->ActiveEditorControl());
        PressEscape();
        EXPECT_TRUE(F.Grid->Focused());
        EXPECT_FALSE(F.Grid->EditorMode());
        EXPECT_EQ(nullptr, F.Grid->ActiveEditorControl());
        EXPECT_EQ(1u, F.Selected.size());
        EXPECT_EQ(0, F.Validations);
        EXPECT_EQ("3", F.Grid->Cells(1, 1));
    }
}

TEST(ExtGridFocus, ARefusingOnSelectCellOnEntryNeitherLoopsNorLosesTheFocus) {
    TEntryForm F;
    Integer Asked = 0;
    F.Grid->OnSelectCell = [&](TObject*, Integer, Integer, bool& CanSelect) {
        ++Asked;
        CanSelect = false;
        // As a message box would: the focus goes away and comes back.
        F.Before->SetFocus();
        F.Grid->SetFocus();
    };
    F.TabIn();
    EXPECT_EQ(1, Asked);
    EXPECT_TRUE(F.Grid->Focused());
    EXPECT_EQ(1, F.Grid->Col());
    EXPECT_EQ(1, F.Grid->Row());
    F.Key(Qt::Key_5, Qt::NoModifier, QStringLiteral("5"));   // the cell is still edited as usual
    EXPECT_EQ(F.Grid->SpinEdit(), F.Grid->ActiveEditorControl());
}

TEST(ExtGridFocus, AClickThatBringsTheFocusBackLetsThePressDecide) {
    TEntryForm F;
    F.ChangeAndTabOut(u"7");
    const TRect R = F.Grid->CellRect(2, 3);
    SystemClick(F.Grid, QPoint(R.Left + 5, R.Top + 5));
    Settle();
    EXPECT_EQ((std::vector<std::pair<Integer, Integer>>{{1, 1}, {2, 3}}), F.Selected);   // the first from TabIn
    EXPECT_EQ(1, F.Validations);
    EXPECT_EQ(2, F.Grid->Col());
    EXPECT_EQ(3, F.Grid->Row());
}
