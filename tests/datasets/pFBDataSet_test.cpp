#include "datasets/pFBDataSet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "dbclient/FBMessages.h"
#include "dbclient/FBTransaction.h"
#include "support/db/TestDatabase.h"

namespace {

class pFBDataSetTest : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        FDB = std::make_unique<TTestDatabase>(1, true);
        FDB->Execute(
            "CREATE TABLE KV (K INTEGER NOT NULL PRIMARY KEY, V VARCHAR(10));"
            "CREATE TABLE K2 (A INTEGER NOT NULL, B INTEGER NOT NULL, V VARCHAR(10), PRIMARY KEY (A, B));"
            "CREATE TABLE LOG (MSG VARCHAR(40));"
            "CREATE TABLE DEFS (ID INTEGER, D DATE, S VARCHAR(20), N INTEGER, G CHAR(38));"
            "CREATE GENERATOR GEN_DEFS_ID;");
    }
    static void TearDownTestSuite() { FDB.reset(); }

protected:
    void SetUp() override {
        FDB->Execute(
            "DELETE FROM EABONEKIMLIK; DELETE FROM EFATURA; DELETE FROM KV; DELETE FROM K2; DELETE FROM LOG;"
            "DELETE FROM DEFS;"
            "INSERT INTO EABONEKIMLIK (ABONENO, ADI, KIRATUTARI) VALUES (\"100\", \"Ahmet\", 10.25);"
            "INSERT INTO EABONEKIMLIK (ABONENO, ADI, KIRATUTARI) VALUES (\"200\", \"Ayşe\", 20.5);"
            "INSERT INTO KV VALUES (1, \"a\"); INSERT INTO KV VALUES (2, \"a\"); INSERT INTO KV VALUES (3, \"c\");"
            "INSERT INTO K2 VALUES (1, 1, \"x\");");
        Owner = std::make_unique<TComponent>(nullptr);
        Owner->SetName("dm");
        Db = new TFBDatabase(Owner.get());
        Db->SetName("Db");
        Db->SetDBName(FDB->Path());
        Db->SetSQLDialect(1);
        Db->DBParams()->Add(AnsiString("user_name=") + TTestDatabase::UserName);
        Db->DBParams()->Add(AnsiString("password=") + TTestDatabase::Password);
        Db->DBParams()->Add("lc_ctype=WIN1254");
        Db->Open();
        Tr = new TFBTransaction(Owner.get());
        Tr->SetName("Tr");
        Tr->SetDefaultDatabase(Db);
        Tr->TRParams()->SetText("write\r\nnowait\r\nrec_version\r\nread_committed");
        Db->SetDefaultTransaction(Tr);
    }
    void TearDown() override { Owner.reset(); }

    TpFBDataSet* NewDataSet(const AnsiString& Sql, const char* Name = "ds") {
        auto* Ds = new TpFBDataSet(Owner.get());
        Ds->SetName(Name);
        Ds->SetDatabase(Db);
        Ds->SetTransaction(Tr);
        Ds->SelectSQL()->SetText(Sql);
        return Ds;
    }
    // The screens' texts for the electricity subscribers.
    TpFBDataSet* Subscribers() {
        TpFBDataSet* Ds = NewDataSet("select * from EABONEKIMLIK order by ABONENO");
        Ds->InsertSQL()->SetText(
            "insert into EABONEKIMLIK (ABONENO, ADI, KIRATUTARI, ABONETARIHI) values (?ABONENO, ?ADI, ?KIRATUTARI, "
            "?ABONETARIHI)");
        Ds->UpdateSQL()->SetText(
            "update EABONEKIMLIK set ABONENO = ?NEW_ABONENO, ADI = ?ADI, KIRATUTARI = ?KIRATUTARI where ABONENO = "
            "?OLD_ABONENO");
        Ds->DeleteSQL()->SetText("delete from EABONEKIMLIK where ABONENO = ?OLD_ABONENO");
        Ds->RefreshSQL()->SetText("select * from EABONEKIMLIK where ABONENO = ?ABONENO");
        return Ds;
    }
    AnsiString Scalar(const AnsiString& Sql) {
        TFBTransaction T(nullptr);
        T.SetDefaultDatabase(Db);
        T.StartTransaction();
        TFBQuery Q(nullptr);
        Q.SetDatabase(Db);
        Q.SetTransaction(&T);
        Q.SQL()->SetText(Sql);
        Q.ExecQuery();
        AnsiString R = Q.Eof() ? AnsiString("<none>") : (Q.Fields(0)->IsNull() ? AnsiString("<null>") : Q.Fields(0)->AsString());
        Q.Close();
        T.Commit();
        return R;
    }

    static std::unique_ptr<TTestDatabase> FDB;
    std::unique_ptr<TComponent> Owner;
    TFBDatabase* Db = nullptr;
    TFBTransaction* Tr = nullptr;
};

