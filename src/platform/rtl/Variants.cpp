#include "platform/rtl/Variants.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace {

const char* const SVarBadIndex = "Variant or safe array index out of bounds";
const char* const SVarArrayCreate = "Error creating variant or safe array";
const char* const SVarArrayLocked = "Variant or safe array is locked";
const char* const SVarInvalidArg = "Invalid variant argument";
const char* const SVarInvalidOp = "Invalid variant operation";
const char* const SVarBadType = "Invalid variant type";
const char* const SVarTypeConvert = "Invalid variant type conversion";
const char* const SVarOverflow = "Variant overflow";
const char* const SVarDivByZero = "Division by zero";

[[noreturn]] void CastError(TVarType From, TVarType To)
{
    throw EVariantError("Could not convert variant of type (" + VarTypeAsText(From) + ") into type (" +
                        VarTypeAsText(To) + ")");
}

bool IsIntegerType(TVarType T)
{
    switch (T) {
    case varSmallint: case varInteger: case varShortInt: case varByte:
    case varWord: case varLongWord: case varInt64:
        return true;
    default:
        return false;
    }
}

bool IsStringType(TVarType T) { return T == varString || T == varOleStr; }

// Round half to even, as the platform's float-to-integer conversion does.
bool RoundToInt64(long double D, Int64& Out)
{
    if (std::isnan(D)) return false;
    long double r = std::nearbyintl(D);
    if (r < -9223372036854775808.0L || r >= 9223372036854775808.0L) return false;
    Out = static_cast<Int64>(r);
    return true;
}

bool IsTrueText(const AnsiString& S) { return SameText(Trim(S), "True"); }
bool IsFalseText(const AnsiString& S) { return SameText(Trim(S), "False"); }

// Range of each integer variant type.
void IntRange(TVarType T, Int64& Lo, Int64& Hi)
{
    switch (T) {
    case varSmallint: Lo = -32768; Hi = 32767; break;
    case varInteger: Lo = std::numeric_limits<Integer>::min(); Hi = std::numeric_limits<Integer>::max(); break;
    case varShortInt: Lo = -128; Hi = 127; break;
    case varByte: Lo = 0; Hi = 255; break;
    case varWord: Lo = 0; Hi = 65535; break;
    case varLongWord: Lo = 0; Hi = 4294967295LL; break;
    default: Lo = std::numeric_limits<Int64>::min(); Hi = std::numeric_limits<Int64>::max(); break;
    }
}

Variant MakeInt(TVarType T, Int64 V)
{
    switch (T) {
    case varSmallint: return Variant(static_cast<SmallInt>(V));
    case varInteger: return Variant(static_cast<int>(V));
    case varShortInt: return Variant(static_cast<ShortInt>(V));
    case varByte: return Variant(static_cast<Byte>(V));
    case varWord: return Variant(static_cast<Word>(V));
    case varLongWord: return Variant(static_cast<unsigned int>(V));
    default: return Variant(static_cast<long>(V));
    }
}

// Text of a Single: its shortest decimal that reads back as the same Single (a fixed seven
// digits would not: 16777216 would come back as 16777220), then the usual float text.
// charconv, unlike printf and strtod, ignores the C locale.
AnsiString SingleToStr(Single F)
{
    if (!std::isfinite(F)) return FloatToStr(F);
    char buf[48];
    auto w = std::to_chars(buf, buf + sizeof buf, F);
    double d = 0;
    std::from_chars(buf, w.ptr, d);
    return FloatToStr(d);
}

}  // namespace

// ---- TVarArray -------------------------------------------------------------

Integer TVarArray::ElementSizeOf(TVarType ElementType)
{
    switch (ElementType) {
    case varShortInt: case varByte: return 1;
    case varSmallint: case varWord: case varBoolean: return 2;
    case varInteger: case varSingle: case varError: case varLongWord: return 4;
    case varDouble: case varCurrency: case varDate: case varInt64: return 8;
    case varOleStr: return static_cast<Integer>(sizeof(WideString));
    case varVariant: return static_cast<Integer>(sizeof(Variant));
    default: return 0;
    }
}

TVarArray::TVarArray(const std::vector<Integer>& Bounds, TVarType ElementType)
    : FElementType(ElementType), FElementSize(ElementSizeOf(ElementType))
{
    const size_t dims = Bounds.size() / 2;
    if (FElementSize == 0 || Bounds.size() % 2 != 0 || dims < 1 || dims > size_t(MaxDims))
        throw EVariantError(SVarArrayCreate);
    Int64 count = 1;
    for (size_t d = 0; d < dims; ++d) {
        const Int64 lo = Bounds[2 * d], hi = Bounds[2 * d + 1];
        const Int64 len = hi - lo + 1;
        if (len < 0) throw EVariantError(SVarArrayCreate);
        count *= len;
        if (count * FElementSize > std::numeric_limits<Integer>::max()) throw EVariantError(SVarArrayCreate);
        FLow.push_back(static_cast<Integer>(lo));
        FLen.push_back(static_cast<Integer>(len));
    }
    FCount = static_cast<Integer>(count);
    Allocate();
}

