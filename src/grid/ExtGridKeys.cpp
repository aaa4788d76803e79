// TExtStringGrid: keyboard. The grid's own key commands come first; the rest goes
// to the framework grid's navigation, and a few commands follow it.
#include "grid/ExtGrid.h"

#include "grid/ExtGridInplace.h"
#include "grid/ExtUtil.h"
#include "platform/ui/Forms.h"
#include "platform/ui/WinApi.h"

#include <QEvent>

#include <algorithm>

namespace {

bool IsNavigationKey(Word Key) {
    return Key == VK_PRIOR || Key == VK_NEXT || Key == VK_END || Key == VK_HOME || Key == VK_LEFT || Key == VK_UP ||
           Key == VK_RIGHT || Key == VK_DOWN;
}

}  // namespace

void TExtStringGrid::ConsumeKey(Word& Key, TShiftState Shift) {
    if (OnKeyDown) FireEvent(OnKeyDown, this, Key, Shift);
    Key = 0;
}

void TExtStringGrid::ControlCellKey(Word Key) {
    const Integer C = Col(), R = Row();
    bool Can = Options().Contains(goEditing) || FMouseActions->RangeSelectAndEdit();
    const std::shared_ptr<const bool> Alive = AliveToken();   // a click handler may free the grid
    if (OnCanEditCell) FireEvent(OnCanEditCell, this, R, C, Can);
    if (!*Alive) return;
    // The user flag lets ToggleCheck/ToggleRadio ask again, so a read-only cell stays as it is.
    if (Key == VK_SPACE && HasCheckBox(C, R) && (Can || FControlLook->CheckAlwaysActive()) && ToggleCheck(C, R, true)) {
        if (FShowModified->Enabled()) SetRowMarked(R, true);
        bool State = false;
        GetCheckBoxState(C, R, State);
        if (OnCheckBoxClick) FireEvent(OnCheckBoxClick, this, C, R, State);
        if (!*Alive) return;
    }
    if (Key == VK_SPACE && IsRadio(C, R) && (Can || FControlLook->RadioAlwaysActive()) && ToggleRadio(C, R, true)) {
        const TCellGraphic* G = GetCellGraphic(C, R);
        TStrings* Values = GetRadioValues(C, R);
        const Integer Idx = G && G->CellIndex() >= 0 ? G->CellIndex() : Values ? Values->IndexOf(Cells(C, R)) : -1;
        if (OnRadioClick) FireEvent(OnRadioClick, this, C, R, Idx);
        if (!*Alive) return;
    }
    if (Can && GetCellType(C, R) == ctButton && OnButtonClick) FireEvent(OnButtonClick, this, C, R);
    if (*Alive) RepaintCell(C, R);
}

char TExtStringGrid::DecimalKeyChar(char Key, bool& FromKeypad) const {
    const bool Keypad = FromKeypad;
    FromKeypad = false;
    return Key == '.' && Keypad && FExcelStyleDecimalSeparator ? FormatSettings.DecimalSeparator : Key;
}

bool TExtStringGrid::HomeEndKey(Word Key, TShiftState Shift) {
    const bool RowMode = FNavigation->HomeEndKey() == heFirstLastRow;
    const bool RowSel = Options().Contains(goRowSelect);
    if (!RowMode && !RowSel) return false;
    if (FFixedRowAlways && RowCount() == 1) return false;
    const Integer OldLeft = LeftCol();
    if (RowMode) {
        const Integer From = Row();
        const Integer To = Key == VK_HOME ? FixedRows() : std::max(FixedRows(), LastDataRow());
        FocusCell(Col(), To, true);
        if (Key == VK_END && FFixedFooters > 0) SetTopRow(std::max(FixedRows(), RowCount() - VisibleRowCount()));
        if (!Shift.Contains(ssShift) && FMouseActions->DisjunctRowSelect()) ClearRowSelect();
        // The rows from the row left to the row reached, whole; the cursor on the row reached.
        if (Shift.Contains(ssShift) && Row() == To) SelectWholeRows(From);
        Word K = Key;
        ConsumeKey(K, Shift);
        if (RowSel && FNavigation->KeepHorizScroll()) SetLeftCol(OldLeft);
        return true;
    }
    if (Key == VK_HOME) {
        const Integer First = FirstDataCol();
        FocusCell(First, Row(), true);
        SetLeftCol(First);
    } else {
        FocusCell(ColCount() - 1, Row(), true);
        SetLeftCol(std::max(FixedCols(), ColCount() - VisibleColCount()));
    }
    Word K = Key;
    ConsumeKey(K, Shift);
    return true;
}

