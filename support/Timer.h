#pragma once
// A timer that ticks on the thread that created it, through that thread's loop.
// Running needs all three: an interval, the enabled flag and a handler; every change of
// one of them restarts the period from the moment of the change.
#include <cstdint>

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

class TnrTimer : public TObject {
public:
    TnrTimer();
    ~TnrTimer() override;

    uint32_t GetInterval() const { return FInterval; }
    void SetInterval(uint32_t Value);
    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    TNotifyEvent GetOnTimer() const { return FOnTimer; }
    void SetOnTimer(TNotifyEvent Handler);

    // One tick: calls the handler when enabled and set.
    virtual void Timer();

    AnsiString ClassName() const override { return "TnrTimer"; }

private:
    void UpdateTimer();
    void Tick(); // the loop's timer message: an exception from Timer() loses only this tick

    uint32_t FInterval = 1000;
    uint32_t FLoopTimer = 0; // the loop's timer id; 0 = stopped
    TNotifyEvent FOnTimer;
    bool FEnabled = true;
};
