#pragma once
// TFBQuery: one SQL statement on one connection and one transaction. It holds
// the text, turns named parameters and macros into what the server accepts,
// prepares, executes, and fetches result rows one at a time into Current.
// Parameter values always travel bound in the descriptor area; only macro
// values become part of the statement text.
#include <functional>
#include <memory>
#include <vector>

#include "dbclient/FBSQLObject.h"
#include "dbclient/FBTransaction.h"
#include "dbclient/FBXSQLDA.h"
#include "dbclient/pFBProps.h"

class TSQLParser;
class TFBQuery;
class TConditions;
class TFiler;

// Statement type codes of the server.
enum : Integer {
    SQLUnknown = 0,
    SQLSelect = 1,
    SQLInsert = 2,
    SQLUpdate = 3,
    SQLDelete = 4,
    SQLDDL = 5,
    SQLGetSegment = 6,
    SQLPutSegment = 7,
    SQLExecProcedure = 8,
    SQLStartTransaction = 9,
    SQLCommit = 10,
    SQLRollback = 11,
    SQLSelectForUpdate = 12,
    SQLSetGenerator = 13,
    SQLSavePoint = 14
};

// One named WHERE condition of a statement: its line "name=text" in the owner
// list. Freeing it removes its line.
class TCondition : public TObject {
public:
    explicit TCondition(TConditions* AOwner) : FOwner(AOwner) {}
    ~TCondition() override;

    AnsiString Name() const;
    AnsiString Text() const;
    void SetText(const AnsiString& Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);   // a change means the conditions must be applied again

private:
    friend class TConditions;
    Integer Index() const;
    TConditions* FOwner;
    bool FEnabled = true;
    bool FDestroying = false;
    // Set while the value still is the one a stored form gave; a later
    // stored form (of a descendant) may then replace it.
    bool FEnabledFromStream = false;
    bool FTextFromStream = false;
};

// The named WHERE conditions of a statement, one "name=text" line each with
// its TCondition. Apply ANDs the enabled ones into the statement's main WHERE
// clause; the text before applying is kept, so applying again never piles
// conditions up and CancelApply gives the statement its own text back.
class TConditions : public TStringList {
public:
    explicit TConditions(TFBQuery* AOwner);
    ~TConditions() override;

    // Sets the text of an existing condition or adds a new one.
    TCondition* AddCondition(const AnsiString& Name, const AnsiString& Text, bool Enabled);
    TCondition* FindCondition(const AnsiString& Name) const;
    void RemoveCondition(const AnsiString& Name);
    TCondition* Items(Integer Index) const;   // nullptr out of range

    void Apply();
    void CancelApply();
    // Puts the saved statement text back (the saved text stays).
    void RestoreSQL();
    bool Applied() const { return FApplied; }
    void SetApplied(bool Value) { FApplied = Value; }
    // The statement text before the conditions (empty when none is saved).
    const AnsiString& SavedSQL() const { return FSavedSQL; }
    void ForgetSavedSQL() { FSavedSQL.clear(); }
    bool Busy() const { return FBusy != 0; }
    // The enabled conditions joined by "and", each in parentheses.
    AnsiString ConditionsText() const;

    // Text form: one line per condition, name#$#$text#$#$1 (or 0 when disabled).
    void SaveToStrings(TStrings* Strings) const;
    void LoadFromStrings(TStrings* Strings);
    AnsiString AsText() const;
    void SetAsText(const AnsiString& Value);

    // Stored form: "Data" holds name, text and enabled state of each condition
    // (under an ancestor only what differs, "0" for the ancestor's text, "'"
    // for an empty text, then "#@DELETED" and the ancestor's names that are
    // gone); "Strings" and "Enabled" of older forms are read, never written.
    void DefineProperties(TFiler* Filer);

    Integer Add(const AnsiString& S) override;
    Integer AddObject(const AnsiString& S, TObject* AObject) override;   // -1 unless a TCondition
    void Insert(Integer Index, const AnsiString& S) override;
    void InsertObject(Integer Index, const AnsiString& S, TObject* AObject) override;
    void Clear() override;
    void Delete(Integer Index) override;

protected:
    void Put(Integer Index, const AnsiString& S) override;   // Index = Count adds a line

private:
    Integer IndexOfCondition(const AnsiString& Name) const;
    friend class TCondition;
    enum : Byte { bfApplying = 1, bfCancelling = 2, bfRestoring = 4 };
    void ReadData(const std::vector<AnsiString>& Items);
    std::vector<AnsiString> DataItems(const TConditions* Ancestor) const;
    TFBQuery* FOwner;
    bool FApplied = false;
    AnsiString FSavedSQL;
    Byte FBusy = 0;
};

