#pragma once
// The generic data-set protocol: TDataSet with its record-buffer window, fields and their
// classes, field definitions, data sources and data links, and EDatabaseError.
//
// Record buffers are raw blocks (TRecordBuffer) that a concrete data set allocates and fills;
// fields move values between a record and their native value buffers:
//   ftString/ftFixedChar/ftGuid  char[Size + 1], zero-terminated (CP1254 bytes)
//   ftWideString                 WideChar[Size + 1], zero-terminated
//   ftSmallint, ftBoolean        16-bit integer (Boolean: 0 / non-zero)
//   ftWord                       unsigned 16-bit;   ftInteger, ftAutoInc: 32-bit
//   ftLargeint                   64-bit;            ftFloat, ftCurrency: double
//   ftBCD                        Currency (64-bit integer scaled by 10,000)
//   ftDate                       32-bit day number, 1 = 0001-01-01 (TTimeStamp.Date)
//   ftTime                       32-bit milliseconds since midnight
//   ftDateTime                   double, milliseconds since 0001-01-01 less one day
//                                (TimeStampToMSecs); non-native reads give TDateTime
//   ftBytes/ftVarBytes           Size bytes / a 16-bit length followed by Size bytes
//
// Text of values (AsString), which transfer files and spreadsheets read:
//   - a float, currency or BCD field reads as FloatToStr / CurrToStr with the current
//     FormatSettings, so the Turkish settings give a decimal comma ("1234,5") and no
//     thousands separator; DisplayFormat only affects DisplayText, never AsString.
//   - a date field reads as ShortDateFormat ("dd.mm.yyyy"), a time field as LongTimeFormat,
//     a date-time field as DateTimeToStr (the date, then the long time unless midnight).
//   - a null value of any field reads as "".
#include "platform/rtl/Classes.h"
#include "platform/rtl/Guid.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Variants.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

class TDataSet;
class TField;
class TFields;
class TFieldDef;
class TFieldDefs;
class TDataSource;
class TDataLink;

// ---------------------------------------------------------------------------------------------
// Errors and messages of the data-set layer.

class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// Raises EDatabaseError; with a component the message starts with "Name: ".
[[noreturn]] void DatabaseError(const AnsiString& Message, TComponent* Component = nullptr);
[[noreturn]] void DatabaseErrorFmt(const AnsiString& Message, std::initializer_list<TVarRec> Args,
                                   TComponent* Component = nullptr);

inline constexpr const char* SFieldNotFound = "Field '%s' not found";
inline constexpr const char* SFieldRequired = "Field '%s' must have a value";
inline constexpr const char* SFieldReadOnly = "Field '%s' cannot be modified";
inline constexpr const char* SFieldRangeError = "%s is not a valid value for field '%s'. The allowed range is %s to %s";
inline constexpr const char* SFieldTypeMismatch = "Type mismatch for field '%s', expecting: %s actual: %s";
inline constexpr const char* SFieldSizeMismatch = "Size mismatch for field '%s', expecting: %d actual: %d";
inline constexpr const char* SFieldAccessError = "Cannot access field '%s' as type %s";
inline constexpr const char* SFieldValueError = "Invalid value for field '%s'";
inline constexpr const char* SInvalidFieldSize = "Invalid field size";
inline constexpr const char* SInvalidFieldKind = "Invalid FieldKind";
inline constexpr const char* SFieldNameMissing = "Field name missing";
inline constexpr const char* SDuplicateFieldName = "Duplicate field name '%s'";
inline constexpr const char* SDuplicateName = "Duplicate name '%s' in %s";
inline constexpr const char* SFieldIndexError = "Field index out of range";
inline constexpr const char* SDataSetMissing = "Field '%s' has no dataset";
inline constexpr const char* SInvalidBoolValue = "'%s' is not a valid boolean value for field '%s'";
inline constexpr const char* SInvalidFloatValue = "'%s' is not a valid floating point value for field '%s'";
inline constexpr const char* SNotEditing = "Dataset not in edit or insert mode";
inline constexpr const char* SDataSetClosed = "Cannot perform this operation on a closed dataset";
inline constexpr const char* SDataSetOpen = "Cannot perform this operation on an open dataset";
inline constexpr const char* SDataSetEmpty = "Cannot perform this operation on an empty dataset";
inline constexpr const char* SDataSetReadOnly = "Cannot modify a read-only dataset";
inline constexpr const char* SDataSetUnidirectional = "Operation not allowed on a unidirectional dataset";
inline constexpr const char* SRecordNotFound = "Record not found";
inline constexpr const char* SCircularDataLink = "Circular datalinks are not allowed";
inline constexpr const char* SDataSourceChange = "DataSource cannot be changed";
inline constexpr const char* SLookupInfoError = "Lookup information for field '%s' is incomplete";
inline constexpr const char* SFieldTypeUnsupported = "Field '%s' is of an unsupported type";
inline constexpr const char* STextTrue = "True";
inline constexpr const char* STextFalse = "False";

// ---------------------------------------------------------------------------------------------
// Enumerations.

enum TDataSetState {
    dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue,
    dsOldValue, dsCurValue, dsBlockRead, dsInternalCalc, dsOpening
};
using TDataSetStates = TSet<TDataSetState>;
inline constexpr TDataSetStates dsEditModes{dsEdit, dsInsert, dsSetKey};
inline constexpr TDataSetStates dsWriteModes{dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter,
                                             dsNewValue, dsInternalCalc};

enum TDataEvent {
    deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange,
    deUpdateRecord, deUpdateState, deCheckBrowseMode, dePropertyChange, deFieldListChange,
    deFocusControl, deParentScroll, deConnectChange, deReconcileError, deDisabledStateChange
};
// The event's argument: a TField* for deFieldChange/deFocusControl, a count for scrolling.
using TDataEventInfo = intptr_t;

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };
enum TResyncModeItem { rmExact, rmCenter };
using TResyncMode = TSet<TResyncModeItem>;
enum TDataAction { daFail, daAbort, daRetry };
enum TUpdateKind { ukModify, ukInsert, ukDelete };
using TUpdateKinds = TSet<TUpdateKind>;
enum TUpdateStatus { usUnmodified, usModified, usInserted, usDeleted };
using TUpdateStatusSet = TSet<TUpdateStatus>;
enum TLocateOption { loCaseInsensitive, loPartialKey };
using TLocateOptions = TSet<TLocateOption>;
enum TFilterOption { foCaseInsensitive, foNoPartialCompare };
using TFilterOptions = TSet<TFilterOption>;
enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };
enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };
using TFieldKinds = TSet<TFieldKind>;

