#include "grid/ExtGridEditors.h"

#include "platform/ui/UiTestKit.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace uitest;

namespace {

// Column 1 masked as a date, column 2 a free text, column 3 an editable combo.
struct TCaretForm : TGridOnForm<TExtStringGrid> {
    Integer Plain = 0, Cells = 0;
    TGridCoord Reported{-1, -1};
    TCaretForm() : TGridOnForm(4, 5) {
        Options({goEditing});
        Grid->SetDefaultColWidth(120);
        Grid->OnGetEditMask = [](TObject*, Integer ACol, Integer, AnsiString& Value) {
            if (ACol == 1) Value = "00.00.0000;1;_";
        };
        Grid->OnGetEditorType = [](TObject*, Integer ACol, Integer, TEditorType& E) {
            if (ACol == 3) E = edComboEdit;
        };
        Grid->OnDblClick = [this](TObject*) { ++Plain; };
        Grid->OnDblClickCell = [this](TObject*, Integer ARow, Integer ACol) {
            ++Cells;
            Reported = TGridCoord{ACol, ARow};
        };
        ShowFocused();
    }
    // A point of the cell, after the width of Before in the grid's font.
    QPoint After(Integer ACol, Integer ARow, const AnsiString& Before) {
        TBitmap B;
        B.SetSize(1, 1);
        B.Canvas()->Font()->Assign(Grid->Font());
        const TRect R = Grid->CellRect(ACol, ARow);
        return QPoint(R.Left + 3 + B.Canvas()->TextWidth(Before), (R.Top + R.Bottom) / 2);
    }
    void SystemDoubleClick(QPoint P) {
        QWidget* W = Grid->Widget();
        QWidget* Top = W->window();
        QTest::mouseDClick(Top->windowHandle(), Qt::LeftButton, Qt::NoModifier, W->mapTo(Top, P));
        Settle();
    }
    TInplaceEdit* Editor() const { return Grid->InplaceEditor(); }
};

}  // namespace

TEST(ExtGridCaret, AClickPutsTheCaretOfAMaskedCellAtTheMouseOverImproveMaskSel) {
    for (bool Positioning : {false, true}) {
        SCOPED_TRACE(Positioning);
        TCaretForm F;
        F.Grid->SetCells(1, 1, "01.02.2003");
        F.Grid->Navigation()->SetImproveMaskSel(true);
        F.Grid->MouseActions()->SetCaretPositioning(Positioning);
        SystemClick(F.Grid, F.After(1, 1, "01.0"));
        Settle();
        ASSERT_TRUE(F.Grid->EditorMode());
        // The mouse wins; without it the first place is selected for typing over.
        EXPECT_EQ(Positioning ? 4 : 0, F.Editor()->SelStart());
        EXPECT_EQ(Positioning ? 0 : 1, F.Editor()->SelLength());
    }
}

TEST(ExtGridCaret, ADoubleClickThatOpensTheEditorSelectsNoWordAndReachesTheGrid) {
    for (bool Positioning : {false, true}) {
        SCOPED_TRACE(Positioning);
        TCaretForm F;
        F.Grid->SetCells(2, 1, "hello world");
        F.Grid->SetCol(2);
        F.Grid->MouseActions()->SetCaretPositioning(Positioning);
        F.SystemDoubleClick(F.After(2, 1, "hello wo"));
        ASSERT_TRUE(F.Grid->EditorMode());
        EXPECT_EQ(Positioning ? 8 : 0, F.Editor()->SelStart());
        EXPECT_EQ(Positioning ? 0 : 11, F.Editor()->SelLength());   // else all, as EditSelectAll opens it
        EXPECT_EQ(1, F.Plain);
        EXPECT_EQ(1, F.Cells);
        EXPECT_EQ((TGridCoord{2, 1}), F.Reported);
    }
}

TEST(ExtGridCaret, ADoubleClickHandlerThatRewritesTheCellIsNotUndoneByTheEditor) {
    TCaretForm F;
    F.Grid->SetCells(2, 1, "eski");
    F.Grid->SetCol(2);
    F.Grid->OnDblClick = [&](TObject*) { F.Grid->SetCells(2, 1, "yeni"); };
    F.SystemDoubleClick(F.After(2, 1, "es"));
    ASSERT_TRUE(F.Grid->EditorMode());
    EXPECT_EQ("yeni", F.Editor()->Text());
    PressEscape();
    EXPECT_EQ("yeni", F.Grid->Cells(2, 1));
    F.SystemDoubleClick(F.After(2, 1, "ye"));
    PressEnter();
    EXPECT_EQ("yeni", F.Grid->Cells(2, 1));
}

TEST(ExtGridCaret, ADoubleClickInAnEditorAlreadyOpenSelectsAWordAndReachesTheGrid) {
    TCaretForm F;
    F.Grid->SetCells(2, 3, "hello world");
    F.Grid->SetCol(2);
    F.Grid->SetRow(3);
    F.Key(Qt::Key_F2);
    ASSERT_TRUE(F.Grid->EditorMode());
    F.SystemDoubleClick(F.After(2, 3, "hello wo"));
    EXPECT_EQ("world", F.Editor()->SelText());
    EXPECT_EQ(1, F.Plain);
    EXPECT_EQ((TGridCoord{2, 3}), F.Reported);
    // Any later double click is the edit's as well.
    F.SystemDoubleClick(F.After(2, 3, "he"));
    EXPECT_EQ("hello", F.Editor()->SelText());
    EXPECT_EQ(2, F.Cells);
}

TEST(ExtGridCaret, AClickOpeningAComboPutsItsCaretAtTheMouse) {
    // Where the caret stands when the combo opens by key.
    Integer KeyStart = -1, KeyLength = -1;
    {
        TCaretForm F;
        F.Grid->SetCells(3, 1, "abcdef");
        F.Grid->SetCol(3);
        F.Key(Qt::Key_F2);
        auto* C = dynamic_cast<TComboBox*>(F.Grid->ActiveEditorControl());
        ASSERT_NE(nullptr, C);
        KeyStart = C->SelStart();
        KeyLength = C->SelLength();
    }
    for (bool Positioning : {false, true}) {
        SCOPED_TRACE(Positioning);
        TCaretForm F;
        F.Grid->SetCells(3, 1, "abcdef");
        F.Grid->SetCol(3);
        F.Grid->MouseActions()->SetCaretPositioning(Positioning);
        SystemClick(F.Grid, F.After(3, 1, "abc"));
        Settle();
        auto* C = dynamic_cast<TComboBox*>(F.Grid->ActiveEditorControl());
        ASSERT_NE(nullptr, C);
        if (Positioning) {
            EXPECT_LE(std::abs(C->SelStart() - 3), 1);   // the combo's own margin may shift it by one
            EXPECT_EQ(0, C->SelLength());
        } else {
            EXPECT_EQ(KeyStart, C->SelStart());   // the mouse changes nothing
            EXPECT_EQ(KeyLength, C->SelLength());
        }
    }
}
