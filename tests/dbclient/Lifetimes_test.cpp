// Every event of the connection, transactions and statements with a handler
// that frees its sender: the call that raised it returns without touching the
// freed object. A new event joins the table with one line.
#include <gtest/gtest.h>

#include "dbclient/pFBDatabase.h"
#include "dbclient/pFBQuery.h"
#include "dbclient/pFBTransaction.h"
#include "platform/sys/Timers.h"
#include "support/Scribble.h"
#include "support/db/TestDatabase.h"

namespace {

class DbClientLifetimes;
struct TLifeCase {
    const char* Name;
    void (*Run)(DbClientLifetimes& F);
};

class DbClientLifetimes : public TDatabaseSuite, public ::testing::WithParamInterface<TLifeCase> {
public:
    void SetUp() override {
        owner = std::make_unique<TComponent>(nullptr);
        db = new TpFBDatabase(owner.get());
        db->SetName("DB");
        db->SetDBName(DB1().Path());
        db->SetSynchronizeTime(false);
        TTestDatabase::AddLogin(db->DBParams());
        db->Open();
        tr = new TpFBTransaction(owner.get());
        tr->SetName("TR");
        tr->SetDefaultDatabase(db);
    }
    // A handler of any signature that frees the transaction or the database.
    auto FreeTr() { return [this](auto&&...) { Free(tr); }; }
    auto FreeDb() { return [this](auto&&...) { Free(db); }; }
    auto FreeQ() { return [this](auto&&...) { Free(q); }; }
    // A statement on the transaction; Sql may fail on purpose.
    void NewQuery(const char* Sql = "select ABONENO from EABONEKIMLIK") {
        q = new TpFBQuery(owner.get());
        q->SetDatabase(db);
        q->SetTransaction(tr);
        q->SQL()->SetText(Sql);
    }
    void Started() { tr->StartTransaction(); }
    // The idle clock of the connection and the transaction.
    void Idle(Integer Ms) {
        for (int i = 0; i < 3; ++i) clock.Advance(Ms);
    }
    TManualTimerService clock;
    TTimerServiceGuard clockGuard{&clock};
    // Once only: the destructor may raise the same event again.
    template <typename T> void Free(T*& Object) {
        if (!Object) return;
        delete std::exchange(Object, nullptr);
        ++frees;
    }
    const TMethodKey key{{7}, nullptr};
    std::unique_ptr<TComponent> owner;
    TpFBDatabase* db = nullptr;
    TpFBTransaction* tr = nullptr;
    TpFBQuery* q = nullptr;
    int frees = 0;
};

const TLifeCase kCases[] = {
    // the transaction's handler lists (0 before start, 1 after start, 2 before end, 3 after end)
    {"TransactionBeforeStartList", [](DbClientLifetimes& F) { F.tr->AddNotifyEvent(0, F.key, F.FreeTr()); F.Started(); }},
    {"TransactionAfterStartList", [](DbClientLifetimes& F) { F.tr->AddNotifyEvent(1, F.key, F.FreeTr()); F.Started(); }},
    {"TransactionBeforeEndList", [](DbClientLifetimes& F) { F.Started(); F.tr->AddEndEvent(2, F.key, F.FreeTr()); F.tr->Commit(); }},
    {"TransactionAfterEndList", [](DbClientLifetimes& F) { F.Started(); F.tr->AddEndEvent(3, F.key, F.FreeTr()); F.tr->Commit(); }},
    {"TransactionAfterEndListRetaining", [](DbClientLifetimes& F) { F.Started(); F.tr->AddEndEvent(3, F.key, F.FreeTr()); F.tr->CommitRetaining(); }},
    {"TransactionAfterEndListRollback", [](DbClientLifetimes& F) { F.Started(); F.tr->AddEndEvent(3, F.key, F.FreeTr()); F.tr->Rollback(); }},
    {"TransactionAfterEndAtDisconnect", [](DbClientLifetimes& F) { F.Started(); F.tr->AddEndEvent(3, F.key, F.FreeTr()); F.db->Close(); }},
    {"TransactionOnTimeout", [](DbClientLifetimes& F) { F.tr->OnTimeout = F.FreeTr(); F.tr->SetTimeout(100); F.Started(); F.Idle(100); }},
    {"BeforeStart", [](DbClientLifetimes& F) { F.tr->BeforeStart = F.FreeTr(); F.Started(); }},
    {"AfterStart", [](DbClientLifetimes& F) { F.tr->AfterStart = F.FreeTr(); F.Started(); }},
    {"BeforeEnd", [](DbClientLifetimes& F) { F.Started(); F.tr->BeforeEnd = F.FreeTr(); F.tr->Commit(); }},
    {"AfterEnd", [](DbClientLifetimes& F) { F.Started(); F.tr->AfterEnd = F.FreeTr(); F.tr->Commit(); }},
    // the connection's events about its transactions (the transaction is the sender)
    {"DatabaseBeforeStartTransaction", [](DbClientLifetimes& F) { F.db->BeforeStartTransaction = F.FreeTr(); F.Started(); }},
    {"DatabaseAfterStartTransaction", [](DbClientLifetimes& F) { F.db->AfterStartTransaction = F.FreeTr(); F.Started(); }},
    {"DatabaseBeforeEndTransaction", [](DbClientLifetimes& F) { F.Started(); F.db->BeforeEndTransaction = F.FreeTr(); F.tr->Commit(); }},
    {"DatabaseAfterEndTransaction", [](DbClientLifetimes& F) { F.Started(); F.db->AfterEndTransaction = F.FreeTr(); F.tr->Commit(); }},
    // the connection's own events
    {"DatabaseOnConnect", [](DbClientLifetimes& F) { F.db->Close(); F.db->OnConnect = F.FreeDb(); F.db->Open(); }},
    {"DatabaseAfterConnectList", [](DbClientLifetimes& F) { F.db->Close(); F.db->AfterConnectEvents()->Add(F.key, F.FreeDb()); F.db->Open(); }},
    {"DatabaseBeforeDisconnect", [](DbClientLifetimes& F) { F.Started(); F.db->BeforeDisconnect = F.FreeDb(); F.db->Close(); }},
    {"DatabaseBeforeDisconnectList", [](DbClientLifetimes& F) { F.Started(); F.db->BeforeDisconnectEvents()->Add(F.key, F.FreeDb()); F.db->Close(); }},
    {"DatabaseAfterDisconnect", [](DbClientLifetimes& F) { F.Started(); F.db->AfterDisconnect = F.FreeDb(); F.db->Close(); }},
    {"DatabaseOnTimeout", [](DbClientLifetimes& F) { F.db->OnTimeout = F.FreeDb(); F.db->SetTimeout(100); F.Idle(100); }},
    {"DatabaseClosedByATransactionHandler", [](DbClientLifetimes& F) { F.Started(); F.tr->AfterEnd = F.FreeDb(); F.db->Close(); }},
    // statements
    {"QueryBeforeExecute", [](DbClientLifetimes& F) { F.NewQuery(); F.Started(); F.q->BeforeExecute = F.FreeQ(); F.q->ExecQuery(); }},
    {"QueryAfterExecute", [](DbClientLifetimes& F) { F.NewQuery(); F.Started(); F.q->AfterExecute = F.FreeQ(); F.q->ExecQuery(); }},
    {"QueryBeforeFetch", [](DbClientLifetimes& F) { F.NewQuery(); F.Started(); F.q->BeforeFetch = F.FreeQ(); F.q->ExecQuery(); }},
    {"QueryTransactionEnding", [](DbClientLifetimes& F) { F.NewQuery(); F.Started(); F.q->ExecQuery(); F.q->TransactionEnding = F.FreeQ(); F.tr->Commit(); }},
    {"QueryTransactionEnded", [](DbClientLifetimes& F) { F.NewQuery(); F.Started(); F.q->ExecQuery(); F.q->TransactionEnded = F.FreeQ(); F.tr->Commit(); }},
    {"QueryOnExecuteError", [](DbClientLifetimes& F) { F.NewQuery("select NOSUCH from RDB$DATABASE"); F.Started(); F.q->OnExecuteError = [&F](TObject*, EFBError&, TDataAction& A) { F.Free(F.q), A = daRetry; }; F.q->ExecQuery(); }},
    {"BeforeSQLExecuteFreesTheQuery", [](DbClientLifetimes& F) { F.NewQuery(); F.Started(); F.tr->BeforeSQLExecute = F.FreeQ(); F.q->ExecQuery(); }},
    {"AfterSQLExecuteFreesTheQuery", [](DbClientLifetimes& F) { F.NewQuery(); F.Started(); F.tr->AfterSQLExecute = F.FreeQ(); F.q->ExecQuery(); }},
    {"AutoCommitFreesTheQuery", [](DbClientLifetimes& F) { F.NewQuery(); F.q->SetOptions(F.q->Options() + TpFBQueryOptions{qoAutoCommit, qoStartTransaction}); F.tr->AfterEnd = F.FreeQ(); F.q->ExecQuery(); }},
};

TEST_P(DbClientLifetimes, RaisingCallLeavesTheFreedSenderAlone) {
    TScribbledFrees scribble;
    EXPECT_NO_THROW(GetParam().Run(*this));
    EXPECT_EQ(frees, 1) << "the event never came";
    EXPECT_EQ(scribble.Release(), 0) << "freed memory written";
}

INSTANTIATE_TEST_SUITE_P(Events, DbClientLifetimes, ::testing::ValuesIn(kCases),
                         [](const auto& I) { return std::string(I.param.Name); });

}  // namespace
