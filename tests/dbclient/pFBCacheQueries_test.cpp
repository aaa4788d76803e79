#include "dbclient/pFBCacheQueries.h"

#include <gtest/gtest.h>

#include <memory>

#include "dbclient/FBDatabase.h"
#include "dbclient/FBTransaction.h"
#include "support/db/TestDatabase.h"

namespace {

class CacheQueriesTest : public TDatabaseSuite {
protected:
    void SetUp() override { owner = std::make_unique<TComponent>(nullptr); }
    void TearDown() override { owner.reset(); }

    TFBDatabase* Connect(TTestDatabase& T, TComponent* Owner = nullptr) {
        auto* d = new TFBDatabase(Owner ? Owner : owner.get());
        d->SetDBName(T.Path());
        d->SetSQLDialect(T.Dialect());
        TTestDatabase::AddLogin(d->DBParams());
        d->DBParams()->Add("lc_ctype=WIN1254");
        d->SetSynchronizeTime(false);   // the connect's time query would be one more pooled statement
        d->Open();
        auto* tr = new TFBTransaction(Owner ? Owner : owner.get());
        tr->SetDefaultDatabase(d);
        tr->TRParams()->SetText("read\r\nread_committed");
        d->SetDefaultTransaction(tr);
        return d;
    }
    static Integer SelectOne(TFBQuery* Q) {
        if (!Q->Transaction()->Active()) Q->Transaction()->StartTransaction();
        Q->ExecQuery();
        Integer v = Q->Fields(0)->AsInteger();
        Q->Close();
        return v;
    }
    std::unique_ptr<TComponent> owner;
};

const char* OneSql = "select 1 from RDB$DATABASE";

TEST_F(CacheQueriesTest, NoStatementWithoutTransactionOrDatabase) {
    EXPECT_EQ(AcquireCachedQuery(nullptr, OneSql), nullptr);
    TFBTransaction tr(nullptr);
    EXPECT_EQ(AcquireCachedQuery(&tr, OneSql), nullptr);
    ReleaseCachedQuery(nullptr);   // nothing happens
    TFBQuery loose(nullptr);
    ReleaseCachedQuery(&loose);    // no database: ignored
}

TEST_F(CacheQueriesTest, ReleasedStatementIsReusedStillPrepared) {
    TFBDatabase* db = Connect(DB1());
    TFBTransaction* tr = db->DefaultTransaction();
    TFBQuery* a = AcquireCachedQuery(tr, OneSql);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Database(), db);
    EXPECT_EQ(a->Transaction(), tr);
    EXPECT_EQ(SelectOne(a), 1);
    EXPECT_TRUE(a->Prepared());
    ReleaseCachedQuery(a);

    // Leading and trailing blanks, and a different line-break form, share the key.
    TFBQuery* b = AcquireCachedQuery(tr, AnsiString("  ") + OneSql + " \r\n");
    EXPECT_EQ(b, a);
    EXPECT_TRUE(b->Prepared());
    EXPECT_EQ(SelectOne(b), 1);
    ReleaseCachedQuery(b);

    TFBQuery* m1 = AcquireCachedQuery(tr, "select 2\r\nfrom RDB$DATABASE");
    ReleaseCachedQuery(m1);
    EXPECT_EQ(AcquireCachedQuery(tr, "select 2\nfrom RDB$DATABASE"), m1);
    ReleaseCachedQuery(m1);
    tr->Commit();
}

TEST_F(CacheQueriesTest, BusyStatementIsNeverHandedOutTwice) {
    TFBDatabase* db = Connect(DB3());
    TFBTransaction* tr = db->DefaultTransaction();
    TFBQuery* a = AcquireCachedQuery(tr, OneSql);
    TFBQuery* b = AcquireCachedQuery(tr, OneSql);
    ASSERT_NE(a, b);
    TCacheQueries* pool = CacheList()->Find(db);
    ASSERT_NE(pool, nullptr);
    EXPECT_EQ(pool->BusyCount(), 2);
    ReleaseCachedQuery(a);
    ReleaseCachedQuery(b);
    ReleaseCachedQuery(b);   // a second give-back is ignored
    EXPECT_EQ(pool->BusyCount(), 0);
    EXPECT_EQ(pool->FreeCount(), 2);
    TFBQuery* c = AcquireCachedQuery(tr, OneSql);
    EXPECT_TRUE(c == a || c == b);
    ReleaseCachedQuery(c);
}

TEST_F(CacheQueriesTest, OpenStatementIsClosedAndTransactionFollowsCaller) {
    TFBDatabase* db = Connect(DB1());
    TFBTransaction* tr = db->DefaultTransaction();
    TFBTransaction other(nullptr);
    other.SetDefaultDatabase(db);
    TFBQuery* a = AcquireCachedQuery(tr, "select RDB$RELATION_NAME from RDB$RELATIONS");
    tr->StartTransaction();
    a->ExecQuery();
    ASSERT_TRUE(a->Open());
    ReleaseCachedQuery(a);   // left open by a careless caller
    TFBQuery* b = AcquireCachedQuery(&other, "select RDB$RELATION_NAME from RDB$RELATIONS");
    ASSERT_EQ(b, a);
    EXPECT_FALSE(b->Open());
    EXPECT_EQ(b->Transaction(), &other);
    ReleaseCachedQuery(b);
    tr->Commit();
}

