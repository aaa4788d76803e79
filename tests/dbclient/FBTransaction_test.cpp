#include "dbclient/FBTransaction.h"
#include "platform/Raised.h"
#include "dbclient/FBErrorKit.h"

#include <gtest/gtest.h>

#include "dbclient/FBMessages.h"
#include "platform/sys/Timers.h"
#include "support/db/FakeClientLibrary.h"
#include "support/db/RawSql.h"
#include "support/db/TestDatabase.h"

namespace {

ISC_STATUS FailingCommit(ISC_STATUS* Status, isc_tr_handle*) {
    Status[0] = isc_arg_gds;
    Status[1] = isc_lock_conflict;
    Status[2] = isc_arg_end;
    return Status[1];
}

class FBTransactionTest : public TDatabaseSuite {
public:
    static void SetUpTestSuite() {
        DB3().Execute("CREATE TABLE T3 (ID INTEGER)");
    }

protected:
    void SetUp() override {
        owner = std::make_unique<TComponent>(nullptr);
        owner->SetName("dm");
        db1 = Connect(DB1(), "DB1");
        db3 = Connect(DB3(), "DB3");
        tr = new TFBTransaction(owner.get());
        tr->SetName("TR");
        tr->SetDefaultDatabase(db1);
    }
    TFBDatabase* Connect(TTestDatabase& T, const char* Name, const AnsiString& Library = AnsiString()) {
        auto* d = new TFBDatabase(owner.get());
        d->SetName(Name);
        if (!Library.empty()) {
            d->SetLibraryName(Library);
            d->SetSynchronizeTime(false);   // no commits on the fake client before the test
        }
        d->SetDBName(T.Path());
        d->SetSQLDialect(T.Dialect());
        TTestDatabase::AddLogin(d->DBParams());
        d->Open();
        return d;
    }
    // Rows of a table as another transaction sees them.
    Int64 Count(TFBDatabase* D, const char* Table) {
        TFBTransaction reader(nullptr);
        reader.SetDefaultDatabase(D);
        reader.TRParams()->SetText("read\r\nread_committed\r\nrec_version\r\nnowait");
        reader.StartTransaction();
        Int64 n = SelectInt(*D, reader, AnsiString("select count(*) from ") + Table);
        reader.Commit();
        return n;
    }
    void Insert(TFBDatabase* D, const char* Table = "EFATURA") {
        ExecSQL(*D, *tr, AnsiString("insert into ") + Table +
                              (D == db1 ? " (REFERANSNO, ABONENO) values (\"9\", \"1\")" : " (ID) values (1)"));
    }
    std::unique_ptr<TComponent> owner;
    TFBDatabase* db1 = nullptr;
    TFBDatabase* db3 = nullptr;
    TFBTransaction* tr = nullptr;
};

TEST_F(FBTransactionTest, CommitAndRollback) {
    Int64 before = Count(db1, "EFATURA");
    tr->TRParams()->SetText("write\r\nnowait\r\nrec_version\r\nread_committed");
    tr->StartTransaction();
    EXPECT_TRUE(tr->Active());
    EXPECT_EQ(tr->State(), tsActive);
    EXPECT_GT(tr->GetTransactionID(), 0);
    Insert(db1);
    tr->Rollback();
    EXPECT_FALSE(tr->Active());
    EXPECT_EQ(tr->State(), tsClosed);
    EXPECT_EQ(Count(db1, "EFATURA"), before);
    tr->SetActive(true);
    Insert(db1);
    tr->Commit();
    EXPECT_FALSE(tr->Active());
    EXPECT_EQ(Count(db1, "EFATURA"), before + 1);
}

TEST_F(FBTransactionTest, RetainingKeepsTheHandle) {
    Int64 before = Count(db1, "EFATURA");
    tr->StartTransaction();
    isc_tr_handle h = tr->Handle();
    Insert(db1);
    tr->CommitRetaining();
    EXPECT_TRUE(tr->Active());
    EXPECT_EQ(tr->Handle(), h);
    EXPECT_EQ(tr->State(), tsActive);
    EXPECT_EQ(Count(db1, "EFATURA"), before + 1);
    Insert(db1);
    tr->RollbackRetaining();
    EXPECT_TRUE(tr->Active());
    EXPECT_EQ(tr->Handle(), h);
    tr->Commit();
    EXPECT_EQ(Count(db1, "EFATURA"), before + 1);
}

TEST_F(FBTransactionTest, OneTransactionOverTwoDatabases) {
    Int64 b1 = Count(db1, "EFATURA"), b3 = Count(db3, "T3");
    EXPECT_EQ(tr->AddDatabase(db3), 1);
    EXPECT_EQ(tr->AddDatabase(db3), 1);
    EXPECT_EQ(tr->AddDatabase(nullptr), -1);
    tr->StartTransaction();
    Insert(db1);
    Insert(db3, "T3");
    tr->Rollback();
    EXPECT_EQ(Count(db1, "EFATURA"), b1);
    EXPECT_EQ(Count(db3, "T3"), b3);
    tr->StartTransaction();
    Insert(db1);
    Insert(db3, "T3");
    tr->Commit();
    EXPECT_EQ(Count(db1, "EFATURA"), b1 + 1);
    EXPECT_EQ(Count(db3, "T3"), b3 + 1);
    // Every database must be connected to start.
    db3->Close();
    EXPECT_TRUE(RaisesCode([&] { tr->StartTransaction(); }, 12, "dm.DB3: Cannot perform operation -- DB is not open."));
    EXPECT_FALSE(tr->Active());
}

TEST_F(FBTransactionTest, ParameterBlockIsRebuiltAfterAChange) {
    tr->TRParams()->SetText("write\r\nisc_tpb_nowait\r\nrec_version\r\nread_committed");
    tr->StartTransaction();
    EXPECT_EQ(tr->TPB(), AnsiString("\x03\x09\x07\x11\x0f"));
    EXPECT_TRUE(RaisesCode([&] { tr->TRParams()->Add("wait"); }, 16, "dm.TR :Transaction is active."));
    EXPECT_EQ(tr->TRParams()->Count(), 4);
    tr->Commit();
    tr->TRParams()->SetText("read\r\nconcurrency");
    tr->StartTransaction();
    EXPECT_EQ(tr->TPB(), AnsiString("\x03\x08\x02"));
    EXPECT_THROW(Insert(db1), EFBInterBaseError);   // a read-only transaction
    tr->Rollback();
    tr->TRParams()->SetText("autocommit");
    EXPECT_THROW(tr->StartTransaction(), EFBClientError);
    EXPECT_FALSE(tr->Active());
    tr->TRParams()->Clear();
    tr->StartTransaction();   // the client's defaults
    EXPECT_EQ(tr->TPB(), "");
    tr->Commit();
}

TEST_F(FBTransactionTest, StateErrors) {
    for (auto call : {+[](TFBTransaction* t) { t->Commit(); }, +[](TFBTransaction* t) { t->RollbackRetaining(); }}) {
        EXPECT_TRUE(RaisesCode([&] { call(tr); }, 15, "dm.TR :Transaction is not active."));
    }
    tr->StartTransaction();
    EXPECT_THROW(tr->StartTransaction(), EFBClientError);
    EXPECT_THROW(tr->SetDefaultDatabase(db3), EFBClientError);
    tr->SetActive(false);
    EXPECT_FALSE(tr->Active());
    TFBTransaction lonely(nullptr);
    lonely.SetName("Lonely");
    EXPECT_TRUE(RaisesCode([&] { lonely.StartTransaction(); },
                           18, "Lonely :No databases are listed in transaction component."));
}

TEST_F(FBTransactionTest, DatabasesOfAnotherClientLibraryAreRefused) {
    TFakeLoaderGuard guard;
    AnsiString name = UniqueFakeLibraryName("other");
    TFakeModuleLoader::Instance().Define(name, {});
    TFBDatabase* other = Connect(DB3(), "Other", name);
    EXPECT_EQ(MessageOf([&] { tr->AddDatabase(other); }),
              "dm.TR.\r\nTransaction can't work with different client library.");
    EXPECT_EQ(tr->DatabaseCount(), 1);
}

TEST_F(FBTransactionTest, IdleTimeoutEndsWithTheTimeoutAction) {
    TManualTimerService clock;
    TTimerServiceGuard guard(&clock);
    Int64 before = Count(db1, "EFATURA");
    int timeouts = 0;
    tr->OnTimeout = [&timeouts](TObject*) { ++timeouts; };
    tr->SetTimeoutAction(TACommit);
    tr->SetTimeout(500);
    tr->StartTransaction();
    Insert(db1);
    clock.Advance(500);
    EXPECT_TRUE(tr->Active());
    clock.Advance(500);
    EXPECT_FALSE(tr->Active());
    EXPECT_EQ(timeouts, 1);
    EXPECT_EQ(Count(db1, "EFATURA"), before + 1);
    clock.Advance(2000);
    EXPECT_EQ(timeouts, 1);
    tr->SetTimeout(0);   // the timer must not outlive this clock
}

TEST_F(FBTransactionTest, TransactionCallsKeepTheDatabaseAwake) {
    TManualTimerService clock;
    TTimerServiceGuard guard(&clock);
    db1->SetTimeout(1000);
    clock.Advance(1000);
    tr->StartTransaction();   // a client call of the transaction
    clock.Advance(1000);
    EXPECT_TRUE(db1->Connected());
    tr->Rollback();
    clock.Advance(1000);
    EXPECT_TRUE(db1->Connected());
    clock.Advance(1000);
    EXPECT_FALSE(db1->Connected());
    db1->SetTimeout(0);
}

TEST_F(FBTransactionTest, DisconnectEndsWithTheTimeoutAction) {
    Int64 before = Count(db1, "EFATURA");
    tr->SetTimeoutAction(TACommitRetaining);
    tr->StartTransaction();
    Insert(db1);
    db1->Close();
    EXPECT_FALSE(tr->Active());
    EXPECT_EQ(tr->State(), tsClosed);
    db1->Open();
    EXPECT_EQ(Count(db1, "EFATURA"), before + 1);

    tr->SetTimeoutAction(TARollback);
    tr->StartTransaction();
    Insert(db1);
    db1->ForceClose();
    EXPECT_FALSE(tr->Active());
    db1->Open();
    EXPECT_EQ(Count(db1, "EFATURA"), before + 1);
}

class FailingCommitTest : public FBTransactionTest {
protected:
    void SetUp() override {
        FBTransactionTest::SetUp();
        TFakeLoaderGuard guard;
        AnsiString name = UniqueFakeLibraryName("commit");
        TFakeModuleLoader::Instance().Define(
            name, {{}, {{"isc_commit_transaction", reinterpret_cast<void*>(&FailingCommit)}}});
        bad = Connect(DB3(), "Bad", name);
        badTr = new TFBTransaction(owner.get());
        badTr->SetName("BadTR");
        badTr->SetDefaultDatabase(bad);
        badTr->SetTimeoutAction(TACommit);
        before = Count(db3, "T3");   // counted over a connection whose commits work
        badTr->StartTransaction();
        ExecSQL(*bad, *badTr, "insert into T3 (ID) values (7)");
    }
    TFBDatabase* bad = nullptr;
    TFBTransaction* badTr = nullptr;
    Int64 before = 0;
};

TEST_F(FailingCommitTest, PlainCommitFailureKeepsTheTransaction) {
    if (auto e = Raised<EFBInterBaseError>([&] { badTr->Commit(); })) {
        EXPECT_EQ(e->IBErrorCode(), isc_lock_conflict);
        EXPECT_EQ(e->Sender(), badTr);
    }
    EXPECT_TRUE(badTr->Active());
    EXPECT_EQ(badTr->State(), tsActive);
    badTr->Rollback();
}

TEST_F(FailingCommitTest, ForcedCommitFailureIsReported) {
    std::vector<TTransactionAction> ended;
    badTr->AddEndEvent(3, TMethodKey(), [&ended](TObject*, TTransactionAction A, bool Force) {
        EXPECT_TRUE(Force);
        ended.push_back(A);
    });
    EXPECT_THROW(badTr->EndTransaction(TACommit, true), EFBInterBaseError);
    EXPECT_FALSE(badTr->Active());
    EXPECT_EQ(badTr->State(), tsClosed);
    EXPECT_EQ(ended, std::vector<TTransactionAction>{TACommit});
    EXPECT_EQ(Count(db3, "T3"), before);   // rolled back, not committed
}

TEST_F(FailingCommitTest, CloseReportsTheLostCommit) {
    AnsiString events;
    bad->BeforeDisconnect = [&events](TObject*) { events += "before;"; };
    bad->AfterDisconnect = [&events](TObject*) { events += "after;"; };
    EXPECT_THROW(bad->Close(), EFBInterBaseError);
    EXPECT_FALSE(badTr->Active());
    // The transaction is gone, so the connection is closed with it: never
    // connected without the work that was started on it.
    EXPECT_FALSE(bad->Connected());
    EXPECT_EQ(events, "before;after;");
    EXPECT_EQ(Count(db3, "T3"), before);
}

TEST_F(FailingCommitTest, CloseStopsWhileTheTransactionStands) {
    badTr->AddEndEvent(2, TMethodKey(), [](TObject*, TTransactionAction, bool) { throw Exception("busy"); });
    EXPECT_THROW(bad->Close(), Exception);
    EXPECT_TRUE(badTr->Active());
    EXPECT_TRUE(bad->Connected());
    badTr->RemoveEndEvent(2, TMethodKey());
    badTr->Rollback();
    bad->Close();
    EXPECT_FALSE(bad->Connected());
}

TEST_F(FailingCommitTest, ForcedCloseFinishesThenReports) {
    EXPECT_THROW(bad->ForceClose(), EFBInterBaseError);
    EXPECT_FALSE(badTr->Active());
    EXPECT_FALSE(bad->Connected());
}

TEST_F(FBTransactionTest, AListenerLeavingDuringTheCallSkipsNoOne) {
    static AnsiString log;   // the handlers outlive this test
    const TMethodKey leaver{{1}, nullptr}, stayer{{2}, nullptr};
    for (Integer kind : {2, 3}) {
        tr->AddEndEvent(kind, leaver, [this, kind, leaver](TObject*, TTransactionAction, bool) {
            log += "leave;", tr->RemoveEndEvent(kind, leaver);
        });
        tr->AddEndEvent(kind, stayer, [](TObject*, TTransactionAction, bool) { log += "stay;"; });
    }
    for (TNotifyEventList* l : {db1->BeforeDisconnectEvents(), db1->AfterConnectEvents()}) {
        l->Add(leaver, [l, leaver](TObject*) { log += "leave;", l->Remove(leaver); });
        l->Add(stayer, [](TObject*) { log += "stay;"; });
    }
    tr->StartTransaction();
    tr->Commit();
    db1->Close();
    db1->Open();
    EXPECT_EQ(log, "leave;stay;leave;stay;leave;stay;leave;stay;");
}

TEST_F(FBTransactionTest, HandlersAndLinksInTheirOrder) {
    AnsiString log;
    tr->AddNotifyEvent(0, TMethodKey{{1}, nullptr}, [&log](TObject*) { log += "bs1;"; });
    tr->AddNotifyEvent(0, TMethodKey{{2}, nullptr}, [&log](TObject*) { log += "bs2;"; });
    tr->AddNotifyEvent(1, TMethodKey{{1}, nullptr}, [&log](TObject*) { log += "as;"; });
    tr->AddEndEvent(2, TMethodKey{{1}, nullptr}, [&log, this](TObject* T, TTransactionAction A, bool) {
        EXPECT_EQ(tr->State(), static_cast<TTransactionState>(A + 2));   // tsDo... of the action
        log += "be" + std::to_string(A) + ";";
    });
    tr->AddEndEvent(3, TMethodKey{{1}, nullptr}, [&log](TObject*, TTransactionAction A, bool) {
        log += "ae" + std::to_string(A) + ";";
    });
    tr->AddNotifyEvent(7, TMethodKey{{1}, nullptr}, [&log](TObject*) { log += "never;"; });
    TFBBase link(nullptr);
    link.OnTransactionStarting = [&log](TObject*) { log += "ls;"; };
    link.OnTransactionStarted = [&log](TObject*) { log += "lS;"; };
    link.OnTransactionEnding = [&log](TObject*) { log += "le;"; };
    link.OnTransactionEnded = [&log](TObject*) { log += "lE;"; };
    link.OnTransactionFree = [&log](TObject*) { log += "lF;"; };
    link.SetDatabase(db1);
    EXPECT_EQ(link.Transaction(), nullptr);   // db1 has no default transaction
    link.SetTransaction(tr);
    EXPECT_EQ(*link.TRHandle(), 0u);
    tr->StartTransaction();
    tr->RollbackRetaining();
    tr->Commit();
    EXPECT_EQ(log, "ls;bs2;bs1;as;lS;le;be1;lE;ae1;le;be2;lE;ae2;");
    tr->RemoveNotifyEvent(0, TMethodKey{{2}, nullptr});
    log.clear();
    tr->StartTransaction();
    tr->Rollback();
    EXPECT_EQ(log, "ls;bs1;as;lS;le;be0;lE;ae0;");
    log.clear();
    delete tr;
    tr = nullptr;
    EXPECT_EQ(log, "lF;");
    EXPECT_EQ(link.Transaction(), nullptr);
}

TEST_F(FBTransactionTest, DefaultTransactionLinksBothWays) {
    db3->SetDefaultTransaction(tr);
    EXPECT_EQ(tr->FindDatabase(db3), 1);
    EXPECT_EQ(tr->DefaultDatabase(), db1);   // already had one
    TFBTransaction* upd = new TFBTransaction(owner.get());
    db3->SetDefaultUpdateTransaction(upd);
    EXPECT_EQ(upd->DefaultDatabase(), db3);
    EXPECT_EQ(upd->GetMainDatabase(), db3);
    TFBBase link(nullptr);
    link.SetDatabase(db3);
    EXPECT_EQ(link.Transaction(), tr);   // the database's default
    delete upd;
    EXPECT_EQ(db3->DefaultUpdateTransaction(), nullptr);
    delete tr;
    tr = nullptr;
    EXPECT_EQ(db3->DefaultTransaction(), nullptr);
    EXPECT_EQ(link.Transaction(), nullptr);
    // A database that goes away leaves the transactions that listed it.
    TFBTransaction t2(nullptr);
    t2.SetDefaultDatabase(db3);
    t2.AddDatabase(db1);
    delete db3;
    db3 = nullptr;
    EXPECT_EQ(t2.DefaultDatabase(), nullptr);
    EXPECT_EQ(t2.DatabaseCount(), 1);
    EXPECT_EQ(t2.GetMainDatabase(), db1);
}

TEST_F(FBTransactionTest, DestroyingAnActiveTransactionEndsIt) {
    Int64 before = Count(db1, "EFATURA");
    tr->SetTimeoutAction(TACommit);
    tr->StartTransaction();
    Insert(db1);
    delete tr;
    tr = nullptr;
    EXPECT_EQ(Count(db1, "EFATURA"), before + 1);
}

TEST_F(FBTransactionTest, SharedHandleIsNotEndedOnTheServer) {
    tr->StartTransaction();
    isc_tr_handle h = tr->Handle();
    TFBTransaction shared(nullptr);
    shared.SetDefaultDatabase(db1);
    shared.SetSharedHandle(h);
    EXPECT_TRUE(shared.Active());
    EXPECT_TRUE(RaisesCode([&] { shared.Commit(); }, 58));   // not forced and not its TimeoutAction (rollback)
    shared.Rollback();   // drops the handle only
    EXPECT_FALSE(shared.Active());
    EXPECT_TRUE(tr->Active());
    Insert(db1);   // the real transaction still works
    tr->Rollback();
}

}  // namespace

