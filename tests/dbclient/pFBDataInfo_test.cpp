#include "dbclient/pFBDataInfo.h"
#include "platform/Raised.h"

#include <gtest/gtest.h>

#include <memory>

#include "dbclient/FBDatabase.h"
#include "dbclient/FBQuery.h"
#include "dbclient/FBTransaction.h"
#include "dbclient/StrUtil.h"
#include "platform/rtl/Files.h"
#include "support/db/DbTest.h"

namespace {

const char* TableDDL =
    "CREATE DOMAIN DBOOLEAN AS SMALLINT DEFAULT 1;"
    "CREATE TABLE DEFS (ID INTEGER NOT NULL PRIMARY KEY, E VARCHAR(5) DEFAULT '', Z INTEGER DEFAULT 0, "
    "L CHAR(1) DEFAULT 'A', FLAG DBOOLEAN, NOTE BLOB SUB_TYPE 1, C COMPUTED BY (ID * 2))";

// DB1 has the program's tables, DB3 a fields repository.
class DataInfoTest : public TDatabaseSuite {
public:
    static void SetUpTestSuite() {
        for (TTestDatabase* t : {&DB1(), &DB3()}) {
            t->Execute(TableDDL);
            TComponent o(nullptr);
            Exec(Connect(&o, *t), "CREATE PROCEDURE ADDONE (X INTEGER) RETURNS (Y INTEGER, S VARCHAR(10)) AS "
                                  "BEGIN Y = X + 1; S = 'a'; SUSPEND; END");
        }
        DB3().Execute(
            "CREATE TABLE FB$FIELDS_INFO (TABLE_NAME VARCHAR(68) NOT NULL, FIELD_NAME VARCHAR(68) NOT NULL, "
            "DISPLAY_LABEL VARCHAR(64), VISIBLE SMALLINT, DISPLAY_FORMAT VARCHAR(64), EDIT_FORMAT VARCHAR(64), "
            "TRIGGERED SMALLINT, DISPLAY_WIDTH INTEGER, FB$VERSION INTEGER, HINT VARCHAR(20))");
        DB3().Execute(
            "INSERT INTO FB$FIELDS_INFO VALUES ('DEFS', 'Z', 'Sıfır', 0, '#,##0', '0', 1, 12, 7, 'ipucu');"
            "INSERT INTO FB$FIELDS_INFO VALUES ('ALIAS', 'TUTAR', 'Tutar', 1, NULL, NULL, 0, 9, 8, NULL)");
    }
    static void TearDownTestSuite() {
        GlobalTableInfo()->Clear();
        TDatabaseSuite::TearDownTestSuite();
    }

protected:
    void SetUp() override {
        owner = std::make_unique<TComponent>(nullptr);
        GlobalTableInfo()->Clear();
        GlobalTableInfo()->SetValidateAfterLoad(false);
        GlobalDataSetInfo()->Clear();
        GlobalErrorMessages()->Clear();
        folder = DB3().Folder() + "/cache-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ForceDirectories(folder);
    }
    void TearDown() override {
        owner.reset();
        GlobalTableInfo()->Clear();
    }
    static TFBDatabase* Connect(TComponent* Owner, TTestDatabase& T) { return ConnectTestDatabase(Owner, T); }
    TFBDatabase* Connect(TTestDatabase& T) { return Connect(owner.get(), T); }
    static void Exec(TFBDatabase* Db, const AnsiString& Sql) {
        TFBQuery q(nullptr);
        q.SetDatabase(Db);
        q.SetOptions({qoStartTransaction, qoAutoCommit});
        q.SQL()->SetText(Sql);
        q.ExecQuery();
    }
    std::unique_ptr<TComponent> owner;
    AnsiString folder;
};

TEST_F(DataInfoTest, ColumnsDefaultsAndKeysFromSystemTablesInBothDialects) {
    for (TTestDatabase* t : {&DB1(), &DB3()}) {
        SCOPED_TRACE(t->Dialect());
        TpFBTableInfo* info = GetTableInfo(Connect(*t), "DEFS", false);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->DBName, t->Path());
        ASSERT_EQ(info->Fields()->Count(), 7);
        EXPECT_EQ(info->Fields()->Strings(0), "ID");   // field-position order
        TpFBFieldInfo* e = info->FieldInfo("E");
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->DefaultText, "");
        EXPECT_TRUE(e->DefaultIsEmptyString);
        EXPECT_EQ(info->FieldInfo("Z")->DefaultText, "0");
        EXPECT_FALSE(info->FieldInfo("Z")->DefaultIsEmptyString);
        EXPECT_EQ(info->FieldInfo("L")->DefaultText, "A");
        EXPECT_EQ(info->FieldInfo("ID")->DefaultText, "");
        EXPECT_FALSE(info->FieldInfo("ID")->DefaultIsEmptyString);
        // A domain's own default counts when the column has none.
        TpFBFieldInfo* flag = info->FieldInfo("FLAG");
        EXPECT_EQ(flag->DomainName, "DBOOLEAN");
        EXPECT_EQ(flag->DefaultText, "1");
        EXPECT_TRUE(flag->IsBooleanDomain());
        EXPECT_FALSE(flag->IsGuidDomain());
        EXPECT_TRUE(info->FieldInfo("C")->Computed);
        EXPECT_FALSE(info->FieldInfo("ID")->Computed);
        EXPECT_FALSE(info->FieldInfo("NOTE")->UsableInWhere);
        EXPECT_TRUE(info->FieldInfo("ID")->UsableInWhere);
        EXPECT_EQ(info->FieldInfo("E")->CharacterSetId, 55);   // WIN1254
        EXPECT_GT(info->FormatVersion, 0);
        EXPECT_EQ(info->StoredPrimaryKeyFields(), DeferredPrimaryKey);
        EXPECT_EQ(info->PrimaryKeyFields(), "ID");
        EXPECT_EQ(info->FieldInfo("\" Z \""), info->FieldInfo("Z"));
        EXPECT_EQ(info->FieldInfo("z"), nullptr);   // exact names only
        EXPECT_FALSE(info->Transaction()->Active());
    }
}

