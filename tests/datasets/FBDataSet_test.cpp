#include "datasets/FBDataSet.h"
#include "datasets/pFBDataSet.h"
#include "platform/Raised.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <ibase.h>

#include <cmath>
#include <functional>
#include <memory>

#include "dbclient/FBMessages.h"
#include "platform/sys/Timers.h"
#include "support/db/FakeClientLibrary.h"
#include "support/db/DbTest.h"

namespace {

// A client library whose cursor close fails, as when the connection broke, while asked to.
bool FailCursorClose = false;
ISC_STATUS FreeStatementFailingClose(ISC_STATUS* Status, isc_stmt_handle* Handle, unsigned short Option) {
    using TFree = ISC_STATUS (*)(ISC_STATUS*, isc_stmt_handle*, unsigned short);
    static const auto Real = reinterpret_cast<TFree>(dlsym(dlopen("libfbclient.so.2", RTLD_NOW), "isc_dsql_free_statement"));
    if (FailCursorClose && Option == DSQL_close) {
        Real(Status, Handle, Option);
        Status[0] = isc_arg_gds;
        Status[1] = isc_network_error;
        Status[2] = isc_arg_end;
        return Status[1];
    }
    return Real(Status, Handle, Option);
}

// Runs the modifying statements itself, as the application data set does.
class TPostingDataSet : public TFBDataSet {
public:
    using TFBDataSet::TFBDataSet;
    Integer Executed = 0;

protected:
    void InternalPostRecord(TFBQuery* Qry, TRecordBuffer Buff) override {
        if (!UpdateTransaction()->Active()) UpdateTransaction()->StartTransaction();
        SetInternalSQLParams(Qry, Buff);
        Qry->ExecQuery();
        ++Executed;
        BufStatus(Buff) = cusUnmodified;
    }
};

class TWindowLink : public TDataLink {};

// The IDs of Ds from the first record on, each followed by a blank.
AnsiString IdsOf(TDataSet* Ds) {
    AnsiString R;
    for (Ds->First(); !Ds->Eof(); Ds->Next()) R += Ds->FieldByName("ID")->AsString() + " ";
    return R;
}

// A persistent field of Ds, sized and of a kind when given.
template <class T>
T* AddField(TDataSet* Ds, const char* Name, Integer Size = 0, TFieldKind Kind = fkData) {
    auto* F = new T(Ds);
    F->SetFieldName(Name);
    if (Size) F->SetSize(Size);
    if (Kind != fkData) F->SetFieldKind(Kind);
    F->SetDataSet(Ds);
    return F;
}

struct TDesignDataSet : TFBDataSet {   // one in the designer
    explicit TDesignDataSet(TComponent* AOwner) : TFBDataSet(AOwner) { SetDesigning(true); }
};

class FBDataSetTest : public TDbTest {
public:
    static void SetUpTestSuite() {
        AnsiString Script =
            "CREATE TABLE MANY (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40));"
            "CREATE TABLE KINDS (ID INTEGER NOT NULL, SHORTTXT VARCHAR(8), LONGTXT VARCHAR(40), "
            "  CODE CHAR(10), AMOUNT DOUBLE PRECISION, D DATE, MONEY NUMERIC(15,2), RATE NUMERIC(9,2), "
            "  QTY SMALLINT, FLAG INTEGER, NN VARCHAR(20) NOT NULL);"
            "CREATE TABLE EDIT (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40), RATE NUMERIC(9,2), "
            "  AMOUNT DOUBLE PRECISION, D DATE);"
            "CREATE TABLE NOTES (ID INTEGER NOT NULL PRIMARY KEY, MEMO BLOB SUB_TYPE 1);"
            "CREATE TABLE READINGS (ID INTEGER NOT NULL PRIMARY KEY, V INTEGER[1:2]);";
        DB1().Execute(Script);
        AnsiString Rows;
        for (Integer I = 1; I <= 50; ++I)
            Rows += "INSERT INTO MANY VALUES (" + IntToStr(I) + ", \"Satır " + IntToStr(I) + "\");";
        Rows +=
            "INSERT INTO KINDS VALUES (1, \"kısa\", \"Çağrı Şirketi İĞÜ Öşç\", \"AB\", 1234.5, \"15.03.2016\", "
            "  1234.56, 123.45, 7, -1, \"x\");"
            "INSERT INTO KINDS (ID, NN) VALUES (2, \"\");";
        DB1().Execute(Rows);
        DB1().Execute("ALTER TABLE KINDS ADD KEPT VARCHAR(10) DEFAULT ''");
        DB3().Execute(
            "CREATE TABLE NUMS (ID INTEGER NOT NULL, PRICE NUMERIC(18,2), BIG BIGINT, FINE NUMERIC(18,6), "
            "  TM TIME, TS TIMESTAMP);");
        DB3().Execute(
            "INSERT INTO NUMS VALUES (1, 123.45, 9007199254740993, 1.123456, '07:30:15', '2016-03-15 10:20:30');"
            "INSERT INTO NUMS (ID) VALUES (2);");
    }

protected:
    TFBDatabase* Connect(TTestDatabase& T) {
        const bool One = T.Dialect() == 1;
        return ConnectTestDatabase(Owner.get(), T, One ? "DB1" : "DB3", One ? "TR1" : "TR3");
    }
    template <class T = TFBDataSet>
    T* NewDataSet(TFBDatabase* Db, const AnsiString& Sql, const char* Name = "ds") {
        auto* Ds = new T(Owner.get());
        Ds->SetName(Name);
        Ds->SetDatabase(Db);
        Ds->SetTransaction(Db->DefaultTransaction());
        Ds->SelectSQL()->SetText(Sql);
        return Ds;
    }
    TFBDataSet* Opened(TTestDatabase& T, const AnsiString& Sql) {
        TFBDataSet* Ds = NewDataSet(Connect(T), Sql);
        Ds->Open();
        return Ds;
    }
};

// ---- field definitions, classes and layout -----------------------------------------------------

TEST_F(FBDataSetTest, FieldClassesFollowTheColumnTypesOfADialect1Table) {
    TFBDataSet* Ds = Opened(DB1(), "SELECT * FROM KINDS ORDER BY ID");
    struct { const char* Name; TFieldType Type; Integer Size; } Cases[] = {
        {"ID", ftInteger, 0},      {"SHORTTXT", ftString, 8}, {"LONGTXT", ftString, 40}, {"CODE", ftString, 10},
        {"AMOUNT", ftFloat, 0},    {"D", ftDateTime, 0},      {"MONEY", ftFloat, 0},     {"RATE", ftFloat, 0},
        {"QTY", ftSmallint, 0},    {"FLAG", ftInteger, 0},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        TField* F = Ds->FieldByName(C.Name);
        EXPECT_EQ(F->DataType(), C.Type);
        EXPECT_EQ(F->Size(), C.Size);
    }
    EXPECT_NE(dynamic_cast<TFBIntegerField*>(Ds->FieldByName("ID")), nullptr);
    EXPECT_NE(dynamic_cast<TFBStringField*>(Ds->FieldByName("LONGTXT")), nullptr);
    EXPECT_NE(dynamic_cast<TFBFloatField*>(Ds->FieldByName("RATE")), nullptr);
    EXPECT_NE(dynamic_cast<TFBDateTimeField*>(Ds->FieldByName("D")), nullptr);
    EXPECT_NE(dynamic_cast<TFBSmallIntField*>(Ds->FieldByName("QTY")), nullptr);
    EXPECT_EQ(Ds->FieldByName("D")->Origin(), "KINDS.D");
}

TEST_F(FBDataSetTest, Dialect3ScaledIntegersBecomeExactDecimalsOrFloats) {
    TFBDataSet* Ds = Opened(DB3(), "SELECT * FROM NUMS ORDER BY ID");
    EXPECT_EQ(Ds->FieldByName("PRICE")->DataType(), ftBCD);
    EXPECT_EQ(Ds->FieldByName("PRICE")->Size(), 2);
    EXPECT_EQ(Ds->FieldByName("BIG")->DataType(), ftBCD);
    EXPECT_EQ(Ds->FieldByName("BIG")->Size(), 0);
    EXPECT_EQ(Ds->FieldByName("FINE")->DataType(), ftFloat);
    EXPECT_EQ(Ds->FieldByName("TM")->DataType(), ftTime);
    EXPECT_EQ(Ds->FieldByName("TS")->DataType(), ftDateTime);
    Ds->Close();
    Ds->SetPrepareOptions(Ds->PrepareOptions() + TpPrepareOptions{psSQLINT64ToBCD});
    Ds->Open();
    EXPECT_EQ(Ds->FieldByName("FINE")->DataType(), ftBCD);
    EXPECT_EQ(Ds->FieldByName("FINE")->Size(), 6);
    EXPECT_EQ(Ds->FieldByName("FINE")->AsString(), "1,123456");
}

TEST_F(FBDataSetTest, InTheDesignerFieldDefinitionsConnectWithoutALoginAndLeaveTheDatabaseAsFound) {
    TFBDatabase* Db = Connect(DB1());
    Db->Close();
    Db->SetUseLoginPrompt(true);
    auto* Ds = NewDataSet<TDesignDataSet>(Db, "SELECT ID, NAME FROM MANY");
    Ds->FieldDefs()->Update();
    EXPECT_TRUE(Ds->FieldDefs()->Count() == 2 && !Db->Connected() && Db->UseLoginPrompt());
}

TEST_F(FBDataSetTest, RecordLayoutKeepsShortTextsInlineAndLongTextsOutOfLine) {
    TFBDataSet* Ds = Opened(DB1(), "SELECT ID, SHORTTXT, LONGTXT FROM KINDS");
    EXPECT_EQ(Ds->CacheRecordSize(), 16);
    EXPECT_EQ(Ds->RecordBufferSize(), 9 + 12 + 40);
    ASSERT_EQ(Ds->FieldDescrs()->Count(), 3);
    EXPECT_EQ(Ds->FieldDescrs()->Items(0)->Offset, 9);
    EXPECT_EQ(Ds->FieldDescrs()->Items(1)->Offset, 13);
    EXPECT_EQ(Ds->FieldDescrs()->Items(1)->StringIndex, -1);
    EXPECT_EQ(Ds->FieldDescrs()->Items(2)->Offset, 21);
    EXPECT_EQ(Ds->FieldDescrs()->Items(2)->StringIndex, 0);
}

// ---- values -----------------------------------------------------------------------------------

TEST_F(FBDataSetTest, ValuesReadUnderTurkishSettings) {
    TFormatSettingsGuard Guard(TurkishFormatSettings());
    TFBDataSet* Ds = Opened(DB1(), "SELECT * FROM KINDS ORDER BY ID");
    EXPECT_EQ(Ds->FieldByName("SHORTTXT")->AsString(), "kısa");
    EXPECT_EQ(Ds->FieldByName("LONGTXT")->AsString(), "Çağrı Şirketi İĞÜ Öşç");
    EXPECT_EQ(Ds->FieldByName("CODE")->AsString(), "AB");
    EXPECT_EQ(Ds->FieldByName("AMOUNT")->AsString(), "1234,5");
    EXPECT_EQ(Ds->FieldByName("MONEY")->AsString(), "1234,56");
    EXPECT_EQ(Ds->FieldByName("RATE")->AsFloat(), 123.45);
    EXPECT_EQ(Ds->FieldByName("D")->AsString(), "15.03.2016");
    EXPECT_EQ(Ds->FieldByName("QTY")->AsInteger(), 7);
    EXPECT_EQ(Ds->FieldByName("FLAG")->AsInteger(), -1);
    Ds->Next();
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 2);
    for (const char* N : {"SHORTTXT", "LONGTXT", "CODE", "AMOUNT", "D", "MONEY", "RATE", "QTY"}) {
        SCOPED_TRACE(N);
        EXPECT_TRUE(Ds->FieldByName(N)->IsNull());
        EXPECT_EQ(Ds->FieldByName(N)->AsString(), "");
        EXPECT_TRUE(VarIsNull(Ds->FieldByName(N)->Value()));
    }
    EXPECT_FALSE(Ds->FieldByName("NN")->IsNull());
}

TEST_F(FBDataSetTest, CharColumnsAreTrimmedOnlyWithTheTrimOption) {
    TFBDataSet* Ds = Opened(DB1(), "SELECT CODE FROM KINDS WHERE ID = 1");
    EXPECT_EQ(Ds->FieldByName("CODE")->AsString(), "AB");
    Ds->Close();
    Ds->SetOptions(Ds->Options() - TpFBDsOptions{poTrimCharFields});
    Ds->Open();
    EXPECT_EQ(Ds->FieldByName("CODE")->AsString(), "AB        ");
}

TEST_F(FBDataSetTest, ExactDecimalsOfDialect3) {
    TFormatSettingsGuard Guard(TurkishFormatSettings());
    TFBDataSet* Ds = Opened(DB3(), "SELECT * FROM NUMS ORDER BY ID");
    auto* Price = dynamic_cast<TFBBCDField*>(Ds->FieldByName("PRICE"));
    ASSERT_NE(Price, nullptr);
    EXPECT_EQ(Price->AsString(), "123,45");
    EXPECT_EQ(Price->DisplayText(), "123,45");
    EXPECT_DOUBLE_EQ(Price->AsFloat(), 123.45);
    EXPECT_EQ(Price->AsCurrency().Value, 1234500);
    Int64 Raw = 0;
    EXPECT_TRUE(Price->GetRaw(Raw));
    EXPECT_EQ(Raw, 12345);
    // Beyond double precision: the 64-bit integer itself.
    EXPECT_EQ(Ds->FieldByName("BIG")->AsString(), "9007199254740993");
    EXPECT_EQ(Ds->FieldByName("BIG")->Value().AsInt64(), 9007199254740993LL);
    EXPECT_EQ(Ds->FieldByName("TM")->AsString(), "07:30:15");
    EXPECT_EQ(Ds->FieldByName("TS")->AsString(), "15.03.2016 10:20:30");
    Ds->Next();
    EXPECT_TRUE(Price->IsNull());
    EXPECT_EQ(Price->AsString(), "");
}

