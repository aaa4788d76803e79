// TFBCustomDataSet: creation, statements, connection, options, preparing and state checks.
#include "datasets/FBDataSet.h"

#include "dbclient/FBMessages.h"
#include "dbclient/StdFuncs.h"
#include "dbclient/StrUtil.h"

#include <cstring>

TScreenCursorHooks& ScreenCursorHooks() {
    static TScreenCursorHooks Hooks;
    return Hooks;
}

// ---------------------------------------------------------------------------------------------
// TCacheModelOptions

TCacheModelOptions::TCacheModelOptions(TFBCustomDataSet* ADataSet) : FDataSet(ADataSet) {}

void TCacheModelOptions::SetCacheModelKind(TCacheModelKind Value) {
    if (Value == FCacheModelKind) return;
    if (FDataSet) FDataSet->CheckInactive();
    if (Value == cmkLimitedBufferSize) {
        // A data set being read from its form gets its other properties later.
        if (FDataSet && !FDataSet->ComponentState().Contains(csLoading) && !FDataSet->CanUseLimitedCache())
            FBError(75, {CmpFullName(FDataSet)});
        if (FBufferChunks < 100) FBufferChunks = 100;
    }
    FCacheModelKind = Value;
}

void TCacheModelOptions::SetBufferChunks(Integer Value) {
    if (FDataSet) FDataSet->CheckInactive();
    FBufferChunks = Value > 0 ? Value : 32;
}

void TCacheModelOptions::Assign(TPersistent* Source) {
    if (auto* S = dynamic_cast<TCacheModelOptions*>(Source)) {
        SetBufferChunks(S->BufferChunks());
        SetCacheModelKind(S->CacheModelKind());
        FPlanForDescSQLs = S->PlanForDescSQLs();
        return;
    }
    TPersistent::Assign(Source);
}

// ---------------------------------------------------------------------------------------------
// Creation and destruction

TFBCustomDataSet::TFBCustomDataSet(TComponent* AOwner) : TDataSet(AOwner) {
    FBase = std::make_unique<TFBBase>(this);
    FDeleteQuery = CreateInternalQuery("DeleteQuery");
    FInsertQuery = CreateInternalQuery("InsertQuery");
    FRefreshQuery = CreateInternalQuery("RefreshQuery");
    FUpdateQuery = CreateInternalQuery("UpdateQuery");
    FSelectQuery = CreateInternalQuery("SelectQuery");
    FCursorQuery = FSelectQuery;
    SetBookmarkSize(8);
    FSelectQuery->BeforeFetch = [this](TObject* S) { SelectBeforeFetch(S); };
    FBase->OnDatabaseDisconnecting = [this](TObject* S) { BaseDatabaseDisconnecting(S); };
    FBase->OnDatabaseDisconnected = [this](TObject*) { if (DatabaseDisconnected) FireEvent(DatabaseDisconnected, this); };
    FBase->OnDatabaseFree = [this](TObject*) { if (DatabaseFree) FireEvent(DatabaseFree, this); };
    FBase->OnTransactionEnding = [this](TObject* S) { DoTransactionEnding(S); };
    FBase->OnTransactionEnded = [this](TObject* S) { DoTransactionEnded(S); };
    FBase->OnTransactionFree = [this](TObject*) { if (TransactionFree) FireEvent(TransactionFree, this); };
    FFieldDescrs = std::make_unique<TFBFieldDescrList>();
    FBlobStreams = std::make_unique<TList>();
    FDataLink = std::make_unique<TFBDataLink>(this);
    FSQLs = std::make_unique<TSQLs>(this);
    FAutoUpdateOptions = std::make_unique<TAutoUpdateOptions>(this);
    FCacheModelOptions = std::make_unique<TCacheModelOptions>(this);
    SetOptions(DefaultDsOptions);
    if (auto* Db = dynamic_cast<TFBDatabase*>(AOwner))
        SetDatabase(Db);
    else if (auto* Tr = dynamic_cast<TFBTransaction*>(AOwner))
        SetTransaction(Tr);
}

TFBCustomDataSet::~TFBCustomDataSet() { TFBCustomDataSet::BeforeDestruction(); }

void TFBCustomDataSet::BeforeDestruction() {
    // The statements are owned components: close while they still exist.
    if (!FTornDown) {
        FTornDown = true;
        Destroying();
        try {
            Close();
            // Freed by a handler while it opened: not active, but its cursor and buffers are.
            if (IsCursorOpen()) CloseCursor();
        } catch (...) {
            // A cursor that cannot be closed any more (its connection broke) goes with the
            // statement; being freed, the data set has nobody to tell.
        }
        FEndScrollTimer.reset();
        FWaitMasterTimer.reset();
        if (TFBTransaction* Tr = Transaction()) RemoveTransactionHandlers(Tr, true, true);
        if (TFBTransaction* Tr = FDeleteQuery->Transaction()) RemoveTransactionHandlers(Tr, false, true);
        FreeBlobStreams();
        SetContainer(nullptr);
        FDataLink.reset();
        FBase.reset();
        FCache.reset();
    }
    TDataSet::BeforeDestruction();
}

TFBQuery* TFBCustomDataSet::CreateInternalQuery(const AnsiString& Name) {
    auto* Q = new TFBQuery(this);
    Q->OnSQLChanging = [this](TObject* S) { SQLChanging(S); };
    Q->SetGoToFirstRecordOnExecute(false);
    Q->SetParamCheck(true);
    Q->SetOptions({});
    Q->SetName(Name);
    return Q;
}

AnsiString TFBCustomDataSet::FullName() const { return CmpFullName(this); }

void TFBCustomDataSet::SQLChanging(TObject* Sender) {
    if (Sender == FSelectQuery) {
        if (ComponentState().Contains(csDesigning))
            Close();
        else
            CheckDatasetClosed(" change SelectSQL ");
        FSelectSQLChanged = true;
        FieldDefs()->Clear();
        FieldDefs()->SetUpdated(false);
        FPrepared = false;
    }
    // What was worked out from the texts no longer holds.
    FAutoUpdateOptions->ClearCachedTexts();
}

