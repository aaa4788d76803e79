#pragma once
// Mechanics shared by a connection and a transaction: the idle timer, the
// handlers run at destruction and the list of linked statements.
#include <functional>
#include <vector>

#include "dbclient/FBLists.h"
#include "platform/rtl/System.h"

class TFBTimer;
class TFBBase;

// Interval 0 frees the timer; otherwise it is made on first use and runs
// unless the owner is being designed.
void SetIdleTimer(TFBTimer*& Timer, Cardinal Interval, bool Designing, TNotifyEvent OnTimer);

// One tick of an idle timer: the first marks the owner idle, the next (with
// no client call between) runs End and then OnTimeout. A failure of End is
// reported only after OnTimeout, so the handler always hears of the time-out.
void IdleTimerTick(bool& IdleFlag, const std::function<void()>& End, const TNotifyEvent& OnTimeout,
                   TObject* Sender);

// Last to first; a failing handler does not stop the others.
void FireDestroyHandlers(TNotifyEventList& Handlers, TObject* Sender);

// Empties Links from the back: NotifyFree for a link, then Unlink with its
// current index unless a handler has unlinked (or freed) it meanwhile.
void UnlinkAll(std::vector<TFBBase*>& Links, const std::function<void(TFBBase*)>& NotifyFree,
               const std::function<void(TFBBase*, Integer)>& Unlink);

// Removes Links[Index] by moving the last link into its place; IndexOf
// gives the index field the moved link keeps of this list.
void SwapRemoveLink(std::vector<TFBBase*>& Links, Integer Index, const std::function<Integer&(TFBBase*)>& IndexOf);
