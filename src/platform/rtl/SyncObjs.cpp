#include "platform/rtl/SyncObjs.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <pthread.h>
#include <thread>

// ---------------------------------------------------------------------------
// TCriticalSection

struct TCriticalSection::TImpl {
    std::recursive_mutex Mutex;
};

TCriticalSection::TCriticalSection() : FImpl(std::make_unique<TImpl>()) {}
TCriticalSection::~TCriticalSection() = default;

void TCriticalSection::Enter()
{
    FImpl->Mutex.lock();
}

void TCriticalSection::Leave()
{
    FImpl->Mutex.unlock();
}

bool TCriticalSection::TryEnter()
{
    return FImpl->Mutex.try_lock();
}

// ---------------------------------------------------------------------------
// TMultiReadExclusiveWriteSynchronizer

struct TMultiReadExclusiveWriteSynchronizer::TImpl {
    std::mutex Mutex;
    std::condition_variable Cond;
    std::thread::id Writer;         // owner of the write lock
    Integer WriteDepth = 0;
    Integer WritersWaiting = 0;
    std::map<std::thread::id, Integer> Readers;   // read depth per thread
    Integer WriterReads = 0;        // reads taken by the writer inside its write
    Integer SavedReads = 0;         // read depth the writer held before it asked to write
    UInt64 WriteSeq = 0;            // counts granted write locks
};

TMultiReadExclusiveWriteSynchronizer::TMultiReadExclusiveWriteSynchronizer()
    : FImpl(std::make_unique<TImpl>())
{
}

TMultiReadExclusiveWriteSynchronizer::~TMultiReadExclusiveWriteSynchronizer() = default;

void TMultiReadExclusiveWriteSynchronizer::BeginRead()
{
    auto& I = *FImpl;
    auto Me = std::this_thread::get_id();
    std::unique_lock<std::mutex> Lock(I.Mutex);
    if (I.WriteDepth > 0 && I.Writer == Me) {
        ++I.WriterReads;
        return;
    }
    auto It = I.Readers.find(Me);
    if (It != I.Readers.end()) {
        // Already reading: nested reads never wait (a waiting writer would
        // otherwise dead-lock us).
        ++It->second;
        return;
    }
    I.Cond.wait(Lock, [&] { return I.WriteDepth == 0 && I.WritersWaiting == 0; });
    I.Readers[Me] = 1;
}

void TMultiReadExclusiveWriteSynchronizer::EndRead()
{
    auto& I = *FImpl;
    auto Me = std::this_thread::get_id();
    std::lock_guard<std::mutex> Lock(I.Mutex);
    if (I.WriteDepth > 0 && I.Writer == Me && I.WriterReads > 0) {
        --I.WriterReads;
        return;
    }
    auto It = I.Readers.find(Me);
    if (It == I.Readers.end()) return;
    if (--It->second == 0) {
        I.Readers.erase(It);
        I.Cond.notify_all();
    }
}

bool TMultiReadExclusiveWriteSynchronizer::BeginWrite()
{
    auto& I = *FImpl;
    auto Me = std::this_thread::get_id();
    std::unique_lock<std::mutex> Lock(I.Mutex);
    if (I.WriteDepth > 0 && I.Writer == Me) {
        ++I.WriteDepth;
        return true;
    }
    // A reader asking to write gives up its reads while it waits (two such
    // readers would otherwise wait for each other) and gets them back with
    // the write lock; false tells it another writer came in between.
    Integer Saved = 0;
    auto It = I.Readers.find(Me);
    if (It != I.Readers.end()) {
        Saved = It->second;
        I.Readers.erase(It);
        I.Cond.notify_all();
    }
    const UInt64 SeqBefore = I.WriteSeq;
    ++I.WritersWaiting;
    I.Cond.wait(Lock, [&] { return I.WriteDepth == 0 && I.Readers.empty(); });
    --I.WritersWaiting;
    I.Writer = Me;
    I.WriteDepth = 1;
    I.SavedReads = Saved;
    I.WriterReads = Saved;
    ++I.WriteSeq;
    return Saved == 0 || I.WriteSeq == SeqBefore + 1;
}

void TMultiReadExclusiveWriteSynchronizer::EndWrite()
{
    auto& I = *FImpl;
    std::lock_guard<std::mutex> Lock(I.Mutex);
    if (I.WriteDepth == 0 || I.Writer != std::this_thread::get_id()) return;
    if (--I.WriteDepth == 0) {
        // Reads still open inside the write (among them those it held
        // before) go on as plain reads.
        if (I.WriterReads > 0) I.Readers[I.Writer] = I.WriterReads;
        I.Writer = std::thread::id();
        I.WriterReads = 0;
        I.SavedReads = 0;
        I.Cond.notify_all();
    }
}

// ---------------------------------------------------------------------------
// TEvent

struct TEvent::TImpl {
    std::mutex Mutex;
    std::condition_variable Cond;
    bool Manual = true;
    bool Signaled = false;
};

