#pragma once
// Descriptor areas of a statement: TFBXSQLDA owns one client descriptor block
// (parameters or result columns) and one TFBXSQLVAR per entry; TFBXSQLVAR reads
// and writes one entry with the conversions between the server's SQL types and
// the program's integers, floats, currency, dates and strings.
//
// Blob contents travel through TFBBlobStream (a BLOB column reads as its whole
// text; a long text or a BLOB entry is written as a new blob), array contents
// through the entry's TpFBArray.
#include <map>
#include <memory>
#include <vector>

#include "dbclient/IB_Intf.h"
#include "dbclient/StdFuncs.h"
#include "platform/rtl/Guid.h"
#include "platform/rtl/Variants.h"

class TFBDatabase;
class TFBQuery;
class TFBTransaction;
class TFBXSQLDA;
class TStream;
class TpFBArray;

// SQL type codes of the client (sqltype with bit 0 cleared).
inline constexpr Integer SQLTypeVarying = 448;
inline constexpr Integer SQLTypeText = 452;
inline constexpr Integer SQLTypeDouble = 480;
inline constexpr Integer SQLTypeFloat = 482;
inline constexpr Integer SQLTypeLong = 496;
inline constexpr Integer SQLTypeShort = 500;
inline constexpr Integer SQLTypeTimestamp = 510;
inline constexpr Integer SQLTypeBlob = 520;
inline constexpr Integer SQLTypeDFloat = 530;
inline constexpr Integer SQLTypeArray = 540;
inline constexpr Integer SQLTypeQuad = 550;
inline constexpr Integer SQLTypeTime = 560;
inline constexpr Integer SQLTypeDate = 570;
inline constexpr Integer SQLTypeInt64 = 580;
inline constexpr Integer SQLTypeBoolean = SQL_BOOLEAN;   // the client's own code, one byte
inline constexpr Integer SQLTypeNull = SQL_NULL;         // "? IS NULL" markers

// Day numbers of the client count from 1858-11-17.
inline constexpr Integer ClientDayToDateTimeDelta = 15018;   // client day - this = TDateTime day
inline constexpr Integer TimeStampDayToClientDelta = 678576; // time-stamp day - this = client day
inline constexpr Integer ClientTimeTicksPerDay = 864000000;  // 1/10000 s

class TFBXSQLVAR : public TObject {
public:
    TFBXSQLVAR(TFBXSQLDA* AParent, TFBQuery* AQuery, Integer AIndex);
    ~TFBXSQLVAR() override;