// ---- navigation -------------------------------------------------------------------------------

TEST_F(FBDataSetTest, EmptyAndSingleRowResults) {
    TFBDataSet* Ds = NewDataSet(Connect(DB1()), "SELECT * FROM MANY WHERE ID < ?LIMIT ORDER BY ID");
    Ds->SelectQuery()->ParamByName("LIMIT")->SetAsInteger(1);
    Ds->Open();
    EXPECT_TRUE(Ds->IsEmpty());
    EXPECT_TRUE(Ds->Eof());
    EXPECT_TRUE(Ds->Bof());
    EXPECT_EQ(Ds->RecordCount(), 0);
    EXPECT_EQ(Ds->RecNo(), 0);
    EXPECT_TRUE(Ds->FieldByName("ID")->IsNull());
    Ds->Last();
    Ds->Prior();
    EXPECT_TRUE(Ds->IsEmpty());
    Ds->Close();
    Ds->SelectQuery()->ParamByName("LIMIT")->SetAsInteger(2);
    Ds->Open();
    EXPECT_FALSE(Ds->IsEmpty());
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 1);
    EXPECT_EQ(Ds->RecNo(), 1);
    Ds->Next();
    EXPECT_TRUE(Ds->Eof());
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 1);
    EXPECT_EQ(Ds->RecordCount(), 1);
}

TEST_F(FBDataSetTest, RowsAreFetchedOneAtATimeAsNavigationMovesOn) {
    TFBDataSet* Ds = Opened(DB1(), "SELECT * FROM MANY ORDER BY ID");
    EXPECT_EQ(Ds->FetchedCount(), 1);
    Ds->Next();
    EXPECT_EQ(Ds->FetchedCount(), 2);
    EXPECT_EQ(Ds->FieldByName("NAME")->AsString(), "Satır 2");
    Ds->MoveBy(10);
    EXPECT_EQ(Ds->FetchedCount(), 12);
    EXPECT_EQ(Ds->RecNo(), 12);
    Ds->Last();
    EXPECT_EQ(Ds->FetchedCount(), 50);
    EXPECT_EQ(Ds->RecordCount(), 50);
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 50);
    Ds->Next();
    EXPECT_TRUE(Ds->Eof());
    Integer Seen = 0;
    for (Ds->Last(); !Ds->Bof(); Ds->Prior()) {
        EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 50 - Seen);
        ++Seen;
    }
    EXPECT_EQ(Seen, 50);
}

TEST_F(FBDataSetTest, ABufferWindowScrollsAcrossItsEdgeBothWays) {
    TFBDataSet* Ds = NewDataSet(Connect(DB1()), "SELECT * FROM MANY ORDER BY ID");
    TDataSource Src(nullptr);
    Src.SetDataSet(Ds);
    TWindowLink Link;
    Link.SetDataSource(&Src);
    Link.SetBufferCount(7);
    Ds->Open();
    EXPECT_EQ(Link.RecordCount(), 7);
    for (Integer Id = 1; Id <= 20; ++Id) {
        ASSERT_EQ(Ds->FieldByName("ID")->AsInteger(), Id);
        ASSERT_EQ(Ds->RecNo(), Id);
        Ds->Next();
    }
    for (Integer Id = 21; Id >= 1; --Id) {
        ASSERT_EQ(Ds->FieldByName("ID")->AsInteger(), Id);
        Ds->Prior();
    }
    EXPECT_TRUE(Ds->Bof());
    Ds->MoveBy(30);
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 31);
    Ds->MoveBy(-25);
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 6);
    Link.SetDataSource(nullptr);
}

TEST_F(FBDataSetTest, RecNoMovesAndFetchesAsNeeded) {
    TFBDataSet* Ds = Opened(DB1(), "SELECT * FROM MANY ORDER BY ID");
    Ds->SetRecNo(5);
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 5);
    EXPECT_EQ(Ds->FetchedCount(), 50);   // beyond the fetched rows: all are fetched first
    Ds->SetRecNo(0);
    EXPECT_EQ(Ds->RecNo(), 1);
    Ds->SetRecNo(1000);
    EXPECT_EQ(Ds->FetchedCount(), 50);
    EXPECT_EQ(Ds->RecNo(), 50);
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 50);
}

TEST_F(FBDataSetTest, BookmarksReturnToTheirRecordAndCompareByPosition) {
    TFBDataSet* Ds = Opened(DB1(), "SELECT * FROM MANY ORDER BY ID");
    Ds->MoveBy(29);
    const TBookmark At30 = Ds->GetBookmark();
    ASSERT_EQ(At30.size(), 8u);
    Ds->Last();
    const TBookmark At50 = Ds->GetBookmark();
    Ds->First();
    const TBookmark At1 = Ds->GetBookmark();
    EXPECT_TRUE(Ds->BookmarkValid(At30));
    Ds->GotoBookmark(At30);
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 30);
    EXPECT_EQ(Ds->RecNo(), 30);
    EXPECT_EQ(Ds->CompareBookmarks(At1, At30), -1);
    EXPECT_EQ(Ds->CompareBookmarks(At50, At30), 1);
    EXPECT_EQ(Ds->CompareBookmarks(At30, At30), 0);
    EXPECT_EQ(Ds->CompareBookmarks(TBookmark(), At30), 1);
    EXPECT_EQ(Ds->CompareBookmarks(At30, TBookmark()), -1);
    EXPECT_EQ(Ds->CompareBookmarks(TBookmark(), TBookmark()), 0);
    const TBookmark Bad{0x39, 0x30, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(Ds->BookmarkValid(Bad));
    EXPECT_FALSE(Ds->BookmarkValid(TBookmark()));
    EXPECT_THROW(Ds->GotoBookmark(Bad), EDatabaseError);
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 30);
}

TEST_F(FBDataSetTest, AUniDirectionalDataSetKeepsARingOfBufferChunksRecords) {
    TFBDataSet* Ds = NewDataSet(Connect(DB1()), "SELECT * FROM MANY ORDER BY ID");
    Ds->SetUniDirectional(true);
    EXPECT_EQ(Ds->CacheModelOptions()->BufferChunks(), 32);
    Ds->Open();
    for (Integer Id = 1; Id <= 40; ++Id) {
        ASSERT_EQ(Ds->FieldByName("ID")->AsInteger(), Id);
        Ds->Next();
    }
    EXPECT_EQ(Ds->RecordsCache()->RecordCount(), 32);
    EXPECT_EQ(Ds->RecordCount(), 32);
    EXPECT_THROW(Ds->CacheModelOptions()->SetBufferChunks(10), EDatabaseError);
}

TEST_F(FBDataSetTest, AUniDirectionalDataSetRefusesToGoBackToRecordsItDropped) {
    TFBDataSet* Ds = NewDataSet(Connect(DB1()), "SELECT * FROM MANY ORDER BY ID");
    Ds->SetUniDirectional(true);
    Ds->Open();
    Ds->First();   // still in the ring
    for (Integer I = 0; I < 45; ++I) Ds->Next();
    ASSERT_EQ(Ds->FieldByName("ID")->AsInteger(), 46);
    const auto ExpectRefused = [&](const std::function<void()>& Move) {
        EXPECT_THAT(MessageOf<EFBError>([&] { Move(); }), testing::HasSubstr("uni-directional")) << "moved back";
    };
    ExpectRefused([&] { Ds->First(); });
    ExpectRefused([&] { Ds->SetRecNo(3); });
    ExpectRefused([&] { Ds->GotoBookmark(Ds->GetBookmark()); });
    // Records still in the ring are the right ones; past its start the move is refused.
    Ds->MoveBy(-31);
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 15);
    ExpectRefused([&] { Ds->Prior(); });
    Ds->Next();
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 16);
}

TEST_F(FBDataSetTest, AFetchErrorReachesTheCallerOfEveryFetchingOperation) {
    TFBDatabase* Db = Connect(DB1());
    const AnsiString Sql = "SELECT ID, 1 / (ID - 30) AS Q FROM MANY ORDER BY ID";
    const std::function<void(TFBDataSet*)> Ops[] = {
        [](TFBDataSet* D) { D->Last(); },
        [](TFBDataSet* D) { D->FetchAll(); },
        [](TFBDataSet* D) { D->SetRecNo(40); },
    };
    for (const auto& Op : Ops) {
        TFBDataSet* Ds = NewDataSet(Db, Sql, "");
        Ds->Open();
        EXPECT_THROW(Op(Ds), EFBError);
        EXPECT_EQ(Ds->FetchedCount(), 29);
        delete Ds;
    }
    TFBDataSet* Ds = NewDataSet(Db, Sql, "");
    Ds->SetOptions(Ds->Options() + TpFBDsOptions{poFetchAll});
    EXPECT_THROW(Ds->Open(), EFBError);
    delete Ds;
}

TEST_F(FBDataSetTest, FetchStopsWhenBeforeFetchRecordAsks) {
    TFBDataSet* Ds = NewDataSet(Connect(DB1()), "SELECT * FROM MANY ORDER BY ID");
    Ds->BeforeFetchRecord = [](TFBQuery*, Integer Fetched, bool& Stop) { Stop = Fetched >= 10; };
    Ds->Open();
    Ds->Last();
    EXPECT_EQ(Ds->RecordCount(), 10);
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 10);
}

TEST_F(FBDataSetTest, CloseAndReopenStartsAfresh) {
    TFBDataSet* Ds = Opened(DB1(), "SELECT * FROM MANY ORDER BY ID");
    Ds->Last();
    Ds->Close();
    EXPECT_FALSE(Ds->Active());
    EXPECT_EQ(Ds->RecordsCache(), nullptr);
    Ds->Open();
    EXPECT_EQ(Ds->FetchedCount(), 1);
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 1);
    // The select text is fixed while open.
    EXPECT_THROW(Ds->SelectSQL()->SetText("SELECT ID FROM MANY"), EFBError);
    Ds->Close();
    Ds->SelectSQL()->SetText("SELECT ID FROM MANY WHERE ID > 48 ORDER BY ID");
    Ds->Open();
    EXPECT_EQ(Ds->FieldCount(), 1);
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 49);
}

// ---- state checks and connection ----------------------------------------------------------------

TEST_F(FBDataSetTest, StateChecksRaiseTheLayersErrors) {
    TFBDataSet* Ds = NewDataSet(Connect(DB1()), "");
    EXPECT_THAT(MessageOf<EFBError>([&] { Ds->Open(); }),
                testing::HasSubstr("Prepare dm.ds")) << "opened without a select";
    Ds->SelectSQL()->SetText("SELECT * FROM MANY");
    Ds->Open();
    EXPECT_THROW(Ds->SetUniDirectional(true), EFBError);
    EXPECT_THROW(Ds->SetDatabase(nullptr), EFBError);
    EXPECT_THAT(MessageOf<EFBError>([&] { Ds->SetPrepareOptions(Ds->PrepareOptions() + TpPrepareOptions{psSQLINT64ToBCD}); }),
                testing::HasSubstr("change psUseBooleanField or psSQLINT64ToBCD"));
    // Without modifying texts the data set is read-only.
    EXPECT_FALSE(Ds->CanModify());
    EXPECT_THROW(Ds->Edit(), EDatabaseError);
}

TEST_F(FBDataSetTest, ATransactionOwnerGivesTheTransactionAndOpeningTheDatabase) {
    TFBDatabase* Db = Connect(DB1());
    auto* Ds = new TFBDataSet(Db->DefaultTransaction());
    Ds->SelectSQL()->SetText("SELECT * FROM MANY");
    EXPECT_EQ(Ds->Transaction(), Db->DefaultTransaction());
    Ds->Open();
    EXPECT_EQ(Ds->Database(), Db);
    EXPECT_TRUE(Ds->Transaction()->Active());
}

TEST_F(FBDataSetTest, EndingTheReadTransactionClosesTheDataSet) {
    TFBDatabase* Db = Connect(DB1());
    TFBDataSet* Ds = NewDataSet(Db, "SELECT * FROM MANY");
    Ds->Open();
    Db->DefaultTransaction()->CommitRetaining();
    EXPECT_TRUE(Ds->Active());
    Db->DefaultTransaction()->Commit();
    EXPECT_FALSE(Ds->Active());
}

// ---- editing and posting --------------------------------------------------------------------------

class FBDataSetEditTest : public FBDataSetTest {
protected:
    void SetUp() override {
        FBDataSetTest::SetUp();
        DB1().Execute(
            "DELETE FROM EDIT;"
            "INSERT INTO EDIT VALUES (1, \"Bir\", 1.5, 10, \"01.01.2016\");"
            "INSERT INTO EDIT VALUES (2, \"İki\", 2.5, 20, \"02.01.2016\");"
            "INSERT INTO EDIT VALUES (3, \"Üç\", 3.5, 30, \"03.01.2016\");"
            "INSERT INTO EDIT VALUES (4, \"Dört\", 4.5, 40, \"04.01.2016\");"
            "INSERT INTO EDIT VALUES (5, \"Beş\", 5.5, 50, \"05.01.2016\");");
        Db = Connect(DB1());
        Ds = NewDataSet<TPostingDataSet>(Db, "SELECT * FROM EDIT ORDER BY ID");
        Ds->InsertSQL()->SetText("INSERT INTO EDIT (ID, NAME, RATE, AMOUNT, D) VALUES (?ID, ?NAME, ?RATE, ?AMOUNT, ?D)");
        Ds->UpdateSQL()->SetText(
            "UPDATE EDIT SET ID = ?NEW_ID, NAME = ?NAME, RATE = ?RATE, AMOUNT = ?AMOUNT, D = ?D WHERE ID = ?OLD_ID");
        Ds->DeleteSQL()->SetText("DELETE FROM EDIT WHERE ID = ?OLD_ID");
        Ds->RefreshSQL()->SetText("SELECT * FROM EDIT WHERE ID = ?ID");
    }
    AnsiString Ids() { return IdsOf(Ds); }
    TFBDatabase* Db = nullptr;
    TPostingDataSet* Ds = nullptr;
};

