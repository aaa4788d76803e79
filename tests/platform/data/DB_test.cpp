#include "platform/data/DB.h"
#include "platform/Raised.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

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

// A persistent integer field of DS.
TIntegerField* AddIntegerField(TDataSet& DS, const char* Name, TFieldKind Kind = fkData) {
    auto* F = new TIntegerField(&DS);
    F->SetFieldName(Name);
    if (Kind != fkData) F->SetFieldKind(Kind);
    F->SetDataSet(&DS);
    return F;
}

// REFNAME: the NAME of the record of Names whose ID is DS's REF.
TStringField* AddRefNameLookup(TDataSet& DS, TDataSet* Names) {
    auto* F = new TStringField(&DS);
    F->SetFieldName("REFNAME");
    F->SetSize(10);
    F->SetFieldKind(fkLookup);
    F->SetLookupDataSet(Names);
    F->SetKeyFields("REF");
    F->SetLookupKeyFields("ID");
    F->SetLookupResultField("NAME");
    F->SetDataSet(&DS);
    return F;
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

// The records the link's rows show, top to bottom.
std::vector<Integer> Rows(TDataSet* DS, TDataLink& Link) {
    std::vector<Integer> Ids;
    const Integer Save = Link.ActiveRecord();
    for (Integer R = 0; R < Link.RecordCount(); ++R) {
        Link.SetActiveRecord(R);
        Ids.push_back(DS->FieldByName("ID")->AsInteger());
    }
    Link.SetActiveRecord(Save);
    return Ids;
}

std::vector<Integer> Range(Integer From, Integer To) {
    std::vector<Integer> R;
    for (Integer I = From; I <= To; ++I) R.push_back(I);
    return R;
}

// A set with a grid link of the given rows.
struct TLinkedSet {
    std::unique_ptr<TMemDataSet> DS;
    TDataSource Src{nullptr};
    TRecordingLink Link;
    TLinkedSet(Integer Records, Integer Window) : DS(MakeSet(Records)) {
        Src.SetDataSet(DS.get());
        Link.SetDataSource(&Src);
        Link.SetBufferCount(Window);
    }
    ~TLinkedSet() { Link.SetDataSource(nullptr); }
    Integer Id() const { return DS->FieldByName("ID")->AsInteger(); }
    // The rows hold consecutive records, the current one among them.
    void CheckRows(Integer Current) {
        std::vector<Integer> R = Rows(DS.get(), Link);
        ASSERT_FALSE(R.empty());
        EXPECT_EQ(R, Range(R.front(), R.front() + static_cast<Integer>(R.size()) - 1));
        EXPECT_EQ(R[static_cast<size_t>(Link.ActiveRecord())], Current);
        EXPECT_EQ(static_cast<Integer>(R.size()), std::min(Link.BufferCount(), DS->RecordCount()));
    }
};

}  // namespace

// Names of one length that differ in one byte anywhere, found in any order and any case.
TEST(DataSet, FieldByNameTellsNamesOfOneLengthApart) {
    TMemDataSet DS;
    const char* Names[] = {"ID", "IE", "ABCDEFGH", "ABCDEFGX", "XBCDEFGH", "KIRABASLAMATARIHI", "KIRABASLAMATARIHJ",
                           "KIRABASLAXATARIHI"};
    for (const char* Name : Names) AddIntegerField(DS, Name);
    for (Integer I : {0, 1, 2, 3, 4, 5, 6, 7, 7, 5, 3, 1, 6, 4, 2, 0})
        EXPECT_EQ(DS.FieldByName(Names[I]), DS.Fields()->Fields(I)) << Names[I];
    EXPECT_EQ(DS.FieldByName("kirabaslamatarihj"), DS.Fields()->Fields(6));
    EXPECT_EQ(DS.FindField("ABCDEFGY"), nullptr);
}

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
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { DS->FieldByName("MISSING"); }), "Field 'MISSING' not found");
    DS->SetName("Subscribers");
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { DS->FieldByName("X"); }), "Subscribers: Field 'X' not found");
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
        TLinkedSet Set(10, Window);
        auto& [DS, Src, Link] = Set;
        EXPECT_EQ(WalkForward(DS.get()), (std::vector<Integer>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10})) << Window;
        EXPECT_TRUE(DS->Eof());
        EXPECT_EQ(WalkBackward(DS.get()), (std::vector<Integer>{10, 9, 8, 7, 6, 5, 4, 3, 2, 1})) << Window;
        EXPECT_TRUE(DS->Bof());
        EXPECT_EQ(DS->FieldByName("ID")->AsInteger(), 1);
        EXPECT_LT(Link.ActiveRecord(), std::max(Window, 1));
        EXPECT_EQ(Link.RecordCount(), std::min(Window, 10));
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
    TLinkedSet Set(10, 3);
    auto& [DS, Src, Link] = Set;
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
    EXPECT_EQ(L, (Events{"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll",
                         "BeforePost", "AfterPost"}));
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
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { DS->Delete(); }), SDataSetEmpty);
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
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { DS->FieldByName("ID")->SetAsInteger(5); }),
              "Field 'ID' cannot be modified");
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
    TLinkedSet Set(20, 5);
    auto& [DS, Src, Link] = Set;
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

