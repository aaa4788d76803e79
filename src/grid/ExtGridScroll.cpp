// TExtStringGrid: scrolling: the wheel, panning with the middle button, the scroll bars' look, what
// dragging a thumb does besides scrolling (the scroll hint, cells following at once) and what follows
// a change of the view (controls held in cells).
#include "grid/ExtGrid.h"

#include "grid/EsgHTMLE.h"
#include "grid/ExtGridHint.h"

namespace {

constexpr Integer ScrollHintWidth = 100;
constexpr Integer ScrollHintGap = 10;   // right of the mouse pointer

// Lines one wheel notch moves when MouseActions.WheelIncrement is 0.
constexpr Integer WheelLines = 3;

// Panning: the pointer moves the current cell once it is this far from the origin.
constexpr Integer PanDeadZone = 5;
constexpr Integer PanGlyphSize = 32;
constexpr Cardinal PanInterval = 10;

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
        if (OnScrollHint) FireEvent(OnScrollHint, this, Pos, Hint);
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

// --- the wheel and the view -------------------------------------------------------------
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
    // Scrolling checks a pending value and moving asks the cell-change handlers: either may free the grid.
    const std::shared_ptr<const bool> Alive = AliveToken();
    if (FMouseActions->WheelAction() == waMoveSelection) {
        // Each line is one arrow-key step: a merge counts as one row, so no merge holds the row.
        const Integer C = std::max(Col(), FixedCols());
        for (Integer I = 0; I < Step; ++I) {
            const Integer Next = ArrowRow(C, Target, Backward);
            if (Next < FixedRows() || Next > RowCount() - FFixedFooters - 1) break;
            Target = Next;
        }
    } else if (Backward) {
        if (TopRow() < RowCount() - VisibleRowCount()) SetTopRow(TopRow() + Step);
    } else if (TopRow() > FixedRows() && TopRow() - Step >= FixedRows()) {
        SetTopRow(TopRow() - Step);
    }
    if (!*Alive) return true;
    Target = std::max(FixedRows(), std::min(Target, RowCount() - FFixedFooters - 1));
    if (Col() < FixedCols()) SetCol(FixedCols());
    if (!*Alive) return true;
    if (Target >= 0 && Target < RowCount() && Target != Row()) {
        const Integer Updates = FUpdateCount;
        ++FUpdateCount;
        const Integer OldLeft = LeftCol();
        try {
            SetRow(Target);
            if (!*Alive) return true;
            if (Options().Contains(goRowSelect) && FNavigation->KeepHorizScroll()) SetLeftCol(OldLeft);
        } catch (...) {
            if (*Alive) FUpdateCount = Updates;
            throw;
        }
        // Back to the caller's level, not to 0: an update bracket around the turn stays open.
        FUpdateCount = Updates;
        SnapToBaseCell();
        if (FUpdateCount == 0) {
            Invalidate();
            PlaceFormControl();   // the scroll inside the turn did not
            if (!*Alive) return true;
        }
    }
    const TGridRect After = Selection();
    if (!(After == Before)) SelectionChanged(After.Left, After.Top, After.Right, After.Bottom);
    return true;
}

