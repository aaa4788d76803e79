#include "dbclient/pFBArray.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "dbclient/FBMessages.h"
#include "dbclient/FBXSQLDA.h"
#include "dbclient/VariantRtn.h"

namespace {

constexpr Integer ElemShort = 7, ElemLong = 8, ElemFloat = 10, ElemDFloat = 11, ElemDate = 12, ElemTime = 13,
                  ElemText = 14, ElemInt64 = 16, ElemDouble = 27, ElemTimestamp = 35, ElemVarying = 37;

Integer ElementSize(const ISC_ARRAY_DESC& D) {
    return D.array_desc_length + (D.array_desc_dtype == ElemVarying ? 2 : 0);
}

void CopyName(ISC_SCHAR* Dest, size_t Max, const AnsiString& Name) {
    std::memset(Dest, 0, Max);
    std::memcpy(Dest, Name.data(), std::min(Name.size(), Max - 1));
}

TDateTime TimeFromTicks(ISC_TIME Ticks) {
    const Int64 ms = static_cast<Int64>(Ticks / 10000) * 1000 + (Ticks % 10000) / 10;
    return static_cast<TDateTime>(ms) / 86400000.0;
}

ISC_TIMESTAMP StampOf(TDateTime Value) {
    const TTimeStamp ts = DateTimeToTimeStamp(Value);
    ISC_TIMESTAMP r;
    r.timestamp_date = ts.Date - TimeStampDayToClientDelta;
    r.timestamp_time = static_cast<ISC_TIME>(ts.Time) * 10u;
    return r;
}

template <typename T>
T Load(const char* P) {
    T v;
    std::memcpy(&v, P, sizeof(T));
    return v;
}

template <typename T>
void Store(char* P, T V) {
    std::memcpy(P, &V, sizeof(T));
}

// An exact number held as an integer count of 10^Scale units (NUMERIC and DECIMAL elements).
Double Unscaled(Int64 Stored, Integer Scale) {
    return static_cast<Double>(static_cast<long double>(Stored) * std::pow(10.0L, static_cast<long double>(Scale)));
}

// Value in 10^-Decimals units, rounded; error 33 when it does not fit between Low and High.
Int64 Scaled(Double Value, Integer Decimals, long double Low, long double High) {
    const long double v = std::roundl(static_cast<long double>(Value) * std::pow(10.0L, static_cast<long double>(Decimals)));
    if (!(v >= Low && v <= High)) FBError(33);
    return static_cast<Int64>(v);
}

}  // namespace

Integer ArraySliceSize(const ISC_ARRAY_DESC& Desc) {
    Int64 count = 1;
    for (Integer i = 0; i < Desc.array_desc_dimensions && i < 16; ++i)
        count *= Desc.array_desc_bounds[i].array_bound_upper - Desc.array_desc_bounds[i].array_bound_lower + 1;
    return static_cast<Integer>(ElementSize(Desc) * count + (Desc.array_desc_dtype == ElemVarying ? 2 : 0));
}

TFieldType ArrayElementFieldType(Integer ElementType) {
    switch (ElementType) {
        case ElemShort: return ftSmallint;
        case ElemLong: return ftInteger;
        case ElemFloat: case ElemDFloat: case ElemDouble: return ftFloat;
        case ElemDate: return ftDate;
        case ElemTime: return ftTime;
        case ElemText: case ElemVarying: return ftString;
        case ElemInt64: return ftBCD;
        case ElemTimestamp: return ftDateTime;
        default: return ftUnknown;
    }
}

TpFBArray::TpFBArray(IIBClientLibrary* ClientLibrary, const AnsiString& TableName, const AnsiString& ColumnName,
                     isc_db_handle* DBHandle, isc_tr_handle* TRHandle, TFBXSQLVAR* Owner)
    : FClientLibrary(ClientLibrary), FOwner(Owner), FTableName(TableName), FColumnName(ColumnName) {
    ISC_SCHAR table[32], column[32];
    CopyName(table, sizeof(table), TableName);
    CopyName(column, sizeof(column), ColumnName);
    if (FClientLibrary->isc_array_lookup_bounds(StatusVector(), DBHandle, TRHandle, table, column, &FDesc) > 0)
        IBError(FClientLibrary, nullptr);
    if (FDesc.array_desc_dimensions < 0 || FDesc.array_desc_dimensions > 16) 
        FBError(60, {Integer(FDesc.array_desc_dimensions), FullName()});
    FFieldType = ArrayElementFieldType(FDesc.array_desc_dtype);
}

