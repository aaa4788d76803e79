#pragma once
// The connection component: one attachment to one database through the
// client library, its parameter lines, the transactions and SQL objects that
// use it, and its idle time-out.
#include <functional>
#include <memory>
#include <vector>

#include "dbclient/FBLists.h"
#include "dbclient/IB_Intf.h"
#include "dbclient/pFBProps.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Variants.h"

class TFBTransaction;
class TFBBase;
class TFBTimer;
class TFBBlobStream;

// The ways to end a transaction.
enum TTransactionAction { TARollback, TARollbackRetaining, TACommit, TACommitRetaining };

enum TDesignDBOption { ddoIsDefaultDatabase, ddoStoreConnected, ddoNotSavePassword };
using TDesignDBOptions = TSet<TDesignDBOption>;

enum TFBUseRepository { urFieldsInfo, urDataSetInfo, urErrorMessagesInfo };
using TFBUseRepositories = TSet<TFBUseRepository>;

// Hooks around the local blob cache. A handler may change the file name or
// veto the load or the save.
using TBeforeLoadBlobFromSwap = std::function<void(const AnsiString& TableName, const AnsiString& FieldName,
                                                   const Variant& KeyValues, AnsiString& FileName, bool& CanLoad)>;
using TAfterBlobSwap = std::function<void(const AnsiString& TableName, const AnsiString& FieldName,
                                          const Variant& KeyValues, const AnsiString& FileName)>;
using TBeforeSaveBlobToSwap =
    std::function<void(const AnsiString& TableName, const AnsiString& FieldName, const Variant& KeyValues,
                       TFBBlobStream* Stream, AnsiString& FileName, bool& CanSave)>;

// The login function of the login dialog; null until a dialog registers one.
using TLoginDialogHook =
    std::function<bool(const AnsiString& DBName, AnsiString& UserName, AnsiString& Password, AnsiString& RoleName)>;
extern TLoginDialogHook LoginDialogHook;

class TFBDatabase : public TComponent {
public:
    explicit TFBDatabase(TComponent* AOwner);
    ~TFBDatabase() override;
    void BeforeDestruction() override;

    // ---- properties
    bool Connected() const { return FHandle != 0; }
    void SetConnected(bool Value);                  // Open / Close; only remembered while loading
    const AnsiString& DBName() const { return FDBName; }
    void SetDBName(const AnsiString& Value);        // error 13 while connected
    TDBParams* DBParams() const { return FDBParams.get(); }
    void SetDBParams(TStrings* Value);              // copies the lines; error 13 while connected
    TFBTransaction* DefaultTransaction() const { return FDefaultTransaction; }
    void SetDefaultTransaction(TFBTransaction* Value);
    TFBTransaction* DefaultUpdateTransaction() const { return FDefaultUpdateTransaction; }
    void SetDefaultUpdateTransaction(TFBTransaction* Value);
    Integer SQLDialect() const { return FSQLDialect; }
    void SetSQLDialect(Integer Value);              // error 61 below 1 or above the server's dialect
    Cardinal Timeout() const { return FTimeout; }
    void SetTimeout(Cardinal Value);                // idle time-out in ms; 0 = none
    bool UseLoginPrompt() const { return FUseLoginPrompt; }
    void SetUseLoginPrompt(bool Value) { FUseLoginPrompt = Value; }
    bool UpperOldNames() const { return FUpperOldNames; }
    void SetUpperOldNames(bool Value) { FUpperOldNames = Value; }
    TConnectParams* ConnectParams() const { return FConnectParams.get(); }
    bool SynchronizeTime() const { return FSynchronizeTime; }
    void SetSynchronizeTime(bool Value) { FSynchronizeTime = Value; }
    TDesignDBOptions DesignDBOptions() const { return FDesignDBOptions; }
    void SetDesignDBOptions(TDesignDBOptions Value);
    TBlobSwapSupport* BlobSwapSupport() const { return FBlobSwapSupport.get(); }
    TFBUseRepositories UseRepositories() const { return FUseRepositories; }
    void SetUseRepositories(TFBUseRepositories Value) { FUseRepositories = Value; }
    const AnsiString& LibraryName() const { return FLibraryName; }
    void SetLibraryName(const AnsiString& Value);   // error 13 while connected

