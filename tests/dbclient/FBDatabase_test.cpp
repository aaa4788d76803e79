#include "dbclient/FBDatabase.h"
#include "platform/Raised.h"
#include "dbclient/FBErrorKit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "support/db/TestDatabase.h"
#include "dbclient/FBMessages.h"
#include "dbclient/FBTransaction.h"
#include "dbclient/pFBCacheQueries.h"
#include "platform/sys/Timers.h"
#include "support/db/RawSql.h"

namespace {

class FBDatabaseTest : public TDatabaseSuite {
public:
    static void SetUpTestSuite() {
        DB1().Execute("CREATE GENERATOR GEN_T_ID");
        DB3().Execute("CREATE SEQUENCE \"Gen_Mixed\"");
    }

protected:
    void SetUp() override {
        owner = std::make_unique<TComponent>(nullptr);
        owner->SetName("dmodule1");
        db = new TFBDatabase(owner.get());
        db->SetName("FBDbase1");
        Prepare(*db, DB1());
    }
    static void Prepare(TFBDatabase& D, TTestDatabase& T) {
        D.SetDBName(T.Path());
        TTestDatabase::AddLogin(D.DBParams());
    }
    std::unique_ptr<TComponent> owner;
    TFBDatabase* db = nullptr;
};

TEST_F(FBDatabaseTest, AttachAndDetach) {
    EXPECT_FALSE(db->Connected());
    EXPECT_EQ(db->LibraryName(), "libfbclient.so.2");
    db->Open();
    EXPECT_TRUE(db->Connected());
    EXPECT_NE(db->Handle(), 0u);
    EXPECT_EQ(db->GetDBSQLDialect(), 1);
    EXPECT_FALSE(db->IsRemoteConnect());
    EXPECT_LT(std::fabs(db->TimeDifference()), 1.0 / 24 / 60);   // same machine: under a minute
    bool found = false;
    EXPECT_GT(db->GetDBInfoValue(isc_info_page_size, found), 0);
    EXPECT_TRUE(found);
    // The engine keeps its lock files in this test program's own folder.
    const char* lockDir = std::getenv("FIREBIRD_LOCK");
    ASSERT_NE(lockDir, nullptr);
    EXPECT_NE(AnsiString(lockDir).find("osb-fblock-"), AnsiString::npos);
    EXPECT_FALSE(std::filesystem::is_empty(lockDir));
    db->Close();
    EXPECT_FALSE(db->Connected());
    EXPECT_EQ(db->Handle(), 0u);
    db->SetConnected(true);
    EXPECT_TRUE(db->Connected());
    db->SetConnected(false);
    EXPECT_FALSE(db->Connected());
}

TEST_F(FBDatabaseTest, BadPathLeavesTheDatabaseClosed) {
    db->SetDBName(DB1().Folder() + "/missing.fdb");
    if (auto e = Raised<EFBInterBaseError>([&] { db->Open(); })) {
        EXPECT_EQ(e->Sender(), db);
        EXPECT_EQ(e->IBErrorCode(), isc_io_error);
        EXPECT_EQ(e->SQLCode(), -902);
        EXPECT_EQ(e->Message().rfind("dmodule1.FBDbase1:\r\n", 0), 0u) << e->Message();
        EXPECT_NE(e->Message().find("missing.fdb"), AnsiString::npos);
        EXPECT_EQ(e->Message(), "dmodule1.FBDbase1:\r\n" + e->SQLMessage() + e->IBMessage());
    }
    EXPECT_FALSE(db->Connected());
    EXPECT_EQ(db->Handle(), 0u);
    // The same component connects once the name is right.
    db->SetDBName(DB1().Path());
    db->Open();
    EXPECT_TRUE(db->Connected());
}

TEST_F(FBDatabaseTest, BadUserIsRefusedByTheEngine) {
    db->SetDBParamByName("user_name", AnsiString(40, 'U'));
    if (auto e = Raised<EFBInterBaseError>([&] { db->Open(); })) {
        EXPECT_NE(e->IBMessage().find("Login name too long"), AnsiString::npos) << e->Message();
    }
    EXPECT_FALSE(db->Connected());
}

TEST_F(FBDatabaseTest, UnknownParameterLineFailsBeforeAttaching) {
    db->DBParams()->Add("page_size=8192");
    EXPECT_TRUE(RaisesCode([&] { db->Open(); }, 8));
    EXPECT_FALSE(db->Connected());
    db->DBParams()->Delete(2);
    db->Open();   // the block is built again
    EXPECT_TRUE(db->Connected());
}

TEST_F(FBDatabaseTest, DialectIsLoweredToTheServers) {
    db->SetSQLDialect(3);
    db->Open();
    EXPECT_EQ(db->SQLDialect(), 1);
    EXPECT_TRUE(db->NeedUpperNames());
    for (Integer bad : {3, 0}) {
        EXPECT_TRUE(RaisesCode([&] { db->SetSQLDialect(bad); }, 61, "SQL Dialect invalid"));
    }
    EXPECT_EQ(db->SQLDialect(), 1);

    TFBDatabase db3(nullptr);
    Prepare(db3, DB3());
    db3.SetSQLDialect(3);
    db3.Open();
    EXPECT_EQ(db3.SQLDialect(), 3);
    EXPECT_EQ(db3.GetDBSQLDialect(), 3);
    EXPECT_FALSE(db3.NeedUpperNames());
    EXPECT_LT(std::fabs(Now() - db3.GetServerTime()), 1.0 / 24 / 60);
}

TEST_F(FBDatabaseTest, GeneratorSteps) {
    db->Open();
    Int64 first = db->Gen_Id("gen_t_id", 1);   // dialect 1: the name is upper-cased
    EXPECT_EQ(db->Gen_Id("GEN_T_ID", 5), first + 5);
    EXPECT_FALSE(db->InternalTransaction()->Active());
    // An active transaction of the database is used and left running.
    TFBTransaction tr(nullptr);
    tr.SetDefaultDatabase(db);
    tr.StartTransaction();
    EXPECT_EQ(db->Gen_Id("GEN_T_ID", 0), first + 5);
    EXPECT_TRUE(tr.Active());
    EXPECT_FALSE(db->InternalTransaction()->Active());
    tr.Rollback();
    EXPECT_THROW(db->Gen_Id("NO_SUCH_GEN", 1), EFBInterBaseError);
    EXPECT_FALSE(db->InternalTransaction()->Active());

    TFBDatabase db3(nullptr);
    Prepare(db3, DB3());
    db3.SetSQLDialect(3);
    db3.Open();
    EXPECT_EQ(db3.Gen_Id("Gen_Mixed", 7), 7);   // dialect 3 keeps the case by quoting
    EXPECT_EQ(db3.Gen_Id("Gen_Mixed", 5000000000LL), 5000000007LL);   // 64 bits in dialect 3
}

TEST_F(FBDatabaseTest, QueryValuesRunsPooledOneRowSelects) {
    db->Open();
    TFBTransaction setup(nullptr);
    setup.SetDefaultDatabase(db);
    setup.StartTransaction();
    ExecSQL(*db, setup, "CREATE TABLE QV (ID INTEGER, NAME VARCHAR(20), MEMO BLOB SUB_TYPE 1, D DATE)");
    setup.Commit();
    setup.StartTransaction();
    ExecSQL(*db, setup,
            "INSERT INTO QV VALUES (1, 'Şırnak', 'Uzun açıklama metni', '14.03.2016')");
    setup.Commit();

    const AnsiString sql = "select NAME from QV where ID = :ID";
    EXPECT_EQ(db->QueryValues(sql, {Variant(1)}).AsString(), "Şırnak");
    EXPECT_FALSE(db->InternalTransaction()->Active()) << "started and committed around the call";
    EXPECT_TRUE(db->QueryValues(sql, {Variant(2)}).IsNull()) << "no row";
    // An empty value leaves the parameter as the last call set it.
    EXPECT_EQ(db->QueryValues(sql, {Variant()}).IsNull(), true);
    EXPECT_EQ(db->QueryValues("select MEMO from QV where ID = 1").AsString(), "Uzun açıklama metni");
    EXPECT_EQ(db->QueryValues("select D from QV where ID = 1").AsDateTime(), EncodeDate(2016, 3, 14));
    EXPECT_EQ(db->QueryValues("select count(*) from QV where ID = :A or ID = :B", {Variant(1), Variant(2)})
                  .AsInteger(), 1);

    // One statement per text, reused.
    TCacheQueries* pool = CacheList()->Find(db);
    ASSERT_NE(pool, nullptr);
    const Integer free = pool->FreeCount();
    db->QueryValues("  " + sql + " ", {Variant(1)});
    EXPECT_EQ(pool->FreeCount(), free);
    EXPECT_EQ(pool->BusyCount(), 0);

    // An active transaction is used and left running.
    TFBTransaction tr(nullptr);
    tr.SetDefaultDatabase(db);
    tr.StartTransaction();
    ExecSQL(*db, tr, "INSERT INTO QV (ID, NAME) VALUES (3, 'uncommitted')");
    EXPECT_EQ(db->QueryValues(sql, {Variant(3)}, &tr).AsString(), "uncommitted");
    EXPECT_TRUE(tr.Active());
    tr.Rollback();

    // A failing text gives its statement back and leaves no transaction open.
    EXPECT_THROW(db->QueryValues("select NOPE from QV"), EFBInterBaseError);
    EXPECT_FALSE(db->InternalTransaction()->Active());
    EXPECT_EQ(pool->BusyCount(), 0);
}

TEST_F(FBDatabaseTest, QueryValuesOnATransactionOfAnotherDefaultDatabase) {
    db->Open();
    TFBDatabase db3(nullptr);
    Prepare(db3, DB3());
    db3.Open();
    // A transaction over both databases whose default is db3: the select still runs on db.
    TFBTransaction both(nullptr);
    both.SetDefaultDatabase(&db3);
    both.AddDatabase(db);
    both.StartTransaction();
    EXPECT_EQ(db->QueryValues("select MON$SQL_DIALECT from MON$DATABASE", {}, &both).AsInteger(), 1);
    EXPECT_EQ(db3.QueryValues("select MON$SQL_DIALECT from MON$DATABASE", {}, &both).AsInteger(), 3);
    both.Commit();
}

TEST_F(FBDatabaseTest, StateErrors) {
    TFBDatabase unnamed(nullptr);
    EXPECT_TRUE(RaisesCode([&] { unnamed.Open(); }, 14, "Database name is missing."));
    EXPECT_TRUE(RaisesCode([&] { db->CheckActive(); },
                           12, "dmodule1.FBDbase1: Cannot perform operation -- DB is not open."));
    db->Open();
    for (auto change : {+[](TFBDatabase* d) { d->SetDBName("other.fdb"); },
                        +[](TFBDatabase* d) { d->SetLibraryName("libother.so"); },
                        +[](TFBDatabase* d) { d->DBParams()->Add("lc_ctype=WIN1254"); },
                        +[](TFBDatabase* d) { d->Open(); }}) {
        EXPECT_TRUE(RaisesCode([&] { change(db); }, 13));
    }
    EXPECT_EQ(db->DBParams()->Count(), 2);
    EXPECT_EQ(db->DBName(), DB1().Path());
}

TEST_F(FBDatabaseTest, ParameterLines) {
    TDBParams* p = db->DBParams();
    p->Add("lc_ctype=WIN1254");
    EXPECT_EQ(db->GetDBParamByDPB(isc_dpb_lc_ctype), "WIN1254");
    EXPECT_EQ(db->ConnectParams()->CharSet(), "WIN1254");
    db->SetDBParamByName("lc_ctype", "");
    EXPECT_EQ(p->Count(), 2);
    db->SetDBParamByName("sql_role_name", "ADMIN");
    EXPECT_EQ(p->Strings(2), "sql_role_name=ADMIN");
    EXPECT_EQ(db->ConnectParams()->RoleName(), "ADMIN");
    db->ConnectParams()->SetUserName("OPERATOR");
    EXPECT_EQ(p->Strings(0), "user_name=OPERATOR");
    EXPECT_EQ(db->ConnectParams()->Password(), TTestDatabase::Password);
    EXPECT_EQ(db->IndexOfDBParam("user"), 0);
    EXPECT_EQ(db->IndexOfDBParam("PASSWORD"), 1);
    p->Add("isc_dpb_lc_messages=x");
    EXPECT_EQ(db->IndexOfDBParam("lc_messages"), 3);
    EXPECT_EQ(db->GetDBParamByDPB(isc_dpb_lc_messages), "x");
    EXPECT_EQ(db->IndexOfDBParam("nothing"), -1);
    EXPECT_EQ(db->GetDBParamByDPB(0), "");
    EXPECT_EQ(db->GetDBParamByDPB(99), "");
    // A parameter whose name begins like another is not mistaken for it.
    p->Clear();
    p->Add("password_enc=abc");
    EXPECT_EQ(db->GetDBParamByDPB(isc_dpb_password), "");
    db->SetDBParamByName("password", "pw");
    EXPECT_EQ(p->Count(), 2);
}

TEST_F(FBDatabaseTest, LoginDialog) {
    db->SetUseLoginPrompt(true);
    LoginDialogHook = nullptr;
    EXPECT_EQ(MessageOf([&] { db->Open(); }),
              "Unable to find Database login dialog. Please, add FBDBLoginDlg into USES statement of your project.");
    AnsiString shownName;
    LoginDialogHook = [&shownName](const AnsiString& Name, AnsiString& User, AnsiString& Password, AnsiString& Role) {
        shownName = Name;
        User = "x";
        return false;
    };
    AnsiString before = db->DBParams()->Text();
    EXPECT_TRUE(RaisesCode([&] { db->Open(); }, 7, "Operation cancelled at user's request."));
    EXPECT_EQ(shownName, DB1().Path());
    EXPECT_EQ(db->DBParams()->Text(), before);
    EXPECT_FALSE(db->Connected());

    LoginDialogHook = [](const AnsiString&, AnsiString& User, AnsiString& Password, AnsiString& Role) {
        EXPECT_EQ(User, TTestDatabase::UserName);
        EXPECT_EQ(Password, TTestDatabase::Password);
        EXPECT_EQ(Role, "");
        Password = "typed";
        Role = "R1";
        return true;
    };
    db->Open();
    EXPECT_TRUE(db->Connected());
    EXPECT_EQ(db->DBParams()->Strings(1), "password=typed");
    EXPECT_EQ(db->DBParams()->Strings(2), "sql_role_name=R1");
    LoginDialogHook = nullptr;
}

TEST_F(FBDatabaseTest, BufferCountBeyondOneByteIsAcceptedByTheLibrary) {
    db->DBParams()->Add("num_buffers=300");
    db->Open();
    EXPECT_TRUE(db->Connected());
    db->Close();
}

TEST_F(FBDatabaseTest, IdleTimeoutOnTheManualClock) {
    TManualTimerService clock;
    TTimerServiceGuard guard(&clock);
    int timeouts = 0;
    db->OnTimeout = [&timeouts, this](TObject* Sender) {
        EXPECT_EQ(Sender, db);
        ++timeouts;
    };
    db->SetTimeout(1000);
    db->Open();
    clock.Advance(1000);
    EXPECT_TRUE(db->Connected());
    db->GetDBSQLDialect();   // a client call: idle again from here
    clock.Advance(1000);
    EXPECT_TRUE(db->Connected());
    clock.Advance(1000);
    EXPECT_FALSE(db->Connected());
    EXPECT_EQ(timeouts, 1);
    clock.Advance(5000);
    EXPECT_EQ(timeouts, 1);
    db->SetTimeout(0);
    EXPECT_EQ(clock.ActiveCount(), 0);
}

TEST_F(FBDatabaseTest, DisconnectEventFailuresNameTheDatabase) {
    db->Open();
    db->BeforeDisconnect = [](TObject*) { throw Exception("boom"); };
    EXPECT_EQ(MessageOf([&] { db->Close(); }), "Error of dmodule1.FBDbase1.BeforeDisconnect. boom");
    EXPECT_TRUE(db->Connected());
    db->BeforeDisconnect = nullptr;
    db->AfterDisconnect = [](TObject*) { throw Exception("late"); };
    EXPECT_EQ(MessageOf([&] { db->Close(); }), "Error of dmodule1.FBDbase1.AfterDisconnect. late");
    EXPECT_FALSE(db->Connected());   // the detach itself happened
    db->AfterDisconnect = nullptr;
}

class TListener : public TComponent {
public:
    using TComponent::TComponent;
    void Connected(TObject* Sender) { Log += "connected;"; }
    void Disconnecting(TObject* Sender) { Log += "disconnecting;"; }
    void Destroyed(TObject* Sender) { Log += "destroyed;"; }
    AnsiString Log;
};

TEST_F(FBDatabaseTest, HandlerListsAndLinks) {
    TListener listener(nullptr);
    db->AfterConnectEvents()->Add(&listener, &TListener::Connected);
    db->AfterConnectEvents()->Add(&listener, &TListener::Connected);   // once only
    db->BeforeDisconnectEvents()->Add(&listener, &TListener::Disconnecting);
    db->OnDestroyEvents()->Add(&listener, &TListener::Destroyed);
    AnsiString linkLog;
    TFBBase link(nullptr);
    link.OnDatabaseConnecting = [&](TObject* S) { EXPECT_EQ(S, &link); linkLog += "A"; };
    link.OnDatabaseConnected = [&](TObject*) { linkLog += "B"; };
    link.OnDatabaseDisconnecting = [&](TObject*) { linkLog += "C"; };
    link.OnDatabaseDisconnected = [&](TObject*) { linkLog += "D"; };
    link.OnDatabaseFree = [&](TObject*) { linkLog += "F"; };
    link.SetDatabase(db);
    EXPECT_EQ(db->SQLObjectCount(), 1);
    int connects = 0;
    db->OnConnect = [&connects](TObject*) { ++connects; };
    db->Open();
    db->Close();
    EXPECT_EQ(connects, 1);
    EXPECT_EQ(listener.Log, "connected;disconnecting;");
    EXPECT_EQ(linkLog, "ABCD");
    delete db;
    db = nullptr;
    EXPECT_EQ(listener.Log, "connected;disconnecting;destroyed;");
    EXPECT_EQ(linkLog, "ABCDF");
    EXPECT_EQ(link.Database(), nullptr);
}

TEST_F(FBDatabaseTest, ListenerGoingAwayLeavesTheList) {
    auto* listener = new TListener(nullptr);
    db->AfterConnectEvents()->Add(listener, &TListener::Connected);
    EXPECT_EQ(db->AfterConnectEvents()->Count(), 1);
    delete listener;
    EXPECT_EQ(db->AfterConnectEvents()->Count(), 0);
    db->Open();   // nothing left to call
}

TEST_F(FBDatabaseTest, LinksKeepTheirIndexes) {
    TFBBase a(nullptr), b(nullptr), c(nullptr);
    a.SetDatabase(db);
    b.SetDatabase(db);
    c.SetDatabase(db);
    b.SetDatabase(nullptr);   // c moves into b's slot
    EXPECT_EQ(db->SQLObjectCount(), 2);
    EXPECT_EQ(db->SQLObjects(1), &c);
    c.SetDatabase(nullptr);
    EXPECT_EQ(db->SQLObjectCount(), 1);
    EXPECT_EQ(db->SQLObjects(0), &a);
    EXPECT_TRUE(RaisesCode([] { TFBBase(nullptr).CheckDatabase(); }, 21, "Database not assigned for ."));
    EXPECT_TRUE(RaisesCode([&] { a.CheckDatabase(); }, 12));
}

TEST_F(FBDatabaseTest, ProcessWideLists) {
    auto list = DatabaseList();
    EXPECT_NE(std::find(list.begin(), list.end(), db), list.end());
    TFBDatabase* other = new TFBDatabase(nullptr);
    db->SetDesignDBOptions({ddoIsDefaultDatabase});
    EXPECT_EQ(GlobalDefaultDatabase(), db);
    other->SetDesignDBOptions({ddoIsDefaultDatabase, ddoStoreConnected});
    EXPECT_EQ(GlobalDefaultDatabase(), other);
    EXPECT_FALSE(db->DesignDBOptions().Contains(ddoIsDefaultDatabase));
    delete other;
    EXPECT_EQ(GlobalDefaultDatabase(), nullptr);
    list = DatabaseList();
    EXPECT_EQ(std::find(list.begin(), list.end(), other), list.end());
}

TEST_F(FBDatabaseTest, CloseAllDatabasesClosesEveryConnection) {
    TFBDatabase second(nullptr);
    Prepare(second, DB3());
    db->Open();
    second.Open();
    CloseAllDatabases();
    EXPECT_FALSE(db->Connected());
    EXPECT_FALSE(second.Connected());
}

TEST_F(FBDatabaseTest, DefaultsAndUnicodeFlags) {
    EXPECT_EQ(db->SQLDialect(), 1);
    EXPECT_TRUE(db->SynchronizeTime());
    EXPECT_TRUE(db->DesignDBOptions() == TDesignDBOptions{ddoStoreConnected});
    EXPECT_TRUE(db->UseRepositories().Contains(urErrorMessagesInfo));
    EXPECT_FALSE(db->IsUnicodeConnect());
    EXPECT_TRUE(db->IsUnicodeCharSet());   // no character set given
    db->ConnectParams()->SetCharSet("WIN1254");
    EXPECT_FALSE(db->IsUnicodeCharSet());
    db->ConnectParams()->SetCharSet("UNICODE_FSS");
    EXPECT_TRUE(db->IsUnicodeConnect());
    db->ConnectParams()->SetCharSet("WIN1254");
    db->Open();
    EXPECT_FALSE(db->IsUnicodeCharSet());
    TStringList* tr = db->InternalTransaction()->TRParams();
    EXPECT_EQ(tr->Text(), "write\r\nisc_tpb_nowait\r\nrec_version\r\nread_committed\r\n");
}

void Reverse(void*& Buffer, Integer& Size) {
    auto* p = static_cast<char*>(Buffer);
    std::reverse(p, p + Size);
}

TEST_F(FBDatabaseTest, BlobFiltersOnlyForNegativeSubtypes) {
    db->BlobFilters()->Add(1, &Reverse, &Reverse);
    db->BlobFilters()->Add(-5, &Reverse, nullptr);
    char data[] = "abc";
    void* buf = data;
    Integer size = 3;
    db->CallBlobFilter(buf, size, true, 1);
    EXPECT_STREQ(data, "abc");
    db->CallBlobFilter(buf, size, false, -5);   // no reading filter
    EXPECT_STREQ(data, "abc");
    db->CallBlobFilter(buf, size, true, -5);
    EXPECT_STREQ(data, "cba");
    EXPECT_TRUE(db->FindBlobFilter(-5));
    EXPECT_FALSE(db->FindBlobFilter(-4));
}

}  // namespace

