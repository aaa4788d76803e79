#pragma once
// Exceptions, format settings, Format, number/text/date conversions of the run-time layer.
// All texts are code page 1254 AnsiStrings; positions are 1-based, 0 means "not found".
#include <exception>
#include <functional>
#include <initializer_list>
#include <vector>

#include "platform/rtl/System.h"

// ---------------------------------------------------------------------------------------------
// Messages of the run-time layer. Those an operator meets (conversions) are Turkish.

inline constexpr const char* SInvalidInteger = "'%s' geçerli bir tam sayı değil";
inline constexpr const char* SInvalidFloat = "'%s' geçerli bir sayı değil";
inline constexpr const char* SInvalidDate = "'%s' geçerli bir tarih değil";
inline constexpr const char* SInvalidTime = "'%s' geçerli bir saat değil";
inline constexpr const char* SInvalidDateTime = "'%s' geçerli bir tarih ve saat değil";
inline constexpr const char* SDateEncodeError = "Invalid argument to date encode";
inline constexpr const char* STimeEncodeError = "Invalid argument to time encode";
inline constexpr const char* SInvalidFormat = "Format '%s' invalid or incompatible with argument";
inline constexpr const char* SArgumentMissing = "No argument for format '%s'";
inline constexpr const char* SOperationAborted = "Operation aborted";
inline constexpr const char* SOSError = "System Error.  Code: %d.\r\n%s";
inline constexpr const char* SUnkOSError = "A call to an OS function failed";
inline constexpr const char* SIntOverflow = "Integer overflow";
inline constexpr const char* SRangeError = "Range check error";
inline constexpr const char* SDivByZero = "Division by zero";
inline constexpr const char* SZeroDivide = "Floating point division by zero";
inline constexpr const char* SOverflow = "Floating point overflow";
inline constexpr const char* SInvalidOp = "Invalid floating point operation";
inline constexpr const char* SInvalidCast = "Invalid class typecast";
inline constexpr const char* SOutOfMemory = "Out of memory";
inline constexpr const char* SListIndexError = "List index out of bounds (%d)";

// ---------------------------------------------------------------------------------------------
// Arguments of Format and of the formatting exception constructors.

enum TVarRecKind { vtInteger, vtInt64, vtExtended, vtCurrency, vtString, vtWideString, vtChar, vtPointer };

// One argument of an "array of const". Holds its value (texts are copied), so a list built
// from temporaries stays valid for the whole call.
class TVarRec {
public:
    TVarRec(int v) : Kind(vtInteger), FInt(v) {}
    TVarRec(short v) : Kind(vtInteger), FInt(v) {}
    TVarRec(unsigned short v) : Kind(vtInteger), FInt(v) {}
    TVarRec(signed char v) : Kind(vtInteger), FInt(v) {}
    TVarRec(unsigned char v) : Kind(vtInteger), FInt(v) {}
    TVarRec(unsigned v) : Kind(vtInt64), FInt(static_cast<Int64>(v)) {}  // fits without sign loss
    TVarRec(long v) : Kind(vtInt64), FInt(v) {}
    TVarRec(long long v) : Kind(vtInt64), FInt(v) {}
    TVarRec(unsigned long v) : Kind(vtInt64), FInt(static_cast<Int64>(v)) {}
    TVarRec(unsigned long long v) : Kind(vtInt64), FInt(static_cast<Int64>(v)) {}
    TVarRec(float v) : Kind(vtExtended), FExt(v) {}
    TVarRec(double v) : Kind(vtExtended), FExt(v) {}
    TVarRec(long double v) : Kind(vtExtended), FExt(v) {}
    TVarRec(Currency v) : Kind(vtCurrency), FInt(v.Value) {}
    TVarRec(char v) : Kind(vtChar), FStr(1, v) {}
    TVarRec(const char* v) : Kind(vtString), FStr(v ? v : "") {}
    TVarRec(char* v) : Kind(vtString), FStr(v ? v : "") {}
    TVarRec(const AnsiString& v) : Kind(vtString), FStr(v) {}
    TVarRec(const WideString& v) : Kind(vtWideString), FWide(v) {}
    TVarRec(const char16_t* v) : Kind(vtWideString), FWide(v ? v : u"") {}
    TVarRec(std::nullptr_t) : Kind(vtPointer), FPtr(nullptr) {}
    template <typename T>
    TVarRec(T* v) : Kind(vtPointer), FPtr(static_cast<const void*>(v)) {}

