#include "support/Timer.h"

#include "platform/classes/Timers.h"

TnrTimer::TnrTimer() = default;

TnrTimer::~TnrTimer() {
    FEnabled = false;
    UpdateTimer();
}

void TnrTimer::SetInterval(uint32_t Value) {
    if (Value != FInterval) {
        FInterval = Value;
        UpdateTimer();
    }
}

void TnrTimer::SetEnabled(bool Value) {
    if (Value != FEnabled) {
        FEnabled = Value;
        UpdateTimer();
    }
}

void TnrTimer::SetOnTimer(TNotifyEvent Handler) {
    FOnTimer = Handler;
    UpdateTimer();
}

void TnrTimer::UpdateTimer() {
    if (FLoopTimer != 0) {
        StopTimer(FLoopTimer);
        FLoopTimer = 0;
    }
    if (FInterval != 0 && FEnabled && FOnTimer)
        FLoopTimer = StartTimer(FInterval, [this] { Tick(); });
}

void TnrTimer::Timer() {
    if (FEnabled && FOnTimer)
        FOnTimer(this);
}

void TnrTimer::Tick() {
    try {
        Timer();
    } catch (...) {
        // A failing handler loses its tick; later ticks go on.
    }
}
