#include "platform/classes/Timers.h"

#include <algorithm>
#include <vector>

#include "platform/classes/MessageLoop.h"
#include "platform/win32/Synch.h"

UINT TTimerTable::Start(DWORD periodMs, TCallback callback) {
    UINT id = nextId_++;
    DWORD period = periodMs < USER_TIMER_MINIMUM ? USER_TIMER_MINIMUM : periodMs;
    timers_.emplace(
        id, TTimer{period, GetTickCount(), std::make_shared<TCallback>(std::move(callback))});
    return id;
}

bool TTimerTable::Stop(UINT id) {
    return timers_.erase(id) != 0;
}

bool TTimerTable::TickDue(const std::function<void(std::exception_ptr)>& onError) {
    DWORD now = GetTickCount();
    std::vector<UINT> due;
    for (const auto& [id, timer] : timers_) {
        // Unsigned difference: correct across the 49.7-day wrap of the tick counter.
        if (static_cast<DWORD>(now - timer.LastTick) >= timer.Period)
            due.push_back(id);
    }
    for (UINT id : due) {
        auto found = timers_.find(id);
        if (found == timers_.end())
            continue; // stopped by an earlier callback of this round
        found->second.LastTick = now;
        auto callback = found->second.Callback;
        try {
            if (*callback)
                (*callback)();
        } catch (...) {
            onError(std::current_exception());
        }
    }
    return !due.empty();
}

DWORD TTimerTable::MillisecondsToNext() const {
    if (timers_.empty())
        return INFINITE;
    DWORD now = GetTickCount();
    DWORD nearest = INFINITE;
    for (const auto& [id, timer] : timers_) {
        DWORD elapsed = now - timer.LastTick;
        if (elapsed >= timer.Period)
            return 0;
        nearest = std::min(nearest, timer.Period - elapsed);
    }
    return nearest;
}

UINT StartTimer(DWORD periodMs, std::function<void()> callback) {
    return TMessageLoop::Current().StartTimer(periodMs, std::move(callback));
}

bool StopTimer(UINT id) {
    return TMessageLoop::Current().StopTimer(id);
}