std::unique_ptr<TTestDatabase> pFBDataSetTest::FDB;

// ---- writing through the screen's texts --------------------------------------------------------

TEST_F(pFBDataSetTest, InsertEditDeleteThroughScreenTextsAreCommittedAndSeenAfterReopening) {
    TpFBDataSet* Ds = Subscribers();
    Ds->SetAutoCommit(true);
    Ds->Open();
    Ds->Append();
    Ds->FieldByName("ABONENO")->SetAsString("300");
    Ds->FieldByName("ADI")->SetAsString("Çağrı Şükrü İĞÖ");
    Ds->FieldByName("KIRATUTARI")->SetAsFloat(1234.56);
    Ds->FieldByName("ABONETARIHI")->SetAsString("15.03.2016");
    Ds->Post();
    EXPECT_EQ(Ds->State(), dsBrowse);

    Ds->First();
    Ds->Edit();
    Ds->FieldByName("ABONENO")->SetAsString("101");
    Ds->FieldByName("KIRATUTARI")->SetAsFloat(0.1);
    Ds->Post();
    Ds->Locate("ABONENO", Variant("200"), {});
    Ds->Delete();
    Ds->FetchAll();
    EXPECT_EQ(Ds->RecordCount(), 2);

    // Another transaction sees what was committed.
    EXPECT_EQ(Scalar("select ADI from EABONEKIMLIK where ABONENO = '300'"), "Çağrı Şükrü İĞÖ");
    EXPECT_EQ(Scalar("select ABONETARIHI from EABONEKIMLIK where ABONENO = '300'"), "15.03.2016");
    EXPECT_EQ(Scalar("select count(*) from EABONEKIMLIK where ABONENO = '200'"), "0");
    Ds->Close();
    Ds->Open();
    AnsiString Rows;
    for (; !Ds->Eof(); Ds->Next())
        Rows += Ds->FieldByName("ABONENO")->AsString() + "=" + Ds->FieldByName("ADI")->AsString() + ";";
    EXPECT_EQ(Rows, "101=Ahmet;300=Çağrı Şükrü İĞÖ;");
    Ds->First();
    EXPECT_DOUBLE_EQ(Ds->FieldByName("KIRATUTARI")->AsFloat(), 0.1);
    Ds->Next();
    EXPECT_DOUBLE_EQ(Ds->FieldByName("KIRATUTARI")->AsFloat(), 1234.56);
}

TEST_F(pFBDataSetTest, AFailingInsertRaisesAndLeavesTheRecordInInsertState) {
    TpFBDataSet* Ds = Subscribers();
    Ds->Open();
    Ds->FetchAll();   // the open cursor would also see the transaction's own new row
    Ds->Insert();
    Ds->FieldByName("ABONENO")->SetAsString("200");   // the key exists
    Ds->FieldByName("ADI")->SetAsString("İkinci");
    EXPECT_THROW(Ds->Post(), EFBError);
    EXPECT_EQ(Ds->State(), dsInsert);
    EXPECT_EQ(Ds->FieldByName("ADI")->AsString(), "İkinci");
    Ds->FieldByName("ABONENO")->SetAsString("201");
    Ds->Post();
    Ds->FetchAll();
    EXPECT_EQ(Ds->RecordCount(), 3);
    Tr->Commit();
    EXPECT_EQ(Scalar("select ADI from EABONEKIMLIK where ABONENO = '201'"), "İkinci");
}

