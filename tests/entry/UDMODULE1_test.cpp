#include "entry/UDMODULE1.h"

#include <gtest/gtest.h>

#include "datasets/pFBDataSet.h"
#include "support/db/TestDataModule.h"
#include "dbclient/pFBDatabase.h"
#include "dbclient/pFBTransaction.h"
#include "platform/ui/Dialogs.h"

namespace {

TEST(Tdmodule1Test, ComponentsCarryTheirSettings) {
    Tdmodule1 M(nullptr);
    EXPECT_EQ(M.Name(), "dmodule1");
    EXPECT_EQ(M.FBDbase1->Name(), "FBDbase1");
    EXPECT_EQ(M.FBDbase1->DBName(), "zemtar.gdb");
    EXPECT_EQ(M.FBDbase1->DBParams()->Text(), "user_name=sysdba\r\npassword=kolvetrim\r\n");
    EXPECT_EQ(M.FBDbase1->DefaultTransaction(), M.FBTransact1);
    EXPECT_EQ(M.FBDbase1->DefaultUpdateTransaction(), M.FBTransact1);
    EXPECT_EQ(M.FBDbase1->SQLDialect(), 1);
    EXPECT_EQ(M.FBDbase1->Timeout(), 0u);
    EXPECT_EQ(M.FBDbase1->WaitForRestoreConnect(), 0u);
    // Start-up runs the creation handler; merely constructing touches no file.
    EXPECT_FALSE(M.FBDbase1->Connected());
    EXPECT_EQ(dmodule1, nullptr);
    EXPECT_EQ(M.FBTransact1->DefaultDatabase(), M.FBDbase1);
    EXPECT_EQ(M.FBTransact1->TimeoutAction(), TACommit);

    struct {
        TpFBDataSet* DS;
        const char* Name;
        const char* SQL;
        bool Invoice;
    } const Sets[] = {
        {M.EFATURA, "EFATURA", "select * from Efatura\r\n", true},
        {M.dfatura, "dfatura", "select * from Dfatura\r\n", true},
        {M.eabonekimlik, "eabonekimlik", "select * from eabonekimlik\r\n", false},
        {M.dabonekimlik, "dabonekimlik", "select * from dabonekimlik\r\n", false},
    };
    for (const auto& S : Sets) {
        SCOPED_TRACE(S.Name);
        EXPECT_EQ(S.DS->Name(), S.Name);
        EXPECT_EQ(S.DS->Owner(), &M);
        EXPECT_EQ(S.DS->SelectSQL()->Text(), S.SQL);
        EXPECT_EQ(S.DS->Database(), M.FBDbase1);
        EXPECT_EQ(S.DS->Transaction(), M.FBTransact1);
        EXPECT_FALSE(S.DS->Active());
        EXPECT_TRUE(S.DS->InsertSQL()->Text().empty());
        EXPECT_TRUE(S.DS->UpdateSQL()->Text().empty());
        EXPECT_TRUE(S.DS->DeleteSQL()->Text().empty());
        // The layer's defaults stay: empty text is stored as NULL, opening starts the transaction.
        EXPECT_TRUE(S.DS->PrepareOptions().Contains(psSetEmptyStrToNull));
        EXPECT_TRUE(S.DS->Options().Contains(poStartTransaction));
        EXPECT_EQ(S.DS->PrepareOptions().Contains(psSQLINT64ToBCD), S.Invoice);
        if (S.Invoice) {
            EXPECT_EQ(S.DS->SQLScreenCursor(), crHourGlass);
            EXPECT_EQ(S.DS->DefaultFormats()->DateTimeDisplayFormat(), "dd.mm.yyyy hh:mm:ss");
        }
    }
}

TEST(Tdmodule1Test, CreationHandlerOpensTheDatabase) {
    TTestDataModule T;
    EXPECT_EQ(dmodule1, T.Module());
    EXPECT_TRUE(T->FBDbase1->Connected());
}

TEST(Tdmodule1Test, FailedOpenGoesToTheExceptionDialogAndTheModuleStays) {
    TScriptedPrompter P;
    TPrompterGuard G(&P);
    TTestDatabase Db(1, true);
    Tdmodule1 M(nullptr);
    M.FBDbase1->SetDBName(Db.Folder() + "/missing.gdb");
    M.DoCreate();
    EXPECT_FALSE(M.FBDbase1->Connected());
    ASSERT_EQ(P.Records().size(), 1u);
    EXPECT_NE(P.Records()[0].Text.find("missing.gdb"), AnsiString::npos) << P.Records()[0].Text;
}

TEST(Tdmodule1Test, DestroyHandlerClosesAndTheGlobalIsCleared) {
    TTestDatabase Db(1, true);
    auto* M = new Tdmodule1(nullptr);
    M->FBDbase1->SetDBName(Db.Path());
    M->DoCreate();
    ASSERT_TRUE(M->FBDbase1->Connected());
    M->DataModuleDestroy(M);
    EXPECT_FALSE(M->FBDbase1->Connected());
    M->DataModuleDestroy(M);   // closed already: nothing to do
    M->FBDbase1->Open();
    dmodule1 = M;
    delete M;                  // closes the open connection on the way
    EXPECT_EQ(dmodule1, nullptr);
}

class SetDataSetSQLTest : public ::testing::Test {
protected:
    TTestDataModule T;
};

TEST_F(SetDataSetSQLTest, ClosesRebindsAndReplacesTheWholeTextWithoutOpening) {
    T.Execute("insert into EFATURA (REFERANSNO, ABONENO) values ('1', 'A')");
    TpFBDataSet* DS = T->EFATURA;
    DS->Open();
    ASSERT_TRUE(DS->Active());

    T->SetDataSetSQL(DS, "select ABONENO from EFATURA\r\nwhere REFERANSNO = \"1\"");
    EXPECT_FALSE(DS->Active());
    EXPECT_EQ(DS->SelectSQL()->Count(), 2);
    EXPECT_EQ(DS->SelectSQL()->Text(), "select ABONENO from EFATURA\r\nwhere REFERANSNO = \"1\"\r\n");
    DS->Open();
    DS->First();
    EXPECT_EQ(DS->FieldByName("ABONENO")->AsString(), "A");
}

TEST_F(SetDataSetSQLTest, BindsAWorkDataSetOfAScreen) {
    TComponent Owner(nullptr);
    auto* Work = new TpFBDataSet(&Owner);
    T->SetDataSetSQL(Work, "select count(*) from EABONEKIMLIK");
    EXPECT_EQ(Work->Database(), T->FBDbase1);
    EXPECT_EQ(Work->Transaction(), T->FBTransact1);
    EXPECT_FALSE(Work->Active());
    Work->Open();   // starts FBTransact1 by itself
    EXPECT_TRUE(T->FBTransact1->Active());
    EXPECT_EQ(Work->FieldByName("COUNT")->AsInteger(), 0);
}

TEST_F(SetDataSetSQLTest, SharedDataSetWritesThroughItsModifyingTexts) {
    TpFBDataSet* DS = T->dfatura;
    DS->InsertSQL()->SetText(
        "insert into DFATURA (REFERANSNO, ABONENO, TOPLAMBEDELI, TOPLAMTUKETIM, DONEMI, FATURATARIHI) "
        "values (?REFERANSNO, ?ABONENO, ?TOPLAMBEDELI, ?TOPLAMTUKETIM, ?DONEMI, ?FATURATARIHI)");
    T->SetDataSetSQL(DS, "select * from DFATURA where ABONENO = \"X\"");
    DS->Open();
    DS->Insert();
    DS->FieldByName("REFERANSNO")->SetAsString("920160501");
    DS->FieldByName("ABONENO")->SetAsString("X");
    DS->FieldByName("TOPLAMBEDELI")->SetAsFloat(1234.56);
    DS->FieldByName("TOPLAMTUKETIM")->SetAsFloat(0.5);
    DS->FieldByName("DONEMI")->SetAsString("Mayıs 2016");
    DS->FieldByName("FATURATARIHI")->SetAsString("");
    DS->Post();
    T->FBTransact1->Commit();
    EXPECT_EQ(T.Value("select DONEMI || coalesce(FATURATARIHI, '|NULL') from DFATURA where ABONENO = 'X'"), "Mayıs 2016|NULL");
    EXPECT_EQ(T.Value("select TOPLAMBEDELI * 100 from DFATURA"), "123456");
}

// The tables the screens share.
class SchemaTest : public ::testing::Test {
protected:
    TTestDataModule T;

