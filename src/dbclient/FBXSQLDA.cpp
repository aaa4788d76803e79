#include "dbclient/FBXSQLDA.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "dbclient/FBBlob.h"
#include "dbclient/FBMessages.h"
#include "dbclient/FBQuery.h"
#include "dbclient/StrUtil.h"
#include "dbclient/pFBArray.h"
#include "platform/rtl/CodePage.h"

namespace {

constexpr Integer MaxNameLength = 32;   // sqlname / aliasname capacity
constexpr Integer MaxInlineText = 32767;

Integer BufferSize(Integer Type, Integer Len) {
    switch (Type) {
        case SQLTypeVarying: return Len + 2;
        case SQLTypeText: return Len > 0 ? Len : 1;
        default: return Len > 0 ? Len : 1;
    }
}

bool KnownType(Integer T) {
    switch (T) {
        case SQLTypeVarying: case SQLTypeText: case SQLTypeDouble: case SQLTypeFloat: case SQLTypeLong:
        case SQLTypeShort: case SQLTypeTimestamp: case SQLTypeBlob: case SQLTypeDFloat: case SQLTypeArray:
        case SQLTypeQuad: case SQLTypeTime: case SQLTypeDate: case SQLTypeInt64: case SQLTypeBoolean:
        case SQLTypeNull:
            return true;
        default:
            return false;
    }
}

bool IsNumericType(Integer T) {
    return T == SQLTypeInt64 || T == SQLTypeLong || T == SQLTypeShort || T == SQLTypeDouble || T == SQLTypeFloat ||
           T == SQLTypeDFloat;
}

[[noreturn]] void ConversionError() { FBError(33); }

template <typename T>
T ReadAs(const void* P) {
    T v;
    std::memcpy(&v, P, sizeof(T));
    return v;
}

Extended Pow10(Integer Scale) { return std::pow(10.0L, static_cast<Extended>(Scale)); }

// Value x 10^Scale truncated to an integer, exact for integer input.
Int64 ScaleToInteger(Int64 V, Integer Scale) {
    if (Scale == 0) return V;
    if (Scale < 0) {
        if (-Scale > 18) return 0;
        return V / PowersOf10[-Scale];
    }
    if (Scale > 18) ConversionError();
    const Int64 f = PowersOf10[Scale];
    if (V > std::numeric_limits<Int64>::max() / f || V < std::numeric_limits<Int64>::min() / f) ConversionError();
    return V * f;
}

}  // namespace

// ---- TFBXSQLVAR --------------------------------------------------------------

TFBXSQLVAR::TFBXSQLVAR(TFBXSQLDA* AParent, TFBQuery* AQuery, Integer AIndex)
    : FIndex(AIndex), FQuery(AQuery), FParent(AParent) {}

TFBXSQLVAR::~TFBXSQLVAR() {
    if (FXSQLVAR) {
        std::free(FXSQLVAR->sqldata);
        std::free(FXSQLVAR->sqlind);
        FXSQLVAR->sqldata = nullptr;
        FXSQLVAR->sqlind = nullptr;
    }
}

Integer TFBXSQLVAR::Dialect() const {
    if (FQuery && FQuery->Database()) return FQuery->Database()->SQLDialect();
    return 1;
}

bool TFBXSQLVAR::IsParamsArea() const { return FParent->IsParams(); }

void TFBXSQLVAR::AllocData(Integer Size) {
    if (Size < 1) Size = 1;
    void* p = std::realloc(FXSQLVAR->sqldata, static_cast<size_t>(Size));
    if (!p) throw EOutOfMemory("Out of memory");
    FXSQLVAR->sqldata = static_cast<ISC_SCHAR*>(p);
}

void TFBXSQLVAR::AllocIndicator() {
    if (!FXSQLVAR->sqlind) {
        FXSQLVAR->sqlind = static_cast<ISC_SHORT*>(std::calloc(1, sizeof(ISC_SHORT)));
        if (!FXSQLVAR->sqlind) throw EOutOfMemory("Out of memory");
    }
}

AnsiString TFBXSQLVAR::SQLName() const {
    if (IsParamsArea()) return AnsiString();
    const Integer n = std::min<Integer>(std::max<Integer>(FXSQLVAR->sqlname_length, 0), MaxNameLength);
    return AnsiString(FXSQLVAR->sqlname, static_cast<size_t>(n));
}

AnsiString TFBXSQLVAR::RelationName() const {
    const Integer n = std::min<Integer>(std::max<Integer>(FXSQLVAR->relname_length, 0), MaxNameLength);
    return AnsiString(FXSQLVAR->relname, static_cast<size_t>(n));
}

Integer TFBXSQLVAR::EffectiveType() const {
    if (FQuery && FParent == FQuery->FParams.get() && FQuery->FSQLParams) {
        if (TFBXSQLVAR* d = FQuery->FSQLParams->LocalByName(FName))
            if (d->FDescribedType != 0) return d->FDescribedType;
    }
    return SQLType();
}

bool TFBXSQLVAR::IsNull() const {
    if (!IsParamsArea() && FQuery && !FQuery->FProcExecuted && FQuery->FRecordCount == 0) return true;
    if ((FXSQLVAR->sqltype & ~1) == 0) return true;
    return (FXSQLVAR->sqltype & 1) && FXSQLVAR->sqlind && *FXSQLVAR->sqlind == -1;
}

bool TFBXSQLVAR::IsNullable() const {
    if (!(FXSQLVAR->sqltype & 1)) return false;
    const_cast<TFBXSQLVAR*>(this)->AllocIndicator();
    return true;
}

// ---- writing -----------------------------------------------------------------

void TFBXSQLVAR::Apply(const TWrite& W) {
    if (!FName.empty() && FParent->IsRepeatedName(FName)) {
        for (TFBXSQLVAR* v : FParent->EntriesNamed(FName)) v->ApplyOne(W);
    } else {
        ApplyOne(W);
    }
}