namespace {

TEST_F(FailingCommitTest, OpenThatFailsAfterAttachLeavesItClosed) {
    auto* d = new TFBDatabase(nullptr);
    d->SetLibraryName(bad->LibraryName());
    d->SetDBName(DB3().Path());
    d->DBParams()->Add(AnsiString("user_name=") + TTestDatabase::UserName);
    EXPECT_THROW(d->Open(), EFBInterBaseError);   // the time query cannot commit
    EXPECT_FALSE(d->Connected());
    EXPECT_FALSE(d->InternalTransaction()->Active());
    delete d;
}

}  // namespace

namespace {

TEST_F(FailingCommitTest, DestroyingTheDatabaseNeverThrows) {
    EXPECT_TRUE(badTr->Active());
    delete bad;   // the forced end fails inside; a destructor cannot report it
    bad = nullptr;
    EXPECT_FALSE(badTr->Active());
    EXPECT_EQ(badTr->DatabaseCount(), 0);
    EXPECT_EQ(Count(db3, "T3"), before);
}

}  // namespace

namespace {

TEST_F(FailingCommitTest, InternalTransactionThatCannotCommitAtDestruction) {
    bad->InternalTransaction()->StartTransaction();
    delete bad;
    bad = nullptr;
    EXPECT_FALSE(badTr->Active());
}

}  // namespace

