#pragma once
// Variant: a tagged value of the run-time layer with the framework's type
// codes, conversions and comparison rules, plus variant arrays (safe arrays)
// of up to 16 dimensions.
//
// Conversion rules (As* members, VarAsType):
//  - Empty converts to 0, 0.0, false, "" and the date 0.
//  - Null converts to nothing but Null: every As* raises EVariantError
//    "Could not convert variant of type (Null) into type (Integer)" (the
//    target's name from VarTypeAsText). VarToStr/VarToStrDef give "" / the
//    default for Null instead.
//  - Booleans are -1 (true) and 0 as numbers and "True"/"False" as text.
//  - Texts become numbers through the current FormatSettings (decimal
//    separator ','), "True"/"False" (any case) become -1/0; an unreadable
//    text raises EVariantError "Could not convert variant of type (String)
//    into type (Double)".
//  - Floats become integers by rounding half to even; out-of-range values
//    raise EVariantError "Variant overflow".
//  - Numbers become text through IntToStr/FloatToStr/CurrToStr, dates
//    through DateTimeToStr; a Single as its shortest decimal that reads
//    back as the same Single.
//  - Arrays convert to no scalar type: the As* members raise the "Could not
//    convert" error, VarAsType "Invalid variant type conversion".
//
// Copying a variant copies its array (value semantics); a by-reference
// array variant (VarArrayRef) copies only the reference. A varString of up to
// 13 bytes is kept inside the variant; copies of a longer one share its text,
// which no variant changes in place.
#include "platform/rtl/System.h"

#include <initializer_list>
#include <string_view>
#include <vector>

using TVarType = Word;

enum : TVarType {
    varEmpty = 0x0000,
    varNull = 0x0001,
    varSmallint = 0x0002,
    varInteger = 0x0003,
    varSingle = 0x0004,
    varDouble = 0x0005,
    varCurrency = 0x0006,
    varDate = 0x0007,
    varOleStr = 0x0008,
    varDispatch = 0x0009,
    varError = 0x000A,
    varBoolean = 0x000B,
    varVariant = 0x000C,
    varUnknown = 0x000D,
    varShortInt = 0x0010,
    varByte = 0x0011,
    varWord = 0x0012,
    varLongWord = 0x0013,
    varInt64 = 0x0014,
    varString = 0x0100,
    varTypeMask = 0x0FFF,
    varArray = 0x2000,
    varByRef = 0x4000,
};

// Result of VarCompareValue.
enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

class Variant;

// A safe array: bounds per dimension and contiguous element data, the first
// index running fastest. Elements of varOleStr are stored as WideString
// objects and those of varVariant as Variant objects; every other element
// type as its plain binary value (Boolean as a 16-bit 0/-1 word, Currency as
// the scaled Int64, Date as a double).
class TVarArray {
public:
    static constexpr Integer MaxDims = 16;

    TVarArray(const std::vector<Integer>& Bounds, TVarType ElementType);  // (low, high) pairs
    TVarArray(const TVarArray& Other);
    TVarArray& operator=(const TVarArray&) = delete;
    ~TVarArray();

    Integer DimCount() const { return static_cast<Integer>(FLow.size()); }
    Integer LowBound(Integer Dim) const;   // Dim 1-based
    Integer HighBound(Integer Dim) const;  // Dim 1-based
    Integer ElementCount() const { return FCount; }
    TVarType ElementType() const { return FElementType; }
    Integer ElementSize() const { return FElementSize; }
    Integer LockCount() const { return FLockCount; }

    // Element access by one index per dimension; wrong count or an index
    // outside the bounds raises EVariantError "Variant or safe array index
    // out of bounds".
    Variant Get(const Integer* Indices, Integer Count) const;
    void Put(const Integer* Indices, Integer Count, const Variant& Value);

    void* Lock();    // the element data; counts the locks
    void Unlock();   // raises when not locked
    void* Data() { return FData; }
    const void* Data() const { return FData; }
    // New high bound of the last dimension; keeps the elements that remain,
    // new ones start empty/zero. Raises when locked.
    void Redim(Integer HighBound);

    // Element size of a type usable in arrays, 0 when the type cannot be an
    // array element (varEmpty, varNull, varString, varDispatch, varUnknown).
    static Integer ElementSizeOf(TVarType ElementType);

private:
    TVarArray(const TVarArray& Shape, int);  // same shape, no data
    Integer Offset(const Integer* Indices, Integer Count) const;
    void Allocate();
    void Release();

    TVarType FElementType;
    Integer FElementSize = 0;
    std::vector<Integer> FLow;
    std::vector<Integer> FLen;
    Integer FCount = 0;
    Integer FLockCount = 0;
    void* FData = nullptr;
};

