#pragma once
// TpFBDataSet: the data set the application places on its forms and data
// module. On top of the buffered data set it runs the modifying statements
// (set by the screen or generated from the update table's metadata), extra
// update objects before or after them, record locks for protected editing,
// default values and generator values for new records, the events a
// TDataSetsContainer hears, and named user events.
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "datasets/DSContainer.h"
#include "datasets/FBDataSet.h"
#include "dbclient/pFBProps.h"
#include "dbclient/pFBQuery.h"
#include "platform/data/Provider.h"

// Outcome of LockRecord.
enum TLockStatus { lsSuccess, lsDeadLock, lsNotExist, lsMultiply, lsUnknownError };

using TLockErrorEvent =
    std::function<void(TDataSet* DataSet, TLockStatus LockError, AnsiString& ErrorMessage, TDataAction& Action)>;
using TAskRecordCountEvent = std::function<void(TDataSet* DataSet, AnsiString& SQL)>;
using TApplyDefaultValueEvent = std::function<void(TDataSet* DataSet, TField* Field, bool& Handled)>;

// Format with Scale decimals: "0." -> "0.00"; "0.0" -> "0.000"; others unchanged.
AnsiString FormatForScale(const AnsiString& Format, Integer Scale);

class TpFBDataSet : public TFBDataSet,
                    public IUpdateObjectsHost,
                    public IUserEventReceiver,
                    public IProviderSupport {
public:
    explicit TpFBDataSet(TComponent* AOwner);
    ~TpFBDataSet() override;

    // ---- settings
    TFormatFields* DefaultFormats() const { return FDefaultFormats.get(); }
    void SetDefaultFormats(TFormatFields* Value) { FDefaultFormats->Assign(Value); }
    Integer DataSet_ID() const { return FDataSet_ID; }
    // Needs a closed data set; a non-zero id asks for the repository texts.
    void SetDataSet_ID(Integer Value);
    const AnsiString& Description() const { return FDescription; }
    void SetDescription(const AnsiString& Value) { FDescription = Value; }
    TStringList* ReceiveEvents() const override { return FReceiveEvents.get(); }
    void SetReceiveEvents(TStrings* Value) { FReceiveEvents->Assign(Value); }
    AnsiString About() const { return "6.1.0 Release"; }
    void SetAbout(const AnsiString&) {}
    void SetPrepareOptions(TpPrepareOptions Value) override;

    // Default values by field name: what a new record gets (see DoOnNewRecord).
    AnsiString DefaultExpression(const AnsiString& FieldName) const;
    void SetDefaultExpression(const AnsiString& FieldName, const AnsiString& Expression);
    // GUID fields that get a new GUID on a new record.
    bool AutoGenerateGuid(const AnsiString& FieldName) const { return FAutoGuids.count(FieldName) > 0; }
    void SetAutoGenerateGuid(const AnsiString& FieldName, bool Value);

    // ---- update objects (IUpdateObjectsHost)
    Integer AddUpdateObject(TpFBUpdateObject* UO) override;
    void RemoveUpdateObject(TpFBUpdateObject* UO) override;
    TFBDatabase* UpdateObjectsDatabase() const override { return Database(); }
    TFBTransaction* UpdateObjectsTransaction() const override { return UpdateTransaction(); }
    const std::vector<TpFBUpdateObject*>& UpdateObjects(TUpdateKind Kind) const { return FUpdateObjects.List(Kind); }
    void ExecUpdateObjects(TUpdateKind Kind, TRecordBuffer Buffer, TFBOrderExecUO Order);
    TpFBUpdateObject* BlobUpdateObject() const { return FBlobUpdateObject; }

    // ---- generated statements
    // Kind 0 update, 1 insert, 2 delete, 3 refresh; FieldsMode 0 all data
    // fields, 1 non-blob fields, 2 blob fields.
    void GenerateModifySQL(const AnsiString& TableName, const AnsiString& KeyFields, AnsiString& SQL,
                           Integer FieldsMode, Integer Kind);
    void GenerateAllModifySQL();
    void PrepareBlobUpdateObject();
    void PrepareModifiedFieldsSQL(TDataSetState AState);
    bool CanAutoGenerateSQL() const;
    // The non-blob fields that come from the table, joined by ";".
    AnsiString NonBlobFieldsOfTable(const AnsiString& TableName);

    // ---- locks and updates
    TLockStatus LockRecord(bool RaiseError);
    void ApplyCachedUpdates();
    enum TResetMode { rmAfterApply, rmAfterCommit };
    void ResetUpdateStatuses(TResetMode Mode, bool Resync);
    // A modifying statement ran in the update transaction since it last ended.
    bool ChangesWritten() const { return FChangesWritten; }
    // What ChangesWritten was when the update transaction last ended without commit.
    bool ChangesRolledBack() const { return FChangesRolledBack; }

    // ---- allowed updates
    bool CanEdit() override;
    bool CanInsert() override;
    bool CanDelete() override;

    // ---- generator, defaults, formats
    virtual void ApplyGeneratorValue();
    virtual void ApplyPrepareOptions();
    virtual void DoApplyDefaultValue(TField* Field, bool& Handled);

    // ---- filtered records
    bool IsVisible(TRecordBuffer Buffer) override;
    void SetFiltered(bool Value) override;
    // Record numbers + 1 of the records the filter rejected so far.
    const TSortedList& HiddenRecords() const { return FHidden; }

    // ---- record count on the server
    virtual Integer GetServerRecordCount();
    // With psAskRecordCount, the rows the select had when it was opened.
    Integer ServerRecordCount() const { return FServerRecordCount; }
    void DoBeforeExecuteSelect() override;
    bool IsSequenced() const override;

    // ---- user events (IUserEventReceiver)
    void DoUserEvent(TObject* Sender, const AnsiString& EventName, const Variant& Info) override;

    void Prepare() override;

    // ---- provider support (IProviderSupport)
    void PSEndTransaction(bool Commit) override;
    void PSExecute() override;
    Integer PSExecuteStatement(const AnsiString& SQL, TParams* Params, TDataSet** ResultSet = nullptr) override;
    // AutoUpdateOptions' key fields.
    AnsiString PSGetKeyFields() override;
    // The select's parameters with their values (owned by the data set).
    TParams* PSGetParams() override;
    AnsiString PSGetQuoteChar() override;
    // The update table when the select reads it, else the select's first table.
    AnsiString PSGetTableName() override;
    std::unique_ptr<EUpdateError> PSGetUpdateException(const std::exception& E, EUpdateError* Prev) override;
    bool PSInTransaction() override;
    bool PSIsSQLBased() override { return true; }
    bool PSIsSQLSupported() override { return true; }
    // An open data set reads its rows again from the start.
    void PSReset() override;
    void PSSetCommandText(const AnsiString& CommandText) override;
    void PSSetParams(TParams* Params) override;
    void PSStartTransaction() override;
    // OnUpdateRecord when set (applied when it answers uaApplied); else the kind's
    // update objects before, the own statement, the update objects after, with
    // parameters from Delta's fields (NEW_ and plain names: the value, OLD_: the old value).
    bool PSUpdateRecord(TUpdateKind UpdateKind, TDataSet* Delta) override;

    // ---- the base's hooks
    void InternalPostRecord(TFBQuery* Qry, TRecordBuffer Buff) override;
    void InternalDeleteRecord(TFBQuery* Qry, TRecordBuffer Buff) override;
    void DoAfterEndUpdateTransaction(TObject* EndingTR, TTransactionAction Action, bool Force) override;

    // ---- events
    TLockErrorEvent OnLockError;
    // The data set's own error events; the base's slots route to them.
    TDataSetErrorEvent OnPostError, OnDeleteError;
    TUserEvent OnUserEvent;
    TAskRecordCountEvent OnAskRecordCount;
    TApplyDefaultValueEvent OnApplyDefaultValue;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void InternalOpen() override;
    void DoBeforeOpen() override;
    void DoAfterOpen() override;
    void DoBeforeClose() override;
    void DoAfterClose() override;
    void DoBeforeInsert() override;
    void DoAfterInsert() override;
    void DoBeforeEdit() override;
    void DoAfterEdit() override;
    void DoBeforePost() override;
    void DoAfterPost() override;
    void DoBeforeCancel() override;
    void DoAfterCancel() override;
    void DoBeforeDelete() override;
    void DoAfterDelete() override;
    void DoBeforeScroll() override;
    void DoAfterScroll() override;
    void DoBeforeRefresh() override;
    void DoAfterRefresh() override;
    void DoOnCalcFields() override;
    void DoOnNewRecord() override;
    void InternalPost() override;
    Integer GetRecNo() const override;
    void SetRecNoImpl(Integer Value) override;
    Integer GetRecordCount() const override;
    // The records with cache numbers From to To that the filter lets through.
    Integer CountVisible(Integer From, Integer To) const;

private:
    // A retry answered by an error handler stops when the handler freed what the data set runs on.
    TRetryWatch WatchRetry(const char* Event) const;
    void CheckRetry(const TRetryWatch& Watch) const;
    // Tells the container's listeners; false when one of them freed the data set.
    bool SendEvent(TKindDataSetEvent Kind);
    void FillParamsFromDelta(TFBQuery* Qry, TDataSet* Delta);
    void StartUpdateTransaction(TFBTransaction* Tr);
    // Applies the pending records; Undo gets each record as it was before its turn.
    void ApplyCachedRecords(std::vector<TRecordUndo>& Undo);
    // The apply, then Finish (the auto-commit) inside what a refusal takes back.
    void ApplyCachedUpdatesThen(const std::function<void()>& Finish);
    // Outside cached updates, a savepoint when a record's change runs several statements (update
    // objects) or is auto-committed: kept, it is released (or ended by the auto-commit) or, when
    // refused, rolled back to.
    bool RecordSavepoint(TUpdateKind Kind);
    void EndRecordSavepoint(bool Kept, bool Refused);
    // A statement that hands back the row writes it over the record and the buffer before the
    // statements after it run: Typed keeps both as they were, for a refusal to put back.
    struct TTypedRecord {
        bool Saved = false, Held = false;
        TRecordUndo Cache;
        std::vector<char> Buffer;
    };
    void PostRecordStatements(TFBQuery* Qry, TRecordBuffer Buff, TUpdateKind Kind, TTypedRecord& Typed);
    void FillParams(TFBQuery* Qry, TRecordBuffer Buffer);
    bool CanDo(TUpdateKind Kind, bool Inherited);
    bool StatementHasWork(TFBQuery* Qry) const;
    void SQLTextChanged(TObject* Sender);
    void ApplyRepository();
    AnsiString MainTable();
    // The update table and, when given, its alias, as generated SQL names them.
    AnsiString ModifyTableText();
    // Origin of a field (or field definition) by select column number, 1-based.
    bool ColumnOrigin(Integer FieldNo, AnsiString& Table, AnsiString& Column) const;
    AnsiString FieldTableAlias(const AnsiString& FieldName) const;
    void ApplyDefaultValues();
    // Attributes of a field from its column's metadata (defaults, read-only, required, repository).
    void ApplyColumnInfo(TField* Fld);

    std::unique_ptr<TFormatFields> FDefaultFormats;
    std::unique_ptr<TStringList> FReceiveEvents;
    TUpdateObjectLists FUpdateObjects;
    TpFBUpdateObject* FBlobUpdateObject = nullptr;   // owned component
    TFBQuery* FCountQuery = nullptr;                 // owned component
    TFBQuery* FLockQuery = nullptr;                  // owned component
    std::unique_ptr<TParams> FProviderParams;
    Integer FDataSet_ID = 0;
    Integer FLoadedDataSet_ID = 0;
    AnsiString FDescription;
    bool FChangesWritten = false;
    bool FChangesRolledBack = false;
    // The records the last apply skipped (physical numbers): not written, so still pending.
    std::vector<Integer> FSkipped;
    bool FRegenerate = true;          // the select text changed since the last open
    Integer FParamLinkStamp = 0;      // the select's prepare count the parameter links were made at
    bool FGenerating = false;
    std::map<AnsiString, AnsiString> FDefaultExpressions;
    std::set<AnsiString> FAutoGuids;
    TSortedList FHidden;
    Integer FServerRecordCount = 0;
    // Tests every cached record again when anything visibility depends on changed since the last
    // time (the records, the filter, the statuses shown): the visible count, and the hidden set made whole.
    Integer SyncVisible() const;
    mutable Integer FVisibleCountAt = -1;   // cache size the visible count was taken at
    mutable Integer FVisibleCount = 0;
    mutable AnsiString FVisibleCountKey;    // what else the count depends on
};

class TpDataSetInfo;

// The data set's FB$DATASETS_INFO row (by DataSet_ID on its database): read
// into Info (false when there is none), or, with Info null, stored from the
// data set's five texts, key fields, generator, description, update table,
// UpdateOnlyModifiedFields and conditions.
bool ReadDataSetInfo(TpFBDataSet* DataSet, TpDataSetInfo* Info);
