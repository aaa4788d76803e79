#include "platform/rtl/Classes.h"
#include "platform/Raised.h"
#include "platform/rtl/Files.h"
#include "support/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <unistd.h>

namespace {

// ---------------------------------------------------------------------------
// TList

struct TCountingList : TList {
    std::vector<std::pair<void*, TListNotification>> Log;
    ~TCountingList() override { Clear(); }
protected:
    void Notify(void* Ptr, TListNotification Action) override { Log.emplace_back(Ptr, Action); }
};

int A = 1, B = 2, C = 3;

TEST(TList, IndexErrorsCarryTheIndex)
{
    TList L;
    L.Add(&A);
    struct Case { std::function<void()> Op; const char* Text; };
    std::vector<Case> Cases = {
        {[&] { L.Items(1); }, "List index out of bounds (1)"},
        {[&] { L.Delete(-1); }, "List index out of bounds (-1)"},
        {[&] { L.Insert(3, &B); }, "List index out of bounds (3)"},
        {[&] { L.Exchange(0, 5); }, "List index out of bounds (5)"},
        {[&] { L.SetCapacity(0); }, "List capacity out of bounds (0)"},
        {[&] { TList E; E.First(); }, "List index out of bounds (0)"},
        {[&] { TList E; E.Last(); }, "List index out of bounds (-1)"},
    };
    for (auto& Case : Cases) {
        EXPECT_EQ(MessageOf<EListError>([&] { Case.Op(); }), Case.Text) << "no error for " << Case.Text;
    }
}

TEST(TList, EditingKeepsOrderAndNotifies)
{
    TCountingList L;
    L.Add(&A);
    L.Add(nullptr);
    L.Add(&B);
    L.Insert(0, &C);
    EXPECT_EQ(L.Count(), 4);
    EXPECT_EQ(L.IndexOf(&B), 3);
    L.Move(3, 0);
    EXPECT_EQ(L.First(), &B);
    EXPECT_EQ(L.Last(), nullptr);
    L.Pack();
    EXPECT_EQ(L.Count(), 3);
    EXPECT_EQ(L.Extract(&C), &C);
    EXPECT_EQ(L.Extract(&C), nullptr);
    EXPECT_EQ(L.Remove(&A), 1);
    EXPECT_EQ(L.Remove(&A), -1);
    // nil entries are never announced
    std::vector<std::pair<void*, TListNotification>> Expected = {
        {&A, lnAdded}, {&B, lnAdded}, {&C, lnAdded}, {&C, lnExtracted}, {&A, lnDeleted}};
    EXPECT_EQ(L.Log, Expected);
}

TEST(TList, SortAndCount)
{
    int V[] = {5, 1, 4, 1, 3};
    TList L;
    for (int& X : V) L.Add(&X);
    L.Sort([](void* P, void* Q) { return *static_cast<int*>(P) - *static_cast<int*>(Q); });
    std::vector<int> Got;
    for (int I = 0; I < L.Count(); ++I) Got.push_back(*static_cast<int*>(L.Items(I)));
    EXPECT_EQ(Got, (std::vector<int>{1, 1, 3, 4, 5}));
    L.SetCount(7);
    EXPECT_EQ(L.Items(6), nullptr);
    L.SetCount(2);
    EXPECT_EQ(L.Count(), 2);
}

TEST(TThreadList, DuplicatesRule)
{
    TThreadList L;
    L.Add(&A);
    L.Add(&A);   // ignored by default
    EXPECT_EQ(L.LockList()->Count(), 1);
    L.UnlockList();
    L.SetDuplicates(dupAccept);
    L.Add(&A);
    EXPECT_EQ(L.LockList()->Count(), 2);
    L.UnlockList();
    L.SetDuplicates(dupError);
    EXPECT_THROW(L.Add(&A), EListError);
    L.Remove(&A);
    L.Clear();
    EXPECT_EQ(L.LockList()->Count(), 0);
    L.UnlockList();
}

// ---------------------------------------------------------------------------
// TPersistent

class TPoint : public TPersistent {
public:
    int X = 0;
    void Assign(TPersistent* Source) override
    {
        if (auto* P = dynamic_cast<TPoint*>(Source)) { X = P->X; return; }
        TPersistent::Assign(Source);
    }
};
class TOther : public TPersistent {};

TEST(TPersistent, AssignErrors)
{
    TPoint P, Q;
    Q.X = 7;
    P.Assign(&Q);
    EXPECT_EQ(P.X, 7);
    TOther O;
    EXPECT_EQ(MessageOf<EConvertError>([&] { P.Assign(&O); }), "Cannot assign a TOther to a TPoint");
    EXPECT_EQ(MessageOf<EConvertError>([&] { P.Assign(nullptr); }), "Cannot assign a nil to a TPoint");
}

// ---------------------------------------------------------------------------
// TComponent

// Records notifications and holds a reference it must drop.
class TWatcher : public TComponent {
public:
    using TComponent::TComponent;
    TComponent* Ref = nullptr;
    std::vector<std::pair<TComponent*, TOperation>>* Log = nullptr;
    int LoadedCalls = 0;
    void SetRef(TComponent* R)
    {
        Ref = R;
        if (R) R->FreeNotification(this);
    }
protected:
    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        TComponent::Notification(AComponent, Operation);
        if (Log) Log->emplace_back(AComponent, Operation);
        if (Operation == opRemove && AComponent == Ref) Ref = nullptr;
    }
    void Loaded() override
    {
        TComponent::Loaded();
        ++LoadedCalls;
    }
};

