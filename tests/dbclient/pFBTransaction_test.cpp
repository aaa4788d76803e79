#include "dbclient/pFBTransaction.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include "dbclient/FBMessages.h"
#include "dbclient/FBRegistry.h"
#include "platform/rtl/Registry.h"
#include "support/db/TestDatabase.h"

namespace {

class pFBTransactionTest : public TDatabaseSuite {
protected:
    void SetUp() override {
        db = std::make_unique<TFBDatabase>(nullptr);
        db->SetDBName(DB1().Path());
        db->DBParams()->Add(AnsiString("user_name=") + TTestDatabase::UserName);
        db->SetSynchronizeTime(false);
        db->Open();
        tr = std::make_unique<TpFBTransaction>(nullptr);
        tr->SetDefaultDatabase(db.get());
    }
    std::unique_ptr<TFBDatabase> db;
    std::unique_ptr<TpFBTransaction> tr;
};

struct TModeCase { TTPBMode Mode; const char* Stored; const char* Lines; };

class pFBTransactionMode : public pFBTransactionTest, public ::testing::WithParamInterface<TModeCase> {};

TEST_P(pFBTransactionMode, StartsWithTheModesLines) {
    tr->TRParams()->SetText(GetParam().Stored);
    tr->SetTPBMode(GetParam().Mode);
    tr->StartTransaction();
    EXPECT_EQ(tr->TRParams()->Text(), GetParam().Lines);
    tr->Commit();
}

INSTANTIATE_TEST_SUITE_P(
    Modes, pFBTransactionMode,
    ::testing::Values(TModeCase{tpbReadCommitted, "read\r\nconcurrency\r\n",
                                "write\r\nisc_tpb_nowait\r\nrec_version\r\nread_committed\r\n"},
                      TModeCase{tpbRepeatableRead, "", "write\r\nisc_tpb_nowait\r\nconcurrency\r\n"},
                      TModeCase{tpbDefault, "read\r\nconcurrency\r\n", "read\r\nconcurrency\r\n"}));

TEST_F(pFBTransactionTest, EventsAroundStartAndEnd) {
    AnsiString log;
    tr->BeforeStart = [&](TObject* S) { EXPECT_FALSE(tr->Active()); log += "bs;"; };
    tr->AfterStart = [&](TObject*) { EXPECT_TRUE(tr->Active()); log += "as;"; };
    tr->BeforeEnd = [&](TObject* S, TTransactionAction A, bool F) {
        EXPECT_EQ(S, tr.get());
        log += "be" + std::to_string(A) + (F ? "f;" : ";");
    };
    tr->AfterEnd = [&](TObject*, TTransactionAction A, bool) { log += "ae" + std::to_string(A) + ";"; };
    EXPECT_EQ(tr->About(), "6.1.0");
    EXPECT_EQ(tr->TPBMode(), tpbReadCommitted);
    tr->StartTransaction();
    tr->CommitRetaining();
    tr->Rollback();
    EXPECT_EQ(log, "bs;as;be3;ae3;be0;ae0;");
    tr->StartTransaction();
    EXPECT_THROW(tr->StartTransaction(), EFBClientError);   // already active
    tr->SetTimeoutAction(TACommit);
    log.clear();
    db->Close();   // ends it, forced
    EXPECT_EQ(log, "be2f;ae2;");
}

class TLoggingDatabase : public TFBDatabase {
public:
    using TFBDatabase::TFBDatabase;
    void DoBeforeStartTransaction(TObject*) override { Log += "dbs;"; }
    void DoAfterStartTransaction(TObject*) override { Log += "das;"; }
    void DoBeforeEndTransaction(TObject*, TTransactionAction A, bool) override { Log += "dbe" + std::to_string(A) + ";"; }
    void DoAfterEndTransaction(TObject*, TTransactionAction A, bool) override { Log += "dae" + std::to_string(A) + ";"; }
    AnsiString Log;
};

TEST_F(pFBTransactionTest, DatabaseHearsStartAndEndAroundTheEvents) {
    TLoggingDatabase d(nullptr);
    d.SetDBName(DB1().Path());
    d.DBParams()->Add(AnsiString("user_name=") + TTestDatabase::UserName);
    d.SetSynchronizeTime(false);
    d.Open();
    TpFBTransaction t(nullptr);
    t.SetDefaultDatabase(&d);
    t.BeforeStart = [&d](TObject*) { d.Log += "bs;"; };
    t.AfterStart = [&d](TObject*) { d.Log += "as;"; };
    t.BeforeEnd = [&d](TObject*, TTransactionAction, bool) { d.Log += "be;"; };
    t.AfterEnd = [&d](TObject*, TTransactionAction, bool) { d.Log += "ae;"; };
    t.StartTransaction();
    t.Commit();
    EXPECT_EQ(d.Log, "dbs;bs;as;das;dbe2;be;ae;dae2;");
}

class TDesignTransaction : public TpFBTransaction {
public:
    TDesignTransaction() : TpFBTransaction(nullptr) { SetDesigning(true); }
};

TEST(pFBTransactionKinds, NamedParameterSetFromTheStore) {
    TTempFolder folder("osb-reg-");
    SetRegistryFileName(folder.File("registry.ini"));
    WriteRegistryValues({"Software", "KADRIX_Software", "Transation Kinds", "1"}, {"Name", "Params"},
                        {Variant("Reader"), Variant("read\r\nread_committed")});
    TDesignTransaction t;
    t.SetUserKindTransaction("Nobody");
    EXPECT_EQ(t.TPBMode(), tpbReadCommitted);
    t.SetUserKindTransaction("Reader");
    EXPECT_EQ(t.TPBMode(), tpbDefault);
    EXPECT_EQ(t.TRParams()->Text(), "read\r\nread_committed\r\n");
    TpFBTransaction running(nullptr);   // not at design time: only the name is kept
    running.SetUserKindTransaction("Reader");
    EXPECT_EQ(running.UserKindTransaction(), "Reader");
    EXPECT_EQ(running.TPBMode(), tpbReadCommitted);
    SetRegistryFileName("");
}

}  // namespace
