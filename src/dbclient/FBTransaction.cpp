#include "dbclient/FBTransaction.h"
#include "dbclient/FBSQLMonitor.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>

#include "dbclient/FBLinkShared.h"
#include "dbclient/FBMessages.h"
#include "dbclient/FBParamBlocks.h"
#include "dbclient/StdFuncs.h"

namespace {

bool Designing(const TComponent* C) { return C->ComponentState().Contains(csDesigning); }

}  // namespace

// ---- construction ---------------------------------------------------------------

TFBTransaction::TFBTransaction(TComponent* AOwner)
    : TComponent(AOwner),
      FTRParams(std::make_unique<TStringList>()),
      FOnDestroyEvents(std::make_unique<TNotifyEventList>()),
      FBeforeStartEvents(std::make_unique<TNotifyEventList>()),
      FAfterStartEvents(std::make_unique<TNotifyEventList>()),
      FBeforeEndEvents(std::make_unique<TEndTrEventList>()),
      FAfterEndEvents(std::make_unique<TEndTrEventList>()) {
    FTRParams->OnChanging = [this](TObject* Sender) { TRParamsChanging(Sender); };
    FTRParams->OnChange = [this](TObject*) { FTRParamsChanged = true; };
    if (Designing(this) && GlobalDefaultDatabase()) SetDefaultDatabase(GlobalDefaultDatabase());
}

TFBTransaction::~TFBTransaction() { BeforeDestruction(); }

// Runs before the free notifications go out, so that the databases are
// still listed while the transaction ends.
void TFBTransaction::BeforeDestruction() {
    if (FDestroyed) return;
    FDestroyed = true;
    Destroying();
    delete FTimer;
    FTimer = nullptr;
    if (Active()) {
        // Freed by a handler of its own end: the work is rolled back, whatever
        // was asked, and its handlers are not called a second time.
        TEndUnderWay* end = std::exchange(FEnd, nullptr);
        if (end) end->FFreed = FQuiet = true;
        try {
            if (end) EndTransaction(TARollback, true);
            else ForceEndAtDisconnect();
        } catch (...) {
        }
    }
    FireDestroyHandlers(*FOnDestroyEvents, this);
    UnlinkAll(
        FSQLObjects, [](TFBBase* L) { L->Fire(L->OnTransactionFree); },
        [this](TFBBase* L, Integer Index) {
            RemoveSQLObject(Index);
            if (L->FTransaction == this) L->DropTransaction();
        });
    for (TFBDatabase* db : std::vector<TFBDatabase*>(FDatabases)) {
        Integer i = db->FindTransaction(this);
        if (i >= 0) db->RemoveTransaction(i);
    }
    FDatabases.clear();
    FDefaultDatabase = nullptr;
    FTRParams->OnChanging = nullptr;
    FTRParams->OnChange = nullptr;
    TComponent::BeforeDestruction();
}

// ---- properties ---------------------------------------------------------------------

void TFBTransaction::SetActive(bool Value) {
    if (ComponentState().Contains(csLoading)) {
        FStreamedActive = Value;
        return;
    }
    if (Value && !Active()) StartTransaction();
    else if (!Value && Active()) Rollback();
}

void TFBTransaction::SetDefaultDatabase(TFBDatabase* Value) {
    if (Value == FDefaultDatabase) return;
    CheckNotInTransaction();
    if (Value) {
        AddDatabase(Value);
        Value->AddTransaction(this);
        Value->FreeNotification(this);
    }
    FDefaultDatabase = Value;
}

void TFBTransaction::SetTimeout(Cardinal Value) {
    FTimeout = Value;
    SetIdleTimer(FTimer, Value, Designing(this), [this](TObject* Sender) { DoTimer(Sender); });
}

void TFBTransaction::DoTimer(TObject*) {
    if (!Active()) return;
    // Ended either way; a failed commit is reported after OnTimeout.
    IdleTimerTick(FIdleFlag, [this] { EndTransaction(FTimeoutAction, true); }, OnTimeout, this);
}

void TFBTransaction::SetTRParams(TStrings* Value) { FTRParams->Assign(Value); }

void TFBTransaction::TRParamsChanging(TObject*) {
    if (Active()) FBError(16, {CmpFullName(this)});
}

