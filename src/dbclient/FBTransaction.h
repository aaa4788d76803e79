#pragma once
// The transaction component (one client transaction over one or several
// connections) and TFBBase, the link through which statements and data sets
// are attached to one database and one transaction.
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "dbclient/FBDatabase.h"

class TFBQuery;


// Progress of a transaction; the tsDo... states last while an end is running.
enum TTransactionState { tsActive, tsClosed, tsDoRollback, tsDoRollbackRetaining, tsDoCommit, tsDoCommitRetaining };

using TEndTrEvent = std::function<void(TObject* EndingTR, TTransactionAction Action, bool Force)>;

class TEndTrEventList : public TCallBackListOf<void(TObject* EndingTR, TTransactionAction Action, bool Force)> {
public:
    using TCallBackListOf::TCallBackListOf;
};

class TFBTransaction;

// One end call under way. A transaction freed by a handler of its own end is
// rolled back by its destructor, which raises none of its end handlers again;
// the outermost end call then leaves through Leave(), which reports a commit
// whose work was rolled back instead of stored.
class TEndUnderWay {
public:
    TEndUnderWay(TFBTransaction* Tr, TTransactionAction Action);
    ~TEndUnderWay();
    TEndUnderWay(const TEndUnderWay&) = delete;
    TEndUnderWay& operator=(const TEndUnderWay&) = delete;
    void Leave() const;

private:
    friend class TFBTransaction;
    TFBTransaction* FTr;
    TAliveGuard FAlive;
    TTransactionAction FAction;
    bool FOutermost;
    AnsiString FName;
    bool FFreed = false;    // set by the destructor
    bool FStored = false;   // the server took the commit
};

class TFBTransaction : public TComponent {
public:
    explicit TFBTransaction(TComponent* AOwner);
    ~TFBTransaction() override;
    void BeforeDestruction() override;

    // ---- properties
    bool Active() const { return FHandle != 0; }
    void SetActive(bool Value);                    // true starts, false rolls back
    TFBDatabase* DefaultDatabase() const { return FDefaultDatabase; }
    void SetDefaultDatabase(TFBDatabase* Value);   // error 16 while active
    Cardinal Timeout() const { return FTimeout; }
    void SetTimeout(Cardinal Value);               // idle time-out in ms; 0 = none
    TTransactionAction TimeoutAction() const { return FTimeoutAction; }
    void SetTimeoutAction(TTransactionAction Value) { FTimeoutAction = Value; }
    TStringList* TRParams() const { return FTRParams.get(); }
    void SetTRParams(TStrings* Value);             // copies the lines; error 16 while active

    TNotifyEvent OnTimeout;
    // Ending in the destruction of a transaction freed during its own end: its
    // links close their cursors but raise no event of theirs again.
    bool Quiet() const { return FQuiet; }
    // An end runs: one started inside it (a handler closed the connection) raises no end events again.
    bool EndUnderWay() const { return FEnd != nullptr; }

    // ---- starting and ending
    virtual void EndTransaction(TTransactionAction Action, bool Force);
    // Around each statement execution (Kind 0 before, 1 after).
    virtual void DoOnSQLExec(TFBQuery* Query, Integer Kind) {}
    virtual void StartTransaction();
    virtual void Commit();
    virtual void CommitRetaining();
    virtual void Rollback();
    virtual void RollbackRetaining();
    // End at a disconnect: TimeoutAction, forced, retaining ends made hard.
    void ForceEndAtDisconnect();

    void CheckInTransaction();                     // error 15 when not active
    void CheckNotInTransaction();                  // error 16 when active
    void CheckDatabasesInList();                   // error 18 without databases
    // Clears the idle flags; a failed status with RaiseError raises with this transaction as sender.
    ISC_STATUS Call(ISC_STATUS Status, bool RaiseError);
    Integer GetTransactionID();
    TTransactionState State() const { return FState; }

    // ---- databases
    Integer AddDatabase(TFBDatabase* Db);          // index; -1 for null
    void RemoveDatabase(Integer Index);
    Integer FindDatabase(const TFBDatabase* Db) const;
    Integer DatabaseCount() const { return static_cast<Integer>(FDatabases.size()); }
    TFBDatabase* Databases(Integer Index) const;   // may be null (a freed slot)
    TFBDatabase* GetMainDatabase() const;

    isc_tr_handle Handle() const { return FHandle; }
    isc_tr_handle* HandleAddress() { return &FHandle; }
    bool HandleIsShared() const { return FHandleIsShared; }
    // Takes over a transaction started elsewhere; it is never ended on the server here.
    void SetSharedHandle(isc_tr_handle Value);
    bool IdleFlag() const { return FIdleFlag; }

    // ---- linked objects
    Integer AddSQLObject(TFBBase* Link);
    void RemoveSQLObject(Integer Index);
    Integer SQLObjectCount() const { return static_cast<Integer>(FSQLObjects.size()); }
    TFBBase* SQLObjects(Integer Index) const;

