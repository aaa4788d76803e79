#include "dbclient/FBDatabase.h"
#include "dbclient/FBSQLMonitor.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>

#include "dbclient/FBMessages.h"
#include "dbclient/FBBlob.h"
#include "dbclient/FBLinkShared.h"
#include "dbclient/FBParamBlocks.h"
#include "dbclient/FBQuery.h"
#include "dbclient/FBTransaction.h"
#include "dbclient/StdFuncs.h"
#include "dbclient/StrUtil.h"
#include "dbclient/pFBCacheQueries.h"
#include "dbclient/pFBDataInfo.h"
#include "platform/rtl/CodePage.h"

TLoginDialogHook LoginDialogHook;

namespace {

std::mutex DatabaseListLock;
std::vector<TFBDatabase*> Databases;
TFBDatabase* DefaultDatabase = nullptr;


bool Designing(const TComponent* C) { return C->ComponentState().Contains(csDesigning); }

AnsiString LowerAscii(AnsiString S) {
    for (char& c : S)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return S;
}

// Parameter name of a line or a bare name: lower case, "isc_dpb_" dropped.
AnsiString ParamName(const AnsiString& Line) {
    AnsiString name = LowerAscii(Line.substr(0, Line.find('=')));
    if (name.compare(0, 8, "isc_dpb_") == 0) name.erase(0, 8);
    return name;
}

}  // namespace

// ---- process-wide state -------------------------------------------------------

std::vector<TFBDatabase*> DatabaseList() {
    std::lock_guard<std::mutex> guard(DatabaseListLock);
    return Databases;
}

TFBDatabase* GlobalDefaultDatabase() { return DefaultDatabase; }

void CloseAllDatabases() {
    // A validation thread works on an attachment of its own: it must be done
    // before the client library goes away.
    WaitForBlobCacheValidation();
    for (TFBDatabase* db : DatabaseList()) {
        try {
            if (db->Connected()) db->ForceClose();
        } catch (...) {
        }
    }
}

// ---- construction --------------------------------------------------------------

TFBDatabase::TFBDatabase(TComponent* AOwner)
    : TComponent(AOwner),
      FAfterConnectEvents(std::make_unique<TNotifyEventList>()),
      FBeforeDisconnectEvents(std::make_unique<TNotifyEventList>()),
      FOnDestroyEvents(std::make_unique<TNotifyEventList>()),
      FBlobFilters(std::make_unique<TIBBlobFilters>()),
      FDBParams(std::make_unique<TDBParams>(this)),
      FConnectParams(std::make_unique<TConnectParams>(this)),
      FBlobSwapSupport(std::make_unique<TBlobSwapSupport>()),
      FLibraryName(IBASE_DLL) {
    FDBParams->OnChanging = [this](TObject* Sender) { DBParamsChanging(Sender); };
    FDBParams->OnChange = [this](TObject*) { FDBParamsChanged = true; };
    {
        std::lock_guard<std::mutex> guard(DatabaseListLock);
        Databases.push_back(this);
    }
    FInternalTransaction = new TFBTransaction(nullptr);
    FInternalTransaction->SetDefaultDatabase(this);
    TStringList* p = FInternalTransaction->TRParams();
    p->Add("write");
    p->Add("isc_tpb_nowait");
    p->Add("rec_version");
    p->Add("read_committed");
}

TFBDatabase::~TFBDatabase() { BeforeDestruction(); }

