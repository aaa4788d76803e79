#include "platform/rtl/SyncObjs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(TCriticalSection, RecursiveAndExclusive)
{
    TCriticalSection CS;
    CS.Enter();
    CS.Acquire();   // same thread enters again
    std::atomic<bool> Other{false};
    std::thread T([&] { Other = CS.TryEnter(); if (Other) CS.Leave(); });
    T.join();
    EXPECT_FALSE(Other);
    CS.Release();
    CS.Leave();
    int Counter = 0;
    std::vector<std::thread> Ts;
    for (int I = 0; I < 4; ++I)
        Ts.emplace_back([&] {
            for (int J = 0; J < 10000; ++J) {
                CS.Enter();
                ++Counter;
                CS.Leave();
            }
        });
    for (auto& Th : Ts) Th.join();
    EXPECT_EQ(Counter, 40000);
}

TEST(TMultiReadExclusiveWriteSynchronizer, WriterReentersAndReadsReaderCannotUpgrade)
{
    TMultiReadExclusiveWriteSynchronizer S;
    S.BeginWrite();
    S.BeginWrite();
    S.BeginRead();
    S.EndRead();
    S.EndWrite();
    // Still held once: another reader must wait.
    std::atomic<bool> Read{false};
    std::thread T([&] { S.BeginRead(); Read = true; S.EndRead(); });
    TEvent Never;
    Never.WaitFor(30);
    EXPECT_FALSE(Read);
    S.EndWrite();
    T.join();
    EXPECT_TRUE(Read);

    S.BeginRead();
    S.BeginRead();   // nested read
    EXPECT_TRUE(S.BeginWrite());   // upgrade, nobody in between
    S.EndWrite();
    S.EndRead();     // the reads held before the write are still ours
    S.EndRead();
    EXPECT_TRUE(S.BeginWrite());
    S.EndWrite();
}

TEST(TMultiReadExclusiveWriteSynchronizer, UpgradeReportsAWriterInBetween)
{
    TMultiReadExclusiveWriteSynchronizer S;
    TEvent WriterWaiting, WriterDone;
    S.BeginRead();
    std::thread Other([&] {
        WriterWaiting.SetEvent();
        S.BeginWrite();
        S.EndWrite();
        WriterDone.SetEvent();
    });
    WriterWaiting.WaitFor();
    // Let the other writer queue up; our upgrade lets it in first.
    for (int I = 0; I < 1000; ++I) std::this_thread::yield();
    bool Unchanged = S.BeginWrite();
    S.EndWrite();
    S.EndRead();
    Other.join();
    // Either may get in first; the other writer has finished by now, and a
    // false answer is only possible when it did get in first.
    EXPECT_EQ(WriterDone.WaitFor(0), wrSignaled);
    (void)Unchanged;

    // Two readers upgrading at once do not dead-lock.
    std::vector<std::thread> Ts;
    for (int K = 0; K < 2; ++K)
        Ts.emplace_back([&] {
            for (int J = 0; J < 200; ++J) {
                S.BeginRead();
                S.BeginWrite();
                S.EndWrite();
                S.EndRead();
            }
        });
    for (auto& T : Ts) T.join();
}

TEST(TMultiReadExclusiveWriteSynchronizer, ConcurrentCounter)
{
    TMultiReadExclusiveWriteSynchronizer S;
    int Value = 0;
    std::atomic<int> BadReads{0};
    std::vector<std::thread> Ts;
    for (int I = 0; I < 3; ++I)
        Ts.emplace_back([&] {
            for (int J = 0; J < 2000; ++J) {
                S.BeginWrite();
                int V = Value;
                Value = V + 1;
                S.EndWrite();
            }
        });
    for (int I = 0; I < 3; ++I)
        Ts.emplace_back([&] {
            for (int J = 0; J < 2000; ++J) {
                S.BeginRead();
                int A = Value, B = Value;
                if (A != B) ++BadReads;
                S.EndRead();
            }
        });
    for (auto& T : Ts) T.join();
    EXPECT_EQ(Value, 6000);
    EXPECT_EQ(BadReads, 0);
}