TVarArray::TVarArray(const TVarArray& Other)
    : FElementType(Other.FElementType), FElementSize(Other.FElementSize), FLow(Other.FLow), FLen(Other.FLen),
      FCount(Other.FCount)
{
    Allocate();
    if (FElementType == varOleStr) {
        auto* dst = static_cast<WideString*>(FData);
        auto* src = static_cast<const WideString*>(Other.FData);
        for (Integer i = 0; i < FCount; ++i) dst[i] = src[i];
    } else if (FElementType == varVariant) {
        auto* dst = static_cast<Variant*>(FData);
        auto* src = static_cast<const Variant*>(Other.FData);
        for (Integer i = 0; i < FCount; ++i) dst[i] = src[i];
    } else if (FCount > 0) {
        std::memcpy(FData, Other.FData, size_t(FCount) * FElementSize);
    }
}

TVarArray::~TVarArray() { Release(); }

void TVarArray::Allocate()
{
    const size_t bytes = size_t(FCount) * FElementSize;
    FData = ::operator new(bytes ? bytes : 1, std::align_val_t(alignof(std::max_align_t)));
    std::memset(FData, 0, bytes);
    if (FElementType == varOleStr) {
        auto* p = static_cast<WideString*>(FData);
        for (Integer i = 0; i < FCount; ++i) new (p + i) WideString();
    } else if (FElementType == varVariant) {
        auto* p = static_cast<Variant*>(FData);
        for (Integer i = 0; i < FCount; ++i) new (p + i) Variant();
    }
}

void TVarArray::Release()
{
    if (!FData) return;
    if (FElementType == varOleStr) {
        auto* p = static_cast<WideString*>(FData);
        for (Integer i = 0; i < FCount; ++i) p[i].~WideString();
    } else if (FElementType == varVariant) {
        auto* p = static_cast<Variant*>(FData);
        for (Integer i = 0; i < FCount; ++i) p[i].~Variant();
    }
    ::operator delete(FData, std::align_val_t(alignof(std::max_align_t)));
    FData = nullptr;
}

Integer TVarArray::LowBound(Integer Dim) const
{
    if (Dim < 1 || Dim > DimCount()) throw EVariantError(SVarBadIndex);
    return FLow[Dim - 1];
}

Integer TVarArray::HighBound(Integer Dim) const
{
    if (Dim < 1 || Dim > DimCount()) throw EVariantError(SVarBadIndex);
    return FLow[Dim - 1] + FLen[Dim - 1] - 1;
}

Integer TVarArray::Offset(const Integer* Indices, Integer Count) const
{
    if (Count != DimCount()) throw EVariantError(SVarBadIndex);
    Int64 offset = 0, stride = 1;
    for (Integer d = 0; d < Count; ++d) {
        const Int64 i = Int64(Indices[d]) - FLow[d];
        if (i < 0 || i >= FLen[d]) throw EVariantError(SVarBadIndex);
        offset += i * stride;
        stride *= FLen[d];
    }
    return static_cast<Integer>(offset);
}

Variant TVarArray::Get(const Integer* Indices, Integer Count) const
{
    const Integer k = Offset(Indices, Count);
    const char* p = static_cast<const char*>(FData) + size_t(k) * FElementSize;
    auto load = [p](auto v) { std::memcpy(&v, p, sizeof v); return v; };
    switch (FElementType) {
    case varShortInt: return Variant(load(ShortInt()));
    case varByte: return Variant(load(Byte()));
    case varSmallint: return Variant(load(SmallInt()));
    case varWord: return Variant(load(Word()));
    case varBoolean: return Variant(load(SmallInt()) != 0);
    case varInteger: return Variant(static_cast<int>(load(Integer())));
    case varLongWord: return Variant(static_cast<unsigned int>(load(LongWord())));
    case varError: return Variant::FromError(load(Integer()));
    case varSingle: return Variant(load(Single()));
    case varDouble: return Variant(load(Double()));
    case varDate: return Variant::FromDateTime(load(Double()));
    case varCurrency: return Variant(Currency::FromScaled(load(Int64())));
    case varInt64: return Variant(static_cast<long>(load(Int64())));
    case varOleStr: return Variant(*reinterpret_cast<const WideString*>(p));
    case varVariant: return *reinterpret_cast<const Variant*>(p);
    default: throw EVariantError(SVarBadType);
    }
}

void TVarArray::Put(const Integer* Indices, Integer Count, const Variant& Value)
{
    const Integer k = Offset(Indices, Count);
    char* p = static_cast<char*>(FData) + size_t(k) * FElementSize;
    if (FElementType == varVariant) {
        *reinterpret_cast<Variant*>(p) = Value;
        return;
    }
    if (FElementType == varOleStr) {
        *reinterpret_cast<WideString*>(p) = Value.AsWideString();
        return;
    }
    // Convert first so that a failed conversion leaves the element as it was.
    const Variant v = VarAsType(Value, FElementType);
    auto store = [p](auto x) { std::memcpy(p, &x, sizeof x); };
    switch (FElementType) {
    case varShortInt: store(static_cast<ShortInt>(v.AsInt64())); break;
    case varByte: store(static_cast<Byte>(v.AsInt64())); break;
    case varSmallint: store(static_cast<SmallInt>(v.AsInt64())); break;
    case varWord: store(static_cast<Word>(v.AsInt64())); break;
    case varBoolean: store(static_cast<SmallInt>(v.AsBoolean() ? -1 : 0)); break;
    case varInteger: store(static_cast<Integer>(v.AsInt64())); break;
    case varLongWord: store(static_cast<LongWord>(v.AsInt64())); break;
    case varError: store(static_cast<Integer>(v.AsError())); break;
    case varSingle: store(static_cast<Single>(v.AsDouble())); break;
    case varDouble: case varDate: store(static_cast<Double>(v.AsDouble())); break;
    case varCurrency: store(v.AsCurrency().Value); break;
    case varInt64: store(static_cast<Int64>(v.AsInt64())); break;
    default: throw EVariantError(SVarBadType);
    }
}