    TNotifyEvent OnTimeout;
    TNotifyEvent BeforeDisconnect;
    TNotifyEvent AfterDisconnect;
    TNotifyEvent OnConnect;
    TBeforeSaveBlobToSwap BeforeSaveBlobToSwap;
    TAfterBlobSwap AfterSaveBlobToSwap;
    TBeforeLoadBlobFromSwap BeforeLoadBlobFromSwap;
    TAfterBlobSwap AfterLoadBlobFromSwap;

    // ---- connecting
    virtual void Open();
    void Close();                                   // InternalClose(false) when connected
    void ForceClose();                              // InternalClose(true)
    void CheckActive();                             // error 12 when not connected
    void CheckInactive();                           // error 13 when connected
    void CheckDatabaseName();                       // error 14 without DBName
    // Clears the idle flag; a failed status with RaiseError raises with this database as sender.
    ISC_STATUS Call(ISC_STATUS Status, bool RaiseError);

    // ---- parameter lines
    AnsiString GetDBParamByDPB(Integer Code) const;
    void SetDBParamByName(const AnsiString& Name, const AnsiString& Value);
    void SetDBParamByDPB(Integer Code, const AnsiString& Value);
    // First line with Name (any case) at position 1 or 9; -1 if none.
    Integer IndexOfDBParam(const AnsiString& Name) const;
    // The line of the parameter Name ("isc_dpb_" prefix optional, any case); -1 if none.
    Integer FindDBParam(const AnsiString& Name) const;

    // ---- server information
    TDateTime GetServerTime();
    // Runs a one-row select with a pooled statement on Transaction (null: the
    // internal one), the non-empty Values copied into its parameters in order.
    // The transaction is started and afterwards committed when it was not
    // active. Returns the first column of the first row (a blob as its text),
    // null when there is no row.
    Variant QueryValues(const AnsiString& SQL, const std::vector<Variant>& Values = {},
                        TFBTransaction* Transaction = nullptr);
    // Steps the generator and returns its new value; runs on the database's first
    // active transaction, else Transaction, else the internal one (started and
    // committed around the call when it was not active).
    Int64 Gen_Id(const AnsiString& GeneratorName, Int64 Step, TFBTransaction* Transaction = nullptr);
    TDateTime TimeDifference() const { return FTimeDifference; }   // local minus server, days
    bool NeedUpperNames() const { return FSQLDialect < 3 || FUpperOldNames; }
    Integer GetDBSQLDialect();
    Integer GetDBInfoValue(Byte Item, bool& Found);
    bool IsRemoteConnect();
    bool IsUnicodeConnect() const;
    bool IsUnicodeCharSet() const;

    // The local metadata caches to and from FileName, FileName with ".dt" and
    // with ".err". Load returns whether the table file existed.
    void SaveRepositories(const AnsiString& FileName);
    bool LoadRepositories(const AnsiString& FileName, bool Validate);

    // ---- client library and handle
    IIBClientLibrary* ClientLibrary();              // loaded by LibraryName on first need
    isc_db_handle Handle() const { return FHandle; }
    isc_db_handle* HandleAddress() { return &FHandle; }
    bool HandleIsShared() const { return FHandleIsShared; }
    // Takes over a handle attached elsewhere; it is never detached here.
    void SetSharedHandle(isc_db_handle Value);
    bool IdleFlag() const { return FIdleFlag; }
    void ClearIdleFlag() { FIdleFlag = false; }
    TFBTransaction* InternalTransaction() const { return FInternalTransaction; }

    // ---- linked objects and transactions
    Integer AddSQLObject(TFBBase* Link);
    void RemoveSQLObject(Integer Index);
    Integer SQLObjectCount() const { return static_cast<Integer>(FSQLObjects.size()); }
    TFBBase* SQLObjects(Integer Index) const;
    Integer AddTransaction(TFBTransaction* Transaction);
    void RemoveTransaction(Integer Index);
    Integer FindTransaction(const TFBTransaction* Transaction) const;
    Integer TransactionCount() const { return static_cast<Integer>(FTransactions.size()); }
    TFBTransaction* Transactions(Integer Index) const;   // may be null (a freed slot)

    // Handlers of other objects, each called with the database as sender.
    TNotifyEventList* AfterConnectEvents() const { return FAfterConnectEvents.get(); }
    TNotifyEventList* BeforeDisconnectEvents() const { return FBeforeDisconnectEvents.get(); }
    TNotifyEventList* OnDestroyEvents() const { return FOnDestroyEvents.get(); }