TEST_F(FBDataSetEditTest, EditPostsThroughTheUpdateStatementWithOldAndNewValues) {
    TFormatSettingsGuard Guard(TurkishFormatSettings());
    Ds->Open();
    Ds->SetRecNo(2);
    Ds->Edit();
    EXPECT_EQ(Ds->UpdateStatus(), usUnmodified);
    Ds->FieldByName("ID")->SetAsInteger(22);
    Ds->FieldByName("NAME")->SetAsString("Yirmi İki ğüşöç");
    Ds->FieldByName("RATE")->SetAsFloat(1.005);
    EXPECT_EQ(Ds->UpdateStatus(), usModified);
    EXPECT_EQ(Ds->FieldByName("ID")->OldValue().AsInteger(), 2);
    EXPECT_EQ(Ds->FieldByName("NAME")->OldValue(), Variant("İki"));
    Ds->Post();
    EXPECT_EQ(Ds->Executed, 1);
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 22);
    EXPECT_EQ(Ds->RecNo(), 2);
    Db->DefaultTransaction()->CommitRetaining();
    EXPECT_EQ(Scalar(Db, "SELECT NAME FROM EDIT WHERE ID = 22"), "Yirmi İki ğüşöç");
    // NUMERIC(9,2) kept as a scaled integer: 1.005 was rounded to 1.01 before it was stored.
    EXPECT_EQ(Scalar(Db, "SELECT CAST(RATE * 100 AS INTEGER) FROM EDIT WHERE ID = 22"), "101");
    EXPECT_EQ(Scalar(Db, "SELECT COUNT(*) FROM EDIT WHERE ID = 2"), "0");
}

TEST_F(FBDataSetEditTest, InsertGoesBeforeTheCurrentRecordAndAppendAtTheEnd) {
    Ds->Open();
    Ds->SetRecNo(3);
    Ds->Insert();
    EXPECT_TRUE(VarIsNull(Ds->FieldByName("ID")->OldValue()));
    Ds->FieldByName("ID")->SetAsInteger(10);
    Ds->FieldByName("NAME")->SetAsString("On");
    Ds->Post();
    EXPECT_EQ(Ds->RecNo(), 3);
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 10);
    Ds->Next();
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 3);
    Ds->Append();
    Ds->FieldByName("ID")->SetAsInteger(11);
    Ds->Post();
    EXPECT_EQ(Ds->RecordCount(), 7);
    EXPECT_EQ(Ids(), "1 2 10 3 4 5 11 ");
    Db->DefaultTransaction()->CommitRetaining();
    EXPECT_EQ(Scalar(Db, "SELECT COUNT(*) FROM EDIT"), "7");
    // The bookmarks of records fetched before the inserts still find them.
    Ds->SetRecNo(4);
    const TBookmark B = Ds->GetBookmark();
    Ds->First();
    Ds->GotoBookmark(B);
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 3);
}

TEST_F(FBDataSetEditTest, AppendOnAnEmptyResultAndCancelAtTheEnd) {
    Ds->SelectSQL()->SetText("SELECT * FROM EDIT WHERE ID > 100");
    Ds->Open();
    Ds->Append();
    Ds->FieldByName("ID")->SetAsInteger(101);
    Ds->Post();
    EXPECT_EQ(Ds->RecNo(), 1);
    EXPECT_EQ(Ds->RecordCount(), 1);
    Ds->Append();
    Ds->FieldByName("ID")->SetAsInteger(102);
    Ds->Cancel();
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 101);
    EXPECT_EQ(Ds->RecordCount(), 1);
}

TEST_F(FBDataSetEditTest, AFailedInsertLeavesTheRecordInInsertStateAndTheCacheUnchanged) {
    Ds->Open();
    Ds->SetRecNo(2);
    Ds->Insert();
    Ds->FieldByName("ID")->SetAsInteger(4);   // the key exists
    EXPECT_THROW(Ds->Post(), EFBError);
    EXPECT_EQ(Ds->State(), dsInsert);
    Ds->Cancel();
    EXPECT_EQ(Ds->RecordCount(), 5);
    EXPECT_EQ(Ids(), "1 2 3 4 5 ");
    // The cache slot opened for the failed insert is taken by rows fetched later.
    Ds->Close();
    Ds->Open();
    Ds->SetRecNo(3);
    Ds->Insert();
    Ds->FieldByName("ID")->SetAsInteger(3);
    EXPECT_THROW(Ds->Post(), EFBError);
    Ds->Cancel();
    Ds->Last();
    EXPECT_EQ(Ids(), "1 2 3 4 5 ");
}

TEST_F(FBDataSetEditTest, DeleteRunsTheDeleteStatementAndHidesTheRecord) {
    Ds->Open();
    Ds->SetRecNo(2);
    Ds->Delete();
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 3);
    EXPECT_EQ(Ds->RecordCount(), 4);
    EXPECT_EQ(Ids(), "1 3 4 5 ");
    Ds->Last();
    Ds->Delete();
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 4);
    Db->DefaultTransaction()->CommitRetaining();
    EXPECT_EQ(Scalar(Db, "SELECT COUNT(*) FROM EDIT"), "3");
}

TEST_F(FBDataSetEditTest, EmptyTextBecomesNullOnlyInANullableColumn) {
    Ds->Open();
    Ds->Edit();
    Ds->FieldByName("NAME")->SetAsString("");
    EXPECT_TRUE(Ds->FieldByName("NAME")->IsNull());
    Ds->Cancel();
    EXPECT_EQ(Ds->FieldByName("NAME")->AsString(), "Bir");
    TFBDataSet* K = NewDataSet(Db, "SELECT NN, KEPT FROM KINDS WHERE ID = 1", "k");
    K->UpdateSQL()->SetText("UPDATE KINDS SET NN = ?NN WHERE ID = 1");
    K->Open();
    K->Edit();
    for (const char* Name : {"NN", "KEPT"}) {   // not nullable; empty by its default
        K->FieldByName(Name)->SetAsString("");
        EXPECT_FALSE(K->FieldByName(Name)->IsNull()) << Name;
    }
    K->Cancel();
}

TEST_F(FBDataSetEditTest, CachedUpdatesPostNoStatementAndCanBeCancelled) {
    Ds->SetCachedUpdates(true);
    Ds->Open();
    Ds->Edit();
    Ds->FieldByName("NAME")->SetAsString("Değişti");
    Ds->Post();
    EXPECT_EQ(Ds->Executed, 0);
    EXPECT_TRUE(Ds->UpdatesPending());
    EXPECT_EQ(Ds->UpdateStatus(), usModified);
    Ds->Edit();
    Ds->FieldByName("NAME")->SetAsString("Yine");
    Ds->Post();
    Ds->CancelUpdates();
    EXPECT_FALSE(Ds->UpdatesPending());
    Ds->First();
    EXPECT_EQ(Ds->FieldByName("NAME")->AsString(), "Bir");
    EXPECT_EQ(Ds->UpdateStatus(), usUnmodified);
    EXPECT_EQ(Scalar(Db, "SELECT NAME FROM EDIT WHERE ID = 1"), "Bir");
    for (bool Delete : {true, false}) {   // deleted after: one change, cancelled whole; refreshed: none left
        Ds->Edit();
        Ds->FieldByName("NAME")->SetAsString("Yine");
        Ds->Post();
        if (Delete) Ds->Delete(); else Ds->Refresh();
        EXPECT_EQ(Ds->CacheModifiedCount(), Delete ? 1 : 0);
        Ds->CancelUpdates();
        Ds->First();
        EXPECT_EQ(Ds->FieldByName("NAME")->AsString(), "Bir");
    }
    DB1().Execute("UPDATE EDIT SET NAME = \"Sunucu\" WHERE ID = 1");   // refreshed over an edit: the server's are old too
    Ds->Edit();
    Ds->FieldByName("NAME")->SetAsString("Yine");
    Ds->Post();
    Ds->Refresh();
    EXPECT_EQ(Ds->FieldByName("NAME")->OldValue(), Variant("Sunucu"));
    Ds->SetOptions(Ds->Options() + TpFBDsOptions{poKeepSorting});
    Ds->DoSort({"ID"}, {false});
    for (bool One : {true, false}) {   // taken back after a post placed it: the order holds
        Ds->Locate("ID", 4, {});
        Ds->Edit();
        Ds->FieldByName("ID")->SetAsInteger(0);
        Ds->Post();
        One ? Ds->RevertRecord(Ds->RecNo() - 1) : Ds->CancelUpdates();
        EXPECT_EQ(Ds->FieldByName("ID")->AsInteger() * 10 + Ds->RecNo(), 42) << One;   // the cursor went along
        EXPECT_EQ(Ids(), "5 4 3 2 1 ") << One;
    }
    for (const char* Name : {"y", "x"}) {   // reverted while edited again: its post is pending anew
        if (*Name == 'x') Ds->Post();
        Ds->Edit();
        Ds->FieldByName("NAME")->SetAsString(Name);
    }
    Ds->RevertRecord(Ds->RecNo() - 1);
    Ds->DoSort({"ID"}, {true});   // posted before the records move
    EXPECT_EQ(Ds->CacheModifiedCount(), 1);
    EXPECT_EQ(Ids(), "1 2 3 4 5 ");
}

TEST_F(FBDataSetEditTest, ARefreshStoppedAfterItsRowStillReplacesThePendingChange) {
    Ds->SetCachedUpdates(true);
    Ds->Open();
    Ds->Edit();
    Ds->FieldByName("NAME")->SetAsString("x");
    Ds->Post();
    Ds->AfterFetchRecord = [&](TFBQuery* Q, Integer, bool& Stop) { Stop = Q == Ds->RefreshQuery(); };
    EXPECT_THROW(Ds->Refresh(), EAbort);
    EXPECT_EQ(Ds->FieldByName("NAME")->AsString() + IntToStr(Ds->CacheModifiedCount()), "Bir0");
    EXPECT_FALSE(Ds->UpdatesPending());
}

TEST_F(FBDataSetEditTest, RefreshRereadsOnlyTheCurrentRecord) {
    Ds->Open();
    Ds->Last();
    Ds->First();
    DB1().Execute("UPDATE EDIT SET NAME = \"Yeni\" WHERE ID IN (1, 2)");
    Ds->Refresh();
    EXPECT_EQ(Ds->FieldByName("NAME")->AsString(), "Yeni");
    Ds->Next();
    EXPECT_EQ(Ds->FieldByName("NAME")->AsString(), "İki");
    // A refresh whose row is gone keeps the record unless asked to drop it.
    DB1().Execute("DELETE FROM EDIT WHERE ID = 2");
    Ds->Refresh();
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 2);
    Ds->SetOptions(Ds->Options() + TpFBDsOptions{poRefreshDeletedRecord});
    Ds->Refresh();
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 3);
    EXPECT_EQ(Ds->RecordCount(), 4);
}

TEST_F(FBDataSetEditTest, WritingOutsideEditStateIsRefused) {
    Ds->Open();
    EXPECT_THROW(Ds->FieldByName("NAME")->SetAsString("x"), EFBError);
    Ds->UpdateSQL()->Clear();
    EXPECT_THROW(Ds->Edit(), EAbort);   // silently refused: nothing can be updated
    EXPECT_EQ(Ds->State(), dsBrowse);
}

TEST_F(FBDataSetEditTest, CachedDeletesAndInsertsAreRevertedByCancelUpdates) {
    Ds->SetCachedUpdates(true);
    Ds->Open();
    Ds->SetRecNo(2);
    Ds->Delete();
    EXPECT_EQ(Ds->RecordCount(), 4);
    EXPECT_TRUE(Ds->UpdatesPending());
    EXPECT_EQ(Ds->CacheModifiedCount(), 1);
    Ds->Edit();
    Ds->FieldByName("NAME")->SetAsString("vazgeçildi");
    Ds->Cancel();
    EXPECT_EQ(Ds->CacheModifiedCount(), 1);
    Ds->Append();
    Ds->FieldByName("ID")->SetAsInteger(6);
    Ds->Post();
    EXPECT_EQ(Ds->CacheModifiedCount(), 2);
    EXPECT_EQ(Ids(), "1 3 4 5 6 ");
    Ds->CancelUpdates();
    EXPECT_EQ(Ds->CacheModifiedCount(), 0);
    EXPECT_EQ(Ids(), "1 2 3 4 5 ");
    EXPECT_EQ(Ds->RecordCount(), 5);
    EXPECT_EQ(Scalar(Db, "SELECT COUNT(*) FROM EDIT"), "5");
    // A record posted without values is pending too: its delete leaves a later edit pending.
    Ds->Insert();
    Ds->Post();
    Ds->Delete();
    Ds->First();
    Ds->Edit();
    Ds->FieldByName("NAME")->SetAsString("Değişti");
    Ds->Post();
    Ds->CancelUpdates();
    EXPECT_EQ(Ds->FieldByName("NAME")->AsString(), "Bir");
    Ds->SetOptions(Ds->Options() + TpFBDsOptions{poRefreshDeletedRecord});
    Ds->Append();
    Ds->FieldByName("ID")->SetAsInteger(7);
    Ds->Post();
    Ds->Refresh();   // no server row yet: not a record that went
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 7);
}

