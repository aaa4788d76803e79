// TFBCustomDataSet: field classes, field definitions and field value access.
#include "datasets/FBDataSet.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "dbclient/FBDatabase.h"
#include "dbclient/FBMessages.h"
#include "dbclient/StdFuncs.h"
#include "dbclient/StrUtil.h"
#include "dbclient/pFBDataInfo.h"
#include "platform/rtl/CodePage.h"

namespace {

TFBCustomDataSet* FBDataSetOf(const TField* F) { return dynamic_cast<TFBCustomDataSet*>(F->DataSet()); }

bool UnicodeConnection(const TField* F) {
    TFBCustomDataSet* D = FBDataSetOf(F);
    return D && D->Database() && D->Database()->IsUnicodeConnect();
}

// round(V x 10^Decimals), half away from zero on the value's shortest decimal
// form, so 1.005 at two decimals gives 101 and not the binary neighbour's 100.
bool ScaledRound(Extended V, Integer Decimals, Int64& Result) {
    if (!std::isfinite(static_cast<double>(V))) return false;
    const bool Neg = V < 0;
    char Buf[64];
    std::snprintf(Buf, sizeof Buf, "%.15e", static_cast<double>(Neg ? -V : V));
    // d.ddddddddddddddde[+-]xx
    Int64 M = 0;
    const char* P = Buf;
    for (; *P && *P != 'e'; ++P)
        if (*P >= '0' && *P <= '9') M = M * 10 + (*P - '0');
    const Integer E = *P == 'e' ? std::atoi(P + 1) : 0;
    const Integer K = E - 15 + Decimals;
    if (K >= 0) {
        if (K > 18) return false;
        const Int64 Pw = PowersOf10[K];
        if (M != 0 && M > INT64_MAX / Pw) return false;
        Result = M * Pw;
    } else if (-K > 18) {
        Result = 0;
    } else {
        const Int64 Pw = PowersOf10[-K];
        Int64 Q = M / Pw;
        if ((M % Pw) * 2 >= Pw) ++Q;
        Result = Q;
    }
    if (Neg) Result = -Result;
    return true;
}

Extended RoundToDecimals(Extended V, Integer Decimals) {
    Int64 Q;
    if (Decimals < 0 || Decimals > 18 || !ScaledRound(V, Decimals, Q)) return V;
    return static_cast<Extended>(Q) / static_cast<Extended>(PowersOf10[Decimals]);
}

// Exact decimal text (user's separator, optional sign) to an integer scaled by
// Decimals, half away from zero beyond them; false when it is no plain number.
bool DecimalTextToScaled(const AnsiString& S, Integer Decimals, Int64& Result) {
    const AnsiString T = FastTrim(S);
    size_t I = 0;
    bool Neg = false;
    if (I < T.size() && (T[I] == '-' || T[I] == '+')) Neg = T[I++] == '-';
    Int64 V = 0;
    Integer Frac = 0;
    bool Digits = false, InFrac = false, RoundUp = false, Cut = false;
    for (; I < T.size(); ++I) {
        const char C = T[I];
        if (C == FormatSettings.DecimalSeparator && !InFrac) {
            InFrac = true;
            continue;
        }
        if (C < '0' || C > '9') return false;
        Digits = true;
        if (InFrac && Frac >= Decimals) {
            if (!Cut) RoundUp = C >= '5';
            Cut = true;
            continue;
        }
        if (V > (INT64_MAX - 9) / 10) return false;
        V = V * 10 + (C - '0');
        if (InFrac) ++Frac;
    }
    if (!Digits) return false;
    for (; Frac < Decimals; ++Frac) {
        if (V > INT64_MAX / 10) return false;
        V *= 10;
    }
    if (RoundUp) ++V;
    Result = Neg ? -V : V;
    return true;
}

Int64 RescaleRound(Int64 V, Integer From, Integer To) {
    if (To >= From) return V * PowersOf10[std::min(To - From, 18)];
    const Int64 P = PowersOf10[std::min(From - To, 18)];
    Int64 Q = V / P;
    const Int64 R = V % P;
    if (R * 2 >= P) ++Q;
    else if (R * 2 <= -P) --Q;
    return Q;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TFBStringField

TFBStringField::TFBStringField(TComponent* AOwner) : TStringField(AOwner) {
    if (auto* D = dynamic_cast<TFBCustomDataSet*>(AOwner)) FEmptyStrToNull = D->PrepareOptions().Contains(psSetEmptyStrToNull);
}

bool TFBStringField::ReadValue(AnsiString& Value) const {
    if (TFBCustomDataSet* D = FBDataSet(); D && FFieldKind == fkData && !FValidating) {
        switch (D->ReadText(const_cast<TFBStringField*>(this), Value)) {
            case TFBCustomDataSet::rtNull: return false;
            case TFBCustomDataSet::rtRead: return true;
            case TFBCustomDataSet::rtOther: break;
        }
    }
    Value.assign(static_cast<size_t>(GetDataSize()) + 1, '\0');
    if (!GetData(Value.data())) return false;
    Value.resize(strnlen(Value.data(), static_cast<size_t>(FSize)));
    return true;
}

TFBCustomDataSet* TFBStringField::FBDataSet() const {
    if (FDataSet != FCastFrom) {
        FCastFrom = FDataSet;
        FCast = dynamic_cast<TFBCustomDataSet*>(FDataSet);
    }
    return FCast;
}

AnsiString TFBStringField::GetAsString() const {
    // One text object made and handed back whole: every read of a text field comes here.
    AnsiString S;
    TFBCustomDataSet* D = FBDataSet();
    bool Read = false;
    if (D && FFieldKind == fkData && !FValidating) {
        // The way the screens read texts: straight from the record.
        switch (D->ReadText(const_cast<TFBStringField*>(this), S)) {
            case TFBCustomDataSet::rtNull: return S;
            case TFBCustomDataSet::rtRead: Read = true; break;
            case TFBCustomDataSet::rtOther: break;
        }
    }
    if (!Read && D && FFieldKind == fkData) {
        if (TFBFieldDescr* Dsc = D->DescrOf(const_cast<TFBStringField*>(this)); Dsc && Dsc->IsDBKey) {
            if (D->IsEmpty()) return S;
            std::vector<char> Buf(static_cast<size_t>(std::max(GetDataSize(), Integer(Dsc->Width))) + 1, 0);
            if (!GetData(Buf.data())) return S;
            for (Integer I = 0; I + 4 <= Dsc->Width; I += 4) {
                uint32_t W;
                std::memcpy(&W, Buf.data() + I, 4);
                S += Format("%-8.8x", {static_cast<Int64>(W)});
            }
            return S;
        }
    }
    if (!Read && !ReadValue(S)) {
        S.clear();
        return S;
    }
    if (D && D->Database() && D->Database()->IsUnicodeConnect()) S = Utf8ToAnsi(S);
    return S;
}

Variant TFBStringField::GetAsVariant() const {
    AnsiString S;
    return ReadValue(S) ? Variant(S) : Null();
}

void TFBStringField::SetAsStringImpl(const AnsiString& Value) {
    const AnsiString V = UnicodeConnection(this) ? AnsiToUtf8(Value) : Value;
    // Refused, never cut: a stored value that silently lost its end is worse than an error.
    if (V.size() > static_cast<size_t>(FSize))
        DatabaseErrorFmt("Value of field '%s' is too long: %d characters, at most %d",
                         {FieldName(), static_cast<Integer>(V.size()), FSize});
    FValueLength = static_cast<Integer>(V.size());
    std::vector<char> Buf(static_cast<size_t>(GetDataSize()) + 1, 0);
    std::memcpy(Buf.data(), V.data(), static_cast<size_t>(FValueLength));
    SetData(Buf.data());
}

TFBWideStringField::TFBWideStringField(TComponent* AOwner) : TWideStringField(AOwner) {}

// ---------------------------------------------------------------------------------------------
// Integer fields

TFBIntegerField::TFBIntegerField(TComponent* AOwner) : TIntegerField(AOwner) {}

void TFBIntegerField::GetText(AnsiString& Text, bool DisplayText) const {
    Integer V;
    if (FIsTimeField && GetValue(V)) {
        const Integer H = V / 3600, M = (V / 60) % 60;
        Text = (H < 10 ? "0" : "") + IntToStr(H) + FormatSettings.TimeSeparator + (M < 10 ? "0" : "") + IntToStr(M);
        return;
    }
    TIntegerField::GetText(Text, DisplayText);
}

void TFBIntegerField::SetTextImpl(const AnsiString& Value) {
    if (!FIsTimeField || Value.empty()) {
        TIntegerField::SetTextImpl(Value);
        return;
    }
    // hours, minutes and, when given, seconds; a fourth part (fractions) is dropped.
    Integer Parts[4] = {0, 0, 0, 0};
    Integer N = 0;
    AnsiString Cur;
    for (size_t I = 0; I <= Value.size(); ++I) {
        if (I == Value.size() || Value[I] == FormatSettings.TimeSeparator) {
            if (N < 4) Parts[N++] = Cur.empty() ? 0 : StrToInt(FastTrim(Cur));
            Cur.clear();
        } else {
            Cur += Value[I];
        }
    }
    SetAsIntegerImpl(Parts[0] * 3600 + Parts[1] * 60 + Parts[2]);
}

bool TFBIntegerField::IsValidChar(char Ch) const {
    if (FIsTimeField) return Ch == FormatSettings.TimeSeparator || (Ch >= '0' && Ch <= '9');
    return TIntegerField::IsValidChar(Ch);
}

TFBSmallIntField::TFBSmallIntField(TComponent* AOwner) : TSmallintField(AOwner) {}

// ---------------------------------------------------------------------------------------------
// TFBFloatField

TFBFloatField::TFBFloatField(TComponent* AOwner) : TFloatField(AOwner) {}

void TFBFloatField::SetAsFloatImpl(Double Value) {
    if (FRoundByScale && std::isfinite(Value)) {
        Integer Scale = -15;
        if (FFieldKind == fkData) {
            TFBCustomDataSet* D = FBDataSetOf(this);
            TFBFieldDescr* Dsc = D ? D->DescrOf(this) : nullptr;
            Scale = Dsc ? static_cast<SmallInt>(Dsc->Scale) : 0;
        }
        if (Scale != 0) Value = static_cast<Double>(RoundToDecimals(Value, -Scale));
    }
    TFloatField::SetAsFloatImpl(Value);
}

void TFBFloatField::GetText(AnsiString& Text, bool DisplayText) const {
    TFloatField::GetText(Text, DisplayText);
    Text = FastTrim(Text);
}

// ---------------------------------------------------------------------------------------------
// TFBBCDField

TFBBCDField::TFBBCDField(TComponent* AOwner) : TBCDField(AOwner) { FSize = 8; }

void TFBBCDField::CheckTypeSize(Integer Value) {
    if (Value < 0 || Value > 18) DatabaseError(SInvalidFieldSize);
}

bool TFBBCDField::ColumnIsInt64() const {
    TFBCustomDataSet* D = FBDataSetOf(this);
    TFBFieldDescr* Dsc = D ? D->DescrOf(const_cast<TFBBCDField*>(this)) : nullptr;
    return Dsc && Dsc->SqlType == SQLTypeInt64;
}

bool TFBBCDField::GetRaw(Int64& Raw) const {
    Raw = 0;
    return GetData(&Raw);
}

void TFBBCDField::SetRaw(Int64 Raw) { SetData(&Raw); }

Extended TFBBCDField::GetAsExtended() const {
    if (!IsDataField()) return static_cast<Extended>(TBCDField::GetAsFloat());
    Int64 R;
    if (!GetRaw(R)) return 0;
    return static_cast<Extended>(R) / static_cast<Extended>(PowersOf10[FSize]);
}

void TFBBCDField::SetAsInt64(Int64 Value) {
    if (FSize != 0) {
        if (Value > INT64_MAX / PowersOf10[FSize] || Value < INT64_MIN / PowersOf10[FSize])
            RangeError(IntToStr(Value), "", "");
        SetRaw(Value * PowersOf10[FSize]);
    } else {
        SetRaw(Value);
    }
}

AnsiString TFBBCDField::GetAsString() const {
    if (!IsDataField()) return TBCDField::GetAsString();
    Int64 R;
    if (!GetRaw(R)) return AnsiString();
    return FSize != 0 ? ScaledInt64ToStrDef(FSize, R) : Int64ToStrEx(R);
}

Integer TFBBCDField::GetAsInteger() const {
    if (!IsDataField()) return TBCDField::GetAsInteger();
    Int64 R;
    if (!GetRaw(R)) return 0;
    return static_cast<Integer>(RescaleRound(R, FSize, 0));
}

Int64 TFBBCDField::GetAsLargeInt() const {
    if (!IsDataField()) return static_cast<Int64>(TBCDField::GetAsInteger());
    Int64 R;
    if (!GetRaw(R)) return 0;
    return RescaleRound(R, FSize, 0);
}

::Currency TFBBCDField::GetAsCurrency() const {
    if (!IsDataField()) return TBCDField::GetAsCurrency();
    Int64 R;
    if (!GetRaw(R)) return ::Currency();
    return ::Currency::FromScaled(RescaleRound(R, FSize, 4));
}

TBcd TFBBCDField::AsBcd() const {
    TBcd B;
    Int64 R;
    if (IsDataField() && GetRaw(R)) CurrToFBBcd(FSize, B, R);
    return B;
}

void TFBBCDField::SetAsBcd(const TBcd& Value) {
    Int64 V;
    Integer Scale;
    if (!BcdToScaledInt64(Value, V, Scale)) DatabaseErrorFmt(SFieldValueError, {DisplayName()});
    SetRaw(RescaleRound(V, Scale, FSize));
}

Variant TFBBCDField::GetAsVariant() const {
    if (!IsDataField()) return TBCDField::GetAsVariant();
    Int64 R;
    if (!GetRaw(R)) return Null();
    if (FSize == 0) return Variant(static_cast<long long>(R));
    return Variant(static_cast<Double>(GetAsExtended()));
}

void TFBBCDField::SetVarValue(const Variant& Value) {
    if (IsDataField() && VarType(Value) == varInt64) {
        SetAsInt64(Value.AsInt64());
        return;
    }
    TBCDField::SetVarValue(Value);
}

void TFBBCDField::SetAsStringImpl(const AnsiString& Value) {
    if (Value.empty()) {
        Clear();
        return;
    }
    if (!IsDataField() || !ColumnIsInt64()) {
        TBCDField::SetAsStringImpl(Value);
        return;
    }
    if (FSize != 0) {
        Int64 Raw;
        // Read exactly where the text is a plain decimal; other forms go through a float.
        if (!DecimalTextToScaled(Value, FSize, Raw)) {
            Extended V;
            if (!TryStrToFloat(Value, V) || !ScaledRound(V, FSize, Raw))
                throw EDatabaseError(Format(SInvalidFloat, {Value}));
        }
        SetRaw(Raw);
    } else {
        SetAsInt64(StrToComp(Value));
    }
}

void TFBBCDField::SetAsFloatImpl(Double Value) {
    if (!IsDataField()) {
        TBCDField::SetAsFloatImpl(Value);
        return;
    }
    Int64 Raw;
    if (!ScaledRound(Value, FSize, Raw)) DatabaseErrorFmt(SInvalidFloatValue, {FloatToStr(Value), DisplayName()});
    SetRaw(Raw);
}

void TFBBCDField::SetAsCurrencyImpl(::Currency Value) {
    if (!IsDataField()) {
        TBCDField::SetAsCurrencyImpl(Value);
        return;
    }
    if (FSize != 0) {
        if (MinValue().Value != 0 || MaxValue().Value != 0) {
            const Int64 Rounded = RescaleRound(RescaleRound(Value.Value, 4, FSize), FSize, 4);
            if (Rounded < MinValue().Value || Rounded > MaxValue().Value)
                RangeError(CurrToStr(Value), CurrToStr(MinValue()), CurrToStr(MaxValue()));
        }
        SetRaw(RescaleRound(Value.Value, 4, FSize));
    } else {
        SetRaw(RescaleRound(Value.Value, 4, 0));
    }
}

void TFBBCDField::Assign(TPersistent* Source) {
    if (auto* B = dynamic_cast<TBCDField*>(Source)) {
        if (B->IsNull()) Clear();
        else SetAsStringImpl(B->AsString());
        return;
    }
    TBCDField::Assign(Source);
}

void TFBBCDField::GetText(AnsiString& Text, bool DisplayText) const {
    if (!IsDataField()) {
        TBCDField::GetText(Text, DisplayText);
        return;
    }
    Int64 R;
    if (!GetRaw(R)) {
        Text.clear();
        return;
    }
    if (FSize == 0) {
        Text = Int64ToStrEx(R);
        return;
    }
    const AnsiString& Fmt = (!DisplayText && !FEditFormat.empty()) ? FEditFormat : FDisplayFormat;
    if (Fmt.empty()) {
        if (FCurrency)
            Text = CurrToStrF(GetAsCurrency(), ffCurrency, FormatSettings.CurrencyDecimals, FormatSettings);
        else
            Text = GetAsString();
    } else {
        Text = FormatFloatScaled(Fmt, FSize, GetAsExtended());
    }
}

// ---------------------------------------------------------------------------------------------
// TFBBooleanField

TFBBooleanField::TFBBooleanField(TComponent* AOwner) : TBooleanField(AOwner) {}

Integer TFBBooleanField::GetDataSize() const {
    TFBCustomDataSet* D = FBDataSetOf(this);
    TFBFieldDescr* Dsc = D ? D->DescrOf(const_cast<TFBBooleanField*>(this)) : nullptr;
    return Dsc ? Dsc->Width : TBooleanField::GetDataSize();
}

bool TFBBooleanField::ReadStored(bool& Value) const {
    Byte Buf[8] = {};
    if (!GetData(Buf)) return false;
    Value = false;
    for (Integer I = 0; I < GetDataSize() && I < 8; ++I)
        if (Buf[I]) Value = true;
    return true;
}

bool TFBBooleanField::GetAsBoolean() const {
    bool V;
    return ReadStored(V) && V;
}

void TFBBooleanField::SetAsBooleanImpl(bool Value) {
    Byte Buf[8] = {};
    const Integer N = GetDataSize();
    if (N == 4) {
        const int32_t V = Value ? 1 : 0;
        std::memcpy(Buf, &V, 4);
    } else if (N == 2) {
        const int16_t V = Value ? 1 : 0;
        std::memcpy(Buf, &V, 2);
    } else {
        Buf[0] = Value ? 1 : 0;
    }
    SetData(Buf);
}

Integer TFBBooleanField::GetAsInteger() const { return GetAsBoolean() ? 1 : 0; }

AnsiString TFBBooleanField::GetAsString() const {
    bool V;
    if (!ReadStored(V)) return AnsiString();
    return V ? FStringTrue : FStringFalse;
}

void TFBBooleanField::SetAsStringImpl(const AnsiString& Value) {
    if (Value == "1" || SameText(Value, FStringTrue)) {
        SetAsBooleanImpl(true);
    } else if (Value == "0" || SameText(Value, FStringFalse)) {
        SetAsBooleanImpl(false);
    } else {
        TBooleanField::SetAsStringImpl(Value);
    }
}

Variant TFBBooleanField::GetAsVariant() const {
    bool V;
    return ReadStored(V) ? Variant(V) : Null();
}

void TFBBooleanField::GetText(AnsiString& Text, bool DisplayText) const { Text = GetAsString(); }

// ---------------------------------------------------------------------------------------------
// Array, blob, memo, GUID

TFBArrayField::TFBArrayField(TComponent* AOwner) : TBytesField(AOwner) {}

void TFBArrayField::GetText(AnsiString& Text, bool DisplayText) const { Text = IsNull() ? "(Array)" : "(ARRAY)"; }

AnsiString TFBArrayField::GetAsString() const {
    AnsiString T;
    GetText(T, false);
    return T;
}

Variant TFBArrayField::GetAsVariant() const {
    auto* D = dynamic_cast<TFBCustomDataSet*>(DataSet());
    return D ? D->GetArrayFieldValue(const_cast<TFBArrayField*>(this)) : TBytesField::GetAsVariant();
}

void TFBArrayField::SetVarValue(const Variant& Value) {
    if (auto* D = dynamic_cast<TFBCustomDataSet*>(DataSet()))
        D->SetArrayFieldValue(this, Value);
    else
        TBytesField::SetVarValue(Value);
}

TFBBlobField::TFBBlobField(TComponent* AOwner) : TBlobField(AOwner) {}

Variant TFBBlobField::GetAsVariant() const { return IsNull() ? Null() : TBlobField::GetAsVariant(); }

TFBMemoField::TFBMemoField(TComponent* AOwner) : TMemoField(AOwner) {}

Variant TFBMemoField::GetAsVariant() const { return IsNull() ? Null() : TMemoField::GetAsVariant(); }

WideString TFBMemoField::AsWideString() const {
    const AnsiString S = TMemoField::GetAsString();
    return FCharacterSet == 3 ? Utf8ToWide(S) : AnsiToWide(S);
}

void TFBMemoField::SetAsWideString(const WideString& Value) {
    SetAsStringImpl(FCharacterSet == 3 ? WideToUtf8(Value) : WideToAnsi(Value));
}

TFBGuidField::TFBGuidField(TComponent* AOwner) : TGuidField(AOwner) { FSize = 16; }

void TFBGuidField::CheckTypeSize(Integer Value) {
    if (Value != 16 && Value != 38) DatabaseError(SInvalidFieldSize);
}

TGUID TFBGuidField::AsGuid() const {
    TGUID G{};
    Byte Buf[17] = {};
    if (GetData(Buf)) std::memcpy(&G, Buf, 16);
    return G;
}

void TFBGuidField::SetAsGuid(const TGUID& Value) {
    static const TGUID Zero{};
    if (std::memcmp(&Value, &Zero, 16) == 0) {
        Clear();
        return;
    }
    Byte Buf[17] = {};
    std::memcpy(Buf, &Value, 16);
    SetData(Buf);
}

AnsiString TFBGuidField::GetAsString() const {
    if (IsNull()) return AnsiString();
    return GUIDToString(AsGuid());
}

void TFBGuidField::SetAsStringImpl(const AnsiString& Value) {
    if (Value.empty()) {
        Clear();
        return;
    }
    const TGUID G = StringToGUID(Value);
    Byte Buf[17] = {};
    std::memcpy(Buf, &G, 16);
    SetData(Buf);
}

Variant TFBGuidField::GetAsVariant() const {
    if (IsNull()) return Null();
    return Variant(GetAsString());
}

// ---------------------------------------------------------------------------------------------
// Field definitions

TpFBFieldInfo* TFBCustomDataSet::ColumnFieldInfo(TFBXSQLVAR* V) {
    const AnsiString Rel = V->RelationName();
    if (!Database() || Rel.empty() || Rel == "FB$FIELDS_INFO") return nullptr;
    return GetFieldInfo(Database(), Rel, V->SQLName(), false);
}

TFieldType TFBCustomDataSet::ColumnFieldType(Integer Index, Integer& Size) {
    TFBXSQLVAR* V = FSelectQuery->Current()->Vars(Index);
    const Integer T = V->SQLType();
    const Integer Scale = V->SQLScale();
    const Integer Len = V->DataLength();
    const AnsiString Name = V->Name();
    TField* Persistent = DefaultFields() ? nullptr : FindField(Name);
    // The column's domain, when the options ask for Boolean or GUID domains.
    const auto Info = [&] { return ColumnFieldInfo(V); };
    Size = 0;
    switch (T) {
        case SQLTypeVarying:
        case SQLTypeText:
            Size = Len;
            if (FPrepareOptions.Contains(psUseGuidField) && Len == 16)
                if (TpFBFieldInfo* I = Info(); I && I->IsGuidDomain()) return ftGuid;
            return V->SQLSubtype() == 3 ? ftWideString : ftString;
        case SQLTypeDouble:
        case SQLTypeFloat:
            return ftFloat;
        case SQLTypeLong:
        case SQLTypeShort:
            if (Scale < 0) return ftFloat;
            if (FPrepareOptions.Contains(psUseBooleanField))
                if (TpFBFieldInfo* I = Info(); I && I->IsBooleanDomain()) return ftBoolean;
            if (Persistent && Persistent->DataType() == ftBoolean) return ftBoolean;
            if (Len != 4 && (!Persistent || dynamic_cast<TSmallintField*>(Persistent))) return ftSmallint;
            return ftInteger;
        case SQLTypeTimestamp:
            return ftDateTime;
        case SQLTypeBlob:
            Size = 8;
            return V->SQLSubtype() == 1 ? ftMemo : ftBlob;
        case SQLTypeArray:
            Size = 8;
            return ftBytes;
        case SQLTypeTime:
            return ftTime;
        case SQLTypeDate:
            return ftDate;
        case SQLTypeInt64:
            if (Scale == 0) return ftBCD;
            if (Scale >= -4 || FPrepareOptions.Contains(psSQLINT64ToBCD)) {
                Size = -Scale;
                return ftBCD;
            }
            return ftFloat;
        case 590:
        case SQLTypeBoolean:
            return ftBoolean;
        default:
            return ftUnknown;
    }
}

void TFBCustomDataSet::InternalInitFieldDefs() {
    if (!FPrepared) {
        if (ComponentState().Contains(csDesigning))
            PrepareForDesigner();
        else
            Prepare();   // builds the definitions
        return;
    }
    TFBXSQLDA* Cols = FSelectQuery->Current();
    if (!Cols) return;
    FieldDefs()->BeginUpdate();
    try {
        FieldDefs()->Clear();
        for (Integer I = 0; I < Cols->Count(); ++I) {
            Integer Size = 0;
            const TFieldType T = ColumnFieldType(I, Size);
            if (T == ftUnknown) continue;
            const AnsiString Name = Cols->Vars(I)->Name();
            new TFieldDef(FieldDefs(), Name, T, Size, false, I + 1);
            const bool Sized = T == ftString || T == ftWideString || T == ftGuid || (T == ftBCD && Size != 0);
            if (Sized && !DefaultFields()) {
                if (TField* F = FindField(Name); F && F->Size() != Size && F->DataSet() && !F->DataSet()->Active())
                    F->SetSize(Size);
            }
        }
    } catch (...) {
        FieldDefs()->EndUpdate();
        throw;
    }
    FieldDefs()->EndUpdate();
    FieldDefs()->SetUpdated(true);
}

void TFBCustomDataSet::PrepareForDesigner() {
    TFBDatabase* Db = Database() ? Database() : Transaction() ? Transaction()->DefaultDatabase() : nullptr;
    if (!Db) {
        Prepare();   // names what is missing
        return;
    }
    // Connected for the designer only, without asking for a login, and left as found.
    const bool Connect = !Db->Connected();
    const bool Prompt = Db->UseLoginPrompt();
    const auto Restore = [&] {
        Db->SetUseLoginPrompt(Prompt);
        if (Connect && Db->Connected()) Db->Close();
    };
    try {
        if (Connect) {
            Db->SetUseLoginPrompt(false);
            Db->Open();
        }
        TFBTransaction* Tr = Transaction() ? Transaction() : Db->DefaultTransaction();
        if (Tr && !Tr->Active()) Tr->StartTransaction();
        Prepare();
    } catch (...) {
        try {
            Restore();
        } catch (...) {
            // The first failure is the one to report.
        }
        throw;
    }
    Restore();
}

TFieldClass TFBCustomDataSet::GetFieldClass(TFieldType FieldType) const {
    switch (FieldType) {
        case ftString: return &MakeField<TFBStringField>;
        case ftSmallint: return &MakeField<TFBSmallIntField>;
        case ftInteger: return &MakeField<TFBIntegerField>;
        case ftWord: return &MakeField<TWordField>;
        case ftBoolean: return &MakeField<TFBBooleanField>;
        case ftFloat: return &MakeField<TFBFloatField>;
        case ftCurrency: return &MakeField<TCurrencyField>;
        case ftBCD: return &MakeField<TFBBCDField>;
        case ftDate: return &MakeField<TFBDateField>;
        case ftTime: return &MakeField<TFBTimeField>;
        case ftDateTime: return &MakeField<TFBDateTimeField>;
        case ftBytes: return &MakeField<TFBArrayField>;
        case ftVarBytes: return &MakeField<TVarBytesField>;
        case ftAutoInc: return &MakeField<TAutoIncField>;
        case ftGraphic: return &MakeField<TGraphicField>;
        case ftBlob: case ftFmtMemo: case ftParadoxOle: case ftDBaseOle: case ftTypedBinary:
            return &MakeField<TFBBlobField>;
        case ftMemo: return &MakeField<TFBMemoField>;
        case ftWideString: return &MakeField<TFBWideStringField>;
        case ftGuid: return &MakeField<TFBGuidField>;
        default: return nullptr;
    }
}

TField* TFBCustomDataSet::FieldByOriginName(const AnsiString& SQLName) {
    const AnsiString Want = SQLName == "DB_KEY" ? AnsiString("RDB$DB_KEY") : SQLName;
    TFBXSQLDA* Cols = FSelectQuery->Current();
    for (Integer I = 0; I < FieldCount(); ++I) {
        TField* F = Fields()->Fields(I);
        AnsiString Col;
        if (F->FieldKind() == fkData) {
            if (Cols && F->FieldNo() >= 1 && F->FieldNo() <= Cols->Count()) Col = Cols->Vars(F->FieldNo() - 1)->SQLName();
        } else if (F->FieldKind() == fkLookup) {
            if (auto* L = dynamic_cast<TFBCustomDataSet*>(F->LookupDataSet())) {
                if (TField* R = L->FindField(F->LookupResultField()); R && L->SelectQuery()->Current() &&
                    R->FieldNo() >= 1 && R->FieldNo() <= L->SelectQuery()->Current()->Count())
                    Col = L->SelectQuery()->Current()->Vars(R->FieldNo() - 1)->SQLName();
            }
        } else {
            Col = F->FieldName();
        }
        if (Col == "DB_KEY") Col = "RDB$DB_KEY";
        const bool Exact = Database() && Database()->SQLDialect() >= 3 && Want.find('"') != AnsiString::npos;
        if (Exact ? UnquoteStr(Col) == UnquoteStr(Want) : SameName(UnquoteStr(Col), UnquoteStr(Want))) return F;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Field value access

TFBFieldDescr* TFBCustomDataSet::DescrOf(TField* Field) const {
    if (!Field || Field->DataSet() != this) return nullptr;
    if (Field->FieldKind() != fkData && Field->FieldKind() != fkInternalCalc) return nullptr;
    const Integer No = Field->FieldNo();
    if (No < 1 || No > FFieldDescrs->Count()) return nullptr;
    return FFieldDescrs->Items(No - 1);
}

TRecordBuffer TFBCustomDataSet::ValueBuffer() const {
    switch (State()) {
        case dsCalcFields: return CalcBuffer();
        case dsOldValue: return FOldValueBuffer;
        case dsFilter: return FFilterBuffer ? FFilterBuffer : GetActiveBuf();
        default: return GetActiveBuf();
    }
}

bool TFBCustomDataSet::GetFieldData(TField* Field, void* Buffer) {
    TRecordBuffer B = ValueBuffer();
    if (!B) return false;
    TFBFieldDescr* D = DescrOf(Field);
    if (!D) {
        if (Field->FieldKind() == fkData) return false;
        const char* P = B + FCalcFieldsOffset + Field->Offset();
        if (!*P) return false;
        if (Buffer) std::memcpy(Buffer, P + 1, static_cast<size_t>(Field->DataSize()));
        return true;
    }
    if (BufNull(B, Field->FieldNo())) return false;
    if (!Buffer) return true;
    const char* Src = B + D->Offset;
    const Integer Scale = static_cast<SmallInt>(D->Scale);
    switch (D->SqlType) {
        case SQLTypeFloat: {
            float F;
            std::memcpy(&F, Src, 4);
            const double V = F;
            std::memcpy(Buffer, &V, 8);
            break;
        }
        case SQLTypeLong:
        case SQLTypeShort: {
            Int64 Raw;
            if (D->SqlType == SQLTypeLong) {
                int32_t I;
                std::memcpy(&I, Src, 4);
                Raw = I;
            } else {
                int16_t I;
                std::memcpy(&I, Src, 2);
                Raw = I;
            }
            if (Scale != 0) {
                const double V = static_cast<double>(static_cast<Extended>(Raw) * E10(Scale));
                std::memcpy(Buffer, &V, 8);
            } else if (Field->DataSize() == 2) {
                const int16_t V = static_cast<int16_t>(Raw);
                std::memcpy(Buffer, &V, 2);
            } else if (Field->DataSize() >= 4) {
                const int32_t V = static_cast<int32_t>(Raw);
                std::memcpy(Buffer, &V, 4);
            } else {
                std::memcpy(Buffer, Src, static_cast<size_t>(Field->DataSize()));
            }
            break;
        }
        case SQLTypeVarying:
        case SQLTypeText: {
            const Integer W = D->Width;
            if (Field->DataType() == ftGuid) {
                std::memcpy(Buffer, Src, 16);
                break;
            }
            if (D->IsDBKey) {
                std::memcpy(Buffer, Src, static_cast<size_t>(std::min(W, Field->DataSize())));
                if (auto* S = dynamic_cast<TFBStringField*>(Field)) S->SetValueLength(W);
                break;
            }
            if (Field->Size() < W && Field->DataType() != ftWideString) FBError(74, {Name(), Field->FieldName()});
            Integer Len;
            if (FOptions.Contains(poTrimCharFields)) {
                Len = static_cast<Integer>(strnlen(Src, static_cast<size_t>(W)));
                while (Len > 0 && static_cast<unsigned char>(Src[Len - 1]) < 33) --Len;
            } else {
                Len = static_cast<Integer>(strnlen(Src, static_cast<size_t>(W)));
            }
            if (Field->DataType() == ftWideString) {
                const AnsiString S(Src, static_cast<size_t>(Len));
                const WideString Ws = Database() && Database()->IsUnicodeCharSet() ? Utf8ToWide(S) : AnsiToWide(S);
                const size_t N = std::min(Ws.size(), static_cast<size_t>(Field->Size()));
                auto* Dst = static_cast<char16_t*>(Buffer);
                std::memcpy(Dst, Ws.data(), N * 2);
                Dst[N] = 0;
                break;
            }
            Len = std::min(Len, Field->Size());
            std::memcpy(Buffer, Src, static_cast<size_t>(Len));
            static_cast<char*>(Buffer)[Len] = 0;
            if (auto* S = dynamic_cast<TFBStringField*>(Field)) S->SetValueLength(Len);
            break;
        }
        case SQLTypeInt64:
            if (Field->DataType() == ftBCD && !dynamic_cast<TFBBCDField*>(Field)) {
                Int64 Raw;
                std::memcpy(&Raw, Src, 8);
                const ::Currency C = ::Currency::FromScaled(Scale >= -4 ? Raw * PowersOf10[4 + Scale] : Raw);
                std::memcpy(Buffer, &C, sizeof C);
            } else {
                std::memcpy(Buffer, Src, 8);
            }
            break;
        default:
            std::memcpy(Buffer, Src, static_cast<size_t>(std::min<Integer>(Field->DataSize(), D->Width)));
            break;
    }
    return true;
}

TFBCustomDataSet::TReadText TFBCustomDataSet::ReadText(TFBStringField* Field, AnsiString& Value) {
    TRecordBuffer B = ValueBuffer();
    if (!B) return rtNull;
    TFBFieldDescr* D = DescrOf(Field);
    if (!D || D->IsDBKey || D->Kind != 0 || (D->SqlType != SQLTypeVarying && D->SqlType != SQLTypeText) ||
        Field->DataType() != ftString)
        return rtOther;
    if (BufNull(B, Field->FieldNo())) return rtNull;
    const Integer W = D->Width;
    if (Field->Size() < W) FBError(74, {Name(), Field->FieldName()});
    const char* Src = B + D->Offset;
    Integer Len = static_cast<Integer>(strnlen(Src, static_cast<size_t>(W)));
    if (FOptions.Contains(poTrimCharFields))
        while (Len > 0 && static_cast<unsigned char>(Src[Len - 1]) < 33) --Len;
    Value.assign(Src, static_cast<size_t>(Len));
    Field->SetValueLength(Len);
    return rtRead;
}

void TFBCustomDataSet::SetFieldData(TField* Field, const void* Buffer) {
    CheckActive();
    TRecordBuffer B = State() == dsCalcFields ? CalcBuffer() : GetActiveBuf();
    if (!B) B = ActiveBuffer();
    if (!B) DatabaseError(SDataSetEmpty, this);
    TFBFieldDescr* D = DescrOf(Field);
    if (!D) {
        char* P = B + FCalcFieldsOffset + Field->Offset();
        *P = Buffer ? 1 : 0;
        const size_t Size = static_cast<size_t>(Field->DataSize());
        std::memset(P + 1, 0, Size);
        if (Buffer) {
            if (dynamic_cast<TFBStringField*>(Field)) {
                const auto* Chars = static_cast<const char*>(Buffer);
                const size_t N = std::min(Size, strnlen(Chars, Size));
                std::memcpy(P + 1, Chars, N);
            } else {
                std::memcpy(P + 1, Buffer, Size);
            }
        }
        if (State() != dsCalcFields && State() != dsFilter && State() != dsNewValue)
            DataEvent(deFieldChange, reinterpret_cast<TDataEventInfo>(Field));
        return;
    }
    if (State() != dsCalcFields) CheckEditState();
    Field->Validate(Buffer);
    const Integer Col = Field->FieldNo();
    bool IsNull = Buffer == nullptr;
    if (!IsNull) {
        // A column whose declared default is the empty text keeps empty texts.
        if (auto* S = dynamic_cast<TFBStringField*>(Field))
            if (S->EmptyStrToNull() && D->Nullable && static_cast<const char*>(Buffer)[0] == 0) {
                TpFBFieldInfo* Info = ColumnFieldInfo(FSelectQuery->Current()->Vars(Field->FieldNo() - 1));
                IsNull = !(Info && Info->DefaultIsEmptyString);
            }
    }
    char* Dst = B + D->Offset;
    const Integer Scale = static_cast<SmallInt>(D->Scale);
    if (IsNull) {
        BufNull(B, Col) = 1;
        // A cleared blob keeps no contents to come back after the post.
        if (TFBBlobStream* S = D->SqlType == SQLTypeBlob ? SlotStream(B, Field) : nullptr) {
            S->MarkModified();
            S->SetSize(0);
        }
    } else {
        switch (D->SqlType) {
            case SQLTypeFloat: {
                double V;
                std::memcpy(&V, Buffer, 8);
                const float F = static_cast<float>(V);
                std::memcpy(Dst, &F, 4);
                break;
            }
            case SQLTypeLong:
            case SQLTypeShort: {
                Int64 Raw;
                if (Scale != 0) {
                    double V;
                    std::memcpy(&V, Buffer, 8);
                    if (!ScaledRound(V, -Scale, Raw)) DatabaseErrorFmt(SInvalidFloatValue, {FloatToStr(V), Field->DisplayName()});
                } else if (Field->DataSize() == 2) {
                    int16_t I;
                    std::memcpy(&I, Buffer, 2);
                    Raw = I;
                } else if (Field->DataSize() == 1) {
                    Raw = *static_cast<const Byte*>(Buffer);
                } else {
                    int32_t I;
                    std::memcpy(&I, Buffer, 4);
                    Raw = I;
                }
                if (D->SqlType == SQLTypeShort) {
                    if (Raw < INT16_MIN || Raw > INT16_MAX)
                        DatabaseErrorFmt(SFieldRangeError, {IntToStr(Raw), Field->DisplayName(), IntToStr(INT16_MIN), IntToStr(INT16_MAX)});
                    const int16_t V = static_cast<int16_t>(Raw);
                    std::memcpy(Dst, &V, 2);
                } else {
                    if (Raw < INT32_MIN || Raw > INT32_MAX)
                        DatabaseErrorFmt(SFieldRangeError, {IntToStr(Raw), Field->DisplayName(), IntToStr(INT32_MIN), IntToStr(INT32_MAX)});
                    const int32_t V = static_cast<int32_t>(Raw);
                    std::memcpy(Dst, &V, 4);
                }
                break;
            }
            case SQLTypeVarying:
            case SQLTypeText: {
                const Integer W = D->Width;
                std::memset(Dst, 0, static_cast<size_t>(W));
                if (Field->DataType() == ftGuid) {
                    std::memcpy(Dst, Buffer, static_cast<size_t>(std::min(W, 16)));
                } else if (Field->DataType() == ftWideString) {
                    const auto* Ws = static_cast<const char16_t*>(Buffer);
                    size_t N = 0;
                    while (N < static_cast<size_t>(Field->Size()) && Ws[N]) ++N;
                    const WideString Text(Ws, N);
                    const AnsiString S = Database() && Database()->IsUnicodeCharSet() ? WideToUtf8(Text) : WideToAnsi(Text);
                    std::memcpy(Dst, S.data(), std::min(S.size(), static_cast<size_t>(W)));
                } else {
                    const auto* Chars = static_cast<const char*>(Buffer);
                    const size_t N = strnlen(Chars, static_cast<size_t>(std::min(W, Field->DataSize())));
                    std::memcpy(Dst, Chars, N);
                }
                break;
            }
            case SQLTypeInt64:
                if (Field->DataType() == ftBCD && !dynamic_cast<TFBBCDField*>(Field)) {
                    ::Currency C;
                    std::memcpy(&C, Buffer, sizeof C);
                    const Int64 Raw = Scale >= -4 ? RescaleRound(C.Value, 4, -Scale) : C.Value;
                    std::memcpy(Dst, &Raw, 8);
                } else {
                    std::memcpy(Dst, Buffer, 8);
                }
                break;
            default:
                std::memcpy(Dst, Buffer, static_cast<size_t>(std::min<Integer>(Field->DataSize(), D->Width)));
                break;
        }
        BufNull(B, Col) = 0;
    }
    if (State() != dsCalcFields) {
        if (BufStatus(B) == cusUnmodified) {
            BufStatus(B) = State() == dsInsert ? cusInserted : cusModified;
            // Only cached updates leave changes pending; others go to the server at once.
            if (FCachedUpdates) ++FCacheModifiedCount;
        }
        SetModified(true);
    }
    if (State() != dsCalcFields && State() != dsFilter && State() != dsNewValue)
        DataEvent(deFieldChange, reinterpret_cast<TDataEventInfo>(Field));
}

void TFBCustomDataSet::DataConvert(TField* Field, const void* Source, void* Dest, bool ToNative) {
    TDataSet::DataConvert(Field, Source, Dest, ToNative);
}

Variant TFBCustomDataSet::GetStateFieldValue(TDataSetState AState, TField* Field) {
    if (AState == dsOldValue) {
        if (State() == dsInsert) return Null();
        const bool Calculated = Field->FieldKind() == fkCalculated || Field->FieldKind() == fkLookup;
        if (!Calculated && Field->FieldKind() != fkData && Field->FieldKind() != fkInternalCalc)
            return Field->AsVariant();
        TRecordBuffer Old = GetOldRecordBuffer(-1);
        if (!Old) return Null();
        TRecordBuffer Save = FOldValueBuffer;
        FOldValueBuffer = Old;
        try {
            Variant R;
            if (Calculated) {
                // Worked out again over the old record, and read from there.
                GetCalcFields(Old);
                const TDataSetState Prev = SetTempState(dsOldValue);
                try {
                    R = Field->AsVariant();
                } catch (...) {
                    RestoreState(Prev);
                    throw;
                }
                RestoreState(Prev);
            } else {
                R = TDataSet::GetStateFieldValue(AState, Field);
            }
            FOldValueBuffer = Save;
            FreeRecordBuffer(Old);
            return R;
        } catch (...) {
            FOldValueBuffer = Save;
            FreeRecordBuffer(Old);
            throw;
        }
    }
    if (Field->FieldKind() == fkCalculated || Field->FieldKind() == fkLookup) return Field->AsVariant();
    return TDataSet::GetStateFieldValue(AState, Field);
}

void TFBCustomDataSet::SetStateFieldValue(TDataSetState AState, TField* Field, const Variant& Value) {
    FSavedState = State();
    TDataSet::SetStateFieldValue(AState, Field, Value);
}
