// THTMLHintWindow, the grid's hint window (mini-HTML text in a framed box), the cell hints it shows and the balloon tips.
#include "grid/ExtGridHint.h"

#include "grid/EsgHTMLE.h"
#include "grid/ExtGrid.h"
#include "grid/ExtUtil.h"
#include "platform/rtl/CodePage.h"
#include "platform/ui/BalloonTip.h"
#include "platform/ui/Rtf.h"
#include "platform/ui/WinApi.h"

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

// A password cell's letters each become the password character, as the cell paints them.
template <class S>
void HideLetters(S& Text, char PasswordChar) {
    std::fill(Text.begin(), Text.end(), typename S::value_type(static_cast<unsigned char>(PasswordChar)));
}

}  // namespace

THTMLHintWindow::THTMLHintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
    FTabStop = false;
    SetTakesFocus(this, false);
    SetEnabled(false);   // the mouse goes on to what lies below
    SetVisible(false);
    TControl::SetColor(clInfoBk);
}

void THTMLHintWindow::DrawText(TCanvas* ACanvas, const TRect& R, bool MeasureOnly, Integer& Width,
                               Integer& Height) {
    if (!FWideText.empty()) {
        // Plain lines of a Unicode text, not markup.
        TRect M = R;
        ACanvas->DrawTextW(FWideText, M, DT_NOPREFIX | DT_WORDBREAK | DT_CALCRECT);
        Width = M.Width();
        Height = M.Height();
        if (MeasureOnly) return;
        const TBrushStyle Old = ACanvas->Brush()->Style();
        ACanvas->Brush()->SetStyle(bsClear);
        TRect D = R;
        ACanvas->DrawTextW(FWideText, D, DT_NOPREFIX | DT_WORDBREAK);
        ACanvas->Brush()->SetStyle(Old);
        return;
    }
    AnsiString Anchor, Plain, Focused, Title, CID, CValue, CType;
    Integer Count = 0, Hit = -1;
    TRect AR, CR;
    HTMLDrawEx(ACanvas, Text(), R, nullptr, 0, 0, -1, -1, 1, false, MeasureOnly, false, false, true, false, true,
               false, 0, clBlue, clNone, clNone, 0x808080, Anchor, Plain, Focused, Title, Width, Height, Count, Hit,
               AR, CR, CID, CValue, CType, nullptr, nullptr, nullptr);
}

TRect THTMLHintWindow::CalcHintRect(Integer MaxWidth, const AnsiString& Hint, const WideString& Wide) {
    TBitmap Scratch;
    Scratch.SetSize(1, 1);
    Scratch.Canvas()->Font()->Assign(Font());
    const AnsiString Kept = Text();
    const WideString KeptWide = FWideText;
    FText = Hint;
    FWideText = Wide;
    Integer W = 0, H = 0;
    DrawText(Scratch.Canvas(), Rect(0, 0, std::max(1, MaxWidth), 4096), true, W, H);
    FText = Kept;
    FWideText = KeptWide;
    return Rect(0, 0, W + 16, H + 4);
}

void THTMLHintWindow::ActivateHint(TRect R, const AnsiString& Hint, const WideString& Wide) {
    FWideText = Wide;
    SetText(Hint);
    if (Parent()) {
        const Integer PW = Parent()->ClientWidth(), PH = Parent()->ClientHeight();
        if (R.Right > PW - 2 && R.Width() + 4 <= PW) OffsetRect(R, PW - 2 - R.Right, 0);
        if (R.Bottom > PH - 2 && R.Height() + 4 <= PH) OffsetRect(R, 0, PH - 2 - R.Bottom);
    }
    SetBounds(R.Left, R.Top, R.Width(), R.Height());
    SetVisible(true);
    BringToFront();
    Invalidate();
}

void THTMLHintWindow::SetTextCore(const AnsiString& Value) {
    FText = Value;
    Invalidate();
}

void THTMLHintWindow::Paint() {
    TCanvas* C = Canvas();
    const TRect R = ClientRect();
    C->Brush()->SetColor(TControl::Color());
    C->FillRect(R);
    TRect Edge = R;
    DrawEdge(C, Edge, BDR_RAISEDOUTER, BF_RECT);   // light top-left, dark shadow bottom-right
    C->Font()->Assign(Font());
    Integer W = 0, H = 0;
    DrawText(C, Rect(R.Left + 4, R.Top, R.Right, R.Bottom - 4), true, W, H);
    const Integer Top = R.Top + std::max(0, (R.Height() - H) / 2);
    DrawText(C, Rect(R.Left + 4, Top, R.Right, R.Bottom - 4 + (Top - R.Top)), false, W, H);
}

// --- cell hints ---------------------------------------------------------------------------------
THTMLHintWindow* TExtStringGrid::HintWindowOn(TWinControl* Host) {
    if (!FHintWindow) FHintWindow = new THTMLHintWindow(this);
    // The grid may have moved to another parent since, and the old one may be gone.
    if (FHintWindow->Parent() != Host) FHintWindow->SetParent(Host);
    return FHintWindow;
}

// Shows Hint with its top-left corner at the grid point (X, Y).
void TExtStringGrid::ShowHintAt(Integer X, Integer Y, Integer MaxWidth, const AnsiString& Hint, const WideString& Wide) {
    TWinControl* Host = Parent();
    if (!Host) return;
    THTMLHintWindow* W = HintWindowOn(Host);
    const TPoint P = Host->ScreenToClient(ClientToScreen(Point(X, Y)));
    TRect R = W->CalcHintRect(MaxWidth, Hint, Wide);
    OffsetRect(R, P.X, P.Y);
    W->SetColor(FHintColor);
    W->ActivateHint(R, Hint, Wide);
}

