#include "grid/ExtGrid.h"

#include "grid/GridTestKit.h"

#include <gtest/gtest.h>

using namespace gridtest;
using namespace uitest;

namespace {

struct TLinesForm : TEditingGrid {
    TLinesForm() : TEditingGrid(4, 5) {}
    Integer CaretLine() const { return Grid->InplaceEditor()->LineFromChar(Grid->InplaceEditor()->SelStart()); }
};

}  // namespace

TEST(ExtGridMultiLine, CellsOfSeveralLinesGetTheMultiLineEditorOthersThePlainOne) {
    TLinesForm F;
    TExtStringGrid* G = F.Grid;
    G->SetWordWrap(false);
    G->SetCells(1, 1, "one");
    G->SetCells(1, 2, "a\r\nb");
    G->SetCells(2, 2, "x\r\ny");
    F.Edit(1, 1);
    ASSERT_TRUE(G->EditorMode());
    EXPECT_FALSE(G->InplaceEditor()->MultiLine());
    PressEnter();
    F.Edit(1, 2);
    ASSERT_TRUE(G->EditorMode());
    EXPECT_TRUE(G->InplaceEditor()->MultiLine());
    EXPECT_EQ("a\r\nb", G->InplaceEditor()->Text());
    PressEnter();
    EXPECT_EQ("a\r\nb", G->Cells(1, 2));
    // A password cell and a grid without Ctrl+Enter keep one line.
    G->OnGetEditorType = [](TObject*, Integer ACol, Integer, TEditorType& E) {
        if (ACol == 2) E = edPassword;
    };
    F.Edit(2, 2);
    ASSERT_TRUE(G->EditorMode());
    EXPECT_FALSE(G->InplaceEditor()->MultiLine());
    PressEscape();
    G->OnGetEditorType = nullptr;
    G->Navigation()->SetAllowCtrlEnter(false);
    F.Edit(1, 2);
    ASSERT_TRUE(G->EditorMode());
    EXPECT_FALSE(G->InplaceEditor()->MultiLine());
    PressEscape();
    // A word-wrapping grid edits every cell on several lines.
    G->Navigation()->SetAllowCtrlEnter(true);
    G->SetWordWrap(true);
    F.Edit(1, 1);
    ASSERT_TRUE(G->EditorMode());
    EXPECT_TRUE(G->InplaceEditor()->MultiLine());
}

TEST(ExtGridMultiLine, UpAndDownMoveInsideTheTextAndLeaveOnlyFromItsFirstAndLastLine) {
    TLinesForm F;
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 2, "top\r\nmid\r\nend");
    G->Navigation()->SetEditSelectAll(false);
    F.Edit(1, 2);
    ASSERT_TRUE(G->EditorMode());
    EXPECT_EQ(2, F.CaretLine());
    F.Key(Qt::Key_Up);
    EXPECT_TRUE(G->EditorMode());
    EXPECT_EQ(2, G->Row());
    EXPECT_EQ(1, F.CaretLine());
    F.Key(Qt::Key_Up);
    EXPECT_EQ(0, F.CaretLine());
    EXPECT_EQ(2, G->Row());
    // From the first line Up commits and leaves the cell.
    TypeText(u"X");
    F.Key(Qt::Key_Up);
    EXPECT_EQ(1, G->Row());
    EXPECT_EQ("topX\r\nmid\r\nend", G->Cells(1, 2));
    // Down from a line above the last stays; from the last it leaves.
    F.Edit(1, 2);
    ASSERT_TRUE(G->EditorMode());
    G->InplaceEditor()->SetSelStart(0);
    F.Key(Qt::Key_Down);
    EXPECT_EQ(2, G->Row());
    EXPECT_EQ(1, F.CaretLine());
    F.Key(Qt::Key_Down);
    F.Key(Qt::Key_Down);
    EXPECT_EQ(3, G->Row());
}

