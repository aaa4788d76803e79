// TExtInplaceEdit: the grid's text editor with the character rules of the
// editor types, validation before the caret leaves the cell and the clipboard
// events.
#include "grid/ExtGridInplace.h"

#include "grid/ExtGrid.h"

#include "grid/ExtUtil.h"
#include "platform/rtl/CodePage.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/Forms.h"
#include "platform/ui/WinApi.h"


#include <algorithm>

namespace {

bool IsDigit(char C) { return C >= '0' && C <= '9'; }

// Control characters that come with Ctrl held (copy, paste, undo, ...) stay the edit's.
bool IsControlChar(char C) {
    const unsigned char U = static_cast<unsigned char>(C);
    return U < 32 && U != 8 && U != 9 && U != 13 && U != 27;
}

}  // namespace

TExtInplaceEdit::TExtInplaceEdit(TComponent* AOwner)
    : TInplaceEdit(AOwner), FExtGrid(dynamic_cast<TExtStringGrid*>(AOwner)) {
    SetMousePressHook(this, [this](bool Double) { return MousePressed(Double); });
}

TExtInplaceEdit::TExtInplaceEdit(TComponent* AOwner, bool MultiLine)
    : TInplaceEdit(AOwner, MultiLine), FExtGrid(dynamic_cast<TExtStringGrid*>(AOwner)) {
    SetMousePressHook(this, [this](bool Double) { return MousePressed(Double); });
}

TEditorType TExtInplaceEdit::EditorType() const { return FExtGrid ? FExtGrid->FActiveEditor : edNormal; }

void TExtInplaceEdit::BoundsChanged() {
    if (!FExtGrid) {
        TInplaceEdit::BoundsChanged();
        return;
    }
    const TRect R = FExtGrid->CellRect(FExtGrid->Col(), FExtGrid->Row());
    const Integer Shift = FExtGrid->BiDiMode() == bdRightToLeft ? 1 : 0;
    SetBounds(R.Left + Shift, R.Top, std::max(0, R.Width() - 1), std::max(0, R.Height() - 1));
}

void TExtInplaceEdit::UpdateContents() {
    const TAliveGuard Alive(this);   // OnEditChange may close the screen
    TInplaceEdit::UpdateContents();
    if (Alive.Gone()) return;
    FOpenedByClick = false;
    if (!FExtGrid) return;
    TExtStringGrid* G = FExtGrid;
    FWordWrap = G->WordWrap();
    SetLineWrap(FWordWrap);
    FTyping = true;
    FLengthLimit = static_cast<short>(std::clamp<Integer>(G->GetEditLimit(), -32768, 32767));
    SetPasswordChar(EditorType() == edPassword ? G->PasswordChar() : 0);
    G->ApplyCellLook(this);
}

void TExtInplaceEdit::TakeCellText() {
    if (!FExtGrid) return;
    const TPoint B = FExtGrid->BaseCell(FExtGrid->GetRealCol(), FExtGrid->Row());
    const AnsiString V = FExtGrid->GetEditText(B.X, B.Y);
    if (Text() != V) SetText(V);
    if (MaskIncomplete()) SetSelStart(Mask().FirstMissing(EditText()));   // back to the gap
    else if (FExtGrid->Navigation()->EditSelectAll()) SelectAll();
    else SetSelStart(static_cast<Integer>(EditText().size()));
}

void TExtInplaceEdit::InitialSelection() {
    if (FExtGrid && IsMasked() && FExtGrid->Navigation()->ImproveMaskSel()) {
        // Typing starts on the first place of the picture.
        SetSelStart(0);
        SetSelLength(1);
    } else if (!FExtGrid || FExtGrid->Navigation()->EditSelectAll()) {
        SelectAll();
    } else {
        SetSelStart(static_cast<Integer>(EditText().size()));
    }
}

