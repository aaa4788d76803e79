#pragma once
// TFBCustomDataSet: the buffered, scrollable record set of the database layer.
// It reads its rows through SelectQuery, keeps every fetched row in a
// TRecordsCache and serves the generic data-set protocol (navigation, field
// values, bookmarks, editing) from there. The field classes that read and
// write its record buffer live here too.
//
// Record buffer layout (every part of the data set reads it this way):
//   0  int32  record number (cache position, 0-based; -1 none)
//   4  byte   bookmark flag
//   5  byte   update status (TCachedUpdateStatus)
//   6  byte   null flag per select column (1 = Null)
//   .. inline column data, long text columns, blob slots, calculated fields
// The cache keeps the buffer from the update status byte on, without the
// long texts (those go to its string table).
#include <cstring>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "dbclient/FBBlob.h"
#include "dbclient/FBMessages.h"
#include "dbclient/FBQuery.h"
#include "dbclient/FBSQLObject.h"
#include "dbclient/pFBProps.h"
#include "datasets/DSContainer.h"
#include "datasets/ExpressionParser.h"
#include "datasets/RecordsCache.h"
#include "platform/data/DB.h"
#include "platform/data/Filer.h"

class TFBCustomDataSet;
class TFBTimer;
class TpFBFieldInfo;
class TpFBArray;

using TCursor = SmallInt;

// The screen's cursor, reached through a seam the program fills in (the data
// set layer has no screen of its own). Unset, showing a cursor does nothing.
struct TScreenCursorHooks {
    std::function<TCursor()> Get;
    std::function<void(TCursor)> Set;
};
TScreenCursorHooks& ScreenCursorHooks();

// ---------------------------------------------------------------------------------------------
// Options and enumerations.

enum TpFBDsOption {
    poTrimCharFields, poRefreshAfterPost, poRefreshDeletedRecord, poStartTransaction,
    poAutoFormatFields, poProtectedEdit, poKeepSorting, poPersistentSorting, poVisibleRecno,
    poNoForceIsNull, poFetchAll, poFreeHandlesAfterClose
};
using TpFBDsOptions = TSet<TpFBDsOption>;

enum TpPrepareOption {
    pfSetRequiredFields, pfSetReadOnlyFields, pfImportDefaultValues, psUseBooleanField,
    psUseGuidField, psSQLINT64ToBCD, psApplyRepositary, psGetOrderInfo, psAskRecordCount,
    psCanEditComputedFields, psSetEmptyStrToNull, psSupportUnicodeBlobs
};
using TpPrepareOptions = TSet<TpPrepareOption>;

enum TDetailCondition { dcForceOpen, dcIgnoreMasterClose, dcForceMasterRefresh, dcWaitEndMasterScroll };
using TDetailConditions = TSet<TDetailCondition>;

enum TCachedUpdateStatus {
    cusUnmodified, cusModified, cusInserted, cusDeleted, cusUninserted, cusDeletedApplied
};
using TFBUpdateRecordTypes = TSet<TCachedUpdateStatus>;

enum TTransactionKind { tkReadTransaction, tkUpdateTransaction };
enum TFBUpdateAction { uaFail, uaAbort, uaSkip, uaRetry, uaApply, uaApplied };
enum TCacheModelKind { cmkStandard, cmkLimitedBufferSize };

inline constexpr TpFBDsOptions DefaultDsOptions{poTrimCharFields, poRefreshAfterPost, poStartTransaction,
                                                poAutoFormatFields};
inline constexpr TpPrepareOptions DefaultPrepareOptions{pfImportDefaultValues, psUseBooleanField, psGetOrderInfo,
                                                        psSetEmptyStrToNull};

// Event types.
using TOnFetchRecord = std::function<void(TFBQuery* FromQuery, Integer RecordNumber, bool& StopFetching)>;
using TFBUpdateErrorEvent =
    std::function<void(TDataSet* DataSet, EFBError& E, TUpdateKind UpdateKind, TFBUpdateAction& UpdateAction)>;
using TFBUpdateRecordEvent =
    std::function<void(TDataSet* DataSet, TUpdateKind UpdateKind, TFBUpdateAction& UpdateAction)>;
using TCompareFieldValues = std::function<Integer(TField* Field, const Variant& S1, const Variant& S2)>;

// How many records the data set holds: every fetched row (standard), or a
// window of BufferChunks records of an ordered select (limited), fetched on
// through statements keyed on the ORDER BY values of the window's edges.
class TCacheModelOptions : public TPersistent {
public:
    explicit TCacheModelOptions(TFBCustomDataSet* ADataSet);
    TCacheModelKind CacheModelKind() const { return FCacheModelKind; }
    void SetCacheModelKind(TCacheModelKind Value);
    Integer BufferChunks() const { return FBufferChunks; }
    void SetBufferChunks(Integer Value);          // needs a closed data set; <= 0 means 32
    const AnsiString& PlanForDescSQLs() const { return FPlanForDescSQLs; }
    void SetPlanForDescSQLs(const AnsiString& Value) { FPlanForDescSQLs = Value; }
    void Assign(TPersistent* Source) override;

private:
    TFBCustomDataSet* FDataSet;
    TCacheModelKind FCacheModelKind = cmkStandard;
    Integer FBufferChunks = 32;
    AnsiString FPlanForDescSQLs;
};

// ---------------------------------------------------------------------------------------------
// Field classes.

class TFBStringField : public TStringField {
public:
    explicit TFBStringField(TComponent* AOwner);
    bool EmptyStrToNull() const { return FEmptyStrToNull; }
    void SetEmptyStrToNull(bool Value) { FEmptyStrToNull = Value; }
    // The column's declared default is the empty text: a new record starts with it.
    bool DefaultIsEmptyString() const { return FDefaultIsEmptyString; }
    void SetDefaultIsEmptyString(bool Value) { FDefaultIsEmptyString = Value; }
    // Length of the value last read (set by the data set).
    Integer ValueLength() const { return FValueLength; }
    void SetValueLength(Integer Value) { FValueLength = Value; }

protected:
    AnsiString GetAsString() const override;
    void SetAsStringImpl(const AnsiString& Value) override;
    Variant GetAsVariant() const override;
    bool ReadValue(AnsiString& Value) const;
    // The data set, when it is one of ours (the cast is made once per data set).
    TFBCustomDataSet* FBDataSet() const;

private:
    bool FEmptyStrToNull = true;
    bool FDefaultIsEmptyString = false;
    Integer FValueLength = 0;
    mutable const TDataSet* FCastFrom = nullptr;
    mutable TFBCustomDataSet* FCast = nullptr;
};

class TFBWideStringField : public TWideStringField {
public:
    explicit TFBWideStringField(TComponent* AOwner);
protected:
    Integer GetDataSize() const override { return (FSize + 1) * 2; }
};

