#pragma once
// Spin edit: an edit with a pair of up and down buttons that steps an integer,
// a floating-point number, a date or a time within bounds, filters typed
// characters per kind of value and repeats a step while a button is held
// (first after 400 ms, then every 100 ms).
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/SpeedButton.h"
#include "platform/ui/StdCtrls.h"

enum TEsgSpinType { sptNormal, sptFloat, sptDate, sptTime };
enum TSpinDirection { spVertical, spHorizontal };
enum TEditAlign { eaLeft, eaRight, eaCenter };
enum TTimeBtnStateItem { tbFocusRect, tbAllowTimer };
using TTimeBtnState = TSet<TTimeBtnStateItem>;

// A speed button that repeats its click while it is held down.
class TExtTimerSpeedButton : public TSpeedButton {
public:
    explicit TExtTimerSpeedButton(TComponent* AOwner);
    ~TExtTimerSpeedButton() override;

    TTimeBtnState TimeBtnState() const { return FTimeBtnState; }
    void SetTimeBtnState(TTimeBtnState Value);
    // 0 left, 1 right, 2 up, 3 down.
    Integer ArrowDirection() const { return FArrowDirection; }
    void SetArrowDirection(Integer Value);
    bool IsWinXP() const { return FIsWinXP; }
    void SetIsWinXP(bool Value);
    bool Hot() const { return FHot; }
    TTimer* RepeatTimer() const { return FRepeatTimer; }   // nullptr until the first press

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    bool QtEvent(QEvent* Event) override;

private:
    void TimerExpired(TObject* Sender);
    // The press ends without a click: the button goes up and stops repeating.
    void CancelPress();
    void RepaintParent();
    TTimer* FRepeatTimer = nullptr;
    TTimeBtnState FTimeBtnState;
    Integer FArrowDirection = 2;
    bool FIsWinXP = false;
    bool FHot = false;
};

// The up and down buttons of a spin edit.
class TEsgSpinButton : public TCustomControl {
public:
    explicit TEsgSpinButton(TComponent* AOwner);
    ~TEsgSpinButton() override;

    TExtTimerSpeedButton* UpButton() const { return FUpButton; }
    TExtTimerSpeedButton* DownButton() const { return FDownButton; }
    TExtTimerSpeedButton* FocusedButton() const { return FFocusedButton; }
    void SetFocusedButton(TExtTimerSpeedButton* Value);
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* Value);
    TSpinDirection Direction() const { return FDirection; }
    void SetDirection(TSpinDirection Value);
    bool IsWinXP() const { return FIsWinXP; }
    void SetIsWinXP(bool Value);

    // An empty glyph stands for the built-in arrow.
    TBitmap* UpGlyph() const { return FUpButton->Glyph(); }
    void SetUpGlyph(TBitmap* Value);
    TBitmap* DownGlyph() const { return FDownButton->Glyph(); }
    void SetDownGlyph(TBitmap* Value);
    Integer UpNumGlyphs() const { return FUpButton->NumGlyphs(); }
    void SetUpNumGlyphs(Integer Value) { FUpButton->SetNumGlyphs(Value); }
    Integer DownNumGlyphs() const { return FDownButton->NumGlyphs(); }
    void SetDownNumGlyphs(Integer Value) { FDownButton->SetNumGlyphs(Value); }

    void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void DoEnter() override;
    void DoExit() override;

    TNotifyEvent OnUpClick;
    TNotifyEvent OnDownClick;

protected:
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TExtTimerSpeedButton* CreateButton();
    void AdjustSize(Integer& W, Integer& H);
    void BtnClick(TObject* Sender);
    void BtnMouseDown(TObject* Sender, TMouseButton Button);
    TExtTimerSpeedButton* FUpButton = nullptr;
    TExtTimerSpeedButton* FDownButton = nullptr;
    TExtTimerSpeedButton* FFocusedButton = nullptr;
    TWinControl* FFocusControl = nullptr;
    TSpinDirection FDirection = spVertical;
    bool FIsWinXP = false;
};

class TEsgSpinEdit : public TCustomEdit {
public:
    explicit TEsgSpinEdit(TComponent* AOwner);
    ~TEsgSpinEdit() override;

