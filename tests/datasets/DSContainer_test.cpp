#include "datasets/DSContainer.h"
#include "platform/Raised.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

// A data set that takes user events and writes down what it got.
class TReceivingDataSet : public TDataSet, public IUserEventReceiver {
public:
    TReceivingDataSet(TComponent* AOwner, const AnsiString& AName, Log* ALog) : TDataSet(AOwner), FLog(ALog) {
        SetName(AName);
    }
    TStringList* ReceiveEvents() const override { return &FReceiveEvents; }
    void DoUserEvent(TObject* Sender, const AnsiString& EventName, const Variant& Info) override {
        FLog->push_back(Name() + ":" + EventName);
        FLastSender = Sender;
        FLastInfo = Info;
        if (OnEvent) OnEvent();
    }
    mutable TStringList FReceiveEvents;
    Log* FLog;
    TObject* FLastSender = nullptr;
    Variant FLastInfo;
    std::function<void()> OnEvent;
};

// Containers A <- B (B's master is A) with one data set bound to B.
struct Chain {
    Log L;
    TDataSetsContainer A{nullptr}, B{nullptr};
    TDataSet DataSet{nullptr};
    Chain() {
        B.SetMasterContainer(&A);
        B.AddDataSet(&DataSet);
        for (auto [c, n] : {std::pair{&A, std::string("A")}, std::pair{&B, std::string("B")}}) {
            c->OnDataSetEvent = [=, this](TDataSet*, TKindDataSetEvent K) { L.push_back(n + ":ev" + std::to_string(K)); };
            c->OnApplyDefaultValue = [=, this](TDataSet*, TField*, bool& H) {
                L.push_back(n + ":def" + std::to_string(H));
                H = true;
            };
            c->OnDataSetError = [=, this](TDataSet*, TKindDataSetError K, EDatabaseError& E, TDataAction& A) {
                L.push_back(n + ":err" + std::to_string(K) + E.Message() + std::to_string(A));
                A = daAbort;
            };
            c->OnUserEvent = [=, this](TObject*, TDataSet*, const AnsiString& N, const Variant&) { L.push_back(n + ":" + N); };
        }
    }
};

TEST(DSContainer, Defaults) {
    TDataSetsContainer c(nullptr);
    EXPECT_TRUE(c.Active());
    EXPECT_EQ(c.MasterContainer(), nullptr);
    EXPECT_THROW(c.DataSets(0), EListError);
}

TEST(DSContainer, EventsReachTheMasterFirst) {
    Chain ch;
    ch.B.DataSetEvent(&ch.DataSet, deAfterPost);
    bool handled = false;
    ch.B.ApplyDefaultValue(&ch.DataSet, nullptr, handled);   // the descendant sees the master's answer
    EDatabaseError e("dup");
    TDataAction action = daFail;
    ch.B.DataSetError(&ch.DataSet, deOnPostError, e, action);
    ch.B.UserEvent(nullptr, &ch.DataSet, "REFRESH", Variant());
    EXPECT_EQ(ch.L, (Log{"A:ev9", "B:ev9", "A:def0", "B:def1", "A:err1dup0", "B:err1dup1", "A:REFRESH", "B:REFRESH"}));
    EXPECT_TRUE(handled);
    EXPECT_EQ(action, daAbort);
}

TEST(DSContainer, AnInactiveContainerStillForwardsToItsMaster) {
    Chain ch;
    ch.B.SetActive(false);
    ch.B.DataSetEvent(&ch.DataSet, deBeforeOpen);
    ch.B.SetActive(true);
    ch.A.SetActive(false);
    ch.B.DataSetEvent(&ch.DataSet, deAfterOpen);
    EXPECT_EQ(ch.L, (Log{"A:ev0", "B:ev1"}));
}

TEST(DSContainer, CircularLinksAreRefusedAndChangeNothing) {
    TDataSetsContainer a(nullptr), b(nullptr), c(nullptr), d(nullptr);
    b.SetMasterContainer(&a);
    c.SetMasterContainer(&b);
    for (TDataSetsContainer* master : {&a, &b, &c}) {
        EXPECT_EQ(MessageOf([&] { a.SetMasterContainer(master); }),
                  "Circular link is not allowed.") << "circular link accepted";
        EXPECT_EQ(a.MasterContainer(), nullptr);
    }
    c.SetMasterContainer(&d);
    EXPECT_THROW(d.SetMasterContainer(&c), Exception);
    EXPECT_EQ(c.MasterContainer(), &d);
}