    Integer Index() const { return FIndex; }
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }
    const AnsiString& Name() const { return FName; }
    TFBXSQLDA* Parent() const { return FParent; }
    TFBQuery* Query() const { return FQuery; }

    // ---- typed reads (a null value reads as the type's empty value)
    AnsiString AsString() const;
    Integer AsInteger() const;
    Integer AsLong() const { return AsInteger(); }
    SmallInt AsShort() const { return static_cast<SmallInt>(AsInteger()); }
    Int64 AsInt64() const;
    Int64 AsComp() const;
    Currency AsCurrency() const;
    TBcd AsBcd() const;
    Double AsDouble() const { return static_cast<Double>(AsExtended()); }
    Single AsFloat() const { return static_cast<Single>(AsExtended()); }
    Extended AsExtended() const;
    TDateTime AsDate() const { return AsDateTime(); }
    TDateTime AsTime() const { return AsDateTime(); }
    TDateTime AsDateTime() const;
    bool AsBoolean() const;
    ISC_QUAD AsQuad() const;
    TGUID AsGuid() const;
    WideString AsWideString() const;
    Variant Value() const;
    XSQLVAR* AsXSQLVAR() const { return FXSQLVAR; }

    // ---- typed writes (to every entry of the area with this name)
    void SetAsString(const AnsiString& Value);
    void SetAsInteger(Integer Value);
    void SetAsLong(Integer Value) { SetAsInteger(Value); }
    void SetAsShort(SmallInt Value);
    void SetAsInt64(Int64 Value);
    void SetAsComp(Int64 Value) { SetAsInt64(Value); }
    void SetAsCurrency(Currency Value);
    void SetAsBcd(const TBcd& Value);
    void SetAsDouble(Double Value);
    void SetAsFloat(Single Value) { SetAsDouble(Value); }
    void SetAsExtended(Extended Value);
    void SetAsDate(TDateTime Value);
    void SetAsTime(TDateTime Value);
    void SetAsDateTime(TDateTime Value);
    void SetAsBoolean(bool Value);
    void SetAsQuad(const ISC_QUAD& Value);
    void SetAsGuid(const TGUID& Value);
    void SetAsWideString(const WideString& Value);
    void SetValue(const Variant& Value);
    // Copies a whole entry: type, scale, length, data and null indicator.
    void SetAsXSQLVAR(const XSQLVAR* Value);

    // ---- state
    bool IsNull() const;
    void SetIsNull(bool Value);
    bool IsNullable() const;
    void SetIsNullable(bool Value);
    void Clear() { SetIsNull(true); }
    Integer SQLType() const { return FXSQLVAR->sqltype & ~1; }
    Integer SQLScale() const { return FXSQLVAR->sqlscale; }
    Integer SQLSubtype() const { return FXSQLVAR->sqlsubtype; }
    Integer DataLength() const { return FXSQLVAR->sqllen; }
    AnsiString SQLName() const;      // the column name; empty for parameters
    AnsiString RelationName() const;
    bool IsBlob() const { return SQLType() == SQLTypeBlob; }
    bool IsArray() const { return SQLType() == SQLTypeArray; }
    bool IsBlobOrArray() const { return IsBlob() || IsArray(); }
    // The type a written value is judged by: for a parameter, what the server
    // described for the same name in the rewritten text, else its own type.
    Integer EffectiveType() const;

    // One entry from another one (possibly of another statement).
    void Assign(TFBXSQLVAR* Source);
    // The stream from its start into a new blob; its id becomes the value.
    void LoadFromStream(TStream* Stream);
    // The value's bytes (a BLOB column's whole content) written to Stream.
    void SaveToStream(TStream* Stream);
    // The array of an ARRAY column (made on first need); null for other entries.
    TpFBArray* Array();
    // Bytes of the whole array slice; 0 without an array.
    Integer SliceSize();
    // The whole array as a variant array (Null when the value is null).
    Variant ArrayValue();
    // Writes a variant array as the whole array; error 59 for a non-array entry.
    void SetArrayValue(const Variant& Value);

    // ---- preprocessing details (macros, null rewriting)
    bool IsMacro() const { return FIsMacro; }
    bool MacroQuoted() const { return FMacroQuoted; }
    const AnsiString& MacroDefault() const { return FMacroDefault; }
    bool InWhere() const { return FInWhere; }
    bool Standalone() const { return FStandalone; }
    bool Changed() const { return FChanged; }
    Integer StartPos() const { return FStartPos; }
    Integer EndPos() const { return FEndPos; }
    // The value last written into the statement text or saved after execution.
    const Variant& RememberedValue() const { return FRemembered; }
    void SetRememberedValue(const Variant& Value) { FRemembered = Value; }
    Integer DescribedType() const { return FDescribedType; }