class Variant {
public:
    Variant() noexcept : FType(varEmpty) { FValue.I64 = 0; }
    // A number, date, short text or the like is copied and dropped here, without a call.
    Variant(const Variant& Other) : FType(varEmpty) {
        FValue.I64 = 0;
        if (Other.HoldsData()) {
            CopyFrom(Other);
        } else {
            FType = Other.FType;
            FShort = Other.FShort;
            FValue = Other.FValue;
        }
    }
    Variant(Variant&& Other) noexcept : FType(Other.FType), FShort(Other.FShort), FValue(Other.FValue) {
        Other.FType = varEmpty;
        Other.FShort.Len = 0;
        Other.FValue.I64 = 0;
    }
    Variant& operator=(const Variant& Other);
    Variant& operator=(Variant&& Other) noexcept {
        if (this != &Other) {
            if (HoldsData()) Release();
            FType = Other.FType;
            FShort = Other.FShort;
            FValue = Other.FValue;
            Other.FType = varEmpty;
            Other.FShort.Len = 0;
            Other.FValue.I64 = 0;
        }
        return *this;
    }
    ~Variant() {
        if (HoldsData()) Release();
    }

    Variant(bool Value);
    Variant(ShortInt Value);        // varShortInt
    Variant(Byte Value);            // varByte
    Variant(SmallInt Value);        // varSmallint
    Variant(Word Value);            // varWord
    Variant(int Value);             // varInteger
    Variant(unsigned int Value);    // varLongWord
    Variant(long Value);            // varInt64
    Variant(long long Value);       // varInt64
    Variant(unsigned long) = delete;       // no unsigned 64-bit type: cast first
    Variant(unsigned long long) = delete;
    Variant(float Value);           // varSingle
    Variant(double Value) noexcept : FType(varDouble) { FValue.F64 = Value; }
    Variant(long double Value);     // varDouble
    Variant(Currency Value);        // varCurrency
    Variant(char Value);            // varString of one character
    Variant(const char* Value);     // varString; nullptr gives ""
    Variant(const AnsiString& Value);
    Variant(AnsiString&& Value);
    explicit Variant(std::string_view Value);  // varString of these bytes
    Variant(const WideString& Value);  // varOleStr
    Variant(const char16_t* Value);    // varOleStr
    Variant(const void*) = delete;     // no pointer variants

    static Variant Null();
    static Variant Unassigned();
    static Variant FromDateTime(TDateTime Value);   // varDate
    static Variant FromError(Integer Code);         // varError
    // Takes ownership of Arr; the variant's type is varArray | element type.
    static Variant FromArray(TVarArray* Arr);
    // Refers to Arr without owning it: varArray | varByRef | element type.
    static Variant FromArrayRef(TVarArray* Arr);

    TVarType VType() const { return FType; }
    bool IsNull() const { return FType == varNull; }
    bool IsEmpty() const { return FType == varEmpty; }
    bool IsArray() const { return (FType & varArray) != 0; }
    void Clear();  // back to Empty

    // The array behind the variant (also by reference), nullptr for scalars.
    TVarArray* ArrayPtr() const;

    Integer AsInteger() const;
    Int64 AsInt64() const;
    Double AsDouble() const;
    Currency AsCurrency() const;
    bool AsBoolean() const;
    AnsiString AsString() const;
    WideString AsWideString() const;
    TDateTime AsDateTime() const;
    Integer AsError() const;  // the code of a varError value
    // The text of a varString value held apart and shared by its copies;
    // nullptr for other types and for a short text kept inside the variant.
    const AnsiString* StringPtr() const noexcept;
    // The text of a varString value, valid while the variant is unchanged;
    // empty for other types.
    std::string_view StringView() const noexcept;

    // Element of a one-dimensional array (same errors as VarArrayGet).
    Variant operator[](Integer Index) const;

    // Framework comparison: numbers numerically across types (a Currency
    // against a Single or Double as the double it reads as), texts by
    // the string compare, Booleans false < true, a text against a number
    // converted to the number; Null equals Null and is below every other
    // value, Empty counts as 0 or "" against a number or text.
    // Values that cannot be compared raise EVariantError.
    friend bool operator==(const Variant& A, const Variant& B);
    friend bool operator<(const Variant& A, const Variant& B);
    friend bool operator>(const Variant& A, const Variant& B) { return B < A; }
    friend bool operator<=(const Variant& A, const Variant& B) { return !(B < A); }
    friend bool operator>=(const Variant& A, const Variant& B) { return !(A < B); }

