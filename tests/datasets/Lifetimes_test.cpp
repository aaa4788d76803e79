// Every event of the data sets with a handler that frees its sender (the data
// set, for the events of its fields too): the call that raised it returns
// without touching the freed object and reports what did not happen. Each
// data set event is heard twice, by the data set's own handler and by its
// container's. The events are read from the headers: a new one needs a row or
// a stated reason.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "datasets/DSContainer.h"
#include "datasets/pFBDataSet.h"
#include "platform/sys/Timers.h"
#include "support/Scribble.h"
#include "support/SourceEvents.h"
#include "support/db/DbTest.h"

namespace {

class DataSetLifetimes;
using TRoad = void (*)(DataSetLifetimes& F);
struct TLifeCase {
    const char* Event;                      // as declared: "Class::Member"
    const char* Variant;                    // how it is raised, when several rows share the event
    TDataSetNotifyEvent TDataSet::*Member;  // nullptr: the row's road sets its handler itself
    TKindDataSetEvent Kind;                 // what the container hears
    TRoad Road;
    const char* Reports = nullptr;          // part of the error the raising call reports
};
// Events without a row, and why.
struct TLeftOut {
    const char* Event;
    const char* Why;
};

class DataSetLifetimes : public TDbTest, public ::testing::WithParamInterface<std::tuple<TLifeCase, bool>> {
public:
    static void SetUpTestSuite() {
        DB1().Execute("CREATE TABLE LT (K INTEGER NOT NULL PRIMARY KEY, V VARCHAR(10));"
                      "CREATE TABLE LTR (K INTEGER REFERENCES LT (K))");
    }
    void SetUp() override {
        DB1().Execute("DELETE FROM LTR; DELETE FROM LT; INSERT INTO LT VALUES (1, 'a'); INSERT INTO LT VALUES (2, 'b');"
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
    // It reads its own state after the free: it must be called from a copy.
    auto FreeDs() {
        return [this, Seen = std::make_shared<int>(0)](auto&&...) { Free(), ++*Seen; };
    }
    // Frees the data set's transaction the plain way (a second call would free it twice).
    auto FreeTr() {
        return [this, Seen = std::make_shared<int>(0)](auto&&...) { ++calls; if (Tr) ++frees, delete std::exchange(Tr, nullptr), ++*Seen; };
    }
    // An error handler that runs Free, then answers Answer (a retry, say).
    template <class H, class A> static auto Answering(H Free, A Answer) {
        return [Free, Answer](auto&&... Args) {
            Free();
            ([&](auto& X) { if constexpr (std::is_same_v<std::decay_t<decltype(X)>, A>) X = Answer; }(Args), ...);
        };
    }
    // Touches nothing of the handler that called it after the free.
    void Free() {
        ++calls;
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
        if (!C.Member) return;
        if (!ByContainer) {
            ds->*C.Member = FreeDs();
            return;
        }
        Contain();
        container->OnDataSetEvent = [this, K = C.Kind, Seen = std::make_shared<int>(0)](TDataSet*, TKindDataSetEvent Kind) {
            if (Kind == K) Free(), ++*Seen;
        };
    }
    void Contain() {
        container = new TDataSetsContainer(Owner.get());
        ds->SetContainer(container);
    }
    // The update statement fails on the server.
    void BadUpdate() { ds->UpdateSQL()->SetText("update LT set V = ?V where NOSUCH = ?OLD_K"); }
    void Reopen() { ds->Close(); ds->Open(); }
    // The edit's record lock fails (the row went elsewhere); Handler hears it.
    template <class H> void LockFails(H Handler) {
        ds->SetOptions(ds->Options() + TpFBDsOptions{poProtectedEdit}), ds->OnLockError = Handler;
        DeleteElsewhere(), ds->Edit();
    }
    // The current row goes in another connection.
    void DeleteElsewhere() { DB1().Execute("DELETE FROM LT WHERE K = 1"); }
    // Another table refers to the current row.
    void ReferToFirst() { DB1().Execute("INSERT INTO LTR VALUES (1)"); }
    // A new row whose key is taken: the server refuses its post.
    void DuplicateKey() {
        ds->Append();
        ds->FieldByName("K")->SetAsInteger(1);
        ds->Post();
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
    TManualTimerService clock;
    TTimerServiceGuard clockGuard{&clock};
    using TDbTest::Db;
    using TDbTest::Tr;
    TpFBDataSet* ds = nullptr;
    TDataSetsContainer* container = nullptr;
    int frees = 0;
    int calls = 0;
};

using F_ = DataSetLifetimes;
const char* const kNotRunAgain = "not run again";
const TLifeCase kCases[] = {
    {"TDataSet::BeforeOpen", "", &TDataSet::BeforeOpen, deBeforeOpen, [](F_& F) { F.Reopen(); }},
    {"TDataSet::AfterOpen", "", &TDataSet::AfterOpen, deAfterOpen, [](F_& F) { F.Reopen(); }},
    {"TDataSet::BeforeClose", "", &TDataSet::BeforeClose, deBeforeClose, [](F_& F) { F.ds->Close(); }},
    {"TDataSet::AfterClose", "", &TDataSet::AfterClose, deAfterClose, [](F_& F) { F.ds->Close(); }},
    {"TDataSet::BeforeInsert", "", &TDataSet::BeforeInsert, deBeforeInsert, [](F_& F) { F.ds->Append(); }},
    {"TDataSet::AfterInsert", "", &TDataSet::AfterInsert, deAfterInsert, [](F_& F) { F.ds->Append(); }},
    {"TDataSet::OnNewRecord", "", &TDataSet::OnNewRecord, deOnNewRecord, [](F_& F) { F.ds->Insert(); }},
    {"TDataSet::BeforeEdit", "", &TDataSet::BeforeEdit, deBeforeEdit, [](F_& F) { F.ds->Edit(); }},
    {"TDataSet::AfterEdit", "", &TDataSet::AfterEdit, deAfterEdit, [](F_& F) { F.ds->Edit(); }},
    {"TDataSet::BeforePost", "", &TDataSet::BeforePost, deBeforePost, [](F_& F) { F.EditV(); F.ds->Post(); }},
    {"TDataSet::AfterPost", "", &TDataSet::AfterPost, deAfterPost, [](F_& F) { F.EditV(); F.ds->Post(); }},
    {"TDataSet::AfterPost", "OfANewRow", &TDataSet::AfterPost, deAfterPost, [](F_& F) { F.AppendRow(); F.ds->Post(); }},
    {"TDataSet::AfterPost", "AutoCommitted", &TDataSet::AfterPost, deAfterPost, [](F_& F) { F.ds->SetAutoCommit(true); F.EditV(); F.ds->Post(); }},
    {"TDataSet::AfterPost", "CachedAndApplied", &TDataSet::AfterPost, deAfterPost, [](F_& F) { F.Cached(); F.EditV(); F.ds->Post(); }},
    {"TDataSet::BeforeCancel", "", &TDataSet::BeforeCancel, deBeforeCancel, [](F_& F) { F.EditV(); F.ds->Cancel(); }},
    {"TDataSet::AfterCancel", "", &TDataSet::AfterCancel, deAfterCancel, [](F_& F) { F.EditV(); F.ds->Cancel(); }},
    {"TDataSet::AfterCancel", "OfANewRow", &TDataSet::AfterCancel, deAfterCancel, [](F_& F) { F.AppendRow(); F.ds->Cancel(); }},
    {"TDataSet::BeforeDelete", "", &TDataSet::BeforeDelete, deBeforeDelete, [](F_& F) { F.ds->Delete(); }},
    {"TDataSet::AfterDelete", "", &TDataSet::AfterDelete, deAfterDelete, [](F_& F) { F.ds->Delete(); }},
    {"TDataSet::AfterDelete", "CachedAndApplied", &TDataSet::AfterDelete, deAfterDelete, [](F_& F) { F.Cached(); F.ds->Delete(); }},
    {"TDataSet::BeforeScroll", "", &TDataSet::BeforeScroll, deBeforeScroll, [](F_& F) { F.ds->Next(); }},
    {"TDataSet::AfterScroll", "", &TDataSet::AfterScroll, deAfterScroll, [](F_& F) { F.ds->Next(); }},
    {"TDataSet::AfterScroll", "ByLast", &TDataSet::AfterScroll, deAfterScroll, [](F_& F) { F.ds->Last(); }},
    {"TDataSet::AfterScroll", "ByRecNo", &TDataSet::AfterScroll, deAfterScroll, [](F_& F) { F.ds->SetRecNo(3); }},
    {"TDataSet::BeforeRefresh", "", &TDataSet::BeforeRefresh, deBeforeRefresh, [](F_& F) { F.ds->Refresh(); }},
    {"TDataSet::AfterRefresh", "", &TDataSet::AfterRefresh, deAfterRefresh, [](F_& F) { F.ds->Refresh(); }},
    // events the data set raises for what it holds or uses
    {"TField::OnChange", "", nullptr, deAfterPost, [](F_& F) { F.ds->FieldByName("V")->OnChange = F.FreeDs(); F.EditV(); }},
    {"TField::OnValidate", "", nullptr, deAfterPost, [](F_& F) { F.ds->FieldByName("V")->OnValidate = F.FreeDs(); F.EditV(); }},
    {"TField::OnSetText", "", nullptr, deAfterPost, [](F_& F) { F.ds->FieldByName("V")->OnSetText = F.FreeDs(); F.ds->Edit(); F.ds->FieldByName("V")->SetText("z"); }},
    {"TFBCustomDataSet::OnFieldChange", "", nullptr, deAfterPost, [](F_& F) { F.ds->OnFieldChange = F.FreeDs(); F.EditV(); }},
    {"TFBCustomDataSet::BeforeFetchRecord", "", nullptr, deAfterPost, [](F_& F) { F.ds->BeforeFetchRecord = F.FreeDs(); F.Reopen(); }},
    {"TFBCustomDataSet::AfterFetchRecord", "", nullptr, deAfterPost, [](F_& F) { F.ds->AfterFetchRecord = F.FreeDs(); F.Reopen(); }},
    {"TFBCustomDataSet::OnGetRecordError", "", nullptr, deAfterPost, [](F_& F) {
         F.ds->Close();
         F.ds->SelectSQL()->SetText("select K, V, cast(case when K = 3 then 'x' else '1' end as integer) as D from LT order by K");
         F.ds->OnGetRecordError = F.FreeDs();
         F.ds->Open();
         while (F.ds && !F.ds->Eof()) F.ds->Next();
     }, "conversion"},
    {"TFBCustomDataSet::OnDisableControls", "", nullptr, deAfterPost, [](F_& F) { F.ds->OnDisableControls = F.FreeDs(); F.ds->DisableControls(); F.ds->Next(); }},
    {"TFBCustomDataSet::OnEnableControls", "", nullptr, deAfterPost, [](F_& F) { F.ds->DisableControls(); F.ds->Next(); F.ds->OnEnableControls = F.FreeDs(); F.ds->EnableControls(); }},
    {"TFBCustomDataSet::BeforeStartTransaction", "", nullptr, deAfterPost, [](F_& F) { F.ds->BeforeStartTransaction = F.FreeDs(); F.Tr->Commit(); F.Tr->StartTransaction(); }},
    {"TFBCustomDataSet::AfterStartTransaction", "", nullptr, deAfterPost, [](F_& F) { F.ds->AfterStartTransaction = F.FreeDs(); F.Tr->Commit(); F.Tr->StartTransaction(); }},
    {"TFBCustomDataSet::BeforeStartUpdateTransaction", "", nullptr, deAfterPost, [](F_& F) { F.ds->BeforeStartUpdateTransaction = F.FreeDs(); F.Tr->Commit(); F.Tr->StartTransaction(); }},
    {"TFBCustomDataSet::AfterStartUpdateTransaction", "", nullptr, deAfterPost, [](F_& F) { F.ds->AfterStartUpdateTransaction = F.FreeDs(); F.Tr->Commit(); F.Tr->StartTransaction(); }},
    {"TFBCustomDataSet::BeforeEndTransaction", "", nullptr, deAfterPost, [](F_& F) { F.ds->BeforeEndTransaction = F.FreeDs(); F.Tr->Commit(); }},
    {"TFBCustomDataSet::AfterEndTransaction", "", nullptr, deAfterPost, [](F_& F) { F.ds->AfterEndTransaction = F.FreeDs(); F.Tr->Commit(); }},
    {"TFBCustomDataSet::BeforeEndUpdateTransaction", "", nullptr, deAfterPost, [](F_& F) { F.ds->BeforeEndUpdateTransaction = F.FreeDs(); F.Tr->Commit(); }},
    {"TFBCustomDataSet::AfterEndUpdateTransaction", "", nullptr, deAfterPost, [](F_& F) { F.ds->AfterEndUpdateTransaction = F.FreeDs(); F.Tr->Commit(); }},
    {"TFBCustomDataSet::TransactionEnding", "", nullptr, deAfterPost, [](F_& F) { F.ds->TransactionEnding = F.FreeDs(); F.Tr->Commit(); }},
    {"TFBCustomDataSet::TransactionEnded", "", nullptr, deAfterPost, [](F_& F) { F.ds->TransactionEnded = F.FreeDs(); F.Tr->Commit(); }},
    {"TFBCustomDataSet::TransactionFree", "", nullptr, deAfterPost, [](F_& F) { F.ds->TransactionFree = F.FreeDs(); delete std::exchange(F.Tr, nullptr); }},
    {"TFBCustomDataSet::DatabaseDisconnecting", "", nullptr, deAfterPost, [](F_& F) { F.ds->DatabaseDisconnecting = F.FreeDs(); F.Db->Close(); }},
    {"TFBCustomDataSet::DatabaseDisconnected", "", nullptr, deAfterPost, [](F_& F) { F.ds->DatabaseDisconnected = F.FreeDs(); F.Db->Close(); }},
    {"TFBCustomDataSet::DatabaseFree", "", nullptr, deAfterPost, [](F_& F) { F.ds->DatabaseFree = F.FreeDs(); F.Tr = nullptr; delete std::exchange(F.Db, nullptr); }},
    {"TFBCustomDataSet::OnUpdateRecord", "", nullptr, deAfterPost, [](F_& F) { F.Cached(); F.ds->OnUpdateRecord = F.FreeDs(); F.EditV(); F.ds->Post(); }},
    {"TFBCustomDataSet::OnUpdateError", "", nullptr, deAfterPost, [](F_& F) { F.Cached(); F.BadUpdate(); F.ds->OnUpdateError = F.FreeDs(); F.EditV(); F.ds->Post(); }, "NOSUCH"},
    {"TpFBDataSet::OnPostError", "", nullptr, deAfterPost, [](F_& F) { F.ds->OnPostError = F.FreeDs(); F.DuplicateKey(); }, "PRIMARY"},
    {"TpFBDataSet::OnDeleteError", "", nullptr, deAfterPost, [](F_& F) { F.ds->OnDeleteError = F.FreeDs(); F.ReferToFirst(); F.ds->Delete(); }, "FOREIGN"},
    {"TpFBDataSet::OnLockError", "", nullptr, deAfterPost, [](F_& F) { F.LockFails(F.FreeDs()); }, "does not exist"},
    // a retry on a transaction the handler freed stops; on a freed data set it ends quietly
    {"TpFBDataSet::OnPostError", "TheTransactionRetry", nullptr, deAfterPost, [](F_& F) { F.ds->OnPostError = F.Answering(F.FreeTr(), daRetry); F.DuplicateKey(); }, kNotRunAgain},
    {"TpFBDataSet::OnDeleteError", "TheTransactionRetry", nullptr, deAfterPost, [](F_& F) { F.ds->OnDeleteError = F.Answering(F.FreeTr(), daRetry); F.ReferToFirst(); F.ds->Delete(); }, kNotRunAgain},
    {"TFBCustomDataSet::OnUpdateError", "TheTransactionRetry", nullptr, deAfterPost, [](F_& F) { F.Cached(); F.BadUpdate(); F.ds->OnUpdateError = F.Answering(F.FreeTr(), uaRetry); F.EditV(); F.ds->Post(); }, kNotRunAgain},
    {"TpFBDataSet::OnLockError", "TheTransactionRetry", nullptr, deAfterPost, [](F_& F) { F.LockFails(F.Answering(F.FreeTr(), daRetry)); }, kNotRunAgain},
    {"TpFBDataSet::OnLockError", "Retry", nullptr, deAfterPost, [](F_& F) { F.LockFails(F.Answering(F.FreeDs(), daRetry)); }},
    {"TpFBDataSet::OnApplyDefaultValue", "", nullptr, deAfterPost, [](F_& F) { F.ds->SetDefaultExpression("V", "'d'"); F.ds->OnApplyDefaultValue = F.FreeDs(); F.ds->Append(); }},
    {"TpFBDataSet::OnAskRecordCount", "", nullptr, deAfterPost, [](F_& F) { F.ds->SetPrepareOptions(F.ds->PrepareOptions() + TpPrepareOptions{psAskRecordCount}); F.ds->OnAskRecordCount = F.FreeDs(); F.Reopen(); }},
    {"TpFBDataSet::OnUserEvent", "", nullptr, deAfterPost, [](F_& F) { F.Contain(); F.ds->OnUserEvent = F.FreeDs(); F.container->NotifyDataSets(nullptr, "", "PING", Variant()); }},
    // the container's own events
    {"TDataSetsContainer::OnUserEvent", "", nullptr, deAfterPost, [](F_& F) { F.Contain(); F.container->OnUserEvent = F.FreeDs(); F.container->NotifyDataSets(nullptr, "", "PING", Variant()); }},
    {"TDataSetsContainer::OnApplyDefaultValue", "", nullptr, deAfterPost, [](F_& F) { F.Contain(); F.ds->SetDefaultExpression("V", "'d'"); F.container->OnApplyDefaultValue = F.FreeDs(); F.ds->Append(); }},
    {"TDataSetsContainer::OnDataSetError", "", nullptr, deAfterPost, [](F_& F) { F.Contain(); F.container->OnDataSetError = F.FreeDs(); F.DuplicateKey(); }, "PRIMARY"},
    {"TFBCustomDataSet::OnEndScroll", "", nullptr, deAfterPost, [](F_& F) { F.ds->SetWaitEndMasterInterval(100); F.ds->SetOnEndScroll(F.FreeDs()); F.ds->Next(); F.clock.Advance(100); }},
    // the data set's transaction freed by its events
    {"TFBCustomDataSet::TransactionEnding", "TheTransaction", nullptr, deAfterPost, [](F_& F) { F.ds->TransactionEnding = F.FreeTr(); F.Tr->Commit(); }, "freed during its commit"},
    {"TFBCustomDataSet::TransactionEnding", "TheTransactionRollback", nullptr, deAfterPost, [](F_& F) { F.ds->TransactionEnding = F.FreeTr(); F.Tr->Rollback(); }},
    {"TFBCustomDataSet::TransactionEnded", "TheTransaction", nullptr, deAfterPost, [](F_& F) { F.ds->TransactionEnded = F.FreeTr(); F.Tr->Commit(); }},
    {"TFBCustomDataSet::BeforeEndTransaction", "TheTransaction", nullptr, deAfterPost, [](F_& F) { F.ds->BeforeEndTransaction = F.FreeTr(); F.Tr->Commit(); }, "freed during its commit"},
    {"TFBCustomDataSet::AfterEndTransaction", "TheTransaction", nullptr, deAfterPost, [](F_& F) { F.ds->AfterEndTransaction = F.FreeTr(); F.Tr->Commit(); }},
    {"TFBCustomDataSet::AfterStartTransaction", "TheTransaction", nullptr, deAfterPost, [](F_& F) { F.ds->AfterStartTransaction = F.FreeTr(); F.Tr->Commit(); F.Tr->StartTransaction(); }},
    {"TDataSet::BeforePost", "TheTransaction", nullptr, deAfterPost, [](F_& F) { F.ds->BeforePost = F.FreeTr(); F.EditV(); F.ds->Post(); }, "dataset closed"},
    {"TDataSet::AfterPost", "TheTransaction", nullptr, deAfterPost, [](F_& F) { F.ds->SetAutoCommit(true); F.ds->AfterPost = F.FreeTr(); F.EditV(); F.ds->Post(); }},
    {"TpFBUpdateObject::AfterExecute", "FreesTheDataSet", nullptr, deAfterPost, [](F_& F) { F.UpdateObject()->AfterExecute = F.FreeDs(); F.EditV(); F.ds->Post(); }},
    {"TpFBUpdateObject::AfterExecute", "FreesAnotherUpdateObject", nullptr, deAfterPost, [](F_& F) {
         TpFBUpdateObject* First = F.UpdateObject();
         static TpFBUpdateObject* Second;
         Second = F.UpdateObject();
         First->AfterExecute = [&F](TObject*) { ++F.calls; if (Second) delete std::exchange(Second, nullptr), ++F.frees; };
         F.EditV();
         F.ds->Post();
     }},
};

const char* const kPaintTime = "asked while a value is shown or a record is read into a buffer: a query, where freeing the data set is no use a program can make";
const TLeftOut kLeftOut[] = {
    {"TDataSet::OnEditError", "raised when setting up a record for editing fails with a database error, which these data sets never do (their checks run before, in BeforeEdit): no road"},
    {"TDataSet::OnCalcFields", kPaintTime},
    {"TField::OnGetText", kPaintTime},
    {"TDataSet::OnFilterRecord", "a filter asked for each record read: a question, where freeing the data set is no use a program can make"},
    {"TFBCustomDataSet::OnCompareFieldValues", "a comparer asked inside a sort or a search: freeing the data set there is no use a program can make"},
    {"TDataSet::OnPostError", "taken by TpFBDataSet, which hands the error to its container and its own OnPostError (those rows)"},
    {"TDataSet::OnDeleteError", "taken by TpFBDataSet, which hands the error to its container and its own OnDeleteError (those rows)"},
    {"TDataSetsContainer::OnDataSetEvent", "every row with a data set event runs again heard by it (the _Container rows)"},
    {"TScreenCursorHooks::Get", "the program's seam to the screen cursor, set once at start: no object's event"},
    {"TScreenCursorHooks::Set", "the program's seam to the screen cursor, set once at start: no object's event"},
};

TEST_P(DataSetLifetimes, RaisingCallLeavesTheFreedSenderAlone) {
    const auto& [C, ByContainer] = GetParam();
    TScribbledFrees scribble;
    Hear(C, ByContainer);
    try {
        C.Road(*this);
    } catch (const EAbort&) {
        EXPECT_EQ(ds, nullptr) << "only a call whose data set went ends quietly";
    } catch (const Exception& E) {
        EXPECT_TRUE(C.Reports && E.Message().find(C.Reports) != AnsiString::npos) << E.Message();
    }
    EXPECT_EQ(frees, 1) << "the event never came";
    EXPECT_EQ(calls, 1) << "the handler was called again";
    EXPECT_EQ(scribble.Release(), 0) << "freed memory written";
}

// Each row by the data set's handler, and by the container's where it hears the event too.
std::vector<std::tuple<TLifeCase, bool>> Params() {
    std::vector<std::tuple<TLifeCase, bool>> R;
    for (const TLifeCase& C : kCases) {
        R.emplace_back(C, false);
        if (C.Member) R.emplace_back(C, true);
    }
    return R;
}

INSTANTIATE_TEST_SUITE_P(Events, DataSetLifetimes, ::testing::ValuesIn(Params()),
                         [](const auto& I) {
                             const TLifeCase& C = std::get<0>(I.param);
                             std::string name = std::string(C.Event) + C.Variant + (std::get<1>(I.param) ? "_Container" : "");
                             std::erase(name, ':');
                             return name;
                         });

TEST(DataSetLifetimesTable, EveryEventHasARowOrAReason) {
    const std::set<std::string> events =
        SourceEvents({"src/datasets"}, {"src/platform/data/DB.h", "src/platform/data/Provider.h"});
    std::set<std::string> covered;
    for (const TLifeCase& C : kCases) covered.insert(C.Event);
    for (const TLeftOut& L : kLeftOut) EXPECT_TRUE(covered.insert(L.Event).second) << L.Event << ": a row and a reason";
    // The update objects' events are the statements' (tests/dbclient); these rows free the data set.
    covered.erase("TpFBUpdateObject::AfterExecute");
    for (const std::string& E : events) EXPECT_TRUE(covered.count(E)) << E << ": no row and no reason";
    for (const std::string& E : covered) EXPECT_TRUE(events.count(E)) << E << ": no such event";
}

}  // namespace