TEvent::TEvent(bool ManualReset, bool InitialState) : FImpl(std::make_unique<TImpl>())
{
    FImpl->Manual = ManualReset;
    FImpl->Signaled = InitialState;
}

TEvent::~TEvent() = default;

void TEvent::SetEvent()
{
    std::lock_guard<std::mutex> Lock(FImpl->Mutex);
    FImpl->Signaled = true;
    if (FImpl->Manual)
        FImpl->Cond.notify_all();
    else
        FImpl->Cond.notify_one();
}

void TEvent::ResetEvent()
{
    std::lock_guard<std::mutex> Lock(FImpl->Mutex);
    FImpl->Signaled = false;
}

TWaitResult TEvent::WaitFor(Cardinal Timeout)
{
    std::unique_lock<std::mutex> Lock(FImpl->Mutex);
    auto Ready = [&] { return FImpl->Signaled; };
    if (Timeout == INFINITE) {
        FImpl->Cond.wait(Lock, Ready);
    } else if (!FImpl->Cond.wait_for(Lock, std::chrono::milliseconds(Timeout), Ready)) {
        return wrTimeout;
    }
    if (!FImpl->Manual) FImpl->Signaled = false;
    return wrSignaled;
}

// ---------------------------------------------------------------------------
// TThread

struct TThread::TImpl {
    std::thread Worker;
    std::thread::id WorkerId;      // kept apart: Worker changes while joined
    std::mutex JoinLock;           // one join, however many wait
    std::mutex Mutex;
    std::condition_variable Cond;
    std::atomic<bool> Terminated{false};
    bool Started = false;
    bool Finished = false;
    Cardinal Id = 0;
};

TThread::TThread(bool CreateSuspended) : FImpl(std::make_unique<TImpl>())
{
    // Not started here: the subclass is not constructed yet. A thread created
    // running starts on the first Start, WaitFor or from the subclass.
    (void)CreateSuspended;
}

TThread::~TThread()
{
    std::lock_guard<std::mutex> Join(FImpl->JoinLock);
    if (FImpl->Worker.joinable()) {
        if (FImpl->WorkerId == std::this_thread::get_id()) {
            FImpl->Worker.detach();   // freeing itself on termination
        } else {
            Terminate();
            FImpl->Worker.join();
        }
    }
}

void TThread::Start()
{
    std::lock_guard<std::mutex> Lock(FImpl->Mutex);
    if (FImpl->Started || FImpl->Terminated)
        throw EThread("Cannot call Start on a running or terminated thread");
    FImpl->Started = true;
    FImpl->Worker = std::thread([this] { Run(); });
    FImpl->WorkerId = FImpl->Worker.get_id();
}

void TThread::Run()
{
    {
        std::lock_guard<std::mutex> Lock(FImpl->Mutex);
        FImpl->Id = static_cast<Cardinal>(::pthread_self());
    }
    try {
        Execute();
    } catch (const Exception& E) {
        FHasFatalException = true;
        FFatalMessage = E.Message();
    } catch (const std::exception& E) {
        FHasFatalException = true;
        FFatalMessage = E.what();
    } catch (...) {
        FHasFatalException = true;
        FFatalMessage = "Unknown exception";
    }
    try {
        DoTerminate();
    } catch (...) {
        // Nobody is there to hear of it.
    }
    bool FreeSelf = FFreeOnTerminate;
    {
        std::lock_guard<std::mutex> Lock(FImpl->Mutex);
        FImpl->Finished = true;
        FImpl->Cond.notify_all();
    }
    if (FreeSelf) delete this;
}

void TThread::DoTerminate()
{
    FireEvent(OnTerminate, this);
}

void TThread::Terminate()
{
    FImpl->Terminated = true;
}

bool TThread::Terminated() const
{
    return FImpl->Terminated;
}

bool TThread::Finished() const
{
    std::lock_guard<std::mutex> Lock(FImpl->Mutex);
    return FImpl->Finished;
}

Integer TThread::WaitFor()
{
    {
        std::lock_guard<std::mutex> Lock(FImpl->Mutex);
        if (!FImpl->Started) return FReturnValue;
        if (FImpl->WorkerId == std::this_thread::get_id()) throw EThread("Thread cannot wait for itself");
    }
    // Several threads may wait at once; only one of them may join.
    std::lock_guard<std::mutex> Join(FImpl->JoinLock);
    if (FImpl->Worker.joinable()) FImpl->Worker.join();
    return FReturnValue;
}

Cardinal TThread::ThreadID() const
{
    std::lock_guard<std::mutex> Lock(FImpl->Mutex);
    return FImpl->Id;
}

// ---------------------------------------------------------------------------

Integer InterlockedIncrement(Integer& Addend)
{
    return __atomic_add_fetch(&Addend, 1, __ATOMIC_SEQ_CST);
}

Integer InterlockedDecrement(Integer& Addend)
{
    return __atomic_sub_fetch(&Addend, 1, __ATOMIC_SEQ_CST);
}

Integer InterlockedExchange(Integer& Target, Integer Value)
{
    return __atomic_exchange_n(&Target, Value, __ATOMIC_SEQ_CST);
}