bool TExtInplaceEdit::MousePressed(bool Double) {
    const bool Opening = FOpenedByClick;
    FOpenedByClick = false;
    TExtStringGrid* G = FExtGrid;
    if (!Double || !G) return false;
    const std::shared_ptr<const bool> GridAlive = G->AliveToken();
    if (Opening) {
        // The editor opened on the first click of this double click, nothing typed yet:
        // the double click is the cell's, as if no editor were open, and the editor
        // opens again afterwards on what the cell then holds (a handler may rewrite it).
        G->HideEditor();
        G->FEditShown = false;
        G->BeginCellEdit(G->Col(), G->Row());
    }
    // A double click on the cell means the same whether or not it is being edited.
    if (*GridAlive && G->OnDblClick) FireEvent(G->OnDblClick, G);
    if (*GridAlive && G->OnDblClickCell) FireEvent(G->OnDblClickCell, G, G->Row(), G->Col());
    // Not when a handler took the focus to another window (a dialog): it stays there.
    if (Opening && *GridAlive && !G->EditorMode() && G->Focused()) {
        // The caret as the opening put it: no word of the text is selected.
        G->ShowEditor();
        G->PlaceCaretAt(G->FPressPoint.X, G->FPressPoint.Y);
    }
    return Opening;
}

void TExtInplaceEdit::Change() {
    // The grid's handlers may free the grid, and this editor with it.
    const TAliveGuard alive(this);
    TInplaceEdit::Change();
    if (alive.Gone()) return;
    if (FExtGrid && FExtGrid->OnEditChange) FireEvent(FExtGrid->OnEditChange, FExtGrid, FExtGrid->Col(), FExtGrid->Row(), Text());
}

void TExtInplaceEdit::KeyDown(Word& Key, TShiftState Shift) {
    TExtStringGrid* G = FExtGrid;
    FKeypadDecimal = Key == VK_DECIMAL;
    if (!G) {
        TInplaceEdit::KeyDown(Key, Shift);
        return;
    }
    const bool Ctrl = Shift.Contains(ssCtrl), Shf = Shift.Contains(ssShift), Alt = Shift.Contains(ssAlt);
    // The clipboard keys go through the grid's events.
    if ((Ctrl && !Alt && (Key == 'C' || Key == VK_INSERT))) {
        CopyToClipboard();
        Key = 0;
        return;
    }
    if ((Ctrl && !Alt && Key == 'X') || (Shf && !Ctrl && Key == VK_DELETE)) {
        CutToClipboard();
        Key = 0;
        return;
    }
    if ((Ctrl && !Alt && Key == 'V') || (Shf && !Ctrl && Key == VK_INSERT)) {
        PasteFromClipboard();
        Key = 0;
        return;
    }
    const std::shared_ptr<const bool> Alive = AliveToken();
    const Integer Len = static_cast<Integer>(Text().size());
    switch (Key) {
        case VK_ESCAPE: {
            G->RestoreEditText();
            Key = 0;
            char Esc = 27;   // the grid hears it, as it does a key typed on itself
            if (*Alive && G->OnKeyPress) FireEvent(G->OnKeyPress, G, Esc);
            return;
        }
        case VK_UP: case VK_DOWN: {
            // Inside a text of several lines the caret moves; only from the first
            // (last) line does the key leave the cell.
            if (MultiLine()) {
                const Integer Line = LineFromChar(SelStart() + (Key == VK_DOWN ? SelLength() : 0));
                if (Key == VK_UP ? Line > 0 : Line < LineCount() - 1) return;
            }
            G->FValidating = true;
            G->SetCurrentCell(Text());
            G->FValidating = false;
            if (!G->ValidateCell(Text())) {
                if (*Alive) TakeCellText();
                Key = 0;
                return;
            }
            TakeCellText();
            break;
        }
        case VK_RETURN:
            if (MultiLine() && !Alt) {
                const TEditorType E = EditorType();
                const bool FeedType = E == edNormal || E == edCapital || E == edMixedCase || E == edLowerCase ||
                                      E == edUpperCase;
                if (Ctrl || Shf || (FeedType && G->Navigation()->LineFeedOnEnter())) {
                    BreakLine(Ctrl || Shf);
                    Key = 0;
                    return;
                }
            }
            if (Ctrl && G->Navigation()->LineFeedOnEnter()) break;
            if (!Ctrl && !G->Navigation()->LineFeedOnEnter()) {
                if (!G->ValidateCell(Text())) {
                    if (*Alive) TakeCellText();
                    Key = 0;
                    return;
                }
                TakeCellText();
                const Integer C = G->Col(), R = G->Row();
                TInplaceEdit::KeyDown(Key, Shift);
                if (!*Alive) return;
                G->AdvanceEdit(C, R, false, false, true);
                Key = 0;
                return;
            }
            break;
        case VK_RIGHT: case VK_LEFT: {
            const bool AtEdge = Key == VK_RIGHT ? SelStart() >= Len : SelStart() == 0;
            if (!G->Navigation()->CursorWalkEditor() || SelLength() != 0 || !AtEdge || Ctrl || Shf || Alt) break;
            const bool Forward = Key == VK_RIGHT;
            const Integer Next = G->Col() + (Forward ? 1 : -1);
            const bool Inside = Forward ? Next <= G->LastDataCol() : Next >= G->FixedCols();
            if (!G->ValidateCell(Text())) {
                if (*Alive) TakeCellText();
                Key = 0;
                return;
            }
            TakeCellText();
            G->HideEditor();
            if (!*Alive) return;
            if (Inside && G->IsControlCell(Next, G->Row())) {
                G->SetCol(Next);
            } else {
                const TAdvanceDirection D = G->Navigation()->AdvanceDirection();
                G->Navigation()->SetAdvanceDirection(adLeftRight);
                G->AdvanceEdit(G->Col(), G->Row(), true, true, Forward);
                if (!*Alive) return;
                G->Navigation()->SetAdvanceDirection(D);
            }
            Key = 0;
            return;
        }
        default:
            break;
    }
    FTyping = !(Key == VK_BACK || Key == VK_DELETE);
    TInplaceEdit::KeyDown(Key, Shift);
}