// Sees the whole object in its listeners while being destroyed.
class TTyped : public TComponent {
public:
    using TComponent::TComponent;
    ~TTyped() override { BeforeDestruction(); }
};

class TTypeChecker : public TComponent {
public:
    using TComponent::TComponent;
    bool SawTyped = false;
protected:
    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove && dynamic_cast<TTyped*>(AComponent)) SawTyped = true;
    }
};

TEST(TComponent, OwnerFreesOwnedAndSiblingsHear)
{
    std::vector<std::pair<TComponent*, TOperation>> Log;
    auto Owner = std::make_unique<TComponent>(nullptr);
    auto* W = new TWatcher(Owner.get());
    W->Log = &Log;
    auto* X = new TComponent(Owner.get());
    EXPECT_EQ(Owner->ComponentCount(), 2);
    EXPECT_EQ(X->Owner(), Owner.get());
    EXPECT_EQ(X->ComponentIndex(), 1);
    W->SetRef(X);
    delete X;   // leaves its owner, the sibling hears it
    EXPECT_EQ(Owner->ComponentCount(), 1);
    EXPECT_EQ(W->Ref, nullptr);
    ASSERT_FALSE(Log.empty());
    EXPECT_EQ(Log.back(), std::make_pair(X, opRemove));
    Owner.reset();   // frees W; no crash, no leak (checked by sanitizers when used)
}

TEST(TComponent, FreeNotificationAcrossOwners)
{
    auto OwnerA = std::make_unique<TComponent>(nullptr);
    auto OwnerB = std::make_unique<TComponent>(nullptr);
    auto* W = new TWatcher(OwnerA.get());
    auto* X = new TComponent(OwnerB.get());
    W->SetRef(X);
    EXPECT_TRUE(X->ComponentState().Contains(csFreeNotification));
    OwnerB.reset();
    EXPECT_EQ(W->Ref, nullptr);

    // Both directions: the referrer going first must not leave a dangling entry.
    auto* Y = new TComponent(nullptr);
    auto* W2 = new TWatcher(nullptr);
    W2->SetRef(Y);
    delete W2;
    delete Y;   // would touch freed W2 if the entry had been left
    SUCCEED();
}

TEST(TComponent, RemoveFreeNotificationStopsNotices)
{
    auto* W = new TWatcher(nullptr);
    auto* X = new TComponent(nullptr);
    W->SetRef(X);
    X->RemoveFreeNotification(W);
    delete X;
    EXPECT_EQ(W->Ref, X);   // not told any more
    delete W;
}

TEST(TComponent, ListenerSeesWholeObjectWhenSubclassAsks)
{
    auto Checker = std::make_unique<TTypeChecker>(nullptr);
    auto* T = new TTyped(nullptr);
    T->FreeNotification(Checker.get());
    delete T;
    EXPECT_TRUE(Checker->SawTyped);

    // Owned components are prepared whole before the owner deletes them.
    auto Owner = std::make_unique<TComponent>(nullptr);
    auto* Checker2 = new TTypeChecker(Owner.get());
    new TComponent(Owner.get());
    auto* Plain = new TComponent(nullptr);
    Owner->InsertComponent(Plain);
    Owner.reset();
    (void)Checker2;
}