enum TFieldType {
    ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD,
    ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic,
    ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar, ftWideString,
    ftLargeint, ftADT, ftArray, ftReference, ftDataSet, ftOraBlob, ftOraClob, ftVariant,
    ftInterface, ftIDispatch, ftGuid, ftTimeStamp, ftFMTBcd
};
inline constexpr Integer FieldTypeCount = ftFMTBcd + 1;
// Names without the "ft" prefix ("String", "Integer", ...), as in the type-mismatch message.
AnsiString FieldTypeName(TFieldType Type);
// The variant type a field type's values take (varEmpty for types without one).
TVarType FieldTypeVarType(TFieldType Type);

using TRecordBuffer = char*;
using TBookmark = std::vector<Byte>;   // empty = no bookmark
using TBookmarkStr = AnsiString;       // the Bookmark property's form

// Date and time native forms.
TDateTime NativeToDateTime(TFieldType DataType, const void* Native);  // ftDate/ftTime/ftDateTime
void DateTimeToNative(TFieldType DataType, TDateTime Value, void* Native);
double TimeStampToMSecs(const TTimeStamp& TimeStamp);
TTimeStamp MSecsToTimeStamp(double MSecs);

// Event types.
using TDataSetNotifyEvent = std::function<void(TDataSet* DataSet)>;
using TDataSetErrorEvent = std::function<void(TDataSet* DataSet, EDatabaseError& E, TDataAction& Action)>;
using TFilterRecordEvent = std::function<void(TDataSet* DataSet, bool& Accept)>;
using TFieldNotifyEvent = std::function<void(TField* Sender)>;
using TFieldGetTextEvent = std::function<void(TField* Sender, AnsiString& Text, bool DisplayText)>;
using TFieldSetTextEvent = std::function<void(TField* Sender, const AnsiString& Text)>;
using TDataChangeEvent = std::function<void(TObject* Sender, TField* Field)>;

// A field class: makes a field of that class with the owner; nullptr = none.
using TFieldClass = TField* (*)(TComponent* AOwner);
template <class T>
TField* MakeField(TComponent* AOwner) { return new T(AOwner); }

// ---------------------------------------------------------------------------------------------
// Field definitions.

class TFieldDef : public TCollectionItem {
public:
    explicit TFieldDef(TCollection* Owner);
    TFieldDef(TFieldDefs* Owner, const AnsiString& Name, TFieldType DataType, Integer Size,
              bool Required, Integer FieldNo);

    const AnsiString& Name() const { return FName; }
    void SetName(const AnsiString& Value);   // "Duplicate name '%s' in %s" for a sibling's name
    TFieldType DataType() const { return FDataType; }
    void SetDataType(TFieldType Value) { FDataType = Value; }
    Integer Size() const { return FSize; }
    void SetSize(Integer Value) { FSize = Value; }
    Integer Precision() const { return FPrecision; }
    void SetPrecision(Integer Value) { FPrecision = Value; }
    bool Required() const { return FRequired; }
    void SetRequired(bool Value) { FRequired = Value; }
    Integer FieldNo() const;                 // given, or 1-based position
    void SetFieldNo(Integer Value) { FFieldNo = Value; }
    bool InternalCalcField() const { return FInternalCalcField; }
    void SetInternalCalcField(bool Value) { FInternalCalcField = Value; }
    TFieldDefs* FieldDefs() const;
    AnsiString DisplayName() const override { return FName; }
    void Assign(TPersistent* Source) override;

    // A field of the data set's class for this type, with name, size and Required set.
    TField* CreateField(TComponent* Owner, const AnsiString& FieldName = AnsiString());

private:
    AnsiString FName;
    TFieldType FDataType = ftUnknown;
    Integer FSize = 0;
    Integer FPrecision = 0;
    Integer FFieldNo = 0;
    bool FRequired = false;
    bool FInternalCalcField = false;
};

class TFieldDefs : public TCollection {
public:
    explicit TFieldDefs(TDataSet* DataSet);

    TDataSet* DataSet() const { return FDataSet; }
    Integer Count() const { return TCollection::Count(); }
    TFieldDef* Items(Integer Index) const;
    TFieldDef* operator[](Integer Index) const { return Items(Index); }
    TFieldDef* AddFieldDef();
    void Add(const AnsiString& Name, TFieldType DataType, Integer Size = 0, bool Required = false);
    Integer IndexOf(const AnsiString& Name) const;   // any case, -1 when absent
    TFieldDef* Find(const AnsiString& Name) const;   // "Field '%s' not found"
    bool Updated() const { return FUpdated; }
    void SetUpdated(bool Value) { FUpdated = Value; }
    // Reads the definitions from the data set when not Updated.
    void Update();

private:
    TDataSet* FDataSet;
    bool FUpdated = false;
};

// ---------------------------------------------------------------------------------------------
// Fields.