void TExtInplaceEdit::BreakLine(bool GrowRow) {
    TExtStringGrid* G = FExtGrid;
    if (FLengthLimit > 0 && static_cast<Integer>(Text().size()) - SelLength() + 2 > FLengthLimit) return;
    SetSelText("\r\n");
    if (!GrowRow || !G->SizeWhileTyping()->Height() || !G->Multilinecells()) return;
    const Integer R = G->Row();
    const Integer Lines = LineCount();
    const Integer Held = std::max<Integer>(1, (G->RowHeights(R) - 4) / G->TextLineHeight(R));
    if (Lines >= Held) G->SizeRowToTextHeight(R, Lines, 4);
    else G->SizeRowToContent(R, false);
    if (G->OnEndRowSize) FireEvent(G->OnEndRowSize, G, R);
}

void TExtInplaceEdit::KeyUp(Word& Key, TShiftState Shift) {
    if (Key == VK_LEFT || Key == VK_RIGHT) return;
    TInplaceEdit::KeyUp(Key, Shift);
    if (Key == 0 || !FExtGrid) return;
    LookupComplete();
    TExtStringGrid* G = FExtGrid;
    if (G->SizeWhileTyping()->Width()) {
        G->NoteColumnSized(G->Col());
        G->SizeColumnToContent(G->Col(), 0);
    }
    if (G->SizeWhileTyping()->Height() && G->WordWrap()) {
        G->SizeRowToContent(G->Row(), false);
        const std::shared_ptr<const bool> Alive = AliveToken();
        if (G->OnEndRowSize) FireEvent(G->OnEndRowSize, G, G->Row());
        if (!*Alive) return;
    }
    const AnsiString T = Text();
    if (SelStart() > 0) FExtGrid->EditCaretMoved(T, SelStart(), 0);
    FExtGrid->EditFormulaMode(!T.empty() && T[0] == '=');
}

bool TExtInplaceEdit::FilterChar(char& Key) const {
    return FilterEditorChar(EditorType(), Key, Text(), SelText(), SelStart());
}