class TFBIntegerField : public TIntegerField {
public:
    explicit TFBIntegerField(TComponent* AOwner);
    bool IsTimeField() const { return FIsTimeField; }
    void SetIsTimeField(bool Value) { FIsTimeField = Value; }

protected:
    bool GetAsBoolean() const override { return GetAsInteger() > 0; }
    void SetAsBooleanImpl(bool Value) override { SetAsIntegerImpl(Value ? 1 : 0); }
    void GetText(AnsiString& Text, bool DisplayText) const override;
    void SetTextImpl(const AnsiString& Value) override;
    bool IsValidChar(char Ch) const override;

private:
    bool FIsTimeField = false;
};

class TFBSmallIntField : public TSmallintField {
public:
    explicit TFBSmallIntField(TComponent* AOwner);
protected:
    bool GetAsBoolean() const override { return GetAsInteger() > 0; }
    void SetAsBooleanImpl(bool Value) override { SetAsIntegerImpl(Value ? 1 : 0); }
};

class TFBFloatField : public TFloatField {
public:
    explicit TFBFloatField(TComponent* AOwner);
    bool RoundByScale() const { return FRoundByScale; }
    void SetRoundByScale(bool Value) { FRoundByScale = Value; }

protected:
    void SetAsFloatImpl(Double Value) override;
    void GetText(AnsiString& Text, bool DisplayText) const override;

private:
    bool FRoundByScale = true;
};

// Exact decimals over the raw scaled 64-bit integer of the record; Size is
// the number of decimals (0..18).
class TFBBCDField : public TBCDField {
public:
    explicit TFBBCDField(TComponent* AOwner);
    bool RoundByScale() const { return FRoundByScale; }
    void SetRoundByScale(bool Value) { FRoundByScale = Value; }
    virtual Extended GetAsExtended() const;
    virtual void SetAsInt64(Int64 Value);
    // The raw stored integer; false when Null.
    bool GetRaw(Int64& Raw) const;
    void SetRaw(Int64 Raw);
    TBcd AsBcd() const;
    void SetAsBcd(const TBcd& Value);
    void Assign(TPersistent* Source) override;

protected:
    AnsiString GetAsString() const override;
    void SetAsStringImpl(const AnsiString& Value) override;
    Integer GetAsInteger() const override;
    void SetAsIntegerImpl(Integer Value) override { SetAsInt64(Value); }
    Int64 GetAsLargeInt() const override;
    void SetAsLargeIntImpl(Int64 Value) override { SetAsInt64(Value); }
    Double GetAsFloat() const override { return static_cast<Double>(GetAsExtended()); }
    void SetAsFloatImpl(Double Value) override;
    ::Currency GetAsCurrency() const override;
    void SetAsCurrencyImpl(::Currency Value) override;
    Variant GetAsVariant() const override;
    void SetVarValue(const Variant& Value) override;
    Integer GetDataSize() const override { return 8; }
    void GetText(AnsiString& Text, bool DisplayText) const override;
    void CheckTypeSize(Integer Value) override;
    bool IsDataField() const { return FFieldKind == fkData || FFieldKind == fkInternalCalc; }
    bool ColumnIsInt64() const;

private:
    bool FRoundByScale = true;
};

class TFBBooleanField : public TBooleanField {
public:
    explicit TFBBooleanField(TComponent* AOwner);
    const AnsiString& StringTrue() const { return FStringTrue; }
    void SetStringTrue(const AnsiString& Value) { FStringTrue = Value; }
    const AnsiString& StringFalse() const { return FStringFalse; }
    void SetStringFalse(const AnsiString& Value) { FStringFalse = Value; }

protected:
    Integer GetDataSize() const override;
    bool GetAsBoolean() const override;
    void SetAsBooleanImpl(bool Value) override;
    Integer GetAsInteger() const override;
    void SetAsIntegerImpl(Integer Value) override { SetAsBooleanImpl(Value != 0); }
    AnsiString GetAsString() const override;
    void SetAsStringImpl(const AnsiString& Value) override;
    Variant GetAsVariant() const override;
    void GetText(AnsiString& Text, bool DisplayText) const override;

private:
    bool ReadStored(bool& Value) const;
    AnsiString FStringTrue = "True";
    AnsiString FStringFalse = "False";
};

// Array columns: the 8-byte array id; the elements are reached through the data set.
class TFBArrayField : public TBytesField {
public:
    explicit TFBArrayField(TComponent* AOwner);
    // The id the record had when its edit or insert began (false: none).
    bool SavedId(ISC_QUAD& Id) const {
        Id = FSavedId;
        return FHasSavedId;
    }
    void SetSavedId(bool Has, const ISC_QUAD& Id) {
        FHasSavedId = Has;
        FSavedId = Id;
    }

protected:
    void GetText(AnsiString& Text, bool DisplayText) const override;
    AnsiString GetAsString() const override;
    // The whole array as a variant array, read from or written to the server.
    Variant GetAsVariant() const override;
    void SetVarValue(const Variant& Value) override;

private:
    bool FHasSavedId = false;
    ISC_QUAD FSavedId{};
};

class TFBBlobField : public TBlobField {
public:
    explicit TFBBlobField(TComponent* AOwner);
    Integer BlobSubType() const { return FBlobSubType; }
    void SetBlobSubType(Integer Value) { FBlobSubType = Value; }
protected:
    Variant GetAsVariant() const override;
private:
    Integer FBlobSubType = 0;
};

class TFBMemoField : public TMemoField {
public:
    explicit TFBMemoField(TComponent* AOwner);
    Integer CharacterSet() const { return FCharacterSet; }
    void SetCharacterSet(Integer Value) { FCharacterSet = Value; }
    WideString AsWideString() const;
    void SetAsWideString(const WideString& Value);
protected:
    Variant GetAsVariant() const override;
private:
    Integer FCharacterSet = 0;
};

class TFBGuidField : public TGuidField {
public:
    explicit TFBGuidField(TComponent* AOwner);
    TGUID AsGuid() const;
    void SetAsGuid(const TGUID& Value);
protected:
    Integer GetDataSize() const override { return 16; }
    void CheckTypeSize(Integer Value) override;
    AnsiString GetAsString() const override;
    void SetAsStringImpl(const AnsiString& Value) override;
    Variant GetAsVariant() const override;
};

class TFBDateField : public TDateField {
public:
    explicit TFBDateField(TComponent* AOwner) : TDateField(AOwner) {}
};
class TFBTimeField : public TTimeField {
public:
    explicit TFBTimeField(TComponent* AOwner) : TTimeField(AOwner) {}
};
class TFBDateTimeField : public TDateTimeField {
public:
    explicit TFBDateTimeField(TComponent* AOwner) : TDateTimeField(AOwner) {}
};

// Options of the data set's own record search; Locate gives only the first two.
enum : Byte {
    lcoCaseInsensitive = 1,   // texts compared upper-cased
    lcoPartialKey = 2,        // the text starts with the key
    lcoWildcard = 4,          // the key is a LIKE mask (% and _)
    lcoSorted = 8,            // the records are sorted on the key fields: binary search
    lcoNearest = 16,          // no match: stay on the record where it would be
    lcoFetchedOnly = 32       // no further rows are fetched
};

// Field names separated by ";", trimmed, empty ones left out.
std::vector<AnsiString> SplitFieldNames(const AnsiString& Names);

