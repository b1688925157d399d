#include "platform/win32/Synch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

// All events share one lock and one condition, so a thread can wait on several events at once.
std::mutex& EventLock() {
    static auto* lock = new std::mutex;
    return *lock;
}
std::condition_variable& EventChanged() {
    static auto* changed = new std::condition_variable;
    return *changed;
}

class EventObject : public KernelObject {
public:
    EventObject(bool manualReset, bool signalled)
        : manualReset(manualReset), signalled(signalled) {}
    DWORD WaitFor(DWORD milliseconds) override;

    // Guarded by EventLock.
    const bool manualReset;
    bool signalled;
    uint64_t pulses = 0;       // manual reset: each pulse releases the waiters present at it
    bool pulsePending = false; // auto reset: a pulse waits for one of the present waiters
    int waiters = 0;
};

std::optional<Clock::time_point> Deadline(DWORD milliseconds) {
    if (milliseconds == INFINITE)
        return std::nullopt;
    return Clock::now() + std::chrono::milliseconds(milliseconds);
}

// One thread's wait on a set of events; all members are used under EventLock.
class EventWait {
public:
    explicit EventWait(std::vector<EventObject*> events) : events_(std::move(events)) {
        for (auto* event : events_) {
            ++event->waiters;
            pulsesAtStart_.push_back(event->pulses);
        }
    }
    ~EventWait() {
        for (auto* event : events_) {
            // An auto-reset pulse that none of its waiters took ends with the last of them.
            if (--event->waiters == 0 && event->pulsePending) {
                event->pulsePending = false;
                event->signalled = false;
            }
        }
    }

    // The index released (and consumed), or nothing yet.
    std::optional<DWORD> TryAny() {
        for (size_t i = 0; i < events_.size(); ++i) {
            auto* event = events_[i];
            if (event->signalled) {
                Consume(event);
                return static_cast<DWORD>(i);
            }
            if (event->manualReset && event->pulses != pulsesAtStart_[i])
                return static_cast<DWORD>(i);
        }
        return std::nullopt;
    }
    // Pulses do not count here: they release only threads whose whole set is signalled.
    bool TryAll() {
        if (!std::all_of(events_.begin(), events_.end(), [](auto* e) { return e->signalled; }))
            return false;
        for (auto* event : events_)
            Consume(event);
        return true;
    }

private:
    static void Consume(EventObject* event) {
        if (!event->manualReset) {
            event->signalled = false;
            event->pulsePending = false;
        }
    }

    std::vector<EventObject*> events_;
    std::vector<uint64_t> pulsesAtStart_;
};

DWORD WaitForEvents(std::vector<EventObject*> events, bool waitAll, DWORD milliseconds) {
    const auto deadline = Deadline(milliseconds);
    std::unique_lock guard(EventLock());
    EventWait wait(std::move(events));
    for (;;) {
        if (waitAll) {
            if (wait.TryAll())
                return WAIT_OBJECT_0;
        } else if (auto index = wait.TryAny()) {
            return WAIT_OBJECT_0 + *index;
        }
        if (!deadline)
            EventChanged().wait(guard);
        else if (Clock::now() >= *deadline)
            return WAIT_TIMEOUT;
        else
            EventChanged().wait_until(guard, *deadline);
    }
}

DWORD EventObject::WaitFor(DWORD milliseconds) {
    return WaitForEvents({this}, false, milliseconds);
}

// Changes an event under the lock and wakes the waiters to look again.
template <class Change> BOOL ChangeEvent(HANDLE handle, Change change) {
    auto event = LookupHandleAs<EventObject>(handle);
    if (!event)
        return FALSE;
    {
        std::lock_guard guard(EventLock());
        change(*event);
    }
    EventChanged().notify_all();
    return TRUE;
}

// Sets that hold other kinds of handles are polled.
DWORD PollAny(const std::vector<std::shared_ptr<KernelObject>>& objects, DWORD milliseconds) {
    const auto deadline = Deadline(milliseconds);
    for (;;) {
        for (size_t i = 0; i < objects.size(); ++i) {
            DWORD result = objects[i]->WaitFor(0);
            if (result == WAIT_OBJECT_0)
                return WAIT_OBJECT_0 + static_cast<DWORD>(i);
            if (result == WAIT_FAILED)
                return WAIT_FAILED;
        }
        if (deadline && Clock::now() >= *deadline)
            return WAIT_TIMEOUT;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

struct TestClock {
    std::mutex lock;
    bool active = false;
    DWORD value = 0;
    bool instantSleep = false;
};
TestClock& TheTestClock() {
    static auto* clock = new TestClock;
    return *clock;
}

// Named events, by their name (compared with letter case, as Windows does); each lives as
// long as one of its handles is open.
struct EventNames {
    std::mutex lock;
    std::unordered_map<std::string, std::weak_ptr<EventObject>> events;
};
EventNames& TheEventNames() {
    static auto* names = new EventNames;
    return *names;
}

HANDLE OpenOrCreateNamedEvent(const std::string& name, bool manualReset, bool signalled) {
    auto& names = TheEventNames();
    std::lock_guard guard(names.lock);
    if (auto existing = names.events[name].lock()) {
        HANDLE handle = RegisterHandle(existing);
        SetLastError(ERROR_ALREADY_EXISTS); // the existing event keeps its own state
        return handle;
    }
    std::erase_if(names.events, [](const auto& entry) { return entry.second.expired(); });
    auto event = std::make_shared<EventObject>(manualReset, signalled);
    names.events[name] = event;
    HANDLE handle = RegisterHandle(event);
    SetLastError(ERROR_SUCCESS);
    return handle;
}

std::atomic<DWORD> nextThreadId{1};
thread_local DWORD currentThreadId = 0;
} // namespace

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR name) {
    if (name && *name)
        return OpenOrCreateNamedEvent(name, manualReset != FALSE, initialState != FALSE);
    return RegisterHandle(
        std::make_shared<EventObject>(manualReset != FALSE, initialState != FALSE));
}