bool FilterEditorChar(TEditorType E, char& Key, const AnsiString& T, const AnsiString& Sel, Integer SelStart) {
    const unsigned char U = static_cast<unsigned char>(Key);
    if (IsControlChar(Key)) return true;
    const bool Basic = U == 8 || U == 9 || U == 13 || U == 27;
    if (E == edNumericEditBtn) E = edNumeric;
    if (E == edFloatEditBtn) E = edFloat;
    switch (E) {
        case edNumeric:
            if (Basic || IsDigit(Key)) return true;
            if (Key == '-' && T.find('-') == AnsiString::npos && SelStart == 0) return true;
            MessageBeep(0);
            Key = 0;
            return false;
        case edPositiveNumeric:
            if (Basic || IsDigit(Key)) return true;
            MessageBeep(0);
            Key = 0;
            return false;
        case edFloat: {
            const char Dec = FormatSettings.DecimalSeparator, Thou = FormatSettings.ThousandSeparator;
            if (Basic || IsDigit(Key)) return true;
            if (Key == '-') {
                if ((SelStart == 0 && T.find('-') == AnsiString::npos) || Sel.find('-') != AnsiString::npos)
                    return true;
                MessageBeep(0);
                Key = 0;
                return false;
            }
            if (Key == Dec) {
                if (T.find(Dec) == AnsiString::npos || Sel.find(Dec) != AnsiString::npos) return true;
                Key = 0;
                return false;
            }
            if (Key == Thou || (Key != ',' && Key != '.')) {
                Key = 0;
                return false;
            }
            return true;
        }
        case edCapital: case edUpperCase:
            if (!Basic) Key = AnsiUpperCase(AnsiString(1, Key))[0];
            return true;
        case edLowerCase:
            if (!Basic) Key = AnsiLowerCase(AnsiString(1, Key))[0];
            return true;
        default:
            return true;
    }
}

void TExtInplaceEdit::KeyPress(char& Key) {
    if (!FExtGrid) {
        TInplaceEdit::KeyPress(Key);
        return;
    }
    Key = FExtGrid->DecimalKeyChar(Key, FKeypadDecimal);
    const unsigned char U = static_cast<unsigned char>(Key);
    if (FLengthLimit > 0 && !IsMasked() && static_cast<Integer>(Text().size()) >= FLengthLimit && SelLength() == 0 &&
        U != 8 && U != 27 && U != 13 && !IsControlChar(Key)) {
        Key = 0;
        return;
    }
    if (!FilterChar(Key)) return;
    const AnsiString Before = EditText();
    TInplaceEdit::KeyPress(Key);
    if (IsMasked()) {
        // A full mask moves on as Enter would, once its last place is typed.
        const AnsiString T = Text();
        if (U >= 32 && EditText() != Before && FExtGrid->Navigation()->AdvanceAuto() && !T.empty() &&
            T.find(' ') == AnsiString::npos && SelStart() >= static_cast<Integer>(EditText().size()))
            AutoAdvance();
        return;
    }
    if (Key && EditorType() == edMixedCase && U >= 32) {
        // Inserted here so that the whole text can take the mixed case at once.
        const Integer Pos = SelStart();
        SetSelText(AnsiString(1, Key));
        SetText(ProperCase(Text()));
        SetSelStart(Pos + 1);
        Key = 0;
    }
}

void TExtInplaceEdit::StartWith(char Key) {
    if (Key == 8) {
        SetText(AnsiString());
        return;
    }
    char C = Key;
    if (!FilterChar(C) || C == 0) return;
    const TAliveGuard Alive(this);   // OnEditChange may close the screen, this editor with it
    if (IsMasked()) {
        SetText(AnsiString());
        if (Alive.Gone()) return;
        SetSelStart(0);
        PasteMasked(AnsiString(1, C));   // a character the picture refuses leaves it blank
        return;
    }
    if (EditorType() == edMixedCase) C = ProperCase(AnsiString(1, C))[0];
    SetText(AnsiString(1, C));
    if (Alive.Alive()) SetSelStart(1);
}

void TExtInplaceEdit::LookupComplete() {
    TExtStringGrid* G = FExtGrid;
    if (IsMasked() || !FTyping || SelLength() != 0 || !G->Lookup() || G->LookupItems()->Count() == 0) return;
    const Integer Caret = SelStart();
    const AnsiString T = Text();
    if (Caret <= 0 || Caret > static_cast<Integer>(T.size())) return;
    AnsiString Prefix = T.substr(0, Caret);
    if (!G->LookupCaseSensitive()) Prefix = AnsiUpperCase(Prefix);
    for (Integer I = 0; I < G->LookupItems()->Count(); ++I) {
        const AnsiString Item = G->LookupItems()->Strings(I);
        const AnsiString Cmp = G->LookupCaseSensitive() ? Item : AnsiUpperCase(Item);
        if (Cmp.compare(0, Prefix.size(), Prefix) != 0) continue;
        if (Item.size() <= Prefix.size()) return;   // the text is this item already: nothing to add
        AnsiString NewText = T.substr(0, Caret) + Item.substr(Caret);
        if (NewText.size() > 255) NewText.resize(255);
        SetText(NewText);
        SetSelStart(Caret);
        SetSelLength(static_cast<Integer>(NewText.size()) - Caret);
        return;
    }
}

