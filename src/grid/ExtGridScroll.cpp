// TExtStringGrid: what dragging a scroll bar's thumb does besides scrolling: the
// scroll hint and the cells following the thumb at once.
#include "grid/ExtGrid.h"

#include "grid/EsgHTMLE.h"
#include "grid/ExtGridHint.h"

namespace {

constexpr Integer ScrollHintWidth = 100;
constexpr Integer ScrollHintGap = 10;   // right of the mouse pointer

}  // namespace

void TExtStringGrid::SetScrollHints(TScrollHintType Value) {
    FScrollHints = Value;
    if (Value == shNone) HideScrollHint();
}

// Pos is the first scrollable row (column) the thumb points at, as the bar counts.
void TExtStringGrid::ScrollBarNotice(bool Vertical, Integer Code, Integer Pos, TPoint Mouse) {
    const bool Hints = Vertical ? FScrollHints == shVertical || FScrollHints == shBoth
                                : FScrollHints == shHorizontal || FScrollHints == shBoth;
    if (Code == SB_ENDSCROLL) {
        HideScrollHint();
        return;
    }
    if (Code != SB_THUMBTRACK) return;
    if (Hints) {
        AnsiString Hint = (Vertical ? "Row : " : "Col : ") + IntToStr(Pos);
        const std::shared_ptr<const bool> Alive = AliveToken();
        if (OnScrollHint) OnScrollHint(this, Pos, Hint);
        if (!*Alive) return;
        HideCellHint();
        ShowHintAt(Mouse.X + ScrollHintGap, Mouse.Y, ScrollHintWidth, HTMLEncode(Hint));
        FScrollHintShown = FHintWindow && FHintWindow->Visible();
    }
    if (FScrollSynch) {
        if (Vertical) SetTopRow(Pos);
        else SetLeftCol(Pos);
    }
}

void TExtStringGrid::HideScrollHint() {
    if (!FScrollHintShown) return;
    FScrollHintShown = false;
    if (FHintWindow) FHintWindow->Hide();
}
