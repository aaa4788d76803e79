#include "dbclient/FBQuery.h"
#include "platform/Raised.h"
#include "dbclient/FBErrorKit.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "dbclient/FBMessages.h"
#include "dbclient/SQLParser.h"
#include "dbclient/StdFuncs.h"
#include "platform/sys/Timers.h"
#include "support/db/DbTest.h"

namespace {

class FBQueryTest : public TDbTest {
public:
    static void SetUpTestSuite() {
        const char* ddl =
            "CREATE TABLE T (ID INTEGER NOT NULL, NAME VARCHAR(10), CODE CHAR(5), AMOUNT NUMERIC(15,2), "
            "QTY SMALLINT, RATE DOUBLE PRECISION, D DATE)";
        DB1().Execute(ddl);
        DB3().Execute(ddl);
        // The script runner splits at ";", so the procedure goes through a statement.
        for (TTestDatabase* t : {&DB1(), &DB3()}) {
            TComponent o(nullptr);
            TFBDatabase* db = Connect(&o, *t);
            std::unique_ptr<TFBQuery> q(new TFBQuery(nullptr));
            q->SetDatabase(db);
            q->SetOptions({qoStartTransaction, qoAutoCommit});
            q->SQL()->SetText("CREATE PROCEDURE ADDONE (X INTEGER) RETURNS (Y INTEGER) AS BEGIN Y = X + 1; END");
            q->ExecQuery();
        }
        DB3().Execute("CREATE TABLE T3 (ID INTEGER, BIG BIGINT, PRICE NUMERIC(18,4), TM TIME, TS TIMESTAMP)");
        const char* values =
            "CREATE TABLE V (ID INTEGER NOT NULL, N152 NUMERIC(15,2), N184 NUMERIC(18,4), TS TIMESTAMP, "
            "VC VARCHAR(10), CH CHAR(3), DBL DOUBLE PRECISION, SI SMALLINT, BL BLOB SUB_TYPE 1)";
        DB1().Execute(values);
        DB3().Execute(values);
    }

protected:
    TFBDatabase* Connect(TTestDatabase& T) { return Connect(Owner.get(), T); }
    // Connected, with the default transaction started.
    TFBDatabase* Started(TTestDatabase& T) {
        TFBDatabase* Db = Connect(T);
        Db->DefaultTransaction()->StartTransaction();
        return Db;
    }
    static TFBDatabase* Connect(TComponent* Owner, TTestDatabase& T) {
        const bool One = T.Dialect() == 1;
        return ConnectTestDatabase(Owner, T, One ? "DB1" : "DB3", One ? "TR1" : "TR3");
    }
    TFBQuery* NewQuery(TFBDatabase* Db, const AnsiString& Sql, const char* Name = "Q") {
        auto* q = new TFBQuery(Owner.get());
        q->SetName(Name);
        q->SetDatabase(Db);
        q->SetTransaction(Db->DefaultTransaction());
        q->SQL()->SetText(Sql);
        return q;
    }
    void Exec(TFBDatabase* Db, const AnsiString& Sql) {
        std::unique_ptr<TFBQuery> q(new TFBQuery(nullptr));
        q->SetDatabase(Db);
        q->SetOptions({qoStartTransaction});
        q->SQL()->SetText(Sql);
        q->ExecQuery();
    }
};

TEST_F(FBQueryTest, InsertAndSelectWithNamedParametersInBothForms) {
    for (TTestDatabase* t : {&DB1(), &DB3()}) {
        TFBDatabase* db = Connect(*t);
        TFBTransaction* tr = db->DefaultTransaction();
        tr->StartTransaction();
        const AnsiString n = IntToStr(t->Dialect());
        TFBQuery* ins = NewQuery(db, "insert into T (ID, NAME, CODE, AMOUNT, QTY) values (?ID, :NAME, ?CODE, :AMOUNT, :QTY)",
                                 ("I" + n).c_str());
        ASSERT_EQ(ins->ParamCount(), 5);
        for (int i = 1; i <= 3; ++i) {
            ins->ParamByName("ID")->SetAsInteger(i);
            ins->ParamByName("NAME")->SetAsString("Çağrı" + IntToStr(i));
            ins->ParamByName("CODE")->SetAsString("C" + IntToStr(i));
            ins->ParamByName("AMOUNT")->SetAsCurrency(Currency::FromScaled(12345 * i * 100));
            if (i == 3) ins->ParamByName("QTY")->Clear();
            else ins->ParamByName("QTY")->SetAsShort(static_cast<SmallInt>(i * 10));
            ins->ExecQuery();
            EXPECT_EQ(ins->RowsAffected(), 1);
        }
        TFBQuery* sel = NewQuery(db, "select ID, NAME, CODE, AMOUNT, QTY from T where ID >= :MINID order by ID",
                                 ("S" + n).c_str());
        sel->ParamByName("MINID")->SetAsInteger(2);
        sel->ExecQuery();
        ASSERT_FALSE(sel->Eof());
        EXPECT_EQ(sel->SQLType(), SQLSelect);
        EXPECT_EQ(sel->FieldByName("ID")->AsInteger(), 2);
        EXPECT_EQ(sel->FieldByName("NAME")->AsString(), "Çağrı2");
        EXPECT_EQ(sel->FieldByName("CODE")->AsString(), "C2   ");
        EXPECT_EQ(sel->FieldByName("AMOUNT")->AsCurrency(), Currency::FromScaled(2469000));
        EXPECT_EQ(sel->FieldByName("QTY")->AsInteger(), 20);
        sel->Next();
        EXPECT_EQ(sel->FieldByName("ID")->AsInteger(), 3);
        EXPECT_TRUE(sel->FieldByName("QTY")->IsNull());
        EXPECT_EQ(sel->FieldByName("QTY")->AsInteger(), 0);
        sel->Next();
        EXPECT_TRUE(sel->Eof());
        EXPECT_EQ(sel->RecordCount(), 2);
        EXPECT_EQ(sel->RowsAffected(), -1);
        tr->Rollback();
        EXPECT_FALSE(sel->Open()) << "a rollback closes the cursor";
    }
}

TEST_F(FBQueryTest, TrimCharFieldsAndTurkishTextRoundTrip) {
    TFBDatabase* db = Started(DB1());
    TFBQuery* ins = NewQuery(db, "insert into T (ID, NAME, CODE) values (:ID, :NAME, :CODE)");
    ins->ParamByName("ID")->SetAsInteger(50);
    ins->ParamByName("NAME")->SetAsString("İĞÜŞÖığüşç");
    ins->ParamByName("CODE")->SetAsString("ş");
    ins->ExecQuery();
    TFBQuery* sel = NewQuery(db, "select NAME, CODE from T where ID = 50", "S");
    sel->ExecQuery();
    EXPECT_EQ(sel->Fields(0)->AsString(), "İĞÜŞÖığüşç");
    EXPECT_EQ(sel->Fields(1)->AsString(), "ş    ");
    sel->SetOptions({qoTrimCharFields});
    EXPECT_EQ(sel->Fields(1)->AsString(), "ş");
    EXPECT_EQ(sel->Fields(1)->Value().AsString(), "ş");
    db->DefaultTransaction()->Rollback();
}

TEST_F(FBQueryTest, TooLongTextIsRefusedNotCut) {
    TFBDatabase* db = Started(DB1());
    TFBQuery* ins = NewQuery(db, "insert into T (ID, NAME) values (:ID, :NAME)");
    ins->ParamByName("ID")->SetAsInteger(60);
    ins->ParamByName("NAME")->SetAsString("12345678901");
    EXPECT_THROW(ins->ExecQuery(), EFBInterBaseError);
    db->DefaultTransaction()->Rollback();
}

TEST_F(FBQueryTest, NullParameterInWhereBecomesIsNull) {
    TFBDatabase* db = Started(DB1());
    Exec(db, "insert into T (ID, NAME) values (70, NULL)");
    Exec(db, "insert into T (ID, NAME) values (71, 'x')");
    TFBQuery* sel = NewQuery(db, "select ID from T where NAME = :N and ID >= 70", "S");
    sel->ParamByName("N")->Clear();
    sel->ExecQuery();
    EXPECT_TRUE(sel->MacrosOrNullsApplied());
    ASSERT_FALSE(sel->Eof());
    EXPECT_EQ(sel->Fields(0)->AsInteger(), 70);
    sel->Next();
    EXPECT_TRUE(sel->Eof());
    // A value again: the text is rebuilt with the marker.
    sel->ParamByName("N")->SetAsString("x");
    sel->ExecQuery();
    EXPECT_FALSE(sel->MacrosOrNullsApplied());
    EXPECT_EQ(sel->Fields(0)->AsInteger(), 71);
    // Without forcing, a null comparison finds nothing.
    sel->SetOptions({qoNoForceIsNull});
    sel->ParamByName("N")->Clear();
    sel->ExecQuery();
    EXPECT_TRUE(sel->Eof());
    db->DefaultTransaction()->Rollback();
}

TEST_F(FBQueryTest, MacrosAreSubstitutedAndRebuilt) {
    TFBDatabase* db = Started(DB1());
    Exec(db, "insert into T (ID, NAME) values (80, 'b')");
    Exec(db, "insert into T (ID, NAME) values (81, 'a')");
    TFBQuery* sel = NewQuery(db, "select ID from T where ID >= :LO order by @ORDERFIELD%ID \r\n", "S");
    EXPECT_EQ(sel->ParamCount(), 2);
    sel->ParamByName("LO")->SetAsInteger(80);
    sel->ExecQuery();
    EXPECT_EQ(sel->Fields(0)->AsInteger(), 80);
    sel->ParamByName("ORDERFIELD")->SetAsString("NAME");
    EXPECT_TRUE(sel->MacrosChanged());
    sel->ExecQuery();
    EXPECT_FALSE(sel->MacrosChanged());
    EXPECT_EQ(sel->Fields(0)->AsInteger(), 81);
    EXPECT_NE(sel->ProcessedSQL().find("order by NAME"), AnsiString::npos);
    db->DefaultTransaction()->Rollback();
}

TEST_F(FBQueryTest, QuotedMacroDefaultIsAStringLiteral) {
    TFBDatabase* db = Started(DB3());
    Exec(db, "insert into T (ID, NAME) values (90, 'abc')");
    TFBQuery* sel = NewQuery(db, "select ID from T where NAME = @V%#abc \r\n", "S");
    sel->ExecQuery();
    ASSERT_FALSE(sel->Eof());
    EXPECT_EQ(sel->Fields(0)->AsInteger(), 90);
    db->DefaultTransaction()->Rollback();
}

TEST_F(FBQueryTest, RepeatedParameterTakesOneValue) {
    TFBDatabase* db = Started(DB1());
    Exec(db, "insert into T (ID, QTY) values (100, 5)");
    TFBQuery* up = NewQuery(db, "update T set QTY = :X where ID = :ID and QTY <> :X");
    ASSERT_EQ(up->ParamCount(), 3);
    up->ParamByName("X")->SetAsInteger(7);
    up->ParamByName("ID")->SetAsInteger(100);
    EXPECT_EQ(up->Params()->Vars(2)->AsInteger(), 7);
    up->ExecQuery();
    EXPECT_EQ(up->RowsAffected(), 1);
    up->ExecQuery();
    EXPECT_EQ(up->RowsAffected(), 0);
    db->DefaultTransaction()->Rollback();
}

TEST_F(FBQueryTest, DatesAndNumericScalesInBothDialects) {
    const TDateTime day = EncodeDate(2016, 3, 31);
    for (TTestDatabase* t : {&DB1(), &DB3()}) {
        TFBDatabase* db = Started(*t);
        const AnsiString n = IntToStr(t->Dialect());
        TFBQuery* ins = NewQuery(db, "insert into T (ID, D, RATE, AMOUNT) values (:ID, :D, :R, :A)", ("I" + n).c_str());
        ins->ParamByName("ID")->SetAsInteger(110);
        // A date-time held as a Double, into a DATE column on the statement's first execution.
        ins->ParamByName("D")->SetValue(Variant(static_cast<Double>(day) + (t->Dialect() == 1 ? 0.5 : 0.0)));
        ins->ParamByName("R")->SetAsString("1,5");
        ins->ParamByName("A")->SetValue(Variant(Currency::FromScaled(-12345)));
        ins->ExecQuery();
        TFBQuery* sel = NewQuery(db, "select D, RATE, AMOUNT from T where ID = 110", ("S" + n).c_str());
        sel->ExecQuery();
        if (t->Dialect() == 1) {
            EXPECT_EQ(sel->Fields(0)->SQLType(), SQLTypeTimestamp);
            EXPECT_DOUBLE_EQ(sel->Fields(0)->AsDateTime(), day + 0.5);
            EXPECT_EQ(sel->Fields(2)->SQLType(), SQLTypeDouble);
        } else {
            EXPECT_EQ(sel->Fields(0)->SQLType(), SQLTypeDate);
            EXPECT_DOUBLE_EQ(sel->Fields(0)->AsDateTime(), day);
            EXPECT_EQ(sel->Fields(2)->SQLType(), SQLTypeInt64);
            EXPECT_EQ(sel->Fields(2)->SQLScale(), -2);
        }
        EXPECT_DOUBLE_EQ(sel->Fields(1)->AsDouble(), 1.5);
        // Dialect 1 keeps numeric(15,2) as a double; dialect 3 rounds to the scale.
        const Int64 expected = t->Dialect() == 1 ? -12345 : -12300;
        EXPECT_EQ(sel->Fields(2)->AsCurrency(), Currency::FromScaled(expected));
        db->DefaultTransaction()->Rollback();
    }
}

TEST_F(FBQueryTest, Dialect3ScaledInt64AndTimes) {
    TFBDatabase* db = Started(DB3());
    TFBQuery* ins = NewQuery(db, "insert into T3 (ID, BIG, PRICE, TM, TS) values (:ID, :BIG, :P, :TM, :TS)");
    ins->ParamByName("ID")->SetAsInteger(1);
    ins->ParamByName("BIG")->SetAsInt64(9000000000000000001LL);
    ins->ParamByName("P")->SetAsExtended(12.3456L);
    ins->ParamByName("TM")->SetAsTime(0.5);
    const TDateTime old = -18259.25;   // 1850-01-02 06:00: before 1899 the time still counts forward
    ins->ParamByName("TS")->SetAsDateTime(old);
    ins->ExecQuery();
    TFBQuery* sel = NewQuery(db, "select BIG, PRICE, TM, TS from T3 where ID = 1", "S");
    sel->ExecQuery();
    EXPECT_EQ(sel->Fields(0)->AsInt64(), 9000000000000000001LL);
    EXPECT_EQ(sel->Fields(0)->AsString(), "9000000000000000001");
    {
        TFormatSettingsGuard g;
        FormatSettings.DecimalSeparator = '.';
        EXPECT_EQ(sel->Fields(1)->AsString(), "12.3456");
    }
    EXPECT_EQ(sel->Fields(1)->AsInt64(), 12);
    EXPECT_EQ(sel->Fields(1)->AsCurrency(), Currency::FromScaled(123456));
    EXPECT_THROW(sel->Fields(0)->AsInteger(), EFBClientError) << "no silent wrap to 32 bits";
    EXPECT_DOUBLE_EQ(sel->Fields(2)->AsDateTime(), 0.5);
    EXPECT_NEAR(sel->Fields(3)->AsDateTime(), old, 1e-9);
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", sel->Fields(3)->AsDateTime()), "1850-01-02 06:00");
    EXPECT_THROW(sel->Fields(2)->AsBoolean(), EFBClientError);
    db->DefaultTransaction()->Rollback();
}

TEST_F(FBQueryTest, ColumnNamesAreMadeUnique) {
    TFBDatabase* db = Started(DB3());
    TFBQuery* sel = NewQuery(db,
                             "select 1, 2, 3, ID, ID, ID, 4 as \"ABCDEFGHIJKLMNOPQRSTUVWXYZ01234\", "
                             "5 as \"ABCDEFGHIJKLMNOPQRSTUVWXYZ01234\" from RDB$DATABASE left join T on 1=0",
                             "S");
    sel->ExecQuery();
    ASSERT_EQ(sel->FieldCount(), 8);
    const char* expected[] = {"CONSTANT", "CONSTANT1", "CONSTANT2", "ID", "ID1", "ID2",
                              "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234", "ABCDEFGHIJKLMNOPQRSTUVWXYZ012341"};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(sel->Fields(i)->Name(), expected[i]) << i;
    EXPECT_EQ(sel->FieldIndex("ID2"), 5);
    EXPECT_EQ(sel->FieldByName("ABCDEFGHIJKLMNOPQRSTUVWXYZ012341")->AsInteger(), 5);
    EXPECT_EQ(sel->FieldByOrigin("T", "ID"), sel->Fields(3));
    db->DefaultTransaction()->Rollback();
}

TEST_F(FBQueryTest, ExecuteProcedureReturnsOutputAndRepeats) {
    TFBDatabase* db = Started(DB1());
    TFBQuery* q = NewQuery(db, "execute procedure ADDONE :X");
    for (int i = 1; i <= 2; ++i) {
        q->ParamByName("X")->SetAsInteger(i * 10);
        q->ExecQuery();
        EXPECT_EQ(q->SQLType(), SQLExecProcedure);
        EXPECT_EQ(q->FieldByName("Y")->AsInteger(), i * 10 + 1);
    }
    // An unknown name in an EXECUTE statement is looked up among the output columns.
    EXPECT_EQ(q->ParamByName("Y")->AsInteger(), 21);
    EXPECT_TRUE(RaisesCode([&] { q->ParamByName("Z"); }, 41));
    db->DefaultTransaction()->Rollback();
}

// Keeps what statements report, by statement and key.
class TRecordingStatistics : public IFBStatisticsProvider {
public:
    ~TRecordingStatistics() override { RegisterStatisticsProvider(nullptr); }
    Variant GetStatistic(const AnsiString& S, const AnsiString& K) override { return Values[S + "|" + K]; }
    void SetStatistic(const AnsiString& S, const AnsiString& K, const Variant& V) override { Values[S + "|" + K] = V; }
    Variant Of(TFBQuery* Q, const AnsiString& K) { return GetStatistic(CmpFullName(Q), K); }
    std::map<AnsiString, Variant> Values;
};

TEST_F(FBQueryTest, StatisticsProviderHearsEveryExecution) {
    TFBDatabase* db = Started(DB1());
    TRecordingStatistics stats;
    RegisterStatisticsProvider(&stats);
    TFBQuery* ins = NewQuery(db, "INSERT INTO V (ID, BL) VALUES (:ID, :BL)", "Ins");
    TFBQuery* proc = NewQuery(db, "execute procedure ADDONE :X", "Proc");
    ins->ParamByName("ID")->SetAsInteger(7);
    ins->ParamByName("BL")->SetAsString("uzun metin");
    proc->ParamByName("X")->SetAsInteger(4);
    for (TFBQuery* q : {ins, ins, proc}) q->ExecQuery();
    EXPECT_EQ(stats.Of(ins, "LastQueryName").AsString() + stats.Of(ins, "ExecuteCount").AsString(), CmpFullName(ins) + "2");
    EXPECT_DOUBLE_EQ(stats.Of(ins, "AvgTimeExecute").AsDouble(), stats.Of(ins, "SumTimeExecute").AsDouble() / 2);
    EXPECT_LE(stats.Of(ins, "LastTimeExecute").AsInteger(), stats.Of(ins, "MaxTimeExecute").AsInteger());
    EXPECT_EQ(stats.Of(ins, "Params[0]").AsString() + stats.Of(proc, "Params[0]").AsString(), "'7''4'");
    EXPECT_TRUE(stats.Of(ins, "Params[1]").IsEmpty()) << "blob values are left out";
    ins->ParamByName("ID")->Clear();   // a failing execution is counted, its time is not
    EXPECT_THROW(ins->ExecQuery(), EFBError);
    EXPECT_EQ(stats.Of(ins, "ExecuteCount").AsInteger() * 100 + stats.Of(ins, "LastTimeExecute").AsInteger(), 300);
    RegisterStatisticsProvider(nullptr);
    proc->ExecQuery();
    EXPECT_EQ(stats.Of(proc, "ExecuteCount").AsInteger(), 1);
    db->DefaultTransaction()->Rollback();
}

TEST_F(FBQueryTest, ErrorsCarryCodesAndTheComponentName) {
    TFBDatabase* db = Started(DB1());
    TFBQuery* q = NewQuery(db, "selec * from T");
    if (auto e = Raised<EFBInterBaseError>([&] { q->ExecQuery(); })) {
        EXPECT_EQ(e->SQLCode(), -104);
        EXPECT_EQ(AnsiString(e->what()).rfind("dm.Q:\r\n", 0), 0u) << e->what();
    }
    EXPECT_EQ(q->Handle(), 0u) << "a failed prepare leaves no handle";
    EXPECT_EQ(MessageOf<EFBClientError>([&] { q->ParamByName("NOPE"); }), "Parameter \"NOPE\" does not exist in dm.Q");
    q->SQL()->SetText("  ");
    EXPECT_TRUE(RaisesCode([&] { q->Prepare(); }, 37));
    q->SQL()->SetText("select ID from T");
    q->ExecQuery();
    if (auto e = Raised<EFBClientError>([&] { q->SQL()->SetText("select 1 from T"); })) {
        EXPECT_EQ(e->SQLCode(), 28);
        EXPECT_NE(AnsiString(e->what()).find("change sql text"), AnsiString::npos);
    }
    q->Close();
    EXPECT_TRUE(RaisesCode([&] { q->Next(); }, 29));
    EXPECT_THROW(q->Fields(9), EFBClientError);
    EXPECT_THROW(q->FieldByName("MISSING"), EFBClientError);
    db->DefaultTransaction()->Rollback();
}

TEST_F(FBQueryTest, MissingDatabaseOrTransaction) {
    std::unique_ptr<TFBQuery> q(new TFBQuery(nullptr));
    q->SQL()->SetText("select 1 from RDB$DATABASE");
    EXPECT_TRUE(RaisesCode([&] { q->Prepare(); }, 21));
    TFBDatabase* db = Connect(DB1());
    db->SetDefaultTransaction(nullptr);
    q->SetDatabase(db);
    EXPECT_TRUE(RaisesCode([&] { q->Prepare(); }, 22));
    q->SetTransaction(Connect(DB3())->DefaultTransaction());
    q->SetOptions({qoStartTransaction});
    q->ExecQuery();
    q->SetTransaction(ConnectTestDatabase(Owner.get(), DB1(), "Again", "TrAgain")->DefaultTransaction());
    q->ExecQuery();   // moved to another connection: a handle of its own there
    delete q->Transaction();   // prepared, its transaction gone
    EXPECT_TRUE(RaisesCode([&] { q->ExecQuery(); }, 22));
}

TEST_F(FBQueryTest, StartTransactionAutoCommitAndFreeHandle) {
    TFBDatabase* db = Connect(DB1());
    TFBTransaction* tr = db->DefaultTransaction();
    TFBQuery* ins = NewQuery(db, "insert into T (ID) values (:ID)");
    ins->SetOptions({qoStartTransaction, qoAutoCommit, qoFreeHandleAfterExecute});
    ins->ParamByName("ID")->SetAsInteger(120);
    ins->ExecQuery();
    EXPECT_FALSE(tr->Active()) << "committed";
    EXPECT_FALSE(ins->Prepared());
    EXPECT_EQ(ins->Handle(), 0u);
    tr->SetTimeoutAction(TACommitRetaining);
    ins->ParamByName("ID")->SetAsInteger(121);
    ins->ExecQuery();
    EXPECT_TRUE(tr->Active()) << "commit retaining keeps the transaction";
    tr->Commit();
    TFBQuery* sel = NewQuery(db, "select count(*) from T where ID in (120, 121)", "S");
    sel->SetOptions({qoStartTransaction});
    sel->ExecQuery();
    EXPECT_EQ(sel->Fields(0)->AsInteger(), 2);
    EXPECT_TRUE(sel->Open());
    tr->Commit();
    EXPECT_FALSE(sel->Open()) << "the cursor closes when its transaction commits";
    EXPECT_TRUE(sel->Prepared()) << "the statement stays prepared";
    Exec(db, "delete from T where ID in (120, 121)");
    tr->Commit();
}

TEST_F(FBQueryTest, GoToFirstRecordAndEmptyResult) {
    TFBDatabase* db = Started(DB1());
    TFBQuery* sel = NewQuery(db, "select ID from T where ID = -1", "S");
    sel->ExecQuery();
    EXPECT_TRUE(sel->Eof());
    EXPECT_TRUE(sel->Fields(0)->IsNull());
    sel->SetGoToFirstRecordOnExecute(false);
    sel->Close();
    sel->SQL()->SetText("select 1 from RDB$DATABASE");
    sel->ExecQuery();
    EXPECT_TRUE(sel->Bof());
    EXPECT_TRUE(sel->Fields(0)->IsNull()) << "nothing fetched yet";
    sel->Next();
    EXPECT_EQ(sel->Fields(0)->AsInteger(), 1);
    sel->ExecQuery();   // a second execute closes the open cursor first
    sel->Next();
    EXPECT_EQ(sel->Fields(0)->AsInteger(), 1);
    EXPECT_FALSE(sel->Plan().empty());
    db->DefaultTransaction()->Rollback();
}

TEST_F(FBQueryTest, ValuesSetBeforePrepareSurviveIt) {
    TFBDatabase* db = Started(DB1());
    TFBQuery* ins = NewQuery(db, "insert into T (ID, RATE, NAME) values (:ID, :RATE, :NAME)");
    ins->ParamByName("ID")->SetAsInteger(130);
    ins->ParamByName("RATE")->SetAsDouble(2.25);
    ins->Prepare();
    EXPECT_EQ(ins->ParamByName("ID")->AsInteger(), 130);
    EXPECT_TRUE(ins->ParamByName("NAME")->IsNull());
    ins->ExecQuery();
    TFBQuery* sel = NewQuery(db, "select RATE, NAME from T where ID = 130", "S");
    sel->ExecQuery();
    EXPECT_DOUBLE_EQ(sel->Fields(0)->AsDouble(), 2.25);
    EXPECT_TRUE(sel->Fields(1)->IsNull());
    db->DefaultTransaction()->Rollback();
}

TEST_F(FBQueryTest, SQLObjectInterfaceFillsParameters) {
    TFBDatabase* db = Started(DB1());
    TFBQuery* src = NewQuery(db, "select 5 as ID, 'new' as NAME from RDB$DATABASE", "SRC");
    src->ExecQuery();
    TFBQuery* dst = NewQuery(db, "update T set NAME = :NEW_NAME where ID = :OLD_ID or ID = :ID", "DST");
    AssignSQLObjectParams(dst, {src});
    EXPECT_EQ(dst->ParamByName("NEW_NAME")->AsString(), "new");
    EXPECT_EQ(dst->ParamByName("OLD_ID")->AsInteger(), 5);
    EXPECT_EQ(dst->ParamByName("ID")->AsInteger(), 5);
    Integer idx = -1;
    EXPECT_TRUE(dst->ParamExist("ID", idx));
    EXPECT_EQ(idx, 2);
    EXPECT_FALSE(dst->FieldExist("ID", idx));
    db->DefaultTransaction()->Rollback();
}

TEST_F(FBQueryTest, DisconnectFreesTheStatement) {
    TFBDatabase* db = Started(DB1());
    TFBQuery* sel = NewQuery(db, "select ID from T", "S");
    sel->ExecQuery();
    db->Close();
    EXPECT_FALSE(sel->Open());
    EXPECT_FALSE(sel->Prepared());
    EXPECT_EQ(sel->Handle(), 0u);
    db->Open();
    db->DefaultTransaction()->StartTransaction();
    sel->ExecQuery();
    EXPECT_TRUE(sel->Prepared());
    db->DefaultTransaction()->Rollback();
}

TEST_F(FBQueryTest, DDLKeepsColonsAndNeedsNoParams) {
    TFBDatabase* db = Started(DB3());
    TFBQuery* q = NewQuery(db, "create procedure P2 (A integer) returns (B integer) as begin B = :A * 2; end");
    EXPECT_EQ(q->ParamCount(), 0);
    q->ExecQuery();
    db->DefaultTransaction()->Commit();
    db->DefaultTransaction()->StartTransaction();
    TFBQuery* p = NewQuery(db, "execute procedure P2 (?A)", "P");
    p->ParamByName("A")->SetAsInteger(21);
    p->ExecQuery();
    EXPECT_EQ(p->FieldByName("B")->AsInteger(), 42);
    db->DefaultTransaction()->Rollback();
}

}  // namespace

