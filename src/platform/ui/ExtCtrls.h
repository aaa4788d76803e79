#pragma once
// Panels, images and timers.
#include "platform/ui/Controls.h"

#include "platform/sys/Timers.h"

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TBorderStyle { bsNoBorder, bsSingleBorder };

class TPanel : public TCustomControl {
public:
    explicit TPanel(TComponent* AOwner);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut Value) { FBevelOuter = Value; Invalidate(); }
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut Value) { FBevelInner = Value; Invalidate(); }
    Integer BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(Integer Value) { FBevelWidth = Value < 1 ? 1 : Value; Invalidate(); }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value) { FAlignment = Value; Invalidate(); }

protected:
    void Paint() override;
    void SetTextCore(const AnsiString& Value) override;

private:
    TBevelCut FBevelOuter = bvRaised;
    TBevelCut FBevelInner = bvNone;
    Integer FBevelWidth = 1;
    TAlignment FAlignment = taCenter;
};

// Shows a picture; Stretch fills the control (keeping the aspect ratio when
// Proportional), Center centres an unstretched picture.
class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* AOwner);
    ~TImage() override;
    TPicture* Picture() const { return FPicture.get(); }
    void SetPicture(TPicture* Value) { FPicture->Assign(Value); }
    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value) { FStretch = Value; Invalidate(); }
    bool Proportional() const { return FProportional; }
    void SetProportional(bool Value) { FProportional = Value; Invalidate(); }
    bool Center() const { return FCenter; }
    void SetCenter(bool Value) { FCenter = Value; Invalidate(); }
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    // Where the picture is drawn, in client coordinates.
    TRect DestRect() const;

protected:
    void Paint() override;

private:
    void PictureChanged();
    std::unique_ptr<TPicture> FPicture;
    bool FStretch = false;
    bool FProportional = false;
    bool FCenter = false;
    bool FTransparent = false;
    bool FAutoSize = false;
};

// Fires OnTimer every Interval milliseconds while Enabled, through the
// process's timer service (a manual clock in tests).
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    Cardinal Interval() const { return FInterval; }
    void SetInterval(Cardinal Value);
    TNotifyEvent OnTimer;

private:
    void Update();
    bool FEnabled = true;
    Cardinal FInterval = 1000;
    TTimerId FId = 0;
};
