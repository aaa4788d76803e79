// Rich-text cells: the grid's two rich edits, RTF cell text in and out of them,
// RTF cells drawn through the rendering one and edited in the other.
#include "grid/ExtGridEditors.h"

#include "platform/rtl/Classes.h"

#include <algorithm>

TExtRichEdit::TExtRichEdit(TComponent* AOwner) : TRichEdit(AOwner), FGrid(dynamic_cast<TExtStringGrid*>(AOwner)) {
    OnResizeRequest = [this](TObject*, const TRect& R) { ResizeRequested(R); };
}

void TExtRichEdit::ResizeRequested(const TRect& R) {
    FReqWidth = R.Width();
    FReqHeight = R.Height();
    if (!FGrid || this != FGrid->FRichEdit || FSuppressResize || !Visible()) return;
    if (!FGrid->SizeWhileTyping()->Height()) return;
    const Integer Row = FGrid->Row();
    const TRect Cell = FGrid->CellRect(FGrid->Col(), Row);
    // The row grows with the text, never past the grid's bottom edge.
    const Integer NewHeight = FReqHeight + 5;
    if (FReqHeight <= FGrid->RowHeights(Row) || Cell.Top + NewHeight > FGrid->ClientHeight()) return;
    SetHeight(FReqHeight + 4);
    FGrid->SetRowHeights(Row, NewHeight);
    if (FGrid->OnEndRowSize) FireEvent(FGrid->OnEndRowSize, FGrid, Row);
}

void TExtRichEdit::KeyDown(Word& Key, TShiftState Shift) {
    const std::shared_ptr<const bool> Alive = AliveToken();
    TRichEdit::KeyDown(Key, Shift);
    if (!*Alive || !FGrid || this != FGrid->FRichEdit) return;
    if ((Key == VK_UP || Key == VK_DOWN) && !FGrid->WordWrap() && !FGrid->Multilinecells()) {
        const Word K = Key;
        Key = 0;
        FGrid->EndEditorControl();
        if (FGrid->CanFocus()) FGrid->SetFocus();
        Word GK = K;
        FGrid->KeyDown(GK, Shift);
    }
}

void TExtRichEdit::DoExit() {
    const TAliveGuard alive(this);   // ending the edit may close the screen
    if (FGrid && this == FGrid->FRichEdit && !FGrid->ComponentState().Contains(csDestroying))
        FGrid->EndEditorControl();
    if (alive.Alive()) TRichEdit::DoExit();
}

// --- the grid's side -----------------------------------------------------------------
TExtRichEdit* TExtStringGrid::RichEdit() {
    if (!FRichEdit) {
        FRichEdit = new TExtRichEdit(this);
        FRichEdit->SetParent(this);
        FRichEdit->SetVisible(false);
        FRichEdit->SetScrollBars(ssNone);
        // A bar of text styles can follow the caret of the cell being edited.
        FRichEdit->OnSelectionChange = [this](TObject*) {
            if (OnRichEditSelectionChange) FireEvent(OnRichEditSelectionChange, this);
        };
    }
    return FRichEdit;
}

TExtRichEdit* TExtStringGrid::RenderRichEdit() {
    if (!FRichCell) {
        // Never shown: it only lays the text out for painting and measuring.
        FRichCell = new TExtRichEdit(this);
        FRichCell->SetVisible(false);
    }
    return static_cast<TExtRichEdit*>(FRichCell);
}

void TExtStringGrid::CellToRichEdit(Integer ACol, Integer ARow, TRichEdit* ARichEdit) {
    const AnsiString Text = Cells(ACol, ARow);
    if (Text.empty()) {
        ARichEdit->Clear();
        return;
    }
    TStringStream S(Text);
    ARichEdit->LoadFromStream(&S);
}

void TExtStringGrid::RichEditToCell(TRichEdit* ARichEdit, AnsiString& Value) {
    if (ARichEdit->Text().empty()) {
        Value.clear();
        return;
    }
    TStringStream S{AnsiString()};
    ARichEdit->SaveToStream(&S);
    Value = S.DataString();
}