    TVarRecKind Kind;
    Int64 AsInt64() const { return FInt; }           // vtInteger, vtInt64; scaled value for vtCurrency
    Extended AsExtended() const { return FExt; }     // vtExtended
    const AnsiString& AsString() const { return FStr; }  // vtString, vtChar
    const WideString& AsWide() const { return FWide; }   // vtWideString
    const void* AsPointer() const { return FPtr; }   // vtPointer

private:
    Int64 FInt = 0;
    Extended FExt = 0;
    AnsiString FStr;
    WideString FWide;
    const void* FPtr = nullptr;
};

using TVarRecs = std::vector<TVarRec>;

// ---------------------------------------------------------------------------------------------
// Exceptions. Copyable (as throw needs); what() gives the message bytes (code page 1254).

class Exception : public TObject, public std::exception {
public:
    explicit Exception(const AnsiString& Msg) : FMessage(Msg) {}
    explicit Exception(const char* Msg) : FMessage(Msg ? Msg : "") {}
    // The message is Format(Fmt, Args); a broken format gives the format text itself.
    Exception(const AnsiString& Fmt, std::initializer_list<TVarRec> Args);
    Exception(const Exception& Other) : TObject(), std::exception(Other), FMessage(Other.FMessage) {}
    Exception& operator=(const Exception& Other) { FMessage = Other.FMessage; return *this; }
    ~Exception() override = default;

    const AnsiString& Message() const { return FMessage; }
    void SetMessage(const AnsiString& Value) { FMessage = Value; }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    AnsiString FMessage;
};

#define OSB_EXCEPTION_CLASS(Name, Base)  \
    class Name : public Base {           \
    public:                              \
        using Base::Base;                \
    };

OSB_EXCEPTION_CLASS(EAbort, Exception)
OSB_EXCEPTION_CLASS(EConvertError, Exception)
OSB_EXCEPTION_CLASS(EListError, Exception)
OSB_EXCEPTION_CLASS(EStringListError, EListError)
OSB_EXCEPTION_CLASS(EInvalidOperation, Exception)
OSB_EXCEPTION_CLASS(EInvalidCast, Exception)
OSB_EXCEPTION_CLASS(EVariantError, Exception)
OSB_EXCEPTION_CLASS(EOutOfMemory, Exception)
OSB_EXCEPTION_CLASS(ENotSupportedException, Exception)
OSB_EXCEPTION_CLASS(EInvalidPointer, Exception)
OSB_EXCEPTION_CLASS(EExternal, Exception)
OSB_EXCEPTION_CLASS(EIntError, EExternal)
OSB_EXCEPTION_CLASS(EDivByZero, EIntError)
OSB_EXCEPTION_CLASS(ERangeError, EIntError)
OSB_EXCEPTION_CLASS(EIntOverflow, EIntError)
OSB_EXCEPTION_CLASS(EMathError, EExternal)
OSB_EXCEPTION_CLASS(EInvalidOp, EMathError)
OSB_EXCEPTION_CLASS(EZeroDivide, EMathError)
OSB_EXCEPTION_CLASS(EOverflow, EMathError)
OSB_EXCEPTION_CLASS(EUnderflow, EMathError)

#undef OSB_EXCEPTION_CLASS

// An operating-system failure; ErrorCode is the errno value.
class EOSError : public Exception {
public:
    using Exception::Exception;
    Cardinal ErrorCode = 0;
};

// A file input/output failure; ErrorCode is the errno value.
class EInOutError : public Exception {
public:
    using Exception::Exception;
    Integer ErrorCode = 0;
};

// Throws the silent exception: "Operation aborted".
[[noreturn]] void Abort();
// The system's text of an errno value (code page 1254).
AnsiString SysErrorMessage(Integer ErrorCode);
// Throws EOSError for errno (or the given code): SOSError, or SUnkOSError for code 0.
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseLastOSError(Integer LastError);