void TFBTransaction::SetSharedHandle(isc_tr_handle Value) {
    CheckNotInTransaction();
    FHandle = Value;
    FHandleIsShared = Value != 0;
    FState = Value ? tsActive : tsClosed;
}

// ---- checks and calls ----------------------------------------------------------------------

void TFBTransaction::CheckInTransaction() {
    if (FStreamedActive && !ComponentState().Contains(csLoading)) {
        FStreamedActive = false;
        StartTransaction();
    }
    if (Active()) return;
    if (Designing(this)) StartTransaction();
    else FBError(15, {CmpFullName(this)});
}

void TFBTransaction::CheckNotInTransaction() {
    if (Active()) FBError(16, {CmpFullName(this)});
}

void TFBTransaction::CheckDatabasesInList() {
    if (FDatabases.empty()) FBError(18, {CmpFullName(this)});
}

IIBClientLibrary* TFBTransaction::ClientLibrary() const {
    if (FDatabases.empty()) FBError(18, {CmpFullName(this)});
    return FDatabases.front()->ClientLibrary();
}

ISC_STATUS TFBTransaction::Call(ISC_STATUS Status, bool RaiseError) {
    ResetFPUControlWord();
    for (TFBDatabase* db : FDatabases) db->ClearIdleFlag();
    FIdleFlag = false;
    if (RaiseError && Status > 0) IBError(ClientLibrary(), this);
    return Status;
}

Integer TFBTransaction::GetTransactionID() {
    if (FTransactionID == 0 && Active()) {
        char item = isc_info_tra_id;
        char buffer[32] = {};
        Call(ClientLibrary()->isc_transaction_info(StatusVector(), &FHandle, 1, &item, sizeof buffer, buffer), true);
        if (static_cast<Byte>(buffer[0]) == isc_info_tra_id) {
            uint32_t id = 0;
            for (int i = 0; i < 4; ++i) id |= static_cast<uint32_t>(static_cast<Byte>(buffer[3 + i])) << (8 * i);
            FTransactionID = static_cast<Integer>(id);
        }
    }
    return FTransactionID;
}

// ---- databases ---------------------------------------------------------------------------------

Integer TFBTransaction::FindDatabase(const TFBDatabase* Db) const {
    for (size_t i = 0; i < FDatabases.size(); ++i)
        if (FDatabases[i] == Db) return static_cast<Integer>(i);
    return -1;
}

Integer TFBTransaction::AddDatabase(TFBDatabase* Db) {
    if (!Db) return -1;
    Integer i = FindDatabase(Db);
    if (i >= 0) return i;
    if (!FDatabases.empty() && FDatabases.front()->LibraryName() != Db->LibraryName())
        throw Exception(Format("%s.\r\nTransaction can't work with different client library.", {CmpFullName(this)}));
    FDatabases.push_back(Db);
    Db->FreeNotification(this);
    // Listed on both sides, so that closing the database ends this transaction
    // before the detach (which an open transaction would make fail).
    Db->AddTransaction(this);
    return DatabaseCount() - 1;
}

void TFBTransaction::RemoveDatabase(Integer Index) {
    if (Index < 0 || Index >= DatabaseCount()) return;
    TFBDatabase* db = FDatabases[static_cast<size_t>(Index)];
    FDatabases.erase(FDatabases.begin() + Index);
    Integer j = db->FindTransaction(this);
    if (j >= 0) db->RemoveTransaction(j);
    if (db->FDefaultTransaction == this) db->FDefaultTransaction = nullptr;
    if (db->FDefaultUpdateTransaction == this) db->FDefaultUpdateTransaction = nullptr;
    if (FDefaultDatabase == db) FDefaultDatabase = nullptr;
}

TFBDatabase* TFBTransaction::Databases(Integer Index) const {
    return Index >= 0 && Index < DatabaseCount() ? FDatabases[static_cast<size_t>(Index)] : nullptr;
}

TFBDatabase* TFBTransaction::GetMainDatabase() const {
    if (FDefaultDatabase) return FDefaultDatabase;
    return FDatabases.empty() ? nullptr : FDatabases.front();
}

// ---- start and end --------------------------------------------------------------------------------