    // Arithmetic as the filter expressions use it: Null in, Null out; Empty
    // as 0 (or "" for +); text + text concatenates, a text against a number
    // is converted to a number; integers widen to Int64 on overflow; / always
    // gives a double; Mod works on integers. Division by zero raises
    // EVariantError "Division by zero".
    friend Variant operator+(const Variant& A, const Variant& B);
    friend Variant operator-(const Variant& A, const Variant& B);
    friend Variant operator*(const Variant& A, const Variant& B);
    friend Variant operator/(const Variant& A, const Variant& B);
    friend Variant operator%(const Variant& A, const Variant& B);  // Mod
    Variant operator-() const;

private:
    friend class TVarArray;
    struct TSharedText;
    // A long text or an array: copied and freed out of line.
    bool HoldsData() const noexcept {
        // The type decides first: a value just built is not read back as a
        // wider word than was written (that stalls the store).
        return (FType == varString || FType == varOleStr || (FType & varArray) != 0) && FShort.Len == 0;
    }
    void Release() noexcept;
    void CopyFrom(const Variant& Other);
    void SetText(std::string_view Text);

    // A short text fills the bytes from Head on through FValue; Len is its
    // length + 1, 0 for every other value.
    static constexpr size_t ShortTextMax = 13;
    struct TShort {
        unsigned char Len;
        char Head[5];
    };
    char* ShortText() noexcept { return reinterpret_cast<char*>(this) + ShortTextOffset; }
    const char* ShortText() const noexcept { return reinterpret_cast<const char*>(this) + ShortTextOffset; }
    static constexpr size_t ShortTextOffset = sizeof(TVarType) + 1;

    TVarType FType;
    TShort FShort{};
    union {
        SmallInt I16;
        Integer I32;
        Int64 I64;
        Single F32;
        Double F64;
        bool Bool;
        TSharedText* Str;
        WideString* WStr;
        TVarArray* Arr;
    } FValue;
};

// Free forms of the factories.
Variant Null();
Variant Unassigned();
Variant VarFromDateTime(TDateTime Value);

TVarType VarType(const Variant& V);
bool VarIsNull(const Variant& V);
bool VarIsEmpty(const Variant& V);
bool VarIsClear(const Variant& V);     // Empty (or an Empty by-reference value)
bool VarIsArray(const Variant& V);
bool VarIsOrdinal(const Variant& V);   // integer types and Boolean
bool VarIsFloat(const Variant& V);     // Single, Double, Currency
bool VarIsNumeric(const Variant& V);   // ordinal or float
bool VarIsStr(const Variant& V);       // varString or varOleStr
bool VarIsType(const Variant& V, TVarType AVarType);
bool VarIsType(const Variant& V, std::initializer_list<TVarType> Types);

// Type name as in the conversion messages ("Integer", "String", "Array Variant").
AnsiString VarTypeAsText(TVarType AVarType);

AnsiString VarToStr(const Variant& V);                                  // Null gives ""
AnsiString VarToStrDef(const Variant& V, const AnsiString& ADefault);  // Null gives ADefault
WideString VarToWideStr(const Variant& V);                               // Null gives u""
// The value converted to AVarType (a scalar type, varEmpty or varNull).
Variant VarAsType(const Variant& V, TVarType AVarType);
// vrEqual / vrLessThan / vrGreaterThan; vrNotEqual when exactly one is Null.
// Raises like the comparison operators.
TVariantRelationship VarCompareValue(const Variant& A, const Variant& B);

// ---- variant arrays -------------------------------------------------------

// Bounds as (low, high) pairs, one per dimension (1..16). An odd count, too
// many dimensions, a type that cannot be an element or high < low - 1 raise
// EVariantError "Error creating variant or safe array".
Variant VarArrayCreate(const std::vector<Integer>& Bounds, TVarType ElementType);
Variant VarArrayCreate(std::initializer_list<Integer> Bounds, TVarType ElementType);
// One-dimensional array of variants, indexes 0..n-1.
Variant VarArrayOf(std::initializer_list<Variant> Values);
Variant VarArrayOf(const std::vector<Variant>& Values);
// A variant referring to the array of A (A must outlive it).
Variant VarArrayRef(const Variant& A);

// These raise EVariantError "Invalid variant argument" for non-arrays and
// "Variant or safe array index out of bounds" for a bad dimension or index.
Integer VarArrayDimCount(const Variant& A);  // 0 for a non-array
Integer VarArrayLowBound(const Variant& A, Integer Dim);
Integer VarArrayHighBound(const Variant& A, Integer Dim);
Variant VarArrayGet(const Variant& A, const std::vector<Integer>& Indices);
Variant VarArrayGet(const Variant& A, std::initializer_list<Integer> Indices);
void VarArrayPut(Variant& A, const Variant& Value, const std::vector<Integer>& Indices);
void VarArrayPut(Variant& A, const Variant& Value, std::initializer_list<Integer> Indices);
void* VarArrayLock(Variant& A);
void VarArrayUnlock(Variant& A);
// Changes the high bound of the last dimension; raises
// "Variant or safe array is locked" while locked.
void VarArrayRedim(Variant& A, Integer HighBound);
Integer VarArrayElementSize(const Variant& A);  // bytes per element of A's data
