// TExtStringGrid: the keyboard focus arriving at the grid, the editor that
// Navigation.AlwaysEdit opens with it, and the editor shown again after a move by key.
#include "grid/ExtGrid.h"

#include "platform/ui/WinApi.h"

void TExtStringGrid::FocusReceived(bool ByMouse) {
    // Back from the editor (Enter, Escape, a refused value) is no reason to open it again.
    const bool FromEditor = FFocusFromEditor;
    FFocusFromEditor = false;
    const Integer C = GetRealCol(), R = Row();
    // A press opens no editor of its own on the cell that was current: the press
    // decides which cell, if any, is edited.
    if (FNavigation->AlwaysEdit() && !ByMouse && !FromEditor && !EditorMode() && !FEditorControl &&
        GridState() != gsColMoving && GridState() != gsRowMoving && C >= 0 && R >= 0 && C < ColCount() &&
        R < RowCount() && !HasCheckBox(C, R) && !CellRect(Col(), R).IsEmpty()) {
        const TPoint B = BaseCell(C, R);
        TEditorType E = FDefaultEditor;
        GetEditorType(B.X, B.Y, E);
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