// An ORDER BY item without a trailing NULLS FIRST or NULLS LAST; Placement gets
// 0 (none), 1 (first) or 2 (last).
AnsiString WithoutNullsPlacement(const AnsiString& Item, Integer* Placement = nullptr);

// ---------------------------------------------------------------------------------------------
// The stream a blob field of the data set hands out: a view of the record's
// TFBBlobStream (owned by the data set), or of nothing for a null blob read.
class TFBDSBlobStream : public TStream {
public:
    // Owned: the stream is freed with this one (a temporary for another record).
    TFBDSBlobStream(TBlobField* Field, TFBBlobStream* BlobStream, TBlobStreamMode Mode, const ISC_QUAD& BlobID,
                    bool Owned = false);
    ~TFBDSBlobStream() override;
    Integer Read(void* Buffer, Integer Count) override;
    Integer Write(const void* Buffer, Integer Count) override;   // error 43 outside edit and insert
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
    Int64 Size() override;
    void SetSize(Int64 NewSize) override;
    bool Modified() const { return FModified; }
    const ISC_QUAD& BlobID() const { return FBlobID; }
    TFBBlobStream* BlobStream() const { return FBlobStream; }

private:
    bool OldState() const;
    TBlobField* FField;
    TFBBlobStream* FBlobStream;
    ISC_QUAD FBlobID{};
    bool FModified;
    bool FOwned;
};

// The link of a detail data set to its master's data source: a master that
// opens, closes or moves to another record makes the detail follow.
class TFBDataLink : public TDetailDataLink {
public:
    explicit TFBDataLink(TFBCustomDataSet* Detail) : FDetail(Detail) {}

protected:
    void ActiveChanged() override;
    void RecordChanged(TField* Field) override;
    TDataSet* GetDetailDataSet() const override;

private:
    TFBCustomDataSet* FDetail;
};

// What the blob step does with the streams of a record buffer.
// bsaCached: a change posted into the cache stays what a later cancel returns to;
// bsaRevert: back to the contents the record had before its changes.
enum TBlobStreamAction { bsaRecord, bsaPost, bsaCancel, bsaRelease, bsaCached, bsaRevert };

// ---------------------------------------------------------------------------------------------
// The data set.

class TFBCustomDataSet : public TDataSet, public ISQLObject, public IFBPropsOwner {
    friend class TFBDSBlobStream;   // marks the data set modified when it is written

public:
    explicit TFBCustomDataSet(TComponent* AOwner);
    ~TFBCustomDataSet() override;
    void BeforeDestruction() override;

    // ---- connection
    TFBDatabase* Database() const override { return FBase ? FBase->Database() : nullptr; }
    void SetDatabase(TFBDatabase* Value);
    TFBTransaction* Transaction() const { return FBase ? FBase->Transaction() : nullptr; }
    void SetTransaction(TFBTransaction* Value);
    TFBTransaction* UpdateTransaction() const;
    virtual void SetUpdateTransaction(TFBTransaction* Value);
    TTransactionKind RefreshTransactionKind() const { return FRefreshTransactionKind; }
    void SetRefreshTransactionKind(TTransactionKind Value);
    TFBBase* Base() const { return FBase.get(); }

    // ---- statements and their texts
    TFBQuery* SelectQuery() const { return FSelectQuery; }
    TFBQuery* InsertQuery() const { return FInsertQuery; }
    TFBQuery* UpdateQuery() const { return FUpdateQuery; }
    TFBQuery* DeleteQuery() const { return FDeleteQuery; }
    TFBQuery* RefreshQuery() const { return FRefreshQuery; }
    TStrings* SelectSQL() const override { return FSelectQuery->SQL(); }
    void SetSelectSQL(TStrings* Value) override;
    TStrings* InsertSQL() const override { return FInsertQuery->SQL(); }
    void SetInsertSQL(TStrings* Value) override { FInsertQuery->SetSQL(Value); }
    TStrings* UpdateSQL() const override { return FUpdateQuery->SQL(); }
    void SetUpdateSQL(TStrings* Value) override { FUpdateQuery->SetSQL(Value); }
    TStrings* DeleteSQL() const override { return FDeleteQuery->SQL(); }
    void SetDeleteSQL(TStrings* Value) override { FDeleteQuery->SetSQL(Value); }
    TStrings* RefreshSQL() const override { return FRefreshQuery->SQL(); }
    void SetRefreshSQL(TStrings* Value) override { FRefreshQuery->SetSQL(Value); }
    // The five texts as one object (reads and writes go to the properties above).
    TSQLs* SQLs() const { return FSQLs.get(); }
    TConditions* Conditions() const { return FSelectQuery->Conditions(); }

    // ---- settings of the generated statements, and the container that hears the events
    TAutoUpdateOptions* AutoUpdateOptions() const { return FAutoUpdateOptions.get(); }
    void SetAutoUpdateOptions(TAutoUpdateOptions* Value) { FAutoUpdateOptions->Assign(Value); }
    TDataSetsContainer* Container() const { return FContainer; }
    // Leaves the old container and registers with the new one (not owned).
    void SetContainer(TDataSetsContainer* Value);

    // ---- options and modes
    TpFBDsOptions Options() const { return FOptions; }
    void SetOptions(TpFBDsOptions Value);
    TpPrepareOptions PrepareOptions() const { return FPrepareOptions; }
    virtual void SetPrepareOptions(TpPrepareOptions Value);
    TDetailConditions DetailConditions() const;
    void SetDetailConditions(TDetailConditions Value);
    bool CachedUpdates() const { return FCachedUpdates; }
    void SetCachedUpdates(bool Value);
    bool UniDirectional() const { return FUniDirectional; }
    void SetUniDirectional(bool Value);
    TFBUpdateRecordTypes UpdateRecordTypes() const { return FUpdateRecordTypes; }
    void SetUpdateRecordTypes(TFBUpdateRecordTypes Value);
    TUpdateKinds AllowedUpdateKinds() const { return FAllowedUpdateKinds; }
    void SetAllowedUpdateKinds(TUpdateKinds Value) { FAllowedUpdateKinds = Value; }
    bool AutoCommit() const { return FAutoCommit; }
    void SetAutoCommit(bool Value) { FAutoCommit = Value; }
    TCursor SQLScreenCursor() const { return FSQLScreenCursor; }
    void SetSQLScreenCursor(TCursor Value) { FSQLScreenCursor = Value; }
    Integer WaitEndMasterInterval() const { return FWaitEndMasterInterval; }
    void SetWaitEndMasterInterval(Integer Value);
    TCacheModelOptions* CacheModelOptions() const { return FCacheModelOptions.get(); }
    void SetCacheModelOptions(TCacheModelOptions* Value) { FCacheModelOptions->Assign(Value); }
    const TDataSetNotifyEvent& OnEndScroll() const { return FOnEndScroll; }
    void SetOnEndScroll(const TDataSetNotifyEvent& Value);