TEST_F(pFBDataSetTest, TheUpdateTransactionIsStartedWhenNeededAndRollbackIsNoted) {
    TpFBDataSet* Ds = Subscribers();
    Ds->Open();
    Tr->Commit();   // closes the data set
    Ds->Open();
    Ds->Edit();
    Ds->FieldByName("ADI")->SetAsString("Mehmet");
    Ds->Post();
    EXPECT_TRUE(Ds->ChangesWritten());
    Tr->RollbackRetaining();
    EXPECT_FALSE(Ds->ChangesWritten());
    EXPECT_TRUE(Ds->ChangesRolledBack());
    EXPECT_EQ(Scalar("select ADI from EABONEKIMLIK where ABONENO = '100'"), "Ahmet");
}

TEST_F(pFBDataSetTest, ARefreshAfterPostReadsWhatTheServerStored) {
    TpFBDataSet* Ds = Subscribers();
    // The refresh reads back the row as stored: the name is upper-cased by the statement.
    Ds->UpdateSQL()->SetText("update EABONEKIMLIK set ADI = upper(?ADI) where ABONENO = ?OLD_ABONENO");
    Ds->Open();
    Ds->Edit();
    Ds->FieldByName("ADI")->SetAsString("ahmet");
    Ds->Post();
    EXPECT_EQ(Ds->FieldByName("ADI")->AsString(), "AHMET");
    Ds->SetOptions(Ds->Options() - TpFBDsOptions{poRefreshAfterPost});
    Ds->Edit();
    Ds->FieldByName("ADI")->SetAsString("veli");
    Ds->Post();
    EXPECT_EQ(Ds->FieldByName("ADI")->AsString(), "veli");
}

TEST_F(pFBDataSetTest, NoActionSkipsTheStatementButNotTheUpdateObjectsOfAnUpdate) {
    TpFBDataSet* Ds = NewDataSet("select * from KV order by K");
    Ds->UpdateSQL()->SetText("No Action\r\nupdate KV set V = 'never'");
    Ds->DeleteSQL()->SetText("No Action");
    auto* Before = new TpFBUpdateObject(Owner.get());
    Before->SQL()->SetText("insert into LOG values ('edit ' || ?NEW_V)");
    Before->SetDataSet(Ds);
    auto* OnDelete = new TpFBUpdateObject(Owner.get());
    OnDelete->SetKindUpdate(ukDelete);
    OnDelete->SQL()->SetText("insert into LOG values ('delete')");
    OnDelete->SetDataSet(Ds);
    Ds->Open();
    Ds->Edit();
    Ds->FieldByName("V")->SetAsString("b");
    Ds->Post();
    Ds->FetchAll();
    Ds->First();
    Ds->Delete();
    EXPECT_EQ(Ds->RecordCount(), 2);
    EXPECT_EQ(Ds->FieldByName("K")->AsInteger(), 2);
    Tr->Commit();
    EXPECT_EQ(Scalar("select V from KV where K = 1"), "a");
    EXPECT_EQ(Scalar("select count(*) from KV"), "3");
    EXPECT_EQ(Scalar("select list(MSG) from LOG"), "edit b");
}

