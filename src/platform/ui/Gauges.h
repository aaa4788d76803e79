#pragma once
// A drawn progress gauge with its percentage.
#include "platform/ui/Controls.h"

enum TGaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };

class TGauge : public TGraphicControl {
public:
    explicit TGauge(TComponent* AOwner);
    Integer MinValue() const { return FMinValue; }
    void SetMinValue(Integer Value);
    Integer MaxValue() const { return FMaxValue; }
    void SetMaxValue(Integer Value);
    Integer Progress() const { return FProgress; }
    void SetProgress(Integer Value);   // kept within MinValue..MaxValue
    void AddProgress(Integer Value) { SetProgress(FProgress + Value); }
    // Whole percent done; 0 when the range is empty.
    Integer PercentDone() const;
    TColor ForeColor() const { return FForeColor; }
    void SetForeColor(TColor Value) { FForeColor = Value; Invalidate(); }
    TColor BackColor() const { return FBackColor; }
    void SetBackColor(TColor Value) { FBackColor = Value; Invalidate(); }
    bool ShowText() const { return FShowText; }
    void SetShowText(bool Value) { FShowText = Value; Invalidate(); }
    TGaugeKind Kind() const { return FKind; }
    void SetKind(TGaugeKind Value) { FKind = Value; Invalidate(); }

protected:
    void Paint() override;

private:
    Integer FMinValue = 0, FMaxValue = 100, FProgress = 0;
    TColor FForeColor = clBlack, FBackColor = clWhite;
    bool FShowText = true;
    TGaugeKind FKind = gkHorizontalBar;
};