// ---------------------------------------------------------------------------------------------
// Format settings. The process has one FormatSettings with Turkish defaults.

struct TFormatSettings {
    AnsiString CurrencyString;
    Byte CurrencyFormat = 0;   // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
    Byte NegCurrFormat = 0;    // 0..15, the framework's negative currency patterns
    char ThousandSeparator = ',';
    char DecimalSeparator = '.';
    Byte CurrencyDecimals = 2;
    char DateSeparator = '/';
    char TimeSeparator = ':';
    char ListSeparator = ',';
    AnsiString ShortDateFormat;
    AnsiString LongDateFormat;
    AnsiString TimeAMString;
    AnsiString TimePMString;
    AnsiString ShortTimeFormat;
    AnsiString LongTimeFormat;
    AnsiString ShortMonthNames[12];
    AnsiString LongMonthNames[12];
    AnsiString ShortDayNames[7];   // Sunday first
    AnsiString LongDayNames[7];
    Word TwoDigitYearCenturyWindow = 50;
};

// Turkish defaults: "1.234,56", "dd.mm.yyyy", "hh:nn:ss", "1.234,56 TL", Ocak..Aralık.
TFormatSettings TurkishFormatSettings();
// The process-wide settings (main thread; tests may change them, see TFormatSettingsGuard).
extern TFormatSettings FormatSettings;

// Saves FormatSettings and restores them when it goes out of scope.
class TFormatSettingsGuard {
public:
    TFormatSettingsGuard() : FSaved(FormatSettings) {}
    explicit TFormatSettingsGuard(const TFormatSettings& Replacement) : FSaved(FormatSettings) { FormatSettings = Replacement; }
    ~TFormatSettingsGuard() { FormatSettings = FSaved; }
    TFormatSettingsGuard(const TFormatSettingsGuard&) = delete;
    TFormatSettingsGuard& operator=(const TFormatSettingsGuard&) = delete;
private:
    TFormatSettings FSaved;
};

// ---------------------------------------------------------------------------------------------
// Format: "%" [index ":"] ["-"] [width] ["." precision] type, with type d u e f g n m p s x
// (any case); index, width and precision may be "*" (taken from the next Integer argument);
// "%%" gives "%". A bad directive, an argument of the wrong kind or an index, width or
// precision above 1000000 raises EConvertError SInvalidFormat; a missing argument raises
// EConvertError SArgumentMissing. A negative "*" width pads nothing; a negative "*" precision
// is the default.
//   d: integer, precision = minimum digits;  u: as unsigned;  x: upper-case hex
//   e: "-d.ddd...E+ddd" with precision digits (15);  f: fixed, precision decimals (2)
//   g: general, shortest (15);  n: as f with thousands separators;  m: currency
//   p: pointer as 16 hex digits;  s: text, char or WideString, precision = maximum length
AnsiString Format(const AnsiString& Fmt, std::initializer_list<TVarRec> Args);
AnsiString Format(const AnsiString& Fmt, std::initializer_list<TVarRec> Args, const TFormatSettings& Settings);
AnsiString Format(const AnsiString& Fmt, const TVarRecs& Args);
AnsiString Format(const AnsiString& Fmt, const TVarRecs& Args, const TFormatSettings& Settings);

// ---------------------------------------------------------------------------------------------
// Integers. Texts accepted: optional leading blanks, a sign, decimal digits or hex after "$",
// "0x" or "0X"; nothing after the digits. A value out of range is not valid (never wraps).

AnsiString IntToStr(Int64 Value);
AnsiString IntToHex(Int64 Value, Integer Digits);  // upper case, at least Digits digits
Integer StrToInt(const AnsiString& S);             // EConvertError SInvalidInteger
Int64 StrToInt64(const AnsiString& S);
Integer StrToIntDef(const AnsiString& S, Integer Default);
Int64 StrToInt64Def(const AnsiString& S, Int64 Default);
bool TryStrToInt(const AnsiString& S, Integer& Value);
bool TryStrToInt64(const AnsiString& S, Int64& Value);