TEST(DSContainer, BoundDataSetsFollowTheMasterChain) {
    TDataSetsContainer a(nullptr), a2(nullptr), b(nullptr);
    TDataSet d1(nullptr), d2(nullptr);
    b.AddDataSet(&d1);
    b.AddDataSet(&d1);
    b.AddDataSet(nullptr);
    EXPECT_EQ(b.DataSetCount(), 1);
    b.SetMasterContainer(&a);
    b.AddDataSet(&d2);
    EXPECT_TRUE(a.DataSets(0) == &d1 && a.DataSets(1) == &d2);
    b.SetMasterContainer(&a2);
    EXPECT_EQ(a.DataSetCount(), 0);
    EXPECT_EQ(a2.DataSetCount(), 2);
    b.RemoveDataSet(&d1);
    b.RemoveDataSet(&d1);
    EXPECT_FALSE(b.HasDataSet(&d1) || a2.HasDataSet(&d1));
    b.SetMasterContainer(nullptr);
    EXPECT_EQ(a2.DataSetCount(), 0);
    EXPECT_EQ(b.DataSetCount(), 1);
}

TEST(DSContainer, FreedComponentsLeaveTheLinks) {
    TDataSetsContainer a(nullptr), c(nullptr);
    auto b = std::make_unique<TDataSetsContainer>(nullptr);
    b->SetMasterContainer(&a);
    c.SetMasterContainer(b.get());
    auto d1 = std::make_unique<TDataSet>(nullptr);
    TDataSet d2(nullptr);
    c.AddDataSet(d1.get());
    c.AddDataSet(&d2);
    d1.reset();
    EXPECT_EQ(c.DataSetCount() + b->DataSetCount() + a.DataSetCount(), 3);
    // The middle link goes: c loses its master and a no longer reaches c's data sets.
    b.reset();
    EXPECT_EQ(c.MasterContainer(), nullptr);
    EXPECT_EQ(a.DataSetCount(), 0);

    TComponent form(nullptr);
    auto* owned = new TDataSetsContainer(&form);
    owned->SetMasterContainer(&a);
    owned->AddDataSet(new TDataSet(&form));
    form.DestroyComponents();
    EXPECT_EQ(a.DataSetCount(), 0);
}

struct NotifyFixture : ::testing::Test {
    Log L;
    TComponent Form1{nullptr}, Form2{nullptr};
    TDataSetsContainer C{nullptr};
    TReceivingDataSet *Orders, *Items, *Other;
    NotifyFixture() {
        Form1.SetName("Form1");
        Form2.SetName("Form2");
        C.AddDataSet(Orders = new TReceivingDataSet(&Form1, "Orders", &L));
        C.AddDataSet(Items = new TReceivingDataSet(&Form1, "Items", &L));
        C.AddDataSet(new TDataSet(&Form1));   // takes no user events
        C.AddDataSet(Other = new TReceivingDataSet(&Form2, "Orders", &L));
    }
    Log Notify(const AnsiString& Mask, const AnsiString& Event) {
        L.clear();
        C.NotifyDataSets(nullptr, Mask, Event, Variant());
        return L;
    }
};

TEST_F(NotifyFixture, ReceiverMaskPicksDataSetsByOwnerAndName) {
    EXPECT_EQ(Notify("", "GO"), (Log{"Orders:GO", "Items:GO", "Orders:GO"}));
    EXPECT_EQ(Notify("Form1.*", "GO"), (Log{"Orders:GO", "Items:GO"}));
    EXPECT_EQ(Notify("form2.*", "GO"), (Log{"Orders:GO"}));
    EXPECT_EQ(Notify("*.ORDERS", "GO"), (Log{"Orders:GO", "Orders:GO"}));
    EXPECT_EQ(Notify("FORM1.ITEMS", "GO"), (Log{"Items:GO"}));
    EXPECT_EQ(Notify("form1.items", "GO"), (Log{"Items:GO"}));
    EXPECT_EQ(Notify("FORM3.*", "GO"), Log{});
    TObject sender;
    C.NotifyDataSets(&sender, "FORM1.ORDERS", "X", Variant(42));
    EXPECT_TRUE(Orders->FLastSender == &sender && Orders->FLastInfo.AsInteger() == 42);
}

TEST_F(NotifyFixture, ReceiveEventsFilterByName) {
    Orders->FReceiveEvents.Add("REFRESH*");
    Items->FReceiveEvents.SetText("SAVE\r\nLOAD");
    EXPECT_EQ(Notify("Form1.*", "REFRESHALL"), (Log{"Orders:REFRESHALL"}));
    EXPECT_EQ(Notify("Form1.*", "REFRESH"), (Log{"Orders:REFRESH"}));
    EXPECT_EQ(Notify("Form1.*", "OPEN"), Log{});
    EXPECT_EQ(Notify("Form1.*", "load"), (Log{"Items:load"}));
    EXPECT_EQ(Notify("Form2.*", "ANY"), (Log{"Orders:ANY"}));   // an empty list takes all
}

TEST_F(NotifyFixture, AReceiverMayFreeAnotherDataSet) {
    Orders->OnEvent = [this] { delete Items; };
    EXPECT_EQ(Notify("", "GO"), (Log{"Orders:GO", "Orders:GO"}));
    EXPECT_EQ(C.DataSetCount(), 3);
}

}  // namespace
