#include "dbclient/pFBTransaction.h"

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
    if (BeforeStart) BeforeStart(this);
    TFBTransaction::StartTransaction();
    if (AfterStart) AfterStart(this);
}

void TpFBTransaction::EndTransaction(TTransactionAction Action, bool Force) {
    if (BeforeEnd) BeforeEnd(this, Action, Force);
    TFBTransaction::EndTransaction(Action, Force);
    if (AfterEnd) AfterEnd(this, Action, Force);
}