class TField : public TComponent {
public:
    explicit TField(TComponent* AOwner);
    ~TField() override;

    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* Value);
    const AnsiString& FieldName() const { return FFieldName; }
    void SetFieldName(const AnsiString& Value);
    Integer FieldNo() const { return FFieldNo; }
    TFieldType DataType() const { return FDataType; }
    TFieldKind FieldKind() const { return FFieldKind; }
    void SetFieldKind(TFieldKind Value);
    Integer Size() const { return FSize; }
    void SetSize(Integer Value);
    Integer DataSize() const { return GetDataSize(); }
    Integer Offset() const { return FOffset; }       // place in the calculated-fields area
    Integer Index() const;                            // position in the data set's Fields
    void SetIndex(Integer Value);
    bool IsBlob() const { return GetIsBlob(); }
    bool Calculated() const { return FFieldKind == fkCalculated; }
    bool Lookup() const { return FFieldKind == fkLookup; }

    AnsiString DisplayLabel() const { return FDisplayLabel.empty() ? FFieldName : FDisplayLabel; }
    void SetDisplayLabel(const AnsiString& Value);
    AnsiString DisplayName() const { return DisplayLabel(); }
    Integer DisplayWidth() const { return FDisplayWidth > 0 ? FDisplayWidth : GetDefaultWidth(); }
    void SetDisplayWidth(Integer Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    bool Required() const { return FRequired; }
    void SetRequired(bool Value) { FRequired = Value; }
    const AnsiString& Origin() const { return FOrigin; }
    void SetOrigin(const AnsiString& Value) { FOrigin = Value; }
    bool CanModify() const { return GetCanModify(); }
    bool ValidChar(char Ch) const { return IsValidChar(Ch); }

    // Lookup definition.
    TDataSet* LookupDataSet() const { return FLookupDataSet; }
    void SetLookupDataSet(TDataSet* Value);
    const AnsiString& KeyFields() const { return FKeyFields; }
    void SetKeyFields(const AnsiString& Value) { FKeyFields = Value; }
    const AnsiString& LookupKeyFields() const { return FLookupKeyFields; }
    void SetLookupKeyFields(const AnsiString& Value) { FLookupKeyFields = Value; }
    const AnsiString& LookupResultField() const { return FLookupResultField; }
    void SetLookupResultField(const AnsiString& Value) { FLookupResultField = Value; }

    // Values.
    bool IsNull() const { return GetIsNull(); }
    AnsiString AsString() const { return GetAsString(); }
    void SetAsString(const AnsiString& Value) { SetAsStringImpl(Value); }
    Integer AsInteger() const { return GetAsInteger(); }
    void SetAsInteger(Integer Value) { SetAsIntegerImpl(Value); }
    Int64 AsLargeInt() const { return GetAsLargeInt(); }
    void SetAsLargeInt(Int64 Value) { SetAsLargeIntImpl(Value); }
    Double AsFloat() const { return GetAsFloat(); }
    void SetAsFloat(Double Value) { SetAsFloatImpl(Value); }
    Currency AsCurrency() const { return GetAsCurrency(); }
    void SetAsCurrency(Currency Value) { SetAsCurrencyImpl(Value); }
    TDateTime AsDateTime() const { return GetAsDateTime(); }
    void SetAsDateTime(TDateTime Value) { SetAsDateTimeImpl(Value); }
    bool AsBoolean() const { return GetAsBoolean(); }
    void SetAsBoolean(bool Value) { SetAsBooleanImpl(Value); }
    Variant AsVariant() const { return GetAsVariant(); }
    void SetAsVariant(const Variant& Value);
    Variant Value() const { return GetAsVariant(); }
    void SetValue(const Variant& Value) { SetAsVariant(Value); }
    Variant OldValue() const;
    Variant NewValue() const;
    void SetNewValue(const Variant& Value);
    Variant CurValue() const;
    void Clear() { SetData(nullptr); }
    void AssignValue(const Variant& Value) { SetAsVariant(Value); }
    void Assign(TPersistent* Source) override;        // another field's value (Null stays Null)

    // Text: DisplayText for showing, Text for editing; both go through OnGetText.
    AnsiString DisplayText() const { return GetDisplayText(true); }
    AnsiString Text() const { return GetDisplayText(false); }
    void SetText(const AnsiString& Value);            // OnSetText, else SetText rule of the class
    const AnsiString& DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const AnsiString& Value);
    const AnsiString& EditFormat() const { return FEditFormat; }
    void SetEditFormat(const AnsiString& Value);

    // Value buffers of the native form (see the top of this header); nullptr means Null.
    bool GetData(void* Buffer, bool NativeFormat = true) const;
    void SetData(const void* Buffer, bool NativeFormat = true);
    // Runs OnValidate with Buffer as the field's value for the duration.
    void Validate(const void* Buffer);
    void FocusControl();
    // Fires OnChange; the data set calls it after a value was stored.
    virtual void Change();

    TFieldNotifyEvent OnChange;
    TFieldNotifyEvent OnValidate;
    TFieldGetTextEvent OnGetText;
    TFieldSetTextEvent OnSetText;

protected:
    friend class TDataSet;
    friend class TFields;
    friend class TFieldDef;

    virtual AnsiString GetAsString() const;
    virtual void SetAsStringImpl(const AnsiString& Value);
    virtual Integer GetAsInteger() const;
    virtual void SetAsIntegerImpl(Integer Value);
    virtual Int64 GetAsLargeInt() const;
    virtual void SetAsLargeIntImpl(Int64 Value);
    virtual Double GetAsFloat() const;
    virtual void SetAsFloatImpl(Double Value);
    virtual Currency GetAsCurrency() const;
    virtual void SetAsCurrencyImpl(Currency Value);
    virtual TDateTime GetAsDateTime() const;
    virtual void SetAsDateTimeImpl(TDateTime Value);
    virtual bool GetAsBoolean() const;
    virtual void SetAsBooleanImpl(bool Value);
    virtual Variant GetAsVariant() const;
    virtual void SetVarValue(const Variant& Value);
    virtual bool GetIsNull() const;
    virtual bool GetCanModify() const;
    virtual bool GetIsBlob() const { return false; }
    virtual Integer GetDataSize() const { return 0; }
    virtual Integer GetDefaultWidth() const { return 10; }
    virtual bool IsValidChar(char Ch) const { return Ch >= ' ' || Ch < 0; }
    // The text for showing (DisplayText true) or editing.
    virtual void GetText(AnsiString& Text, bool DisplayText) const;
    virtual void SetTextImpl(const AnsiString& Value) { SetAsStringImpl(Value); }
    virtual void CheckTypeSize(Integer Value);
    virtual void Bind(bool Binding);
    virtual void PropertyChanged(bool LayoutAffected);
    void SetDataType(TFieldType Value) { FDataType = Value; }
    [[noreturn]] void AccessError(const AnsiString& TypeName) const;
    [[noreturn]] void RangeError(const AnsiString& Value, const AnsiString& Min, const AnsiString& Max) const;
    void CheckInactive() const;
    AnsiString GetDisplayText(bool Display) const;

    TDataSet* FDataSet = nullptr;
    AnsiString FFieldName;
    TFieldType FDataType = ftUnknown;
    TFieldKind FFieldKind = fkData;
    Integer FFieldNo = 0;
    Integer FSize = 0;
    Integer FOffset = 0;
    Integer FDisplayWidth = 0;
    AnsiString FDisplayLabel;
    AnsiString FDisplayFormat;
    AnsiString FEditFormat;
    AnsiString FOrigin;
    bool FVisible = true;
    bool FReadOnly = false;
    bool FRequired = false;
    TDataSet* FLookupDataSet = nullptr;
    AnsiString FKeyFields;
    AnsiString FLookupKeyFields;
    AnsiString FLookupResultField;
    // While OnValidate runs, reads see this buffer.
    const void* FValueBuffer = nullptr;
    bool FValidating = false;
};

