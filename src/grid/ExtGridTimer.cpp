// TExtStringGrid: the grid's own timer: blinking text, focus following the hovering mouse and the
// incremental lookup's reset.
#include "grid/ExtGrid.h"

#include "platform/ui/ExtCtrls.h"
#include "platform/ui/ThemeParts.h"

#include <algorithm>

namespace {

// The grid's own timer; the incremental lookup text is forgotten after this many ticks.
constexpr Cardinal GridTimerInterval = 500;
constexpr Integer LookupResetTicks = 4;

}  // namespace

// --- the grid's timer ------------------------------------------------------------------
void TExtStringGrid::StartGridTimer() {
    FGridTimer = new TTimer(this);
    FGridTimer->SetInterval(GridTimerInterval);
    FGridTimer->OnTimer = [this](TObject*) { GridTimerTick(); };
}

void TExtStringGrid::SetEnableBlink(bool Value) {
    if (Value == FEnableBlink) return;
    FEnableBlink = Value;
    FBlinkOn = true;
    Invalidate();
}

void TExtStringGrid::GridTimerTick() {
    ++FTicks;
    if (FNavigation->AutoGotoIncremental() && !FLookupText.empty() && FTicks - FLookupTick >= LookupResetTicks)
        FLookupText.clear();
    if (FHovering && !ComponentState().Contains(csDesigning) && Showing()) {
        const TPoint P = ClientCursorPos(this);
        if (P.X >= 0 && P.Y >= 0 && P.X < ClientWidth() && P.Y < ClientHeight()) {
            const TGridCoord C = MouseCoord(P.X, P.Y);
            if (C.X >= FixedCols() && C.Y >= FixedRows() && C.X <= LastDataCol() && C.Y <= LastDataRow()) {
                // The focus and the move run handlers (entering, changing cells) that may free the grid.
                const std::shared_ptr<const bool> Alive = AliveToken();
                if (!Focused() && CanFocus()) SetFocus();
                if (*Alive && (Col() != C.X || Row() != C.Y)) FocusCell(C.X, C.Y, true);
                if (!*Alive) return;
            }
        }
    }
    if (FEnableBlink) {
        FBlinkOn = !FBlinkOn;
        // Only what shows is repainted: the visible cells, fixed ones included.
        const Integer LastC = std::min(ColCount() - 1, LeftCol() + VisibleColCount());
        const Integer LastR = std::min(RowCount() - 1, TopRow() + VisibleRowCount());
        auto Blinks = [&](Integer C, Integer R) {
            if (Cells(RealColIndex(C), R).find("<BLI") != AnsiString::npos) RepaintCell(C, R);
        };
        for (Integer R = 0; R <= LastR; ++R) {
            if (R >= TBaseGrid::FixedRows() && R < TopRow()) continue;
            for (Integer C = 0; C <= LastC; ++C) {
                if (C >= TBaseGrid::FixedCols() && C < LeftCol()) continue;
                Blinks(C, R);
            }
        }
    }
}
