#include "dbclient/pFBDatabase.h"
#include "dbclient/FBErrorKit.h"

#include <gtest/gtest.h>

#include "dbclient/FBQuery.h"
#include "dbclient/FBRegistry.h"
#include "dbclient/pFBDataInfo.h"
#include "dbclient/pFBTransaction.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Registry.h"
#include "platform/sys/Timers.h"
#include "support/db/TestDatabase.h"

namespace {

class pFBDatabaseTest : public TDatabaseSuite {
public:
    static void SetUpTestSuite() {
        DB1().Execute("CREATE TABLE P (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20))");
    }

protected:
    void SetUp() override {
        SetRegistryFileName(DB1().Folder() + "/registry" + IntToStr(++count) + ".ini");
        owner = std::make_unique<TComponent>(nullptr);
        owner->SetName("dmodule1");
        db = new TpFBDatabase(owner.get());
        db->SetName("FBDbase1");
        Prepare(db);
        tr = new TpFBTransaction(owner.get());
        tr->SetName("FBTransact1");
        tr->SetDefaultDatabase(db);
        db->SetDefaultTransaction(tr);
    }
    void TearDown() override {
        owner.reset();
        SetRegistryFileName("");
    }
    static void Prepare(TFBDatabase* D) {
        D->SetDBName(DB1().Path());
        TTestDatabase::AddLogin(D->DBParams());
        D->DBParams()->Add("lc_ctype=WIN1254");
    }
    TFBQuery* Query(const AnsiString& Sql) {
        auto* q = new TFBQuery(owner.get());
        q->SetDatabase(db);
        q->SetTransaction(tr);
        q->SQL()->SetText(Sql);
        return q;
    }
    void KillAttachment() { EndAttachment(db); }

