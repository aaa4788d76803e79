#include "platform/data/DB.h"

#include <gtest/gtest.h>

#include "MemDataSet.h"

namespace {

// ID integer, NAME string(10); filled with Count records "N1".."N<Count>".
std::unique_ptr<TMemDataSet> MakeSet(Integer Count) {
    auto DS = std::make_unique<TMemDataSet>();
    DS->FieldDefs()->Add("ID", ftInteger);
    DS->FieldDefs()->Add("NAME", ftString, 10);
    DS->Open();
    for (Integer I = 1; I <= Count; ++I) DS->AppendRecord({I, "N" + IntToStr(I)});
    DS->First();
    return DS;
}

std::vector<Integer> WalkForward(TDataSet* DS) {
    std::vector<Integer> Ids;
    for (DS->First(); !DS->Eof(); DS->Next()) Ids.push_back(DS->FieldByName("ID")->AsInteger());
    return Ids;
}

std::vector<Integer> WalkBackward(TDataSet* DS) {
    std::vector<Integer> Ids;
    for (DS->Last(); !DS->Bof(); DS->Prior()) Ids.push_back(DS->FieldByName("ID")->AsInteger());
    return Ids;
}

void Log(TDataSet* DS, std::vector<AnsiString>& L) {
    auto Add = [&L](const char* Name) { return [&L, Name](TDataSet*) { L.push_back(Name); }; };
    DS->BeforeOpen = Add("BeforeOpen");
    DS->AfterOpen = Add("AfterOpen");
    DS->BeforeClose = Add("BeforeClose");
    DS->AfterClose = Add("AfterClose");
    DS->BeforeInsert = Add("BeforeInsert");
    DS->AfterInsert = Add("AfterInsert");
    DS->BeforeEdit = Add("BeforeEdit");
    DS->AfterEdit = Add("AfterEdit");
    DS->BeforePost = Add("BeforePost");
    DS->AfterPost = Add("AfterPost");
    DS->BeforeCancel = Add("BeforeCancel");
    DS->AfterCancel = Add("AfterCancel");
    DS->BeforeDelete = Add("BeforeDelete");
    DS->AfterDelete = Add("AfterDelete");
    DS->BeforeScroll = Add("BeforeScroll");
    DS->AfterScroll = Add("AfterScroll");
    DS->BeforeRefresh = Add("BeforeRefresh");
    DS->AfterRefresh = Add("AfterRefresh");
    DS->OnNewRecord = Add("OnNewRecord");
}

using Events = std::vector<AnsiString>;

}  // namespace

TEST(DataSet, OpensWithDefaultFieldsAndClosesThemAgain) {
    auto DS = MakeSet(3);
    EXPECT_TRUE(DS->Active());
    EXPECT_EQ(DS->State(), dsBrowse);
    EXPECT_TRUE(DS->DefaultFields());
    ASSERT_EQ(DS->FieldCount(), 2);
    EXPECT_EQ(DS->FieldByName("name"), DS->Fields()->Fields(1));   // any case
    EXPECT_EQ(DS->FieldByName("id"), DS->Fields()->Fields(0));     // not the Turkish dotted I
    EXPECT_TRUE(SameFieldName("FATURATARİHİ", "faturatarihi"));
    EXPECT_TRUE(SameFieldName("ŞUBE", "şube"));
    EXPECT_FALSE(SameFieldName("ŞUBE", "SUBE"));
    EXPECT_EQ(DS->FindField("missing"), nullptr);
    try {
        DS->FieldByName("MISSING");
        FAIL();
    } catch (EDatabaseError& E) {
        EXPECT_STREQ(E.what(), "Field 'MISSING' not found");
    }
    DS->SetName("Subscribers");
    EXPECT_THROW(
        {
            try {
                DS->FieldByName("X");
            } catch (EDatabaseError& E) {
                EXPECT_STREQ(E.what(), "Subscribers: Field 'X' not found");
                throw;
            }
        },
        EDatabaseError);
    DS->Close();
    EXPECT_EQ(DS->State(), dsInactive);
    EXPECT_EQ(DS->FieldCount(), 0);
    EXPECT_TRUE(DS->IsEmpty());
}

