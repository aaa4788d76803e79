// The spin edit: integer, floating-point, date and time values stepped within bounds.
#include "grid/EsgSpin.h"

#include "grid/EsgEditParts.h"
#include "platform/ui/Forms.h"
#include "platform/ui/WinApi.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace EsgEditParts;

namespace {

// The first and second positions (0-based) of Sep in S; npos when missing.
void SeparatorPositions(const AnsiString& S, char Sep, size_t& First, size_t& Second) {
    First = S.find(Sep);
    Second = First == AnsiString::npos ? AnsiString::npos : S.find(Sep, First + 1);
}

// Which part of a three-part text the caret is in: 0 before the first
// separator, 2 past the second one, 1 between.
Integer CaretPart(Integer Caret, size_t First, size_t Second) {
    if (First == AnsiString::npos || static_cast<size_t>(Caret) <= First) return 0;
    if (Second != AnsiString::npos && static_cast<size_t>(Caret) > Second) return 2;
    return 1;
}

bool IsDigit(char C) { return C >= '0' && C <= '9'; }

Integer Bounded(Int64 V, Integer Min, Integer Max) {
    if (Min != Max) {
        if (V < Min) V = Min;
        else if (V > Max) V = Max;
    }
    return static_cast<Integer>(std::clamp<Int64>(V, std::numeric_limits<Integer>::min(),
                                                  std::numeric_limits<Integer>::max()));
}

template <class T>
T BoundedBy(T V, T Min, T Max) {
    if (Min != Max) {
        if (V < Min) return Min;
        if (V > Max) return Max;
    }
    return V;
}

}  // namespace

// ---------------------------------------------------------------------------
TExtTimerSpeedButton::TExtTimerSpeedButton(TComponent* AOwner) : TSpeedButton(AOwner) {}

TExtTimerSpeedButton::~TExtTimerSpeedButton() = default;

void TExtTimerSpeedButton::SetTimeBtnState(TTimeBtnState Value) {
    if (FTimeBtnState == Value) return;
    FTimeBtnState = Value;
    Invalidate();
}

void TExtTimerSpeedButton::SetArrowDirection(Integer Value) {
    FArrowDirection = Value;
    Invalidate();
}

void TExtTimerSpeedButton::SetIsWinXP(bool Value) {
    FIsWinXP = Value;
    Invalidate();
}

void TExtTimerSpeedButton::RepaintParent() {
    if (Parent()) Parent()->Invalidate();
    Invalidate();
}

void TExtTimerSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
    const std::shared_ptr<const bool> Alive = AliveToken();
    TSpeedButton::MouseDown(Button, Shift, X, Y);
    if (!IsAlive(Alive)) return;
    if (FTimeBtnState.Contains(tbAllowTimer) && Button == mbLeft) {
        if (!FRepeatTimer) {
            FRepeatTimer = new TTimer(this);
            FRepeatTimer->SetEnabled(false);
            FRepeatTimer->OnTimer = [this](TObject* Sender) { TimerExpired(Sender); };
        }
        FRepeatTimer->SetEnabled(false);
        FRepeatTimer->SetInterval(400);
        FRepeatTimer->SetEnabled(true);
    }
    RepaintParent();
}

void TExtTimerSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
    const std::shared_ptr<const bool> Alive = AliveToken();
    TSpeedButton::MouseUp(Button, Shift, X, Y);
    if (!IsAlive(Alive)) return;
    if (FRepeatTimer) FRepeatTimer->SetEnabled(false);
    RepaintParent();
}

bool TExtTimerSpeedButton::QtEvent(QEvent* E) {
    // Hidden with its editor (Enter or Escape while the button is held), the button
    // gets no release: it must not go on stepping a control nobody sees.
    if (IsHideEvent(E)) CancelPress();
    return TSpeedButton::QtEvent(E);
}

void TExtTimerSpeedButton::CancelPress() {
    if (FRepeatTimer) FRepeatTimer->SetEnabled(false);
    if (!FDragging && FState != bsDown) return;
    FDragging = false;
    FState = bsUp;
    Invalidate();
}

void TExtTimerSpeedButton::TimerExpired(TObject*) {
    FRepeatTimer->SetInterval(100);
    if (FState == bsDown && FDragging) {
        try {
            Click();
        } catch (...) {
            // A failing step must not keep repeating.
            FRepeatTimer->SetEnabled(false);
            throw;
        }
    }
}

