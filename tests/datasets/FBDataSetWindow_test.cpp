// The limited cache model: a window of records walked, searched and edited over
// a few thousand rows of a real embedded database.
#include "datasets/pFBDataSet.h"
#include "platform/Raised.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "dbclient/FBMessages.h"
#include "dbclient/FBTransaction.h"
#include "support/db/DbTest.h"

namespace {

constexpr Integer Rows = 3000;

class FBDataSetWindowTest : public TDbTest {
public:
    static void SetUpTestSuite() {
        DB3().Execute(
            "CREATE TABLE DIGITS (D INTEGER);"
            "CREATE TABLE W (ID INTEGER NOT NULL PRIMARY KEY, GRP INTEGER, NAME VARCHAR(40));");
        DB3().Execute(
            "INSERT INTO DIGITS VALUES (0); INSERT INTO DIGITS VALUES (1); INSERT INTO DIGITS VALUES (2);"
            "INSERT INTO DIGITS VALUES (3); INSERT INTO DIGITS VALUES (4); INSERT INTO DIGITS VALUES (5);"
            "INSERT INTO DIGITS VALUES (6); INSERT INTO DIGITS VALUES (7); INSERT INTO DIGITS VALUES (8);"
            "INSERT INTO DIGITS VALUES (9)");
    }

protected:
    void SetUp() override {
        DB3().Execute(
            "DELETE FROM W;"
            "INSERT INTO W (ID, GRP, NAME) SELECT N, MOD(N, 7), 'Satır ' || N FROM (SELECT A.D * 1000 + B.D * 100 + "
            "C.D * 10 + E.D + 1 AS N FROM DIGITS A, DIGITS B, DIGITS C, DIGITS E) WHERE N <= " +
            IntToStr(Rows));
        Connect(DB3(), "Db", "Tr");
    }