void* TVarArray::Lock()
{
    ++FLockCount;
    return FData;
}

void TVarArray::Unlock()
{
    if (FLockCount == 0) throw EVariantError("Variant or safe array is not locked");
    --FLockCount;
}

void TVarArray::Redim(Integer HighBound)
{
    if (FLockCount > 0) throw EVariantError(SVarArrayLocked);
    const Integer last = DimCount() - 1;
    const Int64 newLen = Int64(HighBound) - FLow[last] + 1;
    if (newLen < 0) throw EVariantError(SVarArrayCreate);
    Int64 slice = 1;  // elements per step of the last dimension
    for (Integer d = 0; d < last; ++d) slice *= FLen[d];
    const Int64 newCount = slice * newLen;
    if (newCount * FElementSize > std::numeric_limits<Integer>::max()) throw EVariantError(SVarArrayCreate);

    // The last dimension runs slowest, so the kept elements are a prefix.
    TVarArray fresh(*this, 0);
    fresh.FLen[last] = static_cast<Integer>(newLen);
    fresh.FCount = static_cast<Integer>(newCount);
    fresh.Allocate();
    const Integer keep = static_cast<Integer>(std::min<Int64>(newCount, FCount));
    if (FElementType == varOleStr) {
        for (Integer i = 0; i < keep; ++i)
            static_cast<WideString*>(fresh.FData)[i] = std::move(static_cast<WideString*>(FData)[i]);
    } else if (FElementType == varVariant) {
        for (Integer i = 0; i < keep; ++i)
            static_cast<Variant*>(fresh.FData)[i] = std::move(static_cast<Variant*>(FData)[i]);
    } else if (keep > 0) {
        std::memcpy(fresh.FData, FData, size_t(keep) * FElementSize);
    }
    Release();
    FData = fresh.FData;
    FLen = fresh.FLen;
    FCount = fresh.FCount;
    fresh.FData = nullptr;
}

// Shape-only copy used by Redim: no data yet.
TVarArray::TVarArray(const TVarArray& Other, int)
    : FElementType(Other.FElementType), FElementSize(Other.FElementSize), FLow(Other.FLow), FLen(Other.FLen),
      FCount(0)
{
}

// ---- Variant: life cycle -----------------------------------------------------

// Texts are shared between copies: a cell or field value passed along by
// value costs a count, not an allocation.
struct Variant::TSharedText {
    explicit TSharedText(AnsiString AText) : Text(std::move(AText)) {}
    explicit TSharedText(std::string_view AText) : Text(AText) {}
    std::atomic<int> Refs{1};
    const AnsiString Text;
};

void Variant::Release() noexcept
{
    if (FType & varArray) {
        if (!(FType & varByRef)) delete FValue.Arr;
    } else if (FType == varString) {
        if (FShort.Len) {
            FShort.Len = 0;
            FType = varEmpty;
            FValue.I64 = 0;
            return;
        }
        // The only holder need not count down: no one else can copy it meanwhile.
        if (FValue.Str->Refs.load(std::memory_order_acquire) == 1 ||
            FValue.Str->Refs.fetch_sub(1, std::memory_order_acq_rel) == 1)
            delete FValue.Str;
    } else if (FType == varOleStr) {
        delete FValue.WStr;
    }
    FType = varEmpty;
    FValue.I64 = 0;
}

void Variant::CopyFrom(const Variant& Other)
{
    if (Other.FType & varArray) {
        FValue.Arr = (Other.FType & varByRef) ? Other.FValue.Arr : new TVarArray(*Other.FValue.Arr);
    } else if (Other.FType == varString && Other.FShort.Len == 0) {
        FValue.Str = Other.FValue.Str;
        FValue.Str->Refs.fetch_add(1, std::memory_order_relaxed);
    } else if (Other.FType == varOleStr) {
        FValue.WStr = new WideString(*Other.FValue.WStr);
    } else {
        FShort = Other.FShort;
        FValue = Other.FValue;
    }
    FType = Other.FType;
}

Variant& Variant::operator=(const Variant& Other)
{
    if (this != &Other) {
        Variant tmp(Other);
        *this = std::move(tmp);
    }
    return *this;
}

void Variant::Clear() { Release(); }