TEST_F(FBDataSetEditTest, RevertRecordKeepsTheCountsOfVisibleAndPendingRecords) {
    Ds->SetCachedUpdates(true);
    Ds->Open();
    Ds->Last();
    Ds->SetRecNo(2);
    Ds->Delete();
    Ds->SetRecNo(3);   // ID 3
    Ds->Edit();
    Ds->FieldByName("NAME")->SetAsString("x");
    Ds->Post();
    Ds->Append();
    Ds->FieldByName("ID")->SetAsInteger(6);
    Ds->Post();
    ASSERT_EQ(Ds->CacheModifiedCount(), 3);
    ASSERT_EQ(Ds->RecordCount(), 5);
    Ds->RevertRecord(1);   // the delete
    EXPECT_EQ(Ds->RecordCount(), 6);
    Ds->RevertRecord(5);   // the insert
    EXPECT_EQ(Ds->RecordCount(), 5);
    Ds->RevertRecord(2);   // the edit
    Ds->RevertRecord(0);   // nothing to revert
    EXPECT_EQ(Ds->CacheModifiedCount(), 0);
    EXPECT_FALSE(Ds->UpdatesPending());
    EXPECT_EQ(Ds->RecordCount(), 5);
}

TEST_F(FBDataSetEditTest, ASeparateUpdateTransactionIsStartedAndCommittedForAChange) {
    auto* UTr = new TFBTransaction(Owner.get());
    UTr->SetName("UTR");
    UTr->SetDefaultDatabase(Db);
    UTr->TRParams()->SetText("write\r\nnowait\r\nrec_version\r\nread_committed");
    UTr->SetTimeoutAction(TACommit);
    Ds->SetUpdateTransaction(UTr);
    Ds->SetAutoCommit(true);
    Integer Ended = 0;
    std::vector<TObject*> Starting;   // the senders of the four start events: the starting transaction
    Ds->BeforeStartTransaction = Ds->AfterStartTransaction = Ds->BeforeStartUpdateTransaction =
        Ds->AfterStartUpdateTransaction = [&](TObject* S) { Starting.push_back(S); };
    Ds->AfterEndUpdateTransaction = [&](TObject*, TTransactionAction A, bool) { Ended += A == TACommit; };
    EXPECT_EQ(Ds->DeleteQuery()->Transaction(), UTr);
    EXPECT_EQ(Ds->SelectQuery()->Transaction(), Db->DefaultTransaction());
    Ds->Open();
    Ds->SetRecNo(4);
    Ds->Delete();
    EXPECT_EQ(Starting, (std::vector<TObject*>{Db->DefaultTransaction(), Db->DefaultTransaction(), UTr, UTr}));
    EXPECT_EQ(Ended, 1);
    EXPECT_FALSE(UTr->Active());
    EXPECT_TRUE(Ds->Active());
    EXPECT_EQ(Scalar(Db, "SELECT COUNT(*) FROM EDIT"), "4");
    // A refused commit takes its delete back: the next commit does not store it.
    const TMethodKey Key{{}, Ds};
    UTr->AddEndEvent(2, Key, [](TObject*, TTransactionAction, bool) { throw Exception("kapalı"); });
    EXPECT_ANY_THROW(Ds->Delete());
    UTr->RemoveEndEvent(2, Key);
    UTr->Commit();
    EXPECT_EQ(Scalar(Db, "SELECT COUNT(*) FROM EDIT") + IntToStr(Ds->RecordCount()), "44");
}

TEST_F(FBDataSetEditTest, WithCachedUpdatesTheRowsOutliveTheReadTransaction) {
    Ds->SetCachedUpdates(true);
    Ds->Open();
    Db->DefaultTransaction()->Commit();
    EXPECT_TRUE(Ds->Active());
    EXPECT_EQ(Ds->RecordCount(), 5);
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 1);
    EXPECT_EQ(Ids(), "1 2 3 4 5 ");
}

TEST_F(FBDataSetEditTest, DeleteFromCacheRemovesTheRecordWithoutAStatement) {
    Ds->Open();
    Ds->SetRecNo(3);
    Ds->DeleteFromCache();
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 4);
    EXPECT_EQ(Ds->RecordCount(), 4);
    EXPECT_EQ(Scalar(Db, "SELECT COUNT(*) FROM EDIT"), "5");
    Ds->Close();
    EXPECT_THAT(MessageOf<EFBError>([&] { Ds->DeleteFromCache(); }), testing::HasSubstr("do delete from cache"));
}

// ---- field classes ------------------------------------------------------------------------------

TEST_F(FBDataSetTest, PersistentFieldsShapeTheDefinitionsAndAreChecked) {
    TFBDataSet* Ds = NewDataSet(Connect(DB1()), "SELECT ID, FLAG, LONGTXT, QTY FROM KINDS ORDER BY ID");
    auto* Flag = AddField<TFBBooleanField>(Ds, "FLAG");
    AddField<TFBIntegerField>(Ds, "ID");
    auto* Qty = AddField<TFBIntegerField>(Ds, "QTY");   // a SMALLINT column read by an integer field
    auto* Txt = AddField<TFBStringField>(Ds, "LONGTXT", 5);
    Ds->Open();
    EXPECT_TRUE(Flag->AsBoolean());   // -1 in an INTEGER column
    EXPECT_EQ(Flag->AsString(), "True");
    EXPECT_EQ(Qty->AsInteger(), 7);
    // The field definitions follow the persistent field: sized to the column.
    EXPECT_EQ(Txt->Size(), 40);
    EXPECT_EQ(Txt->AsString(), "Çağrı Şirketi İĞÜ Öşç");
}

TEST_F(FBDataSetTest, TimeTextOfAnIntegerFieldAndBooleanTexts) {
    TFBDataSet* Ds = NewDataSet(Connect(DB1()), "SELECT ID, FLAG FROM KINDS WHERE ID = 1");
    Ds->UpdateSQL()->SetText("UPDATE KINDS SET FLAG = ?FLAG WHERE ID = ?OLD_ID");
    Ds->Open();
    auto* Id = dynamic_cast<TFBIntegerField*>(Ds->FieldByName("ID"));
    ASSERT_NE(Id, nullptr);
    Ds->Edit();
    Id->SetIsTimeField(true);
    Id->SetAsInteger(61 * 60);
    EXPECT_EQ(Id->Text(), "01:01");
    Id->SetText("07:30");
    EXPECT_EQ(Id->AsInteger(), 7 * 3600 + 30 * 60);
    Id->SetText("07:30:15");
    EXPECT_EQ(Id->AsInteger(), 7 * 3600 + 30 * 60 + 15);
    EXPECT_TRUE(Id->ValidChar(':'));
    EXPECT_FALSE(Id->ValidChar('-'));
    Ds->Cancel();
}

// ---- ORDER BY information, database keys, fetch errors --------------------------------------------

TEST_F(FBDataSetTest, OrderByItemsAreResolvedToFieldNames) {
    TFBDatabase* Db = Connect(DB1());
    struct { const char* Sql; const char* First; bool Ascending; Integer Items; } Cases[] = {
        {"SELECT ID, NAME FROM MANY ORDER BY NAME DESC, ID", "NAME", false, 2},
        {"SELECT ID, NAME AS N FROM MANY M ORDER BY M.NAME", "N", true, 1},
        {"SELECT ID, NAME FROM MANY ORDER BY 2", "NAME", true, 1},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Sql);
        TFBDataSet* Ds = NewDataSet(Db, C.Sql);
        Ds->Open();
        const Variant& S = Ds->SortDescription();
        ASSERT_TRUE(VarIsArray(S));
        EXPECT_EQ(VarArrayHighBound(S, 1) + 1, C.Items);
        EXPECT_EQ(VarToStr(VarArrayGet(S, {0, 0})), C.First);
        EXPECT_EQ(VarArrayGet(S, {0, 1}).AsBoolean(), C.Ascending);
        delete Ds;
    }
    TFBDataSet* Ds = NewDataSet(Db, "SELECT ID FROM MANY ORDER BY NAME");
    Ds->Open();
    EXPECT_FALSE(VarIsArray(Ds->SortDescription()));   // ordered by a column not selected
    Ds->Close();
    Ds->SelectSQL()->SetText("SELECT ID FROM MANY");
    Ds->Open();
    EXPECT_FALSE(VarIsArray(Ds->SortDescription()));
}

TEST_F(FBDataSetTest, ADatabaseKeyReadsAsHexadecimalWords) {
    TFBDataSet* Ds = Opened(DB1(), "SELECT RDB$DB_KEY, ID FROM MANY ORDER BY ID");
    ASSERT_EQ(Ds->FieldDescrs()->Count(), 2);
    EXPECT_EQ(Ds->FieldDescrs()->Items(0)->IsDBKey, 1);
    const AnsiString Key = Ds->Fields()->Fields(0)->AsString();
    ASSERT_EQ(Key.size(), 16u);
    for (char C : Key) EXPECT_TRUE((C >= '0' && C <= '9') || (C >= 'A' && C <= 'F') || (C >= 'a' && C <= 'f')) << Key;
    Ds->Next();
    EXPECT_NE(Ds->Fields()->Fields(0)->AsString(), Key);
}

TEST_F(FBDataSetTest, FetchErrorsGoThroughOnGetRecordError) {
    TFBDatabase* Db = Connect(DB1());
    // The fourth row divides by zero when it is fetched.
    TFBDataSet* Ds = NewDataSet(Db, "SELECT ID, 12 / (ID - 4) AS Q FROM MANY ORDER BY ID");
    Integer Calls = 0;
    TDataAction Answer = daFail;
    Ds->OnGetRecordError = [&](TDataSet*, EDatabaseError&, TDataAction& Action) {
        ++Calls;
        Action = Answer;
    };
    Ds->Open();
    Ds->Next();
    Ds->Next();
    EXPECT_THROW(Ds->Next(), EDatabaseError);
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 3);
    Ds->Close();
    Answer = daAbort;
    Ds->Open();
    Ds->MoveBy(2);
    EXPECT_THROW(Ds->Next(), EAbort);
    EXPECT_EQ(Ds->RecordCount(), 3);
    // Fetching everything stops at the failing row, keeps what came before and says why.
    Ds->Close();
    Ds->Open();
    EXPECT_THROW(Ds->Last(), EDatabaseError);
    EXPECT_EQ(Ds->FetchedCount(), 3);
}

TEST_F(FBDataSetTest, ScrollEventsCanBeSuspended) {
    TFBDataSet* Ds = NewDataSet(Connect(DB1()), "SELECT * FROM MANY ORDER BY ID");
    Integer Before = 0, After = 0;
    Ds->BeforeScroll = [&](TDataSet*) { ++Before; };
    Ds->AfterScroll = [&](TDataSet*) { ++After; };
    Ds->Open();
    Ds->Next();
    EXPECT_EQ(Before, 1);
    Ds->DisableScrollEvents();
    Ds->DisableScrollEvents();
    Ds->Next();
    Ds->EnableScrollEvents();
    Ds->Next();
    Ds->EnableScrollEvents();
    Ds->EnableScrollEvents();   // never below zero
    Ds->Next();
    EXPECT_EQ(Before, 2);
    EXPECT_EQ(After, 3);   // the open, then two enabled moves
}

TEST_F(FBDataSetTest, CalculatedFieldsLiveBehindTheColumnData) {
    TFBDataSet* Ds = NewDataSet(Connect(DB1()), "SELECT ID, NAME FROM MANY ORDER BY ID");
    auto* Id = AddField<TFBIntegerField>(Ds, "ID");
    auto* Name = AddField<TFBStringField>(Ds, "NAME", 40);
    auto* Twice = AddField<TFBIntegerField>(Ds, "TWICE", 0, fkCalculated);
    auto* Label = AddField<TFBStringField>(Ds, "LABEL", 50, fkCalculated);
    Ds->OnCalcFields = [&](TDataSet*) {
        Twice->SetAsInteger(Id->AsInteger() * 2);
        Label->SetAsString("<" + Name->AsString() + ">");
    };
    Ds->Open();
    Ds->MoveBy(4);
    EXPECT_EQ(Twice->AsInteger(), 10);
    EXPECT_EQ(Label->AsString(), "<Satır 5>");
    Ds->Prior();
    EXPECT_EQ(Twice->AsInteger(), 8);
    EXPECT_EQ(Name->AsString(), "Satır 4");
    // The old value is worked out over the record as it was.
    Ds->UpdateSQL()->SetText("UPDATE MANY SET ID = ?ID WHERE ID = ?OLD_ID");
    Ds->Edit();
    Id->SetAsInteger(100);
    EXPECT_EQ(Twice->AsInteger(), 200);
    EXPECT_EQ(VarToStr(Twice->OldValue()), "8");
}

TEST_F(FBDataSetTest, ExactDecimalFieldWrites) {
    TFormatSettingsGuard Guard(TurkishFormatSettings());
    TFBDataSet* Ds = NewDataSet(Connect(DB3()), "SELECT ID, PRICE, BIG FROM NUMS WHERE ID = 1");
    Ds->UpdateSQL()->SetText("UPDATE NUMS SET PRICE = ?PRICE, BIG = ?BIG WHERE ID = ?OLD_ID");
    Ds->Open();
    auto* Price = dynamic_cast<TFBBCDField*>(Ds->FieldByName("PRICE"));
    auto* Big = dynamic_cast<TFBBCDField*>(Ds->FieldByName("BIG"));
    ASSERT_NE(Price, nullptr);
    ASSERT_NE(Big, nullptr);
    Ds->Edit();
    Int64 Raw = 0;
    struct {
        const char* Text;
        Int64 Raw;
    } Cases[] = {{"0,1", 10}, {"12345678901234,56", 1234567890123456LL}, {"-7,005", -701}, {"3", 300}};
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Text);
        Price->SetAsString(C.Text);
        ASSERT_TRUE(Price->GetRaw(Raw));
        EXPECT_EQ(Raw, C.Raw);
    }
    Price->SetAsString("");
    EXPECT_TRUE(Price->IsNull());
    Price->SetAsCurrency(Currency::FromScaled(12345678));   // 1234,5678
    ASSERT_TRUE(Price->GetRaw(Raw));
    EXPECT_EQ(Raw, 123457);
    Price->SetAsInt64(5);
    EXPECT_EQ(Price->AsString(), "5");
    Big->SetAsVariant(Variant(static_cast<long long>(9007199254740993LL)));
    EXPECT_EQ(Big->AsString(), "9007199254740993");
    EXPECT_THROW(Price->SetAsString("abc"), Exception);
    Ds->Cancel();
}

