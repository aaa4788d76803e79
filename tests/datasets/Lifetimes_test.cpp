// Every event of the data sets with a handler that frees its sender: the call
// that raised it returns without touching the freed object. Each event is heard
// twice, by the data set's own handler and by its container's. A new event
// joins the table with one line.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "datasets/DSContainer.h"
#include "datasets/pFBDataSet.h"
#include "support/Scribble.h"
#include "support/db/DbTest.h"

namespace {

class DataSetLifetimes;
using TRoad = void (*)(DataSetLifetimes& F);
struct TLifeCase {
    const char* Name;
    TDataSetNotifyEvent TDataSet::*Event;   // nullptr: the row's road sets its handler itself
    TKindDataSetEvent Kind;                 // what the container hears
    TRoad Road;
};

class DataSetLifetimes : public TDbTest, public ::testing::WithParamInterface<std::tuple<TLifeCase, bool>> {
public:
    static void SetUpTestSuite() {
        DB1().Execute("CREATE TABLE LT (K INTEGER NOT NULL PRIMARY KEY, V VARCHAR(10))");
    }
    void SetUp() override {
        DB1().Execute("DELETE FROM LT; INSERT INTO LT VALUES (1, 'a'); INSERT INTO LT VALUES (2, 'b');"
                      "INSERT INTO LT VALUES (3, 'c')");
        Connect(DB1(), "Db", "Tr");
        ds = new TpFBDataSet(Owner.get());
        ds->SetName("ds");
        ds->SetDatabase(Db);
        ds->SetTransaction(Tr);
        ds->SelectSQL()->SetText("select * from LT order by K");
        ds->UpdateSQL()->SetText("update LT set V = ?V where K = ?OLD_K");
        ds->InsertSQL()->SetText("insert into LT (K, V) values (?K, ?V)");
        ds->DeleteSQL()->SetText("delete from LT where K = ?OLD_K");
        ds->RefreshSQL()->SetText("select * from LT where K = ?K");
        ds->Open();
    }
    void TearDown() override {
        if (Tr && Tr->Active()) Tr->Rollback();
        TDbTest::TearDown();
    }
    // A handler of any signature that frees the data set (once: its destructor may raise it again).
    auto FreeDs() {
        return [this](auto&&...) { Free(); };
    }
    // Touches nothing of the handler that called it after the free.
    void Free() {
        if (!ds) return;
        ++frees;
        delete std::exchange(ds, nullptr);
    }
    // An update object the data set runs after each change of a row.
    TpFBUpdateObject* UpdateObject() {
        auto* U = new TpFBUpdateObject(Owner.get());
        U->SQL()->SetText("update LT set V = V where K = ?OLD_K");
        U->SetDataSet(ds);
        return U;
    }
    void Hear(const TLifeCase& C, bool ByContainer) {
        if (!C.Event) return;
        if (!ByContainer) {
            ds->*C.Event = FreeDs();
            return;
        }
        container = new TDataSetsContainer(Owner.get());
        container->OnDataSetEvent = [this, K = C.Kind](TDataSet*, TKindDataSetEvent Kind) {
            if (Kind == K) Free();
        };
        ds->SetContainer(container);
    }
    // Cached updates, each change applied and committed at once.
    void Cached() {
        ds->Close();
        ds->SetCachedUpdates(true);
        ds->SetAutoCommit(true);
        ds->Open();
    }
    void EditV() {
        ds->Edit();
        ds->FieldByName("V")->SetAsString("z");
    }
    void AppendRow() {
        ds->Append();
        ds->FieldByName("K")->SetAsInteger(9);
    }
    using TDbTest::Db;
    using TDbTest::Tr;
    TpFBDataSet* ds = nullptr;
    TDataSetsContainer* container = nullptr;
    int frees = 0;
};

const TLifeCase kCases[] = {
    {"BeforeOpen", &TDataSet::BeforeOpen, deBeforeOpen, [](DataSetLifetimes& F) { F.ds->Close(); F.ds->Open(); }},
    {"AfterOpen", &TDataSet::AfterOpen, deAfterOpen, [](DataSetLifetimes& F) { F.ds->Close(); F.ds->Open(); }},
    {"BeforeClose", &TDataSet::BeforeClose, deBeforeClose, [](DataSetLifetimes& F) { F.ds->Close(); }},
    {"AfterClose", &TDataSet::AfterClose, deAfterClose, [](DataSetLifetimes& F) { F.ds->Close(); }},
    {"BeforeInsert", &TDataSet::BeforeInsert, deBeforeInsert, [](DataSetLifetimes& F) { F.ds->Append(); }},
    {"AfterInsert", &TDataSet::AfterInsert, deAfterInsert, [](DataSetLifetimes& F) { F.ds->Append(); }},
    {"OnNewRecord", &TDataSet::OnNewRecord, deOnNewRecord, [](DataSetLifetimes& F) { F.ds->Insert(); }},
    {"BeforeEdit", &TDataSet::BeforeEdit, deBeforeEdit, [](DataSetLifetimes& F) { F.ds->Edit(); }},
    {"AfterEdit", &TDataSet::AfterEdit, deAfterEdit, [](DataSetLifetimes& F) { F.ds->Edit(); }},
    {"BeforePost", &TDataSet::BeforePost, deBeforePost, [](DataSetLifetimes& F) { F.EditV(); F.ds->Post(); }},
    {"AfterPost", &TDataSet::AfterPost, deAfterPost, [](DataSetLifetimes& F) { F.EditV(); F.ds->Post(); }},
    {"AfterPostOfANewRow", &TDataSet::AfterPost, deAfterPost, [](DataSetLifetimes& F) { F.AppendRow(); F.ds->Post(); }},
    {"AfterPostAutoCommitted", &TDataSet::AfterPost, deAfterPost, [](DataSetLifetimes& F) { F.ds->SetAutoCommit(true); F.EditV(); F.ds->Post(); }},
    {"AfterPostCachedAndApplied", &TDataSet::AfterPost, deAfterPost, [](DataSetLifetimes& F) { F.Cached(); F.EditV(); F.ds->Post(); }},
    {"BeforeCancel", &TDataSet::BeforeCancel, deBeforeCancel, [](DataSetLifetimes& F) { F.EditV(); F.ds->Cancel(); }},
    {"AfterCancel", &TDataSet::AfterCancel, deAfterCancel, [](DataSetLifetimes& F) { F.EditV(); F.ds->Cancel(); }},
    {"AfterCancelOfANewRow", &TDataSet::AfterCancel, deAfterCancel, [](DataSetLifetimes& F) { F.AppendRow(); F.ds->Cancel(); }},
    {"BeforeDelete", &TDataSet::BeforeDelete, deBeforeDelete, [](DataSetLifetimes& F) { F.ds->Delete(); }},
    {"AfterDelete", &TDataSet::AfterDelete, deAfterDelete, [](DataSetLifetimes& F) { F.ds->Delete(); }},
    {"AfterDeleteCachedAndApplied", &TDataSet::AfterDelete, deAfterDelete, [](DataSetLifetimes& F) { F.Cached(); F.ds->Delete(); }},
    {"BeforeScroll", &TDataSet::BeforeScroll, deBeforeScroll, [](DataSetLifetimes& F) { F.ds->Next(); }},
    {"AfterScroll", &TDataSet::AfterScroll, deAfterScroll, [](DataSetLifetimes& F) { F.ds->Next(); }},
    {"AfterScrollByLast", &TDataSet::AfterScroll, deAfterScroll, [](DataSetLifetimes& F) { F.ds->Last(); }},
    {"AfterScrollByRecNo", &TDataSet::AfterScroll, deAfterScroll, [](DataSetLifetimes& F) { F.ds->SetRecNo(3); }},
    {"BeforeRefresh", &TDataSet::BeforeRefresh, deBeforeRefresh, [](DataSetLifetimes& F) { F.ds->Refresh(); }},
    {"AfterRefresh", &TDataSet::AfterRefresh, deAfterRefresh, [](DataSetLifetimes& F) { F.ds->Refresh(); }},
    // events the data set raises for what it holds or uses
    {"FieldOnChange", nullptr, deAfterPost, [](DataSetLifetimes& F) { F.ds->FieldByName("V")->OnChange = F.FreeDs(); F.EditV(); }},
    {"OnFieldChange", nullptr, deAfterPost, [](DataSetLifetimes& F) { F.ds->OnFieldChange = F.FreeDs(); F.EditV(); }},
    {"TransactionEnding", nullptr, deAfterPost, [](DataSetLifetimes& F) { F.ds->TransactionEnding = F.FreeDs(); F.Tr->Commit(); }},
    {"TransactionEnded", nullptr, deAfterPost, [](DataSetLifetimes& F) { F.ds->TransactionEnded = F.FreeDs(); F.Tr->Commit(); }},
    {"DatabaseDisconnecting", nullptr, deAfterPost, [](DataSetLifetimes& F) { F.ds->DatabaseDisconnecting = F.FreeDs(); F.Db->Close(); }},
    {"UpdateObjectAfterExecuteFreesTheDataSet", nullptr, deAfterPost, [](DataSetLifetimes& F) { F.UpdateObject()->AfterExecute = F.FreeDs(); F.EditV(); F.ds->Post(); }},
    {"UpdateObjectFreedByAnothersAfterExecute", nullptr, deAfterPost, [](DataSetLifetimes& F) {
         TpFBUpdateObject* First = F.UpdateObject();
         static TpFBUpdateObject* Second;
         Second = F.UpdateObject();
         First->AfterExecute = [&F](TObject*) { if (Second) delete std::exchange(Second, nullptr), ++F.frees; };
         F.EditV();
         F.ds->Post();
     }},
};

TEST_P(DataSetLifetimes, RaisingCallLeavesTheFreedSenderAlone) {
    const auto& [C, ByContainer] = GetParam();
    TScribbledFrees scribble;
    Hear(C, ByContainer);
    try {
        C.Road(*this);
    } catch (const EAbort&) {
        EXPECT_EQ(ds, nullptr) << "only a call whose data set went ends quietly";
    }
    EXPECT_EQ(frees, 1) << "the event never came";
    EXPECT_EQ(scribble.Release(), 0) << "freed memory written";
}

// Each row by the data set's handler, and by the container's where it hears the event too.
std::vector<std::tuple<TLifeCase, bool>> Params() {
    std::vector<std::tuple<TLifeCase, bool>> R;
    for (const TLifeCase& C : kCases) {
        R.emplace_back(C, false);
        if (C.Event) R.emplace_back(C, true);
    }
    return R;
}

INSTANTIATE_TEST_SUITE_P(Events, DataSetLifetimes, ::testing::ValuesIn(Params()),
                         [](const auto& I) {
                             return std::string(std::get<0>(I.param).Name) + (std::get<1>(I.param) ? "_Container" : "");
                         });

}  // namespace
