// Every event of the connection, transactions and statements with a handler
// that frees its sender: the call that raised it returns without touching the
// freed object. A new event joins the table with one line.
#include <gtest/gtest.h>

#include "dbclient/pFBDatabase.h"
#include "dbclient/pFBQuery.h"
#include "dbclient/pFBTransaction.h"
#include "platform/sys/Timers.h"
#include "support/Scribble.h"
#include "support/db/TestDatabase.h"

namespace {

class DbClientLifetimes;
struct TLifeCase {
    const char* Name;
    void (*Run)(DbClientLifetimes& F);
};

class DbClientLifetimes : public TDatabaseSuite, public ::testing::WithParamInterface<TLifeCase> {
public:
    void SetUp() override {
        owner = std::make_unique<TComponent>(nullptr);
        db = new TpFBDatabase(owner.get());
        db->SetName("DB");
        db->SetDBName(DB1().Path());
        db->SetSynchronizeTime(false);
        TTestDatabase::AddLogin(db->DBParams());
        db->Open();
        tr = new TpFBTransaction(owner.get());
        tr->SetName("TR");
        tr->SetDefaultDatabase(db);
    }
    // A handler of any signature that frees the transaction or the database.
    auto FreeTr() { return [this](auto&&...) { Free(tr); }; }
    auto FreeDb() { return [this](auto&&...) { Free(db); }; }
    auto FreeQ() { return [this](auto&&...) { Free(q); }; }
    // A statement on the transaction; Sql may fail on purpose.
    void NewQuery(const char* Sql = "select ABONENO from EABONEKIMLIK") {
        q = new TpFBQuery(owner.get());
        q->SetDatabase(db);
        q->SetTransaction(tr);
        q->SQL()->SetText(Sql);
    }
    void Started() { tr->StartTransaction(); }
    // The idle clock of the connection and the transaction.
    void Idle(Integer Ms) {
        for (int i = 0; i < 3; ++i) clock.Advance(Ms);
    }
    TManualTimerService clock;
    TTimerServiceGuard clockGuard{&clock};
    // Once only: the destructor may raise the same event again.
    template <typename T> void Free(T*& Object) {
        if (!Object) return;
        delete std::exchange(Object, nullptr);
        ++frees;
    }
    const TMethodKey key{{7}, nullptr};
    std::unique_ptr<TComponent> owner;
    TpFBDatabase* db = nullptr;
    TpFBTransaction* tr = nullptr;
    TpFBQuery* q = nullptr;
    int frees = 0;
};

const TLifeCase kCases[] = {
    {"TransactionAfterEndList", [](DbClientLifetimes& F) { F.Started(); F.tr->AddEndEvent(3, F.key, F.FreeTr()); F.tr->Commit(); }},
    {"DatabaseBeforeDisconnect", [](DbClientLifetimes& F) { F.Started(); F.db->BeforeDisconnect = F.FreeDb(); F.db->Close(); }},
};

TEST_P(DbClientLifetimes, RaisingCallLeavesTheFreedSenderAlone) {
    TScribbledFrees scribble;
    EXPECT_NO_THROW(GetParam().Run(*this));
    EXPECT_EQ(frees, 1) << "the event never came";
    EXPECT_EQ(scribble.Release(), 0) << "freed memory written";
}

INSTANTIATE_TEST_SUITE_P(Events, DbClientLifetimes, ::testing::ValuesIn(kCases),
                         [](const auto& I) { return std::string(I.param.Name); });

}  // namespace