TEST_F(DataInfoTest, ProgramSchemaTablesAndQuotedNamesShareEntries) {
    TFBDatabase* db = Connect(DB1());
    TpFBTableInfo* a = GetTableInfo(db, "EABONEKIMLIK", false);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Fields()->Count(), 38);
    EXPECT_EQ(a->PrimaryKeyFields(), "ABONENO");
    EXPECT_EQ(GetTableInfo(db, " \"EABONEKIMLIK\" ", false), a);
    EXPECT_EQ(GetFieldInfo(db, "EABONEKIMLIK", "ADI", false), a->FieldInfo("ADI"));
    EXPECT_EQ(GlobalTableInfo()->Count(), 1);
    GlobalTableInfo()->ClearForTable("\"EABONEKIMLIK\"");
    EXPECT_EQ(GlobalTableInfo()->Count(), 0);
}

TEST_F(DataInfoTest, StoredProcedureGivesItsOutputParameters) {
    TpFBTableInfo* p = GetTableInfo(Connect(DB3()), "ADDONE", false);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->Fields()->Count(), 2);
    for (const char* n : {"Y", "S"}) {
        TpFBFieldInfo* f = p->FieldInfo(n);
        ASSERT_NE(f, nullptr) << n;
        EXPECT_FALSE(f->Computed);
        EXPECT_EQ(f->DefaultText, "");
        EXPECT_FALSE(f->DefaultIsEmptyString);
    }
    EXPECT_EQ(p->FieldInfo("X"), nullptr);
}