    // ---- handler lists: kinds 0 before start, 1 after start, 4 on destroy
    // (notify handlers), 2 before end, 3 after end (end handlers).
    void AddNotifyEvent(Integer Kind, const TMethodKey& Key, TNotifyEvent Handler);
    void RemoveNotifyEvent(Integer Kind, const TMethodKey& Key);
    void AddEndEvent(Integer Kind, const TMethodKey& Key, TEndTrEvent Handler);
    void RemoveEndEvent(Integer Kind, const TMethodKey& Key);

    // The last TPB built (for inspection).
    const AnsiString& TPB() const { return FTPB; }

protected:
    // The base end; Nested: started inside another end, it raises no handler lists.
    void RunEnd(TTransactionAction Action, bool Force, bool Nested);
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    bool FDestroyed = false;
    friend class TFBDatabase;
    friend class TEndUnderWay;
    TEndUnderWay* FEnd = nullptr;   // the outermost end under way
    bool FQuiet = false;            // destroyed during its own end: no handlers again
    void DoTimer(TObject* Sender);
    void TRParamsChanging(TObject* Sender);
    void BeforeEndNotify(TTransactionAction Action, bool Force, bool Nested);
    void AfterEndNotify(TTransactionAction Action, bool Force, bool Nested);
    TNotifyEventList* NotifyList(Integer Kind) const;
    TEndTrEventList* EndList(Integer Kind) const;
    IIBClientLibrary* ClientLibrary() const;

    bool FIdleFlag = false;
    std::vector<TFBDatabase*> FDatabases;
    std::vector<TFBBase*> FSQLObjects;
    isc_tr_handle FHandle = 0;
    bool FHandleIsShared = false;
    bool FStreamedActive = false;
    AnsiString FTPB;
    Word FTPBLength = 0;
    TFBTimer* FTimer = nullptr;                    // owned
    TTransactionAction FTimeoutAction = TARollback;
    std::unique_ptr<TStringList> FTRParams;
    bool FTRParamsChanged = true;
    TTransactionState FState = tsClosed;
    Integer FTransactionID = 0;
    std::unique_ptr<TNotifyEventList> FOnDestroyEvents;
    std::unique_ptr<TNotifyEventList> FBeforeStartEvents;
    std::unique_ptr<TNotifyEventList> FAfterStartEvents;
    std::unique_ptr<TEndTrEventList> FBeforeEndEvents;
    std::unique_ptr<TEndTrEventList> FAfterEndEvents;
    TFBDatabase* FDefaultDatabase = nullptr;
    Cardinal FTimeout = 0;
};

// Links one statement or data set (its owner) to a database and a transaction,
// and passes their connect, disconnect, start and end notices to the owner.
class TFBBase : public TObject {
public:
    explicit TFBBase(TObject* AOwner);
    ~TFBBase() override;

    TFBDatabase* Database() const { return FDatabase; }
    void SetDatabase(TFBDatabase* Value);
    TFBTransaction* Transaction() const { return FTransaction; }
    void SetTransaction(TFBTransaction* Value);
    TObject* Owner() const { return FOwner; }

    virtual void CheckDatabase();                  // error 21, then the database's CheckActive
    virtual void CheckTransaction();               // error 22, then the transaction's CheckInTransaction

    isc_db_handle* DBHandle() const;               // null without a database
    isc_tr_handle* TRHandle() const;               // null without a transaction

    // Each called with the link as sender.
    TNotifyEvent OnDatabaseConnecting;
    TNotifyEvent OnDatabaseConnected;
    TNotifyEvent OnDatabaseDisconnecting;
    TNotifyEvent OnDatabaseDisconnected;
    TNotifyEvent OnDatabaseFree;
    TNotifyEvent OnTransactionEnding;
    TNotifyEvent OnTransactionEnded;
    TNotifyEvent OnTransactionStarting;
    TNotifyEvent OnTransactionStarted;
    TNotifyEvent OnTransactionFree;

private:
    friend class TFBDatabase;
    friend class TFBTransaction;
    void Fire(const TNotifyEvent& Event) { FireEvent(Event, this); }
    // Runs Fn on each link of Live (a list of Holder) as it stood at the call,
    // in list order or backwards; a link that a handler has unlinked (or freed)
    // meanwhile is skipped, and the walk ends when Holder goes.
    template <typename F>
    static void ForEach(const TObject* Holder, const std::vector<TFBBase*>& Live, bool Backwards, F&& Fn) {
        const TAliveGuard alive(Holder);
        const std::vector<TFBBase*> snapshot = Live;
        for (size_t n = 0; n < snapshot.size(); ++n) {
            TFBBase* link = snapshot[Backwards ? snapshot.size() - 1 - n : n];
            if (alive.Gone()) return;
            if (std::find(Live.begin(), Live.end(), link) != Live.end()) Fn(link);
        }
    }
    void DropDatabase();
    void DropTransaction();

    TFBDatabase* FDatabase = nullptr;
    Integer FIndexInDatabase = -1;
    TFBTransaction* FTransaction = nullptr;
    Integer FIndexInTransaction = -1;
    TObject* FOwner;
};