void TExtTimerSpeedButton::MouseEnter() {
    TSpeedButton::MouseEnter();
    FHot = true;
    Invalidate();
}

void TExtTimerSpeedButton::MouseLeave() {
    TSpeedButton::MouseLeave();
    FHot = false;
    Invalidate();
}

void TExtTimerSpeedButton::Paint() {
    // No visual styles here: the themed look draws as the plain one.
    const bool Down = FState == bsDown || FState == bsExclusive;
    if (FArrowDirection == 0 || FArrowDirection == 1) {
        Cardinal S = FArrowDirection == 0 ? DFCS_SCROLLLEFT : DFCS_SCROLLRIGHT;
        if (Down) S |= DFCS_PUSHED;
        if (Flat()) S |= DFCS_FLAT;
        if (!Enabled()) S |= DFCS_INACTIVE;
        DrawFrameControl(Canvas(), ClientRect(), DFC_SCROLL, S);
    } else {
        TRect R = ClientRect();
        PaintFrame(R);
        if (Glyph()->Empty()) {
            if (Down) OffsetRect(R, 1, 1);
            DrawArrow(Canvas(), R, FArrowDirection, Enabled() ? clBtnText : clGrayText);
        } else {
            PaintContent(R);
        }
    }
    if (FTimeBtnState.Contains(tbFocusRect)) {
        TRect F = ClientRect();
        InflateRect(F, -3, -3);
        Canvas()->DrawFocusRect(F);
    }
}

// ---------------------------------------------------------------------------
TEsgSpinButton::TEsgSpinButton(TComponent* AOwner) : TCustomControl(AOwner) {
    FUpButton = CreateButton();
    FDownButton = CreateButton();
    FUpButton->SetArrowDirection(2);
    FDownButton->SetArrowDirection(3);
    FFocusedButton = FUpButton;
    SetBounds(0, 0, 15, 25);
}

TEsgSpinButton::~TEsgSpinButton() = default;

TExtTimerSpeedButton* TEsgSpinButton::CreateButton() {
    auto* B = new TExtTimerSpeedButton(this);
    B->SetParent(this);
    B->SetTimeBtnState(TTimeBtnState{tbAllowTimer});
    B->OnClick = [this](TObject* Sender) { BtnClick(Sender); };
    B->OnMouseDown = [this](TObject* Sender, TMouseButton Button, TShiftState, Integer, Integer) {
        BtnMouseDown(Sender, Button);
    };
    return B;
}

void TEsgSpinButton::BtnClick(TObject* Sender) {
    if (Sender == FUpButton) FireEvent(OnUpClick, this);
    else if (Sender == FDownButton) FireEvent(OnDownClick, this);
}

void TEsgSpinButton::BtnMouseDown(TObject* Sender, TMouseButton Button) {
    if (Button != mbLeft) return;
    auto* B = static_cast<TExtTimerSpeedButton*>(Sender);
    if (B != FFocusedButton && TabStop() && CanFocus()) SetFocusedButton(B);
    if (FFocusControl && FFocusControl->TabStop() && FFocusControl->CanFocus() && !FFocusControl->Focused())
        FFocusControl->SetFocus();
    else if (TabStop() && CanFocus() && !Focused())
        SetFocus();
}

void TEsgSpinButton::SetFocusedButton(TExtTimerSpeedButton* Value) {
    if (!Value || Value == FFocusedButton) return;
    TTimeBtnState Old = FFocusedButton->TimeBtnState();
    FFocusedButton->SetTimeBtnState(Old.Exclude(tbFocusRect));
    FFocusedButton = Value;
    if (Focused()) {
        TTimeBtnState S = FFocusedButton->TimeBtnState();
        FFocusedButton->SetTimeBtnState(S.Include(tbFocusRect));
    }
}

void TEsgSpinButton::SetFocusControl(TWinControl* Value) {
    if (FFocusControl == Value) return;
    if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
    FFocusControl = Value;
    if (Value) Value->FreeNotification(this);
}

void TEsgSpinButton::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

void TEsgSpinButton::SetDirection(TSpinDirection Value) {
    if (FDirection == Value) return;
    FDirection = Value;
    if (Value == spHorizontal) {
        FUpButton->SetArrowDirection(1);
        FDownButton->SetArrowDirection(0);
        SetWidth(20);
    } else {
        FUpButton->SetArrowDirection(2);
        FDownButton->SetArrowDirection(3);
        SetWidth(15);
    }
}