// Runs before the free notifications go out, so that transactions and
// links still list this database while it closes.
void TFBDatabase::BeforeDestruction() {
    if (FDestroyed) return;
    FDestroyed = true;
    FQuiet = FEventsUnderWay > 0;
    Destroying();
    {
        std::lock_guard<std::mutex> guard(DatabaseListLock);
        std::erase(Databases, this);
    }
    if (FInternalTransaction) {
        try {
            if (FInternalTransaction->Active()) FInternalTransaction->Commit();
        } catch (...) {
        }
        delete FInternalTransaction;
        FInternalTransaction = nullptr;
    }
    if (DefaultDatabase == this) DefaultDatabase = nullptr;
    delete FTimer;
    FTimer = nullptr;
    try {
        if (Connected()) ForceClose();
    } catch (...) {
    }
    FireDestroyHandlers(*FOnDestroyEvents, this);
    UnlinkAll(
        FSQLObjects, [](TFBBase* L) { L->Fire(L->OnDatabaseFree); },
        [this](TFBBase* L, Integer Index) {
            RemoveSQLObject(Index);
            if (L->FDatabase == this) L->DropDatabase();
        });
    std::vector<TFBTransaction*> trs = FTransactions;
    for (TFBTransaction* tr : trs) {
        if (!tr) continue;
        Integer i = tr->FindDatabase(this);
        if (i >= 0) tr->RemoveDatabase(i);
        if (tr->FDefaultDatabase == this) tr->FDefaultDatabase = nullptr;
    }
    FTransactions.clear();
    FDBParams->OnChanging = nullptr;
    FDBParams->OnChange = nullptr;
    TComponent::BeforeDestruction();
}

// ---- properties ------------------------------------------------------------------

void TFBDatabase::SetConnected(bool Value) {
    if (ComponentState().Contains(csLoading)) {
        FStreamedConnected = Value;
        return;
    }
    if (Value && !Connected()) Open();
    else if (!Value && Connected()) Close();
}

void TFBDatabase::SetDBName(const AnsiString& Value) {
    if (Value == FDBName) return;
    CheckInactive();
    FDBName = Value;
}

void TFBDatabase::SetDBParams(TStrings* Value) { FDBParams->Assign(Value); }

void TFBDatabase::DBParamsChanging(TObject*) {
    if (Connected() && !Designing(this)) FBError(13);
}

void TFBDatabase::SetTransactionProp(TFBTransaction*& Field, TFBTransaction* Value) {
    if (Field == Value) return;
    Field = Value;
    if (!Value) return;
    AddTransaction(Value);
    Value->AddDatabase(this);
    if (!Value->FDefaultDatabase) {
        Value->FDefaultDatabase = this;
        FreeNotification(Value);
    }
    Value->FreeNotification(this);
}

void TFBDatabase::SetDefaultTransaction(TFBTransaction* Value) { SetTransactionProp(FDefaultTransaction, Value); }

void TFBDatabase::SetDefaultUpdateTransaction(TFBTransaction* Value) {
    SetTransactionProp(FDefaultUpdateTransaction, Value);
}

void TFBDatabase::SetSQLDialect(Integer Value) {
    if (Value < 1) FBError(61);
    if (Connected() && Value > GetDBSQLDialect()) FBError(61);
    FSQLDialect = Value;
}

void TFBDatabase::SetTimeout(Cardinal Value) {
    FTimeout = Value;
    SetIdleTimer(FTimer, Value, Designing(this), [this](TObject* Sender) { DoTimer(Sender); });
}

void TFBDatabase::DoTimer(TObject*) {
    if (!Connected()) return;
    // Closed either way; a failed end of a transaction is reported after OnTimeout.
    IdleTimerTick(FIdleFlag, [this] { ForceClose(); }, OnTimeout, this);
}

void TFBDatabase::SetDesignDBOptions(TDesignDBOptions Value) {
    FDesignDBOptions = Value;
    if (Value.Contains(ddoIsDefaultDatabase)) {
        if (DefaultDatabase && DefaultDatabase != this)
            DefaultDatabase->FDesignDBOptions.Exclude(ddoIsDefaultDatabase);
        DefaultDatabase = this;
    } else if (DefaultDatabase == this) {
        DefaultDatabase = nullptr;
    }
}

void TFBDatabase::SetLibraryName(const AnsiString& Value) {
    if (Value == FLibraryName) return;
    CheckInactive();
    FLibraryName = Value;
    FClientLibrary.reset();
}