// Collects run-time figures of statements, kept per statement (its full
// component name) and key: before an execution "LastQueryName",
// "LastTimeExecute" (0 while it runs) and "ExecuteCount" (this one included);
// after it "LastTimeExecute", "SumTimeExecute", "ExecuteCount",
// "AvgTimeExecute", "MaxTimeExecute" (milliseconds), and with the slowest
// execution so far "Params[i]" = the quoted text of each parameter that is no
// blob or array.
class IFBStatisticsProvider {
public:
    virtual ~IFBStatisticsProvider() = default;
    // Empty when nothing is kept under Key.
    virtual Variant GetStatistic(const AnsiString& Statement, const AnsiString& Key) = 0;
    virtual void SetStatistic(const AnsiString& Statement, const AnsiString& Key, const Variant& Value) = 0;
};

// The one process-wide provider; nullptr (the default) gathers nothing. The
// caller keeps it alive while it is registered.
void RegisterStatisticsProvider(IFBStatisticsProvider* Provider);
IFBStatisticsProvider* StatisticsProvider();

// What a statement created in the designer (not while a form loads) starts
// with; design tooling may change them. Its database is the default one.
struct TFBQueryDesignDefaults {
    bool ParamCheck = true;
    bool GoToFirstRecordOnExecute = true;
    TpFBQueryOptions Options;
};
TFBQueryDesignDefaults& QueryDesignDefaults();

class TFBQuery : public TComponent, public ISQLObject {
public:
    explicit TFBQuery(TComponent* AOwner);
    ~TFBQuery() override;
    void BeforeDestruction() override;

    // ---- connection
    TFBDatabase* Database() const { return FBase->Database(); }
    virtual void SetDatabase(TFBDatabase* Value);   // another database frees the handle
    TFBTransaction* Transaction() const { return FBase->Transaction(); }
    void SetTransaction(TFBTransaction* Value);
    TFBBase* Base() const { return FBase.get(); }

    // ---- text and settings
    TStringList* SQL() const { return FSQL.get(); }
    void SetSQL(TStrings* Value);
    // The statement text as the parameter scan sees it (lines, each ended by CR LF).
    AnsiString SQLText() const;
    const AnsiString& ProcessedSQL() const { return FProcessedSQL; }
    TpFBQueryOptions Options() const { return FOptions; }
    void SetOptions(TpFBQueryOptions Value) { FOptions = Value; }
    bool ParamCheck() const { return FParamCheck; }
    void SetParamCheck(bool Value);
    bool GoToFirstRecordOnExecute() const { return FGoToFirstRecordOnExecute; }
    void SetGoToFirstRecordOnExecute(bool Value) { FGoToFirstRecordOnExecute = Value; }
    char MacroChar() const { return FMacroChar; }
    void SetMacroChar(char Value);
    const AnsiString& CursorName() const { return FCursorName; }
    void SetCursorName(const AnsiString& Value) { FCursorName = Value; }
    bool CloseAtTransactionEnd() const { return FCloseAtTrEnd; }
    void SetCloseAtTransactionEnd(bool Value) { FCloseAtTrEnd = Value; }
    void BeginModifySQLText();
    void EndModifySQLText();
    bool MacrosChanged() const { return FMacrosChanged; }
    Integer SQLVersion() const { return FSQLVersion; }
    // Counts the statement's successful preparations.
    Integer PrepareCount() const { return FPrepareCount; }
    // The parser over the current text.
    TSQLParser* Parser() const { return FParser.get(); }
    TConditions* Conditions() const { return FConditions.get(); }
    // The table the statement modifies (without alias), worked out once per text.
    const AnsiString& ModifyTable();

    // ---- stored properties (kept in a form file besides the published ones)
    // "qoAutoCommit", "qoStartTransaction", "qoTrimCharFields" and
    // "qoNoForceIsNull", each stored when its option is set (under an ancestor:
    // when it differs). Read in the designer, Options is cleared first, once,
    // so the stored lines decide those four.
    virtual void DefineProperties(TFiler* Filer);
    // Reads stored lines in the loading state; a name no property defines raises EReadError.
    void ReadStoredProperties(TStrings* Lines);
    void WriteStoredProperties(TStrings* Lines, TFBQuery* Ancestor = nullptr);

    // ---- clauses; each write stores the new text into SQL
    AnsiString MainWhereClause();                 // empty without a WHERE at depth 0
    void SetMainWhereClause(const AnsiString& Value);   // replaces or adds it
    AnsiString WhereClause(Integer N);            // N-th WHERE (1-based)
    AnsiString PlanClause();
    void SetPlanClause(const AnsiString& Value);  // replaces, inserts, or (empty) removes
    AnsiString OrderClause();
    void SetOrderClause(const AnsiString& Value);

    // ---- running
    void Prepare();
    virtual void ExecQuery();
    void Next();
    void Close();
    void FreeHandle();
    // The attachment is gone: drops the handle without a server call and closes.
    void ForgetHandle();
    // Close, FreeHandle and rebuild the executable text from macros and nulls.
    void RebuildSQL();

    bool Bof() const { return FBof; }
    bool Eof();
    bool Open() const { return FOpen; }
    bool Prepared() const { return FPrepared; }
    Integer RecordCount() const { return FRecordCount; }
    Integer RowsAffected();
    AnsiString Plan();
    Integer SQLType() const { return FSQLType; }       // statement type code
    Integer ExecutionTime() const { return FExecTime; } // ms of the last ExecQuery
    isc_stmt_handle Handle() const { return FHandle; }
    bool ProcExecuted() const { return FProcExecuted; }
    bool MacrosOrNullsApplied() const { return FMacrosOrNullsApplied; }