TEST(DataSet, OpenAndCloseEventsComeInOrder) {
    auto DS = std::make_unique<TMemDataSet>();
    DS->FieldDefs()->Add("ID", ftInteger);
    Events L;
    Log(DS.get(), L);
    DS->Open();
    EXPECT_EQ(L, (Events{"BeforeOpen", "AfterOpen"}));   // empty: no scroll
    DS->AppendRecord({1});
    L.clear();
    DS->Close();
    DS->Open();
    EXPECT_EQ(L, (Events{"BeforeClose", "AfterClose", "BeforeOpen", "AfterOpen", "AfterScroll"}));
}

TEST(DataSet, WalksBothWaysAcrossTheBufferWindow) {
    for (Integer Window : {1, 3, 20}) {
        auto DS = MakeSet(10);
        TDataSource Src(nullptr);
        TRecordingLink Link;
        Src.SetDataSet(DS.get());
        Link.SetDataSource(&Src);
        Link.SetBufferCount(Window);
        EXPECT_EQ(WalkForward(DS.get()), (std::vector<Integer>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10})) << Window;
        EXPECT_TRUE(DS->Eof());
        EXPECT_EQ(WalkBackward(DS.get()), (std::vector<Integer>{10, 9, 8, 7, 6, 5, 4, 3, 2, 1})) << Window;
        EXPECT_TRUE(DS->Bof());
        EXPECT_EQ(DS->FieldByName("ID")->AsInteger(), 1);
        EXPECT_LT(Link.ActiveRecord(), std::max(Window, 1));
        EXPECT_EQ(Link.RecordCount(), std::min(Window, 10));
        Link.SetDataSource(nullptr);
    }
}

TEST(DataSet, MoveByStopsAtTheEndsAndReportsTheDistance) {
    auto DS = MakeSet(5);
    EXPECT_EQ(DS->MoveBy(3), 3);
    EXPECT_EQ(DS->RecNo(), 4);
    EXPECT_EQ(DS->MoveBy(10), 1);
    EXPECT_TRUE(DS->Eof());
    EXPECT_EQ(DS->FieldByName("ID")->AsInteger(), 5);
    EXPECT_EQ(DS->MoveBy(-10), -4);
    EXPECT_TRUE(DS->Bof());
    EXPECT_EQ(DS->RecordCount(), 5);
    DS->SetRecNo(3);
    EXPECT_EQ(DS->FieldByName("NAME")->AsString(), "N3");
}

TEST(DataSet, GridLinkFollowsTheWindowWhenScrolling) {
    auto DS = MakeSet(10);
    TDataSource Src(nullptr);
    TRecordingLink Link;
    Src.SetDataSet(DS.get());
    Link.SetDataSource(&Src);
    Link.SetBufferCount(3);
    DS->First();
    Link.Scrolls.clear();
    DS->Next();
    DS->Next();   // last visible row
    DS->Next();   // window moves one record on
    EXPECT_EQ(Link.Scrolls, (std::vector<Integer>{0, 0, 1}));
    EXPECT_EQ(Link.ActiveRecord(), 2);
    DS->Prior();
    DS->Prior();
    DS->Prior();   // window moves back
    EXPECT_EQ(Link.Scrolls.back(), -1);
    EXPECT_EQ(Link.ActiveRecord(), 0);
    EXPECT_EQ(DS->FieldByName("ID")->AsInteger(), 1);
}