void TExtStringGrid::TopLeftChanged() {
    // OnTopLeftChanged, or the check of an open value, may free the grid.
    const std::shared_ptr<const bool> Alive = AliveToken();
    TBaseGrid::TopLeftChanged();
    if (!*Alive) return;
    // Neither does the fixed-cell editor, which knows its cell by index: it stores and closes.
    CloseFixedCellEditor(true);
    if (!*Alive) return;
    // An editor control does not scroll with its cell: its value is checked and it closes.
    if (FEditorControl) {
        ValidatePending();
        if (!*Alive) return;
    }
    // Pictures and the selection outline span cells; scrolling moves them as a whole.
    if (FSelectionRectangle || !FBackGround->Bitmap()->Empty() || FBackGround->Display() == bdGradientHorz ||
        FBackGround->Display() == bdGradientVert)
        RepaintUnlessUpdating();
    UpdateCellControls();
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

void TExtStringGrid::SetScrollProportional(bool Value) {
    FScrollProportional = Value;
    ApplyScrollBarLook();
}

// Width and colour belong to the flat bars; the normal bars keep the desktop style's.
void TExtStringGrid::ApplyScrollBarLook() {
    TScrollBarLook L;
    L.KeepVert = FScrollBarAlways == saVert || FScrollBarAlways == saBoth;
    L.KeepHorz = FScrollBarAlways == saHorz || FScrollBarAlways == saBoth;
    L.Flat = FScrollType != ssNormal;
    L.Encarta = FScrollType == ssEncarta;
    L.FixedThumb = !FScrollProportional;
    if (L.Flat) {
        L.Extent = std::max<Integer>(1, FScrollWidth);
        L.Color = FScrollColor;
    }
    SetScrollBarLook(L);
}

// --- panning with the middle button ------------------------------------------------------
void TExtStringGrid::IntelliPanPress(TMouseButton Button, Integer X, Integer Y) {
    if (FPanning) EndIntelliPan();
    else if (Button == mbMiddle) StartIntelliPan(X, Y);
}

void TExtStringGrid::StartIntelliPan(Integer X, Integer Y) {
    if (FPanning || FIntelliPan == ipNone || RowCount() <= FixedRows()) return;
    FPanning = true;
    FPanOrigin = Point(X, Y);
    FPanOldCursor = TBaseGrid::Cursor();
    FPanOldShowHint = ShowHint();
    TBaseGrid::SetCursor(crSizeAll);
    SetShowHint(false);
    if (!FPanTimer) {
        FPanTimer = new TTimer(this);
        FPanTimer->SetInterval(PanInterval);
        FPanTimer->OnTimer = [this](TObject*) { IntelliPanTick(); };
    }
    FPanTimer->SetEnabled(true);
    Invalidate();
}

void TExtStringGrid::EndIntelliPan() {
    if (!FPanning) return;
    FPanning = false;
    if (FPanTimer) FPanTimer->SetEnabled(false);
    TBaseGrid::SetCursor(FPanOldCursor);
    SetShowHint(FPanOldShowHint);   // as it was, not forced on
    Invalidate();
}

void TExtStringGrid::IntelliPanTick() {
    if (!FPanning || FIntelliPan == ipNone) return;
    const TGridRect Before = Selection();
    const TPoint P = ClientCursorPos(this);
    Integer Dx = P.X < FPanOrigin.X - PanDeadZone ? -1 : P.X > FPanOrigin.X + PanDeadZone ? 1 : 0;
    Integer Dy = P.Y < FPanOrigin.Y - PanDeadZone ? -1 : P.Y > FPanOrigin.Y + PanDeadZone ? 1 : 0;
    if (FIntelliPan == ipHorizontal) Dy = 0;
    if (FIntelliPan == ipVertical) Dx = 0;

    const Integer LastRow = RowCount() - FFixedFooters - 1, LastCol = ColCount() - FFixedRightCols - 1;
    // Each move asks the cell-change handlers, which may free the grid.
    const std::shared_ptr<const bool> Alive = AliveToken();
    if (Row() > LastRow) SetRow(std::max(FixedRows(), LastRow));
    if (*Alive && Row() < FixedRows()) SetRow(FixedRows());
    if (*Alive && Col() > LastCol) SetCol(std::max(FixedCols(), LastCol));
    if (*Alive && Col() < FixedCols()) SetCol(FixedCols());
    if (*Alive && ((Dx < 0 && Col() > FixedCols()) || (Dx > 0 && Col() < LastCol))) SetCol(Col() + Dx);
    if (!*Alive) return;
    if ((Dy < 0 && Row() > FixedRows() && Row() + Dy >= 0) || (Dy > 0 && Row() < LastRow && Row() + Dy <= RowCount() - 1))
        SetRow(Row() + Dy);
    if (!*Alive) return;

    static const TCursor Cursors[3][3] = {{crSizeNWSE, crSizeNS, crSizeNESW},   // up-left, up, up-right
                                          {crSizeWE, crSizeAll, crSizeWE},
                                          {crSizeNESW, crSizeNS, crSizeNWSE}};
    TBaseGrid::SetCursor(Cursors[Dy + 1][Dx + 1]);
    const TGridRect After = Selection();
    if (!(After == Before)) SelectionChanged(After.Left, After.Top, After.Right, After.Bottom);
}

// A circle at the origin with arrows for the directions panning may take.
void TExtStringGrid::PaintPanGlyph() {
    if (!FPanning) return;
    TCanvas* Cv = Canvas();
    TPen KeptPen;
    KeptPen.Assign(Cv->Pen());
    TBrush KeptBrush;
    KeptBrush.Assign(Cv->Brush());
    const Integer H = PanGlyphSize / 2, X = FPanOrigin.X, Y = FPanOrigin.Y;
    Cv->Pen()->SetColor(clBlack);
    Cv->Pen()->SetStyle(psSolid);
    Cv->Pen()->SetWidth(1);
    Cv->Brush()->SetStyle(bsSolid);
    Cv->Brush()->SetColor(clWhite);
    Cv->Ellipse(X - H, Y - H, X + H, Y + H);
    Cv->Brush()->SetColor(clBlack);
    if (FIntelliPan != ipHorizontal) {
        Cv->Polygon({Point(X, Y - H + 3), Point(X - 5, Y - H + 9), Point(X + 5, Y - H + 9)});
        Cv->Polygon({Point(X, Y + H - 3), Point(X - 5, Y + H - 9), Point(X + 5, Y + H - 9)});
    }
    if (FIntelliPan != ipVertical) {
        Cv->Polygon({Point(X - H + 3, Y), Point(X - H + 9, Y - 5), Point(X - H + 9, Y + 5)});
        Cv->Polygon({Point(X + H - 3, Y), Point(X + H - 9, Y - 5), Point(X + H - 9, Y + 5)});
    }
    Cv->Ellipse(X - 2, Y - 2, X + 2, Y + 2);
    Cv->Pen()->Assign(&KeptPen);
    Cv->Brush()->Assign(&KeptBrush);
}

// --- controls held in cells ------------------------------------------------------------------
// Controls of the cells in view sit on their cells; every other one is hidden. Every change
// that moves cells (scrolling, counts, sizes, hidden rows) ends here.
void TExtStringGrid::UpdateCellControls() {
    std::vector<std::pair<TControl*, std::shared_ptr<const bool>>> Shown;
    auto Listed = [&](TControl* Ctl) {
        return std::any_of(Shown.begin(), Shown.end(), [Ctl](const auto& S) { return S.first == Ctl; });
    };
    auto Place = [&](Integer C, Integer R) {
        TControl* Ctl = CellControl(C, R);
        if (!Ctl || Listed(Ctl)) return;
        const TRect Rc = CellRect(C, R);
        if (Rc.IsEmpty()) return;
        Ctl->SetBounds(Rc.Left, Rc.Top, Rc.Width(), Rc.Height());
        Ctl->Show();
        Shown.emplace_back(Ctl, Ctl->AliveToken());
    };
    const Integer LastCol = std::min(ColCount() - 1, LeftCol() + VisibleColCount());
    const Integer LastRow = std::min(RowCount() - 1, TopRow() + VisibleRowCount());
    for (Integer R = 0; R <= LastRow; ++R) {
        if (R >= FixedRows() && R < TopRow()) R = TopRow();
        for (Integer C = 0; C <= LastCol; ++C) {
            if (C >= FixedCols() && C < LeftCol()) C = LeftCol();
            Place(C, R);
        }
    }
    for (const auto& [Ctl, Alive] : FShownCellControls)
        if (*Alive && !Listed(Ctl) && Ctl->Visible()) Ctl->Hide();
    FShownCellControls = std::move(Shown);
    PlaceFormControl();
}

void TExtStringGrid::LayoutChanged() {
    if (FUpdateCount == 0) UpdateCellControls();
}