class TStringField : public TField {
public:
    explicit TStringField(TComponent* AOwner);
    bool FixedChar() const { return FFixedChar; }
    void SetFixedChar(bool Value) { FFixedChar = Value; }
    bool Transliterate() const { return FTransliterate; }
    void SetTransliterate(bool Value) { FTransliterate = Value; }
    // The stored text, false for Null.
    bool GetValue(AnsiString& Value) const;

protected:
    AnsiString GetAsString() const override;
    void SetAsStringImpl(const AnsiString& Value) override;
    Integer GetAsInteger() const override;
    void SetAsIntegerImpl(Integer Value) override;
    Int64 GetAsLargeInt() const override;
    void SetAsLargeIntImpl(Int64 Value) override;
    Double GetAsFloat() const override;
    void SetAsFloatImpl(Double Value) override;
    TDateTime GetAsDateTime() const override;
    void SetAsDateTimeImpl(TDateTime Value) override;
    bool GetAsBoolean() const override;
    void SetAsBooleanImpl(bool Value) override;
    Variant GetAsVariant() const override;
    void SetVarValue(const Variant& Value) override;
    Integer GetDataSize() const override { return FSize + 1; }
    Integer GetDefaultWidth() const override { return FSize; }
    void GetText(AnsiString& Text, bool DisplayText) const override;
    void CheckTypeSize(Integer Value) override;

private:
    bool FFixedChar = false;
    bool FTransliterate = true;
};

class TWideStringField : public TStringField {
public:
    explicit TWideStringField(TComponent* AOwner);
    WideString AsWideString() const;
    void SetAsWideString(const WideString& Value);

protected:
    AnsiString GetAsString() const override;
    void SetAsStringImpl(const AnsiString& Value) override;
    Variant GetAsVariant() const override;
    void SetVarValue(const Variant& Value) override;
    Integer GetDataSize() const override { return (FSize + 1) * 2; }
};

class TGuidField : public TStringField {
public:
    explicit TGuidField(TComponent* AOwner);
    TGUID AsGuid() const;
    void SetAsGuid(const TGUID& Value);

protected:
    void CheckTypeSize(Integer Value) override;   // only 38
    Integer GetDefaultWidth() const override { return 38; }
};

class TNumericField : public TField {
public:
    explicit TNumericField(TComponent* AOwner);

protected:
    void CheckRange(bool Inside, const AnsiString& Value, const AnsiString& Min, const AnsiString& Max) const;
};

// Shared by the 16/32-bit integer fields: range-checked 32-bit values.
class TIntegerField : public TNumericField {
public:
    explicit TIntegerField(TComponent* AOwner);
    Integer MinValue() const { return FMinValue; }
    void SetMinValue(Integer Value) { FMinValue = Value; }
    Integer MaxValue() const { return FMaxValue; }
    void SetMaxValue(Integer Value) { FMaxValue = Value; }
    bool GetValue(Integer& Value) const;

protected:
    AnsiString GetAsString() const override;
    void SetAsStringImpl(const AnsiString& Value) override;
    Integer GetAsInteger() const override;
    void SetAsIntegerImpl(Integer Value) override;
    Int64 GetAsLargeInt() const override;
    void SetAsLargeIntImpl(Int64 Value) override;
    Double GetAsFloat() const override;
    void SetAsFloatImpl(Double Value) override;
    Currency GetAsCurrency() const override;
    void SetAsCurrencyImpl(Currency Value) override;
    Variant GetAsVariant() const override;
    void SetVarValue(const Variant& Value) override;
    Integer GetDataSize() const override { return 4; }
    Integer GetDefaultWidth() const override { return 11; }
    bool IsValidChar(char Ch) const override;
    void GetText(AnsiString& Text, bool DisplayText) const override;
    // The type's own bounds, which MinValue/MaxValue 0/0 stand for.
    Integer FMinRange = -2147483647 - 1;
    Integer FMaxRange = 2147483647;

private:
    Integer FMinValue = 0;
    Integer FMaxValue = 0;
};

class TSmallintField : public TIntegerField {
public:
    explicit TSmallintField(TComponent* AOwner);
protected:
    Integer GetDataSize() const override { return 2; }
    Integer GetDefaultWidth() const override { return 6; }
};

class TWordField : public TIntegerField {
public:
    explicit TWordField(TComponent* AOwner);
protected:
    Integer GetDataSize() const override { return 2; }
    Integer GetDefaultWidth() const override { return 5; }
};

class TAutoIncField : public TIntegerField {
public:
    explicit TAutoIncField(TComponent* AOwner);
};

class TLargeintField : public TNumericField {
public:
    explicit TLargeintField(TComponent* AOwner);
    Int64 MinValue() const { return FMinValue; }
    void SetMinValue(Int64 Value) { FMinValue = Value; }
    Int64 MaxValue() const { return FMaxValue; }
    void SetMaxValue(Int64 Value) { FMaxValue = Value; }
    bool GetValue(Int64& Value) const;

protected:
    AnsiString GetAsString() const override;
    void SetAsStringImpl(const AnsiString& Value) override;
    Integer GetAsInteger() const override;
    void SetAsIntegerImpl(Integer Value) override;
    Int64 GetAsLargeInt() const override;
    void SetAsLargeIntImpl(Int64 Value) override;
    Double GetAsFloat() const override;
    void SetAsFloatImpl(Double Value) override;
    Variant GetAsVariant() const override;
    void SetVarValue(const Variant& Value) override;
    Integer GetDataSize() const override { return 8; }
    Integer GetDefaultWidth() const override { return 15; }
    bool IsValidChar(char Ch) const override;
    void GetText(AnsiString& Text, bool DisplayText) const override;

private:
    Int64 FMinValue = 0;
    Int64 FMaxValue = 0;
};

class TFloatField : public TNumericField {
public:
    explicit TFloatField(TComponent* AOwner);
    bool Currency() const { return FCurrency; }
    void SetCurrency(bool Value);
    Integer Precision() const { return FPrecision; }
    void SetPrecision(Integer Value);
    Double MinValue() const { return FMinValue; }
    void SetMinValue(Double Value) { FMinValue = Value; }
    Double MaxValue() const { return FMaxValue; }
    void SetMaxValue(Double Value) { FMaxValue = Value; }
    bool GetValue(Double& Value) const;

protected:
    AnsiString GetAsString() const override;
    void SetAsStringImpl(const AnsiString& Value) override;
    Integer GetAsInteger() const override;
    void SetAsIntegerImpl(Integer Value) override;
    Double GetAsFloat() const override;
    void SetAsFloatImpl(Double Value) override;
    ::Currency GetAsCurrency() const override;
    void SetAsCurrencyImpl(::Currency Value) override;
    Variant GetAsVariant() const override;
    void SetVarValue(const Variant& Value) override;
    Integer GetDataSize() const override { return 8; }
    bool IsValidChar(char Ch) const override;
    void GetText(AnsiString& Text, bool DisplayText) const override;