Variant::Variant(bool Value) : FType(varBoolean) { FValue.I64 = 0; FValue.Bool = Value; }
Variant::Variant(ShortInt Value) : FType(varShortInt) { FValue.I64 = Value; }
Variant::Variant(Byte Value) : FType(varByte) { FValue.I64 = Value; }
Variant::Variant(SmallInt Value) : FType(varSmallint) { FValue.I64 = Value; }
Variant::Variant(Word Value) : FType(varWord) { FValue.I64 = Value; }
Variant::Variant(int Value) : FType(varInteger) { FValue.I64 = Value; }
Variant::Variant(unsigned int Value) : FType(varLongWord) { FValue.I64 = Value; }
Variant::Variant(long Value) : FType(varInt64) { FValue.I64 = Value; }
Variant::Variant(long long Value) : FType(varInt64) { FValue.I64 = static_cast<Int64>(Value); }
Variant::Variant(float Value) : FType(varSingle) { FValue.I64 = 0; FValue.F32 = Value; }
Variant::Variant(long double Value) : FType(varDouble) { FValue.F64 = static_cast<double>(Value); }
Variant::Variant(Currency Value) : FType(varCurrency) { FValue.I64 = Value.Value; }
void Variant::SetText(std::string_view Text)
{
    static_assert(offsetof(Variant, FShort) == sizeof(TVarType) && sizeof(TShort) == 6 &&
                      offsetof(Variant, FValue) == ShortTextOffset + sizeof(FShort.Head) &&
                      sizeof(Variant) == ShortTextOffset + ShortTextMax,
                  "a short text runs from FShort.Head to the end of FValue");
    FType = varString;
    if (Text.size() <= ShortTextMax) {
        FValue.I64 = 0;
        if (!Text.empty()) std::memcpy(ShortText(), Text.data(), Text.size());  // an empty view may have no data
        FShort.Len = static_cast<unsigned char>(Text.size() + 1);
    } else {
        FValue.Str = new TSharedText(Text);
    }
}

Variant::Variant(char Value) { SetText(std::string_view(&Value, 1)); }
Variant::Variant(const char* Value) { SetText(Value ? std::string_view(Value) : std::string_view()); }
Variant::Variant(const AnsiString& Value) { SetText(Value); }
Variant::Variant(AnsiString&& Value)
{
    if (Value.size() <= ShortTextMax) {
        SetText(Value);
    } else {
        FType = varString;
        FValue.Str = new TSharedText(std::move(Value));
    }
}
Variant::Variant(std::string_view Value) { SetText(Value); }
Variant::Variant(const WideString& Value) : FType(varOleStr) { FValue.WStr = new WideString(Value); }
Variant::Variant(const char16_t* Value) : FType(varOleStr) { FValue.WStr = new WideString(Value ? Value : u""); }

Variant Variant::Null()
{
    Variant v;
    v.FType = varNull;
    return v;
}

Variant Variant::Unassigned() { return Variant(); }

Variant Variant::FromDateTime(TDateTime Value)
{
    Variant v(Value);
    v.FType = varDate;
    return v;
}

Variant Variant::FromError(Integer Code)
{
    Variant v(static_cast<int>(Code));
    v.FType = varError;
    return v;
}

Variant Variant::FromArray(TVarArray* Arr)
{
    if (!Arr) throw EVariantError(SVarInvalidArg);
    Variant v;
    v.FValue.Arr = Arr;
    v.FType = varArray | Arr->ElementType();
    return v;
}

Variant Variant::FromArrayRef(TVarArray* Arr)
{
    if (!Arr) throw EVariantError(SVarInvalidArg);
    Variant v;
    v.FValue.Arr = Arr;
    v.FType = varArray | varByRef | Arr->ElementType();
    return v;
}

TVarArray* Variant::ArrayPtr() const { return (FType & varArray) ? FValue.Arr : nullptr; }

// ---- Variant: conversions ----------------------------------------------------

Int64 Variant::AsInt64() const
{
    switch (FType) {
    case varEmpty: return 0;
    case varBoolean: return FValue.Bool ? -1 : 0;
    case varSingle: case varDouble: case varDate: {
        const long double d = FType == varSingle ? FValue.F32 : FValue.F64;
        Int64 r;
        if (!RoundToInt64(d, r)) throw EVariantError(SVarOverflow);
        return r;
    }
    case varCurrency: {
        // Exact half-to-even rounding of the scaled value.
        Int64 q = FValue.I64 / Currency::Scale;
        const Int64 rem = FValue.I64 % Currency::Scale;
        const Int64 twice = 2 * (rem < 0 ? -rem : rem);
        if (twice > Currency::Scale || (twice == Currency::Scale && (q % 2) != 0)) q += rem < 0 ? -1 : 1;
        return q;
    }
    case varString: case varOleStr: {
        const AnsiString s = FType == varString ? AnsiString(StringView()) : WideToAnsi(*FValue.WStr);
        Int64 r;
        if (TryStrToInt64(Trim(s), r)) return r;
        Extended e;
        if (TryStrToFloat(s, e)) {
            if (!RoundToInt64(e, r)) throw EVariantError(SVarOverflow);
            return r;
        }
        if (IsTrueText(s)) return -1;
        if (IsFalseText(s)) return 0;
        CastError(FType, varInt64);
    }
    default:
        if (IsIntegerType(FType)) return FValue.I64;
        CastError(FType, varInt64);
    }
}

Integer Variant::AsInteger() const
{
    Int64 v;
    try {
        v = AsInt64();
    } catch (const EVariantError& e) {
        if (e.Message() == SVarOverflow) throw;
        CastError(FType, varInteger);
    }
    if (v < std::numeric_limits<Integer>::min() || v > std::numeric_limits<Integer>::max())
        throw EVariantError(SVarOverflow);
    return static_cast<Integer>(v);
}

