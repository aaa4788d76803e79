// TExtStringGrid: the grid's window: the hooks it gets for its life, and what it paints besides its
// cells (the area no cell covers, the flat border, the frame around the editor, the sizing lines).
#include "grid/ExtGrid.h"

#include "grid/EsgHTMLE.h"
#include "grid/ExtUtil.h"
#include "platform/ui/BalloonTip.h"
#include "platform/ui/WindowNotices.h"

#include <algorithm>

// Hooks the grid's window gets for its whole life.
void TExtStringGrid::InstallWindowHooks() {
    ApplyFrame();
    WatchThemeChange(this, [this] { ThemeChanged(); });
    WatchCancelMode(this, [this] { CancelMode(); });
    SetBalloonProvider(this, [this](TPoint P, TBalloonTip& Tip) {
        if (!FBalloon->Enable()) return false;
        try {
            return BalloonAt(P, Tip);
        } catch (const Exception&) {
            return false;   // no tip rather than a fault inside the desktop's tip handling
        }
    });
    FBalloon->OnEnableChange = [this](TObject*) {
        SetBalloonDelays(this, FBalloon->InitialDelay(), FBalloon->ReshowDelay());
    };
}

// The window must give up what the mouse started: a row or column move stops where
// it is, and so does panning (its timer would otherwise go on moving the cell).
void TExtStringGrid::CancelMode() {
    EndIntelliPan();
    if (!FEnhRowColMove || (GridState() != gsColMoving && GridState() != gsRowMoving)) return;
    CancelMove();
    Invalidate();
}

// --- painting -----------------------------------------------------------------------
void TExtStringGrid::Paint() {
    if (FUpdateCount > 0) return;
    if (!FWindowShown) {
        // The first paint stands for the window's creation: grids built in code get
        // their kept column widths back here.
        FWindowShown = true;
        try {
            RestoreColumnWidths();
        } catch (const Exception&) {
            // An unreadable store leaves the widths as they are.
        }
    }
    if (FFloatingFooter->Visible()) {
        // The panel follows the scroll bars, the scrolled columns and the footer cells.
        PlaceFooterPanel();
        FFooterPanel->Invalidate();
    }
    TCanvas* Cv = Canvas();
    Cv->Pen()->SetStyle(psSolid);
    TBaseGrid::Paint();
    if (EditorMode()) {
        const bool Lines = GridLineWidth() > 0 && (Options().Contains(goHorzLine) || Options().Contains(goVertLine));
        Cv->Pen()->SetColor(Lines ? GridLineColor() : Color());
        const TBrushStyle Old = Cv->Brush()->Style();
        Cv->Brush()->SetStyle(bsClear);
        Cv->Rectangle(CellRect(Col(), Row()));
        Cv->Brush()->SetStyle(Old);
    }
    Cv->Pen()->SetColor(clBlack);
    PaintOutsideCells();
    PaintSizingLines();
    PaintPanGlyph();
    if (OnAfterPaint) FireEvent(OnAfterPaint, this);
}

void TExtStringGrid::PaintOutsideCells() {
    if (VisibleRowCount() + TopRow() < RowCount() && VisibleColCount() + LeftCol() < ColCount()) return;
    TBackGround* BG = FBackGround.get();
    const bool Gradient = BG->Display() == bdGradientHorz || BG->Display() == bdGradientVert;
    if (Gradient && BG->ColorTo() == clNone) return;
    if (!Gradient && BG->Bitmap()->Empty()) return;
    const TRect Client = ClientRect();   // without the footer panel's space

    std::vector<TRect> Areas;
    // A cell not in view has an all-zero rectangle; one of width or height 0 still has its edges.
    const TRect LastCol = TCustomGrid::CellRect(ColCount() - 1, TopRow());
    if (LastCol.Right > 0 && LastCol.Right + GridLineWidth() < Client.Right)
        Areas.push_back(Rect(LastCol.Right + GridLineWidth(), Client.Top, Client.Right, Client.Bottom));
    const TRect LastRow = TCustomGrid::CellRect(LeftCol(), RowCount() - 1);
    if (LastRow.Bottom > 0 && LastRow.Bottom + GridLineWidth() < Client.Bottom)
        Areas.push_back(Rect(Client.Left, LastRow.Bottom + GridLineWidth(), Client.Right, Client.Bottom));
    if (Areas.empty()) return;

    TCanvas* Cv = Canvas();
    TPen KeptPen;
    KeptPen.Assign(Cv->Pen());
    TBrush KeptBrush;
    KeptBrush.Assign(Cv->Brush());
    for (const TRect& A : Areas) {
        Cv->SetClipRect(A);
        TBitmap* B = BG->Bitmap();
        if (!B->Empty()) {
            if (BG->Display() == bdFixed) {
                Cv->Draw(BG->Left(), BG->Top(), B);
            } else if (BG->Cells() != bcFixed) {
                // Tiles continue those of the cells: aligned to the first scrolling cell.
                const Integer OX = BG->Cells() == bcNormal ? FixedWidth() : 0;
                const Integer OY = BG->Cells() == bcNormal ? FixedHeight() : 0;
                const Integer W = B->Width(), H = B->Height();
                const Integer X0 = OX - ((OX - A.Left) / W + 1) * W;
                const Integer Y0 = OY - ((OY - A.Top) / H + 1) * H;
                for (Integer Y = Y0; Y < A.Bottom; Y += H)
                    for (Integer X = X0; X < A.Right; X += W)
                        if (X + W > A.Left && Y + H > A.Top) Cv->Draw(X, Y, B);
            }
        } else {
            DrawGradient(Cv, BG->Color(), BG->ColorTo(), 128, Client, BG->Display() == bdGradientHorz);
        }
        Cv->ResetClip();
    }
    Cv->Pen()->Assign(&KeptPen);
    Cv->Brush()->Assign(&KeptBrush);
}

