#include "dbclient/FBLinkShared.h"

#include <algorithm>
#include <exception>

#include "dbclient/StdFuncs.h"

void SetIdleTimer(TFBTimer*& Timer, Cardinal Interval, bool Designing, TNotifyEvent OnTimer) {
    if (Interval == 0) {
        delete Timer;
        Timer = nullptr;
        return;
    }
    if (!Timer) {
        Timer = new TFBTimer(nullptr);
        Timer->SetEnabled(false);
        Timer->SetOnTimer(std::move(OnTimer));
    }
    Timer->SetInterval(Interval);
    Timer->SetEnabled(!Designing);
}

void IdleTimerTick(bool& IdleFlag, const std::function<void()>& End, const TNotifyEvent& OnTimeout,
                   TObject* Sender) {
    if (!IdleFlag) {
        IdleFlag = true;
        return;
    }
    std::exception_ptr error;
    const TAliveGuard alive(Sender);   // a handler of the end may free it
    try {
        End();
    } catch (...) {
        error = std::current_exception();
    }
    if ((!Sender || alive.Alive()) && OnTimeout) FireEvent(OnTimeout, Sender);
    if (error) std::rethrow_exception(error);
}

void FireDestroyHandlers(TNotifyEventList& Handlers, TObject* Sender) {
    Handlers.ForEachHandler(true, [Sender](const TNotifyEventList::THandler& h) {
        try { h(Sender); } catch (...) {}
    });
}

void UnlinkAll(std::vector<TFBBase*>& Links, const std::function<void(TFBBase*)>& NotifyFree,
               const std::function<void(TFBBase*, Integer)>& Unlink) {
    while (!Links.empty()) {
        TFBBase* link = Links.back();
        try { NotifyFree(link); } catch (...) {}
        auto it = std::find(Links.begin(), Links.end(), link);
        if (it == Links.end()) continue;
        Unlink(link, static_cast<Integer>(it - Links.begin()));
    }
}

void SwapRemoveLink(std::vector<TFBBase*>& Links, Integer Index, const std::function<Integer&(TFBBase*)>& IndexOf) {
    if (Index < 0 || Index >= static_cast<Integer>(Links.size())) return;
    TFBBase* last = Links.back();
    Links[static_cast<size_t>(Index)] = last;
    IndexOf(last) = Index;
    Links.pop_back();
}
