// TExtStringGrid: wheel handling, scrolling notifications and the glue between the
// grid and its in-place editor.
#include "grid/ExtGrid.h"

#include <algorithm>

namespace {

// Lines one wheel notch moves when MouseActions.WheelIncrement is 0.
constexpr Integer WheelLines = 3;

bool IsControlCellType(TCellType T) {
    return T == ctCheckBox || T == ctDataCheckBox || T == ctRadio || T == ctButton || T == ctBitButton ||
           T == ctVirtCheckBox || T == ctRowCheckBox;
}

}  // namespace

bool TExtStringGrid::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) { return WheelTurn(true, Shift, MousePos); }

bool TExtStringGrid::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) { return WheelTurn(false, Shift, MousePos); }

bool TExtStringGrid::WheelTurn(bool Backward, TShiftState Shift, TPoint MousePos) {
    if (Shift.Contains(ssCtrl) && FIntelliZoom) {
        Zoom(Backward ? WheelLines : -WheelLines);
        return true;
    }
    if (!FEnableWheel)
        return Backward ? TBaseGrid::DoMouseWheelDown(Shift, MousePos) : TBaseGrid::DoMouseWheelUp(Shift, MousePos);
    if (FFixedRowAlways && RowCount() == 1) return true;

    const TGridRect Before = Selection();
    const Integer Step = FMouseActions->WheelIncrement() > 0 ? FMouseActions->WheelIncrement() : WheelLines;
    Integer Target = Row();
    if (FMouseActions->WheelAction() == waMoveSelection) {
        Target = Backward ? Row() + Step : Row() - Step;
    } else if (Backward) {
        if (TopRow() < RowCount() - VisibleRowCount()) SetTopRow(TopRow() + Step);
    } else if (TopRow() > FixedRows() && TopRow() - Step >= FixedRows()) {
        SetTopRow(TopRow() - Step);
    }
    Target = std::max(FixedRows(), std::min(Target, RowCount() - FFixedFooters - 1));
    if (Col() < FixedCols()) SetCol(FixedCols());
    if (Target >= 0 && Target < RowCount() && Target != Row()) {
        const Integer Updates = FUpdateCount;
        ++FUpdateCount;
        const Integer OldLeft = LeftCol();
        SetRow(Target);
        if (Options().Contains(goRowSelect) && FNavigation->KeepHorizScroll()) SetLeftCol(OldLeft);
        // Back to the caller's level, not to 0: an update bracket around the turn stays open.
        FUpdateCount = Updates;
        SnapToBaseCell();
        if (FUpdateCount == 0) Invalidate();
    }
    const TGridRect After = Selection();
    if (!(After == Before)) SelectionChanged(After.Left, After.Top, After.Right, After.Bottom);
    return true;
}

void TExtStringGrid::TopLeftChanged() {
    TBaseGrid::TopLeftChanged();
    // Pictures and the selection outline span cells; scrolling moves them as a whole.
    if (FSelectionRectangle || !FBackGround->Bitmap()->Empty() || FBackGround->Display() == bdGradientHorz ||
        FBackGround->Display() == bdGradientVert)
        RepaintUnlessUpdating();
}

void TExtStringGrid::ShowEditorInView() {
    if (IsControlCellType(GetCellType(GetRealCol(), Row()))) return;
    if (Row() < TopRow()) SetTopRow(Row());
    if (Col() < LeftCol()) SetLeftCol(Col());
    ShowEditor();
}

void TExtStringGrid::HideInplaceEditor() {
    if (!EditorMode()) return;
    HideEditor();   // writes the edited text into the cell
    FocusCell(Col(), Row(), true);
}


// --- scroll bars -------------------------------------------------------------------
void TExtStringGrid::SetScrollType(TScrollType Value) {
    FScrollType = Value;
    ApplyScrollBarLook();
}

void TExtStringGrid::SetScrollColor(TColor Value) {
    FScrollColor = Value;
    ApplyScrollBarLook();
}

void TExtStringGrid::SetScrollWidth(Integer Value) {
    FScrollWidth = Value;
    ApplyScrollBarLook();
}

void TExtStringGrid::SetScrollBarAlways(TScrollBarAlways Value) {
    FScrollBarAlways = Value;
    ApplyScrollBarLook();
}

// Width and colour belong to the flat bars (both flat styles look alike here); the
// normal bars keep the desktop style's.
void TExtStringGrid::ApplyScrollBarLook() {
    TScrollBarLook L;
    L.KeepVert = FScrollBarAlways == saVert || FScrollBarAlways == saBoth;
    L.KeepHorz = FScrollBarAlways == saHorz || FScrollBarAlways == saBoth;
    L.Flat = FScrollType != ssNormal;
    if (L.Flat) {
        L.Extent = std::max<Integer>(1, FScrollWidth);
        L.Color = FScrollColor;
    }
    SetScrollBarLook(L);
}