void TExtStringGrid::HideCellHint() {
    if (FHintCell.X < 0) return;
    FHintCell = TGridCoord{-1, -1};
    if (FHintWindow) FHintWindow->Hide();
}

namespace {

// Plain text shown in the mini-HTML hint window keeps its "<" and "&"; lines break where it does.
AnsiString AsMarkup(const AnsiString& S) {
    AnsiString R;
    for (char C : HTMLEncode(S)) {
        if (C == '\r') continue;
        if (C == '\n') R += "<BR>";
        else R += C;
    }
    return R;
}

}  // namespace

bool TExtStringGrid::HintRequested(Integer X, Integer Y) {
    if (!ShowHint()) return false;
    HideCellHint();
    const TGridCoord C = MouseCoord(X, Y);
    if (C.X < 0 || C.Y < 0) return true;
    const Integer RC = RealColIndex(C.X);
    const TRect R = CellRect(C.X, C.Y);
    AnsiString Hint = AsMarkup(TControl::Hint());
    TPoint At = Point(R.Left, R.Bottom + 6);
    const AnsiString Raw = Cells(RC, C.Y);
    if (FAnchorHint) {
        THTMLHit Hit;
        if (CellHTMLHit(RC, C.Y, X, Y, Hit) && !Hit.Anchor.empty() && Hit.CtlType.empty()) {
            AnsiString Anchor = Hit.Title.empty() ? Hit.Anchor : Hit.Title;
            if (OnAnchorHint) FireEvent(OnAnchorHint, this, C.Y, C.X, Anchor);
            Hint = AsMarkup(Anchor);
        }
    }
    AnsiString Comment;
    if (GetComment(RC, C.Y, Comment)) {
        Hint = AsMarkup(Comment);
        At = Point(R.Right, R.Top);
    }
    // The cell's own text as the cell shows it: without tags, a Unicode or rich cell's
    // letters, a plain cell's text as it stands.
    const Integer Kind = TextType(Raw, FEnableHTML);
    const bool Decoded = Kind == 5 || Kind == 2;
    WideString Wide = Kind == 5 ? CellTextToWide(Raw) : Kind == 2 ? RtfRead(Raw).PlainText() : WideString();
    AnsiString Own = Decoded ? AsMarkup(WideToAnsi(Wide))
                     : FHTMLHint ? Raw
                                 : AsMarkup(Kind == 1 ? HTMLStrip(Raw) : Raw);
    if (HidesText(RC, C.Y)) {
        AnsiString Letters = Decoded ? WideToAnsi(Wide) : Kind == 1 ? HTMLStrip(Raw) : Raw;
        HideLetters(Letters, FPasswordChar);
        HideLetters(Wide, FPasswordChar);
        Own = AsMarkup(Letters);
    }
    bool OwnText = false;
    if (FHintShowCells && C.X >= FixedCols() && C.Y >= FixedRows() && !Raw.empty()) OwnText = true;
    if (FHintShowLargeText && !Raw.empty() && CellTextCut(C.X, C.Y)) OwnText = true;
    if (OwnText) Hint = Own;
    if (!(FooterRowShown() && C.Y == RowCount() - 1)) GridHint(RC, C.Y, Hint);
    if (Hint.empty()) return true;
    // Letters outside the code page show unless the hint event gave another text.
    const bool ShowWide = OwnText && Decoded && Hint == Own;
    ShowHintAt(At.X, At.Y, std::max(200, ClientWidth()), Hint, ShowWide ? Wide : WideString());
    FHintCell = C;
    return true;
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
    if (HidesText(RealColIndex(ACol), ARow)) HideLetters(Text, FPasswordChar);
    TidyBalloonText(Text);
    return Text;
}

// A rich or Unicode cell's own letters, those outside the code page too.
WideString TExtStringGrid::BalloonCellWideText(Integer ACol, Integer ARow) {
    const AnsiString Raw = Cells(ACol, ARow);
    WideString Text = TextType(Raw, true) == 2 ? RtfRead(Raw).PlainText() : CellTextToWide(Raw);
    if (HidesText(RealColIndex(ACol), ARow)) HideLetters(Text, FPasswordChar);
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
    if (OnCellBalloon) FireEvent(OnCellBalloon, this, C, R, Title, Text, Icon);
    CutWithEllipsis(Title, BalloonTitleLimit);
    Tip.Title = Title;
    Tip.Text = Text;
    // A rich or Unicode cell's letters outside the code page show unless the handler gave another text.
    const Integer Kind = TextType(Cells(C, R), true);
    if (Text == Given && (Kind == 2 || Kind == 5)) Tip.WideText = BalloonCellWideText(C, R);
    Tip.Icon = Icon >= 0 && Icon <= 3 ? Icon : 0;
    Tip.BackgroundColor = FBalloon->BackgroundColor();
    Tip.TextColor = FBalloon->TextColor();
    Tip.AutoHideDelay = FBalloon->AutoHideDelay();
    Tip.Transparency = FBalloon->Transparency();
    SetBalloonDelays(this, FBalloon->InitialDelay(), FBalloon->ReshowDelay());
    return true;
}
