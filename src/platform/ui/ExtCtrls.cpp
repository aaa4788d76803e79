#include "platform/ui/ExtCtrls.h"

#include "platform/ui/Controls_p.h"

#include <QWidget>

#include <algorithm>

TPanel::TPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    FTabStop = false;
    FWidget->setFocusPolicy(Qt::NoFocus);
    SetBounds(0, 0, 185, 41);
}

void TPanel::SetTextCore(const AnsiString& Value) {
    FText = Value;
    Invalidate();
}

void TPanel::Paint() {
    TRect R = ClientRect();
    auto Bevel = [&](TBevelCut Cut) {
        if (Cut == bvNone) return;
        TColor TopLeft = Cut == bvLowered ? clBtnShadow : clBtnHighlight;
        TColor BottomRight = Cut == bvLowered ? clBtnHighlight : clBtnShadow;
        if (Cut == bvSpace) TopLeft = BottomRight = Color();
        for (Integer I = 0; I < FBevelWidth; ++I) {
            Canvas()->Pen()->SetColor(TopLeft);
            Canvas()->MoveTo(R.Left, R.Bottom - 1);
            Canvas()->LineTo(R.Left, R.Top);
            Canvas()->LineTo(R.Right - 1, R.Top);
            Canvas()->Pen()->SetColor(BottomRight);
            Canvas()->LineTo(R.Right - 1, R.Bottom - 1);
            Canvas()->LineTo(R.Left, R.Bottom - 1);
            InflateRect(R, -1, -1);
        }
    };
    Bevel(FBevelOuter);
    Bevel(FBevelInner);
    if (!FText.empty()) {
        Canvas()->Brush()->SetStyle(bsClear);
        Cardinal F = DT_SINGLELINE | DT_VCENTER |
                     (FAlignment == taCenter ? DT_CENTER : FAlignment == taRightJustify ? DT_RIGHT : DT_LEFT);
        Canvas()->DrawText(FText, R, F);
    }
}

// ---------------------------------------------------------------------------
TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), FPicture(std::make_unique<TPicture>()) {
    auto* W = new THost<QWidget>(this);
    W->resize(105, 105);
    FTransparentBackground = true;
    SetWidget(W);
    FPicture->OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage() = default;

void TImage::PictureChanged() {
    if (FAutoSize && FPicture->Width() > 0) SetBounds(Left(), Top(), FPicture->Width(), FPicture->Height());
    Invalidate();
}

void TImage::SetTransparent(bool Value) {
    FTransparent = Value;
    if (FPicture->Graphic()) FPicture->Graphic()->SetTransparent(Value);
    Invalidate();
}

void TImage::SetAutoSize(bool Value) {
    FAutoSize = Value;
    PictureChanged();
}

TRect TImage::DestRect() const {
    Integer PW = FPicture->Width(), PH = FPicture->Height();
    Integer CW = Width(), CH = Height();
    if (PW <= 0 || PH <= 0) return Rect(0, 0, 0, 0);
    Integer W = PW, H = PH;
    if (FStretch || (FProportional && (PW > CW || PH > CH))) {
        if (FProportional) {
            // Fit inside, keeping the shape.
            if (static_cast<Int64>(PW) * CH > static_cast<Int64>(PH) * CW) {
                W = CW;
                H = static_cast<Integer>(static_cast<Int64>(PH) * CW / PW);
            } else {
                H = CH;
                W = static_cast<Integer>(static_cast<Int64>(PW) * CH / PH);
            }
        } else {
            W = CW;
            H = CH;
        }
    }
    Integer X = 0, Y = 0;
    if (FCenter) {
        X = (CW - W) / 2;
        Y = (CH - H) / 2;
    }
    return Bounds(X, Y, W, H);
}

void TImage::Paint() {
    TGraphic* G = FPicture->Graphic();
    if (!G || G->Empty()) return;
    if (G->Transparent() != FTransparent) G->SetTransparent(FTransparent);
    TRect D = DestRect();
    if (D.Width() == G->Width() && D.Height() == G->Height()) Canvas()->Draw(D.Left, D.Top, G);
    else Canvas()->StretchDraw(D, G);
}

// ---------------------------------------------------------------------------
TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) { Update(); }

TTimer::~TTimer() {
    if (FId) TimerService().KillTimer(FId);
}

void TTimer::SetEnabled(bool Value) {
    if (Value == FEnabled) return;
    FEnabled = Value;
    Update();
}

void TTimer::SetInterval(Cardinal Value) {
    if (Value == FInterval) return;
    FInterval = Value;
    Update();
}

void TTimer::Update() {
    if (FId) {
        TimerService().KillTimer(FId);
        FId = 0;
    }
    if (FEnabled && FInterval > 0) {
        FId = TimerService().SetTimer(FInterval, [this] {
            GuardedCall(this, [this] { FireEvent(OnTimer, this); });
        });
    }
}
