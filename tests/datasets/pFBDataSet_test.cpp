#include "datasets/pFBDataSet.h"
#include "platform/Raised.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <vector>
#include <memory>

#include "dbclient/FBMessages.h"
#include "dbclient/FBTransaction.h"
#include "dbclient/StrUtil.h"
#include "dbclient/pFBDataInfo.h"
#include "support/db/DbTest.h"

namespace {

class pFBDataSetTest : public TDbTest {
public:
    static void SetUpTestSuite() {
        DB1().Execute(
            "CREATE TABLE KV (K INTEGER NOT NULL PRIMARY KEY, V VARCHAR(10));"
            "CREATE TABLE K2 (A INTEGER NOT NULL, B INTEGER NOT NULL, V VARCHAR(10), PRIMARY KEY (A, B));"
            "CREATE TABLE LOG (MSG VARCHAR(40));"
            "CREATE TABLE DEFS (ID INTEGER, D DATE, S VARCHAR(20), N INTEGER, G CHAR(38));"
            "CREATE GENERATOR GEN_DEFS_ID;"
            "CREATE DOMAIN DBOOLEAN AS SMALLINT DEFAULT 0;"
            "CREATE TABLE EMPTYDEF (ID INTEGER NOT NULL, S VARCHAR(10) DEFAULT '' NOT NULL, T VARCHAR(10));"
            "CREATE TABLE ATTRS (ID INTEGER NOT NULL, QTY INTEGER DEFAULT 5, NAME VARCHAR(10) DEFAULT \"yok\", "
            "  FLAG DBOOLEAN, TOTAL COMPUTED BY (QTY * 2));"
            "CREATE TABLE FB$DATASETS_INFO (DS_ID INTEGER NOT NULL, DESCRIPTION VARCHAR(40), "
            "  SELECT_SQL BLOB SUB_TYPE 1, UPDATE_SQL BLOB SUB_TYPE 1, INSERT_SQL BLOB SUB_TYPE 1, "
            "  DELETE_SQL BLOB SUB_TYPE 1, REFRESH_SQL BLOB SUB_TYPE 1, NAME_GENERATOR VARCHAR(68), "
            "  KEY_FIELD VARCHAR(68), UPDATE_TABLE_NAME VARCHAR(68), UPDATE_ONLY_MODIFIED_FIELDS SMALLINT, "
            "  CONDITIONS BLOB SUB_TYPE 1);");
        DB1().Execute(
            "INSERT INTO FB$DATASETS_INFO (DS_ID, SELECT_SQL, KEY_FIELD, NAME_GENERATOR, UPDATE_ONLY_MODIFIED_FIELDS) "
            "  VALUES (7, \"select * from KV order by K\", \"K\", \"GEN_DEFS_ID\", 1);"
            "INSERT INTO FB$DATASETS_INFO (DS_ID, DESCRIPTION, UPDATE_ONLY_MODIFIED_FIELDS) VALUES (8, \"boş\", 0);"
            "CREATE TABLE TRG (K INTEGER NOT NULL PRIMARY KEY, V INTEGER CHECK (V < 100), M BLOB SUB_TYPE 1);");
    }

protected:
    void SetUp() override {
        DB1().Execute(
            "DELETE FROM EABONEKIMLIK; DELETE FROM EFATURA; DELETE FROM KV; DELETE FROM K2; DELETE FROM LOG;"
            "DELETE FROM DEFS;"
            "INSERT INTO EABONEKIMLIK (ABONENO, ADI, KIRATUTARI) VALUES (\"100\", \"Ahmet\", 10.25);"
            "INSERT INTO EABONEKIMLIK (ABONENO, ADI, KIRATUTARI) VALUES (\"200\", \"Ayşe\", 20.5);"
            "INSERT INTO KV VALUES (1, \"a\"); INSERT INTO KV VALUES (2, \"a\"); INSERT INTO KV VALUES (3, \"c\");"
            "INSERT INTO K2 VALUES (1, 1, \"x\");"
            "DELETE FROM TRG; INSERT INTO TRG VALUES (1, 1, \"m1\"); INSERT INTO TRG VALUES (2, 2, \"m2\");"
            "INSERT INTO TRG VALUES (3, 3, \"m3\");");
        Connect(DB1(), "Db", "Tr");
    }

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
    // TRG with cached updates, each applied record read back; a trigger adds 10 to an updated V.
    TpFBDataSet* Triggered() {
        Tr->StartTransaction();
        Query("CREATE OR ALTER TRIGGER TRG_ADD FOR TRG BEFORE UPDATE AS BEGIN NEW.V = NEW.V + 10; END")->ExecQuery();
        Tr->Commit();
        TpFBDataSet* Ds = NewDataSet("select * from TRG order by K", "trg");
        Ds->UpdateSQL()->SetText("update TRG set V = ?V, M = ?M where K = ?OLD_K");
        Ds->RefreshSQL()->SetText("select * from TRG where K = ?K");
        Ds->SetCachedUpdates(true);
        Ds->Open();
        return Ds;
    }
    static void SetTrg(TpFBDataSet* Ds, Integer K, Integer V, const char* M = nullptr) {
        Ds->Locate("K", K, {});
        Ds->Edit();
        if (V >= 0) Ds->FieldByName("V")->SetAsInteger(V);
        if (M) Ds->FieldByName("M")->SetAsString(M);
        Ds->Post();
    }
};

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

// A refused apply takes back what it wrote and keeps the changes; after an apply the old values are the applied ones.
TEST_F(pFBDataSetTest, AFailedApplyLeavesTheServerAsItWasAndTheChangesPending) {
    TpFBDataSet* Ds = Subscribers();
    Ds->SetCachedUpdates(true);
    auto* Before = new TpFBUpdateObject(Owner.get());
    Before->SQL()->SetText("insert into LOG values (?OLD_ABONENO)");
    Before->SetDataSet(Ds);
    Ds->Open();
    for (const char* Field : {"ADI", "ABONENO"}) {   // the second takes the first's key
        Ds->Edit();
        Ds->FieldByName(Field)->SetAsString("100");
        Ds->Post();
        Ds->Next();
    }
    EXPECT_THROW(Ds->ApplyCachedUpdates(), EFBError);
    EXPECT_EQ(Ds->CacheModifiedCount(), 2);
    Ds->OnUpdateError = [](TDataSet*, EFBError&, TUpdateKind, TFBUpdateAction& A) { A = uaSkip; };
    Ds->ApplyCachedUpdates();   // the skipped record's statements go back too
    Tr->CommitRetaining();
    EXPECT_EQ(Scalar("select list(MSG) from LOG"), "100");
    Ds->ResetUpdateStatuses(TpFBDataSet::rmAfterApply, true);
    Ds->First();
    EXPECT_EQ(Ds->FieldByName("ADI")->OldValue(), Variant("100"));
}

TEST_F(pFBDataSetTest, ARefusedApplyOrCommitLeavesTheCacheAsItWasAndTheCursorOnTheUsersRecord) {
    TpFBDataSet* Ds = Triggered();
    SetTrg(Ds, 1, 5, "yeni");
    SetTrg(Ds, 2, 200);
    const TMethodKey Key{{}, Ds};   // the check refuses an apply, this handler the auto-commit
    Tr->AddEndEvent(2, Key, [](TObject*, TTransactionAction, bool) { throw Exception("kapalı"); });
    for (bool Auto : {false, true}) {
        Ds->SetAutoCommit(Auto);
        Ds->Locate("K", 3, {});
        EXPECT_ANY_THROW(Auto ? SetTrg(Ds, 2, 20) : Ds->ApplyCachedUpdates());
        EXPECT_EQ(Ds->FieldByName("K")->AsInteger() * 10 + Ds->CacheModifiedCount(), Auto ? 22 : 32);
        Ds->First();   // not the trigger's 15 read back
        EXPECT_EQ(Ds->FieldByName("V")->AsString() + Ds->FieldByName("M")->AsString() +
                      VarToStr(Ds->FieldByName("V")->OldValue()), "5yeni1") << Auto;
    }
    Tr->RemoveEndEvent(2, Key);
    SetTrg(Ds, 1, 5);   // applies and commits both; K 2 is read back last
    EXPECT_EQ(Ds->FieldByName("K")->AsInteger(), 1);
    EXPECT_EQ(Scalar("select list(V || M) from (select V, M from TRG order by K)"), "15yeni,30m2,3m3");
}

TEST_F(pFBDataSetTest, AnAppliedRecordMovedByItsRefreshAndAPendingChangeReplacedByARefresh) {
    TpFBDataSet* Ds = Triggered();
    SetTrg(Ds, 2, 7, "yeni");
    Ds->Refresh();   // replaces the change whole
    EXPECT_EQ(Ds->FieldByName("V")->AsString() + Ds->FieldByName("M")->AsString() + IntToStr(Ds->CacheModifiedCount()),
              "2m20");
    Ds->SetOptions(Ds->Options() + TpFBDsOptions{poKeepSorting});
    Ds->DoSort({"V"}, {true});
    SetTrg(Ds, 1, 2);   // placed after K 2, read back as 12: after K 3
    SetTrg(Ds, 3, 4);
    const auto Rows = [&] {
        AnsiString R;
        for (Ds->First(); !Ds->Eof(); Ds->Next())
            R += Ds->FieldByName("K")->AsString() + "=" + Ds->FieldByName("V")->AsString() + " ";
        return R;
    };
    Ds->ApplyCachedUpdates();
    EXPECT_EQ(Rows(), "2=2 1=12 3=14 ");
    Ds->ResetUpdateStatuses(TpFBDataSet::rmAfterApply, true);
    Ds->SetCachedUpdates(false);
    SetTrg(Ds, 1, -1, "x");   // only the memo: the trigger's V places the record
    EXPECT_EQ(Rows(), "2=2 3=14 1=22 ");
}

// A refused after-object takes back the row the update handed back; a read-back failing after
// the commit leaves the post standing.
TEST_F(pFBDataSetTest, APostTakenBackOrStoredLeavesTheRecordAsTheServerHasIt) {
    TpFBDataSet* Ds = Triggered();
    Ds->Close();
    Ds->SetCachedUpdates(false);
    Ds->UpdateSQL()->SetText("update TRG set V = ?V where K = ?OLD_K returning K, V");
    Ds->InsertSQL()->SetText("insert into TRG (K, V) values (?K, ?V)");
    auto* After = new TpFBUpdateObject(Owner.get());
    After->SetExecuteOrder(oeAfterDefault);
    After->SQL()->SetText("update TRG set V = 500 where K = ?K");
    After->SetDataSet(Ds);
    Ds->Open();
    EXPECT_THROW(SetTrg(Ds, 1, 5), EFBError);
    EXPECT_EQ(Ds->FieldByName("V")->AsString(), "5");   // what was typed, not the 15 handed back
    Ds->Cancel();
    EXPECT_EQ(Ds->FieldByName("V")->AsString(), "1");
    After->SetActive(false);
    Ds->SetAutoCommit(true);
    Ds->RefreshSQL()->SetText("select * from TRG where K = ?K and 1 / (V - 15) = 1 / (V - 15)");
    for (Integer K : {1, 4}) {   // a 15 cannot be read back
        K == 1 ? Ds->Edit() : Ds->Append();
        Ds->FieldByName("K")->SetAsInteger(K);
        Ds->FieldByName("V")->SetAsInteger(K == 1 ? 5 : 15);
        EXPECT_THROW(Ds->Post(), EFBError);
        EXPECT_EQ(Ds->State(), dsBrowse) << K;
    }
    EXPECT_EQ(Ds->RecordCount(), 4);   // the stored row stays in view
    EXPECT_EQ(Scalar("select list(V) from (select V from TRG order by K)"), "15,2,3,15");
}

// A memo typed in an edit outlives a revert of its record; a record the apply skips stays pending.
TEST_F(pFBDataSetTest, ARevertDuringAnEditAndASkippedRecordKeepWhatIsNotStoredYet) {
    TpFBDataSet* Ds = Triggered();
    for (bool Post : {false, true}) {
        SetTrg(Ds, 2, -1, "dort");
        Ds->Edit();
        Ds->FieldByName("M")->SetAsString("bes");
        Ds->RevertRecord(Ds->RecNo() - 1);
        Post ? Ds->Post() : Ds->Cancel();
        EXPECT_EQ(Ds->FieldByName("M")->AsString() + IntToStr(Ds->CacheModifiedCount()), Post ? "bes1" : "m20");
    }
    Ds->SetAutoCommit(true);
    Ds->OnUpdateError = [](TDataSet*, EDatabaseError&, TUpdateKind, TFBUpdateAction& A) { A = uaSkip; };
    SetTrg(Ds, 3, 200);   // refused by the check: skipped
    EXPECT_EQ(Ds->FieldByName("V")->AsString() + VarToStr(Ds->FieldByName("V")->OldValue()) +
                  IntToStr(Ds->CacheModifiedCount()), "20031");
    EXPECT_EQ(Scalar("select list(V || M) from (select V, M from TRG order by K)"), "1m1,12bes,3m3");
}

TEST_F(pFBDataSetTest, RepositoryTextsReplaceOnlyWhatIsStoredAndSetTheUpdateOptions) {
    TpFBDataSet* Ds = NewDataSet("select * from KV where K = 0");
    Ds->InsertSQL()->SetText("insert into KV (K, V) values (?K, ?V)");
    Ds->SetPrepareOptions(Ds->PrepareOptions() + TpPrepareOptions{psApplyRepositary});
    Ds->AutoUpdateOptions()->SetAutoReWriteSqls(true);   // what modified-fields updates need
    Ds->AutoUpdateOptions()->SetCanChangeSQLs(true);
    Ds->SetDataSet_ID(7);
    Ds->Open();
    EXPECT_EQ(FastTrim(Ds->SelectSQL()->Text()), "select * from KV order by K");
    EXPECT_EQ(FastTrim(Ds->InsertSQL()->Text()), "insert into KV (K, V) values (?K, ?V)");
    EXPECT_GT(Ds->RecordCount(), 0);
    EXPECT_EQ(Ds->AutoUpdateOptions()->WhenGetGenID(), wgBeforePost);
    EXPECT_TRUE(Ds->AutoUpdateOptions()->UpdateOnlyModifiedFields());
    EXPECT_EQ(Ds->AutoUpdateOptions()->GeneratorName(), "GEN_DEFS_ID");
    Ds->Close();
    // A row without key or generator turns the generator off and keeps every screen text.
    Ds->AutoUpdateOptions()->SetWhenGetGenID(wgOnNewRecord);
    Ds->AutoUpdateOptions()->SetUpdateTableName("KV");   // the row's empty table name and conditions apply
    Ds->Conditions()->AddCondition("c", "K > 0", true);
    Ds->SelectSQL()->SetText("select * from KV where K = 1");
    Ds->SetDataSet_ID(8);
    Ds->Open();
    EXPECT_EQ(FastTrim(Ds->SelectSQL()->Text()), "select * from KV where K = 1");
    EXPECT_EQ(FastTrim(Ds->InsertSQL()->Text()), "insert into KV (K, V) values (?K, ?V)");
    EXPECT_EQ(Ds->AutoUpdateOptions()->WhenGetGenID(), wgNever);
    EXPECT_FALSE(Ds->AutoUpdateOptions()->UpdateOnlyModifiedFields());
    EXPECT_EQ(Ds->Description(), "boş");
    EXPECT_EQ(Ds->AutoUpdateOptions()->UpdateTableName() + Ds->Conditions()->AsText(), "");
}

TEST_F(pFBDataSetTest, DataSetRowIsStoredIntoTheRepositoryOnceAndReadsBack) {
    TpFBDataSet* Ds = Subscribers();
    Ds->SetDataSet_ID(12);
    Ds->AutoUpdateOptions()->SetKeyFields("ABONENO");
    Ds->AutoUpdateOptions()->SetGeneratorName("GEN_X");
    Ds->AutoUpdateOptions()->SetUpdateTableName("EABONEKIMLIK");
    Ds->Conditions()->AddCondition("c", "ADI = 'Ayşe'", true);
    Ds->Conditions()->AddCondition("d", "ADI <> 'x'\r\nor\nADI IS NULL", false);
    Ds->Conditions()->Apply();   // the stored select is still the data set's own
    for (const char* Description : {"ilk", "Müşteriler"}) {
        Ds->SetDescription(Description);
        ReadDataSetInfo(Ds, nullptr);
    }
    EXPECT_EQ(Scalar("select count(*) from FB$DATASETS_INFO where DS_ID = 12"), "1");
    TpDataSetInfo Row;
    ASSERT_TRUE(ReadDataSetInfo(Ds, &Row));
    Ds->Conditions()->CancelApply();
    EXPECT_EQ(Row.SelectSQL()->Text() + Row.InsertSQL()->Text() + Row.UpdateSQL()->Text() +
                  Row.DeleteSQL()->Text() + Row.RefreshSQL()->Text(),
              Ds->SelectSQL()->Text() + Ds->InsertSQL()->Text() + Ds->UpdateSQL()->Text() +
                  Ds->DeleteSQL()->Text() + Ds->RefreshSQL()->Text());
    EXPECT_EQ(Row.KeyField + "|" + Row.NameGenerator + "|" + Row.UpdateTableName + "|" + Row.Description + "|" +
                  Row.Conditions,
              "ABONENO|GEN_X|EABONEKIMLIK|Müşteriler|c#$#$ADI = 'Ayşe'#$#$1\r\nd#$#$ADI <> 'x'#$0D#$0Aor#$0AADI IS NULL#$#$0\r\n");
    EXPECT_FALSE(Row.UpdateOnlyModifiedFields);
    const AnsiString Lines = Ds->Conditions()->Text();
    Ds->Conditions()->SetAsText(Row.Conditions);   // as the stored row is applied: the line breaks come back
    EXPECT_EQ(Ds->Conditions()->Text() + Ds->Conditions()->AsText(), Lines + Row.Conditions);
    DB1().Execute("DELETE FROM FB$DATASETS_INFO WHERE DS_ID = 12");
}

TEST_F(pFBDataSetTest, VisibleRecordNumbersLeaveOutTheFilteredRecords) {
    DB1().Execute("DELETE FROM KV; INSERT INTO KV VALUES (1, \"a\"); INSERT INTO KV VALUES (2, \"x\");"
                 "INSERT INTO KV VALUES (3, \"c\"); INSERT INTO KV VALUES (4, \"d\");"
                 "INSERT INTO KV VALUES (5, \"x\"); INSERT INTO KV VALUES (6, \"f\");");
    TpFBDataSet* Ds = NewDataSet("select * from KV order by K");
    Ds->SetFilter("V <> 'x'");
    Ds->SetFiltered(true);
    Ds->SetCachedUpdates(true);
    Ds->RefreshSQL()->SetText("select * from KV where K = ?K");
    Ds->DeleteSQL()->SetText("delete from KV where K = ?OLD_K");
    Ds->UpdateSQL()->SetText("update KV set V = ?V where K = ?OLD_K");
    Ds->Open();
    Ds->Last();
    EXPECT_EQ(Ds->RecNo(), 6);   // record numbers of the cache without the option
    Ds->SetOptions(Ds->Options() + TpFBDsOptions{poVisibleRecno});
    EXPECT_EQ(Ds->RecNo(), 4);
    EXPECT_EQ(Ds->RecordCount(), 4);
    Ds->SetRecNo(3);
    EXPECT_EQ(Ds->FieldByName("K")->AsInteger(), 4);
    Ds->SetRecNo(1);
    EXPECT_EQ(Ds->FieldByName("K")->AsInteger(), 1);
    DB1().Execute("UPDATE KV SET V = \"x\" WHERE K = 4");   // refreshed, cancelled, options, statuses
    Ds->SetRecNo(3);
    Ds->Refresh();
    EXPECT_EQ(Ds->RecordCount(), 3);
    Ds->First();
    Ds->Edit();
    Ds->FieldByName("V")->SetAsString("x");
    Ds->Post();
    EXPECT_EQ(Ds->RecordCount(), 2);
    Ds->CancelUpdates();
    EXPECT_EQ(Ds->RecordCount(), 3);
    Ds->SetFilter("V <> 'X'");
    EXPECT_EQ(Ds->RecordCount(), 6);
    Ds->SetFilterOptions({foCaseInsensitive});
    EXPECT_EQ(Ds->RecordCount(), 3);
    Ds->SetUpdateRecordTypes({cusModified});
    EXPECT_EQ(Ds->RecordCount(), 0);
    Ds->SetUpdateRecordTypes({cusUnmodified});
    Ds->SetFiltered(false);
    EXPECT_EQ(Ds->RecordCount(), 6);
    Ds->SetRecNo(2);
    Ds->Delete();
    Ds->CancelUpdates();   // the record hidden by its delete comes back
    Ds->Last();
    EXPECT_EQ(Ds->RecNo(), 6);
}

TEST_F(pFBDataSetTest, AskingTheServerCountsTheRowsNotFetchedYet) {
    TpFBDataSet* Ds = Subscribers();
    Ds->Open();
    EXPECT_EQ(Ds->RecordCount(), 1);   // only what was fetched
    Ds->Close();
    Ds->SetPrepareOptions(Ds->PrepareOptions() + TpPrepareOptions{psAskRecordCount});
    Tr->Commit();   // the count starts the transaction it needs
    Ds->Open();
    EXPECT_EQ(Ds->FetchedCount(), 1);
    EXPECT_EQ(Ds->ServerRecordCount(), 2);
    EXPECT_EQ(Ds->RecordCount(), 2);
    EXPECT_TRUE(Ds->IsSequenced());
    Ds->Delete();
    EXPECT_EQ(Ds->RecordCount(), 1);
    Ds->Append();
    Ds->FieldByName("ABONENO")->SetAsString("300");
    Ds->Post();
    EXPECT_EQ(Ds->RecordCount(), 2);
    Ds->Close();
    Ds->SelectSQL()->SetText("select * from EABONEKIMLIK where ABONENO = \"yok\"");
    Ds->Open();
    EXPECT_EQ(Ds->RecordCount(), 0);
}

TEST_F(pFBDataSetTest, ColumnMetadataGivesDefaultsBooleanFieldsAndRequiredAndReadOnlyFlags) {
    TpFBDataSet* Ds = NewDataSet("select * from ATTRS");
    Ds->InsertSQL()->SetText("insert into ATTRS (ID, QTY, NAME, FLAG) values (?ID, ?QTY, ?NAME, ?FLAG)");
    Ds->Open();
    EXPECT_EQ(Ds->FieldByName("FLAG")->DataType(), ftBoolean);   // a Boolean domain
    EXPECT_FALSE(Ds->FieldByName("TOTAL")->ReadOnly());            // not asked for
    Ds->Append();
    EXPECT_EQ(Ds->FieldByName("QTY")->AsInteger(), 5);
    EXPECT_EQ(Ds->FieldByName("NAME")->AsString(), "yok");
    EXPECT_TRUE(Ds->FieldByName("ID")->IsNull());
    Ds->Cancel();
    Ds->Close();
    Ds->SetPrepareOptions(Ds->PrepareOptions() + TpPrepareOptions{pfSetRequiredFields, pfSetReadOnlyFields} -
                          TpPrepareOptions{psUseBooleanField});
    Ds->UpdateSQL()->SetText("update ATTRS set QTY = ?QTY where ID = ?OLD_ID");
    Ds->Open();
    EXPECT_EQ(Ds->FieldByName("FLAG")->DataType(), ftSmallint);
    EXPECT_TRUE(Ds->FieldByName("ID")->Required());     // not null and no default
    EXPECT_FALSE(Ds->FieldByName("QTY")->Required());
    EXPECT_TRUE(Ds->FieldByName("TOTAL")->ReadOnly());  // computed
    EXPECT_FALSE(Ds->FieldByName("QTY")->ReadOnly());
}

TEST_F(pFBDataSetTest, AnEmptyTextDefaultStartsANewRecordWithTheEmptyText) {
    TpFBDataSet* Ds = NewDataSet("select * from EMPTYDEF");
    Ds->InsertSQL()->SetText("insert into EMPTYDEF (ID, S, T) values (?ID, ?S, ?T)");
    Ds->Open();
    EXPECT_TRUE(dynamic_cast<TFBStringField*>(Ds->FieldByName("S"))->DefaultIsEmptyString());
    EXPECT_FALSE(dynamic_cast<TFBStringField*>(Ds->FieldByName("T"))->DefaultIsEmptyString());
    Ds->Append();
    EXPECT_FALSE(Ds->FieldByName("S")->IsNull());   // NOT NULL: the empty text itself
    EXPECT_EQ(Ds->FieldByName("S")->AsString(), "");
    EXPECT_TRUE(Ds->FieldByName("T")->IsNull());
    Ds->FieldByName("ID")->SetAsInteger(1);
    Ds->Post();   // the server takes it
    EXPECT_EQ(Ds->RecordCount(), 1);
    // Without imported defaults the flag is not taken.
    Ds->Close();
    Ds->SetPrepareOptions(Ds->PrepareOptions() - TpPrepareOptions{pfImportDefaultValues});
    Ds->Open();
    EXPECT_FALSE(dynamic_cast<TFBStringField*>(Ds->FieldByName("S"))->DefaultIsEmptyString());
    Ds->Append();
    EXPECT_TRUE(Ds->FieldByName("S")->IsNull());
    Ds->Cancel();
    DB1().Execute("DELETE FROM EMPTYDEF");
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
    TpFBUpdateObject* Refused = Make("update KV set K = null where K = ?K", oeAfterDefault, 9);
    Ds->Open();
    Ds->Append();
    Ds->FieldByName("K")->SetAsInteger(9);
    EXPECT_THROW(Ds->Post(), EFBError);   // the insert and the objects around it go back together
    Refused->SetActive(false);
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
    struct { Integer Kind; const char* Expected; } Cases[] = {
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
    EXPECT_EQ(MessageOf([&] { Other->GenerateModifySQL("KV", "NOPE", S, 0, 0); }),
              "dm.other: unable to generate UpdateSQL because fields for \"KV\" do not exist in dataset.");
}

TEST_F(pFBDataSetTest, AChangedMacroIsAChangedSelectAndOnlyAPrepareMakesTheParameterLinksAgain) {
    TpFBDataSet* Ds = NewDataSet("select K, @COLS from KV where K > :LOW order by K");
    TAutoUpdateOptions* O = Ds->AutoUpdateOptions();
    O->SetUpdateTableName("KV");
    O->SetAutoReWriteSqls(true);
    O->SetCanChangeSQLs(true);
    O->SetAutoParamsToFields(true);
    Ds->SelectQuery()->ParamByName("LOW")->SetAsInteger(0);
    Ds->SelectQuery()->ParamByName("COLS")->SetAsString("K * 10 AS V");
    Ds->Open();
    O->ParamsToFieldsLinks()->SetText("K=X");   // set in code: kept over a reopen
    Ds->Close();
    Ds->Open();
    EXPECT_EQ(O->ParamsToFieldsLinks()->Text(), "K=X\r\n");
    Ds->DoSort({"V"}, {false});
    Ds->Close();
    Ds->SelectQuery()->ParamByName("COLS")->SetAsString("V");
    Ds->Open();
    EXPECT_EQ(Ds->FieldByName("V")->AsString(), "a");   // a text of KV, in K order: the old sort is gone
    EXPECT_NE(Ds->UpdateSQL()->Text().find("V=?"), AnsiString::npos);
    EXPECT_EQ(O->ParamsToFieldsLinks()->Text(), "K=LOW\r\n");   // made again for the new select
    Ds->SelectQuery()->ParamByName("COLS")->SetAsString("K * 10 AS V");
    Ds->CloseOpen(false);   // reopened in one step, as a detail following its master
    EXPECT_EQ(Ds->FieldByName("V")->AsInteger(), 10);
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

TEST_F(pFBDataSetTest, AnApplyWhoseHandlerClosesTheDataSetEndsWithTheClosedError) {
    TpFBDataSet* Ds = Triggered();
    SetTrg(Ds, 1, 5);
    Ds->OnUpdateRecord = [](TDataSet* D, TUpdateKind, TFBUpdateAction& A) { D->Close(), A = uaApply; };
    EXPECT_EQ(ErrorCode([&] { Ds->ApplyCachedUpdates(); }), 29);
}

// An apply writes each record's own modified fields, whichever record the user is on.
TEST_F(pFBDataSetTest, CachedUpdatesWriteTheModifiedFieldsOfEachAppliedRecord) {
    TpFBDataSet* Ds = NewDataSet("select * from KV order by K");
    TAutoUpdateOptions* O = Ds->AutoUpdateOptions();
    O->SetUpdateTableName("KV");
    O->SetAutoReWriteSqls(true);
    O->SetCanChangeSQLs(true);
    O->SetUpdateOnlyModifiedFields(true);
    Ds->SetCachedUpdates(true);
    Ds->Open();
    Ds->Edit();
    Ds->FieldByName("V")->SetAsString("z");
    Ds->Post();
    Ds->Next();
    Ds->ApplyCachedUpdates();
    Tr->Commit();
    EXPECT_EQ(Scalar("select list(V) from (select V from KV order by K)"), "z,a,c");
}

TEST_F(pFBDataSetTest, AQuotedUpdateTableNameWithABlankIsOneName) {
    DB3().Execute("RECREATE TABLE \"Sub Tab\" (ID INTEGER NOT NULL PRIMARY KEY)");
    DB3().Execute("INSERT INTO \"Sub Tab\" VALUES (1)");
    TpFBDataSet* Ds = NewDataSet("select S.ID from \"Sub Tab\" S");
    Ds->SetDatabase(ConnectTestDatabase(Owner.get(), DB3(), "Db3", "Tr3"));
    Ds->SetTransaction(Ds->Database()->DefaultTransaction());
    Ds->AutoUpdateOptions()->SetUpdateTableName(" \"Sub Tab\"  S ");
    Ds->AutoUpdateOptions()->SetAutoReWriteSqls(true);
    Ds->Open();
    EXPECT_EQ(Ds->LockRecord(false), lsSuccess);
    EXPECT_EQ(dynamic_cast<TFBQuery*>(Ds->FindComponent("LockQuery"))->SQL()->Strings(0),
              "UPDATE \"Sub Tab\" S SET ID=ID WHERE S.ID=?OLD_ID");
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
    EXPECT_EQ(MessageOf([&] { Ds->LockRecord(true); }), "Error of record updating:Attempt to edit multiple records");
    Ds->Last();
    EXPECT_EQ(Ds->LockRecord(false), lsSuccess);
    TpFBDataSet* NoSql = NewDataSet("select * from KV", "nosql");
    NoSql->Open();
    EXPECT_EQ(MessageOf([&] { NoSql->LockRecord(true); }), "Unable to lock record. Update query is empty");
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

// The lock's read-back finds the row moved by the server: the rows on screen follow.
TEST_F(pFBDataSetTest, AProtectedEditWhoseRowMovedShowsTheRowsInTheirNewOrder) {
    TpFBDataSet* Ds = NewDataSet("select * from TRG order by K");
    Ds->UpdateSQL()->SetText("update TRG set V = ?V where K = ?OLD_K");
    Ds->RefreshSQL()->SetText("select * from TRG where K = ?K");
    Ds->SetOptions(Ds->Options() + TpFBDsOptions{poProtectedEdit, poKeepSorting});
    TDataSource Src(nullptr);
    Src.SetDataSet(Ds);
    TDataLink Link;
    Link.SetDataSource(&Src);
    Link.SetBufferCount(3);
    Ds->Open();
    Ds->DoSort({"V"}, {true});
    Query("update TRG set V = 50 where K = 1")->ExecQuery();
    Ds->Edit();
    AnsiString Shown = Ds->FieldByName("K")->AsString() + IntToStr(Ds->RecNo()) + ":";
    for (Integer I = 0; I < Link.RecordCount(); ++I) Link.SetActiveRecord(I), Shown += Ds->FieldByName("K")->AsString();
    EXPECT_EQ(Shown, "13:231");
    Link.SetDataSource(nullptr);
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
    struct { const char* Format; Integer Scale; const char* Expected; } Cases[] = {
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
    // Reopened in one step, it is not heard closing and opening.
    Seen.clear();
    Ds->CloseOpen(false);
    EXPECT_EQ(Seen, std::vector<TKindDataSetEvent>{deAfterOpen});
}

TEST_F(pFBDataSetTest, TheServerRecordCountCountsTheSelectsRows) {
    TpFBDataSet* Ds = NewDataSet("select * from KV where K > ?LOW");
    Ds->Prepare();
    Ds->SelectQuery()->ParamByName("LOW")->SetAsInteger(1);
    Ds->Open();
    EXPECT_EQ(Ds->GetServerRecordCount(), 2);
    Ds->OnAskRecordCount = [](TDataSet*, AnsiString& Sql) { Sql = "select count(*) from nothere"; };
    EXPECT_EQ(MessageOf([&] { Ds->GetServerRecordCount(); }), "dm.ds unable to get number of records");
}


// ---- the screens' daily path: rebind, open, write, commit, start again, reopen ------------------

class pFBDataSetDailyTest : public pFBDataSetTest {
protected:
    // What the data module does before every read.
    void Rebind(TpFBDataSet* Ds, const AnsiString& Sql) {
        Ds->Close();
        Ds->SetDatabase(Db);
        Ds->SetTransaction(Tr);
        Ds->SelectSQL()->SetText(Sql);
    }
    void CommitAndReopen(TpFBDataSet* Ds) {
        Tr->Commit();
        Tr->SetActive(true);
        Ds->Open();
    }
    // The subscribers, rebound and open, by number.
    TpFBDataSet* OpenSubscribers() {
        TpFBDataSet* Ds = Subscribers();
        Rebind(Ds, "select * from EABONEKIMLIK order by ABONENO");
        Ds->Open();
        return Ds;
    }
    AnsiString Keys(TpFBDataSet* Ds) {
        AnsiString R;
        for (Ds->First(); !Ds->Eof(); Ds->Next()) R += Ds->FieldByName("ABONENO")->AsString() + ";";
        return R;
    }
};

TEST_F(pFBDataSetDailyTest, EveryTextColumnKeepsTurkishLettersAtFullWidth) {
    static const char Letters[] = "ÇĞİÖŞÜçğıöşü";
    TpFBDataSet* Ds = Subscribers();
    Rebind(Ds, "select * from EABONEKIMLIK where ABONENO = \"X\"");
    Ds->Open();
    AnsiString Columns, Params;
    for (Integer I = 0; I < Ds->Fields()->Count(); ++I) {
        const AnsiString N = Ds->Fields()->Fields(I)->FieldName();
        Columns += (I ? ", " : "") + N;
        Params += (I ? ", ?" : "?") + N;
    }
    Ds->InsertSQL()->SetText("insert into EABONEKIMLIK (" + Columns + ") values (" + Params + ")");
    Ds->First();
    EXPECT_TRUE(Ds->IsEmpty());
    Ds->Insert();
    std::map<AnsiString, AnsiString> Typed;
    Integer Texts = 0;
    for (Integer I = 0; I < Ds->Fields()->Count(); ++I) {
        TField* F = Ds->Fields()->Fields(I);
        if (F->DataType() != ftString) continue;
        AnsiString V;
        for (Integer J = 0; J < F->Size(); ++J) V += Letters[(J + I) % (sizeof(Letters) - 1)];
        if (F->FieldName() == "ABONENO") V = "X" + V.substr(1);
        F->SetAsString(V);
        Typed[F->FieldName()] = V;
        ++Texts;
    }
    EXPECT_EQ(Texts, 34);
    Ds->FieldByName("KIRATUTARI")->SetAsFloat(1.5);
    Ds->Post();
    Rebind(Ds, "select * from EABONEKIMLIK where ABONENO = \"" + Typed["ABONENO"] + "\"");
    CommitAndReopen(Ds);
    ASSERT_FALSE(Ds->IsEmpty());
    for (const auto& [Name, Value] : Typed) {
        SCOPED_TRACE(Name);
        EXPECT_EQ(Ds->FieldByName(Name)->AsString(), Value);
    }
    EXPECT_EQ(Scalar("select MAHALLEADI from EABONEKIMLIK where ABONENO starting with 'X'"), Typed["MAHALLEADI"]);
    // A text longer than its column is refused, never cut, and the value stays.
    Ds->Edit();
    EXPECT_THROW(Ds->FieldByName("ADI")->SetAsString(Typed["ADI"] + "x"), EDatabaseError);
    EXPECT_EQ(Ds->FieldByName("ADI")->AsString(), Typed["ADI"]);
    Ds->Cancel();
}

TEST_F(pFBDataSetDailyTest, AmountsWithATurkishDecimalCommaRoundTrip) {
    TFormatSettingsGuard Guard(TurkishFormatSettings());
    TpFBDataSet* Ds = OpenSubscribers();
    Ds->Edit();
    Ds->FieldByName("KIRATUTARI")->SetAsString("1234567,89");
    EXPECT_DOUBLE_EQ(Ds->FieldByName("KIRATUTARI")->AsFloat(), 1234567.89);
    Ds->Post();
    CommitAndReopen(Ds);
    EXPECT_EQ(Ds->FieldByName("KIRATUTARI")->AsString(), "1234567,89");
    EXPECT_DOUBLE_EQ(Ds->FieldByName("KIRATUTARI")->AsFloat(), 1234567.89);
    EXPECT_EQ(Scalar("select count(*) from EABONEKIMLIK where KIRATUTARI = 1234567.89"), "1");
    Ds->Edit();
    EXPECT_THROW(Ds->FieldByName("KIRATUTARI")->SetAsString("12a,5"), Exception);
    Ds->Cancel();
    EXPECT_DOUBLE_EQ(Ds->FieldByName("KIRATUTARI")->AsFloat(), 1234567.89);
}

TEST_F(pFBDataSetDailyTest, EmptyTextIsStoredAsNullAndClearedAmountsToo) {
    TpFBDataSet* Ds = Subscribers();
    Rebind(Ds, "select * from EABONEKIMLIK where ABONENO = \"100\"");
    Ds->Open();
    Ds->Edit();
    Ds->FieldByName("ADI")->SetAsString("");
    Ds->FieldByName("KIRATUTARI")->Clear();
    Ds->Post();
    CommitAndReopen(Ds);
    EXPECT_TRUE(Ds->FieldByName("ADI")->IsNull());
    EXPECT_TRUE(Ds->FieldByName("KIRATUTARI")->IsNull());
    EXPECT_EQ(Ds->FieldByName("KIRATUTARI")->AsString(), "");
    EXPECT_EQ(Scalar("select ADI from EABONEKIMLIK where ABONENO = '100'"), "<null>");
    EXPECT_EQ(Scalar("select KIRATUTARI from EABONEKIMLIK where ABONENO = '100'"), "<null>");
}

TEST_F(pFBDataSetDailyTest, FieldNamesAreFoundInAnyCaseAndATurkishLiteralSelects) {
    TpFBDataSet* Ds = Subscribers();
    Rebind(Ds, "select * from EABONEKIMLIK where ADI = \"Ayşe\"");
    Ds->Open();
    Ds->First();
    ASSERT_FALSE(Ds->IsEmpty());
    EXPECT_EQ(Ds->FieldByName("abonenO")->AsString(), "200");
    EXPECT_EQ(Ds->FieldByName("kiratutari"), Ds->FieldByName("KIRATUTARI"));
    EXPECT_EQ(Ds->FindField("yok"), nullptr);
    EXPECT_THROW(Ds->FieldByName("yok"), Exception);
    Rebind(Ds, "select * from EABONEKIMLIK where ADI = \"AYŞE\"");
    Ds->Open();
    EXPECT_TRUE(Ds->IsEmpty());
}

TEST_F(pFBDataSetDailyTest, RollbackThenReopenShowsTheStoredRows) {
    TpFBDataSet* Ds = OpenSubscribers();
    Ds->Edit();
    Ds->FieldByName("ADI")->SetAsString("Değişti");
    Ds->Post();
    Ds->Last();
    Ds->Delete();
    Tr->Rollback();
    EXPECT_FALSE(Ds->Active());
    Tr->SetActive(true);
    Ds->Open();
    EXPECT_EQ(Keys(Ds), "100;200;");
    Ds->First();
    EXPECT_EQ(Ds->FieldByName("ADI")->AsString(), "Ahmet");
    // And a change after the rollback is committed normally.
    Ds->Edit();
    Ds->FieldByName("ADI")->SetAsString("Ömer");
    Ds->Post();
    CommitAndReopen(Ds);
    EXPECT_EQ(Ds->FieldByName("ADI")->AsString(), "Ömer");
}

TEST_F(pFBDataSetDailyTest, ATransactionCommittedElsewhereClosesTheDataSetAndItReopens) {
    TpFBDataSet* Ds = Subscribers();
    TpFBDataSet* Other = NewDataSet(Ds->SelectSQL()->Text(), "other");
    Other->UpdateSQL()->Assign(Ds->UpdateSQL());
    Rebind(Ds, "select * from EABONEKIMLIK order by ABONENO");
    Ds->Open();
    Other->Open();
    Other->Edit();
    Other->FieldByName("ADI")->SetAsString("Başkası");
    Other->Post();
    Tr->Commit();   // the other screen's commit ends the shared transaction
    EXPECT_FALSE(Ds->Active());
    EXPECT_FALSE(Other->Active());
    Tr->SetActive(true);
    Ds->Open();
    EXPECT_EQ(Ds->FieldByName("ADI")->AsString(), "Başkası");
    Ds->Edit();
    Ds->FieldByName("ADI")->SetAsString("Benim");
    Ds->Post();
    CommitAndReopen(Ds);
    EXPECT_EQ(Ds->FieldByName("ADI")->AsString(), "Benim");
}

TEST_F(pFBDataSetDailyTest, AnUnpostedEditInTheCommittedTransactionIsDropped) {
    TpFBDataSet* Ds = OpenSubscribers();
    Ds->Edit();
    Ds->FieldByName("ADI")->SetAsString("Yarım");
    Tr->Commit();
    EXPECT_FALSE(Ds->Active());
    EXPECT_EQ(Ds->State(), dsInactive);
    Tr->SetActive(true);
    Ds->Open();
    EXPECT_EQ(Ds->FieldByName("ADI")->AsString(), "Ahmet");
    EXPECT_EQ(Scalar("select ADI from EABONEKIMLIK where ABONENO = '100'"), "Ahmet");
}

TEST_F(pFBDataSetDailyTest, AFailedPostThenCancelLeavesACleanDataSet) {
    TpFBDataSet* Ds = OpenSubscribers();
    Ds->Last();
    Ds->Insert();
    Ds->FieldByName("ABONENO")->SetAsString("100");   // taken
    Ds->FieldByName("ADI")->SetAsString("Çift");
    EXPECT_THROW(Ds->Post(), EFBError);
    Ds->Cancel();
    EXPECT_EQ(Ds->State(), dsBrowse);
    EXPECT_EQ(Keys(Ds), "100;200;");
    Ds->Last();
    EXPECT_EQ(Ds->FieldByName("ADI")->AsString(), "Ayşe");
    // The same failure on an edit: the old values come back.
    Ds->First();
    Ds->Edit();
    Ds->FieldByName("ABONENO")->SetAsString("200");
    EXPECT_THROW(Ds->Post(), EFBError);
    Ds->Cancel();
    EXPECT_EQ(Keys(Ds), "100;200;");
    // The transaction is still usable: a good insert goes through.
    Ds->Insert();
    Ds->FieldByName("ABONENO")->SetAsString("150");
    Ds->Post();
    CommitAndReopen(Ds);
    EXPECT_EQ(Keys(Ds), "100;150;200;");
    EXPECT_EQ(Scalar("select count(*) from EABONEKIMLIK where ADI = 'Çift'"), "0");
}

TEST_F(pFBDataSetDailyTest, EditingTheLastAndTheFirstRecordThenNavigating) {
    DB1().Execute("INSERT INTO EABONEKIMLIK (ABONENO, ADI) VALUES (\"300\", \"Üçüncü\");");
    TpFBDataSet* Ds = OpenSubscribers();
    Ds->Last();
    Ds->Edit();
    Ds->FieldByName("ADI")->SetAsString("Son");
    Ds->Post();
    EXPECT_TRUE(Ds->Eof() || Ds->FieldByName("ABONENO")->AsString() == "300");
    Ds->Prior();
    EXPECT_EQ(Ds->FieldByName("ABONENO")->AsString(), "200");
    Ds->First();
    Ds->Edit();
    Ds->FieldByName("ADI")->SetAsString("İlk");
    Ds->Post();
    Ds->Next();
    EXPECT_EQ(Ds->FieldByName("ABONENO")->AsString(), "200");
    Ds->Last();
    EXPECT_EQ(Ds->FieldByName("ADI")->AsString(), "Son");
    Ds->First();
    EXPECT_EQ(Ds->FieldByName("ADI")->AsString(), "İlk");
    EXPECT_EQ(Ds->RecordCount(), 3);
    CommitAndReopen(Ds);
    AnsiString Names;
    for (Ds->First(); !Ds->Eof(); Ds->Next()) Names += Ds->FieldByName("ADI")->AsString() + ";";
    EXPECT_EQ(Names, "İlk;Ayşe;Son;");
}

TEST_F(pFBDataSetDailyTest, DeletingDownToEmptyAndInsertingAgain) {
    TpFBDataSet* Ds = OpenSubscribers();
    Ds->Delete();
    Ds->Delete();
    EXPECT_TRUE(Ds->IsEmpty());
    EXPECT_TRUE(Ds->Eof());
    EXPECT_TRUE(Ds->Bof());
    EXPECT_EQ(Ds->RecordCount(), 0);
    Ds->Insert();
    Ds->FieldByName("ABONENO")->SetAsString("500");
    Ds->FieldByName("ADI")->SetAsString("Yeni");
    Ds->Post();
    EXPECT_FALSE(Ds->IsEmpty());
    EXPECT_EQ(Keys(Ds), "500;");
    CommitAndReopen(Ds);
    EXPECT_EQ(Keys(Ds), "500;");
    Ds->Delete();
    CommitAndReopen(Ds);
    EXPECT_TRUE(Ds->IsEmpty());
    Ds->Append();
    Ds->FieldByName("ABONENO")->SetAsString("600");
    Ds->Post();
    CommitAndReopen(Ds);
    EXPECT_EQ(Keys(Ds), "600;");
}

TEST_F(pFBDataSetDailyTest, ClosingWithUnpostedChangesWritesNothing) {
    TpFBDataSet* Ds = OpenSubscribers();
    Ds->Edit();
    Ds->FieldByName("ADI")->SetAsString("Kaybolur");
    Rebind(Ds, "select * from EABONEKIMLIK order by ABONENO");   // closes
    EXPECT_EQ(Ds->State(), dsInactive);
    Ds->Open();
    EXPECT_EQ(Ds->FieldByName("ADI")->AsString(), "Ahmet");
    Ds->Insert();
    Ds->FieldByName("ABONENO")->SetAsString("700");
    Ds->Close();
    CommitAndReopen(Ds);
    EXPECT_EQ(Keys(Ds), "100;200;");
}

}  // namespace

namespace {

class pFBDataSetManyRowsTest : public pFBDataSetDailyTest {
protected:
    void SetUp() override {
        pFBDataSetDailyTest::SetUp();
        AnsiString Rows = "DELETE FROM KV;";
        for (Integer I = 1; I <= 40; ++I) Rows += "INSERT INTO KV VALUES (" + IntToStr(I * 10) + ", \"r\");";
        DB1().Execute(Rows);
    }
    TpFBDataSet* Values() {
        TpFBDataSet* Ds = NewDataSet("select * from KV order by K");
        Ds->InsertSQL()->SetText("insert into KV (K, V) values (?K, ?V)");
        Ds->DeleteSQL()->SetText("delete from KV where K = ?OLD_K");
        return Ds;
    }
    AnsiString AllKeys(TpFBDataSet* Ds) {
        AnsiString R;
        for (Ds->First(); !Ds->Eof(); Ds->Next()) R += Ds->FieldByName("K")->AsString() + (Ds->FieldByName("V")->IsNull() ? "?" : "") + ";";
        return R;
    }
    static AnsiString Expected(std::initializer_list<Integer> Extra) {
        std::set<Integer> Keys(Extra);
        for (Integer I = 1; I <= 40; ++I) Keys.insert(I * 10);
        AnsiString R;
        for (Integer K : Keys) R += IntToStr(K) + ";";
        return R;
    }
};

TEST_F(pFBDataSetManyRowsTest, AFailedInsertBeforeUnfetchedRowsLeavesNoGapAfterCancel) {
    TpFBDataSet* Ds = Values();
    Ds->Open();
    Ds->Next();   // rows after the second are not fetched yet
    for (Integer Try = 0; Try < 2; ++Try) {
        Ds->Insert();
        Ds->FieldByName("K")->SetAsInteger(30);   // taken
        Ds->FieldByName("V")->SetAsString("dup");
        EXPECT_THROW(Ds->Post(), EFBError);
        Ds->Cancel();
    }
    EXPECT_EQ(Ds->FieldByName("K")->AsInteger(), 20);
    EXPECT_EQ(AllKeys(Ds), Expected({}));
    EXPECT_EQ(Ds->RecordCount(), 40);
    Ds->SetRecNo(2);
    Ds->Insert();
    Ds->FieldByName("K")->SetAsInteger(15);
    Ds->FieldByName("V")->SetAsString("new");
    Ds->Post();
    EXPECT_EQ(AllKeys(Ds), "10;15;" + Expected({}).substr(3));
    EXPECT_EQ(Ds->RecordCount(), 41);
    CommitAndReopen(Ds);
    EXPECT_EQ(AllKeys(Ds), Expected({15}));
}

TEST_F(pFBDataSetManyRowsTest, AFailedDeleteKeepsTheRecordAndTheCount) {
    DB1().Execute("CREATE TABLE KVCHILD (K INTEGER REFERENCES KV (K));");
    DB1().Execute("INSERT INTO KVCHILD VALUES (20);");
    TpFBDataSet* Ds = Values();
    Ds->Open();
    Ds->Next();
    EXPECT_THROW(Ds->Delete(), EFBError);
    EXPECT_EQ(Ds->State(), dsBrowse);
    EXPECT_EQ(Ds->FieldByName("K")->AsInteger(), 20);
    Ds->Next();
    Ds->Delete();
    EXPECT_EQ(Ds->FieldByName("K")->AsInteger(), 40);
    Ds->FetchAll();
    EXPECT_EQ(Ds->RecordCount(), 39);
    Tr->Commit();
    DB1().Execute("DELETE FROM KVCHILD;");
    Tr->SetActive(true);
    Ds->Open();
    Ds->FetchAll();
    EXPECT_EQ(Ds->RecordCount(), 39);
}

TEST_F(pFBDataSetManyRowsTest, CommitRetainingKeepsTheDataSetOpenForTheNextChange) {
    TpFBDataSet* Ds = Values();
    Ds->UpdateSQL()->SetText("update KV set V = ?V where K = ?OLD_K");
    Ds->Open();
    Ds->SetRecNo(5);
    Ds->Edit();
    Ds->FieldByName("V")->SetAsString("bir");
    Ds->Post();
    Tr->CommitRetaining();
    ASSERT_TRUE(Ds->Active());
    EXPECT_EQ(Ds->FieldByName("K")->AsInteger(), 50);
    Ds->Next();
    Ds->Edit();
    Ds->FieldByName("V")->SetAsString("iki");
    Ds->Post();
    Tr->Commit();
    EXPECT_EQ(Scalar("select V from KV where K = 50"), "bir");
    EXPECT_EQ(Scalar("select V from KV where K = 60"), "iki");
}

TEST_F(pFBDataSetManyRowsTest, AFailedInsertIntoAnEmptyResultThenAGoodOne) {
    TpFBDataSet* Ds = Values();
    Ds->SelectSQL()->SetText("select * from KV where K > 1000 order by K");
    Ds->Open();
    ASSERT_TRUE(Ds->IsEmpty());
    Ds->Append();
    Ds->FieldByName("K")->SetAsInteger(10);   // taken, though not in this result
    EXPECT_THROW(Ds->Post(), EFBError);
    Ds->Cancel();
    EXPECT_TRUE(Ds->IsEmpty());
    EXPECT_EQ(Ds->RecordCount(), 0);
    Ds->Append();
    Ds->FieldByName("K")->SetAsInteger(2000);
    Ds->FieldByName("V")->SetAsString("a");
    Ds->Post();
    Ds->Insert();
    Ds->FieldByName("K")->SetAsInteger(1500);
    Ds->FieldByName("V")->SetAsString("b");
    Ds->Post();
    EXPECT_EQ(AllKeys(Ds), "1500;2000;");
    EXPECT_EQ(Ds->RecordCount(), 2);
    CommitAndReopen(Ds);
    EXPECT_EQ(AllKeys(Ds), "1500;2000;");
}

// The data module binds the database (with its default update transaction) before the transaction.
TEST_F(pFBDataSetDailyTest, BoundLikeTheDataModuleTheSharedTransactionDoesEverything) {
    Db->SetDefaultUpdateTransaction(Tr);
    Tr->SetTimeoutAction(TACommit);
    auto* Ds = new TpFBDataSet(Owner.get());
    Ds->SetName("eabonekimlik");
    Ds->InsertSQL()->SetText("insert into EABONEKIMLIK (ABONENO, ADI) values (?ABONENO, ?ADI)");
    Ds->UpdateSQL()->SetText("update EABONEKIMLIK set ADI = ?ADI where ABONENO = ?OLD_ABONENO");
    Ds->DeleteSQL()->SetText("delete from EABONEKIMLIK where ABONENO = ?ABONENO");
    for (Integer Round = 0; Round < 2; ++Round) {
        Rebind(Ds, "select * from EABONEKIMLIK where ABONENO = \"100\"");
        EXPECT_EQ(Ds->UpdateTransaction(), Tr);
        Ds->Open();
        Ds->First();
        ASSERT_FALSE(Ds->IsEmpty());
        Ds->Edit();
        Ds->FieldByName("ADI")->SetAsString(Round ? "Şule" : "Gül");
        Ds->Post();
        CommitAndReopen(Ds);
        EXPECT_EQ(Ds->FieldByName("ADI")->AsString(), Round ? "Şule" : "Gül");
    }
    EXPECT_EQ(Scalar("select ADI from EABONEKIMLIK where ABONENO = '100'"), "Şule");
    Ds->Delete();
    Tr->Rollback();
    EXPECT_EQ(Scalar("select count(*) from EABONEKIMLIK"), "2");
}

// The data module's connection names no character set: the texts still arrive as they are stored.
TEST_F(pFBDataSetDailyTest, AConnectionWithoutACharacterSetKeepsTurkishTexts) {
    Db->Close();
    Db->DBParams()->SetText(AnsiString("user_name=") + TTestDatabase::UserName + "\r\npassword=" + TTestDatabase::Password);
    Db->Open();
    TpFBDataSet* Ds = Subscribers();
    Rebind(Ds, "select * from EABONEKIMLIK where ADI = \"Ayşe\"");
    Ds->Open();
    ASSERT_FALSE(Ds->IsEmpty());
    EXPECT_EQ(Ds->FieldByName("ADI")->AsString(), "Ayşe");
    Ds->Edit();
    Ds->FieldByName("ADI")->SetAsString("Ağıl Şğüöçİ");
    Ds->Post();
    Rebind(Ds, "select * from EABONEKIMLIK where ADI = \"Ağıl Şğüöçİ\"");
    CommitAndReopen(Ds);
    ASSERT_FALSE(Ds->IsEmpty());
    EXPECT_EQ(Ds->FieldByName("ABONENO")->AsString(), "200");
}

// Parameter names in the screens' texts do not follow the columns' case.
TEST_F(pFBDataSetDailyTest, ParametersFindTheirFieldsInAnyCase) {
    TpFBDataSet* Ds = Subscribers();
    Ds->InsertSQL()->SetText(
        "insert into eABONEKIMLIK(ABONENO,ADI,zemtardahil,KIRATUTARI)values (?aboneno,?Adi,?zemtardahil,?kiraTUTARI)");
    Ds->UpdateSQL()->SetText("update eABONEKIMLIK set ADI=?adi,zemtardahil=?ZemtarDahil WHERE ABONENO=?ABONENO");
    Ds->DeleteSQL()->SetText("Delete from eABONEKIMLIK where ABONENO=?aboneno");
    Rebind(Ds, "Select * from eabonekimlik where aboneno= \"900\" ");
    Ds->Open();
    Ds->Insert();
    Ds->FieldByName("aboneno")->SetAsString("900");
    Ds->FieldByName("ADI")->SetAsString("Işıl");
    Ds->FieldByName("zemtardahil")->SetAsString("Evet");
    Ds->FieldByName("KIRATUTARI")->SetAsFloat(99.5);
    Ds->Post();
    CommitAndReopen(Ds);
    ASSERT_FALSE(Ds->IsEmpty());
    EXPECT_EQ(Ds->FieldByName("ZEMTARDAHIL")->AsString(), "Evet");
    EXPECT_DOUBLE_EQ(Ds->FieldByName("KIRATUTARI")->AsFloat(), 99.5);
    Ds->Edit();
    Ds->FieldByName("ADI")->SetAsString("Ilık");
    Ds->FieldByName("ZEMTARDAHIL")->SetAsString("Hayır");
    Ds->Post();
    CommitAndReopen(Ds);
    EXPECT_EQ(Ds->FieldByName("ADI")->AsString(), "Ilık");
    EXPECT_EQ(Ds->FieldByName("ZEMTARDAHIL")->AsString(), "Hayır");
    Ds->Delete();
    CommitAndReopen(Ds);
    EXPECT_TRUE(Ds->IsEmpty());
}

TEST_F(pFBDataSetManyRowsTest, AFailedPostRetriedWithACorrectedKeyLeavesNoGap) {
    TpFBDataSet* Ds = Values();
    Ds->Open();
    Ds->Next();
    Ds->Next();   // on 30, later rows unfetched
    Ds->Insert();
    Ds->FieldByName("K")->SetAsInteger(40);
    EXPECT_THROW(Ds->Post(), EFBError);
    Ds->FieldByName("K")->SetAsInteger(10);
    EXPECT_THROW(Ds->Post(), EFBError);
    Ds->FieldByName("K")->SetAsInteger(26);
    Ds->Post();
    EXPECT_EQ(Ds->FieldByName("K")->AsInteger(), 26);
    Ds->Next();
    EXPECT_EQ(Ds->FieldByName("K")->AsInteger(), 30);
    Ds->Prior();
    Ds->Prior();
    EXPECT_EQ(Ds->FieldByName("K")->AsInteger(), 20);
    EXPECT_EQ(AllKeys(Ds), "10;20;26?;" + Expected({}).substr(6));
    EXPECT_EQ(Ds->RecordCount(), 41);
    Ds->Last();
    EXPECT_EQ(Ds->FieldByName("K")->AsInteger(), 400);
    Ds->Delete();
    EXPECT_EQ(Ds->FieldByName("K")->AsInteger(), 390);
    Ds->Prior();
    EXPECT_EQ(Ds->FieldByName("K")->AsInteger(), 380);
    CommitAndReopen(Ds);
    Ds->FetchAll();
    EXPECT_EQ(Ds->RecordCount(), 40);
}

TEST_F(pFBDataSetDailyTest, RebindingBetweenColumnListsRebuildsTheFields) {
    TpFBDataSet* Ds = Subscribers();
    for (Integer Round = 0; Round < 2; ++Round) {
        Rebind(Ds, "Select aboneno from eabonekimlik where aboneno >= \"150\" order by aboneno");
        Ds->Open();
        EXPECT_EQ(Ds->FieldCount(), 1);
        EXPECT_EQ(Ds->FieldByName("ABONENO")->AsString(), "200");
        EXPECT_EQ(Ds->FindField("ADI"), nullptr);
        Rebind(Ds, "Select * from eabonekimlik where aboneno = \"100\"");
        Ds->Open();
        EXPECT_EQ(Ds->FieldCount(), 38);
        EXPECT_EQ(Ds->FieldByName("adi")->AsString(), "Ahmet");
        EXPECT_DOUBLE_EQ(Ds->FieldByName("KIRATUTARI")->AsFloat(), 10.25);
    }
}

TEST_F(pFBDataSetDailyTest, TheSQLScreenCursorIsRestoredAlsoWhenAStatementFails) {
    const TCursor Default = 0, HourGlass = -11;
    TCursor Screen = Default;
    std::vector<TCursor> Shown;
    const TScreenCursorHooks Saved = ScreenCursorHooks();
    ScreenCursorHooks().Get = [&] { return Screen; };
    ScreenCursorHooks().Set = [&](TCursor C) { Screen = C; Shown.push_back(C); };
    TpFBDataSet* Ds = Subscribers();
    Ds->SetSQLScreenCursor(HourGlass);
    Rebind(Ds, "select * from EABONEKIMLIK order by ABONENO");
    Ds->Open();
    EXPECT_EQ(Screen, Default);
    EXPECT_FALSE(Shown.empty());
    Ds->Insert();
    Ds->FieldByName("ABONENO")->SetAsString("100");
    EXPECT_THROW(Ds->Post(), EFBError);
    EXPECT_EQ(Screen, Default);
    Ds->Cancel();
    Rebind(Ds, "select * from YOKTABLO");
    EXPECT_THROW(Ds->Open(), Exception);
    EXPECT_EQ(Screen, Default);
    ScreenCursorHooks() = Saved;
}

// A screen's short-lived data set on the shared transaction, and the data module going first at program end.
TEST_F(pFBDataSetDailyTest, DataSetsAndTheSharedTransactionMayGoInEitherOrder) {
    {
        std::unique_ptr<TpFBDataSet> Work(new TpFBDataSet(nullptr));
        Rebind(Work.get(), "Select * from EFATURA where ABONENO= \"100\"");
        Work->Open();
        EXPECT_TRUE(Work->IsEmpty());
    }
    TpFBDataSet* Ds = OpenSubscribers();
    Ds->Edit();
    Ds->FieldByName("ADI")->SetAsString("Kalan");
    Ds->Post();
    CommitAndReopen(Ds);
    EXPECT_EQ(Ds->FieldByName("ADI")->AsString(), "Kalan");

    std::unique_ptr<TpFBDataSet> Screen(new TpFBDataSet(nullptr));
    Rebind(Screen.get(), "select * from EABONEKIMLIK");
    Screen->UpdateSQL()->SetText("update EABONEKIMLIK set ADI = ?ADI where ABONENO = ?OLD_ABONENO");
    Screen->Open();
    Screen->Edit();
    Owner.reset();   // database and transaction go first
    EXPECT_FALSE(Screen->Active());
    EXPECT_EQ(Screen->Transaction(), nullptr);
    EXPECT_EQ(Screen->Database(), nullptr);
    Screen.reset();
}

}  // namespace