namespace {

TEST_F(FBDatabaseTest, HostNameGoesToAServer) {
    // No server listens on port 1: the attach must fail on the network, not open the file in-process.
    db->SetDBName("127.0.0.1/1:" + DB1().Path());
    if (auto e = Raised<EFBInterBaseError>([&] { db->Open(); })) {
        EXPECT_NE(e->IBMessage().find("network"), AnsiString::npos) << e->Message();
    }
    EXPECT_FALSE(db->Connected());
}

}  // namespace

namespace {

TEST_F(FBDatabaseTest, SchemaHasTheProgramsTables) {
    db->Open();
    TFBTransaction* tr = db->InternalTransaction();
    tr->StartTransaction();
    auto columns = [&](const char* Table) {
        return SelectInt(*db, *tr,
                         AnsiString("select count(*) from RDB$RELATION_FIELDS where RDB$RELATION_NAME = '") + Table + "'");
    };
    EXPECT_EQ(columns("EABONEKIMLIK"), 38);
    EXPECT_EQ(columns("DABONEKIMLIK"), 38);
    EXPECT_EQ(columns("EFATURA"), 6);
    EXPECT_EQ(columns("DFATURA"), 6);
    // Text columns hold at least what the screens let through (MAHALLEADI: 32).
    EXPECT_GE(SelectInt(*db, *tr,
                        "select f.RDB$CHARACTER_LENGTH from RDB$RELATION_FIELDS r join RDB$FIELDS f on "
                        "f.RDB$FIELD_NAME = r.RDB$FIELD_SOURCE where r.RDB$RELATION_NAME = 'EABONEKIMLIK' and "
                        "r.RDB$FIELD_NAME = 'MAHALLEADI'"),
              32);
    // Dialect 1 quotes strings with double quotes; Turkish text survives as WIN1254.
    ExecSQL(*db, *tr, "insert into EABONEKIMLIK (ABONENO, ADI, KIRATUTARI) values (\"S1\", \"Ağaç İşletmesi\", 12.5)");
    EXPECT_EQ(SelectInt(*db, *tr, "select count(*) from EABONEKIMLIK where ADI = \"Ağaç İşletmesi\""), 1);
    EXPECT_THROW(ExecSQL(*db, *tr, "insert into EABONEKIMLIK (ABONENO) values (\"S1\")"), EFBInterBaseError);
    tr->Rollback();
}

}  // namespace