TEST(ExtGridMultiLine, RefusedValueOnTheLastLineKeepsTheEditorOnTheCell) {
    TLinesForm F;
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 1, "a\r\nb");
    G->OnCellValidate = [](TObject*, Integer, Integer, AnsiString& Value, bool& Valid) {
        Valid = Value.find('!') == AnsiString::npos;
    };
    F.Edit(1, 1);
    TypeText(u"!");
    F.Key(Qt::Key_Down);
    EXPECT_EQ(1, G->Row());
    EXPECT_EQ("a\r\nb", G->Cells(1, 1));
}

TEST(ExtGridMultiLine, CtrlAndShiftEnterBreakTheLineEnterStores) {
    TLinesForm F;
    TExtStringGrid* G = F.Grid;
    G->SetMultilinecells(true);
    TypeText(u"ab");
    ASSERT_TRUE(G->EditorMode());
    ASSERT_TRUE(G->InplaceEditor()->MultiLine());
    F.Key(Qt::Key_Return, Qt::ControlModifier, QStringLiteral("\r"));
    TypeText(u"c");
    F.Key(Qt::Key_Return, Qt::ShiftModifier, QStringLiteral("\r"));
    TypeText(u"d");
    EXPECT_TRUE(G->EditorMode());
    EXPECT_EQ(2, G->InplaceEditor()->LineFromChar(G->InplaceEditor()->SelStart()));
    PressEnter();
    EXPECT_FALSE(G->EditorMode());
    EXPECT_EQ("ab\r\nc\r\nd", G->Cells(1, 1));
}

TEST(ExtGridMultiLine, LineFeedOnEnterBreaksTheLineWithPlainEnter) {
    TLinesForm F;
    TExtStringGrid* G = F.Grid;
    G->SetMultilinecells(true);
    G->Navigation()->SetLineFeedOnEnter(true);
    TypeText(u"a");
    PressEnter();
    TypeText(u"b");
    ASSERT_TRUE(G->EditorMode());
    EXPECT_EQ("a\r\nb", G->InplaceEditor()->Text());
    EXPECT_EQ(1, G->Row());
}