void TFBTransaction::StartTransaction() {
    CheckNotInTransaction();
    CheckDatabasesInList();
    if (FTRParamsChanged) {
        AnsiString tpb;
        Word length = 0;
        GenerateTPB(FTRParams.get(), tpb, length);
        FTPB = tpb;
        FTPBLength = length;
        // Cleared only now: a block that failed to build must be built again next time.
        FTRParamsChanged = false;
    }
    std::vector<TISC_TEB> teb;
    for (TFBDatabase* db : FDatabases) {
        db->CheckActive();
        teb.push_back({db->HandleAddress(), static_cast<long>(FTPBLength), FTPB.data()});
    }
    // A handler may free the transaction: go on only while it stands.
    const TAliveGuard alive(this);
    TFBBase::ForEach(this, FSQLObjects, false, [](TFBBase* L) { L->Fire(L->OnTransactionStarting); });
    if (alive.Gone()) return;
    if (!Active()) {
        FBeforeStartEvents->Call(true, static_cast<TObject*>(this));
        if (alive.Gone()) return;
        ISC_STATUS status = ClientLibrary()->isc_start_multiple(StatusVector(), &FHandle,
                                                                static_cast<short>(teb.size()), teb.data());
        if (status > 0) FHandle = 0;
        Call(status, true);
        FAfterStartEvents->Call(true, static_cast<TObject*>(this));
        if (alive.Gone()) return;
    }
    TFBBase::ForEach(this, FSQLObjects, false, [](TFBBase* L) { L->Fire(L->OnTransactionStarted); });
    if (alive.Gone()) return;
    if (TFBSQLMonitorHook* hook = GetSQLMonitorHook()) hook->TRStart(this);
    FState = tsActive;
}

void TFBTransaction::BeforeEndNotify(TTransactionAction Action, bool Force, bool Nested) {
    const TAliveGuard alive(this);
    TFBBase::ForEach(this, FSQLObjects, true, [](TFBBase* L) { L->Fire(L->OnTransactionEnding); });
    if (alive.Gone() || FQuiet || Nested) return;
    FBeforeEndEvents->Call(false, static_cast<TObject*>(this), Action, Force);
}

void TFBTransaction::AfterEndNotify(TTransactionAction Action, bool Force, bool Nested) {
    const TAliveGuard alive(this);
    TFBBase::ForEach(this, FSQLObjects, true, [](TFBBase* L) { L->Fire(L->OnTransactionEnded); });
    if (alive.Gone() || FQuiet || Nested) return;
    FAfterEndEvents->Call(false, static_cast<TObject*>(this), Action, Force);
}

TEndUnderWay::TEndUnderWay(TFBTransaction* Tr, TTransactionAction Action)
    : FTr(Tr), FAlive(Tr), FAction(Action), FOutermost(!Tr->FEnd && !Tr->FQuiet) {
    if (!FOutermost) return;
    FName = CmpFullName(Tr);
    Tr->FEnd = this;
}

TEndUnderWay::~TEndUnderWay() {
    if (FOutermost && FAlive.Alive() && FTr->FEnd == this) FTr->FEnd = nullptr;
}

void TEndUnderWay::Leave() const {
    const bool commit = FAction == TACommit || FAction == TACommitRetaining;
    if (FOutermost && FFreed && commit && !FStored)
        FBErrorFmt("%s was freed during its commit: its work was rolled back, not committed.", {FName});
}

void TFBTransaction::EndTransaction(TTransactionAction Action, bool Force) { RunEnd(Action, Force, EndUnderWay()); }