#include <dlfcn.h>

#include "support/db/FakeClientLibrary.h"

namespace {

// Attachments made and released through a counting client.
int LiveAttachments = 0;
bool FailCommits = false;

template <typename F>
F Real(const char* Name) {
    static void* lib = dlopen("libfbclient.so.2", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    return reinterpret_cast<F>(dlsym(lib, Name));
}

ISC_STATUS CountingAttach(ISC_STATUS* S, short L, const ISC_SCHAR* N, isc_db_handle* H, short DL, const ISC_SCHAR* D) {
    ISC_STATUS r = Real<decltype(&isc_attach_database)>("isc_attach_database")(S, L, N, H, DL, D);
    if (r == 0) ++LiveAttachments;
    return r;
}

ISC_STATUS CountingDetach(ISC_STATUS* S, isc_db_handle* H) {
    ISC_STATUS r = Real<decltype(&isc_detach_database)>("isc_detach_database")(S, H);
    if (r == 0) --LiveAttachments;
    return r;
}

ISC_STATUS MaybeFailingCommit(ISC_STATUS* S, isc_tr_handle* H) {
    if (!FailCommits) return Real<decltype(&isc_commit_transaction)>("isc_commit_transaction")(S, H);
    S[0] = isc_arg_gds;
    S[1] = isc_lock_conflict;
    S[2] = isc_arg_end;
    return S[1];
}

TEST_F(FBDatabaseTest, NoAttachmentOutlivesAFailure) {
    TFakeLoaderGuard guard;
    AnsiString name = UniqueFakeLibraryName("count");
    TFakeModuleLoader::Instance().Define(
        name, {{},
               {{"isc_attach_database", reinterpret_cast<void*>(&CountingAttach)},
                {"isc_detach_database", reinterpret_cast<void*>(&CountingDetach)},
                {"isc_commit_transaction", reinterpret_cast<void*>(&MaybeFailingCommit)}}});
    LiveAttachments = 0;
    auto make = [&] {
        auto* d = new TFBDatabase(owner.get());
        d->SetLibraryName(name);
        Prepare(*d, DB1());
        return d;
    };
    TFBDatabase* d = make();
    // The time query after the attach cannot commit.
    FailCommits = true;
    EXPECT_THROW(d->Open(), EFBInterBaseError);
    EXPECT_EQ(LiveAttachments, 0);
    // A commit that fails while a transaction ends at a forced close.
    FailCommits = false;
    d->Open();
    TFBTransaction tr(nullptr);
    tr.SetDefaultDatabase(d);
    tr.SetTimeoutAction(TACommit);
    tr.StartTransaction();
    FailCommits = true;
    EXPECT_THROW(d->ForceClose(), EFBInterBaseError);
    EXPECT_EQ(LiveAttachments, 0);
    // A failing BeforeDisconnect keeps the connection; freeing the database still detaches.
    FailCommits = false;
    d->Open();
    d->BeforeDisconnect = [](TObject*) { throw Exception("no"); };
    EXPECT_THROW(d->Close(), Exception);
    EXPECT_EQ(LiveAttachments, 1);
    d->BeforeDisconnect = nullptr;
    delete d;
    EXPECT_EQ(LiveAttachments, 0);
    // A failed attach leaves nothing to detach.
    d = make();
    d->SetDBName(DB1().Folder() + "/none.fdb");
    EXPECT_THROW(d->Open(), EFBInterBaseError);
    EXPECT_EQ(LiveAttachments, 0);
    EXPECT_EQ(d->Handle(), 0u);
    delete d;
}

}  // namespace

#include <thread>

namespace {

TEST(FBDatabaseList, DatabasesMadeInSeveralThreads) {
    const size_t before = DatabaseList().size();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 50; ++i) delete new TFBDatabase(nullptr);
        });
    for (int i = 0; i < 200; ++i) EXPECT_GE(DatabaseList().size(), before);
    for (auto& t : threads) t.join();
    EXPECT_EQ(DatabaseList().size(), before);
}

}  // namespace

namespace {

class FBDatabaseExit : public TDatabaseSuite {};

TEST_F(FBDatabaseExit, ProgramEndClosesWhatIsStillConnected) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto* d = new TFBDatabase(nullptr);   // never freed: the program just ends
            d->SetDBName(DB1().Path());
            d->DBParams()->Add(AnsiString("user_name=") + TTestDatabase::UserName);
            d->Open();
            auto* t = new TFBTransaction(nullptr);
            t->SetDefaultDatabase(d);
            t->StartTransaction();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