IIBClientLibrary* TFBDatabase::ClientLibrary() {
    if (!FClientLibrary) {
        FClientLibrary = GetClientLibraryByName(FLibraryName);
        // Registered after the library is loaded, so it runs at program end before
        // the library's own clean-up: a detach after that would crash.
        static const bool closeAtExit = (std::atexit(CloseAllDatabases), true);
        (void)closeAtExit;
    }
    return FClientLibrary.get();
}

void TFBDatabase::SetSharedHandle(isc_db_handle Value) {
    CheckInactive();
    FHandle = Value;
    FHandleIsShared = Value != 0;
}

// ---- checks and calls -------------------------------------------------------------

void TFBDatabase::CheckActive() {
    if (FStreamedConnected && !ComponentState().Contains(csLoading)) Loaded();
    if (Connected()) return;
    if (Designing(this)) {
        bool saved = FUseLoginPrompt;
        FUseLoginPrompt = ConnectParams()->Password().empty();
        try {
            Open();
        } catch (...) {
            FUseLoginPrompt = saved;
            throw;
        }
        FUseLoginPrompt = saved;
        return;
    }
    FBError(12, {CmpFullName(this)});
}

void TFBDatabase::CheckInactive() {
    if (Connected()) FBError(13);
}

void TFBDatabase::CheckDatabaseName() {
    if (FDBName.empty()) FBError(14);
}

ISC_STATUS TFBDatabase::Call(ISC_STATUS Status, bool RaiseError) {
    ResetFPUControlWord();
    FIdleFlag = false;
    if (RaiseError && Status > 0) IBError(ClientLibrary(), this);
    return Status;
}

// ---- open and close ------------------------------------------------------------------

bool TFBDatabase::Login() {
    if (!LoginDialogHook) {
        AnsiString text = "Unable to find Database login dialog. ";
        text += Designing(this) ? "Please, install package with property editors."
                                : "Please, add FBDBLoginDlg into USES statement of your project.";
        throw Exception(text);
    }
    AnsiString user = GetDBParamByDPB(isc_dpb_user_name);
    AnsiString password = GetDBParamByDPB(isc_dpb_password);
    AnsiString role = GetDBParamByDPB(isc_dpb_sql_role_name);
    if (!FireEvent(LoginDialogHook, FDBName, user, password, role)) return false;
    auto put = [this](const char* Name, const AnsiString& Value) {
        Integer i = FindDBParam(Name);
        AnsiString line = AnsiString(Name) + "=" + Value;
        if (i >= 0) FDBParams->SetStrings(i, line);
        else FDBParams->Add(line);
    };
    put("user_name", user);
    put("password", password);
    put("sql_role_name", role);
    return true;
}

