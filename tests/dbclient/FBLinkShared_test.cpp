#include "dbclient/FBLinkShared.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>

#include "dbclient/FBTransaction.h"
#include "dbclient/StdFuncs.h"
#include "platform/sys/Timers.h"

namespace {

TEST(FBLinkShared, IdleTimerIsMadeRetunedAndFreed) {
    TManualTimerService clock;
    TTimerServiceGuard guard(&clock);
    TFBTimer* timer = nullptr;
    int ticks = 0;
    SetIdleTimer(timer, 500, false, [&ticks](TObject*) { ++ticks; });
    ASSERT_NE(timer, nullptr);
    clock.Advance(500);
    EXPECT_EQ(ticks, 1);
    TFBTimer* same = timer;
    SetIdleTimer(timer, 200, false, [](TObject*) { FAIL() << "the first handler stays"; });
    EXPECT_EQ(timer, same);
    clock.Advance(200);
    EXPECT_EQ(ticks, 2);
    SetIdleTimer(timer, 0, false, nullptr);
    EXPECT_EQ(timer, nullptr);
    EXPECT_EQ(clock.ActiveCount(), 0);
}

TEST(FBLinkShared, IdleTimerStaysStillWhileDesigning) {
    TManualTimerService clock;
    TTimerServiceGuard guard(&clock);
    TFBTimer* timer = nullptr;
    SetIdleTimer(timer, 100, true, [](TObject*) {});
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(timer->Enabled());
    SetIdleTimer(timer, 0, true, nullptr);
}

TEST(FBLinkShared, IdleTickMarksFirstThenEndsAndReportsTimeout) {
    bool idle = false;
    std::string trace;
    TObject sender;
    TNotifyEvent onTimeout = [&](TObject* S) {
        EXPECT_EQ(S, &sender);
        trace += "T";
    };
    IdleTimerTick(idle, [&] { trace += "E"; }, onTimeout, &sender);
    EXPECT_TRUE(idle);
    EXPECT_EQ(trace, "");
    IdleTimerTick(idle, [&] { trace += "E"; }, onTimeout, &sender);
    EXPECT_EQ(trace, "ET");
}

TEST(FBLinkShared, FailedEndIsReportedAfterTimeoutHandler) {
    bool idle = true;
    bool heard = false;
    EXPECT_THROW(IdleTimerTick(idle, [] { throw Exception("end failed"); },
                               [&heard](TObject*) { heard = true; }, nullptr),
                 Exception);
    EXPECT_TRUE(heard);
    idle = true;
    EXPECT_THROW(IdleTimerTick(idle, [] { throw Exception("end failed"); }, nullptr, nullptr), Exception);
}

TEST(FBLinkShared, DestroyHandlersRunBackwardsPastFailures) {
    TNotifyEventList list;
    std::string trace;
    TObject keys[3];
    list.Add(TMethodKey{{}, &keys[0]}, [&](TObject*) { trace += "0"; });
    list.Add(TMethodKey{{}, &keys[1]}, [&](TObject*) { trace += "1"; throw Exception("x"); });
    list.Add(TMethodKey{{}, &keys[2]}, [&](TObject*) { trace += "2"; });
    FireDestroyHandlers(list, nullptr);
    EXPECT_EQ(trace, "210");
}

struct TLinks {
    std::vector<TFBBase*> List;
    std::map<TFBBase*, Integer> Index;
    std::vector<std::unique_ptr<TFBBase>> Own;
    explicit TLinks(int N) {
        for (int i = 0; i < N; ++i) {
            Own.push_back(std::make_unique<TFBBase>(nullptr));
            List.push_back(Own.back().get());
            Index[Own.back().get()] = i;
        }
    }
    void Remove(Integer I) {
        SwapRemoveLink(List, I, [this](TFBBase* L) -> Integer& { return Index[L]; });
    }
};

TEST(FBLinkShared, SwapRemoveMovesLastAndKeepsItsIndex) {
    TLinks links(4);
    TFBBase* last = links.List[3];
    links.Remove(1);
    ASSERT_EQ(links.List.size(), 3u);
    EXPECT_EQ(links.List[1], last);
    EXPECT_EQ(links.Index[last], 1);
    for (Integer bad : {-1, 3, 99}) links.Remove(bad);
    EXPECT_EQ(links.List.size(), 3u);
    links.Remove(2);   // the last one itself
    EXPECT_EQ(links.List.size(), 2u);
}

TEST(FBLinkShared, UnlinkAllSkipsLinksUnlinkedByAHandler) {
    TLinks links(3);
    TFBBase* first = links.List[0];
    std::vector<TFBBase*> notified, unlinked;
    UnlinkAll(
        links.List,
        [&](TFBBase* L) {
            notified.push_back(L);
            // The last link's handler drops the first one; a throw must not stop the loop.
            if (notified.size() == 1) {
                links.Remove(links.Index[first]);
                throw Exception("handler failed");
            }
        },
        [&](TFBBase* L, Integer I) {
            EXPECT_EQ(links.List[static_cast<size_t>(I)], L);
            unlinked.push_back(L);
            links.Remove(I);
        });
    EXPECT_TRUE(links.List.empty());
    EXPECT_EQ(notified.size(), 2u);
    EXPECT_EQ(unlinked.size(), 2u);
    EXPECT_EQ(std::count(unlinked.begin(), unlinked.end(), first), 0);
}

}  // namespace