// A nested end (started by a handler of an end under way) tells the links, so
// that they close their cursors, but raises no handler list again.
void TFBTransaction::RunEnd(TTransactionAction Action, bool Force, bool Nested) {
    CheckInTransaction();
    IIBClientLibrary* lib = ClientLibrary();
    std::exception_ptr commitError;
    // A handler may free the transaction (its destructor then rolls it back);
    // nothing of it is touched afterwards.
    const TAliveGuard alive(this);
    const TEndUnderWay end(this, Action);
    try {
        switch (Action) {
            case TARollbackRetaining:
                FState = tsDoRollbackRetaining;
                BeforeEndNotify(Action, Force, Nested);
                if (alive.Gone()) return end.Leave();
                CheckInTransaction();   // ended meanwhile by a handler that closed the connection
                Call(lib->isc_rollback_retaining(StatusVector(), &FHandle), true);
                AfterEndNotify(Action, Force, Nested);
                break;
            case TACommitRetaining:
                FState = tsDoCommitRetaining;
                BeforeEndNotify(Action, Force, Nested);
                if (alive.Gone()) return end.Leave();
                CheckInTransaction();   // ended meanwhile by a handler that closed the connection
                Call(lib->isc_commit_retaining(StatusVector(), &FHandle), true);
                if (FEnd) FEnd->FStored = true;
                AfterEndNotify(Action, Force, Nested);
                break;
            case TARollback:
            case TACommit: {
                if (FHandleIsShared && Action != FTimeoutAction && !Force) FBError(58);
                FState = Action == TACommit ? tsDoCommit : tsDoRollback;
                BeforeEndNotify(Action, Force, Nested);
                if (alive.Gone()) return end.Leave();
                CheckInTransaction();   // ended meanwhile by a handler that closed the connection
                if (FHandleIsShared) {
                    FHandle = 0;
                    FHandleIsShared = false;
                } else {
                    ISC_STATUS status =
                        Call(Action == TACommit ? lib->isc_commit_transaction(StatusVector(), &FHandle)
                                                : lib->isc_rollback_transaction(StatusVector(), &FHandle),
                             false);
                    if (FEnd && Action == TACommit && status == 0) FEnd->FStored = true;
                    if (Force && status > 0) {
                        // The work is rolled back and the handle dropped, but a commit that
                        // failed is still reported to the caller.
                        if (Action == TACommit) {
                            try {
                                IBError(lib, this);
                            } catch (...) {
                                commitError = std::current_exception();
                            }
                        }
                        Call(lib->isc_rollback_transaction(StatusVector(), &FHandle), false);
                    }
                    if (Force) FHandle = 0;
                    else if (status > 0) IBError(lib, this);
                }
                AfterEndNotify(Action, Force, Nested);
                break;
            }
        }
    } catch (...) {
        // A failed end leaves no half-way state behind.
        if (alive.Alive()) {
            FState = FHandle ? tsActive : tsClosed;
            FTransactionID = 0;
        }
        throw;
    }
    if (alive.Gone()) {
        if (commitError) std::rethrow_exception(commitError);
        return end.Leave();
    }
    if (TFBSQLMonitorHook* hook = GetSQLMonitorHook()) {
        switch (Action) {
            case TARollback: hook->TRRollback(this); break;
            case TARollbackRetaining: hook->TRRollbackRetaining(this); break;
            case TACommit: hook->TRCommit(this); break;
            case TACommitRetaining: hook->TRCommitRetaining(this); break;
        }
    }
    FState = FHandle ? tsActive : tsClosed;
    FTransactionID = 0;
    if (commitError) std::rethrow_exception(commitError);
}

void TFBTransaction::Commit() { EndTransaction(TACommit, false); }
void TFBTransaction::CommitRetaining() { EndTransaction(TACommitRetaining, false); }
void TFBTransaction::Rollback() { EndTransaction(TARollback, false); }
void TFBTransaction::RollbackRetaining() { EndTransaction(TARollbackRetaining, false); }

void TFBTransaction::ForceEndAtDisconnect() {
    if (!Active()) return;
    TTransactionAction action = FTimeoutAction;
    if (action == TACommitRetaining) action = TACommit;
    else if (action == TARollbackRetaining) action = TARollback;
    EndTransaction(action, true);
}

// ---- linked objects and handler lists ----------------------------------------------------------

Integer TFBTransaction::AddSQLObject(TFBBase* Link) {
    FSQLObjects.push_back(Link);
    return SQLObjectCount() - 1;
}

void TFBTransaction::RemoveSQLObject(Integer Index) {
    SwapRemoveLink(FSQLObjects, Index, [](TFBBase* L) -> Integer& { return L->FIndexInTransaction; });
}

TFBBase* TFBTransaction::SQLObjects(Integer Index) const {
    return Index >= 0 && Index < SQLObjectCount() ? FSQLObjects[static_cast<size_t>(Index)] : nullptr;
}