bool TExtStringGrid::SkipFixed(Word Key) {
    Integer DC = 0, DR = 0;
    bool Reverse = BiDiMode() == bdRightToLeft;
    switch (Key) {
        case VK_LEFT: DC = Reverse ? 1 : -1; break;
        case VK_RIGHT: DC = Reverse ? -1 : 1; break;
        case VK_UP: DR = -1; break;
        case VK_DOWN: DR = 1; break;
        default: return false;
    }
    auto Fixed = [this](Integer C, Integer R) { return IsFixed(C, R) || C > LastDataCol() || R > LastDataRow(); };
    Integer C = Col() + DC, R = Row() + DR;
    if (C < 0 || R < 0 || C >= ColCount() || R >= RowCount() || !Fixed(C, R)) return false;
    const Integer MinC = FixedCols(), MaxC = LastDataCol(), MinR = FixedRows(), MaxR = LastDataRow();
    while (C >= MinC && C <= MaxC && R >= MinR && R <= MaxR && Fixed(C, R)) {
        C += DC;
        R += DR;
    }
    if (C >= MinC && C <= MaxC && R >= MinR && R <= MaxR) FocusCell(C, R, true);
    return true;
}

void TExtStringGrid::KeyDown(Word& Key, TShiftState Shift) {
    EndIntelliPan();
    FPrevSelection = Selection();
    FKeypadDecimal = Key == VK_DECIMAL;
    const bool Ctrl = Shift.Contains(ssCtrl), Shf = Shift.Contains(ssShift), Alt = Shift.Contains(ssAlt);
    const Integer OldLeft = LeftCol();
    const std::shared_ptr<const bool> Alive = AliveToken();

    // The text editor whose cell scrolled out of view keeps its edit: Enter goes back
    // to it and is checked there, as when it was in view.
    if (Key == VK_RETURN && EditorMode() && !FValidating) {
        auto* Ed = dynamic_cast<TExtInplaceEdit*>(InplaceEditor());
        if (Ed && !Ed->Focused()) {
            ScrollInView(Col(), Row());
            if (Ed->CanFocus()) Ed->SetFocus();
            Ed->KeyDown(Key, Shift);
            Key = 0;
            return;
        }
    }

    if (Key == VK_F2) {
        // OnCanEditCell may free the grid.
        if (FMouseActions->RangeSelectAndEdit() && !Options().Contains(goEditing)) {
            const bool Editable = CellEditable(Col(), Row());
            if (!*Alive) return;
            if (!Editable) {
                ConsumeKey(Key, Shift);
                return;
            }
            ChangeEditing(true);
        }
        const bool Editable = CellEditable(Col(), Row());
        if (!*Alive) return;
        if (!Editable) {
            ConsumeKey(Key, Shift);
            return;
        }
        if (HoldsFormControls(GetRealCol(), Row())) {
            Key = 0;   // no text editor over form controls: the first of them opens
            BeginCellEdit(Col(), Row());
            OpenFirstFormControl();
            return;
        }
    }
    if (Key == VK_RETURN) {
        const bool Editable = CellEditable(Col(), Row());
        if (!*Alive) return;
        if (!Editable) {
            ConsumeKey(Key, Shift);
            // The character still follows the key, as it would after a consumed key-down.
            char Ch = 13;
            if (*Alive) KeyPress(Ch);
            return;
        }
    }
    if ((Key == VK_RETURN || Key == VK_SPACE) && IsControlCell(Col(), Row())) ControlCellKey(Key);
    if (!*Alive) return;
    if ((Key == VK_HOME || Key == VK_END) && HomeEndKey(Key, Shift)) {
        Key = 0;
        return;
    }
    // The node button of a merged node cell is out of the mouse's reach: the arrows work it.
    if ((Key == VK_RIGHT || Key == VK_LEFT) && IsNode(Row()) && IsMergedCell(0, Row())) {
        if (Key == VK_RIGHT && GetNodeState(Row())) ExpandNode(RealRowIndex(Row()));
        else if (Key == VK_LEFT && !GetNodeState(Row())) ContractNode(RealRowIndex(Row()));
        if (!*Alive) return;
    }
    if (Key == VK_TAB && Options().Contains(goTabs) && !Ctrl && !Alt) {
        if (OnKeyDown) {
            Word K = Key;
            FireEvent(OnKeyDown, this, K, Shift);
            if (K != VK_TAB || !*Alive) {
                Key = 0;
                return;
            }
        }
        TabAdvance(Shf);
        Key = 0;
        return;
    }
    // Marks follow a move by key as they follow the cursor.
    auto MarkAfterMove = [&] {
        const TGridRect S = Selection();
        if (FMouseActions->DisjunctRowSelect()) {
            if (!Shf && !Ctrl) ClearRowSelect();
            if (Shf) for (Integer Rw = S.Top; Rw <= S.Bottom; ++Rw) SetDisplRowSelected(Rw, true);
            else SetDisplRowSelected(Row(), true);
        }
        if (FMouseActions->DisjunctColSelect()) {
            if (!Shf && !Ctrl) ClearColSelect();
            if (Shf) for (Integer C = S.Left; C <= S.Right; ++C) SetColSelected(C, true);
            else SetColSelected(Col(), true);
        }
    };
    // Before the fixed cells are skipped: below the last data row a footer row may follow.
    if (Key == VK_DOWN && !Ctrl && Row() == LastDataRow() && FNavigation->AppendOnArrowDown() && CanAddRow()) {
        AddRow();
        const Integer NewRow = LastDataRow();
        if (FFixedFooters > 0) FocusCell(Col(), NewRow, true);
        RecalcAllFooters();
        if (OnAutoAddRow) FireEvent(OnAutoAddRow, this, NewRow);
        if (!*Alive) return;
        // Above a footer the cursor has already moved: the key ends here, as a move.
        if (FFixedFooters > 0) {
            MarkAfterMove();
            ConsumeKey(Key, Shift);
            return;
        }
    }
    if (!*Alive) return;   // OnCanAddRow may free the grid
    if (FNavigation->SkipFixedCells() && !Ctrl && !Shf && SkipFixed(Key)) {
        ConsumeKey(Key, Shift);
        return;
    }
    if (!(Selection() == FPrevSelection) && FSelectionRectangle) {
        RepaintUnlessUpdating();
        FPrevSelection = Selection();
    }

    TBaseGrid::KeyDown(Key, Shift);
    if (!*Alive) return;

    if ((Key == VK_PRIOR || Key == VK_NEXT || Key == VK_UP || Key == VK_DOWN) && Options().Contains(goRowSelect) &&
        FNavigation->KeepHorizScroll())
        SetLeftCol(OldLeft);

    bool Clip = false;
    if (FNavigation->AllowClipboardShortCuts() && !Alt) {
        bool Allow = true;
        if ((Ctrl && Key == 'X') || (Shf && !Ctrl && Key == VK_DELETE)) {
            Clip = true;
            if (OnClipboardCut) FireEvent(OnClipboardCut, this, Allow);
            if (Allow && *Alive) CutToClipboard();
        } else if ((Ctrl && Key == 'V') || (Shf && !Ctrl && Key == VK_INSERT)) {
            Clip = true;
            if (OnClipboardPaste) FireEvent(OnClipboardPaste, this, Allow);
            if (Allow && *Alive) PasteFromClipboard();
        } else if (Ctrl && (Key == 'C' || Key == VK_INSERT)) {
            Clip = true;
            if (OnClipboardCopy) FireEvent(OnClipboardCopy, this, Allow);
            if (Allow && *Alive) CopyToClipboard();
        }
        if (!*Alive) return;
    }
    if (!Clip && Key == VK_INSERT && !Ctrl && !Shf && !Alt && FNavigation->AllowInsertRow() && CanInsertRow(Row()) &&
        *Alive) {
        if (FNavigation->InsertPosition() == pInsertAfter) {
            if (FFixedRowAlways && RowCount() == TBaseGrid::FixedRows()) {
                AutoInsertRow(Row());
                if (*Alive && RowCount() > 1) FocusCell(Col(), 1, true);
            } else {
                AutoInsertRow(Row() + 1);
                if (*Alive) FocusCell(Col(), std::min(Row() + 1, RowCount() - 1), true);
            }
        } else {
            AutoInsertRow(Row());
        }
        if (!*Alive) return;
        RecalcAllFooters();
    }
    if (!*Alive) return;   // OnCanInsertRow may free the grid
    if (Ctrl && Key == 'A' && (Options().Contains(goRangeSelect) || Options().Contains(goRowSelect))) {
        const Integer L = FirstDataCol(), R = std::max(L, ColCount() - FFixedRightCols - 1);
        const Integer T = FixedRows(), B = std::max(T, LastDataRow());
        SetSelection(TGridRect{L, T, R, B});
        if (FMouseActions->DisjunctRowSelect())
            for (Integer Rw = T; Rw <= B; ++Rw) SetDisplRowSelected(Rw, true);
        Key = 0;
    }
    if (IsNavigationKey(Key)) MarkAfterMove();
    if (Key == VK_SPACE) {
        if (FMouseActions->DisjunctRowSelect()) SetDisplRowSelected(Row(), !DisplRowSelected(Row()));
        if (FMouseActions->DisjunctColSelect()) SetColSelected(Col(), !ColSelected(Col()));
    }
    if (!Clip && Key == VK_DELETE && FNavigation->AllowDeleteRow() && !Alt &&
        RowCount() - TBaseGrid::FixedRows() - FFixedFooters >= 1 && Row() <= LastDataRow()) {
        bool Can = true;
        if (OnCanDeleteRow) FireEvent(OnCanDeleteRow, this, Row(), Can);
        if (!*Alive) return;
        if (Can) {
            AutoDeleteRow(Row());
            if (!*Alive) return;
            BeginCellEdit(Col(), Row());
            RecalcAllFooters();
        }
    }
    const TGridRect S = Selection();
    if (!(S == FPrevSelection)) {
        FPrevSelection = S;
        SelectionChanged(S.Left, S.Top, S.Right, S.Bottom);
    }
}