TEST(ExtGridMultiLine, LineBreakRespectsTheLengthLimit) {
    TLinesForm F;
    TExtStringGrid* G = F.Grid;
    G->SetMultilinecells(true);
    G->SetMaxEditLength(3);
    TypeText(u"ab");
    F.Key(Qt::Key_Return, Qt::ControlModifier, QStringLiteral("\r"));
    EXPECT_EQ("ab", G->InplaceEditor()->Text());
    F.Key(Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
    F.Key(Qt::Key_Return, Qt::ControlModifier, QStringLiteral("\r"));
    EXPECT_EQ("a\r\n", G->InplaceEditor()->Text());
}

TEST(ExtGridMultiLine, SizeWhileTypingGrowsTheRowWithEachNewLineAndReportsIt) {
    TLinesForm F;
    TExtStringGrid* G = F.Grid;
    G->SetWordWrap(false);   // no refit on every key release
    G->SetMultilinecells(true);
    G->SizeWhileTyping()->SetHeight(true);
    Integer Reports = 0;
    G->OnEndRowSize = [&](TObject*, Integer ARow) {
        EXPECT_EQ(1, ARow);
        ++Reports;
    };
    const Integer Start = G->RowHeights(1);
    const Integer Line = G->TextLineHeight(1);
    TypeText(u"a");
    F.Key(Qt::Key_Return, Qt::ControlModifier, QStringLiteral("\r"));
    EXPECT_EQ(1, Reports);
    const Integer Two = G->RowHeights(1);
    EXPECT_EQ(Line * 2 + 4, Two);
    EXPECT_GT(Two, Start);
    TypeText(u"b");
    F.Key(Qt::Key_Return, Qt::ShiftModifier, QStringLiteral("\r"));
    EXPECT_EQ(2, Reports);
    EXPECT_EQ(Line * 3 + 4, G->RowHeights(1));
    // The editor follows the taller cell.
    EXPECT_EQ(G->RowHeights(1) - 1, G->InplaceEditor()->Height());
    // Without the option the row keeps its height.
    PressEnter();
    G->SizeWhileTyping()->SetHeight(false);
    G->SetCol(2);
    G->SetRow(2);
    const Integer Before = G->RowHeights(2);
    TypeText(u"c");
    F.Key(Qt::Key_Return, Qt::ControlModifier, QStringLiteral("\r"));
    EXPECT_EQ(Before, G->RowHeights(2));
    EXPECT_EQ(2, Reports);
}

TEST(ExtGridMultiLine, ARowTallerThanItsLinesIsFittedToTheText) {
    TLinesForm F;
    TExtStringGrid* G = F.Grid;
    G->SetMultilinecells(true);
    G->SizeWhileTyping()->SetHeight(true);
    G->SetRowHeights(1, G->TextLineHeight(1) * 6 + 4);
    TypeText(u"a");
    F.Key(Qt::Key_Return, Qt::ControlModifier, QStringLiteral("\r"));
    EXPECT_LT(G->RowHeights(1), G->TextLineHeight(1) * 6 + 4);
}

TEST(ExtGridMultiLine, UpInsideAWrappedLineStaysInTheCell) {
    TLinesForm F;
    TExtStringGrid* G = F.Grid;
    G->SetWordWrap(true);
    G->SetColWidths(1, 50);
    G->SetRowHeights(2, 80);
    G->SetCells(1, 2, "aaaa bbbb cccc dddd");
    G->Navigation()->SetEditSelectAll(false);
    F.Edit(1, 2);
    ASSERT_TRUE(G->EditorMode());
    ASSERT_GT(F.CaretLine(), 0);
    F.Key(Qt::Key_Up);
    EXPECT_TRUE(G->EditorMode());
    EXPECT_EQ(2, G->Row());
}

TEST(ExtGridMultiLine, AMaskedCellKeepsTheOneLineEditor) {
    struct TMaskedGrid : TExtStringGrid {
        using TExtStringGrid::TExtStringGrid;
        AnsiString GetEditMask(Integer ACol, Integer) override { return ACol == 2 ? "99;0;_" : AnsiString(); }
    };
    TGridOnForm<TMaskedGrid> F(TGridOnForm<TMaskedGrid>::Keep, TGridOnForm<TMaskedGrid>::Keep, 350, 250, 400, 300);
    TMaskedGrid* G = F.Grid;
    F.Options({goEditing});
    F.Form->Show();
    G->SetFocus();
    Settle();
    for (Integer C : {1, 2}) {
        G->SetCol(C);
        G->SetRow(1);
        SendKey(FocusTarget(), Qt::Key_F2);
        ASSERT_TRUE(G->EditorMode()) << C;
        EXPECT_EQ(C == 1, G->InplaceEditor()->MultiLine()) << C;   // the grid wraps words by default
        PressEscape();
    }
}

TEST(ExtGridMultiLine, AClickPutsTheCaretUnderThePressOnItsLine) {
    TLinesForm F;
    TExtStringGrid* G = F.Grid;
    G->MouseActions()->SetCaretPositioning(true);
    G->SetMultilinecells(true);
    G->SetRowHeights(1, 60);
    G->SetColWidths(1, 120);
    G->SetCells(1, 1, "first\r\nsecond");
    G->SetCol(1);
    G->SetRow(1);
    const TRect R = G->CellRect(1, 1);
    const Integer LineH = G->TextLineHeight(1);
    struct TCase {
        Integer Dy;   // below the cell's top
        Integer Line;
    };
    for (const TCase C : {TCase{3, 0}, TCase{3 + LineH + LineH / 2, 1}}) {
        Click(G, QPoint(R.Left + 1, R.Top + C.Dy));
        Settle();
        ASSERT_TRUE(G->EditorMode()) << C.Dy;
        TInplaceEdit* Ed = G->InplaceEditor();
        EXPECT_EQ(C.Line, Ed->LineFromChar(Ed->SelStart())) << C.Dy;
        EXPECT_EQ(0, Ed->SelLength()) << C.Dy;
        // At the line's start: nothing before it on that line.
        EXPECT_EQ(C.Line == 0 ? 0 : 7, Ed->SelStart()) << C.Dy;
        G->HideEditor();
    }
}
