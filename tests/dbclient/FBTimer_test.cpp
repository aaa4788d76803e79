#include "dbclient/StdFuncs.h"
#include "platform/Raised.h"

#include "platform/sys/Timers.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class FBTimerTest : public ::testing::Test {
protected:
    TManualTimerService Clock;
    TTimerServiceGuard Guard{&Clock};
    std::unique_ptr<TFBTimer> Timer = std::make_unique<TFBTimer>(nullptr);
    int Ticks = 0;
    TObject* LastSender = nullptr;

    TNotifyEvent Counter() {
        return [this](TObject* Sender) {
            ++Ticks;
            LastSender = Sender;
        };
    }
};

}  // namespace

TEST_F(FBTimerTest, DefaultsAndNoTicksWithoutHandler) {
    EXPECT_TRUE(Timer->Enabled());
    EXPECT_EQ(Timer->Interval(), 1000u);
    EXPECT_FALSE(Timer->OnTimer());
    EXPECT_EQ(Clock.ActiveCount(), 0);
    Clock.Advance(5000);
    EXPECT_EQ(Ticks, 0);
}

TEST_F(FBTimerTest, HandlerArmsAndTicksEveryInterval) {
    Timer->SetOnTimer(Counter());
    EXPECT_EQ(Clock.ActiveCount(), 1);
    Clock.Advance(999);
    EXPECT_EQ(Ticks, 0);
    Clock.Advance(1);
    EXPECT_EQ(Ticks, 1);
    EXPECT_EQ(LastSender, Timer.get());
    Clock.Advance(3000);
    EXPECT_EQ(Ticks, 4);
}

TEST_F(FBTimerTest, ZeroIntervalOrDisabledStops) {
    Timer->SetOnTimer(Counter());
    Timer->SetInterval(0);
    EXPECT_EQ(Clock.ActiveCount(), 0);
    Clock.Advance(5000);
    EXPECT_EQ(Ticks, 0);
    Timer->SetInterval(300);
    Clock.Advance(300);
    EXPECT_EQ(Ticks, 1);

    Timer->SetEnabled(false);
    EXPECT_EQ(Clock.ActiveCount(), 0);
    Clock.Advance(3000);
    EXPECT_EQ(Ticks, 1);
    Timer->SetEnabled(true);
    Clock.Advance(300);
    EXPECT_EQ(Ticks, 2);

    Timer->SetOnTimer(nullptr);
    EXPECT_EQ(Clock.ActiveCount(), 0);
}

TEST_F(FBTimerTest, OnlyRealChangesRestartTheInterval) {
    Timer->SetOnTimer(Counter());
    Clock.Advance(600);
    Timer->SetEnabled(true);      // unchanged: keeps running
    Timer->SetInterval(1000);     // unchanged
    Clock.Advance(400);
    EXPECT_EQ(Ticks, 1);

    Clock.Advance(600);
    Timer->SetOnTimer(Counter()); // always re-arms from zero
    Clock.Advance(400);
    EXPECT_EQ(Ticks, 1);
    Clock.Advance(600);
    EXPECT_EQ(Ticks, 2);

    Clock.Advance(500);
    Timer->SetInterval(800);      // a change re-arms with the new interval
    Clock.Advance(500);
    EXPECT_EQ(Ticks, 2);
    Clock.Advance(300);
    EXPECT_EQ(Ticks, 3);
}

TEST_F(FBTimerTest, RefusedTimerRaisesAndKeepsValue) {
    Clock.SetRefuse(true);
    EXPECT_EQ(MessageOf<EOutOfResources>([&] { Timer->SetOnTimer(Counter()); }),
              "Not enough timers available") << "no error";
    EXPECT_TRUE(static_cast<bool>(Timer->OnTimer()));
    Clock.SetRefuse(false);
    Clock.Advance(5000);
    EXPECT_EQ(Ticks, 0);

    Clock.SetRefuse(true);
    EXPECT_THROW(Timer->SetInterval(50), EOutOfResources);
    EXPECT_EQ(Timer->Interval(), 50u);
    Clock.SetRefuse(false);
    Timer->SetEnabled(false);
    Timer->SetEnabled(true);
    Clock.Advance(50);
    EXPECT_EQ(Ticks, 1);
}