    // ---- state
    bool Prepared() const { return FPrepared; }
    bool UpdatesPending() const { return FUpdatesPending; }
    Integer CacheModifiedCount() const { return FCacheModifiedCount; }
    Integer FetchedCount() const { return FRecordsCount; }
    Integer CurrentRecordNumber() const { return FCurrentRecord_; }
    Integer DeletedCount() const { return FDeletedRecords; }
    Integer InsertedCount() const { return FInsertedRecords; }
    TRecordsCache* RecordsCache() const { return FCache.get(); }
    TFBFieldDescrList* FieldDescrs() const { return FFieldDescrs.get(); }
    Integer RecordBufferSize() const { return FRecordBufferSize; }
    Integer CacheRecordSize() const { return FCacheRecordSize; }
    Integer BlobFieldCount() const { return FBlobFieldCount; }

    // ---- the new virtual operations
    virtual bool CanEdit();
    virtual bool CanInsert();
    virtual bool CanDelete();
    virtual void DoTransactionEnding(TObject* Sender);
    virtual void DoTransactionEnded(TObject* Sender);
    virtual void DoAfterEndUpdateTransaction(TObject* EndingTR, TTransactionAction Action, bool Force);
    virtual void InternalDeleteRecord(TFBQuery* Qry, TRecordBuffer Buff);
    virtual void InternalPostRecord(TFBQuery* Qry, TRecordBuffer Buff) {}
    virtual bool IsVisible(TRecordBuffer Buffer);
    // A last say on a filtered record, after the filter text and OnFilterRecord.
    virtual void FilterRecordHook(TDataSet* DataSet, bool& Accept) {}
    virtual void DoBeforeExecuteSelect() {}
    // Puts back the array ids the array fields had when the edit or insert began.
    virtual void ResetArrayFields();
    virtual void InternalRefreshRow(TFBQuery* Qry, TRecordBuffer Buff, bool ResortFlag);
    // True when a parameter of the select differs from its master field.
    virtual bool SetParamsFromMaster();
    // ---- master-detail
    void SetDataSource(TDataSource* Value);
    TFBDataLink* DataLink() const { return FDataLink.get(); }
    // The master opened or moved to a record with other parameter values: the
    // detail opens again on them, at once or, with dcWaitEndMasterScroll, once
    // the master has stopped moving for WaitEndMasterInterval milliseconds.
    void MasterChanged();
    // Re-opens the detail on its master's values (a closed one only with dcForceOpen); an edit or cached
    // lines pending keep the master they were typed for instead.
    void RefreshDetail();
    // The master closed: the detail closes too unless dcIgnoreMasterClose.
    void MasterDisabled();
    // True while the detail follows its master (a detail of it then follows at once).
    bool RefreshingFromMaster() const { return FRefreshingFromMaster; }
    virtual void CancelUpdates();
    virtual void Prepare();

    // ---- local filter
    void SetFilterOptions(TFilterOptions Value) override;
    void SetFilterData(const AnsiString& Text, TFilterOptions Options);
    // Compiles Text (none for a blank one) into the evaluator the records are tested with.
    void BuildFilterExpression(const AnsiString& Text, TFilterOptions Options);
    TExpressionParser* FilterExpression() const { return FFilterExpr.get(); }

    // ---- local sort
    // Fields: per sort field an index, a name (one character or more) or the
    // field itself; Ordering: true for ascending, one per field (missing ones
    // ascend). Every fetched record takes part; Nulls come first ascending.
    virtual void DoSort(const std::vector<TVarRec>& SortFields, const std::vector<bool>& Ordering);
    void DoLocalSort(const std::vector<TVarRec>& SortFields, const std::vector<bool>& Ordering);
    bool Sorted() const;
    // The active record's value differs from its old one in a sort field.
    bool SortFieldChanged();
    // Moves the current record to its sorted place.
    void ResortAfterPost();
    AnsiString SortFieldsText() const;
    // RecNo values (1-based); a target past the fetched records fetches them all.
    virtual void MoveRecord(Integer OldRecNo, Integer NewRecNo);

    // ---- finding records
    bool Locate(const AnsiString& KeyFields, const Variant& KeyValues, TLocateOptions Options) override;
    // Sorted on exactly KeyFields and fetched whole, the search is a binary one.
    Variant Lookup(const AnsiString& KeyFields, const Variant& KeyValues, const AnsiString& ResultFields) override;
    // Locate with the data set's own options (lco...); with lcoNearest the cursor
    // moves to where the record would be also when none matches.
    bool LocateEx(const AnsiString& KeyFields, const Variant& KeyValues, Byte Options);
    // Searches from the first record (FromFirst) or the current one, backwards
    // with Direction 2, fetching rows as needed; the found record becomes current
    // (the cursor only, the buffers are not re-read). Not found: the position is
    // kept, unless lcoNearest.
    virtual bool InternalLocate(const AnsiString& KeyFields, const Variant& KeyValues, Integer Direction,
                                bool FromFirst, Byte Options);
    // Asks the server: the select with a condition on the key columns (parameters
    // LOCATE_<field>, the first HighIndex + 1 of them given the key values) and
    // without its ORDER BY, run in Qry or in a statement of its own. Found: a row
    // came; without Qry the data set then goes to that record. Only Mode 0 (the
    // whole select), 1 the rows after the current record, 2 those before it
    // (these two in the select's order, so the nearest match comes first).
    bool LocateByQuery(const AnsiString& KeyFields, const Variant& KeyValues, TFBQuery* Qry, Integer Mode,
                       Byte Options, Integer HighIndex = 0x7FFFFFFF);
    // Closes and re-opens the data set and goes back to the record it was on: found
    // again by the values of KeyFields, or without them by every data field as the
    // refresh statement reads the record now (no refresh statement: to the first).
    void ReopenLocate(const AnsiString& KeyFields);
    // Reads the current record and its neighbours again. In the limited cache
    // model, with Flag a record that is gone leaves a window around the place it
    // had; without it the window stays as it is.
    void RefreshAll(bool Flag, bool Resync);

    // ---- the limited cache model
    // CachedUpdates off, an ORDER BY, AutoCommit or one transaction for reading
    // and updating, and no NEW_ parameter in the select.
    bool CanUseLimitedCache();
    // The statements that fetch the window on: the select reversed, the rows
    // after and before a key (parameters NEW_<field>) and the row of a key
    // (parameters LOCATE_<field>).
    void PrepareLimitedCacheQueries();
    bool LimitedCache() const;
    TFBQuery* SelectDescQuery() const { return FSelectDescQuery; }
    TFBQuery* SelectPartQuery() const { return FSelectPartQuery; }
    TFBQuery* SelectPartDescQuery() const { return FSelectPartDescQuery; }
    TFBQuery* SelectLocate() const { return FSelectLocate; }
    // Record numbers of the window's first and last records (-1: empty) and
    // whether its first and last rows are those of the select.
    Integer WindowFirst() const { return FWindow.First; }
    Integer WindowLast() const { return FWindow.Last; }
    bool WindowAtBof() const { return FWindow.Bof; }
    bool WindowAtEof() const { return FWindow.Eof; }