TEST_F(pFBDataSetTest, UpdateObjectsRunBeforeAndAfterTheOwnStatementInListOrder) {
    TpFBDataSet* Ds = NewDataSet("select * from KV order by K");
    Ds->InsertSQL()->SetText("insert into KV values (?K, ?V)");
    // The log shows the order: the insert is seen by the after-object's count.
    auto Make = [&](const char* Sql, TFBOrderExecUO Order, Integer Pos) {
        auto* U = new TpFBUpdateObject(Owner.get());
        U->SetKindUpdate(ukInsert);
        U->SetExecuteOrder(Order);
        U->SQL()->SetText(Sql);
        U->SetOrderInList(Pos);
        U->SetDataSet(Ds);
        return U;
    };
    Make("insert into LOG select 'after ' || count(*) from KV", oeAfterDefault, 0);
    Make("insert into LOG select 'before ' || count(*) from KV", oeBeforeDefault, 0);
    TpFBUpdateObject* Off = Make("insert into LOG values ('inactive')", oeBeforeDefault, 0);
    Off->SetActive(false);
    EXPECT_EQ(Ds->UpdateObjects(ukInsert)[0], Off);
    Ds->Open();
    Ds->Append();
    Ds->FieldByName("K")->SetAsInteger(9);
    Ds->Post();
    Tr->Commit();
    EXPECT_EQ(Scalar("select list(MSG, '|') from LOG"), "before 3|after 4");
}

TEST_F(pFBDataSetTest, AnUpdateObjectMakesEditingPossibleOnlyWhenTheKindIsAllowed) {
    TpFBDataSet* Ds = NewDataSet("select * from KV order by K");
    Ds->Open();
    EXPECT_FALSE(Ds->CanInsert());
    auto* U = new TpFBUpdateObject(Owner.get());
    U->SetKindUpdate(ukInsert);
    U->SetDataSet(Ds);
    EXPECT_TRUE(Ds->CanInsert());
    EXPECT_FALSE(Ds->CanEdit());
    Ds->SetAllowedUpdateKinds({ukModify, ukDelete});
    EXPECT_FALSE(Ds->CanInsert());
    // Refused silently (an abort), as the screen expects.
    Ds->DeleteSQL()->SetText("delete from KV where K = ?OLD_K");
    EXPECT_THROW(Ds->Insert(), EAbort);
    EXPECT_EQ(Ds->State(), dsBrowse);
}

// ---- generated statements -------------------------------------------------------------------------

TEST_F(pFBDataSetTest, GeneratedStatementsOfATableWithOneKey) {
    TpFBDataSet* Ds = NewDataSet("select * from KV");
    Ds->Open();
    struct {
        Integer Kind;
        const char* Expected;
    } Cases[] = {
        {0, "Update KV KV Set\r\n     K=?NEW_K,\r\n     V=?NEW_V\r\nwhere KV.K=?OLD_K"},
        {1, "Insert into KV(\r\n     K,\r\n     V\r\n)\r\nvalues (\r\n     ?NEW_K,\r\n     ?NEW_V\r\n)"},
        {2, "Delete from KV KV\r\nwhere KV.K=?OLD_K"},
    };
    for (const auto& C : Cases) {
        AnsiString S;
        Ds->GenerateModifySQL("KV", "K", S, 0, C.Kind);
        EXPECT_EQ(S, C.Expected) << C.Kind;
    }
    AnsiString R;
    Ds->GenerateModifySQL("KV", "K", R, 0, 3);
    EXPECT_NE(R.find("KV.K=?OLD_K"), AnsiString::npos) << R;
    AnsiString Empty = "x";
    Ds->GenerateModifySQL("", "K", Empty, 0, 0);
    EXPECT_EQ(Empty, "");
}

TEST_F(pFBDataSetTest, TheKeyConditionNamesTheLastKeyFirstAndAMissingKeyRaises) {
    TpFBDataSet* Ds = NewDataSet("select * from K2");
    Ds->Open();
    AnsiString S;
    Ds->GenerateModifySQL("K2", "A;B", S, 0, 2);
    EXPECT_EQ(S, "Delete from K2 K2\r\nwhere K2.B=?OLD_B and K2.A=?OLD_A");
    TpFBDataSet* Other = NewDataSet("select * from KV", "other");
    Other->Open();
    try {
        Other->GenerateModifySQL("KV", "NOPE", S, 0, 0);
        FAIL();
    } catch (Exception& E) {
        EXPECT_EQ(E.Message(),
                  "dm.other: unable to generate UpdateSQL because fields for \"KV\" do not exist in dataset.");
    }
}