    // ---- parameters and columns
    TFBXSQLDA* Params();
    TFBXSQLVAR* ParamByName(const AnsiString& Name);
    TFBXSQLVAR* FindParam(const AnsiString& Name);
    Integer ParamCount() override;
    TFBXSQLDA* Current() const { return FCurrent.get(); }
    TFBXSQLVAR* Fields(Integer Index);
    TFBXSQLVAR* FieldByName(const AnsiString& Name);
    TFBXSQLVAR* FieldByOrigin(const AnsiString& Relation, const AnsiString& Column);
    Integer FieldIndex(const AnsiString& Name);
    Integer FieldCount() const { return FCurrent->Count(); }
    // The described input area of the rewritten text.
    TFBXSQLDA* SQLParams() const { return FSQLParams.get(); }
    // Names of the rewritten text's parameters that Params lacks (from macro values).
    const std::vector<AnsiString>& ExtraParamNames() const { return FExtraParamNames; }

    // ---- ISQLObject
    AnsiString ParamName(Integer ParamIndex) override;
    Integer FieldsCount() override { return FieldCount(); }
    bool FieldExist(const AnsiString& FieldName, Integer& FieldIndex) override;
    bool ParamExist(const AnsiString& ParamName, Integer& ParamIndex) override;
    Variant FieldValue(const AnsiString& FieldName, bool Old) override;
    Variant FieldValue(Integer FieldIndex, bool Old) override;
    Variant ParamValue(const AnsiString& ParamName) override;
    Variant ParamValue(Integer ParamIndex) override;
    void SetParamValue(Integer ParamIndex, const Variant& aValue) override;

    // ---- events
    TNotifyEvent BeforeExecute;
    TNotifyEvent AfterExecute;
    TNotifyEvent OnSQLChanging;
    TNotifyEvent TransactionEnding;
    TNotifyEvent TransactionEnded;
    TNotifyEvent OnBatching;
    TNotifyEvent OnBatchError;
    // Called before each fetch with the statement as sender (for owning components).
    TNotifyEvent BeforeFetch;

protected:
    // Scans Text; OnlyNames replaces Params, otherwise the rewritten text's
    // input area and the executable text. Values carry over by name.
    void PreprocessSQL(const AnsiString& Text, bool OnlyNames);
    // The executable text: macro values in place, null comparisons rewritten.
    AnsiString ApplyMacrosAndNulls();
    bool NeedsRebuild();

private:
    friend class TFBXSQLVAR;
    friend class TFBXSQLDA;

    void BeforeSQLEdit();
    void SQLChanging(TObject* Sender);
    void SQLChange(TObject* Sender);
    void TextChanged();
    void BuildParams();
    void DatabaseDisconnecting(TObject* Sender);
    void TransactionEndingEvent(TObject* Sender);
    void TransactionEndedEvent(TObject* Sender);
    void LinkFreed(TObject* Sender);
    void Check(ISC_STATUS Status);
    IIBClientLibrary* Lib();
    unsigned short DialectWord();
    Integer DialectValue() const;
    void DescribeInput();
    void DescribeOutput();
    void RefreshExtraNames();
    void SaveRemembered(TFBXSQLDA* Area);
    AnsiString FullName() const;
    void StatisticsBefore();
    void StatisticsAfter(Integer Ms);

    std::unique_ptr<TFBBase> FBase;
    bool FBof = false;
    bool FEof = false;
    bool FGoToFirstRecordOnExecute = true;
    bool FOpen = false;
    bool FPrepared = false;
    Integer FRecordCount = 0;
    isc_stmt_handle FHandle = 0;
    std::unique_ptr<TStringList> FSQL;
    std::unique_ptr<TFBXSQLDA> FSQLParams;
    std::unique_ptr<TFBXSQLDA> FCurrent;
    std::unique_ptr<TFBXSQLDA> FParams;
    AnsiString FProcessedSQL;
    Integer FSQLType = SQLUnknown;
    bool FProcExecuted = false;
    char FMacroChar = '@';
    bool FParamsBuilt = false;
    Integer FChangeCount = 0;
    AnsiString FTableName = "-1";
    Integer FSQLVersion = 0;
    Integer FPrepareCount = 0;
    TpFBQueryOptions FOptions;
    bool FMacrosOrNullsApplied = false;
    bool FCloseAtTrEnd = true;
    std::vector<AnsiString> FExtraParamNames;
    Integer FExecTime = 0;
    bool FMacrosChanged = false;
    AnsiString FCursorName;
    bool FParamCheck = true;
    AnsiString FBuiltText;   // the text the parameter list was built from
    std::unique_ptr<TSQLParser> FParser;
    std::unique_ptr<TConditions> FConditions;
    bool FStreamOptionsCleared = false;
};
