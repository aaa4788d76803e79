#pragma once
// A number edit with up and down arrows. MinValue = MaxValue = 0 means no limits.
#include "platform/ui/Controls.h"

class TSpinEdit : public TWinControl {
public:
    explicit TSpinEdit(TComponent* AOwner);
    ~TSpinEdit() override;
    Integer MinValue() const { return FMinValue; }
    void SetMinValue(Integer Value);
    Integer MaxValue() const { return FMaxValue; }
    void SetMaxValue(Integer Value);
    // The text as a number within the limits; MinValue when the text is no number.
    Integer Value() const;
    void SetValue(Integer Value);
    Integer Increment() const { return FIncrement; }
    void SetIncrement(Integer Value);
    Integer MaxLength() const { return FMaxLength; }
    void SetMaxLength(Integer Value);
    bool EditorEnabled() const { return FEditorEnabled; }
    void SetEditorEnabled(bool Value);
    TNotifyEvent OnChange;

protected:
    AnsiString GetText() const override;
    void SetTextCore(const AnsiString& Value) override;
    void ApplyColor() override;

private:
    void ApplyRange();
    class QSpinBox* FSpin = nullptr;
    Integer FMinValue = 0, FMaxValue = 0, FIncrement = 1, FMaxLength = 0;
    bool FEditorEnabled = true;
    bool FSetting = false;
};