bool TExtStringGrid::QtEvent(QEvent* E) {
    const TRawKey K = RawKeyOf(E);
    if (K.Press) FStartWide = K.Text.size() == 1 ? K.Text : WideString();
    if (IsFocusOutEvent(E)) ReleaseFormButton();
    // The screen closing, or the grid hidden, over an open edit: the editor controls and the
    // fixed-cell editor store and close, as the text editor does when the focus leaves it
    // (their own exit comes only when the focus moves on within the screen).
    if (E->type() == QEvent::Hide && !E->spontaneous() && !ComponentState().Contains(csDestroying) &&
        !(GetParentForm(this) && GetParentForm(this)->ComponentState().Contains(csDestroying))) {
        const std::shared_ptr<const bool> Alive = AliveToken();
        GuardedCall(this, [&] {
            CloseFixedCellEditor(true);
            if (*Alive && FEditorControl) ValidatePending();
        });
        if (!*Alive) return true;
    }
    bool ByMouse = false;
    if (IsFocusInEvent(E, &ByMouse)) {
        const std::shared_ptr<const bool> Alive = AliveToken();
        const bool FromWithin = FocusFromWithin();
        const bool Handled = TBaseGrid::QtEvent(E);
        if (*Alive) GuardedCall(this, [&] { FocusReceived(ByMouse, FromWithin); });
        return Handled;
    }
    return TBaseGrid::QtEvent(E);
}