// ---------------------------------------------------------------------------------------------
// Floating point and currency. A value that a double holds stands for the shortest decimal
// that reads back as that double (2.675, not 2.67499999...); rounding works on those digits.

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// General form with 15 significant digits: "1234,5", "0,00001", "1E-6", "1E15", "1,5E20" (no "+" in
// the exponent), "NAN", "INF", "-INF".
AnsiString FloatToStr(Extended Value);
AnsiString FloatToStr(Extended Value, const TFormatSettings& Settings);
// Precision = significant digits (max 18). Digits: ffGeneral/ffExponent minimum exponent digits,
// ffFixed/ffNumber/ffCurrency decimals.
AnsiString FloatToStrF(Extended Value, TFloatFormat Format, Integer Precision, Integer Digits);
AnsiString FloatToStrF(Extended Value, TFloatFormat Format, Integer Precision, Integer Digits,
                       const TFormatSettings& Settings);
// Picture formats: up to three sections "positive;negative;zero"; "0" digit, "#" optional digit,
// "." decimal point (shown only when digits follow), "," thousands grouping anywhere in the
// integer part, "E+" "E-" "e+" "e-" exponent, '...' and "..." literals; an empty format gives
// FloatToStr. Rounding is half away from zero on the decimal digits of the value; a zero
// ThousandSeparator means no grouping.
AnsiString FormatFloat(const AnsiString& Format, Extended Value);
AnsiString FormatFloat(const AnsiString& Format, Extended Value, const TFormatSettings& Settings);
// Reads optional blanks, sign, digits with DecimalSeparator, exponent, optional blanks.
Extended StrToFloat(const AnsiString& S);  // EConvertError SInvalidFloat
Extended StrToFloat(const AnsiString& S, const TFormatSettings& Settings);
Extended StrToFloatDef(const AnsiString& S, Extended Default);
bool TryStrToFloat(const AnsiString& S, Extended& Value);
bool TryStrToFloat(const AnsiString& S, Double& Value);
bool TryStrToFloat(const AnsiString& S, Extended& Value, const TFormatSettings& Settings);

// Currency is exact: texts are read digit by digit (no floating point), rounded half away from
// zero at the fourth decimal; out of range is not valid.
AnsiString CurrToStr(Currency Value);  // general form, up to 4 decimals: "1234,5"
AnsiString CurrToStr(Currency Value, const TFormatSettings& Settings);
AnsiString CurrToStrF(Currency Value, TFloatFormat Format, Integer Digits);
AnsiString CurrToStrF(Currency Value, TFloatFormat Format, Integer Digits, const TFormatSettings& Settings);
AnsiString FormatCurr(const AnsiString& Format, Currency Value);
AnsiString FormatCurr(const AnsiString& Format, Currency Value, const TFormatSettings& Settings);
Currency StrToCurr(const AnsiString& S);  // EConvertError SInvalidFloat
Currency StrToCurr(const AnsiString& S, const TFormatSettings& Settings);
Currency StrToCurrDef(const AnsiString& S, Currency Default);
bool TryStrToCurr(const AnsiString& S, Currency& Value);
bool TryStrToCurr(const AnsiString& S, Currency& Value, const TFormatSettings& Settings);
// Rounded half away from zero to 1/10000 (on the digits FloatToStr shows); EOverflow when out
// of range or not a number.
Currency DoubleToCurr(Extended Value);
Extended CurrToDouble(Currency Value);

// ---------------------------------------------------------------------------------------------
// Text.