TEST(DataSet, ALinkOrSourceFreedByAnotherDuringAnEventIsNotCalled) {
    struct TLink : TDataLink { std::function<void()> OnRecord; void RecordChanged(TField*) override { OnRecord(); } };
    TLink First, *Second = new TLink;
    auto DS = MakeSet(3);
    TDataSource Src(nullptr), *Other = new TDataSource(nullptr);
    Src.SetDataSet(DS.get());
    Other->SetDataSet(DS.get());
    First.SetDataSource(&Src);
    Second->SetDataSource(&Src);
    First.OnRecord = [&] { delete Second, delete Other, Second = nullptr, Other = nullptr; };
    DS->Next();   // nothing of the freed two is touched (the sanitizer build checks it)
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
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { A.FLink.SetDataSource(&SrcB); }),   // A a detail of B: a circle
              SCircularDataLink);
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
    auto* Id = AddIntegerField(DS, "ID");
    AddIntegerField(DS, "REF");
    auto* Twice = AddIntegerField(DS, "TWICE", fkCalculated);
    auto* RefName = AddRefNameLookup(DS, Names.get());
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
    AddIntegerField(DS, "ID");
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { DS.Open(); }),
              "Type mismatch for field 'ID', expecting: Integer actual: String");
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

// ---------------------------------------------------------------------------------------------
// The record window against sets smaller than, equal to and larger than it.

namespace {

struct TWindowCase { Integer Records; Integer Window; };

void PrintTo(const TWindowCase& C, std::ostream* Os) { *Os << C.Records << " records, window " << C.Window; }

class WindowEdges : public ::testing::TestWithParam<TWindowCase> {};

}  // namespace

TEST_P(WindowEdges, NavigationKeepsTheWindowConsistent) {
    const Integer N = GetParam().Records;
    TLinkedSet S(N, GetParam().Window);
    TDataSet* DS = S.DS.get();
    EXPECT_EQ(WalkForward(DS), Range(1, N));
    std::vector<Integer> Back = Range(1, N);
    std::reverse(Back.begin(), Back.end());
    EXPECT_EQ(WalkBackward(DS), Back);
    if (N == 0) {
        DS->Last();
        EXPECT_TRUE(DS->Bof() && DS->Eof() && DS->IsEmpty());
        EXPECT_EQ(DS->MoveBy(3), 0);
        EXPECT_EQ(DS->MoveBy(-3), 0);
        EXPECT_TRUE(DS->GetBookmark().empty());
        return;
    }
    DS->Last();
    EXPECT_TRUE(DS->Eof());
    EXPECT_EQ(S.Id(), N);
    S.CheckRows(N);
    DS->Prior();
    EXPECT_EQ(S.Id(), std::max(N - 1, 1));
    EXPECT_EQ(DS->Bof(), N == 1);
    S.CheckRows(S.Id());

    DS->First();
    EXPECT_EQ(DS->MoveBy(N + 5), N - 1);
    EXPECT_TRUE(DS->Eof());
    EXPECT_EQ(S.Id(), N);
    S.CheckRows(N);
    EXPECT_EQ(DS->MoveBy(-(N + 5)), -(N - 1));
    EXPECT_TRUE(DS->Bof());
    EXPECT_EQ(S.Id(), 1);
    S.CheckRows(1);

    // Zig-zag across the window edge in both directions.
    for (Integer I = 1; I <= N; ++I) {
        DS->SetRecNo(I);
        S.CheckRows(I);
        if (I < N) {
            DS->Next();
            S.CheckRows(I + 1);
            DS->Prior();
            S.CheckRows(I);
        }
    }
    // A big jump forward then back lands on the same records.
    DS->First();
    EXPECT_EQ(DS->MoveBy(N / 2), N / 2);
    EXPECT_EQ(S.Id(), N / 2 + 1);
    EXPECT_EQ(DS->MoveBy(-(N / 2)), -(N / 2));
    EXPECT_EQ(S.Id(), 1);
}