void TFBDatabase::Open() {
    CheckInactive();
    CheckDatabaseName();
    IIBClientLibrary* lib = ClientLibrary();
    // Any handler on the way may free the database.
    const TAliveGuard alive(this);
    TFBBase::ForEach(this, FSQLObjects, false, [](TFBBase* L) { L->Fire(L->OnDatabaseConnecting); });
    if (alive.Gone()) return;
    if (FUseLoginPrompt && !Login()) FBError(7);
    if (FDBParamsChanged) {
        AnsiString dpb;
        Word length = 0;
        GenerateDPB(FDBParams.get(), dpb, length);
        FDPB = dpb;
        FDPBLength = length;
        // Cleared only now: a block that failed to build must be built again next time.
        FDBParamsChanged = false;
    }
    std::string path = AnsiToUtf8(FDBName);
    if (path.size() > 0x7FFF) FBError(14);
    ISC_STATUS status = lib->isc_attach_database(StatusVector(), static_cast<short>(path.size()), path.c_str(),
                                                 &FHandle, static_cast<short>(FDPBLength), FDPB.data());
    if (status > 0) {
        FHandle = 0;
        FHandleIsShared = false;
        Call(status, true);
    }
    FIdleFlag = false;
    AnsiString charSet = LowerAscii(ConnectParams()->CharSet());
    FIsUnicodeConnect = charSet == "unicode_fss";
    FIsUnicodeCharSet = charSet == "unicode_fss" || charSet == "none" || charSet.empty();
    TFBBase::ForEach(this, FSQLObjects, false, [](TFBBase* L) { L->Fire(L->OnDatabaseConnected); });
    if (alive.Gone()) return;
    if (TFBSQLMonitorHook* hook = ExistingSQLMonitorHook()) hook->DBConnect(this);
    FTimeDifference = 0;
    try {
        Integer serverDialect = GetDBSQLDialect();
        if (serverDialect < FSQLDialect) FSQLDialect = serverDialect;
        if (FSynchronizeTime && !Designing(this)) FTimeDifference = Now() - GetServerTime();
    } catch (...) {
        // An open that fails leaves the database closed, not half open.
        try {
            ForceClose();
        } catch (...) {
        }
        throw;
    }
    FRemoteCode = -1;
    if (!Designing(this) && !FBlobSwapSupport->GetSwapDir().empty()) StartValidateBlobCache(this);
    if (OnConnect) FireEvent(OnConnect, this);
    if (alive.Gone()) return;
    FAfterConnectEvents->Call(false, static_cast<TObject*>(this));
}

void TFBDatabase::Close() {
    if (Connected()) InternalClose(false);
}

void TFBDatabase::ForceClose() { InternalClose(true); }

void TFBDatabase::FireDisconnectEvent(const TNotifyEvent& Event, const char* EventName) {
    if (!Event || FQuiet) return;
    const TAliveGuard alive(this);
    try {
        FireEvent(Event, this);
    } catch (const Exception& E) {
        if (alive.Gone()) throw;
        AnsiString fmt = ComponentState().Contains(csDestroying)
                             ? AnsiString("Error of %s.") + EventName +
                                   ". Probably you are trying to get access to destroyed components. %s"
                             : AnsiString("Error of %s.") + EventName + ". %s";
        throw Exception(Format(fmt, {CmpFullName(this), E.Message()}));
    }
}

namespace {
// A close whose database a handler freed still reports the end it could not make.
void Leave(const std::exception_ptr& FirstError) {
    if (FirstError) std::rethrow_exception(FirstError);
}
}  // namespace

void TFBDatabase::InternalClose(bool Force) {
    CheckActive();
    // A handler may free the database (its destructor closes it): nothing of it
    // is touched afterwards.
    const TAliveGuard alive(this);
    const TEventUnderWay busy(this);
    FireDisconnectEvent(BeforeDisconnect, "BeforeDisconnect");
    if (alive.Gone()) return;
    if (!FQuiet) FBeforeDisconnectEvents->Call(false, static_cast<TObject*>(this));
    if (alive.Gone()) return;

    // The first failure of a transaction end is reported once the close is
    // done (a commit that did not happen must not pass unseen). A plain close
    // stops there only while that transaction still stands: once it is gone,
    // the connection goes too, so no connection is left without its work.
    std::exception_ptr firstError;
    for (TFBTransaction* tr : std::vector<TFBTransaction*>(FTransactions)) {
        if (!tr || !tr->Active()) continue;
        const TAliveGuard trAlive(tr);
        try {
            tr->ForceEndAtDisconnect();
        } catch (...) {
            if (alive.Gone()) throw;
            if (!Force && trAlive.Alive() && tr->Active()) throw;
            if (!firstError) firstError = std::current_exception();
        }
        if (alive.Gone()) return Leave(firstError);
    }
    TFBBase::ForEach(this, FSQLObjects, false, [Force](TFBBase* L) {
        try {
            L->Fire(L->OnDatabaseDisconnecting);
        } catch (...) {
            if (!Force) throw;
        }
    });
    if (alive.Gone()) return Leave(firstError);
    if (!FHandleIsShared) ClientLibrary()->isc_detach_database(StatusVector(), &FHandle);
    FHandle = 0;
    FHandleIsShared = false;
    if (TFBSQLMonitorHook* hook = GetSQLMonitorHook()) hook->DBDisconnect(this);
    TFBBase::ForEach(this, FSQLObjects, false, [](TFBBase* L) { L->Fire(L->OnDatabaseDisconnected); });
    if (alive.Gone()) return Leave(firstError);
    FireDisconnectEvent(AfterDisconnect, "AfterDisconnect");
    if (alive.Gone()) return Leave(firstError);
    if (firstError && !ComponentState().Contains(csDestroying)) std::rethrow_exception(firstError);
}

