// TExtStringGrid: what the grid paints besides its cells (the area no cell covers,
// the flat border, the frame around the editor, the sizing lines) and its balloon
// tips.
#include "grid/ExtGrid.h"

#include "grid/EsgHTMLE.h"
#include "grid/ExtUtil.h"
#include "platform/rtl/CodePage.h"
#include "platform/ui/BalloonTip.h"
#include "platform/ui/Rtf.h"
#include "platform/ui/WindowNotices.h"

#include <algorithm>

namespace {

constexpr size_t BalloonTextLimit = 1024;
constexpr size_t BalloonTitleLimit = 100;

template <class S>
void CutWithEllipsis(S& Text, size_t Limit) {
    if (Text.size() <= Limit) return;
    Text.resize(Limit);
    Text.append(3, '.');
}

// Leading tabs and breaks go, tabs become blanks, and a long text is cut.
template <class S>
void TidyBalloonText(S& Text) {
    size_t Start = 0;
    while (Start < Text.size() && (Text[Start] == '\t' || Text[Start] == '\r' || Text[Start] == '\n')) ++Start;
    Text.erase(0, Start);
    std::replace(Text.begin(), Text.end(), typename S::value_type('\t'), typename S::value_type(' '));
    CutWithEllipsis(Text, BalloonTextLimit);
}

}  // namespace

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
    if (OnAfterPaint) OnAfterPaint(this);
}

void TExtStringGrid::PaintOutsideCells() {
    if (VisibleRowCount() + TopRow() < RowCount() && VisibleColCount() + LeftCol() < ColCount()) return;
    TBackGround* BG = FBackGround.get();
    const bool Gradient = BG->Display() == bdGradientHorz || BG->Display() == bdGradientVert;
    if (Gradient && BG->ColorTo() == clNone) return;
    if (!Gradient && BG->Bitmap()->Empty()) return;
    const TRect Client = ClientRect();   // without the footer panel's space

    std::vector<TRect> Areas;
    const TRect LastCol = TCustomGrid::CellRect(ColCount() - 1, TopRow());
    if (!LastCol.IsEmpty() && LastCol.Right + GridLineWidth() < Client.Right)
        Areas.push_back(Rect(LastCol.Right + GridLineWidth(), Client.Top, Client.Right, Client.Bottom));
    const TRect LastRow = TCustomGrid::CellRect(LeftCol(), RowCount() - 1);
    if (!LastRow.IsEmpty() && LastRow.Bottom + GridLineWidth() < Client.Bottom)
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
    const Integer Bottom = LastRow.IsEmpty() ? ClientHeight() : std::min(LastRow.Bottom, ClientHeight());
    const Integer Right = LastCol.IsEmpty() ? ClientWidth() : std::min(LastCol.Right, ClientWidth());
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

// --- balloon tips -------------------------------------------------------------------------
AnsiString TExtStringGrid::BalloonCellText(Integer ACol, Integer ARow) {
    const AnsiString Raw = Cells(ACol, ARow);
    AnsiString Text;
    switch (TextType(Raw, true)) {
        case 1: Text = HTMLStrip(Raw); break;
        case 2: Text = WideToAnsi(RtfRead(Raw).PlainText()); break;
        case 5: Text = WideToAnsi(BalloonCellWideText(ACol, ARow)); return Text;
        default: Text = Raw; break;
    }
    TidyBalloonText(Text);
    return Text;
}

WideString TExtStringGrid::BalloonCellWideText(Integer ACol, Integer ARow) {
    WideString Text = CellTextToWide(Cells(ACol, ARow));
    TidyBalloonText(Text);
    return Text;
}

bool TExtStringGrid::BalloonAt(TPoint P, TBalloonTip& Tip) {
    Integer C = -1, R = -1;
    MouseToCell(P.X, P.Y, C, R);
    if (C < 0 || R < 0) return false;
    AnsiString Title, Text = BalloonCellText(C, R);
    const AnsiString Given = Text;
    Integer Icon = 1;
    if (OnCellBalloon) OnCellBalloon(this, C, R, Title, Text, Icon);
    CutWithEllipsis(Title, BalloonTitleLimit);
    Tip.Title = Title;
    Tip.Text = Text;
    // A Unicode cell's letters outside the code page show unless the handler gave another text.
    if (Text == Given && TextType(Cells(C, R), true) == 5) Tip.WideText = BalloonCellWideText(C, R);
    Tip.Icon = Icon >= 0 && Icon <= 3 ? Icon : 0;
    Tip.BackgroundColor = FBalloon->BackgroundColor();
    Tip.TextColor = FBalloon->TextColor();
    Tip.AutoHideDelay = FBalloon->AutoHideDelay();
    Tip.Transparency = FBalloon->Transparency();
    SetBalloonDelays(this, FBalloon->InitialDelay(), FBalloon->ReshowDelay());
    return true;
}

// --- date picker ----------------------------------------------------------------------------
void TExtStringGrid::DateTimeChanged(TDateTime Value) {
    if (OnDateTimeChange) OnDateTimeChange(this, Col(), Row(), Value);
}