TEST_P(WindowEdges, DeletingFromEitherEndKeepsTheWindowConsistent) {
    const Integer N = GetParam().Records;
    TLinkedSet S(N, GetParam().Window);
    TDataSet* DS = S.DS.get();
    if (N == 0) {
        EXPECT_THROW(DS->Delete(), EDatabaseError);
        return;
    }
    DS->Last();
    DS->Delete();   // the last record: the one before becomes current
    if (N == 1) {
        EXPECT_TRUE(DS->IsEmpty() && DS->Eof() && DS->Bof());
        return;
    }
    EXPECT_EQ(S.Id(), N - 1);
    S.CheckRows(N - 1);
    DS->Next();
    EXPECT_TRUE(DS->Eof());
    DS->First();
    DS->Delete();   // the first record: the one after becomes current
    if (N == 2) {
        EXPECT_TRUE(DS->IsEmpty());
        return;
    }
    EXPECT_EQ(S.Id(), 2);
    S.CheckRows(2);
    EXPECT_EQ(WalkForward(DS), Range(2, N - 1));
}

TEST_P(WindowEdges, InsertingAtBothEndsAndCancellingRestoresTheWindow) {
    const Integer N = GetParam().Records;
    TLinkedSet S(N, GetParam().Window);
    TDataSet* DS = S.DS.get();
    // Insert at the first record, then cancel.
    DS->First();
    DS->Insert();
    EXPECT_EQ(S.Link.ActiveRecord(), 0);
    EXPECT_TRUE(DS->FieldByName("ID")->IsNull());
    DS->Cancel();
    if (N > 0) {
        EXPECT_EQ(S.Id(), 1);
        S.CheckRows(1);
    } else
        EXPECT_TRUE(DS->IsEmpty());
    // Insert at the first record, post.
    DS->Insert();
    DS->FieldByName("ID")->SetAsInteger(0);
    DS->Post();
    EXPECT_EQ(S.Id(), 0);
    S.CheckRows(0);
    // Append while on the first record: goes to the end and becomes current.
    DS->Append();
    DS->FieldByName("ID")->SetAsInteger(N + 1);
    DS->Post();
    EXPECT_EQ(S.Id(), N + 1);
    EXPECT_TRUE(DS->FieldByName("ID")->AsInteger() == N + 1);
    S.CheckRows(N + 1);
    EXPECT_EQ(WalkForward(DS), Range(0, N + 1));
    // Append then cancel: the former last record is current again.
    DS->Last();
    DS->Append();
    DS->Cancel();
    EXPECT_EQ(S.Id(), N + 1);
    S.CheckRows(N + 1);
}

INSTANTIATE_TEST_SUITE_P(DataSet, WindowEdges,
                         ::testing::Values(TWindowCase{0, 1}, TWindowCase{1, 1}, TWindowCase{1, 3}, TWindowCase{2, 1},
                                           TWindowCase{3, 3}, TWindowCase{4, 3}, TWindowCase{5, 2},
                                           TWindowCase{8, 3}, TWindowCase{8, 5}, TWindowCase{8, 20}));

