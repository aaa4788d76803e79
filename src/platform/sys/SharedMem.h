#pragma once
// Named objects shared between processes of the same machine: memory blocks,
// a mutex and events, in place of named file mappings, mutexes and events.
// Each lives in its own POSIX shared-memory object named "/" + the plain name.
// The first process creates an object, later ones open it; the last handle
// that closes removes the name again, as the named kernel objects vanished
// with their last handle. Objects are open to every user (mode 0666).
#include "platform/rtl/SyncObjs.h"

#include <cstddef>

// A named object could not be created or opened; ErrorCode is the errno.
class ESharedObjectError : public Exception {
public:
    ESharedObjectError(const AnsiString& Msg, Integer AErrorCode) : Exception(Msg), FErrorCode(AErrorCode) {}
    Integer ErrorCode() const { return FErrorCode; }

private:
    Integer FErrorCode;
};

// "/" + Name, with any further '/' turned into '_' (the system allows only the leading one).
AnsiString SharedObjectName(const AnsiString& Name);
// Removes the name of an object left behind by a process that died; true when it existed.
bool UnlinkSharedObject(const AnsiString& Name);

struct TSharedHeader;

// Base of the named objects: the mapping, its reference count and the name.
class TSharedObject : public TObject {
public:
    ~TSharedObject() override;
    const AnsiString& Name() const { return FName; }
    // True when the object existed before this handle opened it.
    bool Existed() const { return FExisted; }

protected:
    // Opens or creates the object with PayloadSize bytes after the header; a
    // new object's payload is zeroed, then Init runs on it before others see it.
    TSharedObject(const AnsiString& Name, std::size_t PayloadSize, void (*Init)(void* Payload, const void* Arg),
                  const void* Arg);
    void* Payload() const { return FPayload; }

private:
    AnsiString FName;
    TSharedHeader* FHeader = nullptr;
    void* FPayload = nullptr;
    std::size_t FMapSize = 0;
    unsigned long FInode = 0;   // tells our object from a later one of the same name
    bool FExisted = false;
};

// A block of shared memory of a fixed size, zeroed when created.
class TSharedMemory : public TSharedObject {
public:
    TSharedMemory(const AnsiString& Name, std::size_t Size);
    void* Memory() const { return Payload(); }
    std::size_t Size() const { return FSize; }

private:
    std::size_t FSize;
};

// A mutex shared between processes. When its holder dies the next Acquire
// gets it with wrAbandoned (the caller then holds it), so a dead process
// never locks out the others. Not recursive.
class TNamedMutex : public TSharedObject {
public:
    explicit TNamedMutex(const AnsiString& Name);
    // wrSignaled or wrAbandoned: held; wrTimeout: not held; wrError: failure.
    TWaitResult Acquire(Cardinal Timeout = INFINITE);
    void Release();
};

// An event shared between processes. A manual-reset event stays set until
// reset; an auto-reset one lets one waiter through and resets itself.
// ManualReset and InitialState apply when this handle creates the event.
class TNamedEvent : public TSharedObject {
public:
    TNamedEvent(const AnsiString& Name, bool ManualReset, bool InitialState);
    void SetEvent();
    void ResetEvent();
    bool IsSet() const;
    TWaitResult WaitFor(Cardinal Timeout = INFINITE);
};