void TEsgSpinButton::SetIsWinXP(bool Value) {
    FIsWinXP = Value;
    FUpButton->SetIsWinXP(Value);
    FDownButton->SetIsWinXP(Value);
}

void TEsgSpinButton::SetUpGlyph(TBitmap* Value) { FUpButton->SetGlyph(Value); }
void TEsgSpinButton::SetDownGlyph(TBitmap* Value) { FDownButton->SetGlyph(Value); }

void TEsgSpinButton::AdjustSize(Integer& W, Integer& H) {
    if (!FUpButton || !FDownButton || ComponentState().Contains(csLoading)) return;
    if (FDirection == spVertical) {
        W = std::max(W, 15);
        const Integer UpH = H / 2;
        FUpButton->SetBounds(0, 0, W, UpH);
        FDownButton->SetBounds(0, UpH - 1, W, H - UpH + 1);
    } else {
        W = std::max(W, 20);
        const Integer Half = W / 2;
        FDownButton->SetBounds(0, 0, Half, H);
        FUpButton->SetBounds(Half + 1, 0, Half, H);
    }
}

void TEsgSpinButton::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
    Integer W = AWidth, H = AHeight;
    AdjustSize(W, H);
    TCustomControl::SetBounds(ALeft, ATop, W, H);
}

void TEsgSpinButton::Loaded() {
    TCustomControl::Loaded();
    Integer W = Width(), H = Height();
    AdjustSize(W, H);
    if (W != Width() || H != Height()) TCustomControl::SetBounds(Left(), Top(), W, H);
}

void TEsgSpinButton::KeyDown(Word& Key, TShiftState Shift) {
    const std::shared_ptr<const bool> Alive = AliveToken();
    switch (Key) {
        case VK_SPACE: FFocusedButton->Click(); break;
        case VK_UP:
            SetFocusedButton(FUpButton);
            FUpButton->Click();
            break;
        case VK_DOWN:
            SetFocusedButton(FDownButton);
            FDownButton->Click();
            break;
        default: break;
    }
    if (IsAlive(Alive)) TCustomControl::KeyDown(Key, Shift);
}

void TEsgSpinButton::DoEnter() {
    TTimeBtnState S = FFocusedButton->TimeBtnState();
    FFocusedButton->SetTimeBtnState(S.Include(tbFocusRect));
    TCustomControl::DoEnter();
}

void TEsgSpinButton::DoExit() {
    TTimeBtnState S = FFocusedButton->TimeBtnState();
    FFocusedButton->SetTimeBtnState(S.Exclude(tbFocusRect));
    TCustomControl::DoExit();
}

// ---------------------------------------------------------------------------
TEsgSpinEdit::TEsgSpinEdit(TComponent* AOwner) : TCustomEdit(AOwner) {
    FButton = new TEsgSpinButton(this);
    FButton->SetTabStop(false);
    SetTakesFocus(FButton, false);
    FButton->SetParent(this);
    FButton->SetBounds(0, 0, 15, 17);
    FButton->SetFocusControl(this);
    FButton->OnUpClick = [this](TObject* Sender) { UpClick(Sender); };
    FButton->OnDownClick = [this](TObject* Sender) { DownClick(Sender); };
    SetText("0");
    SetBounds(0, 0, 121, 21);
}

TEsgSpinEdit::~TEsgSpinEdit() = default;

Integer TEsgSpinEdit::Value() const {
    Integer V = 0;
    return TryStrToInt(Text(), V) ? V : FMinValue;
}

void TEsgSpinEdit::SetValue(Integer Value) {
    SetText(IntToStr(Bounded(Value, FMinValue, FMaxValue)));
    if (!FEditorEnabled) SelectAll();
}

Double TEsgSpinEdit::FloatValue() const {
    Extended V = 0;
    return TryStrToFloat(Text(), V) ? static_cast<Double>(V) : FMinFloatValue;
}

void TEsgSpinEdit::SetFloatValue(Double Value) {
    Value = BoundedBy(Value, FMinFloatValue, FMaxFloatValue);
    SetText(FPrecision != 0 ? FloatToStrF(Value, ffFixed, 15, FPrecision) : FloatToStr(Value));
}