TEST(DataSet, ResyncCentresOrKeepsTheRowOfTheRecord) {
    TLinkedSet S(20, 5);
    TDataSet* DS = S.DS.get();
    struct Case { Integer Id; Integer Row; };
    std::vector<std::pair<Integer, TBookmark>> Marks;
    for (Integer Id : {1, 2, 10, 19, 20}) {
        DS->SetRecNo(Id);
        Marks.emplace_back(Id, DS->GetBookmark());
    }
    // Going to a bookmark centres the record unless the set's ends are too near.
    const Case Expected[] = {{1, 0}, {2, 1}, {10, 2}, {19, 3}, {20, 4}};
    for (size_t I = 0; I < Marks.size(); ++I) {
        DS->First();
        DS->GotoBookmark(Marks[I].second);
        EXPECT_EQ(S.Id(), Expected[I].Id);
        EXPECT_EQ(S.Link.ActiveRecord(), Expected[I].Row) << Expected[I].Id;
        S.CheckRows(Expected[I].Id);
    }
    // Posting keeps the record on its row.
    DS->SetRecNo(10);
    DS->Next();
    const Integer Row = S.Link.ActiveRecord();
    DS->Edit();
    DS->FieldByName("NAME")->SetAsString("x");
    DS->Post();
    EXPECT_EQ(S.Link.ActiveRecord(), Row);
    S.CheckRows(11);
}

TEST(DataSet, ShrinkingAndGrowingTheWindowKeepsTheCurrentRecord) {
    TLinkedSet S(20, 10);
    TDataSet* DS = S.DS.get();
    DS->SetRecNo(9);
    S.CheckRows(9);
    S.Link.SetBufferCount(3);
    EXPECT_EQ(S.Id(), 9);
    S.CheckRows(9);
    S.Link.SetBufferCount(8);
    EXPECT_EQ(S.Id(), 9);
    S.CheckRows(9);
    DS->Last();
    S.Link.SetBufferCount(15);
    EXPECT_EQ(S.Id(), 20);
    S.CheckRows(20);
    EXPECT_EQ(S.Link.ActiveRecord(), 14);
}

TEST(DataSet, AFailedReadLeavesNoRecordSkipped) {
    for (Integer Window : {1, 3}) {
        TLinkedSet S(6, Window);
        TDataSet* DS = S.DS.get();
        Integer FailOn = 4;
        S.DS->Fault = [&](const AnsiString& Op, Integer Id) {
            if (Op == "get" && Id == FailOn) throw EDatabaseError("read failed");
        };
        DS->First();
        DS->MoveBy(2);
        EXPECT_EQ(S.Id(), 3);
        EXPECT_THROW(DS->Next(), EDatabaseError) << Window;
        FailOn = 0;
        DS->Next();
        EXPECT_EQ(S.Id(), 4) << Window;
        DS->Next();
        EXPECT_EQ(S.Id(), 5) << Window;
        // Backwards as well.
        FailOn = 2;
        DS->Last();
        EXPECT_THROW(DS->MoveBy(-5), EDatabaseError);
        FailOn = 0;
        const Integer At = S.Id();
        DS->Prior();
        EXPECT_EQ(S.Id(), At - 1) << Window;
        EXPECT_EQ(WalkForward(DS), Range(1, 6));
    }
}

TEST(DataSet, InsertAppendAndCancelFireScrollEventsInPairs) {
    auto DS = MakeSet(3);
    DS->Next();
    Events L;
    Log(DS.get(), L);
    DS->Insert();
    EXPECT_EQ(L, (Events{"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll"}));
    L.clear();
    DS->Cancel();
    EXPECT_EQ(L, (Events{"BeforeCancel", "BeforeScroll", "AfterCancel", "AfterScroll"}));
    L.clear();
    DS->Append();
    DS->FieldByName("ID")->SetAsInteger(4);
    DS->Post();
    EXPECT_EQ(L, (Events{"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll",
                         "BeforePost", "AfterPost"}));
    L.clear();
    DS->Edit();
    DS->Cancel();   // cancelling an edit does not scroll
    EXPECT_EQ(L, (Events{"BeforeEdit", "AfterEdit", "BeforeCancel", "AfterCancel"}));
    // A failing OnNewRecord leaves the set browsing on the record it was on.
    DS->First();
    DS->OnNewRecord = [](TDataSet*) { throw EDatabaseError("no default"); };
    EXPECT_THROW(DS->Insert(), EDatabaseError);
    EXPECT_EQ(DS->State(), dsBrowse);
    EXPECT_EQ(DS->FieldByName("ID")->AsInteger(), 1);
    EXPECT_EQ(DS->RecordCount(), 4);
}

