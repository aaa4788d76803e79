// The grid's text editor over cells that have an edit mask.
#include "grid/ExtGrid.h"

#include "platform/ui/Clipbrd.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UiTestKit.h"

#include <gtest/gtest.h>

#include <memory>

using namespace uitest;

namespace {

const char* const DateMask = "00.00.0000;1;_";

// Column 1 takes dates through a mask, column 2 free text.
struct TMaskForm : TGridOnForm<TExtStringGrid> {
    TScriptedPrompter Prompts;
    TPrompterGuard Guard{&Prompts};
    TMaskForm() : TGridOnForm(4, 5) {
        Options({goEditing});
        Grid->OnGetEditMask = [](TObject*, Integer ACol, Integer, AnsiString& Value) {
            if (ACol == 1) Value = DateMask;
        };
        ShowFocused();
    }
    TInplaceEdit* Editor() const { return Grid->InplaceEditor(); }
};

}  // namespace

using ExtGridInplace = uitest::TGridFormTest<TMaskForm>;

TEST_F(ExtGridInplace, TypingIntoAMaskedCellSkipsLiteralsAndRefusesMisfits) {
    TypeText(u"1x2a05");   // the first key opens the editor through the mask too
    ASSERT_TRUE(F.Grid->EditorMode());
    EXPECT_EQ(F.Editor()->EditText(), "12.05.____");
    EXPECT_EQ(F.Editor()->SelStart(), 6);
    TypeText(u"2020");
    PressEnter();
    EXPECT_FALSE(F.Grid->EditorMode());
    EXPECT_EQ(F.Grid->Cells(1, 1), "12.05.2020");
    EXPECT_TRUE(F.Prompts.Messages().empty());
}

TEST_F(ExtGridInplace, AStartKeyThatDoesNotFitOpensABlankPicture) {
    F.Grid->SetCells(1, 1, "01.01.2000");
    TypeText(u"q");
    ASSERT_TRUE(F.Grid->EditorMode());
    EXPECT_EQ(F.Editor()->EditText(), "__.__.____");
    EXPECT_EQ(F.Editor()->SelStart(), 0);
}

TEST_F(ExtGridInplace, OpeningAndLeavingAnEmptyMaskedCellStoresNoLiterals) {
    F.Key(Qt::Key_F2);
    ASSERT_TRUE(F.Grid->EditorMode());
    EXPECT_EQ(F.Editor()->EditText(), "__.__.____");
    PressEnter();
    EXPECT_EQ(F.Grid->Cells(1, 1), "");
    EXPECT_TRUE(F.Prompts.Messages().empty());
}

TEST_F(ExtGridInplace, AnUnfinishedMaskKeepsTheUserOnTheCell) {
    TypeText(u"311220");
    PressEnter();
    ASSERT_EQ(F.Prompts.Messages().size(), 1u);
    EXPECT_EQ(F.Prompts.LastMessage(), AnsiString(SMaskEditErr) + ".");
    EXPECT_TRUE(F.Grid->EditorMode());
    EXPECT_EQ(F.Editor()->EditText(), "31.12.20__");
    EXPECT_EQ(F.Editor()->SelStart(), 8);   // on the first blank required place
    // Neither an arrow nor Tab leaves it.
    F.Key(Qt::Key_Down);
    EXPECT_EQ(F.Grid->Row(), 1);
    EXPECT_EQ(F.Prompts.Messages().size(), 2u);
    F.Options({goTabs});
    PressTab();
    EXPECT_EQ(F.Grid->Col(), 1);
    EXPECT_EQ(F.Prompts.Messages().size(), 3u);   // one report per refused key
    EXPECT_EQ(F.Editor()->SelStart(), 8);
    // Finishing it lets the edit end.
    TypeText(u"26");
    PressEnter();
    EXPECT_FALSE(F.Grid->EditorMode());
    EXPECT_EQ(F.Grid->Cells(1, 1), "31.12.2026");
    EXPECT_EQ(F.Prompts.Messages().size(), 3u);
}

TEST_F(ExtGridInplace, EscapeAbandonsAnUnfinishedMask) {
    F.Grid->SetCells(1, 1, "01.02.2003");
    F.Key(Qt::Key_F2);
    F.Editor()->SelectAll();
    TypeText(u"4");
    PressEscape();
    EXPECT_FALSE(F.Grid->EditorMode());
    EXPECT_EQ(F.Grid->Cells(1, 1), "01.02.2003");
    EXPECT_TRUE(F.Prompts.Messages().empty());
}

TEST_F(ExtGridInplace, ClickingAnotherCellWithAnUnfinishedMaskIsRefused) {
    TypeText(u"0102");
    const TRect R = F.Grid->CellRect(2, 3);
    Click(F.Grid, QPoint(R.Left + 5, R.Top + 5));
    Settle();
    EXPECT_EQ(F.Grid->Col(), 1);
    EXPECT_EQ(F.Grid->Row(), 1);
    EXPECT_EQ(F.Prompts.Messages().size(), 1u);
}