void TFBXSQLVAR::ApplyOne(const TWrite& W) {
    XSQLVAR* x = FXSQLVAR;
    switch (W.Op) {
        case woSetNull:
            if (W.Flag) {
                if ((x->sqltype & ~1) == 0) {
                    x->sqltype = static_cast<ISC_SHORT>(SQLTypeText | (x->sqltype & 1));
                    x->sqllen = 0;
                    AllocData(1);
                }
                AllocIndicator();
                x->sqltype |= 1;
                *x->sqlind = -1;
            } else if (x->sqlind) {
                *x->sqlind = 0;
            }
            break;
        case woSetNullable:
            if (W.Flag) {
                AllocIndicator();
                x->sqltype |= 1;
            } else {
                x->sqltype &= ~1;
                std::free(x->sqlind);
                x->sqlind = nullptr;
            }
            break;
        case woSetScale:
            x->sqlscale = static_cast<ISC_SHORT>(W.Scale);
            break;
        case woSetData:
            if ((x->sqltype & 1) && x->sqlind) *x->sqlind = 0;
            x->sqlscale = static_cast<ISC_SHORT>(W.Scale);
            AllocData(W.Length);
            x->sqltype = static_cast<ISC_SHORT>(W.Type | (x->sqltype & 1));
            x->sqllen = static_cast<ISC_SHORT>(W.Length);
            if (W.Length > 0) std::memcpy(x->sqldata, W.Data, static_cast<size_t>(W.Length));
            break;
        case woCopy: {
            const XSQLVAR* s = W.Source;
            const Integer type = s->sqltype & ~1;
            const Integer size = BufferSize(type, s->sqllen);
            AllocData(size);
            if (s->sqldata) std::memcpy(x->sqldata, s->sqldata, static_cast<size_t>(size));
            else std::memset(x->sqldata, 0, static_cast<size_t>(size));
            x->sqltype = s->sqltype;
            x->sqlscale = s->sqlscale;
            x->sqlsubtype = s->sqlsubtype;
            x->sqllen = s->sqllen;
            if (s->sqltype & 1) {
                AllocIndicator();
                *x->sqlind = s->sqlind ? *s->sqlind : 0;
            } else {
                std::free(x->sqlind);
                x->sqlind = nullptr;
            }
            break;
        }
    }
    FModified = true;
    AfterWrite();
}

void TFBXSQLVAR::AfterWrite() {
    FChanged = true;
    if (FIsMacro && FQuery && !FQuery->FMacrosChanged) {
        const AnsiString now = IsNull() ? AnsiString() : AsString();
        if (now != VarToStr(FRemembered)) FQuery->FMacrosChanged = true;
    }
}

void TFBXSQLVAR::SetData(Integer Type, const void* Data, Integer Length, Integer Scale) {
    TWrite w{woSetData};
    w.Type = Type;
    w.Data = Data;
    w.Length = Length;
    w.Scale = Scale;
    Apply(w);
}

void TFBXSQLVAR::SetIsNull(bool Value) {
    TWrite w{woSetNull};
    w.Flag = Value;
    Apply(w);
}

void TFBXSQLVAR::SetIsNullable(bool Value) {
    TWrite w{woSetNullable};
    w.Flag = Value;
    Apply(w);
}

void TFBXSQLVAR::SetAsXSQLVAR(const XSQLVAR* Value) {
    if (!Value || Value == FXSQLVAR) return;
    TWrite w{woCopy};
    w.Source = Value;
    Apply(w);
}

void TFBXSQLVAR::StartTransactionIfAsked() const {
    if (!FQuery || !FQuery->Options().Contains(qoStartTransaction)) return;
    TFBTransaction* tr = FQuery->Transaction();
    if (tr && !tr->Active()) tr->StartTransaction();
}

AnsiString TFBXSQLVAR::ReadBlobContent(const ISC_QUAD& Id, Integer SubType) const {
    if (BlobIDIsZero(Id)) return AnsiString();
    StartTransactionIfAsked();
    TFBBlobStream s(nullptr, Id, FQuery ? FQuery->Database() : nullptr, FQuery ? FQuery->Transaction() : nullptr);
    s.SetMode(bmRead);
    s.SetBlobSubType(SubType);
    return s.AsString();
}

ISC_QUAD TFBXSQLVAR::WriteBlobContent(const AnsiString& Data, Integer SubType) {
    StartTransactionIfAsked();
    TFBBlobStream s(nullptr, ISC_QUAD{}, FQuery ? FQuery->Database() : nullptr,
                    FQuery ? FQuery->Transaction() : nullptr);
    s.SetMode(bmWrite);
    s.SetBlobSubType(SubType);
    if (!Data.empty()) s.WriteBuffer(Data.data(), static_cast<Integer>(Data.size()));
    s.FinalizeAndMark(true);   // an empty text is still an (empty) blob, not a null
    return s.BlobID();
}

bool TFBXSQLVAR::TargetIsBlob() const { return SQLType() == SQLTypeBlob || EffectiveType() == SQLTypeBlob; }

void TFBXSQLVAR::SetAsInteger(Integer Value) { SetData(SQLTypeLong, &Value, 4); }

void TFBXSQLVAR::SetAsShort(SmallInt Value) { SetData(SQLTypeShort, &Value, 2); }

void TFBXSQLVAR::SetAsInt64(Int64 Value) { SetData(SQLTypeInt64, &Value, 8); }

void TFBXSQLVAR::SetAsDouble(Double Value) { SetData(SQLTypeDouble, &Value, 8); }