Double Variant::AsDouble() const
{
    switch (FType) {
    case varEmpty: return 0;
    case varBoolean: return FValue.Bool ? -1 : 0;
    case varSingle: return FValue.F32;
    case varDouble: case varDate: return FValue.F64;
    case varCurrency: return static_cast<Double>(CurrToDouble(Currency::FromScaled(FValue.I64)));
    case varString: case varOleStr: {
        const AnsiString s = FType == varString ? AnsiString(StringView()) : WideToAnsi(*FValue.WStr);
        Extended e;
        if (TryStrToFloat(s, e)) return static_cast<Double>(e);
        if (IsTrueText(s)) return -1;
        if (IsFalseText(s)) return 0;
        CastError(FType, varDouble);
    }
    default:
        if (IsIntegerType(FType)) return static_cast<Double>(FValue.I64);
        CastError(FType, varDouble);
    }
}

Currency Variant::AsCurrency() const
{
    switch (FType) {
    case varEmpty: return Currency();
    case varCurrency: return Currency::FromScaled(FValue.I64);
    case varBoolean: return Currency::FromScaled(FValue.Bool ? -Currency::Scale : 0);
    case varString: case varOleStr: {
        const AnsiString s = FType == varString ? AnsiString(StringView()) : WideToAnsi(*FValue.WStr);
        Currency c;
        if (TryStrToCurr(s, c)) return c;
        if (IsTrueText(s)) return Currency::FromScaled(-Currency::Scale);
        if (IsFalseText(s)) return Currency();
        CastError(FType, varCurrency);
    }
    case varSingle: case varDouble: case varDate: {
        const long double d = FType == varSingle ? FValue.F32 : FValue.F64;
        Int64 r;
        if (!RoundToInt64(d * Currency::Scale, r)) throw EVariantError(SVarOverflow);
        return Currency::FromScaled(r);
    }
    default:
        if (IsIntegerType(FType)) {
            const Int64 lim = std::numeric_limits<Int64>::max() / Currency::Scale;
            if (FValue.I64 > lim || FValue.I64 < -lim) throw EVariantError(SVarOverflow);
            return Currency::FromScaled(FValue.I64 * Currency::Scale);
        }
        CastError(FType, varCurrency);
    }
}

bool Variant::AsBoolean() const
{
    switch (FType) {
    case varEmpty: return false;
    case varBoolean: return FValue.Bool;
    case varSingle: return FValue.F32 != 0;
    case varDouble: case varDate: return FValue.F64 != 0;
    case varCurrency: return FValue.I64 != 0;
    case varString: case varOleStr: {
        const AnsiString s = FType == varString ? AnsiString(StringView()) : WideToAnsi(*FValue.WStr);
        if (IsTrueText(s)) return true;
        if (IsFalseText(s)) return false;
        Extended e;
        if (TryStrToFloat(s, e)) return e != 0;
        CastError(FType, varBoolean);
    }
    default:
        if (IsIntegerType(FType)) return FValue.I64 != 0;
        CastError(FType, varBoolean);
    }
}

AnsiString Variant::AsString() const
{
    switch (FType) {
    case varEmpty: return AnsiString();
    case varString: return AnsiString(StringView());
    case varOleStr: return WideToAnsi(*FValue.WStr);
    case varBoolean: return FValue.Bool ? "True" : "False";
    case varSingle: return SingleToStr(FValue.F32);
    case varDouble: return FloatToStr(FValue.F64);
    case varDate: return DateTimeToStr(FValue.F64);
    case varCurrency: return CurrToStr(Currency::FromScaled(FValue.I64));
    default:
        if (IsIntegerType(FType)) return IntToStr(FValue.I64);
        CastError(FType, varString);
    }
}

const AnsiString* Variant::StringPtr() const noexcept
{
    return FType == varString && FShort.Len == 0 ? &FValue.Str->Text : nullptr;
}

std::string_view Variant::StringView() const noexcept
{
    if (FType != varString) return {};
    if (FShort.Len) return std::string_view(ShortText(), FShort.Len - 1u);
    return FValue.Str->Text;
}

WideString Variant::AsWideString() const
{
    if (FType == varOleStr) return *FValue.WStr;
    try {
        return AnsiToWide(AsString());
    } catch (const EVariantError& e) {
        if (e.Message() == SVarOverflow) throw;
        CastError(FType, varOleStr);
    }
}

TDateTime Variant::AsDateTime() const
{
    if (FType == varString || FType == varOleStr) {
        const AnsiString s = AsString();
        TDateTime d;
        if (TryStrToDateTime(Trim(s), d)) return d;
        Extended e;
        if (TryStrToFloat(s, e)) return static_cast<TDateTime>(e);
        CastError(FType, varDate);
    }
    try {
        return AsDouble();
    } catch (const EVariantError& e) {
        if (e.Message() == SVarOverflow) throw;
        CastError(FType, varDate);
    }
}

Integer Variant::AsError() const
{
    if (FType != varError) CastError(FType, varError);
    return static_cast<Integer>(FValue.I64);
}

Variant Variant::operator[](Integer Index) const { return VarArrayGet(*this, {Index}); }

// ---- free functions ----------------------------------------------------------

Variant Null() { return Variant::Null(); }
Variant Unassigned() { return Variant(); }
Variant VarFromDateTime(TDateTime Value) { return Variant::FromDateTime(Value); }