AnsiString Trim(const AnsiString& S);  // drops bytes <= ' ' at both ends
AnsiString TrimLeft(const AnsiString& S);
AnsiString TrimRight(const AnsiString& S);
AnsiString UpperCase(const AnsiString& S);  // a-z only
AnsiString LowerCase(const AnsiString& S);  // A-Z only
AnsiString AnsiUpperCase(const AnsiString& S);  // Turkish: i -> İ, ı -> I, ç -> Ç, ...
AnsiString AnsiLowerCase(const AnsiString& S);  // Turkish: I -> ı, İ -> i, Ç -> ç, ...
// Byte order; result < 0, 0, > 0.
Integer CompareStr(const AnsiString& S1, const AnsiString& S2);
// Byte order after folding a-z to A-Z.
Integer CompareText(const AnsiString& S1, const AnsiString& S2);
bool SameText(const AnsiString& S1, const AnsiString& S2);
// Turkish alphabetic order (a b c ç d e f g ğ h ı i j ... o ö p r s ş t u ü v y z), digits before
// letters, accents then letter case (lower first) deciding only between otherwise equal texts.
Integer AnsiCompareStr(const AnsiString& S1, const AnsiString& S2);
// The same order with both texts folded by the Turkish upper-casing.
Integer AnsiCompareText(const AnsiString& S1, const AnsiString& S2);
bool AnsiSameStr(const AnsiString& S1, const AnsiString& S2);   // exact equality
bool AnsiSameText(const AnsiString& S1, const AnsiString& S2);  // equal after Turkish upper-casing

AnsiString QuotedStr(const AnsiString& S);  // 'S' with inner quotes doubled
AnsiString AnsiQuotedStr(const AnsiString& S, char Quote);
// Text between Quote characters with doubled quotes undoubled; unchanged when S does not
// begin with Quote. An unterminated text gives what follows the opening quote.
AnsiString AnsiDequotedStr(const AnsiString& S, char Quote);

enum TReplaceFlag { rfReplaceAll, rfIgnoreCase };
using TReplaceFlags = TSet<TReplaceFlag>;
// rfIgnoreCase matches with the Turkish upper-casing; replaced text is never searched again.
AnsiString StringReplace(const AnsiString& S, const AnsiString& OldPattern, const AnsiString& NewPattern,
                         TReplaceFlags Flags);

Integer Pos(const AnsiString& SubStr, const AnsiString& S);  // 0 when absent or SubStr is empty
Integer AnsiPos(const AnsiString& SubStr, const AnsiString& S);
// Count characters from Index, clipped; Index below 1 counts as 1.
AnsiString Copy(const AnsiString& S, Integer Index, Integer Count);
// Removes Count characters from Index (clipped; nothing when Index is out of 1..Length).
void Delete(AnsiString& S, Integer Index, Integer Count);
// Inserts Source before Index (below 1: at the front; past the end: appended).
void Insert(const AnsiString& Source, AnsiString& S, Integer Index);
AnsiString StringOfChar(char Ch, Integer Count);
// Whether the character at Index is one of Delimiters (false for an index out of range).
bool IsDelimiter(const AnsiString& Delimiters, const AnsiString& S, Integer Index);
// Position of the last character of S that is one of Delimiters, 0 when none.
Integer LastDelimiter(const AnsiString& Delimiters, const AnsiString& S);

enum TTextLineBreakStyle { tlbsLF, tlbsCRLF };
// Every CR, LF, CR LF and LF CR pair becomes one line break of the style.
AnsiString AdjustLineBreaks(const AnsiString& S, TTextLineBreakStyle Style = tlbsCRLF);

// ---------------------------------------------------------------------------------------------
// Dates and times. TDateTime counts days since 1899-12-30; the fraction is the time of day
// (for negative values the fraction still counts forward from midnight of the integer day).

inline constexpr Integer HoursPerDay = 24;
inline constexpr Integer MinsPerDay = 24 * 60;
inline constexpr Integer SecsPerDay = MinsPerDay * 60;
inline constexpr Integer MSecsPerDay = SecsPerDay * 1000;
inline constexpr Integer DateDelta = 693594;  // days from 0001-01-01 (day 1) to 1899-12-31

struct TTimeStamp {
    Integer Time = 0;  // milliseconds since midnight
    Integer Date = 0;  // 1 = 0001-01-01
};

extern const Word MonthDays[2][12];  // [IsLeapYear][month - 1]