void TFBDatabase::Loaded() {
    TComponent::Loaded();
    if (FDesignDBOptions.Contains(ddoIsDefaultDatabase)) SetDesignDBOptions(FDesignDBOptions);
    if (FStreamedConnected) {
        FStreamedConnected = false;
        Open();
        if (FDefaultTransaction && FDefaultTransaction->FStreamedActive) {
            FDefaultTransaction->FStreamedActive = false;
            FDefaultTransaction->StartTransaction();
        }
    }
}

void TFBDatabase::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FDefaultTransaction) FDefaultTransaction = nullptr;
    if (AComponent == FDefaultUpdateTransaction) FDefaultUpdateTransaction = nullptr;
    for (auto& tr : FTransactions)
        if (tr == AComponent) tr = nullptr;
}

// ---- parameter lines -------------------------------------------------------------------

Integer TFBDatabase::FindDBParam(const AnsiString& Name) const {
    AnsiString name = ParamName(Name);
    for (Integer i = 0; i < FDBParams->Count(); ++i)
        if (ParamName(FastTrim(FDBParams->Strings(i))) == name) return i;
    return -1;
}

AnsiString TFBDatabase::GetDBParamByDPB(Integer Code) const {
    AnsiString name = DPBName(Code);
    if (name.empty()) return AnsiString();
    Integer i = FindDBParam(name);
    if (i < 0) return AnsiString();
    AnsiString line = FDBParams->Strings(i);
    size_t eq = line.find('=');
    return eq == AnsiString::npos ? AnsiString() : line.substr(eq + 1);
}

void TFBDatabase::SetDBParamByName(const AnsiString& Name, const AnsiString& Value) {
    Integer i = FindDBParam(Name);
    if (Value.empty()) {
        if (i >= 0) FDBParams->Delete(i);
        return;
    }
    AnsiString line = Name + "=" + Value;
    if (i >= 0) FDBParams->SetStrings(i, line);
    else FDBParams->Add(line);
}

void TFBDatabase::SetDBParamByDPB(Integer Code, const AnsiString& Value) {
    AnsiString name = DPBName(Code);
    if (!name.empty()) SetDBParamByName(name, Value);
}

Integer TFBDatabase::IndexOfDBParam(const AnsiString& Name) const {
    AnsiString name = LowerAscii(Name);
    for (Integer i = 0; i < FDBParams->Count(); ++i) {
        AnsiString line = LowerAscii(FDBParams->Strings(i));
        if (line.compare(0, name.size(), name) == 0) return i;
        if (line.size() >= 8 && line.compare(8, name.size(), name) == 0) return i;
    }
    return -1;
}

// ---- server information ---------------------------------------------------------------------

TDateTime TFBDatabase::GetServerTime() {
    const Variant v = QueryValues(FSQLDialect >= 2 ? "SELECT CAST('NOW' AS TIMESTAMP) from RDB$DATABASE"
                                                   : "SELECT CAST('NOW' AS DATE) from RDB$DATABASE");
    return v.IsNull() || v.IsEmpty() ? TDateTime(0) : v.AsDateTime();
}

