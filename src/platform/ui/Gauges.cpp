#include "platform/ui/Gauges.h"

#include "platform/ui/Controls_p.h"

#include <algorithm>

TGauge::TGauge(TComponent* AOwner) : TGraphicControl(AOwner) {
    auto* W = new THost<QWidget>(this);
    W->resize(100, 100);
    SetWidget(W);
}

void TGauge::SetMinValue(Integer Value) {
    FMinValue = Value;
    if (FMaxValue < FMinValue) FMaxValue = FMinValue;
    FProgress = std::clamp(FProgress, FMinValue, FMaxValue);
    Invalidate();
}

void TGauge::SetMaxValue(Integer Value) {
    FMaxValue = Value;
    if (FMinValue > FMaxValue) FMinValue = FMaxValue;
    FProgress = std::clamp(FProgress, FMinValue, FMaxValue);
    Invalidate();
}

void TGauge::SetProgress(Integer Value) {
    FProgress = std::clamp(Value, FMinValue, FMaxValue);
    Invalidate();
}

Integer TGauge::PercentDone() const {
    Int64 Range = static_cast<Int64>(FMaxValue) - FMinValue;
    if (Range <= 0) return 0;
    return static_cast<Integer>((static_cast<Int64>(FProgress) - FMinValue) * 100 / Range);
}

void TGauge::Paint() {
    TCanvas* C = Canvas();
    TRect R = ClientRect();
    C->Brush()->SetColor(FBackColor);
    C->FillRect(R);
    Int64 Range = static_cast<Int64>(FMaxValue) - FMinValue;
    Int64 Done = static_cast<Int64>(FProgress) - FMinValue;
    if (Range > 0 && FKind != gkText) {
        C->Brush()->SetColor(FForeColor);
        if (FKind == gkVerticalBar) {
            Integer H = static_cast<Integer>(Done * R.Height() / Range);
            C->FillRect(Rect(R.Left, R.Bottom - H, R.Right, R.Bottom));
        } else {
            Integer W = static_cast<Integer>(Done * R.Width() / Range);
            C->FillRect(Rect(R.Left, R.Top, R.Left + W, R.Bottom));
        }
    }
    if (FShowText) {
        C->Brush()->SetStyle(bsClear);
        C->Font()->SetColor(FForeColor == clBlack ? clGray : clBlack);
        TRect T = R;
        C->DrawText(Format("%d%%", {PercentDone()}), T, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
    }
}