bool TExtInplaceEdit::AcceptPastedText(AnsiString& Value) const { return PastedEditorText(EditorType(), Value); }

bool PastedEditorText(TEditorType E, AnsiString& Value) {
    if (E == edNumericEditBtn) E = edNumeric;
    if (E == edFloatEditBtn) E = edFloat;
    switch (E) {
        case edNumeric:
            return NumberKind(Value) == 0;
        case edPositiveNumeric:
            // A positive-only cell takes no sign from the clipboard either.
            return NumberKind(Value) == 0 && Value.find('-') == AnsiString::npos;
        case edFloat:
            return NumberKind(Value) <= 1;
        case edMixedCase:
            Value = ProperCase(Value);
            return true;
        case edLowerCase:
            Value = AnsiLowerCase(Value);
            return true;
        case edCapital: case edUpperCase:
            Value = AnsiUpperCase(Value);
            return true;
        default:
            return true;
    }
}

bool PastedEditorText(TEditorType E, WideString& Value) {
    const AnsiString Was = WideToAnsi(Value);
    AnsiString A = Was;
    if (!PastedEditorText(E, A)) return false;
    if (A == Was || A.size() != Value.size()) return true;
    // Only letters the code page holds change case.
    for (size_t I = 0; I < Value.size(); ++I)
        if (A[I] != Was[I] && AnsiToWide(Was.substr(I, 1)) == Value.substr(I, 1)) Value.replace(I, 1, AnsiToWide(A.substr(I, 1)));
    return true;
}

void TExtInplaceEdit::CopyToClipboard() {
    bool Allow = true;
    const std::shared_ptr<const bool> Alive = AliveToken();   // the editor goes with a grid its handler freed
    if (FExtGrid && FExtGrid->OnClipboardCopy) FireEvent(FExtGrid->OnClipboardCopy, this, Allow);
    if (*Alive && Allow && SelLength() > 0 && EditorType() != edPassword) Clipboard()->SetAsText(SelText());
}

void TExtInplaceEdit::CutToClipboard() {
    bool Allow = true;
    const std::shared_ptr<const bool> Alive = AliveToken();
    if (FExtGrid && FExtGrid->OnClipboardCut) FireEvent(FExtGrid->OnClipboardCut, this, Allow);
    if (!*Alive || !Allow || SelLength() == 0 || EditorType() == edPassword) return;
    Clipboard()->SetAsText(SelText());
    SetSelText(AnsiString());
}

void TExtInplaceEdit::PasteFromClipboard() {
    TExtStringGrid* G = FExtGrid;
    if (!G || !Clipboard()->HasFormat(CF_TEXT)) return;
    AnsiString Clip = Clipboard()->AsText();
    if (Clip.empty()) return;
    bool Allow = true;
    const std::shared_ptr<const bool> Alive = AliveToken();
    if (G->OnClipboardPaste) FireEvent(G->OnClipboardPaste, this, Allow);
    if (!Allow || !*Alive) return;
    if (G->OnClipboardBeforePasteCell) FireEvent(G->OnClipboardBeforePasteCell, this, G->Col(), G->Row(), Clip, Allow);
    if (!Allow || !*Alive) return;
    if (IsMasked()) {
        // Into a picture the text goes through the mask, whole or not at all.
        if (!AcceptPastedText(Clip) || !PasteMasked(Clip)) return;
        G->SetCurrentCellEditText(Text());
        return;
    }
    if (FLengthLimit >= 1 && static_cast<Integer>(Clip.size()) > FLengthLimit) return;
    const AnsiString T = Text();
    const Integer S = std::min<Integer>(SelStart(), static_cast<Integer>(T.size()));
    const Integer L = SelLength();
    AnsiString NewText = T.substr(0, S) + Clip + T.substr(std::min<size_t>(T.size(), size_t(S + L)));
    if (FLengthLimit > 0 && static_cast<Integer>(NewText.size()) > FLengthLimit) return;
    if (!AcceptPastedText(NewText)) return;
    SetText(NewText);
    if (!*Alive) return;
    G->SetCurrentCellEditText(Text());
    if (!*Alive) return;
    if (L > 0) {
        SetSelStart(S);
        SetSelLength(static_cast<Integer>(Clip.size()));
    } else {
        SetSelStart(S + static_cast<Integer>(Clip.size()));
    }
}