TDateTime TEsgSpinEdit::DateValue() const {
    const AnsiString T = Text();
    if (T.empty() || T == "0") return Now();
    TDateTime V = 0;
    return TryStrToDate(T, V) ? V : FMinDateValue;
}

void TEsgSpinEdit::SetDateValue(TDateTime Value) {
    FDateValue = Value;
    if (ComponentState().Contains(csLoading)) return;
    Value = BoundedBy(Value, FMinDateValue, FMaxDateValue);
    const Integer Caret = SelStart();
    SetText(DateToStr(Value));
    SetSelStart(Caret);
}

TDateTime TEsgSpinEdit::TimeValue() const {
    TDateTime V = 0;
    return TryStrToTime(Text(), V) ? V : 0;
}

void TEsgSpinEdit::SetTimeValue(TDateTime Value) {
    FTimeValue = Value;
    if (ComponentState().Contains(csLoading)) return;
    const Integer Caret = SelStart();
    SetText(TimeToStr(Value));
    SetSelStart(Caret);
}

void TEsgSpinEdit::SetSpinType(TEsgSpinType Value) {
    FSpinType = Value;
    switch (Value) {
        case sptNormal: SetValue(this->Value()); break;
        case sptFloat: SetFloatValue(FloatValue()); break;
        case sptDate: SetDateValue(DateValue()); break;
        case sptTime: SetTimeValue(TimeValue()); break;
    }
}

void TEsgSpinEdit::SetPrecision(Integer Value) {
    FPrecision = Value;
    if (FSpinType == sptFloat) SetFloatValue(FloatValue());
}

void TEsgSpinEdit::SetEditorEnabled(bool Value) {
    FEditorEnabled = Value;
    // Its cut and paste would change the text behind the filter's back.
    SetBuiltInContextMenu(this, Value);
}

void TEsgSpinEdit::SetIsWinXP(bool Value) {
    FIsWinXP = Value;
    FButton->SetIsWinXP(Value);
}

void TEsgSpinEdit::Relayout() {
    SetWidth(Width() + 1);
    SetWidth(Width() - 1);
}

void TEsgSpinEdit::SetDirection(TSpinDirection Value) {
    if (FDirection == Value) return;
    FDirection = Value;
    FButton->SetDirection(Value);
    Relayout();
}

void TEsgSpinEdit::SetSpinFlat(bool Value) {
    FSpinFlat = Value;
    FButton->UpButton()->SetFlat(Value);
    FButton->DownButton()->SetFlat(Value);
}

void TEsgSpinEdit::SetSpinTransparent(bool Value) {
    FSpinTransparent = Value;
    FButton->UpButton()->SetTransparent(Value);
    FButton->DownButton()->SetTransparent(Value);
    Relayout();
}

void TEsgSpinEdit::SetEditAlign(TEditAlign Value) {
    FEditAlign = Value;
    SetAlignment(Value == eaRight ? taRightJustify : Value == eaCenter ? taCenter : taLeftJustify);
}

void TEsgSpinEdit::Loaded() {
    TCustomEdit::Loaded();
    if (FSpinType == sptDate) SetText(DateToStr(FDateValue));
    else if (FSpinType == sptTime) SetText(TimeToStr(FTimeValue));
    SetSpinType(FSpinType);
}

// ---------------------------------------------------------------------------
void TEsgSpinEdit::UpClick(TObject*) { Step(true); }
void TEsgSpinEdit::DownClick(TObject*) { Step(false); }

void TEsgSpinEdit::Step(bool Up) {
    if (ReadOnly()) {
        MessageBeep(0);
        return;
    }
    switch (FSpinType) {
        case sptNormal: {
            // Worked out wide: a step past the integer range stops at its end.
            const Int64 V = static_cast<Int64>(Value()) + (Up ? 1 : -1) * static_cast<Int64>(FIncrement);
            SetValue(Bounded(V, FMinValue, FMaxValue));
            break;
        }
        case sptFloat: SetFloatValue(FloatValue() + (Up ? FIncrementFloat : -FIncrementFloat)); break;
        case sptDate: StepDate(Up); break;
        case sptTime: StepTime(Up); break;
    }
}