    // ---- ORDER BY information
    // Reads the ORDER BY items of the select into the sort description.
    void GetOrderInfo();
    // [i, 0] field name, [i, 1] true for ascending; Null when there is none.
    const Variant& SortDescription() const { return FSortDescription; }
    bool LocallySorted() const { return FLocallySorted; }

    // ---- stored properties (kept in a form file besides the published ones)
    // One Boolean per option bit (of PrepareOptions, DetailConditions and Options)
    // stored only when it differs from its default or from the ancestor's;
    // "BufferChunks" and "ObjectView" are read, never written.
    virtual void DefineProperties(TFiler* Filer);
    // Reads stored lines in the loading state; a name no property defines raises EReadError.
    void ReadStoredProperties(TStrings* Lines);
    void WriteStoredProperties(TStrings* Lines, TFBCustomDataSet* Ancestor = nullptr);

    // ---- operations
    void PrepareConnection();
    void FreeHandles();
    void CloseOpen(bool DoFetchAll);
    void FetchAll();
    void DisableScrollEvents() { ++FDisableScrollCount; }
    void EnableScrollEvents() { if (FDisableScrollCount > 0) --FDisableScrollCount; }
    void DisableCalcFields() { ++FDisableCalcCount; }
    void EnableCalcFields();
    Integer CompareFieldValues(TField* Field, const Variant& S1, const Variant& S2);
    void ChangeScreenCursor(TCursor& OldCursor);
    void RestoreScreenCursor(TCursor OldCursor);
    // Fields by name through a look-up cache; a quoted name is unquoted.
    TField* FBFindField(const AnsiString& Name);
    TField* FBFieldByName(const AnsiString& Name);
    // The first field whose column name is SQLName ("DB_KEY" is "RDB$DB_KEY").
    TField* FieldByOriginName(const AnsiString& SQLName);
    bool RefreshRecordFromQuery(TFBQuery* Qry, TRecordBuffer Buff);
    void PrepareQuery(Integer Kind);             // 0 update, 1 insert, 2 delete, 3 refresh
    void SetInternalSQLParams(TFBQuery* Qry, TRecordBuffer Buffer);
    void AutoCommitUpdates();
    void DeleteFromCache();
    // A cached change of the record is taken back; a local sort kept after posts keeps its order.
    void RevertRecord(Integer RecNo);
    // The record's values before the current edit in a new buffer (free it with
    // FreeRecordBuffer); RecNo -1 is the active record.
    TRecordBuffer GetOldRecordBuffer(Integer RecNo);
    void FreeOldRecordBuffer(TRecordBuffer& Buffer) { FreeRecordBuffer(Buffer); }
    TRecordBuffer GetActiveBuf() const;
    // A text field's value read straight from the record: rtOther when the
    // column needs the general path (DB_KEY, GUID, wide text).
    enum TReadText { rtNull, rtRead, rtOther };
    TReadText ReadText(TFBStringField* Field, AnsiString& Value);

    // ---- the data set as a source of parameter values: its fields and
    // SelectQuery's parameters
    Integer ParamCount() override;
    AnsiString ParamName(Integer ParamIndex) override;
    Integer FieldsCount() override;
    bool FieldExist(const AnsiString& FieldName, Integer& FieldIndex) override;
    bool ParamExist(const AnsiString& ParamName, Integer& ParamIndex) override;
    // Old: the value before the edit (an inserted record has none: its new value).
    Variant FieldValue(const AnsiString& FieldName, bool Old) override;
    Variant FieldValue(Integer FieldIndex, bool Old) override;
    Variant ParamValue(const AnsiString& ParamName) override;
    Variant ParamValue(Integer ParamIndex) override;
    void SetParamValue(Integer ParamIndex, const Variant& aValue) override;

    // ---- array fields
    // The elements of the record's array as a variant array with the column's
    // bounds (Null for a null array; false for a field without an array column).
    Variant GetArrayFieldValue(TField* Field);
    // Writes Value as the record's whole array in the update transaction (edit and
    // insert states only, error 42 otherwise); Null or Empty clears the field.
    void SetArrayFieldValue(TField* Field, const Variant& Value);

    // ---- blob fields
    TStream* CreateBlobStream(TField* Field, TBlobStreamMode Mode) override;
    // Runs Action on the blob streams of Buffer (Field only, or every blob
    // field), then puts each stream's null state and id into the record.
    void BlobStreamStep(TRecordBuffer Buffer, TBlobStreamAction Action, TField* Field = nullptr);
    // Whether the current record's blob of Field was changed.
    bool BlobFieldModified(TField* Field);
    // The record's stream of a blob field; nullptr when none was made.
    TFBBlobStream* SlotStream(TRecordBuffer Buffer, TField* Field) const;
    // Streams made so far (freed ones leave their slot empty).
    TList* BlobStreams() const { return FBlobStreams.get(); }
    // The data set's fields of the table's primary key, joined by ";" (empty
    // when the table has none or one of them is not among the fields); without
    // fields, the select's output columns stand for them.
    AnsiString KeyFieldsOfTable(const AnsiString& TableName);

    // The description of a data field's select column; nullptr for other fields.
    TFBFieldDescr* DescrOf(TField* Field) const;

    // ---- state checks
    void CheckDatasetClosed(const AnsiString& Operation);
    void CheckDatasetOpen(const AnsiString& Operation);
    void CheckNotUniDirectional();
    void CheckEditState();

    // ---- framework overrides (public in the protocol)
    TDataSource* GetDataSource() const override;
    bool BookmarkValid(const TBookmark& Bookmark) const override;
    Integer CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) const override;
    TUpdateStatus UpdateStatus() const override;
    bool IsSequenced() const override;
    bool GetCurrentRecord(TRecordBuffer Buffer) override;
    void Post() override;
    void Resync(TResyncMode Mode) override;
    bool GetFieldData(TField* Field, void* Buffer) override;
    using TDataSet::GetFieldData;
    void SetFieldData(TField* Field, const void* Buffer) override;
    using TDataSet::SetFieldData;
    Variant GetStateFieldValue(TDataSetState AState, TField* Field) override;
    void SetStateFieldValue(TDataSetState AState, TField* Field, const Variant& Value) override;
    TFieldClass GetFieldClass(TFieldType FieldType) const override;
    void CheckFieldCompatibility(TField* Field, TFieldDef* FieldDef) override;
    void CheckInactive() override;
    void DataEvent(TDataEvent Event, TDataEventInfo Info) override;
    Integer Translate(const char* Src, char* Dest, bool ToOem) override;

    // ---- record buffer access (layout above)
    static Integer& BufRecNo(TRecordBuffer Buffer) { return *reinterpret_cast<Integer*>(Buffer); }
    static Byte& BufFlag(TRecordBuffer Buffer) { return *reinterpret_cast<Byte*>(Buffer + 4); }
    static Byte& BufStatus(TRecordBuffer Buffer) { return *reinterpret_cast<Byte*>(Buffer + 5); }
    // Null flag of select column Column (1-based).
    static Byte& BufNull(TRecordBuffer Buffer, Integer Column) {
        return *reinterpret_cast<Byte*>(Buffer + 5 + Column);
    }

    // ---- events
    TNotifyEvent DatabaseDisconnecting, DatabaseDisconnected, DatabaseFree;
    TNotifyEvent TransactionEnding, TransactionEnded, TransactionFree;
    TFBUpdateErrorEvent OnUpdateError;
    TFBUpdateRecordEvent OnUpdateRecord;
    TOnFetchRecord BeforeFetchRecord, AfterFetchRecord;
    TDataSetErrorEvent OnGetRecordError;
    TFieldNotifyEvent OnFieldChange;
    TDataSetNotifyEvent OnEnableControls, OnDisableControls;
    TNotifyEvent BeforeStartTransaction, AfterStartTransaction;
    TNotifyEvent BeforeStartUpdateTransaction, AfterStartUpdateTransaction;
    TEndTrEvent BeforeEndTransaction, AfterEndTransaction;
    TEndTrEvent BeforeEndUpdateTransaction, AfterEndUpdateTransaction;
    TCompareFieldValues OnCompareFieldValues;