Variant TFBDatabase::QueryValues(const AnsiString& SQL, const std::vector<Variant>& Values,
                                 TFBTransaction* Transaction) {
    CheckActive();
    TFBTransaction* tr = Transaction ? Transaction : FInternalTransaction;
    // The pool keys statements by the transaction's default database; a
    // transaction that merely spans this one gets a statement of its own.
    const bool pooled = tr->DefaultDatabase() == this;
    TFBQuery* q = pooled ? AcquireCachedQuery(tr, SQL) : nullptr;
    std::unique_ptr<TFBQuery> own;
    if (!q) {
        own = std::make_unique<TFBQuery>(nullptr);
        own->SetDatabase(this);
        own->SetTransaction(tr);
        own->SQL()->SetText(SQL);
        q = own.get();
    }
    bool started = false;
    Variant result = Variant::Null();
    try {
        const Integer n = std::min<Integer>(static_cast<Integer>(Values.size()), q->ParamCount());
        for (Integer i = 0; i < n; ++i)
            if (!Values[static_cast<size_t>(i)].IsEmpty()) q->Params()->Vars(i)->SetValue(Values[static_cast<size_t>(i)]);
        if (!tr->Active()) {
            tr->StartTransaction();
            started = true;
        }
        q->ExecQuery();
        if (!q->Eof() && q->FieldCount() > 0) {
            TFBXSQLVAR* f = q->Fields(0);
            result = f->IsNull() ? Variant::Null() : f->IsBlob() ? Variant(f->AsString()) : f->Value();
        }
        q->Close();
        if (started) {
            started = false;
            tr->Commit();
        }
    } catch (...) {
        try {
            if (q->Open()) q->Close();
        } catch (...) {
        }
        if (started && tr->Active()) {
            try { tr->Rollback(); } catch (...) {}
        }
        if (!own) ReleaseCachedQuery(q);
        throw;
    }
    if (!own) ReleaseCachedQuery(q);
    return result;
}

Int64 TFBDatabase::Gen_Id(const AnsiString& GeneratorName, Int64 Step, TFBTransaction* Transaction) {
    TFBTransaction* tr = nullptr;
    for (TFBTransaction* t : FTransactions)
        if (t && t->Active()) {
            tr = t;
            break;
        }
    if (!tr) tr = Transaction ? Transaction : FInternalTransaction;
    AnsiString sql = "select gen_id(" + FormatIdentifierEx(FSQLDialect, GeneratorName, NeedUpperNames()) + ", " +
                     IntToStr(Step) + ") from RDB$DATABASE";
    const Variant v = QueryValues(sql, {}, tr);
    if (v.IsNull() || v.IsEmpty()) return 0;
    // A dialect 1 connection receives the 64-bit generator value as a double.
    if (v.VType() == varDouble || v.VType() == varSingle) return static_cast<Int64>(std::llround(v.AsDouble()));
    return v.AsInt64();
}

void TFBDatabase::MarkHandleShared(TFBTransaction* Transaction) {
    if (Transaction && Transaction->FHandle) Transaction->FHandleIsShared = true;
}

void TFBDatabase::SaveRepositories(const AnsiString& FileName) { ::SaveRepositories(FileName); }

bool TFBDatabase::LoadRepositories(const AnsiString& FileName, bool Validate) {
    return ::LoadRepositories(FileName, Validate);
}

Integer TFBDatabase::GetDBInfoValue(Byte Item, bool& Found) {
    CheckActive();
    IIBClientLibrary* lib = ClientLibrary();
    char item = static_cast<char>(Item);
    char buffer[512] = {};
    Call(lib->isc_database_info(StatusVector(), &FHandle, 1, &item, sizeof buffer, buffer), true);
    Found = static_cast<Byte>(buffer[0]) == Item;
    if (!Found) return 0;
    short length = static_cast<short>(lib->isc_vax_integer(buffer + 1, 2));
    if (length < 0 || length > static_cast<short>(sizeof buffer - 3)) return 0;
    return lib->isc_vax_integer(buffer + 3, length);
}