void TExtStringGrid::KeyPress(char& Key) {
    Key = DecimalKeyChar(Key, FKeypadDecimal);
    const unsigned char U = static_cast<unsigned char>(Key);
    const std::shared_ptr<const bool> Alive = AliveToken();   // the handlers on the way may free the grid
    // Clipboard shortcuts give control characters of their own; they type nothing.
    if (FNavigation->AllowClipboardShortCuts() && (U == 3 || U == 22 || U == 24)) {
        Key = 0;
        return;
    }
    if (Key == 27) {
        if (Options().Contains(goEditing) && FEditShown) RestoreEditText();
        if (*Alive && OnKeyPress) FireEvent(OnKeyPress, this, Key);
        Key = 0;
        return;
    }
    if (Key == 13) {
        if (!FNavigation->AdvanceOnEnter() && !CellEditable(Col(), Row())) {
            if (*Alive && OnKeyPress) FireEvent(OnKeyPress, this, Key);
            Key = 0;
            return;
        }
        if (!*Alive) return;
        if (IsControlCell(Col(), Row()) || (FNavigation->AdvanceOnEnter() && !CellEditable(Col(), Row()))) {
            if (!*Alive) return;
            AdvanceEdit(Col(), Row(), false, false, true);
            if (*Alive && OnKeyPress) FireEvent(OnKeyPress, this, Key);
            Key = 0;
            return;
        }
        TBaseGrid::KeyPress(Key);
        return;
    }
    const bool Editable = CellEditable(Col(), Row());
    if (!*Alive) return;
    // Editing suspended on this cell resumes once it is editable again (made so while the cursor stayed).
    if ((FMouseActions->RangeSelectAndEdit() || FEditSuspended) && Editable && !IsControlCell(Col(), Row()) && U != 9) {
        FEditSuspended = false;
        ChangeEditing(true);
        ScrollInView(Col(), Row());
    }
    if (IsControlCell(Col(), Row())) {
        Key = 0;
        return;
    }
    if (!Options().Contains(goEditing) && FNavigation->AutoGotoWhenSorted() && (U == 8 || U >= 32))
        IncrementalLookup(Key);
    if (!*Alive) return;
    if (!Options().Contains(goEditing) || !(U == 8 || U >= 32)) {
        TBaseGrid::KeyPress(Key);
        return;
    }
    if (OnKeyPress) FireEvent(OnKeyPress, this, Key);
    if (Key == 0 || !*Alive) return;
    if (!Editable) {
        Key = 0;
        return;
    }
    if (EditorMode()) return;   // the editor has the key already
    FStartKey = Key;   // for the editor control that opens
    ShowEditor();
    if (EditorMode()) {
        if (auto* Ed = dynamic_cast<TExtInplaceEdit*>(InplaceEditor())) Ed->StartWith(Key);
    }
    // Taken by the editor that opened, or by none: never kept for a later one.
    FStartKey = 0;
    Key = 0;
}