protected:
    TFBQuery* CreateInternalQuery(const AnsiString& Name);
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // Record layout and the cache.
    void InitRecordLayout();
    void FetchRecordToCache(TFBQuery* Qry, Integer RecNo);
    void FetchCurrentRecordToBuffer(TFBQuery* Qry, Integer RecNo, TRecordBuffer Buffer);
    void ReadRecordCache(Integer RecNo, TRecordBuffer Buffer, bool Old);
    // The cached record at RecNo passes the filter and the shown update kinds.
    bool ShownAt(Integer RecNo);
    void WriteRecordCache(Integer RecNo, TRecordBuffer Buffer);
    void SaveRecordCopy(TRecordBuffer Buffer);
    Integer CachePosition(Integer RecNo) const;
    TGetResult GetNextVisibleRecord(TRecordBuffer Buffer, TGetMode Mode);
    // False for a record a uni-directional data set no longer holds in its ring.
    bool InRing(Integer RecNo) const;
    Integer BlobIndex(TField* Field) const;   // -1 for a field without a slot
    // The slots follow the record's fields at any byte offset: copied, never read in place.
    Int64 BlobSlot(TRecordBuffer Buffer, Integer Index) const {
        Int64 Slot;
        std::memcpy(&Slot, Buffer + FBlobSlotsOffset + Index * 8, sizeof Slot);
        return Slot;
    }
    void SetBlobSlot(TRecordBuffer Buffer, Integer Index, Int64 Slot) const {
        std::memcpy(Buffer + FBlobSlotsOffset + Index * 8, &Slot, sizeof Slot);
    }
    TFBBlobStream* StreamAt(Int64 Slot) const;
    void FreeImageStreams(Byte* Image);        // frees the streams a cache image holds
    void FreeBlobStreams();
    // After a refresh: streams whose blob no longer is the record's are dropped.
    void DropChangedStreams(Byte* Image);
    void SetSwapKey(TFBBlobStream* S, TField* Field);
    void SetFilterText(const AnsiString& Value) override;
    // RevertRecord without keeping the order; true when the record's values went back.
    bool RevertImage(Integer RecNo);
    // The physical number of the record at cache position Pos; 0 for none (and in the ring models,
    // whose positions are slots).
    Integer PhysicalAt(Integer Pos) const;
    // The physical number of the record the user is on (the active one); 0 for none.
    Integer ActivePlace() const;
    // After records moved in the cache: the active buffer and the cursor go to where that record
    // is now; with Reread, in browse state, every buffer is read again around it.
    void FollowPlace(Integer Physical, bool Reread);
    // A cached record as it was before an operation that may be refused, with the counts that
    // operation may touch.
    struct TRecordUndo {
        Integer Physical = 0;
        Integer Pos = -1;
        std::vector<char> Buffer;
        Integer DeletedRecords = 0;
        Integer CacheModifiedCount = 0;
        bool UpdatesPending = false;
    };
    TRecordUndo SaveRecordUndo(Integer Pos);
    // The record goes back to its place and values, and the counts to theirs.
    void UndoRecord(const TRecordUndo& U);
    // While held, a blob stream that a refresh drops stays alive (an undone record names it
    // again); the end frees those still held, or with Keep leaves them to their records.
    void HoldDroppedStreams() { FHoldingStreams = true; }
    void EndHoldingStreams(bool Keep);
    void DiscardStream(TFBBlobStream* S);
    bool FHoldingStreams = false;
    std::vector<TFBBlobStream*> FHeldStreams;
    // A posted row is stored before it is read back: when the reading fails, the post stands and
    // Post tells this error once it is done.
    std::exception_ptr FPostedRowError;
    // The record an apply of cached updates works on: the fields read it meanwhile.
    TRecordBuffer FApplyBuffer = nullptr;
    // A local sort kept after posts (poKeepSorting) whose order a change of values must keep.
    bool KeepsLocalOrder() const;
    // The local sort made again with the same fields and directions.
    void SortAgain();
    // Runs Read with the fields reading the record in Buffer (the filter state).
    void ReadRecordOf(TRecordBuffer Buffer, const std::function<void()>& Read);
    // The filter and OnFilterRecord accept the record in Buffer.
    bool FilterAccepts(TRecordBuffer Buffer);
    // Sort values of cache position Pos, read through the fields.
    std::vector<Variant> SortValues(Integer Pos, const std::vector<TField*>& Fields);
    Integer CompareSortValues(const std::vector<Variant>& A, const std::vector<Variant>& B,
                              const std::vector<TField*>& Fields, const std::vector<bool>& Ascending);
    void SortFieldsOf(std::vector<TField*>& Fields, std::vector<bool>& Ascending) const;
    // A record buffer of this data set for the length of a scope.
    struct TTempBuffer {
        explicit TTempBuffer(TFBCustomDataSet* D) : DataSet(D), Buffer(D->AllocRecordBuffer()), Alive(D) {}
        // A handler may have freed the data set meanwhile: the buffer goes all the same.
        ~TTempBuffer() {
            if (Alive.Alive()) DataSet->FreeRecordBuffer(Buffer);
            else delete[] Buffer;
        }
        TTempBuffer(const TTempBuffer&) = delete;
        TTempBuffer& operator=(const TTempBuffer&) = delete;
        TFBCustomDataSet* DataSet;
        TRecordBuffer Buffer;
        TAliveGuard Alive;
    };
    // 0 when the record in Buffer matches the keys; else 1, or with lcoSorted -1
    // when the wanted record lies before it.
    Integer MatchRecord(TRecordBuffer Buffer, const std::vector<TField*>& Fields, const std::vector<Variant>& Keys,
                        Byte Options);
    // Cache position where the record at Pos belongs among the others.
    Integer SortedPlace(Integer Pos);
    // Fetches the next row of SelectQuery into the cache at FRecordsCount; false at the end.
    bool FetchNextRow(TRecordBuffer Buffer);
    // Parameter P takes the value of select column ColNo (1-based) of the record in Src.
    void SetParamFromRecord(TFBXSQLVAR* P, Integer ColNo, TRecordBuffer Src);
    // The column a data field reads, formatted for the statement texts (table.column).
    AnsiString ColumnReference(TField* Field) const;

    // The limited cache window.
    TGetResult GetWindowRecord(TRecordBuffer Buffer, TGetMode GetMode);
    bool WindowFetchForward();
    bool WindowFetchBackward();
    void WindowFirstRecords();
    void WindowLastRecords();
    // Record numbers all move up by BufferChunks (ring slots stay), keeping them positive.
    void ShiftWindow();
    void ResetWindow();
    void CloseWindowQueries();
    // Q executes with the select's parameters and NEW_ or LOCATE_ parameters from
    // the key fields of the record in KeyBuf.
    void ExecKeyed(TFBQuery* Q, TRecordBuffer KeyBuf);
    // Loads the window around the row Q is on (Q may have none: then around the
    // key in KeyBuf, when given). False, with nothing changed, when neither.
    bool LoadWindow(TFBQuery* Q, TRecordBuffer KeyBuf);
    // Finds the record of KeyBuf's key on the server and loads the window around
    // it; GoOn: also when it is gone (around its place).
    bool WindowAroundKey(TRecordBuffer KeyBuf, bool GoOn);
    bool WindowKeyChanged(TRecordBuffer Buffer);
    void PostInWindow(TFBQuery* Q, TRecordBuffer B, bool IsInsert);
    bool WindowKeyEquals(TRecordBuffer Buffer, const Byte* Bookmark);
    void OpenWindowModel();
    // The window's order from the sort description, with the table's key behind it when
    // that alone tells equal rows apart; LocalSort: a local sort, which the window's
    // statements take as their ORDER BY.
    void SetWindowOrder(bool LocalSort);
    void SetWindowBookmarkLayout();
    // A local sort of the window (Null: back to the select's order), the current record kept.
    void SortWindow(const Variant& Description);
    // The statement whose order the window follows: the select, or the locally sorted select.
    TFBQuery* WindowSelect() const;
    // The rows after (Forward) or before the key of the record in Key, Null key values
    // placed where the select puts them; Key nullptr: a key without Nulls.
    AnsiString WindowCondition(bool Forward, TRecordBuffer Key) const;
    AnsiString WindowLocateCondition(TRecordBuffer Key) const;
    // The text of a part or locate statement for the Nulls of the key in Key.
    AnsiString KeyedWindowSQL(const TFBQuery* Q, TRecordBuffer Key) const;
    void SetWindowSQL(TFBQuery*& Q, const char* Name, const AnsiString& Sql, bool Descending);
    // The select's order reversed, with the plan given for the descending statements.
    void ReverseWindowOrder(TFBQuery* Q) const;
    // In the window, else through the server by the bookmark's ORDER BY values.
    void WindowGotoBookmark(const Byte* Bookmark);

    // Framework overrides.
    TRecordBuffer AllocRecordBuffer() override;
    void FreeRecordBuffer(TRecordBuffer& Buffer) override;
    TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) override;
    void GetBookmarkData(TRecordBuffer Buffer, void* Data) const override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) const override;
    void SetBookmarkData(TRecordBuffer Buffer, const void* Data) override;
    void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) override;
    Integer GetRecordCount() const override;
    Integer GetRecNo() const override;
    void SetRecNoImpl(Integer Value) override;
    Integer GetRecordSize() const override { return FRecordBufferSize; }
    bool IsCursorOpen() const override { return FOpen; }
    void InternalOpen() override;
    void InternalClose() override;
    void CloseCursor() override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalPost() override;
    void InternalDelete() override;
    void InternalCancel() override;
    void InternalAddRecord(TRecordBuffer Buffer, bool Append) override;
    void InternalGotoBookmark(const void* Bookmark) override;
    void InternalSetToRecord(TRecordBuffer Buffer) override;
    void InternalInitRecord(TRecordBuffer Buffer) override;
    void InternalInitFieldDefs() override;
    void InternalRefresh() override;
    void InternalHandleException() override;
    bool GetCanModify() const override;
    void DataConvert(TField* Field, const void* Source, void* Dest, bool ToNative) override;
    void ClearCalcFields(TRecordBuffer Buffer) override;
    void GetCalcFields(TRecordBuffer Buffer) override;

    void DoBeforeOpen() override;
    void DoAfterOpen() override;
    void DoBeforeClose() override;
    void DoAfterClose() override;
    void DoBeforeScroll() override;
    void DoAfterScroll() override;
    void DoBeforeEdit() override;
    void DoBeforeDelete() override;
    void DoBeforeCancel() override;
    void DoBeforePost() override;
    void DoBeforeInsert() override;
    void DoAfterDelete() override;
    void DoAfterInsert() override;
    void DoAfterCancel() override;
    TpFBArray* ArrayOf(TField* Field);
    bool ArrayId(TField* Field, ISC_QUAD& Id);   // false for a null array
    void SaveArrayIds();
    // With dcForceMasterRefresh (and without cached updates unless EvenCached) the master is read again.
    void RefreshMaster(bool EvenCached = false);
    // The limited cache model's part of InternalRefreshRow.
    void RefreshWindowRow(TFBQuery* Qry, TRecordBuffer Buff, bool ResortFlag);
    // A master move that came while this detail was being edited or had lines pending is followed now,
    // unless changes are pending for the master kept meanwhile; true when the detail was opened again.
    bool FollowMasterAfterEdit();
    bool PendingForKeptMaster() const;
    // Before a change: a master kept with nothing pending for it, or one still waiting for the timer,
    // is followed; a change of a record ends silently when the new master has none.
    void FollowBeforeChange(bool NeedsRecord);
    bool RunSavepoint(const char* Sql);   // false when the update transaction is not running
    bool FMasterMovedWhileEditing = false;
    // While CloseOpen runs, the open and close events stay silent.
    bool OpenCloseEventsSuppressed() const { return FEventsSuppressed > 0; }

    // The metadata of the table column V reads; nullptr for none (expressions).
    TpFBFieldInfo* ColumnFieldInfo(TFBXSQLVAR* V);
    // The field type and size of select column Index, ftUnknown for none.
    TFieldType ColumnFieldType(Integer Index, Integer& Size);
    // The buffer a field value is read from in the current state.
    TRecordBuffer ValueBuffer() const;

    // Internal state.
    Integer FCurrentRecord_ = -1;   // C: cache position of the current record
    Integer FRecordsCount = 0;      // N: fetched records
    Integer FDeletedRecords = 0;
    Integer FInsertedRecords = 0;
    Integer FCacheModifiedCount = 0;
    bool FUpdatesPending = false;
    bool FOpen = false;
    bool FPrepared = false;
    bool FInFetch = false;
    bool FSelectSQLChanged = false;
    bool FInResync = false;
    TDataSetState FSavedState = dsInactive;   // the state before a calculated-field state
    Integer FRecordBufferSize = 0;
    Integer FCacheRecordSize = 0;
    Integer FBlobSlotsOffset = 0;
    Integer FCalcFieldsOffset = 0;
    Integer FBlobFieldCount = 0;
    Integer FBlobSlotsImageOffset = 0;        // of the blob slots in a cache image
    std::vector<TField*> FBlobFields;         // by slot
    std::unique_ptr<TList> FBlobStreams;
    // Ids of blobs this data set wrote: a statement that took one made it the record's, so it is
    // never sent again (a later statement gets a fresh copy of the body).
    std::set<UInt64> FWrittenBlobs;
    std::unique_ptr<TFBDataLink> FDataLink;
    // The master field each select parameter takes its value from (MAS_X: X).
    TField* MasterFieldOf(const AnsiString& ParamName) const;
    // Select parameters (also those only a macro's value brings) take their master
    // field's value by the field's type; a type without a parameter form: error 1.
    void ParamsFromMaster();
    void ParamFromMaster(TFBXSQLVAR* V);
    // The select's parameters, then those only the text that runs has.
    std::vector<TFBXSQLVAR*> MasterParams();
    void RefreshFromMaster();
    // A master move still waiting for the timer is followed now, before every change of the
    // detail; a change of a record ends silently when the new master has none.
    void ApplyPendingMasterRefresh(bool NeedsRecord = false);
    // Before an apply: a master move still waiting is followed first unless lines are pending, which
    // keep the master they show until they are stored.
    void FollowBeforeApply();
    // A line keeps the master it was begun for: the master's values at the start of an edit,
    // insert or delete are what its MAS_ parameters take when the master moved meanwhile (also in the apply
    // its post runs, until the detail follows).
    void KeepMasterValues();
    Variant MasterValue(TField* MasterField) const;
    std::vector<std::pair<AnsiString, Variant>> FMasterValues;
    bool FRefreshingFromMaster = false;
    std::vector<TStringCollection::TText> FRowTexts;   // a fetched row's texts on their way to the cache
    std::unique_ptr<TExpressionParser> FFilterExpr;
    TRecordBuffer FFilterBuffer = nullptr;    // the record a filter or a sort reads
    bool FFilterBypass = false;               // every record visible (sorting)
    Integer FLongTextCount = 0;
    TRecordBuffer FOldValueBuffer = nullptr;  // while an old value is read
    Variant FSortDescription;
    bool FLocallySorted = false;
    std::unique_ptr<TRecordsCache> FCache;
    std::unique_ptr<TFBFieldDescrList> FFieldDescrs;