BOOL SetEvent(HANDLE event) {
    return ChangeEvent(event, [](EventObject& e) {
        e.signalled = true;
        e.pulsePending = false;
    });
}

BOOL ResetEvent(HANDLE event) {
    return ChangeEvent(event, [](EventObject& e) {
        e.signalled = false;
        e.pulsePending = false;
    });
}

BOOL PulseEvent(HANDLE event) {
    return ChangeEvent(event, [](EventObject& e) {
        if (e.manualReset) {
            e.signalled = false;
            ++e.pulses;
        } else if (e.waiters > 0 && !e.signalled) {
            e.signalled = true;
            e.pulsePending = true;
        } else {
            e.signalled = false;
        }
    });
}

DWORD EventWaiterCount(HANDLE handle) {
    auto event = LookupHandleAs<EventObject>(handle);
    if (!event)
        return 0;
    std::lock_guard guard(EventLock());
    return static_cast<DWORD>(event->waiters);
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    auto object = LookupHandle(handle);
    if (!object)
        return WAIT_FAILED;
    return object->WaitFor(milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<std::shared_ptr<KernelObject>> objects;
    std::vector<EventObject*> events;
    for (DWORD i = 0; i < count; ++i) {
        auto object = LookupHandle(handles[i]);
        if (!object)
            return WAIT_FAILED;
        if (auto* event = dynamic_cast<EventObject*>(object.get()))
            events.push_back(event);
        objects.push_back(std::move(object));
    }
    // Waiting for all of a set that names one object twice is refused.
    if (waitAll) {
        auto sorted = objects;
        std::sort(sorted.begin(), sorted.end());
        if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return WAIT_FAILED;
        }
    }
    if (events.size() == objects.size())
        return WaitForEvents(std::move(events), waitAll != FALSE, milliseconds);
    if (waitAll) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return WAIT_FAILED;
    }
    return PollAny(objects, milliseconds);
}

DWORD GetTickCount() {
    auto& test = TheTestClock();
    {
        std::lock_guard guard(test.lock);
        if (test.active)
            return test.value;
    }
    auto since =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch());
    return static_cast<DWORD>(static_cast<uint64_t>(since.count()));
}

void SetTestTickCount(DWORD value) {
    auto& test = TheTestClock();
    std::lock_guard guard(test.lock);
    test.active = true;
    test.value = value;
}

void AdvanceTestTickCount(DWORD milliseconds) {
    auto& test = TheTestClock();
    std::lock_guard guard(test.lock);
    test.value += milliseconds; // unsigned: wraps like the real counter
}

void UseRealTickCount() {
    auto& test = TheTestClock();
    std::lock_guard guard(test.lock);
    test.active = false;
    test.instantSleep = false;
}

void SetTestSleepInstant(bool instant) {
    auto& test = TheTestClock();
    std::lock_guard guard(test.lock);
    test.instantSleep = instant;
}

void Sleep(DWORD milliseconds) {
    if (milliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    if (milliseconds == INFINITE) {
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(24));
    }
    auto& test = TheTestClock();
    {
        std::lock_guard guard(test.lock);
        if (test.active && test.instantSleep) {
            test.value += milliseconds;
            return;
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    std::lock_guard guard(test.lock);
    if (test.active)
        test.value += milliseconds;
}

DWORD GetCurrentThreadId() {
    if (currentThreadId == 0)
        currentThreadId = nextThreadId.fetch_add(1);
    return currentThreadId;
}

struct CriticalSectionState {
    std::recursive_mutex lock;
};

void InitializeCriticalSection(LPCRITICAL_SECTION section) {
    section->State = new CriticalSectionState;
}

void EnterCriticalSection(LPCRITICAL_SECTION section) {
    section->State->lock.lock();
}

void LeaveCriticalSection(LPCRITICAL_SECTION section) {
    section->State->lock.unlock();
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section) {
    return section->State->lock.try_lock() ? TRUE : FALSE;
}

void DeleteCriticalSection(LPCRITICAL_SECTION section) {
    delete section->State;
    section->State = nullptr;
}