Integer TFBDatabase::GetDBSQLDialect() {
    bool found = false;
    Integer dialect = GetDBInfoValue(isc_info_db_sql_dialect, found);
    return found ? dialect : 1;
}

bool TFBDatabase::IsRemoteConnect() {
    if (FRemoteCode < 0) {
        CheckActive();
        char item = isc_info_db_id;
        char buffer[512] = {};
        Call(ClientLibrary()->isc_database_info(StatusVector(), &FHandle, 1, &item, sizeof buffer, buffer), true);
        FRemoteCode = static_cast<Byte>(buffer[3]);
    }
    return FRemoteCode == 4;
}

bool TFBDatabase::IsUnicodeConnect() const {
    if (Connected()) return FIsUnicodeConnect;
    return LowerAscii(FConnectParams->CharSet()) == "unicode_fss";
}

bool TFBDatabase::IsUnicodeCharSet() const {
    if (Connected()) return FIsUnicodeCharSet;
    AnsiString cs = LowerAscii(FConnectParams->CharSet());
    return cs == "unicode_fss" || cs == "none" || cs.empty();
}

// ---- lists ------------------------------------------------------------------------------------

Integer TFBDatabase::AddSQLObject(TFBBase* Link) {
    FSQLObjects.push_back(Link);
    return SQLObjectCount() - 1;
}

void TFBDatabase::RemoveSQLObject(Integer Index) {
    SwapRemoveLink(FSQLObjects, Index, [](TFBBase* L) -> Integer& { return L->FIndexInDatabase; });
}

TFBBase* TFBDatabase::SQLObjects(Integer Index) const {
    return Index >= 0 && Index < SQLObjectCount() ? FSQLObjects[static_cast<size_t>(Index)] : nullptr;
}

Integer TFBDatabase::FindTransaction(const TFBTransaction* Transaction) const {
    for (size_t i = 0; i < FTransactions.size(); ++i)
        if (FTransactions[i] == Transaction) return static_cast<Integer>(i);
    return -1;
}

Integer TFBDatabase::AddTransaction(TFBTransaction* Transaction) {
    Integer i = FindTransaction(Transaction);
    if (i >= 0) return i;
    i = FindTransaction(nullptr);
    if (i >= 0) {
        FTransactions[static_cast<size_t>(i)] = Transaction;
        return i;
    }
    FTransactions.push_back(Transaction);
    return TransactionCount() - 1;
}

void TFBDatabase::RemoveTransaction(Integer Index) {
    if (Index < 0 || Index >= TransactionCount()) return;
    TFBTransaction* tr = FTransactions[static_cast<size_t>(Index)];
    FTransactions[static_cast<size_t>(Index)] = nullptr;
    if (!tr) return;
    if (FDefaultTransaction == tr) FDefaultTransaction = nullptr;
    if (FDefaultUpdateTransaction == tr) FDefaultUpdateTransaction = nullptr;
    if (tr->FDefaultDatabase == this) tr->FDefaultDatabase = nullptr;
    // Both sides forget each other: a transaction still spanning this database
    // unseen by it would survive its close.
    Integer i = tr->FindDatabase(this);
    if (i >= 0) tr->RemoveDatabase(i);
}

TFBTransaction* TFBDatabase::Transactions(Integer Index) const {
    return Index >= 0 && Index < TransactionCount() ? FTransactions[static_cast<size_t>(Index)] : nullptr;
}

// ---- blob filters --------------------------------------------------------------------------------

void TFBDatabase::CallBlobFilter(void*& Buffer, Integer& Size, bool ForWriting, Integer Subtype) {
    if (Subtype >= 0 || Size <= 0 || !Buffer) return;
    if (TBlobFilterProc f = FBlobFilters->GetFilter(Subtype, ForWriting)) f(Buffer, Size);
}

bool TFBDatabase::FindBlobFilter(Integer Subtype) {
    Integer i;
    return FBlobFilters->Find(Subtype, i);
}
