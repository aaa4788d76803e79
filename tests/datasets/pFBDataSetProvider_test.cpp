// The application data set as a provider sees it: statements with "?" marks,
// parameters, transactions and one record of a delta applied.
#include "datasets/pFBDataSet.h"

#include <gtest/gtest.h>

#include <memory>

#include "dbclient/FBMessages.h"
#include "dbclient/FBTransaction.h"
#include "support/db/DbTest.h"

namespace {

class pFBDataSetProviderTest : public TDbTest {
public:
    static void SetUpTestSuite() {
        DB3().Execute(
            "CREATE TABLE P (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20));"
            "CREATE TABLE Q (ID INTEGER NOT NULL, NOTE VARCHAR(20));"
            "CREATE TABLE LOG (MSG VARCHAR(40))");
    }

protected:
    void SetUp() override {
        DB3().Execute(
            "DELETE FROM P; DELETE FROM Q; DELETE FROM LOG;"
            "INSERT INTO P VALUES (1, 'bir'); INSERT INTO P VALUES (2, 'iki'); INSERT INTO P VALUES (3, 'üç')");
        Connect(DB3(), "Db", "Tr");
        Ds = new TpFBDataSet(Owner.get());
        Ds->SetName("ds");
        Ds->SetDatabase(Db);
        Ds->SetTransaction(Tr);
        Ds->SelectSQL()->SetText("select * from P where ID >= ?LOW order by ID");
    }

    TpFBDataSet* Ds = nullptr;
};

TEST_F(pFBDataSetProviderTest, NoConnectionOrTransactionIsRefused) {
    auto* Lone = new TpFBDataSet(Owner.get());
    Lone->SetName("lone");
    EXPECT_EQ(ErrorCode([&] { Lone->PSStartTransaction(); }), 21);
    Lone->SetDatabase(Db);
    Lone->SetTransaction(nullptr);
    Db->SetDefaultTransaction(nullptr);
    if (Lone->Transaction()) GTEST_SKIP() << "the database hands its transaction on";
    EXPECT_EQ(ErrorCode([&] { Lone->PSStartTransaction(); }), 22);
}

TEST_F(pFBDataSetProviderTest, StatementsTakeTheirValuesInOrder) {
    Db->Close();
    Ds->PSStartTransaction();
    EXPECT_TRUE(Db->Connected());
    EXPECT_TRUE(Ds->PSInTransaction());
    TParams Params;
    Params.CreateParam(ftInteger, "a")->SetValue(Variant(10));
    Params.CreateParam(ftString, "b")->SetValue(Variant("on?"));
    EXPECT_EQ(Ds->PSExecuteStatement("insert into P values (?, ?)", &Params), 1);
    // A mark inside quotes is text.
    TParams One;
    One.CreateParam(ftInteger, "x")->SetValue(Variant(10));
    EXPECT_EQ(Ds->PSExecuteStatement("update P set NAME = NAME || '?' where ID = ?", &One), 1);
    Ds->PSEndTransaction(true);
    EXPECT_FALSE(Ds->PSInTransaction());
    EXPECT_EQ(Scalar("select NAME from P where ID = 10"), "on??");
    Ds->PSStartTransaction();
    One.Items(0)->SetValue(Variant(2));
    EXPECT_EQ(Ds->PSExecuteStatement("select * from P where ID >= ?", &One), 3);
    EXPECT_EQ(Ds->PSExecuteStatement("delete from P where ID = 10", nullptr), 1);
    Ds->PSEndTransaction(false);
    EXPECT_EQ(Scalar("select count(*) from P where ID = 10"), "1") << "rolled back";
}

TEST_F(pFBDataSetProviderTest, AStatementRunsInAnUpdateTransactionWithoutADefaultDatabase) {
    auto* Update = new TFBTransaction(Owner.get());
    Update->AddDatabase(Db);
    Ds->SetUpdateTransaction(Update);
    TParams Params;
    Params.CreateParam(ftString, "a")->SetValue(Variant("yeni"));
    EXPECT_EQ(Ds->PSExecuteStatement("update P set NAME = ? where ID < 3", &Params), 2);
}

TEST_F(pFBDataSetProviderTest, AResultSetGoesToTheCaller) {
    TParams One;
    One.CreateParam(ftInteger, "x")->SetValue(Variant(2));
    TDataSet* Result = nullptr;
    EXPECT_EQ(Ds->PSExecuteStatement("select * from P where ID >= ? order by ID", &One, &Result), 2);
    ASSERT_NE(Result, nullptr);
    std::unique_ptr<TDataSet> Own(Result);
    EXPECT_TRUE(Result->Active());
    EXPECT_EQ(Result->FieldByName("NAME")->AsString(), "iki");
    EXPECT_EQ(Result->RecordCount(), 2);
}

TEST_F(pFBDataSetProviderTest, ParametersOfTheSelectGoBothWays) {
    Ds->SelectSQL()->SetText("select * from P where ID >= ?LOW and ID <= ?HIGH or ID = ?LOW order by ID");
    Ds->Prepare();
    Ds->SelectQuery()->ParamByName("LOW")->SetAsInteger(2);
    TParams* P = Ds->PSGetParams();
    ASSERT_EQ(P->Count(), 2) << "a name used twice is one parameter";
    EXPECT_EQ(P->ParamByName("low")->DataType(), ftInteger);
    EXPECT_EQ(P->ParamByName("LOW")->Value().AsInteger(), 2);
    EXPECT_TRUE(P->ParamByName("HIGH")->IsNull());
    EXPECT_THROW(P->ParamByName("NONE"), EDatabaseError);
    TParams Given;
    Given.CreateParam(ftInteger, "HIGH")->SetValue(Variant(2));
    Given.CreateParam(ftInteger, "OTHER")->SetValue(Variant(9));
    Ds->PSSetParams(&Given);
    Ds->Open();
    EXPECT_EQ(Ds->RecordCount(), 1);
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 2);
}

