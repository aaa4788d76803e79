#pragma once
// Exact-number, component and timer helpers of the database layer: powers of
// ten, rounding, 64-bit and scaled-integer text, TBcd conversions, a float
// formatter that keeps decimals exact, component names, bits and the layer's
// interval timer.
#include "platform/rtl/Classes.h"
#include "platform/rtl/SysUtils.h"

#include <functional>

class TField;
class ITimerService;
class Variant;

// The platform has no timer left for a TFBTimer.
class EOutOfResources : public EOutOfMemory {
public:
    using EOutOfMemory::EOutOfMemory;
};

// ---- powers of ten and rounding ---------------------------------------------

// 10^0 .. 10^18.
extern const Int64 PowersOf10[19];

// 10^N for N in -18..18.
Extended E10(Integer N);
// Int(X) + Round(Frac(X) * 10^N) / 10^N; ties go to the even neighbour.
Extended RoundExtended(Integer N, Extended X);
// Decimal digits of the integer part of |X|; 0 below 1.
Integer IntDigitCount(Extended X);

// ---- 64-bit and scaled integers ---------------------------------------------

// Exact decimal text over the whole range.
AnsiString Int64ToStrEx(Int64 Value);
// Value / 10^Scale as text with Sep; trailing fraction zeros dropped
// (12345, 2 -> "123.45"; 100, 2 -> "1"; -5, 3 -> "-0.005").
AnsiString ScaledInt64ToStr(Integer Scale, char Sep, Int64 Value);
// The same with the user's decimal separator.
AnsiString ScaledInt64ToStrDef(Integer Scale, Int64 Value);

// Packed decimal: Precision digits, SignSpecialPlaces = sign (bit 7),
// special/blank (bit 6) and decimal places (low six bits); two digits a byte,
// high nibble first.
struct TBcd {
    Byte Precision = 0;
    Byte SignSpecialPlaces = 0;
    Byte Fraction[32] = {};
};

// The TBcd of Value / 10^Scale (a negative Scale is taken as 0).
void CurrToFBBcd(Integer Scale, TBcd& Bcd, Int64 Value);
// Digits of Bcd as Value with its sign, its places as Scale. A special Bcd
// gives 0. False, with Value 0, when the number does not fit in 64 bits or
// the record is malformed.
bool BcdToScaledInt64(const TBcd& Bcd, Int64& Value, Integer& Scale);
// Text of Bcd with the user's decimal separator / with "."; empty on failure.
AnsiString BcdToStr(const TBcd& Bcd);
AnsiString BcdToStrDot(const TBcd& Bcd);
// Value * 10^-Scale as a float; false for a malformed record.
bool BcdToExtended(const TBcd& Bcd, Extended& Value);
// Exact comparison: 1 when A > B, -1 when A < B, 0 when equal.
Integer CompareBcd(const TBcd& A, const TBcd& B);

// The text read as a float (user's separator) and rounded to a 64-bit
// integer; EConvertError "Invalid comp value" when it does not read or fit.
Int64 StrToComp(const AnsiString& S);

// FormatFloat of X with Fmt that keeps Decimals fraction digits exact.
AnsiString FormatFloatScaled(const AnsiString& Fmt, Integer Decimals, Extended X);

// Hi becomes the high half and Lo the low half of Value.
void PackInt64(Cardinal Hi, Cardinal Lo, Int64& Value);

// ---- dates --------------------------------------------------------------------

// Day 0 gives the bare time of day.
TDateTime TimeStampToDateTimeEx(const TTimeStamp& Stamp);
TDateTime DateIntToDateTime(Integer Day);

// ---- components -----------------------------------------------------------------

// "Owner.Owner.Name" from the topmost named owner down; unnamed skipped; "" for null.
AnsiString CmpFullName(const TComponent* Component);
// True when the component or one of its owners is being loaded.
bool HasLoadingOwner(const TComponent* Component);

// ---- old field values ---------------------------------------------------------

// The field's data as its data set reads it, into Buffer (at least the field's
// DataSize). With OldState the data set is switched to dsOldValue for the read
// (unless it is in it already) and back afterwards. False when there is no data.
bool GetFieldOldData(TField* Field, bool OldState, void* Buffer);
// The TBcd data read by GetFieldOldData as a text variant (BcdToStr), Null
// when there is none.
bool GetFieldOldValue(TField* Field, bool OldState, Variant& Value);

// ---- words, random, bits ---------------------------------------------------------

// CURRENT_TIME, CURRENT_TIMESTAMP, CURRENT_DATE, NULL, NOW, TODAY, TOMORROW,
// YESTERDAY (exact, upper case).
bool IsSQLConstantWord(const AnsiString& Word);
// When V is an array and Stream is given: the stream is sized to element size x
// element count of the first dimension, rewound and filled with the array's
// raw data; the result is the stream's size, else 0.
Int64 VariantArrayToStream(const Variant& V, TStream* Stream);
// N random decimal digits.
AnsiString RandomDigits(Integer N);
bool IsBitSet(Byte Value, Integer Bit);             // Bit 1..8
Byte ToggleBit(Byte Value, Integer Bit);            // Bit 1..8
Integer MinInt(Integer A, Integer B);
Integer SignInt(Integer A);

// ---- timer ------------------------------------------------------------------------

// Interval timer on the process timer service: ticks only while Enabled,
// Interval > 0 and OnTimer set; each change of the three re-arms it from zero.
class TFBTimer : public TComponent {
public:
    explicit TFBTimer(TComponent* AOwner);
    ~TFBTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);                    // re-arms only on a change
    Cardinal Interval() const { return FInterval; }
    void SetInterval(Cardinal Value);               // re-arms only on a change
    const TNotifyEvent& OnTimer() const { return FOnTimer; }
    void SetOnTimer(TNotifyEvent Value);            // always re-arms

protected:
    // One tick: calls OnTimer with this timer as sender.
    virtual void Timer();

private:
    void UpdateTimer();

    Cardinal FInterval = 1000;
    TNotifyEvent FOnTimer;
    bool FEnabled = true;
    UInt64 FTimerId = 0;                     // 0: not armed
    ITimerService* FService = nullptr;  // the service that armed it
};