TEST(DataSet, EditPostAndCancel) {
    auto DS = MakeSet(3);
    DS->Next();
    Events L;
    Log(DS.get(), L);
    DS->Edit();
    EXPECT_EQ(DS->State(), dsEdit);
    DS->FieldByName("NAME")->SetAsString("Changed");
    EXPECT_TRUE(DS->Modified());
    EXPECT_EQ(DS->FieldByName("NAME")->OldValue().AsString(), "N2");
    DS->Post();
    EXPECT_EQ(L, (Events{"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost"}));
    EXPECT_EQ(DS->FieldByName("NAME")->AsString(), "Changed");
    EXPECT_EQ(DS->RecNo(), 2);

    L.clear();
    DS->Edit();
    DS->FieldByName("NAME")->SetAsString("Dropped");
    DS->Cancel();
    EXPECT_EQ(L, (Events{"BeforeEdit", "AfterEdit", "BeforeCancel", "AfterCancel"}));
    EXPECT_EQ(DS->FieldByName("NAME")->AsString(), "Changed");
    EXPECT_THROW(DS->Post(), EDatabaseError);   // not editing
    EXPECT_THROW(DS->FieldByName("NAME")->SetAsString("x"), EDatabaseError);
}

TEST(DataSet, InsertGoesBeforeTheCurrentRecordAndAppendToTheEnd) {
    auto DS = MakeSet(3);
    DS->Next();
    DS->Next();   // on N3
    Events L;
    Log(DS.get(), L);
    DS->Insert();
    EXPECT_EQ(DS->State(), dsInsert);
    EXPECT_TRUE(DS->FieldByName("ID")->IsNull());
    EXPECT_TRUE(DS->FieldByName("ID")->OldValue().IsNull());
    DS->FieldByName("ID")->SetAsInteger(99);
    DS->Post();
    EXPECT_EQ(L, (Events{"BeforeInsert", "OnNewRecord", "AfterInsert", "BeforePost", "AfterPost"}));
    EXPECT_EQ(DS->FieldByName("ID")->AsInteger(), 99);
    EXPECT_EQ(WalkForward(DS.get()), (std::vector<Integer>{1, 2, 99, 3}));

    DS->First();
    DS->Append();
    DS->FieldByName("ID")->SetAsInteger(100);
    DS->Post();
    EXPECT_EQ(WalkForward(DS.get()), (std::vector<Integer>{1, 2, 99, 3, 100}));

    // Cancelling an insert leaves the record that was current.
    DS->First();
    DS->Next();
    DS->Insert();
    DS->Cancel();
    EXPECT_EQ(DS->FieldByName("ID")->AsInteger(), 2);
    EXPECT_EQ(DS->RecordCount(), 5);
}

TEST(DataSet, InsertAndAppendOnAnEmptySet) {
    auto DS = MakeSet(0);
    EXPECT_TRUE(DS->IsEmpty());
    EXPECT_TRUE(DS->Eof() && DS->Bof());
    EXPECT_EQ(DS->FieldByName("NAME")->AsString(), "");   // empty set reads as empty text
    DS->Edit();                                            // edit of nothing inserts
    EXPECT_EQ(DS->State(), dsInsert);
    DS->FieldByName("ID")->SetAsInteger(7);
    DS->Post();
    EXPECT_FALSE(DS->IsEmpty());
    EXPECT_EQ(WalkForward(DS.get()), (std::vector<Integer>{7}));
}