void TFBCustomDataSet::SelectBeforeFetch(TObject*) {
    if (!BeforeFetchRecord) return;
    bool Stop = false;
    const TAliveGuard alive(this);
    FireEvent(BeforeFetchRecord, FSelectQuery, FSelectQuery->RecordCount(), Stop);
    if (Stop || alive.Gone()) Abort();
}

void TFBCustomDataSet::BaseDatabaseDisconnecting(TObject*) {
    if (Active()) {
        if (FCachedUpdates) {
            FetchAll();
            FSelectQuery->Close();
        } else {
            Close();
        }
    }
    FPrepared = false;
    if (DatabaseDisconnecting) FireEvent(DatabaseDisconnecting, this);   // last: it may free the data set
}

void TFBCustomDataSet::Notification(TComponent* AComponent, TOperation Operation) {
    TDataSet::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FContainer) FContainer = nullptr;
    if (Operation == opRemove && !ComponentState().Contains(csDestroying)) {
        for (auto It = FFieldByNameCache.begin(); It != FFieldByNameCache.end();) {
            if (It->second == AComponent)
                It = FFieldByNameCache.erase(It);
            else
                ++It;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Connection

void TFBCustomDataSet::SetDatabase(TFBDatabase* Value) {
    CheckDatasetClosed(" change database ");
    for (TFBQuery* Q : {FDeleteQuery, FInsertQuery, FRefreshQuery, FSelectQuery, FUpdateQuery}) Q->SetDatabase(Value);
    if (Value != FBase->Database()) {
        FBase->SetDatabase(Value);
        if (Value && Value->DefaultUpdateTransaction() &&
            (!UpdateTransaction() || UpdateTransaction() == Transaction()) &&
            !ComponentState().Contains(csLoading) && !Value->ComponentState().Contains(csLoading))
            SetUpdateTransaction(Value->DefaultUpdateTransaction());
    }
}

void TFBCustomDataSet::SetTransaction(TFBTransaction* Value) {
    CheckDatasetClosed(" change transaction ");
    TFBTransaction* Old = FSelectQuery->Transaction();
    FBase->SetTransaction(Value);
    FSeparateUpdateTransaction = FSelectQuery->Transaction() != FDeleteQuery->Transaction();
    if (Old) RemoveTransactionHandlers(Old, true, true);
    FSelectQuery->SetTransaction(Value);
    if (Value) AddTransactionHandlers(Value, true, false);
    if (!FSeparateUpdateTransaction) {
        for (TFBQuery* Q : {FRefreshQuery, FDeleteQuery, FInsertQuery, FUpdateQuery}) Q->SetTransaction(Value);
        if (Value) AddTransactionHandlers(Value, false, true);
    } else if (FRefreshTransactionKind == tkReadTransaction) {
        FRefreshQuery->SetTransaction(Value);
    }
}

TFBTransaction* TFBCustomDataSet::UpdateTransaction() const { return FUpdateQuery->Transaction(); }

void TFBCustomDataSet::SetUpdateTransaction(TFBTransaction* Value) {
    if (FRefreshTransactionKind == tkUpdateTransaction) FRefreshQuery->SetTransaction(Value);
    if (TFBTransaction* Old = FDeleteQuery->Transaction()) RemoveTransactionHandlers(Old, false, true);
    for (TFBQuery* Q : {FDeleteQuery, FInsertQuery, FUpdateQuery}) Q->SetTransaction(Value);
    if (Value) AddTransactionHandlers(Value, false, true);
    FSeparateUpdateTransaction = FSelectQuery->Transaction() != FDeleteQuery->Transaction();
}

void TFBCustomDataSet::SetRefreshTransactionKind(TTransactionKind Value) {
    FRefreshQuery->SetTransaction(Value == tkReadTransaction ? Transaction() : UpdateTransaction());
    FRefreshTransactionKind = Value;
}

void TFBCustomDataSet::AddTransactionHandlers(TFBTransaction* Tr, bool Read, bool Update) {
    if (Read) {
        Tr->AddNotifyEvent(0, MethodKey(this, &TFBCustomDataSet::ReadBeforeStart), [this](TObject* S) { ReadBeforeStart(S); });
        Tr->AddNotifyEvent(1, MethodKey(this, &TFBCustomDataSet::ReadAfterStart), [this](TObject* S) { ReadAfterStart(S); });
        Tr->AddEndEvent(2, MethodKey(this, &TFBCustomDataSet::ReadBeforeEnd),
                        [this](TObject* T, TTransactionAction A, bool F) { ReadBeforeEnd(T, A, F); });
        Tr->AddEndEvent(3, MethodKey(this, &TFBCustomDataSet::ReadAfterEnd),
                        [this](TObject* T, TTransactionAction A, bool F) { ReadAfterEnd(T, A, F); });
    }
    if (Update) {
        Tr->AddNotifyEvent(0, MethodKey(this, &TFBCustomDataSet::UpdateBeforeStart), [this](TObject* S) { UpdateBeforeStart(S); });
        Tr->AddNotifyEvent(1, MethodKey(this, &TFBCustomDataSet::UpdateAfterStart), [this](TObject* S) { UpdateAfterStart(S); });
        Tr->AddEndEvent(2, MethodKey(this, &TFBCustomDataSet::UpdateBeforeEnd),
                        [this](TObject* T, TTransactionAction A, bool F) { UpdateBeforeEnd(T, A, F); });
        Tr->AddEndEvent(3, MethodKey(this, &TFBCustomDataSet::UpdateAfterEnd),
                        [this](TObject* T, TTransactionAction A, bool F) { UpdateAfterEnd(T, A, F); });
    }
}

void TFBCustomDataSet::RemoveTransactionHandlers(TFBTransaction* Tr, bool Read, bool Update) {
    if (Read) {
        Tr->RemoveNotifyEvent(0, MethodKey(this, &TFBCustomDataSet::ReadBeforeStart));
        Tr->RemoveNotifyEvent(1, MethodKey(this, &TFBCustomDataSet::ReadAfterStart));
        Tr->RemoveEndEvent(2, MethodKey(this, &TFBCustomDataSet::ReadBeforeEnd));
        Tr->RemoveEndEvent(3, MethodKey(this, &TFBCustomDataSet::ReadAfterEnd));
    }
    if (Update) {
        Tr->RemoveNotifyEvent(0, MethodKey(this, &TFBCustomDataSet::UpdateBeforeStart));
        Tr->RemoveNotifyEvent(1, MethodKey(this, &TFBCustomDataSet::UpdateAfterStart));
        Tr->RemoveEndEvent(2, MethodKey(this, &TFBCustomDataSet::UpdateBeforeEnd));
        Tr->RemoveEndEvent(3, MethodKey(this, &TFBCustomDataSet::UpdateAfterEnd));
    }
}

// The start events pass on the starting transaction, as the end events do.
void TFBCustomDataSet::ReadBeforeStart(TObject* S) { if (BeforeStartTransaction) FireEvent(BeforeStartTransaction, S); }
void TFBCustomDataSet::ReadAfterStart(TObject* S) { if (AfterStartTransaction) FireEvent(AfterStartTransaction, S); }
void TFBCustomDataSet::ReadBeforeEnd(TObject* T, TTransactionAction A, bool F) {
    if (BeforeEndTransaction) FireEvent(BeforeEndTransaction, T, A, F);
}
void TFBCustomDataSet::ReadAfterEnd(TObject* T, TTransactionAction A, bool F) {
    if (AfterEndTransaction) FireEvent(AfterEndTransaction, T, A, F);
}
void TFBCustomDataSet::UpdateBeforeStart(TObject* S) {
    if (BeforeStartUpdateTransaction) FireEvent(BeforeStartUpdateTransaction, S);
}
void TFBCustomDataSet::UpdateAfterStart(TObject* S) {
    if (AfterStartUpdateTransaction) FireEvent(AfterStartUpdateTransaction, S);
}
void TFBCustomDataSet::UpdateBeforeEnd(TObject* T, TTransactionAction A, bool F) {
    if (BeforeEndUpdateTransaction) FireEvent(BeforeEndUpdateTransaction, T, A, F);
}
void TFBCustomDataSet::UpdateAfterEnd(TObject* T, TTransactionAction A, bool F) { DoAfterEndUpdateTransaction(T, A, F); }

void TFBCustomDataSet::DoAfterEndUpdateTransaction(TObject* EndingTR, TTransactionAction Action, bool Force) {
    if (AfterEndUpdateTransaction) FireEvent(AfterEndUpdateTransaction, EndingTR, Action, Force);
}

void TFBCustomDataSet::DoTransactionEnding(TObject*) {
    if (TransactionEnding && !(Transaction() && Transaction()->Quiet())) {
        const TAliveGuard alive(this);
        FireEvent(TransactionEnding, this);
        if (alive.Gone()) return;
    }
    TFBTransaction* Tr = Transaction();
    if (!Tr || !Active()) return;
    const TTransactionState S = Tr->State();
    if (S != tsDoCommit && S != tsDoRollback) return;
    if (FCachedUpdates && !ComponentState().Contains(csDestroying) && !ComponentState().Contains(csDesigning)) {
        FetchAll();
        FSelectQuery->Close();
    } else {
        Close();
    }
}

void TFBCustomDataSet::DoTransactionEnded(TObject*) {
    if (!(Transaction() && Transaction()->Quiet())) FireEvent(TransactionEnded, this);
}

void TFBCustomDataSet::SetContainer(TDataSetsContainer* Value) {
    if (Value == FContainer) return;
    if (FContainer) {
        FContainer->RemoveDataSet(this);
        FContainer->RemoveFreeNotification(this);
    }
    FContainer = Value;
    if (FContainer) {
        FContainer->FreeNotification(this);
        FContainer->AddDataSet(this);
    }
}

// ---------------------------------------------------------------------------------------------
// Statement texts, options and modes

void TFBCustomDataSet::SetSelectSQL(TStrings* Value) {
    if (ComponentState().Contains(csDesigning))
        Close();
    else
        CheckDatasetClosed(" change SelectSQL ");
    FSelectQuery->SetSQL(Value);
}

void TFBCustomDataSet::SetOptions(TpFBDsOptions Value) {
    FOptions = Value;
    for (TFBQuery* Q : {FSelectQuery, FInsertQuery, FUpdateQuery, FDeleteQuery}) {
        TpFBQueryOptions O = Q->Options();
        if (Value.Contains(poStartTransaction)) O.Include(qoStartTransaction); else O.Exclude(qoStartTransaction);
        if (Value.Contains(poNoForceIsNull)) O.Include(qoNoForceIsNull); else O.Exclude(qoNoForceIsNull);
        Q->SetOptions(O);
    }
}

void TFBCustomDataSet::SetPrepareOptions(TpPrepareOptions Value) {
    const TpPrepareOptions Critical{psUseBooleanField, psSQLINT64ToBCD};
    if (!ComponentState().Contains(csLoading) && (Value * Critical) != (FPrepareOptions * Critical)) {
        CheckDatasetClosed("change psUseBooleanField or psSQLINT64ToBCD\r\n");
        FPrepareOptions = Value;
        if (FPrepared) RebuildFieldDefs();
        return;
    }
    FPrepareOptions = Value;
}

void TFBCustomDataSet::RebuildFieldDefs() {
    FieldDefs()->Clear();
    InternalInitFieldDefs();
}

TDetailConditions TFBCustomDataSet::DetailConditions() const {
    TDetailConditions R = FDetailConditions;
    if (FWaitMasterTimer && FWaitMasterTimer->Interval() > 0)
        R.Include(dcWaitEndMasterScroll);
    else
        R.Exclude(dcWaitEndMasterScroll);
    const_cast<TFBCustomDataSet*>(this)->FDetailConditions = R;
    return R;
}

void TFBCustomDataSet::SetDetailConditions(TDetailConditions Value) {
    FDetailConditions = Value;
    if (Value.Contains(dcWaitEndMasterScroll)) {
        if (!FWaitMasterTimer) {
            FWaitMasterTimer = std::make_unique<TFBTimer>(nullptr);
            FWaitMasterTimer->SetEnabled(false);
            FWaitMasterTimer->SetInterval(static_cast<Cardinal>(std::max(FWaitEndMasterInterval, 0)));
            FWaitMasterTimer->SetOnTimer([this](TObject*) {
                // A master scrolled back to the values shown: the detail and its pending lines stay.
                if (Active() && !SetParamsFromMaster()) FWaitMasterTimer->SetEnabled(false);
                else RefreshFromMaster();
            });
        }
    } else {
        FWaitMasterTimer.reset();
    }
}

void TFBCustomDataSet::SetWaitEndMasterInterval(Integer Value) {
    FWaitEndMasterInterval = Value;
    const auto Interval = static_cast<Cardinal>(std::max(Value, 0));
    if (FWaitMasterTimer) FWaitMasterTimer->SetInterval(Interval);
    if (FEndScrollTimer) FEndScrollTimer->SetInterval(Interval);
}

void TFBCustomDataSet::SetOnEndScroll(const TDataSetNotifyEvent& Value) {
    FOnEndScroll = Value;
    if (Value) {
        if (!FEndScrollTimer) {
            FEndScrollTimer = std::make_unique<TFBTimer>(nullptr);
            FEndScrollTimer->SetEnabled(false);
            FEndScrollTimer->SetInterval(static_cast<Cardinal>(std::max(FWaitEndMasterInterval, 0)));
            FEndScrollTimer->SetOnTimer([this](TObject* S) { EndScrollTimer(S); });
        }
    } else {
        FEndScrollTimer.reset();
    }
}

void TFBCustomDataSet::EndScrollTimer(TObject*) {
    if (FEndScrollTimer) FEndScrollTimer->SetEnabled(false);
    if (FOnEndScroll) FireEvent(FOnEndScroll, this);
}

void TFBCustomDataSet::SetCachedUpdates(bool Value) {
    if (Value == FCachedUpdates) return;
    if (!Value) {
        if (Active()) CancelUpdates();
    } else if (!ComponentState().Contains(csLoading)) {
        CheckDatasetClosed(" change CachedUpdates mode ");
        if (FCacheModelOptions->CacheModelKind() == cmkLimitedBufferSize) FBError(75, {FullName()});
    }
    FCachedUpdates = Value;
    FSelectQuery->SetCloseAtTransactionEnd(!Value);
}

void TFBCustomDataSet::SetUniDirectional(bool Value) {
    if (Value == FUniDirectional) return;
    CheckDatasetClosed(" change Unidirectional property ");
    FUniDirectional = Value;
}

void TFBCustomDataSet::SetUpdateRecordTypes(TFBUpdateRecordTypes Value) {
    FUpdateRecordTypes = Value;
    if (Active()) First();
}

// ---------------------------------------------------------------------------------------------
// Preparing

void TFBCustomDataSet::PrepareConnection() {
    if (!Database() && Transaction()) SetDatabase(Transaction()->DefaultDatabase());
    if (!Transaction() && Database()) SetTransaction(Database()->DefaultTransaction());
    TFBTransaction* Tr = Transaction();
    if (Tr && !Tr->Active()) {
        if (Tr->DatabaseCount() == 0 && !Tr->DefaultDatabase()) Tr->SetDefaultDatabase(Database());
        if (FOptions.Contains(poStartTransaction)) Tr->StartTransaction();
    }
}

void TFBCustomDataSet::Prepare() {
    TCursor Old = 0;
    ChangeScreenCursor(Old);
    try {
        FBase->CheckDatabase();
        PrepareConnection();
        FBase->CheckTransaction();
        if (IsBlankStr(FSelectQuery->SQL()->Text())) FBError(37, {"Prepare " + FullName()});
        if (!FSelectQuery->Prepared()) FSelectQuery->Prepare();
        if (ComponentState().Contains(csDesigning)) {
            for (TFBQuery* Q : {FUpdateQuery, FInsertQuery, FDeleteQuery, FRefreshQuery})
                if (Q->SQL()->Count() > 0 && Q->SQL()->Strings(0) != "No Action" && !Q->Prepared()) Q->Prepare();
        }
        FPrepared = true;
        InternalInitFieldDefs();
    } catch (...) {
        RestoreScreenCursor(Old);
        throw;
    }
    RestoreScreenCursor(Old);
}

void TFBCustomDataSet::FreeHandles() {
    for (TFBQuery* Q : {FSelectQuery, FDeleteQuery, FInsertQuery, FUpdateQuery}) Q->FreeHandle();
    FPrepared = false;
}

void TFBCustomDataSet::PrepareQuery(Integer Kind) {
    TFBQuery* Q = nullptr;
    switch (Kind) {
        case 0: Q = FUpdateQuery; break;
        case 1: Q = FInsertQuery; break;
        case 2: Q = FDeleteQuery; break;
        case 3: Q = FRefreshQuery; break;
        default: return;
    }
    if (Q->SQL()->Count() == 0 || IsBlankStr(Q->SQL()->Text()) || Q->Prepared() ||
        Q->SQL()->Strings(0) == "No Action")
        return;
    if (!Q->Transaction()) FBError(22, {CmpFullName(Q)});
    if (!Transaction()) FBError(22, {FullName()});
    TFBTransaction* QTr = Q->Transaction();
    if (QTr->FindDatabase(Database()) < 0 && QTr->DefaultDatabase() != Database()) {
        const bool Started = !QTr->Active();
        if (Started) QTr->StartTransaction();
        Q->Prepare();
        if (Started) QTr->Commit();
        return;
    }
    PrepareConnection();
    // The statement is prepared under the read transaction, then gets its own back.
    Q->SetTransaction(Transaction());
    try {
        Q->Prepare();
    } catch (...) {
        Q->SetTransaction(QTr);
        throw;
    }
    Q->SetTransaction(QTr);
}

void TFBCustomDataSet::CloseOpen(bool DoFetchAll) {
    TCursor Old = 0;
    ChangeScreenCursor(Old);
    const bool SaveDefault = Active() ? DefaultFields() : FieldCount() == 0;
    // Fields made for the select are kept over the reopen, unless a changed macro changes the select.
    SetDefaultFields(SaveDefault && FSelectQuery->MacrosChanged());
    ++FEventsSuppressed;
    try {
        if (Active()) Close();
        Open();
        if (DoFetchAll) FetchAll();
    } catch (...) {
        --FEventsSuppressed;
        SetDefaultFields(SaveDefault);
        RestoreScreenCursor(Old);
        throw;
    }
    --FEventsSuppressed;
    SetDefaultFields(SaveDefault);
    RestoreScreenCursor(Old);
}

// ---------------------------------------------------------------------------------------------
// Checks

void TFBCustomDataSet::CheckDatasetClosed(const AnsiString& Operation) {
    if (Active()) FBError(28, {Operation, FullName()});
}

void TFBCustomDataSet::CheckDatasetOpen(const AnsiString& Operation) {
    if (!Active()) FBError(29, {Operation, FullName()});
}

void TFBCustomDataSet::CheckNotUniDirectional() {
    if (FUniDirectional) FBError(53, {FullName()});
}

void TFBCustomDataSet::CheckEditState() {
    CheckActive();
    TDataSetState S = State();
    if (S == dsCalcFields || S == dsNewValue || S == dsOldValue || S == dsCurValue) S = FSavedState;
    switch (S) {
        case dsEdit:
            if (!CanEdit()) FBError(46, {FullName()});
            break;
        case dsInsert:
            if (!CanInsert()) FBError(44, {FullName()});
            break;
        default:
            FBError(42, {FullName()});
    }
}

void TFBCustomDataSet::CheckInactive() { TDataSet::CheckInactive(); }

bool TFBCustomDataSet::CanEdit() {
    if (!IsBlankStr(FUpdateQuery->SQL()->Text())) return true;
    if (!FCachedUpdates) return false;
    TRecordBuffer B = GetActiveBuf();
    return B && BufStatus(B) == cusInserted;
}

bool TFBCustomDataSet::CanInsert() { return !IsBlankStr(FInsertQuery->SQL()->Text()); }

bool TFBCustomDataSet::CanDelete() { return !IsBlankStr(FDeleteQuery->SQL()->Text()); }

bool TFBCustomDataSet::GetCanModify() const {
    auto* Self = const_cast<TFBCustomDataSet*>(this);
    return Self->CanEdit() || Self->CanInsert() || Self->CanDelete();
}

void TFBCustomDataSet::CheckFieldCompatibility(TField* Field, TFieldDef* FieldDef) {
    const TFieldType T = Field->DataType();
    if (T == ftDate || T == ftTime || T == ftDateTime) {
        if (T != FieldDef->DataType())
            DatabaseErrorFmt(SFieldTypeMismatch,
                             {Field->DisplayName(), FieldTypeName(T), FieldTypeName(FieldDef->DataType())}, this);
        return;
    }
    TDataSet::CheckFieldCompatibility(Field, FieldDef);
}

// ---------------------------------------------------------------------------------------------
// Events, cursor, look-ups

void TFBCustomDataSet::DataEvent(TDataEvent Event, TDataEventInfo Info) {
    const TAliveGuard alive(this);   // a handler may free the data set
    if (Event == deFieldChange && OnFieldChange) FireEvent(OnFieldChange, reinterpret_cast<TField*>(Info));
    if (alive.Gone()) return;
    TDataSet::DataEvent(Event, Info);
    if (alive.Gone()) return;
    if (ControlsDisabled()) {
        if (FEnableControlsState) {
            FEnableControlsState = false;
            if (OnDisableControls) FireEvent(OnDisableControls, this);
        }
    } else if (!FEnableControlsState) {
        FEnableControlsState = true;
        if (OnEnableControls) FireEvent(OnEnableControls, this);
    }
}

Integer TFBCustomDataSet::CompareFieldValues(TField* Field, const Variant& S1, const Variant& S2) {
    if (OnCompareFieldValues) return FireEvent(OnCompareFieldValues, Field, S1, S2);
    if (VarCompareValue(S1, S2) == vrEqual) return 0;
    return VarCompareValue(S1, S2) == vrGreaterThan ? 1 : -1;
}

void TFBCustomDataSet::ChangeScreenCursor(TCursor& OldCursor) {
    TScreenCursorHooks& H = ScreenCursorHooks();
    OldCursor = FireEvent(H.Get);
    if (FSQLScreenCursor != 0 && FSQLScreenCursor != OldCursor) FireEvent(H.Set, FSQLScreenCursor);
}

void TFBCustomDataSet::RestoreScreenCursor(TCursor OldCursor) {
    TScreenCursorHooks& H = ScreenCursorHooks();
    if (FSQLScreenCursor != 0 && FSQLScreenCursor != OldCursor) FireEvent(H.Set, OldCursor);
}

TField* TFBCustomDataSet::FBFindField(const AnsiString& Name) {
    for (const auto& E : FFieldByNameCache)
        if (E.first == Name) return E.second;
    AnsiString N = Name;
    if (!N.empty() && N[0] == '"') N = UnquoteStr(N);
    TField* F = FindField(N);
    if (F) FFieldByNameCache.emplace_back(Name, F);
    return F;
}

TField* TFBCustomDataSet::FBFieldByName(const AnsiString& Name) {
    TField* F = FBFindField(Name);
    if (!F) DatabaseErrorFmt(SFieldNotFound, {Name}, this);
    return F;
}

Integer TFBCustomDataSet::Translate(const char* Src, char* Dest, bool ToOem) {
    if (!Src) return 0;
    const size_t Len = std::strlen(Src);
    if (Dest != Src) std::memmove(Dest, Src, Len + 1);
    return static_cast<Integer>(Len);
}

void TFBCustomDataSet::InternalHandleException() { TDataSet::InternalHandleException(); }

// ---------------------------------------------------------------------------------------------
// The data set as a source of parameter values

Integer TFBCustomDataSet::ParamCount() { return FSelectQuery->Params()->Count(); }

AnsiString TFBCustomDataSet::ParamName(Integer ParamIndex) { return FSelectQuery->Params()->Vars(ParamIndex)->Name(); }

Integer TFBCustomDataSet::FieldsCount() { return FieldCount(); }

bool TFBCustomDataSet::FieldExist(const AnsiString& FieldName, Integer& FieldIndex) {
    TField* F = FindField(FieldName);
    if (F) FieldIndex = F->Index();
    return F != nullptr;
}

bool TFBCustomDataSet::ParamExist(const AnsiString& ParamName, Integer& ParamIndex) {
    return FSelectQuery->ParamExist(ParamName, ParamIndex);
}

Variant TFBCustomDataSet::FieldValue(const AnsiString& FieldName, bool Old) {
    TField* F = FieldByName(FieldName);
    // Asked by name, the old value is given in every state.
    return Old ? F->OldValue() : F->AsVariant();
}

Variant TFBCustomDataSet::FieldValue(Integer FieldIndex, bool Old) {
    TField* F = Fields()->Fields(FieldIndex);
    return Old && State() != dsInsert ? F->OldValue() : F->AsVariant();
}

Variant TFBCustomDataSet::ParamValue(const AnsiString& ParamName) { return FSelectQuery->ParamByName(ParamName)->Value(); }

Variant TFBCustomDataSet::ParamValue(Integer ParamIndex) { return FSelectQuery->Params()->Vars(ParamIndex)->Value(); }

void TFBCustomDataSet::SetParamValue(Integer ParamIndex, const Variant& aValue) {
    FSelectQuery->Params()->Vars(ParamIndex)->SetValue(aValue);
}

// ---------------------------------------------------------------------------------------------
// Master-detail

void TFBDataLink::ActiveChanged() {
    if (Active())
        FDetail->MasterChanged();
    else
        FDetail->MasterDisabled();
}

void TFBDataLink::RecordChanged(TField* Field) {
    // A field typed into the master is no new master record yet.
    if (!Field && FDetail->Active() && FDetail->SetParamsFromMaster()) FDetail->MasterChanged();
}

TDataSet* TFBDataLink::GetDetailDataSet() const { return FDetail; }

TDataSource* TFBCustomDataSet::GetDataSource() const { return FDataLink ? FDataLink->DataSource() : nullptr; }

void TFBCustomDataSet::SetDataSource(TDataSource* Value) {
    // A master whose own masters lead back here would follow itself.
    if (Value && IsLinkedTo(Value)) FBError(50, {Name()});
    FDataLink->SetDataSource(Value);
}

TField* TFBCustomDataSet::MasterFieldOf(const AnsiString& ParamName) const {
    TDataSource* S = GetDataSource();
    TDataSet* M = S ? S->DataSet() : nullptr;
    if (!M || !M->Active()) return nullptr;
    if (IsMasParamName(ParamName))
        if (TField* F = M->FindField(ParamName.substr(4))) return F;
    return M->FindField(ParamName);
}

std::vector<TFBXSQLVAR*> TFBCustomDataSet::MasterParams() {
    std::vector<TFBXSQLVAR*> R;
    TFBXSQLDA* P = FSelectQuery->Params();
    for (Integer I = 0; P && I < P->Count(); ++I) R.push_back(P->Vars(I));
    // A macro's value may bring parameters of its own into the text that runs.
    if (FSelectQuery->MacrosChanged()) FSelectQuery->RebuildSQL();
    const std::vector<AnsiString> Extra = FSelectQuery->ExtraParamNames();
    for (const AnsiString& N : Extra)
        if (TFBXSQLVAR* V = FSelectQuery->FindParam(N)) R.push_back(V);
    return R;
}

bool TFBCustomDataSet::SetParamsFromMaster() {
    // A changed macro rebuilds the text, which is then run anew.
    if (FSelectQuery->MacrosChanged()) return true;
    for (TFBXSQLVAR* V : MasterParams()) {
        TField* F = MasterFieldOf(V->Name());
        if (!F) continue;
        if (F->IsNull() != V->IsNull()) return true;
        if (!F->IsNull() && VarCompareValue(F->AsVariant(), V->Value()) != vrEqual) return true;
    }
    return false;
}

void TFBCustomDataSet::ParamFromMaster(TFBXSQLVAR* V) {
    TField* F = MasterFieldOf(V->Name());
    if (!F) return;
    if (F->IsNull()) {
        V->SetIsNull(true);
        return;
    }
    switch (F->DataType()) {
        case ftWideString: V->SetValue(F->AsVariant()); break;
        case ftString: case ftFixedChar: case ftGuid: V->SetAsString(F->AsString()); break;
        case ftSmallint: case ftInteger: case ftWord: case ftBoolean: V->SetAsInteger(F->AsInteger()); break;
        case ftFloat: case ftCurrency: V->SetAsDouble(F->AsFloat()); break;
        case ftBCD:
            if (auto* B = dynamic_cast<TFBBCDField*>(F)) {
                Int64 Raw = 0;
                B->GetRaw(Raw);
                if (B->Size() == 0) V->SetAsInt64(Raw);
                else {
                    TBcd Bcd;
                    CurrToFBBcd(B->Size(), Bcd, Raw);
                    V->SetAsBcd(Bcd);
                }
            } else {
                V->SetAsCurrency(F->AsCurrency());
            }
            break;
        case ftDate: V->SetAsDate(F->AsDateTime()); break;
        case ftTime: V->SetAsTime(F->AsDateTime()); break;
        case ftDateTime: V->SetAsDateTime(F->AsDateTime()); break;
        case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo: case ftTypedBinary: {
            std::unique_ptr<TStream> S(F->DataSet()->CreateBlobStream(F, bmRead));
            V->LoadFromStream(S.get());
            break;
        }
        default: FBError(1);
    }
}

void TFBCustomDataSet::ParamsFromMaster() {
    TFBXSQLDA* P = FSelectQuery->Params();
    for (Integer I = 0; P && I < P->Count(); ++I) ParamFromMaster(P->Vars(I));
    // A macro set from the master above is in the text now too.
    for (TFBXSQLVAR* V : MasterParams())
        if (V->Parent() != P) ParamFromMaster(V);
}

void TFBCustomDataSet::MasterChanged() {
    if (ComponentState().Contains(csDestroying)) return;
    if (dsEditModes.Contains(State())) FMasterMovedWhileEditing = true;
    if (FWaitMasterTimer && FWaitMasterTimer->Interval() > 0) {
        // A master that follows its own master right now is no scrolling user: follow at once.
        TDataSource* S = GetDataSource();
        auto* M = S ? dynamic_cast<TFBCustomDataSet*>(S->DataSet()) : nullptr;
        if (M && M->FRefreshingFromMaster) {
            RefreshFromMaster();
            return;
        }
        FWaitMasterTimer->SetEnabled(false);
        FWaitMasterTimer->SetEnabled(true);
        return;
    }
    RefreshDetail();
}

void TFBCustomDataSet::RefreshFromMaster() {
    const bool Saved = FRefreshingFromMaster;
    FRefreshingFromMaster = true;
    try {
        RefreshDetail();
    } catch (...) {
        FRefreshingFromMaster = Saved;
        throw;
    }
    FRefreshingFromMaster = Saved;
}

void TFBCustomDataSet::RefreshDetail() {
    if (FWaitMasterTimer) FWaitMasterTimer->SetEnabled(false);
    // Neither an edit of the detail nor its lines still pending are thrown away by a move of the master: the
    // detail keeps the master they were typed for and follows once nothing is pending.
    if (dsEditModes.Contains(State()) || (Active() && PendingForKeptMaster())) {
        FMasterMovedWhileEditing = true;
        return;
    }
    DisableControls();
    try {
        if (!EmptyStrings(SelectSQL()) && (Active() || DetailConditions().Contains(dcForceOpen))) CloseOpen(false);
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
    DataEvent(deDataSetScroll, 0);
}

bool TFBCustomDataSet::PendingForKeptMaster() const { return FCachedUpdates && FCacheModifiedCount > 0; }

bool TFBCustomDataSet::FollowMasterAfterEdit() {
    // Lines posted for the kept master stay in sight until they are applied or taken back.
    if (!FMasterMovedWhileEditing || dsEditModes.Contains(State()) || PendingForKeptMaster()) return false;
    FMasterMovedWhileEditing = false;
    if (Active() && !SetParamsFromMaster()) return false;
    RefreshDetail();
    return true;
}

void TFBCustomDataSet::MasterDisabled() {
    if (ComponentState().Contains(csDestroying)) return;
    if (FWaitMasterTimer) FWaitMasterTimer->SetEnabled(false);
    if (Active() && !DetailConditions().Contains(dcIgnoreMasterClose)) Close();
}

void TFBCustomDataSet::ApplyPendingMasterRefresh(bool NeedsRecord) {
    if (!FWaitMasterTimer || !FWaitMasterTimer->Enabled()) return;
    TDataSource* S = GetDataSource();
    if (auto* M = S ? dynamic_cast<TFBCustomDataSet*>(S->DataSet()) : nullptr) M->ApplyPendingMasterRefresh();
    const bool Reopen = SetParamsFromMaster();
    if (Reopen) RefreshFromMaster();
    if (FWaitMasterTimer) FWaitMasterTimer->SetEnabled(false);
    if (Reopen && NeedsRecord && IsEmpty()) Abort();
}

void TFBCustomDataSet::FollowBeforeApply() {
    // The lines pending are the shown master's: a move still waiting keeps that master (RefreshDetail),
    // and the detail follows once they are stored.
    if (!FMasterMovedWhileEditing) ApplyPendingMasterRefresh();
}

void TFBCustomDataSet::KeepMasterValues() {
    // Not yet followed (a refused post or apply): the lines shown are still the kept master's.
    if (FMasterMovedWhileEditing) return;
    FMasterValues.clear();
    TDataSource* S = GetDataSource();
    TDataSet* M = S ? S->DataSet() : nullptr;
    if (!M || !M->Active() || M->IsEmpty()) return;
    for (Integer I = 0; I < M->FieldCount(); ++I) {
        TField* F = M->Fields()->Fields(I);
        // Blobs and arrays would be read from the server for every line: those stay live.
        if (F->IsBlob() || F->DataType() == ftArray) continue;
        FMasterValues.emplace_back(F->FieldName(), F->AsVariant());
    }
}

Variant TFBCustomDataSet::MasterValue(TField* MasterField) const {
    // Until the detail follows, also in what its post runs afterwards (an apply).
    if (FMasterMovedWhileEditing)
        for (const auto& [Name, Value] : FMasterValues)
            if (Name == MasterField->FieldName()) return Value;
    return MasterField->AsVariant();
}

void TFBCustomDataSet::RefreshMaster(bool EvenCached) {
    TDataSource* S = GetDataSource();
    TDataSet* M = S ? S->DataSet() : nullptr;
    if (FDetailConditions.Contains(dcForceMasterRefresh) && (EvenCached || !FCachedUpdates) && M && M->Active())
        M->Refresh();
}

// ---------------------------------------------------------------------------------------------
// Stored properties

namespace {

enum TStoredSet { ssPrepare, ssDetail, ssOptions };
struct TStoredBit {
    const char* Name;
    TStoredSet Set;
    Integer Bit;
};
constexpr TStoredBit StoredBits[] = {
    {"poUseBooleanField", ssPrepare, psUseBooleanField},
    {"poUseGuidField", ssPrepare, psUseGuidField},
    {"poImportDefaultValues", ssPrepare, pfImportDefaultValues},
    {"poGetOrderInfo", ssPrepare, psGetOrderInfo},
    {"poSupportUnicodeBlobs", ssPrepare, psSupportUnicodeBlobs},
    {"poSetRequiredFields", ssPrepare, pfSetRequiredFields},
    {"poSetReadOnlyFields", ssPrepare, pfSetReadOnlyFields},
    {"poSQLINT64ToBCD", ssPrepare, psSQLINT64ToBCD},
    {"poApplyRepositary", ssPrepare, psApplyRepositary},
    {"poAskRecordCount", ssPrepare, psAskRecordCount},
    {"poCanEditComputedFields", ssPrepare, psCanEditComputedFields},
    {"poEmptyStrToNull", ssPrepare, psSetEmptyStrToNull},
    {"WaitEndMasterScroll", ssDetail, dcWaitEndMasterScroll},
    {"dcForceMasterRefresh", ssDetail, dcForceMasterRefresh},
    {"dcForceOpen", ssDetail, dcForceOpen},
    {"dcIgnoreMasterClose", ssDetail, dcIgnoreMasterClose},
    {"oTrimCharFields", ssOptions, poTrimCharFields},
    {"oRefreshAfterPost", ssOptions, poRefreshAfterPost},
    {"oRefreshDeletedRecord", ssOptions, poRefreshDeletedRecord},
    {"oStartTransaction", ssOptions, poStartTransaction},
    {"oAutoFormatFields", ssOptions, poAutoFormatFields},
    {"oProtectedEdit", ssOptions, poProtectedEdit},
    {"oKeepSorting", ssOptions, poKeepSorting},
    {"oPersistentSorting", ssOptions, poPersistentSorting},
    {"oVisibleRecno", ssOptions, poVisibleRecno},
    {"oNoForceIsNull", ssOptions, poNoForceIsNull},
    {"oFetchAll", ssOptions, poFetchAll},
};

bool StoredBitOf(const TFBCustomDataSet* D, const TStoredBit& B) {
    switch (B.Set) {
        case ssPrepare: return D->PrepareOptions().Contains(static_cast<TpPrepareOption>(B.Bit));
        case ssDetail: return D->DetailConditions().Contains(static_cast<TDetailCondition>(B.Bit));
        default: return D->Options().Contains(static_cast<TpFBDsOption>(B.Bit));
    }
}

bool DefaultBitOf(const TStoredBit& B) {
    switch (B.Set) {
        case ssPrepare: return DefaultPrepareOptions.Contains(static_cast<TpPrepareOption>(B.Bit));
        case ssDetail: return false;
        default: return DefaultDsOptions.Contains(static_cast<TpFBDsOption>(B.Bit));
    }
}

template <class TSetType, class TEnum>
TSetType WithBit(TSetType S, TEnum E, bool On) {
    return On ? S.Include(E) : S.Exclude(E);
}

}  // namespace

void TFBCustomDataSet::DefineProperties(TFiler* Filer) {
    if (Filer->IsReader() && ComponentState().Contains(csDesigning) && !FStreamDefaultsApplied) {
        // Streams hold differences from the built-in defaults, not from a designer's own.
        SetOptions(DefaultDsOptions);
        SetDetailConditions({});
        SetPrepareOptions(DefaultPrepareOptions);
        FStreamDefaultsApplied = true;
    }
    Filer->DefineProperty(
        "BufferChunks", [this](TReader& R) { FCacheModelOptions->SetBufferChunks(R.ReadInteger()); }, nullptr, false);
    auto* Ancestor = dynamic_cast<TFBCustomDataSet*>(Filer->Ancestor());
    for (const TStoredBit& B : StoredBits) {
        const bool Own = StoredBitOf(this, B);
        const bool HasData = Ancestor ? Own != StoredBitOf(Ancestor, B) : Own != DefaultBitOf(B);
        const auto Read = [this, &B](TReader& R) {
            const bool On = R.ReadBoolean();
            switch (B.Set) {
                case ssPrepare:
                    SetPrepareOptions(WithBit(PrepareOptions(), static_cast<TpPrepareOption>(B.Bit), On));
                    break;
                case ssDetail:
                    SetDetailConditions(WithBit(DetailConditions(), static_cast<TDetailCondition>(B.Bit), On));
                    break;
                default: SetOptions(WithBit(Options(), static_cast<TpFBDsOption>(B.Bit), On)); break;
            }
        };
        Filer->DefineProperty(B.Name, Read, [Own](TWriter& W) { W.WriteBoolean(Own); }, HasData);
    }
    Filer->DefineProperty("ObjectView", [](TReader& R) { R.ReadBoolean(); }, nullptr, false);
}

void TFBCustomDataSet::ReadStoredProperties(TStrings* Lines) {
    ReadStoredLines(this, Lines, [this](TFiler* Filer) { DefineProperties(Filer); });
}

void TFBCustomDataSet::WriteStoredProperties(TStrings* Lines, TFBCustomDataSet* Ancestor) {
    TWriter Writer(Lines, Ancestor);
    DefineProperties(&Writer);
}