TEST(TComponent, Names)
{
    TComponent Owner(nullptr);
    auto* A1 = new TComponent(&Owner);
    auto* A2 = new TComponent(&Owner);
    A1->SetName("Button1");
    EXPECT_EQ(Owner.FindComponent("BUTTON1"), A1);
    struct Case { const char* Name; const char* Error; };
    const Case Cases[] = {
        {"1abc", "'1abc' is not a valid component name"}, {"a b", "'a b' is not a valid component name"},
        {"Çay", "'Çay' is not a valid component name"}, {"button1", "A component named button1 already exists"},
    };
    for (auto& C : Cases) {
        EXPECT_EQ(MessageOf<EComponentError>([&] { A2->SetName(C.Name); }), C.Error) << C.Name;
        EXPECT_EQ(A2->Name(), "");
    }
    A2->SetName("_x2");
    A1->SetName("BUTTON1");   // own name in another case is fine
    A2->SetName("");
    EXPECT_EQ(Owner.FindComponent(""), nullptr);

    // Moving a component to an owner that already has its name.
    TComponent Other(nullptr);
    auto* Dup = new TComponent(&Other);
    Dup->SetName("Button1");
    EXPECT_THROW(Owner.InsertComponent(Dup), EComponentError);
    EXPECT_EQ(Dup->Owner(), &Other);
}

TEST(TComponent, InsertAndRemoveMoveOwnership)
{
    std::vector<std::pair<TComponent*, TOperation>> Log;
    TComponent Owner(nullptr);
    auto* W = new TWatcher(&Owner);
    W->Log = &Log;
    TComponent Other(nullptr);
    auto* X = new TComponent(&Other);
    Owner.InsertComponent(X);
    EXPECT_EQ(X->Owner(), &Owner);
    EXPECT_EQ(Other.ComponentCount(), 0);
    EXPECT_EQ(Log.back(), std::make_pair(X, opInsert));
    Owner.RemoveComponent(X);
    EXPECT_EQ(X->Owner(), nullptr);
    EXPECT_EQ(Log.back(), std::make_pair(X, opRemove));
    delete X;
    EXPECT_THROW(Owner.Components(5), EListError);
}

TEST(TComponent, DestroyingAndLoadingStates)
{
    TComponent Owner(nullptr);
    auto* W = new TWatcher(&Owner);
    Owner.BeginLoading();
    EXPECT_TRUE(W->ComponentState().Contains(csLoading));
    EXPECT_TRUE(Owner.ComponentState().Contains(csReading));
    Owner.EndLoading();
    EXPECT_EQ(W->LoadedCalls, 1);
    EXPECT_FALSE(W->ComponentState().Contains(csLoading));
    Owner.Destroying();
    EXPECT_TRUE(W->ComponentState().Contains(csDestroying));
}

// ---------------------------------------------------------------------------
// TCollection

class TNamedItem : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    AnsiString Text;
    void Assign(TPersistent* Source) override
    {
        if (auto* S = dynamic_cast<TNamedItem*>(Source)) { Text = S->Text; return; }
        TCollectionItem::Assign(Source);
    }
};

TEST(TCollection, ItemsAndAssign)
{
    auto Factory = [](TCollection* C) -> TCollectionItem* { return new TNamedItem(C); };
    TCollection Col(Factory);
    auto* I0 = static_cast<TNamedItem*>(Col.Add());
    I0->Text = "a";
    auto* I1 = static_cast<TNamedItem*>(Col.Add());
    I1->Text = "b";
    EXPECT_EQ(I1->Index(), 1);
    I1->SetIndex(0);
    EXPECT_EQ(Col.Items(0), I1);
    EXPECT_EQ(Col.FindItemID(I0->ID()), I0);
    TCollection Copy(Factory);
    Copy.Assign(&Col);
    ASSERT_EQ(Copy.Count(), 2);
    EXPECT_EQ(static_cast<TNamedItem*>(Copy.Items(0))->Text, "b");
    delete I0;   // leaves its collection
    EXPECT_EQ(Col.Count(), 1);
    Col.Delete(0);
    EXPECT_EQ(Col.Count(), 0);
    EXPECT_THROW(Col.Items(0), EListError);
}

// ---------------------------------------------------------------------------
// TStringList

TEST(TStringList, TextSplitsAtEveryBreakKind)
{
    struct Case { const char* In; std::vector<AnsiString> Lines; };
    const Case Cases[] = {
        {"", {}}, {"a", {"a"}}, {"a\r\nb\r\n", {"a", "b"}}, {"a\nb\rc", {"a", "b", "c"}},
        {"a\r\n\r\nb", {"a", "", "b"}}, {"\r\n", {""}}, {"a\n\rb", {"a", "", "b"}},
    };
    for (auto& C : Cases) {
        TStringList L;
        L.SetText(C.In);
        std::vector<AnsiString> Got;
        for (int I = 0; I < L.Count(); ++I) Got.push_back(L.Strings(I));
        EXPECT_EQ(Got, C.Lines) << C.In;
    }
    TStringList L;
    L.Add("x");
    L.Add("");
    EXPECT_EQ(L.Text(), "x\r\n\r\n");
}