private:
    friend class TFBXSQLDA;
    friend class TFBQuery;

    enum TWriteOp { woSetNull, woSetNullable, woSetScale, woSetData, woCopy };
    struct TWrite {
        TWriteOp Op;
        bool Flag = false;
        Integer Type = 0;
        Integer Scale = 0;
        const void* Data = nullptr;
        Integer Length = 0;
        const XSQLVAR* Source = nullptr;
    };
    // Applies Op to every entry of the area named like this one.
    void Apply(const TWrite& W);
    void ApplyOne(const TWrite& W);
    void SetData(Integer Type, const void* Data, Integer Length, Integer Scale = 0);
    void AfterWrite();
    void AllocData(Integer Size);
    void AllocIndicator();
    Integer Dialect() const;
    bool IsParamsArea() const;
    // The blob's whole content, read in the statement's transaction.
    AnsiString ReadBlobContent(const ISC_QUAD& Id, Integer SubType) const;
    // Data as a new blob in the statement's transaction; returns its id.
    ISC_QUAD WriteBlobContent(const AnsiString& Data, Integer SubType);
    void StartTransactionIfAsked() const;
    // The statement's connection and active transaction; errors 21, 22 and 15 when it has none.
    void CheckArrayLinks(TFBDatabase*& Db, TFBTransaction*& Tr) const;
    bool TargetIsBlob() const;
    Int64 RawInteger() const;       // SMALLINT / INTEGER / INT64 value unscaled
    bool IsIntegerType(Integer T) const {
        return T == SQLTypeShort || T == SQLTypeLong || T == SQLTypeInt64;
    }
    AnsiString RawText() const;     // CHAR / VARCHAR bytes
    AnsiString RawBytes() const;    // text bytes, or the value's own bytes for other types

    Integer FIndex;
    bool FModified = false;
    AnsiString FName;
    TFBQuery* FQuery;
    XSQLVAR* FXSQLVAR = nullptr;
    TFBXSQLDA* FParent;
    bool FIsMacro = false;
    bool FMacroQuoted = false;
    Variant FRemembered;
    AnsiString FMacroDefault;
    Integer FDescribedType = 0;
    bool FInWhere = false;
    bool FStandalone = false;
    bool FChanged = false;
    Integer FStartPos = 0;
    Integer FEndPos = 0;
    std::unique_ptr<TpFBArray> FArray;
};

class TFBXSQLDA : public TObject {
public:
    TFBXSQLDA(TFBQuery* AQuery, bool AIsParams);
    ~TFBXSQLDA() override;

    Integer Count() const { return FCount; }
    // Resizes; the block never shrinks, the name lists are emptied.
    void SetCount(Integer Value);
    // Error 23 outside 0..Count-1.
    TFBXSQLVAR* Vars(Integer Index) const;
    // Entry by name (cache, then the normalised name); a parameter area of a
    // statement also looks in the rewritten text's input area. Null if absent.
    TFBXSQLVAR* ByName(const AnsiString& Name);
    TFBXSQLVAR* FindVar(const AnsiString& Name) { return ByName(Name); }
    // Entry by name in this area only.
    TFBXSQLVAR* LocalByName(const AnsiString& Name);
    // After a describe: types, names, data and indicator buffers.
    void Initialize();
    // Values from Source entry by entry for equal names.
    void AssignValues(TFBXSQLDA* Source);
    void SetAllNull();
    void ClearModified();
    XSQLDA* AsXSQLDA() const { return FBlock; }
    bool IsParams() const { return FIsParams; }
    TFBQuery* Query() const { return FQuery; }

    // Registers Name for entry Index (names of parameter areas come from the
    // statement text; a repeated name is reachable through every entry).
    void RegisterName(Integer Index, const AnsiString& Name);
    // The name normalised as the statement's dialect stores it.
    AnsiString NormalizeName(const AnsiString& Name) const;
    // Every entry registered under the normalised Name.
    std::vector<TFBXSQLVAR*> EntriesNamed(const AnsiString& NormName) const;
    bool IsRepeatedName(const AnsiString& NormName) const;

private:
    void ClearNames();

    std::map<AnsiString, Integer> FRepeated;          // normalised name -> occurrences (> 1)
    std::map<AnsiString, TFBXSQLVAR*> FCache;         // names as asked
    Integer FCount = 0;
    std::multimap<AnsiString, Integer> FNames;        // normalised name -> index
    TFBQuery* FQuery;
    Integer FAllocated = 0;
    XSQLDA* FBlock = nullptr;
    std::vector<std::unique_ptr<TFBXSQLVAR>> FVars;
    bool FIsParams;
};
