// TField and the field classes of the data-set layer.
#include "platform/data/DB.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Guid.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// "(Memo)" for a null value, "(MEMO)" otherwise: how non-text values show.
AnsiString ClassDesc(const TField* F) {
    AnsiString S = "(" + FieldTypeName(F->DataType()) + ")";
    return F->IsNull() ? S : UpperCase(S);
}

Int64 RoundHalfAway(long double V) { return static_cast<Int64>(V < 0 ? V - 0.5L : V + 0.5L); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// TField

TField::TField(TComponent* AOwner) : TComponent(AOwner) {}

TField::~TField() {
    // Listeners (the data set among them) must still see a whole field.
    BeforeDestruction();
    if (FDataSet) FDataSet->Fields()->Remove(this);
}

void TField::CheckInactive() const {
    if (FDataSet) FDataSet->CheckInactive();
}

void TField::SetDataSet(TDataSet* Value) {
    if (Value == FDataSet) return;
    if (FDataSet) FDataSet->CheckInactive();
    if (Value) Value->CheckInactive();
    if (FDataSet) FDataSet->Fields()->Remove(this);
    if (Value) Value->Fields()->Add(this);
}

void TField::SetFieldName(const AnsiString& Value) {
    if (FDataSet) {
        TField* Other = FDataSet->FindField(Value);
        if (Other && Other != this) DatabaseErrorFmt(SDuplicateFieldName, {Value}, FDataSet);
    }
    FFieldName = Value;
    if (FDataSet) FDataSet->DataEvent(deFieldListChange, 0);
}

void TField::SetFieldKind(TFieldKind Value) {
    if (FFieldKind == Value) return;
    CheckInactive();
    FFieldKind = Value;
}

void TField::SetSize(Integer Value) {
    CheckInactive();
    CheckTypeSize(Value);
    FSize = Value;
}

void TField::CheckTypeSize(Integer Value) {
    if (Value != 0) DatabaseError(SInvalidFieldSize);
}

Integer TField::Index() const { return FDataSet ? FDataSet->Fields()->IndexOf(this) : -1; }

void TField::SetIndex(Integer Value) {
    if (FDataSet) FDataSet->Fields()->SetFieldIndex(this, Value);
}

void TField::PropertyChanged(bool LayoutAffected) {
    if (FDataSet && FDataSet->Active()) FDataSet->DataEvent(LayoutAffected ? deLayoutChange : deDataSetChange, 0);
}

void TField::SetDisplayLabel(const AnsiString& Value) {
    FDisplayLabel = Value == FFieldName ? AnsiString() : Value;
    PropertyChanged(true);
}

void TField::SetDisplayWidth(Integer Value) {
    FDisplayWidth = Value;
    PropertyChanged(true);
}

void TField::SetVisible(bool Value) {
    FVisible = Value;
    PropertyChanged(true);
}

void TField::SetReadOnly(bool Value) {
    FReadOnly = Value;
    PropertyChanged(false);
}

void TField::SetDisplayFormat(const AnsiString& Value) {
    FDisplayFormat = Value;
    PropertyChanged(false);
}

void TField::SetEditFormat(const AnsiString& Value) {
    FEditFormat = Value;
    PropertyChanged(false);
}

void TField::SetLookupDataSet(TDataSet* Value) {
    CheckInactive();
    if (Value == FDataSet && Value) DatabaseError(SCircularDataLink, this);
    FLookupDataSet = Value;
}

bool TField::GetCanModify() const {
    if (FReadOnly || !FDataSet) return false;
    if (FFieldKind == fkCalculated || FFieldKind == fkLookup) return FDataSet->State() == dsSetKey ? false : false;
    return FDataSet->CanModify();
}

void TField::Bind(bool Binding) {}

bool TField::GetData(void* Buffer, bool NativeFormat) const {
    if (!FDataSet) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
    if (FValidating) {
        // The value under validation is in native form; a date read as TDateTime needs converting.
        if (!FValueBuffer) return false;
        if (Buffer) {
            if (!NativeFormat)
                FDataSet->DataConvert(const_cast<TField*>(this), FValueBuffer, Buffer, false);
            else
                std::memcpy(Buffer, FValueBuffer, static_cast<size_t>(DataSize()));
        }
        return true;
    }
    return FDataSet->GetFieldData(const_cast<TField*>(this), Buffer, NativeFormat);
}

void TField::SetData(const void* Buffer, bool NativeFormat) {
    if (!FDataSet) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
    if (FReadOnly && FFieldKind == fkData && dsEditModes.Contains(FDataSet->State()) && FDataSet->State() != dsSetKey)
        DatabaseErrorFmt(SFieldReadOnly, {DisplayName()});
    FDataSet->SetFieldData(this, Buffer, NativeFormat);
}

void TField::Validate(const void* Buffer) {
    if (!OnValidate) return;
    const void* SaveBuffer = FValueBuffer;
    bool SaveValidating = FValidating;
    FValueBuffer = Buffer;
    FValidating = true;
    const TAliveGuard alive(this);   // the handler may free the data set and its fields
    try {
        FireEvent(OnValidate, this);
    } catch (...) {
        if (alive.Gone()) throw;
        FValueBuffer = SaveBuffer;
        FValidating = SaveValidating;
        throw;
    }
    if (alive.Gone()) Abort();   // the value goes nowhere
    FValueBuffer = SaveBuffer;
    FValidating = SaveValidating;
}

void TField::Change() {
    if (OnChange) FireEvent(OnChange, this);
}

void TField::FocusControl() {
    if (FDataSet && FDataSet->Active()) FDataSet->DataEvent(deFocusControl, reinterpret_cast<TDataEventInfo>(this));
}

bool TField::GetIsNull() const { return !GetData(nullptr); }

void TField::AccessError(const AnsiString& TypeName) const {
    DatabaseErrorFmt(SFieldAccessError, {DisplayName(), TypeName});
}

void TField::RangeError(const AnsiString& Value, const AnsiString& Min, const AnsiString& Max) const {
    DatabaseErrorFmt(SFieldRangeError, {Value, DisplayName(), Min, Max});
}

AnsiString TField::GetAsString() const { return ClassDesc(this); }
void TField::SetAsStringImpl(const AnsiString&) { AccessError("String"); }
Integer TField::GetAsInteger() const { AccessError("Integer"); }
void TField::SetAsIntegerImpl(Integer) { AccessError("Integer"); }
Int64 TField::GetAsLargeInt() const { AccessError("LargeInt"); }
void TField::SetAsLargeIntImpl(Int64) { AccessError("LargeInt"); }
Double TField::GetAsFloat() const { AccessError("Float"); }
void TField::SetAsFloatImpl(Double) { AccessError("Float"); }
Currency TField::GetAsCurrency() const { return DoubleToCurr(GetAsFloat()); }
void TField::SetAsCurrencyImpl(Currency Value) { SetAsFloatImpl(static_cast<Double>(CurrToDouble(Value))); }
TDateTime TField::GetAsDateTime() const { AccessError("DateTime"); }
void TField::SetAsDateTimeImpl(TDateTime) { AccessError("DateTime"); }
bool TField::GetAsBoolean() const { AccessError("Boolean"); }
void TField::SetAsBooleanImpl(bool) { AccessError("Boolean"); }
Variant TField::GetAsVariant() const { AccessError("Variant"); }
void TField::SetVarValue(const Variant&) { AccessError("Variant"); }

void TField::SetAsVariant(const Variant& Value) {
    if (VarIsNull(Value) || VarIsClear(Value))
        Clear();
    else
        SetVarValue(Value);
}

Variant TField::OldValue() const {
    if (!FDataSet) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
    return FDataSet->GetStateFieldValue(dsOldValue, const_cast<TField*>(this));
}

Variant TField::NewValue() const {
    if (!FDataSet) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
    return FDataSet->GetStateFieldValue(dsNewValue, const_cast<TField*>(this));
}

void TField::SetNewValue(const Variant& Value) {
    if (!FDataSet) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
    FDataSet->SetStateFieldValue(dsNewValue, this, Value);
}

Variant TField::CurValue() const {
    if (!FDataSet) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
    return FDataSet->GetStateFieldValue(dsCurValue, const_cast<TField*>(this));
}

void TField::Assign(TPersistent* Source) {
    if (!Source) {
        Clear();
        return;
    }
    if (auto* F = dynamic_cast<TField*>(Source)) {
        if (F->IsNull())
            Clear();
        else
            SetAsVariant(F->AsVariant());
        return;
    }
    TComponent::Assign(Source);
}

void TField::GetText(AnsiString& Text, bool DisplayText) const { Text = GetAsString(); }

AnsiString TField::GetDisplayText(bool Display) const {
    AnsiString Result;
    if (OnGetText)
        FireEvent(OnGetText, const_cast<TField*>(this), Result, Display);
    else
        GetText(Result, Display);
    return Result;
}

void TField::SetText(const AnsiString& Value) {
    if (OnSetText)
        FireEvent(OnSetText, this, Value);
    else
        SetTextImpl(Value);
}

// ---------------------------------------------------------------------------------------------
// TStringField

TStringField::TStringField(TComponent* AOwner) : TField(AOwner) {
    FDataType = ftString;
    FSize = 20;
}

void TStringField::CheckTypeSize(Integer Value) {
    if (Value < 0) DatabaseError(SInvalidFieldSize);
}

bool TStringField::GetValue(AnsiString& Value) const {
    std::vector<char> Buf(static_cast<size_t>(GetDataSize()) + 1, 0);
    if (!GetData(Buf.data())) return false;
    Value.assign(Buf.data(), strnlen(Buf.data(), static_cast<size_t>(FSize)));
    return true;
}

AnsiString TStringField::GetAsString() const {
    AnsiString S;
    return GetValue(S) ? S : AnsiString();
}

void TStringField::SetAsStringImpl(const AnsiString& Value) {
    std::vector<char> Buf(static_cast<size_t>(GetDataSize()) + 1, 0);
    std::memcpy(Buf.data(), Value.data(), std::min(Value.size(), static_cast<size_t>(FSize)));
    SetData(Buf.data());
}

Integer TStringField::GetAsInteger() const { return StrToInt(GetAsString()); }
void TStringField::SetAsIntegerImpl(Integer Value) { SetAsStringImpl(IntToStr(Value)); }
Int64 TStringField::GetAsLargeInt() const { return StrToInt64(GetAsString()); }
void TStringField::SetAsLargeIntImpl(Int64 Value) { SetAsStringImpl(IntToStr(Value)); }
Double TStringField::GetAsFloat() const { return static_cast<Double>(StrToFloat(GetAsString())); }
void TStringField::SetAsFloatImpl(Double Value) { SetAsStringImpl(FloatToStr(Value)); }
TDateTime TStringField::GetAsDateTime() const { return StrToDateTime(GetAsString()); }
void TStringField::SetAsDateTimeImpl(TDateTime Value) { SetAsStringImpl(DateTimeToStr(Value)); }

bool TStringField::GetAsBoolean() const {
    AnsiString S = GetAsString();
    return !S.empty() && (S[0] == 'T' || S[0] == 't' || S[0] == 'Y' || S[0] == 'y');
}

void TStringField::SetAsBooleanImpl(bool Value) { SetAsStringImpl(Value ? "T" : "F"); }

Variant TStringField::GetAsVariant() const {
    AnsiString S;
    return GetValue(S) ? Variant(S) : Null();
}

void TStringField::SetVarValue(const Variant& Value) { SetAsStringImpl(VarToStr(Value)); }

void TStringField::GetText(AnsiString& Text, bool DisplayText) const { Text = GetAsString(); }

// ---------------------------------------------------------------------------------------------
// TWideStringField

TWideStringField::TWideStringField(TComponent* AOwner) : TStringField(AOwner) { FDataType = ftWideString; }

WideString TWideStringField::AsWideString() const {
    std::vector<char16_t> Buf(static_cast<size_t>(FSize) + 2, 0);
    if (!GetData(Buf.data())) return WideString();
    size_t Len = 0;
    while (Len < static_cast<size_t>(FSize) && Buf[Len]) ++Len;
    return WideString(Buf.data(), Len);
}

void TWideStringField::SetAsWideString(const WideString& Value) {
    std::vector<char16_t> Buf(static_cast<size_t>(FSize) + 2, 0);
    std::copy_n(Value.begin(), std::min(Value.size(), static_cast<size_t>(FSize)), Buf.begin());
    SetData(Buf.data());
}

AnsiString TWideStringField::GetAsString() const { return WideToAnsi(AsWideString()); }
void TWideStringField::SetAsStringImpl(const AnsiString& Value) { SetAsWideString(AnsiToWide(Value)); }

Variant TWideStringField::GetAsVariant() const {
    if (IsNull()) return Null();
    return Variant(AsWideString());
}

void TWideStringField::SetVarValue(const Variant& Value) { SetAsWideString(VarToWideStr(Value)); }

// ---------------------------------------------------------------------------------------------
// TGuidField

TGuidField::TGuidField(TComponent* AOwner) : TStringField(AOwner) {
    FDataType = ftGuid;
    FSize = 38;
}

void TGuidField::CheckTypeSize(Integer Value) {
    if (Value != 38) DatabaseError(SInvalidFieldSize);
}

TGUID TGuidField::AsGuid() const {
    AnsiString S = GetAsString();
    return S.empty() ? TGUID() : StringToGUID(S);
}

void TGuidField::SetAsGuid(const TGUID& Value) { SetAsStringImpl(GUIDToString(Value)); }

// ---------------------------------------------------------------------------------------------
// Numeric fields

TNumericField::TNumericField(TComponent* AOwner) : TField(AOwner) {}

void TNumericField::CheckRange(bool Inside, const AnsiString& Value, const AnsiString& Min,
                               const AnsiString& Max) const {
    if (!Inside) RangeError(Value, Min, Max);
}

TIntegerField::TIntegerField(TComponent* AOwner) : TNumericField(AOwner) { FDataType = ftInteger; }

bool TIntegerField::GetValue(Integer& Value) const {
    alignas(8) char Buf[8] = {};
    if (!GetData(Buf)) return false;
    switch (FDataType) {
    case ftSmallint: { int16_t V; std::memcpy(&V, Buf, 2); Value = V; break; }
    case ftWord: { uint16_t V; std::memcpy(&V, Buf, 2); Value = V; break; }
    default: std::memcpy(&Value, Buf, 4);
    }
    return true;
}

AnsiString TIntegerField::GetAsString() const {
    Integer V;
    return GetValue(V) ? IntToStr(V) : AnsiString();
}

void TIntegerField::SetAsStringImpl(const AnsiString& Value) {
    if (Value.empty()) {
        Clear();
        return;
    }
    Int64 V;
    if (!TryStrToInt64(Value, V)) throw EDatabaseError(Format(SInvalidInteger, {Value}));
    SetAsLargeIntImpl(V);
}

Integer TIntegerField::GetAsInteger() const {
    Integer V;
    return GetValue(V) ? V : 0;
}

void TIntegerField::SetAsIntegerImpl(Integer Value) { SetAsLargeIntImpl(Value); }

Int64 TIntegerField::GetAsLargeInt() const { return GetAsInteger(); }

void TIntegerField::SetAsLargeIntImpl(Int64 Value) {
    Int64 Min = FMinRange, Max = FMaxRange;
    if (FMinValue != 0 || FMaxValue != 0) {
        Min = std::max<Int64>(FMinValue, FMinRange);
        Max = std::min<Int64>(FMaxValue, FMaxRange);
    }
    CheckRange(Value >= Min && Value <= Max, IntToStr(Value), IntToStr(Min), IntToStr(Max));
    alignas(8) char Buf[8] = {};
    switch (FDataType) {
    case ftSmallint: { int16_t V = static_cast<int16_t>(Value); std::memcpy(Buf, &V, 2); break; }
    case ftWord: { uint16_t V = static_cast<uint16_t>(Value); std::memcpy(Buf, &V, 2); break; }
    default: { Integer V = static_cast<Integer>(Value); std::memcpy(Buf, &V, 4); }
    }
    SetData(Buf);
}

Double TIntegerField::GetAsFloat() const { return GetAsInteger(); }

void TIntegerField::SetAsFloatImpl(Double Value) {
    if (!std::isfinite(Value) || std::fabs(Value) > 9.2e18)
        RangeError(FloatToStr(Value), IntToStr(FMinRange), IntToStr(FMaxRange));
    SetAsLargeIntImpl(std::llround(Value));
}

Currency TIntegerField::GetAsCurrency() const { return Currency::FromScaled(Int64(GetAsInteger()) * Currency::Scale); }

void TIntegerField::SetAsCurrencyImpl(Currency Value) {
    SetAsLargeIntImpl(RoundHalfAway(static_cast<long double>(Value.Value) / Currency::Scale));
}

Variant TIntegerField::GetAsVariant() const {
    Integer V;
    return GetValue(V) ? Variant(V) : Null();
}

void TIntegerField::SetVarValue(const Variant& Value) { SetAsLargeIntImpl(Value.AsInt64()); }

bool TIntegerField::IsValidChar(char Ch) const { return (Ch >= '0' && Ch <= '9') || Ch == '+' || Ch == '-'; }

void TIntegerField::GetText(AnsiString& Text, bool DisplayText) const {
    Integer V;
    if (!GetValue(V)) {
        Text.clear();
        return;
    }
    const AnsiString& Fmt = (DisplayText || FEditFormat.empty()) ? FDisplayFormat : FEditFormat;
    Text = Fmt.empty() ? IntToStr(V) : FormatFloat(Fmt, V);
}

TSmallintField::TSmallintField(TComponent* AOwner) : TIntegerField(AOwner) {
    FDataType = ftSmallint;
    FMinRange = -32768;
    FMaxRange = 32767;
}

TWordField::TWordField(TComponent* AOwner) : TIntegerField(AOwner) {
    FDataType = ftWord;
    FMinRange = 0;
    FMaxRange = 65535;
}

TAutoIncField::TAutoIncField(TComponent* AOwner) : TIntegerField(AOwner) { FDataType = ftAutoInc; }

// --- TLargeintField ---

TLargeintField::TLargeintField(TComponent* AOwner) : TNumericField(AOwner) { FDataType = ftLargeint; }

bool TLargeintField::GetValue(Int64& Value) const {
    alignas(8) char Buf[8] = {};
    if (!GetData(Buf)) return false;
    std::memcpy(&Value, Buf, 8);
    return true;
}

AnsiString TLargeintField::GetAsString() const {
    Int64 V;
    return GetValue(V) ? IntToStr(V) : AnsiString();
}

void TLargeintField::SetAsStringImpl(const AnsiString& Value) {
    if (Value.empty()) {
        Clear();
        return;
    }
    Int64 V;
    if (!TryStrToInt64(Value, V)) throw EDatabaseError(Format(SInvalidInteger, {Value}));
    SetAsLargeIntImpl(V);
}

Integer TLargeintField::GetAsInteger() const {
    Int64 V = GetAsLargeInt();
    if (V < std::numeric_limits<Integer>::min() || V > std::numeric_limits<Integer>::max())
        throw EDatabaseError(Format(SInvalidInteger, {IntToStr(V)}));
    return static_cast<Integer>(V);
}

void TLargeintField::SetAsIntegerImpl(Integer Value) { SetAsLargeIntImpl(Value); }

Int64 TLargeintField::GetAsLargeInt() const {
    Int64 V;
    return GetValue(V) ? V : 0;
}

void TLargeintField::SetAsLargeIntImpl(Int64 Value) {
    if (FMinValue != 0 || FMaxValue != 0)
        CheckRange(Value >= FMinValue && Value <= FMaxValue, IntToStr(Value), IntToStr(FMinValue), IntToStr(FMaxValue));
    SetData(&Value);
}

Double TLargeintField::GetAsFloat() const { return static_cast<Double>(GetAsLargeInt()); }

void TLargeintField::SetAsFloatImpl(Double Value) {
    if (!std::isfinite(Value) || std::fabs(Value) > 9.2e18)
        RangeError(FloatToStr(Value), IntToStr(std::numeric_limits<Int64>::min()),
                   IntToStr(std::numeric_limits<Int64>::max()));
    SetAsLargeIntImpl(std::llround(Value));
}

Variant TLargeintField::GetAsVariant() const {
    Int64 V;
    return GetValue(V) ? Variant(static_cast<long long>(V)) : Null();
}

void TLargeintField::SetVarValue(const Variant& Value) { SetAsLargeIntImpl(Value.AsInt64()); }

bool TLargeintField::IsValidChar(char Ch) const { return (Ch >= '0' && Ch <= '9') || Ch == '+' || Ch == '-'; }

void TLargeintField::GetText(AnsiString& Text, bool DisplayText) const {
    Int64 V;
    if (!GetValue(V)) {
        Text.clear();
        return;
    }
    const AnsiString& Fmt = (DisplayText || FEditFormat.empty()) ? FDisplayFormat : FEditFormat;
    Text = Fmt.empty() ? IntToStr(V) : FormatFloat(Fmt, static_cast<Extended>(V));
}

// --- TFloatField ---

TFloatField::TFloatField(TComponent* AOwner) : TNumericField(AOwner) { FDataType = ftFloat; }

void TFloatField::SetCurrency(bool Value) {
    FCurrency = Value;
    PropertyChanged(false);
}

void TFloatField::SetPrecision(Integer Value) {
    FPrecision = std::clamp(Value, 2, 15);
    PropertyChanged(false);
}

bool TFloatField::GetValue(Double& Value) const {
    alignas(8) char Buf[8] = {};
    if (!GetData(Buf)) return false;
    std::memcpy(&Value, Buf, 8);
    return true;
}

AnsiString TFloatField::GetAsString() const {
    Double V;
    return GetValue(V) ? FloatToStr(V) : AnsiString();
}

void TFloatField::SetAsStringImpl(const AnsiString& Value) {
    if (Value.empty()) {
        Clear();
        return;
    }
    Extended V;
    if (!TryStrToFloat(Value, V)) throw EDatabaseError(Format(SInvalidFloat, {Value}));
    SetAsFloatImpl(static_cast<Double>(V));
}

Integer TFloatField::GetAsInteger() const {
    Double V = GetAsFloat();
    if (!(V >= -2147483648.5 && V < 2147483647.5)) throw EDatabaseError(Format(SInvalidInteger, {FloatToStr(V)}));
    return static_cast<Integer>(std::llround(V));
}

void TFloatField::SetAsIntegerImpl(Integer Value) { SetAsFloatImpl(Value); }

Double TFloatField::GetAsFloat() const {
    Double V;
    return GetValue(V) ? V : 0.0;
}

void TFloatField::SetAsFloatImpl(Double Value) {
    // No column stores infinity or NaN.
    if (!std::isfinite(Value)) DatabaseErrorFmt(SInvalidFloatValue, {FloatToStr(Value), DisplayName()});
    if ((FMinValue != 0 || FMaxValue != 0) && (Value < FMinValue || Value > FMaxValue))
        RangeError(FloatToStr(Value), FloatToStr(FMinValue), FloatToStr(FMaxValue));
    SetData(&Value);
}

::Currency TFloatField::GetAsCurrency() const { return DoubleToCurr(GetAsFloat()); }
void TFloatField::SetAsCurrencyImpl(::Currency Value) { SetAsFloatImpl(static_cast<Double>(CurrToDouble(Value))); }

Variant TFloatField::GetAsVariant() const {
    Double V;
    return GetValue(V) ? Variant(V) : Null();
}

void TFloatField::SetVarValue(const Variant& Value) { SetAsFloatImpl(Value.AsDouble()); }

bool TFloatField::IsValidChar(char Ch) const {
    return (Ch >= '0' && Ch <= '9') || Ch == '+' || Ch == '-' || Ch == 'E' || Ch == 'e' ||
           Ch == FormatSettings.DecimalSeparator;
}

void TFloatField::GetText(AnsiString& Text, bool DisplayText) const {
    Double V;
    if (!GetValue(V)) {
        Text.clear();
        return;
    }
    const AnsiString& Fmt = (DisplayText || FEditFormat.empty()) ? FDisplayFormat : FEditFormat;
    if (!Fmt.empty())
        Text = FormatFloat(Fmt, V);
    else if (FCurrency)
        Text = FloatToStrF(V, DisplayText ? ffCurrency : ffFixed, FPrecision, FormatSettings.CurrencyDecimals);
    else
        Text = FloatToStrF(V, ffGeneral, FPrecision, 0);
}

TCurrencyField::TCurrencyField(TComponent* AOwner) : TFloatField(AOwner) {
    FDataType = ftCurrency;
    FCurrency = true;
}

// --- TBCDField ---

TBCDField::TBCDField(TComponent* AOwner) : TNumericField(AOwner) {
    FDataType = ftBCD;
    FSize = 4;
}

void TBCDField::SetCurrency(bool Value) {
    FCurrency = Value;
    PropertyChanged(false);
}

void TBCDField::CheckTypeSize(Integer Value) {
    if (Value < 0 || Value > 4) DatabaseError(SInvalidFieldSize);
}

Integer TBCDField::GetDefaultWidth() const { return FPrecision > 0 ? FPrecision + 2 : 10; }

bool TBCDField::GetValue(::Currency& Value) const {
    alignas(8) char Buf[8] = {};
    if (!GetData(Buf)) return false;
    std::memcpy(&Value.Value, Buf, 8);
    return true;
}

AnsiString TBCDField::GetAsString() const {
    ::Currency V;
    return GetValue(V) ? CurrToStr(V) : AnsiString();
}

void TBCDField::SetAsStringImpl(const AnsiString& Value) {
    if (Value.empty()) {
        Clear();
        return;
    }
    ::Currency V;
    if (!TryStrToCurr(Value, V)) throw EDatabaseError(Format(SInvalidFloat, {Value}));
    SetAsCurrencyImpl(V);
}

Integer TBCDField::GetAsInteger() const {
    ::Currency V = GetAsCurrency();
    Int64 I = RoundHalfAway(static_cast<long double>(V.Value) / ::Currency::Scale);
    if (I < std::numeric_limits<Integer>::min() || I > std::numeric_limits<Integer>::max())
        throw EDatabaseError(Format(SInvalidInteger, {CurrToStr(V)}));
    return static_cast<Integer>(I);
}

void TBCDField::SetAsIntegerImpl(Integer Value) { SetAsCurrencyImpl(::Currency::FromScaled(Int64(Value) * ::Currency::Scale)); }

Double TBCDField::GetAsFloat() const { return static_cast<Double>(CurrToDouble(GetAsCurrency())); }

void TBCDField::SetAsFloatImpl(Double Value) {
    ::Currency C;
    try {
        C = DoubleToCurr(Value);
    } catch (EOverflow&) {
        RangeError(FloatToStr(Value), CurrToStr(FMinValue), CurrToStr(FMaxValue));
    }
    SetAsCurrencyImpl(C);
}

::Currency TBCDField::GetAsCurrency() const {
    ::Currency V;
    return GetValue(V) ? V : ::Currency();
}

void TBCDField::SetAsCurrencyImpl(::Currency Value) {
    if ((FMinValue.Value != 0 || FMaxValue.Value != 0) && (Value < FMinValue || Value > FMaxValue))
        RangeError(CurrToStr(Value), CurrToStr(FMinValue), CurrToStr(FMaxValue));
    // Keep only the field's decimals, rounded half away from zero.
    Int64 Unit = 1;
    for (Integer I = FSize; I < 4; ++I) Unit *= 10;
    Int64 Raw = Value.Value;
    if (Unit > 1) {
        Int64 Q = Raw / Unit, R = Raw % Unit;
        if (2 * (R < 0 ? -R : R) >= Unit) Q += Raw < 0 ? -1 : 1;
        Raw = Q * Unit;
    }
    SetData(&Raw);
}

Variant TBCDField::GetAsVariant() const {
    ::Currency V;
    return GetValue(V) ? Variant(V) : Null();
}

void TBCDField::SetVarValue(const Variant& Value) { SetAsCurrencyImpl(Value.AsCurrency()); }

bool TBCDField::IsValidChar(char Ch) const {
    return (Ch >= '0' && Ch <= '9') || Ch == '+' || Ch == '-' || Ch == FormatSettings.DecimalSeparator;
}

void TBCDField::GetText(AnsiString& Text, bool DisplayText) const {
    ::Currency V;
    if (!GetValue(V)) {
        Text.clear();
        return;
    }
    const AnsiString& Fmt = (DisplayText || FEditFormat.empty()) ? FDisplayFormat : FEditFormat;
    if (!Fmt.empty())
        Text = FormatCurr(Fmt, V);
    else if (FCurrency)
        Text = CurrToStrF(V, DisplayText ? ffCurrency : ffFixed, FormatSettings.CurrencyDecimals);
    else
        Text = CurrToStr(V);
}

// ---------------------------------------------------------------------------------------------
// TBooleanField

TBooleanField::TBooleanField(TComponent* AOwner) : TField(AOwner) { FDataType = ftBoolean; }

void TBooleanField::SetDisplayValues(const AnsiString& Value) {
    FDisplayValues = Value;
    size_t P = Value.find(';');
    AnsiString T = P == AnsiString::npos ? Value : Value.substr(0, P);
    AnsiString F = P == AnsiString::npos ? AnsiString() : Value.substr(P + 1);
    FTextTrue = T.empty() ? AnsiString(STextTrue) : T;
    FTextFalse = F.empty() ? AnsiString(STextFalse) : F;
    PropertyChanged(true);
}

Integer TBooleanField::GetDefaultWidth() const {
    return static_cast<Integer>(std::max(FTextTrue.size(), FTextFalse.size()));
}

bool TBooleanField::GetAsBoolean() const {
    int16_t V = 0;
    return GetData(&V) && V != 0;
}

void TBooleanField::SetAsBooleanImpl(bool Value) {
    int16_t V = Value ? 1 : 0;
    SetData(&V);
}

AnsiString TBooleanField::GetAsString() const {
    int16_t V = 0;
    if (!GetData(&V)) return AnsiString();
    return V ? FTextTrue : FTextFalse;
}

void TBooleanField::SetAsStringImpl(const AnsiString& Value) {
    if (Value.empty()) {
        Clear();
        return;
    }
    // A leading part of either text is enough ("T", "fal").
    auto Starts = [&](const AnsiString& Whole) {
        return Value.size() <= Whole.size() && AnsiSameText(Whole.substr(0, Value.size()), Value);
    };
    if (Starts(FTextTrue))
        SetAsBooleanImpl(true);
    else if (Starts(FTextFalse))
        SetAsBooleanImpl(false);
    else
        DatabaseErrorFmt(SInvalidBoolValue, {Value, DisplayName()});
}

Integer TBooleanField::GetAsInteger() const { return GetAsBoolean() ? 1 : 0; }
void TBooleanField::SetAsIntegerImpl(Integer Value) { SetAsBooleanImpl(Value != 0); }

Variant TBooleanField::GetAsVariant() const {
    int16_t V = 0;
    if (!GetData(&V)) return Null();
    return Variant(V != 0);
}

void TBooleanField::SetVarValue(const Variant& Value) { SetAsBooleanImpl(Value.AsBoolean()); }

void TBooleanField::GetText(AnsiString& Text, bool DisplayText) const { Text = GetAsString(); }

// ---------------------------------------------------------------------------------------------
// Date and time fields

TDateTimeField::TDateTimeField(TComponent* AOwner) : TField(AOwner) { FDataType = ftDateTime; }

bool TDateTimeField::GetValue(TDateTime& Value) const {
    alignas(8) char Buf[8] = {};
    if (!GetData(Buf, false)) return false;
    std::memcpy(&Value, Buf, 8);
    return true;
}

void TDateTimeField::GetText(AnsiString& Text, bool DisplayText) const {
    TDateTime V;
    if (!GetValue(V)) {
        Text.clear();
        return;
    }
    if (DisplayText && !FDisplayFormat.empty())
        Text = FormatDateTime(FDisplayFormat, V);
    else if (FDataType == ftDate)
        Text = FormatDateTime(FormatSettings.ShortDateFormat, V);
    else if (FDataType == ftTime)
        Text = FormatDateTime(FormatSettings.LongTimeFormat, V);
    else
        Text = DateTimeToStr(V);
}

AnsiString TDateTimeField::GetAsString() const {
    AnsiString S;
    GetText(S, false);
    return S;
}

void TDateTimeField::SetAsStringImpl(const AnsiString& Value) {
    if (Trim(Value).empty()) {
        Clear();
        return;
    }
    switch (FDataType) {
    case ftDate: SetAsDateTimeImpl(StrToDate(Value)); break;
    case ftTime: SetAsDateTimeImpl(StrToTime(Value)); break;
    default: SetAsDateTimeImpl(StrToDateTime(Value));
    }
}

Double TDateTimeField::GetAsFloat() const { return GetAsDateTime(); }
void TDateTimeField::SetAsFloatImpl(Double Value) { SetAsDateTimeImpl(Value); }

TDateTime TDateTimeField::GetAsDateTime() const {
    TDateTime V;
    return GetValue(V) ? V : 0.0;
}

void TDateTimeField::SetAsDateTimeImpl(TDateTime Value) { SetData(&Value, false); }

Variant TDateTimeField::GetAsVariant() const {
    TDateTime V;
    return GetValue(V) ? VarFromDateTime(V) : Null();
}

void TDateTimeField::SetVarValue(const Variant& Value) { SetAsDateTimeImpl(Value.AsDateTime()); }

TDateField::TDateField(TComponent* AOwner) : TDateTimeField(AOwner) { FDataType = ftDate; }
TTimeField::TTimeField(TComponent* AOwner) : TDateTimeField(AOwner) { FDataType = ftTime; }

// ---------------------------------------------------------------------------------------------
// Binary fields: raw bytes, shown by their kind.

TBinaryField::TBinaryField(TComponent* AOwner) : TField(AOwner) { FSize = 16; }

void TBinaryField::CheckTypeSize(Integer Value) {
    if (Value < 1) DatabaseError(SInvalidFieldSize);
}

AnsiString TBinaryField::GetAsString() const {
    std::vector<char> Buf(static_cast<size_t>(GetDataSize()), 0);
    if (!GetData(Buf.data())) return AnsiString();
    if (FDataType == ftVarBytes) {
        uint16_t Len;
        std::memcpy(&Len, Buf.data(), 2);
        Len = std::min<uint16_t>(Len, static_cast<uint16_t>(FSize));
        return AnsiString(Buf.data() + 2, Len);
    }
    return AnsiString(Buf.data(), Buf.size());
}

void TBinaryField::SetAsStringImpl(const AnsiString& Value) {
    std::vector<char> Buf(static_cast<size_t>(GetDataSize()), 0);
    size_t N = std::min(Value.size(), static_cast<size_t>(FSize));
    if (FDataType == ftVarBytes) {
        uint16_t Len = static_cast<uint16_t>(N);
        std::memcpy(Buf.data(), &Len, 2);
        std::memcpy(Buf.data() + 2, Value.data(), N);
    } else
        std::memcpy(Buf.data(), Value.data(), N);
    SetData(Buf.data());
}

Variant TBinaryField::GetAsVariant() const {
    if (IsNull()) return Null();
    AnsiString S = GetAsString();
    Variant A = VarArrayCreate({0, static_cast<Integer>(S.size()) - 1}, varByte);
    if (!S.empty()) {
        std::memcpy(VarArrayLock(A), S.data(), S.size());
        VarArrayUnlock(A);
    }
    return A;
}

void TBinaryField::SetVarValue(const Variant& Value) {
    if (VarIsArray(Value)) {
        AnsiString S;
        for (Integer I = VarArrayLowBound(Value, 1); I <= VarArrayHighBound(Value, 1); ++I)
            S += static_cast<char>(VarArrayGet(Value, {I}).AsInteger());
        SetAsStringImpl(S);
    } else
        SetAsStringImpl(VarToStr(Value));
}

void TBinaryField::GetText(AnsiString& Text, bool DisplayText) const { Text = ClassDesc(this); }

TBytesField::TBytesField(TComponent* AOwner) : TBinaryField(AOwner) { FDataType = ftBytes; }
TVarBytesField::TVarBytesField(TComponent* AOwner) : TBinaryField(AOwner) { FDataType = ftVarBytes; }

// ---------------------------------------------------------------------------------------------
// Blob fields

TBlobField::TBlobField(TComponent* AOwner) : TField(AOwner) { FDataType = ftBlob; }

bool TBlobField::GetIsNull() const { return TField::GetIsNull(); }

Integer TBlobField::BlobSize() const {
    if (!FDataSet) return 0;
    std::unique_ptr<TStream> S(FDataSet->CreateBlobStream(const_cast<TBlobField*>(this), bmRead));
    return S ? static_cast<Integer>(S->Size()) : 0;
}

void TBlobField::SaveToStream(TStream* Stream) const {
    if (!FDataSet) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
    std::unique_ptr<TStream> S(FDataSet->CreateBlobStream(const_cast<TBlobField*>(this), bmRead));
    if (S) Stream->CopyFrom(S.get(), 0);
}

void TBlobField::LoadFromStream(TStream* Stream) {
    if (!FDataSet) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
    std::unique_ptr<TStream> S(FDataSet->CreateBlobStream(this, bmWrite));
    if (!S) AccessError("Blob");
    Stream->SetPosition(0);
    S->CopyFrom(Stream, 0);
    FModified = true;
}

void TBlobField::LoadFromFile(const AnsiString& FileName) {
    TFileStream F(FileName, fmOpenRead);
    LoadFromStream(&F);
}

void TBlobField::SaveToFile(const AnsiString& FileName) const {
    TMemoryStream M;
    SaveToStream(&M);
    M.SaveToFile(FileName);
}

AnsiString TBlobField::GetAsString() const {
    if (!FDataSet) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
    std::unique_ptr<TStream> S(FDataSet->CreateBlobStream(const_cast<TBlobField*>(this), bmRead));
    if (!S) return AnsiString();
    AnsiString Result(static_cast<size_t>(S->Size()), '\0');
    S->SetPosition(0);
    if (!Result.empty()) S->ReadBuffer(Result.data(), static_cast<Integer>(Result.size()));
    return Result;
}

void TBlobField::SetAsStringImpl(const AnsiString& Value) {
    if (!FDataSet) DatabaseErrorFmt(SDataSetMissing, {DisplayName()});
    std::unique_ptr<TStream> S(FDataSet->CreateBlobStream(this, bmWrite));
    if (!S) AccessError("String");
    S->SetSize(0);
    if (!Value.empty()) S->WriteBuffer(Value.data(), static_cast<Integer>(Value.size()));
    FModified = true;
}

Variant TBlobField::GetAsVariant() const {
    if (IsNull()) return Null();
    return Variant(GetAsString());
}

void TBlobField::SetVarValue(const Variant& Value) { SetAsStringImpl(VarToStr(Value)); }

void TBlobField::GetText(AnsiString& Text, bool DisplayText) const { Text = ClassDesc(this); }

TMemoField::TMemoField(TComponent* AOwner) : TBlobField(AOwner) { FDataType = ftMemo; }

void TMemoField::GetText(AnsiString& Text, bool DisplayText) const { Text = ClassDesc(this); }

TGraphicField::TGraphicField(TComponent* AOwner) : TBlobField(AOwner) { FDataType = ftGraphic; }