TVarType VarType(const Variant& V) { return V.VType(); }
bool VarIsNull(const Variant& V) { return V.VType() == varNull; }
bool VarIsEmpty(const Variant& V) { return V.VType() == varEmpty; }
bool VarIsClear(const Variant& V) { return V.VType() == varEmpty; }
bool VarIsArray(const Variant& V) { return (V.VType() & varArray) != 0; }
bool VarIsOrdinal(const Variant& V) { return IsIntegerType(V.VType()) || V.VType() == varBoolean; }
bool VarIsFloat(const Variant& V)
{
    const TVarType t = V.VType();
    return t == varSingle || t == varDouble || t == varCurrency;
}
bool VarIsNumeric(const Variant& V) { return VarIsOrdinal(V) || VarIsFloat(V); }
bool VarIsStr(const Variant& V) { return IsStringType(V.VType()); }
bool VarIsType(const Variant& V, TVarType AVarType) { return V.VType() == AVarType; }
bool VarIsType(const Variant& V, std::initializer_list<TVarType> Types)
{
    for (TVarType t : Types)
        if (V.VType() == t) return true;
    return false;
}

AnsiString VarTypeAsText(TVarType AVarType)
{
    AnsiString prefix;
    if (AVarType & varArray) prefix += "Array ";
    if (AVarType & varByRef) prefix += "ByRef ";
    switch (AVarType & varTypeMask) {
    case varEmpty: return prefix + "Empty";
    case varNull: return prefix + "Null";
    case varSmallint: return prefix + "Smallint";
    case varInteger: return prefix + "Integer";
    case varSingle: return prefix + "Single";
    case varDouble: return prefix + "Double";
    case varCurrency: return prefix + "Currency";
    case varDate: return prefix + "Date";
    case varOleStr: return prefix + "OleStr";
    case varDispatch: return prefix + "Dispatch";
    case varError: return prefix + "Error";
    case varBoolean: return prefix + "Boolean";
    case varVariant: return prefix + "Variant";
    case varUnknown: return prefix + "Unknown";
    case varShortInt: return prefix + "ShortInt";
    case varByte: return prefix + "Byte";
    case varWord: return prefix + "Word";
    case varLongWord: return prefix + "LongWord";
    case varInt64: return prefix + "Int64";
    case varString: return prefix + "String";
    default: return prefix + "$" + IntToHex(AVarType & varTypeMask, 4);
    }
}

AnsiString VarToStr(const Variant& V) { return VarToStrDef(V, AnsiString()); }

AnsiString VarToStrDef(const Variant& V, const AnsiString& ADefault)
{
    return V.IsNull() ? ADefault : V.AsString();
}

WideString VarToWideStr(const Variant& V) { return V.IsNull() ? WideString() : V.AsWideString(); }

Variant VarAsType(const Variant& V, TVarType AVarType)
{
    const TVarType to = AVarType;
    const TVarType from = V.VType();
    if (to == from || to == varVariant) return V;
    if (to == varEmpty) return Variant();
    if (to == varNull) return Null();
    if (to & (varArray | varByRef)) throw EVariantError(SVarBadType);
    if (from & varArray) throw EVariantError(SVarTypeConvert);
    if (from == varNull) CastError(from, to);
    if (IsIntegerType(to)) {
        Int64 lo, hi;
        IntRange(to, lo, hi);
        Int64 x;
        try {
            x = V.AsInt64();
        } catch (const EVariantError& e) {
            if (e.Message() == SVarOverflow) throw;
            CastError(from, to);
        }
        if (x < lo || x > hi) throw EVariantError(SVarOverflow);
        return MakeInt(to, x);
    }
    switch (to) {
    case varSingle: {
        double d;
        try {
            d = V.AsDouble();
        } catch (const EVariantError&) {
            CastError(from, to);
        }
        if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max())
            throw EVariantError(SVarOverflow);
        return Variant(static_cast<float>(d));
    }
    case varDouble:
        try {
            return Variant(V.AsDouble());
        } catch (const EVariantError&) {
            CastError(from, to);
        }
    case varCurrency: return Variant(V.AsCurrency());
    case varDate: return Variant::FromDateTime(V.AsDateTime());
    case varBoolean: return Variant(V.AsBoolean());
    case varString: return Variant(V.AsString());
    case varOleStr: return Variant(V.AsWideString());
    case varError: return Variant::FromError(V.AsError());
    default: throw EVariantError(SVarBadType);
    }
}

// ---- comparison --------------------------------------------------------------