TEST(DataSet, EditAndDeleteErrorEventsRetryAbortOrFail) {
    auto DS = MakeSet(3);
    Integer Failures = 1, Calls = 0;
    DS->Fault = [&](const AnsiString& Op, Integer) {
        if ((Op == "edit" || Op == "delete") && Failures > 0) {
            --Failures;
            throw EDatabaseError("locked");
        }
    };
    auto Handler = [&](TDataAction Answer) {
        return [&Calls, Answer](TDataSet*, EDatabaseError& E, TDataAction& Action) {
            ++Calls;
            EXPECT_STREQ(E.what(), "locked");
            EXPECT_EQ(Action, daFail);
            Action = Answer;
        };
    };
    // Retry: the second attempt succeeds.
    DS->OnEditError = Handler(daRetry);
    DS->Edit();
    EXPECT_EQ(DS->State(), dsEdit);
    EXPECT_EQ(Calls, 1);
    DS->Cancel();
    // Abort: a silent abort, the set stays browsing.
    Failures = 1;
    DS->OnEditError = Handler(daAbort);
    EXPECT_THROW(DS->Edit(), EAbort);
    EXPECT_EQ(DS->State(), dsBrowse);
    // Fail: the error itself.
    Failures = 1;
    DS->OnEditError = Handler(daFail);
    EXPECT_THROW(DS->Edit(), EDatabaseError);
    EXPECT_EQ(DS->State(), dsBrowse);

    Calls = 0;
    Failures = 2;
    DS->OnDeleteError = Handler(daRetry);
    DS->Delete();
    EXPECT_EQ(Calls, 2);
    EXPECT_EQ(WalkForward(DS.get()), (std::vector<Integer>{2, 3}));
    Failures = 1;
    DS->OnDeleteError = Handler(daAbort);
    EXPECT_THROW(DS->Delete(), EAbort);
    EXPECT_EQ(DS->RecordCount(), 2);
    // Errors of other kinds do not reach the handler.
    Calls = 0;
    DS->Fault = [](const AnsiString& Op, Integer) {
        if (Op == "delete") throw Exception("disk");
    };
    EXPECT_THROW(DS->Delete(), Exception);
    EXPECT_EQ(Calls, 0);
    EXPECT_EQ(DS->RecordCount(), 2);
}

TEST(DataSet, BookmarksOfDeletedRecordsAreRefusedWithoutMoving) {
    TLinkedSet S(10, 4);
    TDataSet* DS = S.DS.get();
    DS->SetRecNo(5);
    TBookmark Gone = DS->GetBookmark();
    DS->Next();
    TBookmark Kept = DS->GetBookmark();
    DS->Prior();
    DS->Delete();
    EXPECT_EQ(S.Id(), 6);
    EXPECT_FALSE(DS->BookmarkValid(Gone));
    EXPECT_TRUE(DS->BookmarkValid(Kept));
    DS->SetRecNo(8);
    EXPECT_THROW(DS->GotoBookmark(Gone), EDatabaseError);
    EXPECT_EQ(S.Id(), 9);   // record 5 gone: the ninth record is the eighth
    S.CheckRows(9);
    DS->GotoBookmark(Kept);
    EXPECT_EQ(S.Id(), 6);
    DS->GotoBookmark(TBookmark());   // nothing to go to
    EXPECT_EQ(S.Id(), 6);
    DS->Insert();
    EXPECT_TRUE(DS->GetBookmark().empty());   // a new record has none yet
    DS->Cancel();
}

// ---------------------------------------------------------------------------------------------
// Filtered navigation through the protocol.

namespace {
// Only the records whose id is a multiple of Step pass.
void FilterMultiples(TDataSet* DS, Integer Step) {
    DS->SetOnFilterRecord([Step](TDataSet* D, bool& Accept) {
        EXPECT_EQ(D->State(), dsFilter);
        Accept = D->FieldByName("ID")->AsInteger() % Step == 0;
    });
    DS->SetFiltered(true);
}
}  // namespace