    bool FCurrency = false;
    Integer FPrecision = 15;
    Double FMinValue = 0;
    Double FMaxValue = 0;
};

class TCurrencyField : public TFloatField {
public:
    explicit TCurrencyField(TComponent* AOwner);
};

// Exact decimal field over a Currency value; Size is the number of decimals (0..4).
class TBCDField : public TNumericField {
public:
    explicit TBCDField(TComponent* AOwner);
    bool Currency() const { return FCurrency; }
    void SetCurrency(bool Value);
    Integer Precision() const { return FPrecision; }
    void SetPrecision(Integer Value) { FPrecision = Value; }
    ::Currency MinValue() const { return FMinValue; }
    void SetMinValue(::Currency Value) { FMinValue = Value; }
    ::Currency MaxValue() const { return FMaxValue; }
    void SetMaxValue(::Currency Value) { FMaxValue = Value; }
    bool GetValue(::Currency& Value) const;

protected:
    AnsiString GetAsString() const override;
    void SetAsStringImpl(const AnsiString& Value) override;
    Integer GetAsInteger() const override;
    void SetAsIntegerImpl(Integer Value) override;
    Double GetAsFloat() const override;
    void SetAsFloatImpl(Double Value) override;
    ::Currency GetAsCurrency() const override;
    void SetAsCurrencyImpl(::Currency Value) override;
    Variant GetAsVariant() const override;
    void SetVarValue(const Variant& Value) override;
    Integer GetDataSize() const override { return 8; }
    Integer GetDefaultWidth() const override;
    bool IsValidChar(char Ch) const override;
    void GetText(AnsiString& Text, bool DisplayText) const override;
    void CheckTypeSize(Integer Value) override;   // 0..4 decimals

    bool FCurrency = false;
    Integer FPrecision = 0;
    ::Currency FMinValue;
    ::Currency FMaxValue;
};

class TBooleanField : public TField {
public:
    explicit TBooleanField(TComponent* AOwner);
    // "True;False" style pair of texts; empty halves mean "True"/"False".
    const AnsiString& DisplayValues() const { return FDisplayValues; }
    void SetDisplayValues(const AnsiString& Value);

protected:
    AnsiString GetAsString() const override;
    void SetAsStringImpl(const AnsiString& Value) override;
    Integer GetAsInteger() const override;
    void SetAsIntegerImpl(Integer Value) override;
    bool GetAsBoolean() const override;
    void SetAsBooleanImpl(bool Value) override;
    Variant GetAsVariant() const override;
    void SetVarValue(const Variant& Value) override;
    Integer GetDataSize() const override { return 2; }
    Integer GetDefaultWidth() const override;
    void GetText(AnsiString& Text, bool DisplayText) const override;

    AnsiString FDisplayValues;
    AnsiString FTextTrue = STextTrue;
    AnsiString FTextFalse = STextFalse;
};

class TDateTimeField : public TField {
public:
    explicit TDateTimeField(TComponent* AOwner);
    bool GetValue(TDateTime& Value) const;

protected:
    AnsiString GetAsString() const override;
    void SetAsStringImpl(const AnsiString& Value) override;
    Double GetAsFloat() const override;
    void SetAsFloatImpl(Double Value) override;
    TDateTime GetAsDateTime() const override;
    void SetAsDateTimeImpl(TDateTime Value) override;
    Variant GetAsVariant() const override;
    void SetVarValue(const Variant& Value) override;
    Integer GetDataSize() const override { return 8; }
    Integer GetDefaultWidth() const override { return 18; }
    void GetText(AnsiString& Text, bool DisplayText) const override;
};

class TDateField : public TDateTimeField {
public:
    explicit TDateField(TComponent* AOwner);
protected:
    Integer GetDataSize() const override { return 4; }
    Integer GetDefaultWidth() const override { return 10; }
};

class TTimeField : public TDateTimeField {
public:
    explicit TTimeField(TComponent* AOwner);
protected:
    Integer GetDataSize() const override { return 4; }
    Integer GetDefaultWidth() const override { return 8; }
};

class TBinaryField : public TField {
public:
    explicit TBinaryField(TComponent* AOwner);
protected:
    AnsiString GetAsString() const override;
    void SetAsStringImpl(const AnsiString& Value) override;
    Variant GetAsVariant() const override;
    void SetVarValue(const Variant& Value) override;
    void GetText(AnsiString& Text, bool DisplayText) const override;
    void CheckTypeSize(Integer Value) override;
};

class TBytesField : public TBinaryField {
public:
    explicit TBytesField(TComponent* AOwner);
protected:
    Integer GetDataSize() const override { return FSize; }
};

class TVarBytesField : public TBinaryField {
public:
    explicit TVarBytesField(TComponent* AOwner);
protected:
    Integer GetDataSize() const override { return FSize + 2; }
};

// Blob fields reach their value through the data set's CreateBlobStream.
class TBlobField : public TField {
public:
    explicit TBlobField(TComponent* AOwner);
    Integer BlobSize() const;
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }
    void LoadFromStream(TStream* Stream);
    void SaveToStream(TStream* Stream) const;
    void LoadFromFile(const AnsiString& FileName);
    void SaveToFile(const AnsiString& FileName) const;

protected:
    AnsiString GetAsString() const override;
    void SetAsStringImpl(const AnsiString& Value) override;
    Variant GetAsVariant() const override;
    void SetVarValue(const Variant& Value) override;
    bool GetIsNull() const override;
    bool GetIsBlob() const override { return true; }
    void GetText(AnsiString& Text, bool DisplayText) const override;
    void CheckTypeSize(Integer Value) override {}
    bool FModified = false;
};

class TMemoField : public TBlobField {
public:
    explicit TMemoField(TComponent* AOwner);
protected:
    void GetText(AnsiString& Text, bool DisplayText) const override;
};

class TGraphicField : public TBlobField {
public:
    explicit TGraphicField(TComponent* AOwner);
};

// ---------------------------------------------------------------------------------------------
// The field list of a data set (does not own its fields).

