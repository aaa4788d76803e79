#pragma once
// Array columns: TpFBArray holds the client's array descriptor of one ARRAY
// column and moves whole arrays between the server (slices) and variant
// arrays whose bounds are the column's.
#include "dbclient/IB_Intf.h"
#include "platform/data/DB.h"
#include "platform/rtl/Variants.h"

class TFBXSQLVAR;

// Bytes of the whole slice a descriptor describes (VARCHAR elements carry a
// 2-byte length each, and the slice 2 more).
Integer ArraySliceSize(const ISC_ARRAY_DESC& Desc);
// The field type of an element type code of the client; ftUnknown for others.
TFieldType ArrayElementFieldType(Integer ElementType);

class TpFBArray : public TObject {
public:
    // Reads the column's descriptor (isc_array_lookup_bounds); client errors raise.
    TpFBArray(IIBClientLibrary* ClientLibrary, const AnsiString& TableName, const AnsiString& ColumnName,
              isc_db_handle* DBHandle, isc_tr_handle* TRHandle, TFBXSQLVAR* Owner);

    TFieldType FieldType() const { return FFieldType; }
    const AnsiString& TableName() const { return FTableName; }
    const AnsiString& ColumnName() const { return FColumnName; }
    TFBXSQLVAR* Owner() const { return FOwner; }
    const ISC_ARRAY_DESC& Descriptor() const { return FDesc; }
    Integer DimensionCount() const { return FDesc.array_desc_dimensions; }
    // Decimals: the descriptor's scale negated.
    Integer Scale() const { return -FDesc.array_desc_scale; }
    // Error 60 outside 0..DimensionCount-1.
    ISC_ARRAY_BOUND DimensionBounds(Integer Index) const;
    Integer SliceSize() const { return ArraySliceSize(FDesc); }

    // The whole array as a variant array of variants with the column's bounds.
    Variant GetArrayValues(const ISC_QUAD& ArrayID, isc_db_handle* DBHandle, isc_tr_handle* TRHandle);
    // Writes Value as a whole new array; ArrayID (whatever it held) gets the new id. Error 60 when
    // Value has more dimensions than the column.
    void PutArrayValues(const Variant& Value, ISC_QUAD& ArrayID, isc_db_handle* DBHandle, isc_tr_handle* TRHandle);

private:
    AnsiString FullName() const { return FTableName + "." + FColumnName; }

    IIBClientLibrary* FClientLibrary;
    TFBXSQLVAR* FOwner;
    TFieldType FFieldType = ftUnknown;
    AnsiString FTableName;
    AnsiString FColumnName;
    ISC_ARRAY_DESC FDesc{};
};