TEST_F(pFBDataSetTest, StatementsGeneratedOnOpenWriteTheRows) {
    TpFBDataSet* Ds = NewDataSet("select ABONENO, ADI, KIRATUTARI from EABONEKIMLIK order by ABONENO");
    Ds->AutoUpdateOptions()->SetUpdateTableName("EABONEKIMLIK");
    Ds->AutoUpdateOptions()->SetAutoReWriteSqls(true);
    Ds->SetAutoCommit(true);
    Ds->Open();
    EXPECT_EQ(Ds->AutoUpdateOptions()->KeyFields(), "ABONENO");
    EXPECT_EQ(Ds->DeleteSQL()->Text(), "Delete from EABONEKIMLIK EABONEKIMLIK\r\nwhere EABONEKIMLIK.ABONENO=?OLD_ABONENO\r\n");
    Ds->Edit();
    Ds->FieldByName("ADI")->SetAsString("Ömer");
    Ds->Post();
    Ds->Append();
    Ds->FieldByName("ABONENO")->SetAsString("900");
    Ds->FieldByName("KIRATUTARI")->SetAsFloat(99.99);
    Ds->Post();
    Ds->Locate("ABONENO", Variant("200"), {});
    Ds->Delete();
    EXPECT_EQ(Scalar("select ADI from EABONEKIMLIK where ABONENO = '100'"), "Ömer");
    EXPECT_EQ(Scalar("select cast(KIRATUTARI * 100 as integer) from EABONEKIMLIK where ABONENO = '900'"), "9999");
    EXPECT_EQ(Scalar("select count(*) from EABONEKIMLIK"), "2");
}

TEST_F(pFBDataSetTest, OnlyModifiedFieldsAreWrittenAndNoChangeIsNoAction) {
    TpFBDataSet* Ds = NewDataSet("select * from K2");
    TAutoUpdateOptions* O = Ds->AutoUpdateOptions();
    O->SetUpdateTableName("K2");
    O->SetKeyFields("A;B");
    O->SetAutoReWriteSqls(true);
    O->SetCanChangeSQLs(true);
    O->SetUpdateOnlyModifiedFields(true);
    Ds->Open();
    EXPECT_TRUE(Ds->CanEdit());
    Ds->Edit();
    Ds->Post();
    EXPECT_EQ(Ds->UpdateSQL()->Strings(0), "No Action");
    Ds->Edit();
    Ds->FieldByName("V")->SetAsString("y");
    Ds->Post();
    EXPECT_EQ(Ds->UpdateSQL()->Text(), "Update K2 K2 Set\r\n     V=?NEW_V\r\nwhere K2.B=?OLD_B and K2.A=?OLD_A\r\n");
    Tr->Commit();
    EXPECT_EQ(Scalar("select V from K2"), "y");
}

// ---- record locks -----------------------------------------------------------------------------------

TEST_F(pFBDataSetTest, ALockOfTwoRowsReportsMultiplyAndRaisesWithItsMessage) {
    TpFBDataSet* Ds = NewDataSet("select * from KV order by K");
    Ds->UpdateSQL()->SetText("update KV set V = ?V where V = ?OLD_V");
    Ds->Open();
    EXPECT_EQ(Ds->LockRecord(false), lsMultiply);
    try {
        Ds->LockRecord(true);
        FAIL();
    } catch (Exception& E) {
        EXPECT_EQ(E.Message(), "Error of record updating:Attempt to edit multiple records");
    }
    Ds->Last();
    EXPECT_EQ(Ds->LockRecord(false), lsSuccess);
    TpFBDataSet* NoSql = NewDataSet("select * from KV", "nosql");
    NoSql->Open();
    try {
        NoSql->LockRecord(true);
        FAIL();
    } catch (Exception& E) {
        EXPECT_EQ(E.Message(), "Unable to lock record. Update query is empty");
    }
}