TEST_F(FBDataSetTest, BooleanFieldTexts) {
    TFBDataSet* Ds = NewDataSet(Connect(DB1()), "SELECT ID, FLAG FROM KINDS WHERE ID = 1");
    Ds->UpdateSQL()->SetText("UPDATE KINDS SET FLAG = ?FLAG WHERE ID = ?OLD_ID");
    AddField<TFBIntegerField>(Ds, "ID");
    auto* Flag = AddField<TFBBooleanField>(Ds, "FLAG");
    Flag->SetStringTrue("Evet");
    Flag->SetStringFalse("Hayır");
    Ds->Open();
    EXPECT_EQ(Flag->AsString(), "Evet");
    EXPECT_EQ(Flag->AsInteger(), 1);
    Ds->Edit();
    Flag->SetAsString("hayır");
    EXPECT_FALSE(Flag->AsBoolean());
    Flag->SetAsString("1");
    EXPECT_TRUE(Flag->AsBoolean());
    Flag->SetAsInteger(0);
    EXPECT_EQ(Flag->AsString(), "Hayır");
    EXPECT_THROW(Flag->SetAsString("belki"), Exception);
    Flag->Clear();
    EXPECT_EQ(Flag->AsString(), "");
    EXPECT_TRUE(VarIsNull(Flag->Value()));
    Ds->Cancel();
}

// ---- blob and memo fields ----------------------------------------------------------------------

class FBDataSetBlobTest : public FBDataSetTest {
protected:
    void SetUp() override {
        FBDataSetTest::SetUp();
        DB1().Execute(
            "DELETE FROM NOTES;"
            "INSERT INTO NOTES VALUES (1, \"Sayaç değişti, eski endeks 1234\");"
            "INSERT INTO NOTES VALUES (2, NULL);");
        Db = Connect(DB1());
        Ds = NewDataSet<TPostingDataSet>(Db, "SELECT * FROM NOTES ORDER BY ID");
        Ds->InsertSQL()->SetText("INSERT INTO NOTES (ID, MEMO) VALUES (?ID, ?MEMO)");
        Ds->UpdateSQL()->SetText("UPDATE NOTES SET MEMO = ?MEMO WHERE ID = ?OLD_ID");
    }
    TField* Memo() { return Ds->FieldByName("MEMO"); }
    TFBDatabase* Db = nullptr;
    TPostingDataSet* Ds = nullptr;
};

TEST_F(FBDataSetBlobTest, AMemoReadsTheStoredTextAndANullOneReadsEmpty) {
    Db->BlobSwapSupport()->SetSwapDir(DB1().Folder() + "/swap-notes/");
    Db->BlobSwapSupport()->SetActive(true);
    Integer FromCache = 0;
    Db->AfterLoadBlobFromSwap = [&FromCache](auto&&...) { ++FromCache; };
    Ds->Open();
    ASSERT_NE(dynamic_cast<TFBMemoField*>(Memo()), nullptr);
    EXPECT_EQ(Memo()->AsString(), "Sayaç değişti, eski endeks 1234");
    EXPECT_EQ(static_cast<TBlobField*>(Memo())->BlobSize(), 31);
    Ds->Next();
    EXPECT_TRUE(Memo()->IsNull());
    EXPECT_EQ(Memo()->AsString(), "");
    EXPECT_TRUE(VarIsNull(Memo()->AsVariant()));
    // Reading a null blob makes no stream.
    Integer Streams = 0;
    for (Integer I = 0; I < Ds->BlobStreams()->Count(); ++I) Streams += Ds->BlobStreams()->Items(I) != nullptr;
    EXPECT_EQ(Streams, 1);
    Ds->Close();
    EXPECT_EQ(Ds->BlobStreams()->Count(), 0);
    Ds->Open();
    EXPECT_EQ((Memo()->AsString(), FromCache), 1) << "read again, from the cache";
}

TEST_F(FBDataSetBlobTest, AWrittenMemoIsPostedAndAnEmptyOneBecomesNull) {
    Ds->Open();
    EXPECT_THROW(Memo()->SetAsString("tarayıcıda"), EFBError);   // not editing
    Ds->Edit();
    Memo()->SetAsString("Yeni not: ğüşiöç");
    EXPECT_TRUE(Ds->BlobFieldModified(Memo()));
    EXPECT_EQ(Memo()->OldValue(), Variant("Sayaç değişti, eski endeks 1234"));
    Ds->Post();
    EXPECT_FALSE(Ds->BlobFieldModified(Memo()));
    EXPECT_EQ(Memo()->AsString(), "Yeni not: ğüşiöç");
    Ds->Append();
    Ds->FieldByName("ID")->SetAsInteger(3);
    Memo()->SetAsString("");
    Ds->Post();
    Db->DefaultTransaction()->CommitRetaining();
    EXPECT_EQ(Scalar(Db, "SELECT MEMO FROM NOTES WHERE ID = 1"), "Yeni not: ğüşiöç");
    EXPECT_EQ(Scalar(Db, "SELECT MEMO FROM NOTES WHERE ID = 3"), "<null>");
    // A null memo written in an edit gets a blob of its own.
    Ds->SetRecNo(2);
    Ds->Edit();
    Memo()->SetAsString("ilk");
    Ds->Post();
    Db->DefaultTransaction()->CommitRetaining();
    EXPECT_EQ(Scalar(Db, "SELECT MEMO FROM NOTES WHERE ID = 2"), "ilk");
    Ds->Edit();   // a shorter stream leaves none of the text before; a cleared memo is empty after the post
    TMemoryStream M;
    M.WriteBuffer("x", 1);
    static_cast<TBlobField*>(Memo())->LoadFromStream(&M);
    EXPECT_EQ(Memo()->AsString(), "x");
    Memo()->Clear();
    Ds->Post();
    EXPECT_TRUE(Memo()->IsNull() && Memo()->AsString().empty());
}

TEST_F(FBDataSetBlobTest, CancelPutsTheMemoBackAndWritesNothing) {
    Ds->Open();
    const AnsiString Before = Memo()->AsString();
    Ds->Edit();
    Memo()->SetAsString("vazgeçilecek");
    Ds->Cancel();
    EXPECT_EQ(Memo()->AsString(), Before);
    EXPECT_FALSE(Ds->BlobFieldModified(Memo()));
    EXPECT_EQ(Ds->Executed, 0);
    // The next edit starts from the restored text.
    Ds->Edit();
    EXPECT_EQ(Memo()->OldValue(), Variant(Before));
    Ds->Cancel();
    const AnsiString Update = Ds->UpdateSQL()->Text();   // a post the server refuses, cancelled
    Ds->UpdateSQL()->SetText(Update + "AND 1 = CAST('x' AS INTEGER)");
    Ds->Edit();
    Memo()->SetAsString("reddedildi");
    EXPECT_THROW(Ds->Post(), EFBError);
    Ds->Cancel();
    Ds->UpdateSQL()->SetText(Update);
    Ds->Edit();
    Ds->Post();   // stores the text from before
    Db->DefaultTransaction()->CommitRetaining();
    EXPECT_EQ(Scalar(Db, "SELECT MEMO FROM NOTES WHERE ID = 1"), Before);
}

TEST_F(FBDataSetBlobTest, WritingThroughAStreamNeedsEditOrInsertState) {
    Ds->Open();
    Ds->Edit();
    std::unique_ptr<TStream> S(Ds->CreateBlobStream(Memo(), bmWrite));
    Ds->Cancel();
    EXPECT_EQ(MessageOf<EFBError>([&] { S->WriteBuffer("x", 1); }), "Not editing.") << "written in browse state";
}

TEST_F(FBDataSetBlobTest, CachedUpdatesKeepTheMemoUntilApplied) {
    Ds->SetCachedUpdates(true);
    Ds->Open();
    const AnsiString Before = Memo()->AsString();   // read before the edit
    Ds->Edit();
    Memo()->SetAsString("önbellekte");
    Ds->Post();
    EXPECT_TRUE(Ds->BlobFieldModified(Memo()));
    Ds->Next();
    Ds->Prior();
    EXPECT_EQ(Memo()->AsString(), "önbellekte");
    EXPECT_EQ(Scalar(Db, "SELECT MEMO FROM NOTES WHERE ID = 1"), "Sayaç değişti, eski endeks 1234");
    Ds->Edit();
    Ds->Cancel();   // a later edit cancelled keeps the posted memo to apply; undone updates give the first
    EXPECT_TRUE(Ds->BlobFieldModified(Memo()) && Memo()->AsString() == "önbellekte");
    Ds->CancelUpdates();
    EXPECT_EQ(Memo()->AsString(), Before);
}

TEST_F(FBDataSetBlobTest, AnAppliedMemoIsWhatALaterCancelGoesBackTo) {
    auto* P = NewDataSet<TpFBDataSet>(Db, "SELECT * FROM NOTES ORDER BY ID", "p");
    P->UpdateSQL()->SetText("UPDATE NOTES SET MEMO = ?MEMO WHERE ID = ?OLD_ID");
    P->SetCachedUpdates(true);
    P->Open();
    for (const char* Text : {"uygulandı", "vazgeçildi"}) {
        P->Edit();
        P->FieldByName("MEMO")->SetAsString(Text);
        P->Post();
        if (*Text == 'u') P->ApplyCachedUpdates(), P->ResetUpdateStatuses(TpFBDataSet::rmAfterApply, true);
    }
    P->CancelUpdates();
    EXPECT_EQ(P->FieldByName("MEMO")->AsString(), "uygulandı");
}

// ---- local filter and sort ------------------------------------------------------------------------

TEST_F(FBDataSetTest, TheFilterTextHidesTheRecordsItRejects) {
    TFBDataSet* Ds = NewDataSet(Connect(DB1()), "SELECT * FROM MANY ORDER BY ID");
    const auto Ids = [&] { return IdsOf(Ds); };
    Ds->SetFilter("ID > 3 and ID < 8");   // closed: only kept
    EXPECT_EQ(Ds->FilterExpression(), nullptr);
    Ds->SetFiltered(true);
    Ds->Open();
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 4);
    EXPECT_EQ(Ids(), "4 5 6 7 ");
    Ds->SetFilter("ID >= 49");   // open: applied at once, from the first record
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 49);
    EXPECT_EQ(Ids(), "49 50 ");
    Ds->SetFilter("ID > 100");
    EXPECT_TRUE(Ds->IsEmpty());
    Ds->SetFilter("");
    EXPECT_EQ(Ds->FilterExpression(), nullptr);
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 1);
    Ds->SetFilter("ID > 48");
    Ds->SetFiltered(false);
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 1);
    EXPECT_THAT(MessageOf([&] { Ds->SetFilter("ID >"); }),
                testing::HasSubstr("Can't parse Filter")) << "a broken filter was taken";
    // The filter shown is the one in force.
    Ds->SetFiltered(true);
    EXPECT_EQ(Ds->Filter(), "ID > 48");
    EXPECT_EQ(Ids(), "49 50 ");
}

TEST_F(FBDataSetTest, OnFilterRecordAndTheFilterTextMustBothAccept) {
    TFBDataSet* Ds = NewDataSet(Connect(DB1()), "SELECT * FROM MANY WHERE ID <= 10 ORDER BY ID");
    Ds->SetOnFilterRecord([](TDataSet* D, bool& Accept) { Accept = D->FieldByName("ID")->AsInteger() % 2 == 0; });
    Ds->SetFilter("ID > 5");
    Ds->SetFiltered(true);
    Ds->Open();
    EXPECT_EQ(IdsOf(Ds), "6 8 10 ");
    Ds->Last();
    Ds->Prior();
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 8);
    EXPECT_EQ(Ds->State(), dsBrowse);
}

TEST_F(FBDataSetEditTest, ALocalSortOrdersByFieldsWithNullsFirstAscendingAndLastDescending) {
    DB1().Execute("INSERT INTO EDIT (ID, NAME, RATE) VALUES (6, \"Altı\", 2.5);"
                  "INSERT INTO EDIT (ID, NAME, RATE) VALUES (7, \"Yedi\", NULL);");
    EXPECT_THROW(Ds->DoSort({"RATE"}, {true}), EFBError);   // closed
    Ds->Open();
    Ds->DoSort({"RATE"}, {true});
    EXPECT_EQ(Ids(), "7 1 2 6 3 4 5 ");
    EXPECT_EQ(Ds->SortFieldsText(), "RATE");
    Ds->DoSort({Ds->FieldByName("RATE")}, {false});
    EXPECT_EQ(Ids(), "5 4 3 2 6 1 7 ");
    // Several fields: the second orders only among equals in the first.
    Ds->DoSort({"RATE", 0}, {true, false});
    EXPECT_EQ(Ids(), "7 1 6 2 3 4 5 ");
    EXPECT_EQ(Ds->SortFieldsText(), "RATE;ID");
    EXPECT_EQ(MessageOf([&] { Ds->DoSort({"NOSUCH", "ID"}, {true, true}); }),
              "Can't sort. Invalid parameter: Fields[0]");
    EXPECT_EQ(Ids(), "7 1 6 2 3 4 5 ");
    EXPECT_EQ(Ds->SortFieldsText(), "RATE;ID");
}