    std::unique_ptr<TComponent> owner;
    TpFBDatabase* db = nullptr;
    TpFBTransaction* tr = nullptr;
    static inline int count = 0;
};

TEST_F(pFBDatabaseTest, DefaultsOfANewConnection) {
    EXPECT_TRUE(db->SaveAliasParamsAfterConnect());
    EXPECT_EQ(db->AliasName(), "");
    EXPECT_EQ(db->WaitForRestoreConnect(), 0u) << "no timer yet";
    EXPECT_EQ(db->About(), "6.1.0 Release");
    EXPECT_FALSE(db->CacheSchemaOptions()->AutoLoadFromFile());
    EXPECT_FALSE(db->CacheSchemaOptions()->AutoSaveToFile());
    EXPECT_TRUE(db->CacheSchemaOptions()->ValidateAfterLoad());
    db->SetWaitForRestoreConnect(5000);
    EXPECT_EQ(db->WaitForRestoreConnect(), 5000u);
    EXPECT_FALSE(db->RestoreTimerEnabled());
    db->SetWaitForRestoreConnect(0);
    EXPECT_EQ(db->WaitForRestoreConnect(), 0u);
    db->SetSaveDBParams(false);
    EXPECT_FALSE(db->SaveAliasParamsAfterConnect());
}

TEST_F(pFBDatabaseTest, BeforeConnectMayVetoAndAfterConnectIsOnConnect) {
    int vetoes = 0, connects = 0;
    db->OnLogin = [&](TFBDatabase* D, TStrings* Params, bool& DoConnect) {
        EXPECT_EQ(D, db);
        EXPECT_EQ(Params, db->DBParams());
        ++vetoes;
        DoConnect = false;
    };
    db->AfterConnect = [&](TObject*) { ++connects; };
    EXPECT_TRUE(static_cast<bool>(db->BeforeConnect)) << "OnLogin is the same event";
    db->Open();
    EXPECT_FALSE(db->Connected());
    EXPECT_EQ(vetoes, 1);
    db->BeforeConnect = [](TFBDatabase*, TStrings*, bool&) {};
    db->SetConnected(true);
    EXPECT_TRUE(db->Connected());
    EXPECT_EQ(connects, 1);
    EXPECT_TRUE(static_cast<bool>(db->OnConnect));
    db->Open();   // already connected: nothing happens
    EXPECT_EQ(connects, 1);
}

TEST_F(pFBDatabaseTest, AliasesAreReadWhenNamedAndRewrittenAtEveryConnect) {
    db->DBParams()->Add("sql_role_name=CLERK");
    db->SetAliasName("zemtar");   // nothing stored yet: nothing changes
    EXPECT_EQ(db->DBName(), DB1().Path());
    db->Open();
    const std::vector<AnsiString> names{"Database Name", "user_name", "lc_ctype", "sql_role_name", "SQL_DIALECT",
                                        "password"};
    Variant v = ReadRegistryValues({"Software", "KADRIX_Software", "Aliases", "zemtar"}, names);
    ASSERT_TRUE(v.IsArray());
    EXPECT_EQ(VarArrayGet(v, {0, 0}).AsString(), DB1().Path());
    EXPECT_EQ(VarArrayGet(v, {0, 1}).AsString(), "SYSDBA");
    EXPECT_EQ(VarArrayGet(v, {0, 2}).AsString(), "WIN1254");
    EXPECT_EQ(VarArrayGet(v, {0, 3}).AsString(), "CLERK");
    EXPECT_EQ(VarArrayGet(v, {0, 4}).AsString(), "1");
    EXPECT_FALSE(VarArrayGet(v, {1, 5}).AsBoolean()) << "the password never reaches the store";
    EXPECT_TRUE(RaisesCode([&] { db->SetAliasName("other"); }, 13));
    db->Close();

    // A second connection takes everything but the password from the alias.
    TpFBDatabase second(nullptr);
    second.DBParams()->Add("password=masterkey");
    second.SetSQLDialect(3);
    second.SetAliasName("zemtar");
    EXPECT_EQ(second.DBName(), DB1().Path());
    EXPECT_EQ(second.ConnectParams()->UserName(), "SYSDBA");
    EXPECT_EQ(second.ConnectParams()->RoleName(), "CLERK");
    EXPECT_EQ(second.ConnectParams()->CharSet(), "WIN1254");
    EXPECT_EQ(second.SQLDialect(), 1);
    second.Open();
    EXPECT_TRUE(second.Connected());
    second.Close();

    // Changed values are written at the next connect unless switched off.
    db->ConnectParams()->SetRoleName("");
    db->Open();
    v = ReadRegistryValues({"Software", "KADRIX_Software", "Aliases", "zemtar"}, names);
    EXPECT_EQ(VarArrayGet(v, {0, 3}).AsString(), "");
    db->Close();
    db->SetSaveAliasParamsAfterConnect(false);
    db->ConnectParams()->SetRoleName("ADMIN");
    db->Open();
    v = ReadRegistryValues({"Software", "KADRIX_Software", "Aliases", "zemtar"}, names);
    EXPECT_EQ(VarArrayGet(v, {0, 3}).AsString(), "");
}

TEST_F(pFBDatabaseTest, BadDialectInAnAliasIsRefused) {
    WriteRegistryValues({"Software", "KADRIX_Software", "Aliases", "bad"}, {"Database Name", "SQL_DIALECT"},
                        {Variant("x.fdb"), Variant("three")});
    EXPECT_TRUE(RaisesCode([&] { db->SetAliasName("bad"); }, 61));
    EXPECT_EQ(db->SQLDialect(), 1);
}

TEST_F(pFBDatabaseTest, MetadataCacheIsSavedAtCloseAndLoadedAtConnect) {
    const AnsiString file = DB1().Folder() + "/schema" + IntToStr(count) + ".cache";
    db->CacheSchemaOptions()->SetLocalCacheFile(file);
    db->CacheSchemaOptions()->SetAutoSaveToFile(true);
    db->CacheSchemaOptions()->SetAutoLoadFromFile(true);
    db->CacheSchemaOptions()->SetValidateAfterLoad(false);
    GlobalTableInfo()->Clear();
    db->Open();
    ASSERT_NE(GetTableInfo(db, "P", false), nullptr);
    EXPECT_EQ(GlobalTableInfo()->Count(), 1);
    db->Close();
    EXPECT_TRUE(FileExists(file));
    GlobalTableInfo()->Clear();
    GlobalTableInfo()->SetValidateAfterLoad(true);
    db->Open();
    EXPECT_EQ(GlobalTableInfo()->Count(), 1) << "read back from the file";
    EXPECT_FALSE(GlobalTableInfo()->ValidateAfterLoad());
    db->Close();
    GlobalTableInfo()->Clear();
}

TEST_F(pFBDatabaseTest, UnwritableCacheFileStillClosesTheConnection) {
    db->CacheSchemaOptions()->SetLocalCacheFile(DB1().Folder() + "/no/such/folder/x.cache");
    db->CacheSchemaOptions()->SetAutoSaveToFile(true);
    GlobalTableInfo()->Clear();
    db->Open();
    GetTableInfo(db, "P", false);
    EXPECT_THROW(db->Close(), Exception);
    EXPECT_FALSE(db->Connected());
    GlobalTableInfo()->Clear();
}

TEST_F(pFBDatabaseTest, TransactionEventsComeThroughTheDatabase) {
    std::vector<AnsiString> log;
    db->BeforeStartTransaction = [&](TObject* S) { log.push_back("bs " + static_cast<TComponent*>(S)->Name()); };
    db->AfterStartTransaction = [&](TObject*) { log.push_back("as"); };
    db->BeforeEndTransaction = [&](TObject*, TTransactionAction A, bool F) {
        log.push_back("be " + IntToStr(static_cast<Integer>(A)) + (F ? " f" : ""));
    };
    db->AfterEndTransaction = [&](TObject*, TTransactionAction A, bool) {
        log.push_back("ae " + IntToStr(static_cast<Integer>(A)));
    };
    db->Open();
    tr->StartTransaction();
    tr->Commit();
    EXPECT_EQ(log, (std::vector<AnsiString>{"bs FBTransact1", "as", "be 2", "ae 2"}));
}

TEST_F(pFBDatabaseTest, HealthyConnectionPassesTheTest) {
    EXPECT_FALSE(db->TestConnected(laCloseConnect)) << "not connected";
    db->Open();
    int lost = 0;
    db->OnLostConnect = [&](TFBDatabase*, const EFBError&, TOnLostConnectActions&) { ++lost; };
    EXPECT_TRUE(db->TestConnected(laCloseConnect));
    db->Close();
    EXPECT_FALSE(db->Connected());
    EXPECT_EQ(lost, 0);
}

TEST_F(pFBDatabaseTest, LostConnectionWaitsAndRestores) {
    TManualTimerService clock;
    TTimerServiceGuard guard(&clock);
    db->SetWaitForRestoreConnect(2000);
    db->Open();
    tr->StartTransaction();
    TFBQuery* q = Query("select ID from P");
    q->ExecQuery();
    ASSERT_TRUE(q->Open());
    KillAttachment();

    std::vector<AnsiString> log;
    db->OnLostConnect = [&](TFBDatabase* D, const EFBError& E, TOnLostConnectActions& A) {
        EXPECT_EQ(D, db);
        EXPECT_NE(E.IBErrorCode(), 0);
        log.push_back("lost");
        A = laWaitRestore;
    };
    db->OnErrorRestoreConnect = [&](TFBDatabase*, const EFBError&, TOnLostConnectActions& A) {
        EXPECT_EQ(A, laIgnore);
        log.push_back("error");
    };
    db->AfterRestoreConnect = [&](TFBDatabase*) { log.push_back("restored"); };
    EXPECT_FALSE(db->TestConnected(laCloseConnect));
    EXPECT_FALSE(db->Connected());
    EXPECT_EQ(db->Handle(), 0u);
    EXPECT_FALSE(q->Open());
    EXPECT_EQ(q->Handle(), 0u);
    EXPECT_FALSE(tr->Active());
    EXPECT_TRUE(db->RestoreTimerEnabled());

    // The server stays away for one tick: the timer keeps trying.
    db->SetDBName(DB1().Folder() + "/missing.fdb");
    clock.Advance(2000);
    EXPECT_FALSE(db->Connected());
    EXPECT_TRUE(db->RestoreTimerEnabled());
    db->SetDBName(DB1().Path());
    clock.Advance(1999);
    EXPECT_FALSE(db->Connected());
    clock.Advance(1);
    EXPECT_TRUE(db->Connected());
    EXPECT_FALSE(db->RestoreTimerEnabled());
    EXPECT_EQ(log, (std::vector<AnsiString>{"lost", "error", "restored"}));

    // The statement works again on the new attachment.
    tr->StartTransaction();
    q->ExecQuery();
    EXPECT_TRUE(q->Eof());
    tr->Commit();
}

TEST_F(pFBDatabaseTest, CloseOfALostConnectionMakesNoServerCall) {
    db->Open();
    tr->StartTransaction();
    KillAttachment();
    TOnLostConnectActions seen = laIgnore;
    db->OnLostConnect = [&](TFBDatabase*, const EFBError&, TOnLostConnectActions& A) { seen = A; };
    db->Close();
    EXPECT_EQ(seen, laCloseConnect);
    EXPECT_FALSE(db->Connected());
    EXPECT_FALSE(tr->Active());
    db->Open();   // and it connects again
    EXPECT_TRUE(db->Connected());
}

TEST_F(pFBDatabaseTest, TerminateAndIgnoreActions) {
    std::vector<Integer> quits;
    std::vector<AnsiString> messages;
    LostConnectQuit = [&](Integer Code) { quits.push_back(Code); };
    LostConnectMessage = [&](const AnsiString& Text) { messages.push_back(Text); };

    db->Open();
    KillAttachment();
    db->OnLostConnect = [](TFBDatabase*, const EFBError&, TOnLostConnectActions& A) { A = laIgnore; };
    EXPECT_FALSE(db->TestConnected(laCloseConnect));
    EXPECT_TRUE(db->Connected()) << "ignored: the handle is kept";
    db->OnLostConnect = [](TFBDatabase*, const EFBError&, TOnLostConnectActions& A) { A = laTerminateApp; };
    EXPECT_FALSE(db->TestConnected(laCloseConnect));
    EXPECT_FALSE(db->Connected());
    EXPECT_EQ(quits, std::vector<Integer>{0});
    EXPECT_TRUE(messages.empty());

    // A reconnect that fails and is told to terminate shows the error once and stops trying.
    TManualTimerService clock;
    TTimerServiceGuard guard(&clock);
    db->SetWaitForRestoreConnect(1000);
    db->Open();
    KillAttachment();
    db->OnLostConnect = nullptr;
    EXPECT_FALSE(db->TestConnected(laWaitRestore));
    EXPECT_TRUE(db->RestoreTimerEnabled());
    db->SetDBName(DB1().Folder() + "/missing.fdb");
    db->OnErrorRestoreConnect = [](TFBDatabase*, const EFBError&, TOnLostConnectActions& A) { A = laTerminateApp; };
    clock.Advance(1000);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("missing.fdb"), AnsiString::npos) << messages[0];
    EXPECT_EQ(quits.size(), 2u);
    EXPECT_FALSE(db->RestoreTimerEnabled());
    clock.Advance(5000);
    EXPECT_EQ(messages.size(), 1u);
    LostConnectQuit = nullptr;
    LostConnectMessage = nullptr;
}

}  // namespace