TEST_F(pFBDataSetTest, ProtectedEditLocksTheRowAgainstAnotherTransaction) {
    TpFBDataSet* A = NewDataSet("select * from KV order by K", "a");
    A->UpdateSQL()->SetText("update KV set V = ?V where K = ?OLD_K");
    A->SetOptions(A->Options() + TpFBDsOptions{poProtectedEdit});
    A->Open();
    A->Edit();
    EXPECT_EQ(A->State(), dsEdit);
    auto* Tr2 = new TFBTransaction(Owner.get());
    Tr2->SetName("Tr2");
    Tr2->SetDefaultDatabase(Db);
    Tr2->TRParams()->SetText("write\r\nnowait\r\nrec_version\r\nread_committed");
    TpFBDataSet* B = NewDataSet("select * from KV order by K", "b");
    B->SetTransaction(Tr2);
    B->SetUpdateTransaction(Tr2);
    B->UpdateSQL()->SetText("update KV set V = ?V where K = ?OLD_K");
    B->SetOptions(B->Options() + TpFBDsOptions{poProtectedEdit});
    B->Open();
    TLockStatus Seen = lsSuccess;
    B->OnLockError = [&](TDataSet*, TLockStatus S, AnsiString& Msg, TDataAction& Action) {
        Seen = S;
        EXPECT_EQ(Msg, "Error of record updating:Deadlock detected");
        Action = daAbort;
    };
    EXPECT_THROW(B->Edit(), EAbort);
    EXPECT_EQ(Seen, lsDeadLock);
    EXPECT_EQ(B->State(), dsBrowse);
    A->FieldByName("V")->SetAsString("z");
    A->Post();
    EXPECT_EQ(A->UpdateStatus(), usModified);   // the lock holds until the end of the transaction
    Tr->Commit();
    A->Open();
    EXPECT_EQ(A->UpdateStatus(), usUnmodified);
    EXPECT_EQ(A->FieldByName("V")->AsString(), "z");
}

// ---- new records ---------------------------------------------------------------------------------------

TEST_F(pFBDataSetTest, DefaultValuesOfANewRecord) {
    TpFBDataSet* Ds = NewDataSet("select * from DEFS");
    Ds->InsertSQL()->SetText("insert into DEFS values (?ID, ?D, ?S, ?N, ?G)");
    Ds->SetDefaultExpression("D", "tomorrow");
    Ds->SetDefaultExpression("S", "'Türkçe'");
    Ds->Open();
    Ds->Append();
    EXPECT_DOUBLE_EQ(Ds->FieldByName("D")->AsDateTime(), std::floor(Now()) + 1);
    EXPECT_EQ(Ds->FieldByName("S")->AsString(), "Türkçe");
    Ds->Cancel();
    Ds->SetDefaultExpression("S", "tomorrow");
    Ds->SetDefaultExpression("N", "NULL");
    Ds->Append();
    EXPECT_EQ(Ds->FieldByName("S")->AsString(), "tomorrow");
    EXPECT_TRUE(Ds->FieldByName("N")->IsNull());
    Ds->Cancel();
}