void TFBXSQLVAR::SetAsExtended(Extended Value) {
    if (Dialect() < 3) {
        SetAsDouble(static_cast<Double>(Value));
        return;
    }
    // Keep eighteen significant digits in a scaled integer.
    Integer decimals = 18 - IntDigitCount(Value);
    if (decimals < 0) decimals = 0;
    if (decimals > 18) decimals = 18;
    Extended scaled = std::round(Value * Pow10(decimals));
    while (decimals > 0 && std::fabs(scaled) >= 9.2e18L) {
        --decimals;
        scaled = std::round(Value * Pow10(decimals));
    }
    if (std::fabs(scaled) >= 9.2e18L || std::isnan(scaled)) ConversionError();
    Int64 v = static_cast<Int64>(scaled);
    // Trailing zeros carry nothing; drop them so the scale stays small.
    while (decimals > 0 && v % 10 == 0) {
        v /= 10;
        --decimals;
    }
    SetData(SQLTypeInt64, &v, 8, -decimals);
}

void TFBXSQLVAR::SetAsCurrency(Currency Value) {
    if (Dialect() >= 3) {
        SetData(SQLTypeInt64, &Value.Value, 8, -4);
    } else {
        const Double d = static_cast<Double>(static_cast<Extended>(Value.Value) / 10000.0L);
        SetAsDouble(d);
    }
}

void TFBXSQLVAR::SetAsBcd(const TBcd& Value) {
    if (Dialect() >= 3) {
        Int64 v = 0;
        Integer scale = 0;
        if (!BcdToScaledInt64(Value, v, scale)) ConversionError();
        SetData(SQLTypeInt64, &v, 8, -scale);
    } else {
        Extended e = 0;
        if (!BcdToExtended(Value, e)) ConversionError();
        SetAsExtended(e);
    }
}

void TFBXSQLVAR::SetAsBoolean(bool Value) { SetAsShort(Value ? 1 : 0); }

namespace {
ISC_TIMESTAMP ToClientStamp(TDateTime Value) {
    const TTimeStamp ts = DateTimeToTimeStamp(Value);
    // Day 0 is what a value beyond the calendar (or not a number) gives; it must
    // not reach the server as 1 January of year 1.
    if (ts.Date <= 0) ConversionError();
    ISC_TIMESTAMP r;
    r.timestamp_date = ts.Date - TimeStampDayToClientDelta;
    r.timestamp_time = static_cast<ISC_TIME>(ts.Time) * 10u;
    return r;
}
}  // namespace

void TFBXSQLVAR::SetAsDateTime(TDateTime Value) {
    const ISC_TIMESTAMP st = ToClientStamp(Value);
    if (Dialect() >= 3 && st.timestamp_time == 0) {
        SetData(SQLTypeDate, &st.timestamp_date, 4);
    } else {
        SetData(SQLTypeTimestamp, &st, 8);
    }
}

void TFBXSQLVAR::SetAsDate(TDateTime Value) {
    if (Dialect() >= 3) {
        const ISC_TIMESTAMP st = ToClientStamp(Value);
        SetData(SQLTypeDate, &st.timestamp_date, 4);
    } else {
        const ISC_TIMESTAMP st = ToClientStamp(Value);
        SetData(SQLTypeTimestamp, &st, 8);
    }
}

void TFBXSQLVAR::SetAsTime(TDateTime Value) {
    const ISC_TIMESTAMP st = ToClientStamp(Value);
    if (Dialect() >= 3) SetData(SQLTypeTime, &st.timestamp_time, 4);
    else SetData(SQLTypeTimestamp, &st, 8);
}

void TFBXSQLVAR::SetAsQuad(const ISC_QUAD& Value) {
    Integer t = EffectiveType();
    if (t != SQLTypeBlob && t != SQLTypeArray && t != SQLTypeQuad) t = SQLTypeQuad;
    SetData(t, &Value, 8);
}

void TFBXSQLVAR::SetAsGuid(const TGUID& Value) {
    static_assert(sizeof(TGUID) == 16);
    SetData(SQLTypeText, &Value, 16);
}

void TFBXSQLVAR::SetAsString(const AnsiString& Value) {
    const Integer eff = EffectiveType();
    if (static_cast<Integer>(Value.size()) > MaxInlineText || eff == SQLTypeBlob) {
        const ISC_QUAD id = WriteBlobContent(Value, FXSQLVAR->sqlsubtype);
        SetData(SQLTypeBlob, &id, 8);
        return;
    }
    const AnsiString up = FastUpperCase(FName);
    if (up == "DB_KEY" || up == "RDB$DB_KEY") {
        // A row key keeps its described type and length and takes the bytes as they are.
        const Integer len = FXSQLVAR->sqllen;
        const Integer type = (FXSQLVAR->sqltype & ~1) ? (FXSQLVAR->sqltype & ~1) : SQLTypeText;
        AnsiString bytes = Value;
        if (len > 0) bytes.resize(static_cast<size_t>(len), '\0');
        SetData(type, bytes.data(), static_cast<Integer>(bytes.size()));
        return;
    }
    if (IsNumericType(eff)) {
        AnsiString s = ReplaceStr(Value, ",", ".");
        const char sep = FormatSettings.DecimalSeparator;
        if (sep != ',' && sep != '.') s = ReplaceStr(s, AnsiString(1, sep), ".");
        SetData(SQLTypeText, s.data(), static_cast<Integer>(s.size()));
        return;
    }
    SetData(SQLTypeText, Value.data(), static_cast<Integer>(Value.size()));
}

void TFBXSQLVAR::SetAsWideString(const WideString& Value) {
    if (FQuery && FQuery->Database() && FQuery->Database()->IsUnicodeConnect()) {
        const std::string utf8 = WideToUtf8(Value);
        if (utf8.size() > static_cast<size_t>(MaxInlineText))
            throw Exception("%s. Value for WideString Parameter \"%s\" too long", {CmpFullName(FQuery), FName});
        SetData(SQLTypeText, utf8.data(), static_cast<Integer>(utf8.size()));
        for (TFBXSQLVAR* v : FParent->IsRepeatedName(FName) ? FParent->EntriesNamed(FName)
                                                              : std::vector<TFBXSQLVAR*>{this})
            v->FXSQLVAR->sqlsubtype = 3;
        return;
    }
    SetAsString(WideToAnsi(Value));
}

