#pragma once
// Process-wide interval timers behind one replaceable service. The real
// service runs on the main thread's Qt event loop; tests install a
// TManualTimerService and move its clock by hand.
#include "platform/rtl/System.h"

#include <exception>
#include <functional>
#include <map>
#include <memory>

using TTimerCallback = std::function<void()>;
using TTimerId = UInt64;   // 0 is never a valid id

class ITimerService {
public:
    virtual ~ITimerService() = default;
    // Arms a periodic timer firing every IntervalMs (> 0) milliseconds, the
    // first time one interval from now. Returns its id, 0 when refused.
    virtual TTimerId SetTimer(Cardinal IntervalMs, TTimerCallback Callback) = 0;
    // Stops the timer; unknown or already killed ids are ignored. A timer
    // killed from inside any callback never fires again.
    virtual void KillTimer(TTimerId Id) = 0;
};

// The service in use. Until one is set, the Qt-based service is created on
// first use (it needs a QCoreApplication for its ticks to arrive).
ITimerService& TimerService();
// Installs a service (not owned) and returns the previous one; nullptr goes
// back to the default.
ITimerService* SetTimerService(ITimerService* Service);

// Where an exception raised by a callback of the Qt service goes: it must not
// unwind into the event loop. The UI layer routes it to the application's
// exception dialog; the default writes it to standard error. Returns the
// previous handler.
using TTimerExceptionHandler = std::function<void(std::exception_ptr)>;
TTimerExceptionHandler SetTimerExceptionHandler(TTimerExceptionHandler Handler);

// Timers on the Qt event loop of the thread that owns QCoreApplication.
class TQtTimerService : public ITimerService {
public:
    TQtTimerService();
    ~TQtTimerService() override;
    TTimerId SetTimer(Cardinal IntervalMs, TTimerCallback Callback) override;
    void KillTimer(TTimerId Id) override;
    Integer ActiveCount() const;

private:
    struct TImpl;
    std::shared_ptr<TImpl> FImpl;   // queued work holds it weakly: the service may go first
};

// A manual clock. Advance(ms) fires every due tick in time order (ties in
// the order the timers were set), re-arms each periodic timer one interval
// after its tick, and copes with callbacks that set or kill timers or advance
// the clock themselves (it never runs backwards).
class TManualTimerService : public ITimerService {
public:
    TTimerId SetTimer(Cardinal IntervalMs, TTimerCallback Callback) override;
    void KillTimer(TTimerId Id) override;
    void Advance(UInt64 Ms);
    UInt64 Now() const { return FNow; }
    Integer ActiveCount() const { return static_cast<Integer>(FTimers.size()); }
    bool IsActive(TTimerId Id) const { return FTimers.count(Id) != 0; }
    // Makes SetTimer refuse (return 0), to try out "no timer left" paths.
    void SetRefuse(bool Value) { FRefuse = Value; }

private:
    struct TTimer {
        Cardinal Interval = 0;
        UInt64 Due = 0;
        std::shared_ptr<TTimerCallback> Callback;
    };
    std::map<TTimerId, TTimer> FTimers;
    TTimerId FNextId = 1;
    UInt64 FNow = 0;
    bool FRefuse = false;
};

// Installs a service for the life of the guard (tests).
class TTimerServiceGuard {
public:
    explicit TTimerServiceGuard(ITimerService* Service) : FPrevious(SetTimerService(Service)) {}
    ~TTimerServiceGuard() { SetTimerService(FPrevious); }
    TTimerServiceGuard(const TTimerServiceGuard&) = delete;
    TTimerServiceGuard& operator=(const TTimerServiceGuard&) = delete;

private:
    ITimerService* FPrevious;
};
