// TExtStringGrid: the keyboard focus arriving at the grid (entering it from another
// control, or coming back from its own editors), the editor that Navigation.AlwaysEdit
// opens with it, and the editor shown again after a move by key.
#include "grid/ExtGrid.h"

#include "platform/ui/Forms.h"
#include "platform/ui/WinApi.h"

bool TExtStringGrid::FocusFromWithin() const {
    // Asked as the focus arrives, before the form hears of it: its active control is
    // still the one the focus comes from.
    const TCustomForm* F = GetParentForm(this);
    const TWinControl* Prev = F ? F->ActiveControl() : nullptr;
    if (!Prev) return false;
    if (ContainsControl(Prev)) return true;   // the grid itself or an editor over a cell
    for (const TComponent* O = Prev->Owner(); O; O = O->Owner())
        if (O == this) return true;
    return false;
}

void TExtStringGrid::EnterGrid() {
    const Integer C = Col(), R = Row();
    if (C < 0 || R < 0 || C >= ColCount() || R >= RowCount()) return;
    // A refused value reopens the editor, and a handler may take the focus away and
    // give it back: neither runs the entry again.
    FEntering = true;
    const TAliveGuard Alive(this);   // the handlers may close the screen
    try {
        SelectCell(C, R);
        if (Alive.Gone()) return;
        BeginCellEdit(C, R);
    } catch (...) {
        FEntering = false;
        throw;
    }
    FEntering = false;
}

void TExtStringGrid::FocusReceived(bool ByMouse, bool FromWithin) {
    // A form going away hands the focus around as its controls go.
    if (ComponentState().Contains(csDestroying)) return;
    // Back from the editor (Enter, Escape, a refused value) is no reason to open it again.
    const bool FromEditor = FFocusFromEditor;
    FFocusFromEditor = false;
    // Entering from another control checks a value left pending in the cell and starts
    // the edit of the current cell anew. Back from the grid's own editors nothing is
    // entered; a press decides for itself which cell it edits.
    if (!ByMouse && !FromWithin && !FromEditor && !FEntering) {
        const std::shared_ptr<const bool> Alive = AliveToken();
        EnterGrid();
        if (!*Alive || !FocusOn(this, false)) return;
    }
    const Integer C = GetRealCol(), R = Row();
    // A press opens no editor of its own on the cell that was current: the press
    // decides which cell, if any, is edited.
    if (FNavigation->AlwaysEdit() && !ByMouse && !FromEditor && !EditorMode() && !FEditorControl &&
        GridState() != gsColMoving && GridState() != gsRowMoving && C >= 0 && R >= 0 && C < ColCount() &&
        R < RowCount() && !HasCheckBox(C, R) && !CellRect(Col(), R).IsEmpty()) {
        const TPoint B = BaseCell(C, R);
        TEditorType E = FDefaultEditor;
        const TAliveGuard alive(this);
        GetEditorType(B.X, B.Y, E);
        if (alive.Gone()) return;
        if (E == edNormal || (!InplaceEditor() && !FMouseActions->DirectEdit() && HasComboBox(C, R))) ShowEditor();
    }
    // A grid of its fixed row (column) alone has nothing to show selected.
    if ((FFixedRowAlways && RowCount() == 1) || (FFixedColAlways && ColCount() == 1)) ParkSelection();
}

void TExtStringGrid::KeyUp(Word& Key, TShiftState Shift) {
    const Word K = Key;
    const bool Arrow = K == VK_LEFT || K == VK_RIGHT || K == VK_UP || K == VK_DOWN;
    // A move by key ends the incremental lookup's word.
    if (Arrow || K == VK_PRIOR || K == VK_NEXT || K == VK_END || K == VK_INSERT || K == VK_DELETE) FLookupText.clear();
    const std::shared_ptr<const bool> Alive = AliveToken();
    TBaseGrid::KeyUp(Key, Shift);
    if (!*Alive) return;
    if (FNavigation->AlwaysEdit() && !EditorMode() && !FEditorControl && (Arrow || (K == VK_TAB && Options().Contains(goTabs))))
        ShowEditorInView();
}