void TFBXSQLVAR::SetValue(const Variant& Value) {
    const TVarType vt = Value.VType();
    if (vt & varArray) {
        // Whether an array goes to an ARRAY column or a blob is known only once described.
        if (FQuery && FParent == FQuery->FParams.get() && !FQuery->Prepared() && FQuery->Database() &&
            FQuery->Database()->Connected())
            FQuery->Prepare();
        const Integer eff = EffectiveType();
        if (eff == SQLTypeArray || IsArray()) {
            SetArrayValue(Value);
            return;
        }
        if (eff != SQLTypeBlob) FBError(2);
        // The array's own bytes become the blob; only fixed-size elements have any.
        const TVarType et = vt & varTypeMask;
        if (et == varVariant || et == varOleStr || et == varString) FBError(2);
        Variant a = Value;
        const Integer n = VarArrayElementSize(a) * [&] {
            Integer c = 1;
            for (Integer d = 1; d <= VarArrayDimCount(a); ++d)
                c *= VarArrayHighBound(a, d) - VarArrayLowBound(a, d) + 1;
            return c;
        }();
        AnsiString bytes(static_cast<const char*>(VarArrayLock(a)), static_cast<size_t>(std::max<Integer>(n, 0)));
        VarArrayUnlock(a);
        const ISC_QUAD id = WriteBlobContent(bytes, FXSQLVAR->sqlsubtype);
        SetData(SQLTypeBlob, &id, 8);
        return;
    }
    switch (vt & varTypeMask) {
        case varEmpty:
        case varNull:
            SetIsNull(true);
            break;
        case varSmallint:
        case varInteger:
        case varShortInt:
        case varByte:
        case varWord:
            SetAsInteger(Value.AsInteger());
            break;
        case varLongWord:
        case varInt64:
            SetAsInt64(Value.AsInt64());
            break;
        case varSingle:
        case varDouble: {
            const Integer t = EffectiveType();
            if (t == SQLTypeDate || t == SQLTypeTimestamp) SetAsDateTime(Value.AsDouble());
            else SetAsDouble(Value.AsDouble());
            break;
        }
        case varCurrency:
            SetAsCurrency(Value.AsCurrency());
            break;
        case varDate: {
            const Integer t = EffectiveType();
            if (t == SQLTypeTime) SetAsTime(Value.AsDateTime());
            else if (t == SQLTypeDate) SetAsDate(Value.AsDateTime());
            else SetAsDateTime(Value.AsDateTime());
            break;
        }
        case varOleStr:
            SetAsWideString(Value.AsWideString());
            break;
        case varBoolean:
            SetAsBoolean(Value.AsBoolean());
            break;
        case varString:
            SetAsString(Value.AsString());
            break;
        default:
            FBError(2);
    }
}

void TFBXSQLVAR::LoadFromStream(TStream* Stream) {
    if (!Stream) return;
    AnsiString data;
    Stream->Seek(0, soBeginning);
    const Int64 size = Stream->Size();
    if (size > std::numeric_limits<Integer>::max()) FBError(33);
    data.resize(static_cast<size_t>(size));
    if (size > 0) Stream->ReadBuffer(data.data(), static_cast<Integer>(size));
    const ISC_QUAD id = WriteBlobContent(data, FXSQLVAR->sqlsubtype);
    SetData(SQLTypeBlob, &id, 8);
}

void TFBXSQLVAR::SaveToStream(TStream* Stream) {
    if (!Stream || IsNull()) return;
    const AnsiString data = IsBlob() ? ReadBlobContent(AsQuad(), FXSQLVAR->sqlsubtype) : AsString();
    if (!data.empty()) Stream->WriteBuffer(data.data(), static_cast<Integer>(data.size()));
}

TpFBArray* TFBXSQLVAR::Array() {
    if (FArray) return FArray.get();
    // A parameter takes the column its described counterpart names.
    const XSQLVAR* x = FXSQLVAR;
    if (FQuery && FParent == FQuery->FParams.get() && FQuery->FSQLParams)
        if (TFBXSQLVAR* d = FQuery->FSQLParams->LocalByName(FName)) x = d->FXSQLVAR;
    if ((x->sqltype & ~1) != SQLTypeArray || !FQuery) return nullptr;
    const AnsiString rel(x->relname, static_cast<size_t>(std::clamp<Integer>(x->relname_length, 0, MaxNameLength)));
    const AnsiString col(x->sqlname, static_cast<size_t>(std::clamp<Integer>(x->sqlname_length, 0, MaxNameLength)));
    if (rel.empty() || col.empty()) return nullptr;
    TFBDatabase* db;
    TFBTransaction* tr;
    CheckArrayLinks(db, tr);
    FArray = std::make_unique<TpFBArray>(db->ClientLibrary(), rel, col, db->HandleAddress(), tr->HandleAddress(),
                                         this);
    return FArray.get();
}

void TFBXSQLVAR::CheckArrayLinks(TFBDatabase*& Db, TFBTransaction*& Tr) const {
    Db = FQuery->Database();
    Tr = FQuery->Transaction();
    if (!Db) FBError(21, {CmpFullName(FQuery)});
    Db->CheckActive();
    if (!Tr) FBError(22, {CmpFullName(FQuery)});
    StartTransactionIfAsked();
    if (!Tr->Active()) FBError(15, {CmpFullName(Tr)});
}

Integer TFBXSQLVAR::SliceSize() {
    TpFBArray* a = Array();
    return a ? a->SliceSize() : 0;
}