TEST_F(FBDataSetEditTest, ASortedRecordKeepsItsPlaceAfterPostsOnlyWithKeepSorting) {
    Ds->Open();
    Ds->DoSort({"ID"}, {false});
    EXPECT_EQ(Ids(), "5 4 3 2 1 ");
    Ds->SetOptions(Ds->Options() + TpFBDsOptions{poKeepSorting});
    Ds->Locate("ID", Variant(4), {});
    Ds->Edit();
    Ds->FieldByName("ID")->SetAsInteger(0);
    Ds->Post();
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 0);
    EXPECT_EQ(Ds->RecNo(), 5);
    EXPECT_EQ(Ids(), "5 3 2 1 0 ");
    Ds->Last();
    Ds->Edit();
    Ds->FieldByName("NAME")->SetAsString("x");   // no sort field changed
    Ds->Post();
    EXPECT_EQ(Ds->RecNo(), 5);
    Ds->SetOptions(Ds->Options() - TpFBDsOptions{poKeepSorting});
    Ds->Edit();
    Ds->FieldByName("ID")->SetAsInteger(9);
    Ds->Post();
    EXPECT_EQ(Ds->SortFieldsText(), "");   // no longer sorted
    EXPECT_EQ(Ids(), "5 3 2 1 9 ");
    // With it, a record refreshed with another sort value takes its sorted place too.
    Ds->SetOptions(Ds->Options() + TpFBDsOptions{poKeepSorting});
    Ds->DoSort({"AMOUNT"}, {true});   // amounts: 1 10, 2 20, 3 30, 9 40, 5 50
    Ds->SetRecNo(2);
    DB1().Execute("UPDATE EDIT SET AMOUNT = 45 WHERE ID = 2");
    Ds->Refresh();
    EXPECT_EQ(Ds->RecNo(), 4);
    EXPECT_EQ(Ids(), "1 3 9 2 5 ");
    Ds->SetOptions(Ds->Options() - TpFBDsOptions{poKeepSorting});
    DB1().Execute("UPDATE EDIT SET AMOUNT = 5 WHERE ID = 5");
    Ds->Refresh();   // without it the order may break, as by a post
    EXPECT_EQ(Ds->SortFieldsText(), "");
}

TEST_F(FBDataSetEditTest, MoveRecordChangesTheOrderAndFetchesForAFarTarget) {
    Ds->Open();
    Ds->MoveRecord(1, 3);
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 1);
    EXPECT_EQ(Ds->RecNo(), 3);
    EXPECT_EQ(Ids(), "2 3 1 4 5 ");
    Ds->MoveRecord(2, 99);
    EXPECT_EQ(Ids(), "2 1 4 5 3 ");
    EXPECT_THROW(Ds->MoveRecord(0, 1), EListError);
    EXPECT_EQ(Ids(), "2 1 4 5 3 ");
}

// ---- the data set as a source of parameter values ----------------------------------------------

TEST_F(FBDataSetEditTest, TheDataSetSuppliesFieldsAndItsSelectParametersByName) {
    Ds->SelectSQL()->SetText("SELECT * FROM EDIT WHERE ID >= ?FROM_ID ORDER BY ID");
    Ds->SelectQuery()->ParamByName("FROM_ID")->SetAsInteger(2);
    Ds->Open();
    ISQLObject* O = Ds;
    ASSERT_EQ(O->ParamCount(), 1);
    EXPECT_EQ(O->ParamName(0), "FROM_ID");
    EXPECT_EQ(O->ParamValue("FROM_ID").AsInteger(), 2);
    O->SetParamValue(0, Variant(3));
    EXPECT_EQ(O->ParamValue(0).AsInteger(), 3);
    Integer I = -1;
    EXPECT_TRUE(O->FieldExist("name", I));
    EXPECT_EQ(I, 1);
    EXPECT_FALSE(O->FieldExist("NOSUCH", I));
    EXPECT_EQ(O->FieldsCount(), 5);
    EXPECT_THROW(O->FieldValue("NOSUCH", false), EDatabaseError);
    Ds->Edit();
    Ds->FieldByName("NAME")->SetAsString("yeni");
    EXPECT_EQ(O->FieldValue("NAME", true), Variant("İki"));
    EXPECT_EQ(O->FieldValue(1, false), Variant("yeni"));
    Ds->Cancel();
    Ds->Append();
    Ds->FieldByName("ID")->SetAsInteger(9);
    EXPECT_EQ(O->FieldValue(0, true).AsInteger(), 9);   // an inserted record has no old value
    EXPECT_TRUE(VarIsNull(O->FieldValue("ID", true)));
    // Another statement takes its parameters from the data set.
    TFBQuery Q(nullptr);
    Q.SetDatabase(Db);
    Q.SetTransaction(Db->DefaultTransaction());
    Q.SQL()->SetText("SELECT COUNT(*) FROM EDIT WHERE ID < ?NEW_ID AND ID >= ?FROM_ID");
    AssignSQLObjectParams(&Q, {Ds});
    EXPECT_EQ(Q.ParamByName("NEW_ID")->AsInteger(), 9);
    EXPECT_EQ(Q.ParamByName("FROM_ID")->AsInteger(), 3);
    Ds->Cancel();
}

// ---- master and detail -----------------------------------------------------------------------------

TEST_F(FBDataSetEditTest, ADetailFollowsItsMastersRecordAndState) {
    auto* Source = new TDataSource(Owner.get());
    Source->SetDataSet(Ds);
    TFBDataSet* Detail = NewDataSet(Db, "SELECT * FROM MANY WHERE ID = ?ID", "detail");
    TFBDataSet* Later = NewDataSet(Db, "SELECT * FROM MANY WHERE ID > ?MAS_ID ORDER BY ID", "later");
    Detail->SetDataSource(Source);
    Later->SetDataSource(Source);
    EXPECT_EQ(Detail->DataSource(), Source);
    Ds->Open();
    Detail->Open();
    Later->Open();
    EXPECT_EQ(Detail->FieldByName("ID")->AsInteger(), 1);
    EXPECT_EQ(Detail->RecordCount(), 1);
    EXPECT_EQ(Later->FieldByName("ID")->AsInteger(), 2);   // MAS_ID: the master's ID
    Ds->SetRecNo(3);
    EXPECT_EQ(Detail->FieldByName("ID")->AsInteger(), 3);
    EXPECT_EQ(Later->FieldByName("ID")->AsInteger(), 4);
    // Typing into the master moves nothing yet; the posted record does.
    Ds->Edit();
    Ds->FieldByName("ID")->SetAsInteger(7);
    EXPECT_EQ(Detail->FieldByName("ID")->AsInteger(), 3);
    Ds->Post();
    EXPECT_EQ(Detail->FieldByName("ID")->AsInteger(), 7);
    // A closed master closes the detail; opened again, the detail stays closed unless forced.
    Ds->Close();
    EXPECT_FALSE(Detail->Active());
    Detail->SetDetailConditions({dcForceOpen});
    Ds->Open();
    EXPECT_TRUE(Detail->Active());
    EXPECT_FALSE(Later->Active());
    EXPECT_EQ(Detail->FieldByName("ID")->AsInteger(), 1);
    // A data source that shows the data set itself would link it to itself.
    auto* Own = new TDataSource(Owner.get());
    Own->SetDataSet(Detail);
    EXPECT_THROW(Detail->SetDataSource(Own), EDatabaseError);
}


// ---- faults: moving without a buffer, closing and freeing after the connection went -----------------

class TMovingDataSet : public TFBDataSet {
public:
    using TFBDataSet::TFBDataSet;
    using TFBDataSet::GetRecord;
    using TFBDataSet::InternalFirst;
};

TEST_F(FBDataSetTest, MovingWithoutABufferStillPassesOverHiddenRecords) {
    auto* Ds = NewDataSet<TMovingDataSet>(Connect(DB1()), "SELECT * FROM MANY ORDER BY ID");
    Ds->SetFilter("ID > 3 and ID < 6");
    Ds->SetFiltered(true);
    Ds->Open();
    Ds->InternalFirst();
    EXPECT_EQ(Ds->GetRecord(nullptr, gmNext, true), grOK);
    EXPECT_EQ(Ds->CurrentRecordNumber(), 3);   // ID 4
    EXPECT_EQ(Ds->GetRecord(nullptr, gmNext, true), grOK);
    EXPECT_EQ(Ds->CurrentRecordNumber(), 4);
    EXPECT_EQ(Ds->GetRecord(nullptr, gmNext, true), grEOF);   // fetches the rest, all hidden
    EXPECT_EQ(Ds->FetchedCount(), 50);
    EXPECT_EQ(Ds->GetRecord(nullptr, gmPrior, true), grOK);
    EXPECT_EQ(Ds->CurrentRecordNumber(), 4);
    EXPECT_EQ(Ds->GetRecord(nullptr, gmCurrent, true), grOK);
    EXPECT_EQ(Ds->CurrentRecordNumber(), 4);
}

TEST_F(FBDataSetTest, ADataSetClosesAndGoesSoundlyAfterItsConnectionWent) {
    using TEnd = std::function<void(TFBDatabase*)>;
    const std::vector<std::pair<const char*, TEnd>> Ends = {
        {"close", [](TFBDatabase* Db) { Db->Close(); }},
        {"forced close", [](TFBDatabase* Db) { Db->ForceClose(); }},
        {"freed", [](TFBDatabase* Db) { delete Db; }},
    };
    for (const auto& [Name, End] : Ends) {
        SCOPED_TRACE(Name);
        TFBDatabase* Db = Connect(DB1());
        TFBDataSet* Ds = NewDataSet(Db, "SELECT * FROM MANY ORDER BY ID");
        Ds->SetCachedUpdates(true);   // keeps its rows when the connection goes
        TFBDataSet* Plain = NewDataSet(Db, "SELECT * FROM MANY ORDER BY ID", "plain");
        Ds->Open();
        Plain->Open();
        End(Db);
        EXPECT_NO_THROW(Plain->Close());
        EXPECT_NO_THROW(Ds->Close());
        EXPECT_NO_THROW(delete Ds);
        EXPECT_NO_THROW(delete Plain);
        Owner = std::make_unique<TComponent>(nullptr);
    }
}

TEST_F(FBDataSetTest, ACursorThatCannotBeClosedLeavesTheDataSetClosedAndCanBeFreed) {
    TFakeLoaderGuard Guard;
    const AnsiString Name = UniqueFakeLibraryName("close");
    TFakeModuleLoader::Instance().Define(
        Name, {{}, {{"isc_dsql_free_statement", reinterpret_cast<void*>(&FreeStatementFailingClose)}}});
    auto* Db = new TFBDatabase(Owner.get());
    Db->SetName("Broken");
    Db->SetLibraryName(Name);
    Db->SetSynchronizeTime(false);
    Db->SetDBName(DB1().Path());
    TTestDatabase::AddLogin(Db->DBParams());
    Db->Open();
    auto* Tr = new TFBTransaction(Owner.get());
    Tr->SetDefaultDatabase(Db);
    Db->SetDefaultTransaction(Tr);
    TFBDataSet* Ds = NewDataSet(Db, "SELECT * FROM MANY ORDER BY ID");
    Ds->Open();
    FailCursorClose = true;
    EXPECT_THROW(Ds->Close(), EFBError);   // told, and closed all the same
    EXPECT_FALSE(Ds->Active());
    FailCursorClose = false;
    Ds->Open();
    Ds->Next();
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 2);
    FailCursorClose = true;
    EXPECT_NO_THROW(delete Ds);   // no way to report it: freed quietly
    FailCursorClose = false;
}

// ---- master and detail: waiting for the master, forced refreshes --------------------------------

class FBDataSetDetailTest : public FBDataSetEditTest {
protected:
    void SetUp() override {
        FBDataSetEditTest::SetUp();
        Source = new TDataSource(Owner.get());
        Source->SetDataSet(Ds);
    }
    // A detail of Ds counting its openings.
    TFBDataSet* NewDetail(const AnsiString& Sql, const char* Name, Integer& Opened) {
        TFBDataSet* D = NewDataSet(Db, Sql, Name);
        D->SetDataSource(Source);
        D->AfterOpen = [&Opened](TDataSet*) { ++Opened; };
        return D;
    }
    TDataSource* Source = nullptr;
};

TEST_F(FBDataSetDetailTest, WaitingForTheMasterToStopOpensTheDetailOnceAfterTheLastMove) {
    TManualTimerService Clock;
    TTimerServiceGuard Guard(&Clock);
    Integer Opened = 0;
    TFBDataSet* Detail = NewDetail("SELECT * FROM MANY WHERE ID = ?ID", "detail", Opened);
    Detail->SetDetailConditions({dcWaitEndMasterScroll});
    EXPECT_TRUE(Detail->DetailConditions().Contains(dcWaitEndMasterScroll));
    Ds->Open();
    Detail->Open();
    Opened = 0;
    for (Integer I = 0; I < 4; ++I) {
        Ds->Next();
        Clock.Advance(100);
    }
    EXPECT_EQ(Opened, 0);
    EXPECT_EQ(Detail->FieldByName("ID")->AsInteger(), 1);   // still the first master's
    Clock.Advance(199);
    EXPECT_EQ(Opened, 0);
    Clock.Advance(1);
    EXPECT_EQ(Opened, 1);
    EXPECT_EQ(Detail->FieldByName("ID")->AsInteger(), 5);
    Clock.Advance(1000);
    EXPECT_EQ(Opened, 1);
    // A move still waiting is followed before the detail is edited.
    Detail->SetUpdateSQL(Ds->UpdateSQL());
    Ds->Prior();
    Detail->Edit();
    EXPECT_EQ(Detail->FieldByName("ID")->AsInteger(), 4);
    EXPECT_EQ(Opened, 2);
    Detail->Cancel();
    Clock.Advance(1000);
    EXPECT_EQ(Opened, 2);
    // And before a record is inserted.
    Detail->SetInsertSQL(Ds->InsertSQL());
    Ds->Next();
    Detail->Insert();
    EXPECT_EQ(Opened, 3);
    Detail->Cancel();
    Detail->DeleteSQL()->SetText("DELETE FROM MANY WHERE ID < 0");   // and before a record is deleted
    Detail->BeforeDelete = [](TDataSet* D) { EXPECT_EQ(D->FieldByName("ID")->AsInteger(), 4); Abort(); };
    Ds->Prior();
    EXPECT_THROW(Detail->Delete(), EAbort);
    // Without the condition the timer goes, and the detail follows at once.
    Detail->SetDetailConditions({});
    EXPECT_FALSE(Detail->DetailConditions().Contains(dcWaitEndMasterScroll));
    Ds->Prior();
    EXPECT_EQ(Detail->FieldByName("ID")->AsInteger(), 3);
    // A zero interval is no waiting either.
    Detail->SetWaitEndMasterInterval(0);
    Detail->SetDetailConditions({dcWaitEndMasterScroll});
    EXPECT_FALSE(Detail->DetailConditions().Contains(dcWaitEndMasterScroll));
    Ds->Prior();
    EXPECT_EQ(Detail->FieldByName("ID")->AsInteger(), 2);
}

