// THTMLHintWindow: the hint window of the grid (mini-HTML text in a framed box).
#include "grid/ExtGridHint.h"

#include "grid/EsgHTMLE.h"
#include "platform/ui/WinApi.h"

#include <algorithm>

THTMLHintWindow::THTMLHintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
    FTabStop = false;
    SetTakesFocus(this, false);
    SetEnabled(false);   // the mouse goes on to what lies below
    SetVisible(false);
    TControl::SetColor(clInfoBk);
}

void THTMLHintWindow::DrawText(TCanvas* ACanvas, const TRect& R, bool MeasureOnly, Integer& Width,
                               Integer& Height) {
    AnsiString Anchor, Plain, Focused, Title, CID, CValue, CType;
    Integer Count = 0, Hit = -1;
    TRect AR, CR;
    HTMLDrawEx(ACanvas, Text(), R, nullptr, 0, 0, -1, -1, 1, false, MeasureOnly, false, false, true, false, true,
               false, 0, clBlue, clNone, clNone, 0x808080, Anchor, Plain, Focused, Title, Width, Height, Count, Hit,
               AR, CR, CID, CValue, CType, nullptr, nullptr, nullptr);
}

TRect THTMLHintWindow::CalcHintRect(Integer MaxWidth, const AnsiString& Hint) {
    TBitmap Scratch;
    Scratch.SetSize(1, 1);
    Scratch.Canvas()->Font()->Assign(Font());
    const AnsiString Kept = Text();
    FText = Hint;
    Integer W = 0, H = 0;
    DrawText(Scratch.Canvas(), Rect(0, 0, std::max(1, MaxWidth), 4096), true, W, H);
    FText = Kept;
    return Rect(0, 0, W + 16, H + 4);
}

void THTMLHintWindow::ActivateHint(TRect R, const AnsiString& Hint) {
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
