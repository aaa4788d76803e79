#pragma once
// The application's transaction: a preset isolation mode, named parameter
// sets from the settings store, and events around start and end.
#include "dbclient/FBTransaction.h"

enum TTPBMode { tpbDefault, tpbReadCommitted, tpbRepeatableRead };

// Before or after a statement runs in the transaction: the statement and its type code.
using TOnSQLExecute = std::function<void(TFBQuery* Query, Integer SQLType)>;

class TpFBTransaction : public TFBTransaction {
public:
    explicit TpFBTransaction(TComponent* AOwner) : TFBTransaction(AOwner) {}

    // tpbReadCommitted and tpbRepeatableRead replace TRParams at each start;
    // tpbDefault starts with TRParams as they are.
    TTPBMode TPBMode() const { return FTPBMode; }
    void SetTPBMode(TTPBMode Value) { FTPBMode = Value; }
    // A named parameter set of the settings store (design time only).
    const AnsiString& UserKindTransaction() const { return FUserKindTransaction; }
    void SetUserKindTransaction(const AnsiString& Value);
    AnsiString About() const { return "6.1.0"; }

    TNotifyEvent BeforeStart;
    TNotifyEvent AfterStart;
    TEndTrEvent BeforeEnd;
    TEndTrEvent AfterEnd;
    TOnSQLExecute BeforeSQLExecute;
    TOnSQLExecute AfterSQLExecute;

    void StartTransaction() override;
    void EndTransaction(TTransactionAction Action, bool Force) override;
    // Kind 0 fires BeforeSQLExecute, 1 AfterSQLExecute.
    void DoOnSQLExec(TFBQuery* Query, Integer Kind) override;

private:
    TTPBMode FTPBMode = tpbReadCommitted;
    AnsiString FUserKindTransaction = "NoUserKind";
};

// Where the named transaction parameter sets are kept.
inline constexpr const char* TransactionKindsKey = "Software\\KADRIX_Software\\Transation Kinds";
