#pragma once
// The grid's hint window: a frameless control over the grid's form that shows a
// mini-HTML text (sizing hints while a column or row is dragged, cell hints).
#include "platform/ui/Controls.h"

class THTMLHintWindow : public TCustomControl {
public:
    explicit THTMLHintWindow(TComponent* AOwner);
    // The window the hint needs: text width + 16 by text height + 4, the text laid
    // out in at most MaxWidth pixels; placed at (0, 0). A non-empty Wide is shown
    // instead of Hint, as plain lines (Hint then holds it in the code page).
    TRect CalcHintRect(Integer MaxWidth, const AnsiString& Hint, const WideString& Wide = WideString());
    // Shows Hint over R (client coordinates of the parent), moved back inside the
    // parent when it would leave it on the right or at the bottom.
    void ActivateHint(TRect R, const AnsiString& Hint, const WideString& Wide = WideString());
    const WideString& WideText() const { return FWideText; }

protected:
    void Paint() override;
    void SetTextCore(const AnsiString& Value) override;

private:
    WideString FWideText;
    void DrawText(TCanvas* ACanvas, const TRect& R, bool MeasureOnly, Integer& Width, Integer& Height);
};