ISC_ARRAY_BOUND TpFBArray::DimensionBounds(Integer Index) const {
    if (Index < 0 || Index >= DimensionCount()) FBError(60, {Index, FullName()});
    return FDesc.array_desc_bounds[Index];
}

Variant TpFBArray::GetArrayValues(const ISC_QUAD& ArrayID, isc_db_handle* DBHandle, isc_tr_handle* TRHandle) {
    const Integer dims = DimensionCount();
    std::vector<Integer> bounds;
    for (Integer i = 0; i < dims; ++i) {
        bounds.push_back(FDesc.array_desc_bounds[i].array_bound_lower);
        bounds.push_back(FDesc.array_desc_bounds[i].array_bound_upper);
    }
    Variant result;
    CreateVarArray(bounds, varVariant, result, dims);

    const Integer size = SliceSize();
    std::vector<char> buf(static_cast<size_t>(size) + 1, '\0');
    ISC_QUAD id = ArrayID;
    ISC_LONG len = size;
    ISC_ARRAY_DESC desc = FDesc;
    if (FClientLibrary->isc_array_get_slice(StatusVector(), DBHandle, TRHandle, &id, &desc, buf.data(), &len) > 0)
        IBError(FClientLibrary, nullptr);
    if (len == 0) return result;   // an empty slice leaves every element unassigned

    const Integer elem = ElementSize(FDesc);
    const Integer scale = FDesc.array_desc_scale;
    const Integer dtype = FDesc.array_desc_dtype;
    Integer k = 0;
    ModifyVarArrayElements(result, [&](const Variant&, const TVarArrayIndex&, Variant& NewValue, bool& Continue) {
        const Int64 offset = static_cast<Int64>(k++) * elem;
        if (offset + elem > size) {
            Continue = false;
            return;
        }
        const char* p = buf.data() + offset;
        switch (FFieldType) {
            case ftString:
                if (dtype == ElemVarying) {
                    // The client exchanges VARCHAR elements as zero-terminated
                    // text, not with a length word in front.
                    NewValue = Variant(AnsiString(p, strnlen(p, static_cast<size_t>(elem))));
                } else {
                    // CHAR elements come back blank-padded; the padding is not part of the value.
                    AnsiString s(p, strnlen(p, static_cast<size_t>(FDesc.array_desc_length)));
                    while (!s.empty() && s.back() == ' ') s.pop_back();
                    NewValue = Variant(s);
                }
                break;
            // A scaled SMALLINT or INTEGER (NUMERIC(4,1), NUMERIC(9,2)) keeps its decimals.
            case ftSmallint:
                NewValue = scale ? Variant(Unscaled(Load<ISC_SHORT>(p), scale))
                                 : Variant(static_cast<Integer>(Load<ISC_SHORT>(p)));
                break;
            case ftInteger:
                NewValue = scale ? Variant(Unscaled(Load<ISC_LONG>(p), scale))
                                 : Variant(static_cast<Integer>(Load<ISC_LONG>(p)));
                break;
            case ftFloat:
                NewValue = Variant(dtype == ElemFloat ? static_cast<Double>(Load<float>(p)) : Load<double>(p));
                break;
            case ftBCD: NewValue = Variant(Unscaled(Load<ISC_INT64>(p), scale)); break;
            case ftDate:
                NewValue = Variant::FromDateTime(static_cast<TDateTime>(Load<ISC_DATE>(p) - ClientDayToDateTimeDelta));
                break;
            case ftTime: NewValue = Variant::FromDateTime(TimeFromTicks(Load<ISC_TIME>(p))); break;
            case ftDateTime: {
                const auto st = Load<ISC_TIMESTAMP>(p);
                const TDateTime day = static_cast<TDateTime>(st.timestamp_date - ClientDayToDateTimeDelta);
                const TDateTime time = TimeFromTicks(st.timestamp_time);
                NewValue = Variant::FromDateTime(day >= 0 ? day + time : day - time);
                break;
            }
            default: NewValue = Variant(); break;
        }
    });
    return result;
}