TEST_F(CacheQueriesTest, StatementsArePerDatabase) {
    TFBDatabase* d1 = Connect(DB1());
    TFBDatabase* d3 = Connect(DB3());
    TFBQuery* a = AcquireCachedQuery(d1->DefaultTransaction(), OneSql);
    ReleaseCachedQuery(a);
    TFBQuery* b = AcquireCachedQuery(d3->DefaultTransaction(), OneSql);
    EXPECT_NE(a, b);
    EXPECT_EQ(b->Database(), d3);
    EXPECT_EQ(SelectOne(b), 1);
    ReleaseCachedQuery(b);
    d3->DefaultTransaction()->Commit();
}

TEST_F(CacheQueriesTest, DisconnectFreesHandlesAndReconnectReprepares) {
    TFBDatabase* db = Connect(DB1());
    TFBTransaction* tr = db->DefaultTransaction();
    TFBQuery* a = AcquireCachedQuery(tr, OneSql);
    EXPECT_EQ(SelectOne(a), 1);
    ReleaseCachedQuery(a);
    tr->Commit();
    db->Close();
    EXPECT_FALSE(a->Prepared());
    EXPECT_EQ(a->Handle(), 0u);
    db->Open();
    TFBQuery* b = AcquireCachedQuery(tr, OneSql);
    EXPECT_EQ(b, a);
    EXPECT_EQ(SelectOne(b), 1);
    ReleaseCachedQuery(b);
    tr->Commit();
}

TEST_F(CacheQueriesTest, FreeingDatabaseFreesItsStatements) {
    bool freed = false, busyFreed = false;
    struct TWatch : TComponent {
        bool* Flag;
        TWatch(bool* F) : TComponent(nullptr), Flag(F) {}
        void Notification(TComponent* C, TOperation Op) override {
            TComponent::Notification(C, Op);
            if (Op == opRemove) *Flag = true;
        }
    };
    TWatch watch(&freed), busyWatch(&busyFreed);
    {
        TComponent dm(nullptr);
        TFBDatabase* db = Connect(DB3(), &dm);
        TFBQuery* a = AcquireCachedQuery(db->DefaultTransaction(), OneSql);
        EXPECT_EQ(SelectOne(a), 1);
        ReleaseCachedQuery(a);
        db->DefaultTransaction()->Commit();
        TFBQuery* busy = AcquireCachedQuery(db->DefaultTransaction(), "select 3 from RDB$DATABASE");
        a->FreeNotification(&watch);
        busy->FreeNotification(&busyWatch);
        ASSERT_NE(CacheList()->Find(db), nullptr);
    }
    EXPECT_TRUE(freed);
    EXPECT_TRUE(busyFreed);
    // A new database of the same file gets new statements.
    TFBDatabase* db = Connect(DB3());
    EXPECT_EQ(CacheList()->Find(db) ? CacheList()->Find(db)->FreeCount() : 0, 0);
    TFBQuery* b = AcquireCachedQuery(db->DefaultTransaction(), OneSql);
    EXPECT_EQ(SelectOne(b), 1);
    ReleaseCachedQuery(b);
    db->DefaultTransaction()->Commit();
}

TEST_F(CacheQueriesTest, StatementFreedByCallerLeavesThePool) {
    TFBDatabase* db = Connect(DB1());
    TFBQuery* a = AcquireCachedQuery(db->DefaultTransaction(), OneSql);
    TCacheQueries* pool = CacheList()->Find(db);
    delete a;
    EXPECT_EQ(pool->BusyCount(), 0);
    TFBQuery* b = AcquireCachedQuery(db->DefaultTransaction(), OneSql);
    ReleaseCachedQuery(b);
    delete b;
    EXPECT_EQ(pool->FreeCount(), 0);
    TFBQuery* c = AcquireCachedQuery(db->DefaultTransaction(), OneSql);
    EXPECT_EQ(SelectOne(c), 1);
    ReleaseCachedQuery(c);
    db->DefaultTransaction()->Commit();
}

TEST_F(CacheQueriesTest, ChangedTextIsFiledUnderItsNewKey) {
    TFBTransaction* tr = Connect(DB1())->DefaultTransaction();
    TFBQuery* a = AcquireCachedQuery(tr, "select 5 from RDB$DATABASE");
    a->SQL()->SetText("select 6 from RDB$DATABASE");
    ReleaseCachedQuery(a);
    EXPECT_EQ(AcquireCachedQuery(tr, "select 6 from RDB$DATABASE"), a);
    ReleaseCachedQuery(a);
    TFBQuery* b = AcquireCachedQuery(tr, "select 5 from RDB$DATABASE");
    EXPECT_NE(b, a);
    ReleaseCachedQuery(b);
}

}  // namespace