namespace {

TEST_F(FBTransactionTest, LinkFollowsTheTransactionsDatabase) {
    const Integer pooled = db3->SQLObjectCount();   // the connect's time query
    TFBBase link(nullptr);
    link.SetDatabase(db3);
    link.SetTransaction(tr);   // tr lists only db1
    EXPECT_EQ(link.Database(), db1);
    EXPECT_EQ(db3->SQLObjectCount(), pooled);
    EXPECT_EQ(*link.DBHandle(), db1->Handle());
    EXPECT_TRUE(RaisesCode([&] { link.CheckTransaction(); }, 15));
    tr->StartTransaction();
    link.CheckTransaction();
    link.CheckDatabase();
    tr->Rollback();
    TFBBase none(nullptr);
    EXPECT_EQ(MessageOf<EFBClientError>([&] { none.CheckTransaction(); }), "Transaction not assigned for .");
}

TEST_F(FBTransactionTest, StreamedValuesApplyAfterLoading) {
    auto* d = new TFBDatabase(owner.get());
    auto* t = new TFBTransaction(owner.get());
    d->SetDBName(DB3().Path());
    d->DBParams()->Add(AnsiString("user_name=") + TTestDatabase::UserName);
    d->SetDefaultTransaction(t);
    EXPECT_EQ(t->DefaultDatabase(), d);
    d->BeginLoading();
    t->BeginLoading();
    d->SetConnected(true);
    t->SetActive(true);
    EXPECT_FALSE(d->Connected());
    t->EndLoading();   // the database is not open yet: the start waits
    EXPECT_FALSE(t->Active());
    d->EndLoading();
    EXPECT_TRUE(d->Connected());
    EXPECT_TRUE(t->Active());
    t->Rollback();
}

}  // namespace