TNotifyEventList* TFBTransaction::NotifyList(Integer Kind) const {
    switch (Kind) {
        case 0: return FBeforeStartEvents.get();
        case 1: return FAfterStartEvents.get();
        case 4: return FOnDestroyEvents.get();
        default: return nullptr;
    }
}

TEndTrEventList* TFBTransaction::EndList(Integer Kind) const {
    switch (Kind) {
        case 2: return FBeforeEndEvents.get();
        case 3: return FAfterEndEvents.get();
        default: return nullptr;
    }
}

void TFBTransaction::AddNotifyEvent(Integer Kind, const TMethodKey& Key, TNotifyEvent Handler) {
    if (auto* l = NotifyList(Kind)) l->Add(Key, std::move(Handler));
}

void TFBTransaction::RemoveNotifyEvent(Integer Kind, const TMethodKey& Key) {
    if (auto* l = NotifyList(Kind)) l->Remove(Key);
}

void TFBTransaction::AddEndEvent(Integer Kind, const TMethodKey& Key, TEndTrEvent Handler) {
    if (auto* l = EndList(Kind)) l->Add(Key, std::move(Handler));
}

void TFBTransaction::RemoveEndEvent(Integer Kind, const TMethodKey& Key) {
    if (auto* l = EndList(Kind)) l->Remove(Key);
}

void TFBTransaction::Loaded() {
    TComponent::Loaded();
    TFBDatabase* db = GetMainDatabase();
    if (FStreamedActive && db && db->Connected()) {
        FStreamedActive = false;
        StartTransaction();
    }
}

void TFBTransaction::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FDefaultDatabase) FDefaultDatabase = nullptr;
    if (auto* db = dynamic_cast<TFBDatabase*>(AComponent)) std::erase(FDatabases, db);
}

// ---- TFBBase -------------------------------------------------------------------------------------

TFBBase::TFBBase(TObject* AOwner) : FOwner(AOwner) {}

TFBBase::~TFBBase() {
    SetTransaction(nullptr);
    SetDatabase(nullptr);
}

void TFBBase::SetDatabase(TFBDatabase* Value) {
    if (Value == FDatabase) return;
    if (FDatabase) FDatabase->RemoveSQLObject(FIndexInDatabase);
    FDatabase = nullptr;
    FIndexInDatabase = -1;
    if (!Value) return;
    FIndexInDatabase = Value->AddSQLObject(this);
    FDatabase = Value;
    if (!FTransaction && !HasLoadingOwner(dynamic_cast<TComponent*>(FOwner)))
        SetTransaction(Value->DefaultTransaction());
}

void TFBBase::SetTransaction(TFBTransaction* Value) {
    if (Value == FTransaction) return;
    if (FTransaction) FTransaction->RemoveSQLObject(FIndexInTransaction);
    FTransaction = nullptr;
    FIndexInTransaction = -1;
    if (!Value) return;
    FIndexInTransaction = Value->AddSQLObject(this);
    FTransaction = Value;
    if (Value->FindDatabase(FDatabase) < 0 && Value->DatabaseCount() > 0) SetDatabase(Value->GetMainDatabase());
}

void TFBBase::CheckDatabase() {
    if (!FDatabase) {
        auto* c = dynamic_cast<TComponent*>(FOwner);
        FBError(21, {c ? CmpFullName(c) : AnsiString()});
    }
    FDatabase->CheckActive();
}

void TFBBase::CheckTransaction() {
    if (!FTransaction) {
        auto* c = dynamic_cast<TComponent*>(FOwner);
        FBError(22, {c ? CmpFullName(c) : AnsiString()});
    }
    FTransaction->CheckInTransaction();
}

isc_db_handle* TFBBase::DBHandle() const { return FDatabase ? FDatabase->HandleAddress() : nullptr; }

isc_tr_handle* TFBBase::TRHandle() const { return FTransaction ? FTransaction->HandleAddress() : nullptr; }

void TFBBase::DropDatabase() {
    FDatabase = nullptr;
    FIndexInDatabase = -1;
}

void TFBBase::DropTransaction() {
    FTransaction = nullptr;
    FIndexInTransaction = -1;
}