TEST_F(pFBDataSetProviderTest, NamesTheProviderAsksFor) {
    EXPECT_EQ(Ds->PSGetQuoteChar(), "\"");
    Db->SetSQLDialect(1);
    EXPECT_EQ(Ds->PSGetQuoteChar(), "");
    EXPECT_TRUE(Ds->PSIsSQLBased());
    EXPECT_TRUE(Ds->PSIsSQLSupported());
    Ds->SelectSQL()->SetText("select * from P join Q on Q.ID = P.ID");
    EXPECT_EQ(Ds->PSGetTableName(), "P");
    Ds->AutoUpdateOptions()->SetUpdateTableName("Q");
    EXPECT_EQ(Ds->PSGetTableName(), "Q");
    Ds->AutoUpdateOptions()->SetUpdateTableName("Q QQ");
    EXPECT_EQ(Ds->PSGetTableName(), "Q") << "the table, without its alias";
    Ds->AutoUpdateOptions()->SetUpdateTableName("LOG");
    EXPECT_EQ(Ds->PSGetTableName(), "P") << "a table the select does not read";
    Ds->AutoUpdateOptions()->SetKeyFields("ID");
    EXPECT_EQ(Ds->PSGetKeyFields(), "ID");
    Ds->PSSetCommandText("");
    EXPECT_NE(Ds->SelectSQL()->Text().find("join"), AnsiString::npos);
    Ds->PSSetCommandText("select * from Q");
    EXPECT_EQ(Ds->SelectSQL()->Text(), "select * from Q\r\n");
}

TEST_F(pFBDataSetProviderTest, UpdateErrorsKeepTheCodes) {
    try {
        FBError(21, {"x"});
    } catch (const EFBError& E) {
        EUpdateError Prev("before", "", 7, 0);
        const auto U = Ds->PSGetUpdateException(E, &Prev);
        EXPECT_EQ(U->ErrorCode(), E.SQLCode());
        EXPECT_EQ(U->PreviousError(), 7);
        EXPECT_EQ(U->Message(), E.Message());
    }
    const auto Plain = Ds->PSGetUpdateException(Exception("plain"), nullptr);
    EXPECT_EQ(Plain->ErrorCode(), 0);
    EXPECT_EQ(Plain->Message(), "plain");
}

TEST_F(pFBDataSetProviderTest, ResetReadsTheRowsAgain) {
    Ds->SelectQuery()->ParamByName("LOW")->SetAsInteger(0);
    Ds->Open();
    Ds->Last();
    EXPECT_EQ(Ds->RecordCount(), 3);
    DB3().Execute("INSERT INTO P VALUES (4, 'dört')");
    Tr->CommitRetaining();
    Ds->PSReset();
    Ds->Last();
    EXPECT_EQ(Ds->RecordCount(), 4);
}

TEST_F(pFBDataSetProviderTest, ADeltaRecordIsAppliedThroughTheStatementsOfItsKind) {
    auto* Delta = new TpFBDataSet(Owner.get());
    Delta->SetName("delta");
    Delta->SetDatabase(Db);
    Delta->SetTransaction(Tr);
    Delta->SelectSQL()->SetText("select * from P where ID = 2");
    Delta->UpdateSQL()->SetText("update P set ID = ID where ID = ?OLD_ID");
    Delta->Open();
    Delta->Edit();
    Delta->FieldByName("ID")->SetAsInteger(20);
    Delta->FieldByName("NAME")->SetAsString("yirmi");
    // No statement for the kind: nothing applied.
    EXPECT_FALSE(Ds->PSUpdateRecord(ukModify, Delta));
    Ds->UpdateSQL()->SetText("update P set ID = ?NEW_ID, NAME = ?NAME where ID = ?OLD_ID");
    auto* After = new TpFBUpdateObject(Owner.get());
    After->SetName("after");
    After->SQL()->SetText("insert into LOG values (?OLD_NAME || '>' || ?NAME)");
    After->SetKindUpdate(ukModify);
    After->SetExecuteOrder(oeAfterDefault);
    After->SetDataSet(Ds);
    EXPECT_TRUE(Ds->PSUpdateRecord(ukModify, Delta));
    Delta->Cancel();
    Tr->CommitRetaining();
    EXPECT_EQ(Scalar("select NAME from P where ID = 20"), "yirmi");
    EXPECT_EQ(Scalar("select MSG from LOG"), "iki>yirmi");
    // "No Action" is applied without running anything.
    Ds->DeleteSQL()->SetText("No Action");
    EXPECT_TRUE(Ds->PSUpdateRecord(ukDelete, Delta));
    // A handler decides by itself.
    TFBUpdateAction Answer = uaApplied;
    Ds->OnUpdateRecord = [&](TDataSet* D, TUpdateKind K, TFBUpdateAction& A) {
        EXPECT_EQ(D, Delta);
        EXPECT_EQ(K, ukInsert);
        EXPECT_EQ(A, uaFail);
        A = Answer;
    };
    EXPECT_TRUE(Ds->PSUpdateRecord(ukInsert, Delta));
    Answer = uaSkip;
    EXPECT_FALSE(Ds->PSUpdateRecord(ukInsert, Delta));
    EXPECT_EQ(Scalar("select count(*) from P"), "3");
}

}  // namespace
