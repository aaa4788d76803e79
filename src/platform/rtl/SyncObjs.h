#pragma once
// Locks, events and threads.
#include "platform/rtl/Classes.h"

#include <memory>

class EThread : public Exception { public: using Exception::Exception; };

// A recursive lock: the owning thread may enter again; Leave as often as Enter.
class TCriticalSection : public TObject {
public:
    TCriticalSection();
    ~TCriticalSection() override;
    void Enter();
    void Leave();
    bool TryEnter();
    void Acquire() { Enter(); }
    void Release() { Leave(); }

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

// Many readers or one writer. The writer may take the write lock again and
// may also read. A reader may ask to write: it lets go of its reads while it
// waits and gets them back; BeginWrite then says false when another writer
// got in first (what it read may have changed). Otherwise BeginWrite is true.
class TMultiReadExclusiveWriteSynchronizer : public TObject {
public:
    TMultiReadExclusiveWriteSynchronizer();
    ~TMultiReadExclusiveWriteSynchronizer() override;
    void BeginRead();
    void EndRead();
    bool BeginWrite();
    void EndWrite();

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

// Holds a critical section for one scope, also when the scope is left by an exception.
class TLockScope {
public:
    explicit TLockScope(TCriticalSection* Lock) : FLock(Lock) { FLock->Enter(); }
    ~TLockScope() { FLock->Leave(); }
    TLockScope(const TLockScope&) = delete;
    TLockScope& operator=(const TLockScope&) = delete;

private:
    TCriticalSection* FLock;
};

// Holds the write side of a multi-read exclusive-write lock for one scope.
class TWriteScope {
public:
    explicit TWriteScope(TMultiReadExclusiveWriteSynchronizer* Lock) : FLock(Lock) { FLock->BeginWrite(); }
    ~TWriteScope() { FLock->EndWrite(); }
    TWriteScope(const TWriteScope&) = delete;
    TWriteScope& operator=(const TWriteScope&) = delete;

private:
    TMultiReadExclusiveWriteSynchronizer* FLock;
};

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };
constexpr Cardinal INFINITE = 0xFFFFFFFFu;

// A manual- or auto-reset event.
class TEvent : public TObject {
public:
    explicit TEvent(bool ManualReset = true, bool InitialState = false);
    ~TEvent() override;
    void SetEvent();
    void ResetEvent();
    TWaitResult WaitFor(Cardinal Timeout = INFINITE);

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

// A simple manual-reset event that starts unsignalled.
class TSimpleEvent : public TEvent {
public:
    TSimpleEvent() : TEvent(true, false) {}
};

// A worker thread. Subclasses override Execute and poll Terminated().
// The thread never runs from the base constructor (the subclass is not built
// yet): call Start(), e.g. at the end of the subclass constructor when
// CreateSuspended is false. An exception leaving Execute is kept
// (HasFatalException, FatalMessage). OnTerminate runs on the worker thread
// after Execute ends (there is no framework message loop to hand it to).
// FreeOnTerminate: the object deletes itself after OnTerminate; do not
// WaitFor such a thread or touch it after Start.
// The base destructor terminates and joins; a subclass whose Execute uses
// its own members calls Terminate() and WaitFor() in its destructor.
class TThread : public TObject {
public:
    explicit TThread(bool CreateSuspended = false);
    ~TThread() override;

    void Start();            // EThread "Cannot call Start on a running or terminated thread"
    void Resume() { Start(); }
    void Terminate();
    bool Terminated() const;
    bool Finished() const;
    Integer WaitFor();       // waits for Execute to end; returns ReturnValue
    bool FreeOnTerminate() const { return FFreeOnTerminate; }
    void SetFreeOnTerminate(bool Value) { FFreeOnTerminate = Value; }
    Integer ReturnValue() const { return FReturnValue; }
    const AnsiString& FatalMessage() const { return FFatalMessage; }
    bool HasFatalException() const { return FHasFatalException; }
    Cardinal ThreadID() const;

    TNotifyEvent OnTerminate;

protected:
    virtual void Execute() = 0;
    virtual void DoTerminate();
    void SetReturnValue(Integer Value) { FReturnValue = Value; }

private:
    struct TImpl;
    void Run();
    std::unique_ptr<TImpl> FImpl;
    bool FFreeOnTerminate = false;
    Integer FReturnValue = 0;
    AnsiString FFatalMessage;
    bool FHasFatalException = false;
};

// Atomic counters; the result is the new value.
Integer InterlockedIncrement(Integer& Addend);
Integer InterlockedDecrement(Integer& Addend);
Integer InterlockedExchange(Integer& Target, Integer Value);   // returns the old value