    TpFBDataSet* NewDataSet(const AnsiString& Sql, bool Limited = true, const char* Name = "ds") {
        auto* Ds = new TpFBDataSet(Owner.get());
        Ds->SetName(Name);
        Ds->SetDatabase(Db);
        Ds->SetTransaction(Tr);
        Ds->SelectSQL()->SetText(Sql);
        Ds->InsertSQL()->SetText("insert into W (ID, GRP, NAME) values (?ID, ?GRP, ?NAME)");
        Ds->UpdateSQL()->SetText("update W set ID = ?ID, GRP = ?GRP, NAME = ?NAME where ID = ?OLD_ID");
        Ds->DeleteSQL()->SetText("delete from W where ID = ?OLD_ID");
        Ds->RefreshSQL()->SetText("select * from W where ID = ?ID");
        Ds->SetAutoCommit(true);
        if (Limited) Ds->CacheModelOptions()->SetCacheModelKind(cmkLimitedBufferSize);
        return Ds;
    }
    static Integer Id(TDataSet* Ds) { return Ds->FieldByName("ID")->AsInteger(); }
    // The IDs from here to the end, and from the end back to the start in forward order.
    static std::vector<Integer> Forward(TDataSet* Ds) {
        std::vector<Integer> R;
        for (; !Ds->Eof(); Ds->Next()) R.push_back(Id(Ds));
        return R;
    }
    static std::vector<Integer> Backward(TDataSet* Ds) {
        std::vector<Integer> R;
        for (Ds->Last(); !Ds->Bof(); Ds->Prior()) R.insert(R.begin(), Id(Ds));
        return R;
    }
    static Integer BufferChunks(TpFBDataSet* Ds) { return Ds->CacheModelOptions()->BufferChunks(); }
    // Fields ID and GRP of W, and a calculated field TWICE.
    TpFBDataSet* WithCalculatedField() {
        TpFBDataSet* Ds = NewDataSet("select ID, GRP from W order by ID");
        for (const char* Name : {"ID", "GRP"}) {
            auto* F = new TFBIntegerField(Ds);
            F->SetFieldName(Name);
            F->SetDataSet(Ds);
        }
        auto* Calc = new TFBIntegerField(Ds);
        Calc->SetFieldName("TWICE");
        Calc->SetFieldKind(fkCalculated);
        Calc->SetDataSet(Ds);
        return Ds;
    }
};

// ---- switching the model --------------------------------------------------------------------

TEST_F(FBDataSetWindowTest, SwitchingNeedsTheConditionsOfTheWindow) {
    struct Case {
        const char* What;
        std::function<void(TpFBDataSet*)> Set;
        bool Allowed;
    };
    const Case Cases[] = {
        {"ordered select", [](TpFBDataSet*) {}, true},
        {"no ORDER BY", [](TpFBDataSet* D) { D->SelectSQL()->SetText("select * from W"); }, false},
        {"cached updates", [](TpFBDataSet* D) { D->SetCachedUpdates(true); }, false},
        {"NEW_ parameter",
         [](TpFBDataSet* D) { D->SelectSQL()->SetText("select * from W where ID > ?NEW_ID order by ID"); }, false},
        {"own update transaction",
         [this](TpFBDataSet* D) {
             D->SetUpdateTransaction(new TFBTransaction(Owner.get()));
             D->SetAutoCommit(false);
         },
         false},
        {"own update transaction, auto-commit",
         [this](TpFBDataSet* D) {
             D->SetUpdateTransaction(new TFBTransaction(Owner.get()));
             D->SetAutoCommit(true);
         },
         true},
    };
    for (const Case& C : Cases) {
        TpFBDataSet* Ds = NewDataSet("select * from W order by ID", false);
        C.Set(Ds);
        const Integer Code = ErrorCode([&] { Ds->CacheModelOptions()->SetCacheModelKind(cmkLimitedBufferSize); });
        EXPECT_EQ(Code, C.Allowed ? 0 : 75) << C.What;
        EXPECT_EQ(Ds->CacheModelOptions()->CacheModelKind(), C.Allowed ? cmkLimitedBufferSize : cmkStandard) << C.What;
        delete Ds;
    }
}

TEST_F(FBDataSetWindowTest, TheWindowHoldsAtLeastAHundredRecords) {
    TpFBDataSet* Ds = NewDataSet("select * from W order by ID", false);
    Ds->CacheModelOptions()->SetBufferChunks(32);
    Ds->CacheModelOptions()->SetCacheModelKind(cmkLimitedBufferSize);
    EXPECT_EQ(BufferChunks(Ds), 100);
    Ds->CacheModelOptions()->SetCacheModelKind(cmkStandard);
    EXPECT_EQ(BufferChunks(Ds), 100);
    Ds->CacheModelOptions()->SetBufferChunks(250);
    Ds->CacheModelOptions()->SetCacheModelKind(cmkLimitedBufferSize);
    EXPECT_EQ(BufferChunks(Ds), 250);
    // Cached updates stay refused while the window model is chosen.
    EXPECT_EQ(ErrorCode([&] { Ds->SetCachedUpdates(true); }), 75);
}

TEST_F(FBDataSetWindowTest, AnOrderItemThatIsNoFieldKeepsTheDataSetClosed) {
    TpFBDataSet* Ds = NewDataSet("select ID, NAME from W order by GRP, ID");
    EXPECT_THAT(MessageOf([&] { Ds->Open(); }), testing::HasSubstr("GRP"));
    EXPECT_FALSE(Ds->Active());
}

// ---- the statements -------------------------------------------------------------------------

TEST_F(FBDataSetWindowTest, PartStatementsFollowTheOrderAndKeepTheWhereClause) {
    TpFBDataSet* Ds = NewDataSet("select * from W where ID > 10 order by GRP desc, ID");
    Ds->Open();
    const AnsiString Part = Ds->SelectPartQuery()->SQLText();
    EXPECT_NE(Part.find("ID > 10 ) and ("), AnsiString::npos) << Part;
    // GRP may be Null, which a descending order puts last: those rows follow every value.
    EXPECT_NE(Part.find("(((W.ID>?NEW_ID) and (W.GRP=?NEW_GRP)) or ((W.GRP<?NEW_GRP) or (W.GRP is null)))"),
              AnsiString::npos)
        << Part;
    const AnsiString Back = Ds->SelectPartDescQuery()->SQLText();
    EXPECT_NE(Back.find("(((W.ID<?NEW_ID) and (W.GRP=?NEW_GRP)) or (W.GRP>?NEW_GRP))"), AnsiString::npos) << Back;
    EXPECT_NE(Back.find("GRP asc nulls first, ID desc"), AnsiString::npos) << Back;
    EXPECT_NE(Ds->SelectLocate()->SQLText().find("(W.GRP=?LOCATE_GRP) and (W.ID=?LOCATE_ID)"), AnsiString::npos);
    // A table named through an alias is reached through it.
    Ds->Close();
    Ds->SelectSQL()->SetText("select T.* from W T order by T.ID desc");
    Ds->Open();
    EXPECT_NE(Ds->SelectPartQuery()->SQLText().find("(T.ID<?NEW_ID)"), AnsiString::npos)
        << Ds->SelectPartQuery()->SQLText();
    Ds->Last();
    EXPECT_EQ(Id(Ds), 1);
}

// ---- walking --------------------------------------------------------------------------------

TEST_F(FBDataSetWindowTest, WalkingForwardAndBackThroughEveryRow) {
    TpFBDataSet* Ds = NewDataSet("select * from W order by ID");
    Ds->Open();
    Integer Expected = 1, Biggest = 0;
    for (; !Ds->Eof(); Ds->Next(), ++Expected) {
        ASSERT_EQ(Id(Ds), Expected);
        Biggest = std::max(Biggest, Ds->RecordCount());
    }
    EXPECT_EQ(Expected, Rows + 1);
    EXPECT_EQ(Biggest, BufferChunks(Ds)) << "never more than the window";
    EXPECT_TRUE(Ds->WindowAtEof());
    for (Ds->Last(), Expected = Rows; !Ds->Bof(); Ds->Prior(), --Expected) ASSERT_EQ(Id(Ds), Expected);
    EXPECT_EQ(Expected, 0);
    EXPECT_TRUE(Ds->WindowAtBof());
    EXPECT_FALSE(Ds->WindowAtEof());
}

TEST_F(FBDataSetWindowTest, LastFirstAndMovingAcrossTheWindowEdges) {
    TpFBDataSet* Ds = NewDataSet("select * from W order by GRP desc, ID");
    Ds->Open();
    EXPECT_EQ(Id(Ds), 6);   // GRP 6 first
    Ds->Last();
    EXPECT_EQ(Id(Ds), 2996);   // GRP 0, the highest ID
    EXPECT_EQ(Ds->RecordCount(), BufferChunks(Ds));
    Ds->MoveBy(-250);
    EXPECT_EQ(Id(Ds), 2996 - 250 * 7);
    Ds->MoveBy(240);
    EXPECT_EQ(Id(Ds), 2996 - 10 * 7);
    Ds->First();
    EXPECT_EQ(Id(Ds), 6);
    Ds->Prior();
    EXPECT_TRUE(Ds->Bof());
    EXPECT_EQ(Id(Ds), 6);
    // Across the border between two groups.
    Ds->MoveBy(427);
    EXPECT_EQ(Id(Ds), 2995);
    EXPECT_EQ(Ds->FieldByName("GRP")->AsInteger(), 6);
    Ds->Next();
    EXPECT_EQ(Id(Ds), 5);
    EXPECT_EQ(Ds->FieldByName("GRP")->AsInteger(), 5);
}

TEST_F(FBDataSetWindowTest, RecordsOfTheWindowAreNotMovedAbout) {
    TpFBDataSet* Ds = NewDataSet("select * from W order by ID");
    Ds->Open();
    Ds->MoveBy(10);
    EXPECT_THROW(Ds->MoveRecord(11, 2), EFBError);
    EXPECT_EQ(Id(Ds), 11);
    Ds->First();
    for (Integer I = 1; I <= 120; ++I, Ds->Next()) ASSERT_EQ(Id(Ds), I);
}

// ---- a local sort of the window -------------------------------------------------------------

TEST_F(FBDataSetWindowTest, ASortOrdersEveryRowThroughTheServerAndKeepsTheCurrentRecord) {
    TpFBDataSet* Ds = NewDataSet("select * from W order by ID");
    Ds->Open();
    Ds->MoveBy(10);
    Ds->DoSort({TVarRec("NAME")}, {false});
    EXPECT_EQ(Id(Ds), 11);
    EXPECT_EQ(Ds->SortFieldsText(), "NAME");
    // Names sort as texts: "Satır 999" first, then "Satır 998", ..., "Satır 11", "Satır 1099".
    Ds->Prior();
    EXPECT_EQ(Id(Ds), 110);
    Ds->First();
    EXPECT_EQ(Id(Ds), 999);
    std::vector<AnsiString> Names;
    for (; !Ds->Eof(); Ds->Next()) Names.push_back(Ds->FieldByName("NAME")->AsString());
    ASSERT_EQ(Names.size(), static_cast<size_t>(Rows));
    EXPECT_TRUE(std::is_sorted(Names.rbegin(), Names.rend()));
    EXPECT_LE(Ds->RecordCount(), BufferChunks(Ds));
    std::vector<AnsiString> Back;
    for (Ds->Last(); !Ds->Bof(); Ds->Prior()) Back.push_back(Ds->FieldByName("NAME")->AsString());
    std::reverse(Back.begin(), Back.end());
    EXPECT_EQ(Back, Names);
    // Found through the server in the sorted order too.
    ASSERT_TRUE(Ds->Locate("ID", Variant(1500), {}));
    Ds->Next();
    EXPECT_EQ(Id(Ds), 150);
    const TBookmark Sorted = Ds->GetBookmark();
    EXPECT_TRUE(Ds->BookmarkValid(Sorted));
    // No fields: the select's own order again.
    Ds->DoSort({}, {});
    EXPECT_EQ(Id(Ds), 150);
    EXPECT_FALSE(Ds->BookmarkValid(Sorted)) << "a bookmark of the sorted order";
    Ds->Next();
    EXPECT_EQ(Id(Ds), 151);
    EXPECT_FALSE(Ds->Sorted() && Ds->SortFieldsText() == "NAME");
}

TEST_F(FBDataSetWindowTest, ASortOnSeveralFieldsWithNullsAndTies) {
    DB3().Execute("UPDATE W SET GRP = NULL WHERE MOD(ID, 5) = 0");
    TpFBDataSet* Ds = NewDataSet("select * from W order by ID");
    TpFBDataSet* Std = NewDataSet("select * from W order by GRP desc, ID", false, "std");
    Ds->Open();
    Std->Open();
    Ds->DoSort({TVarRec("GRP"), TVarRec("ID")}, {false, true});
    Ds->First();
    // Null last when descending, as the standard model sorts it.
    for (; !Std->Eof(); Std->Next(), Ds->Next()) ASSERT_EQ(Id(Ds), Id(Std));
    EXPECT_TRUE(Ds->Eof());
    for (Std->Last(), Ds->Last(); !Std->Bof(); Std->Prior(), Ds->Prior()) ASSERT_EQ(Id(Ds), Id(Std));
}

TEST_F(FBDataSetWindowTest, AChangedOrderValueIsToldWithoutKeepSorting) {
    TpFBDataSet* Ds = NewDataSet("select * from W order by GRP, ID");
    Ds->Open();
    ASSERT_TRUE(Ds->Locate("ID", Variant(2000), {}));
    EXPECT_FALSE(Ds->SortFieldChanged());
    Ds->Edit();
    Ds->FieldByName("NAME")->SetAsString("başka");
    EXPECT_FALSE(Ds->SortFieldChanged());
    Ds->FieldByName("GRP")->SetAsInteger(6);
    EXPECT_TRUE(Ds->SortFieldChanged());
    Ds->FieldByName("GRP")->Clear();
    EXPECT_TRUE(Ds->SortFieldChanged());
    Ds->Cancel();
    EXPECT_FALSE(Ds->SortFieldChanged());
}

TEST_F(FBDataSetWindowTest, ASortThatCannotBeMadeLeavesTheOrderAsItWas) {
    TpFBDataSet* Ds = WithCalculatedField();
    Ds->Open();
    Ds->MoveBy(3);
    EXPECT_THROW(Ds->DoSort({TVarRec("GRP"), TVarRec("TWICE")}, {true, true}), Exception);
    EXPECT_THROW(Ds->DoSort({TVarRec("NONE")}, {true}), Exception);
    EXPECT_EQ(Id(Ds), 4);
    Ds->Next();
    EXPECT_EQ(Id(Ds), 5);
    Ds->Close();
    EXPECT_EQ(ErrorCode([&] { Ds->DoSort({TVarRec("GRP")}, {true}); }), 29) << "closed";
}

TEST_F(FBDataSetWindowTest, ASortOutlivesReopeningOnlyWithPersistentSorting) {
    for (const bool Persistent : {false, true}) {
        TpFBDataSet* Ds = NewDataSet("select * from W order by ID");
        if (Persistent) Ds->SetOptions(Ds->Options().Include(poPersistentSorting));
        Ds->Open();
        Ds->DoSort({TVarRec("GRP"), TVarRec("ID")}, {true, false});
        Ds->Close();
        Ds->Open();
        EXPECT_EQ(Id(Ds), Persistent ? 2996 : 1) << Persistent;
        Ds->Next();
        EXPECT_EQ(Id(Ds), Persistent ? 2989 : 2) << Persistent;
        delete Ds;
    }
}

TEST_F(FBDataSetWindowTest, SmallAndEmptyResults) {
    TpFBDataSet* Ds = NewDataSet("select * from W where ID <= ?TOP order by ID");
    Ds->SelectQuery()->ParamByName("TOP")->SetAsInteger(0);
    Ds->Open();
    EXPECT_TRUE(Ds->Eof());
    EXPECT_TRUE(Ds->Bof());
    EXPECT_EQ(Ds->RecordCount(), 0);
    Ds->Last();
    EXPECT_TRUE(Ds->Eof());
    Ds->First();
    EXPECT_TRUE(Ds->IsEmpty());
    EXPECT_FALSE(Ds->Locate("ID", Variant(1), {}));
    Ds->Close();
    Ds->SelectQuery()->ParamByName("TOP")->SetAsInteger(10);
    Ds->Open();
    Ds->Last();
    EXPECT_EQ(Id(Ds), 10);
    EXPECT_EQ(Ds->RecordCount(), 10);
    Integer Seen = 0;
    for (; !Ds->Bof(); Ds->Prior()) ++Seen;
    EXPECT_EQ(Seen, 10);
    Ds->Next();
    EXPECT_EQ(Id(Ds), 2) << "Prior at the first record stays on it; Next moves on";
}

// ---- Null keys ------------------------------------------------------------------------------

// Table WN: GRP is Null in every fifth row and takes seven values with many ties otherwise.
class FBDataSetWindowNullTest : public FBDataSetWindowTest {
protected:
    void SetUp() override {
        FBDataSetWindowTest::SetUp();
        DB3().Execute(
            "RECREATE TABLE WN (ID INTEGER NOT NULL PRIMARY KEY, GRP INTEGER, NAME VARCHAR(40))");
        DB3().Execute(
            "INSERT INTO WN (ID, GRP, NAME) SELECT N, CASE WHEN MOD(N, 5) = 0 THEN NULL ELSE MOD(N, 7) END, "
            "'Satır ' || N FROM (SELECT A.D * 1000 + B.D * 100 + C.D * 10 + E.D + 1 AS N "
            "FROM DIGITS A, DIGITS B, DIGITS C, DIGITS E) WHERE N <= " + IntToStr(Rows));
    }
    // The IDs in the server's own order (the standard model fetches them all).
    std::vector<Integer> ServerOrder(const AnsiString& Sql) {
        TpFBDataSet* Std = NewDataSet(Sql, false, "std");
        Std->Open();
        const std::vector<Integer> R = Forward(Std);
        delete Std;
        return R;
    }
};

TEST_F(FBDataSetWindowNullTest, EveryRowIsVisitedOnceBothWaysWhateverWhereNullsSort) {
    for (const char* Order : {"GRP, ID", "GRP desc, ID", "GRP nulls last, ID desc", "GRP desc nulls first, ID",
                              "GRP asc nulls first, ID"}) {
        const AnsiString Sql = AnsiString("select * from WN order by ") + Order;
        const std::vector<Integer> Expected = ServerOrder(Sql);
        ASSERT_EQ(Expected.size(), static_cast<size_t>(Rows)) << Order;
        TpFBDataSet* Ds = NewDataSet(Sql);
        Ds->Open();
        EXPECT_EQ(Forward(Ds), Expected) << Order;
        EXPECT_EQ(Backward(Ds), Expected) << Order;
        delete Ds;
    }
}

TEST_F(FBDataSetWindowNullTest, RowsEqualInTheOrderAreAllVisitedThroughTheTablesKey) {
    for (const char* Order : {"GRP", "GRP desc"}) {
        TpFBDataSet* Ds = NewDataSet(AnsiString("select * from WN order by ") + Order);
        Ds->Open();
        const std::vector<Integer> Ahead = Forward(Ds);
        EXPECT_EQ(Backward(Ds), Ahead) << Order;
        // Equal groups run by ID: that is the server's order with the key behind it.
        EXPECT_EQ(Ahead, ServerOrder(AnsiString("select * from WN order by ") + Order + ", ID")) << Order;
        EXPECT_EQ(Ds->SortFieldsText(), "GRP") << "the key is the window's own";
        delete Ds;
    }
}

TEST_F(FBDataSetWindowNullTest, NullKeysAreFoundByLocateAndBookmarks) {
    TpFBDataSet* Ds = NewDataSet("select * from WN order by GRP desc, ID");
    Ds->Open();
    // Null sorts last here: the first of them is far outside the first window.
    ASSERT_TRUE(Ds->Locate("GRP;ID", VarArrayOf({Null(), Variant(1500)}), {}));
    EXPECT_EQ(Id(Ds), 1500);
    EXPECT_TRUE(Ds->FieldByName("GRP")->IsNull());
    const TBookmark B = Ds->GetBookmark();
    Ds->Prior();
    EXPECT_EQ(Id(Ds), 1495) << "the Null group runs by ID";
    Ds->MoveBy(2);
    EXPECT_EQ(Id(Ds), 1505);
    ASSERT_TRUE(Ds->Locate("GRP", Null(), {}));
    EXPECT_TRUE(Ds->FieldByName("GRP")->IsNull());
    ASSERT_TRUE(Ds->Locate("ID", Variant(5), {}));
    Ds->First();
    Ds->GotoBookmark(B);
    EXPECT_EQ(Id(Ds), 1500);
    // From the last non-Null row into the Null ones and back.
    ASSERT_TRUE(Ds->Locate("ID", Variant(2996), {}));   // GRP 0, the highest ID of the last group
    Ds->Next();
    EXPECT_EQ(Id(Ds), 5);
    Ds->Prior();
    EXPECT_EQ(Id(Ds), 2996);
    EXPECT_FALSE(Ds->Locate("GRP;ID", VarArrayOf({Null(), Variant(1501)}), {}));
    EXPECT_EQ(Id(Ds), 2996);
}

TEST_F(FBDataSetWindowNullTest, ARecordPostedWithANullKeyTakesItsPlace) {
    TpFBDataSet* Ds = NewDataSet("select * from WN order by GRP, ID");
    Ds->InsertSQL()->SetText("insert into WN (ID, GRP, NAME) values (?ID, ?GRP, ?NAME)");
    Ds->UpdateSQL()->SetText("update WN set GRP = ?GRP, NAME = ?NAME where ID = ?OLD_ID");
    Ds->RefreshSQL()->SetText("select * from WN where ID = ?ID");
    Ds->Open();
    ASSERT_TRUE(Ds->Locate("ID", Variant(2999), {}));
    Ds->Edit();
    Ds->FieldByName("GRP")->Clear();
    Ds->Post();
    EXPECT_EQ(Id(Ds), 2999);
    Ds->Next();
    EXPECT_EQ(Ds->FieldByName("GRP")->AsInteger(), 0) << "the Null group ends at 2999";
    Ds->Prior();
    Ds->Prior();
    EXPECT_EQ(Id(Ds), 2995);
}

TEST_F(FBDataSetWindowTest, APostStoredBeforeItsReadBackFailsStands) {
    TpFBDataSet* Ds = NewDataSet("select * from W order by ID");
    Ds->RefreshSQL()->SetText("select * from W where ID = ?ID and 1 / (ID - 1) <> 2");
    Ds->Open();
    Ds->Edit();
    Ds->FieldByName("NAME")->SetAsString("yeni");
    EXPECT_THROW(Ds->Post(), EFBError);
    EXPECT_EQ(Ds->State(), dsBrowse);
    EXPECT_EQ(Scalar("select NAME from W where ID = 1"), "yeni");
}

// ---- a local filter on the window -----------------------------------------------------------

TEST_F(FBDataSetWindowTest, AFilterHidesRecordsWhileWalkingPastTheWindowEdges) {
    struct Case {
        const char* What;
        std::function<void(TpFBDataSet*)> Set;
    };
    const Case Cases[] = {
        {"filter text", [](TpFBDataSet* D) { D->SetFilter("GRP = 3"); }},
        {"OnFilterRecord",
         [](TpFBDataSet* D) {
             D->SetOnFilterRecord([D](TDataSet*, bool& Accept) { Accept = D->FieldByName("GRP")->AsInteger() == 3; });
         }},
    };
    std::vector<Integer> Expected;
    for (Integer I = 3; I <= Rows; I += 7) Expected.push_back(I);
    for (const Case& C : Cases) {
        TpFBDataSet* Ds = NewDataSet("select * from W order by ID");
        C.Set(Ds);
        Ds->SetFiltered(true);
        Ds->Open();
        EXPECT_EQ(Forward(Ds), Expected) << C.What;
        EXPECT_EQ(Backward(Ds), Expected) << C.What;
        // Switched off, every row is there again.
        Ds->SetFiltered(false);
        Ds->First();
        Ds->MoveBy(9);
        EXPECT_EQ(Id(Ds), 10) << C.What;
        delete Ds;
    }
}

TEST_F(FBDataSetWindowTest, AFilterThatHidesEverythingLeavesAnEmptyDataSet) {
    TpFBDataSet* Ds = NewDataSet("select * from W order by ID");
    Ds->SetFilter("GRP > 6");
    Ds->SetFiltered(true);
    Ds->Open();
    EXPECT_TRUE(Ds->IsEmpty());
    Ds->Last();
    EXPECT_TRUE(Ds->Eof());
    EXPECT_TRUE(Ds->Bof());
    EXPECT_FALSE(Ds->Locate("ID", Variant(5), {}));
}

TEST_F(FBDataSetWindowTest, LocateAndLookupSkipWhatTheFilterHides) {
    TpFBDataSet* Ds = NewDataSet("select * from W order by ID");
    Ds->SetFilter("GRP = 3");
    Ds->SetFiltered(true);
    Ds->Open();
    ASSERT_TRUE(Ds->Locate("ID", Variant(2803), {}));   // far outside the first window
    EXPECT_EQ(Id(Ds), 2803);
    Ds->Prior();
    EXPECT_EQ(Id(Ds), 2796);
    // Hidden, inside the window and outside it: not found, nothing moves.
    EXPECT_FALSE(Ds->Locate("ID", Variant(2800), {}));
    EXPECT_FALSE(Ds->Locate("ID", Variant(40), {}));
    EXPECT_EQ(Id(Ds), 2796);
    Ds->Next();
    EXPECT_EQ(Id(Ds), 2803);
    // Of the rows the server finds (299, 2990 to 2999) one that passes is taken.
    ASSERT_TRUE(Ds->Locate("NAME", Variant("Satır 299"), {loPartialKey}));
    EXPECT_TRUE(Id(Ds) == 2992 || Id(Ds) == 2999) << Id(Ds);
    ASSERT_TRUE(Ds->Locate("ID", Variant(10), {}));
    EXPECT_TRUE(VarIsNull(Ds->Lookup("ID", Variant(2800), "NAME")));
    EXPECT_EQ(VarToStr(Ds->Lookup("ID", Variant(2901), "NAME")), "Satır 2901");
    EXPECT_EQ(Id(Ds), 10);
    Ds->Next();
    EXPECT_EQ(Id(Ds), 17);
}

TEST_F(FBDataSetWindowTest, VisibleRecordNumbersCountTheWindowsVisibleRecords) {
    TpFBDataSet* Ds = NewDataSet("select * from W order by ID");
    Ds->SetOptions(Ds->Options().Include(poVisibleRecno));
    Ds->SetFilter("GRP = 3");
    Ds->SetFiltered(true);
    Ds->Open();
    EXPECT_EQ(Ds->RecNo(), 1);
    Ds->Next();
    Ds->Next();
    EXPECT_EQ(Ds->RecNo(), 3);
    EXPECT_EQ(Id(Ds), 17);
    // The count is of the visible records the window holds so far.
    Ds->MoveBy(10);
    EXPECT_EQ(Id(Ds), 87);
    EXPECT_EQ(Ds->RecNo(), 13);
    const Integer Count = Ds->RecordCount();
    EXPECT_GE(Count, 13);
    EXPECT_LE(Count, BufferChunks(Ds) / 7 + 1);
    Ds->SetRecNo(5);
    EXPECT_EQ(Id(Ds), 31);
    EXPECT_EQ(Ds->RecNo(), 5);
    Ds->SetRecNo(Count + 1);
    EXPECT_EQ(Id(Ds), 31) << "past the window's last visible record nothing moves";
    Ds->Last();
    EXPECT_EQ(Ds->RecNo(), Ds->RecordCount());
    Ds->SetRecNo(1);
    EXPECT_EQ(Ds->RecNo(), 1);
}

TEST_F(FBDataSetWindowTest, VisibleRecordNumbersRunFromOneInAnUnfilteredWindow) {
    TpFBDataSet* Ds = NewDataSet("select * from W order by ID");
    Ds->SetOptions(Ds->Options().Include(poVisibleRecno));
    Ds->SetPrepareOptions(Ds->PrepareOptions().Include(psAskRecordCount));
    Ds->Open();
    EXPECT_FALSE(Ds->IsSequenced()) << "a server count gives no place in a window";
    Ds->Last();
    EXPECT_EQ(Ds->RecordCount(), std::max(BufferChunks(Ds), Rows)) << "the server's count";
    EXPECT_EQ(Ds->RecNo(), BufferChunks(Ds));
    Ds->SetRecNo(1);
    EXPECT_EQ(Id(Ds), Rows - BufferChunks(Ds) + 1);
    Ds->SetRecNo(5);
    EXPECT_EQ(Id(Ds), Rows - BufferChunks(Ds) + 5);
    EXPECT_EQ(Ds->RecNo(), 5);
}

// ---- finding --------------------------------------------------------------------------------

TEST_F(FBDataSetWindowTest, LocateAsksTheServerAndLoadsTheWindowAroundTheRecord) {
    TpFBDataSet* Ds = NewDataSet("select * from W order by ID");
    Ds->Open();
    ASSERT_TRUE(Ds->Locate("ID", Variant(2500), {}));
    EXPECT_EQ(Id(Ds), 2500);
    EXPECT_LE(Ds->WindowFirst(), Ds->CurrentRecordNumber());
    EXPECT_LE(Ds->RecordCount(), BufferChunks(Ds));
    Ds->MoveBy(-120);
    EXPECT_EQ(Id(Ds), 2380);
    Ds->MoveBy(200);
    EXPECT_EQ(Id(Ds), 2580);
    // Not found: nothing moves.
    EXPECT_FALSE(Ds->Locate("ID", Variant(Rows + 5), {}));
    EXPECT_EQ(Id(Ds), 2580);
    // Case-insensitive, partial: both sides upper-cased.
    ASSERT_TRUE(Ds->Locate("NAME", Variant("SATIR 299"), {loCaseInsensitive}));
    EXPECT_EQ(Ds->FieldByName("NAME")->AsString(), "Satır 299");
    ASSERT_TRUE(Ds->Locate("GRP;NAME", VarArrayOf({Variant(3), Variant("Satır 17")}), {loPartialKey}));
    EXPECT_EQ(Id(Ds), 17);
}

TEST_F(FBDataSetWindowTest, LookupReadsOutsideTheWindowWithoutMovingIt) {
    TpFBDataSet* Ds = NewDataSet("select * from W order by ID");
    Ds->Open();
    Ds->MoveBy(4);
    EXPECT_EQ(VarToStr(Ds->Lookup("ID", Variant(3), "NAME")), "Satır 3");
    EXPECT_EQ(VarToStr(Ds->Lookup("ID", Variant(2900), "NAME")), "Satır 2900");
    const Variant Two = Ds->Lookup("NAME", Variant("Satır 2901"), "ID;GRP");
    ASSERT_TRUE(VarIsArray(Two));
    EXPECT_EQ(VarArrayGet(Two, {0}).AsInteger(), 2901);
    EXPECT_EQ(VarArrayGet(Two, {1}).AsInteger(), 2901 % 7);
    EXPECT_TRUE(VarIsNull(Ds->Lookup("ID", Variant(Rows + 1), "NAME")));
    EXPECT_EQ(Id(Ds), 5);
    EXPECT_EQ(Ds->WindowFirst(), 0);
}

TEST_F(FBDataSetWindowTest, LocateByQueryRefusesBadKeysAndSearchesOnEitherSide) {
    TpFBDataSet* Ds = WithCalculatedField();
    Ds->Open();
    EXPECT_EQ(ErrorCode([&] { Ds->LocateByQuery("", Variant(1), nullptr, 0, 0); }), 76);
    EXPECT_EQ(ErrorCode([&] { Ds->Locate("TWICE", Variant(4), {}); }), 77);
    ASSERT_TRUE(Ds->Locate("ID", Variant(1000), {}));
    // The nearest record of group 3 after and before record 1000.
    ASSERT_TRUE(Ds->LocateByQuery("GRP", Variant(3), nullptr, 1, 0));
    EXPECT_EQ(Id(Ds), 1004);
    ASSERT_TRUE(Ds->LocateByQuery("GRP", Variant(3), nullptr, 2, 0));
    EXPECT_EQ(Id(Ds), 997);
    EXPECT_FALSE(Ds->LocateByQuery("ID", Variant(5), nullptr, 1, 0)) << "only the rows after the current one";
    EXPECT_EQ(Id(Ds), 997);
    // The standard model has no part statements.
    TpFBDataSet* Std = NewDataSet("select * from W order by ID", false, "std");
    Std->Open();
    EXPECT_EQ(ErrorCode([&] { Std->LocateByQuery("ID", Variant(5), nullptr, 1, 0); }), 75);
}

TEST_F(FBDataSetWindowTest, BookmarksFindTheirRecordOutsideTheWindow) {
    TpFBDataSet* Ds = NewDataSet("select * from W order by GRP, ID");
    Ds->Open();
    Ds->MoveBy(40);
    const Integer Marked = Id(Ds);
    const TBookmark B = Ds->GetBookmark();
    ASSERT_TRUE(Ds->BookmarkValid(B));
    Ds->Last();
    Ds->GotoBookmark(B);
    EXPECT_EQ(Id(Ds), Marked);
    Ds->Next();
    EXPECT_EQ(Id(Ds), Marked + 7);
    Ds->GotoBookmark(B);   // in the window this time
    EXPECT_EQ(Id(Ds), Marked);
    DB3().Execute("DELETE FROM W WHERE ID = " + IntToStr(Marked));
    Ds->Last();
    EXPECT_THROW(Ds->GotoBookmark(B), EDatabaseError);
}

// ---- changing records -----------------------------------------------------------------------

TEST_F(FBDataSetWindowTest, EditingInsideTheWindowKeepsTheRecordCurrent) {
    TpFBDataSet* Ds = NewDataSet("select * from W order by GRP, ID");
    Ds->Open();
    ASSERT_TRUE(Ds->Locate("ID", Variant(1500), {}));
    Ds->Edit();
    Ds->FieldByName("NAME")->SetAsString("Değişti");
    Ds->Post();
    EXPECT_EQ(Id(Ds), 1500);
    EXPECT_EQ(Scalar("select NAME from W where ID = 1500"), "Değişti");
    Ds->Prior();
    EXPECT_EQ(Id(Ds), 1493);
    Ds->Next();
    EXPECT_EQ(Ds->FieldByName("NAME")->AsString(), "Değişti");
    // A changed order value moves the record: the window is read again around its new place.
    Ds->Edit();
    Ds->FieldByName("GRP")->SetAsInteger(6);
    Ds->Post();
    EXPECT_EQ(Id(Ds), 1500);
    EXPECT_EQ(Ds->FieldByName("GRP")->AsInteger(), 6);
    Ds->Prior();
    EXPECT_EQ(Id(Ds), 1497);
    Ds->Next();
    Ds->Next();
    EXPECT_EQ(Id(Ds), 1504);
    // A row the refresh no longer finds keeps what was posted.
    Ds->RefreshSQL()->SetText("select * from W where ID = ?ID and GRP < 0");
    Ds->SetOptions(Ds->Options() + TpFBDsOptions{poRefreshDeletedRecord});
    Ds->Edit();
    Ds->FieldByName("NAME")->SetAsString("Yine");
    Ds->Post();
    EXPECT_EQ(Id(Ds), 1504);
    EXPECT_EQ(Ds->FieldByName("NAME")->AsString(), "Yine");
}

TEST_F(FBDataSetWindowTest, InsertAndDeleteReadTheWindowAgain) {
    TpFBDataSet* Ds = NewDataSet("select * from W order by ID");
    Ds->Open();
    ASSERT_TRUE(Ds->Locate("ID", Variant(2000), {}));
    Ds->Delete();
    EXPECT_EQ(Id(Ds), 2001) << "the record after the deleted one";
    EXPECT_EQ(Scalar("select count(*) from W where ID = 2000"), "0");
    Ds->Prior();
    EXPECT_EQ(Id(Ds), 1999);
    Ds->Insert();
    Ds->FieldByName("ID")->SetAsInteger(2000);
    Ds->FieldByName("GRP")->SetAsInteger(1);
    Ds->FieldByName("NAME")->SetAsString("Yeni");
    Ds->Post();
    EXPECT_EQ(Id(Ds), 2000);
    Ds->Next();
    EXPECT_EQ(Id(Ds), 2001);
    // The last record deleted: the one before it becomes current.
    Ds->Last();
    Ds->Delete();
    EXPECT_EQ(Id(Ds), Rows - 1);
    Ds->Next();
    EXPECT_TRUE(Ds->Eof());
    // A refused insert leaves the window as it was.
    Ds->First();
    Ds->Append();
    Ds->FieldByName("ID")->SetAsInteger(1);
    EXPECT_THROW(Ds->Post(), Exception);
    Ds->Cancel();
    Ds->First();
    for (Integer I = 1; I <= 150; ++I, Ds->Next()) ASSERT_EQ(Id(Ds), I);
}

TEST_F(FBDataSetWindowTest, RefreshAllFollowsItsFlagForARecordThatIsGone) {
    TpFBDataSet* Ds = NewDataSet("select * from W order by ID");
    Ds->Open();
    ASSERT_TRUE(Ds->Locate("ID", Variant(700), {}));
    DB3().Execute("DELETE FROM W WHERE ID = 700; UPDATE W SET NAME = 'Yeni' WHERE ID = 701");
    Tr->CommitRetaining();
    Ds->RefreshAll(false, true);
    EXPECT_EQ(Id(Ds), 700) << "without the flag the window stays";
    Ds->RefreshAll(true, true);
    EXPECT_EQ(Id(Ds), 701);
    EXPECT_EQ(Ds->FieldByName("NAME")->AsString(), "Yeni");
    Ds->Prior();
    EXPECT_EQ(Id(Ds), 699);
}

}  // namespace