void TpFBArray::PutArrayValues(const Variant& Value, ISC_QUAD& ArrayID, isc_db_handle* DBHandle,
                               isc_tr_handle* TRHandle) {
    if (Value.IsArray() && VarArrayDimCount(Value) > DimensionCount())
        FBError(60, {VarArrayDimCount(Value), FullName()});
    const Integer size = SliceSize();
    std::vector<char> buf(static_cast<size_t>(size) + 1, '\0');
    const Integer elem = ElementSize(FDesc);
    const Integer dtype = FDesc.array_desc_dtype;
    const Integer decimals = Scale();
    Integer k = 0;
    if (Value.IsArray()) {
        ForEachVarArrayElement(Value, [&](const Variant& E, const TVarArrayIndex&, Integer, bool& Continue) {
            const Int64 offset = static_cast<Int64>(k++) * elem;
            if (offset + elem > size) {   // a larger variant array never writes past the slice
                Continue = false;
                return;
            }
            char* p = buf.data() + offset;
            if (E.IsEmpty()) return;
            const bool null = E.IsNull();
            switch (FFieldType) {
                case ftString: {
                    AnsiString s = null ? AnsiString() : VarToStr(E);
                    const auto max = static_cast<size_t>(FDesc.array_desc_length);
                    if (s.size() > max) s.resize(max);
                    if (dtype == ElemVarying) {
                        // Zero-terminated; an inner zero byte would end the value there.
                        std::memcpy(p, s.data(), s.size());
                        p[s.size()] = '\0';
                    } else {
                        std::memset(p, ' ', max);
                        std::memcpy(p, s.data(), s.size());
                    }
                    break;
                }
                case ftSmallint: {
                    const Int64 v = null ? 0 : decimals ? Scaled(E.AsDouble(), decimals, -32768.0L, 32767.0L)
                                                        : E.AsInteger();
                    if (v < -32768 || v > 32767) FBError(33);   // never wrapped round into another number
                    Store<ISC_SHORT>(p, static_cast<ISC_SHORT>(v));
                    break;
                }
                case ftInteger:
                    Store<ISC_LONG>(p, static_cast<ISC_LONG>(
                                           null ? 0 : decimals ? Scaled(E.AsDouble(), decimals, -2147483648.0L, 2147483647.0L)
                                                               : E.AsInteger()));
                    break;
                case ftFloat:
                    if (dtype == ElemFloat) Store<float>(p, null ? 0.0f : static_cast<float>(E.AsDouble()));
                    else Store<double>(p, null ? 0.0 : E.AsDouble());
                    break;
                case ftBCD:
                    if (!null) Store<ISC_INT64>(p, Scaled(E.AsDouble(), decimals, -9.2e18L, 9.2e18L));
                    break;
                // A null date or time stays zero bytes.
                case ftDate:
                    if (!null) Store<ISC_DATE>(p, StampOf(E.AsDateTime()).timestamp_date);
                    break;
                case ftTime:
                    if (!null) Store<ISC_TIME>(p, StampOf(E.AsDateTime()).timestamp_time);
                    break;
                case ftDateTime:
                    if (!null) Store<ISC_TIMESTAMP>(p, StampOf(E.AsDateTime()));
                    break;
                default: break;
            }
        });
    }
    ISC_LONG len = size;
    ISC_ARRAY_DESC desc = FDesc;
    // The whole array is written, so it always starts from a new id: the server refuses the id of an
    // array already stored in a row. The caller's id changes only once the write succeeded.
    ISC_QUAD fresh{};
    if (FClientLibrary->isc_array_put_slice(StatusVector(), DBHandle, TRHandle, &fresh, &desc, buf.data(), &len) > 0)
        IBError(FClientLibrary, nullptr);
    ArrayID = fresh;
}
