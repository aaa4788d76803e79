#include "platform/sys/Timers.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <string>
#include <thread>
#include <vector>

namespace {

TEST(TManualTimerService, FiresInTimeOrderAndRearms)
{
    TManualTimerService S;
    std::vector<std::string> Log;
    auto A = S.SetTimer(300, [&] { Log.push_back("A" + std::to_string(S.Now())); });
    auto B = S.SetTimer(200, [&] { Log.push_back("B" + std::to_string(S.Now())); });
    S.SetTimer(600, [&] { Log.push_back("C" + std::to_string(S.Now())); });
    EXPECT_NE(A, B);
    S.Advance(199);
    EXPECT_TRUE(Log.empty());
    S.Advance(401);   // now 600
    // Ties: the timer set first goes first.
    EXPECT_EQ(Log, (std::vector<std::string>{"B200", "A300", "B400", "A600", "B600", "C600"}));
    EXPECT_EQ(S.Now(), 600u);
    EXPECT_EQ(S.ActiveCount(), 3);
}

TEST(TManualTimerService, CallbacksMayKillAndSet)
{
    TManualTimerService S;
    std::vector<std::string> Log;
    TTimerId Self = 0, Victim = 0, Child = 0;
    Self = S.SetTimer(100, [&] {
        Log.push_back("self");
        S.KillTimer(Self);    // kills itself while running
        S.KillTimer(Victim);  // and one due at the same moment
        Child = S.SetTimer(50, [&] { Log.push_back("child" + std::to_string(S.Now())); });
    });
    Victim = S.SetTimer(100, [&] { Log.push_back("victim"); });
    S.Advance(200);
    EXPECT_EQ(Log, (std::vector<std::string>{"self", "child150", "child200"}));
    EXPECT_FALSE(S.IsActive(Self));
    EXPECT_FALSE(S.IsActive(Victim));
    EXPECT_TRUE(S.IsActive(Child));
    S.KillTimer(Child);
    S.KillTimer(Child);   // twice, and unknown ids, are ignored
    S.KillTimer(12345);
    EXPECT_EQ(S.ActiveCount(), 0);
}

TEST(TManualTimerService, RefusalsAndZeroInterval)
{
    TManualTimerService S;
    EXPECT_EQ(S.SetTimer(0, [] {}), 0u);
    EXPECT_EQ(S.SetTimer(10, nullptr), 0u);
    S.SetRefuse(true);
    EXPECT_EQ(S.SetTimer(10, [] {}), 0u);
    S.SetRefuse(false);
    EXPECT_NE(S.SetTimer(10, [] {}), 0u);
}

TEST(TimerService, GuardInstallsAndRestores)
{
    ITimerService* Before = &TimerService();
    TManualTimerService S;
    {
        TTimerServiceGuard G(&S);
        EXPECT_EQ(&TimerService(), &S);
        int Ticks = 0;
        TimerService().SetTimer(10, [&] { ++Ticks; });
        S.Advance(35);
        EXPECT_EQ(Ticks, 3);
    }
    EXPECT_EQ(&TimerService(), Before);
}

TEST(TQtTimerService, TicksOnTheEventLoop)
{
    int Argc = 1;
    char Name[] = "test";
    char* Argv[] = {Name, nullptr};
    QCoreApplication App(Argc, Argv);
    TQtTimerService S;
    int Ticks = 0;
    TTimerId Id = 0;
    Id = S.SetTimer(1, [&] {
        if (++Ticks == 3) S.KillTimer(Id);
    });
    ASSERT_NE(Id, 0u);
    EXPECT_EQ(S.SetTimer(0, [] {}), 0u);
    QElapsedTimer Clock;
    Clock.start();
    while (S.ActiveCount() > 0 && Clock.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();   // the queued tick after a kill stays silent
    EXPECT_EQ(Ticks, 3);
    EXPECT_EQ(S.ActiveCount(), 0);
}


TEST(TManualTimerService, ClockNeverRunsBackwards)
{
    // A callback that moves the clock itself (a handler waiting in a loop).
    TManualTimerService S;
    std::vector<UInt64> Seen;
    bool Nested = false;
    S.SetTimer(100, [&] {
        Seen.push_back(S.Now());
        if (!Nested) {
            Nested = true;
            S.Advance(250);
        }
    });
    S.Advance(150);
    for (size_t I = 1; I < Seen.size(); ++I) EXPECT_LT(Seen[I - 1], Seen[I]);
    EXPECT_EQ(Seen, (std::vector<UInt64>{100, 200, 300}));
    EXPECT_EQ(S.Now(), 350u);
    S.Advance(50);
    EXPECT_EQ(Seen.back(), 400u);
}

TEST(TQtTimerService, ServiceMayGoBeforeQueuedWorkRuns)
{
    int Argc = 1;
    char Name[] = "test";
    char* Argv[] = {Name, nullptr};
    QCoreApplication App(Argc, Argv);
    auto S = std::make_unique<TQtTimerService>();
    int Ticks = 0;
    // Set from another thread: the timer is made later on this one.
    std::thread Worker([&] { S->SetTimer(1, [&] { ++Ticks; }); });
    Worker.join();
    S.reset();
    QElapsedTimer Clock;
    Clock.start();
    while (Clock.elapsed() < 30) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(Ticks, 0);
}

}  // namespace

TEST(TQtTimerService, CallbackExceptionsGoToTheHandlerNotTheEventLoop)
{
    int Argc = 1;
    char Name[] = "test";
    char* Argv[] = {Name, nullptr};
    QCoreApplication App(Argc, Argv);
    std::string Seen;
    TTimerExceptionHandler Previous = SetTimerExceptionHandler([&](std::exception_ptr Error) {
        try {
            std::rethrow_exception(Error);
        } catch (const std::exception& E) {
            Seen = E.what();
        }
    });
    TQtTimerService S;
    int Ticks = 0;
    TTimerId Id = 0;
    Id = S.SetTimer(1, [&] {
        if (++Ticks == 2) S.KillTimer(Id);
        throw std::runtime_error("tick failed");
    });
    QElapsedTimer Clock;
    Clock.start();
    while (S.ActiveCount() > 0 && Clock.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    SetTimerExceptionHandler(Previous);
    EXPECT_EQ(Ticks, 2);   // the timer went on after the first failure
    EXPECT_EQ(Seen, "tick failed");
}