namespace {

// User attachments to the database of D other than D's own.
Int64 OtherAttachments(TFBDatabase* D) {
    TFBTransaction reader(nullptr);
    reader.SetDefaultDatabase(D);
    reader.StartTransaction();
    Int64 n = SelectInt(*D, reader,
                        "select count(*) from MON$ATTACHMENTS where MON$SYSTEM_FLAG = 0 and "
                        "MON$ATTACHMENT_ID <> CURRENT_CONNECTION");
    reader.Commit();
    return n;
}

TEST_F(FBTransactionTest, ClosingOneOfItsDatabasesEndsTheTransaction) {
    Int64 b1 = Count(db1, "EFATURA");
    tr->AddDatabase(db3);   // added directly, not as a default
    tr->SetTimeoutAction(TARollback);
    tr->StartTransaction();
    Insert(db1);
    Insert(db3, "T3");
    db3->Close();
    EXPECT_FALSE(tr->Active());   // not left running over a detached database
    EXPECT_EQ(Count(db1, "EFATURA"), b1);
    db3->Open();
    EXPECT_EQ(OtherAttachments(db3), 0);   // the old attachment really went
    // Taken out again, the database no longer ends it.
    tr->RemoveDatabase(tr->FindDatabase(db3));
    EXPECT_EQ(db3->FindTransaction(tr), -1);
    tr->StartTransaction();
    db3->Close();
    EXPECT_TRUE(tr->Active());
    tr->Rollback();
    db3->Open();
    tr->AddDatabase(db3);
    db3->RemoveTransaction(db3->FindTransaction(tr));   // from the other side
    EXPECT_EQ(tr->FindDatabase(db3), -1);
    EXPECT_EQ(tr->DatabaseCount(), 1);
}

TEST_F(FBTransactionTest, UnlinkedObjectsAreNotToldAnyMore) {
    TFBBase a(nullptr), b(nullptr);
    AnsiString log;
    a.SetDatabase(db1);
    a.SetTransaction(tr);
    b.SetDatabase(db1);
    b.SetTransaction(tr);
    // b is told first (backwards) and drops a; a must not hear the end.
    b.OnTransactionEnding = [&](TObject*) { log += "b;"; a.SetTransaction(nullptr); };
    a.OnTransactionEnding = [&](TObject*) { log += "a;"; };
    tr->StartTransaction();
    tr->Rollback();
    EXPECT_EQ(log, "b;");
    log.clear();
    a.SetTransaction(tr);
    // In list order: a, then b; a's disconnected handler unlinks b from the database.
    a.OnDatabaseDisconnecting = [&](TObject*) { log += "a;"; };
    b.OnDatabaseDisconnecting = [&](TObject*) { log += "b;"; };
    a.OnDatabaseDisconnected = [&](TObject*) { log += "A;"; b.SetDatabase(nullptr); };
    b.OnDatabaseDisconnected = [&](TObject*) { log += "B;"; };
    db1->Close();
    EXPECT_EQ(log, "a;b;A;");
}

TEST_F(FailingCommitTest, IdleTimeoutStillReportsTheEnd) {
    TManualTimerService clock;
    TTimerServiceGuard guard(&clock);
    int timeouts = 0;
    badTr->OnTimeout = [&timeouts](TObject*) { ++timeouts; };
    badTr->SetTimeout(500);
    clock.Advance(500);
    EXPECT_THROW(clock.Advance(500), EFBInterBaseError);   // the lost commit is not hidden
    EXPECT_FALSE(badTr->Active());
    EXPECT_EQ(timeouts, 1);
    badTr->SetTimeout(0);

    badTr->StartTransaction();
    int dbTimeouts = 0;
    bad->OnTimeout = [&dbTimeouts](TObject*) { ++dbTimeouts; };
    bad->SetTimeout(500);
    clock.Advance(500);
    EXPECT_THROW(clock.Advance(500), EFBInterBaseError);
    EXPECT_FALSE(bad->Connected());
    EXPECT_EQ(dbTimeouts, 1);
    bad->SetTimeout(0);
}

}  // namespace
