#pragma once
// TMoneyEdit: a right-aligned amount input. It always shows a formatted number
// ("#,##0." and Decimals zeros, with the current FormatSettings separators) and
// builds the number from the keys typed: digits left of the decimal separator are
// inserted, digits right of it overwrite, a comma or point jumps to the decimals,
// Backspace and Delete step over the group separators.
#include "platform/ui/StdCtrls.h"

class TMoneyEdit : public TCustomMemo {
public:
    // Height 24, width 120, right aligned, MaxLength 20, two decimals, text "0,00".
    explicit TMoneyEdit(TComponent* AOwner);
    ~TMoneyEdit() override;

    // Digits after the decimal separator. Accepted only when 0 < Value < MaxLength - 1;
    // in every case the MaxLength rule is applied again and the text reformatted. The
    // amount shown keeps its value (rounded half away from zero when decimals go).
    Integer Decimals() const { return FDecimals; }
    void SetDecimals(Integer Value);

    // The longest text typing may produce, separators included. Accepted only when
    // Decimals + 1 < Value < 22; then, accepted or not, lowered by one when the integer
    // part it leaves (MaxLength - Decimals - 1) would end in a group separator.
    // This is the control's own limit; the underlying edit has none.
    Integer MaxLength() const { return FMaxLength; }
    void SetMaxLength(Integer Value) override;

    // "#,##0." followed by Decimals zeros.
    const AnsiString& DisplayFormat() const { return FDisplayFormat; }

    // Read: the text without its separators, read with Decimals decimals (a text that
    // is no number reads as 0). Write: the value formatted with DisplayFormat; a value
    // that is not a finite number raises EInvalidOp and leaves the text alone.
    Double TextAsFloat() const;
    void SetTextAsFloat(Double Value);

    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    // Puts the caret just before the decimal separator, then fires OnEnter.
    void DoEnter() override;

protected:
    // The program's own text: shown as given, and the only text besides the keys' own.
    void SetTextCore(const AnsiString& Value) override;
    // A text that came past the keys (a paste, a drop) is put back.
    void Change() override;

private:
    // Sets the text to S formatted, and the caret P characters from its end.
    void ApplyEdit(const AnsiString& S, Integer P);
    // Characters right of the end of the selection.
    Integer CharsRightOfSelection() const;

    Integer FDecimals = 0;
    Integer FMaxLength = 20;
    AnsiString FDisplayFormat;
    AnsiString FShown;   // the text last set by the program or by a handled key
};