namespace {

TEST_F(FBQueryTest, AppliedConditionsFilterTheRowsAndGuardTheOpenCursor) {
    TFBDatabase* db = Connect(DB1());
    TFBTransaction* tr = db->DefaultTransaction();
    tr->StartTransaction();
    TFBQuery* ins = NewQuery(db, "insert into T (ID, NAME) values (:ID, :NAME)", "CI");
    for (Integer i = 901; i <= 904; ++i) {
        ins->ParamByName("ID")->SetAsInteger(i);
        ins->ParamByName("NAME")->SetAsString(i % 2 ? "odd" : "even");
        ins->ExecQuery();
    }
    TFBQuery* sel = NewQuery(db, "select ID from T where ID > :LOW or ID = 0 order by ID", "CS");
    sel->Conditions()->AddCondition("odd", "NAME = 'odd'", true);
    sel->Conditions()->Apply();
    sel->ParamByName("LOW")->SetAsInteger(900);
    sel->ExecQuery();
    std::vector<Integer> ids;
    for (; !sel->Eof(); sel->Next()) ids.push_back(sel->FieldByName("ID")->AsInteger());
    EXPECT_EQ(ids, (std::vector<Integer>{901, 903}));
    sel->ExecQuery();
    EXPECT_THAT(MessageOf<EFBError>([&] { sel->SetOrderClause("ID DESC"); }),
                testing::HasSubstr("change sql text")) << "text changed under an open cursor";
    EXPECT_TRUE(sel->Conditions()->Applied()) << "the failed change left the conditions on";
    sel->Close();
    sel->SetOrderClause("ID DESC");
    sel->ExecQuery();
    EXPECT_EQ(sel->FieldByName("ID")->AsInteger(), 903);
    sel->Close();
    tr->Rollback();
}

// Clause operations and conditions work on the text alone: no database needed.
std::unique_ptr<TFBQuery> TextQuery(const AnsiString& Sql) {
    auto q = std::make_unique<TFBQuery>(nullptr);
    q->SetName("Q");
    q->SQL()->SetText(Sql);
    return q;
}

TEST(FBQueryClauses, ReadTheClausesOfTheCurrentText) {
    auto q = TextQuery("SELECT A FROM T\r\nWHERE A = 1 AND B IN (SELECT B FROM U WHERE C = 2)\r\nPLAN (T NATURAL)\r\n"
                       "ORDER BY A");
    EXPECT_EQ(q->MainWhereClause(), "A = 1 AND B IN (SELECT B FROM U WHERE C = 2)");
    EXPECT_EQ(q->WhereClause(2), "C = 2");
    EXPECT_EQ(q->PlanClause(), "(T NATURAL)");
    EXPECT_EQ(Trim(q->OrderClause()), "A");
    // Only a nested WHERE: there is no main one.
    q->SQL()->SetText("SELECT A FROM (SELECT A FROM T WHERE A > 0) X");
    EXPECT_EQ(q->MainWhereClause(), "");
    EXPECT_EQ(q->WhereClause(1), "A > 0");
}

TEST(FBQueryClauses, WritesStoreTheNewTextIntoSQL) {
    auto q = TextQuery("SELECT A FROM T WHERE A = 1 ORDER BY A");
    q->SetMainWhereClause("A = :A");
    EXPECT_EQ(q->MainWhereClause(), "A = :A");
    EXPECT_NE(q->SQL()->Text().find("ORDER BY A"), AnsiString::npos);
    EXPECT_EQ(q->ParamCount(), 1) << "the parameter list follows the new text";
    q->SetOrderClause("B DESC");
    EXPECT_EQ(Trim(q->OrderClause()), "B DESC");
    q->SetOrderClause("");
    EXPECT_EQ(q->SQL()->Text().find("ORDER"), AnsiString::npos);
    q->SetPlanClause("(T INDEX (PK_T))");
    EXPECT_EQ(q->PlanClause(), "(T INDEX (PK_T))");
    q->SetPlanClause("");
    EXPECT_EQ(q->SQL()->Text().find("PLAN"), AnsiString::npos);
    // Without a WHERE clause one is added after FROM.
    q->SQL()->SetText("SELECT A FROM T");
    q->SetMainWhereClause("A > 2");
    EXPECT_EQ(q->MainWhereClause(), "A > 2");
}

TEST(FBQueryClauses, ModifiedTableIsCachedPerText) {
    auto q = TextQuery("UPDATE ORDERS O SET A = 1");
    const Integer v = q->SQLVersion();
    EXPECT_EQ(q->ModifyTable(), "ORDERS");
    q->SQL()->SetText("INSERT INTO \"Items\" (A) VALUES (1)");
    EXPECT_GT(q->SQLVersion(), v);
    EXPECT_EQ(q->ModifyTable(), "Items") << "the name alone, without its quotes";
    q->SQL()->SetText("DELETE FROM");
    EXPECT_EQ(q->ModifyTable(), "Unknown");
    // Inside a batch the name is worked out again only when the batch ends.
    q->BeginModifySQLText();
    q->SQL()->SetText("DELETE FROM A");
    q->SQL()->SetText("DELETE FROM B");
    q->EndModifySQLText();
    EXPECT_EQ(q->ModifyTable(), "B");
}

TEST(FBQueryConditions, ApplyAndsEnabledConditionsIntoTheMainWhere) {
    auto q = TextQuery("SELECT A FROM T WHERE A = 1 OR A = 2 ORDER BY A");
    const AnsiString own = q->SQL()->Text();
    TConditions* c = q->Conditions();
    c->AddCondition("one", "B = 1", true);
    c->AddCondition("two", "C = 2", false);
    c->AddCondition("three", "D = 3", true);
    EXPECT_EQ(c->ConditionsText(), "(B = 1)\r\n\r\n and (D = 3)\r\n");
    c->Apply();
    EXPECT_TRUE(c->Applied());
    const AnsiString once = q->SQL()->Text();
    // The statement's own OR stays bracketed, so it cannot bypass the conditions.
    EXPECT_NE(once.find("(A = 1 OR A = 2)\r\nand (B = 1)"), AnsiString::npos) << once;
    EXPECT_NE(once.find("ORDER BY A"), AnsiString::npos);
    c->Apply();
    EXPECT_EQ(q->SQL()->Text(), once) << "applying twice equals applying once";
    c->CancelApply();
    EXPECT_FALSE(c->Applied());
    EXPECT_EQ(q->SQL()->Text(), own);
    // Without a WHERE clause the conditions become one.
    q->SQL()->SetText("SELECT A FROM T");
    c->Apply();
    EXPECT_EQ(q->MainWhereClause(), Trim(c->ConditionsText()));
}

TEST(FBQueryConditions, ClauseWritesAndTextEditsKeepTheOwnTextApart) {
    auto q = TextQuery("SELECT A FROM T WHERE A = 1");
    TConditions* c = q->Conditions();
    c->AddCondition("b", "B = 2", true);
    c->Apply();
    // ORDER BY changes the statement's own text; the conditions go on again.
    q->SetOrderClause("A");
    EXPECT_TRUE(c->Applied());
    EXPECT_NE(q->SQL()->Text().find("and (B = 2)"), AnsiString::npos);
    EXPECT_EQ(TSQLParser(c->SavedSQL()).GetOrderClause().find("A"), 1u);
    c->CancelApply();
    EXPECT_EQ(q->MainWhereClause(), "A = 1");
    EXPECT_NE(q->SQL()->Text().find("ORDER BY A"), AnsiString::npos);

    // A line added while conditions are applied goes onto the own text.
    c->Apply();
    q->SQL()->Add("/* end */");
    EXPECT_FALSE(c->Applied());
    EXPECT_EQ(q->SQL()->Text().find("B = 2"), AnsiString::npos);
    EXPECT_EQ(q->SQL()->Strings(q->SQL()->Count() - 1), "/* end */");
    c->Apply();
    c->Apply();
    EXPECT_EQ(q->SQL()->Text().find("B = 2"), q->SQL()->Text().rfind("B = 2")) << "no pile-up";
}

TEST_F(FBQueryTest, FetchingKeepsTheIdleTimeOutAway) {
    TManualTimerService clock;
    TTimerServiceGuard guard(&clock);
    TFBDatabase* db = Connect(DB1());
    db->SetTimeout(1000);
    TFBQuery* q = NewQuery(db, "select rdb$relation_id from rdb$relations");
    q->SetOptions({qoStartTransaction});
    q->ExecQuery();
    for (int i = 0; i < 10; ++i) {
        clock.Advance(600);
        ASSERT_TRUE(db->Connected()) << "after " << i << " fetches";
        q->Next();
    }
    EXPECT_EQ(q->RecordCount(), 11);
    clock.Advance(2000);   // no fetch for two intervals
    EXPECT_FALSE(db->Connected());
    db->SetTimeout(0);
}

TEST_F(FBQueryTest, TextThatFailsToScanKeepsNoParametersOfTheTextBefore) {
    TFBQuery* q = NewQuery(Connect(DB1()), "SELECT ID FROM T WHERE ID = 1 AND NAME = :A AND CODE = :C");
    q->SetOptions({qoStartTransaction});
    ASSERT_NE(q->FindParam("A"), nullptr);
    q->ParamByName("A")->SetIsNull(true);
    EXPECT_THROW(q->SQL()->SetText("SELECT :B, 'x"), EFBClientError);
    EXPECT_THROW(q->ParamByName("A"), EFBClientError) << "still the scan error, not the old A";
    EXPECT_THROW(q->Prepare(), EFBClientError);
    EXPECT_FALSE(q->Prepared());
    q->SQL()->SetText("SELECT ID FROM T WHERE ID = :B");
    EXPECT_EQ(q->FindParam("A"), nullptr);
    ASSERT_NE(q->FindParam("B"), nullptr);
    q->Prepare();
    EXPECT_TRUE(q->Prepared());
}

TEST(FBQueryConditions, ListMaintenance) {
    auto q = TextQuery("SELECT A FROM T");
    TConditions* c = q->Conditions();
    TCondition* a = c->AddCondition("a", "A = 1", true);
    EXPECT_EQ(a->Name(), "a");
    EXPECT_EQ(a->Text(), "A = 1");
    EXPECT_EQ(c->AddCondition("a", "A = 2", false), a) << "same name: text replaced";
    EXPECT_EQ(c->Count(), 1);
    EXPECT_EQ(a->Text(), "A = 2");
    EXPECT_FALSE(a->Enabled());
    TObject other;   // refused: stays the caller's
    EXPECT_EQ(c->AddObject("x=1", &other), -1);
    c->Add("b=B = 1");
    ASSERT_NE(c->FindCondition("B"), nullptr) << "names compare without case";
    EXPECT_EQ(c->FindCondition("b")->Text(), "B = 1");
    c->Add("by_id=ID = 1");
    ASSERT_NE(c->FindCondition("BY_ID"), nullptr) << "names fold as names, not the Turkish way";
    c->RemoveCondition("BY_ID");
    EXPECT_EQ(c->Items(5), nullptr);
    c->Apply();
    c->FindCondition("b")->SetEnabled(false);
    EXPECT_FALSE(c->Applied());
    delete c->FindCondition("b");
    EXPECT_EQ(c->Count(), 1) << "a freed condition takes its line along";
    c->RemoveCondition("a");
    EXPECT_EQ(c->Count(), 0);
}

TEST(FBQueryConditions, TextFormRoundTrip) {
    auto q = TextQuery("SELECT A FROM T");
    TConditions* c = q->Conditions();
    c->AddCondition("a", "A = 1", true);
    c->AddCondition("e", "", false);
    const AnsiString text = c->AsText();
    EXPECT_EQ(text, "a#$#$A = 1#$#$1\r\ne#$#$#$#$0\r\n");
    auto other = TextQuery("SELECT A FROM T");
    other->Conditions()->SetAsText(text);
    ASSERT_EQ(other->Conditions()->Count(), 2);
    EXPECT_TRUE(other->Conditions()->FindCondition("a")->Enabled());
    EXPECT_EQ(other->Conditions()->FindCondition("e")->Text(), "");
    EXPECT_FALSE(other->Conditions()->FindCondition("e")->Enabled());
    // What looks like an escape, or the separator, comes back as written.
    for (const AnsiString Text : {"S = 'a#$0A'", "S = '#$#$#$23'\r\nOR S = '#'", "S = '#$'"}) {
        c->AddCondition("a", Text, true);
        other->Conditions()->SetAsText(c->AsText());
        EXPECT_EQ(other->Conditions()->FindCondition("a")->Text(), Text);
    }
}

// A line comment at the end of the own clause or of a condition, and a condition without text.
TEST_F(FBQueryTest, AppliedConditionsAlwaysParse) {
    TFBQuery* q = NewQuery(Connect(DB1()), "SELECT ID FROM T WHERE ID > 0 -- own\r\nORDER BY ID");
    q->SetOptions({qoStartTransaction});
    TConditions* c = q->Conditions();
    c->AddCondition("none", "", true);
    c->AddCondition("remark", "/* none yet */", true);
    c->Apply();
    EXPECT_NO_THROW(q->ExecQuery()) << q->SQL()->Text();
    q->Close();
    c->AddCondition("mine", "ID < 5 -- mine", true);
    c->Apply();
    EXPECT_NO_THROW(q->ExecQuery()) << q->SQL()->Text();
}

TEST_F(FBQueryTest, QuadSetBeforePrepareTravelsAsTheBlobId) {
    TFBDatabase* db = Connect(DB1());
    Exec(db, "CREATE TABLE TQ (ID INTEGER, MEMO BLOB SUB_TYPE 1)");
    TFBTransaction* tr = db->DefaultTransaction();
    tr->Commit();
    tr->StartTransaction();
    TFBQuery* ins = NewQuery(db, "insert into TQ (ID, MEMO) values (1, :MEMO)", "QI");
    ins->ParamByName("MEMO")->SetAsString("Işık ölçümü");
    ins->ExecQuery();
    TFBQuery* sel = NewQuery(db, "select MEMO from TQ where ID = :ID", "QS");
    sel->ParamByName("ID")->SetAsInteger(1);
    sel->ExecQuery();
    const ISC_QUAD id = sel->Fields(0)->AsQuad();
    sel->Close();

    // The id is set while the statement is not prepared yet; Prepare must keep it.
    TFBQuery* copy = NewQuery(db, "insert into TQ (ID, MEMO) values (2, :MEMO)", "QC");
    copy->ParamByName("MEMO")->SetAsQuad(id);
    EXPECT_FALSE(copy->Prepared());
    copy->Prepare();
    copy->ExecQuery();
    sel->ParamByName("ID")->SetAsInteger(2);
    sel->ExecQuery();
    EXPECT_EQ(sel->Fields(0)->AsString(), "Işık ölçümü");
    tr->Rollback();
}

// ---- values on the real engine -------------------------------------------------

// Typed values set before the first execution travel as they are: no detour
// through locale texts that lose milliseconds, digits or the day order.
TEST_F(FBQueryTest, ValuesSetBeforeTheFirstPrepareKeepTheirPrecision) {
    TFormatSettingsGuard g;
    FormatSettings.DateSeparator = '/';
    FormatSettings.ShortDateFormat = "dd/mm/yyyy";
    FormatSettings.DecimalSeparator = ',';
    const TDateTime stamp = EncodeDate(2016, 1, 12) + EncodeTime(10, 20, 30, 123);
    const Double dbl = 0.1 + 0.2;
    for (TTestDatabase* t : {&DB1(), &DB3()}) {
        TFBDatabase* db = Started(*t);
        TFBQuery* ins = NewQuery(db, "insert into V (ID, TS, DBL) values (:ID, :TS, :DBL)", "I");
        ins->ParamByName("ID")->SetAsInteger(1);
        ins->ParamByName("TS")->SetAsDateTime(stamp);
        ins->ParamByName("DBL")->SetAsDouble(dbl);
        ins->ExecQuery();
        TFBQuery* sel = NewQuery(db, "select TS, DBL from V where ID = 1", "S");
        sel->ExecQuery();
        ASSERT_FALSE(sel->Eof());
        EXPECT_NEAR(sel->Fields(0)->AsDateTime(), stamp, 1e-9) << "dialect " << t->Dialect();
        EXPECT_EQ(sel->Fields(1)->AsDouble(), dbl);
        db->DefaultTransaction()->Rollback();
        delete sel;
        delete ins;
    }
}

TEST_F(FBQueryTest, ScaledNumbersAtTheirExtremes) {
    TFormatSettingsGuard g;
    FormatSettings.DecimalSeparator = '.';
    struct Case {
        const char* Text;     // as the server is given it
        Int64 Cents;          // value x 100 (N152)
    };
    const Case cases[] = {{"9999999999999.99", 999999999999999LL},
                          {"-9999999999999.99", -999999999999999LL},
                          {"-0.01", -1},
                          {"0.07", 7}};
    for (TTestDatabase* t : {&DB1(), &DB3()}) {
        TFBDatabase* db = Started(*t);
        Integer id = 10;
        for (const Case& c : cases) {
            Exec(db, AnsiString("insert into V (ID, N152) values (") + IntToStr(++id) + ", " + c.Text + ")");
            std::unique_ptr<TFBQuery> sel(NewQuery(db, "select N152 from V where ID = " + IntToStr(id), "S"));
            sel->ExecQuery();
            TFBXSQLVAR* f = sel->Fields(0);
            const AnsiString where = AnsiString(c.Text) + " dialect " + IntToStr(t->Dialect());
            EXPECT_EQ(f->AsCurrency(), Currency::FromScaled(c.Cents * 100)) << where;
            EXPECT_EQ(f->AsString(), c.Text) << where;
            EXPECT_EQ(f->AsInt64(), c.Cents / 100) << where;
        }
        if (t->Dialect() == 1) db->DefaultTransaction()->Rollback();
    }
    // NUMERIC(18,4) is an exact INT64 in dialect 3, to the last digit both ways.
    TFBDatabase* db = dynamic_cast<TFBDatabase*>(Owner->FindComponent("DB3"));
    ASSERT_NE(db, nullptr);
    std::unique_ptr<TFBQuery> ins(NewQuery(db, "insert into V (ID, N184) values (:ID, :N)", "I"));
    const Int64 extremes[] = {999999999999999999LL, -999999999999999999LL, -1, 5};
    Integer id = 30;
    for (Int64 raw : extremes) {
        ins->ParamByName("ID")->SetAsInteger(++id);
        TBcd b;
        CurrToFBBcd(4, b, raw);
        ins->ParamByName("N")->SetAsBcd(b);
        ins->ExecQuery();
        std::unique_ptr<TFBQuery> sel(NewQuery(db, "select N184 from V where ID = " + IntToStr(id), "S"));
        sel->ExecQuery();
        TFBXSQLVAR* f = sel->Fields(0);
        EXPECT_EQ(f->AsCurrency(), Currency::FromScaled(raw)) << raw;
        EXPECT_EQ(f->AsString(), ScaledInt64ToStr(4, '.', raw)) << raw;
        EXPECT_EQ(f->AsInt64(), raw / 10000) << raw;
        EXPECT_EQ(f->Value().AsCurrency(), Currency::FromScaled(raw)) << "a variant keeps every digit";
        Int64 back = 0;
        Integer scale = 0;
        ASSERT_TRUE(BcdToScaledInt64(f->AsBcd(), back, scale));
        EXPECT_EQ(back, raw);
        EXPECT_EQ(scale, 4);
    }
    EXPECT_EQ(ScaledInt64ToStr(4, '.', -1), "-0.0001");
    db->DefaultTransaction()->Rollback();
}

TEST_F(FBQueryTest, TextAtItsLengthTurkishLettersAndNullsOfEveryType) {
    const AnsiString letters = "çğıöşüÇĞİÖ";   // ten bytes in code page 1254
    ASSERT_EQ(letters.size(), 10u);
    for (TTestDatabase* t : {&DB1(), &DB3()}) {
        TFBDatabase* db = Started(*t);
        std::unique_ptr<TFBQuery> ins(NewQuery(db, "insert into V (ID, VC, CH) values (:ID, :VC, :CH)", "I"));
        ins->ParamByName("ID")->SetAsInteger(50);
        ins->ParamByName("VC")->SetAsString(letters);
        ins->ParamByName("CH")->SetAsString("Şü");
        ins->ExecQuery();
        ins->ParamByName("ID")->SetAsInteger(51);
        ins->ParamByName("VC")->SetAsString(letters + "Ş");
        EXPECT_THROW(ins->ExecQuery(), EFBInterBaseError) << "one over is refused, not cut";
        ins->ParamByName("VC")->SetAsString("Üş");
        ins->ExecQuery();   // the statement is still usable after the refusal
        std::unique_ptr<TFBQuery> sel(NewQuery(db, "select VC, CH from V where ID >= 50 order by ID", "S"));
        sel->ExecQuery();
        EXPECT_EQ(sel->Fields(0)->AsString(), letters);
        EXPECT_EQ(sel->Fields(1)->AsString(), "Şü ");
        sel->Next();
        EXPECT_EQ(sel->Fields(0)->AsString(), "Üş");
        sel->Next();
        EXPECT_TRUE(sel->Eof());

        // A row of nulls: every type reads as null and as its empty value.
        Exec(db, "insert into V (ID) values (52)");
        std::unique_ptr<TFBQuery> nul(
            NewQuery(db, "select N152, N184, TS, VC, CH, DBL, SI, BL from V where ID = 52", "N"));
        nul->ExecQuery();
        for (Integer i = 0; i < nul->FieldCount(); ++i) {
            TFBXSQLVAR* f = nul->Fields(i);
            EXPECT_TRUE(f->IsNull()) << f->Name().c_str();
            EXPECT_TRUE(f->Value().IsNull()) << f->Name().c_str();
            EXPECT_EQ(f->AsString(), "") << f->Name().c_str();
            if (!f->IsBlob() && f->SQLType() != SQLTypeText && f->SQLType() != SQLTypeVarying &&
                f->SQLType() != SQLTypeTimestamp && f->SQLType() != SQLTypeDate) {
                EXPECT_EQ(f->AsInt64(), 0) << f->Name().c_str();
                EXPECT_EQ(f->AsCurrency(), Currency()) << f->Name().c_str();
            }
        }
        EXPECT_EQ(nul->FieldByName("TS")->AsDateTime(), 0.0);
        db->DefaultTransaction()->Rollback();
    }
}

TEST_F(FBQueryTest, ParametersSetToNullOfEveryTypeAndBackAgain) {
    for (TTestDatabase* t : {&DB1(), &DB3()}) {
        TFBDatabase* db = Started(*t);
        std::unique_ptr<TFBQuery> ins(NewQuery(
            db, "insert into V (ID, N152, N184, TS, VC, CH, DBL, SI, BL) values (:ID, :A, :B, :C, :D, :E, :F, :G, :H)",
            "I"));
        const char* names[] = {"A", "B", "C", "D", "E", "F", "G", "H"};
        ins->ParamByName("ID")->SetAsInteger(60);
        for (const char* n : names) ins->ParamByName(n)->SetAsString("1");
        ins->ParamByName("C")->SetAsDateTime(EncodeDate(2020, 2, 29));
        ins->ExecQuery();
        ins->ParamByName("ID")->SetAsInteger(61);
        for (const char* n : names) ins->ParamByName(n)->Clear();
        ins->ExecQuery();
        ins->ParamByName("ID")->SetAsInteger(62);
        for (const char* n : names) ins->ParamByName(n)->SetAsString("2");
        ins->ParamByName("C")->SetAsDateTime(EncodeDate(2020, 3, 1));
        ins->ExecQuery();
        std::unique_ptr<TFBQuery> sel(NewQuery(db, "select * from V where ID >= 60 order by ID", "S"));
        sel->ExecQuery();
        for (int row = 0; row < 3; ++row, sel->Next()) {
            ASSERT_FALSE(sel->Eof());
            for (Integer i = 1; i < sel->FieldCount(); ++i) {
                TFBXSQLVAR* f = sel->Fields(i);
                EXPECT_EQ(f->IsNull(), row == 1) << row << " " << f->Name().c_str();
                if (row != 2) continue;
                if (f->SQLType() == SQLTypeTimestamp || f->SQLType() == SQLTypeDate)
                    EXPECT_DOUBLE_EQ(f->AsDateTime(), EncodeDate(2020, 3, 1));
                else
                    EXPECT_EQ(Trim(f->AsString()), "2") << f->Name().c_str();
            }
        }
        db->DefaultTransaction()->Rollback();
    }
}

TEST_F(FBQueryTest, StatementOutlivesItsTransaction) {
    TFBDatabase* db = Connect(DB3());
    TFBTransaction* tr = db->DefaultTransaction();
    tr->StartTransaction();
    Exec(db, "insert into V (ID, SI) values (70, 1)");
    std::unique_ptr<TFBQuery> sel(NewQuery(db, "select SI from V where ID = :ID", "S"));
    sel->SetOptions({qoStartTransaction});
    sel->ParamByName("ID")->SetAsInteger(70);
    sel->ExecQuery();
    EXPECT_EQ(sel->Fields(0)->AsInteger(), 1);
    const isc_stmt_handle h = sel->Handle();
    tr->Commit();
    EXPECT_FALSE(sel->Open());
    EXPECT_TRUE(sel->Prepared()) << "the statement belongs to the attachment";
    sel->ExecQuery();   // starts a new transaction and runs again
    EXPECT_TRUE(tr->Active());
    EXPECT_EQ(sel->Handle(), h);
    EXPECT_EQ(sel->Fields(0)->AsInteger(), 1);
    sel->ParamByName("ID")->SetAsInteger(71);
    sel->ExecQuery();
    EXPECT_TRUE(sel->Eof());
    Exec(db, "delete from V where ID = 70");
    tr->Commit();
}

// A select whose first row fails leaves the statement prepared but closed, so
// that its text can change and it runs again.
TEST_F(FBQueryTest, FailedFirstFetchLeavesTheCursorClosed) {
    TFBDatabase* db = Started(DB3());
    std::unique_ptr<TFBQuery> sel(NewQuery(db, "select 1 / (ID - ID) from RDB$DATABASE, V where ID = :ID", "S"));
    Exec(db, "insert into V (ID) values (80)");
    sel->ParamByName("ID")->SetAsInteger(80);
    EXPECT_THROW(sel->ExecQuery(), EFBInterBaseError);
    EXPECT_FALSE(sel->Open());
    EXPECT_TRUE(sel->Prepared());
    sel->ParamByName("ID")->SetAsInteger(81);
    sel->ExecQuery();
    EXPECT_TRUE(sel->Eof());
    sel->Close();
    sel->SQL()->SetText("select ID from V where ID = 80");
    sel->ExecQuery();
    EXPECT_EQ(sel->Fields(0)->AsInteger(), 80);
    db->DefaultTransaction()->Rollback();
}

// Failed prepares and executions never leave a statement handle behind.
TEST_F(FBQueryTest, FailuresLeaveNoHandle) {
    TFBDatabase* db = Started(DB1());
    std::unique_ptr<TFBQuery> q(NewQuery(db, "select NOPE from V", "Q"));
    EXPECT_THROW(q->Prepare(), EFBInterBaseError);
    EXPECT_EQ(q->Handle(), 0u);
    EXPECT_FALSE(q->Prepared());
    q->SQL()->SetText("select * from V where ID = :ID");
    q->Prepare();
    EXPECT_NE(q->Handle(), 0u);
    q->SQL()->SetText("   ");
    EXPECT_EQ(q->Handle(), 0u) << "a new text drops the old statement";
    EXPECT_THROW(q->Prepare(), EFBClientError);
    EXPECT_EQ(q->Handle(), 0u);
    q->SQL()->SetText("set transaction");
    EXPECT_THROW(q->Prepare(), EFBClientError);
    EXPECT_EQ(q->Handle(), 0u);
    db->DefaultTransaction()->Rollback();
}

TEST_F(FBQueryTest, QuotedMacroValueStaysOneLiteral) {
    TFBDatabase* db = Started(DB1());
    Exec(db, "insert into V (ID, VC) values (90, 'O''Neil')");
    Exec(db, "insert into V (ID, VC) values (91, 'x')");
    std::unique_ptr<TFBQuery> sel(NewQuery(db, "select ID from V where VC = @V%#x \r\n", "S"));
    sel->ParamByName("V")->SetAsString("O'Neil");
    sel->ExecQuery();
    ASSERT_FALSE(sel->Eof());
    EXPECT_EQ(sel->Fields(0)->AsInteger(), 90);
    sel->ParamByName("V")->SetAsString("' or ''='");
    sel->ExecQuery();
    EXPECT_TRUE(sel->Eof()) << "typed text is compared, never run";
    db->DefaultTransaction()->Rollback();
}

// Milliseconds survive both ways; old dates keep their time of day; a value
// beyond the calendar is refused instead of becoming the year 1.
TEST_F(FBQueryTest, TimesWithMillisecondsAndOldDates) {
    const TDateTime times[] = {EncodeDate(2023, 12, 31) + EncodeTime(23, 59, 59, 999),
                               // before 1899-12-30 the time of day counts away from zero
                               EncodeDate(1850, 6, 1) - EncodeTime(12, 0, 0, 250),
                               EncodeDate(1899, 12, 29) - EncodeTime(6, 0, 0, 1)};
    for (TTestDatabase* t : {&DB1(), &DB3()}) {
        TFBDatabase* db = Started(*t);
        std::unique_ptr<TFBQuery> ins(NewQuery(db, "insert into V (ID, TS) values (:ID, :TS)", "I"));
        Integer id = 100;
        for (TDateTime v : times) {
            ins->ParamByName("ID")->SetAsInteger(++id);
            ins->ParamByName("TS")->SetValue(Variant::FromDateTime(v));
            ins->ExecQuery();
        }
        std::unique_ptr<TFBQuery> sel(NewQuery(db, "select TS from V where ID > 100 order by ID", "S"));
        sel->ExecQuery();
        for (TDateTime v : times) {
            ASSERT_FALSE(sel->Eof());
            EXPECT_NEAR(sel->Fields(0)->AsDateTime(), v, 1e-9) << DateTimeToStr(v).c_str();
            sel->Next();
        }
        TFBXSQLVAR* p = ins->ParamByName("TS");
        p->SetAsDateTime(times[0]);
        EXPECT_THROW(p->SetAsDateTime(1e9), EFBClientError);
        EXPECT_NEAR(p->AsDateTime(), times[0], 1e-9) << "a refused value leaves the old one";
        db->DefaultTransaction()->Rollback();
    }
    TFBDatabase* db = dynamic_cast<TFBDatabase*>(Owner->FindComponent("DB3"));
    db->DefaultTransaction()->StartTransaction();
    std::unique_ptr<TFBQuery> ins(NewQuery(db, "insert into T3 (ID, TM) values (1, :TM)", "T"));
    const TDateTime tm = EncodeTime(10, 20, 30, 123);
    ins->ParamByName("TM")->SetAsTime(tm);
    ins->ExecQuery();
    std::unique_ptr<TFBQuery> sel(NewQuery(db, "select TM from T3 where ID = 1", "U"));
    sel->ExecQuery();
    EXPECT_EQ(sel->Fields(0)->SQLType(), SQLTypeTime);
    EXPECT_NEAR(sel->Fields(0)->AsDateTime(), tm, 1e-9);
    db->DefaultTransaction()->Rollback();
}

}  // namespace