void TEsgSpinEdit::StepDate(bool Up) {
    const AnsiString Fmt = AnsiUpperCase(FormatSettings.ShortDateFormat);
    const size_t M = Fmt.find('M'), D = Fmt.find('D');
    FMonthFirst = M != AnsiString::npos && (D == AnsiString::npos || M < D);
    size_t First, Second;
    SeparatorPositions(Text(), FormatSettings.DateSeparator, First, Second);
    const Integer Part = CaretPart(SelStart(), First, Second);
    enum { Day, Month, Year } What;
    if (Part == 2) What = Year;
    else if (Part == 0) What = FMonthFirst ? Month : Day;
    else What = FMonthFirst ? Day : Month;
    const Integer Delta = Up ? 1 : -1;
    TDateTime V = DateValue();
    switch (What) {
        case Month: V = IncMonth(V, Delta); break;
        case Day: V += Delta; break;
        case Year: {
            Word Y, Mo, Dd;
            DecodeDate(V, Y, Mo, Dd);
            const Integer NewYear = Y + Delta;
            if (NewYear < 1 || NewYear > 9999) return;
            // 29 February into a common year becomes 28 February.
            Dd = std::min<Word>(Dd, DaysInAMonth(static_cast<Word>(NewYear), Mo));
            const TDateTime Time = V - std::trunc(V);
            V = EncodeDate(static_cast<Word>(NewYear), Mo, Dd);
            V = V >= 0 ? V + std::fabs(Time) : V - std::fabs(Time);
            break;
        }
    }
    SetDateValue(V);
}

void TEsgSpinEdit::StepTime(bool Up) {
    size_t First, Second;
    SeparatorPositions(Text(), FormatSettings.TimeSeparator, First, Second);
    const Integer Part = CaretPart(SelStart(), First, Second);
    const Int64 StepSecs = Part == 0 ? 3600 : Part == 2 ? 1 : 60;
    // Whole seconds keep the arithmetic exact; the result stays within the day.
    const TDateTime V = TimeValue();
    const Int64 Day = 86400;
    Int64 Secs = static_cast<Int64>(std::llround((V - std::floor(V)) * Day)) % Day;
    Secs = ((Secs + (Up ? StepSecs : -StepSecs)) % Day + Day) % Day;
    SetTimeValue(EncodeTime(static_cast<Word>(Secs / 3600), static_cast<Word>(Secs / 60 % 60),
                            static_cast<Word>(Secs % 60), 0));
}

// ---------------------------------------------------------------------------
bool TEsgSpinEdit::IsValidChar(char Key) {
    const TFormatSettings& FS = FormatSettings;
    const bool Ctl = static_cast<unsigned char>(Key) < 32;
    bool Result = Key == FS.DecimalSeparator || Key == FS.ThousandSeparator || Key == FS.TimeSeparator ||
                  Key == FS.DateSeparator || Key == '-' || IsDigit(Key) || (Ctl && Key != '\r');
    auto Shared = [&](char C) {
        return C == FS.DecimalSeparator || C == FS.ThousandSeparator || C == '-' || C == '+';
    };
    if (Key == FS.TimeSeparator && FSpinType != sptTime) {
        if (!Shared(Key) || FSpinType == sptDate) Result = false;
    }
    if (Key == FS.DateSeparator && FSpinType != sptDate) {
        if (!Shared(Key) || FSpinType == sptTime) Result = false;
    }
    const AnsiString T = Text();
    if (Key == '-') {
        if (SelStart() != 0) Result = false;
        else if (T.find('-') != AnsiString::npos && SelText().find('-') == AnsiString::npos) Result = false;
    }
    // Control characters (Backspace, the clipboard keys) are left to the rules
    // below; only printable ones are filtered by the kind of value.
    if (FSpinType == sptNormal && !Ctl) Result = Result && (Key == '-' || IsDigit(Key));
    if (FSpinType == sptFloat && !Ctl) {
        if (Key == FS.ThousandSeparator && Key != FS.DecimalSeparator) Result = false;
        const size_t Dec = T.find(FS.DecimalSeparator);
        if (Key == FS.DecimalSeparator && Dec != AnsiString::npos &&
            SelText().find(FS.DecimalSeparator) == AnsiString::npos)
            Result = false;
        if (FPrecision >= 1 && Dec != AnsiString::npos && SelLength() == 0 &&
            static_cast<size_t>(SelStart()) > Dec &&
            T.size() - Dec - 1 >= static_cast<size_t>(FPrecision))
            Result = false;
    }
    if (FSpinType == sptTime && Key == FS.TimeSeparator && std::count(T.begin(), T.end(), FS.TimeSeparator) >= 2)
        Result = false;
    if (!FEditorEnabled) Result = Result && Ctl && Key != '\b';
    if (Key == '\b') Result = FEditorEnabled;
    return Result;
}