class TFields : public TObject {
public:
    explicit TFields(TDataSet* DataSet) : FDataSet(DataSet) {}
    ~TFields() override;

    TDataSet* DataSet() const { return FDataSet; }
    Integer Count() const { return static_cast<Integer>(FList.size()); }
    TField* Fields(Integer Index) const;              // "Field index out of range"
    TField* operator[](Integer Index) const { return Fields(Index); }
    void Add(TField* Field);
    void Remove(TField* Field);
    void Clear();                                     // deletes the fields
    Integer IndexOf(const TField* Field) const;
    // Names in any case; a literal is looked up without being copied first.
    TField* FindField(std::string_view FieldName) const;
    TField* FieldByName(std::string_view FieldName) const; // "Field '%s' not found"
    TField* FieldByNumber(Integer FieldNo) const;
    void GetFieldNames(TStrings* List) const;
    void SetFieldIndex(TField* Field, Integer Value);

private:
    friend class TField;
    TDataSet* FDataSet;
    std::vector<TField*> FList;
    mutable size_t FSearchFrom = 0;   // after the field found last: callers read fields in order
};

// ---------------------------------------------------------------------------------------------
// The data set.

class TDataSet : public TComponent {
public:
    explicit TDataSet(TComponent* AOwner);
    // A concrete data set must call Destroying() and Close() in its own destructor: its virtual
    // operations are out of reach here (Destroying keeps the close events from firing).
    ~TDataSet() override;

    // Opening and closing.
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    bool Active() const { return FState != dsInactive && FState != dsOpening; }
    virtual void SetActive(bool Value);
    TDataSetState State() const { return FState; }
    bool Modified() const { return FModified; }
    bool DefaultFields() const { return FDefaultFields; }

    // Navigation.
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    Integer MoveBy(Integer Distance);
    bool Eof() const { return FEOF; }
    bool Bof() const { return FBOF; }
    bool IsEmpty() const;
    Integer RecNo() const { return GetRecNo(); }
    void SetRecNo(Integer Value) { SetRecNoImpl(Value); }
    Integer RecordCount() const { return GetRecordCount(); }
    Integer RecordSize() const { return GetRecordSize(); }
    virtual bool IsSequenced() const { return true; }
    virtual void Resync(TResyncMode Mode);

    // Editing.
    void Insert();
    void Append();
    void Edit();
    void Delete();
    virtual void Post();
    void Cancel();
    void Refresh();
    void UpdateRecord();
    void CheckBrowseMode();
    void InsertRecord(const std::vector<Variant>& Values);
    void AppendRecord(const std::vector<Variant>& Values);
    void SetFields(const std::vector<Variant>& Values);
    void ClearFields();
    bool CanModify() const { return GetCanModify(); }
    virtual TUpdateStatus UpdateStatus() const { return usUnmodified; }

    // Fields and their definitions.
    TFields* Fields() const { return FFields.get(); }
    Integer FieldCount() const { return FFields->Count(); }
    TFieldDefs* FieldDefs() const { return FFieldDefs.get(); }
    TField* FieldByName(std::string_view FieldName) const { return FFields->FieldByName(FieldName); }
    TField* FindField(std::string_view FieldName) const { return FFields->FindField(FieldName); }
    TField* FieldByNumber(Integer FieldNo) const { return FFields->FieldByNumber(FieldNo); }
    void GetFieldNames(TStrings* List) const;
    // Several names separated by ";"; "Field '%s' not found" for a missing one.
    void GetFieldList(std::vector<TField*>& List, const AnsiString& FieldNames) const;
    // Values of one or several (";") fields; several give a variant array.
    Variant FieldValues(const AnsiString& FieldNames) const;
    void SetFieldValues(const AnsiString& FieldNames, const Variant& Value);
    void InitFieldDefs();
    bool AutoCalcFields() const { return FAutoCalcFields; }
    void SetAutoCalcFields(bool Value) { FAutoCalcFields = Value; }

    // Bookmarks.
    TBookmark GetBookmark() const;
    void GotoBookmark(const TBookmark& Bookmark);
    void FreeBookmark(TBookmark& Bookmark) { Bookmark.clear(); }
    virtual bool BookmarkValid(const TBookmark& Bookmark) const { return false; }
    virtual Integer CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) const { return 0; }
    bool BookmarkAvailable() const;
    TBookmarkStr Bookmark() const;
    void SetBookmark(const TBookmarkStr& Value);
    Integer BookmarkSize() const { return FBookmarkSize; }

    // Searching. The base walks the records from the first; descendants search their caches.
    virtual bool Locate(const AnsiString& KeyFields, const Variant& KeyValues, TLocateOptions Options);
    virtual Variant Lookup(const AnsiString& KeyFields, const Variant& KeyValues, const AnsiString& ResultFields);

    // Filtering: the base keeps the settings; a concrete data set applies them.
    const AnsiString& Filter() const { return FFilterText; }
    void SetFilter(const AnsiString& Value) { SetFilterText(Value); }
    bool Filtered() const { return FFiltered; }
    virtual void SetFiltered(bool Value);
    TFilterOptions FilterOptions() const { return FFilterOptions; }
    virtual void SetFilterOptions(TFilterOptions Value);
    const TFilterRecordEvent& OnFilterRecord() const { return FOnFilterRecord; }
    virtual void SetOnFilterRecord(const TFilterRecordEvent& Value);

    // Controls.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount != 0; }
    bool IsLinkedTo(TDataSource* DataSource) const;
    TDataSource* DataSource() const { return GetDataSource(); }

    // Record buffers and blobs.
    virtual TStream* CreateBlobStream(TField* Field, TBlobStreamMode Mode) { return nullptr; }
    virtual bool GetCurrentRecord(TRecordBuffer Buffer) { return false; }
    virtual bool GetFieldData(TField* Field, void* Buffer);
    virtual bool GetFieldData(TField* Field, void* Buffer, bool NativeFormat);
    virtual void SetFieldData(TField* Field, const void* Buffer);
    virtual void SetFieldData(TField* Field, const void* Buffer, bool NativeFormat);
    // Field values in the old-, new- and current-value states.
    virtual Variant GetStateFieldValue(TDataSetState AState, TField* Field);
    virtual void SetStateFieldValue(TDataSetState AState, TField* Field, const Variant& Value);
    virtual Integer Translate(const char* Src, char* Dest, bool ToOem);

    // Events.
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
    TDataSetNotifyEvent OnNewRecord, OnCalcFields;
    TDataSetErrorEvent OnEditError, OnPostError, OnDeleteError;

    // Used by data sources, links and fields.
    virtual void DataEvent(TDataEvent Event, TDataEventInfo Info);
    TRecordBuffer ActiveBuffer() const;
    TRecordBuffer CalcBuffer() const { return FCalcBuffer; }
    Integer CalcFieldsSize() const { return FCalcFieldsSize; }
    virtual TFieldClass GetFieldClass(TFieldType FieldType) const;
    virtual void CheckFieldCompatibility(TField* Field, TFieldDef* FieldDef);
    void CheckActive() const;
    virtual void CheckInactive();

