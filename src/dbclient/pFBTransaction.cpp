#include "dbclient/pFBTransaction.h"

#include "dbclient/FBQuery.h"
#include "dbclient/FBRegistry.h"
#include "dbclient/StdFuncs.h"
#include "platform/rtl/Registry.h"

void TpFBTransaction::SetUserKindTransaction(const AnsiString& Value) {
    FUserKindTransaction = Value;
    if (!ComponentState().Contains(csDesigning) || HasLoadingOwner(this) || Value == "NoUserKind") return;
    AnsiString key = FindRegistryKeyByValue(TransactionKindsKey, "Name", Value);
    if (key.empty()) return;
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    AnsiString path = AnsiString(TransactionKindsKey) + "\\" + key;
    if (!reg.OpenKeyReadOnly(path) || !reg.ValueExists("Params")) return;
    AnsiString params = reg.ReadString("Params");
    FTPBMode = tpbDefault;
    TRParams()->SetText(params);
}

void TpFBTransaction::StartTransaction() {
    if (Active()) {
        TFBTransaction::StartTransaction();   // error 16
        return;
    }
    switch (FTPBMode) {
        case tpbReadCommitted:
            TRParams()->SetText("write\r\nisc_tpb_nowait\r\nrec_version\r\nread_committed");
            break;
        case tpbRepeatableRead:
            // Snapshot isolation; the server refuses rec_version outside read committed.
            TRParams()->SetText("write\r\nisc_tpb_nowait\r\nconcurrency");
            break;
        case tpbDefault:
            break;
    }
    // Any of these handlers may free the transaction.
    const TAliveGuard alive(this);
    if (TFBDatabase* db = DefaultDatabase()) db->DoBeforeStartTransaction(this);
    if (alive.Gone()) return;
    if (BeforeStart) FireEvent(BeforeStart, this);
    if (alive.Gone()) return;
    TFBTransaction::StartTransaction();
    if (alive.Gone()) return;
    if (AfterStart) FireEvent(AfterStart, this);
    if (alive.Gone()) return;
    if (TFBDatabase* db = DefaultDatabase()) db->DoAfterStartTransaction(this);
}

void TpFBTransaction::EndTransaction(TTransactionAction Action, bool Force) {
    const TAliveGuard alive(this);
    const bool nested = EndUnderWay();
    const TEndUnderWay end(this, Action);
    if (Quiet() || nested) return RunEnd(Action, Force, nested);
    if (TFBDatabase* db = DefaultDatabase()) db->DoBeforeEndTransaction(this, Action, Force);
    if (alive.Gone()) return end.Leave();
    if (BeforeEnd) FireEvent(BeforeEnd, this, Action, Force);
    if (alive.Gone()) return end.Leave();
    RunEnd(Action, Force, false);
    if (alive.Gone()) return end.Leave();
    if (AfterEnd) FireEvent(AfterEnd, this, Action, Force);
    if (alive.Gone()) return end.Leave();
    if (TFBDatabase* db = DefaultDatabase()) db->DoAfterEndTransaction(this, Action, Force);
}

void TpFBTransaction::DoOnSQLExec(TFBQuery* Query, Integer Kind) {
    if (Kind == 0 || Kind == 1)
        FireEvent(Kind == 0 ? BeforeSQLExecute : AfterSQLExecute, Query, Query ? Query->SQLType() : Integer(SQLUnknown));
}