Variant TFBXSQLVAR::ArrayValue() {
    TpFBArray* a = Array();
    if (!a) FBError(59, {RelationName() + "." + SQLName()});
    if (IsNull()) return Variant::Null();
    // The statement's transaction may have gone since the array was described.
    TFBDatabase* db;
    TFBTransaction* tr;
    CheckArrayLinks(db, tr);
    return a->GetArrayValues(AsQuad(), db->HandleAddress(), tr->HandleAddress());
}

void TFBXSQLVAR::SetArrayValue(const Variant& Value) {
    TpFBArray* a = (IsArray() || EffectiveType() == SQLTypeArray) ? Array() : nullptr;
    if (!a) FBError(59, {RelationName() + "." + SQLName()});
    ISC_QUAD id{};
    TFBDatabase* db;
    TFBTransaction* tr;
    CheckArrayLinks(db, tr);
    a->PutArrayValues(Value, id, db->HandleAddress(), tr->HandleAddress());
    SetData(SQLTypeArray, &id, 8);
}

void TFBXSQLVAR::Assign(TFBXSQLVAR* Source) {
    if (!Source || Source == this) return;
    if (Source->IsNull()) {
        SetIsNull(true);
        return;
    }
    if (IsArray() || Source->IsArray()) return;
    const bool targetBlob = TargetIsBlob();
    if (targetBlob || Source->IsBlob()) {
        // Filters run only when the content changes kind: between blobs of one subtype it passes as it is.
        const bool sameKind = targetBlob && Source->IsBlob() && Source->SQLSubtype() == SQLSubtype();
        const AnsiString content =
            Source->IsBlob() ? Source->ReadBlobContent(Source->AsQuad(), sameKind ? 0 : Source->SQLSubtype())
                             : Source->RawBytes();
        if (targetBlob) {
            const ISC_QUAD id = WriteBlobContent(content, sameKind ? 0 : Source->SQLSubtype());
            SetData(SQLTypeBlob, &id, 8);
        } else {
            SetData(SQLTypeText, content.data(), static_cast<Integer>(content.size()));
        }
        return;
    }
    SetAsXSQLVAR(Source->FXSQLVAR);
}

// ---- reading -----------------------------------------------------------------

AnsiString TFBXSQLVAR::RawText() const {
    const XSQLVAR* x = FXSQLVAR;
    if (!x->sqldata) return AnsiString();
    if ((x->sqltype & ~1) == SQLTypeVarying) {
        const auto* b = reinterpret_cast<const unsigned char*>(x->sqldata);
        Integer n = b[0] | (b[1] << 8);
        if (n > x->sqllen) n = x->sqllen;
        return AnsiString(x->sqldata + 2, static_cast<size_t>(n));
    }
    return AnsiString(x->sqldata, static_cast<size_t>(std::max<Integer>(x->sqllen, 0)));
}

AnsiString TFBXSQLVAR::RawBytes() const {
    const Integer t = SQLType();
    if (t == SQLTypeText || t == SQLTypeVarying) return RawText();
    if (!FXSQLVAR->sqldata) return AnsiString();
    return AnsiString(FXSQLVAR->sqldata, static_cast<size_t>(std::max<Integer>(FXSQLVAR->sqllen, 0)));
}

Int64 TFBXSQLVAR::RawInteger() const {
    switch (SQLType()) {
        case SQLTypeShort: return ReadAs<SmallInt>(FXSQLVAR->sqldata);
        case SQLTypeLong: return ReadAs<Integer>(FXSQLVAR->sqldata);
        case SQLTypeInt64: return ReadAs<Int64>(FXSQLVAR->sqldata);
        default: return 0;
    }
}

namespace {
bool RawBoolean(const XSQLVAR* x) {
    if (x->sqllen >= 2) return ReadAs<SmallInt>(x->sqldata) == 1;
    return static_cast<unsigned char>(x->sqldata[0]) == 1;
}
}  // namespace

AnsiString TFBXSQLVAR::AsString() const {
    if (IsNull()) return AnsiString();
    const Integer t = SQLType();
    switch (t) {
        case SQLTypeText:
        case SQLTypeVarying: {
            AnsiString s = RawText();
            if (FQuery && FQuery->Options().Contains(qoTrimCharFields)) DoTrimRight(s);
            return s;
        }
        case SQLTypeShort:
        case SQLTypeLong:
            if (SQLScale() == 0) return IntToStr(RawInteger());
            return FloatToStr(static_cast<Extended>(RawInteger()) * Pow10(SQLScale()));
        case SQLTypeInt64:
            if (SQLScale() == 0) return IntToStr(RawInteger());
            if (SQLScale() > 0) return IntToStr(ScaleToInteger(RawInteger(), SQLScale()));
            return ScaledInt64ToStrDef(-SQLScale(), RawInteger());
        case SQLTypeFloat:
        case SQLTypeDouble:
        case SQLTypeDFloat:
            return FloatToStr(AsExtended());
        case SQLTypeDate: return DateToStr(AsDateTime());
        case SQLTypeTime: return TimeToStr(AsDateTime());
        case SQLTypeTimestamp: return DateTimeToStr(AsDateTime());
        case SQLTypeBlob:
            if (IsParamsArea()) return "(BLOB)";
            return ReadBlobContent(AsQuad(), FXSQLVAR->sqlsubtype);
        case SQLTypeArray: return "(ARRAY)";
        case SQLTypeBoolean: return RawBoolean(FXSQLVAR) ? "True" : "False";
        default: ConversionError();
    }
}

Int64 TFBXSQLVAR::AsInt64() const {
    if (IsNull()) return 0;
    const Integer t = SQLType();
    if (IsIntegerType(t)) return ScaleToInteger(RawInteger(), SQLScale());
    switch (t) {
        case SQLTypeFloat:
        case SQLTypeDouble:
        case SQLTypeDFloat: {
            const Extended e = std::trunc(AsExtended());
            if (!(e > -9.3e18L && e < 9.3e18L)) ConversionError();
            return static_cast<Int64>(e);
        }
        case SQLTypeText:
        case SQLTypeVarying: {
            Int64 v = 0;
            if (!TryStrToInt64(Trim(AsString()), v)) ConversionError();
            return v;
        }
        default: ConversionError();
    }
}

