#pragma once
// Timers that tick on the thread whose loop created them, like the platform's
// window timers: a timer is due when its period has passed since it last ticked (or
// started), and ticks once however many periods were missed.
#include <functional>
#include <map>
#include <memory>

#include "platform/win32/WinTypes.h"

constexpr DWORD USER_TIMER_MINIMUM = 10;

// The timers of one loop. Used on that loop's thread only.
class TTimerTable {
public:
    using TCallback = std::function<void()>;

    // Periods below USER_TIMER_MINIMUM count as the minimum. Ids start at 1 and are not
    // reused, so a stale id never stops a newer timer.
    UINT Start(DWORD periodMs, TCallback callback);
    bool Stop(UINT id);
    bool Empty() const { return timers_.empty(); }

    // Ticks every due timer once; a callback may start or stop timers, its own included.
    // An exception from a callback goes to onError and later timers still tick.
    // True when any timer ticked.
    bool TickDue(const std::function<void(std::exception_ptr)>& onError);
    // Time until the next timer is due: 0 when one is due now, INFINITE with no timers.
    DWORD MillisecondsToNext() const;

private:
    struct TTimer {
        DWORD Period;
        DWORD LastTick;
        std::shared_ptr<TCallback> Callback; // kept alive while it runs, even if stopped
    };
    std::map<UINT, TTimer> timers_;
    UINT nextId_ = 1;
};

// Timers of the calling thread's loop; they tick while that thread processes its loop
// (on the main thread: the application's loop, ProcessMessages, HandleMessage).
UINT StartTimer(DWORD periodMs, std::function<void()> callback);
bool StopTimer(UINT id);