TEST(TEvent, ManualAndAutoReset)
{
    TEvent Manual(true, false);
    EXPECT_EQ(Manual.WaitFor(0), wrTimeout);
    Manual.SetEvent();
    EXPECT_EQ(Manual.WaitFor(0), wrSignaled);
    EXPECT_EQ(Manual.WaitFor(0), wrSignaled);
    Manual.ResetEvent();
    EXPECT_EQ(Manual.WaitFor(1), wrTimeout);

    TEvent Auto(false, true);
    EXPECT_EQ(Auto.WaitFor(0), wrSignaled);
    EXPECT_EQ(Auto.WaitFor(0), wrTimeout);
    std::thread T([&] { Auto.SetEvent(); });
    EXPECT_EQ(Auto.WaitFor(INFINITE), wrSignaled);
    T.join();
}

class TWorker : public TThread {
public:
    explicit TWorker(bool Fail) : TThread(true), FFail(Fail) {}
    ~TWorker() override
    {
        Terminate();
        WaitFor();
    }
    TEvent Go;
    std::atomic<int> Loops{0};
protected:
    void Execute() override
    {
        if (FFail) throw Exception("worker failed");
        Go.WaitFor();
        while (!Terminated()) {
            ++Loops;
            std::this_thread::yield();
        }
        SetReturnValue(42);
    }
private:
    bool FFail;
};

TEST(TThread, StartTerminateWaitFor)
{
    TWorker W(false);
    std::atomic<int> Terminated{0};
    W.OnTerminate = [&](TObject* Sender) { EXPECT_EQ(Sender, &W); ++Terminated; };
    EXPECT_EQ(W.WaitFor(), 0);   // never started: returns at once
    W.Start();
    EXPECT_THROW(W.Start(), EThread);
    W.Go.SetEvent();
    while (W.Loops == 0) std::this_thread::yield();
    W.Terminate();
    EXPECT_EQ(W.WaitFor(), 42);
    EXPECT_TRUE(W.Finished());
    EXPECT_EQ(Terminated, 1);
    EXPECT_FALSE(W.HasFatalException());
}

TEST(TThread, ExceptionIsKept)
{
    TWorker W(true);
    W.Start();
    W.WaitFor();
    EXPECT_TRUE(W.HasFatalException());
    EXPECT_EQ(W.FatalMessage(), "worker failed");
}

class TSelfFreeing : public TThread {
public:
    explicit TSelfFreeing(std::atomic<bool>* Gone) : TThread(true), FGone(Gone) { SetFreeOnTerminate(true); }
    ~TSelfFreeing() override { *FGone = true; }
protected:
    void Execute() override {}
private:
    std::atomic<bool>* FGone;
};

TEST(TThread, FreeOnTerminate)
{
    std::atomic<bool> Gone{false};
    TEvent Done;
    auto* T = new TSelfFreeing(&Gone);
    T->OnTerminate = [&](TObject*) { Done.SetEvent(); };
    T->Start();
    ASSERT_EQ(Done.WaitFor(5000), wrSignaled);
    for (int I = 0; I < 5000 && !Gone; ++I) std::this_thread::yield();
    // The object deletes itself right after OnTerminate.
    while (!Gone) std::this_thread::yield();
    EXPECT_TRUE(Gone);
}

TEST(Interlocked, Counters)
{
    Integer N = 0;
    std::vector<std::thread> Ts;
    for (int I = 0; I < 4; ++I)
        Ts.emplace_back([&] {
            for (int J = 0; J < 10000; ++J) {
                InterlockedIncrement(N);
                InterlockedIncrement(N);
                InterlockedDecrement(N);
            }
        });
    for (auto& T : Ts) T.join();
    EXPECT_EQ(N, 40000);
    EXPECT_EQ(InterlockedDecrement(N), 39999);
    EXPECT_EQ(InterlockedExchange(N, 5), 39999);
    EXPECT_EQ(N, 5);
}


TEST(TThread, WaitForFromSeveralThreadsAndAfterTheEnd)
{
    TWorker W(false);
    W.Start();
    std::atomic<int> Waited{0};
    std::vector<std::thread> Waiters;
    for (int I = 0; I < 4; ++I)
        Waiters.emplace_back([&] {
            if (W.WaitFor() == 42) ++Waited;
        });
    W.Go.SetEvent();
    W.Terminate();
    for (auto& T : Waiters) T.join();
    EXPECT_EQ(Waited, 4);
    // Finished long ago: answers at once, as often as asked.
    EXPECT_EQ(W.WaitFor(), 42);
    EXPECT_EQ(W.WaitFor(), 42);
    EXPECT_TRUE(W.Finished());
}

}  // namespace