private:
    void SQLChanging(TObject* Sender);
    void SelectBeforeFetch(TObject* Sender);
    void BaseDatabaseDisconnecting(TObject* Sender);
    void AddTransactionHandlers(TFBTransaction* Tr, bool Read, bool Update);
    void RemoveTransactionHandlers(TFBTransaction* Tr, bool Read, bool Update);
    void EndScrollTimer(TObject* Sender);
    // The forwarders of the read and update transactions' start and end events.
    void ReadBeforeStart(TObject* Sender);
    void ReadAfterStart(TObject* Sender);
    void ReadBeforeEnd(TObject* EndingTR, TTransactionAction Action, bool Force);
    void ReadAfterEnd(TObject* EndingTR, TTransactionAction Action, bool Force);
    void UpdateBeforeStart(TObject* Sender);
    void UpdateAfterStart(TObject* Sender);
    void UpdateBeforeEnd(TObject* EndingTR, TTransactionAction Action, bool Force);
    void UpdateAfterEnd(TObject* EndingTR, TTransactionAction Action, bool Force);
    void RebuildFieldDefs();
    // Prepares in the designer: connects and starts the read transaction when needed.
    void PrepareForDesigner();
    AnsiString ColumnOrigin(TField* F) const;
    AnsiString FullName() const;

    std::unique_ptr<TFBBase> FBase;
    bool FTornDown = false;
    bool FStreamDefaultsApplied = false;
    TFBQuery* FDeleteQuery = nullptr;
    TFBQuery* FInsertQuery = nullptr;
    TFBQuery* FRefreshQuery = nullptr;
    TFBQuery* FSelectQuery = nullptr;
    TFBQuery* FUpdateQuery = nullptr;
    TFBQuery* FCursorQuery = nullptr;
    TFBQuery* FSelectDescQuery = nullptr;
    TFBQuery* FSelectPartQuery = nullptr;
    TFBQuery* FSelectPartDescQuery = nullptr;
    TFBQuery* FSelectLocate = nullptr;
    TFBQuery* FSelectSorted = nullptr;
    bool FWindowSorted = false;
    // The limited cache window: first and last record numbers, whether the select's
    // ends are reached, and the ascending and descending statements still open on
    // its edges (with the record numbers their last rows went to).
    struct TWindowState {
        Integer First = -1, Last = -1;
        bool Bof = true, Eof = false;
        TFBQuery* Asc = nullptr;
        Integer AscAt = -1;
        TFBQuery* Desc = nullptr;
        Integer DescAt = -1;
    } FWindow;
    // The ORDER BY fields with their direction, and where each key sits in a bookmark.
    std::vector<std::pair<TField*, bool>> FWindowOrder;
    std::vector<Integer> FWindowKeyOffsets;
    // Per ORDER BY field: 0 the column is never Null, 1 Null sorts lowest, 2 highest.
    std::vector<Byte> FWindowNulls;
    AnsiString FWindowReversedOrder;
    // The key Nulls ("0"/"1" per ORDER BY field) each keyed statement's text was made for.
    std::map<const TFBQuery*, AnsiString> FWindowNullPatterns;
    bool FCachedUpdates = false;
    bool FUniDirectional = false;
    TFBUpdateRecordTypes FUpdateRecordTypes{cusUnmodified, cusModified, cusInserted};
    TpFBDsOptions FOptions = DefaultDsOptions;
    TDetailConditions FDetailConditions;
    TpPrepareOptions FPrepareOptions = DefaultPrepareOptions;
    TTransactionKind FRefreshTransactionKind = tkReadTransaction;
    bool FAutoCommit = false;
    bool FSeparateUpdateTransaction = false;
    Integer FWaitEndMasterInterval = 300;
    std::unique_ptr<TFBTimer> FWaitMasterTimer;
    std::unique_ptr<TFBTimer> FEndScrollTimer;
    TDataSetNotifyEvent FOnEndScroll;
    TUpdateKinds FAllowedUpdateKinds{ukModify, ukInsert, ukDelete};
    std::unique_ptr<TCacheModelOptions> FCacheModelOptions;
    TCursor FSQLScreenCursor = 0;
    Integer FDisableScrollCount = 0;
    Integer FDisableCalcCount = 0;
    Integer FEventsSuppressed = 0;
    bool FEnableControlsState = true;
    std::vector<std::pair<AnsiString, TField*>> FFieldByNameCache;
    std::unique_ptr<TSQLs> FSQLs;
    std::unique_ptr<TAutoUpdateOptions> FAutoUpdateOptions;
    TDataSetsContainer* FContainer = nullptr;
};

// The published form of the data set; adds nothing.
class TFBDataSet : public TFBCustomDataSet {
public:
    explicit TFBDataSet(TComponent* AOwner) : TFBCustomDataSet(AOwner) {}
};
