#include "platform/sys/Timers.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <atomic>
#include <limits>
#include <mutex>
#include <vector>

namespace {

std::mutex& HandlerLock() {
    static std::mutex lock;
    return lock;
}

TTimerExceptionHandler& Handler() {
    static TTimerExceptionHandler handler;
    return handler;
}

void HandleTimerException(std::exception_ptr Error) {
    TTimerExceptionHandler handler;
    {
        std::lock_guard<std::mutex> lock(HandlerLock());
        handler = Handler();
    }
    try {
        if (handler) {
            handler(Error);
            return;
        }
        std::rethrow_exception(Error);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Exception in a timer: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "Exception in a timer\n");
    }
}


std::atomic<ITimerService*> Installed{nullptr};

ITimerService& DefaultService()
{
    // Never destroyed: timers may still be killed while the program exits.
    static TQtTimerService* Service = new TQtTimerService;
    return *Service;
}

}  // namespace

ITimerService& TimerService()
{
    ITimerService* S = Installed.load();
    return S ? *S : DefaultService();
}

ITimerService* SetTimerService(ITimerService* Service)
{
    return Installed.exchange(Service);
}

// ---------------------------------------------------------------------------
// TQtTimerService

struct TQtTimerService::TImpl {
    std::mutex Lock;
    std::map<TTimerId, QTimer*> Timers;
    std::atomic<TTimerId> NextId{1};
};

TQtTimerService::TQtTimerService() : FImpl(std::make_shared<TImpl>()) {}

TQtTimerService::~TQtTimerService()
{
    std::lock_guard<std::mutex> Lock(FImpl->Lock);
    for (auto& [Id, Timer] : FImpl->Timers) delete Timer;
    FImpl->Timers.clear();
}

namespace {

// Runs Work on the thread of the application (or here when there is none or
// we are on it already).
void OnMainThread(std::function<void()> Work)
{
    QCoreApplication* App = QCoreApplication::instance();
    if (!App || QThread::currentThread() == App->thread())
        Work();
    else
        QMetaObject::invokeMethod(App, std::move(Work), Qt::QueuedConnection);
}

}  // namespace

TTimerId TQtTimerService::SetTimer(Cardinal IntervalMs, TTimerCallback Callback)
{
    if (IntervalMs == 0 || !Callback) return 0;
    if (IntervalMs > static_cast<Cardinal>(std::numeric_limits<int>::max())) return 0;
    TTimerId Id = FImpl->NextId++;
    {
        // Reserved now, made on the main thread: a kill in between wins.
        std::lock_guard<std::mutex> Lock(FImpl->Lock);
        FImpl->Timers[Id] = nullptr;
    }
    std::weak_ptr<TImpl> Weak = FImpl;
    OnMainThread([Weak, Id, IntervalMs, Callback = std::move(Callback)]() {
        std::shared_ptr<TImpl> Impl = Weak.lock();
        if (!Impl) return;   // the service went before this ran
        {
            std::lock_guard<std::mutex> Lock(Impl->Lock);
            if (!Impl->Timers.count(Id)) return;
        }
        auto* Timer = new QTimer;
        Timer->setInterval(static_cast<int>(IntervalMs));
        Timer->setTimerType(Qt::CoarseTimer);
        QObject::connect(Timer, &QTimer::timeout, [Weak, Id, Callback]() {
            std::shared_ptr<TImpl> Impl = Weak.lock();
            if (!Impl) return;
            {
                // Killed while the tick was queued: stay silent.
                std::lock_guard<std::mutex> Lock(Impl->Lock);
                if (!Impl->Timers.count(Id)) return;
            }
            try {
                Callback();
            } catch (...) {
                HandleTimerException(std::current_exception());
            }
        });
        {
            std::lock_guard<std::mutex> Lock(Impl->Lock);
            auto It = Impl->Timers.find(Id);
            if (It == Impl->Timers.end()) {
                delete Timer;
                return;
            }
            It->second = Timer;
        }
        Timer->start();
    });
    return Id;
}

void TQtTimerService::KillTimer(TTimerId Id)
{
    QTimer* Timer = nullptr;
    {
        std::lock_guard<std::mutex> Lock(FImpl->Lock);
        auto It = FImpl->Timers.find(Id);
        if (It == FImpl->Timers.end()) return;
        Timer = It->second;
        FImpl->Timers.erase(It);
    }
    if (!Timer) return;
    OnMainThread([Timer]() {
        Timer->stop();
        // It may be the one whose tick is running right now.
        Timer->deleteLater();
    });
}

Integer TQtTimerService::ActiveCount() const
{
    std::lock_guard<std::mutex> Lock(FImpl->Lock);
    return static_cast<Integer>(FImpl->Timers.size());
}

// ---------------------------------------------------------------------------
// TManualTimerService

TTimerId TManualTimerService::SetTimer(Cardinal IntervalMs, TTimerCallback Callback)
{
    if (FRefuse || IntervalMs == 0 || !Callback) return 0;
    TTimerId Id = FNextId++;
    FTimers[Id] = TTimer{IntervalMs, FNow + IntervalMs, std::make_shared<TTimerCallback>(std::move(Callback))};
    return Id;
}

void TManualTimerService::KillTimer(TTimerId Id)
{
    FTimers.erase(Id);
}

void TManualTimerService::Advance(UInt64 Ms)
{
    const UInt64 Target = FNow + Ms;
    for (;;) {
        // The earliest due tick; among equals the timer set first.
        auto Next = FTimers.end();
        for (auto It = FTimers.begin(); It != FTimers.end(); ++It)
            if (It->second.Due <= Target && (Next == FTimers.end() || It->second.Due < Next->second.Due))
                Next = It;
        if (Next == FTimers.end()) break;
        FNow = std::max(FNow, Next->second.Due);
        Next->second.Due = FNow + Next->second.Interval;
        // Hold the callback: it may kill its own timer while running.
        std::shared_ptr<TTimerCallback> Callback = Next->second.Callback;
        (*Callback)();
    }
    // A callback may have moved the clock further already.
    FNow = std::max(FNow, Target);
}

TTimerExceptionHandler SetTimerExceptionHandler(TTimerExceptionHandler Handler_) {
    std::lock_guard<std::mutex> lock(HandlerLock());
    TTimerExceptionHandler previous = std::move(Handler());
    Handler() = std::move(Handler_);
    return previous;
}
