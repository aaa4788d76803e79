#include "dbclient/pFBQuery.h"
#include "platform/Raised.h"

#include <gtest/gtest.h>

#include "support/db/DbTest.h"

namespace {

// Stands in for an application data set: a component with the three lists.
class THostDataSet : public TComponent, public IUpdateObjectsHost {
public:
    using TComponent::TComponent;
    Integer AddUpdateObject(TpFBUpdateObject* UO) override { return Lists.Add(UO); }
    void RemoveUpdateObject(TpFBUpdateObject* UO) override { Lists.Remove(UO); }
    TFBDatabase* UpdateObjectsDatabase() const override { return Db; }
    TFBTransaction* UpdateObjectsTransaction() const override { return Tr; }
    TUpdateObjectLists Lists;
    TFBDatabase* Db = nullptr;
    TFBTransaction* Tr = nullptr;
};

std::vector<AnsiString> Names(const std::vector<TpFBUpdateObject*>& List) {
    std::vector<AnsiString> r;
    for (auto* uo : List) r.push_back(uo->Name() + "=" + IntToStr(uo->OrderInList()));
    return r;
}

class pFBQueryTest : public TDbTest {
public:
    static void SetUpTestSuite() {
        DB1().Execute("CREATE TABLE P (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20))");
    }

protected:
    void SetUp() override {
        ConnectAndStart(DB1(), "DB", "TR");
    }
    template <class T>
    T* New(const char* Name, const AnsiString& Sql) {
        auto* q = new T(Owner.get());
        q->SetName(Name);
        q->SetDatabase(Db);
        q->SetTransaction(Tr);
        q->SQL()->SetText(Sql);
        return q;
    }
    Integer Count(const AnsiString& Where = "1 = 1") {
        auto* q = New<TpFBQuery>("CNT", "select count(*) from P where " + Where);
        q->ExecQuery();
        const Integer n = q->Fields(0)->AsInteger();
        delete q;
        return n;
    }
};

TEST_F(pFBQueryTest, ExecuteErrorHandlerDecides) {
    auto* q = New<TpFBQuery>("INS", "insert into P (ID, NAME) values (1, 'a')");
    q->ExecQuery();
    EXPECT_EQ(q->About(), "6.1.0 Release");

    // No handler: the key violation passes on unchanged.
    EXPECT_THROW(q->ExecQuery(), EFBError);

    // daRetry runs the statement again; the handler clears the way first.
    Integer calls = 0;
    q->OnExecuteError = [&](TObject* Sender, EFBError& E, TDataAction& Action) {
        EXPECT_EQ(Sender, q);
        EXPECT_FALSE(E.Message().empty());
        EXPECT_EQ(Action, daFail) << "every call starts as daFail";
        ++calls;
        auto* del = New<TpFBQuery>("DEL", "delete from P where ID = 1");
        del->ExecQuery();
        delete del;
        Action = daRetry;
    };
    q->ExecQuery();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(Count(), 1);

    // daAbort ends silently; daFail re-raises the database error.
    q->OnExecuteError = [](TObject*, EFBError&, TDataAction& Action) { Action = daAbort; };
    EXPECT_THROW(q->ExecQuery(), EAbort);
    q->OnExecuteError = [](TObject*, EFBError&, TDataAction&) {};
    EXPECT_THROW(q->ExecQuery(), EFBError);

    // Errors that are not the database's are not the handler's business.
    calls = 0;
    q->OnExecuteError = [&](TObject*, EFBError&, TDataAction&) { ++calls; };
    q->BeforeExecute = [](TObject*) { throw Exception("before"); };
    EXPECT_THROW(q->ExecQuery(), Exception);
    EXPECT_EQ(calls, 0);
}

TEST_F(pFBQueryTest, UpdateObjectDefaultsAndDataSetCheck) {
    auto* uo = new TpFBUpdateObject(Owner.get());
    uo->SetName("UO");
    EXPECT_TRUE(uo->Active());
    EXPECT_TRUE(uo->ParamCheck());
    EXPECT_EQ(uo->KindUpdate(), ukModify);
    EXPECT_EQ(uo->ExecuteOrder(), oeBeforeDefault);

    auto* other = New<TpFBQuery>("Query1", "select 1 from rdb$database");
    EXPECT_EQ(MessageOf([&] { uo->SetDataSet(other); }), "Query1 is not TpFBDataSet") << "a query is no data set";
    EXPECT_EQ(uo->DataSet(), nullptr);

    // Joining takes the data set's connection when its own is unassigned.
    auto* ds = new THostDataSet(Owner.get());
    ds->Db = Db;
    ds->Tr = Tr;
    uo->SetDataSet(ds);
    EXPECT_EQ(uo->Database(), Db);
    EXPECT_EQ(uo->Transaction(), Tr);
    EXPECT_EQ(ds->Lists.List(ukModify).size(), 1u);

    // Kind changes move it between lists; freeing leaves the list.
    uo->SetKindUpdate(ukDelete);
    EXPECT_TRUE(ds->Lists.List(ukModify).empty());
    EXPECT_EQ(ds->Lists.List(ukDelete).size(), 1u);
    delete uo;
    EXPECT_TRUE(ds->Lists.List(ukDelete).empty());

    // The data set going clears the reference.
    auto* uo2 = new TpFBUpdateObject(Owner.get());
    uo2->SetDataSet(ds);
    delete ds;
    EXPECT_EQ(uo2->DataSet(), nullptr);
    uo2->SetKindUpdate(ukInsert);   // no dangling list
}

TEST_F(pFBQueryTest, OrderInListMovesAndRenumbers) {
    auto* ds = new THostDataSet(Owner.get());
    std::vector<TpFBUpdateObject*> uos;
    for (const char* n : {"A", "B", "C"}) {
        auto* uo = new TpFBUpdateObject(Owner.get());
        uo->SetName(n);
        uo->SetOrderInList(static_cast<Integer>(uos.size()));
        uo->SetDataSet(ds);
        uos.push_back(uo);
    }
    EXPECT_EQ(Names(ds->Lists.List(ukModify)), (std::vector<AnsiString>{"A=0", "B=1", "C=2"}));
    uos[2]->SetOrderInList(0);
    EXPECT_EQ(Names(ds->Lists.List(ukModify)), (std::vector<AnsiString>{"C=0", "A=1", "B=2"}));
    uos[2]->SetOrderInList(99);
    EXPECT_EQ(Names(ds->Lists.List(ukModify)), (std::vector<AnsiString>{"A=0", "B=1", "C=2"}));
    // A newcomer with a stale position inside the list is put there.
    auto* d = new TpFBUpdateObject(Owner.get());
    d->SetName("D");
    d->SetOrderInList(1);
    d->SetDataSet(ds);
    EXPECT_EQ(Names(ds->Lists.List(ukModify)), (std::vector<AnsiString>{"A=0", "D=1", "B=2", "C=3"}));
    d->SetDataSet(nullptr);
    EXPECT_EQ(Names(ds->Lists.List(ukModify)), (std::vector<AnsiString>{"A=0", "B=1", "C=2"}));
}

TEST_F(pFBQueryTest, ListsRunObjectsWithWorkInOrder) {
    auto* ds = new THostDataSet(Owner.get());
    ds->Db = Db;
    ds->Tr = Tr;
    struct Spec { const char* Name; const char* Sql; TFBOrderExecUO Order; bool Active; };
    const Spec specs[] = {
        {"U1", "insert into P (ID, NAME) values (:ID, 'first')", oeBeforeDefault, true},
        {"U2", "No Action\r\ninsert into P (ID, NAME) values (99, 'never')", oeBeforeDefault, true},
        {"U3", "insert into P (ID, NAME) values (98, 'inactive')", oeBeforeDefault, false},
        {"U4", "   ", oeBeforeDefault, true},
        {"U5", "update P set NAME = 'after' where ID = :ID", oeAfterDefault, true},
    };
    for (const Spec& s : specs) {
        auto* uo = new TpFBUpdateObject(Owner.get());
        uo->SetName(s.Name);
        uo->SQL()->SetText(s.Sql);
        uo->SetExecuteOrder(s.Order);
        uo->SetActive(s.Active);
        uo->SetKindUpdate(ukInsert);
        uo->SetDataSet(ds);
    }
    EXPECT_TRUE(ds->Lists.AnyActive(ukInsert));
    EXPECT_FALSE(ds->Lists.AnyActive(ukModify));
    std::vector<AnsiString> filled;
    auto fill = [&](TpFBUpdateObject* uo) {
        filled.push_back(uo->Name());
        uo->ParamByName("ID")->SetAsInteger(7);
    };
    EXPECT_TRUE(ds->Lists.Execute(ukInsert, oeBeforeDefault, fill));
    EXPECT_TRUE(ds->Lists.Execute(ukInsert, oeAfterDefault, fill));
    EXPECT_FALSE(ds->Lists.Execute(ukDelete, oeBeforeDefault, fill));
    EXPECT_EQ(filled, (std::vector<AnsiString>{"U1", "U5"}));
    EXPECT_EQ(Count(), 1);
    EXPECT_EQ(Count("ID = 7 and NAME = 'after'"), 1);
}

}  // namespace