protected:
    friend class TField;
    friend class TFieldDefs;
    friend class TDataSource;
    friend class TDataLink;

    // The operations a buffered data set provides. What the window relies on:
    //  - GetRecord fills Buffer and moves the cursor; gmCurrent re-reads where the cursor stands
    //    (InternalSetToRecord, InternalFirst/InternalLast for bfBOF/bfEOF buffers put it there).
    //    A record the filter hides is skipped in the direction asked (gmCurrent: forwards).
    //    GetRecord may throw: the window then forgets the cursor position and sets it again
    //    from its buffers before the next read.
    //  - Insert gives the new buffer bfInserted and the bookmark data of the record it goes
    //    before (bfBOF on an empty set); Append gives it bfEOF. InternalPost puts the record
    //    there and leaves the cursor on it; InternalDelete leaves the cursor on the record that
    //    followed; Post, Cancel and Delete then Resync([]) from the cursor.
    virtual TRecordBuffer AllocRecordBuffer() { return nullptr; }
    virtual void FreeRecordBuffer(TRecordBuffer& Buffer) { Buffer = nullptr; }
    virtual TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) { return grError; }
    virtual void GetBookmarkData(TRecordBuffer Buffer, void* Data) const {}
    virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) const { return bfCurrent; }
    virtual void SetBookmarkData(TRecordBuffer Buffer, const void* Data) {}
    virtual void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) {}
    virtual Integer GetRecordCount() const { return -1; }
    virtual Integer GetRecNo() const { return -1; }
    virtual void SetRecNoImpl(Integer Value) {}
    virtual Integer GetRecordSize() const { return 0; }
    virtual bool IsCursorOpen() const { return false; }
    virtual void InternalOpen() {}
    virtual void InternalClose() {}
    virtual void InternalFirst() {}
    virtual void InternalLast() {}
    virtual void InternalPost();                     // checks required fields
    virtual void InternalDelete() {}
    virtual void InternalCancel() {}
    virtual void InternalEdit() {}
    virtual void InternalInsert() {}
    virtual void InternalAddRecord(TRecordBuffer Buffer, bool Append) {}
    virtual void InternalGotoBookmark(const void* Bookmark) {}
    virtual void InternalSetToRecord(TRecordBuffer Buffer) {}
    virtual void InternalInitRecord(TRecordBuffer Buffer) {}
    virtual void InternalInitFieldDefs() {}
    virtual void InternalRefresh() {}
    virtual void InternalHandleException();
    virtual bool GetCanModify() const { return true; }
    virtual TDataSource* GetDataSource() const { return nullptr; }
    virtual void DataConvert(TField* Field, const void* Source, void* Dest, bool ToNative);

    // The framework's steps, open for descendants to extend.
    virtual void OpenCursor(bool InfoQuery = false);
    virtual void CloseCursor();
    virtual void InitRecord(TRecordBuffer Buffer);
    virtual void ClearCalcFields(TRecordBuffer Buffer) {}
    virtual void CalculateFields(TRecordBuffer Buffer);
    virtual void GetCalcFields(TRecordBuffer Buffer);
    virtual bool GetNextRecord();
    virtual bool GetPriorRecord();
    Integer GetNextRecords();
    Integer GetPriorRecords();
    // GetRecord that forgets the cursor position when the read fails.
    TGetResult ReadRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck);
    virtual void SetBufferCount(Integer Value);
    void UpdateBufferCount();
    void ClearBuffers();
    void ActivateBuffers();
    void CursorPosChanged() { FCurrentRecord = -1; }
    void UpdateCursorPos();
    void SetCurrentRecord(Integer Index);
    void MoveBuffer(Integer CurIndex, Integer NewIndex);
    void SetState(TDataSetState Value);
    TDataSetState SetTempState(TDataSetState Value);
    void RestoreState(TDataSetState Value);
    void SetModified(bool Value) { FModified = Value; }
    virtual void SetFilterText(const AnsiString& Value);
    void CheckRequiredFields();
    void CheckCanModify();
    void CheckBiDirectional() {}
    void CreateFields();
    void DestroyFields();
    virtual void BindFields(bool Binding);
    void SetDefaultFields(bool Value) { FDefaultFields = Value; }
    void SetBookmarkSize(Integer Value) { FBookmarkSize = Value; }
    void RefreshInternalCalcFields(TRecordBuffer Buffer) {}
    void UpdateCalcFields();
    void CalcLookupValue(TField* Field);
    using TDataOperation = void (TDataSet::*)();
    void CheckOperation(TDataOperation Operation, const TDataSetErrorEvent& ErrorEvent);
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    virtual void DoBeforeOpen() { if (BeforeOpen) FireEvent(BeforeOpen, this); }
    virtual void DoAfterOpen() { if (AfterOpen) FireEvent(AfterOpen, this); }
    virtual void DoBeforeClose() { if (BeforeClose) FireEvent(BeforeClose, this); }
    virtual void DoAfterClose() { if (AfterClose) FireEvent(AfterClose, this); }
    virtual void DoBeforeInsert() { if (BeforeInsert) FireEvent(BeforeInsert, this); }
    virtual void DoAfterInsert() { if (AfterInsert) FireEvent(AfterInsert, this); }
    virtual void DoBeforeEdit() { if (BeforeEdit) FireEvent(BeforeEdit, this); }
    virtual void DoAfterEdit() { if (AfterEdit) FireEvent(AfterEdit, this); }
    virtual void DoBeforePost() { if (BeforePost) FireEvent(BeforePost, this); }
    virtual void DoAfterPost() { if (AfterPost) FireEvent(AfterPost, this); }
    virtual void DoBeforeCancel() { if (BeforeCancel) FireEvent(BeforeCancel, this); }
    virtual void DoAfterCancel() { if (AfterCancel) FireEvent(AfterCancel, this); }
    virtual void DoBeforeDelete() { if (BeforeDelete) FireEvent(BeforeDelete, this); }
    virtual void DoAfterDelete() { if (AfterDelete) FireEvent(AfterDelete, this); }
    virtual void DoBeforeScroll() { if (BeforeScroll) FireEvent(BeforeScroll, this); }
    virtual void DoAfterScroll() { if (AfterScroll) FireEvent(AfterScroll, this); }
    virtual void DoBeforeRefresh() { if (BeforeRefresh) FireEvent(BeforeRefresh, this); }
    virtual void DoAfterRefresh() { if (AfterRefresh) FireEvent(AfterRefresh, this); }
    virtual void DoOnNewRecord() { if (OnNewRecord) FireEvent(OnNewRecord, this); }
    virtual void DoOnCalcFields() { if (OnCalcFields) FireEvent(OnCalcFields, this); }

    // The buffer window: FBuffers holds FBufferCount buffers plus one spare at the end;
    // FRecordCount of them hold records, FActiveRecord is the current one and FCurrentRecord
    // the one the cursor of the concrete data set stands on (-1: unknown).
    std::vector<TRecordBuffer> FBuffers;
    Integer FBufferCount = 0;
    Integer FRecordCount = 0;
    Integer FActiveRecord = 0;
    Integer FCurrentRecord = -1;
    bool FBOF = true;
    bool FEOF = true;
    TRecordBuffer FCalcBuffer = nullptr;
    TRecordBuffer FTempBuffer = nullptr;
    Integer FCalcFieldsSize = 0;
    bool FInternalCalcFields = false;
    Integer FBookmarkSize = 0;