TEST_F(DataInfoTest, RepositoryTablesAbsentOrNotUsed) {
    TFBDatabase* d1 = Connect(DB1());
    EXPECT_FALSE(ExistFieldsInfoTable(d1));
    EXPECT_FALSE(ExistDataSetsInfoTable(d1));
    EXPECT_FALSE(ExistRepositoryTable(d1, 3));
    EXPECT_FALSE(ExistBooleanDomain(d1));
    TpFBTableInfo* info = GetTableInfo(d1, "DEFS", true);
    EXPECT_FALSE(info->FieldInfo("Z")->HasRepositoryInfo);

    TFBDatabase* d3 = Connect(DB3());
    d3->SetUseRepositories({urDataSetInfo});
    EXPECT_FALSE(ExistFieldsInfoTable(d3));   // not in UseRepositories: never asked
    d3->SetUseRepositories({urFieldsInfo, urDataSetInfo});
    EXPECT_TRUE(ExistFieldsInfoTable(d3));

    // The data-set repository's messages.
    TpDataSetInfo row;
    EXPECT_THROW(ReadDataSetInfo(d3, 0, "ds", &row), Exception);
    EXPECT_EQ(MessageOf([&] { ReadDataSetInfo(d3, 5, "ds", &row); }), "Table FB$DATASETS_INFO does not exist.");
    d3->SetUseRepositories({urFieldsInfo});
    EXPECT_EQ(MessageOf([&] { GlobalDataSetInfo()->GetDataSetInfo(d3, 5, "ds"); }),
              "Can't use FB$DATASETS_INFO.\r\nurDataSetInfo not included into Database.UseRepositories.");
    EXPECT_EQ(MessageOf([&] { GlobalDataSetInfo()->GetDataSetInfo(nullptr, 5, "ds"); }),
              "Can't get info for 5\r\nDatabase is not assigned");
    EXPECT_TRUE(ExistFieldsInfoTable(d3));
    d3->Close();   // the answer goes with the connection: another database through the same object
    d3->SetDBName(DB1().Path());
    d3->Open();
    EXPECT_FALSE(ExistFieldsInfoTable(d3));
    ClearRepositoryFlags(d3);
}

TEST_F(DataInfoTest, FieldsRepositoryRowsAreApplied) {
    TFBDatabase* db = Connect(DB3());
    TpFBTableInfo* plain = GetTableInfo(db, "DEFS", false);
    EXPECT_FALSE(plain->FieldInfo("Z")->HasRepositoryInfo);
    // Asking again with the repository fills the same entry.
    TpFBTableInfo* info = GetTableInfo(db, "DEFS", true);
    ASSERT_EQ(info, plain);
    EXPECT_TRUE(info->WithRepositoryInfo);
    EXPECT_EQ(info->RepositoryVersion, 7);
    TpFBFieldInfo* z = info->FieldInfo("Z");
    EXPECT_TRUE(z->HasRepositoryInfo);
    EXPECT_EQ(z->DisplayLabel, "Sıfır");
    EXPECT_FALSE(z->Visible);
    EXPECT_TRUE(z->FilledByTrigger);
    EXPECT_EQ(z->DisplayWidth, 12);
    EXPECT_EQ(z->DisplayFormat, "#,##0");
    EXPECT_EQ(z->EditFormat, "0");
    EXPECT_EQ(z->ExtraColumns()->Values("HINT"), "ipucu");
    EXPECT_FALSE(info->FieldInfo("ID")->HasRepositoryInfo);
    EXPECT_TRUE(info->FieldInfo("ID")->Visible);

    GlobalTableInfo()->Clear();
    TpFBTableInfo* alias = GetTableInfo(db, "ALIAS", true);
    ASSERT_EQ(alias->Fields()->Count(), 1);
    EXPECT_EQ(alias->FieldInfo("TUTAR")->DisplayLabel, "Tutar");
    EXPECT_EQ(alias->FieldInfo("TUTAR")->DisplayWidth, 9);
    // A quote in a name does not end the text it is pasted into.
    EXPECT_NO_THROW(GetTableInfo(db, "O'BRIEN", true));
    ClearRepositoryFlags(db);
}