TEST_F(ExtGridInplace, AdvanceAutoMovesOnOnceTheMaskIsFull) {
    F.Grid->Navigation()->SetAdvanceAuto(true);
    TypeText(u"0102200");
    EXPECT_EQ(F.Grid->Col(), 1);   // one place still blank
    TypeText(u"3");
    EXPECT_EQ(F.Grid->Cells(1, 1), "01.02.2003");
    EXPECT_EQ(F.Grid->Col(), 2);
    EXPECT_EQ(F.Grid->Row(), 1);
    // A free-text cell never advances by itself.
    TypeText(u"abcdefghijkl");
    EXPECT_EQ(F.Grid->Col(), 2);
}

TEST_F(ExtGridInplace, AFullMaskStaysWithoutAdvanceAuto) {
    TypeText(u"01022003");
    EXPECT_TRUE(F.Grid->EditorMode());
    EXPECT_EQ(F.Grid->Col(), 1);
}

TEST_F(ExtGridInplace, ImproveMaskSelSelectsTheFirstPlaceOnOpening) {
    F.Grid->SetCells(1, 1, "01.02.2003");
    F.Grid->SetCells(2, 1, "free");
    F.Grid->Navigation()->SetImproveMaskSel(true);
    F.Key(Qt::Key_F2);
    EXPECT_EQ(F.Editor()->SelStart(), 0);
    EXPECT_EQ(F.Editor()->SelLength(), 1);
    TypeText(u"2");   // typed over the first place only
    EXPECT_EQ(F.Editor()->EditText(), "21.02.2003");
    PressEnter();
    // Without a mask the option changes nothing: the whole text is selected.
    F.Grid->SetCol(2);
    F.Key(Qt::Key_F2);
    EXPECT_EQ(F.Editor()->SelStart(), 0);
    EXPECT_EQ(F.Editor()->SelLength(), 4);
}

TEST_F(ExtGridInplace, PastingIntoAMaskedCellGoesThroughTheMask) {
    F.Grid->Navigation()->SetAllowClipboardShortCuts(true);
    F.Key(Qt::Key_F2);
    F.Editor()->SetSelStart(0);
    Clipboard()->SetAsText("31.1x.2021");
    SendKey(FocusTarget(), Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier);
    EXPECT_EQ(F.Editor()->EditText(), "__.__.____");
    Clipboard()->SetAsText("31122021");
    SendKey(FocusTarget(), Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier);
    EXPECT_EQ(F.Editor()->EditText(), "31.12.2021");
    EXPECT_EQ(F.Grid->Cells(1, 1), "31.12.2021");
    Clipboard()->Clear();
}

TEST_F(ExtGridInplace, AStoredValueThatMissesPlacesPassesWhenLeftUntouched) {
    F.Grid->SetCells(1, 1, "01.02");
    F.Key(Qt::Key_F2);
    EXPECT_EQ(F.Editor()->EditText(), "01.02.____");
    PressEnter();
    EXPECT_FALSE(F.Grid->EditorMode());
    EXPECT_EQ(F.Grid->Cells(1, 1), "01.02");
    EXPECT_TRUE(F.Prompts.Messages().empty());
}

TEST_F(ExtGridInplace, FocusLeavingForAnotherControlWithAnUnfinishedMaskKeepsTheOldValue) {
    auto* Other = Place<TEdit>(F.Form.get(), 10, 320, 100, 22);
    F.Grid->SetCells(1, 1, "01.02.2003");
    F.Key(Qt::Key_F2);
    F.Editor()->SelectAll();
    TypeText(u"09");
    Other->SetFocus();
    Settle();
    EXPECT_EQ(F.Prompts.Messages().size(), 1u);
    EXPECT_FALSE(F.Grid->EditorMode());
    EXPECT_EQ(F.Grid->Cells(1, 1), "01.02.2003");
    EXPECT_EQ(Other->Widget(), FocusTarget());
}

TEST_F(ExtGridInplace, CuttingFromAMaskedCellLeavesBlanksInThePicture) {
    F.Grid->Navigation()->SetAllowClipboardShortCuts(true);
    F.Grid->SetCells(1, 1, "01.02.2003");
    F.Key(Qt::Key_F2);
    F.Editor()->SetSelStart(3);
    F.Editor()->SetSelLength(3);
    SendKey(FocusTarget(), Qt::Key_X, QStringLiteral("\x18"), Qt::ControlModifier);
    EXPECT_EQ(Clipboard()->AsText(), "02.");
    EXPECT_EQ(F.Editor()->EditText(), "01.__.2003");
    Clipboard()->Clear();
}
