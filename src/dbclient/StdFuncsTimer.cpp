#include "dbclient/StdFuncs.h"

#include "platform/sys/Timers.h"

TFBTimer::TFBTimer(TComponent* AOwner) : TComponent(AOwner) {
    // Not armed yet: there is no handler.
}

TFBTimer::~TFBTimer() {
    FEnabled = false;
    UpdateTimer();
}

void TFBTimer::SetEnabled(bool Value) {
    if (Value == FEnabled) return;
    FEnabled = Value;
    UpdateTimer();
}

void TFBTimer::SetInterval(Cardinal Value) {
    if (Value == FInterval) return;
    FInterval = Value;
    UpdateTimer();
}

void TFBTimer::SetOnTimer(TNotifyEvent Value) {
    FOnTimer = std::move(Value);
    UpdateTimer();
}

// The handler may free this timer or replace itself.
void TFBTimer::Timer() { FireEvent(FOnTimer, this); }

void TFBTimer::UpdateTimer() {
    if (FTimerId != 0) {
        FService->KillTimer(FTimerId);
        FTimerId = 0;
        FService = nullptr;
    }
    if (FInterval == 0 || !FEnabled || !FOnTimer) return;
    ITimerService& service = TimerService();
    const TTimerId id = service.SetTimer(FInterval, [this] { Timer(); });
    if (id == 0) throw EOutOfResources("Not enough timers available");
    FTimerId = id;
    FService = &service;
}