TEST_F(DataInfoTest, FreeingDatabaseDropsItsEntries) {
    {
        TComponent dm(nullptr);
        GetTableInfo(Connect(&dm, DB1()), "DEFS", false);
        EXPECT_EQ(GlobalTableInfo()->Count(), 1);
    }
    EXPECT_EQ(GlobalTableInfo()->Count(), 0);
}

TEST_F(DataInfoTest, TableCacheFileRoundTrip) {
    TFBDatabase* db = Connect(DB3());
    TpFBTableInfo* info = GetTableInfo(db, "DEFS", true);
    info->PrimaryKeyFields();
    const AnsiString file = folder + "/meta.mcf";
    SaveRepositories(file);
    ASSERT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(folder + "/meta.dt"));    // empty caches write nothing
    EXPECT_FALSE(FileExists(folder + "/meta.err"));
    // Written whole: no temporary file is left beside it.
    TSearchRec sr;
    Integer files = 0;
    for (Integer r = FindFirst(folder + "/*", faAnyFile, sr); r == 0; r = FindNext(sr)) ++files;
    FindClose(sr);
    EXPECT_EQ(files, 1);

    EXPECT_TRUE(LoadRepositories(file, false));
    ASSERT_EQ(GlobalTableInfo()->Count(), 1);
    TpFBTableInfo* back = GlobalTableInfo()->Items(0);
    EXPECT_TRUE(back->MustValidate);
    EXPECT_EQ(back->LoadedVersion, 5);
    EXPECT_EQ(back->DBName, DB3().Path());
    EXPECT_EQ(back->StoredPrimaryKeyFields(), "ID");
    EXPECT_TRUE(back->WithRepositoryInfo);
    EXPECT_EQ(back->RepositoryVersion, 7);
    ASSERT_EQ(back->Fields()->Count(), 7);
    TpFBFieldInfo* z = back->FieldInfo("Z");
    EXPECT_EQ(z->DisplayLabel, "Sıfır");
    EXPECT_EQ(z->ExtraColumns()->Values("HINT"), "ipucu");
    EXPECT_FALSE(z->Visible);
    EXPECT_TRUE(back->FieldInfo("E")->DefaultIsEmptyString);
    EXPECT_TRUE(back->FieldInfo("C")->Computed);
    EXPECT_EQ(back->FieldInfo("FLAG")->BooleanDomainState, 2);
    // The loaded entry is the one handed out.
    EXPECT_EQ(GetTableInfo(db, "DEFS", true), back);

    GlobalTableInfo()->Clear();
    SaveRepositories(file);
    EXPECT_FALSE(FileExists(file));
    EXPECT_FALSE(LoadRepositories(file, false));
    ClearRepositoryFlags(db);
}

TEST_F(DataInfoTest, ChangedTableIsReadAgainWhenValidating) {
    TFBDatabase* db = Connect(DB1());
    Exec(db, "CREATE TABLE CHG (A INTEGER)");
    GetTableInfo(db, "CHG", false);
    const AnsiString file = folder + "/meta.mcf";
    SaveRepositories(file);
    Exec(db, "ALTER TABLE CHG ADD B INTEGER");
    LoadRepositories(file, false);
    EXPECT_EQ(GetTableInfo(db, "CHG", false)->Fields()->Count(), 1);   // trusted as loaded
    LoadRepositories(file, true);
    TpFBTableInfo* fresh = GetTableInfo(db, "CHG", false);
    EXPECT_EQ(fresh->Fields()->Count(), 2);
    EXPECT_FALSE(fresh->MustValidate);
    // An unchanged table stays as loaded, now checked.
    SaveRepositories(file);
    LoadRepositories(file, true);
    TpFBTableInfo* same = GetTableInfo(db, "CHG", false);
    EXPECT_EQ(same, GlobalTableInfo()->Items(0));
    EXPECT_FALSE(same->MustValidate);
}

AnsiString Int(Integer V) { return AnsiString(reinterpret_cast<const char*>(&V), 4); }
AnsiString Str(const AnsiString& S) { return Int(static_cast<Integer>(S.size())) + S; }