TEST_F(FBDataSetDetailTest, ADetailOfAFollowingDetailFollowsAtOnce) {
    TManualTimerService Clock;
    TTimerServiceGuard Guard(&Clock);
    Integer Opened = 0, GrandOpened = 0;
    TFBDataSet* Detail = NewDetail("SELECT * FROM MANY WHERE ID = ?ID", "detail", Opened);
    Detail->SetDetailConditions({dcWaitEndMasterScroll});
    auto* DetailSource = new TDataSource(Owner.get());
    DetailSource->SetDataSet(Detail);
    TFBDataSet* Grand = NewDataSet(Db, "SELECT * FROM MANY WHERE ID = ?ID", "grand");
    Grand->SetDataSource(DetailSource);
    Grand->AfterOpen = [&GrandOpened](TDataSet*) { ++GrandOpened; };
    Grand->SetDetailConditions({dcWaitEndMasterScroll});
    Ds->Open();
    Detail->Open();
    Grand->Open();
    GrandOpened = 0;
    Ds->SetRecNo(4);
    Clock.Advance(300);   // the detail's wait ends; its own detail does not wait again
    EXPECT_EQ(Detail->FieldByName("ID")->AsInteger(), 4);
    EXPECT_EQ(GrandOpened, 1);
    EXPECT_EQ(Grand->FieldByName("ID")->AsInteger(), 4);
    Clock.Advance(1000);
    EXPECT_EQ(GrandOpened, 1);
    // Moved by hand, the detail's own detail waits as usual.
    Detail->Close();
    EXPECT_FALSE(Grand->Active());
    Detail->SelectSQL()->SetText("SELECT * FROM MANY WHERE ID >= ?ID ORDER BY ID");
    Detail->Open();
    EXPECT_FALSE(Grand->Active());   // not forced open
    Grand->Open();
    GrandOpened = 0;
    Detail->Next();
    EXPECT_EQ(GrandOpened, 0);
    Clock.Advance(300);
    EXPECT_EQ(GrandOpened, 1);
    EXPECT_EQ(Grand->FieldByName("ID")->AsInteger(), 5);
}

TEST_F(FBDataSetDetailTest, ClosedAndIgnoringDetailsAndTheForcedMasterRefresh) {
    Integer Opened = 0, Kept = 0;
    TFBDataSet* Detail = NewDetail("SELECT * FROM MANY WHERE ID = ?ID", "detail", Opened);
    TFBDataSet* Keeper = NewDetail("SELECT * FROM MANY WHERE ID = ?ID", "keeper", Kept);
    Keeper->SetDetailConditions({dcIgnoreMasterClose});
    Ds->Open();
    Keeper->Open();
    Ds->Next();
    EXPECT_FALSE(Detail->Active());   // closed and not forced: stays closed
    EXPECT_EQ(Opened, 0);
    EXPECT_EQ(Keeper->FieldByName("ID")->AsInteger(), 2);
    Ds->Close();
    EXPECT_TRUE(Keeper->Active());
    EXPECT_EQ(Keeper->FieldByName("ID")->AsInteger(), 2);
    // The detail deletes its row: with dcForceMasterRefresh the master reads its record again.
    Ds->Open();
    EXPECT_EQ(Keeper->FieldByName("ID")->AsInteger(), 1);
    Keeper->DeleteSQL()->SetText("DELETE FROM MANY WHERE ID = ?OLD_ID AND ID < 0");   // deletes nothing
    Keeper->SetDetailConditions({dcForceMasterRefresh});
    Integer MasterRefreshed = 0;
    Ds->AfterRefresh = [&MasterRefreshed](TDataSet*) { ++MasterRefreshed; };
    Keeper->Delete();
    EXPECT_EQ(MasterRefreshed, 1);
    Keeper->RefreshSQL()->SetText("SELECT * FROM MANY WHERE ID = ?ID");
    Keeper->Refresh();   // a record read again refreshes the master too
    EXPECT_EQ(MasterRefreshed, 2);
    Keeper->Close();
    Keeper->SetCachedUpdates(true);
    Keeper->Open();
    Ds->Next();
    Keeper->Delete();
    EXPECT_EQ(MasterRefreshed, 2);   // cached: nothing reached the server yet
}

TEST_F(FBDataSetDetailTest, ADetailsRefreshStatementKeepsTheMasterValuesItsSelectWasOpenedWith) {
    Integer Opened = 0;
    TFBDataSet* Detail = NewDetail("SELECT * FROM MANY WHERE ID > ?ID ORDER BY ID", "detail", Opened);
    Detail->RefreshSQL()->SetText("SELECT * FROM MANY WHERE ID = ?ID AND NAME = ?NAME");
    Ds->Open();
    Detail->Open();
    EXPECT_EQ(Detail->FieldByName("ID")->AsInteger(), 2);   // after the master's 1
    TFBQuery* Q = Detail->RefreshQuery();
    Q->Prepare();
    Detail->SetInternalSQLParams(Q, Detail->GetActiveBuf());
    EXPECT_EQ(Q->ParamByName("ID")->AsInteger(), 1);         // the select's, as the detail was opened
    EXPECT_EQ(Q->ParamByName("NAME")->AsString(), "Satır 2");   // no such select parameter: the record's
    // The other statements take the record's own value.
    Detail->UpdateSQL()->SetText("UPDATE MANY SET NAME = ?NAME WHERE ID = ?ID");
    Detail->UpdateQuery()->Prepare();
    Detail->SetInternalSQLParams(Detail->UpdateQuery(), Detail->GetActiveBuf());
    EXPECT_EQ(Detail->UpdateQuery()->ParamByName("ID")->AsInteger(), 2);
}

TEST_F(FBDataSetDetailTest, ADetailEditedWhileItsMasterMovesFollowsItOnceTheEditIsPosted) {
    TManualTimerService Clock;
    TTimerServiceGuard Guard(&Clock);
    auto* Detail = NewDataSet<TpFBDataSet>(Db, "SELECT * FROM EDIT WHERE ID = ?ID + 1", "detail");
    Detail->SetDataSource(Source);
    Detail->UpdateSQL()->SetText("UPDATE EDIT SET NAME = ?NAME, AMOUNT = ?MAS_AMOUNT WHERE ID = ?OLD_ID");
    Detail->SetOptions(Detail->Options() + TpFBDsOptions{poProtectedEdit});
    Detail->SetDetailConditions({dcWaitEndMasterScroll});
    Ds->Open();
    Detail->Open();
    Detail->Edit();
    Detail->FieldByName("NAME")->SetAsString("Değişti");
    Ds->Next();
    Detail->SetInternalSQLParams(Detail->UpdateQuery(), Detail->GetActiveBuf());
    EXPECT_EQ(Detail->UpdateQuery()->ParamByName("MAS_AMOUNT")->AsInteger(), 10) << "the master it was begun for";
    Detail->Post();   // the edit is kept, then the master followed
    EXPECT_EQ(Detail->FieldByName("ID")->AsInteger(), 3);
    Ds->Next();   // not followed yet: the edit and its lock are the new master's line's
    Detail->Edit();
    EXPECT_EQ(dynamic_cast<TFBQuery*>(Detail->FindComponent("LockQuery"))->ParamByName("OLD_ID")->AsInteger(), 4);
    Detail->Cancel();
    Ds->Last();   // a master without lines: nothing is left to edit
    EXPECT_THROW(Detail->Edit(), EAbort);
}

TEST_F(FBDataSetDetailTest, MasterValuesReachTheDetailByTheirTypesAlsoWhereOnlyAMacroNamesThem) {
    Integer Opened = 0;
    TFBDataSet* Detail =
        NewDetail("SELECT ID FROM EDIT WHERE NAME = ?NAME AND D = ?MAS_D AND RATE = ?RATE AND @MORE%1=1", "detail", Opened);
    Ds->Open();
    Detail->Prepare();
    Detail->SelectQuery()->ParamByName("MORE")->SetAsString("AMOUNT = ?AMOUNT");
    for (Integer Rec : {3, 1, 5}) {
        Ds->SetRecNo(Rec);
        if (!Detail->Active()) Detail->Open();
        EXPECT_EQ(Detail->FieldByName("ID")->AsInteger(), Rec);
    }
    DB1().Execute("DELETE FROM NOTES; INSERT INTO NOTES VALUES (7, \"Sayaç değişti\");");   // a memo: by its stream
    Source->SetDataSet(NewDataSet(Db, "SELECT * FROM NOTES", "notes"));
    Source->DataSet()->Open();
    TFBDataSet* Same = NewDetail("SELECT ID FROM NOTES WHERE MEMO = ?MEMO", "same", Opened);
    Same->Open();
    EXPECT_EQ(Same->FieldByName("ID")->AsInteger(), 7);
}

TEST_F(FBDataSetDetailTest, AMasterThatCannotServeTheDetailIsRefused) {
    DB1().Execute("DELETE FROM READINGS; INSERT INTO READINGS (ID) VALUES (1);");
    TFBDataSet* Readings = NewDataSet(Db, "SELECT ID, V FROM READINGS", "readings");
    Readings->UpdateSQL()->SetText("UPDATE READINGS SET V = ?V WHERE ID = ?ID");
    Source->SetDataSet(Readings);
    Readings->Open();
    Readings->Edit();
    Readings->FieldByName("V")->SetAsVariant(VarArrayOf({Variant(1), Variant(2)}));
    Integer Opened = 0;
    TFBDataSet* Detail = NewDetail("SELECT ID FROM READINGS WHERE ?V IS NULL", "detail", Opened);
    EXPECT_EQ(ErrorCode([&] { Detail->Open(); }), 1);   // an array has no parameter form
    auto* Back = new TDataSource(Owner.get());
    Back->SetDataSet(Detail);
    EXPECT_EQ(ErrorCode([&] { Readings->SetDataSource(Back); }), 50);   // linked back to its detail
}

TEST_F(FBDataSetEditTest, BeforeTheFieldsExistTheKeyOfATableIsNamedByTheSelectsColumns) {
    TFBDataSet* Aliased = NewDataSet(Db, "SELECT NAME, ID AS NUM FROM EDIT", "aliased");
    Aliased->Prepare();
    EXPECT_EQ(Aliased->KeyFieldsOfTable("EDIT"), "NUM");
}

// ---- finding records ------------------------------------------------------------------------------

class TLocatingDataSet : public TFBDataSet {
public:
    using TFBDataSet::TFBDataSet;
    using TFBDataSet::Resync;
};

TEST_F(FBDataSetTest, LocateMatchesTextsByCasePrefixMaskAndNull) {
    TFBDatabase* Db = Connect(DB1());
    TFBDataSet* Ds = NewDataSet(Db, "SELECT * FROM MANY ORDER BY ID");
    Ds->Open();
    EXPECT_FALSE(Ds->Locate("NAME", "satır 7", {}));
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 1);   // kept
    EXPECT_TRUE(Ds->Locate("NAME", "SATIR 7", {loCaseInsensitive}));
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 7);
    EXPECT_TRUE(Ds->Locate("NAME", "Satır 3", {loPartialKey}));
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 3);
    EXPECT_TRUE(Ds->Locate("ID;NAME", VarArrayOf({Variant(31), Variant("satır 3")}), {loPartialKey, loCaseInsensitive}));
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 31);
    EXPECT_TRUE(Ds->LocateEx("NAME", "Satır 4_", lcoWildcard));
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 40);
    EXPECT_TRUE(Ds->Locate("ID", "12", {}));   // a text key reads the field as text
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 12);
    EXPECT_FALSE(Ds->Locate("ID", 99, {}));
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 12);
    TFBDataSet* Kinds = NewDataSet(Db, "SELECT * FROM KINDS ORDER BY ID", "kinds");
    Kinds->Open();
    EXPECT_TRUE(Kinds->Locate("SHORTTXT", Null(), {}));
    EXPECT_EQ(Kinds->FieldByName("ID")->AsInteger(), 2);
    EXPECT_TRUE(Kinds->Locate("SHORTTXT", "KISA", {loCaseInsensitive}));
    EXPECT_EQ(Kinds->FieldByName("ID")->AsInteger(), 1);
    EXPECT_THROW(Kinds->Locate("NOSUCH", 1, {}), EDatabaseError);
}

TEST_F(FBDataSetTest, LocateOptionsForSortedFetchedAndNearestSearches) {
    TFBDatabase* Db = Connect(DB1());
    TFBDataSet* Ds = NewDataSet(Db, "SELECT * FROM MANY WHERE MOD(ID, 10) = 0 ORDER BY ID");
    Ds->Open();
    const Integer Fetched = Ds->FetchedCount();
    EXPECT_LT(Fetched, 5);
    EXPECT_FALSE(Ds->LocateEx("ID", 50, lcoFetchedOnly));
    EXPECT_EQ(Ds->FetchedCount(), Fetched);   // nothing more fetched
    // Sorted: past the fetched records the search goes on through the rows still to come.
    EXPECT_TRUE(Ds->LocateEx("ID", 40, lcoSorted));
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 40);
    Ds->FetchAll();
    EXPECT_TRUE(Ds->LocateEx("ID", 20, lcoSorted));   // binary search below the last record
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 20);
    EXPECT_FALSE(Ds->LocateEx("ID", 25, lcoSorted));
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 20);
    EXPECT_FALSE(Ds->LocateEx("ID", 25, lcoSorted | lcoNearest));
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 30);   // where 25 would stand
    EXPECT_FALSE(Ds->LocateEx("ID", 5, lcoSorted | lcoNearest));
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 10);
    TFBDataSet* Desc = NewDataSet(Db, "SELECT * FROM MANY WHERE MOD(ID, 10) = 0 ORDER BY ID DESC", "desc");
    Desc->Open();
    Desc->FetchAll();
    for (Integer Id : {50, 40, 30, 20, 10}) {
        EXPECT_TRUE(Desc->LocateEx("ID", Id, lcoSorted)) << Id;
        EXPECT_EQ(Desc->FieldByName("ID")->AsInteger(), Id);
    }
    EXPECT_FALSE(Desc->LocateEx("ID", 35, lcoSorted | lcoNearest));
    EXPECT_EQ(Desc->FieldByName("ID")->AsInteger(), 30);
}