namespace {

template <typename T>
int Sign3(T A, T B) { return A < B ? -1 : (B < A ? 1 : 0); }

// -1, 0 or 1; raises when the two have no order between them.
int CompareVariants(const Variant& A, const Variant& B)
{
    TVarType ta = A.VType(), tb = B.VType();
    if ((ta & varArray) || (tb & varArray)) throw EVariantError(SVarInvalidOp);
    if (ta == varNull || tb == varNull) return Sign3(int(ta != varNull), int(tb != varNull));
    if (ta == varEmpty && tb == varEmpty) return 0;
    if (ta == varError || tb == varError) {
        if (ta == tb) return Sign3(A.AsError(), B.AsError());
        throw EVariantError(SVarInvalidOp);
    }
    if (ta == varEmpty) return -CompareVariants(B, A);
    if (tb == varEmpty) {
        if (IsStringType(ta)) return A.AsString().empty() ? 0 : 1;
        return CompareVariants(A, Variant(0));
    }
    if (IsStringType(ta) && IsStringType(tb)) return Sign3(AnsiCompareStr(A.AsString(), B.AsString()), 0);
    if (ta == varBoolean && tb == varBoolean) return Sign3(int(A.AsBoolean()), int(B.AsBoolean()));
    if (ta == varBoolean && IsStringType(tb)) return Sign3(int(A.AsBoolean()), int(B.AsBoolean()));
    if (IsStringType(ta) && tb == varBoolean) return Sign3(int(A.AsBoolean()), int(B.AsBoolean()));
    // At least one number (or Boolean against a number): numerically.
    if (ta == varDate || tb == varDate) return Sign3(A.AsDateTime(), B.AsDateTime());
    if ((IsIntegerType(ta) || ta == varBoolean) && (IsIntegerType(tb) || tb == varBoolean))
        return Sign3(A.AsInt64(), B.AsInt64());
    if ((ta == varCurrency || IsIntegerType(ta)) && (tb == varCurrency || IsIntegerType(tb))) {
        // Exact when both fit as currency; otherwise the wide float is exact enough.
        try {
            return Sign3(A.AsCurrency().Value, B.AsCurrency().Value);
        } catch (const EVariantError&) {
        }
    }
    // Currency against a float: as the double the amount reads as, so 0,1 equals 0.1.
    if ((ta == varCurrency && (tb == varDouble || tb == varSingle)) ||
        (tb == varCurrency && (ta == varDouble || ta == varSingle))) {
        const double a = A.AsDouble(), b = B.AsDouble();
        if (std::isnan(a) || std::isnan(b)) throw EVariantError(SVarInvalidOp);
        return Sign3(a, b);
    }
    auto wide = [](const Variant& V) -> long double {
        const TVarType t = V.VType();
        if (IsIntegerType(t)) return static_cast<long double>(V.AsInt64());
        if (t == varCurrency) return static_cast<long double>(V.AsCurrency().Value) / Currency::Scale;
        return V.AsDouble();
    };
    const long double a = wide(A), b = wide(B);
    if (std::isnan(a) || std::isnan(b)) throw EVariantError(SVarInvalidOp);
    return Sign3(a, b);
}

}  // namespace

bool operator==(const Variant& A, const Variant& B) { return CompareVariants(A, B) == 0; }
bool operator<(const Variant& A, const Variant& B) { return CompareVariants(A, B) < 0; }

TVariantRelationship VarCompareValue(const Variant& A, const Variant& B)
{
    if (A.IsNull() != B.IsNull()) return vrNotEqual;
    const int c = CompareVariants(A, B);
    return c == 0 ? vrEqual : (c < 0 ? vrLessThan : vrGreaterThan);
}

// ---- arithmetic --------------------------------------------------------------

namespace {

enum TArithKind { akInt, akCurrency, akDouble, akDate };

TArithKind KindOf(const Variant& V)
{
    const TVarType t = V.VType();
    if (t == varDate) return akDate;
    if (t == varCurrency) return akCurrency;
    if (t == varSingle || t == varDouble || IsStringType(t)) return akDouble;
    return akInt;  // integers, Boolean, Empty
}

bool IsWideInt(const Variant& V) { return V.VType() == varInt64 || V.VType() == varLongWord; }

// Integer result: Integer while it fits and no operand was 64-bit wide,
// Int64 beyond that, overflow past Int64.
Variant IntResult(__int128 R, bool Wide)
{
    if (R < std::numeric_limits<Int64>::min() || R > std::numeric_limits<Int64>::max())
        throw EVariantError(SVarOverflow);
    if (!Wide && R >= std::numeric_limits<Integer>::min() && R <= std::numeric_limits<Integer>::max())
        return Variant(static_cast<int>(R));
    return Variant(static_cast<long>(R));
}

Variant CurrResult(long double Scaled)
{
    Int64 r;
    if (!RoundToInt64(Scaled, r)) throw EVariantError(SVarOverflow);
    return Variant(Currency::FromScaled(r));
}

Variant Arith(char Op, const Variant& A, const Variant& B)
{
    const TVarType ta = A.VType(), tb = B.VType();
    if ((ta & varArray) || (tb & varArray)) throw EVariantError(SVarInvalidOp);
    if (ta == varError || tb == varError) throw EVariantError(SVarInvalidOp);
    if (ta == varNull || tb == varNull) return Null();

    if (Op == '+' && (IsStringType(ta) || ta == varEmpty) && (IsStringType(tb) || tb == varEmpty) &&
        !(ta == varEmpty && tb == varEmpty)) {
        if (ta == varOleStr || tb == varOleStr) return Variant(A.AsWideString() + B.AsWideString());
        return Variant(A.AsString() + B.AsString());
    }

    if (Op == '%') {
        const Int64 a = A.AsInt64(), b = B.AsInt64();
        if (b == 0) throw EVariantError(SVarDivByZero);
        if (b == -1) return IntResult(0, IsWideInt(A) || IsWideInt(B));
        return IntResult(a % b, IsWideInt(A) || IsWideInt(B));
    }

    const TArithKind ka = KindOf(A), kb = KindOf(B);
    if (Op == '/') {
        auto value = [](const Variant& V) -> long double {
            return KindOf(V) == akCurrency ? static_cast<long double>(V.AsCurrency().Value) / Currency::Scale
                                           : V.AsDouble();
        };
        const long double a = value(A), b = value(B);
        if (b == 0) throw EVariantError(SVarDivByZero);
        return Variant(static_cast<double>(a / b));
    }
    if (ka == akInt && kb == akInt) {
        const __int128 a = A.AsInt64(), b = B.AsInt64();
        const __int128 r = Op == '+' ? a + b : Op == '-' ? a - b : a * b;
        return IntResult(r, IsWideInt(A) || IsWideInt(B));
    }
    if (ka == akDate || kb == akDate) {
        const double a = A.AsDouble(), b = B.AsDouble();
        if (Op == '*') return Variant(a * b);
        return Variant::FromDateTime(Op == '+' ? a + b : a - b);
    }
    if (ka != akDouble && kb != akDouble) {
        // Currency with currency or integer stays exact.
        const long double a = A.AsCurrency().Value, b = B.AsCurrency().Value;
        if (Op == '+') return CurrResult(a + b);
        if (Op == '-') return CurrResult(a - b);
        return CurrResult(a * b / Currency::Scale);
    }
    const double a = A.AsDouble(), b = B.AsDouble();
    return Variant(Op == '+' ? a + b : Op == '-' ? a - b : a * b);
}

}  // namespace