private:
    void DoInternalOpen();
    void OpenCursorComplete();
    void BeginInsertAppend();
    void EndInsertAppend();
    void FreeFieldBuffers() {}
    bool LocateRecord(const std::vector<TField*>& Fields, const std::vector<Variant>& Values,
                      TLocateOptions Options);
    void AddDataSource(TDataSource* DataSource);
    void RemoveDataSource(TDataSource* DataSource);

    TDataSetState FState = dsInactive;
    TDataSetState FDisableState = dsInactive;
    TDataEvent FEnableEvent = deDataSetChange;
    Integer FDisableCount = 0;
    bool FModified = false;
    bool FDefaultFields = false;
    bool FAutoCalcFields = true;
    bool FInternalOpenComplete = false;
    bool FStreamedActive = false;
    bool FFiltered = false;
    AnsiString FFilterText;
    TFilterOptions FFilterOptions;
    TFilterRecordEvent FOnFilterRecord;
    std::unique_ptr<TFields> FFields;
    std::unique_ptr<TFieldDefs> FFieldDefs;
    std::vector<TDataSource*> FDataSources;
};

// ---------------------------------------------------------------------------------------------
// Data sources and data links.

class TDataSource : public TComponent {
public:
    explicit TDataSource(TComponent* AOwner);
    ~TDataSource() override;

    TDataSet* DataSet() const { return FDataSet; }
    // "Circular datalinks are not allowed" when ADataSet is linked back to this source.
    void SetDataSet(TDataSet* ADataSet);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool AutoEdit() const { return FAutoEdit; }
    void SetAutoEdit(bool Value) { FAutoEdit = Value; }
    TDataSetState State() const { return FState; }
    void Edit();                                  // puts the data set in edit state when AutoEdit
    bool IsLinkedTo(TDataSet* DataSet) const;
    Integer DataLinkCount() const { return static_cast<Integer>(FDataLinks.size()); }
    TDataLink* DataLinks(Integer Index) const { return FDataLinks[static_cast<size_t>(Index)]; }

    TNotifyEvent OnStateChange;
    TDataChangeEvent OnDataChange;
    TNotifyEvent OnUpdateData;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TDataSet;
    friend class TDataLink;
    void DataEvent(TDataEvent Event, TDataEventInfo Info);
    void NotifyDataLinks(TDataEvent Event, TDataEventInfo Info);
    void SetState(TDataSetState Value);
    void UpdateState();
    void AddDataLink(TDataLink* DataLink);
    void RemoveDataLink(TDataLink* DataLink);

    TDataSet* FDataSet = nullptr;
    bool FEnabled = true;
    bool FAutoEdit = true;
    TDataSetState FState = dsInactive;
    std::vector<TDataLink*> FDataLinks;
};

class TDataLink : public TPersistent {
public:
    TDataLink();
    ~TDataLink() override;

    TDataSource* DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* ADataSource);
    bool DataSourceFixed() const { return FDataSourceFixed; }
    void SetDataSourceFixed(bool Value) { FDataSourceFixed = Value; }
    TDataSet* DataSet() const;
    bool Active() const { return FActive; }
    bool Editing() const { return FEditing; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    // Records the link wants to see at once (a grid: its rows).
    Integer BufferCount() const { return FBufferCount; }
    void SetBufferCount(Integer Value);
    // The link's current record within its window, and how many records the window holds.
    Integer ActiveRecord() const;
    void SetActiveRecord(Integer Value);
    Integer RecordCount() const;
    bool Edit();                                  // true when the data set is (now) editing
    void UpdateRecord();

protected:
    friend class TDataSource;
    friend class TDataSet;
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(Integer Distance) { DataSetChanged(); }
    virtual void EditingChanged() {}
    virtual void FocusControl(TField* Field) {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField* Field) {}
    virtual void UpdateData() {}
    virtual void DataEvent(TDataEvent Event, TDataEventInfo Info);
    // The data set this link's owner shows as a detail, for the circular-link check.
    virtual TDataSet* GetDetailDataSet() const { return nullptr; }

private:
    void UpdateState();
    void SetActive(bool Value);
    void SetEditing(bool Value);
    Integer UpdateRange();

    TDataSource* FDataSource = nullptr;
    Integer FFirstRecord = 0;
    Integer FBufferCount = 1;
    bool FActive = false;
    bool FEditing = false;
    bool FReadOnly = false;
    bool FUpdating = false;
    bool FDataSourceFixed = false;
};

// A link whose owner is the detail data set of the linked master.
class TDetailDataLink : public TDataLink {
public:
    TDataSet* DetailDataSet() const { return GetDetailDataSet(); }
};

// Field names compare as every name does (SameName).
bool SameFieldName(std::string_view A, std::string_view B);

// ";"-separated names: the next one from Pos (1-based), Pos moves past its separator.
AnsiString ExtractFieldName(const AnsiString& Fields, Integer& Pos);
