#pragma once
// A push button without a window focus of its own: it never takes the keyboard
// focus, shows a glyph and/or a caption, can look flat, and clicks on a left
// release over itself after a press on itself.
#include "platform/ui/Controls.h"

#include <memory>

enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };

class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* AOwner);
    ~TSpeedButton() override;

    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    // A glyph of NumGlyphs images side by side: up, disabled, down, (exclusive).
    TBitmap* Glyph() const { return FGlyph.get(); }
    void SetGlyph(TBitmap* Value);
    Integer NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(Integer Value);
    // A flat button leaves its background unpainted when transparent.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    TButtonState State() const { return FState; }
    // True while the left button, pressed on this button, is still held.
    bool Dragging() const { return FDragging; }
    bool MouseInControl() const { return FMouseInControl; }

    bool QtEvent(QEvent* Event) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
    virtual void MouseEnter();
    virtual void MouseLeave();
    void SetTextCore(const AnsiString& Value) override;
    // The face: frame, then glyph and caption moved by one pixel while down.
    void PaintFrame(TRect& R);
    void PaintContent(const TRect& R);
    TButtonState FState = bsUp;
    bool FDragging = false;
    bool FMouseInControl = false;

private:
    bool FFlat = false;
    bool FTransparent = false;
    std::unique_ptr<TBitmap> FGlyph;
    Integer FNumGlyphs = 1;
};