Integer TFBXSQLVAR::AsInteger() const {
    if (IsNull()) return 0;
    const Integer t = SQLType();
    Int64 v;
    if (IsIntegerType(t)) {
        v = ScaleToInteger(RawInteger(), SQLScale());
    } else if (t == SQLTypeBoolean) {
        v = RawBoolean(FXSQLVAR) ? 1 : 0;
    } else if (t == SQLTypeFloat || t == SQLTypeDouble || t == SQLTypeDFloat || t == SQLTypeText ||
               t == SQLTypeVarying) {
        v = AsInt64();
    } else {
        ConversionError();
    }
    // A value that does not fit is an error, not a wrapped number.
    if (v < std::numeric_limits<Integer>::min() || v > std::numeric_limits<Integer>::max()) ConversionError();
    return static_cast<Integer>(v);
}

Extended TFBXSQLVAR::AsExtended() const {
    if (IsNull()) return 0;
    switch (SQLType()) {
        case SQLTypeShort:
        case SQLTypeLong:
        case SQLTypeInt64: {
            const Int64 v = RawInteger();
            const Integer s = SQLScale();
            if (s < 0) return static_cast<Extended>(v) / Pow10(-s);
            return static_cast<Extended>(v) * Pow10(s);
        }
        case SQLTypeFloat: return ReadAs<float>(FXSQLVAR->sqldata);
        case SQLTypeDouble:
        case SQLTypeDFloat: return ReadAs<double>(FXSQLVAR->sqldata);
        case SQLTypeText:
        case SQLTypeVarying: {
            Extended e = 0;
            if (!TryStrToFloat(Trim(AsString()), e)) ConversionError();
            return e;
        }
        case SQLTypeBoolean: return RawBoolean(FXSQLVAR) ? 1.0L : 0.0L;
        default: ConversionError();
    }
}

Currency TFBXSQLVAR::AsCurrency() const {
    if (IsNull()) return Currency();
    if (Dialect() >= 3 && SQLType() == SQLTypeInt64) {
        const Int64 v = RawInteger();
        const Integer s = SQLScale() + 4;
        if (s >= 0) return Currency::FromScaled(ScaleToInteger(v, s));
        return Currency::FromScaled(static_cast<Int64>(std::llround(static_cast<Extended>(v) / Pow10(-s))));
    }
    Extended e = AsExtended();
    const Integer t = SQLType();
    Integer decimals = 4;
    if (t == SQLTypeDouble || t == SQLTypeDFloat || t == SQLTypeFloat) {
        // A float carries only so many significant digits (15, or 7 for a
        // single); what lies beyond them is binary noise, not the value (a
        // dialect-1 NUMERIC(15,2) of 9999999999999.99 is 9999999999999.990234...).
        const Integer digits = (t == SQLTypeFloat ? 7 : 15) - IntDigitCount(e);
        decimals = std::clamp<Integer>(digits, 0, 4);
    }
    e = std::round(e * Pow10(decimals));
    if (!(e > -9.2e18L && e < 9.2e18L)) ConversionError();
    e *= Pow10(4 - decimals);
    if (!(e > -9.2e18L && e < 9.2e18L)) ConversionError();
    return Currency::FromScaled(static_cast<Int64>(std::llround(e)));
}

Int64 TFBXSQLVAR::AsComp() const {
    if (IsNull()) return 0;
    const Extended e = SQLType() == SQLTypeInt64
                           ? static_cast<Extended>(RawInteger()) * Pow10(SQLScale())
                           : AsExtended();
    if (!(e > -9.3e18L && e < 9.3e18L)) ConversionError();
    return static_cast<Int64>(std::llround(e));
}

TBcd TFBXSQLVAR::AsBcd() const {
    TBcd b;
    if (IsNull()) {
        CurrToFBBcd(0, b, 0);
        return b;
    }
    if (Dialect() >= 3 && SQLType() == SQLTypeInt64) {
        CurrToFBBcd(-SQLScale(), b, RawInteger());
        return b;
    }
    CurrToFBBcd(4, b, AsCurrency().Value);
    return b;
}

TDateTime TFBXSQLVAR::AsDateTime() const {
    if (IsNull()) return 0;
    switch (SQLType()) {
        case SQLTypeDate:
            return static_cast<TDateTime>(ReadAs<ISC_DATE>(FXSQLVAR->sqldata) - ClientDayToDateTimeDelta);
        case SQLTypeTime:
            return static_cast<TDateTime>(ReadAs<ISC_TIME>(FXSQLVAR->sqldata)) / ClientTimeTicksPerDay;
        case SQLTypeTimestamp: {
            const auto st = ReadAs<ISC_TIMESTAMP>(FXSQLVAR->sqldata);
            const TDateTime day = static_cast<TDateTime>(st.timestamp_date - ClientDayToDateTimeDelta);
            const TDateTime time = static_cast<TDateTime>(st.timestamp_time) / ClientTimeTicksPerDay;
            // Before 1899-12-30 the fraction still counts forward from midnight.
            return day >= 0 ? day + time : day - time;
        }
        case SQLTypeText:
        case SQLTypeVarying: {
            TDateTime d = 0;
            if (!TryStrToDateTime(Trim(AsString()), d)) ConversionError();
            return d;
        }
        default: ConversionError();
    }
}

bool TFBXSQLVAR::AsBoolean() const {
    if (IsNull()) return false;
    switch (SQLType()) {
        case SQLTypeShort:
        case SQLTypeLong:
        case SQLTypeInt64: return RawInteger() == 1;
        case SQLTypeBoolean: return RawBoolean(FXSQLVAR);
        default: ConversionError();
    }
}