bool TExtInplaceEdit::QtEvent(QEvent* E) {
    TExtStringGrid* G = FExtGrid;
    const TRawKey K = RawKeyOf(E);
    if (K.Press) FOpenedByClick = false;
    if (G && K.Press) {
        if (K.Tab && !K.CtrlOrAlt && G->Options().Contains(goTabs)) {
            const std::shared_ptr<const bool> Alive = AliveToken();
            bool Valid = true;
            GuardedCall(G, [&] { Valid = G->ValidateCell(Text()); });
            if (!*Alive) return true;
            // A refused value (or an unfinished mask) keeps the cell current, its editor open.
            if (!Valid) {
                TakeCellText();
                return true;
            }
        }
    }
    if (G && IsFocusOutEvent(E) && FocusOn(G, false)) G->FFocusFromEditor = true;
    if (G && IsFocusOutEvent(E) && G->EditorMode() && !FRefusingMask) {
        const std::shared_ptr<const bool> Alive = AliveToken();
        if (!FocusOn(G, false) && !FocusOn(this, true) && MaskIncomplete()) {
            // Gone to another control with the mask unfinished: the user hears why
            // and the cell keeps the value it had.
            GuardedCall(G, [&] {
                ReportIncompleteMask();
                if (*Alive) G->RestoreEditText();
            });
        } else if (!FocusOn(G, false) && !FocusOn(this, true)) {
            if (G->LookupHistory() && !Text().empty() && G->LookupItems()->IndexOf(Text()) < 0)
                G->LookupItems()->Add(Text());
            G->EditFormulaMode(false);
            // Leaving for another control ends the edit here; a refused value is
            // put back without taking the focus back.
            const TAliveGuard alive(this);
            GuardedCall(G, [&] {
                G->FReopenOnRefusal = false;
                G->ValidateCell(Text());
                if (alive.Alive()) TakeCellText();
            });
            if (alive.Gone()) return true;   // a handler closed the screen
            G->FReopenOnRefusal = true;
        }
        if (!*Alive) return true;
    }
    return TInplaceEdit::QtEvent(E);
}

void TExtInplaceEdit::ReportIncompleteMask() {
    FRefusingMask = true;
    SetSelStart(Mask().FirstMissing(EditText()));
    if (Application) {
        const std::shared_ptr<const bool> Alive = AliveToken();
        Application->HandleException(this, std::make_exception_ptr(EDBEditError(SMaskEditErr)));
        if (!*Alive) return;
    }
    FRefusingMask = false;
}

bool TExtInplaceEdit::RefuseIncompleteMask() {
    if (FRefusingMask) return true;
    if (!FExtGrid || !FExtGrid->EditorMode() || !MaskIncomplete()) return false;
    const std::shared_ptr<const bool> Alive = AliveToken();
    ReportIncompleteMask();
    if (*Alive && Visible() && CanFocus() && !Focused()) SetFocus();
    return true;
}

void TExtInplaceEdit::AutoAdvance() {
    TExtStringGrid* G = FExtGrid;
    const std::shared_ptr<const bool> Alive = AliveToken();
    if (!G->ValidateCell(Text())) {
        if (*Alive) TakeCellText();
        return;
    }
    TakeCellText();
    const Integer C = G->Col(), R = G->Row();
    G->UpdateText();
    G->HideEditor();
    if (!*Alive) return;
    G->AdvanceEdit(C, R, true, false, true);
}