TEST(DataSet, FilteredNavigationAcrossASmallWindow) {
    for (Integer Window : {1, 2, 4}) {
        TLinkedSet S(30, Window);
        TDataSet* DS = S.DS.get();
        FilterMultiples(DS, 3);
        EXPECT_EQ(DS->RecordCount(), 10);
        EXPECT_EQ(WalkForward(DS), (std::vector<Integer>{3, 6, 9, 12, 15, 18, 21, 24, 27, 30})) << Window;
        EXPECT_EQ(WalkBackward(DS), (std::vector<Integer>{30, 27, 24, 21, 18, 15, 12, 9, 6, 3})) << Window;
        DS->Last();
        DS->Prior();
        EXPECT_EQ(S.Id(), 27);
        DS->First();
        EXPECT_EQ(DS->MoveBy(4), 4);
        EXPECT_EQ(S.Id(), 15);
        EXPECT_TRUE(DS->Locate("ID", 21, {}));
        EXPECT_FALSE(DS->Locate("ID", 20, {}));   // hidden
        EXPECT_EQ(S.Id(), 21);
        EXPECT_TRUE(DS->Lookup("ID", 20, "NAME").IsNull());
        EXPECT_EQ(DS->Lookup("ID", 24, "NAME").AsString(), "N24");
        DS->SetFiltered(false);
        EXPECT_EQ(S.Id(), 1);   // back on the first record
        EXPECT_EQ(DS->RecordCount(), 30);
    }
}

TEST(DataSet, FilterThatHidesEverythingOrChangesWhileEditing) {
    TLinkedSet S(5, 3);
    TDataSet* DS = S.DS.get();
    FilterMultiples(DS, 7);
    EXPECT_TRUE(DS->IsEmpty());
    EXPECT_TRUE(DS->Bof() && DS->Eof());
    EXPECT_EQ(DS->RecordCount(), 0);
    DS->Last();
    EXPECT_TRUE(DS->IsEmpty());
    FilterMultiples(DS, 2);
    EXPECT_EQ(WalkForward(DS), (std::vector<Integer>{2, 4}));
    // Changing the filter while editing posts the change first.
    DS->First();
    DS->Edit();
    DS->FieldByName("NAME")->SetAsString("two");
    FilterMultiples(DS, 1);
    EXPECT_EQ(DS->State(), dsBrowse);
    EXPECT_EQ(DS->Lookup("ID", 2, "NAME").AsString(), "two");
    // A posted record that the filter hides gives way to the next one that passes.
    FilterMultiples(DS, 2);
    DS->First();
    DS->Edit();
    DS->FieldByName("ID")->SetAsInteger(3);
    DS->Post();
    EXPECT_EQ(S.Id(), 4);
    EXPECT_EQ(WalkForward(DS), (std::vector<Integer>{4}));
    // Deleting the only visible record leaves an empty set.
    DS->Delete();
    EXPECT_TRUE(DS->IsEmpty());
    DS->SetFiltered(false);
    EXPECT_EQ(WalkForward(DS), (std::vector<Integer>{1, 3, 3, 5}));
}

TEST(DataSet, LocateComparesTextOnlyForTextFields) {
    TFormatSettingsGuard Guard(TurkishFormatSettings());
    auto DS = MakeSet(0);
    for (auto [Id, Name] : std::vector<std::pair<Integer, const char*>>{{1, "ışık"}, {12, "İZMİR"}, {21, "abc"}, {112, "Abd"}})
        DS->AppendRecord({Id, Name});
    struct Case {
        const char* Field;
        Variant Key;
        TLocateOptions Options;
        Integer Found;   // 0: not found
    };
    const Case Cases[] = {
        {"ID", "1", {loPartialKey}, 1},          // a number is never matched by its leading digits
        {"ID", "12", {loPartialKey}, 12},
        {"ID", "2", {loPartialKey}, 0},
        {"ID", 112, {}, 112},
        {"NAME", "AB", {loPartialKey}, 0},
        {"NAME", "AB", {loPartialKey, loCaseInsensitive}, 21},
        {"NAME", "ab", {loPartialKey}, 21},
        {"NAME", "abd", {loCaseInsensitive}, 112},
        {"NAME", "IŞIK", {loCaseInsensitive}, 1},   // Turkish dotless i
        {"NAME", "izmir", {loCaseInsensitive}, 12}, // Turkish dotted i
        {"NAME", "", {loPartialKey}, 1},            // an empty leading part matches the first
    };
    for (const Case& C : Cases) {
        DS->Last();
        bool Found = DS->Locate(C.Field, C.Key, C.Options);
        EXPECT_EQ(Found, C.Found != 0) << C.Field << " " << VarToStr(C.Key);
        EXPECT_EQ(DS->FieldByName("ID")->AsInteger(), C.Found != 0 ? C.Found : 112) << VarToStr(C.Key);
    }
    EXPECT_THROW(DS->Locate("ID;NAME", 1, {}), EDatabaseError);   // two fields, one value
    EXPECT_THROW(DS->Locate("NOPE", 1, {}), EDatabaseError);
}