    Integer Length(const char* Table, const char* Column) {
        return std::stoi("0" + T.Value(Format(
            "select f.RDB$CHARACTER_LENGTH from RDB$RELATION_FIELDS r join RDB$FIELDS f "
            "on f.RDB$FIELD_NAME = r.RDB$FIELD_SOURCE where r.RDB$RELATION_NAME = '%s' and r.RDB$FIELD_NAME = '%s'",
            {AnsiString(Table), AnsiString(Column)})));
    }
    AnsiString Position(const char* Table, const char* Column) {
        return T.Value(Format("select RDB$FIELD_POSITION from RDB$RELATION_FIELDS where RDB$RELATION_NAME = '%s' "
                              "and RDB$FIELD_NAME = '%s'",
                              {AnsiString(Table), AnsiString(Column)}));
    }
};

TEST_F(SchemaTest, IdentityTablesHoldTheInputLengthsInInsertOrder) {
    struct {
        const char* Column;
        Integer MinLength;   // 0: a number column
    } const Columns[] = {
        {"ABONENO", 15},   {"ADI", 30},          {"SOYADI", 30},       {"VERGINO", 10},          {"TCKIMLIK", 11},
        {"ABONETARIHI", 10}, {"ABONEDURUMU", 13}, {"UAVTNO", 10},      {"ILADI", 20},            {"ILCEADI", 20},
        {"BELDEADI", 20},  {"BUCAKADI", 20},     {"KOYADI", 20},       {"MAHALLEADI", 32},       {"CADDEADI", 20},
        {"DISKAPINO", 5},  {"ICKAPINO", 5},      {"MULKIYET", 14},     {"MULKADI", 30},          {"MULKSOYADI", 30},
        {"MULKVERGINO", 10}, {"MULKTCKIMLIK", 11}, {"MULKDASK", 8},    {"KIRABASLAMATARIHI", 10}, {"KIRABITISTARIHI", 10},
        {"KIRATUTARI", 0}, {"TELTIPI", 14},      {"TELEFON", 20},      {"PAFTA", 20},            {"ADA", 20},
        {"PERSEL", 20},    {"YUZOLCUM", 0},      {"ABONETIPI", 19},    {"YAZI1", 12},            {"YAZI2", 1},
        {"SAYI1", 0},      {"ZEMTARDAHIL", 10},  {"SAYI2", 0},
    };
    for (const char* Table : {"EABONEKIMLIK", "DABONEKIMLIK"}) {
        EXPECT_EQ(T.Count(Format("select * from RDB$RELATION_FIELDS where RDB$RELATION_NAME = '%s'", {AnsiString(Table)})),
                  38) << Table;
        Integer Index = 0;
        for (const auto& C : Columns) {
            SCOPED_TRACE(AnsiString(Table) + "." + C.Column);
            EXPECT_EQ(Position(Table, C.Column), IntToStr(Index++));
            if (C.MinLength) EXPECT_GE(Length(Table, C.Column), C.MinLength);
        }
    }
}

TEST_F(SchemaTest, NumbersTakeFractionsAndTheKeyRefusesASecondRow) {
    T.Execute("insert into EABONEKIMLIK (ABONENO, KIRATUTARI, YUZOLCUM, SAYI1, SAYI2) values ('1', 1.25, 2.5, 0, 0);"
              "insert into EFATURA (ABONENO, TOPLAMBEDELI, TOPLAMTUKETIM) values ('1', 10.75, 3.125)");
    EXPECT_EQ(T.Value("select KIRATUTARI * 100 from EABONEKIMLIK"), "125");
    EXPECT_EQ(T.Value("select TOPLAMTUKETIM * 1000 from EFATURA"), "3125");
    EXPECT_ANY_THROW(T.Execute("insert into EABONEKIMLIK (ABONENO) values ('1')"));
    EXPECT_ANY_THROW(T.Execute("insert into DABONEKIMLIK (ADI) values ('no number')"));
}

}  // namespace