// The frame is outside the client area: a bordered grid's cells start inside it.
void TExtStringGrid::ApplyFrame() { SetFrameWidth(FBorderStyle == bsNoBorder ? 0 : FFlat ? 1 : 2); }

void TExtStringGrid::PaintFrame(TCanvas* ACanvas) {
    TBaseGrid::PaintFrame(ACanvas);
    DrawFlatBorder(ACanvas);
}

// Two one-pixel rings over the sunken edge of the frame.
void TExtStringGrid::DrawFlatBorder(TCanvas* ACanvas) {
    if (FLook != glSoft && FLook != glKezmo && FLook != glXP && FLook != glListView) return;
    if (FBorderStyle == bsNoBorder || FFlat) return;
    TCanvas* Cv = ACanvas;
    TBrush Kept;
    Kept.Assign(Cv->Brush());
    Cv->Brush()->SetStyle(bsSolid);
    Cv->Brush()->SetColor(FThemed ? TColor(0xB99D7F) : TColor(0x808080));
    Cv->FrameRect(Rect(1, 1, Width() - 1, Height() - 1));
    if (Parent()) {
        Cv->Brush()->SetColor(Parent()->Color());
        Cv->FrameRect(Rect(0, 0, Width(), Height()));
    }
    Cv->Brush()->Assign(&Kept);
}

void TExtStringGrid::SetBorderStyle(TBorderStyle Value) {
    FBorderStyle = Value;
    ApplyFrame();
    Invalidate();
}

// --- sizing lines ---------------------------------------------------------------------
// Drawing a line where one is shown removes it, as an exclusive-or line does.
namespace {
void ToggleLine(std::vector<Integer>& Lines, Integer Pos) {
    auto It = std::find(Lines.begin(), Lines.end(), Pos);
    if (It != Lines.end()) Lines.erase(It);
    else Lines.push_back(Pos);
}
}  // namespace

void TExtStringGrid::DrawSizingColLine(Integer X) {
    ToggleLine(FSizingColLines, X);
    Invalidate();
}

void TExtStringGrid::DrawSizingRowLine(Integer Y) {
    ToggleLine(FSizingRowLines, Y);
    Invalidate();
}

void TExtStringGrid::PaintSizingLines() {
    if (FSizingColLines.empty() && FSizingRowLines.empty()) return;
    TCanvas* Cv = Canvas();
    TPen Kept;
    Kept.Assign(Cv->Pen());
    Cv->Pen()->SetColor(clBlack);
    Cv->Pen()->SetStyle(psDot);
    Cv->Pen()->SetWidth(1);
    const TRect LastCol = TCustomGrid::CellRect(ColCount() - 1, TopRow());
    const TRect LastRow = TCustomGrid::CellRect(LeftCol(), RowCount() - 1);
    const Integer Bottom = LastRow.Bottom <= 0 ? ClientHeight() : std::min(LastRow.Bottom, ClientHeight());
    const Integer Right = LastCol.Right <= 0 ? ClientWidth() : std::min(LastCol.Right, ClientWidth());
    for (Integer X : FSizingColLines) {
        Cv->MoveTo(X, 0);
        Cv->LineTo(X, Bottom);
    }
    for (Integer Y : FSizingRowLines) {
        Cv->MoveTo(0, Y);
        Cv->LineTo(Right, Y);
    }
    Cv->Pen()->Assign(&Kept);
}
