#include "platform/ui/SpeedButton.h"

#include "platform/ui/Controls_p.h"
#include "platform/ui/WinApi.h"

#include <QEvent>
#include <QWidget>

#include <algorithm>

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner), FGlyph(std::make_unique<TBitmap>()) {
    auto* W = new THost<QWidget>(this);
    W->setFocusPolicy(Qt::NoFocus);
    SetWidget(W);
    FGlyph->OnChange = [this](TObject*) { Invalidate(); };
    SetBounds(0, 0, 23, 22);
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetFlat(bool Value) {
    if (FFlat == Value) return;
    FFlat = Value;
    Invalidate();
}

void TSpeedButton::SetTransparent(bool Value) {
    if (FTransparent == Value) return;
    FTransparent = Value;
    Invalidate();
}

void TSpeedButton::SetGlyph(TBitmap* Value) {
    if (Value) FGlyph->Assign(Value);
    else FGlyph->SetSize(0, 0);
    Invalidate();
}

void TSpeedButton::SetNumGlyphs(Integer Value) {
    FNumGlyphs = std::clamp(Value, 1, 4);
    Invalidate();
}

void TSpeedButton::SetTextCore(const AnsiString& Value) {
    FText = Value;
    Invalidate();
}

bool TSpeedButton::QtEvent(QEvent* E) {
    if (E->type() == QEvent::Enter) {
        GuardedCall(this, [this] { MouseEnter(); });
        return false;
    }
    if (E->type() == QEvent::Leave) {
        GuardedCall(this, [this] { MouseLeave(); });
        return false;
    }
    return TGraphicControl::QtEvent(E);
}

void TSpeedButton::MouseEnter() {
    FMouseInControl = true;
    if (FFlat && Enabled()) Invalidate();
}

void TSpeedButton::MouseLeave() {
    FMouseInControl = false;
    if (FFlat && Enabled()) Invalidate();
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
    const std::shared_ptr<const bool> Alive = AliveToken();
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (!IsAlive(Alive)) return;
    if (Button == mbLeft && Enabled()) {
        FState = bsDown;
        FDragging = true;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
    if (Button == mbLeft && FDragging) {
        FDragging = false;
        FState = bsUp;
        Invalidate();
    }
    TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TSpeedButton::PaintFrame(TRect& R) {
    const bool Down = FState == bsDown || FState == bsExclusive;
    if (FFlat) {
        if (!FTransparent) {
            Canvas()->Brush()->SetColor(clBtnFace);
            Canvas()->Brush()->SetStyle(bsSolid);
            Canvas()->FillRect(R);
        }
        if (Down) DrawEdge(Canvas(), R, BDR_SUNKENOUTER, BF_RECT);
        else if (FMouseInControl && Enabled()) DrawEdge(Canvas(), R, BDR_RAISEDINNER, BF_RECT);
        InflateRect(R, -1, -1);
    } else {
        DrawFrameControl(Canvas(), R, DFC_BUTTON, DFCS_BUTTONPUSH | (Down ? DFCS_PUSHED : 0));
        InflateRect(R, -2, -2);
    }
}

void TSpeedButton::PaintContent(const TRect& R) {
    const bool Down = FState == bsDown || FState == bsExclusive;
    const Integer Shift = Down ? 1 : 0;
    if (!FGlyph->Empty()) {
        const Integer GW = FGlyph->Width() / FNumGlyphs, GH = FGlyph->Height();
        Integer Index = 0;
        if (!Enabled() && FNumGlyphs > 1) Index = 1;
        else if (Down && FNumGlyphs > 2) Index = 2;
        TBitmap Part;
        Part.SetSize(GW, GH);
        Part.Canvas()->Draw(-Index * GW, 0, FGlyph.get());
        Part.SetTransparent(true);
        Integer X = R.Left + std::max(0, (R.Right - R.Left - GW) / 2) + Shift;
        Integer Y = R.Top + std::max(0, (R.Bottom - R.Top - GH) / 2) + Shift;
        Canvas()->Draw(X, Y, &Part);
    }
    if (!FText.empty()) {
        TRect T = R;
        OffsetRect(T, Shift, Shift);
        Canvas()->Font()->Assign(Font());
        if (!Enabled()) Canvas()->Font()->SetColor(clGrayText);
        Canvas()->Brush()->SetStyle(bsClear);
        Canvas()->DrawText(FText, T, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

void TSpeedButton::Paint() {
    TRect R = ClientRect();
    PaintFrame(R);
    PaintContent(R);
}