TEST_F(DataInfoTest, TableFileHeadersAndDamage) {
    const AnsiString file = folder + "/t.mcf";
    const AnsiString magic("FB$MCF\0", 7);
    // One table with no columns: key, DBName, TableName, flag, two integers, key text, count.
    const AnsiString entry = Str("T1") + Str("db") + Str("T1") + AnsiString(1, '\0') + Int(3) + Int(0) +
                             Str("") + Int(0);
    struct Case { const char* Name; AnsiString Data; Integer Tables; } cases[] = {
        {"counted magic", Str(magic) + Int(5) + Int(1) + entry, 1},
        {"bare magic", magic + Int(5) + Int(1) + entry, 1},
        {"newer version", Str(magic) + Int(6) + Int(1) + entry, 1},
        {"version 4", Str(magic) + Int(4) + Int(1) + entry, 0},
        {"other magic", Str("XX") + Int(5) + Int(1) + entry, 0},
        {"cut short", Str(magic) + Int(5) + Int(2) + entry + entry.substr(0, 9), 0},
        {"huge count", Str(magic) + Int(5) + Int(0x7FFFFFFF) + entry, 0},
        {"negative text length", Str(magic) + Int(5) + Int(1) + Int(-5) + entry, 0},
        {"empty file", AnsiString(), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        SaveFileAtomically(file, c.Data);
        EXPECT_TRUE(GlobalTableInfo()->LoadFromFile(file));
        ASSERT_EQ(GlobalTableInfo()->Count(), c.Tables);
        if (c.Tables) {
            EXPECT_EQ(GlobalTableInfo()->Keys(0), "T1");
            EXPECT_EQ(GlobalTableInfo()->Items(0)->FormatVersion, 3);
            EXPECT_EQ(GlobalTableInfo()->Items(0)->StoredPrimaryKeyFields(), "");
        }
    }
}

TEST_F(DataInfoTest, DataSetFileRoundTrip) {
    const AnsiString file = folder + "/d.dt";
    // Only the file can fill this cache without a repository; build one by hand.
    const AnsiString magic("FB$MCFDS\0", 9);
    const AnsiString data = Str(magic) + Int(1) + Int(1) + Str("12") + Str("db") + Int(4) +
                            Str("select *\r\nfrom T\r\n") + Str("") + Str("") + Str("") + Str("") + Str("ID") +
                            Str("GEN_T") + Str("Açıklama") + Str("T") + Str("") + AnsiString(1, '\1');
    SaveFileAtomically(file, data);
    EXPECT_TRUE(GlobalDataSetInfo()->LoadFromFile(file));
    TpDataSetInfo* d = GlobalDataSetInfo()->Find(12, "db");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->SelectSQL()->Count(), 2);
    EXPECT_EQ(d->KeyField, "ID");
    EXPECT_EQ(d->Description, "Açıklama");
    EXPECT_TRUE(d->UpdateOnlyModifiedFields);
    EXPECT_TRUE(d->MustValidate);
    GlobalDataSetInfo()->SaveToFile(file);
    EXPECT_EQ(LoadFileToString(file), data);
    SaveFileAtomically(file, data.substr(0, data.size() - 3));
    EXPECT_TRUE(GlobalDataSetInfo()->LoadFromFile(file));
    EXPECT_EQ(GlobalDataSetInfo()->Count(), 0);
}