TEST(TStringList, CommaAndDelimitedText)
{
    struct Case { const char* In; std::vector<AnsiString> Items; const char* Out; };
    const Case Cases[] = {
        {"a,b,c", {"a", "b", "c"}, "a,b,c"},
        {"a b,c", {"a", "b", "c"}, "a,b,c"},            // blanks separate too
        {"\"a b\",c", {"a b", "c"}, "\"a b\",c"},
        {"\"say \"\"hi\"\"\"", {"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {"a,,b", {"a", "", "b"}, "a,,b"},
        {"a,", {"a", ""}, "a,"},
        {"\"\"", {""}, "\"\""},
        {"  a , b  ", {"a", "b"}, "a,b"},
        {"", {}, ""},
    };
    for (auto& C : Cases) {
        TStringList L;
        L.SetCommaText(C.In);
        std::vector<AnsiString> Got;
        for (int I = 0; I < L.Count(); ++I) Got.push_back(L.Strings(I));
        EXPECT_EQ(Got, C.Items) << C.In;
        EXPECT_EQ(L.CommaText(), C.Out) << C.In;
    }
    TStringList L;
    L.SetDelimiter(';');
    L.SetQuoteChar('\'');
    L.SetDelimitedText("x;'y;z';w");
    ASSERT_EQ(L.Count(), 3);
    EXPECT_EQ(L.Strings(1), "y;z");
    EXPECT_EQ(L.DelimitedText(), "x;'y;z';w");
}

TEST(TStringList, NamesAndValues)
{
    TStringList L;
    L.SetText("user_name=SYSDBA\r\nlc_ctype=WIN1254\r\nnoequals\r\nempty=");
    EXPECT_EQ(L.Values("USER_NAME"), "SYSDBA");
    EXPECT_EQ(L.Names(1), "lc_ctype");
    EXPECT_EQ(L.Names(2), "");
    EXPECT_EQ(L.ValueFromIndex(3), "");
    EXPECT_EQ(L.IndexOfName("empty"), 3);
    EXPECT_EQ(L.Values("missing"), "");
    L.SetValues("lc_ctype", "UTF8");
    EXPECT_EQ(L.Strings(1), "lc_ctype=UTF8");
    L.SetValues("password", "x=y");
    EXPECT_EQ(L.Strings(4), "password=x=y");
    EXPECT_EQ(L.Values("password"), "x=y");
    L.SetValues("user_name", "");
    EXPECT_EQ(L.IndexOfName("user_name"), -1);
    EXPECT_EQ(L.Count(), 4);
}

TEST(TStringList, SortedDuplicatesAndCase)
{
    TStringList L;
    L.SetSorted(true);
    for (const char* S : {"elma", "Armut", "çilek", "ayva", "Zeytin"}) L.Add(S);
    // Turkish alphabetic order, case ignored: ç comes between c and d.
    EXPECT_EQ(L.CommaText(), "Armut,ayva,çilek,elma,Zeytin");
    EXPECT_EQ(L.Add("ELMA"), 3);       // dupIgnore: the index of the present one
    EXPECT_EQ(L.Count(), 5);
    L.SetDuplicates(dupError);
    EXPECT_EQ(MessageOf<EStringListError>([&] { L.Add("armut"); }), "String list does not allow duplicates");
    L.SetDuplicates(dupAccept);
    L.Add("armut");
    EXPECT_EQ(L.Count(), 6);
    for (auto Op : std::vector<std::function<void()>>{[&] { L.Insert(0, "x"); },
                                                     [&] { L.SetStrings(0, "x"); },
                                                     [&] { L.Move(0, 1); }}) {
        EXPECT_EQ(MessageOf<EStringListError>([&] { Op(); }), "Operation not allowed on sorted list");
    }
    Integer Index = -1;
    EXPECT_FALSE(L.Find("b", Index));
    EXPECT_EQ(Index, 3);   // after the two "armut" and "ayva"
    L.SetCaseSensitive(true);
    EXPECT_EQ(L.IndexOf("ELMA"), -1);
    EXPECT_EQ(L.IndexOf("elma"), L.Count() - 2);
}

TEST(TStringList, UnsortedEditingAndErrors)
{
    TStringList L;
    L.Add("b");
    L.Add("a");
    L.Add("c");
    L.Exchange(0, 2);
    L.Move(0, 2);
    EXPECT_EQ(L.CommaText(), "a,b,c");
    L.Sort();
    L.CustomSort([](TStringList* S, Integer I, Integer J) { return -AnsiCompareText(S->Strings(I), S->Strings(J)); });
    EXPECT_EQ(L.CommaText(), "c,b,a");
    EXPECT_EQ(L.IndexOf("B"), 1);
    EXPECT_EQ(MessageOf<EStringListError>([&] { L.Strings(3); }), "List index out of bounds (3)");
    EXPECT_THROW(L.Delete(-1), EStringListError);
    EXPECT_THROW(L.Insert(4, "x"), EStringListError);
}

TEST(TStringList, UpdateCountingFiresOnceAtTheEnd)
{
    TStringList L;
    int Changes = 0, Changings = 0;
    L.OnChange = [&](TObject* Sender) { EXPECT_EQ(Sender, &L); ++Changes; };
    L.OnChanging = [&](TObject*) { ++Changings; };
    L.Add("x");
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(Changings, 1);
    L.BeginUpdate();
    L.BeginUpdate();
    L.Add("y");
    L.Delete(0);
    L.EndUpdate();
    EXPECT_EQ(Changes, 1);
    L.EndUpdate();
    EXPECT_EQ(Changes, 2);
    EXPECT_EQ(Changings, 2);
    L.EndUpdate();   // unbalanced end is harmless
    EXPECT_EQ(L.UpdateCount(), 0);
    L.SetText("a\r\nb\r\nc");
    EXPECT_EQ(Changes, 3);   // one notice for the whole text
}

struct TTracked : TObject {
    int* Deleted;
    explicit TTracked(int* D) : Deleted(D) {}
    ~TTracked() override { ++*Deleted; }
};

TEST(TStringList, OwnsObjectsFreesOnDeleteClearAndDestroyButNotOnMove)
{
    int Deleted = 0;
    {
        TStringList L(true);
        L.AddObject("a", new TTracked(&Deleted));
        L.AddObject("b", new TTracked(&Deleted));
        L.AddObject("c", new TTracked(&Deleted));
        L.Move(0, 2);
        L.Exchange(0, 1);
        EXPECT_EQ(Deleted, 0);
        L.Delete(0);
        EXPECT_EQ(Deleted, 1);
    }
    EXPECT_EQ(Deleted, 3);
    TStringList Plain;
    TTracked T(&Deleted);
    Plain.AddObject("t", &T);
    Plain.Clear();
    EXPECT_EQ(Deleted, 3);
}

TEST(TStringList, AssignAddStringsEquals)
{
    TStringList A, B;
    A.AddObject("one", &A);
    A.Add("two");
    B.Add("old");
    B.Assign(&A);
    EXPECT_TRUE(B.Equals(&A));
    EXPECT_EQ(B.Objects(0), &A);
    B.AddStrings(&A);
    EXPECT_EQ(B.Count(), 4);
    EXPECT_FALSE(B.Equals(&A));
    B.Assign(&A);
    B.SetStrings(1, "TWO");
    EXPECT_FALSE(B.Equals(&A));   // byte for byte
    TPoint P;
    EXPECT_THROW(B.Assign(&P), EConvertError);
}

// ---------------------------------------------------------------------------
// Streams

TEST(TMemoryStream, ReadWriteSeekSize)
{
    TMemoryStream S;
    S.WriteBuffer("hello", 5);
    EXPECT_EQ(S.Position(), 5);
    EXPECT_EQ(S.Size(), 5);
    S.SetPosition(8);
    S.WriteBuffer("!", 1);   // gap filled with zeros
    EXPECT_EQ(S.Size(), 9);
    EXPECT_EQ(static_cast<char*>(S.Memory())[6], '\0');
    S.SetPosition(0);
    char Buf[16] = {};
    EXPECT_EQ(S.Read(Buf, 16), 9);
    EXPECT_EQ(S.Read(Buf, 16), 0);
    S.SetPosition(7);
    EXPECT_EQ(MessageOf<EReadError>([&] { S.ReadBuffer(Buf, 3); }), "Stream read error");
    S.SetSize(2);
    EXPECT_EQ(S.Position(), 2);
    S.Seek(-1, soEnd);
    EXPECT_EQ(S.Position(), 1);
    S.Seek(-5, soBeginning);
    EXPECT_EQ(S.Read(Buf, 1), 0);   // before the start reads nothing
    EXPECT_EQ(S.Write("x", 1), 0);
    S.Clear();
    EXPECT_EQ(S.Size(), 0);
}

TEST(TStream, CopyFromWholeOrPart)
{
    TStringStream Src("0123456789");
    TMemoryStream Dst;
    Src.SetPosition(5);
    EXPECT_EQ(Dst.CopyFrom(&Src, 0), 10);   // 0: the whole source from its start
    Src.SetPosition(2);
    EXPECT_EQ(Dst.CopyFrom(&Src, 3), 3);
    EXPECT_EQ(AnsiString(static_cast<char*>(Dst.Memory()), Dst.Size()), "0123456789234");
    EXPECT_THROW(Dst.CopyFrom(&Src, 100), EReadError);
}

TEST(TStringStream, Strings)
{
    TStringStream S("abc");
    EXPECT_EQ(S.ReadString(2), "ab");
    S.WriteString("XYZ");
    EXPECT_EQ(S.DataString(), "abXYZ");
    EXPECT_EQ(S.ReadString(5), "");
    S.SetSize(1);
    EXPECT_EQ(S.DataString(), "a");
    EXPECT_EQ(S.Position(), 1);
}

TEST(TFileStream, ModesAndErrors)
{
    TTempFolder D("rtlc_classes");
    AnsiString Name = D.Path() + "dosya_ğ.blb";   // code page 1254 name
    {
        TFileStream F(Name, fmCreate);
        F.WriteBuffer("data", 4);
        EXPECT_EQ(F.Size(), 4);
    }
    EXPECT_TRUE(FileExists(Name));
    {
        TFileStream F(Name, fmOpenRead | fmShareDenyWrite);
        char Buf[8] = {};
        F.ReadBuffer(Buf, 4);
        EXPECT_STREQ(Buf, "data");
        EXPECT_THROW(F.WriteBuffer("x", 1), EWriteError);
    }
    {
        TFileStream F(Name, fmOpenReadWrite);
        F.Seek(0, soEnd);
        F.WriteBuffer("++", 2);
        F.SetSize(5);
        EXPECT_EQ(F.Size(), 5);
    }
    EXPECT_THAT(MessageOf<EFOpenError>([&] { TFileStream F(D.Path() + "none.txt", fmOpenRead); }),
                testing::StartsWith("Cannot open file \"" + D.Path() + "none.txt\". "));
    EXPECT_THROW(TFileStream(D.Path() + "no/such/dir.txt", fmCreate), EFCreateError);
}

TEST(TStrings, FilesRoundTripAndAtomicSave)
{
    TTempFolder D("rtlc_classes");
    AnsiString Name = D.Path() + "lines.txt";
    TStringList L;
    L.SetText("bir\r\niki\r\nüç");
    L.SaveToFile(Name);
    TStringList R;
    R.LoadFromFile(Name);
    EXPECT_TRUE(R.Equals(&L));
    // A file that cannot be written leaves the old one as it was.
    TStringList Bad;
    EXPECT_THROW(Bad.SaveToFile(D.Path() + "missing/dir.txt"), EFCreateError);
    EXPECT_THROW(R.LoadFromFile(D.Path() + "nothing.txt"), EFOpenError);
    // LoadFromStream reads from the current position.
    TStringStream S("skip\r\nrest");
    S.SetPosition(6);
    R.LoadFromStream(&S);
    EXPECT_EQ(R.Text(), "rest\r\n");
}


// ---------------------------------------------------------------------------
// Ownership edge cases

// Runs a hook on every notification it hears.
class THooked : public TComponent {
public:
    using TComponent::TComponent;
    std::function<void(THooked* Self, TComponent* AComponent, TOperation Operation)> OnNotify;
protected:
    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        TComponent::Notification(AComponent, Operation);
        if (OnNotify) OnNotify(this, AComponent, Operation);
    }
};

TEST(TComponent, SiblingReferenceSurvivesAMoveToAnotherOwner)
{
    // The watcher asks while both are siblings, then moves away: the owner's
    // broadcast no longer reaches it, so the link itself must.
    auto OwnerA = std::make_unique<TComponent>(nullptr);
    auto OwnerB = std::make_unique<TComponent>(nullptr);
    auto* W = new TWatcher(OwnerA.get());
    auto* X = new TComponent(OwnerA.get());
    W->SetRef(X);
    OwnerB->InsertComponent(W);
    delete X;
    EXPECT_EQ(W->Ref, nullptr);

    // The referred one moving away instead: the old owner tells its children.
    auto* Y = new TComponent(OwnerB.get());
    W->SetRef(Y);
    OwnerA->InsertComponent(Y);
    EXPECT_EQ(W->Ref, nullptr);
    OwnerA.reset();
    OwnerB.reset();
}

TEST(TComponent, HandlersMayFreeOrLeaveWhileTheOwnerGoes)
{
    // A child frees a sibling when it hears of a third; the owner's teardown
    // must cope with the shrinking list.
    auto Owner = std::make_unique<TComponent>(nullptr);
    TComponent* Victim = new TComponent(Owner.get());
    auto* Deleter = new THooked(Owner.get());
    auto* Trigger = new TComponent(Owner.get());
    Deleter->OnNotify = [&](THooked*, TComponent* C, TOperation Op) {
        if (Op == opRemove && C == Trigger && Victim) delete std::exchange(Victim, nullptr);
    };
    Owner.reset();
    EXPECT_EQ(Victim, nullptr);

    // A child leaves its owner from its own Notification, on an insert or
    // while the owner tears down; it is then not freed with the owner.
    for (TOperation Leave : {opInsert, opRemove}) {
        Owner = std::make_unique<TComponent>(nullptr);
        new TComponent(Owner.get());
        auto* L = new THooked(Owner.get());
        L->OnNotify = [Leave](THooked* Self, TComponent* C, TOperation Op) {
            if (Op == Leave && C != Self && Self->Owner()) Self->Owner()->RemoveComponent(Self);
        };
        new TComponent(Owner.get());
        if (Leave == opInsert) {
            EXPECT_EQ(Owner->ComponentCount(), 2);
        }
        Owner.reset();
        EXPECT_EQ(L->Owner(), nullptr);
        delete L;
    }
}

TEST(TComponent, OwnershipCyclesAreRefused)
{
    TComponent Root(nullptr);
    auto* Child = new TComponent(&Root);
    auto* Grandchild = new TComponent(Child);
    for (auto Op : std::vector<std::function<void()>>{[&] { Root.InsertComponent(&Root); },
                                                     [&] { Child->InsertComponent(&Root); },
                                                     [&] { Grandchild->InsertComponent(Child); }})
        EXPECT_THROW(Op(), EComponentError);
    EXPECT_EQ(Child->Owner(), &Root);
    EXPECT_EQ(Grandchild->Owner(), Child);
    EXPECT_EQ(Root.Owner(), nullptr);
}

// ---------------------------------------------------------------------------
// String list edge cases

TEST(TStringList, FindOnAnUnsortedListSearchesEveryLine)
{
    TStringList L;
    L.SetCommaText("zeytin,elma,armut,Elma");
    Integer Index = -1;
    EXPECT_TRUE(L.Find("ELMA", Index));
    EXPECT_EQ(Index, 1);
    EXPECT_TRUE(L.Find("zeytin", Index));
    EXPECT_EQ(Index, 0);
    EXPECT_FALSE(L.Find("ayva", Index));
    EXPECT_EQ(Index, L.Count());
}

TEST(TStringList, TurkishLettersSortAndFindConsistently)
{
    const std::vector<AnsiString> Words = {"ılık", "Işık", "ilk", "İlk", "iğne", "İĞNE", "çay", "Çay", "cam", "şeker",
                                           "Şeker", "sabun", "ödev", "ozan", "üzüm", "uzun", "ğ", "g", "ALİ", "ali",
                                           "ALI", "10", "9", ""};
    for (bool CaseSensitive : {false, true}) {
        auto Compare = CaseSensitive ? AnsiCompareStr : AnsiCompareText;
        TStringList L;
        L.SetCaseSensitive(CaseSensitive);
        L.SetDuplicates(dupAccept);
        L.SetSorted(true);
        for (auto& W : Words) L.Add(W);
        for (Integer I = 1; I < L.Count(); ++I) EXPECT_LE(Compare(L.Strings(I - 1), L.Strings(I)), 0);
        for (auto& W : Words) {
            Integer Index = -1;
            ASSERT_TRUE(L.Find(W, Index)) << W;
            EXPECT_EQ(Compare(L.Strings(Index), W), 0);
        }
    }
    // Ignoring case folds the Turkish way: "ali" pairs with "ALİ", not "ALI".
    TStringList L;
    L.SetSorted(true);
    for (const char* W : {"ali", "ALİ", "ALI", "ılık", "ILIK"}) L.Add(W);
    EXPECT_EQ(L.CommaText(), "ALI,ali,ılık");
    L.SetCaseSensitive(true);
    L.Add("ALİ");
    EXPECT_EQ(L.Count(), 4);
}

TEST(TStringList, ObjectsFollowTheirStrings)
{
    TObject O[4];
    auto Check = [&](TStringList& L) {
        for (Integer I = 0; I < L.Count(); ++I) {
            AnsiString S = L.Strings(I);
            EXPECT_EQ(L.Objects(I), &O[S[0] - 'a']) << S;
        }
    };
    TStringList L;
    for (int I : {3, 1, 0, 2}) L.AddObject(AnsiString(1, static_cast<char>('a' + I)), &O[I]);
    L.Exchange(0, 3);
    Check(L);
    L.Move(0, 2);
    Check(L);
    L.Sort();
    Check(L);
    EXPECT_EQ(L.CommaText(), "a,b,c,d");
    L.CustomSort([](TStringList* List, Integer A, Integer B) {
        return AnsiCompareStr(List->Strings(B), List->Strings(A));
    });
    Check(L);
    EXPECT_EQ(L.CommaText(), "d,c,b,a");
    L.SetSorted(true);
    Check(L);
    L.Add("bb");
    EXPECT_EQ(L.IndexOf("bb"), 2);
    EXPECT_EQ(L.Objects(2), nullptr);
    L.Delete(2);
    Check(L);
}

TEST(TStringList, CommaTextRoundTripsAwkwardItems)
{
    const std::vector<std::vector<AnsiString>> Lists = {
        {""}, {"", ""}, {"a", ""}, {"", "a"}, {"a b", "\"q\"", " lead", "trail ", "x,y", "ğüşİ", "tab\there"},
        {"a\r\nb", "\"", "\"\""}};
    for (auto& Items : Lists) {
        TStringList L, R;
        for (auto& S : Items) L.Add(S);
        R.SetCommaText(L.CommaText());
        EXPECT_TRUE(R.Equals(&L)) << L.CommaText();
    }
    TStringList L;
    L.SetCommaText("  a ,  \"b c\"  ,\"d\"\"e\" f, ,\"unterminated");
    std::vector<AnsiString> Got;
    for (Integer I = 0; I < L.Count(); ++I) Got.push_back(L.Strings(I));
    EXPECT_EQ(Got, (std::vector<AnsiString>{"a", "b c", "d\"e", "f", "", "unterminated"}));
}

// ---------------------------------------------------------------------------
// Stream edge cases

TEST(TMemoryStream, CapacityBelowSizeCutsTheSize)
{
    TMemoryStream S;
    std::string Data(100, 'x');
    S.WriteBuffer(Data.data(), 100);
    S.SetCapacity(10);
    EXPECT_EQ(S.Size(), 10);
    EXPECT_LE(S.Position(), 10);
    S.SetPosition(0);
    char Buf[200];
    EXPECT_EQ(S.Read(Buf, 200), 10);
    S.WriteBuffer("yy", 2);
    EXPECT_EQ(S.Size(), 12);
}

TEST(TStream, SeekAndSizeEdges)
{
    // Memory, string and file streams behave alike past the end.
    TTempFolder D("rtlc_classes");
    TMemoryStream M;
    TStringStream Str;
    TFileStream F(D.Path() + "s.bin", fmCreate);
    for (TStream* S : std::vector<TStream*>{&M, &Str, &F}) {
        S->WriteBuffer("abcdef", 6);
        EXPECT_EQ(S->Seek(10, soBeginning), 10);
        char Buf[4];
        EXPECT_EQ(S->Read(Buf, 4), 0);
        EXPECT_EQ(S->Size(), 6);
        S->WriteBuffer("z", 1);
        EXPECT_EQ(S->Size(), 11);
        S->SetSize(3);
        EXPECT_EQ(S->Size(), 3);
        EXPECT_EQ(S->Position(), 3);
        S->SetPosition(0);
        EXPECT_EQ(S->Read(Buf, 4), 3);
        EXPECT_EQ(AnsiString(Buf, 3), "abc");
        TMemoryStream Copy;
        S->SetPosition(2);
        EXPECT_EQ(Copy.CopyFrom(S, 0), 3);   // whole stream, not the rest
        EXPECT_EQ(Copy.Size(), 3);
    }
    TMemoryStream Empty, Dst;
    EXPECT_EQ(Dst.CopyFrom(&Empty, 0), 0);
}


TEST(TStringList, CopyingAListIntoItself)
{
    // Adding a list to itself doubles it once; assigning it to itself keeps it.
    TStringList L;
    L.SetCommaText("a,b");
    L.AddStrings(&L);
    EXPECT_EQ(L.CommaText(), "a,b,a,b");
    L.Assign(&L);
    EXPECT_EQ(L.Count(), 4);
    TList P;
    P.Add(&A);
    P.Add(&B);
    P.Assign(&P);
    EXPECT_EQ(P.Count(), 2);
    EXPECT_EQ(P.Items(1), &B);
}


}  // namespace
