#pragma once
// What a data set offers a provider that exports it: its parameters, key
// fields and table, its transaction, and the statements that apply one
// record of a delta of changes.
#include <memory>
#include <vector>

#include "platform/data/DB.h"

class TParam : public TObject {
public:
    TParam(const AnsiString& Name, TFieldType DataType) : FName(Name), FDataType(DataType) {}
    const AnsiString& Name() const { return FName; }
    TFieldType DataType() const { return FDataType; }
    void SetDataType(TFieldType Value) { FDataType = Value; }
    const Variant& Value() const { return FValue; }
    void SetValue(const Variant& Value) { FValue = Value; }
    bool IsNull() const { return VarIsNull(FValue) || VarIsEmpty(FValue); }

private:
    AnsiString FName;
    TFieldType FDataType;
    Variant FValue;
};

class TParams : public TObject {
public:
    Integer Count() const { return static_cast<Integer>(FItems.size()); }
    TParam* Items(Integer Index) const { return FItems.at(static_cast<size_t>(Index)).get(); }
    TParam* CreateParam(TFieldType DataType, const AnsiString& Name);
    // Names compare without regard to case; nullptr when there is none.
    TParam* FindParam(const AnsiString& Name) const;
    // EDatabaseError "Parameter 'Name' not found" when there is none.
    TParam* ParamByName(const AnsiString& Name) const;
    void Clear() { FItems.clear(); }

private:
    std::vector<std::unique_ptr<TParam>> FItems;
};

// A record a provider could not apply: the message, the server's error code
// and the code of the error before it.
class EUpdateError : public EDatabaseError {
public:
    EUpdateError(const AnsiString& Message, const AnsiString& Context, Integer ErrorCode, Integer PreviousError)
        : EDatabaseError(Message), FContext(Context), FErrorCode(ErrorCode), FPreviousError(PreviousError) {}
    const AnsiString& Context() const { return FContext; }
    Integer ErrorCode() const { return FErrorCode; }
    Integer PreviousError() const { return FPreviousError; }

private:
    AnsiString FContext;
    Integer FErrorCode;
    Integer FPreviousError;
};

class IProviderSupport {
public:
    virtual ~IProviderSupport() = default;
    virtual void PSEndTransaction(bool Commit) = 0;
    virtual void PSExecute() = 0;
    // "?" marks in SQL take Params in order. With ResultSet the caller receives
    // (and owns) a data set opened on the statement. Returns the rows read or affected.
    virtual Integer PSExecuteStatement(const AnsiString& SQL, TParams* Params, TDataSet** ResultSet = nullptr) = 0;
    virtual AnsiString PSGetKeyFields() = 0;
    virtual TParams* PSGetParams() = 0;
    virtual AnsiString PSGetQuoteChar() = 0;
    virtual AnsiString PSGetTableName() = 0;
    virtual std::unique_ptr<EUpdateError> PSGetUpdateException(const std::exception& E, EUpdateError* Prev) = 0;
    virtual bool PSInTransaction() = 0;
    virtual bool PSIsSQLBased() = 0;
    virtual bool PSIsSQLSupported() = 0;
    virtual void PSReset() = 0;
    virtual void PSSetCommandText(const AnsiString& CommandText) = 0;
    virtual void PSSetParams(TParams* Params) = 0;
    virtual void PSStartTransaction() = 0;
    // Applies one record of Delta; false when nothing could (no statement for the kind).
    virtual bool PSUpdateRecord(TUpdateKind UpdateKind, TDataSet* Delta) = 0;
};
