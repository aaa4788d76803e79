#include "dbclient/FBLists.h"

#include <gtest/gtest.h>

namespace {

class TListener : public TComponent {
public:
    using TComponent::TComponent;
    void A(TObject*) { Log += "A"; }
    void B(TObject*) { Log += "B"; }
    AnsiString Log;
};

TEST(FBLists, SameHandlerIsListedOnce) {
    TNotifyEventList list;
    TListener l1(nullptr), l2(nullptr);
    EXPECT_EQ(list.Add(&l1, &TListener::A), 0);
    EXPECT_EQ(list.Add(&l1, &TListener::B), 1);
    EXPECT_EQ(list.Add(&l1, &TListener::A), 0);
    EXPECT_EQ(list.Add(&l2, &TListener::A), 2);   // same routine, other object
    EXPECT_EQ(list.Count(), 3);
    for (Integer i = 0; i < list.Count(); ++i) list.GetItem(i)(nullptr);
    EXPECT_EQ(l1.Log, "AB");
    EXPECT_EQ(l2.Log, "A");
    list.Remove(&l1, &TListener::A);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.IndexOf(MethodKey(&l1, &TListener::A)), -1);
    list.Remove(&l1, &TListener::A);   // nothing left to remove
    EXPECT_EQ(list.Count(), 2);
    EXPECT_FALSE(list.GetItem(5));
    EXPECT_FALSE(list.GetItem(-1));
    EXPECT_EQ(list.GetKey(9), TMethodKey());
}

TEST(FBLists, ComponentGoingAwayTakesItsHandlers) {
    TNotifyEventList list;
    auto* gone = new TListener(nullptr);
    TListener stays(nullptr);
    list.Add(gone, &TListener::A);
    list.Add(&stays, &TListener::A);
    list.Add(gone, &TListener::B);
    delete gone;
    ASSERT_EQ(list.Count(), 1);
    list.GetItem(0)(nullptr);
    EXPECT_EQ(stays.Log, "A");
}

TEST(FBLists, ListGoingAwayFirstIsSafe) {
    TListener l(nullptr);
    {
        TNotifyEventList list;
        list.Add(&l, &TListener::A);
    }
    SUCCEED();
}

TEST(FBLists, PlainHandlersByKey) {
    TCallBackListOf<void(int)> list;
    int sum = 0;
    TMethodKey k1{{1}, nullptr}, k2{{2}, nullptr};
    list.Add(k1, [&sum](int v) { sum += v; });
    list.Add(k2, [&sum](int v) { sum += 10 * v; });
    list.Add(k1, [&sum](int v) { sum += 100 * v; });   // already there: not replaced
    for (Integer i = 0; i < list.Count(); ++i) list.GetItem(i)(1);
    EXPECT_EQ(sum, 11);
}

void First(void*& Buffer, Integer& Size) { Size = 1; }
void Second(void*& Buffer, Integer& Size) { Size = 2; }

TEST(FBLists, BlobFiltersSortedOnLookUp) {
    TIBBlobFilters f;
    f.Add(-3, &First, nullptr);
    f.Add(-9, nullptr, &Second);
    f.Add(-3, &Second, &Second);   // a later one of the same subtype
    Integer i = -1;
    EXPECT_TRUE(f.Find(-9, i));
    EXPECT_EQ(i, 0);
    EXPECT_TRUE(f.Find(-3, i));
    EXPECT_EQ(i, 1);
    EXPECT_FALSE(f.Find(-4, i));
    EXPECT_EQ(f.GetFilter(-3, true), &First);   // the first added wins
    EXPECT_EQ(f.GetFilter(-3, false), nullptr);
    EXPECT_EQ(f.GetFilter(-9, true), nullptr);
    EXPECT_EQ(f.GetFilter(-9, false), &Second);
    EXPECT_EQ(f.GetFilter(7, false), nullptr);
}

}  // namespace