TEST_F(FBTimerTest, DestroyingStopsAndHandlerMayStopTheTimer) {
    Timer->SetOnTimer(Counter());
    Timer.reset();
    EXPECT_EQ(Clock.ActiveCount(), 0);
    Clock.Advance(5000);
    EXPECT_EQ(Ticks, 0);

    // A one-shot use: the handler disables its own timer.
    TFBTimer owned(nullptr);
    owned.SetInterval(300);
    owned.SetOnTimer([&](TObject* Sender) {
        ++Ticks;
        static_cast<TFBTimer*>(Sender)->SetEnabled(false);
    });
    Clock.Advance(2000);
    EXPECT_EQ(Ticks, 1);
    EXPECT_EQ(Clock.ActiveCount(), 0);
}

TEST_F(FBTimerTest, OwnerFreesTheTimer) {
    auto owner = std::make_unique<TComponent>(nullptr);
    auto* t = new TFBTimer(owner.get());
    t->SetOnTimer(Counter());
    EXPECT_EQ(Clock.ActiveCount(), 1);
    owner.reset();
    EXPECT_EQ(Clock.ActiveCount(), 0);
}

// The handler object must outlive its own call even when the handler frees
// the timer or replaces itself: a capture destroyed mid-call is a dangling read.
TEST_F(FBTimerTest, HandlerSurvivesFreeingItsTimer) {
    auto token = std::make_shared<int>(7);
    std::weak_ptr<int> watch = token;
    bool aliveAfterFree = false;
    auto* t = new TFBTimer(nullptr);
    t->SetInterval(100);
    t->SetOnTimer([&, token = std::move(token)](TObject* Sender) {
        ++Ticks;
        delete static_cast<TFBTimer*>(Sender);
        aliveAfterFree = !watch.expired() && *token == 7;
    });
    Clock.Advance(1000);
    EXPECT_EQ(Ticks, 1);
    EXPECT_TRUE(aliveAfterFree);
    EXPECT_EQ(Clock.ActiveCount(), 0);
    EXPECT_TRUE(watch.expired());   // released once the call is over
}

TEST_F(FBTimerTest, HandlerMayReplaceItselfOrChangeTheInterval) {
    auto token = std::make_shared<int>(1);
    std::weak_ptr<int> watch = token;
    bool aliveAfterReplace = false;
    int second = 0;
    Timer->SetInterval(100);
    Timer->SetOnTimer([&, token = std::move(token)](TObject*) {
        ++Ticks;
        Timer->SetOnTimer([&](TObject*) { ++second; });
        aliveAfterReplace = !watch.expired() && *token == 1;
        Timer->SetInterval(250);
    });
    Clock.Advance(100);
    EXPECT_EQ(Ticks, 1);
    EXPECT_TRUE(aliveAfterReplace);
    // The new interval counts from the change made inside the tick.
    Clock.Advance(249);
    EXPECT_EQ(second, 0);
    Clock.Advance(1);
    EXPECT_EQ(second, 1);
    Clock.Advance(500);
    EXPECT_EQ(second, 3);
    EXPECT_EQ(Ticks, 1);
    EXPECT_EQ(Clock.ActiveCount(), 1);
}

TEST_F(FBTimerTest, HandlerExceptionLeavesTheTimerRunning) {
    Timer->SetInterval(100);
    Timer->SetOnTimer([&](TObject*) {
        if (++Ticks == 1) throw Exception("boom");
    });
    EXPECT_THROW(Clock.Advance(100), Exception);
    Clock.Advance(100);
    EXPECT_EQ(Ticks, 2);
    EXPECT_EQ(Clock.ActiveCount(), 1);
}