ISC_QUAD TFBXSQLVAR::AsQuad() const {
    ISC_QUAD q{};
    if (IsNull()) return q;
    const Integer t = SQLType();
    if (t != SQLTypeBlob && t != SQLTypeArray && t != SQLTypeQuad) ConversionError();
    std::memcpy(&q, FXSQLVAR->sqldata, sizeof(q));
    return q;
}

TGUID TFBXSQLVAR::AsGuid() const {
    TGUID g;
    if (IsNull()) return g;
    const Integer t = SQLType();
    if (t != SQLTypeText && t != SQLTypeVarying) ConversionError();
    const AnsiString s = RawText();
    if (s.size() < 16) ConversionError();
    std::memcpy(&g, s.data(), 16);
    return g;
}

WideString TFBXSQLVAR::AsWideString() const {
    if (IsNull()) return WideString();
    const Integer t = SQLType();
    if ((t == SQLTypeText || t == SQLTypeVarying) && FXSQLVAR->sqlsubtype == 3 && FQuery && FQuery->Database() &&
        FQuery->Database()->IsUnicodeConnect()) {
        AnsiString s = RawText();
        if (FQuery->Options().Contains(qoTrimCharFields)) DoTrimRight(s);
        return Utf8ToWide(s);
    }
    return AnsiToWide(AsString());
}

Variant TFBXSQLVAR::Value() const {
    if (IsNull()) return Variant::Null();
    switch (SQLType()) {
        case SQLTypeShort:
        case SQLTypeLong:
            if (SQLScale() == 0) return Variant(static_cast<Integer>(RawInteger()));
            return Variant(static_cast<Double>(AsExtended()));
        case SQLTypeInt64: {
            const Int64 raw = RawInteger();
            const Integer scale = SQLScale();
            if (scale == 0) return Variant(static_cast<long long>(raw));
            // Up to four decimals a currency holds the value exactly where a
            // double would lose the last digits of a NUMERIC(18,4).
            if (scale >= -4 && scale < 0) {
                const Int64 f = PowersOf10[4 + scale];
                if (raw <= std::numeric_limits<Int64>::max() / f && raw >= std::numeric_limits<Int64>::min() / f)
                    return Variant(Currency::FromScaled(raw * f));
            }
            return Variant(AsExtended());
        }
        case SQLTypeFloat:
        case SQLTypeDouble:
        case SQLTypeDFloat:
            return Variant(static_cast<Double>(AsExtended()));
        case SQLTypeDate:
        case SQLTypeTime:
        case SQLTypeTimestamp:
            return Variant::FromDateTime(AsDateTime());
        case SQLTypeBoolean:
            return Variant(AsBoolean());
        case SQLTypeBlob:
            return Variant(AsString());
        case SQLTypeArray:
            return Variant("(Array)");
        case SQLTypeText:
        case SQLTypeVarying:
            if (FXSQLVAR->sqlsubtype == 3) {
                AnsiString s = RawText();
                if (FQuery && FQuery->Options().Contains(qoTrimCharFields)) DoTrimRight(s);
                return Variant(Utf8ToWide(s));
            }
            return Variant(AsString());
        default:
            ConversionError();
    }
}

// ---- TFBXSQLDA ---------------------------------------------------------------

TFBXSQLDA::TFBXSQLDA(TFBQuery* AQuery, bool AIsParams) : FQuery(AQuery), FIsParams(AIsParams) {
    FBlock = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(1)));
    if (!FBlock) throw EOutOfMemory("Out of memory");
    FBlock->version = SQLDA_VERSION1;
}

TFBXSQLDA::~TFBXSQLDA() {
    FVars.clear();   // each frees its buffers while the block still exists
    std::free(FBlock);
}

void TFBXSQLDA::ClearNames() {
    FRepeated.clear();
    FCache.clear();
    FNames.clear();
}

void TFBXSQLDA::SetCount(Integer Value) {
    if (Value < 0) Value = 0;
    ClearNames();
    FCount = Value;
    if (Value <= FAllocated) {
        FBlock->sqln = FBlock->sqld = static_cast<ISC_SHORT>(Value);
        return;
    }
    const size_t oldSize = XSQLDA_LENGTH(std::max<Integer>(FAllocated, 1));
    const size_t newSize = XSQLDA_LENGTH(Value);
    auto* nb = static_cast<XSQLDA*>(std::realloc(FBlock, newSize));
    if (!nb) throw EOutOfMemory("Out of memory");
    FBlock = nb;
    if (newSize > oldSize) std::memset(reinterpret_cast<char*>(FBlock) + oldSize, 0, newSize - oldSize);
    FBlock->version = SQLDA_VERSION1;
    for (Integer i = FAllocated; i < Value; ++i) FVars.push_back(std::make_unique<TFBXSQLVAR>(this, FQuery, i));
    for (Integer i = 0; i < Value; ++i) FVars[i]->FXSQLVAR = &FBlock->sqlvar[i];
    FAllocated = Value;
    FBlock->sqln = FBlock->sqld = static_cast<ISC_SHORT>(Value);
}

TFBXSQLVAR* TFBXSQLDA::Vars(Integer Index) const {
    if (Index < 0 || Index >= FCount) FBError(23);
    return FVars[Index].get();
}

AnsiString TFBXSQLDA::NormalizeName(const AnsiString& Name) const {
    bool quoted = Name.size() >= 2 && Name.front() == '"' && Name.back() == '"';
    const AnsiString bare = quoted ? Name.substr(1, Name.size() - 2) : Name;
    TFBDatabase* db = FQuery ? FQuery->Database() : nullptr;
    if (!db || db->SQLDialect() < 3) return FastUpperCase(bare);
    if (db->NeedUpperNames() && !quoted) return FastUpperCase(bare);
    return bare;
}

