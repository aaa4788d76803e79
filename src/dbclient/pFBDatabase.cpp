#include "dbclient/pFBDatabase.h"

#include <cstdio>
#include <exception>

#include "dbclient/FBQuery.h"
#include "dbclient/FBRegistry.h"
#include "dbclient/StdFuncs.h"
#include "dbclient/StrUtil.h"
#include "platform/rtl/Files.h"

std::function<void(Integer ExitCode)> LostConnectQuit;
std::function<void(const AnsiString& Text)> LostConnectMessage;

namespace {

bool Designing(const TComponent* C) { return C->ComponentState().Contains(csDesigning); }

// DPB codes of the alias values kept beside the database name.
constexpr Integer AliasDPBCodes[] = {isc_dpb_user_name, isc_dpb_lc_ctype, isc_dpb_sql_role_name};

// The key parts of an alias: the aliases' key, then the name (whose own
// backslashes make further levels).
std::vector<AnsiString> AliasKeyParts(const AnsiString& AliasName) {
    std::vector<AnsiString> parts{"Software", "KADRIX_Software", "Aliases"};
    AnsiString part;
    for (char c : AliasName) {
        if (c == '\\') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

std::vector<AnsiString> AliasValueNames() {
    return {"Database Name", "user_name", "lc_ctype", "sql_role_name", "SQL_DIALECT"};
}

}  // namespace

TpFBDatabase::TpFBDatabase(TComponent* AOwner)
    : TFBDatabase(AOwner), FCacheSchemaOptions(std::make_unique<TCacheSchemaOptions>()) {}

TpFBDatabase::~TpFBDatabase() {
    // Closes here, while this class's close (cache saving, lost-connection
    // check) is still the one that runs.
    BeforeDestruction();
    delete FRestoreTimer;
    FRestoreTimer = nullptr;
}

// ---- properties ------------------------------------------------------------------

void TpFBDatabase::SetAliasName(const AnsiString& Value) {
    if (!ComponentState().Contains(csLoading)) CheckInactive();
    FAliasName = Value;
    if (!Value.empty()) ReadAliasParams();
}

Cardinal TpFBDatabase::WaitForRestoreConnect() const { return FRestoreTimer ? FRestoreTimer->Interval() : 0; }

void TpFBDatabase::SetWaitForRestoreConnect(Cardinal Value) {
    if (Value == 0) {
        delete FRestoreTimer;
        FRestoreTimer = nullptr;
        return;
    }
    if (!FRestoreTimer) {
        FRestoreTimer = new TFBTimer(nullptr);
        FRestoreTimer->SetEnabled(false);
        FRestoreTimer->SetInterval(30000);
        FRestoreTimer->SetOnTimer([this](TObject* Sender) { RestoreTimerTick(Sender); });
    }
    FRestoreTimer->SetInterval(Value);
}

bool TpFBDatabase::RestoreTimerEnabled() const { return FRestoreTimer && FRestoreTimer->Enabled(); }

// ---- open and close -------------------------------------------------------------------

void TpFBDatabase::Open() {
    if (Connected()) return;
    bool doConnect = true;
    // Its handlers, or those of the connect, may free the database.
    const TAliveGuard alive(this);
    if (BeforeConnect) FireEvent(BeforeConnect, this, DBParams(), doConnect);
    if (!doConnect || alive.Gone()) return;
    TFBDatabase::Open();
    if (alive.Gone()) return;
    if (!Designing(this)) {
        const TCacheSchemaOptions* o = FCacheSchemaOptions.get();
        if (o->AutoLoadFromFile() && !o->LocalCacheFile().empty() && FileExists(o->LocalCacheFile()))
            LoadRepositories(o->LocalCacheFile(), o->ValidateAfterLoad());
    }
    if (FSaveAliasParamsAfterConnect && !FAliasName.empty()) DoSaveAliasParams();
}

void TpFBDatabase::InternalClose(bool Force) {
    // A cache file that cannot be written must not keep the connection open:
    // the close goes on, and the failure is reported afterwards.
    std::exception_ptr saveError;
    if (!Designing(this) && FCacheSchemaOptions->AutoSaveToFile() && !FCacheSchemaOptions->LocalCacheFile().empty()) {
        try {
            SaveRepositories(FCacheSchemaOptions->LocalCacheFile());
        } catch (...) {
            saveError = std::current_exception();
        }
    }
    const TAliveGuard alive(this);
    if (Connected() && TestConnected(laCloseConnect)) TFBDatabase::InternalClose(Force);
    if (alive.Gone()) {
        if (saveError) std::rethrow_exception(saveError);
        return;
    }
    if (saveError && !ComponentState().Contains(csDestroying)) std::rethrow_exception(saveError);
}

// ---- lost connection -------------------------------------------------------------------

bool TpFBDatabase::TestConnected(TOnLostConnectActions Action) {
    if (!Connected()) return false;
    try {
        char item = isc_info_base_level;
        char buffer[64] = {};
        Call(ClientLibrary()->isc_database_info(StatusVector(), HandleAddress(), 1, &item, sizeof buffer, buffer),
             true);
        return true;
    } catch (const EFBError& E) {
        DoLostConnect(E, Action);
        return false;
    }
}

void TpFBDatabase::DoLostConnect(const EFBError& E, TOnLostConnectActions& Actions) {
    if (OnLostConnect && !Quiet()) {
        const TAliveGuard alive(this);
        const TEventUnderWay busy(this);
        FireEvent(OnLostConnect, this, E, Actions);
        if (alive.Gone()) return;   // its destruction closed what it held
    }
    const TAliveGuard alive(this);
    switch (Actions) {
        case laTerminateApp:
            CloseAllAfterLost();
            Quit();
            break;
        case laCloseConnect:
            CloseAllAfterLost();
            break;
        case laWaitRestore:
            CloseAllAfterLost();
            if (alive.Alive() && FRestoreTimer) FRestoreTimer->SetEnabled(true);
            break;
        case laIgnore:
            break;
    }
}

void TpFBDatabase::CloseAllAfterLost() {
    ForgetHandle();
    for (Integer i = 0; i < SQLObjectCount(); ++i) {
        TFBBase* link = SQLObjects(i);
        auto* q = link ? dynamic_cast<TFBQuery*>(link->Owner()) : nullptr;
        if (!q) continue;
        try {
            q->ForgetHandle();
        } catch (...) {
        }
    }
    // The ends' handlers may free this database.
    const TAliveGuard alive(this);
    for (Integer i = 0; alive.Alive() && i < TransactionCount(); ++i) {
        TFBTransaction* tr = Transactions(i);
        if (!tr || !tr->Active()) continue;
        MarkHandleShared(tr);
        try {
            tr->EndTransaction(TACommit, true);
        } catch (...) {
        }
    }
}

void TpFBDatabase::RestoreTimerTick(TObject*) {
    if (Connected()) {
        FRestoreTimer->SetEnabled(false);   // connected meanwhile by other means
        return;
    }
    TOnLostConnectActions actions = laIgnore;
    try {
        SetConnected(true);
    } catch (const EFBError& E) {
        DoOnErrorRestoreConnect(E, actions);
        return;
    }
    if (!Connected()) return;   // BeforeConnect said no: try again next time
    if (FRestoreTimer) FRestoreTimer->SetEnabled(false);
    DoAfterRestoreConnect();
}

void TpFBDatabase::DoOnErrorRestoreConnect(const EFBError& E, TOnLostConnectActions& Actions) {
    const TAliveGuard alive(this);
    FireEvent(OnErrorRestoreConnect, this, E, Actions);
    if (Actions != laTerminateApp) return;
    // Freed by the handler, the connection took its timer along; the program still ends.
    if (alive.Alive() && FRestoreTimer) FRestoreTimer->SetEnabled(false);
    if (LostConnectMessage) FireEvent(LostConnectMessage, E.Message());
    else std::fprintf(stderr, "%s\n", E.Message().c_str());
    Quit();
}

void TpFBDatabase::DoAfterRestoreConnect() {
    if (AfterRestoreConnect) FireEvent(AfterRestoreConnect, this);
}

void TpFBDatabase::Quit() { FireEvent(LostConnectQuit, 0); }

// ---- aliases --------------------------------------------------------------------------------

bool TpFBDatabase::ReadAliasParams() {
    const Variant v = ReadRegistryValues(AliasKeyParts(FAliasName), AliasValueNames());
    if (!v.IsArray()) return false;
    auto has = [&v](Integer i) { return VarArrayGet(v, {1, i}).AsBoolean(); };
    auto text = [&v](Integer i) { return VarToStr(VarArrayGet(v, {0, i})); };
    const bool found = has(0);
    if (found) SetDBName(text(0));
    for (Integer i = 0; i < 3; ++i)
        if (has(i + 1)) SetDBParamByDPB(AliasDPBCodes[i], text(i + 1));
    if (has(4)) {
        Integer dialect = 0;
        if (!TryStrToInt(FastTrim(text(4)), dialect)) FBError(61);
        SetSQLDialect(dialect);
    }
    return found;
}

void TpFBDatabase::SaveAliasParams() {
    std::vector<Variant> values{Variant(DBName())};
    for (Integer code : AliasDPBCodes) values.emplace_back(GetDBParamByDPB(code));
    values.emplace_back(IntToStr(SQLDialect()));
    WriteRegistryValues(AliasKeyParts(FAliasName), AliasValueNames(), values);
}

void TpFBDatabase::DoSaveAliasParams() { SaveAliasParams(); }

// ---- transaction events ------------------------------------------------------------------------

void TpFBDatabase::DoBeforeStartTransaction(TObject* Transaction) {
    if (!BeforeStartTransaction || Quiet()) return;
    const TEventUnderWay busy(this);
    FireEvent(BeforeStartTransaction, Transaction);
}

void TpFBDatabase::DoAfterStartTransaction(TObject* Transaction) {
    if (!AfterStartTransaction || Quiet()) return;
    const TEventUnderWay busy(this);
    FireEvent(AfterStartTransaction, Transaction);
}

void TpFBDatabase::DoBeforeEndTransaction(TObject* Transaction, TTransactionAction Action, bool Force) {
    if (!BeforeEndTransaction || Quiet()) return;
    const TEventUnderWay busy(this);
    FireEvent(BeforeEndTransaction, Transaction, Action, Force);
}

void TpFBDatabase::DoAfterEndTransaction(TObject* Transaction, TTransactionAction Action, bool Force) {
    if (!AfterEndTransaction || Quiet()) return;
    const TEventUnderWay busy(this);
    FireEvent(AfterEndTransaction, Transaction, Action, Force);
}