TEST_F(pFBDataSetTest, GeneratorValuesOnNewRecordOrBeforePost) {
    TpFBDataSet* Ds = NewDataSet("select * from DEFS");
    Ds->InsertSQL()->SetText("insert into DEFS (ID, S) values (?ID, ?S)");
    TAutoUpdateOptions* O = Ds->AutoUpdateOptions();
    O->SetKeyFields("ID");
    O->SetGeneratorName("GEN_DEFS_ID");
    O->SetWhenGetGenID(wgOnNewRecord);
    Ds->Open();
    Ds->Append();
    const Integer First = Ds->FieldByName("ID")->AsInteger();
    EXPECT_GT(First, 0);
    Ds->Post();
    O->SetWhenGetGenID(wgBeforePost);
    Ds->Append();
    EXPECT_TRUE(Ds->FieldByName("ID")->IsNull());
    Ds->FieldByName("S")->SetAsString("x");
    Ds->Post();
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), First + 1);
}

TEST(pFBDataSetFormat, FormatForScale) {
    struct {
        const char* Format;
        Integer Scale;
        const char* Expected;
    } Cases[] = {
        {"#,##0.", 2, "#,##0.00"}, {"0.0", 3, "0.000"}, {"0.00", 3, "0.00"}, {"", 2, ""}, {"0", 2, "0"},
    };
    for (const auto& C : Cases) EXPECT_EQ(FormatForScale(C.Format, C.Scale), C.Expected) << C.Format;
}

// ---- events -------------------------------------------------------------------------------------------

TEST_F(pFBDataSetTest, TheContainerHearsTheEventsAndUserEventsReachTheDataSet) {
    TpFBDataSet* Ds = Subscribers();
    auto* C = new TDataSetsContainer(Owner.get());
    C->SetName("c");
    std::vector<TKindDataSetEvent> Seen;
    C->OnDataSetEvent = [&](TDataSet*, TKindDataSetEvent K) {
        if (K != deBeforeScroll && K != deAfterScroll && K != deOnCalcFields) Seen.push_back(K);
    };
    Ds->SetContainer(C);
    Ds->Open();
    Ds->Edit();
    Ds->FieldByName("ADI")->SetAsString("Ali");
    Ds->Post();
    std::vector<TKindDataSetEvent> Want{deBeforeOpen, deAfterOpen, deBeforeEdit, deAfterEdit,
                                        deBeforePost, deBeforeRefresh, deAfterRefresh, deAfterPost};
    EXPECT_EQ(Seen, Want);
    // A failing post goes to the container and then to the data set's own handler.
    std::vector<int> Errors;
    C->OnDataSetError = [&](TDataSet*, TKindDataSetError K, EDatabaseError&, TDataAction&) { Errors.push_back(K); };
    Ds->OnPostError = [&](TDataSet*, EDatabaseError&, TDataAction&) { Errors.push_back(100); };
    Ds->Insert();
    Ds->FieldByName("ABONENO")->SetAsString("200");
    EXPECT_THROW(Ds->Post(), EFBError);
    EXPECT_EQ(Errors, (std::vector<int>{deOnPostError, 100}));
    Ds->Cancel();
    AnsiString Names;
    Ds->OnUserEvent = [&](TObject*, TDataSet*, const AnsiString& N, const Variant&) { Names += N + ";"; };
    Ds->DoUserEvent(nullptr, "Close", Variant());
    EXPECT_FALSE(Ds->Active());
    Ds->DoUserEvent(nullptr, "open", Variant());
    EXPECT_TRUE(Ds->Active());
    EXPECT_EQ(Names, "Close;open;");
}

TEST_F(pFBDataSetTest, TheServerRecordCountCountsTheSelectsRows) {
    TpFBDataSet* Ds = NewDataSet("select * from KV where K > ?LOW");
    Ds->Prepare();
    Ds->SelectQuery()->ParamByName("LOW")->SetAsInteger(1);
    Ds->Open();
    EXPECT_EQ(Ds->GetServerRecordCount(), 2);
    Ds->OnAskRecordCount = [](TDataSet*, AnsiString& Sql) { Sql = "select count(*) from nothere"; };
    try {
        Ds->GetServerRecordCount();
        FAIL();
    } catch (Exception& E) {
        EXPECT_EQ(E.Message(), "dm.ds unable to get number of records");
    }
}

}  // namespace