void TFBXSQLDA::RegisterName(Integer Index, const AnsiString& Name) {
    TFBXSQLVAR* v = Vars(Index);
    v->FName = Name;
    FNames.emplace(Name, Index);
    const auto n = static_cast<Integer>(FNames.count(Name));
    if (n > 1) FRepeated[Name] = n;
}

bool TFBXSQLDA::IsRepeatedName(const AnsiString& NormName) const { return FRepeated.count(NormName) > 0; }

std::vector<TFBXSQLVAR*> TFBXSQLDA::EntriesNamed(const AnsiString& NormName) const {
    std::vector<TFBXSQLVAR*> r;
    auto range = FNames.equal_range(NormName);
    for (auto it = range.first; it != range.second; ++it)
        if (it->second < FCount) r.push_back(FVars[it->second].get());
    return r;
}

TFBXSQLVAR* TFBXSQLDA::LocalByName(const AnsiString& Name) {
    auto c = FCache.find(Name);
    if (c != FCache.end()) return c->second;
    auto it = FNames.find(NormalizeName(Name));
    if (it == FNames.end() || it->second >= FCount) return nullptr;
    TFBXSQLVAR* v = FVars[it->second].get();
    FCache.emplace(Name, v);
    return v;
}

TFBXSQLVAR* TFBXSQLDA::ByName(const AnsiString& Name) {
    if (TFBXSQLVAR* v = LocalByName(Name)) return v;
    if (FQuery && this == FQuery->FParams.get() && FQuery->FSQLParams) {
        if (FQuery->FMacrosChanged) FQuery->RebuildSQL();
        return FQuery->FSQLParams->LocalByName(Name);
    }
    return nullptr;
}

void TFBXSQLDA::Initialize() {
    for (Integer i = 0; i < FCount; ++i) {
        TFBXSQLVAR* v = FVars[i].get();
        v->FDescribedType = v->FXSQLVAR->sqltype & ~1;
        v->FChanged = true;
        v->FArray.reset();   // a new describe may name another column
    }
    if (FNames.empty()) {
        Integer unnamed = 0;
        for (Integer i = 0; i < FCount; ++i) {
            XSQLVAR* x = FVars[i]->FXSQLVAR;
            const Integer len = std::min<Integer>(std::max<Integer>(x->aliasname_length, 0), MaxNameLength);
            AnsiString name(x->aliasname, static_cast<size_t>(len));
            if (name.empty()) name = "F_" + IntToStr(++unnamed);
            if (FNames.count(name)) {
                for (Integer k = 1;; ++k) {
                    const AnsiString suffix = IntToStr(k);
                    AnsiString base = name;
                    if (base.size() + suffix.size() > static_cast<size_t>(MaxNameLength))
                        base.resize(MaxNameLength - suffix.size());
                    if (!FNames.count(base + suffix)) {
                        name = base + suffix;
                        break;
                    }
                }
            }
            std::memset(x->aliasname, 0, sizeof(x->aliasname));
            std::memcpy(x->aliasname, name.data(), name.size());
            x->aliasname_length = static_cast<ISC_SHORT>(name.size());
            RegisterName(i, name);
        }
    }
    const bool isStatementParams = FQuery && this == FQuery->FParams.get();
    for (Integer i = 0; i < FCount; ++i) {
        TFBXSQLVAR* v = FVars[i].get();
        XSQLVAR* x = v->FXSQLVAR;
        const Integer t = x->sqltype & ~1;
        if (t == 0) {
            if (!isStatementParams) FBError(30, {t});
        } else if (!KnownType(t)) {
            FBError(30, {t});
        }
        v->AllocData(BufferSize(t, x->sqllen));
        std::memset(x->sqldata, 0, static_cast<size_t>(BufferSize(t, x->sqllen)));
        if (x->sqltype & 1) {
            v->AllocIndicator();
        } else {
            std::free(x->sqlind);
            x->sqlind = nullptr;
        }
    }
}

void TFBXSQLDA::AssignValues(TFBXSQLDA* Source) {
    if (!Source) return;
    for (Integer i = 0; i < Source->Count(); ++i) {
        TFBXSQLVAR* s = Source->Vars(i);
        if (s->IsMacro()) continue;
        TFBXSQLVAR* d = LocalByName(s->Name());
        if (!d) continue;
        if (s->IsNull()) {
            d->SetIsNull(true);
            continue;
        }
        const bool sBlobOrArray = s->IsBlobOrArray();
        const bool dBlobOrArray = d->IsBlobOrArray();
        if (sBlobOrArray && dBlobOrArray) {
            const ISC_QUAD q = s->AsQuad();
            d->SetData(d->SQLType(), &q, 8);
            continue;
        }
        if (s->SQLType() == SQLTypeInt64) {
            if (dBlobOrArray) d->SetAsInt64(0);
            d->SetAsXSQLVAR(s->AsXSQLVAR());
            continue;
        }
        const Integer dt = d->FDescribedType ? d->FDescribedType : d->SQLType();
        if (dt == SQLTypeTimestamp || dt == SQLTypeDate || dt == SQLTypeTime) {
            if (s->AsString().empty()) {
                d->SetValue(s->Value());
            } else if (s->SQLType() == SQLTypeText) {
                d->SetAsString(s->AsString());
            } else {
                const TDateTime v = s->Value().AsDateTime();
                if (dt == SQLTypeTimestamp) d->SetAsDateTime(v);
                else if (dt == SQLTypeDate) d->SetAsDate(v);
                else d->SetAsTime(v);
            }
            continue;
        }
        d->SetValue(s->Value());
    }
}

void TFBXSQLDA::SetAllNull() {
    for (Integer i = 0; i < FCount; ++i) {
        XSQLVAR* x = FVars[i]->FXSQLVAR;
        if (x->sqlind) *x->sqlind = -1;
    }
}

void TFBXSQLDA::ClearModified() {
    for (Integer i = 0; i < FCount; ++i) FVars[i]->FModified = false;
}