TEST(DataSet, DeleteMovesToTheNextOrThePreviousRecord) {
    auto DS = MakeSet(3);
    Events L;
    Log(DS.get(), L);
    DS->Next();
    L.clear();
    DS->Delete();
    EXPECT_EQ(L, (Events{"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}));
    EXPECT_EQ(DS->FieldByName("ID")->AsInteger(), 3);
    DS->Delete();   // the last one: back to the previous
    EXPECT_EQ(DS->FieldByName("ID")->AsInteger(), 1);
    DS->Delete();
    EXPECT_TRUE(DS->IsEmpty());
    try {
        DS->Delete();
        FAIL();
    } catch (EDatabaseError& E) {
        EXPECT_STREQ(E.what(), SDataSetEmpty);
    }
}

TEST(DataSet, PostErrorEventDecidesBetweenFailAbortAndRetry) {
    auto DS = MakeSet(1);
    DS->FieldByName("NAME")->SetRequired(true);
    Integer Calls = 0;
    DS->Edit();
    DS->FieldByName("NAME")->Clear();
    DS->OnPostError = [&](TDataSet*, EDatabaseError& E, TDataAction& Action) {
        ++Calls;
        EXPECT_STREQ(E.what(), "Field 'NAME' must have a value");
        if (Calls == 1) {
            DS->FieldByName("NAME")->SetAsString("fixed");
            Action = daRetry;
        }
    };
    DS->Post();
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(DS->FieldByName("NAME")->AsString(), "fixed");

    DS->Edit();
    DS->FieldByName("NAME")->Clear();
    DS->OnPostError = [](TDataSet*, EDatabaseError&, TDataAction& Action) { Action = daAbort; };
    EXPECT_THROW(DS->Post(), EAbort);
    EXPECT_EQ(DS->State(), dsEdit);   // the record stays in edit state
    DS->OnPostError = nullptr;
    EXPECT_THROW(DS->Post(), EDatabaseError);
    DS->Cancel();
    EXPECT_EQ(DS->FieldByName("NAME")->AsString(), "fixed");
}

TEST(DataSet, ReadOnlySetRefusesChanges) {
    auto DS = MakeSet(1);
    DS->ReadOnly = true;
    EXPECT_THROW(DS->Edit(), EDatabaseError);
    EXPECT_THROW(DS->Insert(), EDatabaseError);
    EXPECT_EQ(DS->State(), dsBrowse);
    DS->ReadOnly = false;
    DS->FieldByName("ID")->SetReadOnly(true);
    DS->Edit();
    try {
        DS->FieldByName("ID")->SetAsInteger(5);
        FAIL();
    } catch (EDatabaseError& E) {
        EXPECT_STREQ(E.what(), "Field 'ID' cannot be modified");
    }
}

TEST(DataSet, CheckBrowseModePostsModifiedAndCancelsUnmodifiedRecords) {
    auto DS = MakeSet(2);
    DS->Edit();
    DS->Next();   // unmodified: cancelled, then moves
    EXPECT_EQ(DS->State(), dsBrowse);
    DS->Edit();
    DS->FieldByName("NAME")->SetAsString("kept");
    DS->First();  // modified: posted
    EXPECT_EQ(WalkForward(DS.get()), (std::vector<Integer>{1, 2}));
    DS->Last();
    EXPECT_EQ(DS->FieldByName("NAME")->AsString(), "kept");
}

TEST(DataSet, BookmarksFindTheirRecordsAgainCentredInTheWindow) {
    auto DS = MakeSet(20);
    TDataSource Src(nullptr);
    TRecordingLink Link;
    Src.SetDataSet(DS.get());
    Link.SetDataSource(&Src);
    Link.SetBufferCount(5);
    DS->MoveBy(9);
    TBookmark B = DS->GetBookmark();
    ASSERT_FALSE(B.empty());
    TBookmark First;
    DS->First();
    First = DS->GetBookmark();
    EXPECT_TRUE(DS->BookmarkValid(B));
    EXPECT_EQ(DS->CompareBookmarks(First, B), -1);
    EXPECT_EQ(DS->CompareBookmarks(B, First), 1);
    EXPECT_EQ(DS->CompareBookmarks(B, B), 0);
    EXPECT_EQ(DS->CompareBookmarks(TBookmark(), B), 1);
    EXPECT_EQ(DS->CompareBookmarks(TBookmark(), TBookmark()), 0);
    DS->GotoBookmark(B);
    EXPECT_EQ(DS->FieldByName("ID")->AsInteger(), 10);
    EXPECT_EQ(Link.ActiveRecord(), 2);   // centred in five rows
    TBookmarkStr S = DS->Bookmark();
    DS->Last();
    DS->SetBookmark(S);
    EXPECT_EQ(DS->FieldByName("ID")->AsInteger(), 10);
    DS->Delete();
    EXPECT_FALSE(DS->BookmarkValid(B));
    EXPECT_THROW(DS->GotoBookmark(B), EDatabaseError);
}

TEST(DataSet, FilterRecordHidesRecordsInBothDirections) {
    auto DS = MakeSet(10);
    DS->SetOnFilterRecord([](TDataSet* D, bool& Accept) { Accept = D->FieldByName("ID")->AsInteger() % 3 == 0; });
    DS->SetFiltered(true);
    EXPECT_EQ(DS->State(), dsBrowse);
    EXPECT_EQ(DS->FieldByName("ID")->AsInteger(), 3);
    EXPECT_EQ(WalkForward(DS.get()), (std::vector<Integer>{3, 6, 9}));
    EXPECT_EQ(WalkBackward(DS.get()), (std::vector<Integer>{9, 6, 3}));
    EXPECT_EQ(DS->RecordCount(), 3);
    DS->SetFiltered(false);
    EXPECT_EQ(DS->RecordCount(), 10);
    DS->SetFilter("ID > 2");
    EXPECT_EQ(DS->Filter(), "ID > 2");
    DS->SetFilterOptions({foCaseInsensitive});
    EXPECT_TRUE(DS->FilterOptions().Contains(foCaseInsensitive));
}

TEST(DataSet, LocateAndLookup) {
    auto DS = MakeSet(5);
    DS->Edit();
    DS->FieldByName("NAME")->SetAsString("abc");
    DS->Post();
    DS->Last();
    EXPECT_TRUE(DS->Locate("NAME", "N3", {}));
    EXPECT_EQ(DS->FieldByName("ID")->AsInteger(), 3);
    EXPECT_FALSE(DS->Locate("NAME", "nothing", {}));
    EXPECT_EQ(DS->FieldByName("ID")->AsInteger(), 3);   // position kept
    EXPECT_FALSE(DS->Locate("NAME", "AB", {loPartialKey}));
    EXPECT_TRUE(DS->Locate("NAME", "AB", {loPartialKey, loCaseInsensitive}));
    EXPECT_EQ(DS->FieldByName("ID")->AsInteger(), 1);
    EXPECT_TRUE(DS->Locate("ID;NAME", VarArrayOf({4, "N4"}), {}));
    EXPECT_EQ(DS->RecNo(), 4);

    EXPECT_EQ(DS->Lookup("ID", 2, "NAME").AsString(), "N2");
    EXPECT_EQ(DS->RecNo(), 4);   // lookup does not move
    EXPECT_TRUE(DS->Lookup("ID", 42, "NAME").IsNull());
    EXPECT_TRUE(DS->Lookup("ID", 2, "  ").IsNull());
    Variant Both = DS->Lookup("ID", 5, "ID;NAME");
    EXPECT_EQ(Both[0].AsInteger(), 5);
    EXPECT_EQ(Both[1].AsString(), "N5");

    DS->Edit();
    DS->FieldByName("NAME")->Clear();
    DS->Post();
    DS->First();
    EXPECT_TRUE(DS->Locate("NAME", Null(), {}));
    EXPECT_EQ(DS->FieldByName("ID")->AsInteger(), 4);
}

TEST(DataSet, DisabledControlsHearOneChangeWhenEnabledAgain) {
    auto DS = MakeSet(5);
    TDataSource Src(nullptr);
    TRecordingLink Link;
    Src.SetDataSet(DS.get());
    Link.SetDataSource(&Src);
    Integer DataChanges = 0;
    Src.OnDataChange = [&](TObject*, TField*) { ++DataChanges; };
    Link.Log.clear();
    DS->DisableControls();
    DS->DisableControls();
    DS->Next();
    DS->Last();
    DS->EnableControls();
    EXPECT_TRUE(Link.Log.empty());
    DS->EnableControls();
    EXPECT_FALSE(DS->ControlsDisabled());
    EXPECT_EQ(Link.Log, (std::vector<AnsiString>{"changed"}));
    EXPECT_EQ(DataChanges, 1);
    DS->EnableControls();   // one too many does nothing
}

TEST(DataSet, LinksFollowStateAndFieldChanges) {
    auto DS = MakeSet(2);
    TDataSource Src(nullptr);
    TRecordingLink Link;
    Link.SetDataSource(&Src);
    Src.SetDataSet(DS.get());
    EXPECT_TRUE(Link.Active());
    DS->Edit();
    EXPECT_TRUE(Link.Editing());
    Link.Log.clear();
    DS->FieldByName("NAME")->SetAsString("x");
    DS->Post();
    EXPECT_EQ(Link.Log, (std::vector<AnsiString>{"field NAME", "update", "not editing", "changed"}));
    Src.SetEnabled(false);
    EXPECT_FALSE(Link.Active());
    Src.SetEnabled(true);
    DS->Close();
    EXPECT_FALSE(Link.Active());
    EXPECT_EQ(Src.State(), dsInactive);
}

TEST(DataSet, DestroyingASetDetachesItsSources) {
    TDataSource Src(nullptr);
    TRecordingLink Link;
    Link.SetDataSource(&Src);
    {
        auto DS = MakeSet(1);
        Src.SetDataSet(DS.get());
        EXPECT_TRUE(Link.Active());
    }
    EXPECT_EQ(Src.DataSet(), nullptr);
    EXPECT_FALSE(Link.Active());
}

namespace {
// A data set shown as a detail through its own link to a master.
class TDetailSet : public TMemDataSet {
public:
    class TLink : public TDetailDataLink {
    public:
        TDataSet* Owner = nullptr;
    protected:
        TDataSet* GetDetailDataSet() const override { return Owner; }
    };
    TDetailSet() { FLink.Owner = this; }
    TLink FLink;
protected:
    TDataSource* GetDataSource() const override { return FLink.DataSource(); }
};
}  // namespace

TEST(DataSet, CircularDataLinksAreRefused) {
    TDetailSet A, B;
    TDataSource SrcA(nullptr), SrcB(nullptr);
    SrcA.SetDataSet(&A);
    SrcB.SetDataSet(&B);
    B.FLink.SetDataSource(&SrcA);   // B is a detail of A
    EXPECT_TRUE(B.IsLinkedTo(&SrcA) == false);
    EXPECT_TRUE(A.IsLinkedTo(&SrcB));   // SrcB shows B, whose master is A
    try {
        A.FLink.SetDataSource(&SrcB);   // A a detail of B: a circle
        FAIL();
    } catch (EDatabaseError& E) {
        EXPECT_STREQ(E.what(), SCircularDataLink);
    }
    EXPECT_THROW(A.FLink.SetDataSource(&SrcA), EDatabaseError);
    TDataSource Other(nullptr);
    Other.SetDataSet(&B);
    EXPECT_EQ(B.FLink.DataSource(), &SrcA);
    // A source cannot take a data set that is linked back to it.
    TDataSource Loop(nullptr);
    TDetailSet C;
    C.FLink.SetDataSource(&Loop);
    EXPECT_THROW(Loop.SetDataSet(&C), EDatabaseError);
}

TEST(DataSet, CalculatedAndLookupFieldsAreComputedPerRecord) {
    auto Names = MakeSet(3);
    TMemDataSet DS;
    DS.FieldDefs()->Add("ID", ftInteger);
    DS.FieldDefs()->Add("REF", ftInteger);
    auto* Id = new TIntegerField(&DS);
    Id->SetFieldName("ID");
    Id->SetDataSet(&DS);
    auto* Ref = new TIntegerField(&DS);
    Ref->SetFieldName("REF");
    Ref->SetDataSet(&DS);
    auto* Twice = new TIntegerField(&DS);
    Twice->SetFieldName("TWICE");
    Twice->SetFieldKind(fkCalculated);
    Twice->SetDataSet(&DS);
    auto* RefName = new TStringField(&DS);
    RefName->SetFieldName("REFNAME");
    RefName->SetSize(10);
    RefName->SetFieldKind(fkLookup);
    RefName->SetLookupDataSet(Names.get());
    RefName->SetKeyFields("REF");
    RefName->SetLookupKeyFields("ID");
    RefName->SetLookupResultField("NAME");
    RefName->SetDataSet(&DS);
    DS.OnCalcFields = [](TDataSet* D) {
        D->FieldByName("TWICE")->SetAsInteger(D->FieldByName("ID")->AsInteger() * 2);
    };
    DS.Open();
    EXPECT_FALSE(DS.DefaultFields());
    DS.AppendRecord({5, 2});
    DS.AppendRecord({6, 9});
    DS.First();
    EXPECT_EQ(Twice->AsInteger(), 10);
    EXPECT_EQ(RefName->AsString(), "N2");
    DS.Next();
    EXPECT_EQ(Twice->AsInteger(), 12);
    EXPECT_TRUE(RefName->IsNull());
    DS.Edit();
    Id->SetAsInteger(50);   // recalculated on the field change
    EXPECT_EQ(Twice->AsInteger(), 100);
    DS.Cancel();
    DS.Close();
    EXPECT_EQ(DS.FieldCount(), 4);   // persistent fields stay
}

TEST(DataSet, FieldTypeMismatchWithItsDefinitionIsReported) {
    TMemDataSet DS;
    DS.FieldDefs()->Add("ID", ftString, 10);
    auto* F = new TIntegerField(&DS);
    F->SetFieldName("ID");
    F->SetDataSet(&DS);
    try {
        DS.Open();
        FAIL();
    } catch (EDatabaseError& E) {
        EXPECT_STREQ(E.what(), "Type mismatch for field 'ID', expecting: Integer actual: String");
    }
    EXPECT_FALSE(DS.Active());
}

TEST(DataSet, FieldDefsRefuseDuplicatesAndFindByName) {
    TMemDataSet DS;
    DS.FieldDefs()->Add("ID", ftInteger);
    EXPECT_THROW(DS.FieldDefs()->Add("id", ftInteger), EDatabaseError);
    EXPECT_EQ(DS.FieldDefs()->Count(), 1);
    EXPECT_EQ(DS.FieldDefs()->Find("Id")->FieldNo(), 1);
    EXPECT_THROW(DS.FieldDefs()->Find("NOPE"), EDatabaseError);
    EXPECT_THROW(DS.FieldDefs()->Add("", ftInteger), EDatabaseError);
}

TEST(DataSet, ChangingStructureOfAnOpenSetIsRefused) {
    auto DS = MakeSet(1);
    auto* F = new TIntegerField(DS.get());
    F->SetFieldName("EXTRA");
    EXPECT_THROW(F->SetDataSet(DS.get()), EDatabaseError);
    EXPECT_THROW(DS->FieldByName("NAME")->SetSize(5), EDatabaseError);
    delete F;
}

TEST(DataSet, RefreshKeepsTheRecordAndFiresItsEvents) {
    auto DS = MakeSet(3);
    DS->Next();
    Events L;
    Log(DS.get(), L);
    DS->Refresh();
    EXPECT_EQ(L, (Events{"BeforeRefresh", "AfterRefresh"}));
    EXPECT_EQ(DS->FieldByName("ID")->AsInteger(), 2);
}

TEST(DataSet, FieldValuesReadAndWriteSeveralFields) {
    auto DS = MakeSet(2);
    Variant V = DS->FieldValues("ID;NAME");
    EXPECT_EQ(V[0].AsInteger(), 1);
    EXPECT_EQ(V[1].AsString(), "N1");
    DS->Edit();
    DS->SetFieldValues("ID;NAME", VarArrayOf({11, "eleven"}));
    DS->Post();
    EXPECT_EQ(DS->FieldValues("NAME").AsString(), "eleven");
    DS->Edit();
    DS->ClearFields();
    EXPECT_TRUE(DS->FieldByName("ID")->IsNull());
    DS->Cancel();
}