void TEsgSpinEdit::KeyDown(Word& Key, TShiftState Shift) {
    if (Key == VK_UP || Key == VK_PRIOR) {
        UpClick(this);
        Key = 0;
        return;
    }
    if (Key == VK_DOWN || Key == VK_NEXT) {
        DownClick(this);
        Key = 0;
        return;
    }
    FKeypadDecimal = Key == VK_DECIMAL;
    bool Tab = false;
    if (Key == VK_RETURN && FReturnIsTab) {
        Key = VK_TAB;
        Tab = true;
    }
    // Cut and paste by keyboard only where typing is allowed.
    if (IsBlockedEditKey(Key, Shift, FEditorEnabled, ReadOnly())) Key = 0;
    const std::shared_ptr<const bool> Alive = AliveToken();
    TCustomEdit::KeyDown(Key, Shift);
    if (!Tab || !IsAlive(Alive)) return;
    // Enter as Tab: the Tab goes through this control's own key handling
    // first (an embedding grid takes it there), then moves the focus on.
    const bool Pending = Key == VK_TAB;
    Key = 0;
    if (!Pending) return;
    Word TabKey = VK_TAB;
    KeyDown(TabKey, TShiftState());
    if (!IsAlive(Alive) || TabKey == 0) return;
    if (TCustomForm* F = GetParentForm(this)) F->SelectNext(this, true, true);
}

void TEsgSpinEdit::KeyPress(char& Key) {
    if (Key == '.' && FKeypadDecimal && FExcelStyleDecimalSeparator) Key = FormatSettings.DecimalSeparator;
    FKeypadDecimal = false;
    // Enter belongs to the form (its default button), not to the text.
    if (Key != '\r' && !IsValidChar(Key)) {
        Key = 0;
        MessageBeep(0);
        return;
    }
    TCustomEdit::KeyPress(Key);
}

void TEsgSpinEdit::DoExit() {
    const std::shared_ptr<const bool> Alive = AliveToken();
    TCustomEdit::DoExit();
    if (!IsAlive(Alive)) return;
    switch (FSpinType) {
        case sptNormal: {
            const Integer V = Value();
            if (FMinValue != FMaxValue && (V < FMinValue || V > FMaxValue)) SetValue(V);
            break;
        }
        case sptFloat: {
            const Double V = FloatValue();
            if (FMinFloatValue != FMaxFloatValue && (V < FMinFloatValue || V > FMaxFloatValue)) SetFloatValue(V);
            break;
        }
        case sptDate: {
            const TDateTime V = DateValue();
            if (FMinDateValue != FMaxDateValue && (V < FMinDateValue || V > FMaxDateValue)) SetDateValue(V);
            break;
        }
        case sptTime: {
            const TDateTime V = TimeValue();
            if (V < FMinDateValue || V > FMaxDateValue) SetTimeValue(V);
            break;
        }
    }
}

// ---------------------------------------------------------------------------
Integer TEsgSpinEdit::MinHeight() {
    // Text, a quarter of the smaller height, four border heights and 2.
    return TextLineHeight(Font()) + 4 * 1 + 2;
}

void TEsgSpinEdit::UpdateEditRect() {
    // Client coordinates: inside the border, the buttons and 2 more pixels kept free.
    const Integer ClientW = Width() - 2 * EditBorder, ClientH = Height() - 2 * EditBorder;
    FEditRect = Rect(0, 0, ClientW - FButton->Width() - 2, ClientH + 1);
    SetEditMargins(this, FEditRect.Left, FEditRect.Top, ClientW - FEditRect.Right, 0);
}

void TEsgSpinEdit::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
    TCustomEdit::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (FSizing || !FButton) return;
    FSizing = true;
    const Integer MinH = MinHeight();
    if (Height() < MinH) TCustomEdit::SetBounds(Left(), Top(), Width(), MinH);
    PlaceButton(FButton, Width(), Height());
    UpdateEditRect();
    FSizing = false;
}