Variant operator+(const Variant& A, const Variant& B) { return Arith('+', A, B); }
Variant operator-(const Variant& A, const Variant& B) { return Arith('-', A, B); }
Variant operator*(const Variant& A, const Variant& B) { return Arith('*', A, B); }
Variant operator/(const Variant& A, const Variant& B) { return Arith('/', A, B); }
Variant operator%(const Variant& A, const Variant& B) { return Arith('%', A, B); }

Variant Variant::operator-() const
{
    switch (FType) {
    case varNull: return Null();
    case varEmpty: return Variant(0);
    case varSingle: return Variant(-FValue.F32);
    case varDouble: return Variant(-FValue.F64);
    case varDate: return Variant::FromDateTime(-FValue.F64);
    case varCurrency:
        if (FValue.I64 == std::numeric_limits<Int64>::min()) throw EVariantError(SVarOverflow);
        return Variant(Currency::FromScaled(-FValue.I64));
    case varString: case varOleStr: return Variant(-AsDouble());
    default:
        if (IsIntegerType(FType) || FType == varBoolean)
            return IntResult(-static_cast<__int128>(AsInt64()), FType == varInt64 || FType == varLongWord);
        throw EVariantError(SVarInvalidOp);
    }
}

// ---- variant arrays ----------------------------------------------------------

namespace {

TVarArray& ArrayOf(const Variant& A)
{
    TVarArray* p = A.ArrayPtr();
    if (!p) throw EVariantError(SVarInvalidArg);
    return *p;
}

}  // namespace

Variant VarArrayCreate(const std::vector<Integer>& Bounds, TVarType ElementType)
{
    auto* arr = new TVarArray(Bounds, ElementType);
    return Variant::FromArray(arr);
}

Variant VarArrayCreate(std::initializer_list<Integer> Bounds, TVarType ElementType)
{
    return VarArrayCreate(std::vector<Integer>(Bounds), ElementType);
}

Variant VarArrayOf(const std::vector<Variant>& Values)
{
    Variant a = VarArrayCreate({0, static_cast<Integer>(Values.size()) - 1}, varVariant);
    auto* data = static_cast<Variant*>(a.ArrayPtr()->Data());
    for (size_t i = 0; i < Values.size(); ++i) data[i] = Values[i];
    return a;
}

Variant VarArrayOf(std::initializer_list<Variant> Values) { return VarArrayOf(std::vector<Variant>(Values)); }

Variant VarArrayRef(const Variant& A) { return Variant::FromArrayRef(&ArrayOf(A)); }

Integer VarArrayDimCount(const Variant& A)
{
    TVarArray* p = A.ArrayPtr();
    return p ? p->DimCount() : 0;
}

Integer VarArrayLowBound(const Variant& A, Integer Dim) { return ArrayOf(A).LowBound(Dim); }
Integer VarArrayHighBound(const Variant& A, Integer Dim) { return ArrayOf(A).HighBound(Dim); }

Variant VarArrayGet(const Variant& A, const std::vector<Integer>& Indices)
{
    return ArrayOf(A).Get(Indices.data(), static_cast<Integer>(Indices.size()));
}

Variant VarArrayGet(const Variant& A, std::initializer_list<Integer> Indices)
{
    return ArrayOf(A).Get(Indices.begin(), static_cast<Integer>(Indices.size()));
}

void VarArrayPut(Variant& A, const Variant& Value, const std::vector<Integer>& Indices)
{
    ArrayOf(A).Put(Indices.data(), static_cast<Integer>(Indices.size()), Value);
}

void VarArrayPut(Variant& A, const Variant& Value, std::initializer_list<Integer> Indices)
{
    ArrayOf(A).Put(Indices.begin(), static_cast<Integer>(Indices.size()), Value);
}

void* VarArrayLock(Variant& A) { return ArrayOf(A).Lock(); }
void VarArrayUnlock(Variant& A) { ArrayOf(A).Unlock(); }
void VarArrayRedim(Variant& A, Integer HighBound) { ArrayOf(A).Redim(HighBound); }
Integer VarArrayElementSize(const Variant& A) { return ArrayOf(A).ElementSize(); }
