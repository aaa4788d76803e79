// Every event of the connection, transactions and statements with a handler
// that frees its sender (or the module that owns it): the call that raised it
// returns without touching the freed object, reports work that did not happen,
// and the destruction does not call the handler again. The events are read
// from the headers: a new one needs a row or a stated reason.
#include <gtest/gtest.h>

#include "dbclient/pFBDatabase.h"
#include "dbclient/pFBQuery.h"
#include "dbclient/pFBTransaction.h"
#include "dbclient/StdFuncs.h"
#include "platform/sys/Timers.h"
#include "support/Scribble.h"
#include "support/SourceEvents.h"
#include "support/db/TestDatabase.h"

namespace {

class DbClientLifetimes;
struct TLifeCase {
    const char* Event;                   // as declared: "Class::Member"
    const char* Road;                    // how it is raised, when several rows share the event
    void (*Run)(DbClientLifetimes& F);
    const char* Reports = nullptr;       // the raising call's error (part of it); "abort": a silent one
};
// Events without a row, and why.
struct TLeftOut {
    const char* Event;
    const char* Why;
};

class DbClientLifetimes : public TDatabaseSuite, public ::testing::WithParamInterface<TLifeCase> {
public:
    static void SetUpTestSuite() { DB1().Execute("CREATE TABLE LIFE_T (K INTEGER)"); }
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
    // A handler of any signature that frees the transaction, the database,
    // the statement or the module that owns them all, and reads its own state
    // after the free: it must be called from a copy.
    template <class F>
    static auto Looking(F Step) { return [Step, Seen = std::make_shared<int>(0)](auto&&...) { Step(), ++*Seen; }; }
    auto FreeTr() { return Looking([this] { Free(tr); }); }
    auto FreeDb() { return Looking([this] { Free(db); }); }
    auto FreeQ() { return Looking([this] { Free(q); }); }
    auto FreeOwner() { return Looking([this] { FreeModule(); }); }
    auto FreeTimer() { return Looking([this] { Free(timer); }); }
    void Tick(TNotifyEvent Handler) {   // a timer of the module, ticking every 100 ms
        timer = new TFBTimer(owner.get()), timer->SetInterval(100), timer->SetOnTimer(std::move(Handler)), clock.Advance(100);
    }
    // Freed from outside (not counted); its on-destroy list runs.
    template <typename T> static void Destroy(T*& Object) { delete std::exchange(Object, nullptr); }
    // Nothing of the handler is read after the free (it goes with its sender).
    void FreeModule() {
        ++calls;
        if (!owner) return;
        owner.reset();
        db = nullptr, tr = nullptr, q = nullptr, timer = nullptr;
        ++frees;
    }
    // A lost connection found by Close, with Action asked for in OnLostConnect.
    void LoseConnection(TOnLostConnectActions Action, bool FreeTheModule = false) {
        Started();
        db->SetWaitForRestoreConnect(100);
        EndAttachment(db);
        auto free = FreeDb();
        auto freeOwner = FreeOwner();
        db->OnLostConnect = [=](TFBDatabase*, const EFBError&, TOnLostConnectActions& A) mutable {
            A = Action;
            FreeTheModule ? freeOwner() : free();
        };
        db->Close();
    }
    // A lost connection waiting to be restored; the next tick tries.
    void WaitToRestore(bool Fails) {
        Started();
        db->SetWaitForRestoreConnect(100);
        EndAttachment(db);
        db->OnLostConnect = [](TFBDatabase*, const EFBError&, TOnLostConnectActions& A) { A = laWaitRestore; };
        db->Close();
        if (Fails) db->SetDBName(DB1().Folder() + "/missing.fdb");
        clock.Advance(100);
    }
    // A statement on the transaction; Sql may fail on purpose.
    void NewQuery(const char* Sql = "select ABONENO from EABONEKIMLIK") {
        q = new TpFBQuery(owner.get());
        q->SetDatabase(db);
        q->SetTransaction(tr);
        q->SQL()->SetText(Sql);
    }
    void Started() { tr->StartTransaction(); }
    // A statement that fails; its OnExecuteError runs Free and answers Action.
    template <class H> void FailingQuery(H Free, TDataAction Action) {
        NewQuery("select NOSUCH from RDB$DATABASE"), Started();
        q->OnExecuteError = [Free, Action](TObject*, EFBError&, TDataAction& A) { Free(), A = Action; };
        q->ExecQuery();
    }
    // The idle clock of the connection and the transaction.
    void Idle(Integer Ms) {
        for (int i = 0; i < 3; ++i) clock.Advance(Ms);
    }
    TManualTimerService clock;
    TTimerServiceGuard clockGuard{&clock};
    // Counts the calls: a destruction that raised the event again would free twice.
    template <typename T> void Free(T*& Object) {
        ++calls;
        if (!Object) return;
        delete std::exchange(Object, nullptr);
        ++frees;
    }
    const TMethodKey key{{7}, nullptr};
    std::unique_ptr<TComponent> owner;
    TpFBDatabase* db = nullptr;
    TpFBTransaction* tr = nullptr;
    TpFBQuery* q = nullptr;
    TFBTimer* timer = nullptr;
    int frees = 0;
    int calls = 0;
};

const char* const kNotCommitted = "freed during its commit";
const char* const kNotRunAgain = "not run again";

using F_ = DbClientLifetimes;
const TLifeCase kCases[] = {
    // the transaction's handler lists (0 before start, 1 after start, 2 before end, 3 after end, 4 on destroy)
    {"TFBTransaction::BeforeStartList", "", [](F_& F) { F.tr->AddNotifyEvent(0, F.key, F.FreeTr()); F.Started(); }},
    {"TFBTransaction::AfterStartList", "", [](F_& F) { F.tr->AddNotifyEvent(1, F.key, F.FreeTr()); F.Started(); }},
    {"TFBTransaction::BeforeEndList", "", [](F_& F) { F.Started(); F.tr->AddEndEvent(2, F.key, F.FreeTr()); F.tr->Commit(); }, kNotCommitted},
    {"TFBTransaction::AfterEndList", "", [](F_& F) { F.Started(); F.tr->AddEndEvent(3, F.key, F.FreeTr()); F.tr->Commit(); }},
    {"TFBTransaction::AfterEndList", "Retaining", [](F_& F) { F.Started(); F.tr->AddEndEvent(3, F.key, F.FreeTr()); F.tr->CommitRetaining(); }},
    {"TFBTransaction::AfterEndList", "Rollback", [](F_& F) { F.Started(); F.tr->AddEndEvent(3, F.key, F.FreeTr()); F.tr->Rollback(); }},
    {"TFBTransaction::AfterEndList", "AtDisconnect", [](F_& F) { F.Started(); F.tr->AddEndEvent(3, F.key, F.FreeTr()); F.db->Close(); }},
    {"TFBTransaction::OnTimeout", "", [](F_& F) { F.tr->OnTimeout = F.FreeTr(); F.tr->SetTimeout(100); F.Started(); F.Idle(100); }},
    {"TpFBTransaction::BeforeStart", "", [](F_& F) { F.tr->BeforeStart = F.FreeTr(); F.Started(); }},
    {"TpFBTransaction::AfterStart", "", [](F_& F) { F.tr->AfterStart = F.FreeTr(); F.Started(); }},
    {"TpFBTransaction::BeforeEnd", "", [](F_& F) { F.Started(); F.tr->BeforeEnd = F.FreeTr(); F.tr->Commit(); }, kNotCommitted},
    {"TpFBTransaction::BeforeEnd", "CommitRetaining", [](F_& F) { F.Started(); F.tr->BeforeEnd = F.FreeTr(); F.tr->CommitRetaining(); }, kNotCommitted},
    {"TpFBTransaction::BeforeEnd", "Rollback", [](F_& F) { F.Started(); F.tr->BeforeEnd = F.FreeTr(); F.tr->Rollback(); }},
    {"TpFBTransaction::BeforeEnd", "RollbackRetaining", [](F_& F) { F.Started(); F.tr->BeforeEnd = F.FreeTr(); F.tr->RollbackRetaining(); }},
    {"TpFBTransaction::BeforeEnd", "TimeoutEnd", [](F_& F) { F.tr->BeforeEnd = F.FreeTr(); F.tr->SetTimeout(100); F.Started(); F.Idle(100); }},
    {"TpFBTransaction::BeforeEnd", "ModuleClosed", [](F_& F) { F.Started(); F.tr->BeforeEnd = F.FreeOwner(); F.tr->Commit(); }, kNotCommitted},
    {"TpFBTransaction::AfterEnd", "", [](F_& F) { F.Started(); F.tr->AfterEnd = F.FreeTr(); F.tr->Commit(); }},
    // the connection's events about its transactions (the transaction is the sender)
    {"TpFBDatabase::BeforeStartTransaction", "", [](F_& F) { F.db->BeforeStartTransaction = F.FreeTr(); F.Started(); }},
    {"TpFBDatabase::AfterStartTransaction", "", [](F_& F) { F.db->AfterStartTransaction = F.FreeTr(); F.Started(); }},
    {"TpFBDatabase::BeforeEndTransaction", "", [](F_& F) { F.Started(); F.db->BeforeEndTransaction = F.FreeTr(); F.tr->Commit(); }, kNotCommitted},
    {"TpFBDatabase::BeforeEndTransaction", "TheConnection", [](F_& F) { F.Started(); F.db->BeforeEndTransaction = F.FreeDb(); F.tr->Commit(); }, "not active"},
    {"TpFBDatabase::AfterEndTransaction", "", [](F_& F) { F.Started(); F.db->AfterEndTransaction = F.FreeTr(); F.tr->Commit(); }},
    // the connection's own events
    {"TpFBDatabase::BeforeConnect", "", [](F_& F) { F.db->Close(); F.db->BeforeConnect = F.FreeDb(); F.db->Open(); }},
    {"TFBDatabase::OnConnect", "", [](F_& F) { F.db->Close(); F.db->OnConnect = F.FreeDb(); F.db->Open(); }},
    {"TFBDatabase::AfterConnectList", "", [](F_& F) { F.db->Close(); F.db->AfterConnectEvents()->Add(F.key, F.FreeDb()); F.db->Open(); }},
    {"TFBDatabase::BeforeDisconnect", "", [](F_& F) { F.Started(); F.db->BeforeDisconnect = F.FreeDb(); F.db->Close(); }},
    {"TFBDatabase::BeforeDisconnectList", "", [](F_& F) { F.Started(); F.db->BeforeDisconnectEvents()->Add(F.key, F.FreeDb()); F.db->Close(); }},
    {"TFBDatabase::AfterDisconnect", "", [](F_& F) { F.Started(); F.db->AfterDisconnect = F.FreeDb(); F.db->Close(); }},
    {"TFBDatabase::OnTimeout", "", [](F_& F) { F.db->OnTimeout = F.FreeDb(); F.db->SetTimeout(100); F.Idle(100); }},
    {"TpFBTransaction::AfterEnd", "ClosesTheConnection", [](F_& F) { F.Started(); F.tr->AfterEnd = F.FreeDb(); F.db->Close(); }},
    {"TpFBDatabase::OnLostConnect", "Close", [](F_& F) { F.LoseConnection(laCloseConnect); }},
    {"TpFBDatabase::OnLostConnect", "WaitRestore", [](F_& F) { F.LoseConnection(laWaitRestore); }},
    {"TpFBDatabase::OnLostConnect", "ModuleClosed", [](F_& F) { F.LoseConnection(laWaitRestore, true); }},
    {"TpFBDatabase::OnErrorRestoreConnect", "", [](F_& F) { F.db->OnErrorRestoreConnect = F.FreeDb(); F.WaitToRestore(true); }},
    {"TpFBDatabase::AfterRestoreConnect", "", [](F_& F) { F.db->AfterRestoreConnect = F.FreeDb(); F.WaitToRestore(false); }},
    // statements
    {"TFBQuery::BeforeExecute", "", [](F_& F) { F.NewQuery(); F.Started(); F.q->BeforeExecute = F.FreeQ(); F.q->ExecQuery(); }},
    {"TFBQuery::AfterExecute", "", [](F_& F) { F.NewQuery(); F.Started(); F.q->AfterExecute = F.FreeQ(); F.q->ExecQuery(); }},
    {"TFBQuery::BeforeFetch", "", [](F_& F) { F.NewQuery(); F.Started(); F.q->BeforeFetch = F.FreeQ(); F.q->ExecQuery(); }},
    {"TFBQuery::OnSQLChanging", "Add", [](F_& F) { F.NewQuery(); F.q->OnSQLChanging = F.FreeQ(); F.q->SQL()->Add("where 1 = 1"); }, "abort"},
    {"TFBQuery::OnSQLChanging", "SetText", [](F_& F) { F.NewQuery(); F.q->OnSQLChanging = F.FreeQ(); F.q->SQL()->SetText("select 1 from RDB$DATABASE"); }, "abort"},
    {"TFBQuery::OnSQLChanging", "Clear", [](F_& F) { F.NewQuery(); F.q->OnSQLChanging = F.FreeQ(); F.q->SQL()->Clear(); }, "abort"},
    {"TFBQuery::TransactionEnding", "", [](F_& F) { F.NewQuery(); F.Started(); F.q->ExecQuery(); F.q->TransactionEnding = F.FreeQ(); F.tr->Commit(); }},
    {"TFBQuery::TransactionEnded", "", [](F_& F) { F.NewQuery(); F.Started(); F.q->ExecQuery(); F.q->TransactionEnded = F.FreeQ(); F.tr->Commit(); }},
    {"TpFBQuery::OnExecuteError", "", [](F_& F) { F.FailingQuery(F.FreeQ(), daRetry); }, kNotRunAgain},
    {"TpFBTransaction::BeforeSQLExecute", "", [](F_& F) { F.NewQuery(); F.Started(); F.tr->BeforeSQLExecute = F.FreeQ(); F.q->ExecQuery(); }},
    {"TpFBTransaction::AfterSQLExecute", "", [](F_& F) { F.NewQuery(); F.Started(); F.tr->AfterSQLExecute = F.FreeQ(); F.q->ExecQuery(); }},
    // the owner freed: the transaction by a statement's events, the database by a transaction's
    {"TFBQuery::BeforeExecute", "TheTransaction", [](F_& F) { F.NewQuery(); F.Started(); F.q->BeforeExecute = F.FreeTr(); F.q->ExecQuery(); }, "Transaction not assigned"},
    {"TFBQuery::AfterExecute", "TheTransaction", [](F_& F) { F.NewQuery(); F.Started(); F.q->AfterExecute = F.FreeTr(); F.q->ExecQuery(); }},
    {"TFBQuery::BeforeFetch", "TheTransaction", [](F_& F) { F.NewQuery(); F.Started(); F.q->BeforeFetch = F.FreeTr(); F.q->ExecQuery(); }, "closed"},
    {"TFBQuery::TransactionEnding", "TheTransaction", [](F_& F) { F.NewQuery(); F.Started(); F.q->ExecQuery(); F.q->TransactionEnding = F.FreeTr(); F.tr->Commit(); }, kNotCommitted},
    {"TFBQuery::TransactionEnding", "TheTransactionRollback", [](F_& F) { F.NewQuery(); F.Started(); F.q->ExecQuery(); F.q->TransactionEnding = F.FreeTr(); F.tr->Rollback(); }},
    {"TFBQuery::TransactionEnded", "TheTransaction", [](F_& F) { F.NewQuery(); F.Started(); F.q->ExecQuery(); F.q->TransactionEnded = F.FreeTr(); F.tr->Commit(); }},
    {"TpFBQuery::OnExecuteError", "TheTransaction", [](F_& F) { F.FailingQuery(F.FreeTr(), daFail); }, "NOSUCH"},
    {"TpFBQuery::OnExecuteError", "TheTransactionRetry", [](F_& F) { F.FailingQuery(F.FreeTr(), daRetry); }, kNotRunAgain},
    {"TpFBQuery::OnExecuteError", "TheConnectionRetry", [](F_& F) { F.FailingQuery(F.FreeDb(), daRetry); }, kNotRunAgain},
    {"TpFBTransaction::BeforeSQLExecute", "TheTransaction", [](F_& F) { F.NewQuery(); F.Started(); F.tr->BeforeSQLExecute = F.FreeTr(); F.q->ExecQuery(); }, "Transaction not assigned"},
    {"TpFBTransaction::AfterSQLExecute", "TheTransaction", [](F_& F) { F.NewQuery(); F.Started(); F.tr->AfterSQLExecute = F.FreeTr(); F.q->ExecQuery(); }},
    {"TFBTransaction::BeforeStartList", "TheConnection", [](F_& F) { F.tr->AddNotifyEvent(0, F.key, F.FreeDb()); F.Started(); }, "transaction"},
    {"TFBTransaction::AfterStartList", "TheConnection", [](F_& F) { F.tr->AddNotifyEvent(1, F.key, F.FreeDb()); F.Started(); }},
    {"TFBTransaction::BeforeEndList", "TheConnection", [](F_& F) { F.Started(); F.tr->AddEndEvent(2, F.key, F.FreeDb()); F.tr->Commit(); }, "not active"},
    {"TFBTransaction::AfterEndList", "TheConnection", [](F_& F) { F.Started(); F.tr->AddEndEvent(3, F.key, F.FreeDb()); F.tr->Commit(); }},
    {"TFBTransaction::OnTimeout", "TheConnection", [](F_& F) { F.tr->OnTimeout = F.FreeDb(); F.tr->SetTimeout(100); F.Started(); F.Idle(100); }},
    {"TpFBTransaction::BeforeStart", "TheConnection", [](F_& F) { F.tr->BeforeStart = F.FreeDb(); F.Started(); }, "transaction"},
    {"TpFBTransaction::AfterStart", "TheConnection", [](F_& F) { F.tr->AfterStart = F.FreeDb(); F.Started(); }},
    {"TpFBTransaction::BeforeEnd", "TheConnection", [](F_& F) { F.Started(); F.tr->BeforeEnd = F.FreeDb(); F.tr->Commit(); }, "not active"},
    {"TpFBTransaction::AfterEnd", "TheConnection", [](F_& F) { F.Started(); F.tr->AfterEnd = F.FreeDb(); F.tr->Commit(); }},
    {"TpFBDatabase::BeforeStartTransaction", "TheConnection", [](F_& F) { F.db->BeforeStartTransaction = F.FreeDb(); F.Started(); }, "transaction"},
    {"TpFBDatabase::AfterStartTransaction", "TheConnection", [](F_& F) { F.db->AfterStartTransaction = F.FreeDb(); F.Started(); }},
    {"TpFBDatabase::AfterEndTransaction", "TheConnection", [](F_& F) { F.Started(); F.db->AfterEndTransaction = F.FreeDb(); F.tr->Commit(); }},
    {"TpFBDatabase::OnErrorRestoreConnect", "TerminateApp", [](F_& F) {
         F.db->OnErrorRestoreConnect = [&F](TFBDatabase*, const EFBError&, TOnLostConnectActions& A) { F.Free(F.db), A = laTerminateApp; };
         LostConnectQuit = [](Integer) {}, LostConnectMessage = [](const AnsiString&) {};
         F.WaitToRestore(true);
         LostConnectQuit = nullptr, LostConnectMessage = nullptr;
     }},
    // the on-destroy lists: a handler frees the other one
    {"TFBTransaction::OnDestroyList", "", [](F_& F) { F.tr->AddNotifyEvent(4, F.key, F.FreeDb()); F.Started(); F.Destroy(F.tr); }},
    {"TFBDatabase::OnDestroyList", "", [](F_& F) { F.db->OnDestroyEvents()->Add(F.key, F.FreeTr()); F.Started(); F.Destroy(F.db); }},
    // events set through a setter
    {"TFBTimer::OnTimer", "", [](F_& F) { F.Tick(F.FreeTimer()); }},
    {"TFBTimer::OnTimer", "TheOwner", [](F_& F) { F.Tick(F.FreeOwner()); }},
    {"TpFBTransaction::AfterEnd", "AutoCommitFreesTheQuery", [](F_& F) { F.NewQuery(); F.q->SetOptions(F.q->Options() + TpFBQueryOptions{qoAutoCommit, qoStartTransaction}); F.tr->AfterEnd = F.FreeQ(); F.q->ExecQuery(); }},
};

const char* const kLink = "the link's notices to the statement or data set that owns it; they raise their own events from them (those rows)";
const char* const kSwap = "asked while a blob is read or cached, with no sender: a filter on the swap files, where closing the connection is no use a program can make";
const char* const kNeverRaised = "declared for stored forms only: nothing in the program raises it";
const TLeftOut kLeftOut[] = {
    {"TFBBase::OnDatabaseConnecting", kLink}, {"TFBBase::OnDatabaseConnected", kLink},
    {"TFBBase::OnDatabaseDisconnecting", kLink}, {"TFBBase::OnDatabaseDisconnected", kLink},
    {"TFBBase::OnDatabaseFree", kLink}, {"TFBBase::OnTransactionEnding", kLink},
    {"TFBBase::OnTransactionEnded", kLink}, {"TFBBase::OnTransactionStarting", kLink},
    {"TFBBase::OnTransactionStarted", kLink}, {"TFBBase::OnTransactionFree", kLink},
    {"TFBDatabase::BeforeLoadBlobFromSwap", kSwap}, {"TFBDatabase::AfterLoadBlobFromSwap", kSwap},
    {"TFBDatabase::BeforeSaveBlobToSwap", kSwap}, {"TFBDatabase::AfterSaveBlobToSwap", kSwap},
    {"TFBQuery::OnBatching", kNeverRaised}, {"TFBQuery::OnBatchError", kNeverRaised},
    {"TpFBDatabase::OnAcceptCacheSchema", kNeverRaised},
};

TEST_P(DbClientLifetimes, RaisingCallLeavesTheFreedSenderAlone) {
    const TLifeCase& C = GetParam();
    TScribbledFrees scribble;
    try {
        C.Run(*this);
        EXPECT_EQ(C.Reports, nullptr) << "returned as if the work were done";
    } catch (const EAbort&) {
        EXPECT_STREQ(C.Reports, "abort");
    } catch (const Exception& E) {
        ASSERT_TRUE(C.Reports && E.Message().find(C.Reports) != AnsiString::npos) << E.Message();
    }
    EXPECT_EQ(frees, 1) << "the event never came";
    EXPECT_EQ(calls, 1) << "the handler was called again";
    EXPECT_EQ(scribble.Release(), 0) << "freed memory written";
}

INSTANTIATE_TEST_SUITE_P(Events, DbClientLifetimes, ::testing::ValuesIn(kCases), [](const auto& I) {
    std::string name = std::string(I.param.Event) + I.param.Road;
    std::erase(name, ':');
    return name;
});

// Freed during its own end, a transaction is rolled back whatever its
// time-out action: a rollback is done, a commit did not happen and says so.
TEST_F(DbClientLifetimes, TransactionFreedDuringItsEndStoresNothing) {
    for (const bool commit : {false, true}) {
        tr->SetTimeoutAction(TACommit);
        NewQuery("insert into LIFE_T values (1)");
        Started();
        q->ExecQuery();
        tr->BeforeEnd = FreeTr();
        if (commit) EXPECT_THROW(tr->Commit(), EFBError);
        else EXPECT_NO_THROW(tr->Rollback());
        EXPECT_EQ(db->QueryValues("select count(*) from LIFE_T").AsInteger(), 0);
        tr = new TpFBTransaction(owner.get());
        tr->SetDefaultDatabase(db);
    }
}

// Handler lists, set through Add... calls rather than members, count as events too.
TEST(DbClientLifetimesTable, EveryEventHasARowOrAReason) {
    std::set<std::string> events = SourceEvents({"src/dbclient"}, {"src/platform/data/DB.h"});
    for (const char* list : {"TFBTransaction::BeforeStartList", "TFBTransaction::AfterStartList", "TFBTransaction::BeforeEndList",
                             "TFBTransaction::AfterEndList", "TFBDatabase::AfterConnectList", "TFBDatabase::BeforeDisconnectList",
                             "TFBTransaction::OnDestroyList", "TFBDatabase::OnDestroyList"})
        events.insert(list);
    std::set<std::string> covered;
    for (const TLifeCase& C : kCases) covered.insert(C.Event);
    for (const TLeftOut& L : kLeftOut) EXPECT_TRUE(covered.insert(L.Event).second) << L.Event << ": a row and a reason";
    for (const std::string& E : events) EXPECT_TRUE(covered.count(E)) << E << ": no row and no reason";
    for (const std::string& E : covered) EXPECT_TRUE(events.count(E)) << E << ": no such event";
}

}  // namespace