    // Equal bounds mean no bounds.
    Integer MinValue() const { return FMinValue; }
    void SetMinValue(Integer Value) { FMinValue = Value; }
    Integer MaxValue() const { return FMaxValue; }
    void SetMaxValue(Integer Value) { FMaxValue = Value; }
    Double MinFloatValue() const { return FMinFloatValue; }
    void SetMinFloatValue(Double Value) { FMinFloatValue = Value; }
    Double MaxFloatValue() const { return FMaxFloatValue; }
    void SetMaxFloatValue(Double Value) { FMaxFloatValue = Value; }
    TDateTime MinDateValue() const { return FMinDateValue; }
    void SetMinDateValue(TDateTime Value) { FMinDateValue = Value; }
    TDateTime MaxDateValue() const { return FMaxDateValue; }
    void SetMaxDateValue(TDateTime Value) { FMaxDateValue = Value; }
    Integer Increment() const { return FIncrement; }
    void SetIncrement(Integer Value) { FIncrement = Value; }
    Double IncrementFloat() const { return FIncrementFloat; }
    void SetIncrementFloat(Double Value) { FIncrementFloat = Value; }
    TEsgSpinButton* Button() const { return FButton; }
    bool EditorEnabled() const { return FEditorEnabled; }
    void SetEditorEnabled(bool Value);
    TSpinDirection Direction() const { return FDirection; }
    void SetDirection(TSpinDirection Value);
    TEsgSpinType SpinType() const { return FSpinType; }
    void SetSpinType(TEsgSpinType Value);
    // Decimals shown for floats; 0: the shortest form.
    Integer Precision() const { return FPrecision; }
    void SetPrecision(Integer Value);
    bool ReturnIsTab() const { return FReturnIsTab; }
    void SetReturnIsTab(bool Value) { FReturnIsTab = Value; }
    bool IsWinXP() const { return FIsWinXP; }
    void SetIsWinXP(bool Value);
    bool ExcelStyleDecimalSeparator() const { return FExcelStyleDecimalSeparator; }
    void SetExcelStyleDecimalSeparator(bool Value) { FExcelStyleDecimalSeparator = Value; }
    bool SpinFlat() const { return FSpinFlat; }
    void SetSpinFlat(bool Value);
    bool SpinTransparent() const { return FSpinTransparent; }
    void SetSpinTransparent(bool Value);
    TEditAlign EditAlign() const { return FEditAlign; }
    void SetEditAlign(TEditAlign Value);

    // Reading never raises: text that is not of the kind reads as the fallback
    // (MinValue, MinFloatValue, MinDateValue, 0 for a time). Writing bounds
    // the value and writes the text in the kind's form.
    Integer Value() const;
    void SetValue(Integer Value);
    Double FloatValue() const;
    void SetFloatValue(Double Value);
    TDateTime DateValue() const;   // the current date and time for "0" or an empty text
    void SetDateValue(TDateTime Value);
    TDateTime TimeValue() const;
    void SetTimeValue(TDateTime Value);

    // Where the text is laid out (inside the border, left of the buttons).
    TRect EditRect() const { return FEditRect; }

    virtual bool IsValidChar(char Key);
    // One step up or down; a read-only control only beeps.
    virtual void UpClick(TObject* Sender);
    virtual void DownClick(TObject* Sender);

    void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void DoExit() override;

protected:
    void Loaded() override;

private:
    void Step(bool Up);
    void StepDate(bool Up);
    void StepTime(bool Up);
    void UpdateEditRect();
    void Relayout();
    Integer MinHeight();
    Integer FMinValue = 0, FMaxValue = 100;
    Double FMinFloatValue = 0.0, FMaxFloatValue = 100.0;
    TDateTime FMinDateValue = 0, FMaxDateValue = 0;
    TDateTime FDateValue = 0, FTimeValue = 0;
    Integer FIncrement = 1;
    Double FIncrementFloat = 0.1;
    TEsgSpinButton* FButton = nullptr;
    bool FEditorEnabled = true;
    TSpinDirection FDirection = spVertical;
    TEsgSpinType FSpinType = sptNormal;
    Integer FPrecision = 0;
    bool FReturnIsTab = false;
    bool FIsWinXP = false;
    bool FExcelStyleDecimalSeparator = false;
    bool FMonthFirst = false;
    bool FSpinFlat = false;
    bool FSpinTransparent = false;
    TEditAlign FEditAlign = eaLeft;
    bool FKeypadDecimal = false;   // the key being typed is the keypad's decimal key
    bool FSizing = false;
    TRect FEditRect;
};