TEST(DataSet, LookupFieldWithANullKeyStaysNull) {
    auto Names = MakeSet(0);
    Names->AppendRecord({Null(), "no key"});
    Names->AppendRecord({2, "two"});
    TMemDataSet DS;
    DS.FieldDefs()->Add("REF", ftInteger);
    auto* Ref = AddIntegerField(DS, "REF");
    auto* RefName = AddRefNameLookup(DS, Names.get());
    DS.Open();
    DS.AppendRecord({Null()});
    DS.AppendRecord({2});
    DS.First();
    EXPECT_TRUE(RefName->IsNull());
    DS.Next();
    EXPECT_EQ(RefName->AsString(), "two");
    DS.Edit();
    Ref->Clear();
    EXPECT_TRUE(RefName->IsNull());   // recalculated on the change
    DS.Cancel();
}

TEST(DataSet, OldAndNewValuesAcrossEditInsertAndCalculatedFields) {
    TMemDataSet DS;
    DS.FieldDefs()->Add("ID", ftInteger);
    auto* Id = AddIntegerField(DS, "ID");
    auto* Twice = AddIntegerField(DS, "TWICE", fkCalculated);
    Integer CalcCalls = 0;
    DS.OnCalcFields = [&](TDataSet* D) {
        ++CalcCalls;
        EXPECT_EQ(D->State(), dsCalcFields);
        if (!D->FieldByName("ID")->IsNull()) D->FieldByName("TWICE")->SetAsInteger(D->FieldByName("ID")->AsInteger() * 2);
    };
    DS.Open();
    DS.AppendRecord({4});
    DS.Edit();
    Id->SetAsInteger(5);
    EXPECT_EQ(Id->OldValue().AsInteger(), 4);
    EXPECT_EQ(Id->AsInteger(), 5);
    EXPECT_EQ(Twice->AsInteger(), 10);
    EXPECT_TRUE(Twice->OldValue().IsNull());   // calculated fields have no stored old value here
    Id->Clear();
    EXPECT_TRUE(Id->IsNull());
    EXPECT_TRUE(Twice->IsNull());
    DS.Cancel();
    EXPECT_EQ(Twice->AsInteger(), 8);
    DS.Insert();
    EXPECT_TRUE(Id->OldValue().IsNull());
    EXPECT_TRUE(Twice->IsNull());
    Id->SetAsInteger(1);
    EXPECT_EQ(Twice->AsInteger(), 2);
    DS.Post();
    EXPECT_EQ(Twice->AsInteger(), 2);
    CalcCalls = 0;
    DS.SetAutoCalcFields(false);
    DS.Edit();
    Id->SetAsInteger(3);
    EXPECT_EQ(Twice->AsInteger(), 2);   // not recalculated on changes
    DS.Post();
    EXPECT_EQ(Twice->AsInteger(), 6);   // but when the record is read again
}

TEST(DataSet, ALinkResizedWhileItsSourceIsDisabledGetsItsRows) {
    auto DS = MakeSet(10);
    TDataSource Src(nullptr);
    TRecordingLink Link;
    Src.SetDataSet(DS.get());
    Link.SetDataSource(&Src);
    Src.SetEnabled(false);
    EXPECT_FALSE(Link.Active());
    Link.SetBufferCount(5);
    Src.SetEnabled(true);
    EXPECT_EQ(Link.RecordCount(), 5);
    EXPECT_EQ(Rows(DS.get(), Link), Range(1, 5));
}