TEST_F(DataInfoTest, ErrorMessagesKeepHighestVersionAndSurviveForeignFiles) {
    TpErrorMessagesCollect& m = *GlobalErrorMessages();
    m.Add("db", "PK_X", 2, "iki");
    m.Add("db", "PK_X", 1, "bir");
    m.Add("db", "PK_X", 2, "yine iki");
    m.Add("db", "FK_Y", 1, "fk");
    EXPECT_EQ(m.Find("db", "PK_X")->Text, "iki");
    const AnsiString file = folder + "/e.err";
    m.SaveToFile(file);
    m.Clear();
    m.LoadFromFile(file);
    ASSERT_NE(m.Find("db", "PK_X"), nullptr);
    EXPECT_EQ(m.Find("db", "PK_X")->Version, 2);
    EXPECT_EQ(m.Find("db", "FK_Y")->Text, "fk");
    for (const AnsiString& foreign :
         {Int(2) + Str(AnsiString("FB$Error_messages\0", 18)) + Int(0) + Int(0), AnsiString("junk"),
          Int(1) + Str(AnsiString("FB$Error_messages\0", 18)) + Int(0) + Int(3)}) {
        SaveFileAtomically(file, foreign);
        m.LoadFromFile(file);
        EXPECT_EQ(m.DatabaseCount(), 1);
        EXPECT_NE(m.Find("db", "FK_Y"), nullptr);
    }
}

TEST_F(DataInfoTest, UpgradeAddsRepositoryColumns) {
    TTestDatabase t(3, false);
    t.Execute("CREATE TABLE FB$DATASETS_INFO (DS_ID INTEGER NOT NULL, DESCRIPTION VARCHAR(40), "
              "SELECT_SQL BLOB SUB_TYPE 1, UPDATE_SQL BLOB SUB_TYPE 1, INSERT_SQL BLOB SUB_TYPE 1, "
              "DELETE_SQL BLOB SUB_TYPE 1, REFRESH_SQL BLOB SUB_TYPE 1, NAME_GENERATOR VARCHAR(68), "
              "KEY_FIELD VARCHAR(68))");
    t.Execute("INSERT INTO FB$DATASETS_INFO (DS_ID, DESCRIPTION, SELECT_SQL, KEY_FIELD) "
              "VALUES (3, 'liste', 'select * from T', 'ID')");
    t.Execute("CREATE TABLE FB$FIELDS_INFO (TABLE_NAME VARCHAR(68) NOT NULL, FIELD_NAME VARCHAR(68) NOT NULL, "
              "DISPLAY_LABEL VARCHAR(64)); CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY)");
    TFBDatabase* db = Connect(t);
    // Before the upgrade, through the cache file: what it lacked stays marked, keys read, entries checked.
    GlobalDataSetInfo()->GetDataSetInfo(db, 3, "ds");
    GetTableInfo(db, "T", true);
    SaveRepositories(folder + "/old.mcf");
    LoadRepositories(folder + "/old.mcf", false);
    const TpDataSetInfo* old = GlobalDataSetInfo()->Find(3, db->DBName());
    EXPECT_EQ(Integer(old->HasDescription) + old->HasUpdateTableName + old->HasUpdateOnlyModifiedFields + old->HasConditions, 1);
    EXPECT_EQ(GetTableInfo(db, "T", false)->PrimaryKeyFields(), "ID");
    LoadRepositories(folder + "/old.mcf", true);
    EXPECT_EQ(GlobalDataSetInfo()->GetDataSetInfo(db, 3, "ds")->KeyField, "ID");
    EXPECT_FALSE(GetTableInfo(db, "T", true)->MustValidate);
    GlobalDataSetInfo()->Clear();
    TFBTransaction tr(nullptr);
    tr.SetDefaultDatabase(db);
    UpgradeDataSetsInfoTable(&tr);
    UpgradeDataSetsInfoTable(&tr);   // again: every step fails quietly
    tr.Commit();
    EXPECT_TRUE(ExistBooleanDomain(db));
    TpDataSetInfo* d = GlobalDataSetInfo()->GetDataSetInfo(db, 3, "ds");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(FastTrim(d->SelectSQL()->Text()), "select * from T");
    EXPECT_EQ(d->KeyField, "ID");
    EXPECT_EQ(d->Description, "liste");
    EXPECT_TRUE(d->UpdateOnlyModifiedFields);   // the new column's default
    EXPECT_EQ(GlobalDataSetInfo()->GetDataSetInfo(db, 3, "ds"), d);
    ClearRepositoryFlags(db);
    delete db;
}

}  // namespace