TEST_F(FBDataSetTest, InternalLocateSearchesBackwardsFromTheCurrentRecord) {
    auto* Ds = NewDataSet<TLocatingDataSet>(Connect(DB1()), "SELECT * FROM MANY ORDER BY ID");
    Ds->Open();
    Ds->SetRecNo(25);
    EXPECT_TRUE(Ds->InternalLocate("NAME", "Satır 1", 2, false, lcoPartialKey));
    Ds->Resync({});
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 19);
    EXPECT_TRUE(Ds->InternalLocate("NAME", "Satır 1", 0, false, lcoPartialKey));
    Ds->Resync({});
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 19);   // the current record matches already
    EXPECT_FALSE(Ds->InternalLocate("NAME", "yok", 2, true, 0));
    Ds->Resync({});
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 19);
}

TEST_F(FBDataSetTest, LocateByQueryAsksTheServer) {
    TFBDataSet* Ds = NewDataSet(Connect(DB1()), "SELECT * FROM MANY WHERE ID > ?FROM_ID ORDER BY ID");
    Ds->SelectQuery()->Prepare();
    Ds->SelectQuery()->ParamByName("FROM_ID")->SetAsInteger(10);
    Ds->Open();
    EXPECT_TRUE(Ds->LocateByQuery("NAME", "Satır 33", nullptr, 0, 0));
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 33);
    EXPECT_FALSE(Ds->LocateByQuery("NAME", "Satır 3", nullptr, 0, 0));   // not past ID 10
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 33);
    EXPECT_TRUE(Ds->LocateByQuery("NAME", "Satır 4", nullptr, 0, lcoPartialKey));
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 40);
    // A statement of the caller's keeps the row it found.
    TFBQuery Q(nullptr);
    EXPECT_TRUE(Ds->LocateByQuery("ID", 12, &Q, 0, 0));
    EXPECT_EQ(Q.FieldByName("NAME")->AsString(), "Satır 12");
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 40);   // the data set stays
    EXPECT_EQ(Q.SQL()->Text().find("ORDER"), AnsiString::npos);
    Q.Close();
    // Errors: no key field, a part mode.
    EXPECT_THAT(MessageOf<EFBClientError>([&] { Ds->LocateByQuery(" ; ", 1, nullptr, 0, 0); }),
                testing::HasSubstr("dm.ds.LocateForPartialCache. FieldList is empty"));
    EXPECT_THAT(MessageOf<EFBClientError>([&] { Ds->LocateByQuery("ID", 1, nullptr, 1, 0); }),
                testing::HasSubstr("CachedUpdates must be False"));
}

TEST_F(FBDataSetEditTest, ReopenLocateGoesBackToTheSameRecord) {
    Ds->Open();
    Ds->SetRecNo(3);
    DB1().Execute("UPDATE EDIT SET NAME = \"Üç yeni\" WHERE ID = 3; INSERT INTO EDIT (ID, NAME) VALUES (0, \"Sıfır\")");
    Ds->ReopenLocate("ID");
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 3);
    EXPECT_EQ(Ds->FieldByName("NAME")->AsString(), "Üç yeni");
    EXPECT_EQ(Ds->RecNo(), 4);   // the new row 0 came before it
    // Without key names: found again by every field as the refresh statement reads it now.
    DB1().Execute("UPDATE EDIT SET NAME = \"Üç\" WHERE ID = 3");
    Ds->RefreshAll(false, true);
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 3);
    EXPECT_EQ(Ds->FieldByName("NAME")->AsString(), "Üç");
    // No refresh statement: only re-opened.
    Ds->RefreshSQL()->Clear();
    Ds->ReopenLocate("");
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 0);
    // A uni-directional data set cannot come back.
    Ds->Close();
    Ds->SetUniDirectional(true);
    Ds->Open();
    EXPECT_THROW(Ds->ReopenLocate("ID"), EFBClientError);
}

TEST_F(FBDataSetEditTest, LookupReadsTheFoundRecordAndStaysWhereItWas) {
    Ds->Open();
    Ds->SetRecNo(2);
    EXPECT_EQ(VarToStr(Ds->Lookup("ID", 4, "NAME")), "Dört");
    EXPECT_EQ(Ds->RecNo(), 2);
    EXPECT_TRUE(VarIsNull(Ds->Lookup("ID", 9, "NAME")));
    EXPECT_TRUE(VarIsNull(Ds->Lookup("ID", 4, " ")));
    const Variant Both = Ds->Lookup("NAME", "Beş", "ID;RATE");
    ASSERT_TRUE(VarIsArray(Both));
    EXPECT_EQ(VarArrayGet(Both, {0}).AsInteger(), 5);
    EXPECT_FALSE(Ds->Locate("RATE", 2, {}));   // 1.5 and 2.5 only round to it
    Ds->Close();
    Ds->SelectSQL()->SetText("SELECT * FROM EDIT ORDER BY NAME");   // the server's collation: Üç before İki
    Ds->Open();
    Ds->FetchAll();
    EXPECT_EQ(VarToStr(Ds->Lookup("NAME", "Üç", "ID")), "3");
    EXPECT_TRUE(Ds->LocateEx("NAME", "Üç", lcoSorted));
    // Sorted on the key and fetched whole: found through the sorted order.
    Ds->DoSort({TVarRec("NAME")}, {true});
    Ds->FetchAll();
    for (const char* Name : {"Beş", "Bir", "Dört", "İki", "Üç"})
        EXPECT_FALSE(VarIsNull(Ds->Lookup("NAME", Name, "ID"))) << Name;
    EXPECT_TRUE(VarIsNull(Ds->Lookup("NAME", "Altı", "ID")));
    // A record the filter hides steers the search by its value, and is never the one found.
    for (Integer Hidden = 1; Hidden <= 5; ++Hidden) {
        Ds->SetFilter("ID <> " + IntToStr(Hidden));
        Ds->SetFiltered(true);
        for (const char* Name : {"Beş", "Bir", "Dört", "İki", "Üç"}) {
            const AnsiString Found = VarToStr(Ds->Lookup("NAME", Name, "ID"));
            EXPECT_EQ(Found, Ds->Locate("NAME", Name, {}) ? Ds->FieldByName("ID")->AsString() : "") << Name;
        }
    }
    EXPECT_EQ(Ds->State(), dsBrowse);
}

// ---- array fields ---------------------------------------------------------------------------------

TEST_F(FBDataSetTest, ArrayFieldsReadAndWriteWholeArraysThroughTheDataSet) {
    DB3().Execute("CREATE TABLE ARR (ID INTEGER NOT NULL PRIMARY KEY, V INTEGER[1:3], M VARCHAR(5)[1:2, 0:1])");
    DB3().Execute("INSERT INTO ARR (ID) VALUES (1); INSERT INTO ARR (ID) VALUES (2)");
    TFBDatabase* Db = Connect(DB3());
    auto* Ds = NewDataSet<TPostingDataSet>(Db, "SELECT * FROM ARR ORDER BY ID");
    Ds->UpdateSQL()->SetText("UPDATE ARR SET V = ?V, M = ?M WHERE ID = ?OLD_ID");
    Ds->InsertSQL()->SetText("INSERT INTO ARR (ID, V, M) VALUES (?ID, ?V, ?M)");
    // Stored, an array gets its lasting id: the record is read again after a post.
    Ds->RefreshSQL()->SetText("SELECT * FROM ARR WHERE ID = ?ID");
    Ds->AfterPost = [](TDataSet* D) { D->Refresh(); };
    Ds->Open();
    TField* V = Ds->FieldByName("V");
    TField* M = Ds->FieldByName("M");
    ASSERT_NE(dynamic_cast<TFBArrayField*>(V), nullptr);
    EXPECT_TRUE(VarIsNull(V->AsVariant()));
    EXPECT_EQ(V->DisplayText(), "(Array)");
    // Outside edit and insert nothing is written.
    EXPECT_THROW(Ds->SetArrayFieldValue(V, VarArrayOf({Variant(1), Variant(2), Variant(3)})), EFBError);
    Ds->Edit();
    V->SetAsVariant(VarArrayOf({Variant(7), Variant(8), Variant(9)}));
    Variant Texts = VarArrayCreate({1, 2, 0, 1}, varVariant);
    VarArrayPut(Texts, Variant("a"), {1, 0});
    VarArrayPut(Texts, Variant("bç"), {1, 1});
    VarArrayPut(Texts, Variant("c"), {2, 0});
    VarArrayPut(Texts, Variant("dddd"), {2, 1});
    M->SetAsVariant(Texts);
    EXPECT_EQ(V->DisplayText(), "(ARRAY)");
    Ds->Post();
    Db->DefaultTransaction()->CommitRetaining();
    // Read back by another data set.
    TFBDataSet* Back = NewDataSet(Db, "SELECT * FROM ARR WHERE ID = 1", "back");
    Back->Open();
    const Variant Got = Back->FieldByName("V")->AsVariant();
    ASSERT_TRUE(VarIsArray(Got));
    EXPECT_EQ(VarArrayLowBound(Got, 1), 1);
    EXPECT_EQ(VarArrayHighBound(Got, 1), 3);
    EXPECT_EQ(VarArrayGet(Got, {2}).AsInteger(), 8);
    const Variant GotM = Back->FieldByName("M")->AsVariant();
    ASSERT_TRUE(VarIsArray(GotM));
    EXPECT_EQ(VarArrayLowBound(GotM, 2), 0);
    EXPECT_EQ(VarToStr(VarArrayGet(GotM, {1, 1})), "bç");
    EXPECT_EQ(VarToStr(VarArrayGet(GotM, {2, 1})), "dddd");
    // Cancelled: the record keeps its former array; an empty value clears it.
    Ds->Edit();
    V->SetAsVariant(VarArrayOf({Variant(1), Variant(1), Variant(1)}));
    Ds->Cancel();
    EXPECT_EQ(VarArrayGet(V->AsVariant(), {1}).AsInteger(), 7);
    Ds->Edit();
    V->SetAsVariant(VarArrayOf({Variant(1), Variant(1), Variant(1)}));
    Ds->ResetArrayFields();   // as after a failed post
    EXPECT_EQ(VarArrayGet(V->AsVariant(), {1}).AsInteger(), 7);
    V->SetAsVariant(Null());
    EXPECT_TRUE(V->IsNull());
    Ds->Post();
    // A new record starts without arrays; too many dimensions are refused.
    Ds->Append();
    Ds->FieldByName("ID")->SetAsInteger(3);
    EXPECT_TRUE(V->IsNull());
    EXPECT_THROW(V->SetAsVariant(VarArrayCreate({1, 2, 1, 2, 1, 2}, varVariant)), EFBError);
    V->SetAsVariant(VarArrayOf({Variant(4), Variant(5), Variant(6)}));
    Ds->Post();
    EXPECT_EQ(VarArrayGet(V->AsVariant(), {3}).AsInteger(), 6);
    Db->DefaultTransaction()->Commit();
}

// ---- calculated fields in a filter, a local sort kept across re-opening -----------------------------

TEST_F(FBDataSetTest, AFilterCanNameACalculatedField) {
    TFBDataSet* Ds = NewDataSet(Connect(DB1()), "SELECT ID FROM MANY ORDER BY ID");
    auto* Id = AddField<TFBIntegerField>(Ds, "ID");
    auto* Twice = AddField<TFBIntegerField>(Ds, "TWICE", 0, fkCalculated);
    Ds->OnCalcFields = [&](TDataSet*) { Twice->SetAsInteger(Id->AsInteger() * 2); };
    Ds->SetFilter("TWICE > 96 or TWICE = 2");
    Ds->SetFiltered(true);
    Ds->Open();
    AnsiString Ids;
    for (; !Ds->Eof(); Ds->Next()) Ids += Id->AsString() + " ";
    EXPECT_EQ(Ids, "1 49 50 ");
}

TEST_F(FBDataSetEditTest, APersistentLocalSortIsMadeAgainAfterReopening) {
    Ds->Open();
    Ds->DoSort({TVarRec("AMOUNT")}, {false});
    EXPECT_EQ(Ids(), "5 4 3 2 1 ");
    Ds->Close();
    Ds->Open();
    EXPECT_EQ(Ids(), "1 2 3 4 5 ");   // not kept: the server's order
    EXPECT_FALSE(Ds->LocallySorted());
    Ds->SetOptions(Ds->Options() + TpFBDsOptions{poPersistentSorting});
    Ds->DoSort({TVarRec("AMOUNT")}, {false});
    Ds->Last();
    Ds->Close();
    Ds->Open();
    EXPECT_EQ(Ds->FieldByName("ID")->AsInteger(), 5);   // sorted again, on the first record
    EXPECT_EQ(Ids(), "5 4 3 2 1 ");
    EXPECT_EQ(Ds->SortFieldsText(), "AMOUNT");
    // A new select without the sort field drops the sort.
    Ds->Close();
    Ds->SelectSQL()->SetText("SELECT ID, NAME FROM EDIT ORDER BY ID");
    Ds->Open();
    EXPECT_EQ(Ids(), "1 2 3 4 5 ");
    EXPECT_FALSE(Ds->LocallySorted());
}

}  // namespace