bool IsLeapYear(Word Year);
Word DaysInAMonth(Word Year, Word Month);
TDateTime EncodeDate(Word Year, Word Month, Word Day);  // EConvertError SDateEncodeError
TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec);  // EConvertError STimeEncodeError
bool TryEncodeDate(Word Year, Word Month, Word Day, TDateTime& Date);
bool TryEncodeTime(Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Time);
void DecodeDate(TDateTime Date, Word& Year, Word& Month, Word& Day);
// DOW: 1 = Sunday .. 7 = Saturday; result: whether Year is a leap year.
bool DecodeDateFully(TDateTime Date, Word& Year, Word& Month, Word& Day, Word& DOW);
void DecodeTime(TDateTime Time, Word& Hour, Word& Min, Word& Sec, Word& MSec);
Word DayOfWeek(TDateTime Date);  // 1 = Sunday .. 7 = Saturday
// A year written with at most two digits placed by TwoDigitYearCenturyWindow (the years
// from this year minus the window on); any other year as written.
Integer WindowedYear(Integer Year, Integer Digits, const TFormatSettings& Settings);
// Adds months; the day is clipped to the length of the target month; the time is kept.
TDateTime IncMonth(TDateTime Date, Integer NumberOfMonths = 1);

// The clock. Tests replace it; an empty function restores the system clock.
void SetNowProvider(std::function<TDateTime()> Provider);
TDateTime Now();
TDateTime Date();  // today at midnight
TDateTime Time();  // time of day only

TTimeStamp DateTimeToTimeStamp(TDateTime DateTime);
TDateTime TimeStampToDateTime(const TTimeStamp& TimeStamp);  // EConvertError on an invalid stamp

// Specifiers (any case unless stated): c (ShortDateFormat + LongTimeFormat, time omitted when
// zero), d dd ddd dddd ddddd (short date) dddddd (long date), m mm mmm mmmm (minutes when
// right after h/hh), yy yyyy, h hh, n nn, s ss, z zzz, t (short time) tt (long time),
// am/pm a/p ampm (12-hour clock), / : (separators), "..." '...' literals.
AnsiString FormatDateTime(const AnsiString& Format, TDateTime DateTime);
AnsiString FormatDateTime(const AnsiString& Format, TDateTime DateTime, const TFormatSettings& Settings);
AnsiString DateToStr(TDateTime Date);
AnsiString DateToStr(TDateTime Date, const TFormatSettings& Settings);
AnsiString TimeToStr(TDateTime Time);
AnsiString TimeToStr(TDateTime Time, const TFormatSettings& Settings);
AnsiString DateTimeToStr(TDateTime DateTime);  // date and, unless midnight, the long time
AnsiString DateTimeToStr(TDateTime DateTime, const TFormatSettings& Settings);

// Dates are read in the order of ShortDateFormat (d m y), separated by DateSeparator; the
// year may be left out (current year) and two-digit years follow TwoDigitYearCenturyWindow.
// Times are h[:n[:s[.z]]] with an optional AM/PM; date and time are separated by blanks.
TDateTime StrToDate(const AnsiString& S);  // EConvertError SInvalidDate
TDateTime StrToDate(const AnsiString& S, const TFormatSettings& Settings);
TDateTime StrToTime(const AnsiString& S);  // EConvertError SInvalidTime
TDateTime StrToTime(const AnsiString& S, const TFormatSettings& Settings);
TDateTime StrToDateTime(const AnsiString& S);  // EConvertError SInvalidDateTime
TDateTime StrToDateTime(const AnsiString& S, const TFormatSettings& Settings);
TDateTime StrToDateDef(const AnsiString& S, TDateTime Default);
TDateTime StrToDateTimeDef(const AnsiString& S, TDateTime Default);
bool TryStrToDate(const AnsiString& S, TDateTime& Value);
bool TryStrToDate(const AnsiString& S, TDateTime& Value, const TFormatSettings& Settings);
bool TryStrToTime(const AnsiString& S, TDateTime& Value);
bool TryStrToTime(const AnsiString& S, TDateTime& Value, const TFormatSettings& Settings);
bool TryStrToDateTime(const AnsiString& S, TDateTime& Value);
bool TryStrToDateTime(const AnsiString& S, TDateTime& Value, const TFormatSettings& Settings);