    TIBBlobFilters* BlobFilters() const { return FBlobFilters.get(); }
    // Runs the filter for a negative Subtype on a non-empty buffer, when one exists.
    void CallBlobFilter(void*& Buffer, Integer& Size, bool ForWriting, Integer Subtype);
    bool FindBlobFilter(Integer Subtype);

    // Around the start and the end of an application transaction (TpFBTransaction)
    // whose default database this is; the application's database fires its events here.
    virtual void DoBeforeStartTransaction(TObject* Transaction) {}
    virtual void DoAfterStartTransaction(TObject* Transaction) {}
    virtual void DoBeforeEndTransaction(TObject* Transaction, TTransactionAction Action, bool Force) {}
    virtual void DoAfterEndTransaction(TObject* Transaction, TTransactionAction Action, bool Force) {}

protected:
    // One of this database's events under way. A handler may free the
    // database; its destruction then raises none of its events again.
    class TEventUnderWay {
    public:
        explicit TEventUnderWay(TFBDatabase* Db) : FDb(Db), FAlive(Db) { ++Db->FEventsUnderWay; }
        ~TEventUnderWay() { if (FAlive.Alive()) --FDb->FEventsUnderWay; }
        TEventUnderWay(const TEventUnderWay&) = delete;
        TEventUnderWay& operator=(const TEventUnderWay&) = delete;
    private:
        TFBDatabase* FDb;
        TAliveGuard FAlive;
    };
    // Closing in the destruction of a database freed during one of its events.
    bool Quiet() const { return FQuiet; }
    virtual void InternalClose(bool Force);
    bool Login();
    // The attachment is gone: forget its handle without a server call.
    void ForgetHandle() {
        FHandle = 0;
        FHandleIsShared = false;
    }
    // Lets a transaction of a lost attachment end without a server call.
    static void MarkHandleShared(TFBTransaction* Transaction);
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    bool FDestroyed = false;
    Integer FEventsUnderWay = 0;
    bool FQuiet = false;
    friend class TFBTransaction;
    void DoTimer(TObject* Sender);
    void DBParamsChanging(TObject* Sender);
    void FireDisconnectEvent(const TNotifyEvent& Event, const char* EventName);
    void SetTransactionProp(TFBTransaction*& Field, TFBTransaction* Value);

    IIBClientLibraryPtr FClientLibrary;
    bool FIdleFlag = false;
    std::vector<TFBBase*> FSQLObjects;
    std::vector<TFBTransaction*> FTransactions;
    bool FDBParamsChanged = true;
    AnsiString FDPB;
    Word FDPBLength = 0;
    isc_db_handle FHandle = 0;
    bool FHandleIsShared = false;
    TFBTimer* FTimer = nullptr;                    // owned
    bool FStreamedConnected = false;
    TDateTime FTimeDifference = 0;
    TFBTransaction* FInternalTransaction = nullptr;   // owned
    std::unique_ptr<TNotifyEventList> FAfterConnectEvents;
    std::unique_ptr<TNotifyEventList> FBeforeDisconnectEvents;
    std::unique_ptr<TNotifyEventList> FOnDestroyEvents;
    std::unique_ptr<TIBBlobFilters> FBlobFilters;
    Integer FRemoteCode = -1;                      // -1: not asked since the connect
    bool FIsUnicodeConnect = false;
    bool FIsUnicodeCharSet = false;

    AnsiString FDBName;
    std::unique_ptr<TDBParams> FDBParams;
    std::unique_ptr<TConnectParams> FConnectParams;
    std::unique_ptr<TBlobSwapSupport> FBlobSwapSupport;
    TFBTransaction* FDefaultTransaction = nullptr;
    TFBTransaction* FDefaultUpdateTransaction = nullptr;
    Integer FSQLDialect = 1;
    Cardinal FTimeout = 0;
    bool FUseLoginPrompt = false;
    bool FUpperOldNames = false;
    bool FSynchronizeTime = true;
    TDesignDBOptions FDesignDBOptions{ddoStoreConnected};
    TFBUseRepositories FUseRepositories{urFieldsInfo, urDataSetInfo, urErrorMessagesInfo};
    AnsiString FLibraryName;
};

// Every TFBDatabase in existence, in creation order (a locked list).
std::vector<TFBDatabase*> DatabaseList();
// The database whose DesignDBOptions hold ddoIsDefaultDatabase, or null.
TFBDatabase* GlobalDefaultDatabase();
// Closes every connected database (program end) after the blob cache
// validation threads are done; failures are not reported.
void CloseAllDatabases();
